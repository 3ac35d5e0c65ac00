// Drawing a whole card window: a 1024 x 768 card of 200 objects (rectangle, round-rectangle
// and oval graphics in random colours, rectangle buttons with names, fields with text) in a
// plain window of its size, on a screen large enough to hold it, redrawn whole with drawedit,
// headless; draws per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/benchsupport.h"
#include "platform/backend/headless.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "platform/text/pstring.h"
#include "render/offscreen.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windnav.h"
#include "store/forms.h"
#include "tests/support/project.h"
#include "textengine/werecord.h"

namespace {

using namespace kv;
using testproject::Object;

constexpr i16 kWidth = 1024, kHeight = 768;
constexpr int kObjects = 200;

Object randomobject(int i, bench::Rng& rng) {
  Object o;
  const i16 w = i16(30 + rng.next() % 170), h = i16(20 + rng.next() % 120);
  const i16 left = i16(rng.next() % (kWidth - w)), top = i16(rng.next() % (kHeight - h));
  o.rect = Rect{top, left, i16(top + h), i16(left + w)};
  switch (i % 4) {
    case 0:
      o.kind = Object::button;
      o.style = 200;
      o.name = "Button " + std::to_string(i);
      break;
    case 1:
      o.kind = Object::field;
      o.style = 300;
      o.text = "Field " + std::to_string(i) + "\rwith a second line of text, long enough to wrap once or twice";
      break;
    default:
      o.kind = Object::graphic;
      o.style = u16(100 + rng.next() % 3);
      o.showfill = 1;
      o.fillfore = u8(rng.next());
      o.penfore = u8(rng.next());
      break;
  }
  return o;
}

// The window of the card, open in a fresh runtime on a 1600 x 1200 screen.
struct DrawnWindow {
  std::unique_ptr<TemporaryHome> home = std::make_unique<TemporaryHome>();
  bool open = false;

  DrawnWindow() {
    setmemoryhardening(false);
    if (HeadlessBackend* b = headlessbackend()) b->setscreens({ScreenInfo{Rect{0, 0, 1200, 1600}, 32, {}}});
    installweliveparts();
    initglobs();
    SetOffScreenBounds(Rect{0, 0, kHeight, kWidth});
    if (CreateOffScreen(32) != 1) return;
    testproject::Project p;
    testproject::Window w;
    w.name = "Drawn";
    w.style = 4;
    w.rect = Rect{100, 100, i16(100 + kHeight), i16(100 + kWidth)};
    w.backgrounds.push_back({"Plain", "", {}});
    testproject::Card c;
    bench::Rng rng;
    for (int i = 0; i < kObjects; ++i) c.objects.push_back(randomobject(i, rng));
    w.cards.push_back(c);
    p.windows.push_back(std::move(w));
    u32 dir = 0;
    if (folderidofpath(home->path(), &dir) != noErr || testproject::build(dir, "drawn.kv45", p) != 0) return;
    form f{};
    f.wind = selpart{selnumber, 1, {}, 0};
    std::string path = home->path() + "/drawn.kv45";
    pstrassign(f.proj.name, 256, path.data(), path.size());
    open = openwindow(f, 0, 0) == 0;
  }
  ~DrawnWindow() {
    closeallwindows();
    DisposeOffScreen();
    home.reset();
    resetruntime();
  }
};

void BM_DrawAWholeCardOfTwoHundredObjects(benchmark::State& st) {
  DrawnWindow d;
  if (!d.open) {
    st.SkipWithError("the window did not open");
    return;
  }
  Rect content{};
  GetWindowBounds(mainglobals().current.window, kWindowContentRgn, &content);
  if (content.right - content.left != kWidth || content.bottom - content.top != kHeight) {
    st.SkipWithError("the window is not 1024 x 768");
    return;
  }
  i64 draws = 0;
  for (auto _ : st) {
    drawedit(mainglobals().current, nullptr);
    ++draws;
  }
  st.counters["draws/s"] = benchmark::Counter(double(draws), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawAWholeCardOfTwoHundredObjects)->Unit(benchmark::kMillisecond);

}  // namespace
