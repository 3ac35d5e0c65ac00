// Colour tables, colour matching and devices.
#include "platform/qd/colors.h"

#include <algorithm>
#include <array>

#include "platform/backend/backend.h"
#include "platform/memory/memory.h"
#include "platform/qd/pixels.h"
#include "platform/qd/qdstate.h"

namespace kv {

namespace {

constexpr u16 ramp[10] = {0xEEEE, 0xDDDD, 0xBBBB, 0xAAAA, 0x8888, 0x7777, 0x5555, 0x4444, 0x2222, 0x1111};

std::vector<RGBColor> standardcolors(i16 depth, bool grey) {
  std::vector<RGBColor> c;
  const int n = 1 << depth;
  if (grey || depth == 1 || depth == 2) {
    for (int i = 0; i < n; ++i) {
      u16 v = u16(65535 - (65535 * i) / (n - 1));
      c.push_back(RGBColor{v, v, v});
    }
    if (depth == 2 && !grey)
      c = {{0xFFFF, 0xFFFF, 0xFFFF}, {0xACAC, 0xACAC, 0xACAC}, {0x5555, 0x5555, 0x5555}, {0, 0, 0}};
    return c;
  }
  if (depth == 4) {
    return {{0xFFFF, 0xFFFF, 0xFFFF}, {0xFC00, 0xF37D, 0x052F}, {0xFFFF, 0x648A, 0x028C}, {0xDD6B, 0x08C2, 0x06A2},
            {0xF2D7, 0x0856, 0x84EC}, {0x46E3, 0x0000, 0xA53E}, {0x0000, 0x0000, 0xD400}, {0x0241, 0xAB54, 0xEAFF},
            {0x1F21, 0xB793, 0x1431}, {0x0000, 0x64AF, 0x11B0}, {0x5600, 0x2C9D, 0x0524}, {0x90D7, 0x7160, 0x3A34},
            {0xC000, 0xC000, 0xC000}, {0x8000, 0x8000, 0x8000}, {0x4000, 0x4000, 0x4000}, {0x0000, 0x0000, 0x0000}};
  }
  // 8 bits: the 6x6x6 cube without black (white first), the red, green, blue and grey ramps,
  // and black last.
  for (int r = 5; r >= 0; --r)
    for (int g = 5; g >= 0; --g)
      for (int b = 5; b >= 0; --b)
        if (r || g || b) c.push_back(RGBColor{u16(r * 0x3333), u16(g * 0x3333), u16(b * 0x3333)});
  for (u16 v : ramp) c.push_back(RGBColor{v, 0, 0});
  for (u16 v : ramp) c.push_back(RGBColor{0, v, 0});
  for (u16 v : ramp) c.push_back(RGBColor{0, 0, v});
  for (u16 v : ramp) c.push_back(RGBColor{v, v, v});
  c.push_back(RGBColor{0, 0, 0});
  return c;
}

CTabHandle tablefrom(const std::vector<RGBColor>& colors, u32 seed) {
  Size n = Size(colors.size());
  CTabHandle h = NewHandleClear(Size(sizeof(ColorTableHeader)) + n * Size(sizeof(ColorSpec)));
  if (!h) return 0;
  ColorTableHeader hdr{seed, 0, u16(n - 1)};
  std::memcpy(deref(h), &hdr, sizeof hdr);
  for (Size i = 0; i < n; ++i) {
    ColorSpec cs{i16(i), colors[std::size_t(i)]};
    std::memcpy(deref(h) + sizeof hdr + std::size_t(i) * sizeof(ColorSpec), &cs, sizeof cs);
  }
  return h;
}

bool readheader(CTabHandle t, ColorTableHeader* hdr) {
  Size sz = GetHandleSize(t);
  if (!IsValidHandle(t) || sz < Size(sizeof(ColorTableHeader))) return false;
  std::memcpy(hdr, deref(t), sizeof *hdr);
  return true;
}

}  // namespace

// --- Colour tables ---------------------------------------------------------------------------

CTabHandle GetCTable(i16 ctid) {
  switch (ctid) {
    case 1:
    case 2:
    case 4:
    case 8: return tablefrom(standardcolors(ctid, false), u32(ctid));
    case 33:
    case 34:
    case 36:
    case 40: return tablefrom(standardcolors(i16(ctid - 32), true), u32(ctid));
    default: return 0;
  }
}

void DisposeCTable(CTabHandle table) { DisposeHandle(table); }

CTabHandle NewCTable(i32 count) {
  if (count < 1 || count > 256) return 0;
  std::vector<RGBColor> c(std::size_t(count), RGBColor{0, 0, 0});
  return tablefrom(c, u32(GetCTSeed()));
}

i32 ctablecount(CTabHandle table) {
  ColorTableHeader hdr;
  if (!readheader(table, &hdr)) return 0;
  i32 room = (GetHandleSize(table) - Size(sizeof hdr)) / Size(sizeof(ColorSpec));
  return std::min<i32>(i32(hdr.ctSize) + 1, room);
}

bool ctableentry(CTabHandle table, i32 index, RGBColor* rgb) {
  if (index < 0 || index >= ctablecount(table)) return false;
  ColorSpec cs;
  std::memcpy(&cs, deref(table) + sizeof(ColorTableHeader) + std::size_t(index) * sizeof cs, sizeof cs);
  *rgb = cs.rgb;
  return true;
}

bool setctableentry(CTabHandle table, i32 index, const RGBColor& rgb) {
  if (index < 0 || index >= ctablecount(table)) return false;
  ColorSpec cs{i16(index), rgb};
  std::memcpy(deref(table) + sizeof(ColorTableHeader) + std::size_t(index) * sizeof cs, &cs, sizeof cs);
  return true;
}

i32 GetCTSeed() { return ++qd().seed; }

void CTabChanged(CTabHandle table) {
  ColorTableHeader hdr;
  if (!readheader(table, &hdr)) return;
  hdr.ctSeed = u32(GetCTSeed());
  std::memcpy(deref(table), &hdr, sizeof hdr);
}

std::vector<RGBColor> paletteof(CTabHandle table, i16 depth) {
  const std::size_t n = depth >= 1 && depth <= 8 ? std::size_t(1) << depth : 0;
  std::vector<RGBColor> p;
  if (n == 0) return p;
  i32 count = ctablecount(table);
  if (count == 0) {
    p = standardcolors(depth, false);
  } else {
    // Entries are placed by position, as the pixel values index them.
    p.assign(n, RGBColor{0, 0, 0});
    for (i32 i = 0; i < count && std::size_t(i) < n; ++i) ctableentry(table, i, &p[std::size_t(i)]);
  }
  p.resize(n, RGBColor{0, 0, 0});
  return p;
}

// --- Matching --------------------------------------------------------------------------------

u32 nearestindex(const std::vector<RGBColor>& palette, const RGBColor& c) {
  u64 best = ~u64(0);
  u32 bi = 0;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    i64 dr = i64(palette[i].red) - c.red, dg = i64(palette[i].green) - c.green, db = i64(palette[i].blue) - c.blue;
    u64 d = u64(dr * dr + dg * dg + db * db);
    if (d < best) {
      best = d;
      bi = u32(i);
      if (d == 0) break;
    }
  }
  return bi;
}

