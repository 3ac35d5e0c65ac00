// The standard window definitions: the frame of each definition family (title bar, borders,
// boxes) and the hit test that FindWindow asks of it; custom definitions are asked through
// their procedure.
#include "platform/qd/regions.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

constexpr i16 kDocTitle = 22;    // title bar of documents and movable dialogs
constexpr i16 kFloatTitle = 16;  // title bar of floating windows
constexpr i16 kDocBox = 14;      // close, collapse and zoom boxes of documents
constexpr i16 kFloatBox = 11;
constexpr i16 kGrowBox = 15;

enum class Look { none, hairline, shadow, modal, document, movable, floating, sidefloating };

struct Definition {
  Look look;
  bool grow;  // the definition has a grow box when the window is resizable
};

Definition definitionof(i16 procid) {
  i16 family = i16(procid >> 4);
  i16 v = i16(procid & 15);
  switch (family) {
    case 0:
      switch (v) {
        case 1: return {Look::modal, false};
        case 2: return {Look::hairline, false};
        case 3: return {Look::shadow, false};
        case 5: return {Look::movable, false};
        default: return {Look::document, true};
      }
    case 1: return {Look::document, false};
    case 64: return {Look::document, true};
    case 65:
      switch (v) {
        case 0: return {Look::hairline, false};
        case 1: return {Look::shadow, false};
        case 2:
        case 4: return {Look::modal, false};
        case 3:
        case 5: return {Look::movable, false};
        case 6: return {Look::movable, true};
        default: return {Look::modal, false};
      }
    case 66: return {Look::floating, true};
    case 67: return {Look::sidefloating, true};
    case 69: return {v == 0 ? Look::none : Look::hairline, false};
    default: return {Look::document, true};
  }
}

Rect boxat(i16 top, i16 left, i16 size) { return Rect{top, left, i16(top + size), i16(left + size)}; }

}  // namespace

