// The service modules: each is mapped into the process only when its service is first used,
// and a module that is missing or cannot load leaves its service absent while the rest works.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "platform/backend/headless.h"
#include "platform/backend/sdl2.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/modules/modules.h"
#include "platform/movies/movies.h"
#include "platform/net/urlfetch.h"
#include "platform/print/printimpl.h"
#include "platform/qd/iconimpl.h"
#include "platform/qd/pictures.h"
#include "platform/sound/audio.h"
#include "platform/sound/audiointernal.h"
#include "platform/sound/soundinput.h"
#include "platform/sound/tunes.h"
#include "platform/speech/espeak.h"
#include "platform/speech/recognition.h"
#include "platform/testing/testimages.h"
#include "platform/testing/testmovies.h"
#include "tests/support/homefolder.h"
#include "tests/support/owned.h"
#include "tests/support/sdldummy.h"

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
  loadsonfirstuse("display", [] {
    DummySDLDrivers dummy;
    ScreenInfo screen;
    bool headless = openbackend(true, screen)->screens().size() == 1 && !moduleloaded("display");
    std::string why;
    return headless && opensdl2backend(screen, &why) != nullptr;
  });
  loadsonfirstuse("sound", [] {
    audioservice();  // every pass of the event loop
    bool idle = !audiooutputopen() && tuneplayercount() == 0 && !moduleloaded("sound");
    RegistryId player = nilid;
    bool opened = TuneOpen(&player) == noErr && TuneClose(player) == noErr;
    return idle && (opened || NAOpen() == noteAllocatorUnavailable);
  });
  loadsonfirstuse("pdf", [this] {
    Session session;  // made and ended without a document: nothing to load
    bool idle = !moduleloaded("pdf");
    session.destination = kPMDestinationFile;
    session.path = home->path() + "/out.pdf";
    return idle && pdfbegin(session, {}, {}) == noErr && pdfend(session) == noErr;
  });
  loadsonfirstuse("printers", [] {
    bool own = !pmownpapers().empty() && !moduleloaded("printers");
    pmusetestprinters({PMTestPrinter{"Laser", "Laser 1", {}, noErr}});
    std::vector<std::string> names;
    i32 current = -1;
    return own && PMServerCreatePrinterList(&names, &current) == noErr && names.size() == 1 && current == 0;
  });
  loadsonfirstuse("speech", [] { return synthready() && !synthvoices().empty(); });
  loadsonfirstuse("url", [this] {
    FetchedContent got;
    bool plain = isurl("http://example.org/") && !moduleloaded("url");
    return plain && fetchurl("file://" + home->path() + "/none.txt", 100, &got) != FetchStatus::ok;
  });
  loadsonfirstuse("jpeg2000", [] {
    std::vector<u8> bytes = testjpeg2000(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    IconImage image;
    return !bytes.empty() && decodejpeg2000(bytes.data(), bytes.size(), &image);
  });
}

TEST_F(ServiceModuleTest, AModuleRunsOnTheProgramsBackendAndClock) {
  // A backend the program put in place (as its start does) is the one a module's movie plays by.
  setbackend(std::make_unique<HeadlessBackend>());
  ASSERT_TRUE(writetestmovie(moviepath(), {}));
  OwnedMovie m;
  ASSERT_EQ(NewMovieFromPath(moviepath(), &m), noErr);
  StartMovie(m);
  Delay(30, nullptr);
  MoviesTask(m);
  EXPECT_EQ(GetMovieTime(m), 300);
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
  EXPECT_EQ(NAOpen(), noteAllocatorUnavailable);
  RegistryId player = 1;
  EXPECT_EQ(TuneOpen(&player), noteAllocatorUnavailable);
  EXPECT_EQ(player, nilid);
  EXPECT_FALSE(audiosend(std::make_unique<AudioMessage>()));
  EXPECT_TRUE(renderedaudio(0, 60).empty());
  {
    SoundCapture capture;
    EXPECT_FALSE(capture.open());
    std::vector<i16> heard;
    capture.drain(heard);
    EXPECT_TRUE(heard.empty());
  }
  {
    Session session;
    session.destination = kPMDestinationFile;
    session.path = home->path() + "/out.pdf";
    EXPECT_EQ(pdfbegin(session, {}, {}), kPMGeneralError);
    EXPECT_EQ(session.document, nullptr);
  }
  std::vector<std::string> printers{"left over"};
  i32 current = 3;
  EXPECT_EQ(PMServerCreatePrinterList(&printers, &current), noErr);
  EXPECT_TRUE(printers.empty());
  EXPECT_EQ(current, -1);
  std::vector<PMPaper> papers;
  EXPECT_EQ(PMSessionCreatePageFormatList(nilid, &papers), noErr);
  EXPECT_EQ(papers.size(), pmownpapers().size());
  EXPECT_FALSE(papers.empty());
  EXPECT_FALSE(synthready());
  EXPECT_TRUE(synthvoices().empty());
  FetchedContent got;
  got.cut = true;
  EXPECT_EQ(fetchurl("http://example.org/", 100, &got), FetchStatus::failed);
  EXPECT_FALSE(got.cut);
  EXPECT_TRUE(isurl("http://example.org/"));
  const u8 notanimage[] = {0, 0, 0, 12, 'j', 'P', ' ', ' '};
  IconImage image;
  EXPECT_FALSE(decodejpeg2000(notanimage, sizeof notanimage, &image));
  {
    // With a display but no module to show it, the program runs headless.
    DummySDLDrivers dummy;
    std::string why;
    EXPECT_EQ(opensdl2backend(ScreenInfo{}, &why), nullptr);
    EXPECT_NE(why.find("display module is missing"), std::string::npos) << why;
    EXPECT_EQ(openbackend(false, ScreenInfo{})->screens().size(), 1u);
  }
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
