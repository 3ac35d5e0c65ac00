#include "store/commitpoints.h"

#include "platform/runtime/root.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/recordcache.h"
#include "store/starfile.h"

namespace kv {

namespace {

struct CommitState {
  u32 depth = 0;         // changes under way
  bool pending = false;  // a project was marked changed since the last walk
};

CommitState& cs() { return state<CommitState>(); }

}  // namespace

void markchanged(projectstore* st) {
  st->dirty = 1;
  cs().pending = true;
}

bool changeunderway() { return cs().depth > 0; }

void beginchange() { ++cs().depth; }

void endchange() {
  CommitState& s = cs();
  if (s.depth > 0 && --s.depth == 0 && s.pending) {
    if (i16 e = commitchanges(); e != 0) checkerr(e);
  }
}

i16 commitchanges() {
  // A commit that fails marks its project again, and so does anything a commit changes.
  cs().pending = false;
  i16 first = 0;
  for (RegistryId store = mainglobals().openprojects; store != nilid;) {
    projectstore* st = findprojectstore(store);
    if (st == nullptr) {
      cs().pending = true;  // the rest of the list was not reached
      break;
    }
    RegistryId next = st->next;
    if (st->dirty) {
      i16 e = commitnow(store);
      if (first == 0) first = e;
      next = nextvir(store);  // the commit may have closed the project
    }
    store = next;
  }
  return first;
}

HandlerPlace::HandlerPlace() : outer_(cs().depth) { cs().depth = 0; }

HandlerPlace::~HandlerPlace() { cs().depth = outer_; }

}  // namespace kv
