// Sounds of movie files (`play file`, `play using quickTime`): a queue of up to 20 movies
// played one after another and the looping forever movie sound, over the movie layer
// (media/moviesoundlayer.h). Movies of sounds show nothing.
#pragma once

#include "platform/types.h"

namespace kv {

// Whether the movie layer can play sound files.
bool moviesoundsavailable();
// Starts or queues the movie sound of a file: 0, 1 when the file cannot be found or read, else
// the status of putting result text 13 (the movie cannot be opened).
i16 lowplaymoovsnd(ConstStringPtr path, bool forever);
// The time of the movie sound playing, as movie time text; empty when none plays.
void getmoovfileplaytime(StringPtr out);

// What the sound service and `play stop` do with the movie sounds.
void checkmoviesounds();
void stopmoviesounds();
i32 moviesoundcount();
bool foreverplaying();
// The name of the movie sound that plays: false when none does.
bool moviesoundname(StringPtr name);

}  // namespace kv
