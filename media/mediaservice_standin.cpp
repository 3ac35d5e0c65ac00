// A stand-in for the movie and printing services until movies play and printing is built:
// nothing plays, so there is nothing to service. (The sound service is media/soundqueue.cpp.)
#include "media/mediaservice.h"

namespace kv {

i16 checkmovies(const EventRecord&) { return 0; }

i32 playingmovies() { return 0; }

void checkprinting() {}

// Until the movie service is built no "movieCallBack" is sent.
void PmovieRTmoovcallback(Movie, i32) {}

}  // namespace kv
