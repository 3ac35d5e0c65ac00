// Renumbering and renaming as scripts do it: ids of cards, backgrounds and objects, names of
// every kind with their keys and auto-width buttons, title bars and command keys.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/windows/windows.h"
#include "render/updateword.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/namekey.h"
#include "store/objects.h"
#include "store/pagedlists.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class NameSetterTest : public PropertyTest {
 protected:
  windrec wind() { return loadat<windrec>(deref(current().wind)); }
  wordentry entry(i32 n) {
    wordentry e{};
    EXPECT_EQ(getword(current().store, current().wind, n, &e), 0);
    return e;
  }
  static std::string resulttext() {
    Handle r = mainglobals().result;
    return r == nilhandle ? "" : std::string(reinterpret_cast<const char*>(deref(r)), size_t(GetHandleSize(r)));
  }
  static std::string resultentry(i16 n) {
    StringPtr s = resultstr(n);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  menuitem item(i32 n) {
    objread obj{};
    EXPECT_EQ(readreference("menu \"File\"", &obj), 0);
    menuitem it = loadat<menuitem>(deref(obj.menu.items) + Size(n - 1) * Size(sizeof(menuitem)));
    writeobj(&obj);
    return it;
  }
};

TEST_F(NameSetterTest, CardAndBackgroundIds) {
  const u32 own = current().cardid;
  ASSERT_EQ(setline("set the id of card 1 to " + std::to_string(own)), 0);
  EXPECT_EQ(resulttext(), resultentry(71)) << "an id in use";
  EXPECT_EQ(current().cardid, own);
  ASSERT_EQ(setline("set the id of card 1 to 5000"), 0);
  EXPECT_EQ(u32(entry(1).cardid), 5000u);
  EXPECT_EQ(current().cardid, 5000u) << "the window's context follows";
  EXPECT_GE(u32(wind().nextid), 5001u) << "the next new id is above it";
  EXPECT_TRUE(changed(current().windrecid));
  EXPECT_EQ(cardvalue("the short id of card 1"), "5000");

  const u32 back = current().backid;
  ASSERT_EQ(setline("set the id of bkgnd 1 to 6000"), 0);
  for (i32 n = 1; n <= 3; ++n) EXPECT_EQ(u32(entry(n).backid), 6000u) << "card " << n;
  EXPECT_EQ(current().backid, 6000u);
  EXPECT_NE(back, 6000u);
  EXPECT_GE(u32(wind().nextid), 6001u);

  setrows({
      {"set the id of window 1 to 3", "", "error 65"},
      {"set the id of card 1 to 0", "", "error 209"},
      {"set the id of card 1 to -3", "", "error 209"},
      {"set the id of card 1 to 2147483647", "", "error 209"},
      {"set the id of card 1 to 7 8", "", "error 19"},
      {"set the id of card 1 to \"x\"", "", "error 13"},
  });
  EXPECT_EQ(current().cardid, 5000u) << "no failure changed it";
}

TEST_F(NameSetterTest, ObjectIds) {
  const u32 two = cardspot("Two").id;
  ASSERT_EQ(setline("set the id of card button \"Go\" to " + std::to_string(two)), 0);
  EXPECT_EQ(resulttext(), resultentry(71));
  EXPECT_NE(u32(cardspot("Go").id), two);
  ASSERT_EQ(setline("set the id of card button \"Go\" to 900"), 0);
  EXPECT_EQ(u32(cardspot("Go").id), 900u);
  EXPECT_TRUE(changed(current().cardrecid));
  EXPECT_GE(u32(wind().nextid), 901u);
}

TEST_F(NameSetterTest, Names) {
  const u32 counter = mainglobals().changecounter;
  ASSERT_EQ(setline("set the name of bkgnd 1 to \"New\""), 0);
  EXPECT_EQ(cardvalue("the short name of bkgnd 1"), "New");
  EXPECT_EQ(cardvalue("the short id of bkgnd \"New\""), std::to_string(current().backid)) << "found by its new name";
  ASSERT_EQ(setline("set the name of card 2 to \"Second\""), 0);
  u32 key = 0;
  getkey(reinterpret_cast<const u8*>("\x06Second"), &key);
  EXPECT_EQ(u32(entry(2).namekey), key) << "the card's entry keeps its key";
  EXPECT_EQ(cardvalue("the number of card \"Second\""), "2");
  ASSERT_EQ(setline("set the name of window 1 to \"Renamed\""), 0);
  Str255 title{};
  GetWTitle(current().window, title);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(title + 1), title[0]), "Renamed");
  EXPECT_EQ(cardvalue("the short name of window \"Renamed\""), "Renamed");
  EXPECT_EQ(mainglobals().changecounter, counter + 3) << "each rename of a card, background or window";

  ASSERT_EQ(setline("set the name of card button 1 to empty"), 0);
  EXPECT_EQ(Handle(spotat(current().cardspots, 0).name), nilhandle) << "no name handle";
  ASSERT_EQ(setline("set the name of item 1 of menu \"File\" to \"Open\""), 0);
  EXPECT_EQ(cardvalue("the short name of item 1 of menu \"File\""), "Open");
  ASSERT_EQ(setline("set the name of menu \"File\" to \"Archive\""), 0);
  EXPECT_EQ(cardvalue("the short name of menu \"Archive\""), "Archive");
  EXPECT_EQ(setline("set the name of this project to \"x\""), 65);
  EXPECT_EQ(setline("set the name of card 1 to \"a\" \"b\""), 19);
}

