// Byte order of stored data. The project file keeps everything big-endian; in memory records
// are in host order. These swappers convert a packed record, and every block and structure in
// it, in place between the two.
//
// Direction 1 (tofile) converts host order to file order, 0 (fromfile) the reverse. A swapper
// that must read a count, a length, a kind or a presence mark to find the rest reads it in host
// order: before swapping it going to the file, after swapping it coming from the file. Every
// count and length is checked against the bytes of its enclosing block: a block that does not
// fit ends the walk of its list or record (unpacking drops the same parts), and a list whose
// entries cannot fit before its count answers 105.
//
// Which blocks a record or list entry has, in which order, comes from the same part tables that
// packing uses (store/packing.h), so the swapper and the packer cannot disagree.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

enum : i16 { fromfile = 0, tofile = 1 };

// Swaps a packed record by its kind; 0, or 105 for a kind above 8 (no byte changed) or a
// record too small for its kind or whose lists do not hold together.
OSErr endianswapackedstar(Handle h, i16 direction);
OSErr endianswapackedstarLtoB(Handle h);
OSErr endianswapackedstarBtoL(Handle h);

// Block swappers: `at` is the block's length word, `avail` the bytes from there to the end of the
// enclosing block. *outlen receives the block's full size (4 + length, rounded up to even, at
// most avail), or 0 when the block does not fit.
OSErr endianswapackedobj(u8* at, i64 avail, i32* outlen, i16 direction);
OSErr endianswapackedscript(u8* at, i64 avail, i32* outlen, i16 direction);
OSErr endianswapackeduprops(u8* at, i64 avail, i32* outlen, i16 direction);
OSErr endianswapackedalts(u8* at, i64 avail, i32* outlen, i16 direction);
OSErr endianswapackedspots(u8* at, i64 avail, i32* outlen, i16 direction, int depth = 0);
OSErr endianswapackeditems(u8* at, i64 avail, i32* outlen, i16 direction);

// Structure swappers.
void endianswapspot(u8* at, i16 direction);                    // one 98-byte object record
void endianswapbranch(u8* tail, u16 kind, u32 flags);          // bytes 70-81 of an object
void endianswapfieldata(u8* at, i64 length, i16 direction);    // a stored field text
void endianswapwebacktext(u8* at, i64 length, i16 direction);  // a card's background texts
void endianswapolygon(u8* at, i64 length, i16 direction);      // a polygon
void endianswapscriptail(u8* at);                              // the 24-byte tail of a script
// Swaps the tail of a script handle in memory.
void endianswapscript(Handle script);
// The data of an alt entry, by its kind: 0, or 105 when a list inside it does not hold together.
OSErr endianswapaltdata(u32 kind, u8* at, i64 length, i16 direction);
// A packed iota of `length` bytes.
OSErr endianswapackediota(u8* at, i64 length, i16 direction);
// A text-engine stream: 0 when every record was walked, 1 when a header was not as expected.
i16 endianswapwestreamscrap(u8* at, i64 length, i16 direction);

// Imported resources (store/byteorderimported.cpp). A 'snd ' resource of format 1 or 2: its
// head, synthesizer entries, commands and sampled-sound header (standard, extended or
// compressed; the samples are left as they are): 0, or 105 with nothing changed when its counts
// run past its bytes. A 'CURS' cursor: the hot spot after the image and mask (its own inverse).
OSErr endianswapsnd2(u8* data, i64 size, i16 direction);
OSErr endianswapsnd2(Handle sound, i16 direction);
OSErr endianswapcurs(Handle cursor);
// A pixel-map header (50 bytes) and a bit-map header (14 bytes); a colour icon ('cicn' data of
// `length` bytes): its headers and its colour table, the mask, bit-map and pixel rows being
// bytes. The colour icon answers false, with no byte changed, when a part of it runs past the
// data.
void endianswapixmap(u8* at);
void endianswapbitmap(u8* at);
bool endianswapcicon(u8* at, i64 length, i16 direction);
// A colour table ('clut'): u32 seed, u16 flags, u16 count, then count + 1 entries of u16
// value, red, green, blue. 0, or 105 when the entries the count names do not fit in `length`
// (nothing is then swapped).
OSErr endianswapclut(u8* at, i64 length, i16 direction);
// The data of an imported resource by its type: 'CURS', 'cicn', 'clut' and 'snd ' as above,
// every other type left as it is. 0, or 105 with nothing changed when the data does not hold
// what its counts and headers name.
OSErr endianswapimportedxres(ResType type, u8* at, i64 length, i16 direction);

// --- Reading fields in host order while swapping ---------------------------------------------
inline u16 swapped16(u16 v) { return u16((v >> 8) | (v << 8)); }
inline u32 swapped32(u32 v) { return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24); }
// The host-order value of a field without swapping it.
inline u16 peek16(const u8* at, i16 direction) {
  u16 v = loadat<u16>(at);
  return direction == tofile ? v : swapped16(v);
}
inline u32 peek32(const u8* at, i16 direction) {
  u32 v = loadat<u32>(at);
  return direction == tofile ? v : swapped32(v);
}
// Swaps a field and answers its host-order value.
inline u16 swap16(u8* at, i16 direction) {
  u16 host = peek16(at, direction);
  storeat<u16>(at, swapped16(loadat<u16>(at)));
  return host;
}
inline u32 swap32(u8* at, i16 direction) {
  u32 host = peek32(at, direction);
  storeat<u32>(at, swapped32(loadat<u32>(at)));
  return host;
}

}  // namespace kv
