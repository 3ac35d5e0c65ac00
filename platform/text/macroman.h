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

}  // namespace kv
