// Graphic objects drawing, checked on the pixels of a 32-bit world: fills inside pens and
// outlines, inks and shadows, dimming and grey-out, bitmaps (dithered, transparent white,
// colour), groups and text graphics between their picture comments, and bit maps for painting.
#include "render/graphicdrawing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/objectcolours.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"
#include "tests/support/spots.h"

namespace kv {
namespace {

using testspots::newspot;

constexpr RGBColor kWhite{0xFFFF, 0xFFFF, 0xFFFF}, kBlack{0, 0, 0}, kRed{0xFFFF, 0, 0};
constexpr bytes<8> kSolid{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
constexpr bytes<8> kGreyPattern{{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}};

u8 eight(u16 channel) { return u8(channel >> 8); }

class GraphicDrawingTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    world_.reset(OwnedWorld(32, Rect{0, 0, 100, 100}).release());
    SetGWorld(world_, nilhandle);
    mainglobals().colorWorld = 1;
    mainglobals().openfield = -1;
    fill(kWhite);
  }
  void TearDown() override {
    if (window_ != nilid) DisposeWindow(window_);
    mainglobals().current.window = nilid;
    DisposeCTable(mainglobals().current.cardclut);
    world_.reset();
    RuntimeTest::TearDown();
  }
  static void fill(const RGBColor& c) {
    const Rect all{0, 0, 100, 100};
    RGBForeColor(&c);
    PenNormal();
    PaintRect(&all);
    RGBForeColor(&kBlack);
  }
  static RGBColor at(i16 h, i16 v) {
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c;
  }
  // A filled rectangle graphic in a solid fill of colour index `fore`, without a pen.
  static spot filled(Rect r, u16 ink, bytes<8> pattern = kSolid) {
    spot s = newspot(spotgraphic, stylerectangle, 0, r);
    s.showpen = 0;
    s.fillpat = pattern;
    s.ink = ink;
    return s;
  }
  // A current window, hilited or not.
  void currentwindow(bool hilited) {
    const Rect r{100, 100, 200, 200};
    if (window_ == nilid) {
      ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window_), noErr);
    }
    HiliteWindow(window_, hilited);
    mainglobals().current.window = window_;
  }
  OwnedWorld world_;
  WindowRef window_ = nilid;
};

TEST_F(GraphicDrawingTest, FillsStayInsideThePenAndOutlinesFrameWhatHasNoPen) {
  // A pen half as wide as the rectangle leaves no room for the fill.
  spot r = newspot(spotgraphic, stylerectangle, 0, Rect{10, 10, 50, 50});
  r.fillpat = kSolid;
  r.fillfore = 5;
  r.penwidth = r.penheight = 20;
  drawrectgraphic(r, outlinenone);
  for (i16 p : {10, 25, 30, 49}) EXPECT_EQ(at(p, p), kBlack) << p;

  // Corners that shrink to nothing with the pen: a plain rectangle, its corner pixel filled.
  fill(kWhite);
  spot rr = newspot(spotgraphic, styleroundrect, 0, Rect{10, 10, 50, 50});
  rr.fillpat = kSolid;
  rr.fillfore = 5;
  rr.penwidth = rr.penheight = 2;
  graphictail t = getgraphictail(rr);
  t.startangle = t.arcangle = 4;
  setgraphictail(rr, t);
  drawroundrectgraphic(rr, outlinenone);
  EXPECT_EQ(at(12, 12), clutcolour(5));

  // A polygon is filled whole under its pen.
  fill(kWhite);
  OwnedHandle poly(newpolygon({Point{10, 10}, Point{10, 60}, Point{60, 60}, Point{10, 10}}));
  spot pg = newspot(spotgraphic, stylepolygon, 0, Rect{10, 10, 60, 60});
  pg.data = poly;
  pg.fillpat = kSolid;
  pg.fillfore = 5;
  pg.penwidth = pg.penheight = 3;
  LowDrawPolygonGrc(pg, outlinenone, 32);
  EXPECT_EQ(at(55, 20), clutcolour(5));
  EXPECT_EQ(at(11, 11), kBlack) << "the pen on the edge";

  // Without a pen: the grey outline for outline modes 0 and 4 only.
  for (i16 outline : {outlinegraphics, outlinebuttons, outlinenone, outlineall}) {
    fill(kWhite);
    spot bare = newspot(spotgraphic, styleoval, 0, Rect{20, 20, 60, 60});
    bare.showfill = bare.showpen = 0;
    LowDrawOvalGrc(bare, outline, 32);
    const bool outlined = outline == outlinegraphics || outline == outlineall;
    const bool any = at(39, 20) == kBlack || at(40, 20) == kBlack;
    EXPECT_EQ(any, outlined) << outline;
    if (outlined) {
      EXPECT_NE(at(39, 20), at(40, 20)) << "every other pixel of the 55 AA pattern";
    }
  }
  fill(kWhite);
  spot line = newspot(spotgraphic, styleline, 0, Rect{0, 0, 50, 50});
  line.showpen = 0;
  graphictail lt = getgraphictail(line);
  lt.point2 = Point{50, 50};
  setgraphictail(line, lt);
  const u64 before = drawingcount();
  drawlinegraphic(line, outlinenone);
  EXPECT_EQ(drawingcount(), before) << "a line with neither pen nor outline draws nothing";
}

