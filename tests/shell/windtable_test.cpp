// The window table and the window-list queries: lookups by window and serial, writing back,
// removal order, growth failure, the front project window, the layers, sending behind, and
// the lookups by project of windows and menus.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/lookups.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "system/windowkind.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class WindTableTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
  }
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  // A window of a runtime kind, shown or hidden.
  WindowRef window(i16 kind, bool visible = true, WindowClass c = kDocumentWindowClass) {
    Rect r{100, 100, 300, 400};
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(c, kWindowStandardDocumentAttributes, &r, &w), noErr);
    SetWindowKind(w, kind);
    if (visible) ShowWindow(w);
    return w;
  }
  desk deskof(WindowRef w, u64 serial, RegistryId store = 0x0F010001, u32 windnum = 1) {
    desk d{};
    d.window = w;
    d.serial = serial;
    d.store = store;
    d.windnum = windnum;
    d.cardnum = u32(serial);
    return d;
  }
  static i16 count() { return mainglobals().numwinds; }
};

// Random additions, removals, write-backs and window replacements against a list: the table
// holds the list's entries in order, and every lookup by window and by serial answers as the
// list does (unknown windows and serials find nothing and change nothing).
TEST_F(WindTableTest, TheTableFollowsAListOfEntries) {
  std::mt19937 rng(83);
  std::vector<WindowRef> windows;
  for (int i = 0; i < 12; ++i) windows.push_back(window(kindprojectwindow));
  struct entry {
    WindowRef window;
    u64 serial;
    i16 tool;
  };
  std::vector<entry> model;
  u64 serials = 0;
  auto find = [&](WindowRef w) {
    return std::find_if(model.begin(), model.end(), [w](const entry& e) { return e.window == w; });
  };
  for (int step = 0; step < 600; ++step) {
    WindowRef w = windows[rng() % windows.size()];
    auto at = find(w);
    switch (rng() % 4) {
      case 0:
        if (at == model.end()) {
          ASSERT_EQ(addwind(deskof(w, ++serials)), 0);
          model.push_back({w, serials, 0});
        }
        break;
      case 1:
        EXPECT_EQ(dumpwind(w), at == model.end() ? 0 : 1);
        if (at != model.end()) model.erase(at);
        break;
      case 2: {
        desk d = deskof(w, at == model.end() ? 0 : at->serial);
        d.tool = i16(step);
        EXPECT_EQ(putwind(w, d), at == model.end() ? 0 : 1);
        if (at != model.end()) at->tool = i16(step);
        break;
      }
      default: {
        WindowRef other = windows[rng() % windows.size()];
        if (find(other) != model.end()) break;
        EXPECT_EQ(putwindowref(w, other), at == model.end() ? 0 : 1);
        if (at != model.end()) at->window = other;
      }
    }
    ASSERT_EQ(count(), i16(model.size()));
    for (std::size_t i = 0; i < model.size(); ++i) {
      const desk& d = HandleAs<desk>(mainglobals().winds)[i];
      ASSERT_EQ(d.window, model[i].window) << step;
      EXPECT_EQ(d.serial, model[i].serial);
      EXPECT_EQ(d.tool, model[i].tool);
    }
    desk out{};
    out.cardnum = 77;
    WindowRef probe = windows[rng() % windows.size()];
    auto known = find(probe);
    EXPECT_EQ(getwind(probe, &out), known == model.end() ? 0 : 1);
    u64 serial = rng() % (serials + 2);
    bool listed = std::any_of(model.begin(), model.end(), [serial](const entry& e) { return e.serial == serial; });
    EXPECT_EQ(getflip(serial, &out), listed ? 1 : 0);
  }
}

TEST_F(WindTableTest, NullWindowFindsNothingEvenWhenAnEntryHoldsOne) {
  ASSERT_EQ(addwind(deskof(nilid, 3)), 0);
  desk out{};
  EXPECT_EQ(getwind(nilid, &out), 0);
  EXPECT_EQ(getflip(3, &out), 1) << "the serial still finds it";
}

