// Cut, copy, paste and delete as scripts use them: the clipboard's kinds and flavours, objects
// cut and pasted back with their ids and delete messages, pastes centred in view, text of
// fields, the words of the commands, and what the user sees of a pasted copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "textengine/werecord.h"
#include "platform/testing/transcript.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "tests/support/windows.h"
#include "tools/objectclipboard.h"

namespace kv {
namespace {

using testproject::Object;

class EditCommandsTest : public WindowTest {
 protected:
  // Card buttons "B1" and "B2" (B2 says where its delete message came), a card field "E"
  // (empty) and "F" ("hello world"), a background button "BB".
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{60, 60, 360, 460};
    w.backgrounds.push_back(testproject::Background{"Bg", "", {Object{.name = "BB", .rect = {200, 300, 220, 380}}}});
    testproject::Card c;
    c.objects = {Object{.name = "B1",
                        .script = "on deleteButton\n global gone\n put \"B1 \" after gone\nend deleteButton",
                        .rect = {10, 10, 30, 90}},
                 Object{.name = "B2",
                        .script = "on deleteButton\n global gone\n put \"B2 \" after gone\nend deleteButton",
                        .rect = {40, 10, 60, 90}},
                 Object{.kind = Object::field, .name = "E", .text = "x", .rect = {100, 10, 140, 200}},
                 Object{.kind = Object::field, .name = "F", .text = "hello world", .rect = {150, 10, 190, 200}}};
    w.cards.push_back(c);
    w.cards.push_back(testproject::Card{});
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("global gone\nput empty into gone"), 0);
  }
  void TearDown() override {
    killall();
    WindowTest::TearDown();
  }

  // The names of a list's objects in order, with "*" after a selected one.
  static std::string names(Handle list) {
    std::string out;
    for (i32 i = 0; i < spotcount(list); ++i) {
      const spot s = spotat(list, i);
      if (!out.empty()) out += ' ';
      if (s.name != nilhandle) out.append(reinterpret_cast<const char*>(deref(s.name)), size_t(GetHandleSize(s.name)));
      if (s.selected) out += '*';
    }
    return out;
  }
  std::string cardnames() { return names(current().cardspots); }
  static long beeps() { return std::count(transcriptlines().begin(), transcriptlines().end(), "beep"); }
};

TEST_F(EditCommandsTest, TheClipboardSaysWhatItHolds) {
  cardrows({{"cut empty", "the clipBoard", "empty"}, {"", "the scrapFlavors", ""}});
  headlessbackend()->setexternalclipboard({ClipFlavor{fourcc("TEXT"), {'h', 'i'}}});
  cardrows({{"", "the clipBoard", "text"},
            {"", "the scrapFlavors", "TEXT"},
            {"select text of card field \"E\"\npaste", "card field \"E\"", "hi"},
            {"select button \"B1\"\ncopy", "the clipBoard", "objects"}});
  EXPECT_EQ(std::string(cardvalue("the scrapFlavors")), "PICT") << "the objects go out as one picture";
  setcardsonclipboard(true);
  EXPECT_EQ(cardvalue("the clipBoard"), "cards") << "cards win over objects";
  // Nothing selected anywhere: a beep, and both clipboards are emptied all the same.
  ASSERT_EQ(doline("choose browse tool"), 0);
  const long before = beeps();
  ASSERT_EQ(doline("cut"), 0);
  EXPECT_EQ(beeps(), before + 1);
  EXPECT_EQ(spotcount(objectclipboard()), 0);
  EXPECT_FALSE(cardsonclipboard());
}

