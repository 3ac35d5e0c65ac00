#include "system/sysinfo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/memory/memory.h"
#include "platform/prefs/prefs.h"
#include "platform/process/gestalt.h"
#include "platform/resources/resources.h"
#include "platform/sound/soundmanager.h"
#include "platform/speech/voices.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37;
constexpr std::string_view kEditorNameKey = "Runtime Editor Name";

void settext(StringPtr out, const std::string& s) { pstrassign(out, 256, s.data(), s.size()); }

bool bit(OSType selector, int n) {
  i32 v = 0;
  return Gestalt(selector, &v) == noErr && ((v >> n) & 1) != 0;
}

// Appends a name to a list handle, a return before every name but the first.
bool appendline(Handle list, ConstStringPtr name) {
  if (GetHandleSize(list) > 0 && PtrAndHand("\r", list, 1) != noErr) return false;
  return PtrAndHand(name + 1, list, name[0]) == noErr;
}

}  // namespace

void getverstring(OSType selector, u16 usehigh, StringPtr out) {
  i32 value = 0;
  Gestalt(selector, &value);
  u32 v = usehigh != 0 ? (u32(value) >> 16) & 0xFFFF : u32(value) & 0xFFFF;
  unsigned hi = v >> 8, lo = v & 0xFF;
  char s[32];
  if (hi < 0x10) std::snprintf(s, sizeof s, "%u.%u%u", hi, lo >> 4, lo & 15);
  else std::snprintf(s, sizeof s, "%u%u.%u%u", hi >> 4, hi & 15, lo >> 4, lo & 15);
  settext(out, s);
}

void getsystemverstring(StringPtr out) {
  i32 a = 0, b = 0, c = 0;
  Gestalt(fourcc("sys1"), &a);
  Gestalt(fourcc("sys2"), &b);
  Gestalt(fourcc("sys3"), &c);
  settext(out, std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c));
}

void soundmgrverstr(StringPtr out) {
  u32 v = SndSoundManagerVersion();
  unsigned major = v >> 24, minor = (v >> 16) & 0xFF;
  char s[32];
  std::snprintf(s, sizeof s, "%u.%u%u", major, minor >> 4, minor & 15);
  settext(out, s);
}

i32 quicktimeversion() {
  i32 v = 0;
  if (mainglobals().quicktimepresent == 0 || Gestalt(fourcc("qtim"), &v) != noErr) return 0;
  return v;
}

i16 hasfileplay() {
  u32 version = SndSoundManagerVersion();
  soundinfostate().soundmgrversion = version;
  if ((version >> 24) < 3) return bit(fourcc("hdwr"), 3) ? 1 : 0;
  return bit(fourcc("snd "), 10) ? 1 : 0;
}

void hasoundinput(u16* a, u16* b) {
  *a = bit(fourcc("snd "), 3) ? 1 : 0;
  *b = bit(fourcc("snd "), 5) ? 1 : 0;
}

i16 has32bitaddr() { return bit(fourcc("addr"), 1) ? 1 : 0; }

i16 hasppc() { return Gestalt(fourcc("ppc "), nullptr) == noErr ? 1 : 0; }

i16 buildvoices(Handle list) {
  i16 count = 0;
  if (OSErr e = CountVoices(&count); e != noErr || count == 0) return e;
  for (i16 i = 1; i <= count; ++i) {
    VoiceSpec voice{};
    VoiceDescription d{};
    if (OSErr e = GetIndVoice(i, &voice)) return e;
    if (OSErr e = GetVoiceDescription(&voice, &d)) return e;
    if (!appendline(list, d.name)) return kNoMemory;
  }
  return 0;
}

i16 buildevices(Handle list) {
  if (!bit(fourcc("snd "), 3)) {
    Str255 none;
    setpstring(none, "none");
    return appendline(list, none) ? 0 : kNoMemory;
  }
  for (i16 i = 1;; ++i) {
    Str255 name;
    Handle icon = nilhandle;
    if (SPBGetIndexedDevice(i, name, &icon) != noErr) break;
    if (icon != nilhandle) DisposeHandle(icon);
    if (memoryrefused(GetHandleSize(list) + name[0] + 1) || !appendline(list, name)) return kNoMemory;
  }
  return 0;
}

void geteditorname(StringPtr out) {
  out[0] = 0;
  if (std::optional<PrefValue> name = getpreference(kRuntimeDomain, kEditorNameKey);
      name && name->type == PrefValue::Type::string) {
    settext(out, name->text);
    return;
  }
  if (Handle h = GetResource(fourcc("STR "), 128); h != nilhandle) {
    Size n = GetHandleSize(h);
    if (n > 0) {
      std::size_t len = std::min<std::size_t>(deref(h)[0], std::size_t(n - 1));
      pstrassign(out, 256, deref(h) + 1, len);
    }
    ReleaseResource(h);
  }
}

void seteditorname(ConstStringPtr name) {
  setpreference(kRuntimeDomain, kEditorNameKey, PrefValue::ofstring(pstringview(name)));
  synchronizepreferences(kRuntimeDomain);
}

void rectoloc(const Rect& r, Point* out) {
  out->h = i16(r.left + (r.right - r.left) / 2);
  out->v = i16(r.top + (r.bottom - r.top) / 2);
}

}  // namespace kv
