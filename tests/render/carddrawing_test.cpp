// Card drawing: the layers and the order in which objects reach their style routines (probes
// in the style table record each call), outline modes, the colours a routine starts with and
// the colour rule, off-window drawing and the images of objects, the window interior and theme
// brush, and drawing that leaves the project unchanged.
#include "render/carddrawing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/testing/driver.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/objectbounds.h"
#include "render/objectcolours.h"
#include "render/offscreen.h"
#include "render/spotstyles.h"
#include "render/themebuttons.h"
#include "render/windowclip.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

// What a probe saw when the card drawing called it.
struct Call {
  Handle list;
  i16 index;  // -1: the open field's routine
  i16 outline;
  RGBColor fore, back, fill;
  Point pensize;
};
struct ProbeLog {
  std::vector<Call> calls;
};
ProbeLog& probelog() { return state<ProbeLog>(); }

void probe(spot& s, const StyleCall& c) {
  Call k{c.list, c.index, c.outline, {}, {}, {}, {}};
  GetForeColor(&k.fore);
  GetBackColor(&k.back);
  GetPortPenSize(currentportid(), &k.pensize);
  setobjectcolours(s, ObjectPart::fill);
  GetForeColor(&k.fill);
  probelog().calls.push_back(k);
}
void openfieldprobe() { probelog().calls.push_back(Call{mainglobals().openfieldspots, -1, 0, {}, {}, {}, {}}); }

// Draws rectangles through the port: an inverted one, an empty one and a plain one.
void rectprobe(spot&, const StyleCall&) {
  const Rect inverted{40, 40, 30, 30}, empty{5, 5, 5, 20}, plain{1, 2, 3, 4};
  PaintRect(&inverted);
  FrameRect(&empty);
  PaintRect(&plain);
}

Object obj(Object::Kind kind, u16 style, Rect r = Rect{10, 10, 40, 110}) {
  Object o;
  o.kind = kind;
  o.style = style;
  o.rect = r;
  return o;
}

class CardDrawingTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    SetOffScreenBounds(Rect{0, 0, 300, 400});
  }
  void TearDown() override {
    DisposeOffScreen();
    drive::setscreendepth(32);
    WindowTest::TearDown();
  }
  // One window (style `style`) of one card over one background, the objects given.
  void opencard(std::vector<Object> back, std::vector<Object> card, u16 style = 0) {
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 400, 500};
    w.style = style;
    w.backgrounds.push_back(testproject::Background{"B", "", std::move(back)});
    testproject::Card c;
    c.objects = std::move(card);
    w.cards.push_back(c);
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  // The probe takes the place of every routine of the table.
  static void probeall() {
    DrawTable& t = drawtable();
    for (StyleRoutine& r : t.styles)
      if (r) r = probe;
    t.openfield = openfieldprobe;
  }
  // Draws the current card into the offscreen world (made at `depth`) with a tool.
  std::vector<Call> draw(u16 tool, u16 backlayer = 0, i16 depth = 32) {
    if (GetOffScreenWorld() == nilid || GetOffScreenDepth() != depth) {
      EXPECT_EQ(CreateOffScreen(depth), 1);
    }
    probelog().calls.clear();
    mainglobals().current.tool = tool;
    mainglobals().current.backlayer = backlayer;
    SavePort saved;
    SetGWorld(GetOffScreenWorld(), nilhandle);
    backspot(0);
    return probelog().calls;
  }
  static std::vector<std::pair<Handle, i16>> order(const std::vector<Call>& calls) {
    std::vector<std::pair<Handle, i16>> o;
    for (const Call& c : calls) o.push_back({c.list, c.index});
    return o;
  }
  static void setwindowflag(u32 bit, bool on) {
    windrec w = loadat<windrec>(deref(mainglobals().current.wind));
    w.flags = on ? w.flags | bit : w.flags & ~bit;
    storeat<windrec>(deref(mainglobals().current.wind), w);
  }
};

