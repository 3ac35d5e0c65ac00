#include "engine/textutil.h"

#include <cstring>

#include "engine/fred.h"
#include "engine/status.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

// The buffers the string-list fetchers answer.
struct TextUtilState {
  Str255 upstr{};
  Str255 resultstr{};
};

// A new handle holding n bytes copied from `bytes` (guarded).
i16 newtexthandle(const void* bytes, Size n, Handle* out) {
  *out = nilhandle;
  if (memoryrefused(n)) return err::nomemory;
  Handle h = NewHandle(n);
  if (h == nilhandle) return err::nomemory;
  if (n > 0) std::memcpy(deref(h), bytes, size_t(n));
  *out = h;
  return 0;
}

Size sizeornone(Handle h) { return h == nilhandle ? 0 : GetHandleSize(h); }

// The characters of a handle that holds a short string: the count from its length byte,
// bounded by the bytes the handle really has.
Size stringhandlength(Handle sh) {
  Size size = sizeornone(sh);
  if (size <= 1) return 0;
  Size n = deref(sh)[0];
  return n < size - 1 ? n : size - 1;
}

// The text an atom stands for: its literal when it carries one, else its source text, both
// bounded by the blocks that hold them; where the bytes lie (valid until the next allocation).
using AtomText = atomchars;
AtomText atomsource(const atom& a, Handle text) { return atomsourcechars(a, text); }
AtomText atomliteral(const atom& a) {
  AtomText t;
  Size n = stringhandlength(a.literal);
  if (a.literal == nilhandle || GetHandleSize(a.literal) < 1) return t;
  t.bytes = deref(a.literal) + 1;
  t.length = n;
  return t;
}

// A decimal number as atoi reads it: leading blanks, an optional sign, digits; anything
// after them is ignored. Values beyond 32 bits are held at the 32-bit limits.
i32 readint(const char* s) {
  while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
  bool negative = false;
  if (*s == '-' || *s == '+') negative = *s++ == '-';
  i64 n = 0;
  while (*s >= '0' && *s <= '9') {
    if (n < 0x80000000LL) n = n * 10 + (*s - '0');
    ++s;
  }
  if (negative) n = -n;
  if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
  if (n < -0x7FFFFFFF - 1) n = -0x7FFFFFFF - 1;
  return i32(n);
}

// Splits a zero-terminated text at commas in place (runs of commas count as one) and reads
// up to `want` numbers. Answers how many fields there were.
int readfields(char* text, i32* out, int want) {
  int count = 0;
  char* p = text;
  while (*p != 0) {
    while (*p == ',') *p++ = 0;
    if (*p == 0) break;
    char* field = p;
    while (*p != 0 && *p != ',') ++p;
    if (*p == ',') *p++ = 0;
    if (count < want) out[count] = readint(field);
    ++count;
  }
  return count;
}

}  // namespace

// --- From a short string -------------------------------------------------------------------

void stringtostring(ConstStringPtr src, StringPtr dst) { std::memmove(dst, src, size_t(src[0]) + 1); }

StringPtr pstrcpy(StringPtr dst, ConstStringPtr src) {
  stringtostring(src, dst);
  return dst;
}

i16 stringtohand(ConstStringPtr s, Handle h) {
  if (h == nilhandle) return err::wentwrong;
  Str255 copy;  // s may lie inside h
  stringtostring(s, copy);
  if (memoryrefused(copy[0])) return err::nomemory;
  SetHandleSize(h, copy[0]);
  if (MemError() != noErr) return err::nomemory;
  std::memcpy(deref(h), copy + 1, copy[0]);
  return 0;
}

i16 stringandhand(ConstStringPtr s, Handle h) {
  if (h == nilhandle) return err::wentwrong;
  if (s[0] == 0) return 0;
  Str255 copy;
  stringtostring(s, copy);
  if (memoryrefused(copy[0])) return err::nomemory;
  return PtrAndHand(copy + 1, h, copy[0]) == noErr ? 0 : err::nomemory;
}

i16 stringtonewh(ConstStringPtr s, Handle* out) { return newtexthandle(s + 1, s[0], out); }

i16 stringtonewstoph(ConstStringPtr s, Handle* out) {
  u8 buf[257];
  std::memcpy(buf, s + 1, s[0]);
  buf[s[0]] = 13;
  buf[s[0] + 1] = 0;
  return newtexthandle(buf, Size(s[0]) + 2, out);
}

