// The Drag Manager: items and flavours with promised data, TrackDrag driven by scripted input
// over two windows, the drag image and outline on the screen, and the drop-area hilite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/drag/drag.h"
#include "platform/events/events.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

constexpr FlavorType kText = 0x54455854;  // 'TEXT'
constexpr FlavorType kStyl = 0x7374796C;  // 'styl'
constexpr FlavorType kPict = 0x50494354;  // 'PICT'

// What the handlers saw, in order.
struct Seen {
  std::vector<std::string> log;
  std::vector<DragAttributes> attributes;
  std::vector<FlavorType> sent;
  OSErr receive = dragNotAcceptedErr;
  u16 downmods = 0, upmods = 0;
  u32 pixelunder = 0;
  bool lookatscreen = false;
};
Seen seen;

OSErr tracker(DragTrackingMessage m, WindowRef w, u32 refcon, DragRef drag) {
  seen.log.push_back(std::to_string(m) + (w ? "w" + std::to_string(refcon == 0 ? 0 : w == refcon ? 1 : 2) : ""));
  DragAttributes a = 0;
  GetDragAttributes(drag, &a);
  seen.attributes.push_back(a);
  if (seen.lookatscreen && m == kDragTrackingInWindow) {
    Point mouse{0, 0};
    GetDragMouse(drag, &mouse, nullptr);
    seen.pixelunder = drive::screenpixel(mouse);
  }
  return noErr;
}

OSErr receiver(WindowRef, u32, DragRef drag) {
  seen.log.push_back("drop");
  GetDragModifiers(drag, nullptr, &seen.downmods, &seen.upmods);
  return seen.receive;
}

OSErr sender(FlavorType type, u32 refcon, DragItemRef item, DragRef drag) {
  seen.sent.push_back(type);
  if (type == kPict) return badDragFlavorErr;
  const std::string data = "made " + std::to_string(refcon);
  return SetDragItemFlavorData(drag, item, type, data.data(), i32(data.size()), 0);
}

class DragTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    seen = Seen{};
  }
  void TearDown() override {
    RemoveTrackingHandler(tracker, nilid);
    RemoveReceiveHandler(receiver, nilid);
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  WindowRef window(Rect r) {
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &r, &w), noErr);
    ShowWindow(w);
    return w;
  }
  // A drag scripted from a to b over n ticks, tracked from its mouse-down.
  OSErr track(DragRef drag, Point a, Point b, u32 n, u16 mods = 0) {
    drive::drag(a, b, n, mods);
    EventRecord e{};
    EXPECT_TRUE(WaitNextEvent(mDownMask, &e, 5));
    NewRegion rgn;
    RectRgn(rgn, Rect{i16(a.v - 5), i16(a.h - 5), i16(a.v + 5), i16(a.h + 5)});
    return TrackDrag(drag, &e, rgn);
  }
};

std::string text(DragRef drag, DragItemRef item, FlavorType type) {
  i32 size = 0;
  if (GetFlavorDataSize(drag, item, type, &size) != noErr) return "?";
  std::string s(std::size_t(size), '\0');
  EXPECT_EQ(GetFlavorData(drag, item, type, s.data(), &size, 0), noErr);
  return s;
}

