// The programs of another machine, asked over the program-linking port: a 12-byte greeting
// that the peer echoes, then a stuffed request ("LPRT", 114 bytes) and a stuffed reply of
// 74-byte process records, each holding a length-prefixed Mac Roman name at offset 4.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ipc/remote.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

class TcpConnection;

constexpr std::size_t kProcessRecordSize = 74;
constexpr std::size_t kProcessRequestSize = 114;
constexpr u16 kProgramLinkingPort = kRemoteRequestPort;

// The preference of the runtime's domain with which the user allows requests to other machines
// ("Yes", "true" or a non-zero number); read into the global state at start-up.
inline constexpr std::string_view kRemoteRequestsKey = "Allow Remote Requests";
bool remoterequestsallowed();

// The programs on the machine of an "eppc://host[:port]/" URL, as URLs relative to it (the
// percent-escaped UTF-8 name). False with the reason in `error` when they cannot be had.
// Requests leave this machine only while the user allows requests to other machines.
bool AEListProcessesOnRemoteMachine(std::string_view url, std::vector<std::string>* programs, std::string* error);

// Sends the greeting and reads the answer: true when the peer echoed it.
bool negotiateProtocol(TcpConnection& connection);

// The 114-byte request for up to `capacity` process records.
void buildprocessrequest(u16 capacity, u8 out[kProcessRequestSize]);

// The names in a decoded reply (its length divided into 74-byte records; a name's length is
// held to its record).
std::vector<std::string> processnames(const u8* reply, std::size_t length);

// The other side of the exchange, for this program's port: one stuffed request frame (through
// its ending zero) answered with the stuffed records of the programs there, which is the one
// program that listens on the port, `name` (UTF-8). False for a frame that is no request.
bool answerprocesslist(const u8* frame, std::size_t size, const std::string& name, std::vector<u8>* answer);

// Opens the program's port to other machines when the user allows remote requests (nothing
// listens otherwise): they then list it and send it requests. False with the reason when the
// port cannot be had (another program holds it).
bool listenforremoterequests(std::string* why);

// The URL of a program: its name percent-escaped (as UTF-8) and resolved against the asked URL.
std::string programurl(std::string_view base, std::string_view macromanname);

// Whether the user allows requests to other machines (start 0; start-up reads the preference).
struct RemoteRequestState {
  i16 remoterequests;  // the user allows requests to other machines (start 0)
};
inline RemoteRequestState& remoterequeststate() { return state<RemoteRequestState>(); }

}  // namespace kv
