// The word tables and formatters, and the value parsers that read them backwards.
#include <gtest/gtest.h>

#include <string>

#include "engine/fred.h"
#include "engine/tokens.h"
#include "platform/text/pstring.h"
#include "properties/globaltables.h"
#include "properties/valueparsers.h"
#include "properties/valuewords.h"
#include "core/mainglobals.h"
#include "tests/support/owned.h"
#include "tests/support/spots.h"
#include "tests/support/texts.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class WordTest : public VeltrixTest {
 protected:
  static std::string text(fred* v) {
    std::string s(reinterpret_cast<const char*>(fredaddr(v)), size_t(getfredsize(v)));
    disposfred(v);
    return s;
  }
  static std::string styles(u16 bits) {
    Str255 s{};
    stylelist(bits, s);
    return testtexts::str(s);
  }
  static std::string lists(u16 bits) {
    Str255 s{};
    liststylenames(bits, s);
    return testtexts::str(s);
  }
  static std::string ink(i16 mode, bool shade) {
    fred v;
    i16 st = modetofred(mode, shade, &v);
    return st == 0 ? text(&v) : "error " + std::to_string(st);
  }
  static fred value(std::string_view s) {
    fred v;
    charstonewfred(s.data(), Size(s.size()), &v);
    return v;
  }
  propctx context(std::string_view words) {
    Handle text = nilhandle;
    Handle atoms = tokens(words, &text);
    return propctx{hierpath{}, text, atoms, nilhandle, nilhandle};
  }
};

TEST_F(WordTest, StyleWords) {
  EXPECT_EQ(styles(0), "plain");
  EXPECT_EQ(styles(3), "bold,italic");
  EXPECT_EQ(styles(128), "group");
  EXPECT_EQ(styles(0x1FF), "bold,italic,underline,outline,shadow,condense,extend,group") << "bit 256 has no word";
  EXPECT_EQ(lists(0), "selReset");
  EXPECT_EQ(lists(0x180), "selOne,selRedraw");
  EXPECT_EQ(lists(0x1), "") << "a bit without a word";
}

TEST_F(WordTest, InkWords) {
  EXPECT_EQ(ink(36, false), "transparent");
  EXPECT_EQ(ink(-1, false), "mask");
  EXPECT_EQ(ink(64, false), "ditherCopy");
  EXPECT_EQ(ink(99, false), "unknown");
  EXPECT_EQ(ink(0, true), "shad1");
  EXPECT_EQ(ink(9, true), "shad10");
  EXPECT_EQ(ink(10, true), "gray1");
  EXPECT_EQ(ink(14, true), "gray5");
  EXPECT_EQ(ink(15, true), "error 2");
}

TEST_F(WordTest, KindStyleAndRectangleWords) {
  Str255 s{};
  EXPECT_EQ(spotstylestring(208, s), 43);
  EXPECT_EQ(spotstylestring(303, s), 0);
  EXPECT_EQ(testtexts::str(s), "scrollingList");
  EXPECT_EQ(spotkindstring(3, s), 43);
  EXPECT_STREQ(windowstyleword(11), "metal");
  EXPECT_STREQ(windowstyleword(12), "unknown");
  fred v;
  ASSERT_EQ(rectoresult(tok::loc, Rect{10, 20, 31, 41}, &v), 0);
  EXPECT_EQ(text(&v), "30,20") << "each sum halved by a shift";
  ASSERT_EQ(rectoresult(tok::loc, Rect{-11, -11, 0, 0}, &v), 0);
  EXPECT_EQ(text(&v), "-6,-6") << "the shift rounds toward minus infinity";
}

// The parsers read a value into a code: "status/code" for each text (the code before the call
// is 9; a failing parser leaves what it had read so far).
template <class Parse>
std::string parsed(std::string_view text, Parse&& parse) {
  OwnedFred v(text);
  i32 code = 9;
  i16 st = parse(&v, &code);
  return std::to_string(st) + "/" + std::to_string(code);
}

TEST_F(WordTest, ListStyles) {
  auto styles = [](fred* v, i32* code) {
    u16 mask = 0xFFFF;
    i16 st = getliststyles(v, &mask);
    *code = mask;
    return st;
  };
  const std::pair<const char*, const char*> rows[] = {{"selOne,selExtend", "0/192"},
                                                      {"selClick selRedraw", "0/272"},
                                                      {"onlyOne, noExtend, plain", "0/144"},
                                                      {"selOne, bogus, selFlip",
                                                       "83/128"},  // the bits before the bad word
                                                      {"", "0/0"}};
  for (auto [text, want] : rows) EXPECT_EQ(parsed(text, styles), want) << text;
}

