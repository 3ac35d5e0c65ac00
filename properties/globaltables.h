// The global properties kept as one field of the global state each, by token, shared by the
// getter and the setter of the global properties; the serial word table.
#pragma once

#include <span>

#include "platform/types.h"
#include "core/mainglobals.h"

namespace kv {

// A switch (0 false, non-zero true): the field of its token, or null.
i16* globalswitch(u16 token);

// A number kept in a 16-bit or a 32-bit field: one of the two pointers is set, or neither.
struct globalnumber {
  i16* small = nullptr;
  i32* large = nullptr;
  i32 get() const { return small ? *small : large ? *large : 0; }
  void set(i32 n) const {
    if (small) *small = i16(n);
    if (large) *large = n;
  }
  explicit operator bool() const { return small || large; }
};
globalnumber globalinteger(u16 token);

// The paint and draw defaults kept as zero-based indexes and shown one-based.
i16* globalindex(u16 token);

// The capability switches of speech answered from the capability table.
bool globalcapability(u16 token, bool* on);

// One row of the serial word table: a word and its code.
struct serialword {
  const char* word;
  i16 code;
};
std::span<const serialword> serialwords();
// One field of the serial configuration word: its rows in the word table (first and last
// index), its shift and its mask.
struct serialfield {
  u16 first, last, shift;
  u32 mask;
};
// The six fields: baud rate, data bits, parity, stop bits, handshake, port.
std::span<const serialfield> sercontrol();

// The code of the first row from `first` to `last` whose word begins with the n characters of
// `word` (letter case ignored); -1 when none does or first lies after last.
i16 getservalue(const u8* word, i32 n, u16 first, u16 last);

}  // namespace kv
