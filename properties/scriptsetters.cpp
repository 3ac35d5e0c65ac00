// `set [the] script of <target> to <text>`, `set [the] contents of <target> to <value>` and
// `set [the] textData of <text graphic> to <source>`: the three setters that replace a whole
// stored text of something.
#include <cstring>

#include "engine/container.h"
#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "fields/fieldrecords.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "properties/propfront.h"
#include "properties/propservices.h"
#include "properties/setters.h"
#include "properties/textrecords.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/newscript.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/reftexts.h"
#include "store/refwords.h"
#include "textengine/fieldpacking.h"

namespace kv {

namespace {

constexpr Size kScriptTail = Size(sizeof(scripttail));

// The script or contents slot of the object a descriptor names, read and written by value in
// the record that holds it.
struct textslot {
  const objread& obj;
  bool script;

  // False for a kind without the slot (the shared script's contents, the application).
  bool get(Handle* out) const {
    auto pick = [this](Handle sc, Handle co) { return script ? sc : co; };
    switch (obj.kind) {
      case objitem: {
        menuitem m = HandleAs<menuitem>(obj.menu.items)[obj.itemindex];
        *out = pick(m.script, m.contents);
        return true;
      }
      case objmenu: return rec<menurec>(obj.menu.menu, out, pick);
      case objpart: {
        spot s = spotat(obj.objects, obj.objindex);
        *out = pick(s.script, s.contents);
        return true;
      }
      case objcard: return rec<cardrec>(obj.d.card, out, pick);
      case objbackground: return rec<backrec>(obj.d.back, out, pick);
      case objwindow: return rec<windrec>(obj.d.wind, out, pick);
      case objproject: return rec<headrec>(obj.d.head, out, pick);
      case objshared: {
        Handle head = mainglobals().sharedhead;
        if (!script || head == nilhandle) return false;
        return rec<headrec>(head, out, pick);
      }
      default: return false;
    }
  }

  void set(Handle h) const {
    auto put = [this, h](auto& r) { (script ? r.script : r.contents) = h; };
    switch (obj.kind) {
      case objitem: {
        menuitem* items = HandleAs<menuitem>(obj.menu.items);
        menuitem m = items[obj.itemindex];
        put(m);
        HandleAs<menuitem>(obj.menu.items)[obj.itemindex] = m;
        break;
      }
      case objmenu: update<menurec>(obj.menu.menu, put); break;
      case objpart: {
        spot s = spotat(obj.objects, obj.objindex);
        put(s);
        putspot(obj.objects, obj.objindex, s);
        break;
      }
      case objcard: update<cardrec>(obj.d.card, put); break;
      case objbackground: update<backrec>(obj.d.back, put); break;
      case objwindow: update<windrec>(obj.d.wind, put); break;
      case objproject: update<headrec>(obj.d.head, put); break;
      case objshared: update<headrec>(mainglobals().sharedhead, put); break;
      default: break;
    }
  }

