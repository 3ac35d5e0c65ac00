// Cursors set by scripts: the theme words, resources of the project and of the shared project,
// the busy cursor that turns while a handler runs, and the default-cursor slot.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/textutil.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "properties/resourcescursors.h"
#include "core/mainglobals.h"
#include "store/byteorder.h"
#include "tests/properties/proptest.h"
#include "properties/cursors.h"

namespace kv {
namespace {

// A stored cursor: image rows `row` each, a full mask, and the hot spot bytes given.
std::vector<u8> storedcursor(u8 row, std::vector<u8> hotspot) {
  std::vector<u8> bytes(64, 0);
  for (int i = 0; i < 32; ++i) bytes[size_t(i)] = row;
  for (int i = 32; i < 64; ++i) bytes[size_t(i)] = 0xFF;
  bytes.insert(bytes.end(), hotspot.begin(), hotspot.end());
  return bytes;
}

bool samecursor(const Cursor& a, const Cursor& b) { return std::memcmp(&a, &b, sizeof(Cursor)) == 0; }

class CursorTest : public PropertyTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = project();
    p.resources = {{fourcc("CURS"), "Spot", storedcursor(0x11, {0, 5, 0, 3}), 200},
                   {fourcc("CURS"), "Short", std::vector<u8>(40, 0), 201}};
    build(p);
    testproject::Project s = testproject::small();
    s.resources = {{fourcc("CURS"), "Pointer", storedcursor(0x22, {0, 1, 0, 2}), 300}};
    openshared(s);
    ASSERT_EQ(open(), 0);
  }
  static std::string result15() { return std::string(pstringview(resultstr(15))); }
};

TEST_F(CursorTest, ThemeWordsResourcesAndHiding) {
  ASSERT_EQ(setline("set the cursor to watch"), 0);
  EXPECT_TRUE(samecursor(currentcursor(), *themecursor(kThemeWatchCursor)));
  ASSERT_EQ(setline("set the cursor to 0"), 0);
  EXPECT_FALSE(cursorvisible());
  ASSERT_EQ(setline("set the cursor to none"), 0);
  EXPECT_FALSE(cursorvisible());
  ASSERT_EQ(setline("set the cursor to hand"), 0);
  EXPECT_TRUE(cursorvisible()) << "hidden twice by the property, shown by one cursor";
  EXPECT_TRUE(samecursor(currentcursor(), *themecursor(kThemePointingHandCursor)));
  // Only the shared project holds it.
  ASSERT_EQ(setline("set the cursor to \"Pointer\""), 0);
  EXPECT_EQ(currentcursor().data.v[0], 0x2222);
  EXPECT_EQ(currentcursor().hotSpot.v, 1);
  EXPECT_EQ(currentcursor().hotSpot.h, 2);
  ASSERT_EQ(setline("set the cursor to 200"), 0);
  EXPECT_EQ(currentcursor().data.v[0], 0x1111);
  setrows({{"set the cursor to \"nosuch\"", "the result", result15()},
           {"set the cursor to 201", "the result", result15()}});  // too short to be a cursor
  EXPECT_EQ(currentcursor().data.v[0], 0x1111) << "a cursor not found changes nothing";
}

TEST_F(CursorTest, TheBusyCursorTurnsWhileAHandlerRuns) {
  ASSERT_EQ(setline("set the cursor to busy"), 0);
  EXPECT_TRUE(samecursor(currentcursor(), *themecursor(kThemeSpinningCursor)));
  const u32 counter = scriptcursorstate().cursorcounter, start = TickCount();
  ASSERT_EQ(run("put 0 into n\nrepeat 50000 times\nadd 1 to n\nend repeat"), 0);
  ASSERT_GE(TickCount() - start, 100u);
  ASSERT_LT(TickCount() - start, 120u);
  EXPECT_EQ(scriptcursorstate().cursorcounter - counter, 3u) << "a step every 30 ticks";
  EXPECT_FALSE(samecursor(currentcursor(), *themecursor(kThemeSpinningCursor))) << "the frame moved on";
  ASSERT_EQ(setline("set the cursor to arrow"), 0);
  const u32 stopped = scriptcursorstate().cursorcounter;
  ASSERT_EQ(run("put 0 into n\nrepeat 50000 times\nadd 1 to n\nend repeat"), 0);
  EXPECT_EQ(scriptcursorstate().cursorcounter, stopped);
  EXPECT_TRUE(samecursor(currentcursor(), arrowcursor()));
}

