// Object references read from script words in the context of an open project window: which
// object each phrase names, the errors of phrases that name nothing, what the descriptor holds
// and what releasing it writes back and leaves held.
#include <gtest/gtest.h>

#include <string>

#include "engine/lookups.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "store/refparse.h"
#include "store/reftexts.h"
#include "tests/store/reftestsupport.h"

namespace kv {
namespace {

TEST_F(ReferenceTest, FieldsAreBackgroundFieldsAndButtonsCardButtonsByDefault) {
  openmain();
  objread obj{};
  expectref("field 1", [&](auto& o) {
    EXPECT_EQ(o.kind, objpart);
    EXPECT_EQ(o.objects, current().backspots);
    EXPECT_EQ(o.ownerrecid, current().backrecid);
    EXPECT_EQ(spotname(o), "Title");
  });

  expectref("button 1", [&](auto& o) {
    EXPECT_EQ(o.objects, current().cardspots);
    EXPECT_EQ(o.ownerrecid, current().cardrecid);
    EXPECT_EQ(spotname(o), "Go");
  });

  expectref("card field 1", [&](auto& o) {
    EXPECT_EQ(o.objects, current().cardspots);
    EXPECT_EQ(spotname(o), "Notes");
  });

  expectref("background button 1", [&](auto& o) {
    EXPECT_EQ(o.objects, current().backspots);
    EXPECT_EQ(spotname(o), "Bk");
  });

  ASSERT_EQ(read("bkgnd graphic 1", &obj), 11) << "the background has no graphic";
  EXPECT_EQ(cardvalue("field 1"), "first title");
  EXPECT_EQ(cardvalue("card field 1"), "one notes");
  EXPECT_EQ(cardvalue("card field \"Notes\""), "one notes");
  EXPECT_EQ(cardvalue("first card field"), "one notes");
}

TEST_F(ReferenceTest, OrdinalsAndTheLeadingThe) {
  openmain();
  EXPECT_EQ(partname("the last card button"), "b13");
  EXPECT_EQ(partname("last card button"), "b13");
  EXPECT_EQ(partname("the first button"), "Go");
  EXPECT_EQ(partname("third card part"), "Notes") << "parts count buttons, fields and graphics";
  EXPECT_EQ(partname("the middle card button"), "b7") << "14 buttons: the 8th";
  objread obj{};
  EXPECT_EQ(read("the any button", &obj), 2) << "`the` does not go with any";
  EXPECT_EQ(read("next button", &obj), 2);
  EXPECT_EQ(read("bogus 1", &obj), 2);
  EXPECT_EQ(read("button", &obj), 3) << "an object part always takes an operand";
}

TEST_F(ReferenceTest, NextCardFromTheLastCardIsTheFirst) {
  openmain();
  ASSERT_EQ(doline("go card 10"), 0);
  EXPECT_EQ(cardnumber("next card"), 1u);
  EXPECT_EQ(cardnumber("the next card"), 1u);
  EXPECT_EQ(cardnumber("prev card"), 9u);
  ASSERT_EQ(doline("go card 1"), 0);
  EXPECT_EQ(cardnumber("prev card"), 10u);
  EXPECT_EQ(cardnumber("this card"), 1u);
  EXPECT_EQ(cardnumber("card"), 1u) << "a card part alone is the current card";
}

TEST_F(ReferenceTest, PrevWindowFromWindowOneIsTheLastWindow) {
  openmain();
  expectref("prev window", [&](auto& o) {
    EXPECT_EQ(o.kind, objwindow);
    EXPECT_EQ(o.d.windnum, 3u);
    EXPECT_EQ(o.d.windbook, testproject::kFirstWindowId + 2);
  });
  expectref("next window", [&](auto& o) { EXPECT_EQ(o.d.windnum, 2u); });
  expectref("window \"Five\"", [&](auto& o) { EXPECT_EQ(o.d.windnum, 3u); });
  expectref("this window", [&](auto& o) { EXPECT_EQ(o.d.window, current().window) << "the open window's own desk"; });
}

TEST_F(ReferenceTest, NumbersOutsideTheListsFail) {
  openmain();
  objread obj{};
  EXPECT_EQ(read("card 0", &obj), 51);
  EXPECT_EQ(read("card 999", &obj), 51);
  EXPECT_EQ(read("card 11", &obj), 51) << "ten cards";
  EXPECT_EQ(read("window 0", &obj), 61);
  EXPECT_EQ(read("window 4", &obj), 61);
  EXPECT_EQ(read("menu 0", &obj), 63);
  EXPECT_EQ(read("menu 3", &obj), 63);
  EXPECT_EQ(read("menu \"View\"", &obj), 63);
  EXPECT_EQ(read("card \"Nowhere\"", &obj), 51);
  EXPECT_EQ(read("card id 99", &obj), 51);
  EXPECT_EQ(read("background 4", &obj), 60);
  EXPECT_EQ(read("card button 99", &obj), 11);
  EXPECT_EQ(read("card 1 of window 2 of project \"nowhere.kv45\"", &obj), 62);
  EXPECT_EQ(openprojects(), 1u);
  // The same through scripts.
  EXPECT_EQ(cardvalue("field 1 of card 0"), "error 51");
  EXPECT_EQ(cardvalue("field 1 of card 999"), "error 51");
  EXPECT_EQ(cardvalue("field 1 of card 1 of window 0"), "error 61");
  EXPECT_EQ(cardvalue("there is a menu 0"), "false");
  EXPECT_EQ(cardvalue("there is a window 0"), "false");
}

TEST_F(ReferenceTest, TheMiddleCardOfFourIsCardThree) {
  openmain();
  expectref("the middle card of window 2", [&](auto& o) {
    EXPECT_EQ(o.d.cardnum, 3u);
    EXPECT_EQ(o.d.windnum, 2u);
  });
  expectref("middle card of window \"Five\"", [&](auto& o) { EXPECT_EQ(o.d.cardnum, 3u) << "five cards: 5 / 2 + 1"; });
  expectref("last card of window 2", [&](auto& o) { EXPECT_EQ(o.d.cardnum, 4u); });
}

TEST_F(ReferenceTest, ACardOfABackgroundCountsOnlyItsCards) {
  openmain();
  // Backgrounds in card order: Plain (cards 1, 2, 5, 9, 10), Fancy (3, 8), Third (4, 6, 7).
  EXPECT_EQ(cardnumber("card 2 of background 3"), 6u);
  EXPECT_EQ(cardnumber("card 1 of background \"Fancy\""), 3u);
  EXPECT_EQ(cardnumber("last card of bkgnd 2"), 8u);
  EXPECT_EQ(cardnumber("card 2 of background 1"), 2u);
  EXPECT_EQ(cardnumber("card 3 of background 1"), 5u);
  objread obj{};
  EXPECT_EQ(read("card 4 of background 3", &obj), 51);
  expectref("card 2", [&](auto& o) { EXPECT_EQ(o.d.cardnum, 2u) << "without a background, card 2 of the window"; });
  expectref("background 3", [&](auto& o) {
    EXPECT_EQ(o.d.backid, testproject::kFirstCardId + 2);
    EXPECT_EQ(o.d.cardnum, 4u) << "a background is read through its first card";
  });
}

TEST_F(ReferenceTest, AQuotedNumberSelectsByNumber) {
  openmain();
  ASSERT_EQ(doline("go card 2"), 0);
  EXPECT_EQ(partname("button \"12\""), "b12") << "button 3 is named 12, but a number selects by number";
  EXPECT_EQ(partname("button 12"), "b12");
  EXPECT_EQ(partname("button \"b5\""), "b5");
  EXPECT_EQ(partname("card button \"B5\""), "b5") << "names compare without case";
  EXPECT_EQ(cardvalue("there is a button \" 12 \""), "true") << "blanks around a number";
}

TEST_F(ReferenceTest, IdsAndNamesOfEveryKind) {
  openmain();
  EXPECT_EQ(partname("button id " + std::to_string(goid())), "Go");
  EXPECT_EQ(cardnumber("card id " + std::to_string(testproject::kFirstCardId + 7)), 5u);
  EXPECT_EQ(cardnumber("card \"Eight\""), 8u);
  EXPECT_EQ(cardnumber("card \"eight\" of window \"main\""), 8u);
  expectref("window id " + std::to_string(testproject::kFirstWindowId + 1),
            [&](auto& o) { EXPECT_EQ(o.d.windnum, 2u); });
  i32 used = 0;
  expectref(
      "card id 103 + 4",
      [&](auto& o) {  // the operand is one factor
        EXPECT_EQ(used, 3);
        EXPECT_EQ(o.d.cardnum, 1u);
      },
      &used);
}

// Mended: the type filter `part` matches objects of every type in id and name lookups too.
TEST_F(ReferenceTest, PartByIdAndByNameMatchesEveryType) {
  openmain();
  EXPECT_EQ(partname("card part id " + std::to_string(goid())), "Go");
  EXPECT_EQ(partname("card part \"Notes\""), "Notes");
  EXPECT_EQ(partname("part \"Go\""), "Go");
  EXPECT_EQ(partname("bkgnd part \"Title\""), "Title");
  EXPECT_EQ(cardvalue("there is a card part \"Notes\""), "true");
  objread obj{};
  EXPECT_EQ(read("card part \"Nothing\"", &obj), 11);
}

TEST_F(ReferenceTest, ThereIsAnObject) {
  openmain();
  EXPECT_EQ(cardvalue("there is a card button 99"), "false");
  EXPECT_EQ(cardvalue("there is a card 11"), "false");
  EXPECT_EQ(cardvalue("there is a card 10"), "true");
  EXPECT_EQ(cardvalue("there is not a card 11"), "true");
  EXPECT_EQ(cardvalue("there is a card button 1"), "true");
  EXPECT_EQ(cardvalue("there is an item 2 of menu \"File\""), "true");
  EXPECT_EQ(cardvalue("there is a menu 3"), "false");
  EXPECT_EQ(cardvalue("there is a window \"Five\""), "true");
  EXPECT_EQ(cardvalue("there is a card 11 or 1 = 1"), "true") << "the reference ends where it ends";
  EXPECT_EQ(cardvalue("there is a bogus and true"), "false");
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(fn("if there is a card 11 then\n  return 1\nelse\n  return 2\nend if"), "2");
  EXPECT_EQ(fn("if there is a card 3 then return \"yes\""), "yes");
}

TEST_F(ReferenceTest, FieldContentsOfOtherCards) {
  openmain();
  EXPECT_EQ(cardvalue("field 1 of card 2"), "second title");
  EXPECT_EQ(cardvalue("card field 1 of card \"Eight\""), "");
  EXPECT_EQ(cardvalue("field \"T3\" of card 4"), "third text");
  EXPECT_EQ(cardvalue("field 1 of card 3 of window \"Five\""), "five 3");
  EXPECT_EQ(cardvalue("field 1"), "first title") << "the shown card keeps its own text";
  EXPECT_EQ(backfieldtext(0), "first title");
}

// Acceptance: a card its window does not show, read and released, leaves the window's
// background fields with their own card's texts.
TEST_F(ReferenceTest, AnotherCardOfTheShownBackgroundLeavesTheWindowsTexts) {
  openmain();
  expectref("card 2", [&](auto& o) {
    EXPECT_NE(o.d.card, current().card);
    EXPECT_EQ(o.d.back, current().back) << "the same background record";
    EXPECT_EQ(backfieldtext(0), "second title") << "while it is read, the background holds card 2's texts";
    EXPECT_EQ(o.d.window, nilid);
    EXPECT_EQ(o.d.tool, kBrowseTool);
  });
  EXPECT_EQ(backfieldtext(0), "first title");
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(cardvalue("field 1 of card 2"), "second title") << "card 2 keeps its own text";
  // A text the window's field holds but its card does not keep yet survives the reference.
  expectref("field 1", [&](auto& o) { setspottext(o, "edited in the window"); });
  EXPECT_EQ(cardvalue("field 1 of card 10"), "untitled") << "the field's text where a card gives none";
  EXPECT_EQ(backfieldtext(0), "edited in the window");
  EXPECT_EQ(cardvalue("field 1"), "edited in the window");
}

TEST_F(ReferenceTest, ChangesThroughADescriptorAreWrittenBack) {
  openmain();
  expectref("card field 1 of card 5", [&](auto& o) {
    setspottext(o, "changed notes");
    ASSERT_EQ(changevir(o.d.store, i32(o.ownerrecid)), 0);
  });
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(cardvalue("card field 1 of card 5"), "changed notes");
  // Background field text through a card the window does not show.
  expectref("field 1 of card 9", [&](auto& o) { setspottext(o, "ninth title"); });
  EXPECT_EQ(cardvalue("field 1 of card 9"), "ninth title");
  EXPECT_EQ(cardvalue("field 1"), "first title");
  closeall();
  // Read again from the file.
  openmain();
  EXPECT_EQ(cardvalue("card field 1 of card 5"), "changed notes");
  EXPECT_EQ(cardvalue("field 1 of card 9"), "ninth title");
}

// Acceptance: a reference into a project that is not open opens its store for the reference;
// writeobj closes it; the open-project list is as before and no record stays held.
TEST_F(ReferenceTest, AReferenceIntoAClosedProjectOpensAndClosesIt) {
  openmain();
  buildother();
  RegistryId before = mainglobals().openprojects;
  expectref("card 2 of project \"" + path("other.kv45") + "\"", [&](auto& o) {
    EXPECT_EQ(openprojects(), 2u);
    EXPECT_NE(o.d.store, current().store);
    EXPECT_EQ(o.d.cardnum, 2u);
    EXPECT_EQ(cardname(o), "Beta");
  });
  EXPECT_EQ(openprojects(), 1u);
  EXPECT_EQ(mainglobals().openprojects, before);
  EXPECT_EQ(holds(), baseline());
  // The same through the evaluator, by file name once its folder is known.
  EXPECT_EQ(cardvalue("there is a card \"Beta\" of project \"other.kv45\""), "true");
  EXPECT_EQ(cardvalue("field 1 of card 2 of project \"" + path("other.kv45") + "\""), "beta text");
  EXPECT_EQ(cardvalue("there is a card 3 of project \"other.kv45\""), "false");
  EXPECT_EQ(openprojects(), 1u);
  // Bare words name the project by the rest of the line.
  EXPECT_EQ(cardvalue("there is a card 1 of project other.kv45"), "true");
  EXPECT_EQ(openprojects(), 1u);
  testproject::Project spaced = mainproject();
  build(spaced, "Notes Folder.kv45");
  EXPECT_EQ(cardvalue("field \"Title\" of card 2 of project Notes Folder.kv45"), "second title");
  EXPECT_EQ(openprojects(), 1u);
}

// Acceptance: `item 5 of menu 1` of a three-item menu fails with 64 and holds nothing.
TEST_F(ReferenceTest, MenusAndItems) {
  openmain();
  objread obj{};
  EXPECT_EQ(read("item 5 of menu 1", &obj), 64);
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(read("item 0 of menu 1", &obj), 64);
  EXPECT_EQ(read("item \"Nothing\" of menu \"File\"", &obj), 64);
  EXPECT_EQ(read("item 1 of menu 2", &obj), 64) << "menu 2 has no items";
  expectref("item 3 of menu 1", [&](auto& o) {
    EXPECT_EQ(o.kind, objitem);
    EXPECT_EQ(o.itemindex, 2);
    EXPECT_EQ(o.held, 0);
    EXPECT_EQ(o.menu.menunum, 1u);
    EXPECT_EQ(o.menu.menubook, testproject::kFirstMenuId);
    EXPECT_NE(holds(), baseline());
  });
  EXPECT_EQ(holds(), baseline());
  expectref("the last item of menu \"file\"", [&](auto& o) { EXPECT_EQ(o.itemindex, 2); });
  expectref("item \"Save\" of menu 1", [&](auto& o) { EXPECT_EQ(o.itemindex, 1); });
  expectref("item id 1 of menu 1", [&](auto& o) { EXPECT_EQ(o.itemindex, 0); });
  expectref("middle item of menu 1", [&](auto& o) { EXPECT_EQ(o.itemindex, 1); });
  expectref("item 2", [&](auto& o) { EXPECT_EQ(o.menu.menunum, 1u); });  // without a menu, the project's first menu
  expectref("menu \"Edit\"", [&](auto& o) {
    EXPECT_EQ(o.kind, objmenu);
    EXPECT_EQ(o.menu.menunum, 2u);
  });
  expectref("last menu of this project", [&](auto& o) { EXPECT_EQ(o.menu.menunum, 2u); });
  EXPECT_EQ(read("item 2 of card 1", &obj), 62) << "after an item, `of` names its menu's project";
}

// Acceptance: `the message` as an object gives 59; `recent card` with an empty history 51.
TEST_F(ReferenceTest, MessageAndRecentCard) {
  openmain();
  objread obj{};
  EXPECT_EQ(scan("the message", &obj), 59);
  EXPECT_EQ(scan("message", &obj), 59);
  mainglobals().lockRecent = 0;
  if (mainglobals().recentlist != nilhandle) SetHandleSize(mainglobals().recentlist, 0);
  EXPECT_EQ(scan("recent card", &obj), 51);
  ASSERT_EQ(doline("go card 4"), 0);
  ASSERT_EQ(doline("go card 7"), 0);
  ASSERT_EQ(scan("recent card", &obj), 0);
  EXPECT_EQ(obj.d.cardnum, 4u);
  writeobj(&obj);
}

TEST_F(ReferenceTest, SharedScriptAndApplicationHoldNothing) {
  openmain();
  i32 used = 0;
  expectref(
      "sharedScript",
      [&](auto& o) {
        EXPECT_EQ(o.kind, objshared);
        EXPECT_EQ(used, 1);
      },
      &used);
  expectref("kestrove", [&](auto& o) { EXPECT_EQ(o.kind, objapp); });
}

TEST_F(ReferenceTest, AVariableHoldingAReferenceText) {
  openmain();
  EXPECT_EQ(fn("put \"card button 2\" into x\nif there is a x then return 1\nreturn 0"), "1");
  EXPECT_EQ(fn("put \"card 2 of window 2\" into x\nif there is x then return 1\nreturn 0"), "1");
  EXPECT_EQ(fn("put \"card 9 of window 2\" into x\nif there is x then return 1\nreturn 0"), "0");
  objread obj{};
  ASSERT_EQ(scan("(\"card\" && 3)", &obj), 0);
  EXPECT_EQ(obj.d.cardnum, 3u);
  writeobj(&obj);
}

TEST_F(ReferenceTest, ProjectsByName) {
  openmain();
  objread obj{};
  expectref("this project", [&](auto& o) {
    EXPECT_EQ(o.kind, objproject);
    EXPECT_EQ(o.d.window, current().window) << "the current project's current window";
  });
  expectref("project \"p.kv45\"", [&](auto& o) { EXPECT_EQ(o.d.store, current().store); });
  expectref("project", [&](auto& o) { EXPECT_EQ(o.d.store, current().store); });
  EXPECT_EQ(read("this card of window 2", &obj), 51) << "this card of a window that is not open";
  EXPECT_EQ(read("card 1 of this thing", &obj), 2);
  std::string longname(260, 'x');
  EXPECT_EQ(read("card 1 of project \"" + longname + "\"", &obj), 14);
  EXPECT_EQ(read("card 1 of project " + longname, &obj), 14) << "bare words too";
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(openprojects(), 1u);
}

TEST_F(ReferenceTest, WhichObjectKind) {
  struct Case {
    const char* words;
    u16 kind;
    i16 the;
  } cases[] = {
      {"button 1", objpart, 0},
      {"the first field", objpart, 1},
      {"card field 2", objpart, 0},
      {"bkgnd part 3", objpart, 0},
      {"card 2", objcard, 0},
      {"the next card", objcard, 1},
      {"this background", objbackground, 0},
      {"window 2", objwindow, 0},
      {"project x", objproject, 0},
      {"sharedScript", objshared, 0},
      {"kestrove", objapp, 0},
      {"menu 1", objmenu, 0},
      {"item 2 of menu 1", objitem, 0},
      {"object 1 of field 1", objembedded, 0},
      {"the any card", objnone, 0},
      {"the card", objnone, 0},
      {"x", objnone, 0},
  };
  for (const Case& c : cases) {
    Handle text = nilhandle;
    Handle atoms = tokens(c.words, &text);
    i16 the = -1;
    EXPECT_EQ(whichobj(atoms, 0, &the), c.kind) << c.words;
    EXPECT_EQ(the, c.the) << c.words;
  }
}

}  // namespace
}  // namespace kv
