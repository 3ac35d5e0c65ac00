#include "shell/windowstyle.h"

#include <algorithm>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/screens.h"
#include "properties/latentvis.h"
#include "render/themebuttons.h"
#include "render/windowupkeep.h"
#include "shell/customframe.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/palettes.h"
#include "shell/platformutil.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/records.h"
#include "system/proctable.h"
#include "system/windowkind.h"

namespace kv {

namespace {

bool palettestyle(u16 style) { return style == kStylePalette || style == kStyleCustomPalette; }

// The definition of style 6: a simple frame, or a floating window with grow and zoom boxes as
// asked, its title bar on the side with flag 4.
i16 paletteprocid(u32 flags) {
  if (flags & kWindFlagSimpleFrame) return kWindowSimpleFrameProc;
  const bool grow = flags & kWindFlagResizable, zoom = flags & kWindFlagZoomBox;
  i16 id = zoom ? (grow ? kWindowFloatFullZoomGrowProc : kWindowFloatFullZoomProc)
                : (grow ? kWindowFloatGrowProc : kWindowFloatProc);
  return (flags & kWindFlagSideTitle) ? i16(id + 16) : id;
}

// The window of an open modal dialog that new modal windows go behind, or 0.
WindowRef openmodal() {
  for (WindowRef w : windowlist()) {
    WindowClass c = 0;
    if (!IsWindowVisible(w) || GetWindowClass(w, &c) != noErr) continue;
    if (c == kModalWindowClass || c == kMovableModalWindowClass || c == kAlertWindowClass ||
        c == kMovableAlertWindowClass)
      return w;
  }
  return nilid;
}

// The title: the window's name (at most 255 bytes), "Untitled" for an empty name unless the
// window is a palette.
void windowtitle(const windrec& w, bool palette, Str255 title) {
  title[0] = 0;
  if (w.name != nilhandle) {
    title[0] = u8(std::min<Size>(GetHandleSize(w.name), 255));
    BlockMoveData(deref(w.name), title + 1, title[0]);
  }
  if (!palette) checkname(title);
}

// The record's rectangle as the window is to get it: no larger than the offscreen world,
// limited to its background while a property setter re-creates the window, else centred on
// the main screen when the record asks for it.
Rect placement(const desk& d, const windrec& w) {
  const MainGlobals& g = mainglobals();
  Rect r = w.rect1;
  limitrect(&r);
  if (g.reopeningwindow) {
    limitrectoback(&r, d);
  } else if (w.flags & kWindFlagAutoCentre) {
    Rect screen{};
    GetAvailableWindowPositioningBounds(0, &screen);
    const i16 width = i16(r.right - r.left), height = i16(r.bottom - r.top);
    r.left = i16((screen.left + screen.right - width) / 2);
    r.top = i16((screen.top + screen.bottom - height) / 2);
    r.right = i16(r.left + width);
    r.bottom = i16(r.top + height);
  }
  return r;
}

// The card's two scroll bars along the bottom and right edges of the port, each stopping
// short of the corner where the grow box sits; shown only in a scrolling window.
void makescrollbars(desk& d, u16 style) {
  Rect port{};
  GetWindowPortBounds(d.window, &port);
  const Rect h{i16(port.bottom - kScrollBarWidth), port.left, port.bottom, i16(port.right - (kScrollBarWidth - 1))};
  const Rect v{port.top, i16(port.right - kScrollBarWidth), i16(port.bottom - (kScrollBarWidth - 1)), port.right};
  CreateScrollBarControl(d.window, &h, 0, 0, 0, 0, true, nullptr, &d.hscroll);
  CreateScrollBarControl(d.window, &v, 0, 0, 0, 0, true, nullptr, &d.vscroll);
  if (style != kStyleScrolling) {
    HideControl(d.hscroll);
    HideControl(d.vscroll);
  }
}

}  // namespace

WindowStyle windowstyle(u16 style, u32 flags) {
  WindowStyle s;
  const bool grow = flags & kWindFlagResizable, zoom = flags & kWindFlagZoomBox;
  bool closes = false, resizes = false;
  switch (style) {
    case kStyleStandard:
      s.procid = zoom ? (grow ? kWindowFullZoomGrowDocumentProc : kWindowFullZoomDocumentProc)
                      : (grow ? kWindowGrowDocumentProc : kWindowDocumentProc);
      closes = resizes = true;
      break;
    case kStyleScrolling:
      s.procid = zoom ? zoomDocProc : grow ? kWindowGrowDocumentProc : kWindowDocumentProc;
      closes = resizes = true;
      break;
    case 2: s.procid = kWindowDocumentProc, closes = true; break;
    case kStyleDialog: s.procid = kWindowModalDialogProc, s.wclass = kModalWindowClass, s.behindmodal = true; break;
    case 4: s.procid = kWindowPlainDialogProc; break;
    case 5: s.procid = kWindowShadowDialogProc; break;
    case kStylePalette:
      s.procid = paletteprocid(flags), s.kind = kindpalettewindow, s.wclass = kToolbarWindowClass;
      closes = resizes = true;
      break;
    case kStyleMovable: s.procid = movableDBoxProc, s.wclass = kMovableModalWindowClass, s.behindmodal = true; break;
    case kStyleCustomWindow: s.procid = -1, s.behindmodal = closes = true; break;
    case kStyleCustomPalette:
      s.procid = -1, s.kind = kindpalettewindow, s.wclass = kToolbarWindowClass, closes = true;
      break;
    case kStyleCustomDialog: s.procid = -1, s.wclass = kMovableModalWindowClass, s.behindmodal = closes = true; break;
    case kStyleMetal:
      s.procid = zoom ? kWindowFullZoomDocumentProc : kWindowDocumentProc;
      closes = resizes = true;
      break;
    default: s.procid = documentProc; break;
  }
  WindowAttributes& a = s.attributes;
  if (!(flags & kWindFlagNotCollapsible) && !palettestyle(style)) a |= kWindowCollapseBoxAttribute;
  if (zoom) a |= kWindowFullZoomAttribute;
  if (closes && (flags & kWindFlagCloseBox)) a |= kWindowCloseBoxAttribute;
  if (resizes && grow) a |= kWindowResizableAttribute;
  if (flags & kWindFlagLiveResize) a |= kWindowLiveResizeAttribute;
  if (style == kStyleMovable && RunningOnCarbonXdotfive())
    a &= ~(kWindowCloseBoxAttribute | kWindowFullZoomAttribute | kWindowCollapseBoxAttribute);
  if (!palettestyle(style) && !(flags & kWindFlagNotInMenu)) a |= kWindowInWindowMenuAttribute;
  return s;
}

OSStatus setprocid() {
  MainGlobals& g = mainglobals();
  desk& d = g.current;
  windrec w = loadat<windrec>(deref(d.wind));
  const u16 style = w.word2;
  const bool palette = palettestyle(style);
  const WindowStyle s = windowstyle(style, w.flags);
  const i16 brush = getheme(&d);
  Str255 title;
  windowtitle(w, palette, title);
  Rect r = placement(d, w);
  // The record keeps the placed rectangle: a palette is moved and sized to it below, so it is
  // centred and held on the screen as other windows are.
  w.rect1 = r;

  // The window is made in the document class without the attributes that the class change
  // or the definition's variation would otherwise mix in.
  WindowAttributes created = s.attributes & ~(kWindowInWindowMenuAttribute | kWindowLiveResizeAttribute);
  WindowRef window = nilid;
  OSStatus st = s.procid < 0 ? CreateCustomWindow(widget, 0, kDocumentWindowClass, created, &r, &window)
                             : CreateWindowWithDefinition(s.procid, kDocumentWindowClass, created, &r, &window);
  if (st != noErr) {
    d.window = d.hscroll = d.vscroll = nilid;
    return st;
  }
  d.window = window;
  // A definition's variation may imply boxes the style does not give.
  WindowAttributes have = 0;
  GetWindowAttributes(window, &have);
  WindowAttributes set = s.attributes, clear = have & ~s.attributes;
  if (style == kStyleMetal) set |= kWindowMetalAttribute;
  if (w.flags & kWindFlagNoShadow) set |= kWindowNoShadowAttribute;
  else clear |= kWindowNoShadowAttribute;
  ChangeWindowAttributes(window, set, clear & ~set);

  ControlRef root = nilid;
  CreateRootControl(window, &root);
  ActivateControl(root);
  if (s.procid < 0) {
    Rect structure{};
    GetWindowBounds(window, kWindowStructureRgn, &structure);
    limitwindowrect(window, &structure);
  } else {
    limitwindowrect(window, nullptr);
  }
  SetWindowAlpha(window, float(100 - std::min<u16>(w.translucency, 100)) / 100.0f);
  if (!g.notfront) HiliteWindow(window, true);
  SetWindowClass(window, s.wclass);
  WindowRef behind = s.behindmodal ? openmodal() : (IsWindowVisible(g.msgwindow) ? g.msgwindow : nilid);
  if (behind == nilid && !palette) {
    // Otherwise in front, but behind the program's floating windows.
    WindowRef firstdoc = nilid, lastdoc = nilid, firstfloat = nilid, lastfloat = nilid;
    locatewindows(&firstdoc, &lastdoc, &firstfloat, &lastfloat);
    behind = lastfloat;
  }
  if (behind != nilid) SendBehind(window, behind);
  if (g.allowModal && (style == kStyleDialog || style == kStyleMovable || style == kStyleCustomDialog))
    SetWindowModality(window, kWindowModalityAppModal, nilid);
  SetThemeWindowBackground(window, brush, false);
  SetWindowKind(window, s.kind);
  makescrollbars(d, style);

  SetPortWindowPort(window);
  if (auto clipup = getproc<341>()) clipup();
  SetWTitle(window, title);
  if (palette) {
    MoveWindow(window, w.rect1.left, w.rect1.top, false);
    SizeWindow(window, i16(w.rect1.right - w.rect1.left), i16(w.rect1.bottom - w.rect1.top), true);
  }
  // The record keeps the rectangle the window got.
  GetWindowBounds(window, kWindowContentRgn, &w.rect1);
  storeat<windrec>(deref(d.wind), w);
  checkwindowalpha(&d);
  return noErr;
}

void limitwindowrect(WindowRef window, const Rect* given) {
  Rect r{};
  if (given) r = *given;
  else GetWindowBounds(window, kWindowContentRgn, &r);
  Rect bounds{};
  GetAvailableWindowPositioningBounds(greatestareascreen(r), &bounds);
  Rect common{};
  if (!SectRect(&r, &bounds, &common)) return;
  Rect widths{};
  GetWindowStructureWidths(window, &widths);
  InsetRect(&bounds, i16((widths.left + widths.right) / 2), i16((widths.top + widths.bottom) / 2));
  OffsetRect(&bounds, 0, i16((widths.top - widths.bottom) / 2));
  const i16 width = std::min<i16>(i16(r.right - r.left), i16(bounds.right - bounds.left));
  const i16 height = std::min<i16>(i16(r.bottom - r.top), i16(bounds.bottom - bounds.top));
  i16 top = r.top, left = r.left;
  if (top < bounds.top) top = bounds.top;
  if (left < bounds.left) left = bounds.left;
  if (left + width > bounds.right) left = i16(bounds.right - width);
  if (top + height > bounds.bottom) top = i16(bounds.bottom - height);
  // The window's content follows what the rectangle needed (the same when the rectangle is
  // the content's own; a custom window's structure may lie inside its content).
  Rect content{};
  GetWindowBounds(window, kWindowContentRgn, &content);
  SizeWindow(window, i16(content.right - content.left + width - (r.right - r.left)),
             i16(content.bottom - content.top + height - (r.bottom - r.top)), true);
  MoveWindow(window, i16(content.left + left - r.left), i16(content.top + top - r.top), false);
}

void setinvis(u16 hide) {
  MainGlobals& g = mainglobals();
  desk& d = g.current;
  checkfront();
  checkwindowalpha(&d);
  if (hide) {
    if (IsWindowVisible(d.window)) {
      HideWindow(d.window);
      hilitewindows();
    }
    return;
  }
  const u16 style = loadat<windrec>(deref(d.wind)).word2;
  if (g.notfront && palettestyle(style)) {
    HideWindow(d.window);
    return;
  }
  if (!IsWindowVisible(d.window)) {
    ShowWindow(d.window);
    orderwindows();
    hilitewindows();
  }
}

}  // namespace kv
