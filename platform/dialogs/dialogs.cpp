#include "platform/dialogs/dialogs.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/events/keycodes.h"
#include "platform/events/watchdog.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/qd/icons.h"
#include "platform/qd/qd.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/screens.h"

namespace kv {

namespace {

struct DialogItem {
  i16 type = userItem;
  Rect box{0, 0, 0, 0};
  ControlRef control = nilid;
  TEHandle te = nilid;
  std::string text;             // static text (raw), or the title a control was made with
  i16 resid = 0;                // icon, picture or control resource
  Handle resource = nilhandle;  // an icon or picture handed in by SetDialogItem (else by resid)
  UserItemProcPtr proc = nullptr;
};

struct DialogRecord {
  std::vector<DialogItem> items;
  i16 focus = 0;
  i16 defaultitem = 0, cancelitem = 0;
  bool sheet = false;
  WindowRef parent = nilid;
};

struct DialogState {
  std::map<WindowRef, DialogRecord> dialogs;
  std::string params[4];
  bool answered = false;  // the last dialog took its answer from the queue or the policy
  // A dialog that input drives, answered as asked once the input has run out.
  DialogRef driven = nilid;
  std::string drivenloop, drivenkind;
  bool driventyped = false, drivencancels = false;
};

DialogState& ds() { return state<DialogState>(); }

DialogRecord* dlg(DialogRef d) {
  auto it = ds().dialogs.find(d);
  return it == ds().dialogs.end() ? nullptr : &it->second;
}

DialogItem* itemof(DialogRef d, i16 item) {
  DialogRecord* r = dlg(d);
  if (r == nullptr || item < 1 || item > i16(r->items.size())) return nullptr;
  return &r->items[std::size_t(item - 1)];
}

i16 basetype(i16 type) { return i16(type & ~itemDisable); }
bool hidden(const Rect& box) { return box.left >= kHiddenItemLeft; }

u16 get16(const u8* p) { return u16((u16(p[0]) << 8) | p[1]); }
i16 gets16(const u8* p) { return i16(get16(p)); }

// The port of a dialog's window, current while the scope lives.
class DialogPort {
 public:
  explicit DialogPort(DialogRef d) {
    GetPort(&old_);
    SetPortWindowPort(d);
  }
  ~DialogPort() { SetPort(old_); }
  DialogPort(const DialogPort&) = delete;
  DialogPort& operator=(const DialogPort&) = delete;

