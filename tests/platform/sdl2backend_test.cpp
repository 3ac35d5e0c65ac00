// The SDL2 backend on SDL's display-less video driver: what keys, text, buttons, the wheel,
// window events and quitting become, how frames reach the window (changed rectangles, a frame
// of another size, exposure, a resized window) and the clipboard's text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/backend/sdl2.h"
#include "platform/events/eventrecord.h"
#include "tests/support/fixture.h"
#include "tests/support/sdldummy.h"

namespace kv {
namespace {

class SDL2BackendTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    drivers_ = std::make_unique<DummySDLDrivers>();
    ScreenInfo s;
    s.bounds = Rect{0, 0, 240, 320};
    std::string why;
    b_ = opensdl2backend(s, &why);
    if (!b_) GTEST_SKIP() << "SDL could not start: " << why;
    drain();
  }
  void TearDown() override {
    b_.reset();
    drivers_.reset();
    RuntimeTest::TearDown();
  }
  std::vector<InputEvent> drain() {
    std::vector<InputEvent> out;
    InputEvent in;
    while (b_->takeinput(in)) out.push_back(in);
    return out;
  }
  // The inputs that are key presses (down or auto-key).
  std::vector<InputEvent> presses() {
    std::vector<InputEvent> out;
    for (const InputEvent& in : drain())
      if (in.kind == InputKind::keydown || in.kind == InputKind::autokey) out.push_back(in);
    return out;
  }
  Frame frame(i16 w, i16 h, u32 colour) {
    Frame f;
    f.width = w;
    f.height = h;
    f.pixels.assign(std::size_t(w) * std::size_t(h), colour);
    return f;
  }
  static u32 at(const Frame& f, int x, int y) {
    return f.pixels[std::size_t(y) * std::size_t(f.width) + std::size_t(x)];
  }

  std::unique_ptr<DummySDLDrivers> drivers_;
  std::unique_ptr<Backend> b_;
};

TEST_F(SDL2BackendTest, KeysGiveClassicCodesCharactersAndModifiers) {
  ASSERT_TRUE(sdl2pushkey(true, "F5", 0));
  ASSERT_TRUE(sdl2pushkey(false, "F5", 0));
  auto got = drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].kind, InputKind::keydown);
  EXPECT_EQ(got[0].keycode, 0x60);
  EXPECT_EQ(got[0].charcode, 16) << "a function key's character";
  EXPECT_EQ(got[1].kind, InputKind::keyup);

  const std::pair<const char*, u8> far[] = {{"F13", 105}, {"F14", 107}, {"F15", 113}};
  for (const auto& [name, code] : far) {
    ASSERT_TRUE(sdl2pushkey(true, name, 0));
    auto keys = presses();
    ASSERT_EQ(keys.size(), 1u) << name;
    EXPECT_EQ(keys[0].keycode, code) << name;
  }

  ASSERT_TRUE(sdl2pushkey(true, "Return", 0));
  auto ret = presses();
  ASSERT_EQ(ret.size(), 1u);
  EXPECT_EQ(ret[0].keycode, 36);
  EXPECT_EQ(ret[0].charcode, 13);

  // Ctrl is the command key, Super the control key.
  ASSERT_TRUE(sdl2pushkey(true, "Q", sdl2ctrl));
  auto q = presses();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].charcode, 'q');
  EXPECT_EQ(q[0].modifiers & (cmdKey | controlKey), cmdKey);
  ASSERT_TRUE(sdl2pushkey(true, "A", sdl2super));
  auto a = presses();
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].keycode, 0x00);
  EXPECT_EQ(a[0].charcode, 1) << "control-A is character 1";
  EXPECT_EQ(a[0].modifiers & (cmdKey | controlKey), controlKey);
  ASSERT_TRUE(sdl2pushkey(true, "Left Alt", sdl2alt));
  auto alt = drain();
  ASSERT_EQ(alt.size(), 1u);
  EXPECT_EQ(alt[0].kind, InputKind::modifiers);
  EXPECT_EQ(alt[0].modifiers & (optionKey | cmdKey | controlKey | shiftKey), optionKey);
}

