// The message box window: shown inside the screen's available bounds, hidden, drawn (its line
// of text above a grey rule, its status line below), filled from scripts and diagnostics, and
// taking clicks, keys, idle time and the cursor.
#include <algorithm>
#include <string_view>

#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/qd/qdtext.h"
#include "platform/te/te.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "shell/cardwindow.h"
#include "shell/eventqueue.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/messagebox.h"
#include "shell/platformutil.h"
#include "shell/portroutines.h"
#include "shell/textentry.h"
#include "shell/windowmanage.h"

namespace kv {

namespace {

constexpr i16 kRuleY = 21, kRuleInset = 12;
constexpr Point kStatusAt{33, 15};
constexpr i16 kMessageBrush = 15;
constexpr u8 kFirstArrow = 28, kLastArrow = 31;
constexpr u8 kReturn = 13;
const std::string_view kFindPrompt = "Find \"\"";

bool boxexists() {
  const WindowRef w = mainglobals().msgwindow;
  return w != nilid && IsValidWindowPtr(w);
}

Rect portbounds() {
  Rect r{};
  GetPortBounds(GetWindowPort(mainglobals().msgwindow), &r);
  return r;
}

// The port set to the box, clipped to its bounds, on the box's background; the previous port
// and clip come back at the end.
class BoxPort {
 public:
  BoxPort() {
    SetPortWindowPort(mainglobals().msgwindow);
    clip_ = NewRgn();
    GetClip(clip_);
    const Rect r = portbounds();
    ClipRect(&r);
    SetThemeBackground(kMessageBrush, getdepth(), true);
  }
  ~BoxPort() {
    SetClip(clip_);
    DisposeRgn(clip_);
  }
  BoxPort(const BoxPort&) = delete;
  BoxPort& operator=(const BoxPort&) = delete;

