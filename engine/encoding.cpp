#include "engine/encoding.h"

#include <array>

#include "platform/memory/memory.h"

namespace kv {

// constexpr, so that the reverse table below is built at compile time by every compiler.
constexpr char six2pr[65] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {

constexpr u8 notbase64 = 64;
constexpr char hexdigits[] = "0123456789ABCDEF";

// Every byte maps to 64 except the alphabet's characters, which map to their values.
constexpr std::array<u8, 256> pr2six = [] {
  std::array<u8, 256> t{};
  for (u8& v : t) v = notbase64;
  for (int i = 0; i < 64; ++i) t[u8(six2pr[i])] = u8(i);
  return t;
}();

bool isunreserved(u8 c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

// The value of a hexadecimal digit, or -1.
int hexvalue(u8 c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

i32 HTUU_encode(const u8* in, i32 count, u8* out) {
  i32 n = 0;
  i32 i = 0;
  for (; i + 3 <= count; i += 3) {
    const u32 group = u32(in[i]) << 16 | u32(in[i + 1]) << 8 | in[i + 2];
    out[n++] = u8(six2pr[group >> 18 & 63]);
    out[n++] = u8(six2pr[group >> 12 & 63]);
    out[n++] = u8(six2pr[group >> 6 & 63]);
    out[n++] = u8(six2pr[group & 63]);
  }
  if (const i32 left = count - i; left > 0) {
    // Encoded as if zero bytes followed; the characters that stand for them become '='.
    const u32 group = u32(in[i]) << 16 | (left == 2 ? u32(in[i + 1]) << 8 : 0u);
    out[n++] = u8(six2pr[group >> 18 & 63]);
    out[n++] = u8(six2pr[group >> 12 & 63]);
    out[n++] = left == 2 ? u8(six2pr[group >> 6 & 63]) : u8('=');
    out[n++] = '=';
  }
  out[n] = 0;
  return n;
}

i32 HTUU_decode(const u8* text, u8* out, i32 capacity) {
  while (*text == ' ' || *text == '\t') ++text;
  i32 chars = 0;
  while (pr2six[text[chars]] != notbase64) ++chars;

  i32 n = 0;
  auto put = [&](u32 byte) {
    if (n < capacity) out[n++] = u8(byte);
  };
  i32 i = 0;
  for (; i + 4 <= chars; i += 4) {
    const u32 group = u32(pr2six[text[i]]) << 18 | u32(pr2six[text[i + 1]]) << 12 | u32(pr2six[text[i + 2]]) << 6 |
                      pr2six[text[i + 3]];
    put(group >> 16);
    put(group >> 8 & 0xFF);
    put(group & 0xFF);
  }
  // Two characters carry one byte, three carry two; a lone character carries no whole byte.
  if (const i32 left = chars - i; left >= 2) {
    const u32 group = u32(pr2six[text[i]]) << 18 | u32(pr2six[text[i + 1]]) << 12 |
                      (left == 3 ? u32(pr2six[text[i + 2]]) << 6 : 0u);
    put(group >> 16);
    if (left == 3) put(group >> 8 & 0xFF);
  }
  return n;
}

i32 URLEncode(Handle in, Handle out) {
  if (out == nilhandle) return -1;
  const Size count = in == nilhandle ? 0 : GetHandleSize(in);
  if (count <= 0) return 0;
  if (count > 0x7FFFFFFF / 3) return -1;
  if (GetHandleSize(out) < count * 3) {
    SetHandleSize(out, count * 3);
    if (MemError() != noErr) return -1;
  }
  const u8* src = deref(in);
  u8* dst = deref(out);
  i32 n = 0;
  for (Size i = 0; i < count; ++i) {
    const u8 c = src[i];
    if (isunreserved(c)) {
      dst[n++] = c;
    } else if (c == ' ') {
      dst[n++] = '+';
    } else {
      dst[n++] = '%';
      dst[n++] = u8(hexdigits[c >> 4]);
      dst[n++] = u8(hexdigits[c & 15]);
    }
  }
  return n;
}

u8* URLDecode(u8* text) {
  for (u8* p = text; *p != 0; ++p)
    if (*p == '+') *p = ' ';
  u8* dst = text;
  for (const u8* src = text; *src != 0;) {
    if (*src != '%') {
      *dst++ = *src++;
      continue;
    }
    const int high = hexvalue(src[1]);
    const int low = high < 0 ? -1 : hexvalue(src[2]);
    if (low < 0) {
      ++src;  // a '%' without two digits is dropped; what follows stays
      continue;
    }
    *dst++ = u8(high << 4 | low);
    src += 3;
  }
  *dst = 0;
  return dst;
}

}  // namespace kv
