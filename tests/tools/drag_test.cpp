// Drag and drop of objects and text between the card windows, driven through the headless
// mouse: what `pick` drags and with which flavours and image, what scripts read about a drag,
// which windows and objects accept it, and the hilites and the drag caret over fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "store/namekey.h"
#include "platform/drag/drag.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/testing/driver.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "platform/qd/pictures.h"
#include "platform/qd/shapes.h"
#include "render/fielddrawing.h"
#include "tests/support/icondata.h"
#include "tests/support/windows.h"
#include "textengine/werecord.h"
#include "engine/scripterror.h"
#include "platform/testing/answers.h"
#include "tools/dragdata.h"
#include "tools/dragsend.h"
#include "tools/dragstate.h"
#include "tools/dragtrack.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kDrag = 1u << 16, kDrop = 1u << 17, kLockText = 1u << 3;
constexpr OSType kText = 0x54455854, kPict = 0x50494354, kStyl = 0x7374796C;
constexpr Rect kField{20, 20, 80, 220}, kList{100, 20, 160, 220}, kIcon{180, 20, 212, 52}, kBox{180, 100, 260, 200},
    kPlain{20, 260, 80, 460}, kWrap{100, 260, 200, 330};

Object field(std::string name, Rect r, u16 style = 300, u32 flags = kDrag | kDrop, std::string text = "hello world") {
  Object o;
  o.kind = Object::field;
  o.name = std::move(name);
  o.rect = r;
  o.style = style;
  o.setflags = flags;
  o.text = std::move(text);
  return o;
}

// What one drag looked like to a tracking handler installed after the program's own.
struct Probe {
  int drags = 0;
  std::string flavors, dragobject;
  std::vector<FlavorFlags> flags;
  bool image = false;
  u32 pixelunder = 0;
  u16 canaccept = 0, windowfavourite = 0;
  RegistryId targetrec = nilid;
  i16 targetidx = -1;
  i32 caretoffset = -1;
  std::vector<i32> sizes;      // of each flavour, asked for in order
  std::vector<Rect> pictures;  // the frames of the 'PICT' data made
  std::vector<u8> styl;        // the 'styl' data made
  Frame window;                // the window's pixels during the last in-window message
  WindowRef over = nilid;
};
Probe probe;
bool measure = false;

OSErr probehandler(DragTrackingMessage m, WindowRef w, u32, DragRef drag) {
  if (m == kDragTrackingEnterHandler) {
    ++probe.drags;
    Handle list = ListDragFlavors(currentdragref());
    probe.flavors.assign(reinterpret_cast<const char*>(deref(list)), std::size_t(GetHandleSize(list)));
    DisposeHandle(list);
    probe.dragobject = dragobjecttext();
    probe.image = draghasimage(drag);
    u16 n = 0;
    CountDragItemFlavors(drag, 1, &n);
    for (u16 i = 1; i <= n; ++i) {
      OSType t = 0;
      FlavorFlags f = 0;
      GetFlavorType(drag, 1, i, &t);
      GetFlavorFlags(drag, 1, t, &f);
      probe.flags.push_back(f);
      i32 size = -1;
      if (measure) GetFlavorDataSize(drag, 1, t, &size);
      probe.sizes.push_back(size);
      if (measure && t == kStyl && size > 0) {
        probe.styl.resize(std::size_t(size));
        GetFlavorData(drag, 1, t, probe.styl.data(), &size, 0);
      }
      if (measure && t == kPict && size > 0) {
        PicHandle pic = NewHandle(size);
        GetFlavorData(drag, 1, t, deref(pic), &size, 0);
        Rect frame{0, 0, 0, 0};
        QDGetPictureBounds(pic, &frame);
        probe.pictures.push_back(frame);
        DisposeHandle(pic);
      }
    }
  }
  if (m == kDragTrackingInWindow) {
    const DragToolState& s = dragtoolstate();
    Point mouse{0, 0};
    GetDragMouse(drag, &mouse, nullptr);
    probe.pixelunder = drive::screenpixel(mouse);
    probe.canaccept = s.gCanAcceptItems;
    probe.windowfavourite = s.gIsWindowFavorite;
    probe.targetrec = s.gTargetRec;
    probe.targetidx = s.gTargetIdx;
    probe.caretoffset = s.gCaretOffset;
    probe.window = drive::windowpixels(w);
    probe.over = w;
  }
  return noErr;
}

class DragToolsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    probe = Probe{};
    measure = false;
    testproject::Project p;
    testproject::Window w;
    w.name = "Main";
    w.rect = Rect{100, 100, 460, 640};
    w.backgrounds = {testproject::Background{"Plain", "", {}}};
    testproject::Card c;
    Object icon;
    icon.name = "I";
    icon.rect = kIcon;
    icon.style = 200;
    icon.setflags = kDrag;
    std::array<u8, 12> tail{};
    const u32 id = 128;
    p.resources = {testproject::Resource{fourcc("ICON"), "", testicons::bits(32, testicons::disc), id}};
    std::memcpy(tail.data() + 8, &id, 4);
    icon.tail = tail;
    Object box;
    box.kind = Object::graphic;
    box.name = "P";
    box.rect = kBox;
    box.style = 100;
    box.setflags = kDrag | kDrop;
    box.showfill = 1;
    box.fillpat = std::array<u8, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Object nodrag;
    nodrag.name = "N";
    nodrag.rect = Rect{220, 20, 250, 80};
    nodrag.style = 200;
    c.objects = {field("F", kField),
                 field("L", kList, 302),
                 icon,
                 box,
                 nodrag,
                 field("Plain", kPlain, 300, kDrag),
                 field("W", kWrap, 300, kDrag | kDrop, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz")};
    w.cards = {c};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("set the allowDragAndDrop to true"), 0);
    ASSERT_EQ(InstallTrackingHandler(probehandler, nilid, 0), noErr);
    for (i32 i = 0; i < spotcount(current().cardspots); ++i) {
      spot s = spotat(current().cardspots, i);
      s.selected = 0;
      putspot(current().cardspots, i, s);
    }
  }
  void TearDown() override {
    RemoveTrackingHandler(probehandler, nilid);
    FlushEvents(everyEvent, 0);
    WindowTest::TearDown();
  }
  static Point centre(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }
  // Lets the input of an earlier press that started no drag fall due, and forgets it.
  static void settle() {
    u32 end = 0;
    Delay(20, &end);
    FlushEvents(everyEvent, 0);
  }
  // A press at a card point that moves (or not) by the offset, taken as the current event, and
  // the script line run while the button is down.
  i16 pickfrom(Point local, const std::string& line, Point by = Point{40, 40}) {
    settle();
    const Point from = toglobal(local);
    if (by.h == 0 && by.v == 0) {
      drive::click(from);
    } else {
      drive::drag(from, Point{i16(from.v + by.v), i16(from.h + by.h)}, 8);
    }
    EXPECT_TRUE(WaitNextEvent(mDownMask, &mainglobals().event, 60));
    const i16 st = doline(line);
    FlushEvents(everyEvent, 0);
    return st;
  }
  // A drag made here of items with the flavours (no data), tracked from a card point to
  // another.
  OSErr trackmade(const std::vector<std::vector<OSType>>& items, Point a, Point b) {
    DragRef drag = nilid;
    EXPECT_EQ(NewDrag(&drag), noErr);
    for (std::size_t i = 0; i < items.size(); ++i)
      for (OSType t : items[i]) AddDragItemFlavor(drag, DragItemRef(i + 1), t, "x", 1, 0);
    return trackfrom(drag, toglobal(a), toglobal(b));
  }
  // Tracks a drag made here, pressed at the global point `from` and let go at `to`; the drag
  // is disposed of afterwards.
  OSErr trackfrom(DragRef drag, Point from, Point to) {
    settle();
    drive::drag(from, to, 6);
    EventRecord e{};
    EXPECT_TRUE(WaitNextEvent(mDownMask, &e, 60));
    RgnHandle rgn = NewRgn();
    RectRgn(rgn, Rect{from.v, from.h, i16(from.v + 4), i16(from.h + 4)});
    const OSErr err = TrackDrag(drag, &e, rgn);
    DisposeRgn(rgn);
    DisposeDrag(drag);
    return err;
  }
  spot object(const char* name) {
    Handle list = current().cardspots;
    for (i32 i = 0; i < spotcount(list); ++i) {
      const spot s = spotat(list, i);
      if (s.name != nilhandle &&
          std::string_view(reinterpret_cast<const char*>(deref(s.name)), std::size_t(GetHandleSize(s.name))) == name)
        return s;
    }
    ADD_FAILURE() << name;
    return spot{};
  }
  i16 indexof(const char* name) {
    Handle list = current().cardspots;
    for (i32 i = 0; i < spotcount(list); ++i) {
      const spot s = spotat(list, i);
      if (s.name != nilhandle &&
          std::string_view(reinterpret_cast<const char*>(deref(s.name)), std::size_t(GetHandleSize(s.name))) == name)
        return i16(i);
    }
    return -1;
  }
  void setflag(const char* name, u32 flag, bool on) {
    const i16 i = indexof(name);
    spot s = spotat(current().cardspots, i);
    s.flags = on ? (s.flags | flag) : (s.flags & ~flag);
    putspot(current().cardspots, i, s);
  }
  // A user property of the current card.
  void cardproperty(const std::string& name, const std::string& value) {
    Handle card = current().card;
    const i32 at = i32(offsetof(cardrec, uprops));
    Handle list = loadat<u32>(static_cast<u8*>(deref(card)) + at);
    if (list == nilhandle) list = NewHandle(0);
    Str255 s{};
    pstrassign(s, sizeof s, name.data(), name.size());
    uprop e{};
    u32 key = 0;
    getkey(s, &key);
    Handle n = nilhandle, v = nilhandle;
    PtrToHand(name.data(), &n, Size(name.size()));
    PtrToHand(value.data(), &v, Size(value.size()));
    e.key = key;
    e.name = n;
    e.value = v;
    PtrAndHand(&e, list, sizeof e);
    storeat<u32>(static_cast<u8*>(deref(card)) + at, list);
    mainglobals().current.card = card;
  }
};

