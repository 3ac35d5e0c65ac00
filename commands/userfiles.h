// Plain files that scripts read and write, and the console (userfiles.cpp).
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `open file path`: the file opened (made, with the creator and type of `fileType`, when it is
// not there) in the first free entry of the table of 20; a failure sets `the result`.
scriptstatus openfilex(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `close file path`: the file closed and its entry freed; `the result` tells a file not open.
scriptstatus closefilex(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `read from file path [at n] for count`, `... until char`, `... until end` or `until eof`:
// `it` gets the bytes. 46 without "from", 73 without "file", 74 without "for" or "until", 75
// for an end mark that is not one character.
scriptstatus comread(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The read itself, for a file named by its path: `mode` is the token of "for" (read `count`
// bytes), "until" (up to and with `terminator`), "end" or "eof"; with `at` set the read starts
// at `position` (a negative one counts from the end of the file), else after the last read.
i16 readuserfile(ConstStringPtr name, u16 mode, i32 count, u8 terminator, i32 position, bool at, Handle variables);
// `write value to|after file path [at n | at start | at end | at eof]`, or `write value
// to|after console` (one time-stamped line on the console). 119 without "to" or "after", 73
// when neither "file" nor "console" follows.
scriptstatus comwrite(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// Closes every open user file, the picture sequence and the movie being recorded, quietly.
i16 closealluserfiles();

}  // namespace kv
