#include "shell/palettes.h"

#include <vector>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/windows/palettes.h"
#include "platform/windows/theme.h"
#include "properties/latentvis.h"
#include "render/drawservices.h"
#include "render/themebuttons.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windowstyle.h"
#include "shell/windtable.h"
#include "store/records.h"

namespace kv {

namespace {

std::vector<desk> tableentries() {
  const MainGlobals& g = mainglobals();
  std::vector<desk> out;
  if (g.winds == nilhandle) return out;
  const i32 n = i32(GetHandleSize(g.winds) / Size(sizeof(desk)));
  for (i32 i = 0; i < n; ++i) out.push_back(loadat<desk>(deref(g.winds) + i64(i) * i64(sizeof(desk))));
  return out;
}

bool paletteclass(WindowRef window) {
  WindowClass c = 0;
  return GetWindowClass(window, &c) == noErr && c == kToolbarWindowClass;
}

// Palette usage and tolerance of a palette mode.
void modeusage(u16 mode, i16* usage, i16* tolerance) {
  constexpr i16 kTolerances[] = {0, 4096, 8192, 16384};
  *usage = mode == 4 ? pmCourteous : pmTolerant;
  *tolerance = mode < 4 ? kTolerances[mode] : mode == 4 ? 0 : 8192;
}

// Whether the palette already has the usage, tolerance and colours of the table.
bool samepalette(PaletteHandle p, CTabHandle table, i16 usage, i16 tolerance) {
  const i32 n = ctablecount(table);
  if (GetPaletteSize(p) != n) return false;
  for (i16 i = 0; i < n; ++i) {
    i16 u = -1, t = -1;
    GetEntryUsage(p, i, &u, &t);
    RGBColor a{}, b{};
    GetEntryColor(p, i, &a);
    ctableentry(table, i, &b);
    if (u != usage || t != tolerance || !(a == b)) return false;
  }
  return true;
}

}  // namespace

u16 cardpalettemode(Handle card) { return card != nilhandle ? loadat<cardrec>(deref(card)).word14 : 0; }
u16 backpalettemode(Handle back) { return back != nilhandle ? loadat<backrec>(deref(back)).word14 : 0; }

void showHidePalettes(u16 show) {
  MainGlobals& g = mainglobals();
  if (!show && g.dontHidePalettes) return;
  lockscreen();
  {
    SavePort saved;
    for (desk& d : tableentries()) {
      if (d.window == nilid || d.wind == nilhandle || !paletteclass(d.window)) continue;
      windrec w = loadat<windrec>(deref(d.wind));
      if (!show && IsWindowVisible(d.window)) {
        setwindowlatentvis(d.window, 1);
        w.flags |= kWindFlagVisible;
        storeat<windrec>(deref(d.wind), w);
        HideWindow(d.window);
      } else if (show && !IsWindowVisible(d.window) && (w.flags & kWindFlagVisible)) {
        setwindowlatentvis(d.window, 0);
        SetPortWindowPort(d.window);
        SetThemeWindowBackground(d.window, getheme(&d), false);
        ShowWindow(d.window);
        drawedit(d, nullptr);
      }
    }
  }
  show ? showpals() : hidepals();
  unlockscreen();
}

void showpals() { ShowFloatingWindows(); }
void hidepals() { HideFloatingWindows(); }

void checkpalettealpha() {
  const MainGlobals& g = mainglobals();
  if (g.notfront || !IsValidPort(currentportid())) return;
  WindowRef under = nilid;
  const i16 part = FindWindow(mouseposition(), &under);
  if (part == inDesk || part == inMenuBar || part == inSysWindow) under = nilid;
  for (const desk& d : tableentries()) {
    if (d.window == nilid || d.wind == nilhandle) continue;
    const windrec w = loadat<windrec>(deref(d.wind));
    if (w.word2 != kStylePalette && w.word2 != kStyleCustomPalette) continue;
    float alpha = 1.0f;
    GetWindowAlpha(d.window, &alpha);
    const bool global = w.flags & kWindFlagGlobalOpacity;
    const float target = float(100 - (global ? g.paletteOpacity : i16(w.translucency))) / 100.0f;
    if (global && d.window == under) {
      if (alpha < 1.0f) SetWindowAlpha(d.window, 1.0f);
    } else if (alpha != target) {
      SetWindowAlpha(d.window, target);
    }
  }
}

void buildpalette() {
  MainGlobals& g = mainglobals();
  WindowRef front = nilid;
  desk d{};
  if (!g.colorWorld || !topwindow(&front) || !getwind(front, &d)) return;
  if (front == g.current.window) d = g.current;
  const u16 c = cardpalettemode(d.card), b = backpalettemode(d.back);
  const CTabHandle table = c > b ? d.backclut : d.cardclut;
  i16 usage = 0, tolerance = 0;
  modeusage(c > b ? b : c, &usage, &tolerance);
  if (table == nilhandle || !IsValidPalette(g.palette) || samepalette(g.palette, table, usage, tolerance)) return;
  CTab2Palette(table, g.palette, usage, tolerance);
  if (g.backColor) return;
  if (g.allowPalettes) {
    SetPalette(front, g.palette, true);
    ActivatePalette(front);
    return;
  }
  // Only the entries the table has.
  const i32 n = std::min<i32>(ctablecount(table), 256);
  std::vector<ColorSpec> specs(static_cast<std::size_t>(n));
  for (i32 i = 0; i < n; ++i) {
    specs[std::size_t(i)].value = i16(i);
    ctableentry(table, i, &specs[std::size_t(i)].rgb);
  }
  if (n > 0) SetEntries(0, i16(n - 1), specs.data());
}

}  // namespace kv