TEST_F(DragTest, PromisedFlavoursAreMadeOnceAndOnlyWhenAsked) {
  DragRef drag = nilid;
  ASSERT_EQ(NewDrag(&drag), noErr);
  ASSERT_EQ(AddDragItemFlavor(drag, 7, kText, nullptr, 0, 0), noErr);
  ASSERT_EQ(AddDragItemFlavor(drag, 7, kStyl, nullptr, 0, flavorSenderOnly), noErr);
  ASSERT_EQ(AddDragItemFlavor(drag, 7, kPict, nullptr, 0, 0), noErr);
  ASSERT_EQ(AddDragItemFlavor(drag, 9, kText, "now", 3, 0), noErr);
  EXPECT_EQ(AddDragItemFlavor(drag, 9, kText, "again", 5, 0), duplicateFlavorErr);
  SetDragSendProc(drag, sender, 42);

  u16 n = 0;
  CountDragItems(drag, &n);
  EXPECT_EQ(n, 2);
  DragItemRef second = 0;
  GetDragItemReferenceNumber(drag, 2, &second);
  EXPECT_EQ(second, 9u);
  EXPECT_EQ(GetDragItemReferenceNumber(drag, 3, &second), badDragItemErr);
  FlavorFlags flags = 0;
  GetFlavorFlags(drag, 7, kStyl, &flags);
  EXPECT_EQ(flags, flavorSenderOnly | flavorDataPromised);

  EXPECT_EQ(text(drag, 9, kText), "now");
  EXPECT_TRUE(seen.sent.empty()) << "data given at once needs no send procedure";
  EXPECT_EQ(text(drag, 7, kText), "made 42");
  EXPECT_EQ(text(drag, 7, kText), "made 42");
  i32 size = 0;
  EXPECT_EQ(GetFlavorDataSize(drag, 7, kPict, &size), badDragFlavorErr);
  EXPECT_EQ(GetFlavorDataSize(drag, 7, kPict, &size), badDragFlavorErr) << "the send procedure's error is kept";
  EXPECT_EQ(seen.sent, (std::vector<FlavorType>{kText, kPict})) << "'styl' was never asked for";
  EXPECT_EQ(GetFlavorDataSize(drag, 7, 0x3F3F3F3F, &size), badDragFlavorErr);
  EXPECT_EQ(GetFlavorDataSize(drag, 8, kText, &size), badDragItemErr);

  char part[3] = {};
  size = 3;
  EXPECT_EQ(GetFlavorData(drag, 7, kText, part, &size, 5), noErr);
  EXPECT_EQ(size, 2) << "reading past the end copies what is there";
  EXPECT_EQ(std::string(part, 2), "42");
  EXPECT_EQ(DisposeDrag(drag), noErr);
  EXPECT_EQ(GetFlavorDataSize(drag, 9, kText, &size), badDragRefErr);
}

TEST_F(DragTest, WaitMouseMovedTellsADragFromAClick) {
  drive::click(Point{100, 100});
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 5));
  EXPECT_FALSE(WaitMouseMoved(e.where));
  EXPECT_TRUE(EventAvail(mUpMask, &e)) << "the click's mouse-up stays for the click";
  FlushEvents(everyEvent, 0);
  drive::drag(Point{100, 100}, Point{100, 110}, 5);
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 5));
  EXPECT_TRUE(WaitMouseMoved(e.where));
}

TEST_F(DragTest, TrackDragSendsTheMessagesAndOffersTheDrop) {
  WindowRef a = window(Rect{60, 20, 260, 220});
  WindowRef b = window(Rect{60, 300, 260, 500});
  ASSERT_EQ(InstallTrackingHandler(tracker, nilid, b), noErr);
  EXPECT_EQ(InstallTrackingHandler(tracker, nilid, b), duplicateHandlerErr);
  ASSERT_EQ(InstallReceiveHandler(receiver, nilid, 0), noErr);
  DragRef drag = nilid;
  ASSERT_EQ(NewDrag(&drag), noErr);
  AddDragItemFlavor(drag, 1, kText, "x", 1, 0);

  seen.receive = noErr;
  EXPECT_EQ(track(drag, Point{100, 100}, Point{100, 400}, 6, optionKey), noErr);
  EXPECT_EQ(trackeddrag(), nilid);
  ASSERT_GE(seen.log.size(), 8u);
  EXPECT_EQ(seen.log[0], "1w2") << "enter handler in the sender window";
  EXPECT_EQ(seen.log[1], "2w2");
  EXPECT_EQ(seen.log[2], "3w2");
  const auto leave = std::find(seen.log.begin(), seen.log.end(), "4w2");
  ASSERT_NE(leave, seen.log.end());
  EXPECT_EQ(*(leave + 1), "2w1") << "the handler serves both windows: no leave-handler between";
  const std::vector<std::string> end(seen.log.end() - 3, seen.log.end());
  EXPECT_EQ(end, (std::vector<std::string>{"drop", "4w1", "5"}));
  EXPECT_EQ(seen.attributes.front(), kDragInsideSenderApplication | kDragInsideSenderWindow);
  EXPECT_EQ(seen.attributes.back(), kDragInsideSenderApplication | kDragHasLeftSenderWindow);
  EXPECT_EQ(seen.downmods & optionKey, optionKey);
  EXPECT_EQ(seen.upmods & optionKey, 0) << "the option key was let go with the button";
  Point origin{0, 0};
  GetDragOrigin(drag, &origin);
  EXPECT_EQ(origin, (Point{100, 100}));
  (void)a;

  seen = Seen{};
  EXPECT_EQ(track(drag, Point{100, 100}, Point{100, 120}, 3), dragNotAcceptedErr) << "the receiver refused";
  EXPECT_EQ(seen.attributes.back(), kDragInsideSenderApplication | kDragInsideSenderWindow);
  seen = Seen{};
  seen.receive = noErr;
  EXPECT_EQ(track(drag, Point{100, 100}, Point{300, 260}, 3), dragNotAcceptedErr) << "dropped over no window";
  EXPECT_EQ(std::count(seen.log.begin(), seen.log.end(), "drop"), 0);
  EXPECT_EQ(seen.log.back(), "5");

  ASSERT_EQ(RemoveTrackingHandler(tracker, nilid), noErr);
  EXPECT_EQ(RemoveTrackingHandler(tracker, nilid), handlerNotFoundErr);
  EXPECT_EQ(installedtrackinghandlers(), 0u);
  DisposeDrag(drag);
}

