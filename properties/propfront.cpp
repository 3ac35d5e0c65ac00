#include "properties/propfront.h"

#include <algorithm>

#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "properties/properties.h"
#include "core/fatalerror.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr u32 kWindowShowsInvisibles = 1u << 7;
constexpr u32 kSpotVisible = 1u << 0;

bool ischunkword(u16 t) { return t >= 8000 && t <= 8005; }

// A chunk of a field: the field's descriptor, kept by the container, taken over with the
// chunk's range.
i16 takechunk(chunkpart& dest, objread* obj) {
  if (dest.kind != containerfield || dest.field == nilhandle || GetHandleSize(dest.field) != Size(sizeof(objread))) {
    releasecontainer(&dest);
    return err::cantunderstand;
  }
  *obj = loadat<objread>(deref(dest.field));
  DisposeHandle(dest.field);
  dest.field = nilhandle;
  disposfred(&dest.value);
  obj->chunk = dest;
  return 0;
}

}  // namespace

u16 propctx::tok(i32 i) const { return tokenat(atoms, i); }

bool isthe(const propctx& c, i32 i) { return c.tok(i) == tok::the; }

bool iseoltoken(u16 t) { return t == tok::endofline || t == tok::endofscript; }

bool lineends(const propctx& c, i32 i) { return iseoltoken(c.tok(i)); }

i16 resolvereference(const propctx& c, i32 i, i32* used, objread* obj, bool chunkfirst) {
  *used = 0;
  *obj = objread{};
  u16 t = c.tok(i);
  if (chunkfirst && ischunkword(t)) {
    chunkpart dest{};
    i32 n = 0;
    i16 st = destchunk(c.path, c.text, c.atoms, i, c.variables, c.locals, &n, &dest, 0, 0);
    if (st == 0) {
      st = takechunk(dest, obj);
      if (st == 0) *used = n;
      return st;
    }
    if (t != tok::item) return st;
    *obj = objread{};
  }
  return scanobj(c.path, c.text, c.atoms, i, c.variables, used, obj);
}

namespace {

// `[the] <word> of <reference>` from atom `at`: *next is the atom after the reference.
i16 wordofreference(const propctx& c, i32 at, i32* next, objread* obj, bool chunkfirst) {
  i32 i = isthe(c, at) ? at + 1 : at;
  if (c.tok(i + 1) != tok::in) return err::noof;
  i += 2;
  i32 used = 0;
  if (i16 st = resolvereference(c, i, &used, obj, chunkfirst)) return st;
  *next = i + used;
  return 0;
}

}  // namespace

i16 getterfront(const propctx& c, i32 at, i32* count, objread* obj, bool chunkfirst) {
  *count = 0;
  i32 next = 0;
  if (i16 st = wordofreference(c, at, &next, obj, chunkfirst)) return st;
  *count = next - at;
  return 0;
}

i16 objectorglobalfront(const propctx& c, i32 at, i32* count, u16* token, objread* obj, fred* value, bool* global) {
  *count = 0;
  *global = false;
  i32 i = at;
  const bool the = isthe(c, i);
  if (the) ++i;
  *token = c.tok(i);
  i32 used = 0;
  i16 st = err::noof;
  if (c.tok(i + 1) == tok::in) st = resolvereference(c, i + 2, &used, obj, true);
  if (st == err::noof) {
    *global = true;
    *count = 2;
    return the ? lowglobal(*token, value) : err::nothe;
  }
  if (st != 0) return st;
  *count = i + 2 + used - at;
  return 0;
}

i16 dofront(const propctx& c, i32 at, i32* used, objread* obj, bool keep) {
  *used = 0;
  i32 i = 0;
  if (i16 st = wordofreference(c, at, &i, obj, true)) return st;
  if (c.tok(i) != tok::to) {
    writeobj(obj);
    return err::notoorof;
  }
  *used = i + 1 - at;
  if (!keep) writeobj(obj);
  return 0;
}

i16 readvalue(const propctx& c, i32 i, fred* value) {
  i32 used = 0;
  if (i16 st = expression(c.path, c.text, c.atoms, i, c.variables, c.locals, &used, value)) return st;
  if (!lineends(c, i + used)) {
    disposfred(value);
    return err::stray;
  }
  return 0;
}

i16 frontandvalue(const propctx& c, i32 at, objread* obj, fred* value) {
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, obj, false)) return st;
  if (i16 st = readvalue(c, at + used, value)) return st;
  if (i16 st = dofront(c, at, &used, obj, true)) {
    disposfred(value);
    return st;
  }
  return 0;
}

i16 readlistvalue(const propctx& c, i32 i, fred* value) {
  Handle h = nilhandle;
  i32 used = 0;
  if (i16 st = listonewh(c.text, c.atoms, i, c.path, c.variables, c.locals, &used, &h)) return st;
  if (!lineends(c, i + used)) {
    DisposeHandle(h);
    return err::stray;
  }
  const i16 st = handtonewfred(h, value);
  DisposeHandle(h);
  return st;
}

void valuestring(fred* value, StringPtr out) { fredtostring(value, out); }

void markowner(const objread& obj) {
  i32 id = -1;
  RegistryId store = obj.d.store;
  switch (obj.kind) {
    case objitem:
    case objmenu:
      store = obj.menu.store;
      id = i32(obj.menu.menurecid);
      break;
    case objpart:
    case objembedded: id = i32(obj.ownerrecid); break;
    case objcard: id = i32(obj.d.cardrecid); break;
    case objbackground: id = i32(obj.d.backrecid); break;
    case objwindow: id = i32(obj.d.windrecid); break;
    case objproject: id = 0; break;
    default: return;
  }
  checkerr(changevir(store, id));
}

void redrawspot(const objread& obj, const Rect& before) {
  if (obj.kind != objpart || obj.d.window == nilid || obj.objects == nilhandle) return;
  desk shown{};
  if (getwind(obj.d.window, &shown) == 0 || shown.cardrecid != obj.d.cardrecid) return;
  spot s = spotat(obj.objects, obj.objindex);
  u32 windflags = shown.wind != nilhandle ? loadat<windrec>(deref(shown.wind)).flags : 0;
  if (!(s.flags & kSpotVisible) && !(windflags & kWindowShowsInvisibles)) return;
  auto clip = [](i32 n) { return i16(std::clamp<i32>(n, -32768, 32767)); };
  Rect r{clip(std::min(before.top, s.rect.top) - 3), clip(std::min(before.left, s.rect.left) - 3),
         clip(std::max(before.bottom, s.rect.bottom) + 3), clip(std::max(before.right, s.rect.right) + 3)};
  drawedit(shown, &r);
}

}  // namespace kv
