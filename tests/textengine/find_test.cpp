// Searching a record's text: the options, the checks of key, range and script, two-byte
// characters, and the skip rule against a plain search.
#include <random>

#include "platform/fonts/scriptmanager.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

class WEFindTest : public WETest {
 protected:
  struct Found {
    OSErr err;
    i32 start, end;
  };
  static Found find(const std::string& key, u32 options, WEReference we, i32 from = 0, i32 to = 0x7FFFFFFF,
                    i16 script = smRoman) {
    Found f{0, -7, -7};
    f.err = WEFind(reinterpret_cast<const u8*>(key.data()), i32(key.size()), script, options, from, to, &f.start,
                   &f.end, we);
    return f;
  }
};

TEST_F(WEFindTest, OptionsChooseTheMatch) {
  const WEReference we = maketext("xaby AB ab");
  WESetSelection(2, 4, we);
  const i32 mods = WEGetModCount(we);
  struct Row {
    const char* key;
    u32 options;
    i32 start, end;
  };
  const Row rows[] = {
      {"ab", 0, 1, 3},
      {"ab", weFindWholeWords, 8, 10},
      {"ab", weFindWholeWords | weFindCaseInsensitive, 5, 7},
      {"AB", 0, 5, 7},
      {"y", 0, 3, 4},
      {"b", weFindWholeWords, -1, -1},
  };
  for (const Row& row : rows) {
    const Found f = find(row.key, row.options, we);
    EXPECT_EQ(f.err, row.start < 0 ? weTextNotFoundErr : OSErr(noErr)) << row.key << " " << row.options;
    EXPECT_EQ(f.start, row.start) << row.key << " " << row.options;
    EXPECT_EQ(f.end, row.end) << row.key << " " << row.options;
  }
  // The range limits the search; outputs may be left out.
  EXPECT_EQ(find("ab", 0, we, 2).start, 8);
  EXPECT_EQ(find("ab", 0, we, 0, 2).err, weTextNotFoundErr);
  EXPECT_EQ(WEFind(reinterpret_cast<const u8*>("ab"), 2, smRoman, 0, 0, 10, nullptr, nullptr, we), noErr);
  // The record is never changed.
  EXPECT_EQ(textof(we), "xaby AB ab");
  i32 s = 0, e = 0;
  WEGetSelection(&s, &e, we);
  EXPECT_EQ(s, 2);
  EXPECT_EQ(e, 4);
  EXPECT_EQ(WEGetModCount(we), mods);
}

TEST_F(WEFindTest, BadKeysRangesAndScripts) {
  const WEReference we = maketext("xaby AB ab");
  const Found longer = find("xaby AB ab!", 0, we);
  EXPECT_EQ(longer.err, weTextNotFoundErr);
  EXPECT_EQ(longer.start, -1);
  EXPECT_EQ(longer.end, -1);
  EXPECT_EQ(find("ab", 0, we, 5, 5).err, weTextNotFoundErr) << "an empty range";
  EXPECT_EQ(find("ab", 0, we, 6, 3).err, paramErr);
  EXPECT_EQ(find("", 0, we).err, paramErr);
  i32 s = 0;
  EXPECT_EQ(WEFind(nullptr, 2, smRoman, 0, 0, 10, &s, nullptr, we), paramErr);
  EXPECT_EQ(find("ab", 0, we, 0, 10, 40).err, weBadScriptErr);
  EXPECT_EQ(find("ab", 0, we, 0, 10, smJapanese).err, weBadScriptErr) << "Japanese is not enabled";
  enablejapanesescript(true);
  EXPECT_EQ(find("ab", 0, we, 0, 10, smJapanese).start, 1);
}

TEST_F(WEFindTest, DiacriticalMarksAndTwoByteCharacters) {
  const WEReference we = maketext("le caf\x8E");  // café
  EXPECT_EQ(find("cafe", 0, we).err, weTextNotFoundErr);
  EXPECT_EQ(find("cafe", weFindDiacriticalInsensitive, we).start, 3);
  EXPECT_EQ(find("CAFE", weFindDiacriticalInsensitive | weFindCaseInsensitive, we).end, 7);
  EXPECT_EQ(find("CAFE", weFindDiacriticalInsensitive, we).err, weTextNotFoundErr);

  enablejapanesescript(true);
  const WEReference jp = maketext("\x83\x41\x41");
  WETextStyle ts = style(16384);
  ASSERT_EQ(_WESetStyleRange(0, 3, weDoFont, &ts, jp), noErr);
  const Found f = find("A", 0, jp, 0, 3, smJapanese);
  EXPECT_EQ(f.err, noErr);
  EXPECT_EQ(f.start, 2) << "not the second byte of the pair at 0";
  EXPECT_EQ(find("\x41\x41", 0, jp, 0, 3, smJapanese).err, weTextNotFoundErr) << "it would split the pair";
}

TEST_F(WEFindTest, SkipRuleFindsWhatAPlainSearchFinds) {
  std::mt19937 rng(44);
  u8 fold[256];
  for (int c = 0; c < 256; ++c) fold[c] = u8(c);
  i32 skip[256];
  for (int round = 0; round < 2000; ++round) {
    std::string text(std::size_t(rng() % 40), 'a'), key(std::size_t(1 + rng() % 5), 'a');
    for (char& c : text) c = char('a' + rng() % 3);
    for (char& c : key) c = char('a' + rng() % 3);
    const std::size_t plain = text.find(key);
    const auto* t = reinterpret_cast<const u8*>(text.data());
    const auto* k = reinterpret_cast<const u8*>(key.data());
    _WEInitBoyerMooreSearch(k, i32(key.size()), fold, skip);
    i32 s = 0, e = 0;
    const OSErr err = _WEDoBoyerMooreSearch(t, i32(text.size()), k, i32(key.size()), fold, skip, &s, &e);
    if (plain == std::string::npos) {
      EXPECT_EQ(err, weTextNotFoundErr) << key << " in " << text;
      EXPECT_EQ(s, -1);
    } else {
      EXPECT_EQ(s, i32(plain)) << key << " in " << text;
      EXPECT_EQ(e, i32(plain + key.size()));
    }
  }
}

}  // namespace
}  // namespace kv
