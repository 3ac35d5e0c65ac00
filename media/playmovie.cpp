// `play movie`: opening a movie file, its options, playing it in the card window until it ends,
// or leaving it on the card with a controller; clipping movies and the movie layer's errors.
#include <algorithm>
#include <cstring>

#include "commands/objectfunctions.h"
#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "media/mediaservice.h"
#include "media/movies.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "properties/valueparsers.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "core/memoryguard.h"
#include "store/objread.h"

namespace kv {

namespace {

enum : i16 {
  resultnotfound = 13,
  resultrecording = 17,
  resultnoquicktime = 36,
  resultother = 77,
  statusbadoption = 2,
  statusnotobject = 11,
  statusmemory = 37,
  statusqtend = 139,
  statusandscale = 160,
};

struct playoptions {
  bool keep = false, untilmouse = false, untilclick = false, forever = false, at = false, within = false;
  bool centered = false, invisible = false, controller = false, poster = false, scale = false;
  bool showtime = false, hasfrom = false, hasto = false;
  u16 startmode = 0;
  Point atpt{}, centre{};
  Rect box{};
  Fixed rate = fixed1;
  i32 repetitions = 1;
  RgnHandle clip = nilid;  // owned
  i32 show = 0, from = 0, to = 0;
  Str255 showtext{}, fromtext{}, totext{};
};

struct reader {
  hierpath path;
  Handle text, atoms, variables;
  i32 i;
  i16 value(fred* v) {
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, v)) return st;
    i += used;
    return 0;
  }
  i16 integer(i32* n) {
    fred v;
    if (i16 st = value(&v)) return st;
    i16 st = fredtolong(&v, n);
    disposfred(&v);
    return st;
  }
  i16 string(StringPtr s) {
    fred v;
    if (i16 st = value(&v)) return st;
    fredtostring(&v, s);
    disposfred(&v);
    return 0;
  }
  propctx ctx() const { return propctx{path, text, atoms, variables, nilhandle}; }
};

// The shape after `using`: a region value (the id of a live 8-byte holder of 'REGN' and a live
// region), or an object reference, written out or as a value's text, whose shape is taken.
i16 readclipshape(reader& r, playoptions& o) {
  if (o.clip) DisposeRgn(o.clip);
  o.clip = nilid;
  i32 start = r.i;
  if (whichobj(r.atoms, r.i, nullptr) == objnone) {
    fred v;
    i32 used = 0;
    if (i16 st = anyfact(r.path, r.text, r.atoms, r.i, r.variables, nilhandle, &used, &v)) return st;
    i32 n = 0;
    bool isnumber = fredtolong(&v, &n) == 0;
    disposfred(&v);
    if (isnumber) {
      r.i += used;
      Handle h = Handle(u32(n));
      u32 tag = 0, rgn = 0;
      if (!IsValidHandle(h) || GetHandleSize(h) != 8) return statusbadoption;
      std::memcpy(&tag, deref(h), 4);
      std::memcpy(&rgn, deref(h) + 4, 4);
      if (tag != fourcc("REGN") || !IsValidRgn(RgnHandle(rgn))) return statusbadoption;
      o.clip = NewRgn();
      CopyRgn(RgnHandle(rgn), o.clip);
      return 0;
    }
  }
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(r.path, r.text, r.atoms, start, r.variables, &used, &obj))
    return st == 2 ? i16(statusnotobject) : st;
  r.i = start + used;
  RgnHandle shape = nilid;
  i16 st = spotorgn(obj, &shape);
  writeobj(&obj);
  if (st) return st;
  o.clip = shape != nilid ? shape : NewRgn();
  return 0;
}

