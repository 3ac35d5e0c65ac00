#include "platform/sound/soundmanager.h"

#include <algorithm>
#include <cstring>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/sound/mixer.h"
#include "platform/sound/soundformat.h"
#include "platform/sound/soundinput.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

constexpr u8 kMiddleC = 60;
constexpr u32 kInitMono = 0x80;

template <class R>
void put(std::vector<u8>& out, const R& r) {
  // Grown, then copied into: GCC 12 warns falsely about a range insert of a few bytes.
  std::size_t at = out.size();
  out.resize(at + sizeof r);
  std::memcpy(out.data() + at, &r, sizeof r);
}

// The input heard over `ticks` ticks, as the clock passes them (an answered dialog).
bool recordfor(u32 ticks, std::vector<i16>* samples) {
  SoundCapture capture;
  if (!capture.open()) return false;
  capture.start();
  u32 end;
  Delay(ticks, &end);
  capture.drain(*samples);
  capture.stop();
  capture.drain(*samples);
  samples->resize(std::size_t(ticks) * kFramesPerTick, 0);
  return true;
}

}  // namespace

Handle recordedsound(const std::vector<i16>& samples) {
  std::vector<u8> out;
  put(out, u16(1));
  put(out, u16(1));
  put(out, sndmodifier{u16(sampledSynth), kInitMono});
  put(out, u16(1));
  put(out, sndcommandrec{u16(dataOffsetFlag | bufferCmd), 0, u32(kRecordedHeader)});
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

u32 SndSoundManagerVersion() { return 0x03800000; }  // 3.8

OSErr SPBGetIndexedDevice(i16 index, StringPtr name, Handle* icon) {
  if (icon != nullptr) *icon = nilhandle;
  std::vector<std::string> devices = inputdevicenames();
  if (index < 1 || std::size_t(index) > devices.size()) return siBadSoundInDevice;
  const std::string& n = devices[std::size_t(index - 1)];
  name[0] = u8(std::min<std::size_t>(n.size(), 255));
  std::memcpy(name + 1, n.data(), name[0]);
  return noErr;
}

OSErr soundinputstate() {
  if (inputdevicenames().empty()) return siBadSoundInDevice;
  SoundCapture capture;
  return capture.open() ? OSErr(noErr) : siDeviceBusyErr;
}

OSErr SndRecord(Point corner, ConstStringPtr name, Handle* sound) {
  *sound = nilhandle;
  if (OSErr e = soundinputstate()) return e;
  Answer a;
  std::string title = "record sound " +
                      macromantoutf8(std::string_view(reinterpret_cast<const char*>(name + 1), name[0]));
  std::vector<i16> samples;
  switch (beginmodal(title, "record sound", &a)) {
    case ModalStart::answered:
      if (a.items.size() != 1 || a.items[0] <= 0) return userCanceledErr;
      if (!recordfor(u32(a.items[0]), &samples)) return siDeviceBusyErr;
      break;
    case ModalStart::run:
      if (OSErr e = recorddialog(corner, name, &samples)) return e;
      break;
    case ModalStart::usedefault: return userCanceledErr;
  }
  if (samples.empty()) return noErr;  // saved with nothing recorded: no sound
  *sound = recordedsound(samples);
  return *sound == nilhandle ? OSErr(memFullErr) : OSErr(noErr);
}

}  // namespace kv
