// The painter of the controls of buttons: the colour procedure before the erase, draw-event
// handlers around the drawing, states that show, drawing kept inside the bounds, animation at
// idle; the theme's container backgrounds, control regions and the script system's sizes.
#include "platform/controls/painter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

constexpr Rect kWorld{0, 0, 120, 240};
constexpr RGBColor kRed{0xFFFF, 0, 0}, kWhite{0xFFFF, 0xFFFF, 0xFFFF};

struct Log {
  std::vector<std::string> lines;
  int draws = 0;
};
Log& logged() { return state<Log>(); }

OSStatus redbehind(ControlRef, i16 message, i16, bool) {
  logged().lines.push_back("colour " + std::to_string(message));
  RGBBackColor(&kRed);
  return 0;
}

OSStatus around(EventHandlerCallRef call, EventRef event, u32) {
  logged().lines.push_back("before");
  CallNextEventHandler(call, event);
  logged().lines.push_back("after");
  return noErr;
}

OSStatus swallow(EventHandlerCallRef, EventRef, u32) { return noErr; }

OSStatus count(EventHandlerCallRef call, EventRef event, u32) {
  ++logged().draws;
  return CallNextEventHandler(call, event);
}

class PainterTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    usebuiltinmetricsfont(true);
    const Rect r{100, 100, 300, 400};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window), noErr);
    ASSERT_EQ(NewGWorld(&world, 32, &kWorld, nilhandle, nilhandle, 0), noErr);
  }
  void TearDown() override {
    DisposeGWorld(world);
    if (IsValidWindowPtr(window)) DisposeWindow(window);
    RuntimeTest::TearDown();
  }
  // Draws a control into the world, first erased white.
  void draw(ControlRef c) {
    SavePort saved;
    SetGWorld(world, nilhandle);
    RGBBackColor(&kWhite);
    EraseRect(&kWorld);
    DrawControlInCurrentPort(c);
  }
  RGBColor at(i16 h, i16 v) {
    SavePort saved;
    SetGWorld(world, nilhandle);
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c;
  }
  std::vector<RGBColor> pixels() {
    std::vector<RGBColor> p;
    for (i16 v = kWorld.top; v < kWorld.bottom; ++v)
      for (i16 h = kWorld.left; h < kWorld.right; ++h) p.push_back(at(h, v));
    return p;
  }
  // The box of the pixels that are not white (empty when none).
  Rect ink() {
    Rect box{kWorld.bottom, kWorld.right, 0, 0};
    for (i16 v = kWorld.top; v < kWorld.bottom; ++v)
      for (i16 h = kWorld.left; h < kWorld.right; ++h)
        if (!(at(h, v) == kWhite))
          box = Rect{std::min(box.top, v), std::min(box.left, h), std::max<i16>(box.bottom, i16(v + 1)),
                     std::max<i16>(box.right, i16(h + 1))};
    return box;
  }
  static bool within(const Rect& in, const Rect& out) {
    return in.top >= out.top && in.left >= out.left && in.bottom <= out.bottom && in.right <= out.right;
  }
  WindowRef window = nilid;
  GWorldPtr world = nilid;
};

TEST_F(PainterTest, TheColourProcedureAndTheHandlersFrameTheDrawing) {
  const Rect at_{20, 20, 40, 200};
  ControlRef box = nilid;
  ASSERT_EQ(CreateCheckBoxControl(window, &at_, reinterpret_cast<const u8*>("\x03Yes"), 1, true, &box), noErr);
  SetControlColorProc(box, redbehind);
  const EventTypeSpec drawing{kEventClassControl, kEventControlDraw};
  ASSERT_EQ(InstallControlEventHandler(box, around, 1, &drawing, 0, nullptr), noErr);
  draw(box);
  EXPECT_EQ(logged().lines, (std::vector<std::string>{"before", "colour 23", "after"}));
  EXPECT_TRUE(at(190, 30) == kRed) << "erased with the background the procedure set";
  EXPECT_TRUE(within(ink(), at_)) << "nothing outside its bounds";

  // A handler that takes the event without passing it on leaves nothing drawn.
  ASSERT_EQ(InstallControlEventHandler(box, swallow, 1, &drawing, 0, nullptr), noErr);
  draw(box);
  EXPECT_EQ(ink().right, 0);
}

