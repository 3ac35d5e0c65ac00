// The Sound Manager facts the system asks about: its version and the sound input devices.
// Recording is not offered (the capability table has no sound input), so the device list is
// empty unless a test sets one.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

constexpr OSErr siBadSoundInDevice = -221;

// The version as the four bytes major, minor and bug fix (BCD nibbles), stage, release.
u32 SndSoundManagerVersion();
// The name of input device `index` (from 1); siBadSoundInDevice past the last. `icon` gets
// none (the caller frees what it gets).
OSErr SPBGetIndexedDevice(i16 index, StringPtr name, Handle* icon);

// Test control: the input devices' names (Mac Roman).
void setsoundinputdevices(std::vector<std::string> names);

}  // namespace kv
