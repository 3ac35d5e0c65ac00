// The accessors of a text record: the search over sorted starts behind every offset-to-index
// lookup, lines, style runs and paragraph runs.
#include <gtest/gtest.h>

#include "tests/textengine/wetest.h"

namespace kv {
namespace {

using WEAccessorsTest = WETest;

TEST_F(WEAccessorsTest, TheSearchOverSortedStarts) {
  const i32 starts[] = {0, 5, 9, 13};  // three elements and a sentinel
  const u8* p = reinterpret_cast<const u8*>(starts);
  struct Row {
    i32 x, index;
  };
  for (Row row : {Row{4, 0}, Row{5, 1}, Row{12, 2}, Row{-3, 0}, Row{13, 2}, Row{99, 2}})
    EXPECT_EQ(_WESearchStarts(p, 4, 0, 3, row.x), row.index) << row.x;
  EXPECT_EQ(_WESearchStarts(p, 4, 0, 0, 7), 0);
  EXPECT_EQ(_WESearchStarts(p, 4, 0, -1, 7), 0);
}

// A record whose text is laid out as three lines of 13 pixels starting at 0, 5 and 9.
class ThreeLines : public WETest {
 protected:
  void SetUp() override {
    WETest::SetUp();
    we = make();
    ASSERT_EQ(WEUseText(text("abcd\nefg\nhijk"), we), noErr);
    WERec& r = rec(we);
    SetHandleSize(r.hLines, 4 * sizeof(WELineRec));
    const i32 starts[] = {0, 5, 9, 13};
    for (i32 i = 0; i < 4; ++i) {
      WELineRec line{};
      line.lineStart = starts[i];
      line.lineOrigin = 13 * i;
      setweelement(r.hLines, i, line);
    }
    r.nLines = 3;
  }
  WEReference we = nilid;
};

TEST_F(ThreeLines, LinesByOffsetPixelAndIndex) {
  struct Row {
    i32 offset, line;
  };
  for (Row row : {Row{4, 0}, Row{5, 1}, Row{12, 2}, Row{-3, 0}, Row{13, 2}})
    EXPECT_EQ(WEOffsetToLine(row.offset, we), row.line) << row.offset;
  EXPECT_EQ(_WEPixelToLine(12, we), 0);
  EXPECT_EQ(_WEPixelToLine(13, we), 1);
  EXPECT_EQ(_WEPixelToLine(500, we), 2);

  EXPECT_EQ(WEGetHeight(0, 2, we), 26);
  EXPECT_EQ(WEGetHeight(2, 0, we), 26);
  EXPECT_EQ(WEGetHeight(-4, 99, we), 39) << "pinned to the sentinel";
  i32 start = -1, end = -1;
  WEGetLineRange(99, &start, &end, we);
  EXPECT_EQ(start, 9);
  EXPECT_EQ(end, 13);
  WEGetLineRange(-5, &start, &end, we);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 5);
}

TEST_F(ThreeLines, RunAndParagraphInfo) {
  WERunInfo run{};
  WEGetRunInfo(-1, &run, we);
  EXPECT_EQ(run.runStart, 0);
  EXPECT_EQ(run.runEnd, 13) << "capped at the text length";
  EXPECT_EQ(run.size, 12);
  EXPECT_EQ(run.runHeight, 13);
  WEExtRunInfo ext{};
  _WEGetIndStyle(5, &ext, we);
  EXPECT_EQ(ext.runEnd, 14) << "the next run's start, the sentinel's";
  EXPECT_EQ(ext.style.ts.transferMode, 1);
  EXPECT_EQ(WEGetRunDirection(3, we), 0);
  EXPECT_EQ(WEGetRunDirection(13, we), 0) << "outside the text: the system direction";

  WEParaInfo para{};
  WEGetParaInfo(7, &para, we);
  EXPECT_EQ(para.paraStart, 0);
  EXPECT_EQ(para.paraEnd, 13);
  EXPECT_EQ(para.ruler.direction, 1);
  i32 start = -1, end = -1;
  WEGetParaRunRange(3, &start, &end, we);
  EXPECT_EQ(end, 13);
  EXPECT_EQ(WEOffsetToParaRun(50, we), 0);
}

TEST_F(WEAccessorsTest, RulerCopyTakesTheFieldsOfTheMode) {
  WERuler from{};
  from.alignment = 2;
  from.direction = -1;
  from.setting = 7;
  from.borderStyle = 3;
  from.leftIndent = from.rightIndent = from.firstLineIndent = Long2Fix(5);
  from.lineSpacing = from.spaceBefore = from.spaceAfter = Long2Fix(2);
  from.paraFlags = 3;
  from.userValue = 9;
  const WERuler zero{};
  WERuler to{};
  _WECopyRuler(&from, &to, 0x100);
  EXPECT_TRUE(_WEBlockCmp(&to, &zero, sizeof to)) << "bit 8 copies nothing";
  _WECopyRuler(&from, &to, 0x6FF);
  WERuler want = from;
  want.paraFlags = 0;
  want.userValue = 0;
  EXPECT_TRUE(_WEBlockCmp(&to, &want, sizeof to));
  to = WERuler{};
  _WECopyRuler(&from, &to, weDoAlignment | weDoSpaceAfter);
  EXPECT_EQ(to.alignment, 2);
  EXPECT_EQ(to.spaceAfter, Long2Fix(2));
  EXPECT_EQ(to.direction, 0);
  EXPECT_EQ(to.leftIndent, 0);
}

}  // namespace
}  // namespace kv
