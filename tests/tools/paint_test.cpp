// Painting as a user's script does it: choosing a paint tool, dragging and clicking on the
// card, and reading the bitmap graphic's image, the messages of the session, the window's
// pixels, and the stored image after the project is saved and opened again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tests/support/eventloop.h"
#include "tools/objectremoval.h"
#include "tools/paint.h"
#include "tools/paintsession.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kBlack = 0x000000, kWhite = 0xFFFFFF;

class PaintTest : public EventLoopTest {
 protected:
  // One card holding `objects`, its script logging the session's messages; colorWorld on, a
  // solid black pen and fill of 1 pixel, and the drag command moving at once.
  void start(std::vector<Object> objects = {}) {
    testproject::Project p = project();
    testproject::Card& c = p.windows[0].cards[0];
    c.script = logs("", {"newGraphic", "openPaint", "closePaint"});
    c.objects = std::move(objects);
    name = "p" + std::to_string(++projects) + ".kv45";
    ASSERT_EQ(openproject(p, name), 0);
    settle();
    clearlog();
    MainGlobals& g = mainglobals();
    g.colorWorld = 1;
    ASSERT_EQ(doline("set the dragSpeed to 0\nset the penPat to 1\nset the fillPat to 1\nset the penFore to 256\n"
                     "set the fillFore to 256\nset the fillBack to 1\nset the lineSize to 1\nset the filled to true\n"
                     "set the showPen to true"),
              0);
  }
  Handle list() { return mainglobals().current.cardspots; }
  i32 count() { return spotcount(list()); }
  spot object(i32 i) { return spotat(list(), i); }
  bool colour(i32 i) { return getgraphictail(object(i)).startangle != 0; }
  std::vector<u8> image(i32 i) {
    const spot s = object(i);
    if (s.data == nilhandle) return {};
    return std::vector<u8>(deref(s.data), deref(s.data) + GetHandleSize(s.data));
  }
  // The byte of an image of `rowbytes` at a point local to the bitmap.
  u8 at(i32 i, i32 rowbytes, i32 h, i32 v) { return image(i)[size_t(v * rowbytes + h)]; }
  u32 windowpixel(i16 h, i16 v) { return drive::pixelat(drive::windowpixels(current().window), h, v) & 0xFFFFFF; }
  bool cardchanged() {
    const desk& d = mainglobals().current;
    u16 flag = 0;
    testvir(d.store, i32(d.cardrecid), &flag);
    return flag != 0;
  }
  // Ends the session, saves, closes every window and opens the project again.
  void reopen() {
    ASSERT_EQ(doline("choose browse tool\nsave"), 0);
    closeallwindows();
    ASSERT_EQ(open(name), 0);
  }
  // The set pixels of the 100 x 80 bitmap at (20, 20) made by dragging out a new one.
  void newbitmap() {
    ASSERT_EQ(doline("choose rectangle tool\ndrag from 20,20 to 120,100"), 0);
    ASSERT_EQ(count(), 1);
    clearlog();
  }
  std::string name;
  int projects = 0;
};

// A bitmap of 40 x 20 at (20, 20) whose white centre is closed in by a black frame.
std::vector<u8> framed(u8 frame) {
  std::vector<u8> b(size_t(40 * 20), 0);
  for (int h = 0; h < 40; ++h) b[size_t(h)] = b[size_t(19 * 40 + h)] = frame;
  for (int v = 0; v < 20; ++v) b[size_t(v * 40)] = b[size_t(v * 40 + 39)] = frame;
  return b;
}

TEST_F(PaintTest, DraggingOutANewBitmap) {
  start();
  newbitmap();
  const spot s = object(0);
  EXPECT_EQ(s.style, stylebitmap);
  const Rect want{20, 20, 100, 120};
  EXPECT_TRUE(EqualRect(&s.rect, &want));
  EXPECT_TRUE(colour(0));
  EXPECT_EQ(image(0), std::vector<u8>(8000, 0));
  ASSERT_EQ(doline("choose browse tool"), 0);
  EXPECT_EQ(count(), 0) << "left blank, it goes at close";
  clearlog();

  ASSERT_EQ(doline("choose oval tool\ndrag from 20,20 to 30,30"), 0);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(log(), "") << "a drag within 16 pixels makes nothing";
  ASSERT_EQ(doline("set the createPaint to false\ndrag from 20,20 to 200,200"), 0);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(log(), "");
}

