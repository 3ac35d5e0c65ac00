// The fixture of the platform-control tests: a project of one window whose card and
// background hold the buttons a test names, opened headless, and the control of an object
// built (`up`) and taken down as drawing would.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/menus/menus.h"
#include "render/buttoncontrols.h"
#include "render/controlvisibility.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/windows.h"

namespace kv {

constexpr Rect kRect{20, 20, 60, 140};

class ControlTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    usebuiltinmetricsfont(true);
  }
  // Closing the window puts every control down: no menu of a popup or bevel button is left.
  void TearDown() override {
    closeallwindows();
    for (MenuID id = 20000; id < 20010; ++id) EXPECT_EQ(GetMenuHandle(id), nilid) << "menu " << id << " left";
    WindowTest::TearDown();
  }
  // A button of a style; `set` flag bits beyond a new button's (visible, showName, autoHilite).
  static testproject::Object button(u16 style, std::string name, Rect r = kRect, u32 set = 0) {
    testproject::Object o;
    o.kind = testproject::Object::button;
    o.style = style;
    o.name = std::move(name);
    o.rect = r;
    o.setflags = set;
    return o;
  }
  // A button's kind tail: text font, size, style, alignment and icon id.
  static std::array<u8, 12> tail(u16 font, u16 size, u16 style, u32 icon, i16 align = 0) {
    std::array<u8, 12> t{};
    const u16 words[4] = {font, size, style, u16(align)};
    std::memcpy(t.data(), words, 8);
    std::memcpy(t.data() + 8, &icon, 4);
    return t;
  }
  // Opens a window of `style` whose first card holds `card` and its background `back`; more
  // cards (empty) when `cards` asks for them.
  void openwith(std::vector<testproject::Object> card, std::vector<testproject::Object> back = {}, u16 style = 0,
                int cards = 1) {
    testproject::Project p;
    testproject::Window w;
    w.name = "Main";
    w.style = style;
    w.backgrounds.push_back(testproject::Background{"B", "", std::move(back)});
    w.cards.push_back(testproject::Card{"One", "", 0, std::move(card), {}});
    for (int i = 1; i < cards; ++i) w.cards.push_back(testproject::Card{"Card" + std::to_string(i + 1), "", 0, {}, {}});
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    mainglobals().current.tool = kBrowseTool;
  }
  Handle list(bool background) const {
    const desk& d = mainglobals().current;
    return background ? d.backspots : d.cardspots;
  }
  spot object(i32 index, bool background = false) const { return spotat(list(background), index); }
  // Builds (or refreshes) an object's control as the theme drawing does, on a copy written back.
  ControlRef up(i32 index, bool background = false) {
    spot s = object(index, background);
    const ControlRef c = docontrolup(&s, background ? 1 : 0);
    putspot(list(background), index, s);
    return c;
  }
  // Takes it down as after a drawing.
  void down(i32 index, bool background = false) {
    spot s = object(index, background);
    docontroldown(s);
    putspot(list(background), index, s);
  }
  void dumpspot(i32 index, bool background = false) {
    spot s = object(index, background);
    dumpspotcontrol(s);
    putspot(list(background), index, s);
  }
  // Defines a user property of button `number` (from 1) and sets it to an expression.
  void setprop(int number, const std::string& name, const std::string& expression, bool background = false) {
    const std::string ref = std::string(background ? "background" : "card") + " button " + std::to_string(number);
    ASSERT_EQ(doline("define " + name + " of " + ref), 0);
    ASSERT_EQ(doline("set the " + name + " of " + ref + " to " + expression), 0);
    // Opening the card drew the button, so it has a control already: take it down, so that the
    // next build reads the new data.
    dumpspot(number - 1, background);
  }
};

}  // namespace kv
