// Calling native routines with the native call block, and unloading them at their request
// (see nativecall.h).
#include "system/nativecall.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "system/externalevents.h"
#include "system/externals.h"
#include "system/externalstate.h"

namespace kv {

static_assert(sizeof(fred) == sizeof(kv_value) && offsetof(fred, real) == offsetof(kv_value, real) &&
                  offsetof(fred, text) == offsetof(kv_value, text) &&
                  offsetof(fred, link) == offsetof(kv_value, link) &&
                  offsetof(fred, shorttext) == offsetof(kv_value, shorttext),
              "externals see script values as they are");
static_assert(sizeof(EventRecord) == sizeof(kv_eventrecord));

namespace {

constexpr u16 kUnloadFlag = 2;

// The parameter values of one call: released with the handle that holds them.
struct parameterlist {
  Handle values = NewHandle(0);
  i32 count = 0;
  parameterlist() = default;
  parameterlist(const parameterlist&) = delete;
  parameterlist& operator=(const parameterlist&) = delete;
  ~parameterlist() {
    if (!IsValidHandle(values)) return;
    // The external may have resized the handle: only the values that are still there go.
    i32 n = std::min<i32>(count, i32(HandleCount<fred>(values)));
    for (i32 i = 0; i < n; ++i) {
      fred v = HandleAs<fred>(values)[i];
      disposfred(&v);
    }
    DisposeHandle(values);
  }
  i16 add(fred* v) {
    if (PtrAndHand(v, values, Size(sizeof(fred))) != noErr) {
      disposfred(v);
      return err::nomemory;
    }
    ++count;
    return 0;
  }
};

// Evaluates the parameters between the parentheses after the name.
scriptstatus evaluateparameters(hierpath path, Handle atoms, i32 at, Handle text, Handle variables,
                                parameterlist* list) {
  if (list->values == nilhandle) return err::nomemory;
  if (tokenat(atoms, at + 1) != tok::leftparen) return err::noparens;
  i32 pos = at + 2;
  if (tokenat(atoms, pos) == tok::rightparen) return 0;
  for (;;) {
    fred v{};
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, pos, variables, nilhandle, &used, &v)) return st;
    i16 st = copyfred(&v);
    if (st != 0) {
      disposfred(&v);
      return st;
    }
    if (i16 added = list->add(&v)) return added;
    pos += used;
    u16 t = tokenat(atoms, pos);
    if (t == tok::rightparen) return 0;
    if (t != tok::comma) return err::cantunderstand;
    ++pos;
  }
}

// An external that left something other than an owned value of a known type in the result
// gets the empty text instead.
void checkresult(fred* v) {
  bool sound = v->cls == fredtemp && v->type >= fredlong && v->type <= fredstring &&
               (v->type != fredhand || IsValidHandle(v->text)) &&
               (v->type != fredstring || v->shorttext[0] <= kFredShortMax);
  if (sound) return;
  *v = fred{};
  newfred(v, fredtemp, fredstring, 0);
}

}  // namespace

kv_value* asvalue(fred* v) { return reinterpret_cast<kv_value*>(v); }

fred* asfred(kv_value* v) { return reinterpret_cast<fred*>(v); }

hierpath blockpath(const kv_native* block) {
  if (block == nullptr || block->path == 0) return {};
  return *reinterpret_cast<const hierpath*>(static_cast<std::uintptr_t>(block->path));
}

i16 callxtn(const xentry& entry, hierpath path, Handle atoms, i32 at, Handle text, Handle variables, fred* result) {
  if (entry.code == 0) return 0;
  parameterlist params;
  if (i16 st = evaluateparameters(path, atoms, at, text, variables, &params)) return st;
  fred own{};
  fred* value = result != nullptr ? result : &own;
  disposfred(value);
  newfred(value, fredtemp, fredstring, 0);
  hierpath running = path;
  kv_native b{};
  b.kind = entry.kind;
  b.paramcount = params.count;
  b.params = params.values;
  b.variables = variables;
  b.result = asvalue(value);
  b.path = u64(reinterpret_cast<std::uintptr_t>(&running));
  b.code = entry.code;
  b.project = entry.project;
  b.procs = nativeprocs();
  // The code may have gone while the parameters were evaluated (an external they ran rebuilt
  // the registry): nothing is called then.
  if (entry.entrypoint != 0 && entry.kind == xkindnative &&
      imageofcode(entry.project, entry.code, entry.image) != nilid)
    callentry(entry.image, entry.entrypoint, &b);
  checkresult(value);
  if ((b.resultflags & kUnloadFlag) != 0) killcode(&b);
  if (value == &own) disposfred(&own);
  return 0;
}

void killcode(kv_native* block) {
  if (block == nullptr || block->code == 0) return;
  dropregistrations(block->code);
  unloadcode(block->project, block->code);
  block->code = 0;
}

}  // namespace kv
