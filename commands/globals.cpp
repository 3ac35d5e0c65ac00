#include "commands/globals.h"

#include "engine/fred.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

// Appends the name to the text, after a comma unless the text is empty.
i16 appendname(Handle name, Handle text) {
  if (GetHandleSize(text) > 0)
    if (i16 st = appendcharhand(text, ','); st != 0) return st;
  if (memoryrefused(GetHandleSize(name))) return err::nomemory;
  return HandAndHand(name, text) == noErr ? 0 : err::nomemory;
}

}  // namespace

i16 globaltofred(fred* out) {
  if (i16 st = charstonewfred(nullptr, 0, out); st != 0) return st;
  const Handle list = mainglobals().globalvars;
  const Size n = list == nilhandle ? 0 : HandleCount<varentry>(list);
  for (Size i = 0; i < n; ++i) {
    const Handle name = HandleAs<varentry>(list)[i].name;
    if (name == nilhandle) continue;
    if (appendname(name, out->text) != 0) {
      disposfred(out);
      u8 empty[1] = {0};
      stringtonewfred(empty, out);
      return err::nomemory;
    }
  }
  return 0;
}

}  // namespace kv