TEST_F(DragToolsTest, PickStartsADragOnlyWhenItShould) {
  EXPECT_EQ(pickfrom(centre(Rect{220, 20, 250, 80}), "pick button \"N\""), 0);
  EXPECT_EQ(probe.drags, 0) << "a button without allowDrag";
  EXPECT_EQ(pickfrom(centre(kBox), "pick selected"), 0);
  EXPECT_EQ(probe.drags, 0) << "nothing selected";
  EXPECT_EQ(pickfrom(centre(kBox), "pick graphic \"P\"", Point{0, 0}), 0);
  EXPECT_EQ(probe.drags, 0) << "a press that does not move";

  // From the box's black inside the pointer drags the image along, over the card.
  const Point edge = centre(kBox);
  const u32 card = drive::screenpixel(toglobal(Point{edge.v, i16(edge.h + 200)})) & 0xFF;
  mainglobals().translucentDragLimit = 0;
  EXPECT_EQ(pickfrom(edge, "pick graphic \"P\"", Point{0, -60}), 0);
  ASSERT_EQ(probe.drags, 1);
  EXPECT_FALSE(probe.image) << "larger than translucentDragLimit: the outline";
  EXPECT_EQ(probe.dragobject, cardvalue("the long name of card graphic \"P\""));
  EXPECT_EQ(cardvalue("the dragObject"), "") << "empty after the drag";
  EXPECT_EQ(dragtoolstate().gTargetIdx, -1) << "the drag state is reset";
  EXPECT_EQ(dragtoolstate().gCaretOffset, -1);
  EXPECT_EQ(dragtoolstate().gTargetRec, nilid);

  mainglobals().translucentDragLimit = 1048576;
  ASSERT_EQ(doline("set the translucentDragOpacity to maximum"), 0);
  pickfrom(edge, "pick graphic \"P\"", Point{0, 200});
  EXPECT_TRUE(probe.image);
  EXPECT_EQ(probe.pixelunder & 0xFFFFFF, 0u) << "opaque: the box's black under the pointer";
  ASSERT_EQ(doline("set the translucentDragOpacity to low"), 0);
  pickfrom(edge, "pick graphic \"P\"", Point{0, 200});
  EXPECT_TRUE(probe.image);
  EXPECT_EQ(probe.pixelunder & 0xFF, u32(float(card) * (1.0f - dragimageopacity(0)) + 0.5f)) << "blended over the card";
}

TEST_F(DragToolsTest, PickedObjectsOfferTheirFlavours) {
  measure = true;
  EXPECT_EQ(pickfrom(centre(kField), "pick card field \"F\""), 0);
  EXPECT_EQ(probe.drags, 1);
  EXPECT_EQ(probe.flavors, "MDOX,TEXT,styl");
  ASSERT_EQ(probe.flags.size(), 3u);
  EXPECT_EQ(probe.flags[0], flavorSenderOnly);
  EXPECT_EQ(probe.sizes[1], 11) << "'TEXT' is the field's text";
  const spot f = object("F");
  const fieldtextlayout layout = measurefieldtext(f.data);
  EXPECT_EQ(probe.sizes[2], layout.runs == 0 ? 22 : 2 + 20 * layout.runs) << "the stored runs as they are";

  // A stored text without runs gives one run made from its tail.
  {
    spot g = object("F");
    std::vector<u8> bytes(2 + 5 + kFieldTailSize, 0);
    std::memcpy(bytes.data() + 2, "plain", 5);
    fieldtail tail{};
    tail.font = 3;
    tail.size = 18;
    tail.face = 1;
    tail.lineheight = 25;
    storeat<fieldtail>(bytes.data() + 7, tail);
    DisposeHandle(g.data);
    Handle data = nilhandle;
    ASSERT_EQ(PtrToHand(bytes.data(), &data, Size(bytes.size())), noErr);
    g.data = data;
    putspot(current().cardspots, indexof("F"), g);
  }
  probe = Probe{};
  pickfrom(centre(kField), "pick card field \"F\"");
  ASSERT_EQ(probe.sizes.size(), 3u);
  EXPECT_EQ(probe.sizes[1], 5);
  EXPECT_EQ(probe.sizes[2], 22);
  EXPECT_EQ(probe.styl.size(), 22u);
  if (probe.styl.size() == 22) {
    auto word = [&](int at) {
      u16 v = 0;
      std::memcpy(&v, probe.styl.data() + at, 2);
      return v;
    };
    EXPECT_EQ(word(0), 1) << "one run";
    EXPECT_EQ(word(6), 25) << "the tail's line height";
    EXPECT_EQ(word(10), 3) << "font";
    EXPECT_EQ(probe.styl[12], 1) << "face";
    EXPECT_EQ(word(14), 18) << "size";
  }

  probe = Probe{};
  pickfrom(centre(kList), "pick card field \"L\"");
  EXPECT_EQ(probe.flavors, "MDOX,TEXT,styl");
  EXPECT_EQ(probe.sizes, (std::vector<i32>{i32(sizeof(objread)), 0, 0})) << "a list field delivers no data";

  probe = Probe{};
  pickfrom(centre(kIcon), "pick button \"I\"");
  EXPECT_EQ(probe.flavors, "MDOX,PICT") << "a button with an icon offers its picture";
  ASSERT_EQ(probe.pictures.size(), 1u);
  EXPECT_EQ(probe.pictures[0], (Rect{0, 0, 32, 32})) << "drawn from its 32 x 32 icon";

  probe = Probe{};
  ASSERT_EQ(doline("set the allowDragExport to false"), 0);
  measure = false;
  pickfrom(centre(kField), "pick card field \"F\"");
  ASSERT_EQ(probe.flags.size(), 3u);
  EXPECT_EQ(probe.flags[1], flavorSenderOnly | flavorDataPromised) << "without export only this program reads it";
}