TEST_F(PaintTest, TheNewBitmapIsAnnouncedAndOpened) {
  start();
  ASSERT_EQ(doline("choose rectangle tool\ndrag from 20,20 to 120,100"), 0);
  EXPECT_EQ(log(), "newGraphic,openPaint,");
  EXPECT_EQ(paintsession().index, 0);
}

TEST_F(PaintTest, TheRectangleToolFramesWithThePen) {
  start();
  newbitmap();
  ASSERT_EQ(doline("set the filled to false\ndrag from 30,30 to 70,60"), 0);
  EXPECT_EQ(log(), "") << "a press inside the open bitmap keeps its session";
  const std::vector<u8> b = image(0);
  for (int v = 0; v < 80; ++v)
    for (int h = 0; h < 100; ++h) {
      const bool edge = ((v == 10 || v == 39) && h >= 10 && h <= 49) || ((h == 10 || h == 49) && v >= 10 && v <= 39);
      if (b[size_t(v * 100 + h)] != (edge ? 255 : 0)) {
        ADD_FAILURE() << "byte at " << h << "," << v << " is " << int(b[size_t(v * 100 + h)]);
        return;
      }
    }
  EXPECT_EQ(windowpixel(30, 30), kBlack) << "the user sees the frame";
  EXPECT_EQ(windowpixel(40, 40), kWhite);

  ASSERT_EQ(doline("drag from 30,30 to 90,60 with shiftKey"), 0);
  EXPECT_EQ(at(0, 100, 39, 10), 255) << "the square's top right corner (60, 30)";
  EXPECT_EQ(at(0, 100, 40, 30), 0) << "nothing right of the square";
}

TEST_F(PaintTest, NeitherFillNorPenStillMarksTheCardChanged) {
  start();
  newbitmap();
  ASSERT_EQ(doline("set the filled to false\nset the showPen to false\ndrag from 30,30 to 70,60\n"
                   "set the allowEmptyPaint to true\nsave"),
            0);
  EXPECT_EQ(image(0), std::vector<u8>(8000, 0));
  ASSERT_EQ(doline("choose rectangle tool\ndrag from 30,30 to 70,60"), 0);
  ASSERT_FALSE(cardchanged());
  ASSERT_EQ(doline("choose browse tool"), 0);
  EXPECT_TRUE(cardchanged());
  EXPECT_EQ(count(), 1) << "allowEmptyPaint keeps the blank bitmap";
}

TEST_F(PaintTest, ThePaintedImageIsStored) {
  start();
  newbitmap();
  ASSERT_EQ(doline("drag from 30,30 to 70,60"), 0);
  const std::vector<u8> painted = image(0);
  ASSERT_EQ(doline("drag from 300,300 to 400,400"), 0);
  EXPECT_EQ(log().substr(0, 11), "closePaint,") << "the old bitmap is closed before anything else";
  ASSERT_EQ(count(), 2);
  ASSERT_NO_FATAL_FAILURE(reopen());
  EXPECT_EQ(count(), 1) << "the second bitmap stayed blank";
  EXPECT_EQ(image(0), painted);
  EXPECT_TRUE(colour(0));
}

TEST_F(PaintTest, AStoredColourImageOpensAsItWas) {
  std::vector<u8> b(size_t(4 * 4), 0);
  for (int i = 0; i < 4; ++i) b[size_t(i)] = u8(i + 1);
  start({testproject::bitmap(Rect{20, 20, 24, 24}, true, b)});
  ASSERT_EQ(doline("choose pencil tool\nset the filled to true"), 0);
  EXPECT_EQ(image(0), b);
  ASSERT_EQ(putupbits(list(), 0, 0), 0);
  const std::vector<u8> opened = image(0);
  EXPECT_EQ(std::vector<u8>(opened.begin(), opened.begin() + 4), (std::vector<u8>{1, 2, 3, 4}));
  RGBColor expected{};
  ASSERT_TRUE(ctableentry(paintsession().clut, 1, &expected));
  const u32 shown = windowpixel(20, 20);
  EXPECT_EQ(shown, u32(expected.red >> 8) << 16 | u32(expected.green >> 8) << 8 | (expected.blue >> 8));
}

