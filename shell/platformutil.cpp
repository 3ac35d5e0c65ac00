#include "shell/platformutil.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/textutil.h"
#include "platform/console/console.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/movies/movies.h"
#include "platform/prefs/prefs.h"
#include "platform/process/gestalt.h"
#include "platform/process/process.h"
#include "platform/resources/resources.h"
#include "platform/runtime/bigstack.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "render/offscreen.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "shell/startup.h"

namespace kv {

namespace {

// The cached answers: whether the platform was asked, and what it answered.
enum Test : u8 { tControl, tATSUI, tX, tX3, tX4, tX5, tX6, tAltiVec, tRosetta, kTests };

struct CapabilityState {
  bool asked[kTests] = {};
  i16 answer[kTests] = {};
};

template <class Ask>
i16 cached(Test t, Ask ask) {
  CapabilityState& s = state<CapabilityState>();
  if (!s.asked[t]) {
    s.answer[t] = ask();
    s.asked[t] = true;
  }
  return s.answer[t];
}

i16 sysvatleast(Test t, i32 version) {
  return cached(t, [version]() -> i16 {
    i32 v = 0;
    return Gestalt(fourcc("sysv"), &v) == noErr && v >= version ? 1 : 0;
  });
}

constexpr i16 kUntitled = 4;
constexpr i16 kResultNoAnswer = 82;
constexpr OSType kTextType = fourcc("TEXT");
constexpr OSType kDumpCreator = fourcc("CWIE");

bool inrect(Point p, i32 left, i32 top, i32 right, i32 bottom) {
  return p.h >= left && p.h < right && p.v >= top && p.v < bottom;
}

bool isblank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Four 16-bit numbers separated by blanks, with nothing after the last: the text of a
// rectangle preference.
bool parserect(std::string_view s, i16 out[4]) {
  size_t i = 0;
  for (int n = 0; n < 4; ++n) {
    while (i < s.size() && isblank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    size_t digits = i;
    i32 v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      v = v * 10 + (s[i++] - '0');
      if (v > 32768) return false;
    }
    if (i == digits) return false;
    v = negative ? -v : v;
    if (v > 32767) return false;
    out[n] = i16(v);
  }
  return i == s.size();
}

}  // namespace

i16 hasControlMgr() {
  return cached(tControl, []() -> i16 {
    i32 v = 0;
    return Gestalt(fourcc("cntl"), &v) == noErr && (v & 1) ? 1 : 0;
  });
}

i16 CanUseATSUI() {
  return cached(tATSUI, []() -> i16 {
    i32 v = 0;
    return Gestalt(fourcc("uisv"), &v) == noErr ? 1 : 0;
  });
}

i16 RunningOnCarbonX() { return sysvatleast(tX, 0x1000); }
i16 RunningOnCarbonXdothree() { return sysvatleast(tX3, 0x1030); }
i16 RunningOnCarbonXdotfour() { return sysvatleast(tX4, 0x1040); }
i16 RunningOnCarbonXdotfive() { return sysvatleast(tX5, 0x1050); }
i16 RunningOnCarbonXdotsix() { return sysvatleast(tX6, 0x1060); }

i16 IsAltiVecAvailable() {
  return cached(tAltiVec, []() -> i16 {
    i32 v = 0;
    return Gestalt(fourcc("ppcf"), &v) == noErr ? i16(v & 16) : i16(0);
  });
}

i16 RunningInRosetta() {
  return cached(tRosetta, []() -> i16 {
    i64 v = 1;
    return systemvariable("sysctl.proc_native", &v) && v == 0 ? 1 : 0;
  });
}

i16 is_pid_native(i32 pid) {
  std::string name = "sysctl.proc_native";
  if (pid != 0) name.append(".").append(std::to_string(pid));
  i64 v = 0;
  if (systemvariable(name.c_str(), &v)) return v != 0 ? 1 : 0;
  // A variable the system does not have means a system that runs only native programs.
  return 1;
}

i16 command() { return (GetCurrentKeyModifiers() & cmdKey) ? 1 : 0; }
i16 shift() { return (GetCurrentKeyModifiers() & shiftKey) ? 1 : 0; }
i16 option() { return (GetCurrentKeyModifiers() & optionKey) ? 1 : 0; }
i16 control() { return (GetCurrentKeyModifiers() & controlKey) ? 1 : 0; }

i16 isPressed(u16 keycode) {
  if (keycode >= 128) return 0;
  KeyMap keys{};
  GetKeys(keys);
  return (keys[keycode / 8] >> (keycode % 8)) & 1;
}

void DebugBeep(u32 ticks) {
  SysBeep(1);
  delay(ticks);
}

void delay(u32 ticks) { Delay(ticks, nullptr); }

u32 myStackSpace() {
  std::size_t left = stackremaining();
  return left > 0xFFFFFFFFu ? 0xFFFFFFFFu : u32(left);
}

i16 WriteToConsole(std::string_view text) {
  writeconsole(consoletimestamp() + macromantoutf8(text) + "\n");
  return 0;
}

std::string LogString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    u8 c = u8(ch);
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case 0x1B: out += "\\e"; break;
      default:
        if (c >= 32 && c < 127) {
          out += char(c);
        } else {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\%03o", unsigned(c));
          out += buf;
        }
    }
  }
  return out;
}

