// Dragging text within and between records through the headless mouse: moves and copies with
// one undo step, the flavours a drag offers and makes on demand, what a record accepts, the
// drag image, the drag caret and drop highlight while tracking, and drops into the trash.
#include <cstring>
#include <string>
#include <vector>

#include "engine/indent.h"
#include "fields/fieldview.h"
#include "platform/drag/drag.h"
#include "platform/events/events.h"
#include "platform/testing/driver.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr OSType kWEStar = 0x57452A20;

// What the windows' handlers do with a drag: hand it to the record of their window.
struct Handlers {
  WEReference target = nilid;   // the record drops and tracking go to
  OSErr received = 0;           // what WEReceiveDrag answered
  std::string droplocation;     // set on the drag before the drop
  std::vector<OSType> flavors;  // of the first item, as offered
  std::vector<u32> flags;       // their flags
  std::string textseen;         // 'TEXT' read by the receiver instead of dropping
  bool readtext = false;
  std::vector<i32> caretoffsets;  // the drag caret after each in-window message
  std::vector<bool> hilited;      // the drop highlight after each in-window message
  std::vector<Cursor> cursors;
};
Handlers h;

OSErr tracking(DragTrackingMessage m, WindowRef, u32, DragRef drag) {
  if (m == kDragTrackingEnterHandler && h.flavors.empty()) {
    DragItemRef item = 0;
    GetDragItemReferenceNumber(drag, 1, &item);
    u16 n = 0;
    CountDragItemFlavors(drag, item, &n);
    for (u16 i = 1; i <= n; ++i) {
      OSType t = 0;
      FlavorFlags f = 0;
      GetFlavorType(drag, item, i, &t);
      GetFlavorFlags(drag, item, t, &f);
      h.flavors.push_back(t);
      h.flags.push_back(f);
    }
  }
  if (h.target == nilid) return noErr;
  WETrackDrag(m, drag, h.target);
  if (m == kDragTrackingInWindow) {
    h.caretoffsets.push_back(werec(h.target)->dragCaretOffset);
    h.hilited.push_back((werec(h.target)->flags & weFlagDropHilited) != 0);
    h.cursors.push_back(currentcursor());
  }
  return noErr;
}

OSErr receiving(WindowRef, u32, DragRef drag) {
  if (!h.droplocation.empty()) SetDropLocation(drag, h.droplocation);
  if (h.readtext) {
    DragItemRef item = 0;
    GetDragItemReferenceNumber(drag, 1, &item);
    i32 size = 0;
    if (GetFlavorDataSize(drag, item, fourcc("TEXT"), &size) != noErr) return dragNotAcceptedErr;
    h.textseen.assign(std::size_t(size), '\0');
    GetFlavorData(drag, item, fourcc("TEXT"), h.textseen.data(), &size, 0);
    return noErr;
  }
  if (h.target == nilid) return dragNotAcceptedErr;
  h.received = WEReceiveDrag(drag, h.target);
  return h.received == noErr ? OSErr(noErr) : OSErr(dragNotAcceptedErr);
}

bool Equal(const Cursor& a, const Cursor& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class WEDragTest : public WETest {
 protected:
  void SetUp() override {
    WETest::SetUp();
    h = Handlers{};
    left = window(Rect{60, 20, 260, 320});
    right = window(Rect{60, 360, 260, 660});
    InstallTrackingHandler(tracking, nilid, 0);
    InstallReceiveHandler(receiving, nilid, 0);
  }
  void TearDown() override {
    RemoveTrackingHandler(tracking, nilid);
    RemoveReceiveHandler(receiving, nilid);
    FlushEvents(everyEvent, 0);
    for (WEReference we : records_) WEDispose(we);
    records_.clear();
    SetGWorld(port_, 0);
    for (WindowRef w : windowlist()) DisposeWindow(w);
    WETest::TearDown();
  }
  static WindowRef window(Rect r) {
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &r, &w), noErr);
    ShowWindow(w);
    return w;
  }
  // A record in a window's port holding the text, drag and drop and undo on, active.
  WEReference inwindow(WindowRef w, const char* s, u32 features = (1u << weFDragAndDrop) | (1u << weFUndo)) {
    SetPortWindowPort(w);
    const WEReference we = make(features);
    EXPECT_EQ(WEUseText(text(s), we), noErr);
    EXPECT_EQ(WECalText(we), noErr);
    WEActivate(we);
    return we;
  }
  // The global point one pixel into the character at the offset.
  static Point at(i32 offset, WEReference we) {
    LongPoint p;
    WEGetPoint(offset, 0, &p, nullptr, we);
    Point pt{i16(p.v + 3), i16(p.h + 1)};
    SavePort keep;
    SetPort(werec(we)->port);
    LocalToGlobal(&pt);
    return pt;
  }
  // Drags from a to b and hands the mouse-down to the record, as the field's click would.
  static void drag(WEReference we, Point a, Point b, u16 mods = 0) {
    drive::advance(GetDblTime() + 1);  // a first click, not a double one
    drive::drag(a, b, 6, mods);
    EventRecord e{};
    do {
      ASSERT_TRUE(WaitNextEvent(mDownMask | mUpMask, &e, 60));
    } while (e.what != mouseDown);
    SetPort(werec(we)->port);
    Point local = e.where;
    GlobalToLocal(&local);
    WEClick(local, e.modifiers, e.when, we);
  }
  static std::pair<i32, i32> selection(WEReference we) {
    i32 s = 0, e = 0;
    WEGetSelection(&s, &e, we);
    return {s, e};
  }

  WindowRef left = nilid, right = nilid;
};

