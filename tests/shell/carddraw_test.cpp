// The card window's pixels: the card drawn with grey gutters beside it, a redraw limited to a
// rectangle that puts back what it borrowed, every window redrawn, a window redrawn from
// outside, the card drawn into the offscreen world for externals, and a window record's style
// applied to its open window.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "platform/runtime/root.h"
#include "render/carddrawing.h"
#include "render/drawservices.h"
#include "render/offscreen.h"
#include "render/windowclip.h"
#include "shell/cardscroll.h"
#include "shell/drawcase.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windnav.h"
#include "store/objects.h"
#include "tests/support/owned.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u8 kRed = 35, kGreen = 185, kBlue = 210;  // indexes of the standard 8-bit table
constexpr u32 kRedPixel = 0xFF0000, kGreenPixel = 0x00FF00, kBluePixel = 0x0000FF, kGreyPixel = 0xA0A0A0,
              kBlackPixel = 0x000000;

using testproject::paint;

class CardDrawTest : public WindowTest {
 protected:
  void TearDown() override {
    DisposeOffScreen();
    WindowTest::TearDown();
  }
  // A window of a style and content size over a background of a size, with background and
  // card objects; opened.
  void make(u16 style, Point size, Point card, std::vector<Object> back, std::vector<Object> objects = {}) {
    testproject::Project p;
    testproject::Window w;
    w.style = style;
    w.rect = Rect{100, 100, i16(100 + size.v), i16(100 + size.h)};
    testproject::Background b{"B", "", std::move(back)};
    b.width = u16(card.h);
    b.height = u16(card.v);
    w.backgrounds.push_back(b);
    testproject::Card c;
    c.objects = std::move(objects);
    w.cards = {c};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  Frame pixels() { return drive::windowpixels(current().window); }
  static u32 at(const Frame& f, i16 h, i16 v) { return drive::pixelat(f, h, v) & 0xFFFFFF; }
};

TEST_F(CardDrawTest, ACardSmallerThanItsWindowHasGreyGuttersEdgedInBlack) {
  make(4, Point{300, 400}, Point{200, 300}, {paint(Rect{0, 0, 200, 300}, kGreen)});
  drawedit(current(), nullptr);
  const Frame f = pixels();
  EXPECT_EQ(at(f, 301, 100), kGreyPixel);
  EXPECT_EQ(at(f, 100, 201), kGreyPixel);
  EXPECT_EQ(at(f, 399, 299), kGreyPixel);
  EXPECT_EQ(at(f, 300, 250), kGreyPixel) << "the strip below reaches one past the card's width";
  for (i16 v = 0; v <= 200; ++v) EXPECT_EQ(at(f, 300, v), kBlackPixel) << "column 300, row " << v;
  for (i16 h = 0; h <= 300; ++h) EXPECT_EQ(at(f, h, 200), kBlackPixel) << "row 200, column " << h;
  for (i16 v = 0; v < 200; v += 7)
    for (i16 h = 0; h < 300; h += 7) ASSERT_EQ(at(f, h, v), kGreenPixel) << h << "," << v;
}

TEST_F(CardDrawTest, AWindowNoLargerThanItsCardHasNoGrey) {
  make(4, Point{300, 400}, Point{300, 400}, {paint(Rect{0, 0, 150, 200}, kGreen)});
  drawedit(current(), nullptr);
  const Frame f = pixels();
  for (i16 v = 0; v < 300; ++v)
    for (i16 h = 0; h < 400; ++h) ASSERT_NE(at(f, h, v), kGreyPixel) << h << "," << v;
  EXPECT_EQ(at(f, 100, 100), kGreenPixel);
  EXPECT_EQ(at(f, 300, 200), 0xFFFFFFu) << "the rest of the card erased in the window's white";
}

TEST_F(CardDrawTest, ARedrawOfARectangleChangesOnlyWhatLiesNearItAndPutsEverythingBack) {
  // A scrolling window: its interior stops short of the scroll bars.
  make(1, Point{200, 300}, Point{200, 300}, {paint(Rect{20, 20, 60, 100}, kRed), paint(Rect{20, 140, 60, 220}, kBlue)});
  const desk& d = current();
  const Frame before = pixels();
  EXPECT_EQ(at(before, 50, 40), kRedPixel);
  // Both graphics turn green in their records; only the first one's rectangle is redrawn.
  for (i16 i : {0, 1}) {
    spot s = spotat(d.backspots, i);
    s.fillfore = kGreen;
    putspot(d.backspots, i, s);
  }
  // What the caller had: another port current, a clip and a visible region of its own on the
  // window's port, a screen lock.
  OwnedWorld other(32, Rect{0, 0, 10, 10});
  ASSERT_NE(other.get(), nilid);
  SetPortWindowPort(d.window);
  const Rect clip{5, 5, 50, 50};
  ClipRect(&clip);
  NewRegion visible;
  SetRectRgn(visible.get(), 0, 0, 250, 180);
  SetPortVisibleRegion(GetWindowPort(d.window), visible.get());
  SetGWorld(other.get(), 0);
  lockscreen();
  const i32 locks = mainglobals().lockcount;
  const u64 serial = d.serial;

  const Rect area{20, 20, 60, 100};
  drawedit(d, &area);
  const Frame after = pixels();
  Rect grown = area;
  InsetRect(&grown, -3, -3);
  int changed = 0;
  for (i16 v = 0; v < 200; ++v)
    for (i16 h = 0; h < 300; ++h) {
      if (at(before, h, v) == at(after, h, v)) continue;
      ++changed;
      EXPECT_TRUE(PtInRect(Point{v, h}, &grown)) << "changed outside: " << h << "," << v;
    }
  EXPECT_GT(changed, 0);
  EXPECT_EQ(at(after, 50, 40), kGreenPixel);
  EXPECT_EQ(at(after, 180, 40), kBluePixel) << "the second graphic waits for its own redraw";

  EXPECT_EQ(currentportid(), other.get());
  EXPECT_EQ(mainglobals().lockcount, locks);
  EXPECT_EQ(current().serial, serial);
  NewRegion now;
  SetPortWindowPort(d.window);
  GetClip(now.get());
  EXPECT_EQ(regionbounds(now.get()), clip);
  GetPortVisibleRegion(GetWindowPort(d.window), now.get());
  EXPECT_TRUE(EqualRgn(now.get(), visible.get()));

  // A rectangle in the scroll bar's strip lies outside the interior: nothing is drawn there,
  // and it is validated all the same.
  const Rect port{0, 0, 200, 300}, outside{190, 20, 195, 60};
  ValidWindowRect(d.window, &port);
  InvalWindowRect(d.window, &outside);
  drawedit(d, &outside);
  const Frame last = pixels();
  for (i16 v = 0; v < 200; ++v)
    for (i16 h = 0; h < 300; ++h) ASSERT_EQ(at(after, h, v), at(last, h, v)) << h << "," << v;
  GetWindowRegion(d.window, kWindowUpdateRgn, now.get());
  EXPECT_TRUE(EmptyRgn(now.get()));
  EXPECT_EQ(currentportid(), GetWindowPort(d.window));
  EXPECT_EQ(mainglobals().lockcount, locks);
  unlockscreen();
}

TEST_F(CardDrawTest, EveryWindowIsRedrawnLastEntryFirst) {
  draweditall();
  EXPECT_TRUE(takeredraws().empty()) << "no window is open";
  testproject::Project p = testproject::small();
  p.windows.push_back(p.windows[0]);
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  p.windows[2].name = "Third";
  build(p);
  std::vector<WindowRef> opened;
  for (i32 n : {1, 2, 3}) {
    ASSERT_EQ(open("p.kv45", n), 0);
    opened.push_back(current().window);
  }
  takeredraws();
  draweditall();
  const std::vector<redrawrequest> r = takeredraws();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].window, opened[2]);
  EXPECT_EQ(r[1].window, opened[1]);
  EXPECT_EQ(r[2].window, opened[0]);
  for (const redrawrequest& q : r) EXPECT_TRUE(q.whole);
  EXPECT_EQ(current().window, opened[2]) << "the current window stays current";

  // The first window, painted over, is redrawn from outside; the current one stays as it was.
  const desk now = current();
  {
    SavePort saved;
    SetPortWindowPort(opened[0]);
    const Rect all{0, 0, 400, 600};
    const RGBColor red{0xFFFF, 0, 0};
    RGBForeColor(&red);
    PaintRect(&all);
  }
  ASSERT_EQ(drive::pixelat(drive::windowpixels(opened[0]), 200, 200) & 0xFFFFFF, kRedPixel);
  drawframe(opened[0]);
  EXPECT_NE(drive::pixelat(drive::windowpixels(opened[0]), 200, 200) & 0xFFFFFF, kRedPixel);
  EXPECT_EQ(current().window, now.window);
  EXPECT_EQ(current().serial, now.serial);
  EXPECT_EQ(current().cardrecid, now.cardrecid);
  drawframe(nilid);  // nothing
}