 private:
  GrafPtr old_ = nilid;
};

// Makes the control or text record an item needs in the dialog's window.
void makeitem(DialogRef d, DialogItem& it) {
  Str255 title;
  pstrassign(title, sizeof title, it.text.data(), it.text.size());
  switch (basetype(it.type)) {
    case kPushButtonItem: CreatePushButtonControl(d, &it.box, title, &it.control); break;
    case kCheckBoxItem: CreateCheckBoxControl(d, &it.box, title, 0, false, &it.control); break;
    case kRadioButtonItem: CreateRadioButtonControl(d, &it.box, title, 0, false, &it.control); break;
    case ctrlItem + resCtrl: {
      // A 'CNTL' resource: bounds, value, visible, max, min, procID, refCon, title.
      Handle h = GetResource(fourcc("CNTL"), it.resid);
      if (h != nilhandle && GetHandleSize(h) >= 23) {
        const u8* p = deref(h);
        const std::size_t size = std::size_t(GetHandleSize(h));
        Str255 t;
        pstrassign(t, sizeof t, reinterpret_cast<const char*>(p + 23), std::min<std::size_t>(p[22], size - 23));
        it.control = NewControl(d, &it.box, t, true, gets16(p + 8), gets16(p + 14), gets16(p + 12), gets16(p + 16),
                                i32((u32(get16(p + 18)) << 16) | get16(p + 20)));
      }
      break;
    }
    case editText: {
      DialogPort port(d);
      it.te = TENew(&it.box, &it.box);
      TESetText(it.text.data(), i32(it.text.size()), it.te);
      it.text.clear();
      break;
    }
    default: break;
  }
  if (it.control != nilid && hidden(it.box)) HideControl(it.control);
}

// Parses a 'DITL' image into items; false when it is damaged.
bool parseditl(const u8* p, std::size_t size, std::vector<DialogItem>* out) {
  if (p == nullptr || size < 2) return false;
  const std::size_t count = std::size_t(get16(p)) + 1;
  if (get16(p) == 0xFFFF) return true;
  std::size_t at = 2;
  for (std::size_t i = 0; i < count; ++i) {
    if (at + 14 > size) return false;
    DialogItem it;
    it.box = Rect{gets16(p + at + 4), gets16(p + at + 6), gets16(p + at + 8), gets16(p + at + 10)};
    it.type = i16(p[at + 12]);
    const std::size_t len = p[at + 13];
    at += 14;
    if (at + len > size) return false;
    const i16 base = basetype(it.type);
    if (base == iconItem || base == picItem || base == ctrlItem + resCtrl) {
      if (len < 2) return false;
      it.resid = gets16(p + at);
    } else if (base != userItem) {
      it.text.assign(reinterpret_cast<const char*>(p + at), len);
    }
    at += len + (len & 1);
    out->push_back(std::move(it));
  }
  return true;
}

void drawitem(DialogRef d, i16 n, DialogItem& it) {
  if (hidden(it.box)) return;
  switch (basetype(it.type)) {
    case statText: {
      std::string t = withparamtexts(it.text);
      TETextBox(t.data(), i32(t.size()), &it.box, 0);
      break;
    }
    case editText: {
      Rect frame = it.box;
      InsetRect(&frame, -3, -3);
      FrameRect(&frame);
      TEUpdate(&it.box, it.te);
      break;
    }
    case picItem: {
      Handle pic = IsValidHandle(it.resource) ? it.resource : GetResource(fourcc("PICT"), it.resid);
      if (pic != nilhandle) DrawPicture(pic, &it.box);
      break;
    }
    case iconItem: {
      Handle icon = IsValidHandle(it.resource) ? it.resource : GetResource(fourcc("ICON"), it.resid);
      if (icon != nilhandle) PlotIcon(&it.box, icon);
      break;
    }
    case userItem:
      if (it.proc) it.proc(d, n);
      break;
    default:
      if (it.control != nilid) Draw1Control(it.control);
      break;
  }
}

void redrawitem(DialogRef d, i16 n) {
  DialogItem* it = itemof(d, n);
  if (it == nullptr) return;
  DialogPort port(d);
  drawitem(d, n, *it);
}

void setfocus(DialogRef d, i16 item) {
  DialogRecord* r = dlg(d);
  if (r == nullptr || r->focus == item) return;
  if (DialogItem* old = itemof(d, r->focus)) {
    TEDeactivate(old->te);
    redrawitem(d, r->focus);
  }
  r->focus = item;
  if (DialogItem* now = itemof(d, item)) {
    TEActivate(now->te);
    redrawitem(d, item);
  }
}

// The first visible edit item after `from`, wrapping; 0 for none.
i16 nextedit(const DialogRecord& r, i16 from) {
  const i16 n = i16(r.items.size());
  for (i16 k = 1; k <= n; ++k) {
    const i16 i = i16((from + k - 1) % n + 1);
    const DialogItem& it = r.items[std::size_t(i - 1)];
    if (basetype(it.type) == editText && !hidden(it.box)) return i;
  }
  return 0;
}

DialogRef registerdialog(WindowRef w, std::vector<DialogItem> items) {
  DialogRecord& r = ds().dialogs[w];
  r.items = std::move(items);
  for (DialogItem& it : r.items) makeitem(w, it);
  r.focus = nextedit(r, 0);
  if (DialogItem* f = itemof(w, r.focus)) {
    TESetSelect(0, kTEMaxLength, f->te);
    TEActivate(f->te);
  }
  return w;
}

bool reported(const DialogItem& it) { return (it.type & itemDisable) == 0; }

// Follows a press on a button-like control until the button goes up, shown pressed while the
// mouse is over it (the current port is the dialog's): whether it went up inside.
bool trackbutton(ControlRef control, const Rect& box) {
  if (GetControlKind(control) == kControlKindScrollBar) {
    Point start{};
    GetMouse(&start);
    return TrackControl(control, start, nullptr) != kControlNoPart;
  }
  bool inside = true;
  HiliteControl(control, kControlButtonPart);
  {
    LoopScope loop("TrackControl");
    while (WaitMouseUp()) {
      Point p{};
      GetMouse(&p);
      const bool now = PtInRect(p, &box);
      if (now != inside) {
        inside = now;
        HiliteControl(control, inside ? i16(kControlButtonPart) : i16(0));
      }
    }
  }
  Point p{};
  GetMouse(&p);
  inside = PtInRect(p, &box);
  HiliteControl(control, 0);
  return inside;
}

}  // namespace

// --- Creation -----------------------------------------------------------------------------

DialogRef NewDialogFromItems(const Rect* bounds, ConstStringPtr title, bool visible, i16 procID, WindowRef behind,
                             bool goAwayFlag, i32 refCon, const u8* ditl, std::size_t ditlsize) {
  std::vector<DialogItem> items;
  if (!parseditl(ditl, ditlsize, &items)) return nilid;
  static constexpr u8 none[] = {0};
  WindowRef w = NewCWindow(nullptr, bounds, title ? title : none, false, procID, behind, goAwayFlag, refCon);
  if (w == nilid) return nilid;
  SetWindowKind(w, 2);  // dialogKind
  // The layer of the dialog's kind of window.
  switch (procID) {
    case dBoxProc:
    case plainDBox:
    case altDBoxProc:
    case kWindowPlainDialogProc:
    case kWindowShadowDialogProc:
    case kWindowModalDialogProc: SetWindowClass(w, kModalWindowClass); break;
    case movableDBoxProc:
    case kWindowMovableModalDialogProc:
    case kWindowMovableModalGrowProc: SetWindowClass(w, kMovableModalWindowClass); break;
    case kWindowAlertProc: SetWindowClass(w, kAlertWindowClass); break;
    case kWindowMovableAlertProc: SetWindowClass(w, kMovableAlertWindowClass); break;
    default: break;
  }
  registerdialog(w, std::move(items));
  if (visible) ShowWindow(w);
  return w;
}

DialogRef GetNewDialog(i16 id, WindowRef behind) {
  Handle dlog = GetResource(fourcc("DLOG"), id);
  if (dlog == nilhandle || GetHandleSize(dlog) < 21) return nilid;
  std::vector<u8> d(deref(dlog), deref(dlog) + GetHandleSize(dlog));
  const Rect bounds{gets16(&d[0]), gets16(&d[2]), gets16(&d[4]), gets16(&d[6])};
  const i16 proc = gets16(&d[8]);
  const bool visible = d[10] != 0, goaway = d[12] != 0;
  const i32 refcon = i32((u32(get16(&d[14])) << 16) | get16(&d[16]));
  const i16 itemsid = gets16(&d[18]);
  Str255 title{};
  pstrassign(title, sizeof title, reinterpret_cast<const char*>(&d[21]), std::min<std::size_t>(d[20], d.size() - 21));
  Handle ditl = GetResource(fourcc("DITL"), itemsid);
  if (ditl == nilhandle) return nilid;
  std::vector<u8> items(deref(ditl), deref(ditl) + GetHandleSize(ditl));
  return NewDialogFromItems(&bounds, title, visible, proc, behind, goaway, refcon, items.data(), items.size());
}

void DisposeDialog(DialogRef dialog) {
  auto it = ds().dialogs.find(dialog);
  if (it == ds().dialogs.end()) return;
  for (DialogItem& item : it->second.items) TEDispose(item.te);
  ds().dialogs.erase(it);
  removewindowhandlers(dialog);
  DisposeWindow(dialog);
}

bool isdialog(WindowRef window) { return dlg(window) != nullptr && IsValidWindowPtr(window); }
DialogRef GetDialogFromWindow(WindowRef window) { return isdialog(window) ? window : nilid; }

// --- Items --------------------------------------------------------------------------------

i16 CountDITL(DialogRef dialog) {
  DialogRecord* r = dlg(dialog);
  return r ? i16(r->items.size()) : 0;
}

void GetDialogItem(DialogRef dialog, i16 item, i16* type, u32* handle, Rect* box) {
  DialogItem* it = itemof(dialog, item);
  if (type) *type = it ? it->type : 0;
  if (handle) *handle = it ? (it->control != nilid ? it->control : it->te != nilid ? it->te : it->resource) : 0;
  if (box) *box = it ? it->box : Rect{0, 0, 0, 0};
}

void SetDialogItem(DialogRef dialog, i16 item, i16 type, u32 handle, const Rect* box) {
  DialogItem* it = itemof(dialog, item);
  if (it == nullptr) return;
  it->type = i16(basetype(it->type) | (type & itemDisable));
  const i16 base = basetype(it->type);
  if ((base == iconItem || base == picItem) && handle != 0) it->resource = Handle(handle);
  if (box == nullptr) return;
  it->box = *box;
  if (it->control != nilid && !hidden(*box)) SetControlBounds(it->control, box);
  if (it->te != nilid) TESetRects(it->te, box, box);
}

OSErr GetDialogItemAsControl(DialogRef dialog, i16 item, ControlRef* control) {
  DialogItem* it = itemof(dialog, item);
  if (control) *control = it ? it->control : nilid;
  return it && it->control != nilid ? OSErr(noErr) : OSErr(-30600);  // errItemNotControl
}

void SetDialogItemProc(DialogRef dialog, i16 item, UserItemProcPtr proc) {
  if (DialogItem* it = itemof(dialog, item)) it->proc = proc;
}

std::string dialogitemtext(DialogRef dialog, i16 item) {
  DialogItem* it = itemof(dialog, item);
  if (it == nullptr) return {};
  if (it->te != nilid) return std::string(tetext(it->te));
  if (it->control != nilid) {
    Str255 t;
    GetControlTitle(it->control, t);
    return std::string(pstringview(t));
  }
  return it->text;
}

void setdialogitemtext(DialogRef dialog, i16 item, std::string_view text) {
  DialogItem* it = itemof(dialog, item);
  if (it == nullptr) return;
  text = text.substr(0, std::min<std::size_t>(text.size(), kTEMaxLength));
  if (it->te != nilid) {
    TESetText(text.data(), i32(text.size()), it->te);
  } else if (it->control != nilid) {
    Str255 t;
    pstrassign(t, sizeof t, text.data(), text.size());
    SetControlTitle(it->control, t);
  } else {
    it->text = std::string(text);
  }
  if (IsWindowVisible(dialog)) redrawitem(dialog, item);
}

void GetDialogItemText(DialogRef dialog, i16 item, Str255 text) {
  std::string t = dialogitemtext(dialog, item);
  pstrassign(text, 256, t.data(), t.size());
}

void SetDialogItemText(DialogRef dialog, i16 item, ConstStringPtr text) {
  setdialogitemtext(dialog, item, text ? pstringview(text) : std::string_view());
}

std::string dialogitemshowntext(DialogRef dialog, i16 item) {
  DialogItem* it = itemof(dialog, item);
  if (it == nullptr) return {};
  return basetype(it->type) == statText ? withparamtexts(it->text) : dialogitemtext(dialog, item);
}

void HideDialogItem(DialogRef dialog, i16 item) {
  DialogItem* it = itemof(dialog, item);
  if (it == nullptr || hidden(it->box)) return;
  if (it->control != nilid) HideControl(it->control);
  if (IsWindowVisible(dialog)) {
    DialogPort port(dialog);
    EraseRect(&it->box);
  }
  it->box.left = i16(it->box.left + 16384);
  it->box.right = i16(it->box.right + 16384);
  DialogRecord* r = dlg(dialog);
  if (r != nullptr && r->focus == item) setfocus(dialog, nextedit(*r, item) == item ? 0 : nextedit(*r, item));
}

void ShowDialogItem(DialogRef dialog, i16 item) {
  DialogItem* it = itemof(dialog, item);
  if (it == nullptr || !hidden(it->box)) return;
  it->box.left = i16(it->box.left - 16384);
  it->box.right = i16(it->box.right - 16384);
  if (it->control != nilid) {
    SetControlBounds(it->control, &it->box);
    ShowControl(it->control);
  }
  if (IsWindowVisible(dialog)) redrawitem(dialog, item);
}

bool isdialogitemvisible(DialogRef dialog, i16 item) {
  DialogItem* it = itemof(dialog, item);
  return it != nullptr && !hidden(it->box) && (it->control == nilid || IsControlVisible(it->control));
}

void SelectDialogItemText(DialogRef dialog, i16 item, i16 start, i16 end) {
  DialogItem* it = itemof(dialog, item);
  if (it == nullptr || it->te == nilid) return;
  setfocus(dialog, item);
  TESetSelect(start, end, it->te);
  if (IsWindowVisible(dialog)) redrawitem(dialog, item);
}

i16 GetDialogKeyboardFocusItem(DialogRef dialog) {
  DialogRecord* r = dlg(dialog);
  return r ? r->focus : 0;
}

OSErr SetDialogDefaultItem(DialogRef dialog, i16 item) {
  DialogRecord* r = dlg(dialog);
  if (r == nullptr) return paramErr;
  r->defaultitem = item;
  if (DialogItem* it = itemof(dialog, item); it && it->control != nilid) {
    const u8 yes = 1;
    SetControlData(it->control, kControlEntireControl, kControlPushButtonDefaultTag, 1, &yes);
  }
  return noErr;
}

OSErr SetDialogCancelItem(DialogRef dialog, i16 item) {
  DialogRecord* r = dlg(dialog);
  if (r == nullptr) return paramErr;
  r->cancelitem = item;
  return noErr;
}

i16 GetDialogDefaultItem(DialogRef dialog) {
  DialogRecord* r = dlg(dialog);
  return r ? r->defaultitem : 0;
}

i16 GetDialogCancelItem(DialogRef dialog) {
  DialogRecord* r = dlg(dialog);
  return r ? r->cancelitem : 0;
}

void ParamText(ConstStringPtr p0, ConstStringPtr p1, ConstStringPtr p2, ConstStringPtr p3) {
  ConstStringPtr p[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i) ds().params[i] = p[i] == nullptr ? std::string() : std::string(pstringview(p[i]));
}

void getparamtext(i16 n, StringPtr out) {
  out[0] = 0;
  if (n < 0 || n > 3) return;
  const std::string& t = ds().params[n];
  pstrassign(out, 256, t.data(), t.size());
}

std::string withparamtexts(std::string_view in) {
  const DialogState& d = ds();
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '^' && i + 1 < in.size() && in[i + 1] >= '0' && in[i + 1] <= '3') {
      out += d.params[in[i + 1] - '0'];
      ++i;
    } else {
      out += in[i];
    }
  }
  return out;
}

