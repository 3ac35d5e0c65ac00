// `the properties of <object>` and `commonProps(<window>)`: the lines each listing holds, their
// order and values, and how the listings end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/qdtypes.h"
#include "engine/fred.h"
#include "properties/proplisting.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

using testproject::Object;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t to = text.find('\r', from);
    if (to == std::string::npos) to = text.size();
    out.push_back(text.substr(from, to - from));
    from = to + 1;
  }
  if (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& l : lines(text)) out.push_back(l.substr(0, l.find(',')));
  return out;
}

bool has(const std::string& text, const std::string& word) {
  for (const std::string& w : words(text))
    if (w == word) return true;
  return false;
}

std::string valueof(const std::string& text, const std::string& word) {
  for (const std::string& l : lines(text))
    if (l.substr(0, l.find(',')) == word) return l.substr(l.find(',') + 1);
  return "<none>";
}

Object polygon(std::string name, i16 corner) {
  Object o;
  o.kind = Object::graphic;
  o.name = std::move(name);
  o.style = 104;
  o.rect = Rect{10, 10, 60, 60};
  PolygonHeader h{22, Rect{10, 10, 60, 60}};
  o.data.resize(22);
  std::memcpy(o.data.data(), &h, sizeof h);
  const Point pts[3] = {Point{10, 10}, Point{corner, 60}, Point{60, 10}};
  std::memcpy(o.data.data() + 10, pts, sizeof pts);
  return o;
}

class ListingTest : public PropertyTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = project();
    auto& one = p.windows[0].cards[0];
    // "Go" is a classic button: one of the rectangle style, which no control draws.
    one.objects[0].style = 200;
    Object list;
    list.kind = Object::field;
    list.name = "L";
    list.style = 302;
    Object radio;
    radio.name = "Radio";
    radio.style = 203;
    Object control;
    control.name = "Control";
    control.setflags = 1u << 21;
    Object arc;
    arc.kind = Object::graphic;
    arc.name = "Arc";
    arc.style = 107;
    Object oval;
    oval.kind = Object::graphic;
    oval.name = "Oval";
    oval.style = 102;
    one.objects.insert(one.objects.end(),
                       {list, radio, control, arc, oval, polygon("P1", 30), polygon("P2", 31), polygon("P3", 30)});
    p.menus[0].items[0].flags = (1u << 8) | (1u << 10);
    build(p);
    ASSERT_EQ(open(), 0);
    // New objects come selected: the tests choose their selection.
    for (Handle spots : {mainglobals().current.cardspots, mainglobals().current.backspots}) {
      for (i32 i = 0; i < spotcount(spots); ++i) {
        spot s = spotat(spots, i);
        s.selected = 0;
        putspot(spots, i, s);
      }
    }
  }
  // funcommon called on a text directly (the evaluator refuses some malformed calls first).
  i16 common(std::string_view call) {
    Handle text = nilhandle;
    Handle atoms = tokens(call, &text);
    Handle vars = NewHandle(0);
    i32 count = 0;
    fred v;
    i16 st = funcommon(hierpath(), text, atoms, 0, vars, &count, &v);
    if (st == 0) disposfred(&v);
    DisposeHandle(vars);
    return st;
  }
  static void select(std::initializer_list<std::string_view> names) {
    for (std::string_view n : names) {
      spot s = cardspot(n);
      s.selected = 1;
      putcardspot(n, s);
    }
  }
};

TEST_F(ListingTest, SmallListingsAndTheirEnds) {
  const std::string card = cardvalue("the properties of card 1");
  EXPECT_EQ(words(card), (std::vector<std::string>{"cantDelete", "clut", "id", "name", "number", "owner"}));
  EXPECT_EQ(valueof(card, "owner").rfind("bkgnd ID ", 0), 0u);
  EXPECT_NE(card.back(), '\r') << "no return after the owner line";
  const std::string back = cardvalue("the properties of bkgnd 1");
  EXPECT_EQ(words(back).back(), "width");
  EXPECT_EQ(back.back(), '\r');
  const std::string project = cardvalue("the properties of this project");
  EXPECT_EQ(words(project), (std::vector<std::string>{"cantModify", "freeSize", "name", "size"}));
  EXPECT_NE(project.back(), '\r');
  const std::string item = cardvalue("the properties of item 1 of menu \"File\"");
  EXPECT_EQ(valueof(item, "commandChar"), std::string(1, '\0')) << "no command character lists the byte 0";
  EXPECT_EQ(valueof(item, "commandModifiers"), "shiftKey,contrllKey");
  EXPECT_EQ(valueof(item, "textStyle"), "plain");
  const std::string menu = cardvalue("the properties of menu \"File\"");
  EXPECT_EQ(words(menu), (std::vector<std::string>{"disabled", "id", "name", "number", "visible"}));
  setrows({{"", "the properties button 1", "error 5"}, {"set the properties of button 1 to 3", "", "error 43"}});
}

