// The character sets of the two pictorial fonts, Symbol and Zapf Dingbats, as Unicode code
// points of their bytes. Bytes 0x00-0x1F and 0x7F are the control characters in both; a byte
// the set leaves undefined answers 0. Characters Unicode has no code point of their own for
// (the bracket extenders and the sans-serif forms of the registered, copyright and trademark
// signs) take the private-use code points fonts commonly give them, so every defined byte maps
// to a code point no other byte of its set has.
#pragma once

#include "platform/types.h"

namespace kv {

char32_t symboltounicode(u8 c);
char32_t dingbatstounicode(u8 c);

}  // namespace kv
