#include "platform/text/macroman.h"

#include <vector>

namespace kv {
namespace {

// Code points of the bytes 0x80-0xFF.
constexpr char16_t kHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,  // 80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,  // 88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,  // 90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,  // 98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,  // A0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,  // A8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,  // B0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,  // B8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,  // C0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,  // C8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,  // D0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,  // D8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,  // E0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,  // E8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,  // F0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,  // F8
};

void pututf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

constexpr u8 kLozenge = 0xD7;  // starts an escape in a Mac Roman file name

int hexdigit(u8 c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case is not an escape: each unit has exactly one spelling
}

bool validscalar(char32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

// Reads an escape in `rest`, the text just after a lozenge of a Mac Roman name. Answers the
// bytes it spans (0: the lozenge stands for itself) and appends the UTF-8 it stands for.
std::size_t decodeescape(std::string_view rest, std::string* out) {
  if (!rest.empty() && u8(rest[0]) == kLozenge) {
    if (out) pututf8(*out, 0x25CA);
    return 1;
  }
  if (rest.size() >= 4 && rest[0] == '#' && rest[3] == ';') {
    int hi = hexdigit(u8(rest[1])), lo = hexdigit(u8(rest[2]));
    if (hi >= 8 && lo >= 0) {  // only bytes 0x80-0xFF can be outside UTF-8
      if (out) *out += char(hi * 16 + lo);
      return 4;
    }
    return 0;
  }
  char32_t cp = 0;
  std::size_t n = 0;
  while (n < rest.size() && n < 6 && hexdigit(u8(rest[n])) >= 0) cp = cp * 16 + char32_t(hexdigit(u8(rest[n++])));
  if (n == 0 || n >= rest.size() || rest[n] != ';' || rest[0] == '0') return 0;
  u8 m;
  if (!validscalar(cp) || unicodetomacroman(cp, &m)) return 0;
  if (out) pututf8(*out, cp);
  return n + 1;
}

// Decodes one UTF-8 sequence strictly (no overlong forms, surrogates or values past
// U+10FFFF); answers its length, or 0 when s does not start with one.
std::size_t strictutf8(std::string_view s, char32_t* cp) {
  u8 c = u8(s[0]);
  if (c < 0x80) {
    *cp = c;
    return 1;
  }
  std::size_t len;
  char32_t v, min;
  if ((c & 0xE0) == 0xC0) {
    len = 2, v = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, v = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, v = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((u8(s[k]) & 0xC0) != 0x80) return 0;
    v = (v << 6) | (u8(s[k]) & 0x3F);
  }
  if (v < min || !validscalar(v)) return 0;
  *cp = v;
  return len;
}

const char kHex[] = "0123456789ABCDEF";

}  // namespace

char32_t macromantounicode(u8 c) { return c < 0x80 ? char32_t(c) : char32_t(kHigh[c - 0x80]); }

bool unicodetomacroman(char32_t cp, u8* out) {
  if (cp < 0x80) {
    *out = u8(cp);
    return true;
  }
  for (int i = 0; i < 128; ++i) {
    if (kHigh[i] == cp) {
      *out = u8(0x80 + i);
      return true;
    }
  }
  return false;
}

std::string macromantoutf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) pututf8(out, macromantounicode(u8(ch)));
  return out;
}

std::string utf8tomacroman(std::string_view s, u8 replacement, bool* lossy) {
  std::string out;
  out.reserve(s.size());
  if (lossy) *lossy = false;
  std::size_t i = 0;
  while (i < s.size()) {
    u8 c = u8(s[i]);
    char32_t cp = 0;
    int extra = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      extra = 3;
    } else {
      cp = 0xFFFD;
    }
    bool ok = cp != 0xFFFD;
    std::size_t j = i + 1;
    for (int k = 0; k < extra && ok; ++k, ++j) {
      if (j >= s.size() || (u8(s[j]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (u8(s[j]) & 0x3F);
    }
    u8 m;
    if (ok && unicodetomacroman(cp, &m)) {
      out += char(m);
    } else {
      out += char(replacement);
      if (lossy) *lossy = true;
    }
    i = ok ? j : i + 1;
  }
  return out;
}

std::string macromantofilename(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (u8(s[i]) == kLozenge) {
      std::size_t n = decodeescape(s.substr(i + 1), &out);
      if (n == 0) pututf8(out, 0x25CA);
      i += n;
    } else {
      pututf8(out, macromantounicode(u8(s[i])));
    }
  }
  return out;
}

std::string filenametomacroman(std::string_view s) {
  // Each unit of the disk name becomes its Mac Roman spelling. Units are spelled from the
  // last to the first so that a lozenge knows what follows it.
  std::vector<std::string> units;
  std::vector<bool> lozenge;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp;
    std::size_t n = strictutf8(s.substr(i), &cp);
    std::string u;
    u8 m;
    if (n == 0) {
      u8 b = u8(s[i]);
      u = {char(kLozenge), '#', kHex[b >> 4], kHex[b & 15], ';'};
      n = 1;
    } else if (unicodetomacroman(cp, &m)) {
      u = std::string(1, char(m));
    } else {
      u = std::string(1, char(kLozenge));
      char digits[8];
      int k = 0;
      for (char32_t v = cp; v != 0; v >>= 4) digits[k++] = kHex[v & 15];
      while (k > 0) u += digits[--k];
      u += ';';
    }
    lozenge.push_back(n == 3 && cp == 0x25CA);
    units.push_back(std::move(u));
    i += n;
  }
  std::string ahead;  // the first bytes of what follows the unit being spelled
  for (std::size_t k = units.size(); k-- > 0;) {
    if (lozenge[k] && decodeescape(ahead, nullptr) != 0) units[k] += char(kLozenge);
    ahead = (units[k] + ahead).substr(0, 12);
  }
  std::string out;
  for (auto& u : units) out += u;
  return out;
}

}  // namespace kv
