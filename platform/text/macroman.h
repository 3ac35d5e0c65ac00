// Mac Roman, the character set of every text inside the system, and its conversion to and
// from UTF-8 at the operating-system boundary.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"

namespace kv {

// The Unicode code point of a Mac Roman byte.
char32_t macromantounicode(u8 c);
// The Mac Roman byte of a code point; false when Mac Roman has none.
bool unicodetomacroman(char32_t cp, u8* out);

// Mac Roman bytes to UTF-8.
std::string macromantoutf8(std::string_view macroman);
// UTF-8 to Mac Roman. Characters Mac Roman cannot hold (and malformed UTF-8) become
// `replacement`; *lossy is set when that happened.
std::string utf8tomacroman(std::string_view utf8, u8 replacement = '?', bool* lossy = nullptr);

// File names and paths crossing to and from the file system. A name on disk may hold
// characters Mac Roman has no byte for, or bytes that are not UTF-8 at all; such a unit is
// written in the Mac Roman name as an escape that starts with the lozenge (0xD7):
//   lozenge, hex digits of the code point (upper case, no leading zeros), ';'
//   lozenge, '#', two hex digits of a byte that is not UTF-8, ';'
// A lozenge of the disk name is doubled where it would otherwise read as an escape. So any
// disk name comes back unchanged from filenametomacroman and then macromantofilename; a
// lozenge in a Mac Roman name that starts no escape stands for itself.
std::string macromantofilename(std::string_view macroman);
std::string filenametomacroman(std::string_view utf8);

}  // namespace kv
