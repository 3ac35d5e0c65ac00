#include "engine/keywords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory.h"
#include "shell/mainglobals.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using KeywordTest = RuntimeTest;

u16 token(std::string_view word) {
  return stringtotoken(reinterpret_cast<const u8*>(word.data()), u16(word.size()));
}

std::string text(ConstStringPtr p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

struct row {
  std::string spelling;
  u16 token;
  int letter;
  int index;  // position in table order
};

std::vector<row> allrows() {
  std::vector<row> rows;
  int letter = 0, index = 0;
  for (const keywordletter& l : keywordindex()) {
    if (l.rows == nullptr) break;
    for (u16 i = 0; i < l.count; ++i) rows.push_back({text(l.rows[i].text), l.rows[i].token, letter, index++});
    ++letter;
  }
  return rows;
}

TEST_F(KeywordTest, CaseIsIgnoredAndOnlyWholeKeywordsMatch) {
  ASSERT_EQ(hashtokens(), 0);
  EXPECT_EQ(token("if"), 10012);
  EXPECT_EQ(token("IF"), 10012);
  EXPECT_EQ(token("If"), 10012);
  EXPECT_EQ(token("iF"), 10012);
  EXPECT_EQ(token("repeat"), 10018);
  EXPECT_EQ(token("repea"), 4) << "a proper prefix of a keyword is no keyword";
  EXPECT_EQ(token("repeats"), 4);
  EXPECT_EQ(token("QuitKestrove"), 2149);
  EXPECT_EQ(token("hasSpeechRecognitionManager"), 4126) << "the longest keyword";
  EXPECT_EQ(token(std::string(300, 'a')), 4) << "longer than any keyword";
  EXPECT_EQ(token(""), 4);
}

TEST_F(KeywordTest, WordsNotStartingWithALetterAreAnsweredWithoutProbing) {
  // The table is built on the first probe; a word that cannot be a keyword never gets there.
  ASSERT_EQ(mainglobals().tokenhash, nilhandle);
  EXPECT_EQ(token("_if"), 4);
  EXPECT_EQ(token("1if"), 4);
  EXPECT_EQ(token("\x8E" "if"), 4);  // an accented letter
  EXPECT_EQ(token("\x80"), 4);
  EXPECT_EQ(mainglobals().tokenhash, nilhandle) << "no probe was made";
  EXPECT_EQ(token("if"), 10012);
  EXPECT_NE(mainglobals().tokenhash, nilhandle);
}

TEST_F(KeywordTest, AccentedLettersDoNotFold) {
  EXPECT_EQ(lowertable['A'], 'a');
  EXPECT_EQ(lowertable['Z'], 'z');
  EXPECT_EQ(lowertable['a'], 'a');
  EXPECT_EQ(lowertable[0x80], 0x80) << "A-umlaut stays itself";
  EXPECT_EQ(lowertable[0xCB], 0xCB);
  EXPECT_EQ(lowertable['@'], '@');
  EXPECT_EQ(lowertable['['], '[');
  int changed = 0;
  for (int c = 0; c < 256; ++c) changed += lowertable[size_t(c)] != c;
  EXPECT_EQ(changed, 26);
}

TEST_F(KeywordTest, SynonymsShareTheirToken) {
  EXPECT_EQ(token("cr"), 5007);
  EXPECT_EQ(token("return"), 5007);
  EXPECT_EQ(token("in"), 10016);
  EXPECT_EQ(token("of"), 10016);
  EXPECT_EQ(token("wd"), 11348);
  EXPECT_EQ(token("WINDOW"), 11348);
  EXPECT_EQ(token("cd"), 11034);
}

TEST_F(KeywordTest, TokenToStringAnswersTheFirstSpellingInLowerCase) {
  EXPECT_EQ(text(tokentostring(5007)), "cr");
  EXPECT_EQ(text(tokentostring(1005)), "unknown") << "\"/\" has no row and no fixed name";
  EXPECT_EQ(text(tokentostring(1008)), "_plus");
  EXPECT_EQ(text(tokentostring(2149)), "quitkestrove");
  EXPECT_EQ(text(tokentostring(4)), "unknown");
  EXPECT_EQ(text(tokentostring(0)), "_endOfLine");
  EXPECT_EQ(text(tokentostring(1026)), "_thereisnot");
  EXPECT_EQ(text(tokentostring(1019)), "aint");
  EXPECT_EQ(text(tokentostring(3029)), "unknown") << "a gap in the function tokens";
  EXPECT_EQ(text(tokentostring(65535)), "") << "the empty row";
  // The letter tables are walked a..z, so of useTextEngine and textEngined the t-word wins.
  EXPECT_EQ(text(tokentostring(4298)), "textengined");
}

TEST_F(KeywordTest, TheTableIsLowerCaseWithoutBeingWrittenAndSurvivesRehashing) {
  // Before and after building the hash table, twice over: the table is constant data.
  EXPECT_EQ(text(tokentostring(2149)), "quitkestrove");
  ASSERT_EQ(hashtokens(), 0);
  Handle first = mainglobals().tokenhash;
  ASSERT_EQ(hashtokens(), 0);
  EXPECT_NE(mainglobals().tokenhash, first) << "the old table was replaced";
  EXPECT_FALSE(IsValidHandle(first)) << "and released";
  EXPECT_EQ(text(tokentostring(2149)), "quitkestrove");
  EXPECT_EQ(token("QUITKESTROVE"), 2149);
}

TEST_F(KeywordTest, EveryListedSpellingHashesAndFindsItsOwnToken) {
  ASSERT_EQ(hashtokens(), 0) << "no overflow";
  std::vector<row> rows = allrows();
  std::map<std::string, std::set<u16>> tokensof;
  for (const row& r : rows) {
    if (r.spelling.empty()) continue;
    tokensof[r.spelling].insert(r.token);
    EXPECT_EQ(token(r.spelling), r.token) << r.spelling;
    EXPECT_EQ(token(upper(r.spelling)), r.token) << r.spelling;
  }
  for (const auto& [spelling, tokens] : tokensof) EXPECT_EQ(tokens.size(), 1u) << spelling;

  // The round trip: a token's text is one of its own spellings.
  for (const row& r : rows) {
    if (!r.spelling.empty()) {
      EXPECT_EQ(token(text(tokentostring(r.token))), r.token) << r.spelling;
    }
  }
}

TEST_F(KeywordTest, TheTableHoldsWhatTheListHolds) {
  std::vector<row> rows = allrows();
  std::map<int, int> perletter;
  std::map<u16, int> spellings;
  int nonempty = 0;
  for (const row& r : rows) {
    perletter[r.letter]++;
    if (r.spelling.empty()) continue;
    ++nonempty;
    spellings[r.token]++;
    EXPECT_EQ(r.spelling[0] - 'a', r.letter) << r.spelling << " sits in its initial's table";
  }
  EXPECT_EQ(rows.size(), 1295u);
  EXPECT_EQ(nonempty, 1294);
  EXPECT_EQ(perletter['k' - 'a'], 7);
  EXPECT_EQ(perletter['s' - 'a'], 141);
  EXPECT_EQ(perletter['t' - 'a'], 82);
  EXPECT_EQ(perletter['w' - 'a'], 28);
  EXPECT_EQ(perletter['y' - 'a'], 1) << "only the empty row";
  EXPECT_EQ(spellings.size(), 1148u);
  int synonyms = 0;
  for (const auto& [t, n] : spellings) synonyms += n > 1;
  EXPECT_EQ(synonyms, 122);
  ASSERT_EQ(keywordindex().size(), 27u);
  EXPECT_EQ(keywordindex()[26].rows, nullptr);

  // Rows of one token keep their listed order: cr before return, wd before wind before window.
  auto at = [&](const std::string& s) {
    for (const row& r : rows)
      if (r.spelling == s) return r.index;
    return -1;
  };
  EXPECT_LT(at("wd"), at("wind"));
  EXPECT_LT(at("wind"), at("window"));
  EXPECT_LT(at("highlight"), at("hilite"));
}

TEST_F(KeywordTest, TheEmptyRowIsNeverHashedNorFound) {
  ASSERT_EQ(hashtokens(), 0);
  std::vector<row> rows = allrows();
  int emptyindex = -1;
  for (const row& r : rows)
    if (r.spelling.empty()) emptyindex = r.index;
  ASSERT_GE(emptyindex, 0);
  EXPECT_EQ(rows[size_t(emptyindex)].token, 65535);

  Handle h = mainglobals().tokenhash;
  ASSERT_EQ(GetHandleSize(h), 41760);
  const u32* slots = HandleAs<u32>(h);
  int used = 0;
  for (int s = 0; s < hashslots; ++s) {
    if (slots[s] == 0) continue;
    ++used;
    EXPECT_NE(slots[s], u32(emptyindex) + 1) << "slot " << s;
    EXPECT_LE(s, hashlastslot) << "the last 64 slots stay unused";
  }
  EXPECT_EQ(used, 1294);
  EXPECT_EQ(token(""), 4);
}

TEST_F(KeywordTest, HashingWithoutMemoryFailsCleanly) {
  failallocationafter(1);
  EXPECT_EQ(hashtokens(), 37);
  EXPECT_EQ(mainglobals().tokenhash, nilhandle);
  EXPECT_EQ(token("if"), 10012) << "the next lookup builds the table";
}

TEST_F(KeywordTest, SynonymsOfAToken) {
  Str255 word;
  std::memcpy(word, "\x02" "CR", 3);
  EXPECT_EQ(getsynonyms(5007, word), 1);
  EXPECT_EQ(text(word), ",return");

  std::memcpy(word, "\x06" "hilite", 7);
  EXPECT_EQ(getsynonyms(4132, word), 1);
  EXPECT_EQ(text(word), ",highlight,highlite,hilight");

  std::memcpy(word, "\x06" "accept", 7);
  EXPECT_EQ(getsynonyms(2001, word), 0) << "a single spelling, given";
  EXPECT_EQ(word[0], 0);

  word[0] = 0;
  EXPECT_EQ(getsynonyms(2001, word), 1);
  EXPECT_EQ(text(word), ",accept");

  word[0] = 0;
  EXPECT_EQ(getsynonyms(1005, word), 0) << "no spelling at all";
  EXPECT_EQ(word[0], 0);
}

}  // namespace
}  // namespace kv