TEST_F(DragToolsTest, DragDataAnswersAboutTheDrag) {
  EXPECT_EQ(cardvalue("dragData(1, \"TEXT\")"), "DragReference is empty!");
  EXPECT_EQ(cardvalue("the dragFlavors"), "");
  DragRef drag = nilid;
  ASSERT_EQ(NewDrag(&drag), noErr);
  const std::string path = "/tmp/some folder/notes.txt";
  std::vector<u8> file(12 + path.size());
  const u32 type = kText, creator = 0;
  const u16 flags = 0, length = u16(path.size());
  std::memcpy(file.data(), &type, 4);
  std::memcpy(file.data() + 4, &creator, 4);
  std::memcpy(file.data() + 8, &flags, 2);
  std::memcpy(file.data() + 10, &length, 2);
  std::memcpy(file.data() + 12, path.data(), path.size());
  AddDragItemFlavor(drag, 1, 0x68667320, file.data(), i32(file.size()), 0);
  AddDragItemFlavor(drag, 1, 0x62616420, file.data(), 5, 0);
  MyDefaultTrackingHandler(kDragTrackingEnterHandler, nilid, 0, drag);
  cardrows({{"", "dragData(2, \"TEXT\")", ""},
            {"", "dragData(1, \"PICT\")", "Error -1852"},
            {"", "dragData(1, \"hfs \", type)", "TEXT,"},
            {"", "dragData(1, \"hfs \", path)", path},
            {"", "dragData(1, \"hfs \")", path},
            {"", "the dragFlavors", "hfs ,bad "}});
  // A path length past the data is not read.
  const u16 toolong = u16(path.size() + 1);
  std::memcpy(file.data() + 10, &toolong, 2);
  AddDragItemFlavor(drag, 2, 0x68667320, file.data(), i32(file.size()), 0);
  EXPECT_EQ(cardvalue("dragData(2, \"hfs \", path)"), "Error -1854");
  MyDefaultTrackingHandler(kDragTrackingLeaveHandler, nilid, 0, drag);
  DisposeDrag(drag);
  EXPECT_EQ(cardvalue("dragData(1, \"TEXT\")"), "DragReference is empty!");
}

TEST_F(DragToolsTest, WindowsAndObjectsAcceptByTheRules) {
  const Point empty{300, 400};
  trackmade({{kText}, {kText}}, empty, Point{310, 420});
  EXPECT_EQ(probe.canaccept, 0) << "browse tools look at one-item drags only";
  ASSERT_EQ(doline("choose pointer tool"), 0);
  trackmade({{kText}, {kText}}, empty, Point{310, 420});
  EXPECT_EQ(probe.canaccept, 1) << "the pointer tool takes every text item";
  ASSERT_EQ(doline("choose text tool"), 0);
  trackmade({{kPict}}, empty, Point{310, 420});
  EXPECT_EQ(probe.canaccept, 0) << "the text tool takes no picture";
  ASSERT_EQ(doline("choose browse tool"), 0);
  trackmade({{kFlavorMDOX}}, empty, Point{310, 420});
  EXPECT_EQ(probe.canaccept, 0) << "an 'MDOX' that is not this program's own drag names no object";
  pickfrom(centre(kIcon), "pick button \"I\"", Point{100, 300});
  EXPECT_EQ(probe.canaccept, 1) << "a picked button with an icon is a picture";

  // Favourites: "****" makes the whole window the target, with its frame drawn.
  ASSERT_EQ(doline("set the allowFavoriteFlavors to true"), 0);
  cardproperty("favoriteFlavors", "****");
  const Frame before = drive::windowpixels(current().window);
  trackmade({{0x61626364}}, empty, Point{310, 420});
  EXPECT_EQ(probe.windowfavourite, 1);
  EXPECT_NE(drive::pixelat(probe.window, 1, 150), drive::pixelat(before, 1, 150)) << "the window's frame";
  EXPECT_EQ(drive::windowpixels(current().window).pixels, before.pixels) << "and its pixels come back";
}

TEST_F(DragToolsTest, FavouriteCodesAreFourCharactersEach) {
  ASSERT_EQ(doline("set the allowFavoriteFlavors to true"), 0);
  cardproperty("favoriteFlavors", "TEXTPI");
  const Point empty{300, 400};
  trackmade({{kText}}, empty, Point{310, 420});
  EXPECT_EQ(probe.windowfavourite, 1);
  trackmade({{kPict}}, empty, Point{310, 420});
  EXPECT_EQ(probe.windowfavourite, 0) << "\"PI\" is no code";
}

