#include "render/effectqueue.h"

#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "render/controlvisibility.h"

namespace kv {

namespace {
struct EffectQueue {
  i16 read = 0;  // the next entry popeffect answers
  bool playing = false;
};
EffectQueue& queue() { return state<EffectQueue>(); }
}  // namespace

i16 pusheffect(const effectrec& effect) {
  MainGlobals& g = mainglobals();
  if (g.effectcount < 0 || g.effectcount >= kMaxEffects) {
    if (effect.name != nilhandle) DisposeHandle(effect.name);
    return 0;
  }
  g.effects[g.effectcount++] = effect;
  return 1;
}

i16 popeffect(effectrec* effect) {
  MainGlobals& g = mainglobals();
  EffectQueue& q = queue();
  if (q.read < 0 || q.read >= g.effectcount || q.read >= kMaxEffects) return 0;
  *effect = g.effects[q.read];
  // The caller owns the name now.
  g.effects[q.read].name = nilhandle;
  ++q.read;
  return 1;
}

i16 effectcount() { return mainglobals().effectcount; }

void cleareffect(i16 restore) {
  MainGlobals& g = mainglobals();
  for (int i = 0; i < g.effectcount && i < kMaxEffects; ++i) {
    if (g.effects[i].name != nilhandle) DisposeHandle(g.effects[i].name);
    g.effects[i] = effectrec{};
  }
  g.effectcount = 0;
  queue().read = 0;
  if (restore && g.current.window != nilid) UnsquashDefaults(&g.current, 0);
}

void effectqueueplaying(bool on) { queue().playing = on; }
bool effectplaying() { return queue().playing; }

}  // namespace kv
