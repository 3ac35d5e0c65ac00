// Pixel maps, ports, offscreen worlds and the port settings.
#include "platform/qd/ports.h"

#include <algorithm>
#include <cstddef>

#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copyimpl.h"
#include "platform/qd/pixels.h"
#include "platform/qd/qdstate.h"

namespace kv {

static_assert(offsetof(PixMap, baseAddr) == offsetof(BitMap, baseAddr));
static_assert(offsetof(PixMap, rowBytes) == offsetof(BitMap, rowBytes));
static_assert(offsetof(PixMap, bounds) == offsetof(BitMap, bounds));

namespace {

constexpr Rect wideopen{-32768, -32768, 32767, 32767};

bool validdepth(i16 d) { return d == 1 || d == 2 || d == 4 || d == 8 || d == 16 || d == 32; }

void writepixmap(PixMapHandle h, const PixMap& pm) {
  if (IsValidHandle(h) && GetHandleSize(h) >= Size(sizeof pm)) std::memcpy(deref(h), &pm, sizeof pm);
}

// Releases what an offscreen world made for itself (pixels, pixel map, table, device).
void releaseworld(Port& p) {
  if (p.ownpixmap) DisposeHandle(p.pixmap);
  p.pixmap = 0;
  p.ownpixmap = false;
  DisposeHandle(p.ownedtable);
  p.ownedtable = 0;
  if (p.pixels) DisposePtr(p.pixels);
  p.pixels = nullptr;
  if (p.owndevice) DisposeGDevice(p.device);
  p.device = 0;
  p.owndevice = false;
}

// The parts of a new offscreen world, made before anything of the old one is touched.
struct WorldParts {
  Ptr pixels = nullptr;
  PixMapHandle pixmap = 0;
  CTabHandle table = 0;
  GDHandle device = 0;
  bool owndevice = false;
  void release() {
    if (pixels) DisposePtr(pixels);
    DisposeHandle(pixmap);
    DisposeHandle(table);
    if (owndevice) DisposeGDevice(device);
    *this = {};
  }
};

// The pixels, table and pixel map of a world or a window port. An empty size gets no pixels.
OSErr makepixelparts(i16 depth, const Rect& bounds, CTabHandle table, WorldParts* out) {
  WorldParts w;
  const i32 width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  u16 rb = pixmaprowbytes(width, depth);
  if (rb > rowbytesmask) return newRowBytesTooBigErr;
  if (width > 0 && height > 0) {
    w.pixels = NewPtrClear(Size(rb) * height);
    if (!w.pixels) return OSErr(memFullErr);
  }
  if (depth <= 8) {
    w.table = table;
    if (w.table && HandToHand(&w.table) != noErr) w.table = 0;
    if (!w.table) w.table = GetCTable(depth);
    if (!w.table) {
      w.release();
      return memFullErr;
    }
  }
  PixMap pm = pixmapfor(depth, bounds, w.pixels, w.table);
  if (PtrToHand(&pm, &w.pixmap, Size(sizeof pm)) != noErr) {
    w.release();
    return memFullErr;
  }
  *out = w;
  return noErr;
}

OSErr makeworldparts(i16 depth, const Rect& bounds, CTabHandle table, GDHandle device, GWorldFlags flags,
                     WorldParts* out) {
  if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) return paramErr;
  const std::vector<i16>& refused = qd().refuseddepths;
  if (std::find(refused.begin(), refused.end(), depth) != refused.end()) return cNoMemErr;
  WorldParts w;
  OSErr err = makepixelparts(depth, bounds, table, &w);
  if (err != noErr) return err;
  if ((flags & noNewDevice) && IsValidHandle(device)) {
    w.device = device;
  } else {
    w.device = NewGDevicefor(depth, bounds, w.table);
    w.owndevice = true;
    if (!w.device) {
      w.release();
      return memFullErr;
    }
  }
  *out = w;
  return noErr;
}

void adoptparts(Port& p, const WorldParts& w, const Rect& bounds, bool world) {
  p.isgworld = world;
  p.pixels = w.pixels;
  p.pixmap = w.pixmap;
  p.ownpixmap = true;
  p.ownedtable = w.table;
  p.device = w.device;
  p.owndevice = w.owndevice;
  p.portRect = bounds;
  p.visRgn.setrect(bounds);
}

// Paints fresh window pixels white.
void whiten(const WorldParts& w) {
  Surface s = surfacefrompixmap(w.pixmap);
  if (!s.valid()) return;
  fillpattern(s, RegionData(Rect{0, 0, i16(s.height()), i16(s.width())}), qdwhite, patCopy, DrawColors{});
}

}  // namespace

