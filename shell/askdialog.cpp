// The ask command: a text, a password, a file name to save under or an instrument, put into
// `it`; the ask dialog (130) grown to its texts, the password filter, and the save-file
// chooser.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/backend/backend.h"
#include "platform/dialogs/choosers.h"
#include "platform/files/files.h"
#include "platform/events/keycodes.h"
#include "platform/qd/qd.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "shell/customframe.h"
#include "shell/dialogs.h"
#include "shell/dialogutils.h"
#include "shell/scriptdialogparse.h"
#include "store/namekey.h"
#include "system/appleevents.h"

namespace kv {

namespace {

constexpr i16 kAskDialog = 130;
constexpr i16 kInstrumentList = 2000;
constexpr i16 kInstrumentDialog = 680;
constexpr u8 kBullet = 0xA5;  // Mac Roman bullet

struct PasswordState {
  TEHandle hidden = nilid;  // the typed password; the visible item shows bullets
};

PasswordState& pw() { return state<PasswordState>(); }

i16 itemlines(DialogRef d, i16 item) {
  Rect box{};
  GetDialogItem(d, item, nullptr, nullptr, &box);
  return i16(getlines(dialogitemtext(d, item), i16(box.right - box.left)));
}

// The hidden record takes the selection of the visible item `item`; that item's TextEdit handle.
u32 followselection(DialogRef dialog, i16 item, TEHandle hidden) {
  u32 h = 0;
  GetDialogItem(dialog, item, nullptr, &h, nullptr);
  i32 a = 0, b = 0;
  TEGetSelection(h, &a, &b);
  TESetSelect(a, b, hidden);
  return h;
}

// The password's characters go to the hidden record; the visible item gets a bullet for each.
bool PtransMPpassfilter(DialogRef dialog, EventRecord* event, i16* itemhit) {
  PasswordState& s = pw();
  if ((event->what == keyDown || event->what == autoKey) && (event->modifiers & cmdKey)) {
    const u8 c = u8(event->message & charCodeMask);
    if (c == 'v' || c == 'V') {
      // A paste types the clipboard's text into the hidden record and bullets into the field.
      const i16 focus = GetDialogKeyboardFocusItem(dialog);
      const u32 h = followselection(dialog, focus, s.hidden);
      for (const ClipFlavor& f : backend().clipboard())
        if (f.type == fourcc("TEXT")) {
          TEInsert(f.bytes.data(), i32(f.bytes.size()), s.hidden);
          const std::string bullets(f.bytes.size(), char(kBullet));
          TEInsert(bullets.data(), i32(bullets.size()), h);
          break;
        }
      resettext(dialog, focus);
      event->what = nullEvent;
      return false;
    }
    if (c == 'c' || c == 'C' || c == 'x' || c == 'X') {
      event->what = nullEvent;  // the password never reaches the clipboard
      return false;
    }
  }
  if (PdialogRTstdialog(dialog, event, itemhit)) return true;
  if (event->what != keyDown && event->what != autoKey) return false;
  if (event->modifiers & cmdKey) return false;
  const u8 c = u8(event->message & charCodeMask);
  followselection(dialog, GetDialogKeyboardFocusItem(dialog), s.hidden);
  TEKey(c, s.hidden);
  if (c >= 32 && c != kDeleteCharCode) event->message = (event->message & ~charCodeMask) | kBullet;
  return false;
}

}  // namespace

i32 getlines(std::string_view text, i16 width) {
  if (text.empty()) return 1;
  GrafPtr port = nilid;
  GetPort(&port);
  const i16 font = port != nilid ? GetPortTextFont(port) : 0;
  const i16 size = port != nilid ? GetPortTextSize(port) : 12;
  TextFont(0);
  TextSize(12);
  const i32 n = countwrappedlines(text, i16(width - 4));
  TextFont(font);
  TextSize(size);
  return n;
}

void adjustask(DialogRef dialog) {
  GrafPtr old = nilid;
  GetPort(&old);
  SetPortWindowPort(dialog);
  struct Restore {
    GrafPtr port;
    ~Restore() { SetPort(port); }
  } restore{old};
  i16 p = itemlines(dialog, 3), a = itemlines(dialog, 4);
  if (p > 13) {
    p = 13;
    a = a < 2 ? a : 1;
  } else {
    a = std::min<i16>(a, i16(14 - p));
  }
  if (p <= 1 && a < 2) return;
  growwindow(dialog, i16((p + a - 2) * 16));
  if (p >= 2) {
    const i16 by = i16((p - 1) * 16);
    movebuttons(dialog, 2, by);
    movebox(dialog, 4, by, by);
    movebox(dialog, 3, 0, by);
    resettext(dialog, 3);
    resettext(dialog, 4);
  }
  if (a >= 2) {
    const i16 by = i16((a - 1) * 16);
    movebox(dialog, 4, 0, by);
    resettext(dialog, 4);
    movebuttons(dialog, 2, by);
  }
}

namespace {

// The save-file chooser: the name in `name`, its folder in `folder` (empty name: cancelled).
void savechooser(ConstStringPtr prompt, ConstStringPtr proposed, i16 h, i16 v, StringPtr name, std::string* folder) {
  ScriptDialogState& sd = scriptdialogs();
  sd.nocancel = 0;
  ChooserRequest r;
  r.kind = ChooserKind::putfile;
  r.message = std::string(pstringview(prompt));
  r.proposedname = std::string(pstringview(proposed));
  r.hideextension = sd.hideextension;
  r.location = sd.defaultlocation;
  if (h >= 0 && v >= 0) {
    r.positioned = true;
    r.where = Point{i16(v - 130), i16(h - 211)};
  }
  static constexpr const char* shown[] = {"", " (show extension)", " (hide extension)"};
  r.loopname = "ask file " + macromantoutf8(r.message) + " " + macromantoutf8(r.proposedname) +
               shown[sd.hideextension == 1 || sd.hideextension == 2 ? sd.hideextension : 0];
  r.answerkind = "ask file";
  sd.hideextension = 0;
  std::string path;
  name[0] = 0;
  if (runchooser(r, &path) != noErr) return;
  const std::size_t slash = path.rfind('/');
  const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
  if (leaf.empty() || leaf.size() > 255) return;
  pstrassign(name, 256, leaf.data(), leaf.size());
  if (folder) *folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

i16 runask(i16 mode, ConstStringPtr prompt, StringPtr answer, i16 h, i16 v, StringPtr name, bool password,
           std::string* folder) {
  ScriptDialogState& sd = scriptdialogs();
  if (mode == askmodefile) {
    savechooser(prompt, answer, h, v, name, folder);
    return 1;
  }
  notify(kInteractTimeout);
  if (name) name[0] = 0;
  SetThemeCursor(kThemeArrowCursor);
  GrafPtr port = nilid;
  GetPort(&port);
  DialogRef d = GetNewDialog(kAskDialog, kFirstWindowOfClass);
  if (d == nilid) {
    sd.nocancel = 0;
    return 2;
  }
  SetWindowClass(d, kMovableModalWindowClass);
  if (!password) SetDialogItemText(d, 4, answer);
  SetDialogItemText(d, 3, prompt);
  adjustask(d);
  centredialog(d, h, v);
  SelectDialogItemText(d, 4, 0, kTEMaxLength);
  SetDialogDefaultItem(d, 1);
  if (sd.nocancel == 0) SetDialogCancelItem(d, 2);
  SetWindowModality(d, kWindowModalityAppModal, nilid);
  myShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  setdefault(d);
  ModalFilterProcPtr filter = PdialogRTstdialog;
  if (password) {
    const Rect off{-5100, -5100, -5000, -5000};
    pw().hidden = TENew(&off, &off);
    filter = PtransMPpassfilter;
  }
  answerdialog(d, (password ? "ask password " : "ask ") + macromantoutf8(pstringview(prompt)), "ask", true);
  i16 hit = 0;
  do {
    MovableModalDialog(d, filter, &hit);
  } while (hit != 1 && hit != 2 && isdialog(d));
  const std::string typed = password ? std::string(tetext(pw().hidden)) : dialogitemtext(d, 4);
  pstrassign(answer, 256, typed.data(), std::min<std::size_t>(typed.size(), 255));
  if (password) {
    TEDispose(pw().hidden);
    pw().hidden = nilid;
  }
  noteitemhit(d, "ask", hit);
  myHideWindow(d);
  DisposeDialog(d);
  SetPort(port);
  redrawifpenhidden();
  sd.nocancel = 0;
  return hit;
}

namespace {

// `ask instrument`: the General MIDI instruments of string list 2000 in the list dialog 680;
// `it` gets the chosen instrument's number, or stays empty with `the result` "Cancel".
i16 askinstrument(dialogparse& p, ConstStringPtr prompt, i16 number) {
  std::vector<std::string> rows;
  std::vector<i16> numbers;
  for (i16 k = 1; k <= 135; ++k) {
    Str255 s{};
    GetIndString(s, kInstrumentList, k);
    if (s[0] == 0) continue;
    rows.emplace_back(pstringview(s));
    numbers.push_back(k);
  }
  const auto at = std::find(numbers.begin(), numbers.end(), number);
  const i32 initial = at == numbers.end() ? 0 : i32(at - numbers.begin());
  const i32 chosen = pickfromlist(kInstrumentDialog, prompt, rows, initial,
                                  "ask instrument " + macromantoutf8(pstringview(prompt)), "ask instrument");
  if (chosen < 0) {
    setresulttext(kResultCancel);
    return stringtoit(reinterpret_cast<ConstStringPtr>(""), p.variables);
  }
  Str255 out{};
  const std::string s = std::to_string(numbers[std::size_t(chosen)]);
  pstrassign(out, sizeof out, s.data(), s.size());
  return stringtoit(out, p.variables);
}

}  // namespace

scriptstatus comask(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (refusedduringdrag()) return 0;
  ScriptDialogState& sd = scriptdialogs();
  sd.hideextension = 0;
  dialogparse p{path, text, atoms, variables, at + 1};
  const u16 form = p.tok();
  if (form == tok::list) return asklist(p);
  if (form == tok::icon) return askicon(p);
  bool password = false, file = false, instrument = false;
  if (form == tok::password) password = true;
  else if (form == tok::file) file = true;
  else if (form == tok::instrument) instrument = true;
  if (password || file || instrument) ++p.i;
  Str255 prompt{}, answer{};
  if (i16 st = p.expression(prompt)) return st;
  if (p.tok() == tok::with) {
    ++p.i;
    if (i16 st = p.expression(answer)) return st;
  }
  if (instrument) {
    if (!p.ends()) return err::stray;
    i16 number = 1;
    if (answer[0] != 0) {
      const std::string t(pstringview(answer));
      char* end = nullptr;
      const long v = std::strtol(t.c_str(), &end, 10);
      if (end != t.c_str() && v >= 1 && v <= 135) number = i16(v);
    }
    emptyresult();
    return askinstrument(p, prompt, number);
  }
  i16 h = -1, v = -1;
  if (i16 st = p.placeandcancel(&h, &v)) return st;
  if (file && (p.tok() == tok::hide || p.tok() == tok::show) && p.tok(1) == tok::extension) {
    sd.hideextension = p.tok() == tok::hide ? 2 : 1;
    p.i += 2;
  }
  if (!p.ends()) {
    sd.nocancel = 0;
    sd.hideextension = 0;
    return err::stray;
  }
  emptyresult();
  unhilitecurrent();
  Str255 name{};
  std::string folder;
  const i16 hit = runask(file ? askmodefile : askmodetext, prompt, answer, h, v, name, password, &folder);
  rehilitecurrent();
  sd.nocancel = 0;
  if (file) {
    if (name[0] != 0) {
      const std::string full = folder + std::string(pstringview(name));
      pstrassign(answer, sizeof answer, full.data(), std::min<std::size_t>(full.size(), 255));
    } else {
      answer[0] = 0;
      setresulttext(kResultCancel);
    }
    return stringtoit(answer, variables);
  }
  if (password && hit != 2) {
    u32 key = 0;
    getkey(answer, &key);
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%d", int(i32(key)));
    pstrassign(answer, sizeof answer, digits, std::size_t(n));
  }
  if (hit == 2) {
    answer[0] = 0;
    setresulttext(kResultCancel);
  }
  return stringtoit(answer, variables);
}

i16 xask(i16 mode, ConstStringPtr prompt, StringPtr answer, i16 h, i16 v, StringPtr path, bool password, i16* volume,
         u32* directory) {
  ScriptDialogState& sd = scriptdialogs();
  sd.hideextension = 0;
  if (path) path[0] = 0;
  if (volume) *volume = 0;
  if (directory) *directory = 0;
  Str255 none{}, scratch{};
  if (prompt == nullptr) prompt = none;
  if (answer == nullptr) answer = scratch;
  unhilitecurrent();
  Str255 name{};
  std::string folder;
  const i16 hit = runask(mode, prompt, answer, h, v, name, password, &folder);
  rehilitecurrent();
  if (mode == askmodefile) {
    if (name[0] != 0) {
      // A path that does not fit names the file alone; its folder's place is given beside it.
      std::string full = folder + std::string(pstringview(name));
      if (full.size() > 255) full = std::string(pstringview(name));
      if (path) pstrassign(path, 256, full.data(), full.size());
      u32 dirid = 0;
      if (folderidofpath(folder, &dirid) == noErr) {
        if (volume) *volume = kBootVolume;
        if (directory) *directory = dirid;
      }
    } else {
      answer[0] = 0;
      if (path) std::memcpy(path, resultstr(kResultCancel), std::size_t(resultstr(kResultCancel)[0]) + 1);
    }
    return hit;
  }
  if (password && hit != 2) {
    u32 key = 0;
    getkey(answer, &key);
    const std::string n = std::to_string(i32(key));
    pstrassign(answer, 256, n.data(), n.size());
  }
  if (hit == 2) {
    answer[0] = 0;
    if (path) std::memcpy(path, resultstr(kResultCancel), std::size_t(resultstr(kResultCancel)[0]) + 1);
  }
  return hit;
}

i16 runputfile(ConstStringPtr prompt, ConstStringPtr defaultname, i16 extension, StringPtr file) {
  ScriptDialogState& sd = scriptdialogs();
  sd.hideextension = extension == 1 || extension == 2 ? extension : 0;
  Str255 proposed{};
  std::memcpy(proposed, defaultname, std::size_t(defaultname[0]) + 1);
  Str255 name{};
  std::string folder;
  runask(askmodefile, prompt, proposed, -1, -1, name, false, &folder);
  file[0] = 0;
  if (name[0] == 0) return 0;
  const std::string full = folder + std::string(pstringview(name));
  if (full.size() > 255) return 0;
  pstrassign(file, 256, full.data(), full.size());
  return 1;
}

}  // namespace kv
