// TextEdit records: typing, the selection, wrapping, clicks, and cut, copy and paste through
// the system clipboard.
#include <gtest/gtest.h>

#include "platform/backend/backend.h"
#include "platform/events/keycodes.h"
#include "platform/qd/qd.h"
#include "platform/te/te.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class TETest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    port = CreateNewPort();
    SetPort(port);
    TextFont(0);
    TextSize(12);
    const Rect r{0, 0, 100, 200};
    te = TENew(&r, &r);
  }
  void TearDown() override {
    TEDispose(te);
    DisposePort(port);
    RuntimeTest::TearDown();
  }
  void type(std::string_view s) {
    for (char c : s) TEKey(u8(c), te);
  }
  CGrafPtr port = nilid;
  TEHandle te = nilid;
};

TEST_F(TETest, TypingEditsAtTheSelection) {
  type("hello");
  EXPECT_EQ(tetext(te), "hello");
  TEKey(kLeftArrowCharCode, te);
  TEKey(kLeftArrowCharCode, te);
  TEKey(kBackspaceCharCode, te);
  EXPECT_EQ(tetext(te), "helo");
  TESetSelect(0, 2, te);
  type("J");
  EXPECT_EQ(tetext(te), "Jlo");
  TEKey(kEscapeCharCode, te);  // control characters other than return type nothing
  TEKey(kTabCharCode, te);
  EXPECT_EQ(tetext(te), "Jlo");
  TESetSelect(100, -5, te);  // held to the text, in order
  i32 a = -1, b = -1;
  TEGetSelection(te, &a, &b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 3);
  // Nothing grows the text past its limit.
  const std::string big(kTEMaxLength, 'x');
  TESetText(big.data(), i32(big.size()) + 10, te);
  EXPECT_EQ(TEGetLength(te), kTEMaxLength);
  type("more");
  EXPECT_EQ(TEGetLength(te), kTEMaxLength);
}

TEST_F(TETest, CutCopyAndPasteUseTheSystemClipboard) {
  type("one two");
  TESetSelect(4, 7, te);
  TECut(te);
  EXPECT_EQ(tetext(te), "one ");
  bool found = false;
  for (const ClipFlavor& f : backend().clipboard())
    if (f.type == fourcc("TEXT")) found = std::string(f.bytes.begin(), f.bytes.end()) == "two";
  EXPECT_TRUE(found);
  TESetSelect(0, 0, te);
  TEPaste(te);
  EXPECT_EQ(tetext(te), "twoone ");
}

TEST_F(TETest, LinesWrapAtTheWidthAndReturns) {
  EXPECT_EQ(tecountlines(te), 1) << "an empty text takes a line";
  const i16 w = TextWidth("word ", 0, 5);
  EXPECT_EQ(countwrappedlines("word word word", i16(w * 2)), 2) << "breaks after the blank that fits";
  EXPECT_EQ(countwrappedlines("a\rb\rc", 500), 3);
  EXPECT_EQ(countwrappedlines("a\r", 500), 2) << "a return at the end starts an empty line";
  EXPECT_EQ(countwrappedlines(std::string(40, 'm'), i16(TextWidth("m", 0, 1) * 10)), 4)
      << "a word too long breaks by characters";
  // A click lands between the characters nearest it.
  type("abc");
  const i16 ab = TextWidth("ab", 0, 2);
  TEClick(Point{5, i16(ab + 1)}, false, te);
  i32 a = 0, b = 0;
  TEGetSelection(te, &a, &b);
  EXPECT_EQ(a, 2);
  TEClick(Point{5, 0}, true, te);
  TEGetSelection(te, &a, &b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 2);
}

}  // namespace
}  // namespace kv
