// Picture loading: picture files after their 512-byte header, image files (PNG, GIF, TIFF)
// read as pictures, 'PICT' resources of a file's resource fork by name or id, the folders
// searched, and files opened after their links are followed.
#include "system/getpicture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/qd.h"
#include "platform/resources/resources.h"
#include "platform/testing/temphome.h"
#include "shell/mainglobals.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/homefolder.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

// A picture of a black rectangle in a 20 x 10 frame.
std::vector<u8> pictdata() {
  GWorldPtr gw = qdtest::world(32, 20, 10);
  Rect frame{0, 0, 10, 20};
  PicHandle pic = OpenPicture(&frame);
  Rect box{2, 2, 8, 18};
  PaintRect(&box);
  ClosePicture();
  std::vector<u8> bytes(deref(pic), deref(pic) + GetHandleSize(pic));
  KillPicture(pic);
  DisposeGWorld(gw);
  return bytes;
}

// A GIF of the given palette indexes (2 colours, 3-bit codes kept by a clear code after every
// two pixels).
std::vector<u8> gif(u16 w, u16 h, const std::vector<u8>& indexes) {
  std::vector<u8> out = {'G', 'I', 'F', '8', '9', 'a', u8(w), u8(w >> 8), u8(h), u8(h >> 8), 0x80, 0, 0,
                         255, 0, 0, 0, 0, 255};  // red, blue
  out.insert(out.end(), {0x2C, 0, 0, 0, 0, u8(w), u8(w >> 8), u8(h), u8(h >> 8), 0, 2});
  std::vector<u8> bits;
  u32 acc = 0;
  int n = 0;
  auto code = [&](u32 c) {
    acc |= c << n;
    n += 3;
    while (n >= 8) {
      bits.push_back(u8(acc));
      acc >>= 8;
      n -= 8;
    }
  };
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    if (i % 2 == 0) code(4);
    code(indexes[i]);
  }
  code(5);
  if (n > 0) bits.push_back(u8(acc));
  for (std::size_t i = 0; i < bits.size(); i += 255) {
    std::size_t len = std::min<std::size_t>(255, bits.size() - i);
    out.push_back(u8(len));
    out.insert(out.end(), bits.begin() + long(i), bits.begin() + long(i + len));
  }
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}

// An uncompressed RGB TIFF (little-endian, one strip).
std::vector<u8> tiff(u16 w, u16 h, const std::vector<u32>& xrgb) {
  std::vector<u8> out = {'I', 'I', 42, 0, 8, 0, 0, 0};
  auto le16 = [&](u16 v) {
    out.push_back(u8(v));
    out.push_back(u8(v >> 8));
  };
  auto le32 = [&](u32 v) {
    for (int i = 0; i < 4; ++i) out.push_back(u8(v >> (8 * i)));
  };
  const u16 entries = 9;
  u32 after = 8 + 2 + entries * 12 + 4;  // the bits-per-sample values, then the pixels
  u32 pixels = after + 6;
  auto entry = [&](u16 tag, u16 type, u32 count, u32 value) {
    le16(tag);
    le16(type);
    le32(count);
    le32(value);
  };
  le16(entries);
  entry(256, 3, 1, w);
  entry(257, 3, 1, h);
  entry(258, 3, 3, after);
  entry(259, 3, 1, 1);
  entry(262, 3, 1, 2);
  entry(273, 4, 1, pixels);
  entry(277, 3, 1, 3);
  entry(278, 3, 1, h);
  entry(279, 4, 1, u32(w) * h * 3);
  le32(0);
  le16(8);
  le16(8);
  le16(8);
  for (u32 p : xrgb) {
    out.push_back(u8(p >> 16));
    out.push_back(u8(p >> 8));
    out.push_back(u8(p));
  }
  return out;
}

class GetPictureTest : public HomeFolderTest {
 protected:
  void write(u32 folder, const std::string& name, const std::vector<u8>& bytes, OSType type) {
    ASSERT_EQ(HCreate(kBootVolume, folder, PName(name), fourcc("ttxt"), type), noErr);
    FileRef ref;
    ASSERT_EQ(HOpen(kBootVolume, folder, PName(name), fsRdWrPerm, &ref), noErr);
    ASSERT_EQ(writeat(ref, 0, bytes.data(), i64(bytes.size())), noErr);
    FSClose(ref);
  }
  // The 32-bit pixels a picture draws over its frame.
  std::vector<u32> drawn(Handle pic, i16 w, i16 h) {
    GWorldPtr gw = qdtest::world(32, w, h);
    Rect r{0, 0, h, w};
    DrawPicture(pic, &r);
    std::vector<u32> out;
    for (i16 y = 0; y < h; ++y)
      for (i16 x = 0; x < w; ++x) out.push_back(qdtest::pixel(gw, x, y) & 0xFFFFFF);
    DisposeGWorld(gw);
    return out;
  }
};

