// The layer commands as scripts use them: the selected objects of the edited layer brought to
// the front, sent to the back or shuffled one place, and what the card then shows.
#include <gtest/gtest.h>

#include <string>

#include "platform/backend/backend.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

class LayerOrderTest : public WindowTest {
 protected:
  // Card buttons W, X, Y and Z, side by side, and a field F; background buttons P and Q; a second card.
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{60, 60, 360, 460};
    w.backgrounds.push_back(testproject::Background{"Bg",
                                                    "",
                                                    {Object{.name = "P", .rect = {200, 10, 220, 90}},
                                                     Object{.name = "Q", .rect = {200, 100, 220, 190}}}});
    testproject::Card c;
    for (const char* name : {"W", "X", "Y", "Z"}) {
      const i16 left = i16(10 + 100 * (name[0] - 'W'));
      c.objects.push_back(Object{.name = name, .rect = {10, left, 30, i16(left + 80)}});
    }
    c.objects.push_back(Object{.kind = Object::field, .name = "F", .text = "typed", .rect = {100, 10, 140, 200}});
    w.cards.push_back(c);
    w.cards.push_back(testproject::Card{});
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("choose button tool"), 0);
  }

  // Selects the named card buttons and no other object.
  void selectonly(const std::string& names) {
    ASSERT_EQ(doline("select empty"), 0);
    Handle list = current().cardspots;
    for (i32 i = 0; i < spotcount(list); ++i) {
      spot s = spotat(list, i);
      const std::string name(reinterpret_cast<const char*>(deref(s.name)), size_t(GetHandleSize(s.name)));
      s.selected = names.find(name) != std::string::npos ? 1 : 0;
      putspot(list, i, s);
    }
  }
  // The numbers of card buttons W, X, Y and Z.
  std::string numbers() {
    return cardvalue(
        "the number of button \"W\" & the number of button \"X\" & the number of button \"Y\" & "
        "the number of button \"Z\"");
  }
};

TEST_F(LayerOrderTest, SendBackAndBringFrontKeepEachGroupsOrder) {
  selectonly("XZ");
  ASSERT_EQ(doline("sendBack"), 0);
  EXPECT_EQ(numbers(), "3142") << "X, Z, W, Y";
  ASSERT_EQ(doline("bringFront"), 0);
  EXPECT_EQ(numbers(), "1324") << "W, Y, X, Z";
  // Still selected, and the background's buttons untouched.
  EXPECT_EQ(cardvalue("the number of bkgnd button \"P\""), "1");
  selectonly("");
  ASSERT_EQ(doline("bringFront\nsendBack"), 0);
  EXPECT_EQ(numbers(), "1324") << "nothing selected, nothing moves";
}

TEST_F(LayerOrderTest, ShufflingMovesPastTheNearestUnselectedObject) {
  selectonly("XY");
  ASSERT_EQ(doline("shuffleBack"), 0);
  EXPECT_EQ(numbers(), "3124") << "X, Y, W, Z";
  selectonly("W");
  ASSERT_EQ(doline("shuffleForward"), 0);
  EXPECT_EQ(numbers(), "4123") << "X, Y, Z, W";
  ASSERT_EQ(doline("shuffleForward"), 0);
  EXPECT_EQ(numbers(), "4123") << "already in front";
  // X is at the back already; Z moves behind Y, and then no further, X being selected too.
  selectonly("XZ");
  ASSERT_EQ(doline("shuffleBack"), 0);
  EXPECT_EQ(numbers(), "4132") << "X, Z, Y, W";
  ASSERT_EQ(doline("shuffleBack"), 0);
  EXPECT_EQ(numbers(), "4132");
}

TEST_F(LayerOrderTest, TheEditedLayerIsTheBackgroundWhileItIsEdited) {
  ASSERT_EQ(doline("set editBkgnd to true\nselect bkgnd button \"P\""), 0);
  ASSERT_EQ(doline("bringFront"), 0);
  EXPECT_EQ(cardvalue("the number of bkgnd button \"P\""), "2");
  EXPECT_EQ(cardvalue("the number of bkgnd button \"Q\""), "1");
  ASSERT_EQ(doline("shuffleBack"), 0);
  EXPECT_EQ(cardvalue("the number of bkgnd button \"P\""), "1");
}

TEST_F(LayerOrderTest, WordsAfterTheCommandAndAnEmptyLayer) {
  selectonly("X");
  failrows({{"bringFront now", "", "error 2"},
            {"sendBack x", "", "error 2"},
            {"shuffleForward 1", "", "error 2"},
            {"shuffleBack now", "", "error 2"}});
  EXPECT_EQ(numbers(), "1234");
  ASSERT_EQ(doline("go next"), 0);
  for (const char* line : {"bringFront", "sendBack", "shuffleForward", "shuffleBack"})
    EXPECT_EQ(doline(line), 0) << line;
}

TEST_F(LayerOrderTest, TheLayersRecordIsMarkedChangedEvenWhenEmpty) {
  auto changed = [this](u32 id) {
    u16 flag = 0;
    EXPECT_EQ(testvir(current().store, i32(id), &flag), 0);
    return flag != 0;
  };
  ASSERT_EQ(doline("save"), 0);
  ASSERT_FALSE(changed(current().cardrecid));
  selectonly("Y");
  ASSERT_EQ(doline("sendBack"), 0);
  EXPECT_TRUE(changed(current().cardrecid));
  EXPECT_FALSE(changed(current().backrecid));
  ASSERT_EQ(doline("go next\nsave"), 0);
  ASSERT_EQ(doline("bringFront"), 0);
  EXPECT_TRUE(changed(current().cardrecid)) << "an empty layer all the same";
}

TEST_F(LayerOrderTest, AFieldOpenForTypingIsClosedFirst) {
  ASSERT_EQ(doline("select after text of card field \"F\""), 0);
  ASSERT_GE(mainglobals().openfield, 0);
  selectonly("W");
  ASSERT_EQ(doline("bringFront"), 0);
  EXPECT_LT(mainglobals().openfield, 0);
  EXPECT_EQ(numbers(), "4123");
}

TEST_F(LayerOrderTest, TheFrontObjectIsTheOneSeen) {
  // X moved over W's right half, both rectangles: which frame shows there depends on the order.
  ASSERT_EQ(doline("set the rect of button \"X\" to 50,10,130,30\nset the style of button \"X\" to rectangle\n"
                   "set the style of button \"W\" to rectangle\nselect empty"),
            0);
  auto darkat = [](const Frame& f, int h, int v) {
    return (f.pixels[size_t(v) * size_t(f.width) + size_t(h)] & 0xFFFFFF) != 0xFFFFFF;
  };
  const Frame xontop = drawcard();
  selectonly("W");
  ASSERT_EQ(doline("bringFront\nselect empty"), 0);
  const Frame wontop = drawcard();
  // W's right edge at h 89, inside X; X's left edge at h 50, inside W (below the names).
  EXPECT_FALSE(darkat(xontop, 89, 25)) << "hidden by X";
  EXPECT_TRUE(darkat(xontop, 50, 25));
  EXPECT_TRUE(darkat(wontop, 89, 25));
  EXPECT_FALSE(darkat(wontop, 50, 25)) << "hidden by W";
}

}  // namespace
}  // namespace kv
