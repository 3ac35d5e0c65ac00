// Script values treated as text: size, append, copy out, tokenise, comma lists.
#include <cstring>

#include "engine/atom.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/fredinternal.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "core/memoryguard.h"

namespace kv {

using namespace fredinternal;

namespace {

// Converts to a handle text; false when the memory for the handle could not be had. A handle
// text without a handle gets an empty one.
bool tohandletext(fred* v) {
  formatfred(v, fredhand);
  if (v->type != fredhand) return false;
  if (v->text == nilhandle) {
    if (v->cls == fredobject) return false;
    v->text = NewHandle(0);
    if (v->text == nilhandle) return false;
  }
  return true;
}

// Appends the value's text, in whichever form it has, to h.
i16 appendtext(fred* v, Handle h) {
  if (v->type == fredhand) {
    if (v->text == nilhandle) return 0;
    if (memoryrefused(GetHandleSize(v->text))) return err::nomemory;
    return HandAndHand(v->text, h) == noErr ? 0 : err::nomemory;
  }
  u8 copy[32];
  std::memcpy(copy, v->shorttext, sizeof copy);
  if (copy[0] == 0) return 0;
  if (memoryrefused(copy[0])) return err::nomemory;
  return PtrAndHand(copy + 1, h, copy[0]) == noErr ? 0 : err::nomemory;
}

}  // namespace

Ptr fredaddr(fred* v) {
  if (v->type == fredhand) return v->text == nilhandle ? nullptr : deref(v->text);
  return v->shorttext + 1;
}

Size getfredsize(fred* v) {
  if (v->type <= fredupdown) formatfred(v, fredstring);
  if (v->type == fredstring) return v->shorttext[0];
  return v->text == nilhandle ? 0 : GetHandleSize(v->text);
}

i16 setfredsize(fred* v, Size size) {
  if (size < 0) size = 0;
  if (v->type != fredhand) {
    formatfred(v, size <= kFredShortMax ? fredstring : fredhand);
    if (v->type == fredstring) {
      // A short text holds at most 31 characters; a longer size needs the handle.
      if (size > kFredShortMax) return err::nomemory;
      v->shorttext[0] = u8(size);
      return 0;
    }
  }
  if (memoryrefused(size)) return err::nomemory;
  if (v->text == nilhandle) {
    if (v->cls == fredobject) return err::nomemory;
    v->text = NewHandle(size);
    return v->text == nilhandle ? err::nomemory : 0;
  }
  SetHandleSize(v->text, size);
  return MemError() == noErr ? 0 : err::nomemory;
}

i16 fredtohand(fred* v, Handle h) {
  if (!tohandletext(v)) return err::nomemory;
  return handtohand(v->text, h);
}

i16 fredtonewh(fred* v, Handle* out) {
  *out = nilhandle;
  if (!tohandletext(v)) return err::nomemory;
  return handtonewh(v->text, out);
}

i16 fredandhand(fred* v, Handle h) {
  if (h == nilhandle) return err::wentwrong;
  formatfred(v, fredhand);
  return appendtext(v, h);
}

i16 fredandfred(fred* first, fred* second) {
  formatfred(first, fredhand);
  if (!tohandletext(second)) return err::nomemory;
  return appendtext(first, second->text);
}

void appendcharfred(fred* v, u8 c) {
  if (!tohandletext(v)) return;
  appendcharhand(v->text, c);
}

i16 tokenizefred(fred* v, Handle* atoms) {
  *atoms = nilhandle;
  if (!tohandletext(v)) return err::nomemory;
  Handle copy = nilhandle;
  if (handtonewh(v->text, &copy) != 0) return err::nomemory;
  // Without the stop marker the text must not be scanned.
  Size before = GetHandleSize(copy);
  if (appendstop(copy) == before) {
    DisposeHandle(copy);
    return err::nomemory;
  }
  *atoms = NewHandle(0);
  if (*atoms == nilhandle) {
    DisposeHandle(copy);
    return err::nomemory;
  }
  i16 st = atomize(copy, *atoms, nullptr);
  DisposeHandle(copy);
  return st;
}

i16 hfs2posixfred(fred* v) {
  if (!tohandletext(v)) return err::nomemory;
  Size n = GetHandleSize(v->text);
  if (n == 0 || std::memchr(deref(v->text), ':', size_t(n)) == nullptr) return 0;
  static constexpr char kPrefix[] = "/Volumes/";
  constexpr Size kPrefixLength = sizeof kPrefix - 1;
  if (memoryrefused(kPrefixLength + n)) return err::nomemory;
  Handle h = NewHandle(kPrefixLength + n);
  if (h == nilhandle) return err::nomemory;
  u8* out = deref(h);
  std::memcpy(out, kPrefix, kPrefixLength);
  const u8* in = deref(v->text);
  for (Size i = 0; i < n; ++i) out[kPrefixLength + i] = in[i] == ':' ? '/' : in[i];
  return replacetext(v, h);
}

i16 listonewh(Handle text, Handle atoms, i32 at, hierpath path, Handle variables, Handle locals, i32* count,
              Handle* out) {
  *count = 0;
  *out = nilhandle;
  Handle h = NewHandle(0);
  if (h == nilhandle) return err::nomemory;
  for (i32 pos = at;;) {
    fred value;
    i32 used = 0;
    i16 st = expression(path, text, atoms, pos, variables, locals, &used, &value);
    if (st != 0) {
      DisposeHandle(h);
      return st;
    }
    *count += used;
    pos += used;
    formatfred(&value, fredhand);
    st = appendtext(&value, h);
    bool comma = pos >= 0 && pos < HandleCount<atom>(atoms) && HandleAs<atom>(atoms)[pos].token == tok::comma;
    if (st == 0 && comma) {
      *count += 1;
      pos += 1;
      if (!memoryrefused(GetHandleSize(h) + 16)) st = PtrAndHand(",", h, 1) == noErr ? 0 : err::nomemory;
    }
    disposfred(&value);
    if (st != 0) {
      DisposeHandle(h);
      return st;
    }
    if (!comma) break;
  }
  *out = h;
  return 0;
}

}  // namespace kv
