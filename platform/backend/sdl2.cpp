#include "platform/backend/sdl2.h"

#include <SDL.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <numbers>
#include <string_view>

#include "platform/backend/headless.h"
#include "platform/events/eventrecord.h"
#include "platform/events/keycodes.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

// The modifier keys, in one table for the modifier bits and the keys' own codes. Ctrl is the
// command key (Ctrl+Q, Ctrl+C and Ctrl+V are what Linux users press), Super the control key.
struct ModifierKey {
  u16 sdl;  // SDL_Keymod bits
  SDL_Scancode left, right;
  u16 bit;  // the classic modifier bit
  u8 code;  // the classic virtual key code
};
constexpr ModifierKey kModifierKeys[] = {
    {KMOD_CTRL, SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL, cmdKey, kVKCommand},
    {KMOD_GUI, SDL_SCANCODE_LGUI, SDL_SCANCODE_RGUI, controlKey, kVKControl},
    {KMOD_ALT, SDL_SCANCODE_LALT, SDL_SCANCODE_RALT, optionKey, kVKOption},
    {KMOD_SHIFT, SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT, shiftKey, kVKShift},
};

// SDL scancodes to classic virtual key codes (0xFF: none).
u8 keycodeof(SDL_Scancode sc) {
  for (const ModifierKey& m : kModifierKeys)
    if (sc == m.left || sc == m.right) return m.code;
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) {
    static constexpr u8 letters[26] = {0x00, 0x0B, 0x08, 0x02, 0x0E, 0x03, 0x05, 0x04, 0x22, 0x26, 0x28, 0x25, 0x2E,
                                       0x2D, 0x1F, 0x23, 0x0C, 0x0F, 0x01, 0x11, 0x20, 0x09, 0x0D, 0x07, 0x10, 0x06};
    return letters[sc - SDL_SCANCODE_A];
  }
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_0) {
    static constexpr u8 digits[10] = {0x12, 0x13, 0x14, 0x15, 0x17, 0x16, 0x1A, 0x1C, 0x19, 0x1D};
    return digits[sc - SDL_SCANCODE_1];
  }
  switch (sc) {
    case SDL_SCANCODE_RETURN: return kVKReturn;
    case SDL_SCANCODE_ESCAPE: return kVKEscape;
    case SDL_SCANCODE_BACKSPACE: return kVKDelete;
    case SDL_SCANCODE_TAB: return kVKTab;
    case SDL_SCANCODE_SPACE: return kVKSpace;
    case SDL_SCANCODE_MINUS: return 0x1B;
    case SDL_SCANCODE_EQUALS: return 0x18;
    case SDL_SCANCODE_LEFTBRACKET: return 0x21;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1E;
    case SDL_SCANCODE_BACKSLASH: return 0x2A;
    case SDL_SCANCODE_SEMICOLON: return 0x29;
    case SDL_SCANCODE_APOSTROPHE: return 0x27;
    case SDL_SCANCODE_GRAVE: return 0x32;
    case SDL_SCANCODE_COMMA: return 0x2B;
    case SDL_SCANCODE_PERIOD: return 0x2F;
    case SDL_SCANCODE_SLASH: return 0x2C;
    case SDL_SCANCODE_CAPSLOCK: return kVKCapsLock;
    case SDL_SCANCODE_F1: return 0x7A;
    case SDL_SCANCODE_F2: return 0x78;
    case SDL_SCANCODE_F3: return 0x63;
    case SDL_SCANCODE_F4: return 0x76;
    case SDL_SCANCODE_F5: return 0x60;
    case SDL_SCANCODE_F6: return 0x61;
    case SDL_SCANCODE_F7: return 0x62;
    case SDL_SCANCODE_F8: return 0x64;
    case SDL_SCANCODE_F9: return 0x65;
    case SDL_SCANCODE_F10: return 0x6D;
    case SDL_SCANCODE_F11: return 0x67;
    case SDL_SCANCODE_F12: return 0x6F;
    case SDL_SCANCODE_F13: return 0x69;
    case SDL_SCANCODE_F14: return 0x6B;
    case SDL_SCANCODE_F15: return 0x71;
    case SDL_SCANCODE_INSERT: return kVKHelp;
    case SDL_SCANCODE_HOME: return kVKHome;
    case SDL_SCANCODE_PAGEUP: return kVKPageUp;
    case SDL_SCANCODE_DELETE: return kVKForwardDelete;
    case SDL_SCANCODE_END: return kVKEnd;
    case SDL_SCANCODE_PAGEDOWN: return kVKPageDown;
    case SDL_SCANCODE_LEFT: return kVKLeftArrow;
    case SDL_SCANCODE_RIGHT: return kVKRightArrow;
    case SDL_SCANCODE_DOWN: return kVKDownArrow;
    case SDL_SCANCODE_UP: return kVKUpArrow;
    case SDL_SCANCODE_KP_ENTER: return kVKKeypadEnter;
    case SDL_SCANCODE_KP_PERIOD: return 0x41;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x43;
    case SDL_SCANCODE_KP_PLUS: return 0x45;
    case SDL_SCANCODE_KP_DIVIDE: return 0x4B;
    case SDL_SCANCODE_KP_MINUS: return 0x4E;
    case SDL_SCANCODE_KP_EQUALS: return 0x51;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_KP_1: return 0x53;
    case SDL_SCANCODE_KP_2: return 0x54;
    case SDL_SCANCODE_KP_3: return 0x55;
    case SDL_SCANCODE_KP_4: return 0x56;
    case SDL_SCANCODE_KP_5: return 0x57;
    case SDL_SCANCODE_KP_6: return 0x58;
    case SDL_SCANCODE_KP_7: return 0x59;
    case SDL_SCANCODE_KP_8: return 0x5B;
    case SDL_SCANCODE_KP_9: return 0x5C;
    default: return 0xFF;
  }
}

