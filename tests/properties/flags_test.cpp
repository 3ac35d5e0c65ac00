// The flag properties of objects, menus, items, cards, backgrounds, windows and projects, read
// from their stored bits; the forms that name no object.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class FlagTest : public PropertyTest {
 protected:
  static void setflags(std::string_view object, u32 flags) {
    spot s = cardspot(object);
    s.flags = flags;
    putcardspot(object, s);
  }
};

TEST_F(FlagTest, ObjectBits) {
  setflags("Go", 0);
  EXPECT_EQ(cardvalue("the visible of card button 1"), "false");
  EXPECT_EQ(cardvalue("the hilite of card button 1"), "false");
  setflags("Go", 1u << 0 | 1u << 6 | 1u << 12 | 1u << 28);
  EXPECT_EQ(cardvalue("the visible of card button 1"), "true");
  EXPECT_EQ(cardvalue("the vis of card button 1"), "true");
  EXPECT_EQ(cardvalue("the highlight of card button 1"), "true");
  EXPECT_EQ(cardvalue("the locked of card button 1"), "true");
  EXPECT_EQ(cardvalue("the focusHilite of card button 1"), "true");
  EXPECT_EQ(cardvalue("the autoTab of card button 1"), "false");
  EXPECT_EQ(cardvalue("the useTextEngine of bkgnd field 1"), "true") << "always, for any object";
  EXPECT_EQ(cardvalue("the useTextEngine of graphic 1"), "true");
  EXPECT_EQ(cardvalue("the checkmark of card button 1"), "error 43") << "an object has no checkmark";
  spot s = cardspot("Notes");
  s.textflags = 2;
  putcardspot("Notes", s);
  EXPECT_EQ(cardvalue("the showRuler of card field \"Notes\""), "true");
}

TEST_F(FlagTest, SharedHiliteIsOnlyForBackgroundButtons) {
  EXPECT_EQ(cardvalue("the sharedHilite of card button 1"), "error 205");
  EXPECT_EQ(cardvalue("the sharedHilite of bkgnd field 1"), "error 205");
  EXPECT_EQ(cardvalue("the sharedHilite of bkgnd button 1"), "true") << "bit 23 clear";
  Handle list = mainglobals().current.backspots;
  i32 i = backindex("Bk");
  spot s = spotat(list, i);
  s.flags = s.flags | spotunsharedhilite;
  putspot(list, i, s);
  EXPECT_EQ(cardvalue("the sharedHilite of bkgnd button 1"), "false");
}

TEST_F(FlagTest, WindowsCardsBackgroundsMenusProjects) {
  EXPECT_EQ(cardvalue("the visible of window \"Main\""), "true");
  EXPECT_EQ(cardvalue("the visible of window \"Other\""), "false") << "a closed window";
  EXPECT_EQ(cardvalue("the collapsed of window \"Main\""), "false");
  EXPECT_EQ(cardvalue("the modified of window \"Other\""), "false");
  EXPECT_EQ(cardvalue("the cantDelete of card 1"), "false");
  EXPECT_EQ(cardvalue("the autoResize of bkgnd 1"), "false");
  EXPECT_EQ(cardvalue("the cantRemove of card 1"), "error 2") << "a word cards do not have";
  EXPECT_EQ(cardvalue("the locked of window 1"), "error 43") << "a word windows do not have";
  EXPECT_EQ(cardvalue("the disabled of item 1 of menu 1"), "false");
  EXPECT_EQ(cardvalue("the checkmark of item 2 of menu 1"), "false");
  EXPECT_EQ(cardvalue("the locked of item 2 of menu 1"), "error 43");
  EXPECT_EQ(cardvalue("the visible of menu 1"), "false") << "not in the menu bar";
  EXPECT_EQ(cardvalue("the cantRemove of menu 1"), "false");
  EXPECT_EQ(cardvalue("the locked of menu 1"), "error 2");
  EXPECT_EQ(cardvalue("the cantModify of this project"), "false");
  // Window flags: inverted bits read true while clear.
  EXPECT_EQ(cardvalue("the inWindowMenu of window 1"), cardvalue("not (the inWindowMenu of window 1) is false"));
  mainglobals().plugin = 1;
  EXPECT_EQ(cardvalue("the closeBox of window 1"), "error 177");
  mainglobals().plugin = 0;
}

TEST_F(FlagTest, FormsWithoutAnObject) {
  EXPECT_EQ(cardvalue("the visible of the message box"), "false");
  EXPECT_EQ(cardvalue("the visible of the message"), "false");
  EXPECT_EQ(cardvalue("the visible of message window"), "false");
  EXPECT_EQ(cardvalue("the visible of menuBar"), mainglobals().menubarvisible ? "true" : "false");
  EXPECT_EQ(cardvalue("the visible of the help balloon"), "false");
  mainglobals().plugin = 1;
  EXPECT_EQ(cardvalue("the visible of balloon"), "error 177");
  mainglobals().plugin = 0;
  EXPECT_EQ(cardvalue("the visible of nothing"), "error 2");
  EXPECT_EQ(cardvalue("the locked of nothing"), "error 16") << "the reader's error for other words";
  EXPECT_EQ(cardvalue("the visible button 1"), "error 5");
}

TEST_F(FlagTest, DisabledFilters) {
  EXPECT_EQ(cardvalue("the disabled of filter 1 of button 1"), "error 185") << "not a graphic reference";
  EXPECT_EQ(cardvalue("the disabled of filter 1 of graphic \"Box\""), "error 59") << "no filter list";
  // One filter "Blur", enabled; then a second one "Tint", disabled.
  auto item = [](const char* name, u8 enabled) {
    std::string bytes(15 + std::strlen(name) + 4, '\0');
    u32 length = u32(bytes.size());
    std::memcpy(&bytes[0], &length, 4);
    bytes[9] = char(enabled);
    bytes[10] = char(std::strlen(name));
    std::memcpy(&bytes[11], name, std::strlen(name));
    u32 datalength = 4;
    std::memcpy(&bytes[11 + std::strlen(name)], &datalength, 4);
    return bytes;
  };
  std::string list(2, '\0');
  list[0] = 1;
  list += item("Blur", 1);
  Handle filters = nilhandle;
  ASSERT_EQ(PtrToHand(list.data(), &filters, Size(list.size())), noErr);
  spot s = cardspot("Box");
  Handle alt = NewHandle(0);
  ASSERT_EQ(setaltdata(alt, filters, altfilters), noErr);
  s.alt = alt;
  putcardspot("Box", s);
  EXPECT_EQ(cardvalue("the disabled of filter 1 of graphic \"Box\""), "false");
  EXPECT_EQ(cardvalue("the disabled of filter \"blur\" of graphic \"Box\""), "false") << "names ignore case";
  EXPECT_EQ(cardvalue("the disabled of filter 2 of graphic \"Box\""), "error 59");
  EXPECT_EQ(cardvalue("the disabled of filter \"Edge\" of graphic \"Box\""), "error 59");
  deref(filters)[11] = 0;  // the enabled byte of the first item
  EXPECT_EQ(cardvalue("the disabled of filter 1 of graphic \"Box\""), "true");
  // An item length that runs past the list stops the walk.
  u32 bad = 1000;
  std::memcpy(deref(filters) + 2, &bad, 4);
  EXPECT_EQ(cardvalue("the disabled of filter 1 of graphic \"Box\""), "error 2");
}

}  // namespace
}  // namespace kv
