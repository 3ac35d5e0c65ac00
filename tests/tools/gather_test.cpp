// The gather: pictures recorded in our own ports taken apart into graphic objects, grouped by
// their comments, with allocation failures; and one object made into a picture and back.
#include "tools/gather.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "store/fieldtail.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/spots.h"
#include "tests/support/windows.h"
#include "tools/objectclipboard.h"

namespace kv {
namespace {

class GatherTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    const Rect r{0, 0, 200, 300};
    ASSERT_EQ(NewGWorld(&world_, 8, &r, nilhandle, nilhandle, 0), noErr);
  }
  void TearDown() override {
    if (list_) dumpspot(list_);
    DisposeGWorld(world_);
    RuntimeTest::TearDown();
  }
  // A picture of what `draw` draws in an 8-bit world, over (0, 0, 200, 300).
  PicHandle record(const std::function<void()>& draw) {
    SetGWorld(world_, nilhandle);
    const Rect frame{0, 0, 200, 300};
    PicHandle pic = OpenPicture(&frame);
    draw();
    ClosePicture();
    return pic;
  }
  // The objects of a picture (kept for the fixture to free).
  Handle gather(const std::function<void()>& draw) {
    PicHandle pic = record(draw);
    if (list_) dumpspot(list_);
    list_ = pictospot(pic);
    KillPicture(pic);
    return list_;
  }
  static void comment(i16 kind, std::vector<u8> data = {}) {
    Handle h = nilhandle;
    if (!data.empty()) PtrToHand(data.data(), &h, Size(data.size()));
    PicComment(kind, i16(data.size()), h);
    if (h) DisposeHandle(h);
  }
  GWorldPtr world_ = nilid;
  Handle list_ = nilhandle;
};

const Rect kBox{20, 30, 60, 90};

TEST_F(GatherTest, ShapesBecomeObjects) {
  Handle l = gather([] {
    PaintRect(&kBox);
    FrameRect(&kBox);
  });
  ASSERT_EQ(spotcount(l), 1) << "a fill followed by a frame of the same shape is one object";
  spot s = spotat(l, 0);
  EXPECT_EQ(s.style, stylerectangle);
  EXPECT_EQ(s.showfill, 1);
  EXPECT_EQ(s.showpen, 1);
  EXPECT_TRUE(EqualRect(&s.rect, &kBox));

  const Rect other{70, 30, 90, 60};
  l = gather([&] {
    FrameRect(&kBox);
    PaintRect(&other);
  });
  ASSERT_EQ(spotcount(l), 2);
  EXPECT_EQ(spotat(l, 0).showpen, 1);
  EXPECT_EQ(spotat(l, 0).showfill, 0);
  EXPECT_EQ(spotat(l, 1).showfill, 1);

  l = gather([] { PaintOval(&kBox); });
  ASSERT_EQ(spotcount(l), 1);
  EXPECT_EQ(spotat(l, 0).style, styleoval);

  l = gather([] { FrameRoundRect(&kBox, 12, 6); });
  ASSERT_EQ(spotcount(l), 1);
  EXPECT_EQ(spotat(l, 0).style, styleroundrect);
  EXPECT_EQ(getgraphictail(spotat(l, 0)).startangle, 12) << "the corner's width first, as drawing reads it";
  EXPECT_EQ(getgraphictail(spotat(l, 0)).arcangle, 6);

  l = gather([] { PaintArc(&kBox, 0, -90); });
  ASSERT_EQ(spotcount(l), 1);
  s = spotat(l, 0);
  EXPECT_EQ(s.style, stylearc);
  EXPECT_EQ(getgraphictail(s).startangle, 270);
  EXPECT_EQ(getgraphictail(s).arcangle, 90);
}

TEST_F(GatherTest, LinesKeepTheirEndsAndPenMode) {
  Handle l = gather([] {
    PenMode(patOr);
    MoveTo(10, 20);
    LineTo(50, 80);
  });
  ASSERT_EQ(spotcount(l), 1);
  const spot s = spotat(l, 0);
  EXPECT_EQ(s.style, styleline);
  EXPECT_EQ(s.selected, 3);
  EXPECT_EQ(s.ink, patOr) << "a line keeps the raw pen mode";
  const graphictail t = getgraphictail(s);
  EXPECT_TRUE(EqualPt(t.point1, (Point{80, 50})));
  EXPECT_TRUE(EqualPt(t.point2, (Point{20, 10})));
  EXPECT_EQ(spotcount(gather([] {
              MoveTo(10, 20);
              LineTo(11, 21);
            })),
            0)
      << "a line of one pixel";
  EXPECT_EQ(spotcount(gather([] {
              MoveTo(10, 20);
              LineTo(400, 20);
            })),
            0)
      << "an end outside the frame";
}

