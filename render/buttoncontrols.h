// The platform controls of buttons (styles 201 and 203-229): built for a button, or refreshed
// when it already has one, from its style, option word and data properties, and given its
// title, value range, highlight, activity, colour procedure and place.
#pragma once

#include "platform/controls/controls.h"
#include "platform/qd/icons.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The control of a button, made or refreshed (and recorded in the object), or 0. `background`
// is 1 for an object of the background layer. A button that is not yet a platform control
// becomes one with the default range of its style.
ControlRef docontrolup(spot* object, i16 background);

// The builders docontrolup uses.
ControlRef BuildPushButton(spot& object, ConstStringPtr title);
ControlRef BuildBevelBtn(spot& object, ConstStringPtr title, ConstStringPtr name);
// Lays out `count` radio buttons of a radio group in the rectangle: stacked when it is higher
// than nine fifths of a row, else side by side.
void mapRadioGroupMembers(const spot& object, i16 count, const Rect& rect);
// The rectangle a popup button wants (at least 24 wide) with its menu in that font and size.
void CalculateOurOwnControlRect(ControlRef control, Rect* out, i16 font, i16 size);

// Gives back what a button control's content holds (icon suite, colour icon, icon, picture
// or icon reference).
void releasecontent(const ControlButtonContentInfo& content);

// The icon action of bevel buttons' icon suites (procedure-table slot 291): the member
// becomes a copy of itself, kept from purging.
OSErr DetachSuiteMembers(ResType type, Handle* icon, void* data);

}  // namespace kv
