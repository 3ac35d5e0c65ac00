#include "engine/numbers.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/intl.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

struct NumberState {
  NumberFormat format;
  // The system's decimal separator, read on the first parse that needs it and kept.
  bool separatorread = false;
  u8 separator = '.';
};

NumberState& numberstate() { return state<NumberState>(); }

bool isdecimalpoint(u8 c) {
  if (c == '.') return true;
  NumberState& st = numberstate();
  if (!st.separatorread) {
    st.separator = intlsettings().decimalpoint;
    st.separatorread = true;
  }
  return c == st.separator;
}

bool isdigitchar(u8 c) { return c >= '0' && c <= '9'; }

void setstring(StringPtr out, std::string_view text) { pstrassign(out, 256, text.data(), text.size()); }

// The text with the blanks (spaces only) around it removed.
std::string_view trimblanks(std::string_view t) {
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  return t;
}

i16 numberform(std::string_view t) {
  t = trimblanks(t);
  if (!t.empty() && t.front() == '-') t.remove_prefix(1);
  if (t.empty()) return notnumber;
  int points = 0;
  for (char ch : t) {
    u8 c = u8(ch);
    if (isdigitchar(c)) continue;
    if (!isdecimalpoint(c)) return notnumber;
    if (++points > 1) return notnumber;
  }
  if (points == 1 && t.size() == 1) return notnumber;
  return points == 0 ? integerform : decimalform;
}

// A decimal expansion: digits without leading or trailing zeros ("0" for a value rounded to
// zero) and the power of ten of the last digit.
struct Decimal {
  bool negative = false;
  char digits[40] = {};
  int count = 0;
  int exponent = 0;
  bool toolong = false;  // the fixed form needs more digits than a decimal record holds
};

// The most digits a decimal expansion holds.
constexpr int maxdigits = 36;

void trimzeros(Decimal& dec) {
  while (dec.count > 1 && dec.digits[dec.count - 1] == '0') {
    --dec.count;
    ++dec.exponent;
  }
}

// `magnitude` rounded to `digits` significant digits.
Decimal floatingdecimal(double magnitude, int digits) {
  Decimal dec;
  digits = std::clamp(digits, 1, maxdigits);
  char buf[80];
  auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, digits - 1);
  // d.ddd...e±xx
  const char* p = buf;
  for (; p < r.ptr && *p != 'e'; ++p)
    if (isdigitchar(u8(*p))) dec.digits[dec.count++] = *p;
  int exp10 = 0;
  if (p < r.ptr) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, exp10);
  dec.exponent = exp10 - (dec.count - 1);
  trimzeros(dec);
  return dec;
}

// `magnitude` rounded to `digits` digits after the point.
Decimal fixeddecimalof(double magnitude, int digits) {
  Decimal dec;
  digits = std::clamp(digits, 0, maxdigits);
  // The largest double has 309 integer digits.
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, digits);
  bool leading = true;
  for (const char* p = buf; p < r.ptr; ++p) {
    if (!isdigitchar(u8(*p))) continue;
    if (leading && *p == '0') continue;
    leading = false;
    if (dec.count == maxdigits) {
      dec.toolong = true;
      return dec;
    }
    dec.digits[dec.count++] = *p;
  }
  dec.exponent = -digits;
  if (dec.count == 0) {
    dec.digits[dec.count++] = '0';
    dec.exponent = 0;
  }
  trimzeros(dec);
  return dec;
}

// The three-digit code a NaN carries in the 8 bits below its quiet bit.
int nancode(double d) { return int((std::bit_cast<u64>(d) >> 43) & 0xFF); }

}  // namespace

// --- Texts to numbers and booleans ---------------------------------------------------------

i16 stringisnumber(ConstStringPtr s) { return numberform(pstringview(s)); }

i16 stringtolong(ConstStringPtr s, i32* out) {
  if (s[0] == 0) {
    *out = 0;
    return 0;
  }
  std::string_view t = pstringview(s);
  if (numberform(t) != integerform) return err::nointeger;
  // 64 bits hold every running value, so the limit checks never overflow.
  i64 value = 0;
  bool negative = false;
  for (char ch : t) {
    if (ch == ' ') continue;
    if (ch == '-') {
      negative = true;
      continue;
    }
    if (value > 214748364) return err::nointeger;
    value = value * 10 + (ch - '0');
    if (value > 2147483647) return err::nointeger;
  }
  *out = i32(negative ? -value : value);
  return 0;
}