TEST_F(GetPictureTest, APictureFileIsReadAfterItsHeaderWithItsFrameInOrder) {
  std::vector<u8> data = pictdata();
  // The frame written right to left comes back in order.
  std::vector<u8> reversed = data;
  std::swap(reversed[4], reversed[8]);
  std::swap(reversed[5], reversed[9]);
  std::vector<u8> file(512, 0);
  file.insert(file.end(), reversed.begin(), reversed.end());
  write(dir, "Shape", file, fourcc("PICT"));
  Handle pic = nilhandle;
  ASSERT_EQ(getpicture(PName("Shape"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  ASSERT_EQ(GetHandleSize(pic), Size(data.size()));
  EXPECT_EQ(std::memcmp(deref(pic), data.data(), data.size()), 0);
  DisposeHandle(pic);

  write(dir, "Header only", std::vector<u8>(512, 0), fourcc("PICT"));
  EXPECT_EQ(getpicture(PName("Header only"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  write(dir, "Notes", file, fourcc("TEXT"));
  EXPECT_EQ(getpicture(PName("Notes"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  EXPECT_EQ(getpicture(PName("Missing"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  EXPECT_EQ(pic, nilhandle);
  write(dir, "untyped.pict", file, 0);
  ASSERT_EQ(getpicture(PName("untyped.pict"), kBootVolume, dir, 0, nullptr, 0, &pic), 0) << "by its name";
  DisposeHandle(pic);
}

TEST_F(GetPictureTest, TheFolderLastUsedIsSearchedFirstThenTheGivenOne) {
  u32 other = 0;
  ASSERT_EQ(DirCreate(kBootVolume, dir, PName("other"), &other), noErr);
  std::vector<u8> file(512, 0);
  std::vector<u8> data = pictdata();
  file.insert(file.end(), data.begin(), data.end());
  write(other, "Shape", file, fourcc("PICT"));
  mainglobals().lastvolume = kBootVolume;
  mainglobals().lastdirid = other;
  OwnedHandle pic;
  ASSERT_EQ(getpicture(PName("Shape"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
}

TEST_F(GetPictureTest, ImageFilesBecomePictures) {
  DecodedImage img;
  img.width = 3;
  img.height = 2;
  img.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0xFFFFFF, 0x808080};
  std::vector<u8> png;
  ASSERT_TRUE(encodeimagepng(img, &png));
  write(dir, "a.png", png, 0);
  Handle pic = nilhandle;
  ASSERT_EQ(getpicture(PName("a.png"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  Rect frame;
  QDGetPictureBounds(pic, &frame);
  EXPECT_EQ(frame.right - frame.left, 3);
  EXPECT_EQ(frame.bottom - frame.top, 2);
  EXPECT_EQ(drawn(pic, 3, 2), img.pixels);
  DisposeHandle(pic);

  write(dir, "b.gif", gif(3, 2, {0, 1, 0, 1, 1, 0}), fourcc("GIFf"));
  ASSERT_EQ(getpicture(PName("b.gif"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  EXPECT_EQ(drawn(pic, 3, 2), (std::vector<u32>{0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000}));
  DisposeHandle(pic);

  std::vector<u32> px = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
  write(dir, "c.tif", tiff(2, 2, px), 0);
  ASSERT_EQ(getpicture(PName("c.tif"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  EXPECT_EQ(drawn(pic, 2, 2), px);
  DisposeHandle(pic);

  // Damaged image data is no picture.
  std::vector<u8> broken = png;
  broken.resize(40);
  write(dir, "broken.png", broken, 0);
  EXPECT_EQ(getpicture(PName("broken.png"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  write(dir, "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3}, 0);
  EXPECT_EQ(getpicture(PName("broken.jpg"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  std::vector<u8> huge = gif(3, 2, {0, 1, 0, 1, 1, 0});
  huge[6] = huge[7] = 0xFF;
  huge[8] = huge[9] = 0xFF;  // 65535 x 65535
  write(dir, "huge.gif", huge, 0);
  EXPECT_EQ(getpicture(PName("huge.gif"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
}

TEST_F(GetPictureTest, PictResourcesByNameOrIdFromTheResourceForkBesideTheFile) {
  std::vector<u8> data = pictdata();
  std::string forkpath = home->path() + "/Album.rsrc";
  ASSERT_EQ(writeresourcefile(forkpath, {ResourceItem{fourcc("PICT"), 128, 0, "Logo", data},
                                         ResourceItem{fourcc("PICT"), 129, 0, "", data}}),
            noErr);
  write(dir, "Album", {1, 2, 3}, 0);
  i16 before = CountResFiles(), current = CurResFile();
  Handle pic = nilhandle;
  ASSERT_EQ(getpicture(PName("Album"), kBootVolume, dir, 1, PName("Logo"), 999, &pic), 0) << "the name, not the id";
  EXPECT_EQ(GetHandleSize(pic), Size(data.size()));
  DisposeHandle(pic);
  ASSERT_EQ(getpicture(PName("Album"), kBootVolume, dir, 1, PName(""), 129, &pic), 0) << "no name: the id";
  DisposeHandle(pic);
  EXPECT_EQ(getpicture(PName("Album"), kBootVolume, dir, 1, PName(""), 130, &pic), 130);
  EXPECT_EQ(getpicture(PName("Nothing"), kBootVolume, dir, 1, PName(""), 128, &pic), 130);
  EXPECT_EQ(CountResFiles(), before) << "files opened for the call are closed again";
  EXPECT_EQ(CurResFile(), current);

  // A file open before the call stays open.
  i16 open = OpenResFile(forkpath);
  ASSERT_GT(open, 0);
  UseResFile(current);
  ASSERT_EQ(getpicture(PName("Album"), kBootVolume, dir, 1, PName("Logo"), 0, &pic), 0);
  DisposeHandle(pic);
  EXPECT_EQ(CountResFiles(), before + 1);
  CloseResFile(open);
}

TEST_F(GetPictureTest, FilesOpenThroughTheirLinks) {
  write(dir, "target", {7, 8, 9}, 0);
  std::filesystem::create_symlink(home->path() + "/target", home->path() + "/link");
  FileRef ref = nilid;
  ASSERT_EQ(fsopenit(PName("link"), kBootVolume, dir, &ref), noErr);
  u8 b[3];
  ASSERT_EQ(readat(ref, 0, b, 3), noErr);
  EXPECT_EQ(b[2], 9);
  FSClose(ref);
  EXPECT_EQ(fsopenit(PName("none"), kBootVolume, dir, &ref), fnfErr);
}

}  // namespace
}  // namespace kv
