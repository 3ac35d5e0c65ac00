#include "engine/variables.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/casefold.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "store/records.h"

namespace kv {

namespace {

// How many spare value handles, and name handles, finished calls leave for the next ones; how
// many of their lists, of at most how many bytes.
constexpr size_t kSpareHandles = 64;
constexpr size_t kSpareLists = 16;
constexpr Size kSpareListBytes = 64 * Size(sizeof(varentry));

struct VariablesState {
  // The name key of "it", computed on the first use in a run.
  bool haveitkey = false;
  u32 itkey = 0;
  // Handles of finished calls' variables, given out again to the next calls: value handles
  // (each holding the empty text) and name handles.
  std::vector<Handle> values;
  std::vector<Handle> names;
  std::vector<Handle> lists;
  VariablesState() {
    values.reserve(kSpareHandles);
    names.reserve(kSpareHandles);
    lists.reserve(kSpareLists);
  }
  VariablesState(const VariablesState&) = delete;
  VariablesState& operator=(const VariablesState&) = delete;
  ~VariablesState() {
    for (Handle h : values) DisposeHandle(h);
    for (Handle h : names) DisposeHandle(h);
    for (Handle h : lists) DisposeHandle(h);
  }
};

// Keyword tokens that cannot name a variable (compared as signed 16-bit numbers).
bool reservedtoken(u16 token) {
  struct Range {
    i32 first, last;
  };
  static constexpr Range reserved[] = {{2000, 2221}, {3000, 3194}, {4000, 4306}, {5000, 5027},
                                       {7000, 7014}, {8000, 8005}, {9000, 9004}, {10000, 10025}};
  const i32 t = i16(token);
  if (t <= lastoperator) return true;
  for (const Range& r : reserved)
    if (t >= r.first && t <= r.last) return true;
  return false;
}

Size entrycount(Handle list) { return list == nilhandle ? 0 : HandleCount<varentry>(list); }

varentry entryat(Handle list, Size i) { return HandleAs<varentry>(list)[i]; }

// Whether an entry's name handle holds the characters (at most 255), A-Z matching a-z, as
// equalhand compares a name: the handle's first 255 bytes without trailing zero bytes.
bool samename(Handle name, const u8* chars, Size n) {
  Size m = 0;
  const u8* p = name == nilhandle ? nullptr : derefsize(name, &m);
  if (m > 255) m = 255;
  while (m > 0 && p[m - 1] == 0) --m;
  return m == n && (n == 0 || equalnocase(p, chars, size_t(n)));
}

// The index of the first entry with the key whose name is the characters, or -1. The
// characters may lie in a handle: nothing here allocates.
Size findentry(Handle list, u32 key, const u8* chars, Size n) {
  Size bytes = 0;
  const auto* entries = reinterpret_cast<const varentry*>(list == nilhandle ? nullptr : derefsize(list, &bytes));
  const Size count = bytes / Size(sizeof(varentry));
  for (Size i = 0; i < count; ++i)
    if (entries[i].key == key && samename(entries[i].name, chars, n)) return i;
  return -1;
}
Size findentry(Handle list, u32 key, ConstStringPtr name) { return findentry(list, key, name + 1, name[0]); }

u32 keyof(ConstStringPtr name) {
  u32 key = 0;
  getkey(name, &key);
  return key;
}

// The key of a name given by its characters.
u32 charskey(atomchars name) {
  Str255 s;
  s[0] = u8(name.length);
  if (name.length > 0) std::memcpy(s + 1, name.bytes, size_t(name.length));
  return keyof(s);
}

// Where a marked atom remembers the entry it was last found at: the list, the list's serial
// and the entry's index. A list only ever grows at its end, and apart from the parameters
// (bound before the handler reads any variable, and never remembered) no two of its entries
// share a name; so the same list, the same handle and not a later one with its id, still has
// that entry where it was, and it is still the first with the name.
constexpr u32 kRememberedIndexes = 1u << 24;

u32 rememberedindex(const atom* a) {
  return u32(a->reserved[0]) | u32(a->reserved[1]) << 8 | u32(a->reserved[2]) << 16;
}

void remember(atom* a, Handle list, Size index) {
  if (a->token != tok::variable || u32(index) >= kRememberedIndexes) return;
  if (a->numstate != numnotcached && a->numstate != numvariable && a->numstate != numargument) return;
  a->numstate = numvariable;
  a->value[0] = list;
  a->value[1] = HandleSerial(list);
  a->reserved[0] = u8(index);
  a->reserved[1] = u8(index >> 8);
  a->reserved[2] = u8(index >> 16);
}

// Where an atom that named an argument of its handler remembers the argument's index (see
// findvars).
void rememberargument(atom* a, Size index) {
  if (a->token != tok::variable || u32(index) >= kRememberedIndexes) return;
  if (a->numstate != numnotcached && a->numstate != numvariable && a->numstate != numargument) return;
  a->numstate = numargument;
  a->reserved[0] = u8(index);
  a->reserved[1] = u8(index >> 8);
  a->reserved[2] = u8(index >> 16);
}

// findatom's search of the list's entries. A marked atom carries its key, so its characters
// are read only for an entry with that key.
[[gnu::noinline]] const varentry* searchatom(atom* a, Handle text, Handle list, const varentry* entries, Size count) {
  atomchars name{};
  bool named = false;
  u32 key = 0;
  if (a->token == tok::variable) {
    key = u32(a->link);
  } else {
    name = atomname(*a, text);
    named = true;
    key = charskey(name);
  }
  for (Size i = 0; i < count; ++i) {
    if (entries[i].key != key) continue;
    if (!named) {
      name = atomname(*a, text);
      named = true;
    }
    if (samename(entries[i].name, name.bytes, name.length)) {
      if (entries[i].state < 0) {
        remember(a, list, i);
      } else if (entries[i].state == i) {
        rememberargument(a, i);
      }
      return &entries[i];
    }
  }
  return nullptr;
}

// The entry the atom names in the list (the first with the atom's key and its name), where it
// lies (valid until the next allocation), or null: where the atom remembers finding it, else
// searched for (and remembered). Run for every variable a statement reads or writes.
inline const varentry* findatom(atom* a, Handle text, Handle list) {
  Size bytes = 0;
  const auto* entries = reinterpret_cast<const varentry*>(list == nilhandle ? nullptr : derefsize(list, &bytes));
  const Size count = bytes / Size(sizeof(varentry));
  if (a->numstate == numvariable && a->value[0] == list && a->token == tok::variable && list != nilhandle) {
    u32 index = rememberedindex(a);
    if (index < u32(count) && entries[index].key == u32(a->link) && a->value[1] == HandleSerial(list))
      return &entries[index];
  } else if (a->numstate == numargument && a->token == tok::variable) {
    u32 index = rememberedindex(a);
    if (index < u32(count) && entries[index].state == i16(index) && entries[index].key == u32(a->link))
      return &entries[index];
  }
  return searchatom(a, text, list, entries, count);
}

// Releases an entry's name and value (the value's text with it).
void releaseentry(const varentry& e) {
  if (e.name != nilhandle) DisposeHandle(e.name);
  if (e.value != nilhandle) killfred(e.value);
}

// Makes the entry for a name and appends it; on failure nothing is left behind.
i16 createentry(Handle list, ConstStringPtr name, varentry* out) {
  varentry e{};
  if (i16 st = lowcreate(name, &e); st != 0) return st;
  if (addvars(list, e) != 0) {
    releaseentry(e);
    return err::nomemory;
  }
  *out = e;
  return 0;
}

constexpr u8 itnametext[] = {2, 'i', 't'};
ConstStringPtr itname() { return itnametext; }

// Runs `put` on a working copy of `it`'s stored value and writes it back.
template <class Put>
i16 putintoit(Handle list, Put put) {
  varentry e{};
  if (i16 st = getitvars(list, &e); st != 0) return st;
  fred copy = *HandleAs<fred>(e.value);
  i16 st = put(&copy);
  disposfred(&copy);
  return st;
}

}  // namespace

i16 badname(ConstStringPtr name) {
  if (name[0] == 0) return err::badvariablename;
  if (tokentable[name[1]] != chletter) return err::badvariablename;
  if (name[0] >= 2 && name[1] == '_' && name[2] == '_') return err::badvariablename;
  u16 token = stringtotoken(name + 1, name[0]);
  if (token == tok::unknown) return 0;
  return reservedtoken(token) ? err::reservedword : 0;
}

i16 lownamed(ConstStringPtr name, varentry* out) {
  if (i16 st = badname(name); st != 0) return st;
  return lownamedkey(name, keyof(name), out);
}

i16 lownamedkey(ConstStringPtr name, u32 key, varentry* out) {
  Handle named = nilhandle;
  std::vector<Handle>& spares = state<VariablesState>().names;
  // Without memory for the name the entry goes on nameless.
  if (spares.empty()) {
    if (stringtonewh(name, &named) != 0) named = nilhandle;
  } else if (!memoryrefused(Size(name[0]))) {
    // A spare, once the memory guard allowed the name as it allows a new handle.
    named = spares.back();
    spares.pop_back();
    Size size = 0;
    const u8* held = derefsize(named, &size);
    if ((size != name[0] || std::memcmp(held, name + 1, name[0]) != 0) &&
        PtrToXHand(name + 1, named, name[0]) != noErr) {
      DisposeHandle(named);
      named = nilhandle;
    }
  }
  if (memoryrefused(Size(sizeof(fred)))) {
    if (named != nilhandle) DisposeHandle(named);
    return err::nomemory;
  }
  out->state = varowned;
  out->key = key;
  out->name = named;
  out->value = nilhandle;
  return 0;
}

namespace {

// Makes a variable's value handle hold the empty text, as a new variable's does: a working
// text value linked to itself (what it held before is not released here).
void setempty(Handle value) {
  fred* v = HandleAs<fred>(value);
  std::memset(static_cast<void*>(v), 0, sizeof(fred));
  v->cls = fredworking;
  v->type = fredstring;
  v->link = value;
}

}  // namespace

i16 lowcreate(ConstStringPtr name, varentry* out) {
  varentry e{};
  e.state = varowned;
  if (name != nullptr) {
    if (i16 st = badname(name); st != 0) return st;
    e.key = keyof(name);
    // Without memory for the name the entry goes on nameless.
    if (stringtonewh(name, &e.name) != 0) e.name = nilhandle;
  }
  if (memoryrefused(Size(sizeof(fred))) || (e.value = NewHandle(Size(sizeof(fred)))) == nilhandle) {
    if (e.name != nilhandle) DisposeHandle(e.name);
    return err::nomemory;
  }
  setempty(e.value);
  // Field by field: a copy of the whole entry would wait for the writes that just made it.
  out->state = e.state;
  out->key = e.key;
  out->name = e.name;
  out->value = e.value;
  return 0;
}

i16 argumentcreate(varentry* out) {
  std::vector<Handle>& spares = state<VariablesState>().values;
  if (spares.empty()) return lowcreate(nullptr, out);
  if (memoryrefused(Size(sizeof(fred)))) return err::nomemory;
  out->state = varowned;
  out->key = 0;
  out->name = nilhandle;
  out->value = spares.back();
  spares.pop_back();
  return 0;
}

i16 calllist(const varentry* entries, Size bytes, Handle* out) {
  std::vector<Handle>& spares = state<VariablesState>().lists;
  if (spares.empty()) return PtrToHand(entries, out, bytes) == noErr ? 0 : err::nomemory;
  const Handle list = spares.back();
  if (PtrToXHand(entries, list, bytes) != noErr) return err::nomemory;
  spares.pop_back();
  // Atoms that remembered where they found a variable of the list's last call take it for
  // another list.
  RenewHandleSerial(list);
  *out = list;
  return 0;
}

i16 addvars(Handle list, const varentry& entry) {
  if (list == nilhandle) return err::nomemory;
  if (memoryrefused(GetHandleSize(list) + Size(sizeof entry))) return err::nomemory;
  return PtrAndHand(&entry, list, Size(sizeof entry)) == noErr ? 0 : err::nomemory;
}

i16 findvars(atom* a, Handle text, Handle list, varentry* out) {
  const varentry* e = findatom(a, text, list);
  if (e == nullptr) return err::novariable;
  *out = *e;
  if (a->token != tok::variable) {
    a->link = i32(out->key);
    a->token = tok::variable;
  }
  return 0;
}

i16 fastfindvars(atom* a, Handle text, Handle list, fred* out) {
  const varentry* e = findatom(a, text, list);
  if (e == nullptr) return err::novariable;
  *out = *HandleAs<fred>(e->value);
  return 0;
}

const fred* storedvalue(atom* a, Handle text, Handle list) {
  const varentry* e = findatom(a, text, list);
  return e == nullptr ? nullptr : HandleAs<fred>(e->value);
}

i16 createvars(atom* a, Handle text, Handle list, varentry* out) {
  if (findvars(a, text, list, out) == 0) return 0;
  Str255 name;
  atomtostring(*a, text, name);
  return createentry(list, name, out);
}

i16 getitvars(Handle list, varentry* out) {
  VariablesState& st = state<VariablesState>();
  if (!st.haveitkey) {
    st.itkey = keyof(itname());
    st.haveitkey = true;
  }
  Size i = findentry(list, st.itkey, itname());
  if (i >= 0) {
    *out = entryat(list, i);
    return 0;
  }
  return createentry(list, itname(), out);
}

i16 handtoit(Handle h, Handle list) {
  return putintoit(list, [h](fred* v) { return handtofred(h, v); });
}

i16 stringtoit(ConstStringPtr s, Handle list) {
  return putintoit(list, [s](fred* v) { return stringtofred(s, v); });
}

void dumpvars(Handle list) {
  if (list == nilhandle) return;
  const Size n = entrycount(list);
  for (Size i = 0; i < n; ++i) {
    varentry e = entryat(list, i);
    if (e.state > varborrowed) releaseentry(e);
  }
  DisposeHandle(list);
}

void dumpcallvars(Handle list) {
  if (list == nilhandle) return;
  VariablesState& spares = state<VariablesState>();
  Size bytes = 0;
  // Nothing below moves the list: only the handles its entries name are resized or released.
  const auto* entries = reinterpret_cast<const varentry*>(derefsize(list, &bytes));
  const Size n = bytes / Size(sizeof(varentry));
  for (Size i = 0; i < n; ++i) {
    const varentry e = entries[i];
    if (e.state <= varborrowed) continue;
    if (e.name != nilhandle) {
      if (spares.names.size() < kSpareHandles) {
        spares.names.push_back(e.name);
      } else {
        DisposeHandle(e.name);
      }
    }
    if (e.value == nilhandle) continue;
    if (spares.values.size() >= kSpareHandles || GetHandleSize(e.value) != Size(sizeof(fred))) {
      killfred(e.value);
      continue;
    }
    const Handle text = HandleAs<fred>(e.value)->text;
    setempty(e.value);
    spares.values.push_back(e.value);
    if (text != nilhandle) DisposeHandle(text);
  }
  if (spares.lists.size() < kSpareLists && GetHandleSize(list) <= kSpareListBytes) {
    spares.lists.push_back(list);
  } else {
    DisposeHandle(list);
  }
}

void dumpglobalvars(Handle list) {
  if (list == nilhandle) return;
  const Size n = entrycount(list);
  for (Size i = 0; i < n; ++i) releaseentry(entryat(list, i));
  DisposeHandle(list);
}

i16 findprop(Handle list, i16* index, ConstStringPtr name) {
  if (list == nilhandle) return 0;
  const u32 key = keyof(name);
  // Positions beyond the reach of a 16-bit index are not searched.
  const i32 n = i32(std::min<Size>(HandleCount<uprop>(list), INT16_MAX + 1));
  for (i32 i = 0; i < n; ++i) {
    uprop entry = loadat<uprop>(deref(list) + Size(i) * Size(sizeof(uprop)));
    if (entry.key == key && equalhand(entry.name, name) != 0) {
      *index = i16(i);
      return 1;
    }
  }
  return 0;
}

}  // namespace kv
