#include "render/offscreen.h"

#include "render/pictbuffers.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"

namespace kv {

namespace {

struct OffscreenState {
  i16 depth = 0;
  u16 rowbytes = 0;
  u16 lockcount = 0;
  Rect bounds{0, 0, 0, 0};
  GWorldPtr world = nilid;
  PixMapHandle pixmap = nilhandle;  // while locked
  u16 locked = 0;
  i16 screendepth = 0;  // the main screen's depth at the last resync (0: none yet)
  // The drawing layer's state comes first, so that it is still there when this one goes.
  OffscreenState() {
    CGrafPtr port = nilid;
    GDHandle device = nilhandle;
    GetGWorld(&port, &device);
  }
  OffscreenState(const OffscreenState&) = delete;
  OffscreenState& operator=(const OffscreenState&) = delete;
  ~OffscreenState() {
    if (world != nilid) DisposeGWorld(world);
  }
};
OffscreenState& os() { return state<OffscreenState>(); }

bool validdepth(i16 depth) { return depth == 1 || depth == 8 || depth == 16 || depth == 32; }

// A world over the bounds. At 8 bits on an 8-bit device it takes the device's colour table;
// otherwise the standard table of its depth. It has a device of its own either way, so that
// it outlives a change of the screens.
GWorldPtr makeworld(i16 depth, const Rect& bounds) {
  GDHandle device = GetGDevice();
  CTabHandle table = depth == 8 && devicedepth(device) == 8 ? devicetable(device) : nilhandle;
  GWorldPtr world = nilid;
  if (NewGWorld(&world, depth, &bounds, table, nilhandle, 0) != noErr) return nilid;
  return world;
}

// The new world replaces the old one.
void adopt(GWorldPtr world, i16 depth) {
  OffscreenState& s = os();
  if (s.world != nilid) DisposeGWorld(s.world);
  s.world = world;
  s.depth = depth;
  s.rowbytes = u16(GetPixRowBytes(GetGWorldPixMap(world)) & rowbytesmask);
  s.lockcount = 0;
}

// Makes the world again at a depth; the old one stays when that fails or its pixels are
// locked. True when made.
bool remake(i16 depth) {
  OffscreenState& s = os();
  if (s.locked) return false;
  GWorldPtr world = makeworld(depth, s.bounds);
  if (world == nilid) return false;
  adopt(world, depth);
  return true;
}

}  // namespace

i16 CreateOffScreen(i16 depth) {
  if (!validdepth(depth)) depth = 8;
  return remake(depth) ? 1 : 0;
}

void DisposeOffScreen() {
  OffscreenState& s = os();
  if (s.world != nilid) DisposeGWorld(s.world);
  s.world = nilid;
  s.pixmap = nilhandle;
  s.locked = 0;
  s.lockcount = 0;
}

GWorldPtr GetOffScreenWorld() { return os().world; }
i16 GetOffScreenDepth() { return os().depth; }
u16 GetOffRowBytes() { return os().rowbytes; }
u16 GetRB() { return os().rowbytes; }
Rect GetOffScreenBounds() { return os().bounds; }
void SetOffScreenBounds(const Rect& bounds) { os().bounds = bounds; }

u16 LockOffScreenGWorld() {
  OffscreenState& s = os();
  if (s.locked) {
    ++s.lockcount;
    return s.locked;
  }
  if (s.world == nilid) return 0;
  PixMapHandle pm = GetGWorldPixMap(s.world);
  s.locked = LockPixels(pm) ? 1 : 0;
  if (s.locked) {
    s.pixmap = pm;
    ++s.lockcount;
  }
  return s.locked;
}

void UnLockOffScreenGWorld() {
  OffscreenState& s = os();
  if (s.lockcount > 0) --s.lockcount;
  if (s.locked && s.lockcount == 0) {
    UnlockPixels(s.pixmap);
    s.pixmap = nilhandle;
    s.locked = 0;
  }
}

PixMapHandle GetOffScreenBits() { return os().locked ? os().pixmap : nilhandle; }

Ptr GetOffScreen_Pointer() { return os().locked ? GetPixBaseAddr(os().pixmap) : nullptr; }

i16 SetOffScreenSize(const Rect& bounds) {
  OffscreenState& s = os();
  if (s.locked) return 1;
  if (s.world != nilid) {
    GWorldPtr world = s.world;
    if (UpdateGWorld(&world, s.depth, &bounds, nilhandle, nilhandle, 0) & gwFlagErr) return memFullErr;
    s.rowbytes = u16(GetPixRowBytes(GetGWorldPixMap(world)) & rowbytesmask);
  }
  s.bounds = bounds;
  return 0;
}

i16 ChangeOffScreenDepth(i16 depth) {
  if (!validdepth(depth) || !remake(depth)) return 0;
  purgepictbuffer();
  return 1;
}

void resyncoffscreen() {
  OffscreenState& s = os();
  const i16 screen = devicedepth(GetMainDevice());
  if (s.screendepth == 0 || screen == s.screendepth) {
    s.screendepth = screen;
    return;
  }
  MainGlobals& g = mainglobals();
  if (validdepth(screen) && remake(screen)) {
    purgepictbuffer();
    g.bufferMode = screen;
  } else if (s.world != nilid) {
    g.bufferMode = s.depth;
  }
  drawedit(g.current, nullptr);
  s.screendepth = screen;
}

i16 OffToOnScreen(const Rect& source, const Rect& dest, i16 mode, RgnHandle mask) {
  if (!LockOffScreenGWorld()) return 0;
  const BitMap* src = GetPortBitMapForCopyBits(os().world);
  const BitMap* dst = GetPortBitMapForCopyBits(currentportid());
  i16 copied = 0;
  if (src && dst) {
    CopyBits(src, dst, &source, &dest, mode, mask);
    copied = 1;
  }
  UnLockOffScreenGWorld();
  return copied;
}

i16 CreateTempBuffer(i16 depth, const Rect& bounds, TempBuffer* out) {
  *out = TempBuffer{};
  if (!validdepth(depth)) depth = 1;
  const desk& d = mainglobals().current;
  CTabHandle table = d.backlayer || d.cardclut == nilhandle ? d.backclut : d.cardclut;
  GWorldPtr world = nilid;
  if (NewGWorld(&world, depth, &bounds, table, nilhandle, pixPurge) != noErr) return 0;
  out->world = world;
  out->bounds = bounds;
  out->depth = u16(depth);
  out->pixmap = GetGWorldPixMap(world);
  LockPixels(out->pixmap);
  out->rowbytes = u16(GetPixRowBytes(out->pixmap) & rowbytesmask);
  return 1;
}

void MoveTempBuffer(TempBuffer*) {}

void DeleteTempBuffer(TempBuffer* buffer) {
  if (buffer->world != nilid) DisposeGWorld(buffer->world);
  *buffer = TempBuffer{};
}

}  // namespace kv