 private:
  SavePort saved_;
  RgnHandle clip_ = nilid;
};

void drawrule() {
  const Rect r = portbounds();
  PenState pen{};
  GetPenState(&pen);
  PenNormal();
  RGBColor fore{}, grey{0x8888, 0x8888, 0x8888};
  GetForeColor(&fore);
  RGBForeColor(&grey);
  MoveTo(kRuleInset, kRuleY);
  LineTo(i16(r.right - kRuleInset), kRuleY);
  RGBForeColor(&fore);
  SetPenState(&pen);
}

void drawstatus() {
  const Rect r = portbounds();
  Rect band{i16(kRuleY + 1), r.left, r.bottom, r.right};
  EraseRect(&band);
  GrafPtr port = nilid;
  GetPort(&port);
  const i16 size = GetPortTextSize(port);
  TextSize(err::nowholenumber);
  const u8* status = mainglobals().msgstatus;
  MoveTo(kStatusAt.h, kStatusAt.v);
  DrawText(status + 1, 0, status[0]);
  TextSize(size);
}

void drawtext() {
  const TEHandle te = mainglobals().msgtext;
  const Rect r = portbounds();
  Rect band{r.top, r.left, kRuleY, r.right};
  EraseRect(&band);
  TEUpdate(&band, te);
}

void drawbox() {
  const Rect r = portbounds();
  EraseRect(&r);
  TEUpdate(&r, mainglobals().msgtext);
  drawrule();
  drawstatus();
}

// The message box's text stands for what `msg` holds once typing changed it.
void keeptyped() {
  MainGlobals& g = mainglobals();
  const std::string_view text = tetext(g.msgtext);
  if (g.msgpending == nilhandle) g.msgpending = NewHandle(0);
  if (g.msgpending == nilhandle) return;
  SetHandleSize(g.msgpending, Size(text.size()));
  if (MemError() != noErr) return;
  if (!text.empty()) BlockMoveData(text.data(), deref(g.msgpending), Size(text.size()));
}

void clickbox(Point global) {
  MainGlobals& g = mainglobals();
  putdownmodes();
  putdownfield();
  SetPortWindowPort(g.msgwindow);
  Point local = global;
  GlobalToLocal(&local);
  g.msginactive = 0;
  g.msgfieldfocus = 0;
  TEActivate(g.msgtext);
  const bool twice = dclick(global, TickCount()) != 0;
  TEClick(local, (g.event.modifiers & shiftKey) != 0, g.msgtext, twice);
  drawtext();
}

void keybox(u8 ch) {
  MainGlobals& g = mainglobals();
  if (g.msginactive) {
    if (ch >= kFirstArrow && ch <= kLastArrow) return;
    TESetSelect(0, TEGetLength(g.msgtext), g.msgtext);
  }
  const i32 before = TEGetLength(g.msgtext);
  const std::string_view was = tetext(g.msgtext);
  const std::string copy(was);
  tekey(ch, g.msgtext);
  TEActivate(g.msgtext);
  g.msginactive = 0;
  g.msgfieldfocus = 0;
  if (TEGetLength(g.msgtext) != before || tetext(g.msgtext) != copy) keeptyped();
  drawtext();
}

void cursorbox(Point local) {
  if (mainglobals().lockCursor) return;
  SetThemeCursor(local.v < kRuleY ? kThemeIBeamCursor : kThemeArrowCursor);
}

}  // namespace

void runmess(i16 kind, u32 param) {
  MainGlobals& g = mainglobals();
  if (!boxexists() || !isvalidte(g.msgtext)) return;
  BoxPort port;
  switch (kind) {
    case kWindowDraw: drawbox(); break;
    case kWindowClick: clickbox(wordpoint(param)); break;
    case kWindowIdle: TEIdle(g.msgtext); break;
    case kWindowKey: keybox(u8(param & 0xFF)); break;
    case kWindowMouse: cursorbox(wordpoint(param)); break;
    default: break;
  }
}

bool msgvisible() { return boxexists() && IsWindowVisible(mainglobals().msgwindow); }

void showmes() {
  MainGlobals& g = mainglobals();
  if (!boxexists() || msgvisible()) return;
  const WindowRef w = g.msgwindow;
  Rect content{}, structure{};
  GetWindowBounds(w, kWindowContentRgn, &content);
  GetWindowBounds(w, kWindowStructureRgn, &structure);
  const i16 leftw = i16(content.left - structure.left), rightw = i16(structure.right - content.right);
  const i16 topw = i16(content.top - structure.top), bottomw = i16(structure.bottom - content.bottom);
  Rect bounds{};
  GetAvailableWindowPositioningBounds(greatestareascreen(structure), &bounds);
  // The bounds the content may take: the available bounds less the frame on each side (the
  // side title bar makes the left and right frames differ).
  bounds = Rect{i16(bounds.top + topw), i16(bounds.left + leftw), i16(bounds.bottom - bottomw),
                i16(bounds.right - rightw)};
  Rect r = content;
  const i32 width = r.right - r.left, height = r.bottom - r.top;
  const i32 roomh = bounds.right - bounds.left, roomv = bounds.bottom - bounds.top;
  if (width > roomh) {
    const i32 excess = width - roomh;
    r.left = i16(r.left + excess / 2);
    r.right = i16(r.left + roomh);
  }
  if (height > roomv) {
    const i32 excess = height - roomv;
    r.top = i16(r.top + excess / 2);
    r.bottom = i16(r.top + roomv);
  }
  if (r.bottom > bounds.bottom) OffsetRect(&r, 0, i16(bounds.bottom - r.bottom));
  if (r.right > bounds.right) OffsetRect(&r, i16(bounds.right - r.right), 0);
  if (r.left < bounds.left) OffsetRect(&r, i16(bounds.left - r.left), 0);
  if (r.top < bounds.top) OffsetRect(&r, 0, i16(bounds.top - r.top));
  SetWindowBounds(w, kWindowContentRgn, &r);
  g.msginactive = 1;
  TEDeactivate(g.msgtext);
  ShowWindow(w);
  if (processisfront()) ShowFloatingWindows();
  selectwindow(w);
  runmess(kWindowDraw, 0);
}

i16 placemessagebox(const Rect& content) {
  MainGlobals& g = mainglobals();
  if (content.bottom <= content.top || content.right <= content.left) return err::emptyrect;
  if (!boxexists()) return 0;
  const WindowRef w = g.msgwindow;
  SetWindowBounds(w, kWindowContentRgn, &content);
  // Kept on the screen: the whole frame moved into the available bounds, whatever the fit
  // (the top and left edges win when it is larger).
  Rect structure{}, bounds{};
  GetWindowBounds(w, kWindowStructureRgn, &structure);
  GetAvailableWindowPositioningBounds(greatestareascreen(structure), &bounds);
  i16 dh = 0, dv = 0;
  if (structure.right > bounds.right) dh = i16(bounds.right - structure.right);
  if (structure.left + dh < bounds.left) dh = i16(bounds.left - structure.left);
  if (structure.bottom > bounds.bottom) dv = i16(bounds.bottom - structure.bottom);
  if (structure.top + dv < bounds.top) dv = i16(bounds.top - structure.top);
  if (dh != 0 || dv != 0) {
    Rect placed = content;
    OffsetRect(&placed, dh, dv);
    SetWindowBounds(w, kWindowContentRgn, &placed);
  }
  // The line of text ends at the new width.
  if (isvalidte(g.msgtext)) {
    Rect dest = tedestrect(g.msgtext), view = teviewrect(g.msgtext);
    dest.right = view.right = i16(content.right - content.left);
    TESetRects(g.msgtext, &dest, &view);
  }
  if (IsWindowVisible(w)) runmess(kWindowDraw, 0);
  return 0;
}

void hidemes() {
  if (!msgvisible()) return;
  HideWindow(mainglobals().msgwindow);
  hilitewindows();
}

void drawmessage(fred* value, i16 mode) {
  MainGlobals& g = mainglobals();
  if (!boxexists() || !isvalidte(g.msgtext) || value == nullptr) return;
  showmes();
  BoxPort port;
  Handle text = nilhandle;
  if (fredtonewh(value, &text) != 0 || text == nilhandle) return;
  const char* bytes = reinterpret_cast<const char*>(deref(text));
  std::string_view whole(bytes, size_t(GetHandleSize(text)));
  const std::string line(whole.substr(0, whole.find(char(kReturn))));
  DisposeHandle(text);
  if (mode == 1) {
    const size_t n = std::min<size_t>(line.size(), 255);
    g.msgstatus[0] = u8(n);
    std::copy_n(line.data(), n, g.msgstatus + 1);
    drawstatus();
    return;
  }
  TESetText(line.data(), i32(line.size()), g.msgtext);
  if (line == kFindPrompt) {
    g.msginactive = 0;
    TEActivate(g.msgtext);
    TESetSelect(6, 6, g.msgtext);
  } else {
    TEDeactivate(g.msgtext);
    g.msginactive = 1;
  }
  drawtext();
}

}  // namespace kv
