// Until the show and hide commands are built: `show controllers` and `hide controllers` reach
// the movie service, every other form answers 124.
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "engine/expression.h"
#include "media/mediaservice.h"

namespace kv {

namespace {

constexpr u16 tokControllers = 11054;

i16 showhide(Handle atoms, i32 at, bool visible) {
  if (tokenat(atoms, at + 1) != tokControllers) return statusnotbuilt;
  if (!statementends(atoms, at + 2)) return 19;
  showhidecontrollers(visible);
  return 0;
}

}  // namespace

i16 comshow(hierpath, Handle, Handle atoms, i32 at, Handle) { return showhide(atoms, at, true); }
i16 comhide(hierpath, Handle, Handle atoms, i32 at, Handle) { return showhide(atoms, at, false); }

}  // namespace kv
