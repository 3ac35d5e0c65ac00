// getSelected, dragData, the window lists and the regions of object shapes.
#include <gtest/gtest.h>

#include <string>

#include "commands/objectfunctions.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "tests/support/spots.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class ObjectFunctionsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = testproject::small();
    testproject::Object extra;
    extra.name = "Extra";
    extra.rect = Rect{50, 10, 80, 110};
    p.windows[0].cards[0].objects.push_back(extra);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  // Chooses a tool in the current window (its context in the window table and the current one).
  static void settool(u16 tool) {
    MainGlobals& g = mainglobals();
    g.current.tool = tool;
    ASSERT_EQ(putwind(g.current.window, g.current), 1);
  }
  // Sets the selected mark of an object of the shown card.
  void select(std::string_view reference, u16 on) {
    objread obj{};
    ASSERT_EQ(readreference(reference, &obj), 0);
    spot s = spotat(obj.objects, obj.objindex);
    s.selected = on;
    putspot(obj.objects, obj.objindex, s);
    writeobj(&obj);
  }
};

// Object ids: the background objects first (Title 1, Next 2), then card One's Go 3 and Extra 4.
TEST_F(ObjectFunctionsTest, GetSelectedListsTheSelectedObjects) {
  select("bg field \"Title\"", 0);  // new objects start selected
  select("card button \"Go\"", 1);
  select("card button \"Extra\"", 1);
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "") << "the browse tool";
  settool(200);
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "cd btn ID 3,cd btn ID 4");
  EXPECT_EQ(cardvalue("getSelected(this card, short)"), "cd btn ID 3,cd btn ID 4");
  EXPECT_EQ(cardvalue("getSelected(card 1, abbreviated)"), "cd btn ID 3,cd btn ID 4");
  std::string card = cardvalue("the long id of card 1");
  EXPECT_EQ(cardvalue("getSelected(card 1, long)"), "card button ID 3 of " + card + "\rcard button ID 4 of " + card);
  EXPECT_EQ(cardvalue("getSelected(card 1, kind)"), "button\rbutton");
  EXPECT_EQ(cardvalue("getSelected(card 1, style)"),
            cardvalue("the style of card button 1") + "\r" + cardvalue("the style of card button 2"));
  EXPECT_EQ(cardvalue("getSelected(bg 1)"), "");
  select("card button \"Go\"", 0);
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "cd btn ID 4");
  select("bg field \"Title\"", 1);
  EXPECT_EQ(cardvalue("getSelected(bg 1)"), "bg fld ID 1");
  EXPECT_EQ(cardvalue("getSelected(bg 1, long)"), "bkgnd field ID 1 of " + cardvalue("the long id of bg 1"));
  select("bg field \"Title\"", 0);
  select("card button \"Extra\"", 0);
  settool(100);
}

TEST_F(ObjectFunctionsTest, GetSelectedForms) {
  EXPECT_EQ(cardvalue("getSelected(card button 1)"), "error 2");
  EXPECT_EQ(cardvalue("getSelected(card 1, name)"), "error 2");
  EXPECT_EQ(cardvalue("getSelected(card 1 long)"), "error 39");
  EXPECT_EQ(cardvalue("getSelected(card 1, long x)"), "error 88");
  EXPECT_EQ(cardvalue("the getSelected of card 1"), "error 49");
  EXPECT_EQ(cardvalue("getSelected(card 99)"), "error 51");
}

TEST_F(ObjectFunctionsTest, DragDataWithoutADrag) {
  EXPECT_EQ(cardvalue("dragData(1, \"TEX\")"), "error 196");
  EXPECT_EQ(cardvalue("dragData(1, \"TEXTS\")"), "error 196");
  EXPECT_EQ(cardvalue("dragData(1, \"TEXT\")"), "DragReference is empty!");
  EXPECT_EQ(cardvalue("dragData(1, \"hfs \", type)"), "DragReference is empty!");
  EXPECT_EQ(cardvalue("dragData(1, \"hfs \", path)"), "DragReference is empty!");
  EXPECT_EQ(cardvalue("dragData(1, \"hfs \", \"PATH\")"), "DragReference is empty!");
  EXPECT_EQ(cardvalue("dragData(1, \"hfs \", \"name\")"), "error 2");
  EXPECT_EQ(cardvalue("dragData(1 \"TEXT\")"), "error 39");
  EXPECT_EQ(cardvalue("dragData(1, \"TEXT\" x)"), "error 88");
  EXPECT_EQ(cardvalue("dragData(\"a\", \"TEXT\")"), "error 13");
  EXPECT_EQ(cardvalue("the dragData of 1"), "error 49");
}

