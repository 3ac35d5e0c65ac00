// Visual effects as a script meets them: the queue the visual command fills and the main loop
// empties, the playing of the queue at a change of card (transitions to black, plain cuts, unknown names,
// resources by id, the grey beside the card), and the timing of frames on the virtual clock.
#include "render/effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/effects/effects.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/time/uptime.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/effectqueue.h"
#include "render/offscreen.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "tests/support/project.h"
#include "tests/render/cardworld.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

struct CardDraws {
  int count = 0;
};

class EffectsTest : public CardWorldTest {
 protected:
  void SetUp() override {
    CardWorldTest::SetUp();
    build(testproject::small());
    ASSERT_EQ(open(), 0);
    drawtable().styles[201] = [](spot&, const StyleCall&) { ++state<CardDraws>().count; };
    // The card's ground as the window itself draws it.
    drawedit(current(), nullptr);
    ground = pixel(300, 300);
  }
  // Runs the lines and then a change of card's effects; answers the nanoseconds of the virtual
  // clock they took, and counts the card drawings meanwhile.
  u64 timed(std::string_view lines) {
    state<CardDraws>().count = 0;
    const u64 start = UpTimeNanos();
    if (!lines.empty()) {
      EXPECT_EQ(doline(lines), 0) << lines;
    }
    draweffect(1, nilid);
    return UpTimeNanos() - start;
  }
  // The same with a change of card made by a script line: the nanoseconds it took.
  u64 going(std::string_view effects, std::string_view go) {
    state<CardDraws>().count = 0;
    const u64 start = UpTimeNanos();
    if (!effects.empty()) {
      EXPECT_EQ(doline(effects), 0) << effects;
    }
    EXPECT_EQ(doline(go), 0) << go;
    return UpTimeNanos() - start;
  }
  static int draws() { return state<CardDraws>().count; }
  RGBColor pixel(i16 h, i16 v) {
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    RGBColor c{};
    GetCPixel(h, v, &c);
    return c;
  }
  RGBColor ground{};
};

constexpr u64 kMs = 1000000;

TEST_F(EffectsTest, TheQueueHoldsTenUntilTheMainLoopEmptiesIt) {
  EXPECT_EQ(pusheffect(effectrec{nilhandle, 0, 1}), 1);
  for (int i = 1; i < 10; ++i) ASSERT_EQ(doline("visual dissolve"), 0);
  EXPECT_EQ(pusheffect(effectrec{nilhandle, 0, 1}), 0) << "ten wait";
  EXPECT_EQ(doline("visual dissolve to black"), 0) << "an eleventh is dropped, the command succeeds";
  EXPECT_EQ(effectcount(), 10);
  mainloop(LoopLimits{1, 0});
  EXPECT_EQ(effectcount(), 0) << "one pass of the main loop empties it";
  for (int i = 0; i < 10; ++i) EXPECT_EQ(pusheffect(effectrec{nilhandle, 0, 1}), 1);
}

TEST_F(EffectsTest, CardChangesPlayTheQueueAndEndOnTheCard) {
  // To black first (six frames of 1/240 s), then a plain cut to the card, drawn once.
  EXPECT_GE(timed("visual dissolve to black"), 25 * kMs);
  EXPECT_EQ(draws(), 1);
  EXPECT_EQ(pixel(300, 300), ground) << "the card";
  EXPECT_EQ(effectcount(), 0);

  EXPECT_EQ(timed(""), 0u) << "no effect: a plain cut";
  EXPECT_EQ(draws(), 1);
  EXPECT_EQ(timed("visual nosuchthing to black"), 0u) << "an unknown name: the final copy";
  EXPECT_EQ(draws(), 1);
  EXPECT_GE(timed("visual 1000"), 25 * kMs) << "'tran' 1000 is the program's dissolve";
}

TEST_F(EffectsTest, GoingToACardPlaysTheQueue) {
  // The window is carried to black by the dissolve (looked at between its frames), then the
  // card is cut in, drawn once.
  std::vector<u16> seen;
  setabortcheck([&](u32) {
    seen.push_back(pixel(300, 300).green);
    return i16(0);
  });
  EXPECT_GE(going("visual dissolve to black", "go next"), 25 * kMs);
  setabortcheck({});
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](u16 g) { return g > 0x2000 && g < 0xE000; }))
      << "a frame half way to black";
  EXPECT_EQ(draws(), 1);
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(pixel(300, 300), ground) << "the card";
  EXPECT_EQ(effectcount(), 0);
  EXPECT_EQ(going("", "go prev"), 0u) << "without effects: a plain cut";
  EXPECT_EQ(draws(), 1);
  EXPECT_EQ(going("visual nosuchthing", "go next"), 0u) << "an unknown name: the final copy";
  EXPECT_EQ(draws(), 1);
  // A window that opens shows its first card the same way; the queue was emptied as it began.
  ASSERT_EQ(doline("visual dissolve"), 0);
  closeallwindows();
  ASSERT_EQ(doline("visual dissolve"), 0);
  state<CardDraws>().count = 0;
  const u64 start = UpTimeNanos();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(UpTimeNanos() - start, 0u);
  EXPECT_EQ(draws(), 1);
}

