// Movies on cards: the open-movie table of movies left on cards with a controller, the `movie`
// function that reads, sets and drives them, the `play movie` command, and the movie time text
// "hh:mm:ss:tt" (tt in thirtieths of a second) every movie routine shares.
#pragma once

#include <string>

#include "engine/fred.h"
#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// The movie time text of a time in a time scale.
void formatmovietime(i64 time, i32 scale, StringPtr text);
// Reads a movie time text in a time scale: 0 with the time (clamped to 32 bits), 140 when no
// number can be read.
i16 stringtotimevalue(i32 scale, ConstStringPtr text, i32* time);
// Finds a movie file by path: as written, then in the folder files were last written to, the
// current project's folder, the program's folder and the documents folder. The full path.
bool findmoviefile(ConstStringPtr path, std::string* full);

}  // namespace kv
