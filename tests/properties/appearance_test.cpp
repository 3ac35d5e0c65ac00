// Reading how objects look as scripts do: inks, pens, colours, points and angles, patterns
// against the project's list, the settings of platform-control buttons, the object behind a
// control, list selections and the global defaults read without an object.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "render/controloptions.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kPlatformControl = 1u << 21;

std::array<u8, 12> graphictailbytes(const graphictail& t) {
  std::array<u8, 12> out{};
  std::memcpy(out.data(), &t, 12);
  return out;
}

// A platform-control button of a style whose control part (the two pattern fields) is that of
// `setup` applied to a new control.
template <class Fn>
Object control(const char* name, u16 style, Fn setup) {
  spot s{};
  s.kind = spotbutton;
  s.style = style;
  s.flags = kPlatformControl;
  setup(s);
  Object o;
  o.name = name;
  o.style = style;
  o.setflags = kPlatformControl;
  std::array<u8, 8> a{}, b{};
  std::memcpy(a.data(), reinterpret_cast<const u8*>(&s) + 34, 8);
  std::memcpy(b.data(), reinterpret_cast<const u8*>(&s) + 42, 8);
  o.fillpat = a;
  o.penpat = b;
  return o;
}

Object graphic(const char* name, u16 style) {
  Object o;
  o.kind = Object::graphic;
  o.name = name;
  o.style = style;
  return o;
}

class AppearanceTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    using namespace testproject;
    Project p;
    Window w;
    w.name = "Main";
    w.backgrounds = {Background{"Plain", "", {}}};
    Card one;
    one.name = "One";
    Object field;
    field.kind = Object::field;
    field.name = "F";
    field.ink = 12;
    Object box = graphic("G", 100);
    box.ink = 12;
    box.penwidth = 3;
    box.penheight = 2;
    box.fillfore = 255;
    box.showfill = 0;
    box.rect = Rect{10, 10, 200, 300};
    Object line = graphic("Line", 103);
    graphictail t{};
    t.point1 = Point{20, 10};
    t.point2 = Point{80, 50};
    line.tail = graphictailbytes(t);
    Object poly = graphic("Poly", 104);
    // A polygon: its size in bytes, its bounds, then its points.
    const i16 polydata[] = {18, 0, 0, 30, 30, 5, 6, 25, 26};
    poly.data.resize(sizeof polydata);
    std::memcpy(poly.data.data(), polydata, sizeof polydata);
    Object oval = graphic("Oval", 102);
    Object arc = graphic("Arc", 107);
    graphictail at{};
    at.startangle = 45;
    at.arcangle = 90;
    arc.tail = graphictailbytes(at);
    Object classic;
    classic.name = "Classic";
    classic.style = 200;
    classic.shadow = 4;
    Object slider = control("Slider", 209, [](spot& s) { setOrientation(s, 1); });
    Object tabs = control("Tabs", 210, [](spot& s) { setOrientation(s, 2); });
    Object arrow = control("Arrow", 222, [](spot& s) { setOrientation(s, 2); });
    Object bigbar = control("BigBar", 214, [](spot& s) { setTabOrArrowOrBtnSize(s, 2); });
    Object smallbar = control("SmallBar", 214, [](spot& s) { setTabOrArrowOrBtnSize(s, 1); });
    Object check = control("Check", 204, [](spot& s) { setTabOrArrowOrBtnSize(s, 0); });
    Object push = control("Push", 201, [](spot&) {});
    Object bevel = control("Bevel", 205, [](spot& s) { setContentType(s, 5); });
    bevel.tail = std::array<u8, 12>{};
    const u32 code = fourcc("abcd");
    std::memcpy(bevel.tail->data() + 8, &code, 4);
    Object group = control("Group", 221, [](spot&) {});
    group.rect = Rect{300, 300, 400, 500};
    Object inside = control("Inside", 204, [](spot&) {});
    inside.rect = Rect{320, 320, 340, 400};
    Object words = graphic("Words", 106);
    {
      Handle stored = NewHandle(0);
      ASSERT_EQ(setfieldtext(stored, nullptr, 0, "hello there", 11, defaultfieldtail()), noErr);
      words.data.assign(deref(stored), deref(stored) + GetHandleSize(stored));
      DisposeHandle(stored);
    }
    Object list;
    list.kind = Object::field;
    list.name = "L";
    list.style = 302;
    list.text = "one\ntwo\nthree";
    one.objects = {field,  box,      line,  poly, oval,  arc,   classic, slider, tabs, arrow,
                   bigbar, smallbar, check, push, bevel, group, inside,  list,   words};
    w.cards = {one};
    Window closed;
    closed.name = "Closed";
    closed.backgrounds = {Background{"Back", "", {}}};
    Card only;
    only.name = "Only";
    only.objects = {list};
    closed.cards = {only};
    p.windows = {w, closed};
    build(p);
    ASSERT_EQ(open(), 0);
  }

  static spot find(std::string_view name) {
    Handle list = mainglobals().current.cardspots;
    for (i32 i = 0, n = spotcount(list); i < n; ++i) {
      spot s = spotat(list, i);
      if (s.name != nilhandle &&
          std::string_view(reinterpret_cast<const char*>(deref(s.name)), size_t(GetHandleSize(s.name))) == name)
        return s;
    }
    ADD_FAILURE() << name;
    return spot{};
  }
  static void put(std::string_view name, const spot& s) {
    Handle list = mainglobals().current.cardspots;
    for (i32 i = 0, n = spotcount(list); i < n; ++i) {
      spot o = spotat(list, i);
      if (o.id == find(name).id) putspot(list, i, s);
    }
  }
};

