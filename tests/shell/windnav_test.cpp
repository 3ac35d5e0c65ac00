// Opening windows of test projects headless, going between cards, closing, and the lookups
// that need open projects: what the desk holds, which messages the scripts get, and what the
// store keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/lookups.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "shell/cardhistory.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "system/windowkind.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Card;
using testproject::Object;
using testproject::Project;

class WindNavTest : public WindowTest {
 protected:
  // A global's text, empty when no handler made it.
  std::string globaltext(std::string_view name) {
    std::string v = global(name);
    return v.rfind("(no global", 0) == 0 ? "" : v;
  }
  static bool samedesk(const desk& a, const desk& b) { return std::memcmp(&a, &b, sizeof(desk)) == 0; }
  // The small project with a copy of its window as window 2, "Second".
  static Project twowindows() {
    Project p = testproject::small();
    p.windows.push_back(p.windows[0]);
    p.windows[1].name = "Second";
    return p;
  }
  // Opens the built project "p.kv45" as a store of its own and holds its library and the
  // record of its first window.
  void holdwindow(RegistryId* s, Handle* lib, bookentry* book, Handle* window) {
    *s = newprojectstore();
    Str255 name{};
    setpstring(name, "p.kv45");
    ASSERT_EQ(openvir(kBootVolume, dir, name, *s), 0);
    ASSERT_EQ(getvir(*s, 1, lib), 0);
    ASSERT_EQ(getbook(*s, *lib, 1, book), 0);
    ASSERT_EQ(getvir(*s, i32(book->recordid), window), 0);
  }
  // The word entry of a card of the current window.
  wordentry entry(u32 cardnum) {
    wordentry e{};
    EXPECT_EQ(getword(current().store, current().wind, i32(cardnum), &e), 0);
    return e;
  }
  // The text of background field `index` as the background's object list holds it now.
  std::string backfieldtext(i32 index) {
    spot s = HandleAs<spot>(current().backspots)[index];
    Handle data = s.data;
    Size size = GetHandleSize(data);
    u16 runs = loadat<u16>(deref(data));
    Size start = 2 + 20 * Size(runs);
    return std::string(reinterpret_cast<const char*>(deref(data)) + start, size_t(size - start - 14));
  }
};

// Acceptance: opening window 1 fills a desk with serial and change stamp from the use counter
// and tool 100; getwind and getflip find it; a null window gives 0.
TEST_F(WindNavTest, OpeningFillsTheDeskAndTheTable) {
  build(testproject::small());
  u64 before = mainglobals().usecounter;
  ASSERT_EQ(open(), 0);
  desk d = current();
  EXPECT_GT(d.serial, before);
  EXPECT_EQ(d.changestamp, d.serial);
  EXPECT_EQ(d.tool, kBrowseTool);
  EXPECT_EQ(d.cardid, testproject::kFirstCardId + 2);
  EXPECT_TRUE(IsWindowVisible(d.window));
  desk out{};
  ASSERT_EQ(getwind(d.window, &out), 1);
  EXPECT_TRUE(samedesk(out, d));
  out = desk{};
  ASSERT_EQ(getflip(d.serial, &out), 1);
  EXPECT_TRUE(samedesk(out, d));
  desk untouched{};
  untouched.cardnum = 9;
  EXPECT_EQ(getwind(nilid, &untouched), 0);
  EXPECT_EQ(untouched.cardnum, 9u);
  EXPECT_EQ(globaltext("opened"), "projectwindowplainone");
  EXPECT_EQ(cardvalue("the number of cards"), "3");
  EXPECT_EQ(backfieldtext(0), "First") << "the background field shows the card's own text";
}

// Acceptance: go next from the last card goes to card 1, and the desk follows; go card 3 of a
// 2-card window leaves the desk as it was and answers an error.
TEST_F(WindNavTest, GoNextFromTheLastCardWrapsToTheFirst) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(doline("go last card"), 0);
  EXPECT_EQ(current().cardnum, 3u);
  EXPECT_EQ(current().backid, testproject::kFirstCardId + 1);
  clearglobals();
  u64 stamp = current().changestamp;
  ASSERT_EQ(doline("go next"), 0);
  desk d = current();
  EXPECT_EQ(d.cardnum, 1u);
  EXPECT_EQ(d.backid, u32(entry(1).backid));
  EXPECT_EQ(d.cardspots, Handle(loadat<cardrec>(deref(d.card)).objects));
  EXPECT_NE(d.changestamp, stamp);
  desk table{};
  ASSERT_EQ(getwind(d.window, &table), 1);
  EXPECT_TRUE(samedesk(table, d)) << "the table keeps the new card";
  EXPECT_EQ(globaltext("opened"), "plainone");
}

