// A project's own resource file ("<file name>.rsrc" beside it): opened with the project when
// projects' resource files are wanted, closed with it, and left alone when it cannot be read.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/objectutil.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
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
