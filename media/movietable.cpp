// The open-movie table and the `movie` function: reading movie properties, copying a frame,
// starting, stopping and removing movies, and their release when their window goes.
#include <cstdio>
#include <cstring>

#include "commands/functions.h"
#include "engine/expression.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/imagefiles.h"
#include "media/export.h"
#include "media/mediaservice.h"
#include "media/movies.h"
#include "platform/backend/backend.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/windows.h"
#include "properties/valuewords.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "system/sysinfo.h"

namespace kv {

namespace {

struct MovieTableState {
  std::vector<moovrec> table;
  ~MovieTableState() {
    for (moovrec& e : table) {
      e.incallback = 0;
      disposmovie(e);
    }
  }
};

MovieTableState& mt() { return state<MovieTableState>(); }

const char* boolword(bool b) { return b ? "true" : "false"; }

i16 timetofred(i64 t, Movie m, fred* value) {
  Str255 s;
  formatmovietime(t, GetMovieTimeScale(m), s);
  return stringtonewfred(s, value);
}


bool rectword(u16 t) {
  switch (t) {
    case tok::bottomleft:
    case tok::botright:
    case tok::bottom:
    case tok::height:
    case tok::left:
    case tok::loc:
    case tok::rect:
    case tok::right:
    case tok::top:
    case tok::topleft:
    case tok::topright:
    case tok::width: return true;
    default: return false;
  }
}

i16 getproperty(const moovrec& e, u16 prop, fred* value) {
  Movie m = e.movie;
  MovieController mc = e.controller;
  if (vrword(prop)) return stringtonewfred(resultstr(resultnovr), value);
  if (rectword(prop)) return rectoresult(prop, e.rect, value);
  char buf[64];
  switch (prop) {
    case tok::allowcallbacks: return textonewfred(boolword(e.allowcallbacks), value);
    case tok::callbacktime: return timetofred(e.callbacktime, m, value);
    case tok::currenttime: return timetofred(MCGetCurrentTime(mc, nullptr), m, value);
    case tok::duration: return timetofred(GetMovieDuration(m), m, value);
    case tok::editselection: {
      TimeValue s, d;
      GetMovieSelection(m, &s, &d);
      Str255 a, b;
      formatmovietime(s, GetMovieTimeScale(m), a);
      formatmovietime(i64(s) + d, GetMovieTimeScale(m), b);
      appendchar(',', a);
      appendstring(b, a);
      return stringtonewfred(a, value);
    }
    case tok::editable: return textonewfred(boolword(MCIsEditingEnabled(mc)), value);
    case tok::isdone: return textonewfred(boolword(IsMovieDone(m)), value);
    case tok::isqtvrmovie: return textonewfred(boolword(e.vrinstance != 0), value);
    case tok::looping: return textonewfred(boolword(MCGetLooping(mc)), value);
    case tok::loopispalindrome: return textonewfred(boolword(MCGetLoopIsPalindrome(mc)), value);
    case tok::playeveryframe: return textonewfred(boolword(MCGetPlayEveryFrame(mc)), value);
    case tok::playselection: return textonewfred(boolword(MCGetPlaySelection(mc)), value);
    case tok::showbadge: return textonewfred(boolword(MCGetUseBadge(mc)), value);
    case tok::playrate:
      std::snprintf(buf, sizeof buf, "%#.2f", fixedtodouble(GetMovieRate(m)));
      return textonewfred(buf, value);
    case tok::showborder: return textonewfred(boolword(!(MCGetControllerFlags(mc) & mcFlagSuppressMovieFrame)), value);
    case tok::showstepbuttons:
      return textonewfred(boolword(!(MCGetControllerFlags(mc) & mcFlagSuppressStepButtons)), value);
    case tok::showspeakerbutton:
      return textonewfred(boolword(!(MCGetControllerFlags(mc) & mcFlagSuppressSpeakerButton)), value);
    case tok::showcontroller: return textonewfred(boolword(MCGetVisible(mc)), value);
    case tok::volume: {
      // The magnitude: a muted full volume (-256) still reads 256.
      i32 v = MCGetVolume(mc);
      longtonewfred(v < 0 ? -v : v, value);
      return 0;
    }
    case tok::name: return charstonewfred(e.path.data(), Size(e.path.size()), value);
    case tok::quad: return quadtonewfred(e.quad, value);
    case tok::rotation: longtonewfred(e.rotation, value); return 0;
    default: return 2;
  }
}

// The frame at the controller's time as a picture: onto the clipboard (cleared first), or
// written as a picture file. A movie without a picture copies nothing.
i16 copyframe(const moovrec& e, bool tofile, ConstStringPtr path) {
  PicHandle pic = GetMoviePict(e.movie, MCGetCurrentTime(e.controller, nullptr));
  if (pic == nilhandle) return 0;
  i16 st = 0;
  if (tofile) {
    st = newimagefile(path, pic, fourcc("PICT"));
  } else {
    ClipFlavor f;
    f.type = fourcc("PICT");
    f.bytes.assign(deref(pic), deref(pic) + GetHandleSize(pic));
    backend().setclipboard({f});
  }
  KillPicture(pic);
  return st;
}

}  // namespace

bool vrsettableword(u16 t) {
  switch (t) {
    case tok::allowqtvrmessages:
    case tok::swingtrans:
    case tok::swingspeed:
    case tok::swingdir:
    case tok::panangle:
    case tok::tiltangle:
    case tok::fieldofview:
    case tok::viewcenter:
    case tok::currentnodeid:
    case tok::correctionmode:
    case tok::hotspotenabled:
    case tok::hotspotdisabled:
    case tok::cursor: return true;
    default: return false;
  }
}

bool vrword(u16 t) {
  return vrsettableword(t) || t == tok::vishotspots || t == tok::currentnodename || t == tok::currentnodetype;
}

std::vector<moovrec>& movietable() { return mt().table; }

i32 openmoviecount() {
  if (!hasstate<MovieTableState>()) return 0;
  i32 n = 0;
  for (const moovrec& e : mt().table) n += e.removed ? 0 : 1;
  return n;
}

i32 findmovieentry(Movie id) {
  if (!hasstate<MovieTableState>()) return -1;
  std::vector<moovrec>& t = mt().table;
  for (std::size_t i = 0; i < t.size(); ++i)
    if (t[i].movie == id && !t[i].removed) return i32(i);
  return -1;
}

void disposmovie(moovrec& e) {
  const MainGlobals& g = mainglobals();
  if (e.controller && IsValidWindowPtr(e.window)) MCPlay(e.controller, 0);
  if (e.incallback) {
    // The movie's callback is running: it stays for the movie service, hidden and detached.
    if (e.controller) MCSetVisible(e.controller, false);
    e.removed = 1;
    RgnHandle none = NewRgn();
    SetMovieDisplayClipRgn(e.movie, none);
    DisposeRgn(none);
    SetMovieGWorld(e.movie, nilid);
    e.window = g.msgwindow;
    return;
  }
  if (e.controller) DisposeMovieController(e.controller);
  e.controller = nilid;
  cancelmoviecallback(e.movie);
  DisposeMovie(e.movie);
  e.movie = nilid;
  if (e.clip) DisposeRgn(e.clip);
  e.clip = nilid;
}

void lowremove(i32 index) {
  std::vector<moovrec>& t = mt().table;
  if (index < 0 || index >= i32(t.size())) return;
  moovrec e = t[std::size_t(index)];
  Movie id = e.movie;
  bool valid = IsValidWindowPtr(e.window);
  Rect area = e.rect;
  if (valid && e.controller) {
    Rect b;
    MCGetControllerBoundsRect(e.controller, &b);
    UnionRect(&area, &b, &area);
  }
  disposmovie(e);
  if (e.removed) {  // kept for the movie service
    t[std::size_t(index)] = e;
    return;
  }
  for (std::size_t i = t.size(); i-- > 0;)
    if ((t[i].window == e.window || t[i].window == mainglobals().msgwindow) && t[i].movie == id) {
      t.erase(t.begin() + i32(i));
      break;
    }
  if (valid) InvalWindowRect(e.window, &area);
}

void hilitemoovs(RegistryId window) {
  if (!hasstate<MovieTableState>() || window == nilid || !IsValidWindowPtr(window)) return;
  const bool active = IsWindowHilited(window);
  for (moovrec& e : mt().table) {
    if (e.window != window || e.removed || e.controller == nilid) continue;
    // A window that goes to the back stops its movies.
    if (!active) MCPlay(e.controller, 0);
    MCActivate(e.controller, active);
  }
}

void dumpmoovs(RegistryId window, bool redraw) {
  if (!hasstate<MovieTableState>()) return;
  std::vector<moovrec>& t = mt().table;
  RegistryId msg = mainglobals().msgwindow;
  for (std::size_t i = t.size(); i-- > 0;) {
    moovrec& e = t[i];
    bool mine = window == nilid || e.window == window;
    // Entries detached into the message box are released too, except one whose callback runs.
    if (!mine && !(e.window == msg && e.removed)) continue;
    if (e.incallback && !mine) continue;
    disposmovie(e);
    if (!e.removed || !e.incallback) t.erase(t.begin() + i32(i));
  }
  if (redraw && window != nilid && IsValidWindowPtr(window) && window == mainglobals().current.window)
    drawedit(mainglobals().current, nullptr);
}

scriptstatus funmovie(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  i32 i = at + 1;
  if (tokenat(atoms, i) != tok::leftparen) return err::noparens;
  ++i;
  fred idv;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &idv)) return st;
  i32 id = 0;
  i16 st = fredtolong(&idv, &id);
  disposfred(&idv);
  if (st) return st;
  i += used;
  if (tokenat(atoms, i) == tok::comma) ++i;
  i32 index = findmovieentry(Movie(id));
  if (index < 0) {
    // The rest of the call is not read: skip to its closing parenthesis.
    i32 depth = 1;
    for (; depth > 0 && !statementends(atoms, i); ++i) {
      u16 t = tokenat(atoms, i);
      depth += t == tok::leftparen ? 1 : t == tok::rightparen ? -1 : 0;
    }
    *count = i - at;
    return textonewfred("Invalid movie reference", value);
  }
  moovrec e = mt().table[std::size_t(index)];
  u16 sub = tokenat(atoms, i++);
  switch (sub) {
    case tok::get: {
      if (tokenat(atoms, i) == tok::comma) ++i;
      if ((st = getproperty(e, tokenat(atoms, i++), value)) != 0) return st;
      break;
    }
    case tok::set: {
      i32 n = 0;
      if ((st = doset(path, text, atoms, i - 1, variables, &n, value, e.movie)) != 0) return st;
      i += n - 1;
      break;
    }
    case tok::copy: {
      if (tokenat(atoms, i) == tok::comma) ++i;
      if (tokenat(atoms, i) != tok::rightparen) {
        fred p;
        if ((st = expression(path, text, atoms, i, variables, nilhandle, &used, &p)) != 0) return st;
        Str255 name;
        fredtostring(&p, name);
        disposfred(&p);
        i += used;
        if (tokenat(atoms, i) != tok::rightparen) return err::noparen;
        if ((st = copyframe(e, true, name)) != 0) return st;
      } else if ((st = copyframe(e, false, nullptr)) != 0) {
        return st;
      }
      textonewfred("", value);
      break;
    }
    case tok::idle:
      checkmovies(EventRecord{});
      textonewfred("", value);
      break;  // the service, once
    case tok::remove:
      if (e.incallback) mt().table[std::size_t(index)].removed = 1;
      else lowremove(index);
      textonewfred("", value);
      break;
    case tok::start:
      MCPrerollAndPlay(e.controller, e.playrate);
      textonewfred("", value);
      break;
    case tok::stop: {
      bool every = MCGetPlayEveryFrame(e.controller);
      MCSetPlayEveryFrame(e.controller, false);
      MCPlay(e.controller, 0);
      MCMovieChanged(e.controller);
      MCSetPlayEveryFrame(e.controller, every);
      textonewfred("", value);
      break;
    }
    case tok::trigger:
    case tok::nudge: {
      // No QuickTime VR: the argument is read and the value is result text 69.
      if (tokenat(atoms, i) == tok::comma) ++i;
      if (sub == tok::trigger) {
        fred h;
        if ((st = expression(path, text, atoms, i, variables, nilhandle, &used, &h)) != 0) return st;
        disposfred(&h);
        i += used;
      } else {
        ++i;
      }
      stringtonewfred(resultstr(resultnovr), value);
      break;
    }
    default: return 2;
  }
  if (tokenat(atoms, i) != tok::rightparen) {
    disposfred(value);
    return err::noparen;
  }
  *count = i + 1 - at;
  return 0;
}

}  // namespace kv
