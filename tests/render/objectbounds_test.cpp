// The drawing bounds of objects: what their drawing may touch beyond their rectangles.
#include <gtest/gtest.h>

#include "platform/memory/memory.h"
#include "render/objectbounds.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

class ObjectBoundsTest : public RuntimeTest {
 protected:
  // An object of a kind and style at (10, 20, 50, 120) with the new-object defaults: fill and
  // pen shown, a 1-pixel pen, no shadow.
  static spot object(u16 kind, u16 style) {
    spot s{};
    defaultspot(s);
    s.kind = kind;
    s.style = style;
    s.rect = Rect{10, 20, 50, 120};
    return s;
  }
  static Rect bounds(const spot& s) {
    Rect r{};
    lowcalc(&s, &r);
    return r;
  }
};

TEST_F(ObjectBoundsTest, ShadowsWidenButtonsAndFieldsThatShowTheirFill) {
  spot s = object(spotbutton, 201);
  EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << "no shadow";
  s.shadow = 3;
  EXPECT_EQ(bounds(s), (Rect{10, 20, 53, 123}));
  s.showfill = 0;
  EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << "a fill not shown casts no shadow";
  s = object(spotbutton, 203);
  s.shadow = 3;
  EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << "check boxes have none";
  s.style = 204;
  EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << "nor radio buttons";
  s = object(spotgraphic, stylerectangle);
  s.shadow = 3;
  EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << "graphics have none";
  s = object(spotfield, stylefieldrect);
  s.shadow = 3;
  EXPECT_EQ(bounds(s), (Rect{6, 16, 57, 127})) << "a field: its shadow, then 4 around for its focus ring";
}

TEST_F(ObjectBoundsTest, ThePenWidensLinesAndPolygons) {
  for (u16 style : {u16(103), u16(stylepolygon), u16(stylepolybutton)}) {
    spot s = object(style == stylepolybutton ? spotbutton : spotgraphic, style);
    s.penwidth = 4;
    s.penheight = 2;
    EXPECT_EQ(bounds(s), (Rect{10, 20, 52, 124})) << style;
    s.showpen = 0;
    EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << style << " without its pen";
  }
  spot s = object(spotgraphic, stylerectangle);
  s.penwidth = 4;
  EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << "a rectangle's pen lies inside it";
}

TEST_F(ObjectBoundsTest, AFocusRingTakesFourPixelsAround) {
  spot s = object(spotgraphic, stylerectangle);
  s.flags = s.flags | spotfocushilite;
  EXPECT_EQ(bounds(s), (Rect{6, 16, 54, 124}));
  s = object(spotbutton, 201);
  s.flags = s.flags | spotfocushilite | spotplatformcontrol;
  EXPECT_EQ(bounds(s), (Rect{6, 16, 54, 124})) << "the ring wins over the control's frame";
}

TEST_F(ObjectBoundsTest, PlatformControlsReachOutByTheirStyle) {
  auto control = [](u16 style) {
    spot s = object(spotbutton, style);
    s.flags = s.flags | spotplatformcontrol;
    return bounds(s);
  };
  EXPECT_EQ(control(210), (Rect{5, 4, 66, 136}));
  spot s = object(spotbutton, 210);
  EXPECT_EQ(bounds(s), (Rect{10, 20, 50, 120})) << "the same style drawn by the system itself";
}

TEST_F(ObjectBoundsTest, CalcspotAnswersEmptyWithoutAnObject) {
  Rect r{1, 2, 3, 4};
  lowcalc(nullptr, &r);
  EXPECT_EQ(r, Rect{});
  spot s = object(spotfield, stylefieldscroll);
  OwnedHandle list(NewHandle(0));
  ASSERT_EQ(PtrAndHand(&s, list, sizeof s), noErr);
  r = Rect{1, 2, 3, 4};
  calcspot(list, 0, &r);
  EXPECT_EQ(r, (Rect{6, 16, 54, 124}));
  for (i16 index : {i16(-1), i16(1)}) {
    r = Rect{1, 2, 3, 4};
    calcspot(list, index, &r);
    EXPECT_EQ(r, Rect{}) << index;
  }
  r = Rect{1, 2, 3, 4};
  calcspot(nilhandle, 0, &r);
  EXPECT_EQ(r, Rect{});
}

}  // namespace
}  // namespace kv
