// The font catalogue: classic numbers and names, the families installed on the machine and
// their numbering by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "platform/fonts/fonts.h"
#include "platform/runtime/root.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

// A Str255 from a C string.
struct P {
  explicit P(const std::string& s) {
    bytes[0] = u8(s.size());
    std::copy(s.begin(), s.end(), bytes + 1);
  }
  u8 bytes[256]{};
  operator ConstStringPtr() const { return bytes; }
};

std::string fontname(i16 num) {
  Str255 name;
  GetFontName(num, name);
  return std::string(reinterpret_cast<const char*>(name + 1), name[0]);
}

const FontFamily* findlisted(const std::vector<FontFamily>& list, const std::string& name) {
  auto it = std::find_if(list.begin(), list.end(), [&](const FontFamily& f) { return f.name == name; });
  return it == list.end() ? nullptr : &*it;
}

class FontCatalog : public RuntimeTest, public testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    usebuiltinmetricsfont(GetParam());
  }
};

TEST_P(FontCatalog, ClassicNumbersAndNames) {
  struct {
    i16 number;
    const char* name;
  } classic[] = {{0, "Chicago"}, {13, "Zapf Dingbats"}, {23, "Symbol"}};
  for (const auto& c : classic) {
    EXPECT_EQ(fontname(c.number), c.name);
    EXPECT_EQ(GetFNum(P(c.name)), c.number) << c.name;
    EXPECT_TRUE(RealFont(c.number, 12)) << c.name;
  }
  EXPECT_EQ(fontname(1), "Geneva") << "the application font";
  EXPECT_EQ(GetFNum(P("geneva")), 3) << "names compare without case";
  EXPECT_EQ(GetFNum(P("TIMES")), 20);
  EXPECT_EQ(GetFNum(P("No Such Font Anywhere")), 0);
  EXPECT_EQ(GetFNum(P("")), 0);
  EXPECT_EQ(fontname(999), "");
  EXPECT_FALSE(RealFont(999, 12));
  EXPECT_FALSE(RealFont(3, 0));
  EXPECT_TRUE(RealFont(1, 9));

  // The font manager's forms tell an unknown name from the system font's.
  EXPECT_EQ(FMGetFontFamilyFromName(P("Chicago")), 0);
  EXPECT_EQ(FMGetFontFamilyFromName(P("No Such Font Anywhere")), kInvalidFontFamily);
  Str255 name;
  EXPECT_EQ(FMGetFontFamilyName(21, name), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(name + 1), name[0]), "Helvetica");
  EXPECT_EQ(FMGetFontFamilyName(999, name), kFMInvalidFontFamilyErr);
  EXPECT_EQ(name[0], 0);
}

TEST_P(FontCatalog, WindowsNamesAreHashedFixedFamilies) {
  for (const char* name : {"Arial", "Times New Roman", "Courier New"}) {
    i16 n = GetFNum(P(name));
    EXPECT_GE(n, 1024) << name;
    EXPECT_LE(n, 15871) << name;
    EXPECT_EQ(n, hashedfontnumber(name)) << name;
    EXPECT_EQ(fontname(n), name);
  }
}

TEST_P(FontCatalog, FamiliesAreSortedUniqueAndNamedOnce) {
  std::vector<FontFamily> list = fontfamilies();
  ASSERT_FALSE(list.empty());
  std::set<i16> numbers;
  std::set<std::string> folded;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const FontFamily& f = list[i];
    EXPECT_TRUE(numbers.insert(f.number).second) << "number " << f.number << " twice";
    std::string low = f.name;
    std::transform(low.begin(), low.end(), low.begin(), [](char c) { return char(std::tolower(u8(c))); });
    EXPECT_TRUE(folded.insert(low).second) << f.name << " twice";
    EXPECT_NE(f.number, 1) << "the application font is an alias, not a family of its own";
    if (i > 0) {
      std::string prev = list[i - 1].name;
      std::transform(prev.begin(), prev.end(), prev.begin(), [](char c) { return char(std::tolower(u8(c))); });
      EXPECT_LE(prev, low);
    }
    EXPECT_EQ(GetFNum(P(f.name)), f.number) << f.name;
    EXPECT_EQ(fontname(f.number), f.name);
  }
  ASSERT_NE(findlisted(list, "Chicago"), nullptr);
  EXPECT_EQ(findlisted(list, "Chicago")->number, 0);
  if (GetParam()) {
    EXPECT_EQ(list.size(), 14u) << "with the built-in font only the fixed families exist";
  }
}

INSTANTIATE_TEST_SUITE_P(BuiltinAndReal, FontCatalog, testing::Bool());

