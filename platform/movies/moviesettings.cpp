// The compression settings dialog of movie recording: a movable modal window with the frame
// rate (fewer and more), the depth (thousands or millions of colours) and the quality
// (normal or high), and OK and Cancel. Return or Enter is OK; Escape or Command-period cancels.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/events/events.h"
#include "platform/movies/movierecorder.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"

namespace kv {

namespace {

constexpr i16 kWidth = 280, kHeight = 150;
constexpr u8 kEnter = 3, kReturn = 13, kEscape = 27;
constexpr u8 kTitle[] =
    "\x0E"
    "Movie Settings";

enum Button : int { slower, faster, depth, quality, ok, cancel, buttoncount };

Rect buttonrect(int b) {
  switch (b) {
    case slower: return Rect{12, 180, 32, 208};
    case faster: return Rect{12, 214, 32, 242};
    case depth: return Rect{42, 180, 62, 268};
    case quality: return Rect{72, 180, 92, 268};
    case ok: return Rect{i16(kHeight - 32), 120, i16(kHeight - 12), 190};
    default: return Rect{i16(kHeight - 32), 198, i16(kHeight - 12), 268};
  }
}

void drawtext(i16 h, i16 v, const std::string& s) {
  Str255 p;
  setpstring(p, s);
  MoveTo(h, v);
  DrawString(p);
}

struct SettingsDialog {
  WindowRef window = 0;
  MovieSettings s;
  ~SettingsDialog() {
    if (window != 0) DisposeWindow(window);
  }

  void draw() {
    SavePort saved;
    SetPortWindowPort(window);
    Rect all;
    GetWindowPortBounds(window, &all);
    EraseRect(&all);
    char fps[40];
    std::snprintf(fps, sizeof fps, "Frames per second: %g", s.fps);
    drawtext(12, 26, fps);
    drawtext(12, 56, "Colours:");
    drawtext(12, 86, "Quality:");
    const std::string labels[buttoncount] = {
        "-", "+", s.depth == 16 ? "Thousands" : "Millions", s.quality > 512 ? "High" : "Normal", "OK", "Cancel"};
    for (int b = 0; b < buttoncount; ++b) {
      Rect r = buttonrect(b);
      FrameRoundRect(&r, 8, 8);
      Str255 label;
      setpstring(label, labels[b]);
      drawtext(i16((r.left + r.right - StringWidth(label)) / 2), i16(r.bottom - 6), labels[b]);
    }
  }

  int hit(Point where) const {
    SavePort saved;
    SetPortWindowPort(window);
    GlobalToLocal(&where);
    for (int b = 0; b < buttoncount; ++b) {
      Rect r = buttonrect(b);
      if (PtInRect(where, &r)) return b;
    }
    return -1;
  }

  // Carries out a button: false when the dialog ends.
  bool press(int b, OSErr* result) {
    switch (b) {
      case slower: s.fps = std::max(1.0, s.fps - 1); break;
      case faster: s.fps = std::min(60.0, s.fps + 1); break;
      case depth: s.depth = s.depth == 16 ? 32 : 16; break;
      case quality: s.quality = s.quality > 512 ? 512 : 768; break;
      case ok: *result = noErr; return false;
      default: *result = userCanceledErr; return false;
    }
    draw();
    return true;
  }
};

}  // namespace

OSErr moviesettingsdialog(MovieSettings* settings) {
  Answer a;
  switch (beginmodal("movie settings", "movie settings", &a)) {
    case ModalStart::answered: {
      if (a.text == "Cancel") return userCanceledErr;
      if (a.text == "OK") return noErr;
      char* end = nullptr;
      double fps = std::strtod(a.text.c_str(), &end);
      if (end == a.text.c_str() || !(fps > 0) || fps > 1000) return userCanceledErr;
      settings->fps = fps;
      return noErr;
    }
    case ModalStart::usedefault: return noErr;
    case ModalStart::run: break;
  }
  SettingsDialog d;
  d.s = *settings;
  Rect bounds{80, 80, i16(80 + kHeight), i16(80 + kWidth)};
  d.window = NewCWindow(nullptr, &bounds, kTitle, true, movableDBoxProc, kFirstWindowOfClass, false, 0);
  if (d.window == 0) return memFullErr;
  SelectWindow(d.window);
  d.draw();
  OSErr result = userCanceledErr;
  for (bool open = true; open;) {
    EventRecord e{};
    if (!WaitNextEvent(mDownMask | keyDownMask | autoKeyMask, &e, 10)) continue;
    if (e.what == mouseDown) {
      WindowRef w = 0;
      i16 part = FindWindow(e.where, &w);
      if (w == d.window && part == inDrag) {
        DragWindow(d.window, e.where, nullptr);
      } else if (w == d.window && part == inContent) {
        int b = d.hit(e.where);
        if (b >= 0) open = d.press(b, &result);
      }
    } else {
      u8 c = u8(e.message & charCodeMask);
      if (c == kReturn || c == kEnter) open = d.press(ok, &result);
      else if (c == kEscape || ((e.modifiers & cmdKey) != 0 && c == '.')) open = d.press(cancel, &result);
    }
  }
  if (result == noErr) *settings = d.s;
  return result;
}

}  // namespace kv
