#include "platform/drag/drag.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/drag/dragstate.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pixels.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/windows/compositor.h"

namespace kv {

namespace {

DragData* dd(DragRef drag) { return dragstate().drags.get(drag); }

DragItem* itemof(DragData& d, DragItemRef item) {
  for (DragItem& i : d.items)
    if (i.ref == item) return &i;
  return nullptr;
}

DragFlavor* flavorof(DragItem& i, FlavorType type) {
  for (DragFlavor& f : i.flavors)
    if (f.type == type) return &f;
  return nullptr;
}

// Finds drag, item and flavour; the error of the first that is missing.
OSErr findflavor(DragRef drag, DragItemRef item, FlavorType type, DragFlavor** out) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  DragItem* i = itemof(*d, item);
  if (!i) return badDragItemErr;
  DragFlavor* f = flavorof(*i, type);
  if (!f) return badDragFlavorErr;
  *out = f;
  return noErr;
}

// Makes a promised flavour's data: the send procedure runs once for it; its error, if any, is
// kept and answered from then on.
OSErr fulfil(DragRef drag, DragItemRef item, FlavorType type) {
  DragFlavor* f = nullptr;
  if (OSErr err = findflavor(drag, item, type, &f); err != noErr) return err;
  if (!(f->flags & flavorDataPromised)) return f->senderror;
  f->flags &= ~flavorDataPromised;
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  OSErr err = d->send ? d->send(type, d->sendrefcon, item, drag) : OSErr(cantGetFlavorErr);
  if (findflavor(drag, item, type, &f) != noErr) return cantGetFlavorErr;  // gone meanwhile
  f->senderror = err;
  return err;
}

WindowRef windowunder(Point p) {
  WindowRef w = nilid;
  const i16 part = FindWindow(p, &w);
  if (part == inDesk || part == inMenuBar) return nilid;
  return w;
}

// The handlers that serve a window: its own, then those of every window.
template <class H>
std::vector<H> handlersfor(const std::vector<H>& all, WindowRef window) {
  std::vector<H> out;
  if (window == nilid) return out;
  for (const H& h : all)
    if (h.window == window) out.push_back(h);
  for (const H& h : all)
    if (h.window == nilid) out.push_back(h);
  return out;
}

bool samehandler(const TrackingEntry& a, const TrackingEntry& b) { return a.proc == b.proc && a.window == b.window; }

void showoverlay(const DragData& d, RgnHandle dragRgn, Point mouse) {
  DragOverlay o;
  const i16 dh = i16(mouse.h - d.origin.h), dv = i16(mouse.v - d.origin.v);
  auto moved = [&](Rect r) { return Rect{i16(r.top + dv), i16(r.left + dh), i16(r.bottom + dv), i16(r.right + dh)}; };
  if (d.hasimage) {
    o.image = d.image;
    o.imageat = Point{i16(d.imageat.v + dv), i16(d.imageat.h + dh)};
    for (const Rect& r : d.mask) o.mask.push_back(moved(r));
    o.opacity = dragimageopacity(d.translucency);
  } else if (IsValidRgn(dragRgn)) {
    for (const Rect& r : regionrects(dragRgn)) o.outline.push_back(moved(r));
  }
  setdragoverlay(&o);
}

// Tracks one drag: the handlers entered and the window under the mouse.
class Tracker {
 public:
  explicit Tracker(DragRef drag) : drag_(drag) {}

  // The mouse is at p: leave the old window, enter the new, then tell it the drag is in it.
  void at(Point p) {
    DragData* d = dd(drag_);
    if (!d) return;
    d->mouse = p;
    const WindowRef w = windowunder(p);
    if (w != window_) {
      leavewindow();
      window_ = w;
      if (DragData* e = dd(drag_)) {
        if (w != e->senderwindow) e->attributes &= ~kDragInsideSenderWindow;
        if (w == e->senderwindow) e->attributes |= kDragInsideSenderWindow;
      }
      enterwindow();
    }
    if (DragData* e = dd(drag_); e && window_ != e->senderwindow) e->attributes |= kDragHasLeftSenderWindow;
    sendall(kDragTrackingInWindow);
  }

  // Offers the drop to the receive handlers of the window under the mouse.
  OSErr drop() {
    if (window_ == nilid) return dragNotAcceptedErr;
    for (const ReceiveEntry& h : handlersfor(dragstate().receivers, window_)) {
      if (!dd(drag_)) break;
      if (h.proc(window_, h.refcon, drag_) == noErr) return noErr;
    }
    return dragNotAcceptedErr;
  }

  void finish() {
    leavewindow();
    for (const TrackingEntry& h : entered_) h.proc(kDragTrackingLeaveHandler, nilid, h.refcon, drag_);
    entered_.clear();
  }