bool searchprocsinstalled() {
  QDState& s = qd();
  auto it = s.searchprocs.find(s.currentdevice);
  return it != s.searchprocs.end() && !it->second.empty();
}

bool runsearchprocs(const RGBColor& c, i32* position) {
  QDState& s = qd();
  auto it = s.searchprocs.find(s.currentdevice);
  if (it == s.searchprocs.end()) return false;
  std::vector<ColorSearchProcPtr> procs = it->second;  // a procedure may change the list
  for (auto p = procs.rbegin(); p != procs.rend(); ++p) {
    RGBColor copy = c;
    i32 pos = 0;
    if ((*p)(&copy, &pos)) {
      *position = pos;
      return true;
    }
  }
  return false;
}

Matcher::Matcher(const Surface& s) : s_(&s), searching_(!s.direct && searchprocsinstalled()) {}

u32 Matcher::lookup(const RGBColor& c) {
  i32 pos = 0;
  return searching_ && runsearchprocs(c, &pos) ? u32(pos) & pixelmask(s_->depth) : nearestindex(s_->palette, c);
}

u32 Matcher::match(const RGBColor& c) {
  if (s_->depth == 32) return rgbto32(c);
  if (s_->depth == 16) return rgbto16(c);
  const u64 key = (u64(c.red) << 32) | (u64(c.green) << 16) | c.blue;
  for (std::size_t i = 0; i < nrecent_; ++i)
    if (recent_[i].key == key) return recent_[i].value;
  if (nrecent_ < recent_.size()) {
    recent_[nrecent_] = Entry{key, lookup(c)};
    return recent_[nrecent_++].value;
  }
  if (cache_.empty()) cache_.resize(4096);
  Entry& e = cache_[(key ^ (key >> 17) ^ (key >> 31)) & 4095];
  if (e.key != key) e = Entry{key, lookup(c)};
  return e.value;
}

