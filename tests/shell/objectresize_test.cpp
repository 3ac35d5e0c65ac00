// Objects that follow their window: a script resizes the window or changes card, and the
// objects' rectangles and the layers' "referenceSize" are read back.
#include "shell/objectresize.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/windows.h"
#include "shell/cardwindow.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

class ObjectResizeTest : public WindowTest {
 protected:
  // A 300 x 200 window on a 640 x 480 background holding one object per anchoring, each at
  // 250,10,290,30 (named by its anchoring), and two cards with a card button at the same place.
  void start(const std::vector<std::string>& anchors, bool autoresize = true) {
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 300, 400};
    testproject::Background b{"B", "", {}};
    b.width = 640;
    b.height = 480;
    for (const std::string& a : anchors) {
      Object o;
      o.kind = a[0] == '~' ? Object::field : Object::button;
      o.name = a;
      o.rect = Rect{10, 250, 30, 290};
      b.objects.push_back(o);
    }
    w.backgrounds.push_back(b);
    for (const char* name : {"One", "Two"}) {
      testproject::Card c;
      c.name = name;
      Object o;
      o.name = "Go";
      o.rect = Rect{10, 250, 30, 290};
      c.objects.push_back(o);
      w.cards.push_back(c);
    }
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    if (autoresize) {
      ASSERT_EQ(doline("set the autoResize of bkgnd 1 to true"), 0);
    }
    for (const std::string& a : anchors) {
      const std::string ref = "bkgnd part \"" + a + "\"";
      ASSERT_EQ(doline("define anchorData of " + ref + "\nset the anchorData of " + ref + " to \"" + a + "\""), 0);
    }
  }
  void reference(const std::string& layer, const std::string& size) {
    ASSERT_EQ(doline("define referenceSize of " + layer + "\nset the referenceSize of " + layer + " to \"" + size +
                     "\""),
              0);
  }
  std::string rect(const std::string& name) { return cardvalue("the rect of bkgnd part \"" + name + "\""); }
};

TEST_F(ObjectResizeTest, EachAnchoringMovesTheObjectWithTheWindowsGrowth) {
  start({"RTRB", "LTRB", "SSSS", "LTLT", "L,T,R", "C,T,C,B", "LTRT", "l t r b"});
  reference("bkgnd 1", "300,200");
  ASSERT_EQ(doline("set the windowSize of window 1 to 400,200"), 0);
  EXPECT_EQ(rect("RTRB"), "350,10,390,30");
  EXPECT_EQ(rect("LTRB"), "250,10,390,30");
  EXPECT_EQ(rect("SSSS"), "250,10,290,30");
  EXPECT_EQ(rect("LTLT"), "250,10,290,30");
  EXPECT_EQ(rect("L,T,R"), "250,10,290,30") << "three tokens leave the bottom without a letter";
  EXPECT_EQ(rect("C,T,C,B"), "300,10,340,30");
  EXPECT_EQ(rect("LTRT"), "250,10,390,30");
  EXPECT_EQ(rect("l t r b"), "250,10,390,30") << "blank-separated tokens, any case";
  EXPECT_EQ(cardvalue("the referenceSize of bkgnd 1"), "400,200");

  // The next resize starts from the size written back: only the growth since then counts.
  ASSERT_EQ(doline("set the windowSize of window 1 to 400,260"), 0);
  EXPECT_EQ(rect("RTRB"), "350,10,390,90");
  EXPECT_EQ(rect("LTRB"), "250,10,390,90");
  EXPECT_EQ(cardvalue("the referenceSize of bkgnd 1"), "400,260");
}

// The geometry words of a window resize it as the window-size words do: its objects follow.
TEST_F(ObjectResizeTest, TheWindowsRectangleWordsLayTheObjectsOut) {
  start({"RTRB"});
  reference("bkgnd 1", "300,200");
  ASSERT_EQ(doline("set the width of window 1 to 400"), 0);
  EXPECT_EQ(rect("RTRB"), "350,10,390,30");
  ASSERT_EQ(doline("set the rect of window 1 to 100,100,500,360"), 0);
  EXPECT_EQ(rect("RTRB"), "350,10,390,90");
  EXPECT_EQ(mainglobals().lockcount, 0) << "the screen unlocked again";
}