// --- Drawing and events -------------------------------------------------------------------

void DrawDialog(DialogRef dialog) {
  DialogRecord* r = dlg(dialog);
  if (r == nullptr) return;
  DialogPort port(dialog);
  Rect all{};
  GetWindowPortBounds(dialog, &all);
  EraseRect(&all);
  for (std::size_t i = 0; i < r->items.size(); ++i) drawitem(dialog, i16(i + 1), r->items[i]);
}

void UpdateDialog(DialogRef dialog, RgnHandle) { DrawDialog(dialog); }

bool IsDialogEvent(const EventRecord* event) {
  if (event == nullptr) return false;
  switch (event->what) {
    case mouseDown: {
      WindowRef w = nilid;
      FindWindow(event->where, &w);
      return isdialog(w);
    }
    case keyDown:
    case autoKey: return isdialog(FrontWindow());
    case updateEvt:
    case activateEvt: return isdialog(WindowRef(event->message));
    default: return false;
  }
}

bool DialogSelect(const EventRecord* event, DialogRef* dialog, i16* itemHit) {
  if (itemHit) *itemHit = 0;
  if (event == nullptr) return false;
  switch (event->what) {
    case updateEvt: {
      DialogRef d = WindowRef(event->message);
      if (!isdialog(d)) return false;
      BeginUpdate(d);
      DrawDialog(d);
      EndUpdate(d);
      return false;
    }
    case activateEvt: {
      DialogRef d = WindowRef(event->message);
      DialogRecord* r = dlg(d);
      if (r == nullptr) return false;
      if (DialogItem* f = itemof(d, r->focus)) {
        if (event->modifiers & activeFlag) TEActivate(f->te);
        else TEDeactivate(f->te);
        redrawitem(d, r->focus);
      }
      return false;
    }
    case mouseDown: {
      WindowRef w = nilid;
      if (FindWindow(event->where, &w) != inContent || !isdialog(w)) return false;
      DialogRecord* r = dlg(w);
      if (r == nullptr) return false;
      Rect content{};
      GetWindowBounds(w, kWindowContentRgn, &content);
      const Point local{i16(event->where.v - content.top), i16(event->where.h - content.left)};
      for (i16 n = 1; n <= i16(r->items.size()); ++n) {
        DialogItem& it = r->items[std::size_t(n - 1)];
        if (hidden(it.box) || !PtInRect(local, &it.box)) continue;
        if (it.control != nilid) {
          if (!IsControlVisible(it.control)) continue;
          DialogPort port(w);
          if (!IsControlActive(it.control) || !trackbutton(it.control, it.box)) return false;
        } else if (it.te != nilid) {
          setfocus(w, n);
          DialogPort port(w);
          TEClick(local, (event->modifiers & shiftKey) != 0, it.te);
          redrawitem(w, n);
        }
        if (!reported(it)) return false;
        if (dialog) *dialog = w;
        if (itemHit) *itemHit = n;
        return true;
      }
      return false;
    }
    case keyDown:
    case autoKey: {
      DialogRef d = FrontWindow();
      DialogRecord* r = dlg(d);
      if (r == nullptr || (event->modifiers & cmdKey)) return false;
      const u8 c = u8(event->message & charCodeMask);
      if (c == kTabCharCode) {
        const i16 next = nextedit(*r, r->focus);
        if (next != 0 && next != r->focus) {
          setfocus(d, next);
          SelectDialogItemText(d, next, 0, kTEMaxLength);
        }
        return false;
      }
      DialogItem* f = itemof(d, r->focus);
      if (f == nullptr) return false;
      TEKey(c, f->te);
      redrawitem(d, r->focus);
      if (!reported(*f)) return false;
      if (dialog) *dialog = d;
      if (itemHit) *itemHit = r->focus;
      return true;
    }
    default: return false;
  }
}

