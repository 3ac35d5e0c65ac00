#include "platform/ipc/remote.h"

#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/ipc/aewire.h"
#include "platform/ipc/sockets.h"
#include "platform/net/tcp.h"
#include "platform/net/urlparts.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

constexpr u8 kGreeting[12] = {'T', 'C', 'P', 'P', 0, 0, 0, 0, 0, 0, 0, 0};
constexpr u8 kRequestMagic[4] = {'K', 'V', 'R', 'R'};
constexpr u8 kReplyMagic[4] = {'K', 'V', 'R', 'P'};
constexpr std::size_t kMaxLinks = 16;
constexpr std::size_t kMaxListFrame = 1024;
constexpr int kMaxListFrames = 16;
constexpr int kDeadlineMs = 10000;
constexpr std::size_t kMaxName = 255;

u64 nowms() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return u64(t.tv_sec) * 1000 + u64(t.tv_nsec) / 1000000;
}

bool samename(const std::string& a, const std::string& b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

void putname(std::vector<u8>& out, const std::string& name) {
  const std::size_t n = std::min(name.size(), kMaxName);
  out.push_back(u8(n));
  out.insert(out.end(), name.begin(), name.begin() + std::ptrdiff_t(n));
}

// A length byte and that many bytes at `at` of the body; false when they run past it.
bool takename(const std::vector<u8>& body, std::size_t* at, std::string* name) {
  if (*at >= body.size()) return false;
  const std::size_t n = body[*at];
  if (body.size() - *at - 1 < n) return false;
  name->assign(reinterpret_cast<const char*>(body.data() + *at + 1), n);
  *at += 1 + n;
  return true;
}

std::vector<u8> frameof(const u8 magic[4], const std::vector<u8>& body) {
  std::vector<u8> f;
  ipc::putbe32(f, u32(body.size() + 4));
  f.insert(f.end(), magic, magic + 4);
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

enum class Phase : u8 { opening, request, list, handling, writing };

// One accepted connection and what it has sent and is still to be sent.
struct Link {
  int fd = -1;
  std::string peer;
  Phase phase = Phase::opening;
  u64 deadline = 0;
  std::vector<u8> in, out;
  bool greeted = false;
  int listframes = 0;
};

}  // namespace

struct RemoteEndpoint::Impl {
  TcpListener listener;
  std::string name;
  ProgramListService service = nullptr;
  int deadlinems = kDeadlineMs;
  std::vector<Link> links;

  // Reads what the socket holds; false when the peer closed, failed or sent too much.
  bool readsome(Link& l, std::size_t limit) {
    u8 buf[16384];
    for (;;) {
      ssize_t got = ::recv(l.fd, buf, sizeof buf, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
      if (got == 0) return false;
      l.in.insert(l.in.end(), buf, buf + got);
      if (l.in.size() > limit) return false;
    }
  }

  // Writes what the socket takes; false when it failed.
  static bool writesome(Link& l) {
    while (!l.out.empty()) {
      ssize_t put = ::send(l.fd, l.out.data(), l.out.size(), MSG_NOSIGNAL);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
      l.out.erase(l.out.begin(), l.out.begin() + put);
    }
    return true;
  }

  // The program-list exchange: the greeting echoed, then each frame answered by the service.
  bool serve(Link& l) {
    if (!l.greeted) {
      if (l.in.size() < sizeof kGreeting) return true;
      if (std::memcmp(l.in.data(), kGreeting, sizeof kGreeting) != 0) return false;
      l.out.insert(l.out.end(), kGreeting, kGreeting + sizeof kGreeting);
      l.in.erase(l.in.begin(), l.in.begin() + sizeof kGreeting);
      l.greeted = true;
    }
    for (;;) {
      auto end = std::find(l.in.begin(), l.in.end(), u8(0));
      if (end == l.in.end()) return l.in.size() <= kMaxListFrame;
      const std::size_t n = std::size_t(end - l.in.begin()) + 1;
      if (n > kMaxListFrame || ++l.listframes > kMaxListFrames || !service) return false;
      std::vector<u8> answer;
      if (!service(l.in.data(), n, name, &answer)) return false;
      l.out.insert(l.out.end(), answer.begin(), answer.end());
      l.in.erase(l.in.begin(), l.in.begin() + std::ptrdiff_t(n));
    }
  }

  // A request come whole: false when it is malformed or for another program.
  bool request(Link& l, std::vector<IncomingRequest>* out, bool* done) {
    *done = false;
    if (l.in.size() < 8) return true;
    const u32 n = ipc::be32(l.in.data());
    if (n < 4 + 4 + 2 || n > kMaxRemoteFrame || std::memcmp(l.in.data() + 4, kRequestMagic, 4) != 0) return false;
    if (l.in.size() < std::size_t(n) + 4) return true;
    if (l.in.size() > std::size_t(n) + 4) return false;  // one request a connection
    const std::vector<u8> body(l.in.begin() + 8, l.in.end());
    l.in.clear();
    const u32 flags = ipc::be32(body.data());
    std::size_t at = 4;
    IncomingRequest r;
    std::string target;
    if (!takename(body, &at, &r.sendername) || !takename(body, &at, &target) ||
        !decodeevent(body.data() + at, body.size() - at, &r.event))
      return false;
    if (!target.empty() && !samename(target, name)) return false;
    r.address = "eppc://" + l.peer + "/" + percentescape(r.sendername);
    AEPutAttributePtr(&r.event, keyAddressAttr, typeApplicationURL, r.address.data(), Size(r.address.size()));
    AEPutAttributePtr(&r.event, keyOriginalAddressAttr, typeApplicationURL, r.address.data(), Size(r.address.size()));
    const i16 source = kAERemoteProcess;
    AEPutAttributePtr(&r.event, keyEventSourceAttr, typeSInt16, &source, 2);
    *done = true;
    if (flags & 1) {
      r.connection = l.fd;
      l.phase = Phase::handling;
    }
    out->push_back(std::move(r));
    return true;
  }

  void closelink(std::size_t i) {
    ::close(links[i].fd);
    links.erase(links.begin() + std::ptrdiff_t(i));
  }

  Link* find(int connection) {
    for (Link& l : links)
      if (l.fd == connection && l.phase == Phase::handling) return &l;
    return nullptr;
  }
};

RemoteEndpoint::RemoteEndpoint() : impl_(std::make_unique<Impl>()) {}
RemoteEndpoint::~RemoteEndpoint() { close(); }

bool RemoteEndpoint::open(const std::string& name, u16 port, bool loopbackonly, ProgramListService service,
                          std::string* why) {
  close();
  if (!impl_->listener.open(port, loopbackonly, why)) return false;
  impl_->name = name;
  impl_->service = service;
  return true;
}

void RemoteEndpoint::close() {
  for (Link& l : impl_->links) ::close(l.fd);
  impl_->links.clear();
  impl_->listener.close();
}

bool RemoteEndpoint::isopen() const { return impl_->listener.isopen(); }
u16 RemoteEndpoint::port() const { return impl_->listener.port(); }
void RemoteEndpoint::setdeadline(int ms) { impl_->deadlinems = ms; }

std::vector<IncomingRequest> RemoteEndpoint::take(int waitms) {
  Impl& m = *impl_;
  std::vector<IncomingRequest> out;
  if (!m.listener.isopen()) return out;
  if (waitms > 0) {
    std::vector<pollfd> fds{{m.listener.fd(), POLLIN, 0}};
    for (const Link& l : m.links)
      if (l.phase != Phase::handling) fds.push_back({l.fd, short(l.out.empty() ? POLLIN : POLLIN | POLLOUT), 0});
    ::poll(fds.data(), fds.size(), waitms);
  }
  const u64 now = nowms();
  std::string peer;
  for (int c; (c = m.listener.accept(&peer)) >= 0;) {
    if (m.links.size() >= kMaxLinks) {
      ::close(c);  // too many at once: the peer may try again
      continue;
    }
    Link l;
    l.fd = c;
    l.peer = peer;
    l.deadline = now + u64(m.deadlinems);
    m.links.push_back(std::move(l));
  }
  for (std::size_t i = 0; i < m.links.size();) {
    Link& l = m.links[i];
    bool keep = true;
    bool finished = false;  // nothing more is to come or go
    switch (l.phase) {
      case Phase::opening:
      case Phase::request:
      case Phase::list: {
        const bool open = m.readsome(l,
                                     l.phase == Phase::list ? kMaxListFrame + sizeof kGreeting : kMaxRemoteFrame + 4);
        if (l.phase == Phase::opening && l.in.size() >= 4)
          l.phase = std::memcmp(l.in.data(), kGreeting, 4) == 0 ? Phase::list : Phase::request;
        if (l.phase == Phase::list) {
          keep = m.serve(l) && Impl::writesome(l) && (open || !l.out.empty());
        } else if (l.phase == Phase::request) {
          bool done = false;
          keep = m.request(l, &out, &done);
          if (keep && done && l.phase != Phase::handling) finished = true;
          if (keep && !done) keep = open;
        } else {
          keep = open;
        }
        break;
      }
      case Phase::handling: break;
      case Phase::writing:
        keep = Impl::writesome(l);
        finished = l.out.empty();
        break;
    }
    if (keep && !finished && l.phase != Phase::handling && now >= l.deadline) keep = false;
    if (!keep || finished) {
      m.closelink(i);
      continue;
    }
    ++i;
  }
  return out;
}

bool RemoteEndpoint::owns(int connection) const {
  for (const Link& l : impl_->links)
    if (l.fd == connection && l.phase == Phase::handling) return true;
  return false;
}

void RemoteEndpoint::answer(int connection, const AppleEvent& reply) {
  Link* l = impl_->find(connection);
  if (!l) return;
  std::vector<u8> body;
  encodeevent(reply, &body);
  if (body.size() + 8 > kMaxRemoteFrame) body.clear();  // the peer would refuse it: it sees the connection close
  l->out = body.empty() ? std::vector<u8>{} : frameof(kReplyMagic, body);
  l->phase = Phase::writing;
  l->deadline = nowms() + u64(impl_->deadlinems);
  if (!Impl::writesome(*l) || l->out.empty()) drop(connection);
}

void RemoteEndpoint::drop(int connection) {
  for (std::size_t i = 0; i < impl_->links.size(); ++i) {
    if (impl_->links[i].fd == connection) {
      impl_->closelink(i);
      return;
    }
  }
}

namespace {

struct Sending {
  u64 start;
  i64 timeoutms;
  WaitIdle idle;
  void* context;
  // The wait for the next tenth of a second (or what is left of the time-out); an error when
  // the time is up or the user cancelled.
  OSErr slice(int* ms) const {
    const u64 spent = nowms() - start;
    if (timeoutms >= 0 && spent >= u64(timeoutms)) return errAETimeout;
    *ms = timeoutms >= 0 ? int(std::min<u64>(100, u64(timeoutms) - spent)) : 100;
    return noErr;
  }
  OSErr idled() const { return idle && idle(context) ? OSErr(errAEWaitCanceled) : OSErr(noErr); }
};

// Reads exactly n bytes within the time-out.
OSErr readwhole(TcpConnection& c, const Sending& s, u8* p, std::size_t n) {
  while (n > 0) {
    int ms = 0;
    if (OSErr e = s.slice(&ms); e != noErr) return e;
    const i64 got = c.read(p, n, ms);
    if (got > 0) {
      p += got;
      n -= std::size_t(got);
      continue;
    }
    if (got == 0 || c.poll(0) != TcpState::open) return connectionInvalid;
    if (OSErr e = s.idled(); e != noErr) return e;
  }
  return noErr;
}

struct RemoteState {
  std::unique_ptr<RemoteEndpoint> endpoint;
};

}  // namespace

OSErr sendremoterequest(const std::string& url, const std::string& sender, const AppleEvent& event, bool wait,
                        i64 timeoutms, AppleEvent* reply, WaitIdle idle, void* context) {
  UrlParts u;
  if (!spliturl(url, &u) || !samename(u.scheme, "eppc")) return procNotFoundErr;
  std::string target = u.path;
  while (!target.empty() && target[0] == '/') target.erase(0, 1);
  target = percentdecode(target);
  std::vector<u8> body;
  ipc::putbe32(body, wait ? 1 : 0);
  putname(body, sender);
  putname(body, target);
  encodeevent(event, &body);
  if (body.size() + 8 > kMaxRemoteFrame) return paramErr;
  const std::vector<u8> frame = frameof(kRequestMagic, body);
  const Sending s{nowms(), timeoutms, idle, context};
  TcpConnection c;
  if (!c.start(u.host, u.hasport ? u.port : kRemoteRequestPort)) return noResponseErr;
  for (;;) {
    int ms = 0;
    if (OSErr e = s.slice(&ms); e != noErr) return e;
    const TcpState st = c.poll(ms);
    if (st == TcpState::open) break;
    if (st != TcpState::opening) return noResponseErr;
    if (OSErr e = s.idled(); e != noErr) return e;
  }
  for (std::size_t at = 0; at < frame.size();) {
    int ms = 0;
    if (OSErr e = s.slice(&ms); e != noErr) return e;
    const i64 put = c.write(frame.data() + at, frame.size() - at, ms);
    if (put > 0) {
      at += std::size_t(put);
      continue;
    }
    if (c.poll(0) != TcpState::open) return connectionInvalid;
    if (OSErr e = s.idled(); e != noErr) return e;
  }
  if (!wait) return noErr;
  u8 head[8];
  if (OSErr e = readwhole(c, s, head, sizeof head); e != noErr) return e;
  const u32 n = ipc::be32(head);
  if (n < 4 || n > kMaxRemoteFrame || std::memcmp(head + 4, kReplyMagic, 4) != 0) return connectionInvalid;
  std::vector<u8> answer(n - 4);
  if (OSErr e = readwhole(c, s, answer.data(), answer.size()); e != noErr) return e;
  AppleEvent got;
  if (!decodeevent(answer.data(), answer.size(), &got)) return connectionInvalid;
  if (reply) *reply = std::move(got);
  return noErr;
}

bool openremoterequests(const std::string& name, u16 port, bool loopbackonly, ProgramListService service,
                        std::string* why) {
  auto e = std::make_unique<RemoteEndpoint>();
  if (!e->open(name, port, loopbackonly, service, why)) return false;
  state<RemoteState>().endpoint = std::move(e);
  return true;
}

void closeremoterequests() { state<RemoteState>().endpoint.reset(); }

RemoteEndpoint* ownremoteendpoint() { return state<RemoteState>().endpoint.get(); }

}  // namespace kv
