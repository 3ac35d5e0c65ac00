// The paint session: opening a bitmap graphic for painting (`putupbits`), closing it
// (`putdownbmap`), the start of every paint tool (`firstbits`), the image ports, the pen and
// fill settings, the conversions between 1-bit and 8-bit images, and the drawing frame that
// shows a tool's work in the window.
#include "tools/paintsession.h"

#include <algorithm>
#include <cstring>

#include "commands/objectids.h"
#include "engine/objectsend.h"
#include "engine/status.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/cursor.h"
#include "render/carddrawing.h"
#include "render/graphicdrawing.h"
#include "render/hittest.h"
#include "render/objectbounds.h"
#include "render/selectionknobs.h"
#include "render/themebuttons.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "shell/portroutines.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tools/handletools.h"
#include "tools/objectremoval.h"
#include "tools/paint.h"
#include "tools/shapegeometry.h"

namespace kv {

namespace {

constexpr i16 kColourWhileBlackAndWhite = 104;
constexpr i16 kDocumentBackground = 15;  // the theme brush a paint tool's work is shown over
constexpr i16 kNewBitmapSlop = 16;       // a drag shorter than this makes no bitmap
constexpr u32 kNewBitmapFlag = 1u << 27;

bool colourflag(const spot& s) { return getgraphictail(s).startangle != 0; }
void setcolourflag(spot& s, u16 colour) {
  graphictail t = getgraphictail(s);
  t.startangle = colour;
  setgraphictail(s, t);
}

u16 rowbytesof(const Rect& r, i16 depth) {
  u32 size = 0;
  u16 rowbytes = 0;
  calcsizewidth(&r, &size, &rowbytes, depth);
  return rowbytes;
}

bool white(CTabHandle table, i32 index) {
  RGBColor c{0xFFFF, 0xFFFF, 0xFFFF};
  if (index != 0) ctableentry(table, index, &c);
  return c.red == 0xFFFF && c.green == 0xFFFF && c.blue == 0xFFFF;
}

// The index of black in a table (the last entry when it has none).
u8 blackindex(CTabHandle table) {
  for (i32 i = 0; i < 256; ++i) {
    RGBColor c{1, 1, 1};
    if (ctableentry(table, i, &c) && c.red == 0 && c.green == 0 && c.blue == 0) return u8(i);
  }
  return 255;
}

bool sessionobject(const PaintSession& p) {
  return p.index >= 0 && p.list != nilhandle && IsValidHandle(p.list) && p.index < spotcount(p.list);
}

// The drawing layer's globals follow the session (card drawing and the procedures read them).
void publish(const PaintSession& p) {
  MainGlobals& g = mainglobals();
  g.bmapindex = p.index;
  g.bmapspots = p.index >= 0 ? p.list : nilhandle;
  g.bmapwindow = p.index >= 0 ? p.window : nilid;
  g.bmapclut = p.index >= 0 ? p.clut : nilhandle;
}

// Releases everything the session made (ports, worlds, working copies, its own table); the
// image belongs to the object.
void releaseparts(PaintSession& p) {
  for (Handle* h : {&p.selcopy, &p.strokecopy}) {
    if (*h != nilhandle) DisposeHandle(*h);
    *h = nilhandle;
  }
  for (CGrafPtr* port : {&p.imageport, &p.copyport, &p.scratchport}) {
    if (*port != nilid && IsValidPort(*port)) closeport(*port);
    *port = nilid;
  }
  if (p.maskworld != nilid && IsValidPort(p.maskworld)) {
    UnlockPixels(GetGWorldPixMap(p.maskworld));
    DisposeGWorld(p.maskworld);
  }
  if (p.textworld != nilid && IsValidPort(p.textworld)) DisposeGWorld(p.textworld);
  p.maskworld = p.textworld = nilid;
  if (p.text != nilid && isvalidte(p.text)) TEDispose(p.text);
  p.text = nilid;
  p.selectionactive = p.lassoactive = p.textactive = p.selectioninplace = 0;
}

void forgetsession(PaintSession& p) {
  releaseparts(p);
  if (p.ownclut != nilhandle) DisposeCTable(p.ownclut);
  p.ownclut = p.clut = nilhandle;
  p.index = -1;
  p.image = nilhandle;
  publish(p);
}

// Shows a port's pixels over `r` in the session window, on the document background (through
// a mask over the bitmap when one is given).
void copytowindow(const PaintSession& p, CGrafPtr port, const Rect& r, const BitMap* mask) {
  if (p.window == nilid || !IsValidWindowPtr(p.window) || port == nilid || !IsValidPort(port)) return;
  desk d{};
  const bool known = getwind(p.window, &d) != 0;
  const PortBits src(port);
  SetPortWindowPort(p.window);
  SetThemeWindowBackground(p.window, kDocumentBackground, false);
  BackPat(&qdwhite);
  PenNormal();
  restcolor();
  const PortBits dst(currentportid());
  if (mask != nullptr) CopyMask(src.get(), mask, dst.get(), &r, &r, &r);
  else CopyBits(src.get(), dst.get(), &r, &r, srcCopy, nilid);
  SetThemeWindowBackground(p.window, getheme(known ? &d : nullptr), false);
}

// Makes an image of depth 1 from the session's depth-8 image: every index that is not white
// becomes a set bit. None when memory runs out.
Handle monoimage(const PaintSession& p) {
  const Rect& r = p.rect;
  const i32 w = r.right - r.left, h = r.bottom - r.top;
  const i32 rb8 = rowbytesof(r, 8), rb1 = rowbytesof(r, 1);
  if (GetHandleSize(p.image) < i64(rb8) * h) return nilhandle;
  Handle mono = NewHandleClear(Size(i64(rb1) * h));
  if (mono == nilhandle) return nilhandle;
  bool dark[256];
  for (i32 i = 0; i < 256; ++i) dark[i] = !white(p.clut, i);
  const u8* src = deref(p.image);
  u8* dst = deref(mono);
  for (i32 v = 0; v < h; ++v)
    for (i32 x = 0; x < w; ++x)
      if (dark[src[i64(v) * rb8 + x]]) dst[i64(v) * rb1 + x / 8] |= u8(0x80 >> (x % 8));
  return mono;
}

bool blank(Handle image) {
  if (image == nilhandle || !IsValidHandle(image)) return true;
  const Size n = GetHandleSize(image);
  const u8* b = deref(image);
  for (Size i = 0; i < n; ++i)
    if (b[i] != 0) return false;
  return true;
}

i16 opensession(PaintSession& p, Handle list, i16 index, const spot& s) {
  MainGlobals& g = mainglobals();
  const desk& d = g.current;
  p.changed = 0;
  p.index = index;
  p.list = list;
  p.window = d.window;
  const bool card = list == d.cardspots;
  p.clut = card ? d.cardclut : d.backclut;
  if (p.clut == nilhandle) p.clut = p.ownclut = GetCTable(8);
  if (p.clut == nilhandle) return err::nomemory;
  p.layerrecid = card ? d.cardrecid : d.backrecid;
  p.store = d.store;
  p.image = s.data;
  p.colour = 1;
  p.imagesize = u32(GetHandleSize(s.data));
  p.rect = s.rect;
  p.selcopy = s.data;
  p.strokecopy = s.data;
  if (HandToHand(&p.selcopy) != noErr) p.selcopy = nilhandle;
  if (HandToHand(&p.strokecopy) != noErr) p.strokecopy = nilhandle;
  if (p.selcopy == nilhandle || p.strokecopy == nilhandle) return err::nomemory;
  {
    SavePort keep;
    openport(&p.imageport);
    openport(&p.copyport);
    openport(&p.scratchport);
  }
  if (p.imageport == nilid || p.copyport == nilid || p.scratchport == nilid) return err::nomemory;
  if (NewGWorld(&p.maskworld, 1, &p.rect, nilhandle, nilhandle, 0) != noErr) {
    p.maskworld = nilid;
    return err::nomemory;
  }
  LockPixels(GetGWorldPixMap(p.maskworld));
  if (NewGWorld(&p.textworld, 8, &p.rect, p.clut, nilhandle, 0) != noErr) {
    p.textworld = nilid;
    return err::nomemory;
  }
  {
    SavePort keep;
    SetPortWindowPort(p.window);
    const Rect far{-10100, -10100, -10000, -10000};
    p.text = TENew(&far, &far);
  }
  if (p.text == nilid) return err::nomemory;
  TESetCROnly(p.text, true);
  stepants();
  return 0;
}

}  // namespace

PaintSession& paintsession() { return state<PaintSession>(); }

bool PpaintRTmatchproc(RGBColor* rgb, i32* position) {
  *position = rgb->red == 0xFFFF && rgb->green == 0xFFFF && rgb->blue == 0xFFFF ? 0 : 1;
  return true;
}

void portup(CGrafPtr port, u16 colour, Handle image) {
  const PaintSession& p = paintsession();
  if (port == nilid || !IsValidPort(port) || image == nilhandle || !IsValidHandle(image)) return;
  SetPort(port);
  PenNormal();
  restcolor();
  MainGlobals& g = mainglobals();
  g.currentclut = p.clut;
  const i16 depth = colour ? 8 : 1;
  const u16 rowbytes = rowbytesof(p.rect, depth);
  if (GetHandleSize(image) < i64(rowbytes) * (p.rect.bottom - p.rect.top)) return;
  PixMap pm = pixmaprecord(GetPortPixMap(port));
  pm.baseAddr = deref(image);
  pm.bounds = p.rect;
  if (colour) {
    pm.rowBytes = u16(rowbytes | pixmapflag);
    pm.pixelType = 0;
    pm.pixelSize = 8;
    pm.cmpCount = 1;
    pm.cmpSize = 8;
    pm.pmTable = p.clut;
    SetPortBits(reinterpret_cast<const BitMap*>(&pm));
  } else {
    const BitMap bits{deref(image), rowbytes, p.rect};
    SetPortBits(&bits);
  }
  SetPortBounds(port, &p.rect);
  RgnHandle area = NewRgn();
  RectRgn(area, p.rect);
  SetPortVisibleRegion(port, area);
  SetPortClipRegion(port, area);
  DisposeRgn(area);
}

void bindimage() {
  const PaintSession& p = paintsession();
  portup(p.imageport, p.colour, p.image);
}

void erasebwport(GWorldPtr world) {
  if (world == nilid || !IsValidPort(world)) return;
  SavePort keep;
  SetGWorld(world, nilhandle);
  PenNormal();
  restcolor();
  BackPat(&qdwhite);
  Rect r{};
  GetPortBounds(world, &r);
  EraseRect(&r);
}

Pattern paintpattern(i16 index) {
  const Handle list = paintlistsstate().patternlist;
  Pattern pat = qdblack;
  if (list == nilhandle || !IsValidHandle(list) || GetHandleSize(list) < 10) return pat;
  const i32 count = std::min<i32>(loadat<u16>(deref(list)), (GetHandleSize(list) - 2) / 8);
  const i32 at = index >= 0 && index < count ? index : 0;
  std::memcpy(pat.pat, deref(list) + 2 + at * 8, 8);
  return pat;
}

RGBColor paintrgb(i32 index) {
  RGBColor c{0, 0, 0};
  if (index == 0) return RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  ctableentry(paintsession().clut, index & 0xFF, &c);
  return c;
}

void fillcolorup() {
  const MainGlobals& g = mainglobals();
  const Pattern pat = paintpattern(g.fillPat);
  PenPat(&pat);
  const RGBColor fore = paintrgb(g.fillFore), back = paintrgb(g.fillBack);
  RGBForeColor(&fore);
  RGBBackColor(&back);
}

void pencolorup() {
  const MainGlobals& g = mainglobals();
  PenSize(g.penWidth, g.penHeight);
  const Pattern pat = paintpattern(g.penPat);
  PenPat(&pat);
  const RGBColor fore = paintrgb(g.penFore), back = paintrgb(g.penback);
  RGBForeColor(&fore);
  RGBBackColor(&back);
}

i16 convertocolor(spot* s, i16) {
  if (colourflag(*s)) return 0;
  const Rect& r = s->rect;
  const i32 w = std::max(r.right - r.left, 0), h = std::max(r.bottom - r.top, 0);
  const i32 rb8 = rowbytesof(r, 8), rb1 = rowbytesof(r, 1);
  Handle image = NewHandleClear(Size(i64(rb8) * h));
  if (image == nilhandle) {
    SysBeep(1);
    return err::nomemory;
  }
  // A 1-bit image shorter than its rectangle keeps its missing rows white.
  const Size have = s->data != nilhandle && IsValidHandle(s->data) ? GetHandleSize(s->data) : 0;
  const u8 black = blackindex(paintsession().clut);
  const u8* src = have > 0 ? deref(s->data) : nullptr;
  u8* dst = deref(image);
  for (i32 v = 0; v < h; ++v)
    for (i32 x = 0; x < w; ++x) {
      const i64 at = i64(v) * rb1 + x / 8;
      if (at < have && (src[at] & (0x80 >> (x % 8)))) dst[i64(v) * rb8 + x] = black;
    }
  if (s->data != nilhandle) DisposeHandle(s->data);
  s->data = image;
  setcolourflag(*s, 1);
  return 0;
}

i16 putupbits(Handle list, i16 index, i16 send) {
  PaintSession& p = paintsession();
  MainGlobals& g = mainglobals();
  if (p.index >= 0) return 0;
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return 0;
  spot s = spotat(list, index);
  if (!g.colorWorld && colourflag(s)) return kColourWhileBlackAndWhite;
  const Size size = s.data != nilhandle && IsValidHandle(s.data) ? GetHandleSize(s.data) : 0;
  if (!g.memplentiful && nomemory(6 * size + 5000)) return err::nomemory;
  hilitespot(list, 1, 1);
  if (!colourflag(s)) {
    if (i16 st = convertocolor(&s, 1)) return st;
    putspot(list, index, s);
  } else if (GetHandleSize(s.data) < i64(rowbytesof(s.rect, 8)) * (s.rect.bottom - s.rect.top)) {
    // A colour image shorter than its rectangle is made whole (white) before tools draw in it.
    if (s.data == nilhandle) s.data = NewHandleClear(0);
    const Size need = Size(i64(rowbytesof(s.rect, 8)) * (s.rect.bottom - s.rect.top));
    const Size had = s.data != nilhandle ? GetHandleSize(s.data) : 0;
    if (s.data == nilhandle) return err::nomemory;
    SetHandleSize(s.data, need);
    if (MemError() != noErr) return err::nomemory;
    std::memset(deref(s.data) + had, 0, size_t(need - had));
    putspot(list, index, s);
  }
  if (i16 st = opensession(p, list, index, s)) {
    forgetsession(p);
    return st;
  }
  publish(p);
  SetPortWindowPort(p.window);
  showwholebitmap();
  if (!send) return 0;
  SetPortWindowPort(p.window);
  return spotsend(sendnormal, list, index, "openPaint", p.window);
}

i16 putdownbmap() {
  PaintSession& p = paintsession();
  if (p.index < 0 || p.closing) return 0;
  MainGlobals& g = mainglobals();
  killtext();
  killasso();
  killselect();
  p.closing = true;
  releaseparts(p);
  const WindowRef window = p.window;
  const bool windowok = window != nilid && IsValidWindowPtr(window);
  i16 st = 0;
  Rect area = p.rect;
  if (sessionobject(p)) {
    calcspot(p.list, p.index, &area);
    if (windowok) SetPortWindowPort(window);
    st = spotsend(sendnormal, p.list, p.index, "closePaint", window);
  }
  // The handler may have removed the object or closed its window (the session index follows).
  bool mark = p.changed != 0;
  if (sessionobject(p)) {
    spot s = spotat(p.list, p.index);
    if (!g.allowEmptyPaint && blank(s.data)) {
      const Handle list = p.list;
      const i16 index = p.index;
      p.index = -1;
      squashutil(list, index);
      mark = true;
    } else if (!g.colorWorld && colourflag(s)) {
      // Painted in colour while colorWorld is off: stored as the 1-bit image it was.
      if (Handle mono = monoimage(p)) {
        DisposeHandle(s.data);
        s.data = mono;
        setcolourflag(s, 0);
        putspot(p.list, p.index, s);
      }
    }
  }
  const RegistryId store = p.store;
  const u32 recid = p.layerrecid;
  p.closing = false;
  forgetsession(p);
  desk d{};
  const bool shown = windowok && getwind(window, &d) != 0;
  if (shown) drawedit(d, &area);
  if (mark && shown) checkerr(changevir(store, i32(recid)));
  if (windowok) SetPortWindowPort(window);
  return st;
}

void paintwindowclosing(WindowRef window) {
  PaintSession& p = paintsession();
  if (p.index < 0 || p.window != window || p.closing) return;
  if (p.changed) checkerr(changevir(p.store, i32(p.layerrecid)));
  forgetsession(p);
}

PortBits::PortBits(CGrafPtr port) {
  const BitMap* bits = port != nilid && IsValidPort(port) ? GetPortBitMapForCopyBits(port) : nullptr;
  if (bits == nullptr) return;
  if (bits->rowBytes & pixmapflag) map = *reinterpret_cast<const PixMap*>(bits);
  else std::memcpy(&map, bits, sizeof(BitMap));
}

void paintremoving(Handle list, i16 index) {
  PaintSession& p = paintsession();
  if (p.index < 0 || list != p.list) return;
  if (index > p.index) return;
  if (index < p.index) {
    --p.index;
    publish(p);
    return;
  }
  // The painted object itself: its image goes with it, so the session ends here, silently.
  if (p.closing) {
    p.index = -1;
    return;
  }
  forgetsession(p);
}

i16 firstbits(Handle list, Point pt) {
  PaintSession& p = paintsession();
  MainGlobals& g = mainglobals();
  if (p.index >= 0) {
    if (list == p.list) {
      killtext();
      killasso();
      killselect();
      if (ptinspot(p.list, p.index, pt)) return 0;
    }
    if (i16 st = putdownbmap()) return st;
    SetPortWindowPort(g.current.window);
  }
  for (i32 i = spotcount(list) - 1; i >= 0; --i) {
    const spot s = spotat(list, i);
    if (s.style == stylebitmap && lowinspot(s, pt)) return putupbits(list, i16(i), 1);
  }
  if (!g.createPaint) return toolmadenothing;
  if (!g.memplentiful && nomemory(1000)) return err::nomemory;
  if (!g.lockCursor) SetCursor(&crosscursor());
  // Drag out the new bitmap's rectangle with a gray exclusive-or frame.
  PenSize(1, 1);
  PenPat(&qdgray);
  PenMode(patXor);
  Point mouse = pt;
  Rect shown{}, r{};
  bool framed = false;
  while (stilldown()) {
    SetPortWindowPort(g.current.window);
    getmouse(&mouse);
    Pt2Rect(pt, mouse, &r);
    shiftrect(&r, pt, mouse);
    limitbits(&r, pt, mouse, availmem(), 0, 1);
    if (framed && EqualRect(&r, &shown)) continue;
    PenSize(1, 1);
    PenPat(&qdgray);
    PenMode(patXor);
    if (framed) FrameRect(&shown);
    FrameRect(&r);
    shown = r;
    framed = true;
    u32 ticks = 0;
    Delay(2, &ticks);
  }
  if (framed) FrameRect(&shown);
  PenNormal();
  if (!framed) Pt2Rect(pt, mouse, &r);
  if (EmptyRect(&r) || localpt(pt, mouse, kNewBitmapSlop)) return toolmadenothing;
  u32 size = 0;
  u16 rowbytes = 0;
  calcsizewidth(&r, &size, &rowbytes, 8);
  Handle image = NewHandleClear(Size(size));
  if (image == nilhandle) return err::nomemory;
  spot s{};
  defaultspot(s);
  s.style = stylebitmap;
  s.kind = spotgraphic;
  s.selected = 0;
  s.id = uniqueid(list, 0);
  s.rect = r;
  std::memcpy(s.fillpat.b, qdgray.pat, 8);
  s.ink = u16(-1);
  s.flags |= kNewBitmapFlag;
  s.data = image;
  setcolourflag(s, g.colorWorld ? 1 : 0);
  if (!g.colorWorld) {
    // A 1-bit image of the rectangle (white): the session makes it colour.
    calcsizewidth(&r, &size, &rowbytes, 1);
    SetHandleSize(image, Size(size));
  }
  if (PtrAndHand(&s, list, Size(sizeof s)) != noErr) {
    DisposeHandle(image);
    return err::nomemory;
  }
  const i16 index = i16(spotcount(list) - 1);
  if (i16 st = putupbits(list, index, 0)) return st;
  return paintnewbitmap;
}

void showbits(Rect r) {
  const PaintSession& p = paintsession();
  if (p.index < 0) return;
  Rect clipped{};
  if (!SectRect(&r, &p.rect, &clipped)) return;
  SavePort keep;
  bindimage();
  copytowindow(p, p.imageport, clipped, nullptr);
}

void showfrom(CGrafPtr port, Rect r, const BitMap* mask) {
  const PaintSession& p = paintsession();
  if (p.index < 0) return;
  Rect clipped{};
  if (!SectRect(&r, &p.rect, &clipped)) return;
  SavePort keep;
  copytowindow(p, port, clipped, mask);
}

void showwholebitmap() {
  const PaintSession& p = paintsession();
  if (p.index < 0 || p.window == nilid || !IsValidWindowPtr(p.window)) return;
  SavePort keep;
  SetPortWindowPort(p.window);
  SetThemeWindowBackground(p.window, kDocumentBackground, false);
  drawbmap();
  desk d{};
  SetThemeWindowBackground(p.window, getheme(getwind(p.window, &d) != 0 ? &d : nullptr), false);
}

void paintchanged() { paintsession().changed = 1; }

void keepstroke() {
  const PaintSession& p = paintsession();
  if (p.strokecopy == nilhandle || p.image == nilhandle) return;
  const Size n = std::min(GetHandleSize(p.image), GetHandleSize(p.strokecopy));
  std::memcpy(deref(p.strokecopy), deref(p.image), size_t(n));
}

void restorestroke() {
  const PaintSession& p = paintsession();
  if (p.strokecopy == nilhandle || p.image == nilhandle) return;
  const Size n = std::min(GetHandleSize(p.image), GetHandleSize(p.strokecopy));
  std::memcpy(deref(p.image), deref(p.strokecopy), size_t(n));
}

void paintmouse(Point* pt) {
  const PaintSession& p = paintsession();
  if (p.window != nilid && IsValidWindowPtr(p.window)) SetPortWindowPort(p.window);
  getmouse(pt);
}

void paintsessionlocal(Point* pt) {
  const PaintSession& p = paintsession();
  if (p.window == nilid || !IsValidWindowPtr(p.window)) return;
  SetPortWindowPort(p.window);
  GlobalToLocal(pt);
}

}  // namespace kv