TEST_F(WEDragTest, ASelectionMovesOrCopiesWithinItsRecord) {
  WEReference we = inwindow(left, "abcd");
  h.target = we;
  WESetSelection(0, 2, we);
  const i32 mods = WEGetModCount(we);
  drag(we, at(0, we), at(4, we));
  EXPECT_EQ(textof(we), "cdab");
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{2, 4})) << "the dropped text is selected";
  EXPECT_EQ(WEGetModCount(we), mods + 2);
  ASSERT_EQ(WEUndo(we), noErr);
  EXPECT_EQ(textof(we), "abcd") << "one undo takes the whole move back";

  WESetSelection(0, 2, we);
  const i32 before = WEGetModCount(we);
  drag(we, at(0, we), at(4, we), optionKey);
  EXPECT_EQ(textof(we), "abcdab") << "the option key copies";
  EXPECT_EQ(WEGetModCount(we), before + 1);

  WESetSelection(0, 2, we);
  drag(we, at(0, we), at(1, we));
  EXPECT_EQ(h.received, dragNotAcceptedErr) << "onto its own selection";
  EXPECT_EQ(textof(we), "abcdab");

  drive::click(at(1, we));
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 60));
  Point local = e.where;
  GlobalToLocal(&local);
  ASSERT_EQ(_WEDrag(local, 0, e.when, we), 128) << "a press that does not move";
  FlushEvents(everyEvent, 0);
  WESetSelection(0, 2, we);
  drive::click(at(1, we));
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 60));
  local = e.where;
  GlobalToLocal(&local);
  WEClick(local, e.modifiers, e.when, we);
  EXPECT_EQ(selection(we), (std::pair<i32, i32>{1, 1})) << "and the click selects as usual";
}

TEST_F(WEDragTest, TheDragOffersItsFlavoursAndMakesOnlyThoseAsked) {
  WEReference from = inwindow(left, "styled text");
  WEReference to = inwindow(right, "x");
  WESetSelection(0, 6, from);
  h.target = to;
  drag(from, at(1, from), at(1, to));
  EXPECT_EQ(textof(to), "xstyled") << "copied to another record at the drop";
  EXPECT_EQ(textof(from), "styled text") << "a drag between records copies";
  const std::vector<OSType> styled{fourcc("RTF "), fourcc("TEXT"), fourcc("styl"), fourcc("FISH"), fourcc("WEpf"),
                                   fourcc("WEru"), fourcc("WEcf"), fourcc("WEst"), kWEStar};
  EXPECT_EQ(h.flavors, styled);
  EXPECT_EQ(h.flags.back(), flavorSenderOnly) << "'WE* ' is given at once, for the sender";
  EXPECT_EQ(h.flags[1], flavorDataPromised);

  h = Handlers{};
  WEReference mono = inwindow(left, "plain", (1u << weFDragAndDrop) | (1u << weFMonoStyled));
  WESetSelection(0, 5, mono);
  h.readtext = true;
  drag(mono, at(1, mono), at(1, to));
  EXPECT_EQ(h.flavors, (std::vector<OSType>{fourcc("TEXT"), kWEStar}));
  EXPECT_EQ(h.textseen, "plain");

  // The send procedure makes just the flavour it is asked for.
  DragRef d = nilid;
  ASSERT_EQ(NewDrag(&d), noErr);
  AddDragItemFlavor(d, from, fourcc("TEXT"), nullptr, 0, 0);
  AddDragItemFlavor(d, from, fourcc("styl"), nullptr, 0, 0);
  SetDragSendProc(d, _WESendFlavor, from);
  i32 size = 0;
  ASSERT_EQ(GetFlavorDataSize(d, from, fourcc("styl"), &size), noErr);
  EXPECT_EQ(size, 2 + 20) << "one style run";
  FlavorFlags f = 0;
  GetFlavorFlags(d, from, fourcc("TEXT"), &f);
  EXPECT_EQ(f, flavorDataPromised) << "'TEXT' was not made";
  EXPECT_EQ(_WESendFlavor(fourcc("PICT"), from, from, d), badDragFlavorErr) << "a flavour the drag does not offer";
  DisposeDrag(d);
}

