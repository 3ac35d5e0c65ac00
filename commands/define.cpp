#include "commands/define.h"

#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "properties/propfront.h"
#include "render/controlflush.h"
#include "render/magicuprops.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "store/objects.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 resultdefined = 48, resultundefined = 49;

void setresult(i16 n) {
  Handle r = mainglobals().result;
  if (r != nilhandle) stringtohand(resultstr(n), r);
}

// Appends a new entry {key, name, empty value}; 37 when memory runs short (nothing added).
i16 appendentry(Handle list, ConstStringPtr name) {
  if (memoryrefused(Size(name[0]) + Size(sizeof(uprop)))) return err::nomemory;
  Handle namehand = nilhandle, value = NewHandle(0);
  if (value == nilhandle || PtrToHand(name + 1, &namehand, name[0]) != noErr) {
    if (value != nilhandle) DisposeHandle(value);
    return err::nomemory;
  }
  uprop e{};
  u32 key = 0;
  getkey(name, &key);
  e.key = key;
  e.name = namehand;
  e.value = value;
  if (PtrAndHand(&e, list, sizeof e) != noErr) {
    DisposeHandle(namehand);
    DisposeHandle(value);
    return err::nomemory;
  }
  return 0;
}

// The list slot of a descriptor's object, read and written by value.
struct listslot {
  const objread& obj;
  bool has() const {
    switch (obj.kind) {
      case objitem:
        return obj.menu.items != nilhandle && obj.itemindex >= 0 &&
               obj.itemindex < HandleCount<menuitem>(obj.menu.items);
      case objmenu: return obj.menu.menu != nilhandle;
      case objpart:
        return obj.objects != nilhandle && obj.objindex >= 0 && obj.objindex < HandleCount<spot>(obj.objects);
      case objcard: return obj.d.card != nilhandle;
      case objbackground: return obj.d.back != nilhandle;
      case objwindow: return obj.d.wind != nilhandle;
      case objproject: return obj.d.head != nilhandle;
      default: return false;
    }
  }
  Ptr itemat() const { return deref(obj.menu.items) + Size(obj.itemindex) * Size(sizeof(menuitem)); }
  Handle get() const {
    switch (obj.kind) {
      case objitem: return loadat<menuitem>(itemat()).uprops;
      case objmenu: return loadat<menurec>(deref(obj.menu.menu)).uprops;
      case objpart: return spotat(obj.objects, obj.objindex).uprops;
      case objcard: return loadat<cardrec>(deref(obj.d.card)).uprops;
      case objbackground: return loadat<backrec>(deref(obj.d.back)).uprops;
      case objwindow: return loadat<windrec>(deref(obj.d.wind)).uprops;
      default: return loadat<headrec>(deref(obj.d.head)).uprops;
    }
  }
  template <class R>
  static void setin(Ptr at, Handle list) {
    R r = loadat<R>(at);
    r.uprops = list;
    storeat<R>(at, r);
  }
  void set(Handle list) const {
    switch (obj.kind) {
      case objitem: setin<menuitem>(itemat(), list); break;
      case objmenu: setin<menurec>(deref(obj.menu.menu), list); break;
      case objpart: {
        spot s = spotat(obj.objects, obj.objindex);
        s.uprops = list;
        putspot(obj.objects, obj.objindex, s);
        break;
      }
      case objcard: setin<cardrec>(deref(obj.d.card), list); break;
      case objbackground: setin<backrec>(deref(obj.d.back), list); break;
      case objwindow: setin<windrec>(deref(obj.d.wind), list); break;
      default: setin<headrec>(deref(obj.d.head), list); break;
    }
  }
};

