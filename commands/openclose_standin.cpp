// Until the open and close commands are built: `open`/`close` of sound, movie (the recording),
// pics and film work, every other form answers 124.
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/soundcommands.h"
#include "engine/expression.h"
#include "media/movies.h"
#include "media/sequences.h"

namespace kv {

namespace {
enum : u16 { tokSound = 3164, tokMovie = 3102, tokFilm = 11112, tokPics = 11228 };
}

i16 comopen(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  switch (tokenat(atoms, at + 1)) {
    case tokSound: return opensound(path, text, atoms, at, variables);
    case tokMovie: return openmovie(path, text, atoms, at + 1, variables);
    case tokPics: return openpics(path, text, atoms, at + 1, variables);
    case tokFilm: return openfilm(path, text, atoms, at + 1, variables);
    default: return statusnotbuilt;
  }
}

i16 comclose(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  switch (tokenat(atoms, at + 1)) {
    case tokSound: return closesound(path, text, atoms, at, variables);
    case tokMovie: return closemovie(true, atoms, at + 1);
    case tokPics: return closepics(true, atoms, at + 1);
    case tokFilm: return closefilm(path, text, atoms, at + 1, variables);
    default: return statusnotbuilt;
  }
}

}  // namespace kv
