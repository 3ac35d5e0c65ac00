// The real fonts: the fixed families drawn from the Debian font packages through FreeType.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/fonts/fonts.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class RealFonts : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    usebuiltinmetricsfont(false);
  }
};

i32 width(const FontKey& k, const char* s) {
  return textadvance(k, reinterpret_cast<const u8*>(s), i32(std::strlen(s)));
}

bool hasink(const Glyph& g) {
  return std::any_of(g.bits.begin(), g.bits.end(), [](u8 v) { return v != 0; });
}

TEST_F(RealFonts, SystemFontMeasuresAndHasMetrics) {
  FontKey sys{0, 12, 0};
  EXPECT_GT(charadvance(sys, 'm'), 0);
  EXPECT_GT(width(sys, "Hello, world"), 0);
  i32 sum = 0;
  for (const char* p = "Hello, world"; *p; ++p) sum += charadvance(sys, u8(*p));
  EXPECT_EQ(width(sys, "Hello, world"), sum) << "no kerning: the width is the sum of the advances";
  FontMetrics m = fontmetrics(sys);
  EXPECT_GT(m.ascent, 0);
  EXPECT_GT(m.descent, 0);
  EXPECT_GE(m.leading, 0);
  EXPECT_GE(m.widmax, charadvance(sys, 'm'));
  EXPECT_TRUE(fontnotes().empty()) << "the font packages are installed: " << fontnotes().front();
}

TEST_F(RealFonts, AdvancesAreUnhintedAdvancesRoundedPerGlyph) {
  // Courier's clone is 600 units of 1000 wide: 6 at 10 points, 7.2 -> 7 at 12, 60 at 100.
  EXPECT_EQ(charadvance({22, 10, 0}, 'a'), 6);
  EXPECT_EQ(charadvance({22, 12, 0}, 'a'), 7);
  EXPECT_EQ(charadvance({22, 100, 0}, 'a'), 60);
  EXPECT_EQ(width({22, 12, 0}, "aaaaaaaaaa"), 70) << "rounded per glyph, not per run";
  // Times: m is 778 units: 9.3 -> 9 at 12 and 77.8 -> 78 at 100.
  EXPECT_EQ(charadvance({20, 12, 0}, 'm'), 9);
  EXPECT_EQ(charadvance({20, 100, 0}, 'm'), 78);
  // Helvetica: m is 833 units: 9.996 -> 10 at 12.
  EXPECT_EQ(charadvance({21, 12, 0}, 'm'), 10);
}

TEST_F(RealFonts, SymbolDrawsFromItsOwnEncoding) {
  // In the Symbol encoding 'a' is alpha (631 units wide), not the Latin letter.
  EXPECT_EQ(charadvance({23, 100, 0}, 'a'), 63);
  EXPECT_TRUE(hasink(glyph({23, 12, 0}, 'a', false)));
  EXPECT_TRUE(hasink(glyph({13, 12, 0}, 'a', false))) << "Zapf Dingbats";
}

TEST_F(RealFonts, BoldAndOtherStylesChangeTheGlyph) {
  for (i16 font : {i16(0), i16(3), i16(20)}) {
    Glyph plain = glyph({font, 12, 0}, 'a', false);
    Glyph bold = glyph({font, 12, facebold}, 'a', false);
    Glyph italic = glyph({font, 12, faceitalic}, 'a', false);
    Glyph outline = glyph({font, 12, faceoutline}, 'a', false);
    ASSERT_TRUE(hasink(plain)) << font;
    EXPECT_NE(bold.bits, plain.bits) << font;
    EXPECT_NE(italic.bits, plain.bits) << font;
    EXPECT_NE(outline.bits, plain.bits) << font;
    EXPECT_EQ(glyph({font, 12, faceunderline}, 'a', false).bits, plain.bits) << "the caller draws the underline";
    EXPECT_EQ(charadvance({font, 12, faceunderline}, 'a'), charadvance({font, 12, 0}, 'a'));
  }
  // The system font has no bolder file: bold is smeared and one pixel wider.
  EXPECT_EQ(charadvance({0, 12, facebold}, 'a'), charadvance({0, 12, 0}, 'a') + 1);
  EXPECT_EQ(glyph({0, 12, facebold}, 'a', false).width, glyph({0, 12, 0}, 'a', false).width + 1);
  EXPECT_EQ(charadvance({3, 12, facecondense}, 'a'), charadvance({3, 12, 0}, 'a') - 1);
  EXPECT_EQ(charadvance({3, 12, faceextend}, 'a'), charadvance({3, 12, 0}, 'a') + 1);
}

