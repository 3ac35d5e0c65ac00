// Reading RTF into a text record through the entry points: text, groups, failures and what
// they leave, character sets, character and paragraph formats, the document's tables and
// properties, pictures inline and as package attachments.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fields/fieldview.h"
#include "platform/fonts/fonts.h"
#include "fields/rtfreader.h"
#include "platform/files/files.h"
#include "platform/qd/pictures.h"
#include "platform/qd/png.h"
#include "platform/qd/shapes.h"
#include "platform/scrap/scrap.h"
#include "core/mainglobals.h"
#include "platform/testing/temphome.h"
#include "store/objects.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

class RTFReadTest : public WETest {
 protected:
  // A record that draws nothing and allows objects.
  WEReference record(const char* text = "") {
    const WEReference we = editable(text, 0);
    SetAllowObjectsFlag(we, 1);
    EXPECT_EQ(WEInstallObjectHandlers(we), noErr);
    return we;
  }
  static int32_t read(const std::string& rtf, WEReference we, i32 start = -1, i32 end = -1) {
    if (start < 0) WEGetSelection(&start, &end, we);
    Handle h = nilhandle;
    EXPECT_EQ(PtrToHand(rtf.data(), &h, Size(rtf.size())), noErr);
    const int32_t st = RTFReadHandleCrutch(start, end, we, h);
    DisposeHandle(h);
    return st;
  }
  // The text a document reads as, in a new record.
  std::string readtext(const std::string& rtf) {
    const WEReference we = record();
    EXPECT_EQ(read(rtf, we), 0) << rtf;
    return textof(we);
  }
  template <class T>
  static T attribute(WEReference we, i32 offset, const char (&tag)[5]) {
    T v{};
    EXPECT_EQ(WEGetOneAttribute(offset, fourcc(tag), &v, sizeof v, we), noErr) << tag;
    return v;
  }
  // The lines cover the text exactly.
  static bool laidout(WEReference we) {
    i32 start = 0, end = 0;
    WEGetLineRange(WECountLines(we) - 1, &start, &end, we);
    return end == WEGetTextLength(we);
  }
  // A hexadecimal picture of a frame of 20 × 30.
  static std::string picturehex() {
    const Rect frame{0, 0, 20, 30};
    const PicHandle pic = OpenPicture(&frame);
    PaintRect(&frame);
    ClosePicture();
    std::string hex;
    for (Size i = 0; i < GetHandleSize(pic); ++i) {
      static const char digits[] = "0123456789abcdef";
      hex += digits[u8(deref(pic)[i]) >> 4];
      hex += digits[u8(deref(pic)[i]) & 15];
    }
    KillPicture(pic);
    return hex;
  }
  static std::vector<u8> png(i32 width, i32 height) {
    std::vector<u32> pixels(std::size_t(width * height), 0x00FF0000);
    std::vector<u8> out;
    EXPECT_TRUE(encodexrgbpng(width, height, pixels.data(), &out));
    return out;
  }
  static std::string asstring(const std::vector<u8>& v) { return std::string(v.begin(), v.end()); }
  // The object at an offset as "type height×width".
  static std::string objectat(WEReference we, i32 offset) {
    WEObjectDescHandle o = nilhandle;
    if (WEGetObjectAtOffset(offset, &o, we) != noErr) return "none";
    const u32 size = WEGetObjectSize(o);
    // Fields wrap what they hold in a field object that names the wrapped kind.
    OSType t = WEGetObjectType(o);
    if (t == fourcc("iota")) t = loadat<iota>(deref(WEGetObjectDataHandle(o))).wrappedtype;
    const char type[5] = {char(t >> 24), char(t >> 16), char(t >> 8), char(t), 0};
    return std::string(type) + " " + std::to_string(size & 0xFFFF) + "x" + std::to_string(size >> 16);
  }
};

