// The picture information record (`PictInfo`, 102 bytes): alternate data of kind 1 of a picture
// graphic, beside the picture itself (kind 2). In memory it is in host order; the store swaps it
// with every other stored record. The two floating-point fields are kept as their u32 bits.
#pragma once

#include "platform/memory/stored.h"
#include "store/records.h"

namespace kv {

#define KV_PICTINFO_FIELDS(F)         \
  F(u32, storagemode, 0)              \
  F(Rect, imagerect, 4)               \
  F(Rect, sourcerect, 12)             \
  F(Rect, destrect, 20)               \
  F(u32, flags, 28)                   \
  F(u32, changemask, 32)              \
  F(u32, aspect, 36)                  \
  F(i16, rotation, 40)                \
  F(RGBColor, opcolor, 42)            \
  F(u32, zoom, 48)                    \
  F(u16, clickthroughlevel, 52)       \
  F(u32, magnification, 54)           \
  F(u16, reserved58, 58)              \
  F(Point, offset, 60)                \
  F(u16x3, reserved64, 64)      \
  F(Rect, layoutrect, 70)             \
  F(Rect, requestedsource, 78)        \
  F(Pointx4, quad, 86)
KV_STORED_RECORD(PictInfo, 102, KV_PICTINFO_FIELDS)

// Storage modes and flags.
enum : u32 {
  pictembedded = 0,          // kind 2 holds the picture
  pictlinked = 1,            // kind 2 holds the text of a file path
  pictlayouttracking = 0x20000,
};

// Fills a record with the settings of a new picture: embedded, empty rectangles, layout
// tracking, fill aspect, white operation colour, zoom and magnification 1.0, no quad.
void newpictinfo(PictInfo& p);

// Gives a picture object a fresh record: makes its alternate-data list when it has none and
// stores a new record as kind 1 and an empty handle as kind 2, replacing what was there.
// Answers 1, or 0 when memory runs out (no record is stored then).
i16 New_PictInfoHandle(spot& s);

// Attaches picture data (or, with `embedded` 0, the text of a file path) to an object whose
// record exists: the data becomes kind 2 and the storage mode follows. 0 or a memory error.
OSErr SetPictInfoHandle(spot& s, Handle data, i16 embedded);

// The picture's data (kind 2 while the storage mode is embedded) and its linked file path
// (kind 2 while the mode is linked), from an object's alternate-data list; none otherwise.
Handle GetPictDataHandle(Handle alt);
Handle GetPictPathHandle(Handle alt);

}  // namespace kv
