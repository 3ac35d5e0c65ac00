#include "platform/testing/driver.h"

#include <algorithm>

#include "platform/backend/headless.h"
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/menus/menulayout.h"
#include "platform/runtime/root.h"
#include "platform/windows/compositor.h"
#include "platform/windows/windows.h"

namespace kv::drive {

namespace {

struct DriverState {
  u32 cursor = 0;
  bool started = false;
  Point mouse{0, 0};  // where the scripted mouse is
  u16 modifiers = 0;  // the modifiers the script holds
};

DriverState& ds() { return state<DriverState>(); }

// The tick the next action starts at: never before the clock.
u32 at() {
  DriverState& d = ds();
  u32 now = backend().ticks();
  if (!d.started || i32(d.cursor - now) < 0) {
    d.cursor = now;
    d.started = true;
  }
  return d.cursor;
}

void put(InputKind kind, u32 when, auto&& fill) {
  HeadlessBackend* h = headlessbackend();
  if (!h) return;
  InputEvent in;
  in.kind = kind;
  in.when = when;
  in.where = ds().mouse;
  in.modifiers = ds().modifiers;
  fill(in);
  h->schedule(in);
}

void put(InputKind kind, u32 when) {
  put(kind, when, [](InputEvent&) {});
}

void holdmodifiers(u16 mods, u32 when) {
  if (ds().modifiers == mods) return;
  ds().modifiers = mods;
  put(InputKind::modifiers, when);
}

void moveby(u32 ticks) { ds().cursor = at() + ticks; }

}  // namespace

void mouseDown(Point where, u16 modifiers) {
  u32 t = at();
  holdmodifiers(modifiers, t);
  ds().mouse = where;
  put(InputKind::mousedown, t);
  moveby(1);
}

void chooseMenuItem(i16 menuid, u16 item, u16 modifiers) {
  Rect title = menutitlerect(menuid), it = menuitemrect(menuid, item);
  Point press{i16((title.top + title.bottom) / 2), i16((title.left + title.right) / 2)};
  Point target{i16((it.top + it.bottom) / 2), i16((it.left + it.right) / 2)};
  mouseDown(press, modifiers);
  moveTo(Point{target.v, press.h});
  moveTo(target);
  mouseUp();
}

void moveTo(Point where) {
  u32 t = at();
  ds().mouse = where;
  put(InputKind::mousemove, t);
  moveby(1);
}

void mouseUp(u16 modifiers) {
  u32 t = at();
  put(InputKind::mouseup, t);
  holdmodifiers(modifiers, t);
  moveby(1);
}

void click(Point where, u16 modifiers) {
  u32 t = at();
  holdmodifiers(modifiers, t);
  ds().mouse = where;
  put(InputKind::mousedown, t);
  put(InputKind::mouseup, t + 2);
  holdmodifiers(0, t + 2);
  moveby(3);
}

void doubleClick(Point where, u16 modifiers) {
  click(where, modifiers);
  moveby(1);
  click(where, modifiers);
}

void drag(Point from, Point to, u32 ticks, u16 modifiers) {
  u32 t = at();
  holdmodifiers(modifiers, t);
  ds().mouse = from;
  put(InputKind::mousedown, t);
  u32 n = std::max<u32>(ticks, 1);
  for (u32 k = 1; k <= n; ++k) {
    ds().mouse = Point{i16(from.v + i32(to.v - from.v) * i32(k) / i32(n)),
                       i16(from.h + i32(to.h - from.h) * i32(k) / i32(n))};
    put(InputKind::mousemove, t + k);
  }
  put(InputKind::mouseup, t + n + 1);
  holdmodifiers(0, t + n + 1);
  ds().cursor = t + n + 2;
}

void key(u8 keycode, u16 modifiers) {
  u32 t = at();
  holdmodifiers(modifiers, t);
  u8 ch = charforkey(keycode, modifiers);
  put(InputKind::keydown, t, [&](InputEvent& in) {
    in.keycode = keycode;
    in.charcode = ch;
  });
  put(InputKind::keyup, t + 1, [&](InputEvent& in) {
    in.keycode = keycode;
    in.charcode = ch;
  });
  holdmodifiers(0, t + 1);
  moveby(2);
}

void keyDown(u8 keycode) {
  u8 ch = charforkey(keycode, 0);
  put(InputKind::keydown, at(), [&](InputEvent& in) {
    in.keycode = keycode;
    in.charcode = ch;
  });
  moveby(1);
}

void keyUp(u8 keycode) {
  u8 ch = charforkey(keycode, 0);
  put(InputKind::keyup, at(), [&](InputEvent& in) {
    in.keycode = keycode;
    in.charcode = ch;
  });
  moveby(1);
}

void keychar(u8 ch, u16 modifiers) {
  KeyStroke ks = keyforchar(ch);
  u16 mods = u16(modifiers | (ks.shift ? shiftKey : 0));
  u32 t = at();
  holdmodifiers(mods, t);
  u8 code = ks.keycode == 0xFF ? 0 : ks.keycode;
  put(InputKind::keydown, t, [&](InputEvent& in) {
    in.keycode = code;
    in.charcode = ch;
  });
  put(InputKind::keyup, t + 1, [&](InputEvent& in) {
    in.keycode = code;
    in.charcode = ch;
  });
  holdmodifiers(0, t + 1);
  moveby(2);
}

void type(std::string_view macroman) {
  for (char c : macroman) keychar(u8(c));
}

void compose(const std::string& utf8, i32 cursor) {
  put(InputKind::textcompose, at(), [&](InputEvent& in) {
    in.text = utf8;
    in.cursor = cursor;
  });
  moveby(1);
}

void commit(const std::string& utf8) {
  put(InputKind::textcommit, at(), [&](InputEvent& in) { in.text = utf8; });
  moveby(1);
}

void wheel(Point where, i32 lines, bool horizontal, u16 modifiers) {
  u32 t = at();
  holdmodifiers(modifiers, t);
  ds().mouse = where;
  put(InputKind::wheel, t, [&](InputEvent& in) {
    in.wheelaxis = horizontal ? 0 : 1;
    in.wheeldelta = lines;
  });
  if (modifiers != 0) holdmodifiers(0, t + 1);
  moveby(1);
}

void suspend() {
  put(InputKind::focusout, at());
  moveby(1);
}

void resume() {
  put(InputKind::focusin, at());
  moveby(1);
}

void quitRequest() {
  put(InputKind::quit, at());
  moveby(1);
}

void openDocuments(const std::vector<std::string>& paths) {
  put(InputKind::opendocuments, at(), [&](InputEvent& in) { in.paths = paths; });
  moveby(1);
}

void dropFiles(Point where, const std::vector<std::string>& paths) {
  ds().mouse = where;
  put(InputKind::drop, at(), [&](InputEvent& in) {
    in.where = where;
    for (const std::string& p : paths) in.dropped.push_back(DroppedItem{true, p});
  });
  moveby(1);
}

void dropText(Point where, const std::string& utf8) {
  ds().mouse = where;
  put(InputKind::drop, at(), [&](InputEvent& in) {
    in.where = where;
    in.dropped.push_back(DroppedItem{false, utf8});
  });
  moveby(1);
}

void dockCommand(u32 commandid) {
  put(InputKind::dockcommand, at(), [&](InputEvent& in) { in.command = commandid; });
  moveby(1);
}

void collapseWindow(RegistryId window, bool collapse) {
  put(InputKind::collapse, at(), [&](InputEvent& in) {
    in.window = window;
    in.flag = collapse ? 1 : 0;
  });
  moveby(1);
}

void volumeChange(i16 volume, bool mounted, std::string_view name) {
  put(InputKind::volume, at(), [&](InputEvent& in) {
    in.volume = volume;
    in.flag = mounted ? 1 : 0;
    if (!name.empty()) in.paths.push_back(std::string(name));
  });
  moveby(1);
}

void advance(u32 ticks) { moveby(ticks); }

u32 cursor() { return at(); }

std::vector<WindowInfo> windows() {
  std::vector<WindowInfo> out;
  for (WindowRef w : windowlist()) {
    WindowInfo i;
    i.window = w;
    Str255 t;
    GetWTitle(w, t);
    i.title.assign(reinterpret_cast<const char*>(t + 1), t[0]);
    i.kind = GetWindowKind(w);
    GetWindowClass(w, &i.windowclass);
    GetWindowAttributes(w, &i.attributes);
    i.visible = IsWindowVisible(w);
    i.hilited = IsWindowHilited(w);
    GetWindowBounds(w, kWindowStructureRgn, &i.structure);
    GetWindowBounds(w, kWindowContentRgn, &i.content);
    out.push_back(std::move(i));
  }
  return out;
}

void setscreendepth(i16 depth) {
  HeadlessBackend* h = headlessbackend();
  if (!h) return;
  std::vector<ScreenInfo> screens = h->screens();
  if (screens.empty()) screens.push_back(ScreenInfo{});
  screens[0].depth = depth;
  screens[0].colortable.clear();
  h->setscreens(std::move(screens));
}

const Frame& screen() { return composescreen(); }

u32 pixelat(const Frame& f, i16 h, i16 v) {
  if (h < 0 || v < 0 || h >= f.width || v >= f.height) return 0;
  return f.pixels[std::size_t(v) * std::size_t(f.width) + std::size_t(h)];
}

u32 screenpixel(Point global) {
  const Frame& f = composescreen();
  Rect main = backend().screens()[0].bounds;
  return pixelat(f, i16(global.h - main.left), i16(global.v - main.top));
}

Frame windowpixels(RegistryId window, bool withframe) { return composewindow(window, withframe); }

}  // namespace kv::drive
