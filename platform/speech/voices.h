// The installed voices of the speech synthesizer, counted, taken by index and described:
// espeak-ng's voice variants (platform/speech/espeak.h), each with its name and gender. Tests
// may set a list of their own instead.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

struct VoiceSpec {
  OSType creator;
  OSType id;
};

// What the system reads of a voice's description: its name and gender.
struct VoiceDescription {
  VoiceSpec voice;
  u8 name[64];  // length-prefixed
  i16 gender;   // 0 none, 1 male, 2 female
};

constexpr OSErr voiceNotFound = -244;

OSErr CountVoices(i16* count);
OSErr GetIndVoice(i16 index, VoiceSpec* voice);
OSErr GetVoiceDescription(const VoiceSpec* voice, VoiceDescription* info);

// The espeak-ng variant that speaks a voice: empty for a voice of a test's list (spoken with
// the language voice) or one that is not installed.
std::string voicevariant(const VoiceSpec& voice);

// Test control: the installed voices' names (Mac Roman) and genders (missing ones 0), and a
// failure from voice `failat` on (0: none). The list stands until the runtime is reset.
void setvoicesmodel(std::vector<std::string> names, i16 failat = 0, std::vector<i16> genders = {});

}  // namespace kv
