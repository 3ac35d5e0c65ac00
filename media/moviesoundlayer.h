// What the movie-sound queue needs of the movies' own module: a movie of a sound file, opened
// with nothing to show, started, given time, asked whether it is done, rewound and disposed of.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// False while the program has no movie layer.
bool moviesoundlayer();
// The first movie of the file at `path` (resolved as movie paths are): 0 with the movie and the
// file's name, 1 when the file cannot be found or read, 13 when no movie can be made of it.
i16 openmoviesound(ConstStringPtr path, RegistryId* movie, StringPtr name);
void startmoviesound(RegistryId movie);
void taskmoviesound(RegistryId movie);
bool moviesounddone(RegistryId movie);
void rewindmoviesound(RegistryId movie);
void disposemoviesound(RegistryId movie);
// The movie's current time as movie time text.
void moviesoundtime(RegistryId movie, StringPtr text);

}  // namespace kv
