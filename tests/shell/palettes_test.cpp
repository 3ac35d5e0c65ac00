// Palette windows hiding and showing with the program, their opacity under the mouse, the
// colour palette of the front window, and the colour tables of projects.
#include <gtest/gtest.h>

#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/testing/driver.h"
#include "platform/text/pstring.h"
#include "platform/windows/palettes.h"
#include "properties/latentvis.h"
#include "core/mainglobals.h"
#include "shell/palettes.h"
#include "shell/portroutines.h"
#include "shell/windowstyle.h"
#include "shell/windtable.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/starfile.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

class PaletteTest : public EventLoopTest {
 protected:
  // The logging project with a palette as window 2 (content 120,700 to 220,800).
  static testproject::Project withpalette(u32 flags = 0) {
    testproject::Project p = project();
    testproject::Window pal = p.windows[0];
    pal.name = "Tools";
    pal.style = kStylePalette;
    pal.flags = flags;
    pal.rect = Rect{120, 700, 220, 800};
    p.windows.push_back(pal);
    return p;
  }
  // Opens the document window and then the palette: the palette's window.
  WindowRef openboth(u32 flags = 0) {
    EXPECT_EQ(openproject(withpalette(flags)), 0);
    EXPECT_EQ(open("p.kv45", 2), 0);
    return current().window;
  }
  u32 recordflags(WindowRef w) {
    desk d{};
    getwind(w, &d);
    return loadat<windrec>(deref(d.wind)).flags;
  }
  void setrecordflags(WindowRef w, u32 flags) {
    desk d{};
    getwind(w, &d);
    windrec r = loadat<windrec>(deref(d.wind));
    r.flags = flags;
    storeat<windrec>(deref(d.wind), r);
  }
  float alpha(WindowRef w) {
    float a = 0;
    GetWindowAlpha(w, &a);
    return a;
  }
};

TEST_F(PaletteTest, PalettesHideWhileTheProgramIsBehind) {
  const WindowRef pal = openboth();
  ASSERT_TRUE(IsWindowVisible(pal));
  drive::suspend();
  settle();
  EXPECT_FALSE(IsWindowVisible(pal));
  EXPECT_EQ(getwindowlatentvis(pal), 1);
  EXPECT_TRUE(recordflags(pal) & kWindFlagVisible);
  drive::resume();
  settle();
  EXPECT_TRUE(IsWindowVisible(pal));
  EXPECT_EQ(getwindowlatentvis(pal), 0);

  // One that a script hid (bit 11 clear) stays hidden.
  HideWindow(pal);
  setrecordflags(pal, recordflags(pal) & ~kWindFlagVisible);
  drive::suspend();
  drive::resume();
  settle();
  EXPECT_FALSE(IsWindowVisible(pal));
}

TEST_F(PaletteTest, APaletteOpenedBehindStaysHiddenAndDontHidePalettesKeepsThem) {
  ASSERT_EQ(openproject(withpalette()), 0);
  drive::suspend();
  settle();
  ASSERT_EQ(open("p.kv45", 2), 0);
  EXPECT_FALSE(IsWindowVisible(current().window));
  drive::resume();
  settle();

  mainglobals().dontHidePalettes = 1;
  const WindowRef pal = current().window;
  ShowWindow(pal);
  drive::suspend();
  settle();
  EXPECT_TRUE(IsWindowVisible(pal));
}

TEST_F(PaletteTest, AGlobalOpacityPaletteIsOpaqueUnderTheMouse) {
  const WindowRef pal = openboth(kWindFlagGlobalOpacity);
  mainglobals().paletteOpacity = 40;
  drive::moveTo(Point{150, 750});
  settle();
  EXPECT_FLOAT_EQ(alpha(pal), 1.0f);
  drive::moveTo(Point{400, 300});
  settle();
  EXPECT_FLOAT_EQ(alpha(pal), 0.6f);
}

class ColourPaletteTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    MainGlobals& g = mainglobals();
    g.colorWorld = 1;
    if (!IsValidPalette(g.palette)) g.palette = NewPalette(256, nilhandle, pmTolerant, 0);
  }
  void modes(u16 card, u16 back) {
    cardrec c = loadat<cardrec>(deref(current().card));
    c.word14 = card;
    storeat<cardrec>(deref(current().card), c);
    backrec b = loadat<backrec>(deref(current().back));
    b.word14 = back;
    storeat<backrec>(deref(current().back), b);
  }
  std::pair<i16, i16> usage() {
    i16 u = -1, t = -1;
    GetEntryUsage(mainglobals().palette, 0, &u, &t);
    return {u, t};
  }
  RGBColor entry(i16 i) {
    RGBColor c{};
    GetEntryColor(mainglobals().palette, i, &c);
    return c;
  }
  RGBColor screenentry(i32 i) {
    RGBColor c{};
    ctableentry(devicetable(GetMainDevice()), i, &c);
    return c;
  }
};

const RGBColor kRed{0xFFFF, 0, 0};

TEST_F(ColourPaletteTest, ThePaletteFollowsTheCardOrBackgroundTable) {
  ASSERT_EQ(openproject(), 0);
  ASSERT_NE(current().backclut, nilhandle);
  setctableentry(current().backclut, 5, kRed);
  modes(3, 1);
  buildpalette();
  EXPECT_EQ(entry(5), kRed) << "the background's table";
  EXPECT_EQ(usage(), (std::pair<i16, i16>{pmTolerant, 4096}));
  modes(4, 4);
  buildpalette();
  EXPECT_EQ(usage(), (std::pair<i16, i16>{pmCourteous, 0}));
  EXPECT_FALSE(entry(5) == kRed) << "the card's table";

  mainglobals().colorWorld = 0;
  modes(1, 2);
  buildpalette();
  EXPECT_EQ(usage(), (std::pair<i16, i16>{pmCourteous, 0})) << "nothing without colorWorld";
}

TEST_F(ColourPaletteTest, AnIndexedScreenShowsTheNewTableOnlyWhenItChanged) {
  drive::setscreendepth(8);
  ASSERT_EQ(openproject(), 0);
  MainGlobals& g = mainglobals();
  g.allowPalettes = 0;
  setctableentry(current().cardclut, 5, kRed);
  modes(0, 0);
  buildpalette();
  EXPECT_EQ(screenentry(5), kRed);
  const RGBColor blue{0, 0, 0xFFFF};
  const ColorSpec poke{5, blue};
  SetEntries(5, 0, &poke);
  buildpalette();
  EXPECT_EQ(screenentry(5), blue) << "the same table and mode rebuild nothing";

  // A table of two colours sets two entries of the screen only.
  desk& d = mainglobals().current;
  DisposeCTable(d.cardclut);
  d.cardclut = NewCTable(2);
  putwind(d.window, d);
  modes(2, 2);
  buildpalette();
  EXPECT_EQ(screenentry(5), blue);

  // Through the palette: every entry of the card's table red, the card's white shows red.
  g.allowPalettes = 1;
  Rect c{};
  GetWindowBounds(current().window, kWindowContentRgn, &c);
  const Point inside{i16(c.top + 200), i16(c.left + 300)};
  const u32 before = drive::screenpixel(inside);
  DisposeCTable(d.cardclut);
  d.cardclut = NewCTable(256);
  putwind(d.window, d);
  for (i32 i = 0; i < 256; ++i) setctableentry(d.cardclut, i, RGBColor{u16(0x8000 + i * 127), 0, 0});
  modes(1, 1);
  buildpalette();
  EXPECT_NE(drive::screenpixel(inside), before);
}

// A tolerant palette leaves a screen entry that is already near enough: within the tolerance
// of 4096 (mode 1) in every component; a farther one takes the palette's colour.
TEST_F(ColourPaletteTest, ATolerantPaletteKeepsScreenColoursWithinItsTolerance) {
  drive::setscreendepth(8);
  ASSERT_EQ(openproject(), 0);
  mainglobals().allowPalettes = 1;
  desk& d = mainglobals().current;
  DisposeCTable(d.cardclut);
  d.cardclut = NewCTable(3);
  putwind(d.window, d);
  const RGBColor screen[3] = {{0x8000, 0x8000, 0x8000}, {0x8000, 0x8000, 0x8000}, {0x8000, 0x8000, 0x8000}};
  const RGBColor wanted[3] = {{0x8800, 0x7800, 0x8000}, {0x9100, 0x8000, 0x8000}, {0x8000, 0x8000, 0x8000}};
  for (i16 i = 0; i < 3; ++i) {
    const ColorSpec poke{i, screen[i]};
    SetEntries(i, 0, &poke);
    setctableentry(d.cardclut, i, wanted[i]);
  }
  modes(1, 1);
  buildpalette();
  EXPECT_EQ(screenentry(0), screen[0]) << "2048 away: kept";
  EXPECT_EQ(screenentry(1), wanted[1]) << "4352 away: replaced";
  EXPECT_EQ(screenentry(2), wanted[2]);
}