TEST_F(EffectsTest, TheInteriorBesideTheCardIsGrey) {
  backrec b = loadat<backrec>(deref(current().back));
  b.width = 100;
  b.height = 50;
  storeat<backrec>(deref(current().back), b);
  draweffect(1, nilid);
  for (Point p : {Point{10, 150}, Point{80, 10}}) EXPECT_EQ(pixel(p.h, p.v).green >> 8, 40960 >> 8) << p.h;
  EXPECT_EQ(pixel(50, 25).green, 0xFFFF) << "the card's field";
}

TEST_F(EffectsTest, FramesFollowTheSpeedAndTheDelay) {
  EXPECT_EQ(transitionframes(0), 6);
  EXPECT_EQ(transitionframes(6), 42);
  EXPECT_EQ(transitionframes(20000), 65535);
  EXPECT_GE(timed("visual dissolve very slow"), 175 * kMs);
  EXPECT_LT(timed("visual dissolve very slow"), 176 * kMs);

  ASSERT_EQ(doline("set trandelay to 2"), 0);
  const u32 before = TickCount();
  timed("visual dissolve");
  EXPECT_GE(TickCount() - before, 12u) << "six frames of two ticks";

  // The abort key ends a long run between frames.
  ASSERT_EQ(doline("set trandelay to 0"), 0);
  int checks = 0;
  setabortcheck([&](u32) { return i16(++checks == 3 ? 48 : 0); });
  EXPECT_LT(timed("visual dissolve for 20000 ticks"), 13 * kMs) << "three frames";
}

TEST(DissolveTest, TheMiddleFrameIsTheMeanOfTheTwoImages) {
  u32 a[4] = {0x000000, 0xFFFFFF, 0x204060, 0x102030}, b[4] = {0xFFFFFF, 0x000000, 0x6080A0, 0x102031}, out[4];
  const PixelsView va{a, 4, 1, 4}, vb{b, 4, 1, 4}, vo{out, 4, 1, 4};
  ASSERT_TRUE(transitionframe(fourcc("dslv"), {}, va, vb, vo, 3, 6));
  for (int i = 0; i < 4; ++i)
    for (int s = 0; s < 24; s += 8) {
      const int mean = (int((a[i] >> s) & 0xFF) + int((b[i] >> s) & 0xFF)) / 2;
      EXPECT_NEAR(int((out[i] >> s) & 0xFF), mean, 1) << i;
    }
  EXPECT_FALSE(transitionframe(fourcc("zzzz"), {}, va, vb, vo, 3, 6));
}

// Frames of a transition between a black image and a white one of 16 x 8, as white flags.
struct Images {
  std::vector<u32> a = std::vector<u32>(128, 0), b = std::vector<u32>(128, 0xFFFFFF),
                   out = std::vector<u32>(128, 0x123456);
  std::vector<bool> frame(OSType kind, const AtomList& params, i32 n, i32 count = 6) {
    EXPECT_TRUE(
        transitionframe(kind, params, {a.data(), 16, 8, 16}, {b.data(), 16, 8, 16}, {out.data(), 16, 8, 16}, n, count));
    std::vector<bool> white;
    for (u32 p : out) white.push_back((p & 0xFF) > 0x80);
    return white;
  }
};

TEST(TransitionTest, EveryKindRunsFromTheOldImageToTheNewInAnyOrder) {
  Images im;
  const std::vector<bool> black(128, false), white(128, true);
  for (const OSType kind :
       {fourcc("dslv"), fourcc("wipe"), fourcc("push"), fourcc("slid"), fourcc("iris"), fourcc("barn"), fourcc("zoom"),
        fourcc("vnbl"), fourcc("chkr"), fourcc("shrk"), fourcc("strc")}) {
    const std::string k{char(kind >> 24), char(kind >> 16), char(kind >> 8), char(kind)};
    std::vector<std::vector<bool>> frames;
    for (i32 n = 0; n <= 6; ++n) frames.push_back(im.frame(kind, {}, n));
    EXPECT_EQ(frames[0], black) << k;
    EXPECT_EQ(frames[6], white) << k;
    // Again, out of order: the same frames (the filter graph starts over).
    for (i32 n : {4, 2, 2, 5, 0, 3}) EXPECT_EQ(im.frame(kind, {}, n), frames[std::size_t(n)]) << k << " " << n;
    transitiondone();
  }
  EXPECT_TRUE(cuttransition(fourcc("cut ")));
  EXPECT_FALSE(knowntransition(fourcc("iriz")));
}

