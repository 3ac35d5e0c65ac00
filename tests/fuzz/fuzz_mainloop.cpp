// replay-runs: 300 (each input opens a whole project; this keeps the replay short)
// The main loop driven by arbitrary input over the event-logging test project: clicks, double
// clicks, presses and drags anywhere on the screen, keys with modifiers, the wheel, suspend
// and resume, waits and quit requests. After every pass there is one current window (or none
// once the quit closed them), no record is held, and once the run ends no handle is left. A
// dialog the input opens (a script error's alert, say) takes its default.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/events/keycodes.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/startup.h"
#include "tests/fuzz/projectlines.h"
#include "tests/support/eventloop.h"

namespace {

using namespace kv;

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  u8 next() { return at < size ? data[at++] : 0; }
  bool done() const { return at >= size; }
  // A point on the screen, most of them inside the window.
  Point point() {
    u8 x = next(), y = next();
    if (x & 1) return Point{i16(y * 3), i16(x * 4)};
    return Point{i16(100 + y * 360 / 256), i16(100 + x * 540 / 256)};
  }
  u16 modifiers() {
    static constexpr u16 kinds[] = {0, 0, shiftKey, cmdKey, optionKey, controlKey, u16(cmdKey | shiftKey), 0};
    return kinds[next() % 8];
  }
};

// One current window that the table holds, and no record held.
void checkpass(u64 holdsbefore) {
  const MainGlobals& g = mainglobals();
  if (g.numwinds > 0) {
    bool found = false;
    for (i16 i = 0; i < g.numwinds; ++i) found = found || HandleAs<desk>(g.winds)[i].window == g.current.window;
    if (!found || !IsValidWindowPtr(g.current.window)) std::abort();
  }
  if (fuzzlines::holds() != holdsbefore) std::abort();
}

void step(Input& in) {
  switch (in.next() % 12) {
    case 0: drive::click(in.point(), in.modifiers()); break;
    case 1: drive::doubleClick(in.point(), in.modifiers()); break;
    case 2: {
      Point from = in.point(), to = in.point();
      drive::drag(from, to, 1 + in.next() % 30, in.modifiers());
      break;
    }
    case 3: drive::keychar(in.next(), in.modifiers()); break;
    case 4: {
      static constexpr u8 keys[] = {kVKReturn,  kVKKeypadEnter, kVKTab, kVKLeftArrow, kVKRightArrow,
                                    kVKUpArrow, kVKDownArrow,   0x60,   kVKEscape,    kVKDelete};
      drive::key(keys[in.next() % 10], in.modifiers());
      break;
    }
    case 5: drive::wheel(in.point(), i8(in.next()), in.next() & 1); break;
    case 6: drive::suspend(); break;
    case 7: drive::resume(); break;
    case 8:
      if (in.next() < 24) drive::quitRequest();
      break;
    case 9: drive::advance(in.next()); break;
    case 10: {
      drive::mouseDown(in.point(), in.modifiers());
      drive::moveTo(in.point());
      drive::mouseUp();
      break;
    }
    default: drive::advance(1 + in.next() % 4); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzlines::withproject(EventLoopTest::project(), [&] {
    installcarbonhandlers();
    // A dialog the input opens takes its default, as nobody is there to answer it.
    setunattendedpolicy(UnattendedPolicy::usedefault);
    u64 holdsbefore = fuzzlines::holds();
    Input in{data, size};
    for (int steps = 0; steps < 64 && !in.done(); ++steps) {
      step(in);
      for (int pass = 0; pass < 6; ++pass) {
        mainloop(LoopLimits{1, 0});
        checkpass(holdsbefore);
      }
    }
    mainloop(LoopLimits{0, 3});
    checkpass(holdsbefore);
  });
  if (resetruntime().leakedhandles != 0) std::abort();
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  // Clicks on the button and the card, typing, a drag of the title bar, the wheel, suspend and
  // resume, a double click, and a quit request at the end.
  const std::vector<std::vector<std::uint8_t>> seeds = {
      {0, 4, 4, 0, 0, 200, 100, 0, 3, 'a', 0, 4, 0, 0, 4, 3, 2},
      {2, 101, 1, 101, 61, 10, 0, 5, 50, 50, 7, 0, 6, 7, 1, 8, 8, 1, 0},
      {10, 4, 4, 201, 201, 3, 'q', 3, 3, 'w', 3, 4, 0, 6, 9, 200, 8, 3},
      {1, 128, 128, 0, 11, 1, 0, 250, 250, 0, 4, 7, 5, 3, 100, 100, 9, 40, 8, 0},
      // Command-shift with a zero byte: the menu key's message once lost its closing quote.
      {2, 5, 101, 101, 0, 10, 61, 1, 52, 0, 40, 135, 0, 6},
  };
  *out = seeds;
  return out->size();
}