TEST_F(DragToolsTest, FieldsTakeTextOnlyWhenUnlockedAndOpenToDrops) {
  trackmade({{kText}}, Point{300, 400}, centre(kField));
  EXPECT_NE(probe.targetrec, nilid) << "a field with allowDrop";
  EXPECT_EQ(probe.targetidx, indexof("F"));
  trackmade({{kText}}, Point{300, 400}, centre(kPlain));
  EXPECT_EQ(probe.targetrec, nilid) << "no allowDrop";
  setflag("F", kLockText, true);
  trackmade({{kText}}, Point{300, 400}, centre(kField));
  EXPECT_EQ(probe.targetrec, nilid) << "lockText";
  // The drop of "x" as a picture: no picture can be read from it (error dialog 194).
  const u32 shown = scripterrorsshown();
  queueanswer(Answer{"alert", "Cancel", {}});
  trackmade({{kPict}}, Point{300, 400}, centre(kBox));
  clearanswers();
  EXPECT_EQ(probe.targetidx, indexof("P")) << "a picture goes to the picture graphic";
  EXPECT_EQ(scripterrorsshown(), shown + 1);
  setflag("F", kLockText, false);
  trackmade({{kPict}}, Point{300, 400}, centre(kField));
  EXPECT_EQ(probe.targetrec, nilid) << "a field without allowObjects takes no picture";
}

TEST_F(DragToolsTest, TheFieldFrameAndTheDragCaret) {
  // The drop itself is ignored: only the frame and the caret come and go.
  ASSERT_EQ(
      doline(
          "set the script of card field \"F\" to \"on mouseDrop\" & return & \"ignore\" & return & \"end mouseDrop\""),
      0);
  const Frame before = drive::windowpixels(current().window);
  // At the end of "hello world", inside the field's text.
  trackmade({{kText}}, Point{300, 400}, Point{i16(kField.top + 8), i16(kField.left + 12)});
  ASSERT_EQ(probe.targetidx, indexof("F"));
  // The rectangle inset by 1, framed inside 3 pixels wide.
  const i16 mid = i16((kField.left + kField.right) / 2);
  auto px = [&](const Frame& f, i16 h, i16 v) { return drive::pixelat(f, h, v); };
  EXPECT_NE(px(probe.window, mid, i16(kField.top + 1)), px(before, mid, i16(kField.top + 1)));
  EXPECT_NE(px(probe.window, mid, i16(kField.top + 3)), px(before, mid, i16(kField.top + 3)));
  EXPECT_EQ(px(probe.window, mid, i16(kField.top + 4)), px(before, mid, i16(kField.top + 4)));
  EXPECT_EQ(px(probe.window, mid, kField.top), px(before, mid, kField.top)) << "the field's own frame stays";
  EXPECT_GE(probe.caretoffset, 0) << "the drag caret shows in the field";
  EXPECT_EQ(drive::windowpixels(current().window).pixels, before.pixels)
      << "everything comes back when the drag leaves";
}


TEST_F(DragToolsTest, AtTheEndOfAWrappedLineTheCaretStaysOnIt) {
  objread ref{};
  ref.kind = objpart;
  ref.d = current();
  ref.objects = current().cardspots;
  ref.objindex = indexof("W");
  ref.ownerrecid = current().cardrecid;
  const RegistryId rec = getreadwerec(ref);
  ASSERT_NE(rec, nilid);
  i32 s = 0, e = 0;
  WEFindLine(0, 0, &s, &e, rec);
  ASSERT_LT(e, WEGetTextLength(rec)) << "the text wraps";
  LongPoint last{};
  i16 height = 0;
  WEGetPoint(e - 1, 0, &last, &height, rec);
  LongRect view{}, dest{};
  WEGetViewRect(&view, rec);
  WEGetDestRect(&dest, rec);
  const i32 right = std::min(view.right, dest.right) - 2;
  ASSERT_GT(right, last.h + 2);
  DragToolState& st = dragtoolstate();
  st.gDragTargetWindow = current().window;
  st.gInsertPosition = st.gCaretOffset = -1;
  const Frame before = drive::windowpixels(current().window);
  DoInsertCaret(Point{i16(last.v + height / 2), i16(right)}, rec);
  EXPECT_EQ(st.gInsertPosition, e - 1) << "the caret stays on the first line";
  EXPECT_EQ(st.gCaretOffset, e - 1);
  LongPoint at{};
  WEGetPoint(e - 1, 0, &at, &height, rec);
  const Frame shown = drive::windowpixels(current().window);
  const i16 column = i16(at.h - 1), row = i16(at.v + 1);
  EXPECT_NE(drive::pixelat(shown, column, row), drive::pixelat(before, column, row)) << "an inverted column";
  EXPECT_EQ(drive::pixelat(shown, i16(column - 1), row), drive::pixelat(before, i16(column - 1), row))
      << "one pixel wide";
  weDrawCaret(st.gCaretOffset, rec);
  EXPECT_EQ(drive::windowpixels(current().window).pixels, before.pixels) << "drawn twice it is gone";
  st.gDragTargetWindow = nilid;
}