TEST_F(PainterTest, StatesShowAndTheSameStateDrawsTheSame) {
  const Rect r{20, 20, 44, 140};
  ControlRef push = nilid, check = nilid;
  ASSERT_EQ(CreatePushButtonControl(window, &r, reinterpret_cast<const u8*>("\x02OK"), &push), noErr);
  ASSERT_EQ(CreateCheckBoxControl(window, &r, reinterpret_cast<const u8*>("\x02On"), 0, true, &check), noErr);
  draw(push);
  const std::vector<RGBColor> plain = pixels();
  draw(push);
  EXPECT_EQ(pixels(), plain) << "deterministic";
  HiliteControl(push, kControlButtonPart);
  draw(push);
  EXPECT_NE(pixels(), plain) << "pressed";
  HiliteControl(push, 0);
  DeactivateControl(push);
  draw(push);
  EXPECT_NE(pixels(), plain) << "inactive";

  draw(check);
  const std::vector<RGBColor> off = pixels();
  SetControl32BitValue(check, 1);
  draw(check);
  const std::vector<RGBColor> on = pixels();
  SetControl32BitValue(check, 2);
  draw(check);
  EXPECT_NE(on, off);
  EXPECT_NE(pixels(), on) << "mixed differs from on";
}

TEST_F(PainterTest, EveryKindStaysInsideItsBounds) {
  const Rect r{30, 30, 70, 200};
  std::vector<ControlRef> all;
  ControlRef c = nilid;
  // The control made by the call given (its status comes first, then c is read).
  auto add = [&](OSStatus e) {
    ASSERT_EQ(e, noErr);
    all.push_back(c);
  };
  const u8* title = reinterpret_cast<const u8*>("\x05Title");
  const ControlButtonContentInfo none{kControlContentTextOnly, 0};
  add(CreateBevelButtonControl(window, &r, title, 2, 0, &none, 0, 0, 0, &c));
  add(CreateRoundButtonControl(window, &r, kControlSizeNormal, &none, &c));
  add(CreateSliderControl(window, &r, 40, 0, 100, 0, 5, true, nullptr, &c));
  add(CreateDisclosureButtonControl(window, &r, 1, true, &c));
  add(CreateProgressBarControl(window, &r, 30, 0, 100, false, &c));
  add(CreateProgressBarControl(window, &r, 30, 0, 100, true, &c));
  add(CreateRelevanceBarControl(window, &r, 30, 0, 100, &c));
  add(CreateLittleArrowsControl(window, &r, 0, 0, 10, 1, &c));
  add(CreateChasingArrowsControl(window, &r, &c));
  add(CreateDisclosureTriangleControl(window, &r, 0, title, 1, true, true, &c));
  add(CreateGroupBoxControl(window, &r, title, true, &c));
  add(CreateGroupBoxControl(window, &r, title, false, &c));
  add(CreatePopupArrowControl(window, &r, 3, 0, &c));
  add(CreatePlacardControl(window, &r, &c));
  add(CreateWindowHeaderControl(window, &r, true, &c));
  add(CreateSeparatorControl(window, &r, &c));
  add(CreateImageWellControl(window, &r, &none, &c));
  add(CreateDataBrowserControl(window, &r, kDataBrowserListView, &c));
  c = NewControl(window, &r, title, true, 1, 0, 1, 128, 0);
  add(c != nilid ? noErr : paramErr);
  for (ControlRef k : all) {
    SCOPED_TRACE(GetControlKind(k));
    draw(k);
    const Rect box = ink();
    EXPECT_GT(box.right, box.left) << "it draws";
    EXPECT_TRUE(within(box, r));
  }
}

