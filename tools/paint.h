// The paint tools (300-314) as the tool dispatcher calls them, and the end of a paint session.
// Each tool takes the target object list and the click point and answers 0 (the card was
// painted), -992 (painting made a new bitmap object, the last of the list), -993 (nothing
// was painted) or a script error.
#pragma once

#include "platform/types.h"

namespace kv {

enum : i16 { paintnewbitmap = -992, toolmadenothing = -993 };

// Brush (1) or spray (2).
i16 genericbrush(Handle list, Point pt, i16 mode);
i16 dobucket(Handle list, Point pt);
// Eraser (1) or pencil (2).
i16 genericpen(Handle list, Point pt, i16 mode);
i16 dolasso(Handle list, Point pt);
i16 genericline(Handle list, Point pt);
// Curve, polygon and regular polygon.
i16 genericpoly(Handle list, Point pt);
// Rectangle (1), round rectangle (2) or oval (3).
i16 genericrect(Handle list, Point pt, i16 shape);
i16 doselect(Handle list, Point pt);
i16 dotext(Handle list, Point pt);

// Closes the paint session: the status of "closePaint", 0 when no session is open.
i16 putdownbmap();
// Commit a paint text, a lasso selection and a rectangular selection into the image.
void killtext();
void killasso();
void killselect();
// Selects the whole bitmap (what was selected or typed committed first).
void selallbits();
// A lasso selection of the list lies within 2 pixels of the point.
bool ptinlasso(Handle list, Point pt);
// The smallest rectangle holding every non-zero pixel of an image laid out over `r` (depth 8
// with `colour`, rows padded to 4 bytes; else depth 1, rows padded to 2 bytes): false when no
// pixel is set.
bool bounder(Handle image, const Rect& r, u16 colour, Rect* out);

// A key while painting (when the session takes keys), and the session's idle time.
bool bmapwantskeys();
void bmapkey(u8 c);
void bmapidle();
// Composes the paint text into the current port (the text world); the text's and the caret's
// rectangles, both cut to the bitmap. With `caret` the caret blinks: painted black and white
// on alternate calls.
void lowtext(bool caret, Rect* textrect, Rect* caretrect);
// The text world takes a copy of the image (the text is composed over it).
void imagetoworld();
// Sets the cursor of a paint tool for a point of the session window.
void paintcurs(u16 tool, Point pt);

// The paint clipboard: the selection as a 'PICT' on the system clipboard (cleared first) or on
// a given scrap; the selection cleared; the system clipboard's or a scrap's 'PICT' pasted as a
// floating selection. Each does nothing without an open session.
void copybits();
void servicescopybits(u32 scrap);
void clearbits();
void pastebits();
void servicespastebits(u32 scrap);
// The comment procedure of a picture being pasted: comment 12345 marks a lasso selection.
void PpaintRTgathercom(i16 kind, i16 dataSize, Handle dataHandle);
// A paint selection (rectangular or lasso) exists.
bool paintselection();

}  // namespace kv
