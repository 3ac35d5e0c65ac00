// The kestrove program: opens projects and runs them.
#include <cstdio>
#include <cstring>

#include <string>

#include "platform/runtime/bigstack.h"
#include "platform/testing/commandline.h"
#include "shell/version.h"

namespace {

const char* kUsage =
    "usage: kestrove [--headless] [options] [project.kv45 ...] [-- argument ...]\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "  --headless   run without a display (also when there is none)\n"
    "  --answers FILE, --input FILE, --transcript FILE, --screen WxHxD, --max-ticks N\n"
    "               headless runs: dialog answers, scripted input, the transcript, the screen\n";

int run(int argc, char** argv) {
  kv::PlatformOptions platform;
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
  }
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  return kv::runonbigstack([argc, argv]() { return run(argc, argv); });
}
