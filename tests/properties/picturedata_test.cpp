// `set the pictureData of <object> to <source>`: every source, the sources that find nothing,
// the copy and the move between objects, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/textutil.h"
#include "fields/imageimport.h"
#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/testing/testimages.h"
#include "platform/text/pstring.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "store/objects.h"
#include "system/externalstate.h"
#include "system/xservices.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

using testproject::Object;

DecodedImage image(i32 w, i32 h) { return rampimage(w, h, 0x203040u); }

class PictureDataTest : public PropertyTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    mainglobals().quicktimepresent = 1;
    logo = importedpng(testimagefile(TestImageFormat::png, image(5, 4)));
    testproject::Project p = project();
    Object second;
    second.kind = Object::graphic;
    second.name = "Box2";
    second.rect = Rect{150, 30, 190, 90};
    Object well;
    well.name = "Well";
    well.style = 211;
    p.windows[0].cards[0].objects.insert(p.windows[0].cards[0].objects.end(), {second, well});
    p.resources = {testproject::Resource{fourcc("PICT"), "Logo", logo}};
    build(p);
    ASSERT_EQ(open(), 0);
  }
  static Handle picturedata(std::string_view name) { return GetPictDataHandle(cardspot(name).alt); }
  static bool haspicture(std::string_view name) {
    Handle h = picturedata(name);
    return h != nilhandle && GetHandleSize(h) > 0;
  }
  static Rect imagerect(std::string_view name) { return GetImageRect(cardspot(name).alt); }
  std::string writefile(std::string_view name, const std::vector<u8>& bytes) {
    std::string path = home->path() + "/" + std::string(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  static std::string result56() { return std::string(pstringview(resultstr(56))); }
  // Puts the bytes of a PNG of w x h into the global x, a few at a time.
  void pngintox(i32 w, i32 h) {
    ASSERT_EQ(doline("global x\nput empty into x"), 0);
    const std::vector<u8> png = testimagefile(TestImageFormat::png, image(w, h));
    for (std::size_t i = 0; i < png.size(); i += 8) {
      std::string e;
      for (std::size_t k = i; k < std::min(png.size(), i + 8); ++k)
        e += (e.empty() ? "" : " & ") + std::string("numToChar(") + std::to_string(png[k]) + ")";
      ASSERT_EQ(doline("global x\nput " + e + " after x"), 0);
    }
    ASSERT_EQ(cardvalue("the length of x"), std::to_string(png.size()));
  }
  std::vector<u8> logo;
};

TEST_F(PictureDataTest, SimpleSources) {
  pngintox(3, 2);
  ASSERT_EQ(setline("global x\nset the pictureData of card graphic \"Box\" to display x as png"), 0);
  ASSERT_TRUE(haspicture("Box"));
  EXPECT_EQ(imagerect("Box").right - imagerect("Box").left, 3);
  EXPECT_EQ(imagerect("Box").bottom - imagerect("Box").top, 2);
  EXPECT_EQ(setline("global x\nset the pictureData of card graphic \"Box\" to display x as \"bogus\""), 2);
  EXPECT_TRUE(haspicture("Box")) << "a refused format changes nothing";
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to empty"), 0);
  EXPECT_FALSE(haspicture("Box"));
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to data \"Logo\""), 0);
  EXPECT_EQ(imagerect("Box").right - imagerect("Box").left, 5);
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to display \"123456789\""), 0);
  EXPECT_FALSE(haspicture("Box")) << "9 bytes are no picture";
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to resource 100"), 0);
  EXPECT_TRUE(haspicture("Box")) << "the project's first resource";
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to none"), 0);
  EXPECT_FALSE(haspicture("Box"));
  setrows({{"set the pictureData of card graphic \"Box\" to data \"nosuch\"", "the result",
            std::string(pstringview(resultstr(15)))},
           {"set the pictureData of card graphic \"Box\" to resource 999", "the result",
            std::string(pstringview(resultstr(46)))}});
  writefile("a.png", testimagefile(TestImageFormat::png, image(2, 2)));
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to reference file \"" + home->path() + "/a.png\""), 0);
  Handle link = GetPictPathHandle(cardspot("Box").alt);
  ASSERT_NE(link, nilhandle);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(link)), size_t(GetHandleSize(link))),
            home->path() + "/a.png");
  EXPECT_FALSE(haspicture("Box")) << "a link embeds nothing";
}

