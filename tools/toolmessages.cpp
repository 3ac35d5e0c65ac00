#include "tools/toolmessages.h"

#include <string>

#include "engine/hier.h"
#include "engine/objectsend.h"
#include "platform/qd/ports.h"
#include "render/spotstyles.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "tools/paint.h"

namespace kv {

namespace {

// The message `prefix` followed by the kind of object `index` ("Button", "Field", "Graphic"),
// sent to it in the current window; 0 for another kind.
i16 kindmessage(Handle list, i16 index, const char* prefix) {
  static constexpr const char* kKinds[] = {"Graphic", "Button", "Field"};
  u16 kind = spotat(list, index).kind;
  if (kind > spotfield) return 0;
  return spotsend(sendnormal, list, index, std::string(prefix) + kKinds[kind], mainglobals().current.window);
}

i16 lastindex(Handle list) { return i16(spotcount(list) - 1); }

}  // namespace

void marklayerchanged(Handle list) {
  const desk& d = mainglobals().current;
  checkerr(changevir(d.store, i32(list == d.cardspots ? d.cardrecid : d.backrecid)));
}

i16 newmessage(Handle list, i16 result) {
  PenNormal();
  if (result == toolmadenothing) return 0;
  if (result != 0) return result;
  if (spotcount(list) == 0) return 0;
  marklayerchanged(list);
  if (mainglobals().lockMessages) return 0;
  return kindmessage(list, lastindex(list), "new");
}

i16 cardpaintmessage(Handle list, i16 result) {
  PenNormal();
  if (result == toolmadenothing) return 0;
  if (result == paintnewbitmap) {
    if (spotcount(list) == 0) return 0;
    WindowRef w = mainglobals().current.window;
    if (i16 st = spotsend(sendnormal, list, lastindex(list), "newGraphic", w)) return st;
    return spotsend(sendnormal, list, lastindex(list), "openPaint", w);
  }
  if (result != 0) return result;
  return cardsend("cardPaint", sendnormal, mainglobals().current.window);
}

i16 dclickmessage(Handle list, i16 index) {
  PenNormal();
  marklayerchanged(list);
  return kindmessage(list, index, "doubleClick");
}

i16 dragmessage(Handle list, i16 index) {
  PenNormal();
  marklayerchanged(list);
  if (spotat(list, index).flags & spotlocked) return 0;
  return kindmessage(list, index, "drag");
}

i16 resizemessage(Handle list, i16 index) {
  PenNormal();
  marklayerchanged(list);
  return kindmessage(list, index, "resize");
}

i16 sendpointerdown(bool card, Handle list, i16 index) {
  GrafPtr port = nilid;
  GetPort(&port);
  PenState pen{};
  GetPenState(&pen);
  WindowRef w = mainglobals().current.window;
  i16 st = card ? cardsend("pointerDown", sendnormal, w) : spotsend(sendnormal, list, index, "pointerDown", w);
  if (IsValidPort(port)) {
    SetPort(port);
    SetPenState(&pen);
  }
  return st;
}

i16 sendnewspotmessage(const desk& d, Handle list) {
  MainGlobals& g = mainglobals();
  if (g.lockMessages || spotcount(list) == 0) return 0;
  // The caller's context and port come back afterwards, as the handler left that window.
  BorrowDesk borrowed(d);
  SetPortWindowPort(d.window);
  objread obj{};
  obj.kind = objpart;
  obj.d = d;
  obj.objindex = lastindex(list);
  obj.objects = list;
  obj.ownerrecid = list == d.cardspots ? d.cardrecid : d.backrecid;
  Handle script = nilhandle;
  u16 level = 0;
  Str255 key{};
  if (objectlevel(obj, &script, &level, key)) markhier(level, key);
  return kindmessage(list, obj.objindex, "new");
}

i16 PtoolsRTfalseproc() { return 0; }

}  // namespace kv
