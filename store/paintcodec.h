// The paint bitmap codec: the compact row-predicted form in which bitmap graphics keep their
// images in a project. 1-bit images (rows padded to 16-bit words, most significant bit first)
// and colour images (one byte per pixel, a colour index, rows padded to 4 bytes; pixel i of a
// row is byte i in memory as in the stream) are coded row by row; the packed stream has no
// header, its geometry comes from the object's rectangle.
#pragma once

#include "platform/types.h"

namespace kv {

// Rows, width and row bytes of an image over a rectangle; `valid` is false for a rectangle
// with bottom < top or right < left, or one whose image would not fit in a handle.
struct PaintGeometry {
  i32 height = 0;
  i32 width = 0;
  i32 rowbytes = 0;
  i64 bytes = 0;  // height x rowbytes
  bool valid = false;
};
PaintGeometry paintgeometry(const Rect& r, bool colour);

// Each answers a new handle, or none (nilhandle) when the rectangle is bogus, the image handle
// is smaller than the rectangle's image, memory runs out or the stream is malformed. An image
// of height 0 packs to an empty handle and unpacks to one.
Handle packimage(const Rect& r, Handle image);  // clears the image's padding bits first
Handle unpackimage(const Rect& r, Handle packed);
Handle packcolor(const Rect& r, Handle image);  // leaves the image unchanged
Handle unpackcolor(const Rect& r, Handle packed);

// Clears the padding bits after the last pixel of every row of a 1-bit image.
void clearimage(u8* image, i32 height, i32 width, i32 rowbytes);

// Writes the coded line of a transformed row to `out` (room for rowbytes + rowbytes / 4 + 8
// bytes) and answers the bytes written.
i32 codelinex(const u8* row, i32 rowbytes, u8* out);
// Reads a coded line of at most `avail` bytes into a row; answers the bytes consumed (a 0x00
// end item included), or -1 when the line runs past the row or past the stream.
i32 uncodelinex(const u8* in, i32 avail, u8* row, i32 rowbytes);

// The most bytes packimage or packcolor can write for an image of this geometry.
i64 paintworstcase(const PaintGeometry& g);

}  // namespace kv