bool ptinrect(Point p, const Rect& r) { return p.v >= r.top && p.v < r.bottom && p.h >= r.left && p.h < r.right; }
bool emptyrect(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

WindowAttributes definitionattributes(i16 procid) {
  i16 family = i16(procid >> 4);
  i16 v = i16(procid & 15);
  WindowAttributes a = 0;
  switch (family) {
    case 0:
      if (v == 0 || v == 8) a |= kWindowResizableAttribute;
      if (v == 8 || v == 12) a |= kWindowFullZoomAttribute;
      break;
    case 64:
      if (v & 1) a |= kWindowResizableAttribute;
      if (v & 2) a |= kWindowVerticalZoomAttribute;
      if (v & 4) a |= kWindowHorizontalZoomAttribute;
      break;
    case 65:
      if (v == 6) a |= kWindowResizableAttribute;
      break;
    case 66:
    case 67:
      if (v & 2) a |= kWindowResizableAttribute;
      if (v & 4) a |= kWindowVerticalZoomAttribute;
      if (v & 8) a |= kWindowHorizontalZoomAttribute;
      if (family == 67) a |= kWindowSideTitlebarAttribute;
      break;
    default: break;
  }
  return a;
}

i16 classdefinition(WindowClass c, WindowAttributes a) {
  bool grow = a & kWindowResizableAttribute;
  bool zoom = a & kWindowFullZoomAttribute;
  switch (c) {
    case kAlertWindowClass: return kWindowAlertProc;
    case kMovableAlertWindowClass: return kWindowMovableAlertProc;
    case kModalWindowClass: return kWindowModalDialogProc;
    case kMovableModalWindowClass: return grow ? kWindowMovableModalGrowProc : kWindowMovableModalDialogProc;
    case kFloatingWindowClass:
    case kUtilityWindowClass:
    case kToolbarWindowClass:
      return i16(kWindowFloatProc + (grow ? 2 : 0) + (zoom ? 12 : 0) + ((a & kWindowSideTitlebarAttribute) ? 16 : 0));
    case kPlainWindowClass:
    case kSheetWindowClass:
    case kSheetAlertWindowClass: return kWindowPlainDialogProc;
    case kAltPlainWindowClass: return kWindowShadowDialogProc;
    case kHelpWindowClass:
    case kOverlayWindowClass: return kWindowSimpleProc;
    default: return i16(kWindowDocumentProc + (grow ? 1 : 0) + (zoom ? 6 : 0));
  }
}

FrameShape frameshape(const WindowData& w) {
  FrameShape f;
  if (w.defproc) return f;  // a custom definition answers its own regions
  Definition d = definitionof(w.procid);
  bool titled = false;
  switch (d.look) {
    case Look::none: break;
    case Look::hairline: f.top = f.left = f.bottom = f.right = 1; break;
    case Look::shadow:
      f.top = f.left = 1;
      f.bottom = f.right = 3;
      break;
    case Look::modal: f.top = f.left = f.bottom = f.right = 3; break;
    case Look::document:
    case Look::movable:
      f.left = f.bottom = f.right = 1;
      f.top = kDocTitle;
      f.titlesize = kDocTitle;
      titled = true;
      break;
    case Look::floating:
      f.left = f.bottom = f.right = 1;
      f.top = kFloatTitle;
      f.titlesize = kFloatTitle;
      titled = true;
      break;
    case Look::sidefloating:
      f.top = f.bottom = f.right = 1;
      f.left = kFloatTitle;
      f.titlesize = kFloatTitle;
      f.sidetitle = true;
      titled = true;
      break;
  }
  if (titled) {
    f.closebox = w.attributes & kWindowCloseBoxAttribute;
    f.zoombox = w.attributes & kWindowFullZoomAttribute;
    f.collapsebox = (w.attributes & kWindowCollapseBoxAttribute) && d.look != Look::floating &&
                    d.look != Look::sidefloating;
  }
  f.growbox = (w.attributes & kWindowResizableAttribute) && (d.grow || d.look == Look::document);
  return f;
}

bool customregion(WindowRef window, const WindowData& w, u16 code, RgnHandle rgn) {
  GetWindowRegionRec rec{rgn, code};
  return w.defproc(w.variation, window, kWindowMsgGetRegion, reinterpret_cast<std::intptr_t>(&rec)) == noErr;
}

Rect structurerect(WindowRef window, const WindowData& w) {
  if (w.defproc) {
    Rect r = w.content;
    RgnHandle rgn = NewRgn();
    if (customregion(window, w, kWindowStructureRgn, rgn) && !EmptyRgn(rgn)) r = regionbounds(rgn);
    DisposeRgn(rgn);
    return r;
  }
  FrameShape f = frameshape(w);
  const Rect& c = w.content;
  return Rect{i16(c.top - f.top), i16(c.left - f.left), i16(c.bottom + f.bottom), i16(c.right + f.right)};
}

Rect partrect(WindowRef window, const WindowData& w, u16 code) {
  Rect none{0, 0, 0, 0};
  if (w.defproc) {
    Rect r = none;
    RgnHandle rgn = NewRgn();
    if (customregion(window, w, code, rgn)) r = regionbounds(rgn);
    DisposeRgn(rgn);
    return r;
  }
  FrameShape f = frameshape(w);
  Rect s = structurerect(window, w);
  const Rect& c = w.content;
  Rect title = none;
  if (f.titlesize > 0)
    title = f.sidetitle ? Rect{s.top, s.left, s.bottom, i16(s.left + f.titlesize)}
                        : Rect{s.top, s.left, i16(s.top + f.titlesize), s.right};
  bool small = f.titlesize == kFloatTitle;
  i16 box = small ? kFloatBox : kDocBox;
  auto closerect = [&]() {
    if (f.sidetitle) return boxat(i16(title.top + 5), i16(title.left + 3), box);
    return small ? boxat(i16(title.top + 3), i16(title.left + 5), box)
                 : boxat(i16(title.top + 4), i16(title.left + 8), box);
  };
  switch (code) {
    case kWindowTitleBarRgn:
    case kWindowDragRgn: return title;
    case kWindowTitleTextRgn: {
      if (emptyrect(title) || f.sidetitle) return none;
      Rect t = title;
      t.left = i16(t.left + 72);
      t.right = i16(t.right - (small ? 24 : 8));
      return emptyrect(t) ? none : t;
    }
    case kWindowCloseBoxRgn: return f.closebox ? closerect() : none;
    case kWindowCollapseBoxRgn: return f.collapsebox ? boxat(i16(title.top + 4), i16(title.left + 29), box) : none;
    case kWindowZoomBoxRgn:
      if (!f.zoombox) return none;
      if (f.sidetitle) return boxat(i16(title.bottom - 5 - box), i16(title.left + 3), box);
      return small ? boxat(i16(title.top + 3), i16(title.right - 5 - box), box)
                   : boxat(i16(title.top + 4), i16(title.left + 50), box);
    case kWindowGrowRgn:
      return f.growbox ? Rect{i16(c.bottom - kGrowBox), i16(c.right - kGrowBox), c.bottom, c.right} : none;
    default: return none;
  }
}

i16 windowhittest(WindowRef window, const WindowData& w, Point where) {
  if (w.defproc) {
    i32 p = i32((u32(u16(where.v)) << 16) | u16(where.h));
    i32 hit = w.defproc(w.variation, window, kWindowMsgHitTest, p);
    return hit == wNoHit ? i16(0) : i16(hit + 2);
  }
  if (!ptinrect(where, structurerect(window, w))) return 0;
  if (w.hilited) {
    if (ptinrect(where, partrect(window, w, kWindowCloseBoxRgn))) return inGoAway;
    if (ptinrect(where, partrect(window, w, kWindowZoomBoxRgn)))
      return IsWindowInStandardState(window, nullptr, nullptr) ? inZoomIn : inZoomOut;
    if (ptinrect(where, partrect(window, w, kWindowCollapseBoxRgn))) return inCollapseBox;
    if (ptinrect(where, partrect(window, w, kWindowGrowRgn))) return inGrow;
  }
  if (ptinrect(where, w.content)) return inContent;
  if (ptinrect(where, partrect(window, w, kWindowTitleBarRgn))) return inDrag;
  return frameshape(w).titlesize > 0 ? inDrag : inContent;
}

}  // namespace kv
