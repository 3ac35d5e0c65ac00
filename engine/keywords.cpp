#include "engine/keywords.h"

#include <array>
#include <cstring>

#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "core/debugmsg.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

// --- The rows as written, in list order --------------------------------------------------------
struct writtenrow {
  const char* spelling;
  u16 token;
  char letter;  // the table of a row without a spelling; 0 = the spelling's initial
};

constexpr writtenrow writtenrows[] = {
#define KV_KEYWORD(spelling, token) {spelling, token, 0},
#define KV_EMPTYROW(letter, token) {"", token, letter},
#define KV_TOKEN(name, token)
#include "engine/keywordlist.inc"
#undef KV_KEYWORD
#undef KV_EMPTYROW
#undef KV_TOKEN
};
constexpr int rowcount = int(std::size(writtenrows));

constexpr u8 lowerof(u8 c) { return lowertable[c]; }

constexpr int lengthof(const char* s) {
  int n = 0;
  while (s[n] != 0) ++n;
  return n;
}

constexpr int letterof(const writtenrow& r) { return int(lowerof(u8(r.letter != 0 ? r.letter : r.spelling[0]))) - 'a'; }

// --- The per-letter tables, built lower-case at compile time -----------------------------------
struct builttable {
  std::array<keywordrow, rowcount> rows{};
  std::array<u16, 26> start{};
  std::array<u16, 26> count{};
  int longest = 0;
};

constexpr builttable buildtable() {
  builttable t;
  int n = 0;
  for (int letter = 0; letter < 26; ++letter) {
    t.start[size_t(letter)] = u16(n);
    for (const writtenrow& w : writtenrows) {
      if (letterof(w) != letter) continue;
      keywordrow& r = t.rows[size_t(n++)];
      int len = lengthof(w.spelling);
      r.text[0] = u8(len);
      for (int i = 0; i < len; ++i) r.text[i + 1] = lowerof(u8(w.spelling[i]));
      r.token = w.token;
      if (len > t.longest) t.longest = len;
    }
    t.count[size_t(letter)] = u16(n - t.start[size_t(letter)]);
  }
  return t;
}

constexpr bool rowsarewellformed() {
  for (const writtenrow& w : writtenrows) {
    int len = lengthof(w.spelling);
    if (len >= int(sizeof(keywordrow::text))) return false;
    int letter = letterof(w);
    if (letter < 0 || letter >= 26) return false;
    if (len == 0 && w.letter == 0) return false;
    for (int i = 0; i < len; ++i) {
      u8 c = lowerof(u8(w.spelling[i]));
      if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    }
  }
  return true;
}
static_assert(rowsarewellformed(), "every keyword is letters and digits, starts with a letter, fits a row");

constexpr builttable table = buildtable();
static_assert(table.start[25] + table.count[25] == rowcount, "every row is in one letter table");

constexpr std::array<keywordletter, 27> buildindex() {
  std::array<keywordletter, 27> v{};
  for (size_t i = 0; i < 26; ++i) v[i] = {&table.rows[table.start[i]], table.count[i]};
  v[26] = {nullptr, 0};
  return v;
}
constexpr std::array<keywordletter, 27> vect = buildindex();

// --- Fixed names of the data atoms and the symbol operators ------------------------------------
struct fixedname {
  u16 token;
  u8 text[16];
};

constexpr fixedname makename(u16 token, const char* s) {
  fixedname f{token, {}};
  int len = lengthof(s);
  f.text[0] = u8(len);
  for (int i = 0; i < len; ++i) f.text[i + 1] = u8(s[i]);
  return f;
}

constexpr fixedname fixednames[] = {
    makename(tok::endofline, "_endOfLine"),
    makename(tok::endofscript, "_endofhand"),
    makename(tok::stringatom, "_strdata"),
    makename(tok::numberatom, "_numdata"),
    makename(tok::unknown, "_unknown"),
    makename(tok::leftparen, "_leftparn"),
    makename(tok::rightparen, "_rightparn"),
    makename(tok::variable, "_variable"),
    makename(tok::minus, "_minus"),
    makename(tok::power, "_power"),
    makename(tok::mult, "_mult"),
    makename(tok::plus, "_plus"),
    makename(tok::concat, "_concat"),
    makename(tok::concatspace, "_catspace"),
    makename(tok::less, "_lessthan"),
    makename(tok::greater, "_greathan"),
    makename(tok::lessequal, "_lessequal"),
    makename(tok::greaterequal, "_greatequal"),
    makename(tok::isnotin, "_isnotin"),
    makename(tok::isin, "_isin"),
    makename(tok::iswithin, "_iswithin"),
    makename(tok::notwithin, "_notwithin"),
    makename(tok::thereis, "_thereis"),
    makename(tok::thereisnot, "_thereisnot"),
};

