// List fields: a field of style 302 or 303 shows its text as a list of selectable rows, one
// row per line. The list lives in the field's runtime slot (a list registry id) while the card
// is shown; it is made from the stored text, sized from the text's font, drawn by our list
// definition and clicked here.
#include "fields/listfields.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/objectutil.h"
#include "fields/fieldclick.h"
#include "fields/fieldview.h"
#include "fields/keepclip.h"
#include "fields/listselect.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/lists/lists.h"
#include "platform/process/process.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/spotstyles.h"
#include "render/themebuttons.h"
#include "core/debugmsg.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "system/externalevents.h"

namespace kv {

namespace {

constexpr u16 kSelRedraw = 0x100;
constexpr u8 kEllipsis = 201, kReturn = 13;
constexpr i16 kListBrush = 15, kDimPen = 22, kHiliteActive = -5, kHiliteInactive = -4;
constexpr i16 kScrollBarWidth = 15;
constexpr Rect kListParked{-30000, -30000, -30000, -30000};
constexpr RGBColor kBlack{0, 0, 0}, kWhite{0xFFFF, 0xFFFF, 0xFFFF};

struct listfont {
  i16 font = 0;
  i16 size = 0;
  u8 face = 0;
  bool operator==(const listfont&) const = default;
};

// The cell-size cache: the last font measured and its cell height.
struct ListFieldState {
  bool measured = false;
  listfont lastfont{};
  i16 lastheight = 0;
  u64 measurements = 0;
};

ListFieldState& lf() { return state<ListFieldState>(); }

// The text settings of the current port, restored on the way out.
struct KeepText {
  CGrafPtr port = currentportid();
  i16 font = GetPortTextFont(port);
  Style face = GetPortTextFace(port);
  i16 size = GetPortTextSize(port);
  i16 mode = GetPortTextMode(port);
  ~KeepText() {
    if (!IsValidPort(port) || port != currentportid()) return;
    TextFont(font);
    TextFace(face);
    TextSize(size);
    TextMode(mode);
  }
};

listfont fontof(const spot& s) {
  if (s.data == nilhandle) {
    const fieldtail t = defaultfieldtail();
    return listfont{i16(t.font), i16(t.size), u8(t.face)};
  }
  const fieldtextlayout at = measurefieldtext(s.data);
  if (!at.whole || at.textlength == 0) {
    const fieldtail t = defaultfieldtail();
    return listfont{i16(t.font), i16(t.size), u8(t.face)};
  }
  if (at.runs > 0) {
    const stylerun r = fieldtextrun(deref(s.data), 0);
    return listfont{r.font, r.size, r.face};
  }
  const fieldtail t = fieldtextail(deref(s.data), GetHandleSize(s.data));
  return listfont{i16(t.font), i16(t.size), u8(t.face)};
}

void setfont(const listfont& f) {
  TextFont(f.font);
  TextSize(f.size);
  TextFace(Style(f.face));
}

i16 cellheightof(const listfont& f) {
  KeepText keep;
  setfont(f);
  FontInfo info{};
  GetFontInfo(&info);
  ++lf().measurements;
  return i16(std::max(1, info.ascent + info.descent + info.leading));
}

u8 selflags(const spot& s) { return u8(getfieldkindtail(s).liststyle & 0xFF); }

i32 listscroll(const spot& s) { return std::clamp<i32>(getfieldscroll(s), 0, 32000); }

bool sameview(const Rect& a, const Rect& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

i16 rowsof(ListHandle l) { return LGetDataBounds(l).bottom; }

// Rows shown whole in the view.
i16 pagerows(ListHandle l) {
  const Rect v = LGetView(l);
  return i16(std::max(1, (v.bottom - v.top) / std::max<i16>(1, LGetCellSize(l).v)));
}

// A scrolled list that shows empty rows below its last row scrolls back to fill its view; the
// field's scroll becomes its first visible row.
void scrollback(spot& s, ListHandle l) {
  if (listscroll(s) == 0) return;
  const Rect vis = LGetVisible(l);
  if (rowsof(l) - vis.top < pagerows(l)) LScroll(0, i16(std::max(0, rowsof(l) - pagerows(l)) - vis.top), l);
  setfieldscroll(s, LGetVisible(l).top);
}

// Fills the rows from the stored text: one row per line, a last line without a return too.
void fillrows(spot& s, ListHandle l) {
  const fieldtextlayout at = s.data != nilhandle ? measurefieldtext(s.data) : fieldtextlayout{};
  if (at.textlength == 0) {
    LDelRow(0, 0, l);
    setfieldscroll(s, 0);
    return;
  }
  if (nomemory(Size(at.textlength) + Size(at.textlength) / 2)) return;
  std::vector<u8> text(size_t(at.textlength));
  std::memcpy(text.data(), deref(s.data) + at.textoffset, text.size());
  std::vector<std::pair<i32, i32>> lines;  // start, length
  i32 start = 0;
  for (i32 i = 0; i < i32(text.size()); ++i) {
    if (text[size_t(i)] != kReturn) continue;
    lines.emplace_back(start, i - start);
    start = i + 1;
  }
  if (start < i32(text.size())) lines.emplace_back(start, i32(text.size()) - start);
  const i16 rows = i16(std::min<size_t>(lines.size(), 32767));
  const i16 have = rowsof(l);
  if (have < rows) LAddRow(i16(rows - have), have, l);
  if (have > rows) LDelRow(i16(have - rows), rows, l);
  for (i16 r = 0; r < rows; ++r) {
    const auto [from, n] = lines[size_t(r)];
    LSetCell(text.data() + from, i16(std::min(n, 32767)), Cell{0, r}, l);
  }
}

bool windowinactive(WindowRef w) {
  if (!processisfront()) return true;
  const i16 kind = GetWindowKind(w);
  return (kind == 120 || kind == 106) && w != FrontNonFloatingWindow();
}

// Disposes of a list field's list (drawing off, its click registration ended) and clears the
// slot.
void disposelist(spot& s) {
  const RegistryId ref = livefield(s);
  if (ListHandle l = LFromRef(ref)) {
    LSetDrawingMode(false, l);
    PUnRegisterEvent(kXrtnListClick, ref);
    LDispose(l);
  }
  setlivefield(s, 0);
}

// The field's list scroll bar drawn at the field's scroll bar rectangle with the range of its
// rows, then parked and hidden.
// The scroll settings of a list's bar: from the first row shown, over the rows that do not fit.
void setlistbar(ControlRef bar, ListHandle l) {
  const i32 cellh = std::max<i16>(1, LGetCellSize(l).v);
  const Rect view = LGetView(l);
  const i32 over = std::max(0, rowsof(l) * cellh - (view.bottom - view.top));
  const i32 maximum = (over + cellh - 1) / cellh;
  SetControl32BitMinimum(bar, 0);
  SetControl32BitMaximum(bar, maximum);
  SetControl32BitValue(bar, LGetVisible(l).top);
  SetControlViewSize(bar, rowsof(l) - maximum + 1);
}

void drawlistbar(const spot& s, ListHandle l) {
  const ControlRef bar = LGetVerticalScrollBar(l);
  if (bar == nilid) return;
  Rect r{};
  controlrect(s, &r);
  setlistbar(bar, l);
  {
    KeepClip clip;
    clip.within(r);
    SetControlBounds(bar, &r);
    SetControlVisibility(bar, true, false);
    DrawControlInCurrentPort(bar);
  }
  SetControlBounds(bar, &kListParked);
  SetControlVisibility(bar, false, false);
}

void restorebackground(i16 depth) { SetThemeBackground(getheme(&mainglobals().current), depth, depth > 1); }

}  // namespace

void drawlistbarimage(const spot& s, bool active) {
  const WindowRef window = mainglobals().current.window;
  const ListHandle l = fieldlisthandle(s);
  if (s.style != stylefieldscrolllist || window == nilid || l == nullptr) return;
  Rect r{};
  controlrect(s, &r);
  ControlRef bar = nilid;
  if (CreateScrollBarControl(window, &kListParked, 0, 0, 0, 0, false, nullptr, &bar) != noErr || bar == nilid) return;
  setlistbar(bar, l);
  HiliteControl(bar, active ? i16(kControlNoPart) : i16(kControlInactivePart));
  {
    KeepClip clip;
    clip.within(r);
    SetControlBounds(bar, &r);
    DrawControlInCurrentPort(bar);
  }
  DisposeControl(bar);
}

ListHandle fieldlisthandle(const spot& s) { return isfield(s) ? LFromRef(livefield(s)) : nullptr; }

Rect listviewrect(const spot& s) {
  Rect r = s.rect;
  if (s.style == stylefieldscrolllist) r.right = i16(r.right - kScrollBarWidth);
  if (s.showpen) InsetRect(&r, i16(s.penwidth), i16(s.penheight));
  if (r.right == r.left) r.right = i16(r.left + 1);
  return r;
}

u64 listcellmeasurements() { return hasstate<ListFieldState>() ? lf().measurements : 0; }

void forcelistload(spot& s, i16 reuse) {
  const WindowRef window = mainglobals().current.window;
  if (window == nilid) {
    KVDebugMsg(
        reinterpret_cast<ConstStringPtr>("\x2b"
                                         "Error: opening list in non-existent window"));
    return;
  }
  SavePort saved;
  SetPortWindowPort(window);
  ListHandle l = fieldlisthandle(s);
  if (reuse == 0 || l == nullptr) {
    if (l != nullptr) disposelist(s);
    const Rect view = listviewrect(s);
    l = LNew(&view, 0, 1, window, false, s.style == stylefieldscrolllist, MyListDefinition);
    if (l == nullptr) {
      setlivefield(s, 0);
      return;
    }
    setlivefield(s, LGetRef(l));
    FontInfo info{};
    GetFontInfo(&info);
    LSetCellSize(Point{i16(std::max(1, info.ascent + info.descent + info.leading)), i16(view.right - view.left)}, l);
    if (const ControlRef bar = LGetVerticalScrollBar(l); bar != nilid) {
      SetControlBounds(bar, &kListParked);
      SetControlVisibility(bar, false, false);
    }
  }
  LSetDrawingMode(false, l);
  LSetSelFlags(selflags(s), l);
  setcellsize(s);
  fillrows(s, l);
  const i32 first = listscroll(s);
  if (first != LGetVisible(l).top) LScroll(0, i16(first - LGetVisible(l).top), l);
  if (s.style == stylefieldscrolllist) scrollback(s, l);
}

void setcellsize(spot& s) {
  const WindowRef window = mainglobals().current.window;
  ListHandle l = fieldlisthandle(s);
  if (window == nilid || l == nullptr) return;
  const listfont font = fontof(s);
  const Rect view = listviewrect(s);
  ListFieldState& st = lf();
  // Only the height is kept: two lists of one font may have different widths.
  if (!st.measured || !(st.lastfont == font)) {
    SavePort saved;
    SetPortWindowPort(window);
    PenNormal();
    RGBForeColor(&kBlack);
    RGBBackColor(&kWhite);
    st.lastheight = cellheightof(font);
    st.lastfont = font;
    st.measured = true;
  }
  LSetCellSize(Point{st.lastheight, i16(view.right - view.left)}, l);
  const Point asc = [&] {
    SavePort saved;
    SetPortWindowPort(window);
    KeepText keep;
    setfont(font);
    FontInfo info{};
    GetFontInfo(&info);
    return Point{i16(info.ascent + (st.lastheight - info.ascent - info.descent) / 2), 4};
  }();
  LSetIndent(asc, l);
  if (!sameview(LGetView(l), view)) {
    LSetViewRect(&view, l);
    if (s.style == stylefieldscrolllist) scrollback(s, l);
    if (const ControlRef bar = LGetVerticalScrollBar(l); bar != nilid) SetControl32BitValue(bar, LGetVisible(l).top);
  }
}

namespace {

void drawrows(spot& s, bool withbar) {
  MainGlobals& g = mainglobals();
  const WindowRef window = g.current.window;
  if (window == nilid || !isfield(s) || !islist(s)) return;
  if (fieldlisthandle(s) == nullptr) {
    forcelistload(s, 0);
    if (fieldlisthandle(s) == nullptr) return;
  }
  setcellsize(s);
  ListHandle l = fieldlisthandle(s);
  const CGrafPtr port = currentportid();
  const i16 depth = portdepth(port);
  KeepText keep;
  setfont(fontof(s));
  PenNormal();
  RGBForeColor(&kBlack);
  RGBBackColor(&kWhite);
  const Rect view = listviewrect(s);
  if (!sameview(LGetView(l), view)) LSetViewRect(&view, l);
  LSetDrawingMode(true, l);
  {
    SetThemeBackground(kListBrush, depth, depth > 1);
    BackPat(&qdwhite);
    if ((s.flags & spotautodim) && windowinactive(window)) SetThemePen(kDimPen, depth, depth > 1);
    EraseRect(&view);
    // The stored scroll (a script may have set it) is the first row shown.
    if (const i32 first = listscroll(s); first != LGetVisible(l).top) LScroll(0, i16(first - LGetVisible(l).top), l);
    if (s.style == stylefieldscrolllist) scrollback(s, l);
    LUpdate(l);
    LSetDrawingMode(false, l);
    restorebackground(depth);
  }
  if (s.flags & spotshowframe) {
    Rect r = s.rect;
    if (s.showpen) InsetRect(&r, 1, 1);
    DrawThemeEditTextFrame(&r, IsWindowHilited(window) ? kThemeStateActive : kThemeStateInactive);
  }
  if (withbar && s.style == stylefieldscrolllist) drawlistbar(s, l);
}

}  // namespace

void drawthelist(spot& s) { drawrows(s, true); }

bool activatethelist(spot& s, Point pt, bool* scrolled, u16 mode) {
  MainGlobals& g = mainglobals();
  *scrolled = false;
  const WindowRef window = g.current.window;
  ListHandle l = fieldlisthandle(s);
  if (window == nilid || l == nullptr) return false;
  setcellsize(s);
  SavePort saved;
  SetPortWindowPort(window);
  const i16 depth = portdepth(currentportid());
  KeepClip clip;
  Rect inside = s.rect;
  InsetRect(&inside, 1, 1);
  inside.right = i16(inside.right + 1);
  clip.within(inside);
  KeepText keep;
  setfont(fontof(s));
  const Rect view = listviewrect(s);
  if (!sameview(LGetView(l), view)) LSetViewRect(&view, l);
  const i16 before = LGetVisible(l).top;
  const ControlRef bar = LGetVerticalScrollBar(l);
  {
    SetThemeBackground(kListBrush, depth, depth > 1);
    LSetDrawingMode(true, l);
    if (getfieldkindtail(s).liststyle & kSelRedraw) LUpdate(l);
    if (s.style == stylefieldscrolllist && bar != nilid) {
      Rect r{};
      controlrect(s, &r);
      SetControlBounds(bar, &r);
      SetControlVisibility(bar, true, false);
    }
    EventRecord event = g.event;
    if (sendxrtnevent(LGetRef(l), kXrtnListClick, &event) == 0) {
      // Mode 1 clicks without tracking the mouse.
      LClick(pt, g.event.modifiers, mode != 1, l);
    }
    restorebackground(depth);
    if (s.style == stylefieldscrolllist && bar != nilid) {
      drawlistbar(s, l);
      const i16 first = LGetVisible(l).top;
      if (first != before) {
        setfieldscroll(s, first);
        *scrolled = true;
      }
    }
    InvalWindowRect(window, &s.rect);
    const Cell last = LLastClick(l);
    if ((last.v < 0 || last.v >= rowsof(l) || last.h != 0) && PtInRect(pt, &view)) {
      for (i16 r = 0; r < rowsof(l); ++r) LSetSelect(false, Cell{0, r}, l);
    }
    LSetDrawingMode(false, l);
  }
  return dclick(pt, TickCount()) != 0;
}

void updateclicktime(spot& s) {
  if (ListHandle l = fieldlisthandle(s)) LSetClickTime(TickCount(), l);
}

void cleanspots(Handle list) {
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    ListHandle l = fieldlisthandle(s);
    if (l == nullptr || !(s.style == stylefieldlist || s.style == stylefieldscrolllist)) continue;
    LScroll(0, i16(-LGetVisible(l).top), l);
    for (i16 r = 0; r < rowsof(l); ++r) LSetSelect(false, Cell{0, r}, l);
    setfieldscroll(s, 0);
    putspot(list, i, s);
  }
}

void cleanlist() {
  const desk& d = mainglobals().current;
  if (d.cardspots != nilhandle) cleanspots(d.cardspots);
  if (d.backspots != nilhandle) cleanspots(d.backspots);
}

ListHandle fudgealistrec(spot& s) {
  if (!isfield(s) || fieldlisthandle(s) != nullptr) return nullptr;
  const Rect view = listviewrect(s);
  ListHandle l = LNew(&view, 0, std::max<i16>(1, cellheightof(fontof(s))), mainglobals().current.window, false, false,
                      nullptr);
  if (l == nullptr) return nullptr;
  LSetSelFlags(selflags(s), l);
  fillrows(s, l);
  const i32 rows = rowsof(l);
  if (rows < listscroll(s)) {
    const i32 back = listscroll(s) - rows;
    LScroll(0, i16(-back), l);
    setfieldscroll(s, listscroll(s) - back);
  }
  return l;
}

void MyListDefinition(i16 message, bool selected, const Rect* cellRect, Cell, const u8* data, i16 length,
                      ListHandle list) {
  if ((message != lDrawMsg && message != lHiliteMsg) || cellRect == nullptr) return;
  const CGrafPtr port = currentportid();
  if (!IsValidPort(port)) return;
  KeepClip clip;
  clip.within(*cellRect);
  PenState pen{};
  GetPenState(&pen);
  KeepText keep;
  RGBColor fore{}, back{};
  GetForeColor(&fore);
  GetBackColor(&back);
  Pattern backpat{};
  GetPortBackPat(port, &backpat);
  const WindowRef window = LGetWindow(list);
  const bool inactive = window == nilid || windowinactive(window);
  const i16 depth = portdepth(port);
  if (selected) {
    SetThemeBackground(inactive ? kHiliteInactive : kHiliteActive, depth, depth > 1);
    if (!inactive) RGBForeColor(&kWhite);
  } else {
    RGBBackColor(&kWhite);
    BackPat(&qdwhite);
  }
  EraseRect(cellRect);
  const Point indent = LGetIndent(list);
  MoveTo(i16(cellRect->left + indent.h), i16(cellRect->top + indent.v));
  const i16 room = i16(std::max(0, cellRect->right - cellRect->left - 5));
  const i16 ellipsis = CharWidth(kEllipsis);
  if (data != nullptr && length > 0 && room >= ellipsis) {
    if (TextWidth(data, 0, length) <= room) {
      DrawText(data, 0, length);
    } else if (room == ellipsis) {
      DrawText(&kEllipsis, 0, 1);
    } else {
      std::vector<u8> copy(data, data + length);
      i16 n = i16(length - 1);
      while (n > 0 && TextWidth(copy.data(), 0, n) + ellipsis > room) --n;
      copy[size_t(n)] = kEllipsis;
      DrawText(copy.data(), 0, i16(n + 1));
    }
  }
  SetPenState(&pen);
  RGBForeColor(&fore);
  RGBBackColor(&back);
  BackPat(&backpat);
}

void setlistmode(spot& s, bool makelist, u16 newstyle) {
  if (!isfield(s)) return;
  const bool waslist = s.style == stylefieldlist || s.style == stylefieldscrolllist;
  if (!makelist) {
    if (waslist || fieldlisthandle(s) != nullptr) disposelist(s);
    return;
  }
  if (waslist) {
    disposelist(s);
    s.style = newstyle;
    forcelistload(s, 0);
    return;
  }
  s.style = newstyle;
  setlivefield(s, 0);
  setfieldscroll(s, 0);
  forcelistload(s, 0);
  if (ListHandle l = fieldlisthandle(s)) LSetSelFlags(selflags(s), l);
}

// --- The rows of a live list, for the list words and listKey ---------------------------------

bool haslivelist(const spot& s) { return fieldlisthandle(s) != nullptr; }

bool listselectedrows(const spot& s, Handle rows) {
  ListHandle l = fieldlisthandle(s);
  if (l == nullptr) return false;
  Cell c{0, 0};
  while (LGetSelect(true, &c, l)) {
    const i32 row = c.v;
    const Size at = GetHandleSize(rows);
    SetHandleSize(rows, at + Size(sizeof row));
    if (MemError() != noErr) return false;
    storeat<i32>(deref(rows) + at, row);
    ++c.v;
  }
  return true;
}

i32 listcelltext(const spot& s, i32 row, u8* buffer, i32 limit) {
  ListHandle l = fieldlisthandle(s);
  if (l == nullptr || row < 0 || row >= rowsof(l)) return -1;
  i16 n = i16(std::clamp(limit, 0, 32767));
  LGetCell(buffer, &n, Cell{0, i16(row)}, l);
  return n;
}

i32 listrowcount(const spot& s) {
  ListHandle l = fieldlisthandle(s);
  return l != nullptr ? rowsof(l) : -1;
}

void listselectrow(const spot& s, i32 row, bool selected) {
  ListHandle l = fieldlisthandle(s);
  if (l != nullptr && row >= 0 && row < rowsof(l)) LSetSelect(selected, Cell{0, i16(row)}, l);
}

bool listvisiblerows(const spot& s, listwindow* rows) {
  ListHandle l = fieldlisthandle(s);
  if (l == nullptr) return false;
  const Rect vis = LGetVisible(l);
  const Rect view = LGetView(l);
  const i32 cellh = std::max<i16>(1, LGetCellSize(l).v);
  const i32 height = view.bottom - view.top;
  const i32 fit = (height + cellh - 1) / cellh;
  const i32 shown = std::min<i32>(fit, rowsof(l) - vis.top);
  rows->first = vis.top;
  rows->shown = std::max(0, shown);
  rows->partial = shown > 0 && shown * cellh > height;
  return true;
}

void listscrollto(const spot& s, i32 first) {
  if (ListHandle l = fieldlisthandle(s)) LScroll(0, i16(std::clamp(first, 0, 32767) - LGetVisible(l).top), l);
}

void listshowselection(const spot& s) {
  if (ListHandle l = fieldlisthandle(s)) LAutoScroll(l);
}

void listredraw(const spot& s, bool scrollbar) {
  ListHandle l = fieldlisthandle(s);
  const WindowRef window = mainglobals().current.window;
  if (l == nullptr || window == nilid) return;
  SavePort saved;
  SetPortWindowPort(window);
  spot copy = s;
  drawrows(copy, scrollbar);
}

// --- The store's entries for list fields -----------------------------------------------------

namespace {

// A list field's list or a text field's record goes with its field.
void releaselistfield(spot& s) {
  if (fieldlisthandle(s) != nullptr) {
    disposelist(s);
    return;
  }
  if (isvalidwerec(livefield(s))) WEDispose(livefield(s));
  setlivefield(s, 0);
}

void leavelist(spot& s) {
  if (fieldlisthandle(s) != nullptr) disposelist(s);
  else if (s.style == stylefieldlist || s.style == stylefieldscrolllist) setlivefield(s, 0);
}

void reloadlist(spot& s) {
  if (fieldlisthandle(s) != nullptr) forcelistload(s, 1);
}

}  // namespace

void installlistliveparts() {
  LiveParts parts{};
  parts.releasefield = releaselistfield;
  parts.leavelistmode = leavelist;
  parts.reloadlist = reloadlist;
  installliveparts(parts);
}

}  // namespace kv
