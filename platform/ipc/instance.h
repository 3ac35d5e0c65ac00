// One running kestrove per user and display: the first instance with a display listens on a
// Unix-domain socket, and a later `kestrove a.kv45` hands its project paths to it as an
// open-documents request and ends. The socket lies in the user's runtime folder
// ($XDG_RUNTIME_DIR/kestrove, mode 0700; the socket itself 0600), named for the display, and
// every connection's peer must be the same user (SO_PEERCRED).
//
// The request is byte-exact: "KVOD", a big-endian u32 count of paths, then each path as a
// big-endian u32 length and its UTF-8 bytes. The answer is one byte: 0 taken, 1 refused.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

// The socket's path for this user and display; empty when there is no runtime folder or no
// display.
std::string instancesocketpath();

// Starts listening (the first instance): false with a message when the socket cannot be made.
// A socket left by an instance that is gone is replaced.
bool listenforinstances(std::string* error);
// Stops listening and removes the socket (also at the end of the run).
void stoplisteningforinstances();
bool listeningforinstances();

// Hands the paths (made absolute) to the running instance: true when it took them; false when
// none is running (or it refused), with the reason.
bool handtorunninginstance(const std::vector<std::string>& paths, std::string* why);

// Takes the requests that arrived (without waiting): each is the path list of one
// open-documents request. Requests from another user are refused and not returned.
std::vector<std::vector<std::string>> takeinstancerequests();

// Tests: the user id the peer check compares with (the process's own by default), so that a
// peer of another user can be made.
void setinstanceowneruid(u32 uid);

}  // namespace kv
