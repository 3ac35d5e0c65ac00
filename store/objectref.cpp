// What the evaluator asks of object references: whether an object exists, the contents of
// fields and of `me`, and the operands that stand for objects.
#include "store/objectref.h"

#include "engine/fred.h"
#include "engine/objectsend.h"
#include "engine/scripterrors.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "render/fielddrawing.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr Size kScriptTail = 24;

bool enginestyle(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }

// The text of a field: the changes its live record holds when its window is open, else its
// stored text.
i16 fieldtext(const objread& obj, const spot& s, fred* value) {
  if (enginestyle(s) && obj.d.window != nilid && readhaswerec(obj)) {
    Handle live = NewHandle(0);
    if (live == nilhandle) return err::nomemory;
    if (changedlivetext(s, live) == noErr) {
      i16 st = handtonewfred(live, value);
      DisposeHandle(live);
      return st;
    }
    DisposeHandle(live);
  }
  return datatotext(Handle(s.data), value);
}

// The contents part of the record that carries an object's contents.
Handle contentsof(const objread& obj) {
  switch (obj.kind) {
    case objitem: return Handle(HandleAs<menuitem>(obj.menu.items)[obj.itemindex].contents);
    case objmenu: return Handle(loadat<menurec>(deref(obj.menu.menu)).contents);
    case objpart: return Handle(spotat(obj.objects, obj.objindex).contents);
    case objcard: return Handle(loadat<cardrec>(deref(obj.d.card)).contents);
    case objbackground: return Handle(loadat<backrec>(deref(obj.d.back)).contents);
    case objwindow: return Handle(loadat<windrec>(deref(obj.d.wind)).contents);
    case objproject: return Handle(loadat<headrec>(deref(obj.d.head)).contents);
    default: return nilhandle;
  }
}

// The contents of a read object: a field's text, else the contents part of its record (empty
// when it has none). The shared script and the application hold no contents (2).
i16 contents(const objread& obj, fred* value) {
  if (obj.kind == objpart) {
    spot s = spotat(obj.objects, obj.objindex);
    if (s.kind == spotfield) return fieldtext(obj, s, value);
  }
  if (obj.kind == objshared || obj.kind == objapp || obj.kind == objembedded) return err::cantunderstand;
  Handle h = contentsof(obj);
  if (h == nilhandle) return newfred(value, fredtemp, fredstring, 0);
  return handtonewfred(h, value);
}

}  // namespace

bool objectexists(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count) {
  objread obj{};
  i32 used = 0;
  i16 st = scanobj(path, text, atoms, at, variables, &used, &obj);
  *count = used > 0 ? used : 1;
  if (st != 0) return false;
  writeobj(&obj);
  return true;
}

scriptstatus sourceobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  objread obj{};
  *count = 0;
  i32 used = 0;
  if (i16 st = readobj(path, text, atoms, at, variables, &used, &obj)) return st;
  i16 st = 0;
  if (obj.kind != objpart) {
    st = err::notext;
  } else {
    spot s = spotat(obj.objects, obj.objindex);
    st = s.kind == spotfield ? fieldtext(obj, s, value) : err::notfield;
  }
  writeobj(&obj);
  if (st == 0) *count = used;
  return st;
}

scriptstatus objectcontents(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                            fred* value) {
  objread obj{};
  *count = 0;
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &used, &obj)) return st;
  i16 st = contents(obj, value);
  writeobj(&obj);
  if (st == 0) *count = used;
  return st;
}

i16 targetcontents(i32* count, fred* value) {
  *count = 1;
  Handle target = mainglobals().target;
  if (target == nilhandle || GetHandleSize(target) == 0) return newfred(value, fredtemp, fredstring, 0);
  // The object the target's text names, read as a reference; when it has no contents to read,
  // the text itself.
  Handle text = target, atoms = nilhandle, vars = NewHandle(0);
  if (vars == nilhandle || HandToHand(&text) != noErr) {
    if (vars != nilhandle) DisposeHandle(vars);
    return err::nomemory;
  }
  i16 st = tokenize(text, &atoms);
  objread obj{};
  i32 used = 0;
  hier none = emptyhier();
  if (st == 0 && scanobj(hierpath(&none, 1), text, atoms, 0, vars, &used, &obj) == 0) {
    st = contents(obj, value);
    writeobj(&obj);
  } else {
    st = 1;
  }
  if (st != 0) st = handtonewfred(target, value);
  dumpvars(vars);
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(text);
  return st;
}

scriptstatus loweval(hierpath path, Handle text, Handle atoms, i32 name, i32 at, Handle variables, i32* count,
                     fred* value) {
  *count = 0;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &used, &obj)) return st;
  desk d = obj.d;
  i16 st = lowdispatch(obj, tokmessage{text, atoms, name, variables, value, 0});
  // A message ran since the reference was read: its window may show another card by now.
  safewriteobj(&obj, d.changestamp, d.serial, d.cardnum);
  if (st == 0) *count = used;
  return st;
}

i16 selectedtext(i32 used, i32* count, fred* value) {
  newfred(value, fredtemp, fredstring, 0);
  *count = used;
  return 0;
}

i16 sharedscripttext(i32 used, i32* count, fred* value) {
  Handle head = mainglobals().sharedhead;
  Handle script = head == nilhandle ? nilhandle : Handle(loadat<headrec>(deref(head)).script);
  Size n = script == nilhandle ? 0 : GetHandleSize(script) - kScriptTail;
  i16 st = n > 0 ? charstonewfred(deref(script), n, value) : newfred(value, fredtemp, fredstring, 0);
  if (st == 0) *count = used;
  return st;
}

}  // namespace kv