// What the receiver of a drop from another program found: each item's flavour and data.
std::vector<std::string> items;
OSErr takeitems(WindowRef, u32, DragRef drag) {
  seen.log.push_back("drop");
  u16 n = 0;
  CountDragItems(drag, &n);
  for (u16 i = 1; i <= n; ++i) {
    DragItemRef ref = 0;
    GetDragItemReferenceNumber(drag, i, &ref);
    FlavorType type = 0;
    GetFlavorType(drag, ref, 1, &type);
    std::string data = text(drag, ref, type);
    // A file: {type, creator, flags, path length, path}; its path and its type 0 or not.
    if (type == fourcc("hfs "))
      data = (data.compare(0, 4, std::string(4, '\0')) == 0 ? "0:" : "typed:") + data.substr(12);
    items.push_back(std::string(type == kText ? "TEXT " : "hfs ") + data);
  }
  return seen.receive;
}

TEST_F(DragTest, DropsFromAnotherProgramAreOneDragAtThePointer) {
  WindowRef w = window(Rect{60, 20, 260, 220});
  // No receive handler: every file opens as a document, a text goes nowhere.
  drive::dropFiles(Point{100, 100}, {"/no/such/a.txt"});
  drive::dropText(Point{100, 100}, "lost");
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 5));
  HighLevelRequest r;
  ASSERT_TRUE(takehighlevelrequest(&r));
  EXPECT_EQ(r.paths, std::vector<std::string>{"/no/such/a.txt"});
  EXPECT_FALSE(WaitNextEvent(highLevelEventMask, &e, 5));

  ASSERT_EQ(InstallTrackingHandler(tracker, nilid, w), noErr);
  ASSERT_EQ(InstallReceiveHandler(takeitems, nilid, 0), noErr);
  items.clear();
  seen.receive = noErr;
  drive::dropText(Point{100, 100},
                  "one\ntwo\r\nthr\xC3\xA9"
                  "e");
  drive::dropFiles(Point{100, 100}, {"/no/such/b.txt"});
  EXPECT_FALSE(WaitNextEvent(highLevelEventMask, &e, 5)) << "the files went to the drag";
  EXPECT_EQ(seen.log, (std::vector<std::string>{"1w1", "2w1", "3w1", "drop", "4w1", "5", "1w1", "2w1", "3w1", "drop",
                                                "4w1", "5"}));
  EXPECT_EQ(seen.attributes.front(), kDragHasLeftSenderWindow) << "not from inside the program";
  EXPECT_EQ(items, (std::vector<std::string>{"TEXT one\rtwo\rthr\x8E"
                                             "e",
                                             "hfs 0:/no/such/b.txt"}));

  // Over no window the files open as documents again.
  seen = Seen{};
  drive::dropFiles(Point{400, 600}, {"/no/such/c.txt"});
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 5));
  ASSERT_TRUE(takehighlevelrequest(&r));
  EXPECT_EQ(r.paths, std::vector<std::string>{"/no/such/c.txt"});
  EXPECT_TRUE(seen.log.empty());
  RemoveReceiveHandler(takeitems, nilid);
}

