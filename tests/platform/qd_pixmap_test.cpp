#include <gtest/gtest.h>

#include "platform/qd/qd.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace qdtest;
using PixMapTest = RuntimeTest;

TEST_F(PixMapTest, RowBytesFollowThePlatformRule) {
  EXPECT_EQ(pixmaprowbytes(17, 1), 4) << "whole 16-bit words";
  EXPECT_EQ(pixmaprowbytes(17, 8), 20) << "a multiple of 4";
  EXPECT_EQ(pixmaprowbytes(17, 16), 34);
  EXPECT_EQ(pixmaprowbytes(17, 32), 68);
  EXPECT_EQ(pixmaprowbytes(16, 1), 2);
  EXPECT_EQ(pixmaprowbytes(0, 8), 0);
  for (i16 depth : {1, 8, 16, 32}) {
    GWorldPtr gw = world(depth, 17, 3);
    EXPECT_EQ(GetPixRowBytes(GetGWorldPixMap(gw)), pixmaprowbytes(17, depth)) << depth;
    EXPECT_EQ(GetPixDepth(GetGWorldPixMap(gw)), depth);
    DisposeGWorld(gw);
  }
}

TEST_F(PixMapTest, OneBitPixelZeroIsTheTopBitOfByteZero) {
  OwnedWorld gw(world(1, 17, 3));
  Rect dot{0, 0, 1, 1};
  PaintRect(&dot);
  const u8* base = GetPixBaseAddr(GetGWorldPixMap(gw));
  EXPECT_EQ(base[0], 0x80);
  EXPECT_EQ(base[1], 0x00);
  Rect next{1, 9, 2, 10};
  PaintRect(&next);
  EXPECT_EQ(base[4 + 1], 0x40) << "pixel (9,1): second byte of the second row, bit 6";
}

TEST_F(PixMapTest, PixelLayoutsOfEachDepth) {
  const RGBColor red{0xFFFF, 0, 0};
  OwnedWorld g32(world(32, 4, 4));
  RGBForeColor(&red);
  Rect r{0, 0, 1, 1};
  PaintRect(&r);
  EXPECT_EQ(pixel(g32, 0, 0), 0xFF0000u) << "xrgb host word";
  EXPECT_EQ(pixel(g32, 1, 0), 0xFFFFFFu);
  OwnedWorld g16(world(16, 4, 4));
  RGBForeColor(&red);
  PaintRect(&r);
  EXPECT_EQ(pixel(g16, 0, 0), 0x7C00u) << "x1r5g5b5";
  EXPECT_EQ(pixel(g16, 1, 0), 0x7FFFu);
  OwnedWorld g8(world(8, 4, 4));
  EXPECT_EQ(pixel(g8, 0, 0), 0u) << "white is index 0 of the standard table";
  RGBForeColor(&red);
  PaintRect(&r);
  RGBColor got;
  CTabHandle standard = GetCTable(8);
  ctableentry(standard, i32(pixel(g8, 0, 0)), &got);
  DisposeCTable(standard);
  EXPECT_EQ(got, red);
  ForeColor(blackColor);
  PaintRect(&r);
  EXPECT_EQ(pixel(g8, 0, 0), 255u) << "black is index 255";
}

TEST_F(PixMapTest, SetOriginMovesLocalCoordinatesOnly) {
  OwnedWorld gw(world(32, 20, 20));
  SetOrigin(100, 50);
  Rect b;
  GetPortBounds(gw, &b);
  EXPECT_EQ(b, (Rect{50, 100, 70, 120}));
  Rect r{50, 100, 52, 102};
  PaintRect(&r);
  EXPECT_EQ(pixel(gw, 0, 0), 0u);
  EXPECT_EQ(pixel(gw, 1, 1), 0u);
  EXPECT_EQ(pixel(gw, 2, 2), 0xFFFFFFu);
  Point pt{50, 100};
  LocalToGlobal(&pt);
  EXPECT_EQ(pt, (Point{0, 0}));
  GlobalToLocal(&pt);
  EXPECT_EQ(pt, (Point{50, 100}));
}

