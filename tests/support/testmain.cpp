// The test main: every test runs on the big-stack thread, with TZ pinned to UTC, a temporary
// home folder and no sound server within reach.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/runtime/bigstack.h"
#include "platform/testing/temphome.h"

// pocketsphinx's grammar parser (in sphinxbase) keeps parts of every grammar it reads after the
// decoder is freed, and SDL keeps its audio device lists until SDL_Quit, which the program never
// calls while it runs: the leak checker is told to overlook those libraries.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsphinxbase.so\nleak:libSDL2\n"; }

int main(int argc, char** argv) {
  setenv("TZ", "UTC", 1);
  // The speech library opens an audio client it never uses: pointed at no server, it reaches
  // none and leaves no folder of its own behind.
  setenv("PULSE_SERVER", "unix:/nonexistent/kestrove-test", 1);
  // The service modules are found where the build puts them.
  setenv("KESTROVE_MODULE_DIR", KV_MODULE_DIR, 0);
  testing::InitGoogleTest(&argc, argv);
  // No test writes into the real home folder (preferences and the like).
  kv::TemporaryHome home;
  return kv::runonbigstack([]() { return RUN_ALL_TESTS(); });
}