TEST_F(ListingTest, WindowListing) {
  const std::string w = cardvalue("the properties of window 1");
  const std::vector<std::string> expected{"autoCenter",     "botRight",    "bottom",
                                          "closeBox",       "collapseBox", "collapsed",
                                          "doLimitWindow",  "draggable",   "editBackground",
                                          "height",         "hiliteColor", "id",
                                          "inWindowMenu",   "left",        "liveResize",
                                          "localOpacity",   "location",    "lockScreen",
                                          "modified",       "name",        "number",
                                          "opacity",        "rect",        "resizable",
                                          "right",          "scroll",      "shadow",
                                          "showInvisibles", "style",       "themeBackground",
                                          "titleBar",       "tool",        "top",
                                          "topLeft",        "visible",     "width",
                                          "windowSize",     "zoomBox"};
  EXPECT_EQ(words(w), expected);
  EXPECT_NE(w.back(), '\r');
  EXPECT_EQ(valueof(w, "rect"), cardvalue("the rect of window 1"));
  EXPECT_EQ(valueof(w, "visible"), "true");
  const std::string closed = cardvalue("the properties of window 2");
  EXPECT_EQ(valueof(closed, "visible"), "false");
  EXPECT_EQ(valueof(closed, "scroll"), "0,0");
  EXPECT_EQ(valueof(closed, "collapsed"), "false");
  EXPECT_EQ(valueof(closed, "lockScreen"), "false");
  EXPECT_EQ(valueof(closed, "modified"), "false");
  mainglobals().plugin = 1;
  EXPECT_EQ(cardvalue("the properties of window 1"), "error 177");
  mainglobals().plugin = 0;
}

TEST_F(ListingTest, ButtonListings) {
  const std::string classic = cardvalue("the properties of card button \"Go\"");
  EXPECT_TRUE(has(classic, "fillPat") && has(classic, "penWidth") && has(classic, "icon"));
  EXPECT_FALSE(has(classic, "currentValue") || has(classic, "sharedHilite") || has(classic, "mixedValue"));
  EXPECT_EQ(valueof(classic, "kind"), "button");
  EXPECT_EQ(valueof(classic, "rect"), cardvalue("the rect of card button \"Go\""));
  EXPECT_EQ(classic.back(), '\r');
  const std::string control = cardvalue("the properties of card button \"Control\"");
  EXPECT_TRUE(has(control, "currentValue") && has(control, "maximumValue") && has(control, "minimumValue"));
  EXPECT_FALSE(has(control, "fillBack") || has(control, "penPat"));
  const std::string radio = cardvalue("the properties of card button \"Radio\"");
  EXPECT_TRUE(has(radio, "mixedValue"));
  EXPECT_FALSE(has(radio, "icon"));
  EXPECT_TRUE(has(cardvalue("the properties of bkgnd button 1"), "sharedHilite"));
  spot s = cardspot("Two");
  s.style = 208;
  putcardspot("Two", s);
  EXPECT_EQ(cardvalue("the properties of card button \"Two\""), "error 43");
}

TEST_F(ListingTest, PatternsAreTheFirst63OfTheProject) {
  Handle head = mainglobals().current.head;
  headrec h = loadat<headrec>(deref(head));
  Handle patterns = NewHandle(2 + 64 * 8);
  u16 count = 64;
  std::memcpy(deref(patterns), &count, 2);
  for (int i = 0; i < 64; ++i) std::memset(deref(patterns) + 2 + i * 8, i + 1, 8);
  if (h.patterns != nilhandle) DisposeHandle(h.patterns);
  h.patterns = patterns;
  storeat<headrec>(deref(head), h);
  spot s = cardspot("Go");
  std::memset(s.fillpat.b, 5, 8);
  std::memset(s.penpat.b, 64, 8);
  putcardspot("Go", s);
  const std::string l = cardvalue("the properties of card button \"Go\"");
  EXPECT_EQ(valueof(l, "fillPat"), "5");
  EXPECT_EQ(valueof(l, "penPat"), "0") << "the 64th pattern is not among them";
}

