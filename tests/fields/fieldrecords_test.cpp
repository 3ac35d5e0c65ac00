// Housekeeping of the live text records of fields: the open field, rectangles kept in step
// with the field, and freeing records and undo history across the open windows.
#include "engine/indent.h"
#include "fields/fieldrecords.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/spots.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

class FieldRecordsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    MainGlobals& g = mainglobals();
    g.openfield = -1;
    g.winds = NewHandle(0);
    g.current.tool = toolbrowse;
    installweliveparts();  // the records still live at the end go with their lists
  }
  void TearDown() override {
    for (Handle list : lists_) dumpspot(list);
    RuntimeTest::TearDown();
  }

  // A field with a live record whose rectangles are the field's own.
  static spot livefieldspot(u16 style, u32 id, Rect r = Rect{10, 10, 110, 210}) {
    spot s = testspots::newspot(spotfield, style, id, r);
    s.showpen = 0;
    LongRect dest, view;
    ldestview(s, &dest, &view);
    WEReference we = nilid;
    EXPECT_EQ(WENew(&dest, &view, 0x1000, &we), noErr);
    setlivefield(s, we);
    return s;
  }
  Handle newlist(const std::vector<spot>& objects) {
    Handle list = NewHandle(0);
    for (const spot& s : objects) PtrAndHand(&s, list, sizeof s);
    lists_.push_back(list);
    return list;
  }
  // Opens a window context with a card list and a background list.
  void openwindow(Handle cardspots, Handle backspots) {
    desk d{};
    d.cardspots = cardspots;
    d.backspots = backspots;
    PtrAndHand(&d, mainglobals().winds, sizeof d);
    ++mainglobals().numwinds;
  }
  static spot at(Handle list, i32 i) { return HandleAs<spot>(list)[i]; }
  static WEReference rec(Handle list, i32 i) { return livefield(at(list, i)); }

  std::vector<Handle> lists_;
};

TEST_F(FieldRecordsTest, CleanwerecsFreesTheFirstRecordCardBeforeBackground) {
  Handle card1 = newlist({livefieldspot(stylefieldlist, 1), livefieldspot(stylefieldscroll, 2)});
  Handle back1 = newlist({livefieldspot(stylefieldrect, 3)});
  Handle card2 = newlist({livefieldspot(stylefieldrect, 4)});
  // The list field's slot holds a list, never a text record: clear it again.
  spot list = at(card1, 0);
  WEDispose(livefield(list));
  setlivefield(list, 0);
  HandleAs<spot>(card1)[0] = list;
  openwindow(card1, back1);
  openwindow(card2, 0);

  const WEReference first = rec(card1, 1), second = rec(back1, 0), third = rec(card2, 0);
  EXPECT_EQ(cleanwerecs(false), 1);
  EXPECT_FALSE(isvalidwerec(first));
  EXPECT_EQ(rec(card1, 1), 0u) << "the slot is cleared";
  EXPECT_EQ(cleanwerecs(false), 1);
  EXPECT_FALSE(isvalidwerec(second));
  EXPECT_EQ(cleanwerecs(false), 1);
  EXPECT_FALSE(isvalidwerec(third));
  EXPECT_EQ(cleanwerecs(false), 0);
}

TEST_F(FieldRecordsTest, CleanwerecsPacksChangedRecordsAndCanTakeOnlyCleanOnes) {
  Handle card = newlist({livefieldspot(stylefieldrect, 1), livefieldspot(stylefieldrect, 2)});
  openwindow(card, 0);
  const WEReference dirty = rec(card, 0), clean = rec(card, 1);
  SetWERecDirtyFlag(dirty, true);
  EXPECT_TRUE(GetWERecDirtyFlag(dirty));
  EXPECT_EQ(cleanwerecs(true), 1);
  EXPECT_TRUE(isvalidwerec(dirty)) << "a changed record stays while only clean ones may go";
  EXPECT_FALSE(isvalidwerec(clean));
  EXPECT_EQ(cleanwerecs(true), 0);
  EXPECT_EQ(cleanwerecs(false), 1);
  EXPECT_FALSE(isvalidwerec(dirty));
}

TEST_F(FieldRecordsTest, TheOpenFieldsRecordIsNeverFreedAndItsUndoIsKept) {
  Handle card = newlist({livefieldspot(stylefieldrect, 1), livefieldspot(stylefieldrect, 2)});
  openwindow(card, 0);
  const WEReference open = rec(card, 0), other = rec(card, 1);
  mainglobals().openfield = 0;
  mainglobals().openfieldrec = open;
  WEInsert("ab", 2, 0, 0, open);
  WEInsert("cd", 2, 0, 0, other);
  EXPECT_EQ(cleanweundos(), 1);
  EXPECT_EQ(WEGetModCount(open), 1);
  EXPECT_EQ(WEGetModCount(other), 0);
  EXPECT_EQ(cleanweundos(), 0);
  EXPECT_EQ(cleanwerecs(false), 1);
  EXPECT_FALSE(isvalidwerec(other));
  EXPECT_EQ(cleanwerecs(false), 0);
  EXPECT_TRUE(isvalidwerec(open));
  // With no field open the record may go.
  mainglobals().openfield = -1;
  EXPECT_EQ(cleanweundos(), 1);
  EXPECT_EQ(cleanwerecs(false), 1);
  EXPECT_FALSE(isvalidwerec(open));
}

