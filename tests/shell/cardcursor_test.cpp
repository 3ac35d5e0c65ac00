// The card window's cursor as the display receives it: by tool, by the object under the mouse,
// outside the card, in a movable-modal window, and with a default cursor stored.
#include "shell/cardcursor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/windows/cursor.h"
#include "shell/cardwindow.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

Object object(Object::Kind kind, u16 style, Rect r) {
  Object o;
  o.kind = kind;
  o.style = style;
  o.rect = r;
  return o;
}

// The cursor the display was last given.
Cursor shown() {
  const CursorImage& img = headlessbackend()->cursor();
  Cursor c{};
  for (int i = 0; i < 16; ++i) {
    c.data.v[i] = img.data[i];
    c.mask.v[i] = img.mask[i];
  }
  c.hotSpot = img.hotspot;
  return c;
}

bool same(const Cursor& a, const Cursor& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string name(const Cursor& c) {
  const std::pair<ThemeCursor, const char*> names[] = {{kThemeArrowCursor, "arrow"},
                                                       {kThemeIBeamCursor, "I-beam"},
                                                       {kThemeCrossCursor, "cross"},
                                                       {kThemeWatchCursor, "watch"},
                                                       {kThemePointingHandCursor, "pointing hand"}};
  for (auto [id, text] : names)
    if (same(c, *themecursor(id))) return text;
  return "another cursor";
}

class CardCursorTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 300, 400};
    testproject::Background b{"B", "", {}};
    b.width = 250;
    b.height = 150;
    w.backgrounds.push_back(b);
    testproject::Card c;
    c.objects = {object(Object::button, 201, Rect{10, 10, 40, 110}),
                 object(Object::graphic, 106, Rect{60, 10, 90, 110}),
                 object(Object::graphic, 100, Rect{60, 150, 90, 230})};
    w.cards = {c};
    p.windows.push_back(w);
    testproject::Window modal = w;
    modal.name = "Modal";
    modal.style = 7;
    p.windows.push_back(modal);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  void TearDown() override {
    MainGlobals& g = mainglobals();
    if (g.defaultcursor != kArrowCursorMarker) DisposeHandle(g.defaultcursor);
    g.defaultcursor = nilhandle;
    WindowTest::TearDown();
  }
  // The cursor the display shows with a tool over a point (the cursor is set to the watch
  // first, so that a call that sets nothing shows).
  std::string over(u16 tool, Point p) {
    SetThemeCursor(kThemeWatchCursor);
    mainglobals().current.tool = tool;
    curscase(p);
    return name(shown());
  }
  static constexpr Point button{25, 50}, text{75, 50}, rect{75, 190}, empty{120, 200}, gutter{170, 270},
      outside{205, 50};
};

TEST_F(CardCursorTest, TheBrowseToolPointsOverTheCardAndShowsTheArrowElsewhere) {
  EXPECT_EQ(over(100, empty), "pointing hand");
  EXPECT_EQ(over(100, button), "pointing hand");
  EXPECT_EQ(over(605, empty), "arrow") << "the text tool over nothing";
  EXPECT_EQ(over(100, outside), "arrow") << "beyond the window's interior";
  EXPECT_EQ(over(100, Point{-5, 10}), "arrow");
  EXPECT_EQ(over(100, gutter), "pointing hand") << "the interior beside the card";

  mainglobals().defaultcursor = kArrowCursorMarker;
  EXPECT_EQ(over(100, empty), "arrow") << "a default cursor of -1";
  EXPECT_EQ(over(100, button), "arrow");
  mainglobals().plugin = 1;
  EXPECT_EQ(over(100, empty), "pointing hand") << "in plug-in mode the default cursor is not used";
  mainglobals().plugin = 0;
  mainglobals().defaultcursor = nilhandle;

  ASSERT_EQ(open("p.kv45", 2), 0);
  EXPECT_EQ(over(100, empty), "arrow") << "a movable-modal window";
  EXPECT_EQ(over(100, button), "arrow");
}

TEST_F(CardCursorTest, OtherToolsHaveTheirOwnCursors) {
  EXPECT_EQ(over(200, text), "I-beam") << "the draw text tool over a text graphic";
  EXPECT_EQ(over(200, rect), "cross");
  EXPECT_EQ(over(200, empty), "cross");
  for (u16 tool : {101, 400, 599}) EXPECT_EQ(over(tool, text), "cross") << tool;
  EXPECT_EQ(over(650, rect), "arrow");
  EXPECT_EQ(over(310, rect), "cross") << "a paint tool shows its own cursor";
  EXPECT_EQ(over(314, rect), "I-beam");
  mainglobals().lockCursor = 1;
  EXPECT_EQ(over(310, rect), "watch") << "while the cursor is locked a paint tool keeps it";
  mainglobals().lockCursor = 0;
  EXPECT_EQ(over(650, outside), "arrow");

  // The universal tool shows the program's pointer-tool cursor.
  EXPECT_EQ(over(600, rect), "another cursor");
  Handle res = GetResource(fourcc("CURS"), 1504);
  ASSERT_NE(res, nilhandle);
  ASSERT_GE(GetHandleSize(res), 68);
  const u8* p = deref(res);
  const Cursor c = shown();
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(c.data.v[i], u16(p[2 * i] << 8 | p[2 * i + 1])) << "row " << i;
    EXPECT_EQ(c.mask.v[i], u16(p[32 + 2 * i] << 8 | p[33 + 2 * i])) << "mask row " << i;
  }
  EXPECT_EQ(c.hotSpot.v, i16(p[64] << 8 | p[65]));
  EXPECT_EQ(c.hotSpot.h, i16(p[66] << 8 | p[67]));
  ReleaseResource(res);
}

TEST_F(CardCursorTest, AStoredCursorIsShownOverTheCard) {
  // A stored cursor: rows big-endian as the resource gives them, the hot spot in host order.
  Handle stored = NewHandleClear(68);
  ASSERT_NE(stored, nilhandle);
  u8* p = deref(stored);
  p[0] = 0x12;
  p[1] = 0x34;
  storeat<Point>(p + 64, Point{3, 4});
  mainglobals().defaultcursor = stored;
  EXPECT_EQ(over(100, empty), "another cursor");
  EXPECT_EQ(shown().data.v[0], 0x1234);
  EXPECT_EQ(shown().hotSpot.v, 3);
  EXPECT_EQ(shown().hotSpot.h, 4);
  EXPECT_EQ(over(200, text), "I-beam") << "the draw text tool takes no stored cursor";
}

TEST_F(CardCursorTest, LowcursorAnswersWhetherAnObjectIsThere) {
  mainglobals().current.tool = 100;
  EXPECT_EQ(lowcursor(current().cardspots, empty), 0);
  EXPECT_EQ(lowcursor(current().cardspots, text), 1);
  EXPECT_EQ(lowcursor(nilhandle, text), 0);
}

TEST_F(CardCursorTest, AMovingMouseSetsTheCursor) {
  SetThemeCursor(kThemeWatchCursor);
  runmain(kWindowMouse, pointword(empty), current().window);
  EXPECT_EQ(name(shown()), "pointing hand");
}

}  // namespace
}  // namespace kv