 private:
  void sendall(DragTrackingMessage message) {
    if (window_ == nilid) return;
    for (const TrackingEntry& h : handlersfor(dragstate().trackers, window_)) h.proc(message, window_, h.refcon, drag_);
  }
  void leavewindow() {
    sendall(kDragTrackingLeaveWindow);
    window_ = nilid;
  }
  void enterwindow() {
    const std::vector<TrackingEntry> now = handlersfor(dragstate().trackers, window_);
    auto has = [](const std::vector<TrackingEntry>& v, const TrackingEntry& h) {
      return std::any_of(v.begin(), v.end(), [&](const TrackingEntry& e) { return samehandler(e, h); });
    };
    std::vector<TrackingEntry> kept;
    for (const TrackingEntry& h : entered_) {
      if (has(now, h)) {
        kept.push_back(h);
      } else {
        h.proc(kDragTrackingLeaveHandler, nilid, h.refcon, drag_);
      }
    }
    for (const TrackingEntry& h : now)
      if (!has(kept, h)) {
        h.proc(kDragTrackingEnterHandler, window_, h.refcon, drag_);
        kept.push_back(h);
      }
    entered_ = kept;
    sendall(kDragTrackingEnterWindow);
  }

  DragRef drag_;
  WindowRef window_ = nilid;
  std::vector<TrackingEntry> entered_;
};

}  // namespace

DragState& dragstate() { return state<DragState>(); }

float dragimageopacity(u32 translucency) {
  switch (translucency) {
    case kDragDarkTranslucency: return 0.5f;
    case kDragDarkerTranslucency: return 0.75f;
    case kDragOpaqueTranslucency: return 1.0f;
    default: return 0.35f;
  }
}

OSErr NewDrag(DragRef* drag) {
  if (!drag) return paramErr;
  *drag = dragstate().drags.add(std::make_unique<DragData>());
  return *drag == nilid ? memFullErr : noErr;
}

OSErr DisposeDrag(DragRef drag) {
  if (!dd(drag)) return badDragRefErr;
  if (dragstate().tracked == drag) return badDragRefErr;  // still being tracked
  if (dragstate().hilite.drag == drag) HideDragHilite(drag);
  dragstate().drags.remove(drag);
  return noErr;
}

bool IsValidDrag(DragRef drag) { return dd(drag) != nullptr; }

OSErr AddDragItemFlavor(DragRef drag, DragItemRef item, FlavorType type, const void* data, i32 size,
                        FlavorFlags flags) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (size < 0 || (data == nullptr && size != 0)) return paramErr;
  DragItem* i = itemof(*d, item);
  if (!i) {
    d->items.push_back(DragItem{item, Rect{0, 0, 0, 0}, {}});
    i = &d->items.back();
  }
  if (flavorof(*i, type)) return duplicateFlavorErr;
  DragFlavor f;
  f.type = type;
  f.flags = flags & ~flavorDataPromised;
  if (data == nullptr) {
    f.flags |= flavorDataPromised;
  } else {
    f.data.assign(static_cast<const u8*>(data), static_cast<const u8*>(data) + size);
  }
  i->flavors.push_back(std::move(f));
  return noErr;
}

OSErr SetDragItemFlavorData(DragRef drag, DragItemRef item, FlavorType type, const void* data, i32 size, u32 offset) {
  DragFlavor* f = nullptr;
  if (OSErr err = findflavor(drag, item, type, &f); err != noErr) return err;
  if (size < 0 || (data == nullptr && size != 0) || offset > 0x7FFFFFFFu - u32(size)) return paramErr;
  if (f->data.size() < std::size_t(offset) + std::size_t(size)) f->data.resize(std::size_t(offset) + std::size_t(size));
  if (size > 0) std::memcpy(f->data.data() + offset, data, std::size_t(size));
  f->flags &= ~flavorDataPromised;
  return noErr;
}

OSErr SetDragSendProc(DragRef drag, DragSendDataProc proc, u32 refcon) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  d->send = proc;
  d->sendrefcon = refcon;
  return noErr;
}

OSErr CountDragItems(DragRef drag, u16* count) {
  DragData* d = dd(drag);
  if (!d || !count) return d ? OSErr(paramErr) : OSErr(badDragRefErr);
  *count = u16(d->items.size());
  return noErr;
}

OSErr GetDragItemReferenceNumber(DragRef drag, u16 index, DragItemRef* item) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (index < 1 || index > d->items.size() || !item) return badDragItemErr;
  *item = d->items[index - 1u].ref;
  return noErr;
}

OSErr CountDragItemFlavors(DragRef drag, DragItemRef item, u16* count) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  DragItem* i = itemof(*d, item);
  if (!i || !count) return badDragItemErr;
  *count = u16(i->flavors.size());
  return noErr;
}

