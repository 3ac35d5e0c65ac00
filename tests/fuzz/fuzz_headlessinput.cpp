// Feeds arbitrary bytes to the readers of the headless run's files (the answers queue and the
// input file), then runs the event loop over whatever input they scheduled: a bad line is an
// error, never a crash, and every scheduled input is taken in order of its due tick.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/testing/inputscript.h"

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {
      "alert: Save\nask: \"Bob \"\"B\"\"\"\nanswer file: notes/a.txt\nlist: 2,5\n",
      "click 120,40 cmd\nadvance 10\ntype \"hello\"\nkey return shift\n",
      "drag 1,1 300,200 20\nwheel 5,5 -3 horizontal\nopenDocuments \"a b\" c\nquitRequest\n",
      "doubleClick 10,10\nmouseDown 1,1\nmoveTo 2,2\nmouseUp\nsuspend\nresume\nkey 36\nkey \"q\" cmd\n",
  };
  for (const char* s : seeds) out->emplace_back(s, s + std::string_view(s).size());
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string err;
  loadanswers(text, &err);
  if (runinputscript(text, &err)) {
    EventRecord e{};
    u32 last = 0;
    for (int i = 0; i < 2000 && WaitNextEvent(everyEvent, &e, 60); ++i) {
      if (e.what == mouseDown || e.what == keyDown) {
        if (u32(e.when) < last) __builtin_trap();
        last = e.when;
      }
    }
  }
  resetruntime();
  return 0;
}
