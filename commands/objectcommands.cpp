// Commands on the objects of the current layer (the background's list while the background is
// edited, else the card's): group and ungroup, rotate and reshape handles, rotating a polygon,
// dragging objects out (pick), moving an object or the card view with the mouse (grab); and
// cycling the colours of an 8-bit screen.
#include <algorithm>
#include <cstring>
#include <vector>

#include "commands/commandforms.h"
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/objectcommands.h"
#include "commands/objectids.h"
#include "commands/pointlists.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/geometry.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/scripterrors.h"
#include "engine/sendmes.h"
#include "engine/tokens.h"
#include "media/mediaservice.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/palettes.h"
#include "platform/windows/windows.h"
#include "render/hittest.h"
#include "render/objectbounds.h"
#include "render/selectionknobs.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "shell/cardcursor.h"
#include "shell/cardscroll.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "tools/dragsend.h"

namespace kv {

namespace {

constexpr i16 kClosedHandCursor = 1503;
// A tracking loop looks after the media every so many ticks.
constexpr u32 kServiceTicks = 5;
constexpr Pattern kGrayPattern{{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
constexpr Rect kWholePlane{-32768, -32768, 32767, 32767};

bool ispolygon(const spot& s) { return s.style == stylepolygon || s.style == stylepolybutton; }

// The current layer's object list (none when the record has no objects).
Handle currentlayer() {
  const desk& d = mainglobals().current;
  return d.backlayer ? d.backspots : d.cardspots;
}

// Marks the record that holds the current layer changed.
void markcurrentlayer() {
  const desk& d = mainglobals().current;
  if (d.store != nilid) changevir(d.store, i32(d.backlayer ? d.backrecid : d.cardrecid));
}

// Takes entry i out of a list (its parts stay with the caller's copy).
void removeentry(Handle list, i32 i) {
  const i32 n = spotcount(list);
  u8* p = deref(list);
  std::memmove(p + i64(i) * i64(sizeof(spot)), p + i64(i + 1) * i64(sizeof(spot)),
               std::size_t(n - i - 1) * sizeof(spot));
  SetHandleSize(list, Size(n - 1) * Size(sizeof(spot)));
}

// Frees the parts of an object taken out of its list.
void freeparts(const spot& s) {
  Handle one = nilhandle;
  if (PtrToHand(&s, &one, Size(sizeof s)) == noErr) dumpspot(one);
}

// Gives every selected object of the current layer the handle mode when `wanted` says so.
void sethandlemode(bool (*wanted)(const spot&), u16 mode) {
  Handle list = currentlayer();
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (s.selected == 0 || !wanted(s)) continue;
    s.selected = mode;
    putspot(list, i, s);
  }
}

// A whole number from the expression at atom `i`; *used is the atoms it took.
scriptstatus wholeoperand(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, i32* used, i32* n) {
  fred value;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, used, &value); st != 0) return st;
  const i16 st = fredtolong(&value, n) != 0 ? err::nowholenumber : i16(0);
  disposfred(&value);
  return st;
}

// A rectangle written as four comma-separated numbers (left, top, right, bottom).
scriptstatus rectoperand(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, i32* used, Rect* r) {
  Handle points = nilhandle;
  if (i16 st = getloclist(path, text, atoms, i, variables, used, &points); st != 0) return st;
  const bool two = GetHandleSize(points) == 2 * Size(sizeof(Point));
  if (two) {
    const Point a = loadat<Point>(deref(points)), b = loadat<Point>(deref(points) + sizeof(Point));
    *r = Rect{a.v, a.h, b.v, b.h};
  }
  DisposeHandle(points);
  return two ? i16(0) : err::cantunderstand;
}

// The open window's context of an object reference, when the object lies in the current
// window: false otherwise.
bool incurrentwindow(const objread& obj) {
  const desk& d = mainglobals().current;
  return obj.kind == objpart && obj.objects != nilhandle && d.window != nilid && obj.d.window == d.window;
}

// The mouse in global coordinates (through the current port).
Point globalmouse() {
  Point p{};
  GetMouse(&p);
  LocalToGlobal(&p);
  return p;
}

// One pass of a tracking loop: a tick's wait, and the media serviced every 5 ticks.
void trackingpause(u32* serviced) {
  Delay(1, nullptr);
  const u32 now = TickCount();
  if (now - *serviced < kServiceTicks) return;
  *serviced = now;
  checksound(now);
  EventRecord none{};
  checkmovies(none);
}

// Waits a tick at a time until the mouse moves while its button stays down: true with the
// new point in *last (the one before in *from), false once the button is released.
bool mousemoved(u32* serviced, Point* last, Point* from) {
  while (StillDown()) {
    trackingpause(serviced);
    const Point now = globalmouse();
    if (now.h == last->h && now.v == last->v) continue;
    *from = *last;
    *last = now;
    return true;
  }
  return false;
}

// `grab within rect`: the card's scroll position follows the mouse, pinned inside the
// rectangle (an empty one keeps it where it starts).
i16 grabcardview(const Rect& limit) {
  const desk d = mainglobals().current;
  if (d.window == nilid) return 0;
  KeepContext keep;
  SetPortWindowPort(d.window);
  auto value = [](ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) ? GetControl32BitValue(bar) : 0; };
  const Point startscroll{i16(value(d.vscroll)), i16(value(d.hscroll))};
  const Rect pin = EmptyRect(&limit) ? Rect{startscroll.v, startscroll.h, startscroll.v, startscroll.h} : limit;
  const Point start = globalmouse();
  Point now = start, before{};
  u32 serviced = TickCount();
  LoopScope loop("grab");
  while (mousemoved(&serviced, &now, &before)) {
    // The card moves with the hand: the scroll position goes the other way.
    const i32 h = std::clamp<i32>(i32(startscroll.h) - (now.h - start.h), pin.left, std::max(pin.left, pin.right));
    const i32 v = std::clamp<i32>(i32(startscroll.v) - (now.v - start.v), pin.top, std::max(pin.top, pin.bottom));
    if (d.hscroll != nilid && IsValidControlHandle(d.hscroll)) SetControl32BitValue(d.hscroll, std::max(h, 0));
    if (d.vscroll != nilid && IsValidControlHandle(d.vscroll)) SetControl32BitValue(d.vscroll, std::max(v, 0));
    lowclipup();
    drawedit(d, nullptr);
  }
  return 0;
}

