// The list dialog of `ask list`, driven as a user's script drives it: rows clicked, keys typed
// and the wheel turned on the dialog while it is up, and what the script gets in `it` and
// `the result`; its size on the screen, looked at while it is shown.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/backend/headless.h"
#include "platform/dialogs/dialogs.h"
#include "platform/events/handlers.h"
#include "platform/events/keycodes.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "core/dialogs.h"
#include "shell/dialogutils.h"
#include "system/kvexternal.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

// Runs `look` on the front window while the dialog is up: the look is taken when the input
// reaches it, between the other actions the test queued.
struct Probe {
  std::function<void(DialogRef)> look;
  EventHandlerRef handler = 0;
  Probe() {
    const EventTypeSpec spec{kEventClassCommand, kEventProcessCommand};
    InstallApplicationEventHandler(
        [](EventHandlerCallRef, EventRef, u32) -> OSStatus {
          Probe* p = current();
          if (p != nullptr && p->look) p->look(FrontNonFloatingWindow());
          return noErr;
        },
        1, &spec, 0, &handler);
    current() = this;
  }
  ~Probe() {
    RemoveEventHandler(handler);
    current() = nullptr;
  }
  static Probe*& current() {
    static Probe* p = nullptr;
    return p;
  }
  // A tick later, so that the script's own polling before the dialog shows does not take it.
  void now() {
    drive::advance(1);
    drive::dockCommand(fourcc("look"));
  }
};

Rect itembox(DialogRef d, i16 item) {
  Rect r{};
  GetDialogItem(d, item, nullptr, nullptr, &r);
  return r;
}

i16 height(const Rect& r) { return i16(r.bottom - r.top); }
i16 width(const Rect& r) { return i16(r.right - r.left); }

class ListDialogTest : public VeltrixTest {
 protected:
  // A list of short lines centred `at 300,300` is 297 pixels wide and 230 high: its rows start
  // 15 pixels into the window, 16 pixels each.
  static Point row(i16 k) { return Point{i16(300 - 115 + 15 + 16 * k + 8), i16(300 - 148 + 15 + 40)}; }
  static constexpr const char* kABC = "ask list (\"a\" & return & return & \"b\" & return & \"c\") at 300,300 ";
  std::string result() { return eval("the result"); }
};

TEST_F(ListDialogTest, SizesFollowTheLinesThePromptAndTheScreen) {
  Probe probe;
  Rect content{}, list{};
  probe.look = [&](DialogRef d) {
    GetWindowBounds(d, kWindowContentRgn, &content);
    list = itembox(d, 3);
  };
  probe.now();
  drive::key(kVKReturn);
  EXPECT_EQ(send("ask list \"a\" & return & \"b\" & return & \"c\""), 0);
  EXPECT_EQ(height(list), 160) << "ten rows of room for three lines";
  EXPECT_EQ(height(content), 230);
  EXPECT_EQ(width(content), 297);

  // 500 lines: as many rows as the largest content rectangle at the centre point holds, less
  // 20 pixels on each side, with 70 pixels for the buttons and 36 more of slack.
  WindowRef w = nilid;
  const Rect small{379, 507, 389, 517};
  ASSERT_EQ(CreateNewWindow(kFloatingWindowClass, 0, &small, &w), noErr);
  Rect room{};
  GetMaxRect(w, &room);
  DisposeWindow(w);
  const i16 rows = i16((height(room) - 40 - 70 - 36) / 18);
  probe.now();
  drive::key(kVKReturn);
  EXPECT_EQ(fn("repeat with i = 1 to 500\nput i & return after t\nend repeat\nask list t\nreturn it"), "");
  EXPECT_EQ(height(list), rows * 16);
  EXPECT_EQ(height(content), rows * 16 + 70);
  EXPECT_LT(rows, 500);

  // A prompt of a tall text never leaves the list without a row.
  probe.now();
  drive::key(kVKReturn);
  EXPECT_EQ(fn("repeat with i = 1 to 90\nput \"line \" & i & return after p\nend repeat\n"
               "ask list \"x\" prompt p\nreturn it"),
            "");
  EXPECT_EQ(height(list), 16);
}

