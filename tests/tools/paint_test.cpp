// Painting as a user's script does it: choosing a paint tool, dragging and clicking on the
// card, and reading the bitmap graphic's image, the messages of the session, the window's
// pixels, and the stored image after the project is saved and opened again.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/testing/driver.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tests/support/eventloop.h"
#include "tools/objectremoval.h"
#include "tools/paint.h"
#include "tools/paintsession.h"
#include "tests/tools/painttest.h"

namespace kv {
namespace {

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
  EXPECT_EQ(byteat(0, 100, 39, 10), 255) << "the square's top right corner (60, 30)";
  EXPECT_EQ(byteat(0, 100, 40, 30), 0) << "nothing right of the square";
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

// Moving the bitmap being painted ends the painting first; the bitmap moves with its image.
TEST_F(PaintTest, MovingTheBitmapBeingPaintedPutsItDown) {
  start();
  newbitmap();
  ASSERT_EQ(doline("drag from 30,30 to 70,60"), 0);
  const std::vector<u8> painted = image(0);
  clearlog();
  ASSERT_EQ(doline("set the topLeft of card graphic 1 to 200,150"), 0);
  EXPECT_EQ(log(), "closePaint,");
  EXPECT_LT(paintsession().index, 0) << "no bitmap is painted any more";
  EXPECT_EQ(cardvalue("the rect of card graphic 1"), "200,150,300,230");
  EXPECT_EQ(image(0), painted);
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


class PolygonTest : public PaintTest {
 protected:
  static Point hv(i16 h, i16 v) { return Point{v, h}; }
  // Presses the driver's mouse at each point in turn (card coordinates), moving to it with the
  // button up and releasing after; a point given twice in a row is a double click.
  void presses(const std::vector<Point>& pts) {
    for (size_t i = 0; i < pts.size(); ++i) {
      drive::moveTo(at(pts[i].h, pts[i].v));
      drive::advance(3);
      drive::mouseDown(at(pts[i].h, pts[i].v));
      drive::advance(2);
      if (i + 1 < pts.size() && !(pts[i + 1].h == pts[i].h && pts[i + 1].v == pts[i].v))
        drive::moveTo(at(pts[i + 1].h, pts[i + 1].v));
      drive::advance(2);
      drive::mouseUp();
    }
    settle();
  }
  u8 pixel(i32 h, i32 v) { return byteat(0, 100, h - 20, v - 20); }
};

TEST_F(PolygonTest, ALastPressNearTheFirstPointClosesOnIt) {
  start(blankbitmap());
  ASSERT_EQ(doline("set the filled to false\nchoose polygon tool"), 0);
  presses({hv(30, 30), hv(70, 30), hv(70, 60), hv(30, 60), hv(33, 33)});
  EXPECT_EQ(log(), "openPaint,");
  for (i32 v = 31; v < 60; ++v) {
    EXPECT_EQ(pixel(30, v), 255) << "the closing edge runs up column 30 to the first point, row " << v;
  }
  EXPECT_EQ(pixel(31, 33), 0);
  EXPECT_EQ(pixel(33, 33), 0) << "the last press is no vertex";
}

TEST_F(PolygonTest, ADoubleClickEndsOpenOrClosesAFilledOne) {
  start(blankbitmap());
  ASSERT_EQ(doline("set the filled to false\nchoose polygon tool"), 0);
  presses({hv(30, 30), hv(70, 30), hv(70, 60), hv(70, 60)});
  EXPECT_EQ(pixel(50, 30), 255);
  EXPECT_EQ(pixel(70, 45), 255);
  EXPECT_EQ(pixel(50, 45), 0) << "no closing edge back to the first point";
  EXPECT_EQ(pixel(66, 36), 0);
  ASSERT_EQ(doline("choose browse tool\nset the filled to true\nchoose polygon tool"), 0);
  drive::advance(60);
  presses({hv(30, 30), hv(70, 30), hv(70, 60), hv(70, 60)});
  EXPECT_EQ(pixel(50, 45), 255) << "closed";
  EXPECT_EQ(pixel(66, 36), 255) << "and filled";
  EXPECT_EQ(pixel(40, 50), 0);
}

TEST_F(PaintTest, WithoutThePenLinesAndPolygonsChangeNothing) {
  start(blankbitmap());
  ASSERT_EQ(
      doline("set the allowEmptyPaint to true\nset the showPen to false\nchoose line tool\ndrag from 30,30 to 80,80\n"
             "choose polygon tool\ndrag from 30,30 to 80,30\nsave"),
      0);
  EXPECT_EQ(image(0), std::vector<u8>(8000, 0));
  ASSERT_EQ(doline("choose browse tool"), 0);
  EXPECT_FALSE(cardchanged());
  ASSERT_EQ(doline("set the showPen to true\nchoose line tool\ndrag from 30,30 to 80,30"), 0);
  EXPECT_EQ(byteat(0, 100, 10, 10), 255);
  EXPECT_EQ(byteat(0, 100, 60, 10), 255);
  EXPECT_EQ(byteat(0, 100, 61, 10), 0);
}


TEST_F(PaintTest, TheBrushStampsItsDiscAlongThePath) {
  start(blankbitmap());
  ASSERT_EQ(
      doline("set the allowEmptyPaint to true\nset the filled to false\nchoose brush tool\ndrag from 30,40 to 50,40"),
      0);
  EXPECT_EQ(image(0), std::vector<u8>(8000, 0)) << "nothing without filled";
  ASSERT_EQ(doline("set the filled to true\ndrag from 30,40 to 50,40"), 0);
  std::vector<u8> want(8000, 0);
  for (i32 left = 30; left <= 50; ++left)
    for (i32 v = 0; v < 16; ++v)
      for (i32 h = 0; h < 16; ++h)
        if (kDisc[v] & (0x8000 >> h)) want[size_t((40 + v - 20) * 100 + left + h - 20)] = 255;
  EXPECT_EQ(image(0), want);
}

TEST_F(PaintTest, SprayStampsKeepThePenWidthApart) {
  start(blankbitmap());
  ASSERT_EQ(doline("set the allowEmptyPaint to true\nset the lineSize to 1\nchoose spray tool\nclick at 30,40"), 0);
  const std::vector<u8> one = image(0);
  ASSERT_NE(one, std::vector<u8>(8000, 0));
  ASSERT_EQ(doline("choose browse tool"), 0);
  for (size_t i = 0; i < 8000; ++i) deref(object(0).data)[i] = 0;
  mainglobals().penWidth = 20;
  ASSERT_EQ(doline("set the dragSpeed to 1\nchoose spray tool\ndrag from 30,40 to 40,40"), 0);
  EXPECT_EQ(image(0), one) << "a 10-pixel stroke within the pen width stamps once";
}

TEST_F(PaintTest, ThePencilDrawsOrErasesByItsFirstPixel) {
  start({testproject::bitmap(Rect{20, 20, 40, 60}, true, framed(255))});
  ASSERT_EQ(doline("choose pencil tool\ndrag from 20,25 to 40,25\ndrag from 25,30 to 45,30"), 0);
  const std::vector<u8> b = image(0);
  for (i32 h = 0; h < 40; ++h) {
    EXPECT_EQ(b[size_t(5 * 40 + h)], h <= 20 ? 0 : h == 39 ? 255 : 0) << "erased from the frame, column " << h;
    EXPECT_EQ(b[size_t(10 * 40 + h)], h >= 5 && h <= 25 ? 255 : h == 0 || h == 39 ? 255 : 0) << "drawn, column " << h;
  }
}

// The user's own mouse: the pencil drags out a bitmap on the bare card, and a stroke across it
// shows in the window.
TEST_F(PaintTest, APencilStrokeWithTheMouse) {
  start();
  ASSERT_EQ(doline("choose pencil tool"), 0);
  // Each drag rests at its end before the release, as a hand does.
  auto drag = [&](Point from, Point to) {
    drive::mouseDown(from);
    drive::advance(4);
    drive::moveTo(to);
    drive::advance(10);
    drive::mouseUp();
    settle();
  };
  drag(at(20, 20), at(120, 100));
  EXPECT_EQ(log(), "newGraphic,openPaint,");
  drag(at(30, 50), at(60, 50));
  ASSERT_EQ(count(), 1);
  for (i32 h = 0; h < 100; ++h) {
    EXPECT_EQ(byteat(0, 100, h, 30), h >= 10 && h <= 40 ? 255 : 0) << h;
  }
  EXPECT_EQ(windowpixel(45, 50), kBlack);
  EXPECT_EQ(windowpixel(45, 51), kWhite);
}

TEST_F(PaintTest, TheEraserClearsSquaresFollowingTheMouse) {
  start({testproject::bitmap(Rect{20, 20, 60, 60}, true, std::vector<u8>(1600, 255))});
  ASSERT_EQ(doline("choose eraser tool\ndrag from 25,25 to 30,25"), 0);
  const std::vector<u8> b = image(0);
  for (i32 v = 0; v < 40; ++v)
    for (i32 h = 0; h < 40; ++h) {
      const bool erased = v >= 5 && v < 21 && h >= 5 && h < 26;
      if (b[size_t(v * 40 + h)] != (erased ? 0 : 255)) {
        ADD_FAILURE() << h << "," << v;
        return;
      }
    }
}

TEST_F(PaintTest, TheBucketFillsOneAreaWithThePattern) {
  std::vector<u8> b = framed(255);
  for (i32 v = 1; v < 19; ++v) b[size_t(v * 40 + 20)] = 254;  // a wall of a near colour
  // Two squares meeting only at a corner inside the left part: (2..5, 2..5) and (6..9, 6..9).
  for (i32 v = 1; v < 19; ++v)
    for (i32 h = 1; h < 12; ++h) b[size_t(v * 40 + h)] = 255;
  for (i32 v = 2; v < 10; ++v)
    for (i32 h = 2; h < 10; ++h)
      if ((v < 6) == (h < 6)) b[size_t(v * 40 + h)] = 0;
  start({testproject::bitmap(Rect{20, 20, 40, 60}, true, b)});
  ASSERT_EQ(doline("set the filled to false\nchoose bucket tool\nclick at 50,30"), 0);
  EXPECT_EQ(image(0), b) << "nothing without filled";
  ASSERT_EQ(doline(
                "set the filled to true\nset the fillPat to 9\nset the fillBack to 2\nclick at 50,30\nclick at 23,23"),
            0);
  const std::vector<u8> got = image(0);
  for (i32 v = 0; v < 20; ++v)
    for (i32 h = 0; h < 40; ++h) {
      u8 want = b[size_t(v * 40 + h)];
      const bool right = h > 20 && h < 39 && v > 0 && v < 19;
      const bool corner = h >= 2 && h < 6 && v >= 2 && v < 6;
      if (right || corner) want = (h + v) % 2 == 0 ? 255 : 1;
      if (got[size_t(v * 40 + h)] != want) {
        ADD_FAILURE() << "pixel " << h << "," << v << " is " << int(got[size_t(v * 40 + h)]) << ", not " << int(want);
        return;
      }
    }
}

}  // namespace
}  // namespace kv
