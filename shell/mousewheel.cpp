#include "shell/mousewheel.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "commands/find.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "fields/fieldscroll.h"
#include "fields/fieldview.h"
#include "fields/listselect.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "render/drawservices.h"
#include "render/hittest.h"
#include "render/windowclip.h"
#include "shell/cardscroll.h"
#include "shell/cardwindow.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/records.h"
#include "textengine/fieldstorage.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr u16 kScrollingWindow = 1;
constexpr u16 kScrollingField = 301, kListField = 303;

// The wheel is left alone while a tracking loop or a modal dialog runs: a turn taken in by
// their wait must not scroll the card under them.
bool wheelbusy() { return currentloopname() != nullptr; }

i32 barvalue(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) ? GetControl32BitValue(bar) : 0; }

// The object under a point of the card (card coordinates): the card's objects from the top
// down (not while the background is edited), then the background's.
bool objectat(const desk& d, Point pt, Handle* list, i32* index) {
  for (Handle l : {d.backlayer == 0 ? d.cardspots : Handle(nilhandle), d.backspots}) {
    for (i32 i = spotcount(l) - 1; i >= 0; --i) {
      if (ptinspot(l, i16(i), pt)) {
        *list = l;
        *index = i;
        return true;
      }
    }
  }
  return false;
}

// A send whose script error this handler reports itself, once.
i16 sendquietly(Handle list, i32 index, const std::string& message, WindowRef window) {
  MainGlobals& g = mainglobals();
  const i16 depth = g.senddepth;
  g.senddepth = 1;
  const i16 st = list != nilhandle ? spotsend(sendnormal, list, index, message, window)
                                   : cardsend(message, sendnormal, window);
  g.senddepth = depth;
  if (st > 0) doerror(st);
  return st;
}

// The wheel over a scrolling field: false when it is already at its end that way.
bool scrollfield(Handle list, i32 index, i16 delta, i32 perstep, WindowRef window) {
  const MainGlobals& g = mainglobals();
  spot s = spotat(list, index);
  // The open field's record, else the field's own live one, else one made for the time.
  WEReference we = nilid;
  bool temporary = false;
  if (g.openfield == index && g.openfieldspots == list && g.openfieldwindow == window) we = g.openfieldrec;
  if (we == nilid && s.style == kScrollingField) we = getfieldkindtail(s).live;
  if (we == nilid) {
    LongRect dest{}, view{};
    ldestview(s, &dest, &view);
    we = createwerec(s, dest, view);
    temporary = we != nilid;
  }
  i32 scroll = 0, maximum = 0;
  recalcfldscroll(list, i16(index), we, false, false, &scroll, nullptr, &maximum, nullptr);
  const bool atend = delta > 0 ? scroll <= 0 : scroll >= maximum;
  if (!atend) {
    const i32 now = std::clamp<i32>(scroll - perstep * delta, 0, std::max(maximum, 0));
    s = spotat(list, index);
    setfieldscroll(s, now);
    storeat<spot>(deref(list) + Size(index) * Size(sizeof(spot)), s);
    if (we != nilid) WEScroll(0, scroll - now, we);
  }
  if (temporary) WEDispose(we);
  if (atend) return false;
  sendquietly(list, index, "scrollField", window);
  return true;
}

// The wheel over a list field: `rows` rows a notch, up for a positive delta; false when the
// list cannot move that way.
bool scrolllist(Handle list, i32 index, i16 delta, i32 rows, WindowRef window) {
  spot s = spotat(list, index);
  listwindow shown;
  const i32 count = listrowcount(s);
  if (count < 0 || !listvisiblerows(s, &shown)) return false;
  const i32 last = std::max(count - shown.shown + (shown.partial ? 1 : 0), 0);
  const i32 first = std::clamp<i32>(shown.first - rows * delta, 0, last);
  if (first == shown.first) return false;
  lockscreen();
  listscrollto(s, first);
  s = spotat(list, index);
  setfieldscroll(s, first);
  storeat<spot>(deref(list) + Size(index) * Size(sizeof(spot)), s);
  InvalWindowRect(window, &s.rect);
  listredraw(s, true);
  unlockscreen();
  EconomyFlush(GetWindowPort(window), nilid);
  sendquietly(list, index, "scrollField", window);
  return true;
}

}  // namespace

