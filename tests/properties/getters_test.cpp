// Reading properties as scripts do: names and ids in their forms, numbers, rectangle words,
// sizes, kinds and styles, scripts, title bars, the dispatcher's refusals and the constants.
#include <gtest/gtest.h>

#include <string>

#include "engine/fred.h"
#include "properties/properties.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class GetterTest : public PropertyTest {};

TEST_F(GetterTest, NamesInTheirForms) {
  EXPECT_EQ(cardvalue("the name of card button 1"), "card button \"Go\"");
  EXPECT_EQ(cardvalue("name of card button 1"), "card button \"Go\"") << "`the` is optional";
  EXPECT_EQ(cardvalue("the short name of button \"Two\""), "Two");
  EXPECT_EQ(cardvalue("the abbreviated name of button 2"), "card button \"Two\"");
  std::string longname = cardvalue("the long name of card button 1");
  EXPECT_EQ(longname.rfind("card button \"Go\" of card \"One\" of window \"Main\" of ", 0), 0u) << longname;
  EXPECT_EQ(cardvalue("the name of bkgnd field 1"), "bkgnd field \"Title\"");
  EXPECT_EQ(cardvalue("the name of card 2"), "card \"Two\"");
  EXPECT_EQ(cardvalue("the short name of this card"), "One");
  EXPECT_EQ(cardvalue("the name of window 1"), "window \"Main\"");
  EXPECT_EQ(cardvalue("the name of menu 1"), "menu \"File\"");
  EXPECT_EQ(cardvalue("the short name of item 2 of menu 1"), "Quit");
  // Names are read with the reference reader only; other words take a chunk's field.
  EXPECT_EQ(cardvalue("the short name of line 2 of card field \"Notes\""), "error 2");
  EXPECT_EQ(cardvalue("the rect of line 2 of card field \"Notes\""), cardvalue("the rect of card field \"Notes\""));
  EXPECT_EQ(cardvalue("the kind of word 1 of card field \"Notes\""), "field");
}

TEST_F(GetterTest, IdsInTheirForms) {
  EXPECT_EQ(cardvalue("the id of card button 1"), "3") << "objects: the short form";
  EXPECT_EQ(cardvalue("the abbr id of card button 1"), "card button ID 3");
  std::string longid = cardvalue("the long id of card button 1");
  EXPECT_EQ(longid.rfind("card button ID 3 of card ID 101 of window ID 100 of ", 0), 0u) << longid;
  EXPECT_EQ(cardvalue("the id of card 1"), "card ID 101") << "cards: the abbreviated form";
  EXPECT_EQ(cardvalue("the id of bkgnd 1"), "100") << "backgrounds: the short form";
  EXPECT_EQ(cardvalue("the id of this project"), "error 2");
}

TEST_F(GetterTest, NumbersComeFromTheFunctionFirst) {
  EXPECT_EQ(cardvalue("the number of cards"), "3");
  EXPECT_EQ(cardvalue("the number of card button \"Two\""), "2");
  EXPECT_EQ(cardvalue("the number of graphic \"Line\""), "2") << "counted among the graphics only";
  EXPECT_EQ(cardvalue("the number of card 3"), "3");
  EXPECT_EQ(cardvalue("the number of bkgnd 1"), "1");
  EXPECT_EQ(cardvalue("the number of window \"Main\""), "1");
  EXPECT_EQ(cardvalue("the number of item \"Quit\" of menu 1"), "2");
  EXPECT_EQ(cardvalue("the number of this project"), "error 2");
  // The function form's failure leaves no error position behind.
  mainglobals().erroroffset = -1;
  ASSERT_EQ(doline("numberof"), 0);
  EXPECT_EQ(global("n"), "2");
  EXPECT_EQ(mainglobals().erroroffset, -1);
}

