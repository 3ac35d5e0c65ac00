// Text and handle utilities: converters, appenders, parsers and comparers between short
// strings (length byte, at most 255 Mac Roman characters), text handles (the handle's size is
// the text's length) and script values.
//
// Routines that make a new handle set their out-parameter to none first and leave it none on
// every failure. Routines that allocate ask the memory guard first (unless memory is
// plentiful); a refusal or an allocation failure answers 37. A missing source handle is empty
// text. Every routine that lengthens a short string clips it at 255 characters.
#pragma once

#include "engine/atom.h"
#include "platform/memory/memory.h"
#include "platform/types.h"

namespace kv {

struct fred;

// --- From a short string -------------------------------------------------------------------
void stringtostring(ConstStringPtr src, StringPtr dst);  // overlap-safe
StringPtr pstrcpy(StringPtr dst, ConstStringPtr src);
i16 stringtohand(ConstStringPtr s, Handle h);   // 1 when h is none
i16 stringandhand(ConstStringPtr s, Handle h);  // 1 when h is none
i16 stringtonewh(ConstStringPtr s, Handle* out);
i16 stringtonewstoph(ConstStringPtr s, Handle* out);    // the characters, 13, 0
i16 stringtonewstringh(ConstStringPtr s, Handle* out);  // length byte and characters
void longtostring(i32 n, StringPtr out);

// --- From a handle -------------------------------------------------------------------------
// At most 255 bytes, trailing zero bytes dropped.
void handtostring(Handle h, StringPtr out);
i16 handtohand(Handle src, Handle dst);
i16 handtonewh(Handle src, Handle* out);
i16 handtonewstringh(Handle h, Handle* out);
i16 stringhandtohand(Handle sh, Handle dst);
i16 stringhandtonewh(Handle sh, Handle* out);
i16 stringHandAndHand(Handle sh, Handle dst);
i16 appendcharhand(Handle h, u8 c);
i16 handtofred(Handle h, fred* v);

// --- From atoms ----------------------------------------------------------------------------
i16 atomtonewh(const atom& a, Handle text, Handle* out);
// The atom's literal, or its source text in `text`, cut at 255 characters.
void atomtostring(const atom& a, Handle text, StringPtr out);
// Characters of a script where they lie (valid until the next allocation).
struct atomchars {
  const u8* bytes = nullptr;
  Size length = 0;
};
// The atom's source text in `text`, bounded by the block.
inline atomchars atomsourcechars(const atom& a, Handle text) {
  if (text == nilhandle) return {};
  Size size = 0;
  const u8* p = derefsize(text, &size);
  if (size == 0 || a.offset >= u32(size)) return {};
  Size n = a.length;
  if (n > size - Size(a.offset)) n = size - Size(a.offset);
  return {p + a.offset, n};
}
// The characters atomtostring copies: the literal's (literalname) or the source text's, cut
// at 255. Read for every variable an atom names, so inline.
atomchars literalname(const atom& a);
inline atomchars atomname(const atom& a, Handle text) {
  if (a.literal != nilhandle) return literalname(a);
  atomchars t = atomsourcechars(a, text);
  if (t.length > 255) t.length = 255;
  return t;
}
i16 quotetonewh(const atom& a, Handle text, Handle* out);
// The characters between the quotes of a quoted literal, where they lie (valid until the next
// allocation); 58 when the literal has no closing quote.
i16 quotedchars(const atom& a, Handle text, atomchars* out);

// --- Building short strings ----------------------------------------------------------------
void appendstring(ConstStringPtr src, StringPtr dst);
StringPtr pstrcat(StringPtr dst, ConstStringPtr src);
void appendchar(u8 c, StringPtr dst);
i16 loctonewh(i16 h, i16 v, Handle* out);

// --- Coordinate texts ----------------------------------------------------------------------
// "left,top,right,bottom" (runs of commas count as one; the text is cut up in place). 1 when
// four numbers were read; otherwise 0 and a zero rectangle.
i16 textorect(char* text, Rect* r);
// "h,v"; 1, or 0 and a zero point.
i16 textopoint(char* text, Point* p);
// Moves the rectangle, keeping its size, so that it is centred on (h, v).
void loctorect(i16 h, i16 v, Rect* r);

// --- Comparing and classifying -------------------------------------------------------------
bool myequalstring(ConstStringPtr a, ConstStringPtr b);
bool equalchars(const u8* a, const u8* b, i32 n);
bool isalphachar(u8 c);
bool goodhint(const u32 (&want)[8], const u32 (&card)[8]);

// --- String lists ----------------------------------------------------------------------------
// Entry n of string list 1005 (program texts) and 1007 (texts of `the result`). Each routine
// answers its own buffer, valid until its next call.
StringPtr upstrsrc(i16 n);
StringPtr resultstr(i16 n);
// Puts entry n of list 1007 into `the result`; answers 0 (the status of a command that leaves a
// result text).
i16 setresulttext(i16 n);

// --- Ports -----------------------------------------------------------------------------------
// For an empty stored field text (at most 16 bytes: a zero run count and the 14-byte tail),
// sets the current port's font, size and face from the tail; a longer text changes nothing.
void fixtext(Handle fieldtext);

}  // namespace kv