TEST_F(WindTableTest, GrowthFailureLeavesTheTableAndAnswers37) {
  WindowRef a = window(kindprojectwindow), b = window(kindprojectwindow);
  ASSERT_EQ(addwind(deskof(a, 1)), 0);
  HLock(mainglobals().winds);
  failallocationafter(1);
  EXPECT_EQ(addwind(deskof(b, 2)), 37);
  failallocationafter(0);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(GetHandleSize(mainglobals().winds), Size(sizeof(desk)));
  desk out{};
  EXPECT_EQ(getwind(b, &out), 0);
  ASSERT_EQ(addwind(deskof(b, 2)), 0);
  EXPECT_EQ(HGetState(mainglobals().winds) & 0x80, 0x80) << "the lock state is kept";
  HUnlock(mainglobals().winds);
}

TEST_F(WindTableTest, ACountLargerThanTheHandleIsNotReadPastItsEnd) {
  ASSERT_EQ(addwind(deskof(window(kindprojectwindow), 1)), 0);
  mainglobals().numwinds = 5;
  desk out{};
  EXPECT_EQ(getflip(99, &out), 0);
  mainglobals().numwinds = -3;
  EXPECT_EQ(getflip(1, &out), 0) << "a negative count finds nothing";
  mainglobals().numwinds = 1;
}

TEST_F(WindTableTest, TopWindowPrefersVisibleDocumentThenVisiblePalette) {
  WindowRef out = 5;
  EXPECT_EQ(topwindow(&out), 0);
  EXPECT_EQ(out, nilid);
  WindowRef hiddendoc = window(kindprojectwindow, false);
  WindowRef palette = window(kindpalettewindow, true, kFloatingWindowClass);
  window(kindmessagebox, true, kFloatingWindowClass);
  EXPECT_NE(topwindow(&out), 0);
  EXPECT_EQ(out, palette);
  HideWindow(palette);
  EXPECT_NE(topwindow(&out), 0);
  EXPECT_EQ(out, hiddendoc) << "with only hidden windows the front hidden document";
  WindowRef shown = window(kindprojectwindow, true);
  SendBehind(shown, nilid);
  EXPECT_NE(topwindow(&out), 0);
  EXPECT_EQ(out, shown) << "a visible document behind a hidden one still wins";
}

TEST_F(WindTableTest, LocateWindowsFindsTheLayers) {
  WindowRef fd = 1, ld = 1, ff = 1, lf = 1;
  locatewindows(&fd, &ld, &ff, &lf);
  EXPECT_EQ(fd | ld | ff | lf, nilid);
  WindowRef doc = window(kindprojectwindow);
  window(kindxwindow - 20);  // a window of no runtime kind
  locatewindows(&fd, &ld, &ff, &lf);
  EXPECT_EQ(fd, doc);
  EXPECT_EQ(ld, doc);
  EXPECT_EQ(ff, nilid);
  WindowRef doc2 = window(kindprojectwindow);
  WindowRef msg = window(kindmessagebox, true, kFloatingWindowClass);
  WindowRef pal = window(kindpalettewindow, false, kFloatingWindowClass);
  locatewindows(&fd, &ld, &ff, &lf);
  EXPECT_EQ(fd, doc2);
  EXPECT_EQ(ld, doc);
  EXPECT_EQ(ff, pal);
  EXPECT_EQ(lf, msg);
}

TEST_F(WindTableTest, SendBehindMovesTheWindowAndSkipsOneAlreadyBehind) {
  WindowRef back = window(kindprojectwindow), front = window(kindprojectwindow);
  ASSERT_EQ(GetWindowList(), front);
  sendbehind(front, back);
  EXPECT_EQ(GetWindowList(), back);
  EXPECT_EQ(GetNextWindow(back), front);
  sendbehind(front, back);  // already there: nothing changes
  EXPECT_EQ(GetNextWindow(back), front);
  sendbehind(back, nilid);
  EXPECT_EQ(GetWindowList(), front);
}

