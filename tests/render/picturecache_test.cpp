// Picture graphics drawn through the picture cache, checked on the pixels of a 32-bit world:
// buffer depths and the cache's limit, filters (damaged and unknown ones), attaching a picture,
// rotation, quad, magnification, moving, and clicks through transparent pixels.
#include "render/picturecache.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <vector>

#include "platform/effects/atoms.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/filterlist.h"
#include "render/hittest.h"
#include "render/pictinfo.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"
#include "tests/support/spots.h"

namespace kv {
namespace {

constexpr RGBColor kRed{0xFFFF, 0, 0}, kBlue{0, 0, 0xFFFF}, kGreen{0, 0xFFFF, 0}, kBlack{0, 0, 0},
    kWhite{0xFFFF, 0xFFFF, 0xFFFF};

// A band of a picture: its colour over [left, right) of the picture's width.
struct Band {
  i16 left, right;
  RGBColor colour;
};

class PictureCacheTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    MainGlobals& g = mainglobals();
    g.pictCache = 20;
    g.bufferMode = 32;
    g.current.tool = kBrowseTool;
    world_.reset(OwnedWorld(32, Rect{0, 0, 300, 300}).release());
    SetGWorld(world_, nilhandle);
  }
  void TearDown() override {
    purgepictbuffer();
    for (spot& s : objects_) clearalt(s);
    if (list_) DisposeHandle(list_);
    world_.reset();
    RuntimeTest::TearDown();
  }
  // A picture of a size painted in colour bands (the whole of it red without bands).
  static PicHandle picture(i16 w, i16 h, std::vector<Band> bands = {}) {
    if (bands.empty()) bands.push_back(Band{0, w, kRed});
    const Rect frame{0, 0, h, w};
    PicHandle pic = OpenPicture(&frame);
    PenNormal();
    for (const Band& b : bands) {
      RGBForeColor(&b.colour);
      const Rect r{0, b.left, h, b.right};
      PaintRect(&r);
    }
    ClosePicture();
    RGBForeColor(&kBlack);
    return pic;
  }
  // A rectangle graphic showing a picture (its rectangle follows the picture's size).
  spot& graphic(PicHandle pic, Rect r = Rect{0, 0, 100, 100}) {
    spot s = testspots::newspot(spotgraphic, stylerectangle, u32(objects_.size() + 1), r);
    s.showpen = s.showfill = 0;
    EXPECT_EQ(New_PictInfoHandle(s), 1);
    EXPECT_EQ(SetPictInfoHandle(s, pic, 1), noErr);
    objects_.push_back(s);
    return objects_.back();
  }
  static PictInfo info(const spot& s) {
    PictInfo p;
    loadpictinfo(s.alt, &p);
    return p;
  }
  static void edit(const spot& s, void (*change)(PictInfo&)) {
    PictInfo p = info(s);
    change(p);
    storepictinfo(s.alt, p);
  }
  static RGBColor at(i16 h, i16 v) {
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c;
  }
  static void clear() {
    const Rect all{0, 0, 300, 300};
    EraseRect(&all);
  }
  static pictbuffer cached(const spot& s) {
    pictbuffer b;
    EXPECT_EQ(getcachepicture(s, &b), 1);
    return b;
  }
  static Handle filteritem(OSType kind, bool withdata = true) {
    const std::vector<u8> params = writeatoms({});
    OwnedHandle data;
    PtrToHand(params.data(), &data, Size(params.size()));
    const u8 name[] = "\x01x";
    return flattenFilterInfo(kind, true, name, withdata ? Handle(data) : nilhandle);
  }
  OwnedWorld world_;
  std::vector<spot> objects_;
  Handle list_ = nilhandle;
};

TEST_F(PictureCacheTest, BuffersKeepTheirRowsShortAndTheCacheItsLimit) {
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(cached(graphic(picture(5000, 2))).world)), 16);
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(cached(graphic(picture(20000, 2))).world)), 1);

  purgepictbuffer();
  for (int i = 0; i < 20; ++i) cached(graphic(picture(4, 4)));
  const spot& first = objects_[2];
  pictbuffer oldest;
  ASSERT_TRUE(pictbufferat(0, &oldest));
  cached(graphic(picture(4, 4)));
  EXPECT_EQ(pictbuffercount(), 20);
  EXPECT_LT(findpictbuffer(first, nullptr), 0) << "the buffer with the smallest stamp went";
}

TEST_F(PictureCacheTest, AFrameOfMorePixelsThanABufferHoldsIsDrawnFromThePicture) {
  // At one bit a pixel an 8000 x 8000 frame would fit the byte limit, but a buffer of 64
  // million pixels costs far more to fill than the card can show of it (a damaged or hostile
  // picture's frame): it is drawn from the picture, clipped to the port.
  mainglobals().bufferMode = 1;
  spot& s = graphic(picture(8000, 8000), Rect{0, 0, 8000, 8000});
  EXPECT_EQ(cached(s).kind, pictbufferembedded) << "the object's own picture, not rendered";
  DrawPictureInfo(s);
  EXPECT_EQ(at(150, 150), kRed);
  mainglobals().bufferMode = 32;
  spot& small = graphic(picture(100, 100));
  EXPECT_EQ(cached(small).kind, pictbufferworld) << "pictures within the limit are still buffered";
}

