// Show, hide, lock, unlock, choose and flush driven as a script drives them: objects and
// windows shown and hidden, the screen frozen and released, the tool chosen, cards run by.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "properties/latentvis.h"
#include "core/mainglobals.h"
#include "platform/testing/driver.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tests/support/homefolder.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class ShowHideTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(project());
    ASSERT_EQ(open(), 0);
  }

  // Window "Main" with cards One (button "Go" 40 x 20 at 10,10 and field "Notes"), Two and
  // Three; window "Other" stays closed. Every card logs its open and close messages into the
  // global log; card One logs toolChange and cancels the change to the field tool.
  static testproject::Project project() {
    using namespace testproject;
    Project p;
    Window main;
    main.name = "Main";
    main.script =
        "on openCard\nglobal log\nput \"openCard;\" after log\nend openCard\n"
        "on closeCard\nglobal log\nput \"closeCard;\" after log\nend closeCard";
    Background plain;
    plain.name = "Plain";
    main.backgrounds = {plain};
    Card one;
    one.name = "One";
    one.script =
        "on toolChange a, b\nglobal log\nput a & \"|\" & b & \";\" after log\n"
        "if b is \"field tool\" then exit to kestrove\nend toolChange";
    Object go;
    go.name = "Go";
    go.rect = Rect{10, 10, 30, 50};
    Object notes;
    notes.kind = Object::field;
    notes.name = "Notes";
    notes.text = "some text";
    notes.rect = Rect{100, 10, 160, 200};
    one.objects = {go, notes};
    Card two;
    two.name = "Two";
    Card three;
    three.name = "Three";
    main.cards = {one, two, three};
    Window other;
    other.name = "Other";
    other.backgrounds = {Background{"Back", "", {}}};
    Card only;
    only.name = "Only";
    other.cards = {only};
    p.windows = {main, other};
    Menu file;
    file.name = "File";
    p.menus = {file};
    return p;
  }

  i16 line(std::string_view text) { return failingline(text); }
  static spot go() { return spotat(mainglobals().current.cardspots, 0); }
  static bool changed(u32 recid) {
    u16 flag = 0;
    EXPECT_EQ(testvir(mainglobals().current.store, i32(recid), &flag), 0);
    return flag != 0;
  }
  static i16 penlevel() { return GetPortPenVisibility(GetWindowPort(mainglobals().current.window)); }
};

TEST_F(ShowHideTest, ObjectsShowAndHide) {
  ASSERT_EQ(line("hide button 1"), 0);
  EXPECT_EQ(go().flags & 1u, 0u) << "bit 0 cleared";
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));
  EXPECT_EQ(cardvalue("the visible of button 1"), "false");
  takeredraws();
  ASSERT_EQ(line("show button 1 at 100,100"), 0);
  EXPECT_EQ(go().rect, (Rect{90, 80, 110, 120})) << "the rectangle is centred on the point";
  EXPECT_EQ(cardvalue("the rect of button 1"), "80,90,120,110");
  EXPECT_EQ(go().flags & 1u, 1u);
  const std::vector<redrawrequest> drawn = takeredraws();
  ASSERT_FALSE(drawn.empty());
  const Rect& area = drawn.back().area;
  EXPECT_TRUE(drawn.back().whole || (area.top <= 10 && area.left <= 10 && area.bottom >= 110 && area.right >= 120))
      << "the union of the old and new places is redrawn";
  ASSERT_EQ(line("hide card field \"Notes\""), 0);
  EXPECT_EQ(cardvalue("the visible of card field \"Notes\""), "false");
  ASSERT_EQ(line("show card field \"Notes\""), 0);
  EXPECT_EQ(cardvalue("the visible of card field \"Notes\""), "true");
}

TEST_F(ShowHideTest, ShowAtHoldsTheRectangleToSixteenBits) {
  ASSERT_EQ(line("show button 1 at 32767,-32768"), 0);
  const Rect r = go().rect;
  EXPECT_EQ(r.right, 32767) << "no edge wraps round";
  EXPECT_EQ(r.left, 32747);
  EXPECT_EQ(r.top, -32768);
  EXPECT_EQ(r.bottom, -32758);
}

