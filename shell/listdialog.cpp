// `ask list`: the lines of a text in a scrolling list (dialog 660) sized to its lines and the
// screen, one or several rows picked with the mouse or the keys, and the rows' numbers or texts
// put into `it`; the same dialog for externals (`xrunlist`).
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "fields/listfields.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/events/keycodes.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/compositor.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"
#include "properties/valueparsers.h"
#include "shell/customframe.h"
#include "core/dialogs.h"
#include "shell/dialogutils.h"
#include "shell/listnavigation.h"
#include "core/mainglobals.h"
#include "shell/scriptdialogparse.h"
#include "shell/windowmanage.h"
#include "system/appleevents.h"
#include "system/kvexternal.h"

namespace kv {

// The request an external hands over: the list text's address is a 64-bit word, so the fields
// after it lie 4 bytes further on than in the 32-bit layout.
static_assert(sizeof(kv_listrequest) == 794);
static_assert(offsetof(kv_listrequest, h) == 8 && offsetof(kv_listrequest, selected) == 20);
static_assert(offsetof(kv_listrequest, button1) == 24 && offsetof(kv_listrequest, selectionflags) == 792);

namespace {

constexpr i16 kListDialog = 660;
constexpr i16 kRowHeight = 16;
constexpr i16 kPromptLine = 18;
constexpr i16 kBarWidth = 15;
enum : i16 { itemOK = 1, itemCancel = 2, itemList = 3, itemPrompt = 4 };

struct ListDialogState {
  DialogRef dialog = nilid;
  ListHandle list = nullptr;
};

ListDialogState& lds() { return state<ListDialogState>(); }

// The list with its frame, on the list's background.
void drawlistitem(DialogRef d, i16) {
  ListDialogState& s = lds();
  if (s.list == nullptr || d != s.dialog) return;
  Rect view = LGetView(s.list);
  EraseRect(&view);
  LUpdate(s.list);
  Rect frame = view;
  frame.right = i16(frame.right + kBarWidth);
  InsetRect(&frame, -1, -1);
  ControlRef root = nilid;
  const bool active = GetRootControl(d, &root) == noErr && IsControlActive(root);
  DrawThemeListBoxFrame(&frame, active ? kThemeStateActive : kThemeStateInactive);
}

// Where a window-global point lies in the dialog's port.
Point localpoint(DialogRef d, Point global) {
  Rect content{};
  GetWindowBounds(d, kWindowContentRgn, &content);
  return Point{i16(global.v - content.top), i16(global.h - content.left)};
}

// The scroll bar's arrows and page parts move the list while they are held.
void scrollaction(ControlRef bar, i16 part) {
  ListDialogState& s = lds();
  if (s.list == nullptr || part == 0) return;
  const i16 page = i16(std::max(1, LGetVisible(s.list).bottom - LGetVisible(s.list).top - 1));
  const i16 by = part == kControlUpButtonPart     ? -1
                 : part == kControlDownButtonPart ? 1
                 : part == kControlPageUpPart     ? i16(-page)
                 : part == kControlPageDownPart   ? page
                                                  : 0;
  (void)bar;
  if (by != 0) wheelist(by, s.list);
}

}  // namespace

bool PcomaRTlistdlog(DialogRef dialog, EventRecord* event, i16* itemhit) {
  ListDialogState& s = lds();
  dlogcursor(dialog);
  switch (event->what) {
    case keyDown:
    case autoKey: {
      const u8 c = u8(event->message & charCodeMask);
      if ((event->modifiers & controlKey) && c == kReturnCharCode) return false;
      if (c == kEscapeCharCode || ((event->modifiers & cmdKey) && c == '.')) {
        if (scriptdialogs().nocancel == 0 && GetDialogCancelItem(dialog) == itemCancel &&
            isdialogitemvisible(dialog, itemCancel))
          return escapekey(dialog, event, itemhit);
        event->what = nullEvent;
        return false;
      }
      if (keyabort(c)) return abortkey(dialog, event, itemhit);
      if (s.list == nullptr) return false;
      if (navigatelist(event, s.list) == 0) searchlist(event, s.list);
      event->what = nullEvent;
      return false;
    }
    case mouseDown: {
      if (s.list == nullptr) return false;
      const Point local = localpoint(dialog, event->where);
      const ControlRef bar = LGetVerticalScrollBar(s.list);
      ControlRef hit = nilid;
      if (bar != nilid && FindControl(local, dialog, &hit) != 0 && hit == bar) {
        const i16 part = TrackControl(bar, local, scrollaction);
        if (part == kControlIndicatorPart) LUpdate(s.list);
        event->what = nullEvent;
        return false;
      }
      const Rect view = LGetView(s.list);
      if (!PtInRect(local, &view)) return false;
      const bool twice = LClick(local, event->modifiers & (shiftKey | cmdKey), false, s.list);
      event->what = nullEvent;
      if (twice && (LGetSelFlags(s.list) & lOnlyOne) != 0) {
        flashdefault(dialog);
        *itemhit = itemOK;
        return true;
      }
      return false;
    }
    case updateEvt:
      if (WindowRef(event->message) == dialog) {
        DisableScreenUpdates();
        updatedialog(dialog, event);
        EnableScreenUpdates();
      } else {
        updateBehind(dialog, *event);
      }
      return false;
    case osEvt:
      resumedialog(dialog, event);
      if (s.list != nullptr) LActivate((event->message & resumeFlag) != 0, s.list);
      return false;
    default: return false;
  }
}

namespace {

// A headless answer names the rows: by their numbers ("list: 1,3") or their texts, one a line;
// they are command-clicked and Return pressed. "cancel" presses Escape; with nobody to answer,
// Return takes the dialog as it is.
void answerlist(DialogRef d, const std::string& loopname) {
  Answer a;
  switch (beginmodal(loopname, "ask list", &a, GetDialogCancelItem(d) == itemCancel)) {
    case ModalStart::run: return;
    case ModalStart::usedefault: drive::key(kVKReturn); return;
    case ModalStart::answered: break;
  }
  if (a.kind == "cancel") {
    drive::key(kVKEscape);
    return;
  }
  ListHandle list = lds().list;
  const i16 rows = LGetDataBounds(list).bottom;
  std::vector<i16> wanted;
  for (int n : a.items)
    if (n >= 1 && n <= rows) wanted.push_back(i16(n - 1));
  if (a.items.empty()) {
    std::size_t at = 0;
    while (at <= a.text.size()) {
      const std::size_t end = std::min(a.text.find_first_of("\r\n", at), a.text.size());
      const std::string line = a.text.substr(at, end - at);
      for (i16 r = 0; r < rows && !line.empty(); ++r) {
        u8 cell[256];
        i16 length = sizeof cell;
        LGetCell(cell, &length, Cell{0, r}, list);
        if (std::string_view(reinterpret_cast<const char*>(cell), std::size_t(length)) == line) {
          wanted.push_back(r);
          break;
        }
      }
      at = end + 1;
    }
  }
  for (i16 r = 0; r < rows; ++r)
    LSetSelect(std::find(wanted.begin(), wanted.end(), r) != wanted.end(), Cell{0, r}, list);
  drive::key(kVKReturn);
}

// Keeps the window's structure within the usable bounds of the screen that holds most of it.
void keeponscreen(DialogRef d) {
  Rect outer{};
  GetWindowBounds(d, kWindowStructureRgn, &outer);
  const Rect s = availablebounds(greatestareascreen(outer));
  i16 dh = 0, dv = 0;
  if (outer.right > s.right) dh = i16(s.right - outer.right);
  if (outer.left + dh < s.left) dh = i16(s.left - outer.left);
  if (outer.bottom > s.bottom) dv = i16(s.bottom - outer.bottom);
  if (outer.top + dv < s.top) dv = i16(s.top - outer.top);
  if (dh == 0 && dv == 0) return;
  Rect content{};
  GetWindowBounds(d, kWindowContentRgn, &content);
  MoveWindow(d, i16(content.left + dh), i16(content.top + dv), false);
}

void setbox(DialogRef d, i16 item, const Rect& box) {
  i16 type = 0;
  GetDialogItem(d, item, &type, nullptr, nullptr);
  SetDialogItem(d, item, type, 0, &box);
}

// The buttons in the bottom right corner: one (item 2 hidden), or two with item 1 titled
// button 2 and item 2, titled button 1, to its left; two that do not fit the window are
// narrowed from their left edges, each one wider than a third of the room, until they fit or
// a pass narrows nothing.
void placebuttons(DialogRef d, const listrequest& r, i16 width, i16 height) {
  auto best = [&](i16 item, ConstStringPtr title) {
    ControlRef c = nilid;
    GetDialogItemAsControl(d, item, &c);
    SetControlTitle(c, title);
    Rect b{};
    i16 baseline = 0;
    GetBestControlRect(c, &b, &baseline);
    return i16(std::max(b.right - b.left, 70));
  };
  const i16 bottom = i16(height - 16), right = i16(width - 16);
  if (r.buttons < 2) {
    const i16 w = best(itemOK, r.button1);
    setbox(d, itemOK, Rect{i16(bottom - 20), i16(right - w), bottom, right});
    HideDialogItem(d, itemCancel);
    return;
  }
  i16 w1 = best(itemOK, r.button2), w2 = best(itemCancel, r.button1);
  const i32 third = (width - 32) / 3;
  while (w1 + w2 > width - 48) {
    bool narrowed = false;
    for (i16* w : {&w1, &w2})
      if (*w > third && *w > 2) {
        *w = i16(*w - 2);
        narrowed = true;
      }
    if (!narrowed) break;
  }
  setbox(d, itemOK, Rect{i16(bottom - 20), i16(right - w1), bottom, right});
  setbox(d, itemCancel, Rect{i16(bottom - 20), i16(right - w1 - 16 - w2), bottom, i16(right - w1 - 16)});
}

std::string_view linesof(const u8* text) {
  return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

}  // namespace

listlayout layoutlist(const listrequest& r, const Rect& room) {
  listlayout out;
  Rect inner = room;
  InsetRect(&inner, 20, 20);
  const i32 maxwidth = inner.right - inner.left - 62;
  const i32 available = inner.bottom - inner.top - 70;
  i32 widest = 0, lines = 0;
  const std::string_view text = linesof(r.text);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\r', at);
    if (end == std::string_view::npos) end = text.size();
    const i16 n = i16(std::min<std::size_t>(end - at, 255));
    widest = std::max<i32>(widest, TextWidth(text.data() + at, 0, n));
    ++lines;
    at = end + 1;
  }
  const i32 listwidth = std::max<i32>(widest, 240);
  const i32 rows = std::max<i32>(lines, 10);
  out.w = i16(std::min<i32>(listwidth + 16, maxwidth));
  out.promptheight = r.prompt[0] == 0 ? 0 : i16(getlines(pstringview(r.prompt), i16(out.w + 6)) * kPromptLine);
  out.visiblerows = i16(std::max<i32>(1, std::min<i32>(rows, (available - out.promptheight - 36) / kPromptLine)));
  const i16 top = r.prompt[0] == 0 ? 15 : i16(15 + out.promptheight + 18);
  out.list = Rect{top, 15, i16(top + out.visiblerows * kRowHeight), i16(15 + out.w + 10)};
  out.prompt = Rect{15, 15, i16(15 + out.promptheight), i16(15 + out.w + 10)};
  out.width = i16(out.w + 41);
  out.height = i16(out.promptheight + out.visiblerows * kRowHeight + (r.prompt[0] == 0 ? 70 : 88));
  return out;
}

i16 runlist(listrequest& r, Handle answer) {
  ScriptDialogState& sd = scriptdialogs();
  notify(kInteractTimeout);
  SetThemeCursor(kThemeArrowCursor);
  GrafPtr port = nilid;
  GetPort(&port);
  unhilitecurrent();
  DialogRef d = GetNewDialog(kListDialog, kFirstWindowOfClass);
  auto finish = [&](i16 hit) {
    if (r.selected != nilhandle) DisposeHandle(r.selected);
    r.selected = nilhandle;
    sd.nocancel = 0;
    SetPort(port);
    rehilitecurrent();
    redrawifpenhidden();
    return hit;
  };
  if (d == nilid) return finish(itemCancel);
  SetWindowClass(d, kMovableModalWindowClass);
  DisableScreenUpdates();
  SetPortWindowPort(d);
  TextFont(0);
  TextSize(12);

  // The room: the largest window content at the centre point, from a small floating window.
  Rect room{};
  const Rect probe{i16(r.v - 5), i16(r.h - 5), i16(r.v + 5), i16(r.h + 5)};
  WindowRef w = nilid;
  if (CreateNewWindow(kFloatingWindowClass, 0, &probe, &w) == noErr) {
    GetMaxRect(w, &room);
    DisposeWindow(w);
  } else {
    room = availablebounds(0);
  }
  SetPortWindowPort(d);
  const listlayout layout = layoutlist(r, room);
  setbox(d, itemPrompt, layout.prompt);
  if (r.prompt[0] == 0) HideDialogItem(d, itemPrompt);
  setbox(d, itemList, layout.list);
  SizeWindow(d, layout.width, layout.height, false);
  centredialog(d, i16(r.h), i16(r.v));
  keeponscreen(d);
  placebuttons(d, r, layout.width, layout.height);
  if (r.buttons >= 2 && sd.nocancel == 0) SetDialogCancelItem(d, itemCancel);
  SetDialogDefaultItem(d, itemOK);

  // The rows: every non-empty line, cut to 255 characters.
  Rect view = layout.list;
  view.right = i16(view.right - kBarWidth);
  ListHandle list = LNew(&view, 0, kRowHeight, d, false, true, MyListDefinition);
  if (list == nullptr) {
    EnableScreenUpdates();
    DisposeDialog(d);
    return finish(itemCancel);
  }
  // The rows' text 4 pixels in, centred on the row's height, in the system font.
  FontInfo fi{};
  GetFontInfo(&fi);
  LSetIndent(Point{i16(fi.ascent + (kRowHeight - fi.ascent - fi.descent) / 2), 4}, list);
  ListDialogState& s = lds();
  s = ListDialogState{d, list};
  const std::string_view text = linesof(r.text);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\r', at);
    if (end == std::string_view::npos) end = text.size();
    if (end > at) {
      const i16 row = LAddRow(1, 32767, list);
      LSetCell(text.data() + at, i16(std::min<std::size_t>(end - at, 255)), Cell{0, row}, list);
    }
    at = end + 1;
  }
  if (r.selected != nilhandle) {
    const Size n = GetHandleSize(r.selected) / 2;
    const u8* p = reinterpret_cast<const u8*>(deref(r.selected));
    for (Size k = 0; k < n; ++k) {
      const i16 line = i16((p[2 * k] << 8) | p[2 * k + 1]);
      LSetSelect(true, Cell{0, i16(line - 1)}, list);
    }
  }
  LSetSelFlags(r.selectionflags, list);
  LActivate(true, list);
  LSetDrawingMode(true, list);
  SetDialogItemProc(d, itemList, drawlistitem);
  SetWRefCon(d, i32(kListDialog));
  ParamText(r.prompt, nullptr, nullptr, nullptr);

