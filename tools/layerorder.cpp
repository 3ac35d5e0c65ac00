// Layer order is list order: the first object of a card's or background's list is drawn first,
// furthest back. These commands rebuild the edited layer's list around its selection.
#include "tools/layerorder.h"

#include "engine/expression.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "render/objectbounds.h"
#include "core/desk.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "store/objects.h"
#include "system/externalevents.h"
#include "tools/editcommands.h"
#include "tools/objectclipboard.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

constexpr i16 kCardChanged = -991;

// The start every layer command shares: no words after the command, the change count raised,
// and the edit modes left. *go is set when the command goes on; else the answer is its status
// (0 when the card changed or a field is still open).
i16 begin(Handle atoms, i32 at, bool* go) {
  *go = false;
  if (!statementends(atoms, at + 1)) return err::cantunderstand;
  ++mainglobals().layerchanges;
  const i16 st = putdownstuff();
  if (st == kCardChanged) return 0;
  if (st != 0) return st;
  *go = true;
  return 0;
}

Handle editedlayer(const desk& d) { return d.backlayer ? d.backspots : d.cardspots; }

// The layer redrawn within the bounds of its objects, its record marked changed, and the
// externals told.
void finish(const desk& d, Handle list) {
  Rect bounds{};
  calcbounds(list, &bounds, 2);
  drawedit(d, &bounds);
  marklayerchanged(list);
  sendxrtnevent(nilid, kXrtnObjectsChanged, nullptr);
}

}  // namespace

scriptstatus combring(hierpath, Handle, Handle atoms, i32 at, Handle) {
  const bool front = tokenat(atoms, at) == tok::bringfront;
  bool go = false;
  if (i16 st = begin(atoms, at, &go); !go) return st;
  const desk& d = mainglobals().current;
  Handle list = editedlayer(d);
  if (list == nilhandle) return 0;
  // A stable partition: the records gathered in their new order in a scratch list (their parts
  // stay where they are), then written back over the list, which keeps its size. A scratch list
  // that can't grow leaves the layer as it was.
  Handle scratch = NewHandle(0);
  if (scratch == nilhandle) return err::nomemory;
  i16 st = stealspot(list, scratch, front ? SelectMode::unselected : SelectMode::selected);
  if (st == 0) st = stealspot(list, scratch, front ? SelectMode::selected : SelectMode::unselected);
  if (st == 0 && GetHandleSize(scratch) == GetHandleSize(list)) {
    for (i32 i = 0, n = spotcount(list); i < n; ++i) putspot(list, i, spotat(scratch, i));
  }
  DisposeHandle(scratch);
  if (st != 0) return err::nomemory;
  finish(d, list);
  return 0;
}

scriptstatus comshuffle(hierpath, Handle, Handle atoms, i32 at, Handle) {
  const bool forward = tokenat(atoms, at) != tok::shuffleback;
  bool go = false;
  if (i16 st = begin(atoms, at, &go); !go) return st;
  const desk& d = mainglobals().current;
  Handle list = editedlayer(d);
  const i32 n = spotcount(list);
  if (n == 0) return 0;
  auto swap = [list](i32 a, i32 b) {
    const spot s = spotat(list, a);
    putspot(list, a, spotat(list, b));
    putspot(list, b, s);
  };
  if (forward) {
    // From the top down, so an object moved up is not met again.
    for (i32 i = n - 1; i >= 0; --i) {
      if (spotat(list, i).selected == 0) continue;
      i32 j = i + 1;
      while (j < n && spotat(list, j).selected != 0) ++j;
      if (j < n) swap(i, j);
    }
  } else {
    for (i32 i = 0; i < n; ++i) {
      if (spotat(list, i).selected == 0) continue;
      i32 j = i - 1;
      while (j >= 0 && spotat(list, j).selected != 0) --j;
      if (j >= 0) swap(i, j);
    }
  }
  finish(d, list);
  return 0;
}

}  // namespace kv
