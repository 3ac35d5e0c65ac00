#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/qd.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace qdtest;
using PictureTest = RuntimeTest;

std::vector<u32> snapshot(GWorldPtr gw, i32 w, i32 h) {
  std::vector<u32> v;
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) v.push_back(pixel(gw, x, y));
  return v;
}

// Draws a little of everything into the current port.
void scene() {
  const RGBColor red{0xFFFF, 0, 0}, blue{0, 0, 0xFFFF};
  Rect r{5, 5, 30, 40};
  RGBForeColor(&red);
  PaintOval(&r);
  ForeColor(blackColor);
  PenSize(2, 3);
  FrameRect(&r);
  PenNormal();
  Rect rr{35, 5, 55, 60};
  const Pattern grey = qdgray;
  FillRoundRect(&rr, 10, 6, &grey);
  RGBForeColor(&blue);
  Rect arc{2, 45, 40, 75};
  PaintArc(&arc, 30, 100);
  ForeColor(blackColor);
  MoveTo(0, 59);
  LineTo(79, 45);
  RgnHandle rgn = NewRgn();
  Rect a{40, 62, 50, 72}, b{45, 66, 58, 78};
  RgnHandle other = NewRgn();
  RectRgn(rgn, a);
  RectRgn(other, b);
  XorRgn(rgn, other, rgn);
  InvertRgn(rgn);
  DisposeRgn(rgn);
  DisposeRgn(other);
  PolyHandle poly = newpolygon({{50, 10}, {58, 30}, {42, 25}, {50, 10}});
  PaintPoly(poly);
  KillPoly(poly);
  TextFace(facebold);
  MoveTo(44, 20);
  DrawString(pstr("Pict").data());
  TextFace(0);
}

TEST_F(PictureTest, PlayingARecordingDrawsWhatWasDrawn) {
  usebuiltinmetricsfont(true);
  OwnedWorld direct(world(32, 80, 60));
  scene();
  OwnedWorld rec(world(32, 80, 60));
  Rect frame{0, 0, 60, 80};
  OwnedPicture pic(OpenPicture(&frame));
  ASSERT_NE(pic, 0u);
  scene();
  ClosePicture();
  EXPECT_EQ(inked(rec), 0) << "recording draws nothing";
  EXPECT_TRUE(picturevalid(pic));
  Rect got{};
  QDGetPictureBounds(pic, &got);
  EXPECT_EQ(got, frame);
  DrawPicture(pic, &frame);
  EXPECT_EQ(snapshot(rec, 80, 60), snapshot(direct, 80, 60));
  // Playing leaves the port's settings as they were.
  PenSize(3, 3);
  DrawPicture(pic, &frame);
  Point ps;
  GetPortPenSize(rec, &ps);
  EXPECT_EQ(ps, (Point{3, 3}));
}

TEST_F(PictureTest, BitsAndMappingToAnotherRectangle) {
  OwnedWorld src(world(8, 4, 4));
  const RGBColor green{0, 0xFFFF, 0};
  RGBForeColor(&green);
  Rect quarter{0, 0, 2, 2};
  PaintRect(&quarter);
  OwnedWorld gw(world(32, 16, 16));
  Rect frame{0, 0, 4, 4};
  OwnedPicture pic(OpenPicture(&frame));
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(gw), &frame, &frame, srcCopy, 0);
  ClosePicture();
  EXPECT_EQ(inked(gw), 0);
  Rect big{0, 0, 16, 16};
  DrawPicture(pic, &big);
  EXPECT_EQ(pixel(gw, 0, 0), 0x00FF00u);
  EXPECT_EQ(pixel(gw, 7, 7), 0x00FF00u) << "the picture is scaled onto the rectangle";
  EXPECT_EQ(pixel(gw, 8, 8), 0xFFFFFFu);
}

