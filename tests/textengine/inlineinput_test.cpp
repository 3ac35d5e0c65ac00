// Inline input: the input method's four requests to a record, and a composition arriving
// through a registered, active record.
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/testing/inputscript.h"
#include "platform/tsm/tsm.h"
#include "core/mainglobals.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

class WEInlineInputTest : public WETest {
 protected:
  static TSMRecord request(OSType id, WEReference we) {
    TSMRecord e{kTextServiceClass, id, {}};
    e.put(fourcc("refc"), i32(we));
    return e;
  }
  static TSMRecord update(WEReference we, const std::string& text, i32 fixed, TSMTextRanges hilites = {}) {
    TSMRecord e = request(kUpdateActiveInputArea, we);
    e.put(fourcc("kdat"), text);
    e.put(fourcc("fixl"), fixed);
    if (!hilites.empty()) e.put(fourcc("hrng"), std::move(hilites));
    return e;
  }
  static std::pair<i32, i32> area(WEReference we) { return {rec(we).tsmAreaStart, rec(we).tsmAreaEnd}; }
  static std::pair<i32, i32> selection(WEReference we) {
    i32 s = 0, e = 0;
    WEGetSelection(&s, &e, we);
    return {s, e};
  }
};

TEST_F(WEInlineInputTest, AnUpdateComposesInPlaceAndAConfirmationTypes) {
  const WEReference we = editable("hello ");
  ASSERT_EQ(WEHandleTSMEvent(update(we, "abc", 0, {{0, 3, 4}, {3, 3, -1}}), nullptr), noErr);
  EXPECT_EQ(textof(we), "hello abc");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{6, 9}));
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{9, 9}));
  EXPECT_EQ(styleat(6, we).hiliteStyle, 4);
  EXPECT_EQ(styleat(8, we).hiliteStyle, 4);
  EXPECT_EQ(styleat(2, we).hiliteStyle, 0);
  EXPECT_TRUE(GetWERecDirtyFlag(we));

  ASSERT_EQ(WEHandleTSMEvent(update(we, "xy", -1), nullptr), noErr);
  EXPECT_EQ(textof(we), "hello xy");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{-1, -1}));
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{8, 8}));
  bool redo = true;
  EXPECT_EQ(WEGetUndoInfo(&redo, we), weAKTyping);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "hello ");
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEInlineInputTest, PartialConfirmationsAndRangesStayInsideTheText) {
  const WEReference we = editable("12");
  // 'fixl' above the length confirms the whole text.
  ASSERT_EQ(WEHandleTSMEvent(update(we, "abc", 7), nullptr), noErr);
  EXPECT_EQ(textof(we), "12abc");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{-1, -1}));
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{5, 5}));

  // Ranges past the area are pinned to the inserted text.
  ASSERT_EQ(WEHandleTSMEvent(update(we, "de", 0, {{-5, 40, 3}, {9, 9, 1}}), nullptr), noErr);
  EXPECT_EQ(textof(we), "12abcde");
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{7, 7}));
  EXPECT_EQ(styleat(4, we).hiliteStyle, 0) << "confirmed text keeps no hilite";
  EXPECT_EQ(styleat(5, we).hiliteStyle, 3);
  // One byte confirmed: the area moves past it; the rest stays open.
  ASSERT_EQ(WEHandleTSMEvent(update(we, "fg", 1, {{0, 1, 4}}), nullptr), noErr);
  EXPECT_EQ(textof(we), "12abcfg");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{6, 7}));
  ASSERT_EQ(WEHandleTSMEvent(update(we, "h", -1), nullptr), noErr);
  EXPECT_EQ(textof(we), "12abcfh");
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "12") << "one typing action holds every confirmed byte";
}

TEST_F(WEInlineInputTest, PositionsAndRefusals) {
  const WEReference we = maketext("one two");
  WESetSelection(4, 4, we);
  TSMRecord reply;
  TSMRecord st2p = request(kOffset2Pos, we);
  st2p.put(fourcc("ofst"), i32(0));
  EXPECT_EQ(WEHandleTSMEvent(st2p, &reply), errOffsetInvalid) << "no area";

  ASSERT_EQ(WEHandleTSMEvent(update(we, "xyz", 0, {{0, 3, 4}}), nullptr), noErr);
  ASSERT_EQ(WEHandleTSMEvent(st2p, &reply), noErr);
  LongPoint p;
  i16 height = 0;
  WEGetPoint(4, 0, &p, &height, we);
  const Point* gpos = reply.get<Point>(fourcc("gpos"));
  ASSERT_NE(gpos, nullptr);
  EXPECT_EQ(*gpos, (Point{i16(p.v + height), i16(p.h)})) << "below the line of the area's start";
  st2p.put(fourcc("ofst"), i32(3));
  EXPECT_EQ(WEHandleTSMEvent(st2p, &reply), errOffsetInvalid) << "past the area";

  // Point to offset: outside the view, in the area (relative to its start), elsewhere.
  auto region = [&](Point where, i32* offset) {
    TSMRecord e = request(kPos2Offset, we), r;
    e.put(fourcc("cpos"), where);
    EXPECT_EQ(WEHandleTSMEvent(e, &r), noErr);
    *offset = *r.get<i32>(fourcc("ofst"));
    return *r.get<i16>(fourcc("rgnc"));
  };
  LongPoint in;
  WEGetPoint(5, 0, &in, nullptr, we);
  i32 offset = 0;
  EXPECT_EQ(region(Point{i16(in.v + 2), i16(in.h + 1)}, &offset), 3);
  EXPECT_EQ(offset, 1);
  EXPECT_EQ(region(Point{2, 1}, &offset), 2);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(region(Point{500, 1}, &offset), 1);

  TSMRecord gtxt = request(kGetSelectedText, we);
  WESetSelection(0, 3, we);
  ASSERT_EQ(WEHandleTSMEvent(gtxt, &reply), noErr);
  EXPECT_EQ(*reply.get<std::string>(fourcc("kdat")), "one");

  TSMRecord other = update(we, "q", -1);
  other.eventClass = fourcc("misc");
  EXPECT_EQ(WEHandleTSMEvent(other, &reply), errAEEventNotHandled);
  WEFeatureFlag(weFReadOnly, 1, we);
  const std::string before = textof(we);
  EXPECT_EQ(WEHandleTSMEvent(update(we, "q", -1), nullptr), weReadOnlyErr);
  EXPECT_EQ(textof(we), before);
}

