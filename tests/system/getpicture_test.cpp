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
#include "platform/testing/testimages.h"
#include "core/mainglobals.h"
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

DecodedImage image(i32 w, i32 h, std::vector<u32> pixels) {
  DecodedImage im;
  im.width = w;
  im.height = h;
  im.pixels = std::move(pixels);
  return im;
}

using GetPictureTest = HomeFolderTest;

TEST_F(GetPictureTest, APictureFileIsReadAfterItsHeaderWithItsFrameInOrder) {
  std::vector<u8> data = pictdata();
  // The frame written right to left comes back in order.
  std::vector<u8> reversed = data;
  std::swap(reversed[4], reversed[8]);
  std::swap(reversed[5], reversed[9]);
  std::vector<u8> file(512, 0);
  file.insert(file.end(), reversed.begin(), reversed.end());
  writefile(dir, "Shape", file, fourcc("PICT"));
  Handle pic = nilhandle;
  ASSERT_EQ(getpicture(PName("Shape"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  ASSERT_EQ(GetHandleSize(pic), Size(data.size()));
  EXPECT_EQ(std::memcmp(deref(pic), data.data(), data.size()), 0);
  DisposeHandle(pic);

  writefile(dir, "Header only", std::vector<u8>(512, 0), fourcc("PICT"));
  EXPECT_EQ(getpicture(PName("Header only"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  writefile(dir, "Notes", file, fourcc("TEXT"));
  EXPECT_EQ(getpicture(PName("Notes"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  EXPECT_EQ(getpicture(PName("Missing"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  EXPECT_EQ(pic, nilhandle);
  writefile(dir, "untyped.pict", file, 0);
  ASSERT_EQ(getpicture(PName("untyped.pict"), kBootVolume, dir, 0, nullptr, 0, &pic), 0) << "by its name";
  DisposeHandle(pic);
}

TEST_F(GetPictureTest, TheFolderLastUsedIsSearchedFirstThenTheGivenOne) {
  u32 other = 0;
  ASSERT_EQ(DirCreate(kBootVolume, dir, PName("other"), &other), noErr);
  std::vector<u8> file(512, 0);
  std::vector<u8> data = pictdata();
  file.insert(file.end(), data.begin(), data.end());
  writefile(other, "Shape", file, fourcc("PICT"));
  mainglobals().lastvolume = kBootVolume;
  mainglobals().lastdirid = other;
  OwnedHandle pic;
  ASSERT_EQ(getpicture(PName("Shape"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
}

TEST_F(GetPictureTest, ImageFilesBecomePictures) {
  DecodedImage img = image(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0xFFFFFF, 0x808080});
  std::vector<u8> png = testimagefile(TestImageFormat::png, img);
  writefile(dir, "a.png", png, 0);
  Handle pic = nilhandle;
  ASSERT_EQ(getpicture(PName("a.png"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  Rect frame;
  QDGetPictureBounds(pic, &frame);
  EXPECT_EQ(frame.right - frame.left, 3);
  EXPECT_EQ(frame.bottom - frame.top, 2);
  EXPECT_EQ(qdtest::drawnpixels(pic, 3, 2), img.pixels);
  DisposeHandle(pic);

  DecodedImage redblue = image(3, 2, {0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000});
  writefile(dir, "b.gif", testimagefile(TestImageFormat::gif, redblue), fourcc("GIFf"));
  ASSERT_EQ(getpicture(PName("b.gif"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  EXPECT_EQ(qdtest::drawnpixels(pic, 3, 2), redblue.pixels);
  DisposeHandle(pic);

  std::vector<u32> px = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
  writefile(dir, "c.tif", testimagefile(TestImageFormat::tiff, image(2, 2, px)), 0);
  ASSERT_EQ(getpicture(PName("c.tif"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  EXPECT_EQ(qdtest::drawnpixels(pic, 2, 2), px);
  DisposeHandle(pic);

  // Damaged image data is no picture.
  std::vector<u8> broken = png;
  broken.resize(40);
  writefile(dir, "broken.png", broken, 0);
  EXPECT_EQ(getpicture(PName("broken.png"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  writefile(dir, "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3}, 0);
  EXPECT_EQ(getpicture(PName("broken.jpg"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
  std::vector<u8> huge = testimagefile(TestImageFormat::gif, redblue);
  huge[6] = huge[7] = 0xFF;
  huge[8] = huge[9] = 0xFF;  // 65535 x 65535
  writefile(dir, "huge.gif", huge, 0);
  EXPECT_EQ(getpicture(PName("huge.gif"), kBootVolume, dir, 0, nullptr, 0, &pic), 123);
}

TEST_F(GetPictureTest, AnIndexedPngBecomesAnEightBitPictureOfItsColours) {
  DecodedImage img = image(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0xFF0000, 0x00FF00});
  writefile(dir, "p.png", testimagefile(TestImageFormat::pngpalette, img), 0);
  Handle pic = nilhandle;
  ASSERT_EQ(getpicture(PName("p.png"), kBootVolume, dir, 0, nullptr, 0, &pic), 0);
  EXPECT_EQ(picturedepth(pic), 8);
  EXPECT_EQ(qdtest::drawnpixels(pic, 3, 2), img.pixels);
  DisposeHandle(pic);
}

TEST_F(GetPictureTest, PictResourcesByNameOrIdFromTheResourceForkBesideTheFile) {
  std::vector<u8> data = pictdata();
  std::string forkpath = home->path() + "/Album.rsrc";
  ASSERT_EQ(writeresourcefile(forkpath, {ResourceItem{fourcc("PICT"), 128, 0, "Logo", data},
                                         ResourceItem{fourcc("PICT"), 129, 0, "", data}}),
            noErr);
  writefile(dir, "Album", {1, 2, 3}, 0);
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
  writefile(dir, "target", {7, 8, 9}, 0);
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