TEST_F(GatherTest, InksComeFromThePenModeAndVerb) {
  struct Case {
    i16 mode;
    std::function<void()> draw;
    u16 ink;
  };
  const Case cases[] = {
      {patCopy, [] { PaintRect(&kBox); }, 0},   {patOr, [] { PaintRect(&kBox); }, 1},
      {notPatBic, [] { PaintRect(&kBox); }, 7}, {36, [] { PaintRect(&kBox); }, 0},
      {patOr, [] { InvertRect(&kBox); }, 2},    {patOr, [] { EraseRect(&kBox); }, 0},
      {33, [] { PaintRect(&kBox); }, 33},
  };
  for (const Case& c : cases) {
    Handle l = gather([&] {
      PenMode(c.mode);
      c.draw();
    });
    ASSERT_EQ(spotcount(l), 1) << c.mode;
    EXPECT_EQ(spotat(l, 0).ink, c.ink) << c.mode;
  }
  EXPECT_EQ(spotcount(gather([] {
              PenMode(23);
              PaintRect(&kBox);
            })),
            0);
}

TEST_F(GatherTest, GroupCommentsNestLists) {
  const Rect inner{100, 100, 120, 150};
  Handle l = gather([&] {
    comment(140);
    PaintRect(&kBox);
    PaintOval(&inner);
    comment(140);
    FrameRect(&inner);
    comment(141);
    comment(141);
  });
  ASSERT_EQ(spotcount(l), 1);
  const spot group = spotat(l, 0);
  EXPECT_EQ(group.style, stylegroup);
  const Rect both{20, 30, 120, 150};
  EXPECT_TRUE(EqualRect(&group.rect, &both));
  ASSERT_EQ(spotcount(group.data), 3);
  EXPECT_EQ(spotat(group.data, 0).style, stylerectangle);
  EXPECT_EQ(spotat(group.data, 1).style, styleoval);
  const spot nested = spotat(group.data, 2);
  EXPECT_EQ(nested.style, stylegroup);
  ASSERT_EQ(spotcount(nested.data), 1);
  EXPECT_EQ(spotat(nested.data, 0).style, stylerectangle);
}

TEST_F(GatherTest, GroupsDeeperThan32LevelsJoinTheirEnclosingGroup) {
  Handle l = gather([] {
    for (int i = 0; i < 40; ++i) comment(140);
    PaintRect(&kBox);
    for (int i = 0; i < 40; ++i) comment(141);
  });
  int levels = 0;
  Handle at = l;
  while (spotcount(at) == 1 && spotat(at, 0).style == stylegroup) {
    at = spotat(at, 0).data;
    ++levels;
  }
  EXPECT_EQ(levels, 32);
  ASSERT_EQ(spotcount(at), 1);
  EXPECT_EQ(spotat(at, 0).style, stylerectangle);
}

TEST_F(GatherTest, TextBetweenCommentsIsOneObject) {
  Handle l = gather([] {
    TextFont(3);
    TextSize(12);
    comment(150, {2, 0, 0, 0, 1, 0});
    MoveTo(20, 40);
    DrawString(
        reinterpret_cast<ConstStringPtr>("\x03"
                                         "abc"));
    MoveTo(20, 60);
    DrawString(
        reinterpret_cast<ConstStringPtr>("\x02"
                                         "de"));
    comment(151);
  });
  ASSERT_EQ(spotcount(l), 1);
  const spot s = spotat(l, 0);
  EXPECT_EQ(s.style, styletext);
  EXPECT_EQ(s.showpen, 0);
  EXPECT_NE(s.flags & (1u << 20), 0u);
  const u8* p = deref(s.data);
  ASSERT_EQ(loadat<u16>(p), 2);
  ASSERT_EQ(GetHandleSize(s.data), 2 + 40 + 5 + 14);
  EXPECT_EQ(loadat<stylerun>(p + 2).start, 0);
  EXPECT_EQ(loadat<stylerun>(p + 22).start, 3);
  EXPECT_EQ(loadat<stylerun>(p + 22).size, 12);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 42), 5), "abcde");
  EXPECT_EQ(loadat<fieldtail>(p + 47).just, 1) << "justification 2 is centred";

  l = gather([] {
    MoveTo(20, 40);
    DrawString(
        reinterpret_cast<ConstStringPtr>("\x03"
                                         "abc"));
    DrawString(
        reinterpret_cast<ConstStringPtr>("\x02"
                                         "de"));
  });
  ASSERT_EQ(spotcount(l), 2);
  EXPECT_EQ(loadat<fieldtail>(deref(spotat(l, 0).data) + 2 + 20 + 3).just, -2);
}

