#include "platform/sound/soundmanager.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct SoundInputState {
  std::vector<std::string> devices;
};
}  // namespace

u32 SndSoundManagerVersion() { return 0x03800000; }  // 3.8

OSErr SPBGetIndexedDevice(i16 index, StringPtr name, Handle* icon) {
  if (icon != nullptr) *icon = nilhandle;
  const auto& devices = state<SoundInputState>().devices;
  if (index < 1 || std::size_t(index) > devices.size()) return siBadSoundInDevice;
  const std::string& n = devices[std::size_t(index - 1)];
  name[0] = u8(std::min<std::size_t>(n.size(), 255));
  std::memcpy(name + 1, n.data(), name[0]);
  return noErr;
}

void setsoundinputdevices(std::vector<std::string> names) { state<SoundInputState>().devices = std::move(names); }

}  // namespace kv
