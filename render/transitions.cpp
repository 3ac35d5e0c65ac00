// Transitions between two images: the protocol of set-up, stepping and timed runs, with the
// frames drawn by platform/effects into 32-bit buffers and copied onto the window.
#include <algorithm>

#include "platform/effects/effects.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/time/uptime.h"
#include "render/effects.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "core/runservices.h"

namespace kv {

namespace {

constexpr u32 kMaxFrames = 65535;
constexpr std::size_t kTranHead = 10;

u32 be32(const u8* p) { return (u32(p[0]) << 24) | (u32(p[1]) << 16) | (u32(p[2]) << 8) | p[3]; }

// A pixel map as a bit map for CopyBits.
struct Bits {
  explicit Bits(PixMapHandle pm) : map(pixmaprecord(pm)) { map.rowBytes |= pixmapflag; }
  const BitMap* get() const { return reinterpret_cast<const BitMap*>(&map); }
  PixMap map;
};

PixelsView viewof(GWorldPtr w) {
  const PixMapHandle pm = GetGWorldPixMap(w);
  Rect r{};
  GetPixBounds(pm, &r);
  return PixelsView{reinterpret_cast<u32*>(GetPixBaseAddr(pm)), r.right - r.left, r.bottom - r.top,
                    GetPixRowBytes(pm) / 4};
}

i16 copymode() { return devicedepth(GetMainDevice()) < 8 ? i16(ditherCopy) : i16(srcCopy); }

// The sources and the output buffer over the effect's rectangle: A the window's area, B the
// destination's (exchanged by the source swap). False when a buffer cannot be made.
bool setup(const TransitionBlock& block, EffectState& st) {
  if (!knowntransition(st.kind)) return false;
  for (GWorldPtr* w : {&st.a, &st.b, &st.out})
    if (NewGWorld(w, 32, &st.rect, 0, 0, 0) != noErr) return false;
  const Bits window(GetPortPixMap(block.window)), destination(block.destination), a(GetGWorldPixMap(st.a)),
      b(GetGWorldPixMap(st.b));
  SavePort saved;
  SetGWorld(st.a, 0);
  const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&black);
  RGBBackColor(&white);
  CopyBits(window.get(), a.get(), &block.area, &st.rect, srcCopy, 0);
  if (block.destination != nilhandle) CopyBits(destination.get(), b.get(), &block.area, &st.rect, srcCopy, 0);
  if (st.swap) std::swap(st.a, st.b);
  st.ready = true;
  return true;
}

// Draws frame n of the transition and puts it on the window's area.
bool drawframe(const TransitionBlock& block, EffectState& st, u32 n) {
  if (!transitionframe(st.kind, st.params, viewof(st.a), viewof(st.b), viewof(st.out), i32(n), i32(st.framecount)))
    return false;
  const Bits out(GetGWorldPixMap(st.out)), window(GetPortPixMap(block.window));
  SavePort saved;
  SetPort(block.window);
  CopyBits(out.get(), window.get(), &st.rect, &block.area, copymode(), 0);
  EconomyFlush(block.window, 0);
  return true;
}

// The deadline of frame n from the start, in nanoseconds: 1/240 s a frame, or `trandelay`
// ticks; counted from the start so that the run does not drift.
u64 framedeadline(u64 start, u32 n) {
  const i64 delay = mainglobals().trandelay;
  if (delay <= 0) return start + (u64(n) * 1000000000ull + 239) / 240;
  return start + (u64(n) * u64(delay) * 1000000000ull + 59) / 60;
}

void runframes(const TransitionBlock& block, EffectState& st) {
  const u64 start = UpTimeNanos();
  for (u32 n = 1; n <= st.framecount; ++n) {
    if (!drawframe(block, st, n)) break;
    const u64 deadline = framedeadline(start, n);
    if (UpTimeNanos() < deadline) SleepUntilNanos(deadline);
    if (n < st.framecount && isabort(TickCount()) != 0) break;
  }
}

// The effect's rectangle: the area at 0,0 in partial mode, else the window's bounds.
void placerect(const TransitionBlock& block, EffectState& st) {
  Rect bounds{};
  GetPortBounds(block.window, &bounds);
  const Rect& r = st.partial ? block.area : bounds;
  st.rect = Rect{0, 0, i16(r.bottom - r.top), i16(r.right - r.left)};
}

}  // namespace

u16 transitionframes(u16 speed) {
  const u64 frames = (u64(speed) + 1) * u64(std::max<i32>(mainglobals().transtep, 0));
  return u16(std::min<u64>(frames, kMaxFrames));
}

i16 unFlattenEffectInfo(Handle tran, OSType* kind, u16* swap, AtomList* params, bool* hasparams) {
  if (tran == nilhandle || GetHandleSize(tran) < Size(kTranHead)) return 0;
  const u8* p = deref(tran);
  const std::size_t size = std::size_t(GetHandleSize(tran));
  const u32 n = be32(p + 6);
  if (n > size - kTranHead) return 0;
  AtomList list;
  if (n > 0 && !readatoms(p + kTranHead, n, &list)) return 0;
  *kind = be32(p);
  *swap = u16((p[4] << 8) | p[5]);
  *hasparams = n > 0;
  *params = std::move(list);
  return 1;
}

void Stop(EffectState& st) {
  for (GWorldPtr* w : {&st.a, &st.b, &st.out}) {
    if (*w != nilid) DisposeGWorld(*w);
    *w = nilid;
  }
  st.running = st.ready = false;
  st.frame = 0;
  transitiondone();
}

void RunTransition(TransitionBlock& block, Handle tran, EffectState& st) {
  block.result = 0;
  switch (block.message) {
    case transinit: {
      bool hasparams = false;
      if (!unFlattenEffectInfo(tran, &st.kind, &st.swap, &st.params, &hasparams)) {
        block.result = 1;
        return;
      }
      // The filter's own 'what' atom names the effect it is.
      u32 what = 0;
      if (atomvalue(findatom(st.params, fourcc("what")), &what)) st.kind = what;
      removeatoms(st.params, fourcc("what"));
      // A cut has no frames between: the final copy shows the new image.
      st.framecount = cuttransition(st.kind) ? 0 : transitionframes(block.speed);
      Rect bounds{};
      GetPortBounds(block.window, &bounds);
      st.partial = !(bounds == block.area);
      block.partial = st.partial ? 1 : 0;
      block.framecount = u16(st.framecount);
      return;
    }
    case transbegin:
      placerect(block, st);
      block.framecount = u16(st.framecount);
      block.currentframe = 0;
      if (!setup(block, st)) {
        Stop(st);
        block.result = 1;
        return;
      }
      [[fallthrough]];
    case transstep:
      st.running = true;
      if (!st.ready) return;
      if (++st.frame > st.framecount) {
        drawframe(block, st, 0);
        Stop(st);
        return;
      }
      drawframe(block, st, st.frame);
      block.currentframe = u16(st.frame);
      if (st.frame == st.framecount) Stop(st);
      return;
    case transrun:
      placerect(block, st);
      st.timed = true;
      if (setup(block, st)) runframes(block, st);
      else block.result = 1;
      Stop(st);
      return;
    default: return;
  }
}

}  // namespace kv
