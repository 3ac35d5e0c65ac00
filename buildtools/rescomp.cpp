// Resource compiler: turns the program's resources, authored as text in resources/*.res,
// into one resource file in the classic format (big-endian) and writes it out, either as a
// binary file (--out FILE) or as a C++ source that embeds the bytes (--cpp FILE).
//
// Source format (UTF-8; texts are converted to Mac Roman):
//
//   # a comment
//   STR# 1007 "Result texts"        a string list: one quoted string per line, then "end".
//     "first entry"                 An entry may start with its number; entries without a
//     5 "fifth entry"               number follow the one before. Skipped numbers are empty.
//     6 sixth "sixth entry"         A numbered entry may name itself (lower-case letters and
//                                   digits); the name is for the code, not the resource.
//   end
//   STR 128 "name"                  one string
//     "text"
//   end
//   hex CURS 128 "arrow"            raw bytes: hex pairs (spaces and newlines ignored); a type
//                                   that ends in spaces ends in underscores here ("snd_")
//     0001 0203 ...
//   end
//   words DLOG 100 ""               16-bit big-endian numbers (decimal or 0x..), then
//     40 40 200 400 1 ...           optionally "str" lines for length-prefixed texts
//     str "A title"                 (padded to an even length with "pstr-even") and
//   end                             "bytes" lines of hex
//
// Quoted strings accept \" \\ \n \r \t and \xHH (a Mac Roman byte).
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/resources/resourceformat.h"
#include "platform/text/macroman.h"

namespace {

struct Resource {
  std::string type;  // four characters
  int id = 0;
  std::string name;  // Mac Roman
  std::vector<std::uint8_t> data;
};

[[noreturn]] void fail(const std::string& file, int line, const std::string& msg) {
  std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), line, msg.c_str());
  std::exit(1);
}

// Parses a quoted string starting at s[i] == '"'; answers Mac Roman bytes.
std::string quoted(const std::string& s, std::size_t& i, const std::string& file, int line) {
  if (i >= s.size() || s[i] != '"') fail(file, line, "expected a quoted string");
  ++i;
  std::string utf8;
  std::string out;
  auto flush = [&]() {
    bool lossy = false;
    out += kv::utf8tomacroman(utf8, '?', &lossy);
    if (lossy) fail(file, line, "text has characters that Mac Roman cannot hold");
    utf8.clear();
  };
  while (i < s.size() && s[i] != '"') {
    char c = s[i++];
    if (c != '\\') {
      utf8 += c;
      continue;
    }
    if (i >= s.size()) fail(file, line, "dangling backslash");
    char e = s[i++];
    switch (e) {
      case 'n': utf8 += '\n'; break;
      case 'r': utf8 += '\r'; break;
      case 't': utf8 += '\t'; break;
      case '"': utf8 += '"'; break;
      case '\\': utf8 += '\\'; break;
      case 'x': {
        if (i + 2 > s.size()) fail(file, line, "bad \\x escape");
        flush();
        out += char(std::strtol(s.substr(i, 2).c_str(), nullptr, 16));
        i += 2;
        break;
      }
      default: fail(file, line, std::string("unknown escape \\") + e);
    }
  }
  if (i >= s.size()) fail(file, line, "unterminated string");
  ++i;
  flush();
  return out;
}

std::string trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  std::size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(std::uint8_t(x >> 8));
  v.push_back(std::uint8_t(x));
}

void hexbytes(const std::string& text, std::vector<std::uint8_t>& out, const std::string& file, int line) {
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    else if (!std::isspace(static_cast<unsigned char>(c))) fail(file, line, "bad hex digit");
  if (digits.size() % 2) fail(file, line, "odd number of hex digits");
  for (std::size_t i = 0; i < digits.size(); i += 2)
    out.push_back(std::uint8_t(std::strtol(digits.substr(i, 2).c_str(), nullptr, 16)));
}