TEST_F(DragToolsTest, TextDraggedInItsOwnFieldShowsTheCaretButNoFrame) {
  ASSERT_EQ(doline("select char 1 to 5 of card field \"F\""), 0);
  const MainGlobals& g = mainglobals();
  ASSERT_EQ(g.openfield, indexof("F"));
  const RegistryId rec = g.openfieldrec;
  LongPoint a{}, b{};
  i16 height = 0;
  WEGetPoint(1, 0, &a, &height, rec);
  WEGetPoint(8, 0, &b, &height, rec);
  const Frame before = drive::windowpixels(current().window);
  settle();
  const Point from = toglobal(Point{i16(a.v + 3), i16(a.h + 1)});
  const Point to = toglobal(Point{i16(b.v + 3), i16(b.h + 1)});
  drive::drag(from, to, 8);
  ASSERT_TRUE(WaitNextEvent(mDownMask, &mainglobals().event, 60));
  EXPECT_TRUE(DragText()) << "the text moved within its field";
  EXPECT_EQ(probe.drags, 1);
  EXPECT_EQ(probe.flavors, "RTF ,TEXT,styl,FISH,WEpf,WEru,WEcf,WEst");
  EXPECT_EQ(probe.targetrec, rec) << "the open field is the target";
  EXPECT_EQ(probe.caretoffset, 8) << "the drag caret shows at the offset under the mouse";
  const i16 mid = i16((kField.left + kField.right) / 2);
  EXPECT_EQ(drive::pixelat(probe.window, mid, i16(kField.top + 2)), drive::pixelat(before, mid, i16(kField.top + 2)))
      << "no frame while the drag has not left its window";
}


// Drops of text dragged from the open field "F": onto field "W" (whose "mouseDrop" handler is
// set per case) or back into "F".
class TextDropTest : public DragToolsTest {
 protected:
  void SetUp() override {
    DragToolsTest::SetUp();
    ASSERT_EQ(doline("put \"the big cat sat\" into card field \"F\""), 0);
  }
  // A point of a card field's text at character offset `at` (in its own record).
  Point charpoint(RegistryId rec, i32 at) {
    LongPoint p{};
    i16 height = 0;
    WEGetPoint(at, 0, &p, &height, rec);
    return Point{i16(p.v + 3), i16(p.h + 1)};
  }
  // Selects chars `from` to `to` of "F" and drags them to a card point: whether the drop was taken.
  bool dragselection(i32 from, i32 to, Point drop, u16 modifiers = 0) {
    EXPECT_EQ(doline("select char " + std::to_string(from) + " to " + std::to_string(to) + " of card field \"F\""), 0);
    const RegistryId rec = mainglobals().openfieldrec;
    settle();
    const Point start = toglobal(charpoint(rec, from));
    drive::drag(start, toglobal(drop), 8, modifiers);
    EXPECT_TRUE(WaitNextEvent(mDownMask, &mainglobals().event, 60));
    const bool taken = DragText();
    FlushEvents(everyEvent, 0);
    return taken;
  }
  void handler(const std::string& body) {
    ASSERT_EQ(doline("set the script of card field \"W\" to \"on mouseDrop n\" & return & \"put n into card field "
                     "\" & quote & \"Plain\" & quote & return & \"" +
                     body + "\" & return & \"end mouseDrop\""),
              0);
  }
  std::string text(const char* name) { return cardvalue(std::string("card field \"") + name + "\""); }
  static constexpr const char* kAlphabet = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz";
  static constexpr Point kOnW{i16(kWrap.top + 6), i16(kWrap.left + 30)};
};

