// `set [the] <geometry word> of <target> to <value>` for the twelve words that place or size
// something (`loc`, `rect`, `topLeft`, ... `width`, `height`): objects are mapped onto their new
// rectangle and redrawn, windows limited, stored and moved, the message box moved; of the
// cursor only `loc` can be set.
#include <algorithm>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/valueparsers.h"
#include "render/drawservices.h"
#include "render/fielddrawing.h"
#include "render/objectbounds.h"
#include "render/spotgeometry.h"
#include "shell/drawcase.h"
#include "shell/eventqueue.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/objectresize.h"
#include "shell/platformutil.h"
#include "shell/redraws.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/refwords.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u16 styleline = 103;
constexpr u32 kSpotVisible = 1u << 0, kWindowShowsInvisibles = 1u << 7;

enum class target : u8 { object, message, cursor };

bool pointword(u16 token) {
  return token == tok::loc || token == tok::topleft || token == tok::topright || token == tok::bottomleft ||
         token == tok::botright;
}

bool emptyrect(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

// The value of the word: a point, a rectangle or one integer, read up to the statement's end.
struct geometryvalue {
  i16 h = 0, v = 0, n = 0;
  Rect rect{};
};

i16 readgeometry(const propctx& c, u16 word, i32 i, geometryvalue* out) {
  i32 used = 0;
  i16 st = 0;
  if (pointword(word)) {
    st = getloc(c, i, &used, &out->h, &out->v);
  } else if (word == tok::rect) {
    st = getrect(c, i, &used, &out->rect);
  } else {
    fred value;
    if ((st = expression(c.path, c.text, c.atoms, i, c.variables, c.locals, &used, &value))) return st;
    i32 n = 0;
    st = fredtolong(&value, &n);
    disposfred(&value);
    out->n = i16(n);
  }
  if (st != 0) return st;
  return lineends(c, i + used) ? i16(0) : err::stray;
}

// The new rectangle from the current one.
Rect newrect(u16 word, const geometryvalue& g, Rect r) {
  if (word == tok::rect) return g.rect;
  makearect(word, g.h, g.v, g.n, &r);
  return r;
}

// An object may take an empty rectangle only as a line, or as a polygon for `loc`, or for
// `rect` when its width and height are not negative.
bool takesrect(const spot& s, u16 word, const Rect& r) {
  if (!emptyrect(r)) return true;
  if (s.style == styleline) return true;
  if (s.style == stylepolygon || s.style == stylepolybutton) {
    if (word == tok::loc) return true;
    if (word == tok::rect) return r.bottom >= r.top && r.right >= r.left;
  }
  return false;
}

// Row bytes of a pixel image of a width at a depth (1 or 8).
i64 imagesize(const Rect& r, i32 depth) {
  i64 width = i64(r.right) - r.left, height = i64(r.bottom) - r.top;
  i64 rowbytes = depth == 8 ? ((width + 3) & ~i64(3)) : ((width + 15) / 16) * 2;
  return rowbytes * height;
}

i16 moveobject(const objread& obj, u16 word, const geometryvalue& g) {
  spot s = spotat(obj.objects, obj.objindex);
  Rect r = newrect(word, g, s.rect);
  if (!takesrect(s, word, r)) return err::emptyrect;
  if (s.style == stylebitmap) {
    bool colour = getgraphictail(s).startangle != 0;
    i64 bytes = imagesize(r, colour ? 8 : 1);
    if (bytes > INT32_MAX || memoryrefused(Size(std::max<i64>(bytes, 0)))) return err::nomemory;
    // The pixels are matched through the colour table of the bitmap's own layer.
    MainGlobals& m = mainglobals();
    m.currentclut = obj.objects == obj.d.backspots ? obj.d.backclut : obj.d.cardclut;
  }
  Rect before{};
  calcspot(obj.objects, i16(obj.objindex), &before);
  if (mapspot(obj.objects, obj.objindex, r, false) != 0) return err::nomemory;
  markowner(obj);
  // Redrawn when the window shows the object's card and the object can be seen.
  desk shown{};
  if (obj.d.window == nilid || getwind(obj.d.window, &shown) == 0 || shown.cardrecid != obj.d.cardrecid) return 0;
  u32 windflags = shown.wind != nilhandle ? loadat<windrec>(deref(shown.wind)).flags : 0;
  if (!(s.flags & kSpotVisible) && !(windflags & kWindowShowsInvisibles)) return 0;
  Rect after{};
  calcspot(obj.objects, i16(obj.objindex), &after);
  if (after.top == before.top && after.left == before.left && after.bottom == before.bottom &&
      after.right == before.right)
    return 0;
  Rect area{std::min(before.top, after.top), std::min(before.left, after.left), std::max(before.bottom, after.bottom),
            std::max(before.right, after.right)};
  drawedit(shown, &area);
  return 0;
}

i16 movewindow(const objread& obj, u16 word, const geometryvalue& g) {
  if (mainglobals().plugin != 0) return err::pluginproperty;
  windrec w = loadat<windrec>(deref(obj.d.wind));
  const Rect old = w.rect1;
  Rect r = newrect(word, g, old);
  limitrect(&r);
  limitrectoback(&r, obj.d);
  if (word == tok::width || word == tok::height) {
    // Centred again on the old centre with its limited size.
    i32 width = r.right - r.left, height = r.bottom - r.top;
    i32 h = (i32(old.left) + old.right) >> 1, v = (i32(old.top) + old.bottom) >> 1;
    if (word == tok::width) r.left = i16(h - (width >> 1)), r.right = i16(r.left + width);
    else r.top = i16(v - (height >> 1)), r.bottom = i16(r.top + height);
  }
  w.rect1 = r;
  storeat<windrec>(deref(obj.d.wind), w);
  markowner(obj);
  desk open{};
  if (haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid) {
    // The window moves, its objects follow their anchoring and it is drawn again as one
    // change on the screen.
    const bool first = lockscreen() == 1;
    rectowind(r, open.window);
    getwind(open.window, &open);
    resizespots(open, 0, 0, 0);
    drawframe(open.window);
    unlockscreen();
    if (first && IsValidWindowPtr(open.window)) EconomyFlush(GetWindowPort(open.window), nilid);
  }
  return 0;
}

i16 movemessagebox(u16 word, const geometryvalue& g) {
  RegistryId w = mainglobals().msgwindow;
  Rect current{};
  if (w != nilid) GetWindowBounds(w, kWindowContentRgn, &current);
  return placemessagebox(newrect(word, g, current));
}

}  // namespace

