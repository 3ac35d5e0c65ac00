// Listing and launching applications: the list of desktop entries in case-insensitive order,
// the highest version of several of one name, applications and documents by path or by name,
// documents opened with their own application, and the version texts compared.
#include "system/applications.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "platform/launch/launch.h"
#include "platform/memory/memory.h"
#include "platform/testing/temphome.h"
#include "core/mainglobals.h"
#include "tests/support/veltrix.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

void writefile(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << text;
}

class ApplicationsTest : public VeltrixTest {
 protected:
  void SetUp() override {
    VeltrixTest::SetUp();
    home = std::make_unique<TemporaryHome>();
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    saveddirs = dirs ? std::optional<std::string>(dirs) : std::nullopt;
    root = home->path();
    setenv("XDG_DATA_DIRS", (root + "/sys").c_str(), 1);
    // The test program records its arguments in out-<first argument>.txt.
    writefile(root + "/bin/recorder",
              "#!/bin/sh\ntag=\"$1\"\n[ $# -gt 0 ] && shift\necho \"$@\" > \"$HOME/out-$tag.txt\"\n");
    fs::permissions(root + "/bin/recorder", fs::perms::owner_all);
    std::string user = root + "/.local/share/applications/";
    writefile(user + "Editor.desktop", entry("Editor", "recorder editor30 %f", "3.0b2"));
    writefile(root + "/sys/applications/kde/Editor.desktop", entry("Editor", "recorder editor31 %f", "3.1"));
    writefile(user + "viewer.desktop", entry("Viewer", "recorder viewer %U", "1.0") + "MimeType=text/plain;\n");
    writefile(user + "apple.desktop", entry("apple", "recorder apple", "1"));
    writefile(user + "gone.desktop", entry("Gone", "recorder gone", "1") + "Hidden=true\n");
    writefile(user + "link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=x\n");
    writefile(root + "/.local/share/mime/globs2", "# patterns\n50:text/plain:*.txt\n");
    writefile(root + "/docs/notes.txt", "hello");
  }
  void TearDown() override {
    if (saveddirs) setenv("XDG_DATA_DIRS", saveddirs->c_str(), 1);
    else unsetenv("XDG_DATA_DIRS");
    home.reset();
    VeltrixTest::TearDown();
  }
  std::string entry(const std::string& name, const std::string& exec, const std::string& version) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + root + "/bin/" + exec +
           "\nX-AppVersion=" + version + "\n";
  }
  // What the test program recorded under a tag (waits for it a while).
  std::string recorded(const std::string& tag) {
    fs::path p = root + "/out-" + tag + ".txt";
    for (int i = 0; i < 200 && !fs::exists(p); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::ifstream in(p);
    std::string line;
    std::getline(in, line);
    return line;
  }
  std::unique_ptr<TemporaryHome> home;
  std::optional<std::string> saveddirs;
  std::string root;
};

TEST_F(ApplicationsTest, TheListHoldsTheApplicationsInCaseInsensitiveOrder) {
  std::string list = eval("the applications");
  std::string user = root + "/.local/share/applications/";
  EXPECT_EQ(list, user + "apple.desktop\r" + user + "Editor.desktop\r" + user + "viewer.desktop\r" + root +
                      "/sys/applications/kde/Editor.desktop")
      << "hidden entries and links are no applications";
  OwnedHandle h;
  ASSERT_EQ(listapplications(&h), 0);
}

TEST_F(ApplicationsTest, VersionsCompareByTheirParts) {
  EXPECT_GT(parseversion("3.1"), parseversion("3.0b2"));
  EXPECT_GT(parseversion("3.0"), parseversion("3.0fc1")) << "no stage is a final release";
  EXPECT_GT(parseversion("3.0fc1"), parseversion("3.0b9"));
  EXPECT_GT(parseversion("3.0b2"), parseversion("3.0a7"));
  EXPECT_GT(parseversion("3.0a1"), parseversion("3.0d5"));
  EXPECT_EQ(parseversion("Version 10.2.3b4"), 0x1023'6004u);
  EXPECT_EQ(parseversion(""), 0x0000'FF00u);
  std::string chosen;
  EXPECT_EQ(getappurlbyname("editor.DESKTOP", {"/a/Editor.desktop", "/b/x.desktop"}, &chosen), 0);
  EXPECT_EQ(chosen, "/a/Editor.desktop");
  EXPECT_EQ(getappurlbyname("Other", {"/a/Editor.desktop"}, &chosen), 227);
}

TEST_F(ApplicationsTest, AnApplicationByNameTakesTheHighestVersionWithADocument) {
  ASSERT_EQ(run("launch \"" + root + "/docs/notes.txt\" with \"Editor\""), 0);
  EXPECT_EQ(recorded("editor31"), root + "/docs/notes.txt") << "3.1 wins over 3.0b2, found by the .desktop retry";
}

TEST_F(ApplicationsTest, ADocumentAloneOpensWithItsOwnApplication) {
  ASSERT_EQ(run("launch \":docs:notes.txt\""), 227) << "a relative colon path from the current folder";
  ASSERT_EQ(run("launch \"" + root + "/docs/notes.txt\""), 0);
  EXPECT_EQ(recorded("viewer"), "file://" + root + "/docs/notes.txt");
}

TEST_F(ApplicationsTest, ExecutablesAndFailures) {
  ASSERT_EQ(run("launch \"" + root + "/bin/recorder\""), 0);
  recorded("");
  EXPECT_TRUE(fs::exists(root + "/out-.txt")) << "the program ran";
  EXPECT_EQ(run("launch \"NoSuchProgram\""), 227);
  EXPECT_EQ(run("launch \"" + root + "/docs/missing.txt\" with \"Editor\""), 227);
  writefile(root + "/docs/picture.zzz", "x");
  EXPECT_EQ(run("launch \"" + root + "/docs/picture.zzz\""), kLSApplicationNotFoundErr)
      << "a document no application takes";
  mainglobals().plugin = 1;
  EXPECT_EQ(run("launch \"Editor\""), 175);
  mainglobals().plugin = 0;
}

TEST_F(ApplicationsTest, ExecFieldCodes) {
  DesktopEntry e;
  e.name = "Tool";
  e.exec = "tool --name=%c \"two words\" %F %i %%x";
  EXPECT_EQ(expandexec(e, "/apps/tool.desktop", {"/a b", "/c"}),
            (std::vector<std::string>{"tool", "--name=Tool", "two words", "/a b", "/c", "%x"}));
  e.exec = "tool";
  EXPECT_EQ(expandexec(e, "", {"/d"}), (std::vector<std::string>{"tool", "/d"}));
}

}  // namespace
}  // namespace kv
