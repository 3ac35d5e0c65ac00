// User-defined properties read and changed by scripts, hidden names, the name listing, and the
// lookup and change services.
#include <gtest/gtest.h>

#include <string>

#include "engine/fred.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "properties/userprops.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"
#include "tests/support/spots.h"
#include "tests/support/texts.h"

namespace kv {
namespace {

class UserPropTest : public PropertyTest {
 protected:
  static std::string text(fred* v) {
    std::string s(reinterpret_cast<const char*>(fredaddr(v)), size_t(getfredsize(v)));
    disposfred(v);
    return s;
  }
};

TEST_F(UserPropTest, ReadByName) {
  addcardprop("Go", "color", "red");
  addcardprop("Go", "_size", "12");
  EXPECT_EQ(cardvalue("the color of card button 1"), "red");
  EXPECT_EQ(cardvalue("the COLOR of button \"Go\""), "red") << "names ignore case";
  EXPECT_EQ(cardvalue("the _size of card button 1"), "12") << "one underscore is an ordinary name";
  EXPECT_EQ(cardvalue("the shape of card button 1"), "error 68");
  EXPECT_EQ(cardvalue("the color of card button 2"), "error 68") << "no list";
  EXPECT_EQ(cardvalue("the color of card button 99"), "error 11");
  EXPECT_EQ(cardvalue("the color of the sharedScript"), "error 2");
  EXPECT_EQ(cardvalue("the color of kestrove"), "error 2");
  // A variable holding the name reads the property it names.
  EXPECT_EQ(cardvalue("readvar()"), "red");
}

TEST_F(UserPropTest, HiddenNames) {
  addcardprop("Go", "__data", "secret");
  EXPECT_EQ(cardvalue("the __data of card button 1"), "error 68") << "even though it exists";
  EXPECT_EQ(setline("set the __data of card button 1 to 1"), 68);
  Handle value = nilhandle;
  i16 index = 0;
  ASSERT_EQ(findprop(cardspot("Go").uprops, &index, reinterpret_cast<const u8*>("\x06__data")), 1);
  value = loadat<uprop>(deref(cardspot("Go").uprops) + size_t(index) * sizeof(uprop)).value;
  EXPECT_EQ(testtexts::hand(value), "secret") << "unchanged";
}

TEST_F(UserPropTest, TheNameListing) {
  addcardprop("Go", "a", "1");
  addcardprop("Go", "__b", "2");
  addcardprop("Go", "c", "3");
  addcardprop("Go", "_", "4");
  EXPECT_EQ(cardvalue("the customProperties of card button 1"), "a,c,_");
  EXPECT_EQ(cardvalue("the userProps of card button 2"), "");
  EXPECT_EQ(cardvalue("the customProperties of kestrove"), "error 2");
  cardrec c = loadat<cardrec>(deref(mainglobals().current.card));
  Handle list = c.uprops;
  addprop(&list, "x", "");
  c.uprops = list;
  storeat<cardrec>(deref(mainglobals().current.card), c);
  EXPECT_EQ(cardvalue("the customProps of this card"), "x");
}

TEST_F(UserPropTest, SetChangesOnlyExistingProperties) {
  EXPECT_EQ(setline("set the color of card button 1 to 5"), 68) << "not defined yet";
  addcardprop("Go", "color", "red");
  EXPECT_FALSE(changed(mainglobals().current.cardrecid));
  EXPECT_EQ(setline("set the color of card button 1 to 5"), 0);
  EXPECT_EQ(cardvalue("the color of card button 1"), "5");
  EXPECT_TRUE(changed(mainglobals().current.cardrecid)) << "the card that holds the button";
  EXPECT_EQ(setline("set color of card button 1 to \"blue\" & \"green\""), 0);
  EXPECT_EQ(cardvalue("the color of card button 1"), "bluegreen");
  EXPECT_EQ(setline("set the color of card button 1 to 5 6"), 19);
  EXPECT_EQ(setline("set the color of card button 1 5"), 7);
  EXPECT_EQ(setline("set the color of kestrove to 5"), 2);
  EXPECT_EQ(cardvalue("the color of card button 1"), "bluegreen") << "a failed set changes nothing";
}

TEST_F(UserPropTest, IconDataRedrawsRectangleAndPolygonButtons) {
  spot s = cardspot("Go");
  s.style = 200;
  putcardspot("Go", s);
  addcardprop("Go", "iconData", "");
  addcardprop("Two", "ICONDATA", "");
  spot t = cardspot("Two");
  t.style = 204;
  putcardspot("Two", t);
  takeredraws();
  ASSERT_EQ(setline("set the iconData of card button 1 to 1"), 0);
  EXPECT_EQ(takeredraws().size(), 1u) << "a rectangle button shows its icon data";
  ASSERT_EQ(setline("set the icondata of card button 2 to 1"), 0);
  EXPECT_TRUE(takeredraws().empty()) << "a check box only keeps the value";
  EXPECT_EQ(cardvalue("the iconData of card button 2"), "1");
}

TEST_F(UserPropTest, LongValuesAndNames) {
  addcardprop("Go", "notes", "");
  std::string big(5000, 'z');
  EXPECT_EQ(setline("set the notes of card button 1 to \"" + big + "\""), 0);
  EXPECT_EQ(cardvalue("the length of the notes of card button 1"), "5000");
  // A name longer than 31 characters cannot be read by a script.
  std::string name(40, 'n');
  addcardprop("Go", name, "v");
  EXPECT_EQ(cardvalue("the " + name + " of card button 1"), "error 68");
}

// On a graphic, whose list holds only what the test gives it (a drawn control button also
// carries "__textFont").
TEST_F(UserPropTest, LookupServices) {
  addcardprop("Box", "a", "1");
  addcardprop("Box", "b", "");
  addcardprop("Box", "c", "3");
  Handle list = cardspot("Box").uprops;
  fred v;
  ASSERT_EQ(proputil(list,
                     reinterpret_cast<const u8*>("\x01"
                                                 "c"),
                     &v),
            0);
  EXPECT_EQ(text(&v), "3");
  ASSERT_EQ(proputilidx(list, 0, &v), 0);
  EXPECT_EQ(text(&v), "1");
  EXPECT_EQ(proputilidx(list, 3, &v), 68) << "past the end";
  EXPECT_EQ(proputilidx(nilhandle, 0, &v), 68);
  Handle h = nilhandle;
  ASSERT_EQ(prophandutilidx(list, 2, &h), 0);
  EXPECT_EQ(testtexts::hand(h), "3");
  // An empty value goes; a filled one stays.
  EXPECT_EQ(propkillifempty(list, reinterpret_cast<const u8*>("\x01"
                                                              "a")),
            0);
  EXPECT_EQ(HandleCount<uprop>(list), 3);
  EXPECT_EQ(propkillifempty(list, reinterpret_cast<const u8*>("\x01"
                                                              "b")),
            0);
  EXPECT_EQ(HandleCount<uprop>(list), 2);
  EXPECT_EQ(propkillifempty(list, reinterpret_cast<const u8*>("\x01"
                                                              "b")),
            68);
  ASSERT_EQ(propuserutil(list, &v), 0);
  EXPECT_EQ(text(&v), "a,c");
}

TEST_F(UserPropTest, ChangeByPosition) {
  objread obj{};
  i32 used = 0;
  Handle text = nilhandle;
  Handle atoms = tokens("card graphic \"Box\"", &text);
  ASSERT_EQ(readobj(hierpath{}, text, atoms, 0, nilhandle, &used, &obj), 0);
  fred v;
  textonewfred("x", &v);
  EXPECT_EQ(lowsetuserpropidx(obj, 0, &v), 68) << "no list";
  writeobj(&obj);
  addcardprop("Box", "a", "1");
  ASSERT_EQ(readobj(hierpath{}, text, atoms, 0, nilhandle, &used, &obj), 0);
  EXPECT_EQ(lowsetuserpropidx(obj, 1, &v), 68) << "an index equal to the count";
  EXPECT_EQ(lowsetuserpropidx(obj, 0, &v), 0);
  writeobj(&obj);
  disposfred(&v);
  EXPECT_EQ(cardvalue("the a of card graphic \"Box\""), "x");
}

TEST_F(UserPropTest, ListItemsOfAProperty) {
  spot s = testspots::newspot(spotbutton, 206);
  Handle list = nilhandle;
  addprop(&list, "popupData", "One 1\rTwo\t2\rThree");
  s.uprops = list;
  Str255 item{};
  static constexpr u8 name[] = "\x09popupData";
  EXPECT_EQ(getmagicupropitem(&s, name, 2, item), 0);
  EXPECT_EQ(testtexts::str(item), "Two");
  EXPECT_EQ(getmagicupropitem(&s, name, 1, item), 0);
  EXPECT_EQ(testtexts::str(item), "One");
  EXPECT_EQ(getmagicupropitem(&s, name, 3, item), 0);
  EXPECT_EQ(testtexts::str(item), "Three");
  EXPECT_EQ(getmagicupropitem(&s, name, 4, item), 0);
  EXPECT_EQ(testtexts::str(item), "") << "no such item";
  EXPECT_EQ(getmagicupropitem(&s,
                              reinterpret_cast<const u8*>("\x03"
                                                          "abc"),
                              1, item),
            0);
  EXPECT_EQ(testtexts::str(item), "");
  EXPECT_EQ(getmagicupropitem(nullptr, name, 1, item), 1);
  dumprop(list);
}

}  // namespace
}  // namespace kv