  const EventTypeSpec wheel{kEventClassMouse, kEventMouseWheelMoved};
  EventHandlerRef handler = 0;
  InstallApplicationEventHandler(PcomaRTasklistmousewheelproc, 1, &wheel, 0, &handler);
  SetWindowModality(d, kWindowModalityAppModal, nilid);
  myShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  setdefault(d);
  EnableScreenUpdates();
  answerlist(d, "ask list " + macromantoutf8(pstringview(r.prompt)));
  i16 hit = 0;
  do {
    MovableModalDialog(d, PcomaRTlistdlog, &hit);
  } while (hit > 2 && isdialog(d));
  if (hit == itemOK) {
    std::string out;
    Cell c{0, 0};
    while (LGetSelect(true, &c, list)) {
      if (!out.empty()) out += r.form == 1 ? '\r' : ',';
      if (r.form == 1) {
        u8 cell[256];
        i16 length = sizeof cell;
        LGetCell(cell, &length, c, list);
        out.append(reinterpret_cast<const char*>(cell), std::size_t(length));
      } else {
        out += std::to_string(c.v + 1);
      }
      ++c.v;
    }
    if (answer != nilhandle && !out.empty()) PtrAndHand(out.data(), answer, Size(out.size()));
  }
  noteitemhit(d, "ask list", hit);
  if (handler != 0) RemoveEventHandler(handler);
  s = ListDialogState{};
  LDispose(list);
  myHideWindow(d);
  DisposeDialog(d);
  return finish(hit == 0 ? i16(itemCancel) : hit);
}

