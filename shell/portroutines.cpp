#include "shell/portroutines.h"

#include <cstring>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/resources/resources.h"
#include "render/offscreen.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/windowstyle.h"
#include "shell/windtable.h"
#include "store/byteorder.h"
#include "store/records.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37;

void freshseed(Handle table) {
  if (!mainglobals().colorWorld || GetHandleSize(table) < Size(sizeof(ColorTableHeader))) return;
  ColorTableHeader h = loadat<ColorTableHeader>(deref(table));
  h.ctSeed = u32(GetCTSeed());
  storeat<ColorTableHeader>(deref(table), h);
}

}  // namespace

CGrafPtr currport() { return currentportid(); }

void openport(CGrafPtr* out) {
  *out = CreateNewPort();
  if (*out) SetPort(*out);
}

void closeport(CGrafPtr port) { DisposePort(port); }

void setstdprocs(QDProcs* procs) { SetStdCProcs(procs); }

void setstandarderaseprocs(CGrafPtr port) { SetPortGrafProcs(port, nullptr); }

void setportbits(const BitMap* bits, u16 colour) {
  CGrafPtr port = currentportid();
  if (!IsValidPort(port)) return;
  if (mainglobals().colorWorld && colour) {
    PixMap pm = pixmaprecord(GetPortPixMap(port));
    pm.baseAddr = bits->baseAddr;
    pm.rowBytes = u16((bits->rowBytes & rowbytesmask) | pixmapflag);
    pm.bounds = bits->bounds;
    SetPortBits(reinterpret_cast<const BitMap*>(&pm));
  } else {
    BitMap mono = *bits;
    mono.rowBytes = u16(mono.rowBytes & rowbytesmask);
    SetPortBits(&mono);
  }
  SetPortBounds(port, &bits->bounds);
  RgnHandle vis = NewRgn();
  RectRgn(vis, bits->bounds);
  SetPortVisibleRegion(port, vis);
  DisposeRgn(vis);
}

void getportbits(BitMap* out) {
  const BitMap* bits = GetPortBitMapForCopyBits(currentportid());
  if (!bits) {
    *out = BitMap{};
    return;
  }
  *out = *bits;
  out->rowBytes = u16(out->rowBytes & rowbytesmask);
}

void fixpixmap(u16 colour) {
  const MainGlobals& g = mainglobals();
  CGrafPtr port = currentportid();
  if (!g.colorWorld || !colour || !IsValidPort(port)) return;
  PixMap pm = pixmaprecord(GetPortPixMap(port));
  pm.pmVersion = 0;
  pm.packType = 0;
  pm.packSize = 0;
  pm.hRes = pm.vRes = fixed72dpi;
  pm.pixelType = 0;
  pm.pixelSize = 8;
  pm.cmpCount = 1;
  pm.cmpSize = 8;
  pm.pmTable = g.currentclut;
  pm.rowBytes |= pixmapflag;
  SetPortBits(reinterpret_cast<const BitMap*>(&pm));
}

void calcsizewidth(const Rect* r, u32* size, u16* rowbytes, i16 depth) {
  const i32 width = i32(r->right) - r->left, height = i32(r->bottom) - r->top;
  i32 rb = 0;
  switch (depth) {
    case 8: rb = (width + 3) / 4 * 4; break;
    case 16: rb = width * 2; break;
    case 32: rb = width * 4; break;
    default: rb = (width + 15) / 16 * 2; break;
  }
  *rowbytes = u16(rb);
  *size = u32(i64(rb) * height);
}

i16 getdepth() { return devicedepth(GetGDevice()); }

void restcolor() {
  const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&black);
  RGBBackColor(&white);
}

void copypat(const Pattern* src, Pattern* dst) { *dst = *src; }

void initpat(Pattern* out, u32 top, u32 bottom) {
  for (int i = 0; i < 4; ++i) {
    out->pat[i] = u8(top >> (24 - 8 * i));
    out->pat[4 + i] = u8(bottom >> (24 - 8 * i));
  }
}

i16 compat(const Pattern* a, const Pattern* b) { return *a == *b ? 1 : 0; }

i16 indextodevice(i16 n, GDHandle* out) {
  if (n < 1) return 0;
  GDHandle d = GetDeviceList();
  for (i16 i = 1; i < n && d; ++i) d = GetNextDevice(d);
  *out = d;
  return d ? 1 : 0;
}

i16 defclutid() {
  switch (devicedepth(GetMainDevice())) {
    case 2: return 1002;
    case 4: return 1001;
    default: return 1000;
  }
}

void modedown(WindowRef window) {
  if (mainglobals().backColor) return;
  SetPortWindowPort(window);
  SetOrigin(0, 0);
  const Rect off = GetOffScreenBounds();
  ClipRect(&off);
}

void modeup(WindowRef window) {
  const MainGlobals& g = mainglobals();
  if (g.backColor || window == nilid) return;
  desk d{};
  if (window == g.current.window) d = g.current;
  else if (!getwind(window, &d)) return;
  SetPortWindowPort(window);
  SetOrigin(i16(GetControl32BitValue(d.hscroll)), i16(GetControl32BitValue(d.vscroll)));
  Rect r{};
  GetPortBounds(currentportid(), &r);
  if (IsControlVisible(d.hscroll)) {
    r.right = i16(r.right - kScrollBarWidth);
    r.bottom = i16(r.bottom - kScrollBarWidth);
  }
  ClipRect(&r);
}

bool lowclut(RegistryId store, u32 id, Handle* out) {
  *out = nilhandle;
  u32 recordid = 0;
  if (findprojectstore(store) == nullptr || !findresourcerecord(store, fourcc("clut"), nullptr, id, &recordid))
    return false;
  Handle rec = nilhandle;
  checkerr(getvir(store, i32(recordid), &rec));
  Handle copy = resourcedata(rec);
  if (copy != nilhandle && HandToHand(&copy) != noErr) copy = nilhandle;
  checkerr(putvir(store, i32(recordid)));
  // A table whose count overruns its record counts as missing.
  if (copy == nilhandle || endianswapclut(deref(copy), GetHandleSize(copy), fromfile) != 0) {
    DisposeHandle(copy);
    return false;
  }
  freshseed(copy);
  *out = copy;
  return true;
}

i16 getclut(RegistryId store, u32 id, Handle* out) {
  const MainGlobals& g = mainglobals();
  if (lowclut(store, id, out)) return 0;
  if (g.sharedstore != nilid && g.sharedstore != store && lowclut(g.sharedstore, id, out)) return 0;
  Handle system = GetResource(fourcc("clut"), defclutid());
  Handle copy = system;
  if (system == nilhandle || HandToHand(&copy) != noErr ||
      endianswapclut(deref(copy), GetHandleSize(copy), fromfile) != 0) {
    if (copy != system) DisposeHandle(copy);
    *out = nilhandle;
    return kNoMemory;
  }
  freshseed(copy);
  *out = copy;
  return 0;
}

}  // namespace kv
