// Field geometry: where a field's text lies inside its rectangle (the frame, the text margins,
// the scroll bar column of a scrolling field, the ruler band, the pen inset of a framed field
// and the scroll position), and the stored scroll position itself.
#pragma once

#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

constexpr i16 kFieldScrollBarWidth = 15;
constexpr i16 kRulerHeight = 31;
constexpr i32 kListScrollLimit = 32000;

// The stored scroll: a signed 32-bit value for styles 300 and 301 (never below 0), 0 to 32,000
// for list fields (302, 303); 0 for anything else, which setfieldscroll leaves alone.
i32 getfieldscroll(const spot& s);
void setfieldscroll(spot& s, i32 value);

// The four text margins (top, left, bottom, right) of an object.
void fldmargins(const spot& s, Rect* margins);
// Stores the margins in a live text record (the 8-byte property 'marg' of creator 'VIZU').
void SetFieldMargins(const spot& s, WEReference we);

// The text engine's destination and view rectangles of a field, in 32-bit (ldestview) and
// 16-bit (destview) coordinates.
void ldestview(const spot& s, LongRect* dest, LongRect* view);
void destview(const spot& s, Rect* dest, Rect* view);
// The rectangle of the field's scroll bar, and of its ruler ((0,0,0,0) without one).
void controlrect(const spot& s, Rect* r);
void rulercontrolrect(const spot& s, Rect* r);

}  // namespace kv