TEST_F(PictureCacheTest, FiltersThatCannotBeReadAreSkippedAndTheListKept) {
  spot& s = graphic(picture(10, 10));
  Handle list = nilhandle;
  OwnedHandle damaged(filteritem(fourcc("edge"), false)), unknown(filteritem(fourcc("zzzz"))),
      edge(filteritem(fourcc("edge")));
  for (Handle item : {Handle(damaged), Handle(unknown)}) ASSERT_EQ(addfilter(&list, item), 0);
  ASSERT_EQ(SetPictFilterHandle(s.alt, list), noErr);
  killpictbuffer(s);
  DrawPictureInfo(s);
  EXPECT_EQ(at(5, 5), kRed) << "an unknown filter leaves the image as it was";

  ASSERT_EQ(addfilter(&list, edge), 0);
  ASSERT_EQ(SetPictFilterHandle(s.alt, list), noErr);
  const std::vector<u8> before(deref(list), deref(list) + GetHandleSize(list));
  killpictbuffer(s);
  DrawPictureInfo(s);
  EXPECT_EQ(at(5, 5), kBlack) << "the edges of a flat image: none";
  EXPECT_EQ(std::vector<u8>(deref(list), deref(list) + GetHandleSize(list)), before) << "drawing left the stored list";
}

TEST_F(PictureCacheTest, AnAttachedPictureSizesItsGraphic) {
  spot& s = graphic(picture(200, 100), Rect{10, 20, 30, 40});
  EXPECT_EQ(s.rect, (Rect{10, 20, 110, 220}));
  EXPECT_EQ(info(s).imagerect, (Rect{0, 0, 100, 200}));
  spot locked = testspots::newspot(spotgraphic, stylerectangle, 99, Rect{10, 20, 30, 40});
  locked.flags = locked.flags | spotlocked;
  ASSERT_EQ(New_PictInfoHandle(locked), 1);
  ASSERT_EQ(SetPictInfoHandle(locked, picture(200, 100), 1), noErr);
  EXPECT_EQ(locked.rect, (Rect{10, 20, 30, 40}));
  objects_.push_back(locked);
}

TEST_F(PictureCacheTest, RotationWinsOverTheQuadAndIsNotDrawnWithoutTheCache) {
  mainglobals().imagedrawing = 1;  // clipped to the destination, as when printing
  // Red on the left half, blue on the right: turned a quarter, red comes to the top.
  spot& s = graphic(picture(100, 100, {{0, 50, kRed}, {50, 100, kBlue}}));
  edit(s, [](PictInfo& p) {
    p.rotation = 90;
    p.quad.v[1] = Point{0, 100};
    p.quad.v[2] = Point{100, 100};
    p.quad.v[3] = Point{100, 0};
  });
  DrawPictureInfo(s);
  EXPECT_EQ(at(50, 10), kRed);
  EXPECT_EQ(at(50, 90), kBlue);
  MatrixRecord m;
  ASSERT_EQ(GetPictMatrix(s.alt, &m), 1);
  EXPECT_EQ(GetHandleSize(getaltdata(s.alt, altmatrix)), 36);

  clear();
  SetDontCacheMode(s, true);
  DrawPictureInfo(s);
  EXPECT_EQ(at(10, 50), kRed) << "drawn from the picture: unrotated";
  EXPECT_EQ(at(90, 50), kBlue);
}

TEST_F(PictureCacheTest, MagnifyEnlargesTheAreaUnderTheCentre) {
  spot& s = graphic(picture(100, 100, {{0, 25, kGreen}, {25, 50, kRed}, {50, 75, kBlue}, {75, 100, kGreen}}));
  edit(s, [](PictInfo& p) {
    p.flags = p.flags | pictmagnify;
    p.magnification = std::bit_cast<u32>(2.0f);
  });
  DrawPictureInfo(s);
  EXPECT_EQ(at(5, 50), kRed);
  EXPECT_EQ(at(45, 50), kRed);
  EXPECT_EQ(at(55, 50), kBlue);
  EXPECT_EQ(at(95, 50), kBlue);
}

TEST_F(PictureCacheTest, MovingAGraphicOffsetsItsPictureRectangles) {
  spot& s = graphic(picture(100, 100));
  edit(s, [](PictInfo& p) {
    p.layoutrect = Rect{0, 0, 100, 100};
    p.requestedsource = Rect{0, 0, 50, 50};
    p.flags = p.flags & ~u32(pictlayouttracking);
  });
  list_ = NewHandle(0);
  PtrAndHand(&s, list_, sizeof s);
  mapspot(list_, 0, Rect{0, 10, 100, 110}, false);
  const PictInfo p = info(spotat(list_, 0));
  EXPECT_EQ(p.layoutrect, (Rect{0, 10, 100, 110}));
  EXPECT_EQ(p.requestedsource, (Rect{0, 10, 50, 60}));
}

TEST_F(PictureCacheTest, ClicksPassThroughTransparentPixelsOfA32BitImage) {
  spot& s = graphic(picture(10, 10));
  s.ink = 256;
  edit(s, [](PictInfo& p) { p.flags = p.flags | pictclickthrough; });
  const PixMapHandle pm = GetGWorldPixMap(cached(s).world);
  ASSERT_EQ(GetPixDepth(pm), 32);
  u32* row = reinterpret_cast<u32*>(GetPixBaseAddr(pm));
  row[1] = 0x00FF0000;  // alpha 0
  row[2] = 0xFFFF0000;  // alpha 255, blue 0
  EXPECT_EQ(passclickthruspot(s, Point{0, 1}), 1);
  EXPECT_EQ(passclickthruspot(s, Point{0, 2}), 0);
  EXPECT_EQ(lowinspot(s, Point{0, 1}), 0) << "the browse tool's click goes to what lies behind";

  killpictbuffer(s);
  mainglobals().bufferMode = 16;
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(cached(s).world)), 16);
  for (i16 h : {1, 2}) EXPECT_EQ(passclickthruspot(s, Point{0, h}), 0);
}

}  // namespace
}  // namespace kv
