// Conversions of script values and text handles between their number, boolean and text forms,
// and the global number format (`numberFormat`) they print numbers with.
//
// Several conversions change the value in place, so that a later use finds it converted: a
// number asked for as text becomes that text; a text read as a number becomes that number
// (its text handle stays attached for reuse). A conversion that fails leaves the value as it
// was. Statuses: 0 done, 12 not a number, 13 not an integer, 15 not true or false, 37 out of
// memory, 1 as noted.
#pragma once

#include "engine/atom.h"
#include "engine/numbers.h"
#include "platform/types.h"

namespace kv {

struct fred;

// --- Values to numbers, booleans and text --------------------------------------------------
// An integer (a real truncated toward zero, a text in the integer form); the value becomes
// that integer. Booleans, up/down, decimal texts and numbers beyond 32 bits give 13.
i16 fredtolong(fred* v, i32* out);
// A real (an integer widened, a text parsed); the value becomes that real. Booleans and
// up/down give 0.0 and 12; a text answers stringtodouble's status.
i16 fredtodouble(fred* v, double* out);
// A boolean's flag; any other value is first turned into text in place and must then be
// "true" or "false" (any case), else 15.
i16 fredtobool(fred* v, u16* out);
// Converts the value in place to text (formatfred to a short text) and copies at most 255
// bytes, trailing zero bytes dropped. A handle text without a handle is the empty text.
void fredtostring(fred* v, StringPtr out);
// The text of a value without the number format and without changing it: integers in
// decimal, reals with 15 significant digits, booleans and up/down as their words, texts as
// fredtostring copies them.
void fredtotext(const fred* v, StringPtr out);
// Converts the value in place to text of the wanted type (fredhand or fredstring): numbers
// through the number format (inline when under 32 characters, else in the value's handle),
// booleans "true"/"false", up/down "up"/"down"; for fredhand a short text moves into the
// handle; for fredstring a handle text of at most 31 bytes moves inline (trailing zero bytes
// dropped; the handle stays attached). 0, or 37 when the handle cannot be had: the value then
// keeps its previous form.
i16 formatfred(fred* v, i16 type);

// --- Handles to numbers and booleans ---------------------------------------------------------
// As stringtolong, stringtodouble and stringtobool on the handle's text (at most 255 bytes,
// trailing zero bytes dropped; none is the empty text).
i16 handtolong(Handle h, i32* out);
i16 handtodouble(Handle h, double* out);
i16 handtobool(Handle h, u16* out);
// 1 when the handle's text (as above) equals the string, letters A-Z in any case; else 0.
i16 equalhand(Handle h, ConstStringPtr s);

// --- Numbers and flags to handles -------------------------------------------------------------
// A new handle with "true"/"false", the integer in decimal, or the real with 15 significant
// digits; 37 (out none) when the memory cannot be had.
i16 booltonewh(u16 flag, Handle* out);
i16 longtonewh(i32 n, Handle* out);
i16 doubletonewh(double d, Handle* out);
// The same text into an existing handle, resized; 1 when h is none, 37 on memory failure.
i16 booltohand(u16 flag, Handle h);
i16 longtohand(i32 n, Handle h);
i16 doubletohand(double d, Handle h);

// --- The number format ----------------------------------------------------------------------
// At start-up: the format text "0.######" (kept as it was when memory is refused) and the
// default settings.
void initformat();
// Parses the format text (set by the `numberFormat` property) into the settings. A text that
// is no format returns silently to "0.######" and the defaults.
void decodeformat();

}  // namespace kv
