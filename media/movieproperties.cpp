// Setting movie properties: movie(id, set, property, value).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "commands/functions.h"
#include "engine/expression.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/movies.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "properties/valueparsers.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "system/proctable.h"

namespace kv {

namespace {

// The value: every expression up to the closing parenthesis, joined by commas.
scriptstatus readvalue(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used,
                       std::string* out) {
  i32 i = at;
  for (;;) {
    fred v;
    i32 n = 0;
    if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &n, &v)) return st;
    Str255 s;
    fredtostring(&v, s);
    disposfred(&v);
    out->append(reinterpret_cast<const char*>(s + 1), s[0]);
    i += n;
    if (tokenat(atoms, i) != tok::comma) break;
    out->push_back(',');
    ++i;
  }
  *used = i - at;
  return 0;
}

i16 readbool(const std::string& v, bool* b) {
  Str255 s;
  s[0] = u8(std::min<std::size_t>(v.size(), 255));
  std::memcpy(s + 1, v.data(), s[0]);
  fred f;
  if (stringtonewfred(s, &f)) return 37;
  u16 flag = 0;
  i16 st = fredtobool(&f, &flag);
  disposfred(&f);
  *b = flag != 0;
  return st;
}

i16 readlong(const std::string& v, i32* n) {
  Str255 s;
  s[0] = u8(std::min<std::size_t>(v.size(), 255));
  std::memcpy(s + 1, v.data(), s[0]);
  fred f;
  if (stringtonewfred(s, &f)) return 37;
  i16 st = fredtolong(&f, n);
  disposfred(&f);
  return st;
}

i16 readtime(const moovrec& e, const std::string& v, i32* t) {
  Str255 s;
  s[0] = u8(std::min<std::size_t>(v.size(), 255));
  std::memcpy(s + 1, v.data(), s[0]);
  return stringtotimevalue(GetMovieTimeScale(e.movie), s, t);
}

// A region value: the id of a live 8-byte holder of 'REGN' and a live region.
bool regionvalue(i32 v, RgnHandle* rgn, Handle* holder) {
  Handle h = Handle(u32(v));
  if (!IsValidHandle(h) || GetHandleSize(h) != 8) return false;
  u32 tag, r;
  std::memcpy(&tag, deref(h), 4);
  std::memcpy(&r, deref(h) + 4, 4);
  if (tag != fourcc("REGN") || !IsValidRgn(RgnHandle(r))) return false;
  *rgn = RgnHandle(r);
  *holder = h;
  return true;
}

// Exactly four points h,v: eight whole numbers separated by commas.
bool readquad(const std::string& v, Point q[4]) {
  i32 k[8];
  std::size_t at = 0;
  for (int n = 0; n < 8; ++n) {
    std::size_t end = v.find(',', at);
    if ((end == std::string::npos) != (n == 7)) return false;
    std::string part = v.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (readlong(part, &k[n]) != 0) return false;
    at = end + 1;
  }
  for (int n = 0; n < 4; ++n) q[n] = Point{i16(k[n * 2 + 1]), i16(k[n * 2])};
  return true;
}

void redrawcurrent() { drawedit(mainglobals().current, nullptr); }

}  // namespace

