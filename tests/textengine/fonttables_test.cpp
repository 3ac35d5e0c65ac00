// Fonts of styles: the style copy rule, the continuous style and ruler of a selection, and
// font tables built, read and applied.
#include <gtest/gtest.h>

#include <string>

#include "store/records.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

using WEFontsTest = WETest;

constexpr u8 kBold = 1, kItalic = 2, kCondense = 0x20, kExtend = 0x40;

TEST_F(WEFontsTest, TheCopyRule) {
  struct Row {
    const char* what;
    u32 mode;
    WETextStyle source, dest;
    u8 continuous;
    WETextStyle want;
  };
  auto ts = [](i16 size, u8 face, i16 shift = 0) {
    WETextStyle t{};
    t.size = size;
    t.face = face;
    t.vShift = shift;
    return t;
  };
  const Row rows[] = {
      {"size 0 is 12", weDoSize, ts(0, 0), ts(30, 0), 0, ts(12, 0)},
      {"an added size is pinned", weDoAddSize, ts(-20, 0), ts(12, 0), 0, ts(1, 0)},
      {"extend replaces condense", weDoFace | weDoReplaceFace, ts(0, kExtend), ts(0, kCondense), 0, ts(0, kExtend)},
      {"added extend drops condense", weDoFace, ts(0, kExtend), ts(0, kCondense | kBold), 0, ts(0, kExtend | kBold)},
      {"bold added to italic", weDoFace, ts(0, kBold), ts(0, kItalic), 0, ts(0, kBold | kItalic)},
      {"bold toggled where it holds", weDoFace | weDoToggleFace, ts(0, kBold), ts(0, kBold | kItalic), kBold,
       ts(0, kItalic)},
      {"bold toggled where it does not", weDoFace | weDoToggleFace, ts(0, kBold), ts(0, kItalic), 0,
       ts(0, kBold | kItalic)},
      {"a shift is pinned", weDoShift, ts(0, 0, 9000), ts(0, 0), 0, ts(0, 0, 8191)},
      {"an added shift is pinned", weDoAddShift, ts(0, 0, -9000), ts(0, 0, -8000), 0, ts(0, 0, -8192)},
  };
  for (const Row& row : rows) {
    WETextStyle d = row.dest;
    _WECopyStyle(&row.source, &d, row.continuous, row.mode);
    EXPECT_EQ(d.size, row.want.size) << row.what;
    EXPECT_EQ(d.face, row.want.face) << row.what;
    EXPECT_EQ(d.vShift, row.want.vShift) << row.what;
  }

  // The inline-input hilite style: cleared by every copy but one that asks for it; the object
  // copy sets the object and clears it.
  WETextStyle src{}, dst{};
  src.hiliteStyle = 3;
  src.object = 0x81000005;
  dst.hiliteStyle = 5;
  _WECopyStyle(&src, &dst, 0, weDoFont);
  EXPECT_EQ(dst.hiliteStyle, 0);
  _WECopyStyle(&src, &dst, 0, weDoHilite);
  EXPECT_EQ(dst.hiliteStyle, 3);
  _WECopyStyle(&src, &dst, 0, weDoHilite | weDoObject);
  EXPECT_EQ(dst.object, src.object);
  EXPECT_EQ(dst.hiliteStyle, 0);
  // The designators become the system and application fonts.
  src.font = 1;
  _WECopyStyle(&src, &dst, 0, weDoFont);
  EXPECT_EQ(dst.font, 3);
}

