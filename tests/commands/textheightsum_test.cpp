// textHeightSum: the height of the text of fields and text graphics, open or not; and the
// selection of the open field.
#include <gtest/gtest.h>

#include <string>

#include "store/liveparts.h"
#include "store/objects.h"
#include "core/mainglobals.h"
#include "textengine/werecord.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class TextHeightSumTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = testproject::small();
    auto field = [](const char* name, const char* text, u16 style) {
      testproject::Object f;
      f.kind = testproject::Object::field;
      f.name = name;
      f.text = text;
      f.style = style;
      f.rect = Rect{10, 10, 200, 200};
      return f;
    };
    testproject::Object label;
    label.kind = testproject::Object::graphic;
    label.name = "label";
    label.style = 106;
    p.windows[0].cards[0].objects = {field("one", "a", 300), field("three", "a\rb\rc", 300),
                                     field("scroll", "a\rb\rc", 301), field("list", "a\rb\rc", 302), label};
    build(p);
    ASSERT_EQ(open(), 0);
  }
};

TEST_F(TextHeightSumTest, ThreeLinesAreThreeLineHeights) {
  const std::string one = cardvalue("textHeightSum(card field \"one\")");
  ASSERT_GT(std::stoi(one), 0);
  const std::string three = std::to_string(3 * std::stoi(one));
  EXPECT_EQ(cardvalue("textHeightSum(card field \"three\")"), three);
  EXPECT_EQ(cardvalue("the textHeightSum of card field \"three\""), three);
  EXPECT_EQ(cardvalue("textHeightSum of card field \"scroll\""), three);
  EXPECT_EQ(cardvalue("textHeightSum(card field \"list\")"), three);
  // The field opened with its live record.
  MainGlobals& g = mainglobals();
  const WEReference we = livefield(spotat(g.current.cardspots, 1));
  ASSERT_TRUE(isvalidwerec(we));
  g.openfield = 1;
  g.openfieldspots = g.current.cardspots;
  g.openfieldwindow = g.current.window;
  g.openfieldrec = we;
  EXPECT_EQ(cardvalue("textHeightSum(card field \"three\")"), three);
  // Typed text is in the open field's record before it is stored.
  WESetSelection(WEGetTextLength(we), WEGetTextLength(we), we);
  ASSERT_EQ(WEInsert("\rd", 2, nilhandle, nilhandle, we), noErr);
  EXPECT_EQ(cardvalue("textHeightSum(card field \"three\")"), std::to_string(4 * std::stoi(one)));
  EXPECT_EQ(cardvalue("textHeightSum(card field \"scroll\")"), three);
  g.openfield = -1;
  g.openfieldspots = nilhandle;
  g.openfieldwindow = nilid;
  g.openfieldrec = nilid;
}

TEST_F(TextHeightSumTest, OnlyTextObjects) {
  EXPECT_EQ(cardvalue("textHeightSum(bg button 1 of card 3)"), "error 133");
  EXPECT_EQ(cardvalue("textHeightSum(card 1)"), "error 133");
  EXPECT_NE(cardvalue("textHeightSum(card graphic \"label\")").substr(0, 5), "error");
  EXPECT_EQ(cardvalue("textHeightSum(card field \"one\" x)"), "error 88");
  EXPECT_EQ(cardvalue("the textHeightSum card field 1"), "error 5");
  EXPECT_EQ(cardvalue("textHeightSum(card field 99)"), "error 11");
}

TEST_F(TextHeightSumTest, TheSelectionOfTheOpenField) {
  EXPECT_EQ(cardvalue("the selectedText"), "");
  EXPECT_EQ(cardvalue("the selectedLine"), "");
  MainGlobals& g = mainglobals();
  const WEReference we = livefield(spotat(g.current.cardspots, 1));
  ASSERT_TRUE(isvalidwerec(we));
  g.openfield = 1;
  g.openfieldspots = g.current.cardspots;
  g.openfieldwindow = g.current.window;
  g.openfieldrec = we;
  WESetSelection(2, 3, we);  // "b" of "a", "b", "c"
  const std::string field = cardvalue("the selectedField");
  EXPECT_EQ(field.substr(0, 13), "card field 2 ");
  EXPECT_EQ(cardvalue("the selectedText"), "b");
  EXPECT_EQ(cardvalue("the selectedLine"), "line 2 of " + field);
  EXPECT_EQ(cardvalue("the selectedChunk").substr(0, 15), "char 3 to 3 of ");
  LongPoint p{};
  i16 height = 0;
  WEGetPoint(2, 0, &p, &height, we);
  EXPECT_EQ(cardvalue("the selectedLoc"), std::to_string(p.h) + "," + std::to_string(p.v));
  WESetSelection(5, 5, we);
  EXPECT_EQ(cardvalue("the selectedText"), "");
  EXPECT_EQ(cardvalue("the selectedLine"), "line 3 of " + field);
  g.openfield = -1;
  g.openfieldspots = nilhandle;
  g.openfieldwindow = nilid;
  g.openfieldrec = nilid;
}

}  // namespace
}  // namespace kv
