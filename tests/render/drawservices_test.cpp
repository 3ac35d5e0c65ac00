// Drawing services: picture frames, polygon regions, the counted screen lock and colour
// remapping between colour tables.
#include "render/drawservices.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/windows/compositor.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/spots.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using DrawServicesTest = RuntimeTest;

Rect rect(i16 top, i16 left, i16 bottom, i16 right) { return Rect{top, left, bottom, right}; }

// --- Pictures --------------------------------------------------------------------------------

TEST_F(DrawServicesTest, PictureBoundsAreWrittenBigEndian) {
  PicHandle pic = NewHandleClear(12);
  QDSetPictureBounds(pic, rect(1, -2, 300, 0x1234));
  const u8 want[12] = {0, 0, 0x00, 0x01, 0xFF, 0xFE, 0x01, 0x2C, 0x12, 0x34, 0, 0};
  EXPECT_EQ(std::memcmp(deref(pic), want, 12), 0);
  // Too short to hold a frame: nothing is written.
  OwnedHandle shorth(NewHandleClear(9));
  QDSetPictureBounds(shorth, rect(1, 1, 1, 1));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(deref(shorth)[i], 0);
  DisposeHandle(pic);
}

// --- Polygons --------------------------------------------------------------------------------

TEST_F(DrawServicesTest, PolygonRegionIsClosedBackToItsFirstPoint) {
  OwnedWorld gw;
  Rect bounds = rect(0, 0, 40, 40);
  ASSERT_EQ(NewGWorld(&gw, 32, &bounds, 0, 0, 0), noErr);
  SetGWorld(gw, 0);
  // An open outline of three sides of a square: the region closes it.
  PolyHandle poly = newpolygon({{5, 5}, {5, 25}, {25, 25}, {25, 5}});
  RgnHandle rgn = polytorgn(poly);
  EXPECT_EQ(regionbounds(rgn), rect(5, 5, 25, 25));
  EXPECT_TRUE(IsRegionRectangular(rgn));
  EXPECT_EQ(GetPortPenVisibility(gw), 0) << "the pen is shown again after the capture";
  DisposeRgn(rgn);
  KillPoly(poly);
  SetGWorld(0, 0);
}

// --- Screen lock -----------------------------------------------------------------------------

// Acceptance: lock, lock, unlock leaves drawing frozen; a second unlock redraws.
TEST_F(DrawServicesTest, ScreenLockIsCountedAndTheLastUnlockRedraws) {
  backend();
  HeadlessBackend& hb = *headlessbackend();
  presentscreen();
  const u32 before = hb.presentcount();
  EXPECT_EQ(lockscreen(), 1);
  EXPECT_EQ(lockscreen(), 2);
  screenchanged();
  presentscreen();
  EXPECT_EQ(hb.presentcount(), before) << "nothing is shown while the screen is locked";
  EXPECT_FALSE(unlockscreen());
  EXPECT_TRUE(screenupdatesdisabled());
  presentscreen();
  EXPECT_EQ(hb.presentcount(), before);
  EXPECT_TRUE(unlockscreen());
  EXPECT_FALSE(screenupdatesdisabled());
  EXPECT_EQ(hb.presentcount(), before + 1) << "the last unlock shows what changed";
  EXPECT_EQ(mainglobals().lockcount, 0);
  // An unlock without a lock is harmless.
  EXPECT_TRUE(unlockscreen());
  EXPECT_EQ(mainglobals().lockcount, 0);
  EXPECT_EQ(hb.presentcount(), before + 1);
}

// --- Colour remapping ------------------------------------------------------------------------

class ChangeColorTest : public DrawServicesTest {
 protected:
  void SetUp() override {
    DrawServicesTest::SetUp();
    mainglobals().remapColor = 1;
    // Destination: black, white, red, dark red.
    dest_ = table({{0, 0, 0}, {65535, 65535, 65535}, {65535, 0, 0}, {30000, 0, 0}});
    mainglobals().currentclut = dest_;
    list_ = NewHandle(0);
  }
  void TearDown() override {
    dumpspot(list_);
    DisposeCTable(dest_);
    DrawServicesTest::TearDown();
  }
  static CTabHandle table(const std::vector<RGBColor>& colours) {
    CTabHandle t = NewCTable(i32(colours.size()));
    for (std::size_t i = 0; i < colours.size(); ++i) setctableentry(t, i32(i), colours[i]);
    return t;
  }
  static spot object(u16 style, u8 colour) {
    spot s = testspots::newspot(spotgraphic, style);
    s.fillfore = s.penfore = s.fillback = s.penback = colour;
    return s;
  }
  void add(const spot& s) { PtrAndHand(&s, list_, sizeof s); }
  spot at(Handle list, i32 i) { return HandleAs<spot>(list)[i]; }

  CTabHandle dest_ = 0;
  Handle list_ = 0;
};