Port::Port() {
  bkPat = qdwhite;
  pnPat = qdblack;
  fillPat = qdblack;
  clipRgn.setrect(wideopen);
}

Port::~Port() { releaseworld(*this); }

QDState::QDState() = default;

QDState::~QDState() {
  // Ports first: their worlds release devices and tables while the rest is still here.
  std::vector<CGrafPtr> ids;
  ports.each([&](RegistryId id, Port&) { ids.push_back(id); });
  for (CGrafPtr id : ids) ports.remove(id);
  const std::vector<GDHandle> screens = screendevices;
  screendevices.clear();
  for (GDHandle d : screens) DisposeGDevice(d);
}

Port* portof(CGrafPtr port) { return qd().ports.get(port); }
Port* currentport() { return qd().ports.get(qd().current); }

// --- Pixel maps ------------------------------------------------------------------------------

u16 pixmaprowbytes(i32 width, i16 depth) {
  if (width < 0) width = 0;
  i64 rb;
  switch (depth) {
    case 8: rb = (i64(width) + 3) / 4 * 4; break;
    case 16: rb = i64(width) * 2; break;
    case 32: rb = i64(width) * 4; break;
    case 2: rb = (i64(width) * 2 + 15) / 16 * 2; break;
    case 4: rb = (i64(width) * 4 + 15) / 16 * 2; break;
    default: rb = (i64(width) + 15) / 16 * 2; break;
  }
  return rb > 0xFFFF ? u16(0xFFFF) : u16(rb);
}

PixMap pixmaprecord(PixMapHandle pm) {
  PixMap p{};
  if (IsValidHandle(pm) && GetHandleSize(pm) >= Size(sizeof p)) std::memcpy(&p, deref(pm), sizeof p);
  return p;
}

PixMapHandle NewPixMap() {
  PixMap pm = pixmapfor(devicedepth(GetMainDevice()), Rect{0, 0, 0, 0}, nullptr, 0);
  PixMapHandle h = 0;
  if (PtrToHand(&pm, &h, Size(sizeof pm)) != noErr) return 0;
  return h;
}

void DisposePixMap(PixMapHandle pm) {
  if (!IsValidHandle(pm)) return;
  DisposeHandle(pixmaprecord(pm).pmTable);
  DisposeHandle(pm);
}

void CopyPixMap(PixMapHandle src, PixMapHandle dst) {
  if (!IsValidHandle(src) || !IsValidHandle(dst)) return;
  PixMap s = pixmaprecord(src);
  PixMap d = pixmaprecord(dst);
  CTabHandle t = s.pmTable;
  if (t && HandToHand(&t) != noErr) t = 0;
  DisposeHandle(d.pmTable);
  s.pmTable = t;
  writepixmap(dst, s);
}

bool LockPixels(PixMapHandle pm) { return IsValidHandle(pm); }
void UnlockPixels(PixMapHandle) {}
Ptr GetPixBaseAddr(PixMapHandle pm) { return pixmaprecord(pm).baseAddr; }
i32 GetPixRowBytes(PixMapHandle pm) { return pixmaprecord(pm).rowBytes & rowbytesmask; }
i16 GetPixDepth(PixMapHandle pm) { return pixmaprecord(pm).pixelSize; }
Rect* GetPixBounds(PixMapHandle pm, Rect* bounds) {
  if (bounds) *bounds = pixmaprecord(pm).bounds;
  return bounds;
}
GWorldFlags GetPixelsState(PixMapHandle) { return pixelsLocked; }
void SetPixelsState(PixMapHandle, GWorldFlags) {}
void AllowPurgePixels(PixMapHandle) {}
void NoPurgePixels(PixMapHandle) {}