TEST_F(ShowHideTest, ObjectErrors) {
  EXPECT_EQ(line("hide button 1 foo"), 19);
  EXPECT_EQ(go().flags & 1u, 1u) << "a failing hide leaves the button shown";
  EXPECT_EQ(line("show card 1"), 2);
  EXPECT_EQ(line("show button 9"), 11);
  EXPECT_EQ(line("show button 1 at 5"), 39);
}

TEST_F(ShowHideTest, GroupsAndMenuBar) {
  takeredraws();
  ASSERT_EQ(line("show groups"), 0);
  EXPECT_EQ(mainglobals().showGroups, 1);
  EXPECT_FALSE(takeredraws().empty());
  ASSERT_EQ(line("hide groups"), 0);
  EXPECT_EQ(mainglobals().showGroups, 0);
  EXPECT_EQ(line("hide groups now"), 19);
  EXPECT_EQ(line("show menuBar"), 0);
  EXPECT_EQ(line("show menuBar please"), 19);
  EXPECT_EQ(line("hide message box"), 0);
  if (mainglobals().msgwindow != nilid) {
    EXPECT_EQ(cardvalue("the visible of message box"), "false");
  }
  EXPECT_EQ(line("show the message window at 200,100"), 0);
  if (mainglobals().msgwindow != nilid) {
    EXPECT_EQ(cardvalue("the visible of message box"), "true");
  }
  EXPECT_EQ(line("show message box at 1"), 39);
  EXPECT_EQ(line("hide message box now"), 19);
  EXPECT_EQ(line("hide help balloon"), 0);
  EXPECT_EQ(line("show balloon with \"tip\""), 0);
  EXPECT_EQ(line("show balloon \"tip\""), 2) << "with is required";
  EXPECT_EQ(line("show help now"), 2);
  mainglobals().plugin = 1;
  EXPECT_EQ(line("show menuBar"), 175);
  EXPECT_EQ(line("show message box"), 175);
  EXPECT_EQ(line("hide window \"Main\""), 175);
  mainglobals().plugin = 0;
}

TEST_F(ShowHideTest, Windows) {
  const WindowRef window = mainglobals().current.window;
  ASSERT_EQ(line("hide window \"Main\""), 0);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(loadat<windrec>(deref(mainglobals().current.wind)).flags & (1u << 11), 0u);
  EXPECT_EQ(getwindowlatentvis(window), 0);
  EXPECT_EQ(cardvalue("the visible of window \"Main\""), "false");
  EXPECT_EQ(line("hide window \"Main\" x"), 59);
  EXPECT_EQ(line("show window \"Other\""), 61);
  takeredraws();
  ASSERT_EQ(line("show window \"Main\" at 300,200"), 0);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_NE(loadat<windrec>(deref(mainglobals().current.wind)).flags & (1u << 11), 0u);
  const Rect r = loadat<windrec>(deref(mainglobals().current.wind)).rect1;
  EXPECT_EQ((r.left + r.right) / 2, 300);
  EXPECT_EQ((r.top + r.bottom) / 2, 200);
  EXPECT_TRUE(changed(mainglobals().current.windrecid));
  EXPECT_FALSE(takeredraws().empty()) << "a window that was hidden is drawn";
  ASSERT_EQ(line("show window \"Main\""), 0);
  EXPECT_TRUE(takeredraws().empty()) << "an already visible window is not redrawn";
}

TEST_F(ShowHideTest, LockAndUnlockScreen) {
  ASSERT_EQ(line("lock screen"), 0);
  ASSERT_EQ(line("lock screen"), 0);
  EXPECT_EQ(penlevel(), -2);
  ASSERT_EQ(line("hide button 1"), 0);
  takeredraws();
  ASSERT_EQ(line("unlock screen"), 0);
  EXPECT_EQ(penlevel(), -1) << "still frozen";
  EXPECT_TRUE(takeredraws().empty());
  EXPECT_EQ(cardvalue("the lockScreen"), "true");
  ASSERT_EQ(line("unlock screen"), 0);
  EXPECT_EQ(penlevel(), 0);
  EXPECT_FALSE(takeredraws().empty()) << "the second unlock redraws";
  EXPECT_EQ(cardvalue("the lockScreen"), "false");
  ASSERT_EQ(line("unlock screen"), 0) << "nothing to release";
  EXPECT_EQ(penlevel(), 0);
  ASSERT_EQ(line("unlock screen with visual iris"), 0) << "the effect plays at once";
  EXPECT_EQ(mainglobals().effectcount, 0) << "the queue is used up";
  ASSERT_EQ(line("lock screen"), 0);
  ASSERT_EQ(line("unlock screen using 0,0,50,50 with visual effect dissolve"), 0);
  EXPECT_EQ(penlevel(), 0);
  EXPECT_EQ(line("unlock screen with visual wipe banana"), 2) << "the effect's own error";
  EXPECT_EQ(line("unlock screen now"), 2);
  EXPECT_EQ(line("lock screen now"), 19);
  EXPECT_EQ(penlevel(), 0);
}