TEST_F(PaintTest, TheFrontBitmapIsOpenedAndAColourOneNeedsColour) {
  start({testproject::bitmap(Rect{10, 10, 60, 60}, true, std::vector<u8>(size_t(52 * 50), 0)),
         testproject::bitmap(Rect{30, 30, 80, 80}, true, std::vector<u8>(size_t(52 * 50), 0))});
  ASSERT_EQ(doline("set the allowEmptyPaint to true\nchoose pencil tool\nclick at 40,40"), 0);
  EXPECT_EQ(paintsession().index, 1);
  EXPECT_EQ(log(), "openPaint,");
  ASSERT_EQ(doline("click at 41,41"), 0);
  EXPECT_EQ(log(), "openPaint,") << "inside the open bitmap: no close, no open";
  ASSERT_EQ(doline("choose browse tool"), 0);
  clearlog();
  mainglobals().colorWorld = 0;
  ASSERT_EQ(doline("choose pencil tool"), 0);
  EXPECT_EQ(firstbits(list(), Point{40, 40}), 104);
  EXPECT_EQ(paintsession().index, -1);
  EXPECT_EQ(log(), "");
}

TEST_F(PaintTest, AOneBitBitmapInColourAndInBlackAndWhite) {
  // 16 x 2: the left half of the first row black.
  const std::vector<u8> mono{0xFF, 0x00, 0x00, 0x00};
  for (i16 world : {1, 0}) {
    start({testproject::bitmap(Rect{20, 20, 22, 36}, false, mono)});
    mainglobals().colorWorld = world;
    ASSERT_EQ(doline("choose pencil tool\nclick at 30,21"), 0);
    std::vector<u8> want(size_t(16 * 2), 0);
    for (int h = 0; h < 8; ++h) want[size_t(h)] = 255;
    want[size_t(16 + 10)] = 255;  // the pencil's dot
    EXPECT_EQ(image(0), want) << world;
    EXPECT_TRUE(colour(0));
    ASSERT_EQ(doline("choose browse tool"), 0);
    if (world) {
      EXPECT_EQ(image(0), want) << "colour it stays";
    } else {
      EXPECT_EQ(image(0), (std::vector<u8>{0xFF, 0x00, 0x00, 0x20})) << "stored as 1-bit again";
      EXPECT_FALSE(colour(0));
    }
    ASSERT_NO_FATAL_FAILURE(reopen());
    EXPECT_EQ(colour(0), world != 0);
    ASSERT_EQ(doline("choose pencil tool\nclick at 21,21"), 0) << "it opens again";
    EXPECT_EQ(paintsession().index, 0);
    closeallwindows();
  }
}

TEST_F(PaintTest, ABlankNewBitmapIsRemovedAfterClosePaint) {
  start();
  newbitmap();
  ASSERT_EQ(doline("choose browse tool"), 0);
  EXPECT_EQ(log(), "closePaint,");
  EXPECT_EQ(count(), 0);
  EXPECT_TRUE(cardchanged()) << "the removal is kept";
  ASSERT_NO_FATAL_FAILURE(reopen());
  EXPECT_EQ(count(), 0);
}

TEST_F(PaintTest, ABitmapRemovedByItsHandlerEndsTheSession) {
  Object other;
  other.kind = Object::graphic;
  other.rect = Rect{200, 200, 220, 220};
  start({other});
  ASSERT_EQ(doline("set the allowEmptyPaint to true\nchoose rectangle tool\ndrag from 20,20 to 120,100"), 0);
  ASSERT_EQ(paintsession().index, 1);
  clearlog();
  squashutil(list(), 0);
  EXPECT_EQ(paintsession().index, 0) << "the session follows its object down";
  EXPECT_EQ(mainglobals().bmapindex, 0);
  squashutil(list(), 0);
  EXPECT_EQ(paintsession().index, -1) << "the painted object removed ends the session";
  EXPECT_EQ(putdownbmap(), 0);
  EXPECT_EQ(log(), "") << "silently";
}

}  // namespace
}  // namespace kv
