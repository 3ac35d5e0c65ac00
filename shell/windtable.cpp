#include "shell/windtable.h"

#include <algorithm>

#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "system/windowkind.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37;

// The number of entries a scan may read: the count, read as signed, and never more than the
// handle holds.
i32 entries() {
  const MainGlobals& g = mainglobals();
  if (g.numwinds <= 0 || g.winds == nilhandle) return 0;
  return i32(std::min<Size>(g.numwinds, HandleCount<desk>(g.winds)));
}

desk* table() { return HandleAs<desk>(mainglobals().winds); }

// The index of the first entry whose key matches, or -1.
template <class Match>
i32 find(Match&& match) {
  i32 n = entries();
  desk* t = table();
  for (i32 i = 0; i < n; ++i)
    if (match(t[i])) return i;
  return -1;
}

i32 findwindow(WindowRef window) {
  return find([window](const desk& d) { return d.window == window; });
}

}  // namespace

i16 getwind(WindowRef window, desk* out) {
  if (window == nilid) return 0;
  i32 i = findwindow(window);
  if (i < 0) return 0;
  *out = table()[i];
  return 1;
}

i16 getflip(u64 serial, desk* out) {
  i32 i = find([serial](const desk& d) { return d.serial == serial; });
  if (i < 0) return 0;
  *out = table()[i];
  return 1;
}

i16 putwind(WindowRef window, const desk& d) {
  i32 i = findwindow(window);
  if (i < 0) return 0;
  table()[i] = d;
  return 1;
}

i16 putwindowref(WindowRef oldwindow, WindowRef newwindow) {
  i32 i = findwindow(oldwindow);
  if (i < 0) return 0;
  table()[i].window = newwindow;
  return 1;
}

i16 dumpwind(WindowRef window) {
  i32 i = findwindow(window);
  if (i < 0) return 0;
  // The window's movies are disposed here once movies exist.
  MainGlobals& g = mainglobals();
  i32 n = entries();
  desk* t = table();
  for (i32 j = i; j + 1 < n; ++j) t[j] = t[j + 1];
  g.numwinds = i16(n - 1);
  SetHandleSize(g.winds, Size(g.numwinds) * Size(sizeof(desk)));  // shrinking never fails
  return 1;
}

i16 addwind(const desk& d) {
  MainGlobals& g = mainglobals();
  if (g.winds == nilhandle || g.numwinds < 0 || g.numwinds == INT16_MAX) return kNoMemory;
  i16 count = i16(g.numwinds + 1);
  i8 state = HGetState(g.winds);
  SetHandleSize(g.winds, Size(count) * Size(sizeof(desk)));
  OSErr e = MemError();
  HSetState(g.winds, state);
  if (e != noErr) return kNoMemory;
  table()[count - 1] = d;
  g.numwinds = count;
  return 0;
}

i16 topwindow(WindowRef* out) {
  *out = nilid;
  struct Pass {
    u16 query;
    bool visibleonly;
  };
  constexpr Pass passes[] = {{kindqueryproject, true},
                             {kindquerypalette, true},
                             {kindqueryproject, false},
                             {kindquerypalette, false}};
  for (const Pass& p : passes) {
    for (WindowRef w = GetWindowList(); w != nilid; w = GetNextWindow(w)) {
      if (windowkind(w, p.query) && (!p.visibleonly || IsWindowVisible(w))) {
        *out = w;
        return 1;
      }
    }
  }
  return 0;
}

void locatewindows(WindowRef* firstdoc, WindowRef* lastdoc, WindowRef* firstfloat, WindowRef* lastfloat) {
  *firstdoc = *lastdoc = *firstfloat = *lastfloat = nilid;
  for (WindowRef w = GetWindowList(); w != nilid; w = GetNextWindow(w)) {
    if (!windowkind(w, kindqueryruntime)) continue;
    if (windowkind(w, kindqueryordinary)) {
      if (*firstdoc == nilid) *firstdoc = w;
      *lastdoc = w;
    }
    if (windowkind(w, kindqueryfloating)) {
      if (*firstfloat == nilid) *firstfloat = w;
      *lastfloat = w;
    }
  }
}

void sendbehind(WindowRef window, WindowRef behind) {
  if (!IsValidWindowPtr(window)) return;
  if (behind != nilid && GetNextWindow(behind) == window) return;
  // What of the frame is hidden now: the structure less the port's visible part.
  RgnHandle visible = NewRgn();
  RgnHandle hidden = NewRgn();
  CGrafPtr port = GetWindowPort(window);
  if (port != nilid && IsValidPort(port)) {
    GetPortVisibleRegion(port, visible);
    Rect content{};
    GetWindowBounds(window, kWindowContentRgn, &content);
    OffsetRgn(visible, content.left, content.top);
  }
  GetWindowRegion(window, kWindowStructureRgn, hidden);
  DiffRgn(hidden, visible, hidden);
  SendBehind(window, behind);
  CalcVisBehind(window, hidden);
  PaintOne(window, hidden);
  DisposeRgn(visible);
  DisposeRgn(hidden);
}

void renumberwindows(RegistryId store, u32 removed) {
  MainGlobals& g = mainglobals();
  const i32 n = entries();
  desk* t = table();
  for (i32 i = 0; i < n; ++i)
    if (t[i].store == store && t[i].windnum > removed) t[i].windnum -= 1;
  if (g.current.window != nilid) getwind(g.current.window, &g.current);
}

void redrawbehind() {
  // Drawing leaves the table alone, so its entries are read in place.
  i32 n = entries();
  for (i32 i = 0; i < n; ++i) {
    desk d = table()[i];
    if (!IsValidWindowPtr(d.window)) continue;
    BeginUpdate(d.window);
    Rect bounds{};
    GetWindowPortBounds(d.window, &bounds);
    drawedit(d, &bounds);
    EndUpdate(d.window);
  }
  // The movie controllers are redrawn and the resident externals told (event 2008) here once
  // movies and externals exist.
}

void GetRidOfThatSheetNow(desk* d) {
  if (d == nullptr || !(d->sheetflags & kSheetAttached)) return;
  d->sheetflags = u16(d->sheetflags & ~kSheetAttached);
  // The sheet's dialog is named by a property of its parent window.
  WindowRef sheet = nilid;
  u32 size = 0;
  if (d->window == nilid || !IsValidWindowPtr(d->window) ||
      GetWindowProperty(d->window, kSheetCreator, kSheetTag, sizeof sheet, &size, &sheet) != noErr)
    return;
  RemoveWindowProperty(d->window, kSheetCreator, kSheetTag);
  if (size == sizeof sheet && isdialog(sheet)) {
    HideSheetWindow(sheet);
    DisposeDialog(sheet);
  }
}

BorrowDesk::BorrowDesk(const desk& d) : saved_(mainglobals().current) { mainglobals().current = d; }

BorrowDesk::~BorrowDesk() {
  desk back = saved_;
  if (saved_.window != nilid) getwind(saved_.window, &back);
  mainglobals().current = back;
}

}  // namespace kv
