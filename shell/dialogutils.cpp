#include "shell/dialogutils.h"

#include <algorithm>

#include "platform/backend/backend.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/events/watchdog.h"
#include "platform/process/process.h"
#include "platform/qd/qd.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "core/dialogs.h"
#include "shell/drawcase.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "shell/textentry.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "system/appleevents.h"

namespace kv {

namespace {

constexpr i32 kInteractTimeout = 108000;  // ticks a dialog may wait to come forward
constexpr i16 kMessageDialog = 100, kMessageIconItem = 3;

bool itemactive(DialogRef d, i16 item) {
  ControlRef c = nilid;
  if (GetDialogItemAsControl(d, item, &c) != noErr) return isdialogitemvisible(d, item);
  return IsControlVisible(c) && IsControlActive(c) && isdialogitemvisible(d, item);
}

bool cancelusable(DialogRef d) {
  const i16 cancel = GetDialogCancelItem(d);
  return cancel != 0 && itemactive(d, cancel);
}

void flashitem(DialogRef d, i16 item) {
  ControlRef c = nilid;
  if (GetDialogItemAsControl(d, item, &c) == noErr) flashcontrol(c);
}

}  // namespace

u32 gethand(DialogRef dialog, i16 item) {
  u32 h = 0;
  GetDialogItem(dialog, item, nullptr, &h, nullptr);
  return h;
}

void getext(DialogRef dialog, i16 item, StringPtr text, i16 size) {
  std::string t = dialogitemtext(dialog, item);
  const std::size_t room = size > 1 ? std::size_t(size - 1) : 0;
  pstrassign(text, std::size_t(std::min<i16>(std::max<i16>(size, 1), 256)), t.data(), std::min(t.size(), room));
}

void setext(DialogRef dialog, i16 item, ConstStringPtr text) { SetDialogItemText(dialog, item, text); }

void doradio(DialogRef dialog, i16 first, i16 last, i16 chosen) {
  for (i16 i = first; i <= last; ++i) {
    ControlRef c = nilid;
    if (GetDialogItemAsControl(dialog, i, &c) == noErr) SetControlValue(c, 0);
  }
  ControlRef c = nilid;
  if (GetDialogItemAsControl(dialog, chosen, &c) == noErr) SetControlValue(c, 1);
}

void setdefault(DialogRef dialog) {
  ControlRef c = nilid;
  if (GetDialogItemAsControl(dialog, 1, &c) != noErr) return;
  const u8 yes = 1;
  SetControlData(c, kControlEntireControl, kControlPushButtonDefaultTag, 1, &yes);
}

void flashcontrol(ControlRef control) {
  if (!IsValidControlHandle(control)) return;
  HiliteControl(control, kControlButtonPart);
  // Nobody sees a flash in a headless run: it takes no time there.
  if (!backend().headless()) Delay(8, nullptr);
  HiliteControl(control, 0);
}

void flashdefault(DialogRef dialog) {
  ControlRef c = nilid;
  if (GetDialogItemAsControl(dialog, 1, &c) == noErr) flashcontrol(c);
}

bool keyabort(u8 c) { return c == kReturnCharCode || c == kEnterCharCode; }

void dlogcursor(DialogRef dialog) {
  const i16 focus = GetDialogKeyboardFocusItem(dialog);
  if (focus == 0) return;
  Rect box{};
  GetDialogItem(dialog, focus, nullptr, nullptr, &box);
  InsetRect(&box, -2, -2);
  Rect content{};
  GetWindowBounds(dialog, kWindowContentRgn, &content);
  Point m{};
  GetGlobalMouse(&m);
  const Point local{i16(m.v - content.top), i16(m.h - content.left)};
  SetThemeCursor(PtInRect(local, &box) ? kThemeIBeamCursor : kThemeArrowCursor);
}

bool dialogedit(DialogRef dialog, EventRecord* event, i16* itemhit) {
  const u8 c = u8(event->message & charCodeMask);
  event->what = nullEvent;
  const bool focus = GetDialogKeyboardFocusItem(dialog) != 0;
  switch (c) {
    case '.': *itemhit = 2; return true;
    case 'c':
    case 'C': DialogCopy(dialog); return false;
    case 'v':
    case 'V':
      DialogPaste(dialog);
      if (focus) {
        *itemhit = GetDialogKeyboardFocusItem(dialog);
        return true;
      }
      return false;
    case 'x':
    case 'X': DialogCut(dialog); return false;
    default: return false;
  }
}

bool collectoreturn(const u8** cursor, const u8* end, StringPtr out, bool* overflow) {
  const u8* p = *cursor;
  const u8* start = p;
  while (p < end && *p != '\r') ++p;
  const std::size_t n = std::size_t(p - start);
  pstrassign(out, 256, reinterpret_cast<const char*>(start), std::min<std::size_t>(n, 255));
  if (overflow != nullptr && n > 255) *overflow = true;
  *cursor = p;
  return p < end;
}

OSErr packtext(Handle dest, TEHandle te) {
  fieldtail tail = defaultfieldtail();
  tail.just = 0;
  tail.lineheight = telineheight(te);
  tail.font = u16(tefont(te));
  tail.size = u16(tesize(te));
  tail.face = 0;
  tail.color = 0;
  const std::string_view t = tetext(te);
  return setfieldtext(dest, nullptr, 0, t.data(), i32(t.size()), tail);
}

void GetMaxRect(WindowRef window, Rect* out) {
  Rect structure{};
  GetWindowBounds(window, kWindowStructureRgn, &structure);
  Rect r{};
  GetAvailableWindowPositioningBounds(greatestareascreen(structure), &r);
  limitrect(&r);
  Rect widths{};
  GetWindowStructureWidths(window, &widths);
  r.top = i16(r.top + widths.top);
  r.left = i16(r.left + widths.left);
  r.bottom = i16(r.bottom - widths.bottom);
  r.right = i16(r.right - widths.right);
  *out = r;
}

// --- Message dialogs ----------------------------------------------------------------------------

namespace {

// Dialog `id` made ready to show: arrow cursor, the program brought forward.
DialogRef preparedialog(i16 id) {
  SetThemeCursor(kThemeArrowCursor);
  notify(kInteractTimeout);
  return GetNewDialog(id, kFirstWindowOfClass);
}

i16 runmessage(DialogRef d, const std::string& name) {
  SetDialogDefaultItem(d, 1);
  ShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  setdefault(d);
  answerdialog(d, name, "alert", false);
  i16 hit = 0;
  ModalDialog(PdialogMPstdialog, &hit);
  noteitemhit(d, "alert", hit);
  DisposeDialog(d);
  return hit;
}

}  // namespace

void domessage(i16 list, i16 index, i16 icon) {
  Str255 s{};
  GetIndString(s, list, index);
  messagedialog(kMessageDialog, s, icon);
}

void messagedialog(i16 id, ConstStringPtr text, i16 icon) {
  GrafPtr port = nilid;
  GetPort(&port);
  DialogRef d = preparedialog(id);
  const std::string name = "message " + macromantoutf8(withparamtexts(pstringview(text)));
  if (d == nilid) {
    // Without its dialog the message still reaches the transcript and the person's ears.
    Answer a;
    beginmodal(name, "alert", &a);
    SysBeep(1);
    SetPort(port);
    return;
  }
  SetDialogItemText(d, 2, text);
  // Item 3 shows the icon asked for (stop, note or caution), when it is an icon item.
  i16 type = 0;
  Rect box{};
  GetDialogItem(d, kMessageIconItem, &type, nullptr, &box);
  if (icon >= 0 && (type & ~itemDisable) == iconItem) {
    if (Handle h = GetResource(fourcc("ICON"), icon); h != nilhandle) SetDialogItem(d, kMessageIconItem, type, h, &box);
  }
  runmessage(d, name);
  SetPort(port);
}

bool bailoutdlog(i16 id) {
  GrafPtr port = nilid;
  GetPort(&port);
  DialogRef d = preparedialog(id);
  if (d == nilid) return false;
  const bool ok = runmessage(d, "dialog " + std::to_string(id)) == 1;
  SetPort(port);
  return ok;
}

// --- Filters and the movable modal loop -----------------------------------------------------------

void movebox(DialogRef dialog, i16 item, i16 dtop, i16 dbottom) {
  i16 type = 0;
  Rect box{};
  GetDialogItem(dialog, item, &type, nullptr, &box);
  box.top = i16(box.top + dtop);
  box.bottom = i16(box.bottom + dbottom);
  SetDialogItem(dialog, item, type, 0, &box);
}

void movebuttons(DialogRef dialog, i16 last, i16 by) {
  for (i16 item = 1; item <= last; ++item) {
    i16 type = 0;
    GetDialogItem(dialog, item, &type, nullptr, nullptr);
    if (type == kPushButtonItem) movebox(dialog, item, by, by);
  }
}

void growwindow(DialogRef dialog, i16 by) {
  Rect r{};
  GetWindowPortBounds(dialog, &r);
  SizeWindow(dialog, i16(r.right - r.left), i16(r.bottom - r.top + by), false);
}

void resettext(DialogRef dialog, i16 item) {
  const std::string t = dialogitemtext(dialog, item);
  setdialogitemtext(dialog, item, t);
}

void centredialog(DialogRef dialog, i16 h, i16 v) {
  Rect r{};
  GetWindowPortBounds(dialog, &r);
  const i16 width = i16(r.right - r.left), height = i16(r.bottom - r.top);
  if (h < 0 || v < 0) {
    const Rect s = availablebounds(0);
    h = i16((s.left + s.right) / 2);
    v = i16((s.top + s.bottom) / 2);
  }
  MoveWindow(dialog, i16(h - width / 2), i16(v - height / 2), false);
}

bool updatedialog(DialogRef dialog, EventRecord* event) {
  if (WindowRef(event->message) != dialog) return false;
  BeginUpdate(dialog);
  DrawDialog(dialog);
  setdefault(dialog);
  EndUpdate(dialog);
  event->what = nullEvent;
  return true;
}

void resumedialog(DialogRef dialog, const EventRecord* event) {
  if ((event->message >> 24) != suspendResumeMessage) return;
  ControlRef root = nilid;
  if (GetRootControl(dialog, &root) != noErr) return;
  if (event->message & resumeFlag) ActivateControl(root);
  else DeactivateControl(root);
}

bool escapekey(DialogRef dialog, EventRecord* event, i16* itemhit) {
  if (!cancelusable(dialog)) {
    event->what = nullEvent;
    return false;
  }
  flashitem(dialog, GetDialogCancelItem(dialog));
  *itemhit = 2;
  return true;
}

bool abortkey(DialogRef dialog, EventRecord* event, i16* itemhit) {
  if (!itemactive(dialog, 1)) {
    event->what = nullEvent;
    return false;
  }
  flashdefault(dialog);
  *itemhit = 1;
  return true;
}

bool PdialogRTstdialog(DialogRef dialog, EventRecord* event, i16* itemhit) {
  dlogcursor(dialog);
  switch (event->what) {
    case updateEvt:
      if (!updatedialog(dialog, event)) updateBehind(dialog, *event);
      return false;
    case osEvt: resumedialog(dialog, event); return false;
    case keyDown:
    case autoKey: {
      const u8 c = u8(event->message & charCodeMask);
      if ((event->modifiers & controlKey) && c == kReturnCharCode) return false;
      if (event->modifiers & cmdKey) {
        if (scriptdialogs().nocancel != 0 && c == '.') {
          event->what = nullEvent;
          return false;
        }
        return dialogedit(dialog, event, itemhit);
      }
      if (c == kEscapeCharCode) return escapekey(dialog, event, itemhit);
      if (keyabort(c)) return abortkey(dialog, event, itemhit);
      return false;
    }
    default: return false;
  }
}

bool PdialogMPstdialog(DialogRef dialog, EventRecord* event, i16* itemhit) {
  dlogcursor(dialog);
  if (event->what == updateEvt) {
    updatedialog(dialog, event);
    return false;
  }
  if (event->what != keyDown && event->what != autoKey) return false;
  const u8 c = u8(event->message & charCodeMask);
  if ((event->modifiers & controlKey) && c == kReturnCharCode) return false;
  if (event->modifiers & cmdKey) return dialogedit(dialog, event, itemhit);
  if (keyabort(c)) return abortkey(dialog, event, itemhit);
  if (c == kEscapeCharCode) return escapekey(dialog, event, itemhit);
  return false;
}

void MovableModalDialog(DialogRef dialog, ModalFilterProcPtr filter, i16* itemhit) {
  *itemhit = 0;
  if (dialog == nilid || !isdialog(dialog)) return;
  LoopScope scope("MovableModalDialog");
  GrafPtr port = nilid;
  GetPort(&port);
  SetPortWindowPort(dialog);
  MainGlobals& g = mainglobals();
  constexpr EventMask kinds = mDownMask | mUpMask | keyDownMask | keyUpMask | autoKeyMask | updateMask | activMask |
                              osMask;
  for (;;) {
    EventRecord e{};
    if (!WaitNextEvent(kinds, &e, u32(std::max<i32>(1, g.notfront ? g.bgSleepTime : g.fgSleepTime)))) {
      dialogidle(dialog);
      continue;
    }
    // In front, the clipboard another program changed meanwhile is taken over.
    if (!g.notfront) checkscrap();
    if (e.what == mouseDown) {
      WindowRef w = nilid;
      const i16 part = FindWindow(e.where, &w);
      if (w == dialog && part == inDrag) {
        Rect desktop = availablebounds(greatestareascreen(Rect{e.where.v, e.where.h, e.where.v, e.where.h}));
        DragWindow(dialog, e.where, &desktop);
        // What the dialog uncovered of the project windows is drawn again.
        if (g.numwinds > 0) redrawbehind();
        continue;
      }
      if (w != dialog || part != inContent) {
        SysBeep(0);
        e.what = nullEvent;
      }
    }
    if (g.hasAppearanceManager && IsWindowCollapsed(dialog)) redrawbehind();
    if (filter != nullptr && filter(dialog, &e, itemhit)) break;
    if (!isdialog(dialog)) break;
    if (e.what == updateEvt && !isdialog(WindowRef(e.message))) {
      // A window behind the dialog is drawn; an update nobody serves would come back at once,
      // so its region is taken.
      if (updateBehind(dialog, e) == 0) {
        BeginUpdate(WindowRef(e.message));
        EndUpdate(WindowRef(e.message));
      }
      continue;
    }
    DialogRef which = nilid;
    if (IsDialogEvent(&e) && DialogSelect(&e, &which, itemhit) && which == dialog) break;
  }
  SetPort(port);
}

}  // namespace kv
