// The `new` command as scripts use it: the records it makes, where the window goes, and the
// messages the scripts get, in order.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "engine/lookups.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/fieldtail.h"
#include "core/memoryguard.h"
#include "shell/windnav.h"
#include "store/creating.h"
#include "store/namekey.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tests/support/windows.h"
#include <climits>
#include <initializer_list>
#include "commands/objectids.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using testproject::Project;

constexpr const char* kLoggedMessages[] = {"newProject", "newWindow", "newBackground", "newCard",
                                           "newMenu",    "newButton", "newField",      "newGraphic"};

// A handler for each creation message that appends the message's name to the global `log`.
std::string loghandlers() {
  std::string s;
  for (const char* m : kLoggedMessages)
    s += std::string("\non ") + m + "\n  global log\n  put \"" + m + " \" after log\nend " + m;
  return s;
}

class NewTest : public WindowTest {
 protected:
  // The small project whose script logs every creation message.
  static Project logged() {
    Project p = testproject::small();
    p.script += loghandlers();
    return p;
  }
  void openlogged() {
    build(logged());
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
  std::string log() {
    std::string v = global("log");
    return v.rfind("(no global", 0) == 0 ? "" : v;
  }
  wordentry entry(u32 cardnum) {
    wordentry e{};
    EXPECT_EQ(getword(current().store, current().wind, i32(cardnum), &e), 0);
    return e;
  }
  u32 cardcount() { return u32(loadat<windrec>(deref(current().wind)).cardcount); }
  // A line that is to fail: the error alert it may show is answered with Cancel.
  i16 failing(std::string_view line) {
    queueanswer(Answer{"alert", "Cancel", {}});
    i16 st = doline(line);
    clearanswers();
    return st;
  }
  std::string path(std::string_view name) { return home->path() + "/" + std::string(name); }
  // After a send the window that was current before it is current again: the window a
  // handler opened is made current here, as its activation would make it.
  void usenewestwindow() {
    MainGlobals& g = mainglobals();
    ASSERT_GT(g.numwinds, 0);
    g.current = HandleAs<desk>(g.winds)[g.numwinds - 1];
  }
  std::string bytesof(std::string_view name) {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static Str255& pname(std::string_view s) {
    static Str255 p;  // test helper: one name at a time
    pstrassign(p, 256, s.data(), s.size());
    return p;
  }
};

// Acceptance: new card on the last card makes the new card the last one, gives it the window's
// next id, and sends newCard to it.
TEST_F(NewTest, NewCardOnTheLastCardBecomesTheLastAndGetsNewCard) {
  openlogged();
  ASSERT_EQ(doline("go last card"), 0);
  desk before = current();
  u32 nextid = loadat<windrec>(deref(before.wind)).nextid;
  u32 changes = mainglobals().changecounter;
  ASSERT_EQ(doline("new card"), 0);
  EXPECT_EQ(cardvalue("the number of cards"), "4");
  EXPECT_EQ(current().cardnum, 4u);
  EXPECT_EQ(current().cardid, nextid);
  EXPECT_EQ(current().backrecid, before.backrecid) << "the current background";
  EXPECT_EQ(loadat<windrec>(deref(current().wind)).nextid, nextid + 1);
  EXPECT_EQ(log(), "newCard ");
  EXPECT_EQ(mainglobals().changecounter, changes + 1);
}

TEST_F(NewTest, NewCardGoesRightAfterTheCurrentCardWithEmptyBackgroundTexts) {
  openlogged();
  ASSERT_EQ(current().cardnum, 1u);
  ASSERT_EQ(doline("new card"), 0);
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(cardcount(), 4u);
  EXPECT_EQ(u32(entry(3).cardid), testproject::kFirstCardId + 3) << "card Two moved on";
  // The background field "Title" keeps its style but not the text of the card before.
  spot title = HandleAs<spot>(current().backspots)[0];
  Handle data = title.data;
  EXPECT_EQ(GetHandleSize(data), 16) << "an empty stored text";
  ASSERT_EQ(doline("go first card"), 0);
  title = HandleAs<spot>(current().backspots)[0];
  data = title.data;
  EXPECT_GT(GetHandleSize(data), 16) << "the first card's text is still there";
}

// Acceptance: new background sends newBackground then newCard, and the new card (on the new
// background) is current, right after the old one.
TEST_F(NewTest, NewBackgroundSendsNewBackgroundThenNewCard) {
  openlogged();
  desk before = current();
  u32 backs = loadat<windrec>(deref(before.wind)).backcount;
  u32 changes = mainglobals().changecounter;
  ASSERT_EQ(doline("new background"), 0);
  EXPECT_EQ(log(), "newBackground newCard ");
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(loadat<windrec>(deref(current().wind)).backcount, backs + 1);
  backrec b = loadat<backrec>(deref(current().back));
  windrec w = loadat<windrec>(deref(current().wind));
  EXPECT_EQ(i32(b.height), w.rect1.bottom - w.rect1.top) << "the window's size";
  EXPECT_EQ(current().backid + 1, current().cardid) << "the background's id first, then its card's";
  EXPECT_EQ(mainglobals().changecounter, changes + 2);
}

// Acceptance: a newBackground handler that goes elsewhere stops the chain.
TEST_F(NewTest, ANewBackgroundHandlerThatGoesElsewhereStopsTheChain) {
  Project p = testproject::small();
  // The later handler of the same name is never reached; the first one goes.
  p.script =
      testproject::small().script +
      "\non newBackground\n  global log\n  put \"newBackground \" after log\n  go first card\nend newBackground" +
      loghandlers();
  build(p);
  ASSERT_EQ(open(), 0);
  clearglobals();
  ASSERT_EQ(doline("go last card"), 0);
  ASSERT_EQ(doline("new background"), 0);
  EXPECT_EQ(log(), "newBackground ") << "newCard is not sent";
  EXPECT_EQ(current().cardnum, 1u);
  EXPECT_EQ(cardcount(), 4u) << "the background and its card were made";
}

// Acceptance: new invisible button makes a hidden button and sends newButton to it; new
// invisible card gives 2.
TEST_F(NewTest, NewInvisibleButtonIsHiddenAndGetsNewButton) {
  Project p = logged();
  p.windows[0].cards[0].script +=
      "\non newButton\n  global who\n  put the target into who\n  pass newButton\nend newButton";
  build(p);
  ASSERT_EQ(open(), 0);
  clearglobals();
  i32 before = i32(GetHandleSize(current().cardspots) / i32(sizeof(spot)));
  takeredraws();
  ASSERT_EQ(doline("new invisible button"), 0);
  EXPECT_EQ(log(), "newButton ");
  EXPECT_EQ(global("who").rfind("card button ID 100 of card ID 102 of ", 0), 0u)
      << "the message went to the new button";
  Handle list = current().cardspots;
  ASSERT_EQ(GetHandleSize(list), (before + 1) * i32(sizeof(spot)));
  spot s = HandleAs<spot>(list)[before];
  EXPECT_EQ(u32(s.flags) & 1u, 0u) << "not visible";
  EXPECT_EQ(u32(s.id), 100u) << "the card's only other object has id 3";
  EXPECT_TRUE(takeredraws().empty()) << "a hidden object is not drawn";
  u16 changed = 0;
  ASSERT_EQ(testvir(current().store, i32(current().cardrecid), &changed), 0);
  EXPECT_EQ(changed, 1);

  EXPECT_EQ(failing("new invisible card"), 2);
  EXPECT_EQ(failing("new invisible background"), 2);
  EXPECT_EQ(failing("new invisible menu"), 2);
  EXPECT_EQ(cardcount(), 3u);
}

TEST_F(NewTest, NewFieldsAndGraphicsTakeTheirDefaultsAndTheNextId) {
  openlogged();
  ASSERT_EQ(doline("new field"), 0);
  ASSERT_EQ(doline("new graphic"), 0);
  EXPECT_EQ(log(), "newField newGraphic ");
  Handle list = current().cardspots;
  i32 n = i32(GetHandleSize(list) / i32(sizeof(spot)));
  spot f = HandleAs<spot>(list)[n - 2], g = HandleAs<spot>(list)[n - 1];
  EXPECT_EQ(u32(f.id), 100u);
  EXPECT_EQ(u32(g.id), 101u);
  fieldtail tail = loadat<fieldtail>(deref(Handle(f.data)) + 2);
  EXPECT_EQ(tail.font, u16(mainglobals().textFont)) << "the text defaults";
}

// Acceptance: new window with messages locked creates and opens the window and sends nothing.
TEST_F(NewTest, NewWindowWithMessagesLockedSendsNothing) {
  openlogged();
  desk first = current();
  mainglobals().lockMessages = 1;
  ASSERT_EQ(doline("new window"), 0);
  mainglobals().lockMessages = 0;
  EXPECT_EQ(current().window, first.window) << "the window current before the line is current after it";
  usenewestwindow();
  EXPECT_EQ(log(), "");
  EXPECT_EQ(global("opened").rfind("(no global", 0), 0u) << "no opening message either";
  EXPECT_EQ(current().windnum, 2u);
  EXPECT_TRUE(IsWindowVisible(current().window));
  EXPECT_EQ(cardvalue("the number of cards"), "1");
}

TEST_F(NewTest, NewWindowSendsItsMessagesAfterTheOpeningOnes) {
  openlogged();
  ASSERT_EQ(doline("new invisible window"), 0);
  EXPECT_EQ(log(), "newWindow newBackground newCard ");
  usenewestwindow();
  EXPECT_FALSE(IsWindowVisible(current().window));
  EXPECT_EQ(failing("new window 2"), 19);
}

// Acceptance: new menu "X" adds a book entry whose third word is getkey("X").
TEST_F(NewTest, NewMenuAddsABookEntryWithTheKeyOfItsName) {
  openlogged();
  ASSERT_EQ(doline("new menu \"X\""), 0);
  ASSERT_EQ(doline("new menu"), 0);
  EXPECT_EQ(log(), "newMenu newMenu ");
  RegistryId store = current().store;
  Handle lib = nilhandle;
  ASSERT_EQ(getvir(store, kMenuLibrary, &lib), 0);
  librec l = loadat<librec>(deref(lib));
  EXPECT_EQ(u32(l.entrycount), 2u);
  bookentry x{}, unnamed{};
  ASSERT_EQ(getbook(store, lib, 1, &x), 0);
  ASSERT_EQ(getbook(store, lib, 2, &unnamed), 0);
  u32 key = 0;
  getkey(pname("X"), &key);
  EXPECT_EQ(u32(x.word8), key);
  EXPECT_EQ(u32(unnamed.word8), 0u) << "the key of the empty name";
  ASSERT_EQ(putvir(store, kMenuLibrary), 0);

  EXPECT_EQ(failing("new menu \"Y\" 3"), 19);
}

TEST_F(NewTest, WordsThatAreNoKindAndWordsLeftOver) {
  openlogged();
  EXPECT_EQ(failing("new"), 2);
  EXPECT_EQ(failing("new thing"), 2);
  EXPECT_EQ(failing("new card 2"), 19);
  EXPECT_EQ(failing("new button now"), 19);
  EXPECT_EQ(cardcount(), 3u);
}

TEST_F(NewTest, WithNoProjectOpenThereIsNothingToAddTo) {
  EXPECT_EQ(failing("new card"), 104);
  EXPECT_EQ(failing("new button"), 104);
}

// Mend: a locked project or a full disk no longer lets new do nothing and succeed.
TEST_F(NewTest, ALockedProjectOrAFullDiskAnswersAnError) {
  openlogged();
  findprojectstore(current().store)->locked = 1;
  EXPECT_EQ(failing("new card"), kCannotWrite);
  EXPECT_EQ(failing("new button"), kCannotWrite);
  EXPECT_EQ(cardcount(), 3u);
  EXPECT_EQ(log(), "");
  findprojectstore(current().store)->locked = 0;

  setunattendedpolicy(UnattendedPolicy::usedefault);
  setfreespacemodel(1000);
  EXPECT_EQ(failing("new card"), 37);
  EXPECT_EQ(failing("new window"), 37);
  EXPECT_EQ(cardcount(), 3u);
  EXPECT_EQ(mainglobals().numwinds, 1);
  setfreespacemodel(std::nullopt);
  EXPECT_EQ(doline("new card"), 0);
  EXPECT_EQ(cardcount(), 4u);
}

TEST_F(NewTest, RefusedMemoryGives37) {
  openlogged();
  mainglobals().memplentiful = 0;
  setmemoryguardrefusal(true);
  EXPECT_EQ(failing("new card"), 37);
  setmemoryguardrefusal(false);
  EXPECT_EQ(cardcount(), 3u);
  // Allocations failing in turn inside new card and new background: store/allocsweep_test.cpp.
}

TEST_F(NewTest, WhileTheBackgroundIsEditedNewObjectsGoOnTheBackground) {
  openlogged();
  desk& d = mainglobals().current;
  d.backlayer = 1;
  putwind(d.window, d);
  i32 cards = i32(GetHandleSize(d.cardspots)), backs = i32(GetHandleSize(d.backspots));
  ASSERT_EQ(doline("new graphic"), 0);
  EXPECT_EQ(GetHandleSize(current().cardspots), cards);
  ASSERT_EQ(GetHandleSize(current().backspots), backs + i32(sizeof(spot)));
  spot g = HandleAs<spot>(current().backspots)[backs / i32(sizeof(spot))];
  EXPECT_EQ(u32(g.id), 100u);
  u16 changed = 0;
  ASSERT_EQ(testvir(current().store, i32(current().backrecid), &changed), 0);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(log(), "newGraphic ");
}

// --- Projects --------------------------------------------------------------------------------

// Acceptance: a fresh project holds 10 records: the head and four libraries, its window, the
// window library's rack, its background, its card and the card list's page; window ids start
// at 100.
TEST_F(NewTest, AFreshProjectHoldsTenRecords) {
  ASSERT_EQ(doline("new project \"" + path("fresh.kv45") + "\""), 0);
  ASSERT_NE(current().window, nilid);
  EXPECT_EQ(current().windbook, 100u);
  EXPECT_EQ(cardvalue("the number of cards"), "1");
  closeallwindows();

  EXPECT_EQ(verifystar(kBootVolume, dir, pname("fresh.kv45")), 1000);
  FInfo info{};
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, pname("fresh.kv45"), &info), noErr);
  EXPECT_EQ(info.fdType, kProjectType);
  EXPECT_EQ(info.fdCreator, kProjectCreator);
  RegistryId store = newprojectstore();
  ASSERT_EQ(openstar(kBootVolume, dir, pname("fresh.kv45"), store), 0);
  EXPECT_EQ(u32(findprojectstore(store)->header.idsissued), 10u);
  const u16 kinds[10] = {kindhead, kindlib,  kindlib,  kindlib,  kindlib,
                         kindwind, kindrack, kindback, kindcard, kindpage};
  OwnedHandle h(NewHandle(0));
  for (i32 id = 0; id < 10; ++id) {
    ASSERT_EQ(getstar(store, id, h), 0) << id;
    EXPECT_EQ(loadat<u16>(deref(h)), kinds[id]) << id;
  }
  EXPECT_EQ(closestar(store), 0);
  disposeprojectstore(store);
}

