// Classic button drawing: the rectangle style 200 and the polygon style 202, drawn by the
// program itself with their shadow, fill, frame and face (name, icon, popup arrow, hilite), and
// the icon-family face and hilite that the other button styles share.
#pragma once

#include "platform/qd/icons.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Flag bits of buttons that their faces read.
enum : u32 { spotshowname = 1u << 1, spotpoparrow = 1u << 15 };
// A run-time bit of the text-flags byte: the face was drawn from an icon family.
constexpr u8 kIconFamilyFace = 1u << 3;

// Rectangle button 200 and polygon button 202, each with its outline mode.
void drawrectbutton(spot& object, i16 outline);
void LowDrawPolygonBtn(spot& object, i16 outline);

// The face of a style 200-202 button: its name, icon, popup arrow and hilite.
void buttoname(spot& object);
// An icon-family face: the icon in the rectangle calcicnsrect gives, with the name (none: no
// name) under it.
void drawicnsbtn(const spot& object, ConstStringPtr name, IconRef icon);
// The square of an icon-family face in the object's rectangle, at most 128 pixels a side;
// with the name's font information (none: no name) the square leaves room for the name below
// it and *gap gets the space between. A square of size 0 leaves *out as it was.
void calcicnsrect(const spot& object, const FontInfo* info, Rect* out, i16* gap);
// Shows the hilite of a classic button by its style (inverting, in the window's hilite colour
// while colorWorld is on).
void hilitespotcolor(const spot& object);

}  // namespace kv