TEST_F(ObjectResizeTest, WithoutAutoResizeOrAReferenceSizeNothingMoves) {
  start({"RTRB"}, false);
  reference("bkgnd 1", "300,200");
  ASSERT_EQ(doline("set the windowSize of window 1 to 400,200"), 0);
  EXPECT_EQ(rect("RTRB"), "250,10,290,30");
  EXPECT_EQ(cardvalue("the referenceSize of bkgnd 1"), "300,200");

  // The first resize of a background without "referenceSize" records the size and moves
  // nothing; a size that is no size counts as none.
  for (const char* stored : {"", "99999,200", "0,0", "300,200x"}) {
    SCOPED_TRACE(stored);
    ASSERT_EQ(doline("set the autoResize of bkgnd 1 to true"), 0);
    if (*stored != 0) {
      reference("bkgnd 1", stored);
    } else {
      ASSERT_EQ(doline("undefine referenceSize of bkgnd 1"), 0);
    }
    ASSERT_EQ(doline("set the windowSize of window 1 to 300,200"), 0);
    EXPECT_EQ(rect("RTRB"), "250,10,290,30");
    EXPECT_EQ(cardvalue("the referenceSize of bkgnd 1"), "300,200");
  }
  ASSERT_EQ(doline("set the windowSize of window 1 to 350,200"), 0);
  EXPECT_EQ(rect("RTRB"), "300,10,340,30");
}

TEST_F(ObjectResizeTest, PartnersAndProportions) {
  // Ids in list order: 1 the field before the button, 2 the button, 3 the field after it,
  // 4 a field whose partner is missing, 5 proportional. The fields' anchors name button 2.
  start({"~2,T,~2,B", "RTRB", "~2 T ~2 B", "~99,T,~99,B", "P,T,P,B"});
  reference("bkgnd 1", "300,200");
  ASSERT_EQ(doline("set the windowSize of window 1 to 400,200"), 0);
  EXPECT_EQ(cardvalue("the rect of bkgnd part 2"), "350,10,390,30");
  EXPECT_EQ(cardvalue("the rect of bkgnd part 1"), "350,10,390,30") << "sees the button moved";
  EXPECT_EQ(cardvalue("the rect of bkgnd part 3"), "250,10,290,30") << "sees the button's old place";
  EXPECT_EQ(cardvalue("the rect of bkgnd part 4"), "250,10,290,30");
  EXPECT_EQ(cardvalue("the width of bkgnd part 5"), "40");
  const int centre = std::stoi(cardvalue("item 1 of the loc of bkgnd part 5"));
  EXPECT_LE(std::abs(centre - 360), 1);
}

TEST_F(ObjectResizeTest, TheCardLeftKeepsItsObjectsAndTheCardShownFollows) {
  start({});
  ASSERT_EQ(doline("set the autoResize of bkgnd 1 to true\nset the windowSize of window 1 to 400,200"), 0);
  reference("card 1", "300,200");
  reference("card 2", "300,200");
  ASSERT_EQ(
      doline("define anchorData of card button 1 of card 2\nset the anchorData of card button 1 of card 2 to \"RTRB\""),
      0);
  ASSERT_EQ(doline("define anchorData of card button 1\nset the anchorData of card button 1 to \"RTRB\""), 0);
  ASSERT_EQ(doline("go card 2"), 0);
  EXPECT_EQ(cardvalue("the rect of card button 1"), "350,10,390,30");
  EXPECT_EQ(cardvalue("the referenceSize of card 2"), "400,200");
  EXPECT_EQ(cardvalue("the referenceSize of card 1"), "300,200") << "the card left is not laid out";
  ASSERT_EQ(doline("go card 1"), 0);
  EXPECT_EQ(cardvalue("the rect of card button 1"), "350,10,390,30") << "laid out when shown again";
}

TEST_F(ObjectResizeTest, ALiveResizeLaysTheObjectsOutForTheWindowsNewSize) {
  // The window is resized before its record learns the new rectangle: the objects follow the
  // size the window has, at once.
  start({"RTRB"});
  reference("bkgnd 1", "300,200");
  SizeWindow(current().window, 380, 200, false);
  runedit(kWindowMoved, 3, current().window);
  EXPECT_EQ(rect("RTRB"), "330,10,370,30");
  EXPECT_EQ(cardvalue("the referenceSize of bkgnd 1"), "380,200");
  runedit(kWindowMoved, 3, current().window);
  EXPECT_EQ(rect("RTRB"), "330,10,370,30") << "the same size again moves nothing";
}

}  // namespace
}  // namespace kv
