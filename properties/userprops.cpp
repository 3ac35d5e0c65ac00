#include "properties/userprops.h"

#include <algorithm>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "platform/text/pstring.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "render/buttoncontrols.h"
#include "render/controlflush.h"
#include "render/controlvisibility.h"
#include "render/magicuprops.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr i32 kShortName = 31;
constexpr i16 kParked = -30000;  // controls parked off the card lie at or above this

// Names of two or more characters that begin with two underscores are internal.
bool hiddenname(ConstStringPtr name) { return name[0] >= 2 && name[1] == '_' && name[2] == '_'; }
bool hiddenname(Handle name) {
  return name != nilhandle && GetHandleSize(name) >= 2 && deref(name)[0] == '_' && deref(name)[1] == '_';
}

i32 entrycount(Handle list) { return list == nilhandle ? 0 : i32(HandleCount<uprop>(list)); }
uprop entryat(Handle list, i32 i) { return loadat<uprop>(deref(list) + Size(i) * Size(sizeof(uprop))); }

// The 0-based position of a name in a list, or -1.
i32 indexof(Handle list, ConstStringPtr name) {
  i16 index = 0;
  return findprop(list, &index, name) ? index : -1;
}

// A copy of a value handle (empty for none) as a new value.
i16 copyvalue(Handle h, fred* value) {
  if (h == nilhandle) return newfred(value, fredtemp, fredstring, 0);
  return handtonewfred(h, value);
}

// The user-property list slot of a descriptor's object: a handle field inside a record,
// read and written by value.
struct listslot {
  Handle list = nilhandle;
  bool haslist = false;
};

listslot slotof(const objread& obj) {
  listslot s;
  s.haslist = true;
  switch (obj.kind) {
    case objitem: s.list = HandleAs<menuitem>(obj.menu.items)[obj.itemindex].uprops; break;
    case objmenu: s.list = loadat<menurec>(deref(obj.menu.menu)).uprops; break;
    case objpart: s.list = spotat(obj.objects, obj.objindex).uprops; break;
    case objcard: s.list = loadat<cardrec>(deref(obj.d.card)).uprops; break;
    case objbackground: s.list = loadat<backrec>(deref(obj.d.back)).uprops; break;
    case objwindow: s.list = loadat<windrec>(deref(obj.d.wind)).uprops; break;
    case objproject: s.list = obj.d.head != nilhandle ? loadat<headrec>(deref(obj.d.head)).uprops : nilhandle; break;
    default: s.haslist = false; break;
  }
  return s;
}

// The name of a property as the script gave it: the word's own text, or the value of the
// variable it names.
i16 propertyname(const propctx& c, i32 i, fred* name) {
  atom& a = HandleAs<atom>(c.atoms)[i];
  varentry entry{};
  bool found = findvars(&a, c.text, c.variables, &entry) == 0 ||
               (c.locals != nilhandle && c.locals != c.variables && findvars(&a, c.text, c.locals, &entry) == 0);
  if (!found) return atomtonewfred(a, c.text, name);
  *name = *HandleAs<fred>(entry.value);
  name->cls = freddisposed;
  return copyfred(name);
}

// Redraws an object whose icon data changed: rectangle and polygon buttons show it.
void iconchanged(const objread& obj, ConstStringPtr name) {
  static constexpr u8 icondata[] = "\x08iconData";
  if (obj.kind != objpart || !myequalstring(name, icondata)) return;
  spot s = spotat(obj.objects, obj.objindex);
  if (s.kind != spotbutton || (s.style != 200 && s.style != stylepolybutton)) return;
  redrawspot(obj, s.rect);
}

// Replaces the value of entry `index`; the entry keeps its name.
i16 setentry(const objread& obj, Handle list, i32 index, fred* value) {
  uprop e = entryat(list, index);
  if (e.value == nilhandle) {
    Handle h = NewHandle(0);
    if (h == nilhandle) return err::nomemory;
    e.value = h;
    storeat<uprop>(deref(list) + Size(index) * Size(sizeof(uprop)), e);
  }
  if (i16 st = fredtohand(value, e.value)) return st;
  markowner(obj);
  return 0;
}

