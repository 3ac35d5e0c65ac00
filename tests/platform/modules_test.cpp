// The service modules: each is mapped into the process only when its service is first used,
// and a module that is missing or cannot load leaves its service absent while the rest works.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "platform/memory/memory.h"
#include "platform/modules/modules.h"
#include "platform/movies/movies.h"
#include "platform/speech/recognition.h"
#include "platform/testing/testmovies.h"
#include "tests/support/homefolder.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using OwnedMovie = Owned<Movie, DisposeMovie>;

class ServiceModuleTest : public HomeFolderTest {
 protected:
  // Runs `use` in a fresh copy of this test program, where no module is loaded yet: it passes
  // when the module is absent before, and mapped after, the first use (and the use succeeded).
  void loadsonfirstuse(const char* module, const std::function<bool()>& use) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
          bool before = moduleloaded(module);
          bool worked = use();
          bool after = moduleloaded(module);
          std::exit(!before && worked && after ? 0 : 1);
        },
        testing::ExitedWithCode(0), "")
        << module;
  }
  std::string moviepath() const { return home->path() + "/m.mov"; }
};

TEST_F(ServiceModuleTest, EachModuleLoadsOnlyWhenItsServiceIsFirstUsed) {
  // Start-up asks whether movies can play; the answer does not load the module.
  loadsonfirstuse("media", [this] {
    bool asked = EnterMovies() == noErr && !moduleloaded("media");
    OwnedMovie m;
    return asked && writetestmovie(moviepath(), {}) && NewMovieFromPath(moviepath(), &m) == noErr &&
           GetMovieDuration(m) == 1200;
  });
  loadsonfirstuse("recognition", [] {
    SRIdle();  // every pass of the event loop: nothing to do before recognition was used
    return !moduleloaded("recognition") && (SRAvailable() || !modulefailure("recognition").empty());
  });
}

TEST_F(ServiceModuleTest, AMissingModuleLeavesItsServiceAbsentAndTheRestWorks) {
  setmodulefolder(home->path());  // holds no module
  EXPECT_EQ(EnterMovies(), movieToolboxUninitialized);
  Movie m = 1;
  EXPECT_EQ(NewMovieFromPath(moviepath(), &m), movieToolboxUninitialized);
  EXPECT_EQ(m, nilid);
  EXPECT_FALSE(writetestmovie(moviepath(), {}));
  EXPECT_EQ(moviecount(), 0u);
  EXPECT_NE(modulefailure("media").find("not found"), std::string::npos);
  EXPECT_FALSE(SRAvailable());
  RegistryId system = 1;
  EXPECT_EQ(SROpenRecognitionSystem(&system), kSRNotAvailable);
  EXPECT_EQ(system, nilid);
  SRIdle();
  // The rest of the platform layer is untouched.
  Handle h = NewHandle(16);
  EXPECT_NE(h, nilhandle);
  DisposeHandle(h);
}

TEST_F(ServiceModuleTest, AModuleThatCannotLoadIsMissingAfterItsFirstUse) {
  setmodulefolder(home->path());
  std::ofstream(home->path() + "/kvmod_media.so") << "not a shared object";
  // Found but not yet loaded: movies are reported present until one is opened.
  EXPECT_EQ(EnterMovies(), noErr);
  Movie m = nilid;
  EXPECT_EQ(NewMovieFromPath(moviepath(), &m), movieToolboxUninitialized);
  EXPECT_FALSE(modulefailure("media").empty());
  EXPECT_EQ(EnterMovies(), movieToolboxUninitialized);
  // Another folder finds the real module again.
  setmodulefolder(std::getenv("KESTROVE_MODULE_DIR"));
  EXPECT_EQ(EnterMovies(), noErr);
}

}  // namespace
}  // namespace kv
