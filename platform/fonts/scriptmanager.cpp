#include "platform/fonts/scriptmanager.h"

#include "platform/fonts/fonts.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct ScriptState {
  bool japanese = false;
};

bool japaneseon() { return state<ScriptState>().japanese; }

bool enabled(i16 script) { return script == smRoman || (script == smJapanese && japaneseon()); }

}  // namespace

void enablejapanesescript(bool on) { state<ScriptState>().japanese = on; }

i32 GetScriptManagerVariable(i16 selector) {
  switch (selector) {
    case smEnabled: return japaneseon() ? 2 : 1;
    case smDoubleByte: return japaneseon() ? 1 : 0;
    default: return 0;  // smBidirect, smSysScript, smKeyScript and smRegionCode: Roman, region 0
  }
}

i32 GetScriptVariable(i16 script, i16 selector) {
  if (script < 0 || script > smUninterp) return 0;
  switch (selector) {
    case smScriptEnabled: return enabled(script) ? 1 : 0;
    case smScriptSysFond: return script == smRoman ? GetSysFont() : GetAppFont();
    case smScriptAppFond: return GetAppFont();
    case smScriptFlags: return script == smJapanese ? 0 : smsfSingByte;
    case smScriptSmallFondSize: return i32(u32(u16(GetScriptVariable(script, smScriptSysFond))) << 16 | 11u);
    case smScriptSysFondSize: return i32(u32(u16(GetScriptVariable(script, smScriptSysFond))) << 16 | 13u);
    case smScriptAppFondSize: return i32(u32(u16(GetAppFont())) << 16 | 12u);
    default: return 0;
  }
}

i16 FontToScript(i16 font) {
  if (font < 16384) return smRoman;
  const i32 script = (font - 15872) >> 9;
  return script > smUninterp ? i16(smRoman) : i16(script);
}

i16 GetSysDirection() { return 0; }

}  // namespace kv