// A limit narrower or shorter than the object widens equally on both sides to its size.
Rect fitlimit(Rect limit, const Rect& object) {
  const i32 w = i32(object.right) - object.left, h = i32(object.bottom) - object.top;
  if (i32(limit.right) - limit.left < w) {
    limit.left = i16(limit.left - (w - (i32(limit.right) - limit.left)) / 2);
    limit.right = i16(limit.left + w);
  }
  if (i32(limit.bottom) - limit.top < h) {
    limit.top = i16(limit.top - (h - (i32(limit.bottom) - limit.top)) / 2);
    limit.bottom = i16(limit.top + h);
  }
  return limit;
}

// Redraws the union of an object's old and new rectangles.
void redrawmove(const desk& d, const Rect& before, const Rect& after) {
  Rect both{};
  UnionRect(&before, &after, &both);
  drawedit(d, &both);
}

// `grab object`: the object follows the mouse while its button is down.
i16 grabobject(const objread& obj, bool withmessage, bool limited, Rect limit) {
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  Handle list = obj.objects;
  const i16 index = obj.objindex;
  KeepContext keep;
  SetPortWindowPort(d.window);
  const spot first = spotat(list, index);
  limit = limited ? fitlimit(limit, first.rect) : kWholePlane;
  Rect r = first.rect;
  clampRect(&r, limit);
  if (r != first.rect) {
    mapspot(list, index, r, false);
    changevir(d.store, i32(obj.ownerrecid));
    redrawmove(d, first.rect, r);
  }
  if (!g.lockCursor) showcursorresource(kClosedHandCursor);
  const u64 changes = g.layerchanges;
  Point now = globalmouse(), last{};
  u32 serviced = TickCount();
  LoopScope loop("grab");
  while (mousemoved(&serviced, &now, &last)) {
    // A handler may have moved the object in the list or away: the loop ends then.
    if (g.layerchanges != changes || index >= spotcount(list)) break;
    const Rect before = spotat(list, index).rect;
    Rect moved = before;
    OffsetRect(&moved, i16(now.h - last.h), i16(now.v - last.v));
    clampRect(&moved, limit);
    mapspot(list, index, moved, false);
    if (withmessage) {
      const i16 st = spotsend(sendnormal, list, index, "mouseStillDown", d.window);
      if (st > 0) return st;
      if (g.layerchanges != changes || index >= spotcount(list)) break;
      if (st == statusexittotop) {
        mapspot(list, index, before, false);
        redrawmove(d, before, moved);
        continue;
      }
    }
    changevir(d.store, i32(obj.ownerrecid));
    const spot s = spotat(list, index);
    if ((s.flags & spotvisible) != 0 && s.rect != before) redrawmove(d, before, s.rect);
  }
  return 0;
}

}  // namespace

