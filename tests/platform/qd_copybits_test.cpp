#include <gtest/gtest.h>

#include <vector>

#include "platform/backend/headless.h"
#include "platform/qd/qd.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace qdtest;
using CopyBitsTest = RuntimeTest;

// A 1-bit bit map over caller storage: a checkerboard of 1-pixel cells.
struct Checker {
  std::vector<u8> bits;
  BitMap bm{};
  Checker(i16 w, i16 h) {
    const u16 rb = pixmaprowbytes(w, 1);
    bits.assign(std::size_t(rb) * std::size_t(h), 0);
    for (i32 y = 0; y < h; ++y)
      for (i32 x = 0; x < w; ++x)
        if ((x + y) & 1) bits[std::size_t(y) * rb + std::size_t(x >> 3)] |= u8(0x80 >> (x & 7));
    bm = BitMap{bits.data(), rb, Rect{0, 0, h, w}};
  }
};

TEST_F(CopyBitsTest, OneBitSourceIsColourisedByTheForeAndBackColours) {
  Checker c(4, 4);
  OwnedWorld gw(world(32, 4, 4));
  const RGBColor red{0xFFFF, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&red);
  RGBBackColor(&white);
  Rect r{0, 0, 4, 4};
  CopyBits(&c.bm, GetPortBitMapForCopyBits(gw), &r, &r, srcCopy, 0);
  for (i32 y = 0; y < 4; ++y)
    for (i32 x = 0; x < 4; ++x) ASSERT_EQ(pixel(gw, x, y), ((x + y) & 1) ? 0xFF0000u : 0xFFFFFFu) << x << "," << y;
}

TEST_F(CopyBitsTest, ScalingTwiceDoublesEachCell) {
  Checker c(4, 4);
  OwnedWorld gw(world(32, 8, 8));
  Rect src{0, 0, 4, 4}, dst{0, 0, 8, 8};
  CopyBits(&c.bm, GetPortBitMapForCopyBits(gw), &src, &dst, srcCopy, 0);
  for (i32 y = 0; y < 8; ++y)
    for (i32 x = 0; x < 8; ++x) ASSERT_EQ(pixel(gw, x, y) == 0, bool(((x / 2) + (y / 2)) & 1)) << x << "," << y;
  // And halving picks one pixel of each doubled cell back.
  OwnedWorld small(world(32, 4, 4));
  CopyBits(GetPortBitMapForCopyBits(gw), GetPortBitMapForCopyBits(small), &dst, &src, srcCopy, 0);
  EXPECT_EQ(picture(small, 0, 0, 4, 4), ".#.#\n#.#.\n.#.#\n#.#.\n");
}

// Two 32-bit worlds, the source filled with one colour and the destination with another.
struct Pair {
  GWorldPtr src = 0, dst = 0;
  Pair(const RGBColor& s, const RGBColor& d) {
    Rect r{0, 0, 2, 2};
    src = world(32, 2, 2);
    RGBForeColor(&s);
    PaintRect(&r);
    dst = world(32, 2, 2);
    RGBForeColor(&d);
    PaintRect(&r);
    ForeColor(blackColor);
  }
  void copy(i16 mode) {
    Rect r{0, 0, 2, 2};
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &r, &r, mode, 0);
  }
  ~Pair() {
    DisposeGWorld(src);
    DisposeGWorld(dst);
  }
};

