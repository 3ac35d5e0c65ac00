// One running kestrove per user and display: the first instance with a display is found under
// "instance-<display>.socket" in the user's request folder ($XDG_RUNTIME_DIR/kestrove), a link
// to its own request socket (programs.h), and a later `kestrove a.kv45` hands its project paths
// to it as an open-documents request ('aevt' 'odoc' with the paths as a list of file URLs) and
// ends. The request travels and is answered as every request between programs does; the
// instance's peers must be the same user.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

// The link's path for this user and display; empty when there is no runtime folder or no
// display.
std::string instancesocketpath();

// Makes this instance the one later instances find (it must take requests: joinprograms):
// false with a message when it cannot. A link left by an instance that is gone is replaced.
bool listenforinstances(std::string* error);
// Stops being found (also at the end of the run): the link goes.
void stoplisteningforinstances();
bool listeningforinstances();

// Hands the paths (made absolute) to the running instance: true when it took them; false when
// none is running (or it refused, or did not answer within 5 seconds), with the reason.
bool handtorunninginstance(const std::vector<std::string>& paths, std::string* why);

// Tests: the user id a peer must have (the process's own by default), so that a peer of
// another user can be made.
void setinstanceowneruid(u32 uid);

}  // namespace kv
