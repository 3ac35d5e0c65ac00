// Chunk narrowing, counting and searching, in one-byte and two-byte text, called directly.
#include "engine/chunks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include <string_view>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/random.h"
#include "platform/text/sjis.h"
#include "core/mainglobals.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

const u8* bytes(std::string_view s) { return reinterpret_cast<const u8*>(s.data()); }

// A value holding a text, released at the end of the scope. With class fredobject it stands
// for a field's own text.
struct Text {
  fred v{};
  explicit Text(std::string_view s, i16 cls = fredtemp) {
    EXPECT_EQ(charstonewfred(s.data(), Size(s.size()), &v), 0);
    v.cls = cls;
  }
  ~Text() {
    v.cls = fredtemp;  // the test made the text, so it releases it
    disposfred(&v);
  }
};

// The leftmost match tried position by position.
i32 plainsearch(std::string_view needle, std::string_view hay) {
  for (size_t p = 0; p + needle.size() <= hay.size(); ++p) {
    bool same = true;
    for (size_t i = 0; i < needle.size() && same; ++i) same = lowerchar(u8(hay[p + i])) == lowerchar(u8(needle[i]));
    if (same) return i32(p + 1);
  }
  return 0;
}

class ChunksTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
  }
  MainGlobals& g() { return mainglobals(); }

  // The text of chunks first..last of the whole text.
  std::string chunk(std::string_view text, u16 type, i32 first, i32 last = -1, i16 cls = fredtemp) {
    Text t(text, cls);
    i32 s = 0, e = i32(text.size());
    chunkchar(&t.v, first, last < 0 ? first : last, &s, &e, type);
    EXPECT_LE(0, s);
    EXPECT_LE(s, e);
    EXPECT_LE(e, i32(text.size()));
    return std::string(text.substr(size_t(s), size_t(e - s)));
  }
  std::string pick(std::string_view text, u16 type, u16 mode) {
    Text t(text);
    i32 s = 0, e = i32(text.size());
    chunkset(&t.v, chunkspec{mode, 0, 0}, type, &s, &e);
    return std::string(text.substr(size_t(s), size_t(e - s)));
  }
  i32 count(std::string_view text, u16 type, i16 cls = fredtemp) {
    Text t(text, cls);
    return countchar(&t.v, 0, i32(text.size()), type);
  }
  i32 off(std::string_view needle, std::string_view hay) {
    return stringoff(bytes(hay), i32(hay.size()), bytes(needle), i32(needle.size()));
  }
};

// --- Lines and items ---------------------------------------------------------------------------

TEST_F(ChunksTest, ChunksBeyondTheTextTellHowManyDelimitersAreMissing) {
  Text t("a,b");
  i32 s = 0, e = 3;
  chunkchar(&t.v, 4, 4, &s, &e, tok::item);
  EXPECT_EQ(s, 3);
  EXPECT_EQ(g().addcount, 2);  // a,b,,x

  Text empty("");
  s = 0, e = 0;
  chunkchar(&empty.v, 3, 3, &s, &e, tok::line);
  EXPECT_EQ(g().addcount, 2);  // CR CR x

  // A chunk that exists clears the count an earlier narrowing left.
  s = 0, e = 3;
  chunkchar(&t.v, 2, 2, &s, &e, tok::item);
  EXPECT_EQ(g().addcount, 0);
  s = 0, e = 3;
  chunkchar(&t.v, 0, 0, &s, &e, tok::item);
  EXPECT_EQ(g().addcount, 0);

  // A trailing delimiter ends the last item: the item after it exists (empty) and is last.
  EXPECT_EQ(chunk("a,b,", tok::item, 3), "");
  EXPECT_EQ(g().addcount, 0);
  EXPECT_EQ(g().delcount, -1);
}

// A reference splitter: chunks first..last of a text cut at every delimiter (a delimiter at the
// end leaves an empty last chunk); past the end, the empty text at the end.
std::string referencechunk(std::string_view text, char delimiter, i32 first, i32 last) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == delimiter) starts.push_back(i + 1);
  i32 n = i32(starts.size());
  if (first > n) return "";
  i32 end = std::min(std::max(last, first), n);
  size_t to = end == n ? text.size() : starts[size_t(end)] - 1;
  return std::string(text.substr(starts[size_t(first - 1)], to - starts[size_t(first - 1)]));
}