TEST_F(CopyBitsTest, ArithmeticModes) {
  const RGBColor a{0x4040, 0x8080, 0xF0F0}, b{0xC0C0, 0x2020, 0x1010};
  {
    Pair p(a, b);
    const RGBColor w{32767, 32767, 32767};
    OpColor(&w);
    p.copy(blend);
    const u32 v = pixel(p.dst, 0, 0);
    EXPECT_NEAR(double((v >> 16) & 255), (0x40 + 0xC0) / 2.0, 1.0);
    EXPECT_NEAR(double((v >> 8) & 255), (0x80 + 0x20) / 2.0, 1.0);
    EXPECT_NEAR(double(v & 255), (0xF0 + 0x10) / 2.0, 1.0);
  }
  {
    Pair p(a, b);
    const RGBColor w{0x4000, 0xC000, 0xFFFF};
    OpColor(&w);
    p.copy(blend);
    const u32 v = pixel(p.dst, 0, 0);
    // (src x w + dst x (65535 - w)) / 65535 on each channel.
    auto expect = [](u32 s, u32 d, u32 wt) { return ((s * 257) * wt + (d * 257) * (65535 - wt)) / 65535 / 257; };
    EXPECT_NEAR(double((v >> 16) & 255), double(expect(0x40, 0xC0, 0x4000)), 1.0);
    EXPECT_NEAR(double((v >> 8) & 255), double(expect(0x80, 0x20, 0xC000)), 1.0);
    EXPECT_EQ(v & 255, 0xF0u);
  }
  {
    Pair p(a, b);
    p.copy(addMax);
    EXPECT_EQ(pixel(p.dst, 1, 1), 0xC080F0u);
  }
  {
    Pair p(a, b);
    p.copy(adMin);
    EXPECT_EQ(pixel(p.dst, 1, 1), 0x402010u);
  }
  {
    Pair p(a, b);
    const RGBColor pin{0xFFFF, 0xFFFF, 0xFFFF};
    OpColor(&pin);
    p.copy(addPin);
    EXPECT_EQ(pixel(p.dst, 0, 0), 0xFFA0FFu);
  }
  {
    Pair p(a, b);
    const RGBColor floor{0, 0, 0};
    OpColor(&floor);
    p.copy(subPin);
    EXPECT_EQ(pixel(p.dst, 0, 0), 0x800000u) << "destination less source, at least the pin";
  }
}

TEST_F(CopyBitsTest, TransparentModeKeepsPixelsWhereTheSourceIsTheBackground) {
  OwnedWorld src(world(32, 2, 1));
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  Rect left{0, 0, 1, 1};
  PaintRect(&left);  // src: red, white
  OwnedWorld dst(world(32, 2, 1));
  const RGBColor blue{0, 0, 0xFFFF};
  RGBForeColor(&blue);
  Rect all{0, 0, 1, 2};
  PaintRect(&all);
  ForeColor(blackColor);
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &all, &all, transparent, 0);
  EXPECT_EQ(pixel(dst, 0, 0), 0xFF0000u);
  EXPECT_EQ(pixel(dst, 1, 0), 0x0000FFu) << "white source pixels are transparent";
  // Another background colour is what stays transparent then.
  RGBBackColor(&red);
  PaintRect(&all);
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &all, &all, transparent, 0);
  EXPECT_EQ(pixel(dst, 0, 0), 0u) << "the red source pixel is the background now";
  EXPECT_EQ(pixel(dst, 1, 0), 0xFFFFFFu);
}

TEST_F(CopyBitsTest, BooleanSourceModes) {
  Checker c(2, 1);  // white, black
  OwnedWorld gw(world(32, 2, 1));
  const RGBColor green{0, 0xFFFF, 0};
  RGBForeColor(&green);
  Rect r{0, 0, 1, 2};
  PaintRect(&r);
  ForeColor(blackColor);
  CopyBits(&c.bm, GetPortBitMapForCopyBits(gw), &r, &r, srcOr, 0);
  EXPECT_EQ(pixel(gw, 0, 0), 0x00FF00u) << "white source leaves the destination";
  EXPECT_EQ(pixel(gw, 1, 0), 0u);
  CopyBits(&c.bm, GetPortBitMapForCopyBits(gw), &r, &r, srcBic, 0);
  EXPECT_EQ(pixel(gw, 1, 0), 0xFFFFFFu) << "black source clears to the background";
  CopyBits(&c.bm, GetPortBitMapForCopyBits(gw), &r, &r, srcXor, 0);
  EXPECT_EQ(pixel(gw, 1, 0), 0u);
  CopyBits(&c.bm, GetPortBitMapForCopyBits(gw), &r, &r, notSrcCopy, 0);
  EXPECT_EQ(pixel(gw, 0, 0), 0u);
  EXPECT_EQ(pixel(gw, 1, 0), 0xFFFFFFu);
}

