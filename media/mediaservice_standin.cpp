// A stand-in for the media services until movies and sounds play: nothing plays, so there is
// nothing to service.
#include "media/mediaservice.h"

namespace kv {

i16 checkmovies(const EventRecord&) { return 0; }

i32 playingmovies() { return 0; }

void checksound(u32) {}

void checkprinting() {}

}  // namespace kv