TEST_F(WindNavTest, GoingPastTheLastCardLeavesTheDeskAsItWas) {
  Project p = testproject::small();
  p.windows[0].cards.pop_back();
  build(p);
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(doline("go card 2"), 0);
  desk before = current();
  clearglobals();
  for (int i = 0; i < 3; ++i) queueanswer(Answer{"alert", "Cancel", {}});  // each failed line's alert
  EXPECT_EQ(doline("go card 3"), 51);
  EXPECT_TRUE(samedesk(current(), before));
  EXPECT_EQ(globaltext("opened"), "") << "no message for a card that is not there";
  EXPECT_EQ(doline("go card \"Nine\""), 51);
  EXPECT_EQ(doline("go card id 5"), 51);
  EXPECT_TRUE(samedesk(current(), before));
}

TEST_F(WindNavTest, CardFormsFindTheirCards) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  struct Case {
    const char* line;
    u32 card;
  } cases[] = {{"go card \"Three\"", 3}, {"go to card id 103", 2}, {"go first card", 1}, {"go prev", 3},
               {"go previous card", 2},  {"go middle card", 2},    {"go card 1", 1},     {"go third", 3},
               {"go this card", 3},      {"go card \"two\"", 2}};
  for (const Case& c : cases) {
    ASSERT_EQ(doline(c.line), 0) << c.line;
    EXPECT_EQ(current().cardnum, c.card) << c.line;
  }
  ASSERT_EQ(doline("go any card"), 0);
  EXPECT_GE(current().cardnum, 1u);
  EXPECT_LE(current().cardnum, 3u);
  queueanswer(Answer{"alert", "Cancel", {}});  // each failed line shows the error alert
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("go card 1 now"), 19);
  EXPECT_EQ(doline("go"), 2);
}

TEST_F(WindNavTest, BackgroundFieldsShowEachCardsText) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  clearglobals();
  ASSERT_EQ(doline("go card 1"), 0);
  EXPECT_EQ(globaltext("opened"), "") << "going to the shown card sends nothing";
  ASSERT_EQ(doline("go next"), 0);
  EXPECT_EQ(backfieldtext(0), "Second");
  clearglobals();
  ASSERT_EQ(doline("go prev"), 0);
  EXPECT_EQ(backfieldtext(0), "First");
  EXPECT_EQ(globaltext("opened"), "one") << "the same background: only openCard";
  clearglobals();
  mainglobals().lockMessages = 1;
  ASSERT_EQ(doline("go last"), 0);
  EXPECT_EQ(current().cardnum, 3u);
  EXPECT_EQ(globaltext("opened"), "") << "locked messages are not sent";
  mainglobals().lockMessages = 0;
}

// A background field's text changed on a card is kept by that card, in memory and on disk.
TEST_F(WindNavTest, ABackgroundTextChangedOnACardStaysWithIt) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  spot title = HandleAs<spot>(current().backspots)[0];
  Handle data = title.data;
  const char edited[] = "Edited";
  Size tail = 14, start = 2;
  Munger(data, i32(start), nullptr, i32(GetHandleSize(data) - start - tail), edited, 6);
  ASSERT_EQ(backfieldtext(0), "Edited");
  ASSERT_EQ(doline("go next"), 0);
  EXPECT_EQ(backfieldtext(0), "Second");
  ASSERT_EQ(doline("go prev"), 0);
  EXPECT_EQ(backfieldtext(0), "Edited");
  ASSERT_EQ(doline("go next"), 0);
  closeallwindows();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(backfieldtext(0), "Edited") << "written to the project";
}

