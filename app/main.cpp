// The kestrove program: opens projects and runs them.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/sdl2.h"
#include "platform/events/watchdog.h"
#include "platform/ipc/instance.h"
#include "platform/ipc/programs.h"
#include "platform/ipc/remote.h"
#include "platform/process/exit.h"
#include "platform/launch/desktopfiles.h"
#include "platform/runtime/bigstack.h"
#include "platform/testing/commandline.h"
#include "platform/testing/windowdump.h"
#include "shell/commandline.h"
#include "shell/demo.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/startup.h"
#include "shell/version.h"
#include "system/programtargets.h"
#include "system/remoteprocs.h"

namespace {

const char* kUsage =
    "usage: kestrove [--headless] [options] [project.kv45 ...] [-- argument ...]\n"
    "  Opens the first window of each project (with none, a demo project made on the spot),\n"
    "  runs it and prints what its scripts put into the message box.\n"
    "  --eval EXPR  evaluate a Veltrix expression and print its value\n"
    "  --do SCRIPT  run each line of a Veltrix script as a line typed into the message box\n"
    "               (with --eval or --do, only their output is printed)\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "  --headless   run without a display (also when there is none)\n"
    "  --register-desktop, --unregister-desktop\n"
    "               make the desktop open .kv45 projects with this program (for this user),\n"
    "               or no longer\n"
    "  --answers FILE, --input FILE, --transcript FILE, --dump-dir DIR, --screen WxHxD,\n"
    "  --max-ticks N, --max-passes N, --idle-passes N\n"
    "               headless runs: dialog answers, scripted input, the transcript, a PNG of\n"
    "               each window at the end, the screen, the longest run in ticks, in passes of\n"
    "               the event loop, or in passes in a row with no event once the input is used\n"
    "               up (100 when no limit is given)\n"
    "  -- argument ...\n"
    "               each argument is sent to the current card as a message\n"
    "  Ctrl-C stops the running handler; a second one within two seconds, SIGTERM and SIGHUP\n"
    "  quit (the projects are written back). A headless run prints each script error on\n"
    "  standard error and then ends with status 1.\n";

// Headless runs with no limit of their own end after this many idle passes.
constexpr kv::u32 kDefaultIdlePasses = 100;

bool passcount(const char* text, kv::u32* out) {
  char* end = nullptr;
  unsigned long n = std::strtoul(text, &end, 10);
  if (!*text || *end || n == 0 || n > 0xFFFFFFFFul) return false;
  *out = kv::u32(n);
  return true;
}

int run(int argc, char** argv) {
  kv::PlatformOptions platform;
  std::vector<kv::clirequest> requests;
  std::vector<std::string> projects;
  kv::StartupOptions start;
  start.arguments.push_back(argv[0]);
  kv::LoopLimits limits;
  for (int i = 1; i < argc; ++i) {
    std::string error;
    int took = kv::takeplatformoption(argc, argv, i, &platform, &error);
    if (took < 0) {
      std::fprintf(stderr, "kestrove: %s\n", error.c_str());
      return 2;
    }
    if (took > 0) {
      i += took - 1;
      continue;
    }
    if (std::strcmp(argv[i], "--") == 0) {
      for (++i; i < argc; ++i) start.arguments.push_back(argv[i]);
      break;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts(kv::versionstring());
      return 0;
    }
    const bool reg = std::strcmp(argv[i], "--register-desktop") == 0;
    if (reg || std::strcmp(argv[i], "--unregister-desktop") == 0) {
      std::string failure;
      if (!(reg ? kv::registerdesktop(kv::programpath(), &failure) : kv::unregisterdesktop(&failure))) {
        std::fprintf(stderr, "kestrove: %s\n", failure.c_str());
        return 1;
      }
      return 0;
    }
    bool eval = std::strcmp(argv[i], "--eval") == 0;
    if ((eval || std::strcmp(argv[i], "--do") == 0) && i + 1 < argc) {
      requests.push_back(kv::clirequest{eval, argv[++i]});
      continue;
    }
    bool maxpasses = std::strcmp(argv[i], "--max-passes") == 0;
    if (maxpasses || std::strcmp(argv[i], "--idle-passes") == 0) {
      if (i + 1 >= argc || !passcount(argv[i + 1], maxpasses ? &limits.maxpasses : &limits.idlepasses)) {
        std::fprintf(stderr, "kestrove: %s takes a positive number\n", argv[i]);
        return 2;
      }
      ++i;
      continue;
    }
    if (argv[i][0] != '-') {
      projects.push_back(argv[i]);
      continue;
    }
    std::fputs(kUsage, stderr);
    return 2;
  }
  // One instance per user and display: projects named to a later kestrove open in the one
  // already running, and the later one ends.
  if (!platform.headless && requests.empty() && !projects.empty() && kv::displayavailable()) {
    std::string why;
    if (kv::handtorunninginstance(projects, &why)) return 0;
  }
  std::string starterror;
  platform.deferinput = true;
  if (!kv::startplatform(platform, &starterror)) {
    std::fprintf(stderr, "kestrove: %s\n", starterror.c_str());
    return 2;
  }
  // Other programs find this one in the registry of running programs and send it requests.
  {
    std::string why;
    // Requests of the command line only are no reason to say so.
    if (!kv::joinprograms(kv::programname(), &why) && requests.empty())
      std::fprintf(stderr, "kestrove: other programs cannot send requests to this one: %s\n", why.c_str());
  }
  // Without a runtime folder (no session) other instances simply cannot find this one.
  if (!kv::backend().headless() && requests.empty() && !kv::instancesocketpath().empty()) {
    std::string why;
    if (!kv::listenforinstances(&why))
      std::fprintf(stderr, "kestrove: other instances cannot reach this one: %s\n", why.c_str());
  }
  // The projects named open as the desktop's open-documents request opens them. Requests with
  // no project named run on an empty in-memory context, without waiting for a window.
  start.documents = projects;
  start.launchrequest = requests.empty() || !projects.empty();
  start.waitforwindow = start.launchrequest;
  // A quit from inside the loop (Ctrl+Q, the close box, the window closed) ends the process
  // there: the greeting is still printed, the demo's scratch folder still goes and other
  // instances no longer find this one.
  kv::setlastwords([printbox = requests.empty()] {
    if (printbox) {
      if (std::string said = kv::messageboxtext(); !said.empty()) {
        said += "\n";
        std::fwrite(said.data(), 1, said.size(), stdout);
      }
    }
    kv::removedemo();
    kv::stoplisteningforinstances();
    kv::closeremoterequests();
    kv::leaveprograms();
  });
  kv::setpasslimit(limits.maxpasses);
  if (int st = kv::startup(start); st != 0) return kv::finishplatform(st);
  // Programs of other machines reach this one only while the user allows it.
  if (requests.empty()) {
    std::string why;
    if (!kv::listenforremoterequests(&why))
      std::fprintf(stderr, "kestrove: programs of other machines cannot send requests to this one: %s\n", why.c_str());
  }
  // The scripted input begins once the program has started.
  if (!kv::startplatforminput(&starterror)) {
    std::fprintf(stderr, "kestrove: %s\n", starterror.c_str());
    return kv::finishplatform(2);
  }
  int status = 0;
  std::string out, err;
  if (!requests.empty()) {
    status = kv::runrequests(requests, &out, &err);
  } else {
    if (kv::backend().headless() && !limits.maxpasses && !limits.idlepasses && !platform.maxticks)
      limits.idlepasses = kDefaultIdlePasses;
    kv::mainloop(limits);
    if (std::string said = kv::messageboxtext(); !said.empty()) out = said + "\n";
  }
  // A run that a limit or the watchdog ended says why.
  if (kv::runending()) {
    if (kv::runendstatus() != 0) status = kv::runendstatus();
    if (!kv::runendreason().empty()) err += "kestrove: " + kv::runendreason() + "\n";
  }
  kv::setlastwords({});  // from here the run ends below
  // The windows' pictures of a headless run are taken while the projects are still open.
  kv::takewindowdump();
  kv::closeallwindows();
  kv::removedemo();
  // Every byte is printed: a value may hold a NUL, and what follows it is still output.
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  kv::dumpglobs(0);
  kv::stoplisteningforinstances();
  kv::leaveprograms();
  return kv::finishplatform(status);
}

}  // namespace

int main(int argc, char** argv) {
  return kv::runonbigstack([argc, argv]() { return run(argc, argv); });
}
