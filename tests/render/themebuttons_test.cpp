// Theme drawing of buttons as a person sees it: cards of control-style buttons drawn into the
// card offscreen world, their pixels, the clips they draw in, their focus rings, the colour
// they stand on, their fonts, the metal texture, and icons as pictures.
#include "render/themebuttons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/controls/painter.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/png.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/testing/windowdump.h"
#include "platform/windows/theme.h"
#include "properties/userprops.h"
#include "render/behindcolour.h"
#include "render/carddrawing.h"
#include "render/controlfonts.h"
#include "render/controloptions.h"
#include "render/objectbounds.h"
#include "render/objectcolours.h"
#include "render/offscreen.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/render/controltest.h"
#include "tests/support/icondata.h"

namespace kv {
namespace {

using testproject::Object;

constexpr i16 kWide = 640, kHigh = 440, kWorldWide = 700;
constexpr u32 kFocus = 1u << 28, kAutoBackground = 1u << 24, kDisabled = 1u << 7;
constexpr u8 kRedIndex = 35;  // red in the standard 8-bit table

// A rectangle graphic filled with the white pattern, its `fillBack` red.
Object redrectangle(Rect r) {
  Object red;
  red.kind = Object::graphic;
  red.style = 100;
  red.rect = r;
  red.showfill = 1;
  red.fillpat = std::array<u8, 8>{};
  red.fillback = kRedIndex;
  return red;
}

RGBColor brush(i16 number, bool active = true) {
  RGBColor c{};
  themebrushcolour(number, active, &c);
  return c;
}

struct ClipLog {
  std::vector<Rect> rgnclips;  // the clip's box at each region drawn
};
ClipLog& cliplog() { return state<ClipLog>(); }

void recordrgn(GrafVerb verb, RgnHandle rgn) {
  RgnHandle clip = NewRgn();
  GetClip(clip);
  Rect box{};
  GetRegionBounds(clip, &box);
  cliplog().rgnclips.push_back(box);
  DisposeRgn(clip);
  StdRgn(verb, rgn);
}

class ThemeButtonTest : public ControlTest {
 protected:
  void TearDown() override {
    setimagewellsdrawnothing(false);
    setmemoryguardrefusal(false);
    DisposeOffScreen();
    ControlTest::TearDown();
  }
  // One card of a window 640 by 440 (style and theme background word given) over one
  // background, the project's resources given; the card offscreen world a little wider.
  void opencard(std::vector<Object> card, std::vector<Object> back = {}, u16 style = 0,
                std::vector<testproject::Resource> resources = {}) {
    testproject::Project p;
    testproject::Window w;
    w.name = "Main";
    w.style = style;
    w.rect = Rect{40, 40, i16(40 + kHigh), i16(40 + kWide)};
    w.backgrounds.push_back(testproject::Background{"B", "", std::move(back)});
    w.cards.push_back(testproject::Card{"One", "", 0, std::move(card), {}});
    p.windows.push_back(w);
    p.resources = std::move(resources);
    build(p);
    ASSERT_EQ(open(), 0);
    mainglobals().current.tool = kBrowseTool;
    mainglobals().colorWorld = 1;
    SetOffScreenBounds(Rect{0, 0, kHigh, kWorldWide});
    ASSERT_EQ(CreateOffScreen(32), 1);
  }
  // Draws the card into the world, first erased with the window's theme brush.
  void drawcard(u16 settheme = 1) {
    SavePort saved;
    SetGWorld(GetOffScreenWorld(), nilhandle);
    const Rect all{0, 0, kHigh, kWorldWide};
    PenNormal();
    SetThemeBackground(getheme(&current()), 32, true);
    EraseRect(&all);
    backspot(settheme);
  }
  static RGBColor at(i16 h, i16 v) {
    SavePort saved;
    SetGWorld(GetOffScreenWorld(), nilhandle);
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c;
  }
  // Whether any pixel of a rectangle differs from a colour.
  static bool inked(const Rect& r, RGBColor ground) {
    for (i16 v = r.top; v < r.bottom; ++v)
      for (i16 h = r.left; h < r.right; ++h)
        if (!(at(h, v) == ground)) return true;
    return false;
  }
  RGBColor ground() { return brush(getheme(&current())); }
  static bool parked(ControlRef c) {
    Rect r{};
    GetControlBounds(c, &r);
    return r == kParkingRect && !IsControlVisible(c);
  }
  bool cardchanged() {
    u16 flag = 0;
    testvir(current().store, i32(current().cardrecid), &flag);
    return flag != 0;
  }
  static std::string textfont(const spot& s) {
    Handle v = nilhandle;
    if (s.uprops == nilhandle || prophandutil(s.uprops, reinterpret_cast<const u8*>("\x0A__textFont"), &v) != 0)
      return "(none)";
    return std::string(reinterpret_cast<const char*>(deref(v)), std::size_t(GetHandleSize(v)));
  }
};

// Every style in a grid, each in a cell of 128 by 62 pixels.
Rect cell(int i) {
  const i16 left = i16(20 + (i % 5) * 124), top = i16(14 + (i / 5) * 70);
  return Rect{top, left, i16(top + 28), i16(left + 90)};
}

TEST_F(ThemeButtonTest, EveryStyleDrawsInsideItsRectangleAndIsParkedAgain) {
  std::vector<u16> styles{201};
  for (u16 s = 203; s <= 229; ++s) styles.push_back(s);
  std::vector<Object> card;
  for (std::size_t i = 0; i < styles.size(); ++i)
    card.push_back(button(styles[i], "B" + std::to_string(styles[i]), cell(int(i))));
  opencard(card);
  const RGBColor back = ground();
  drawcard();

  // A picture of the card goes into the dump folder, as a headless run leaves its windows.
  const std::string folder = home->path() + "/dump";
  std::string error;
  ASSERT_TRUE(setdumpfolder(folder, &error)) << error;
  ASSERT_EQ(writeportpng(GetOffScreenWorld(), folder + "/buttons.png"), noErr);
  EXPECT_GT(std::filesystem::file_size(folder + "/buttons.png"), 1000u);

  std::vector<Rect> allowed;
  for (std::size_t i = 0; i < styles.size(); ++i) {
    const spot s = object(i32(i));
    Rect drawn{};
    lowcalc(&s, &drawn);
    InsetRect(&drawn, -1, -1);
    allowed.push_back(drawn);
    const u16 style = styles[i];
    SCOPED_TRACE(style);
    const bool drawsnothing = style == 208 || style == 224 || style == 227;
    EXPECT_EQ(inked(s.rect, back), !drawsnothing) << "its pixels";
    if (drawsnothing) continue;
    const ControlRef c = livecontrol(s);
    if (style == 206) {
      EXPECT_EQ(c, nilid) << "a popup keeps no control";
    } else if (controlWantsIdle(s)) {
      EXPECT_FALSE(parked(c)) << "it animates where it is";
    } else {
      EXPECT_TRUE(parked(c));
    }
    EXPECT_NE(textfont(s), "(none)") << "the font it was given is kept";
  }
  // Nothing changed outside the drawn rectangles.
  for (i16 v = 0; v < kHigh; v = i16(v + 1))
    for (i16 h = 0; h < kWorldWide; h = i16(h + 1)) {
      const Point p{v, h};
      const bool inside = std::any_of(allowed.begin(), allowed.end(), [p](const Rect& r) { return PtInRect(p, &r); });
      if (!inside) {
        ASSERT_TRUE(at(h, v) == back) << "pixel " << h << "," << v;
      }
    }
  EXPECT_FALSE(cardchanged()) << "drawing changes no record";
}

TEST_F(ThemeButtonTest, NarrowCheckBoxesStayClassic) {
  opencard({button(204, "Narrow", Rect{20, 20, 40, 34}), button(204, "Wide", Rect{60, 20, 72, 35})});
  drawcard();
  EXPECT_FALSE(isplatformcontrol(object(0))) << "14 wide: no control at all";
  EXPECT_FALSE(inked(Rect{20, 20, 40, 34}, ground()));
  EXPECT_TRUE(isplatformcontrol(object(1)));
  EXPECT_TRUE(inked(Rect{60, 20, 72, 35}, ground()));
}

TEST_F(ThemeButtonTest, PopupClipAndTheWindowInterior) {
  opencard({button(206, "Pop", Rect{40, 40, 60, 160}, kFocus), button(204, "Edge", Rect{100, 600, 120, 680})});
  setprop(1, "popupData", "\"Red;Green\"");
  CGrafPtr world = GetOffScreenWorld();
  QDProcs procs{};
  SetStdCProcs(&procs);
  procs.rgnProc = recordrgn;
  SetPortGrafProcs(world, &procs);
  drawcard();
  SetPortGrafProcs(world, nullptr);
  // The focus ring is the last region the popup draws, under its clip.
  Rect expected = object(0).rect;
  InsetRect(&expected, -5, -5);
  ASSERT_FALSE(cliplog().rgnclips.empty());
  EXPECT_TRUE(std::find(cliplog().rgnclips.begin(), cliplog().rgnclips.end(), expected) != cliplog().rgnclips.end());

  // The check box half outside the window is cut at the interior's edge ...
  EXPECT_TRUE(inked(Rect{100, 600, 120, 640}, ground()));
  EXPECT_FALSE(inked(Rect{100, 640, 120, 680}, ground()));
  // ... and drawn whole off the window.
  mainglobals().offwindowdrawing = 1;
  drawcard();
  mainglobals().offwindowdrawing = 0;
  EXPECT_TRUE(inked(Rect{100, 640, 120, 680}, ground()));
}

TEST_F(ThemeButtonTest, FocusRingsOfPushButtonsAndOtherControls) {
  opencard({button(201, "Push", Rect{40, 40, 60, 160}, kFocus), button(213, "Bar", Rect{100, 50, 116, 250}, kFocus)});
  drawcard();
  const RGBColor ring = brush(46, IsWindowHilited(current().window));
  // Around the round rectangle lengthened by 2 at the bottom.
  EXPECT_TRUE(at(100, 63) == ring);
  EXPECT_FALSE(at(100, 61) == ring) << "inside the lengthened shape";
  EXPECT_TRUE(at(100, 37) == ring);
  // Around the scroll bar, and around its track inside it (over the arrow beside it).
  EXPECT_TRUE(at(48, 108) == ring);
  EXPECT_TRUE(at(64, 108) == ring);
  EXPECT_FALSE(at(150, 108) == ring) << "the track itself";
}

TEST_F(ThemeButtonTest, ImageWellFallbackOncePerRun) {
  Object withicon = button(211, "", Rect{100, 300, 180, 400});
  withicon.tail = tail(0, 0, 0, 100);
  setimagewellsdrawnothing(true);  // before the window first draws its card
  opencard({button(211, "", Rect{100, 100, 180, 200}), withicon});
  drawcard();
  EXPECT_EQ(imagewellisbroken(), 1);
  // The well: the drawn rectangle (rect less 5 at top, 2 at the sides, 3 at the bottom, grown
  // by 1) inset by 8, top 3 lower, bottom 1 higher, right 1 further right.
  const RGBColor pen = brush(29);
  EXPECT_TRUE(at(150, 140) == pen);
  EXPECT_TRUE(at(195, 140) == pen) << "one further right";
  EXPECT_FALSE(at(197, 140) == pen);
  EXPECT_FALSE(at(150, 103) == pen) << "three lower";
  EXPECT_FALSE(at(307, 110) == pen) << "with an icon there is no fallback";

  // The probe does not run again: the fallback stays even though wells draw again.
  setimagewellsdrawnothing(false);
  drawcard();
  EXPECT_TRUE(at(150, 140) == pen);
}

TEST_F(ThemeButtonTest, ImageWellsThatDrawAreNotBroken) {
  opencard({button(211, "", Rect{100, 100, 180, 200})});
  drawcard();
  EXPECT_EQ(imagewellisbroken(), 0);
  EXPECT_FALSE(at(150, 140) == brush(29));
}

TEST_F(ThemeButtonTest, ColourBehindControls) {
  const Object red = redrectangle(Rect{50, 50, 150, 300});
  Object tabs = button(210, "Tabs", Rect{200, 40, 400, 400});
  opencard({red, button(204, "C", Rect{80, 80, 100, 200}, kAutoBackground), button(204, "D", Rect{110, 80, 130, 200}),
            button(204, "T", Rect{260, 80, 280, 200}, kAutoBackground)},
           {tabs});
  drawcard();
  mainglobals().currentclut = current().cardclut;
  const RGBColor redcolour = clutcolour(kRedIndex);
  EXPECT_TRUE(at(190, 90) == redcolour) << "on the rectangle's fill";
  EXPECT_FALSE(at(190, 120) == redcolour) << "without autoBackground: the window's background";
  RGBColor pane{};
  themecontainercolour(kThemeBackgroundTabPane, kThemeStateActive, &pane);
  EXPECT_TRUE(at(190, 270) == pane) << "a card button over the background's tabs";

  EXPECT_EQ(GetControlColorProc(up(1)), &Pfindbehindcolor);
  EXPECT_EQ(GetControlColorProc(up(2)), nullptr);

  Handle list = current().cardspots;
  i16 index = 3;
  ASSERT_EQ(spotparent(&list, &index), 1);
  EXPECT_EQ(list, current().backspots);
  EXPECT_EQ(index, 0);

  // A graphic that carries a picture is not stood on.
  spot g = object(0);
  const Handle alt = g.alt;
  g.alt = NewHandle(0);
  putspot(current().cardspots, 0, g);
  list = current().cardspots;
  index = 1;
  EXPECT_EQ(spotparent(&list, &index), 0);
  DisposeHandle(g.alt);
  g.alt = alt;
  putspot(current().cardspots, 0, g);
}

TEST_F(ThemeButtonTest, GroupBoxesAsParents) {
  opencard({button(220, "Primary", Rect{20, 20, 200, 200}), button(204, "In", Rect{60, 40, 80, 150}, kAutoBackground),
            button(221, "Secondary", Rect{20, 300, 200, 500}),
            button(204, "In2", Rect{60, 320, 80, 450}, kAutoBackground)});
  Handle list = current().cardspots;
  i16 index = 1;
  EXPECT_EQ(spotparent(&list, &index), 0) << "a primary group box is no parent";
  index = 3;
  ASSERT_EQ(spotparent(&list, &index), 1);
  EXPECT_EQ(index, 2);
  drawcard();
  RGBColor group{};
  themecontainercolour(kThemeBackgroundSecondaryGroupBox, kThemeStateActive, &group);
  EXPECT_TRUE(at(440, 70) == group);
  EXPECT_TRUE(at(140, 70) == ground());
}

TEST_F(ThemeButtonTest, ControlFonts) {
  opencard({button(204, "Aqua"), button(204, "Plain", Rect{80, 20, 100, 140})});
  setprop(1, "aquaFont", "\"Geneva,13\"");
  const ControlRef c = up(0);
  ControlFontStyleRec r{};
  GetControlFontStyle(c, &r);
  const i16 geneva = GetFNum(reinterpret_cast<const u8*>("\x06Geneva"));
  EXPECT_EQ(r.font, geneva);
  EXPECT_EQ(r.size, 13);
  const buttontail t = getbuttontail(object(0));
  EXPECT_EQ(t.words.v[0], u16(geneva));
  EXPECT_EQ(t.words.v[1], 13);
  EXPECT_EQ(textfont(object(0)), "Geneva");
  EXPECT_NE(textfont(object(1)), "(none)");

  ControlFontStyleRec big{7, 0, 0, 0, 0, 0, {}, {}};
  EXPECT_EQ(GetFontSize(&big), 1);
  EXPECT_EQ(big.font, kControlFontBigSystemFont);
  EXPECT_EQ(big.flags, 1);
  ControlFontStyleRec small{7, 0, -1, 1, 0, 0, {}, {}};
  GetFontSize(&small);
  EXPECT_EQ(small.font, kControlFontSmallBoldSystemFont);
  EXPECT_EQ(small.flags, 3);
  EXPECT_EQ(small.style, 0);
  ControlFontStyleRec app{7, 1, 0, 0, 0, 0, {}, {}};
  GetFontSize(&app);
  EXPECT_EQ(app.size, 12);
  ControlFontStyleRec named{7, geneva, 10, 0, 0, 0, {}, {}};
  EXPECT_EQ(GetFontSize(&named), 1) << "Geneva is the application font";
  ControlFontStyleRec other{7, 4, 10, 0, 0, 0, {}, {}};
  EXPECT_EQ(GetFontSize(&other), 0) << "another font keeps its own size";
  EXPECT_EQ(other.size, 10);
}

TEST_F(ThemeButtonTest, MetalWindowsKeepTheSystemFontAndEraseWithTheTexture) {
  const Object red = redrectangle(Rect{100, 20, 200, 300});
  opencard({button(204, "Metal", Rect{20, 20, 40, 200}), red,
            button(204, "Red", Rect{120, 40, 140, 200}, kAutoBackground)},
           {}, 11);
  const ControlRef c = up(0);
  ControlFontStyleRec r{};
  GetControlFontStyle(c, &r);
  EXPECT_EQ(r.flags, 0) << "the control keeps the system font";
  down(0);
  drawcard();
  // The texture: a darker row every fourth.
  std::map<u32, int> colours;
  for (i16 v = 22; v < 38; ++v) colours[at(190, v).red]++;
  EXPECT_GE(colours.size(), 2u) << "the metal texture behind the check box";
  mainglobals().currentclut = current().cardclut;
  EXPECT_TRUE(at(190, 130) == clutcolour(kRedIndex)) << "its parent's colour, through the standard erase";
  i16 metal = -1;
  EXPECT_EQ(GetControlProperty(livecontrol(object(2)), fourcc("VIZU"), fourcc("Metl"), 2, nullptr, &metal), noErr);
  EXPECT_EQ(metal, 0);
  EXPECT_EQ(GetControlProperty(livecontrol(object(0)), fourcc("VIZU"), fourcc("Metl"), 2, nullptr, &metal), noErr);
  EXPECT_EQ(metal, 1);
}

TEST_F(ThemeButtonTest, ChasingArrowsDrawOnTheWindowsThemeBackground) {
  opencard({button(218, "", Rect{40, 40, 72, 72})});
  SetThemeWindowBackground(current().window, 7, false);
  drawcard(0);
  EXPECT_EQ(windowthemebrush(current().window), getheme(&current()));
  EXPECT_TRUE(at(41, 41) == brush(getheme(&current()))) << "the corner, erased with the window's brush";
}

TEST_F(ThemeButtonTest, IconsAsPictures) {
  const auto half = testicons::bits(32, [](int x, int) { return x < 16; });
  Object bevel = button(205, "Bevel", Rect{40, 40, 100, 140}, kDisabled);
  bevel.tail = tail(0, 0, 0, 100);
  opencard({bevel}, {}, 0, {{fourcc("ICON"), "", half}});
  const PicHandle pict = GetIconAsPICT(object(0));
  ASSERT_NE(pict, nilhandle);
  {
    const Rect frame{0, 0, 32, 32};
    GWorldPtr world = nilid;
    ASSERT_EQ(NewGWorld(&world, 32, &frame, nilhandle, nilhandle, 0), noErr);
    SavePort saved;
    SetGWorld(world, nilhandle);
    EraseRect(&frame);
    DrawPicture(pict, &frame);
    RGBColor left{}, right{};
    GetCPixel(4, 10, &left);
    GetCPixel(24, 10, &right);
    EXPECT_TRUE(left.red == left.green && left.red > 0x4000 && left.red < 0xC000) << "grey: the disabled transform";
    EXPECT_TRUE(right == (RGBColor{0xFFFF, 0xFFFF, 0xFFFF}));
    DisposeGWorld(world);
  }
  KillPicture(pict);

  mainglobals().memplentiful = 0;
  setmemoryguardrefusal(true);
  EXPECT_EQ(GetIconAsPICT(object(0)), nilhandle);
  setmemoryguardrefusal(false);

  dumpspot(0);
  spot s = object(0);
  setContentType(s, 4);
  putspot(current().cardspots, 0, s);
  const ControlRef c = up(0);
  ControlButtonContentInfo content{};
  GetBevelButtonContentInfo(c, &content);
  EXPECT_EQ(content.contentType, kControlContentPictHandle);
  EXPECT_TRUE(IsValidHandle(content.data));
}

}  // namespace
}  // namespace kv