TEST_F(TextDropTest, TheMouseDropVerdictDecidesTheInsertion) {
  struct Case {
    const char* body;
    bool taken, inserted;
  } cases[] = {
      {"ignore drop", true, false}, {"accept drop", true, true},        {"refuse drop", false, false},
      {"return true", true, false}, {"return false", true, true},       {"return maybe", true, true},
      {"return empty", true, true}, {"exit to Kestrove", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    ASSERT_EQ(doline("put \"\" into card field \"Plain\"\nput \"" + std::string(kAlphabet) +
                     "\" into card field \"W\""),
              0);
    handler(c.body);
    EXPECT_EQ(dragselection(5, 7, kOnW), c.taken);
    const std::string offset = text("Plain");
    ASSERT_FALSE(offset.empty()) << "mouseDrop was sent with the offset";
    const std::size_t n = std::stoul(offset);
    ASSERT_LE(n, std::string(kAlphabet).size());
    const std::string expect = c.inserted
                                   ? std::string(kAlphabet).substr(0, n) + "big" + std::string(kAlphabet).substr(n)
                                   : kAlphabet;
    EXPECT_EQ(text("W"), expect);
    EXPECT_EQ(text("F"), "the big cat sat") << "a drop into another field copies";
  }
}

TEST_F(TextDropTest, LockedMessagesAndScriptErrors) {
  handler("ignore drop");
  ASSERT_EQ(doline("set lockMessages to true"), 0);
  EXPECT_TRUE(dragselection(5, 7, kOnW));
  ASSERT_EQ(doline("set lockMessages to false"), 0);
  EXPECT_EQ(text("Plain"), "hello world") << "no message";
  EXPECT_NE(text("W").find("big"), std::string::npos) << "the text went in";

  ASSERT_EQ(doline("put \"" + std::string(kAlphabet) + "\" into card field \"W\""), 0);
  handler("put 1 into");
  const u32 shown = scripterrorsshown();
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_FALSE(dragselection(5, 7, kOnW)) << "a script error refuses the drop";
  clearanswers();
  EXPECT_EQ(scripterrorsshown(), shown + 1) << "reported once";
  EXPECT_EQ(text("W"), kAlphabet);
  EXPECT_EQ(mainglobals().dropunderway, 0);
  EXPECT_EQ(doline("refuse drop"), 0) << "outside a drop the verdicts do nothing";
}

TEST_F(TextDropTest, MovesWithinTheOpenField) {
  ASSERT_EQ(doline("select char 1 to 5 of card field \"F\""), 0);
  const RegistryId rec = mainglobals().openfieldrec;
  const Point inside = charpoint(rec, 6), afterCat = charpoint(rec, 11), afterSat = charpoint(rec, 15);
  EXPECT_FALSE(dragselection(5, 7, inside)) << "onto itself";
  EXPECT_EQ(text("F"), "the big cat sat");
  // "big" with the space after it goes; the drop at offset 11 lands at 7.
  EXPECT_TRUE(dragselection(5, 7, afterCat));
  EXPECT_EQ(text("F"), "the cat big sat") << "the field's intelligent paste puts a space before it";
  ASSERT_EQ(doline("put \"the big cat sat\" into card field \"F\""), 0);
  EXPECT_TRUE(dragselection(5, 7, afterSat, optionKey)) << "with Option the word is copied";
  EXPECT_EQ(text("F"), "the big cat sat big");
}


// Drops with the pointer tool: copies of dragged objects, and new fields from dragged text.
class PointerDropTest : public DragToolsTest {
 protected:
  void SetUp() override {
    DragToolsTest::SetUp();
    ASSERT_EQ(doline("choose pointer tool"), 0);
    setflag("N", kDrag, true);
    for (const char* name : {"I", "N"}) {
      const i16 i = indexof(name);
      spot o = spotat(current().cardspots, i);
      o.selected = 1;
      putspot(current().cardspots, i, o);
    }
  }
  // Drags the selected objects from a card point by an offset, with modifiers.
  void dragselected(Point from, Point by, u16 modifiers) {
    settle();
    const Point a = toglobal(from);
    drive::drag(a, Point{i16(a.v + by.v), i16(a.h + by.h)}, 8, modifiers);
    ASSERT_TRUE(WaitNextEvent(mDownMask, &mainglobals().event, 60));
    EXPECT_EQ(doline("pick selected"), 0);
    FlushEvents(everyEvent, 0);
  }
  std::vector<spot> layer() {
    std::vector<spot> out;
    for (i32 i = 0; i < spotcount(current().cardspots); ++i) out.push_back(spotat(current().cardspots, i));
    return out;
  }
};

TEST_F(PointerDropTest, OptionDragCopiesTheSelectedObjects) {
  const std::vector<spot> before = layer();
  dragselected(centre(kIcon), Point{40, 30}, 0);
  ASSERT_EQ(layer().size(), before.size()) << "a plain drag inside the window is no drop";

  dragselected(centre(kIcon), Point{40, 30}, optionKey);
  const std::vector<spot> after = layer();
  ASSERT_EQ(after.size(), before.size() + 2);
  std::vector<u32> ids;
  for (const spot& o : before) ids.push_back(u32{o.id});
  for (std::size_t k = 0; k < 2; ++k) {
    const spot& copy = after[before.size() + k];
    const spot& from = before[std::size_t(indexof(k == 0 ? "I" : "N"))];
    Rect moved = from.rect;
    OffsetRect(&moved, 30, 40);
    EXPECT_EQ(copy.rect, moved) << "moved by the drag";
    EXPECT_EQ(copy.selected, 1);
    const u32 id = copy.id;
    EXPECT_EQ(std::count(ids.begin(), ids.end(), id), 0) << "a new id";
    ids.push_back(id);
  }
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i].selected, 0) << "the originals are deselected";
}

TEST_F(PointerDropTest, ACardHandlerThatReturnsTrueKeepsTheLayer) {
  ASSERT_EQ(
      doline("set the script of this card to \"on mouseDrop\" & return & \"return true\" & return & \"end mouseDrop\""),
      0);
  const std::size_t count = layer().size();
  dragselected(centre(kIcon), Point{40, 30}, optionKey);
  EXPECT_EQ(layer().size(), count);
}