TEST_F(SDL2BackendTest, ATypedKeyIsOneKeyDownWithTheTextsMacRomanCharacter) {
  // SDL reports the key and then its text: one key-down, carrying the key's code.
  ASSERT_TRUE(sdl2pushkey(true, "E", 0));
  ASSERT_TRUE(sdl2pushtext("\xC3\xA9"));  // é
  auto e = presses();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, InputKind::keydown);
  EXPECT_EQ(e[0].keycode, 0x0E);
  EXPECT_EQ(e[0].charcode, 0x8E);

  // A character Mac Roman cannot hold gives nothing (no '?').
  ASSERT_TRUE(sdl2pushkey(true, "L", 0));
  ASSERT_TRUE(sdl2pushtext("\xC5\x82"));  // ł
  EXPECT_TRUE(presses().empty());

  // A held key's repeats are auto-keys.
  ASSERT_TRUE(sdl2pushkey(true, "A", 0));
  ASSERT_TRUE(sdl2pushtext("a"));
  ASSERT_TRUE(sdl2pushkey(true, "A", 0, true));
  ASSERT_TRUE(sdl2pushtext("a"));
  auto held = presses();
  ASSERT_EQ(held.size(), 2u);
  EXPECT_EQ(held[0].kind, InputKind::keydown);
  EXPECT_EQ(held[1].kind, InputKind::autokey);
  EXPECT_EQ(held[1].charcode, 'a');
}

// An input method's composition reaches the inline-input layer with its cursor, and the text
// that ends it is committed whole; outside a composition, text is typed as keys again.
TEST_F(SDL2BackendTest, CompositionsAreComposedAndCommittedWhole) {
  ASSERT_TRUE(sdl2pushcomposition("", 0));
  EXPECT_TRUE(drain().empty()) << "an empty edit outside a composition";
  ASSERT_TRUE(sdl2pushcomposition("\xE3\x81\x8B", 1));
  ASSERT_TRUE(sdl2pushtext("\xE3\x81\x8B\xE3\x81\x82"));
  ASSERT_TRUE(sdl2pushtext("a"));
  auto in = drain();
  ASSERT_EQ(in.size(), 3u);
  EXPECT_EQ(in[0].kind, InputKind::textcompose);
  EXPECT_EQ(in[0].cursor, 1);
  EXPECT_EQ(in[1].kind, InputKind::textcommit);
  EXPECT_EQ(in[1].text, "\xE3\x81\x8B\xE3\x81\x82");
  EXPECT_EQ(in[2].kind, InputKind::keydown);
  EXPECT_EQ(in[2].charcode, 'a');
}

// Asked for the input method's window, the backend drops the composition it was following: the
// text that comes next is typed.
TEST_F(SDL2BackendTest, TheInputMethodsOwnWindowIsAskedFor) {
  ASSERT_TRUE(sdl2pushcomposition("\xE3\x81\x8B", 1));
  ASSERT_EQ(drain().size(), 1u);
  b_->useinputwindow(true);
  EXPECT_TRUE(sdl2inputwindowasked());
  ASSERT_TRUE(sdl2pushtext("ab"));
  auto in = presses();
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(in[1].charcode, 'b');
  b_->useinputwindow(false);
  EXPECT_FALSE(sdl2inputwindowasked());
}

TEST_F(SDL2BackendTest, ButtonsWheelFocusAndQuit) {
  ASSERT_TRUE(sdl2pushbutton(*b_, true, 3, 30, 40));
  ASSERT_TRUE(sdl2pushbutton(*b_, false, 3, 30, 40));
  auto right = drain();
  ASSERT_EQ(right.size(), 2u);
  EXPECT_EQ(right[0].kind, InputKind::mousedown);
  EXPECT_EQ(right[0].where, (Point{40, 30}));
  EXPECT_TRUE(right[0].modifiers & controlKey) << "the right button is a control-click";

  ASSERT_TRUE(sdl2pushwheel(*b_, 0, 2, false));
  ASSERT_TRUE(sdl2pushwheel(*b_, 0, 2, true));
  ASSERT_TRUE(sdl2pushwheel(*b_, 3, 0, false));
  auto wheel = drain();
  ASSERT_EQ(wheel.size(), 3u);
  EXPECT_EQ(wheel[0].wheelaxis, 1) << "vertical";
  EXPECT_EQ(wheel[2].wheelaxis, 0) << "horizontal";
  EXPECT_EQ(wheel[1].wheeldelta, -wheel[0].wheeldelta) << "a flipped wheel counts the other way";
  EXPECT_NE(wheel[0].wheeldelta, 0);

  ASSERT_TRUE(sdl2pushwindowevent(*b_, SDL2WindowEvent::focuslost));
  ASSERT_TRUE(sdl2pushwindowevent(*b_, SDL2WindowEvent::focusgained));
  ASSERT_TRUE(sdl2pushquit());
  auto rest = drain();
  std::vector<InputKind> kinds;
  for (const InputEvent& in : rest) kinds.push_back(in.kind);
  EXPECT_EQ(kinds, (std::vector<InputKind>{InputKind::focusout, InputKind::focusin, InputKind::quit}));
}

