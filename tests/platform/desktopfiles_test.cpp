// Kestrove on the desktop: the user's entry, project file type and icon, written and taken away
// again in a temporary home, and what the launch layer then answers for a project's name.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/launch/desktopfiles.h"
#include "platform/launch/launch.h"
#include "platform/testing/temphome.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class DesktopFilesTest : public RuntimeTest {};

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string readall(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool installed(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

TEST_F(DesktopFilesTest, RegisteringMakesProjectsOpenWithThisProgramAndUnregisteringUndoesIt) {
  TemporaryHome home;
  const std::string data = home.path() + "/.local/share", config = home.path() + "/.config";
  const std::string program = home.path() + "/bin/kestrove";
  std::string error;
  ASSERT_TRUE(registerdesktop(program, &error)) << error;

  const std::string entry = data + "/applications/kestrove.desktop";
  const std::string package = data + "/mime/packages/kestrove.xml";
  const std::string icon = data + "/icons/hicolor/scalable/apps/kestrove.svg";
  ASSERT_TRUE(exists(entry));
  ASSERT_TRUE(exists(package));
  ASSERT_TRUE(exists(icon));
  if (installed("desktop-file-validate")) {
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry + "' >/dev/null").c_str()), 0) << readall(entry);
  }
  EXPECT_NE(readall(config + "/mimeapps.list").find("application/x-kestrove-project=kestrove.desktop"),
            std::string::npos);

  // The desktop starts the entry's command with the project's path.
  DesktopEntry e;
  ASSERT_TRUE(readdesktopentry(entry, &e));
  EXPECT_EQ(expandexec(e, entry, {"/p/a.kv45"}), (std::vector<std::string>{program, "/p/a.kv45"}));
  EXPECT_EQ(applicationfor(kProjectMimeType), entry);
  if (!installed("update-mime-database")) GTEST_SKIP() << "shared-mime-info is not installed";
  EXPECT_EQ(mimetypeof("a.kv45"), kProjectMimeType);

  ASSERT_TRUE(unregisterdesktop(&error)) << error;
  EXPECT_FALSE(exists(entry));
  EXPECT_FALSE(exists(package));
  EXPECT_FALSE(exists(icon));
  EXPECT_EQ(readall(config + "/mimeapps.list").find("kestrove.desktop"), std::string::npos);
  EXPECT_NE(mimetypeof("a.kv45"), kProjectMimeType);
  EXPECT_NE(applicationfor(kProjectMimeType), entry);
}

TEST_F(DesktopFilesTest, TheUsersOwnDefaultStaysAndAPathWithSpacesIsQuoted) {
  TemporaryHome home;
  const std::string data = home.path() + "/.local/share", config = home.path() + "/.config";
  ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
  {
    std::ofstream list(config + "/mimeapps.list");
    list << "[Default Applications]\napplication/x-kestrove-project=other.desktop\n";
  }
  const std::string program = home.path() + "/my apps/kestrove \"new\"";
  std::string error;
  ASSERT_TRUE(registerdesktop(program, &error)) << error;
  EXPECT_EQ(readall(config + "/mimeapps.list").find("kestrove.desktop"), std::string::npos) << "the user chose another";
  const std::string entry = data + "/applications/kestrove.desktop";
  DesktopEntry e;
  ASSERT_TRUE(readdesktopentry(entry, &e));
  EXPECT_EQ(expandexec(e, entry, {"b.kv45"}), (std::vector<std::string>{program, "b.kv45"}));
  ASSERT_TRUE(unregisterdesktop(&error)) << error;
  EXPECT_NE(readall(config + "/mimeapps.list").find("other.desktop"), std::string::npos);
}

}  // namespace
}  // namespace kv
