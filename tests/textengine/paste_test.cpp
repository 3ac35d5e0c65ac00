// Cut and paste: the engine's styled flavours before 'styl', rulers and objects only where the
// field allows them, plain pastes, Unicode when preferred, nothing usable, cutting with
// intelligent cut and pasting text without its indentation.
#include <gtest/gtest.h>

#include "fields/fieldview.h"
#include "platform/scrap/scrap.h"
#include "core/mainglobals.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr u32 kUndo = 1u << weFUndo;
constexpr u8 kBold = 1;

class WEPasteTest : public WETest {
 protected:
  // Puts the flavours on a cleared clipboard, in order.
  static void clipboard(const std::vector<std::pair<OSType, std::string>>& flavors) {
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    ScrapRef scrap = 0;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    for (const auto& [type, bytes] : flavors)
      ASSERT_EQ(PutScrapFlavor(scrap, type, 0, Size(bytes.size()), bytes.data()), noErr);
  }
  // A range of a record in one flavour.
  static std::string flavor(OSType type, WEReference we) {
    Handle h = NewHandle(0);
    EXPECT_EQ(WEStreamRange(0, WEGetTextLength(we), type, 0, h, we), noErr);
    std::string s(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
    DisposeHandle(h);
    return s;
  }
  static std::string scraptext(OSType type) {
    ScrapRef scrap = 0;
    EXPECT_EQ(GetCurrentScrap(&scrap), noErr);
    Size size = 0;
    if (GetScrapFlavorSize(scrap, type, &size) != noErr) return "<none>";
    std::string s(std::size_t(size), '\0');
    EXPECT_EQ(GetScrapFlavorData(scrap, type, &size, s.data()), noErr);
    return s;
  }
  static std::string utf16(const char* s) {
    std::string out;
    for (; *s; ++s) {
      const UniChar u = u8(*s);
      out.append(reinterpret_cast<const char*>(&u), 2);
    }
    return out;
  }

  // The clipboard of a bold "ab" in a centred paragraph followed by a picture, with a plain
  // 'styl' beside the engine's own flavours.
  void styledclipboard() {
    const WEReference source = editable("ab");
    WESetSelection(2, 2, source);
    ASSERT_EQ(WEInsertObject(fourcc("PICT"), NewHandle(6), Point{8, 8}, source), noErr);
    const std::string plainstyl = flavor(fourcc("styl"), source);
    WESetSelection(0, 2, source);
    const WETextStyle bold = style(3, kBold);
    ASSERT_EQ(WESetStyle(weDoFace, &bold, source), noErr);
    ASSERT_EQ(WESetAlignment(1, source), noErr);
    clipboard({{fourcc("TEXT"), textof(source)},
               {fourcc("styl"), plainstyl},
               {fourcc("WEcf"), flavor(fourcc("WEcf"), source)},
               {fourcc("WEst"), flavor(fourcc("WEst"), source)},
               {fourcc("WEpf"), flavor(fourcc("WEpf"), source)},
               {fourcc("WEru"), flavor(fourcc("WEru"), source)},
               {fourcc("SOUP"), flavor(fourcc("SOUP"), source)}});
  }
};

TEST_F(WEPasteTest, StyledFlavoursWinAndObjectsNeedTheFieldsLeave) {
  styledclipboard();
  const WEReference we = editable("");
  SetAllowObjectsFlag(we, 1);
  ASSERT_TRUE(WECanPaste(we));
  ASSERT_EQ(WEPaste(we), noErr);
  EXPECT_EQ(textof(we), std::string("ab\x01"));
  EXPECT_EQ(styleat(0, we).face, kBold);
  EXPECT_EQ(WEGetAlignment(we), 1);
  WEObjectDescHandle object = nilhandle;
  EXPECT_EQ(WEGetObjectAtOffset(2, &object, we), noErr);
  EXPECT_EQ(WEGetObjectType(object), fourcc("PICT"));
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKPaste);
  EXPECT_EQ(checkruns(we), "");

  const WEReference refusing = editable("");
  ASSERT_EQ(WEPaste(refusing), noErr);
  EXPECT_EQ(styleat(0, refusing).face, kBold);
  EXPECT_EQ(WEGetAlignment(refusing), 0) << "no ruler without objects allowed";
  EXPECT_EQ(WEGetObjectAtOffset(2, &object, refusing), weObjectNotFoundErr);