TEST_F(SDL2BackendTest, FramesReachTheWindowWholeOrByTheirChangedRectangles) {
  Frame f = frame(320, 240, 0x336699);
  b_->present(f, {Rect{0, 0, 240, 320}});
  Frame shown;
  ASSERT_TRUE(sdl2readback(*b_, &shown));
  ASSERT_EQ(shown.width, 320);
  ASSERT_EQ(shown.height, 240);
  EXPECT_EQ(at(shown, 0, 0), 0x336699u);
  EXPECT_EQ(at(shown, 319, 239), 0x336699u);

  // Only the changed rectangle is uploaded; the rest of the window keeps what it showed.
  for (i32 y = 10; y < 30; ++y)
    for (i32 x = 20; x < 60; ++x) f.pixels[std::size_t(y) * 320 + std::size_t(x)] = 0xFF0000;
  f.pixels[0] = 0x00FF00;  // changed, but outside the rectangle named
  b_->present(f, {Rect{10, 20, 30, 60}});
  const SDL2Counters* c = sdl2counters(*b_);
  ASSERT_NE(c, nullptr);
  ASSERT_FALSE(c->uploaded.empty());
  EXPECT_EQ(c->uploaded.back(), (Rect{10, 20, 30, 60}));
  ASSERT_TRUE(sdl2readback(*b_, &shown));
  EXPECT_EQ(at(shown, 20, 10), 0xFF0000u);
  EXPECT_EQ(at(shown, 59, 29), 0xFF0000u);
  EXPECT_EQ(at(shown, 60, 29), 0x336699u);
  EXPECT_EQ(at(shown, 0, 0), 0x336699u) << "what was not named changed is not uploaded";

  // Exposure shows the kept frame again without a new one.
  const u32 presents = c->presents, represents = c->represents;
  ASSERT_TRUE(sdl2pushwindowevent(*b_, SDL2WindowEvent::exposed));
  drain();
  EXPECT_EQ(c->presents, presents);
  EXPECT_EQ(c->represents, represents + 1);

  // A frame of another size (the screen changed) is shown whole, scaled to the window, and not
  // dropped.
  Frame small = frame(160, 120, 0x000000);
  for (i32 y = 0; y < 120; ++y)
    for (i32 x = 80; x < 160; ++x) small.pixels[std::size_t(y) * 160 + std::size_t(x)] = 0xFFFFFF;
  b_->present(small, {Rect{0, 0, 10, 10}});
  ASSERT_TRUE(sdl2readback(*b_, &shown));
  ASSERT_EQ(shown.width, 320);
  EXPECT_EQ(at(shown, 10, 100), 0x000000u);
  EXPECT_EQ(at(shown, 300, 100), 0xFFFFFFu);
  EXPECT_EQ(c->uploaded.back(), (Rect{0, 0, 120, 160})) << "the new texture is filled whole";
}

