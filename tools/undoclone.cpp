// Undo and redo reach only the text of the field open for typing: object edits, paint and card
// changes keep no undo. Clone deep-copies objects into a scratch list first, then appends the
// copies with fresh ids to the edited layer or to a destination's list.
#include "tools/undoclone.h"

#include <algorithm>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "commands/objectids.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "properties/valueparsers.h"
#include "render/carddrawing.h"
#include "render/selectionknobs.h"
#include "render/spotgeometry.h"
#include "core/debugmsg.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "system/externalevents.h"
#include "textengine/werecord.h"
#include "tools/objectclipboard.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

constexpr u16 kLineStyle = 103;

// --- Undo and redo -------------------------------------------------------------------------------

i16 undoorredo(Handle atoms, i32 at, i32 event, bool redo) {
  MainGlobals& g = mainglobals();
  if (statementends(atoms, at + 1) && sendxrtnevent(nilid, event, nullptr) != 0) return 0;
  if (g.openfield >= 0 && isvalidwerec(g.openfieldrec)) {
    const OSErr err = redo ? WERedo(g.openfieldrec) : WEUndo(g.openfieldrec);
    if (err == noErr) {
      // The text changed: it goes back into the field when the field is put down.
      g.fieldchanged = 1;
      SetWERecDirtyFlag(g.openfieldrec, true);
      SavePort saved;
      SetPortWindowPort(g.openfieldwindow);
      invalspot(g.openfieldspots, g.openfield);
      return 0;
    }
  }
  KVBeep(2);
  return 0;
}

// --- Clone ---------------------------------------------------------------------------------------

i16 askmemory(i64 bytes) {
  if (mainglobals().memplentiful) return 0;
  return nomemory(Size(std::min<i64>(bytes, 0x7FFFFFFF))) ? err::nomemory : i16(0);
}

// What the words of a clone asked for: the "new" message and a point.
struct CloneWords {
  bool message = false;
  bool located = false;
  i16 h = 0, v = 0;
};

// `with message` at *i, taken when there.
bool withmessage(Handle atoms, i32* i, CloneWords* w) {
  if (tokenat(atoms, *i) != tok::with || tokenat(atoms, *i + 1) != tok::message) return false;
  w->message = true;
  *i += 2;
  return true;
}

// `at` and a point at *i, taken when there: 0, or the point's error.
i16 atpoint(const propctx& c, i32* i, CloneWords* w, bool* taken) {
  *taken = false;
  if (c.tok(*i) != tok::at) return 0;
  i32 used = 0;
  if (i16 st = getloc(c, *i + 1, &used, &w->h, &w->v)) return st;
  w->located = true;
  *i += 1 + used;
  *taken = true;
  return 0;
}

// The union of the copies' rectangles; a line without height or width counts one pixel more.
Rect copiesbounds(Handle copies) {
  Rect all{};
  for (i32 i = 0, n = spotcount(copies); i < n; ++i) {
    const spot s = spotat(copies, i);
    Rect r = s.rect;
    if (s.style == kLineStyle) {
      if (r.bottom == r.top) r.bottom = i16(r.bottom + 1);
      if (r.right == r.left) r.right = i16(r.right + 1);
    }
    if (i == 0) all = r;
    else UnionRect(&all, &r, &all);
  }
  return all;
}

// The offset that centres the copies on the point.
void centreoffset(Handle copies, const CloneWords& w, i32* dh, i32* dv) {
  const Rect b = copiesbounds(copies);
  *dh = i32(w.h) - (i32(b.left) + b.right) / 2;
  *dv = i32(w.v) - (i32(b.top) + b.bottom) / 2;
}

// Frees the scratch list's container (its copies' parts now belong elsewhere) and whatever
// copies were not moved out of it, from `from` on.
void freescratch(Handle scratch, i32 from) {
  const i32 n = spotcount(scratch);
  if (from < n) {
    Handle rest = NewHandle(0);
    if (rest != nilhandle) {
      for (i32 i = from; i < n; ++i) {
        const spot s = spotat(scratch, i);
        PtrAndHand(&s, rest, Size(sizeof s));
      }
      kv::dumpspot(rest);
    }
  }
  DisposeHandle(scratch);
}

// Appends the copies to `target` in order: each gets an id free in the target, loses its live
// parts, moves by the offset (and is re-laid there unless `relay` is false), is selected, and
// its long id goes into `ids`. 0, or 37 when the target can't grow (the loop ends there). The
// scratch list is freed.
i16 appendcopies(const desk& d, Handle scratch, Handle target, i32 dh, i32 dv, bool relay, Handle ids) {
  i16 st = 0;
  i32 i = 0;
  const i32 n = spotcount(scratch);
  for (; i < n; ++i) {
    spot s = spotat(scratch, i);
    s.id = uniqueid(target, s.id);
    clearruntimeslots(s);
    const Rect from = s.rect;
    Rect to = from;
    OffsetRect(&to, i16(dh), i16(dv));
    if (PtrAndHand(&s, target, Size(sizeof s)) != noErr) {
      st = err::nomemory;
      break;
    }
    const i32 last = spotcount(target) - 1;
    if (relay) mapspot(target, last, to, false);
    selone(target, i16(last));
    if (appendidtohand(d, target, ids) == err::nomemory) {
      st = err::nomemory;
      ++i;
      break;
    }
  }
  freescratch(scratch, i);
  return st;
}

