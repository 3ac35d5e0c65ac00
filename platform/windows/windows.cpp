// Window creation, disposal, settings, named properties and geometry.
#include <algorithm>
#include <cstring>

#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/windows/compositor.h"
#include "platform/windows/screens.h"
#include "platform/windows/windowimpl.h"

namespace kv {

WindowState& ws() { return state<WindowState>(); }
WindowData* wd(WindowRef window) { return hasstate<WindowState>() ? ws().windows.get(window) : nullptr; }

int windowlayer(WindowClass c) {
  switch (c) {
    case kToolbarWindowClass: return 1;
    case kFloatingWindowClass: return 2;
    case kUtilityWindowClass: return 3;
    case kAlertWindowClass:
    case kMovableAlertWindowClass:
    case kModalWindowClass:
    case kMovableModalWindowClass: return 4;
    case kHelpWindowClass:
    case kOverlayWindowClass: return 5;
    default: return 0;
  }
}

bool isfloatingclass(WindowClass c) {
  return c == kFloatingWindowClass || c == kUtilityWindowClass || c == kToolbarWindowClass || c == kHelpWindowClass ||
         c == kOverlayWindowClass;
}

namespace {

bool validclass(WindowClass c) { return c >= kAlertWindowClass && c <= kAltPlainWindowClass && c != 7 && c != 9; }

i16 extent(i16 from, i16 to) { return i16(std::max(0, to - from)); }

// Adds a new window record in front of its layer, with its port.
OSStatus addwindow(std::unique_ptr<WindowData> data, WindowRef* out) {
  if (!out) return paramErr;
  *out = nilid;
  installwindowservices();
  WindowState& s = ws();
  int layer = windowlayer(data->wclass);
  const Rect c = data->content;
  GDHandle screen = GetMainDevice();
  CGrafPtr port = nilid;
  OSErr err = newwindowport(extent(c.left, c.right), extent(c.top, c.bottom), devicedepth(screen), devicetable(screen),
                            &port);
  if (err != noErr) return err;
  setportglobalorigin(port, Point{c.top, c.left});
  data->port = port;
  WindowRef id = s.windows.add(std::move(data));
  if (id == nilid) {
    DisposePort(port);
    return memFullErr;
  }
  auto at = std::find_if(s.order.begin(), s.order.end(), [layer](WindowRef w) {
    const WindowData* other = wd(w);
    return other != nullptr && windowlayer(other->wclass) <= layer;
  });
  s.order.insert(at, id);
  *out = id;
  return noErr;
}

std::unique_ptr<WindowData> newrecord(WindowClass c, WindowAttributes a, const Rect* content) {
  auto w = std::make_unique<WindowData>();
  w->wclass = c;
  w->attributes = a;
  w->content = *content;
  return w;
}

}  // namespace

OSStatus CreateNewWindow(WindowClass c, WindowAttributes a, const Rect* content, WindowRef* out) {
  if (!content || !validclass(c)) return paramErr;
  auto w = newrecord(c, a, content);
  w->procid = classdefinition(c, a);
  return addwindow(std::move(w), out);
}

OSStatus CreateWindowWithDefinition(i16 procID, WindowClass c, WindowAttributes a, const Rect* content,
                                    WindowRef* out) {
  if (!content || !validclass(c) || procID < 0) return paramErr;
  auto w = newrecord(c, a | definitionattributes(procID), content);
  w->procid = procID;
  return addwindow(std::move(w), out);
}

OSStatus CreateCustomWindow(WindowDefProc defProc, i16 variation, WindowClass c, WindowAttributes a,
                            const Rect* content, WindowRef* out) {
  if (!content || !defProc || !validclass(c)) return paramErr;
  auto w = newrecord(c, a, content);
  w->procid = -1;
  w->defproc = defProc;
  w->variation = variation;
  OSStatus r = addwindow(std::move(w), out);
  if (r == noErr) defProc(variation, *out, kWindowMsgInitialize, 0);
  return r;
}

OSStatus ReshapeCustomWindow(WindowRef window) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!w->defproc) return noErr;
  w->defproc(w->variation, window, kWindowMsgCalculateShape, 0);
  w->framedirty = true;
  return noErr;
}

