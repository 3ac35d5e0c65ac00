// The flags setter as scripts use it: the flag bits of objects with what they mark and redraw,
// the unshared hilites of background buttons, the flags of menus, items, cards, backgrounds and
// projects, the windows' flags (hiding, rebuilding, reframing) and the forms without an object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "render/objectbounds.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/redraws.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/starfile.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class FlagSetterTest : public PropertyTest {
 protected:
  void forget(u32 recid) { savevir(current().store, i32(recid)); }
  windrec wind() { return loadat<windrec>(deref(current().wind)); }
};

TEST_F(FlagSetterTest, ObjectBits) {
  const i32 go = cardindex("Go");
  Rect bounds{};
  calcspot(current().cardspots, i16(go), &bounds);
  forget(current().cardrecid);
  takeredraws();
  ASSERT_EQ(setline("set the visible of card button \"Go\" to false"), 0);
  EXPECT_FALSE(cardspot("Go").flags & 1);
  EXPECT_TRUE(changed(current().cardrecid));
  auto redraws = takeredraws();
  ASSERT_EQ(redraws.size(), 1u);
  EXPECT_EQ(redraws[0].area,
            (Rect{i16(bounds.top - 3), i16(bounds.left - 3), i16(bounds.bottom + 3), i16(bounds.right + 3)}))
      << "the old bounds grown by 3";
  forget(current().cardrecid);
  ASSERT_EQ(setline("set the visible of card button \"Go\" to false"), 0);
  EXPECT_FALSE(changed(current().cardrecid)) << "the same value marks nothing";
  EXPECT_TRUE(takeredraws().empty());

  const spot notes = cardspot("Notes");
  ASSERT_EQ(setline("set the useTextEngine of card field \"Notes\" to false"), 0);
  const spot notesafter = cardspot("Notes");
  EXPECT_EQ(std::memcmp(&notes, &notesafter, sizeof(spot)), 0) << "nothing changes";
  EXPECT_EQ(setline("set the autoResize of card button 1 to true"), 43);
  EXPECT_EQ(setline("set the allowObjects of card button 1 to true"), 210);
  EXPECT_EQ(setline("set the showRuler of card button 1 to true"), 210);
  const spot before = cardspot("Two");
  EXPECT_EQ(setline("set the locked of card button \"Two\" to \"yes\""), 15);
  const spot after = cardspot("Two");
  EXPECT_EQ(std::memcmp(&before, &after, sizeof(spot)), 0);

  setrows({
      {"set the showName of card button \"Two\" to false", "the showName of card button \"Two\"", "false"},
      {"set the dontSearch of card field \"Notes\" to true", "the dontSearch of card field \"Notes\"", "true"},
      {"set the showRuler of card field \"Notes\" to true", "the showRuler of card field \"Notes\"", "true"},
      {"set the sharedHilite of card button 1 to false", "", "error 205"},
      {"set the visible of card button 99 to false", "", "error 2"},
      {"set the visible card button 1 to false", "", "error 5"},
  });
  ASSERT_EQ(setline("set the focusHilite of card button \"Two\" to true"), 0);
  EXPECT_TRUE(cardspot("Two").flags & (1u << 28));
}

TEST_F(FlagSetterTest, AChangeOfAClosedWindowsObjectIsKept) {
  objread obj{};
  ASSERT_EQ(readreference("card 1 of window \"Other\"", &obj), 0);
  const u32 card = obj.d.cardrecid;
  writeobj(&obj);
  ASSERT_EQ(setline("set the cantDelete of card 1 of window \"Other\" to true"), 0);
  ASSERT_EQ(readreference("card 1 of window \"Other\"", &obj), 0);
  EXPECT_EQ(obj.d.cardrecid, card);
  EXPECT_TRUE(loadat<cardrec>(deref(obj.d.card)).flags & 1) << "kept after the reference was released";
  writeobj(&obj);
}

