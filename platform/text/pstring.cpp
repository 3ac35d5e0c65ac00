#include "platform/text/pstring.h"

#include <cstring>

namespace kv {

namespace {
std::size_t room(std::size_t capacity) {
  if (capacity == 0) return 0;
  return capacity - 1 > 255 ? 255 : capacity - 1;
}
}  // namespace

std::size_t pstrassign(StringPtr dst, std::size_t capacity, const void* bytes, std::size_t n) {
  if (capacity == 0) return 0;
  std::size_t len = n < room(capacity) ? n : room(capacity);
  if (len > 0) std::memmove(dst + 1, bytes, len);
  dst[0] = u8(len);
  return len;
}

std::size_t pstrappend(StringPtr dst, std::size_t capacity, const void* bytes, std::size_t n) {
  if (capacity == 0) return 0;
  std::size_t have = dst[0];
  std::size_t max = room(capacity);
  if (have >= max) return 0;
  std::size_t add = n < max - have ? n : max - have;
  if (add > 0) std::memmove(dst + 1 + have, bytes, add);
  dst[0] = u8(have + add);
  return add;
}

void NumToString(i32 n, StringPtr out) {
  char digits[12];
  int count = 0;
  // Work on the magnitude as unsigned so that the most negative value needs no special case.
  u32 m = n < 0 ? 0u - u32(n) : u32(n);
  do {
    digits[count++] = char('0' + m % 10);
    m /= 10;
  } while (m != 0);
  u8 len = 0;
  if (n < 0) out[++len] = '-';
  while (count > 0) out[++len] = u8(digits[--count]);
  out[0] = len;
}

}  // namespace kv
