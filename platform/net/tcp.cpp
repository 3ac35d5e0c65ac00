#include "platform/net/tcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kv {

TcpConnection::~TcpConnection() { close(); }

bool TcpConnection::start(const std::string& host, u16 port) {
  close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  std::string service = std::to_string(port);
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) return false;
  for (addrinfo* a = found; a != nullptr && fd_ < 0; a = a->ai_next) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
      state_ = TcpState::open;
    } else if (errno == EINPROGRESS) {
      state_ = TcpState::opening;
    } else {
      ::close(fd);
      continue;
    }
    fd_ = fd;
  }
  ::freeaddrinfo(found);
  return fd_ >= 0;
}

TcpState TcpConnection::poll(int waitms) {
  if (state_ != TcpState::opening) return state_;
  pollfd p{fd_, POLLOUT, 0};
  int n = ::poll(&p, 1, waitms);
  if (n <= 0) return state_;
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
    state_ = TcpState::error;
  } else {
    state_ = TcpState::open;
  }
  return state_;
}

i64 TcpConnection::write(const void* data, std::size_t n, int timeoutms) {
  if (state_ != TcpState::open) return -1;
  pollfd p{fd_, POLLOUT, 0};
  if (::poll(&p, 1, timeoutms) <= 0) return -1;
  ssize_t done = ::send(fd_, data, n, MSG_NOSIGNAL);
  if (done < 0) {
    state_ = TcpState::error;
    return -1;
  }
  return i64(done);
}

i64 TcpConnection::read(void* data, std::size_t n, int timeoutms) {
  if (state_ != TcpState::open) return state_ == TcpState::atend ? 0 : -1;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeoutms) <= 0) return -1;
  ssize_t done = ::recv(fd_, data, n, 0);
  if (done < 0) {
    state_ = TcpState::error;
    return -1;
  }
  if (done == 0) state_ = TcpState::atend;
  return i64(done);
}

void TcpConnection::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  state_ = TcpState::closed;
}

// --- Listening ---------------------------------------------------------------------------

bool TcpListener::open(u16 port, bool loopbackonly, std::string* why) {
  close();
  auto fail = [&](const char* what, int fd) {
    if (why) *why = std::string(what) + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  };
  const int one = 1, zero = 0;
  int fd = -1;
  if (!loopbackonly) {
    // One IPv6 socket that also takes IPv4 connections, where the machine has IPv6.
    fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd >= 0) {
      sockaddr_in6 a{};
      a.sin6_family = AF_INET6;
      a.sin6_addr = in6addr_any;
      a.sin6_port = htons(port);
      ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
      ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
      if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (errno == EADDRINUSE) return fail("cannot listen on the port", fd);
        ::close(fd);
        fd = -1;
      }
    }
  }
  if (fd < 0) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return fail("cannot make a socket", -1);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(loopbackonly ? INADDR_LOOPBACK : INADDR_ANY);
    a.sin_port = htons(port);
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return fail("cannot listen on the port", fd);
  }
  if (::listen(fd, 16) != 0) return fail("cannot listen", fd);
  sockaddr_storage got{};
  socklen_t len = sizeof got;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&got), &len) != 0) return fail("cannot read the port", fd);
  port_ = got.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&got)->sin6_port)
                                    : ntohs(reinterpret_cast<sockaddr_in*>(&got)->sin_port);
  fd_ = fd;
  return true;
}

void TcpListener::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  port_ = 0;
}

int TcpListener::accept(std::string* peer) {
  if (fd_ < 0) return -1;
  for (;;) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    int c = ::accept4(fd_, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (c < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return -1;
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET) {
      ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&a)->sin_addr, text, sizeof text);
      *peer = text;
    } else if (a.ss_family == AF_INET6) {
      const in6_addr& v6 = reinterpret_cast<sockaddr_in6*>(&a)->sin6_addr;
      if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        ::inet_ntop(AF_INET, v6.s6_addr + 12, text, sizeof text);
        *peer = text;
      } else {
        ::inet_ntop(AF_INET6, &v6, text, sizeof text);
        peer->assign(1, '[');
        peer->append(text);
        peer->push_back(']');
      }
    } else {
      ::close(c);
      continue;
    }
    return c;
  }
}

// --- The test peer -------------------------------------------------------------------------

struct TcpTestPeer::Impl {
  int listener = -1;
  std::thread thread;
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  int client = -1;  // the accepted connection while it is served
};

namespace {
// How long join waits for the serving function before it cuts the connection.
constexpr auto kPeerDeadline = std::chrono::seconds(20);
}  // namespace

TcpTestPeer::TcpTestPeer(ServeFn serve, void* context) : impl_(new Impl) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    if (fd >= 0) ::close(fd);
    return;
  }
  impl_->listener = fd;
  port_ = ntohs(addr.sin_port);
  Impl* impl = impl_;
  impl_->thread = std::thread([impl, fd, serve, context] {
    int s = ::accept(fd, nullptr, nullptr);
    if (s >= 0) {
      {
        std::lock_guard<std::mutex> hold(impl->lock);
        impl->client = s;
      }
      serve(s, context);
      std::lock_guard<std::mutex> hold(impl->lock);
      impl->client = -1;
      ::close(s);
    }
    std::lock_guard<std::mutex> hold(impl->lock);
    impl->done = true;
    impl->ended.notify_all();
  });
}

TcpTestPeer::~TcpTestPeer() {
  if (impl_->listener >= 0) ::shutdown(impl_->listener, SHUT_RDWR);
  join();
  if (impl_->listener >= 0) ::close(impl_->listener);
  delete impl_;
}

void TcpTestPeer::join() {
  if (!impl_->thread.joinable()) return;
  {
    // A peer nobody reached (or one left waiting for bytes that never come) is cut off at the
    // deadline, so that a test fails instead of waiting for ever.
    std::unique_lock<std::mutex> hold(impl_->lock);
    if (!impl_->ended.wait_for(hold, kPeerDeadline, [this] { return impl_->done; })) {
      if (impl_->listener >= 0) ::shutdown(impl_->listener, SHUT_RDWR);
      if (impl_->client >= 0) ::shutdown(impl_->client, SHUT_RDWR);
    }
  }
  impl_->thread.join();
}

bool TcpTestPeer::readall(int socket, void* data, std::size_t n) {
  auto* p = static_cast<u8*>(data);
  while (n > 0) {
    ssize_t got = ::recv(socket, p, n, 0);
    if (got <= 0) return false;
    p += got;
    n -= std::size_t(got);
  }
  return true;
}

bool TcpTestPeer::writeall(int socket, const void* data, std::size_t n) {
  const auto* p = static_cast<const u8*>(data);
  while (n > 0) {
    ssize_t put = ::send(socket, p, n, MSG_NOSIGNAL);
    if (put <= 0) return false;
    p += put;
    n -= std::size_t(put);
  }
  return true;
}

int TcpTestPeer::readbyte(int socket) {
  u8 b;
  return readall(socket, &b, 1) ? b : -1;
}

}  // namespace kv
