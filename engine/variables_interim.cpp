// INTERIM: see variables_interim.h. Deleted when the real variable list lands.
#include "engine/variables_interim.h"

#include <cstring>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"

namespace kv {

namespace {

u32 namekey(const u8* s, Size n) {
  u32 h = 2166136261u;
  for (Size i = 0; i < n && i < 255; ++i) h = (h ^ lowertable[s[i]]) * 16777619u;
  return h == 0 ? 1 : h;
}

// The atom's name: its literal or its source text, at most 255 characters.
void atomname(const atom& a, Handle text, Str255 out) {
  Size n = a.length > 255 ? 255 : a.length;
  out[0] = u8(n);
  if (n > 0) std::memcpy(out + 1, deref(text) + a.offset, size_t(n));
}

i32 lookup(Handle list, u32 key, ConstStringPtr name) {
  if (list == nilhandle) return -1;
  Size n = HandleCount<varentry>(list);
  for (Size i = 0; i < n; ++i) {
    varentry e = HandleAs<varentry>(list)[i];
    if (e.key != key || e.name == nilhandle) continue;
    Size len = GetHandleSize(e.name);
    if (len == name[0] && equalchars(deref(e.name), name + 1, len)) return i32(i);
  }
  return -1;
}

}  // namespace

i16 badname(ConstStringPtr name) {
  if (name[0] == 0 || tokentable[name[1]] != chletter) return 18;
  if (name[0] >= 2 && name[1] == '_' && name[2] == '_') return 18;
  u16 t = stringtotoken(name + 1, name[0]);
  if (t == tokUnknown) return 0;
  if (i16(t) <= 1026 || (t >= 2000 && t <= 2221) || (t >= 3000 && t <= 3194) || (t >= 4000 && t <= 4306) ||
      (t >= 5000 && t <= 5027) || (t >= 7000 && t <= 7014) || (t >= 8000 && t <= 8005) || (t >= 9000 && t <= 9004) ||
      (t >= 10000 && t <= 10025))
    return 97;
  return 0;
}

i16 lowcreate(ConstStringPtr name, varentry* out) {
  *out = varentry{-1, 0, nilhandle, nilhandle};
  if (name != nullptr) {
    if (i16 st = badname(name); st != 0) return st;
    out->key = namekey(name + 1, name[0]);
    if (PtrToHand(name + 1, &out->name, name[0]) != noErr) return statusnomemory;
  }
  out->value = NewHandleClear(Size(sizeof(fred)));
  if (out->value == nilhandle) {
    if (out->name != nilhandle) DisposeHandle(out->name);
    out->name = nilhandle;
    return statusnomemory;
  }
  fred* v = HandleAs<fred>(out->value);
  v->cls = fredworking;
  v->type = fredstring;
  v->link = out->value;
  return 0;
}

i16 addvars(Handle list, const varentry& entry) {
  return PtrAndHand(&entry, list, Size(sizeof(varentry))) == noErr ? 0 : statusnomemory;
}

i16 findvars(atom& a, Handle text, Handle list, varentry* out) {
  Str255 name;
  atomname(a, text, name);
  u32 key = a.token == tokVariable ? u32(a.link) : namekey(name + 1, name[0]);
  i32 i = lookup(list, key, name);
  if (i < 0) return 16;
  *out = HandleAs<varentry>(list)[i];
  a.token = tokVariable;
  a.link = i32(key);
  return 0;
}

i16 fastfindvars(const atom& a, Handle text, Handle list, fred* out) {
  Str255 name;
  atomname(a, text, name);
  i32 i = lookup(list, u32(a.link), name);
  if (i < 0) return 16;
  *out = *HandleAs<fred>(HandleAs<varentry>(list)[i].value);
  return 0;
}

i16 createvars(atom& a, Handle text, Handle list, varentry* out) {
  if (findvars(a, text, list, out) == 0) return 0;
  Str255 name;
  atomname(a, text, name);
  if (i16 st = lowcreate(name, out); st != 0) return st;
  addvars(list, *out);
  return 0;
}

i16 getitvars(Handle list, varentry* out) {
  static constexpr u8 it[] = "\x02it";
  i32 i = lookup(list, namekey(it + 1, 2), it);
  if (i >= 0) {
    *out = HandleAs<varentry>(list)[i];
    return 0;
  }
  if (i16 st = lowcreate(it, out); st != 0) return st;
  return addvars(list, *out);
}

void dumpvars(Handle list) {
  if (list == nilhandle) return;
  for (Size i = 0, n = HandleCount<varentry>(list); i < n; ++i) {
    varentry e = HandleAs<varentry>(list)[i];
    if (e.state < -1) continue;
    if (e.name != nilhandle) DisposeHandle(e.name);
    if (e.value != nilhandle) killfred(e.value);
  }
  DisposeHandle(list);
}

void dumpglobalvars(Handle list) {
  if (list == nilhandle) return;
  for (Size i = 0, n = HandleCount<varentry>(list); i < n; ++i) HandleAs<varentry>(list)[i].state = -1;
  dumpvars(list);
}

}  // namespace kv