OSStatus PeditRThandlemousewheelproc(EventHandlerCallRef call, EventRef event, u32 userdata) {
  enterCarbonEvent(call, event, userdata);
  Point where{};
  WindowRef window = nilid;
  if (GetEventParameter(event, kEventParamMouseLocation, typeQDPoint, nullptr, sizeof where, nullptr, &where) ==
          noErr &&
      !wheelbusy() && FindWindow(where, &window) == inContent) {
    u16 axis = 1;
    i32 delta = 0;
    u32 modifiers = 0;
    GetEventParameter(event, kEventParamMouseWheelAxis, typeMouseWheelAxis, nullptr, sizeof axis, nullptr, &axis);
    GetEventParameter(event, kEventParamMouseWheelDelta, typeSInt32, nullptr, sizeof delta, nullptr, &delta);
    GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, sizeof modifiers, nullptr, &modifiers);
    if (delta != 0) {
      EventRecord wheel{};
      wheel.what = 0;
      wheel.message = u32(axis) << 16 | u16(delta);
      wheel.when = 0;
      wheel.where = where;
      wheel.modifiers = u16(modifiers);
      HighLevelRequest request;
      request.eventclass = kWheelRequestClass;
      request.eventid = kWheelRequestId;
      request.params.emplace_back(kWheelRecordKeyword,
                                  std::string(reinterpret_cast<const char*>(&wheel), sizeof wheel));
      posthighlevelrequest(std::move(request));
    }
  }
  exitCarbonEvent();
  return noErr;
}

bool wheelrecordof(const std::vector<std::pair<u32, std::string>>& params, EventRecord* out) {
  for (const auto& [keyword, bytes] : params) {
    if (keyword != kWheelRecordKeyword) continue;
    if (bytes.size() != sizeof(EventRecord)) return false;
    std::memcpy(out, bytes.data(), sizeof(EventRecord));
    return true;
  }
  return false;
}

i16 HandleMouseWheelAppleEvent(const EventRecord& wheel) {
  const i16 delta = i16(wheel.message & 0xFFFF);
  const bool vertical = (wheel.message >> 16) == 1;
  if (wheelbusy() || delta == 0) return 0;
  // The window comes from the point, never from a number in the record.
  WindowRef window = nilid;
  if (FindWindow(wheel.where, &window) != inContent) return 0;
  desk d{};
  if (!getwind(window, &d)) return 0;
  BorrowDesk borrow(d);
  const i16 part = delta > 0 ? kControlUpButtonPart : kControlDownButtonPart;
  const bool option = (wheel.modifiers & optionKey) != 0, command = (wheel.modifiers & cmdKey) != 0;

  SetPortWindowPort(window);
  lowclipdown();
  Point local = wheel.where;
  GlobalToLocal(&local);
  Rect interior{};
  getinterior(&interior);
  Handle list = nilhandle;
  i32 index = -1;
  if (PtInRect(local, &interior)) {
    const Point card{i16(local.v + barvalue(d.vscroll)), i16(local.h + barvalue(d.hscroll))};
    objectat(d, card, &list, &index);
  }
  const std::string message = std::string("mouseWheel ") + (vertical ? "vertical" : "horizontal") + ", " +
                              std::to_string(delta);
  const i16 st = sendquietly(list, index, message, window);
  if (st != statuspass) return st;
  if (!getwind(window, &d)) return 0;  // a handler closed the window
  mainglobals().current = d;

  if (vertical && list != nilhandle && index >= 0 && index < spotcount(list)) {
    const spot s = spotat(list, index);
    if (isfield(s) && (s.style == kScrollingField || (s.style == kListField && d.tool == tooltext))) {
      const i32 pixels = command ? (option ? 40 : 20) : (option ? 10 : 4);
      if (scrollfield(list, index, delta, pixels, window)) return 0;
    } else if (isfield(s) && s.style == kListField) {
      const i32 rows = command ? (option ? 20 : 10) : (option ? 5 : 1);
      if (scrolllist(list, index, delta, rows, window)) return 0;
    }
  }
  if (d.wind == nilhandle || loadat<windrec>(deref(d.wind)).word2 != kScrollingWindow) return statuspass;
  lockscreen();
  clearfind();
  cleartooltip();
  PeditRTscrollcard(vertical ? d.vscroll : d.hscroll, part);
  unlockscreen();
  EconomyFlush(GetWindowPort(window), nilid);
  return sendquietly(nilhandle, -1, "scrollWindow", window);
}

}  // namespace kv