TEST_F(WindNavTest, ACloseCardHandlerThatGoesElsewhereStopsTheGo) {
  Project p = testproject::small();
  p.windows[0].cards[0].script =
      "on closeCard\n  global moved\n  if moved is empty then\n    put 1 into moved\n    go card 3\n  end if\nend closeCard";
  build(p);
  ASSERT_EQ(open(), 0);
  form f{};
  f.card = selpart{selnumber, 2, {}, 0};
  EXPECT_EQ(gotowindow(f), kCardChanged);
  EXPECT_EQ(current().cardnum, 3u) << "the handler's card stays; card 2 is not shown";
  clearglobals();
  ASSERT_EQ(doline("go card 1"), 0);
  ASSERT_EQ(doline("go card 2"), 0) << "comgo answers 0 for a go that a handler overtook";
  EXPECT_EQ(current().cardnum, 3u);
}


TEST_F(WindNavTest, RecentCardIsTheCardBefore) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  Str255 recent{};
  getrecent(recent);
  EXPECT_EQ(recent[0], 0) << "one card visited";
  ASSERT_EQ(doline("go next"), 0);
  ASSERT_EQ(doline("go card 2"), 0);
  getrecent(recent);
  std::string text(pstringview(recent));
  EXPECT_EQ(text.rfind("card ID 102 of window ID 100 of project \"", 0), 0u) << text;
  EXPECT_NE(text.find("/p.kv45\""), std::string::npos) << text;
}

TEST_F(WindNavTest, TheFirstWindowAtStartUpGetsStartUpFirst) {
  Project p = testproject::small();
  p.script = "on startUp\n  global opened\n  put \"start\" after opened\nend startUp";
  build(p);
  mainglobals().startupword = 1;
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(globaltext("opened"), "startwindowplainone");
  EXPECT_EQ(mainglobals().startupword, 0);
}

TEST_F(WindNavTest, HiddenWindowsStayHidden) {
  build(testproject::small());
  ASSERT_EQ(open("p.kv45", 1, 1), 0);
  EXPECT_FALSE(IsWindowVisible(current().window));
  EXPECT_EQ(current().tool, kBrowseTool);
}

TEST_F(WindNavTest, TheSecondWindowOfAProjectGetsNoOpenProject) {
  Project p = twowindows();
  p.windows[1].script = "on openWindow\n  global opened\n  put \"second\" after opened\nend openWindow";
  build(p);
  ASSERT_EQ(open(), 0);
  desk first = current();
  clearglobals();
  ASSERT_EQ(open("p.kv45", 2), 0);
  EXPECT_EQ(globaltext("opened"), "secondplainone");
  EXPECT_EQ(mainglobals().numwinds, 2);
  EXPECT_EQ(totwind(first.store), 2);
  EXPECT_EQ(current().store, first.store);
  EXPECT_NE(current().serial, first.serial);
  // Opening the first again makes it current without a new window.
  clearglobals();
  ASSERT_EQ(open("p.kv45", 1), 0);
  EXPECT_EQ(current().window, first.window);
  EXPECT_EQ(mainglobals().numwinds, 2);
  EXPECT_EQ(globaltext("opened"), "");
}

TEST_F(WindNavTest, ClosingSendsTheClosingMessagesAndClosesTheProject) {
  Project p = testproject::small();
  p.script = "on closeProject\n  global closed\n  put \"project\" after closed\nend closeProject";
  p.windows[0].script = "on closeWindow\n  global closed\n  put \"window\" after closed\nend closeWindow";
  p.windows[0].cards[0].script = "on closeCard\n  global closed\n  put \"card\" after closed\nend closeCard";
  build(p);
  ASSERT_EQ(open(), 0);
  WindowRef w = current().window;
  ASSERT_EQ(closefirst(), 0);
  EXPECT_EQ(globaltext("closed"), "cardwindowproject");
  dumpcurrent();
  EXPECT_EQ(mainglobals().numwinds, 0);
  EXPECT_FALSE(IsValidWindowPtr(w));
  EXPECT_EQ(mainglobals().openprojects, nilid) << "the project closed with its last window";
  EXPECT_EQ(current().store, nilid);
}

// Mend: when the window table cannot grow the opening fails with 37 and leaves nothing open.
TEST_F(WindNavTest, OpeningFailsWith37WhenTheTableCannotGrow) {
  build(testproject::small());
  MainGlobals& g = mainglobals();
  Handle table = g.winds;
  g.winds = nilhandle;
  EXPECT_EQ(open(), 37);
  g.winds = table;
  EXPECT_EQ(g.numwinds, 0);
  EXPECT_EQ(windowcount(), 0u);
  EXPECT_EQ(g.openprojects, nilid);
  EXPECT_EQ(g.current.window, nilid);
  ASSERT_EQ(open(), 0) << "and a later opening works";
}

