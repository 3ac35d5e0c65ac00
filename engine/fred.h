// Script values. Every value a script computes, passes, stores or returns is one `fred`: a
// number, a boolean, an up/down flag or a text. A text of at most 31 characters may live
// inside the value (type fredstring); longer texts, and texts made from handles, byte ranges,
// atoms and quoted literals, live in a handle (type fredhand).
//
// Ownership by class:
//   fredtemp     an owned temporary: disposfred releases its text handle.
//   fredworking  a working copy of a variable's stored value: it shares the variable's text
//                handle, and disposfred writes type, number and short text back into the
//                variable's record (held in the handle `link`) and hands the text handle over.
//   fredobject   stands for text an object holds (a field's text): it owns nothing.
//   freddisposed holds nothing; disposing it again is harmless.
//
// Statuses: 0 done, 37 out of memory, 58 unterminated quoted literal, 1 text that Mac Roman
// cannot hold. Every routine that allocates asks the memory guard first.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

#include "engine/atom.h"
#include "engine/hier.h"
#include "platform/types.h"

namespace kv {



enum : i16 { fredworking = 6, fredtemp = 7, fredobject = 8, freddisposed = 9 };
enum : i16 { fredlong = 0, freddouble = 1, fredbool = 2, fredupdown = 3, fredhand = 4, fredstring = 5 };

constexpr Size kFredShortMax = 31;

// The layout is the one externals see: 56 bytes, the real at offset 8.
struct fred {
  i16 cls;           // fredworking .. freddisposed
  i16 type;          // fredlong .. fredstring
  i32 integer;       // fredlong; for fredbool 1 true, 0 false; for fredupdown 0 up, 1 down
  double real;       // freddouble
  Handle text;       // the text of fredhand (its size is the length); may stay attached to
                     // a fredstring value for reuse, and is released with the value
  Handle link;       // fredworking: the variable's value handle; otherwise none
  u8 shorttext[32];  // fredstring: length byte and at most 31 characters
};
static_assert(sizeof(fred) == 56);
static_assert(offsetof(fred, real) == 8 && offsetof(fred, text) == 16 && offsetof(fred, link) == 20 &&
              offsetof(fred, shorttext) == 24);
static_assert(std::is_trivially_copyable_v<fred>);

// --- Life cycle ----------------------------------------------------------------------------
// Clears the value and sets class and type. Only fredtemp allocates: fredstring with size up
// to 31 sets the short length; a larger fredstring, and fredhand, get a handle of size bytes
// and become fredhand. 37 when that handle cannot be had (the value is then an empty short
// text).
i16 newfred(fred* v, i16 cls, i16 type, Size size);
// Ends a value: a temporary's text handle is released, a working copy writes back into its
// variable. Values that hold nothing to release end inline.
void disposfredwith(fred* v);
inline void disposfred(fred* v) {
  if (v->cls == fredworking || (v->cls == fredtemp && v->text != nilhandle)) {
    disposfredwith(v);
    return;
  }
  v->text = nilhandle;
  v->link = nilhandle;
  v->cls = freddisposed;
}
// Releases a value kept in a handle of its own: its text handle, then the handle.
void killfred(Handle h);
// Turns a value of another class into an owned temporary with its own copy of the text.
i16 copyfredwith(fred* v);
inline i16 copyfred(fred* v) { return v->cls == fredtemp ? i16(0) : copyfredwith(v); }
// Assigns src to dst; dst keeps its class and link.
i16 fredtofred(const fred* src, fred* dst);

// --- Setters (the value keeps its class and link) ------------------------------------------
void longtofred(i32 n, fred* v);
void doubletofred(double d, fred* v);
void booltofred(u16 flag, fred* v);
i16 stringtofred(ConstStringPtr s, fred* v);
i16 atomtofred(const atom& a, Handle text, fred* v);
// Takes over the handle (the caller no longer owns it).
void givehandtofred(Handle h, fred* v);
// A text of the operating system (UTF-8), converted to Mac Roman.
i16 CFStringtofred(std::string_view utf8, fred* v);

// --- Constructors: each makes a new owned temporary ------------------------------------------
void longtonewfred(i32 n, fred* v);
void doubletonewfred(double d, fred* v);
void booltonewfred(u16 flag, fred* v);
void fooltonewfred(u16 flag, fred* v);
i16 stringtonewfred(ConstStringPtr s, fred* v);
i16 handtonewfred(Handle h, fred* v);
i16 textonewfred(const char* s, fred* v);
i16 charstonewfred(const void* bytes, Size n, fred* v);
i16 atomtonewfred(const atom& a, Handle text, fred* v);
i16 quotetonewfred(const atom& a, Handle text, fred* v);
// A text that needs no handle: a new owned temporary holding the n bytes inline, when there are
// 1 to 31 of them and the last is not a zero byte (so that the value reads exactly as a handle
// of them would). The memory guard is asked as for that handle. 0; 37 when the guard refused
// (the value is then the empty text); 1 when the bytes cannot be held inline (nothing made).
i16 shorttonewfred(const void* bytes, Size n, fred* v);
// The four characters of a type code, first character first.
void restypetonewfred(OSType code, fred* v);
i16 CFStringtonewfred(std::string_view utf8, fred* v);
i16 listonewfred(Handle text, Handle atoms, i32 at, hierpath path, Handle variables, Handle locals, i32* count,
                 fred* v);
i16 loctonewfred(i16 h, i16 v, fred* value);
i16 doubloctonewfred(double x, double y, fred* v);
i16 rectonewfred(const Rect& r, fred* v);
i16 quadtonewfred(const Point (&pts)[4], fred* v);
// `polygon`: a polygon's data: u16 size in bytes, bounding rectangle, then the points.
i16 buildpts(Handle polygon, fred* v);

// --- Text operations -----------------------------------------------------------------------
// The text bytes: the handle's data for fredhand, else the short text's characters.
Ptr fredaddr(fred* v);
Size getfredsize(fred* v);
i16 setfredsize(fred* v, Size size);
i16 fredtohand(fred* v, Handle h);
i16 fredtonewh(fred* v, Handle* out);
i16 fredandhand(fred* v, Handle h);
i16 fredandfred(fred* first, fred* second);
void appendcharfred(fred* v, u8 c);
i16 tokenizefred(fred* v, Handle* atoms);
i16 hfs2posixfred(fred* v);
// Evaluates a comma-separated list of expressions from atom `at` into a new handle of texts
// joined by ','; *count is the number of atoms used.
i16 listonewh(Handle text, Handle atoms, i32 at, hierpath path, Handle variables, Handle locals, i32* count,
              Handle* out);

}  // namespace kv
