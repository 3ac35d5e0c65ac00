// The recording dialog: a movable modal window with the sound's name, what was recorded and
// five buttons (Record, Stop, Play, Save, Cancel). Return or Enter saves; Escape or
// Command-period cancels. It runs on the input of a live display, or headless on the scripted
// input timeline.
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/sound/channels.h"
#include "platform/sound/mixer.h"
#include "platform/sound/soundinput.h"
#include "platform/sound/soundmanager.h"
#include "platform/windows/windows.h"

namespace kv {

namespace {

constexpr i16 kWidth = 304, kHeight = 128;
constexpr i16 kButtonWidth = 52, kButtonGap = 6, kButtonHeight = 20;
constexpr std::size_t kMostFrames = std::size_t(kOutputRate) * 300;  // five minutes
constexpr u8 kEnter = 3, kReturn = 13, kEscape = 27;
constexpr u8 kTitle[] = "\x0CRecord Sound";

enum Button : int { record, stop, play, save, cancel, buttoncount };
constexpr const char* kLabels[buttoncount] = {"Record", "Stop", "Play", "Save", "Cancel"};

Rect buttonrect(int b) {
  i16 left = i16(12 + b * (kButtonWidth + kButtonGap));
  return Rect{i16(kHeight - 12 - kButtonHeight), left, i16(kHeight - 12), i16(left + kButtonWidth)};
}

void drawtext(i16 h, i16 v, const std::string& macroman) {
  Str255 s;
  s[0] = u8(std::min<std::size_t>(macroman.size(), 255));
  std::copy_n(macroman.begin(), s[0], s + 1);
  MoveTo(h, v);
  DrawString(s);
}

struct RecordDialog {
  WindowRef window = 0;
  std::string name;  // Mac Roman
  SoundCapture capture;
  std::vector<i16> samples;
  RegistryId channel = nilid;  // playing back what was recorded
  Handle played = nilhandle;
  u32 playends = 0;
  std::string shown;  // the status line last drawn

  ~RecordDialog() {
    stopplaying();
    if (window != 0) DisposeWindow(window);
  }

  std::string status() const {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", double(samples.size()) / kOutputRate);
    if (capture.running()) return std::string("Recording: ") + seconds;
    if (channel != nilid) return std::string("Playing ") + seconds;
    return samples.empty() ? std::string("Nothing recorded yet.") : std::string("Recorded ") + seconds;
  }

  void draw() {
    GrafPtr save;
    GetPort(&save);
    SetPortWindowPort(window);
    Rect all;
    GetWindowPortBounds(window, &all);
    EraseRect(&all);
    drawtext(12, 22, "Recording the sound \xD2" + name + "\xD3");
    shown = status();
    drawtext(12, 50, shown);
    for (int b = 0; b < buttoncount; ++b) {
      Rect r = buttonrect(b);
      FrameRoundRect(&r, 8, 8);
      Str255 label;
      label[0] = u8(std::char_traits<char>::length(kLabels[b]));
      std::copy_n(kLabels[b], label[0], label + 1);
      drawtext(i16((r.left + r.right - StringWidth(label)) / 2), i16(r.bottom - 6), kLabels[b]);
    }
    SetPort(save);
  }

  void stopplaying() {
    if (channel != nilid) SndDisposeChannel(channel, true);
    channel = nilid;
    if (played != nilhandle) DisposeHandle(played);
    played = nilhandle;
  }

  void startplaying() {
    if (capture.running() || samples.empty()) return;
    stopplaying();
    played = recordedsound(samples);
    if (played == nilhandle) return;
    SampledSound s{deref(played) + kRecordedHeader, GetHandleSize(played) - kRecordedHeader};
    if (SndNewChannel(&channel, sampledSynth) != noErr) {
      stopplaying();
      return;
    }
    if (SndDoCommand(channel, SndCommand{bufferCmd, 0, 0}, &s) != noErr) stopplaying();
    playends = TickCount() + u32(samples.size() / kFramesPerTick) + 1;
  }

  void stoprecording() {
    capture.drain(samples);
    capture.stop();
    capture.drain(samples);
  }

  // Carries out a button: false when the dialog ends (*result: noErr saved, userCanceledErr).
  bool press(int b, OSErr* result) {
    switch (b) {
      case record:
        stopplaying();
        if (!capture.running()) {
          samples.clear();
          capture.start();
        }
        return true;
      case stop:
        stopplaying();
        stoprecording();
        return true;
      case play: startplaying(); return true;
      case save:
        stoprecording();
        *result = noErr;
        return false;
      default: *result = userCanceledErr; return false;
    }
  }

  // The button a click in the content hits, or -1.
  int hit(Point where) const {
    GrafPtr save;
    GetPort(&save);
    SetPortWindowPort(window);
    GlobalToLocal(&where);
    SetPort(save);
    for (int b = 0; b < buttoncount; ++b) {
      Rect r = buttonrect(b);
      if (PtInRect(where, &r)) return b;
    }
    return -1;
  }

  // Takes in what was heard and ends playing that reached its end.
  void service() {
    if (capture.running()) {
      capture.drain(samples);
      if (samples.size() >= kMostFrames) {
        samples.resize(kMostFrames);
        capture.stop();
      }
    }
    if (channel != nilid && i32(TickCount() - playends) >= 0) stopplaying();
    if (status() != shown) draw();
  }
};

}  // namespace

OSErr recorddialog(Point corner, ConstStringPtr name, std::vector<i16>* samples) {
  samples->clear();
  RecordDialog d;
  if (!d.capture.open()) return siDeviceBusyErr;
  d.name.assign(reinterpret_cast<const char*>(name + 1), name[0]);
  Rect bounds{corner.v, corner.h, i16(corner.v + kHeight), i16(corner.h + kWidth)};
  d.window = NewCWindow(nullptr, &bounds, kTitle, true, movableDBoxProc, kFirstWindowOfClass, false, 0);
  if (d.window == 0) return memFullErr;
  SelectWindow(d.window);
  d.draw();
  OSErr result = userCanceledErr;
  for (bool open = true; open;) {
    EventRecord e{};
    if (WaitNextEvent(mDownMask | mUpMask | keyDownMask | autoKeyMask, &e, d.capture.running() ? 2 : 10)) {
      if (e.what == mouseDown) {
        WindowRef w = 0;
        i16 part = FindWindow(e.where, &w);
        if (w == d.window && part == inDrag) {
          DragWindow(d.window, e.where, nullptr);
        } else if (w == d.window && part == inContent) {
          int b = d.hit(e.where);
          if (b >= 0) open = d.press(b, &result);
        }
      } else if (e.what != mouseUp) {
        u8 c = u8(e.message & charCodeMask);
        if (c == kReturn || c == kEnter) open = d.press(save, &result);
        else if (c == kEscape || ((e.modifiers & cmdKey) != 0 && c == '.')) open = d.press(cancel, &result);
      }
    }
    if (open) d.service();
  }
  if (result == noErr) *samples = std::move(d.samples);
  return result;
}

}  // namespace kv
