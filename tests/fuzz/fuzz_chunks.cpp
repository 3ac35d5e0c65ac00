// Narrows, counts and searches arbitrary bytes as one-byte or two-byte text with arbitrary
// delimiters: every range stays inside the text, every counted chunk exists, the chunk after
// the last does not, and the two searches agree with a plain search.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/chunks.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/sjis.h"
#include "core/mainglobals.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

kv::i32 plainsearch(const kv::u8* hay, kv::i32 n, const kv::u8* needle, kv::i32 m) {
  for (kv::i32 p = 0; p + m <= n; ++p)
    if (kv::equalnocase(hay + p, needle, std::size_t(m))) return p + 1;
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size < 4 || size > 1 << 16) return 0;
  resetruntime();
  if (initglobs() != 0) return 0;
  MainGlobals& g = mainglobals();
  // The first four bytes: the mode, and the line, item and word delimiters (a two-byte item
  // delimiter when the mode byte says so).
  g.twobyte = data[0] & 1;
  g.lineDelimiter = data[1];
  g.itemDelimiter = (data[0] & 2) != 0 ? u16(0x8200 | data[2]) : data[2];
  g.wordDelimiter = data[3];
  const u8* text = data + 4;
  i32 n = i32(size - 4);

  fred v{};
  check(charstonewfred(text, n, &v) == 0);
  for (u16 type = tok::line; type <= tok::char_; ++type) {
    i32 count = countchar(&v, 0, n, type);
    check(count >= 0 && count <= n);
    for (i32 first = 0; first <= std::min(count + 2, 40); ++first) {
      i32 s = 0, e = n;
      chunkchar(&v, first, first + (first & 3), &s, &e, type);
      check(0 <= s && s <= e && e <= n);
      if (first >= 1 && first <= count && type == tok::char_) check(e > s);
      if (type == tok::line || type == tok::item) {
        if (first >= 1 && first <= count) check(g.addcount == 0);
        check(g.delcount >= -1 && g.delcount <= 1);
      }
      if (first > count + 1 && (type == tok::line || type == tok::item)) check(g.addcount >= 1);
    }
    // Narrowing within a piece stays within the piece.
    i32 s = n / 3, e = n - n / 4;
    chunkset(&v, chunkspec{chunkmiddle, 0, 0}, type, &s, &e);
    check(n / 3 <= s && s <= e && e <= n - n / 4);
  }
  // Searches: needles cut from the text, and the text's own last bytes.
  const u8* hay = fredaddr(&v);
  for (i32 m : {0, 1, 2, 3, n / 5, n / 2}) {
    if (m > n) continue;
    const u8* needle = hay + (n - m);
    i32 at = stringoff(hay, n, needle, m);
    check(at >= 0 && at <= n - m + 1);
    if (g.twobyte == 0) {
      check(at == plainsearch(hay, n, needle, m));
    } else if (at > 0) {
      check(equalnocase(hay + at - 1, needle, std::size_t(m)));
      check(at == 1 || CharacterByteType(hay, n, at - 1, smJapanese) != smLastByte);
    }
    i32 o = textoffset(hay, n, needle, m, m - 2);
    check(o >= 0 && o <= n + 1);
    i32 l = textlineoffset(hay, n, needle, m, m & 3);
    check(l >= 0 && l <= n + 1);
  }
  disposfred(&v);
  resetruntime();
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {
      "\x00\r, a,b,c\rd e  \"f g\" h\r\r,,",
      "\x01\r, x\x82\xA0y,\x83\x41z\r\x82\r\x82",
      "\x03\r\xA0 a\x82\xA0"
      "b\x82\xA0\x82\xA0"
      "c",
      "\x00\r\r\rone\rtwo\r\rthree   ",
  };
  for (const char* s : seeds) out->emplace_back(s, s + 4 + std::strlen(s + 4));
  return out->size();
}
