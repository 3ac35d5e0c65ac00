// The hooks of a record: which procedures fill them, breaking lines, tab stops, the pixels the
// drawing and erasing hooks leave, and the script indenter's levels in the line records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/indent.h"
#include "fields/fieldview.h"
#include "platform/backend/headless.h"
#include "platform/fonts/scriptmanager.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

using WEHooksTest = WETest;

const u8* bytes(const char* s) { return reinterpret_cast<const u8*>(s); }
i32 width(const char* s) { return TextWidth(s, 0, i16(std::strlen(s))); }

i16 stopbreak(const u8*, i32, i32, i32, Fixed*, i32* offset, WEReference) {
  *offset = 0;
  return 0;
}

TEST_F(WEHooksTest, StandardHooksFillOnlyWhatIsEmpty) {
  const WEReference we = make();
  const WERec& r = rec(we);
  EXPECT_EQ(r.lineBreakHook, &_WERomanLineBreak) << "one script";
  EXPECT_EQ(r.drawTextHook, &_WEStdDrawText);
  EXPECT_EQ(r.eraseHook, &_WEStdErase);
  EXPECT_EQ(r.clickLoop, &_WEStdClickLoop);

  const WELineBreakProcPtr mine = &stopbreak;
  ASSERT_EQ(WESetInfo(fourcc("lbrk"), &mine, we), noErr);
  _WESetStandardHooks(we);
  EXPECT_EQ(r.lineBreakHook, mine) << "a hook that is set is kept";
  const WELineBreakProcPtr none = nullptr;
  ASSERT_EQ(WESetInfo(fourcc("lbrk"), &none, we), noErr);
  EXPECT_EQ(r.lineBreakHook, &_WERomanLineBreak);

  enablejapanesescript(true);
  EXPECT_EQ(rec(make()).lineBreakHook, &_WEStdLineBreak) << "two scripts";
}

TEST_F(WEHooksTest, LineBreaks) {
  const WEReference we = make();
  struct Row {
    const char* text;
    i32 width;  // pixels
    i32 offset;
    i16 answer;
  };
  const Row rows[] = {
      {"ab cd", width("ab c") + 1, 3, 0},  // the width runs out inside "cd": after the space
      {"abcdef", width("abc") + 1, 3, 1},  // no space: where the width ran out
      {"ab\rcd", 500, 3, 0},               // a return ends the line after it
      {"ab cd", 500, 5, 2},                // it all fits
  };
  for (const Row& row : rows) {
    const i32 n = i32(std::strlen(row.text));
    for (WELineBreakProcPtr hook : {&_WERomanLineBreak, &_WEStdLineBreak}) {
      Fixed w = row.width << 16;
      i32 offset = -1;
      EXPECT_EQ(hook(bytes(row.text), n, 0, n, &w, &offset, we), row.answer) << row.text;
      EXPECT_EQ(offset, row.offset) << row.text;
    }
  }
  const char* longline = "a very long line that never fits\rnext";
  const i32 n = i32(std::strlen(longline));
  Fixed w = 10 << 16;
  i32 offset = -1;
  EXPECT_EQ(_WENoWrapLineBreak(bytes(longline), n, 0, n, &w, &offset, we), 0);
  EXPECT_EQ(offset, 33);
  EXPECT_EQ(_WENoWrapLineBreak(bytes(longline), n, 33, n, &w, &offset, we), 2);
  EXPECT_EQ(offset, n);
}

