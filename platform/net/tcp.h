// A TCP connection to another machine, as a pair of streams the caller opens and polls: the
// connection is started without blocking, its state is polled, and reads and writes wait at
// most a bounded time. The connection closes when the object goes.
#pragma once

#include <cstddef>
#include <string>

#include "platform/types.h"

namespace kv {

enum class TcpState : u8 { notopen, opening, open, atend, closed, error };

class TcpConnection {
 public:
  TcpConnection() = default;
  ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Resolves the host (a name or a numeric address) and starts connecting; false when the
  // host has no address or no socket can be made.
  bool start(const std::string& host, u16 port);
  // The connection's state, after waiting at most `waitms` milliseconds for it to change.
  TcpState poll(int waitms);
  // Writes up to n bytes: the count written, or -1 on failure (also after `timeoutms`).
  i64 write(const void* data, std::size_t n, int timeoutms = 10000);
  // Reads up to n bytes: the count read, 0 at the end of the stream, -1 on failure or timeout.
  i64 read(void* data, std::size_t n, int timeoutms = 10000);
  void close();

 private:
  int fd_ = -1;
  TcpState state_ = TcpState::notopen;
};

// A listening TCP socket: on every interface (IPv6 and IPv4 where the machine has both), or on
// the loopback address only. Connections are taken without blocking and are non-blocking
// themselves; the caller owns and closes them.
class TcpListener {
 public:
  TcpListener() = default;
  ~TcpListener() { close(); }
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // Port 0 takes a free one (port() tells which). False with the reason when it cannot listen.
  bool open(u16 port, bool loopbackonly, std::string* why);
  void close();
  bool isopen() const { return fd_ >= 0; }
  u16 port() const { return port_; }
  int fd() const { return fd_; }
  // A connection waiting now, with its peer's address (dotted for IPv4, else the IPv6 text in
  // brackets); -1 when none waits.
  int accept(std::string* peer);

 private:
  int fd_ = -1;
  u16 port_ = 0;
};

// A small peer for tests, listening on the loopback address in a thread of its own: it
// accepts one connection and runs `serve` on it (a blocking socket) until it returns.
class TcpTestPeer {
 public:
  using ServeFn = void (*)(int socket, void* context);
  TcpTestPeer(ServeFn serve, void* context);
  ~TcpTestPeer();
  TcpTestPeer(const TcpTestPeer&) = delete;
  TcpTestPeer& operator=(const TcpTestPeer&) = delete;
  u16 port() const { return port_; }
  // Blocking helpers for the serving function: all n bytes or false.
  static bool readall(int socket, void* data, std::size_t n);
  static bool writeall(int socket, const void* data, std::size_t n);
  // One byte, or -1 at the end.
  static int readbyte(int socket);
  // Waits for the serving thread to finish: at most 20 seconds, after which the listener and
  // the connection are shut down and the thread ends.
  void join();

 private:
  struct Impl;
  Impl* impl_;
  u16 port_ = 0;
};

}  // namespace kv