TEST_F(CopyBitsTest, CopiesAcrossDepthsKeepColours) {
  const RGBColor colours[] = {{0xFFFF, 0, 0}, {0, 0xFFFF, 0},           {0, 0, 0xFFFF},
                              {0, 0, 0},      {0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0, 0xFFFF}};
  for (i16 from : {8, 16, 32})
    for (i16 to : {8, 16, 32}) {
      GWorldPtr src = world(from, 6, 1);
      for (i16 i = 0; i < 6; ++i) {
        RGBForeColor(&colours[i]);
        Rect px{0, i, 1, i16(i + 1)};
        PaintRect(&px);
      }
      GWorldPtr dst = world(to, 6, 1);
      Rect r{0, 0, 1, 6};
      CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &r, &r, srcCopy, 0);
      GWorldPtr check = world(32, 6, 1);
      CopyBits(GetPortBitMapForCopyBits(dst), GetPortBitMapForCopyBits(check), &r, &r, srcCopy, 0);
      for (i32 i = 0; i < 6; ++i) {
        const u32 v = pixel(check, i, 0);
        // Every colour above is exact in the standard table and in 5-bit channels.
        EXPECT_EQ(v, (u32(colours[i].red >> 8) << 16) | (u32(colours[i].green >> 8) << 8) | u32(colours[i].blue >> 8))
            << from << " -> " << to << " #" << i;
      }
      DisposeGWorld(check);
      DisposeGWorld(dst);
      DisposeGWorld(src);
    }
}

TEST_F(CopyBitsTest, MaskRegionAndPortClipLimitTheCopy) {
  OwnedWorld src(world(32, 10, 10));
  Rect all{0, 0, 10, 10};
  PaintRect(&all);
  OwnedWorld dst(world(32, 10, 10));
  OwnedRegion mask(NewRgn());
  SetRectRgn(mask, 0, 0, 5, 10);
  Rect clip{0, 0, 5, 10};
  ClipRect(&clip);
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &all, &all, srcCopy, mask);
  EXPECT_EQ(inked(dst), 25);
}

TEST_F(CopyBitsTest, CopyMaskAndCopyDeepMask) {
  OwnedWorld src(world(32, 4, 1));
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  Rect all{0, 0, 1, 4};
  PaintRect(&all);
  Checker mask(4, 1);  // .#.#
  OwnedWorld dst(world(32, 4, 1));
  CopyMask(GetPortBitMapForCopyBits(src), &mask.bm, GetPortBitMapForCopyBits(dst), &all, &all, &all);
  EXPECT_EQ(picture(dst, 0, 0, 4, 1), ".#.#\n");
  EXPECT_EQ(pixel(dst, 1, 0), 0xFF0000u);
  // A grey mask mixes the source into the destination.
  OwnedWorld deep(world(32, 4, 1));
  const RGBColor grey{0x8080, 0x8080, 0x8080};
  RGBForeColor(&grey);
  PaintRect(&all);
  OwnedWorld dst2(world(32, 4, 1));
  CopyDeepMask(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(deep), GetPortBitMapForCopyBits(dst2), &all,
               &all, &all, srcCopy, 0);
  const u32 v = pixel(dst2, 0, 0);
  EXPECT_EQ((v >> 16) & 255, 0xFFu);
  EXPECT_NEAR(double((v >> 8) & 255), 0x80, 1.0);
}

TEST_F(CopyBitsTest, CopyWithinOnePortOverlaps) {
  OwnedWorld gw(world(32, 10, 1));
  Rect first{0, 0, 1, 3};
  PaintRect(&first);  // ###.......
  Rect src{0, 0, 1, 8}, dst{0, 2, 1, 10};
  CopyBits(GetPortBitMapForCopyBits(gw), GetPortBitMapForCopyBits(gw), &src, &dst, srcCopy, 0);
  EXPECT_EQ(picture(gw, 0, 0, 10, 1), "#####.....\n");
}

TEST_F(CopyBitsTest, ScrollRectMovesPixelsAndReportsTheUncoveredArea) {
  OwnedWorld gw(world(32, 10, 10));
  Rect dot{0, 0, 2, 2};
  PaintRect(&dot);
  OwnedRegion update(NewRgn());
  Rect all{0, 0, 10, 10};
  ScrollRect(&all, 3, 4, update);
  EXPECT_EQ(pixel(gw, 3, 4), 0u);
  EXPECT_EQ(pixel(gw, 4, 5), 0u);
  EXPECT_EQ(pixel(gw, 0, 0), 0xFFFFFFu) << "the uncovered area is erased";
  EXPECT_EQ(inked(gw), 4);
  EXPECT_TRUE(PtInRgn(Point{0, 0}, update));
  EXPECT_TRUE(PtInRgn(Point{9, 2}, update));
  EXPECT_FALSE(PtInRgn(Point{4, 3}, update));
  NewRegion expect, moved;
  SetRectRgn(expect, 0, 0, 10, 10);
  SetRectRgn(moved, 3, 4, 10, 10);
  DiffRgn(expect, moved, expect);
  EXPECT_TRUE(EqualRgn(update, expect));
  DisposeRgn(moved);
}