TEST_F(CursorTest, TheDefaultCursorSlot) {
  MainGlobals& g = mainglobals();
  ASSERT_EQ(setline("set the defaultCursor to arrow"), 0);
  EXPECT_EQ(g.defaultcursor, kArrowCursorMarker);
  ASSERT_EQ(setline("set the defaultCursor to empty"), 0);
  EXPECT_EQ(g.defaultcursor, nilhandle);
  ASSERT_EQ(setline("set the defaultCursor to 200"), 0);
  const Handle first = g.defaultcursor;
  ASSERT_TRUE(IsValidHandle(first));
  ASSERT_EQ(GetHandleSize(first), 68);
  const u8* p = deref(first);
  EXPECT_EQ(p[0], 0x11);
  const Point hot = loadat<Point>(p + 64);
  EXPECT_EQ(hot.v, 5);
  EXPECT_EQ(hot.h, 3);
  ASSERT_EQ(setline("set the defaultCursor to \"Pointer\""), 0);
  EXPECT_FALSE(IsValidHandle(first)) << "the first copy is freed";
  ASSERT_EQ(setline("set the defaultCursor to 0"), 0);
  EXPECT_EQ(g.defaultcursor, nilhandle);
  setrows({{"set the defaultCursor to 999", "the result", result15()}});
  EXPECT_EQ(cardvalue("the defaultCursor"), "error 54");
}

TEST_F(CursorTest, LookupsKeepTheStoredRecord) {
  const RegistryId store = current().store;
  u32 rec = 0;
  Handle copy = nilhandle;
  ASSERT_EQ(lowrez(store, fourcc("CURS"), nullptr, 200, &rec, &copy), 1);
  ASSERT_NE(copy, nilhandle);
  EXPECT_EQ(loadat<Point>(deref(copy) + 64).v, 5);
  DisposeHandle(copy);
  // The record keeps its store-order bytes and is not marked changed.
  EXPECT_FALSE(changed(rec));
  ASSERT_EQ(lowrez(store, fourcc("CURS"), nullptr, 200, &rec, &copy), 1);
  EXPECT_EQ(loadat<Point>(deref(copy) + 64).v, 5) << "a second copy reads the same";
  DisposeHandle(copy);
  // By name: the key, then the name ignoring case; a short cursor is not found.
  Str255 name{};
  setpstring(name, "spot");
  EXPECT_EQ(findrez(store, fourcc("CURS"), name, &rec), 0);
  setpstring(name, "spots");
  EXPECT_EQ(findrez(store, fourcc("CURS"), name, &rec), 1);
  setpstring(name, "201");
  EXPECT_EQ(findrez(store, fourcc("CURS"), name, &rec), 1);
  setpstring(name, "Pointer");
  EXPECT_EQ(findrez(store, fourcc("CURS"), name, &rec), 0) << "the shared project's";
  EXPECT_EQ(findrez(nilid, fourcc("CURS"), name, &rec), 0);
}

std::string textof(Handle h) { return std::string(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h))); }

TEST_F(CursorTest, PathsWholeAndThroughLinks) {
  namespace fs = std::filesystem;
  const std::string root = home->path();
  // A folder name long enough that the whole path passes 255 bytes.
  const std::string deep = root + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  fs::create_directories(deep);
  std::ofstream(deep + "/a.txt") << "x";
  u32 dirid = 0;
  ASSERT_EQ(folderidofpath(deep, &dirid), noErr);
  FSSpec spec{kBootVolume, dirid, {}};
  spec.name[0] = 5;
  std::memcpy(spec.name + 1, "a.txt", 5);
  i32 length = 0;
  Handle path = nilhandle;
  ASSERT_EQ(FSpGetFullPath(spec, &length, &path), noErr);
  EXPECT_EQ(textof(path), fs::canonical(deep).string() + "/a.txt") << "never cut short";
  EXPECT_EQ(length, GetHandleSize(path));
  DisposeHandle(path);
  fs::create_symlink(deep + "/a.txt", root + "/l2");
  fs::create_symlink(root + "/l2", root + "/l1");
  fs::create_symlink(root + "/nowhere", root + "/dangling");
  struct row {
    std::string given, expected;
    OSErr status;
  };
  for (const row& r : {row{root + "/l1", fs::canonical(deep).string() + "/a.txt", noErr},
                       row{deep + "/a.txt", deep + "/a.txt", noErr}, row{root + "/dangling", "", fnfErr}}) {
    SCOPED_TRACE(r.given);
    Handle h = nilhandle;
    ASSERT_EQ(PtrToHand(r.given.data(), &h, Size(r.given.size())), noErr);
    EXPECT_EQ(resolvenamethrualias(h), r.status);
    EXPECT_EQ(textof(h), r.expected);
    DisposeHandle(h);
  }
}

}  // namespace
}  // namespace kv
