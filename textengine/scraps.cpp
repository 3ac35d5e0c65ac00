// The engine's scraps of a range: the distinct styles its runs use.
#include <algorithm>
#include <vector>

#include "textengine/weinternal.h"

namespace kv {

OSErr _WEGetUniqueStyles(i32 start, i32 end, Handle out, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(out)) return nilHandleErr;
  const i32 first = WEOffsetToRun(start, we);
  const i32 last = std::max(first, WEOffsetToRun(end - 1, we));
  std::vector<bool> used(std::size_t(std::max(r->nStyles, 0)), false);
  for (i32 run = first; run <= last; ++run) {
    const i32 index = weelement<WERunEntry>(r->hRuns, run).styleIndex;
    if (index >= 0 && index < r->nStyles) used[std::size_t(index)] = true;
  }
  SetHandleSize(out, Size(std::count(used.begin(), used.end(), true)) * Size(sizeof(WEUniqueStyle)));
  if (OSErr err = MemError()) return err;
  i32 n = 0;
  for (i32 i = 0; i < r->nStyles; ++i)
    if (used[std::size_t(i)])
      setweelement(out, n++, WEUniqueStyle{i, weelement<WEStyleTableEntry>(r->hStyles, i).style});
  return noErr;
}

}  // namespace kv