OSStatus PcomaRTasklistmousewheelproc(EventHandlerCallRef, EventRef event, u32) {
  ListDialogState& s = lds();
  u16 axis = 0;
  i32 delta = 0;
  u32 mods = 0;
  if (GetEventParameter(event, kEventParamMouseWheelAxis, typeMouseWheelAxis, nullptr, sizeof axis, nullptr, &axis) !=
          noErr ||
      GetEventParameter(event, kEventParamMouseWheelDelta, typeSInt32, nullptr, sizeof delta, nullptr, &delta) != noErr)
    return eventNotHandledErr;
  GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, sizeof mods, nullptr, &mods);
  if (axis != 1 || delta == 0 || s.list == nullptr) return eventNotHandledErr;
  const WindowRef front = ActiveNonFloatingWindow();
  if (front == nilid || front != s.dialog || GetWRefCon(front) != kListDialog) return eventNotHandledErr;
  const bool command = (mods & cmdKey) != 0, option = (mods & optionKey) != 0;
  const i32 rows = command && option ? 20 : command ? 10 : option ? 5 : 1;
  GrafPtr old = nilid;
  GetPort(&old);
  SetPortWindowPort(s.dialog);
  wheelist(delta < 0 ? rows : -rows, s.list);
  SetPort(old);
  return noErr;
}

