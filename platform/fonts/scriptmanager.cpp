#include "platform/fonts/scriptmanager.h"

#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/fontsinternal.h"
#include "platform/text/bidi.h"
#include "platform/text/macsets.h"
#include "platform/text/textencodings.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct ScriptState {
  bool japanese = false;
  i16 keyscript = smRoman;
  int arabic = -1, hebrew = -1;  // -1: not yet asked
  int forced = -1;               // the tests' switch of both: -1 none
};

bool japaneseon() { return state<ScriptState>().japanese; }

// Whether an installed font serves the script: fontconfig, asked once.
bool scriptinstalled(i16 script) {
  ScriptState& s = state<ScriptState>();
  if (s.forced >= 0) return s.forced != 0;
  if (builtinmetricsfontinuse()) return false;
  int& known = script == smArabic ? s.arabic : s.hebrew;
  if (known < 0) known = fontdetail::fontcoverslanguage(script == smArabic ? "ar" : "he") ? 1 : 0;
  return known != 0;
}

bool enabled(i16 script) {
  return script == smRoman || (script == smJapanese && japaneseon()) ||
         ((script == smArabic || script == smHebrew) && scriptinstalled(script));
}

bool bidion() { return scriptinstalled(smArabic) || scriptinstalled(smHebrew); }

}  // namespace

void enablerighttoleftscripts(bool on) {
  ScriptState& s = state<ScriptState>();
  s.forced = on ? 1 : 0;
  if (!on && (s.keyscript == smArabic || s.keyscript == smHebrew)) s.keyscript = smRoman;
}

bool righttoleftscript(i16 script) { return (script == smArabic || script == smHebrew) && enabled(script); }

void GetFormatOrder(i16* ordering, i16 firstFormat, i16 lastFormat, bool lineRight, StyleRunDirectionProcPtr dirProc,
                    void* dirParam) {
  if (ordering == nullptr || lastFormat < firstFormat) return;
  const i32 n = lastFormat - firstFormat + 1;
  // Each run stands as one strong character of its direction.
  std::vector<char32_t> runs(std::size_t(n), kBidiStrongLeft);
  for (i32 i = 0; i < n; ++i)
    if (dirProc && dirProc(i16(firstFormat + i), dirParam)) runs[std::size_t(i)] = kBidiStrongRight;
  const BidiLine line = bidiorder(runs, lineRight);
  for (i32 j = 0; j < n; ++j) ordering[j] = i16(line.visual[std::size_t(j)]);
}

BidiLine righttoleftrunorder(const u8* text, i32 length, i16 script) {
  if (text == nullptr || length <= 0 || !righttoleftscript(script)) return {};
  const u32 set = script == smArabic ? u32(kTextEncodingMacArabic) : u32(kTextEncodingMacHebrew);
  std::vector<char32_t> units(static_cast<std::size_t>(length));
  for (i32 i = 0; i < length; ++i) {
    const char16_t u = macsettounicode(set, text[i]);
    units[std::size_t(i)] = u == 0xFFFF ? U'\uFFFD' : char32_t(u);
  }
  return bidiorder(units, true);
}

void enablejapanesescript(bool on) {
  ScriptState& s = state<ScriptState>();
  s.japanese = on;
  if (!on) s.keyscript = smRoman;
}

i32 GetScriptManagerVariable(i16 selector) {
  switch (selector) {
    case smEnabled: return 1 + (japaneseon() ? 1 : 0) + (enabled(smArabic) ? 1 : 0) + (enabled(smHebrew) ? 1 : 0);
    case smBidirect: return bidion() ? 1 : 0;
    case smDoubleByte: return japaneseon() ? 1 : 0;
    case smKeyScript: return state<ScriptState>().keyscript;
    default: return 0;  // smSysScript and smRegionCode: Roman, region 0
  }
}

i32 GetScriptVariable(i16 script, i16 selector) {
  if (script < 0 || script > smUninterp) return 0;
  switch (selector) {
    case smScriptEnabled: return enabled(script) ? 1 : 0;
    case smScriptSysFond: return script == smRoman ? GetSysFont() : GetAppFont();
    case smScriptAppFond: return GetAppFont();
    case smScriptFlags:
      return script == smJapanese                         ? 0
             : (script == smArabic || script == smHebrew) ? smsfSingByte | smsfReverse
                                                          : smsfSingByte;
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
