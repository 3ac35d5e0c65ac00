#include "platform/fonts/scriptmanager.h"

#include "platform/fonts/fonts.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct ScriptState {
  bool japanese = false;
  i16 keyscript = smRoman;
};

bool japaneseon() { return state<ScriptState>().japanese; }

bool enabled(i16 script) { return script == smRoman || (script == smJapanese && japaneseon()); }

}  // namespace

void enablejapanesescript(bool on) {
  ScriptState& s = state<ScriptState>();
  s.japanese = on;
  if (!on) s.keyscript = smRoman;
}

i32 GetScriptManagerVariable(i16 selector) {
  switch (selector) {
    case smEnabled: return japaneseon() ? 2 : 1;
    case smDoubleByte: return japaneseon() ? 1 : 0;
    case smKeyScript: return state<ScriptState>().keyscript;
    default: return 0;  // smBidirect, smSysScript and smRegionCode: Roman, region 0
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

void KeyScript(i16 script) {
  if (enabled(script)) state<ScriptState>().keyscript = script;
}

i16 FindScriptRun(const u8* text, i32 length, i32* lenUsed, i16 fontScript) {
  if (text == nullptr || length <= 0) {
    if (lenUsed) *lenUsed = 0;
    return fontScript == smJapanese ? smJapanese : smRoman;
  }
  if (fontScript != smJapanese) {
    if (lenUsed) *lenUsed = length;
    return smRoman;
  }
  const bool roman = text[0] < 0x80;
  i32 i = 0;
  while (i < length) {
    const i32 n = i32(sjischarlength(text + i, length - i));
    if ((n == 1 && text[i] < 0x80) != roman) break;
    i += n;
  }
  if (lenUsed) *lenUsed = i;
  return roman ? smRoman : smJapanese;
}

}  // namespace kv