TEST_F(AppearanceTest, PensInksColoursAndShapes) {
  EXPECT_EQ(cardvalue("the ink of card field 1"), "gray3") << "fields read the shade form";
  EXPECT_EQ(cardvalue("the ink of graphic \"G\""), "unknown") << "graphics read the mode form";
  EXPECT_EQ(cardvalue("the lineSize of graphic \"G\""), "2") << "(3 + 2) / 2";
  EXPECT_EQ(cardvalue("the fillFore of graphic \"G\""), "256") << "indexes read one more";
  EXPECT_EQ(cardvalue("the points of graphic \"Line\""), "10,20,50,80");
  EXPECT_EQ(cardvalue("the points of graphic \"Poly\""), "6,5,26,25");
  EXPECT_EQ(cardvalue("the points of graphic \"Oval\""), "error 80");
  EXPECT_EQ(cardvalue("the arcAngle of graphic \"G\""), "error 93");
  EXPECT_EQ(cardvalue("the arcAngle of graphic \"Arc\""), "90");
  EXPECT_EQ(cardvalue("the startAngle of graphic \"Arc\""), "45");
  EXPECT_EQ(cardvalue("the roundWidth of graphic \"Oval\""), "error 94");
  EXPECT_EQ(cardvalue("the shadow of graphic \"G\""), "error 95");
  EXPECT_EQ(cardvalue("the shadow of button \"Classic\""), "4");
  EXPECT_EQ(cardvalue("the part of graphic \"Line\""), "3") << "the third object of the card";
  spot s = find("Line");
  s.selected = 0;
  put("Line", s);
  EXPECT_EQ(cardvalue("the selected of graphic \"Line\""), "false");
  s.selected = 1;
  put("Line", s);
  EXPECT_EQ(cardvalue("the selected of graphic \"Line\""), "true");
  EXPECT_EQ(cardvalue("the part of window 1"), "error 2");
  EXPECT_EQ(cardvalue("the cursor of graphic \"G\""), "") << "a word the table has no row for";
}

TEST_F(AppearanceTest, PatternsAreNumberedInTheProjectList) {
  Handle head = mainglobals().current.head;
  headrec h = loadat<headrec>(deref(head));
  if (h.patterns == nilhandle) {
    h.patterns = NewHandleClear(2 + 63 * 8);
    storeat(deref(head), h);
  }
  // The project's list: a count, then 63 patterns.
  SetHandleSize(h.patterns, 2 + 63 * 8);
  std::memset(deref(h.patterns), 0, 2 + 63 * 8);
  ASSERT_GE(GetHandleSize(h.patterns), 2 + 63 * 8);
  const u8 third[8] = {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88};
  std::memcpy(deref(h.patterns) + 2 + 2 * 8, third, 8);
  spot s = find("Classic");
  std::memcpy(s.fillpat.b, third, 8);
  std::memset(s.penpat.b, 0x5A, 8);
  put("Classic", s);
  EXPECT_EQ(cardvalue("the fillPat of button \"Classic\""), "3");
  EXPECT_EQ(cardvalue("the penPat of button \"Classic\""), "Unknown");
  EXPECT_EQ(cardvalue("the fillPat of button \"Slider\""), "error 43") << "a platform control has no patterns";
}

