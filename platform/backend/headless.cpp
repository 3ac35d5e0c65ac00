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

void HeadlessBackend::pollidle() { ++now_; }

void HeadlessBackend::statementsrun(u32 count) {
  // Counted one statement at a time, so the common case needs no division.
  if (count < 1000 - statements_) {
    statements_ += count;
    return;
  }
  u64 total = u64(statements_) + count;
  now_ += u32(total / 1000);
  statements_ = u32(total % 1000);
}

void HeadlessBackend::present(const Frame& frame, const std::vector<Rect>&) {
  frame_ = frame;
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

}  // namespace kv
