// Classic buttons drawn into the card offscreen world of an open project: names by alignment,
// shadows, hilites, popup arrows, black-and-white, colour and family icons found in the
// project's resources (and the shared project's), and the hit test of transparent icon
// buttons.
#include "render/classicbuttons.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "render/buttonicons.h"
#include "render/carddrawing.h"
#include "render/hittest.h"
#include "render/objectcolours.h"
#include "render/offscreen.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "core/settings.h"
#include "store/byteorder.h"
#include "store/namekey.h"
#include "tests/support/icondata.h"
#include "tests/support/owned.h"
#include "tests/support/spots.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testspots::newspot;

constexpr RGBColor kWhite{0xFFFF, 0xFFFF, 0xFFFF}, kBlack{0, 0, 0};
constexpr i16 kSide = 200;
using Pixels = std::vector<RGBColor>;

class ClassicButtonTest : public WindowTest {
 protected:
  void TearDown() override {
    for (Handle h : names_) DisposeHandle(h);
    mainglobals().sharedstore = nilid;
    DisposeOffScreen();
    drive::setscreendepth(32);
    WindowTest::TearDown();
  }
  // Opens a one-card project holding the resources (ids from 100) and draws into its card
  // offscreen world, made at `depth`, cleared white.
  void openwith(std::vector<testproject::Resource> resources, i16 depth = 32, std::string_view name = "p.kv45") {
    testproject::Project p;
    testproject::Window w;
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    w.cards.push_back(testproject::Card{});
    p.windows.push_back(w);
    p.resources = std::move(resources);
    build(p, name);
    ASSERT_EQ(open(name), 0);
    SetOffScreenBounds(Rect{0, 0, kSide, kSide});
    ASSERT_EQ(CreateOffScreen(depth), 1);
    SetGWorld(GetOffScreenWorld(), nilhandle);
    mainglobals().colorWorld = 1;
    mainglobals().current.tool = kBrowseTool;
    clear();
  }
  static void clear() {
    const Rect all{0, 0, kSide, kSide};
    PenNormal();
    restcolor();
    EraseRect(&all);
  }
  static RGBColor at(i16 h, i16 v) {
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c;
  }
  static Pixels snapshot() {
    Pixels p;
    for (i16 v = 0; v < kSide; ++v)
      for (i16 h = 0; h < kSide; ++h) p.push_back(at(h, v));
    return p;
  }
  // The box of the pixels that are not white from column `from` on (empty when all are).
  static Rect inkbox(i16 from = 0) {
    Rect box{kSide, kSide, 0, 0};
    for (i16 v = 0; v < kSide; ++v)
      for (i16 h = from; h < kSide; ++h)
        if (!(at(h, v) == kWhite))
          box = Rect{std::min(box.top, v), std::min(box.left, h), std::max<i16>(box.bottom, i16(v + 1)),
                     std::max<i16>(box.right, i16(h + 1))};
    return box;
  }
  // A transparent rectangle button (no fill, no pen) over (20, 50)-(60, 150).
  spot button(u16 style = stylebuttonrect, Rect r = Rect{20, 50, 60, 150}) {
    spot s = newspot(spotbutton, style, 1, r);
    s.showfill = s.showpen = 0;
    s.flags &= ~(u32(spothilite) | u32(spotshowname));
    settext(s, 0, 12, 0);
    return s;
  }
  static void settext(spot& s, i16 align, u16 size, u32 icon) {
    buttontail t = getbuttontail(s);
    t.words.v[1] = size;
    t.words.v[3] = u16(align);
    t.icon = icon;
    setbuttontail(s, t);
  }
  void name(spot& s, const std::string& text) {
    names_.push_back(NewHandle(Size(text.size())));
    std::memcpy(deref(names_.back()), text.data(), text.size());
    s.name = names_.back();
    s.flags |= spotshowname;
  }
  static FontInfo info12() {
    TextFont(0);
    TextSize(12);
    FontInfo fi{};
    GetFontInfo(&fi);
    return fi;
  }
  static void drawn(spot& s) {
    s.style == stylepolybutton ? LowDrawPolygonBtn(s, outlinenone) : drawrectbutton(s, outlinenone);
  }
  std::vector<Handle> names_;
};

