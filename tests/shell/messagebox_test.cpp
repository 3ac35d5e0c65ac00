// The message box as scripts and a person meet it: what a put shows, typing into it (the
// "Find" prompt, replacing the shown text, the TextEdit limit), its status line, its grey rule,
// and where it is shown.
#include <gtest/gtest.h>

#include <string>

#include "engine/fred.h"
#include "platform/backend/headless.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "platform/te/te.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "shell/cardwindow.h"
#include "shell/commandline.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/startup.h"
#include "shell/textentry.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

class MessageBoxTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    initmes();
    ASSERT_EQ(openproject(), 0);
    settle();
  }
  static TEHandle box() { return mainglobals().msgtext; }
  static std::string boxtext() { return std::string(tetext(box())); }
  static void key(u8 c) { runmess(kWindowKey, c); }
  static int beeps() {
    int n = 0;
    for (const std::string& l : transcriptlines()) n += l.starts_with("beep") ? 1 : 0;
    return n;
  }
};

// Acceptance: a put shows the box with the first line; the command line still prints the
// whole value.
TEST_F(MessageBoxTest, APutShowsTheFirstLine) {
  ASSERT_FALSE(msgvisible());
  ASSERT_EQ(doline("put \"a\" & return & \"b\" into msg"), 0);
  EXPECT_TRUE(msgvisible());
  EXPECT_EQ(boxtext(), "a");
  EXPECT_EQ(messageboxtext(), "a\nb");
  ASSERT_EQ(doline("put return & \"b\""), 0);
  EXPECT_EQ(boxtext(), "") << "a text that starts with a return shows nothing";
}

// Acceptance: the Find prompt takes typing between its quotes; after any other put a letter
// replaces the text and an arrow key does nothing; what was typed is what msg holds.
TEST_F(MessageBoxTest, TypingAfterAPut) {
  ASSERT_EQ(doline("put \"Find \" & quote & quote into msg"), 0);
  i32 start = -1, end = -1;
  TEGetSelection(box(), &start, &end);
  EXPECT_EQ(start, 6);
  EXPECT_EQ(end, 6);
  key('x');
  EXPECT_EQ(boxtext(), "Find \"x\"");

  ASSERT_EQ(doline("put \"hello\""), 0);
  key(28);
  key(29);
  EXPECT_EQ(boxtext(), "hello");
  key('z');
  key('y');
  EXPECT_EQ(boxtext(), "zy") << "the first letter replaced the text";
  EXPECT_EQ(cardvalue("msg"), "zy");
  key(13);
  EXPECT_EQ(boxtext(), "zy\r") << "a return is typed like any key and runs nothing";
}

// Keys typed while the box shows reach it through the card window; Return stays the card's.
TEST_F(MessageBoxTest, KeysFromTheKeyboard) {
  ASSERT_EQ(doline("put \"hello\""), 0);
  settle();
  clearlog();
  drive::type("go");
  drive::key(36);
  settle();
  EXPECT_EQ(boxtext(), "go");
  EXPECT_EQ(log(), "returnKey,");
}

// Acceptance: a full box beeps at a key and keeps its text; backspace still deletes; a paste
// that would pass the limit beeps and pastes nothing, however long the clipboard's text.
TEST_F(MessageBoxTest, TheTextEditLimit) {
  const std::string full(kTELimit, 'm');
  TESetText(full.data(), i32(full.size()), box());
  mainglobals().msginactive = 0;
  transcriptclear();
  key('q');
  EXPECT_EQ(beeps(), 1);
  EXPECT_EQ(TEGetLength(box()), kTELimit);
  key(8);
  EXPECT_EQ(TEGetLength(box()), kTELimit - 1);

  ClipFlavor text;
  text.type = fourcc("TEXT");
  text.bytes.assign(2, 'p');
  headlessbackend()->setexternalclipboard({text});
  tepaste(box());
  EXPECT_EQ(beeps(), 2);
  EXPECT_EQ(TEGetLength(box()), kTELimit - 1);
  text.bytes.assign(1, 'p');
  headlessbackend()->setexternalclipboard({text});
  tepaste(box());
  EXPECT_EQ(TEGetLength(box()), kTELimit) << "a paste that just fits";
}