// A recording keeps the port's wide-open clip; drawn at its own size further in, the clip
// moves with it and must not wrap around to nothing.
TEST_F(PictureTest, AnUnscaledPictureMovedElsewhereStillDraws) {
  OwnedWorld gw(world(32, 40, 40));
  Rect frame{0, 0, 10, 20};
  OwnedPicture pic(OpenPicture(&frame));
  PaintRect(&frame);
  ClosePicture();
  Rect moved{20, 15, 30, 35};
  DrawPicture(pic, &moved);
  EXPECT_EQ(pixel(gw, 15, 20), 0x000000u);
  EXPECT_EQ(pixel(gw, 34, 29), 0x000000u);
  EXPECT_EQ(pixel(gw, 14, 20), 0xFFFFFFu);
  EXPECT_EQ(pixel(gw, 15, 19), 0xFFFFFFu);
}

TEST_F(PictureTest, OneBitBitsAreColouredAsWhenDrawn) {
  const u8 rows[2] = {0xA0, 0x50};  // 1010 / 0101
  BitMap bm{const_cast<u8*>(rows), 1, Rect{0, 0, 2, 4}};
  Rect r{0, 0, 2, 4};
  const RGBColor fg{0x4000, 0x8000, 0xC000}, bg{0xFFFF, 0xEEEE, 0x1111};
  OwnedWorld direct(world(32, 4, 2));
  RGBForeColor(&fg);
  RGBBackColor(&bg);
  CopyBits(&bm, GetPortBitMapForCopyBits(direct), &r, &r, srcCopy, 0);
  OwnedWorld played(world(32, 4, 2));
  OwnedPicture pic(OpenPicture(&r));
  RGBForeColor(&fg);
  RGBBackColor(&bg);
  CopyBits(&bm, GetPortBitMapForCopyBits(played), &r, &r, srcCopy, 0);
  ClosePicture();
  ForeColor(blackColor);
  BackColor(whiteColor);
  DrawPicture(pic, &r);
  EXPECT_EQ(snapshot(played, 4, 2), snapshot(direct, 4, 2));
  EXPECT_EQ(pixel(played, 0, 0), 0x4080C0u);
  EXPECT_EQ(pixel(played, 1, 0), 0xFFEE11u);
}

TEST_F(PictureTest, PlaybackGoesThroughTheBottleneckTable) {
  OwnedWorld gw(world(32, 20, 20));
  Rect frame{0, 0, 20, 20};
  OwnedPicture pic(OpenPicture(&frame));
  Rect r{2, 2, 10, 10};
  PaintRect(&r);
  Handle data = 0;
  PtrToHand("note", &data, 4);
  PicComment(150, 4, data);
  PicComment(151, 0, 0);
  DisposeHandle(data);
  ClosePicture();
  std::vector<i16> comments;
  std::vector<std::string> texts;
  int rects = 0;
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.commentProc = [&](i16 kind, i16 size, Handle h) {
    comments.push_back(kind);
    if (h) texts.emplace_back(reinterpret_cast<const char*>(deref(h)), std::size_t(size));
  };
  procs.rectProc = [&](GrafVerb v, const Rect* rr) {
    ++rects;
    StdRect(v, rr);
  };
  SetPortGrafProcs(gw, &procs);
  DrawPicture(pic, &frame);
  EXPECT_EQ(rects, 1);
  ASSERT_EQ(comments.size(), 2u);
  EXPECT_EQ(comments[0], 150);
  EXPECT_EQ(comments[1], 151);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "note");
  EXPECT_EQ(inked(gw), 64);
}