i16 xrunlist(kv_listrequest* request, Handle answer) {
  if (request == nullptr) return itemCancel;
  listrequest r;
  r.text = reinterpret_cast<const u8*>(static_cast<uintptr_t>(request->text));
  r.h = request->h;
  r.v = request->v;
  r.buttons = request->buttons;
  r.form = request->form;
  r.selected = request->selected;
  std::memcpy(r.button1, request->button1, sizeof r.button1);
  std::memcpy(r.button2, request->button2, sizeof r.button2);
  std::memcpy(r.prompt, request->prompt, sizeof r.prompt);
  r.selectionflags = request->selectionflags;
  const i16 hit = runlist(r, answer);
  request->selected = 0;
  return hit;
}

namespace {

void putresult(ConstStringPtr title) {
  Handle h = mainglobals().result;
  if (h != nilhandle) PtrToXHand(title + 1, h, title[0]);
}

// `hilitedLines` list: the value's comma-separated parts, each evaluated to a line number,
// as 16-bit words.
i16 readhilited(dialogparse& p, Handle* out) {
  fred v{};
  i32 used = 0;
  if (i16 st = anyfact(p.path, p.text, p.atoms, p.i, p.variables, nilhandle, &used, &v)) return st;
  p.i += used;
  i16 st = formatfred(&v, fredhand);
  Handle joined = nilhandle;
  if (st == 0) {
    joined = v.text != nilhandle ? v.text : NewHandle(0);
    if (v.text != nilhandle && HandToHand(&joined) != noErr) st = 37;
  }
  disposfred(&v);
  if (st != 0) return st;
  Handle atoms = nilhandle;
  st = tokenize(joined, &atoms);
  if (*out == nilhandle) *out = NewHandle(0);
  for (i32 i = 0; st == 0 && !statementends(atoms, i);) {
    fred n{};
    i32 count = 0;
    st = kv::expression(p.path, joined, atoms, i, p.variables, nilhandle, &count, &n);
    i32 line = 0;
    if (st == 0) st = fredtolong(&n, &line);
    disposfred(&n);
    if (st != 0) break;
    i += count;
    const u8 word[2] = {u8(u16(line) >> 8), u8(line)};
    PtrAndHand(word, *out, 2);
    if (tokenat(atoms, i) == tok::comma) ++i;
    else if (!statementends(atoms, i)) st = 2;
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(joined);
  return st;
}

}  // namespace

i16 asklist(dialogparse& p) {
  ScriptDialogState& sd = scriptdialogs();
  struct ClearNoCancel {
    ScriptDialogState& sd;
    ~ClearNoCancel() { sd.nocancel = 0; }
  } clear{sd};
  ++p.i;  // past `list`
  fred value{};
  i32 used = 0;
  if (i16 st = kv::expression(p.path, p.text, p.atoms, p.i, p.variables, nilhandle, &used, &value)) return st;
  p.i += used;
  if (i16 st = formatfred(&value, fredhand)) {
    disposfred(&value);
    return st;
  }
  std::string text;
  if (value.text != nilhandle)
    text.assign(reinterpret_cast<const char*>(deref(value.text)), std::size_t(GetHandleSize(value.text)));
  disposfred(&value);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\0')) text.pop_back();
  text += '\r';

  listrequest r;
  const Rect main = screenbounds(0);
  r.h = (main.left + main.right) / 2;
  r.v = (main.top + main.bottom) / 2;
  r.selectionflags = lOnlyOne;
  struct Owned {
    Handle h = nilhandle;
    ~Owned() {
      if (h != nilhandle) DisposeHandle(h);
    }
  } selected;
  while (!p.ends()) {
    const u16 word = p.tok();
    ++p.i;
    if (word == tok::at) {
      i16 h = 0, v = 0;
      if (i16 st = p.point(&h, &v)) return st;
      r.h = h;
      r.v = v;
    } else if (word == tok::hilitedlines) {
      if (i16 st = readhilited(p, &selected.h)) return st;
    } else if (word == tok::cr) {
      if (p.tok() == tok::text) r.form = 1;
      else if (p.tok() == tok::lines) r.form = 0;
      else return 153;
      ++p.i;
    } else if (word == tok::using_) {
      fred v{};
      i32 n = 0;
      if (i16 st = kv::expression(p.path, p.text, p.atoms, p.i, p.variables, nilhandle, &n, &v)) return st;
      p.i += n;
      u16 mask = 0;
      const i16 st = getliststyles(&v, &mask);
      disposfred(&v);
      if (st) return st;
      r.selectionflags = u8(mask);
    } else if (word == tok::with) {
      if (i16 st = p.factor(r.button1)) return st;
      r.buttons = 1;
      if (p.tok() == tok::or_ || p.tok() == tok::comma) {
        ++p.i;
        if (i16 st = p.factor(r.button2)) return st;
        r.buttons = 2;
      }
    } else if (word == tok::without && p.tok() == tok::cancel) {
      ++p.i;
      sd.nocancel = 1;
    } else if (word == tok::prompt) {
      if (i16 st = p.expression(r.prompt)) return st;
    } else {
      return 2;
    }
  }
  if (r.buttons == 0) {
    std::memcpy(r.button1, upstrsrc(kOKText), std::size_t(upstrsrc(kOKText)[0]) + 1);
    r.buttons = 1;
  }
  std::vector<u8> bytes(text.begin(), text.end());
  bytes.push_back(0);
  r.text = bytes.data();
  r.selected = selected.h;
  selected.h = nilhandle;
  emptyresult();
  Handle answer = NewHandle(0);
  const i16 hit = runlist(r, answer);
  putresult(r.buttons == 2 && hit == itemOK ? r.button2 : r.button1);
  const i16 st = handtoit(answer, p.variables);
  DisposeHandle(answer);
  return st;
}

}  // namespace kv
