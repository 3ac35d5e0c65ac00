// Diagnostics: messages to the system console, and the alert sound.
#pragma once

#include "platform/types.h"

namespace kv {

// Writes a length-prefixed Mac Roman text, followed by a new line, to the console.
void KVDebugMsg(ConstStringPtr text);

// Plays the system alert sound; the sound number does not change the sound.
void KVBeep(i16 sound);

}  // namespace kv
