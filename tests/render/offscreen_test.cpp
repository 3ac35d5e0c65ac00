// The card offscreen world: its depths, row bytes, counted lock, resizing, re-creation at a new
// depth (kept when that fails), following the screen's depth, and temporary buffers.
#include "render/offscreen.h"

#include <gtest/gtest.h>

#include "render/pictbuffers.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "store/objects.h"
#include "tests/support/spots.h"
#include "tests/support/windows.h"
#include "tests/support/texts.h"

namespace kv {
namespace {

class OffscreenTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    SetOffScreenBounds(Rect{0, 0, 10, 17});
  }
  void TearDown() override {
    DisposeOffScreen();
    refuseworlddepth(16, false);
    WindowTest::TearDown();
  }
  // Whether the world still draws: a black pixel painted at (2, 3) reads back black.
  static bool worlddraws() {
    SavePort saved;
    SetGWorld(GetOffScreenWorld(), nilhandle);
    const Rect dot{3, 2, 4, 3};
    PaintRect(&dot);
    return GetPixel(2, 3);
  }
};

TEST_F(OffscreenTest, DepthsRowBytesAndTheCountedLock) {
  ASSERT_EQ(CreateOffScreen(24), 1);
  EXPECT_EQ(GetOffScreenDepth(), 8) << "a depth the world cannot have makes 8 bits";
  EXPECT_EQ(GetRB(), 20);
  EXPECT_EQ(GetOffScreen_Pointer(), nullptr) << "no address while unlocked";

  EXPECT_EQ(LockOffScreenGWorld(), 1);
  EXPECT_EQ(LockOffScreenGWorld(), 1);
  UnLockOffScreenGWorld();
  EXPECT_NE(GetOffScreen_Pointer(), nullptr) << "one lock still holds";
  EXPECT_NE(GetOffScreenBits(), nilhandle);
  EXPECT_EQ(SetOffScreenSize(Rect{0, 0, 40, 50}), 1) << "refused while locked";
  EXPECT_EQ(GetOffScreenBounds(), (Rect{0, 0, 10, 17}));
  EXPECT_EQ(GetRB(), 20);
  UnLockOffScreenGWorld();
  EXPECT_EQ(GetOffScreen_Pointer(), nullptr);
  EXPECT_EQ(GetOffScreenBits(), nilhandle);
  UnLockOffScreenGWorld();
  EXPECT_EQ(LockOffScreenGWorld(), 1) << "an unlock too many does not break the count";
  UnLockOffScreenGWorld();

  EXPECT_EQ(SetOffScreenSize(Rect{0, 0, 40, 50}), 0);
  EXPECT_EQ(GetOffScreenBounds(), (Rect{0, 0, 40, 50}));
  EXPECT_EQ(GetRB(), 52);

  DisposeOffScreen();
  EXPECT_EQ(LockOffScreenGWorld(), 0) << "no world locks nothing";
  EXPECT_EQ(GetOffScreen_Pointer(), nullptr);
}

TEST_F(OffscreenTest, TemporaryBuffersTakeTheirDepthOrOneBit) {
  TempBuffer b;
  ASSERT_EQ(CreateTempBuffer(4, Rect{0, 0, 8, 20}, &b), 1);
  EXPECT_EQ(b.depth, 1);
  EXPECT_EQ(GetPixDepth(b.pixmap), 1);
  EXPECT_EQ(b.rowbytes, 4);
  DeleteTempBuffer(&b);
  EXPECT_EQ(b.world, nilid);
  ASSERT_EQ(CreateTempBuffer(32, Rect{0, 0, 8, 20}, &b), 1);
  EXPECT_EQ(b.rowbytes, 80);
  DeleteTempBuffer(&b);
  EXPECT_EQ(CreateTempBuffer(8, Rect{0, 0, 0, 20}, &b), 0) << "an empty rectangle";
}

