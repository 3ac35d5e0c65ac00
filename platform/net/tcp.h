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
