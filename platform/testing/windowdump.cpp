#include "platform/testing/windowdump.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/console/console.h"
#include "platform/qd/png.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/windows/compositor.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"

namespace kv {

namespace {
struct WindowDumpState {
  std::string folder;
  bool written = false;  // the run's pictures are taken once
};
}  // namespace

bool setdumpfolder(const std::string& path, std::string* error) {
  state<WindowDumpState>().folder.clear();
  state<WindowDumpState>().written = false;
  if (path.empty()) return true;
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    if (error) *error = "cannot make the dump folder " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = "the dump folder " + path + " is not a folder";
    return false;
  }
  state<WindowDumpState>().folder = path;
  return true;
}

bool dumpwindows(const std::string& folder, std::string* error) {
  bool ok = true;
  int n = 0;
  for (WindowRef w : windowlist()) {
    const std::string path = folder + "/window-" + std::to_string(++n) + ".png";
    const CGrafPtr port = GetWindowPort(w);
    if (!GetPixBaseAddr(GetPortPixMap(port))) continue;  // an empty window has no image
    if (writeportpng(port, path) != noErr && ok) {
      ok = false;
      if (error) *error = "cannot write " + path;
    }
  }
  // The screen as the user sees it (menu bar, frames and desktop), as the backend shows it.
  const Frame& screen = composescreen();
  if (writexrgbpng(screen.width, screen.height, screen.pixels.data(), folder + "/screen.png") != noErr && ok) {
    ok = false;
    if (error) *error = "cannot write " + folder + "/screen.png";
  }
  return ok;
}

bool writewindowdump(std::string* error) {
  WindowDumpState& s = state<WindowDumpState>();
  if (s.folder.empty() || s.written) return true;
  s.written = true;
  return dumpwindows(s.folder, error);
}

void takewindowdump() {
  std::string error;
  if (!writewindowdump(&error)) {
    transcriptadd(TranscriptKind::note, error);
    writeconsole("kestrove: " + error + "\n");
  }
}

void writeendofrun() {
  takewindowdump();
  writetranscriptfile();
}

}  // namespace kv
