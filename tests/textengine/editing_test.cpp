// Editing text records: keys (two-byte characters whole), deleting with intelligent cut,
// inserting objects, read-only records, styles at a selection and at the caret, rulers and
// alignment, and changing case.
#include <gtest/gtest.h>

#include <vector>

#include "platform/fonts/scriptmanager.h"
#include "platform/qd/copybits.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr u32 kUndo = 1u << weFUndo, kQuiet = 1u << weFInhibitRedraw;
constexpr i16 kJapaneseFont = 16384;
constexpr u8 kBold = 1;

class WEEditTest : public WETest {
 protected:
  WEReference editable(const char* s, u32 features = kUndo) {
    const WEReference we = make(kQuiet | features);
    EXPECT_EQ(WEUseText(text(s), we), noErr);
    return we;
  }
  static void type(const char* s, WEReference we) {
    for (; *s; ++s) ASSERT_EQ(WEKey(u8(*s), 0, we), noErr);
  }
  static i32 caret(WEReference we) {
    i32 s, e;
    WEGetSelection(&s, &e, we);
    return s == e ? s : -1;
  }
};

TEST_F(WEEditTest, KeysTypeAtTheCaretAsOneAction) {
  const WEReference we = editable("x", kUndo | (1u << weFMultipleUndo));
  WESetSelection(1, 1, we);
  type("abc", we);
  EXPECT_EQ(textof(we), "xabc");
  EXPECT_EQ(caret(we), 4);
  EXPECT_EQ(WEGetIndUndoInfo(1, we), weAKTyping);
  EXPECT_EQ(WEGetIndUndoInfo(2, we), weAKNone);

  // Typing over a selection replaces it.
  WESetSelection(1, 3, we);
  type("Z", we);
  EXPECT_EQ(textof(we), "xZc");
  EXPECT_EQ(caret(we), 2);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEEditTest, DeletingKeysAtTheEndsChangeNothing) {
  const WEReference we = editable("ab");
  WESetSelection(0, 0, we);
  EXPECT_EQ(WEKey(8, 0, we), noErr);
  WESetSelection(2, 2, we);
  EXPECT_EQ(WEKey(127, 0, we), noErr);
  EXPECT_EQ(textof(we), "ab");
  EXPECT_EQ(caret(we), 2);
  WESetSelection(1, 1, we);
  EXPECT_EQ(WEKey(127, 0, we), noErr);
  EXPECT_EQ(textof(we), "a");
  EXPECT_EQ(WEKey(8, 0, we), noErr);
  EXPECT_EQ(textof(we), "");
}

TEST_F(WEEditTest, TwoByteCharactersAreTypedAndDeletedWhole) {
  enablejapanesescript(true);
  const WEReference we = editable("a");
  ASSERT_NE(rec(we).flags & weFlagDoubleByte, 0u);
  WEActivate(we);
  WESetSelection(1, 1, we);
  const WETextStyle japanese = style(kJapaneseFont);
  ASSERT_EQ(WESetStyle(weDoFont, &japanese, we), noErr);
  EXPECT_EQ(GetScriptManagerVariable(smKeyScript), smJapanese) << "the keyboard follows the font's script";

  ASSERT_EQ(WEKey(0x82, 0, we), noErr);
  EXPECT_EQ(textof(we), "a") << "the first byte is held";
  EXPECT_EQ(rec(we).firstByte, 0x82);
  ASSERT_EQ(WEKey(0xA0, 0, we), noErr);
  EXPECT_EQ(textof(we), "a\x82\xA0");
  EXPECT_EQ(caret(we), 3);
  EXPECT_EQ(styleat(1, we).font, kJapaneseFont);

  ASSERT_EQ(WEKey(8, 0, we), noErr);
  EXPECT_EQ(textof(we), "a");
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "a\x82\xA0");
  WESetSelection(1, 1, we);
  ASSERT_EQ(WEKey(127, 0, we), noErr);
  EXPECT_EQ(textof(we), "a");
  EXPECT_EQ(checkruns(we), "");
}

// A byte hook that calls every byte a first byte (or every byte a last one): the deleting keys
// still never reach past either end of the text.
i16 firstbytes(const u8*, i32, i32, i16, WEReference) { return -1; }
i16 lastbytes(const u8*, i32, i32, i16, WEReference) { return 1; }

// The port's pixels, one colour per pixel, row by row.
std::vector<RGBColor> pixels() {
  std::vector<RGBColor> out;
  for (i16 v = 0; v < 100; ++v)
    for (i16 h = 0; h < 100; ++h) {
      RGBColor c;
      GetCPixel(h, v, &c);
      out.push_back(c);
    }
  return out;
}

