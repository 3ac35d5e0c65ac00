// The one path of the property families that are not built yet: the appearance, text, window,
// scroll, rich-text and listing getters, and every object setter but the geometry and user
// property ones. Each answers 43 (no such property) until its family fills its table entry.
// What of them belongs to the global properties already works: the appearance and text words
// without an object give and set the global default of the same name.
#include "engine/expression.h"
#include "engine/keywords.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/propwords.h"
#include "properties/setters.h"

namespace kv {

namespace {

constexpr i16 statusnotbuilt = 43, statusnothe = 55;

i16 notbuilt() { return statusnotbuilt; }

// `[the] <word>` without `of`: the global default of the same word, which needs `the`.
i16 globaldefault(Handle atoms, i32 at, i32* count, fred* value, bool* handled) {
  i32 i = tokenat(atoms, at) == tokThe ? at + 1 : at;
  *handled = tokenat(atoms, i + 1) != tokOf;
  if (!*handled) return 0;
  *count = 2;
  if (i == at) return statusnothe;
  return lowglobal(tokenat(atoms, i), value);
}

// True when the statement names no object (no `of` after the property word).
bool noobject(Handle atoms, i32 at) {
  i32 i = tokenat(atoms, at) == tokThe ? at + 1 : at;
  return tokenat(atoms, i + 1) != tokOf;
}

}  // namespace

#define KV_UNUSED_GETTER_ARGS (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)locals, (void)value
#define KV_UNUSED_SETTER_ARGS (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)token

KV_GETTER(propspot) {
  KV_UNUSED_GETTER_ARGS;
  *count = 0;
  bool handled = false;
  i16 st = globaldefault(atoms, at, count, value, &handled);
  return handled ? st : notbuilt();
}

KV_GETTER(proptext) {
  KV_UNUSED_GETTER_ARGS;
  *count = 0;
  bool handled = false;
  i16 st = globaldefault(atoms, at, count, value, &handled);
  return handled ? st : notbuilt();
}

KV_GETTER(propwind) {
  KV_UNUSED_GETTER_ARGS;
  *count = 0;
  return notbuilt();
}

KV_GETTER(propscroll) {
  KV_UNUSED_GETTER_ARGS;
  *count = 0;
  return notbuilt();
}

KV_GETTER(propmaxscroll) {
  KV_UNUSED_GETTER_ARGS;
  *count = 0;
  return notbuilt();
}

KV_GETTER(proprtf) {
  KV_UNUSED_GETTER_ARGS;
  *count = 0;
  return notbuilt();
}

KV_GETTER(proprops) {
  KV_UNUSED_GETTER_ARGS;
  *count = 0;
  return notbuilt();
}

KV_SETTER(setextinfo) {
  if (noobject(atoms, at)) return setglobaltext(path, text, atoms, at, variables, token);
  return notbuilt();
}

#define KV_NOT_BUILT_SETTER(name) \
  KV_SETTER(name) {               \
    KV_UNUSED_SETTER_ARGS;        \
    return notbuilt();            \
  }

KV_NOT_BUILT_SETTER(spotgrcproc)
KV_NOT_BUILT_SETTER(spotfldproc)
KV_NOT_BUILT_SETTER(setpicturedata)
KV_NOT_BUILT_SETTER(setpictureinfo)
KV_NOT_BUILT_SETTER(setrulerinfo)
KV_NOT_BUILT_SETTER(setcontents)
KV_NOT_BUILT_SETTER(sethilited)
KV_NOT_BUILT_SETTER(setscript)
KV_NOT_BUILT_SETTER(setextdata)
KV_NOT_BUILT_SETTER(setfieldtext)

}  // namespace kv