TEST_F(PainterTest, AnimatedControlsMoveOnAtIdleWhilePlaced) {
  const Rect placed{20, 20, 36, 200};
  ControlRef bar = nilid, parked = nilid;
  ASSERT_EQ(CreateProgressBarControl(window, &placed, 0, 0, 100, true, &bar), noErr);
  const Rect away{-30000, -30000, -30000, -30000};
  ASSERT_EQ(CreateChasingArrowsControl(window, &away, &parked), noErr);
  const u8 on = 1;
  SetControlData(bar, 0, kControlProgressBarAnimatingTag, 1, &on);
  SetControlData(parked, 0, kControlProgressBarAnimatingTag, 1, &on);
  EXPECT_TRUE(controlanimates(bar));
  const EventTypeSpec drawing{kEventClassControl, kEventControlDraw};
  InstallControlEventHandler(bar, count, 1, &drawing, 0, nullptr);
  InstallControlEventHandler(parked, count, 1, &drawing, 0, nullptr);
  Draw1Control(bar);
  const int first = logged().draws;
  IdleControls(window);
  EXPECT_EQ(logged().draws, first) << "the phase has not moved";
  u32 ticks = 0;
  Delay(4, &ticks);
  IdleControls(window);
  EXPECT_EQ(logged().draws, first + 1) << "the bar only: the arrows are parked";

  const u8 off = 0;
  SetControlData(bar, 0, kControlProgressBarAnimatingTag, 1, &off);
  Delay(4, &ticks);
  IdleControls(window);
  EXPECT_EQ(logged().draws, first + 1) << "no longer animating";
}

TEST_F(PainterTest, ContainerBackgroundsRegionsAndScriptSizes) {
  SavePort saved;
  SetGWorld(world, nilhandle);
  for (u32 kind = 1; kind <= 5; ++kind) {
    RGBColor want{}, got{};
    ASSERT_TRUE(themecontainercolour(kind, kThemeStateActive, &want));
    ASSERT_EQ(ApplyThemeBackground(kind, &kWorld, kThemeStateActive, 32, true), noErr);
    GetBackColor(&got);
    EXPECT_TRUE(got == want) << kind;
  }
  EXPECT_EQ(ApplyThemeBackground(6, &kWorld, 0, 32, true), paramErr);
  ASSERT_EQ(ApplyThemeBackground(1, &kWorld, 0, 1, false), noErr);
  RGBColor mono{};
  GetBackColor(&mono);
  EXPECT_TRUE(mono == kWhite) << "black or white at depth 1";

  const Rect r{10, 10, 26, 210};
  ControlRef bar = nilid;
  ASSERT_EQ(CreateScrollBarControl(window, &r, 0, 0, 10, 1, true, nullptr, &bar), noErr);
  RgnHandle rgn = NewRgn();
  Rect box{};
  ASSERT_EQ(GetControlRegion(bar, kControlContentMetaPart, rgn), noErr);
  EXPECT_EQ(*GetRegionBounds(rgn, &box), (Rect{10, 26, 26, 194})) << "the track between the arrows";
  ASSERT_EQ(GetControlRegion(bar, kControlStructureMetaPart, rgn), noErr);
  EXPECT_EQ(*GetRegionBounds(rgn, &box), r);
  DisposeRgn(rgn);

  EXPECT_EQ(GetScriptVariable(smRoman, smScriptSysFondSize), i32(u32(GetSysFont()) << 16 | 13));
  EXPECT_EQ(GetScriptVariable(smRoman, smScriptAppFondSize), i32(u32(GetAppFont()) << 16 | 12));
  EXPECT_EQ(GetScriptVariable(smRoman, smScriptSmallFondSize) & 0xFFFF, 11);
}

}  // namespace
}  // namespace kv
