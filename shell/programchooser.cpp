// `answer program`: a program on this machine or another, chosen from a list (dialog 670):
// the machine's address in an edit field, its programs in a list, and the program's address
// put into `it`.
#include <algorithm>
#include <cstring>

#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/net/interfaces.h"
#include "platform/process/process.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/text/casefold.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "shell/dialogs.h"
#include "shell/dialogutils.h"
#include "shell/scriptdialogparse.h"
#include "system/remoteprocs.h"

namespace kv {

namespace {

constexpr i16 kProgramDialog = 670;
constexpr i16 kRowHeight = 16;
constexpr i32 kListRows = 10;  // the rows the lists of dialogs 670 and 680 show
constexpr std::string_view kEppc = "eppc://";
constexpr std::string_view kOwnProgram = "Kestrove";

enum : i16 { itemOK = 1, itemCancel = 2, itemList = 3, itemMachine = 4, itemRefresh = 5, itemPrompt = 6 };

struct ProgramChooserState {
  std::vector<std::string> rows;  // Mac Roman program names
  i32 selected = -1;
  i32 top = 0;
  DialogRef dialog = nilid;
  u32 lastclick = 0;
  i32 lastrow = -1;
  bool editable = true;  // the program chooser's typing empties the list; a plain picker's does not
};

ProgramChooserState& pcs() { return state<ProgramChooserState>(); }

bool startseppc(std::string_view t) {
  if (t.size() < kEppc.size()) return false;
  for (std::size_t k = 0; k < kEppc.size(); ++k)
    if (lowertable[u8(t[k])] != u8(kEppc[k])) return false;
  return true;
}

bool sameaddress(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (lowertable[u8(a[k])] != lowertable[u8(b[k])]) return false;
  return true;
}

// Percent escapes replaced, and the UTF-8 name made Mac Roman.
std::string unescape(std::string_view s) {
  std::string out;
  for (std::size_t k = 0; k < s.size(); ++k) {
    auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                    : -1;
    };
    if (s[k] == '%' && k + 2 < s.size() + 0 && hex(s[k + 1]) >= 0 && hex(s[k + 2]) >= 0) {
      out += char(hex(s[k + 1]) * 16 + hex(s[k + 2]));
      k += 2;
    } else {
      out += s[k];
    }
  }
  return utf8tomacroman(out);
}

// The dialog in the middle of the main screen's usable bounds.
void centreonmainscreen(DialogRef d) {
  Rect r{};
  GetWindowPortBounds(d, &r);
  const Rect scr = availablebounds(0);
  MoveWindow(d, i16((scr.left + scr.right - (r.right - r.left)) / 2),
             i16((scr.top + scr.bottom - (r.bottom - r.top)) / 2), false);
}

void drawlist(DialogRef d, i16) {
  const ProgramChooserState& s = pcs();
  drawtextrows(
      d, itemList, i32(s.rows.size()), [&s](i32 k) { return s.rows[std::size_t(k)]; }, s.top, s.selected, kRowHeight);
}

void redrawlist(DialogRef d) { redrawdialogitem(d, itemList, drawlist); }

void setok(DialogRef d, bool active) {
  ControlRef ok = nilid;
  if (GetDialogItemAsControl(d, itemOK, &ok) != noErr) return;
  if (active) ActivateControl(ok);
  else DeactivateControl(ok);
}

void emptylist(DialogRef d) {
  ProgramChooserState& s = pcs();
  s.rows.clear();
  s.selected = -1;
  s.top = 0;
  setok(d, false);
  redrawlist(d);
}

void refill(DialogRef d, const std::string& local) {
  std::string machine = dialogitemtext(d, itemMachine);
  emptylist(d);
  populateprocesslist(&pcs().rows, &machine, local);
  redrawlist(d);
}

bool PcomaRTPPCdlog(DialogRef dialog, EventRecord* event, i16* itemhit) {
  ProgramChooserState& s = pcs();
  dlogcursor(dialog);
  switch (event->what) {
    case keyDown:
    case autoKey: {
      const u8 c = u8(event->message & charCodeMask);
      if ((event->modifiers & controlKey) && c == kReturnCharCode) return false;
      const bool cancelkey = c == kEscapeCharCode || ((event->modifiers & cmdKey) && c == '.');
      if (cancelkey) {
        ControlRef cancel = nilid;
        if (scriptdialogs().nocancel == 0 && GetDialogItemAsControl(dialog, itemCancel, &cancel) == noErr &&
            IsControlVisible(cancel) && IsControlActive(cancel)) {
          flashcontrol(cancel);
          *itemhit = itemCancel;
          return true;
        }
        event->what = nullEvent;
        return false;
      }
      if (keyabort(c)) {
        ControlRef ok = nilid;
        if (GetDialogItemAsControl(dialog, itemOK, &ok) == noErr && IsControlActive(ok)) {
          flashcontrol(ok);
          *itemhit = itemOK;
          return true;
        }
        event->what = nullEvent;
        return false;
      }
      if (c == kUpArrowCharCode || c == kDownArrowCharCode) {
        const i32 n = i32(s.rows.size());
        if (n > 0) {
          s.selected = std::clamp(s.selected + (c == kUpArrowCharCode ? -1 : 1), 0, n - 1);
          const i32 shown = (kListRows);
          if (s.selected < s.top) s.top = s.selected;
          if (s.selected >= s.top + shown) s.top = s.selected - shown + 1;
          setok(dialog, true);
          redrawlist(dialog);
        }
        event->what = nullEvent;
        return false;
      }
      if (c == kLeftArrowCharCode || c == kRightArrowCharCode || (event->modifiers & cmdKey)) return false;
      if (!s.editable) {
        event->what = nullEvent;
        return false;
      }
      emptylist(dialog);
      return false;
    }
    case mouseDown: {
      WindowRef w = nilid;
      if (FindWindow(event->where, &w) != inContent || w != dialog) return false;
      Rect content{}, box{};
      GetWindowBounds(dialog, kWindowContentRgn, &content);
      GetDialogItem(dialog, itemList, nullptr, nullptr, &box);
      const Point local{i16(event->where.v - content.top), i16(event->where.h - content.left)};
      if (!PtInRect(local, &box)) return false;
      const i32 row = s.top + (local.v - box.top) / kRowHeight;
      const bool twice = row == s.lastrow && event->when - s.lastclick <= GetDblTime();
      s.lastclick = event->when;
      s.lastrow = row;
      event->what = nullEvent;
      if (row < 0 || row >= i32(s.rows.size())) return false;
      s.selected = row;
      setok(dialog, true);
      redrawlist(dialog);
      if (twice) {
        ControlRef ok = nilid;
        if (GetDialogItemAsControl(dialog, itemOK, &ok) == noErr) flashcontrol(ok);
        *itemhit = itemOK;
        return true;
      }
      *itemhit = itemList;
      return true;
    }
    case updateEvt: updatedialog(dialog, event); return false;
    case osEvt: resumedialog(dialog, event); return false;
    default: return false;
  }
}

// A headless answer names the program: a double click on its row; "cancel", or nobody to
// answer, presses Escape.
void answerlist(DialogRef d, const std::string& loopname, std::string_view kind) {
  Answer a;
  switch (beginmodal(loopname, kind, &a, true)) {
    case ModalStart::run: return;
    case ModalStart::usedefault: drive::key(kVKEscape); return;
    case ModalStart::answered: break;
  }
  ProgramChooserState& s = pcs();
  auto row = std::find(s.rows.begin(), s.rows.end(), a.text);
  if (row == s.rows.end() && a.items.size() == 1 && a.items[0] >= 1 && std::size_t(a.items[0]) <= s.rows.size())
    row = s.rows.begin() + (a.items[0] - 1);  // a row by its number
  if (a.kind == "cancel" || row == s.rows.end()) {
    drive::key(kVKEscape);
    return;
  }
  Rect content{}, box{};
  GetWindowBounds(d, kWindowContentRgn, &content);
  GetDialogItem(d, itemList, nullptr, nullptr, &box);
  const i32 wanted = i32(row - s.rows.begin());
  if (wanted < s.top || wanted >= s.top + kListRows) {
    s.top = std::max(0, wanted - kListRows / 2);
    redrawlist(d);
  }
  const i32 k = wanted - s.top;
  drive::doubleClick(
      Point{i16(content.top + box.top + k * kRowHeight + kRowHeight / 2), i16(content.left + box.left + 8)});
}

}  // namespace