TEST_F(WEInlineInputTest, ACompositionReachesTheActiveRegisteredRecord) {
  EXPECT_EQ(WERemoveTSMHandlers(), errAEHandlerNotFound) << "never installed";
  ASSERT_EQ(WEInstallTSMHandlers(), noErr);
  EXPECT_FALSE(tsmcompose("ab", 1)) << "no document is active";
  mainglobals().allowTextServices = 1;
  const WEReference we = editable("x");
  ASSERT_NE(rec(we).tsmDocument, 0u);
  EXPECT_EQ(tsmdocumentrefcon(rec(we).tsmDocument), u32(we));
  WEActivate(we);
  EXPECT_EQ(activetsmdocument(), rec(we).tsmDocument);

  ASSERT_TRUE(tsmcompose("ab", 1));
  EXPECT_EQ(textof(we), "xab");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{1, 3}));
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{2, 2})) << "the composition's cursor";
  ASSERT_TRUE(tsmcommit("ab"));
  EXPECT_EQ(textof(we), "xab");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{-1, -1}));
  EXPECT_FALSE(tsmcommit("c")) << "committed text without a composition arrives as keys";

  // Stopping the session confirms what is being composed; an edit then acts on the text.
  ASSERT_TRUE(tsmcompose("cd", 0));
  WEStopInlineSession(we);
  EXPECT_EQ(area(we), (std::pair<i32, i32>{-1, -1}));
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{5, 5}));
  ASSERT_EQ(WEKey('!', 0, we), noErr);
  EXPECT_EQ(textof(we), "xabcd!");
  EXPECT_FALSE(tsmcommit("cd")) << "the composition ended with the session";

  WEDeactivate(we);
  EXPECT_EQ(activetsmdocument(), nilid);
  const std::size_t documents = tsmdocumentcount();
  WEDispose(we);
  records_.clear();
  EXPECT_EQ(tsmdocumentcount(), documents - 1);
  EXPECT_EQ(WERemoveTSMHandlers(), noErr);
}

TEST_F(WEInlineInputTest, TheInputTimelineComposesAndCommits) {
  ASSERT_EQ(WEInstallTSMHandlers(), noErr);
  mainglobals().allowTextServices = 1;
  const WEReference we = editable("");
  WEActivate(we);
  std::string error;
  ASSERT_TRUE(
      runinputscript("compose \"ab\" 1\nadvance 2\ncommit \"ab\"\ncompose \"e\" 1\ncommit \"\xC3\xA9\"\n"
                     "commit \"z\"\n",
                     &error))
      << error;
  EventRecord e{};
  ASSERT_FALSE(WaitNextEvent(keyDownMask, &e, 1));
  EXPECT_EQ(textof(we), "ab");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{0, 2}));
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{1, 1}));
  EXPECT_EQ(styleat(0, we).hiliteStyle, 4);
  ASSERT_TRUE(WaitNextEvent(keyDownMask, &e, 60));
  EXPECT_EQ(textof(we), "ab\x8E") << "committed in Mac Roman";
  EXPECT_EQ(area(we), (std::pair<i32, i32>{-1, -1}));
  EXPECT_EQ(e.message & charCodeMask, u32('z')) << "committed without a composition: a key";
  EXPECT_EQ(WERemoveTSMHandlers(), noErr);
}

// With the input method's own window, a composition in place is confirmed, later ones reach no
// record, and the committed text is typed.
TEST_F(WEInlineInputTest, TheInputMethodsOwnWindowTypesWhatItCommits) {
  ASSERT_EQ(WEInstallTSMHandlers(), noErr);
  mainglobals().allowTextServices = 1;
  const WEReference we = editable("");
  WEActivate(we);
  ASSERT_TRUE(tsmcompose("xy", 1));
  useinputwindow(true);
  EXPECT_TRUE(inputwindowinuse());
  EXPECT_EQ(textof(we), "xy");
  EXPECT_EQ(area(we), (std::pair<i32, i32>{-1, -1})) << "confirmed";
  std::string error;
  ASSERT_TRUE(runinputscript("compose \"ab\" 1\ncommit \"ab\"\n", &error)) << error;
  EventRecord e{};
  std::string typed;
  while (WaitNextEvent(keyDownMask, &e, 1)) typed += char(e.message & charCodeMask);
  EXPECT_EQ(typed, "ab");
  EXPECT_EQ(textof(we), "xy") << "the composition went to no record";
  useinputwindow(false);
  EXPECT_TRUE(tsmcompose("c", 1));
  EXPECT_EQ(textof(we), "xyc");
  EXPECT_EQ(WERemoveTSMHandlers(), noErr);
}

}  // namespace
}  // namespace kv
