// Reference texts: the id and name texts of every kind of object in each form, their limits,
// and that the texts read back to the objects they name, also the texts the system keeps for
// itself (message-path owners, the card history, error delivery) for projects whose paths do
// not fit or hold a double quote.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/tokens.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "shell/cardhistory.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "tests/store/reftestsupport.h"

namespace kv {
namespace {

using testproject::kFirstCardId;
using testproject::kFirstMenuId;
using testproject::kFirstWindowId;

// A text built by one of the routines, as a string.
template <class Fn>
std::string text(Fn&& fn) {
  Str255 s{};
  fn(s);
  return std::string(pstringview(s));
}

std::string idtext(const objread& obj, u16 form) {
  return text([&](StringPtr s) { buildidtext(obj, form, s); });
}
std::string nametext(const objread& obj, u16 form) {
  return text([&](StringPtr s) { buildnametext(obj, form, s); });
}
std::string readback(const objread& obj) {
  return text([&](StringPtr s) { buildreadback(obj, s); });
}

class RefTextTest : public ReferenceTest {
 protected:
  // What makes an object the one it is.
  static std::string identity(const objread& obj) {
    std::string id = std::to_string(obj.kind) + "/" + std::to_string(obj.d.store) + "/" + std::to_string(obj.d.windnum);
    switch (obj.kind) {
      case objpart:
        return id +
               (obj.objects == obj.d.cardspots ? "/card " + std::to_string(obj.d.cardid)
                                               : "/bkgnd " + std::to_string(obj.d.backid)) +
               "/" + std::to_string(obj.objindex);
      case objcard: return id + "/" + std::to_string(obj.d.cardid);
      case objbackground: return id + "/" + std::to_string(obj.d.backid);
      case objmenu: return std::to_string(obj.menu.store) + "/" + std::to_string(obj.menu.menunum);
      case objitem:
        return std::to_string(obj.menu.store) + "/" + std::to_string(obj.menu.menunum) + "/" +
               std::to_string(obj.itemindex);
      default: return id;
    }
  }

  // Reads a reference, checks that `texts` of it read back to the same object, and releases.
  void readsback(const std::string& words, const std::function<std::string(const objread&)>& texts) {
    objread obj{};
    ASSERT_EQ(read(words, &obj), 0) << words;
    std::string t = texts(obj);
    objread again{};
    i16 st = scan(t, &again);
    EXPECT_EQ(st, 0) << words << " -> " << t;
    if (st == 0) {
      EXPECT_EQ(identity(again), identity(obj)) << words << " -> " << t;
      writeobj(&again);
    }
    writeobj(&obj);
  }

