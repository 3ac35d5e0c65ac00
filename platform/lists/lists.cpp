// One-column lists: rows of bytes with a selection flag each, scrolled by a vertical scroll
// bar whose value is the first visible row.
#include "platform/lists/lists.h"

#include <algorithm>
#include <cstring>

#include "platform/events/events.h"
#include "platform/qd/shapes.h"

namespace kv {

struct ListRec {
  Rect view{};
  i16 cellHeight = 16;
  WindowRef window = nilid;
  ControlRef vbar = nilid;
  ListDefProcPtr ldef = nullptr;
  bool drawing = true;
  bool active = true;
  i16 top = 0;  // the first visible row while there is no scroll bar
  u8 selflags = 0;
  i16 anchor = -1;      // the row of the last press
  u32 lastclick = 0;    // its tick
  struct Row {
    std::vector<u8> data;
    bool selected = false;
  };
  std::vector<Row> rows;
};

namespace {

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

void drawcells(ListRec* l) {
  if (!l->drawing || l->ldef == nullptr) return;
  const Rect vis = LGetVisible(l);
  for (i16 r = vis.top; r < vis.bottom; ++r) {
    const i16 y = i16(l->view.top + (r - vis.top) * l->cellHeight);
    const Rect cr{y, l->view.left, i16(std::min<i32>(y + l->cellHeight, l->view.bottom)), l->view.right};
    const auto& row = l->rows[size_t(r)];
    l->ldef(lDrawMsg, row.selected, &cr, Cell{0, r}, row.data.data(), i16(row.data.size()), l);
  }
}

}  // namespace

ListHandle LNew(const Rect* view, i16 rows, i16 cellHeight, WindowRef window, bool drawIt, bool hasVScroll,
                ListDefProcPtr ldef) {
  if (view == nullptr) return nullptr;
  auto* l = new ListRec;
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
  delete list;
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
    const i16 y = i16(list->view.top + (cell.v - vis.top) * list->cellHeight);
    const Rect cr{y, list->view.left, i16(std::min<i32>(y + list->cellHeight, list->view.bottom)), list->view.right};
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

void LSetSelFlags(u8 flags, ListHandle list) {
  if (list != nullptr) list->selflags = flags;
}

u8 LGetSelFlags(ListHandle list) { return list != nullptr ? list->selflags : 0; }

bool LClick(Point where, u16 modifiers, u32 when, ListHandle list) {
  if (list == nullptr || !PtInRect(where, &list->view)) return false;
  const i32 row = toprow(list) + (where.v - list->view.top) / list->cellHeight;
  if (row >= rowcount(list)) return false;
  const bool twice = row == list->anchor && when - list->lastclick <= GetDblTime();
  const u8 f = list->selflags;
  const bool command = (modifiers & cmdKey) != 0 && (f & (lOnlyOne | lNoDisjoint)) == 0;
  const bool shift = (modifiers & shiftKey) != 0 && (f & (lOnlyOne | lNoExtend)) == 0 && list->anchor >= 0 &&
                     list->anchor < rowcount(list);
  if (command) {
    LSetSelect(!list->rows[size_t(row)].selected, Cell{0, i16(row)}, list);
  } else {
    const i32 from = shift ? std::min<i32>(list->anchor, row) : row, to = shift ? std::max<i32>(list->anchor, row) : row;
    for (i16 r = 0; r < rowcount(list); ++r) LSetSelect(r >= from && r <= to, Cell{0, r}, list);
  }
  if (!shift) list->anchor = i16(row);
  list->lastclick = when;
  return twice;
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
