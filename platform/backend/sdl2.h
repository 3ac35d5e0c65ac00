// The SDL2 backend: one real window that shows the composed screen and feeds real mouse and
// keyboard input, the monotonic clock, the system clipboard's text. No SDL header is seen
// outside sdl2.cpp.
#pragma once

#include <memory>
#include <string>

#include "platform/backend/backend.h"

namespace kv {

// Opens the window for a screen of this size and depth; null with a reason when there is no
// display (or SDL cannot start).
std::unique_ptr<Backend> opensdl2backend(const ScreenInfo& screen, std::string* why);

// Whether the environment names a display the SDL2 backend could open.
bool displayavailable();

// The backend a run starts with: SDL2 when a display is there and headless is not asked,
// else headless with this screen.
std::unique_ptr<Backend> openbackend(bool headless, const ScreenInfo& screen);

}  // namespace kv
