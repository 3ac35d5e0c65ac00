// The Sound Manager facts the system asks about (its version and the sound input devices) and
// sound input: the capture device and the recording dialog.
//
// With a display the input devices are SDL's capture devices. Headless they are those a test
// names (none at start) and the capture device takes the samples a test injects, at 44,100 Hz
// mono, as the virtual clock advances (silence when none are left).
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

constexpr OSErr siBadSoundInDevice = -221;
constexpr OSErr siDeviceBusyErr = -227;

// The version as the four bytes major, minor and bug fix (BCD nibbles), stage, release.
u32 SndSoundManagerVersion();
// The name of input device `index` (from 1); siBadSoundInDevice past the last. `icon` gets
// none (the caller frees what it gets).
OSErr SPBGetIndexedDevice(i16 index, StringPtr name, Handle* icon);
// Whether sound input can record now: noErr; siBadSoundInDevice when there is no input device;
// siDeviceBusyErr when the first one cannot be opened.
OSErr soundinputstate();

// The recording dialog (record, stop, play, save, cancel) with its top-left corner at `corner`,
// the sound's name in its text: records from the first input device in the best quality
// (16-bit mono at 44,100 Hz) and gives the sound as a format-1 'snd ' resource in host order
// (a 20-byte head with one synthesizer entry and one buffer command, an extended header, big-
// endian samples; none when saved with nothing recorded). userCanceledErr when the user cancels.
// An answer `record sound: <ticks>` records that long and `record sound: Cancel` cancels; without
// one the dialog runs on input (a display's, or the headless input timeline's).
OSErr SndRecord(Point corner, ConstStringPtr name, Handle* sound);

// Test control: the input devices' names (Mac Roman), whether the first fails to open, and
// samples for the capture device.
void setsoundinputdevices(std::vector<std::string> names);
void failsoundinput(bool fail);
void injectsoundinput(const std::vector<i16>& samples);

}  // namespace kv
