// Requests to and from other machines over TCP. One port serves both exchanges that reach a
// program from another machine: the list of its programs (a connection that begins with the
// 12-byte "TCPP" greeting, then stuffed frames that the list service answers) and requests.
//
// A request is one connection: a frame of a big-endian u32 length and a body of "KVRR", a
// flags word (bit 0: a reply is wanted), the sender's name and the name of the program it is
// for (each a length byte and that many UTF-8 bytes), then the event in its wire form
// (aewire.h); the reply comes back on the same connection as "KVRP" and the reply event.
//
// Nothing here waits on a peer: an endpoint takes what its sockets hold when it is polled.
// Everything is bounded: frames of at most 4 MB, list frames of at most 1 KB and 16 of them, at
// most 16 connections at a time, and a connection that has not delivered its request within
// 10 seconds, or not taken its reply within 10 seconds, is closed. What another machine says
// of itself is not believed: the receiver makes every request's address ('addr' and 'from')
// the "eppc://" URL of the connection's peer address and the sender's name, its source 4.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ipc/programs.h"

namespace kv {

// The port programs of other machines reach this one on (both the program list and requests)
// and the one an "eppc://" URL without a port names.
constexpr u16 kRemoteRequestPort = 3031;
constexpr std::size_t kMaxRemoteFrame = 4u << 20;

// Answers one stuffed frame of the program-list exchange (`frame`, `size` bytes up to and
// including its ending zero) for the program `name` (UTF-8): the stuffed answer with its
// ending zero; false closes the connection.
using ProgramListService = bool (*)(const u8* frame, std::size_t size, const std::string& name,
                                    std::vector<u8>* answer);

// One program's TCP port. The program keeps one (openremoterequests); a test peer makes its own
// on a thread of its own: an endpoint touches no other state.
class RemoteEndpoint {
 public:
  RemoteEndpoint();
  ~RemoteEndpoint();
  RemoteEndpoint(const RemoteEndpoint&) = delete;
  RemoteEndpoint& operator=(const RemoteEndpoint&) = delete;

  // Listens on `port` (0: a free one) for the program `name`; `loopbackonly` for tests.
  bool open(const std::string& name, u16 port, bool loopbackonly, ProgramListService service, std::string* why);
  void close();
  bool isopen() const;
  u16 port() const;

  // Takes the requests that came whole within `waitms` (0: what is there now), answers the
  // program-list exchanges and moves replies on. A request for another program, a malformed
  // one or one too large closes its connection.
  std::vector<IncomingRequest> take(int waitms);
  // Whether a connection is one of this endpoint's (waiting for its reply).
  bool owns(int connection) const;
  // Answers a request: the reply is written as the peer takes it, then the connection closes.
  void answer(int connection, const AppleEvent& reply);
  void drop(int connection);
  // Tests: how long a connection may take (milliseconds).
  void setdeadline(int ms);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Sends a request to the program an "eppc://host[:port]/name" URL names, as the program
// `sender` (UTF-8): with `wait`, its reply within `timeoutms` (-1 for ever), `idle` asked every
// tenth of a second (true cancels: -1711). Connecting, writing and reading all fall within the
// time-out. Errors: procNotFoundErr (no such URL), noResponseErr (the machine does not
// answer on the port), connectionInvalid (closed without an answer), errAETimeout.
OSErr sendremoterequest(const std::string& url, const std::string& sender, const AppleEvent& event, bool wait,
                        i64 timeoutms, AppleEvent* reply, WaitIdle idle, void* context);

// The program's own port: open while the user allows requests from other machines.
bool openremoterequests(const std::string& name, u16 port, bool loopbackonly, ProgramListService service,
                        std::string* why);
void closeremoterequests();
RemoteEndpoint* ownremoteendpoint();

}  // namespace kv
