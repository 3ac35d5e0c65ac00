#include "platform/ipc/instance.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/ipc/appleevents.h"
#include "platform/ipc/programs.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

constexpr i64 kReplyWaitMs = 5000;  // how long a later instance waits for the answer

struct InstanceState {
  std::string path;  // the link this instance made, while it is found under it
  ~InstanceState() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

InstanceState& is() { return state<InstanceState>(); }

// The display's name as a file name: letters, digits, '.', '-' and '_' kept, others '_'.
std::string displayname() {
  const char* d = std::getenv("DISPLAY");
  if (!d || !*d) d = std::getenv("WAYLAND_DISPLAY");
  if (!d || !*d) return {};
  std::string out;
  for (const char* p = d; *p; ++p) {
    const char c = *p;
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                      c == '-' || c == '_';
    out += keep ? c : '_';
  }
  return out;
}

std::string runtimefolder() {
  const char* r = std::getenv("XDG_RUNTIME_DIR");
  if (!r || r[0] != '/') return {};
  return std::string(r) + "/kestrove";
}

std::string absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char buf[4096];
  if (!::getcwd(buf, sizeof buf)) return path;
  return std::string(buf) + "/" + path;
}

}  // namespace

std::string instancesocketpath() {
  const std::string folder = runtimefolder(), display = displayname();
  if (folder.empty() || display.empty()) return {};
  return folder + "/instance-" + display + ".socket";
}

bool listenforinstances(std::string* error) {
  InstanceState& s = is();
  if (!s.path.empty()) return true;
  const std::string path = instancesocketpath();
  if (path.empty()) {
    if (error) *error = "no runtime folder or no display";
    return false;
  }
  // The folder must still be the user's alone.
  if (requestfolder(error).empty()) return false;
  const std::string own = ownsocketpath();
  if (own.empty() || joinedfolder() != runtimefolder()) {
    if (error) *error = "this instance takes no requests";
    return false;
  }
  // A link nobody answers on is left by an instance that is gone.
  ::unlink(path.c_str());
  if (::symlink(own.c_str(), path.c_str()) != 0) {
    if (error) *error = "cannot make " + path + ": " + std::strerror(errno);
    return false;
  }
  s.path = path;
  return true;
}

void stoplisteningforinstances() {
  InstanceState& s = is();
  if (!s.path.empty()) ::unlink(s.path.c_str());
  s.path.clear();
}

bool listeningforinstances() { return !is().path.empty(); }

bool handtorunninginstance(const std::vector<std::string>& paths, std::string* why) {
  const std::string path = instancesocketpath();
  if (path.empty()) {
    if (why) *why = "no instance socket here";
    return false;
  }
  AppleEvent odoc, reply;
  AECreateAppleEvent(fourcc("aevt"), fourcc("odoc"), AEDesc{}, 0, 0, &odoc);
  AEDesc list;
  AECreateList(false, &list);
  for (const std::string& p : paths) {
    const std::string full = absolute(p);
    AEPutPtr(&list, 0, typeFileURL, full.data(), Size(full.size()));
  }
  AEPutParamDesc(&odoc, keyDirectObject, list);
  const OSErr e = sendrequestto(path, u32(::getpid()), odoc, true, kReplyWaitMs, &reply, nullptr, nullptr);
  bool refused = false;
  for (const auto& p : reply.items) refused = refused || p.first == keyErrorNumber;
  if (e != noErr || refused) {
    if (why)
      *why = e == procNotFoundErr ? "no running instance"
             : e == noErr         ? "the running instance refused the request"
                                  : "the running instance did not answer";
    return false;
  }
  return true;
}

void setinstanceowneruid(u32 uid) { setprogramsowneruid(uid); }

}  // namespace kv
