#include "platform/speech/voices.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct VoicesState {
  std::vector<std::string> names;
  i16 failat = 0;
};
VoicesState& vs() { return state<VoicesState>(); }
}  // namespace

OSErr CountVoices(i16* count) {
  *count = i16(std::min<std::size_t>(vs().names.size(), 0x7FFF));
  return noErr;
}

OSErr GetIndVoice(i16 index, VoiceSpec* voice) {
  if (index < 1 || std::size_t(index) > vs().names.size() || (vs().failat != 0 && index >= vs().failat))
    return voiceNotFound;
  *voice = VoiceSpec{fourcc("kvsp"), OSType(index)};
  return noErr;
}

OSErr GetVoiceDescription(const VoiceSpec* voice, VoiceDescription* info) {
  if (voice->creator != fourcc("kvsp") || voice->id < 1 || voice->id > vs().names.size()) return voiceNotFound;
  const std::string& n = vs().names[voice->id - 1];
  std::memset(info, 0, sizeof *info);
  info->voice = *voice;
  info->name[0] = u8(std::min<std::size_t>(n.size(), 63));
  std::memcpy(info->name + 1, n.data(), info->name[0]);
  return noErr;
}

void setvoicesmodel(std::vector<std::string> names, i16 failat) {
  vs().names = std::move(names);
  vs().failat = failat;
}

}  // namespace kv
