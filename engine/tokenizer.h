// The tokenizer: Veltrix script text (Mac Roman, lines ended by return) becomes an array of
// atoms in one pass. Nothing here reports syntax errors: what it does not recognise becomes an
// atom of token 4, for whoever reads it to report.
#pragma once

#include <array>

#include "engine/atom.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "platform/memory/memory.h"
#include "platform/types.h"
#include "core/mainglobals.h"

namespace kv {

// Character classes of `tokentable`, one per byte value.
enum : u8 {
  chblank = 0,     // skipped
  choperator = 1,  // & ( ) * + , - / < = > ^ and 0xAD, 0xB2, 0xB3
  chquote = 2,     // "
  chnumber = 3,    // . and 0-9
  chletter = 4,    // A-Z, a-z, _ and the accented letters
  chreturn = 5,    // 13
  chend = 6,       // 0, the end of the text
  chcontinue = 7,  // 0xC2: the statement goes on on the next line
  chother = 8,     // other punctuation
};
extern const std::array<u8, 256> tokentable;

// The atoms handle grows by this many atoms each time it is full.
constexpr i32 atomstep = 400;

// The tokenizer's one failure status: memory could not be had, the text has no stop marker,
// or a token is longer than an atom can measure (65,535 characters).
constexpr i16 tokenizefailed = 37;

// Grows the text by 2 bytes holding the stop marker (return, then 0); answers the new size,
// or the old size with nothing written when the memory guard refuses or the resize fails.
Size appendstop(Handle text);

// Tokenises a text that ends with the stop marker into `atoms` (an existing handle, resized
// here). With a script cache entry, handler names are chained from the entry's heads and the
// handler-present bytes of built-ins are set. 0, or 37; on 37 the atoms written so far stay
// in the handle.
i16 atomize(Handle text, Handle atoms, hier* entry);

// Appends the stop marker to `text` and tokenises it without a cache entry into a new handle.
// 0, or 37 with *atoms none (also when the stop marker could not be appended).
i16 tokenize(Handle text, Handle* atoms);

// The handler-present bytes: one per built-in command, then one per built-in function.
constexpr int commandflags = lastcommand - firstcommand + 1;
constexpr int functionflags = lastfunction - firstfunction + 1;
constexpr Size handlerflagsize = commandflags + functionflags;

// The byte of a built-in command or function, or -1 for any other token.
constexpr int handlerflagindex(u16 token) {
  if (token >= firstcommand && token <= lastcommand) return token - firstcommand;
  if (token >= firstfunction && token <= lastfunction) return commandflags + (token - firstfunction);
  return -1;
}

// True when some script tokenised with a cache entry has a handler for this built-in command
// (2001-2220) or function (3001-3193). The bytes are never cleared during a run. Asked for
// every statement, so inline.
inline bool handlerpresent(u16 token) {
  int index = handlerflagindex(token);
  if (index < 0) return true;  // not a built-in: always searched
  Handle flags = mainglobals().handlerflags;
  if (flags == nilhandle) return false;
  Size size = 0;
  const u8* bytes = derefsize(flags, &size);
  return index < size && bytes[index] != 0;
}

}  // namespace kv
