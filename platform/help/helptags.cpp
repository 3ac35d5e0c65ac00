#include "platform/help/helptags.h"

#include <algorithm>
#include <vector>

#include "platform/events/events.h"
#include "platform/fonts/fonts.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"

namespace kv {

namespace {

constexpr i16 kTagBrush = 48, kTagInset = 4;

struct Callback {
  ControlRef control;
  HMControlContentProcPtr proc;
};

struct HelpState {
  std::vector<Callback> callbacks;
  u32 delayms = 800;
  bool displayed = true;
  Point last{-32768, -32768};
  u32 since = 0;       // the tick the pointer came to rest
  bool asked = false;  // a routine was asked during this rest
  WindowRef tag = nilid;
  Rect hot{};
  Str255 text{};
};

HelpState& hs() { return state<HelpState>(); }

u32 delayticks() { return (hs().delayms * 60 + 999) / 1000; }

void hidetag() {
  HelpState& s = hs();
  if (s.tag != nilid && IsValidWindowPtr(s.tag)) DisposeWindow(s.tag);
  s.tag = nilid;
  s.text[0] = 0;
}

// The text of a content record's minimum content ('str#' from its string list).
void contenttext(const HMHelpContent& c, Str255 out) {
  out[0] = 0;
  if (c.contentType == kHMStringResContent) GetIndString(out, c.resID, c.index);
  if (c.contentType == kHMPascalStrContent) pstrassign(out, 255, c.text + 1, c.text[0]);
}

// The width of a text in the system font at a size and face, measured in a port of its own so
// that no window's text settings change.
i16 measuretagtext(ConstStringPtr text, i16 size, u8 face) {
  SavePort saved;
  const CGrafPtr port = CreateNewPort();
  SetPort(port);
  TextFont(systemFont);
  TextSize(size);
  TextFace(face);
  const i16 width = StringWidth(text);
  DisposePort(port);
  return width;
}

// The tag's window: the text in the labels' font on the tag brush, framed, beside the hot
// rectangle and kept on the screen.
void showtag(const HMHelpContentRec& rec) {
  HelpState& s = hs();
  contenttext(rec.content[0], s.text);
  if (s.text[0] == 0) return;
  i16 size = 0;
  u8 face = 0;
  Str255 family{};
  GetThemeFont(kThemeLabelFont, 0, family, &size, &face);
  FontInfo fi{};
  FetchFontInfo(0, size, face, &fi);
  SavePort saved;
  const i16 width = i16(measuretagtext(s.text, size, face) + 2 * kTagInset);
  const i16 height = i16(fi.ascent + fi.descent + 2 * kTagInset - 2);
  const Rect& hot = rec.absHotRect;
  i16 left = rec.tagSide == kHMOutsideBottomCenterAligned ? i16((hot.left + hot.right - width) / 2) : hot.left;
  const Rect screen = screenbounds(0);
  left = std::clamp<i16>(left, screen.left, i16(std::max<i32>(screen.left, screen.right - width)));
  const Rect bounds{i16(hot.bottom + 2), left, i16(hot.bottom + 2 + height), i16(left + width)};
  WindowRef w = nilid;
  if (CreateNewWindow(kHelpWindowClass, kWindowNoAttributes, &bounds, &w) != noErr) return;
  s.tag = w;
  s.hot = hot;
  SetPort(GetWindowPort(w));
  const Rect all{0, 0, height, width};
  SetThemeBackground(kTagBrush, 32, true);
  EraseRect(&all);
  ForeColor(blackColor);
  FrameRect(&all);
  TextFont(systemFont);
  TextSize(size);
  TextFace(face);
  MoveTo(kTagInset, i16(kTagInset - 1 + fi.ascent));
  DrawString(s.text);
  ShowWindow(w);
}

// The registered control under a global point: shown, in a shown window.
const Callback* controlat(Point where) {
  for (const Callback& c : hs().callbacks) {
    if (!IsValidControlHandle(c.control) || !IsControlVisible(c.control)) continue;
    const WindowRef w = GetControlOwner(c.control);
    if (!IsWindowVisible(w)) continue;
    Rect content{}, port{}, bounds{};
    GetWindowBounds(w, kWindowContentRgn, &content);
    GetWindowPortBounds(w, &port);
    GetControlBounds(c.control, &bounds);
    const Point local{i16(where.v - content.top + port.top), i16(where.h - content.left + port.left)};
    if (PtInRect(local, &bounds)) return &c;
  }
  return nullptr;
}

// Looks at the pointer after each wait and poll.
u32 watch(u32 now) {
  HelpState& s = hs();
  std::erase_if(s.callbacks, [](const Callback& c) { return !IsValidControlHandle(c.control); });
  if (!s.displayed || s.callbacks.empty()) {
    hidetag();
    return 0;
  }
  const Point m = mouseposition();
  if (buttonisdown()) {
    hidetag();
    s.last = Point{-32768, -32768};
    return 0;
  }
  if (m.v != s.last.v || m.h != s.last.h) {
    s.last = m;
    s.since = now;
    s.asked = false;
    if (s.tag != nilid && !PtInRect(m, &s.hot)) hidetag();
  }
  if (s.tag != nilid || s.asked) return 0;
  const Callback* c = controlat(m);
  if (c == nullptr) return 0;
  if (i32(now - s.since) < i32(delayticks())) return s.since + delayticks();
  s.asked = true;
  HMHelpContentRec rec{};
  rec.version = kMacHelpVersion;
  i16 provided = kHMContentNotProvided;
  const ControlRef control = c->control;
  const HMControlContentProcPtr proc = c->proc;
  if (proc(control, m, kHMSupplyContent, &provided, &rec) == noErr && provided == kHMContentProvided) {
    showtag(rec);
    proc(control, m, kHMDisposeContent, &provided, &rec);
  }
  return 0;
}

}  // namespace

OSStatus HMInstallControlContentCallback(ControlRef control, HMControlContentProcPtr proc) {
  if (!IsValidControlHandle(control)) return errInvalidControl;
  HelpState& s = hs();
  std::erase_if(s.callbacks, [control](const Callback& c) { return c.control == control; });
  if (proc) s.callbacks.push_back(Callback{control, proc});
  setidlewatcher(watch);
  return noErr;
}

OSStatus HMGetControlContentCallback(ControlRef control, HMControlContentProcPtr* proc) {
  *proc = nullptr;
  for (const Callback& c : hs().callbacks)
    if (c.control == control) *proc = c.proc;
  return IsValidControlHandle(control) ? OSStatus(noErr) : errInvalidControl;
}

OSStatus HMSetTagDelay(u32 milliseconds) {
  hs().delayms = milliseconds;
  return noErr;
}
u32 HMGetTagDelay() { return hs().delayms; }

OSStatus HMSetHelpTagsDisplayed(bool displayed) {
  hs().displayed = displayed;
  if (!displayed) hidetag();
  return noErr;
}
bool HMAreHelpTagsDisplayed() { return hs().displayed; }

OSStatus HMHideTag() {
  hidetag();
  return noErr;
}

WindowRef helptagwindow() {
  HelpState& s = hs();
  return s.tag != nilid && IsValidWindowPtr(s.tag) ? s.tag : nilid;
}

void helptagtext(Str255 text) { pstrassign(text, 255, hs().text + 1, hs().text[0]); }

}  // namespace kv
