// The message box: a floating window of kind 118 with one line of text (made at start-up by
// initmes, shell/startup.h).
#pragma once

#include <string_view>

#include "platform/types.h"

namespace kv {

struct fred;

// The message box's handler of the window event kinds (0 draw, 1 click, 2 moved, 3 idle,
// 4 key, 5 mouse moved); `param` is a point, a key word or a mode as for the card window.
void runmess(i16 kind, u32 param);
// Shows the message box (when hidden) inside the available bounds of its screen, shrunk to
// them when larger, its text inactive, selected and drawn.
void showmes();
// Moves and sizes the message box so that its content is a global rectangle, kept on the
// screen (moved into the available bounds whatever its size), its line of text as wide as the
// box, and redraws it: 0, or 66 for an empty rectangle.
i16 placemessagebox(const Rect& content);
// Hides the message box (when shown) and re-hilites the windows.
void hidemes();
// Shows the box and puts the value's first line into it: mode 0 its text (the caret left
// between the quotes of "Find \"\"", any other text replaced by the next typed key), mode 1
// its status line (the first 255 characters). The value is formatted as text in place.
void drawmessage(fred* value, i16 mode);
// Whether the message box is shown.
bool msgvisible();

// The message box's text becomes the value's text (its whole text: the box shows the first
// line). 0, or 37.
i16 setmsgtext(fred* value);
// Runs one line (Mac Roman) as a line typed into the message box runs, in the current card's
// context: an expression (the whole line, and not a single word that names nothing) is
// answered into the box; any other line runs as statements along the current card's path,
// control structures included (a one-line `if ... then ... [else ...]`, `repeat`, `global`). The
// box's variables are the global variables, so what one line makes is there for the next. A
// script error is reported as at the end of the outermost send (the error alert); a first
// word that nobody takes reports the expression's complaint instead. 0 or that error.
i16 runmsgline(std::string_view line);

}  // namespace kv
