// Objects that follow their window's size: each layer keeps the window size its objects were
// laid out for in "referenceSize"; when the window differs, every object with "anchorData" is
// moved and resized by its anchors (shell/anchors.h) and the new size is written back.
#include "shell/objectresize.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "commands/define.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "render/spotgeometry.h"
#include "render/windowclip.h"
#include "shell/anchors.h"
#include "shell/cardscroll.h"
#include "core/fatalerror.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u16 kAutoResize = 1u << 1;  // background flag word

const u8 kReferenceSize[] = "\x0DreferenceSize";
const u8 kAnchorData[] =
    "\x0A"
    "anchorData";

// The value handle of a named property of a user-property list, or none.
Handle propvalue(Handle list, ConstStringPtr name) {
  i16 index = 0;
  if (!findprop(list, &index, name)) return nilhandle;
  return loadat<uprop>(deref(list) + Size(index) * Size(sizeof(uprop))).value;
}

std::string valuetext(Handle value) {
  if (value == nilhandle) return {};
  return std::string(reinterpret_cast<const char*>(deref(value)), size_t(GetHandleSize(value)));
}

// "width,height" of two decimal numbers of 1 to 32767 (blanks allowed around them); false for
// anything else, a zero size included.
bool readsize(const std::string& text, Point* out) {
  i32 n[2] = {0, 0};
  size_t at = 0;
  for (int k = 0; k < 2; ++k) {
    while (at < text.size() && text[at] == ' ') ++at;
    const size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      n[k] = n[k] * 10 + (text[at] - '0');
      if (n[k] > 32767) return false;
      ++at;
    }
    if (at == start) return false;
    while (at < text.size() && text[at] == ' ') ++at;
    if (k == 0 && (at >= text.size() || text[at++] != ',')) return false;
  }
  if (at != text.size() || n[0] == 0 || n[1] == 0) return false;
  *out = Point{i16(n[1]), i16(n[0])};
  return true;
}

// One layer: its property list's slot in its record, its objects and its record id.
struct layer {
  Handle record = nilhandle;
  bool back = false;
  Handle objects = nilhandle;
  u32 recid = 0;
  Point reference{0, 0};
  bool resize = false;
};

Handle layerprops(const layer& l) {
  if (l.record == nilhandle) return nilhandle;
  return l.back ? Handle(loadat<backrec>(deref(l.record)).uprops) : Handle(loadat<cardrec>(deref(l.record)).uprops);
}

void setlayerprops(const layer& l, Handle list) {
  if (l.back) {
    backrec b = loadat<backrec>(deref(l.record));
    b.uprops = list;
    storeat<backrec>(deref(l.record), b);
  } else {
    cardrec c = loadat<cardrec>(deref(l.record));
    c.uprops = list;
    storeat<cardrec>(deref(l.record), c);
  }
}

// Writes "width,height" into the layer's "referenceSize" (defined first when missing) and
// marks its record changed.
void writereference(const desk& d, const layer& l, Point size) {
  Handle list = layerprops(l);
  i16 index = 0;
  if (!findprop(list, &index, kReferenceSize)) {
    Handle slot = list;
    if (lowdefineprop(&slot, kReferenceSize) != 0 || !findprop(slot, &index, kReferenceSize)) return;
    if (slot != list) setlayerprops(l, slot);
    list = slot;
  }
  uprop e = loadat<uprop>(deref(list) + Size(index) * Size(sizeof(uprop)));
  const std::string text = std::to_string(size.h) + "," + std::to_string(size.v);
  if (e.value == nilhandle) {
    Handle h = NewHandle(0);
    if (h == nilhandle) return;
    e.value = h;
    storeat<uprop>(deref(list) + Size(index) * Size(sizeof(uprop)), e);
  }
  SetHandleSize(e.value, Size(text.size()));
  if (MemError() != noErr) return;
  std::memcpy(deref(e.value), text.data(), text.size());
  checkerr(changevir(d.store, i32(l.recid)));
}

// The size of the window's content: its port's size while the window is there (a live
// resize has not written the window record yet), else the window record's rectangle.
Point windowsize(const desk& d) {
  Rect r{};
  if (d.window != nilid && IsValidWindowPtr(d.window)) {
    GetWindowPortBounds(d.window, &r);
  } else if (d.wind != nilhandle) {
    r = loadat<windrec>(deref(d.wind)).rect1;
  }
  return Point{i16(std::max(0, r.bottom - r.top)), i16(std::max(0, r.right - r.left))};
}

