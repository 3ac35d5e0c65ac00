// Script values: life cycle, setters and constructors.
#include "engine/fred.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/fredinternal.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/memoryguard.h"

namespace kv {

using namespace fredinternal;

// --- Internal helpers ----------------------------------------------------------------------

fred* fredinternal::storedrecord(const fred* v) {
  if (v->link == nilhandle) return nullptr;
  Size size = 0;
  Ptr p = derefsize(v->link, &size);
  return size < Size(sizeof(fred)) ? nullptr : reinterpret_cast<fred*>(p);
}

void fredinternal::releasetext(fred* v) {
  if (v->text == nilhandle) return;
  if (v->cls == fredobject) return;
  if (v->cls == fredworking) {
    if (fred* stored = storedrecord(v); stored != nullptr && stored->text == v->text) stored->text = nilhandle;
  }
  DisposeHandle(v->text);
  v->text = nilhandle;
}

i16 fredinternal::replacetext(fred* v, Handle h) {
  if (h == v->text) return 0;
  if (v->cls == fredobject && v->text != nilhandle) {
    i16 st = handtohand(h, v->text);
    DisposeHandle(h);
    return st;
  }
  releasetext(v);
  v->text = h;
  return 0;
}

i16 fredinternal::settext(fred* v, const void* bytes, Size n, bool inlineok) {
  if (inlineok && n <= kFredShortMax) {
    pstrassign(v->shorttext, sizeof v->shorttext, bytes, size_t(n));
    v->type = fredstring;
    return 0;
  }
  if (memoryrefused(n)) return err::nomemory;
  if (v->text == nilhandle) {
    Handle h = NewHandle(n);
    if (h == nilhandle) return err::nomemory;
    if (n > 0) std::memcpy(deref(h), bytes, size_t(n));
    v->text = h;
  } else {
    // The bytes may lie in the value's own handle, which moves when it is resized.
    std::vector<u8> copy;
    const u8* from = static_cast<const u8*>(bytes);
    auto at = reinterpret_cast<std::uintptr_t>(from);
    auto base = reinterpret_cast<std::uintptr_t>(deref(v->text));
    if (n > 0 && at >= base && at < base + std::uintptr_t(GetHandleSize(v->text))) {
      copy.assign(from, from + n);
      from = copy.data();
    }
    SetHandleSize(v->text, n);
    if (MemError() != noErr) return err::nomemory;
    if (n > 0) std::memmove(deref(v->text), from, size_t(n));
  }
  v->type = fredhand;
  return 0;
}

void fredinternal::newempty(fred* v) {
  *v = fred{};
  v->cls = fredtemp;
  v->type = fredstring;
}

namespace {

// Starts a constructor: a cleared owned temporary of the type.
void start(fred* v, i16 type) {
  *v = fred{};
  v->cls = fredtemp;
  v->type = type;
}

// Ends a constructor that makes a handle text from a routine answering a new handle.
i16 finishhand(fred* v, i16 st, Handle h) {
  if (st != 0) {
    newempty(v);
    return st;
  }
  start(v, fredhand);
  v->text = h;
  return 0;
}

// A text that may be long: inline when at most 31 characters, else in a new handle.
i16 newtext(fred* v, const void* bytes, Size n) {
  start(v, fredstring);
  i16 st = settext(v, bytes, n, true);
  if (st != 0) newempty(v);
  return st;
}

}  // namespace

// --- Life cycle ----------------------------------------------------------------------------

i16 newfred(fred* v, i16 cls, i16 type, Size size) {
  *v = fred{};
  v->cls = cls;
  v->type = type;
  if (cls != fredtemp) return 0;
  if (size < 0) size = 0;
  if (type == fredstring && size <= kFredShortMax) {
    v->shorttext[0] = u8(size);
    return 0;
  }
  if (type != fredstring && type != fredhand) return 0;
  v->type = fredstring;
  if (memoryrefused(size)) return err::nomemory;
  v->text = NewHandle(size);
  if (v->text == nilhandle) return err::nomemory;
  v->type = fredhand;
  return 0;
}

void disposfredwith(fred* v) {
  // The variable's stored record itself is never disposed through this routine: its handle
  // is released with the variable.
  if (v->cls == fredworking && storedrecord(v) == v) return;
  switch (v->cls) {
    case fredworking:
      if (fred* stored = storedrecord(v); stored != nullptr) {
        stored->type = v->type;
        stored->integer = v->integer;
        stored->real = v->real;
        if (v->type == fredstring) std::memcpy(stored->shorttext, v->shorttext, sizeof stored->shorttext);
        if (stored->text != v->text) {
          if (stored->text != nilhandle) DisposeHandle(stored->text);
          stored->text = v->text;
        }
      }
      break;
    case fredtemp:
      if (v->text != nilhandle) DisposeHandle(v->text);
      break;
    default: break;
  }
  v->text = nilhandle;
  v->link = nilhandle;
  v->cls = freddisposed;
}

void killfred(Handle h) {
  if (h == nilhandle) return;
  if (GetHandleSize(h) >= Size(sizeof(fred))) {
    Handle text = HandleAs<fred>(h)->text;
    if (text != nilhandle) DisposeHandle(text);
  }
  DisposeHandle(h);
}

i16 copyfredwith(fred* v) {
  i16 st = 0;
  if (v->text != nilhandle) {
    Handle dup = nilhandle;
    st = handtonewh(v->text, &dup);
    if (st != 0 && v->type == fredhand) {
      // Without its own copy the value cannot keep the text: it becomes empty, and never
      // shares the handle it does not own.
      v->type = fredstring;
      v->shorttext[0] = 0;
    } else if (st != 0) {
      st = 0;  // a short text does not need the handle it kept for reuse
    }
    v->text = dup;
  }
  v->cls = fredtemp;
  v->link = nilhandle;
  return st;
}

i16 fredtofred(const fred* src, fred* dst) {
  if (src == dst) return 0;
  if (dst->cls == fredworking && dst->type == fredhand && src->type != fredhand) releasetext(dst);
  switch (src->type) {
    case fredlong:
    case fredbool:
    case fredupdown: dst->integer = src->integer; break;
    case freddouble: dst->real = src->real; break;
    case fredhand:
      if (src->text != dst->text) {
        i16 st = dst->text == nilhandle ? handtonewh(src->text, &dst->text) : handtohand(src->text, dst->text);
        if (st != 0) return st;
      }
      break;
    case fredstring: std::memcpy(dst->shorttext, src->shorttext, sizeof dst->shorttext); break;
    default: break;
  }
  dst->type = src->type;
  return 0;
}

// --- Setters -------------------------------------------------------------------------------

void longtofred(i32 n, fred* v) {
  v->type = fredlong;
  v->integer = n;
}

void doubletofred(double d, fred* v) {
  v->type = freddouble;
  v->real = d;
}

void booltofred(u16 flag, fred* v) {
  v->type = fredbool;
  v->integer = flag != 0 ? 1 : 0;
}

i16 stringtofred(ConstStringPtr s, fred* v) { return settext(v, s + 1, s[0], true); }

i16 atomtofred(const atom& a, Handle text, fred* v) {
  Handle h = nilhandle;
  if (atomtonewh(a, text, &h) != 0) return err::nomemory;
  Str255 s;
  handtostring(h, s);
  DisposeHandle(h);
  return stringtofred(s, v);
}

void givehandtofred(Handle h, fred* v) {
  Size n = h == nilhandle ? 0 : GetHandleSize(h);
  if (n <= kFredShortMax) {
    pstrassign(v->shorttext, sizeof v->shorttext, n > 0 ? deref(h) : nullptr, size_t(n));
    v->type = fredstring;
    // The value's own handle stays attached for reuse; any other is released.
    if (h != nilhandle && h != v->text) DisposeHandle(h);
    return;
  }
  if (replacetext(v, h) == 0) v->type = fredhand;
}

i16 CFStringtofred(std::string_view utf8, fred* v) {
  bool lossy = false;
  std::string text = utf8tomacroman(utf8, '?', &lossy);
  if (lossy) {
    v->shorttext[0] = 0;
    v->type = fredstring;
    return err::wentwrong;
  }
  return settext(v, text.data(), Size(text.size()), true);
}

// --- Constructors --------------------------------------------------------------------------

void longtonewfred(i32 n, fred* v) {
  start(v, fredlong);
  v->integer = n;
}

void doubletonewfred(double d, fred* v) {
  start(v, freddouble);
  v->real = d;
}

void booltonewfred(u16 flag, fred* v) {
  start(v, fredbool);
  v->integer = flag != 0 ? 1 : 0;
}

void fooltonewfred(u16 flag, fred* v) {
  start(v, fredupdown);
  v->integer = flag != 0 ? 1 : 0;
}

i16 stringtonewfred(ConstStringPtr s, fred* v) { return newtext(v, s + 1, s[0]); }

i16 handtonewfred(Handle h, fred* v) {
  Handle c = nilhandle;
  i16 st = handtonewh(h, &c);
  return finishhand(v, st, c);
}

i16 textonewfred(const char* s, fred* v) { return charstonewfred(s, Size(std::strlen(s)), v); }

i16 charstonewfred(const void* bytes, Size n, fred* v) {
  start(v, fredstring);
  i16 st = settext(v, bytes, n, false);
  if (st != 0) newempty(v);
  return st;
}

i16 atomtonewfred(const atom& a, Handle text, fred* v) {
  Handle h = nilhandle;
  i16 st = atomtonewh(a, text, &h);
  return finishhand(v, st, h);
}

i16 shorttonewfred(const void* bytes, Size n, fred* v) {
  if (n < 1 || n > kFredShortMax || static_cast<const u8*>(bytes)[n - 1] == 0) return 1;
  start(v, fredstring);
  v->shorttext[0] = u8(n);
  std::memcpy(v->shorttext + 1, bytes, size_t(n));  // before the guard, which may purge blocks
  if (memoryrefused(n)) {
    newempty(v);
    return err::nomemory;
  }
  return 0;
}

i16 quotetonewfred(const atom& a, Handle text, fred* v) {
  Handle h = nilhandle;
  i16 st = quotetonewh(a, text, &h);
  return finishhand(v, st, h);
}

void restypetonewfred(OSType code, fred* v) {
  start(v, fredstring);
  v->shorttext[0] = 4;
  for (int i = 0; i < 4; ++i) v->shorttext[1 + i] = u8(code >> (24 - 8 * i));
}

i16 CFStringtonewfred(std::string_view utf8, fred* v) {
  start(v, fredstring);
  i16 st = CFStringtofred(utf8, v);
  if (st != 0) newempty(v);
  return st;
}

i16 listonewfred(Handle text, Handle atoms, i32 at, hierpath path, Handle variables, Handle locals, i32* count,
                 fred* v) {
  Handle h = nilhandle;
  i16 st = listonewh(text, atoms, at, path, variables, locals, count, &h);
  return finishhand(v, st, h);
}

i16 loctonewfred(i16 h, i16 v, fred* value) {
  Str255 s, num;
  NumToString(h, s);
  appendchar(',', s);
  NumToString(v, num);
  appendstring(num, s);
  return newtext(value, s + 1, s[0]);
}

i16 doubloctonewfred(double x, double y, fred* v) {
  Str255 s, num;
  doubletostring(x, s);
  appendchar(',', s);
  doubletostring(y, num);
  appendstring(num, s);
  return newtext(v, s + 1, s[0]);
}

i16 rectonewfred(const Rect& r, fred* v) {
  Str255 s, num;
  s[0] = 0;
  const i16 parts[4] = {r.left, r.top, r.right, r.bottom};
  for (int i = 0; i < 4; ++i) {
    if (i > 0) appendchar(',', s);
    NumToString(parts[i], num);
    appendstring(num, s);
  }
  return newtext(v, s + 1, s[0]);
}

i16 quadtonewfred(const Point (&pts)[4], fred* v) {
  Str255 s, num;
  s[0] = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) appendchar(',', s);
    NumToString(pts[i].h, num);
    appendstring(num, s);
    appendchar(',', s);
    NumToString(pts[i].v, num);
    appendstring(num, s);
  }
  return newtext(v, s + 1, s[0]);
}

i16 buildpts(Handle polygon, fred* v) {
  start(v, fredhand);
  v->text = NewHandle(0);
  if (v->text == nilhandle) {
    newempty(v);
    return err::nomemory;
  }
  // The polygon: u16 size in bytes, a bounding rectangle, then the points. The count comes
  // from the size word but never reaches past the block.
  Size have = polygon == nilhandle ? 0 : GetHandleSize(polygon);
  if (have < 10) return 0;
  u16 size;
  std::memcpy(&size, deref(polygon), 2);
  Size bytes = size < have ? size : have;
  Size count = bytes < 10 ? 0 : (bytes - 10) / 4;
  for (Size i = 0; i < count; ++i) {
    Point p;
    std::memcpy(&p, deref(polygon) + 10 + 4 * i, 4);
    Str255 s, num;
    s[0] = 0;
    if (i > 0) appendchar(',', s);
    NumToString(p.h, num);
    appendstring(num, s);
    appendchar(',', s);
    NumToString(p.v, num);
    appendstring(num, s);
    if (memoryrefused(s[0])) return err::nomemory;
    if (PtrAndHand(s + 1, v->text, s[0]) != noErr) return err::nomemory;
  }
  return 0;
}

}  // namespace kv