namespace {
GDevice readdevice(GDHandle d) {
  GDevice g{};
  if (IsValidHandle(d) && GetHandleSize(d) >= Size(sizeof g)) std::memcpy(&g, deref(d), sizeof g);
  return g;
}
PixMap readpixmap(PixMapHandle pm) {
  PixMap p{};
  if (IsValidHandle(pm) && GetHandleSize(pm) >= Size(sizeof p)) std::memcpy(&p, deref(pm), sizeof p);
  return p;
}
}  // namespace

i32 Color2Index(const RGBColor* rgb) {
  if (!rgb) return 0;
  GDHandle d = GetGDevice();
  i16 depth = devicedepth(d);
  if (depth == 32) return i32(rgbto32(*rgb));
  if (depth == 16) return i32(rgbto16(*rgb));
  i32 pos = 0;
  if (runsearchprocs(*rgb, &pos)) return pos;
  return i32(nearestindex(paletteof(devicetable(d), depth), *rgb));
}

void Index2Color(i32 index, RGBColor* rgb) {
  if (!rgb) return;
  GDHandle d = GetGDevice();
  i16 depth = devicedepth(d);
  if (depth == 32) {
    *rgb = rgbfrom32(u32(index));
  } else if (depth == 16) {
    *rgb = rgbfrom16(u32(index));
  } else {
    std::vector<RGBColor> p = paletteof(devicetable(d), depth);
    *rgb = index >= 0 && std::size_t(index) < p.size() ? p[std::size_t(index)] : RGBColor{0, 0, 0};
  }
}

void RealColor(const RGBColor* rgb, RGBColor* out) {
  if (!rgb || !out) return;
  Index2Color(Color2Index(rgb), out);
}

void InvertColor(RGBColor* rgb) {
  if (!rgb) return;
  QDState& s = qd();
  auto it = s.compprocs.find(s.currentdevice);
  if (it != s.compprocs.end() && !it->second.empty()) {
    it->second.back()(rgb);
    return;
  }
  rgb->red = u16(~rgb->red);
  rgb->green = u16(~rgb->green);
  rgb->blue = u16(~rgb->blue);
}

void AddSearch(ColorSearchProcPtr proc) {
  if (proc) qd().searchprocs[GetGDevice()].push_back(proc);
}

void DelSearch(ColorSearchProcPtr proc) {
  QDState& s = qd();
  auto it = s.searchprocs.find(GetGDevice());
  if (it == s.searchprocs.end()) return;
  auto& v = it->second;
  for (auto p = v.rbegin(); p != v.rend(); ++p)
    if (*p == proc) {
      v.erase(std::next(p).base());
      break;
    }
}

void AddComp(ColorComplementProcPtr proc) {
  if (proc) qd().compprocs[GetGDevice()].push_back(proc);
}

void DelComp(ColorComplementProcPtr proc) {
  QDState& s = qd();
  auto it = s.compprocs.find(GetGDevice());
  if (it == s.compprocs.end()) return;
  auto& v = it->second;
  v.erase(std::remove(v.begin(), v.end(), proc), v.end());
}

// --- Devices ---------------------------------------------------------------------------------

GDHandle NewGDevicefor(i16 depth, const Rect& bounds, CTabHandle table) {
  const bool direct = depth == 16 || depth == 32;
  CTabHandle t = 0;
  if (!direct) {
    t = table;
    if (t && HandToHand(&t) != noErr) return 0;
    if (!t) t = GetCTable(depth);
    if (!t) return 0;
  }
  // A device's pixel map describes the pixels without holding any.
  PixMap pm = pixmapfor(depth, bounds, nullptr, t);
  pm.rowBytes = pixmapflag;
  PixMapHandle pmh = 0;
  if (PtrToHand(&pm, &pmh, Size(sizeof pm)) != noErr) {
    DisposeHandle(t);
    return 0;
  }
  GDevice g{};
  g.gdType = direct ? directType : clutType;
  g.gdPMap = pmh;
  g.gdRect = bounds;
  GDHandle d = 0;
  if (PtrToHand(&g, &d, Size(sizeof g)) != noErr) {
    DisposeHandle(pmh);
    DisposeHandle(t);
    return 0;
  }
  return d;
}

void DisposeGDevice(GDHandle device) {
  if (!IsValidHandle(device)) return;
  GDevice g = readdevice(device);
  PixMap pm = readpixmap(g.gdPMap);
  DisposeHandle(pm.pmTable);
  DisposeHandle(g.gdPMap);
  DisposeHandle(device);
  QDState& s = qd();
  s.searchprocs.erase(device);
  s.compprocs.erase(device);
  if (s.currentdevice == device) s.currentdevice = 0;
}

