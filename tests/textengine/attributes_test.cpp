// Attributes: setting several in one call, the refusals, reading values back, superscript,
// language, the caret's style and matching candidate values over a range.
#include <gtest/gtest.h>

#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr u32 kUndo = 1u << weFUndo, kQuiet = 1u << weFInhibitRedraw;
constexpr u8 kBold = 1, kItalic = 2, kUnderline = 4;

class WEAttributesTest : public WETest {
 protected:
  WEReference editable(const char* s) {
    const WEReference we = make(kQuiet | kUndo);
    EXPECT_EQ(WEUseText(text(s), we), noErr);
    return we;
  }
  static OSErr set(i32 start, i32 end, OSType tag, const void* value, i32 size, WEReference we) {
    return WESetOneAttribute(start, end, tag, value, size, we);
  }
  static OSErr settag(i32 start, i32 end, OSType tag, OSType value, WEReference we) {
    return set(start, end, tag, &value, 4, we);
  }
  template <class T>
  static T get(i32 offset, OSType tag, WEReference we) {
    T v{};
    EXPECT_EQ(WEGetOneAttribute(offset, tag, &v, i32(sizeof v), we), noErr);
    return v;
  }
};

TEST_F(WEAttributesTest, FaceBitsSetAndClearTogether) {
  const WEReference we = editable("styled");
  const WETextStyle some = style(3, kItalic | kUnderline);
  ASSERT_EQ(_WESetStyleRange(0, 6, weDoFace | weDoReplaceFace, &some, we), noErr);
  const OSType tags[] = {fourcc("bold"), fourcc("ital")};
  const u8 on = 1, off = 0;
  const void* values[] = {&on, &off};
  const i32 sizes[] = {1, 1};
  ASSERT_EQ(WESetAttributes(1, 4, 2, tags, values, sizes, we), noErr);
  EXPECT_EQ(styleat(1, we).face, kBold | kUnderline);
  EXPECT_EQ(styleat(0, we).face, kItalic | kUnderline);
  EXPECT_EQ(get<u8>(2, fourcc("bold"), we), 1);
  EXPECT_EQ(get<u8>(2, fourcc("ital"), we), 0);
  EXPECT_EQ(get<u8>(2, fourcc("plan"), we), 0);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKStyle);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(styleat(1, we).face, kItalic | kUnderline);

  // 'plan' clears every face bit.
  ASSERT_EQ(set(0, 6, fourcc("plan"), &on, 1, we), noErr);
  EXPECT_EQ(get<u8>(3, fourcc("plan"), we), 1);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEAttributesTest, RefusalsChangeNothing) {
  const WEReference we = editable("one\rtwo");
  const Fixed twelve = 12 << 16, ten = 10 << 16;
  {
    const OSType tags[] = {fourcc("ptsz"), fourcc("ptsz")};
    const void* values[] = {&twelve, &ten};
    const i32 sizes[] = {4, 4};
    EXPECT_EQ(WESetAttributes(0, 3, 2, tags, values, sizes, we), weDuplicateAttributeErr);
  }
  {
    const OSType tags[] = {fourcc("lein"), fourcc("+lei")};
    const void* values[] = {&twelve, &ten};
    const i32 sizes[] = {4, 4};
    EXPECT_EQ(WESetAttributes(0, 3, 2, tags, values, sizes, we), weDuplicateAttributeErr);
  }
  const u8 on = 1;
  EXPECT_EQ(set(0, 3, fourcc("zzzz"), &on, 1, we), paramErr);
  EXPECT_EQ(set(0, 3, fourcc("bold"), &on, 2, we), weBufferTooSmallErr);
  EXPECT_EQ(settag(0, 3, fourcc("pjst"), fourcc("xxxx"), we), weUnknownAttributeValueErr);
  EXPECT_EQ(settag(0, 3, fourcc("ptxe"), 0, we), weNotSettableErr);
  EXPECT_EQ(set(3, 1, fourcc("bold"), &on, 1, we), paramErr);
  u8 v = 0;
  EXPECT_EQ(WEGetOneAttribute(0, fourcc("zzzz"), &v, 1, we), paramErr);
  EXPECT_EQ(WEGetOneAttribute(0, fourcc("ptsz"), &v, 1, we), weBufferTooSmallErr);
  EXPECT_EQ(WEGetModCount(we), 0);
  EXPECT_EQ(WECountRuns(we), 1);
  EXPECT_EQ(WECountParaRuns(we), 1);
}