OSErr dumphandtofile(Handle h, ConstStringPtr name) {
  if (h == nilhandle || name == nullptr) return paramErr;
  Str255 file{};
  pstrassign(file, 256, name + 1, name[0]);
  if (file[0] > 255 - 4) return bdNamErr;
  std::string withsuffix = std::string(pstringview(file)) + ".txt";
  pstrassign(file, 256, withsuffix.data(), withsuffix.size());
  std::string text = "char\ttrantabl[] = {\r\t";
  Size n = GetHandleSize(h);
  const u8* bytes = deref(h);
  char buf[16];
  for (Size i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "0x%02x", unsigned(bytes[i]));
    text += buf;
    if (i + 1 < n) text += (i + 1) % 16 == 0 ? ",\r\t" : ", ";
  }
  text += "\r};";
  u32 folder = mainglobals().documentsfolder;
  HDelete(kBootVolume, folder, file);
  if (OSErr e = HCreate(kBootVolume, folder, file, kDumpCreator, kTextType)) return e;
  FileRef ref = nilid;
  if (OSErr e = HOpen(kBootVolume, folder, file, fsWrPerm, &ref)) return e;
  i64 count = i64(text.size());
  OSErr e = FSWrite(ref, &count, text.data());
  OSErr c = FSClose(ref);
  return e != noErr ? e : c;
}

i16 CFPreferencesGetAppRectValue(std::string_view key, std::string_view domain, Rect* out) {
  std::optional<PrefValue> v = getpreference(domain, key);
  if (!v) return 0;
  i16 n[4];
  if (v->type != PrefValue::Type::string || v->text.size() > 127 || !parserect(v->text, n)) {
    removepreference(domain, key);
    synchronizepreferences(domain);
    return 0;
  }
  *out = Rect{n[0], n[1], n[2], n[3]};
  return 1;
}

i16 CFPreferencesSetAppRectValue(std::string_view key, const Rect& r, std::string_view domain) {
  char text[64];
  std::snprintf(text, sizeof text, "%hd %hd %hd %hd", r.top, r.left, r.bottom, r.right);
  setpreference(domain, key, PrefValue::ofstring(text));
  return synchronizepreferences(domain) ? 1 : 0;
}

Handle CFPreferencesGetAppHandleValue(std::string_view key, std::string_view domain) {
  std::optional<PrefValue> v = getpreference(domain, key);
  if (!v) return nilhandle;
  if (v->type != PrefValue::Type::data) {
    removepreference(domain, key);
    synchronizepreferences(domain);
    return nilhandle;
  }
  Handle h = nilhandle;
  if (PtrToHand(v->data.data(), &h, Size(v->data.size())) != noErr) return nilhandle;
  return h;
}

i16 CFPreferencesSetAppHandleValue(std::string_view key, Handle h, std::string_view domain) {
  if (h == nilhandle) return 0;
  const u8* p = deref(h);
  setpreference(domain, key, PrefValue::ofdata(std::vector<u8>(p, p + GetHandleSize(h))));
  return getpreference(domain, key).has_value() ? 1 : 0;
}

i16 maskBadOSVersionErr(i16 status) {
  if (status != -30873 && status != 124) return status;
  MainGlobals& g = mainglobals();
  if (g.result != nilhandle) {
    Str255 text{};
    GetIndString(text, 1007, kResultNoAnswer);
    stringtohand(text, g.result);
  }
  return 0;
}

