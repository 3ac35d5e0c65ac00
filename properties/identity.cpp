// What an object is and where it is: its name and id in the three name forms, its number,
// kind and style, its rectangle words, the sizes of projects, backgrounds and windows, its
// script and contents, and the title bar, command character and modifiers of windows and menu
// items.
#include <algorithm>

#include "commands/dispatch.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/propwords.h"
#include "properties/valuewords.h"
#include "shell/mainglobals.h"
#include "store/liveparts.h"
#include "store/memoryguard.h"
#include "store/objects.h"
#include "store/refwords.h"
#include "store/reftexts.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr i16 statusnoobject = 2, statusnoof = 5, statusnotfound = 11, statusnomemory = 37, statusnoproperty = 43,
              statusnotcard = 51, statusnotbackground = 60, statusnotwindow = 61, statusplugin = 177,
              statusnoembedded = 225;

// The kinds' records, read by value.
menuitem itemrec(const objread& obj) { return HandleAs<menuitem>(obj.menu.items)[obj.itemindex]; }
menurec menurecord(const objread& obj) { return loadat<menurec>(deref(obj.menu.menu)); }
spot spotrec(const objread& obj) { return spotat(obj.objects, obj.objindex); }
cardrec cardrecord(const objread& obj) { return loadat<cardrec>(deref(obj.d.card)); }
backrec backrecord(const objread& obj) { return loadat<backrec>(deref(obj.d.back)); }
windrec windrecord(const objread& obj) { return loadat<windrec>(deref(obj.d.wind)); }
headrec headrecord(Handle head) { return loadat<headrec>(deref(head)); }

bool pluginmode() { return mainglobals().plugin != 0; }

// The text of a short string as a new value.
i16 stringvalue(ConstStringPtr s, fred* value) { return stringtonewfred(s, value); }

// A copy of a script text without its 24-byte tail; empty for none.
i16 scriptvalue(Handle script, fred* value) {
  const Size tail = Size(sizeof(scripttail));
  Size n = script == nilhandle ? 0 : GetHandleSize(script);
  if (n <= tail) return newfred(value, fredtemp, fredstring, 0);
  if (memoryrefused(n)) return statusnomemory;
  Handle copy = script;
  if (HandToHand(&copy) != noErr || copy == nilhandle || copy == script) return statusnomemory;
  SetHandleSize(copy, n - tail);
  i16 st = newfred(value, fredtemp, fredstring, 0);
  if (st != 0) {
    DisposeHandle(copy);
    return st;
  }
  givehandtofred(copy, value);
  return 0;
}

// A copy of a text handle; empty for none.
i16 textvalue(Handle h, fred* value) {
  if (h == nilhandle) return newfred(value, fredtemp, fredstring, 0);
  return handtonewfred(h, value);
}

// The rectangle of the message box window, in global coordinates.
Rect messageboxrect() {
  Rect r{};
  RegistryId w = mainglobals().msgwindow;
  if (w == nilid || GetWindowBounds(w, kWindowContentRgn, &r) != noErr) r = Rect{};
  return r;
}

// The 1-based number of an object among the objects of its kind in its list, counting up to
// the object with its id; 11 when there is none.
i16 spotnumber(const objread& obj, i32* number) {
  spot me = spotrec(obj);
  i32 n = 0;
  for (i32 i = 0, count = spotcount(obj.objects); i < count; ++i) {
    spot s = spotat(obj.objects, i);
    if (s.kind != me.kind) continue;
    ++n;
    if (s.id == me.id) {
      *number = n;
      return 0;
    }
  }
  return statusnotfound;
}

// The 1-based position of an embedded object among the field's embedded objects, in text
// order, matched by its id; 225 when the field's objects cannot be had or it is not there.
i16 embeddednumber(const objread& obj, i32* number) {
  Handle list = NewHandle(0);
  if (list == nilhandle) return statusnomemory;
  i16 st = statusnoembedded;
  if (embeddedobjects(spotrec(obj), list) == noErr) {
    i32 count = i32(HandleCount<embeddedobject>(list));
    if (obj.itemindex >= 0 && obj.itemindex < count) {
      u32 id = HandleAs<embeddedobject>(list)[obj.itemindex].id;
      i32 n = 0;
      for (i32 i = 0; i < count; ++i) {
        embeddedobject e = HandleAs<embeddedobject>(list)[i];
        if (e.kind != kEmbeddedIota) continue;
        ++n;
        if (e.id == id) {
          *number = n;
          st = 0;
          break;
        }
      }
    }
  }
  DisposeHandle(list);
  return st;
}

// The end of data or the free bytes of the project a descriptor's records come from.
i16 filesize(const objread& obj, bool freebytes, fred* value) {
  const projectstore* store = findprojectstore(obj.d.store);
  if (store == nullptr) return statusnoobject;
  u32 n = freebytes ? store->header.freebytes : store->header.endofdata;
  doubletonewfred(double(n), value);
  return 0;
}