OSErr GetFlavorType(DragRef drag, DragItemRef item, u16 index, FlavorType* type) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  DragItem* i = itemof(*d, item);
  if (!i) return badDragItemErr;
  if (index < 1 || index > i->flavors.size() || !type) return badDragFlavorErr;
  *type = i->flavors[index - 1u].type;
  return noErr;
}

OSErr GetFlavorFlags(DragRef drag, DragItemRef item, FlavorType type, FlavorFlags* flags) {
  DragFlavor* f = nullptr;
  if (OSErr err = findflavor(drag, item, type, &f); err != noErr) return err;
  if (flags) *flags = f->flags;
  return noErr;
}

OSErr GetFlavorDataSize(DragRef drag, DragItemRef item, FlavorType type, i32* size) {
  if (OSErr err = fulfil(drag, item, type); err != noErr) return err;
  DragFlavor* f = nullptr;
  if (OSErr err = findflavor(drag, item, type, &f); err != noErr) return err;
  if (size) *size = i32(f->data.size());
  return noErr;
}

OSErr GetFlavorData(DragRef drag, DragItemRef item, FlavorType type, void* data, i32* size, u32 offset) {
  if (!size || *size < 0 || (data == nullptr && *size != 0)) return paramErr;
  if (OSErr err = fulfil(drag, item, type); err != noErr) return err;
  DragFlavor* f = nullptr;
  if (OSErr err = findflavor(drag, item, type, &f); err != noErr) return err;
  const std::size_t from = std::min<std::size_t>(offset, f->data.size());
  const std::size_t n = std::min<std::size_t>(std::size_t(*size), f->data.size() - from);
  if (n > 0) std::memcpy(data, f->data.data() + from, n);
  *size = i32(n);
  return noErr;
}

OSErr SetDragItemBounds(DragRef drag, DragItemRef item, const Rect* bounds) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  DragItem* i = itemof(*d, item);
  if (!i || !bounds) return badDragItemErr;
  i->bounds = *bounds;
  return noErr;
}

OSErr GetDragItemBounds(DragRef drag, DragItemRef item, Rect* bounds) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  DragItem* i = itemof(*d, item);
  if (!i || !bounds) return badDragItemErr;
  *bounds = i->bounds;
  return noErr;
}

OSErr SetDragImage(DragRef drag, PixMapHandle image, RgnHandle mask, Point offset, u32 translucency) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (image == nilhandle) {
    d->hasimage = false;
    return noErr;
  }
  Rect b{0, 0, 0, 0};
  GetPixBounds(image, &b);
  const i32 w = b.right - b.left, h = b.bottom - b.top;
  if (w <= 0 || h <= 0 || !IsValidRgn(mask)) return paramErr;
  // The pixels as 32-bit xrgb, through a pixel map over our own buffer.
  Frame f;
  f.width = i16(w);
  f.height = i16(h);
  f.pixels.assign(std::size_t(w) * std::size_t(h), 0xFFFFFF);
  PixMap out = pixmapfor(32, b, reinterpret_cast<Ptr>(f.pixels.data()), 0);
  const PixMap in = pixmaprecord(image);
  CopyBits(reinterpret_cast<const BitMap*>(&in), reinterpret_cast<const BitMap*>(&out), &b, &b, srcCopy, nilid);
  d->image = std::move(f);
  d->imageat = Point{i16(b.top + offset.v), i16(b.left + offset.h)};
  d->mask.clear();
  for (Rect r : regionrects(mask))
    d->mask.push_back(
        Rect{i16(r.top + offset.v), i16(r.left + offset.h), i16(r.bottom + offset.v), i16(r.right + offset.h)});
  d->translucency = translucency;
  d->hasimage = true;
  return noErr;
}

bool draghasimage(DragRef drag) {
  const DragData* d = dd(drag);
  return d && d->hasimage;
}

OSErr GetDragAttributes(DragRef drag, DragAttributes* flags) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (flags) *flags = d->attributes;
  return noErr;
}

OSErr GetDragModifiers(DragRef drag, u16* modifiers, u16* mouseDownModifiers, u16* mouseUpModifiers) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (modifiers) *modifiers = d->released ? d->upmodifiers : modifierstate();
  if (mouseDownModifiers) *mouseDownModifiers = d->downmodifiers;
  if (mouseUpModifiers) *mouseUpModifiers = d->upmodifiers;
  return noErr;
}

OSErr GetDragMouse(DragRef drag, Point* mouse, Point* globalPinnedMouse) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (mouse) *mouse = d->mouse;
  if (globalPinnedMouse) *globalPinnedMouse = d->mouse;
  return noErr;
}