// Outline and shadow by their definition, pixel by pixel: the ring is the largest coverage
// within one pixel of the ink (for the shadow, also within one pixel of the pixel up and to
// the left), less the ink itself.
std::vector<u8> ringbydefinition(const Glyph& plain, bool shadow) {
  const i32 grow = shadow ? 3 : 2, w = plain.width + grow, h = plain.height + grow;
  auto at = [&](i32 x, i32 y) -> i32 {
    if (x < 0 || y < 0 || x >= plain.width || y >= plain.height) return 0;
    return plain.bits[std::size_t(y) * std::size_t(plain.width) + std::size_t(x)];
  };
  auto near = [&](i32 x, i32 y) {
    i32 v = 0;
    for (i32 dy = -1; dy <= 1; ++dy)
      for (i32 dx = -1; dx <= 1; ++dx) v = std::max(v, at(x + dx, y + dy));
    return v;
  };
  std::vector<u8> out;
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) {
      i32 ring = near(x - 1, y - 1);
      if (shadow) ring = std::max(ring, near(x - 2, y - 2));
      out.push_back(u8((ring * (255 - at(x - 1, y - 1)) + 127) / 255));
    }
  return out;
}

TEST_F(RealFonts, OutlineAndShadowRingTheInk) {
  for (i16 size : {i16(9), i16(31)})
    for (bool mono : {false, true})
      for (u8 c : {u8('a'), u8('W'), u8('.')}) {
        const Glyph plain = glyph({3, size, 0}, c, mono);
        ASSERT_TRUE(hasink(plain));
        EXPECT_EQ(glyph({3, size, faceoutline}, c, mono).bits, ringbydefinition(plain, false)) << size << c;
        EXPECT_EQ(glyph({3, size, faceshadow}, c, mono).bits, ringbydefinition(plain, true)) << size << c;
      }
}

TEST_F(RealFonts, MonoGlyphsAreOneBitAndCoverageGlyphsAreSmooth) {
  const Glyph mono = glyph({3, 12, 0}, 'e', true);
  ASSERT_TRUE(hasink(mono));
  EXPECT_TRUE(mono.mono);
  for (u8 v : mono.bits) ASSERT_TRUE(v == 0 || v == 255);
  const Glyph smooth = glyph({3, 12, 0}, 'e', false);
  EXPECT_FALSE(smooth.mono);
  EXPECT_TRUE(std::any_of(smooth.bits.begin(), smooth.bits.end(), [](u8 v) { return v > 0 && v < 255; }));
  EXPECT_GT(smooth.top, 0);
  EXPECT_LE(smooth.top, fontmetrics({3, 12, 0}).ascent);
  EXPECT_EQ(std::size_t(smooth.width) * std::size_t(smooth.height), smooth.bits.size());
  const Glyph shadowmono = glyph({3, 12, faceshadow | facebold}, 'e', true);
  for (u8 v : shadowmono.bits) ASSERT_TRUE(v == 0 || v == 255);
}

TEST_F(RealFonts, ControlCharactersTakeNoRoom) {
  for (u8 c : {u8(0), u8('\t'), u8('\r'), u8(0x1F), u8(0x7F)}) {
    EXPECT_EQ(charadvance({3, 12, 0}, c), 0);
    EXPECT_TRUE(glyph({3, 12, facebold}, c, false).bits.empty());
  }
  EXPECT_GT(charadvance({3, 12, 0}, ' '), 0);
  EXPECT_GT(charadvance({3, 12, 0}, 0xCA), 0) << "non-breaking space";
}

