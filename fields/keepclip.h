// The clip region of the current port kept for a scope: restored when the scope ends (or
// earlier with restore), and narrowed meanwhile with `within`.
#pragma once

#include "platform/qd/ports.h"
#include "platform/qd/regions.h"

namespace kv {

class KeepClip {
 public:
  KeepClip() : saved_(NewRgn()) {
    if (saved_ != 0) GetClip(saved_);
  }
  ~KeepClip() { restore(); }
  void restore() {
    if (saved_ == 0) return;
    SetClip(saved_);
    DisposeRgn(saved_);
    saved_ = 0;
  }
  // Clips to `r` within the clip region saved (the clip stays when no region can be made).
  void within(const Rect& r) {
    RgnHandle cut = NewRgn();
    if (cut == 0 || saved_ == 0) {
      if (cut != 0) DisposeRgn(cut);
      return;
    }
    RectRgn(cut, r);
    SectRgn(cut, saved_, cut);
    SetClip(cut);
    DisposeRgn(cut);
  }
  KeepClip(const KeepClip&) = delete;
  KeepClip& operator=(const KeepClip&) = delete;

 private:
  RgnHandle saved_;
};

}  // namespace kv