  // Every object of the main project (its windows, cards, backgrounds, their objects, its menus
  // and items) and the project itself, read back through `texts`; the project is named by
  // `project`.
  void everyobject(const std::string& project, const std::function<std::string(const objread&)>& texts) {
    std::string of = " of project \"" + project + "\"";
    std::vector<std::string> refs{"this project"};
    int cards[] = {10, 4, 5};
    for (int w = 1; w <= 3; ++w) {
      std::string win = " of window " + std::to_string(w) + of;
      refs.push_back("window " + std::to_string(w) + of);
      for (int c = 1; c <= cards[w - 1]; ++c) refs.push_back("card " + std::to_string(c) + win);
      for (int b = 1; b <= (w == 1 ? 3 : 1); ++b) refs.push_back("background " + std::to_string(b) + win);
    }
    for (int i = 1; i <= 15; ++i) refs.push_back("card part " + std::to_string(i) + " of card 1 of window 1" + of);
    refs.push_back("card field 1 of card 5 of window 1" + of);
    refs.push_back("card field 1 of card 1 of window 2" + of);
    for (int i = 1; i <= 2; ++i) refs.push_back("bkgnd part " + std::to_string(i) + " of card 2 of window 1" + of);
    refs.push_back("bkgnd field 1 of card 4 of window 1" + of);
    refs.push_back("bkgnd field 1 of card 3 of window 3" + of);
    for (int m = 1; m <= 2; ++m) refs.push_back("menu " + std::to_string(m) + of);
    for (int i = 1; i <= 3; ++i) refs.push_back("item " + std::to_string(i) + " of menu 1" + of);
    for (const std::string& r : refs) readsback(r, texts);
  }
};

// Acceptance: a card's long id names it by its id, its window's id and the project's path, and
// reads back to the card.
TEST_F(RefTextTest, LongIdsOfACardAndABackgroundButton) {
  openmain();
  std::string p = "project \"" + path("p.kv45") + "\"";
  objread obj{};
  ASSERT_EQ(read("card 2", &obj), 0);
  std::string card = "card ID " + std::to_string(kFirstCardId + 4) + " of window ID " + std::to_string(kFirstWindowId) +
                     " of " + p;
  EXPECT_EQ(idtext(obj, tok::long_), card);
  EXPECT_EQ(idtext(obj, tok::abbr), "card ID " + std::to_string(kFirstCardId + 4));
  EXPECT_EQ(idtext(obj, tok::short_), std::to_string(kFirstCardId + 4));
  writeobj(&obj);
  ASSERT_EQ(scan(card, &obj), 0);
  EXPECT_EQ(obj.d.cardnum, 2u);
  writeobj(&obj);

  ASSERT_EQ(read("background button 1", &obj), 0);
  std::string button = "bkgnd button ID 2 of bkgnd ID " + std::to_string(kFirstCardId) + " of window ID " +
                       std::to_string(kFirstWindowId) + " of " + p;
  EXPECT_EQ(idtext(obj, tok::long_), button) << "a background object names the background, not the card";
  EXPECT_EQ(idtext(obj, tok::abbr), "bkgnd button ID 2");
  EXPECT_EQ(idtext(obj, tok::short_), "2");
  EXPECT_EQ(nametext(obj, tok::long_), "bkgnd button \"Bk\" of bkgnd \"Plain\" of window \"Main\" of " + p);
  EXPECT_EQ(nametext(obj, tok::abbr), "bkgnd button \"Bk\"");
  EXPECT_EQ(nametext(obj, tok::short_), "Bk");
  writeobj(&obj);
  ASSERT_EQ(scan(button, &obj), 0);
  EXPECT_EQ(spotname(obj), "Bk");
  EXPECT_EQ(obj.objects, current().backspots);
  writeobj(&obj);
}

// Acceptance: the short name of an unnamed card is empty; its abbreviated name is its
// abbreviated id.
TEST_F(RefTextTest, AnUnnamedCardIsNamedByItsId) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("card 1 of window \"Four\"", &obj), 0);
  std::string id = std::to_string(obj.d.cardid);
  EXPECT_EQ(nametext(obj, tok::short_), "");
  EXPECT_EQ(nametext(obj, tok::abbr), "card ID " + id);
  EXPECT_EQ(nametext(obj, tok::long_), "card ID " + id + " of window \"Four\" of project \"" + path("p.kv45") + "\"");
  // A named field on that unnamed card of a named window.
  writeobj(&obj);
  ASSERT_EQ(read("card field 1 of card 1 of window \"Four\"", &obj), 0);
  EXPECT_EQ(nametext(obj, tok::long_),
            "card field \"Notes\" of card ID " + id + " of window \"Four\" of project \"" + path("p.kv45") + "\"");
  writeobj(&obj);
}

TEST_F(RefTextTest, WindowsMenusItemsAndProjects) {
  openmain();
  std::string p = "project \"" + path("p.kv45") + "\"";
  objread obj{};
  ASSERT_EQ(read("window 2", &obj), 0);
  EXPECT_EQ(idtext(obj, tok::long_), "window ID " + std::to_string(kFirstWindowId + 1) + " of " + p);
  EXPECT_EQ(nametext(obj, tok::long_), "window \"Four\" of " + p);
  EXPECT_EQ(nametext(obj, tok::abbr), "window \"Four\"");
  writeobj(&obj);
  ASSERT_EQ(read("item 2 of menu \"File\"", &obj), 0);
  EXPECT_EQ(idtext(obj, tok::long_), "item ID 2 of menu ID " + std::to_string(kFirstMenuId) + " of " + p);
  EXPECT_EQ(idtext(obj, tok::abbr), "item ID 2");
  EXPECT_EQ(nametext(obj, tok::long_), "item \"Save\" of menu \"File\" of " + p);
  EXPECT_EQ(nametext(obj, tok::short_), "Save");
  writeobj(&obj);
  ASSERT_EQ(read("menu 2", &obj), 0);
  EXPECT_EQ(idtext(obj, tok::abbr), "menu ID " + std::to_string(kFirstMenuId + 1));
  EXPECT_EQ(nametext(obj, tok::long_), "menu \"Edit\" of " + p);
  writeobj(&obj);
  RegistryId store = current().store;
  EXPECT_EQ(text([&](StringPtr s) { buildfilename(store, tok::short_, s); }), "p.kv45");
  EXPECT_EQ(text([&](StringPtr s) { buildfilename(store, tok::abbr, s); }), "project \"p.kv45\"");
  EXPECT_EQ(text([&](StringPtr s) { buildfilename(store, tok::long_, s); }), p);
  EXPECT_EQ(text([&](StringPtr s) { buildfilename(nilid, tok::long_, s); }), "");
  EXPECT_EQ(text([&](StringPtr s) { buildwindid(nullptr, tok::long_, s); }), "");
}

