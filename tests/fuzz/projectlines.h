// What the fuzz targets that open a test project share: a project built in a temporary folder
// with its first window open (withproject), the input cut into lines (runlines), and the
// checks that nothing leaves a record held or a project open.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/testing/temphome.h"
#include "platform/windows/compositor.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/recordcache.h"
#include "tests/support/holds.h"
#include "tests/support/project.h"

namespace kv::fuzzlines {

inline u64 holds() { return recordholds(); }
inline u32 projects() { return openprojectcount(); }

// Builds `p` as f.kv45 in a temporary folder, opens its first window and runs `fn` there (a
// store failure may end it through the fatal-error path, and a quit through the quit
// sequence); then every window closes and the globals go. `prepare`, when given, runs on the
// folder's path after the project is written and before it opens (files beside the project).
inline void withproject(const testproject::Project& p, const std::function<void()>& fn,
                        const std::function<void(const std::string&)>& prepare = {}) {
  TemporaryHome home;
  setfilesyncs(false);  // the project's writes need not wait for the disk
  u32 dir = 0;
  if (folderidofpath(home.path(), &dir) != noErr || initglobs() != 0) return;
  composeonrequest(true);  // nothing here looks at the screen
  if (testproject::build(dir, "f.kv45", p) != 0) return;
  if (prepare) prepare(home.path());
  setexithook([](int, const std::string&) {});
  try {
    if (openprojectpath(home.path() + "/f.kv45") == 0) fn();
    closeallwindows();
  } catch (const ProcessExit&) {
    // The fatal-error path or the quit ended the run: what is left goes with the reset.
  }
  setexithook({});
  dumpglobs(0);
}

// Runs `fn` on at most 16 lines of the input (cut at returns; lines holding a line feed or a
// zero byte are skipped) in the open project small(); aborts when a line leaves a record held
// or a project open.
inline void runlines(const std::uint8_t* data, std::size_t size, const std::function<void(const std::string&)>& fn) {
  withproject(testproject::small(), [&] {
    u64 before = holds();
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (int lines = 0; lines < 16 && start <= input.size(); ++lines) {
      std::size_t end = input.find('\r', start);
      if (end == std::string::npos) end = input.size();
      std::string line = input.substr(start, end - start);
      start = end + 1;
      if (line.find('\n') != std::string::npos || line.find('\0') != std::string::npos) continue;
      fn(line);
      if (holds() != before || projects() != 1) std::abort();
    }
  });
}

}  // namespace kv::fuzzlines
