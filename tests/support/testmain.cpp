// The test main: every test runs on the big-stack thread, with TZ pinned to UTC, a temporary
// home folder and no sound server within reach.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/memory/badhandles.h"
#include "platform/runtime/bigstack.h"
#include "platform/testing/temphome.h"
#include "tests/support/badhandles.h"

// pocketsphinx's grammar parser (in sphinxbase) keeps parts of every grammar it reads after the
// decoder is freed, and SDL keeps its audio device lists until SDL_Quit, which the program never
// calls while it runs: the leak checker is told to overlook those libraries.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsphinxbase.so\nleak:libSDL2\n"; }

namespace {

// Fails a test during which a disposed or invalid handle was used (the memory layer refuses the
// use safely, so nothing else would notice). The count runs across runtime resets, so a stale
// id touched while a fixture sets up or tears down is caught too.
class BadHandleGuard : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    kv::clearbadhandleallowance();
    before_ = kv::badhandleusessincestart();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::size_t used = kv::badhandleusessincestart() - before_;
    if (used != 0 && !kv::badhandleusesallowed()) {
      ADD_FAILURE() << used << " use(s) of a disposed or invalid handle during this test";
    }
  }
  std::size_t before_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  setenv("TZ", "UTC", 1);
  // The speech library opens an audio client it never uses: pointed at no server, it reaches
  // none and leaves no folder of its own behind.
  setenv("PULSE_SERVER", "unix:/nonexistent/kestrove-test", 1);
  // The service modules are found where the build puts them.
  setenv("KESTROVE_MODULE_DIR", KV_MODULE_DIR, 0);
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new BadHandleGuard);
  // No test writes into the real home folder (preferences and the like).
  kv::TemporaryHome home;
  return kv::runonbigstack([]() { return RUN_ALL_TESTS(); });
}
