// The one path of the property families that are not built yet: the setters of a graphic's
// settings words and of picture information. Each answers 43 (no such property) until its
// family fills its table entry.
#include "engine/expression.h"
#include "properties/setters.h"

namespace kv {

namespace {

constexpr i16 statusnotbuilt = 43;

i16 notbuilt() { return statusnotbuilt; }

}  // namespace

#define KV_UNUSED_SETTER_ARGS (void)path, (void)text, (void)atoms, (void)at, (void)variables, (void)token

#define KV_NOT_BUILT_SETTER(name) \
  KV_SETTER(name) {               \
    KV_UNUSED_SETTER_ARGS;        \
    return notbuilt();            \
  }

KV_NOT_BUILT_SETTER(spotgrcproc)
KV_NOT_BUILT_SETTER(setpictureinfo)

}  // namespace kv
