// A list field of 10,000 rows: its list refilled from the text (forcelistload) and drawn
// (drawthelist) in a shown card window, headless. The aim is under 20 ms for both together.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "fields/listfields.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "store/forms.h"
#include "store/objects.h"
#include "tests/support/project.h"
#include "textengine/werecord.h"

namespace {

using namespace kv;

constexpr int kRows = 10000;

struct ListWindow {
  std::unique_ptr<TemporaryHome> home = std::make_unique<TemporaryHome>();
  bool open = false;

  ListWindow() {
    setmemoryhardening(false);
    installweliveparts();
    installlistliveparts();
    initglobs();
    testproject::Object list;
    list.kind = testproject::Object::field;
    list.style = 303;
    list.rect = Rect{10, 10, 400, 300};
    for (int i = 0; i < kRows; ++i) list.text += (i > 0 ? "\rrow " : "row ") + std::to_string(i);
    testproject::Project p;
    testproject::Window w;
    w.name = "Rows";
    w.rect = Rect{100, 100, 520, 420};
    w.backgrounds.push_back({"Plain", "", {}});
    testproject::Card c;
    c.objects.push_back(list);
    w.cards.push_back(c);
    p.windows.push_back(std::move(w));
    u32 dir = 0;
    if (folderidofpath(home->path(), &dir) != noErr || testproject::build(dir, "rows.kv45", p) != 0) return;
    form f{};
    f.wind = selpart{selnumber, 1, {}, 0};
    std::string path = home->path() + "/rows.kv45";
    pstrassign(f.proj.name, 256, path.data(), path.size());
    open = openwindow(f, 0, 0) == 0;
  }
  ~ListWindow() {
    closeallwindows();
    home.reset();
    resetruntime();
  }
};

void BM_LoadAndDrawAListOfTenThousandRows(benchmark::State& st) {
  ListWindow w;
  const Handle spots = mainglobals().current.cardspots;
  if (!w.open || spotcount(spots) != 1) {
    st.SkipWithError("the window did not open");
    return;
  }
  SetPortWindowPort(mainglobals().current.window);
  for (auto _ : st) {
    spot s = spotat(spots, 0);
    forcelistload(s, 1);
    drawthelist(s);
    putspot(spots, 0, s);
  }
  if (spot s = spotat(spots, 0); LGetDataBounds(fieldlisthandle(s)).bottom != kRows) st.SkipWithError("rows lost");
}
BENCHMARK(BM_LoadAndDrawAListOfTenThousandRows)->Unit(benchmark::kMillisecond);

}  // namespace