WindowRef NewCWindow(void*, const Rect* bounds, const u8* title, bool visible, i16 procID, WindowRef behind,
                     bool goAwayFlag, i32 refCon) {
  WindowRef w = nilid;
  WindowAttributes a = goAwayFlag ? WindowAttributes(kWindowCloseBoxAttribute) : 0;
  if (CreateWindowWithDefinition(procID, kDocumentWindowClass, a, bounds, &w) != noErr) return nilid;
  if (title) SetWTitle(w, title);
  SetWRefCon(w, refCon);
  if (behind != kFirstWindowOfClass) SendBehind(w, behind);
  if (visible) ShowWindow(w);
  return w;
}

void DisposeWindow(WindowRef window) {
  WindowData* w = wd(window);
  if (!w) return;
  if (w->defproc) w->defproc(w->variation, window, kWindowMsgCleanUp, 0);
  WindowState& s = ws();
  if (s.disposalhook) s.disposalhook(window);
  std::erase(s.order, window);
  removewindowhandlers(window);
  forgetwindowevents(window);
  std::unique_ptr<WindowData> gone = s.windows.remove(window);
  // The definition's clean-up or the disposal hook may have disposed of the window already.
  if (!gone) return;
  if (gone->update) DisposeRgn(gone->update);
  if (gone->updating) DisposeRgn(gone->updating);
  if (gone->savedvis) DisposeRgn(gone->savedvis);
  DisposePort(gone->port);
  if (s.active == window) s.active = nilid;
  updateactivewindow();
  screenchanged();
}

void setwindowdisposalhook(void (*hook)(WindowRef window)) { ws().disposalhook = hook; }

bool IsValidWindowPtr(WindowRef window) { return wd(window) != nullptr; }

std::size_t windowcount() { return hasstate<WindowState>() ? ws().windows.count() : 0; }

// --- Settings --------------------------------------------------------------------------

i16 GetWindowKind(WindowRef window) {
  WindowData* w = wd(window);
  return w ? w->kind : 0;
}

void SetWindowKind(WindowRef window, i16 kind) {
  if (WindowData* w = wd(window)) w->kind = kind;
}

OSStatus GetWindowClass(WindowRef window, WindowClass* out) {
  WindowData* w = wd(window);
  if (!w || !out) return errInvalidWindowRef;
  *out = w->wclass;
  return noErr;
}

OSStatus SetWindowClass(WindowRef window, WindowClass c) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!validclass(c)) return paramErr;
  if (w->wclass == c) return noErr;
  w->wclass = c;
  w->framedirty = true;
  BringToFront(window);
  return noErr;
}

OSStatus GetWindowAttributes(WindowRef window, WindowAttributes* out) {
  WindowData* w = wd(window);
  if (!w || !out) return errInvalidWindowRef;
  *out = w->attributes;
  return noErr;
}

OSStatus ChangeWindowAttributes(WindowRef window, WindowAttributes setThese, WindowAttributes clearThese) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (setThese & clearThese) return paramErr;
  w->attributes = (w->attributes | setThese) & ~clearThese;
  w->framedirty = true;
  return noErr;
}

i16 windowdefinitionid(WindowRef window) {
  WindowData* w = wd(window);
  return w ? w->procid : -1;
}

i16 GetWVariant(WindowRef window) {
  WindowData* w = wd(window);
  if (!w) return 0;
  return w->defproc ? w->variation : i16(w->procid & 15);
}

i32 GetWRefCon(WindowRef window) {
  WindowData* w = wd(window);
  return w ? w->refcon : 0;
}

void SetWRefCon(WindowRef window, i32 refCon) {
  if (WindowData* w = wd(window)) w->refcon = refCon;
}

void SetWTitle(WindowRef window, const u8* title) {
  WindowData* w = wd(window);
  if (!w) return;
  w->title = title ? std::string(reinterpret_cast<const char*>(title + 1), title[0]) : std::string();
  w->framedirty = true;
}

