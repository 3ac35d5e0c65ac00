#include "platform/text/textencodings.h"

#include <cstring>
#include <string_view>

#include "platform/text/casefold.h"

namespace kv {

namespace {

constexpr i16 kUninterpretedScript = 32;

// The encodings that belong to one font, with that font's name.
struct FontEncoding {
  std::string_view name;
  TextEncoding encoding;
  i16 script;
};
constexpr FontEncoding kFontEncodings[] = {
    {"Symbol", kTextEncodingMacSymbol, 0},
    {"Zapf Dingbats", kTextEncodingMacDingbats, 0},
    {"VT100", kTextEncodingMacVT100, kUninterpretedScript},
};

bool samename(ConstStringPtr name, std::string_view s) {
  if (name == nullptr || name[0] != s.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (lowertable[name[i + 1]] != lowertable[u8(s[i])]) return false;
  return true;
}

// Encodings outside 0-32 that belong to a script of a lower number.
struct ScriptOf {
  TextEncoding base;
  i16 script;
};
constexpr ScriptOf kVariants[] = {
    {kTextEncodingMacTurkish, 0},  {kTextEncodingMacCroatian, 0},  {kTextEncodingMacIcelandic, 0},
    {kTextEncodingMacRomanian, 0}, {kTextEncodingMacCeltic, 0},    {kTextEncodingMacGaelic, 0},
    {kTextEncodingMacFarsi, 4},    {kTextEncodingMacUkrainian, 7}, {kTextEncodingMacInuit, 28},
};

}  // namespace

OSStatus UpgradeScriptInfoToTextEncoding(i16 script, i16, i16, ConstStringPtr fontName, TextEncoding* encoding) {
  if (encoding == nullptr) return paramErr;
  for (const FontEncoding& f : kFontEncodings) {
    if (samename(fontName, f.name) && (f.script == 0 || script == f.script)) {
      *encoding = f.encoding;
      return noErr;
    }
  }
  if (script < 0 || script > kUninterpretedScript) return paramErr;
  *encoding = TextEncoding(script);
  return noErr;
}

OSStatus RevertTextEncodingToScriptInfo(TextEncoding encoding, i16* script, i16* language, Str255 fontName) {
  const u32 base = GetTextEncodingBase(encoding);
  i16 s = -1;
  std::string_view name;
  if (base <= u32(kUninterpretedScript)) s = i16(base);
  for (const ScriptOf& v : kVariants)
    if (v.base == base) s = v.script;
  for (const FontEncoding& f : kFontEncodings)
    if (f.encoding == base) {
      s = f.script;
      name = f.name;
    }
  if (s < 0) return paramErr;
  if (script) *script = s;
  if (language) *language = kTextLanguageDontCare;
  if (fontName) {
    fontName[0] = u8(name.size());
    if (!name.empty()) std::memcpy(fontName + 1, name.data(), name.size());
  }
  return noErr;
}

}  // namespace kv
