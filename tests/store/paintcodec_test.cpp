#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <random>
#include <vector>

#include "platform/memory/memory.h"
#include "store/packing.h"
#include "store/paintcodec.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using PaintCodecTest = RuntimeTest;

Handle handleof(const std::vector<u8>& bytes) {
  Handle h = NewHandle(Size(bytes.size()));
  if (!bytes.empty()) std::memcpy(deref(h), bytes.data(), bytes.size());
  return h;
}
std::vector<u8> bytesof(Handle h) {
  std::vector<u8> v(size_t(GetHandleSize(h)));
  if (!v.empty()) std::memcpy(v.data(), deref(h), v.size());
  return v;
}
Rect rectof(i16 height, i16 width) { return Rect{10, 20, i16(10 + height), i16(20 + width)}; }

TEST_F(PaintCodecTest, WhiteImagePacksToAFillAndARepeat) {
  Rect r = rectof(10, 40);  // 1-bit rows of 6 bytes
  OwnedHandle image(NewHandleClear(10 * 6));
  OwnedHandle packed(packimage(r, image));
  ASSERT_NE(packed, nilhandle);
  EXPECT_EQ(bytesof(packed), (std::vector<u8>{0x10, 0x89}));
  OwnedHandle back(unpackimage(r, packed));
  ASSERT_NE(back, nilhandle);
  EXPECT_EQ(bytesof(back), bytesof(image));
}

