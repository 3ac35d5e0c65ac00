// The life cycle of platform controls in an open project: parked or kept after a drawing,
// squashed and brought back around a screen lock, disposed by a flush, and put down with their
// values kept when the card is left.
#include "render/controlvisibility.h"

#include <gtest/gtest.h>

#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "render/controlflush.h"
#include "render/effectqueue.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/render/controltest.h"
#include "tests/support/owned.h"
#include "render/carddrawing.h"

namespace kv {
namespace {

class ControlLifeTest : public ControlTest {
 protected:
  Rect bounds(ControlRef c) {
    Rect r{};
    GetControlBounds(c, &r);
    return r;
  }
  bool parked(ControlRef c) { return bounds(c) == kParkingRect && !IsControlVisible(c); }
  // Empties the window's update region.
  void validate() {
    BeginUpdate(current().window);
    EndUpdate(current().window);
  }
  // Whether the whole of a rectangle (card coordinates of a window scrolled to 0, 0) waits to
  // be redrawn.
  bool invalidated(const Rect& r) {
    NewRegion update;
    GetWindowRegion(current().window, kWindowUpdateRgn, update);
    Rect content{};
    GetWindowBounds(current().window, kWindowContentRgn, &content);
    for (Point p : {Point{r.top, r.left}, Point{i16(r.bottom - 1), i16(r.right - 1)}})
      if (!PtInRgn(Point{i16(p.v + content.top), i16(p.h + content.left)}, update)) return false;
    return true;
  }
  bool cardchanged() {
    u16 flag = 0;
    testvir(current().store, i32(current().cardrecid), &flag);
    return flag != 0;
  }
};

constexpr u32 kDefault = 1u << 9;

TEST_F(ControlLifeTest, AfterDrawingAPopupKeepsNoControl) {
  openwith({button(206, "p")});
  setprop(1, "popupData", "\"a;b\"");
  const ControlRef c = up(0);
  const MenuRef menu = GetControlPopupMenuHandle(c);
  down(0);
  EXPECT_EQ(livecontrol(object(0)), nilid);
  EXPECT_FALSE(IsValidControlHandle(c));
  EXPECT_FALSE(IsValidMenu(menu)) << "its menu goes with it";
}

TEST_F(ControlLifeTest, ADefaultPushButtonStaysUnlessNearACardScrollBar) {
  // A scrolling window 540 wide: its vertical bar begins at 524.
  openwith({button(201, "Near", Rect{40, 400, 60, 519}, kDefault), button(201, "Far", kRect, kDefault),
            button(201, "Plain")},
           {}, 1);
  ASSERT_TRUE(IsControlVisible(current().vscroll));
  const ControlRef near = up(0), far = up(1), plain = up(2);
  down(0);
  down(1);
  down(2);
  EXPECT_EQ(bounds(far), kRect) << "placed at its window-port rectangle";
  EXPECT_TRUE(IsControlVisible(far));
  EXPECT_TRUE(parked(near));
  u8 dflt = 1;
  GetControlData(near, 0, kControlPushButtonDefaultTag, 1, &dflt, nullptr);
  EXPECT_EQ(dflt, 0) << "parked without its default tag";
  EXPECT_TRUE(parked(plain));

  // The window's bars hidden, nothing is near any more.
  HideControl(current().vscroll);
  HideControl(current().hscroll);
  up(0);
  down(0);
  EXPECT_TRUE(IsControlVisible(near));
}

TEST_F(ControlLifeTest, ALockedScreenParksAProgressBarAndChangesNoRecord) {
  openwith({button(214, "Progress"), button(204, "Check")});
  const ControlRef bar = up(0), check = up(1);
  down(0);
  down(1);
  EXPECT_EQ(bounds(bar), kRect) << "a progress bar animates where it is";
  EXPECT_TRUE(parked(check));
  up(0);  // a refresh gives it the animation switch
  down(0);
  u8 anim = 0;
  GetControlData(bar, 0, kControlProgressBarAnimatingTag, 1, &anim, nullptr);
  EXPECT_EQ(anim, 1);
  ASSERT_FALSE(cardchanged());

  SquashControls(current().window);
  EXPECT_TRUE(parked(bar));
  EXPECT_FALSE(cardchanged()) << "where a control stands is not stored";

  validate();
  UnsquashDefaults(&current(), 1);
  EXPECT_EQ(bounds(bar), kRect);
  EXPECT_TRUE(IsControlVisible(bar));
  EXPECT_TRUE(invalidated(kRect));
  EXPECT_TRUE(parked(check)) << "only what wants idle time comes back";

  drawnobjectstate().resumeredraw = 1;
  SquashControls(current().window);
  UnsquashDefaults(&current(), 0);
  EXPECT_TRUE(parked(bar)) << "held back until the card is drawn after a resume";
  drawnobjectstate().resumeredraw = 0;

  mainglobals().idleControls = 0;
  setcontrolidle(current().cardspots);
  GetControlData(bar, 0, kControlProgressBarAnimatingTag, 1, &anim, nullptr);
  EXPECT_EQ(anim, 0) << "the animation switch reaches the controls";
  mainglobals().idleControls = 1;
}

TEST_F(ControlLifeTest, ScriptsLockingTheScreenParkAnAnimatingBarAndLeaveTheProjectClean) {
  openwith({button(214, "Progress")});
  const ControlRef bar = livecontrol(object(0));
  ASSERT_NE(bar, nilid);
  ASSERT_EQ(bounds(bar), kRect) << "drawn when the card opened, it animates in place";
  ASSERT_FALSE(cardchanged());
  ASSERT_EQ(doline("lock screen"), 0);
  EXPECT_TRUE(parked(bar));
  EXPECT_FALSE(cardchanged()) << "locking the screen leaves the project clean";
  ASSERT_EQ(doline("unlock screen"), 0);
  EXPECT_EQ(bounds(bar), kRect);
  EXPECT_TRUE(IsControlVisible(bar));
  EXPECT_FALSE(cardchanged());
}

TEST_F(ControlLifeTest, AStaleControlIsBuiltAgainWhenItIsBroughtBack) {
  openwith({button(214, "Progress")});
  const ControlRef bar = up(0);
  DisposeControl(bar);
  UnsquashDefaults(&current(), 0);
  const ControlRef again = livecontrol(object(0));
  ASSERT_NE(again, nilid);
  EXPECT_NE(again, bar);
  EXPECT_EQ(bounds(again), kRect);
}

TEST_F(ControlLifeTest, AFlushOfTheTabsAndPopupsInvalidatesEveryObject) {
  const Rect a{10, 10, 30, 100}, b{40, 10, 60, 100}, c{70, 10, 90, 100};
  openwith({button(210, "Tabs", a), button(206, "Popup", b), button(204, "Check", c)});
  const ControlRef tabs = up(0), popup = up(1), check = up(2);
  validate();
  objread card{};
  ASSERT_EQ(readreference("this card", &card), 0);
  // With the window's pen hidden nothing is redrawn at once, and what waits to be shows.
  {
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    HidePen();
    lowflush(card, 0);
    ShowPen();
  }
  writeobj(&card);
  EXPECT_FALSE(IsValidControlHandle(tabs));
  EXPECT_FALSE(IsValidControlHandle(popup));
  EXPECT_EQ(livecontrol(object(0)), nilid);
  EXPECT_EQ(livecontrol(object(2)), check) << "the check box keeps its control";
  for (const Rect& r : {a, b, c}) EXPECT_TRUE(invalidated(r));

  objread one{};
  ASSERT_EQ(readreference("card button 3", &one), 0);
  lowflush(one, 1);
  writeobj(&one);
  EXPECT_FALSE(IsValidControlHandle(check)) << "all of them with `all`";
}

TEST_F(ControlLifeTest, TheTrackedControlIsRebuiltInsteadOfDisposed) {
  openwith({button(209, "Slider")});
  const ControlRef slider = up(0);
  controltrackstate().trackedcontrol = slider;
  controltrackstate().trackedrebuilt = 0;
  dumpspot(0);
  EXPECT_TRUE(IsValidControlHandle(slider));
  EXPECT_EQ(livecontrol(object(0)), slider);
  EXPECT_EQ(controltrackstate().trackedrebuilt, 1);
  SquashControls(current().window);
  EXPECT_EQ(bounds(slider), kRect) << "the tracker's control is never parked";
  controltrackstate().trackedcontrol = nilid;
  dumpspot(0);
  EXPECT_FALSE(IsValidControlHandle(slider));
}

TEST_F(ControlLifeTest, LeavingACardKeepsASlidersValuesThroughClosing) {
  openwith({button(209, "Slider")}, {}, 0, 2);
  const ControlRef slider = up(0);
  SetControl32BitMinimum(slider, 5);
  SetControl32BitMaximum(slider, 150);
  SetControl32BitValue(slider, 77);
  ASSERT_EQ(doline("go to card 2"), 0);
  EXPECT_FALSE(IsValidControlHandle(slider));
  closeallwindows();

  ASSERT_EQ(open(), 0);
  const spot s = object(0);
  const controlpart p = getcontrolpart(s);
  EXPECT_EQ(p.minimumvalue, 5);
  EXPECT_EQ(p.maximumvalue, 150);
  EXPECT_EQ(p.currentvalue, 77);
  // Opening drew the card, which made the slider's control again; a stored one would be stale.
  EXPECT_TRUE(p.control == 0u || (IsValidControlHandle(p.control) && p.control != slider))
      << "a stored record holds no control";
  const ControlRef again = up(0);
  EXPECT_EQ(GetControl32BitValue(again), 77) << "the control reads them back";
}

TEST_F(ControlLifeTest, PuttingDownUnchangedControlsMarksNothing) {
  openwith({button(209, "Slider")}, {}, 0, 2);
  up(0);
  putdowncontrols(current().cardspots);
  EXPECT_FALSE(cardchanged());
  EXPECT_EQ(livecontrol(object(0)), nilid);
}

TEST_F(ControlLifeTest, CheckControlsOnlyMovesItsDueTime) {
  MainGlobals& g = mainglobals();
  g.progressTicks = 3;
  g.controlsdue = 100;
  checkcontrols(500);
  EXPECT_EQ(g.controlsdue, 100u) << "nothing while no control wants its turn";
  g.controlidle = 1;
  checkcontrols(50);
  EXPECT_EQ(g.controlsdue, 100u);
  checkcontrols(500);
  EXPECT_EQ(g.controlsdue, 503u);
  g.controlidle = 0;
}

TEST_F(ControlLifeTest, RedrawingInFrontBringsBackWhatAnimatesThere) {
  const Rect back{20, 20, 80, 200}, front{40, 40, 60, 180}, away{100, 20, 120, 200};
  openwith({button(204, "Back", back), button(214, "Front", front), button(214, "Away", away)});
  up(0);
  const ControlRef bar = up(1), other = up(2);
  SquashControls(current().window);
  ASSERT_TRUE(parked(bar));
  redrawinfront(object(0));
  EXPECT_EQ(bounds(bar), front) << "it lies in front of the redrawn control";
  EXPECT_TRUE(IsControlVisible(bar));
  EXPECT_TRUE(parked(other)) << "it does not meet it";
}

TEST_F(ControlLifeTest, SquashingThrobbersParksOnlyDefaultButtons) {
  openwith({button(201, "Default", kRect, kDefault), button(214, "Progress", Rect{100, 20, 120, 200})});
  const ControlRef push = up(0), bar = up(1);
  down(0);
  down(1);
  ASSERT_TRUE(IsControlVisible(push));
  SquashThrobbers(&current());
  EXPECT_TRUE(parked(push));
  EXPECT_TRUE(IsControlVisible(bar));
}

}  // namespace
}  // namespace kv