TEST_F(RTFReadTest, TextGroupsAndThePage) {
  const WEReference we = record();
  ASSERT_EQ(read("{\\rtf1\\ansi Hello}", we), 0);
  EXPECT_EQ(textof(we), "Hello");
  EXPECT_EQ(checkruns(we), "");
  i32 page[8] = {};
  i32 n = 0;
  ASSERT_EQ(WEGetProperty(fourcc("Info"), fourcc("Page"), sizeof page, &n, page, we), noErr);
  const i32 expected[8] = {612 << 16, 792 << 16, 54 << 16, 54 << 16, 54 << 16, 54 << 16, 0, 1};
  EXPECT_EQ(n, 32);
  EXPECT_EQ(std::memcmp(page, expected, sizeof page), 0);

  const WEReference kept = record("abc");
  WESetSelection(1, 2, kept);
  EXPECT_EQ(read("", kept), 0) << "an empty handle";
  i32 s = 0, e = 0;
  WEGetSelection(&s, &e, kept);
  EXPECT_EQ(textof(kept), "abc");
  EXPECT_EQ(s, 1);
  EXPECT_EQ(e, 2);
  EXPECT_EQ(read("{\\rtf1 X}", kept), 0);
  EXPECT_EQ(textof(kept), "aXc") << "the range given is replaced";

  EXPECT_EQ(readtext("{\\rtf1 " + std::string(300, 'x') + "}"), std::string(300, 'x'));
  EXPECT_EQ(readtext("{\\rtf1 a\\par b}"), "a\rb");
  EXPECT_EQ(readtext("{\\rtf1 {\\*\\foo skipped}kept}"), "kept");
  EXPECT_EQ(readtext("{\\rtf1 {\\foo shown}x}"), "shownx");
  EXPECT_EQ(readtext("{\\rtf1 a{\\fonttbl{\\f0 Name;}}b}"), "ab") << "text before the font table stays";
  EXPECT_EQ(readtext("{\\rtf1 \\{\\}\\\\\\tab\\~}"), "{}\\\t\xCA");
}

TEST_F(RTFReadTest, ARangeIsReplacedInOrder) {
  // The RTF of a paste replaces the selected range; its pieces follow one another.
  const WEReference we = record("xYYz");
  ASSERT_EQ(read("{\\rtf1 a{\\b b}c}", we, 1, 3), 0);
  EXPECT_EQ(textof(we), "xabcz");
  u8 bold = 0;
  EXPECT_EQ(WEGetOneAttribute(2, fourcc("bold"), &bold, 1, we), noErr);
  EXPECT_EQ(bold, 1);
  EXPECT_EQ(WEGetOneAttribute(3, fourcc("bold"), &bold, 1, we), noErr);
  EXPECT_EQ(bold, 0);
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 4);
}

TEST_F(RTFReadTest, FailuresKeepWhatWasPutAndLayOut) {
  const std::string letters29(29, 'q'), letters30(30, 'q');
  struct Row {
    std::string rtf;
    int32_t code;
    const char* text;
  } rows[] = {
      {"{\\rtf1 ab\\" + letters29 + " c}", 0, "abc"},
      {"{\\rtf1 ab\\" + letters30 + " c}", -93704, "ab"},
      {"{\\rtf1 ab\\par cd{\\pict\\macpict 00 11}}", -93701, "ab\rcd"},
      {"{\\rtf1 ab\\'4", -93701, "ab"},
      {"{\\rtf1 ab}}", -93700, "ab"},
      {"{\\rtf1 ab", -93700, "ab"},
      {"{\\rtf1 ab\\", -93703, "ab"},
      {"{\\rtf1 ab\\fs-", -93703, "ab"},
      {"Hello\\par", 0, "Hello\r"},
      {std::string(10001, '{'), -93700, ""},
  };
  for (const Row& r : rows) {
    const WEReference we = record();
    EXPECT_EQ(read(r.rtf, we), r.code) << r.rtf.substr(0, 40);
    EXPECT_EQ(textof(we), r.text) << r.rtf.substr(0, 40);
    EXPECT_TRUE(laidout(we)) << r.rtf.substr(0, 40);
  }
  // A caller that set feature 9 lays out itself.
  const WEReference we = record();
  WEFeatureFlag(9, 1, we);
  EXPECT_EQ(read("{\\rtf1 a\\par b\\par c}", we), 0);
  EXPECT_EQ(WEFeatureFlag(9, -1, we), 1);
  EXPECT_EQ(WECountLines(we), 1) << "not laid out";
}

