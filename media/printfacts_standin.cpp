// Stand-in until printing is built: the system can neither answer nor change any printing
// fact (124), and the event loop's printing hook has nothing to do.
#include "media/mediaservice.h"
#include "media/printfacts.h"

namespace kv {

namespace {
constexpr i16 kNotAnswered = 124;
}  // namespace

i16 getpapersize(u16, fred*) { return kNotAnswered; }
i16 getpapersizes(u16, fred*) { return kNotAnswered; }
i16 getprintablerect(fred*) { return kNotAnswered; }
i16 getprinter(fred*) { return kNotAnswered; }
i16 getprinterdriver(fred*) { return kNotAnswered; }
i16 getprintermodel(fred*) { return kNotAnswered; }
i16 getprinters(fred*) { return kNotAnswered; }
i16 getprintcopies(fred*) { return kNotAnswered; }
i16 getprintorientation(fred*) { return kNotAnswered; }
i16 getprintrange(fred*) { return kNotAnswered; }
i16 setpapersize(ConstStringPtr) { return kNotAnswered; }
i16 setprinter(ConstStringPtr) { return kNotAnswered; }
i16 setprintcopies(i32) { return kNotAnswered; }
i16 setprintorientation(u16) { return kNotAnswered; }
i16 setprintrange(i32, i32) { return kNotAnswered; }

// The printing hook of every pass of the event loop: nothing prints yet.
void checkprinting() {}

}  // namespace kv