TEST_F(GraphicDrawingTest, InksOverAPatternFillAndShadows) {
  MainGlobals& g = mainglobals();
  // Ink 10 over black: pattern copy without colour, pattern exclusive-or with it.
  for (i16 colour : {0, 1}) {
    g.colorWorld = colour;
    fill(kBlack);
    spot s = filled(Rect{0, 0, 20, 20}, patXor);
    drawrectgraphic(s, outlinenone);
    EXPECT_EQ(at(5, 5), colour ? kWhite : kBlack) << colour;
  }
  // Ink 32: each channel the mean of the black fill and the white below.
  fill(kWhite);
  spot mean = filled(Rect{0, 0, 20, 20}, blend);
  drawrectgraphic(mean, outlinenone);
  EXPECT_NEAR(eight(at(5, 5).green), 127, 1);
  // Ink 300 is transparent: the pattern's white leaves what lies below.
  fill(kRed);
  spot clear = filled(Rect{0, 0, 20, 20}, 300, kGreyPattern);
  drawrectgraphic(clear, outlinenone);
  EXPECT_EQ(at(1, 0), kBlack);
  EXPECT_EQ(at(0, 0), kRed);

  // Shadow 2: 55 AA in pattern-or.
  const Rect box{0, 0, 20, 20};
  fill(kRed);
  shadowpat(2);
  PaintRect(&box);
  EXPECT_EQ(at(1, 0), kBlack);
  EXPECT_EQ(at(0, 0), kRed);
  // Shadow 12: a blended grey in colour, solid black without.
  for (i16 colour : {1, 0}) {
    g.colorWorld = colour;
    fill(kWhite);
    PenNormal();
    shadowpat(12);
    PaintRect(&box);
    const RGBColor c = at(5, 5);
    if (colour) {
      for (u16 channel : {c.red, c.green, c.blue}) EXPECT_NEAR(eight(channel), 191, 1);
    } else {
      EXPECT_EQ(c, kBlack);
    }
  }
}

TEST_F(GraphicDrawingTest, ObjectsDimInAnInactiveWindowAndGreyOutBoxes) {
  struct Case {
    void (*set)(u8, u8);
    u16 dimmed;
  };
  auto colours = [](void (*set)(u8, u8), u8 fore, u8 back) {
    RGBForeColor(&kRed);
    RGBBackColor(&kRed);
    set(fore, back);
    RGBColor f{}, b{};
    GetForeColor(&f);
    GetBackColor(&b);
    return std::pair{f, b};
  };
  currentwindow(false);
  for (const Case& c : {Case{setextforeback, 35767}, Case{setpenforeback, 42767}, Case{setfillforeback, 53690}}) {
    auto [f, b] = colours(c.set, 255, 0);
    EXPECT_EQ(f, (RGBColor{c.dimmed, c.dimmed, c.dimmed}));
    EXPECT_EQ(b, kWhite) << "white stays white";
  }
  currentwindow(true);
  EXPECT_EQ(colours(setextforeback, 255, 0).first, kBlack) << "nothing dims in the hilited window";
  mainglobals().colorWorld = 0;
  currentwindow(false);
  EXPECT_EQ(colours(setfillforeback, 255, 0).first, kRed) << "without colour nothing is set";

  const Rect black{0, 0, 10, 10}, box{0, 0, 20, 20};
  RGBForeColor(&kBlack);
  PaintRect(&black);
  GrayOutBox(&box);
  const RGBColor white = kWhite;
  RGBColor grey = kBlack;
  ASSERT_TRUE(GetGray(GetMaxDevice(&box), &white, &grey));
  const RGBColor greyed = at(5, 5);
  EXPECT_EQ(eight(greyed.red), eight(grey.red));
  EXPECT_EQ(eight(greyed.blue), eight(grey.blue));
  EXPECT_EQ(at(15, 15), kWhite);
}

