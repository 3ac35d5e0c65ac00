// Until the record command is built: `record sound` works, every other form answers 124.
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/soundcommands.h"
#include "engine/expression.h"

namespace kv {

i16 comrecord(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  constexpr u16 tokSound = 3164;
  if (tokenat(atoms, at + 1) == tokSound) return recordsound(path, text, atoms, at, variables);
  return statusnotbuilt;
}

}  // namespace kv
