// Field drawing and the text records of fields: fields 300-303 drawn with their fill, frame,
// text, lines, theme frame, scroll bar, ruler and focus ring, and the open field drawn over a
// card; the small routines through which other parts ask about, mark and put down the live
// text records of fields.
#pragma once

#include "platform/controls/controls.h"
#include "platform/memory/stored.h"
#include "platform/types.h"
#include "store/objread.h"
#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// Draws one field: the object copy (a record made for it is kept there), the outline mode,
// its list and index, the port's depth.
void LowDrawField(spot& object, i16 outline, Handle list, i16 index, i16 depth);
// Draws the open field over the card of its window.
void drawopenfield();

// A temporary text record of a field's stored text, for one drawing (none when it cannot be
// made); the caller disposes it.
WEReference westupidtext(const LongRect& dest, const LongRect& view, const spot& object, bool dontwrap, bool canscroll);
// The field's own text record, made with messages locked and kept in the object unless it is
// a list field (none when it cannot be made).
WEReference westupidertext(const LongRect& dest, const LongRect& view, spot& object);
// The fake scroll bar of a 301 or 303 field and the ruler of a 300 or 301 field with
// showRuler, drawn from its text record into the current port. A field whose text fits its
// view scrolls to its top. The scroll bar lives on the record (its property 'VIZU'/'scrl'),
// parked and hidden between drawings; the ruler lives for one drawing. A control that cannot
// be made is left out.
void wefakecontrol(spot& object, WEReference we);
// The scroll bar a record keeps (its property 'VIZU'/'scrl'), made invisible in the current
// window when it has none or the one it names is gone; none when none can be made.
ControlRef fieldscrollbar(WEReference we);
void wefakerulercontrol(spot& object, WEReference we);

// The data handed to a field's ruler control under the tag 'RUod'.
#define KV_RULERDATAREC_FIELDS(F) \
  F(u32, mask, 0) F(u32, record, 4) F(u32, reserved, 8) F(u16, minwidth, 12) F(u16, units, 14) F(bytes<8>, zero, 16)
KV_STORED_RECORD(rulerdatarec, 24, KV_RULERDATAREC_FIELDS)
// The ruler data of a field: mask 583, its record, minimum text width 72, and the units
// (rulerUnits - 1, 0 for rulerUnits 0).
rulerdatarec rulerdata(const spot& object, WEReference we);
// The ruler control of a field: a custom control of the ruler's definition in the window,
// invisible, holding the ruler data (when given) under 'RUod'. The current port stays.
OSStatus CreateRulerControl(WindowRef window, const Rect* bounds, const rulerdatarec* data, ControlRef* out);

// Whether the text being drawn must look disabled: never while a field is printed or greying is
// suppressed; not for a drawn object without autoDim; when the program is in the background;
// for palettes and dialogs when the window is not in front.
bool textShouldBeGrayed();
void setPrintingAFieldFlag(u16 flag);

// Marks a record changed; the open field's record also notes the kind of change unless the
// open field holds it.
void setfieldel(WEReference we, u16 change);
// 1 when the descriptor names the open field, the painted bitmap or the edited graphic.
i16 readisfield(const objread& obj);
i16 readisbmap(const objread& obj);
i16 readisgraph(const objread& obj);
// The live record of the 300/301 field a descriptor names (none for others and list fields);
// readhaswerec: 1 when there is one and the descriptor's window is open on its card.
WEReference getreadwerec(const objread& obj);
i16 readhaswerec(const objread& obj);
// Puts down the live records of the list's 300/301 fields: a changed record writes its text
// back; with `dispose` every record goes (the open field's too, which leaves no open field).
// Always 0.
i16 putdownwerecs(Handle list, i16 dispose);
// 1 when the field has allowTabs.
i16 fldusestabs(const spot& s);

}  // namespace kv
