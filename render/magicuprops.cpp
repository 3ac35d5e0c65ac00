#include "render/magicuprops.h"

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "store/objects.h"
#include "store/records.h"

namespace kv {

namespace {

// The data property of a style, or null for a style without one.
ConstStringPtr dataproperty(u16 style) {
  switch (style) {
    case 203: return reinterpret_cast<ConstStringPtr>("\x09radioData");
    case 205:
    case 206: return reinterpret_cast<ConstStringPtr>("\x09popupData");
    case 210: return reinterpret_cast<ConstStringPtr>("\x07tabData");
    case 229:
      return reinterpret_cast<ConstStringPtr>(
          "\x0A"
          "columnData");
    default: return nullptr;
  }
}

// The style of the object a reference names, or 0.
u16 styleof(const objread& obj) {
  if (obj.kind != objpart || obj.objects == nilhandle || obj.objindex < 0 ||
      obj.objindex >= HandleCount<spot>(obj.objects))
    return 0;
  return spotat(obj.objects, obj.objindex).style;
}

}  // namespace

i16 readhasmagicuprops(const objread& obj) { return dataproperty(styleof(obj)) != nullptr ? 1 : 0; }

i16 ismagicuprop(const objread& obj, ConstStringPtr name) {
  ConstStringPtr data = dataproperty(styleof(obj));
  return data != nullptr && myequalstring(name, data) ? 1 : 0;
}

i16 ismagicupropidx(const objread& obj, i32 index) {
  if (styleof(obj) == 0 || index < 0) return 0;
  Handle list = spotat(obj.objects, obj.objindex).uprops;
  if (list == nilhandle || index >= HandleCount<uprop>(list)) return 0;
  uprop e = loadat<uprop>(deref(list) + Size(index) * Size(sizeof(uprop)));
  Str255 name;
  handtostring(e.name, name);
  return ismagicuprop(obj, name);
}

}  // namespace kv