i16 stringtodouble(ConstStringPtr s, double* out) {
  *out = 0.0;
  if (s[0] == 0) return 0;
  std::string_view t = pstringview(s);
  if (numberform(t) == notnumber) return err::nonumber;
  t = trimblanks(t);
  std::string text(t);
  const u16 point = mainglobals().decimalpoint;
  for (char& ch : text) {
    // The system's separator counts as a decimal point wherever numbers are recognised.
    if (ch != '.' && (isdecimalpoint(u8(ch)) || (point != 0 && u8(ch) == point))) ch = '.';
  }
  double value = 0.0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large or too small: the nearest a double can hold.
    std::size_t intdigits = text.find('.');
    if (intdigits == std::string::npos) intdigits = text.size();
    bool negative = text.front() == '-';
    if (negative) --intdigits;
    value = intdigits > 300 ? HUGE_VAL : 0.0;
    *out = negative ? -value : value;
    return err::wentwrong;
  }
  *out = value;
  return 0;
}

i16 stringtobool(ConstStringPtr s, u16* out) {
  auto equals = [s](std::string_view word) {
    if (s[0] != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (lowertable[s[i + 1]] != u8(word[i])) return false;
    return true;
  };
  if (equals("true")) {
    *out = 1;
    return 0;
  }
  if (equals("false")) {
    *out = 0;
    return 0;
  }
  return err::noboolean;
}

i32 Sscanf(const char* text, const char* format, std::span<i32* const> out) {
  i32 count = 0;
  const u8* t = reinterpret_cast<const u8*>(text);
  for (const u8* f = reinterpret_cast<const u8*>(format); *f != 0; ++f) {
    if (*f < 33) {
      while (*t != 0 && *t < 33) ++t;
      continue;
    }
    if (*t == 0) return count;
    if (*f != '%') {
      if (*t != *f) return count;
      ++t;
      continue;
    }
    // A conversion: %d or %ld.
    if (f[1] == 'l' && f[2] == 'd') {
      f += 2;
    } else if (f[1] == 'd') {
      f += 1;
    } else {
      return -1;
    }
    // As strtol reads it: blanks, a sign, digits; the value saturates at the 32-bit limits.
    const u8* p = t;
    while (*p == ' ' || (*p >= 9 && *p <= 13)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!isdigitchar(*p)) return count;
    i64 value = 0;
    for (; isdigitchar(*p); ++p) value = std::min<i64>(value * 10 + (*p - '0'), i64(1) << 32);
    if (negative) value = -value;
    value = std::clamp<i64>(value, INT32_MIN, INT32_MAX);
    if (std::size_t(count) < out.size() && out[std::size_t(count)] != nullptr) *out[std::size_t(count)] = i32(value);
    ++count;
    t = p;
  }
  return count;
}

// --- Numbers and flags to text -------------------------------------------------------------

void dbl2string(StringPtr out, i16 style, i16 digits, double d) {
  if (d == 0) {
    setstring(out, "0");
    return;
  }
  if (std::isinf(d)) {
    setstring(out, d < 0 ? "-INF" : "INF");
    return;
  }
  if (std::isnan(d)) {
    char buf[16];
    int code = nancode(d);
    std::memcpy(buf, "NAN(", 4);
    buf[4] = char('0' + code / 100);
    buf[5] = char('0' + code / 10 % 10);
    buf[6] = char('0' + code % 10);
    buf[7] = ')';
    setstring(out, {buf, 8});
    return;
  }
  Decimal dec = style == fixeddecimal ? fixeddecimalof(std::fabs(d), digits) : floatingdecimal(std::fabs(d), digits);
  dec.negative = std::signbit(d);
  std::string text;
  if (dec.negative) text += '-';
  if (dec.toolong) {
    setstring(out, text + '?');
    return;
  }
  const int point = dec.count + dec.exponent;
  if (point < -253 || point > 255) {
    setstring(out, "Overflow");
    return;
  }
  std::string_view digitsview(dec.digits, std::size_t(dec.count));
  if (point <= 0) {
    text += "0.";
    text.append(std::size_t(-point), '0');
    text += digitsview;
  } else if (point >= dec.count) {
    text += digitsview;
    text.append(std::size_t(point - dec.count), '0');
  } else {
    text += digitsview.substr(0, std::size_t(point));
    text += '.';
    text += digitsview.substr(std::size_t(point));
  }
  // The digits carry no trailing zeros, so no fraction ends in '0'. The text may reach 292
  // characters (a far negative point position): it is clipped at 255.
  setstring(out, text);
}

void doubletostring(double d, StringPtr out) { dbl2string(out, floatdecimal, 15, d); }

void booltostring(u16 flag, StringPtr out) { setstring(out, flag != 0 ? "true" : "false"); }

void fooltostring(u16 flag, StringPtr out) { setstring(out, flag != 0 ? "down" : "up"); }

// --- Screen depth words --------------------------------------------------------------------

void modetostring(i16 mode, StringPtr out) {
  switch (mode) {
    case 1: setstring(out, "bw"); break;
    case 2: setstring(out, "4"); break;
    case 4: setstring(out, "16"); break;
    case 8: setstring(out, "256"); break;
    case 16: setstring(out, "thousands"); break;
    case 32: setstring(out, "millions"); break;
    default: break;
  }
}

i16 stringtomode(ConstStringPtr s, i16* mode) {
  switch (stringtotoken(s + 1, s[0])) {
    case tok::bw: *mode = 1; return 0;
    case tok::thousands: *mode = 16; return 0;
    case tok::millions: *mode = 32; return 0;
    case tok::unknown: break;
    default: return err::cantunderstand;
  }
  i32 n = 0;
  if (s[0] == 0 || stringtolong(s, &n) != 0) return err::cantunderstand;
  switch (n) {
    case 4: *mode = 2; return 0;
    case 16: *mode = 4; return 0;
    case 256: *mode = 8; return 0;
    default: return err::cantunderstand;
  }
}

// --- The number format ---------------------------------------------------------------------

NumberFormat& numberformat() { return numberstate().format; }

bool parseformat(std::string_view text, NumberFormat* f) {
  if (text.empty()) return false;
  NumberFormat parsed{0, 0, 0, 0};
  bool poundafterpoint = false;
  for (char c : text) {
    switch (c) {
      case '.':
        if (parsed.formdeci != 0) return false;
        parsed.formdeci = 1;
        break;
      case '0':
        if (parsed.formdeci == 0) {
          ++parsed.formlead;
        } else {
          if (poundafterpoint) return false;
          ++parsed.formtrail;
        }
        break;
      case '#':
        if (parsed.formdeci != 0) {
          poundafterpoint = true;
          ++parsed.formpound;
        }
        break;
      default: return false;
    }
  }
  *f = parsed;
  return true;
}

namespace {

// Lays a printed number (an optional '-', digits, an optional '.' and fraction digits) out
// under the format.
void applyformat(std::string_view printed, const NumberFormat& f, StringPtr out) {
  std::string text;
  if (!printed.empty() && printed.front() == '-') {
    text += '-';
    printed.remove_prefix(1);
  }
  // INF, NAN(...) and Overflow are no digits to lay out: they keep their own text.
  if (printed.empty() || !(isdigitchar(u8(printed.front())) || printed.front() == '.')) {
    setstring(out, text.append(printed));
    return;
  }
  std::size_t dot = printed.find('.');
  std::string_view intpart = printed.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? std::string_view() : printed.substr(dot + 1);
  while (intpart.size() > 1 && intpart.front() == '0') intpart.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);

  // Each piece is limited to what can still show within 255 characters.
  constexpr std::size_t limit = 255;
  if (f.formlead > 0 && std::size_t(f.formlead) > intpart.size())
    text.append(std::min(limit, std::size_t(f.formlead) - intpart.size()), '0');
  text += intpart;
  if (f.formdeci != 0 && (f.formtrail != 0 || (f.formpound != 0 && !fraction.empty()))) text += '.';
  for (i16 i = 0; i < f.formtrail && text.size() <= limit; ++i) {
    if (fraction.empty()) {
      text += '0';
    } else {
      text += fraction.front();
      fraction.remove_prefix(1);
    }
  }
  for (i16 i = 0; i < f.formpound && !fraction.empty(); ++i) {
    text += fraction.front();
    fraction.remove_prefix(1);
  }
  setstring(out, text);
}

}  // namespace

void formatlong(i32 n, StringPtr out) {
  Str255 printed;
  NumToString(n, printed);
  applyformat(pstringview(printed), numberformat(), out);
}

void formatdouble(double d, StringPtr out) {
  const NumberFormat& f = numberformat();
  Str255 printed;
  int digits = std::max<int>(0, f.formtrail) + std::max<int>(0, f.formpound);
  dbl2string(printed, fixeddecimal, i16(std::min(digits, 15)), d);
  if (printed[0] > 0 && printed[printed[0]] == '?') dbl2string(printed, floatdecimal, 15, d);
  applyformat(pstringview(printed), f, out);
}

}  // namespace kv
