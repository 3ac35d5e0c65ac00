// The fixture of the text-engine tests: a port in the system font at size 0 and records that
// the fixture disposes of at the end.
#pragma once

#include <vector>

#include "platform/qd/ports.h"
#include "tests/support/fixture.h"
#include "textengine/weinternal.h"

namespace kv {

class WETest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    const Rect bounds{0, 0, 100, 100};
    ASSERT_EQ(NewGWorld(&port_, 32, &bounds, 0, 0, 0), noErr);
    SetGWorld(port_, 0);
    TextFont(0);
    TextSize(0);
  }
  void TearDown() override {
    for (WEReference we : records_) WEDispose(we);
    SetGWorld(0, 0);
    DisposeGWorld(port_);
    RuntimeTest::TearDown();
  }
  // A new record, disposed of by the fixture.
  WEReference make(u32 features = 0x1000) {
    const LongRect dest{0, 0, 100, 200}, view{0, 0, 100, 200};
    WEReference we = nilid;
    EXPECT_EQ(WENew(&dest, &view, features, &we), noErr);
    records_.push_back(we);
    return we;
  }
  static WERec& rec(WEReference we) { return *werec(we); }
  // A handle holding the text.
  static Handle text(const char* s) {
    Handle h = nilhandle;
    PtrToHand(s, &h, Size(std::strlen(s)));
    return h;
  }

  GWorldPtr port_ = 0;
  std::vector<WEReference> records_;
};

}  // namespace kv