TEST_F(ClassicButtonTest, NamesFollowTheAlignmentAndAPolygonPaintsItsShadowFirst) {
  openwith({});
  const std::string forty = "HHHHH";  // 5 x 8 pixels
  const FontInfo fi = info12();
  const i16 vc = 40, baseline = i16(vc + fi.ascent - (fi.ascent + fi.descent) / 2 - 1);
  for (auto [align, left] : {std::pair<i16, i16>{-1, 150 - 47}, {-2, 50 + 7}, {0, 100 - 20}, {5, 100 - 20}}) {
    clear();
    spot s = button();
    settext(s, align, 12, 0);
    name(s, forty);
    drawn(s);
    const Rect ink = inkbox();
    EXPECT_EQ(ink.left, left) << align;
    EXPECT_EQ(ink.bottom, baseline) << "capitals stand on the baseline";
  }
  // A triangle with a solid black shadow 3 pixels down and right, under a white fill.
  clear();
  OwnedHandle poly(newpolygon({Point{30, 30}, Point{30, 90}, Point{90, 30}, Point{30, 30}}));
  spot p = button(stylepolybutton, Rect{30, 30, 90, 90});
  p.data = poly;
  p.showfill = 1;
  p.shadow = 3;
  p.ink = 20;
  drawn(p);
  EXPECT_EQ(at(40, 40), kWhite) << "the fill covers the shadow";
  EXPECT_EQ(at(62, 62), kBlack) << "the shadow beyond the long edge";
  EXPECT_EQ(at(29, 50), kWhite);
}

TEST_F(ClassicButtonTest, HilitesInvertTheInsetRectangleAndAnIconDoesNotInvertAgain) {
  openwith({{fourcc("ICON"), "", testicons::bits(32, testicons::disc)}});
  spot s = button();
  const Pixels blank = snapshot();
  drawn(s);
  EXPECT_EQ(snapshot(), blank) << "nothing to show";
  s.flags |= spothilite;
  drawn(s);
  EXPECT_EQ(inkbox(), (Rect{21, 51, 59, 149}));

  // Filled, with an icon: the hilited face is the plain one with the inset rectangle inverted.
  spot icon = button();
  icon.showfill = 1;
  settext(icon, 0, 12, 100);
  clear();
  drawn(icon);
  const Pixels plain = snapshot();
  EXPECT_EQ(at(100, 40), kBlack) << "the icon's middle";
  clear();
  icon.flags |= spothilite;
  drawn(icon);
  std::size_t differ = 0;
  for (i16 v = 0; v < kSide; ++v)
    for (i16 h = 0; h < kSide; ++h) {
      const RGBColor was = plain[std::size_t(v * kSide + h)];
      const bool inside = v >= 21 && v < 59 && h >= 51 && h < 149;
      differ += !(at(h, v) == (inside ? RGBColor{u16(~was.red), u16(~was.green), u16(~was.blue)} : was));
    }
  EXPECT_EQ(differ, 0u);
}

TEST_F(ClassicButtonTest, CheckMarksRadioDotsAndTheWindowsHiliteColour) {
  openwith({});
  struct Mark {
    u16 style;
    u32 flags;
    std::vector<Point> inked;  // (v, h) relative to (vc, left)
    Rect box;                  // the marks' ink, relative to (vc, left)
  };
  const Mark marks[] = {
      {stylecheckbox, 0, {Point{-5, 4}, Point{4, 13}, Point{-5, 13}, Point{4, 4}}, Rect{-5, 4, 5, 14}},
      {stylecheckbox, spotmixedvalue, {Point{-1, 6}, Point{0, 11}}, Rect{-1, 6, 1, 12}},
      {styleradiobutton, spotmixedvalue, {Point{-1, 6}}, Rect{-1, 6, 1, 12}},
      {styleradiobutton, 0, {Point{0, 9}}, Rect{-3, 6, 3, 12}},
  };
  for (const Mark& m : marks) {
    clear();
    spot s = button(m.style);
    s.flags |= m.flags;
    hilitespotcolor(s);
    const Rect ink = inkbox();
    EXPECT_EQ(ink, (Rect{i16(40 + m.box.top), i16(50 + m.box.left), i16(40 + m.box.bottom), i16(50 + m.box.right)}))
        << m.style << " " << m.flags;
    for (Point p : m.inked) EXPECT_EQ(at(i16(50 + p.h), i16(40 + p.v)), kBlack) << m.style;
  }
  // The window's hilite colour 5 (index 4): the fill's back colour turns into it.
  clear();
  spot s = button();
  s.fillback = 0;
  mainglobals().current.hilitecolor = 5;
  hilitespotcolor(s);
  EXPECT_EQ(at(100, 40), clutcolour(4));
  EXPECT_EQ(at(50, 40), kWhite) << "outside the inset rectangle";
  mainglobals().current.hilitecolor = 0;
}