u16 modifiersof(u16 m) {
  u16 mods = 0;
  for (const ModifierKey& k : kModifierKeys)
    if (m & k.sdl) mods |= k.bit;
  if (m & KMOD_CAPS) mods |= alphaLock;
  return mods;
}

// The Mac Roman characters of a UTF-8 text; characters Mac Roman cannot hold give nothing.
std::string typedmacroman(const char* utf8) {
  std::string out;
  std::string_view text(utf8);
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = 1;
    const u8 lead = u8(text[i]);
    if (lead >= 0xF0) n = 4;
    else if (lead >= 0xE0) n = 3;
    else if (lead >= 0xC0) n = 2;
    n = std::min(n, text.size() - i);
    bool lossy = false;
    std::string one = utf8tomacroman(text.substr(i, n), '?', &lossy);
    if (!lossy) out += one;
    i += n;
  }
  return out;
}

bool ismodifierkey(u8 code) {
  return code == kVKCommand || code == kVKShift || code == kVKOption || code == kVKControl || code == kVKCapsLock;
}

class SDL2Backend final : public Backend {
 public:
  SDL2Backend(SDL_Window* w, SDL_Renderer* r, SDL_Texture* t, const ScreenInfo& s)
      : window_(w), renderer_(r), texture_(t), screen_(s), start_(SDL_GetTicks64()) {
    texturewidth_ = s.bounds.right - s.bounds.left;
    textureheight_ = s.bounds.bottom - s.bounds.top;
    SDL_StartTextInput();
  }
  ~SDL2Backend() override {
    if (beepdevice_ != 0) {
      SDL_CloseAudioDevice(beepdevice_);
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (cursor_) SDL_FreeCursor(cursor_);
    if (texture_) SDL_DestroyTexture(texture_);
    SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();  // frees what SDL keeps between uses
  }

  bool headless() const override { return false; }
  std::vector<ScreenInfo> screens() const override { return {screen_}; }
  bool setscreendepth(std::size_t screen, i16 depth) override {
    if (screen != 0 || (depth != 1 && depth != 8 && depth != 16 && depth != 32)) return false;
    screen_.depth = depth;
    return true;
  }
  u32 ticks() const override { return kHeadlessStartTicks + u32((SDL_GetTicks64() - start_) * 60 / 1000); }

  bool takeinput(InputEvent& out) override {
    pump();
    if (pending_.empty()) return false;
    out = std::move(pending_.front());
    pending_.pop_front();
    return true;
  }

  void waituntil(u32 deadline) override {
    for (;;) {
      pump();
      if (!pending_.empty()) return;
      i32 left = i32(deadline - ticks());
      if (left <= 0) return;
      SDL_Event ev;
      ++counters_.waits;
      if (SDL_WaitEventTimeout(&ev, std::max(1, left * 1000 / 60))) translate(ev);
    }
  }

  u64 uptimenanos() const override {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return u64(t.tv_sec) * 1000000000ull + u64(t.tv_nsec);
  }

  void sleepuntilnanos(u64 deadline) override {
    const timespec t{time_t(deadline / 1000000000ull), long(deadline % 1000000000ull)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
  }

  void pollidle() override { pump(); }

  void statementsrun(u32 count) override {
    statements_ += count;
    if (statements_ >= 10000) {  // keep the window answering during long scripts
      statements_ = 0;
      pump();
    }
  }

  bool inputpending() const override { return true; }

  // Uploads the changed rectangles of the frame into the texture and shows it. A frame of
  // another size (the screen's size or depth changed) makes the texture anew, whole.
  void present(const Frame& frame, const std::vector<Rect>& changed) override {
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.pixels.size() < std::size_t(frame.width) * std::size_t(frame.height))
      return;
    bool whole = changed.empty();
    if (!texture_ || frame.width != texturewidth_ || frame.height != textureheight_) {
      SDL_Texture* t = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, frame.width,
                                         frame.height);
      if (!t) return;  // the old texture (if any) keeps showing the last frame it had
      if (texture_) SDL_DestroyTexture(texture_);
      texture_ = t;
      texturewidth_ = frame.width;
      textureheight_ = frame.height;
      SDL_RenderSetLogicalSize(renderer_, frame.width, frame.height);
      whole = true;
    }
    const int pitch = frame.width * 4;
    if (whole) {
      SDL_UpdateTexture(texture_, nullptr, frame.pixels.data(), pitch);
      counters_.uploaded.push_back(Rect{0, 0, frame.height, frame.width});
    } else {
      // The rectangles are global; the frame's pixel (0, 0) is the screen's top-left.
      const i32 top = screen_.bounds.top, left = screen_.bounds.left;
      for (const Rect& g : changed) {
        const i32 t = std::max<i32>(g.top - top, 0), l = std::max<i32>(g.left - left, 0);
        const i32 b = std::min<i32>(g.bottom - top, frame.height), r = std::min<i32>(g.right - left, frame.width);
        if (t >= b || l >= r) continue;
        const SDL_Rect area{l, t, r - l, b - t};
        SDL_UpdateTexture(texture_, &area,
                          frame.pixels.data() + std::size_t(t) * std::size_t(frame.width) + std::size_t(l), pitch);
        counters_.uploaded.push_back(Rect{i16(t), i16(l), i16(b), i16(r)});
      }
    }
    while (counters_.uploaded.size() > 64) counters_.uploaded.erase(counters_.uploaded.begin());
    ++counters_.presents;
    show();
  }

