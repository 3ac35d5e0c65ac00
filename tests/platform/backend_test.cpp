// The backends: the headless virtual clock and timeline, and the SDL2 backend on SDL's
// display-less video driver.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/backend/headless.h"
#include "platform/backend/sdl2.h"
#include "platform/process/gestalt.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class BackendTest : public RuntimeTest {};

InputEvent at(u32 when, InputKind kind = InputKind::mousemove) {
  InputEvent in;
  in.kind = kind;
  in.when = when;
  return in;
}

TEST_F(BackendTest, TheVirtualClockMovesOnlyByItsRules) {
  HeadlessBackend h;
  u32 t0 = h.ticks();
  EXPECT_EQ(t0, kHeadlessStartTicks);
  h.waituntil(t0 + 10);
  EXPECT_EQ(h.ticks(), t0 + 10) << "a wait on an empty timeline runs to its deadline";
  h.schedule(at(t0 + 15));
  h.waituntil(t0 + 100);
  EXPECT_EQ(h.ticks(), t0 + 15) << "or to the next due input";
  h.waituntil(t0 + 5);
  EXPECT_EQ(h.ticks(), t0 + 15) << "never backwards";
  InputEvent in;
  EXPECT_TRUE(h.takeinput(in));
  EXPECT_FALSE(h.takeinput(in));
  h.pollidle();
  EXPECT_EQ(h.ticks(), t0 + 16);
  h.statementsrun(999);
  EXPECT_EQ(h.ticks(), t0 + 16);
  h.statementsrun(1);
  EXPECT_EQ(h.ticks(), t0 + 17);
}

TEST_F(BackendTest, TheTimelineKeepsDueOrderAndInsertionOrder) {
  HeadlessBackend h;
  h.schedule(at(80, InputKind::mousedown));
  h.schedule(at(70, InputKind::keydown));
  h.schedule(at(80, InputKind::mouseup));
  u32 due = 0;
  ASSERT_TRUE(h.nextdue(&due));
  EXPECT_EQ(due, 70u);
  h.advance(100);
  InputEvent in;
  std::vector<InputKind> kinds;
  while (h.takeinput(in)) kinds.push_back(in.kind);
  EXPECT_EQ(kinds, (std::vector<InputKind>{InputKind::keydown, InputKind::mousedown, InputKind::mouseup}));
  EXPECT_FALSE(h.inputpending());
}

TEST_F(BackendTest, TheSDL2BackendOpensAndPresentsOnTheDummyDriver) {
  const char* old = std::getenv("SDL_VIDEODRIVER");
  std::string saved = old ? old : "";
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  ScreenInfo s;
  s.bounds = Rect{0, 0, 240, 320};
  std::string why;
  auto b = opensdl2backend(s, &why);
  if (old) setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
  else unsetenv("SDL_VIDEODRIVER");
  if (!b) GTEST_SKIP() << "SDL could not start: " << why;
  EXPECT_FALSE(b->headless());
  ASSERT_EQ(b->screens().size(), 1u);
  EXPECT_EQ(b->screens()[0].bounds, s.bounds);
  Frame f;
  f.width = 320;
  f.height = 240;
  f.pixels.assign(320 * 240, 0x336699);
  b->present(f, {s.bounds});
  u32 t = b->ticks();
  b->waituntil(t + 1);
  EXPECT_GE(b->ticks(), t + 1);
  CursorImage c;
  c.mask[0] = 0xFFFF;
  b->setcursor(c);
  InputEvent in;
  while (b->takeinput(in)) {
  }
  b.reset();
}

}  // namespace
}  // namespace kv
