// The installed voices of the speech synthesizer, counted, taken by index and described. The
// synthesizer itself joins with the speech services; until then no voice is installed unless a
// test sets a list.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

struct VoiceSpec {
  OSType creator;
  OSType id;
};

// What the system reads of a voice's 362-byte description: its name.
struct VoiceDescription {
  VoiceSpec voice;
  u8 name[64];  // length-prefixed
};

constexpr OSErr voiceNotFound = -244;

OSErr CountVoices(i16* count);
OSErr GetIndVoice(i16 index, VoiceSpec* voice);
OSErr GetVoiceDescription(const VoiceSpec* voice, VoiceDescription* info);

// Test control: the installed voices' names (Mac Roman), and a failure from voice `failat`
// on (0: none).
void setvoicesmodel(std::vector<std::string> names, i16 failat = 0);

}  // namespace kv