  void setcursor(const CursorImage& c) override {
    u8 data[32], mask[32];
    for (int i = 0; i < 16; ++i) {
      data[2 * i] = u8(c.data[i] >> 8);
      data[2 * i + 1] = u8(c.data[i]);
      mask[2 * i] = u8(c.mask[i] >> 8);
      mask[2 * i + 1] = u8(c.mask[i]);
    }
    SDL_Cursor* n = SDL_CreateCursor(data, mask, 16, 16, c.hotspot.h, c.hotspot.v);
    if (!n) return;
    SDL_SetCursor(n);
    if (cursor_) SDL_FreeCursor(cursor_);
    cursor_ = n;
  }

  void showcursor(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

  // A short tone queued on an audio output of the beep's own (SDL plays the queue on its own
  // thread; no routine of ours runs there), or the terminal's bell when no output opens.
  void beep() override {
    if (openbeepdevice()) {
      const std::vector<i16> tone = beeptone(beepspec_.freq);
      if (SDL_QueueAudio(beepdevice_, tone.data(), u32(tone.size() * sizeof(i16))) == 0) return;
    }
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }

  void requestattention(bool on) override { SDL_FlashWindow(window_, on ? SDL_FLASH_UNTIL_FOCUSED : SDL_FLASH_CANCEL); }

  void raise() override { SDL_RaiseWindow(window_); }
  // The pointer to a point of the screen, in the window's pixels as the screen is scaled there.
  void useinputwindow(bool use) override {
    // The input method reads the hint as text input starts.
    SDL_SetHint(SDL_HINT_IME_INTERNAL_EDITING, use ? "1" : "0");
    SDL_StopTextInput();
    SDL_StartTextInput();
    composing_ = false;
  }
  void warpmouse(Point where) override {
    int x = 0, y = 0;
    SDL_RenderLogicalToWindow(renderer_, float(where.h - screen_.bounds.left), float(where.v - screen_.bounds.top), &x,
                              &y);
    SDL_WarpMouseInWindow(window_, x, y);
    mouse_ = where;
  }

  // Only text reaches the desktop (returns becoming line feeds); a clipboard without text
  // empties the desktop's. The other flavours stay in the program.
  void setclipboard(const std::vector<ClipFlavor>& flavors) override {
    others_.clear();
    std::string utf8;
    for (const ClipFlavor& f : flavors) {
      if (f.type == fourcc("TEXT")) {
        std::string mr(f.bytes.begin(), f.bytes.end());
        std::replace(mr.begin(), mr.end(), '\r', '\n');
        utf8 = macromantoutf8(mr);
      } else {
        others_.push_back(f);
      }
    }
    SDL_SetClipboardText(utf8.c_str());
    lasttext_ = currenttext();
  }

  std::vector<ClipFlavor> clipboard() override {
    std::vector<ClipFlavor> out;
    std::string text = currenttext();
    if (text != lasttext_) {  // another program put text there: our other flavours are stale
      others_.clear();
      lasttext_ = text;
      ++changes_;
    }
    if (!text.empty()) {
      // Line feeds and return-line feed pairs become returns.
      std::string lines;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        lines += text[i] == '\n' ? '\r' : text[i];
      }
      std::string mr = utf8tomacroman(lines);
      out.push_back({fourcc("TEXT"), std::vector<u8>(mr.begin(), mr.end())});
    }
    for (const ClipFlavor& f : others_) out.push_back(f);
    return out;
  }