// --- Offscreen worlds ------------------------------------------------------------------------

OSErr NewGWorld(GWorldPtr* world, i16 depth, const Rect* bounds, CTabHandle table, GDHandle device, GWorldFlags flags) {
  if (!world || !bounds) return paramErr;
  *world = 0;
  if (depth == 0) depth = devicedepth(GetMainDevice());
  if (!validdepth(depth)) return paramErr;
  WorldParts w;
  OSErr err = makeworldparts(depth, *bounds, table, device, flags, &w);
  if (err != noErr) return err;
  auto p = std::make_unique<Port>();
  adoptparts(*p, w, *bounds, true);
  CGrafPtr id = qd().ports.add(std::move(p));
  if (!id) return memFullErr;  // the registry released the parts with the port
  *world = id;
  return noErr;
}

GWorldFlags UpdateGWorld(GWorldPtr* world, i16 depth, const Rect* bounds, CTabHandle table, GDHandle device,
                         GWorldFlags flags) {
  Port* p = world ? portof(*world) : nullptr;
  if (!p || !p->isgworld || !bounds) return gwFlagErr;
  PixMap old = pixmaprecord(p->pixmap);
  if (depth == 0) depth = old.pixelSize;
  if (!validdepth(depth)) return gwFlagErr;
  // Offset the new bounds like the old ones were by SetOrigin; the world is made at the
  // given bounds and keeps the port's settings.
  WorldParts w;
  if (makeworldparts(depth, *bounds, table ? table : old.pmTable, device, flags, &w) != noErr) return gwFlagErr;
  if (flags & (clipPix | stretchPix)) {
    PixMap fresh = pixmaprecord(w.pixmap);
    Rect src = old.bounds;
    Rect dst = fresh.bounds;
    if (!(flags & stretchPix)) {
      // Keep the pixels where they were, cut to what still fits.
      i16 wdt = i16(std::min(src.right - src.left, dst.right - dst.left));
      i16 hgt = i16(std::min(src.bottom - src.top, dst.bottom - dst.top));
      src.right = i16(src.left + wdt);
      src.bottom = i16(src.top + hgt);
      dst.right = i16(dst.left + wdt);
      dst.bottom = i16(dst.top + hgt);
    }
    copybitsraw(reinterpret_cast<const BitMap*>(&old), reinterpret_cast<const BitMap*>(&fresh), src, dst, srcCopy,
                nullptr, DrawColors{});
  }
  bool devicewascurrent = qd().currentdevice == p->device;
  releaseworld(*p);
  adoptparts(*p, w, *bounds, true);
  if (devicewascurrent) qd().currentdevice = p->device;
  return 0;
}

void refuseworlddepth(i16 depth, bool refuse) {
  std::vector<i16>& refused = qd().refuseddepths;
  std::erase(refused, depth);
  if (refuse) refused.push_back(depth);
}

void DisposeGWorld(GWorldPtr world) {
  Port* p = portof(world);
  if (!p) return;
  QDState& s = qd();
  if (s.currentdevice == p->device && p->owndevice) s.currentdevice = 0;
  if (s.current == world) s.current = 0;
  s.ports.remove(world);
}

void GetGWorld(CGrafPtr* port, GDHandle* device) {
  if (port) *port = qd().current;
  if (device) *device = GetGDevice();
}

void SetGWorld(CGrafPtr port, GDHandle device) {
  QDState& s = qd();
  Port* p = portof(port);
  if (!p) return;
  s.current = port;
  if (p->isgworld && p->device) {
    s.currentdevice = p->device;
  } else if (IsValidHandle(device)) {
    s.currentdevice = device;
  }
}

GDHandle GetGWorldDevice(GWorldPtr world) {
  Port* p = portof(world);
  return p && p->device ? p->device : GetMainDevice();
}

PixMapHandle GetGWorldPixMap(GWorldPtr world) { return GetPortPixMap(world); }

// --- Ports -----------------------------------------------------------------------------------

