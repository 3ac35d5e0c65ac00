// The whole content of the card window: the card area with the grey gutters beside a card
// smaller than the window, the objects and their selection knobs; the entry points that redraw
// a window from outside, inside an update, and the movies of a window.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// The gutters' grey.
constexpr RGBColor kGutterGrey{0xA000, 0xA000, 0xA000};

// Redraws the content of the current window into the current port: the gutters, the card
// erased in the window's theme background, its objects and (unless a picture is recorded from
// the port or a card image is drawn) the selection knobs. With `flush` it does nothing while
// the port's pen is hidden and flushes the window's buffer at the end. The pen level when it
// drew nothing for a hidden pen, else 0.
i16 drawcase(i16 flush);
// Redraws a window of the table from outside, as the current context for the time of the call:
// its scroll bars laid out and set (procedure-table slots 344 and 343), the content, the grow
// box and its movies. Nothing for no window, one not in the table, or with no window open.
void drawframe(WindowRef window);
// drawcase(1) between the begin and end of an update of the current port's window, the pen
// level kept.
void drawinval();
// Draws the movies of a window that are still on it: each controller clipped to the card area
// (and the movie's own clip region), the movie updated and the controller drawn.
void drawmovies(WindowRef window);

}  // namespace kv