TEST_F(WEAttributesTest, AlignmentAndIndentsTakeWholeParagraphs) {
  const WEReference we = editable("one\rtwo\rthree");
  ASSERT_EQ(settag(5, 6, fourcc("pjst"), fourcc("cent"), we), noErr);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKRuler);
  EXPECT_EQ(get<OSType>(4, fourcc("pjst"), we), fourcc("cent"));
  EXPECT_EQ(get<OSType>(7, fourcc("pjst"), we), fourcc("cent"));
  EXPECT_EQ(get<OSType>(0, fourcc("pjst"), we), fourcc("deft"));
  EXPECT_EQ(get<OSType>(8, fourcc("pjst"), we), fourcc("deft"));

  const Fixed ten = 10 << 16, two = 2 << 16;
  ASSERT_EQ(set(0, 13, fourcc("lein"), &ten, 4, we), noErr);
  ASSERT_EQ(set(5, 5, fourcc("+lei"), &two, 4, we), noErr);
  EXPECT_EQ(get<Fixed>(0, fourcc("lein"), we), ten);
  EXPECT_EQ(get<Fixed>(5, fourcc("lein"), we), 12 << 16);
  const u8 on = 1;
  const u32 user = 0xC0FFEE;
  ASSERT_EQ(set(9, 9, fourcc("keep"), &on, 1, we), noErr);
  ASSERT_EQ(set(9, 9, fourcc("pusr"), &user, 4, we), noErr);
  EXPECT_EQ(get<u8>(10, fourcc("keep"), we), 1);
  EXPECT_EQ(get<u8>(10, fourcc("kepn"), we), 0);
  EXPECT_EQ(get<u32>(10, fourcc("pusr"), we), user);
  // Undo puts the whole ruler back, flags and user value too.
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(get<u32>(10, fourcc("pusr"), we), 0u);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEAttributesTest, ValuesReadInTheirUnits) {
  const WEReference we = editable("abc");
  const WETextStyle twelve = style(3, 0, 12);
  ASSERT_EQ(_WESetStyleRange(0, 3, weDoSize, &twelve, we), noErr);
  EXPECT_EQ(get<Fixed>(1, fourcc("ptsz"), we), 0x000C0000);
  EXPECT_EQ(get<OSType>(1, fourcc("unds"), we), fourcc("deft"));
  EXPECT_EQ(get<OSType>(1, fourcc("LDIR"), we), fourcc("deft"));
  EXPECT_EQ(get<OSType>(1, fourcc("BBRD"), we), fourcc("NONE"));
  EXPECT_EQ(get<u16>(1, fourcc("pptm"), we), 1);
  // Set-only attributes leave the caller's value alone.
  Fixed untouched = 77;
  ASSERT_EQ(WEGetOneAttribute(1, fourcc("+siz"), &untouched, 4, we), noErr);
  EXPECT_EQ(untouched, 77);

  // A language: its name when the buffer holds it, else empty.
  ASSERT_EQ(set(0, 3, fourcc("lang"), "fr", 3, we), noErr);
  char name[32] = "junk";
  ASSERT_EQ(WEGetOneAttribute(1, fourcc("lang"), name, 32, we), noErr);
  EXPECT_STREQ(name, "fr");
  char small[2] = {'x', 'x'};
  ASSERT_EQ(WEGetOneAttribute(1, fourcc("lang"), small, 2, we), noErr);
  EXPECT_EQ(small[0], 0);

  const OSType underline = fourcc("dubl");
  ASSERT_EQ(set(0, 1, fourcc("unds"), &underline, 4, we), noErr);
  EXPECT_EQ(get<OSType>(0, fourcc("unds"), we), underline);
}

TEST_F(WEAttributesTest, SuperscriptShiftsByAThirdOfTheSize) {
  const WEReference we = editable("abcd");
  const WETextStyle small = style(3, 0, 2);
  ASSERT_EQ(_WESetStyleRange(2, 4, weDoSize, &small, we), noErr);
  const u8 on = 1, off = 0;
  ASSERT_EQ(set(0, 2, fourcc("spsc"), &on, 1, we), noErr);
  EXPECT_EQ(styleat(0, we).vShift, 4);
  EXPECT_EQ(get<Fixed>(0, fourcc("xshf"), we), 4 << 16);
  ASSERT_EQ(set(2, 4, fourcc("sbsc"), &on, 1, we), noErr);
  EXPECT_EQ(styleat(2, we).vShift, -1);
  EXPECT_EQ(get<u8>(2, fourcc("sbsc"), we), 1);
  EXPECT_EQ(get<u8>(2, fourcc("spsc"), we), 0);
  ASSERT_EQ(set(0, 4, fourcc("spsc"), &off, 1, we), noErr);
  EXPECT_EQ(styleat(0, we).vShift, 0);
  EXPECT_EQ(styleat(3, we).vShift, 0);
}

