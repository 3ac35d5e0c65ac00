// The headless backend: no display, a virtual clock and a scripted input timeline.
//
// The clock moves only when the system waits or polls, never by itself and never because
// the tick count was read:
//   - a wait moves it to the wait's deadline or to the next due input, whichever is first;
//   - an input-state poll that finds no input due moves it by one tick;
//   - every 1,000 statements the interpreter reports move it by one tick.
// Inputs wait in the timeline until their due tick; presentation keeps the last composed
// frame; beeps, attention requests, the cursor and the clipboard are recorded.
#pragma once

#include <deque>

#include "platform/backend/backend.h"

namespace kv {

constexpr u32 kHeadlessStartTicks = 60;  // the virtual clock's reading at start

class HeadlessBackend final : public Backend {
 public:
  explicit HeadlessBackend(std::vector<ScreenInfo> screens = {ScreenInfo{}});

  bool headless() const override { return true; }
  std::vector<ScreenInfo> screens() const override { return screens_; }
  bool setscreendepth(std::size_t screen, i16 depth) override {
    if (screen >= screens_.size() || (depth != 1 && depth != 8 && depth != 16 && depth != 32)) return false;
    screens_[screen].depth = depth;
    return true;
  }
  u32 ticks() const override { return now_; }
  bool takeinput(InputEvent& out) override;
  void waituntil(u32 deadline) override;
  u64 uptimenanos() const override;
  void sleepuntilnanos(u64 deadline) override;
  void pollidle() override;
  void statementsrun(u32 count) override { countstatements(count); }
  // statementsrun, answering the ticks the clock moved (counted one statement at a time, so
  // the common case needs no division).
  u32 countstatements(u32 count) {
    if (count < 1000 - statements_) {
      statements_ += count;
      return 0;
    }
    u64 total = u64(statements_) + count;
    u32 moved = u32(total / 1000);
    now_ += moved;
    statements_ = u32(total % 1000);
    return moved;
  }
  bool inputpending() const override { return !timeline_.empty(); }
  // Whether the timeline holds more than the releases of what was pressed before (key and
  // mouse-button ups, moves, modifier changes): input that can still drive a dialog.
  bool presspending() const;
  void present(const Frame& frame, const std::vector<Rect>& changed) override;
  void setcursor(const CursorImage& cursor) override { cursor_ = cursor; }
  void showcursor(bool visible) override { cursorvisible_ = visible; }
  void beep() override { ++beeps_; }
  void requestattention(bool on) override { attention_ = on; }
  void raise() override { ++raises_; }
  void setclipboard(const std::vector<ClipFlavor>& flavors) override { clipboard_ = flavors; }
  std::vector<ClipFlavor> clipboard() override { return clipboard_; }
  u32 clipboardchangecount() const override { return clipchanges_; }

  // --- Scripting and inspection (the test driver uses these) ---
  // Adds an input to the timeline at its `when` tick (after the inputs already due then).
  void schedule(const InputEvent& in);
  // The due tick of the next input, or false when the timeline is empty.
  bool nextdue(u32* when) const;
  // Moves the clock on (a scripted pause); inputs that become due wait to be taken.
  void advance(u32 ticks) { now_ += ticks; }
  void setscreens(std::vector<ScreenInfo> s) { screens_ = std::move(s); }
  // Another program changed the clipboard.
  void setexternalclipboard(const std::vector<ClipFlavor>& flavors) {
    clipboard_ = flavors;
    ++clipchanges_;
  }
  const Frame& lastframe() const { return frame_; }
  // The rectangles the last presentation named as changed (global).
  const std::vector<Rect>& lastchanged() const { return changed_; }
  u32 presentcount() const { return presents_; }
  u32 beeps() const { return beeps_; }
  bool attention() const { return attention_; }
  u32 raises() const { return raises_; }
  const CursorImage& cursor() const { return cursor_; }
  bool cursorvisible() const { return cursorvisible_; }

 private:
  std::vector<ScreenInfo> screens_;
  std::deque<InputEvent> timeline_;  // ordered by `when`
  u32 now_ = kHeadlessStartTicks;
  u32 statements_ = 0;
  u64 subtick_ = 0;  // nanoseconds slept since the tick began (below one tick)
  Frame frame_;
  std::vector<Rect> changed_;
  u32 presents_ = 0;
  CursorImage cursor_;
  bool cursorvisible_ = true;
  u32 beeps_ = 0;
  bool attention_ = false;
  u32 raises_ = 0;
  std::vector<ClipFlavor> clipboard_;
  u32 clipchanges_ = 0;
};

// The current backend when it is the headless one, else null.
HeadlessBackend* headlessbackend();

}  // namespace kv
