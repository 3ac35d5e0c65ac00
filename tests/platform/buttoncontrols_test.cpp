// The Control Manager model's controls of buttons: radio groups and their members, embedding,
// data tags and properties, 16-bit values, best rectangles, the data browser's columns, and
// controls going with their window.
#include <gtest/gtest.h>

#include <string>

#include "platform/controls/controls.h"
#include "platform/fonts/fonts.h"
#include "platform/menus/menus.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

struct P {
  Str255 s{};
  explicit P(std::string_view t) {
    s[0] = u8(t.size());
    std::copy(t.begin(), t.end(), s + 1);
  }
  operator ConstStringPtr() const { return s; }
};

constexpr Rect kAt{10, 10, 30, 110};

class ButtonControlModelTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    usebuiltinmetricsfont(true);
    const Rect r{100, 100, 300, 400};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window), noErr);
    ASSERT_EQ(CreateRootControl(window, &root), noErr);
  }
  void TearDown() override {
    if (IsValidWindowPtr(window)) DisposeWindow(window);
    for (MenuRef m : menus) DisposeMenu(m);
    RuntimeTest::TearDown();
  }
  ControlRef radio(std::string_view title, i32 value) {
    ControlRef c = nilid;
    EXPECT_EQ(CreateRadioButtonControl(window, &kAt, P(title), value, true, &c), noErr);
    return c;
  }
  std::vector<i32> values(const std::vector<ControlRef>& cs) {
    std::vector<i32> v;
    for (ControlRef c : cs) v.push_back(GetControl32BitValue(c));
    return v;
  }
  WindowRef window = nilid;
  ControlRef root = nilid;
  std::vector<MenuRef> menus;
};

TEST_F(ButtonControlModelTest, ARadioGroupKeepsOneMemberOn) {
  ControlRef group = nilid;
  ASSERT_EQ(CreateRadioGroupControl(window, &kAt, &group), noErr);
  const std::vector<ControlRef> members{radio("a", 0), radio("b", 1), radio("c", 0)};
  for (ControlRef m : members) ASSERT_EQ(EmbedControl(m, group), noErr);
  EXPECT_EQ(GetControl32BitValue(group), 2) << "a member embedded while on sets the group";
  u16 count = 0;
  ASSERT_EQ(CountSubControls(group, &count), noErr);
  EXPECT_EQ(count, 3);
  ControlRef third = nilid;
  ASSERT_EQ(GetIndexedSubControl(group, 3, &third), noErr);
  EXPECT_EQ(third, members[2]);
  EXPECT_EQ(GetIndexedSubControl(group, 4, &third), paramErr);

  SetControl32BitValue(group, 3);
  EXPECT_EQ(values(members), (std::vector<i32>{0, 0, 1}));
  SetControl32BitValue(members[0], 1);
  EXPECT_EQ(GetControl32BitValue(group), 1) << "a member turned on chooses itself";
  EXPECT_EQ(values(members), (std::vector<i32>{1, 0, 0}));
  SetControl32BitValue(group, 0);
  EXPECT_EQ(values(members), (std::vector<i32>{0, 0, 0}));

  DisposeControl(group);
  for (ControlRef m : members) EXPECT_FALSE(IsValidControlHandle(m)) << "members go with their group";
}

TEST_F(ButtonControlModelTest, OnlyContainersTakeEmbeddedControls) {
  ControlRef box = nilid, check = nilid, tabs = nilid;
  ASSERT_EQ(CreateGroupBoxControl(window, &kAt, P("Box"), true, &box), noErr);
  ASSERT_EQ(CreateCheckBoxControl(window, &kAt, P("Check"), 0, true, &check), noErr);
  ControlRef parent = nilid;
  ASSERT_EQ(GetSuperControl(check, &parent), noErr);
  EXPECT_EQ(parent, root) << "new controls go into the window's root control";
  EXPECT_EQ(EmbedControl(box, check), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(check, check), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(check, box), noErr);
  tabs = NewControl(window, &kAt, P(""), false, 0, 0, 3, 130, 7);
  ASSERT_NE(tabs, nilid);
  EXPECT_EQ(GetControlKind(tabs), kControlKindTabs);
  EXPECT_EQ(GetControlSettings(tabs).variant, 2) << "south";
  EXPECT_EQ(GetControlReference(tabs), 7);
  EXPECT_FALSE(IsControlVisible(tabs));
  EXPECT_EQ(EmbedControl(check, tabs), noErr);
  EXPECT_EQ(NewControl(window, &kAt, P(""), true, 0, 0, 1, 16, 0), nilid) << "no such definition";

  const Rect other{400, 400, 500, 500};
  WindowRef second = nilid;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &other, &second), noErr);
  ControlRef there = nilid;
  ASSERT_EQ(CreatePlacardControl(second, &kAt, &there), noErr);
  EXPECT_EQ(EmbedControl(there, box), errControlIsNotEmbedder) << "another window's control";
  DisposeWindow(second);
  EXPECT_FALSE(IsValidControlHandle(there));
}

