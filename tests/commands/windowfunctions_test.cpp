// Commands and functions that read the open project: object questions, the number of cards,
// arithmetic and delete in field text, the message box while messages are locked.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "store/records.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class WindowFunctionsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(testproject::small());
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
  // Changes the stored record of the object a reference names while `run` runs, then puts it
  // back as it was.
  template <class Change, class Run>
  void withobject(std::string_view reference, Change changed, Run run) {
    objread obj{};
    ASSERT_EQ(readreference(reference, &obj), 0);
    const size_t at = size_t(obj.objindex) * sizeof(spot);
    spot kept = loadat<spot>(deref(obj.objects) + at);
    spot s = changed(kept);
    std::memcpy(deref(obj.objects) + at, &s, sizeof s);
    run();
    std::memcpy(deref(obj.objects) + at, &kept, sizeof kept);
    writeobj(&obj);
  }
};

TEST_F(WindowFunctionsTest, ObjectQuestions) {
  // Shown on the opened card, the button of the push-button style is drawn by its control.
  EXPECT_EQ(cardvalue("isControl(card button \"Go\")"), "true");
  EXPECT_EQ(cardvalue("the isControl of this card"), "false");
  EXPECT_EQ(cardvalue("projPath(this card)"), home->path());
  EXPECT_EQ(cardvalue("the projectPath of card button \"Go\""), home->path());
  EXPECT_EQ(cardvalue("isControl(card button \"Go\" x)"), "error 88");
  EXPECT_EQ(cardvalue("isControl(card button \"Nothing\")"), "error 11");
}

TEST_F(WindowFunctionsTest, APlatformControlButtonIsAControl) {
  withobject(
      "card button \"Go\"",
      [](spot s) {
        s.flags = u32(s.flags) & ~spotplatformcontrol;
        return s;
      },
      [&] { EXPECT_EQ(cardvalue("isControl(card button \"Go\")"), "false") << "a classic button"; });
  EXPECT_EQ(cardvalue("isControl(card button \"Go\")"), "true");
}

TEST_F(WindowFunctionsTest, PointsBetweenTheScreenAndTheCardWindow) {
  EXPECT_EQ(cardvalue("localLoc(globalLoc(5,6))"), "5,6");
  EXPECT_NE(cardvalue("globalLoc(0,0)"), "0,0");
  EXPECT_EQ(cardvalue("the localLoc of globalLoc(\"7,8\")"), "7,8");
}

TEST_F(WindowFunctionsTest, PolyQuadTakesTheFirstFourPointsOfAPolygon) {
  testproject::Project p = testproject::small();
  testproject::Object poly;
  poly.kind = testproject::Object::graphic;
  poly.name = "Poly";
  poly.rect = Rect{10, 20, 60, 80};
  poly.style = stylepolygon;
  p.windows[0].cards[0].objects.push_back(poly);
  build(p, "poly.kv45");
  ASSERT_EQ(open("poly.kv45"), 0);
  EXPECT_EQ(cardvalue("polyQuad(card graphic \"Poly\")"), "error 218") << "a polygon without points";
  EXPECT_EQ(cardvalue("polyQuad(card button \"Go\")"), "error 218");
  // Five points, kept as the polygon record holds them.
  Handle data = NewHandle(30);
  u16 size = 30;
  Rect bounds{10, 20, 60, 80};
  const Point points[5] = {{10, 20}, {10, 80}, {60, 80}, {60, 20}, {30, 30}};
  std::memcpy(deref(data), &size, 2);
  std::memcpy(deref(data) + 2, &bounds, 8);
  std::memcpy(deref(data) + 10, points, sizeof points);
  withobject(
      "card graphic \"Poly\"",
      [data](spot s) {
        s.data = data;
        return s;
      },
      [&] {
        EXPECT_EQ(cardvalue("polyQuad(card graphic \"Poly\")"), "0,0,60,0,60,50,0,50");
        EXPECT_EQ(cardvalue("the polyQuad of card graphic \"Poly\""), "0,0,60,0,60,50,0,50");
        // A size word larger than the block reads no further than the block.
        size = 200;
        std::memcpy(deref(data), &size, 2);
        SetHandleSize(data, 22);
        EXPECT_EQ(cardvalue("polyQuad(card graphic \"Poly\")"), "error 219");
      });
  DisposeHandle(data);
}

TEST_F(WindowFunctionsTest, TheNumberOfCards) {
  EXPECT_EQ(cardvalue("the number of cards"), "3");
  EXPECT_EQ(cardvalue("number(cards)"), "3");
  EXPECT_EQ(cardvalue("the number of cds"), "3");
  EXPECT_EQ(cardvalue("number(cards of this window)"), "3");
}

TEST_F(WindowFunctionsTest, ArithmeticAndDeleteInFieldText) {
  ASSERT_EQ(doline("put \"7,x\" into field \"Title\""), 0);
  ASSERT_EQ(doline("add 5 to item 1 of field \"Title\""), 0);
  EXPECT_EQ(cardvalue("field \"Title\""), "12,x");
  ASSERT_EQ(doline("delete item 1 of field \"Title\""), 0);
  EXPECT_EQ(cardvalue("field \"Title\""), "x");
  // A field chunk longer than 255 characters: only its first 255 count as the number.
  ASSERT_EQ(doline("put \"12\" into field \"Title\""), 0);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(doline("put \"          \" after field \"Title\""), 0);
  ASSERT_EQ(doline("put \"34\" after field \"Title\""), 0);
  ASSERT_EQ(doline("add 1 to field \"Title\""), 0);
  EXPECT_EQ(cardvalue("field \"Title\""), "13");
}

TEST_F(WindowFunctionsTest, PutWithoutPrepositionTellsTheCardEvenWhileMessagesAreLocked) {
  testproject::Project p = testproject::small();
  p.windows[0].cards[0].script += "\non putMessage\n  global told\n  put msg after told\nend putMessage";
  build(p, "q.kv45");
  ASSERT_EQ(open("q.kv45"), 0);
  clearglobals();
  mainglobals().lockMessages = 1;
  ASSERT_EQ(doline("put \"locked\""), 0);
  mainglobals().lockMessages = 0;
  EXPECT_EQ(global("told"), "locked");
  EXPECT_EQ(msg(), "locked");
}

}  // namespace
}  // namespace kv