TEST_F(WindNavTest, AMissingProjectOrWindowIsAnError) {
  build(testproject::small());
  EXPECT_EQ(open("none.kv45"), 62);
  EXPECT_EQ(open("p.kv45", 2), 61);
  EXPECT_EQ(mainglobals().openprojects, nilid) << "a project opened only to fail is closed again";
}

// Acceptance: backgrounds are numbered by first appearance; a missing one gives 60.
TEST_F(WindNavTest, BackgroundsAreNumberedByFirstAppearance) {
  Project p;
  testproject::Window w;
  w.backgrounds = {{"A", "", {}}, {"B", "", {}}, {"C", "", {}}, {"D", "", {}}};
  for (size_t b : {0, 0, 2, 0, 1, 2}) w.cards.push_back(Card{"", "", b, {}, {}});
  p.windows.push_back(w);
  build(p);
  ASSERT_EQ(open(), 0);
  const desk& d = current();
  auto number = [&](u32 cardnum) {
    u32 n = 0;
    EXPECT_EQ(backidtobacknum(d.store, d.wind, entry(cardnum).backrecord, &n), 0);
    return n;
  };
  EXPECT_EQ(number(1), 1u) << "A";
  EXPECT_EQ(number(3), 2u) << "C comes second";
  EXPECT_EQ(number(5), 3u) << "B third";
  u32 n = 77;
  EXPECT_EQ(backidtobacknum(d.store, d.wind, 9999, &n), 60);
  EXPECT_EQ(n, 77u);
  ASSERT_EQ(doline("go card 5"), 0);
  EXPECT_EQ(current().backid, testproject::kFirstCardId + 1) << "B's id";

  // Cards of one background, in card order.
  auto resolve = [&](selpart back, selpart card) {
    form f{};
    f.back = back;
    f.card = card;
    RegistryId store = nilid;
    i32 cardnum = 0, windnum = 0;
    i16 st = formtonums(f, &store, &cardnum, &windnum, 0);
    return st != 0 ? -st : cardnum;
  };
  selpart none{};
  EXPECT_EQ(resolve({selnumber, 2, {}, 0}, {selnumber, 2, {}, 0}), 6) << "the second card of C";
  EXPECT_EQ(resolve({selnumber, 1, {}, 0}, {selnext, 4, {}, 0}), 1) << "after card 4 A comes back at 1";
  EXPECT_EQ(resolve({selnumber, 1, {}, 0}, {selprev, 1, {}, 0}), 4);
  EXPECT_EQ(resolve({selid, 101, {}, 0}, {sellast, 0, {}, 0}), 5) << "B by id";
  selpart b{selname, 0, {}, 0};
  setpstring(b.name, "b");
  EXPECT_EQ(resolve(b, none), 5) << "B by name: its first card is shown";
  EXPECT_EQ(resolve({selnumber, 9, {}, 0}, none), -60);
  EXPECT_EQ(resolve({selnumber, 1, {}, 0}, {selnumber, 4, {}, 0}), -51) << "A has three cards";
  EXPECT_EQ(resolve({selnumber, kThisCard, {}, 0}, none), 5) << "this background: the card shown";
}

// Acceptance: dumpfile keeps the shared project open, and any store with held records.
TEST_F(WindNavTest, DumpfileKeepsStoresThatAreStillInUse) {
  build(testproject::small());
  auto openstore = [&]() {
    RegistryId s = newprojectstore();
    Str255 name{};
    setpstring(name, "p.kv45");
    EXPECT_EQ(openvir(kBootVolume, dir, name, s), 0);
    return s;
  };
  RegistryId s = openstore();
  Handle head = nilhandle;
  ASSERT_EQ(getvir(s, 0, &head), 0);
  dumpfile(s);
  ASSERT_NE(findprojectstore(s), nullptr) << "a held record keeps it open";
  ASSERT_EQ(putvir(s, 0), 0);
  mainglobals().sharedstore = s;
  dumpfile(s);
  ASSERT_NE(findprojectstore(s), nullptr) << "the shared project stays open";
  mainglobals().sharedstore = nilid;
  dumpfile(s);
  EXPECT_EQ(findprojectstore(s), nullptr);
  EXPECT_EQ(mainglobals().openprojects, nilid);
}

