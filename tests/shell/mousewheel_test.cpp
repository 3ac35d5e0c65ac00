// The mouse wheel through the event loop: the request the program sends itself with the wheel
// record, "mouseWheel" to the object under the mouse or the card, and the scrolling of the
// card (seen in the window's pixels) when nothing stops it.
#include "shell/mousewheel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/drawcase.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Object;

class MouseWheelTest : public EventLoopTest {
 protected:
  // A scrolling window (content 200 x 150, interior 185 x 135) over a 300 x 300 card with a
  // red band at card rows 100-110. The card logs the wheel and scroll messages and passes
  // "mouseWheel"; at card rows 60-90 button "Go" takes it and button "Bad" fails in it; at rows
  // 120-160 field 301 "Notes" and list field 303 "List" hold `text`.
  void start(const std::string& text = "one line") {
    testproject::Project p;
    testproject::Window w;
    w.style = 1;
    w.rect = Rect{100, 100, 250, 300};
    testproject::Background b{"B", "", {}};
    b.width = 300;
    b.height = 300;
    b.objects.push_back(testproject::paint(Rect{100, 0, 110, 300}, 35));
    w.backgrounds.push_back(b);
    testproject::Card c;
    c.script = logs("", {"scrollWindow", "scrollField", "scriptError"}) +
               "on mouseWheel a, b\n  global log\n  put \"mouseWheel \" & a & \" \" & b & \",\" after log\n"
               "  pass mouseWheel\nend mouseWheel\n";
    Object go;
    go.name = "Go";
    go.script = logs("Go", {"mouseWheel"});
    go.rect = Rect{60, 10, 90, 110};
    Object bad;
    bad.name = "Bad";
    bad.script =
        "on mouseWheel\n  frobnicate the card\nend mouseWheel\non scriptError n\n  global log\n"
        "  put \"scriptError \" & n & \",\" after log\nend scriptError\n";
    bad.rect = Rect{60, 120, 90, 180};
    Object notes;
    notes.kind = Object::field;
    notes.name = "Notes";
    notes.style = 301;
    notes.text = text;
    notes.rect = Rect{120, 10, 160, 110};
    Object list = notes;
    list.name = "List";
    list.style = 303;
    list.rect = Rect{120, 120, 160, 180};
    c.objects = {go, bad, notes, list};
    w.cards.push_back(c);
    p.windows.push_back(w);
    ASSERT_EQ(openproject(p), 0);
    settle();
    clearlog();
  }
  i32 v() { return GetControl32BitValue(current().vscroll); }
  i32 h() { return GetControl32BitValue(current().hscroll); }
  void scrollto(i32 value) {
    SetControl32BitValue(current().vscroll, value);
    drawframe(current().window);
  }
  // The rows of the window's column 150 from `from` to `to`: r red, . anything else.
  std::string column(i16 from, i16 to) {
    const Frame f = drive::windowpixels(current().window);
    std::string out;
    for (i16 row = from; row < to; ++row) out += (drive::pixelat(f, 150, row) & 0xFFFFFF) == 0xFF0000 ? 'r' : '.';
    return out;
  }
};

// The requests queued by the wheel: one record each, as its bytes.
std::vector<EventRecord> requests() {
  std::vector<EventRecord> out;
  EventRecord e{};
  for (int i = 0; i < 10; ++i) {
    HighLevelRequest r;
    if (!WaitNextEvent(everyEvent, &e, 2)) continue;
    if (e.what != kHighLevelEvent || !takehighlevelrequest(&r)) continue;
    EXPECT_EQ(r.eventclass, kWheelRequestClass);
    EXPECT_EQ(r.eventid, kWheelRequestId);
    EventRecord wheel{};
    EXPECT_TRUE(wheelrecordof(r.params, &wheel));
    out.push_back(wheel);
  }
  return out;
}

TEST_F(MouseWheelTest, AWheelOverTheContentPostsItsRecordAndNothingElsewhere) {
  start();
  const Point where = at(60, 30);
  drive::wheel(where, 2, false, optionKey);
  std::vector<EventRecord> got = requests();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(u16(got[0].what), 0);
  EXPECT_EQ(u32(got[0].message), 0x00010002u);
  EXPECT_EQ(u32(got[0].when), 0u);
  EXPECT_EQ(Point(got[0].where), where);
  EXPECT_TRUE(u16(got[0].modifiers) & optionKey);
  drive::wheel(where, -3, true);
  got = requests();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(u32(got[0].message), 0x0000FFFDu) << "horizontal, the delta's low 16 bits";

  drive::wheel(at(60, -8), 2);                                           // the title bar
  drive::wheel(Point{i16(at(0, 0).v + 400), i16(at(0, 0).h + 500)}, 2);  // the desktop
  EXPECT_TRUE(requests().empty());

  // A record of another size, or another id of the class, is taken for nothing.
  EventRecord wheel{};
  EXPECT_FALSE(wheelrecordof({{kWheelRecordKeyword, std::string(15, '\0')}}, &wheel));
  EXPECT_FALSE(wheelrecordof({{kWheelRecordKeyword, std::string(17, '\0')}}, &wheel));
}