KV_SETTER(setloc) {
  propctx c{path, text, atoms, variables, nilhandle};
  i32 i = isthe(c, at) ? at + 1 : at;
  const u16 word = token;
  objread obj{};
  i32 used = 0;
  target form = target::object;
  i16 st = dofront(c, at, &used, &obj, false);
  if (st != 0) {
    // The message box or the cursor after `of`.
    if (c.tok(i + 1) != tok::in) return st;
    i32 j = i + 2;
    if (isthe(c, j)) ++j;
    if (c.tok(j) == tok::message) {
      ++j;
      if (c.tok(j) == tok::box || c.tok(j) == tok::wd) ++j;
      form = target::message;
    } else if (c.tok(j) == tok::cursor) {
      ++j;
      form = target::cursor;
    } else {
      return st;
    }
    if (c.tok(j) != tok::to) return err::notoorof;
    used = j + 1 - at;
  }
  geometryvalue g;
  if ((st = readgeometry(c, word, at + used, &g))) return st;
  if (form == target::cursor) {
    // The cursor's location is the mouse's, in global coordinates.
    if (word != tok::loc) return err::readonly;
    warpmouse(Point{g.v, g.h});
    return 0;
  }
  if (form == target::message) return movemessagebox(word, g);
  if ((st = dofront(c, at, &used, &obj, true))) return st;
  if (obj.kind == objpart && readisbmap(obj)) {
    // The bitmap being painted is put down first and read again as a stored object.
    writeobj(&obj);
    if ((st = putdownbmap())) return st;
    if ((st = dofront(c, at, &used, &obj, true))) return st;
  }
  switch (obj.kind) {
    case objpart: st = moveobject(obj, word, g); break;
    case objwindow: st = movewindow(obj, word, g); break;
    default: st = err::cantunderstand; break;
  }
  const bool graphic = obj.kind == objpart && readisgraph(obj), field = obj.kind == objpart && readisfield(obj);
  writeobj(&obj);
  if (st != 0) return st;
  // The text graphic or field being edited is put down in its new place (the field's text
  // written back and its rectangle redrawn).
  if (graphic) putdownmodes();
  if (field) return putdownfield();
  return 0;
}

}  // namespace kv