TEST_F(GetterTest, RectangleWords) {
  EXPECT_EQ(cardvalue("the rect of card button 1"), "10,10,110,40");
  EXPECT_EQ(cardvalue("the rectangle of button \"Go\""), "10,10,110,40");
  EXPECT_EQ(cardvalue("the loc of button 1"), "60,25");
  EXPECT_EQ(cardvalue("the width of button 1"), "100");
  EXPECT_EQ(cardvalue("the height of button 1"), "30");
  EXPECT_EQ(cardvalue("the topLeft of button 1"), "10,10");
  EXPECT_EQ(cardvalue("the topRight of button 1"), "110,10");
  EXPECT_EQ(cardvalue("the bottomLeft of button 1"), "10,40");
  EXPECT_EQ(cardvalue("the botRight of button 1"), "110,40");
  EXPECT_EQ(cardvalue("the bottom of button 2"), "80");
  EXPECT_EQ(cardvalue("the left of button 2"), "20");
  EXPECT_EQ(cardvalue("the right of graphic \"Box\""), "90");
  EXPECT_EQ(cardvalue("the top of graphic \"Box\""), "100");
  EXPECT_EQ(cardvalue("the rect of bkgnd 1"), "0,0,540,360") << "the background's size";
  EXPECT_EQ(cardvalue("the rect of window \"Main\""), "100,100,640,460");
  EXPECT_EQ(cardvalue("the rect of card 1"), "error 2");
  // The message box needs no object reference (the box is not made here: an empty rectangle).
  EXPECT_EQ(cardvalue("the rect of the message box"), "0,0,0,0");
  EXPECT_EQ(cardvalue("the width of message"), "0");
}

TEST_F(GetterTest, WideRectanglesDoNotWrap) {
  spot s = cardspot("Go");
  s.rect = Rect{-30000, -30000, 30000, 30000};
  putcardspot("Go", s);
  EXPECT_EQ(cardvalue("the width of button 1"), "60000");
  EXPECT_EQ(cardvalue("the loc of button 1"), "0,0");
}

TEST_F(GetterTest, Sizes) {
  EXPECT_EQ(cardvalue("the backSize of bkgnd 1"), "540,360");
  EXPECT_EQ(cardvalue("the backSize of card 1"), "error 60");
  EXPECT_EQ(cardvalue("the windowSize of window 1"), "540,360");
  EXPECT_EQ(cardvalue("the windowSize of card 1"), "error 61");
  EXPECT_EQ(cardvalue("the owner of card 2").rfind("bkgnd ID 100 of window ID 100 of ", 0), 0u);
  EXPECT_EQ(cardvalue("the owner of bkgnd 1"), "error 51");
  EXPECT_NE(cardvalue("the size of this card"), "0");
  EXPECT_EQ(cardvalue("the size of card button 1"), "error 2");
  EXPECT_EQ(cardvalue("the freeSize of card button 1"), "error 2");
}

TEST_F(GetterTest, KindsStylesAndTitleBars) {
  EXPECT_EQ(cardvalue("the kind of card button 1"), "button");
  EXPECT_EQ(cardvalue("the kind of graphic 1"), "graphic");
  EXPECT_EQ(cardvalue("the kind of card 1"), "card");
  EXPECT_EQ(cardvalue("the kind of bkgnd 1"), "background");
  EXPECT_EQ(cardvalue("the kind of window 1"), "window");
  EXPECT_EQ(cardvalue("the kind of menu 1"), "menu");
  EXPECT_EQ(cardvalue("the style of card button 1"), "roundRect");
  EXPECT_EQ(cardvalue("the style of graphic \"Line\""), "line");
  EXPECT_EQ(cardvalue("the style of bkgnd field 1"), "rectangle");
  EXPECT_EQ(cardvalue("the style of window 1"), "standard");
  EXPECT_EQ(cardvalue("the style of card 1"), "error 2");
  EXPECT_EQ(cardvalue("the titleBar of window 1"), "top");
  EXPECT_EQ(cardvalue("the titleBar of card 1"), "error 2");
  spot s = cardspot("Go");
  s.style = 208;
  putcardspot("Go", s);
  EXPECT_EQ(cardvalue("the style of card button 1"), "error 43") << "a style code without a word";
}