// A bitmap graphic over `r` whose rows are `rows` (1-bit or 8-bit by `colour`).
spot bitmap(Rect r, bool colour, const std::vector<u8>& rows, u16 ink) {
  spot s = newspot(spotgraphic, stylebitmap, 0, r);
  graphictail t = getgraphictail(s);
  t.startangle = colour ? 1 : 0;
  setgraphictail(s, t);
  s.data = NewHandle(Size(rows.size()));
  std::memcpy(deref(s.data), rows.data(), rows.size());
  s.ink = ink;
  return s;
}

TEST_F(GraphicDrawingTest, BitmapsDitheredTransparentAndInColour) {
  MainGlobals& g = mainglobals();
  // Without colour an 8-bit bitmap is black or white by the darkness of its colours, and is
  // copied whole whatever its ink.
  g.colorWorld = 0;
  g.current.cardclut = NewCTable(256);
  for (i32 i = 0; i < 256; ++i) setctableentry(g.current.cardclut, i, kWhite);
  setctableentry(g.current.cardclut, 1, RGBColor{32767, 32767, 32767});
  setctableentry(g.current.cardclut, 2, RGBColor{32768, 32768, 32768});
  fill(kRed);
  spot dithered = bitmap(Rect{0, 0, 1, 4}, true, {1, 2, 0, 0}, u16(-1));
  LowDrawPaintGrc(dithered);
  EXPECT_EQ(at(0, 0), kBlack);
  EXPECT_EQ(at(1, 0), kWhite);
  DisposeHandle(dithered.data);

  // Ink -1: the white a black square encloses is drawn, the white outside it is not.
  g.colorWorld = 1;
  fill(kRed);
  std::vector<u8> rows(size_t(pixmaprowbytes(20, 1)) * 20, 0);
  auto set = [&](i32 h, i32 v) { rows[size_t(v) * pixmaprowbytes(20, 1) + size_t(h / 8)] |= u8(0x80 >> (h % 8)); };
  for (i32 i = 5; i < 15; ++i) set(i, 5), set(i, 14), set(5, i), set(14, i);
  spot square = bitmap(Rect{0, 0, 20, 20}, false, rows, u16(-1));
  LowDrawPaintGrc(square);
  EXPECT_EQ(at(5, 5), kBlack);
  EXPECT_EQ(at(10, 10), kWhite) << "inside the square";
  EXPECT_EQ(at(2, 2), kRed) << "outside it";
  DisposeHandle(square.data);

  // An 8-bit bitmap gives the same pixels in the world and in a window's port.
  std::vector<u8> indexes(size_t(pixmaprowbytes(6, 8)) * 3);
  for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = u8(i * 37);
  spot colour = bitmap(Rect{10, 10, 13, 16}, true, indexes, 0);
  LowDrawPaintGrc(colour);
  std::vector<RGBColor> inworld, inwindow;
  for (i16 v = 10; v < 13; ++v)
    for (i16 h = 10; h < 16; ++h) inworld.push_back(at(h, v));
  currentwindow(true);
  SetPortWindowPort(window_);
  LowDrawPaintGrc(colour);
  for (i16 v = 10; v < 13; ++v)
    for (i16 h = 10; h < 16; ++h) inwindow.push_back(at(h, v));
  EXPECT_EQ(inworld, inwindow);
  EXPECT_NE(inworld[0], inworld[1]);
  DisposeHandle(colour.data);
  SetGWorld(world_, nilhandle);
}

