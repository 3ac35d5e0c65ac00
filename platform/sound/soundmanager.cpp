#include "platform/sound/soundmanager.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/sound/mixer.h"
#include "platform/sound/soundformat.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

struct SoundInputState {
  std::vector<std::string> devices;
  bool fail = false;
  std::deque<i16> injected;
};

SoundInputState& si() { return state<SoundInputState>(); }

constexpr u8 kMiddleC = 60;
constexpr u32 kInitMono = 0x80;

// The captured samples of `ticks` ticks, as the clock passes them.
std::vector<i16> capture(u32 ticks) {
  u32 end;
  Delay(ticks, &end);
  std::deque<i16>& in = si().injected;
  std::vector<i16> out(std::size_t(ticks) * kFramesPerTick, 0);
  std::size_t n = std::min(out.size(), in.size());
  std::copy(in.begin(), in.begin() + std::ptrdiff_t(n), out.begin());
  in.erase(in.begin(), in.begin() + std::ptrdiff_t(n));
  return out;
}

template <class R>
void put(std::vector<u8>& out, const R& r) {
  const u8* p = reinterpret_cast<const u8*>(&r);
  out.insert(out.end(), p, p + sizeof r);
}

// A format-1 resource of 16-bit mono samples at the output rate.
Handle recordedsound(const std::vector<i16>& samples) {
  std::vector<u8> out;
  put(out, u16(1));
  put(out, u16(1));
  put(out, sndmodifier{u16(sampledSynth), kInitMono});
  put(out, u16(1));
  put(out, sndcommandrec{u16(dataOffsetFlag | bufferCmd), 0, 20});
  extsoundheader h{};
  h.numChannels = 1;
  h.sampleRate = u32(kOutputRate) << 16;
  h.encode = extSH;
  h.baseFrequency = kMiddleC;
  h.numFrames = u32(samples.size());
  h.AIFFSampleRate = u16x5{{0x400E, 0xAC44, 0, 0, 0}};  // 44,100 as an 80-bit extended number
  h.sampleSize = 16;
  put(out, h);
  for (i16 s : samples) {
    out.push_back(u8(u16(s) >> 8));
    out.push_back(u8(s));
  }
  Handle sound = nilhandle;
  return PtrToHand(out.data(), &sound, Size(out.size())) == noErr ? sound : nilhandle;
}

}  // namespace

u32 SndSoundManagerVersion() { return 0x03800000; }  // 3.8

OSErr SPBGetIndexedDevice(i16 index, StringPtr name, Handle* icon) {
  if (icon != nullptr) *icon = nilhandle;
  const auto& devices = si().devices;
  if (index < 1 || std::size_t(index) > devices.size()) return siBadSoundInDevice;
  const std::string& n = devices[std::size_t(index - 1)];
  name[0] = u8(std::min<std::size_t>(n.size(), 255));
  std::memcpy(name + 1, n.data(), name[0]);
  return noErr;
}

OSErr soundinputstate() {
  if (si().devices.empty()) return siBadSoundInDevice;
  return si().fail ? siDeviceBusyErr : OSErr(noErr);
}

OSErr SndRecord(Point, ConstStringPtr name, Handle* sound) {
  *sound = nilhandle;
  if (OSErr e = soundinputstate()) return e;
  Answer a;
  std::string title = "record sound " + macromantoutf8(std::string_view(reinterpret_cast<const char*>(name + 1), name[0]));
  if (beginmodal(title, "record sound", &a) != ModalStart::answered || a.items.size() != 1 || a.items[0] <= 0)
    return userCanceledErr;
  *sound = recordedsound(capture(u32(a.items[0])));
  return *sound == nilhandle ? OSErr(memFullErr) : OSErr(noErr);
}

void setsoundinputdevices(std::vector<std::string> names) { si().devices = std::move(names); }
void failsoundinput(bool fail) { si().fail = fail; }
void injectsoundinput(const std::vector<i16>& samples) {
  si().injected.insert(si().injected.end(), samples.begin(), samples.end());
}

}  // namespace kv
