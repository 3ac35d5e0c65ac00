// Sound input devices and capture (internal to platform/sound), behind the Sound Manager's
// input calls (soundmanager.h).
//
// With a display the devices are SDL's capture devices: a capture device keeps what it hears
// in SDL's own queue, which the main thread drains (no thread of ours runs). Headless the devices
// are those a test names, and a capture device takes the samples a test injected as the virtual
// clock passes while it runs (silence when none are left).
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

// The input devices' names, Mac Roman.
std::vector<std::string> inputdevicenames();

// A capture of the first input device: 16-bit mono at the output rate (44,100 Hz).
class SoundCapture {
 public:
  SoundCapture() = default;
  ~SoundCapture() { close(); }
  SoundCapture(const SoundCapture&) = delete;
  SoundCapture& operator=(const SoundCapture&) = delete;

  // Opens the device, not yet listening: false when there is none or it cannot open.
  bool open();
  void start();
  void stop();
  bool running() const { return running_; }
  // Appends what was heard since the last call.
  // Lets the device go (the destructor calls it).
  void close();
  void drain(std::vector<i16>& out);

 private:
  // The sound module's side reads these; the program's forwarders (whose file defines every
  // member routine) do not, which one compiler reports as unused.
  [[maybe_unused]] u32 device_ = 0;  // SDL's device; 0 headless
  [[maybe_unused]] bool opened_ = false;
  bool running_ = false;
  [[maybe_unused]] u32 since_ = 0;  // headless: the tick heard up to
  std::vector<i16> pending_;        // heard before the last stop, not yet drained
};

// The recorded samples as a format-1 'snd ' resource in host order: a head of kRecordedHeader
// bytes (one synthesizer entry, one buffer command), an extended header (16-bit mono at the
// output rate), the samples big-endian. None when memory runs out.
constexpr Size kRecordedHeader = 20;
Handle recordedsound(const std::vector<i16>& samples);

// The recording dialog (recorddialog.cpp) with its top-left corner at `corner`: noErr with what
// was recorded when saved, userCanceledErr when cancelled, siDeviceBusyErr when the input
// cannot open.
OSErr recorddialog(Point corner, ConstStringPtr name, std::vector<i16>* samples);

}  // namespace kv
