// The window-kind questions.
#include <gtest/gtest.h>

#include "platform/windows/windows.h"
#include "system/windowkind.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class WindowKindTest : public RuntimeTest {
 protected:
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  WindowRef make(i16 kind) {
    Rect r{50, 50, 100, 100};
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &w), noErr);
    SetWindowKind(w, kind);
    return w;
  }
};

TEST_F(WindowKindTest, QueriesAnswerByKind) {
  struct Case {
    i16 kind;
    u16 query;
    i16 yes;
  };
  const Case cases[] = {
      {114, 100, 1}, {115, 100, 1}, {118, 100, 1}, {116, 100, 0}, {114, 101, 1}, {115, 101, 0},
      {115, 102, 1}, {116, 103, 1}, {117, 103, 1}, {116, 104, 1}, {117, 105, 1}, {114, 106, 1},
      {116, 106, 1}, {115, 106, 0}, {115, 107, 1}, {117, 107, 1}, {118, 107, 1}, {119, 107, 1},
      {114, 107, 0}, {8, 108, 1},   {113, 108, 0}, {132, 108, 1}, {114, 109, 1}, {130, 109, 1},
      {131, 109, 0}, {118, 110, 1}, {132, 111, 1}, {119, 112, 1}, {114, 113, 0}, {125, 121, 1},
      {128, 122, 1}, {129, 123, 1}, {126, 123, 0}, {20001, 133, 1}, {20002, 133, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(windowkind(make(c.kind), c.query), c.yes) << c.kind << " " << c.query;
}

TEST_F(WindowKindTest, NoWindowOrAQueryOutsideTheRangeAnswersNo) {
  WindowRef w = make(114);
  EXPECT_EQ(windowkind(nilid, 101), 0);
  EXPECT_EQ(windowkind(w, 99), 0);
  EXPECT_EQ(windowkind(w, 134), 0);
  DisposeWindow(w);
  EXPECT_EQ(windowkind(w, 101), 0) << "a disposed window";
}

TEST_F(WindowKindTest, ScriptedDialogsCarryTheKindProperty) {
  WindowRef w = make(8);
  EXPECT_EQ(windowkind(w, 120), 0);
  u32 mark = 124;
  ASSERT_EQ(SetWindowProperty(w, fourcc("VIZu"), fourcc("kind"), sizeof mark, &mark), noErr);
  EXPECT_EQ(windowkind(w, 120), 1);
  mark = 125;
  ASSERT_EQ(SetWindowProperty(w, fourcc("VIZu"), fourcc("kind"), sizeof mark, &mark), noErr);
  EXPECT_EQ(windowkind(w, 120), 0);
}

}  // namespace
}  // namespace kv
