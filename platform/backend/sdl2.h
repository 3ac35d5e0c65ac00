// The SDL2 backend: one real window that shows the composed screen and feeds real mouse and
// keyboard input, the monotonic clock, the system clipboard's text. No SDL header is seen
// outside sdl2.cpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/backend/backend.h"

namespace kv {

// Opens the window for a screen of this size and depth; null with a reason when there is no
// display (or SDL cannot start). With `fit`, a screen larger than the display's usable area
// less 48 pixels each way is made that size instead. The window can be resized: it shows the
// screen scaled with its aspect kept.
std::unique_ptr<Backend> opensdl2backend(const ScreenInfo& screen, std::string* why, bool fit = false);

// What the SDL2 backend did, for tests and benchmarks: frames presented, the kept frame shown
// again (exposure, size changes), event waits, and the last rectangles uploaded (frame pixels).
struct SDL2Counters {
  u32 presents = 0;
  u32 represents = 0;
  u32 waits = 0;
  std::vector<Rect> uploaded;
};
// The counters of the backend when it is the SDL2 one, else null.
const SDL2Counters* sdl2counters(Backend& b);
// The bytes of beep tone queued on the audio output and not yet played (0 when none opened).
u32 sdl2queuedbeep(Backend& b);
// The window's pixels as shown (xrgb), read back from the renderer; false when the backend is
// not the SDL2 one or the pixels cannot be read.
bool sdl2readback(Backend& b, Frame* out);

// Whether the environment names a display the SDL2 backend could open.
bool displayavailable();

// Synthetic input for tests of the SDL2 backend (SDL's dummy video driver has no user): each
// is pushed onto SDL's event queue as SDL would deliver it. Positions are window pixels.
enum : u16 { sdl2ctrl = 1, sdl2super = 2, sdl2alt = 4, sdl2shift = 8 };
// A key by SDL's name for it ("F5", "Q", "Return"), with the modifier keys held (sdl2ctrl...).
bool sdl2pushkey(bool down, const char* name, u16 held, bool repeat = false);
bool sdl2pushtext(const char* utf8);
// An input method's composition in progress (SDL's text editing), its cursor in characters.
bool sdl2pushcomposition(const char* utf8, int cursor);
// Button 1 is the left one, 3 the right one.
bool sdl2pushbutton(Backend& b, bool down, int button, int x, int y);
bool sdl2pushwheel(Backend& b, int x, int y, bool flipped);
// The pointer moved to a window pixel.
bool sdl2pushmotion(Backend& b, int x, int y);
enum class SDL2WindowEvent : u8 { exposed, focusgained, focuslost };
bool sdl2pushwindowevent(Backend& b, SDL2WindowEvent what);
bool sdl2pushquit();
// A file dropped on the window (a POSIX path, UTF-8), alone.
bool sdl2pushdrop(Backend& b, const std::string& path);
// The events of a drop of several items: begin, files (POSIX paths) and texts (UTF-8), complete.
enum class SDL2DropEvent : u8 { begin, file, text, complete };
bool sdl2pushdropevent(Backend& b, SDL2DropEvent what, const std::string& data = {});
// Whether the input method was asked for its own pre-edit window (`useinputwindow`).
bool sdl2inputwindowasked();
// Resizes the backend's window (the size changes come as events).
void sdl2resize(Backend& b, int width, int height);
// The system clipboard's text (UTF-8) as SDL sees it, and setting it from outside.
std::string sdl2clipboardtext();
void sdl2setclipboardtext(const std::string& utf8);

// The backend a run starts with: SDL2 when a display is there and headless is not asked,
// else headless with this screen. `fit` as for opensdl2backend (the screen was not given).
std::unique_ptr<Backend> openbackend(bool headless, const ScreenInfo& screen, bool fit = false);

}  // namespace kv
