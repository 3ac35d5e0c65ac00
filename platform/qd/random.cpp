#include "platform/qd/random.h"

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct RandomState {
  i32 seed = 1;
};
}  // namespace

i16 Random() {
  i32& seed = state<RandomState>().seed;
  // Park and Miller's minimal standard generator; a seed of 0 (or a multiple of the modulus)
  // would stay 0 for ever, so it is moved off first.
  constexpr i64 modulus = 0x7FFFFFFF;
  i64 s = seed % modulus;
  if (s <= 0) s += modulus - 1;
  s = s * 16807 % modulus;
  seed = i32(s);
  i16 r = i16(u16(s & 0xFFFF));
  return r == -32768 ? 0 : r;
}

i32 getrandseed() { return state<RandomState>().seed; }
void setrandseed(i32 seed) { state<RandomState>().seed = seed; }

}  // namespace kv
