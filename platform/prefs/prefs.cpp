#include "platform/prefs/prefs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/files/files.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

struct Domain {
  std::vector<PrefEntry> entries;
  bool changed = false;
};

struct PrefsState {
  std::map<std::string, Domain> domains;
};

bool gooddomain(std::string_view d) {
  return !d.empty() && d != "." && d != ".." && d.find('/') == std::string_view::npos &&
         d.find('\0') == std::string_view::npos;
}

bool goodkey(std::string_view k) {
  if (k.empty()) return false;
  if (k.front() == ' ' || k.back() == ' ' || k.front() == '\t' || k.back() == '\t' || k.front() == '#') return false;
  for (char c : k)
    if (c == '=' || c == '\r' || c == '\n' || c == '\0') return false;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int hexdigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted string (UTF-8 with escapes) to Mac Roman; false when malformed.
bool unquote(std::string_view s, std::string* out) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return false;
  s = s.substr(1, s.size() - 2);
  std::string result;
  std::string utf8;
  auto flush = [&]() {
    result += utf8tomacroman(utf8);
    utf8.clear();
  };
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') return false;
    if (c != '\\') {
      utf8 += c;
      continue;
    }
    if (++i >= s.size()) return false;
    switch (s[i]) {
      case '"': utf8 += '"'; break;
      case '\\': utf8 += '\\'; break;
      case 'n': utf8 += '\n'; break;
      case 'r': utf8 += '\r'; break;
      case 't': utf8 += '\t'; break;
      case 'x': {
        if (i + 2 >= s.size()) return false;
        int hi = hexdigit(s[i + 1]), lo = hexdigit(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        flush();
        result += char(hi * 16 + lo);
        i += 2;
        break;
      }
      default: return false;
    }
  }
  flush();
  *out = std::move(result);
  return true;
}

bool parsenumber(std::string_view s, i64* out) {
  if (s.empty() || s.size() > 20) return false;
  size_t i = 0;
  bool negative = false;
  if (s[0] == '-' || s[0] == '+') {
    negative = s[0] == '-';
    i = 1;
  }
  if (i >= s.size()) return false;
  const u64 limit = negative ? u64(INT64_MAX) + 1 : u64(INT64_MAX);
  u64 magnitude = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    u64 digit = u64(s[i] - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  *out = negative ? i64(0 - magnitude) : i64(magnitude);
  return true;
}

bool parsedata(std::string_view s, std::vector<u8>* out) {
  if (s.size() < 2 || s.front() != '<' || s.back() != '>') return false;
  s = s.substr(1, s.size() - 2);
  std::vector<u8> bytes;
  int pending = -1;
  for (char c : s) {
    if (c == ' ' || c == '\t') continue;
    int d = hexdigit(c);
    if (d < 0) return false;
    if (pending < 0) {
      pending = d;
    } else {
      bytes.push_back(u8(pending * 16 + d));
      pending = -1;
    }
  }
  if (pending >= 0) return false;
  *out = std::move(bytes);
  return true;
}

std::string quote(std::string_view macroman) {
  std::string out = "\"";
  for (char c : macroman) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u8(c) < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", unsigned(u8(c)));
          out += buf;
        } else {
          out += macromantoutf8(std::string_view(&c, 1));
        }
    }
  }
  return out + "\"";
}

std::string domainpath(std::string_view domain) { return preferencesfolder() + "/" + std::string(domain); }

Domain& load(std::string_view domain) {
  PrefsState& s = state<PrefsState>();
  auto it = s.domains.find(std::string(domain));
  if (it != s.domains.end()) return it->second;
  Domain d;
  std::string path = domainpath(domain);
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::string text;
    char buf[4096];
    size_t n = 0;
    // Preference files are small; a file beyond 1 MB is not one of ours and is left unread.
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20)) text.append(buf, n);
    std::fclose(f);
    if (text.size() <= (1u << 20)) d.entries = parsepreferences(text);
  }
  return s.domains.emplace(std::string(domain), std::move(d)).first->second;
}

PrefEntry* find(Domain& d, std::string_view key) {
  for (PrefEntry& e : d.entries)
    if (e.key == key) return &e;
  return nullptr;
}

// Makes every missing folder of a path.
bool makefolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

std::string preferencesfolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/kestrove";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/kestrove";
}

std::vector<PrefEntry> parsepreferences(std::string_view text) {
  std::vector<PrefEntry> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key = utf8tomacroman(trim(line.substr(0, eq)));
    std::string_view v = trim(line.substr(eq + 1));
    if (!goodkey(key)) continue;
    PrefEntry e;
    e.key = key;
    if (!v.empty() && v.front() == '"') {
      if (!unquote(v, &e.value.text)) continue;
    } else if (!v.empty() && v.front() == '<') {
      e.value.type = PrefValue::Type::data;
      if (!parsedata(v, &e.value.data)) continue;
    } else if (i64 n = 0; parsenumber(v, &n)) {
      e.value.type = PrefValue::Type::number;
      e.value.number = n;
    } else {
      e.value.text = utf8tomacroman(v);
    }
    // A later line of the same key wins.
    bool replaced = false;
    for (PrefEntry& old : out) {
      if (old.key == e.key) {
        old.value = e.value;
        replaced = true;
      }
    }
    if (!replaced) out.push_back(std::move(e));
  }
  return out;
}

std::string formatpreferences(const std::vector<PrefEntry>& entries) {
  std::string out;
  for (const PrefEntry& e : entries) {
    out += macromantoutf8(e.key) + " = ";
    switch (e.value.type) {
      case PrefValue::Type::string: out += quote(e.value.text); break;
      case PrefValue::Type::number: out += std::to_string(e.value.number); break;
      case PrefValue::Type::data: {
        out += '<';
        for (u8 b : e.value.data) {
          char buf[4];
          std::snprintf(buf, sizeof buf, "%02x", unsigned(b));
          out += buf;
        }
        out += '>';
        break;
      }
    }
    out += '\n';
  }
  return out;
}

std::optional<PrefValue> getpreference(std::string_view domain, std::string_view key) {
  if (!gooddomain(domain) || !goodkey(key)) return std::nullopt;
  PrefEntry* e = find(load(domain), key);
  if (!e) return std::nullopt;
  return e->value;
}

void setpreference(std::string_view domain, std::string_view key, const PrefValue& value) {
  if (!gooddomain(domain) || !goodkey(key)) return;
  Domain& d = load(domain);
  if (PrefEntry* e = find(d, key)) {
    if (e->value == value) return;
    e->value = value;
  } else {
    d.entries.push_back(PrefEntry{std::string(key), value});
  }
  d.changed = true;
}

void removepreference(std::string_view domain, std::string_view key) {
  if (!gooddomain(domain) || !goodkey(key)) return;
  Domain& d = load(domain);
  size_t before = d.entries.size();
  std::erase_if(d.entries, [key](const PrefEntry& e) { return e.key == key; });
  if (d.entries.size() != before) d.changed = true;
}

bool synchronizepreferences(std::string_view domain) {
  if (!gooddomain(domain)) return false;
  Domain& d = load(domain);
  if (!d.changed) return true;
  std::string folder = preferencesfolder();
  if (!makefolders(folder)) return false;
  const std::string text = formatpreferences(d.entries);
  if (replacefilewhole(domainpath(domain), text.data(), text.size(), 0600) != 0) return false;
  d.changed = false;
  return true;
}

}  // namespace kv
