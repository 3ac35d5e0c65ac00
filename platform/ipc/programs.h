// The running programs that take requests, and the sockets requests travel on. Each program
// (every kestrove instance, and test peers through the same calls) has a Unix-domain socket
// "<id>.socket" (mode 0600) in the user's request folder, and beside it "<id>.name" with the
// name it is known by: the registry of running programs. The folder is $XDG_RUNTIME_DIR/kestrove
// (without that variable, "kestrove-<uid>" under /tmp), mode 0700 and the user's own: one of
// another owner or with a wider mode is refused, and then no requests come in or go out. Every
// connection's peer must be the same user.
//
// One request is one connection: a frame of a big-endian u32 length and a body. A request's
// body is "KVRQ", the sender's id (u32), a flags word (bit 0: a reply is wanted) and the event
// in its wire form (aewire.h); a reply's body is "KVRP" and the reply event.
#pragma once

#include <string>
#include <vector>

#include "platform/ipc/appleevents.h"

namespace kv {

struct ProgramEntry {
  u32 id = 0;
  std::string name;  // UTF-8
};

// The folder of the sockets and the registry, made when missing; empty (with the reason) when
// it is not the user's own and private.
std::string requestfolder(std::string* why);

// A request that came in on an endpoint.
struct IncomingRequest {
  AppleEvent event;
  u32 sender = 0;          // the sender's id
  std::string sendername;  // its registered name (UTF-8), empty when it has none
  int connection = -1;     // where the reply goes (-1: none wanted)
  std::string address;     // from another machine: the sender's "eppc://" URL
};

// One program's socket and registry entry. The program itself keeps one (joinprograms); a
// test peer makes its own on a thread of its own: an endpoint touches no other state.
class ProgramEndpoint {
 public:
  ProgramEndpoint() = default;
  ProgramEndpoint(const ProgramEndpoint&) = delete;
  ProgramEndpoint& operator=(const ProgramEndpoint&) = delete;
  ~ProgramEndpoint() { close(); }

  // Registers under `id` and `name` in `folder` and listens; `uid` is the user a peer must be.
  bool open(const std::string& folder, u32 id, const std::string& name, u32 uid, std::string* why);
  void close();
  bool isopen() const { return fd_ >= 0; }
  u32 id() const { return id_; }

  // Takes the requests that arrive within `waitms` (0: those waiting now). A peer of another
  // user, or a malformed request, is dropped.
  std::vector<IncomingRequest> take(int waitms);
  // Answers a request (the connection then closes); -1 does nothing.
  void answer(int connection, const AppleEvent& reply);
  // Drops a request without an answer.
  void drop(int connection);
  // The user id read from a connection's peer (tests inject another).
  using CredentialReader = bool (*)(int fd, u32* uid);
  void setcredentialreader(CredentialReader reader) { creds_ = reader; }
  // The user a peer must be from now on.
  void setuid(u32 uid) { uid_ = uid; }

 private:
  int fd_ = -1;
  u32 id_ = 0;
  u32 uid_ = 0;
  std::string folder_;
  CredentialReader creds_ = nullptr;
};

// The programs in the registry whose socket is there, in the order of their ids; entries left
// by programs that are gone are removed.
std::vector<ProgramEntry> listprograms(const std::string& folder);
// The registered name of a program, empty when none.
std::string programnameof(const std::string& folder, u32 id);

// Sends a request to program `id` from `sender`: with `wait`, its reply within `timeoutms`
// (-1 for ever), `idle` asked every tenth of a second (true cancels: -1711). Errors:
// procNotFoundErr (no such program), connectionInvalid (it closed without answering),
// errAETimeout.
using WaitIdle = bool (*)(void* context);
OSErr sendrequest(const std::string& folder, u32 id, u32 sender, const AppleEvent& event, bool wait, i64 timeoutms,
                  AppleEvent* reply, WaitIdle idle, void* context);
// The same to the program listening on a socket path.
OSErr sendrequestto(const std::string& socket, u32 sender, const AppleEvent& event, bool wait, i64 timeoutms,
                    AppleEvent* reply, WaitIdle idle, void* context);

// The program's own endpoint: joining registers it under the process id and `name`; its
// requests are taken by the event fetch and come in as high-level events.
bool joinprograms(const std::string& name, std::string* why);
void leaveprograms();
bool joinedprograms();
ProgramEndpoint* ownendpoint();
// The folder the program joined in, and its own socket there (empty when it did not).
std::string joinedfolder();
std::string ownsocketpath();
u32 ownprogramid();
// The name the program joined under (empty when it did not).
std::string ownprogramname();
// Tests: the uid a peer of the program's own endpoint must have.
void setprogramsowneruid(u32 uid);

// Reads the requests that arrived on the program's endpoint and queues each as a high-level
// event (the event fetch asks); whether any came.
bool takeincomingrequests();

}  // namespace kv