TEST_F(PointerDropTest, DroppedTextMakesFields) {
  ASSERT_EQ(doline("put 0 into card field \"Plain\"\nset the script of this card to \"on newField\" & return & "
                   "\"add 1 to card field \" & quote & \"Plain\" & quote & return & \"end newField\""),
            0);
  const std::size_t count = layer().size();
  // Three text items, pressed on outside the window.
  DragRef drag = nilid;
  ASSERT_EQ(NewDrag(&drag), noErr);
  const char* texts[] = {"one", "two", "three"};
  for (u32 i = 0; i < 3; ++i) AddDragItemFlavor(drag, i + 1, kText, texts[i], i32(std::strlen(texts[i])), 0);
  const Point drop{200, 300};
  EXPECT_EQ(trackfrom(drag, Point{40, 20}, toglobal(drop)), noErr);
  const std::vector<spot> after = layer();
  ASSERT_EQ(after.size(), count + 3);
  EXPECT_EQ(cardvalue("card field \"Plain\""), "3") << "newField once each";
  const Rect first = after[count].rect;
  EXPECT_EQ(centre(first).h, drop.h);
  EXPECT_EQ(centre(first).v, drop.v);
  for (std::size_t k = 0; k < 3; ++k) {
    const spot& f = after[count + k];
    EXPECT_EQ(f.style, 301);
    Rect expect = first;
    OffsetRect(&expect, i16(10 * k), i16(10 * k));
    EXPECT_EQ(f.rect, expect);
    EXPECT_EQ(cardvalue("card field id " + std::to_string(u32{f.id})), texts[k]);
  }
}


TEST_F(DragToolsTest, AButtonsIconDroppedOnAnotherButton) {
  constexpr Rect kN{220, 20, 250, 80};
  setflag("N", kDrop, true);
  auto icon = [&] { return loadat<buttontail>(object("N").tail.b).icon; };
  auto drop = [&] {
    return pickfrom(centre(kIcon), "pick button \"I\"", Point{i16(centre(kN).v - centre(kIcon).v), 0});
  };
  for (const char* body : {"return true", "ignore drop", "refuse"}) {
    SCOPED_TRACE(body);
    ASSERT_EQ(doline(std::string("set the script of button \"N\" to \"on mouseDrop\" & return & \"") + body +
                     "\" & return & \"end mouseDrop\""),
              0);
    EXPECT_EQ(drop(), 0);
    EXPECT_EQ(icon(), 0u);
  }
  ASSERT_EQ(doline("set the script of button \"N\" to empty"), 0);
  EXPECT_EQ(drop(), 0);
  EXPECT_EQ(icon(), 128u) << "the target shows the dragged button's icon";
  EXPECT_EQ(loadat<buttontail>(object("I").tail.b).icon, 128u);
}


TEST_F(TextDropTest, AHandlerThatDeletesItsFieldEndsTheDrop) {
  ASSERT_EQ(doline("set the script of card field \"W\" to \"on mouseDrop\" & return & \"choose field tool\" & return & "
                   "\"delete card field \" & quote & \"W\" & quote & return & \"choose browse tool\" & return & "
                   "\"accept drop\" & return & \"end mouseDrop\""),
            0);
  const i32 before = spotcount(current().cardspots);
  EXPECT_TRUE(dragselection(5, 7, kOnW)) << "taken, with nothing to insert into";
  EXPECT_EQ(spotcount(current().cardspots), before - 1);
  EXPECT_EQ(text("F"), "the big cat sat");
  EXPECT_EQ(text("Plain"), "hello world") << "no other field took the text";
}


TEST_F(PointerDropTest, DroppedTextFilesMakeFieldsAndOtherFilesNone) {
  const std::string folder = home->path();
  const char* texts[] = {"alpha", "beta", "gamma"};
  std::vector<std::string> paths;
  for (int i = 0; i < 3; ++i) {
    paths.push_back(folder + "/t" + std::to_string(i) + ".txt");
    FILE* f = std::fopen(paths.back().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(texts[i], f);
    std::fclose(f);
  }
  // A file item: {type, creator, flags, path length, path}; type 0 takes the extension's.
  auto hfs = [](OSType type, const std::string& path) {
    std::vector<u8> b(12 + path.size());
    std::memcpy(b.data(), &type, 4);
    const u16 n = u16(path.size());
    std::memcpy(b.data() + 10, &n, 2);
    std::memcpy(b.data() + 12, path.data(), path.size());
    return b;
  };
  auto dropfiles = [&](const std::vector<std::vector<u8>>& items) {
    DragRef drag = nilid;
    EXPECT_EQ(NewDrag(&drag), noErr);
    for (std::size_t i = 0; i < items.size(); ++i)
      AddDragItemFlavor(drag, DragItemRef(i + 1), fourcc("hfs "), items[i].data(), i32(items[i].size()), 0);
    return trackfrom(drag, Point{40, 20}, toglobal(Point{200, 300}));
  };
  const std::size_t count = layer().size();
  EXPECT_EQ(dropfiles({hfs(0, paths[0]), hfs(fourcc("TEXT"), paths[1]), hfs(fourcc("ttxt"), paths[2])}), noErr);
  const std::vector<spot> after = layer();
  ASSERT_EQ(after.size(), count + 3);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(cardvalue("card field id " + std::to_string(u32{after[count + k].id})), texts[k]);
    if (k > 0) {
      Rect expect = after[count + k - 1].rect;
      OffsetRect(&expect, 10, 10);
      EXPECT_EQ(after[count + k].rect, expect);
    }
  }
  // A missing text file is unreadable: no field, and the drop is refused.
  EXPECT_EQ(dropfiles({hfs(0, folder + "/missing.txt")}), dragNotAcceptedErr);
  EXPECT_EQ(layer().size(), count + 3);
}

}  // namespace
}  // namespace kv