namespace {

// Keeps one device per screen of the backend, remade when the screens change.
void syncscreens() {
  QDState& s = qd();
  const std::vector<ScreenInfo> screens = backend().screens();
  bool same = screens.size() == s.screensigs.size();
  for (std::size_t i = 0; same && i < screens.size(); ++i) {
    const auto& a = screens[i];
    const auto& b = s.screensigs[i];
    same = a.bounds == b.bounds && a.depth == b.depth && a.colortable == b.table;
  }
  if (same && !s.screendevices.empty()) return;
  std::vector<GDHandle> old = s.screendevices;
  const bool wascurrent = !s.currentdevice || std::find(old.begin(), old.end(), s.currentdevice) != old.end();
  // Search procedures stay with the main screen.
  std::vector<ColorSearchProcPtr> mainprocs;
  if (!old.empty()) {
    auto it = s.searchprocs.find(old[0]);
    if (it != s.searchprocs.end()) mainprocs = it->second;
  }
  s.screendevices.clear();
  s.screensigs.clear();
  for (GDHandle d : old) DisposeGDevice(d);
  std::vector<ScreenInfo> made = screens;
  if (made.empty()) made.push_back(ScreenInfo{});
  for (const ScreenInfo& info : made) {
    const i16 depth = (info.depth == 1 || info.depth == 8 || info.depth == 16 || info.depth == 32) ? info.depth : 32;
    CTabHandle table = 0;
    if (depth <= 8 && !info.colortable.empty()) table = tablefrom(info.colortable, u32(GetCTSeed()));
    GDHandle d = NewGDevicefor(depth, info.bounds, table);
    DisposeHandle(table);
    if (!d) break;
    if (!s.screendevices.empty()) {
      GDevice prev = readdevice(s.screendevices.back());
      prev.gdNextGD = d;
      std::memcpy(deref(s.screendevices.back()), &prev, sizeof prev);
    }
    s.screendevices.push_back(d);
    s.screensigs.push_back(QDState::ScreenSig{info.bounds, info.depth, info.colortable});
  }
  if (!s.screendevices.empty()) {
    if (!mainprocs.empty()) s.searchprocs[s.screendevices[0]] = mainprocs;
    if (wascurrent) s.currentdevice = s.screendevices[0];
  }
}

}  // namespace

GDHandle GetMainDevice() {
  syncscreens();
  QDState& s = qd();
  return s.screendevices.empty() ? 0 : s.screendevices[0];
}

GDHandle GetDeviceList() { return GetMainDevice(); }

GDHandle GetNextDevice(GDHandle device) { return readdevice(device).gdNextGD; }

GDHandle GetMaxDevice(const Rect* globalRect) {
  GDHandle best = 0;
  i16 bestdepth = 0;
  for (GDHandle d = GetDeviceList(); d; d = GetNextDevice(d)) {
    const Rect b = readdevice(d).gdRect;
    const bool touches = globalRect && std::max(b.left, globalRect->left) < std::min(b.right, globalRect->right) &&
                         std::max(b.top, globalRect->top) < std::min(b.bottom, globalRect->bottom);
    if (touches && devicedepth(d) > bestdepth) {
      best = d;
      bestdepth = devicedepth(d);
    }
  }
  return best ? best : GetMainDevice();
}

GDHandle GetGDevice() {
  QDState& s = qd();
  if (!s.currentdevice || !IsValidHandle(s.currentdevice)) s.currentdevice = GetMainDevice();
  return s.currentdevice;
}

void SetGDevice(GDHandle device) {
  if (IsValidHandle(device)) qd().currentdevice = device;
}

i16 devicedepth(GDHandle device) {
  PixMap pm = readpixmap(readdevice(device).gdPMap);
  return pm.pixelSize ? pm.pixelSize : 32;
}

CTabHandle devicetable(GDHandle device) { return readpixmap(readdevice(device).gdPMap).pmTable; }

bool GetGray(GDHandle device, const RGBColor* bk, RGBColor* fg) {
  if (!bk || !fg) return false;
  RGBColor mid{u16((u32(bk->red) + fg->red) / 2), u16((u32(bk->green) + fg->green) / 2),
               u16((u32(bk->blue) + fg->blue) / 2)};
  i16 depth = devicedepth(device);
  if (depth == 16 || depth == 32) {
    *fg = mid;
    return true;
  }
  std::vector<RGBColor> p = paletteof(devicetable(device), depth);
  RGBColor got = p[nearestindex(p, mid)];
  // A grey exists when the match is neither of the two colours.
  if (got == *bk || got == *fg) return false;
  *fg = got;
  return true;
}

bool TestDeviceAttribute(GDHandle device, i16 attribute) {
  if (attribute == gdDevType) return devicedepth(device) > 1;
  return false;
}

}  // namespace kv