TEST_F(ButtonControlModelTest, DataTagsAndPropertiesByPartAndName) {
  ControlRef c = nilid;
  ASSERT_EQ(CreateBevelButtonControl(window, &kAt, P("B"), 2, 0, nullptr, 0, 0, 0, &c), noErr);
  const i16 one = 1, two = 2;
  ASSERT_EQ(SetControlData(c, 1, kControlTabEnabledFlagTag, sizeof one, &one), noErr);
  ASSERT_EQ(SetControlData(c, 2, kControlTabEnabledFlagTag, sizeof two, &two), noErr);
  i16 got = 0;
  Size size = 0;
  ASSERT_EQ(GetControlData(c, 2, kControlTabEnabledFlagTag, sizeof got, &got, &size), noErr);
  EXPECT_EQ(got, 2);
  EXPECT_EQ(size, Size(sizeof got));
  EXPECT_EQ(GetControlData(c, 0, kControlTabEnabledFlagTag, sizeof got, &got, &size), errDataNotSupported);
  // A smaller buffer takes what fits and learns the whole size.
  const u32 big[2] = {0x11111111, 0x22222222};
  ASSERT_EQ(SetControlData(c, 0, kControlSizeTag, sizeof big, big), noErr);
  u8 small = 0;
  ASSERT_EQ(GetControlData(c, 0, kControlSizeTag, 1, &small, &size), noErr);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(small, 0x11);

  const Rect r{1, 2, 3, 4};
  ASSERT_EQ(SetControlProperty(c, fourcc("VIZU"), fourcc("Rect"), sizeof r, &r), noErr);
  Rect back{};
  u32 actual = 0;
  ASSERT_EQ(GetControlProperty(c, fourcc("VIZU"), fourcc("Rect"), sizeof back, &actual, &back), noErr);
  EXPECT_EQ(back, r);
  EXPECT_EQ(GetControlProperty(c, fourcc("VIZU"), fourcc("Metl"), 2, &actual, &back), controlPropertyNotFoundErr);
  EXPECT_EQ(RemoveControlProperty(c, fourcc("VIZU"), fourcc("Rect")), noErr);
  EXPECT_EQ(RemoveControlProperty(c, fourcc("VIZU"), fourcc("Rect")), controlPropertyNotFoundErr);

  DisposeControl(c);
  EXPECT_EQ(SetControlData(c, 0, kControlSizeTag, sizeof one, &one), errInvalidControl);
  EXPECT_EQ(GetControlKind(c), 0u);
}

TEST_F(ButtonControlModelTest, SixteenBitValuesReadTheNearestNumber) {
  ControlRef bar = nilid;
  ASSERT_EQ(CreateProgressBarControl(window, &kAt, 0, 0, 100000, false, &bar), noErr);
  SetControl32BitValue(bar, 70000);
  EXPECT_EQ(GetControlValue(bar), 32767);
  EXPECT_EQ(GetControlMaximum(bar), 32767);
  SetControlMinimum(bar, -5);
  SetControlValue(bar, -40);
  EXPECT_EQ(GetControl32BitValue(bar), -5) << "kept within the range";
}

TEST_F(ButtonControlModelTest, TheColourProcedureSetsUpTheBackground) {
  ControlRef c = nilid;
  ASSERT_EQ(CreateCheckBoxControl(window, &kAt, P("x"), 0, false, &c), noErr);
  EXPECT_EQ(SetUpControlBackground(c, 32, true), 1) << "without a procedure the control uses its own";
  static i16 message = 0, depth = 0;
  SetControlColorProc(c, [](ControlRef, i16 m, i16 d, bool) -> OSStatus {
    message = m;
    depth = d;
    return 0;
  });
  EXPECT_EQ(SetUpControlBackground(c, 16, true), 0);
  EXPECT_EQ(message, kControlMsgSetUpBackground);
  EXPECT_EQ(depth, 16);
}