TEST_F(ListingTest, FieldAndGraphicListings) {
  const std::string list = cardvalue("the properties of card field \"L\"");
  EXPECT_TRUE(has(list, "listStyle"));
  EXPECT_FALSE(has(list, "allowObjects"));
  EXPECT_EQ(list.back(), '\r');
  mainglobals().current.tool = 605;
  const std::string astext = cardvalue("the properties of card field \"L\"");
  EXPECT_TRUE(has(astext, "allowObjects") && has(astext, "wideMargins"));
  EXPECT_FALSE(has(astext, "listStyle"));
  mainglobals().current.tool = 100;
  const std::string box = cardvalue("the properties of card graphic \"Box\"");
  EXPECT_EQ(words(box).back(), "width");
  EXPECT_NE(box.back(), '\r');
  EXPECT_TRUE(has(box, "pictureData"));
  EXPECT_FALSE(has(box, "arcAngle") || has(box, "points"));
  spot line = cardspot("Line");
  graphictail t = getgraphictail(line);
  t.point1 = Point{40, 30};
  t.point2 = Point{90, 200};
  setgraphictail(line, t);
  putcardspot("Line", line);
  EXPECT_EQ(valueof(cardvalue("the properties of card graphic \"Line\""), "points"), "30,40,200,90");
  const std::string arc = cardvalue("the properties of card graphic \"Arc\"");
  EXPECT_TRUE(has(arc, "arcAngle") && has(arc, "startAngle"));
  EXPECT_EQ(valueof(cardvalue("the properties of card graphic \"P1\""), "points"), "10,10,60,30,10,60");
}

TEST_F(ListingTest, CommonProperties) {
  setrows({{"", "commonProps(window 1)", ""}, {"", "commonProps(card button 1)", "error 2"}});
  EXPECT_EQ(common("commonProps(window 1"), 88);
  EXPECT_EQ(common("commonProps window 1"), 49);
  EXPECT_EQ(common("the commonProps window 1"), 5);
  select({"Go", "Notes"});
  const std::string mixed = cardvalue("the commonProps of window 1");
  EXPECT_TRUE(has(mixed, "allowDrag") && has(mixed, "shadow") && has(mixed, "kind"));
  EXPECT_FALSE(has(mixed, "points") || has(mixed, "autoHilite") || has(mixed, "dontWrap"));
  EXPECT_EQ(valueof(mixed, "kind"), "") << "a button and a field differ";
  EXPECT_EQ(valueof(mixed, "allowDrag"), "false");
  spot a = cardspot("Go"), b = cardspot("Notes");
  a.selected = b.selected = 0;
  putcardspot("Go", a);
  putcardspot("Notes", b);
  select({"Arc", "Oval"});
  const std::string shapes = cardvalue("commonProps(window 1)");
  EXPECT_FALSE(has(shapes, "arcAngle") || has(shapes, "startAngle"));
  EXPECT_TRUE(has(shapes, "ink") && has(shapes, "pictureData"));
  EXPECT_FALSE(has(shapes, "shadow")) << "a graphic is selected";
  for (auto n : {"Arc", "Oval"}) {
    spot s = cardspot(n);
    s.selected = 0;
    putcardspot(n, s);
  }
  select({"P1", "P2", "P3"});
  EXPECT_EQ(valueof(cardvalue("commonProps(window 1)"), "points"), "") << "the second polygon differs";
  select({"L"});
}

TEST_F(ListingTest, CommonPropertiesOfFieldsAndBothLayers) {
  select({"Notes", "L"});
  const std::string fields = cardvalue("commonProps(window 1)");
  EXPECT_TRUE(has(fields, "listStyle") && has(fields, "dontWrap"));
  spot notes = cardspot("Notes");
  notes.selected = 0;
  putcardspot("Notes", notes);
  spot l = cardspot("L");
  l.selected = 0;
  putcardspot("L", l);
  // The universal tool compares the background's objects before the card's.
  spot title = spotat(mainglobals().current.backspots, backindex("Title"));
  title.selected = 1;
  title.shadow = 4;
  putspot(mainglobals().current.backspots, backindex("Title"), title);
  select({"Notes"});
  EXPECT_EQ(valueof(cardvalue("commonProps(window 1)"), "shadow"), std::to_string(cardspot("Notes").shadow))
      << "the card layer alone";
  mainglobals().current.tool = 600;
  desk d{};
  ASSERT_NE(getwind(mainglobals().current.window, &d), 0);
  d.tool = 600;
  putwind(mainglobals().current.window, d);
  EXPECT_EQ(valueof(cardvalue("commonProps(window 1)"), "shadow"), "") << "both layers";
}

}  // namespace
}  // namespace kv
