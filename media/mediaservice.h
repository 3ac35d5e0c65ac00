// The periodic media services the event loop calls: movie controllers, the sound queues and
// printing.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/movies/movies.h"
#include "platform/windows/windows.h"
#include "platform/types.h"

namespace kv {

// The movie service: releases removed movies and those whose window went, starts new ones,
// and offers the event to the controllers; a mouse-down a controller took inside its movie
// sends "movieClick". Non-zero when a controller took the event.
i16 checkmovies(const EventRecord& event);
// The entries of the open-movie table, removed ones included (the event loop offers every
// event to the movie service while there are any).
i32 playingmovies();
// After a window's contents were drawn: its movies' controllers draw themselves and their
// boxes are validated (none: every movie).
void updatemovies(WindowRef window);
// Shows or hides every movie's controller.
void showhidecontrollers(bool visible);
// Whether a movie of `moviewindow` counts for `window`: always without a window, else when it
// is the current window, that window, or a palette.
bool hotmovie(WindowRef moviewindow, WindowRef window);
// Services the sound, movie-sound and tune queues.
void checksound(u32 ticks);
// The time callback of movies left on cards (procedure table slot 70), armed with the movie's
// id: sends "movieCallBack" while callbacks are allowed.
void PmovieRTmoovcallback(Movie movie, i32 refcon);
// The printing hook of every pass (it has nothing to do; media/printsessions.cpp).
void checkprinting();

}  // namespace kv
