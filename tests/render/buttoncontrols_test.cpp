// The platform controls of buttons in an open project: what the first build makes of a button,
// the value ranges by style, popup menus, radio groups, tabs and data browsers from their data
// properties, the option word, and the data-property tests.
#include "render/buttoncontrols.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/menus/menus.h"
#include "platform/qd/icons.h"
#include "platform/resources/resources.h"
#include "engine/textutil.h"
#include "properties/userprops.h"
#include "render/controldata.h"
#include "render/controloptions.h"
#include "render/controlvisibility.h"
#include "render/effectqueue.h"
#include "render/magicuprops.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/objread.h"
#include "tests/render/controltest.h"
#include "tests/support/icondata.h"
#include "tests/support/spots.h"

namespace kv {
namespace {

using testspots::newspot;
using ButtonControlTest = ControlTest;

std::string title(ConstStringPtr s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

TEST_F(ButtonControlTest, TheFirstBuildMakesAPlatformControlAtTheParkingPlace) {
  openwith({button(204, "Check")}, {button(204, "Shared")});
  const ControlRef c = up(0);
  ASSERT_NE(c, nilid);
  const spot s = object(0);
  EXPECT_TRUE(isplatformcontrol(s));
  const controlpart p = getcontrolpart(s);
  EXPECT_EQ(p.currentvalue, 0);
  EXPECT_EQ(p.minimumvalue, 0);
  EXPECT_EQ(p.maximumvalue, 0);
  EXPECT_EQ(livecontrol(s), c);
  EXPECT_EQ(GetControlKind(c), kControlKindCheckBox);
  EXPECT_EQ(GetControlSettings(c).created, kParkingRect);
  Rect bounds{};
  EXPECT_EQ(*GetControlBounds(c, &bounds), s.rect) << "then moved to the object";
  EXPECT_EQ(GetControlReference(c), i32(s.id));
  Str255 t{};
  GetControlTitle(c, t);
  EXPECT_EQ(title(t), "Check");
  Rect placed{};
  u32 size = 0;
  ASSERT_EQ(GetControlProperty(c, fourcc("VIZU"), fourcc("Rect"), sizeof placed, &size, &placed), noErr);
  EXPECT_EQ(placed, s.rect);

  const ControlRef shared = up(0, true);
  EXPECT_EQ(GetControlReference(shared), -i32(object(0, true).id)) << "a background object's control";
  EXPECT_EQ(up(0), c) << "a second build refreshes the control it has";
}

TEST_F(ButtonControlTest, ACardControlHidesWhileTheBackgroundIsEdited) {
  openwith({button(204, "Check")}, {button(204, "Shared")});
  MainGlobals& g = mainglobals();
  g.current.backlayer = 1;
  EXPECT_FALSE(IsControlVisible(up(0)));
  EXPECT_TRUE(IsControlVisible(up(0, true))) << "the background's own controls show";
  g.offwindowdrawing = 1;
  EXPECT_TRUE(IsControlVisible(up(0))) << "drawn off the window, it shows";
  g.offwindowdrawing = 0;
  g.current.backlayer = 0;
}

TEST_F(ButtonControlTest, ValuesAndRangesByStyle) {
  testproject::Object push = button(201, "Push", kRect, (1u << 6) | (1u << 9));
  push.tail = tail(0, 12, 0, 0x00120080);
  testproject::Object bar = button(213, "Bar");
  openwith({push, bar, button(210, "Tabs")});

  const ControlRef p = up(0);
  EXPECT_EQ(GetControl32BitMaximum(p), 0x80) << "the low 16 bits of the icon id";
  EXPECT_EQ(GetControl32BitValue(p), 10) << "hilited";
  EXPECT_EQ(GetControlHilite(p), 10);
  u8 dflt = 0;
  ASSERT_EQ(GetControlData(p, 0, kControlPushButtonDefaultTag, 1, &dflt, nullptr), noErr);
  EXPECT_EQ(dflt, 1);
  EXPECT_EQ(GetControlKind(p), kControlKindPushIconButton);
  ControlButtonContentInfo icon{};
  GetBevelButtonContentInfo(p, &icon);
  EXPECT_EQ(icon.contentType, kControlContentCIconRes);
  EXPECT_EQ(icon.data, 0x80u);

  // Parked away from the browse tool, its default tag is cleared; while an effect plays a
  // refresh leaves it so, after the effect it is set again.
  mainglobals().current.tool = 200;
  down(0);
  mainglobals().current.tool = kBrowseTool;
  effectqueueplaying(true);
  up(0);
  effectqueueplaying(false);
  GetControlData(p, 0, kControlPushButtonDefaultTag, 1, &dflt, nullptr);
  EXPECT_EQ(dflt, 0);
  up(0);
  GetControlData(p, 0, kControlPushButtonDefaultTag, 1, &dflt, nullptr);
  EXPECT_EQ(dflt, 1);

  const ControlRef b = up(1);
  EXPECT_EQ(GetControlKind(b), kControlKindScrollBar);
  EXPECT_EQ(GetControlViewSize(b), 10) << "a view size of 0 becomes 10";
  EXPECT_EQ(GetControl32BitValue(b), 50);

  const ControlRef t = up(2);
  EXPECT_EQ(GetControl32BitMaximum(t), 1);
  ControlTabInfoRecV0 info{};
  ASSERT_EQ(GetControlData(t, 1, kControlTabInfoTag, sizeof info, &info, nullptr), noErr);
  EXPECT_EQ(info.name[0], 0);
  u8 enabled = 1;
  GetControlData(t, 1, kControlTabEnabledFlagTag, 1, &enabled, nullptr);
  EXPECT_EQ(enabled, 0) << "one disabled empty tab";
  const controlpart tp = getcontrolpart(object(2));
  EXPECT_EQ(tp.minimumvalue, 1);
  EXPECT_EQ(tp.maximumvalue, 1);
}

TEST_F(ButtonControlTest, APopupTakesItsMenuAndBestHeight) {
  const Rect r{20, 30, 60, 200};
  openwith({button(206, "green", r), button(206, "Fonts", r, 1u << 10)});
  setprop(1, "popupData", "\"Red;Green;Blue\"");
  setprop(2, "popupData", "numToChar(168) & \"FONT\"");

  const ControlRef c = up(0);
  ASSERT_NE(c, nilid);
  const MenuRef menu = GetControlPopupMenuHandle(c);
  ASSERT_EQ(CountMenuItems(menu), 3);
  EXPECT_EQ(GetMenuID(menu), 20000) << "the first free id from 20000";
  EXPECT_EQ(GetMenuHandle(20000), menu) << "in the menu list as a submenu";
  EXPECT_EQ(GetControl32BitValue(c), 2) << "the item named like the button";
  const spot s = object(0);
  EXPECT_EQ(getcontrolpart(s).currentvalue, 2);
  Rect best{};
  GetBestControlRect(c, &best, nullptr);
  EXPECT_EQ(s.rect.left, r.left);
  EXPECT_EQ(s.rect.right, r.right) << "without autoWidth the width stays";
  EXPECT_EQ(s.rect.bottom - s.rect.top, best.bottom - best.top);
  EXPECT_EQ((s.rect.top + s.rect.bottom) / 2, (r.top + r.bottom) / 2) << "on the old centre line";
  Rect bounds{};
  EXPECT_EQ(*GetControlBounds(c, &bounds), s.rect);

  const ControlRef fonts = up(1);
  const MenuRef list = GetControlPopupMenuHandle(fonts);
  const std::vector<FontFamily> families = fontfamilies();
  ASSERT_EQ(CountMenuItems(list), families.size());
  Str255 first{};
  GetMenuItemText(list, 1, first);
  EXPECT_EQ(title(first), families.front().name);
  EXPECT_EQ(GetMenuID(list), 20001);
  const spot f = object(1);
  Rect want{};
  CalculateOurOwnControlRect(fonts, &want, 0, 0);
  EXPECT_EQ(f.rect.right - f.rect.left, want.right - want.left) << "with autoWidth it takes the best width";
  EXPECT_GE(f.rect.right - f.rect.left, 24);
}

TEST_F(ButtonControlTest, APopupWhoseHiliteIsNotSharedTakesTheNameOfItsLine) {
  openwith({}, {button(206, "Other", kRect, 1u << 23)});
  setprop(1, "popupData", "\"Red\" & return & \"Green\" & return & \"Blue\"", true);
  spot s = object(0, true);
  make4spot(s);
  controlpart p = getcontrolpart(s);
  p.currentvalue = 3;
  setcontrolpart(s, p);
  putspot(current().backspots, 0, s);
  const ControlRef c = up(0, true);
  EXPECT_EQ(GetControl32BitValue(c), 3);
  Str255 name{};
  handtostring(object(0, true).name, name);
  EXPECT_EQ(title(name), "Blue");
}

TEST_F(ButtonControlTest, MinimalWidthOfAPopupIs24) {
  openwith({button(206, "", Rect{10, 10, 30, 12}, 1u << 10)});
  const ControlRef c = up(0);
  ASSERT_NE(c, nilid);
  EXPECT_GE(object(0).rect.right - object(0).rect.left, 24);
}

TEST_F(ButtonControlTest, ARadioGroupFromItsLines) {
  testproject::Object group = button(203, "beta", Rect{20, 20, 60, 140});
  group.tail = tail(0, 12, 0, 0);
  testproject::Object wide = button(203, "two", Rect{100, 20, 118, 300});
  openwith({group, wide, button(203, "Single")});
  setprop(1, "radioData", "\"alpha\" & return & \"Beta\" & return & \"gamma\"");
  setprop(2, "radioData", "\"one\" & return & \"two\"");
  // Opening drew the button as a single radio button, which stored a choice; without one the
  // group starts on the line named like the button.
  spot stored = object(0);
  controlpart choice = getcontrolpart(stored);
  choice.currentvalue = 0;
  setcontrolpart(stored, choice);
  putspot(list(false), 0, stored);

  const ControlRef c = up(0);
  ASSERT_EQ(GetControlKind(c), kControlKindRadioGroup);
  u16 count = 0;
  CountSubControls(c, &count);
  ASSERT_EQ(count, 3);
  std::vector<i32> values;
  std::vector<i16> tops;
  for (u16 i = 1; i <= count; ++i) {
    ControlRef m = nilid;
    GetIndexedSubControl(c, i, &m);
    values.push_back(GetControl32BitValue(m));
    Rect b{};
    GetControlBounds(m, &b);
    tops.push_back(b.top);
    EXPECT_EQ(b.bottom - b.top, 18) << "a row";
    EXPECT_EQ(GetControlReference(m), i32(object(0).id));
    EXPECT_TRUE(IsControlVisible(m));
  }
  EXPECT_EQ(values, (std::vector<i32>{0, 1, 0})) << "the line named like the button starts on";
  EXPECT_EQ(tops, (std::vector<i16>{20, 31, 42})) << "stacked 11 apart in 40 pixels";
  EXPECT_EQ(GetControl32BitValue(c), 2);

  // A group too low for a stack puts its buttons side by side across its width.
  const ControlRef side = up(1);
  ControlRef first = nilid, second = nilid;
  GetIndexedSubControl(side, 1, &first);
  GetIndexedSubControl(side, 2, &second);
  Rect a{}, b{};
  GetControlBounds(first, &a);
  GetControlBounds(second, &b);
  EXPECT_EQ(a.left, 20);
  EXPECT_EQ(a.right, b.left);
  EXPECT_EQ(b.right, 300);
  EXPECT_EQ(a.top, 100);

  EXPECT_EQ(GetControlKind(up(2)), kControlKindRadioButton) << "without radioData, one button";

  // Taken down, the group lays its buttons out in the parking place, hidden.
  spot s = object(0);
  docontroldown(s);
  ControlRef m = nilid;
  GetIndexedSubControl(c, 2, &m);
  EXPECT_FALSE(IsControlVisible(m));
}

TEST_F(ButtonControlTest, DataLinesLongerThanAShortTextAreCutThere) {
  openwith({button(206, "Long"), button(203, "Group", Rect{80, 20, 140, 200})});
  const std::string longline = "\"" + std::string(300, 'w') + "\"";
  setprop(1, "popupData", longline + " & return & \"short\"");
  setprop(2, "radioData", longline + " & return & \"short\"");
  Str255 text{};
  const MenuRef menu = GetControlPopupMenuHandle(up(0));
  ASSERT_EQ(CountMenuItems(menu), 2);
  GetMenuItemText(menu, 1, text);
  EXPECT_EQ(title(text), std::string(255, 'w'));
  GetMenuItemText(menu, 2, text);
  EXPECT_EQ(title(text), "short") << "the next line starts after the whole long one";
  const ControlRef group = up(1);
  u16 count = 0;
  CountSubControls(group, &count);
  ASSERT_EQ(count, 2);
  ControlRef member = nilid;
  GetIndexedSubControl(group, 1, &member);
  GetControlTitle(member, text);
  EXPECT_EQ(title(text), std::string(255, 'w'));
  GetIndexedSubControl(group, 2, &member);
  GetControlTitle(member, text);
  EXPECT_EQ(title(text), "short");
}

TEST_F(ButtonControlTest, TabsFromTheirLines) {
  openwith({button(210, "Tabs")});
  setprop(1, "tabData",
          "\"Options\" & tab & \"false\" & tab & \"128\" & return & \"Plain\" & return & \"On\" & tab & \"TRUE\"");
  const ControlRef c = up(0);
  EXPECT_EQ(GetControl32BitMaximum(c), 3);
  struct Tab {
    std::string name;
    i16 icon;
    u8 enabled;
    bool operator==(const Tab&) const = default;
  };
  std::vector<Tab> tabs;
  for (i16 i = 1; i <= 3; ++i) {
    ControlTabInfoRecV0 info{};
    u8 enabled = 9;
    GetControlData(c, i, kControlTabInfoTag, sizeof info, &info, nullptr);
    GetControlData(c, i, kControlTabEnabledFlagTag, 1, &enabled, nullptr);
    tabs.push_back(Tab{title(info.name), info.iconSuiteID, enabled});
  }
  EXPECT_EQ(tabs, (std::vector<Tab>{{"Options", 128, 0}, {"Plain", 0, 1}, {"On", 0, 1}}));
  EXPECT_EQ(getcontrolpart(object(0)).maximumvalue, 3);
}

TEST_F(ButtonControlTest, DataBrowserColumnsFromTheirLines) {
  openwith({button(229, "List"), button(229, "Columns"), button(229, "Empty")});
  setprop(1, "columnData",
          "\"When\" & tab & \"relativedate\" & tab & \"60\" & tab & \"200\" & tab & \"right\" & return & \"Name\"");
  setprop(2, "columnData", "\"a\" & return & \"b\" & return & \"c\"");
  const ControlRef list = up(0);
  ASSERT_EQ(GetControlKind(list), kControlKindDataBrowser);
  u32 count = 0;
  GetDataBrowserTableViewColumnCount(list, &count);
  ASSERT_EQ(count, 2u);
  DataBrowserListViewColumnDesc when{}, name{};
  GetDataBrowserListViewColumnDesc(list, 0, &when);
  GetDataBrowserListViewColumnDesc(list, 1, &name);
  EXPECT_EQ(when.propertyDesc.propertyID, fourcc("0001"));
  EXPECT_EQ(when.propertyDesc.propertyType, kDataBrowserDateTimeType);
  EXPECT_EQ(when.propertyDesc.propertyFlags, 0x70001u | 0x100u);
  EXPECT_EQ(when.headerBtnDesc.minimumWidth, 60);
  EXPECT_EQ(when.headerBtnDesc.maximumWidth, 200);
  EXPECT_EQ(when.headerBtnDesc.btnFontStyle.just, -1);
  EXPECT_EQ(when.headerBtnDesc.btnFontStyle.font, kControlFontViewSystemFont);
  EXPECT_EQ(title(when.headerBtnDesc.titleString), "When");
  EXPECT_EQ(name.propertyDesc.propertyID, fourcc("0002"));
  EXPECT_EQ(name.propertyDesc.propertyType, kDataBrowserTextType);
  EXPECT_EQ(name.headerBtnDesc.minimumWidth, 20);
  EXPECT_EQ(name.headerBtnDesc.maximumWidth, 100);
  EXPECT_EQ(name.headerBtnDesc.btnFontStyle.just, 0);
  EXPECT_EQ(getcontrolpart(object(0)).maximumvalue, 2);
  u8 frame = 9;
  GetControlData(list, 0, kControlDataBrowserIncludesFrameAndFocusTag, 1, &frame, nullptr);
  EXPECT_EQ(frame, 0);
  DataBrowserCallbacks callbacks{};
  GetDataBrowserCallbacks(list, &callbacks);
  EXPECT_FALSE(callbacks.acceptDrag(list, 0, 0));
  EXPECT_EQ(callbacks.itemData(list, 1, 1, 0, true), errDataBrowserPropertyNotSupported);
  EXPECT_EQ(callbacks.itemData(list, 1, 1, 0, false), noErr);
  EXPECT_TRUE(IsAutomaticControlDragTrackingEnabledForWindow(current().window));

  spot columns = object(1);
  make4spot(columns);
  setDataBrowserBehavior(columns, kDataBrowserColumnView);
  putspot(current().cardspots, 1, columns);
  const ControlRef view = up(1);
  EXPECT_EQ(GetDataBrowserViewStyle(view), kDataBrowserColumnView);
  GetDataBrowserTableViewColumnCount(view, &count);
  EXPECT_EQ(count, 0u) << "column view adds no columns";
  EXPECT_EQ(getcontrolpart(object(1)).maximumvalue, 3) << "but counts the lines";

  up(2);
  EXPECT_EQ(getcontrolpart(object(2)).maximumvalue, 1) << "without columnData";
}

TEST_F(ButtonControlTest, BevelButtonsWithAMenuAndTheirBehaviour) {
  openwith({button(205, "Pick")});
  spot s = object(0);
  make4spot(s);
  setBevelBtnBehavior(s, 1024);
  setBevelStyle(s, 3);
  putspot(current().cardspots, 0, s);
  setprop(1, "popupData", "\"One;Pick;Three\"");
  const ControlRef c = up(0);
  ASSERT_EQ(GetControlKind(c), kControlKindBevelButton);
  MenuRef menu = nilid;
  ASSERT_EQ(GetControlData(c, 0, kControlBevelButtonMenuHandleTag, sizeof menu, &menu, nullptr), noErr);
  EXPECT_EQ(CountMenuItems(menu), 3);
  i16 value = 0;
  GetBevelButtonMenuValue(c, &value);
  EXPECT_EQ(value, 2);
  i16 kind = 0;
  GetControlData(c, 0, kControlBevelButtonKindTag, sizeof kind, &kind, nullptr);
  EXPECT_EQ(kind, 15);
  EXPECT_EQ(GetControlSettings(c).variant, 3) << "the bevel thickness";
  spot down = object(0);
  dumpspotcontrol(down);
  putspot(current().cardspots, 0, down);
  EXPECT_FALSE(IsValidMenu(menu)) << "the menu goes with the control";
  EXPECT_EQ(GetMenuHandle(20000), nilid);
}

TEST_F(ButtonControlTest, TheOptionWord) {
  openwith({});
  spot bevel = newspot(spotbutton, 205, 1);
  make4spot(bevel);
  controlpart p = getcontrolpart(bevel);
  p.currentvalue = 1;
  setcontrolpart(bevel, p);
  setBevelButtonOffsetContent(bevel, true);
  EXPECT_EQ(getcontrolpart(bevel).currentvalue, 0);
  EXPECT_EQ(getBevelButtonOffsetContent(bevel), 1);

  spot progress = newspot(spotbutton, 214, 2);
  make4spot(progress);
  setTabOrArrowOrBtnSize(progress, 1);
  EXPECT_EQ((getcontrolpart(progress).option >> 8) & 3, 1) << "stored";
  EXPECT_EQ(getTabOrArrowOrBtnSize(progress), 0) << "read back as normal";
  setTabOrArrowOrBtnSize(progress, 2);
  EXPECT_EQ(getTabOrArrowOrBtnSize(progress), 2);

  // A popup behaviour brings an empty "popupData"; leaving it takes the empty one away.
  setBevelBtnBehavior(bevel, 1024);
  Handle value = nilhandle;
  ASSERT_NE(bevel.uprops, nilhandle);
  EXPECT_EQ(prophandutil(bevel.uprops, reinterpret_cast<const u8*>("\x09popupData"), &value), 0);
  EXPECT_EQ(getBevelBtnBehavior(bevel), 1024);
  EXPECT_EQ(getBevelButtonOffsetContent(bevel), 1) << "the offset stays";
  setBevelBtnBehavior(bevel, 0);
  EXPECT_EQ(bevel.uprops, nilhandle) << "the emptied list goes too";
  EXPECT_EQ(getBevelBtnBehavior(bevel), 0);

  // A classic bevel button's bytes are its patterns: every getter answers 0.
  spot classic = newspot(spotbutton, 205, 3);
  for (u8& b : classic.penpat.b) b = 0xFF;
  for (u8& b : classic.fillpat.b) b = 0xFF;
  EXPECT_EQ(getBevelStyle(classic), 0);
  EXPECT_EQ(getBevelBtnBehavior(classic), 0);
  EXPECT_EQ(getBevelButtonOffsetContent(classic), 0);

  spot browser = newspot(spotbutton, 229, 4);
  make4spot(browser);
  setDataBrowserBehavior(browser, fourcc("lstv"));
  EXPECT_FALSE(databrowsercolumnview(browser));
  setDataBrowserBehavior(browser, fourcc("clmv"));
  EXPECT_TRUE(databrowsercolumnview(browser));

  spot slider = newspot(spotbutton, 209, 5);
  make4spot(slider);
  EXPECT_EQ(getcontrolpart(slider).currentvalue, 50);
  EXPECT_EQ(getcontrolpart(slider).maximumvalue, 100);
  make3spot(slider);
  EXPECT_FALSE(isplatformcontrol(slider));
  for (u8 b : slider.fillpat.b) EXPECT_EQ(b, 0x00) << "white";
  for (u8 b : slider.penpat.b) EXPECT_EQ(b, 0xFF) << "black";
}

TEST_F(ButtonControlTest, TheDataPropertyOfAStyle) {
  openwith({button(203, "Radio"), button(206, "Popup"), button(201, "Push")});
  setprop(1, "radioData", "\"x\"");
  ASSERT_EQ(doline("define other of card button 1"), 0);
  struct Case {
    const char* reference;
    const char* name;
    i16 has, is;
  };
  const Case cases[] = {
      {"card button 1", "RADIODATA", 1, 1}, {"card button 1", "popupData", 1, 0}, {"card button 2", "popupData", 1, 1},
      {"card button 3", "popupData", 0, 0}, {"this card", "radioData", 0, 0},
  };
  for (const Case& c : cases) {
    objread obj{};
    ASSERT_EQ(readreference(c.reference, &obj), 0) << c.reference;
    Str255 name{};
    name[0] = u8(std::strlen(c.name));
    std::memcpy(name + 1, c.name, name[0]);
    EXPECT_EQ(readhasmagicuprops(obj), c.has) << c.reference;
    EXPECT_EQ(ismagicuprop(obj, name), c.is) << c.reference << " " << c.name;
    writeobj(&obj);
  }
  objread obj{};
  ASSERT_EQ(readreference("card button 1", &obj), 0);
  // The first drawing gave the button "__textFont" before the test's properties.
  EXPECT_EQ(ismagicupropidx(obj, 0), 0) << "__textFont";
  EXPECT_EQ(ismagicupropidx(obj, 1), 1);
  EXPECT_EQ(ismagicupropidx(obj, 2), 0) << "another property";
  EXPECT_EQ(ismagicupropidx(obj, 3), 0) << "past the end";
  writeobj(&obj);
}

TEST_F(ButtonControlTest, NestedSplitsKeepTheirOwnPlaces) {
  openwith({});
  char outer[] = "a,b;c,d";
  char* o = nullptr;
  std::vector<std::string> pieces;
  for (char* line = myStrTok(outer, ";", &o); line; line = myStrTok(nullptr, ";", &o)) {
    char* i = nullptr;
    for (char* f = myStrTok(line, ",", &i); f; f = myStrTok(nullptr, ",", &i)) pieces.emplace_back(f);
  }
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "b", "c", "d"}));
  char runs[] = "\t\tx\t\ty";
  char* r = nullptr;
  EXPECT_STREQ(myStrTok(runs, "\t", &r), "x");
  EXPECT_STREQ(myStrTok(nullptr, "\t", &r), "y") << "the last piece";
  EXPECT_EQ(myStrTok(nullptr, "\t", &r), nullptr) << "comes once";
}

