// The right-to-left scripts: enabled by the installed fonts, the visual order of runs, Hebrew
// and Arabic bytes reaching the fonts through their own sets, and Arabic joined by HarfBuzz.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/text/textencodings.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

constexpr i16 kArabicFont = 17920, kHebrewFont = 18432;  // the first numbers of the two scripts

class RightToLeft : public RuntimeTest {};

bool runright(i16 index, void* directions) {
  return static_cast<const std::vector<bool>*>(directions)->at(std::size_t(index));
}

std::vector<i16> order(const std::vector<bool>& directions, bool lineright) {
  std::vector<i16> out(directions.size());
  auto dirs = directions;
  GetFormatOrder(out.data(), 0, i16(directions.size() - 1), lineright, runright, &dirs);
  return out;
}

TEST_F(RightToLeft, RunsAreOrderedByTheirDirections) {
  // Right-to-left runs next to each other swap; left-to-right ones keep their order, and the
  // line's direction decides where the groups go.
  EXPECT_EQ(order({true, false, true}, true), (std::vector<i16>{2, 1, 0}));
  EXPECT_EQ(order({true, false, true}, false), (std::vector<i16>{0, 1, 2}));
  EXPECT_EQ(order({false, true, true, false}, false), (std::vector<i16>{0, 2, 1, 3}));
  EXPECT_EQ(order({false, false, true}, true), (std::vector<i16>{2, 0, 1}));
  EXPECT_EQ(order({false}, true), (std::vector<i16>{0}));
}

TEST_F(RightToLeft, TheScriptsFollowTheSwitchWithTheBuiltInFont) {
  EXPECT_EQ(GetScriptManagerVariable(smBidirect), 0) << "the built-in font serves no right-to-left script";
  EXPECT_FALSE(righttoleftscript(smHebrew));
  enablerighttoleftscripts(true);
  EXPECT_NE(GetScriptManagerVariable(smBidirect), 0);
  EXPECT_EQ(GetScriptManagerVariable(smEnabled), 3);
  EXPECT_TRUE(righttoleftscript(smArabic));
  EXPECT_TRUE(GetScriptVariable(smHebrew, smScriptFlags) & smsfReverse);
  KeyScript(smHebrew);
  EXPECT_EQ(GetScriptManagerVariable(smKeyScript), smHebrew);
  enablerighttoleftscripts(false);
  EXPECT_EQ(GetScriptManagerVariable(smKeyScript), smRoman) << "the keyboard leaves a script that goes";
  // The fonts of the scripts' numbers hold the scripts' sets.
  EXPECT_EQ(FontToScript(kHebrewFont), smHebrew);
  EXPECT_EQ(FontToScript(kArabicFont), smArabic);
}

TEST_F(RightToLeft, HebrewAndArabicReachTheRealFontsInTheirSets) {
  usebuiltinmetricsfont(false);
  if (!righttoleftscript(smHebrew) || !righttoleftscript(smArabic))
    GTEST_SKIP() << "no Hebrew and Arabic fonts installed";
  // Alef in Mac Hebrew is 0xE0, which in Mac Roman is a double dagger: the two fonts give
  // different glyphs for the same byte.
  const FontKey hebrew{kHebrewFont, 24, 0}, roman{3, 24, 0};
  const Glyph& alef = glyph(hebrew, 0xE0, false);
  const std::vector<u8> alefbits = alef.bits;
  EXPECT_FALSE(alefbits.empty());
  EXPECT_NE(glyph(roman, 0xE0, false).bits, alefbits);
  TextEncoding e = 0;
  if (FMGetFontFamilyTextEncoding(kHebrewFont, &e) == noErr) {
    EXPECT_EQ(e, kTextEncodingMacHebrew);
  }

  // Beh three times: initial, medial and final forms, each its own glyph. Lam then alef join
  // into one glyph; the alef has none of its own.
  const FontKey arabic{kArabicFont, 24, 0};
  const u8 behs[] = {0xC8, 0xC8, 0xC8};
  const std::vector<u32> forms = shapedglyphs(arabic, behs, 3);
  ASSERT_EQ(forms.size(), 3u);
  EXPECT_EQ(std::set<u32>(forms.begin(), forms.end()).size(), 3u);
  for (u32 g : forms) EXPECT_FALSE(g == kNominalGlyph || g == kNoGlyph);
  const u8 lamalef[] = {0xE4, 0xC7};
  const std::vector<u32> joined = shapedglyphs(arabic, lamalef, 2);
  ASSERT_EQ(joined.size(), 2u);
  EXPECT_NE(joined[0], kNoGlyph);
  EXPECT_EQ(joined[1], kNoGlyph);
  EXPECT_FALSE(glyphbyindex(arabic, forms[0], false).bits.empty());
  EXPECT_TRUE(shapedglyphs(hebrew, behs, 3).empty()) << "only Arabic is shaped";
}

}  // namespace
}  // namespace kv