TEST_F(WindNavTest, CompactKeepsTheCards) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(doline("go card 2"), 0);
  queueanswer(Answer{"alert", "Cancel", {}});  // the error alert of the failed line
  EXPECT_EQ(doline("compact now"), 19);
  ASSERT_EQ(doline("compact"), 0);
  closeallwindows();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("the number of cards"), "3");
  ASSERT_EQ(doline("go card \"Three\""), 0);
  EXPECT_EQ(current().cardnum, 3u);
  ASSERT_EQ(doline("go card \"Two\""), 0);
  EXPECT_EQ(backfieldtext(0), "Second");
}

// Going to another window of the project: the current window sends its closing messages
// and the other takes its place.
TEST_F(WindNavTest, GoingToAnotherWindowReplacesTheCurrentOne) {
  Project p = twowindows();
  p.windows[0].script = "on closeWindow\n  global closed\n  put \"main\" after closed\nend closeWindow";
  build(p);
  ASSERT_EQ(open(), 0);
  desk first = current();
  clearglobals();
  form f{};
  f.wind = selpart{selnumber, 2, {}, 0};
  f.card = selpart{selnumber, 3, {}, 0};
  ASSERT_EQ(gotowindow(f), 0);
  EXPECT_EQ(current().windnum, 2u);
  EXPECT_EQ(current().cardnum, 3u);
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_FALSE(IsValidWindowPtr(first.window));
  EXPECT_EQ(globaltext("closed"), "main");
  EXPECT_EQ(globaltext("opened"), "windowfancythree") << "no openProject within the project";
  ASSERT_EQ(doline("go prev"), 0);
  EXPECT_EQ(current().cardnum, 2u);
}

TEST_F(WindNavTest, GoingToAnotherProjectClosesThisOne) {
  Project p = testproject::small();
  p.script = "on closeProject\n  global closed\n  put \"p\" after closed\nend closeProject";
  build(p);
  build(testproject::small(), "q.kv45");
  ASSERT_EQ(open(), 0);
  RegistryId first = current().store;
  clearglobals();
  form f{};
  std::string path = home->path() + "/q.kv45";
  pstrassign(f.proj.name, 256, path.data(), path.size());
  ASSERT_EQ(gotowindow(f), 0);
  EXPECT_NE(current().store, first);
  EXPECT_EQ(findprojectstore(first), nullptr) << "p closed with its window";
  EXPECT_EQ(globaltext("closed"), "p");
  EXPECT_EQ(globaltext("opened"), "projectwindowplainone");
  EXPECT_EQ(mainglobals().numwinds, 1);
}

// `go` names the card of another window, of a background, or of a project by `of` parts.
TEST_F(WindNavTest, GoTakesTheCardOfAWindowBackgroundOrProject) {
  build(twowindows());
  build(testproject::small(), "q.kv45");
  ASSERT_EQ(open(), 0);
  RegistryId first = current().store;
  ASSERT_EQ(doline("go card 3 of window \"Second\""), 0);
  EXPECT_EQ(current().windnum, 2u);
  EXPECT_EQ(current().cardnum, 3u);
  ASSERT_EQ(doline("go to first card of window 1"), 0);
  EXPECT_EQ(current().windnum, 1u);
  EXPECT_EQ(current().cardnum, 1u);
  ASSERT_EQ(doline("go card 1 of background \"Fancy\""), 0);
  EXPECT_EQ(current().cardnum, 3u);
  ASSERT_EQ(doline("go card \"Two\" of background 1 of window \"Main\""), 0);
  EXPECT_EQ(current().cardnum, 2u);
  ASSERT_EQ(doline("go card 2 of window 1 of project \"" + home->path() + "/q.kv45\""), 0);
  EXPECT_NE(current().store, first);
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(cardvalue("field 1"), "Second");
}

TEST_F(WindNavTest, GoOfAMissingWindowOrBadPartsLeavesTheWindow) {
  build(twowindows());
  ASSERT_EQ(open(), 0);
  desk before = current();
  for (int i = 0; i < 4; ++i) queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("go card 1 of window 9"), 61);
  EXPECT_EQ(doline("go card 9 of window 2"), 51);
  EXPECT_EQ(doline("go card 1 of card 2"), 19);
  EXPECT_EQ(doline("go card 1 of window 2 now"), 19);
  EXPECT_TRUE(samedesk(current(), before));
  form f{};
  setpstring(f.proj.name, "/no/such/folder/x.kv45");
  EXPECT_EQ(gotowindow(f), 62) << "a missing project";
  EXPECT_TRUE(samedesk(current(), before));
}



