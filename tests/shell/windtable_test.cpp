// The window table and the window-list queries: lookups by window and serial, writing back,
// removal order, growth failure, the front project window, the layers, sending behind, and
// the lookups by project of windows and menus.
#include <gtest/gtest.h>

#include "engine/lookups.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/windows/windows.h"
#include "shell/mainglobals.h"
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

TEST_F(WindTableTest, EmptyTableFindsNothingAndChangesNothing) {
  desk d{};
  d.cardnum = 77;
  desk out = d;
  EXPECT_EQ(getwind(window(kindprojectwindow), &out), 0);
  EXPECT_EQ(getflip(5, &out), 0);
  EXPECT_EQ(putwind(1, d), 0);
  EXPECT_EQ(putwindowref(1, 2), 0);
  EXPECT_EQ(dumpwind(1), 0);
  EXPECT_EQ(out.cardnum, 77u);
  EXPECT_EQ(count(), 0);
}

TEST_F(WindTableTest, EntriesAreFoundByWindowAndBySerialAndWrittenBack) {
  WindowRef a = window(kindprojectwindow), b = window(kindprojectwindow);
  ASSERT_EQ(addwind(deskof(a, 10)), 0);
  ASSERT_EQ(addwind(deskof(b, 11)), 0);
  EXPECT_EQ(count(), 2);
  desk out{};
  ASSERT_EQ(getwind(b, &out), 1);
  EXPECT_EQ(out.serial, 11u);
  ASSERT_EQ(getflip(10, &out), 1);
  EXPECT_EQ(out.window, a);
  out.tool = 605;
  ASSERT_EQ(putwind(a, out), 1);
  desk again{};
  ASSERT_EQ(getwind(a, &again), 1);
  EXPECT_EQ(again.tool, 605);
  // Recreated in place: only the window changes.
  WindowRef c = window(kindprojectwindow);
  ASSERT_EQ(putwindowref(a, c), 1);
  EXPECT_EQ(getwind(a, &again), 0);
  ASSERT_EQ(getwind(c, &again), 1);
  EXPECT_EQ(again.tool, 605);
  EXPECT_EQ(again.serial, 10u);
}

TEST_F(WindTableTest, NullWindowFindsNothingEvenWhenAnEntryHoldsOne) {
  ASSERT_EQ(addwind(deskof(nilid, 3)), 0);
  desk out{};
  EXPECT_EQ(getwind(nilid, &out), 0);
  EXPECT_EQ(getflip(3, &out), 1) << "the serial still finds it";
}

TEST_F(WindTableTest, RemovingTheMiddleEntryKeepsTheOrderOfTheRest) {
  WindowRef a = window(kindprojectwindow), b = window(kindprojectwindow), c = window(kindprojectwindow);
  for (auto [w, s] : {std::pair{a, 1}, {b, 2}, {c, 3}}) ASSERT_EQ(addwind(deskof(w, u64(s))), 0);
  ASSERT_EQ(dumpwind(b), 1);
  EXPECT_EQ(count(), 2);
  EXPECT_EQ(GetHandleSize(mainglobals().winds), Size(2 * sizeof(desk)));
  EXPECT_EQ(HandleAs<desk>(mainglobals().winds)[0].window, a);
  EXPECT_EQ(HandleAs<desk>(mainglobals().winds)[1].window, c);
  EXPECT_EQ(dumpwind(b), 0);
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