i32 pickfromlist(i16 dialogid, ConstStringPtr prompt, const std::vector<std::string>& rows, i32 initial,
                 const std::string& loopname, std::string_view kind) {
  GrafPtr port = nilid;
  GetPort(&port);
  SetThemeCursor(kThemeArrowCursor);
  DialogRef d = GetNewDialog(dialogid, kFirstWindowOfClass);
  if (d == nilid) return -1;
  ProgramChooserState& s = pcs();
  s = ProgramChooserState{};
  s.dialog = d;
  s.editable = false;
  s.rows = rows;
  if (initial >= 0 && initial < i32(rows.size())) {
    s.selected = initial;
    s.top = std::max(0, initial - kListRows / 2);
  }
  SetWindowClass(d, kMovableModalWindowClass);
  centreonmainscreen(d);
  if (scriptdialogs().nocancel == 0) SetDialogCancelItem(d, itemCancel);
  SetDialogDefaultItem(d, itemOK);
  ParamText(prompt, nullptr, nullptr, nullptr);
  SetDialogItemProc(d, itemList, drawlist);
  setok(d, s.selected >= 0);
  ShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  setdefault(d);
  answerlist(d, loopname, kind);
  i16 hit = 0;
  do {
    MovableModalDialog(d, PcomaRTPPCdlog, &hit);
  } while (hit > 2 && isdialog(d));
  const i32 chosen = hit == itemOK ? s.selected : -1;
  noteitemhit(d, kind, hit);
  s = ProgramChooserState{};
  DisposeDialog(d);
  SetPort(port);
  scriptdialogs().nocancel = 0;
  return chosen;
}