TEST_F(NewTest, TheNewProjectsHeadRecordHoldsThePaintResources) {
  ASSERT_EQ(doline("new project \"" + path("fresh.kv45") + "\""), 0);
  headrec head = loadat<headrec>(deref(current().head));
  Handle patterns = head.patterns;
  ASSERT_NE(patterns, nilhandle);
  EXPECT_EQ(loadat<u16>(deref(patterns)), 63) << "the count in host order";
  EXPECT_EQ(GetHandleSize(patterns), 2 + 63 * 8);
  EXPECT_EQ(std::memcmp(deref(patterns) + 2, "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8), 0) << "the first is black";
  ASSERT_EQ(GetHandleSize(head.brushes), 32);
  EXPECT_EQ(loadat<u16>(deref(head.brushes)), 0x0180) << "the disc's rows are host-order words";
  EXPECT_EQ(loadat<u16>(deref(head.brushes) + 14), 0xFFFF);
}

TEST_F(NewTest, HideAndShowExtensionMarkTheNewFile) {
  struct Case {
    const char* name;
    const char* words;
    bool hidden;
  };
  for (Case c :
       {Case{"h.kv45", " hide extension", true}, Case{"s.kv45", " show extension", false}, Case{"n.kv45", "", false}}) {
    ASSERT_EQ(doline("new project \"" + path(c.name) + "\"" + c.words), 0) << c.name;
    closeallwindows();
    bool hidden = !c.hidden;
    ASSERT_EQ(HGetExtensionHidden(kBootVolume, dir, pname(c.name), &hidden), noErr);
    EXPECT_EQ(hidden, c.hidden) << c.name;
  }
}

// Acceptance: new project onto a locked existing project file gives 44 and leaves the file.
TEST_F(NewTest, ANewProjectOntoALockedProjectFileGives44AndLeavesIt) {
  build(testproject::small(), "old.kv45");
  FInfo project{kProjectType, kProjectCreator, 0, {0, 0}, 0};
  ASSERT_EQ(HSetFInfo(kBootVolume, dir, pname("old.kv45"), &project), noErr);
  ASSERT_EQ(HSetFLock(kBootVolume, dir, pname("old.kv45")), noErr);
  std::string before = bytesof("old.kv45");
  EXPECT_EQ(failing("new project \"" + path("old.kv45") + "\""), 44);
  EXPECT_EQ(bytesof("old.kv45"), before);
  EXPECT_EQ(mainglobals().numwinds, 0);
  ASSERT_EQ(HRstFLock(kBootVolume, dir, pname("old.kv45")), noErr);
  // Unlocked, it is replaced by a fresh project.
  ASSERT_EQ(doline("new project \"" + path("old.kv45") + "\""), 0);
  EXPECT_EQ(cardvalue("the number of cards"), "1");
}

// Mend: a project file in use ends the command with 44 and creates nothing.
TEST_F(NewTest, ANewProjectOntoAFileInUseOrAnotherKindOfFileGives44) {
  openlogged();
  FInfo project{kProjectType, kProjectCreator, 0, {0, 0}, 0};
  ASSERT_EQ(HSetFInfo(kBootVolume, dir, pname("p.kv45"), &project), noErr);
  std::string before = bytesof("p.kv45");
  EXPECT_EQ(failing("new project \"" + path("p.kv45") + "\""), 44) << "the open project itself";
  EXPECT_EQ(bytesof("p.kv45"), before);
  EXPECT_EQ(mainglobals().numwinds, 1);
  ASSERT_EQ(HCreate(kBootVolume, dir, pname("notes.txt"), fourcc("ttxt"), fourcc("TEXT")), noErr);
  EXPECT_EQ(failing("new project \"" + path("notes.txt") + "\""), 44);
  u32 folder = 0;
  ASSERT_EQ(DirCreate(kBootVolume, dir, pname("sub"), &folder), noErr);
  EXPECT_EQ(failing("new project \"" + path("sub") + "\""), 44);
  EXPECT_EQ(failing("new project \"" + path("missing/p.kv45") + "\""), 44);
  EXPECT_EQ(failing("new project \"x\" 2"), 19);
  setfreespacemodel(20000);
  EXPECT_EQ(failing("new project \"" + path("small.kv45") + "\""), 44) << "a disk without room";
  setfreespacemodel(std::nullopt);
  FInfo info{};
  EXPECT_EQ(HGetFInfo(kBootVolume, dir, pname("small.kv45"), &info), fnfErr);
}

TEST_F(NewTest, ANewProjectSendsItsMessagesInOrder) {
  // The messages go to the new project's first card; the shared project's handlers see them.
  Project shared = testproject::small();
  shared.script = loghandlers();
  build(shared, "shared.kv45");
  form f{};
  f.wind = selpart{selnumber, 1, {}, 0};
  std::string p = path("shared.kv45");
  pstrassign(f.proj.name, 256, p.data(), p.size());
  ASSERT_EQ(openwindow(f, 1, 0), 0);
  clearglobals();
  ASSERT_EQ(doline("new invisible project \"" + path("n.kv45") + "\" hide extension"), 0);
  EXPECT_EQ(log(), "newProject newWindow newBackground newCard ");
  usenewestwindow();
  EXPECT_FALSE(IsWindowVisible(current().window));
  EXPECT_EQ(mainglobals().numwinds, 2);
  closeallwindows();
  MainGlobals& g = mainglobals();
  RegistryId s = g.sharedstore;
  ASSERT_EQ(putvir(s, 0), 0);
  g.sharedstore = nilid;
  g.sharedhead = nilhandle;
  dumpfile(s);
}

TEST_F(NewTest, WithoutANameTheSaveDialogAsks) {
  std::string err;
  ASSERT_TRUE(loadanswers("ask file: \"\"\n", &err)) << err;
  EXPECT_EQ(failing("new project"), 62);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(mainglobals().result)),
                        size_t(GetHandleSize(mainglobals().result))),
            "Cancel");
  int asked = 0;
  for (const std::string& line : transcriptlines())
    if (line == "dialog: ask file Save the project as: Untitled.kv45") ++asked;
  EXPECT_EQ(asked, 1);
  ASSERT_TRUE(loadanswers("ask file: " + path("asked.kv45") + "\n", &err)) << err;
  ASSERT_EQ(doline("new project show extension"), 0);
  for (const std::string& line : transcriptlines())
    if (line == "dialog: ask file Save the project as: Untitled.kv45 (show extension)") ++asked;
  EXPECT_EQ(asked, 2);
  closeallwindows();
  EXPECT_EQ(verifystar(kBootVolume, dir, pname("asked.kv45")), 1000);
}