namespace {

bool standardfilter(DialogRef d, EventRecord* e, i16* itemHit) {
  if (e->what != keyDown && e->what != autoKey) return false;
  const u8 c = u8(e->message & charCodeMask);
  i16 item = 0;
  if (c == kReturnCharCode || c == kEnterCharCode) item = GetDialogDefaultItem(d);
  else if (c == kEscapeCharCode || (c == '.' && (e->modifiers & cmdKey))) item = GetDialogCancelItem(d);
  else return false;
  DialogItem* it = itemof(d, item);
  if (it == nullptr || !isdialogitemvisible(d, item) || (it->control != nilid && !IsControlActive(it->control))) {
    e->what = nullEvent;
    return false;
  }
  *itemHit = item;
  return true;
}

}  // namespace

void ModalDialog(ModalFilterProcPtr filter, i16* itemHit) {
  i16 hit = 0;
  LoopScope scope("ModalDialog");
  DialogRef d = FrontWindow();
  if (!isdialog(d)) {
    if (itemHit) *itemHit = 0;
    return;
  }
  for (;;) {
    EventRecord e{};
    if (!WaitNextEvent(EventMask(everyEvent & ~highLevelEventMask), &e, 6)) dialogidle(d);
    if (filter ? filter(d, &e, &hit) : standardfilter(d, &e, &hit)) break;
    if (!isdialog(d)) break;
    if (e.what == updateEvt && !isdialog(WindowRef(e.message))) {
      // An update nobody served would come back at once: the window's region is taken.
      BeginUpdate(WindowRef(e.message));
      EndUpdate(WindowRef(e.message));
      continue;
    }
    if (e.what == mouseDown) {
      WindowRef w = nilid;
      const i16 part = FindWindow(e.where, &w);
      if (w == d && part == inDrag) {
        DragWindow(d, e.where, nullptr);
        continue;
      }
      if (w != d) {
        SysBeep(1);
        continue;
      }
    }
    DialogRef which = nilid;
    if (IsDialogEvent(&e) && DialogSelect(&e, &which, &hit) && which == d) break;
  }
  if (itemHit) *itemHit = hit;
}