TEST_F(WEFontsTest, ContinuousStyleAndRulerOfASelection) {
  const WEReference we = maketext("abcd\refgh");
  const WETextStyle bold = style(20, kBold), bolditalic = style(20, kBold | kItalic), italic = style(20, kItalic);
  ASSERT_EQ(_WESetStyleRange(0, 2, fontfacesize, &bold, we), noErr);
  ASSERT_EQ(_WESetStyleRange(2, 4, fontfacesize, &bolditalic, we), noErr);
  ASSERT_EQ(_WESetStyleRange(6, 8, fontfacesize, &italic, we), noErr);
  ASSERT_EQ(_WESetStyleRange(8, 9, fontfacesize, &bold, we), noErr);

  auto continuous = [&](i32 start, i32 end, u16* mode, WETextStyle* ts) {
    rec(we).selStart = start;
    rec(we).selEnd = end;
    return WEContinuousStyle(mode, ts, we);
  };
  u16 mode = weDoFont | weDoFace | weDoSize | weDoColor | 0x8000;
  WETextStyle ts;
  EXPECT_TRUE(continuous(0, 4, &mode, &ts)) << "bold and bold italic";
  EXPECT_EQ(mode, weDoFont | weDoFace | weDoSize | weDoColor) << "limited to the style bits";
  EXPECT_EQ(ts.face, kBold);
  EXPECT_EQ(ts.font, 20);
  mode = weDoFace | weDoFaceMask;
  EXPECT_FALSE(continuous(6, 9, &mode, &ts)) << "italic and bold";
  EXPECT_EQ(mode, weDoFaceMask);
  EXPECT_EQ(ts.direction, kBold | kItalic) << "the union of the faces";
  mode = weDoFont | weDoFace;
  EXPECT_TRUE(continuous(3, 3, &mode, &ts)) << "an insertion point answers its null style";
  EXPECT_EQ(ts.face, kBold | kItalic);

  // Rulers: a centred paragraph and a left-aligned one with the same indent.
  WERuler centred{}, left{};
  centred.alignment = 1;
  left.alignment = -2;
  centred.leftIndent = left.leftIndent = 10 << 16;
  ASSERT_EQ(_WESetRulerRange(0, 1, weDoAlignment | weDoLeftIndent, &centred, we), noErr);
  ASSERT_EQ(_WESetRulerRange(6, 7, weDoAlignment | weDoLeftIndent, &left, we), noErr);
  rec(we).selStart = 1;
  rec(we).selEnd = 7;
  u32 rmode = weDoAllRuler;
  WERuler out{};
  EXPECT_FALSE(WEContinuousRuler(&rmode, &out, we));
  EXPECT_EQ(rmode, u32(weDoAllRuler & ~weDoAlignment));
  EXPECT_EQ(out.leftIndent, 10 << 16);
  EXPECT_EQ(out.alignment, 1);
}

// A font table of {stored family, name} entries (encoding 0), and its version.
Handle fonttable(std::initializer_list<std::pair<i16, const char*>> entries, u32 version = 0x01018000) {
  std::vector<u8> b(16 + 16 * entries.size(), 0);
  storeat<OSType>(&b[0], fourcc("FISH"));
  storeat<u32>(&b[4], version);
  storeat<u32>(&b[8], u32(entries.size()));
  std::size_t i = 0;
  for (const auto& [family, name] : entries) {
    u8* e = &b[16 + 16 * i++];
    storeat<i16>(e, family);
    storeat<i16>(e + 2, family);
    storeat<u32>(e + 12, u32(b.size()));
    b.push_back(u8(std::strlen(name)));
    for (const char* p = name; *p; ++p) b.push_back(u8(*p));
    while (b.size() % 4) b.push_back(0);
  }
  Handle h = nilhandle;
  PtrToHand(b.data(), &h, Size(b.size()));
  return h;
}

i16 localfamily(Handle table, i32 entry) { return loadat<i16>(deref(table) + 16 + 16 * entry + 2); }

