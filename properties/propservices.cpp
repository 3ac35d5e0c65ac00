#include "properties/propservices.h"

#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "platform/memory/memory.h"
#include "engine/variables.h"
#include "core/memoryguard.h"
#include "properties/propfront.h"
#include "render/buttoncontrols.h"
#include "render/controlvisibility.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr u32 kVersion4Bit = 1u << 21;

bool keepscontroldata(const spot& s) {
  return s.kind == spotbutton && (s.flags & kVersion4Bit) &&
         (s.style == 203 || s.style == 205 || s.style == 206 || s.style == 210 || s.style == 229);
}

// The platform controls of a layer's buttons, built again while their card is shown.
void rebuildcontrols(const objread& obj) {
  desk shown{};
  if (obj.d.window == nilid || getwind(obj.d.window, &shown) == 0 || shown.cardrecid != obj.d.cardrecid) return;
  const i16 background = obj.objects == obj.d.backspots ? 1 : 0;
  for (i32 i = 0, n = spotcount(obj.objects); i < n; ++i) {
    spot s = spotat(obj.objects, i);
    if (s.kind != spotbutton || !(s.flags & kVersion4Bit)) continue;
    docontroldown(s);
    docontrolup(&s, background);
    putspot(obj.objects, i, s);
  }
}

// The entry's value handle takes the text; an entry without one gets one.
i16 setvalueat(Handle list, i32 index, fred* value) {
  if (list == nilhandle || index < 0 || index >= i32(HandleCount<uprop>(list))) return err::nosuchuserproperty;
  const Size at = Size(index) * Size(sizeof(uprop));
  uprop e = loadat<uprop>(deref(list) + at);
  if (e.value == nilhandle) {
    Handle h = NewHandle(0);
    if (h == nilhandle) return err::nomemory;
    e.value = h;
    storeat<uprop>(deref(list) + at, e);
  }
  return fredtohand(value, e.value);
}

}  // namespace

i16 lowmoveuprops(objread* obj, Handle list) {
  if (obj->kind != objpart || obj->objects == nilhandle) {
    writeobj(obj);
    return err::cantunderstand;
  }
  spot s = spotat(obj->objects, obj->objindex);
  if (s.uprops != nilhandle && s.uprops != list) dumprop(s.uprops);
  s.uprops = list;
  const bool controls = keepscontroldata(s);
  if (controls) {
    controlpart c = getcontrolpart(s);
    c.currentvalue = c.minimumvalue = 0;
    c.maximumvalue = s.style == 205 ? 10 : 0;
    setcontrolpart(s, c);
  }
  putspot(obj->objects, obj->objindex, s);
  markowner(*obj);
  if (controls) {
    rebuildcontrols(*obj);
    // Building reads the range of the new control back; the object keeps the cleared values.
    spot now = spotat(obj->objects, obj->objindex);
    controlpart c = getcontrolpart(now);
    const controlpart cleared = getcontrolpart(s);
    c.currentvalue = cleared.currentvalue;
    c.minimumvalue = cleared.minimumvalue;
    c.maximumvalue = cleared.maximumvalue;
    setcontrolpart(now, c);
    putspot(obj->objects, obj->objindex, now);
    if (const ControlRef live = livecontrol(now); live != nilid) {
      SetControl32BitMinimum(live, c.minimumvalue);
      SetControl32BitMaximum(live, c.maximumvalue);
      SetControl32BitValue(live, c.currentvalue);
    }
  }
  writeobj(obj);
  return 0;
}

i16 shuffleuprops(objread* obj, i32 source, i32 dest) {
  // A card or background names its own object list.
  if (obj->kind == objcard || obj->kind == objbackground) {
    const bool card = obj->kind == objcard;
    obj->objects = card ? obj->d.cardspots : obj->d.backspots;
    obj->ownerrecid = card ? obj->d.cardrecid : obj->d.backrecid;
    obj->kind = objpart;
  }
  const i32 n = obj->objects != nilhandle ? spotcount(obj->objects) : 0;
  if (source < 0 || source >= n || dest < 0 || dest >= n) {
    writeobj(obj);
    return err::notext;
  }
  spot from = spotat(obj->objects, source);
  const Handle list = from.uprops;
  from.uprops = nilhandle;
  putspot(obj->objects, source, from);
  obj->objindex = i16(dest);
  return lowmoveuprops(obj, list);
}

i16 modproperty(Handle list, ConstStringPtr name, fred* value) {
  i16 index = 0;
  if (list == nilhandle || !findprop(list, &index, name)) return err::nosuchuserproperty;
  return setvalueat(list, index, value);
}

i16 modpropertyidx(Handle list, i32 index, fred* value) { return setvalueat(list, index, value); }

i16 contentutil(fred* value, Handle* slot) {
  if (memoryrefused(1024)) return err::nomemory;
  Handle h = NewHandle(0);
  if (h == nilhandle) return err::nomemory;
  if (i16 st = fredtohand(value, h)) {
    DisposeHandle(h);
    return st;
  }
  if (*slot != nilhandle) DisposeHandle(*slot);
  *slot = nilhandle;
  if (GetHandleSize(h) == 0) {
    DisposeHandle(h);
    return 0;
  }
  *slot = h;
  return 0;
}

}  // namespace kv
