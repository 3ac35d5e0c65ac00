// The boundary of the display module (kvmod_display.so: the SDL2 window backend). Entries as
// in platform/modules/modules.h; when the module is missing no display can open (the program
// runs headless) and the SDL2 test hooks do nothing.
#pragma once

#include "platform/backend/sdl2.h"
#include "platform/modules/modules.h"

// clang-format off
#define KV_DISPLAY_ENTRIES(X)                                                                                   \
  X(std::unique_ptr<Backend>, opensdl2backend, (const ScreenInfo& s, std::string* why, bool fit), (s, why, fit), \
    (why ? void(*why = "the display module is missing: " + modulefailure("display")) : void(), nullptr),       \
    loadmodule)                                                                                                 \
  X(const SDL2Counters*, sdl2counters, (Backend & b), (b), nullptr, loadedmodule)                               \
  X(u32, sdl2queuedbeep, (Backend & b), (b), 0, loadedmodule)                                                   \
  X(bool, sdl2readback, (Backend & b, Frame * out), (b, out), false, loadedmodule)                              \
  X(bool, sdl2pushkey, (bool down, const char* name, u16 held, bool repeat), (down, name, held, repeat), false, \
    loadmodule)                                                                                                 \
  X(bool, sdl2pushtext, (const char* utf8), (utf8), false, loadmodule)                                          \
  X(bool, sdl2pushcomposition, (const char* utf8, int cursor), (utf8, cursor), false, loadmodule)               \
  X(bool, sdl2pushbutton, (Backend & b, bool down, int button, int x, int y), (b, down, button, x, y), false,   \
    loadedmodule)                                                                                               \
  X(bool, sdl2pushwheel, (Backend & b, int x, int y, bool flipped), (b, x, y, flipped), false, loadedmodule)    \
  X(bool, sdl2pushmotion, (Backend & b, int x, int y), (b, x, y), false, loadedmodule)                          \
  X(bool, sdl2pushwindowevent, (Backend & b, SDL2WindowEvent what), (b, what), false, loadedmodule)             \
  X(bool, sdl2pushquit, (), (), false, loadmodule)                                                              \
  X(bool, sdl2pushdrop, (Backend & b, const std::string& path), (b, path), false, loadedmodule)                 \
  X(bool, sdl2pushdropevent, (Backend & b, SDL2DropEvent what, const std::string& data), (b, what, data), false, \
    loadedmodule)                                                                                               \
  X(bool, sdl2inputwindowasked, (), (), false, loadmodule)                                                      \
  X(void, sdl2resize, (Backend & b, int width, int height), (b, width, height), , loadedmodule)                 \
  X(std::string, sdl2clipboardtext, (), (), std::string(), loadmodule)                                          \
  X(void, sdl2setclipboardtext, (const std::string& utf8), (utf8), , loadmodule)
// clang-format on

namespace kv {
struct DisplayModule {
  KV_DISPLAY_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