void clampRect(Rect* r, const Rect& bounds) {
  if (r->left < bounds.left) OffsetRect(r, i16(bounds.left - r->left), 0);
  if (r->top < bounds.top) OffsetRect(r, 0, i16(bounds.top - r->top));
  if (r->right > bounds.right) OffsetRect(r, i16(bounds.right - r->right), 0);
  if (r->bottom > bounds.bottom) OffsetRect(r, 0, i16(bounds.bottom - r->bottom));
}

i16 setgroup(Handle list, i16 copymode) {
  i32 graphics = 0;
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (s.selected == 0) continue;
    if (s.kind != spotgraphic) {
      s.selected = 0;
      putspot(list, i, s);
    } else {
      ++graphics;
    }
  }
  if (graphics < 2) return 0;
  Handle members = NewHandle(0);
  if (members == nilhandle) return err::nomemory;
  for (i32 i = 0; i < spotcount(list);) {
    const spot s = spotat(list, i);
    if (s.selected == 0 || s.kind != spotgraphic) {
      ++i;
      continue;
    }
    const OSErr e = copymode != 0 ? clonespot(list, i, members) : PtrAndHand(&s, members, Size(sizeof s));
    if (e != noErr) {
      dumpspot(members);
      return err::nomemory;
    }
    removeentry(list, i);
    if (copymode != 0) freeparts(s);
  }
  spot group{};
  defaultspot(group);
  group.style = stylegroup;
  group.kind = spotgraphic;
  group.flags = group.flags | spotautodim;
  group.id = uniqueid(list, 0);
  calcbounds(members, &group.rect, 2);
  std::memcpy(group.fillpat.b, kGrayPattern.pat, 8);
  group.data = members;
  if (PtrAndHand(&group, list, Size(sizeof group)) != noErr) {
    dumpspot(members);
    return err::nomemory;
  }
  return 0;
}

i16 setungroup(Handle list, i16 copymode) {
  for (i32 i = 0; i < spotcount(list);) {
    spot group = spotat(list, i);
    if (group.selected == 0 || group.style != stylegroup) {
      ++i;
      continue;
    }
    Handle members = group.data;
    // In copy mode the members are copied out and the group's own copies freed with it.
    Handle out = members;
    if (copymode != 0 && members != nilhandle) {
      out = NewHandle(0);
      for (i32 m = 0; out != nilhandle && m < spotcount(members); ++m) {
        if (clonespot(members, m, out) != noErr) {
          dumpspot(out);
          out = nilhandle;
        }
      }
      if (out == nilhandle) return err::nomemory;
    } else {
      group.data = nilhandle;
    }
    removeentry(list, i);
    freeparts(group);
    for (i32 m = 0; m < spotcount(out); ++m) {
      spot s = spotat(out, m);
      s.selected = s.style == styleline ? knobsline : knobscorners;
      s.id = uniqueid(list, 0);
      if (PtrAndHand(&s, list, Size(sizeof s)) != noErr) {
        freeparts(s);
        for (i32 k = m + 1; k < spotcount(out); ++k) freeparts(spotat(out, k));
        DisposeHandle(out);
        return err::nomemory;
      }
    }
    if (out != nilhandle) DisposeHandle(out);
  }
  return 0;
}

scriptstatus comgroup(hierpath, Handle, Handle atoms, i32 at, Handle) {
  if (!atomview(atoms).lineends(at + 1)) return err::stray;
  Handle list = currentlayer();
  const i32 before = spotcount(list);
  const i16 st = setgroup(list, 1);
  drawedit(mainglobals().current, nullptr);
  if (st == 0 && spotcount(list) != before) markcurrentlayer();
  return st;
}

scriptstatus comungroup(hierpath, Handle, Handle atoms, i32 at, Handle) {
  if (!atomview(atoms).lineends(at + 1)) return err::stray;
  Handle list = currentlayer();
  bool groups = false;
  for (i32 i = 0; i < spotcount(list) && !groups; ++i) {
    const spot s = spotat(list, i);
    groups = s.selected != 0 && s.style == stylegroup;
  }
  const i16 st = setungroup(list, 1);
  drawedit(mainglobals().current, nullptr);
  // The list changed: its record must be written back, or the ungrouping is lost.
  if (groups) markcurrentlayer();
  return st;
}