TEST_F(WEFontsTest, FontTablesAreCheckedAndMapped) {
  u8 changed = 9;
  EXPECT_EQ(WEUpdateFontTable(nilhandle, nullptr, &changed), nilHandleErr);
  EXPECT_EQ(changed, 0);
  Handle table = fonttable({{42, "NoSuchFont"}, {20, "Times"}, {0, "Chicago"}});
  Handle shortone = NewHandleClear(15);
  Handle newer = fonttable({{3, "Geneva"}}, 0x02000000);
  Handle pastend = fonttable({{3, "Geneva"}});
  deref(pastend)[GetHandleSize(pastend) - 8] = 200;  // the name's length runs past the block
  EXPECT_EQ(WEUpdateFontTable(shortone, nullptr, &changed), weMalformedScrapErr);
  EXPECT_EQ(WEUpdateFontTable(newer, nullptr, &changed), weNewerVersionErr);
  EXPECT_EQ(WEUpdateFontTable(pastend, nullptr, &changed), weMalformedScrapErr);

  ASSERT_EQ(WEUpdateFontTable(table, nullptr, &changed), noErr);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(localfamily(table, 0), 3) << "an unknown font becomes the Roman default font";
  EXPECT_EQ(localfamily(table, 1), 20);
  EXPECT_EQ(localfamily(table, 2), 0) << "the system font keeps its name";

  // The 'styl' elements of the remapped family, and only those, are renumbered.
  std::vector<u8> styl(2 + 3 * 20, 0);
  storeat<u16>(styl.data(), 3);
  const i16 fonts[] = {42, 20, 3};
  for (int i = 0; i < 3; ++i) storeat<i16>(&styl[2 + 20 * std::size_t(i) + 8], fonts[i]);
  Handle scrap = nilhandle;
  PtrToHand(styl.data(), &scrap, Size(styl.size()));
  EXPECT_EQ(WEUpdateStyleScrap(scrap, table), noErr);
  EXPECT_EQ(loadat<i16>(deref(scrap) + 2 + 8), 3);
  EXPECT_EQ(loadat<i16>(deref(scrap) + 22 + 8), 20);
  EXPECT_EQ(loadat<i16>(deref(scrap) + 42 + 8), 3);
  for (Handle h : {table, shortone, newer, pastend, scrap}) DisposeHandle(h);
}

OSErr shoutname(i16, Str255 name) {
  for (int i = 1; i <= name[0]; ++i) name[i] = u8(std::toupper(name[i]));
  return noErr;
}

TEST_F(WEFontsTest, BuildingAFontTable) {
  const WEReference we = maketext("geneva times");
  const WETextStyle geneva = style(3), times = style(20, kBold);
  ASSERT_EQ(_WESetStyleRange(0, 6, fontfacesize, &geneva, we), noErr);
  ASSERT_EQ(_WESetStyleRange(6, 12, fontfacesize, &times, we), noErr);
  ASSERT_EQ(_WESetStyleRange(7, 9, fontfacesize, &geneva, we), noErr);  // Geneva again, after Times
  Handle table = NewHandle(3);
  ASSERT_EQ(WEBuildFontTable(table, nullptr, we), noErr);
  const u8* p = deref(table);
  EXPECT_EQ(loadat<OSType>(p), fourcc("FISH"));
  EXPECT_EQ(loadat<u32>(p + 4), 0x01018000u);
  ASSERT_EQ(loadat<u32>(p + 8), 2u);
  EXPECT_EQ(loadat<u32>(p + 12), 0u);
  ASSERT_EQ(GetHandleSize(table), 16 + 32 + 8 + 8);
  const char* names[] = {"Geneva", "Times"};
  for (int i = 0; i < 2; ++i) {
    const u8* e = p + 16 + 16 * i;
    const u32 at = loadat<u32>(e + 12);
    EXPECT_GE(at, 48u) << "past the entries";
    EXPECT_EQ(at % 4, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + at + 1), p[at]), names[i]);
    EXPECT_EQ(loadat<i16>(e), loadat<i16>(e + 2));
  }
  // The hook may rewrite the names; the record's own when none is given.
  const WEFontFamilyToNameProcPtr hook = &shoutname;
  ASSERT_EQ(WESetInfo(fourcc("ff2n"), &hook, we), noErr);
  ASSERT_EQ(WEBuildFontTable(table, nullptr, we), noErr);
  EXPECT_EQ(deref(table)[loadat<u32>(deref(table) + 28) + 1], 'G');
  EXPECT_EQ(deref(table)[loadat<u32>(deref(table) + 28) + 2], 'E');
  EXPECT_EQ(WEBuildFontTable(nilhandle, nullptr, we), nilHandleErr);
  DisposeHandle(table);
}

}  // namespace
}  // namespace kv