TEST_F(PixMapTest, ClipAndVisibleRegionsLimitDrawing) {
  OwnedWorld gw(world(32, 10, 10));
  Rect clip{0, 0, 10, 5};
  ClipRect(&clip);
  OwnedRegion vis(NewRgn());
  SetRectRgn(vis, 0, 0, 10, 5);
  SetPortVisibleRegion(gw, vis);
  Rect all{0, 0, 10, 10};
  PaintRect(&all);
  EXPECT_EQ(inked(gw), 25) << "only the 5 x 5 corner in both regions";
  OwnedRegion got(NewRgn());
  GetClip(got);
  EXPECT_EQ(regionbounds(got), clip);
}

TEST_F(PixMapTest, UpdateGWorldKeepsThePortAndItsPixels) {
  OwnedWorld gw(world(32, 10, 10));
  Rect r{0, 0, 2, 2};
  PaintRect(&r);
  GWorldPtr same = gw;
  Rect bigger{0, 0, 20, 30};
  EXPECT_EQ(UpdateGWorld(&same, 8, &bigger, 0, 0, clipPix), 0u);
  EXPECT_EQ(same, gw);
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(gw)), 8);
  EXPECT_EQ(pixel(gw, 1, 1), 255u) << "black survives as index 255";
  EXPECT_EQ(pixel(gw, 2, 2), 0u);
  Rect b;
  GetPortBounds(gw, &b);
  EXPECT_EQ(b, bigger);
  Rect bad{0, 0, 0, 0};
  EXPECT_EQ(UpdateGWorld(&same, 8, &bad, 0, 0, 0), u32(gwFlagErr)) << "a failed update leaves the world";
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(gw)), 8);
}

TEST_F(PixMapTest, NewGWorldRefusesBadRequestsAndMemoryShortage) {
  GWorldPtr gw = 123;
  Rect empty{0, 0, 0, 10};
  EXPECT_EQ(NewGWorld(&gw, 32, &empty, 0, 0, 0), paramErr);
  EXPECT_EQ(gw, 0u);
  Rect r{0, 0, 10, 10};
  EXPECT_EQ(NewGWorld(&gw, 24, &r, 0, 0, 0), paramErr);
  Rect wide{0, 0, 1, 5000};
  EXPECT_EQ(NewGWorld(&gw, 32, &wide, 0, 0, 0), newRowBytesTooBigErr);
  failallocationafter(1);
  EXPECT_NE(NewGWorld(&gw, 32, &r, 0, 0, 0), noErr);
  EXPECT_EQ(gw, 0u);
  failallocationafter(0);
  EXPECT_EQ(NewGWorld(&gw, 0, &r, 0, 0, 0), noErr);
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(gw)), devicedepth(GetMainDevice())) << "depth 0 follows the main screen";
  DisposeGWorld(gw);
  EXPECT_FALSE(IsValidPort(gw));
}

TEST_F(PixMapTest, SetGWorldMakesTheWorldsDeviceCurrent) {
  GDHandle screen = GetGDevice();
  EXPECT_EQ(screen, GetMainDevice());
  GWorldPtr gw = world(8, 4, 4);
  EXPECT_EQ(GetGDevice(), GetGWorldDevice(gw));
  EXPECT_EQ(devicedepth(GetGDevice()), 8);
  CGrafPtr port = 0;
  GDHandle dev = 0;
  GetGWorld(&port, &dev);
  EXPECT_EQ(port, gw);
  DisposeGWorld(gw);
  EXPECT_EQ(GetGDevice(), GetMainDevice()) << "the screen is current again once the world is gone";
}

TEST_F(PixMapTest, PngOfAPortHoldsItsPixels) {
  OwnedWorld gw(world(8, 3, 2));
  Rect r{0, 0, 1, 1};
  PaintRect(&r);
  std::vector<u8> png;
  ASSERT_TRUE(encodepng(GetPortBitMapForCopyBits(gw), &png));
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
  EXPECT_EQ(png[2], 'N');
  EXPECT_EQ(png[3], 'G');
  // Width and height sit in the header chunk.
  EXPECT_EQ(png[19], 3);
  EXPECT_EQ(png[23], 2);
  EXPECT_NE(writeportpng(gw, "/nonexistent-folder/x.png"), noErr);
}

}  // namespace
}  // namespace kv
