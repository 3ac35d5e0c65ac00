// Test support for the SDL2 backend without a display: while a DummySDLDrivers lives, SDL's
// video and audio drivers are its display-less "dummy" ones; it puts back what the environment
// said before.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace kv {

class DummySDLDrivers {
 public:
  DummySDLDrivers() {
    for (const char* name : {"SDL_VIDEODRIVER", "SDL_AUDIODRIVER"}) {
      const char* old = std::getenv(name);
      saved_.push_back({name, old ? old : "", old != nullptr});
      setenv(name, "dummy", 1);
    }
  }
  ~DummySDLDrivers() {
    for (const Saved& s : saved_) {
      if (s.had) setenv(s.name, s.value.c_str(), 1);
      else unsetenv(s.name);
    }
  }
  DummySDLDrivers(const DummySDLDrivers&) = delete;
  DummySDLDrivers& operator=(const DummySDLDrivers&) = delete;

 private:
  struct Saved {
    const char* name;
    std::string value;
    bool had;
  };
  std::vector<Saved> saved_;
};

}  // namespace kv
