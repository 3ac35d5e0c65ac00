// The card clipboard as scripts use it (copy, cut and paste of whole cards within a project and
// into another, the refusals of a full or unwritable scratch folder, a scratch file that does
// not check out), and deleting cards by reference, windows and menus, each checked in the file
// that is opened again afterwards.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/starfile.h"
#include "tests/support/windows.h"
#include "tools/objectclipboard.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using testproject::Object;

// Every card and window reports its delete messages in the global `gone`.
const char* const kReport =
    "on deleteCard\n global gone\n put \"card \" after gone\nend deleteCard\n"
    "on deleteBackground\n global gone\n put \"bkgnd \" after gone\nend deleteBackground\n"
    "on deleteWindow\n global gone\n put \"window \" after gone\nend deleteWindow";

testproject::Window window(const std::string& name, std::initializer_list<const char*> cards) {
  testproject::Window w;
  w.name = name;
  w.rect = Rect{60, 60, 360, 460};
  w.script = kReport;
  w.backgrounds.push_back(testproject::Background{"Bg" + name, "", {Object{.name = "B", .rect = {10, 10, 30, 90}}}});
  for (const char* c : cards) w.cards.push_back(testproject::Card{.name = c, .objects = {Object{.name = c}}});
  return w;
}

class CardClipboardTest : public WindowTest {
 protected:
  // p.kv45: window "One" (cards "a" and "b" on one background), window "Two" (card "c") and
  // window "Three" (card "d"); menus File, Edit and View. q.kv45: one window, card "q".
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    p.windows = {window("One", {"a", "b"}), window("Two", {"c"}), window("Three", {"d"})};
    p.menus = {testproject::Menu{.name = "File"}, testproject::Menu{.name = "Edit"}, testproject::Menu{.name = "View"}};
    build(p);
    testproject::Project q;
    q.windows = {window("Q", {"q"})};
    build(q, "q.kv45");
    // The scratch file goes into a folder of the test's own.
    fs::create_directory(home->path() + "/scratch");
    ASSERT_EQ(folderidofpath(home->path() + "/scratch", &scratch), noErr);
    saved = mainglobals().tempfolder;
    mainglobals().tempfolder = scratch;
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("global gone\nput empty into gone"), 0);
  }
  void TearDown() override {
    killall();
    setfreespacemodel(std::nullopt);
    ::chmod((home->path() + "/scratch").c_str(), 0755);
    WindowTest::TearDown();
    mainglobals().tempfolder = saved;
  }
  // The files in the scratch folder.
  std::vector<std::string> scratchfiles() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(home->path() + "/scratch")) out.push_back(e.path().string());
    return out;
  }
  void reopen(std::string_view name = "p.kv45", i32 windnum = 1) {
    closeallwindows();
    Str255 leaf{};
    setpstring(leaf, std::string(name));
    EXPECT_EQ(verifystar(kBootVolume, dir, leaf), 1000) << name;
    ASSERT_EQ(open(name, windnum), 0);
  }
  u32 scratch = 0, saved = 0;
};

TEST_F(CardClipboardTest, PastedCardsShareTheBackgroundOfTheirOwnWindow) {
  cardrows({{"copy card 1", "the clipBoard", "cards"},
            {"go card 1\npaste card", "the number of cards", "3"},
            {"", "the number of this card", "2"},
            {"", "the short name of button 1 of this card", "a"},
            {"paste card", "the number of cards", "4"},
            {"", "the number of this card", "3"},
            {"", "the number of bkgnds", "1"},
            {"", "the short name of card 4", "b"}});
  // Each paste is a card of its own, with its own id.
  EXPECT_NE(cardvalue("the id of card 2"), cardvalue("the id of card 3"));
  EXPECT_EQ(scratchfiles().size(), 1u);
  reopen();
  cardrows(
      {{"", "the number of cards", "4"}, {"", "the number of bkgnds", "1"}, {"", "the short name of card 3", "a"}});
  EXPECT_EQ(cardvalue("the short name of button 1 of card 3"), "a");
}

TEST_F(CardClipboardTest, InAnotherProjectEachPasteBringsItsOwnBackground) {
  ASSERT_EQ(doline("copy card 2"), 0);
  ASSERT_EQ(open("q.kv45"), 0);
  cardrows({{"paste card", "the number of cards", "2"},
            {"paste card", "the number of bkgnds", "3"},
            {"", "the short name of button 1 of card 2", "b"},
            {"", "the short name of bkgnd button 1 of card 2", "B"}});
  reopen("q.kv45");
  cardrows({{"", "the number of cards", "3"}, {"", "the number of bkgnds", "3"}});
  // Another window of the same project gets its own background too.
  reopen("p.kv45", 2);
  ASSERT_EQ(doline("copy card 1 of window 1"), 0);
  EXPECT_EQ(cardvalue("the clipBoard"), "cards");
}

