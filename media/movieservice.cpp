// The movie service: movies left on cards are started, serviced with every event, released
// once removed, and turn clicks and time callbacks into "movieClick" and "movieCallBack".
#include <cstdio>
#include <string>

#include "engine/objectsend.h"
#include "media/mediaservice.h"
#include "media/movies.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "core/mainglobals.h"
#include "system/windowkind.h"

namespace kv {

namespace {

// The index of a movie's entry, removed ones included; -1 when it has none.
i32 entryof(Movie id) {
  std::vector<moovrec>& t = movietable();
  for (std::size_t i = 0; i < t.size(); ++i)
    if (t[i].movie == id) return i32(i);
  return -1;
}

std::string timetext(Movie m, MovieController mc) {
  Str255 s;
  formatmovietime(MCGetCurrentTime(mc, nullptr), GetMovieTimeScale(m), s);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

// Starts a new entry: its loop settings, its first drawing and, with a start mode, its play.
void startentry(moovrec& e) {
  MovieController mc = e.controller;
  if (e.startmode == 2 || e.startmode == 3) MCSetLooping(mc, true);
  if (e.startmode == 3) MCSetLoopIsPalindrome(mc, true);
  MCDraw(mc);
  if (e.startmode >= 1 && e.startmode <= 3) MCPlay(mc, e.playrate);
}

}  // namespace

i32 playingmovies() { return i32(movietable().size()); }

bool hotmovie(WindowRef moviewindow, WindowRef window) {
  if (window == nilid) return true;
  return moviewindow == mainglobals().current.window || moviewindow == window ||
         windowkind(moviewindow, kindquerypalette) != 0;
}

i16 checkmovies(const EventRecord& event) {
  if (event.what == osEvt || movietable().empty()) return 0;
  const MainGlobals& g = mainglobals();
  i32 took = -1;
  std::vector<moovrec>& t = movietable();
  // The count is read again on every step: removals shift later entries down onto this index.
  for (i32 i = 0; i < i32(t.size());) {
    moovrec e = t[std::size_t(i)];
    if (e.removed || e.window == nilid || !IsValidWindowPtr(e.window) || e.window == g.msgwindow) {
      t[std::size_t(i)].removed = 1;
      lowremove(i);
      // An entry whose callback still runs stays where it is: go past it.
      if (i < i32(t.size()) && t[std::size_t(i)].movie == e.movie) ++i;
      continue;
    }
    if (e.startpending) {
      t[std::size_t(i)].startpending = 0;
      startentry(e);
    }
    if (e.controller != nilid && MCIsPlayerEvent(e.controller, event)) {
      took = i;
      break;
    }
    // The controller's task may have sent a callback whose script changed the table.
    i32 at = entryof(e.movie);
    i = (at < 0 ? i : at + 1);
  }
  if (took < 0) return 0;
  if (event.what == mouseDown) {
    const moovrec& e = t[std::size_t(took)];
    Point pt = event.where;
    SavePort saved;
    SetPortWindowPort(e.window);
    GlobalToLocal(&pt);
    if (PtInRect(pt, &e.rect)) {
      char buf[300];
      std::snprintf(buf, sizeof buf, "movieClick %ld,\"%s\",\"%ld,%ld\"", long(e.movie),
                    timetext(e.movie, e.controller).c_str(), long(pt.h - e.rect.left), long(pt.v - e.rect.top));
      cardsend(buf, sendnormal, g.current.window);
    }
  }
  return 1;
}

void updatemovies(WindowRef window) {
  if (movietable().empty()) return;
  SavePort saved;
  for (const moovrec& e : movietable()) {
    if (e.removed || e.controller == nilid || !IsValidWindowPtr(e.window) || !hotmovie(e.window, window)) continue;
    SetPortWindowPort(e.window);
    MCDraw(e.controller);
    Rect box;
    GetMovieBox(e.movie, &box);
    ValidWindowRect(e.window, &box);
  }
}

void showhidecontrollers(bool visible) {
  SavePort saved;
  for (const moovrec& e : movietable()) {
    if (e.removed || e.controller == nilid || !IsValidWindowPtr(e.window)) continue;
    SetPortWindowPort(e.window);
    Rect bounds;
    MCGetControllerBoundsRect(e.controller, &bounds);
    MCSetVisible(e.controller, visible);
    // A hidden bar's area is drawn again by the card.
    if (!visible) InvalWindowRect(e.window, &bounds);
    MCDraw(e.controller);
  }
}

void PmovieRTmoovcallback(Movie movie, i32 refcon) {
  // Armed with the movie's id, so that entries leaving the table never point it elsewhere.
  i32 i = entryof(Movie(u32(refcon)));
  if (i < 0 || movie != Movie(u32(refcon))) return;
  std::vector<moovrec>& t = movietable();
  const MainGlobals& g = mainglobals();
  moovrec e = t[std::size_t(i)];
  if (e.removed) return;
  if (e.window == nilid || !IsValidWindowPtr(e.window) || e.window == g.msgwindow) {
    t[std::size_t(i)].removed = 1;
    return;
  }
  if (!e.allowcallbacks) return;
  t[std::size_t(i)].incallback = 1;
  char buf[300];
  std::snprintf(buf, sizeof buf, "movieCallBack %ld,\"%s\"", long(e.movie), timetext(e.movie, e.controller).c_str());
  cardsend(buf, sendnormal, g.current.window);
  if ((i = entryof(movie)) >= 0) t[std::size_t(i)].incallback = 0;
}

}  // namespace kv
