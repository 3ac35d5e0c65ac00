// The automatic indentation of a record's lines, as the script indenter finds it.
#include "textengine/weinternal.h"

namespace kv {

bool WESetLineIndents(const i16* levels, i32 count, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || levels == nullptr || count < 1) return false;
  const u8* t = deref(r->hText);
  bool changed = false;
  // Each line record (the sentinel excepted) takes the level of the text line its start lies
  // in: wrapped rows of one text line share its level.
  i32 textline = 0, at = 0;
  for (i32 i = 0; i < r->nLines; ++i) {
    WELineRec line = weelement<WELineRec>(r->hLines, i);
    for (; at < line.lineStart && at < r->textLength; ++at)
      if (t[at] == 13) ++textline;
    const i16 level = levels[std::min(textline, count - 1)];
    if (line.lineIndent != level) {
      line.lineIndent = level;
      setweelement(r->hLines, i, line);
      changed = true;
    }
  }
  return changed;
}

}  // namespace kv
