// Owning wrappers for what a test makes: each releases its object at the end of its scope, so
// a test states only what it checks. The fixture's leak check still catches whatever the code
// under test leaks. `&x` hands the slot to routines that fill it.
//
//   OwnedHandle h;              ASSERT_EQ(readsomething(&h), 0);   EXPECT_EQ(GetHandleSize(h), 4);
//   OwnedFred v("some text");   OwnedWorld w(32, {0, 0, 10, 10});  NewRegion r;
#pragma once
#include <string_view>
#include <utility>

#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"

namespace kv {

template <class T, void (*Release)(T)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T v) : v_(v) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }
  operator T() const { return v_; }
  T get() const { return v_; }
  T* operator&() { return &v_; }
  // Gives the object up without releasing it (the code under test took it over).
  T release() { return std::exchange(v_, T{}); }
  void reset(T v = T{}) {
    if (v_ != T{}) Release(v_);
    v_ = v;
  }

 private:
  T v_{};
};

using OwnedHandle = Owned<Handle, DisposeHandle>;
using OwnedRegion = Owned<RgnHandle, DisposeRgn>;
using OwnedPicture = Owned<PicHandle, KillPicture>;

// A region that exists from the start (NewRgn).
struct NewRegion : OwnedRegion {
  NewRegion() : OwnedRegion(NewRgn()) {}
};

// An offscreen world of a depth and bounds.
class OwnedWorld : public Owned<GWorldPtr, DisposeGWorld> {
 public:
  OwnedWorld() = default;
  explicit OwnedWorld(GWorldPtr w) : Owned(w) {}
  OwnedWorld(i16 depth, Rect bounds) {
    GWorldPtr w = nilid;
    if (NewGWorld(&w, depth, &bounds, 0, 0, 0) == noErr) reset(w);
  }
};

// A value released by disposfred at the end of the scope (with a text: an owned temporary).
struct OwnedFred : fred {
  OwnedFred() : fred{} {}
  explicit OwnedFred(std::string_view s) : fred{} { charstonewfred(s.data(), Size(s.size()), this); }
  OwnedFred(const OwnedFred&) = delete;
  OwnedFred& operator=(const OwnedFred&) = delete;
  ~OwnedFred() { disposfred(this); }
};

}  // namespace kv