// Lines, items and characters of generated texts against the reference splitter.
TEST_F(ChunksTest, NarrowingAgreesWithASimpleSplitter) {
  std::mt19937 rng(83);
  const char alphabet[] = {'a', 'b', ',', '\r', ' '};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (size_t n = rng() % 13; n > 0; --n) text += alphabet[rng() % 5];
    i32 first = i32(rng() % 6) + 1, last = i32(rng() % 9);
    SCOPED_TRACE(testing::Message() << "\"" << text << "\" " << first << ".." << last);
    ASSERT_EQ(chunk(text, tok::item, first, last), referencechunk(text, ',', first, last));
    ASSERT_EQ(chunk(text, tok::line, first, last), referencechunk(text, '\r', first, last));
    std::string chars = first > i32(text.size())
                            ? ""
                            : text.substr(size_t(first - 1), size_t(std::max(last, first) - first + 1));
    ASSERT_EQ(chunk(text, tok::char_, first, last), chars);
  }
  EXPECT_EQ(chunk("abcd", tok::char_, 0), "");
}

TEST_F(ChunksTest, CountingItemsIgnoresTrailingBlanksAndReturns) {
  EXPECT_EQ(count("a,b,", tok::item), 2);
  EXPECT_EQ(count("a,b, ", tok::item), 2);
  EXPECT_EQ(count("a,b, \r ", tok::item), 2);
  EXPECT_EQ(count("   ", tok::item), 0);
  EXPECT_EQ(count(" \r ", tok::item), 0);
  EXPECT_EQ(count("a,b,c", tok::item), 3);
  EXPECT_EQ(count(",", tok::item), 1);
  EXPECT_EQ(count("", tok::item), 0);
  EXPECT_EQ(count("a\r", tok::line), 1);
  EXPECT_EQ(count("a\r\r", tok::line), 2);
  EXPECT_EQ(count("a\rb", tok::line), 2);
  EXPECT_EQ(count("", tok::line), 0);
  EXPECT_EQ(count("abc", 8005), 0);
}

TEST_F(ChunksTest, AnItemDelimiterThatIsAlsoABlankStillEndsItems) {
  // Items of lines: a trailing return ends the last item as it ends the last line.
  g().itemDelimiter = 13;
  EXPECT_EQ(count("a\rb\r", tok::item), 2);
  EXPECT_EQ(count("a\rb", tok::item), 2);
  g().itemDelimiter = ' ';
  EXPECT_EQ(count("a b ", tok::item), 2);
  g().itemDelimiter = ',';
}

TEST_F(ChunksTest, OtherDelimitersCompareTheirLowByte) {
  g().itemDelimiter = 0x100 | ';';
  EXPECT_EQ(chunk("a;b,c", tok::item, 2), "b,c");
  g().lineDelimiter = '|';
  EXPECT_EQ(count("x|y|z", tok::line), 3);
}

TEST_F(ChunksTest, LastMiddleAndAny) {
  EXPECT_EQ(pick("a,b,c,d", tok::item, chunkmiddle), "c");
  EXPECT_EQ(pick("a,b,c,d,e", tok::item, chunkmiddle), "c");
  EXPECT_EQ(pick("a,b,c,d,e,", tok::item, chunklast), "e");
  EXPECT_EQ(pick("one two  three ", tok::word, chunklast), "three");
  EXPECT_EQ(pick("", tok::line, chunklast), "");
  EXPECT_EQ(pick("", tok::line, chunkmiddle), "");
  // `any` draws from the seeded generator: the same seed picks the same item.
  setrandseed(42);
  std::string a = pick("a,b,c,d,e,f,g,h", tok::item, chunkany);
  setrandseed(42);
  EXPECT_EQ(pick("a,b,c,d,e,f,g,h", tok::item, chunkany), a);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_GE(a[0], 'a');
  EXPECT_LE(a[0], 'h');
}

TEST_F(ChunksTest, SlotsApplyLinesFirstWhateverTheOrder) {
  Text t("ab\rcd\ref");
  chunkslots slots;
  slots.slot[tok::char_ - tok::line] = {chunkrange, 1, 1};
  slots.slot[tok::line - tok::line] = {chunkrange, 2, 2};
  i32 s = 0, e = 8;
  chunksetall(&t.v, slots, &s, &e);
  EXPECT_EQ(s, 3);
  EXPECT_EQ(e, 4);
}

// --- Words ---------------------------------------------------------------------------------------

TEST_F(ChunksTest, WordsSkipBlanksAndReturnsAndKeepQuotedPairs) {
  EXPECT_EQ(chunk("one  \"two three\" four", tok::word, 2), "\"two three\"");
  EXPECT_EQ(chunk("one  \"two three\" four", tok::word, 3), "four");
  EXPECT_EQ(count("one  \"two three\" four", tok::word), 3);
  EXPECT_EQ(chunk("  a\r  b  ", tok::word, 2), "b");
  EXPECT_EQ(g().delcount, 2);
  EXPECT_EQ(chunk("a b c", tok::word, 2, 9), "b c");
  EXPECT_EQ(chunk("a b c   ", tok::word, 2, 9), "b c   ");
  EXPECT_EQ(chunk("a b", tok::word, 3), "");
  EXPECT_EQ(chunk("", tok::word, 1), "");
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(chunk("\"ab cd\rx", tok::word, 1), "\"ab cd");
  EXPECT_EQ(count("   ", tok::word), 0);
}

