#include "platform/ipc/instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/ipc/sockets.h"
#include "platform/runtime/root.h"

namespace kv {

using ipc::addressof;
using ipc::be32;
using ipc::putbe32;
using ipc::readall;
using ipc::writeall;

namespace {

constexpr u8 kMagic[4] = {'K', 'V', 'O', 'D'};
constexpr u32 kMaxPaths = 4096, kMaxPathBytes = 65536;
constexpr int kReplyWaitMs = 5000;  // how long a later instance waits for the answer

struct InstanceState {
  int fd = -1;
  std::string path;
  bool ownerset = false;
  u32 owner = 0;
  ~InstanceState() {
    if (fd >= 0) ::close(fd);
    if (!path.empty()) ::unlink(path.c_str());
  }
};

InstanceState& is() { return state<InstanceState>(); }

u32 owneruid() {
  const InstanceState& s = is();
  return s.ownerset ? s.owner : u32(::getuid());
}

// The display's name as a file name: letters, digits, '.', '-' and '_' kept, others '_'.
std::string displayname() {
  const char* d = std::getenv("DISPLAY");
  if (!d || !*d) d = std::getenv("WAYLAND_DISPLAY");
  if (!d || !*d) return {};
  std::string out;
  for (const char* p = d; *p; ++p) {
    const char c = *p;
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    out += keep ? c : '_';
  }
  return out;
}

std::string runtimefolder() {
  const char* r = std::getenv("XDG_RUNTIME_DIR");
  if (!r || r[0] != '/') return {};
  return std::string(r) + "/kestrove";
}

// The peer of a connection is this user.
bool peerallowed(int fd) {
  u32 uid = 0;
  return ipc::peeruid(fd, &uid) && uid == owneruid();
}

// Reads one request from an accepted connection; false for a malformed one.
bool readrequest(int fd, std::vector<std::string>* paths) {
  u8 head[8];
  if (!readall(fd, head, sizeof head, 1000) || std::memcmp(head, kMagic, 4) != 0) return false;
  const u32 count = be32(head + 4);
  if (count > kMaxPaths) return false;
  for (u32 i = 0; i < count; ++i) {
    u8 len[4];
    if (!readall(fd, len, 4, 1000)) return false;
    const u32 n = be32(len);
    if (n == 0 || n > kMaxPathBytes) return false;
    std::string path(n, '\0');
    if (!readall(fd, reinterpret_cast<u8*>(path.data()), n, 1000)) return false;
    paths->push_back(std::move(path));
  }
  return true;
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
  if (s.fd >= 0) return true;
  const std::string path = instancesocketpath();
  if (path.empty()) {
    if (error) *error = "no runtime folder or no display";
    return false;
  }
  if (!ipc::ownfolder(runtimefolder(), false, error)) return false;
  sockaddr_un a{};
  if (!addressof(path, &a)) {
    if (error) *error = "the socket's path is too long: " + path;
    return false;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    if (error) *error = std::string("cannot make a socket: ") + std::strerror(errno);
    return false;
  }
  // A socket file nobody answers on is left by an instance that is gone.
  ::unlink(path.c_str());
  const mode_t old = ::umask(0177);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::umask(old);
  if (!bound || ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 8) != 0) {
    if (error) *error = "cannot listen on " + path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  s.fd = fd;
  s.path = path;
  return true;
}

void stoplisteningforinstances() {
  InstanceState& s = is();
  if (s.fd >= 0) ::close(s.fd);
  if (!s.path.empty()) ::unlink(s.path.c_str());
  s.fd = -1;
  s.path.clear();
}

bool listeningforinstances() { return is().fd >= 0; }

bool handtorunninginstance(const std::vector<std::string>& paths, std::string* why) {
  const std::string path = instancesocketpath();
  sockaddr_un a{};
  if (path.empty() || !addressof(path, &a)) {
    if (why) *why = "no instance socket here";
    return false;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (why) *why = std::strerror(errno);
    return false;
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (why) *why = "no running instance";
    ::close(fd);
    return false;
  }
  std::vector<u8> request(kMagic, kMagic + 4);
  putbe32(request, u32(paths.size()));
  for (const std::string& p : paths) {
    const std::string full = absolute(p);
    putbe32(request, u32(full.size()));
    request.insert(request.end(), full.begin(), full.end());
  }
  u8 answer = 1;
  const bool sent = writeall(fd, request.data(), request.size());
  const bool answered = sent && readall(fd, &answer, 1, kReplyWaitMs);
  ::close(fd);
  if (!answered || answer != 0) {
    if (why) *why = answered ? "the running instance refused the request" : "the running instance did not answer";
    return false;
  }
  return true;
}

std::vector<std::vector<std::string>> takeinstancerequests() {
  std::vector<std::vector<std::string>> out;
  InstanceState& s = is();
  if (s.fd < 0) return out;
  for (;;) {
    int c = ::accept4(s.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) {
      if (errno == EINTR) continue;
      break;  // none waiting (or a transient failure: the next poll tries again)
    }
    std::vector<std::string> paths;
    const bool ok = peerallowed(c) && readrequest(c, &paths);
    const u8 answer = ok ? 0 : 1;
    writeall(c, &answer, 1);
    ::close(c);
    if (ok) out.push_back(std::move(paths));
  }
  return out;
}

void setinstanceowneruid(u32 uid) {
  InstanceState& s = is();
  s.ownerset = true;
  s.owner = uid;
}

}  // namespace kv
