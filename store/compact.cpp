#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/commitpoints.h"
#include "store/namekey.h"
#include "store/recordcache.h"
#include "store/starfile.h"

namespace kv {

scriptstatus compact(hierpath, Handle, Handle atoms, i32 at, Handle) {
  u16 next = tokenat(atoms, at + 1);
  if (next != tok::endofline && next != tok::endofscript) return err::stray;
  RegistryId store = mainglobals().current.store;
  projectstore* st = findprojectstore(store);
  if (st == nullptr || islocked(store)) return 0;
  FatalDoing doing([](const void*) { return std::string("the project could not be compacted"); }, nullptr);
  checkerr(compactstar(store));
  st = findprojectstore(store);
  markchanged(st);
  checkerr(flushstar(store));
  return 0;
}

}  // namespace kv
