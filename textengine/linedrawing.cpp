// Line drawing: where the pen starts on a line.
#include "engine/fieldrecords.h"
#include "platform/fonts/scriptmanager.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

i32 roundfixed(i64 v) { return i32((v + 0x8000) >> 16); }

}  // namespace

i32 _WECalcPenIndent(const WELineRec& line, const WERuler& ruler, WEReference we) {
  i64 x = ruler.leftIndent;
  if (line.lineAscent & 0x8000) x += ruler.firstLineIndent;
  const i64 slop = i64(line.lineSlop) << 16;
  switch (ruler.alignment) {
    case 1: return roundfixed(x + slop / 2);
    case -1: return roundfixed(x + slop);
    case 2:
      if (line.lineJustDelta > 0) return roundfixed(x);
      break;
    default: break;
  }
  if (ruler.alignment != -2 && (ruler.direction == -1 || (ruler.direction == 1 && GetSysDirection() == -1)))
    return roundfixed(x + slop);
  const i32 size = GetAutoIndentSize(we);
  if (WEGetAutoIndentFlag(we) && size != 0)
    return roundfixed(x + (i64(line.lineIndent) * size * GetAutoIndentSpaceWidth(we) << 16));
  return roundfixed(x);
}

}  // namespace kv