TEST_F(ShowHideTest, LockMessagesAndErrorDialogs) {
  MainGlobals& g = mainglobals();
  ASSERT_EQ(line("lock messages"), 0);
  EXPECT_EQ(g.lockMessages, 1);
  ASSERT_EQ(line("unlock messages"), 0);
  EXPECT_EQ(g.lockMessages, 0);
  ASSERT_EQ(line("lock error dialogs"), 0);
  EXPECT_EQ(g.lockErrorDialogs, 1);
  ASSERT_EQ(line("unlock error dialogs"), 0);
  EXPECT_EQ(g.lockErrorDialogs, 0);
  EXPECT_EQ(line("lock foo"), 2);
  EXPECT_EQ(line("lock error"), 2);
  EXPECT_EQ(line("lock messages now"), 19);
  EXPECT_EQ(g.lockMessages, 0);
}

TEST_F(ShowHideTest, ChooseTool) {
  MainGlobals& g = mainglobals();
  clearglobals();
  ASSERT_EQ(line("choose button tool"), 0);
  EXPECT_EQ(global("log"), "browse tool|button tool;");
  EXPECT_EQ(g.current.tool, 603);
  clearglobals();
  ASSERT_EQ(line("choose field tool"), 0) << "the handler exits to the top";
  EXPECT_EQ(global("log"), "button tool|field tool;");
  EXPECT_EQ(g.current.tool, 603) << "the tool stays";
  ASSERT_EQ(line("choose tool 101"), 0);
  EXPECT_EQ(g.current.tool, kBrowseTool);
  EXPECT_EQ(g.plugin, 1) << "plug-in mode";
  EXPECT_EQ(line("show menuBar"), 175);
  EXPECT_EQ(line("quit"), 175) << "plug-in mode refuses to quit";
  ASSERT_EQ(line("choose tool 100"), 0);
  EXPECT_EQ(g.plugin, 0);
  EXPECT_EQ(line("choose browse"), 2);
  EXPECT_EQ(line("choose tool 12345"), 2);
  EXPECT_EQ(line("choose banana tool"), 2);
  EXPECT_EQ(line("choose browse tool now"), 2);
  EXPECT_EQ(g.current.tool, kBrowseTool);
}

TEST_F(ShowHideTest, ShowCards) {
  MainGlobals& g = mainglobals();
  clearglobals();
  ASSERT_EQ(line("show 2 cards"), 0);
  EXPECT_EQ(g.current.cardnum, 3u);
  EXPECT_EQ(global("log").find("Card;"), std::string::npos) << "no open or close messages";
  EXPECT_EQ(g.lockMessages, 0) << "the lock goes back";
  ASSERT_EQ(line("show 0 cards"), 0);
  EXPECT_EQ(g.current.cardnum, 3u);
  ASSERT_EQ(line("show all cards"), 0);
  EXPECT_EQ(g.current.cardnum, 3u) << "three steps round three cards";
  EXPECT_EQ(line("show 2 banana"), 2);
  EXPECT_EQ(line("show \"x\" cards"), 13) << "the count must be a number";
  EXPECT_EQ(g.lockMessages, 0);
}