TEST_F(RealFonts, HugeSizesAreMeasuredButNotDrawnPastTheLimit) {
  FontKey huge{20, 32767, faceshadow};
  EXPECT_GT(charadvance(huge, 'W'), 10000);
  const Glyph& g = glyph(huge, 'W', false);
  EXPECT_LE(i64(g.width) * g.height, i64(8) << 20);
  EXPECT_TRUE(hasink(glyph({20, 300, 0}, 'W', false)));
}

TEST_F(RealFonts, SwitchingToTheBuiltinFontAndBack) {
  i16 real = charadvance({3, 12, 0}, 'i');
  usebuiltinmetricsfont(true);
  EXPECT_EQ(charadvance({3, 12, 0}, 'i'), 3);
  usebuiltinmetricsfont(false);
  EXPECT_EQ(charadvance({3, 12, 0}, 'i'), real);
}

// A machine without the font packages: the families fall back with a note, never a crash.
class MissingFontFiles : public RealFonts {
 protected:
  void SetUp() override {
    RealFonts::SetUp();
    root_ = std::filesystem::temp_directory_path() /
            ("kvfonts-" +
             std::to_string(std::hash<std::string>()(testing::UnitTest::GetInstance()->current_test_info()->name())));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override {
    std::filesystem::remove_all(root_);
    RealFonts::TearDown();
  }
  // Makes `path` (a real font file) appear under the root.
  void provide(const std::string& path) {
    std::filesystem::path link = root_ / std::filesystem::path(path).relative_path();
    std::filesystem::create_directories(link.parent_path());
    std::filesystem::create_symlink(path, link);
  }
  std::filesystem::path root_;
};

TEST_F(MissingFontFiles, NoFilesAtAllUseTheBuiltinFont) {
  setfontfileroot(root_.string());
  EXPECT_EQ(charadvance({20, 12, 0}, 'm'), 11);
  EXPECT_EQ(fontmetrics({0, 12, 0}).ascent, 9);
  EXPECT_TRUE(hasink(glyph({22, 12, facebold}, 'x', true)));
  std::vector<std::string> notes = fontnotes();
  ASSERT_FALSE(notes.empty());
  EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [](const std::string& n) {
    return n.find("\"Times\"") != std::string::npos && n.find("built-in") != std::string::npos;
  }));
  EXPECT_EQ(GetFNum(reinterpret_cast<const u8*>("\x05Times")), 20) << "the family stays known";
}

TEST_F(MissingFontFiles, AMissingFirstChoiceFallsBackToTheNextFile) {
  const std::string serif = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf";
  const std::string sans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
  if (!std::filesystem::exists(serif) || !std::filesystem::exists(sans)) GTEST_SKIP() << "liberation fonts missing";
  provide(serif);
  provide(sans);
  setfontfileroot(root_.string());
  EXPECT_GT(charadvance({20, 12, 0}, 'm'), 0);
  EXPECT_TRUE(hasink(glyph({20, 12, faceitalic}, 'm', false)));
  EXPECT_TRUE(hasink(glyph({16, 12, 0}, 'm', false))) << "Palatino falls back to Geneva's files";
  std::vector<std::string> notes = fontnotes();
  EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [&](const std::string& n) {
    return n.find("\"Times\"") != std::string::npos && n.find("is missing; using") != std::string::npos &&
           n.find("LiberationSerif-Regular.ttf") != std::string::npos;
  }));
  EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [&](const std::string& n) {
    return n.find("\"Palatino\"") != std::string::npos && n.find("LiberationSans-Regular.ttf") != std::string::npos;
  }));
}

TEST_F(MissingFontFiles, AnUnreadableFileIsNotACrash) {
  std::filesystem::path bad = root_ / "usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  std::filesystem::create_directories(bad.parent_path());
  {
    FILE* f = std::fopen(bad.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a font at all", f);
    std::fclose(f);
  }
  setfontfileroot(root_.string());
  EXPECT_EQ(charadvance({3, 12, 0}, 'm'), 11) << "nothing readable: the built-in font";
  std::vector<std::string> notes = fontnotes();
  EXPECT_TRUE(std::any_of(notes.begin(), notes.end(),
                          [](const std::string& n) { return n.find("\"Geneva\"") != std::string::npos; }));
}

}  // namespace
}  // namespace kv
