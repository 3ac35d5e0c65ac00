// The movie controller: its settings, its bar and the clicks on it.
#include "platform/movies/moviecontroller.h"

#include <algorithm>
#include <memory>

#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"

namespace kv {
namespace {

struct ControllerData {
  Movie movie = nilid;
  bool visible = true, looping = false, palindrome = false, everyframe = false, selection = false;
  bool badge = false, editing = false, active = true;
  u32 flags = 0;
  i16 volume = 256;
  RgnHandle clip = nilid;  // the controller's own clip (the window's area)
};

struct ControllerState {
  Registry<ControllerData, RegType::moviecontroller> controllers;
};

ControllerData* get(MovieController mc) { return state<ControllerState>().controllers.get(mc); }

Rect barof(Movie m) {
  Rect box;
  GetMovieBox(m, &box);
  return Rect{box.bottom, box.left, i16(box.bottom + kControllerBarHeight), box.right};
}

// The bar's parts from the left: play, step back, step forward, the slider, the speaker.
enum class Part { none, play, stepback, stepforward, slider, speaker };
Part parthit(const ControllerData& c, Point pt) {
  Rect bar = barof(c.movie);
  if (!PtInRect(pt, &bar)) return Part::none;
  i32 x = pt.h - bar.left;
  bool steps = !(c.flags & mcFlagSuppressStepButtons), speaker = !(c.flags & mcFlagSuppressSpeakerButton);
  if (x < 16) return Part::play;
  if (steps && x < 32) return Part::stepback;
  if (steps && x < 48) return Part::stepforward;
  if (speaker && pt.h >= bar.right - 16) return Part::speaker;
  return Part::slider;
}

void syncloop(const ControllerData& c) { setmovielooping(c.movie, c.looping, c.looping && c.palindrome); }

}  // namespace

MovieController NewMovieController(Movie movie, Point where, bool visible) {
  if (!IsValidMovie(movie)) return nilid;
  Rect box;
  GetMovieBox(movie, &box);
  OffsetRect(&box, i16(where.h - box.left), i16(where.v - box.top));
  SetMovieBox(movie, &box);
  auto c = std::make_unique<ControllerData>();
  c->movie = movie;
  c->visible = visible;
  return state<ControllerState>().controllers.add(std::move(c));
}
void DisposeMovieController(MovieController mc) {
  ControllerData* c = get(mc);
  if (!c) return;
  if (c->clip) DisposeRgn(c->clip);
  state<ControllerState>().controllers.remove(mc);
}
bool IsValidMovieController(MovieController mc) { return get(mc) != nullptr; }
Movie MCGetMovie(MovieController mc) {
  ControllerData* c = get(mc);
  return c ? c->movie : nilid;
}
std::size_t moviecontrollercount() {
  return hasstate<ControllerState>() ? state<ControllerState>().controllers.count() : 0;
}

void MCPlay(MovieController mc, Fixed rate) {
  if (ControllerData* c = get(mc)) {
    syncloop(*c);
    if (rate != 0 && IsMovieDone(c->movie)) GoToBeginningOfMovie(c->movie);
    SetMovieRate(c->movie, rate);
  }
}
void MCPrerollAndPlay(MovieController mc, Fixed rate) {
  if (ControllerData* c = get(mc)) {
    PrerollMovie(c->movie, GetMovieTime(c->movie), rate);
    MCPlay(mc, rate);
  }
}
void MCSetLooping(MovieController mc, bool on) {
  if (ControllerData* c = get(mc)) c->looping = on, syncloop(*c);
}
bool MCGetLooping(MovieController mc) {
  ControllerData* c = get(mc);
  return c && c->looping;
}
void MCSetLoopIsPalindrome(MovieController mc, bool on) {
  if (ControllerData* c = get(mc)) c->palindrome = on, syncloop(*c);
}
bool MCGetLoopIsPalindrome(MovieController mc) {
  ControllerData* c = get(mc);
  return c && c->palindrome;
}
void MCSetPlayEveryFrame(MovieController mc, bool on) {
  if (ControllerData* c = get(mc)) c->everyframe = on;
}
bool MCGetPlayEveryFrame(MovieController mc) {
  ControllerData* c = get(mc);
  return c && c->everyframe;
}
void MCSetPlaySelection(MovieController mc, bool on) {
  if (ControllerData* c = get(mc)) c->selection = on;
}
bool MCGetPlaySelection(MovieController mc) {
  ControllerData* c = get(mc);
  return c && c->selection;
}
void MCSetUseBadge(MovieController mc, bool on) {
  if (ControllerData* c = get(mc)) c->badge = on;
}
bool MCGetUseBadge(MovieController mc) {
  ControllerData* c = get(mc);
  return c && c->badge;
}
void MCSetVolume(MovieController mc, i16 volume) {
  if (ControllerData* c = get(mc)) {
    c->volume = volume;
    SetMovieVolume(c->movie, volume);
  }
}
i16 MCGetVolume(MovieController mc) {
  ControllerData* c = get(mc);
  return c ? c->volume : 0;
}
void MCToggleMute(MovieController mc) {
  if (ControllerData* c = get(mc)) MCSetVolume(mc, i16(-c->volume));
}
void MCSetVisible(MovieController mc, bool visible) {
  if (ControllerData* c = get(mc)) c->visible = visible;
}
bool MCGetVisible(MovieController mc) {
  ControllerData* c = get(mc);
  return c && c->visible;
}
void MCGetControllerBoundsRect(MovieController mc, Rect* bounds) {
  ControllerData* c = get(mc);
  if (!c) {
    *bounds = Rect{};
    return;
  }
  GetMovieBox(c->movie, bounds);
  if (c->visible) bounds->bottom = i16(bounds->bottom + kControllerBarHeight);
}
void MCSetControllerBoundsRect(MovieController mc, const Rect* bounds) {
  ControllerData* c = get(mc);
  if (!c) return;
  Rect box = *bounds;
  if (c->visible) box.bottom = i16(std::max<i32>(box.top, box.bottom - kControllerBarHeight));
  SetMovieBox(c->movie, &box);
}
void MCSetClip(MovieController mc, RgnHandle controllerclip, RgnHandle movieclip) {
  ControllerData* c = get(mc);
  if (!c) return;
  if (controllerclip != nilid) {
    if (!c->clip) c->clip = NewRgn();
    CopyRgn(controllerclip, c->clip);
  }
  SetMovieDisplayClipRgn(c->movie, movieclip);
}
u32 MCGetControllerFlags(MovieController mc) {
  ControllerData* c = get(mc);
  return c ? c->flags : 0;
}
void MCSetControllerFlags(MovieController mc, u32 flags) {
  if (ControllerData* c = get(mc)) c->flags = flags;
}
void MCEnableEditing(MovieController mc, bool on) {
  if (ControllerData* c = get(mc)) c->editing = on;
}
bool MCIsEditingEnabled(MovieController mc) {
  ControllerData* c = get(mc);
  return c && c->editing;
}
TimeValue MCGetCurrentTime(MovieController mc, TimeScale* scale) {
  ControllerData* c = get(mc);
  if (scale) *scale = c ? GetMovieTimeScale(c->movie) : 0;
  return c ? GetMovieTime(c->movie) : 0;
}
void MCMovieChanged(MovieController mc) { MCDraw(mc); }
void MCActivate(MovieController mc, bool active) {
  if (ControllerData* c = get(mc)) c->active = active;
}

void MCDraw(MovieController mc) {
  ControllerData* c = get(mc);
  if (!c) return;
  UpdateMovie(c->movie);
  CGrafPtr port = GetMovieGWorld(c->movie);
  if (!c->visible || port == nilid || !IsValidPort(port)) return;
  CGrafPtr old = nilid;
  GetPort(&old);
  SetPort(port);
  RgnHandle saved = NewRgn();
  GetClip(saved);
  if (c->clip) SetClip(c->clip);
  Rect bar = barof(c->movie);
  RGBColor grey{0xC000, 0xC000, 0xC000}, black{0, 0, 0};
  RGBForeColor(&grey);
  PaintRect(&bar);
  RGBForeColor(&black);
  FrameRect(&bar);
  // The slider's thumb at the current time.
  TimeValue d = GetMovieDuration(c->movie);
  i32 left = bar.left + ((c->flags & mcFlagSuppressStepButtons) ? 16 : 48);
  i32 right = bar.right - ((c->flags & mcFlagSuppressSpeakerButton) ? 0 : 16);
  if (right > left + 4) {
    i32 x = left + (d > 0 ? i32(i64(GetMovieTime(c->movie)) * (right - left - 4) / d) : 0);
    Rect thumb{i16(bar.top + 3), i16(x), i16(bar.bottom - 3), i16(x + 4)};
    PaintRect(&thumb);
  }
  if (!(c->flags & mcFlagSuppressMovieFrame)) {
    Rect frame;
    GetMovieBox(c->movie, &frame);
    InsetRect(&frame, -1, -1);
    FrameRect(&frame);
  }
  SetClip(saved);
  DisposeRgn(saved);
  SetPort(old);
}

bool MCIsPlayerEvent(MovieController mc, const EventRecord& event) {
  ControllerData* c = get(mc);
  if (!c) return false;
  MoviesTask(c->movie);
  if (event.what != mouseDown) return false;
  CGrafPtr port = GetMovieGWorld(c->movie);
  if (port == nilid || !IsValidPort(port)) return false;
  CGrafPtr old = nilid;
  GetPort(&old);
  SetPort(port);
  Point pt = event.where;
  GlobalToLocal(&pt);
  SetPort(old);
  Rect bounds;
  MCGetControllerBoundsRect(mc, &bounds);
  if (!PtInRect(pt, &bounds)) return false;
  switch (c->visible ? parthit(*c, pt) : Part::none) {
    case Part::play: MCPlay(mc, GetMovieRate(c->movie) != 0 ? 0 : GetMoviePreferredRate(c->movie)); break;
    case Part::stepback:
    case Part::stepforward: {
      StopMovie(c->movie);
      TimeScale scale = GetMovieTimeScale(c->movie);
      TimeValue step = std::max(1, scale / 30);
      bool back = parthit(*c, pt) == Part::stepback;
      SetMovieTimeValue(c->movie, GetMovieTime(c->movie) + (back ? -step : step));
      break;
    }
    case Part::slider: {
      Rect bar = barof(c->movie);
      i32 left = bar.left + ((c->flags & mcFlagSuppressStepButtons) ? 16 : 48);
      i32 right = bar.right - ((c->flags & mcFlagSuppressSpeakerButton) ? 0 : 16);
      if (right > left)
        SetMovieTimeValue(c->movie, TimeValue(i64(pt.h - left) * GetMovieDuration(c->movie) / (right - left)));
      break;
    }
    case Part::speaker: MCToggleMute(mc); break;
    case Part::none: break;
  }
  MCDraw(mc);
  return true;
}

}  // namespace kv
