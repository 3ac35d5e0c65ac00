// The icon chooser of `ask icon`, driven as a user's script drives it: the icons of a project
// and of the shared project in a grid, cells clicked, layers switched, and what `it` gets.
#include <gtest/gtest.h>

#include "platform/events/keycodes.h"
#include "platform/testing/driver.h"
#include "core/mainglobals.h"
#include "tests/support/icondata.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Resource;

// Dialog 1400 shows its content at 100,100: cells of 40 pixels from 22,70, the radio button of
// the shared project at 394,46, and the buttons along the bottom.
Point cell(int k) { return Point{i16(100 + 70 + 20), i16(100 + 22 + 40 * k + 20)}; }
const Point kShared{151, 499}, kCancel{345, 385}, kNone{345, 127};

std::vector<u8> icon(bool left) {
  return testicons::bits(32, [left](int x, int) { return left ? x < 16 : x >= 16; });
}

class IconChooserTest : public WindowTest {
 protected:
  void openwith(std::vector<Resource> own, std::vector<Resource> sharedicons = {}) {
    if (!sharedicons.empty()) openshared(project(std::move(sharedicons)));
    build(project(std::move(own)));
    ASSERT_EQ(open(), 0);
    if (shared != nilid) mainglobals().sharedstore = shared;
    // The input comes a little later: opening the window takes what is due now.
    drive::advance(5);
  }
  static testproject::Project project(std::vector<Resource> resources) {
    testproject::Project p;
    testproject::Window w;
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    w.cards.push_back(testproject::Card{});
    p.windows.push_back(w);
    p.resources = std::move(resources);
    return p;
  }
  std::string ask(const std::string& clauses = "") {
    EXPECT_EQ(doline("ask icon \"Pick one\"" + clauses), 0);
    return cardvalue("it");
  }
  std::string path(std::string_view name) const { return home->path() + "/" + std::string(name); }
};

TEST_F(IconChooserTest, OneCellAnIdTheRicherKindTakingIt) {
  openwith({Resource{fourcc("ICON"), "", icon(true), 200}, Resource{fourcc("ICON"), "", icon(false), 200},
            Resource{fourcc("cicn"), "", testicons::colouricon(), 300},
            Resource{fourcc("icns"), "", testicons::family({testicons::blackicon(testicons::disc)}), 300}});
  // Both ICON 200 are listed; the icns 300 took the cicn's cell.
  drive::click(cell(1));
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "200\rICON\r" + path("p.kv45"));
  drive::click(cell(2));
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "300\ricns\r" + path("p.kv45"));
  // A click past the last icon changes nothing.
  drive::click(cell(2));
  drive::click(cell(3));
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "300\ricns\r" + path("p.kv45"));
  // `id` preselects; a double click is OK.
  drive::key(kVKReturn);
  EXPECT_EQ(ask(" id 300"), "300\ricns\r" + path("p.kv45"));
  drive::doubleClick(cell(0));
  EXPECT_EQ(ask(), "200\rICON\r" + path("p.kv45"));
  // Cancel gives 0, the third button nothing, OK without a selection 0.
  drive::click(cell(0));
  drive::click(kCancel);
  EXPECT_EQ(ask(), "0");
  drive::click(kNone);
  EXPECT_EQ(ask(), "");
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "0");
  EXPECT_EQ(failingline("ask icon \"x\" size 3"), 2);
}

TEST_F(IconChooserTest, TheSharedProjectsIconsOnTheirOwnLayer) {
  // Without icons of its own the chooser opens on the shared project's.
  openwith({}, {Resource{fourcc("ICON"), "", icon(true), 500}});
  drive::click(cell(0));
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "500\rICON\r" + path("shared.kv45"));
}

TEST_F(IconChooserTest, ASharedIconSharingAProjectIdCollides) {
  openwith({Resource{fourcc("ICON"), "", icon(true), 200}},
           {Resource{fourcc("ICON"), "", icon(false), 200}, Resource{fourcc("ICON"), "", icon(false), 400}});
  // A press on a button is tracked until the mouse comes up: the next click waits for that.
  drive::click(kShared);
  drive::advance(30);
  drive::click(cell(0));
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "200\rICON\r" + path("shared.kv45") + "\rcollision");
  drive::click(kShared);
  drive::advance(30);
  drive::click(cell(1));
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "400\rICON\r" + path("shared.kv45"));
  // The project's own icon does not collide.
  drive::click(cell(0));
  drive::key(kVKReturn);
  EXPECT_EQ(ask(), "200\rICON\r" + path("p.kv45"));
}

}  // namespace
}  // namespace kv
