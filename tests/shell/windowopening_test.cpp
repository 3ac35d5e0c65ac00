// Where windows open and what opening or going to a card leaves: stacking behind an open
// modal window, palettes placed as other windows, selection marks left behind, a dialog window
// ending the editing of a field, and sheets taken down with their window's card.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialogs/dialogs.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "render/offscreen.h"
#include "render/selectionknobs.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

class WindowOpeningTest : public EventLoopTest {
 protected:
  // The project of EventLoopTest with more windows of these styles, named "W2", "W3", ...
  testproject::Project withwindows(std::initializer_list<u16> styles) {
    testproject::Project p = project();
    int n = 2;
    for (u16 style : styles) {
      testproject::Window w = p.windows[0];
      w.name = "W" + std::to_string(n++);
      w.style = style;
      w.rect = Rect{150, 150, 350, 450};
      p.windows.push_back(w);
    }
    return p;
  }
  // The place of a window titled `title` in the window list, front first; -1 when absent.
  static int place(const std::string& title) {
    const std::vector<drive::WindowInfo> list = drive::windows();
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].title == title) return int(i);
    return -1;
  }
  static int count(u32 windowclass) {
    const std::vector<drive::WindowInfo> list = drive::windows();
    return int(std::count_if(list.begin(), list.end(),
                             [&](const drive::WindowInfo& w) { return w.windowclass == windowclass; }));
  }
};

TEST_F(WindowOpeningTest, AWindowOpenedWhileAModalIsUpStaysBehindIt) {
  ASSERT_EQ(openproject(withwindows({3, 7, 0})), 0);
  ASSERT_EQ(doline("open window \"W2\""), 0);
  ASSERT_EQ(doline("open window \"W3\""), 0);
  EXPECT_EQ(place("W2"), 0) << "the modal stays in front";
  EXPECT_EQ(place("W3"), 1);
  // Opened hidden, then shown: the same place.
  ASSERT_EQ(doline("close window \"W3\"\nopen invisible window \"W3\"\nshow window \"W3\""), 0);
  EXPECT_EQ(place("W2"), 0);
  EXPECT_EQ(place("W3"), 1);
}

TEST_F(WindowOpeningTest, AWindowMadeAgainKeepsItsPlace) {
  ASSERT_EQ(openproject(withwindows({0, 0})), 0);
  ASSERT_EQ(doline("open window \"W2\"\nopen window \"W3\""), 0);
  ASSERT_EQ(place("W3"), 0);
  ASSERT_EQ(place("W2"), 1);
  ASSERT_EQ(doline("set the style of window \"W2\" to scrolling"), 0);
  EXPECT_EQ(place("W3"), 0);
  EXPECT_EQ(place("W2"), 1);
  EXPECT_EQ(place("Main"), 2);
}

TEST_F(WindowOpeningTest, PalettesArePlacedAsOtherWindows) {
  // Auto-centred: the palette's content is centred on the screen as a standard window's is.
  testproject::Project p = withwindows({6, 0});
  for (std::size_t i : {1u, 2u}) {
    p.windows[i].flags = 1u | (1u << 6);
    p.windows[i].rect = Rect{20, 20, 120, 220};
  }
  ASSERT_EQ(openproject(p), 0);
  ASSERT_EQ(doline("open window \"W2\"\nopen window \"W3\""), 0);
  Rect screen{};
  GetAvailableWindowPositioningBounds(0, &screen);
  for (const drive::WindowInfo& w : drive::windows()) {
    if (w.title != "W2" && w.title != "W3") continue;
    SCOPED_TRACE(w.title);
    EXPECT_NEAR((w.content.left + w.content.right) / 2, (screen.left + screen.right) / 2, 1);
    EXPECT_NEAR((w.content.top + w.content.bottom) / 2, (screen.top + screen.bottom) / 2, 1);
  }

  // A palette larger than the drawing bounds is held to them.
  testproject::Project big = withwindows({6});
  const Rect off{0, 0, 500, 700};
  SetOffScreenBounds(off);
  big.windows[1].rect = Rect{40, 40, 940, 1240};
  ASSERT_EQ(openproject(big, "big.kv45"), 0);
  ASSERT_EQ(doline("open window \"W2\""), 0);
  Rect content{};
  GetWindowBounds(current().window, kWindowContentRgn, &content);
  EXPECT_LE(content.right - content.left, off.right - off.left);
  EXPECT_LE(content.bottom - content.top, off.bottom - off.top);
}

TEST_F(WindowOpeningTest, GoingToAnotherCardLeavesNoSelection) {
  testproject::Project p = project();
  testproject::Object line;
  line.kind = testproject::Object::graphic;
  line.style = 100;
  line.name = "L";
  p.windows[0].backgrounds[0].objects.push_back(line);
  p.windows[0].cards.push_back(p.windows[0].cards[0]);
  p.windows[0].cards[1].name = "Second";
  ASSERT_EQ(openproject(p), 0);
  ASSERT_EQ(doline("choose pointer tool\nselect background graphic \"L\""), 0);
  ASSERT_NE(spotat(current().backspots, 0).selected, knobsnone);
  ASSERT_EQ(doline("go next card"), 0);
  EXPECT_EQ(spotat(current().backspots, 0).selected, knobsnone);
}

TEST_F(WindowOpeningTest, ADialogWindowEndsTheEditingOfAField) {
  testproject::Project p = withwindows({3});
  testproject::Object f;
  f.kind = testproject::Object::field;
  f.name = "F";
  f.rect = Rect{60, 10, 100, 200};
  p.windows[0].cards[0].objects.push_back(f);
  ASSERT_EQ(openproject(p), 0);
  const WindowRef main = current().window;
  ASSERT_EQ(doline("click at 50,80"), 0);
  ASSERT_GE(mainglobals().openfield, 0) << "the field is open for typing";
  ASSERT_EQ(doline("type \"kept\""), 0);
  ASSERT_EQ(doline("open window \"W2\""), 0);
  EXPECT_LT(mainglobals().openfield, 0) << "closed before the dialog window opened";
  ASSERT_EQ(doline("close window \"W2\""), 0);
  ASSERT_EQ(current().window, main);
  EXPECT_EQ(cardvalue("card field \"F\""), "kept");
}

TEST_F(WindowOpeningTest, NoSheetOutlivesItsWindowsCard) {
  ASSERT_EQ(openproject(withwindows({0})), 0);
  ASSERT_EQ(doline("alert sheet \"x\" with \"OK\""), 0);
  ASSERT_EQ(count(kSheetAlertWindowClass), 1);
  ASSERT_EQ(doline("go window \"W2\""), 0);
  EXPECT_EQ(count(kSheetAlertWindowClass), 0) << "leaving the window takes its sheet down";
  ASSERT_EQ(doline("open window \"Main\"\nalert sheet \"y\" with \"OK\""), 0);
  ASSERT_EQ(count(kSheetAlertWindowClass), 1);
  ASSERT_GE(mainglobals().numwinds, 2);
  WindowRef sheet = nilid, parent = nilid;
  for (const drive::WindowInfo& w : drive::windows())
    if (w.windowclass == kSheetAlertWindowClass) sheet = w.window;
  GetSheetWindowParent(sheet, &parent);
  Str255 title{};
  GetWTitle(parent, title);
  ASSERT_EQ(doline("close window \"" + std::string(reinterpret_cast<const char*>(title + 1), title[0]) + "\""), 0);
  ASSERT_FALSE(IsValidWindowPtr(parent));
  EXPECT_EQ(count(kSheetAlertWindowClass), 0) << "closing the window takes its sheet down";
}

}  // namespace
}  // namespace kv