TEST_F(WEEditTest, AHeldFirstByteDrawsNothing) {
  enablejapanesescript(true);
  const WEReference we = editable("a");
  WEFeatureFlag(weFInhibitRedraw, 0, we);
  WESetSelection(1, 1, we);
  KeyScript(smJapanese);
  const WETextStyle japanese = style(kJapaneseFont);
  ASSERT_EQ(WESetStyle(weDoFont, &japanese, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  WEUpdate(0, we);
  const std::vector<RGBColor> before = pixels();
  ASSERT_EQ(WEKey(0x82, 0, we), noErr);
  EXPECT_TRUE(pixels() == before);
  ASSERT_EQ(WEKey(0xA0, 0, we), noErr);
  EXPECT_FALSE(pixels() == before);
}

TEST_F(WEEditTest, DamagedTwoByteTextNeverDeletesPastItsEnds) {
  enablejapanesescript(true);
  const WEReference we = editable("ab");
  ASSERT_NE(rec(we).flags & weFlagDoubleByte, 0u);
  WECharByteProcPtr hook = firstbytes;
  ASSERT_EQ(WESetInfo(fourcc("cbyt"), &hook, we), noErr);
  WESetSelection(1, 1, we);
  ASSERT_EQ(WEKey(127, 0, we), noErr);
  EXPECT_EQ(textof(we), "a");
  hook = lastbytes;
  ASSERT_EQ(WESetInfo(fourcc("cbyt"), &hook, we), noErr);
  ASSERT_EQ(WEKey(8, 0, we), noErr);
  EXPECT_EQ(textof(we), "");
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEEditTest, AReadOnlyRecordMovesTheCaretAndRefusesEdits) {
  const WEReference we = editable("abc");
  WESetSelection(0, 3, we);
  const WETextStyle bold = style(3, kBold);
  ASSERT_EQ(WESetStyle(weDoFace, &bold, we), noErr);
  WEFeatureFlag(weFReadOnly, 1, we);
  const i32 count = WEGetModCount(we);
  WESetSelection(1, 1, we);
  ASSERT_EQ(WEKey(29, 0, we), noErr);
  EXPECT_EQ(caret(we), 2) << "the right arrow moves the caret";

  WESetSelection(1, 2, we);
  EXPECT_EQ(WEKey('a', 0, we), weReadOnlyErr);
  EXPECT_EQ(WEKey(8, 0, we), weReadOnlyErr);
  EXPECT_EQ(WEDelete(we), weReadOnlyErr);
  EXPECT_EQ(WEInsertObject(fourcc("PICT"), nilhandle, Point{0, 0}, we), weReadOnlyErr);
  EXPECT_EQ(WESetStyle(weDoFace, &bold, we), weReadOnlyErr);
  WERuler ruler{};
  EXPECT_EQ(WESetRuler(weDoAlignment, &ruler, we), weReadOnlyErr);
  EXPECT_EQ(WESetAlignment(1, we), weReadOnlyErr);
  EXPECT_EQ(WEChangeCase(1, we), weReadOnlyErr);
  const u8 on = 1;
  EXPECT_EQ(WESetOneAttribute(-1, -1, fourcc("ital"), &on, 1, we), weReadOnlyErr);
  EXPECT_EQ(WEUseStyleScrap(nilhandle, we), weReadOnlyErr);
  EXPECT_EQ(WEUndo(we), weReadOnlyErr);
  EXPECT_EQ(WERedo(we), weCantUndoErr);
  EXPECT_EQ(textof(we), "abc");
  EXPECT_EQ(styleat(1, we).face, kBold);
  EXPECT_EQ(WEGetModCount(we), count);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKStyle) << "the history stays";
}

TEST_F(WEEditTest, DeleteWidensAWholeWordByItsSpace) {
  const WEReference we = editable("the big dog", kUndo | (1u << weFIntCutAndPaste));
  WESetSelection(4, 7, we);
  ASSERT_EQ(WEDelete(we), noErr);
  EXPECT_EQ(textof(we), "the dog");
  EXPECT_EQ(caret(we), 3);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKClear);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "the big dog");
  // An empty selection deletes nothing and records nothing.
  const i32 count = WEGetModCount(we);
  WESetSelection(2, 2, we);
  EXPECT_EQ(WEDelete(we), noErr);
  EXPECT_EQ(WEGetModCount(we), count);
}