class UnsharedHiliteTest : public PropertyTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = project();
    testproject::Object a, b;
    a.name = "A";
    a.rect = Rect{200, 200, 220, 260};
    a.setflags = spotunsharedhilite;
    b = a;
    b.name = "B";
    b.rect = Rect{230, 200, 250, 260};
    p.windows[0].backgrounds[0].objects.push_back(a);
    p.windows[0].backgrounds[0].objects.push_back(b);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  // The kind-201 entries of a card: (id, hilite) pairs, after checking their layout.
  std::vector<std::pair<u32, u16>> unshared(std::string_view card) {
    std::vector<std::pair<u32, u16>> out;
    objread obj{};
    EXPECT_EQ(readreference(card, &obj), 0);
    Handle alt = loadat<cardrec>(deref(obj.d.card)).alt;
    Handle data = alt != nilhandle ? getaltdata(alt, 201) : nilhandle;
    if (data != nilhandle) {
      EXPECT_EQ(GetHandleSize(data) % 16, 0);
      for (Size k = 0; k + 16 <= GetHandleSize(data); k += 16) {
        const u8* e = deref(data) + k;
        EXPECT_EQ(u32(loadat<u32>(e + 4)), 8u);
        EXPECT_EQ(loadat<u16>(e + 10), 0);
        EXPECT_EQ(loadat<u32>(e + 12), 0u);
        out.emplace_back(loadat<u32>(e), loadat<u16>(e + 8));
      }
    }
    writeobj(&obj);
    return out;
  }
  u32 idof(std::string_view name) { return spotat(current().backspots, backindex(name)).id; }
};

TEST_F(UnsharedHiliteTest, TheCardsListFollows) {
  ASSERT_EQ(setline("set the hilite of bkgnd button \"A\" to true"), 0);
  const u32 a = idof("A"), b = idof("B");
  EXPECT_EQ(unshared("card 1"), (std::vector<std::pair<u32, u16>>{{a, 64}, {b, 0}}));
  EXPECT_TRUE(unshared("card 2").empty()) << "other cards' lists unchanged";
  ASSERT_EQ(setline("set the hilite of bkgnd button \"B\" of card 3 to true"), 0);
  EXPECT_EQ(unshared("card 3"), (std::vector<std::pair<u32, u16>>{{a, 0}, {b, 64}})) << "the reference's card";
  EXPECT_EQ(unshared("card 1"), (std::vector<std::pair<u32, u16>>{{a, 64}, {b, 0}}));
  // Sharing it again.
  ASSERT_EQ(setline("set the sharedHilite of bkgnd button \"B\" to true"), 0);
  EXPECT_FALSE(spotat(current().backspots, backindex("B")).flags & spotunsharedhilite);
  EXPECT_EQ(setline("set the sharedHilite of card button \"Go\" to true"), 205);
}

TEST_F(FlagSetterTest, OtherKinds) {
  forget(current().cardrecid);
  ASSERT_EQ(setline("set the cantDelete of card 1 to true"), 0);
  EXPECT_TRUE(loadat<cardrec>(deref(current().card)).flags & 1);
  EXPECT_TRUE(changed(current().cardrecid));
  EXPECT_EQ(setline("set the visible of card 1 to true"), 43);

  ASSERT_EQ(setline("set the disabled of menu \"File\" to true"), 0);
  EXPECT_EQ(cardvalue("the disabled of menu \"File\""), "true");
  ASSERT_EQ(setline("set the checkmark of item 2 of menu \"File\" to true"), 0);
  EXPECT_EQ(cardvalue("the checkmark of item 2 of menu \"File\""), "true");
  EXPECT_EQ(setline("set the visible of menu 1 to false"), 65);
  EXPECT_EQ(setline("set the locked of menu 1 to false"), 2);
  EXPECT_EQ(setline("set the locked of item 1 of menu 1 to false"), 43);

  ASSERT_EQ(setline("set the cantModify of this project to true"), 0);
  EXPECT_EQ(findprojectstore(current().store)->locked, 1);
  ASSERT_EQ(setline("set the cantModify of this project to false"), 0);
  EXPECT_EQ(findprojectstore(current().store)->locked, 0);

  ASSERT_EQ(setline("set the autoResize of bkgnd 1 to true"), 0);
  EXPECT_EQ(cardvalue("the referenceSize of bkgnd 1"), "540,360") << "the window's size";
  EXPECT_EQ(cardvalue("the referenceSize of this card"), "540,360");
  EXPECT_TRUE(loadat<backrec>(deref(current().back)).word2 & 2);
  ASSERT_EQ(setline("set the autoResize of bkgnd 1 to false"), 0);
  EXPECT_FALSE(loadat<backrec>(deref(current().back)).word2 & 2);
  EXPECT_EQ(cardvalue("the referenceSize of bkgnd 1"), "540,360") << "the property stays";

  ASSERT_EQ(setline("set the visible of msg to false"), 0);
  EXPECT_FALSE(msgvisible());
  ASSERT_EQ(setline("set the visible of the menuBar to true"), 0);
  EXPECT_EQ(setline("set the visible of nothing to true"), 2);
  EXPECT_EQ(setline("set the disabled of filter 1 of graphic 1 to true"), 59) << "no filters";
  EXPECT_EQ(setline("set the disabled of filter 1 of card button 1 to true"), 185);
}

