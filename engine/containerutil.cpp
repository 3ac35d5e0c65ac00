#include "engine/containerutil.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "platform/text/sjis.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

struct KeyTextState {
  u8 strokepending = 0;  // a lead byte typed for keyStroke
  u8 fieldpending = 0;   // and for keyInField
};

bool keyleadbyte(u8 c) { return (c >= 129 && c <= 159) || (c >= 224 && c <= 234); }
bool keytrailbyte(u8 c) { return c >= 64 && c <= 252; }

void keytext(std::string_view name, u8* pending, StringPtr out, u8 c) {
  out[0] = 0;
  u8 chars[2] = {c, 0};
  size_t n = 1;
  if (mainglobals().twobyte != 0) {
    if (*pending != 0 && keytrailbyte(c)) {
      chars[0] = *pending;
      chars[1] = c;
      n = 2;
    } else if (keyleadbyte(c)) {
      *pending = c;
      return;
    }
  }
  *pending = 0;
  auto add = [out](std::string_view t) { pstrappend(out, sizeof(Str255), t.data(), t.size()); };
  add(name);
  add(" ");
  if (n == 1 && (c == '"' || c == 13 || c == 0)) {
    add(c == '"' ? "quote" : c == 13 ? "return" : "null");
    return;
  }
  add("\"");
  pstrappend(out, sizeof(Str255), chars, n);
  add("\"");
}

}  // namespace

void keystrokestr(StringPtr out, u8 c) { keytext("keyStroke", &state<KeyTextState>().strokepending, out, c); }
void keyinfieldstr(StringPtr out, u8 c) { keytext("keyInField", &state<KeyTextState>().fieldpending, out, c); }

void readlength(fred* value) {
  Size n = getfredsize(value);
  const u8* p = fredaddr(value);
  if (p == nullptr) n = 0;
  if (mainglobals().twobyte != 0 && n > 0) n = sjischarcount(p, n);
  longtofred(n, value);
}

namespace {

// The number of two-byte characters in the first `offset` bytes of a text (0 in one-byte mode).
i32 doublesbefore(Handle text, i32 offset) {
  if (mainglobals().twobyte == 0 || text == nilhandle || offset <= 0) return 0;
  Size n = std::min<Size>(offset, GetHandleSize(text));
  return i32(sjisdoublecount(deref(text), n));
}

// The byte offset of character `index` of a text (in one-byte mode the index itself).
i32 charoffset(Handle text, i32 index) {
  if (index <= 0) return 0;
  if (mainglobals().twobyte == 0 || text == nilhandle) return index;
  Size n = GetHandleSize(text);
  return i32(sjischaroffset(deref(text), n, Size(index)));
}

}  // namespace

void selectext(i32 start, i32 end, u16 preposition, Handle text, i32* selstart, i32* selend) {
  i32 from = charoffset(text, start), to = charoffset(text, std::max(start, end));
  if (preposition == tok::before) to = from;
  if (preposition == tok::after) from = to;
  *selstart = from;
  *selend = to;
}

std::string selectedchunkstr(i32 selstart, i32 selend, Handle text, ConstStringPtr field) {
  i64 first = i64(selstart) + 1 - doublesbefore(text, selstart);
  i64 last = i64(selend) - doublesbefore(text, selend);
  return "char " + std::to_string(first) + " to " + std::to_string(last) + " of " + std::string(pstringview(field));
}

void adjustclickchunk(i32* start, i32* end, Handle text) {
  i32 s = *start, e = *end;
  *start = s - doublesbefore(text, s);
  *end = e - doublesbefore(text, e);
}

void localtoglobal() {
  Handle list = mainglobals().globalvars;
  if (list == nilhandle) return;
  varentry* e = HandleAs<varentry>(list);
  for (i32 i = 0, n = HandleCount<varentry>(list); i < n; ++i)
    if (e[i].state == varowned) e[i].state = varborrowed;
}

u16 getoken(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count) {
  *count = 0;
  u16 t = at >= 0 && at < HandleCount<atom>(atoms) ? HandleAs<atom>(atoms)[at].token : u16(tok::endofscript);
  if ((t >= firstotherword && t <= lastotherword) || (t >= firstproperty && t <= lastproperty) ||
      (t >= firstconstant && t <= lastconstant) || (t >= firstnameform && t <= lastnameform) || t == tok::endofline) {
    *count = 1;
    return t;
  }
  fred v{};
  i32 used = 0;
  if (expression(context, text, atoms, at, variables, locals, &used, &v) != 0) return tok::unknown;
  Str255 word;
  fredtostring(&v, word);
  disposfred(&v);
  *count = used;
  return stringtotoken(word + 1, word[0]);
}

}  // namespace kv
