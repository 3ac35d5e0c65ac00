// Picture graphics as scripts place them: a PNG with transparent parts (clicks in its
// transparent hole reach what lies below, the alpha inks blend its pixels by their alpha), and a
// picture of an oblique line drawn anti-aliased while `quartzPicts` is on.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/pictures.h"
#include "platform/qd/shapes.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "tests/render/cardworld.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "tests/support/project.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class PictureScriptsTest : public CardWorldTest {
 protected:
  // A red picture of 40 x 40 at the card's top-left: a transparent hole over [10, 20) both
  // ways, a band of half alpha over columns [30, 40). A button lies under the middle of the
  // hole; each object and the card note the clicks they get. A second graphic, "Lines", waits
  // for the project's picture "Line": a black line from (2, 3) to (37, 20) in a 40 x 40 frame.
  void SetUp() override {
    CardWorldTest::SetUp();
    DecodedImage image;
    image.width = image.height = 40;
    image.pixels.assign(1600, 0xFF0000);
    image.alpha.assign(1600, 255);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) {
        const std::size_t i = std::size_t(y * 40 + x);
        if (x >= 10 && x < 20 && y >= 10 && y < 20) image.pixels[i] = 0xFFFFFF, image.alpha[i] = 0;
        if (x >= 30) image.pixels[i] = 0xFF7F7F, image.alpha[i] = 128;  // red at half, over white
      }
    std::vector<u8> png;
    ASSERT_TRUE(encodeimagepng(image, &png));
    path = home->path() + "/hole.png";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));

    using namespace testproject;
    auto noting = [](const char* who) {
      return std::string("on mouseUp\nglobal log\nput \"") + who + ";\" after log\nend mouseUp";
    };
    Object under;
    under.name = "Under";
    under.style = 200;
    under.rect = Rect{12, 12, 18, 18};
    under.script = noting("button");
    Object pic;
    pic.kind = Object::graphic;
    pic.name = "Pic";
    pic.rect = Rect{0, 0, 40, 40};
    pic.showfill = pic.showpen = 0;
    pic.script = noting("graphic");
    Object lines;
    lines.kind = Object::graphic;
    lines.name = "Lines";
    lines.rect = Rect{100, 100, 140, 140};
    lines.showfill = lines.showpen = 0;
    Project p;
    p.resources = {Resource{fourcc("PICT"), "Line", linepicture()}};
    Window w;
    w.name = "Alpha";
    w.style = 4;
    w.rect = Rect{100, 100, 400, 500};
    w.backgrounds = {Background{"Plain", "", {}}};
    Card c;
    c.script = noting("card");
    c.objects = {under, pic, lines};
    w.cards = {c};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("set the pictureData of graphic \"Pic\" to file \"" + path +
                     "\"\nset the clickThrough of graphic \"Pic\" to true"),
              0);
  }
  static std::vector<u8> linepicture() {
    const Rect frame{0, 0, 40, 40};
    SavePort saved;
    GWorldPtr world = nilid;
    EXPECT_EQ(NewGWorld(&world, 32, &frame, nilhandle, nilhandle, 0), noErr);
    SetGWorld(world, nilhandle);
    PicHandle pic = OpenPicture(&frame);
    MoveTo(2, 3);
    LineTo(37, 20);
    ClosePicture();
    std::vector<u8> bytes(deref(pic), deref(pic) + GetHandleSize(pic));
    KillPicture(pic);
    DisposeGWorld(world);
    return bytes;
  }
  std::string clicked(i16 h, i16 v) {
    clearglobals();
    EXPECT_EQ(doline("click at " + std::to_string(h) + "," + std::to_string(v)), 0);
    return global("log");
  }
  RGBColor pixel(i16 h, i16 v) {
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c;
  }
  std::string path;
};

TEST_F(PictureScriptsTest, ClicksInTheHolePassToWhatLiesBelow) {
  ASSERT_EQ(doline("set the ink of graphic \"Pic\" to alpha"), 0);
  EXPECT_EQ(clicked(15, 15), "button;") << "the button under the hole";
  EXPECT_EQ(clicked(11, 11), "card;") << "the card under the hole";
  EXPECT_EQ(clicked(5, 5), "graphic;") << "an opaque pixel";
  EXPECT_EQ(clicked(35, 5), "graphic;") << "half alpha is above the click-through level";
  ASSERT_EQ(doline("set the clickThroughLevel of graphic \"Pic\" to 200"), 0);
  EXPECT_EQ(clicked(35, 5), "card;") << "now at or below it";
}

TEST_F(PictureScriptsTest, AlphaInksBlendByThePixelsAlpha) {
  const RGBColor red{0xFFFF, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  for (const char* ink : {"alpha", "alphaWhite"}) {
    ASSERT_EQ(doline(std::string("set the ink of graphic \"Pic\" to ") + ink), 0);
    EXPECT_EQ(pixel(5, 5), red) << ink;
    EXPECT_EQ(pixel(11, 11), white) << ink << ": the card shows through the hole";
    const RGBColor half = pixel(35, 5);
    EXPECT_EQ(half.red, 0xFFFF) << ink;
    EXPECT_GT(half.green, 0x6000) << ink << ": the white behind shows through";
    EXPECT_LT(half.green, 0xF000) << ink << ": and the red over it";
  }
  // The colours of half-transparent pixels are kept over white: the ink that reads them so
  // gives the red at half over the white card.
  EXPECT_NEAR(pixel(35, 5).green >> 8, 0x7F, 2);
  ASSERT_EQ(doline("set the ink of graphic \"Pic\" to srcCopy"), 0);
  EXPECT_EQ(pixel(35, 5), (RGBColor{0xFFFF, 0x7F7F, 0x7F7F})) << "a plain copy shows the colours as stored";
  EXPECT_EQ(pixel(11, 11), white);
}

TEST_F(PictureScriptsTest, QuartzPictsDrawsPicturesAntialiased) {
  ASSERT_EQ(doline("set the pictureData of graphic \"Lines\" to data \"Line\""), 0);
  // The pixels of the graphic: black, white, and those between.
  auto count = [&] {
    drawedit(current(), nullptr);  // the update the window gets next
    std::array<int, 3> n{};
    for (i16 v = 100; v < 140; ++v)
      for (i16 h = 100; h < 140; ++h) {
        const RGBColor c = pixel(h, v);
        ++n[c.green == 0 ? 0 : c.green == 0xFFFF ? 1 : 2];
      }
    return n;
  };
  const std::array<int, 3> plain = count();
  EXPECT_GT(plain[0], 30);
  EXPECT_EQ(plain[2], 0) << "only the two colours";
  ASSERT_EQ(doline("set the quartzPicts to true"), 0);
  const std::array<int, 3> smooth = count();

  EXPECT_GT(smooth[2], 30) << "greys along the line";
  ASSERT_EQ(doline("set the quartzPicts to false"), 0);
  EXPECT_EQ(count(), plain);
}

}  // namespace
}  // namespace kv