OSErr GetDragOrigin(DragRef drag, Point* origin) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (origin) *origin = d->origin;
  return noErr;
}

OSErr SetDropLocation(DragRef drag, const std::string& path) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  d->droplocation = path;
  return noErr;
}

OSErr GetDropLocation(DragRef drag, std::string* path) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (path) *path = d->droplocation;
  return noErr;
}

std::string trashfolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "") + "/.local/share";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/Trash/files";
}

bool WaitMouseMoved(Point initial) {
  LoopScope loop("WaitMouseMoved");
  while (StillDown()) {
    Point p;
    GetGlobalMouse(&p);
    if (std::abs(p.h - initial.h) >= 2 || std::abs(p.v - initial.v) >= 2) return true;
  }
  return false;
}

OSErr TrackDrag(DragRef drag, const EventRecord* event, RgnHandle dragRgn) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  if (!event) return paramErr;
  DragState& s = dragstate();
  if (s.tracked != nilid) return paramErr;  // one drag at a time
  d->origin = d->mouse = event->where;
  d->downmodifiers = event->modifiers;
  d->upmodifiers = 0;
  d->released = false;
  d->droplocation.clear();
  d->senderwindow = windowunder(event->where);
  d->attributes = kDragInsideSenderApplication |
                  (d->senderwindow ? DragAttributes(kDragInsideSenderWindow) : DragAttributes(0));
  s.tracked = drag;
  Tracker tracker(drag);
  OSErr result = dragNotAcceptedErr;
  {
    LoopScope loop("TrackDrag");
    Point last = event->where;
    showoverlay(*d, dragRgn, last);
    tracker.at(last);
    while (WaitMouseUp()) {
      Point p;
      GetGlobalMouse(&p);
      DragData* now = dd(drag);
      if (!now) break;
      if (p.h != last.h || p.v != last.v) showoverlay(*now, dragRgn, p);
      last = p;
      tracker.at(p);
    }
    if (DragData* now = dd(drag)) {
      const Point up = mouseposition();
      if (up.h != last.h || up.v != last.v) tracker.at(up);
      if ((now = dd(drag))) {
        now->released = true;
        now->upmodifiers = modifierstate();
        result = tracker.drop();
      }
    }
    tracker.finish();
  }
  setdragoverlay(nullptr);
  s.tracked = nilid;
  return result;
}

DragRef trackeddrag() { return dragstate().tracked; }

OSErr DropFromOutside(DragRef drag, Point where, u16 modifiers) {
  DragData* d = dd(drag);
  if (!d) return badDragRefErr;
  DragState& s = dragstate();
  if (s.tracked != nilid) return paramErr;
  d->origin = d->mouse = where;
  d->downmodifiers = d->upmodifiers = modifiers;
  d->released = false;
  d->droplocation.clear();
  d->senderwindow = nilid;
  d->attributes = kDragHasLeftSenderWindow;  // from no window of this program
  s.tracked = drag;
  Tracker tracker(drag);
  OSErr result = dragNotAcceptedErr;
  tracker.at(where);
  if (DragData* now = dd(drag)) {
    now->released = true;
    result = tracker.drop();
  }
  tracker.finish();
  s.tracked = nilid;
  return result;
}

namespace {
template <class H, class P>
OSErr installhandler(std::vector<H>& list, P proc, WindowRef window, u32 refcon) {
  if (!proc) return paramErr;
  for (const H& h : list)
    if (h.proc == proc && h.window == window) return duplicateHandlerErr;
  list.push_back(H{proc, window, refcon});
  return noErr;
}
template <class H, class P>
OSErr removehandler(std::vector<H>& list, P proc, WindowRef window) {
  auto it = std::find_if(list.begin(), list.end(), [&](const H& h) { return h.proc == proc && h.window == window; });
  if (it == list.end()) return handlerNotFoundErr;
  list.erase(it);
  return noErr;
}
}  // namespace

OSErr InstallTrackingHandler(DragTrackingHandler handler, WindowRef window, u32 refcon) {
  return installhandler(dragstate().trackers, handler, window, refcon);
}
OSErr RemoveTrackingHandler(DragTrackingHandler handler, WindowRef window) {
  return removehandler(dragstate().trackers, handler, window);
}
OSErr InstallReceiveHandler(DragReceiveHandler handler, WindowRef window, u32 refcon) {
  setdropreceiver(receivedropinput);
  return installhandler(dragstate().receivers, handler, window, refcon);
}
OSErr RemoveReceiveHandler(DragReceiveHandler handler, WindowRef window) {
  return removehandler(dragstate().receivers, handler, window);
}
u32 installedtrackinghandlers() { return u32(dragstate().trackers.size()); }
u32 installedreceivehandlers() { return u32(dragstate().receivers.size()); }

}  // namespace kv
