// Saving and reverting from scripts: what reaches the project files, the changed marks of the
// record cache, and what a revert gives back.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/forms.h"
#include "store/recordcache.h"
#include "shell/windnav.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class SaveRevertTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
  }
  void TearDown() override {
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  std::string bytes(const std::string& name) {
    std::ifstream in(home->path() + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static bool changed(RegistryId store, u32 id) {
    u16 flag = 0;
    return testvir(store, i32(id), &flag) == 0 && flag != 0;
  }
  // The changed marks of the current card, background and window records, as "cbw" letters.
  std::string marks() {
    const desk& d = current();
    std::string out;
    if (changed(d.store, d.cardrecid)) out += 'c';
    if (changed(d.store, d.backrecid)) out += 'b';
    if (changed(d.store, d.windrecid)) out += 'w';
    return out;
  }
  // The small project, its file made read-only before it is opened.
  void openlocked() {
    build(testproject::small());
    pstrassign(lockedfile, 256, "p.kv45", 6);
    ASSERT_EQ(HSetFLock(kBootVolume, dir, lockedfile), noErr);
    ASSERT_EQ(open(), 0);
  }
  Str255 lockedfile{};
  i16 openshared(const std::string& name) {
    form f{};
    f.wind = selpart{selnumber, 1, {}, 0};
    std::string path = home->path() + "/" + name;
    pstrassign(f.proj.name, 256, path.data(), path.size());
    return openwindow(f, 1, 0);
  }
};

TEST_F(SaveRevertTest, SaveWritesTheCurrentCardBackgroundAndWindow) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(doline("set the name of card 1 to \"Uno\"\nset the name of background 1 to \"Flat\""), 0);
  ASSERT_EQ(doline("set the name of window 1 to \"Front\""), 0);
  ASSERT_EQ(marks(), "cbw");
  const std::string before = bytes("p.kv45");
  EXPECT_EQ(doline("save"), 0);
  EXPECT_EQ(marks(), "");
  EXPECT_NE(bytes("p.kv45"), before);
  // What was saved is what the file holds once it is opened again.
  closeallwindows();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("the name of this card & the name of this background"), "card \"Uno\"bkgnd \"Flat\"");
}

TEST_F(SaveRevertTest, SaveAllWritesEveryOpenProjectAndTheSharedOne) {
  for (const char* name : {"p.kv45", "q.kv45", "s.kv45"}) build(testproject::small(), name);
  ASSERT_EQ(openshared("s.kv45"), 0);
  const RegistryId shared = current().store;
  ASSERT_EQ(mainglobals().sharedstore, shared);
  ASSERT_EQ(doline("set the name of card 1 to \"S\""), 0);
  ASSERT_EQ(changevir(shared, 0), 0);
  ASSERT_EQ(open("q.kv45"), 0);
  ASSERT_EQ(doline("set the name of card 1 to \"Q\""), 0);
  ASSERT_EQ(open("p.kv45"), 0);
  ASSERT_EQ(doline("set the name of card 1 to \"P\""), 0);
  const std::string p = bytes("p.kv45"), q = bytes("q.kv45"), s = bytes("s.kv45");
  EXPECT_EQ(doline("save all"), 0);
  EXPECT_NE(bytes("p.kv45"), p);
  EXPECT_NE(bytes("q.kv45"), q);
  EXPECT_NE(bytes("s.kv45"), s);
  EXPECT_FALSE(changed(shared, 0));
  for (i32 i = 0; i < mainglobals().numwinds; ++i) {
    const desk d = HandleAs<desk>(mainglobals().winds)[i];
    EXPECT_FALSE(changed(d.store, d.cardrecid)) << "window " << i;
  }
  closeallwindows();
  mainglobals().sharedstore = nilid;
  mainglobals().sharedhead = nilhandle;
  EXPECT_EQ(putvir(shared, 0), 0);
  EXPECT_EQ(closevir(shared), 0);
}

// A project that cannot be written keeps its changes and says so; the program goes on.
TEST_F(SaveRevertTest, ALockedProjectIsNotWritten) {
  openlocked();
  ASSERT_EQ(doline("set the script of this card to \"on x\" & return & \"end x\""), 0);
  const std::string before = bytes("p.kv45");
  cardrows({
      {"save", "the result", "The file is locked."},
      {"save all", "the result", "The file is locked."},
      {"", "the script of this card", "on x\rend x"},
  });
  EXPECT_EQ(bytes("p.kv45"), before);
  closeallwindows();
  EXPECT_EQ(HRstFLock(kBootVolume, dir, lockedfile), noErr);
}

// A file without write permission: names and texts change in memory while the card is shown,
// saving says why it cannot, leaving the card forgets the changes, and the file keeps its
// bytes.
TEST_F(SaveRevertTest, ALockedProjectWorksInMemory) {
  openlocked();
  const std::string before = bytes("p.kv45");
  cardrows({
      {"set the name of card 1 to \"Uno\"", "the name of card 1", "card \"Uno\""},
      {"set the name of button \"Go\" to \"Went\"", "the short name of button 1", "Went"},
      {"set the name of window 1 to \"Front\"", "the short name of window 1", "Front"},
      {"put \"typed\" into field \"Title\"", "field \"Title\"", "typed"},
      {"put \"more\" into line 2 of field \"Title\"", "line 2 of field \"Title\"", "more"},
      {"go next card", "the short name of this card", "Two"},
      {"set the name of this card to \"Dos\"", "the short name of this card", "Dos"},
      {"save", "the result", "The file is locked."},
      {"go card 1", "the short name of this card & field \"Title\"", "OneFirst"},
  });
  EXPECT_EQ(bytes("p.kv45"), before);
  closeallwindows();
  EXPECT_EQ(bytes("p.kv45"), before);
  ASSERT_EQ(HRstFLock(kBootVolume, dir, lockedfile), noErr);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("the short name of card 1 & field \"Title\""), "OneFirst");
}

TEST_F(SaveRevertTest, WordsAfterTheCommandAreRefused) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  cardrows({
      {"save x", "", "error 19"},
      {"save all x", "", "error 19"},
      {"revert x", "", "error 19"},
      {"revert all", "", "error 19"},
  });
}

TEST_F(SaveRevertTest, RevertGivesBackTheStoredTextsAndScripts) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(doline("put \"changed\" into field \"Title\""), 0);
  ASSERT_EQ(
      doline(
          "set the script of button \"Go\" to \"on mouseUp\" & return & \"put 7 into field 1\" & return & \"end mouseUp\""),
      0);
  ASSERT_EQ(doline("send mouseUp to button \"Go\""), 0);
  ASSERT_EQ(cardvalue("field \"Title\""), "7");
  EXPECT_EQ(doline("revert"), 0);
  EXPECT_EQ(cardvalue("field \"Title\""), "First");
  EXPECT_EQ(marks(), "");
  // The stored handler runs again: it goes to the next card.
  EXPECT_EQ(doline("send mouseUp to button \"Go\""), 0);
  EXPECT_EQ(current().cardnum, 2u);
}

}  // namespace
}  // namespace kv
