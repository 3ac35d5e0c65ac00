// A stand-in until object references exist: there are no objects to find, so references do
// not resolve, object contents answer "can't understand" (2), and the selection and the
// target are empty.
#include "store/objectref.h"

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/expression.h"

namespace kv {

namespace {
constexpr i16 statusnoobject = 2;

// The reference runs to the end of the line.
i32 restofline(Handle atoms, i32 at) {
  i32 i = at;
  while (tokenat(atoms, i) != tokEndOfLine && tokenat(atoms, i) != tokEndOfScript) ++i;
  return i - at;
}
}  // namespace

bool objectexists(hierpath, Handle, Handle atoms, i32 at, Handle, i32* count) {
  *count = restofline(atoms, at);
  return false;
}

i16 sourceobject(hierpath, Handle, Handle, i32, Handle, i32* count, fred*) {
  *count = 0;
  return statusnoobject;
}

i16 objectcontents(hierpath, Handle, Handle, i32, Handle, i32* count, fred*) {
  *count = 0;
  return statusnoobject;
}

i16 targetcontents(i32* count, fred* value) {
  newfred(value, fredtemp, fredstring, 0);
  *count = 1;
  return 0;
}

i16 loweval(hierpath, Handle, Handle, i32, i32, Handle, i32* count, fred*) {
  *count = 0;
  return statusnoobject;
}

i16 selectedtext(i32 used, i32* count, fred* value) {
  newfred(value, fredtemp, fredstring, 0);
  *count = used;
  return 0;
}

i16 sharedscripttext(i32 used, i32* count, fred* value) {
  newfred(value, fredtemp, fredstring, 0);
  *count = used;
  return 0;
}

}  // namespace kv
