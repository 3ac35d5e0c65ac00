// The export command from scripts: the card as image files of every format, as a picture in a
// file, a variable and on the clipboard, picture graphics, field text as plain, Unicode, RTF and
// RTFD files, the errors, and files that stay whole when a write fails.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/fred.h"
#include "engine/textutil.h"
#include "fields/rtfreader.h"
#include "media/export.h"
#include "media/imagefiles.h"
#include "platform/files/files.h"
#include "platform/files/pathforms.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/imagewriters.h"
#include "platform/qd/colors.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/scrap/scrap.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class ExportTest : public WindowTest {
 protected:
  // A 200 x 100 card with a red rectangle at 10,10,50,40, a styled field "F" holding "a",
  // return, "b", and a list field "L".
  static testproject::Project project() {
    testproject::Project p = testproject::small();
    p.windows[0].rect = Rect{100, 100, 200, 300};
    testproject::Card& card = p.windows[0].cards[0];
    card.objects.clear();
    card.objects.push_back(testproject::paint(Rect{10, 10, 40, 50}, 35));  // red
    testproject::Object field;
    field.kind = testproject::Object::field;
    field.name = "F";
    field.text = "a\rb";
    field.rect = Rect{60, 100, 90, 190};
    card.objects.push_back(field);
    testproject::Object list = field;
    list.name = "L";
    list.style = 302;
    list.text = "row";
    list.rect = Rect{60, 10, 90, 90};
    card.objects.push_back(list);
    testproject::Object button;
    button.name = "B";
    button.rect = Rect{60, 195, 80, 199};
    card.objects.push_back(button);
    p.windows[0].backgrounds[0].objects.clear();
    return p;
  }
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
    build(project());
    ASSERT_EQ(open(), 0);
    // The working depth start-up takes from the screen: pictures are cached at it.
    mainglobals().bufferMode = 32;
    // Files written by name go to the folder last written to.
    folder_ = home->path() + "/out";
    std::filesystem::create_directory(folder_);
    ASSERT_EQ(folderidofpath(folder_, &mainglobals().lastdirid), noErr);
  }
  void TearDown() override {
    failfilewriteafter(0);
    setexportcachekind(0);
    WindowTest::TearDown();
  }
  std::string at(const std::string& name) { return folder_ + "/" + name; }
  std::vector<u8> bytes(const std::string& name) {
    std::ifstream in(at(name), std::ios::binary);
    return std::vector<u8>(std::istreambuf_iterator<char>(in), {});
  }
  bool exists(const std::string& name) { return std::filesystem::exists(at(name)); }
  static u32 pixel(const DecodedImage& image, i32 x, i32 y) {
    return image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)] & 0xFFFFFF;
  }
  DecodedImage decoded(const std::vector<u8>& data) {
    DecodedImage image;
    std::string error;
    EXPECT_TRUE(decodeimage(data.data(), data.size(), &image, &error)) << error;
    return image;
  }
  std::vector<u8> variable(const std::string& name) {
    const std::string text = cardvalue(name);
    return std::vector<u8>(text.begin(), text.end());
  }
  std::string folder_;
};