scriptstatus doset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value,
                   Movie id) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::comma) ++i;
  u16 prop = tokenat(atoms, i++);
  if (tokenat(atoms, i) == tok::comma) ++i;
  std::string v;
  i32 used = 0;
  if (i16 st = readvalue(path, text, atoms, i, variables, &used, &v)) return st;
  i += used;
  *count = i - at;
  // The movie is found after the value ran: its expression may have added or removed movies.
  i32 index = findmovieentry(id);
  if (index < 0) return textonewfred("Invalid movie reference", value);
  moovrec& e = movietable()[std::size_t(index)];
  MovieController mc = e.controller;
  Movie m = e.movie;
  bool b = false;
  i32 n = 0;
  i16 st = 0;
  if (vrsettableword(prop)) return stringtonewfred(resultstr(resultnovr), value);
  switch (prop) {
    case tok::looping:
      if (!(st = readbool(v, &b))) MCSetLooping(mc, b);
      break;
    case tok::loopispalindrome:
      if (!(st = readbool(v, &b))) {
        if (b) MCSetLooping(mc, true);
        MCSetLoopIsPalindrome(mc, b);
      }
      break;
    case tok::playeveryframe:
      if (!(st = readbool(v, &b))) MCSetPlayEveryFrame(mc, b);
      break;
    case tok::playselection:
      if (!(st = readbool(v, &b))) MCSetPlaySelection(mc, b);
      break;
    case tok::showbadge:
      if (!(st = readbool(v, &b))) MCSetUseBadge(mc, b);
      break;
    case tok::showcontroller:
      if (!(st = readbool(v, &b))) {
        MCSetVisible(mc, b);
        MCDraw(mc);
      }
      break;
    case tok::showborder:
    case tok::showstepbuttons:
    case tok::showspeakerbutton:
      if (!(st = readbool(v, &b))) {
        u32 bit = prop == tok::showborder        ? mcFlagSuppressMovieFrame
                  : prop == tok::showstepbuttons ? mcFlagSuppressStepButtons
                                                 : mcFlagSuppressSpeakerButton;
        u32 flags = MCGetControllerFlags(mc);
        MCSetControllerFlags(mc, b ? flags & ~bit : flags | bit);
      }
      break;
    case tok::editable:
      if (!(st = readbool(v, &b))) MCEnableEditing(mc, b);
      break;
    // A negative volume mutes (its magnitude is kept for unmuting).
    case tok::volume:
      if (!(st = readlong(v, &n))) MCSetVolume(mc, i16(std::clamp(n, -32767, 32767)));
      break;
    case tok::playrate: {
      double r = 0;
      fred f;
      Str255 s;
      s[0] = u8(std::min<std::size_t>(v.size(), 255));
      std::memcpy(s + 1, v.data(), s[0]);
      if (stringtonewfred(s, &f)) return 37;
      st = fredtodouble(&f, &r);
      disposfred(&f);
      if (!st) {
        Fixed rate = doubletofixed(r);
        PrerollMovie(m, GetMovieTime(m), rate);
        SetMovieRate(m, rate);
        MCMovieChanged(mc);
      }
      break;
    }
    case tok::editselection: {
      std::size_t comma = v.find(',');
      i32 a = 0, z = 0;
      if (comma == std::string::npos) return 140;
      if ((st = readtime(e, v.substr(0, comma), &a)) || (st = readtime(e, v.substr(comma + 1), &z))) return st;
      SetMovieSelection(m, a, z - a);
      MCMovieChanged(mc);
      break;
    }
    case tok::currenttime:
      if (!(st = readtime(e, v, &n))) SetMovieTimeValue(m, n);  // clamped to the duration
      break;
    case tok::callbacktime:
      if (!(st = readtime(e, v, &n))) {
        e.callbacktime = n;
        if (e.callbackarmed && armmoviecallback(m, n, getproc<70>(), i32(m)) != noErr) e.callbackarmed = 0;
      }
      break;
    case tok::allowcallbacks:
      if ((st = readbool(v, &b)) || b == (e.allowcallbacks != 0)) break;
      if (b) {
        // Armed with the movie's id, which stays while earlier entries go.
        if (armmoviecallback(m, e.callbacktime, getproc<70>(), i32(m)) != noErr) break;
        e.callbackarmed = 1;
      } else {
        cancelmoviecallback(m);
        e.callbackarmed = 0;
      }
      e.allowcallbacks = b;
      break;
    case tok::clip: {
      RgnHandle rgn = nilid;
      Handle holder = nilhandle;
      if ((st = readlong(v, &n)) != 0) break;
      if (!regionvalue(n, &rgn, &holder)) return 2;
      Rect interior;
      RgnHandle window = NewRgn();
      GetWindowPortBounds(e.window, &interior);
      RectRgn(window, interior);
      MCSetClip(mc, window, rgn);
      DisposeRgn(window);
      if (e.clip) DisposeRgn(e.clip);
      e.clip = nilid;
      DisposeRgn(rgn);
      DisposeHandle(holder);
      break;
    }
    case tok::rotation: {
      if ((st = readlong(v, &n)) != 0) break;
      e.rotation = n % 360;
      i32 w = e.rect.right - e.rect.left, h = e.rect.bottom - e.rect.top;
      MatrixRecord mx;
      SetIdentityMatrix(&mx);
      RotateMatrix(&mx, Long2Fix(e.rotation), Long2Fix(w / 2), Long2Fix(h / 2));
      TranslateMatrix(&mx, Long2Fix((e.rect.left + e.rect.right) / 2 - w / 2),
                      Long2Fix((e.rect.top + e.rect.bottom) / 2 - h / 2));
      SetMovieMatrix(m, &mx);
      MCMovieChanged(mc);
      break;
    }
    case tok::quad: {
      Point q[4];
      if (!readquad(v, q)) return 2;
      for (int k = 0; k < 4; ++k) e.quad[k] = q[k];
      // The box at the origin mapped onto the quad, then moved by the quad's centre less the
      // box's; an empty quad puts the plain box back.
      MatrixRecord mx;
      SetIdentityMatrix(&mx);
      Rect qb{q[0].v, q[0].h, q[0].v, q[0].h};
      for (const Point& p : q)
        qb.top = std::min(qb.top, p.v), qb.left = std::min(qb.left, p.h), qb.bottom = std::max(qb.bottom, p.v),
        qb.right = std::max(qb.right, p.h);
      if (!EmptyRect(&qb)) {
        i16 w = i16(e.rect.right - e.rect.left), h = i16(e.rect.bottom - e.rect.top);
        const Point from[4] = {{0, 0}, {0, w}, {h, w}, {h, 0}};
        if (!QuadToQuadMatrix(from, q, &mx)) return 2;
        TranslateMatrix(&mx, Long2Fix((qb.left + qb.right) / 2 - (e.rect.left + e.rect.right) / 2),
                        Long2Fix((qb.top + qb.bottom) / 2 - (e.rect.top + e.rect.bottom) / 2));
      }
      SetMovieMatrix(m, &mx);
      MCMovieChanged(mc);
      break;
    }
    case tok::duration:
    case tok::isdone:
    case tok::isqtvrmovie:
    case tok::name:
    case tok::vishotspots:
    case tok::currentnodename:
    case tok::currentnodetype: return 65;
    default: {
      if (prop != tok::rect && prop != tok::loc && prop != tok::topleft && prop != tok::topright &&
          prop != tok::bottomleft && prop != tok::botright && prop != tok::bottom && prop != tok::height &&
          prop != tok::left && prop != tok::right && prop != tok::top && prop != tok::width)
        return 2;
      Rect r = e.rect;
      std::string s = v;
      if (prop == tok::rect) {
        if (!textorect(s.data(), &r)) return 2;
      } else if (prop == tok::loc || prop == tok::topleft || prop == tok::topright || prop == tok::bottomleft ||
                 prop == tok::botright) {
        Point p;
        if (!textopoint(s.data(), &p)) return 2;
        makearect(prop, p.h, p.v, 0, &r);
      } else {
        if ((st = readlong(v, &n)) != 0) break;
        makearect(prop, 0, 0, i16(n), &r);
      }
      if (EmptyRect(&r)) return 66;
      MCSetControllerBoundsRect(mc, &(const Rect&)Rect{r.top, r.left,
                                                       i16(r.bottom + (MCGetVisible(mc) ? kControllerBarHeight : 0)),
                                                       r.right});
      e.rect = r;
      redrawcurrent();
      break;
    }
  }
  return st != 0 ? st : textonewfred("", value);
}

}  // namespace kv