CGrafPtr CreateNewPort() {
  auto p = std::make_unique<Port>();
  PixMap pm = pixmapfor(devicedepth(GetMainDevice()), Rect{0, 0, 0, 0}, nullptr, 0);
  if (PtrToHand(&pm, &p->pixmap, Size(sizeof pm)) != noErr) return 0;
  p->ownpixmap = true;
  return qd().ports.add(std::move(p));
}

void DisposePort(CGrafPtr port) {
  Port* p = portof(port);
  if (!p) return;
  if (p->isgworld) return DisposeGWorld(port);
  QDState& s = qd();
  if (s.current == port) s.current = 0;
  s.ports.remove(port);
}

bool IsValidPort(CGrafPtr port) { return portof(port) != nullptr; }

void GetPort(GrafPtr* port) {
  if (port) *port = qd().current;
}

void SetPort(GrafPtr port) {
  if (portof(port)) qd().current = port;
}

CGrafPtr currentportid() { return qd().current; }

void SetPortPix(PixMapHandle pm) {
  Port* p = currentport();
  if (!p || !IsValidHandle(pm)) return;
  if (p->ownpixmap && p->pixmap != pm) DisposeHandle(p->pixmap);
  p->pixmap = pm;
  p->ownpixmap = false;
}

void SetPortBits(const BitMap* bits) {
  Port* p = currentport();
  if (!p || !bits) return;
  PixMap pm{};
  if (bits->rowBytes & pixmapflag) {
    std::memcpy(&pm, bits, sizeof pm);
  } else {
    pm = pixmapfor(1, bits->bounds, bits->baseAddr, 0);
    pm.rowBytes = u16((bits->rowBytes & rowbytesmask) | pixmapflag);
  }
  if (p->ownpixmap && IsValidHandle(p->pixmap)) {
    writepixmap(p->pixmap, pm);
  } else {
    PixMapHandle h = 0;
    if (PtrToHand(&pm, &h, Size(sizeof pm)) != noErr) return;
    p->pixmap = h;
    p->ownpixmap = true;
  }
}

PixMapHandle GetPortPixMap(CGrafPtr port) {
  Port* p = portof(port);
  return p ? p->pixmap : 0;
}

const BitMap* GetPortBitMapForCopyBits(CGrafPtr port) {
  Port* p = portof(port);
  if (!p || !IsValidHandle(p->pixmap)) return nullptr;
  return reinterpret_cast<const BitMap*>(deref(p->pixmap));
}

i16 portdepth(CGrafPtr port) { return pixmaprecord(GetPortPixMap(port)).pixelSize; }

Rect* GetPortBounds(CGrafPtr port, Rect* r) {
  Port* p = portof(port);
  if (r) *r = p ? p->portRect : Rect{0, 0, 0, 0};
  return r;
}

void SetPortBounds(CGrafPtr port, const Rect* r) {
  Port* p = portof(port);
  if (p && r) p->portRect = *r;
}

RgnHandle GetPortVisibleRegion(CGrafPtr port, RgnHandle rgn) {
  Port* p = portof(port);
  RegionData* r = regiondata(rgn);
  if (p && r) *r = p->visRgn;
  return rgn;
}

void SetPortVisibleRegion(CGrafPtr port, RgnHandle rgn) {
  Port* p = portof(port);
  RegionData* r = regiondata(rgn);
  if (p && r) p->visRgn = *r;
}

RgnHandle GetPortClipRegion(CGrafPtr port, RgnHandle rgn) {
  Port* p = portof(port);
  RegionData* r = regiondata(rgn);
  if (p && r) *r = p->clipRgn;
  return rgn;
}

void SetPortClipRegion(CGrafPtr port, RgnHandle rgn) {
  Port* p = portof(port);
  RegionData* r = regiondata(rgn);
  if (p && r) p->clipRgn = *r;
}

void setportglobalorigin(CGrafPtr port, Point pixelzero) {
  if (Port* p = portof(port)) p->globalorigin = pixelzero;
}

// --- Window ports ----------------------------------------------------------------------------

