#include "fields/fieldrecords.h"

#include <algorithm>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/recordcache.h"
#include "core/fatalerror.h"

namespace kv {

namespace {

bool nofieldopen() { return mainglobals().openfield < 0; }

void forgetifnofield() {
  if (nofieldopen()) mainglobals().openfieldrec = nilid;
}

// The live record of a field kept in a text record (styles 300, 301), or none.
WEReference liverecord(const spot& s) {
  if (!isfield(s) || !usesenginetwo(&s)) return nilid;
  WEReference we = livefield(s);
  return isvalidwerec(we) ? we : nilid;
}

// The record of the field open for editing (none when no field is open).
WEReference openrecord() { return nofieldopen() ? nilid : mainglobals().openfieldrec; }

i32 width(const LongRect& r) { return r.right - r.left; }
i32 height(const LongRect& r) { return r.bottom - r.top; }

// Calls fn(list, index, object) for the fields with a live text record of the open windows, in
// table order, the card's objects before the background's, until fn answers true.
template <class Fn>
bool eachlivefield(Fn&& fn) {
  const MainGlobals& g = mainglobals();
  const i32 windows = g.winds ? std::min<i32>(g.numwinds, HandleCount<desk>(g.winds)) : 0;
  for (i32 w = 0; w < windows; ++w) {
    const desk d = HandleAs<desk>(mainglobals().winds)[w];
    for (Handle list : {d.cardspots, d.backspots}) {
      if (list == nilhandle) continue;
      for (i32 i = 0; i < HandleCount<spot>(list); ++i) {
        const spot s = HandleAs<spot>(list)[i];
        if (liverecord(s) != nilid && fn(list, i, s)) return true;
      }
    }
  }
  return false;
}

}  // namespace

// Marks changed the card or background record that owns an object list of an open window.
void markspotsowner(Handle list) {
  const MainGlobals& g = mainglobals();
  const i32 windows = g.winds ? std::min<i32>(g.numwinds, HandleCount<desk>(g.winds)) : 0;
  for (i32 w = 0; w < windows; ++w) {
    const desk d = HandleAs<desk>(g.winds)[w];
    if (d.store == nilid) continue;
    if (list == d.cardspots) checkerr(changevir(d.store, i32(d.cardrecid)));
    else if (list == d.backspots) checkerr(changevir(d.store, i32(d.backrecid)));
    else continue;
    return;
  }
}

bool havefield(const spot& s) {
  MainGlobals& g = mainglobals();
  if (currenttool() == tooltext && nofieldopen()) g.openfieldrec = nilid;
  return !nofieldopen() && g.openfieldrec != nilid && g.openfieldrec == livefield(s);
}

void dumpfield() { forgetifnofield(); }

void loadfield(const spot& s) {
  const bool list = s.style == stylefieldlist || s.style == stylefieldscrolllist;
  WEReference we = list ? nilid : liverecord(s);
  if (we == nilid) {
    forgetifnofield();
    return;
  }
  resyncwerects(s);
  mainglobals().openfieldrec = we;
  WESetPort(currentportid(), we);
}

void resetbgfields(Handle list) {
  if (list != nilhandle) {
    for (i32 i = 0; i < HandleCount<spot>(list); ++i) {
      spot s = HandleAs<spot>(list)[i];
      if (!isfield(s) || s.style != stylefieldscroll) continue;
      setfieldscroll(s, 0);
      HandleAs<spot>(list)[i] = s;
    }
  }
  forgetifnofield();
}

bool fldrecthaschanged(const spot& s) {
  WEReference we = liverecord(s);
  if (we == nilid) return false;
  LongRect dest, view, current;
  ldestview(s, &dest, &view);
  WEGetViewRect(&current, we);
  return !(view == current);
}

void resyncwerects(const spot& s) {
  WEReference we = liverecord(s);
  if (we == nilid) return;
  if (CGrafPtr port = WEGetPort(we); IsValidPort(port)) SetPort(port);
  LongRect dest, view, olddest, oldview;
  ldestview(s, &dest, &view);
  WEGetDestRect(&olddest, we);
  WEGetViewRect(&oldview, we);
  // The engine grows the destination's bottom as it lays the text out, so the destination is
  // compared by its top, left and right only.
  const bool destmoved = dest.top != olddest.top || dest.left != olddest.left || dest.right != olddest.right;
  if (!destmoved && view == oldview) return;
  const bool resized = width(view) != width(oldview) || height(view) != height(oldview) ||
                       width(dest) != width(olddest);
  if (!resized) dest.bottom = dest.top + height(olddest);
  WESetViewRect(&view, we);
  WESetDestRect(&dest, we);
  SetFieldMargins(s, we);
  if (resized) WECalText(we);
}

i16 cleanwerecs(bool onlyclean) {
  const WEReference open = openrecord();
  return eachlivefield([&](Handle list, i32 i, spot s) {
    const WEReference we = livefield(s);
    if (we == open) return false;
    const bool dirty = GetWERecDirtyFlag(we);
    if (onlyclean && dirty) return false;
    if (dirty) {
      packlivefield(s);
      markspotsowner(list);
      ++mainglobals().textchanges;
    }
    WEDispose(we);
    setlivefield(s, 0);
    HandleAs<spot>(list)[i] = s;
    return true;
  })
             ? 1
             : 0;
}

i16 cleanweundos() {
  const WEReference open = openrecord();
  return eachlivefield([&](Handle, i32, const spot& s) {
    const WEReference we = livefield(s);
    if (we == open || WEGetModCount(we) == 0) return false;
    WEResetModCount(we);
    return true;
  })
             ? 1
             : 0;
}

}  // namespace kv