i16 readoptions(reader& r, playoptions& o) {
  while (!statementends(r.atoms, r.i)) {
    u16 t = tokenat(r.atoms, r.i++);
    i16 st = 0;
    switch (t) {
      case tok::keep:
        if (tokenat(r.atoms, r.i++) != tok::pict) return statusbadoption;
        o.keep = true;
        break;
      case tok::until: {
        u16 w = tokenat(r.atoms, r.i++);
        if (w != tok::click && w != tok::mouse) return statusbadoption;
        o.untilclick = true;
        o.untilmouse = w == tok::mouse;
        break;
      }
      case tok::repeat:
        if (tokenat(r.atoms, r.i) == tok::forever) {
          ++r.i;
          o.forever = true;
          break;
        }
        if ((st = r.integer(&o.repetitions)) != 0) return st;
        if (tokenat(r.atoms, r.i) == tok::times) ++r.i;
        break;
      case tok::at: {
        // A point, written out or as one value ("100,100", the clickLoc).
        i32 used = 0;
        if ((st = getloc(r.ctx(), r.i, &used, &o.atpt.h, &o.atpt.v)) != 0) return st;
        r.i += used;
        o.at = true;
        break;
      }
      case tok::within: {
        i32 used = 0;
        if ((st = getrect(r.ctx(), r.i, &used, &o.box)) != 0) return st;
        r.i += used;
        o.within = true;
        break;
      }
      case tok::with:
        if (tokenat(r.atoms, r.i) == tok::invisible) ++r.i, o.invisible = true;
        if (tokenat(r.atoms, r.i++) != tok::controller) return statusbadoption;
        o.controller = true;
        if (tokenat(r.atoms, r.i) == tok::and_) {
          ++r.i;
          u16 w = tokenat(r.atoms, r.i++);
          if (w != tok::start && w != tok::loop && w != tok::palindrome) return statusbadoption;
          o.startmode = w == tok::start ? 1 : w == tok::loop ? 2 : 3;
        }
        break;
      case tok::fast: o.rate = fixed1; break;
      case tok::slow: o.rate = 0xC000; break;
      case tok::very: {
        u16 w = tokenat(r.atoms, r.i++);
        if (w != tok::fast && w != tok::slow) return statusbadoption;
        o.rate = w == tok::fast ? 2 * fixed1 : fixed1 / 2;
        break;
      }
      case tok::speed: {
        i32 n = 0;
        if ((st = r.integer(&n)) != 0) return st;
        o.rate = Long2Fix(std::clamp(n, -32768, 32767));
        break;
      }
      case tok::show:
        if (tokenat(r.atoms, r.i) == tok::poster) {
          ++r.i;
          o.poster = true;
        } else {
          if ((st = r.string(o.showtext)) != 0) return st;
          o.showtime = true;
        }
        break;
      case tok::from:
        if ((st = r.string(o.fromtext)) != 0) return st;
        o.hasfrom = true;
        break;
      case tok::to:
        if ((st = r.string(o.totext)) != 0) return st;
        o.hasto = true;
        break;
      case tok::using_: {
        if ((st = readclipshape(r, o)) != 0) return st;
        if (tokenat(r.atoms, r.i) == tok::and_) {
          ++r.i;
          if (tokenat(r.atoms, r.i++) != tok::scale) return statusandscale;
          o.scale = true;
        } else if (tokenat(r.atoms, r.i) == tok::centered) {
          ++r.i;
          if (tokenat(r.atoms, r.i) == tok::at) ++r.i;
          i32 used = 0;
          if ((st = getloc(r.ctx(), r.i, &used, &o.centre.h, &o.centre.v)) != 0) return st;
          r.i += used;
          o.centered = true;
        }
        break;
      }
      default: return statusbadoption;
    }
  }
  return 0;
}

// Clips the movie to the card's interior and the options' shape.
void setmovieclip(Movie m, MovieController mc, const playoptions& o) {
  Rect interior;
  getinterior(&interior);
  RgnHandle window = NewRgn();
  RectRgn(window, interior);
  RgnHandle shape = nilid;
  if (o.clip) {
    Rect box;
    GetMovieBox(m, &box);
    shape = NewRgn();
    CopyRgn(o.clip, shape);
    Rect b = regionbounds(shape);
    if (o.scale) {
      MapRgn(shape, &b, &box);
    } else {
      i32 cx = b.left + (b.right - b.left) / 2, cy = b.top + (b.bottom - b.top) / 2;
      i32 tx = o.centered ? box.left + o.centre.h : box.left + (box.right - box.left) / 2;
      i32 ty = o.centered ? box.top + o.centre.v : box.top + (box.bottom - box.top) / 2;
      OffsetRgn(shape, i16(tx - cx), i16(ty - cy));
    }
  }
  if (mc) {
    MCSetClip(mc, window, shape);
  } else {
    if (shape) SectRgn(shape, window, window);
    SetMovieDisplayClipRgn(m, window);
  }
  if (shape) DisposeRgn(shape);
  DisposeRgn(window);
}

bool clickqueued() {
  EventRecord e{};
  return EventAvail(mDownMask, &e);
}

}  // namespace

i16 qterr(OSErr err) {
  if (err == 0) return 0;
  static constexpr struct {
    OSErr code;
    i16 text;
  } table[] = {{-2070, 88},  {-2071, 89},  {-2072, 90},  {-2073, 91},  {-2074, 92}, {-2075, 93}, {-2076, 94},
               {-2077, 95},  {-2078, 96},  {-2079, 97},  {-2080, 106}, {-2081, 98}, {-2082, 99}, {-2083, 100},
               {-2085, 101}, {-2086, 102}, {-2087, 103}, {-2089, 104}, {-2090, 105}};
  for (const auto& row : table)
    if (row.code == err) return setresulttext(row.text);
  return setresulttext(resultother);
}

