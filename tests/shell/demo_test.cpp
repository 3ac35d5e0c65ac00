// The demo project kestrove runs when it is given nothing to run: made afresh, opened with its
// opening messages, and taken away again.
#include <gtest/gtest.h>

#include <string>

#include "platform/files/files.h"
#include "platform/windows/windows.h"
#include "shell/commandline.h"
#include "shell/demo.h"
#include "core/mainglobals.h"
#include "store/starfile.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class DemoTest : public WindowTest {
 protected:
  void TearDown() override {
    closeallwindows();
    removedemo();
    WindowTest::TearDown();
  }
  // The full path of the current project.
  static std::string projectpath() {
    const projectstore* st = findprojectstore(mainglobals().current.store);
    if (st == nullptr) return "";
    return std::string(reinterpret_cast<const char*>(st->fullpath + 1), st->fullpath[0]);
  }
};

TEST_F(DemoTest, TheDemoGreetsThroughTheMessageBoxWhenItOpens) {
  ASSERT_EQ(opendemo(), 0);
  EXPECT_EQ(messageboxtext(),
            "Hello from Kestrove!\n"
            "This demo project was made just now by Kestrove's own code.\n"
            "It has 2 cards; its scripts heard openProject, openWindow, openBackground, openCard.");
  EXPECT_EQ(cardvalue("greeting()"), "Hello from Kestrove!") << "the project's script is on the card's path";
}

TEST_F(DemoTest, TheDemoGoesWithItsFolder) {
  ASSERT_EQ(opendemo(), 0);
  std::string path = projectpath();
  ASSERT_FALSE(path.empty());
  std::string folder = path.substr(0, path.rfind('/'));
  closeallwindows();
  u32 id = 0;
  ASSERT_EQ(folderidofpath(folder, &id), noErr) << "the project is written back into its folder";
  removedemo();
  EXPECT_EQ(folderidofpath(folder, &id), dirNFErr);
  removedemo();  // nothing left to take away
}

// The built-in action of putMessage: a put into the message box is no error when no handler
// takes the message.
TEST_F(DemoTest, APutIntoTheMessageBoxNeedsNoHandler) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(doline("put 6 * 7"), 0);
  EXPECT_EQ(messageboxtext(), "42");
  ASSERT_EQ(doline("put \"a\" & return & \"b\" into msg"), 0);
  EXPECT_EQ(messageboxtext(), "a\nb") << "returns become line feeds";
}

}  // namespace
}  // namespace kv