TEST_F(PictureTest, DamagedPicturesStopAtTheDamage) {
  OwnedWorld gw(world(32, 20, 20));
  Rect frame{0, 0, 20, 20};
  OwnedPicture pic(OpenPicture(&frame));
  Rect r{2, 2, 10, 10};
  PaintOval(&r);
  RgnHandle rgn = NewRgn();
  Rect a{0, 0, 5, 5}, b{3, 3, 9, 12};
  RgnHandle other = NewRgn();
  RectRgn(rgn, a);
  RectRgn(other, b);
  UnionRgn(rgn, other, rgn);
  PaintRgn(rgn);
  DisposeRgn(rgn);
  DisposeRgn(other);
  ClosePicture();
  const Size full = GetHandleSize(pic);
  std::vector<u8> good(deref(pic), deref(pic) + full);
  // Every truncation, and every single-byte change, plays without harm.
  for (Size cut = 0; cut < full; ++cut) {
    SetHandleSize(pic, cut);
    if (cut > 0) std::memcpy(deref(pic), good.data(), std::size_t(cut));
    EXPECT_FALSE(picturevalid(pic)) << cut;
    DrawPicture(pic, &frame);
  }
  SetHandleSize(pic, full);
  for (Size at = 10; at < full; ++at) {
    std::memcpy(deref(pic), good.data(), good.size());
    deref(pic)[at] ^= 0xA5;
    DrawPicture(pic, &frame);
    picturevalid(pic);
  }
}

// A version-2 picture made by hand: a 4 x 2 PackBitsRect of 8-bit pixels with a two-entry
// colour table, rows packed.
TEST_F(PictureTest, PackedBitsFromOutsidePictures) {
  std::vector<u8> d;
  auto w16 = [&](int v) {
    d.push_back(u8((v >> 8) & 0xFF));
    d.push_back(u8(v & 0xFF));
  };
  auto w32 = [&](i64 v) {
    w16(int((v >> 16) & 0xFFFF));
    w16(int(v & 0xFFFF));
  };
  auto rect = [&](int t, int l, int b, int r) { w16(t), w16(l), w16(b), w16(r); };
  w16(0);
  rect(0, 0, 2, 4);
  w16(0x0011), w16(0x02FF);
  w16(0x0C00), w16(-2), w16(0), w32(72 << 16), w32(72 << 16), rect(0, 0, 2, 4), w32(0);
  w16(0x0098);
  w16(0x8000 | 8);  // row bytes 8 (rows are packed at 8 and more)
  rect(0, 0, 2, 4);
  w16(0), w16(0), w32(0), w32(72 << 16), w32(72 << 16), w16(0), w16(8), w16(1), w16(8), w32(0), w32(0), w32(0);
  w32(0), w16(0), w16(1);               // colour table: seed, flags, size 1 (two entries)
  w16(0), w16(0xFFFF), w16(0), w16(0);  // 0: red
  w16(1), w16(0), w16(0), w16(0xFFFF);  // 1: blue
  rect(0, 0, 2, 4);
  rect(0, 0, 2, 4);
  w16(0);
  // Row 0: literal 0 1 0 1 then 4 more (padding); row 1: eight 1s repeated.
  d.push_back(9), d.push_back(7), d.push_back(0), d.push_back(1), d.push_back(0), d.push_back(1), d.push_back(0),
      d.push_back(0), d.push_back(0), d.push_back(0);
  d.push_back(2), d.push_back(u8(-7)), d.push_back(1);
  if (d.size() & 1) d.push_back(0);
  w16(0x00FF);
  PicHandle pic = 0;
  ASSERT_EQ(PtrToHand(d.data(), &pic, Size(d.size())), noErr);
  EXPECT_TRUE(picturevalid(pic));
  OwnedWorld gw(world(32, 20, 20));
  Rect at{10, 10, 12, 14};
  DrawPicture(pic, &at);
  EXPECT_EQ(pixel(gw, 10, 10), 0xFF0000u);
  EXPECT_EQ(pixel(gw, 11, 10), 0x0000FFu);
  EXPECT_EQ(pixel(gw, 13, 11), 0x0000FFu);
  DisposeHandle(pic);
}

