// Parses arbitrary bytes as number, boolean and format texts, and prints arbitrary reals under
// arbitrary formats: every text stays within its 255 characters and the parsers agree.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/numbers.h"
#include "engine/scripterrors.h"
#include "engine/variables.h"
#include "store/namekey.h"
#include "tests/fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  Str255 text;
  text[0] = u8(size > 255 ? 255 : size);
  if (text[0] > 0) std::memcpy(text + 1, data, text[0]);

  i16 form = stringisnumber(text);
  i32 n = 0;
  double d = 0;
  i16 longstatus = stringtolong(text, &n);
  i16 doublestatus = stringtodouble(text, &d);
  check(longstatus == 0 || longstatus == err::nointeger);
  check(longstatus != 0 || text[0] == 0 || form == integerform);
  check(doublestatus == 0 || doublestatus == err::nonumber || doublestatus == err::wentwrong);
  check((doublestatus == err::nonumber) == (text[0] != 0 && form == notnumber));
  if (longstatus == 0 && doublestatus == 0) check(double(n) == d);
  u16 flag = 0;
  stringtobool(text, &flag);
  u32 key = 0;
  getkey(text, &key);
  badname(text);

  NumberFormat f;
  if (parseformat(std::string_view(reinterpret_cast<const char*>(text + 1), text[0]), &f)) numberformat() = f;
  double real = 0;
  if (size >= 8) std::memcpy(&real, data, 8);
  Str255 out;
  for (i16 style : {floatdecimal, fixeddecimal}) {
    dbl2string(out, style, i16(size % 40), real);
    check(out[0] > 0);
  }
  formatdouble(real, out);
  formatlong(n, out);
  // A finite real printed with 15 digits reads back within its rounding.
  if (std::isfinite(real) && real != 0 && std::fabs(real) < 1e250 && std::fabs(real) > 1e-200) {
    doubletostring(real, out);
    double back = 0;
    if (stringtodouble(out, &back) == 0 && out[0] < 255) check(std::fabs(back - real) <= std::fabs(real) * 1e-14);
  }
  numberformat() = NumberFormat{};
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {" -42 ",
                         "2147483648",
                         ".5",
                         "1.2.3",
                         "0.00##",
                         "##0.00",
                         "true",
                         "000",
                         "123456789012345678901234567890",
                         "\x01\x02\x03\x04\x05\x06\xF0\x7F"};
  for (const char* s : seeds) out->emplace_back(s, s + std::strlen(s));
  return out->size();
}