TEST(TransitionTest, DirectionAndSettingsComeFromTheAtoms) {
  Images im;
  auto white = [&](const std::vector<bool>& f, int x, int y) { return bool(f[std::size_t(y * 16 + x)]); };
  const std::vector<bool> left = im.frame(fourcc("slid"), {}, 3);
  EXPECT_TRUE(white(left, 15, 4) && !white(left, 0, 4)) << "moving left by default";
  const std::vector<bool> right = im.frame(fourcc("slid"), {atomof(fourcc("dirn"), 1, dirright)}, 3);
  EXPECT_TRUE(white(right, 0, 4) && !white(right, 15, 4));
  EXPECT_EQ(im.frame(fourcc("slid"), {atomof(fourcc("dirn"), 1, 99)}, 3), left) << "a direction out of range";
  // Two bands of four rows, each half filled from its top.
  const std::vector<bool> blinds = im.frame(fourcc("vnbl"), {atomof(fourcc("bnds"), 1, 2)}, 3);
  for (int y = 0; y < 8; ++y) EXPECT_EQ(white(blinds, 7, y), y % 4 < 2) << y;
  transitiondone();
}

// Every effect name the program has, played from a black card to a white one (a plain window of
// 400 x 300) at the fastest speed: six frames, the frames between looked at as they are shown.
class NamedEffectsTest : public CardWorldTest {
 protected:
  static constexpr i16 kW = 400, kH = 300, kStep = 10;
  NamedEffectsTest() : CardWorldTest(Rect{0, 0, kH, kW}) {}
  void SetUp() override {
    CardWorldTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.name = "Effects";
    w.style = 4;
    w.rect = Rect{100, 100, i16(100 + kH), i16(100 + kW)};
    w.backgrounds = {testproject::Background{"Plain", "", {}}};
    w.cards = {testproject::Card{}, testproject::Card{}};
    w.cards[0].objects = {testproject::paint(Rect{0, 0, kH, kW}, 255)};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  // The green of each point of a grid over the card (every 10 pixels from 5, 5), 0-255.
  using Frame = std::vector<u8>;
  Frame frame() {
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    Frame f;
    for (i16 y = kStep / 2; y < kH; y += kStep)
      for (i16 x = kStep / 2; x < kW; x += kStep) {
        RGBColor c{};
        GetCPixel(x, y, &c);
        EXPECT_TRUE(c.red == c.green && c.green == c.blue) << "black, white or a grey";
        f.push_back(u8(c.green >> 8));
      }
    return f;
  }
  static bool white(const Frame& f, double fx, double fy) {
    const int cols = kW / kStep;
    return f[std::size_t(int(fy * kH / kStep) * cols + int(fx * kW / kStep))] > 0x80;
  }
  // The colour changes met along a row (fy) or a column (fx) of the grid.
  static int changes(const Frame& f, double fx, double fy, bool across) {
    int n = 0;
    const int count = across ? kW / kStep : kH / kStep;
    for (int i = 1; i < count; ++i) {
      const double a = (i - 1 + 0.5) / count, b = (i + 0.5) / count;
      n += across ? white(f, a, fy) != white(f, b, fy) : white(f, fx, a) != white(f, fx, b);
    }
    return n;
  }
  // Goes to card 1 by a cut, then to card 2 through the effect: the frames shown between.
  std::vector<Frame> play(const std::string& name, u64* took) {
    EXPECT_EQ(doline("go card 1"), 0);
    std::vector<Frame> frames;
    setabortcheck([&](u32) {
      if (effectplaying()) frames.push_back(frame());
      return i16(0);
    });
    const u64 start = UpTimeNanos();
    EXPECT_EQ(doline("visual effect \"" + name + "\" very fast\rgo card 2"), 0) << name;
    *took = UpTimeNanos() - start;
    setabortcheck({});
    return frames;
  }
};

TEST_F(NamedEffectsTest, EachNameShowsItsShapeAndEndsOnTheNewCard) {
  using Check = std::function<bool(const Frame&)>;
  auto split = [](double bx, double by, double wx, double wy) {
    return Check([=](const Frame& f) { return !white(f, bx, by) && white(f, wx, wy); });
  };
  // White growing from the right edge is what "left" moves show on uniform cards.
  const Check left = split(0.1, 0.5, 0.9, 0.5), right = split(0.9, 0.5, 0.1, 0.5), up = split(0.5, 0.1, 0.5, 0.9),
              down = split(0.5, 0.9, 0.5, 0.1);
  const Check centrewhite = [](const Frame& f) {
    return white(f, 0.5, 0.5) && !white(f, 0.02, 0.02) && !white(f, 0.98, 0.98) && !white(f, 0.02, 0.98);
  };
  const Check centreblack = [](const Frame& f) {
    return !white(f, 0.5, 0.5) && white(f, 0.02, 0.02) && white(f, 0.98, 0.98) && white(f, 0.98, 0.02);
  };
  const Check grey = [](const Frame& f) {
    return std::all_of(f.begin(), f.end(), [&](u8 g) { return g == f[0] && g > 0x20 && g < 0xE0; });
  };
  const struct {
    const char* name;
    Check mid;
  } rows[] = {
      {"dissolve", grey},
      {"cross fade", grey},
      {"wipe left", left},
      {"wipe right", right},
      {"wipe up", up},
      {"wipe down", down},
      {"scroll left", left},
      {"scroll right", right},
      {"scroll up", up},
      {"scroll down", down},
      {"push left", left},
      {"push right", right},
      {"push up", up},
      {"push down", down},
      {"push", left},
      {"slide left", left},
      {"slide right", right},
      {"slide up", up},
      {"slide down", down},
      {"slide", left},
      {"iris open", centrewhite},
      {"iris close", centreblack},
      {"zoom open", centrewhite},
      {"zoom out", centrewhite},
      {"zoom close", centreblack},
      {"zoom in", centreblack},
      {"barn door open",
       [](const Frame& f) {
         return white(f, 0.5, 0.05) && white(f, 0.5, 0.95) && !white(f, 0.05, 0.5) && !white(f, 0.95, 0.5);
       }},
      {"barn door close",
       [](const Frame& f) {
         return !white(f, 0.5, 0.05) && !white(f, 0.5, 0.95) && white(f, 0.05, 0.5) && white(f, 0.95, 0.5);
       }},
      {"venetian blinds",
       [](const Frame& f) { return changes(f, 0.5, 0, false) >= 12 && changes(f, 0, 0.37, true) == 0; }},
      {"checkerboard",
       [](const Frame& f) { return changes(f, 0, 0.03, true) == 7 && changes(f, 0.03, 0, false) == 5; }},
      {"shrink to top", split(0.5, 0.1, 0.5, 0.9)},
      {"shrink to bottom", split(0.5, 0.9, 0.5, 0.1)},
      {"shrink to center",
       [](const Frame& f) { return !white(f, 0.5, 0.5) && white(f, 0.5, 0.05) && white(f, 0.5, 0.95); }},
      {"stretch from top", split(0.5, 0.9, 0.5, 0.1)},
      {"stretch from bottom", split(0.5, 0.1, 0.5, 0.9)},
      {"stretch from center",
       [](const Frame& f) { return white(f, 0.5, 0.5) && !white(f, 0.5, 0.05) && !white(f, 0.5, 0.95); }},
  };
  ASSERT_EQ(doline("go card 2"), 0);
  const Frame card = frame();
  ASSERT_EQ(card, Frame(card.size(), 0xFF)) << "the new card is white";
  const Frame old(card.size(), 0);
  for (const auto& r : rows) {
    u64 took = 0;
    const std::vector<Frame> frames = play(r.name, &took);
    ASSERT_EQ(frames.size(), 5u) << r.name << ": six frames, looked at between them";
    EXPECT_GE(took, 25 * kMs) << r.name;
    EXPECT_TRUE(r.mid(frames[2])) << r.name << ": the middle frame";
    for (const Frame& f : frames) {
      EXPECT_NE(f, card) << r.name << ": a frame between is not the new card";
      EXPECT_NE(f, old) << r.name << ": nor the old one";
    }
    EXPECT_EQ(frame(), card) << r.name << ": the last frame is the new card";
    EXPECT_EQ(current().cardnum, 2u);
  }
  // A cut, and a name no resource has, show the new card at once.
  for (const char* name : {"plain", "cut", "no such effect"}) {
    u64 took = 0;
    EXPECT_TRUE(play(name, &took).empty()) << name;
    EXPECT_EQ(took, 0u) << name;
    EXPECT_EQ(frame(), card) << name;
  }
}

}  // namespace
}  // namespace kv
