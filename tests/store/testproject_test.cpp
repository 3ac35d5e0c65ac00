// The test projects of tests/support/project.h: what the builder writes reads back as a
// project of the described windows, cards and objects.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/temphome.h"
#include "store/namekey.h"
#include "store/packing.h"
#include "store/records.h"
#include "store/starfile.h"
#include "tests/support/fixture.h"
#include "tests/support/project.h"

namespace kv {
namespace {

class TestProjectTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    home = std::make_unique<TemporaryHome>();
    ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
  }
  void TearDown() override {
    if (store) {
      closestar(store);
      disposeprojectstore(store);
    }
    home.reset();
    RuntimeTest::TearDown();
  }
  void open(const char* name) {
    Str255 p{};
    p[0] = u8(std::strlen(name));
    std::memcpy(p + 1, name, p[0]);
    store = newprojectstore();
    ASSERT_EQ(openstar(kBootVolume, dir, p, store), 0);
  }
  // Record `id`, unpacked (the caller disposes of it with dump).
  Handle record(i32 id) {
    Handle h = NewHandle(0);
    EXPECT_EQ(getstar(store, id, h), 0);
    EXPECT_EQ(unpack(h), 0);
    return h;
  }
  std::unique_ptr<TemporaryHome> home;
  u32 dir = 0;
  RegistryId store = nilid;
};

TEST_F(TestProjectTest, SmallProjectReadsBack) {
  ASSERT_EQ(testproject::build(dir, "p.kv45", testproject::small()), 0);
  open("p.kv45");
  Handle lib = record(1);
  librec l = loadat<librec>(deref(lib));
  EXPECT_EQ(u32(l.entrycount), 1u);
  ASSERT_EQ(u16(l.pagecount), 1);
  pageref rackref = loadat<pageref>(deref(lib) + sizeof(librec));
  dump(lib);
  Handle rack = record(i32(rackref.recordid));
  bookentry book = loadat<bookentry>(deref(rack) + 2);
  EXPECT_EQ(u32(book.word4), testproject::kFirstWindowId);
  dump(rack);
  Handle wind = record(i32(book.recordid));
  windrec w = loadat<windrec>(deref(wind));
  EXPECT_EQ(u32(w.cardcount), 3u);
  EXPECT_EQ(u32(w.backcount), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(deref(w.name)), size_t(GetHandleSize(w.name))), "Main");
  pageref pageref0 = loadat<pageref>(deref(wind) + sizeof(windrec));
  EXPECT_EQ(i16(pageref0.entries), 3);
  dump(wind);
  Handle page = record(i32(pageref0.recordid));
  wordentry third = loadat<wordentry>(deref(page) + 2 + 2 * 64);
  wordentry first = loadat<wordentry>(deref(page) + 2);
  EXPECT_NE(u32(third.backrecord), u32(first.backrecord));
  EXPECT_EQ(u32(first.cardid), testproject::kFirstCardId + 2) << "the two backgrounds took 100 and 101";
  u32 key = 0;
  const u8 three[] = {5, 'T', 'h', 'r', 'e', 'e'};
  getkey(three, &key);
  EXPECT_EQ(u32(third.namekey), key);
  dump(page);
  Handle card = record(i32(first.cardrecord));
  cardrec c = loadat<cardrec>(deref(card));
  ASSERT_NE(c.objects, nilhandle);
  EXPECT_EQ(HandleCount<spot>(c.objects), 1);
  spot go = HandleAs<spot>(c.objects)[0];
  EXPECT_EQ(u32(go.kind), u32(spotbutton));
  ASSERT_NE(go.script, nilhandle);
  std::string script(reinterpret_cast<char*>(deref(go.script)), size_t(GetHandleSize(go.script) - 24));
  EXPECT_EQ(script, "on mouseUp\r  go next card\rend mouseUp");
  ASSERT_NE(c.backtext, nilhandle);
  u32 fieldid = loadat<u32>(deref(c.backtext));
  u32 len = loadat<u32>(deref(c.backtext) + 4);
  EXPECT_EQ(fieldid, 1u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(deref(c.backtext) + 10), len - 16), "First");
  dump(card);
}

TEST_F(TestProjectTest, ManyCardsFillSeveralPages) {
  testproject::Project p;
  testproject::Window w;
  w.backgrounds.push_back({});
  for (int i = 0; i < 250; ++i) w.cards.push_back({"c" + std::to_string(i), "", 0, {}, {}});
  p.windows.push_back(w);
  p.windows.push_back(w);
  ASSERT_EQ(testproject::build(dir, "big.kv45", p), 0);
  open("big.kv45");
  Handle lib = record(1);
  EXPECT_EQ(u32(loadat<librec>(deref(lib)).entrycount), 2u);
  dump(lib);
}

}  // namespace
}  // namespace kv