i16 stringtonewstringh(ConstStringPtr s, Handle* out) { return newtexthandle(s, Size(s[0]) + 1, out); }

void longtostring(i32 n, StringPtr out) { NumToString(n, out); }

// --- From a handle -------------------------------------------------------------------------

void handtostring(Handle h, StringPtr out) {
  out[0] = 0;
  Size n = sizeornone(h);
  if (n == 0) return;
  if (n > 255) n = 255;
  const u8* p = deref(h);
  while (n > 0 && p[n - 1] == 0) --n;
  std::memcpy(out + 1, p, size_t(n));
  out[0] = u8(n);
}

i16 handtohand(Handle src, Handle dst) {
  if (dst == nilhandle) return err::wentwrong;
  Size n = sizeornone(src);
  if (memoryrefused(n)) return err::nomemory;
  SetHandleSize(dst, n);
  if (MemError() != noErr) return err::nomemory;
  if (n > 0 && src != dst) std::memmove(deref(dst), deref(src), size_t(n));
  return 0;
}

i16 handtonewh(Handle src, Handle* out) {
  Size n = sizeornone(src);
  return newtexthandle(n > 0 ? deref(src) : nullptr, n, out);
}

i16 handtonewstringh(Handle h, Handle* out) {
  // A length byte holds at most 255: a longer text is cut there.
  u8 buf[256];
  Size n = sizeornone(h);
  if (n > 255) n = 255;
  buf[0] = u8(n);
  if (n > 0) std::memcpy(buf + 1, deref(h), size_t(n));
  return newtexthandle(buf, n + 1, out);
}

i16 stringhandtohand(Handle sh, Handle dst) {
  if (dst == nilhandle) return err::wentwrong;
  u8 buf[256];
  Size n = stringhandlength(sh);
  if (n > 0) std::memcpy(buf, deref(sh) + 1, size_t(n));
  if (memoryrefused(n)) return err::nomemory;
  SetHandleSize(dst, n);
  if (MemError() != noErr) return err::nomemory;
  if (n > 0) std::memcpy(deref(dst), buf, size_t(n));
  return 0;
}

i16 stringhandtonewh(Handle sh, Handle* out) {
  Size size = sizeornone(sh);
  if (size <= 1) return newtexthandle(nullptr, 0, out);
  return newtexthandle(deref(sh) + 1, size - 1, out);
}

i16 stringHandAndHand(Handle sh, Handle dst) {
  u8 buf[256];
  Size n = stringhandlength(sh);
  if (n == 0) return 0;
  std::memcpy(buf, deref(sh) + 1, size_t(n));
  return PtrAndHand(buf, dst, n) == noErr ? 0 : err::nomemory;
}

i16 appendcharhand(Handle h, u8 c) {
  Size size = GetHandleSize(h);
  if (MemError() != noErr) return err::nomemory;
  if (memoryrefused(size + 16)) return err::nomemory;
  SetHandleSize(h, size + 1);
  if (MemError() != noErr) return err::nomemory;
  deref(h)[size] = c;
  return 0;
}

i16 handtofred(Handle h, fred* v) {
  Size n = sizeornone(h);
  if (memoryrefused(n)) return err::nomemory;
  if (n <= kFredShortMax) {
    v->shorttext[0] = u8(n);
    if (n > 0) std::memcpy(v->shorttext + 1, deref(h), size_t(n));
    v->type = fredstring;
    return 0;
  }
  if (v->text == nilhandle) {
    i16 st = newtexthandle(deref(h), n, &v->text);
    if (st != 0) return st;
  } else if (v->text != h) {
    SetHandleSize(v->text, n);
    if (MemError() != noErr) return err::nomemory;
    std::memcpy(deref(v->text), deref(h), size_t(n));
  }
  v->type = fredhand;
  return 0;
}

// --- From atoms ----------------------------------------------------------------------------

i16 atomtonewh(const atom& a, Handle text, Handle* out) {
  AtomText t = a.literal != nilhandle ? atomliteral(a) : atomsource(a, text);
  return newtexthandle(t.bytes, t.length, out);
}