TEST_F(PaintCodecTest, LiteralRowAndItsCopiesShareRepeatBytes) {
  // A row that is neither a fill nor a pair and scores too low for a coded line.
  const std::vector<u8> row{1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<u8> bytes;
  for (int i = 0; i < 130; ++i) bytes.insert(bytes.end(), row.begin(), row.end());
  Rect r = rectof(130, 64);
  OwnedHandle image(handleof(bytes));
  OwnedHandle packed(packimage(r, image));
  ASSERT_NE(packed, nilhandle);
  std::vector<u8> want{0};
  want.insert(want.end(), row.begin(), row.end());
  want.insert(want.end(), {1, 0xFF, 1});
  EXPECT_EQ(bytesof(packed), want);
  OwnedHandle back(unpackimage(r, packed));
  ASSERT_NE(back, nilhandle);
  EXPECT_EQ(bytesof(back), bytes);
}

std::vector<u8> codeline(const std::vector<u8>& row) {
  std::vector<u8> out(row.size() + row.size() / 4 + 8);
  out.resize(size_t(codelinex(row.data(), i32(row.size()), out.data())));
  return out;
}

TEST_F(PaintCodecTest, CodedLineItems) {
  EXPECT_EQ(codeline(std::vector<u8>(12, 0)), (std::vector<u8>{0x00}));

  std::vector<u8> twenty(20);
  for (int i = 0; i < 20; ++i) twenty[size_t(i)] = u8(i + 1);
  std::vector<u8> want{0x94};
  want.insert(want.end(), twenty.begin(), twenty.end());
  EXPECT_EQ(codeline(twenty), want);

  EXPECT_EQ(codeline({0, 0, 0, 7, 9}), (std::vector<u8>{0x23, 7, 9}));

  std::vector<u8> zeros(70, 0);
  zeros.insert(zeros.end(), {5, 6, 7, 8});
  EXPECT_EQ(codeline(zeros), (std::vector<u8>{0xFF, 0xC7, 0x84, 5, 6, 7, 8}));

  // Every line reads back to its row, consuming exactly what was written.
  for (const auto& line : {twenty, zeros, std::vector<u8>{0, 0, 0, 7, 9}, std::vector<u8>(12, 0)}) {
    std::vector<u8> coded = codeline(line);
    std::vector<u8> row(line.size(), 0xEE);
    EXPECT_EQ(uncodelinex(coded.data(), i32(coded.size()), row.data(), i32(row.size())), i32(coded.size()));
    EXPECT_EQ(row, line);
  }
}

TEST_F(PaintCodecTest, CodedLineRejectsItemsPastTheRowOrTheStream) {
  std::vector<u8> row(4);
  const u8 pastrow[] = {0x85, 1, 2, 3, 4, 5};  // 5 literal bytes into a 4-byte row
  EXPECT_EQ(uncodelinex(pastrow, 6, row.data(), 4), -1);
  const u8 short_[] = {0x84, 1, 2};  // the stream ends inside the item
  EXPECT_EQ(uncodelinex(short_, 3, row.data(), 4), -1);
  const u8 noend[] = {0xC2};  // two zeros, then the stream ends before the row is full
  EXPECT_EQ(uncodelinex(noend, 1, row.data(), 4), -1);
}

// Images whose rows exercise every code: copies, fills, pairs, small changes from the rows
// above, smooth ramps and noise.
std::vector<u8> makeimage(std::mt19937& rng, i32 height, i32 rowbytes) {
  std::vector<u8> img(size_t(height) * size_t(rowbytes));
  for (i32 r = 0; r < height; ++r) {
    u8* row = img.data() + size_t(r) * size_t(rowbytes);
    switch (rng() % 8) {
      case 0:
        for (i32 i = 0; i < rowbytes; ++i) row[i] = u8(rng());
        break;
      case 1:
        if (r > 0)
          std::memcpy(row, row - size_t(1 + rng() % std::min<i32>(r, 15)) * size_t(rowbytes), size_t(rowbytes));
        break;
      case 2: std::memset(row, int(rng() & 0xFF), size_t(rowbytes)); break;
      case 3: {
        u8 a = u8(rng()), b = u8(rng());
        for (i32 i = 0; i < rowbytes; ++i) row[i] = (i & 1) ? b : a;
        break;
      }
      case 4:
      case 5:
        if (r > 0) {
          std::memcpy(row, row - size_t(rowbytes) * size_t(r >= 2 && (rng() & 1) ? 2 : 1), size_t(rowbytes));
          for (int k = 0; k < 3; ++k) row[rng() % u32(rowbytes)] ^= u8(1 + rng() % 255);
        }
        break;
      case 6: {
        u8 v = u8(rng());
        for (i32 i = 0; i < rowbytes; ++i) row[i] = u8(v + (i / 7));
        break;
      }
      default:
        for (i32 i = 0; i < rowbytes; ++i) row[i] = (rng() % 9 == 0) ? u8(rng()) : 0;
        break;
    }
  }
  return img;
}

TEST_F(PaintCodecTest, OneBitImagesRoundTripPaddingExcepted) {
  std::mt19937 rng(7);
  for (i16 width : {1, 7, 15, 16, 17, 31, 32, 33, 100, 129, 640}) {
    for (i16 height : {1, 2, 3, 17, 140}) {
      Rect r = rectof(height, width);
      PaintGeometry g = paintgeometry(r, false);
      std::vector<u8> img = makeimage(rng, height, g.rowbytes);
      Handle image = handleof(img);
      Handle packed = packimage(r, image);
      ASSERT_NE(packed, nilhandle) << width << "x" << height;
      // packimage clears the padding bits of the image itself.
      clearimage(img.data(), height, width, g.rowbytes);
      EXPECT_EQ(bytesof(image), img);
      Handle back = unpackimage(r, packed);
      ASSERT_NE(back, nilhandle);
      EXPECT_EQ(bytesof(back), img) << width << "x" << height;
      DisposeHandle(back);
      DisposeHandle(packed);
      DisposeHandle(image);
    }
  }
}

TEST_F(PaintCodecTest, ColourImagesRoundTripPaddingExcepted) {
  std::mt19937 rng(11);
  for (i16 width : {1, 3, 4, 5, 8, 13, 64, 101, 333}) {
    for (i16 height : {1, 2, 5, 60}) {
      Rect r = rectof(height, width);
      PaintGeometry g = paintgeometry(r, true);
      ASSERT_EQ(g.rowbytes % 4, 0);
      std::vector<u8> img = makeimage(rng, height, g.rowbytes);
      Handle image = handleof(img);
      Handle packed = packcolor(r, image);
      ASSERT_NE(packed, nilhandle);
      EXPECT_EQ(bytesof(image), img) << "packcolor leaves the image alone";
      Handle back = unpackcolor(r, packed);
      ASSERT_NE(back, nilhandle);
      const std::vector<u8>& want = img;
      const std::vector<u8> got = bytesof(back);
      ASSERT_EQ(got.size(), want.size());
      for (i32 row = 0; row < height; ++row)
        for (i32 i = 0; i < g.rowbytes; ++i) {
          size_t at = size_t(row) * size_t(g.rowbytes) + size_t(i);
          if (i < width) ASSERT_EQ(got[at], want[at]) << width << "x" << height << " row " << row << " byte " << i;
          else ASSERT_EQ(got[at], 0) << "padding comes back zero";
        }
      DisposeHandle(back);
      DisposeHandle(packed);
      DisposeHandle(image);
    }
  }
}

// A colour image's pixels are colour indexes in stored order: pixel i of a row is byte i of
// the row in the stream.
TEST_F(PaintCodecTest, ColourPixelsKeepTheirStoredOrder) {
  const std::vector<u8> stream{0, 10, 11, 12, 13, 14, 15, 16, 17};  // one literal row
  OwnedHandle packed(handleof(stream));
  OwnedHandle image(unpackcolor(Rect{0, 0, 1, 8}, packed));
  ASSERT_NE(image, nilhandle);
  EXPECT_EQ(bytesof(image), (std::vector<u8>{10, 11, 12, 13, 14, 15, 16, 17}));
}

TEST_F(PaintCodecTest, WideColourRowsNeedMoreThanSixteenBits) {
  std::mt19937 rng(3);
  Rect r{0, -20000, 4, 20000};  // 40,000-byte rows
  PaintGeometry g = paintgeometry(r, true);
  ASSERT_EQ(g.rowbytes, 40000);
  std::vector<u8> img = makeimage(rng, 4, g.rowbytes);
  OwnedHandle image(handleof(img));
  OwnedHandle packed(packcolor(r, image));
  ASSERT_NE(packed, nilhandle);
  OwnedHandle back(unpackcolor(r, packed));
  ASSERT_NE(back, nilhandle);
  EXPECT_EQ(bytesof(back), img);
}

TEST_F(PaintCodecTest, EmptyImagesAndBogusRectangles) {
  Rect flat{5, 5, 5, 100};
  OwnedHandle none(NewHandle(0));
  for (bool colour : {false, true}) {
    Handle packed = colour ? packcolor(flat, none) : packimage(flat, none);
    ASSERT_NE(packed, nilhandle);
    EXPECT_EQ(GetHandleSize(packed), 0);
    Handle back = colour ? unpackcolor(flat, packed) : unpackimage(flat, packed);
    ASSERT_NE(back, nilhandle);
    EXPECT_EQ(GetHandleSize(back), 0);
    DisposeHandle(back);
    DisposeHandle(packed);
  }
  Rect upside{50, 0, 10, 16};
  Handle out = 1;
  EXPECT_EQ(packbits(none, upside, 0, &out), kCodecFailed);
  EXPECT_EQ(out, nilhandle);
  EXPECT_EQ(unpackbits(none, upside, 1, &out), kCodecFailed);
  EXPECT_EQ(unpackbits(none, Rect{0, 30, 10, 0}, 0, &out), kCodecFailed);
  // An image handle smaller than its rectangle is refused rather than read past.
  OwnedHandle small(NewHandleClear(10));
  EXPECT_EQ(packimage(Rect{0, 0, 10, 16}, small), nilhandle);
  EXPECT_EQ(packcolor(Rect{0, 0, 10, 16}, small), nilhandle);
}

TEST_F(PaintCodecTest, MalformedStreamsAreRefused) {
  Rect r = rectof(3, 16);  // rows of 2 bytes
  auto decode = [&](std::vector<u8> stream) {
    Handle p = handleof(stream);
    Handle img = unpackimage(r, p);
    DisposeHandle(p);
    std::vector<u8> v = img ? bytesof(img) : std::vector<u8>{};
    bool ok = img != nilhandle;
    if (img) DisposeHandle(img);
    return std::make_pair(ok, v);
  };
  EXPECT_TRUE(decode({0x11, 0x82}).first);
  EXPECT_FALSE(decode({0x11}).first) << "the stream ends before the last row";
  EXPECT_FALSE(decode({0x01, 0x11, 0x11}).first) << "a copy of a row above the first";
  EXPECT_FALSE(decode({0x82, 0x11}).first) << "a repeat before any code";
  EXPECT_FALSE(decode({0x1B, 0x00, 0x11, 0x11}).first) << "XOR with a row above the first";
  EXPECT_FALSE(decode({0x00, 0xAB}).first) << "a literal row cut short";
  EXPECT_FALSE(decode({0x80, 0x11, 0x11}).first) << "a repeat of no rows";
  // An unknown code gives no row: the rows after it move up and the last one stays zero.
  auto shifted = decode({0x11, 0x40, 0x12, 0x12});
  ASSERT_TRUE(shifted.first);
  EXPECT_EQ(shifted.second, (std::vector<u8>{0xFF, 0xFF, 0xAA, 0xAA, 0, 0}));
}

}  // namespace
}  // namespace kv
