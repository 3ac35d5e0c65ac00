// Stand-in until line layout is built: the whole text is one line, as tall as its tallest
// style run. Line layout replaces this file.
#include <algorithm>

#include "textengine/weinternal.h"

namespace kv {

OSErr WECalText(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (GetHandleSize(r->hLines) != Size(2 * sizeof(WELineRec))) {
    SetHandleSize(r->hLines, 2 * sizeof(WELineRec));
    if (OSErr err = MemError()) return err;
  }
  u16 height = 0, ascent = 0;
  for (i32 run = 0; run < r->nRuns; ++run) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    height = std::max(height, info.style.runHeight);
    ascent = std::max(ascent, info.style.runAscent);
  }
  WELineRec line{};
  line.lineAscent = u16(0x8000 | ascent);  // the first line of a paragraph
  setweelement(r->hLines, 0, line);
  WELineRec sentinel{};
  sentinel.lineStart = r->textLength;
  sentinel.lineOrigin = height;
  setweelement(r->hLines, 1, sentinel);
  r->nLines = 1;
  return noErr;
}

}  // namespace kv
