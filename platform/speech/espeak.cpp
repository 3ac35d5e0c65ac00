#include "platform/speech/espeak.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>

#include "platform/runtime/root.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

constexpr char kLanguage[] = "en-us";
constexpr char kVariantPrefix[] = "!v/";
constexpr int kNormalPitch = 50;

struct SynthState {
  bool tried = false;
  bool ready = false;
  i32 rate = 0;
  std::vector<SynthVoice> voices;
  std::vector<i16>* sink = nullptr;  // where the running synthesis puts its samples
};

SynthState& sy() { return state<SynthState>(); }

// espeak-ng calls this on the main thread while espeak_Synth runs (synchronous output).
int collect(short* wav, int count, espeak_EVENT*) {
  if (wav != nullptr && count > 0 && sy().sink != nullptr) sy().sink->insert(sy().sink->end(), wav, wav + count);
  return 0;
}

// espeak-ng is one synthesizer for the whole process: it starts once and stays (its
// espeak_Terminate waits for ever on its own thread in this version), so a reset of the runtime
// keeps it. The answer is its sample rate, or 0 when it did not start.
int library() {
  static const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
  return rate > 0 ? rate : 0;
}

void start() {
  SynthState& s = sy();
  if (s.tried) return;
  s.tried = true;
  int rate = library();
  if (rate <= 0) return;
  s.ready = espeak_SetVoiceByName(kLanguage) == EE_OK;
  if (!s.ready) return;
  s.rate = rate;
  espeak_SetSynthCallback(collect);
  espeak_VOICE spec{};
  spec.languages = "variant";
  const espeak_VOICE** list = espeak_ListVoices(&spec);
  for (std::size_t i = 0; list != nullptr && list[i] != nullptr; ++i) {
    std::string_view id = list[i]->identifier != nullptr ? list[i]->identifier : "";
    if (!id.starts_with(kVariantPrefix) || list[i]->name == nullptr) continue;
    s.voices.push_back(
        {utf8tomacroman(list[i]->name), std::string(id.substr(3)), i16(std::min<int>(list[i]->gender, 2))});
  }
}

}  // namespace

bool synthready() {
  start();
  return sy().ready;
}

const std::vector<SynthVoice>& synthvoices() {
  start();
  return sy().voices;
}

bool synthesize(const SynthSettings& settings, std::string_view utf8, std::vector<i16>* samples, i32* rate) {
  if (!synthready()) return false;
  std::string voice = kLanguage;
  if (!settings.variant.empty()) voice += "+" + settings.variant;
  if (espeak_SetVoiceByName(voice.c_str()) != EE_OK) return false;
  // The parameters outlive a voice change: each text sets both.
  espeak_SetParameter(espeakRATE, settings.rate >= 0 ? std::clamp(settings.rate, 80, 450) : espeakRATE_NORMAL, 0);
  espeak_SetParameter(espeakPITCH, settings.pitch >= 0 ? std::clamp(settings.pitch, 0, 100) : kNormalPitch, 0);
  // Phonemes go between double brackets, which espeak-ng reads in its own notation.
  std::string text = settings.phonemes ? "[[" + std::string(utf8) + "]]" : std::string(utf8);
  unsigned flags = espeakCHARS_UTF8 | (settings.phonemes ? espeakPHONEMES : 0u);
  sy().sink = samples;
  espeak_ERROR e = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
  sy().sink = nullptr;
  *rate = sy().rate;
  return e == EE_OK;
}

bool synthphonemes(std::string_view utf8, std::string* out) {
  if (!synthready()) return false;
  out->clear();
  std::string text(utf8);
  const void* at = text.c_str();
  while (at != nullptr) {
    const char* clause = espeak_TextToPhonemes(&at, espeakCHARS_UTF8, 0);
    if (clause == nullptr) break;
    if (!out->empty() && *clause != 0) *out += ' ';
    *out += clause;
  }
  return true;
}

}  // namespace kv