// Moves the objects of one layer from the reference size to the current one: true when one
// moved.
bool resizelayer(const layer& l, Point current) {
  const Handle list = l.objects;
  const i32 count = spotcount(list);
  const Rect reference{0, 0, l.reference.v, l.reference.h};
  const Rect now{0, 0, current.v, current.h};
  // The rectangles before the walk, for the ~ anchors; without memory they find no partner.
  Handle saved = NewHandle(Size(count) * Size(sizeof(Rect)));
  if (saved != nilhandle) {
    for (i32 i = 0; i < count; ++i) storeat<Rect>(deref(saved) + Size(i) * Size(sizeof(Rect)), spotat(list, i).rect);
  }
  const anchorpartner partner = [&](i32 id, Rect* before, Rect* after) {
    if (saved == nilhandle) return false;
    for (i32 j = 0; j < count; ++j) {
      const spot s = spotat(list, j);
      if (s.id != u32(id)) continue;
      *before = loadat<Rect>(deref(saved) + Size(j) * Size(sizeof(Rect)));
      *after = s.rect;
      return true;
    }
    return false;
  };
  bool moved = false;
  // From the last object to the first: a partner later in the list is seen moved already.
  for (i32 i = count - 1; i >= 0; --i) {
    const spot s = spotat(list, i);
    const std::string text = valuetext(propvalue(s.uprops, kAnchorData));
    anchoring a;
    if (text.empty() || !parseanchors(reinterpret_cast<const u8*>(text.data()), i32(text.size()), &a)) continue;
    const Rect r = anchoredrect(a, s.rect, reference, now, partner);
    if (r == s.rect) continue;
    mapspot(list, i, r, s.style == stylegroup);
    moved = true;
  }
  if (saved != nilhandle) DisposeHandle(saved);
  return moved;
}

}  // namespace

i16 resizespots(const desk& context, u16 layers, u16 restoring, u16 force) {
  if (context.back == nilhandle || GetHandleSize(context.back) < Size(sizeof(backrec))) return 0;
  if (!(loadat<backrec>(deref(context.back)).word2 & kAutoResize)) return 0;
  MainGlobals& g = mainglobals();
  const bool borrowed = context.window != g.current.window;
  std::optional<BorrowDesk> borrow;
  if (borrowed) borrow.emplace(context);
  const desk& d = context;
  const Point current = windowsize(d);
  layer ls[2] = {{d.back, true, d.backspots, d.backrecid, {0, 0}, false},
                 {d.card, false, d.cardspots, d.cardrecid, {0, 0}, false}};
  bool any = false;
  for (int k = 0; k < 2; ++k) {
    layer& l = ls[k];
    if ((layers == 1 && k == 1) || (layers == 2 && k == 0) || l.record == nilhandle) continue;
    const bool had = readsize(valuetext(propvalue(layerprops(l), kReferenceSize)), &l.reference);
    if (!had) {
      // The first time (or over a size that is no size) only the size is recorded.
      writereference(d, l, current);
      l.reference = current;
    }
    l.resize = spotcount(l.objects) > 0 && had && restoring == 0 &&
               (l.reference.h != current.h || l.reference.v != current.v);
    if (force & (1u << k)) l.resize = spotcount(l.objects) > 0;
    any = any || l.resize;
  }
  if (!any) return 0;

  // What is being edited is put down before its objects move.
  const bool painting = g.bmapindex >= 0, graphing = g.graphindex >= 0;
  if (painting) putdownbmap();
  if (graphing) putdownmodes();
  if (painting || graphing) drawedit(d, nullptr);
  if (g.openfield >= 0 && g.openfieldwindow == d.window) putdownfield();

  SavePort port;
  const bool haswindow = d.window != nilid && IsValidWindowPtr(d.window);
  if (haswindow) {
    SetPortWindowPort(d.window);
    Rect bounds{};
    GetWindowPortBounds(d.window, &bounds);
    InvalWindowRect(d.window, &bounds);
  }
  bool moved = false;
  for (layer& l : ls) {
    if (!l.resize) continue;
    if (haswindow) lowclipup();
    const bool thismoved = resizelayer(l, current);
    moved = moved || thismoved;
    if (haswindow) lowclipdown();
    if (thismoved || l.reference.h != current.h || l.reference.v != current.v) writereference(d, l, current);
    if (haswindow) lowclipup();
  }
  return moved ? 1 : 0;
}

}  // namespace kv