 private:
  template <class R, class Pick>
  static bool rec(Handle h, Handle* out, Pick pick) {
    if (h == nilhandle) return false;
    R r = loadat<R>(deref(h));
    *out = pick(r.script, r.contents);
    return true;
  }
  template <class R, class Put>
  static void update(Handle h, Put put) {
    R r = loadat<R>(deref(h));
    put(r);
    storeat<R>(deref(h), r);
  }
};

// Marks the record that owns the slot changed: the shared project's head record for the shared
// script, else the descriptor's owner.
void markslotowner(const objread& obj) {
  if (obj.kind == objshared) {
    checkerr(changevir(mainglobals().sharedstore, 0));
    return;
  }
  markowner(obj);
}

// The script cache entries of the target are stale: its own level, and the shared level for a
// project (its script may serve as the shared script) and for the shared script.
void markscriptstale(const objread& obj) {
  Str255 text{};
  if (obj.kind == objshared) {
    buildfilename(mainglobals().sharedstore, tok::long_, text);
    markhier(hiershared, text);
    return;
  }
  Handle script = nilhandle;
  u16 level = 0;
  if (objectlevel(obj, &script, &level, text)) markhier(level, text);
  if (obj.kind == objproject) {
    // The file name alone (buildfilename appends to what the text holds).
    Str255 shared{};
    buildfilename(obj.d.store, tok::long_, shared);
    markhier(hiershared, shared);
  }
}

// Replaces the text of a script handle, keeping its 24-byte tail. A slot without a handle of at
// least the tail's size gets a new empty script first. *out is the handle to store (none when
// an object's script is left without text).
i16 replacescript(Handle current, fred* value, bool object, Handle* out) {
  *out = current;
  Handle h = current;
  const bool fresh = h == nilhandle || GetHandleSize(h) < kScriptTail;
  if (fresh) {
    h = newscript(scriptempty);
    if (h == nilhandle) return err::nomemory;
  }
  scripttail tail;
  std::memcpy(&tail, deref(h) + GetHandleSize(h) - kScriptTail, sizeof tail);
  if (i16 st = fredtohand(value, h)) {
    // The text could not be copied: a handle made here goes and the slot keeps what it had.
    if (fresh) DisposeHandle(h);
    return st;
  }
  if (PtrAndHand(&tail, h, kScriptTail) != noErr) {
    // Without room for the tail the old text cannot come back either: an empty script.
    SetHandleSize(h, 0);
    PtrAndHand(&tail, h, kScriptTail);
    if (fresh && current != nilhandle) DisposeHandle(current);
    *out = h;
    return err::nomemory;
  }
  if (fresh && current != nilhandle) DisposeHandle(current);
  *out = h;
  if (object && GetHandleSize(h) <= kScriptTail) {
    DisposeHandle(h);
    *out = nilhandle;
  }
  return 0;
}

}  // namespace

KV_SETTER(setscript) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  fred value;
  if (i16 st = frontandvalue(c, at, &obj, &value)) return st;
  i16 st = 0;
  textslot slot{obj, true};
  Handle current = nilhandle;
  if (obj.kind == objapp || (obj.kind == objshared && mainglobals().sharedhead == nilhandle)) {
    st = err::cantunderstand;
  } else if (slot.get(&current)) {
    Handle result = nilhandle;
    st = replacescript(current, &value, obj.kind == objpart, &result);
    if (result != current) slot.set(result);
    if (st == 0) {
      markslotowner(obj);
      markscriptstale(obj);
    } else if (result != current) {
      markslotowner(obj);
    }
  }
  disposfred(&value);
  writeobj(&obj);
  return st;
}

KV_SETTER(setcontents) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  fred value;
  if (i16 st = frontandvalue(c, at, &obj, &value)) return st;
  i16 st = 0;
  textslot slot{obj, false};
  Handle current = nilhandle;
  if (obj.kind == objapp || obj.kind == objshared) {
    st = err::cantunderstand;
  } else if (slot.get(&current)) {
    Handle h = current;
    st = contentutil(&value, &h);
    if (st == 0) {
      slot.set(h);
      markslotowner(obj);
    }
  }
  disposfred(&value);
  writeobj(&obj);
  return st;
}