TEST_F(RTFReadTest, CharacterSets) {
  const struct {
    const char* rtf;
    const char* text;
  } rows[] = {
      {"{\\rtf1\\ansi \\'e9}", "\x8E"},
      {"{\\rtf1\\mac \\'e9}", "\xE9"},
      {"{\\rtf1\\pc \\'e9}", "\xE9"},
      {"{\\rtf1\\next \\'e9}", "\xAF"},
      {"{\\rtf1\\ansi \\'96\\'81}", "\xD0?"},
      {"{\\rtf1\\ansi \xE9}", "\x8E"},
      {"{\\rtf1\\next \\bullet\\ansi\\bullet}", "\xA5\xA5"},
      {"{\\rtf1\\ansi \\emdash\\endash}", "\xD1\xD0"},
      {"{\\rtf1\\ansi \\lquote\\rquote\\ldblquote\\rdblquote}", "\xD4\xD5\xD2\xD3"},
  };
  for (const auto& r : rows) EXPECT_EQ(readtext(r.rtf), r.text) << r.rtf;
}

TEST_F(RTFReadTest, CharacterAndParagraphFormats) {
  const WEReference we = record();
  ASSERT_EQ(read("{\\rtf1 {\\b a}b\\fs40 c\\fs d\\fs21 e\\plain\\super f\\sub g\\nosupersub\\expnd0 h\\expnd2 i}", we),
            0);
  EXPECT_EQ(textof(we), "abcdefghi");
  EXPECT_EQ(attribute<u8>(we, 0, "bold"), 1);
  EXPECT_EQ(attribute<u8>(we, 1, "bold"), 0) << "the group ends the bold";
  EXPECT_EQ(attribute<Fixed>(we, 2, "ptsz"), 20 << 16);
  EXPECT_EQ(attribute<Fixed>(we, 3, "ptsz"), 12 << 16) << "\\fs alone";
  EXPECT_EQ(attribute<Fixed>(we, 4, "ptsz"), 10 << 16) << "10.5 points";
  EXPECT_EQ(attribute<Fixed>(we, 5, "xshf"), 5 << 16);
  EXPECT_EQ(attribute<Fixed>(we, 5, "ptsz"), 7 << 16);
  EXPECT_EQ(attribute<Fixed>(we, 6, "xshf"), -2 << 16);
  EXPECT_EQ(attribute<Fixed>(we, 6, "ptsz"), 7 << 16);
  EXPECT_EQ(attribute<u8>(we, 7, "cond"), 1);
  EXPECT_EQ(attribute<u8>(we, 8, "pexp"), 1);
  EXPECT_EQ(attribute<u8>(we, 8, "cond"), 0);

  const WEReference para = record();
  ASSERT_EQ(read("{\\rtf1 \\sl480\\li-100\\qc a\\par\\sl0 b\\par\\pard\\sl-240\\li720\\fi-360 c}", para), 0);
  EXPECT_EQ(attribute<Fixed>(para, 0, "ledg"), 1 << 16);
  EXPECT_EQ(attribute<Fixed>(para, 0, "lein"), 0) << "no negative left indent";
  EXPECT_EQ(attribute<OSType>(para, 0, "pjst"), fourcc("cent"));
  EXPECT_EQ(attribute<Fixed>(para, 2, "ledg"), 1 << 16) << "\\sl0 leaves it";
  EXPECT_EQ(attribute<Fixed>(para, 4, "ledg"), 0);
  EXPECT_EQ(attribute<Fixed>(para, 4, "lein"), 36 << 16);
  EXPECT_EQ(attribute<Fixed>(para, 4, "fidt"), -18 << 16);
  EXPECT_EQ(attribute<OSType>(para, 4, "pjst"), fourcc("left"));
}