TEST_F(NameSetterTest, AutoWidthButtonsFollowTheirNames) {
  const i32 index = cardindex("Two");
  auto button = [&]() { return spotat(current().cardspots, index); };
  spot s = button();
  s.style = 201;
  s.flags |= 1u << 10;
  putspot(current().cardspots, index, s);
  ASSERT_EQ(setline("set the name of card button \"Two\" to \"OK\""), 0);
  const Rect before = button().rect;
  ASSERT_EQ(setline("set the name of card button \"OK\" to \"Cancel\""), 0);
  const buttontail t = getbuttontail(button());
  TextFont(i16(t.words.v[0]));
  TextSize(i16(t.words.v[1]));
  TextFace(Style(t.words.v[2]));
  const i32 grown = StringWidth(reinterpret_cast<const u8*>("\x06"
                                                            "Cancel")) -
                    StringWidth(reinterpret_cast<const u8*>("\x02OK"));
  ASSERT_GT(grown, 0);
  EXPECT_EQ(button().rect.right - before.right, grown) << "by the difference of the two widths";
  EXPECT_EQ(button().rect.left, before.left);
  ASSERT_EQ(setline("set the name of card button \"Cancel\" to \"OK\""), 0);
  EXPECT_EQ(button().rect.right, before.right) << "and shrinks back";
}

TEST_F(NameSetterTest, TitleBarsAndCommandKeys) {
  const u32 flags = wind().flags;
  ASSERT_EQ(setline("set the titleBar of window 1 to left"), 0);
  EXPECT_EQ(u32(wind().flags), (flags & ~0x30u) | 0x10u) << "bits 4-5 take 1, the others stay";
  ASSERT_EQ(setline("set the titleBar of window 1 to \"none\""), 0);
  EXPECT_EQ(u32(wind().flags), (flags & ~0x30u) | 0x20u);
  EXPECT_EQ(setline("set the titleBar of window 1 to sideways"), 2);
  EXPECT_EQ(setline("set the titleBar of card 1 to left"), 2);

  ASSERT_EQ(setline("set the commandChar of item 1 of menu \"File\" to \"abc\""), 0);
  EXPECT_EQ(item(1).word0, u16('a'));
  ASSERT_EQ(setline("set the commandChar of item 1 of menu \"File\" to empty"), 0);
  EXPECT_EQ(item(1).word0, 0);
  EXPECT_EQ(setline("set the commandChar of card button 1 to \"x\""), 2);
  mainglobals().plugin = 1;
  EXPECT_EQ(setline("set the commandChar of item 1 of menu \"File\" to \"x\""), 177);
  mainglobals().plugin = 0;
}

// A project whose file cannot be written takes a new card name in memory, and its card-entry
// write-back forgets the change: reading another card, going there and closing the project
// write nothing.
TEST_F(NameSetterTest, ALockedProjectWritesNothing) {
  ASSERT_EQ(setline("set the cantModify of this project to true"), 0);
  auto bytes = [path = projectpath()]() {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string before = bytes();
  ASSERT_FALSE(before.empty());
  ASSERT_EQ(setline("set the name of card 1 to \"x\""), 0);
  EXPECT_EQ(cardvalue("the short name of this card"), "x") << "the change holds while the card is shown";
  ASSERT_TRUE(changed(current().cardrecid));
  updateword(current());
  EXPECT_FALSE(changed(current().cardrecid)) << "the pending change is forgotten";
  EXPECT_EQ(cardvalue("the name of card 2"), "card \"Two\"");
  ASSERT_EQ(doline("go next card"), 0);
  // The end of a run: every window taken down with its records.
  closeallwindows();
  EXPECT_EQ(bytes(), before);
}

}  // namespace
}  // namespace kv
