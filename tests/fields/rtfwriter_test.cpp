// Writing a text record as RTF: the exact header, the text escaped, runs as differences from
// their paragraph, the colour table, ranges, language numbers, and what the reader reads back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fields/fieldview.h"
#include "fields/rtfreader.h"
#include "fields/rtfwriter.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/temphome.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/pictures.h"
#include "platform/qd/shapes.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

class RTFWriteTest : public WETest {
 protected:
  WEReference record(const char* text) {
    const WEReference we = editable(text, 0);
    SetAllowObjectsFlag(we, 1);
    EXPECT_EQ(WEInstallObjectHandlers(we), noErr);
    EXPECT_EQ(WESetTabSize(36, we), noErr);
    // Geneva 12, plain, black throughout.
    set(we, 0, WEGetTextLength(we), "font", i16(3));
    set(we, 0, WEGetTextLength(we), "ptsz", Fixed(12 << 16));
    set(we, 0, WEGetTextLength(we), "colr", RGBColor{0, 0, 0});
    return we;
  }
  template <class T>
  static void set(WEReference we, i32 start, i32 end, const char (&tag)[5], T value) {
    EXPECT_EQ(WESetOneAttribute(start, end, fourcc(tag), &value, sizeof value, we), noErr) << tag;
  }
  static std::string write(WEReference we, i32 start = 0, i32 end = -2, i16 flags = 0) {
    if (end == -2) end = WEGetTextLength(we);
    Handle h = NewHandle(0);
    EXPECT_EQ(RTFWriteHandleCrutch(start, end, we, h, nullptr, flags), 0);
    std::string rtf(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
    DisposeHandle(h);
    return rtf;
  }
  // The body: what follows the paragraph's blank, up to the document's end.
  static std::string body(const std::string& rtf) {
    const std::size_t tabs = rtf.find("\\tx14400 ");
    return tabs == std::string::npos ? rtf : rtf.substr(tabs + 9);
  }
  static OSType code(const char* s) { return OSType(u8(s[0])) << 24 | u8(s[1]) << 16 | u8(s[2]) << 8 | u8(s[3]); }
  static std::string twentystops() {
    std::string s;
    for (int k = 1; k <= 20; ++k) s += "\\tx" + std::to_string(k * 720);
    return s;
  }
};

TEST_F(RTFWriteTest, TheHeaderOfAPlainRecord) {
  const WEReference we = record("Hello");
  const std::string rtf = write(we);
  EXPECT_EQ(rtf,
            "{\\rtf1\\mac\n{\\fonttbl\n{\\f0\\fswiss Geneva;}}\n{\\colortbl\n\\red0\\green0\\blue0;}\n{\\info}\n"
            "\\deftab720\n{\\pard\\plain\\f0\\fs24\\cf0\\ql\\qnatural" +
                twentystops() + " Hello}}");
  // With flags the last paragraph is closed; the footer goes before the body.
  Handle h = NewHandle(0);
  ASSERT_EQ(RTFWriteHandleCrutch(0, 5, we, h, "{\\*\\mine}", 1), 0);
  const std::string closed(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
  DisposeHandle(h);
  EXPECT_NE(closed.find("\\deftab720\n{\\*\\mine}{\\pard"), std::string::npos) << closed;
  EXPECT_EQ(closed.substr(closed.size() - 12), " Hello\\par}}");
}

TEST_F(RTFWriteTest, TextAndCharacterRuns) {
  // Paragraphs of one format share a group.
  EXPECT_EQ(body(write(record("{}\\\xE9\ta\rb"))), "\\{\\}\\\\\\'e9\\tab a\\par\nb}}");
  const struct {
    const char* tag;
    i32 size;
    u32 value;
    const char* run;
  } rows[] = {
      {"bold", 1, 1, "{\\b word}"},
      {"cond", 1, 1, "{\\expnd-4 word}"},
      {"pexp", 1, 1, "{\\expnd4 word}"},
      {"xshf", 4, 3u << 16, "{\\up6 word}"},
      {"xshf", 4, u32(-2 << 16), "{\\dn4 word}"},
      {"ital", 1, 1, "{\\i word}"},
      {"hidn", 1, 1, "{\\v word}"},
  };
  for (const auto& r : rows) {
    const WEReference we = record("a word");
    EXPECT_EQ(WESetOneAttribute(2, 6, code(r.tag), &r.value, r.size, we), noErr);
    EXPECT_EQ(body(write(we)), std::string("a ") + r.run + "}}") << r.tag;
  }
  const struct {
    const char* style;
    const char* keyword;
  } underlines[] = {{"dubl", "uldb"}, {"word", "ulw"}, {"deft", "ul"}, {"wave", "ulwave"}, {".   ", "uld"}};
  for (const auto& u : underlines) {
    const WEReference we = record("a word");
    set(we, 2, 6, "undl", u8(1));
    set(we, 2, 6, "unds", code(u.style));
    EXPECT_EQ(body(write(we)), std::string("a {\\") + u.keyword + " word}}}") << u.style;
  }
  // A run in its paragraph's size and font but another size gets only that difference.
  const WEReference big = record("ab");
  set(big, 1, 2, "ptsz", Fixed(18 << 16));
  EXPECT_EQ(body(write(big)), "a{\\fs36 b}}}");
}

TEST_F(RTFWriteTest, ParagraphProperties) {
  const WEReference we = record("one\rtwo");
  set(we, 0, 1, "ledg", Fixed(0x8000));
  set(we, 0, 1, "lein", Fixed(18 << 16));
  set(we, 4, 5, "pjst", fourcc("cent"));
  set(we, 4, 5, "BBRD", fourcc("THKL"));
  const std::string rtf = write(we);
  EXPECT_NE(rtf.find("\\cf0\\ql\\qnatural\\li360\\sl360\\slmult1\\tx720"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\cf0\\qc\\brdrb\\brdrth\\tx720"), std::string::npos) << rtf;
}

TEST_F(RTFWriteTest, Colours) {
  const WEReference we = record("abcd");
  set(we, 1, 2, "colr", RGBColor{0x00FF, 0x0012, 0});  // black but for its low bytes
  set(we, 2, 3, "colr", RGBColor{0xFFFF, 0, 0});
  set(we, 3, 4, "pbcl", RGBColor{0xFFFF, 0xFFFF, 0});
  set(we, 3, 4, "pptm", i16(0));
  const std::string rtf = write(we);
  EXPECT_NE(rtf.find("{\\colortbl\n\\red0\\green0\\blue0;\n\\red255\\green0\\blue0;\n\\red255\\green255\\blue0;}"),
            std::string::npos)
      << rtf;
  EXPECT_EQ(body(rtf), "ab{\\cf1 c}{\\highlight2 d}}}");
}

TEST_F(RTFWriteTest, Ranges) {
  const WEReference we = record("ab\rcd");
  const std::string paragraph = "{\\pard\\plain\\f0\\fs24\\cf0\\ql\\qnatural" + twentystops() + " ";
  EXPECT_EQ(write(we, 1, 1, 1).substr(write(we, 1, 1, 1).find("{\\pard")), paragraph + "\\par}}");
  EXPECT_EQ(write(we, 3, 3, 1).substr(write(we, 3, 3, 1).find("{\\pard")), paragraph + "}}")
      << "the character before is a return";
  EXPECT_EQ(body(write(we, 0, 3, 1)), "ab\\par\n}}") << "no second paragraph mark";
  EXPECT_EQ(body(write(we, 1, 4, 1)), "b\\par\nc\\par}}");
  WESetSelection(3, 5, we);
  EXPECT_EQ(body(write(we, -1, -1)), "cd}}") << "the selection";
  // An empty range lists the font and colour of the run at its start.
  const WEReference red = record("ab");
  set(red, 1, 2, "colr", RGBColor{0xFFFF, 0, 0});
  set(red, 1, 2, "font", i16(4));
  EXPECT_NE(write(red, 1, 1).find("{\\fonttbl\n{\\f0\\fmodern Monaco;}}\n{\\colortbl\n\\red255\\green0\\blue0;}"),
            std::string::npos)
      << write(red, 1, 1);
}

TEST_F(RTFWriteTest, LanguageNumbers) {
  const struct {
    const char* locale;
    u16 id;
  } rows[] = {{"en_US", 1033},   {"en", 0x2409},   {"fr", 0x1C0C},       {"ja", 0x411},      {"e", 0},
              {"de_AT", 0x0C07}, {"es_XX", 0x40A}, {"haw", 117 | 0x400}, {"_X", 102 | 0x400}};
  for (const auto& r : rows) EXPECT_EQ(RTFWriter::MapMacLocaleStringToWindowsLangID(r.locale), r.id) << r.locale;
}

TEST_F(RTFWriteTest, InlinePictures) {
  const Rect frame{0, 0, 50, 100};
  const PicHandle pic = OpenPicture(&frame);
  PaintRect(&frame);
  ClosePicture();
  std::string hex;
  for (Size i = 0; i < GetHandleSize(pic); ++i) {
    static const char digits[] = "0123456789ABCDEF";
    hex += digits[u8(deref(pic)[i]) >> 4];
    hex += digits[u8(deref(pic)[i]) & 15];
  }
  const WEReference we = record("ab");
  WESetSelection(1, 1, we);
  Handle copy = pic;
  ASSERT_EQ(HandToHand(&copy), noErr);
  ASSERT_EQ(WEInsertObject(fourcc("PICT"), copy, Point{25, 50}, we), noErr);
  EXPECT_EQ(body(write(we)), "a{\\pict\\macpict\\picw100\\pich50\\picscalex50\\picscaley50 " + hex + "}b}}");

  // An empty frame is shown at its own scale; an object of another kind is left out.
  const Rect none{0, 0, 0, 0};
  const PicHandle empty = OpenPicture(&none);
  ClosePicture();
  const WEReference other = record("ab");
  WESetSelection(1, 1, other);
  ASSERT_EQ(WEInsertObject(fourcc("PICT"), Handle(empty), Point{10, 10}, other), noErr);
  WESetSelection(3, 3, other);
  ASSERT_EQ(WEInsertObject(fourcc("TIFF"), NewHandle(8), Point{10, 10}, other), noErr);
  const std::string rtf = body(write(other));
  EXPECT_NE(rtf.find("\\picscalex100\\picscaley100 "), std::string::npos) << rtf;
  EXPECT_EQ(rtf.substr(rtf.size() - 4), "}b}}") << rtf;
  KillPicture(pic);
}

TEST_F(RTFWriteTest, AFileHoldsExactlyTheDocument) {
  TemporaryHome home;
  const std::string path = home.path() + "/out.rtf";
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string longer(5000, 'z');
    std::fwrite(longer.data(), 1, longer.size(), f);
    std::fclose(f);
  }
  u8 name[256] = {u8(path.size())};
  std::memcpy(name + 1, path.data(), path.size());
  const WEReference we = record("one {two}");
  set(we, 4, 9, "ital", u8(1));
  FileRef ref = nilid;
  ASSERT_EQ(HOpen(kBootVolume, 0, name, fsRdWrPerm, &ref), noErr);
  EXPECT_EQ(RTFWriteFileCrutch(0, -1, we, fourcc("RTF "), ref, nullptr, nullptr), 0);
  i64 length = 0;
  ASSERT_EQ(GetEOF(ref, &length), noErr);
  FSClose(ref);
  const std::string expected = write(we, 0, -2, 1);
  EXPECT_EQ(length, i64(expected.size())) << "the older tail is cut off";
  EXPECT_EQ(expected.substr(expected.size() - 18), "{\\i \\{two\\}}\\par}}");

  ASSERT_EQ(HOpen(kBootVolume, 0, name, fsRdPerm, &ref), noErr);
  const WEReference back = record("");
  EXPECT_EQ(RTFReadFileCrutch(0, 0, back, ref, nullptr), 0);
  FSClose(ref);
  EXPECT_EQ(textof(back), "one {two}\r");
  u8 italic = 0;
  EXPECT_EQ(WEGetOneAttribute(5, fourcc("ital"), &italic, 1, back), noErr);
  EXPECT_EQ(italic, 1);
}

TEST_F(RTFWriteTest, DocumentInformationAndPage) {
  const WEReference we = record("x");
  const char title[] = "a}\\b";
  ASSERT_EQ(WESetProperty(fourcc("Info"), fourcc("Titl"), 4, title, we), noErr);
  ASSERT_EQ(WESetProperty(fourcc("Info"), fourcc("Mngr"), 1, "M", we), noErr);
  const i32 page[8] = {612 << 16, 792 << 16, 54 << 16, 36 << 16, 72 << 16, 18 << 16, 0, 3};
  ASSERT_EQ(WESetProperty(fourcc("Info"), fourcc("Page"), sizeof page, page, we), noErr);
  const std::string rtf = write(we);
  EXPECT_NE(rtf.find("{\\info{\\title a\\}\\\\b}\n{\\*\\manager M}\n}\n"
                     "\\paperw12240\\paperh15840\\margl1080\\margr1440\\margt720\\margb360\\pgnstart3\\deftab720\n"),
            std::string::npos)
      << rtf;
  // The title reads back as it was.
  Handle h = nilhandle;
  ASSERT_EQ(PtrToHand(rtf.data(), &h, Size(rtf.size())), noErr);
  const WEReference back = record("");
  ASSERT_EQ(RTFReadHandleCrutch(0, 0, back, h), 0);
  DisposeHandle(h);
  char value[8] = {};
  i32 n = 0;
  ASSERT_EQ(WEGetProperty(fourcc("Info"), fourcc("Titl"), sizeof value, &n, value, back), noErr);
  EXPECT_EQ(std::string(value, std::size_t(n)), "a}\\b");
}

TEST_F(RTFWriteTest, ReadsBackRunByRun) {
  const WEReference we = record("plain bold\rcentred {x} \xE9");
  set(we, 6, 10, "bold", u8(1));
  set(we, 6, 10, "colr", RGBColor{0x3333, 0x6666, 0x9999});
  set(we, 0, 5, "strk", u8(1));
  set(we, 0, 5, "ptsz", Fixed(18 << 16));
  set(we, 12, 13, "pjst", fourcc("cent"));
  set(we, 12, 13, "lein", Fixed(36 << 16));
  Handle h = NewHandle(0);
  ASSERT_EQ(RTFWriteHandleCrutch(0, WEGetTextLength(we), we, h, nullptr, 0), 0);
  const WEReference back = record("");
  ASSERT_EQ(RTFReadHandleCrutch(0, 0, back, h), 0);
  DisposeHandle(h);
  ASSERT_EQ(textof(back), textof(we));
  for (i32 offset : {0, 4, 5, 6, 9, 10, 11, 12, 20}) {
    for (const char* tag : {"bold", "strk"}) {
      u8 a = 0, b = 0;
      WEGetOneAttribute(offset, code(tag), &a, 1, we);
      WEGetOneAttribute(offset, code(tag), &b, 1, back);
      EXPECT_EQ(a, b) << tag << " at " << offset;
    }
    for (const char* tag : {"ptsz", "pjst", "lein"}) {
      i32 a = 0, b = 0;
      WEGetOneAttribute(offset, code(tag), &a, 4, we);
      WEGetOneAttribute(offset, code(tag), &b, 4, back);
      EXPECT_EQ(a, b) << tag << " at " << offset;
    }
    RGBColor a{}, b{};
    WEGetOneAttribute(offset, fourcc("colr"), &a, 6, we);
    WEGetOneAttribute(offset, fourcc("colr"), &b, 6, back);
    EXPECT_EQ(RGB48To24(a), RGB48To24(b)) << "colr at " << offset;
  }
}

TEST_F(RTFWriteTest, PackagesHoldTheirPicturesAsTIFFFiles) {
  TemporaryHome home;
  const Rect frame{0, 0, 50, 100};
  const WEReference we = record("abc");
  for (i32 at : {1, 3, 5, 6}) {
    const PicHandle pic = OpenPicture(&frame);
    const Rect corner{0, 0, 10, 20};
    PaintRect(&corner);
    ClosePicture();
    WESetSelection(at, at, we);
    ASSERT_EQ(WEInsertObject(fourcc("PICT"), Handle(pic), Point{50, 100}, we), noErr);
  }
  // The last picture keeps the name it was read under.
  WEObjectDescHandle named = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(6, &named, we), noErr);
  ASSERT_EQ(WESetObjectProperty(named, fourcc("VIZU"), fourcc("pnam"), 8, "pic.tiff"), noErr);
  const std::string rtfpath = home.path() + "/TXT.rtf";
  u8 name[256] = {u8(rtfpath.size())};
  std::memcpy(name + 1, rtfpath.data(), rtfpath.size());
  ASSERT_EQ(HCreate(kBootVolume, 0, name, 0, fourcc("RTF ")), noErr);
  FileRef ref = nilid;
  ASSERT_EQ(HOpen(kBootVolume, 0, name, fsRdWrPerm, &ref), noErr);
  FSSpec base{kBootVolume, 0, {}};
  ASSERT_EQ(folderidofpath(home.path(), &base.parID), noErr);
  base.name[0] = 7;
  std::memcpy(base.name + 1, "TXT.rtf", 7);
  EXPECT_EQ(RTFWriteFileCrutch(0, -1, we, fourcc("RTFD"), ref, &base, nullptr), 0);
  FSClose(ref);
  std::FILE* f = std::fopen(rtfpath.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string rtf;
  for (int c; (c = std::fgetc(f)) != EOF;) rtf += char(c);
  std::fclose(f);
  EXPECT_NE(rtf.find("{{\\*\\NeXTGraphic picture1.tiff \\width2000\\height1000}\xAC}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("{{\\*\\NeXTGraphic pic.tiff "), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("picture2.tiff"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("picture3.tiff"), std::string::npos) << rtf;
  EXPECT_EQ(rtf.find("\\pict"), std::string::npos);
  for (const char* file : {"picture1.tiff", "picture2.tiff", "picture3.tiff", "pic.tiff"}) {
    std::FILE* t = std::fopen((home.path() + "/" + file).c_str(), "rb");
    ASSERT_NE(t, nullptr) << file;
    std::vector<u8> bytes;
    for (int c; (c = std::fgetc(t)) != EOF;) bytes.push_back(u8(c));
    std::fclose(t);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(decodeimage(bytes.data(), bytes.size(), &image, &error)) << file << error;
    EXPECT_EQ(image.width, 100);
    EXPECT_EQ(image.height, 50);
    EXPECT_EQ(image.pixels[5 * 100 + 5] & 0xFFFFFF, 0u) << "painted black";
    EXPECT_EQ(image.pixels[40 * 100 + 90] & 0xFFFFFF, 0xFFFFFFu);
  }
  // A type other than 'RTFD' ignores the base folder: pictures go inline.
  ASSERT_EQ(HOpen(kBootVolume, 0, name, fsRdWrPerm, &ref), noErr);
  EXPECT_EQ(RTFWriteFileCrutch(0, -1, we, fourcc("RTF "), ref, &base, nullptr), 0);
  FSClose(ref);
  f = std::fopen(rtfpath.c_str(), "rb");
  rtf.clear();
  for (int c; (c = std::fgetc(f)) != EOF;) rtf += char(c);
  std::fclose(f);
  EXPECT_EQ(rtf.find("NeXTGraphic"), std::string::npos);
  EXPECT_NE(rtf.find("\\pict\\macpict"), std::string::npos);
}

TEST_F(RTFWriteTest, EveryAttributeComesBackRunByRunAndParagraphByParagraph) {
  // One two-letter run per character attribute, five paragraphs of every alignment.
  std::string text;
  struct charattr {
    const char* tag;
    std::vector<u8> value;
  };
  auto bytes = [](auto v) {
    std::vector<u8> b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
  };
  std::vector<std::vector<charattr>> runs;
  for (const char* flag :
       {"bold", "ital", "strk", "outl", "shad", "dstr", "smcp", "alcp", "hidn", "embo", "engr", "cond", "pexp"})
    runs.push_back({{flag, {1}}});
  for (const char* style : {"-   ", ".   ", ".-  ", "..- ", "thck", "dubl", "wave", "word", "deft"})
    runs.push_back({{"undl", {1}}, {"unds", bytes(code(style))}});
  runs.push_back({{"colr", bytes(RGBColor{0xFFFF, 0, 0x3333})}});
  runs.push_back({{"pptm", bytes(i16(0))}, {"pbcl", bytes(RGBColor{0xFFFF, 0xFFFF, 0})}});
  runs.push_back({{"xshf", bytes(Fixed(3 << 16))}});
  runs.push_back({{"xshf", bytes(Fixed(-2 << 16))}});
  runs.push_back({{"ptsz", bytes(Fixed(18 << 16))}, {"font", bytes(i16(20))}});
  std::vector<char> lang(32, 0);
  std::memcpy(lang.data(), "fr", 2);
  runs.push_back({{"lang", std::vector<u8>(lang.begin(), lang.end())}});
  std::vector<i32> starts;
  for (std::size_t k = 0; k < runs.size(); ++k) {
    starts.push_back(i32(text.size()));
    text += "ab ";
    if (k % 8 == 7) text += "\r";
  }
  text += "\rlast";
  const WEReference we = record(text.c_str());
  for (std::size_t k = 0; k < runs.size(); ++k)
    for (const charattr& a : runs[k])
      ASSERT_EQ(WESetOneAttribute(starts[k], starts[k] + 2, code(a.tag), a.value.data(), i32(a.value.size()), we),
                noErr)
          << a.tag;
  // Paragraphs: every alignment, indents, spacing, the keep and widow flags, a bottom border.
  const i32 length = WEGetTextLength(we);
  std::vector<i32> paras;
  for (i32 at = 0; at < length; ++at) {
    if (at == 0 || text[std::size_t(at - 1)] == '\r') paras.push_back(at);
  }
  ASSERT_GE(paras.size(), 5u);
  const char* alignments[5] = {"left", "cent", "rght", "full", "deft"};
  for (std::size_t k = 0; k < 5; ++k) set(we, paras[k], paras[k] + 1, "pjst", code(alignments[k]));
  set(we, paras[0], paras[0] + 1, "lein", Fixed(18 << 16));
  set(we, paras[0], paras[0] + 1, "riin", Fixed(9 << 16));
  set(we, paras[0], paras[0] + 1, "fidt", Fixed(-9 << 16));
  set(we, paras[1], paras[1] + 1, "spbe", Fixed(6 << 16));
  set(we, paras[1], paras[1] + 1, "spaf", Fixed(3 << 16));
  set(we, paras[1], paras[1] + 1, "ledg", Fixed(0x8000));
  set(we, paras[2], paras[2] + 1, "keep", u8(1));
  set(we, paras[2], paras[2] + 1, "kepn", u8(1));
  set(we, paras[2], paras[2] + 1, "wdov", u8(1));
  set(we, paras[2], paras[2] + 1, "wido", u8(1));
  set(we, paras[3], paras[3] + 1, "BBRD", code("SLDL"));

  Handle h = NewHandle(0);
  ASSERT_EQ(RTFWriteHandleCrutch(0, length, we, h, nullptr, 0), 0);
  const WEReference back = record("");
  ASSERT_EQ(RTFReadHandleCrutch(0, 0, back, h), 0);
  DisposeHandle(h);
  ASSERT_EQ(textof(back).substr(0, std::size_t(length)), textof(we));
  const struct {
    const char* tag;
    i32 size;
  } tags[] = {{"font", 2}, {"ptsz", 4}, {"colr", 6}, {"pptm", 2}, {"bold", 1}, {"ital", 1}, {"undl", 1},
              {"unds", 4}, {"strk", 1}, {"outl", 1}, {"shad", 1}, {"dstr", 1}, {"smcp", 1}, {"alcp", 1},
              {"hidn", 1}, {"embo", 1}, {"engr", 1}, {"xshf", 4}, {"cond", 1}, {"pexp", 1}, {"lang", 32},
              {"pjst", 4}, {"spbe", 4}, {"spaf", 4}, {"lein", 4}, {"riin", 4}, {"fidt", 4}, {"ledg", 4},
              {"keep", 1}, {"kepn", 1}, {"wido", 1}, {"wdov", 1}, {"BBRD", 4}};
  for (i32 at = 0; at < length; ++at) {
    for (const auto& t : tags) {
      u8 a[32] = {}, b[32] = {};
      WEGetOneAttribute(at, code(t.tag), a, t.size, we);
      WEGetOneAttribute(at, code(t.tag), b, t.size, back);
      EXPECT_EQ(std::memcmp(a, b, std::size_t(t.size)), 0) << t.tag << " at " << at;
    }
    i16 mode = 1;
    WEGetOneAttribute(at, fourcc("pptm"), &mode, 2, we);
    if (mode == 0) {
      RGBColor a{}, b{};
      WEGetOneAttribute(at, fourcc("pbcl"), &a, 6, we);
      WEGetOneAttribute(at, fourcc("pbcl"), &b, 6, back);
      EXPECT_EQ(RGB48To24(a), RGB48To24(b)) << "pbcl at " << at;
    }
  }
}

}  // namespace
}  // namespace kv