TEST_F(GraphicDrawingTest, ThePaintedBitmapAndTheEditedGraphicAreOutlinedOverTheCard) {
  MainGlobals& g = mainglobals();
  fill(kRed);
  OwnedHandle list(NewHandle(0));
  const spot painted = bitmap(Rect{20, 20, 30, 30}, false, std::vector<u8>(size_t(pixmaprowbytes(10, 1)) * 10, 0),
                              u16(-1));
  spot text = newspot(spotgraphic, styletext, 0, Rect{50, 50, 70, 90});
  text.showpen = 0;
  PtrAndHand(&painted, list, sizeof painted);
  PtrAndHand(&text, list, sizeof text);
  g.bmapspots = g.graphspots = list;
  g.bmapindex = 0;
  g.graphindex = 1;
  drawbmap();
  drawgraph();
  EXPECT_EQ(at(25, 25), kWhite) << "painted in source copy, whatever the ink";
  EXPECT_EQ(at(60, 60), kWhite) << "the edited text's area is erased";
  for (Point corner : {Point{19, 19}, Point{49, 49}})
    EXPECT_TRUE(at(corner.h, corner.v) == kBlack || at(i16(corner.h + 1), corner.v) == kBlack)
        << "the outline around it";
  EXPECT_EQ(at(18, 18), kRed);
  DisposeHandle(painted.data);
  g.bmapspots = g.graphspots = nilhandle;
}

// What a port's bottleneck table sees: comment kinds, and -1 for every rectangle.
struct Recorder {
  std::vector<i16> seen;
  std::vector<u8> textdata;
};
Recorder& recorder() { return state<Recorder>(); }

TEST_F(GraphicDrawingTest, GroupsAndTextsComeBetweenTheirCommentsOffTheWindow) {
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.commentProc = [](i16 kind, i16 size, Handle data) {
    recorder().seen.push_back(kind);
    if (kind == 150 && data != nilhandle) recorder().textdata.assign(deref(data), deref(data) + size);
  };
  procs.rectProc = [](GrafVerb verb, const Rect* r) {
    recorder().seen.push_back(-1);
    StdRect(verb, r);
  };
  SetPortGrafProcs(world_, &procs);
  // The group's own objects reach their style routine with outline mode 3.
  drawtable().styles[stylerectangle] = [](spot&, const StyleCall& c) {
    recorder().seen.push_back(i16(100 + c.outline));
  };
  OwnedHandle nested(NewHandle(0));
  const spot inner = newspot(spotgraphic, stylerectangle, 0, Rect{10, 10, 20, 20});
  PtrAndHand(&inner, nested, sizeof inner);
  spot group = newspot(spotgraphic, stylegroup, 0, Rect{10, 10, 20, 20});
  group.data = nested;
  mainglobals().offwindowdrawing = 1;
  HidePen();
  const u64 before = drawingcount();
  LowDrawGroupGrc(group);
  EXPECT_EQ(recorder().seen, (std::vector<i16>{130, 140, 103, 141, 131}));
  EXPECT_EQ(drawnobjectstate().groupdrawing, 0);

  // A text graphic: its fill, then the text between the text comments (left-justified).
  recorder().seen.clear();
  spot text = filled(Rect{30, 30, 50, 80}, 0);
  text.style = styletext;
  LowDrawTextGrc(text, outlinenone, 32);
  EXPECT_EQ(recorder().seen, (std::vector<i16>{-1, 130, 150, 151, 131}));
  EXPECT_EQ(recorder().textdata, (std::vector<u8>{1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(drawingcount(), before) << "no pixel changes while the pen is hidden";
  ShowPen();
  mainglobals().offwindowdrawing = 0;
  SetPortGrafProcs(world_, nullptr);
}

TEST_F(GraphicDrawingTest, BitMapsForPaintingTakeThirtyTwoBitSizes) {
  BitMap bits{};
  const Rect wide{0, 0, 100, 20000};
  ASSERT_EQ(NewBitMap(&bits, &wide), 0);
  EXPECT_EQ(bits.rowBytes, 2500);
  EXPECT_EQ(GetPtrSize(bits.baseAddr), 250000);
  EXPECT_EQ(bits.bounds, wide);
  DisposePtr(bits.baseAddr);
}

}  // namespace
}  // namespace kv