void GetWTitle(WindowRef window, u8* title) {
  if (!title) return;
  WindowData* w = wd(window);
  std::size_t n = w ? std::min<std::size_t>(w->title.size(), 255) : 0;
  title[0] = u8(n);
  if (n) std::memcpy(title + 1, w->title.data(), n);
}

OSStatus SetWindowAlpha(WindowRef window, float alpha) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  w->alpha = std::clamp(alpha, 0.0f, 1.0f);
  w->framedirty = true;
  return noErr;
}

OSStatus GetWindowAlpha(WindowRef window, float* alpha) {
  WindowData* w = wd(window);
  if (!w || !alpha) return errInvalidWindowRef;
  *alpha = w->alpha;
  return noErr;
}

OSStatus SetWindowModality(WindowRef window, u32 modality, WindowRef parent) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (modality > kWindowModalityWindowModal) return paramErr;
  w->modality = modality;
  w->modalparent = modality == kWindowModalityWindowModal ? parent : nilid;
  return noErr;
}

OSStatus GetWindowModality(WindowRef window, u32* modality, WindowRef* parent) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (modality) *modality = w->modality;
  if (parent) *parent = w->modalparent;
  return noErr;
}

OSStatus SetThemeWindowBackground(WindowRef window, i16 brush, bool update) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  w->themebrush = brush;
  if (update) invalglobalrect(*w, w->content);
  return noErr;
}

i16 windowthemebrush(WindowRef window) {
  WindowData* w = wd(window);
  return w ? w->themebrush : 0;
}

// --- Properties ------------------------------------------------------------------------

namespace {
WindowProperty* findproperty(WindowData& w, u32 creator, u32 tag) {
  for (WindowProperty& p : w.properties)
    if (p.creator == creator && p.tag == tag) return &p;
  return nullptr;
}
}  // namespace

OSStatus SetWindowProperty(WindowRef window, u32 creator, u32 tag, u32 size, const void* data) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (size > 0 && !data) return paramErr;
  const u8* b = static_cast<const u8*>(data);
  std::vector<u8> bytes(b, b + size);
  if (WindowProperty* p = findproperty(*w, creator, tag)) p->data = std::move(bytes);
  else w->properties.push_back({creator, tag, std::move(bytes)});
  return noErr;
}

OSStatus GetWindowProperty(WindowRef window, u32 creator, u32 tag, u32 bufferSize, u32* actualSize, void* buffer) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  WindowProperty* p = findproperty(*w, creator, tag);
  if (!p) return errWindowPropertyNotFound;
  u32 n = std::min<u32>(bufferSize, u32(p->data.size()));
  if (buffer && n) std::memcpy(buffer, p->data.data(), n);
  if (actualSize) *actualSize = u32(p->data.size());
  return noErr;
}

OSStatus GetWindowPropertySize(WindowRef window, u32 creator, u32 tag, u32* size) {
  return GetWindowProperty(window, creator, tag, 0, size, nullptr);
}

OSStatus RemoveWindowProperty(WindowRef window, u32 creator, u32 tag) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  auto n = std::erase_if(w->properties, [&](const WindowProperty& p) { return p.creator == creator && p.tag == tag; });
  return n ? OSStatus(noErr) : errWindowPropertyNotFound;
}

CGrafPtr GetWindowPort(WindowRef window) {
  WindowData* w = wd(window);
  return w ? w->port : nilid;
}

void SetPortWindowPort(WindowRef window) {
  if (WindowData* w = wd(window)) SetPort(w->port);
}

WindowRef GetWindowFromPort(CGrafPtr port) {
  if (port == nilid || !hasstate<WindowState>()) return nilid;
  WindowRef found = nilid;
  ws().windows.each([&](RegistryId id, const WindowData& w) {
    if (w.port == port) found = id;
  });
  return found;
}

// --- Geometry --------------------------------------------------------------------------

