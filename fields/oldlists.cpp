// The older list interface: rows with ids, one selected at a time.
#include "fields/oldlists.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "fields/listfields.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/text/intlcompare.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr u8 kOldSelFlags = 130;  // one row at most, no empty-cell hilite

i16 rows(const oldlist& l) { return l.list != nullptr ? LGetDataBounds(l.list).bottom : 0; }

u32 idat(const oldlist& l, i16 row) { return loadat<u32>(deref(l.ids) + i64(row) * 4); }

i16 rowofid(const oldlist& l, u32 id) {
  for (i16 r = 0; r < rows(l); ++r)
    if (idat(l, r) == id) return r;
  return -1;
}

void settext(const oldlist& l, i16 row, ConstStringPtr text) { LSetCell(text + 1, text[0], Cell{0, row}, l.list); }

std::string_view textof(const std::vector<u8>& bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

bool initlist(const Rect& r, oldlist* out) {
  *out = oldlist{};
  GrafPtr port = nilid;
  GetPort(&port);
  FontInfo info{};
  GetFontInfo(&info);
  const i16 cell = i16(std::max(1, info.ascent + info.descent + info.leading + 2));
  Rect view = r;
  view.right = i16(view.right - 15);
  view.bottom = i16(view.top + (view.bottom - view.top) / cell * cell);
  const Handle ids = NewHandle(0);
  if (ids == nilhandle) return false;
  ListHandle l = LNew(&view, 0, cell, GetWindowFromPort(port), false, true, MyListDefinition);
  if (l == nullptr) {
    DisposeHandle(ids);
    return false;
  }
  LSetSelFlags(kOldSelFlags, l);
  LSetIndent(Point{i16(info.ascent + 1), 4}, l);
  out->list = l;
  out->ids = ids;
  return true;
}

void dumplist(oldlist* l) {
  if (l->list != nullptr) LDispose(l->list);
  if (l->ids != nilhandle) DisposeHandle(l->ids);
  *l = oldlist{};
}

void purgelist(oldlist* l) {
  if (l->list == nullptr) return;
  LDelRow(0, 0, l->list);
  SetHandleSize(l->ids, 0);
}

void invalist(const oldlist& l) {
  if (l.list == nullptr) return;
  Rect r = LGetView(l.list);
  InsetRect(&r, -1, -1);
  r.right = i16(r.right + 15);
  InvalWindowRect(LGetWindow(l.list), &r);
}

OSErr addlist(oldlist* l, ConstStringPtr text, u32 id) {
  if (l->list == nullptr) return paramErr;
  const u32 bytes = id;
  if (OSErr err = PtrAndHand(&bytes, l->ids, 4); err != noErr) return err;
  const i16 row = LAddRow(1, rows(*l), l->list);
  settext(*l, row, text);
  return noErr;
}

i16 compare(ConstStringPtr a, ConstStringPtr b) {
  const int c = intlcompare(std::string_view(reinterpret_cast<const char*>(a + 1), a[0]),
                            std::string_view(reinterpret_cast<const char*>(b + 1), b[0]));
  return i16(c < 0 ? -1 : c > 0 ? 1 : 0);
}

void orderlist(oldlist* l) {
  struct entry {
    std::vector<u8> text;
    u32 id;
  };
  std::vector<entry> all;
  for (i16 r = 0; r < rows(*l); ++r) {
    u8 buffer[255];
    i16 n = 255;
    LGetCell(buffer, &n, Cell{0, r}, l->list);
    all.push_back(entry{std::vector<u8>(buffer, buffer + n), idat(*l, r)});
  }
  std::stable_sort(all.begin(), all.end(),
                   [](const entry& a, const entry& b) { return intlcompare(textof(a.text), textof(b.text)) < 0; });
  for (i16 r = 0; r < i16(all.size()); ++r) {
    LSetCell(all[size_t(r)].text.data(), i16(all[size_t(r)].text.size()), Cell{0, r}, l->list);
    storeat<u32>(deref(l->ids) + i64(r) * 4, all[size_t(r)].id);
  }
}

i16 hitlist(oldlist* l, Point pt, u16 modifiers) {
  if (l->list == nullptr) return 3;
  const i16 before = getselidx(*l);
  const bool twice = LClick(pt, modifiers, true, l->list);
  const i16 after = getselidx(*l);
  if (after < 0) return 3;
  if (twice) return 4;
  return after != before ? 2 : 1;
}

void drawlist(const oldlist& l) {
  if (l.list == nullptr) return;
  LSetDrawingMode(true, l.list);
  const Rect view = LGetView(l.list);
  EraseRect(&view);
  LUpdate(l.list);
  const WindowRef w = LGetWindow(l.list);
  Rect frame = view;
  frame.right = i16(frame.right + 15);
  DrawThemeListBoxFrame(&frame, w != nilid && IsWindowHilited(w) ? kThemeStateActive : kThemeStateInactive);
}

bool selectmem(oldlist* l, u32 id) {
  const i16 row = rowofid(*l, id);
  if (row < 0) return false;
  for (i16 r = 0; r < rows(*l); ++r) LSetSelect(r == row, Cell{0, r}, l->list);
  LAutoScroll(l->list);
  return true;
}

void setlistidtext(oldlist* l, u32 id, ConstStringPtr text) {
  if (const i16 row = rowofid(*l, id); row >= 0) settext(*l, row, text);
}

i16 getselidx(const oldlist& l) {
  Cell c{0, 0};
  return l.list != nullptr && LGetSelect(true, &c, l.list) ? c.v : i16(-1);
}

u32 getselid(const oldlist& l) {
  const i16 row = getselidx(l);
  return row >= 0 ? idat(l, row) : 0;
}

void getseltext(const oldlist& l, StringPtr text) {
  text[0] = 0;
  const i16 row = getselidx(l);
  if (row < 0) return;
  i16 n = 255;
  LGetCell(text + 1, &n, Cell{0, row}, l.list);
  text[0] = u8(n);
}

void setseltext(oldlist* l, ConstStringPtr text) {
  if (const i16 row = getselidx(*l); row >= 0) settext(*l, row, text);
}

}  // namespace kv
