#include "render/drawservices.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/compositor.h"
#include "core/mainglobals.h"
#include "store/records.h"

namespace kv {

namespace {

// --- Colour remapping ------------------------------------------------------------------------

using ColourMap = u8[256];

// Each source entry (at most 256, at most the table's count) goes to the nearest of the first
// 256 destination entries; indexes past the source's entries map to themselves.
bool buildcolourmap(CTabHandle source, CTabHandle dest, ColourMap& map) {
  for (int i = 0; i < 256; ++i) map[i] = u8(i);
  const i32 ns = std::min<i32>(ctablecount(source), 256);
  const i32 nd = std::min<i32>(ctablecount(dest), 256);
  if (nd == 0) return false;
  std::vector<RGBColor> targets(size_t(nd), RGBColor{});
  for (i32 j = 0; j < nd; ++j) ctableentry(dest, j, &targets[size_t(j)]);
  for (i32 i = 0; i < ns; ++i) {
    RGBColor c;
    ctableentry(source, i, &c);
    i32 best = 0;
    i32 bestdistance = -1;
    for (i32 j = 0; j < nd; ++j) {
      const RGBColor& t = targets[size_t(j)];
      const i32 d = std::abs(i32(c.red) - t.red) + std::abs(i32(c.green) - t.green) + std::abs(i32(c.blue) - t.blue);
      if (bestdistance < 0 || d < bestdistance) {
        best = j;
        bestdistance = d;
      }
      if (d == 0) break;
    }
    map[i] = u8(best);
  }
  return true;
}

void remapobjects(Handle list, i32 first, i32 end, const ColourMap& map, int depth) {
  if (list == nilhandle) return;
  end = std::min(end, HandleCount<spot>(list));
  for (i32 i = std::max(first, 0); i < end; ++i) {
    spot s = HandleAs<spot>(list)[i];
    if (s.style == stylebitmap && getgraphictail(s).startangle != 0) {
      if (s.data != nilhandle) {
        u8* p = deref(s.data);
        const Size n = GetHandleSize(s.data);
        for (Size k = 0; k < n; ++k) p[k] = map[p[k]];
      }
      continue;
    }
    if (s.style == stylegroup) {
      if (s.data != nilhandle && depth < kMaxGroupDepth)
        remapobjects(s.data, 0, HandleCount<spot>(s.data), map, depth + 1);
      continue;
    }
    s.fillfore = map[s.fillfore];
    s.penfore = map[s.penfore];
    s.fillback = map[s.fillback];
    s.penback = map[s.penback];
    HandleAs<spot>(list)[i] = s;
  }
}

}  // namespace

// --- Pictures --------------------------------------------------------------------------------

void QDSetPictureBounds(PicHandle pic, const Rect& r) {
  if (pic == nilhandle || GetHandleSize(pic) < 10) return;
  u8* p = deref(pic) + 2;
  for (i16 side : {r.top, r.left, r.bottom, r.right}) {
    *p++ = u8(u16(side) >> 8);
    *p++ = u8(u16(side) & 0xFF);
  }
}

// --- Polygons --------------------------------------------------------------------------------

RgnHandle polytorgn(PolyHandle poly) {
  RgnHandle rgn = NewRgn();
  const std::vector<Point> pts = polypoints(poly);
  if (rgn == nilid || pts.empty()) return rgn;
  OpenRgn();
  MoveTo(pts[0].h, pts[0].v);
  for (std::size_t i = 1; i < pts.size(); ++i) LineTo(pts[i].h, pts[i].v);
  LineTo(pts[0].h, pts[0].v);
  CloseRgn(rgn);
  return rgn;
}

// --- Screen lock -----------------------------------------------------------------------------

i16 lockscreen() {
  MainGlobals& g = mainglobals();
  if (g.lockcount == 0) DisableScreenUpdates();
  ++g.lockcount;
  return i16(g.lockcount);
}

bool unlockscreen() {
  MainGlobals& g = mainglobals();
  if (g.lockcount > 0 && --g.lockcount == 0) EnableScreenUpdates();
  return g.lockcount == 0;
}

// --- Colours ---------------------------------------------------------------------------------

void changecolor(Handle list, i32 first, i32 end, CTabHandle source) {
  const MainGlobals& g = mainglobals();
  if (!g.remapColor || list == nilhandle || source == nilhandle) return;
  CTabHandle dest = g.currentclut;
  if (CGrafPtr port = currentportid(); dest == nilhandle && IsValidPort(port))
    dest = pixmaprecord(GetPortPixMap(port)).pmTable;
  ColourMap map;
  if (!buildcolourmap(source, dest, map)) return;
  remapobjects(list, first, end, map, 0);
}

}  // namespace kv
