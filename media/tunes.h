// Tunes: `play instrument n [tempo t] notes` plays music written as note text through the note
// allocator and tune player (platform/sound/tunes.h): a queue of up to 20 tunes played one
// after another, and the looping background tune of `play forever instrument`.
//
// Note text: notes a-g (with # and b, an octave digit, + to sound with the next) or a MIDI note
// number, or z for a rest, each followed by a duration letter (w h q e s t x, dotted with . or a
// triplet with 3); duration and octave persist from note to note; a blank ends a note. A quarter
// note lasts 300 units (36,000 / tempo), at 600 units a second.
#pragma once

#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// `play [forever] instrument ...` with `at` the atom after "instrument".
scriptstatus playinstrument(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool forever);

// The tune sequence of the note text from atom `at` (an optional `tempo` expression, then note
// texts to the end of the statement): big-endian event words ending with a rest of 100 units
// and the end marker, and the most notes sounding together (at least 1). Expression errors are
// returned as they come.
scriptstatus buildtunesequence(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i16* voices,
                               Handle* sequence);
// The 96-byte tune header of an instrument, or none with *status 118 (no note allocator or music
// device), 209 (no such instrument) or the note allocator's failure.
Handle buildtuneheader(i32 instrument, i16 polyphony, i16* status);
// 0, or 118 when the note allocator or its music device cannot be opened.
i16 opentunecomponents();
// Services the tune queue: frees the tunes that played and starts the next.
void checktunes();
// The queue player's completion routine.
void PtuneRTcallproc(RegistryId player, u32 refcon);

// Stops the queue and the background tune and frees them (`play stop`, `play stop instrument`).
void stoptunes();
// True while tunes are queued or a background tune exists.
bool tunesplaying();

}  // namespace kv