bool everythingisone(RGBColor* rgb, i32* position) {
  *position = (rgb->red == 0xFFFF && rgb->green == 0xFFFF && rgb->blue == 0xFFFF) ? 0 : 1;
  return true;
}

TEST_F(CopyBitsTest, Color2IndexInTheStandardTableAndSearchProcedures) {
  OwnedWorld gw(world(8, 2, 2));
  const RGBColor white{0xFFFF, 0xFFFF, 0xFFFF}, black{0, 0, 0}, red{0xFFFF, 0, 0};
  EXPECT_EQ(Color2Index(&white), 0);
  EXPECT_EQ(Color2Index(&black), 255);
  const i32 redindex = Color2Index(&red);
  RGBColor back;
  Index2Color(redindex, &back);
  EXPECT_EQ(back, red);
  AddSearch(everythingisone);
  EXPECT_EQ(Color2Index(&red), 1) << "the search procedure decides";
  EXPECT_EQ(Color2Index(&white), 0);
  // Copies into indexed maps ask it too.
  OwnedWorld src(world(32, 2, 2));
  RGBForeColor(&red);
  Rect r{0, 0, 2, 2};
  PaintRect(&r);
  SetGWorld(gw, 0);
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(gw), &r, &r, srcCopy, 0);
  EXPECT_EQ(pixel(gw, 0, 0), 1u);
  DelSearch(everythingisone);
  EXPECT_EQ(Color2Index(&red), redindex);
}

TEST_F(CopyBitsTest, SinglePixels) {
  OwnedWorld gw(world(8, 4, 4));
  SetOrigin(10, 10);
  const RGBColor red{0xFFFF, 0, 0};
  SetCPixel(11, 12, &red);
  RGBColor got;
  GetCPixel(11, 12, &got);
  EXPECT_EQ(got, red);
  EXPECT_TRUE(GetPixel(11, 12));
  EXPECT_FALSE(GetPixel(10, 10));
  GetCPixel(0, 0, &got);
  EXPECT_EQ(got, (RGBColor{0xFFFF, 0xFFFF, 0xFFFF})) << "outside the map reads white";
  SetCPixel(100, 100, &red);  // outside: nothing happens
}

TEST_F(CopyBitsTest, DevicesFollowTheBackendScreens) {
  HeadlessBackend* hb = headlessbackend();
  ASSERT_NE(hb, nullptr);
  ScreenInfo left{Rect{0, 0, 600, 800}, 8, {}};
  ScreenInfo right{Rect{0, 800, 600, 1600}, 32, {}};
  hb->setscreens({left, right});
  GDHandle main = GetMainDevice();
  EXPECT_EQ(devicedepth(main), 8);
  GDHandle second = GetNextDevice(main);
  ASSERT_NE(second, 0u);
  EXPECT_EQ(devicedepth(second), 32);
  EXPECT_EQ(GetNextDevice(second), 0u);
  const Rect both{10, 700, 20, 900}, leftonly{10, 10, 20, 20};
  EXPECT_EQ(GetMaxDevice(&both), second);
  EXPECT_EQ(GetMaxDevice(&leftonly), main);
  const RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
  EXPECT_EQ(Color2Index(&white), 0) << "the 8-bit main screen is current";
  hb->setscreens({ScreenInfo{}});
  EXPECT_EQ(devicedepth(GetMainDevice()), 32);
  EXPECT_EQ(GetNextDevice(GetMainDevice()), 0u);
}

TEST_F(CopyBitsTest, GrayOfDevices) {
  const RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBColor fg{0, 0, 0};
  EXPECT_TRUE(GetGray(GetMainDevice(), &white, &fg));
  EXPECT_EQ(fg.red, 0x7FFF);
  OwnedWorld one(world(1, 8, 8));
  fg = RGBColor{0, 0, 0};
  EXPECT_FALSE(GetGray(GetGWorldDevice(one), &white, &fg)) << "a 1-bit device has no grey";
}

}  // namespace
}  // namespace kv