TEST_F(CardDrawTest, TheCardImageInTheOffscreenWorldIsTheWindowsInterior) {
  SetOffScreenBounds(Rect{0, 0, 400, 600});
  ASSERT_EQ(CreateOffScreen(32), 1);
  // A scrolling window over a larger card, scrolled: the image follows the scroll.
  make(1, Point{200, 300}, Point{400, 500},
       {paint(Rect{0, 0, 400, 500}, kBlue), paint(Rect{50, 60, 150, 260}, kRed),
        paint(Rect{120, 200, 300, 420}, kGreen)});
  const desk& d = current();
  SetControl32BitValue(d.hscroll, 40);
  SetControl32BitValue(d.vscroll, 30);
  lowclipup();
  drawedit(d, nullptr);
  const Frame window = pixels();

  GWorldPtr world = nilid;
  RgnHandle region = nilid;
  EXPECT_EQ(imagedit(&world, &region), 0);
  ASSERT_EQ(world, GetOffScreenWorld());
  ASSERT_NE(region, nilid);
  OwnedRegion owned(region);
  Rect interior{};
  getinterior(&interior);
  EXPECT_EQ(regionbounds(region), (Rect{0, 0, 185, 285}));
  // Other drawing meanwhile leaves the region as it was handed out.
  drawedit(d, nullptr);
  ASSERT_TRUE(IsValidRgn(region));
  EXPECT_EQ(regionbounds(region), (Rect{0, 0, 185, 285}));

  SavePort saved;
  SetGWorld(world, 0);
  std::set<u32> colours;
  for (i16 v = 0; v < 185; v += 2)
    for (i16 h = 0; h < 285; h += 2) {
      // The grow box's edge lines, drawn over the window after the card, meet on the
      // interior's last pixel.
      if (h == 284 && v == 184) continue;
      RGBColor c{};
      GetCPixel(h, v, &c);
      const u32 xrgb = u32(c.red >> 8) << 16 | u32(c.green >> 8) << 8 | u32(c.blue >> 8);
      ASSERT_EQ(xrgb, at(window, h, v)) << h << "," << v;
      colours.insert(xrgb);
    }
  EXPECT_EQ(colours.size(), 3u) << "all three graphics show";
  // Scrolled by (40, 30): the red graphic's top-left corner (60, 50) shows at (20, 20).
  EXPECT_EQ(at(window, 19, 19), kBluePixel);
  EXPECT_EQ(at(window, 20, 20), kRedPixel);

  // Without a world there is no image.
  DisposeOffScreen();
  EXPECT_EQ(imagedit(&world, &region), 0);
  EXPECT_EQ(world, nilid);
  EXPECT_EQ(region, nilid);
}