TEST_F(GatherTest, ImagesBetweenCommentsAreComposedAtTheirPlaces) {
  GWorldPtr src = nilid;
  const Rect s1{0, 0, 8, 8};
  ASSERT_EQ(NewGWorld(&src, 1, &s1, nilhandle, nilhandle, 0), noErr);
  SetGWorld(src, nilhandle);
  PaintRect(&s1);
  Handle l = gather([&] {
    comment(142);
    const Rect a{10, 10, 18, 18}, b{14, 20, 22, 28};
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(world_), &s1, &a, srcCopy, nilhandle);
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(world_), &s1, &b, srcCopy, nilhandle);
    comment(143);
  });
  DisposeGWorld(src);
  ASSERT_EQ(spotcount(l), 1);
  const spot s = spotat(l, 0);
  EXPECT_EQ(s.style, stylebitmap);
  const Rect u{10, 10, 22, 28};
  EXPECT_TRUE(EqualRect(&s.rect, &u));
  // 1-bit rows of the union's width: 18 pixels, 4 bytes a row.
  ASSERT_EQ(GetHandleSize(s.data), 4 * 12);
  auto pixel = [&](int h, int v) { return (deref(s.data)[v * 4 + h / 8] >> (7 - h % 8)) & 1; };
  EXPECT_EQ(pixel(0, 0), 1);
  EXPECT_EQ(pixel(7, 7), 1);
  EXPECT_EQ(pixel(9, 0), 0) << "between the two images";
  EXPECT_EQ(pixel(10, 4), 1);
  EXPECT_EQ(pixel(17, 11), 1);
  EXPECT_EQ(pixel(0, 11), 0);
}

TEST_F(GatherTest, SmallPicturesAndMalformedBits) {
  PicHandle tiny = nilhandle;
  const u8 bytes[9] = {0, 9, 0, 0, 0, 0, 0, 10, 0};
  ASSERT_EQ(PtrToHand(bytes, &tiny, 9), noErr);
  Handle l = pictospot(tiny);
  EXPECT_EQ(spotcount(l), 0);
  DisposeHandle(l);
  DisposeHandle(tiny);
  testing::internal::CaptureStderr();
  BitMap none{};
  none.rowBytes = 2;
  none.bounds = Rect{0, 0, 8, 8};
  const Rect r{0, 0, 8, 8};
  PscrapRTgatherbits(&none, &r, &r, srcCopy, nilhandle);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Ignored malformed PICT found on desk scrap.\n");
}

TEST_F(GatherTest, FailedAllocationsLeaveWholeObjects) {
  PicHandle pic = record([] {
    PaintRect(&kBox);
    FrameRect(&kBox);
    comment(140);
    PaintOval(&kBox);
    comment(141);
    MoveTo(20, 40);
    DrawString(
        reinterpret_cast<ConstStringPtr>("\x03"
                                         "abc"));
    MoveTo(10, 20);
    LineTo(50, 80);
  });
  Handle whole = pictospot(pic);
  ASSERT_EQ(spotcount(whole), 4);
  dumpspot(whole);
  for (std::size_t n = 1;; ++n) {
    failallocationafter(n);
    Handle l = pictospot(pic);
    const bool reached = !allocationfailurepending();
    failallocationafter(0);
    if (l != nilhandle) {
      for (i32 i = 0; i < spotcount(l); ++i) {
        const spot s = spotat(l, i);
        if (s.style == styletext || s.style == stylegroup) {
          EXPECT_NE(s.data, nilhandle) << n;
        }
      }
      dumpspot(l);
    }
    if (!reached) break;
    ASSERT_LT(n, 2000u);
  }
  KillPicture(pic);
}

TEST_F(GatherTest, AGraphicMadeIntoAPictureGathersBack) {
  EXPECT_EQ(spotpicdepth(32, 5000), 16);
  EXPECT_EQ(spotpicdepth(32, 4000), 32);
  EXPECT_EQ(spotpicdepth(8, 20000), 4);
  mainglobals().bufferMode = 8;
  Handle one = NewHandle(0);
  spot s = testspots::newspot(spotgraphic, stylerectangle, 100, kBox);
  s.showfill = 1;
  s.showpen = 1;
  s.penwidth = 3;
  s.penheight = 2;
  std::memset(s.fillpat.b, 0x55, 8);
  ASSERT_EQ(PtrAndHand(&s, one, Size(sizeof s)), noErr);
  PicHandle pic = spotopic(one, 0);
  ASSERT_NE(pic, nilhandle);
  Handle l = pictospot(pic);
  KillPicture(pic);
  ASSERT_EQ(spotcount(l), 1) << spotcount(l);
  const spot back = spotat(l, 0);
  EXPECT_EQ(back.style, stylerectangle);
  EXPECT_TRUE(EqualRect(&back.rect, &kBox));
  EXPECT_EQ(back.showfill, 1);
  EXPECT_EQ(back.showpen, 1);
  EXPECT_EQ(back.penwidth, 3);
  EXPECT_EQ(back.penheight, 2);
  EXPECT_EQ(std::memcmp(back.fillpat.b, s.fillpat.b, 8), 0);
  EXPECT_EQ(std::memcmp(back.penpat.b, s.penpat.b, 8), 0);
  dumpspot(l);
  refuseworlddepth(8, true);
  EXPECT_EQ(spotopic(one, 0), nilhandle) << "no offscreen world, no picture";
  refuseworlddepth(8, false);
  dumpspot(one);
}