TEST_F(RTFReadTest, TablesAndDocumentProperties) {
  usebuiltinmetricsfont(true);
  const WEReference we = record();
  ASSERT_EQ(read("{\\rtf1{\\fonttbl{\\f3\\fswiss Some Face;}{\\f4 Arial;}{\\f5 Times New Roman;}}"
                 "{\\colortbl;\\red255\\green0\\blue0;}{\\info{\\title T}{\\author A}}\\deftab360\\notabind"
                 "\\f3\\cf1 a\\f4\\cf5 b\\f5\\cf0 c}",
                 we),
            0);
  EXPECT_EQ(textof(we), "abc");
  EXPECT_EQ(attribute<i16>(we, 0, "font"), 21);
  // Arial and Times New Roman stand in for the Swiss and Roman families where this machine
  // has no font of that name.
  auto family = [](const char* name, i16 otherwise) {
    u8 p[64] = {u8(std::strlen(name))};
    std::memcpy(p + 1, name, p[0]);
    return GetFNum(p) != 0 ? GetFNum(p) : otherwise;
  };
  EXPECT_EQ(attribute<i16>(we, 1, "font"), family("Arial", 21));
  EXPECT_EQ(attribute<i16>(we, 2, "font"), family("Times New Roman", 20));
  const RGBColor red = attribute<RGBColor>(we, 0, "colr"), kept = attribute<RGBColor>(we, 1, "colr"),
                 black = attribute<RGBColor>(we, 2, "colr");
  EXPECT_EQ(std::vector<u16>({red.red, red.green, red.blue}), std::vector<u16>({65535, 0, 0}));
  EXPECT_EQ(std::vector<u16>({kept.red, kept.green, kept.blue}), std::vector<u16>({65535, 0, 0})) << "\\cf5 of two";
  EXPECT_EQ(std::vector<u16>({black.red, black.green, black.blue}), std::vector<u16>({0, 0, 0}));
  char value[8] = {};
  i32 n = 0;
  ASSERT_EQ(WEGetProperty(fourcc("Info"), fourcc("Titl"), sizeof value, &n, value, we), noErr);
  EXPECT_EQ(std::string(value, std::size_t(n)), "T");
  ASSERT_EQ(WEGetProperty(fourcc("Info"), fourcc("Auth"), sizeof value, &n, value, we), noErr);
  EXPECT_EQ(std::string(value, std::size_t(n)), "A");
  EXPECT_EQ(WEGetTabSize(we), 18);
  EXPECT_EQ(WEFeatureFlag(28, -1, we), 1);
}

TEST_F(RTFReadTest, AFontNamedByAFacesPostScriptName) {
  usebuiltinmetricsfont(false);
  const u8 family[] =
      "\x0b"
      "DejaVu Sans";
  const WEReference we = record();
  ASSERT_EQ(read("{\\rtf1{\\fonttbl{\\f1\\froman DejaVuSans-Bold;}{\\f2\\froman NoSuchFace-Bold;}}\\f1 a\\f2 b}", we),
            0);
  EXPECT_EQ(attribute<i16>(we, 0, "font"), GetFNum(family));
  EXPECT_EQ(attribute<i16>(we, 1, "font"), 20) << "not found: the family hint";
  usebuiltinmetricsfont(true);
}

TEST_F(RTFReadTest, InlinePictures) {
  const std::string hex = picturehex();
  const WEReference we = record();
  ASSERT_EQ(read("{\\rtf1 a{\\pict\\macpict\\picw100\\pich50 " + hex + "}b}", we), 0);
  EXPECT_EQ(textof(we), "a\1b");
  EXPECT_EQ(objectat(we, 1), "PICT 50x100");
  ASSERT_EQ(read("{\\rtf1{\\pict\\macpict\\picw100\\pich50\\picscalex50 " + hex + "}}", we), 0);
  EXPECT_EQ(objectat(we, 3), "PICT 50x50");
  ASSERT_EQ(read("{\\rtf1{\\pict\\picw100\\pich50\\macpict " + hex + "}}", we), 0);
  EXPECT_EQ(objectat(we, 4), "PICT 20x30") << "sizes before the kind are ignored: the frame's";
  ASSERT_EQ(read("{\\rtf1{\\pict\\wmetafile8\\picwgoal2000 " + hex + "}}", we), 0);
  EXPECT_EQ(WEGetTextLength(we), 5) << "a metafile puts nothing";
  EXPECT_EQ(textof(we), "a\1b\1\1");

  std::string pnghex;
  for (u8 b : png(7, 4)) {
    static const char digits[] = "0123456789ABCDEF";
    pnghex += digits[b >> 4];
    pnghex += digits[b & 15];
  }
  const WEReference img = record();
  ASSERT_EQ(read("{\\rtf1{\\pict\\pngblip " + pnghex + "}{\\pict\\pngblip\\picwgoal2000\\pichgoal1000 " + pnghex + "}}",
                 img),
            0);
  EXPECT_EQ(objectat(img, 0), "PICT 4x7") << "the image's own size";
  EXPECT_EQ(objectat(img, 1), "PICT 50x100") << "goals in twips";
}

