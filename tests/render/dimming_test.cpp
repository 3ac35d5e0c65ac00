// Objects of an inactive window draw dimmed: a window made inactive (not hilited, its root
// control deactivated) shows its buttons' names, its icon families and its fields' text grey,
// and the same card again black once the window is active.
#include <gtest/gtest.h>

#include <string>

#include "platform/controls/controls.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/windowmanage.h"
#include "tests/support/icondata.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

constexpr u32 kAutoDim = 1u << 27;
constexpr Rect kName{20, 20, 60, 160}, kIcon{80, 20, 140, 120}, kField{160, 20, 200, 200};

testproject::Object object(testproject::Object::Kind kind, const std::string& name, Rect r) {
  testproject::Object o;
  o.kind = kind;
  o.name = name;
  o.rect = r;
  o.setflags = kAutoDim;
  return o;
}

class DimmingTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card c;
    // A transparent rectangle button with its name, one with an icon family, and a field.
    testproject::Object named = object(testproject::Object::button, "HHHHH", kName);
    named.style = 200;
    named.showfill = named.showpen = 0;
    testproject::Object icon = object(testproject::Object::button, "", kIcon);
    icon.style = 200;
    icon.showfill = icon.showpen = 0;
    testproject::Object field = object(testproject::Object::field, "F", kField);
    field.text = "HHHHHHHH";
    field.showpen = 0;
    c.objects = {named, icon, field};
    w.cards.push_back(c);
    p.windows.push_back(w);
    p.resources.push_back({fourcc("icns"), "", testicons::family({testicons::blackicon(testicons::disc)}), 100});
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("set the icon of card button 2 to 100"), 0);
    mainglobals().colorWorld = 1;
  }
  // The darkest grey level (0 black .. 255 white) of the pixels within a rectangle.
  static int darkest(const Frame& f, const Rect& r) {
    int level = 255;
    for (i16 v = r.top; v < r.bottom; ++v)
      for (i16 h = r.left; h < r.right; ++h) {
        const u32 p = drive::pixelat(f, h, v);
        level = std::min(level, int(std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF})));
      }
    return level;
  }
};

TEST_F(DimmingTest, AnInactiveWindowDrawsItsObjectsDimmed) {
  const WindowRef window = current().window;
  const Frame active = drawcard();
  for (const Rect& r : {kName, kIcon, kField}) EXPECT_EQ(darkest(active, r), 0) << "black while active";

  hiliteone(window, 0);
  ASSERT_FALSE(IsWindowHilited(window));
  const Frame inactive = drawcard();
  for (const Rect& r : {kName, kIcon, kField}) {
    EXPECT_GT(darkest(inactive, r), 60) << "grey: " << r.top;
    EXPECT_LT(darkest(inactive, r), 255) << "still drawn: " << r.top;
  }

  hiliteone(window, 1);
  const Frame again = drawcard();
  EXPECT_EQ(again.pixels, active.pixels) << "undimmed again";
}

// The root control decides as much as the window's hilite: a hilited window whose root control
// is inactive (as while the program is behind) dims too.
TEST_F(DimmingTest, AnInactiveRootControlDims) {
  const WindowRef window = current().window;
  ControlRef root = nilid;
  ASSERT_EQ(GetRootControl(window, &root), noErr);
  ASSERT_TRUE(IsWindowHilited(window));
  DeactivateControl(root);
  const Frame inactive = drawcard();
  for (const Rect& r : {kName, kIcon, kField}) EXPECT_GT(darkest(inactive, r), 60) << r.top;
  ActivateControl(root);
  for (const Rect& r : {kName, kIcon, kField}) EXPECT_EQ(darkest(drawcard(), r), 0) << r.top;
}

}  // namespace
}  // namespace kv