OSStatus GetWindowBounds(WindowRef window, u16 code, Rect* bounds) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!bounds) return paramErr;
  switch (code) {
    case kWindowStructureRgn: *bounds = structurerect(window, *w); return noErr;
    case kWindowContentRgn:
    case kWindowGlobalPortRgn: *bounds = w->content; return noErr;
    case kWindowUpdateRgn: *bounds = w->update ? regionbounds(w->update) : Rect{0, 0, 0, 0}; return noErr;
    default:
      if (code > kWindowTitleProxyIconRgn) return errWindowRegionCodeInvalid;
      *bounds = partrect(window, *w, code);
      return noErr;
  }
}

OSStatus SetWindowBounds(WindowRef window, u16 code, const Rect* bounds) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!bounds || emptyrect(*bounds)) return paramErr;
  Rect c = *bounds;
  if (code == kWindowStructureRgn) {
    Rect s = structurerect(window, *w);
    c.top = i16(c.top + (w->content.top - s.top));
    c.left = i16(c.left + (w->content.left - s.left));
    c.bottom = i16(c.bottom - (s.bottom - w->content.bottom));
    c.right = i16(c.right - (s.right - w->content.right));
  } else if (code != kWindowContentRgn && code != kWindowGlobalPortRgn) {
    return errWindowRegionCodeInvalid;
  }
  MoveWindow(window, c.left, c.top, false);
  SizeWindow(window, i16(c.right - c.left), i16(c.bottom - c.top), true);
  return noErr;
}

OSStatus GetWindowRegion(WindowRef window, u16 code, RgnHandle rgn) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!IsValidRgn(rgn)) return paramErr;
  if (code == kWindowUpdateRgn) {
    if (w->update) CopyRgn(w->update, rgn);
    else SetEmptyRgn(rgn);
    return noErr;
  }
  if (w->defproc && code != kWindowGlobalPortRgn) {
    if (!customregion(window, *w, code, rgn)) return errWindowRegionCodeInvalid;
    return noErr;
  }
  Rect r;
  OSStatus err = GetWindowBounds(window, code, &r);
  if (err != noErr) return err;
  RectRgn(rgn, r);
  return noErr;
}

OSStatus GetWindowStructureWidths(WindowRef window, Rect* widths) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!widths) return paramErr;
  Rect s = structurerect(window, *w);
  const Rect& c = w->content;
  *widths = Rect{i16(c.top - s.top), i16(c.left - s.left), i16(s.bottom - c.bottom), i16(s.right - c.right)};
  return noErr;
}

Rect* GetWindowPortBounds(WindowRef window, Rect* bounds) {
  WindowData* w = wd(window);
  if (!bounds) return bounds;
  *bounds = Rect{0, 0, 0, 0};
  if (w) GetPortBounds(w->port, bounds);
  return bounds;
}

void MoveWindow(WindowRef window, i16 h, i16 v, bool front) {
  WindowData* w = wd(window);
  if (!w) return;
  Rect c = w->content;
  i16 dh = i16(h - c.left), dv = i16(v - c.top);
  if (dh || dv) setcontentrect(window, *w, Rect{v, h, i16(c.bottom + dv), i16(c.right + dh)});
  if (front) SelectWindow(window);
}

void SizeWindow(WindowRef window, i16 width, i16 height, bool update) {
  WindowData* w = wd(window);
  if (!w || width < 0 || height < 0) return;
  Rect old = w->content;
  Rect c{old.top, old.left, i16(old.top + height), i16(old.left + width)};
  if (c == old) return;
  setcontentrect(window, *w, c);
  if (update) {
    // What the old content did not cover: the strip on the right and the strip below.
    if (c.right > old.right) invalglobalrect(*w, Rect{c.top, old.right, c.bottom, c.right});
    if (c.bottom > old.bottom) invalglobalrect(*w, Rect{old.bottom, c.left, c.bottom, c.right});
  }
}

