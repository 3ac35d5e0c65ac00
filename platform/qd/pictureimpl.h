// Inside the drawing layer: what the standard procedures hand to a picture being recorded,
// and the classic region data format pictures carry.
#pragma once

#include <vector>

#include "platform/qd/qdstate.h"

namespace kv {

void picrecordrect(Port& p, GrafVerb verb, const Rect& r);
void picrecordrrect(Port& p, GrafVerb verb, const Rect& r, i16 ovalWidth, i16 ovalHeight);
void picrecordoval(Port& p, GrafVerb verb, const Rect& r);
void picrecordarc(Port& p, GrafVerb verb, const Rect& r, i16 startAngle, i16 arcAngle);
void picrecordpoly(Port& p, GrafVerb verb, const std::vector<Point>& pts);
void picrecordrgn(Port& p, GrafVerb verb, const RegionData& rgn);
void picrecordline(Port& p, Point from, Point to);
// One piece of text of at most 255 bytes drawn with its pen at `pen`.
void picrecordtext(Port& p, Point pen, const u8* text, i16 count);
void picrecordbits(Port& p, const BitMap* src, const Rect& srcRect, const Rect& dstRect, i16 mode, RgnHandle maskRgn);
void picrecordcomment(Port& p, i16 kind, i16 dataSize, Handle data);

// The classic region record, big-endian: u16 size, Rect bounds, then for a region that is
// not one rectangle its inversion points: per scan line v, the h coordinates where the
// inside flips, 0x7FFF, and 0x7FFF after the last line.
std::vector<u8> encoderegion(const RegionData& rgn);
// Reads such a record of at most `avail` bytes; false for damaged data.
bool decoderegion(const u8* data, std::size_t avail, RegionData* out, std::size_t* used);

}  // namespace kv
