// What an object is and where it is: its name and id in the three name forms, its number,
// kind and style, its rectangle words, the sizes of projects, backgrounds and windows, its
// script and contents, and the title bar, command character and modifiers of windows and menu
// items.
#include <algorithm>

#include "commands/dispatch.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/valuewords.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/refwords.h"
#include "store/reftexts.h"
#include "store/starfile.h"

namespace kv {

namespace {

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
  if (memoryrefused(n)) return err::nomemory;
  Handle copy = script;
  if (HandToHand(&copy) != noErr || copy == nilhandle || copy == script) return err::nomemory;
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
  return err::notext;
}

// The 1-based position of an embedded object among the field's embedded objects, in text
// order, matched by its id; 225 when the field's objects cannot be had or it is not there.
i16 embeddednumber(const objread& obj, i32* number) {
  Handle list = NewHandle(0);
  if (list == nilhandle) return err::nomemory;
  i16 st = err::nosuchembedded;
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
  if (store == nullptr) return err::cantunderstand;
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
  if (c.tok(i) != word) return err::cantunderstand;
  if (c.tok(i + 1) != tok::in) return err::noof;
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
  if (i16 st = nameidfront(c, at, tok::name, count, &form, &obj)) return st;
  if (form == 0 || form == 9000 || form == 9004) form = tok::abbr;
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
      if (mainglobals().sharedstore == nilid) st = err::cantunderstand;
      else buildfilename(mainglobals().sharedstore, form, s);
      break;
    case objapp: st = err::cantunderstand; break;
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
  if (i16 st = nameidfront(c, at, tok::id, count, &form, &obj)) return st;
  if (form == 0 || form == 9000 || form == 9004)
    form = obj.kind == objpart || obj.kind == objbackground ? tok::short_ : tok::abbr;
  Str255 s{};
  i16 st = 0;
  switch (obj.kind) {
    case objproject:
    case objshared:
    case objapp: st = err::cantunderstand; break;
    default: buildidtext(obj, form, s); break;
  }
  if (st == 0) st = stringvalue(s, value);
  writeobj(&obj);
  return st;
}

KV_GETTER(propnumber) {
  // `the number of cards` and its like are functions. When the function form fails, the error
  // it posted is taken back and the words are read as the property of an object.
  const bool posted = mainglobals().erroroffset != -1;
  i16 st = sysfun(path, text, atoms, at, variables, count, value);
  if (st == 0 || st == err::nomemory) return st;
  if (!posted) clearerror();
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) -> i16 {
    i32 n = 0;
    i16 status = 0;
    switch (obj.kind) {
      case objitem: n = obj.itemindex + 1; break;
      case objmenu: n = i32(obj.menu.menunum); break;
      case objpart: status = spotnumber(obj, &n); break;
      case objcard: n = i32(obj.d.cardnum); break;
      case objbackground: {
        u32 number = 0;
        status = backidtobacknum(obj.d.store, obj.d.wind, obj.d.backrecid, &number);
        n = i32(number);
        break;
      }
      case objwindow: n = i32(obj.d.windnum); break;
      case objembedded: status = embeddednumber(obj, &n); break;
      default: status = err::cantunderstand; break;
    }
    if (status == 0) longtonewfred(n, value);
    return status;
  });
}

KV_GETTER(proploc) {
  propctx c{path, text, atoms, variables, locals};
  *count = 0;
  i32 i = at;
  if (isthe(c, i)) ++i;
  const u16 word = c.tok(i);
  if (c.tok(i + 1) != tok::in) return err::noof;
  i += 2;
  // `of [the] message [box | window]`: the message box.
  i32 m = isthe(c, i) ? i + 1 : i;
  Rect r{};
  objread obj{};
  i32 used = 0;
  bool message = c.tok(m) == tok::message;
  i16 st = message ? i16(1) : resolvereference(c, i, &used, &obj, true);
  if (st != 0) {
    if (!message) return err::cantunderstand;
    used = m + 1 - i;
    u16 after = c.tok(m + 1);
    if (after == tok::box || after == tok::wd) ++used;
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
      if (pluginmode()) st = err::pluginproperty;
      else r = windrecord(obj).rect1;
      break;
    default: st = err::cantunderstand; break;
  }
  writeobj(&obj);
  if (st != 0) return st;
  *count = i + used - at;
  return rectoresult(word, r, value);
}

