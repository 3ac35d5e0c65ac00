#include "properties/propservices.h"

#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "engine/variables.h"
#include "store/memoryguard.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 statusnomemory = 37, statusnouprop = 68;

// The entry's value handle takes the text; an entry without one gets one.
i16 setvalueat(Handle list, i32 index, fred* value) {
  if (list == nilhandle || index < 0 || index >= i32(HandleCount<uprop>(list))) return statusnouprop;
  const Size at = Size(index) * Size(sizeof(uprop));
  uprop e = loadat<uprop>(deref(list) + at);
  if (e.value == nilhandle) {
    Handle h = NewHandle(0);
    if (h == nilhandle) return statusnomemory;
    e.value = h;
    storeat<uprop>(deref(list) + at, e);
  }
  return fredtohand(value, e.value);
}

}  // namespace

i16 modproperty(Handle list, ConstStringPtr name, fred* value) {
  i16 index = 0;
  if (list == nilhandle || !findprop(list, &index, name)) return statusnouprop;
  return setvalueat(list, index, value);
}

i16 modpropertyidx(Handle list, i32 index, fred* value) { return setvalueat(list, index, value); }

i16 contentutil(fred* value, Handle* slot) {
  if (memoryrefused(1024)) return statusnomemory;
  Handle h = NewHandle(0);
  if (h == nilhandle) return statusnomemory;
  if (i16 st = fredtohand(value, h)) {
    DisposeHandle(h);
    return st;
  }
  if (*slot != nilhandle) DisposeHandle(*slot);
  *slot = nilhandle;
  if (GetHandleSize(h) == 0) {
    DisposeHandle(h);
    return 0;
  }
  *slot = h;
  return 0;
}

}  // namespace kv
