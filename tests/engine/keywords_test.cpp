#include "engine/keywords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using KeywordTest = RuntimeTest;

u16 token(std::string_view word) { return stringtotoken(reinterpret_cast<const u8*>(word.data()), u16(word.size())); }

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
  EXPECT_EQ(token("\x8E"
                  "if"),
            4);  // an accented letter
  EXPECT_EQ(token("\x80"), 4);
  EXPECT_EQ(mainglobals().tokenhash, nilhandle) << "no probe was made";
  EXPECT_EQ(token("if"), 10012);
  EXPECT_NE(mainglobals().tokenhash, nilhandle);
}

// A token's text is its first spelling in lower case (the round trip of every spelling is
// below); tokens without a row answer "unknown", the empty row nothing.
TEST_F(KeywordTest, TokenToStringAnswersTheFirstSpellingInLowerCase) {
  EXPECT_EQ(text(tokentostring(5007)), "cr");
  EXPECT_EQ(text(tokentostring(1005)), "unknown") << "\"/\" has no row and no fixed name";
  EXPECT_EQ(text(tokentostring(3029)), "unknown") << "a gap in the function tokens";
  EXPECT_EQ(text(tokentostring(65535)), "") << "the empty row";
  // The table is constant data: lower case without being written, before and after rehashing.
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

TEST_F(KeywordTest, HashingWithoutMemoryFailsCleanly) {
  failallocationafter(1);
  EXPECT_EQ(hashtokens(), 37);
  EXPECT_EQ(mainglobals().tokenhash, nilhandle);
  EXPECT_EQ(token("if"), 10012) << "the next lookup builds the table";
}

TEST_F(KeywordTest, SynonymsOfAToken) {
  Str255 word;
  std::memcpy(word,
              "\x02"
              "CR",
              3);
  EXPECT_EQ(getsynonyms(5007, word), 1);
  EXPECT_EQ(text(word), ",return");

  std::memcpy(word,
              "\x06"
              "hilite",
              7);
  EXPECT_EQ(getsynonyms(4132, word), 1);
  EXPECT_EQ(text(word), ",highlight,highlite,hilight");

  std::memcpy(word,
              "\x06"
              "accept",
              7);
  EXPECT_EQ(getsynonyms(2001, word), 0) << "a single spelling, given";
  EXPECT_EQ(word[0], 0);

  word[0] = 0;
  EXPECT_EQ(getsynonyms(2001, word), 1);
  EXPECT_EQ(text(word), ",accept");

  word[0] = 0;
  EXPECT_EQ(getsynonyms(1005, word), 0) << "no spelling at all";
  EXPECT_EQ(word[0], 0);
}

// The generated names: the first spelling lower-cased, a C++ keyword with an underscore, one
// name for all the spellings of a token.
TEST_F(KeywordTest, TheGeneratedNamesAreTheTokensOfTheirSpellings) {
  const std::pair<u16, std::string_view> named[] = {
      {tok::put, "put"},
      {tok::after, "AFTER"},
      {tok::if_, "if"},
      {tok::not_, "not"},
      {tok::in, "in"},
      {tok::in, "of"},
      {tok::ae, "appleEvent"},
      {tok::ae, "ae"},
      {tok::usetextengine, "textEngined"},
      {tok::char_, "character"},
      {tok::appleeventtimeout, "appleEventTimeout"},
  };
  for (const auto& [number, spelling] : named) EXPECT_EQ(token(spelling), number) << spelling;
  EXPECT_EQ(text(tokentostring(tok::minus)), "_minus");
  EXPECT_EQ(text(tokentostring(tok::thereisnot)), "_thereisnot");
}

}  // namespace
}  // namespace kv