TEST_F(ExportTest, TheCardAsPNG) {
  ASSERT_EQ(doline("export card to png file \"a.png\""), 0);
  std::vector<u8> png = bytes("a.png");
  ASSERT_GT(png.size(), 29u);
  EXPECT_EQ(png[28], 1) << "interlaced without a quality";
  DecodedImage image = decoded(png);
  EXPECT_EQ(image.width, 200);
  EXPECT_EQ(image.height, 100);
  EXPECT_EQ(pixel(image, 20, 20), 0xFF0000u);
  EXPECT_EQ(pixel(image, 100, 5), 0xFFFFFFu);
  ASSERT_EQ(doline("export card to png file \"a.png\" with minimum quality"), 0);
  EXPECT_EQ(bytes("a.png")[28], 0);
  ASSERT_EQ(doline("export card from 10,10 to 30,20 to png file \"b.png\""), 0);
  image = decoded(bytes("b.png"));
  EXPECT_EQ(image.width, 20);
  EXPECT_EQ(image.height, 10);
  EXPECT_EQ(pixel(image, 0, 0), 0xFF0000u);
  EXPECT_EQ(pixel(image, 19, 9), 0xFF0000u);
  FInfo info{};
  Str255 name;
  setpstring(name, at("b.png"));
  ASSERT_EQ(HGetFInfo(kBootVolume, 0, name, &info), noErr);
  EXPECT_EQ(info.fdType, fourcc("PNGf"));
  EXPECT_EQ(info.fdCreator, fourcc("VIZu"));
  EXPECT_FALSE(exists("b.png.kvpart"));
  // A colon path and a relative POSIX path.
  ASSERT_EQ(doline("export card to png file \"" + posixtocolonpath(at("c.png")) + "\""), 0);
  EXPECT_TRUE(exists("c.png"));
  std::filesystem::create_directory(at("sub"));
  ASSERT_EQ(doline("export card to png file \"sub/d.png\""), 0);
  EXPECT_TRUE(exists("sub/d.png"));
}

TEST_F(ExportTest, EveryOtherImageFormat) {
  // TIFF: PackBits unless the quality is the minimum.
  auto compression = [](const std::vector<u8>& tiff) {
    // Little-endian TIFF: the first directory's entries, tag 259.
    EXPECT_GT(tiff.size(), 8u);
    const u32 ifd = u32(tiff[4]) | u32(tiff[5]) << 8 | u32(tiff[6]) << 16 | u32(tiff[7]) << 24;
    const u32 n = u32(tiff[ifd]) | u32(tiff[ifd + 1]) << 8;
    for (u32 k = 0; k < n; ++k) {
      const u8* e = &tiff[ifd + 2 + 12 * k];
      if ((e[0] | e[1] << 8) == 259) return int(e[8] | e[9] << 8);
    }
    return -1;
  };
  ASSERT_EQ(doline("export card to tiff file \"t.tiff\""), 0);
  EXPECT_EQ(compression(bytes("t.tiff")), 32773);
  EXPECT_EQ(pixel(decoded(bytes("t.tiff")), 20, 20), 0xFF0000u);
  ASSERT_EQ(doline("export card to tiff file \"t.tiff\" with minimum quality"), 0);
  EXPECT_EQ(compression(bytes("t.tiff")), 1);

  ASSERT_EQ(doline("export card into v as jpeg"), 0);
  std::vector<u8> jpeg = variable("v");
  ASSERT_GT(jpeg.size(), 2u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  DecodedImage image = decoded(jpeg);
  EXPECT_EQ(image.width, 200);
  EXPECT_EQ(image.height, 100);

  ASSERT_EQ(doline("export card to gif file \"g.gif\""), 0);
  std::vector<u8> gif = bytes("g.gif");
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(pixel(decoded(gif), 20, 20), 0xFF0000u);
  // An 8-bit card keeps its own pixels.
  mainglobals().bufferMode = 8;
  ASSERT_EQ(doline("export card to gif file \"g8.gif\""), 0);
  mainglobals().bufferMode = 32;
  const DecodedImage eight = decoded(bytes("g8.gif"));
  EXPECT_EQ(pixel(eight, 20, 20), 0xFF0000u);
  EXPECT_EQ(pixel(eight, 100, 5), 0xFFFFFFu);

  ASSERT_EQ(doline("export card to bmp file \"b.bmp\""), 0);
  std::vector<u8> bmp = bytes("b.bmp");
  EXPECT_EQ(std::string(bmp.begin(), bmp.begin() + 2), "BM");
  // Bottom-up BGR: the red rectangle's row 20 is file row 79.
  const std::size_t red = 54 + 79 * 600 + 20 * 3;
  EXPECT_EQ(bmp.size(), 54u + 600 * 100);
  EXPECT_EQ(bmp[red + 2], 0xFF);
  EXPECT_EQ(bmp[red], 0);

  ASSERT_EQ(doline("export card to Photoshop file \"p.psd\""), 0);
  std::vector<u8> psd = bytes("p.psd");
  EXPECT_EQ(std::string(psd.begin(), psd.begin() + 4), "8BPS");
  EXPECT_EQ(psd[4], 0);
  EXPECT_EQ(psd[5], 1);

  ASSERT_EQ(doline("export card to tga file \"t.tga\""), 0);
  std::vector<u8> tga = bytes("t.tga");
  ASSERT_GT(tga.size(), 18u);
  EXPECT_EQ(std::string(tga.end() - 18, tga.end()), std::string("TRUEVISION-XFILE.\0", 18));
  EXPECT_EQ(tga.size(), 18u + 200 * 100 * 3 + 26);

  ASSERT_EQ(doline("export card to qtif file \"q.qtif\""), 0);
  std::vector<u8> qtif = bytes("q.qtif");
  EXPECT_EQ(std::string(qtif.begin() + 4, qtif.begin() + 8), "idsc");
  EXPECT_EQ(std::string(qtif.begin() + 98, qtif.begin() + 102), "idat");
}

TEST_F(ExportTest, AnEightBitWorldKeepsItsOwnPixelsAsGIF) {
  GWorldPtr world = nilid;
  const Rect r{0, 0, 4, 4};
  ASSERT_EQ(NewGWorld(&world, 8, &r, nilhandle, nilhandle, 0), noErr);
  PixMapHandle pm = GetGWorldPixMap(world);
  LockPixels(pm);
  u8* base = reinterpret_cast<u8*>(GetPixBaseAddr(pm));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) base[y * GetPixRowBytes(pm) + x] = u8(y * 4 + x + 30);
  UnlockPixels(pm);
  std::vector<u8> gif;
  ASSERT_TRUE(encodeworldgif(world, r, &gif));
  DisposeGWorld(world);
  // The global colour table holds the world's table; the pixels are its indexes.
  DecodedImage image = decoded(gif);
  ASSERT_EQ(image.width, 4);
  CTabHandle table = GetCTable(8);
  RGBColor c{};
  ctableentry(table, 35, &c);
  DisposeCTable(table);
  EXPECT_EQ(pixel(image, 1, 1), u32(c.red >> 8) << 16 | u32(c.green >> 8) << 8 | u32(c.blue >> 8));
}