TEST_F(SDL2BackendTest, AResizedWindowShowsTheScreenScaledWithItsAspectAndMapsTheMouseBack) {
  Frame f = frame(320, 240, 0x0000FF);
  b_->present(f, {Rect{0, 0, 240, 320}});
  sdl2resize(*b_, 400, 200);
  drain();
  Frame shown;
  ASSERT_TRUE(sdl2readback(*b_, &shown));
  if (shown.width != 400) GTEST_SKIP() << "the dummy driver kept the window's size";
  ASSERT_EQ(shown.height, 200);
  // 320 x 240 into 400 x 200 keeps its aspect at 266 x 200: bars on both sides.
  EXPECT_EQ(at(shown, 200, 100), 0x0000FFu);
  EXPECT_EQ(at(shown, 2, 100), 0x000000u);
  EXPECT_EQ(at(shown, 397, 100), 0x000000u);
  // A click in the middle of the window is the middle of the screen.
  ASSERT_TRUE(sdl2pushbutton(*b_, true, 1, 200, 100));
  auto got = drain();
  ASSERT_FALSE(got.empty());
  EXPECT_NEAR(got.back().where.h, 160, 1);
  EXPECT_NEAR(got.back().where.v, 120, 1);
}

TEST_F(SDL2BackendTest, TheClipboardsTextCrossesAsUtf8) {
  const std::string macroman = "caf\x8E";
  b_->setclipboard({ClipFlavor{fourcc("TEXT"), std::vector<u8>(macroman.begin(), macroman.end())}});
  EXPECT_EQ(sdl2clipboardtext(), "caf\xC3\xA9");
  const u32 changes = b_->clipboardchangecount();
  sdl2setclipboardtext("\xC3\xA9t\xC3\xA9");
  auto flavors = b_->clipboard();
  ASSERT_FALSE(flavors.empty());
  EXPECT_EQ(flavors[0].type, fourcc("TEXT"));
  EXPECT_EQ(flavors[0].bytes, (std::vector<u8>{0x8E, 't', 0x8E}));
  EXPECT_EQ(b_->clipboardchangecount(), changes + 1) << "another program changed it";
}

// Returns cross as line feeds; line feeds and return-line feed pairs another program puts come
// back as returns, each change taken once; a clipboard without text empties the desktop's.
TEST_F(SDL2BackendTest, DesktopTextLinesAndAClipboardWithoutText) {
  b_->setclipboard({ClipFlavor{fourcc("TEXT"), {'a', 13, 'b'}}});
  EXPECT_EQ(sdl2clipboardtext(), "a\nb");
  u32 changes = b_->clipboardchangecount();
  for (const auto& [desktop, inside] :
       {std::pair<std::string, std::vector<u8>>{"x\r\ny", {'x', 13, 'y'}}, {"\xC3\xA9", {0x8E}}}) {
    sdl2setclipboardtext(desktop);
    const auto flavors = b_->clipboard();
    ASSERT_EQ(flavors.size(), 1u);
    EXPECT_EQ(flavors[0].bytes, inside);
    EXPECT_EQ(b_->clipboardchangecount(), changes + 1) << "taken over once";
    b_->clipboard();
    EXPECT_EQ(b_->clipboardchangecount(), changes + 1);
    changes = b_->clipboardchangecount();
  }
  // Objects go out as a picture alone: the desktop's text is emptied, the picture kept inside.
  b_->setclipboard({ClipFlavor{fourcc("PICT"), {0, 10, 0, 0, 0, 0, 0, 5, 0, 5}}});
  EXPECT_EQ(sdl2clipboardtext(), "");
  const auto kept = b_->clipboard();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].type, fourcc("PICT"));
  EXPECT_EQ(b_->clipboardchangecount(), changes);
}

// The beep is a tone queued on the audio output; with no output it is the terminal's bell.
TEST_F(SDL2BackendTest, TheBeepIsQueuedOnTheAudioOutputOrRingsTheBell) {
  testing::internal::CaptureStderr();
  b_->beep();
  const u32 one = sdl2queuedbeep(*b_);
  b_->beep();
  const u32 two = sdl2queuedbeep(*b_);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_GT(one, 0u);
  EXPECT_GT(two, one) << "a second beep follows the first";

  b_.reset();
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ScreenInfo s;
  s.bounds = Rect{0, 0, 240, 320};
  std::string why;
  b_ = opensdl2backend(s, &why);
  ASSERT_NE(b_, nullptr) << why;
  testing::internal::CaptureStderr();
  b_->beep();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\a");
  EXPECT_EQ(sdl2queuedbeep(*b_), 0u);
}

}  // namespace
}  // namespace kv
