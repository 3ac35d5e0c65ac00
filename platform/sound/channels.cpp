#include "platform/sound/channels.h"

#include <memory>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"
#include "platform/sound/audiointernal.h"
#include "platform/sound/sampledecode.h"

namespace kv {

namespace {

constexpr std::size_t kLoggedSounds = 256;

struct Channel {
  SndCallBackProc routine = nullptr;
};

struct ChannelState {
  Registry<Channel, RegType::soundchannel> channels;
  std::vector<QueuedSound> logged;
  u32 callbacks = 0;
  bool fail = false;
};

ChannelState& cs() { return state<ChannelState>(); }

void logsound(RegistryId channel, u16 cmd, const SampledInfo& info) {
  auto& log = cs().logged;
  if (log.size() >= kLoggedSounds) log.erase(log.begin());
  log.push_back(
      QueuedSound{channel, backend().ticks(), info.fixedrate, cmd, std::vector<u8>(info.data, info.data + info.bytes)});
}

OSErr send(RegistryId channel, const SndCommand& command, const SampledSound* sound, bool now) {
  if (!cs().channels.valid(channel)) return badChannel;
  u16 cmd = u16(command.cmd & ~dataOffsetFlag);
  auto m = std::make_unique<AudioMessage>();
  m->kind = now ? AudioMessage::Kind::immediate : AudioMessage::Kind::command;
  m->target = channel;
  m->cmd = cmd;
  m->param1 = command.param1;
  m->param2 = command.param2;
  if (cmd == soundCmd || cmd == bufferCmd) {
    SampledInfo info;
    if (sound == nullptr || sound->header == nullptr) return badFormat;
    if (OSErr e = readsampledheader(sound->header, sound->length, &info)) return e;
    logsound(channel, cmd, info);
    if (cmd == bufferCmd) {
      std::shared_ptr<PcmSound> pcm;
      if (OSErr e = decodesampled(info, &pcm)) return e;
      m->pcm = std::move(pcm);
    }
  }
  return audiosend(std::move(m)) ? OSErr(noErr) : queueFull;
}

}  // namespace

OSErr SndNewChannel(RegistryId* channel, i16 synth, i32, SndCallBackProc routine) {
  *channel = nilid;
  if (cs().fail || synth != sampledSynth) return notEnoughHardwareErr;
  auto c = std::make_unique<Channel>();
  c->routine = routine;
  RegistryId id = cs().channels.add(std::move(c));
  if (id == nilid) return notEnoughHardwareErr;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::newchannel;
  m->target = id;
  if (!audiosend(std::move(m))) {
    cs().channels.remove(id);
    return notEnoughHardwareErr;
  }
  *channel = id;
  return noErr;
}

OSErr SndDoCommand(RegistryId channel, const SndCommand& command, const SampledSound* sound) {
  return send(channel, command, sound, false);
}

OSErr SndDoImmediate(RegistryId channel, const SndCommand& command, const SampledSound* sound) {
  return send(channel, command, sound, true);
}

OSErr SndDisposeChannel(RegistryId channel, bool quietNow) {
  if (!cs().channels.remove(channel)) return badChannel;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::dispose;
  m->target = channel;
  m->flag = quietNow;
  audiosend(std::move(m));
  return noErr;
}

OSErr checksampledsound(const SampledSound& sound) {
  SampledInfo info;
  if (sound.header == nullptr) return badFormat;
  return readsampledheader(sound.header, sound.length, &info);
}

std::size_t soundchannelcount() { return hasstate<ChannelState>() ? cs().channels.count() : 0; }

void channelcompleted(const AudioCompletion& c) {
  Channel* ch = cs().channels.get(c.target);
  if (ch == nullptr) return;
  ++cs().callbacks;
  if (ch->routine != nullptr) ch->routine(c.target, SndCommand{c.cmd, c.param1, c.param2});
}

const std::vector<QueuedSound>& queuedsounds() { return cs().logged; }
u32 soundcallbacks() { return cs().callbacks; }
void failsoundchannels(bool fail) { cs().fail = fail; }

}  // namespace kv