TEST_F(ChangeColorTest, ObjectsTakeTheNearestColoursOfTheCurrentTable) {
  // Source: white, near red, a dark red, near black.
  CTabHandle source = table({{65535, 65535, 65535}, {60000, 1000, 0}, {31000, 100, 0}, {100, 100, 100}});
  add(object(stylerectangle, 0));
  add(object(stylerectangle, 1));
  add(object(stylerectangle, 2));
  add(object(stylerectangle, 3));
  add(object(stylerectangle, 200));  // past the source's entries: unchanged
  changecolor(list_, 0, 5, source);
  const u8 want[5] = {1, 2, 3, 0, 200};
  for (i32 i = 0; i < 5; ++i) {
    spot s = at(list_, i);
    EXPECT_EQ(u32(s.fillfore), want[i]) << i;
    EXPECT_EQ(u32(s.penfore), want[i]) << i;
    EXPECT_EQ(u32(s.fillback), want[i]) << i;
    EXPECT_EQ(u32(s.penback), want[i]) << i;
  }
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, OnlyTheRangeIsRemappedAndOnlyWhileRemapColorIsOn) {
  CTabHandle source = table({{65535, 65535, 65535}});
  for (int i = 0; i < 3; ++i) add(object(stylerectangle, 0));
  changecolor(list_, 1, 2, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 0u);
  EXPECT_EQ(u32(at(list_, 1).fillfore), 1u);
  EXPECT_EQ(u32(at(list_, 2).fillfore), 0u);
  mainglobals().remapColor = 0;
  changecolor(list_, 0, 3, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 0u);
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, ColourBitmapsRemapTheirPixelsAndOneBitBitmapsTheirColourBytes) {
  CTabHandle source = table({{65535, 65535, 65535}, {0, 0, 0}, {29000, 10, 10}});
  spot colour = object(stylebitmap, 2);
  graphictail t = getgraphictail(colour);
  t.startangle = 1;
  setgraphictail(colour, t);
  const u8 pixels[6] = {0, 1, 2, 2, 1, 77};
  Handle h = nilhandle;
  PtrToHand(pixels, &h, 6);
  colour.data = h;
  add(colour);
  spot mono = object(stylebitmap, 2);
  const u8 bits[4] = {0x00, 0x01, 0x02, 0xFF};
  PtrToHand(bits, &h, 4);
  mono.data = h;
  add(mono);
  changecolor(list_, 0, 2, source);

  spot c = at(list_, 0);
  const u8 remapped[6] = {1, 0, 3, 3, 0, 77};
  EXPECT_EQ(std::memcmp(deref(c.data), remapped, 6), 0);
  EXPECT_EQ(u32(c.fillfore), 2u) << "a colour bitmap keeps its colour bytes";
  spot m = at(list_, 1);
  EXPECT_EQ(std::memcmp(deref(m.data), bits, 4), 0) << "a 1-bit bitmap keeps its pixels";
  EXPECT_EQ(u32(m.fillfore), 3u);
  EXPECT_EQ(u32(m.penback), 3u);
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, GroupsAreRemappedThroughTheirObjectsToABoundedDepth) {
  CTabHandle source = table({{65535, 65535, 65535}});
  // A chain of groups nested deeper than any stored project may hold; each level holds one
  // rectangle and the next group.
  constexpr int kLevels = kMaxGroupDepth + 10;
  std::vector<Handle> levels;
  for (int i = 0; i < kLevels; ++i) levels.push_back(NewHandle(0));
  for (int i = 0; i < kLevels; ++i) {
    spot r = object(stylerectangle, 0);
    PtrAndHand(&r, levels[size_t(i)], sizeof r);
    if (i + 1 < kLevels) {
      spot g = object(stylegroup, 0);
      g.data = levels[size_t(i + 1)];
      PtrAndHand(&g, levels[size_t(i)], sizeof g);
    }
  }
  spot top = object(stylegroup, 0);
  top.data = levels[0];
  add(top);
  changecolor(list_, 0, 1, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 0u) << "a group has no colour of its own to remap";
  EXPECT_EQ(u32(at(levels[0], 0).fillfore), 1u);
  EXPECT_EQ(u32(at(levels[kMaxGroupDepth - 1], 0).fillfore), 1u);
  EXPECT_EQ(u32(at(levels[kMaxGroupDepth], 0).fillfore), 0u) << "deeper groups are left alone";
  // The list is freed from the innermost level out.
  top.data = 0;
  HandleAs<spot>(list_)[0] = top;
  for (int i = kLevels - 1; i >= 0; --i) DisposeHandle(levels[size_t(i)]);
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, WithoutACurrentTableTheCurrentPortsTableIsUsed) {
  mainglobals().currentclut = 0;
  CTabHandle eight = GetCTable(8);
  GWorldPtr gw = 0;
  Rect bounds = rect(0, 0, 4, 4);
  ASSERT_EQ(NewGWorld(&gw, 8, &bounds, eight, 0, 0), noErr);
  SetGWorld(gw, 0);
  CTabHandle source = table({{0, 0, 0}});
  add(object(stylerectangle, 0));
  changecolor(list_, 0, 1, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 255u) << "black is entry 255 of the standard 8-bit table";
  SetGWorld(0, 0);
  DisposeGWorld(gw);
  DisposeCTable(source);
  DisposeCTable(eight);
}

}  // namespace
}  // namespace kv
