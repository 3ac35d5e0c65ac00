// The audio output: one mixer at 44,100 Hz, 16-bit stereo (735 frames a tick), behind which
// sound channels (platform/sound/channels.h) and tune players (platform/sound/tunes.h) play, and
// one device that takes what it mixes.
//
// The device opens on first use. With a display it is an SDL audio device whose callback
// thread runs the mixer; messages and completions cross between that thread and the main
// thread through single-producer, single-consumer queues. Headless (or when no audio device
// opens) it is the null device: the mixer renders on the main thread as the tick clock
// advances, into a buffer tests read. Either way completion routines run on the main thread
// only: at platform waits and polls and from the sound service, through `audioservice`.
#pragma once

#include <vector>

#include "platform/types.h"

namespace kv {

// Takes in what the device reached (the null device first renders up to the current tick) and
// runs the completion routines that are due.
void audioservice();

// The output volume in the Sound Manager's form: left level in the high and right level in the
// low 16 bits, 0x0100 full (start 0x01000100).
void SetDefaultOutputVolume(u32 level);
u32 GetDefaultOutputVolume();

// --- Test access (null device) -------------------------------------------------------------
// While set, output and input go through SDL's audio devices headless too (a test picks SDL's
// dummy or disk driver); set before the output first opens.
void usesdlaudio(bool on);
// True once the output was opened.
bool audiooutputopen();
// The frames the null device rendered for the ticks [from, to), interleaved left and right
// (ticks before the output opened read as silence; ticks not yet reached are left out). The
// last 30 seconds are kept.
std::vector<i16> renderedaudio(u32 fromtick, u32 totick);

}  // namespace kv
