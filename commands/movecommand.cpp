#include "commands/movecommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/pointlists.h"
#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "properties/propfront.h"
#include "render/spotgeometry.h"
#include "shell/eventqueue.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/objread.h"
#include "tools/shapegeometry.h"

namespace kv {

namespace {

constexpr i32 kDefaultNudge = 15;

i16 clamp16(i32 n) { return i16(std::clamp<i32>(n, -32768, 32767)); }

// What the words after the point list ask for.
struct moveoptions {
  bool jump = false;
  i32 steps = kDefaultNudge;  // nudge: pixels per step; jump: steps per leg
  i32 wait = 0;               // ticks after each step
  bool until = false;         // a click stops the move
  bool mouse = false;         // every pending event is flushed at the end
  bool collect = false;       // positions go into `dest`
  chunkpart dest{};
};

// One expression read as a whole number; *i moves past it.
scriptstatus wholenumber(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, i32* out) {
  fred v;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v)) return st;
  i16 st = fredtolong(&v, out);
  disposfred(&v);
  if (st == 0) *i += used;
  return st;
}

// The options from atom i to the end of the statement, in their order; 19 for words left.
scriptstatus readoptions(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, moveoptions* o) {
  const u16 mode = tokenat(atoms, i);
  if (mode == tok::nudge || mode == tok::jump) {
    ++i;
    if (i16 st = wholenumber(path, text, atoms, &i, variables, &o->steps)) return st;
    o->steps = std::clamp<i32>(o->steps, 1, 32767);
    o->jump = mode == tok::jump;
  }
  if (tokenat(atoms, i) == tok::wait) {
    ++i;
    if (i16 st = wholenumber(path, text, atoms, &i, variables, &o->wait)) return st;
    o->wait = std::clamp<i32>(o->wait, 0, 32767);
  }
  if (tokenat(atoms, i) == tok::until) {
    o->until = true;
    if (tokenat(atoms, ++i) == tok::mouse) {
      o->mouse = true;
      ++i;
    }
    if (tokenat(atoms, i) == tok::click) ++i;
  }
  if (tokenat(atoms, i) == tok::into) {
    i32 used = 0;
    if (i16 st = destination(path, text, atoms, i + 1, variables, nilhandle, &used, &o->dest, 1, 0)) return st;
    o->collect = true;
    i += 1 + used;
  }
  return statementends(atoms, i) ? i16(0) : err::stray;
}

// The pixels of one step towards `to`: nudge n moves n pixels along the major axis; jump n
// divides the leg into n steps (rounded up), so that the nth step arrives.
i16 steplength(Point from, Point to, const moveoptions& o) {
  if (!o.jump) return i16(o.steps);
  const i32 major = std::max(std::abs(i32(to.h) - from.h), std::abs(i32(to.v) - from.v));
  return i16(std::clamp<i32>((major + o.steps - 1) / o.steps, 1, 32767));
}

// True when the user clicked: the button is down now, or a press is waiting in the queue.
bool clicked() { return Button() || EventAvail(mDownMask, nullptr); }

class mover {
 public:
  mover(objread& obj, const moveoptions& o) : obj_(obj), o_(o) {
    const spot s = spotat(obj.objects, obj.objindex);
    width_ = i32(s.rect.right) - s.rect.left;
    height_ = i32(s.rect.bottom) - s.rect.top;
    centre_ = Point{clamp16(s.rect.top + (height_ >> 1)), clamp16(s.rect.left + (width_ >> 1))};
  }

  Point centre() const { return centre_; }
  bool moved() const { return moved_; }
  std::string& collected() { return collected_; }

  // Goes from the current centre to `to`, one position at a time: 0, or the status that
  // stopped it (*stopped when a click did).
  i16 leg(Point to, bool* stopped) {
    const Point from = centre_;
    if (from.h == to.h && from.v == to.v) return 0;
    const i16 step = steplength(from, to, o_);
    Point at = from;
    i16 more = 1;
    while (more != 0) {
      more = stepoint(from, to, &at, step);
      if (i16 st = visit(at)) return st;
      centre_ = at;
      if (i16 st = isabort(0)) return st;
      if (o_.until && clicked()) {
        *stopped = true;
        return 0;
      }
    }
    return 0;
  }