TEST_F(FieldRecordsTest, OpenFieldBookkeeping) {
  MainGlobals& g = mainglobals();
  Handle card = newlist({livefieldspot(stylefieldrect, 1), livefieldspot(stylefieldscrolllist, 2)});
  const spot text = at(card, 0);
  const WEReference we = livefield(text);
  g.openfieldrec = we;
  EXPECT_FALSE(havefield(text)) << "no field is open";
  EXPECT_EQ(g.openfieldrec, we);
  g.current.tool = tooltext;
  EXPECT_FALSE(havefield(text));
  EXPECT_EQ(g.openfieldrec, 0u) << "under the text tool a record without an open field is forgotten";

  OwnedWorld gw;
  Rect bounds{0, 0, 300, 300};
  ASSERT_EQ(NewGWorld(&gw, 32, &bounds, 0, 0, 0), noErr);
  SetGWorld(gw, 0);
  loadfield(text);
  EXPECT_EQ(g.openfieldrec, we);
  EXPECT_EQ(WEGetPort(we), gw);
  g.openfield = 0;
  EXPECT_TRUE(havefield(text));
  dumpfield();
  EXPECT_EQ(g.openfieldrec, we) << "a field is open";
  g.openfield = -1;
  loadfield(at(card, 1));
  EXPECT_EQ(g.openfieldrec, 0u) << "a list is not loaded; with no field open the record is forgotten";
  g.openfieldrec = we;
  dumpfield();
  EXPECT_EQ(g.openfieldrec, 0u);
  SetGWorld(0, 0);
}

TEST_F(FieldRecordsTest, ResetbgfieldsClearsTheScrollOfScrollingFields) {
  spot scrolling = livefieldspot(stylefieldscroll, 1);
  spot plain = livefieldspot(stylefieldrect, 2);
  setfieldscroll(scrolling, 40);
  setfieldscroll(plain, 40);
  Handle back = newlist({scrolling, plain});
  mainglobals().openfieldrec = livefield(plain);
  resetbgfields(back);
  EXPECT_EQ(getfieldscroll(at(back, 0)), 0);
  EXPECT_EQ(getfieldscroll(at(back, 1)), 40);
  EXPECT_EQ(mainglobals().openfieldrec, 0u);
}

TEST_F(FieldRecordsTest, RectanglesFollowTheField) {
  spot s = livefieldspot(stylefieldscroll, 1);
  const WEReference we = livefield(s);
  Handle card = newlist({s});
  EXPECT_FALSE(fldrecthaschanged(s));

  // The engine has laid the text out: its destination is taller than the field.
  LongRect dest;
  WEGetDestRect(&dest, we);
  dest.bottom = dest.top + 500;
  WESetDestRect(&dest, we);
  EXPECT_FALSE(fldrecthaschanged(s));
  resyncwerects(s);
  WEGetDestRect(&dest, we);
  EXPECT_EQ(dest.bottom - dest.top, 500) << "nothing changed, nothing done";

  // Moved: the view follows, the destination keeps its laid-out height.
  s.rect = Rect{30, 15, 130, 215};
  EXPECT_TRUE(fldrecthaschanged(s));
  resyncwerects(s);
  LongRect view, wantdest, wantview;
  ldestview(s, &wantdest, &wantview);
  WEGetViewRect(&view, we);
  WEGetDestRect(&dest, we);
  EXPECT_TRUE(view == wantview);
  EXPECT_EQ(dest.top, wantdest.top);
  EXPECT_EQ(dest.left, wantdest.left);
  EXPECT_EQ(dest.right, wantdest.right);
  EXPECT_EQ(dest.bottom - dest.top, 500);
  EXPECT_FALSE(fldrecthaschanged(s));

  // Resized: both rectangles are the field's again.
  s.rect = Rect{30, 15, 200, 300};
  resyncwerects(s);
  WEGetViewRect(&view, we);
  WEGetDestRect(&dest, we);
  ldestview(s, &wantdest, &wantview);
  EXPECT_TRUE(view == wantview);
  // Laid out again: the destination is the field's, as tall as the text.
  EXPECT_TRUE((LongRect{dest.top, dest.left, wantdest.bottom, dest.right}) == wantdest);
  EXPECT_EQ(dest.bottom - dest.top, WEGetHeight(0, WECountLines(we), we));
  EXPECT_EQ(WEGetProperty(fourcc("VIZU"), fourcc("marg"), 0, nullptr, nullptr, we), noErr) << "margins were set";
  (void)card;
}

TEST_F(FieldRecordsTest, AutoIndentSettings) {
  WEReference we = nilid;
  ASSERT_EQ(WENew(nullptr, nullptr, 0x1000, &we), noErr);
  EXPECT_FALSE(WEGetAutoIndentFlag(we));
  const u32 allowobjects = 0x00040000;
  ASSERT_EQ(WESetInfo(fourcc("refc"), &allowobjects, we), noErr);
  EXPECT_TRUE(WEGetAutoIndentFlag(we));
  EXPECT_EQ(GetAutoIndentSize(we), 0);
  EXPECT_EQ(GetAutoIndentSpaceWidth(we), 0);
  SetAutoIndentSize(we, 4);
  WESetUserInfo(fourcc("EMSP"), 6, we);
  EXPECT_EQ(GetAutoIndentSize(we), 4);
  EXPECT_EQ(GetAutoIndentSpaceWidth(we), 6);
  WEDispose(we);
  EXPECT_EQ(GetAutoIndentSize(we), 0);
  EXPECT_FALSE(WEGetAutoIndentFlag(we));
}

}  // namespace
}  // namespace kv
