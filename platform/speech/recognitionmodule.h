// The boundary of the recognition module (kvmod_recognition.so: pocketsphinx, and FFmpeg's
// resampler for what the microphone hears). Entries as in platform/modules/modules.h; when the
// module is missing, recognition is not available (kSRNotAvailable). The idle pass and the
// feedback queries only look at a module already loaded.
#pragma once

#include "platform/modules/modules.h"
#include "platform/speech/recognition.h"

namespace kv {
// What the feedback lines are when recognition never ran.
const std::vector<std::string>& nofeedbacklines();
}  // namespace kv

// clang-format off
#define KV_RECOGNITION_ENTRIES(X)                                                                               \
  X(bool, SRAvailable, (), (), false, loadmodule)                                                               \
  X(OSErr, SROpenRecognitionSystem, (RegistryId * s), (s), (*s = nilid, OSErr(kSRNotAvailable)), loadmodule)   \
  X(OSErr, SRSetListenModes, (RegistryId s, i16 m), (s, m), OSErr(kSRNotAvailable), loadmodule)                \
  X(OSErr, SRCloseRecognitionSystem, (RegistryId s), (s), OSErr(kSRNotAvailable), loadmodule)                  \
  X(OSErr, SRNewRecognizer, (RegistryId s, RegistryId * r), (s, r), (*r = nilid, OSErr(kSRNotAvailable)),      \
    loadmodule)                                                                                                 \
  X(OSErr, SRReleaseRecognizer, (RegistryId r), (r), OSErr(kSRNotAvailable), loadmodule)                       \
  X(OSErr, SRSetLanguageModel, (RegistryId r, const SRLanguageModel& m), (r, m), OSErr(kSRNotAvailable),       \
    loadmodule)                                                                                                 \
  X(OSErr, SRGetLanguageModel, (RegistryId r, SRLanguageModel * m), (r, m), OSErr(kSRNotAvailable), loadmodule) \
  X(OSErr, SRStartListening, (RegistryId r), (r), OSErr(kSRNotAvailable), loadmodule)                          \
  X(OSErr, SRStopListening, (RegistryId r), (r), OSErr(kSRNotAvailable), loadmodule)                           \
  X(OSErr, SRGetStatus, (RegistryId r, u32 * f), (r, f), (*f = 0, OSErr(kSRNotAvailable)), loadmodule)         \
  X(void, SRIdle, (), (), , loadedmodule)                                                                       \
  X(void, setrecognitionmodel, (std::string folder), (std::move(folder)), , loadmodule)                        \
  X(void, usetestrecognizer, (bool on), (on), , loadmodule)                                                     \
  X(void, refusemodels, (bool refuse), (refuse), , loadmodule)                                                  \
  X(RegistryId, recognitionfeedback, (), (), nilid, loadedmodule)                                               \
  X(const std::vector<std::string>&, recognitionfeedbacklines, (), (), nofeedbacklines(), loadedmodule)        \
  X(void, hearphrase, (std::string text), (std::move(text)), , loadmodule)
// clang-format on

namespace kv {
struct RecognitionModule {
  KV_RECOGNITION_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