TEST_F(ExportTest, TheCardAsAPicture) {
  ASSERT_EQ(doline("export card to file \"p\""), 0);
  std::vector<u8> file = bytes("p");
  ASSERT_GT(file.size(), 522u);
  EXPECT_EQ(std::vector<u8>(file.begin(), file.begin() + 512), std::vector<u8>(512, 0));
  Handle pic = nilhandle;
  ASSERT_EQ(PtrToHand(file.data() + 512, &pic, Size(file.size() - 512)), noErr);
  Rect frame{};
  QDGetPictureBounds(pic, &frame);
  EXPECT_EQ(frame, (Rect{0, 0, 100, 200}));
  DecodedImage played;
  ASSERT_TRUE(picturepixels(pic, &played));
  EXPECT_EQ(pixel(played, 20, 20), 0xFF0000u);
  ASSERT_EQ(doline("export card to png file \"same.png\" with lossless quality"), 0);
  EXPECT_EQ(played.pixels, decoded(bytes("same.png")).pixels) << "the picture plays back as the card";

  ASSERT_EQ(doline("export card into v"), 0);
  const std::vector<u8> v = variable("v");
  EXPECT_EQ(v, std::vector<u8>(file.begin() + 512, file.end()));
  ASSERT_EQ(doline("export card to clipBoard"), 0);
  ScrapRef scrap = 0;
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  Size size = 0;
  ASSERT_EQ(GetScrapFlavorSize(scrap, fourcc("PICT"), &size), noErr);
  EXPECT_EQ(size, Size(v.size()));
  DisposeHandle(pic);

  failrows({{"export card to pdf file \"x\"", "", "error 73"},
            {"export card to pict file \"x\"", "", "error 73"},
            {"export card into w as pdf", "", "error 73"},
            {"export card into w as file", "", "error 73"},
            {"export card into w as bogus", "", ""},
            {"export card into w as clipBoard", "", ""}});
  EXPECT_FALSE(exists("x"));
  EXPECT_EQ(cardvalue("w"), "") << "nothing was put into the variable";
}

