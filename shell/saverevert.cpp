#include "shell/saverevert.h"

#include "engine/expression.h"
#include "fields/fieldrecords.h"
#include "engine/objectsend.h"
#include "render/pictbuffers.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/windows/cursor.h"
#include "render/effects.h"
#include "render/fielddrawing.h"
#include "render/updateword.h"
#include "core/fatalerror.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "shell/redraws.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr i16 kStray = 19, kNoMemory = 37, kFileLocked = 34;

bool fieldopenhere() {
  const MainGlobals& g = mainglobals();
  return g.openfield >= 0 && g.openfieldwindow == g.current.window;
}

// Puts down the open field (its messages run; with `forget` its text record goes too), then
// painting and the edited graphic, redrawing when either ran. A handler that moved to another
// card answers -991.
i16 putdownediting(bool forget) {
  MainGlobals& g = mainglobals();
  const u64 stamp = g.current.changestamp;
  if (fieldopenhere()) {
    i16 st = putdownfield();
    if (forget) dumpfield();
    if (st != 0) return st;
  }
  if (g.current.changestamp != stamp) return kCardChanged;
  const bool painting = g.bmapindex >= 0, graphing = g.graphindex >= 0;
  const i16 st = painting ? putdownbmap() : i16(0);
  if (graphing) putdownmodes();
  if (painting || graphing) drawedit(g.current, nullptr);
  return st;
}

u32 packedsize(RegistryId store, u32 id) {
  u32 size = 0;
  return sizevir(store, i32(id), &size) == 0 ? size : 0;
}

// Writes every changed cached record of a project and commits it; a project that cannot be
// written (a locked file) is left alone: false.
bool saveproject(RegistryId store) {
  if (islocked(store)) return false;
  checkerr(saveallvir(store));
  checkerr(flushstar(store));
  return true;
}

// The scripts of the objects of a list are read again when next run.
void markobjects(const desk& d, Handle spots, u32 ownerrecid) {
  for (i32 i = 0; i < spotcount(spots); ++i) {
    objread ref{};
    ref.kind = objpart;
    ref.d = d;
    ref.objindex = i16(i);
    ref.objects = spots;
    ref.ownerrecid = ownerrecid;
    Handle script = nilhandle;
    u16 level = 0;
    Str255 key{};
    if (objectlevel(ref, &script, &level, key)) markhier(level, key);
  }
}

}  // namespace

scriptstatus comsave(hierpath, Handle, Handle atoms, i32 at, Handle) {
  const bool all = tokenat(atoms, at + 1) == tok::all;
  if (!statementends(atoms, at + (all ? 2 : 1))) return kStray;
  MainGlobals& g = mainglobals();
  desk& d = g.current;
  if (d.window == nilid) return 0;
  const i64 room = 3 * (i64(packedsize(d.store, d.cardrecid)) + i64(packedsize(d.store, d.backrecid)));
  if (memoryrefused64(room)) return kNoMemory;
  if (i16 st = putdownediting(false)) return st == kCardChanged ? i16(0) : st;
  // A project whose file cannot be written keeps its changes in memory and says so.
  if (!all && islocked(d.store)) return setresulttext(kFileLocked);
  putdownwerecs(d.cardspots, 0);
  putdownwerecs(d.backspots, 0);
  if (!islocked(d.store)) updateword(d);
  if (!all) {
    for (u32 id : {d.cardrecid, d.backrecid, d.windrecid}) checkerr(savevir(d.store, i32(id)));
    return 0;
  }
  putwind(d.window, d);
  for (i32 i = 0; i < g.numwinds; ++i) {
    const desk w = HandleAs<desk>(g.winds)[i];
    if (islocked(w.store)) continue;
    putdownwerecs(w.cardspots, 0);
    putdownwerecs(w.backspots, 0);
    updateword(w);
  }
  bool locked = false;
  for (i32 i = 0; i < g.numwinds; ++i) locked = !saveproject(HandleAs<desk>(g.winds)[i].store) || locked;
  if (g.sharedstore != nilid) {
    if (islocked(g.sharedstore)) {
      locked = true;
    } else {
      checkerr(savevir(g.sharedstore, 0));
      checkerr(flushstar(g.sharedstore));
    }
  }
  return locked ? setresulttext(kFileLocked) : i16(0);
}

scriptstatus comrevert(hierpath, Handle, Handle atoms, i32 at, Handle) {
  if (!statementends(atoms, at + 1)) return kStray;
  MainGlobals& g = mainglobals();
  if (g.current.window == nilid) return 0;
  if (!g.lockCursor) SetThemeCursor(kThemeWatchCursor);
  if (i16 st = putdownediting(true)) return st == kCardChanged ? i16(0) : st;
  desk& d = g.current;
  const Handle oldcard = d.cardspots, oldback = d.backspots;
  Handle fresh = nilhandle;
  checkerr(revertvir(d.store, i32(d.cardrecid), &fresh));
  if (fresh != nilhandle) d.card = fresh;
  fresh = nilhandle;
  checkerr(revertvir(d.store, i32(d.backrecid), &fresh));
  if (fresh != nilhandle) d.back = fresh;
  d.cardspots = loadat<cardrec>(deref(d.card)).objects;
  d.backspots = loadat<backrec>(deref(d.back)).objects;
  if (g.mousespots != nilhandle && g.mousespots == oldcard) g.mousespots = d.cardspots;
  if (g.mousespots != nilhandle && g.mousespots == oldback) g.mousespots = d.backspots;
  putbacktexts(d);
  putwind(d.window, d);
  purgepictbuffer();
  Str255 key{};
  levelof(d, hiercard, key);
  markhier(hiercard, key);
  markobjects(d, d.cardspots, d.cardrecid);
  levelof(d, hierbackground, key);
  markhier(hierbackground, key);
  markobjects(d, d.backspots, d.backrecid);
  draweffect(IsMetalWindow(d.window) ? 1 : 0, nilid);
  return 0;
}

}  // namespace kv