TEST_F(NewTest, NewFolderMakesAFolderOrTellsWhyNot) {
  ASSERT_EQ(doline("new folder \"" + path("made") + "\""), 0);
  u32 made = 0;
  EXPECT_EQ(folderidofpath(path("made"), &made), noErr);
  ASSERT_EQ(doline("new folder \"" + path("made") + "\""), 0) << "the command itself succeeds";
  EXPECT_EQ(result(), "err = -48");
  EXPECT_EQ(failing("new folder"), 2);
  EXPECT_EQ(failing("new invisible folder \"x\""), 2);
  EXPECT_EQ(failing("new folder \"x\" 2"), 19);
}

// Acceptance: a project made entirely by the command line's requests (new project, then new
// card a hundred times and new button) closes, reopens with 101 cards and verifies.
TEST_F(NewTest, AProjectMadeByRequestsReopensWithAllItsCards) {
  std::string cards;
  for (int i = 0; i < 100; ++i) cards += "new card\n";
  std::string out, err;
  ASSERT_EQ(runrequests({{false, "new project \"" + path("made.kv45") + "\""}, {false, cards}, {false, "new button"}},
                        &out, &err),
            0)
      << err;
  closeallwindows();
  ASSERT_EQ(openprojectpath(path("made.kv45")), 0);
  EXPECT_EQ(cardvalue("the number of cards"), "101");
  EXPECT_EQ(loadat<windrec>(deref(current().wind)).pagecount, 2) << "100 and 1";
  ASSERT_EQ(doline("go last card"), 0);
  EXPECT_EQ(current().cardid, kFirstWindowItemId + 101);
  EXPECT_EQ(GetHandleSize(current().cardspots), i32(sizeof(spot))) << "the button";
  closeallwindows();
  EXPECT_EQ(verifystar(kBootVolume, dir, pname("made.kv45")), 1000);
}

