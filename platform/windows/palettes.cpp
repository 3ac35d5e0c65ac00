#include "platform/windows/palettes.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/qd/colors.h"
#include "platform/runtime/root.h"
#include "platform/windows/compositor.h"

namespace kv {

namespace {

struct PaletteEntry {
  RGBColor rgb{0, 0, 0};
  i16 usage = pmCourteous;
  i16 tolerance = 0;
};

struct PaletteData {
  std::vector<PaletteEntry> entries;
};

struct PaletteState {
  Registry<PaletteData, RegType::palette> palettes;
  std::vector<std::pair<WindowRef, PaletteHandle>> attached;
};

PaletteState& ps() { return state<PaletteState>(); }

PaletteData* pd(PaletteHandle palette) { return hasstate<PaletteState>() ? ps().palettes.get(palette) : nullptr; }

void fill(PaletteData& p, CTabHandle table, i32 count, i16 usage, i16 tolerance) {
  p.entries.assign(std::size_t(std::max<i32>(count, 0)), PaletteEntry{RGBColor{0, 0, 0}, usage, tolerance});
  for (i32 i = 0; i < count; ++i) ctableentry(table, i, &p.entries[std::size_t(i)].rgb);
}

// Sets the entries of a device's colour table that the colours name; the screen shows them.
void setdevice(GDHandle device, i32 start, const std::vector<RGBColor>& colours) {
  if (device == nilhandle || devicedepth(device) > 8) return;
  CTabHandle table = devicetable(device);
  bool changed = false;
  for (std::size_t i = 0; i < colours.size(); ++i) {
    RGBColor old{};
    const i32 index = start + i32(i);
    if (!ctableentry(table, index, &old) || old == colours[i]) continue;
    setctableentry(table, index, colours[i]);
    changed = true;
  }
  if (!changed) return;
  CTabChanged(table);
  screenchanged();
}

// Whether two colours differ by less than the tolerance in each component (a tolerance of 0
// asks for the colour itself).
bool within(const RGBColor& a, const RGBColor& b, u16 tolerance) {
  if (tolerance == 0) return a == b;
  auto near = [tolerance](u16 x, u16 y) { return std::abs(i32(x) - i32(y)) < i32(tolerance); };
  return near(a.red, b.red) && near(a.green, b.green) && near(a.blue, b.blue);
}

}  // namespace

PaletteHandle NewPalette(i16 entries, CTabHandle srcColors, i16 srcUsage, i16 srcTolerance) {
  auto p = std::make_unique<PaletteData>();
  const i32 count = std::max<i32>(entries, 0);
  fill(*p, srcColors, count, srcUsage, srcTolerance);
  return ps().palettes.add(std::move(p));
}

void DisposePalette(PaletteHandle palette) {
  if (!pd(palette)) return;
  ps().palettes.remove(palette);
  std::erase_if(ps().attached, [&](const auto& a) { return a.second == palette; });
}

bool IsValidPalette(PaletteHandle palette) { return pd(palette) != nullptr; }

void CTab2Palette(CTabHandle srcCTab, PaletteHandle dstPalette, i16 srcUsage, i16 srcTolerance) {
  if (PaletteData* p = pd(dstPalette)) fill(*p, srcCTab, ctablecount(srcCTab), srcUsage, srcTolerance);
}

i16 GetPaletteSize(PaletteHandle palette) {
  PaletteData* p = pd(palette);
  return p ? i16(p->entries.size()) : 0;
}

void GetEntryColor(PaletteHandle palette, i16 index, RGBColor* rgb) {
  PaletteData* p = pd(palette);
  if (p && index >= 0 && std::size_t(index) < p->entries.size()) *rgb = p->entries[std::size_t(index)].rgb;
}

void GetEntryUsage(PaletteHandle palette, i16 index, i16* usage, i16* tolerance) {
  PaletteData* p = pd(palette);
  if (!p || index < 0 || std::size_t(index) >= p->entries.size()) return;
  *usage = p->entries[std::size_t(index)].usage;
  *tolerance = p->entries[std::size_t(index)].tolerance;
}

void SetPalette(WindowRef window, PaletteHandle palette, bool) {
  auto& attached = ps().attached;
  std::erase_if(attached, [&](const auto& a) { return a.first == window || !IsValidWindowPtr(a.first); });
  if (palette != nilid && IsValidWindowPtr(window)) attached.emplace_back(window, palette);
}

PaletteHandle GetPalette(WindowRef window) {
  if (!hasstate<PaletteState>() || !IsValidWindowPtr(window)) return nilid;
  for (const auto& [w, p] : ps().attached)
    if (w == window) return p;
  return nilid;
}

void ActivatePalette(WindowRef window) {
  PaletteData* p = pd(GetPalette(window));
  if (!p || window != FrontWindow()) return;
  // Explicit entries take the screen entry of their index; tolerant ones take it unless the
  // screen's colour there is already within their tolerance (in every component); courteous
  // ones only match what the screen has.
  GDHandle device = GetMainDevice();
  CTabHandle table = devicetable(device);
  std::vector<RGBColor> colours;
  const i32 n = std::min<i32>(i32(p->entries.size()), ctablecount(table));
  for (i32 i = 0; i < n; ++i) {
    const PaletteEntry& e = p->entries[std::size_t(i)];
    RGBColor c{};
    ctableentry(table, i, &c);
    const bool take = (e.usage & pmExplicit) || ((e.usage & pmTolerant) && !within(c, e.rgb, u16(e.tolerance)));
    colours.push_back(take ? e.rgb : c);
  }
  setdevice(device, 0, colours);
}

void SetEntries(i16 start, i16 count, const ColorSpec* aTable) {
  if (start < 0 || count < 0 || !aTable) return;
  std::vector<RGBColor> colours;
  for (i32 i = 0; i <= count; ++i) colours.push_back(aTable[i].rgb);
  setdevice(GetGDevice(), start, colours);
}

}  // namespace kv