TEST_F(WEDragTest, ScriptTextLeavesItsWindowIndented) {
  WEReference we = inwindow(left, "on mouseUp\rbeep\rend mouseUp");
  const u8 on = 1;
  WESetProperty(fourcc("VIZU"), fourcc("scri"), 1, &on, we);
  SetAutoIndentSize(we, 2);
  WESetSelection(0, WEGetTextLength(we), we);
  WindowRef other = right;
  (void)other;
  h.readtext = true;
  drag(we, at(1, we), Point{100, 400});
  EXPECT_EQ(h.textseen, "on mouseUp\r  beep\rend mouseUp");
  EXPECT_EQ(textof(we), "on mouseUp\rbeep\rend mouseUp");
}

TEST_F(WEDragTest, WhatARecordAcceptsAndTheDragImage) {
  WEReference we = inwindow(left, "some text");
  DragRef d = nilid;
  ASSERT_EQ(NewDrag(&d), noErr);
  EXPECT_TRUE(WECanAcceptDrag(d, we)) << "a drag without items";
  AddDragItemFlavor(d, 1, fourcc("PICT"), "p", 1, 0);
  EXPECT_FALSE(WECanAcceptDrag(d, we)) << "a picture without a picture handler";
  ASSERT_EQ(WEInstallObjectHandlers(we), noErr);
  EXPECT_TRUE(WECanAcceptDrag(d, we)) << "with the picture handler";
  WEFeatureFlag(weFReadOnly, 1, we);
  EXPECT_FALSE(WECanAcceptDrag(d, we)) << "read-only";
  WEFeatureFlag(weFReadOnly, 0, we);
  EXPECT_EQ(WEReceiveDrag(d, we), dragNotAcceptedErr) << "the mouse lies outside the view";
  DisposeDrag(d);

  WESetSelection(0, 4, we);
  GWorldPtr image = nilid;
  RgnHandle rgn = nilid;
  mainglobals().translucentDragLimit = 0;
  ASSERT_EQ(_WEMakeDragImage(&image, &rgn, we), noErr);
  EXPECT_EQ(image, nilid) << "a limit of 0 makes no image";
  const Rect b = regionbounds(rgn);
  DisposeRgn(rgn);
  EXPECT_EQ(b.top, 60) << "the region is global";
  mainglobals().translucentDragLimit = (b.right - b.left) * (b.bottom - b.top);
  ASSERT_EQ(_WEMakeDragImage(&image, &rgn, we), noErr);
  ASSERT_NE(image, nilid);
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(image)), 8);
  DisposeGWorld(image);
  DisposeRgn(rgn);
  SetAllowObjectsFlag(we, 1);
  ASSERT_EQ(_WEMakeDragImage(&image, &rgn, we), noErr);
  ASSERT_NE(image, nilid);
  EXPECT_EQ(GetPixDepth(GetGWorldPixMap(image)), 16) << "in a field that allows objects";
  DisposeGWorld(image);
  DisposeRgn(rgn);
}

TEST_F(WEDragTest, TrackingShowsTheDragCaretAndTheHighlight) {
  WEReference from = inwindow(left, "abcd");
  WEReference to = inwindow(right, "wxyz");
  WESetSelection(0, 2, from);
  h.target = to;
  drag(from, at(0, from), at(3, to));
  ASSERT_FALSE(h.caretoffsets.empty());
  EXPECT_EQ(werec(to)->dragCaretOffset, -1) << "gone after the drop";
  const auto shown = std::find(h.caretoffsets.begin(), h.caretoffsets.end(), 3);
  EXPECT_NE(shown, h.caretoffsets.end()) << "the drag caret stood at the offset under the mouse";
  EXPECT_TRUE(std::find(h.hilited.begin(), h.hilited.end(), true) != h.hilited.end());
  EXPECT_TRUE(Equal(h.cursors.back(), *themecursor(kThemeCopyArrowCursor))) << "a drag from elsewhere copies";
  EXPECT_EQ(textof(to), "wxyabz");

  // Over its own record: no caret inside the selection, no highlight in the sender window.
  h = Handlers{};
  h.target = from;
  WESetSelection(0, 2, from);
  drag(from, at(0, from), at(1, from));
  for (i32 c : h.caretoffsets) EXPECT_EQ(c, -1);
  for (bool hi : h.hilited) EXPECT_FALSE(hi);
  EXPECT_TRUE(Equal(h.cursors.back(), *themecursor(kThemeArrowCursor)));
}