// Ids of new objects.
class ObjectIdsTest : public RuntimeTest {
 protected:
  Handle list(std::initializer_list<u32> ids) {
    Handle h = NewHandle(0);
    for (u32 id : ids) {
      spot s{};
      s.id = id;
      PtrAndHand(&s, h, Size(sizeof s));
    }
    lists.push_back(h);
    return h;
  }
  void TearDown() override {
    for (Handle h : lists) DisposeHandle(h);
    RuntimeTest::TearDown();
  }
  std::vector<Handle> lists;
};

TEST_F(ObjectIdsTest, TheNextIdIsOneMoreThanTheLargestAndNeverBelow100) {
  EXPECT_EQ(uniqueid(list({5, 7}), 0), 100u);
  EXPECT_EQ(uniqueid(list({100, 250}), 0), 251u);
  EXPECT_EQ(uniqueid(list({250, 100}), 180), 180u) << "a free wanted id is kept";
  EXPECT_EQ(uniqueid(list({100, 250}), 250), 251u) << "a taken one is not";
  EXPECT_EQ(uniqueid(list({}), 0), 100u);
  EXPECT_EQ(uniqueid(nilhandle, 0), 100u);
  EXPECT_EQ(uniqueid(list({}), 7), 7u);
  EXPECT_EQ(uniqueid(list({0xFFFFFFFFu}), 0), 100u) << "ids compare as signed numbers";
}

TEST_F(ObjectIdsTest, AtTheLargestIdTheLowestFreeIdIsTaken) {
  EXPECT_EQ(uniqueid(list({u32(INT32_MAX), 100, 101, 103}), 0), 102u);
  EXPECT_EQ(uniqueid(list({u32(INT32_MAX), 5}), 0), 100u);
}

}  // namespace
}  // namespace kv
