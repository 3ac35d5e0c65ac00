// Windows of test projects whose cards are composed in a 32-bit card offscreen world, as a run
// on a 32-bit screen composes them (pictures rendered at that depth too); the visual effects
// left queued and the abort check a test set go with the window.
#pragma once

#include <gtest/gtest.h>

#include "render/effectqueue.h"
#include "render/offscreen.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "tests/support/windows.h"

namespace kv {

class CardWorldTest : public WindowTest {
 protected:
  explicit CardWorldTest(Rect bounds = Rect{0, 0, 400, 600}) : bounds_(bounds) {}
  void SetUp() override {
    WindowTest::SetUp();
    SetOffScreenBounds(bounds_);
    ASSERT_EQ(CreateOffScreen(32), 1);
    mainglobals().bufferMode = 32;
  }
  void TearDown() override {
    setabortcheck({});
    cleareffect(0);
    WindowTest::TearDown();
    DisposeOffScreen();
  }

 private:
  Rect bounds_;
};

}  // namespace kv