namespace {

// `field ...`, `card field ...`, `background field ...`.
bool isfieldword(const propctx& c, i32 i) {
  const u16 t = c.tok(i);
  if (t == tok::field) return true;
  return (t == tok::card || t == tok::background) && c.tok(i + 1) == tok::field;
}

// The styled text of a field as a new stored text in the older form (every style run in it): a
// field of the engine's own form keeps its runs in its streams, so its record (the open
// field's, its live one, or one made for the copy) is packed; other fields' stored text is
// copied.
i16 fieldstoredtext(const objread& field, Handle* out) {
  *out = nilhandle;
  if (field.kind != objpart) return err::notext;
  spot f = spotat(field.objects, field.objindex);
  if (f.kind != spotfield) return err::notext;
  Handle h = NewHandle(0);
  if (h == nilhandle) return err::nomemory;
  OSErr err = f.data != nilhandle ? HandAndHand(f.data, h) : OSErr(noErr);
  if (err == noErr && GetHandleSize(h) == 0) err = setemptyfieldtext(h, defaultfieldtail());
  if (err == noErr && (havefield(f) || usesenginetwo(&f))) {
    textholder held(field);
    const WEReference we = held.record();
    if (we == nilid) {
      err = memFullErr;
    } else {
      // The copy is the graphic's: a record the field keeps keeps its changed flag, and the
      // field's font properties stay as they are.
      const bool dirty = GetWERecDirtyFlag(we);
      Handle uprops = f.uprops;
      err = wepacktext(h, &uprops, we, false);
      if (!held.temporary()) SetWERecDirtyFlag(we, dirty);
    }
  }
  if (err != noErr) {
    DisposeHandle(h);
    return err::nomemory;
  }
  *out = h;
  return 0;
}

// The graphic's stored text with its characters replaced by the value's: a temporary record
// over the graphic (drawing hidden) takes its stored text, has its whole text replaced (the new
// text takes the style of the old first character) and is packed into a new stored text.
i16 replacegraphictext(const spot& graphic, fred* value, Handle* out) {
  *out = nilhandle;
  Handle chars = nilhandle;
  if (i16 st = fredtonewh(value, &chars)) return st;
  Handle h = NewHandle(0);
  OSErr err = h == nilhandle ? memFullErr : noErr;
  if (err == noErr) err = graphic.data != nilhandle ? HandAndHand(graphic.data, h) : OSErr(noErr);
  if (err == noErr && GetHandleSize(h) == 0) err = setemptyfieldtext(h, defaultfieldtail());
  if (err == noErr) {
    spot source = graphic;
    source.data = h;
    HidePen();
    WEReference we = nilid;
    if (makeWE(source, &we) != 0) {
      err = memFullErr;
    } else {
      WESetSelection(0, WEGetTextLength(we), we);
      err = WEPut(0, WEGetTextLength(we), deref(chars), i32(GetHandleSize(chars)), kTextEncodingWEText, 0, 0, nullptr,
                  nullptr, we);
      Handle uprops = graphic.uprops;
      if (err == noErr) err = wepacktext(h, &uprops, we, false);
      WEDispose(we);
    }
    ShowPen();
  }
  DisposeHandle(chars);
  if (err != noErr) {
    if (h != nilhandle) DisposeHandle(h);
    return err::nomemory;
  }
  *out = h;
  return 0;
}

// Redraws a text graphic after its text changed: the union of its old and new bounds.
void redrawgraphic(const objread& obj, const Rect& before) { redrawspot(obj, before); }

}  // namespace

KV_SETTER(setextdata) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  if (obj.kind != objpart) {
    writeobj(&obj);
    return err::notext;
  }
  spot g = spotat(obj.objects, obj.objindex);
  writeobj(&obj);
  if (g.kind != spotgraphic || g.style != styletext) return err::notextdata;
  const i32 vat = at + used;
  Handle data = nilhandle;
  if (isfieldword(c, vat)) {
    // A field's styled text.
    chunkpart dest{};
    i32 n = 0;
    if (i16 st = destination(path, text, atoms, vat, variables, nilhandle, &n, &dest, 0, 0)) return st;
    if (!lineends(c, vat + n)) {
      releasecontainer(&dest);
      return err::stray;
    }
    i16 st = err::notext;
    if (dest.kind == containerfield && dest.field != nilhandle && GetHandleSize(dest.field) == Size(sizeof(objread))) {
      objread field = loadat<objread>(deref(dest.field));
      st = fieldstoredtext(field, &data);
    }
    releasecontainer(&dest);
    if (st != 0) return st;
  } else {
    fred value;
    if (i16 st = readvalue(c, vat, &value)) return st;
    i16 st = replacegraphictext(g, &value, &data);
    disposfred(&value);
    if (st != 0) return st;
  }
  if (i16 st = dofront(c, at, &used, &obj, true)) {
    DisposeHandle(data);
    return st;
  }
  if (obj.kind != objpart) {
    DisposeHandle(data);
    writeobj(&obj);
    return err::notext;
  }
  g = spotat(obj.objects, obj.objindex);
  const Rect before = g.rect;
  if (g.data != nilhandle) DisposeHandle(g.data);
  g.data = data;
  putspot(obj.objects, obj.objindex, g);
  markowner(obj);
  redrawgraphic(obj, before);
  writeobj(&obj);
  return 0;
}

}  // namespace kv