TEST_F(CardClipboardTest, AProjectNamedAlikeIsAnotherProject) {
  // The same records under a name that differs only in case: its window and background
  // record ids are those of the copied card, and still nothing of it is shared.
  testproject::Project p;
  p.windows = {window("One", {"a", "b"})};
  build(p, "P.kv45");
  ASSERT_EQ(doline("copy card 1"), 0);
  closeallwindows();
  ASSERT_EQ(open("P.kv45"), 0);
  cardrows({{"paste card", "the number of cards", "3"}, {"", "the number of bkgnds", "2"}});
  reopen("P.kv45");
  EXPECT_EQ(cardvalue("the number of bkgnds"), "2");
}

TEST_F(CardClipboardTest, CutCardCopiesThenDeletes) {
  cardrows({{"go card 2\ncut card", "the number of cards", "1"},
            {"", "gone", "card "},
            {"paste card", "the number of cards", "2"},
            {"", "the short name of this card", "b"}});
  // Copying anything else empties the card clipboard and its scratch file goes.
  ASSERT_EQ(doline("choose button tool\nselect button 1\ncopy"), 0);
  EXPECT_EQ(cardvalue("the clipBoard"), "objects");
  EXPECT_TRUE(scratchfiles().empty());
  cardrows({{"paste card", "the number of cards", "2"}});
}

TEST_F(CardClipboardTest, AFullOrUnwritableScratchFolderRefusesTheCopy) {
  setfreespacemodel(10000);
  // The card's changes cannot be written either: the disk-full note comes first.
  queueanswer(Answer{"alert", "OK", {}});
  failrows({{"copy card", "the clipBoard", "error 107"}});
  setfreespacemodel(1u << 30);
  ::chmod((home->path() + "/scratch").c_str(), 0555);
  failrows({{"copy card", "the clipBoard", "error 108"}});
  EXPECT_NE(cardvalue("the clipBoard"), "cards");
  ::chmod((home->path() + "/scratch").c_str(), 0755);
  ASSERT_EQ(doline("copy card"), 0);
  EXPECT_EQ(cardvalue("the clipBoard"), "cards");
}

