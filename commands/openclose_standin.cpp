// Until the open and close commands are built: `open sound` and `close sound` work, every other
// form answers 124.
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/soundcommands.h"
#include "engine/expression.h"

namespace kv {

namespace {
constexpr u16 tokSound = 3164;
}

i16 comopen(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) == tokSound) return opensound(path, text, atoms, at, variables);
  return statusnotbuilt;
}

i16 comclose(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) == tokSound) return closesound(path, text, atoms, at, variables);
  return statusnotbuilt;
}

}  // namespace kv