void deselectboth(const desk& d) {
  hilitespot(d.backspots, 1, 0);
  hilitespot(d.cardspots, 1, 0);
}

// `the result` takes the id list, which is freed.
void idstoresult(Handle ids) {
  MainGlobals& g = mainglobals();
  if (g.result != nilhandle && IsValidHandle(g.result)) {
    const Size n = GetHandleSize(ids);
    SetHandleSize(g.result, n);
    if (MemError() == noErr && n > 0) BlockMoveData(deref(ids), deref(g.result), n);
  }
  DisposeHandle(ids);
}

bool resultexists() {
  const Handle r = mainglobals().result;
  return r != nilhandle && IsValidHandle(r);
}

// Redraws the window of a context as it now shows.
void redrawwindow(WindowRef window) {
  desk shown{};
  if (window != nilid && getwind(window, &shown) == 1) drawedit(shown, nullptr);
}

// The "new" message to the copy just appended to a destination's list. A card that no open
// window shows has no context to run a handler in: its copy gets no message.
i16 newmessageto(const propctx& c, const objread& dest, Handle target) {
  static constexpr const char* kMessages[] = {"newGraphic", "newButton", "newField"};
  const i32 last = spotcount(target) - 1;
  if (mainglobals().lockMessages || last < 0 || dest.d.window == nilid) return 0;
  objread obj = dest;
  obj.kind = objpart;
  obj.objects = target;
  obj.objindex = i16(last);
  obj.ownerrecid = target == dest.d.backspots ? dest.d.backrecid : dest.d.cardrecid;
  const u16 kind = spotat(target, last).kind;
  if (kind > spotfield) return 0;
  return lowsend(kMessages[kind], c.path, c.variables, obj);
}

// The copies go to a destination: the words from `i` (at `to`) on. `single` tells whether one
// object is cloned (only then a "new" message goes out).
i16 clonetodestination(const propctx& c, i32 i, Handle scratch, bool single, CloneWords w) {
  MainGlobals& g = mainglobals();
  ++i;
  objread dest{};
  i32 used = 0;
  if (i16 st = scanobj(c.path, c.text, c.atoms, i, c.variables, &used, &dest)) {
    freescratch(scratch, 0);
    return st;
  }
  i += used;
  withmessage(c.atoms, &i, &w);
  bool taken = false;
  i16 st = atpoint(c, &i, &w, &taken);
  if (st == 0) withmessage(c.atoms, &i, &w);
  if (st == 0 && !statementends(c.atoms, i)) {
    // Anything else ends the command with nothing cloned.
    freescratch(scratch, 0);
    writeobj(&dest);
    return 0;
  }
  if (st == 0 && !resultexists()) st = err::nomemory;
  Handle target = nilhandle;
  if (st == 0) {
    switch (dest.kind) {
      case objcard: target = dest.d.cardspots; break;
      case objbackground: target = dest.d.backspots; break;
      case objwindow: target = dest.d.backlayer ? dest.d.backspots : dest.d.cardspots; break;
      default: st = err::cantunderstand; break;
    }
    if (st == 0 && target == nilhandle) st = err::cantunderstand;
  }
  if (st != 0) {
    freescratch(scratch, 0);
    writeobj(&dest);
    return st;
  }
  const desk& now = g.current;
  i32 dh = 5, dv = 5;
  if (w.located) {
    centreoffset(scratch, w, &dh, &dv);
  } else {
    const bool elsewhere = dest.kind == objwindow ? dest.d.window != now.window
                                                  : dest.d.window != now.window || dest.d.cardrecid != now.cardrecid;
    if (elsewhere) dh = dv = 0;
  }
  deselectboth(dest.d);
  Handle ids = NewHandle(0);
  if (ids == nilhandle) {
    freescratch(scratch, 0);
    writeobj(&dest);
    return err::nomemory;
  }
  st = appendcopies(dest.d, scratch, target, dh, dv, dh != 0 || dv != 0, ids);
  if (dest.kind != objbackground && dest.d.cardrecid) changevir(dest.d.store, i32(dest.d.cardrecid));
  if (dest.kind != objcard && dest.d.backrecid) changevir(dest.d.store, i32(dest.d.backrecid));
  if (st == 0 && single && w.message) st = newmessageto(c, dest, target);
  const WindowRef window = dest.d.window;
  writeobj(&dest);
  redrawwindow(window);
  sendxrtnevent(nilid, kXrtnObjectsChanged, nullptr);
  idstoresult(ids);
  return st;
}