OSErr newwindowport(i16 width, i16 height, i16 depth, CTabHandle table, CGrafPtr* port) {
  if (!port) return paramErr;
  *port = 0;
  if (!validdepth(depth) || width < 0 || height < 0) return paramErr;
  const Rect bounds{0, 0, height, width};
  WorldParts w;
  OSErr err = makepixelparts(depth, bounds, table, &w);
  if (err != noErr) return err;
  whiten(w);
  auto p = std::make_unique<Port>();
  adoptparts(*p, w, bounds, false);
  *port = qd().ports.add(std::move(p));
  return *port ? OSErr(noErr) : OSErr(memFullErr);  // the registry released the parts with the port
}

OSErr sizewindowport(CGrafPtr port, i16 width, i16 height) {
  Port* p = portof(port);
  if (!p || p->isgworld || !p->ownpixmap || width < 0 || height < 0) return paramErr;
  const PixMap old = pixmaprecord(p->pixmap);
  const Rect bounds{old.bounds.top, old.bounds.left, i16(old.bounds.top + height), i16(old.bounds.left + width)};
  if (bounds == old.bounds) return noErr;
  WorldParts w;
  OSErr err = makepixelparts(old.pixelSize, bounds, p->ownedtable ? p->ownedtable : old.pmTable, &w);
  if (err != noErr) return err;
  whiten(w);
  const Rect kept{old.bounds.top, old.bounds.left, std::min(old.bounds.bottom, bounds.bottom),
                  std::min(old.bounds.right, bounds.right)};
  if (old.baseAddr && w.pixels) {
    const PixMap fresh = pixmaprecord(w.pixmap);
    copybitsraw(reinterpret_cast<const BitMap*>(&old), reinterpret_cast<const BitMap*>(&fresh), kept, kept, srcCopy,
                nullptr, DrawColors{});
  }
  releaseworld(*p);
  adoptparts(*p, w, bounds, false);
  return noErr;
}

u64 drawingcount() { return qd().drawcount; }

namespace {
constexpr std::size_t kKeptAreas = 256;
}  // namespace

void notedrawn(const void* base, const Rect& pixels) {
  QDState& q = qd();
  if (q.drawnoverflow) return;
  // Drawing often goes over the same place again (a tracked button, a blinking caret).
  for (DrawnArea& a : q.drawnareas)
    if (a.base == base && a.pixels == pixels) return;
  if (q.drawnareas.size() >= kKeptAreas) {
    q.drawnoverflow = true;
    q.drawnareas.clear();
    return;
  }
  q.drawnareas.push_back(DrawnArea{base, pixels});
}

std::vector<DrawnArea> takedrawnareas(bool* all) {
  QDState& q = qd();
  *all = q.drawnoverflow;
  q.drawnoverflow = false;
  std::vector<DrawnArea> out;
  out.swap(q.drawnareas);
  return out;
}

SavePort::SavePort() : port_(qd().current), device_(qd().currentdevice), deviceserial_(HandleSerial(device_)) {}

SavePort::~SavePort() {
  QDState& s = qd();
  s.current = portof(port_) ? port_ : 0;
  s.currentdevice = deviceserial_ != 0 && HandleSerial(device_) == deviceserial_ ? device_ : 0;
}

void SetOrigin(i16 h, i16 v) {
  Port* p = currentport();
  if (!p) return;
  const i32 dh = h - p->portRect.left, dv = v - p->portRect.top;
  if (dh == 0 && dv == 0) return;
  p->portRect = Rect{v, h, i16(p->portRect.bottom + dv), i16(p->portRect.right + dh)};
  PixMap pm = pixmaprecord(p->pixmap);
  pm.bounds = Rect{i16(pm.bounds.top + dv), i16(pm.bounds.left + dh), i16(pm.bounds.bottom + dv),
                   i16(pm.bounds.right + dh)};
  writepixmap(p->pixmap, pm);
  p->visRgn.offset(dh, dv);
}

void ClipRect(const Rect* r) {
  Port* p = currentport();
  if (p && r) p->clipRgn.setrect(*r);
}

void SetClip(RgnHandle rgn) { SetPortClipRegion(qd().current, rgn); }
void GetClip(RgnHandle rgn) { GetPortClipRegion(qd().current, rgn); }