TEST_F(CardDrawTest, AStyleChangeIsAppliedToTheOpenWindow) {
  make(0, Point{300, 400}, Point{300, 400}, {});
  desk& d = mainglobals().current;
  const WindowRef w = d.window;
  auto restyle = [&](u16 style, u32 flags, const Rect* rect = nullptr) {
    windrec r = loadat<windrec>(deref(d.wind));
    r.word2 = style;
    r.flags = flags;
    if (rect) r.rect1 = *rect;
    storeat<windrec>(deref(d.wind), r);
    resetproc(d);
    return loadat<windrec>(deref(d.wind));
  };
  const i32 locks = mainglobals().lockcount;
  restyle(1, 0);
  EXPECT_TRUE(IsControlVisible(d.hscroll));
  EXPECT_TRUE(IsControlVisible(d.vscroll));
  EXPECT_EQ(mainglobals().lockcount, locks);

  // A palette thin and tall, with a zoom box and its title on top: it lies down.
  const Rect thin{100, 100, 200, 108};
  windrec r = restyle(6, 1u << 1, &thin);
  EXPECT_EQ(r.rect1, (Rect{100, 100, 110, 200}));
  Rect content{};
  GetWindowBounds(w, kWindowContentRgn, &content);
  EXPECT_EQ(content, r.rect1);
  EXPECT_EQ(GetWindowKind(w), 115);
  WindowClass c = 0;
  GetWindowClass(w, &c);
  EXPECT_EQ(c, kToolbarWindowClass);
  EXPECT_FALSE(IsControlVisible(d.hscroll));
  Str255 title{};
  GetWTitle(w, title);
  EXPECT_EQ(title[0], 0) << "a palette keeps an empty name";

  const Rect plain{100, 100, 300, 400};
  restyle(3, 0, &plain);
  GetWindowClass(w, &c);
  EXPECT_EQ(c, kModalWindowClass);
  EXPECT_EQ(GetWindowKind(w), 114);
  GetWTitle(w, title);
  Str255 untitled{};
  GetIndString(untitled, 1000, 4);
  ASSERT_GT(untitled[0], 0);
  EXPECT_EQ(std::memcmp(title, untitled, untitled[0] + 1), 0);

  r = restyle(0, 1u << 6, &plain);
  Rect screen{};
  GetAvailableWindowPositioningBounds(0, &screen);
  GetWindowBounds(w, kWindowContentRgn, &content);
  EXPECT_EQ(content, r.rect1);
  EXPECT_EQ(content.right - content.left, 300);
  EXPECT_LE(std::abs((content.left + content.right) - (screen.left + screen.right)), 1);
  EXPECT_LE(std::abs((content.top + content.bottom) - (screen.top + screen.bottom)), 1);
  EXPECT_EQ(current().window, w);
}

