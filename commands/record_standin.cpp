// Until the record command is built: `record sound`, `record movie` and `record pics` work,
// every other form answers 124.
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/soundcommands.h"
#include "engine/expression.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "media/movies.h"
#include "media/sequences.h"

namespace kv {

scriptstatus comrecord(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  switch (tokenat(atoms, at + 1)) {
    case tok::sound: return recordsound(path, text, atoms, at, variables);
    case tok::movie: return statementends(atoms, at + 2) ? recordmovie() : i16(19);
    case tok::pics: return statementends(atoms, at + 2) ? recordpics() : i16(19);
    default: return err::notbuilt;
  }
}

}  // namespace kv