void DialogCut(DialogRef dialog) {
  if (DialogItem* f = itemof(dialog, GetDialogKeyboardFocusItem(dialog))) {
    TECut(f->te);
    redrawitem(dialog, GetDialogKeyboardFocusItem(dialog));
  }
}

void DialogCopy(DialogRef dialog) {
  if (DialogItem* f = itemof(dialog, GetDialogKeyboardFocusItem(dialog))) TECopy(f->te);
}

void DialogPaste(DialogRef dialog) {
  if (DialogItem* f = itemof(dialog, GetDialogKeyboardFocusItem(dialog))) {
    TEPaste(f->te);
    redrawitem(dialog, GetDialogKeyboardFocusItem(dialog));
  }
}

void DialogDelete(DialogRef dialog) {
  if (DialogItem* f = itemof(dialog, GetDialogKeyboardFocusItem(dialog))) {
    TEDelete(f->te);
    redrawitem(dialog, GetDialogKeyboardFocusItem(dialog));
  }
}

// --- Standard alerts and sheets -----------------------------------------------------------

namespace {

constexpr i16 kAlertWidth = 420;
constexpr i16 kTextLeft = 74;
constexpr i16 kTextWidth = kAlertWidth - kTextLeft - 20;
constexpr i16 kButtonHeight = 20;

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

DialogRef makealert(i16 kind, ConstStringPtr message, ConstStringPtr explanation, const AlertStdAlertParamRec* param,
                    bool sheet) {
  AlertStdAlertParamRec p = param ? *param : AlertStdAlertParamRec{};
  const std::string msg(message ? pstringview(message) : std::string_view());
  const std::string expl(explanation ? pstringview(explanation) : std::string_view());
  static constexpr u8 ok[] = "\x02OK";
  const std::string def(pstringview(p.defaultText ? p.defaultText : ok));
  const std::string cancel(p.cancelText ? pstringview(p.cancelText) : std::string_view());
  const std::string other(p.otherText ? pstringview(p.otherText) : std::string_view());

  // Measured as the dialog's port draws them: in the system font.
  GrafPtr old = nilid;
  GetPort(&old);
  CGrafPtr scratch = CreateNewPort();
  if (scratch != nilid) SetPort(scratch);
  TextFont(systemFont);
  TextSize(12);
  FontInfo fi{};
  GetFontInfo(&fi);
  const i16 bigline = i16(fi.ascent + fi.descent + fi.leading);
  const i16 smallline = bigline;
  const i32 msglines = countwrappedlines(msg, kTextWidth);
  const i32 expllines = expl.empty() ? 0 : countwrappedlines(expl, kTextWidth);
  auto buttonwidth = [](std::string_view title) {
    return std::max<i16>(69, i16(TextWidth(title.data(), 0, i16(title.size())) + 24));
  };
  const i16 dw = buttonwidth(def), cw = buttonwidth(cancel), ow = buttonwidth(other);
  SetPort(old);
  if (scratch != nilid) DisposePort(scratch);
  const i16 msgtop = 16;
  const i16 msgbottom = i16(msgtop + msglines * bigline);
  const i16 expltop = i16(msgbottom + 8);
  const i16 explbottom = i16(expltop + expllines * smallline);
  i16 buttontop = i16(std::max<i32>(expllines ? explbottom : msgbottom, 56) + 16);
  const i16 height = i16(buttontop + kButtonHeight + 16);

  // Buttons from the right: default, cancel; the other button at the text's left.
  const Rect defbox{buttontop, i16(kAlertWidth - 20 - dw), i16(buttontop + kButtonHeight), i16(kAlertWidth - 20)};
  Rect cancelbox{buttontop, i16(defbox.left - 12 - cw), i16(buttontop + kButtonHeight), i16(defbox.left - 12)};
  Rect otherbox{buttontop, kTextLeft, i16(buttontop + kButtonHeight), i16(kTextLeft + ow)};
  if (cancel.empty()) OffsetRect(&cancelbox, 16384, 0);
  if (other.empty()) OffsetRect(&otherbox, 16384, 0);
  std::vector<u8> ditl{0, 5};
  putitem(ditl, defbox, kPushButtonItem, def);
  putitem(ditl, cancelbox, kPushButtonItem, cancel);
  putitem(ditl, otherbox, kPushButtonItem, other);
  putitem(ditl, Rect{msgtop, kTextLeft, msgbottom, i16(kTextLeft + kTextWidth)}, statText + itemDisable, msg);
  Rect explbox{expltop, kTextLeft, explbottom, i16(kTextLeft + kTextWidth)};
  if (expl.empty()) OffsetRect(&explbox, 16384, 0);
  putitem(ditl, explbox, statText + itemDisable, expl);
  // Item 6: the kind's icon (stop, note, caution; a plain alert has none) left of the text.
  Rect iconbox{msgtop, 24, i16(msgtop + 32), 56};
  if (kind < kAlertStopAlert || kind > kAlertCautionAlert) OffsetRect(&iconbox, 16384, 0);
  putitem(ditl, iconbox, iconItem + itemDisable, std::string{'\0', char(std::clamp<i16>(kind, 0, 2))});

  Rect screen = availablebounds(0);
  const i16 left = i16((screen.left + screen.right - kAlertWidth) / 2);
  const i16 top = i16(screen.top + (screen.bottom - screen.top - height) / 3);
  Rect bounds{top, left, i16(top + height), i16(left + kAlertWidth)};
  const i16 proc = sheet ? kWindowPlainDialogProc : p.movable ? kWindowMovableAlertProc : kWindowAlertProc;
  DialogRef d = NewDialogFromItems(&bounds, nullptr, false, proc, kFirstWindowOfClass, false, 0, ditl.data(),
                                   ditl.size());
  if (d == nilid) return nilid;
  SetWindowClass(d, sheet ? kSheetAlertWindowClass : p.movable ? kMovableAlertWindowClass : kAlertWindowClass);
  SetDialogDefaultItem(d, p.defaultButton);
  SetDialogCancelItem(d, p.cancelButton);
  if (DialogItem* m = itemof(d, 4)) m->text = msg;  // as given: ParamText does not reach alerts
  return d;
}

}  // namespace