scriptstatus comrotate(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) != tok::poly) return err::cantunderstand;
  i32 i = at + 2;
  if (atomview(atoms).lineends(i)) {
    sethandlemode(ispolygon, knobsfirstpoint);
    drawedit(mainglobals().current, nullptr);
    return 0;
  }
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, i, variables, &used, &obj); st != 0) return st;
  i += used;
  spot s{};
  if (obj.kind == objpart) s = spotat(obj.objects, obj.objindex);
  i16 st = 0;
  i32 degrees = 0;
  if (obj.kind != objpart) st = err::cantunderstand;
  else if (!ispolygon(s)) st = err::notpolygon;
  else if (tokenat(atoms, i) != tok::comma) st = err::nocomma;
  else if ((st = wholeoperand(path, text, atoms, i + 1, variables, &used, &degrees)) == 0 &&
           !atomview(atoms).lineends(i + 1 + used))
    st = err::stray;
  if (st == 0 && s.data != nilhandle) {
    // A handler run by the angle's expression may have changed the list: read the object again.
    s = spotat(obj.objects, obj.objindex);
    PolyHandle turned = rotatepoly(s.data, degrees % 360);
    if (turned != nilhandle) {
      const Rect before = s.rect;
      DisposeHandle(s.data);
      s.data = turned;
      s.rect = loadat<PolygonHeader>(deref(turned)).polyBBox;
      putspot(obj.objects, obj.objindex, s);
      // The object list of a loaded record changed: its record is written back.
      changevir(obj.d.store, i32(obj.ownerrecid));
      Rect both{};
      UnionRect(&before, &s.rect, &both);
      if (obj.d.window != nilid) drawedit(obj.d, &both);
    }
  }
  writeobj(&obj);
  return st;
}

scriptstatus comreshape(hierpath, Handle, Handle atoms, i32 at, Handle) {
  const u16 word = tokenat(atoms, at + 1);
  if (!atomview(atoms).lineends(at + 2)) return err::stray;
  const desk& d = mainglobals().current;
  switch (word) {
    case tok::arc: sethandlemode([](const spot& s) { return s.style == stylearc; }, knobsarc); break;
    case tok::poly: sethandlemode(ispolygon, knobspolygon); break;
    case tok::wd:
      if (d.window != nilid) ReshapeCustomWindow(d.window);
      break;
    default: return err::cantunderstand;
  }
  drawedit(d, nullptr);
  return 0;
}

scriptstatus compick(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::up) ++i;
  if (atomview(atoms).lineends(i) || g.current.window == nilid) return 0;
  KeepContext keep;
  const EventRecord event = g.event;
  if (tokenat(atoms, i) == tok::selected) {
    Handle list = currentlayer();
    SetPortWindowPort(g.current.window);
    Point pt = event.where;
    GlobalToLocal(&pt);
    i32 hit = spotcount(list) - 1;
    while (hit >= 0 && ptinspot(list, i16(hit), pt) == 0) --hit;
    if (hit < 0 || !hasDragMgr()) return 0;
    objread ref{};
    ref.kind = objpart;
    ref.d = g.current;
    ref.objindex = i16(hit);
    ref.objects = list;
    ref.ownerrecid = g.current.backlayer ? g.current.backrecid : g.current.cardrecid;
    PickSelectedSpots(event, ref);
    return 0;
  }
  objread obj{};
  i32 used = 0;
  // Errors in the reference are not reported: pick answers 0 whatever happens.
  if (scanobj(path, text, atoms, i, variables, &used, &obj) != 0) return 0;
  if (incurrentwindow(obj) && hasDragMgr()) PickSpot(event, obj);
  writeobj(&obj);
  return 0;
}