TEST_F(ListDialogTest, TwoWideButtonsNarrowUntilTheyFitAndANarrowScreenEndsTheLoop) {
  Probe probe;
  Rect content{}, b1{}, b2{};
  probe.look = [&](DialogRef d) {
    GetWindowBounds(d, kWindowContentRgn, &content);
    b1 = itembox(d, 1);
    b2 = itembox(d, 2);
  };
  const std::string wide = "ask list \"a\" with \"" + std::string(60, 'W') + "\" or \"" + std::string(60, 'M') +
                           "\"\nreturn the result";
  probe.now();
  drive::key(kVKReturn);
  EXPECT_EQ(fn(wide), std::string(60, 'M'));
  EXPECT_LE(width(b1) + width(b2), width(content) - 48);
  EXPECT_GE(b2.left, 16);
  EXPECT_LE(b2.right + 16, b1.left) << "button 1's title sits left of the default";

  // A screen too narrow for any two buttons: the narrowing stops at a third of the room.
  ScreenInfo narrow;
  narrow.bounds = Rect{0, 0, 768, 120};
  headlessbackend()->setscreens({narrow});
  probe.now();
  drive::key(kVKReturn);
  EXPECT_EQ(fn(wide), std::string(60, 'M'));
  EXPECT_GT(width(b1) + width(b2), width(content) - 48) << "they cannot fit";
  EXPECT_LE(std::max(width(b1), width(b2)), (width(content) - 32) / 3) << "each narrowed to a third of the room";
}

TEST_F(ListDialogTest, PickedRowsComeBackAsTextsOrNumbers) {
  // The empty line has no row: rows 2 and 3 are "b" and "c".
  drive::click(row(1), cmdKey);
  drive::click(row(2), cmdKey);
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "using \"selExtend\" return text\nreturn it"), "b\rc");
  drive::click(row(0));
  drive::click(row(2), cmdKey);
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "using \"selExtend\"\nreturn it"), "1,3");
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "using \"selExtend\" hilitedLines \"2,1+2\"\nreturn it"), "2,3");
  // Shift extends from the last row clicked.
  drive::click(row(0));
  drive::click(row(2), shiftKey);
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "using \"selExtend\"\nreturn it"), "1,2,3");
  // One selection only (the default): a command-click replaces the row.
  drive::click(row(0));
  drive::click(row(2), cmdKey);
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "\nreturn it"), "3");
  // The headless answer names rows by number or by text.
  queueanswer(Answer{"ask list", "", {1, 3}});
  EXPECT_EQ(fn(std::string(kABC) + "using \"selExtend\"\nreturn it"), "1,3");
  queueanswer(Answer{"ask list", "c", {}});
  EXPECT_EQ(fn(std::string(kABC) + "return text\nreturn it"), "c");
}

TEST_F(ListDialogTest, ButtonsSetTheResultAndEscapeCancels) {
  drive::click(row(0));
  drive::key(kVKEscape);
  EXPECT_EQ(fn(std::string(kABC) + "with \"Stop\" or \"Go\"\nreturn it & \"/\" & the result"), "/Stop");
  drive::click(row(0));
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "with \"Stop\" or \"Go\"\nreturn it & \"/\" & the result"), "1/Go");
  drive::click(row(0));
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "with \"Go\"\nreturn it & \"/\" & the result"), "1/Go");
  // One button: Escape does nothing, Return still answers.
  drive::key(kVKEscape);
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "\nreturn it & \"/\" & the result"), "/OK");
  // Without cancel Escape does nothing either.
  drive::key(kVKEscape);
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "with \"Stop\" or \"Go\" without cancel\nreturn the result"), "Go");
  EXPECT_EQ(scriptdialogs().nocancel, 0);
}