DialogRef CreateStandardAlert(i16 kind, ConstStringPtr message, ConstStringPtr explanation,
                              const AlertStdAlertParamRec* param) {
  return makealert(kind, message, explanation, param, false);
}

OSErr RunStandardAlert(DialogRef alert, ModalFilterProcPtr filter, i16* itemHit) {
  if (!isdialog(alert)) return paramErr;
  std::string name("alert ");
  name += dialogitemtext(alert, 4);
  if (isdialogitemvisible(alert, 5)) {
    name += ' ';
    name += dialogitemtext(alert, 5);
  }
  ShowWindow(alert);
  SelectWindow(alert);
  DrawDialog(alert);
  i16 hit = 0;
  answerdialog(alert, name, "alert", false);
  ModalDialog(filter, &hit);
  noteitemhit(alert, "alert", hit);
  DisposeDialog(alert);
  if (itemHit) *itemHit = hit;
  return noErr;
}

OSErr StandardAlert(i16 kind, ConstStringPtr message, ConstStringPtr explanation, const AlertStdAlertParamRec* param,
                    i16* itemHit) {
  DialogRef d = CreateStandardAlert(kind, message, explanation, param);
  if (d == nilid) return memFullErr;
  return RunStandardAlert(d, param ? param->filterProc : nullptr, itemHit);
}

