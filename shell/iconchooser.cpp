// `ask icon`: a grid of the icons a project keeps ('ICON', 'cicn' and 'icns' resources, one
// cell per id with the richer kind taking it), and of the shared project's on a second layer,
// in dialog 1400; the chosen icon's id, type and project path go into `it`.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/qd/icons.h"
#include "platform/qd/qd.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/theme.h"
#include "render/buttonicons.h"
#include "shell/customframe.h"
#include "core/dialogs.h"
#include "shell/dialogutils.h"
#include "core/mainglobals.h"
#include "shell/scriptdialogparse.h"
#include "core/settings.h"
#include "shell/windowmanage.h"
#include "store/byteorder.h"
#include "store/objread.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"
#include "store/starfile.h"
#include "system/appleevents.h"

namespace kv {

namespace {

constexpr i16 kIconDialog = 1400;
constexpr i32 kLibraryRecord = 3;
constexpr i16 kNoSelectionList = 1004, kNoSelectionEntry = 16;
constexpr i16 kCell = 40, kColumns = 10, kRows = 4;
constexpr Rect kGrid{70, 22, 230, 422};
enum : i16 { itemOK = 1, itemCancel = 2, itemNone = 3, itemPrompt = 4, itemGrid = 5, itemProject = 6, itemShared = 7 };
constexpr u32 kICON = fourcc("ICON"), kCicn = fourcc("cicn"), kIcns = fourcc("icns");

struct IconEntry {
  u32 recordid = 0;
  u32 id = 0;
  u32 type = 0;
  Handle record = nilhandle;  // held in the record cache while listed
  RegistryId store = nilid;
};

struct IconLayer {
  std::vector<IconEntry> list;
  i32 selected = -1;
};

struct IconChooserState {
  IconLayer layers[2];
  int current = 0;
  bool twolayers = false;
  DialogRef dialog = nilid;
  ControlRef bar = nilid;
  bool framed = false;
  u32 lastclick = 0;
  i32 lastcell = -1;
};

IconChooserState& ics() { return state<IconChooserState>(); }
IconLayer& layer() { return ics().layers[ics().current]; }

void release(IconEntry& e) {
  if (e.record != nilhandle) putvir(e.store, i32(e.recordid));
  e.record = nilhandle;
}

i32 firstrow() { return ics().bar != nilid ? GetControlValue(ics().bar) : 0; }

Rect cellrect(i32 index) {
  const i32 k = index - firstrow() * kColumns;
  const i16 top = i16(kGrid.top + (k / kColumns) * kCell), left = i16(kGrid.left + (k % kColumns) * kCell);
  return Rect{top, left, i16(top + kCell), i16(left + kCell)};
}

bool cellshown(i32 index) {
  const i32 k = index - firstrow() * kColumns;
  return index >= 0 && k >= 0 && k < kColumns * kRows;
}

void ploticon(const IconEntry& e, const Rect& r) {
  const Handle data = resourcedata(e.record);
  if (data == nilhandle || !IsValidHandle(data)) return;
  if (e.type == kICON) {
    if (GetHandleSize(data) < Size(kIconBytes)) return;
    u8 bits[kIconBytes];
    std::memcpy(bits, deref(data), kIconBytes);
    const Rect whole{0, 0, 32, 32};
    const BitMap map{bits, 4, whole};
    ForeColor(blackColor);
    CopyBits(&map, GetPortBitMapForCopyBits(currentportid()), &whole, &r, srcOr, nilid);
  } else if (e.type == kCicn) {
    // Kept in file order: swapped for the build and back.
    if (!endianswapcicon(deref(data), GetHandleSize(data), fromfile)) return;
    CIconHandle icon = nilhandle;
    const bool built = handtocicon(data, &icon) != 0;
    endianswapcicon(deref(data), GetHandleSize(data), tofile);
    if (built) {
      PlotCIcon(&r, icon);
      DisposeCIcon(icon);
    }
  } else {
    IconRef ref = nilid;
    if (GetIconRefFromIconFamilyPtr(deref(data), GetHandleSize(data), &ref) == noErr) {
      PlotIconRef(&r, kAlignAbsoluteCenter, kTransformNone, ref);
      ReleaseIconRef(ref);
    }
  }
}

void invertsel() {
  const i32 s = layer().selected;
  if (s < 0 || !cellshown(s)) return;
  const Rect r = cellrect(s);
  InvertRect(&r);
}

void drawicons() {
  IconChooserState& st = ics();
  Rect grid = kGrid;
  EraseRect(&grid);
  if (!st.framed) {
    Rect frame = grid;
    InsetRect(&frame, -2, -2);
    i32 bar = 15;
    GetThemeMetric(kThemeMetricScrollBarWidth, &bar);
    frame.right = i16(frame.right + bar);
    DrawThemeListBoxFrame(&frame, kThemeStateActive);
    st.framed = true;
  }
  const IconLayer& l = layer();
  for (i32 k = 0; k < kColumns * kRows; ++k) {
    const i32 index = firstrow() * kColumns + k;
    if (index >= i32(l.list.size())) break;
    Rect r = cellrect(index);
    InsetRect(&r, 4, 4);
    ploticon(l.list[std::size_t(index)], r);
  }
  invertsel();
}

void drawmess() {
  const Rect band{45, 22, 65, 322};
  EraseRect(&band);
  MoveTo(22, 55);
  const IconLayer& l = layer();
  std::string line;
  if (l.selected < 0) {
    Str255 s{};
    GetIndString(s, kNoSelectionList, kNoSelectionEntry);
    line = std::string(pstringview(s));
  } else {
    const IconEntry& e = l.list[std::size_t(l.selected)];
    const char type[4] = {char(e.type >> 24), char(e.type >> 16), char(e.type >> 8), char(e.type)};
    line = std::string(type, 4) + " ID = " + std::to_string(e.id);
  }
  DrawText(line.data(), 0, i16(line.size()));
  if (l.selected >= 0) {
    const IconEntry& e = l.list[std::size_t(l.selected)];
    Str255 name{};
    if (namevir(e.store, i32(e.recordid), name) == 0 && name[0] != 0) {
      Move(10, 0);
      DrawString(name);
    }
  }
}

void drawgrid(DialogRef, i16) {
  drawicons();
  drawmess();
}

// The grid and the line drawn again in the dialog's port.
void redraw() {
  GrafPtr old = nilid;
  GetPort(&old);
  SetPortWindowPort(ics().dialog);
  drawgrid(ics().dialog, itemGrid);
  SetPort(old);
}

void setbar() {
  IconChooserState& st = ics();
  if (st.bar == nilid) return;
  const IconLayer& l = layer();
  SetControlMaximum(st.bar, i16(std::max<i32>(0, (i32(l.list.size()) + 9) / 10 - kRows)));
  SetControlValue(st.bar, i16(l.selected < 0 ? 0 : l.selected / kColumns));
}

}  // namespace

void buildlow(RegistryId store, u32 wanted, int which) {
  IconLayer& l = ics().layers[which];
  l = IconLayer{};
  Handle lib = nilhandle;
  if (store == nilid || findprojectstore(store) == nullptr || getvir(store, kLibraryRecord, &lib) != 0) return;
  const librec head = loadat<librec>(deref(lib));
  for (i32 i = 1; head.pagecount > 0 && i <= i32(head.entrycount); ++i) {
    bookentry b{};
    if (getbook(store, lib, i, &b) != 0) break;
    const u32 type = b.word12;
    if (type != kICON && type != kCicn && type != kIcns) continue;
    auto listed = [&](std::initializer_list<u32> types) {
      return std::find_if(l.list.begin(), l.list.end(), [&](const IconEntry& e) {
        return e.id == b.word4 && std::find(types.begin(), types.end(), e.type) != types.end();
      });
    };
    IconEntry e{b.recordid, b.word4, type, nilhandle, store};
    auto replaced = l.list.end();
    if (type == kICON) {
      if (listed({kCicn, kIcns}) != l.list.end()) continue;
    } else if (type == kCicn) {
      replaced = listed({kICON});
      if (replaced == l.list.end() && listed({kCicn, kIcns}) != l.list.end()) continue;
    } else {
      replaced = listed({kICON, kCicn});
      if (replaced == l.list.end() && listed({kIcns}) != l.list.end()) continue;
    }
    if (getvir(store, i32(e.recordid), &e.record) != 0) continue;
    if (replaced != l.list.end()) {
      release(*replaced);
      *replaced = e;
    } else {
      l.list.push_back(e);
    }
  }
  putvir(store, kLibraryRecord);
  for (std::size_t k = 0; k < l.list.size(); ++k)
    if (l.list[k].id == wanted) {
      l.selected = i32(k);
      break;
    }
}

void PdialogRTiconscroll(ControlRef control, i16 part) {
  const i32 value = GetControlValue(control), max = GetControlMaximum(control);
  i32 to = value;
  switch (part) {
    case kControlUpButtonPart: to = std::max(0, value - 1); break;
    case kControlDownButtonPart: to = std::min(max, value + 1); break;
    case kControlPageUpPart: to = std::max(0, value - 3); break;
    case kControlPageDownPart: to = std::min(max, value + 3); break;
    default: break;
  }
  if (to != value) SetControlValue(control, i16(to));
  redraw();
}

bool PdialogRTfiltericon(DialogRef dialog, EventRecord* event, i16* itemhit) {
  IconChooserState& st = ics();
  dlogcursor(dialog);
  switch (event->what) {
    case keyDown:
    case autoKey: {
      const u8 c = u8(event->message & charCodeMask);
      if (keyabort(c)) {
        flashdefault(dialog);
        *itemhit = itemOK;
        return true;
      }
      if (c == kEscapeCharCode) return escapekey(dialog, event, itemhit);
      return false;
    }
    case updateEvt:
      if (!updatedialog(dialog, event)) updateBehind(dialog, *event);
      return false;
    case mouseDown: {
      Rect content{};
      GetWindowBounds(dialog, kWindowContentRgn, &content);
      const Point local{i16(event->where.v - content.top), i16(event->where.h - content.left)};
      ControlRef hit = nilid;
      if (st.bar != nilid && FindControl(local, dialog, &hit) != 0 && hit == st.bar) {
        TrackControl(st.bar, local, PdialogRTiconscroll);
        redraw();
        event->what = nullEvent;
        return false;
      }
      if (!PtInRect(local, &kGrid) || hit != nilid) return false;
      event->what = nullEvent;
      const i32 index = firstrow() * kColumns + (local.v - kGrid.top) / kCell * kColumns +
                        (local.h - kGrid.left) / kCell;
      IconLayer& l = layer();
      if (index >= i32(l.list.size())) return false;
      const bool twice = index == st.lastcell && event->when - st.lastclick <= GetDblTime();
      st.lastcell = index;
      st.lastclick = event->when;
      GrafPtr old = nilid;
      GetPort(&old);
      SetPortWindowPort(dialog);
      invertsel();
      l.selected = index;
      invertsel();
      drawmess();
      SetPort(old);
      if (twice) {
        *itemhit = itemOK;
        return true;
      }
      return false;
    }
    default: return false;
  }
}

namespace {

// A headless answer names the icon by its id (on the layer shown): it is selected and OK
// pressed. "cancel" presses Escape; nobody to answer presses Return.
void answericon(const std::string& loopname) {
  Answer a;
  switch (beginmodal(loopname, "ask icon", &a, true)) {
    case ModalStart::run: return;
    case ModalStart::usedefault: drive::key(kVKReturn); return;
    case ModalStart::answered: break;
  }
  if (a.kind == "cancel") {
    drive::key(kVKEscape);
    return;
  }
  IconLayer& l = layer();
  const u32 id = u32(std::strtoul(a.text.c_str(), nullptr, 10));
  for (std::size_t k = 0; k < l.list.size(); ++k)
    if (l.list[k].id == id) {
      l.selected = i32(k);
      break;
    }
  drive::key(kVKReturn);
}

// The project store named by `via`: the store of the object's window.
i16 viastore(dialogparse& p, RegistryId* store) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(p.path, p.text, p.atoms, p.i, p.variables, &used, &obj)) return st;
  p.i += used;
  *store = obj.d.store;
  writeobj(&obj);
  return 0;
}

}  // namespace