TEST_F(CardDrawingTest, LayersAndOutlineModesFollowTheTool) {
  opencard({obj(Object::graphic, 100), obj(Object::button, 200)}, {obj(Object::field, 300), obj(Object::button, 201)});
  probeall();
  const Handle back = current().backspots, card = current().cardspots;
  const std::vector<std::pair<Handle, i16>> both{{back, 0}, {back, 1}, {card, 0}, {card, 1}};
  auto modes = [](const std::vector<Call>& calls) {
    std::vector<i16> m;
    for (const Call& c : calls) m.push_back(c.outline);
    return m;
  };
  auto calls = draw(600);
  EXPECT_EQ(order(calls), both);
  EXPECT_EQ(modes(calls), (std::vector<i16>{4, 4, 4, 4}));
  EXPECT_EQ(modes(draw(601)), (std::vector<i16>{3, 3, 4, 4}));
  calls = draw(601, 1);
  EXPECT_EQ(order(calls), (std::vector<std::pair<Handle, i16>>{{back, 0}, {back, 1}}))
      << "no card layer while the background is edited";
  EXPECT_EQ(modes(calls), (std::vector<i16>{4, 4}));
  for (auto [tool, mode] : {std::pair<u16, i16>{602, 2}, {603, 1}, {604, 0}, {100, 3}}) {
    EXPECT_EQ(outlinemode(tool, true, false), mode) << tool;
    EXPECT_EQ(outlinemode(tool, false, false), mode) << tool;
  }
}

TEST_F(CardDrawingTest, TheOpenFieldComesLastAndInvisibleAndUndrawnStylesNever) {
  Object hidden = obj(Object::button, 200);
  hidden.clearflags = spotvisible;
  opencard({obj(Object::field, 300), obj(Object::graphic, 102)},
           {obj(Object::button, 208), hidden, obj(Object::button, 224), obj(Object::button, 227),
            obj(Object::graphic, 104)});
  probeall();
  for (u16 style : {208, 224, 227}) EXPECT_EQ(drawtable().styles[style], nullptr) << style;
  MainGlobals& g = mainglobals();
  const Handle back = current().backspots, card = current().cardspots;
  g.openfieldwindow = current().window;
  g.openfieldspots = back;
  g.openfield = 0;
  EXPECT_EQ(order(draw(100)), (std::vector<std::pair<Handle, i16>>{{back, 1}, {card, 4}, {back, -1}}));
  setwindowflag(1u << 7, true);
  EXPECT_EQ(order(draw(100)), (std::vector<std::pair<Handle, i16>>{{back, 1}, {card, 1}, {card, 4}, {back, -1}}))
      << "the window shows invisible objects";
  g.openfield = -1;
  g.openfieldwindow = nilid;
}

TEST_F(CardDrawingTest, EachRoutineStartsBlackOnWhiteAndDisabledObjectsGrey) {
  Object disabled = obj(Object::button, 200);
  disabled.setflags = spotdisabled;
  opencard({}, {obj(Object::graphic, 100), disabled});
  probeall();
  drive::setscreendepth(8);
  {
    SavePort saved;
    SetGWorld(GetOffScreenWorld(), nilhandle);
    PenSize(5, 5);
    const RGBColor red{0xFFFF, 0, 0};
    RGBForeColor(&red);
  }
  auto calls = draw(100, 0, 8);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].fore, (RGBColor{0, 0, 0}));
  EXPECT_EQ(calls[0].back, (RGBColor{0xFFFF, 0xFFFF, 0xFFFF}));
  EXPECT_EQ(calls[0].pensize, (Point{1, 1}));
  EXPECT_EQ(calls[1].fore, (RGBColor{35000, 35000, 35000}));
  calls = draw(100, 0, 1);
  EXPECT_EQ(calls[1].fore, (RGBColor{0, 0, 0})) << "a 1-bit world shows no grey";
  drive::setscreendepth(1);
  calls = draw(100, 0, 8);
  EXPECT_EQ(calls[1].fore, (RGBColor{0, 0, 0})) << "nor a 1-bit screen";
}

