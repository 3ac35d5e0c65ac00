// Gathering pictures into objects: a foreign picture taken apart into editable graphics
// grouped by its picture comments, the colour table a picture carries, and one object made
// into a picture.
//
// The gather plays the picture into a port whose bottleneck procedures are the gathering
// procedures below: each turns what it is handed into object records (98 bytes each)
// appended to the list of the layer being gathered.
#pragma once

#include "platform/qd/bottleneck.h"
#include "platform/qd/qdtypes.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// A picture's objects, groups as nested lists: a new list (none when memory runs out).
Handle pictospot(PicHandle picture);
// One picture gathered into a new list of objects; a group comment pair gives one group
// object (style 108) whose data is the picture of what it holds. A picture of 9 bytes or less
// gives an empty list. After a failed allocation the list holds the whole objects gathered
// before it. None when not even the list can be had.
Handle getlayer(PicHandle picture);
// Every group object of a list (and of its nested lists) gets its picture gathered into a
// nested list in place of the picture. Groups nested more than 32 deep are not made: their
// shapes join the group around them.
void regroup(Handle list);

// Draws the picture offscreen and answers a copy (host order) of the colour table of the first
// 8-bit pixel map it draws; none when it draws no 8-bit pixel map or memory runs out.
CTabHandle extractclut(PicHandle picture);
// With colorWorld on, for a colour copy from an 8-bit indexed source, the current port's pixel
// map takes a copy of the source's colour table (so that the copy keeps the indexes).
void fixpixclut(u16 colour, const BitMap* source);

// The gathering procedures, installed by name in the gather's port.
void PscrapRTgathertext(i16 byteCount, const void* text, Point numer, Point denom);
void PscrapRTgatherline(Point newPt);
void PscrapRTgatherect(GrafVerb verb, const Rect* r);
void PscrapRTgatheround(GrafVerb verb, const Rect* r, i16 ovalWidth, i16 ovalHeight);
void PscrapRTgatheroval(GrafVerb verb, const Rect* r);
void PscrapRTgatherarc(GrafVerb verb, const Rect* r, i16 startAngle, i16 arcAngle);
void PscrapRTgatherpoly(GrafVerb verb, PolyHandle poly);
void PscrapRTgathergn(GrafVerb verb, RgnHandle rgn);
void PscrapRTgatherbits(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn);
void PscrapRTgathercom(i16 kind, i16 dataSize, Handle dataHandle);
// The bits procedure of extractclut: keeps the first 8-bit colour table drawn.
void PscrapRTgrabits(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn);

// The pixel depth a picture of an object `width` pixels wide is drawn at: the offscreen
// depth, halved while a row would take more than 16,380 bytes.
i16 spotpicdepth(i16 depth, i32 width);
// A picture of object `index` of a list, drawn as on a card over its drawing bounds; none when
// the offscreen world cannot be had.
PicHandle spotopic(Handle list, i16 index);
// A picture of every object of a list, drawn as on a card over their drawing bounds (live
// controls drawn as plain pictures and taken down); none for an empty list.
PicHandle listopic(Handle list);

// The colour table pictures are gathered through.
struct GatherColourState {
  Handle gatherclut;  // the colour table pictures are gathered through (2,064 bytes; 0 until used)
};
inline GatherColourState& gathercolourstate() { return state<GatherColourState>(); }

}  // namespace kv
