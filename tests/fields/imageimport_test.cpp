// Images imported as pictures from files and from memory through the graphics importers, the
// import's failures, who disposes of the data, and offscreen worlds made into pictures.
#include "fields/imageimport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/importers.h"
#include "platform/qd/qd.h"
#include "platform/testing/testimages.h"
#include "core/mainglobals.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/homefolder.h"

namespace kv {
namespace {

DecodedImage sample(i32 w, i32 h) {
  DecodedImage im;
  im.width = w;
  im.height = h;
  for (i32 i = 0; i < w * h; ++i) im.pixels.push_back((u32(i) * 0x0B1D2Fu) & 0xFFFFFF);
  return im;
}

class ImageImportTest : public HomeFolderTest {
 protected:
  void SetUp() override {
    HomeFolderTest::SetUp();
    mainglobals().quicktimepresent = 1;
  }
  void TearDown() override {
    EXPECT_EQ(opencomponentcount(), 0u) << "an importer was left open";
    HomeFolderTest::TearDown();
  }
  std::string path(const std::string& name) { return home->path() + "/" + name; }
  Handle handleof(const std::vector<u8>& bytes) {
    Handle h = NewHandle(Size(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), deref(h));
    return h;
  }
};

TEST_F(ImageImportTest, ImageFilesImportAsPicturesOfTheirPixels) {
  struct Row {
    TestImageFormat format;
    const char* name;  // TGA and MacPaint files are known by their extension
  };
  const Row rows[] = {{TestImageFormat::png, "a.img"},  {TestImageFormat::jpeg, "b.img"},
                      {TestImageFormat::tiff, "c.img"}, {TestImageFormat::gif, "d.img"},
                      {TestImageFormat::bmp, "e.img"},  {TestImageFormat::psd, "f.img"},
                      {TestImageFormat::tga, "g.TGA"},  {TestImageFormat::macpaint, "h.pntg"}};
  for (const Row& r : rows) {
    DecodedImage im = r.format == TestImageFormat::macpaint ? sample(576, 720) : sample(7, 5);
    std::vector<u8> file = testimagefile(r.format, im);
    ASSERT_FALSE(file.empty()) << r.name;
    writefile(dir, r.name, file, 0);
    if (r.format == TestImageFormat::jpeg) {
      std::string error;
      ASSERT_TRUE(decodeimage(file.data(), file.size(), &im, &error));
    }
    if (r.format == TestImageFormat::macpaint)
      for (u32& p : im.pixels) p = p == 0xFFFFFF ? 0xFFFFFF : 0;
    PicHandle pic = nilhandle;
    ASSERT_EQ(importimage(PName(path(r.name)), &pic), 0) << r.name;
    Rect frame{};
    QDGetPictureBounds(pic, &frame);
    EXPECT_EQ(frame, (Rect{0, 0, i16(im.height), i16(im.width)})) << r.name;
    EXPECT_EQ(qdtest::drawnpixels(pic, i16(im.width), i16(im.height)), im.pixels) << r.name;
    KillPicture(pic);
  }
}

TEST_F(ImageImportTest, FilesThatDoNotImport) {
  std::vector<u8> png = testimagefile(TestImageFormat::png, sample(7, 5));
  writefile(dir, "picture", png, fourcc("PICT"));
  std::vector<u8> damaged = png;
  for (std::size_t i = 40; i < damaged.size() - 12; ++i) damaged[i] ^= 0x5A;
  writefile(dir, "damaged.png", damaged, 0);
  writefile(dir, "notes.txt", {'h', 'i'}, 0);
  PicHandle pic = nilhandle;
  EXPECT_EQ(importimage(PName(path("picture")), &pic), 182);
  EXPECT_EQ(importimage(PName(path("notes.txt")), &pic), 182);
  EXPECT_EQ(importimage(PName(path("damaged.png")), &pic), 190);
  EXPECT_EQ(importimage(PName(path("missing.png")), &pic), 183);
  EXPECT_EQ(pic, nilhandle);
  // A bare name is looked for in the folder written files go to, then in the home folder.
  writefile(dir, "good.png", png, 0);
  mainglobals().homefolder = dir;
  ASSERT_EQ(importimage(PName("good.png"), &pic), 0);
  KillPicture(pic);
  mainglobals().quicktimepresent = 0;
  EXPECT_EQ(importimage(PName(path("good.png")), &pic), 201);
}

TEST_F(ImageImportTest, DataInMemoryIsDisposedOfOnceThePictureWasAskedFor) {
  auto live = [] { return memoryfigures().livehandles; };
  std::vector<u8> png = testimagefile(TestImageFormat::png, sample(7, 5));
  PicHandle pic = nilhandle;
  ASSERT_EQ(importimagedata(handleof(png), fourcc("PNGf"), &pic), 0);
  EXPECT_EQ(qdtest::drawnpixels(pic, 7, 5), sample(7, 5).pixels);
  KillPicture(pic);
  std::size_t before = live();
  ASSERT_EQ(importimagedata(handleof(png), fourcc("PNGf"), &pic), 0);
  EXPECT_EQ(live(), before + 1) << "only the picture is left";
  KillPicture(pic);

  std::vector<u8> damaged = png;
  for (std::size_t i = 40; i < damaged.size() - 12; ++i) damaged[i] ^= 0x5A;
  EXPECT_EQ(importimagedata(handleof(damaged), fourcc("PNGf"), &pic), 190);
  EXPECT_EQ(live(), before) << "the failed picture still took the data";

  // Failures before the picture was asked for leave the data to the caller.
  Handle data = handleof(png);
  EXPECT_EQ(importimagedata(data, fourcc("JPEG"), &pic), 182) << "not JPEG data";
  EXPECT_EQ(importimagedata(data, fourcc("XXXX"), &pic), 182) << "no such importer";
  EXPECT_EQ(live(), before + 1);
  DisposeHandle(data);

  // An importer without the validation call passes only with no data size.
  ASSERT_EQ(importimagedata(handleof(testimagefile(TestImageFormat::tga, sample(3, 2))), fourcc("tga "), &pic), 0);
  KillPicture(pic);
}

TEST_F(ImageImportTest, WorldsBecomePicturesThatDrawTheSamePixels) {
  GWorldPtr gw = qdtest::world(32, 24, 16);
  Rect r{2, 3, 14, 20};
  Pattern gray;
  GetQDGlobalsGray(&gray);
  RGBColor blue{0, 0, 0xFFFF};
  RGBForeColor(&blue);
  FillRect(&r, &gray);
  std::vector<u32> want;
  for (i32 y = 0; y < 16; ++y)
    for (i32 x = 0; x < 24; ++x) want.push_back(qdtest::pixel(gw, x, y) & 0xFFFFFF);
  PicHandle pic = nilhandle;
  ASSERT_EQ(gworldtopict(gw, &pic, fixed72dpi, fixed72dpi), 0);
  DisposeGWorld(gw);
  EXPECT_EQ(qdtest::drawnpixels(pic, 24, 16), want);
  KillPicture(pic);

  expectbadhandleuses();
  EXPECT_EQ(gworldtopict(gw, &pic, fixed72dpi, fixed72dpi), 118) << "a world that is gone";
  EXPECT_EQ(pic, nilhandle);
}

// An importer draws its image into a world of the image's size made from its description.
TEST_F(ImageImportTest, AnImporterDrawsIntoAWorldOfTheImagesSize) {
  const DecodedImage image = sample(7, 5);
  const std::vector<u8> png = testimagefile(TestImageFormat::png, image);
  Handle data = handleof(png);
  ComponentInstance importer = nilid;
  ASSERT_EQ(OpenADefaultComponent(GraphicsImporterComponentType, fourcc("PNGf"), &importer), noErr);
  ASSERT_EQ(GraphicsImportSetDataHandle(importer, data), noErr);
  EXPECT_EQ(GraphicsImportDraw(importer), paramErr) << "no world set";
  ImageDescription desc{};
  ASSERT_EQ(GraphicsImportGetImageDescription(importer, &desc), noErr);
  GWorldPtr world = nilid;
  ASSERT_EQ(NewImageGWorld(&world, &desc, 0), noErr);
  Rect bounds{0, 0, 0, 0};
  GetPixBounds(GetGWorldPixMap(world), &bounds);
  EXPECT_EQ(bounds, (Rect{0, 0, 5, 7}));
  ASSERT_EQ(GraphicsImportSetGWorld(importer, world, nilhandle), noErr);
  GWorldPtr other = qdtest::world(32, 4, 4);  // current
  ASSERT_EQ(GraphicsImportDraw(importer), noErr);
  EXPECT_EQ(currentportid(), other) << "the port is put back";
  DisposeGWorld(other);
  for (i32 i = 0; i < 35; ++i)
    EXPECT_EQ(qdtest::pixel(world, i % 7, i / 7) & 0xFFFFFF, image.pixels[std::size_t(i)]) << i;
  DisposeGWorld(world);
  // Damaged data draws nothing.
  SetHandleSize(data, 40);
  world = nilid;
  ASSERT_EQ(NewImageGWorld(&world, &desc, 0), noErr);
  GraphicsImportSetGWorld(importer, world, nilhandle);
  EXPECT_EQ(GraphicsImportDraw(importer), codecBadDataErr);
  DisposeGWorld(world);
  CloseComponent(importer);
  DisposeHandle(data);
}

}  // namespace
}  // namespace kv