TEST_F(WordTest, ModesAndAlignments) {
  auto mode = [](bool shade, i16 style) {
    return [=](fred* v, i32* code) {
      i16 m = 7;
      i16 st = fredtomode(v, shade, style, &m);
      *code = m;
      return st;
    };
  };
  EXPECT_EQ(parsed("SRCXOR", mode(false, 100)), "0/2");
  EXPECT_EQ(parsed("mask", mode(false, 100)), "2/7") << "only bitmaps take mask";
  EXPECT_EQ(parsed("mask", mode(false, 105)), "0/-1");
  EXPECT_EQ(parsed("gray3", mode(true, 200)), "0/12");
  EXPECT_EQ(parsed("shad11", mode(true, 200)), "2/7");
  EXPECT_EQ(parsed("blueX", mode(true, 200)), "13/7") << "the number is read before the prefix";
  EXPECT_EQ(parsed("dots2", mode(true, 200)), "2/7");
  auto align = [](fred* v, i32* code) {
    i16 c = 9;
    i16 st = getalign(v, &c);
    *code = c;
    return st;
  };
  EXPECT_EQ(parsed("Center", align), "0/1");
  EXPECT_EQ(parsed("middle", align), "2/9") << "unchanged on error";
}

TEST_F(WordTest, Tools) {
  auto tool = [&](std::string_view words) {
    i32 used = 0;
    i16 t = 0;
    i16 st = textotool(context(words), 0, &used, &t);
    return st == 0 ? std::to_string(t) + "/" + std::to_string(used) : "error " + std::to_string(st);
  };
  EXPECT_EQ(tool("browse"), "100/1");
  EXPECT_EQ(tool("button"), "603/1");
  EXPECT_EQ(tool("button tool"), "603/1") << "the word after is not taken";
  EXPECT_EQ(tool("draw"), "error 2");
  EXPECT_EQ(tool("text"), "605/1");
  EXPECT_EQ(tool("paint text"), "314/2");
  EXPECT_EQ(tool("draw text"), "200/2");
  EXPECT_EQ(tool("text oval"), "error 2");
  EXPECT_EQ(tool("regular polygon"), "310/2");
  EXPECT_EQ(tool("regular oval"), "error 2");
  EXPECT_EQ(tool("spray can"), "313/2");
  EXPECT_EQ(tool("draw straight line"), "201/3");
  EXPECT_EQ(tool("field rect"), "500/2");
  EXPECT_EQ(tool("button slider"), "410/2");
  EXPECT_EQ(tool("slider"), "error 2");
  EXPECT_EQ(tool("field scrollingList"), "503/2");
}

TEST_F(WordTest, Delimiters) {
  auto del = [](fred* v, i32* code) {
    u16 ch = 0;
    i16 st = getchardel(v, &ch);
    *code = ch;
    return st;
  };
  EXPECT_EQ(parsed("ab", del), "0/97");
  EXPECT_EQ(parsed("", del), "2/0");
  OwnedFred n, b;
  longtonewfred(9, &n);
  u16 ch = 0;
  EXPECT_EQ(getchardel(&n, &ch), 0);
  EXPECT_EQ(ch, 9) << "a number is a character code";
  booltonewfred(1, &b);
  EXPECT_EQ(getchardel(&b, &ch), 2);
  mainglobals().twobyte = 1;
  EXPECT_EQ(parsed("\x82\xa0", del), "0/33440");
  EXPECT_EQ(parsed("abc", del), "2/0");
  mainglobals().twobyte = 0;
}

TEST_F(WordTest, GeometryWords) {
  Rect r{10, 10, 30, 60};  // width 50, height 20
  makearect(tok::width, 0, 0, 100, &r);
  EXPECT_EQ(r.left, -15);
  EXPECT_EQ(r.right, 85);
  r = Rect{10, 10, 30, 60};
  makearect(tok::botright, 100, 200, 0, &r);
  EXPECT_EQ(r.top, 180);
  EXPECT_EQ(r.left, 50);
  r = Rect{20000, 20000, 30000, 30000};
  makearect(tok::height, 0, 0, 100, &r);
  EXPECT_EQ(r.top, 24950) << "the centre of far coordinates does not wrap";
  EXPECT_EQ(r.bottom, 25050);
}

TEST_F(WordTest, ReferencesAndButtons) {
  EXPECT_TRUE(isgrcont(context("graphic 1"), 0));
  EXPECT_TRUE(isgrcont(context("card graphic 1"), 0));
  EXPECT_FALSE(isgrcont(context("card button 1"), 0));
  spot s = testspots::newspot(spotbutton, 209);
  EXPECT_FALSE(hasMinMaxValues(&s)) << "not a platform control";
  s.flags = s.flags | spotplatformcontrol;
  EXPECT_TRUE(hasMinMaxValues(&s));
  s.style = 204;
  EXPECT_FALSE(hasMinMaxValues(&s));
  EXPECT_FALSE(hasMinMaxValues(nullptr));
}

TEST_F(WordTest, SerialWords) {
  const u8* nine = reinterpret_cast<const u8*>("9600");
  EXPECT_EQ(getservalue(nine, 4, 11, 23), 10);
  EXPECT_EQ(getservalue(nine, 4, 0, 10), -1) << "not among the other fields' rows";
  EXPECT_EQ(getservalue(reinterpret_cast<const u8*>("STOP2"), 5, 0, 2), 3) << "a prefix, case ignored";
  EXPECT_EQ(getservalue(nine, 4, 23, 11), -1) << "first after last";
  EXPECT_EQ(getservalue(reinterpret_cast<const u8*>("5"), 1, 7, 10), 0);
}

}  // namespace
}  // namespace kv
