#include "platform/ipc/programs.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/events/events.h"
#include "platform/ipc/aewire.h"
#include "platform/ipc/sockets.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

constexpr u8 kRequestMagic[4] = {'K', 'V', 'R', 'Q'};
constexpr u8 kReplyMagic[4] = {'K', 'V', 'R', 'P'};
constexpr u32 kMaxFrame = 16u << 20;  // no request or reply is larger
constexpr int kReadMs = 1000;         // how long a started frame may take to arrive
constexpr std::size_t kMaxNameBytes = 255;

std::string socketpath(const std::string& folder, u32 id) { return folder + "/" + std::to_string(id) + ".socket"; }
std::string namepath(const std::string& folder, u32 id) { return folder + "/" + std::to_string(id) + ".name"; }

bool sendframe(int fd, const u8 magic[4], const std::vector<u8>& body) {
  std::vector<u8> frame;
  ipc::putbe32(frame, u32(body.size() + 4));
  frame.insert(frame.end(), magic, magic + 4);
  frame.insert(frame.end(), body.begin(), body.end());
  return ipc::writeall(fd, frame.data(), frame.size());
}

// Reads one frame whose body starts with `magic`; the rest of the body into `body`.
bool readframe(int fd, const u8 magic[4], int firstms, std::vector<u8>* body) {
  u8 head[8];
  if (!ipc::readall(fd, head, 4, firstms) || !ipc::readall(fd, head + 4, 4, kReadMs)) return false;
  const u32 n = ipc::be32(head);
  if (n < 4 || n > kMaxFrame || std::memcmp(head + 4, magic, 4) != 0) return false;
  body->resize(n - 4);
  return body->empty() || ipc::readall(fd, body->data(), body->size(), kReadMs);
}

bool readname(const std::string& path, std::string* name) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  char buf[kMaxNameBytes];
  ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  if (n < 0) return false;
  name->assign(buf, std::size_t(n));
  return true;
}

u64 nowms() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return u64(t.tv_sec) * 1000 + u64(t.tv_nsec) / 1000000;
}

int connectto(const std::string& path) {
  sockaddr_un a{};
  if (!ipc::addressof(path, &a)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

struct ProgramsState {
  std::unique_ptr<ProgramEndpoint> endpoint;
  std::string folder;
  std::string name;
  bool ownerset = false;
  u32 owner = 0;
};

ProgramsState& ps() { return state<ProgramsState>(); }

}  // namespace

std::string requestfolder(std::string* why) {
  std::string folder;
  if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && r[0] == '/') folder = std::string(r) + "/kestrove";
  else folder = "/tmp/kestrove-" + std::to_string(::getuid());
  if (!ipc::ownfolder(folder, why)) return {};
  return folder;
}

bool ProgramEndpoint::open(const std::string& folder, u32 id, const std::string& name, u32 uid, std::string* why) {
  close();
  const std::string path = socketpath(folder, id);
  sockaddr_un a{};
  if (!ipc::addressof(path, &a)) {
    if (why) *why = "the socket's path is too long: " + path;
    return false;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    if (why) *why = std::string("cannot make a socket: ") + std::strerror(errno);
    return false;
  }
  ::unlink(path.c_str());  // left by a program that is gone
  const mode_t old = ::umask(0177);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::umask(old);
  if (!bound || ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 16) != 0) {
    if (why) *why = "cannot listen on " + path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  {
    const std::string np = namepath(folder, id);
    int nf = ::open(np.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (nf >= 0) {
      const std::string kept = name.substr(0, kMaxNameBytes);
      const bool written = ipc::writefile(nf, kept);
      ::close(nf);
      if (!written) ::unlink(np.c_str());
    }
  }
  fd_ = fd;
  id_ = id;
  uid_ = uid;
  folder_ = folder;
  return true;
}

void ProgramEndpoint::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(socketpath(folder_, id_).c_str());
  ::unlink(namepath(folder_, id_).c_str());
  fd_ = -1;
}

std::vector<IncomingRequest> ProgramEndpoint::take(int waitms) {
  std::vector<IncomingRequest> out;
  if (fd_ < 0) return out;
  if (waitms > 0) {
    pollfd pf{fd_, POLLIN, 0};
    ::poll(&pf, 1, waitms);
  }
  for (;;) {
    int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) {
      if (errno == EINTR) continue;
      break;
    }
    u32 uid = 0;
    const bool known = creds_ ? creds_(c, &uid) : ipc::peeruid(c, &uid);
    std::vector<u8> body;
    IncomingRequest in;
    if (!known || uid != uid_ || !readframe(c, kRequestMagic, kReadMs, &body) || body.size() < 8 ||
        !decodeevent(body.data() + 8, body.size() - 8, &in.event)) {
      ::close(c);
      continue;
    }
    in.sender = ipc::be32(body.data());
    in.sendername = programnameof(folder_, in.sender);
    if (ipc::be32(body.data() + 4) & 1) {
      in.connection = c;
    } else {
      ::close(c);
    }
    out.push_back(std::move(in));
  }
  return out;
}