TEST_F(ExportTest, ErrorsWriteNothing) {
  failrows({{"export picture of button 1 to png file \"x\"", "", "error 112"},
            {"export picture of card field 1 to png file \"x\"", "", "error 112"},
            {"export text of button 1 to text file \"x\"", "", "error 162"},
            {"export text of graphic 1 to text file \"x\"", "", "error 162"},
            {"export picture of button 9 to png file \"x\"", "", "error 11"},
            {"export card from 5000,5000 to 6000,6000 to png file \"x\"", "", "error 66"},
            {"export card to png \"x\"", "", "error 73"},
            {"export card to png file \"x\" with bogus quality", "", "error 200"},
            {"export card", "", "error 199"},
            {"export foo", "", "error 122"},
            {"export picture graphic 1 to png file \"x\"", "", "error 5"},
            {"export card to png file \"x\" y", "", "error 19"},
            {"export text of card field 1 to doc file \"x\"", "", "error 182"},
            {"export card into card field 1", "", "error 2"}});
  EXPECT_FALSE(exists("x"));
}

TEST_F(ExportTest, PictureGraphics) {
  // The rectangle graphic has no picture: its image rectangle is empty.
  EXPECT_EQ(failingline("export picture of graphic 1 to png file \"g.png\""), 66);
  // A 4 x 3 blue PNG, embedded.
  DecodedImage blue;
  blue.width = 4;
  blue.height = 3;
  blue.pixels.assign(12, 0x0000FF);
  std::vector<u8> png;
  ASSERT_TRUE(encodeimagepng(blue, &png));
  const std::string source = home->path() + "/blue.png";
  std::ofstream(source, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  ASSERT_EQ(doline("set the pictureData of graphic 1 to file \"" + source + "\""), 0);
  ASSERT_EQ(doline("export picture of graphic 1 to png file \"g.png\""), 0);
  DecodedImage shown = decoded(bytes("g.png"));
  EXPECT_EQ(shown.width, 4);
  EXPECT_EQ(shown.height, 3);
  EXPECT_EQ(pixel(shown, 2, 1), 0x0000FFu);
  ASSERT_EQ(doline("export raw pictData of graphic 1 into v"), 0);
  objread obj{};
  ASSERT_EQ(readreference("graphic 1", &obj), 0);
  const Handle stored = getaltdata(spotat(obj.objects, obj.objindex).alt, 2);
  writeobj(&obj);
  ASSERT_TRUE(IsValidHandle(stored));
  EXPECT_EQ(variable("v"), std::vector<u8>(deref(stored), deref(stored) + GetHandleSize(stored)));
  // A picture kept without its rendered bits is drawn from the picture itself.
  ASSERT_EQ(doline("set the dontCacheBits of graphic 1 to true"), 0);
  ASSERT_EQ(doline("export picture of graphic 1 to bmp file \"g.bmp\""), 0);
  const std::vector<u8> bmp = bytes("g.bmp");
  ASSERT_EQ(bmp.size(), 54u + 3 * 12);
  EXPECT_EQ(bmp[54], 0xFF) << "blue";
  EXPECT_EQ(bmp[56], 0) << "no red";
  ASSERT_EQ(doline("export picture of graphic 1 into p"), 0);
  Handle played = nilhandle;
  const std::vector<u8> p = variable("p");
  ASSERT_EQ(PtrToHand(p.data(), &played, Size(p.size())), noErr);
  DecodedImage pixels;
  ASSERT_TRUE(picturepixels(played, &pixels));
  DisposeHandle(played);
  EXPECT_EQ(pixel(pixels, 3, 2), 0x0000FFu);
  ASSERT_EQ(doline("set the dontCacheBits of graphic 1 to false"), 0);
  // An unknown cache entry kind is refused for every format.
  setexportcachekind(4);
  EXPECT_EQ(failingline("export picture of graphic 1 to file \"k\""), 226);
  EXPECT_EQ(failingline("export picture of graphic 1 to png file \"k\""), 226);
  setexportcachekind(0);
  EXPECT_FALSE(exists("k"));

  // Linked: the importer's picture; a missing file sets the result and writes nothing.
  ASSERT_EQ(doline("set the pictureData of graphic 1 to reference file \"" + source + "\""), 0);
  ASSERT_EQ(doline("export raw pictData of graphic 1 into w"), 0);
  Handle pic = nilhandle;
  const std::vector<u8> w = variable("w");
  ASSERT_EQ(PtrToHand(w.data(), &pic, Size(w.size())), noErr);
  Rect frame{};
  QDGetPictureBounds(pic, &frame);
  EXPECT_EQ(frame, (Rect{0, 0, 3, 4}));
  DisposeHandle(pic);
  std::filesystem::remove(source);
  ASSERT_EQ(doline("put empty into x\nexport raw pictData of graphic 1 into x"), 0);
  EXPECT_EQ(result(), std::string(pstringview(resultstr(14))));
  EXPECT_EQ(cardvalue("x"), "");
  ASSERT_EQ(doline("export raw pictData of graphic 1 to file \"r\""), 0);
  EXPECT_FALSE(exists("r"));
}

TEST_F(ExportTest, FieldText) {
  ASSERT_EQ(doline("export text of card field 1 to text file \"t\""), 0);
  EXPECT_EQ(bytes("t"), (std::vector<u8>{0x61, 0x0D, 0x62}));
  ASSERT_EQ(doline("export text of card field 1 to utxt file \"u\""), 0);
  EXPECT_EQ(bytes("u"), (std::vector<u8>{0xFF, 0xFE, 0x61, 0x00, 0x29, 0x20, 0x62, 0x00}));
  ASSERT_EQ(doline("export text of card field 1 to rtf file \"r1\""), 0);
  const std::vector<u8> rtf = bytes("r1");
  EXPECT_EQ(std::string(rtf.begin(), rtf.begin() + 6), "{\\rtf1");
  ASSERT_EQ(doline("export text of card field 1 to rtfd file \"r\""), 0);
  EXPECT_TRUE(std::filesystem::is_directory(at("r")));
  EXPECT_TRUE(exists("r/TXT.rtf"));
  std::ofstream(at("plain")) << "x";
  EXPECT_EQ(failingline("export text of card field 1 to rtfd file \"plain\""), 186);
  EXPECT_EQ(bytes("plain"), std::vector<u8>{'x'});
}

TEST_F(ExportTest, AFailedWriteKeepsTheOlderFile) {
  ASSERT_EQ(doline("export card to file \"p\"\nexport card to png file \"a.png\""), 0);
  const std::vector<u8> picture = bytes("p"), png = bytes("a.png");
  failfilewriteafter(1);
  EXPECT_EQ(failingline("export card to file \"p\""), 72);
  failfilewriteafter(1);
  EXPECT_EQ(failingline("export card to png file \"a.png\""), 226);
  EXPECT_EQ(bytes("p"), picture);
  EXPECT_EQ(bytes("a.png"), png);
  EXPECT_FALSE(exists("p.kvpart"));
  // A link is followed: the file it leads to is replaced, the link stays.
  std::ofstream(at("real.png")) << "old";
  std::filesystem::create_symlink(at("real.png"), at("link.png"));
  ASSERT_EQ(doline("export card to png file \"link.png\""), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(at("link.png")));
  EXPECT_EQ(decoded(bytes("real.png")).width, 200);
  // Exporting again over an existing name replaces the file.
  ASSERT_EQ(doline("export card from 0,0 to 10,10 to png file \"a.png\""), 0);
  EXPECT_EQ(decoded(bytes("a.png")).width, 10);
}

TEST_F(ExportTest, RTFMerge) {
  std::ofstream(at("d1.rtf")) << "{\\rtf1\\mac one}";
  std::ofstream(at("d2.rtf")) << "{\\rtf1\\mac two\n}";
  std::ofstream(at("d3.rtf")) << "{\\rtf1\\mac three}";
  auto order = [](const std::string& text, std::initializer_list<const char*> parts) {
    std::size_t at = 0;
    for (const char* p : parts) {
      at = text.find(p, at);
      if (at == std::string::npos) return false;
    }
    return true;
  };
  ASSERT_EQ(doline("rtfMerge \"d1.rtf\" & return & return & \"d2.rtf\" using \"x,y\" into v"), 0);
  std::string v = cardvalue("v");
  EXPECT_EQ(v.substr(0, 10), "{\\rtf1\\mac");
  EXPECT_TRUE(order(v, {"one", "x", "two", "y"})) << v;
  ASSERT_EQ(doline("rtfMerge \"d1.rtf\" & return & \"d2.rtf\" & return & \"d3.rtf\" using \"z\" into v"), 0);
  v = cardvalue("v");
  EXPECT_TRUE(order(v, {"one", "z", "two", "z", "three", "z"})) << v;
  failrows({{"rtfMerge \"d1.rtf\" & return & \"missing.rtf\" into v", "", "error 186"},
            {"rtfMerge \"d1.rtf\" to rtx file \"o\"", "", "error 2"},
            {"rtfMerge \"d1.rtf\" to \"a.rtf\"", "", "error 73"},
            {"rtfMerge \"d1.rtf\" into v bogus", "", "error 19"},
            {"rtfMerge \"d1.rtf\"", "", "error 7"}});
  EXPECT_FALSE(exists("o"));
  // The title is escaped; a file is written whole.
  ASSERT_EQ(doline("rtfMerge \"d1.rtf\" title \"a}\\\" to rtf file \"m.rtf\""), 0);
  const std::vector<u8> m = bytes("m.rtf");
  const std::string rtf(m.begin(), m.end());
  EXPECT_NE(rtf.find("{\\info{\\title a\\}\\\\}}"), std::string::npos) << rtf;
  ASSERT_EQ(doline("rtfMerge \"d1.rtf\" to rtfd file \"pk\""), 0);
  EXPECT_TRUE(exists("pk/TXT.rtf"));
  {
    Str255 name;
    setpstring(name, at("m.rtf"));
    FileRef ref = nilid;
    ASSERT_EQ(HOpen(kBootVolume, 0, name, fsRdPerm, &ref), noErr);
    const LongRect frame{0, 0, 100, 100};
    WEReference we = nilid;
    ASSERT_EQ(WENew(&frame, &frame, 0, &we), noErr);
    EXPECT_EQ(RTFReadFileCrutch(0, 0, we, ref, nullptr), 0);
    FSClose(ref);
    char value[8] = {};
    i32 n = 0;
    EXPECT_EQ(WEGetProperty(fourcc("Info"), fourcc("Titl"), sizeof value, &n, value, we), noErr);
    EXPECT_EQ(std::string(value, std::size_t(n)), "a}\\");
    WEDispose(we);
  }
  // Line feeds come out as returns.
  std::ofstream(at("lf.rtf")) << "{\\rtf1\\mac a\\'0ab}";
  ASSERT_EQ(doline("rtfMerge \"lf.rtf\" into v"), 0);
  EXPECT_NE(cardvalue("v").find("a\\par\nb"), std::string::npos) << cardvalue("v");
  // Into fields: a styled one takes the text, a list field refuses it and stays as it was.
  ASSERT_EQ(doline("rtfMerge \"d1.rtf\" using \"x\" into card field \"F\""), 0);
  EXPECT_EQ(cardvalue("card field \"F\""), "onex");
  // A field open for typing is closed first, then takes the text.
  ASSERT_EQ(doline("select text of card field \"F\""), 0);
  ASSERT_GE(mainglobals().openfield, 0);
  ASSERT_EQ(doline("rtfMerge \"d2.rtf\" into card field \"F\""), 0);
  EXPECT_EQ(mainglobals().openfield, -1);
  EXPECT_EQ(cardvalue("card field \"F\""), "two");
  EXPECT_EQ(failingline("rtfMerge \"d1.rtf\" into card field \"L\""), 210);
  EXPECT_EQ(cardvalue("card field \"L\""), "row");
  // A document that cannot be read half-way through: everything is released (the fixture
  // checks for leaks).
  std::ofstream(at("bad.rtf")) << "{\\rtf1 ab}}";
  EXPECT_EQ(failingline("rtfMerge \"d1.rtf\" & return & \"bad.rtf\" into v"), 191);
  EXPECT_EQ(cardvalue("the lockScreen"), "false");
}

TEST_F(ExportTest, RTFMergeAndExportReleaseEverythingWhenMemoryRunsOut) {
  // Each allocation fails in turn: the sweep checks that nothing is left behind. A file that
  // was written is whole (a failure before the command starts may still answer 0).
  std::ofstream(at("d1.rtf")) << "{\\rtf1\\mac one}";
  std::ofstream(at("d2.rtf")) << "{\\rtf1\\mac {\\b two}}";
  const std::string merge = "rtfMerge \"" + at("d1.rtf") + "\" & return & \"" + at("d2.rtf") +
                            "\" using \"x\" title \"T\" to rtf file \"" + at("m.rtf") + "\"";
  auto whole = [this](const char* name, const char* holds) {
    if (exists(name)) {
      const std::vector<u8> b = bytes(name);
      EXPECT_NE(std::string(b.begin(), b.end()).find(holds), std::string::npos)
          << name << ": " << std::string(b.begin(), b.end());
    }
    EXPECT_FALSE(exists(std::string(name) + ".kvpart"));
    std::filesystem::remove(at(name));
  };
  EXPECT_GT(sweepallocations(
                project(), [this] { ASSERT_EQ(open(), 0); }, [&] { return doline(merge); },
                [&](i16) {
                  whole("m.rtf", "twox}");
                  EXPECT_EQ(cardvalue("the lockScreen"), "false");
                }),
            10);
  const std::string picture = "export card to file \"" + at("s.pict") + "\"";
  EXPECT_GT(sweepallocations(
                project(), [this] { ASSERT_EQ(open(), 0); }, [&] { return doline(picture); },
                [&](i16) { whole("s.pict", std::string(1, '\x11').c_str()); }),
            3);
}

TEST_F(ExportTest, RTFMergeCarriesPackagesWithTheirPictures) {
  std::filesystem::create_directory(at("src.rtfd"));
  std::ofstream(at("src.rtfd/TXT.rtf")) << "{\\rtf1\\mac x{{\\*\\NeXTGraphic pic.tiff \\width80\\height60}\\'ac}y}";
  DecodedImage image;
  image.width = 4;
  image.height = 3;
  image.pixels.assign(12, 0x00FF00);
  std::vector<u8> tiff;
  ASSERT_TRUE(encodeexportimage(image, fourcc("TIFF"), 0, &tiff));
  std::ofstream(at("src.rtfd/pic.tiff"), std::ios::binary)
      .write(reinterpret_cast<const char*>(tiff.data()), std::streamsize(tiff.size()));
  ASSERT_EQ(doline("rtfMerge \"src.rtfd\" to rtfd file \"out.rtfd\""), 0);
  const std::vector<u8> rtf = bytes("out.rtfd/TXT.rtf");
  EXPECT_NE(std::string(rtf.begin(), rtf.end()).find("{{\\*\\NeXTGraphic pic.tiff \\width80\\height60}\xAC}"),
            std::string::npos);
  const DecodedImage back = decoded(bytes("out.rtfd/pic.tiff"));
  EXPECT_EQ(back.width, 4);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(pixel(back, 1, 1), 0x00FF00u);
}

}  // namespace
}  // namespace kv