TEST_F(OffscreenTest, ANewDepthKeepsTheOldWorldWhenItCannotBeMade) {
  mainglobals().pictCache = 20;
  spot s = testspots::newspot(spotgraphic, stylerectangle, 1);
  s.flags = s.flags | spotpictinfo;
  ASSERT_EQ(New_PictInfoHandle(s), 1);
  ASSERT_EQ(SetPictInfoHandle(s, testtexts::newhand("picture"), 1), noErr);
  pictbuffer b;
  b.kind = pictbufferhandle;
  b.image = NewHandle(4);
  ASSERT_GE(addpictbuffer(s, &b), 0);

  ASSERT_EQ(CreateOffScreen(8), 1);
  EXPECT_EQ(ChangeOffScreenDepth(16), 1);
  EXPECT_EQ(GetOffScreenDepth(), 16);
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(GetOffScreenWorld())), 16);
  EXPECT_EQ(pictbuffercount(), 0) << "the picture buffers follow the depth: they are dropped";

  EXPECT_EQ(ChangeOffScreenDepth(12), 0);
  EXPECT_EQ(GetOffScreenDepth(), 16);

  ASSERT_EQ(ChangeOffScreenDepth(8), 1);
  refuseworlddepth(16, true);
  EXPECT_EQ(ChangeOffScreenDepth(16), 0);
  EXPECT_EQ(GetOffScreenDepth(), 8);
  EXPECT_TRUE(worlddraws()) << "the old world is still there";

  LockOffScreenGWorld();
  EXPECT_EQ(ChangeOffScreenDepth(32), 0) << "not while its pixels are handed out";
  UnLockOffScreenGWorld();
  dumpalt(s.alt);
}

TEST_F(OffscreenTest, TheWorldFollowsTheScreensDepth) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(CreateOffScreen(32), 1);
  ASSERT_EQ(doline("set the bufferMode to millions"), 0);
  resyncoffscreen();  // the first call only looks
  takeredraws();
  drive::setscreendepth(16);
  resyncoffscreen();
  EXPECT_EQ(GetOffScreenDepth(), 16);
  EXPECT_EQ(cardvalue("the bufferMode"), "thousands");
  auto asked = takeredraws();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].window, current().window);
  EXPECT_TRUE(asked[0].whole);

  resyncoffscreen();
  EXPECT_TRUE(takeredraws().empty()) << "nothing changed since";

  refuseworlddepth(8, true);
  drive::setscreendepth(8);
  resyncoffscreen();
  refuseworlddepth(8, false);
  EXPECT_EQ(GetOffScreenDepth(), 16) << "the world stays when the new one cannot be made";
  EXPECT_EQ(cardvalue("the bufferMode"), "thousands");
  EXPECT_EQ(takeredraws().size(), 1u);
  drive::setscreendepth(32);
}

TEST_F(OffscreenTest, ScriptsSetTheDepthAndTheSize) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  SetOffScreenBounds(Rect{0, 0, 600, 800});
  ASSERT_EQ(CreateOffScreen(32), 1);
  ASSERT_EQ(doline("set the bufferMode to 256"), 0);
  EXPECT_EQ(GetOffScreenDepth(), 8);
  refuseworlddepth(16, true);
  ASSERT_EQ(doline("set the bufferMode to thousands"), 0);
  EXPECT_EQ(cardvalue("the bufferMode"), "256") << "a depth the world cannot take is not stored";
  ASSERT_EQ(doline("set the windowLimit to 500,400"), 0);
  EXPECT_EQ(GetOffScreenBounds(), (Rect{0, 0, 400, 500}));
  EXPECT_EQ(GetRB(), 500);
  LockOffScreenGWorld();
  ASSERT_EQ(doline("set the windowLimit to 300,200"), 0);
  UnLockOffScreenGWorld();
  EXPECT_EQ(cardvalue("the result"), "no memory");
  EXPECT_EQ(cardvalue("the windowLimit"), "500,400");
}

}  // namespace
}  // namespace kv
