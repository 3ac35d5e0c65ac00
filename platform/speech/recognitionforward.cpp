// The program's side of the recognition module: each routine loads kvmod_recognition.so on
// first use and calls it, or answers that recognition is not available.
#include <utility>

#include "platform/speech/recognitionmodule.h"

namespace kv {

const std::vector<std::string>& nofeedbacklines() {
  static const std::vector<std::string> none;
  return none;
}

#define KV_RECOGNITION_FORWARDER(...) KV_MODULE_FORWARDER(RecognitionModule, "recognition", __VA_ARGS__)
KV_RECOGNITION_ENTRIES(KV_RECOGNITION_FORWARDER)

}  // namespace kv
