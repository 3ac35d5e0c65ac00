// The boundary of the speech synthesis module (kvmod_speech.so: espeak-ng). Entries as in
// platform/modules/modules.h; when the module is missing the synthesizer is not ready and
// has no voices.
#pragma once

#include "platform/modules/modules.h"
#include "platform/speech/espeak.h"

namespace kv {
// The voices when there is no synthesizer.
const std::vector<SynthVoice>& novoices();
}  // namespace kv

// clang-format off
#define KV_SPEECH_ENTRIES(X)                                                                        \
  X(bool, synthready, (), (), false, loadmodule)                                                    \
  X(const std::vector<SynthVoice>&, synthvoices, (), (), novoices(), loadmodule)                    \
  X(bool, synthesize, (const SynthSettings& s, std::string_view utf8, std::vector<i16>* samples, i32* rate), \
    (s, utf8, samples, rate), false, loadmodule)                                                    \
  X(bool, synthphonemes, (std::string_view utf8, std::string * out), (utf8, out), false, loadmodule)
// clang-format on

namespace kv {
struct SpeechModule {
  KV_SPEECH_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