TEST_F(CardDrawingTest, TheColourRuleTakesTheTableOfTheObjectsLayer) {
  Object a = obj(Object::graphic, 100), b = obj(Object::graphic, 100);
  a.fillfore = 5;
  b.fillfore = 5;
  b.fillback = 250;
  opencard({a}, {b});
  probeall();
  ASSERT_NE(current().backclut, nilhandle);
  setctableentry(current().backclut, 5, RGBColor{1000, 2000, 3000});
  setctableentry(current().cardclut, 5, RGBColor{4000, 5000, 6000});
  auto calls = draw(100);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].fill, (RGBColor{1000, 2000, 3000}));
  EXPECT_EQ(calls[1].fill, (RGBColor{4000, 5000, 6000}));
  mainglobals().colorWorld = 0;
  calls = draw(100);
  EXPECT_EQ(calls[1].fill, (RGBColor{0, 0, 0})) << "black on white without colour";
  mainglobals().colorWorld = 1;

  // An index past the end of a short table takes the standard table's colour.
  CTabHandle shorttable = NewCTable(4);
  mainglobals().currentclut = shorttable;
  RGBColor standard{};
  CTabHandle eight = GetCTable(8);
  ctableentry(eight, 200, &standard);
  EXPECT_EQ(clutcolour(200), standard);
  DisposeCTable(eight);
  DisposeCTable(shorttable);
  mainglobals().currentclut = nilhandle;
}

TEST_F(CardDrawingTest, OffWindowDrawingReachesEveryObjectAndDropsBadRectangles) {
  opencard({}, {obj(Object::graphic, 100, Rect{100, 100, 150, 150})});
  drawtable().styles[100] = rectprobe;
  ASSERT_EQ(CreateOffScreen(32), 1);
  SavePort saved;
  SetGWorld(GetOffScreenWorld(), nilhandle);
  RgnHandle small = NewRgn();
  SetRectRgn(small, 0, 0, 50, 50);
  SetPortVisibleRegion(GetOffScreenWorld(), small);

  auto record = [&](bool offwindow) {
    mainglobals().offwindowdrawing = offwindow;
    const Rect frame{0, 0, 300, 400};
    PicHandle pic = OpenPicture(&frame);
    backspot(0);
    ClosePicture();
    mainglobals().offwindowdrawing = 0;
    std::vector<Rect> rects;
    QDProcs procs;
    SetStdCProcs(&procs);
    procs.rectProc = [&](GrafVerb, const Rect* r) { rects.push_back(*r); };
    SetPortGrafProcs(GetOffScreenWorld(), &procs);
    DrawPicture(pic, &frame);
    SetPortGrafProcs(GetOffScreenWorld(), nullptr);
    KillPicture(pic);
    return rects;
  };
  EXPECT_TRUE(record(false).empty()) << "outside the visible region nothing is drawn";
  EXPECT_EQ(record(true), (std::vector<Rect>{Rect{1, 2, 3, 4}}));
  RgnHandle after = NewRgn();
  GetPortVisibleRegion(GetOffScreenWorld(), after);
  EXPECT_TRUE(EqualRgn(after, small)) << "the visible region is put back";
  DisposeRgn(after);
  DisposeRgn(small);
}