DialogRef CreateStandardSheet(i16 kind, ConstStringPtr message, ConstStringPtr explanation,
                              const AlertStdAlertParamRec* param) {
  DialogRef d = makealert(kind, message, explanation, param, true);
  if (DialogRecord* r = dlg(d)) r->sheet = true;
  return d;
}

OSStatus ShowSheetWindow(WindowRef sheet, WindowRef parent) {
  DialogRecord* r = dlg(sheet);
  if (r == nullptr || !IsValidWindowPtr(parent)) return paramErr;
  r->parent = parent;
  Rect pc{}, sb{};
  GetWindowBounds(parent, kWindowContentRgn, &pc);
  GetWindowBounds(sheet, kWindowContentRgn, &sb);
  const i16 w = i16(sb.right - sb.left);
  MoveWindow(sheet, i16((pc.left + pc.right - w) / 2), pc.top, false);
  SetWindowModality(sheet, kWindowModalityWindowModal, parent);
  ShowWindow(sheet);
  BringToFront(sheet);
  DrawDialog(sheet);
  return noErr;
}

OSStatus HideSheetWindow(WindowRef sheet) {
  if (!isdialog(sheet)) return paramErr;
  HideWindow(sheet);
  return noErr;
}

OSStatus GetSheetWindowParent(WindowRef sheet, WindowRef* parent) {
  DialogRecord* r = dlg(sheet);
  if (parent) *parent = r ? r->parent : nilid;
  return r && r->sheet ? noErr : paramErr;
}

bool sheetevent(const EventRecord* event) {
  if (event == nullptr || event->what != mouseDown) return false;
  // A shown sheet lies over its parent: its own rectangle decides, whatever the layers say.
  WindowRef w = nilid;
  Rect content{};
  for (auto& [window, record] : ds().dialogs) {
    if (!record.sheet || !IsValidWindowPtr(window) || !IsWindowVisible(window)) continue;
    GetWindowBounds(window, kWindowContentRgn, &content);
    if (PtInRect(event->where, &content)) {
      w = window;
      break;
    }
  }
  DialogRecord* r = dlg(w);
  if (w == nilid || r == nullptr) return false;
  const Point local{i16(event->where.v - content.top), i16(event->where.h - content.left)};
  i16 hit = 0;
  for (i16 n = 1; n <= i16(r->items.size()) && hit == 0; ++n) {
    DialogItem& it = r->items[std::size_t(n - 1)];
    if (it.control == nilid || hidden(it.box) || !PtInRect(local, &it.box) || !IsControlVisible(it.control)) continue;
    DialogPort port(w);
    if (IsControlActive(it.control) && trackbutton(it.control, it.box)) hit = n;
  }
  DialogItem* it = itemof(w, hit);
  if (it == nullptr) return true;
  ScopedEvent e(kEventClassControl, kEventControlHit);
  const ControlRef c = it->control;
  SetEventParameter(e, kEventParamDirectObject, typeControlRef, sizeof c, &c);
  transcriptadd(TranscriptKind::answer, "sheet: item " + std::to_string(hit));
  SendEventToTarget(e, w);
  return true;
}

