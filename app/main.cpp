// The kestrove program: opens projects and runs them.
#include <cstdio>
#include <cstring>

#include <string>
#include <vector>

#include "platform/runtime/bigstack.h"
#include "platform/testing/answers.h"
#include "platform/testing/commandline.h"
#include "shell/commandline.h"
#include "shell/demo.h"
#include "shell/mainglobals.h"
#include "shell/version.h"

namespace {

const char* kUsage =
    "usage: kestrove [--headless] [options] [project.kv45 ...] [-- argument ...]\n"
    "  Opens the first window of each project (with none, a demo project made on the spot),\n"
    "  runs its opening messages and prints what its scripts put into the message box.\n"
    "  --eval EXPR  evaluate a Veltrix expression and print its value\n"
    "  --do SCRIPT  send each line of a Veltrix script as a message\n"
    "               (with --eval or --do, only their output is printed)\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "  --headless   run without a display (also when there is none)\n"
    "  --answers FILE, --input FILE, --transcript FILE, --dump-dir DIR, --screen WxHxD,\n"
    "  --max-ticks N\n"
    "               headless runs: dialog answers, scripted input, the transcript, a PNG of\n"
    "               each window at the end, the screen, the longest run in ticks\n";

int run(int argc, char** argv) {
  kv::PlatformOptions platform;
  std::vector<kv::clirequest> requests;
  std::vector<std::string> projects;
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
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts(kv::versionstring());
      return 0;
    }
    bool eval = std::strcmp(argv[i], "--eval") == 0;
    if ((eval || std::strcmp(argv[i], "--do") == 0) && i + 1 < argc) {
      requests.push_back(kv::clirequest{eval, argv[++i]});
      continue;
    }
    if (argv[i][0] != '-') {
      projects.push_back(argv[i]);
      continue;
    }
    std::fputs(kUsage, stderr);
    return 2;
  }
  // The requests run in the first window of the projects named (or, with none, on an empty
  // in-memory context), with nobody to answer a dialog but its default (or the answers file).
  // Without requests the projects named (or, with none, the demo project) open and what their
  // opening messages put into the message box is printed.
  std::string starterror;
  if (!kv::startplatform(platform, &starterror)) {
    std::fprintf(stderr, "kestrove: %s\n", starterror.c_str());
    return 2;
  }
  if (kv::initglobs() != 0) {
    std::fputs("kestrove: not enough memory to start\n", stderr);
    return 1;
  }
  for (const std::string& p : projects) {
    if (kv::i16 st = kv::openprojectpath(p); st != 0) {
      std::fprintf(stderr, "kestrove: cannot open %s: %s", p.c_str(), kv::failuretext(st).c_str());
      kv::closeallwindows();
      kv::dumpglobs(0);
      return kv::finishplatform(1);
    }
  }
  std::string out, err;
  int status = 0;
  if (!requests.empty()) {
    status = kv::runrequests(requests, &out, &err);
  } else if (kv::i16 st = projects.empty() ? kv::opendemo() : kv::i16(0); st != 0) {
    err = "kestrove: the demo project did not open: " + kv::failuretext(st);
    status = 1;
  } else if (std::string said = kv::messageboxtext(); !said.empty()) {
    out = said + "\n";
  }
  kv::closeallwindows();
  kv::removedemo();
  std::fputs(out.c_str(), stdout);
  std::fputs(err.c_str(), stderr);
  kv::dumpglobs(0);
  return kv::finishplatform(status);
}

}  // namespace

int main(int argc, char** argv) {
  return kv::runonbigstack([argc, argv]() { return run(argc, argv); });
}
