#include "platform/fonts/scriptmanager.h"

#include "platform/fonts/fonts.h"

namespace kv {

i32 GetScriptManagerVariable(i16 selector) {
  switch (selector) {
    case smEnabled: return 1;
    case smKeyScript: return smRoman;
    default: return 0;  // smBidirect, smDoubleByte and the rest
  }
}

i32 GetScriptVariable(i16 script, i16 selector) {
  if (script != smRoman) return 0;
  switch (selector) {
    case smScriptEnabled: return 1;
    case smScriptSysFond: return GetSysFont();
    case smScriptAppFond: return GetAppFont();
    default: return 0;
  }
}

i16 FontToScript(i16) { return smRoman; }

i16 GetSysDirection() { return 0; }

}  // namespace kv