// A probe of the style table that closes the window being drawn (the current one meanwhile),
// once.
struct Vanishing {
  bool armed = false;
};
void vanish(spot&, const StyleCall&) {
  if (std::exchange(state<Vanishing>().armed, false)) dumpcurrent();
}

TEST_F(CardDrawTest, AWindowThatGoesWhileItIsDrawnLeavesTheCallersContextAndPort) {
  testproject::Project p = testproject::small();
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  p.windows[0].cards[0].objects.push_back(paint(Rect{60, 10, 90, 60}, kRed));
  build(p);
  ASSERT_EQ(open("p.kv45", 1), 0);
  const desk first = current();
  ASSERT_EQ(open("p.kv45", 2), 0);
  const desk second = current();
  const StyleRoutine kept = drawtable().styles[100];
  drawtable().styles[100] = vanish;
  for (bool frame : {false, true}) {
    SCOPED_TRACE(frame ? "drawframe" : "drawedit");
    desk d = first;
    if (frame) {
      // Another window of the first's kind, in its place in the table.
      ASSERT_EQ(open("p.kv45", 1), 0);
      d = current();
      mainglobals().current = second;
    }
    state<Vanishing>().armed = true;
    SetPortWindowPort(second.window);
    const i32 locks = mainglobals().lockcount;
    if (frame) drawframe(d.window);
    else drawedit(d, nullptr);
    EXPECT_FALSE(IsValidWindowPtr(d.window));
    EXPECT_EQ(current().window, second.window);
    EXPECT_EQ(current().serial, second.serial);
    EXPECT_EQ(currentportid(), GetWindowPort(second.window));
    EXPECT_EQ(mainglobals().lockcount, locks);
  }
  drawtable().styles[100] = kept;
}

}  // namespace
}  // namespace kv
