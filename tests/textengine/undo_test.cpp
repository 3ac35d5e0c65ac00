// Undo and redo of text records: typing as one action, single and multiple undo, what a
// backspace over styled text and objects gives back, the modification count, groups, failures
// while undoing and actions the text no longer matches.
#include <gtest/gtest.h>

#include "platform/memory/memory.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr u32 kUndo = 1u << weFUndo, kMultipleUndo = 1u << weFMultipleUndo;
constexpr OSType kPicture = fourcc("PICT");

class WEUndoTest : public WETest {
 protected:
  static void type(const char* s, WEReference we) {
    for (; *s; ++s) ASSERT_EQ(WEKey(u8(*s), 0, we), noErr);
  }
};

TEST_F(WEUndoTest, TypingUndoesInOneStepAndSingleUndoToggles) {
  const WEReference we = editable("");
  type("abc", we);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKTyping);
  EXPECT_TRUE(WEIsTyping(we));

  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "");
  bool redo = false;
  EXPECT_EQ(WEGetUndoInfo(&redo, we), weAKTyping);
  EXPECT_TRUE(redo);

  // With single undo an empty undo stack redoes the last undone change.
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "abc");
  i32 s, e;
  WEGetSelection(&s, &e, we);
  EXPECT_EQ(s, 3);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEUndoTest, MovingTheCaretStartsANewTypingAction) {
  const WEReference we = editable("", kUndo | kMultipleUndo);
  type("ab", we);
  WESetSelection(0, 0, we);
  EXPECT_FALSE(WEIsTyping(we));
  type("c", we);
  EXPECT_EQ(textof(we), "cab");
  EXPECT_EQ(WEGetIndUndoInfo(1, we), weAKTyping);
  EXPECT_EQ(WEGetIndUndoInfo(2, we), weAKTyping);
  EXPECT_EQ(WEGetIndUndoInfo(3, we), weAKNone);
  EXPECT_EQ(WEGetIndUndoInfo(0, we), weAKNone);

  // Multiple undo takes both back in turn, and redo brings them again in order.
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "ab");
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "");
  EXPECT_EQ(WEUndo(we), weCantUndoErr);
  EXPECT_EQ(WEGetIndUndoInfo(-2, we), weAKTyping);
  ASSERT_EQ(WERedo(we), noErr);
  ASSERT_EQ(WERedo(we), noErr);
  EXPECT_EQ(textof(we), "cab");
  EXPECT_EQ(WERedo(we), weCantUndoErr);
}

TEST_F(WEUndoTest, BackspaceOverStylesAndAnObjectUndoesWhole) {
  const WEReference we = editable("abc");
  const WETextStyle bold = style(3, 1);
  ASSERT_EQ(_WESetStyleRange(1, 2, weDoFace | weDoReplaceFace, &bold, we), noErr);
  const u8 bytes[] = {1, 2, 3, 4, 5};
  Handle data = nilhandle;
  ASSERT_EQ(PtrToHand(bytes, &data, sizeof bytes), noErr);
  ASSERT_EQ(_WEInsertObjectAtOffset(2, kPicture, data, Point{10, 20}, we), noErr);  // "ab" object "c"
  WESetSelection(3, 3, we);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(WEKey(8, 0, we), noErr);
  EXPECT_EQ(textof(we), "c");
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKBackspace);

  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), std::string("ab\x01"
                                    "c"));
  EXPECT_EQ(styleat(0, we).face, 0);
  EXPECT_EQ(styleat(1, we).face, 1) << "the bold run comes back";
  EXPECT_EQ(styleat(3, we).face, 0);
  WEObjectDescHandle object = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(2, &object, we), noErr);
  EXPECT_EQ(WEGetObjectType(object), kPicture);
  const Handle back = WEGetObjectDataHandle(object);
  ASSERT_EQ(GetHandleSize(back), Size(sizeof bytes));
  EXPECT_EQ(std::memcmp(deref(back), bytes, sizeof bytes), 0);
  EXPECT_EQ(WEGetObjectSize(object), (20u << 16) | 10u);
  EXPECT_EQ(checkruns(we), "");

  // Redoing takes all three away again.
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "c");
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEUndoTest, ForwardDeleteOverAReturnGivesBothParagraphsBack) {
  const WEReference we = editable("ab\rcd");
  WERuler centred{};
  centred.alignment = 1;
  ASSERT_EQ(_WESetRulerRange(3, 5, weDoAlignment, &centred, we), noErr);
  WESetSelection(1, 1, we);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(WEKey(127, 0, we), noErr);
  EXPECT_EQ(textof(we), "ad");
  EXPECT_EQ(WEGetAlignment(we), 0) << "the joined paragraph keeps the first one's ruler";
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "ab\rcd");
  WEParaInfo info;
  WEGetParaInfo(0, &info, we);
  EXPECT_EQ(info.ruler.alignment, 0);
  WEGetParaInfo(4, &info, we);
  EXPECT_EQ(info.ruler.alignment, 1);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEUndoTest, ModificationCountFollowsUndoAndRedo) {
  const WEReference we = editable("xy");
  type("z", we);
  EXPECT_EQ(WEGetModCount(we), 1);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(WEGetModCount(we), 0);
  ASSERT_EQ(WERedo(we), noErr);
  EXPECT_EQ(WEGetModCount(we), 1);
  EXPECT_EQ(textof(we), "xyz");

  WEResetModCount(we);
  EXPECT_EQ(WEGetModCount(we), 0);
  EXPECT_EQ(WEUndo(we), weCantUndoErr) << "the reset drops the history";
  EXPECT_EQ(WERedo(we), weCantUndoErr);
}