// A version-1 picture: one-byte opcodes, no alignment.
TEST_F(PictureTest, VersionOnePictures) {
  const u8 data[] = {0,    0,    0, 0, 0,   0, 0, 10, 0, 10,  // size, frame (0,0,10,10)
                     0x11, 0x01,                              // version 1
                     0x0E, 0,    0, 0, 205,                   // old-style foreground: red
                     0x31, 0,    2, 0, 2,   0, 5, 0,  6,      // paint rect (2,2,5,6)
                     0x22, 0,    8, 0, 1,   3, 0,             // short line from (1,8) by (3,0)
                     0xFF};
  PicHandle pic = 0;
  ASSERT_EQ(PtrToHand(data, &pic, Size(sizeof data)), noErr);
  EXPECT_TRUE(picturevalid(pic));
  OwnedWorld gw(world(32, 10, 10));
  Rect frame{0, 0, 10, 10};
  DrawPicture(pic, &frame);
  EXPECT_EQ(pixel(gw, 2, 2), 0xFF0000u);
  EXPECT_EQ(pixel(gw, 5, 4), 0xFF0000u);
  EXPECT_EQ(pixel(gw, 6, 4), 0xFFFFFFu);
  EXPECT_EQ(picture(gw, 0, 8, 6, 9), ".####.\n");
  RGBColor fg;
  GetForeColor(&fg);
  EXPECT_EQ(fg, (RGBColor{0, 0, 0})) << "the port's colours come back after playing";
  DisposeHandle(pic);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// An image with transparent parts keeps them through its PNG file and its picture: playback
// hands its bits procedure a map of four components whose top bytes are the alpha, a recording
// of that playback keeps it, and a plain copy shows the colours as stored (over white).
TEST_F(PictureTest, AnImagesAlphaTravelsThroughItsPngAndPicture) {
  DecodedImage image;
  image.width = 4;
  image.height = 1;
  image.pixels = {0xFF0000, 0xFFFFFF, 0xFF7F7F, 0x0000FF};
  image.alpha = {255, 0, 128, 255};
  std::vector<u8> png;
  ASSERT_TRUE(encodeimagepng(image, &png));
  DecodedImage back;
  std::string error;
  ASSERT_TRUE(decodeimage(png.data(), png.size(), &back, &error)) << error;
  EXPECT_EQ(back.pixels, image.pixels);
  EXPECT_EQ(back.alpha, image.alpha);
  OwnedPicture pic(imagepicture(back));
  ASSERT_NE(pic.get(), nilhandle);
  OwnedWorld gw(world(32, 4, 1));
  const Rect frame{0, 0, 1, 4};
  // The components and the words of the first row of the bit maps the picture plays.
  auto played = [&](PicHandle p, i16 components) {
    std::vector<u32> seen;
    QDProcs procs;
    SetStdCProcs(&procs);
    procs.bitsProc = [&](const BitMap* src, const Rect* sr, const Rect* dr, i16 mode, RgnHandle mask) {
      PixMap pm;
      std::memcpy(&pm, src, sizeof pm);
      EXPECT_EQ(pm.cmpCount, components);
      for (int x = 0; x < 4; ++x) seen.push_back(reinterpret_cast<const u32*>(pm.baseAddr)[x]);
      StdBits(src, sr, dr, mode, mask);
    };
    SetGWorld(gw, nilhandle);
    SetPortGrafProcs(gw, &procs);
    DrawPicture(p, &frame);
    SetPortGrafProcs(gw, nullptr);
    return seen;
  };
  const std::vector<u32> argb{0xFFFF0000, 0x00FFFFFF, 0x80FF7F7F, 0xFF0000FF};
  EXPECT_EQ(played(pic, 4), argb);
  std::vector<u32> colours = snapshot(gw, 4, 1);
  for (u32& c : colours) c &= 0xFFFFFF;
  EXPECT_EQ(colours, (std::vector<u32>{0xFF0000, 0xFFFFFF, 0xFF7F7F, 0x0000FF}));
  OwnedPicture again(OpenPicture(&frame));
  DrawPicture(pic, &frame);
  ClosePicture();
  EXPECT_EQ(played(again, 4), argb) << "a recording of the playback";

  // Without alpha the picture and its playback are as they were: three components.
  image.alpha.clear();
  OwnedPicture opaque(imagepicture(image));
  EXPECT_EQ(played(opaque, 3), (std::vector<u32>{0xFF0000, 0xFFFFFF, 0xFF7F7F, 0x0000FF}));
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The greys of a 32-bit world's pixels: those neither black nor white.
int greys(GWorldPtr gw, i32 w, i32 h) {
  int n = 0;
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) {
      const u32 v = pixel(gw, x, y) & 0xFFFFFF;
      n += v != 0 && v != 0xFFFFFF;
    }
  return n;
}

// The anti-aliased player draws the same picture: an oblique line and an oval get edge greys
// where the plain player has only black and white, square edges stay sharp, the port's clip
// holds, bit maps still reach the port's bits procedure, and a recording port records as the
// plain player would.
TEST_F(PictureTest, TheAntialiasedPlayerSmoothsOnlyWhatIsOblique) {
  const Rect frame{0, 0, 40, 40};
  OwnedWorld gw(world(32, 40, 40));
  OwnedPicture pic(OpenPicture(&frame));
  MoveTo(2, 3);
  LineTo(37, 20);
  const Rect oval{22, 4, 38, 20}, square{24, 26, 34, 36};
  PaintOval(&oval);
  PaintRect(&square);
  ClosePicture();

  DrawPicture(pic, &frame);
  EXPECT_EQ(greys(gw, 40, 40), 0) << "the plain player: two colours";
  const std::vector<u32> plain = snapshot(gw, 40, 40);
  EraseRect(&frame);
  ASSERT_EQ(DrawPictureAntialiased(pic, &frame), noErr);
  EXPECT_GT(greys(gw, 40, 40), 20) << "greys along the line and round the oval";
  for (i32 y = 24; y < 34; ++y)
    for (i32 x = 26; x < 36; ++x) EXPECT_EQ(pixel(gw, x, y) & 0xFFFFFF, 0u) << "the square is solid";
  EXPECT_EQ(pixel(gw, 23, 25) & 0xFFFFFF, 0xFFFFFFu) << "and its edge sharp";

  // Only the clip's part is drawn.
  EraseRect(&frame);
  const Rect left{0, 0, 40, 20};
  ClipRect(&left);
  ASSERT_EQ(DrawPictureAntialiased(pic, &frame), noErr);
  ClipRect(&frame);
  for (i32 y = 0; y < 40; ++y)
    for (i32 x = 20; x < 40; ++x) EXPECT_EQ(pixel(gw, x, y) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_GT(greys(gw, 20, 40), 0);

  // A port that records gets what the plain player records.
  OwnedPicture copy(OpenPicture(&frame));
  ASSERT_EQ(DrawPictureAntialiased(pic, &frame), noErr);
  ClosePicture();
  EraseRect(&frame);
  DrawPicture(copy, &frame);
  EXPECT_EQ(snapshot(gw, 40, 40), plain);
}

TEST_F(PictureTest, TheAntialiasedPlayerHandsBitMapsToThePortsProcedure) {
  const Rect frame{0, 0, 8, 8};
  OwnedWorld src(world(32, 8, 8));
  const RGBColor blue{0, 0, 0xFFFF};
  RGBForeColor(&blue);
  PaintRect(&frame);
  OwnedWorld gw(world(32, 8, 8));
  OwnedPicture pic(OpenPicture(&frame));
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(gw), &frame, &frame, srcCopy, nilid);
  ClosePicture();
  int calls = 0;
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.bitsProc = [&](const BitMap* s, const Rect* sr, const Rect* dr, i16 mode, RgnHandle mask) {
    ++calls;
    StdBits(s, sr, dr, mode, mask);
  };
  SetPortGrafProcs(gw, &procs);
  ASSERT_EQ(DrawPictureAntialiased(pic, &frame), noErr);
  SetPortGrafProcs(gw, nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(pixel(gw, 4, 4) & 0xFFFFFF, 0x0000FFu);
}

}  // namespace
}  // namespace kv