// The answer for a token without any text.
constexpr fixedname unknownname = makename(tok::unknown, "unknown");

// A length-prefixed text made from a literal.
template <size_t N>
struct pstring {
  u8 text[N];
};
template <size_t N>
constexpr pstring<N> pstr(const char (&s)[N]) {
  pstring<N> p{};
  p.text[0] = u8(N - 1);
  for (size_t i = 0; i + 1 < N; ++i) p.text[i + 1] = u8(s[i]);
  return p;
}

constexpr auto overflowmessage = pstr("!Error! Token hash table overflow!");

// ELF hash of the lower-cased bytes.
u32 hashof(const u8* text, int length) {
  u32 h = 0;
  for (int i = 0; i < length; ++i) {
    h = (h << 4) + lowertable[text[i]];
    u32 g = h & 0xF0000000u;
    if (g != 0) h ^= g >> 24;
    h &= ~g;
  }
  return h;
}

}  // namespace

std::span<const keywordletter> keywordindex() { return vect; }

i16 hashtokens() {
  MainGlobals& g = mainglobals();
  if (g.tokenhash != nilhandle) {
    DisposeHandle(g.tokenhash);
    g.tokenhash = nilhandle;
  }
  Handle h = NewHandleClear(hashslots * Size(sizeof(u32)));
  if (h == nilhandle) return 37;
  g.tokenhash = h;
  u32* slots = HandleAs<u32>(h);
  for (const keywordletter& letter : vect) {
    if (letter.rows == nullptr) break;
    for (u16 i = 0; i < letter.count; ++i) {
      const keywordrow& row = letter.rows[i];
      if (row.text[0] == 0) continue;
      int slot = int(hashof(row.text + 1, row.text[0]) % hashbuckets) * 8;
      while (slots[slot] != 0) {
        if (slot == hashlastslot) {
          KVDebugMsg(overflowmessage.text);
          return 1;
        }
        ++slot;
      }
      slots[slot] = u32(&row - table.rows.data()) + 1;
    }
  }
  return 0;
}

u16 stringtotoken(const u8* text, u16 length) {
  if (text == nullptr || length == 0) return tok::unknown;
  u8 first = lowertable[text[0]];
  if (first < 'a' || first > 'z') return tok::unknown;
  if (length > table.longest) return tok::unknown;  // no row is that long
  MainGlobals& g = mainglobals();
  if (g.tokenhash == nilhandle && hashtokens() == 37) return tok::unknown;
  const u32* slots = HandleAs<u32>(g.tokenhash);
  for (int slot = int(hashof(text, length) % hashbuckets) * 8; slot <= hashlastslot; ++slot) {
    u32 v = slots[slot];
    if (v == 0) return tok::unknown;
    const keywordrow& row = table.rows[v - 1];
    if (row.text[0] != length) continue;
    int i = 0;
    while (i < length && row.text[i + 1] == lowertable[text[i]]) ++i;
    if (i == length) return row.token;
  }
  return tok::unknown;
}

ConstStringPtr tokentostring(u16 token) {
  for (const keywordletter& letter : vect) {
    if (letter.rows == nullptr) break;
    for (u16 i = 0; i < letter.count; ++i)
      if (letter.rows[i].token == token) return letter.rows[i].text;
  }
  for (const fixedname& f : fixednames)
    if (f.token == token) return f.text;
  return unknownname.text;
}

i16 getsynonyms(u16 token, Str255 word) {
  Str255 given;
  std::memcpy(given, word, size_t(word[0]) + 1);
  word[0] = 0;
  bool added = false;
  for (const keywordletter& letter : vect) {
    if (letter.rows == nullptr) break;
    for (u16 i = 0; i < letter.count; ++i) {
      const keywordrow& row = letter.rows[i];
      if (row.token != token || row.text[0] == 0) continue;
      if (row.text[0] == given[0]) {
        int k = 0;
        while (k < given[0] && row.text[k + 1] == lowertable[given[k + 1]]) ++k;
        if (k == given[0]) continue;  // the given spelling itself
      }
      int room = 255 - word[0];
      int want = 1 + row.text[0];
      int take = want < room ? want : room;
      if (take > 0) {
        word[word[0] + 1] = ',';
        std::memcpy(word + word[0] + 2, row.text + 1, size_t(take - 1));
        word[0] = u8(word[0] + take);
      }
      added = true;
    }
  }
  return added ? 1 : 0;
}

}  // namespace kv
