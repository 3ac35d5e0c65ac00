// Preferences: small key-value files, one per domain, under $XDG_CONFIG_HOME/kestrove/
// ($HOME/.config/kestrove/ when XDG_CONFIG_HOME is not set). A domain's file is read on first
// use and kept in memory; changes reach the file when the domain is synchronised.
//
// The file form (UTF-8), also that of the program's information file (platform/prefs/bundle.h):
//   # a comment
//   key = "text"          a string: \" \\ \n \r \t and \xHH (a Mac Roman byte) escapes
//   key = -123            a number (signed 64-bit)
//   key = <0a1b2c>        data, as hexadecimal bytes
//   key = Yes             any other bare text is a string (without its outer blanks)
// A key is the text before the first '=' without its outer blanks (it may hold blanks, never
// '=' or a line break). Lines that are none of these are skipped, and dropped when the file is
// written again. Texts cross the boundary as Mac Roman inside, UTF-8 in the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kv {

struct PrefValue {
  enum class Type : u8 { string, number, data };
  Type type = Type::string;
  std::string text;  // a string: Mac Roman
  i64 number = 0;
  std::vector<u8> data;

  static PrefValue ofstring(std::string_view macroman) {
    PrefValue v;
    v.text = std::string(macroman);
    return v;
  }
  static PrefValue ofnumber(i64 n) {
    PrefValue v;
    v.type = Type::number;
    v.number = n;
    return v;
  }
  static PrefValue ofdata(std::vector<u8> bytes) {
    PrefValue v;
    v.type = Type::data;
    v.data = std::move(bytes);
    return v;
  }
  bool operator==(const PrefValue&) const = default;
};

// A domain names one file: a non-empty name without '/' that is not "." or "..". Keys are
// Mac Roman. An unusable domain or key reads as missing and keeps nothing.
std::optional<PrefValue> getpreference(std::string_view domain, std::string_view key);
void setpreference(std::string_view domain, std::string_view key, const PrefValue& value);
void removepreference(std::string_view domain, std::string_view key);
// Writes the domain's file when it changed (a new file replaces the old one only once it is
// complete). True when the file holds what the domain holds now.
bool synchronizepreferences(std::string_view domain);

// The folder of the preference files (UTF-8), from the environment at the time of the call.
std::string preferencesfolder();

// --- The file form, for the readers of other files of that form -----------------------------
struct PrefEntry {
  std::string key;  // Mac Roman
  PrefValue value;
};
// Parses a text of the file form; malformed lines are skipped.
std::vector<PrefEntry> parsepreferences(std::string_view utf8);
// The file form of entries, one line each.
std::string formatpreferences(const std::vector<PrefEntry>& entries);

}  // namespace kv
