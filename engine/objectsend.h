// Messages from the system to the current card of a window: the message travels the card's
// message path (card, background, window, project, then the shared project) to the first
// handler that takes it, and the current window context is restored afterwards.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/hier.h"
#include "platform/windows/windows.h"
#include "shell/desk.h"

namespace kv {

// Send modes: normal, and forced past lockMessages.
enum : u16 { sendnormal = 0, sendforced = 2 };

// Sends a message (a command line, Mac Roman) to the current card of the window (0: the
// current window). While lockMessages is set nothing is sent unless forced. 0, the handler's
// status, or 104 when the window has no context.
i16 cardsend(std::string_view message, u16 mode, WindowRef window);
// Sends a message to the shared project: 0 when none is open.
i16 sharesend(std::string_view message);

// The long id text of the desk's card (hiercard), background (hierbackground), window
// (hierwindow) or project (hierproject), at most 255 bytes; it names the object in the
// script cache and in the card history.
std::string longidtext(const desk& d, u16 level);

// Builds the message path of a desk's current card (pathentries entries; the caller releases
// it with dumphier). 0, or 37 when the script cache ran out of memory.
i16 cardpath(const desk& d, std::vector<hier>& path);

}  // namespace kv