void LocalToGlobal(Point* pt) {
  Port* p = currentport();
  if (!p || !pt) return;
  Rect b = pixmaprecord(p->pixmap).bounds;
  pt->h = i16(pt->h - b.left + p->globalorigin.h);
  pt->v = i16(pt->v - b.top + p->globalorigin.v);
}

void GlobalToLocal(Point* pt) {
  Port* p = currentport();
  if (!p || !pt) return;
  Rect b = pixmaprecord(p->pixmap).bounds;
  pt->h = i16(pt->h + b.left - p->globalorigin.h);
  pt->v = i16(pt->v + b.top - p->globalorigin.v);
}

// --- Pen -------------------------------------------------------------------------------------

void GetPen(Point* pt) {
  Port* p = currentport();
  if (pt) *pt = p ? p->pnLoc : Point{0, 0};
}

void GetPenState(PenState* ps) {
  Port* p = currentport();
  if (!p || !ps) return;
  *ps = PenState{p->pnLoc, p->pnSize, p->pnMode, p->pnPat};
}

void SetPenState(const PenState* ps) {
  Port* p = currentport();
  if (!p || !ps) return;
  p->pnLoc = ps->pnLoc;
  p->pnSize = ps->pnSize;
  p->pnMode = ps->pnMode;
  p->pnPat = ps->pnPat;
}

void PenSize(i16 width, i16 height) {
  if (Port* p = currentport()) p->pnSize = Point{height, width};
}
void PenMode(i16 mode) {
  if (Port* p = currentport()) p->pnMode = mode;
}
void PenPat(const Pattern* pat) {
  Port* p = currentport();
  if (p && pat) p->pnPat = *pat;
}
void BackPat(const Pattern* pat) {
  Port* p = currentport();
  if (p && pat) p->bkPat = *pat;
}
void PenNormal() {
  Port* p = currentport();
  if (!p) return;
  p->pnSize = Point{1, 1};
  p->pnMode = patCopy;
  p->pnPat = qdblack;
}
void HidePen() {
  if (Port* p = currentport()) --p->pnVis;
}
void ShowPen() {
  if (Port* p = currentport()) ++p->pnVis;
}
i16 GetPortPenVisibility(CGrafPtr port) {
  Port* p = portof(port);
  return p ? p->pnVis : 0;
}
Point* GetPortPenSize(CGrafPtr port, Point* size) {
  Port* p = portof(port);
  if (size) *size = p ? p->pnSize : Point{0, 0};
  return size;
}
i16 GetPortPenMode(CGrafPtr port) {
  Port* p = portof(port);
  return p ? p->pnMode : i16(patCopy);
}
Point* GetPortPenLocation(CGrafPtr port, Point* loc) {
  Port* p = portof(port);
  if (loc) *loc = p ? p->pnLoc : Point{0, 0};
  return loc;
}
void SetPortPenSize(CGrafPtr port, Point size) {
  if (Port* p = portof(port)) p->pnSize = size;
}
void SetPortPenMode(CGrafPtr port, i16 mode) {
  if (Port* p = portof(port)) p->pnMode = mode;
}
Pattern* GetPortBackPat(CGrafPtr port, Pattern* pat) {
  Port* p = portof(port);
  if (pat) *pat = p ? p->bkPat : qdwhite;
  return pat;
}
Pattern* GetPortPenPat(CGrafPtr port, Pattern* pat) {
  Port* p = portof(port);
  if (pat) *pat = p ? p->pnPat : qdblack;
  return pat;
}

Pattern* GetPortFillPat(CGrafPtr port, Pattern* pat) {
  Port* p = portof(port);
  if (pat) *pat = p ? p->fillPat : qdblack;
  return pat;
}

void MoveTo(i16 h, i16 v) {
  if (Port* p = currentport()) p->pnLoc = Point{v, h};
}
void Move(i16 dh, i16 dv) {
  if (Port* p = currentport()) p->pnLoc = Point{i16(p->pnLoc.v + dv), i16(p->pnLoc.h + dh)};
}