TEST_F(ChunksTest, OnewordReportsOffsets) {
  i32 s = -1, e = -1;
  EXPECT_EQ(oneword(bytes("  ab c"), 6, &e, &s), 1);
  EXPECT_EQ(s, 2);
  EXPECT_EQ(e, 4);
  EXPECT_EQ(oneword(bytes(" \r "), 3, &e, &s), 0);
}

// --- Characters -------------------------------------------------------------------------------

TEST_F(ChunksTest, RangesOutsideTheTextAreClamped) {
  Text t("abc");
  i32 s = -5, e = 99;
  chunkchar(&t.v, 2, 2, &s, &e, tok::char_);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(e, 2);
  EXPECT_EQ(countchar(&t.v, 2, 1, tok::char_), 0);
}

TEST_F(ChunksTest, NumbersAreCountedAsTheirText) {
  OwnedFred v;
  longtonewfred(12345, &v);
  EXPECT_EQ(countchar(&v, 0, 5, tok::char_), 5);
}

// --- Searching --------------------------------------------------------------------------------

TEST_F(ChunksTest, StringoffIgnoresTheCaseOfAToZOnly) {
  EXPECT_EQ(off("", "abc"), 1);
  EXPECT_EQ(off("C", "abc"), 3);
  EXPECT_EQ(off("abcd", "abc"), 0);
  EXPECT_EQ(off("\x8A", "a\x80"), 0);  // accented letters match only themselves
  EXPECT_EQ(off("XyZ", "aaaaaaaaaaaaxyzaaa"), 13);
  EXPECT_EQ(off("q", "aaaaaaaaaa"), 0);
}

TEST_F(ChunksTest, SkipTableWorksForLongNeedles) {
  // Needles of 255, 256 and 300 bytes in haystacks at least three times as long: a shift table
  // of bytes would hold 0 for the 256-byte needle and never move on.
  for (size_t m : {255u, 256u, 300u}) {
    std::string needle(m, 'a');
    needle.back() = 'b';
    std::string hay(m * 4, 'a');
    EXPECT_EQ(off(needle, hay), 0) << m;
    hay.replace(m * 2, m, needle);
    EXPECT_EQ(off(needle, hay), i32(m * 2 + 1)) << m;
  }
}

TEST_F(ChunksTest, SkipTableAndPlainSearchAgree) {
  // Needles cut from a text of few letters in both cases, searched in the whole text (the skip
  // table) and in a piece shorter than three needles (position by position).
  std::string hay = "abAbaBbabaabbAbbbaAabAbabbbaabababBBabaa";
  for (size_t len = 1; len <= 12; ++len) {
    for (size_t at = 0; at + len <= hay.size(); at += 3) {
      std::string needle = hay.substr(at, len);
      needle[0] = char(needle[0] ^ 0x20);  // the other case
      EXPECT_EQ(off(needle, hay), plainsearch(needle, hay)) << needle;
      std::string piece = hay.substr(at, len * 2);
      EXPECT_EQ(off(needle, piece), plainsearch(needle, piece)) << needle;
      EXPECT_NE(off(needle, piece), 0) << needle;
    }
  }
}

// --- Two-byte text ------------------------------------------------------------------------------

class TwoByteChunksTest : public ChunksTest {
 protected:
  void SetUp() override {
    ChunksTest::SetUp();
    g().twobyte = 1;
  }
};

// Two-byte characters: A = 0x82 0xA0, B = 0x83 0x41 (a trail byte that is also 'A'), and
// C = 0x83 0x61 (its trail byte is 'a').
const std::string A = "\x82\xA0", B = "\x83\x41", C = "\x83\x61";