i16 initquicktime() {
  // Movies can be played when the movie layer starts.
  return EnterMovies() == noErr ? 1 : 0;
}

OSErr exitquicktime() { return noErr; }

u16 getenviron() {
  MainGlobals& g = mainglobals();
  i32 v = 0;
  if (Gestalt(fourcc("sysv"), &v) != noErr) v = 0;
  startupfacts().sysversion = u16(v);
  g.colorWorld = 1;
  return startupfacts().sysversion;
}

void inithome() {}

void limitrect(Rect* r) {
  Rect off = GetOffScreenBounds();
  i32 width = i32(off.right) - off.left, height = i32(off.bottom) - off.top;
  if (width <= 0 || height <= 0) return;
  if (i32(r->right) - r->left > width) r->right = i16(r->left + width);
  if (i32(r->bottom) - r->top > height) r->bottom = i16(r->top + height);
}

void limitrectoback(Rect* r, const desk& d) {
  constexpr u32 kLimitToCard = 1u << 14;
  if (d.wind == nilhandle || d.back == nilhandle) return;
  windrec w = loadat<windrec>(deref(d.wind));
  if (mainglobals().dontLimitWindows && !(w.flags & kLimitToCard)) return;
  backrec b = loadat<backrec>(deref(d.back));
  i32 width = b.width, height = b.height;
  if (w.word2 == 1) {
    width += kScrollBarWidth;
    height += kScrollBarWidth;
  }
  if (i32(r->right) - r->left > width) r->right = i16(r->left + width);
  if (i32(r->bottom) - r->top > height) r->bottom = i16(r->top + height);
}

void GetWindowRect(WindowRef window, Rect* out, u16 regioncode) {
  *out = Rect{0, 0, 0, 0};
  if (window == nilid || !IsValidWindowPtr(window)) return;
  if (GetWindowBounds(window, regioncode, out) != noErr) *out = Rect{0, 0, 0, 0};
}

bool swaphandle(Handle a, Handle b) {
  if (a == nilhandle || b == nilhandle || a == b) return true;
  Handle copy = a;
  if (HandToHand(&copy) != noErr) return false;
  Size sb = GetHandleSize(b);
  SetHandleSize(a, sb);
  if (MemError() != noErr) {
    DisposeHandle(copy);
    return false;
  }
  BlockMoveData(deref(b), deref(a), sb);
  Size sa = GetHandleSize(copy);
  SetHandleSize(b, sa);
  if (MemError() != noErr) {
    // b is as it was; a goes back to its own bytes (shrinking or regrowing to a size it held).
    SetHandleSize(a, sa);
    BlockMoveData(deref(copy), deref(a), sa);
    DisposeHandle(copy);
    return false;
  }
  BlockMoveData(deref(copy), deref(b), sa);
  DisposeHandle(copy);
  return true;
}

i16 localpt(Point a, Point b, i16 slop) {
  return inrect(b, i32(a.h) - slop, i32(a.v) - slop, i32(a.h) + slop, i32(a.v) + slop) ? 1 : 0;
}

i16 ptinline(Point a, Point b, Point p, u16 tolerance) {
  i32 left = std::min(a.h, b.h) - i32(tolerance), right = std::max(a.h, b.h) + i32(tolerance);
  i32 top = std::min(a.v, b.v) - i32(tolerance), bottom = std::max(a.v, b.v) + i32(tolerance);
  if (!inrect(p, left, top, right, bottom)) return 0;
  if (a.h == b.h || a.v == b.v) return 1;
  // The foot of the perpendicular from p onto the line through a and b.
  double m = double(i32(b.v) - a.v) / double(i32(b.h) - a.h);
  double fh = (double(p.h) + m * (double(p.v) - a.v) + m * m * a.h) / (1 + m * m);
  double fv = a.v + m * (fh - a.h);
  i64 dh = i64(p.h) - i64(fh), dv = i64(p.v) - i64(fv);
  return dh * dh + dv * dv < i64(tolerance) * i64(tolerance) ? 1 : 0;
}

void checkname(StringPtr name) {
  if (name[0] != 0) return;
  GetIndString(name, 1000, kUntitled);
}

}  // namespace kv