TEST_F(CardClipboardTest, AScratchFileThatDoesNotCheckOutPastesNothing) {
  auto damage = [this](std::streamoff at, char byte) {
    ASSERT_EQ(doline("copy card"), 0);
    ASSERT_EQ(scratchfiles().size(), 1u);
    std::fstream f(scratchfiles()[0], std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    f.put(byte);
  };
  damage(0, 'x');  // the magic
  cardrows({{"paste card", "the number of cards", "2"}});
  damage(5, 0x7F);  // the card's size
  cardrows({{"paste card", "the number of cards", "2"}});
  damage(40, 0x55);  // a byte of the card record
  cardrows({{"paste card", "the number of cards", "2"}});
  // A file cut short.
  ASSERT_EQ(doline("copy card"), 0);
  fs::resize_file(scratchfiles()[0], 30);
  cardrows({{"paste card", "the number of cards", "2"}});
  ASSERT_EQ(doline("copy card"), 0);
  cardrows({{"paste card", "the number of cards", "3"}});
}

TEST_F(CardClipboardTest, DeleteCardByReference) {
  cardrows({{"delete card \"b\"", "the number of cards", "1"},
            {"", "the short name of this card", "a"},
            {"", "gone", "card "}});
  ASSERT_EQ(doline("copy card\npaste card\npaste card\ngo card 1\nput empty into gone"), 0);
  cardrows({{"delete card 3", "the number of cards", "2"}, {"", "the number of this card", "1"}});
  failrows({{"delete card 1 of window 2", "the number of cards", "error 2"}});
  failrows({{"delete card 7", "the number of cards", "error 51"}, {"delete menu \"Edit\" now", "", "error 19"}});
  EXPECT_EQ(cardvalue("the short name of menu 2"), "Edit");
  // The memory guard refuses the paste.
  setmemoryguardrefusal(true);
  EXPECT_EQ(failingline("paste card"), 37);
  setmemoryguardrefusal(false);
  EXPECT_EQ(cardvalue("the number of cards"), "2");
}

TEST_F(CardClipboardTest, DeleteWindowRemovesEveryRecordAndRenumbersTheLaterWindows) {
  ASSERT_EQ(open("p.kv45", 3), 0);
  ASSERT_EQ(open("p.kv45", 2), 0);
  ASSERT_EQ(current().windnum, 2u);
  ASSERT_EQ(doline("global gone\nput empty into gone\nchoose tool 101"), 0);
  failrows({{"delete window", "the short name of this window", "error 175"}});
  const desk two = current();
  ASSERT_EQ(doline("choose browse tool\ndelete window"), 0);
  EXPECT_EQ(cardvalue("gone"), "card bkgnd window ");
  // Its window, card, background and page records are gone from the store.
  for (u32 id : {two.windrecid, two.cardrecid, two.backrecid}) {
    u32 size = 0;
    EXPECT_NE(sizevir(two.store, i32(id), &size), 0) << id;
  }
  // Window "Three" is number 2 now, in the table and for references.
  ASSERT_EQ(cardvalue("the short name of this window"), "Three");
  EXPECT_EQ(current().windnum, 2u);
  EXPECT_EQ(cardvalue("the short name of window 2"), "Three");
  reopen("p.kv45", 2);
  EXPECT_EQ(cardvalue("the short name of this window"), "Three");
  EXPECT_EQ(cardvalue("the short name of window 3"), "error 61");
}

TEST_F(CardClipboardTest, AWindowWhoseProjectClosesWithItIsDeletedFromTheFile) {
  ASSERT_EQ(open("q.kv45"), 0);
  ASSERT_EQ(open("p.kv45", 2), 0);
  ASSERT_EQ(doline("set lockMessages to true\ndelete window\nset lockMessages to false"), 0);
  EXPECT_EQ(cardvalue("gone"), "") << "no messages";
  EXPECT_EQ(cardvalue("the short name of this window"), "Q");
  reopen("p.kv45", 2);
  EXPECT_EQ(cardvalue("the short name of this window"), "Three");
}

TEST_F(CardClipboardTest, DamagedListsAreRefusedBeforeAnythingChanges) {
  windrec w = loadat<windrec>(deref(current().wind));
  w.cardcount = 5;
  storeat<windrec>(deref(current().wind), w);
  failrows({{"delete window", "the short name of this window", "error 105"}});
  EXPECT_EQ(cardvalue("gone"), "") << "nothing was sent";
  w.cardcount = 2;
  storeat<windrec>(deref(current().wind), w);
  // A menu library whose rack counts disagree with its entry count.
  Handle library = nilhandle;
  ASSERT_EQ(getvir(current().store, 2, &library), 0);
  librec l = loadat<librec>(deref(library));
  l.entrycount = 9;
  storeat<librec>(deref(library), l);
  failrows({{"delete menu \"Edit\"", "the short name of menu 2", "error 105"}});
  l.entrycount = 3;
  storeat<librec>(deref(library), l);
  ASSERT_EQ(putvir(current().store, 2), 0);
  EXPECT_EQ(cardvalue("the short name of menu 2"), "Edit");
}

TEST_F(CardClipboardTest, DeleteMenuLeavesEverySetAndRenumbersTheLaterMenus) {
  ASSERT_EQ(doline("insert menu \"Edit\"\ninsert menu \"View\"\nset the menuSet to 2\ninsert menu \"Edit\"\n"
                   "set the menuSet to 1"),
            0);
  ASSERT_EQ(doline("delete menu \"Edit\""), 0);
  MainGlobals& g = mainglobals();
  for (int k : {0, 1}) {
    const menuset& s = g.menusets[k];
    for (i32 i = 0; i < s.count; ++i) {
      const menuline l = HandleAs<menuline>(s.lines)[i];
      EXPECT_EQ(l.menunum, 2u) << "only View is left, numbered 2";
    }
  }
  EXPECT_EQ(g.menusets[0].count, 1);
  EXPECT_EQ(g.menusets[1].count, 0);
  EXPECT_EQ(cardvalue("the short name of menu 2"), "View");
  ASSERT_EQ(doline("delete menu \"View\""), 0);
  EXPECT_EQ(g.menusets[0].count, 0);
  reopen();
  EXPECT_EQ(cardvalue("the short name of menu 1"), "File");
  EXPECT_EQ(cardvalue("the short name of menu 2"), "error 63");
}

// Every allocation failing in turn while a card is pasted, a window, a card and a menu deleted: each either
// does its whole job or leaves a file that verifies and opens, and nothing behind in memory.
TEST_F(CardClipboardTest, PasteAndDeleteWhenMemoryRunsOut) {
  testproject::Project p;
  p.windows = {window("One", {"a", "b"}), window("Two", {"c"})};
  SCOPED_TRACE("paste card");
  EXPECT_GT(sweepallocations(
                p,
                [this] {
                  ASSERT_EQ(open(), 0);
                  ASSERT_EQ(doline("copy card 2\ngo card 1"), 0);
                },
                [this] { return doline("paste card"); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(cardvalue("the number of cards"), "3");
                  }
                }),
            5);
  SCOPED_TRACE("delete window");
  EXPECT_GT(sweepallocations(
                p,
                [this] {
                  ASSERT_EQ(open("p.kv45", 2), 0);
                  ASSERT_EQ(open(), 0);
                },
                [this] { return doline("delete window"); }),
            5);
  SCOPED_TRACE("delete card and menu");
  p.menus = {testproject::Menu{.name = "File"}, testproject::Menu{.name = "Edit"}};
  EXPECT_GT(sweepallocations(
                p,
                [this] {
                  ASSERT_EQ(open(), 0);
                  ASSERT_EQ(doline("insert menu \"File\""), 0);
                },
                [this] { return doline("delete card\ndelete menu \"File\""); }),
            5);
}

}  // namespace
}  // namespace kv
