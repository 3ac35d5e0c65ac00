// RTF set into a field by script: the text, its styles read back by script, the colours drawn
// in the window, and an RTFD package whose picture attachment becomes an object in the field.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/png.h"
#include "platform/testing/driver.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "store/fieldtext.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

using FieldRTFTest = PropertyTest;

TEST_F(FieldRTFTest, StyledTextReadsBackAndShows) {
  ASSERT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}"
                    "plain {\\b\\fs36\\cf1 Big}\\par caf\\'e9}\""),
            0);
  EXPECT_EQ(cardvalue("card field \"Notes\""), "plain Big\rcaf\x8E");
  // The stored runs: plain 12, bold 18 from "Big", plain again after the group.
  const Handle data = cardspot("Notes").data;
  const fieldtextlayout l = measurefieldtext(data);
  std::string runs;
  for (i32 i = 0; i < l.runs; ++i) {
    const stylerun r = fieldtextrun(deref(data), i);
    runs += std::to_string(r.start) + ":" + std::to_string(r.face) + "/" + std::to_string(r.size) + " ";
  }
  EXPECT_EQ(runs, "0:0/12 6:1/18 9:0/12 ");
  // The window draws the red word inside the field.
  mainloop(LoopLimits{0, 3});
  const auto f = drive::windowpixels(mainglobals().current.window);
  const Rect r = cardspot("Notes").rect;
  int red = 0;
  for (i16 v = r.top; v < r.bottom; ++v)
    for (i16 h = r.left; h < r.right; ++h) red += (drive::pixelat(f, h, v) & 0xFFFFFF) == 0xFF0000;
  EXPECT_GT(red, 20);

  EXPECT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 broken\""), 191);
  EXPECT_EQ(cardvalue("card field \"Notes\""), "plain Big\rcaf\x8E") << "a failed read changes nothing";
}

TEST_F(FieldRTFTest, PackageWithAPicture) {
  const std::string folder = home->path() + "/art.rtfd";
  std::filesystem::create_directories(folder);
  std::vector<u32> pixels(24, 0x000000FF);
  std::vector<u8> png;
  ASSERT_TRUE(encodexrgbpng(6, 4, pixels.data(), &png));
  std::ofstream(folder + "/pic.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  std::ofstream(folder + "/TXT.rtf", std::ios::binary)
      << "{\\rtf1 a{{\\NeXTGraphic pic.png \\width120\\height80}\xAC}b}";
  spot s = cardspot("Notes");
  s.flags |= 1u << 26;  // allowObjects
  putcardspot("Notes", s);
  ASSERT_EQ(setline("set text of card field \"Notes\" to rtfd file \"" + folder + "\""), 0);
  EXPECT_EQ(cardvalue("the length of card field \"Notes\""), "3");
  EXPECT_EQ(cardvalue("char 3 of card field \"Notes\""), "b");
  EXPECT_EQ(cardvalue("charToNum(char 2 of card field \"Notes\")"), "1") << "the picture's character";
  // A package whose path is longer than a short string, named by a file name's suffix.
  const std::string deep = home->path() + "/" + std::string(200, 'p') + "/" + std::string(60, 'q') + ".rtfd";
  std::filesystem::create_directories(deep);
  std::ofstream(deep + "/TXT.rtf", std::ios::binary) << "{\\rtf1 far {\\b away}}";
  ASSERT_GT(deep.size(), 255u);
  ASSERT_EQ(setline("set text of card field \"Notes\" to file \"" + deep + "\""), 0);
  EXPECT_EQ(cardvalue("card field \"Notes\""), "far away");
  EXPECT_EQ(cardvalue("the textStyle of word 2 of card field \"Notes\""), "bold");
}

// The field's RTF read back by script and set again gives the same text and runs.
TEST_F(FieldRTFTest, RichTextRoundTrips) {
  ASSERT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}"
                    "plain {\\b\\fs36\\cf1 Big}\\par {\\i\\ul caf\\'e9} \\{x\\}}\""),
            0);
  auto runs = [this] {
    const Handle data = cardspot("Notes").data;
    const fieldtextlayout l = measurefieldtext(data);
    std::string out;
    for (i32 i = 0; i < l.runs; ++i) {
      const stylerun r = fieldtextrun(deref(data), i);
      out += std::to_string(r.start) + ":" + std::to_string(r.face) + "/" + std::to_string(r.size) + "/" +
             std::to_string(r.font) + " ";
    }
    return out;
  };
  const std::string text = cardvalue("card field \"Notes\""), before = runs();
  ASSERT_EQ(text, "plain Big\rcaf\x8E {x}");
  ASSERT_EQ(setline("global g\nput the rtfText of card field \"Notes\" into g"), 0);
  EXPECT_EQ(global("g").substr(0, 10), "{\\rtf1\\mac");
  ASSERT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 other}\""), 0);
  ASSERT_EQ(setline("global g\nset the rtfText of card field \"Notes\" to g"), 0);
  EXPECT_EQ(cardvalue("card field \"Notes\""), text);
  EXPECT_EQ(runs(), before);
}

}  // namespace
}  // namespace kv
