// The international order of Mac Roman texts (see intlcompare.h).
#include "platform/text/intlcompare.h"

#include <array>
#include <vector>

#include "platform/text/macroman.h"

namespace kv {

namespace {

// Accents, in the order their letters sort after the plain letter.
enum : unsigned char {
  plain = 0,
  grave,
  acute,
  circumflex,
  tilde,
  diaeresis,
  ring,
  cedilla,
  stroke,
  dotless,
  ligature,
  eth,
  thorn
};

// One character's weights: up to two base letters (lower case), its accent and its case.
struct weight {
  char base[3] = {0, 0, 0};
  unsigned char accent = plain;
  unsigned char capital = 0;
  int other = -1;  // a character that is no letter: its ASCII code, or after every letter
};

// The Latin-1 letters U+00C0-U+00FF: base letters and accents ('.' for the two signs).
constexpr char kLatinBase[] = "aaaaaa!ceeeeiiiidnooooo.ouuuuy$#aaaaaa!ceeeeiiiidnooooo.ouuuuy$y";
constexpr unsigned char kLatinAccent[32] = {grave,      acute,     circumflex, tilde,      diaeresis, ring,  ligature,
                                            cedilla,    grave,     acute,      circumflex, diaeresis, grave, acute,
                                            circumflex, diaeresis, eth,        tilde,      grave,     acute, circumflex,
                                            tilde,      diaeresis, plain,      stroke,     grave,     acute, circumflex,
                                            diaeresis,  acute,     thorn,      ligature};

weight weigh(unsigned char c) {
  weight w;
  const char32_t u = macromantounicode(c);
  auto letters = [&](const char* s, unsigned char accent, bool capital) {
    w.base[0] = s[0];
    w.base[1] = s[1];
    w.accent = accent;
    w.capital = capital ? 1 : 0;
  };
  if (u < 0x80) {
    const char one[2] = {char(u >= 'A' && u <= 'Z' ? u + 32 : u), 0};
    if (u >= 'A' && u <= 'Z') letters(one, plain, true);
    else if (u >= 'a' && u <= 'z') letters(one, plain, false);
    else w.other = int(u);
    return w;
  }
  if (u >= 0xC0 && u <= 0xFF && u != 0xD7 && u != 0xF7) {
    const int i = int(u - 0xC0);
    const bool capital = u < 0xDF;
    const char b = kLatinBase[i];
    const unsigned char accent = kLatinAccent[i & 31];
    const char one[2] = {b, 0};
    if (b == '!') letters("ae", ligature, capital);
    else if (b == '$') letters("th", thorn, capital);
    else if (b == '#') letters("ss", ligature, false);
    else letters(one, u == 0xFF ? static_cast<unsigned char>(diaeresis) : accent, capital);
    return w;
  }
  switch (u) {
    case 0x152: letters("oe", ligature, true); break;
    case 0x153: letters("oe", ligature, false); break;
    case 0x178: letters("y", diaeresis, true); break;
    case 0x131: letters("i", dotless, false); break;
    case 0xFB01: letters("fi", ligature, false); break;
    case 0xFB02: letters("fl", ligature, false); break;
    default: w.other = 0x100 + int(c); break;  // after every letter and every ASCII sign
  }
  return w;
}

const std::array<weight, 256>& weights() {
  static const std::array<weight, 256> table = [] {
    std::array<weight, 256> t{};
    for (int c = 0; c < 256; ++c) t[size_t(c)] = weigh(static_cast<unsigned char>(c));
    return t;
  }();
  return table;
}

// The keys of one level: level 0 base letters (other characters by their place after the
// letters), level 1 accents, level 2 case.
std::vector<int> keys(std::string_view s, int level) {
  const auto& t = weights();
  std::vector<int> out;
  out.reserve(s.size());
  for (char ch : s) {
    const weight& w = t[static_cast<unsigned char>(ch)];
    if (w.other >= 0) {
      out.push_back(level == 0 ? w.other : 0);
      continue;
    }
    for (int i = 0; i < 2 && w.base[i] != 0; ++i)
      out.push_back(level == 0 ? int(w.base[i]) : level == 1 ? int(w.accent) : int(w.capital));
  }
  return out;
}

int comparekeys(const std::vector<int>& a, const std::vector<int>& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

}  // namespace

int intlcompare(std::string_view a, std::string_view b) {
  for (int level = 0; level < 3; ++level)
    if (int order = comparekeys(keys(a, level), keys(b, level)); order != 0) return order;
  return 0;
}

}  // namespace kv