  u32 clipboardchangecount() const override { return changes_; }

  const SDL2Counters& counters() const { return counters_; }
  u32 queuedbeep() const { return beepdevice_ != 0 ? SDL_GetQueuedAudioSize(beepdevice_) : 0; }
  void resize(int width, int height) { SDL_SetWindowSize(window_, width, height); }
  u32 windowid() const { return SDL_GetWindowID(window_); }

  bool readback(Frame* out) {
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0 || w <= 0 || h <= 0) return false;
    // The read-back covers the whole output, not only the logical viewport.
    SDL_Rect viewport;
    SDL_RenderGetViewport(renderer_, &viewport);
    float sx = 1, sy = 1;
    SDL_RenderGetScale(renderer_, &sx, &sy);
    SDL_RenderSetLogicalSize(renderer_, 0, 0);
    SDL_RenderSetScale(renderer_, 1, 1);
    SDL_RenderSetViewport(renderer_, nullptr);
    out->width = i16(w);
    out->height = i16(h);
    out->pixels.assign(std::size_t(w) * std::size_t(h), 0);
    const bool ok = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, out->pixels.data(), w * 4) == 0;
    SDL_RenderSetLogicalSize(renderer_, texturewidth_, textureheight_);
    for (u32& p : out->pixels) p &= 0xFFFFFF;
    return ok;
  }

 private:
  static std::string currenttext() {
    std::string s;
    if (char* t = SDL_GetClipboardText()) {
      s = t;
      SDL_free(t);
    }
    return s;
  }

  // The beep's output: mono 16-bit samples that SDL takes from a queue. Tried once.
  bool openbeepdevice() {
    if (beepdevice_ != 0 || beeptried_) return beepdevice_ != 0;
    beeptried_ = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    beepdevice_ = SDL_OpenAudioDevice(nullptr, 0, &want, &beepspec_, 0);
    if (beepdevice_ == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    SDL_PauseAudioDevice(beepdevice_, 0);
    return true;
  }

  // 0.15 s of 880 Hz at this rate, with 10 ms ramps so that it starts and ends without a click.
  static std::vector<i16> beeptone(int rate) {
    const i32 n = rate * 15 / 100, ramp = std::max(1, rate / 100);
    std::vector<i16> out(std::size_t(std::max(n, 0)));
    for (i32 i = 0; i < n; ++i) {
      const double env = double(std::min({i, n - i, ramp})) / double(ramp);
      out[std::size_t(i)] = i16(std::lrint(0.3 * 32767.0 * env * std::sin(2 * std::numbers::pi * 880.0 * i / rate)));
    }
    return out;
  }

  // Shows the texture (the last frame) scaled into the window with its aspect kept.
  void show() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (texture_) SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
  }

  void pump() {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) translate(ev);
  }

  void push(InputKind kind, Point where, u16 mods) {
    InputEvent in;
    in.kind = kind;
    in.when = ticks();
    in.where = where;
    in.modifiers = mods;
    pending_.push_back(std::move(in));
  }

  Point screenpoint(i32 x, i32 y) const { return Point{i16(y + screen_.bounds.top), i16(x + screen_.bounds.left)}; }

  void translate(const SDL_Event& ev) {
    u16 mods = modifiersof(u16(SDL_GetModState()));
    switch (ev.type) {
      case SDL_QUIT: push(InputKind::quit, mouse_, mods); break;
      case SDL_WINDOWEVENT:
        switch (ev.window.event) {
          case SDL_WINDOWEVENT_FOCUS_GAINED: push(InputKind::focusin, mouse_, mods); break;
          case SDL_WINDOWEVENT_FOCUS_LOST: push(InputKind::focusout, mouse_, mods); break;
          // The window was uncovered or changed its size: the kept frame is shown again, scaled
          // to the new size, without composing the screen again.
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SHOWN:
          case SDL_WINDOWEVENT_RESTORED:
          case SDL_WINDOWEVENT_MAXIMIZED:
          case SDL_WINDOWEVENT_RESIZED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            ++counters_.represents;
            show();
            break;
          default: break;
        }
        break;
      case SDL_MOUSEMOTION:
        mouse_ = screenpoint(ev.motion.x, ev.motion.y);
        push(InputKind::mousemove, mouse_, mods);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        mouse_ = screenpoint(ev.button.x, ev.button.y);
        // The secondary button is a control-click, as on a one-button mouse.
        if (ev.button.button == SDL_BUTTON_RIGHT) mods |= controlKey;
        push(ev.type == SDL_MOUSEBUTTONDOWN ? InputKind::mousedown : InputKind::mouseup, mouse_, mods);
        break;
      case SDL_MOUSEWHEEL: {
        bool horizontal = ev.wheel.x != 0 && ev.wheel.y == 0;
        i32 delta = horizontal ? -ev.wheel.x : ev.wheel.y;
        // A wheel the system reports flipped ("natural" scrolling) counts the other way.
        if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
        push(InputKind::wheel, mouse_, mods);
        pending_.back().wheelaxis = horizontal ? 0 : 1;
        pending_.back().wheeldelta = delta;
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        mods = modifiersof(ev.key.keysym.mod);
        u8 code = keycodeof(ev.key.keysym.scancode);
        if (code == 0xFF) break;
        if (ismodifierkey(code)) {
          push(InputKind::modifiers, mouse_, mods);
          break;
        }
        u8 ch = charforkey(code, mods);
        bool typed = ch >= 0x20 && ch != 0x7F && !(mods & (cmdKey | controlKey));
        if (ev.type == SDL_KEYDOWN && typed) {
          // Its character comes with the text input that follows: one key-down, from there.
          lastkey_ = code;
          textmods_ = mods;
          repeat_ = ev.key.repeat != 0;
          break;
        }
        push(ev.type == SDL_KEYUP ? InputKind::keyup
             : ev.key.repeat      ? InputKind::autokey
                                  : InputKind::keydown,
             mouse_, mods);
        pending_.back().keycode = code;
        pending_.back().charcode = ch;
        break;
      }
      case SDL_TEXTEDITING: {
        // An input method's composition: its text and cursor go to the inline-input layer.
        // An empty one outside a composition is only SDL noting the input area.
        const std::string text = ev.edit.text;
        if (text.empty() && !composing_) break;
        composing_ = !text.empty();
        push(InputKind::textcompose, mouse_, mods);
        pending_.back().text = text;
        pending_.back().cursor = ev.edit.start;
        break;
      }
      case SDL_TEXTINPUT: {
        if (composing_) {
          // The text that ends a composition is committed whole, not typed key by key.
          composing_ = false;
          push(InputKind::textcommit, mouse_, mods);
          pending_.back().text = ev.text.text;
          repeat_ = false;
          lastkey_ = 0xFF;
          break;
        }
        for (char c : typedmacroman(ev.text.text)) {
          push(repeat_ ? InputKind::autokey : InputKind::keydown, mouse_, lastkey_ == 0xFF ? mods : textmods_);
          pending_.back().keycode = lastkey_ == 0xFF ? 0 : lastkey_;
          pending_.back().charcode = u8(c);
        }
        repeat_ = false;
        lastkey_ = 0xFF;
        break;
      }
      case SDL_DROPBEGIN:
        dropping_ = true;
        dropitems_.clear();
        break;
      case SDL_DROPFILE:
      case SDL_DROPTEXT:
        // The items of one drop come between its begin and complete; SDL gives no position, so
        // the drop lands where the pointer was last seen.
        if (ev.drop.file) {
          dropitems_.push_back(DroppedItem{ev.type == SDL_DROPFILE, ev.drop.file});
          SDL_free(ev.drop.file);
        }
        if (!dropping_) pushdrop(mods);
        break;
      case SDL_DROPCOMPLETE:
        pushdrop(mods);
        dropping_ = false;
        break;
      default: break;
    }
  }

  // The items gathered since the drop began, as one input.
  void pushdrop(u16 mods) {
    if (dropitems_.empty()) return;
    push(InputKind::drop, mouse_, mods);
    pending_.back().dropped = std::move(dropitems_);
    dropitems_.clear();
  }

  SDL_Window* window_;
  SDL_Renderer* renderer_;
  SDL_Texture* texture_;
  int texturewidth_ = 0, textureheight_ = 0;
  SDL_Cursor* cursor_ = nullptr;
  ScreenInfo screen_;
  u64 start_;
  std::deque<InputEvent> pending_;
  Point mouse_{0, 0};
  u8 lastkey_ = 0xFF;
  bool composing_ = false;  // an input method's composition is open
  bool dropping_ = false;   // between SDL_DROPBEGIN and SDL_DROPCOMPLETE
  std::vector<DroppedItem> dropitems_;
  u16 textmods_ = 0;
  bool repeat_ = false;
  u32 statements_ = 0;
  std::vector<ClipFlavor> others_;
  std::string lasttext_;
  u32 changes_ = 0;
  SDL2Counters counters_;
  SDL_AudioDeviceID beepdevice_ = 0;
  SDL_AudioSpec beepspec_{};
  bool beeptried_ = false;
};