TEST_F(RTFReadTest, PackageAttachments) {
  TemporaryHome home;
  const std::string folder = home.path();
  auto write = [&](const std::string& name, const std::string& bytes) {
    FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  };
  write("pic.png", asstring(png(6, 3)));
  auto readfile = [&](const std::string& rtf, WEReference we, const std::string* base) {
    write("TXT.rtf", rtf);
    u8 name[256];
    const std::string path = folder + "/TXT.rtf";
    name[0] = u8(path.size());
    std::memcpy(name + 1, path.data(), path.size());
    FileRef ref = nilid;
    EXPECT_EQ(HOpen(kBootVolume, 0, name, fsRdPerm, &ref), noErr);
    i32 s = 0, e = 0;
    WEGetSelection(&s, &e, we);
    const int32_t st = RTFReadFileCrutch(s, e, we, ref, base);
    FSClose(ref);
    return st;
  };
  const std::string doc = "{\\rtf1 {{\\*\\NeXTGraphic pic.png \\width2000\\height1000}\xAC}}";
  const WEReference we = record("xyz");
  WESetSelection(1, 1, we);
  ASSERT_EQ(readfile(doc, we, &folder), 0);
  EXPECT_EQ(textof(we), "x\1yz") << "the placeholder is skipped";
  EXPECT_EQ(objectat(we, 1), "PICT 3x6");
  WEObjectDescHandle o = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(1, &o, we), noErr);
  char name[16] = {};
  i32 n = 0;
  ASSERT_EQ(WEGetObjectProperty(o, fourcc("VIZU"), fourcc("pnam"), sizeof name, &n, name), noErr);
  EXPECT_EQ(std::string(name, std::size_t(n)), "pic.png");

  const WEReference upper = record();
  ASSERT_EQ(readfile("{\\rtf1 {{\\*\\NeXTGraphic PIC.PNG \\width2000}\xAC}}", upper, &folder), 0);
  EXPECT_EQ(textof(upper), "") << "the ending test minds case";
  const WEReference nobase = record();
  ASSERT_EQ(readfile(doc, nobase, nullptr), 0);
  EXPECT_EQ(textof(nobase), "");
  const WEReference mixed = record();
  ASSERT_EQ(readfile("{\\rtf1 {{\\*\\NeXTGraphic Pic.png \\width2000}\xAC}}", mixed, &folder), 0);
  EXPECT_EQ(objectat(mixed, 0), "PICT 3x6") << "looked up in lower case";

  // A picture file: its 512-byte header, then the picture.
  std::string pict(512, '\0');
  for (std::size_t i = 0; i < picturehex().size(); i += 2)
    pict += char(std::stoi(picturehex().substr(i, 2), nullptr, 16));
  write("pic.pict", pict);
  const WEReference pictfile = record();
  ASSERT_EQ(readfile("{\\rtf1 {{\\*\\NeXTGraphic pic.pict \\width2000}\xAC}}", pictfile, &folder), 0);
  EXPECT_EQ(objectat(pictfile, 0), "PICT 20x30");
}

TEST_F(RTFReadTest, PasteTakesTheRTFFlavour) {
  ASSERT_EQ(ClearCurrentScrap(), noErr);
  ScrapRef scrap = 0;
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  const std::string rtf = "{\\rtf1 x{\\b y}}";
  ASSERT_EQ(PutScrapFlavor(scrap, fourcc("TEXT"), 0, 5, "plain"), noErr);
  ASSERT_EQ(PutScrapFlavor(scrap, fourcc("RTF "), 0, Size(rtf.size()), rtf.data()), noErr);
  const WEReference we = record("[]");
  WESetSelection(1, 1, we);
  ASSERT_EQ(WEPaste(we), noErr);
  EXPECT_EQ(textof(we), "[xy]");
  EXPECT_EQ(attribute<u8>(we, 2, "bold"), 1);
  EXPECT_EQ(attribute<u8>(we, 1, "bold"), 0);
  mainglobals().styledpaste = 0;
  const WEReference plain = record();
  ASSERT_EQ(WEPaste(plain), noErr);
  EXPECT_EQ(textof(plain), "plain") << "a plain paste reads no RTF";
  mainglobals().styledpaste = 1;
}

}  // namespace
}  // namespace kv