TEST_F(WEEditTest, AnInsertedObjectReplacesTheSelection) {
  const WEReference we = editable("abcd");
  WESetSelection(1, 3, we);
  const Handle data = NewHandle(4);
  ASSERT_EQ(WEInsertObject(fourcc("PICT"), data, Point{5, 6}, we), noErr);
  EXPECT_EQ(textof(we), std::string("a\x01"
                                    "d"));
  EXPECT_EQ(caret(we), 2);
  WEObjectDescHandle object = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(1, &object, we), noErr);
  EXPECT_EQ(WEGetObjectDataHandle(object), data);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKInsert);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "abcd");
  EXPECT_EQ(WEGetObjectAtOffset(1, &object, we), weObjectNotFoundErr);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEEditTest, StyleOverASelectionUndoesToThePlainRun) {
  const WEReference we = editable("the big dog");
  WESetSelection(4, 7, we);
  const WETextStyle bold = style(3, kBold);
  ASSERT_EQ(WESetStyle(weDoFace, &bold, we), noErr);
  EXPECT_EQ(styleat(4, we).face, kBold);
  EXPECT_EQ(styleat(7, we).face, 0);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKStyle);
  EXPECT_EQ(WEGetIndUndoInfo(1, we), weAKStyle);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "the big dog");
  EXPECT_EQ(WECountRuns(we), 1);
  EXPECT_EQ(styleat(5, we).face, 0);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEEditTest, StyleAtTheCaretWaitsForTheNextCharacter) {
  const WEReference we = editable("ab");
  WESetSelection(1, 1, we);
  const WETextStyle bold = style(3, kBold);
  ASSERT_EQ(WESetStyle(weDoFace, &bold, we), noErr);
  EXPECT_EQ(WEGetModCount(we), 0);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKNone);
  EXPECT_EQ(WECountRuns(we), 1);
  type("X", we);
  EXPECT_EQ(textof(we), "aXb");
  EXPECT_EQ(styleat(1, we).face, kBold);
  EXPECT_EQ(styleat(2, we).face, 0);

  // An empty text's run takes the style at once.
  const WEReference empty = editable("");
  ASSERT_EQ(WESetStyle(weDoFace, &bold, empty), noErr);
  EXPECT_EQ(styleat(0, empty).face, kBold);
  EXPECT_EQ(checkruns(empty), "");
}

TEST_F(WEEditTest, AMonoStyledRecordStylesItsWholeText) {
  const WEReference we = editable("plain text", kUndo | (1u << weFMonoStyled));
  WESetSelection(2, 4, we);
  const WETextStyle bold = style(3, kBold);
  ASSERT_EQ(WESetStyle(weDoFace, &bold, we), noErr);
  EXPECT_EQ(WECountRuns(we), 1);
  EXPECT_EQ(styleat(0, we).face, kBold);
}

TEST_F(WEEditTest, AlignmentTakesWholeParagraphs) {
  const WEReference we = editable("one\rtwo\rthree");
  WESetSelection(5, 6, we);
  ASSERT_EQ(WESetAlignment(1, we), noErr);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKRuler);
  WEParaInfo info;
  WEGetParaInfo(0, &info, we);
  EXPECT_EQ(info.ruler.alignment, 0);
  WEGetParaInfo(4, &info, we);
  EXPECT_EQ(info.ruler.alignment, 1);
  EXPECT_EQ(info.paraStart, 4);
  EXPECT_EQ(info.paraEnd, 8);
  WEGetParaInfo(9, &info, we);
  EXPECT_EQ(info.ruler.alignment, 0);
  ASSERT_EQ(WESetDirection(-1, we), noErr);
  EXPECT_EQ(WEGetDirection(we), -1);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(WEGetDirection(we), 1);
  EXPECT_EQ(WEGetAlignment(we), 1) << "single undo takes back the last change only";
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEEditTest, ChangeCaseUndoesToTheOldText) {
  const WEReference we = editable("caf\x8E au lait");
  WESetSelection(0, 4, we);
  ASSERT_EQ(WEChangeCase(1, we), noErr);
  EXPECT_EQ(textof(we), "CAF\x83 au lait");
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKCaseChange);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "caf\x8E au lait");
  WESetSelection(0, 13, we);
  ASSERT_EQ(WEChangeCase(0, we), noErr);
  EXPECT_EQ(textof(we), "caf\x8E au lait");
  ASSERT_EQ(WEChangeCase(1, we), noErr);
  ASSERT_EQ(WEChangeCase(0, we), noErr);
  EXPECT_EQ(textof(we), "caf\x8E au lait");
}

}  // namespace
}  // namespace kv