TEST_F(PictureDataTest, ResourcesOfFiles) {
  // A resource file whose path is longer than a short string.
  const std::string folder = home->path() + "/" + std::string(150, 'r') + "/" + std::string(120, 's');
  std::filesystem::create_directories(folder);
  const std::string file = folder + "/x.pict";
  ASSERT_GT(file.size(), 255u);
  ASSERT_EQ(writeresourcefile(file, {ResourceItem{fourcc("PICT"), 128, 0, "Mark", logo}}), noErr);
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to resource 128 of file \"" + file + "\""), 0);
  ASSERT_TRUE(haspicture("Box"));
  EXPECT_EQ(imagerect("Box").right - imagerect("Box").left, 5);
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box2\" to resource \"Mark\" of file \"" + file + "\""), 0);
  EXPECT_TRUE(haspicture("Box2")) << "by name";
  setrows({{"set the pictureData of card graphic \"Box\" to resource 129 of file \"" + file + "\"", "the result",
            std::string(pstringview(resultstr(46)))}});
  EXPECT_TRUE(haspicture("Box")) << "a missing resource leaves the picture";
}

TEST_F(PictureDataTest, FromOtherObjects) {
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to data \"Logo\""), 0);
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box2\" to the pictureData of card graphic \"Box\""), 0);
  EXPECT_TRUE(haspicture("Box") && haspicture("Box2")) << "copied";
  ASSERT_EQ(setline("set the pictureData of card button \"Well\" to the pictureData of card graphic \"Box\""), 0);
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box2\" to empty"), 0);
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box2\" to the pictureData of card button \"Well\""), 0);
  EXPECT_TRUE(haspicture("Box2")) << "from an image well";
  setrows({{"set the pictureData of card graphic \"Box\" to the pictureData of card field \"Notes\"", "", "error 185"},
           {"set the pictureData of card graphic \"Box\" to the pictureData of card 1", "", "error 11"},
           {"set the pictureData of card graphic \"Box\" to the picture of card graphic \"Line\"", "", "error 151"},
           {"set the pictureData of card graphic \"Box\" to the name of card graphic \"Line\"", "", "error 180"}});
  // Moving: the source loses its picture, the target has it.
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box2\" to empty"), 0);
  takeredraws();
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box2\" to pictureData from card graphic \"Box\""), 0);
  EXPECT_FALSE(haspicture("Box"));
  EXPECT_TRUE(haspicture("Box2"));
  EXPECT_GE(takeredraws().size(), 2u) << "both areas redrawn";
  // A source without a picture is refused and keeps its picture information.
  spot box = cardspot("Box");
  ASSERT_EQ(New_PictInfoHandle(box), 1);
  putcardspot("Box", box);
  const Handle kept = cardspot("Box").alt;
  EXPECT_EQ(setline("set the pictureData of card graphic \"Box2\" to pictureData from card graphic \"Box\""), 151);
  EXPECT_EQ(cardspot("Box").alt, kept);
  EXPECT_TRUE(haspicture("Box2"));
  setrows({{"set the pictureData of card graphic \"Box\" to pictureData from card graphic \"Line\"", "", "error 112"},
           {"set the pictureData of card graphic \"Box\" to pictureData from card button \"Go\"", "", "error 185"}});
}

TEST_F(PictureDataTest, NormalisedFrames) {
  std::vector<u8> upside = logo;
  // Frame top 4, bottom 0 (big-endian words after the size word).
  std::swap(upside[2], upside[6]);
  std::swap(upside[3], upside[7]);
  headlessbackend()->setexternalclipboard({ClipFlavor{fourcc("PICT"), upside}});
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to clipBoard"), 0);
  ASSERT_TRUE(haspicture("Box"));
  const u8* p = reinterpret_cast<const u8*>(deref(picturedata("Box")));
  const i16 top = i16(p[2] << 8 | p[3]), bottom = i16(p[6] << 8 | p[7]);
  EXPECT_LT(top, bottom);
  headlessbackend()->setexternalclipboard({ClipFlavor{fourcc("TEXT"), {'h', 'i'}}});
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to clipBoard"), 0);
  EXPECT_TRUE(haspicture("Box")) << "text on the clipboard leaves the picture";
  EXPECT_EQ(cardvalue("the result"), std::string(pstringview(resultstr(46))));
}

