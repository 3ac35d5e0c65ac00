// The built-in metrics font: its widths, metrics, shapes and style extras are fixed numbers, the
// same on every machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/fonts/fonts.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using BuiltinFont = RuntimeTest;

i32 width(const FontKey& k, const char* s) {
  return textadvance(k, reinterpret_cast<const u8*>(s), i32(std::strlen(s)));
}

bool hasink(const Glyph& g) {
  return std::any_of(g.bits.begin(), g.bits.end(), [](u8 v) { return v != 0; });
}

TEST_F(BuiltinFont, IsOnInTestsAndWidthsAreTheTablesIntegers) {
  ASSERT_TRUE(builtinmetricsfontinuse());
  // Every font measures with the one table, whatever files the machine has.
  for (i16 font : {i16(0), i16(1), i16(3), i16(20), i16(22), i16(23), i16(4711)}) {
    FontKey k{font, 12, 0};
    EXPECT_EQ(charadvance(k, 'm'), 11) << font;
    EXPECT_EQ(charadvance(k, 'i'), 3) << font;
    EXPECT_EQ(charadvance(k, ' '), 4) << font;
    EXPECT_EQ(charadvance(k, '\r'), 0) << font;
    EXPECT_EQ(width(k, "Hello"), 8 + 7 + 3 + 3 + 7) << font;
  }
  // Other sizes scale the table, rounding half up.
  EXPECT_EQ(charadvance({0, 24, 0}, 'm'), 22);
  EXPECT_EQ(charadvance({0, 9, 0}, 'm'), 8);   // 8.25
  EXPECT_EQ(charadvance({0, 18, 0}, 'i'), 5);  // 4.5
  EXPECT_EQ(charadvance({0, 0, 0}, 'm'), 11) << "size 0 means 12";
  EXPECT_EQ(charadvance({0, -3, 0}, 'm'), 11);
}

TEST_F(BuiltinFont, GlyphsAreFramesOnTheBaseline) {
  const Glyph& x = glyph({0, 12, 0}, 'x', false);
  EXPECT_EQ(x.left, 0);
  EXPECT_EQ(x.top, 6);  // two thirds of the ascent
  EXPECT_EQ(x.width, 6);
  EXPECT_EQ(x.height, 6);
  ASSERT_EQ(x.bits.size(), 36u);
  EXPECT_EQ(x.bits[0], 255);
  EXPECT_EQ(x.bits[7], 0) << "inside of the frame";
  const Glyph& p = glyph({0, 12, 0}, 'p', false);
  EXPECT_EQ(p.top, 6);
  EXPECT_EQ(p.height, 9) << "descends by the descent";
  const Glyph& cap = glyph({0, 12, 0}, 'H', true);
  EXPECT_TRUE(cap.mono);
  EXPECT_EQ(cap.top, 8);
  EXPECT_EQ(cap.height, 8);
  EXPECT_TRUE(glyph({0, 12, 0}, ' ', false).bits.empty());
  EXPECT_TRUE(glyph({0, 12, 0}, '\r', false).bits.empty());
}

TEST_F(BuiltinFont, StylesChangeShapesAndAdvancesTheClassicWay) {
  FontKey plain{0, 12, 0};
  EXPECT_EQ(charadvance({0, 12, facebold}, 'm'), 12);
  EXPECT_EQ(charadvance({0, 12, faceitalic}, 'm'), 11);
  EXPECT_EQ(charadvance({0, 12, faceunderline}, 'm'), 11);
  EXPECT_EQ(charadvance({0, 12, faceoutline}, 'm'), 12);
  EXPECT_EQ(charadvance({0, 12, faceshadow}, 'm'), 13);
  EXPECT_EQ(charadvance({0, 12, faceoutline | faceshadow}, 'm'), 13);
  EXPECT_EQ(charadvance({0, 12, facecondense}, 'm'), 10);
  EXPECT_EQ(charadvance({0, 12, faceextend}, 'm'), 12);
  EXPECT_EQ(charadvance({0, 12, facebold | faceextend}, 'm'), 13);
  EXPECT_EQ(charadvance({0, 12, facebold}, '\r'), 0) << "a character without advance gets no extra";
  EXPECT_EQ(fontmetrics({0, 12, facebold}).widmax, 12);

  Glyph x = glyph(plain, 'x', false);
  Glyph bold = glyph({0, 12, facebold}, 'x', false);
  EXPECT_EQ(bold.width, x.width + 1);
  EXPECT_NE(bold.bits, x.bits);
  EXPECT_EQ(x.bits[2 * 6 + 1], 0);
  EXPECT_EQ(bold.bits[2 * 7 + 1], 255) << "the left column smeared right";

  Glyph italic = glyph({0, 12, faceitalic}, 'x', false);
  EXPECT_EQ(italic.height, x.height);
  EXPECT_EQ(italic.width, x.width + 1) << "the rows 4 to 6 pixels above the baseline move right by one";
  EXPECT_EQ(italic.bits[0], 0);
  EXPECT_EQ(italic.bits[1], 255);

  Glyph outline = glyph({0, 12, faceoutline}, 'x', true);
  EXPECT_EQ(outline.width, x.width + 2);
  EXPECT_EQ(outline.height, x.height + 2);
  EXPECT_EQ(outline.left, x.left - 1);
  EXPECT_EQ(outline.top, x.top + 1);
  for (u8 v : outline.bits) EXPECT_TRUE(v == 0 || v == 255);
  // The frame itself becomes white, the ring around it black.
  EXPECT_EQ(outline.bits[0], 255);
  EXPECT_EQ(outline.bits[std::size_t(outline.width) + 1], 0);

  Glyph shadow = glyph({0, 12, faceshadow}, 'x', true);
  EXPECT_EQ(shadow.width, x.width + 3);
  EXPECT_EQ(shadow.height, x.height + 3);
  EXPECT_EQ(fontmetrics({0, 12, faceshadow}).descent, 5);
  EXPECT_EQ(fontmetrics({0, 12, faceoutline}).ascent, 10);
}

TEST_F(BuiltinFont, GlyphsAreCachedUntilTheFontChanges) {
  const Glyph& a = glyph({3, 12, 0}, 'a', false);
  const Glyph& b = glyph({3, 12, 0}, 'a', false);
  EXPECT_EQ(&a, &b);
  EXPECT_TRUE(hasink(a));
  // The application font and an unknown number draw in Geneva.
  EXPECT_EQ(&glyph({1, 12, 0}, 'a', false), &a);
  EXPECT_EQ(&glyph({12345, 12, 0}, 'a', false), &a);
}

TEST_F(BuiltinFont, HugeSizesDoNotExhaustMemory) {
  FontKey huge{0, 32767, facebold | faceshadow | faceitalic};
  EXPECT_GT(charadvance(huge, 'W'), 20000);
  EXPECT_GT(fontmetrics(huge).ascent, 20000);
  const Glyph& g = glyph(huge, 'W', false);
  EXPECT_LE(i64(g.width) * g.height, i64(8) << 20);
}

}  // namespace
}  // namespace kv
