// What the fuzz targets over script lines in a test project share: the project `small()` built
// in a temporary folder with its first window open, the input cut into lines, and the check
// that no line leaves a record held or a project open.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/testing/temphome.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
#include "store/recordcache.h"
#include "tests/support/project.h"

namespace kv::fuzzlines {

// Uses of records held in every open project.
inline u64 holds() {
  u64 n = 0;
  for (RegistryId s = mainglobals().openprojects; s != nilid; s = nextvir(s)) {
    const projectstore* st = findprojectstore(s);
    if (st == nullptr || st->cache == nilhandle) continue;
    for (Size i = 0; i < HandleCount<virentry>(st->cache); ++i) n += HandleAs<virentry>(st->cache)[i].usecount;
  }
  return n;
}

// The number of open projects.
inline u32 projects() {
  u32 n = 0;
  for (RegistryId s = mainglobals().openprojects; s != nilid; s = nextvir(s)) ++n;
  return n;
}

// Runs `fn` on at most 16 lines of the input (cut at returns; lines holding a line feed or a
// zero byte are skipped) in the open project; aborts when a line leaves a record held or a
// project open.
inline void runlines(const std::uint8_t* data, std::size_t size, const std::function<void(const std::string&)>& fn) {
  TemporaryHome home;
  u32 dir = 0;
  if (folderidofpath(home.path(), &dir) != noErr || initglobs() != 0) return;
  if (testproject::build(dir, "f.kv45", testproject::small()) != 0) return;
  setexithook([](int, const std::string&) {});
  try {
    if (openprojectpath(home.path() + "/f.kv45") == 0) {
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
    }
    closeallwindows();
  } catch (const ProcessExit&) {
    // The fatal-error path ended the run: what is left goes with the runtime's reset.
  }
  setexithook({});
  dumpglobs(0);
}

}  // namespace kv::fuzzlines
