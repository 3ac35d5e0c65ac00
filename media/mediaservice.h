// The periodic media services the event loop calls: movie controllers, the sound queues and
// printing.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/movies/movies.h"
#include "platform/types.h"

namespace kv {

// Offers the current event to the open movie controllers: non-zero when one took it.
i16 checkmovies(const EventRecord& event);
// The number of movies playing now.
i32 playingmovies();
// Services the sound, movie-sound and tune queues.
void checksound(u32 ticks);
// The time callback of movies left on cards (procedure table slot 70): sends "movieCallBack".
void PmovieRTmoovcallback(Movie movie, i32 refcon);
// The printing hook of every pass (it has nothing to do).
void checkprinting();

}  // namespace kv