// Acceptance: the status line keeps the first 255 characters of its first line.
TEST_F(MessageBoxTest, TheStatusLine) {
  fred value;
  const std::string status = std::string(300, 's') + "\rnext";
  ASSERT_EQ(charstonewfred(status.data(), Size(status.size()), &value), 0);
  drawmessage(&value, 1);
  disposfred(&value);
  EXPECT_EQ(mainglobals().msgstatus[0], 255);
  EXPECT_EQ(mainglobals().msgstatus[255], 's');
}

// Acceptance: the grey rule runs from (12, 21) to (right - 12, 21) of the box's port.
TEST_F(MessageBoxTest, TheGreyRule) {
  showmes();
  const Frame f = drive::windowpixels(mainglobals().msgwindow);
  Rect r{};
  GetWindowBounds(mainglobals().msgwindow, kWindowContentRgn, &r);
  const i16 right = i16(r.right - r.left);
  const u32 rule = drive::pixelat(f, 12, 21);
  EXPECT_NE(rule, drive::pixelat(f, 11, 21));
  EXPECT_EQ(drive::pixelat(f, i16(right - 12), 21), rule);
  EXPECT_NE(drive::pixelat(f, i16(right - 11), 21), rule);
  EXPECT_NE(drive::pixelat(f, 40, 20), rule);
}

// Acceptance: shown, a box partly off the screen moves inside the available bounds and one
// larger than them shrinks; hiding it re-hilites the windows.
TEST_F(MessageBoxTest, WhereTheBoxIsShown) {
  const WindowRef w = mainglobals().msgwindow;
  Rect available{}, r{};
  GetAvailableWindowPositioningBounds(0, &available);
  MoveWindow(w, i16(available.right - 100), i16(available.bottom - 10), false);
  ASSERT_EQ(doline("show message box"), 0);
  GetWindowBounds(w, kWindowStructureRgn, &r);
  EXPECT_LE(r.right, available.right);
  EXPECT_LE(r.bottom, available.bottom);
  EXPECT_GE(r.left, available.left);
  hidemes();

  SizeWindow(w, i16(available.right - available.left + 400), 37, false);
  showmes();
  GetWindowBounds(w, kWindowStructureRgn, &r);
  EXPECT_GE(r.left, available.left);
  EXPECT_LE(r.right, available.right);

  const WindowRef card = current().window;
  HiliteWindow(card, false);
  ASSERT_EQ(doline("hide message box"), 0);
  EXPECT_FALSE(msgvisible());
  EXPECT_TRUE(IsWindowHilited(card));
}

// Scripts place and size the box: its line of text as wide as the box, and the box kept on the
// screen wherever it is asked to go.
TEST_F(MessageBoxTest, ScriptsPlaceTheBox) {
  const WindowRef w = mainglobals().msgwindow;
  ASSERT_EQ(doline("show message box"), 0);
  ASSERT_EQ(doline("set the rect of the message box to 100,100,400,140"), 0);
  Rect r{};
  GetWindowBounds(w, kWindowContentRgn, &r);
  EXPECT_EQ(r, (Rect{100, 100, 140, 400}));
  EXPECT_EQ(tedestrect(box()).right, 300);
  EXPECT_EQ(teviewrect(box()).right, 300);
  Rect available{};
  GetAvailableWindowPositioningBounds(0, &available);
  ASSERT_EQ(doline("set the loc of msg to 5000,5000"), 0);
  GetWindowBounds(w, kWindowStructureRgn, &r);
  EXPECT_LE(r.right, available.right);
  EXPECT_LE(r.bottom, available.bottom);
  GetWindowBounds(w, kWindowContentRgn, &r);
  EXPECT_EQ(r.right - r.left, 300) << "moved, not shrunk";
  EXPECT_EQ(failingline("set the height of the message box to 0"), 66) << "an empty rectangle";
}

// A click in the box gives it the keyboard back from an open field.
TEST_F(MessageBoxTest, AClickTakesTheKeyboardBack) {
  ASSERT_EQ(doline("put \"abc\""), 0);
  MainGlobals& g = mainglobals();
  g.msgfieldfocus = 1;
  Rect r{};
  GetWindowBounds(g.msgwindow, kWindowContentRgn, &r);
  runmess(kWindowClick, pointword(Point{i16(r.top + 10), i16(r.left + 200)}));
  EXPECT_EQ(g.msgfieldfocus, 0);
  EXPECT_TRUE(teactive(box()));
  key('d');
  EXPECT_EQ(boxtext(), "abcd") << "the click put the caret at the end";
}

}  // namespace
}  // namespace kv