TEST_F(MouseWheelTest, TheObjectUnderTheMouseHearsItAndAHandlerThatTakesItStopsTheScrolling) {
  start();
  scrollto(40);
  drive::wheel(at(20, 30), 2);
  EXPECT_EQ(logged(), "Go mouseWheel vertical 2,");
  EXPECT_EQ(v(), 40);

  // While a tracking loop or a modal dialog runs, a wheel record does nothing; nor does a zero
  // delta.
  {
    LoopScope loop("tracking");
    EventRecord wheel{};
    wheel.message = 0x00010001;
    wheel.where = at(20, 30);
    EXPECT_EQ(HandleMouseWheelAppleEvent(wheel), 0);
  }
  EventRecord still{};
  still.message = 0x00010000;
  still.where = at(20, 30);
  EXPECT_EQ(HandleMouseWheelAppleEvent(still), 0);
  EXPECT_EQ(log(), "");

  // A script error in the handler is reported once, and nothing scrolls.
  drive::wheel(at(130, 30), 1);
  EXPECT_EQ(logged(), "scriptError 1,");
  EXPECT_EQ(v(), 40);
}

TEST_F(MouseWheelTest, PassedOverTheCardItScrollsOneArrowStepAndTheWindowShowsIt) {
  start();
  mainglobals().cardScrollStep = 20;
  scrollto(40);
  EXPECT_EQ(column(55, 75), ".....rrrrrrrrrr.....");
  drive::wheel(at(190, 10), 1);
  EXPECT_EQ(logged(), "mouseWheel vertical 1,scrollWindow,");
  EXPECT_EQ(v(), 20);
  EXPECT_EQ(column(75, 95), ".....rrrrrrrrrr.....") << "the band 20 pixels lower";
  drive::wheel(at(190, 10), -3);
  EXPECT_EQ(logged(), "mouseWheel vertical -3,scrollWindow,");
  EXPECT_EQ(v(), 40) << "one step a turn, whatever its delta";
  drive::wheel(at(190, 10), -1, true);
  EXPECT_EQ(logged(), "mouseWheel horizontal -1,scrollWindow,");
  EXPECT_EQ(cardvalue("the scroll of window 1"), "20,40");
}

TEST_F(MouseWheelTest, AFieldAtItsEndOrAHorizontalWheelOverItScrollsTheCard) {
  start();
  scrollto(40);
  drive::wheel(at(50, 100), 1);  // "Notes", a line at the top: nothing to scroll up
  EXPECT_EQ(logged(), "mouseWheel vertical 1,scrollWindow,");
  EXPECT_EQ(v(), 20);
  drive::wheel(at(50, 110), -1, true);
  EXPECT_EQ(logged(), "mouseWheel horizontal -1,scrollWindow,");
  EXPECT_EQ(h(), 20);
  drive::wheel(at(150, 110), 1);  // "List", at its top
  EXPECT_EQ(logged(), "mouseWheel vertical 1,scrollWindow,");
  EXPECT_EQ(v(), 0);
}

// Each notch moves a scrolling field 4 pixels (10 with option, 20 with command, 40 with both)
// and a list field 1 row (5, 10, 20), and each says "scrollField".
TEST_F(MouseWheelTest, ANotchScrollsAFieldByPixelsAndAListByRowsAsTheKeysSay) {
  std::string lines = "line 1";
  for (int i = 2; i <= 60; ++i) lines += "\rline " + std::to_string(i);
  start(lines);
  struct Notch {
    u16 modifiers;
    i32 pixels, rows;
  };
  i32 pixels = 0, rows = 0;
  for (const Notch& n :
       {Notch{0, 4, 1}, Notch{optionKey, 10, 5}, Notch{cmdKey, 20, 10}, Notch{u16(cmdKey | optionKey), 40, 20}}) {
    pixels += n.pixels;
    rows += n.rows;
    drive::wheel(at(50, 130), -1, false, n.modifiers);
    EXPECT_EQ(logged(), "mouseWheel vertical -1,scrollField,") << n.modifiers;
    EXPECT_EQ(cardvalue("the scroll of card field \"Notes\""), std::to_string(pixels)) << n.modifiers;
    drive::wheel(at(150, 130), -1, false, n.modifiers);
    EXPECT_EQ(logged(), "mouseWheel vertical -1,scrollField,") << n.modifiers;
    EXPECT_EQ(cardvalue("the scroll of card field \"List\""), std::to_string(rows)) << n.modifiers;
  }
  drive::wheel(at(50, 130), 1);
  EXPECT_EQ(logged(), "mouseWheel vertical 1,scrollField,");
  EXPECT_EQ(cardvalue("the scroll of card field \"Notes\""), std::to_string(pixels - 4)) << "and back up";
}

}  // namespace
}  // namespace kv