TEST_F(CardDrawingTest, AFieldImageLeavesItsFocusRingAndKeepsWhatItLeftWhite) {
  Object field = obj(Object::field, 300, Rect{40, 40, 80, 120});
  field.setflags = spotfocushilite;
  field.showfill = 0;  // an empty field without fill paints nothing of its own
  opencard({}, {field}, 4);
  EXPECT_EQ(getheme(&current()), 15);
  const WindowRef w = current().window;
  SavePort saved;
  SetPortWindowPort(w);
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  const Rect all{0, 0, 300, 400};
  PaintRect(&all);
  mainglobals().offwindowdrawing = 1;
  drawspot(current().cardspots);
  mainglobals().offwindowdrawing = 0;
  RGBColor ring{}, c{};
  themebrushcolour(46, true, &ring);
  GetCPixel(38, 60, &c);
  EXPECT_EQ(c, ring) << "the ring around the field";
  GetCPixel(60, 81, &c);
  EXPECT_EQ(c, ring);
  GetCPixel(50, 50, &c);
  EXPECT_EQ(c, red) << "the field's inside, white in the image, is left as it was";
  GetCPixel(34, 60, &c);
  EXPECT_EQ(c, red) << "outside the ring";
}

// A scrolling list in a card image gets a scroll bar along its right edge, made for the image
// and gone after it: the window keeps the controls it had.
TEST_F(CardDrawingTest, AScrollingListImageHasItsScrollBar) {
  Object list = obj(Object::field, 303, Rect{40, 40, 120, 160});
  for (int i = 1; i <= 20; ++i) list.text += "row " + std::to_string(i) + "\r";
  opencard({}, {list});
  ASSERT_EQ(CreateOffScreen(32), 1);
  ControlRef root = nilid;
  ASSERT_EQ(GetRootControl(current().window, &root), noErr);
  u16 before = 0, after = 0;
  CountSubControls(root, &before);
  SavePort saved;
  SetGWorld(GetOffScreenWorld(), nilhandle);
  const Rect all{0, 0, 300, 400};
  EraseRect(&all);
  mainglobals().offwindowdrawing = 1;
  drawspot(current().cardspots);
  mainglobals().offwindowdrawing = 0;
  CountSubControls(root, &after);
  EXPECT_EQ(after, before);
  // The bar's strip, 16 wide at the right edge, is drawn; the rows' side keeps its text.
  int drawn = 0;
  for (i16 v = 45; v < 115; ++v)
    for (i16 h = 145; h < 159; ++h) {
      RGBColor c{};
      GetCPixel(h, v, &c);
      drawn += c.red != 0xFFFF || c.green != 0xFFFF || c.blue != 0xFFFF;
    }
  EXPECT_GT(drawn, 100);
}

TEST_F(CardDrawingTest, TheInteriorClippingAndThemeBrushOfAWindow) {
  testproject::Project p;
  testproject::Window w;
  w.rect = Rect{100, 100, 250, 300};
  w.style = 1;
  w.backgrounds.push_back(testproject::Background{"B", "", {}});
  w.cards.push_back(testproject::Card{});
  p.windows.push_back(w);
  build(p);
  ASSERT_EQ(open(), 0);
  Rect r{};
  getinterior(&r);
  EXPECT_EQ(r, (Rect{0, 0, 135, 185}));
  SavePort saved;
  SetPortWindowPort(current().window);
  SetOrigin(7, 9);
  clipdown();
  GetPortBounds(currentportid(), &r);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.left, 0);
  RgnHandle clip = NewRgn();
  GetClip(clip);
  EXPECT_EQ(regionbounds(clip), (Rect{0, 0, 300, 400}));
  clipup();
  GetClip(clip);
  EXPECT_EQ(regionbounds(clip), (Rect{0, 0, 135, 185}));
  DisposeRgn(clip);

  EXPECT_EQ(getheme(nullptr), 1);
  desk d{};
  EXPECT_EQ(getheme(&d), 1) << "no window record";
  windrec rec{};
  d.wind = NewHandle(sizeof rec);
  auto brush = [&](u16 style, u16 themeback) {
    rec.word2 = style;
    rec.themeback = themeback;
    storeat<windrec>(deref(d.wind), rec);
    return getheme(&d);
  };
  EXPECT_EQ(brush(0, 6), 10);
  EXPECT_EQ(brush(0, 0x0300), 3);
  EXPECT_EQ(brush(9, 0), 7);
  EXPECT_EQ(brush(3, 0), 1);
  EXPECT_EQ(brush(4, 0), 15);
  DisposeHandle(d.wind);
}

