#include "platform/dialogs/choosers.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/dialogs/dialogs.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/events/watchdog.h"
#include "platform/files/files.h"
#include "platform/process/process.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "platform/backend/backend.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"

namespace kv {

namespace {

namespace fs = std::filesystem;

// Items of the chooser dialog.
enum : i16 {
  itemChoose = 1,
  itemCancel = 2,
  itemMessage = 3,
  itemName = 4,
  itemList = 5,
  itemFolder = 6,
  itemParent = 7,
};
constexpr i16 kRowHeight = 16;
constexpr Rect kListBox{64, 16, 64 + 12 * kRowHeight, 404};


struct Chooser {
  ChooserRequest request;
  DialogRef dialog = nilid;
  std::string folder;  // Mac Roman path of the folder shown, ending without '/' (but "/")
  std::vector<ChooserEntry> entries;
  i32 selected = -1;
  i32 top = 0;  // first row shown
};

struct ChooserState {
  ChooserRequest last;
  Chooser* current = nullptr;  // the chooser being run (one at a time; its dialog is modal)
  u32 lastclick = 0;           // the last click on the list, to tell a double click
  i32 lastrow = -1;
};

ChooserState& cs() { return state<ChooserState>(); }

std::string ondisk(const std::string& macroman) { return macromantofilename(macroman); }

bool isfolderpath(const std::string& macroman) {
  std::error_code ec;
  return fs::is_directory(ondisk(macroman), ec);
}

bool isfilepath(const std::string& macroman) {
  std::error_code ec;
  return fs::is_regular_file(ondisk(macroman), ec);
}

std::string joinpath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// A path made absolute against a folder and without "." and ".." parts (Mac Roman).
std::string resolve(const std::string& folder, const std::string& path) {
  std::string full = !path.empty() && path.front() == '/' ? path : joinpath(folder, path);
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= full.size()) {
    std::size_t slash = full.find('/', at);
    if (slash == std::string::npos) slash = full.size();
    std::string part = full.substr(at, slash - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = slash + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

std::string parentof(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string leafof(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

u32 typeof_(const std::string& folder, const std::string& name) {
  u32 dirid = 0;
  if (folderidofpath(folder, &dirid) != noErr) return 0;
  Str255 leaf{};
  pstrassign(leaf, sizeof leaf, name.data(), std::min<std::size_t>(name.size(), 255));
  CatInfo info{};
  if (HGetCatInfo(kBootVolume, dirid, leaf, &info) != noErr) return 0;
  return info.type;
}

std::string startfolder(const ChooserRequest& r) {
  std::error_code ec;
  if (!r.location.empty() && isfolderpath(r.location)) return resolve("/", r.location);
  const std::string here = filenametomacroman(fs::current_path(ec).string());
  return resolve("/", here);
}

void fill(Chooser& c) {
  c.entries = chooserentries(c.request, c.folder);
  c.selected = -1;
  c.top = 0;
  setdialogitemtext(c.dialog, itemFolder, c.folder);
}

void drawlist(DialogRef d, i16) {
  Chooser* current = cs().current;
  if (current == nullptr || current->dialog != d) return;
  const Chooser& c = *current;
  drawtextrows(
      d, itemList, i32(c.entries.size()),
      [&c](i32 k) {
        const ChooserEntry& e = c.entries[std::size_t(k)];
        return e.folder ? e.name + "/" : e.name;
      },
      c.top, c.selected, kRowHeight);
}

void redrawlist(Chooser& c) { redrawdialogitem(c.dialog, itemList, drawlist); }

void enter(Chooser& c, const std::string& folder) {
  c.folder = folder;
  fill(c);
  setdialogitemtext(c.dialog, itemName,
                    c.request.kind == ChooserKind::putfile ? dialogitemtext(c.dialog, itemName) : "");
  redrawlist(c);
}

// What the name field and the selection make of the Choose button: a path chosen (true), or
// the chooser moved into a folder or refused (false).
bool accept(Chooser& c, std::string* out) {
  std::string typed = dialogitemtext(c.dialog, itemName);
  if (typed.empty() && c.selected >= 0 && c.selected < i32(c.entries.size()))
    typed = c.entries[std::size_t(c.selected)].name;
  const ChooserKind kind = c.request.kind;
  if (typed.empty()) {
    if (kind == ChooserKind::folder || kind == ChooserKind::volume) {
      *out = c.folder;
      return true;
    }
    SysBeep(1);
    return false;
  }
  const std::string path = resolve(c.folder, typed);
  switch (kind) {
    case ChooserKind::getfile:
      if (isfolderpath(path)) {
        enter(c, path);
        return false;
      }
      if (isfilepath(path)) {
        ChooserEntry e{leafof(path), false, typeof_(parentof(path), leafof(path)), parentof(path)};
        if (choosershows(c.request, e)) {
          *out = path;
          return true;
        }
      }
      break;
    case ChooserKind::putfile:
      if (isfolderpath(path)) {
        enter(c, path);
        return false;
      }
      if (isfolderpath(parentof(path)) && !leafof(path).empty() && leafof(path).size() <= 255) {
        *out = path;
        return true;
      }
      break;
    case ChooserKind::folder:
    case ChooserKind::volume:
      if (isfolderpath(path)) {
        *out = path;
        return true;
      }
      break;
  }
  SysBeep(1);
  return false;
}

bool chooserfilter(DialogRef d, EventRecord* e, i16* itemHit) {
  Chooser& c = *cs().current;
  // Requests of other programs go to the event procedure as they come (the modal loop leaves
  // them in the queue).
  if (c.request.eventproc != nullptr) {
    EventRecord request{};
    while (GetNextEvent(highLevelEventMask, &request)) c.request.eventproc(request, c.request.eventref);
  }
  if (c.request.eventproc != nullptr && (e->what == updateEvt || e->what == activateEvt || e->what == mouseUp))
    c.request.eventproc(*e, c.request.eventref);
  if (e->what == mouseUp) SetThemeCursor(kThemeArrowCursor);
  if (e->what == mouseDown) {
    WindowRef w = nilid;
    if (FindWindow(e->where, &w) == inContent && w == d) {
      Rect content{}, box{};
      GetWindowBounds(d, kWindowContentRgn, &content);
      GetDialogItem(d, itemList, nullptr, nullptr, &box);
      const Point local{i16(e->where.v - content.top), i16(e->where.h - content.left)};
      if (PtInRect(local, &box)) {
        const i32 row = c.top + (local.v - box.top) / kRowHeight;
        ChooserState& st = cs();
        const bool twice = row == st.lastrow && e->when - st.lastclick <= GetDblTime();
        st.lastclick = e->when;
        st.lastrow = row;
        if (row >= 0 && row < i32(c.entries.size())) {
          c.selected = row;
          const ChooserEntry& entry = c.entries[std::size_t(row)];
          setdialogitemtext(d, itemName, entry.name);
          redrawlist(c);
          if (twice) {
            *itemHit = itemChoose;
            return true;
          }
        }
        e->what = nullEvent;
        return false;
      }
    }
  }
  if (e->what == keyDown || e->what == autoKey) {
    const u8 ch = u8(e->message & charCodeMask);
    if (ch == kReturnCharCode || ch == kEnterCharCode) {
      *itemHit = itemChoose;
      return true;
    }
    if (ch == kEscapeCharCode || (ch == '.' && (e->modifiers & cmdKey))) {
      if (!c.request.cancellable) {
        e->what = nullEvent;
        return false;
      }
      *itemHit = itemCancel;
      return true;
    }
    if (ch == kUpArrowCharCode || ch == kDownArrowCharCode) {
      const i32 n = i32(c.entries.size());
      if (n == 0) return false;
      c.selected = std::clamp(c.selected + (ch == kUpArrowCharCode ? -1 : 1), 0, n - 1);
      const i32 rows = (kListBox.bottom - kListBox.top) / kRowHeight;
      if (c.selected < c.top) c.top = c.selected;
      if (c.selected >= c.top + rows) c.top = c.selected - rows + 1;
      setdialogitemtext(d, itemName, c.entries[std::size_t(c.selected)].name);
      redrawlist(c);
      e->what = nullEvent;
      return false;
    }
  }
  return false;
}

void putitem(std::vector<u8>& d, const Rect& box, i16 type, std::string_view text) {
  for (int i = 0; i < 4; ++i) d.push_back(0);
  for (i16 v : {box.top, box.left, box.bottom, box.right}) {
    d.push_back(u8(u16(v) >> 8));
    d.push_back(u8(v));
  }
  d.push_back(u8(type));
  const std::size_t n = std::min<std::size_t>(text.size(), 255);
  d.push_back(u8(n));
  d.insert(d.end(), text.begin(), text.begin() + std::ptrdiff_t(n));
  if (n & 1) d.push_back(0);
}

}  // namespace

const ChooserRequest& lastchooserrequest() { return state<ChooserState>().last; }

bool choosershows(const ChooserRequest& r, const ChooserEntry& e) {
  if (e.folder) return true;
  if (r.kind == ChooserKind::folder || r.kind == ChooserKind::volume) return false;
  if (r.kind == ChooserKind::putfile) return true;
  if (!e.name.empty() && e.name.front() == '.') return false;
  if (r.filter != nullptr) return r.filter(e, r.filterref);
  if (r.types.empty()) return true;
  return std::find(r.types.begin(), r.types.end(), e.type) != r.types.end();
}

std::vector<ChooserEntry> chooserentries(const ChooserRequest& r, const std::string& folder) {
  std::vector<ChooserEntry> out;
  std::error_code ec;
  fs::directory_iterator it(ondisk(folder), ec);
  if (ec) return out;
  for (const fs::directory_entry& de : it) {
    ChooserEntry e;
    e.name = filenametomacroman(de.path().filename().string());
    if (e.name.empty() || e.name.front() == '.' || e.name.size() > 255) continue;
    e.folder = de.is_directory(ec);
    if (!e.folder) e.type = typeof_(folder, e.name);
    e.location = folder;
    if (choosershows(r, e)) out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(), [](const ChooserEntry& a, const ChooserEntry& b) {
    if (a.folder != b.folder) return a.folder;
    return a.name < b.name;
  });
  return out;
}

OSErr runchooser(const ChooserRequest& request, std::string* path) {
  state<ChooserState>().last = request;
  if (cs().current != nullptr) return userCanceledErr;  // one chooser at a time
  Chooser c;
  c.request = request;
  c.folder = startfolder(request);

  static constexpr const char* choose[] = {"Open", "Save", "Choose", "Choose"};
  std::vector<u8> ditl{0, 6};
  putitem(ditl, Rect{290, 324, 310, 404}, kPushButtonItem, choose[int(request.kind)]);
  putitem(ditl, Rect{290, 232, 310, 312}, kPushButtonItem, "Cancel");
  putitem(ditl, Rect{8, 16, 40, 404}, statText + itemDisable, request.message);
  putitem(ditl, Rect{i16(kListBox.bottom + 12), 16, i16(kListBox.bottom + 28), 404}, editText, request.proposedname);
  putitem(ditl, kListBox, userItem, "");
  putitem(ditl, Rect{44, 16, 60, 330}, statText + itemDisable, "");
  putitem(ditl, Rect{42, 340, 60, 404}, kPushButtonItem, "Up");
  const i16 width = 420, height = 322;
  Rect bounds{};
  if (request.positioned) {
    bounds = Rect{request.where.v, request.where.h, i16(request.where.v + height), i16(request.where.h + width)};
  } else {
    const Rect s = availablebounds(0);
    const i16 left = i16((s.left + s.right - width) / 2), top = i16(s.top + (s.bottom - s.top - height) / 3);
    bounds = Rect{top, left, i16(top + height), i16(left + width)};
  }
  DialogRef d = NewDialogFromItems(&bounds, nullptr, false, kWindowMovableModalDialogProc, kFirstWindowOfClass, false,
                                   0, ditl.data(), ditl.size());
  if (d == nilid) return memFullErr;
  SetWindowClass(d, kMovableModalWindowClass);
  c.dialog = d;
  cs().current = &c;
  SetDialogItemProc(d, itemList, drawlist);
  SetDialogDefaultItem(d, itemChoose);
  if (request.cancellable) SetDialogCancelItem(d, itemCancel);
  fill(c);
  SelectDialogItemText(d, itemName, 0, kTEMaxLength);
  ShowWindow(d);
  SelectWindow(d);
  DrawDialog(d);
  const bool nameless = request.kind != ChooserKind::putfile;
  const bool answered = answerdialog(d, request.loopname, request.answerkind, true, nameless);
  OSErr result = userCanceledErr;
  for (;;) {
    i16 hit = 0;
    ModalDialog(chooserfilter, &hit);
    if (!isdialog(d)) break;
    if (hit == itemCancel && request.cancellable) break;
    if (hit == itemParent) {
      enter(c, parentof(c.folder));
      continue;
    }
    if (hit == itemChoose) {
      std::string chosen;
      if (accept(c, &chosen)) {
        *path = chosen;
        result = noErr;
        break;
      }
      // A name that led nowhere in an answered run: nobody is there to try again.
      if (answered && !pressespending()) {
        transcriptadd(TranscriptKind::note,
                      "the chooser cannot take \"" + macromantoutf8(dialogitemtext(d, itemName)) + "\"");
        break;
      }
    }
  }
  noteitemhit(d, request.answerkind, result == noErr ? itemChoose : itemCancel);
  cs().current = nullptr;
  DisposeDialog(d);
  return result;
}

}  // namespace kv
