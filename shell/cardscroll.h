// Scrolling the card in its window: the card's two scroll bars, whose values are the scroll
// position in pixels, and the port's origin at that position. The card is drawn in card
// coordinates; the origin does the scrolling.
#pragma once

#include "platform/controls/controls.h"

namespace kv {

// Sets the current window's port origin to (horizontal value, vertical value) and clips it to
// the window's interior. In a metal window the visible region becomes the interior too, less
// the grow-box triangle at its bottom-right corner when the window is resizable (procedure-
// table slot 341).
void lowclipup();
// Lays out the current window's scroll bars along the right and bottom edges of its port,
// overlapping the frame by one pixel; a card narrower (shorter) than the interior scrolls back
// to 0 horizontally (vertically). Ends with lowclipup (slot 344).
void lowrectbar();
// Sets the ranges of the current window's scroll bars: the maxima the card's size less the
// interior's (at least 0), the view sizes the interior's plus 1; the window's movies are
// re-hilited. Ends with lowclipup (slot 343).
void lowfixbar();
// The card bars' action procedure (procedure-table slot 33). Page up and down move the value by
// the interior's height (width for the horizontal bar), bounded, and the thumb leaves it where
// tracking put it: the interior is redrawn. The arrows move by `cardScrollStep`, at most to the
// end: the interior's pixels are shifted and only the strip uncovered is redrawn. An arrow at
// its end and any other part do nothing.
void PeditRTscrollcard(ControlRef control, i16 part);

}  // namespace kv