TEST_F(ClassicButtonTest, APopupArrowFollowsTheNameOrKeepsToTheRight) {
  openwith({});
  const FontInfo fi = info12();
  const i16 m = CharWidth('m'), space = CharWidth(' ');
  const i16 baseline = i16(40 + fi.ascent - (fi.ascent + fi.descent) / 2 - 1);
  const i16 top = i16(baseline - (2 * fi.ascent) / 3 + 1);
  for (const std::string& text : {std::string("H"), std::string("MMMMMMMH")}) {  // 8 and 78 pixels
    clear();
    spot s = button();
    settext(s, -2, 12, 0);
    name(s, text);
    s.flags |= spotpoparrow;
    drawn(s);
    const i16 after = i16(57 + TextWidth(text.data(), 0, i16(text.size())) + space);
    const i16 left = std::max<i16>(after, i16(150 - m - 7));
    // The arrow's top row runs from its left over m pixels; its tip is ascent / 2 lower.
    const Rect arrow = inkbox(after);
    EXPECT_EQ(arrow.top, top) << text;
    EXPECT_EQ(arrow.bottom, top + fi.ascent / 2) << text;
    EXPECT_LE(std::abs(arrow.left - left), 1) << text;
    EXPECT_LE(std::abs(arrow.right - std::min<i16>(i16(left + m), 149)), 1)
        << text << " (clipped to the inset rectangle)";
  }
}

TEST_F(ClassicButtonTest, IconsComeFromTheProjectBeforeTheSharedOneAndNameInTheSettingsFont) {
  openwith({{fourcc("ICON"), "", testicons::bits(32, [](int x, int) { return x < 16; })}}, 32, "shared.kv45");
  const RegistryId shared = current().store;
  openwith({{fourcc("ICON"), "", testicons::bits(32, [](int x, int) { return x >= 16; })},
            {fourcc("ICON"), "", std::vector<u8>(127, 0xFF)}});
  mainglobals().sharedstore = shared;
  u8 icon[kIconBytes];
  ASSERT_EQ(geticon(100, icon), 1);
  EXPECT_EQ(icon[0], 0x00) << "the current project's icon, right half";
  EXPECT_EQ(icon[3], 0xFF);
  EXPECT_EQ(geticon(101, icon), 0) << "127 bytes are no icon";
  EXPECT_EQ(icon[0], 0);
  EXPECT_EQ(geticon(555, icon), 0);

  // Named: the icon moves up by 6, the name sits in the settings font at size 9 on vc + 19.
  spot s = button(stylebuttonrect, Rect{10, 50, 70, 150});
  settext(s, 0, 12, 100);
  name(s, "HH");
  drawn(s);
  TextFont(i16(currentsettings().interfacefont));
  TextSize(9);
  const i16 w = StringWidth(reinterpret_cast<ConstStringPtr>("\x02HH"));
  EXPECT_EQ(at(101, 18), kBlack) << "the icon's top row at vc - 22";
  EXPECT_EQ(at(101, 50), kWhite);
  EXPECT_EQ(at(i16(100 - w / 2), 58), kBlack) << "the name's bottom row above vc + 19";
  EXPECT_EQ(at(i16(100 - w / 2), 59), kWhite);

  // Below 8 bits the icon is checkered and the name washed.
  clear();
  ASSERT_EQ(ChangeOffScreenDepth(1), 1);
  SetGWorld(GetOffScreenWorld(), nilhandle);
  clear();
  drawn(s);
  EXPECT_NE(at(101, 19), at(102, 19)) << "checkered";
  EXPECT_NE(at(101, 19), at(101, 20));
  const Rect box{50, i16(100 - w / 2 - 2), 62, i16(100 - w / 2 + w + 2)};
  int white = 0;
  for (i16 h = box.left; h < box.right; ++h) white += at(h, 57) == kWhite;
  EXPECT_GT(white, 0) << "the name's ink is washed";
}

