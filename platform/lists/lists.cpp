// One-column lists: rows of bytes with a selection flag each, scrolled by a vertical scroll
// bar whose value is the first visible row.
#include "platform/lists/lists.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"

namespace kv {

struct ListRec {
  RegistryId ref = nilid;
  Rect view{};
  i16 cellHeight = 16;
  i16 cellWidth = 0;  // 0: the view's width
  Point indent{};
  u8 selFlags = 0;
  Cell lastClick{-1, -1};
  u32 clickTime = 0;
  WindowRef window = nilid;
  ControlRef vbar = nilid;
  ListDefProcPtr ldef = nullptr;
  bool drawing = true;
  bool active = true;
  i16 top = 0;  // the first visible row while there is no scroll bar
  struct Row {
    std::vector<u8> data;
    bool selected = false;
  };
  std::vector<Row> rows;
};

namespace {

struct ListsState {
  Registry<ListRec, RegType::list> lists;
};

i16 rowcount(const ListRec* l) { return i16(l->rows.size()); }

// Whole rows that fit the view (at least one).
i16 pagerows(const ListRec* l) {
  const i32 h = l->view.bottom - l->view.top;
  return i16(std::max<i32>(1, h / std::max<i16>(1, l->cellHeight)));
}

i16 scrollmax(const ListRec* l) { return i16(std::max(0, rowcount(l) - pagerows(l))); }

i16 toprow(const ListRec* l) { return l->vbar != nilid ? GetControlValue(l->vbar) : l->top; }

void settop(ListRec* l, i16 top) {
  top = std::clamp<i16>(top, 0, scrollmax(l));
  if (l->vbar != nilid) {
    SetControlMaximum(l->vbar, scrollmax(l));
    SetControlValue(l->vbar, top);
  }
  l->top = top;
}

bool validrow(const ListRec* l, Cell c) { return l != nullptr && c.h == 0 && c.v >= 0 && c.v < rowcount(l); }

// The rectangle of visible row r, cut at the view's bottom.
Rect cellrect(const ListRec* l, i16 r, i16 first) {
  const i16 y = i16(l->view.top + (r - first) * l->cellHeight);
  const i16 right = l->cellWidth > 0 ? i16(std::min<i32>(l->view.left + l->cellWidth, l->view.right)) : l->view.right;
  return Rect{y, l->view.left, i16(std::min<i32>(y + l->cellHeight, l->view.bottom)), right};
}

void drawcells(ListRec* l) {
  if (!l->drawing || l->ldef == nullptr) return;
  const Rect vis = LGetVisible(l);
  for (i16 r = vis.top; r < vis.bottom; ++r) {
    const Rect cr = cellrect(l, r, vis.top);
    const auto& row = l->rows[size_t(r)];
    l->ldef(lDrawMsg, row.selected, &cr, Cell{0, r}, row.data.data(), i16(row.data.size()), l);
  }
}

}  // namespace

ListHandle LNew(const Rect* view, i16 rows, i16 cellHeight, WindowRef window, bool drawIt, bool hasVScroll,
                ListDefProcPtr ldef) {
  if (view == nullptr) return nullptr;
  auto owned = std::make_unique<ListRec>();
  ListRec* l = owned.get();
  l->ref = state<ListsState>().lists.add(std::move(owned));
  if (l->ref == nilid) return nullptr;
  l->view = *view;
  l->cellHeight = std::max<i16>(1, cellHeight);
  l->window = window;
  l->ldef = ldef;
  l->drawing = drawIt;
  l->rows.resize(size_t(std::max<i16>(0, rows)));
  if (hasVScroll && window != nilid) {
    const Rect bar{i16(view->top - 1), view->right, i16(view->bottom + 1), i16(view->right + 15)};
    if (CreateScrollBarControl(window, &bar, 0, 0, scrollmax(l), pagerows(l), true, nullptr, &l->vbar) != noErr) {
      l->vbar = nilid;
    }
  }
  if (l->ldef != nullptr) l->ldef(lInitMsg, false, &l->view, Cell{}, nullptr, 0, l);
  return l;
}

void LDispose(ListHandle list) {
  if (list == nullptr) return;
  if (list->ldef != nullptr) list->ldef(lCloseMsg, false, &list->view, Cell{}, nullptr, 0, list);
  if (list->vbar != nilid) DisposeControl(list->vbar);
  state<ListsState>().lists.remove(list->ref);
}

i16 LAddRow(i16 count, i16 rowNum, ListHandle list) {
  if (list == nullptr || count <= 0) return 0;
  const i16 at = std::clamp<i16>(rowNum, 0, rowcount(list));
  const i32 room = 32767 - rowcount(list);
  count = i16(std::min<i32>(count, room));
  list->rows.insert(list->rows.begin() + at, size_t(count), ListRec::Row{});
  settop(list, toprow(list));
  drawcells(list);
  return at;
}

void LDelRow(i16 count, i16 rowNum, ListHandle list) {
  if (list == nullptr) return;
  if (count == 0) {
    list->rows.clear();
  } else {
    if (rowNum < 0 || rowNum >= rowcount(list) || count < 0) return;
    const i16 n = i16(std::min<i32>(count, rowcount(list) - rowNum));
    list->rows.erase(list->rows.begin() + rowNum, list->rows.begin() + rowNum + n);
  }
  settop(list, toprow(list));
  drawcells(list);
}

void LSetCell(const void* data, i16 length, Cell cell, ListHandle list) {
  if (!validrow(list, cell)) return;
  auto& d = list->rows[size_t(cell.v)].data;
  const auto* p = static_cast<const u8*>(data);
  if (p == nullptr || length <= 0) {
    d.clear();
  } else {
    d.assign(p, p + length);
  }
}

void LGetCell(void* data, i16* length, Cell cell, ListHandle list) {
  if (length == nullptr) return;
  if (!validrow(list, cell) || data == nullptr) {
    *length = 0;
    return;
  }
  const auto& d = list->rows[size_t(cell.v)].data;
  const i16 n = i16(std::min<size_t>(size_t(std::max<i16>(0, *length)), d.size()));
  if (n > 0) std::memcpy(data, d.data(), size_t(n));
  *length = n;
}

void LSetSelect(bool setIt, Cell cell, ListHandle list) {
  if (!validrow(list, cell)) return;
  auto& row = list->rows[size_t(cell.v)];
  if (row.selected == setIt) return;
  row.selected = setIt;
  const Rect vis = LGetVisible(list);
  if (list->drawing && list->ldef != nullptr && cell.v >= vis.top && cell.v < vis.bottom) {
    const Rect cr = cellrect(list, cell.v, vis.top);
    list->ldef(lHiliteMsg, setIt, &cr, cell, row.data.data(), i16(row.data.size()), list);
  }
}

bool LGetSelect(bool next, Cell* cell, ListHandle list) {
  if (list == nullptr || cell == nullptr) return false;
  if (!next) return validrow(list, *cell) && list->rows[size_t(cell->v)].selected;
  for (i16 r = std::max<i16>(0, cell->v); r < rowcount(list); ++r) {
    if (list->rows[size_t(r)].selected) {
      *cell = Cell{0, r};
      return true;
    }
  }
  return false;
}

void LScroll(i16 /*dCols*/, i16 dRows, ListHandle list) {
  if (list == nullptr || dRows == 0) return;
  const i16 before = toprow(list);
  settop(list, i16(std::clamp<i32>(i32(before) + dRows, 0, 32767)));
  if (toprow(list) != before) drawcells(list);
}

void LAutoScroll(ListHandle list) {
  if (list == nullptr) return;
  Cell c{0, 0};
  if (!LGetSelect(true, &c, list)) return;
  const Rect vis = LGetVisible(list);
  if (c.v < vis.top) {
    LScroll(0, i16(c.v - vis.top), list);
  } else if (c.v >= vis.top + pagerows(list)) {
    LScroll(0, i16(c.v - (vis.top + pagerows(list)) + 1), list);
  }
}

void LSetDrawingMode(bool drawIt, ListHandle list) {
  if (list != nullptr) list->drawing = drawIt;
}

void LUpdate(ListHandle list) {
  if (list != nullptr) drawcells(list);
}

void LActivate(bool active, ListHandle list) {
  if (list == nullptr || list->active == active) return;
  list->active = active;
  if (list->vbar != nilid) HiliteControl(list->vbar, active ? 0 : 255);
}

bool LSearch(const void* data, i16 length, ListSearchProcPtr match, Cell* cell, ListHandle list) {
  if (list == nullptr || cell == nullptr) return false;
  const auto* p = static_cast<const u8*>(data);
  length = p == nullptr ? 0 : std::max<i16>(0, length);
  for (i16 r = std::max<i16>(0, cell->v); r < rowcount(list); ++r) {
    const auto& d = list->rows[size_t(r)].data;
    const bool hit = match != nullptr
                         ? match(d.data(), p, i16(d.size()), length) == 0
                         : d.size() == size_t(length) && (length == 0 || std::memcmp(d.data(), p, size_t(length)) == 0);
    if (hit) {
      *cell = Cell{0, r};
      return true;
    }
  }
  return false;
}

Rect LGetDataBounds(ListHandle list) {
  if (list == nullptr) return Rect{};
  return Rect{0, 0, rowcount(list), 1};
}

Rect LGetVisible(ListHandle list) {
  if (list == nullptr) return Rect{};
  const i16 top = toprow(list);
  return Rect{top, 0, i16(std::min<i32>(rowcount(list), top + pagerows(list))), 1};
}

Rect LGetView(ListHandle list) { return list != nullptr ? list->view : Rect{}; }
ControlRef LGetVerticalScrollBar(ListHandle list) { return list != nullptr ? list->vbar : nilid; }
bool LGetActive(ListHandle list) { return list != nullptr && list->active; }
WindowRef LGetWindow(ListHandle list) { return list != nullptr ? list->window : nilid; }

}  // namespace kv