// --- Headless answers ---------------------------------------------------------------------

namespace {

Point itemcentre(DialogRef d, const DialogItem& it) {
  Rect content{};
  GetWindowBounds(d, kWindowContentRgn, &content);
  return Point{i16(content.top + (it.box.top + it.box.bottom) / 2),
               i16(content.left + (it.box.left + it.box.right) / 2)};
}

}  // namespace

namespace {

// Turns an answer (or the policy's default) into the input a person would give the dialog.
void answerasinput(DialogRef dialog, ModalStart start, const Answer& a, bool typed, bool defaultcancels) {
  if (start == ModalStart::usedefault) {
    drive::key(defaultcancels ? kVKEscape : kVKReturn);
    return;
  }
  if (a.kind == "cancel" || (typed && a.text.empty())) {
    drive::key(kVKEscape);
    return;
  }
  if (typed) {
    drive::type(a.text);
    drive::key(kVKReturn);
    return;
  }
  DialogRecord* r = dlg(dialog);
  if (r != nullptr)
    for (i16 n = 1; n <= i16(r->items.size()); ++n) {
      const DialogItem& it = r->items[std::size_t(n - 1)];
      if (it.control == nilid || !isdialogitemvisible(dialog, n) || dialogitemtext(dialog, n) != a.text) continue;
      drive::click(itemcentre(dialog, it));
      return;
    }
  transcriptadd(TranscriptKind::note, "no button \"" + macromantoutf8(a.text) + "\": the default is taken");
  drive::key(kVKReturn);
}

}  // namespace

bool answerdialog(DialogRef dialog, std::string_view loopname, std::string_view kind, bool typed, bool defaultcancels) {
  Answer a;
  const ModalStart start = beginmodal(loopname, kind, &a, true);
  DialogState& s = ds();
  s.answered = start != ModalStart::run;
  s.driven = nilid;
  if (start == ModalStart::run) {
    if (headlessbackend() != nullptr) {
      s.driven = dialog;
      s.drivenloop = std::string(loopname);
      s.drivenkind = std::string(kind);
      s.driventyped = typed;
      s.drivencancels = defaultcancels;
    }
    return false;
  }
  answerasinput(dialog, start, a, typed, defaultcancels);
  return true;
}

void dialogidle(DialogRef dialog) {
  DialogState& s = ds();
  if (s.driven == nilid || s.driven != dialog || !isdialog(dialog) || pressespending()) return;
  s.driven = nilid;
  Answer a;
  const ModalStart start = takeanswer(s.drivenloop, s.drivenkind, &a, true);
  s.answered = true;
  answerasinput(dialog, start, a, s.driventyped, s.drivencancels);
}

void noteitemhit(DialogRef dialog, std::string_view kind, i16 item) {
  // An answer from the queue or the policy is in the transcript already.
  if (ds().answered) {
    ds().answered = false;
    return;
  }
  std::string line = std::string(kind) + " item " + std::to_string(item);
  DialogItem* it = itemof(dialog, item);
  if (it != nullptr && it->control != nilid) line += " \"" + macromantoutf8(dialogitemtext(dialog, item)) + "\"";
  // What the focused edit item held (a password field holds only bullets).
  if (const i16 focus = GetDialogKeyboardFocusItem(dialog); focus != 0)
    line += " text \"" + macromantoutf8(dialogitemtext(dialog, focus)) + "\"";
  transcriptadd(TranscriptKind::answer, line);
}

void drawtextrows(DialogRef dialog, i16 item, i32 count, const std::function<std::string(i32)>& row, i32 top,
                  i32 selected, i16 rowheight) {
  Rect box{};
  GetDialogItem(dialog, item, nullptr, nullptr, &box);
  EraseRect(&box);
  Rect frame = box;
  InsetRect(&frame, -1, -1);
  FrameRect(&frame);
  if (rowheight <= 0) return;
  FontInfo fi{};
  GetFontInfo(&fi);
  const i32 rows = (box.bottom - box.top) / rowheight;
  for (i32 k = 0; k < rows && top + k < count; ++k) {
    const std::string text = row(top + k);
    const i16 rowtop = i16(box.top + k * rowheight);
    MoveTo(i16(box.left + 4), i16(rowtop + fi.ascent + 1));
    DrawText(text.data(), 0, i16(std::min<std::size_t>(text.size(), 255)));
    if (top + k == selected) {
      Rect hi{rowtop, box.left, i16(rowtop + rowheight), box.right};
      InvertRect(&hi);
    }
  }
}

void redrawdialogitem(DialogRef dialog, i16 item, UserItemProcPtr proc) {
  GrafPtr old = nilid;
  GetPort(&old);
  SetPortWindowPort(dialog);
  proc(dialog, item);
  SetPort(old);
}

}  // namespace kv
