// The kestrove program: opens projects and runs them.
#include <cstdio>
#include <cstring>

#include "platform/runtime/bigstack.h"
#include "shell/version.h"

namespace {

const char* kUsage =
    "usage: kestrove [--headless] [options] [project.kv45 ...] [-- argument ...]\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

int run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
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