void parsefile(const std::string& file, std::vector<Resource>& out) {
  std::ifstream in(file);
  if (!in) fail(file, 0, "cannot read");
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string l = trim(raw);
    if (l.empty() || l[0] == '#') continue;
    std::istringstream head(l);
    std::string kind;
    head >> kind;
    std::string type;
    if (kind == "hex" || kind == "words") {
      head >> type;
      // A type with trailing spaces is written with underscores for them ("snd_").
      for (std::size_t k = type.size(); k > 0 && type[k - 1] == '_'; --k) type[k - 1] = ' ';
    } else if (kind == "STR") type = kind = "STR ";
    else type = kind;
    if (type.size() != 4) fail(file, line, "resource type must be four characters: " + type);
    Resource r;
    r.type = type;
    int id = 0;
    if (!(head >> id)) fail(file, line, "missing resource id");
    if (id < -32768 || id > 32767) fail(file, line, "resource id out of range");
    r.id = id;
    std::string rest;
    std::getline(head, rest);
    rest = trim(rest);
    std::size_t qi = 0;
    if (!rest.empty()) r.name = quoted(rest, qi, file, line);
    std::vector<std::string> entries;
    bool ended = false;
    while (std::getline(in, raw)) {
      ++line;
      std::string b = trim(raw);
      if (b.empty() || b[0] == '#') continue;
      if (b == "end") {
        ended = true;
        break;
      }
      if (kind == "STR#" || kind == "STR ") {
        std::size_t i = 0;
        std::size_t number = entries.size() + 1;
        if (std::isdigit(static_cast<unsigned char>(b[0]))) {
          number = std::size_t(std::strtoul(b.c_str(), nullptr, 10));
          while (i < b.size() && std::isdigit(static_cast<unsigned char>(b[i]))) ++i;
          while (i < b.size() && b[i] == ' ') ++i;
          if (i < b.size() && std::islower(static_cast<unsigned char>(b[i]))) {
            while (i < b.size() &&
                   (std::islower(static_cast<unsigned char>(b[i])) || std::isdigit(static_cast<unsigned char>(b[i]))))
              ++i;
            while (i < b.size() && b[i] == ' ') ++i;
          }
          if (number > 0 && number <= entries.size())
            fail(file, line, "entry " + std::to_string(number) + " given twice or out of order");
          if (number == 0 || number > 32767) fail(file, line, "bad entry number");
        }
        std::string s = quoted(b, i, file, line);
        if (s.size() > 255) fail(file, line, "string longer than 255 characters");
        entries.resize(number - 1);
        entries.push_back(s);
      } else if (kind == "hex") {
        hexbytes(b, r.data, file, line);
      } else if (kind == "words") {
        if (b.rfind("str ", 0) == 0 || b.rfind("pstr-even ", 0) == 0) {
          bool even = b[0] == 'p';
          std::size_t i = b.find('"');
          std::string s = quoted(b, i, file, line);
          if (s.size() > 255) fail(file, line, "string longer than 255 characters");
          r.data.push_back(std::uint8_t(s.size()));
          r.data.insert(r.data.end(), s.begin(), s.end());
          if (even && r.data.size() % 2) r.data.push_back(0);
        } else if (b.rfind("bytes ", 0) == 0) {
          hexbytes(b.substr(6), r.data, file, line);
        } else {
          std::istringstream ws(b);
          std::string w;
          while (ws >> w) {
            char* end = nullptr;
            long v = std::strtol(w.c_str(), &end, 0);
            if (end == w.c_str() || *end != 0 || v < -32768 || v > 65535) fail(file, line, "bad number " + w);
            put16(r.data, std::uint32_t(v) & 0xFFFF);
          }
        }
      } else {
        fail(file, line, "unknown resource kind " + kind);
      }
    }
    if (!ended) fail(file, line, "missing end");
    if (kind == "STR#") {
      put16(r.data, std::uint32_t(entries.size()));
      for (auto& s : entries) {
        r.data.push_back(std::uint8_t(s.size()));
        r.data.insert(r.data.end(), s.begin(), s.end());
      }
    } else if (kind == "STR ") {
      if (entries.size() != 1) fail(file, line, "STR holds exactly one string");
      r.data.push_back(std::uint8_t(entries[0].size()));
      r.data.insert(r.data.end(), entries[0].begin(), entries[0].end());
    }
    out.push_back(std::move(r));
  }
}

std::vector<std::uint8_t> buildmap(const std::vector<Resource>& res) {
  std::vector<kv::ResourceItem> items;
  for (const Resource& r : res) {
    kv::ResourceItem it;
    it.type = (kv::ResType(std::uint8_t(r.type[0])) << 24) | (kv::ResType(std::uint8_t(r.type[1])) << 16) |
              (kv::ResType(std::uint8_t(r.type[2])) << 8) | kv::ResType(std::uint8_t(r.type[3]));
    it.id = kv::i16(r.id);
    it.name = r.name;
    it.data = r.data;
    items.push_back(std::move(it));
  }
  std::vector<std::uint8_t> file;
  std::string error;
  if (!kv::buildresourcefile(items, &file, &error)) {
    std::fprintf(stderr, "rescomp: %s\n", error.c_str());
    std::exit(1);
  }
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, cpp;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--out" && i + 1 < argc) out = argv[++i];
    else if (a == "--cpp" && i + 1 < argc) cpp = argv[++i];
    else inputs.push_back(a);
  }
  std::vector<Resource> res;
  for (auto& f : inputs) parsefile(f, res);
  std::vector<std::uint8_t> file = buildmap(res);
  if (!out.empty()) {
    std::ofstream o(out, std::ios::binary);
    o.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  }
  if (!cpp.empty()) {
    std::ofstream o(cpp);
    o << "// Generated by the resource compiler from resources/*.res. Do not edit.\n"
      << "#include <cstddef>\n\nnamespace kv {\nextern const unsigned char kEmbeddedResources[];\n"
      << "extern const std::size_t kEmbeddedResourcesSize;\n"
      << "alignas(4) const unsigned char kEmbeddedResources[] = {";
    for (std::size_t i = 0; i < file.size(); ++i) {
      if (i % 20 == 0) o << "\n ";
      o << ' ' << unsigned(file[i]) << ',';
    }
    o << "\n};\nconst std::size_t kEmbeddedResourcesSize = " << file.size() << ";\n}  // namespace kv\n";
  }
  return 0;
}