TEST_F(ButtonControlModelTest, BestRectanglesFollowTitlesSizesAndMenus) {
  ControlRef shortbox = nilid, longbox = nilid;
  ASSERT_EQ(CreateCheckBoxControl(window, &kAt, P("a"), 0, false, &shortbox), noErr);
  ASSERT_EQ(CreateCheckBoxControl(window, &kAt, P("a much longer title"), 0, false, &longbox), noErr);
  Rect a{}, b{};
  ASSERT_EQ(GetBestControlRect(shortbox, &a, nullptr), noErr);
  ASSERT_EQ(GetBestControlRect(longbox, &b, nullptr), noErr);
  EXPECT_EQ(a.top, kAt.top);
  EXPECT_EQ(a.left, kAt.left);
  EXPECT_EQ(a.bottom - a.top, b.bottom - b.top);
  EXPECT_GT(b.right - b.left, a.right - a.left);
  const u16 small = kControlSizeSmall;
  SetControlData(longbox, 0, kControlSizeTag, sizeof small, &small);
  Rect c{};
  GetBestControlRect(longbox, &c, nullptr);
  EXPECT_LT(c.bottom - c.top, b.bottom - b.top) << "small controls are lower";

  // A popup is as wide as its widest item.
  MenuRef menu = NewMenu(300, P(""));
  menus.push_back(menu);
  AppendMenuItem(menu, P("x"), 0, 0, nullptr);
  InsertMenu(menu, hierMenu);
  ControlRef popup = nilid;
  ASSERT_EQ(CreatePopupButtonControl(window, &kAt, P(""), 300, false, 0, 0, 0, &popup), noErr);
  EXPECT_EQ(GetControl32BitMaximum(popup), 1);
  Rect narrow{}, wide{};
  GetBestControlRect(popup, &narrow, nullptr);
  AppendMenuItem(menu, P("a very long item indeed"), 0, 0, nullptr);
  GetBestControlRect(popup, &wide, nullptr);
  EXPECT_GT(wide.right - wide.left, narrow.right - narrow.left);
  DeleteMenu(300);

  // Bars keep their length; a popup arrow turns with its orientation.
  const Rect upright{0, 0, 200, 30};
  ControlRef slider = nilid, east = nilid, south = nilid;
  ASSERT_EQ(CreateSliderControl(window, &upright, 0, 0, 10, 0, 0, true, nullptr, &slider), noErr);
  Rect s{};
  GetBestControlRect(slider, &s, nullptr);
  EXPECT_EQ(s.bottom, 200);
  EXPECT_LT(s.right - s.left, 30);
  ASSERT_EQ(CreatePopupArrowControl(window, &kAt, 0, 0, &east), noErr);
  ASSERT_EQ(CreatePopupArrowControl(window, &kAt, 3, 0, &south), noErr);
  Rect e{}, so{};
  GetBestControlRect(east, &e, nullptr);
  GetBestControlRect(south, &so, nullptr);
  EXPECT_EQ(e.right - e.left, so.bottom - so.top);
  EXPECT_EQ(e.bottom - e.top, so.right - so.left);
}

TEST_F(ButtonControlModelTest, ADataBrowserKeepsItsColumnsInOrder) {
  ControlRef list = nilid, columns = nilid;
  ASSERT_EQ(CreateDataBrowserControl(window, &kAt, kDataBrowserListView, &list), noErr);
  ASSERT_EQ(CreateDataBrowserControl(window, &kAt, kDataBrowserColumnView, &columns), noErr);
  ControlRef odd = nilid;
  EXPECT_EQ(CreateDataBrowserControl(window, &kAt, fourcc("oops"), &odd), paramErr);
  auto column = [](const char(&id)[5], std::string_view title, u16 minimum, u16 maximum) {
    DataBrowserListViewColumnDesc d{};
    d.propertyDesc.propertyID = fourcc(id);
    d.headerBtnDesc.minimumWidth = minimum;
    d.headerBtnDesc.maximumWidth = maximum;
    const P t(title);
    std::copy(t.s, t.s + 256, d.headerBtnDesc.titleString);
    return d;
  };
  const auto a = column("0001", "A", 20, 100), b = column("0002", "A rather long title for a column", 20, 60);
  ASSERT_EQ(AddDataBrowserListViewColumn(list, &b, kDataBrowserListViewAppendColumn), noErr);
  ASSERT_EQ(AddDataBrowserListViewColumn(list, &a, 0), noErr);
  EXPECT_EQ(AddDataBrowserListViewColumn(list, &a, kDataBrowserListViewAppendColumn), paramErr) << "a used id";
  EXPECT_EQ(AddDataBrowserListViewColumn(columns, &a, kDataBrowserListViewAppendColumn), paramErr);
  u32 count = 0;
  GetDataBrowserTableViewColumnCount(list, &count);
  EXPECT_EQ(count, 2u);
  DataBrowserListViewColumnDesc first{};
  ASSERT_EQ(GetDataBrowserListViewColumnDesc(list, 0, &first), noErr);
  EXPECT_EQ(first.propertyDesc.propertyID, fourcc("0001"));
  ASSERT_EQ(AutoSizeDataBrowserListViewColumns(list), noErr);
  u16 wa = 0, wb = 0;
  GetDataBrowserTableViewNamedColumnWidth(list, fourcc("0001"), &wa);
  GetDataBrowserTableViewNamedColumnWidth(list, fourcc("0002"), &wb);
  EXPECT_EQ(wa, 20) << "a short title keeps the minimum";
  EXPECT_EQ(wb, 60) << "a long one stops at the maximum";
  ASSERT_EQ(GetDataBrowserListViewColumnDesc(list, 1, &first), noErr);
  EXPECT_EQ(first.headerBtnDesc.minimumWidth, 20) << "the described widths stay";
  EXPECT_EQ(GetDataBrowserViewStyle(columns), kDataBrowserColumnView);

  EXPECT_FALSE(IsAutomaticControlDragTrackingEnabledForWindow(window));
  SetAutomaticControlDragTrackingEnabledForWindow(window, true);
  EXPECT_TRUE(IsAutomaticControlDragTrackingEnabledForWindow(window));
}

}  // namespace
}  // namespace kv