TEST_F(FlagSetterTest, Windows) {
  mainglobals().plugin = 1;
  EXPECT_EQ(setline("set the closeBox of window 1 to false"), 177);
  EXPECT_EQ(setline("set the visible of window 1 to false"), 177);
  mainglobals().plugin = 0;

  const WindowRef w = current().window;
  ASSERT_EQ(setline("set the visible of window 1 to false"), 0);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(cardvalue("the visible of window 1"), "false") << "no latent visibility left";
  takeredraws();
  ASSERT_EQ(setline("set the visible of window 1 to true"), 0);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_FALSE(takeredraws().empty()) << "shown and redrawn";
  EXPECT_EQ(setline("set the visible of window \"Other\" to true"), 61);

  // The frame made again in place keeps the card's scroll.
  ASSERT_EQ(setline("set the backSize of bkgnd 1 to 2000,2000"), 0);
  ASSERT_EQ(setline("set the scroll of window 1 to 30,40"), 0);
  ASSERT_EQ(setline("set the closeBox of window 1 to false"), 0);
  EXPECT_FALSE(wind().flags & 1);
  EXPECT_TRUE(changed(current().windrecid));
  EXPECT_EQ(GetControl32BitValue(current().hscroll), 30);
  EXPECT_EQ(GetControl32BitValue(current().vscroll), 40);
  WindowAttributes attributes = 0;
  GetWindowAttributes(w, &attributes);
  EXPECT_FALSE(attributes & kWindowCloseBoxAttribute);
}

TEST_F(FlagSetterTest, ResizableRebuildsTheWindow) {
  ASSERT_EQ(setline("set the tool to \"button\""), 0);
  const WindowRef old = current().window;
  const std::vector<WindowRef> before = windowlist();
  const auto place = std::find(before.begin(), before.end(), old) - before.begin();
  transcriptclear();
  ASSERT_EQ(setline("set the resizable of window 1 to false"), 0);
  for (const std::string& line : transcriptlines()) {
    EXPECT_EQ(line.find("openCard"), std::string::npos) << line;
    EXPECT_EQ(line.find("closeCard"), std::string::npos) << line;
    EXPECT_EQ(line.find("Window"), std::string::npos) << line;
  }
  EXPECT_EQ(cardvalue("the resizable of window 1"), "false");
  EXPECT_EQ(current().cardnum, 1u) << "at its card";
  EXPECT_EQ(current().tool, 603) << "with its tool";
  EXPECT_FALSE(IsValidWindowPtr(old)) << "a new platform window";
  const std::vector<WindowRef> after = windowlist();
  EXPECT_EQ(after.size(), before.size());
  const auto now = std::find(after.begin(), after.end(), current().window) - after.begin();
  EXPECT_EQ(now, place) << "the same place in the window order";
  EXPECT_EQ(mainglobals().lockMessages, 0);
  EXPECT_EQ(mainglobals().reopeningwindow, 0);
}

}  // namespace
}  // namespace kv