scriptstatus comgrab(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  i32 used = 0;
  Rect limit{};
  if (tokenat(atoms, i) == tok::within) {
    if (i16 st = rectoperand(path, text, atoms, i + 1, variables, &used, &limit); st != 0) return st;
    if (!atomview(atoms).lineends(i + 1 + used)) return err::stray;
    return grabcardview(limit);
  }
  objread obj{};
  if (i16 st = scanobj(path, text, atoms, i, variables, &used, &obj); st != 0) return st;
  i += used;
  bool withmessage = false, limited = false;
  i16 st = 0;
  if (tokenat(atoms, i) == tok::with) {
    if (tokenat(atoms, i + 1) == tok::message) withmessage = true;
    else st = err::cantunderstand;
    i += 2;
  }
  if (st == 0 && tokenat(atoms, i) == tok::within) {
    limited = true;
    st = rectoperand(path, text, atoms, i + 1, variables, &used, &limit);
    i += 1 + used;
    if (st == 0 && EmptyRect(&limit)) st = err::emptyrect;
  }
  if (st == 0 && !atomview(atoms).lineends(i)) st = err::stray;
  if (st == 0 && incurrentwindow(obj)) st = grabobject(obj, withmessage, limited, limit);
  writeobj(&obj);
  return st;
}

scriptstatus comcycle(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  i32 first = 1, last = 255, used = 0;
  if (tokenat(atoms, i) == tok::all) {
    ++i;
  } else {
    if (i16 st = wholeoperand(path, text, atoms, i, variables, &used, &first); st != 0) return st;
    i += used;
    if (tokenat(atoms, i) != tok::to) return err::notoorof;
    if (i16 st = wholeoperand(path, text, atoms, i + 1, variables, &used, &last); st != 0) return st;
    i += 1 + used;
  }
  u32 speed = 0;
  switch (tokenat(atoms, i)) {
    case tok::slow: speed = 4, ++i; break;
    case tok::fast: speed = 2, ++i; break;
    case tok::very: {
      const u16 next = tokenat(atoms, i + 1);
      if (next != tok::slow && next != tok::fast) return err::cantunderstand;
      speed = next == tok::slow ? 6 : 0;
      i += 2;
      break;
    }
    default: break;
  }
  bool step = false;
  i64 count = 1;
  if (tokenat(atoms, i) == tok::step) {
    step = true;
    ++i;
  } else if (!atomview(atoms).lineends(i)) {
    i32 n = 0;
    if (i16 st = wholeoperand(path, text, atoms, i, variables, &used, &n); st != 0) return st;
    i += used;
    if (tokenat(atoms, i) != tok::times || n < 1) return err::cantunderstand;
    ++i;
    count = n;
  }
  if (!atomview(atoms).lineends(i)) return err::stray;
  // Script colour numbers are device indexes plus one; entries 0 and 255 never change.
  const i32 low = std::max(first - 1, 1), high = std::min(last - 1, 254);
  if (high <= low) return err::cantunderstand;
  const MainGlobals& g = mainglobals();
  GDHandle screen = GetMainDevice();
  if (g.colorWorld == 0 || screen == nilhandle || devicedepth(screen) != 8) return 0;
  GDHandle olddevice = GetGDevice();
  SetGDevice(screen);
  struct pair {
    i32 entry;
    RGBColor colour;
  };
  std::vector<pair> pairs;
  for (i32 k = low; k <= high; ++k) {
    RGBColor c{};
    if (IsValidPalette(g.palette) && k < GetPaletteSize(g.palette)) GetEntryColor(g.palette, i16(k), &c);
    else ctableentry(devicetable(screen), k, &c);
    const i32 entry = Color2Index(&c);
    if (entry > 0 && entry < 255) pairs.push_back(pair{entry, c});
  }
  if (pairs.empty()) {
    SetGDevice(olddevice);
    return 0;
  }
  const i64 steps = step ? 1 : count * i64(pairs.size());
  i16 st = 0;
  for (i64 n = 0; n < steps && st == 0; ++n) {
    const RGBColor head = pairs.front().colour;
    for (std::size_t j = 0; j + 1 < pairs.size(); ++j) pairs[j].colour = pairs[j + 1].colour;
    pairs.back().colour = head;
    CTabHandle table = devicetable(screen);
    std::vector<ColorSpec> specs(256);
    for (i32 e = 0; e < 256; ++e) {
      specs[std::size_t(e)].value = i16(e);
      ctableentry(table, e, &specs[std::size_t(e)].rgb);
    }
    for (const pair& p : pairs) specs[std::size_t(p.entry)].rgb = p.colour;
    SetEntries(0, 255, specs.data());
    if (speed > 0) Delay(speed, nullptr);
    st = isabort(TickCount());
  }
  SetGDevice(olddevice);
  return st;
}

}  // namespace kv
