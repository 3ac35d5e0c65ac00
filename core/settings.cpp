// The settings record's loading rules: a 36-byte resource is taken whole; the older 22-byte
// form gives words 0 to 10 and the rest keep their defaults; no resource, or one of another
// size, leaves every default. The bundle's "IsKestroveStandalone" key then decides word 0,
// and word 15 is clamped to 9..13.
#include "core/settings.h"

#include <algorithm>
#include <cstring>

#include "platform/fonts/scriptmanager.h"
#include "platform/memory/memory.h"
#include "platform/prefs/bundle.h"
#include "platform/resources/resources.h"
#include "core/mainglobals.h"
#include "platform/memory/stored.h"

namespace kv {

namespace {
constexpr i16 kNoMemory = 37;
constexpr const char* kStandaloneKey = "IsKestroveStandalone";
// The key's value is read as a text of at most 256 bytes, ending at its first zero byte.
constexpr size_t kStandaloneValueLimit = 256;
}  // namespace

settingsrec defaultsettings() {
  settingsrec s{};
  s.scriptfont = 4;
  s.scriptsize = 9;
  s.scriptstyle = 2;
  s.word5 = 4;
  s.interfacefont = 3;
  s.word7 = 22;
  s.word14 = 256;
  s.word15 = 9;
  return s;
}

settingsrec settingsfrombytes(const u8* bytes, Size size) {
  settingsrec s = defaultsettings();
  if (bytes == nullptr || (size != Size(sizeof(settingsrec)) && size != kOldSettingsSize)) return s;
  // Lay the stored bytes over the defaults in file order, then turn the whole record back.
  endianswap(s);
  std::memcpy(reinterpret_cast<u8*>(&s), bytes, size_t(size));
  endianswap(s);
  return s;
}

i16 loadsettings() {
  MainGlobals& g = mainglobals();
  settingsrec s{};
  Handle res = GetResource(kSettingsType, kSettingsId);
  s = res != nilhandle ? settingsfrombytes(deref(res), GetHandleSize(res)) : defaultsettings();
  if (res != nilhandle) ReleaseResource(res);
  if (std::optional<PrefValue> v = bundlevalue(kStandaloneKey)) {
    std::string text = v->type == PrefValue::Type::string ? v->text : std::string();
    if (text.size() > kStandaloneValueLimit) text.resize(kStandaloneValueLimit);
    if (size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    s.standalone = text == "Yes" ? kStandaloneWord : 0;
  }
  s.word15 = std::clamp<u16>(s.word15, 9, 13);
  if (g.settings == nilhandle) {
    g.settings = NewHandleClear(Size(sizeof(settingsrec)));
    if (g.settings == nilhandle) return kNoMemory;
  }
  std::memcpy(deref(g.settings), &s, sizeof(settingsrec));
  g.twobyte = i16(s.twobyte);
  enablejapanesescript(g.twobyte != 0);
  g.scriptfont = s.scriptfont;
  g.scriptsize = s.scriptsize;
  g.scriptstyle = s.scriptstyle;
  return 0;
}

settingsrec currentsettings() {
  Handle h = mainglobals().settings;
  if (h == nilhandle || GetHandleSize(h) < Size(sizeof(settingsrec))) return defaultsettings();
  settingsrec s;
  std::memcpy(&s, deref(h), sizeof(settingsrec));
  return s;
}

}  // namespace kv