namespace {

// Sizes the window's port to the content. While an update runs, the port keeps drawing only
// where the update is, within the new bounds.
void sizeport(WindowData& w) {
  RgnHandle vis = w.savedvis ? NewRgn() : nilid;
  if (vis) GetPortVisibleRegion(w.port, vis);
  // When the port cannot grow it keeps its size; the compositor shows white beyond it.
  sizewindowport(w.port, extent(w.content.left, w.content.right), extent(w.content.top, w.content.bottom));
  if (!vis) return;
  Rect bounds;
  GetPortBounds(w.port, &bounds);
  RectRgn(w.savedvis, bounds);
  SectRgn(vis, w.savedvis, vis);
  SetPortVisibleRegion(w.port, vis);
  DisposeRgn(vis);
}

}  // namespace

void setcontentrect(WindowRef, WindowData& w, const Rect& r) {
  i16 dh = i16(r.left - w.content.left), dv = i16(r.top - w.content.top);
  const bool resized = r.right - r.left != w.content.right - w.content.left ||
                       r.bottom - r.top != w.content.bottom - w.content.top;
  w.content = r;
  w.framedirty = true;
  setportglobalorigin(w.port, Point{r.top, r.left});
  if (resized) sizeport(w);
  if (w.update && (dh || dv)) OffsetRgn(w.update, dh, dv);
  if (w.update) {
    RgnHandle inside = NewRgn();
    RectRgn(inside, r);
    SectRgn(w.update, inside, w.update);
    DisposeRgn(inside);
  }
}

// --- Zoom states -----------------------------------------------------------------------

namespace {
// The standard state when none was set: the usable area of the window's screen less the frame.
Rect defaultstandardstate(WindowRef window, const WindowData& w) {
  Rect avail = availablebounds(greatestareascreen(structurerect(window, w)));
  Rect widths{0, 0, 0, 0};
  if (GetWindowStructureWidths(window, &widths) != noErr) widths = Rect{0, 0, 0, 0};
  return Rect{i16(avail.top + widths.top + 3), i16(avail.left + widths.left + 3), i16(avail.bottom - widths.bottom - 3),
              i16(avail.right - widths.right - 3)};
}
}  // namespace

OSStatus SetWindowStandardState(WindowRef window, const Rect* r) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!r) return paramErr;
  w->stdstate = *r;
  w->hasstdstate = true;
  return noErr;
}

OSStatus GetWindowStandardState(WindowRef window, Rect* r) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!r) return paramErr;
  *r = w->hasstdstate ? w->stdstate : defaultstandardstate(window, *w);
  return noErr;
}

OSStatus SetWindowUserState(WindowRef window, const Rect* r) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!r) return paramErr;
  w->userstate = *r;
  w->hasuserstate = true;
  return noErr;
}

OSStatus GetWindowUserState(WindowRef window, Rect* r) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!r) return paramErr;
  *r = w->hasuserstate ? w->userstate : w->content;
  return noErr;
}

bool IsWindowInStandardState(WindowRef window, Point* idealSize, Rect* idealStandardState) {
  WindowData* w = wd(window);
  if (!w) return false;
  Rect std = w->content;
  if (GetWindowStandardState(window, &std) != noErr) return false;
  if (idealSize) *idealSize = Point{i16(std.bottom - std.top), i16(std.right - std.left)};
  if (idealStandardState) *idealStandardState = std;
  return w->content == std;
}

void ZoomWindow(WindowRef window, i16 partCode, bool front) {
  WindowData* w = wd(window);
  if (!w || (partCode != inZoomIn && partCode != inZoomOut)) return;
  Rect target = w->content;
  if (partCode == inZoomOut) {
    if (!IsWindowInStandardState(window, nullptr, nullptr)) SetWindowUserState(window, &w->content);
    if (GetWindowStandardState(window, &target) != noErr) return;
  } else if (GetWindowUserState(window, &target) != noErr) {
    return;
  }
  MoveWindow(window, target.left, target.top, false);
  SizeWindow(window, i16(target.right - target.left), i16(target.bottom - target.top), true);
  if (front) SelectWindow(window);
}

}  // namespace kv