void ProgramEndpoint::answer(int connection, const AppleEvent& reply) {
  if (connection < 0) return;
  std::vector<u8> body;
  encodeevent(reply, &body);
  sendframe(connection, kReplyMagic, body);
  ::close(connection);
}

void ProgramEndpoint::drop(int connection) {
  if (connection >= 0) ::close(connection);
}

std::vector<ProgramEntry> listprograms(const std::string& folder) {
  std::vector<ProgramEntry> out;
  if (folder.empty()) return out;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return out;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n.size() < 6 || n.substr(n.size() - 5) != ".name") continue;
    const std::string digits = n.substr(0, n.size() - 5);
    if (digits.empty() || digits.size() > 10 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const u64 id = std::strtoull(digits.c_str(), nullptr, 10);
    if (id > 0xFFFFFFFFull) continue;
    ProgramEntry p;
    p.id = u32(id);
    // A program that is gone (killed, say) leaves files nobody answers on: they go. A live one
    // sees the probe's connection close at once.
    const std::string sock = socketpath(folder, p.id);
    const int probe = connectto(sock);
    if (probe < 0) {
      ::unlink(sock.c_str());
      ::unlink((folder + "/" + n).c_str());
      continue;
    }
    ::close(probe);
    if (readname(folder + "/" + n, &p.name)) out.push_back(std::move(p));
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(), [](const ProgramEntry& a, const ProgramEntry& b) { return a.id < b.id; });
  return out;
}

std::string programnameof(const std::string& folder, u32 id) {
  std::string name;
  if (folder.empty() || !readname(namepath(folder, id), &name)) return {};
  return name;
}

OSErr sendrequest(const std::string& folder, u32 id, u32 sender, const AppleEvent& event, bool wait, i64 timeoutms,
                  AppleEvent* reply, WaitIdle idle, void* context) {
  if (folder.empty()) return procNotFoundErr;
  return sendrequestto(socketpath(folder, id), sender, event, wait, timeoutms, reply, idle, context);
}

OSErr sendrequestto(const std::string& socket, u32 sender, const AppleEvent& event, bool wait, i64 timeoutms,
                    AppleEvent* reply, WaitIdle idle, void* context) {
  int fd = connectto(socket);
  if (fd < 0) return procNotFoundErr;
  // The program at the other end must be this user's too.
  u32 uid = 0;
  if (!ipc::peeruid(fd, &uid) || uid != u32(::getuid())) {
    ::close(fd);
    return procNotFoundErr;
  }
  std::vector<u8> body;
  ipc::putbe32(body, sender);
  ipc::putbe32(body, wait ? 1 : 0);
  encodeevent(event, &body);
  if (!sendframe(fd, kRequestMagic, body)) {
    ::close(fd);
    return connectionInvalid;
  }
  if (!wait) {
    ::close(fd);
    return noErr;
  }
  const u64 start = nowms();
  OSErr err = errAETimeout;
  for (;;) {
    const u64 now = nowms();
    if (timeoutms >= 0 && now - start >= u64(timeoutms)) break;
    int slice = 100;
    if (timeoutms >= 0) slice = int(std::min<u64>(100, u64(timeoutms) - (now - start)));
    pollfd pf{fd, POLLIN, 0};
    int r = ::poll(&pf, 1, slice);
    if (r > 0) {
      std::vector<u8> answer;
      AppleEvent got;
      if (!readframe(fd, kReplyMagic, kReadMs, &answer) || !decodeevent(answer.data(), answer.size(), &got)) {
        err = connectionInvalid;
      } else {
        if (reply) *reply = std::move(got);
        err = noErr;
      }
      break;
    }
    if (r < 0 && errno != EINTR) {
      err = connectionInvalid;
      break;
    }
    if (idle && idle(context)) {
      err = errAEWaitCanceled;
      break;
    }
  }
  ::close(fd);
  return err;
}

bool joinprograms(const std::string& name, std::string* why) {
  ProgramsState& s = ps();
  if (s.endpoint && s.endpoint->isopen()) return true;
  const std::string folder = requestfolder(why);
  if (folder.empty()) return false;
  auto e = std::make_unique<ProgramEndpoint>();
  if (!e->open(folder, u32(::getpid()), name, s.ownerset ? s.owner : u32(::getuid()), why)) return false;
  s.endpoint = std::move(e);
  s.folder = folder;
  s.name = name;
  return true;
}

void leaveprograms() {
  ProgramsState& s = ps();
  s.endpoint.reset();
  s.folder.clear();
  s.name.clear();
}

bool joinedprograms() { return ps().endpoint != nullptr; }
ProgramEndpoint* ownendpoint() { return ps().endpoint.get(); }
std::string joinedfolder() { return ps().folder; }
u32 ownprogramid() { return u32(::getpid()); }
std::string ownprogramname() { return ps().name; }

void setprogramsowneruid(u32 uid) {
  ProgramsState& s = ps();
  s.ownerset = true;
  s.owner = uid;
  if (s.endpoint) s.endpoint->setuid(uid);
}

std::string ownsocketpath() {
  const ProgramsState& s = ps();
  return s.endpoint ? socketpath(s.folder, s.endpoint->id()) : std::string();
}

}  // namespace kv