TEST_F(PictureDataTest, FilesAndRefusals) {
  writefile("pic.png", testimagefile(TestImageFormat::png, image(3, 3)));
  writefile("pic.gif", testimagefile(TestImageFormat::gif, image(2, 3)));
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to \"" + home->path() + "/pic.png\""), 0);
  EXPECT_EQ(imagerect("Box").right - imagerect("Box").left, 3);
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to file \"" + home->path() + "/pic.gif\""), 0);
  EXPECT_EQ(imagerect("Box").bottom - imagerect("Box").top, 3);
  std::filesystem::create_symlink(home->path() + "/pic.png", home->path() + "/link.png");
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box2\" to \"" + home->path() + "/link.png\""), 0);
  EXPECT_TRUE(haspicture("Box2")) << "a link is followed";
  setrows({{"set the pictureData of card graphic \"Box2\" to \"\"", "the result", result56()},
           {"set the pictureData of card graphic \"Box2\" to \"" + home->path() + "/nosuch.png\"", "the result",
            result56()},
           {"set the pictureData of card graphic \"Line\" to data \"Logo\"", "", "error 112"},
           {"set the pictureData of card 1 to empty", "", "error 11"}});
  EXPECT_TRUE(haspicture("Box2"));
}

// Every allocation failing in turn: a picture is installed whole or the graphic keeps none.
TEST_F(PictureDataTest, WhenMemoryRunsOut) {
  testproject::Project p = project();
  p.resources = {testproject::Resource{fourcc("PICT"), "Logo", logo}};
  EXPECT_GT(sweepallocations(
                p, [this] { ASSERT_EQ(open(), 0); },
                [this] { return setline("set the pictureData of card graphic \"Box\" to data \"Logo\""); },
                [](i16 st) {
                  if (st == 0 && haspicture("Box")) {
                    EXPECT_EQ(imagerect("Box").right - imagerect("Box").left, 5);
                  }
                }),
            1);
  // A clipboard picture that cannot be copied leaves the graphic's picture.
  EXPECT_GT(sweepallocations(
                p,
                [this] {
                  ASSERT_EQ(open(), 0);
                  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to data \"Logo\""), 0);
                  headlessbackend()->setexternalclipboard({ClipFlavor{fourcc("PICT"), logo}});
                },
                [this] { return setline("set the pictureData of card graphic \"Box\" to clipBoard"); },
                [](i16 st) {
                  if (st == 37) {
                    EXPECT_TRUE(haspicture("Box")) << "kept";
                  }
                }),
            1);
}

// Request 4503 of externals: the picture in the external's handle, its frame put in order,
// becomes the object's picture data; the handle stays the external's, and a reference to no
// object or a handle that is none fails.
TEST_F(PictureDataTest, AnExternalInstallsPictureData) {
  std::vector<u8> swapped = logo;
  ASSERT_GE(swapped.size(), 10u);
  // The frame's corners given bottom-right first.
  std::swap_ranges(swapped.begin() + 2, swapped.begin() + 6, swapped.begin() + 6);
  Handle picture = nilhandle;
  ASSERT_EQ(PtrToHand(swapped.data(), &picture, Size(swapped.size())), noErr);
  static constexpr u8 box[] =
      "\x12"
      "card graphic \"Box\"",
                      nothing[] =
                          "\x0f"
                          "card graphic 99";
  kv_paramblock& b = xstate().xcmd;
  auto request = [&](const u8* reference, Handle h) {
    b.in[0] = u64(reinterpret_cast<std::uintptr_t>(reference));
    b.in[1] = u64(h);
    b.result = 7;
    installpdata();
    return b.result;
  };
  EXPECT_EQ(request(nothing, picture), 1);
  EXPECT_FALSE(haspicture("Box"));
  EXPECT_EQ(request(box, nilhandle), 1) << "no picture";
  ASSERT_EQ(request(box, picture), 0);
  ASSERT_TRUE(haspicture("Box"));
  const Handle data = picturedata("Box");
  ASSERT_NE(data, picture) << "the object holds its own copy";
  EXPECT_EQ(std::vector<u8>(deref(data), deref(data) + GetHandleSize(data)), logo) << "the frame in order";
  EXPECT_TRUE(IsValidHandle(picture)) << "still the external's";
  DisposeHandle(picture);
}

}  // namespace
}  // namespace kv
