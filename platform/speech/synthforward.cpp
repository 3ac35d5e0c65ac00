// The program's side of the speech synthesis module: each routine loads kvmod_speech.so on
// first use and calls it, or answers that speech is not available.
#include "platform/speech/synthmodule.h"

namespace kv {

const std::vector<SynthVoice>& novoices() {
  static const std::vector<SynthVoice> none;
  return none;
}

#define KV_SPEECH_FORWARDER(...) KV_MODULE_FORWARDER(SpeechModule, "speech", __VA_ARGS__)
KV_SPEECH_ENTRIES(KV_SPEECH_FORWARDER)

}  // namespace kv