i16 askicon(dialogparse& p) {
  ++p.i;  // past `icon`
  Str255 prompt{};
  if (i16 st = p.expression(prompt)) return st;
  const MainGlobals& g = mainglobals();
  RegistryId project = g.current.store;
  u32 wanted = 0;
  bool haswanted = false;
  while (!p.ends()) {
    const u16 word = p.tok();
    ++p.i;
    if (word == tok::via) {
      if (i16 st = viastore(p, &project)) return st;
    } else if (word == tok::id) {
      Str255 n{};
      if (i16 st = p.expression(n)) return st;
      wanted = u32(std::strtoul(std::string(pstringview(n)).c_str(), nullptr, 10));
      haswanted = true;
    } else {
      return 2;
    }
  }
  emptyresult();
  IconChooserState& st = ics();
  st = IconChooserState{};
  buildlow(project, haswanted ? wanted : 0xFFFFFFFFu, 0);
  const bool standalone = currentsettings().standalone == kStandaloneWord;
  if (!standalone && g.sharedstore != nilid && g.sharedstore != project) {
    buildlow(g.sharedstore, haswanted ? wanted : 0xFFFFFFFFu, 1);
    st.twolayers = true;
    const IconLayer &own = st.layers[0], &shared = st.layers[1];
    if ((own.list.empty() && !shared.list.empty()) || (shared.selected >= 0 && own.selected < 0)) st.current = 1;
  }

  notify(kInteractTimeout);
  unhilitecurrent();
  GrafPtr port = nilid;
  GetPort(&port);
  DialogRef d = GetNewDialog(kIconDialog, kFirstWindowOfClass);
  std::string answer = "0";
  if (d != nilid) {
    st.dialog = d;
    SetWindowClass(d, kMovableModalWindowClass);
    SetPortWindowPort(d);
    if (st.twolayers) {
      SetControlValue(gethand(d, itemProject), st.current == 0 ? 1 : 0);
      SetControlValue(gethand(d, itemShared), st.current == 1 ? 1 : 0);
    } else {
      HideDialogItem(d, itemProject);
      HideDialogItem(d, itemShared);
    }
    i32 width = 15;
    GetThemeMetric(kThemeMetricScrollBarWidth, &width);
    const Rect barbox{68, 424, 232, i16(424 + width)};
    CreateScrollBarControl(d, &barbox, 0, 0, 0, kRows, true, PdialogRTiconscroll, &st.bar);
    setbar();
    if (prompt[0] != 0) {
      Rect box{}, bounds{};
      i16 type = 0;
      GetDialogItem(d, itemPrompt, &type, nullptr, &box);
      GetWindowPortBounds(d, &bounds);
      box.right = i16(bounds.right - 10);
      SetDialogItem(d, itemPrompt, type, 0, &box);
      SetDialogItemText(d, itemPrompt, prompt);
    }
    SetDialogItemProc(d, itemGrid, drawgrid);
    SetDialogDefaultItem(d, itemOK);
    SetDialogCancelItem(d, itemCancel);
    SetThemeCursor(kThemeArrowCursor);
    SetWindowModality(d, kWindowModalityAppModal, nilid);
    myShowWindow(d);
    SelectWindow(d);
    DrawDialog(d);
    setdefault(d);
    answericon("ask icon " + macromantoutf8(pstringview(prompt)));
    i16 hit = 0;
    do {
      MovableModalDialog(d, PdialogRTfiltericon, &hit);
      if ((hit == itemProject || hit == itemShared) && st.twolayers && hit - itemProject != st.current) {
        SetThemeCursor(kThemeWatchCursor);
        st.current = hit - itemProject;
        SetControlValue(gethand(d, itemProject), st.current == 0 ? 1 : 0);
        SetControlValue(gethand(d, itemShared), st.current == 1 ? 1 : 0);
        setbar();
        redraw();
        SetThemeCursor(kThemeArrowCursor);
      }
    } while (hit != itemOK && hit != itemCancel && hit != itemNone && isdialog(d));
    const IconLayer& l = layer();
    if (hit == itemNone) {
      answer.clear();
    } else if (hit == itemOK && l.selected >= 0) {
      const IconEntry& e = l.list[std::size_t(l.selected)];
      const projectstore* ps = findprojectstore(e.store);
      const std::string path = ps != nullptr ? std::string(pstringview(ps->fullpath)) : std::string();
      char head[64];
      std::snprintf(head, sizeof head, "%ld\r%c%c%c%c\r", long(e.id), char(e.type >> 24), char(e.type >> 16),
                    char(e.type >> 8), char(e.type));
      answer = head + path;
      bool collides = false;
      if (st.current == 1)
        for (const IconEntry& own : st.layers[0].list)
          if (own.id == e.id && (e.type == kICON || own.type == kCicn || own.type == kIcns)) collides = true;
      if (collides) answer += "\rcollision";
    }
    noteitemhit(d, "ask icon", hit);
    myHideWindow(d);
    DisposeDialog(d);
  }
  for (IconLayer& l : st.layers)
    for (IconEntry& e : l.list) release(e);
  st = IconChooserState{};
  SetPort(port);
  rehilitecurrent();
  scriptdialogs().nocancel = 0;
  Str255 out{};
  pstrassign(out, sizeof out, answer.data(), std::min<std::size_t>(answer.size(), 255));
  return stringtoit(out, p.variables);
}

}  // namespace kv
