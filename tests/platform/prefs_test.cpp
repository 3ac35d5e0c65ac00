// Preferences as key-value files under $XDG_CONFIG_HOME/kestrove/, the file form they share
// with the bundle's information file, and the application folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/prefs/bundle.h"
#include "platform/prefs/prefs.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class PrefsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    home = std::make_unique<TemporaryHome>();
    RuntimeTest::SetUp();
  }
  void TearDown() override {
    RuntimeTest::TearDown();
    home.reset();
  }
  std::string file(const std::string& domain) {
    std::ifstream in(home->path() + "/.config/kestrove/" + domain);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::unique_ptr<TemporaryHome> home;
};

TEST_F(PrefsTest, ValuesLiveInTheDomainsFileOnceSynchronised) {
  EXPECT_EQ(preferencesfolder(), home->path() + "/.config/kestrove");
  setpreference("editor", "trantime", PrefValue::ofnumber(-3000000000LL));
  setpreference("editor", "Runtime Editor Name", PrefValue::ofstring("Caf\x8E \"one\"\r"));
  setpreference("editor", "tranfile", PrefValue::ofdata({0x00, 0xAB, 0xFF}));
  EXPECT_EQ(file("editor"), "") << "nothing is written before synchronising";
  ASSERT_TRUE(synchronizepreferences("editor"));
  EXPECT_EQ(file("editor"),
            "trantime = -3000000000\nRuntime Editor Name = \"Caf\xC3\xA9 \\\"one\\\"\\r\"\ntranfile = <00abff>\n");
  // A new run reads them back.
  resetruntime();
  EXPECT_EQ(getpreference("editor", "trantime"), PrefValue::ofnumber(-3000000000LL));
  EXPECT_EQ(getpreference("editor", "Runtime Editor Name"), PrefValue::ofstring("Caf\x8E \"one\"\r"));
  EXPECT_EQ(getpreference("editor", "tranfile"), PrefValue::ofdata({0x00, 0xAB, 0xFF}));
  removepreference("editor", "tranfile");
  setpreference("editor", "trantime", PrefValue::ofnumber(0));
  ASSERT_TRUE(synchronizepreferences("editor"));
  resetruntime();
  EXPECT_FALSE(getpreference("editor", "tranfile").has_value());
  EXPECT_EQ(getpreference("editor", "trantime"), PrefValue::ofnumber(0));
}

TEST_F(PrefsTest, UnsynchronisedChangesAreLostWithTheRun) {
  setpreference("kestrove", "a", PrefValue::ofnumber(1));
  resetruntime();
  EXPECT_FALSE(getpreference("kestrove", "a").has_value());
}

TEST_F(PrefsTest, BadDomainsAndKeysKeepNothing) {
  for (const char* domain : {"", ".", "..", "a/b"}) {
    setpreference(domain, "k", PrefValue::ofnumber(1));
    EXPECT_FALSE(getpreference(domain, "k").has_value()) << domain;
    EXPECT_FALSE(synchronizepreferences(domain)) << domain;
  }
  for (const char* key : {"", "a=b", " padded", "line\nbreak", "#comment"}) {
    setpreference("kestrove", key, PrefValue::ofnumber(1));
    EXPECT_FALSE(getpreference("kestrove", key).has_value()) << key;
  }
}

TEST_F(PrefsTest, TheFileFormParsesWhatItCanAndSkipsTheRest) {
  std::vector<PrefEntry> e = parsepreferences(
      "# comment\n\n  key one = 12  \nbare = Yes please\nquoted=\"a\\x41\\tb\"\nhex = < 0a 0B >\n"
      "bad quote = \"open\nbad hex = <abc>\nno equals sign\nbig = 99999999999999999999\n"
      "neg = -9223372036854775808\nkey one = 13\n\xC3\xA9t\xC3\xA9 = \"\xE2\x84\xA2\"\r\n");
  ASSERT_EQ(e.size(), 7u);
  EXPECT_EQ(e[0].key, "key one");
  EXPECT_EQ(e[0].value, PrefValue::ofnumber(13)) << "a later line of the same key wins";
  EXPECT_EQ(e[1].value, PrefValue::ofstring("Yes please"));
  EXPECT_EQ(e[2].value, PrefValue::ofstring("aA\tb"));
  EXPECT_EQ(e[3].value, PrefValue::ofdata({0x0A, 0x0B}));
  EXPECT_EQ(e[4].key, "big");
  EXPECT_EQ(e[4].value, PrefValue::ofstring("99999999999999999999")) << "too big for a number: a bare text";
  EXPECT_EQ(e[5].value, PrefValue::ofnumber(INT64_MIN));
  EXPECT_EQ(e[6].key, "\x8Et\x8E");
  EXPECT_EQ(e[6].value, PrefValue::ofstring("\xAA"));
  // Formatting and parsing again gives the same entries.
  EXPECT_EQ(parsepreferences(formatpreferences(e)).size(), e.size());
  for (size_t i = 0; i < e.size(); ++i) {
    EXPECT_EQ(parsepreferences(formatpreferences(e))[i].key, e[i].key);
    EXPECT_EQ(parsepreferences(formatpreferences(e))[i].value, e[i].value);
  }
  PrefEntry control{"c", PrefValue::ofstring(std::string("\x01\x00\x7F", 3))};
  EXPECT_EQ(parsepreferences(formatpreferences({control}))[0].value, control.value);
}

TEST_F(PrefsTest, TheInformationFileOfTheApplicationFolder) {
  std::string folder;
  setapplicationfolder({});
  ASSERT_TRUE(applicationfolder(&folder));
  EXPECT_FALSE(folder.empty());
  setapplicationfolder(home->path());
  ASSERT_TRUE(applicationfolder(&folder));
  EXPECT_EQ(folder, home->path());
  EXPECT_FALSE(bundlevalue("IsKestroveStandalone").has_value());
  std::ofstream(home->path() + "/Info") << "IsKestroveStandalone = Yes\nName = \"Demo\"\n";
  EXPECT_EQ(bundlevalue("IsKestroveStandalone"), PrefValue::ofstring("Yes"));
  EXPECT_EQ(bundlevalue("Name"), PrefValue::ofstring("Demo"));
  EXPECT_FALSE(bundlevalue("Other").has_value());
}

}  // namespace
}  // namespace kv