// A control button whose data property was defined or removed starts over: value 1 within 0-1,
// and the controls of its card or background are made again.
void resetcontrol(const objread& obj, ConstStringPtr name) {
  if (obj.kind != objpart || ismagicuprop(obj, name) == 0) return;
  spot s = spotat(obj.objects, obj.objindex);
  if (isplatformcontrol(s)) {
    controlpart c = getcontrolpart(s);
    c.currentvalue = 1;
    c.minimumvalue = 0;
    c.maximumvalue = 1;
    setcontrolpart(s, c);
    putspot(obj.objects, obj.objindex, s);
  }
  lowflush(obj, 1);
}

// Letters, digits, "_" and "." only.
bool goodpropertyname(ConstStringPtr name) {
  for (int i = 1; i <= name[0]; ++i) {
    u8 c = name[i];
    if (!isalphachar(c) && !(c >= '0' && c <= '9') && c != '_' && c != '.') return false;
  }
  return true;
}

// The slot edit of lowdefineprop and lowundefineprop: `the result` stays as it was.
i16 quietdefine(Handle* slot, ConstStringPtr name, u16 command) {
  Str255 kept;
  handtostring(mainglobals().result, kept);
  Handle list = nilhandle;
  i16 changed = 0;
  i16 st = comodproperty(*slot, &list, &changed, command, name);
  if (changed != 0) *slot = list;
  if (mainglobals().result != nilhandle) stringtohand(kept, mainglobals().result);
  return st;
}

}  // namespace

i16 comodproperty(Handle list, Handle* newlist, i16* changed, u16 command, ConstStringPtr name) {
  *changed = 0;
  *newlist = list;
  i16 st = 0;
  i16 index = 0;
  if (command == tok::define) {
    if (list == nilhandle) {
      list = memoryrefused(Size(sizeof(uprop))) ? nilhandle : NewHandle(0);
      if (list == nilhandle) {
        *newlist = nilhandle;
        return err::nolistmemory;
      }
      *newlist = list;
      *changed = 1;
    }
    if (findprop(list, &index, name) != 0) {
      setresult(resultdefined);
    } else if ((st = appendentry(list, name)) == 0) {
      *changed = 1;
    }
  } else if (list != nilhandle && findprop(list, &index, name) != 0) {
    uprop e = loadat<uprop>(deref(list) + Size(index) * Size(sizeof(uprop)));
    if (e.name != nilhandle) DisposeHandle(e.name);
    if (e.value != nilhandle) DisposeHandle(e.value);
    qdelete(list, index, i32(sizeof(uprop)));
    *changed = 1;
  } else {
    setresult(resultundefined);
  }
  if (list != nilhandle && GetHandleSize(list) == 0) {
    DisposeHandle(list);
    *newlist = nilhandle;
    *changed = 1;
  }
  return st;
}

i16 lowdefine(const objread& obj, ConstStringPtr name, u16 command) {
  listslot slot{obj};
  if (!slot.has()) return err::cantunderstand;
  Handle list = nilhandle;
  i16 changed = 0;
  i16 st = comodproperty(slot.get(), &list, &changed, command, name);
  if (changed != 0) {
    slot.set(list);
    markowner(obj);
    resetcontrol(obj, name);
  }
  return st;
}

i16 lowdefineprop(Handle* slot, ConstStringPtr name) { return quietdefine(slot, name, tok::define); }
i16 lowundefineprop(Handle* slot, ConstStringPtr name) { return quietdefine(slot, name, tok::undefine); }

scriptstatus comdefine(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 command = tokenat(atoms, at);
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::the) ++i;
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &value); st != 0) return st;
  Str255 name;
  fredtostring(&value, name);
  disposfred(&value);
  if (i16 st = badname(name); st != 0) return st;
  if (!goodpropertyname(name)) return err::badvariablename;
  i += used;
  if (tokenat(atoms, i) != tok::in) return err::noof;
  objread obj{};
  if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj); st != 0) return st;
  i += 1 + used;
  u16 t = tokenat(atoms, i);
  i16 st = t == tok::endofline || t == tok::endofscript ? lowdefine(obj, name, command) : err::stray;
  writeobj(&obj);
  return st;
}

}  // namespace kv
