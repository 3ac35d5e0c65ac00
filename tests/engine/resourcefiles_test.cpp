// A project's own resource file ("<file name>.rsrc" beside it): opened with the project when
// projects' resource files are wanted, closed with it, and left alone when it cannot be read.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/objectutil.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/starfile.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class ResourceFileTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(testproject::small());
    files = CountResFiles();
  }
  std::string rsrcpath() const { return home->path() + "/p.kv45.rsrc"; }
  void writersrc() {
    ResourceItem pict{fourcc("PICT"), 128, 0, "Logo", std::vector<u8>(40, 7)};
    ASSERT_EQ(writeresourcefile(rsrcpath(), {pict}), noErr);
  }
  static bool haspict() { return GetResource(fourcc("PICT"), 128) != nilhandle; }
  i16 files = 0;
};

// A family record: the number, then (at byte 52) the association table of (size, style, id).
ResourceItem family(i16 id, std::string name, std::vector<std::array<i16, 3>> entries, std::size_t cut = 0) {
  std::vector<u8> b(52, 0);
  auto put = [&](i16 v) {
    b.push_back(u8(u16(v) >> 8));
    b.push_back(u8(v));
  };
  b[2] = u8(u16(id) >> 8);
  b[3] = u8(id);
  put(i16(entries.size() - 1));
  for (const auto& e : entries)
    for (i16 v : e) put(v);
  b.resize(b.size() - cut);
  return {fourcc("FOND"), id, 0, std::move(name), std::move(b)};
}

std::vector<u8> fontbytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool infontmenu(const std::string& name) {
  const std::vector<FontFamily> all = fontfamilies();
  return std::any_of(all.begin(), all.end(), [&](const FontFamily& f) { return f.name == name; });
}

i16 fnum(const char* name) {
  Str255 n{};
  setpstring(n, name);
  return GetFNum(n);
}

// A monospaced font under a new name, beside a family whose number is free, one with bitmaps
// only and one whose table runs past its end.
TEST_F(ResourceFileTest, FontsOfTheResourceFileWhileItIsOpen) {
  const std::vector<u8> mono = fontbytes("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
  ASSERT_GT(mono.size(), 1000u);
  ASSERT_EQ(writeresourcefile(rsrcpath(), {{fourcc("PICT"), 128, 0, "Logo", std::vector<u8>(40, 7)},
                                           {fourcc("sfnt"), 128, 0, "", mono},
                                           family(3, "Testface", {{12, 0, 300}, {0, 0, 128}}),
                                           family(700, "Freenumber", {{0, 0, 128}}),
                                           family(701, "Bitmaponly", {{12, 0, 128}}),
                                           family(702, "Cutshort", {{0, 0, 128}, {0, 1, 128}}, 2)}),
            noErr);
  mainglobals().openResourceForks = 1;
  ASSERT_EQ(open(), 0);
  EXPECT_TRUE(haspict());
  const i16 testface = fnum("Testface");
  EXPECT_GE(testface, 1024) << "number 3 is Geneva's: the family takes one of the hash range";
  EXPECT_EQ(fnum("Freenumber"), 700);
  EXPECT_TRUE(infontmenu("Testface"));
  EXPECT_FALSE(infontmenu("Bitmaponly"));
  EXPECT_FALSE(infontmenu("Cutshort"));
  usebuiltinmetricsfont(false);
  const FontKey key{testface, 24, 0};
  EXPECT_EQ(charadvance(key, 'i'), charadvance(key, 'M')) << "drawn from the monospaced outline";
  EXPECT_NE(charadvance({3, 24, 0}, 'i'), charadvance({3, 24, 0}, 'M'));
  EXPECT_FALSE(glyph(key, 'M', false).bits.empty());
  usebuiltinmetricsfont(true);

  closeallwindows();
  EXPECT_FALSE(haspict());
  EXPECT_EQ(fnum("Testface"), 0);
  EXPECT_FALSE(infontmenu("Testface"));
  EXPECT_FALSE(infontmenu("Freenumber"));
}

TEST_F(ResourceFileTest, OpensWithTheProjectAndClosesWithIt) {
  writersrc();
  mainglobals().openResourceForks = 1;
  ASSERT_EQ(open(), 0);
  EXPECT_TRUE(haspict());
  EXPECT_EQ(CountResFiles(), files + 1);
  const RegistryId store = current().store;
  EXPECT_EQ(doresources(store, true), 0) << "open already: made current";
  EXPECT_EQ(CountResFiles(), files + 1);
  EXPECT_EQ(CurResFile(), findprojectstore(store)->resref);
  EXPECT_EQ(doresources(store, false), 0);
  EXPECT_FALSE(haspict());
  EXPECT_EQ(CountResFiles(), files);
  EXPECT_EQ(findprojectstore(store)->resref, 0);
  EXPECT_EQ(doresources(store, false), 0) << "closing twice does nothing";
  EXPECT_EQ(CountResFiles(), files);
}

TEST_F(ResourceFileTest, NotWantedOrNotReadable) {
  writersrc();
  ASSERT_EQ(open(), 0);
  EXPECT_FALSE(haspict()) << "projects' resource files are not wanted";
  EXPECT_EQ(CountResFiles(), files);
  closeallwindows();
  std::ofstream(rsrcpath(), std::ios::binary | std::ios::trunc) << "not a resource file at all";
  mainglobals().openResourceForks = 1;
  ASSERT_EQ(open(), 0) << "a damaged resource file leaves the project open";
  EXPECT_EQ(CountResFiles(), files);
  EXPECT_EQ(findprojectstore(current().store)->resref, 0);
}

}  // namespace
}  // namespace kv