TEST_F(EditCommandsTest, WordsOfTheCommands) {
  failrows({{"paste text foo", "", "error 2"},
            {"cut objects x", "", "error 2"},
            {"cut window 1", "", "error 2"},
            {"copy button 1 x", "", "error 19"},
            {"copy card x", "", "error 51"},
            {"paste card now", "", "error 2"},
            {"delete card 1 of window 2", "", "error 61"},
            {"cut card 2", "", "error 2"}});
  ASSERT_EQ(doline("select button 1"), 0);
  setmemoryguardrefusal(true);
  EXPECT_EQ(failingline("copy"), 37);
  setmemoryguardrefusal(false);
  // `delete result` and `delete focusHilite`.
  cardrows({{"find \"zzz\"\nput the result into card field \"E\"", "card field \"E\" is empty", "false"},
            {"find \"zzz\"\ndelete result\nput the result into card field \"E\"", "card field \"E\"", ""}});
  for (Handle list : {current().cardspots, current().backspots}) {
    for (i32 i = 0; i < spotcount(list); ++i) {
      spot s = spotat(list, i);
      s.flags |= 1u << 28;
      putspot(list, i, s);
    }
  }
  ASSERT_EQ(doline("delete focusHilite"), 0);
  for (Handle list : {current().cardspots, current().backspots})
    for (i32 i = 0; i < spotcount(list); ++i) EXPECT_EQ(spotat(list, i).flags & (1u << 28), 0u) << i;
}

TEST_F(EditCommandsTest, CutSendsDeleteMessagesAndPasteBringsTheObjectsBack) {
  const u32 id1 = spotat(current().cardspots, 0).id, id2 = spotat(current().cardspots, 1).id;
  ASSERT_EQ(doline("choose button tool\nselect button \"B1\""), 0);
  spot s = spotat(current().cardspots, 1);
  s.selected = 1;
  putspot(current().cardspots, 1, s);
  cardrows({{"cut", "gone", "B1 B2 "}});
  EXPECT_EQ(cardnames(), "E F");
  ASSERT_EQ(doline("paste"), 0);
  EXPECT_EQ(cardnames(), "E F B1* B2*");
  EXPECT_EQ(u32(spotat(current().cardspots, 2).id), id1);
  EXPECT_EQ(u32(spotat(current().cardspots, 3).id), id2);
  // Pasted again: the copies' ids come after the largest, never below 100.
  ASSERT_EQ(doline("paste"), 0);
  EXPECT_EQ(cardnames(), "E F B1 B2 B1* B2*");
  EXPECT_EQ(u32(spotat(current().cardspots, 4).id), 100u);
  EXPECT_EQ(u32(spotat(current().cardspots, 5).id), 101u);
  ASSERT_EQ(doline("paste"), 0);
  EXPECT_EQ(u32(spotat(current().cardspots, 7).id), 103u);
  // The Delete key clears the selected objects, with their delete messages.
  ASSERT_EQ(doline("put empty into gone\ntype numToChar(8)"), 0);
  EXPECT_EQ(cardnames(), "E F B1 B2 B1 B2");
  EXPECT_EQ(cardvalue("gone"), "B1 B2 ");
}

TEST_F(EditCommandsTest, LockedMessagesAHandlerLeavingTheCardAndAnExternal) {
  ASSERT_EQ(doline("choose button tool"), 0);
  cardrows({{"set lockMessages to true\ndelete button \"B1\"", "gone", ""}});
  EXPECT_EQ(cardnames(), "B2 E F");
  ASSERT_EQ(doline("set lockMessages to false"), 0);
  // A delete handler that goes to the next card: nothing is deleted, and no error.
  ASSERT_EQ(doline("set the script of button \"B2\" to \"on deleteButton\" & return & \"go next\" & return & "
                   "\"end deleteButton\""),
            0);
  EXPECT_EQ(doline("cut button \"B2\""), 0);
  ASSERT_EQ(doline("go first"), 0);
  // Still there; going to the other card and back left it unselected.
  EXPECT_EQ(cardnames(), "B2 E F");
}