TEST_F(ClassicButtonTest, ColourIconDataIsCheckedBeforeItIsUsed) {
  std::vector<u8> file = testicons::colouricon();
  ASSERT_TRUE(endianswapcicon(file.data(), i64(file.size()), tofile));
  openwith({{fourcc("cicn"), "", file}});
  auto build = [](std::vector<u8> data) {
    OwnedHandle h(NewHandle(Size(data.size())));
    std::memcpy(deref(h), data.data(), data.size());
    CIconHandle icon = nilhandle;
    const i16 made = handtocicon(h, &icon);
    DisposeCIcon(icon);
    return made;
  };
  const std::size_t size = testicons::colouricon().size();
  EXPECT_EQ(build(testicons::colouricon(14000 - size)), 1);
  EXPECT_EQ(build(testicons::colouricon(14001 - size)), 0);
  std::vector<u8> bad = testicons::colouricon();
  bad[54] = bad[55] = 0;  // the mask's row bytes
  EXPECT_EQ(build(bad), 0);
  bad = testicons::colouricon();
  bad[82 + 64 + 6] = 0x10;  // 4097 colour-table entries
  EXPECT_EQ(build(bad), 0);
  bad = testicons::colouricon();
  bad.resize(bad.size() - 1);  // one byte of pixel rows short
  EXPECT_EQ(build(bad), 0);
  EXPECT_FALSE(endianswapcicon(bad.data(), i64(bad.size()), tofile)) << "nothing is swapped either";
  std::vector<u8> whole = testicons::colouricon();
  whole.pop_back();
  EXPECT_EQ(bad, whole);

  // Found in the project (its data kept big-endian) and plotted; hilited, the selected
  // transform darkens it and nothing inverts it afterwards.
  for (bool hilite : {false, true}) {
    clear();
    spot s = button();
    settext(s, 0, 12, 100);
    if (hilite) s.flags |= spothilite;
    drawn(s);
    const u16 red = hilite ? 0x7F7F : 0xFFFF;
    EXPECT_EQ(at(95, 40), (RGBColor{red, 0, 0})) << hilite;
    EXPECT_EQ(at(105, 40), (hilite ? RGBColor{0x7F7F, 0x7F7F, 0x7F7F} : kWhite)) << "the white half";
    EXPECT_EQ(at(85, 25), kWhite) << "the mask leaves the corner out";
    EXPECT_EQ(at(60, 30), kWhite) << "outside the icon";
  }
  CIconHandle again = nilhandle;
  ASSERT_EQ(getcicon(100, &again), 1) << "the data was swapped back after the first lookup";
  DisposeCIcon(again);
}

TEST_F(ClassicButtonTest, IconFamilyFacesAreLaidOutDrawnAndHitOnTheirOpaquePixels) {
  const std::vector<u8> family = testicons::family({testicons::blackicon(testicons::disc)});
  openwith({{fourcc("icns"), "", family}});
  struct Case {
    bool named;
    Rect want;
    i16 gap;
  };
  spot s = button(stylebuttonrect, Rect{0, 0, 60, 100});
  for (const Case& c : {Case{false, Rect{4, 24, 56, 76}, 0}, Case{true, Rect{9, 34, 40, 65}, 5}}) {
    Rect r{};
    i16 gap = 0;
    const FontInfo fi{10, 3, 0, 0};
    calcicnsrect(s, c.named ? &fi : nullptr, &r, &gap);
    EXPECT_EQ(r, c.want) << c.named;
    EXPECT_EQ(gap, c.gap);
  }
  // The face in a 100 x 60 button: a 52-pixel disc, darkened when hilited and never inverted.
  spot face = button(stylebuttonrect, Rect{20, 50, 80, 150});
  settext(face, 0, 12, 100);
  for (bool hilite : {false, true}) {
    clear();
    if (hilite) face.flags |= spothilite;
    drawn(face);
    EXPECT_EQ(at(100, 50), kBlack) << hilite;
    EXPECT_EQ(at(76, 26), kWhite) << "a transparent corner";
    EXPECT_EQ(at(52, 22), kWhite) << "not inverted";
  }
  face.flags &= ~spothilite;
  EXPECT_TRUE(face.textflags & kIconFamilyFace);
  EXPECT_EQ(lowinspot(face, Point{50, 100}), 1);
  EXPECT_EQ(lowinspot(face, Point{26, 76}), 0) << "a transparent corner is no hit";
  mainglobals().current.tool = 601;
  EXPECT_EQ(lowinspot(face, Point{26, 76}), 1) << "other tools hit the rectangle";
  mainglobals().current.tool = kBrowseTool;

  // Without an icon id, the family of "iconData" is drawn and hit.
  spot data = button(stylebuttonrect, Rect{20, 50, 80, 150});
  OwnedHandle propname(NewHandle(8)), value(NewHandle(Size(family.size()))), uprops(NewHandle(0));
  std::memcpy(deref(propname), "iconData", 8);
  std::memcpy(deref(value), family.data(), family.size());
  uprop entry{};
  u32 key = 0;
  getkey(reinterpret_cast<ConstStringPtr>("\x08iconData"), &key);
  entry.key = key;
  entry.name = propname;
  entry.value = value;
  ASSERT_EQ(PtrAndHand(&entry, uprops, sizeof entry), noErr);
  data.uprops = uprops;
  clear();
  drawn(data);
  EXPECT_EQ(at(100, 50), kBlack);
  EXPECT_EQ(lowinspot(data, Point{50, 100}), 1);
  EXPECT_EQ(lowinspot(data, Point{26, 76}), 0);
}

}  // namespace
}  // namespace kv
