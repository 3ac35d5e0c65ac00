#include "render/effectqueue.h"

#include "platform/memory/memory.h"

namespace kv {

i16 pusheffect(const effectrec& effect) {
  MainGlobals& g = mainglobals();
  if (g.effectcount < 0 || g.effectcount >= kMaxEffects) {
    if (effect.name != nilhandle) DisposeHandle(effect.name);
    return 1;
  }
  g.effects[g.effectcount++] = effect;
  return 0;
}

void cleareffect(i16) {
  MainGlobals& g = mainglobals();
  for (int i = 0; i < g.effectcount && i < kMaxEffects; ++i) {
    if (g.effects[i].name != nilhandle) DisposeHandle(g.effects[i].name);
    g.effects[i] = effectrec{};
  }
  g.effectcount = 0;
}

}  // namespace kv