i16 moviefrompath(ConstStringPtr path, Movie* movie, std::string* full) {
  *movie = nilid;
  if (!findmoviefile(path, full) || NewMovieFromPath(*full, movie) != noErr) {
    *movie = nilid;
    setresulttext(resultnotfound);
    return 0;
  }
  WindowRef w = mainglobals().current.window;
  SetMovieGWorld(*movie, IsValidWindowPtr(w) ? GetWindowPort(w) : nilid);
  return 1;
}

scriptstatus playmovie(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  if (!g.hasQuickTime) return setresulttext(resultnoquicktime);
  if (movierecording()) return setresulttext(resultrecording);
  reader r{path, text, atoms, variables, at + 1};
  if (tokenat(atoms, r.i) == tok::file) ++r.i;
  Str255 name;
  if (i16 st = r.string(name)) return st;
  playoptions o;
  i16 st = readoptions(r, o);
  struct clipowner {
    playoptions& o;
    ~clipowner() {
      if (o.clip) DisposeRgn(o.clip);
    }
  } owner{o};
  if (st) return st;
  Movie m = nilid;
  std::string full;
  if (!moviefrompath(name, &m, &full)) return 0;
  TimeScale scale = GetMovieTimeScale(m);
  TimeValue duration = GetMovieDuration(m);
  i32 show = 0, from = 0, to = duration;
  if ((o.showtime && (st = stringtotimevalue(scale, o.showtext, &show))) ||
      (o.hasfrom && (st = stringtotimevalue(scale, o.fromtext, &from))) ||
      (o.hasto && (st = stringtotimevalue(scale, o.totext, &to)))) {
    DisposeMovie(m);
    return st;
  }
  Rect box;
  GetMovieBox(m, &box);
  if (o.at) {
    // In 32 bits, then kept to 16.
    i32 w = box.right - box.left, h = box.bottom - box.top;
    i32 left = o.atpt.h - w / 2, top = o.atpt.v - h / 2;
    box = Rect{i16(top), i16(left), i16(top + h), i16(left + w)};
  } else if (o.within) {
    box = o.box;
  }
  SetMovieBox(m, &box);
  bool single = o.poster || o.showtime;
  if (o.controller && !single) {
    moovrec e;
    e.startmode = o.startmode;
    e.window = g.current.window;
    e.movie = m;
    e.path = full;
    e.playrate = o.rate;
    e.controller = NewMovieController(m, Point{box.top, box.left}, !o.invisible);
    if (!e.controller) {
      DisposeMovie(m);
      return setresulttext(resultnotfound);
    }
    MCSetUseBadge(e.controller, false);
    GetMovieBox(m, &e.rect);
    setmovieclip(m, e.controller, o);
    if (OSErr err = PrerollMovie(m, 0, o.rate)) {
      disposmovie(e);
      return qterr(err);
    }
    if (memoryrefused(120000)) {
      disposmovie(e);
      return statusmemory;
    }
    movietable().push_back(e);
    Str255 id;
    longtostring(i32(m), id);
    return stringtoit(id, variables);
  }
  setmovieclip(m, nilid, o);
  i16 status = 0;
  if (o.poster) {
    ShowMoviePoster(m);
  } else if (o.showtime) {
    SetMovieTimeValue(m, show);
    MoviesTask(m);
    UpdateMovie(m);
  } else {
    from = std::clamp(from, 0, duration);
    to = std::clamp(std::max(to, from), 0, duration);
    SetMovieActiveSegment(m, from, to - from);
    TimeValue start = o.rate >= 0 ? from : to;
    if (OSErr err = PrerollMovie(m, start, o.rate)) {
      DisposeMovie(m);
      return qterr(err);
    }
    if (memoryrefused(120000)) {
      DisposeMovie(m);
      return statusmemory;
    }
    SetMoviePreferredRate(m, o.rate);
    SetMovieTimeValue(m, start);
    StartMovie(m);
    bool first = true;
    while (status == 0 && (o.forever || o.repetitions-- > 0)) {
      if (o.rate < 0 || !first) {
        SetMovieTimeValue(m, start);
        StartMovie(m);
      }
      first = false;
      while (!IsMovieDone(m)) {
        MoviesTask(m);
        checksound(TickCount());
        if ((status = isabort(TickCount())) != 0) break;
        if (o.untilclick && clickqueued()) {
          o.forever = false, o.repetitions = 0;
          break;
        }
        if (GetMovieRate(m) == 0) break;
        Delay(1, nullptr);
      }
      MoviesTask(m);
    }
  }
  // The end of a play without controller.
  FlushEvents(o.untilmouse ? EventMask(everyEvent) : EventMask(everyEvent & ~(mDownMask | mUpMask)), 0);
  GetMovieBox(m, &box);
  OSErr err = GetMoviesError();
  DisposeMovie(m);  // on every path, the error's too
  if (err != noErr && err != invalidMovie) return statusqtend;
  if (!o.keep) drawedit(g.current, &box);
  return status;
}

}  // namespace kv