TEST_F(WEAttributesTest, NegativeAndIncrementedSizes) {
  const WEReference we = editable("abc");
  const Fixed negative = -(5 << 16), three = 3 << 16, zero = 0;
  ASSERT_EQ(set(0, 1, fourcc("ptsz"), &negative, 4, we), noErr);
  EXPECT_EQ(styleat(0, we).size, 1);
  ASSERT_EQ(set(1, 2, fourcc("ptsz"), &zero, 4, we), noErr);
  EXPECT_EQ(styleat(1, we).size, 12);
  ASSERT_EQ(set(1, 3, fourcc("+siz"), &three, 4, we), noErr);
  EXPECT_EQ(styleat(1, we).size, 15);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEAttributesTest, AtTheCaretOnlyTheNextCharacterChanges) {
  const WEReference we = editable("ab");
  WESetSelection(1, 1, we);
  const u8 on = 1;
  ASSERT_EQ(set(-1, -1, fourcc("bold"), &on, 1, we), noErr);
  EXPECT_EQ(WEGetModCount(we), 0);
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKNone);
  EXPECT_EQ(get<u8>(-2, fourcc("bold"), we), 1) << "the caret's style";
  EXPECT_EQ(get<u8>(-1, fourcc("bold"), we), 0) << "the text's style";
  ASSERT_EQ(WEKey('X', 0, we), noErr);
  EXPECT_EQ(styleat(1, we).face, kBold);
  EXPECT_EQ(styleat(2, we).face, 0);
}

TEST_F(WEAttributesTest, MatchingFindsCandidatesAndContinuity) {
  const WEReference we = editable("plain bold\rnext");
  const WETextStyle bold = style(3, kBold);
  ASSERT_EQ(_WESetStyleRange(6, 10, weDoFace, &bold, we), noErr);
  const u8 candidates[] = {0, 1};
  u8 matches[2] = {9, 9};
  bool continuous = true;
  ASSERT_EQ(WEMatchAttributes(3, 8, fourcc("bold"), 1, 2, candidates, matches, &continuous, we), noErr);
  EXPECT_EQ(matches[0], 1);
  EXPECT_EQ(matches[1], 1);
  EXPECT_FALSE(continuous);
  ASSERT_EQ(WEMatchAttributes(6, 9, fourcc("bold"), 1, 2, candidates, matches, &continuous, we), noErr);
  EXPECT_EQ(matches[0], 0);
  EXPECT_EQ(matches[1], 1);
  EXPECT_TRUE(continuous);

  ASSERT_EQ(settag(11, 12, fourcc("pjst"), fourcc("cent"), we), noErr);
  const OSType alignments[] = {fourcc("left"), fourcc("cent")};
  ASSERT_EQ(WEMatchAttributes(12, 13, fourcc("pjst"), 4, 2, alignments, matches, &continuous, we), noErr);
  EXPECT_EQ(matches[0], 0);
  EXPECT_EQ(matches[1], 1);
  EXPECT_TRUE(continuous);
  ASSERT_EQ(WEMatchAttributes(0, 15, fourcc("pjst"), 4, 2, alignments, matches, &continuous, we), noErr);
  EXPECT_EQ(matches[1], 1);
  EXPECT_FALSE(continuous);

  // An empty range that is the selection looks at the caret's style alone.
  WESetSelection(8, 8, we);
  const u8 off = 0;
  ASSERT_EQ(set(-1, -1, fourcc("bold"), &off, 1, we), noErr);
  ASSERT_EQ(WEMatchAttributes(-1, -1, fourcc("bold"), 1, 2, candidates, matches, &continuous, we), noErr);
  EXPECT_EQ(matches[0], 1);
  EXPECT_EQ(matches[1], 0);
  EXPECT_TRUE(continuous);

  EXPECT_EQ(WEMatchAttributes(5, 2, fourcc("bold"), 1, 2, candidates, matches, &continuous, we), paramErr);
  EXPECT_EQ(WEMatchAttributes(0, 2, fourcc("zzzz"), 1, 2, candidates, matches, &continuous, we), paramErr);
  // An attribute that is not compared matches nothing and holds throughout.
  ASSERT_EQ(WEMatchAttributes(0, 15, fourcc("ptxe"), 4, 1, alignments, matches, &continuous, we), noErr);
  EXPECT_EQ(matches[0], 0);
  EXPECT_TRUE(continuous);
}

}  // namespace
}  // namespace kv