TEST(ShiftJis, ByteClasses) {
  EXPECT_TRUE(sjislead(0x81));
  EXPECT_TRUE(sjislead(0x9F));
  EXPECT_TRUE(sjislead(0xE0));
  EXPECT_TRUE(sjislead(0xFC));
  EXPECT_FALSE(sjislead(0xA0));
  EXPECT_FALSE(sjislead(0xDF));  // half-width katakana stand alone
  EXPECT_FALSE(sjislead('A'));
  EXPECT_TRUE(sjistrail(0x40));
  EXPECT_TRUE(sjistrail(0xFC));
  EXPECT_FALSE(sjistrail(0x7F));
  EXPECT_FALSE(sjistrail('\r'));
  EXPECT_FALSE(sjistrail(','));
  std::string t = "a" + A + "\x82\r";  // a lone lead byte before a return stands alone
  const u8* p = bytes(t);
  Size n = Size(t.size());
  EXPECT_EQ(CharacterByteType(p, n, 0, smJapanese), smSingleByte);
  EXPECT_EQ(CharacterByteType(p, n, 1, smJapanese), smFirstByte);
  EXPECT_EQ(CharacterByteType(p, n, 2, smJapanese), smLastByte);
  EXPECT_EQ(CharacterByteType(p, n, 3, smJapanese), smSingleByte);
  EXPECT_EQ(CharacterByteType(p, n, 4, smJapanese), smSingleByte);
  EXPECT_EQ(CharacterByteType(p, n, 1, smRoman), smSingleByte);
  EXPECT_EQ(sjischarcount(p, n), 4);
  EXPECT_EQ(sjischaroffset(p, n, 2), 3);
  EXPECT_EQ(sjischaroffset(p, n, 9), 5);
}

TEST_F(TwoByteChunksTest, CharactersTakeOneOrTwoBytes) {
  std::string t = "x" + A + "y" + B;
  EXPECT_EQ(count(t, tok::char_), 4);
  EXPECT_EQ(chunk(t, tok::char_, 2), A);
  EXPECT_EQ(chunk(t, tok::char_, 3, 4), "y" + B);
  EXPECT_EQ(chunk(t, tok::char_, 5), "");
  // A field's own text is narrowed by bytes.
  EXPECT_EQ(count(t, tok::char_, fredobject), 6);
  EXPECT_EQ(chunk(t, tok::char_, 2, 2, fredobject), "\x82");
  OwnedHandle h(newhand(t));
  EXPECT_EQ(getglyphcount(h), 4);
}

TEST_F(TwoByteChunksTest, DelimitersMatchWholeCharactersOnly) {
  // 0x82 0x2C is no character (0x2C is no trail byte): the comma is a delimiter. In B C the
  // byte 'A' is a trail byte, never a delimiter.
  g().itemDelimiter = 'A';
  std::string t = B + "A" + C;
  EXPECT_EQ(count(t, tok::item), 2);
  EXPECT_EQ(chunk(t, tok::item, 1), B);
  EXPECT_EQ(chunk(t, tok::item, 2), C);
  // A delimiter above 255 is a two-byte character.
  g().itemDelimiter = 0x82A0;
  std::string u = "x" + A + "y" + A + "z";
  EXPECT_EQ(count(u, tok::item), 3);
  EXPECT_EQ(chunk(u, tok::item, 2), "y");
  EXPECT_EQ(g().delcount, 1);
  g().itemDelimiter = ',';
  EXPECT_EQ(chunk("a" + A + ",b", tok::item, 1), "a" + A);
  g().wordDelimiter = 0x82A0;
  EXPECT_EQ(chunk("p" + A + A + "q", tok::word, 2), "q");
}

TEST_F(TwoByteChunksTest, SearchStartsOnCharacterBoundaries) {
  // 'A' is the trail byte of B; only a real 'A' matches.
  EXPECT_EQ(off("A", B + "xA"), 4);
  EXPECT_EQ(off("a", B + "x"), 0);
  // Two-byte characters match only themselves: B and C differ only in the case of their
  // trail bytes.
  EXPECT_EQ(off(C, B), 0);
  EXPECT_EQ(off(B, "a" + B), 2);
  // A lone lead byte does not match the first half of a character.
  EXPECT_EQ(off("\x83", B), 0);
  EXPECT_EQ(off("X", "x"), 1);
  EXPECT_EQ(off("", ""), 0);
  EXPECT_EQ(off("", "a"), 1);
}

TEST_F(TwoByteChunksTest, OffsetCountsCharactersAndLineOffsetLines) {
  auto offset = [](std::string_view n, std::string_view h, i32 skip) {
    return textoffset(bytes(h), i32(h.size()), bytes(n), i32(n.size()), skip);
  };
  std::string t = A + B + "b" + A + "b";
  EXPECT_EQ(offset("b", t, 0), 3);
  EXPECT_EQ(offset("b", t, 3), 2);  // after three characters, counted from there
  EXPECT_EQ(offset("b", t, 5), 0);
  EXPECT_EQ(offset("b", t, 50), 0);
  EXPECT_EQ(offset(A, t, 1), 3);
  std::string lines = B + "\rA";
  EXPECT_EQ(textlineoffset(bytes(lines), i32(lines.size()), bytes("A"), 1, 0), 2);
}

TEST_F(TwoByteChunksTest, TheModeIsChosenAtFirstUse) {
  EXPECT_EQ(count(A, tok::char_), 1);
  g().twobyte = 0;  // too late for this run
  EXPECT_EQ(count(A, tok::char_), 1);
}

}  // namespace
}  // namespace kv