TEST_F(RefTextTest, AnotherFormIsLongWithTheFileName) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("card field 1", &obj), 0);
  std::string id = std::to_string(spotat(obj.objects, obj.objindex).id);
  EXPECT_EQ(idtext(obj, 0), "card field ID " + id + " of card ID " + std::to_string(kFirstCardId + 3) +
                                " of window ID " + std::to_string(kFirstWindowId) + " of project \"p.kv45\"");
  EXPECT_EQ(nametext(obj, 4), "card field \"Notes\" of card \"One\" of window \"Main\" of project \"p.kv45\"");
  writeobj(&obj);
}

TEST_F(RefTextTest, TextsAppendAndStopAt255) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("card button 1", &obj), 0);
  Str255 s{};
  setpstring(s, "x: ");
  buildidtext(obj, tok::abbr, s);
  EXPECT_EQ(std::string(pstringview(s)), "x: card button ID " + std::to_string(goid())) << "appended, not replaced";
  // A name of 300 bytes is cut to 255, in the short form and in the long form at exactly 255.
  spot b = spotat(obj.objects, obj.objindex);
  Handle name = b.name;
  SetHandleSize(name, 300);
  std::memset(deref(name), 'n', 300);
  EXPECT_EQ(nametext(obj, tok::short_), std::string(255, 'n'));
  std::string long_ = nametext(obj, tok::long_);
  EXPECT_EQ(long_.size(), 255u);
  EXPECT_EQ(long_, "card button \"" + std::string(242, 'n'));
  // Trailing zero bytes are not part of a name.
  SetHandleSize(name, 5);
  std::memcpy(deref(name), "Go\0\0\0", 5);
  EXPECT_EQ(nametext(obj, tok::abbr), "card button \"Go\"");
  // A name of zero bytes only is no name.
  std::memset(deref(name), 0, 5);
  EXPECT_EQ(nametext(obj, tok::abbr), "card button ID " + std::to_string(goid()));
  EXPECT_EQ(nametext(obj, tok::short_), "");
  SetHandleSize(name, 2);
  std::memcpy(deref(name), "Go", 2);
  writeobj(&obj);
}

// Names are written as they are in the texts scripts ask for; the system's own texts use ids.
TEST_F(RefTextTest, ANameWithAQuoteIsKeptInNameTexts) {
  testproject::Project p = mainproject();
  p.windows[0].cards[0].objects[0].name = "say \"hi\"";
  buildmain(p);
  openmain();
  objread obj{};
  ASSERT_EQ(read("card button 1", &obj), 0);
  EXPECT_EQ(nametext(obj, tok::abbr), "card button \"say \"hi\"\"");
  std::string own = readback(obj);
  EXPECT_EQ(own.find("hi"), std::string::npos);
  objread again{};
  ASSERT_EQ(scan(own, &again), 0) << own;
  EXPECT_EQ(again.objindex, obj.objindex);
  writeobj(&again);
  writeobj(&obj);
}

TEST_F(RefTextTest, EveryLongTextReadsBack) {
  openmain();
  auto project = [](const objread& obj) {
    return text([&](StringPtr s) { buildfilename(obj.d.store, tok::long_, s); });
  };
  everyobject(path("p.kv45"),
              [&](const objread& obj) { return obj.kind == objproject ? project(obj) : idtext(obj, tok::long_); });
  everyobject(path("p.kv45"),
              [&](const objread& obj) { return obj.kind == objproject ? project(obj) : nametext(obj, tok::long_); });
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(openprojects(), 1u);
}

// The texts the system reads back itself, for a project in a temporary folder, and for
// projects whose paths would not let the texts fit or hold a double quote.
TEST_F(RefTextTest, TheSystemsOwnTextsReadBack) {
  openmain();
  everyobject(path("p.kv45"), readback);
  objread obj{};
  ASSERT_EQ(read("bkgnd field 1 of card 3 of window 3", &obj), 0);
  EXPECT_NE(readback(obj).find(path("p.kv45")), std::string::npos) << "named by its path while that fits";
  writeobj(&obj);
}

