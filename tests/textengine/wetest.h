// The fixture of the text-engine tests: a port in the system font at size 0 and records that
// the fixture disposes of at the end.
#pragma once

#include <string>
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

  // A record holding the text.
  WEReference maketext(const char* s) {
    const WEReference we = make();
    EXPECT_EQ(WEUseText(text(s), we), noErr);
    return we;
  }
  // A record that draws nothing, with the features (undo by default), holding the text with the
  // caret at its end.
  WEReference editable(const char* s, u32 features = 1u << weFUndo) {
    const WEReference we = make((1u << weFInhibitRedraw) | features);
    EXPECT_EQ(WEUseText(text(s), we), noErr);
    const i32 n = WEGetTextLength(we);
    WESetSelection(n, n, we);
    return we;
  }
  // The record's text.
  static std::string textof(WEReference we) {
    const Handle h = WEGetText(we);
    return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
  }
  // A style of font, face and size, with the mode that sets the three.
  static WETextStyle style(i16 font, u8 face = 0, i16 size = 12) {
    WETextStyle ts{};
    ts.font = font;
    ts.face = face;
    ts.size = size;
    return ts;
  }
  static constexpr u32 fontfacesize = weDoFont | weDoFace | weDoSize | weDoReplaceFace;
  // The style of the run holding the offset.
  static WETextStyle styleat(i32 offset, WEReference we) {
    WEExtRunInfo info;
    _WEGetExtRunInfo(offset, &info, we);
    return info.style.ts;
  }
  // What is wrong with the record's runs, tables and lines (empty when nothing is).
  static std::string checkruns(WEReference we);

  GWorldPtr port_ = 0;
  std::vector<WEReference> records_;
};

inline std::string WETest::checkruns(WEReference we) {
  const WERec& r = *werec(we);
  const std::string t = textof(we);
  const i32 len = r.textLength;
  std::string bad;
  auto note = [&](const std::string& what) { bad += what + "; "; };
  if (i32(t.size()) != len) note("text length");
  // Runs of both kinds: ascending from 0, none empty, no equal neighbours, counts exact.
  auto check = [&](const char* kind, Handle runs, i32 n, Handle table, i32 ntable, std::size_t stride, bool paras) {
    std::vector<i32> counts(std::size_t(std::max(ntable, 0)), 0);
    if (HandleCount<WERunEntry>(runs) != n + 1) note(std::string(kind) + " array size");
    const WERunEntry sentinel = weelement<WERunEntry>(runs, n);
    if (sentinel.runStart != len + 1 || sentinel.styleIndex != -1) note(std::string(kind) + " sentinel");
    for (i32 i = 0; i < n; ++i) {
      const WERunEntry e = weelement<WERunEntry>(runs, i);
      const i32 next = weelement<WERunEntry>(runs, i + 1).runStart;
      const std::string at = std::string(kind) + " " + std::to_string(i);
      if (i == 0 && e.runStart != 0) note(at + " does not start at 0");
      if (e.runStart >= next) note(at + " empty");
      if (!paras && i > 0 && e.runStart >= len) note(at + " starts at the text's end");
      if (paras && i > 0 && (e.runStart > len || t[std::size_t(e.runStart - 1)] != 13))
        note(at + " not at a paragraph start");
      if (i > 0 && weelement<WERunEntry>(runs, i - 1).styleIndex == e.styleIndex) note(at + " equals its neighbour");
      if (e.styleIndex < 0 || e.styleIndex >= ntable) note(at + " index");
      else ++counts[std::size_t(e.styleIndex)];
    }
    for (i32 k = 0; k < ntable; ++k) {
      i32 c;
      std::memcpy(&c, deref(table) + std::size_t(k) * stride, sizeof c);
      if (c != counts[std::size_t(k)]) note(std::string(kind) + " count of entry " + std::to_string(k));
    }
  };
  check("style run", r.hRuns, r.nRuns, r.hStyles, r.nStyles, sizeof(WEStyleTableEntry), false);
  check("paragraph run", r.hParaRuns, r.nParaRuns, r.hRulers, r.nRulers, sizeof(WERulerTableEntry), true);
  // Lines: from 0, ascending, the sentinel at the text's end.
  if (weelement<WELineRec>(r.hLines, 0).lineStart != 0) note("first line");
  if (weelement<WELineRec>(r.hLines, r.nLines).lineStart != len) note("line sentinel");
  for (i32 i = 1; i <= r.nLines; ++i)
    if (weelement<WELineRec>(r.hLines, i).lineStart < weelement<WELineRec>(r.hLines, i - 1).lineStart)
      note("line order");
  return bad;
}

}  // namespace kv
