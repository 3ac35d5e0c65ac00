#include "shell/listnavigation.h"

#include <algorithm>
#include <cstring>

#include "fields/listtypeahead.h"
#include "platform/events/events.h"
#include "platform/process/process.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

// The typed characters, kept for the whole run, and the list they were typed into.
struct ListSearchState {
  typeahead typed;
  ListHandle owner = nullptr;
};

enum : u8 { charHome = 1, charEnd = 4, charPageUp = 11, charPageDown = 12, charUpArrow = 30, charDownArrow = 31 };

// Selects `row` alone in place of the first selected cell.
void moveselection(ListHandle list, bool hadone, Cell from, i16 row) {
  if (hadone) LSetSelect(false, from, list);
  LSetSelect(true, Cell{0, row}, list);
}

}  // namespace

i16 wheelist(i32 delta, ListHandle list) {
  const ControlRef bar = LGetVerticalScrollBar(list);
  if (bar == nilid) return 0;
  const i32 max = GetControlMaximum(bar), value = GetControlValue(bar);
  const i32 bounded = delta > 0 ? std::min(delta, max - value) : std::max(delta, -value);
  if (bounded == 0) return 0;
  LScroll(0, i16(bounded), list);
  return 1;
}

i16 navigatelist(EventRecord* event, ListHandle list) {
  if (event == nullptr || list == nullptr) return 0;
  const u8 key = u8(event->message & charCodeMask);
  const bool command = (event->modifiers & cmdKey) != 0;
  const Rect visible = LGetVisible(list);
  const i16 first = visible.top, last = visible.bottom, page = i16(last - first);
  const i16 rows = LGetDataBounds(list).bottom;
  Cell selected{0, 0};
  const bool hasone = LGetSelect(true, &selected, list);
  switch (key) {
    case charHome:
      if (first > 0) LScroll(0, -30000, list);
      break;
    case charEnd:
      if (page < rows) LScroll(0, 30000, list);
      break;
    case charPageUp:
      if (first > 0) LScroll(0, i16(1 - page), list);
      break;
    case charPageDown:
      if (rows > last) LScroll(0, i16(page - 1), list);
      break;
    case charUpArrow:
      if (rows == 0) break;
      if (command) {
        moveselection(list, hasone, selected, 0);
      } else if (!hasone) {
        LSetSelect(true, Cell{0, i16(rows - 1)}, list);
      } else if (selected.v > 0) {
        moveselection(list, true, selected, i16(selected.v - 1));
      }
      LAutoScroll(list);
      break;
    case charDownArrow:
      if (rows == 0) break;
      if (command) {
        moveselection(list, hasone, selected, i16(rows - 1));
      } else if (!hasone) {
        LSetSelect(true, Cell{0, 0}, list);
      } else if (selected.v < rows - 1) {
        moveselection(list, true, selected, i16(selected.v + 1));
      }
      LAutoScroll(list);
      break;
    default: return 0;
  }
  event->what = nullEvent;
  return 1;
}

i16 searchlist(EventRecord* event, ListHandle list) {
  if (event == nullptr || list == nullptr) return 0;
  const u8 key = u8(event->message & charCodeMask);
  if (!typeaheadkey(key)) return 0;
  ListSearchState& s = state<ListSearchState>();
  if (s.owner != list) {
    s.owner = list;
    s.typed.length = 0;
  }
  const u32 now = TickCount();
  if (!typeaheadadd(s.typed, 0, key, now)) {
    SysBeep(1);
    return 0;
  }
  LSetDrawingMode(false, list);
  const i16 rows = LGetDataBounds(list).bottom;
  for (i16 r = 0; r < rows; ++r) LSetSelect(false, Cell{0, r}, list);
  LSetDrawingMode(true, list);
  Cell found{0, 0};
  if (LSearch(s.typed.text, i16(s.typed.length), PlistRTasklistmatchproc, &found, list)) {
    LSetSelect(true, found, list);
    LAutoScroll(list);
    LUpdate(list);
  }
  return 1;
}

i16 PlistRTasklistmatchproc(const u8* cell, const u8* typed, i16 celllength, i16 typedlength) {
  if (cell == nullptr || celllength <= 0 || typedlength > celllength) return 1;
  if (typedlength <= 0) return 0;
  return std::memcmp(cell, typed, size_t(typedlength)) == 0 ? 0 : 1;
}

}  // namespace kv