// A card list that names a record the file does not have is a fatal error once the project
// is open: it says what could not be read, and the file is left as it was.
TEST_F(WindNavTest, AMissingCardListRecordIsAFatalErrorNamingTheCard) {
  build(testproject::small());
  RegistryId s = nilid;
  Handle lib = nilhandle, window = nilhandle;
  bookentry book{};
  ASSERT_NO_FATAL_FAILURE(holdwindow(&s, &lib, &book, &window));
  pageref page = loadat<pageref>(deref(window) + sizeof(windrec));
  page.recordid = 9999;
  storeat<pageref>(deref(window) + sizeof(windrec), page);
  ASSERT_EQ(changevir(s, i32(book.recordid)), 0);
  ASSERT_EQ(putvir(s, i32(book.recordid)), 0);
  ASSERT_EQ(putvir(s, 1), 0);
  ASSERT_EQ(closevir(s), 0);

  std::string path = home->path() + "/p.kv45";
  auto bytes = [&path]() {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  std::string before = bytes();
  setexithook([](int, const std::string&) {});
  try {
    open();
    ADD_FAILURE() << "the project opened";
  } catch (const ProcessExit& x) {
    EXPECT_EQ(x.status, kExitFailure);
    EXPECT_EQ(x.reason,
              "fatal error 100: A record of the project file is missing: card 1 of window \"Main\" could not be read.");
  }
  setexithook({});
  // The process would end here; the test closes what the open left.
  closeallwindows();
  for (RegistryId p = mainglobals().openprojects; p != nilid; p = mainglobals().openprojects) ASSERT_EQ(closevir(p), 0);
  EXPECT_EQ(bytes(), before);
}

// A project whose entries name records of the wrong kind opens with an error, not a crash.
TEST_F(WindNavTest, EntriesNamingRecordsOfTheWrongKindAreADamagedProject) {
  build(testproject::small());
  RegistryId s = nilid;
  Handle lib = nilhandle, window = nilhandle;
  bookentry book{};
  ASSERT_NO_FATAL_FAILURE(holdwindow(&s, &lib, &book, &window));
  wordentry word{};
  ASSERT_EQ(getword(s, window, 2, &word), 0);
  u32 windowid = book.recordid;
  word.cardrecord = windowid;  // card 2 names the window record
  ASSERT_EQ(putword(s, window, 2, word), 0);
  ASSERT_EQ(putvir(s, i32(windowid)), 0);
  ASSERT_EQ(putvir(s, 1), 0);
  ASSERT_EQ(closevir(s), 0);

  ASSERT_EQ(open(), 0);
  desk before = current();
  queueanswer(Answer{"alert", "Cancel", {}});  // the failed line's error alert
  EXPECT_EQ(doline("go card 2"), kDamagedProject);
  EXPECT_TRUE(samedesk(current(), before));
  ASSERT_EQ(doline("go card 3"), 0);
  form f{};
  f.card = selpart{selnumber, 2, {}, 0};
  EXPECT_EQ(openwindow(f, 0, 0), kDamagedProject);
  closeallwindows();
  EXPECT_EQ(mainglobals().openprojects, nilid);

  // The window list names a card record as the window.
  s = newprojectstore();
  Str255 name{};
  setpstring(name, "p.kv45");
  ASSERT_EQ(openvir(kBootVolume, dir, name, s), 0);
  ASSERT_EQ(getvir(s, 1, &lib), 0);
  book.recordid = word.backrecord;
  ASSERT_EQ(putbook(s, lib, 1, book), 0);
  ASSERT_EQ(changevir(s, 1), 0);
  ASSERT_EQ(putvir(s, 1), 0);
  ASSERT_EQ(closevir(s), 0);
  EXPECT_EQ(open(), kDamagedProject);
  EXPECT_EQ(mainglobals().openprojects, nilid);
  EXPECT_EQ(windowcount(), 0u);
}

}  // namespace
}  // namespace kv
