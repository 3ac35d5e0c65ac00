// Stand-in of the sound channels until the sound services play them: commands are taken in and
// the sampled sounds kept (see soundchannel.h).
#include <memory>

#include "media/soundchannel.h"
#include "platform/events/events.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct Channel {
  i16 synth = 0;
};

struct SoundChannelState {
  Registry<Channel, RegType::soundchannel> channels;
  std::vector<QueuedSound> queued;
  u32 callbacks = 0;
  bool fail = false;
};

SoundChannelState& sc() { return state<SoundChannelState>(); }

u32 be32(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3]; }

constexpr Size kStandardHeader = 22;

}  // namespace

OSErr SndNewChannel(RegistryId* channel, i16 synth) {
  *channel = nilid;
  if (sc().fail || synth != sampledSynth) return notEnoughHardwareErr;
  auto c = std::make_unique<Channel>();
  c->synth = synth;
  *channel = sc().channels.add(std::move(c));
  return *channel == nilid ? OSErr(notEnoughHardwareErr) : OSErr(noErr);
}

OSErr SndDoImmediate(RegistryId channel, const SndCommand& command, const SampledSound* sound) {
  if (sc().channels.get(channel) == nullptr) return badChannel;
  switch (command.cmd & 0x7FFF) {
    case quietCmd: return noErr;
    case callBackCmd: ++sc().callbacks; return noErr;
    case soundCmd:
    case bufferCmd: {
      if (sound == nullptr || sound->header == nullptr || sound->length < kStandardHeader) return badFormat;
      const u8* h = sound->header;
      u32 count = be32(h + 4);
      if (h[20] != 0 || count > u32(sound->length - kStandardHeader)) return badFormat;
      QueuedSound q{channel, TickCount(), be32(h + 8), u16(command.cmd & 0x7FFF),
                    std::vector<u8>(h + kStandardHeader, h + kStandardHeader + count)};
      sc().queued.push_back(std::move(q));
      return noErr;
    }
    default: return noErr;
  }
}

OSErr SndDisposeChannel(RegistryId channel, bool) {
  return sc().channels.remove(channel) ? OSErr(noErr) : OSErr(badChannel);
}

const std::vector<QueuedSound>& queuedsounds() { return sc().queued; }
u32 soundcallbacks() { return sc().callbacks; }
void failsoundchannels(bool fail) { sc().fail = fail; }

}  // namespace kv
