// The stored layout of a colour icon ('cicn' data): the pixel-map, mask and bit-map headers and
// the icon-data word (82 bytes), the mask rows and bit-map rows, then the colour table and the
// pixel rows. Big-endian in project files and resource data; host order once swapped.
//
// The pointer and handle words are placeholders in stored data and are never used as
// addresses. In a colour icon built from the data (icons.h, CIconHandle) the pixel map's
// `pmtable` holds the handle id of the colour table and `icondata` the handle id of the pixel
// rows.
#pragma once

#include "platform/memory/stored.h"

namespace kv {

// The pixel-map header (50 bytes).
#define KV_STOREDPIXMAP_FIELDS(F) \
  F(u32, baseaddr, 0)             \
  F(u16, rowbytes, 4)             \
  F(Rect, bounds, 6)              \
  F(i16, pmversion, 14)           \
  F(i16, packtype, 16)            \
  F(i32, packsize, 18)            \
  F(i32, hres, 22)                \
  F(i32, vres, 26)                \
  F(i16, pixeltype, 30)           \
  F(i16, pixelsize, 32)           \
  F(i16, cmpcount, 34)            \
  F(i16, cmpsize, 36)             \
  F(u32, planebytes, 38)          \
  F(hfield, pmtable, 42)          \
  F(u32, pmreserved, 46)
KV_STORED_RECORD(storedpixmap, 50, KV_STOREDPIXMAP_FIELDS)

// The bit-map header (14 bytes).
#define KV_STOREDBITMAP_FIELDS(F) \
  F(u32, baseaddr, 0)             \
  F(u16, rowbytes, 4)             \
  F(Rect, bounds, 6)
KV_STORED_RECORD(storedbitmap, 14, KV_STOREDBITMAP_FIELDS)

// The colour icon's fixed part (82 bytes).
#define KV_CICONREC_FIELDS(F) \
  F(storedpixmap, pixmap, 0)  \
  F(storedbitmap, mask, 50)   \
  F(storedbitmap, bitmap, 64) \
  F(hfield, icondata, 78)
KV_STORED_RECORD(ciconrec, 82, KV_CICONREC_FIELDS)

// The colour-table header (8 bytes): `size` is the number of entries less one.
#define KV_STOREDCTAB_FIELDS(F) \
  F(u32, seed, 0)               \
  F(u16, flags, 4)              \
  F(u16, size, 6)
KV_STORED_RECORD(storedctab, 8, KV_STOREDCTAB_FIELDS)

// One colour-table entry (8 bytes).
#define KV_STOREDCOLORSPEC_FIELDS(F) \
  F(i16, value, 0)                   \
  F(RGBColor, rgb, 2)
KV_STORED_RECORD(storedcolorspec, 8, KV_STOREDCOLORSPEC_FIELDS)

// Where the parts of colour-icon data lie, each checked against the data's size.
struct CIconLayout {
  i64 mask = 0, maskbytes = 0;      // the mask rows: row bytes x height
  i64 bitmap = 0, bitmapbytes = 0;  // the bit-map rows
  i64 ctab = 0, ctabbytes = 0;      // the colour table: 8 x its size field + 16
  i64 pixels = 0, pixelbytes = 0;   // the pixel rows: height x (row bytes & 0xFFF)
};

// The layout of colour-icon data of `size` bytes whose fixed part `head` is given in host
// order; the colour table's size field is read from `data` in file order when `fileorder`.
// False when a height is negative or a part runs past the data.
bool ciconlayout(const ciconrec& head, const u8* data, i64 size, bool fileorder, CIconLayout* out);

}  // namespace kv