// `clone` one object named by a reference at `i`.
i16 cloneone(const propctx& c, i32 i) {
  objread src{};
  i32 used = 0;
  if (i16 st = scanobj(c.path, c.text, c.atoms, i, c.variables, &used, &src)) {
    writeobj(&src);
    return st;
  }
  if (src.kind != objpart || src.objindex < 0 || src.objindex >= spotcount(src.objects)) {
    writeobj(&src);
    return err::cantunderstand;
  }
  i += used;
  CloneWords w;
  withmessage(c.atoms, &i, &w);
  bool taken = false;
  i16 st = atpoint(c, &i, &w, &taken);
  if (st == 0 && taken) withmessage(c.atoms, &i, &w);
  if (st == 0 && !statementends(c.atoms, i) && tokenat(c.atoms, i) != tok::to) st = err::notoorof;
  if (st == 0) st = askmemory(4 * size1spot(src.objects, src.objindex));
  Handle scratch = st == 0 ? NewHandle(0) : nilhandle;
  if (st == 0 && scratch == nilhandle) st = err::nomemory;
  if (st == 0 && clonespot(src.objects, src.objindex, scratch) != noErr) st = err::nomemory;
  if (st != 0 || spotcount(scratch) == 0) {
    if (scratch != nilhandle) freescratch(scratch, 0);
    writeobj(&src);
    return st;
  }
  if (tokenat(c.atoms, i) == tok::to) {
    writeobj(&src);
    return clonetodestination(c, i, scratch, true, w);
  }
  if (!resultexists()) {
    freescratch(scratch, 0);
    writeobj(&src);
    return err::nomemory;
  }
  Handle list = src.objects;
  i32 dh = 5, dv = 5;
  if (w.located) {
    // Centred on the point, its size kept: the offset from where it stands.
    const Rect r = spotat(scratch, 0).rect;
    dh = i32(i16(w.h - (r.right - r.left) / 2)) - r.left;
    dv = i32(i16(w.v - (r.bottom - r.top) / 2)) - r.top;
  }
  deselectboth(src.d);
  Handle ids = NewHandle(0);
  if (ids == nilhandle) {
    freescratch(scratch, 0);
    writeobj(&src);
    return err::nomemory;
  }
  st = appendcopies(src.d, scratch, list, dh, dv, true, ids);
  changevir(src.d.store, i32(src.ownerrecid));
  if (st == 0 && w.message) st = sendnewspotmessage(src.d, list);
  const WindowRef window = src.d.window;
  writeobj(&src);
  redrawwindow(window);
  sendxrtnevent(nilid, kXrtnObjectsChanged, nullptr);
  idstoresult(ids);
  return st;
}

// `clone [selected] objects`, the words after `objects` at `i`.
i16 cloneselected(const propctx& c, i32 i) {
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  CloneWords w;
  const u16 next = tokenat(c.atoms, i);
  if (!statementends(c.atoms, i) && next != tok::at && next != tok::to) return err::cantunderstand;
  if (next == tok::at) {
    bool taken = false;
    if (i16 st = atpoint(c, &i, &w, &taken)) return st;
    if (!statementends(c.atoms, i)) return err::cantunderstand;
  }
  if (i16 st = askmemory(4 * (sizespot(d.backspots, 1) + sizespot(d.cardspots, 1)))) return st;
  Handle scratch = NewHandle(0);
  if (scratch == nilhandle) return err::nomemory;
  i16 st = copyspot(d.backspots, scratch, SelectMode::selected);
  if (st == 0 && !d.backlayer) st = copyspot(d.cardspots, scratch, SelectMode::selected);
  if (st != 0 || spotcount(scratch) == 0) {
    freescratch(scratch, 0);
    return st != 0 ? err::nomemory : i16(0);
  }
  if (next == tok::to) return clonetodestination(c, i, scratch, spotcount(scratch) == 1, w);
  if (!resultexists()) {
    freescratch(scratch, 0);
    return err::nomemory;
  }
  Handle target = d.backlayer ? d.backspots : d.cardspots;
  if (target == nilhandle) {
    freescratch(scratch, 0);
    return 0;
  }
  deselectboth(d);
  i32 dh = 5, dv = 5;
  if (w.located) centreoffset(scratch, w, &dh, &dv);
  Handle ids = NewHandle(0);
  if (ids == nilhandle) {
    freescratch(scratch, 0);
    return err::nomemory;
  }
  st = appendcopies(d, scratch, target, dh, dv, true, ids);
  changevir(d.store, i32(d.backlayer ? d.backrecid : d.cardrecid));
  if (d.window != nilid) drawedit(d, nullptr);
  sendxrtnevent(nilid, kXrtnObjectsChanged, nullptr);
  idstoresult(ids);
  return st;
}

}  // namespace

scriptstatus comundo(hierpath, Handle, Handle atoms, i32 at, Handle) { return undoorredo(atoms, at, kXrtnUndo, false); }

scriptstatus comredo(hierpath, Handle, Handle atoms, i32 at, Handle) { return undoorredo(atoms, at, kXrtnRedo, true); }

scriptstatus comclone(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const propctx c{path, text, atoms, variables, nilhandle};
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::selected && tokenat(atoms, i + 1) == tok::objects) return cloneselected(c, i + 2);
  if (tokenat(atoms, i) == tok::objects) return cloneselected(c, i + 1);
  return cloneone(c, i);
}

}  // namespace kv
