// Finding an object in an object list, and an object embedded in a field's text, by the
// selector part of a reference.
#include <cstring>

#include "engine/geometry.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/refparse.h"

namespace kv {

namespace {

constexpr i16 kNoObject = 11, kNoEmbedded = 225;

bool oftype(const spot& s, u16 type) { return type == typeany || s.kind == type; }

// The name of an object, as reference texts and lookups compare it.
void spotname(const spot& s, StringPtr out) { handtostring(Handle(s.name), out); }

// The n-th (1-based) of the entries that pass `match`, by its index in the whole list; -1.
template <class Match>
i32 nth(i32 count, i32 n, Match&& match) {
  if (n < 1) return -1;
  for (i32 i = 0; i < count; ++i)
    if (match(i) && --n == 0) return i;
  return -1;
}

// The number a selector that needs no lookup chooses among `count`; 0 for the lookups.
i32 ordinalof(const selpart& part, i32 count) {
  switch (part.selector) {
    case sellast: return count;
    case selmiddle: return count / 2 + 1;
    case selany: return randomrange(count);
    case selnumber: return part.value;
    default: return 0;
  }
}

// The embedded objects of the field a descriptor names; false when the field's text cannot be
// had. The caller disposes of *list.
bool fieldobjects(const objread& field, Handle* list) {
  *list = nilhandle;
  if (field.objects == nilhandle || field.objindex < 0 || field.objindex >= spotcount(field.objects)) return false;
  Handle h = NewHandle(0);
  if (h == nilhandle) return false;
  if (embeddedobjects(spotat(field.objects, field.objindex), h) != noErr) {
    DisposeHandle(h);
    return false;
  }
  *list = h;
  return true;
}

embeddedobject embeddedat(Handle list, i32 i) { return HandleAs<embeddedobject>(list)[i]; }

}  // namespace

i32 countspots(Handle list, u16 type) {
  i32 count = spotcount(list), n = 0;
  for (i32 i = 0; i < count; ++i)
    if (oftype(spotat(list, i), type)) ++n;
  return n;
}

i16 getspotbynum(Handle list, u16 type, i32 n, i32* index) {
  i32 i = nth(spotcount(list), n, [&](i32 j) { return oftype(spotat(list, j), type); });
  if (i < 0) return kNoObject;
  *index = i;
  return 0;
}

// The type filter `any` matches every object here as well as in counting and numbering.
i16 getspotbyid(Handle list, u16 type, u32 id, i32* index) {
  i32 i = nth(spotcount(list), 1, [&](i32 j) {
    spot s = spotat(list, j);
    return oftype(s, type) && u32(s.id) == id;
  });
  if (i < 0) return kNoObject;
  *index = i;
  return 0;
}

i16 getspotbyname(Handle list, u16 type, ConstStringPtr name, i32* index) {
  i32 i = nth(spotcount(list), 1, [&](i32 j) {
    spot s = spotat(list, j);
    if (!oftype(s, type)) return false;
    Str255 own{};
    spotname(s, own);
    return myequalstring(own, name);
  });
  if (i < 0) return kNoObject;
  *index = i;
  return 0;
}

i16 getspotoff(Handle list, u16 type, const selpart& part, i32* index) {
  switch (part.selector) {
    case selnone:
    case selprev:
    case selnext: return 0;
    case selid: return getspotbyid(list, type, u32(part.value), index);
    case selname: return getspotbyname(list, type, part.name, index);
    default: return getspotbynum(list, type, ordinalof(part, countspots(list, type)), index);
  }
}

i32 countiotas(const objread& field) {
  Handle list = nilhandle;
  if (!fieldobjects(field, &list)) return 0;
  i32 count = i32(HandleCount<embeddedobject>(list)), n = 0;
  for (i32 i = 0; i < count; ++i)
    if (embeddedat(list, i).kind == kEmbeddedIota) ++n;
  DisposeHandle(list);
  return n;
}

// A field whose text cannot be had holds no embedded object to find: 225, like a miss.
i16 getiotaoff(const objread& field, const selpart& part, i32* position) {
  Handle list = nilhandle;
  if (!fieldobjects(field, &list)) return kNoEmbedded;
  i32 count = i32(HandleCount<embeddedobject>(list));
  auto isiota = [&](i32 i) { return embeddedat(list, i).kind == kEmbeddedIota; };
  i32 found = -1;
  switch (part.selector) {
    case selid:
      found = nth(count, 1, [&](i32 i) { return isiota(i) && embeddedat(list, i).id == u32(part.value); });
      break;
    case selname:
      found = nth(count, 1, [&](i32 i) { return isiota(i) && myequalstring(embeddedat(list, i).name, part.name); });
      break;
    default: {
      i32 iotas = 0;
      for (i32 i = 0; i < count; ++i) iotas += isiota(i) ? 1 : 0;
      found = nth(count, ordinalof(part, iotas), isiota);
      break;
    }
  }
  DisposeHandle(list);
  if (found < 0) return kNoEmbedded;
  *position = found;
  return 0;
}

}  // namespace kv