Pattern* GetQDGlobalsBlack(Pattern* p) { return &(*p = qdblack); }
Pattern* GetQDGlobalsWhite(Pattern* p) { return &(*p = qdwhite); }
Pattern* GetQDGlobalsGray(Pattern* p) { return &(*p = qdgray); }
Pattern* GetQDGlobalsLightGray(Pattern* p) { return &(*p = qdltgray); }
Pattern* GetQDGlobalsDarkGray(Pattern* p) { return &(*p = qddkgray); }

// --- Colours ---------------------------------------------------------------------------------

namespace {
RGBColor oldcolor(i32 c) {
  switch (c) {
    case whiteColor: return {0xFFFF, 0xFFFF, 0xFFFF};
    case yellowColor: return {0xFFFF, 0xFFFF, 0};
    case magentaColor: return {0xFFFF, 0, 0xFFFF};
    case redColor: return {0xFFFF, 0, 0};
    case cyanColor: return {0, 0xFFFF, 0xFFFF};
    case greenColor: return {0, 0xFFFF, 0};
    case blueColor: return {0, 0, 0xFFFF};
    default: return {0, 0, 0};
  }
}
}  // namespace

void ForeColor(i32 color) {
  Port* p = currentport();
  if (!p) return;
  p->fgColor = color;
  p->rgbFgColor = oldcolor(color);
}
void BackColor(i32 color) {
  Port* p = currentport();
  if (!p) return;
  p->bkColor = color;
  p->rgbBkColor = oldcolor(color);
}
void RGBForeColor(const RGBColor* c) {
  Port* p = currentport();
  if (p && c) p->rgbFgColor = *c;
}
void RGBBackColor(const RGBColor* c) {
  Port* p = currentport();
  if (p && c) p->rgbBkColor = *c;
}
void GetForeColor(RGBColor* c) {
  Port* p = currentport();
  if (c) *c = p ? p->rgbFgColor : RGBColor{0, 0, 0};
}
void GetBackColor(RGBColor* c) {
  Port* p = currentport();
  if (c) *c = p ? p->rgbBkColor : RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
}
void OpColor(const RGBColor* c) {
  Port* p = currentport();
  if (p && c) p->rgbOpColor = *c;
}
void GetPortOpColor(CGrafPtr port, RGBColor* c) {
  Port* p = portof(port);
  if (c) *c = p ? p->rgbOpColor : RGBColor{0, 0, 0};
}
void HiliteColor(const RGBColor* c) {
  Port* p = currentport();
  if (!p || !c) return;
  p->rgbHiliteColor = *c;
  p->hilitefromsystem = false;
}
RGBColor* GetPortHiliteColor(CGrafPtr port, RGBColor* c) {
  Port* p = portof(port);
  if (c) *c = p && !p->hilitefromsystem ? p->rgbHiliteColor : qd().systemhilite;
  return c;
}
void setsystemhilitecolor(const RGBColor& c) { qd().systemhilite = c; }
bool LMGetHiliteMode() { return qd().hilitemode; }
void LMSetHiliteMode(bool inverting) { qd().hilitemode = inverting; }

// --- Text settings ---------------------------------------------------------------------------

void TextFont(i16 font) {
  if (Port* p = currentport()) p->txFont = font;
}
void TextFace(Style face) {
  if (Port* p = currentport()) p->txFace = face;
}
void TextMode(i16 mode) {
  if (Port* p = currentport()) p->txMode = mode;
}
void TextSize(i16 size) {
  if (Port* p = currentport()) p->txSize = size;
}
void SpaceExtra(i32 extra) {
  if (Port* p = currentport()) p->spExtra = extra;
}
void CharExtra(i32 extra) {
  if (Port* p = currentport()) p->chExtra = i16(extra >> 16);
}
i16 GetPortTextFont(CGrafPtr port) {
  Port* p = portof(port);
  return p ? p->txFont : 0;
}
Style GetPortTextFace(CGrafPtr port) {
  Port* p = portof(port);
  return p ? p->txFace : 0;
}
i16 GetPortTextMode(CGrafPtr port) {
  Port* p = portof(port);
  return p ? p->txMode : i16(srcOr);
}
i16 GetPortTextSize(CGrafPtr port) {
  Port* p = portof(port);
  return p ? p->txSize : 0;
}

}  // namespace kv