  mainglobals().styledpaste = 0;
  const WEReference plain = editable("");
  SetAllowObjectsFlag(plain, 1);
  ASSERT_EQ(WEPaste(plain), noErr);
  EXPECT_EQ(styleat(0, plain).face, 0);
  EXPECT_EQ(WECountRuns(plain), 1);
  mainglobals().styledpaste = 1;
}

TEST_F(WEPasteTest, UnicodeWhenPreferredForOnePasteOnly) {
  clipboard({{fourcc("TEXT"), "plain"}, {fourcc("utxt"), utf16("caf\xE9")}});
  const WEReference we = editable("");
  WESetPreferUTXTFlag(1);
  ASSERT_EQ(WEPaste(we), noErr);
  EXPECT_EQ(textof(we), "caf\x8E");
  ASSERT_EQ(WEPaste(we), noErr);
  EXPECT_EQ(textof(we), "caf\x8Eplain") << "the preference went with the paste";

  // A refusal and a failure clear it too.
  WEFeatureFlag(weFReadOnly, 1, we);
  WESetPreferUTXTFlag(1);
  EXPECT_EQ(WEPaste(we), weReadOnlyErr);
  WEFeatureFlag(weFReadOnly, 0, we);
  ASSERT_EQ(WEPaste(we), noErr);
  EXPECT_EQ(textof(we), "caf\x8Eplainplain");
  clipboard({{fourcc("TEXT"), "t"}, {fourcc("utxt"), "odd"}});
  WESetPreferUTXTFlag(1);
  EXPECT_EQ(WEPaste(we), -9469);
  ASSERT_EQ(WEPaste(we), noErr);
  EXPECT_EQ(textof(we), "caf\x8Eplainplaint");

  // Only Unicode on the clipboard: it is taken without being preferred.
  clipboard({{fourcc("utxt"), utf16("x")}});
  ASSERT_EQ(WEPaste(we), noErr);
  EXPECT_EQ(textof(we), "caf\x8Eplainplaintx");
}

TEST_F(WEPasteTest, NothingUsableIsRefused) {
  clipboard({{fourcc("zzzz"), "?"}});
  const WEReference we = editable("abc");
  EXPECT_FALSE(WECanPaste(we));
  EXPECT_EQ(WEPaste(we), -102);
  EXPECT_EQ(textof(we), "abc");
  EXPECT_EQ(WEPasteTextMinusIndenting(we), -102);
  EXPECT_EQ(textof(we), "abc");
  clipboard({{fourcc("TEXT"), "x"}});
  WEFeatureFlag(weFReadOnly, 1, we);
  EXPECT_FALSE(WECanPaste(we));
  EXPECT_EQ(WEPaste(we), weReadOnlyErr);
  WESetSelection(0, 1, we);
  EXPECT_EQ(WECut(we), weReadOnlyErr);
  EXPECT_EQ(WEPasteTextMinusIndenting(we), weReadOnlyErr);
  EXPECT_EQ(textof(we), "abc");
  EXPECT_EQ(scraptext(fourcc("TEXT")), "x");
}

TEST_F(WEPasteTest, CutTakesTheSelectionAndAWordsSpace) {
  const WEReference we = editable("the big dog", kUndo | (1u << weFIntCutAndPaste));
  WESetSelection(4, 7, we);
  ASSERT_EQ(WECut(we), noErr);
  EXPECT_EQ(scraptext(fourcc("TEXT")), "big");
  EXPECT_EQ(textof(we), "the dog");
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKCut);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "the big dog");
}

TEST_F(WEPasteTest, TextMinusIndenting) {
  clipboard({{fourcc("TEXT"), "  a\r\tb\r"}});
  const WEReference we = editable("");
  ASSERT_EQ(WEPasteTextMinusIndenting(we), noErr);
  EXPECT_EQ(textof(we), "a\rb\r");
  EXPECT_EQ(WEGetUndoInfo(nullptr, we), weAKPaste);

  // After an odd number of quotes only the blanks outside quotes become spaces.
  clipboard({{fourcc("TEXT"), std::string("  x\t\n\xCA\0y\"\tz\"\r", 13)}});
  const WEReference quoted = editable("put \"");
  ASSERT_EQ(WEPasteTextMinusIndenting(quoted), noErr);
  EXPECT_EQ(textof(quoted), "put \"  x    y\"\tz\"\r");

  clipboard({{fourcc("TEXT"), "   \r  end"}});
  const WEReference blank = editable("");
  ASSERT_EQ(WEPasteTextMinusIndenting(blank), noErr);
  EXPECT_EQ(textof(blank), "\rend");
}

}  // namespace
}  // namespace kv