// Every card of a project holding every kind of object, drawn into the offscreen world,
// leaves the project as it was: no record marked changed, the file's bytes the same after
// closing.
TEST_F(CardDrawingTest, AnObjectWithAnotherKindsStyleIsNotDrawnInIt) {
  // As a damaged project may hold them: a graphic and a button with a field's style, a
  // graphic and a field with a button's. Drawn in those styles, they got a text record or a
  // control that only a field or a button gives back when it goes (the fixture counts what is
  // left once the window closes).
  opencard({obj(Object::graphic, 300), obj(Object::graphic, 201)},
           {obj(Object::button, 301), obj(Object::field, 200), obj(Object::field, 300), obj(Object::button, 201)});
  ASSERT_EQ(CreateOffScreen(32), 1);
  draw(100);
  probeall();
  const Handle card = current().cardspots;
  EXPECT_EQ(order(draw(100)), (std::vector<std::pair<Handle, i16>>{{card, 2}, {card, 3}}));
}

TEST_F(CardDrawingTest, DrawingEveryCardChangesNothingInTheProject) {
  testproject::Project p;
  testproject::Window w;
  w.rect = Rect{100, 100, 400, 500};
  std::vector<Object> graphics, buttons, fields;
  for (u16 style = 100; style <= 108; ++style) {
    Object o = obj(Object::graphic, style);
    if (style == stylepolygon) {
      PolygonHeader h{18, Rect{10, 10, 40, 110}};
      o.data.resize(18);
      std::memcpy(o.data.data(), &h, sizeof h);
      const Point pts[2] = {Point{10, 10}, Point{40, 110}};
      std::memcpy(o.data.data() + 10, pts, sizeof pts);
    }
    if (style == stylebitmap) o.data.assign(size_t(pixmaprowbytes(100, 1)) * 30, 0x5A);
    if (style == stylegroup) o.nested = {obj(Object::graphic, 100), obj(Object::graphic, 102)};
    o.setflags = style == 101 ? spotfocushilite : 0;
    graphics.push_back(o);
  }
  for (u16 style = 200; style <= 229; ++style) {
    Object o = obj(Object::button, style);
    if (style >= 201 && style != 202) o.setflags = 1u << 21;
    buttons.push_back(o);
  }
  for (u16 style = 300; style <= 303; ++style) {
    Object o = obj(Object::field, style);
    o.text = "text";
    o.setflags = spotfocushilite;
    fields.push_back(o);
  }
  w.backgrounds.push_back(testproject::Background{"B", "", graphics});
  testproject::Card one, two;
  one.objects = buttons;
  two.objects = fields;
  w.cards = {one, two};
  p.windows.push_back(w);
  build(p);
  auto bytes = [&] {
    std::ifstream in(home->path() + "/p.kv45", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  const std::string before = bytes();
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(CreateOffScreen(32), 1);
  for (int card = 1; card <= 2; ++card) {
    ASSERT_EQ(doline("go to card " + std::to_string(card)), 0);
    for (u16 tool : {100, 600}) {
      for (i16 offwindow : {0, 1}) {
        mainglobals().offwindowdrawing = offwindow;
        draw(tool);
        SavePort saved;
        SetGWorld(GetOffScreenWorld(), nilhandle);
        drawspot(current().cardspots);
        drawspot(current().backspots);
        mainglobals().offwindowdrawing = 0;
      }
    }
    mainglobals().current.tool = 100;
    for (u32 id : {current().cardrecid, current().backrecid}) {
      u16 changed = 1;
      ASSERT_EQ(testvir(current().store, i32(id), &changed), 0);
      EXPECT_EQ(changed, 0) << "card " << card << " record " << id;
    }
  }
  closeallwindows();
  EXPECT_EQ(bytes(), before);
}

}  // namespace
}  // namespace kv