TEST_F(ShowHideTest, ShowCardsStopsAtAClick) {
  MainGlobals& g = mainglobals();
  ASSERT_EQ(PostEvent(mouseDown, 0), 0);
  ASSERT_EQ(line("show cards"), 0);
  EventRecord e{};
  EXPECT_FALSE(EventAvail(mDownMask | mUpMask, &e)) << "the click is taken away";
  EXPECT_EQ(g.current.cardnum, 2u) << "one step before the click was seen";
  EXPECT_EQ(g.lockMessages, 0);
  ASSERT_EQ(PostEvent(mouseDown, 0), 0);
  ASSERT_EQ(line("show 100 cards"), 0);
  EXPECT_EQ(g.current.cardnum, 3u);
  EXPECT_FALSE(EventAvail(mDownMask | mUpMask, &e));
}

TEST_F(ShowHideTest, AHideWhileTheScreenIsLockedChangesNoPixelUntilTheLastUnlock) {
  const WindowRef window = mainglobals().current.window;
  ASSERT_EQ(line("lock screen\nlock screen"), 0);
  const Frame before = drive::windowpixels(window);
  ASSERT_EQ(line("hide card field \"Notes\""), 0);
  EXPECT_EQ(drive::windowpixels(window).pixels, before.pixels);
  ASSERT_EQ(line("unlock screen"), 0);
  EXPECT_EQ(drive::windowpixels(window).pixels, before.pixels) << "one level is still locked";
  ASSERT_EQ(line("unlock screen"), 0);
  EXPECT_NE(drive::windowpixels(window).pixels, before.pixels) << "the field's pixels are gone";
  ASSERT_EQ(line("show card field \"Notes\""), 0);
  EXPECT_EQ(drive::windowpixels(window).pixels, before.pixels) << "and back";
}

TEST_F(ShowHideTest, AnAbortDuringARunOfCardsPutsTheMessageLockBack) {
  MainGlobals& g = mainglobals();
  // The abort key is seen once, when the run has reached the second card.
  bool armed = true;
  setabortcheck([&armed](u32) {
    if (!armed || mainglobals().current.cardnum != 2) return i16(0);
    armed = false;
    return i16(48);
  });
  EXPECT_EQ(line("show 100 cards"), 48);
  EXPECT_EQ(g.current.cardnum, 2u);
  EXPECT_EQ(g.lockMessages, 0) << "the lock goes back after an abort";
  ASSERT_EQ(line("go card 1"), 0);
  armed = true;
  ASSERT_EQ(line("show cards"), 0) << "a run without an end stops quietly at the abort";
  EXPECT_EQ(g.current.cardnum, 2u);
  EXPECT_EQ(g.lockMessages, 0);
  setabortcheck({});
  g.lockMessages = 1;
  ASSERT_EQ(line("show 1 cards"), 0);
  EXPECT_EQ(g.lockMessages, 1) << "a lock set before the run stays";
  g.lockMessages = 0;
}

TEST_F(ShowHideTest, TheExtensionOfAFile) {
  const std::string file = home->path() + "/notes.txt";
  std::ofstream(file) << "x";
  const auto hidden = [&file]() {
    bool h = false;
    EXPECT_EQ(HGetExtensionHidden(kBootVolume, 0, PName(file), &h), noErr);
    return h;
  };
  ASSERT_EQ(line("hide the extension of file \"" + file + "\""), 0);
  EXPECT_TRUE(hidden());
  ASSERT_EQ(line("show extension of \"" + file + "\""), 0);
  EXPECT_FALSE(hidden());
  ASSERT_EQ(line("hide extension of file \"" + home->path() + "/gone.txt\""), 0);
  EXPECT_EQ(cardvalue("the result"), "File not found.");
  EXPECT_EQ(line("hide extension of file \"" + home->path() + "/no/such/folder.txt\""), 227);
  EXPECT_EQ(line("hide extension of empty"), 227);
  EXPECT_EQ(line("hide extension file \"" + file + "\""), 5);
  EXPECT_EQ(line("show extension of \"" + file + "\" now"), 19);
  EXPECT_FALSE(hidden()) << "a failing statement changes nothing";
}

TEST_F(ShowHideTest, Flush) {
  EXPECT_EQ(line("flush card 1"), 0);
  EXPECT_EQ(line("flush button 1"), 0);
  EXPECT_EQ(line("flush window 1"), 0);
  EXPECT_EQ(line("flush menu 1"), 2);
  EXPECT_EQ(line("flush button 1 now"), 19);
}

}  // namespace
}  // namespace kv
