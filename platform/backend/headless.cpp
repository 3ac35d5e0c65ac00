#include "platform/backend/headless.h"

#include <algorithm>

namespace kv {

HeadlessBackend::HeadlessBackend(std::vector<ScreenInfo> screens) : screens_(std::move(screens)) {
  if (screens_.empty()) screens_.push_back(ScreenInfo{});
}

bool HeadlessBackend::takeinput(InputEvent& out) {
  if (timeline_.empty() || i32(timeline_.front().when - now_) > 0) return false;
  out = std::move(timeline_.front());
  timeline_.pop_front();
  return true;
}

void HeadlessBackend::waituntil(u32 deadline) {
  u32 target = deadline;
  if (!timeline_.empty() && i32(timeline_.front().when - target) < 0) target = timeline_.front().when;
  if (i32(target - now_) > 0) now_ = target;
}

namespace {
constexpr u64 kNanosPerTick = 1000000000ull / 60;  // 16,666,666 (the tick's remainder dropped)
}  // namespace

u64 HeadlessBackend::uptimenanos() const { return u64(now_) * kNanosPerTick + subtick_; }

void HeadlessBackend::sleepuntilnanos(u64 deadline) {
  const u64 now = uptimenanos();
  if (deadline <= now) return;
  const u64 total = subtick_ + (deadline - now);
  now_ += u32(total / kNanosPerTick);
  subtick_ = total % kNanosPerTick;
}

void HeadlessBackend::pollidle() { ++now_; }

void HeadlessBackend::present(const Frame& frame, const std::vector<Rect>& changed) {
  frame_ = frame;
  changed_ = changed;
  ++presents_;
}

void HeadlessBackend::schedule(const InputEvent& in) {
  // Keep the order by due tick; inputs due at the same tick keep the order they were added.
  auto at = std::upper_bound(timeline_.begin(), timeline_.end(), in.when,
                             [](u32 when, const InputEvent& e) { return i32(when - e.when) < 0; });
  timeline_.insert(at, in);
}

bool HeadlessBackend::nextdue(u32* when) const {
  if (timeline_.empty()) return false;
  *when = timeline_.front().when;
  return true;
}

bool HeadlessBackend::presspending() const {
  for (const InputEvent& in : timeline_)
    if (in.kind != InputKind::keyup && in.kind != InputKind::mouseup && in.kind != InputKind::mousemove &&
        in.kind != InputKind::modifiers)
      return true;
  return false;
}

}  // namespace kv