// A button whose control takes its data from the property just set gets its control built
// again from it: the controls flushed, the control made while its window is open, its bounds
// (a popup menu sizes itself to its items) kept as the object's rectangle, and the control
// taken down to be drawn afresh. `all` 0 flushes only tabs and popup menus the first time.
void rebuildcontrol(const objread& obj, i16 all) {
  lowflush(obj, all);
  desk shown{};
  if (obj.d.window == nilid || getwind(obj.d.window, &shown) == 0 || !IsValidWindowPtr(obj.d.window)) return;
  BorrowDesk borrow(shown);
  spot s = spotat(obj.objects, obj.objindex);
  InvalWindowRect(obj.d.window, &s.rect);
  const ControlRef c = docontrolup(&s, obj.objects == obj.d.backspots ? 1 : 0);
  if (c != nilid && IsValidControlHandle(c)) {
    Rect bounds{};
    GetControlBounds(c, &bounds);
    docontroldown(s);
    InvalWindowRect(obj.d.window, &bounds);
    if (bounds.bottom > bounds.top && bounds.right > bounds.left && bounds.top > kParked) s.rect = bounds;
  }
  putspot(obj.objects, obj.objindex, s);
  markowner(obj);
  lowflush(obj, 1);
}

}  // namespace

bool upropslist(const objread& obj, Handle* list) {
  listslot s = slotof(obj);
  *list = s.list;
  return s.haslist;
}

i16 proputil(Handle list, ConstStringPtr name, fred* value) {
  i32 i = indexof(list, name);
  if (i < 0) return err::nosuchuserproperty;
  return copyvalue(entryat(list, i).value, value);
}

i16 proputilidx(Handle list, i32 index, fred* value) {
  if (index < 0 || index >= entrycount(list)) return err::nosuchuserproperty;
  return copyvalue(entryat(list, index).value, value);
}

i16 prophandutil(Handle list, ConstStringPtr name, Handle* out) {
  i32 i = indexof(list, name);
  if (i < 0) return err::nosuchuserproperty;
  *out = entryat(list, i).value;
  return 0;
}

i16 prophandutilidx(Handle list, i32 index, Handle* out) {
  if (index < 0 || index >= entrycount(list)) return err::nosuchuserproperty;
  *out = entryat(list, index).value;
  return 0;
}

i16 propuserutil(Handle list, fred* value) {
  Handle names = NewHandle(0);
  if (names == nilhandle) return err::nomemory;
  bool first = true;
  for (i32 i = 0, n = entrycount(list); i < n; ++i) {
    Handle name = entryat(list, i).name;
    if (hiddenname(name)) continue;
    if (!first && appendcharhand(names, ',') != 0) {
      DisposeHandle(names);
      return err::nomemory;
    }
    first = false;
    if (name != nilhandle && HandAndHand(name, names) != noErr) {
      DisposeHandle(names);
      return err::nomemory;
    }
  }
  i16 st = newfred(value, fredtemp, fredstring, 0);
  if (st != 0) {
    DisposeHandle(names);
    return st;
  }
  givehandtofred(names, value);
  return 0;
}

i16 propkillifempty(Handle list, ConstStringPtr name) {
  i32 i = indexof(list, name);
  if (i < 0) return err::nosuchuserproperty;
  uprop e = entryat(list, i);
  if (e.value == nilhandle || GetHandleSize(e.value) != 0) return 0;
  if (e.name != nilhandle) DisposeHandle(e.name);
  DisposeHandle(e.value);
  qdelete(list, i, i32(sizeof(uprop)));
  return 0;
}

i16 lowuserprop(const objread& obj, ConstStringPtr name, fred* value) {
  Handle list = nilhandle;
  if (!upropslist(obj, &list)) return err::cantunderstand;
  return proputil(list, name, value);
}

i16 lowuserpropidx(const objread& obj, i32 index, fred* value) {
  Handle list = nilhandle;
  if (!upropslist(obj, &list)) return err::cantunderstand;
  return proputilidx(list, index, value);
}