namespace kv {

namespace {

// The list whose scroll bar is being tracked by LClick.
struct ListTracking {
  ListRec* list = nullptr;
};

void scrollaction(ControlRef bar, i16 part) {
  ListRec* l = state<ListTracking>().list;
  if (l == nullptr || l->vbar != bar) return;
  const i16 page = i16(std::max(1, pagerows(l) - 1));
  switch (part) {
    case kControlUpButtonPart: LScroll(0, -1, l); break;
    case kControlDownButtonPart: LScroll(0, 1, l); break;
    case kControlPageUpPart: LScroll(0, i16(-page), l); break;
    case kControlPageDownPart: LScroll(0, page, l); break;
    case kControlIndicatorPart:
      l->top = i16(GetControlValue(bar));
      drawcells(l);
      break;
    default: break;
  }
}

// The row under a point of the view (it may lie past the last row), or v = -1 outside the view.
Cell cellat(const ListRec* l, Point pt) {
  if (!PtInRect(pt, &l->view)) return Cell{-1, -1};
  return Cell{0, i16(toprow(l) + (pt.v - l->view.top) / std::max<i16>(1, l->cellHeight))};
}

void selectonly(ListRec* l, i16 row) {
  for (i16 r = 0; r < rowcount(l); ++r) LSetSelect(r == row, Cell{0, r}, l);
}

// One step of a click on row `row`: a plain click selects it alone; command toggles it; shift
// extends the selection from the anchor to it (both only when the flags allow more than one).
void clickrow(ListRec* l, i16 row, u16 modifiers, i16 anchor, bool toggleto) {
  const bool several = !(l->selFlags & lOnlyOne);
  if (several && (modifiers & cmdKey) && !(l->selFlags & lNoDisjoint)) {
    LSetSelect(toggleto, Cell{0, row}, l);
  } else if (several && (modifiers & shiftKey) && !(l->selFlags & lNoExtend) && anchor >= 0) {
    const i16 lo = std::min(anchor, row), hi = std::max(anchor, row);
    for (i16 r = 0; r < rowcount(l); ++r) LSetSelect(r >= lo && r <= hi, Cell{0, r}, l);
  } else {
    selectonly(l, row);
  }
}

}  // namespace

void LSetSelFlags(u8 flags, ListHandle list) {
  if (list != nullptr) list->selFlags = flags;
}
u8 LGetSelFlags(ListHandle list) { return list != nullptr ? list->selFlags : 0; }

void LSetCellSize(Point size, ListHandle list) {
  if (list == nullptr) return;
  list->cellHeight = std::max<i16>(1, size.v);
  list->cellWidth = std::max<i16>(0, size.h);
  settop(list, toprow(list));
  if (list->vbar != nilid) SetControlViewSize(list->vbar, pagerows(list));
}
Point LGetCellSize(ListHandle list) {
  if (list == nullptr) return Point{};
  return Point{list->cellHeight, list->cellWidth > 0 ? list->cellWidth : i16(list->view.right - list->view.left)};
}

void LSetViewRect(const Rect* view, ListHandle list) {
  if (list == nullptr || view == nullptr) return;
  list->view = *view;
  if (list->vbar != nilid) {
    const Rect bar{i16(view->top - 1), view->right, i16(view->bottom + 1), i16(view->right + 15)};
    SetControlBounds(list->vbar, &bar);
    SetControlViewSize(list->vbar, pagerows(list));
  }
  settop(list, toprow(list));
}

void LSetIndent(Point indent, ListHandle list) {
  if (list != nullptr) list->indent = indent;
}
Point LGetIndent(ListHandle list) { return list != nullptr ? list->indent : Point{}; }

bool LClick(Point pt, u16 modifiers, bool track, ListHandle list) {
  if (list == nullptr) return false;
  if (list->vbar != nilid && IsControlVisible(list->vbar)) {
    Rect bar{};
    GetControlBounds(list->vbar, &bar);
    if (PtInRect(pt, &bar)) {
      ListRec*& tracking = state<ListTracking>().list;
      tracking = list;
      TrackControl(list->vbar, pt, scrollaction);
      tracking = nullptr;
      return false;
    }
  }
  const Cell hit = cellat(list, pt);
  const u32 now = TickCount();
  const bool inside = hit.v >= 0 && hit.v < rowcount(list);
  const bool twice = inside && hit.v == list->lastClick.v && hit.h == list->lastClick.h &&
                     now - list->clickTime <= GetDblTime();
  list->lastClick = hit;
  list->clickTime = now;
  if (!inside) return false;
  Cell first{0, 0};
  const i16 anchor = LGetSelect(true, &first, list) ? first.v : i16(-1);
  const bool toggleto = !list->rows[size_t(hit.v)].selected;
  clickrow(list, hit.v, modifiers, anchor, toggleto);
  if (!track) return twice;
  // The selection follows the pointer over the rows while the button is held.
  i16 last = hit.v;
  LoopScope loop("LClick");
  while (WaitMouseUp()) {
    Point p{};
    GetMouse(&p);
    const Cell c = cellat(list, p);
    if (c.v < 0 || c.v >= rowcount(list) || c.v == last) continue;
    last = c.v;
    if (!(modifiers & cmdKey)) clickrow(list, c.v, modifiers, anchor >= 0 ? anchor : hit.v, toggleto);
    list->lastClick = c;
  }
  return twice && last == hit.v;
}

Cell LLastClick(ListHandle list) { return list != nullptr ? list->lastClick : Cell{-1, -1}; }
void LSetClickTime(u32 ticks, ListHandle list) {
  if (list != nullptr) list->clickTime = ticks;
}
u32 LGetClickTime(ListHandle list) { return list != nullptr ? list->clickTime : 0; }

RegistryId LGetRef(ListHandle list) { return list != nullptr ? list->ref : nilid; }
ListHandle LFromRef(RegistryId ref) { return hasstate<ListsState>() ? state<ListsState>().lists.get(ref) : nullptr; }
std::size_t LCountLists() { return hasstate<ListsState>() ? state<ListsState>().lists.count() : 0; }

}  // namespace kv