class ColourTableTest : public EventLoopTest {
 protected:
  // A stored colour table (big-endian) of these colours, its count claiming `extra` more.
  static std::vector<u8> clut(std::vector<RGBColor> colours, u16 extra = 0) {
    std::vector<u8> out{0, 0, 0, 7, 0, 0};
    auto put = [&](u16 v) {
      out.push_back(u8(v >> 8));
      out.push_back(u8(v));
    };
    put(u16(colours.size() - 1 + extra));
    for (std::size_t i = 0; i < colours.size(); ++i) {
      put(u16(i));
      put(colours[i].red), put(colours[i].green), put(colours[i].blue);
    }
    return out;
  }
  static testproject::Resource resource(std::vector<u8> data) { return {fourcc("clut"), "", std::move(data)}; }
};

TEST_F(ColourTableTest, ProjectTablesSharedTablesAndTheDefault) {
  mainglobals().colorWorld = 1;
  testproject::Project p = project();
  p.resources = {resource(clut({kRed, {0, 0xFFFF, 0}})), resource(clut({kRed}, 3))};
  testproject::Project shared = project();
  shared.resources = {resource({}), resource({}), resource(clut({{1, 2, 3}}))};
  build(shared, "shared.kv45");
  ASSERT_EQ(openproject(p), 0);

  Handle h = nilhandle;
  ASSERT_EQ(getclut(current().store, 100, &h), 0);
  EXPECT_EQ(ctablecount(h), 2);
  RGBColor c{};
  ctableentry(h, 1, &c);
  EXPECT_EQ(c, (RGBColor{0, 0xFFFF, 0}));
  EXPECT_NE(loadat<ColorTableHeader>(deref(h)).ctSeed, 7u) << "a fresh seed";
  DisposeHandle(h);

  // A count that runs past the record: the default table of a 32-bit screen (1000).
  ASSERT_EQ(getclut(current().store, 101, &h), 0);
  CTabHandle standard = GetCTable(8);
  EXPECT_EQ(ctablecount(h), 256);
  for (i32 i = 0; i < 256; ++i) {
    RGBColor a{}, b{};
    ctableentry(h, i, &a);
    ctableentry(standard, i, &b);
    ASSERT_EQ(a, b) << i;
  }
  DisposeCTable(standard);
  DisposeHandle(h);

  RegistryId s = newprojectstore();
  Str255 name{};
  setpstring(name, "shared.kv45");
  ASSERT_EQ(openvir(kBootVolume, dir, name, s), 0);
  mainglobals().sharedstore = s;
  ASSERT_EQ(getclut(current().store, 102, &h), 0);
  ctableentry(h, 0, &c);
  EXPECT_EQ(c, (RGBColor{1, 2, 3})) << "the shared project's";
  DisposeHandle(h);
  mainglobals().sharedstore = nilid;
  ASSERT_EQ(closevir(s), 0);
}

TEST_F(PaletteTest, APaletteHiddenWhileTheProgramIsBehindReadsVisible) {
  const WindowRef pal = openboth();
  drive::suspend();
  settle();
  ASSERT_FALSE(IsWindowVisible(pal));
  EXPECT_EQ(cardvalue("the visible of window \"Tools\""), "true") << "hidden for a time";
  drive::resume();
  settle();
  EXPECT_EQ(cardvalue("the visible of window \"Tools\""), "true");
  HideWindow(pal);
  EXPECT_EQ(cardvalue("the visible of window \"Tools\""), "false") << "hidden while the program is in front";
}

}  // namespace
}  // namespace kv