TEST_F(GetterTest, ScriptsWithoutTheirTail) {
  EXPECT_EQ(cardvalue("the script of card button 1"), "on mouseUp\rbeep\rend mouseUp");
  EXPECT_EQ(cardvalue("the script of card button 2"), "");
  EXPECT_EQ(cardvalue("the contents of card button 1"), "");
  EXPECT_EQ(cardvalue("the script of kestrove"), "error 2");
}

TEST_F(GetterTest, MenuItemKeys) {
  EXPECT_EQ(cardvalue("the commandChar of item 1 of menu 1"), "");
  EXPECT_EQ(cardvalue("the commandModifiers of item 1 of menu 1"), "");
  EXPECT_EQ(cardvalue("the commandChar of card 1"), "error 2");
}

TEST_F(GetterTest, TheDispatchersRefusals) {
  EXPECT_EQ(cardvalue("the dotted of button 1"), "error 43");
  EXPECT_EQ(cardvalue("address of button 1"), "error 55") << "a global property word needs `the`";
  EXPECT_NE(cardvalue("the address"), "error 55");
  EXPECT_EQ(cardvalue("the name button 1"), "error 5") << "an object property needs `of`";
  EXPECT_EQ(cardvalue("the name of card button 99"), "error 11") << "the reference reader's error";
  EXPECT_EQ(cardvalue("the rect of card button 99"), "error 2") << "not an object, nor the message box";
  // The appearance and window families answer now that they are built.
  EXPECT_EQ(cardvalue("the ink of button 1"), "shad1");
  EXPECT_EQ(cardvalue("the tool of window 1"), "browse tool");
}

// A script can tell the three apart: a property this system does not provide answers 124 ("Not
// available on this system."), a property word no getter or setter reads 43 ("No such
// property."), and any other word in a property's place names a user property (68).
TEST_F(GetterTest, UnavailableUnknownAndMisspeltProperties) {
  setrows({{"", "the audioVolume", "error 124"},
           {"set the audioVolume to 1,1", "", "error 124"},
           {"set the quartzText to true", "", "error 124"},
           {"", "the carbonVersion", "error 43"},
           {"set the carbonVersion to 1", "", "error 43"},
           {"", "the clockType", "error 43"},
           {"set the clockType to 12", "", "error 43"},
           {"", "the textSizee of card button 1", "error 68"},
           {"set the textSizee of card button 1 to 3", "", "error 68"}});
}

TEST_F(GetterTest, NameFormsGoOnlyWithNameAndId) {
  // The evaluator hands a name form to the dispatcher only before `name` or `id`; the
  // dispatcher itself refuses any other word after it.
  Handle text = nilhandle;
  Handle atoms = tokens("the short width of button 1", &text);
  i32 count = 0;
  fred value;
  EXPECT_EQ(property(hierpath{}, text, atoms, 0, nilhandle, nilhandle, &count, &value), 43);
  atoms = tokens("the dotted of button 1", &text);
  EXPECT_EQ(property(hierpath{}, text, atoms, 0, nilhandle, nilhandle, &count, &value), 43);
  atoms = tokens("the long id of card button 1", &text);
  ASSERT_EQ(property(hierpath{}, text, atoms, 0, nilhandle, nilhandle, &count, &value), 0);
  EXPECT_EQ(count, 7);
  disposfred(&value);
  atoms = tokens("id of card button 1", &text);
  ASSERT_EQ(property(hierpath{}, text, atoms, 0, nilhandle, nilhandle, &count, &value), 0);
  EXPECT_EQ(count, 5) << "one atom fewer without `the`";
  disposfred(&value);
}

TEST_F(GetterTest, Constants) {
  EXPECT_EQ(cardvalue("null"), std::string(1, '\0')) << "one character of code 0, not empty";
  EXPECT_EQ(cardvalue("the length of null"), "1");
  EXPECT_EQ(cardvalue("pi"), "3.14159265358979323846");
  EXPECT_EQ(cardvalue("ten + zero"), "10");
  EXPECT_EQ(cardvalue("colon & comma"), ":,");
}

}  // namespace
}  // namespace kv