void atomtostring(const atom& a, Handle text, StringPtr out) {
  atomchars t = atomname(a, text);
  if (t.length > 0) std::memmove(out + 1, t.bytes, size_t(t.length));
  out[0] = u8(t.length);
}

atomchars literalname(const atom& a) {
  AtomText t = atomliteral(a);
  return {t.bytes, t.length > 255 ? 255 : t.length};
}

i16 quotetonewh(const atom& a, Handle text, Handle* out) {
  *out = nilhandle;
  atomchars t{};
  if (i16 st = quotedchars(a, text, &t); st != 0) return st;
  return newtexthandle(t.bytes, t.length, out);
}

i16 quotedchars(const atom& a, Handle text, atomchars* out) {
  AtomText t = atomsource(a, text);
  if (t.length < 2 || t.bytes[t.length - 1] != '"') return err::noclosingquote;
  *out = {t.bytes + 1, t.length - 2};
  return 0;
}

// --- Building short strings ----------------------------------------------------------------

void appendstring(ConstStringPtr src, StringPtr dst) { pstrappend(dst, 256, src + 1, src[0]); }

StringPtr pstrcat(StringPtr dst, ConstStringPtr src) {
  appendstring(src, dst);
  return dst;
}

void appendchar(u8 c, StringPtr dst) {
  if (dst[0] < 255) dst[++dst[0]] = c;
}

i16 loctonewh(i16 h, i16 v, Handle* out) {
  Str255 s, num;
  NumToString(h, s);
  appendchar(',', s);
  NumToString(v, num);
  appendstring(num, s);
  return newtexthandle(s + 1, s[0], out);
}

// --- Coordinate texts ----------------------------------------------------------------------

i16 textorect(char* text, Rect* r) {
  *r = Rect{0, 0, 0, 0};
  if (std::strlen(text) < 7) return 0;
  i32 f[4];
  if (readfields(text, f, 4) < 4) return 0;
  r->left = i16(f[0]);
  r->top = i16(f[1]);
  r->right = i16(f[2]);
  r->bottom = i16(f[3]);
  return 1;
}

i16 textopoint(char* text, Point* p) {
  *p = Point{0, 0};
  if (std::strlen(text) < 3) return 0;
  i32 f[2];
  if (readfields(text, f, 2) < 2) return 0;
  p->h = i16(f[0]);
  p->v = i16(f[1]);
  return 1;
}

void loctorect(i16 h, i16 v, Rect* r) {
  i32 width = i32(r->right) - r->left;
  i32 height = i32(r->bottom) - r->top;
  i32 left = h - (width >> 1);
  i32 top = v - (height >> 1);
  r->left = i16(left);
  r->top = i16(top);
  r->right = i16(left + width);
  r->bottom = i16(top + height);
}

// --- Comparing and classifying -------------------------------------------------------------

bool myequalstring(ConstStringPtr a, ConstStringPtr b) { return a[0] == b[0] && equalnocase(a + 1, b + 1, a[0]); }

bool equalchars(const u8* a, const u8* b, i32 n) { return n <= 0 || equalnocase(a, b, size_t(n)); }

bool isalphachar(u8 c) { return tokentable[c] == chletter; }

bool goodhint(const u32 (&want)[8], const u32 (&card)[8]) {
  for (int i = 0; i < 8; ++i)
    if ((want[i] & card[i]) != want[i]) return false;
  return true;
}

// --- String lists ----------------------------------------------------------------------------

StringPtr upstrsrc(i16 n) {
  StringPtr s = state<TextUtilState>().upstr;
  s[0] = 0;
  GetIndString(s, 1005, n);
  return s;
}

StringPtr resultstr(i16 n) {
  StringPtr s = state<TextUtilState>().resultstr;
  s[0] = 0;
  GetIndString(s, 1007, n);
  return s;
}

i16 setresulttext(i16 n) {
  Handle r = mainglobals().result;
  if (r != nilhandle) stringtohand(resultstr(n), r);
  return 0;
}

void fixtext(Handle fieldtext) {
  Size n = GetHandleSize(fieldtext);
  if (fieldtext == nilhandle || n > kEmptyFieldTextSize) return;
  fieldtail tail = fieldtextail(deref(fieldtext), n);
  TextFont(i16(tail.font));
  TextSize(i16(tail.size));
  TextFace(Style(tail.face));
}

}  // namespace kv