TEST_F(WEHooksTest, TabStops) {
  const WEReference we = maketext("ab\tcd");
  ASSERT_EQ(WEInstallTabHooks(we, 36), noErr);
  EXPECT_TRUE(WEIsTabHooks(we));
  EXPECT_EQ(WEGetTabSize(we), 36);
  const WERec& r = rec(we);
  // With the destination's left edge at 0: from 10 to 36, from 36 to 72.
  for (const auto& [from, to] : {std::pair{10, 36}, std::pair{36, 72}}) {
    MoveTo(i16(from), 20);
    r.drawTextHook(bytes("\t"), 1, 0, 0, we);
    Point pen;
    GetPen(&pen);
    EXPECT_EQ(pen.h, to);
  }
  const u8* t = deref(r.hText);
  EXPECT_EQ(r.charToPixelHook(t, 5, 0, 4, 0, 0, 0, we), 36 + width("c"));

  // A hit on the right half of the tab's gap lands after it, on the left half before it.
  const i32 gap = 36 - width("ab");
  Fixed w = (width("ab") + gap * 3 / 4) << 16;
  bool leading = true;
  EXPECT_EQ(r.pixelToCharHook(t, 5, 0, &w, &leading, 0, 0, we), 3);
  EXPECT_FALSE(leading);
  w = (width("ab") + gap / 4) << 16;
  EXPECT_EQ(r.pixelToCharHook(t, 5, 0, &w, &leading, 0, 0, we), 2);
  EXPECT_TRUE(leading);
  EXPECT_LT(w, 0);

  // A tab size of 0 or below is taken as 36 and never stored.
  ASSERT_EQ(WESetUserInfo(fourcc("tbsz"), 0, we), noErr);
  MoveTo(10, 20);
  r.drawTextHook(bytes("\t"), 1, 0, 0, we);
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 36);
  mainglobals().tabSize = 0;
  ASSERT_EQ(WESetTabSize(-4, we), noErr);
  EXPECT_EQ(WEGetTabSize(we), 36);

  // Removed: the standard hooks, and the returns-only break for a field that does not wrap.
  SetDontWrapFlag(we, 1);
  ASSERT_EQ(WERemoveTabHooks(we), noErr);
  EXPECT_FALSE(WEIsTabHooks(we));
  EXPECT_TRUE(WEIsCrOnly(we));
  EXPECT_EQ(r.drawTextHook, &_WEStdDrawText);
  EXPECT_EQ(WEGetProperty(fourcc("VIZU"), fourcc("tabs"), 4, nullptr, nullptr, we), weNoPropertyErr);
  ASSERT_EQ(WERemoveCrOnlyHook(we), noErr);
  EXPECT_EQ(r.lineBreakHook, &_WERomanLineBreak);
}

TEST_F(WEHooksTest, TabbedLinesBreakAtTheStops) {
  const WEReference we = maketext("ab\tcd\tef");
  ASSERT_EQ(WEInstallTabHooks(we, 36), noErr);
  WERec& r = rec(we);
  const u8* t = deref(r.hText);
  // A line 60 wide: the second tab would go to 72, past the line's end.
  r.destRect.right = 60;
  Fixed w = 60 << 16;
  i32 offset = -1;
  EXPECT_EQ(r.lineBreakHook(t, 8, 0, 8, &w, &offset, we), 0);
  EXPECT_EQ(offset, 6) << "after the tab that does not fit";
  r.destRect.right = 500;
  w = 500 << 16;
  EXPECT_EQ(r.lineBreakHook(t, 8, 0, 8, &w, &offset, we), 2);
  EXPECT_EQ(offset, 8);
}

// The difference of two drawings: the box of the pixels that differ and their count.
struct Diff {
  i32 left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, count = 0;
};
Diff diff(GWorldPtr a, GWorldPtr b) {
  Diff d;
  for (i32 y = 0; y < 100; ++y)
    for (i32 x = 0; x < 100; ++x)
      if (qdtest::pixel(a, x, y) != qdtest::pixel(b, x, y)) {
        d.left = std::min(d.left, x);
        d.top = std::min(d.top, y);
        d.right = std::max(d.right, x);
        d.bottom = std::max(d.bottom, y);
        ++d.count;
      }
  return d;
}

