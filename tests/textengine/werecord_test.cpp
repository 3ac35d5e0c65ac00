// Text records: a new record's tables and first style, replacing the text wholesale, the
// feature flags, disposal and creation when memory runs out.
#include <gtest/gtest.h>

#include "platform/controls/controls.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/windows/windows.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

using WERecordTest = WETest;

TEST_F(WERecordTest, ANewRecordHasOneEmptyLineRunAndParagraph) {
  const WEReference we = make();
  EXPECT_EQ(WEVersion(), 0x02006003u);
  EXPECT_EQ(WEGetTextLength(we), 0);
  EXPECT_EQ(WECountLines(we), 1);
  i32 start = -1, end = -1;
  WEGetLineRange(0, &start, &end, we);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  const WERec& r = rec(we);
  EXPECT_EQ(r.nRuns, 1);
  EXPECT_EQ(weelement<WERunEntry>(r.hRuns, 0).styleIndex, 0);
  EXPECT_EQ(weelement<WERunEntry>(r.hRuns, 1).runStart, 1);
  EXPECT_EQ(weelement<WERunEntry>(r.hRuns, 1).styleIndex, -1);
  EXPECT_EQ(r.nParaRuns, 1);
  EXPECT_EQ(weelement<WEParaRunEntry>(r.hParaRuns, 1).paraStart, 1);
  EXPECT_EQ(weelement<WEParaRunEntry>(r.hParaRuns, 1).rulerIndex, -1);

  // The port's font 0 at size 0 with the built-in metrics font.
  const WEStyleTableEntry style = weelement<WEStyleTableEntry>(r.hStyles, 0);
  EXPECT_EQ(style.refCount, 1);
  EXPECT_EQ(style.style.ts.font, 0);
  EXPECT_EQ(style.style.ts.size, 12);
  EXPECT_TRUE(style.style.ts.backColor == (RGBColor{65535, 65535, 65535}));
  EXPECT_EQ(style.style.ts.transferMode, 1);
  EXPECT_EQ(style.style.runHeight, 13);
  EXPECT_EQ(style.style.runAscent, 9);
  EXPECT_EQ(WEGetAlignment(we), 0);
  EXPECT_EQ(WEGetDirection(we), 1);
  EXPECT_EQ(WEGetPort(we), port_);
  // Laying the empty text out changed the text height: a scroll notification is pending.
  EXPECT_EQ(r.flags, u32(weFlagColor | weFlagNewSystem | weFlagScrollPending))
      << "colour and a new system; one script only";
  EXPECT_TRUE(regionbounds(r.viewRgn) == (Rect{0, 0, 100, 200}));
}

TEST_F(WERecordTest, TheApplicationFontDesignatorBecomesItsFamily) {
  TextFont(1);
  TextSize(24);
  const WEStyle s = weelement<WEStyleTableEntry>(rec(make()).hStyles, 0).style;
  EXPECT_EQ(s.ts.font, 3);
  EXPECT_EQ(s.ts.size, 24);
  EXPECT_EQ(s.runHeight, 26);
  EXPECT_EQ(s.runAscent, 18);
}

TEST_F(WERecordTest, UseTextTakesTheHandleAndResetsTheTables) {
  const WEReference we = make();
  ASSERT_EQ(WEUseText(text("hello world!"), we), noErr);
  EXPECT_EQ(WEGetTextLength(we), 12);
  EXPECT_EQ(WECountRuns(we), 1);
  EXPECT_EQ(WECountLines(we), 1);
  EXPECT_EQ(weelement<WELineRec>(rec(we).hLines, 1).lineStart, 12);
  i32 start = -1, end = -1;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(WEGetChar(0, we), 'h');
  EXPECT_EQ(WEGetChar(11, we), '!');
  EXPECT_EQ(WEGetChar(-1, we), 0);
  EXPECT_EQ(WEGetChar(12, we), 0);
  WEGetRunRange(0, &start, &end, we);
  EXPECT_EQ(end, 12) << "not the sentinel's 13";
  EXPECT_EQ(WEOffsetToLine(12, we), WECountLines(we) - 1);
  EXPECT_EQ(weelement<WEStyleTableEntry>(rec(we).hStyles, 0).refCount, 1);

  // The record's own text again: it stays the text and is not freed.
  const Handle own = WEGetText(we);
  ASSERT_EQ(WEUseText(own, we), noErr);
  EXPECT_TRUE(IsValidHandle(own));
  EXPECT_EQ(WEGetChar(4, we), 'o');

  // An empty text keeps the first run's style.
  const std::size_t handles = memoryfigures().livehandles;
  ASSERT_EQ(WEUseText(NewHandle(0), we), noErr);
  EXPECT_EQ(memoryfigures().livehandles, handles) << "the old text is freed";
  EXPECT_EQ(WEGetTextLength(we), 0);
  EXPECT_EQ(weelement<WERunEntry>(rec(we).hRuns, 0).styleIndex, 0);
  EXPECT_EQ(weelement<WERunEntry>(rec(we).hRuns, 1).runStart, 1);
  EXPECT_EQ(WEUseText(0, we), nilHandleErr);
}