TEST_F(WindTableTest, RedrawBehindAsksEveryWindowForItsCardArea) {
  WindowRef a = window(kindprojectwindow), b = window(kindprojectwindow);
  ASSERT_EQ(addwind(deskof(a, 1)), 0);
  ASSERT_EQ(addwind(deskof(b, 2)), 0);
  takeredraws();
  redrawbehind();
  auto r = takeredraws();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].window, a);
  EXPECT_EQ(r[1].window, b);
  EXPECT_EQ(r[0].area.bottom, 200);
  EXPECT_EQ(r[0].area.right, 300);
}

TEST_F(WindTableTest, SheetFlagIsClearedOnce) {
  desk d{};
  d.sheetflags = kSheetAttached | 4;
  GetRidOfThatSheetNow(&d);
  EXPECT_EQ(d.sheetflags, 4);
  GetRidOfThatSheetNow(nullptr);
}

// Acceptance: haswind skips a desk whose window is no longer valid and finds a later one.
TEST_F(WindTableTest, HasWindSkipsADeskWhoseWindowIsGone) {
  constexpr RegistryId store = 0x0F010001, other = 0x0F010002;
  WindowRef gone = window(kindprojectwindow), live = window(kindprojectwindow), elsewhere = window(kindprojectwindow);
  ASSERT_EQ(addwind(deskof(elsewhere, 1, other, 2)), 0);
  ASSERT_EQ(addwind(deskof(gone, 2, store, 2)), 0);
  ASSERT_EQ(addwind(deskof(live, 3, store, 2)), 0);
  DisposeWindow(gone);
  desk out{};
  ASSERT_TRUE(haswind(store, 2, &out));
  EXPECT_EQ(out.window, live);
  EXPECT_FALSE(haswind(store, 1, &out));
  EXPECT_EQ(totwind(store), 2);
  EXPECT_EQ(totwind(other), 1);
  EXPECT_EQ(totwind(0x0F010003), 0);
}

// Menus are found by their number in the project's menu library, not by their menu id.
TEST_F(WindTableTest, HasMenuIsKeyedByMenuNumber) {
  constexpr RegistryId store = 0x0F010001;
  MainGlobals& g = mainglobals();
  menuline lines[2] = {};
  lines[0] = menuline{store, nilhandle, 1, 40, 128, nilhandle, nilhandle, 0, 0, 5, 1};
  lines[1] = menuline{store, nilhandle, 2, 41, 1, nilhandle, nilhandle, 0, 0, 5, 2};
  g.menuSet = 3;
  ASSERT_EQ(PtrAndHand(lines, g.menusets[3].lines, sizeof lines), noErr);
  g.menusets[3].count = 2;
  menuline out{};
  i32 index = -1;
  ASSERT_TRUE(hasmenu(store, 2, &out, &index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(out.menurecid, 41u);
  EXPECT_FALSE(hasmenu(store, 128, &out, &index)) << "the menu id is not the key";
  EXPECT_FALSE(hasmenu(0x0F010002, 1, &out, &index));
  g.menuSet = 0;
  EXPECT_FALSE(hasmenu(store, 1, &out, &index)) << "only the current set counts";
}

TEST_F(WindTableTest, AddirCountsUsesOfAKnownFolder) {
  ASSERT_EQ(addir(-1, 20), 0);
  ASSERT_EQ(addir(-1, 21), 0);
  ASSERT_EQ(addir(-1, 20), 0);
  ASSERT_EQ(addir(2, 20), 0);
  Handle list = mainglobals().dirlist;
  ASSERT_EQ(HandleCount<dirlistentry>(list), 3);
  const dirlistentry* e = HandleAs<dirlistentry>(list);
  EXPECT_EQ(e[0].uses, 2u);
  EXPECT_EQ(e[1].uses, 1u);
  EXPECT_EQ(e[2].volume, 2);
  failallocationafter(1);
  EXPECT_EQ(addir(3, 3), 37);
  failallocationafter(0);
  EXPECT_EQ(HandleCount<dirlistentry>(mainglobals().dirlist), 3);
}

}  // namespace
}  // namespace kv
