// The screen as the SDL2 backend shows it: a 1024 x 768 screen of three overlapping document
// windows, presented on SDL's display-less video driver (texture upload and software
// rendering). One case draws a 100 x 30 rectangle into the back window and presents what
// changed (the aim: under 1 ms); the other composes and presents the whole screen.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/backend/sdl2.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/windows/compositor.h"
#include "platform/windows/windows.h"

namespace {

using namespace kv;

// Three windows on an SDL2 backend of the dummy driver, in a fresh runtime.
struct Screen {
  WindowRef back = nilid;
  bool ok = false;

  Screen() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string why;
    auto b = opensdl2backend(ScreenInfo{Rect{0, 0, 768, 1024}, 32, {}}, &why);
    if (!b) return;
    setbackend(std::move(b));
    const Rect contents[3] = {{80, 60, 560, 700}, {160, 260, 640, 900}, {240, 420, 700, 1000}};
    for (const Rect& c : contents) {
      WindowRef w = nilid;
      if (CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &c, &w) != noErr) return;
      ShowWindow(w);
      if (back == nilid) back = w;
    }
    presentscreen();
    ok = true;
  }
  ~Screen() {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    resetruntime();
  }
};

void BM_PresentAHundredByThirtyChange(benchmark::State& st) {
  Screen s;
  if (!s.ok) {
    st.SkipWithError("SDL could not start");
    return;
  }
  SetPortWindowPort(s.back);
  const RGBColor colours[2] = {{0xFFFF, 0, 0}, {0, 0, 0xFFFF}};
  int i = 0;
  for (auto _ : st) {
    RGBForeColor(&colours[++i & 1]);
    const Rect r{20, 40, 50, 140};
    PaintRect(&r);
    presentscreen();
  }
  st.counters["whole composes"] = double(compositorcomposes());
}
BENCHMARK(BM_PresentAHundredByThirtyChange)->Unit(benchmark::kMicrosecond);

void BM_PresentTheWholeScreen(benchmark::State& st) {
  Screen s;
  if (!s.ok) {
    st.SkipWithError("SDL could not start");
    return;
  }
  for (auto _ : st) {
    screenchanged();
    presentscreen();
  }
}
BENCHMARK(BM_PresentTheWholeScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
