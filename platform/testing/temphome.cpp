#include "platform/testing/temphome.h"

#include <ftw.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <cerrno>
#include <cstring>
#include <string>

namespace kv {
namespace {

const char* const kVariables[4] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"};
const char* const kSubfolders[4] = {"", "/.config", "/.local/share", "/.cache"};

int removeone(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

}  // namespace

TemporaryHome::TemporaryHome() {
  // One folder name per process while no other home of the process lives: the environment then
  // gets the same texts every time, which the C library keeps once instead of leaving a copy
  // behind per home (a fuzz target's input would otherwise look like a leak and run twice).
  const char* tmp = ::getenv("TMPDIR");
  const std::string base = std::string(tmp && *tmp ? tmp : "/tmp");
  path_ = base + "/kestrove-home-" + std::to_string(::getpid());
  if (::mkdir(path_.c_str(), 0700) != 0) {
    std::string pattern = base + "/kestrove-home-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot make a temporary home folder in " + base + ": " + std::strerror(errno));
    path_ = pattern;
  }
  for (int i = 0; i < 4; ++i) {
    const char* old = ::getenv(kVariables[i]);
    had_[i] = old != nullptr;
    if (old) saved_[i] = old;
    ::setenv(kVariables[i], (path_ + kSubfolders[i]).c_str(), 1);
  }
}

TemporaryHome::~TemporaryHome() {
  for (int i = 0; i < 4; ++i) {
    if (had_[i]) {
      ::setenv(kVariables[i], saved_[i].c_str(), 1);
    } else {
      ::unsetenv(kVariables[i]);
    }
  }
  ::nftw(path_.c_str(), removeone, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace kv
