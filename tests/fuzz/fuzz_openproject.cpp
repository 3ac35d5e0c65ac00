// replay-runs: 400 (each input opens a whole project; this keeps the replay short)
// A project file with arbitrary damage (mutations of a project made by the test support)
// opened in a window headless, then gone through card by card, counted, compacted and
// closed. Nothing may crash or reach outside a buffer; a store failure may end the run only
// through the fatal-error path.
#include <cstdint>
#include <vector>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/testing/temphome.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "tests/support/project.h"

namespace {

using namespace kv;

constexpr u8 kName[] =
    "\x06"
    "f.kv45";

void writefile(u32 dir, const std::uint8_t* data, std::size_t size) {
  HCreate(kBootVolume, dir, kName, fourcc("VIZu"), fourcc("MDOx"));
  FileRef ref;
  if (HOpen(kBootVolume, dir, kName, fsRdWrPerm, &ref) != noErr) return;
  writeat(ref, 0, data, i64(size));
  FSClose(ref);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TemporaryHome home;
  setfilesyncs(false);  // the project's writes need not wait for the disk
  u32 dir = 0;
  if (folderidofpath(home.path(), &dir) != noErr || initglobs() != 0) return 0;
  writefile(dir, data, size);
  setexithook([](int, const std::string&) {});
  try {
    if (openprojectpath(home.path() + "/f.kv45") == 0) {
      std::string value;
      for (const char* line : {"go next", "go last card", "go prev", "go card \"Three\"", "go card id 103", "go middle",
                               "go card 2", "compact", "go first"})
        doscripttext(line);
      evaluatetext("the number of cards", &value);
    }
    closeallwindows();
  } catch (const ProcessExit&) {
    // The fatal-error path ended the run: what is left goes with the runtime's reset.
  }
  setexithook({});
  dumpglobs(0);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  TemporaryHome home;
  u32 dir = 0;
  if (folderidofpath(home.path(), &dir) != noErr) return 0;
  if (testproject::build(dir, "f.kv45", testproject::small()) != 0) return 0;
  FileRef ref;
  if (HOpen(kBootVolume, dir, kName, fsRdPerm, &ref) != noErr) return 0;
  i64 length = 0;
  GetEOF(ref, &length);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  readat(ref, 0, bytes.data(), length);
  FSClose(ref);
  out->push_back(bytes);
  return out->size();
}
