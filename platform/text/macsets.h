// The one-byte Mac text encodings beyond Mac Roman, Symbol and Zapf Dingbats: Arabic, Hebrew,
// Greek, Cyrillic, Central European, Turkish, Croatian, Icelandic, Romanian, Farsi and
// Ukrainian, as tables of our own (macsets.inc, written by buildtools/macsets.pl from Debian's
// mappings). Celtic, Gaelic and Inuit have no table: no mapping of them is at hand.
#pragma once

#include "platform/types.h"

namespace kv {

// True when the encoding base has a table here.
bool hasmacset(u32 base);
// The UTF-16 unit of a byte of the set, or 0xFFFF when the byte has no character (or the base
// no table).
char16_t macsettounicode(u32 base, u8 c);

}  // namespace kv