TEST(FontNumbering, HashIsStableAndInRange) {
  // Pinned: a family keeps its number from run to run and machine to machine.
  EXPECT_EQ(hashedfontnumber("DejaVu Sans"), hashedfontnumber("dejavu sans"));
  EXPECT_EQ(hashedfontnumber("DejaVu Sans"), 8737);
  EXPECT_EQ(hashedfontnumber("Liberation Serif"), 12677);
  EXPECT_EQ(hashedfontnumber("Arial"), 14108);
  for (const char* name : {"", "a", "Noto Sans", "Liberation Serif", "Zzzzzzzzzzzzzzzzzzzzzzzzzzzz"}) {
    i16 n = hashedfontnumber(name);
    EXPECT_GE(n, 1024) << name;
    EXPECT_LE(n, 15871) << name;
  }
}

using InstalledFonts = RuntimeTest;

TEST_F(InstalledFonts, OtherFamiliesAreListedWithHashedNumbers) {
  usebuiltinmetricsfont(false);
  std::vector<FontFamily> list = fontfamilies();
  const FontFamily* dejavu = findlisted(list, "DejaVu Sans");
  ASSERT_NE(dejavu, nullptr) << "fonts-dejavu-core is installed by the setup script";
  EXPECT_GE(dejavu->number, 1024);
  EXPECT_LE(dejavu->number, 15871);
  EXPECT_EQ(GetFNum(P("DejaVu Sans")), dejavu->number);
  EXPECT_TRUE(RealFont(dejavu->number, 10));
  for (const FontFamily& f : list) {
    bool fixed = f.number < 1024 || f.name == "Arial" || f.name == "Times New Roman" || f.name == "Courier New";
    if (!fixed) {
      EXPECT_GE(f.number, 1024) << f.name;
      EXPECT_LE(f.number, 15871) << f.name;
    }
  }
  // A listed family draws from its own file, with its own advances.
  FontKey key{dejavu->number, 12, 0};
  EXPECT_GT(charadvance(key, 'm'), 0);
  EXPECT_FALSE(glyph(key, 'm', false).bits.empty());
  // Its bold face comes from its bold file, not from smearing.
  EXPECT_EQ(charadvance({dejavu->number, 12, facebold}, 'm'), charadvance({3, 12, facebold}, 'm'));
  // Without a listing, lookups by number still find the family (the listing is made on demand).
  resetruntime();
  usebuiltinmetricsfont(false);
  EXPECT_EQ(fontname(dejavu->number), "DejaVu Sans");
}

TEST_F(InstalledFonts, FacesByTheirPostScriptNames) {
  usebuiltinmetricsfont(false);
  const i16 dejavu = GetFNum(P("DejaVu Sans"));
  EXPECT_EQ(FMGetFontFamilyFromPostScriptName(P("DejaVuSans-Bold")), dejavu) << "a face names its family";
  EXPECT_EQ(FMGetFontFamilyFromPostScriptName(P("LiberationSans-Bold")), GetFNum(P("Liberation Sans")))
      << "the family fontconfig lists it under";
  EXPECT_EQ(FMGetFontFamilyFromPostScriptName(P("dejavusans-bold")), kInvalidFontFamily) << "exact names only";
  usebuiltinmetricsfont(true);
  EXPECT_EQ(FMGetFontFamilyFromPostScriptName(P("DejaVuSans-Bold")), kInvalidFontFamily);
}

// Sets environment variables for one test and puts them back afterwards.
class Environment {
 public:
  void set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    ::setenv(name, value.c_str(), 1);
  }
  ~Environment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
      else ::unsetenv(it->first.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(InstalledFonts, TheUsersFontconfigConfigurationIsNotRead) {
  // A user configuration that rejects every font: were it read, nothing would be listed.
  std::filesystem::path home = std::filesystem::temp_directory_path() / "kvfonts-userconfig";
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home / "config/fontconfig");
  const char* rejectall =
      "<?xml version=\"1.0\"?><fontconfig><selectfont><rejectfont><glob>*</glob></rejectfont>"
      "</selectfont></fontconfig>\n";
  for (auto p : {home / "config/fontconfig/fonts.conf", home / ".fonts.conf", home / "fonts.conf"})
    std::ofstream(p) << rejectall;
  {
    Environment env;
    env.set("HOME", home.string());
    env.set("XDG_CONFIG_HOME", (home / "config").string());
    env.set("XDG_DATA_HOME", (home / "data").string());
    env.set("FONTCONFIG_FILE", (home / "fonts.conf").string());
    env.set("FONTCONFIG_PATH", home.string());
    env.set("FONTCONFIG_SYSROOT", (home / "sysroot").string());
    usebuiltinmetricsfont(false);
    std::vector<FontFamily> list = fontfamilies();
    EXPECT_NE(findlisted(list, "DejaVu Sans"), nullptr);
    EXPECT_NE(findlisted(list, "Liberation Serif"), nullptr);
  }
  std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace kv