TEST_F(ListDialogTest, DoubleClicksKeysAndTheWheel) {
  // A double click ends the dialog only when one selection only is allowed.
  drive::doubleClick(row(2));
  EXPECT_EQ(fn(std::string(kABC) + "\nreturn it"), "3");
  drive::doubleClick(row(2));
  drive::key(kVKEscape);
  EXPECT_EQ(fn(std::string(kABC) + "using \"selExtend\" with \"No\" or \"Yes\"\nreturn it & \"/\" & the result"),
            "/No");
  // Typing selects the row that starts so; the arrows move from it.
  drive::type("b");
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "return text\nreturn it"), "b");
  drive::type("b");
  drive::key(kVKDownArrow);
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "return text\nreturn it"), "c");

  // A notch down with Command scrolls ten rows: the top row shown is then line 11; Command
  // and Option scroll twenty, a notch up one back.
  Probe probe;
  probe.look = [](DialogRef d) {
    Rect content{};
    GetWindowBounds(d, kWindowContentRgn, &content);
    const Rect list = itembox(d, 3);
    drive::click(Point{i16(content.top + list.top + 8), i16(content.left + list.left + 20)});
    drive::key(kVKReturn);
  };
  const std::string lines = "repeat with i = 1 to 100\nput i & return after t\nend repeat\nask list t\nreturn it";
  drive::advance(1);
  drive::wheel(Point{384, 512}, -1, false, cmdKey);
  probe.now();
  EXPECT_EQ(fn(lines), "11");
  drive::advance(1);
  drive::wheel(Point{384, 512}, -1, false, cmdKey | optionKey);
  drive::wheel(Point{384, 512}, 1);
  probe.now();
  EXPECT_EQ(fn(lines), "20");
}

TEST_F(ListDialogTest, AClickedRowShowsSelected) {
  Probe probe;
  u32 picked = 0, other = 0;
  probe.look = [&](DialogRef d) {
    const Frame f = drive::windowpixels(d);
    const Rect list = itembox(d, 3);
    picked = drive::pixelat(f, i16(list.left + 200), i16(list.top + 16 + 8)) & 0xFFFFFF;
    other = drive::pixelat(f, i16(list.left + 200), i16(list.top + 8)) & 0xFFFFFF;
  };
  drive::click(row(1));
  probe.now();
  drive::key(kVKReturn);
  EXPECT_EQ(fn(std::string(kABC) + "\nreturn it"), "2");
  EXPECT_NE(picked, other) << "the picked row is drawn apart from the others";
  EXPECT_EQ(other, 0xFFFFFFu);
}

// What an external hands over: the text by its 64-bit address, the rows selected at first in a
// handle the dialog gives up.
TEST_F(ListDialogTest, ExternalsAskThroughTheRequestRecord) {
  static const char text[] = "north\rsouth\reast\r";
  kv_listrequest r{};
  r.text = reinterpret_cast<uintptr_t>(text);
  r.h = 300;
  r.v = 300;
  r.buttons = 1;
  r.form = 1;
  r.selectionflags = 128;
  r.button1[0] = 2;
  std::memcpy(r.button1 + 1, "Go", 2);
  const u8 second[2] = {0, 2};
  ASSERT_EQ(PtrToHand(second, &r.selected, 2), noErr);
  Handle answer = NewHandle(0);
  drive::key(kVKDownArrow);
  drive::key(kVKReturn);
  EXPECT_EQ(xrunlist(&r, answer), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(answer)), std::size_t(GetHandleSize(answer))), "east");
  EXPECT_EQ(r.selected, 0u) << "the selection handle was given up";
  DisposeHandle(answer);
}

TEST_F(ListDialogTest, ClauseErrors) {
  EXPECT_EQ(send("ask list \"a\" return foo"), 153);
  EXPECT_EQ(send("ask list \"a\" without cancel colour \"red\""), 2);
  EXPECT_EQ(scriptdialogs().nocancel, 0);
  EXPECT_NE(send("ask list \"a\" hilitedLines \"1,x\""), 0) << "each part must be a number";
}

}  // namespace
}  // namespace kv