TEST_F(RefTextTest, AProjectWhosePathDoesNotFitIsNamedByItsFileName) {
  std::string deep = home->path();
  while (deep.size() < 215) deep += "/folder-of-some-length";
  std::filesystem::create_directories(deep);
  u32 folder = 0;
  ASSERT_EQ(folderidofpath(deep, &folder), noErr);
  ASSERT_EQ(testproject::build(folder, "deep.kv45", mainproject()), 0);
  ASSERT_EQ(open(deep.substr(home->path().size() + 1) + "/deep.kv45"), 0);
  std::string full = deep + "/deep.kv45";
  objread obj{};
  ASSERT_EQ(read("bkgnd button 1 of card 2", &obj), 0);
  std::string own = readback(obj);
  EXPECT_LE(own.size(), 255u);
  EXPECT_NE(own.find("of project \"deep.kv45\""), std::string::npos) << own;
  std::string scripts = idtext(obj, tok::long_);
  EXPECT_NE(scripts.find("of project \"deep.kv45\""), std::string::npos) << "the long id too: " << scripts;
  writeobj(&obj);
  everyobject("deep.kv45", readback);
  ASSERT_EQ(read("card 1", &obj), 0);
  EXPECT_EQ(text([&](StringPtr s) { buildfilename(obj.d.store, tok::long_, s); }), "project \"" + full + "\"")
      << "alone, the path fits";
  writeobj(&obj);
}

TEST_F(RefTextTest, AProjectWhosePathHoldsAQuoteIsNamedByItsFileName) {
  std::string odd = home->path() + "/say \"hi\"";
  std::filesystem::create_directories(odd);
  u32 folder = 0;
  ASSERT_EQ(folderidofpath(odd, &folder), noErr);
  ASSERT_EQ(testproject::build(folder, "odd.kv45", mainproject()), 0);
  ASSERT_EQ(open("say \"hi\"/odd.kv45"), 0);
  objread obj{};
  ASSERT_EQ(read("card field 1 of card 5", &obj), 0);
  std::string own = readback(obj);
  EXPECT_NE(own.find("of project \"odd.kv45\""), std::string::npos) << own;
  writeobj(&obj);
  everyobject("odd.kv45", readback);
}

// The owner texts of the message path are read-back texts: `me` in a card's script names the
// card, and the text of a failing handler's object names it too.
TEST_F(RefTextTest, MeAndErrorDeliveryReadBack) {
  testproject::Project p = mainproject();
  p.windows[0].cards[1].script =
      "on probe\n  global g\n  if there is me then put \"found\" into g\nend probe\n"
      "on fail\n  put 1 + \"x\" into y\nend fail";
  p.windows[0].script = "on where\n  global g\n  put me into g\nend where";
  buildmain(p);
  openmain();
  ASSERT_EQ(doline("go card 2"), 0);
  ASSERT_EQ(doline("probe"), 0);
  EXPECT_EQ(global("g"), "found");
  ASSERT_EQ(doline("where"), 0);
  EXPECT_EQ(global("g"), "") << "the window's contents: none";
  queueanswer(Answer{"alert", "Cancel", {}});  // the failed line's error alert
  EXPECT_NE(doline("fail"), 0);
  Handle failed = mainglobals().faildescriptor;
  ASSERT_NE(failed, nilhandle);
  std::string t(reinterpret_cast<const char*>(deref(failed)), size_t(GetHandleSize(failed)));
  objread obj{};
  ASSERT_EQ(scan(t, &obj), 0) << t;
  EXPECT_EQ(obj.kind, objcard);
  EXPECT_EQ(obj.d.cardnum, 2u);
  writeobj(&obj);
  // `me` read by scanobj from a level's text.
  ASSERT_EQ(scan("me", &obj, nullptr, t), 0);
  EXPECT_EQ(obj.d.cardnum, 2u);
  writeobj(&obj);
  EXPECT_EQ(scan("me", &obj), 2) << "no owner text";
  // The card history keeps read-back texts.
  ASSERT_EQ(doline("go card 7"), 0);
  Str255 recent{};
  getrecent(recent);
  ASSERT_EQ(scan(std::string(pstringview(recent)), &obj), 0);
  EXPECT_EQ(obj.d.cardnum, 2u);
  writeobj(&obj);
}

}  // namespace
}  // namespace kv