TEST_F(ButtonControlTest, ContentOfBevelButtonsImageWellsAndRoundButtons) {
  std::vector<ResourceItem> items{
      ResourceItem{fourcc("ICN#"), 400, 0, "", testicons::blackicon(testicons::disc).second},
      ResourceItem{fourcc("PICT"), 401, 0, "", {0, 10, 0, 50, 0, 60, 0, 10, 0, 20, 0, 0xFF}},
      ResourceItem{fourcc("icns"), 402, 0, "", testicons::family({testicons::blackicon(testicons::disc)})},
  };
  std::vector<u8> file;
  std::string error;
  ASSERT_TRUE(buildresourcefile(items, &file, &error)) << error;
  const i16 ref = openresourcebytes(file, "icons");
  auto with = [](u16 style, u32 icon) {
    testproject::Object o = ControlTest::button(style, "");
    o.tail = tail(0, 12, 0, icon);
    return o;
  };
  openwith({with(205, 400), with(205, 401), with(211, 402), with(207, 402), with(205, 999)});
  const i16 types[] = {1, 3, 5, 5, 1};
  for (i32 i = 0; i < 5; ++i) {
    spot s = object(i);
    make4spot(s);
    setContentType(s, types[i]);
    putspot(current().cardspots, i, s);
  }
  std::vector<ControlButtonContentInfo> contents;
  for (i32 i = 0; i < 5; ++i) {
    ControlButtonContentInfo c{};
    GetBevelButtonContentInfo(up(i), &c);
    contents.push_back(c);
  }
  EXPECT_EQ(contents[0].contentType, kControlContentIconSuiteHandle);
  EXPECT_NE(iconsuitemember(contents[0].data, fourcc("ICN#")), GetResource(fourcc("ICN#"), 400));
  EXPECT_EQ(contents[1].contentType, kControlContentPictHandle);
  const u8* frame = deref(contents[1].data) + 2;
  EXPECT_EQ((std::vector<u8>(frame, frame + 8)), (std::vector<u8>{0, 10, 0, 20, 0, 50, 0, 60}))
      << "the frame's top-left is the smaller of each corner pair";
  EXPECT_EQ(contents[2].contentType, kControlContentIconRef);
  EXPECT_EQ(contents[3].contentType, kControlContentIconRef);
  EXPECT_EQ(contents[4].contentType, kControlContentTextOnly) << "an icon that is not there";
  for (i32 i = 0; i < 5; ++i) dumpspot(i);
  EXPECT_FALSE(IsValidIconRef(contents[2].data));
  EXPECT_FALSE(IsValidIconRef(contents[3].data)) << "a round button gives back its icon too";
  CloseResFile(ref);
}

}  // namespace
}  // namespace kv