TEST_F(WEDragTest, ADropIntoTheTrashDeletesTheSelection) {
  WEReference we = inwindow(left, "abcd");
  h.droplocation = trashfolder();
  h.readtext = true;
  WESetSelection(0, 2, we);
  drag(we, at(0, we), at(3, we), optionKey);
  EXPECT_EQ(textof(we), "abcd") << "not with the option key";
  WEFeatureFlag(weFReadOnly, 1, we);
  drag(we, at(0, we), at(3, we));
  EXPECT_EQ(textof(we), "abcd") << "not in a read-only record";
  WEFeatureFlag(weFReadOnly, 0, we);
  h.droplocation = trashfolder() + "/sub";
  drag(we, at(0, we), at(3, we));
  EXPECT_EQ(textof(we), "abcd") << "a folder inside the trash is not the trash";
  h.droplocation = trashfolder() + "/";
  drag(we, at(0, we), at(3, we));
  EXPECT_EQ(textof(we), "cd");
}


TEST_F(WEDragTest, OneSelectedObjectIsDraggedAsItself) {
  WEReference we = inwindow(left, "ab");
  Handle data = NewHandleClear(4);
  ASSERT_EQ(_WEInsertObjectAtOffset(1, fourcc("PICT"), data, Point{10, 10}, we), noErr);
  WESetSelection(1, 2, we);
  EXPECT_EQ(_WEDragFlavors(we), std::vector<OSType>{fourcc("PICT")});
  DragRef d = nilid;
  ASSERT_EQ(NewDrag(&d), noErr);
  AddDragItemFlavor(d, we, fourcc("PICT"), nullptr, 0, 0);
  AddDragItemFlavor(d, we, fourcc("TEXT"), nullptr, 0, 0);
  SetDragSendProc(d, _WESendFlavor, we);
  i32 size = 0;
  EXPECT_EQ(GetFlavorDataSize(d, we, fourcc("PICT"), &size), noErr);
  EXPECT_EQ(size, 4) << "the object's own data";
  EXPECT_EQ(GetFlavorDataSize(d, we, fourcc("TEXT"), &size), badDragFlavorErr) << "no text of a picture";
  DisposeDrag(d);
}

TEST_F(WEDragTest, TheDragCaretIsAColumnOfInvertedPixels) {
  WEReference we = inwindow(right, "wxyz");
  const Frame before = drive::windowpixels(right);
  _WEUpdateDragCaret(2, we);
  const Frame shown = drive::windowpixels(right);
  Rect caret{0, 0, 0, 0};
  _WEGetCaretRect(2, 0, &caret, we);
  i32 changed = 0;
  for (i32 v = 0; v < shown.height; ++v)
    for (i32 h = 0; h < shown.width; ++h) {
      const std::size_t i = std::size_t(v) * std::size_t(shown.width) + std::size_t(h);
      if (shown.pixels[i] == before.pixels[i]) continue;
      ++changed;
      EXPECT_TRUE(h >= caret.left && h < caret.right && v >= caret.top && v < caret.bottom) << h << "," << v;
      EXPECT_EQ(shown.pixels[i], before.pixels[i] ^ 0xFFFFFFu) << "inverted";
    }
  EXPECT_EQ(changed, (caret.right - caret.left) * (caret.bottom - caret.top));
  EXPECT_EQ(caret.right - caret.left, 1) << "one pixel wide";
  _WEUpdateDragCaret(-1, we);
  EXPECT_EQ(drive::windowpixels(right).pixels, before.pixels) << "taken away again";
}

int scrollcalls = 0;
bool countingloop(WEReference) {
  ++scrollcalls;
  return true;
}

TEST_F(WEDragTest, OutsideTheViewTheClickLoopScrollsAfterTenTicks) {
  WEReference from = inwindow(left, "abcd");
  WEReference to = inwindow(right, "wxyz");
  werec(to)->clickLoop = countingloop;
  scrollcalls = 0;
  WESetSelection(0, 2, from);
  h.target = to;
  // Below the view (100 pixels high) but inside the window, for 30 ticks.
  Point below = at(0, to);
  below.v = i16(below.v + 140);
  drive::advance(GetDblTime() + 1);
  drive::mouseDown(at(0, from));
  drive::moveTo(Point{i16(at(0, from).v + 4), i16(at(0, from).h + 4)});
  drive::moveTo(below);
  drive::advance(30);
  drive::mouseUp();
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 60));
  SetPort(werec(from)->port);
  Point local = e.where;
  GlobalToLocal(&local);
  WEClick(local, e.modifiers, e.when, from);
  // Thirty ticks of tracking calls (each takes two polls of the mouse): none in the first
  // ten ticks outside, then one at every call.
  EXPECT_GE(scrollcalls, 8) << "once more than 10 ticks have passed, at every tracking call";
  EXPECT_LE(scrollcalls, 11) << "not before";
  EXPECT_EQ(textof(to), "wxyz") << "a drop below the view is refused";
}

}  // namespace
}  // namespace kv
