// Base64 and URL encoding over plain byte buffers. These routines know nothing of script values:
// callers convert values to text and back.
#pragma once

#include "platform/types.h"

namespace kv {

// The 64 characters of standard Base64 (A-Z, a-z, 0-9, '+', '/').
extern const char six2pr[65];

// Encodes `count` bytes of `in` as Base64 into `out`, followed by a zero byte; answers the
// number of characters written, not counting the zero byte. `out` must hold 4 characters for
// every started group of 3 bytes, plus the zero byte. A short final group is padded with '='.
// No line breaks are written, and nothing beyond the `count` bytes is read.
i32 HTUU_encode(const u8* in, i32 count, u8* out);

// Decodes the zero-terminated Base64 text into `out`, writing at most `capacity` bytes; answers
// the number of bytes decoded. Leading spaces and tabs are skipped; the text ends at the first
// character outside the alphabet ('=', a line break, a blank, the zero byte), so a text with
// line breaks decodes only its first line. A lone character after the last whole group of
// four (not valid Base64) carries no whole byte and gives nothing.
i32 HTUU_decode(const u8* text, u8* out, i32 capacity);

// URL-encodes every byte of `in` into `out`: A-Z, a-z, 0-9, '*', '-', '.' and '_' are copied,
// a space becomes '+', every other byte '%' and two upper-case hexadecimal digits. `out` is
// grown when it holds fewer than three bytes for each input byte. Answers the number of bytes
// written (0 for an empty input), or -1 when `out` is none or cannot grow (nothing written).
i32 URLEncode(Handle in, Handle out);

// Decodes a zero-terminated URL text in place: every '+' becomes a space, then each '%' with
// two hexadecimal digits becomes the byte of that value, and a '%' without them is dropped.
// Answers the position of the new terminating zero.
u8* URLDecode(u8* text);

}  // namespace kv