TEST_F(DragTest, TheScreenShowsTheImageBlendedOrTheOutlineInverted) {
  window(Rect{60, 20, 260, 220});
  ASSERT_EQ(InstallTrackingHandler(tracker, nilid, 0), noErr);
  seen.lookatscreen = true;
  OwnedWorld image(32, Rect{90, 90, 110, 110});
  {
    SavePort keep;
    SetGWorld(image, 0);
    RGBColor black{0, 0, 0};
    RGBForeColor(&black);
    Rect all{90, 90, 110, 110};
    PaintRect(&all);
  }
  const u32 white = drive::screenpixel(Point{150, 150});
  for (u32 translucency : {kDragStandardTranslucency, kDragOpaqueTranslucency}) {
    DragRef drag = nilid;
    ASSERT_EQ(NewDrag(&drag), noErr);
    NewRegion mask;
    RectRgn(mask, Rect{90, 90, 110, 110});
    ASSERT_EQ(SetDragImage(drag, GetGWorldPixMap(image), mask, Point{0, 0}, translucency), noErr);
    EXPECT_TRUE(draghasimage(drag));
    track(drag, Point{100, 100}, Point{150, 150}, 4);
    const float a = dragimageopacity(translucency);
    const u32 want = u32((white & 0xFF) * (1.0f - a) + 0.5f);
    EXPECT_EQ(seen.pixelunder & 0xFF, want) << "opacity " << a;
    DisposeDrag(drag);
  }
  EXPECT_EQ(drive::screenpixel(Point{150, 150}), white) << "the image goes with the drag";

  DragRef drag = nilid;
  ASSERT_EQ(NewDrag(&drag), noErr);
  track(drag, Point{100, 100}, Point{150, 150}, 4);
  EXPECT_EQ(seen.pixelunder, white ^ 0xFFFFFFu) << "the region under the pointer is inverted";
  DisposeDrag(drag);
}

TEST_F(DragTest, TheHiliteBandComesAndItsPixelsComeBack) {
  WindowRef w = window(Rect{60, 20, 260, 220});
  SetPortWindowPort(w);
  Rect stripe{10, 10, 100, 40};
  PaintRect(&stripe);
  DragRef drag = nilid;
  ASSERT_EQ(NewDrag(&drag), noErr);
  const Frame before = drive::windowpixels(w);
  NewRegion area;
  RectRgn(area, Rect{20, 20, 80, 80});
  ASSERT_EQ(ShowDragHilite(drag, area, true), noErr);
  Frame shown = drive::windowpixels(w);
  EXPECT_NE(drive::pixelat(shown, 22, 50), drive::pixelat(before, 22, 50)) << "inside the edge";
  EXPECT_EQ(drive::pixelat(shown, 23, 50), drive::pixelat(before, 23, 50)) << "3 pixels wide";
  EXPECT_EQ(drive::pixelat(shown, 19, 50), drive::pixelat(before, 19, 50));
  ASSERT_EQ(ShowDragHilite(drag, area, false), noErr);
  shown = drive::windowpixels(w);
  EXPECT_NE(drive::pixelat(shown, 17, 50), drive::pixelat(before, 17, 50)) << "outside the edge";
  EXPECT_EQ(drive::pixelat(shown, 22, 50), drive::pixelat(before, 22, 50)) << "the first band was put back";
  ASSERT_EQ(HideDragHilite(drag), noErr);
  EXPECT_EQ(drive::windowpixels(w).pixels, before.pixels);
  EXPECT_FALSE(draghiliteshown());
  ASSERT_EQ(ShowDragHilite(drag, area, true), noErr);
  EXPECT_EQ(DisposeDrag(drag), noErr) << "disposing the drag takes its hilite away";
  EXPECT_EQ(drive::windowpixels(w).pixels, before.pixels);
}

}  // namespace
}  // namespace kv