SDL2Backend* sdl2of(Backend& b) { return b.headless() ? nullptr : dynamic_cast<SDL2Backend*>(&b); }

}  // namespace

const SDL2Counters* sdl2counters(Backend& b) {
  SDL2Backend* s = sdl2of(b);
  return s ? &s->counters() : nullptr;
}

u32 sdl2queuedbeep(Backend& b) {
  SDL2Backend* s = sdl2of(b);
  return s ? s->queuedbeep() : 0;
}

bool sdl2readback(Backend& b, Frame* out) {
  SDL2Backend* s = sdl2of(b);
  return s && out && s->readback(out);
}

namespace {
u32 sdl2windowid(Backend& b) {
  SDL2Backend* s = sdl2of(b);
  return s ? s->windowid() : 0;
}
}  // namespace

bool sdl2pushkey(bool down, const char* name, u16 held, bool repeat) {
  SDL_Event ev{};
  ev.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  ev.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  ev.key.repeat = repeat ? 1 : 0;
  ev.key.keysym.scancode = SDL_GetScancodeFromName(name);
  if (ev.key.keysym.scancode == SDL_SCANCODE_UNKNOWN) return false;
  ev.key.keysym.sym = SDL_GetKeyFromScancode(ev.key.keysym.scancode);
  u16 mod = 0;
  if (held & sdl2ctrl) mod |= KMOD_LCTRL;
  if (held & sdl2super) mod |= KMOD_LGUI;
  if (held & sdl2alt) mod |= KMOD_LALT;
  if (held & sdl2shift) mod |= KMOD_LSHIFT;
  ev.key.keysym.mod = mod;
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2inputwindowasked() { return SDL_GetHintBoolean(SDL_HINT_IME_INTERNAL_EDITING, SDL_FALSE) == SDL_TRUE; }

bool sdl2pushtext(const char* utf8) {
  SDL_Event ev{};
  ev.type = SDL_TEXTINPUT;
  SDL_strlcpy(ev.text.text, utf8, sizeof ev.text.text);
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2pushcomposition(const char* utf8, int cursor) {
  SDL_Event ev{};
  ev.type = SDL_TEXTEDITING;
  SDL_strlcpy(ev.edit.text, utf8, sizeof ev.edit.text);
  ev.edit.start = cursor;
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2pushbutton(Backend& b, bool down, int button, int x, int y) {
  SDL_Event ev{};
  ev.button.windowID = sdl2windowid(b);
  ev.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  ev.button.button = u8(button);
  ev.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  ev.button.clicks = 1;
  ev.button.x = x;
  ev.button.y = y;
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2pushmotion(Backend& b, int x, int y) {
  SDL_Event ev{};
  ev.type = SDL_MOUSEMOTION;
  ev.motion.windowID = sdl2windowid(b);
  ev.motion.x = x;
  ev.motion.y = y;
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2pushwheel(Backend& b, int x, int y, bool flipped) {
  SDL_Event ev{};
  ev.wheel.windowID = sdl2windowid(b);
  ev.type = SDL_MOUSEWHEEL;
  ev.wheel.x = x;
  ev.wheel.y = y;
  ev.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2pushwindowevent(Backend& b, SDL2WindowEvent what) {
  SDL_Event ev{};
  ev.window.windowID = sdl2windowid(b);
  ev.type = SDL_WINDOWEVENT;
  ev.window.event = what == SDL2WindowEvent::exposed       ? SDL_WINDOWEVENT_EXPOSED
                    : what == SDL2WindowEvent::focusgained ? SDL_WINDOWEVENT_FOCUS_GAINED
                                                           : SDL_WINDOWEVENT_FOCUS_LOST;
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2pushquit() {
  SDL_Event ev{};
  ev.type = SDL_QUIT;
  return SDL_PushEvent(&ev) == 1;
}

bool sdl2pushdrop(Backend& b, const std::string& path) {
  SDL_Event ev{};
  ev.type = SDL_DROPFILE;
  ev.drop.windowID = sdl2windowid(b);
  ev.drop.file = SDL_strdup(path.c_str());  // freed by whoever takes the event
  if (ev.drop.file == nullptr) return false;
  if (SDL_PushEvent(&ev) == 1) return true;
  SDL_free(ev.drop.file);
  return false;
}

bool sdl2pushdropevent(Backend& b, SDL2DropEvent what, const std::string& data) {
  SDL_Event ev{};
  ev.type = what == SDL2DropEvent::begin  ? SDL_DROPBEGIN
            : what == SDL2DropEvent::file ? SDL_DROPFILE
            : what == SDL2DropEvent::text ? SDL_DROPTEXT
                                          : SDL_DROPCOMPLETE;
  ev.drop.windowID = sdl2windowid(b);
  const bool item = what == SDL2DropEvent::file || what == SDL2DropEvent::text;
  if (item && (ev.drop.file = SDL_strdup(data.c_str())) == nullptr) return false;
  if (SDL_PushEvent(&ev) == 1) return true;
  if (item) SDL_free(ev.drop.file);
  return false;
}

void sdl2resize(Backend& b, int width, int height) {
  if (SDL2Backend* s = sdl2of(b)) s->resize(width, height);
}

std::string sdl2clipboardtext() {
  std::string s;
  if (char* t = SDL_GetClipboardText()) {
    s = t;
    SDL_free(t);
  }
  return s;
}

void sdl2setclipboardtext(const std::string& utf8) { SDL_SetClipboardText(utf8.c_str()); }

std::unique_ptr<Backend> opensdl2backend(const ScreenInfo& asked, std::string* why, bool fit) {
  auto fail = [why](const char* what) -> std::unique_ptr<Backend> {
    if (why) *why = std::string(what) + ": " + SDL_GetError();
    return nullptr;
  };
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail("cannot start the display");
  ScreenInfo screen = asked;
  // A screen the user did not size fits on the display, with room for the desktop's own panels.
  SDL_Rect usable;
  if (fit && SDL_GetDisplayUsableBounds(0, &usable) == 0) {
    const i32 w = usable.w - 48, h = usable.h - 48;
    if (w >= 64 && w < screen.bounds.right - screen.bounds.left) screen.bounds.right = i16(screen.bounds.left + w);
    if (h >= 64 && h < screen.bounds.bottom - screen.bounds.top) screen.bounds.bottom = i16(screen.bounds.top + h);
  }
  int w = screen.bounds.right - screen.bounds.left, h = screen.bounds.bottom - screen.bounds.top;
  SDL_Window* win = SDL_CreateWindow("Kestrove", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                     SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE);
  if (!win) {
    auto r = fail("cannot open a window");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return r;
  }
  SDL_Renderer* ren = SDL_CreateRenderer(win, -1, 0);
  if (!ren) ren = SDL_CreateRenderer(win, -1, SDL_RENDERER_SOFTWARE);
  SDL_Texture* tex = ren ? SDL_CreateTexture(ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h)
                         : nullptr;
  if (!tex) {
    auto r = fail("cannot draw into the window");
    if (ren) SDL_DestroyRenderer(ren);
    SDL_DestroyWindow(win);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return r;
  }
  // The screen keeps its size in pixels: a window of another size shows it scaled with its
  // aspect kept (bars on the sides), and mouse positions come back in the screen's pixels.
  SDL_RenderSetLogicalSize(ren, w, h);
  return std::make_unique<SDL2Backend>(win, ren, tex, screen);
}

}  // namespace kv