bool parsemachineaddress(std::string_view text, u8 out[4]) {
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != '.') return false;
      ++at;
    }
    std::size_t digits = 0;
    u32 v = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
      v = v * 10 + u32(text[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || digits > 3 || v > 255) return false;
    out[part] = u8(v);
  }
  return at == text.size();
}

i16 populateprocesslist(std::vector<std::string>* rows, std::string* machine, const std::string& localaddress) {
  rows->clear();
  if (machine->empty() || sameaddress(*machine, localaddress)) {
    // This machine: the programs that take requests here (this instance).
    rows->push_back(std::string(kOwnProgram));
    return 0;
  }
  std::string rest = startseppc(*machine) ? machine->substr(kEppc.size()) : *machine;
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  // The host, and a port after it where one is given.
  std::string host = rest, port;
  if (const std::size_t colon = rest.find(':'); colon != std::string::npos) {
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
  }
  u8 address[4];
  bool portok = port.empty() || (port.size() <= 5 &&
                                 std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                                 std::stoul(port) >= 1 && std::stoul(port) <= 65535);
  if (rest.find(':') != std::string::npos && port.empty()) portok = false;
  if (!parsemachineaddress(host, address) || !portok) {
    SysBeep(1);
    return 2;
  }
  std::vector<std::string> urls;
  std::string error;
  if (!AEListProcessesOnRemoteMachine(std::string(kEppc) + rest + "/", &urls, &error)) return 1;
  for (const std::string& u : urls) {
    // The program's path below the machine's URL.
    std::string_view path = u;
    if (startseppc(path)) {
      const std::size_t slash = path.find('/', kEppc.size());
      path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    std::string name = unescape(path);
    if (name.size() > 255) name.resize(255);
    if (!name.empty()) rows->push_back(name);
  }
  *machine = std::string(kEppc) + rest;
  return 0;
}

scriptstatus answerprogramX(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  ScriptDialogState& sd = scriptdialogs();
  dialogparse p{path, text, atoms, variables, at + 2};  // past `answer program`
  Str255 prompt{}, machine{};
  if (i16 st = p.expression(prompt)) return st;
  emptyresult();
  if (p.tok() == tok::using_ || p.tok() == tok::with) {
    ++p.i;
    if (p.tok() == tok::address) ++p.i;
    if (p.ends()) return 2;
    if (i16 st = p.expression(machine)) return st;
  }
  if (!p.ends()) return err::stray;
  std::string machinetext(pstringview(machine));
  if (startseppc(machinetext)) machinetext.erase(0, kEppc.size());
  sd.nocancel = 0;
  const std::string local = firstipv4address();
  if (machinetext.empty()) machinetext = local;

  GrafPtr port = nilid;
  GetPort(&port);
  SetThemeCursor(kThemeArrowCursor);
  DialogRef d = GetNewDialog(kProgramDialog, kFirstWindowOfClass);
  if (d == nilid) {
    // No chooser can be shown: as cancelled.
    setresulttext(kResultCancel);
    return stringtoit(reinterpret_cast<ConstStringPtr>(""), variables);
  }
  ProgramChooserState& s = pcs();
  s = ProgramChooserState{};
  s.dialog = d;
  SetWindowClass(d, kMovableModalWindowClass);
  centreonmainscreen(d);
  SetDialogCancelItem(d, itemCancel);
  SetDialogDefaultItem(d, itemOK);
  ParamText(prompt, nullptr, nullptr, nullptr);
  setdialogitemtext(d, itemMachine, machinetext);
  SelectDialogItemText(d, itemMachine, 0, kTEMaxLength);
  SetDialogItemProc(d, itemList, drawlist);
  setok(d, false);
  ShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  setdefault(d);
  refill(d, local);
  answerlist(d, "answer program " + macromantoutf8(pstringview(prompt)), "answer program");
  i16 hit = 0;
  do {
    MovableModalDialog(d, PcomaRTPPCdlog, &hit);
    if (hit == itemRefresh) refill(d, local);
  } while (hit > 2 && isdialog(d));
  std::string answer;
  if (hit == itemOK && s.selected >= 0 && s.selected < i32(s.rows.size())) {
    const std::string m = dialogitemtext(d, itemMachine);
    answer = (startseppc(m) ? std::string() : std::string(kEppc)) + m + "/" + s.rows[std::size_t(s.selected)];
    if (answer.size() > 255) answer.resize(255);
  }
  noteitemhit(d, "answer program", hit);
  s = ProgramChooserState{};
  DisposeDialog(d);
  SetPort(port);
  rehilitecurrent();
  redrawifpenhidden();
  if (hit != itemOK) {
    setresulttext(kResultCancel);
    return stringtoit(reinterpret_cast<ConstStringPtr>(""), variables);
  }
  Str255 out{};
  pstrassign(out, sizeof out, answer.data(), answer.size());
  return stringtoit(out, variables);
}

}  // namespace kv