TEST_F(WEUndoTest, AGroupUndoesAndRedoesInOneStep) {
  const WEReference we = editable("hello");
  ASSERT_EQ(WEBeginAction(we), noErr);
  EXPECT_EQ(WEBeginAction(we), weActionGroupErr);
  EXPECT_EQ(WEUndo(we), weActionGroupErr);
  EXPECT_EQ(WERedo(we), weActionGroupErr);
  WESetSelection(0, 1, we);
  ASSERT_EQ(WEDelete(we), noErr);
  WESetSelection(4, 4, we);
  ASSERT_EQ(WEInsertObject(kPicture, NewHandle(3), Point{0, 0}, we), noErr);
  EXPECT_EQ(textof(we), std::string("ello\x01"));
  EXPECT_EQ(WEEndAction(0, we), paramErr);
  ASSERT_EQ(WEEndAction(weAKDrop, we), noErr);
  EXPECT_EQ(WEEndAction(weAKDrop, we), weActionGroupErr);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKDrop);

  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "hello");
  i32 s, e;
  WEGetSelection(&s, &e, we);
  EXPECT_EQ(s, 0) << "the selection of before the group";
  EXPECT_EQ(e, 1);
  bool redo = false;
  EXPECT_EQ(WEGetUndoInfo(&redo, we), weAKDrop);
  EXPECT_TRUE(redo);
  ASSERT_EQ(WERedo(we), noErr);
  EXPECT_EQ(textof(we), std::string("ello\x01"));
  EXPECT_EQ(WEGetModCount(we), 2);
  EXPECT_EQ(checkruns(we), "");
}

// Every allocation of undoing a group fails in turn: the undo answers the failure, the text
// holds together, and no group is left open to take in later actions.
TEST_F(WEUndoTest, AFailingGroupUndoLeavesNoOpenGroup) {
  bool failed = false;
  for (std::size_t n = 1; n < 200; ++n) {
    const WEReference we = editable("hello", kUndo | kMultipleUndo);
    ASSERT_EQ(WEBeginAction(we), noErr);
    WESetSelection(0, 1, we);
    ASSERT_EQ(WEDelete(we), noErr);
    WESetSelection(4, 4, we);
    type("!", we);
    ASSERT_EQ(WEEndAction(weAKDrop, we), noErr);
    failallocationafter(n);
    const OSErr err = WEUndo(we);
    failallocationafter(0);
    EXPECT_EQ(checkruns(we), "") << n;
    if (err == noErr) {
      EXPECT_EQ(textof(we), "hello");
      break;
    }
    failed = true;
    EXPECT_EQ(err, memFullErr) << n;
    EXPECT_EQ(WEBeginAction(we), noErr) << n;
    EXPECT_EQ(WEEndAction(weAKPaste, we), noErr) << n;
    // A later edit is an action of its own on both stacks' terms.
    WESetSelection(0, 0, we);
    type("x", we);
    EXPECT_EQ(WEGetIndUndoInfo(1, we), weAKTyping) << n;
    i16 kind = 0;
    for (i32 i = -1; (kind = WEGetIndUndoInfo(i, we)) != weAKNone; --i) EXPECT_GT(kind, 0) << n;
  }
  EXPECT_TRUE(failed);
}