TEST_F(WERecordTest, FeatureFlagsAnswerTheStateBeforeTheCall) {
  const WEReference we = make(0x1000);
  EXPECT_EQ(WEFeatureFlag(12, -1, we), 1);
  EXPECT_EQ(WEFeatureFlag(12, -1, we), 1) << "testing changes nothing";
  EXPECT_EQ(WEFeatureFlag(6, -1, we), 0);
  EXPECT_EQ(WEFeatureFlag(6, -2, we), 0);
  EXPECT_EQ(WEFeatureFlag(6, -2, we), 1);
  EXPECT_EQ(WEFeatureFlag(6, -1, we), 0) << "two toggles restore the bit";
  EXPECT_EQ(WEFeatureFlag(12, 0, we), 1);
  EXPECT_EQ(WEFeatureFlag(12, 1, we), 0);
  EXPECT_EQ(rec(we).features, 0x1000u);
}

TEST_F(WERecordTest, CreationThatRunsOutOfMemoryLeavesNothingBehind) {
  const std::size_t handles = memoryfigures().livehandles, regions = liveregioncount(), records = liverecordcount();
  i32 made = 0;
  for (std::size_t n = 1;; ++n) {
    failallocationafter(n);
    WEReference we = 0x1234;
    const OSErr err = WENew(nullptr, nullptr, 0, &we);
    failallocationafter(0);
    if (err == noErr) {
      made = i32(n) - 1;
      WEDispose(we);
      break;
    }
    EXPECT_EQ(err, memFullErr) << "failing allocation " << n;
    EXPECT_EQ(we, nilid);
    EXPECT_EQ(memoryfigures().livehandles, handles);
    EXPECT_EQ(liveregioncount(), regions);
    EXPECT_EQ(liverecordcount(), records);
    ASSERT_LT(n, 100u);
  }
  EXPECT_EQ(made, 8) << "the text, five tables, the user info and the object sentinel";
  EXPECT_EQ(memoryfigures().livehandles, handles);
  EXPECT_EQ(liveregioncount(), regions);
  EXPECT_EQ(liverecordcount(), records);
}

TEST_F(WERecordTest, ADisposedRecordAnswersAsNone) {
  WEDispose(nilid);
  WEReference we = nilid;
  ASSERT_EQ(WENew(nullptr, nullptr, 0x1000, &we), noErr);
  ASSERT_EQ(WEUseText(text("abc"), we), noErr);
  WEDispose(we);
  WEDispose(we);
  for (WEReference gone : {nilid, we}) {
    EXPECT_FALSE(isvalidwerec(gone));
    EXPECT_EQ(WEGetTextLength(gone), 0);
    EXPECT_EQ(WEGetText(gone), nilhandle);
    EXPECT_EQ(WECountLines(gone), 0);
    EXPECT_EQ(WEFeatureFlag(12, -1, gone), 0);
    EXPECT_EQ(WEUseText(nilhandle, gone), paramErr);
    EXPECT_EQ(WECalText(gone), paramErr);
    EXPECT_EQ(WESetUserInfo(fourcc("DIRT"), 1, gone), paramErr);
    i32 start = 7;
    WEGetSelection(&start, nullptr, gone);
    EXPECT_EQ(start, 7);
  }
}

TEST_F(WERecordTest, DisposalTakesTheScrollBarAndTheOffscreenWorldWithIt) {
  const Rect frame{40, 40, 240, 240};
  WindowRef window = nilid;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &frame, &window), noErr);
  const std::size_t handles = memoryfigures().livehandles, regions = liveregioncount();
  WEReference we = nilid;
  const LongRect dest{0, 0, 50, 80};
  ASSERT_EQ(WENew(&dest, &dest, (1u << weFInhibitRedraw) | (1u << weFDrawOffscreen), &we), noErr);
  ASSERT_EQ(WEUseText(text("abc"), we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  WEUpdate(0, we);
  const GWorldPtr world = rec(we).offscreenWorld;
  ASSERT_TRUE(IsValidPort(world)) << "lines were composed offscreen";
  const Rect parked{-100, -100, -84, -20};
  ControlRef bar = nilid;
  ASSERT_EQ(CreateScrollBarControl(window, &parked, 0, 0, 0, 0, true, nullptr, &bar), noErr);
  ASSERT_EQ(WESetProperty(fourcc("VIZU"), fourcc("scrl"), sizeof bar, &bar, we), noErr);

  WEDispose(we);
  EXPECT_FALSE(IsValidPort(world));
  EXPECT_FALSE(IsValidControlHandle(bar));
  EXPECT_EQ(memoryfigures().livehandles, handles);
  EXPECT_EQ(liveregioncount(), regions);
  DisposeWindow(window);
}

}  // namespace
}  // namespace kv
