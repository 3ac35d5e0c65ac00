#include "platform/speech/voices.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/root.h"
#include "platform/speech/espeak.h"

namespace kv {

namespace {

constexpr OSType kCreator = fourcc("kvsp");

struct VoicesState {
  bool model = false;  // a test's list stands in for the synthesizer's
  std::vector<SynthVoice> voices;
  i16 failat = 0;
};

VoicesState& vs() { return state<VoicesState>(); }

const std::vector<SynthVoice>& installed() { return vs().model ? vs().voices : synthvoices(); }

const SynthVoice* voiceof(const VoiceSpec& voice) {
  const std::vector<SynthVoice>& all = installed();
  if (voice.creator != kCreator || voice.id < 1 || voice.id > all.size()) return nullptr;
  return &all[voice.id - 1];
}

}  // namespace

OSErr CountVoices(i16* count) {
  *count = i16(std::min<std::size_t>(installed().size(), 0x7FFF));
  return noErr;
}

OSErr GetIndVoice(i16 index, VoiceSpec* voice) {
  if (index < 1 || std::size_t(index) > installed().size() || (vs().failat != 0 && index >= vs().failat))
    return voiceNotFound;
  *voice = VoiceSpec{kCreator, OSType(index)};
  return noErr;
}

OSErr GetVoiceDescription(const VoiceSpec* voice, VoiceDescription* info) {
  const SynthVoice* v = voiceof(*voice);
  if (v == nullptr) return voiceNotFound;
  std::memset(info, 0, sizeof *info);
  info->voice = *voice;
  info->name[0] = u8(std::min<std::size_t>(v->name.size(), 63));
  std::memcpy(info->name + 1, v->name.data(), info->name[0]);
  info->gender = v->gender;
  return noErr;
}

std::string voicevariant(const VoiceSpec& voice) {
  const SynthVoice* v = voiceof(voice);
  return v != nullptr ? v->variant : std::string();
}

void setvoicesmodel(std::vector<std::string> names, i16 failat, std::vector<i16> genders) {
  VoicesState& s = vs();
  s.model = true;
  s.voices.clear();
  for (std::size_t i = 0; i < names.size(); ++i)
    s.voices.push_back({std::move(names[i]), std::string(), i < genders.size() ? genders[i] : i16(0)});
  s.failat = failat;
}

}  // namespace kv