 private:
  i16 visit(Point at) {
    if (o_.collect) {
      char pair[16];
      const int n = std::snprintf(pair, sizeof pair, "%s%d,%d", collected_.empty() ? "" : ",", at.h, at.v);
      if (memoryrefused(Size(n))) return err::nomemory;
      collected_.append(pair, size_t(n));
      return 0;
    }
    if (obj_.objindex < 0 || obj_.objindex >= spotcount(obj_.objects)) return 0;
    const Rect before = spotat(obj_.objects, obj_.objindex).rect;
    // Computed wide and held to 16 bits edge by edge, so that a centre near the limits never
    // wraps the rectangle round.
    const i32 top = i32(at.v) - (height_ >> 1), left = i32(at.h) - (width_ >> 1);
    const Rect placed{clamp16(top), clamp16(left), clamp16(top + height_), clamp16(left + width_)};
    if (i16 st = mapspot(obj_.objects, obj_.objindex, placed, false)) return st;
    moved_ = true;
    redraw(before, spotat(obj_.objects, obj_.objindex).rect);
    if (o_.wait > 0) {
      u32 end = 0;
      Delay(u32(o_.wait), &end);
    }
    return 0;
  }

  // The union of the two rectangles in the window that shows the object's card, flushed.
  void redraw(const Rect& a, const Rect& b) {
    desk shown{};
    if (obj_.d.window == nilid || getwind(obj_.d.window, &shown) == 0 || shown.cardrecid != obj_.d.cardrecid) return;
    const Rect both{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
                    std::max(a.right, b.right)};
    drawedit(shown, &both);
    if (IsValidWindowPtr(shown.window)) EconomyFlush(GetWindowPort(shown.window), nilid);
  }

  objread& obj_;
  const moveoptions& o_;
  i32 width_ = 0, height_ = 0;
  Point centre_{};
  bool moved_ = false;
  std::string collected_;
};

// The list's points made absolute: each relative to the one before, the first to `origin`.
void makeabsolute(Handle points, Point origin) {
  Point* p = HandleAs<Point>(points);
  Point before = origin;
  for (Size k = 0; k < HandleCount<Point>(points); ++k) {
    p[k] = Point{clamp16(i32(before.v) + p[k].v), clamp16(i32(before.h) + p[k].h)};
    before = p[k];
  }
}

// Walks every leg of the path, then hands the collected positions to the container.
i16 walk(objread& obj, Handle points, bool relative, moveoptions& o, bool* moved) {
  mover m(obj, o);
  if (relative) makeabsolute(points, m.centre());
  i16 st = 0;
  bool stopped = false;
  for (Size k = 0; st == 0 && !stopped && k < HandleCount<Point>(points); ++k)
    st = m.leg(HandleAs<Point>(points)[k], &stopped);
  *moved = m.moved();
  if (!o.collect) return st;
  o.collect = false;
  if (st != 0) {
    releasecontainer(&o.dest);
    return st;
  }
  fred value;
  if ((st = charstonewfred(m.collected().data(), Size(m.collected().size()), &value))) {
    releasecontainer(&o.dest);
    return st;
  }
  return pututil(&o.dest, &value, tok::into);
}

}  // namespace

scriptstatus comove(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at + 1, variables, &used, &obj)) return st;
  i32 i = at + 1 + used;
  if (obj.kind != objpart || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects)) {
    writeobj(&obj);
    return err::notext;
  }
  // The editing states of the object's kind end before it moves; a handler that went
  // elsewhere meanwhile ends the move.
  const u16 kind = spotat(obj.objects, obj.objindex).kind;
  const u64 changes = mainglobals().layerchanges;
  i16 st = 0;
  if (kind == spotfield) st = putdownfield();
  if (kind == spotgraphic) putdownmodes();
  const bool gone = mainglobals().layerchanges != changes;
  if (st == 0 && !gone && obj.objindex >= spotcount(obj.objects)) st = err::notext;
  const u16 word = tokenat(atoms, i);
  if (st == 0 && !gone && word != tok::to && word != tok::rel) st = err::notoorrelative;
  if (st != 0 || gone) {
    writeobj(&obj);
    return st;
  }
  Handle points = nilhandle;
  moveoptions o;
  st = getloclist(path, text, atoms, i + 1, variables, &used, &points);
  if (st == 0) st = readoptions(path, text, atoms, i + 1 + used, variables, &o);
  bool moved = false;
  if (st == 0) st = walk(obj, points, word == tok::rel, o, &moved);
  if (o.collect) releasecontainer(&o.dest);
  const EventMask flushed = o.mouse ? EventMask(everyEvent) : EventMask(everyEvent & ~(mDownMask | mUpMask));
  FlushEvents(flushed, 0);
  if (points != nilhandle) DisposeHandle(points);
  // Whatever stopped the move, an object that moved is kept where it shows.
  if (moved) markowner(obj);
  writeobj(&obj);
  return st;
}

}  // namespace kv
