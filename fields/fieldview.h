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
// The margins a record keeps ('marg': top, left, bottom, right); *margins is left as it was
// when the record has none. 0 for no record.
OSErr GetFieldMargins(WEReference we, Rect* margins);

// The field settings of a text record: bits 16 (the text does not wrap), 17 (the field has a
// scroll bar) and 18 (embedded objects are allowed) of its reference value. Setting the first
// also stores the property 'dont' (the value), the third 'ftyp' (2 allowed, 1 not). Nothing
// for no record; the getters answer 0 then.
void SetDontWrapFlag(WEReference we, u32 value);
void SetScrollBarFlag(WEReference we, u32 value);
void SetAllowObjectsFlag(WEReference we, u32 value);
u32 GetDontWrapFlag(WEReference we);
u32 GetScrollBarFlag(WEReference we);
u32 GetAllowObjectsFlag(WEReference we);

// The text engine's destination and view rectangles of a field, in 32-bit (ldestview) and
// 16-bit (destview) coordinates.
void ldestview(const spot& s, LongRect* dest, LongRect* view);
void destview(const spot& s, Rect* dest, Rect* view);
// The rectangle of the field's scroll bar, and of its ruler ((0,0,0,0) without one).
void controlrect(const spot& s, Rect* r);
void rulercontrolrect(const spot& s, Rect* r);

}  // namespace kv
