// The small RTF decoder, driven through the transfer record in the setters' order: text and
// style runs, groups, special characters, line ends, skipped groups, the colour and font
// tables, indents, and the limits of text and runs.
#include "fields/rtfdecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "fields/urlcontent.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "core/memoryguard.h"
#include "tests/support/homefolder.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

struct Decoded {
  i16 status = 0;  // the first failure of the hooks
  std::string text;
  std::vector<stylerun> runs;
  bool whole = false;  // the field text reads whole
  bool made = false;   // decoding made a field text
  std::string run(std::size_t i) const {
    i32 end = i + 1 < runs.size() ? runs[i + 1].start : i32(text.size());
    return text.substr(std::size_t(runs[i].start), std::size_t(end - runs[i].start));
  }
};

class RTFDecoderTest : public VeltrixTest {
 protected:
  // Decodes a document as the field text setter does for a name with this suffix.
  Decoded decode(std::string_view rtf, std::string_view name = "doc.rtf") {
    urltransfer t{};
    Str255 suffix;
    typefromurl(PName(name), suffix);
    url_set_type(&t, suffix);
    Decoded d;
    auto step = [&d](i16 st) {
      if (d.status == 0) d.status = st;
    };
    url_set_buf(&t, reinterpret_cast<const u8*>(rtf.data()), i32(rtf.size()));
    step(url_decompress_init(&t));
    if (d.status == 0) step(url_decompress(&t));
    url_set_buf(&t, nullptr, 0);
    if (t.fieldtext != nilhandle) {
      d.made = true;
      fieldtextlayout l = measurefieldtext(t.fieldtext);
      d.whole = l.whole;
      const u8* b = deref(t.fieldtext);
      d.text.assign(reinterpret_cast<const char*>(b) + l.textoffset, std::size_t(l.textlength));
      for (i32 i = 0; i < l.runs; ++i) d.runs.push_back(fieldtextrun(b, i));
    }
    step(url_decompress_done(&t));
    return d;
  }
  std::vector<std::string> texts(const Decoded& d) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < d.runs.size(); ++i) out.push_back(d.run(i));
    return out;
  }
};

TEST_F(RTFDecoderTest, PlainTextIsOneRunInTheGlobalTextStyle) {
  const MainGlobals& g = mainglobals();
  Decoded d = decode("{\\rtf1 Hello}");
  ASSERT_EQ(d.status, 0);
  ASSERT_TRUE(d.whole);
  ASSERT_EQ(texts(d), std::vector<std::string>{"Hello"});
  stylerun r = d.runs[0];
  EXPECT_EQ(r.font, g.textFont);
  EXPECT_EQ(r.size, g.textSize);
  EXPECT_EQ(r.face, g.textStyle);
  EXPECT_EQ(r.color, (RGBColor{0, 0, 0}));
  FontMetrics m = fontmetrics(FontKey{g.textFont, g.textSize, u8(g.textStyle)});
  EXPECT_EQ(r.ascent, m.ascent);
  EXPECT_EQ(r.height, m.ascent + m.descent + m.leading);
}

TEST_F(RTFDecoderTest, GroupsKeepTheirStyleToThemselves) {
  Decoded d = decode("{\\rtf1 a{\\b b}c}");
  ASSERT_EQ(texts(d), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(d.runs[1].face, facebold);
  EXPECT_EQ(d.runs[2].face, d.runs[0].face);
  // Double underline is underline; a size without a number keeps the size.
  d = decode("{\\rtf1\\fs40 a\\uldb b\\fs c}");
  ASSERT_EQ(d.runs.size(), 3u);
  EXPECT_EQ(d.runs[1].face, faceunderline);
  EXPECT_EQ(d.runs[0].size, 20);
  EXPECT_EQ(d.runs[2].size, 20);
}

TEST_F(RTFDecoderTest, CharactersLineEndsAndSkippedGroups) {
  struct Row {
    std::string_view rtf, text;
  };
  const Row rows[] = {
      {"{\\rtf1 caf\\'e9}", "caf\xE9"},
      {"{\\rtf1 a\\\r\nb\r\nc\rd}", "a\rbcd"},                       // a backslash before a line end is a return
      {"{\\rtf1 a{\\*\\foo x}b}", "ab"},                             // dropped with its text
      {"{\\rtf1 a{\\info{\\title t}x}b}", "ab"},                     // a skipped destination
      {"{\\rtf1 a{\\*\\foo \\} x}b}", "ab"},                         // an escaped brace does not end the group
      {"{\\rtf1 \\li576 a\\li289 b\\li288 c\\li0 d}", "  a  b cd"},  // a blank per started 288 twips
      {"{\\rtf1 \\{\\}\\\\\\tab\\par\\bullet\\emdash\\lquote\\rdblquote}", "{}\\\t\r\xA5-'\""},
      {"{\\rtf1 x\\'e", "x\x0E"},  // a cut escape stops at the end
      {"{\\rtf1 x\\'", "x"},
      {"no rtf keyword {\\b here}", ""},
  };
  for (const Row& r : rows) {
    Decoded d = decode(r.rtf);
    EXPECT_EQ(d.status, 0) << r.rtf;
    EXPECT_EQ(d.text, r.text) << r.rtf;
  }
}

TEST_F(RTFDecoderTest, ColourAndFontTables) {
  Decoded d = decode("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 x\\cf0 y}");
  ASSERT_EQ(texts(d), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(d.runs[0].color, (RGBColor{65535, 0, 0}));
  EXPECT_EQ(d.runs[1].color, (RGBColor{0, 0, 0}));

  Str255 helvetica = {9, 'H', 'e', 'l', 'v', 'e', 't', 'i', 'c', 'a'};
  d = decode("{\\rtf1{\\fonttbl{\\f3\\fswiss Helvetica;}{\\f4\\fnil Nowhere Sans;}}\\f3 x\\f4 y\\plain z}");
  ASSERT_EQ(texts(d), (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_EQ(d.runs[0].font, GetFNum(helvetica));
  EXPECT_EQ(d.runs[1].font, mainglobals().textFont) << "an unknown font is the default font";
  EXPECT_EQ(d.runs[2].size, 12);
}

TEST_F(RTFDecoderTest, TextIsCutAtAMillionBytes) {
  std::string rtf = "{\\rtf1 " + std::string(1000100, 'a') + "}";
  Decoded d = decode(rtf);
  EXPECT_EQ(d.status, 0);
  EXPECT_EQ(d.text.size(), 1000000u);
  EXPECT_EQ(result(), "The text was cut at 1,000,000 characters.");
}

TEST_F(RTFDecoderTest, RunsStopAtTheLimitOfAFieldText) {
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 35000; ++i) rtf += "\\b w \\b0 w ";
  Decoded d = decode(rtf + "}");
  ASSERT_TRUE(d.whole);
  EXPECT_EQ(d.runs.size(), std::size_t(kRTFRunLimit));
  EXPECT_EQ(d.text.size(), 140000u) << "text after the last run joins it";
}

TEST_F(RTFDecoderTest, OtherContentPassesThroughAndMemoryFailuresAre37) {
  Decoded d = decode("{\\rtf1 x}", "doc.RTFD");
  EXPECT_EQ(d.status, 0);
  EXPECT_FALSE(d.made);
  setmemoryguardrefusal(true);
  d = decode("{\\rtf1 x}");
  setmemoryguardrefusal(false);
  EXPECT_EQ(d.status, 37);
  EXPECT_FALSE(d.made);
}

}  // namespace
}  // namespace kv