TEST_F(EditCommandsTest, PastedObjectsFromOutOfViewAreCentred) {
  ASSERT_EQ(doline("choose button tool\nselect button \"B1\"\ncopy\nselect empty"), 0);
  // Moved far out of view on the clipboard: centred in the interior (400 x 300) when pasted.
  Handle clip = objectclipboard();
  spot s = spotat(clip, 0);
  s.rect = Rect{1000, 1000, 1020, 1080};
  putspot(clip, 0, s);
  ASSERT_EQ(doline("paste"), 0);
  const Rect r = spotat(current().cardspots, 4).rect;
  EXPECT_EQ((r.left + r.right) / 2, 200);
  EXPECT_EQ((r.top + r.bottom) / 2, 150);
  // Overlapping the interior: the place is kept.
  ASSERT_EQ(doline("select button \"B2\"\ncopy\npaste"), 0);
  EXPECT_EQ(i16(spotat(current().cardspots, 5).rect.top), 40);
}

TEST_F(EditCommandsTest, TextOfFields) {
  cardrows({{"select word 2 of card field \"F\"\ncopy", "the clipBoard", "text"},
            {"select text of card field \"E\"\npaste", "card field \"E\"", "world"},
            {"select word 1 of card field \"F\"\ncut", "card field \"F\"", "world"},
            {"select after text of card field \"E\"\npaste text without style", "card field \"E\"", "world hello"}});
  // A locked field keeps its text.
  ASSERT_EQ(doline("set lockText of card field \"F\" to true"), 0);
  mainglobals().openfieldlocked = 1;
  EXPECT_EQ(doline("select word 1 of card field \"F\"\ncut text"), 0);
  EXPECT_EQ(cardvalue("card field \"F\""), "world");
}

TEST_F(EditCommandsTest, ACopiedPictureInAFieldGoesToTheObjectClipboardToo) {
  ASSERT_EQ(doline("set the allowObjects of card field \"F\" to true\nselect after text of card field \"F\""), 0);
  ASSERT_GE(mainglobals().openfield, 0);
  // A picture of a filled square embedded at the end of the text.
  SetPortWindowPort(current().window);
  const Rect frame{0, 0, 20, 20};
  PicHandle picture = OpenPicture(&frame);
  PaintRect(&frame);
  ClosePicture();
  ASSERT_EQ(WEInsertObject(fourcc("PICT"), picture, Point{20, 20}, mainglobals().openfieldrec), noErr);
  // The picture alone selected, as a click on it selects it.
  WESetSelection(11, 12, mainglobals().openfieldrec);
  cardrows({{"copy", "the clipBoard", "objects"}, {"", "the scrapFlavors", "PICT"}});
  EXPECT_EQ(spotcount(objectclipboard()), 1);
}

TEST_F(EditCommandsTest, AFieldBeingEditedIsCopiedWithItsUnsavedText) {
  ASSERT_EQ(doline("select text of card field \"E\"\ntype \"abc\""), 0);
  ASSERT_GE(mainglobals().openfield, 0);
  Handle scratch = NewHandle(0);
  for (i32 i = 0; i < spotcount(current().cardspots); ++i) {
    spot o = spotat(current().cardspots, i);
    o.selected = i == 2;
    putspot(current().cardspots, i, o);
  }
  ASSERT_EQ(copyspot(current().cardspots, scratch, SelectMode::selected), 0);
  ASSERT_EQ(spotcount(scratch), 1);
  ASSERT_EQ(doline("select empty\nchoose field tool"), 0);
  spot e = spotat(current().cardspots, 2);
  e.selected = 1;
  putspot(current().cardspots, 2, e);
  dumpspot(current().cardspots, SelectMode::selected);
  EXPECT_EQ(cardnames(), "B1 B2 F");
  ASSERT_EQ(copyspot(scratch, current().cardspots, SelectMode::all), 0);
  EXPECT_EQ(cardvalue("card field \"E\""), "abc");
  kv::dumpspot(scratch);
}