// An action the text changed under (undo was off) is dropped, changing nothing.
TEST_F(WEUndoTest, AnActionOutsideTheTextIsDropped) {
  const WEReference we = editable("");
  type("abc", we);
  WEFeatureFlag(weFUndo, 0, we);
  WESetSelection(0, 3, we);
  ASSERT_EQ(WEDelete(we), noErr);
  WEFeatureFlag(weFUndo, 1, we);
  const i32 count = WEGetModCount(we);
  EXPECT_EQ(WEUndo(we), paramErr);
  EXPECT_EQ(textof(we), "");
  EXPECT_EQ(WEGetModCount(we), count);
  EXPECT_EQ(WEUndo(we), weCantUndoErr) << "the action is gone";
}

TEST_F(WEUndoTest, AnObjectsNewSizeUndoesAndRedoes) {
  const WEReference we = editable("ab");
  ASSERT_EQ(_WEInsertObjectAtOffset(1, kPicture, NewHandle(2), Point{10, 20}, we), noErr);
  WEObjectDescHandle object = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(1, &object, we), noErr);
  ASSERT_EQ(WESetObjectSize(object, Point{30, 40}), noErr);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKObjectChange);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(WEGetObjectSize(object), (20u << 16) | 10u);
  ASSERT_EQ(WERedo(we), noErr);
  EXPECT_EQ(WEGetObjectSize(object), (40u << 16) | 30u);
  // Once the object is gone, undoing its change finds nothing to change.
  ASSERT_EQ(WEUndo(we), noErr);
  ASSERT_EQ(WEFeatureFlag(weFUndo, 0, we), 1);
  ASSERT_EQ(_WEDeleteRange(1, 2, we), noErr);
  ASSERT_EQ(_WEInsertText(1, "x", 1, we), noErr);
  WEFeatureFlag(weFUndo, 1, we);
  EXPECT_EQ(WEUndo(we), weObjectNotFoundErr);
  EXPECT_EQ(textof(we), "axb");
}

TEST_F(WEUndoTest, AnOldActionIsNotExtendedWhileUndoIsOff) {
  const WEReference we = editable("");
  type("ab", we);
  WEFeatureFlag(weFUndo, 0, we);
  WESetSelection(0, 0, we);
  type("x", we);
  WESetSelection(3, 3, we);
  type("y", we);
  ASSERT_EQ(WEKey(8, 0, we), noErr);
  EXPECT_EQ(textof(we), "xab");
  WEFeatureFlag(weFUndo, 1, we);
  // The action still covers what was typed while it was made, now at the wrong place: undoing
  // it takes out exactly its own length.
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "b");
}

TEST_F(WEUndoTest, WithoutUndoNothingIsRecorded) {
  const WEReference we = editable("", 0);
  type("ab", we);
  EXPECT_EQ(WEGetModCount(we), 2) << "with no action to extend, every key is a change";
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKNone);
  EXPECT_EQ(WEUndo(we), weCantUndoErr);
  WEClearUndo(we);
}

// A put replaces a range as one change: undo brings back the replaced text; an insertion at the
// caret that asks to continue typing joins the typing action; a space added between words goes
// with the put it belongs to.
TEST_F(WEUndoTest, APutUndoesWholeAndMayContinueTyping) {
  const WEReference we = editable("hello world", kUndo | kMultipleUndo);
  ASSERT_EQ(WEPut(0, 5, "HI", 2, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "HI world");
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKInsert);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "hello world");

  type("!", we);
  ASSERT_EQ(WEPut(-1, -1, "?", 1, kTextEncodingWEText, 0x2, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "hello world!?");
  EXPECT_EQ(WEGetIndUndoInfo(1, we), weAKTyping);
  EXPECT_EQ(WEGetIndUndoInfo(2, we), weAKNone);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "hello world");
  // Without the option the put is a change of its own.
  type("!", we);
  ASSERT_EQ(WEPut(-1, -1, "?", 1, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "hello world!");

  WEFeatureFlag(weFIntCutAndPaste, 1, we);
  WESetSelection(5, 5, we);
  ASSERT_EQ(WEInsert("big", 3, nilhandle, nilhandle, we), noErr);
  EXPECT_EQ(textof(we), "hello big world!");
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "hello world!");
  ASSERT_EQ(WERedo(we), noErr);
  EXPECT_EQ(textof(we), "hello big world!");
  EXPECT_EQ(checkruns(we), "");
}

}  // namespace
}  // namespace kv
