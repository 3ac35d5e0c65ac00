// Until the play command is built: its sound, tune, movie, picture-sequence and film forms
// reach the media services; the forms of step and audio answer 124.
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "engine/expression.h"
#include "media/movies.h"
#include "media/sequences.h"
#include "media/sounds.h"

namespace kv {

i16 complay(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  enum : u16 { tokMovie = 3102, tokAudio = 11008, tokFilm = 11112, tokPics = 11228, tokStep = 11301 };
  switch (tokenat(atoms, at + 1)) {
    case tokMovie: return playmovie(path, text, atoms, at + 1, variables);
    case tokPics: return playpics(path, text, atoms, at + 1, variables);
    case tokFilm: return playfilm(path, text, atoms, at + 1, variables);
    case tokAudio:
    case tokStep: return statusnotbuilt;
    default: return playsound(path, text, atoms, at + 1, variables);
  }
}

}  // namespace kv