i16 lowuserprophand(const objread& obj, ConstStringPtr name, Handle* out) {
  Handle list = nilhandle;
  if (!upropslist(obj, &list)) return err::cantunderstand;
  return prophandutil(list, name, out);
}

i16 getmagicupropitem(const spot* s, ConstStringPtr name, i32 item, StringPtr text) {
  if (s == nullptr || name == nullptr || text == nullptr) return 1;
  text[0] = 0;
  Handle value = nilhandle;
  if (prophandutil(s->uprops, name, &value) != 0 || value == nilhandle) return 0;
  const Size size = GetHandleSize(value);
  const u8* p = deref(value);
  // Item n runs from after the (n-1)th return to the next return.
  Size start = 0;
  for (i32 k = 1; k < item && start <= size; ++k) {
    while (start < size && p[start] != 13) ++start;
    ++start;
  }
  if (item < 1 || start > size) return 0;
  Size end = start;
  while (end < size && p[end] != 13 && p[end] != 9 && p[end] != ' ') ++end;
  pstrassign(text, 256, p + start, size_t(end - start));
  return 0;
}

i16 lowsetuserprop(const objread& obj, ConstStringPtr name, fred* value) {
  Handle list = nilhandle;
  if (!upropslist(obj, &list)) return err::cantunderstand;
  i32 i = indexof(list, name);
  if (i < 0) return err::nosuchuserproperty;
  if (i16 st = setentry(obj, list, i, value)) return st;
  if (obj.kind == objpart && ismagicuprop(obj, name)) rebuildcontrol(obj, 1);
  else iconchanged(obj, name);
  return 0;
}

i16 lowsetuserpropidx(const objread& obj, i32 index, fred* value) {
  Handle list = nilhandle;
  if (!upropslist(obj, &list)) return err::cantunderstand;
  if (index < 0 || index >= entrycount(list)) return err::nosuchuserproperty;
  if (i16 st = setentry(obj, list, index, value)) return st;
  if (obj.kind == objpart && ismagicupropidx(obj, index)) rebuildcontrol(obj, 0);
  return 0;
}

KV_GETTER(userprop) {
  propctx c{path, text, atoms, variables, locals};
  *count = 0;
  i32 i = at;
  if (isthe(c, i)) ++i;
  const i32 nameatom = i;
  if (c.tok(i + 1) != tok::in) return err::noof;
  i += 2;
  objread obj{};
  i32 used = 0;
  if (i16 st = resolvereference(c, i, &used, &obj, true)) return st;
  fred name;
  i16 st = propertyname(c, nameatom, &name);
  if (st == 0) {
    // The name must be a text of at most 31 characters (a number kept as a number is none).
    Str255 s{};
    bool istext = name.type == fredstring || name.type == fredhand;
    bool shortname = istext && getfredsize(&name) <= kShortName;
    if (shortname) pstrassign(s, sizeof s, fredaddr(&name), size_t(getfredsize(&name)));
    disposfred(&name);
    if (!shortname || hiddenname(s)) st = err::nosuchuserproperty;
    else st = lowuserprop(obj, s, value);
  }
  writeobj(&obj);
  if (st == 0) *count = i + used - at;
  return st;
}

KV_GETTER(propusers) {
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    Handle list = nilhandle;
    return upropslist(obj, &list) ? propuserutil(list, value) : err::cantunderstand;
  });
}

KV_SETTER(setuserprop) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  i32 i = at;
  if (isthe(c, i)) ++i;
  fred name;
  if (i16 st = propertyname(c, i, &name)) return st;
  Str255 s{};
  fredtostring(&name, s);
  disposfred(&name);
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  i16 st = dofront(c, at, &used, &obj, true);
  if (st == 0) {
    st = hiddenname(s) ? err::nosuchuserproperty : lowsetuserprop(obj, s, &value);
    writeobj(&obj);
  }
  disposfred(&value);
  return st;
}

}  // namespace kv
