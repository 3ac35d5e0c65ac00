#include "system/cobs.h"

namespace kv {

namespace {

constexpr std::size_t kMaxData = 207;     // data bytes of a 0xD0 block
constexpr std::size_t kMaxPairData = 30;  // data bytes before a pair of zeros
constexpr std::size_t kMaxRun = 15;       // zeros of one run code

// The state word: the low byte counts the data bytes still due in the current block; the
// high byte the zeros still due (bits 0-4) and whether they are written at once (a run,
// bit 7) or only when the next block begins (the zeros that end a block).
constexpr u16 kRunNow = 0x8000;

}  // namespace

void COBSEncode(const u8* source, std::size_t length, u8** out) {
  u8* o = *out;
  std::size_t i = 0;
  // The appended zero sits at index `length`; zero runs only take the input's own zeros, so
  // the block that holds the appended zero always ends with a zero the decoder drops.
  while (i <= length) {
    std::size_t run = 0;
    while (i + run < length && source[i + run] == 0 && run < kMaxRun) ++run;
    if (run >= 3) {
      *o++ = u8(0xD0 + run);
      i += run;
      continue;
    }
    std::size_t n = 0;
    while (i + n < length && source[i + n] != 0 && n < kMaxData) ++n;
    if (n == kMaxData) {
      *o++ = 0xD0;
      for (std::size_t k = 0; k < n; ++k) *o++ = source[i + k];
      i += n;
      continue;
    }
    // n data bytes, then a zero (the input's or the appended one).
    std::size_t zero = i + n;
    bool pair = n <= kMaxPairData && zero < length && (zero + 1 == length || source[zero + 1] == 0);
    *o++ = pair ? u8(0xE0 + n) : u8(n + 1);
    for (std::size_t k = 0; k < n; ++k) *o++ = source[i + k];
    i = zero + (pair ? 2 : 1);
  }
  *out = o;
}

bool COBSDecode(const u8** in, std::size_t available, u8** out, std::size_t room, u16* state) {
  u16 local = 0;
  u16& st = state != nullptr ? *state : local;
  const u8* p = *in;
  u8* o = *out;
  bool ended = false, invalid = false;
  for (;;) {
    unsigned due = st & 0xFF, zeros = (st >> 8) & 0x1F;
    bool now = (st & kRunNow) != 0;
    if (now && zeros > 0) {
      if (room == 0) break;
      *o++ = 0;
      --room;
      st = u16(kRunNow | ((zeros - 1) << 8));
      if (zeros == 1) st = 0;
      continue;
    }
    if (available == 0) break;
    u8 b = *p;
    if (due > 0) {
      if (b == 0) {
        invalid = true;
        break;
      }
      if (room == 0) break;
      *o++ = b;
      ++p;
      --available;
      --room;
      st = u16((zeros << 8) | (due - 1));
      continue;
    }
    if (b == 0) {
      // The end of the frame: the block's zeros less the appended one.
      unsigned keep = zeros > 0 ? zeros - 1 : 0;
      if (room < keep) break;
      for (unsigned k = 0; k < keep; ++k) *o++ = 0;
      room -= keep;
      ++p;
      --available;
      st = 0;
      ended = true;
      break;
    }
    if (zeros > 0) {
      // The zeros that ended the last block, now that another block follows.
      if (room == 0) break;
      *o++ = 0;
      --room;
      st = u16((zeros - 1) << 8);
      continue;
    }
    ++p;
    --available;
    if (b <= 0xCF) {
      st = u16((1u << 8) | (b - 1u));
    } else if (b == 0xD0) {
      st = u16(kMaxData);
    } else if (b >= 0xD3 && b <= 0xDF) {
      st = u16(kRunNow | (unsigned(b - 0xD0) << 8));
    } else if (b >= 0xE0 && b <= 0xFE) {
      st = u16((2u << 8) | (b - 0xE0u));
    } else {
      invalid = true;
      break;
    }
  }
  if (invalid) {
    *in = nullptr;
    *out = o;
    st = 0;
    return false;
  }
  *in = p;
  *out = o;
  return ended;
}

}  // namespace kv
