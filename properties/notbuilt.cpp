// The one path of the property families that are not built yet: the object setters of flags,
// appearance, picture information, windows, names, ids, styles, command keys and rich text.
// Each answers 43 (no such property) until its family fills its table entry. What of them
// belongs to the global properties already works: the appearance words without an object set
// the global default of the same name.
#include "engine/expression.h"
#include "engine/keywords.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/propwords.h"
#include "properties/setters.h"

namespace kv {

namespace {

constexpr i16 statusnotbuilt = 43;

i16 notbuilt() { return statusnotbuilt; }

// True when the statement names no object (no `of` after the property word).
bool noobject(Handle atoms, i32 at) {
  i32 i = tokenat(atoms, at) == tokThe ? at + 1 : at;
  return tokenat(atoms, i + 1) != tokOf;
}

}  // namespace

#define KV_UNUSED_SETTER_ARGS (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)token

KV_SETTER(setspot) {
  if (noobject(atoms, at)) return setglobal(path, text, atoms, at, variables, token);
  return notbuilt();
}

#define KV_NOT_BUILT_SETTER(name) \
  KV_SETTER(name) {               \
    KV_UNUSED_SETTER_ARGS;        \
    return notbuilt();            \
  }

KV_NOT_BUILT_SETTER(setflags)
KV_NOT_BUILT_SETTER(spotgrcproc)
KV_NOT_BUILT_SETTER(setwind)
KV_NOT_BUILT_SETTER(sethesize)
KV_NOT_BUILT_SETTER(setoffset)
KV_NOT_BUILT_SETTER(setclut)
KV_NOT_BUILT_SETTER(setmonitor)
KV_NOT_BUILT_SETTER(setscroll)
KV_NOT_BUILT_SETTER(setpoints)
KV_NOT_BUILT_SETTER(setpictureinfo)
KV_NOT_BUILT_SETTER(setrtftext)
KV_NOT_BUILT_SETTER(setcmdchar)
KV_NOT_BUILT_SETTER(setcmdmodifiers)
KV_NOT_BUILT_SETTER(setid)
KV_NOT_BUILT_SETTER(setname)
KV_NOT_BUILT_SETTER(setstyle)
KV_NOT_BUILT_SETTER(setitle)

}  // namespace kv
