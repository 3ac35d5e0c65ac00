// Numbers as text: which texts are numbers and booleans, how they are parsed, how reals are
// printed, and the number format (`numberFormat`) that decides how script values print.
//
// Texts are length-prefixed Mac Roman strings. Nothing here depends on the C library's locale:
// the decimal separator comes from the international settings, and conversions are exact
// (std::from_chars / std::to_chars).
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "engine/status.h"
#include "platform/types.h"

namespace kv {

// --- Texts to numbers and booleans -------------------------------------------------------
// The forms of number text answered by stringisnumber.
enum : i16 { notnumber = 0, integerform = 1, decimalform = 2 };

// notnumber, integerform or decimalform. Blanks (spaces only) around the number are allowed;
// one leading '-'; digits with at most one decimal point ('.' or the system's separator). No
// '+', exponent, thousands separator or inner blank. The empty text is no number.
i16 stringisnumber(ConstStringPtr s);
// The empty text gives 0. Otherwise the integer form within -2147483647..2147483647, else 13.
i16 stringtolong(ConstStringPtr s, i32* out);
// The empty text gives 0.0. A text that is no number gives 0.0 and 12; 1 when the number is
// out of a double's range (the converted value is stored all the same).
i16 stringtodouble(ConstStringPtr s, double* out);
// Exactly "true" (1) or "false" (0), letters in any case; anything else, blanks included, 15.
i16 stringtobool(ConstStringPtr s, u16* out);

// A small scanner over a zero-terminated text. In the format, a character below 33 skips any
// run of characters below 33 in the text; "%d" and "%ld" read a decimal number into the next
// out pointer; any other character must match the text. Answers the count of numbers read,
// stopping at the first mismatch or at the end of the text; -1 for any other conversion.
i32 Sscanf(const char* text, const char* format, std::span<i32* const> out);
inline i32 Sscanf(const char* text, const char* format, std::initializer_list<i32*> out) {
  return Sscanf(text, format, std::span<i32* const>(out.begin(), out.size()));
}

// --- Numbers and flags to text ------------------------------------------------------------
enum : i16 {
  floatdecimal = 0,  // dbl2string: `digits` significant digits
  fixeddecimal = 1,  // dbl2string: `digits` digits after the decimal point
};

// The decimal text of a real, correctly rounded: "0" for zero; "INF", "-INF"; "NAN(ccc)"
// with the three-digit code of a NaN; "Overflow" when the decimal point would lie more than
// 255 places left or 253 places right of the text's start; in the fixed style a text ending
// in '?' when the number needs more than 36 digits. No exponent, trailing fraction zeros
// dropped, clipped at 255 characters.
void dbl2string(StringPtr out, i16 style, i16 digits, double d);
// The real with 15 significant digits.
void doubletostring(double d, StringPtr out);
// "true" or "false".
void booltostring(u16 flag, StringPtr out);
// "down" for non-zero, "up" for zero.
void fooltostring(u16 flag, StringPtr out);

// --- Screen depth words --------------------------------------------------------------------
// The word of a pixel depth: 1 "bw", 2 "4", 4 "16", 8 "256", 16 "thousands", 32 "millions";
// any other depth leaves `out` untouched.
void modetostring(i16 mode, StringPtr out);
// The depth of a word: bw 1, thousands 16, millions 32; the numbers 4, 16 and 256 give 2, 4
// and 8; anything else gives 2 (err::cantunderstand).
i16 stringtomode(ConstStringPtr s, i16* mode);

// --- The number format ----------------------------------------------------------------------
struct NumberFormat {
  i16 formlead = 1;   // least digits before the point (padded with zeros)
  i16 formdeci = 1;   // the format has a decimal point
  i16 formtrail = 0;  // fraction digits always shown (padded with zeros)
  i16 formpound = 6;  // further fraction digits shown when they are not zero
};

inline constexpr std::string_view defaultnumberformat = "0.######";

// The settings in force (the defaults until a format is decoded).
NumberFormat& numberformat();

// Parses a format text: '0' before the point counts a lead digit, after it a trailing digit;
// '#' after the point counts an optional digit ('#' before it counts nothing); one '.'. False
// (and `f` untouched) when the text is empty, has another character, a second point, or a '0'
// after a fraction '#'.
bool parseformat(std::string_view text, NumberFormat* f);

// An integer, or a real, printed under the format in force: at most 255 characters.
void formatlong(i32 n, StringPtr out);
void formatdouble(double d, StringPtr out);

}  // namespace kv
