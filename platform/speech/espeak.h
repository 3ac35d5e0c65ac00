// The speech synthesizer behind voices and speech channels (internal to platform/speech):
// espeak-ng with the data of espeak-ng-data, started on first use. Its installed voices are
// espeak-ng's voice variants, each spoken with the language voice of the international
// settings (US English).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kv {

struct SynthVoice {
  std::string name;     // Mac Roman
  std::string variant;  // espeak-ng's variant file name; empty: the language voice alone
  i16 gender = 0;       // 0 none, 1 male, 2 female
};

// How one text is spoken: espeak-ng's rate (words a minute, 80-450) and pitch (0-100); a
// negative value keeps the voice's own.
struct SynthSettings {
  std::string variant;
  i32 rate = -1;
  i32 pitch = -1;
  bool phonemes = false;  // the text is phonemes in espeak-ng's notation
};

// True once espeak-ng started with its data.
bool synthready();
const std::vector<SynthVoice>& synthvoices();
// The samples (16-bit mono at *rate frames a second) of a text (UTF-8): false when the
// synthesizer failed.
bool synthesize(const SynthSettings& settings, std::string_view utf8, std::vector<i16>* samples, i32* rate);
// The phonemes of a text (UTF-8) in espeak-ng's notation, words separated by spaces.
bool synthphonemes(std::string_view utf8, std::string* out);

}  // namespace kv