TEST_F(GatherTest, CleanclutMakesAWholeTable) {
  Handle t = NewHandleClear(8 + 2 * 8);
  cleanclut(t, 77);
  ASSERT_EQ(GetHandleSize(t), 2064);
  const ColorTableHeader h = loadat<ColorTableHeader>(deref(t));
  EXPECT_EQ(h.ctSeed, 77u);
  EXPECT_EQ(h.ctSize, 255);
  const ColorSpec first = loadat<ColorSpec>(deref(t) + 8), last = loadat<ColorSpec>(deref(t) + 8 + 255 * 8);
  EXPECT_EQ(first.rgb.red, 0xFFFF);
  EXPECT_EQ(last.rgb.blue, 0);
  EXPECT_EQ(loadat<ColorSpec>(deref(t) + 8 + 100 * 8).value, 100);
  DisposeHandle(t);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The gather in colour, with the program's globals and resources.
class ColourGatherTest : public WindowTest {};

TEST_F(ColourGatherTest, ColoursBecomeIndexesAndImagesKeepTheirIndexes) {
  MainGlobals& g = mainglobals();
  g.colorWorld = 1;
  GWorldPtr world = nilid;
  const Rect frame{0, 0, 100, 100};
  ASSERT_EQ(NewGWorld(&world, 8, &frame, nilhandle, nilhandle, 0), noErr);
  SetGWorld(world, nilhandle);
  PicHandle pic = OpenPicture(&frame);
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  PaintRect(&kBox);
  ForeColor(blackColor);
  FrameRect(&kBox);
  ClosePicture();
  DisposeGWorld(world);
  Handle l = pictospot(pic);
  KillPicture(pic);
  EXPECT_EQ(gathercolourstate().gatherclut, nilhandle) << "the gather's table lives only while it runs";
  ASSERT_EQ(spotcount(l), 1);
  const spot box = spotat(l, 0);
  EXPECT_EQ(box.penfore, 255) << "black";
  EXPECT_EQ(box.penback, 0) << "white";
  EXPECT_NE(box.fillfore, 255);
  EXPECT_NE(box.fillfore, 0);
  dumpspot(l);

  // An 8-bit picture of a three-colour palette: the image keeps its indexes in stored order.
  DecodedImage image;
  image.width = 3;
  image.height = 2;
  image.palette = {0xFF0000, 0x00FF00, 0x0000FF};
  image.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0xFF0000, 0x00FF00};
  pic = imagepicture(image);
  ASSERT_NE(pic, nilhandle);
  l = pictospot(pic);
  KillPicture(pic);
  ASSERT_EQ(spotcount(l), 1);
  const spot bits = spotat(l, 0);
  EXPECT_EQ(bits.style, stylebitmap);
  EXPECT_EQ(getgraphictail(bits).startangle, 1) << "a colour image";
  ASSERT_EQ(GetHandleSize(bits.data), 8) << "two rows of four bytes";
  const u8* p = deref(bits.data);
  const std::vector<u8> rows{p[0], p[1], p[2], p[4], p[5], p[6]};
  EXPECT_EQ(rows, (std::vector<u8>{0, 1, 2, 2, 0, 1}));
  dumpspot(l);
  g.colorWorld = 0;
}

TEST_F(ColourGatherTest, AWideObjectIsDrawnAtAShallowerDepth) {
  mainglobals().bufferMode = 32;
  Handle one = NewHandle(0);
  spot s = testspots::newspot(spotgraphic, stylerectangle, 100, Rect{0, 0, 10, 5000});
  ASSERT_EQ(PtrAndHand(&s, one, Size(sizeof s)), noErr);
  refuseworlddepth(16, true);
  EXPECT_EQ(spotopic(one, 0), nilhandle) << "the world is asked for at depth 16";
  refuseworlddepth(16, false);
  refuseworlddepth(32, true);
  PicHandle pic = spotopic(one, 0);
  EXPECT_NE(pic, nilhandle);
  if (pic) KillPicture(pic);
  refuseworlddepth(32, false);
  DisposeHandle(one);
}

}  // namespace
}  // namespace kv