TEST_F(WEHooksTest, GroupedTextIsUnderlinedOnlyWhileGroupsShow) {
  const WEReference we = make();
  ASSERT_EQ(WEInstallTabHooks(we, 36), noErr);
  GWorldPtr plain = qdtest::world(32, 100, 100), grouped = qdtest::world(32, 100, 100);
  auto draw = [&](GWorldPtr gw, Style face, WEDrawTextProcPtr hook, const char* s) {
    SetGWorld(gw, 0);
    const Rect all{0, 0, 100, 100};
    EraseRect(&all);
    TextFont(0);
    TextSize(12);
    TextFace(face);
    MoveTo(10, 30);
    hook(bytes(s), i32(std::strlen(s)), 0, 0, we);
    EXPECT_EQ(GetPortTextFace(gw), face) << "the face comes back";
  };
  for (WEDrawTextProcPtr hook : {&_WEStdDrawText, &_WETabDrawText}) {
    mainglobals().showGroups = 0;
    draw(plain, 0, hook, "ab\tc");
    draw(grouped, 0x80, hook, "ab\tc");
    EXPECT_EQ(diff(plain, grouped).count, 0) << "groups hidden: plain text";

    mainglobals().showGroups = 1;
    draw(grouped, 0x80, hook, "ab\tc");
    SetGWorld(plain, 0);
    const i32 w = hook == &_WETabDrawText ? 36 - 10 + width("c") : width("ab\tc");
    const Diff d = diff(plain, grouped);
    EXPECT_GT(d.count, w / 2) << "a grey line";
    EXPECT_EQ(d.top, 32) << "2 pixels below the baseline";
    EXPECT_EQ(d.bottom, 33) << "2 pixels thick";
    EXPECT_GE(d.left, 10);
    EXPECT_LE(d.right, 10 + w + 1);
    EXPECT_GE(d.right, 10 + w - 2) << "across the segment's width";

    draw(plain, 0, hook, "\rab");
    draw(grouped, 0x80, hook, "\rab");
    EXPECT_EQ(diff(plain, grouped).count, 0) << "a segment that begins with a return";
  }
  SetGWorld(port_, 0);
  DisposeGWorld(plain);
  DisposeGWorld(grouped);
}

TEST_F(WEHooksTest, EraseReachesTheViewsRightEdgeAndInlineInputBars) {
  const WEReference we = make();  // view 0,0,100,200
  const Rect all{0, 0, 100, 100};
  PaintRect(&all);
  const Rect narrow{10, 10, 20, 50};
  rec(we).eraseHook(&narrow, we);
  EXPECT_EQ(qdtest::pixel(port_, 95, 15), 0xFFFFFFu);
  EXPECT_EQ(qdtest::pixel(port_, 5, 15), 0u);
  EXPECT_EQ(qdtest::pixel(port_, 95, 25), 0u);

  const Rect seg{40, 10, 60, 60};
  for (u16 style : {2, 3, 4, 5, 6}) {
    EraseRect(&all);
    rec(we).drawTSMHiliteHook(&seg, style, we);
    const i32 thick = style == 2 || style == 4 ? 1 : style == 6 ? 0 : 2;
    const u32 expected = style <= 3 ? qdtest::pixel(port_, 30, 59) : 0u;
    EXPECT_EQ(qdtest::inked(port_), thick * 48) << style;
    if (thick == 0) continue;
    EXPECT_EQ(qdtest::pixel(port_, 11, 59), expected) << style;
    EXPECT_EQ(qdtest::pixel(port_, 58, 60 - thick), expected) << style;
    if (style <= 3) {
      EXPECT_NE(expected, 0u) << "grey";
      EXPECT_NE(expected, 0xFFFFFFu) << "grey";
    }
  }
}

TEST_F(WEHooksTest, TheIndenterWritesEveryLinesLevel) {
  const WEReference we = maketext("on mouseUp\rif x then\rbeep\relse\rbeep 2\rend if\rend mouseUp");
  // Lay the text out one line per text line, "beep 2" wrapped into two rows.
  WERec& r = rec(we);
  const i32 starts[] = {0, 11, 21, 26, 31, 35, 38, 45, 56};
  SetHandleSize(r.hLines, Size(sizeof starts / sizeof starts[0] * sizeof(WELineRec)));
  r.nLines = 8;
  for (i32 i = 0; i <= 8; ++i) {
    WELineRec l{};
    l.lineStart = starts[i];
    setweelement(r.hLines, i, l);
  }
  SetAutoIndentSize(we, 3);
  PscriRTautoindentproc(we);
  const i16 want[] = {0, 1, 2, 1, 2, 2, 1, 0};
  for (i32 i = 0; i < 8; ++i) EXPECT_EQ(weelement<WELineRec>(r.hLines, i).lineIndent, want[i]) << "line " << i;
  EXPECT_EQ(weelement<WELineRec>(r.hLines, 8).lineIndent, 0) << "the sentinel";

  const u32 before = headlessbackend()->beeps();
  PscriRTautoindentproc(make());
  EXPECT_EQ(headlessbackend()->beeps(), before + 1) << "a record without text";
}

}  // namespace
}  // namespace kv