TEST_F(ObjectFunctionsTest, TheRegionOfAnObjectsShape) {
  auto region = [](u16 kind, u16 style, auto&& adjust) {
    spot s = testspots::newspot(kind, style, 1, Rect{0, 0, 40, 40});
    adjust(s);
    RgnHandle rgn = nilid;
    EXPECT_EQ(getrgnfromspot(s, &rgn), 0);
    return rgn;
  };
  auto none = [](spot&) {};
  RgnHandle arc = region(spotgraphic, 107, [](spot& s) { testspots::setarc(s, 0, 90, Rect{0, 0, 100, 100}); });
  EXPECT_EQ(regionbounds(arc), (Rect{0, 50, 50, 100})) << "the top-right quarter of the arc's own oval";
  EXPECT_TRUE(PtInRgn(Point{20, 70}, arc));
  EXPECT_FALSE(PtInRgn(Point{60, 80}, arc));
  DisposeRgn(arc);
  RgnHandle oval = region(spotbutton, 207, none);
  EXPECT_FALSE(PtInRgn(Point{0, 0}, oval));
  EXPECT_TRUE(PtInRgn(Point{20, 20}, oval));
  DisposeRgn(oval);
  RgnHandle field = region(spotfield, 303, none);
  EXPECT_EQ(regionbounds(field), (Rect{0, 0, 40, 40}));
  EXPECT_TRUE(IsRegionRectangular(field));
  DisposeRgn(field);
  for (u16 style : {u16(109), u16(208), u16(227), u16(304)}) EXPECT_EQ(region(spotbutton, style, none), nilid) << style;
}

// intersect and within, on graphics of a card of their own.
class GraphFunctionsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = testproject::small();
    auto graphic = [](const char* name, Rect r, u16 style) {
      testproject::Object g;
      g.kind = testproject::Object::graphic;
      g.name = name;
      g.rect = r;
      g.style = style;
      g.showfill = 1;
      return g;
    };
    auto& objects = p.windows[0].cards[0].objects;
    objects.push_back(graphic("left", Rect{0, 0, 50, 50}, 100));
    objects.push_back(graphic("right", Rect{0, 50, 50, 100}, 100));   // touches left's right edge
    objects.push_back(graphic("middle", Rect{25, 25, 75, 75}, 100));  // overlaps both
    objects.push_back(graphic("arc", Rect{0, 50, 50, 100}, 107));
    objects.push_back(graphic("far", Rect{200, 200, 220, 220}, 102));
    build(p);
    ASSERT_EQ(open(), 0);
    objread obj{};
    ASSERT_EQ(readreference("graphic \"arc\"", &obj), 0);
    spot arc = spotat(obj.objects, obj.objindex);
    testspots::setarc(arc, 0, 90, Rect{0, 0, 100, 100});
    putspot(obj.objects, obj.objindex, arc);
    writeobj(&obj);
  }
};

TEST_F(GraphFunctionsTest, IntersectComparesTheShapes) {
  cardrows({{"", "intersect(graphic \"left\", graphic \"right\")", "false"},
            {"", "intersect(graphic \"left\", graphic \"middle\")", "true"},
            {"", "intersect(graphic \"middle\", graphic \"right\")", "true"},
            {"", "intersect(graphic \"arc\", graphic \"right\")", "true"},
            {"", "intersect(graphic \"far\", graphic \"middle\")", "false"},
            {"", "intersect(card button 1, graphic \"middle\")", "true"},
            {"", "intersect(card button 1, graphic \"far\")", "false"},
            {"", "intersect(card 1, button 1)", "error 11"},
            {"", "intersect(graphic 1, card 1)", "error 11"},
            {"", "intersect(graphic 1 graphic 2)", "error 39"},
            {"", "intersect(graphic 1, graphic 2 x)", "error 88"},
            {"", "the intersect of graphic 1", "error 49"},
            {"", "intersect(graphic \"none\", graphic 1)", "error 11"}});
}

TEST_F(GraphFunctionsTest, WithinHitsTheObjectAsAClickWould) {
  cardrows({{"", "within(graphic \"arc\", \"75,25\")", "true"},
            {"", "within(graphic \"arc\", \"25,75\")", "false"},
            {"", "within(graphic \"arc\", 75, 25)", "true"},
            {"", "within(graphic \"left\", \"10,10\")", "true"},
            {"", "within(graphic \"left\", \"150,150\")", "false"},
            {"", "within(graphic \"far\", \"210,210\")", "true"},
            {"", "within(graphic \"far\", \"201,201\")", "false"},
            {"", "within(card 1, \"10,10\")", "error 11"},
            {"", "within(graphic 1, \"10\")", "error 2"},
            {"", "within(graphic 1, \"10,10,20,20\")", "error 2"}});
}

}  // namespace
}  // namespace kv