TEST_F(EditCommandsTest, ColoursAreRemappedFromTheClipboardsTable) {
  mainglobals().colorWorld = 1;
  ASSERT_EQ(doline("set the remapColor to true\ngo next\ngo first"), 0);
  if (current().backclut == nilhandle && current().cardclut == nilhandle) GTEST_SKIP() << "no colour tables";
  spot b = spotat(current().cardspots, 0);
  b.fillfore = 5;
  putspot(current().cardspots, 0, b);
  ASSERT_EQ(doline("select button \"B1\"\ncopy"), 0);
  Handle table = clipboardclut();
  ASSERT_NE(table, nilhandle);
  ASSERT_EQ(GetHandleSize(table), 2064);
  const auto entry = [&](int i) { return loadat<ColorSpec>(deref(table) + sizeof(ColorTableHeader) + 8 * i); };
  EXPECT_EQ(entry(0).rgb.red, 0xFFFF) << "white first";
  EXPECT_EQ(entry(255).rgb.blue, 0) << "black last";
  // The copied index names black in the clipboard's table: pasted, it names black here.
  ColorSpec five = entry(5);
  five.rgb = RGBColor{0, 0, 0};
  storeat(deref(table) + sizeof(ColorTableHeader) + 8 * 5, five);
  ASSERT_EQ(doline("paste"), 0);
  EXPECT_EQ(cardnames(), "B1 B2 E F B1*");
  EXPECT_EQ(spotat(current().cardspots, 4).fillfore, 255);
  EXPECT_EQ(spotat(current().cardspots, 0).fillfore, 5) << "the original keeps its index";
}

TEST_F(EditCommandsTest, GroupsNestedPastTheStoresLimitAreNotCopied) {
  // A rectangle, then a group of groups `depth` deep around one rectangle.
  auto nest = [](int depth) {
    spot s{};
    defaultspot(s);
    s.style = 100;
    Handle list = nilhandle;
    PtrToHand(&s, &list, Size(sizeof s));
    Handle top = nilhandle;
    PtrToHand(&s, &top, Size(sizeof s));
    for (int i = 0; i < depth; ++i) {
      spot g{};
      defaultspot(g);
      g.style = stylegroup;
      g.data = list;
      list = nilhandle;
      PtrToHand(&g, &list, Size(sizeof g));
    }
    PtrAndHand(deref(list), top, Size(sizeof(spot)));
    DisposeHandle(list);
    return top;
  };
  for (const auto& [depth, status] : {std::pair{kMaxGroupDepth, 0}, std::pair{kMaxGroupDepth + 1, 105}}) {
    Handle deep = nest(depth);
    Handle out = NewHandle(0);
    EXPECT_EQ(copyspot(deep, out, SelectMode::all), status) << depth;
    EXPECT_EQ(spotcount(out), status == 0 ? 2 : 0) << "nothing appended before the refusal";
    kv::dumpspot(out);
    kv::dumpspot(deep);
  }
}

TEST_F(EditCommandsTest, APastedCopyIsSeen) {
  ASSERT_EQ(doline("select button \"B1\"\nchoose pointer tool\ncopy"), 0);
  EXPECT_EQ(cardvalue("the clipBoard"), "objects");
  const Frame before = drawcard();
  // The copy lands on its original; the original moved away, both are seen.
  ASSERT_EQ(doline("paste\nselect empty\nset the rect of card button 1 to 200,240,280,260"), 0);
  EXPECT_EQ(cardnames(), "B1 B2 E F B1");
  const Frame after = drawcard();
  auto darkin = [](const Frame& f, Rect r) {
    int n = 0;
    for (int v = r.top; v < r.bottom; ++v)
      for (int h = r.left; h < r.right; ++h)
        n += (f.pixels[size_t(v) * size_t(f.width) + size_t(h)] & 0xFFFFFF) != 0xFFFFFF;
    return n;
  };
  EXPECT_EQ(darkin(before, Rect{240, 200, 260, 280}), 0);
  EXPECT_GT(darkin(after, Rect{240, 200, 260, 280}), 20) << "the moved original is drawn";
  EXPECT_GT(darkin(after, Rect{10, 10, 30, 90}), 20) << "and the pasted copy where it was";
}

}  // namespace
}  // namespace kv