// The name-form word at atom i (after `the`): its form, or 0.
u16 nameform(const propctx& c, i32 i) {
  u16 t = c.tok(i);
  return t >= 9000 && t <= 9004 ? t : 0;
}

// The front of `[the] [form] name|id of <reference>`: the form given (0 for none), the
// reference resolved with the reference reader only.
i16 nameidfront(const propctx& c, i32 at, u16 word, i32* count, u16* form, objread* obj) {
  *count = 0;
  i32 i = at;
  if (isthe(c, i)) ++i;
  *form = nameform(c, i);
  if (*form != 0) ++i;
  if (c.tok(i) != word) return statusnoobject;
  if (c.tok(i + 1) != tokOf) return statusnoof;
  i += 2;
  i32 used = 0;
  if (i16 st = resolvereference(c, i, &used, obj, false)) return st;
  *count = i + used - at;
  return 0;
}

}  // namespace

KV_GETTER(propname) {
  propctx c{path, text, atoms, variables, locals};
  u16 form = 0;
  objread obj{};
  if (i16 st = nameidfront(c, at, pwName, count, &form, &obj)) return st;
  if (form == 0 || form == 9000 || form == 9004) form = formabbr;
  Str255 s{};
  i16 st = 0;
  switch (obj.kind) {
    case objitem:
    case objmenu:
    case objpart:
    case objcard:
    case objbackground:
    case objwindow:
    case objembedded: buildnametext(obj, form, s); break;
    case objproject: buildfilename(obj.d.store, form, s); break;
    case objshared:
      if (mainglobals().sharedstore == nilid) st = statusnoobject;
      else buildfilename(mainglobals().sharedstore, form, s);
      break;
    case objapp: st = statusnoobject; break;
    default: break;
  }
  if (st == 0) st = stringvalue(s, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(propid) {
  propctx c{path, text, atoms, variables, locals};
  u16 form = 0;
  objread obj{};
  if (i16 st = nameidfront(c, at, pwId, count, &form, &obj)) return st;
  if (form == 0 || form == 9000 || form == 9004) form = obj.kind == objpart || obj.kind == objbackground ? formshort : formabbr;
  Str255 s{};
  i16 st = 0;
  switch (obj.kind) {
    case objproject:
    case objshared:
    case objapp: st = statusnoobject; break;
    default: buildidtext(obj, form, s); break;
  }
  if (st == 0) st = stringvalue(s, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(propnumber) {
  // `the number of cards` and its like are functions.
  i16 st = sysfun(path, text, atoms, at, variables, count, value);
  if (st == 0 || st == statusnomemory) return st;
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if ((st = getterfront(c, at, count, &obj))) return st;
  i32 n = 0;
  switch (obj.kind) {
    case objitem: n = obj.itemindex + 1; break;
    case objmenu: n = i32(obj.menu.menunum); break;
    case objpart: st = spotnumber(obj, &n); break;
    case objcard: n = i32(obj.d.cardnum); break;
    case objbackground: {
      u32 number = 0;
      st = backidtobacknum(obj.d.store, obj.d.wind, obj.d.backrecid, &number);
      n = i32(number);
      break;
    }
    case objwindow: n = i32(obj.d.windnum); break;
    case objembedded: st = embeddednumber(obj, &n); break;
    default: st = statusnoobject; break;
  }
  if (st == 0) longtonewfred(n, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(proploc) {
  propctx c{path, text, atoms, variables, locals};
  *count = 0;
  i32 i = at;
  if (isthe(c, i)) ++i;
  const u16 word = c.tok(i);
  if (c.tok(i + 1) != tokOf) return statusnoof;
  i += 2;
  // `of [the] message [box | window]`: the message box.
  i32 m = isthe(c, i) ? i + 1 : i;
  Rect r{};
  objread obj{};
  i32 used = 0;
  bool message = c.tok(m) == refwords::tokMessage;
  i16 st = message ? i16(1) : resolvereference(c, i, &used, &obj, true);
  if (st != 0) {
    if (!message) return statusnoobject;
    used = m + 1 - i;
    u16 after = c.tok(m + 1);
    if (after == tokBox || after == tokWindow) ++used;
    r = messageboxrect();
    *count = i + used - at;
    return rectoresult(word, r, value);
  }
  switch (obj.kind) {
    case objpart: r = spotrec(obj).rect; break;
    case objbackground: {
      backrec b = backrecord(obj);
      r = Rect{0, 0, i16(b.height), i16(b.width)};
      break;
    }
    case objwindow:
      if (pluginmode()) st = statusplugin;
      else r = windrecord(obj).rect1;
      break;
    default: st = statusnoobject; break;
  }
  writeobj(&obj);
  if (st != 0) return st;
  *count = i + used - at;
  return rectoresult(word, r, value);
}

KV_GETTER(propsize) {
  propctx c{path, text, atoms, variables, locals};
  const u16 word = c.tok(isthe(c, at) ? at + 1 : at);
  objread obj{};
  if (word == pwWindowSize && pluginmode()) return statusplugin;
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  i16 st = 0;
  switch (word) {
    case pwBackSize:
      if (obj.kind != objbackground) {
        st = statusnotbackground;
      } else {
        backrec b = backrecord(obj);
        st = loctonewfred(i16(b.width), i16(b.height), value);
      }
      break;
    case pwSize:
    case pwFreeSize:
      if (obj.kind == objcard || obj.kind == objbackground || obj.kind == objwindow || obj.kind == objproject)
        st = filesize(obj, word == pwFreeSize, value);
      else
        st = statusnoobject;
      break;
    case pwOwner:
      if (obj.kind != objcard) {
        st = statusnotcard;
      } else {
        Str255 s{};
        buildbackid(obj, formlong, s);
        st = stringvalue(s, value);
      }
      break;
    case pwWindowSize:
      if (obj.kind != objwindow) {
        st = statusnotwindow;
      } else {
        Rect r = windrecord(obj).rect1;
        st = loctonewfred(i16(r.right - r.left), i16(r.bottom - r.top), value);
      }
      break;
    default: st = statusnoproperty; break;
  }
  writeobj(&obj);
  return st;
}

KV_GETTER(propscript) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  i16 st = 0;
  Handle script = nilhandle;
  switch (obj.kind) {
    case objitem: script = itemrec(obj).script; break;
    case objmenu: script = menurecord(obj).script; break;
    case objpart: script = spotrec(obj).script; break;
    case objcard: script = cardrecord(obj).script; break;
    case objbackground: script = backrecord(obj).script; break;
    case objwindow: script = windrecord(obj).script; break;
    case objproject: script = headrecord(obj.d.head).script; break;
    case objshared:
      if (mainglobals().sharedhead == nilhandle) st = statusnoobject;
      else script = headrecord(mainglobals().sharedhead).script;
      break;
    default: st = statusnoobject; break;
  }
  if (st == 0) st = scriptvalue(script, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(propcontents) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  i16 st = 0;
  Handle contents = nilhandle;
  switch (obj.kind) {
    case objitem: contents = itemrec(obj).contents; break;
    case objmenu: contents = menurecord(obj).contents; break;
    case objpart: contents = spotrec(obj).contents; break;
    case objcard: contents = cardrecord(obj).contents; break;
    case objbackground: contents = backrecord(obj).contents; break;
    case objwindow: contents = windrecord(obj).contents; break;
    case objproject: contents = headrecord(obj.d.head).contents; break;
    default: st = statusnoobject; break;
  }
  if (st == 0) st = textvalue(contents, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(propkind) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  Str255 s{};
  i16 st = 0;
  switch (obj.kind) {
    case objitem: setpstring(s, "item"); break;
    case objmenu: setpstring(s, "menu"); break;
    case objcard: setpstring(s, "card"); break;
    case objbackground: setpstring(s, "background"); break;
    case objwindow: setpstring(s, "window"); break;
    case objproject: setpstring(s, "project"); break;
    case objpart: st = spotkindstring(spotrec(obj).kind, s); break;
    default: st = statusnoproperty; break;
  }
  if (st == 0) st = stringvalue(s, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(propstyle) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  Str255 s{};
  i16 st = 0;
  switch (obj.kind) {
    case objpart: st = spotstylestring(spotrec(obj).style, s); break;
    case objwindow:
      if (pluginmode()) st = statusplugin;
      else setpstring(s, windowstyleword(windrecord(obj).word2));
      break;
    default: st = statusnoobject; break;
  }
  if (st == 0) st = stringvalue(s, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(proptitle) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  i16 st = statusnoobject;
  if (obj.kind == objwindow) {
    static constexpr const char* words[4] = {"top", "left", "none", "invisible"};
    st = textonewfred(words[(windrecord(obj).flags >> 4) & 3], value);
  }
  writeobj(&obj);
  return st;
}

KV_GETTER(propcmdkey) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  i16 st = statusnoobject;
  if (obj.kind == objitem) {
    u8 ch = u8(itemrec(obj).word0 & 0xFF);
    st = charstonewfred(&ch, ch != 0 ? 1 : 0, value);
  }
  writeobj(&obj);
  return st;
}

KV_GETTER(propcmdmodifiers) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  i16 st = statusnoobject;
  if (obj.kind == objitem) {
    static constexpr const char* words[3] = {"shiftKey", "optionKey", "controlKey"};
    u32 flags = itemrec(obj).flags;
    Str255 s{};
    for (int b = 0; b < 3; ++b) {
      if (!(flags & (1u << (8 + b)))) continue;
      if (s[0] > 0) appendpstring(s, ",");
      appendpstring(s, words[b]);
    }
    st = stringvalue(s, value);
  }
  writeobj(&obj);
  return st;
}

}  // namespace kv