KV_GETTER(propsize) {
  propctx c{path, text, atoms, variables, locals};
  const u16 word = c.tok(isthe(c, at) ? at + 1 : at);
  if (word == tok::windowsize && pluginmode()) return err::pluginproperty;
  return objectgetter(c, at, count, [&](const objread& obj) -> i16 {
    switch (word) {
      case tok::backsize: {
        if (obj.kind != objbackground) return err::nosuchbackground;
        backrec b = backrecord(obj);
        return loctonewfred(i16(b.width), i16(b.height), value);
      }
      case tok::size:
      case tok::freesize:
        if (obj.kind != objcard && obj.kind != objbackground && obj.kind != objwindow && obj.kind != objproject)
          return err::cantunderstand;
        return filesize(obj, word == tok::freesize, value);
      case tok::owner: {
        if (obj.kind != objcard) return err::nosuchcard;
        Str255 s{};
        buildbackid(obj, tok::long_, s);
        return stringvalue(s, value);
      }
      case tok::windowsize: {
        if (obj.kind != objwindow) return err::nosuchwindow;
        Rect r = windrecord(obj).rect1;
        return loctonewfred(i16(r.right - r.left), i16(r.bottom - r.top), value);
      }
      default: return err::nosuchproperty;
    }
  });
}

namespace {

// The script or the contents handle of the object a descriptor names; false for a kind
// without one.
bool textof(const objread& obj, bool script, Handle* out) {
  auto pick = [script](Handle sc, Handle co) { return script ? sc : co; };
  switch (obj.kind) {
    case objitem: {
      menuitem m = itemrec(obj);
      *out = pick(m.script, m.contents);
      return true;
    }
    case objmenu: {
      menurec m = menurecord(obj);
      *out = pick(m.script, m.contents);
      return true;
    }
    case objpart: {
      spot p = spotrec(obj);
      *out = pick(p.script, p.contents);
      return true;
    }
    case objcard: {
      cardrec r = cardrecord(obj);
      *out = pick(r.script, r.contents);
      return true;
    }
    case objbackground: {
      backrec r = backrecord(obj);
      *out = pick(r.script, r.contents);
      return true;
    }
    case objwindow: {
      windrec r = windrecord(obj);
      *out = pick(r.script, r.contents);
      return true;
    }
    case objproject: {
      headrec r = headrecord(obj.d.head);
      *out = pick(r.script, r.contents);
      return true;
    }
    case objshared: {
      // Only the script of the shared project can be read, and only while one is open.
      Handle head = mainglobals().sharedhead;
      if (!script || head == nilhandle) return false;
      *out = headrecord(head).script;
      return true;
    }
    default: return false;
  }
}

}  // namespace

KV_GETTER(propscript) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    Handle script = nilhandle;
    return textof(obj, true, &script) ? scriptvalue(script, value) : err::cantunderstand;
  });
}

KV_GETTER(propcontents) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    Handle contents = nilhandle;
    return textof(obj, false, &contents) ? textvalue(contents, value) : err::cantunderstand;
  });
}

KV_GETTER(propkind) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    static constexpr const char* words[] = {"", "item", "menu", "", "card", "background", "window", "", "project"};
    Str255 s{};
    if (obj.kind == objpart) {
      if (i16 st = spotkindstring(spotrec(obj).kind, s)) return st;
    } else if (obj.kind < std::size(words) && words[obj.kind][0] != 0) {
      setpstring(s, words[obj.kind]);
    } else {
      return err::nosuchproperty;
    }
    return stringvalue(s, value);
  });
}

KV_GETTER(propstyle) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    Str255 s{};
    if (obj.kind == objpart) {
      if (i16 st = spotstylestring(spotrec(obj).style, s)) return st;
    } else if (obj.kind == objwindow) {
      if (pluginmode()) return err::pluginproperty;
      setpstring(s, windowstyleword(windrecord(obj).word2));
    } else {
      return err::cantunderstand;
    }
    return stringvalue(s, value);
  });
}

KV_GETTER(proptitle) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    if (obj.kind != objwindow) return err::cantunderstand;
    static constexpr const char* words[4] = {"top", "left", "none", "invisible"};
    return textonewfred(words[(windrecord(obj).flags >> 4) & 3], value);
  });
}

KV_GETTER(propcmdkey) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    if (obj.kind != objitem) return err::cantunderstand;
    u8 ch = u8(itemrec(obj).word0 & 0xFF);
    return charstonewfred(&ch, ch != 0 ? 1 : 0, value);
  });
}

KV_GETTER(propcmdmodifiers) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    if (obj.kind != objitem) return err::cantunderstand;
    static constexpr const char* words[3] = {"shiftKey", "optionKey", "controlKey"};
    u32 flags = itemrec(obj).flags;
    Str255 s{};
    for (int b = 0; b < 3; ++b) {
      if (!(flags & (1u << (8 + b)))) continue;
      if (s[0] > 0) appendpstring(s, ",");
      appendpstring(s, words[b]);
    }
    return stringvalue(s, value);
  });
}

}  // namespace kv