TEST_F(AppearanceTest, SettingsOfPlatformControls) {
  cardrows({
      {"", "the orientation of button \"Slider\"", "upLeft"},
      {"", "the orientation of button \"Tabs\"", "east"},
      {"", "the orientation of button \"Arrow\"", "north"},
      {"", "the orientation of button \"Check\"", "error 210"},
      {"", "the buttonSize of button \"BigBar\"", "large"},
      {"", "the buttonSize of button \"SmallBar\"", "small"},
      {"", "the buttonSize of button \"Check\"", "large"},
      {"", "the buttonSize of button \"Push\"", "error 210"},
      {"", "the currentValue of button \"Classic\"", "error 208"},
      {"", "the tickMarks of button \"Push\"", "error 210"},
      {"", "the viewSize of button \"Slider\"", "error 208"},
      {"", "the icon of button \"Bevel\"", "abcd"},
      {"", "the contentType of button \"Bevel\"", "typeIconFamily"},
      {"", "the bevelStyle of button \"Slider\"", "error 210"},
      {"", "the hasParentObject of button \"Inside\"", "true"},
      {"", "the hasParentObject of button \"Check\"", "false"},
  });
}

TEST_F(AppearanceTest, TextGraphics) {
  EXPECT_EQ(cardvalue("the textData of graphic \"Words\""), "hello there");
  EXPECT_EQ(cardvalue("the textData of graphic \"G\""), "error 81");
  EXPECT_EQ(cardvalue("the textStyle of graphic \"Words\""), "plain");
  EXPECT_EQ(cardvalue("the textFont of graphic \"Words\""), "Geneva") << "the stored text's font";
  EXPECT_EQ(cardvalue("the strikeThrough of graphic \"Words\""), "error 43") << "kept in the older form";
  EXPECT_EQ(cardvalue("the rtfText of graphic \"G\""), "error 81");
}

TEST_F(AppearanceTest, ListWordsOfFieldsThatAreNotLists) {
  EXPECT_EQ(cardvalue("the hilitedText of card field 1"), "error 43");
  EXPECT_EQ(cardvalue("the hilitedLines of card field 1"), "error 43");
  EXPECT_EQ(cardvalue("the listStyle of card field 1"), "error 43");
}

TEST_F(AppearanceTest, ListFieldsWhoseRowsCannotBeHad) {
  const desk before = mainglobals().current;
  GrafPtr port = nilid;
  GetPort(&port);
  // The rows are loaded in the field's window for the reading; none is selected yet.
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "");
  GrafPtr after = nilid;
  GetPort(&after);
  EXPECT_EQ(after, port);
  EXPECT_EQ(mainglobals().current.window, before.window);
  EXPECT_EQ(mainglobals().current.cardrecid, before.cardrecid);
  EXPECT_EQ(cardvalue("the listStyle of card field \"L\""), "selReset");
  const std::string closed = " of card field 1 of card 1 of window \"Closed\"";
  EXPECT_EQ(cardvalue("the hilitedLines" + closed), "") << "its window is not open";
  EXPECT_EQ(cardvalue("the hilitedText" + closed), "error 132");
}

TEST_F(AppearanceTest, WithoutAnObjectTheGlobalDefault) {
  EXPECT_EQ(cardvalue("the lineSize"), cardvalue("the lineSize"));
  EXPECT_NE(cardvalue("the lineSize").rfind("error", 0), 0u);
  EXPECT_EQ(cardvalue("the lineSize of graphic \"Nothing\""), "error 11");
}

}  // namespace
}  // namespace kv
