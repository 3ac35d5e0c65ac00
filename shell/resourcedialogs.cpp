// Dialogs that scripts lay out in DLOG/DITL resources: the function `dialog` loads one, shows
// it and reads it back, and `setDialogItem` edits one item. Every item is mirrored into a
// variable `item1`, `item2` ... of the handler that loaded the dialog as its state text (kind,
// visibility, enabled, look or value, "\", text), so scripts read and write items with
// ordinary text operations. Dialogs live until the main loop's next pass closes them.
#include "shell/resourcedialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/lists/lists.h"
#include "platform/memory/memory.h"
#include "platform/menus/menus.h"
#include "platform/qd/qd.h"
#include "platform/resources/resources.h"
#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"
#include "platform/te/te.h"
#include "platform/text/casefold.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "shell/dialogutils.h"
#include "core/settings.h"
#include "shell/windowmanage.h"
#include "store/namekey.h"

namespace kv {

namespace {

constexpr u32 kKindCreator = fourcc("VIZu");
constexpr u32 kKindTag = fourcc("kind");
constexpr u32 kScriptDialogKind = 124;
constexpr u32 kListReference = fourcc("LIST");
constexpr u32 kListTag = fourcc("lhan");

// A loaded dialog: its DLOG number, its item count (the stored count plus one), the variable
// list of the handler that loaded it (that handler's to release), the dialog and the port
// that was current when it was loaded.
struct ScriptDialog {
  i16 dlogid = 0;
  i16 count = 0;
  Handle variables = nilhandle;
  u32 variablesserial = 0;  // the list's serial: its id may name a later block once it is gone
  DialogRef dialog = nilid;
  GrafPtr port = nilid;
};

struct ResourceDialogState {
  Registry<ScriptDialog, RegType::dialog> dialogs;
  u32 viewdeadline = 0;  // 0: view's filter has not seen its first event
  RegistryId displayed = nilid;
};

ResourceDialogState& rds() { return state<ResourceDialogState>(); }

ScriptDialog* dialogof(i32 reference) { return rds().dialogs.get(RegistryId(u32(reference))); }

// The descriptor of a dialog window (its reference constant), or null.
ScriptDialog* descriptorofwindow(DialogRef d) {
  ScriptDialog* s = d == nilid ? nullptr : dialogof(GetWRefCon(d));
  return s != nullptr && s->dialog == d ? s : nullptr;
}

void closedialog(RegistryId id) {
  std::unique_ptr<ScriptDialog> s = rds().dialogs.remove(id);
  if (!s) return;
  if (isdialog(s->dialog)) DisposeDialog(s->dialog);
  if (s->port != nilid) SetPort(s->port);
}

ControlRef controlof(DialogRef d, i16 item) {
  ControlRef c = nilid;
  return GetDialogItemAsControl(d, item, &c) == noErr ? c : nilid;
}

i16 kindof(DialogRef d, i16 item) {
  i16 type = 0;
  GetDialogItem(d, item, &type, nullptr, nullptr);
  return i16(type & 127);
}

char kindletter(i16 kind) {
  switch (kind) {
    case userItem: return 'u';
    case kPushButtonItem: return 'b';
    case kCheckBoxItem: return 'x';
    case kRadioButtonItem: return 'r';
    case ctrlItem + resCtrl: return 'c';
    case statText: return 's';
    case editText: return 'e';
    case iconItem: return 'i';
    case picItem: return 'p';
    default: return 'o';
  }
}

bool iscontrolkind(i16 kind) { return kind >= ctrlItem && kind <= ctrlItem + resCtrl; }

std::string textofvalue(Handle value) {
  fred copy = *HandleAs<fred>(value);
  if (copy.type == fredhand) {
    Size n = 0;
    const u8* p = copy.text == nilhandle ? nullptr : derefsize(copy.text, &n);
    std::string t = p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p), std::size_t(n));
    while (!t.empty() && t.back() == '\0') t.pop_back();
    return t;
  }
  Str255 s{};
  fredtotext(&copy, s);
  return std::string(pstringview(s));
}

}  // namespace

void getitemstring(DialogRef dialog, i16 item, StringPtr out) {
  i16 type = 0;
  Rect box{};
  GetDialogItem(dialog, item, &type, nullptr, &box);
  const i16 kind = i16(type & 127);
  const ControlRef c = iscontrolkind(kind) ? controlof(dialog, item) : nilid;
  char look = '-';
  std::string text;
  char enabled = (type & itemDisable) ? 'd' : 'e';
  if (c != nilid) {
    enabled = GetControlHilite(c) == 255 ? 'd' : 'e';
    if (kind == kPushButtonItem) {
      const i32 key = GetControlReference(c);
      if (key != 0) look = char(u8(key));
    } else if (kind == kCheckBoxItem || kind == kRadioButtonItem) {
      look = GetControlValue(c) != 0 ? 's' : 'c';
    }
    if (kind == ctrlItem + resCtrl) {
      text = std::to_string(GetControlMinimum(c)) + "," + std::to_string(GetControlValue(c)) + "," +
             std::to_string(GetControlMaximum(c));
    } else {
      text = dialogitemtext(dialog, item);
    }
  } else if (kind == statText || kind == editText) {
    text = dialogitemtext(dialog, item).substr(0, 250);
  }
  std::string s{kindletter(kind), box.left >= kHiddenItemLeft ? 'i' : 'v', enabled, look, '\\'};
  s += text;
  pstrassign(out, 256, s.data(), std::min<std::size_t>(s.size(), 255));
}

i16 getitemvars(Handle variables, i16 item, varentry* out, bool create, i32* index) {
  char name[16];
  const int n = std::snprintf(name, sizeof name, "item%d", int(item));
  Str255 pname{};
  pstrassign(pname, sizeof pname, name, std::size_t(n));
  // No list: the handler that loaded the dialog ended and its list went with it.
  if (variables == nilhandle || !IsValidHandle(variables)) return 16;
  u32 key = 0;
  getkey(pname, &key);
  const Size count = variables == nilhandle ? 0 : HandleCount<varentry>(variables);
  for (Size i = 0; i < count; ++i) {
    const varentry e = HandleAs<varentry>(variables)[i];
    if (e.key != key || e.name == nilhandle || GetHandleSize(e.name) < n) continue;
    if (!equalnocase(reinterpret_cast<const u8*>(deref(e.name)), pname + 1, std::size_t(n))) continue;
    if (GetHandleSize(e.name) > n && deref(e.name)[n] != 0) continue;
    *out = e;
    if (index) *index = i32(i);
    return 0;
  }
  if (!create) return 16;
  varentry e{};
  if (i16 st = lowcreate(pname, &e)) return st;
  if (i16 st = addvars(variables, e)) {
    DisposeHandle(e.value);
    if (e.name != nilhandle) DisposeHandle(e.name);
    return st;
  }
  *out = e;
  if (index) *index = i32(count);
  return 0;
}

namespace {

// The item variables of the handler that loaded the dialog, or none once that handler ended
// and released them (its list's id is then checked by serial, never trusted alone).
Handle itemlist(const ScriptDialog& s) {
  return s.variablesserial != 0 && HandleSerial(s.variables) == s.variablesserial ? s.variables : nilhandle;
}

i16 readitem(Handle variables, i16 item, std::string* text) {
  varentry e{};
  if (i16 st = getitemvars(variables, item, &e, false, nullptr)) return st;
  *text = textofvalue(e.value);
  return 0;
}

i16 writeitem(Handle variables, i16 item, ConstStringPtr text) {
  varentry e{};
  if (i16 st = getitemvars(variables, item, &e, true, nullptr)) return st;
  fred copy = *HandleAs<fred>(e.value);
  const i16 st = stringtofred(text, &copy);
  disposfred(&copy);
  return st;
}

// Every item's state text into its variable: the first failure.
i16 storeitems(const ScriptDialog& s) {
  for (i16 item = 1; item < s.count; ++item) {
    Str255 t{};
    getitemstring(s.dialog, item, t);
    if (i16 st = writeitem(itemlist(s), item, t)) return st;
  }
  return 0;
}

// --- User items -------------------------------------------------------------------------------

struct SavedPen {
  GrafPtr port = nilid;
  PenState pen{};
  SavedPen(DialogRef d) {
    GetPort(&port);
    SetPortWindowPort(d);
    GetPenState(&pen);
  }
  ~SavedPen() {
    SetPenState(&pen);
    SetPort(port);
  }
};

Rect boxof(DialogRef d, i16 item) {
  Rect r{};
  GetDialogItem(d, item, nullptr, nullptr, &r);
  return r;
}

// The six looks of user items, by digit: 0 box, 1 doubleLine, 2 grayLine, 3 modalBox, 4
// grayBox, 5 grayLineBox; each with the port and pen put back afterwards.
template <int Look>
void drawlook(DialogRef d, i16 item) {
  SavedPen saved(d);
  PenNormal();
  const Rect r = boxof(d, item);
  if (Look == 2 || Look == 5) PenPat(&qdgray);
  if (Look == 3) PenSize(2, 2);
  if (Look == 1 || Look == 2) {
    for (i16 y : {r.top, i16(r.top + 2)}) {
      MoveTo(r.left, y);
      LineTo(i16(r.right - 1), y);
      if (Look == 2) break;
    }
  } else if (Look == 4) {
    RGBColor fore{};
    GetForeColor(&fore);
    const RGBColor light{0xDDDD, 0xDDDD, 0xDDDD}, black{0, 0, 0};
    RGBForeColor(&light);
    PaintRect(&r);
    RGBForeColor(&black);
    FrameRect(&r);
    RGBForeColor(&fore);
  } else {
    FrameRect(&r);
  }
}

constexpr UserItemProcPtr kDrawers[6] = {drawlook<0>, drawlook<1>, drawlook<2>, drawlook<3>, drawlook<4>, drawlook<5>};

void drawpicture(DialogRef d, i16 item, i32 id, bool proportional) {
  Handle pic = GetResource(fourcc("PICT"), i16(id));
  if (pic == nilhandle) return;
  const Rect box = boxof(d, item);
  Rect frame{};
  QDGetPictureBounds(pic, &frame);
  frame = Rect{std::min(frame.top, frame.bottom), std::min(frame.left, frame.right), std::max(frame.top, frame.bottom),
               std::max(frame.left, frame.right)};
  Rect dest = box;
  const i32 pw = frame.right - frame.left, ph = frame.bottom - frame.top;
  const i32 bw = box.right - box.left, bh = box.bottom - box.top;
  if (proportional && pw > 0 && ph > 0 && bw > 0 && bh > 0) {
    const double ratio = double(pw) / double(ph);
    if (ratio > double(bw) / double(bh)) {
      const i32 h = i32(bw / ratio);
      dest.top = i16(box.top + (bh - h) / 2);
      dest.bottom = i16(dest.top + h);
    } else {
      const i32 w = i32(ratio * bh);
      dest.left = i16(box.left + (bw - w) / 2);
      dest.right = i16(dest.left + w);
    }
  }
  EraseRect(&box);
  DrawPicture(pic, &dest);
  ValidWindowRect(d, &box);
  ReleaseResource(pic);
  FlushEvents(everyEvent, 0);
}

}  // namespace

void PdialogRTdialoguseraction(DialogRef dialog, i16 item) {
  ScriptDialog* s = descriptorofwindow(dialog);
  if (s == nullptr) return;
  std::string t;
  if (readitem(itemlist(*s), item, &t) != 0 || t.size() < 5) return;
  const std::string text = t.substr(5);
  SavedPen saved(dialog);
  Rect box = boxof(dialog, item);
  switch (t[3] | 0x20) {
    case 'e':
      InsetRect(&box, -2, -2);
      EraseRect(&box);
      InvalWindowRect(dialog, &box);
      break;
    case 'p': {
      long id = 0;
      char how = 0;
      if (std::sscanf(text.c_str(), "%ld,%c", &id, &how) >= 1) drawpicture(dialog, item, i32(id), how == 'p');
      break;
    }
    case 't': {
      if (text.empty()) break;
      GrafPtr port = nilid;
      GetPort(&port);
      const i16 font = GetPortTextFont(port), size = GetPortTextSize(port);
      const u8 face = GetPortTextFace(port);
      TextFont(i16(currentsettings().interfacefont));
      TextSize(9);
      TextFace(0);
      TETextBox(text.data(), i32(text.size()), &box, 0);
      TextFont(font);
      TextSize(size);
      TextFace(face);
      break;
    }
    case 'z': InvalWindowRect(dialog, &box); break;
    default: break;
  }
}

namespace {

// Applies the items' variables that changed since the dialog last showed them; the first
// variable missing stops the walk and its error is answered after the dialog is drawn.
i16 applyitems(ScriptDialog& s) {
  DialogRef d = s.dialog;
  for (i16 item = 1; item < s.count; ++item) {
    std::string t;
    if (i16 st = readitem(itemlist(s), item, &t)) return st;
    if (t.size() < 5) continue;
    Str255 now{};
    getitemstring(d, item, now);
    if (t == pstringview(now)) continue;
    i16 type = 0;
    Rect box{};
    GetDialogItem(d, item, &type, nullptr, &box);
    const i16 kind = i16(type & 127);
    const std::string text = t.substr(5, 255);
    const ControlRef c = iscontrolkind(kind) ? controlof(d, item) : nilid;
    auto visibility = [&] {
      if (t[1] == 'i') {
        HideDialogItem(d, item);
      } else {
        ShowDialogItem(d, item);
        if (kind == editText && GetDialogKeyboardFocusItem(d) == item) SelectDialogItemText(d, item, 0, kTEMaxLength);
      }
    };
    auto highlight = [&] {
      if (c != nilid) HiliteControl(c, t[2] == 'd' ? 255 : 0);
    };
    auto enabled = [&] {
      GetDialogItem(d, item, &type, nullptr, &box);
      SetDialogItem(d, item, i16(t[2] == 'e' ? (type & ~itemDisable) : (type | itemDisable)), 0, &box);
    };
    Str255 ptext{};
    pstrassign(ptext, sizeof ptext, text.data(), text.size());
    switch (kind) {
      case userItem: {
        const char look = char(t[3] | 0x20);
        Rect grown = box;
        InsetRect(&grown, -2, -2);
        if (look == 'a') {
          const int digit = text.empty() ? -1 : text[0] - '0';
          if (digit >= 0 && digit <= 5) {
            SetDialogItemProc(d, item, kDrawers[digit]);
            SavedPen saved(d);
            EraseRect(&box);
            InvalWindowRect(d, &box);
          }
        } else if (look == 'e' || look == 'p' || look == 't') {
          InvalWindowRect(d, &grown);
          SetDialogItemProc(d, item, PdialogRTdialoguseraction);
        } else if (look == 'z') {
          Rect all{};
          GetWindowPortBounds(d, &all);
          InvalWindowRect(d, &all);
          SetDialogItemProc(d, item, nullptr);
        }
        enabled();
        break;
      }
      case kPushButtonItem:
      case kCheckBoxItem:
      case kRadioButtonItem:
        if (c != nilid) {
          SetControlTitle(c, ptext);
          visibility();
          highlight();
          if (kind == kPushButtonItem) SetControlReference(c, i32(u8(t[3])));
          else SetControlValue(c, t[3] == 'c' ? 0 : 1);
        }
        break;
      case ctrlItem + resCtrl:
        if (c != nilid) {
          long lo = 0, value = 0, hi = 0;
          if (std::sscanf(text.c_str(), "%ld,%ld,%ld", &lo, &value, &hi) == 3) {
            SetControlMinimum(c, i16(lo));
            SetControlMaximum(c, i16(hi));
            SetControlValue(c, i16(value));
          }
        }
        visibility();
        highlight();
        break;
      case statText:
      case editText:
        SetDialogItemText(d, item, ptext);
        if (kind == editText && t[3] == 's') {
          SelectDialogItemText(d, item, 0, kTEMaxLength);
          Str255 fresh{};
          getitemstring(d, item, fresh);
          if (i16 st = writeitem(itemlist(s), item, fresh)) return st;
        }
        visibility();
        enabled();
        break;
      case iconItem:
      case picItem:
        visibility();
        enabled();
        break;
      default:
        visibility();
        highlight();
        break;
    }
  }
  return 0;
}

// The radio buttons next to `item`, down to item 1 and up to the last item, each run ending at
// the first item of another kind.
void clearradiorun(const ScriptDialog& s, i16 item) {
  for (i16 k = i16(item - 1); k >= 1 && kindof(s.dialog, k) == kRadioButtonItem; --k)
    SetControlValue(controlof(s.dialog, k), 0);
  for (i16 k = i16(item + 1); k < s.count && kindof(s.dialog, k) == kRadioButtonItem; ++k)
    SetControlValue(controlof(s.dialog, k), 0);
}

}  // namespace

bool PdialogRTmystdialog(DialogRef dialog, EventRecord* event, i16* itemhit) {
  dlogcursor(dialog);
  ScriptDialog* s = descriptorofwindow(dialog);
  switch (event->what) {
    case keyDown:
    case autoKey: {
      u8 c = u8(event->message & charCodeMask);
      if (c == kEscapeCharCode) {
        c = '.';
        event->modifiers = u16(event->modifiers | cmdKey);
        event->message = (event->message & ~charCodeMask) | '.';
      }
      if ((event->modifiers & cmdKey) && s != nullptr) {
        for (i16 item = 1; item < s->count; ++item) {
          std::string t;
          if (readitem(itemlist(*s), item, &t) != 0) break;
          if (t.size() >= 4 && t[0] == 'b' && u8(t[3]) == c && kindof(dialog, item) == kPushButtonItem) {
            flashcontrol(controlof(dialog, item));
            *itemhit = item;
            return true;
          }
        }
      }
      if (event->modifiers & cmdKey) return dialogedit(dialog, event, itemhit);
      if (keyabort(c)) {
        const ControlRef first = kindof(dialog, 1) == kPushButtonItem ? controlof(dialog, 1) : nilid;
        if (first != nilid && IsControlActive(first) && GetControlHilite(first) != 255) {
          flashcontrol(first);
          *itemhit = 1;
          return true;
        }
        event->what = nullEvent;
      }
      return false;
    }
    case updateEvt:
      if (!updatedialog(dialog, event)) updateBehind(dialog, *event);
      return false;
    default: return false;
  }
}

bool PdialogRTviewproc(DialogRef, EventRecord*, i16* itemhit) {
  ResourceDialogState& r = rds();
  if (r.viewdeadline == 0) {
    r.viewdeadline = TickCount() + 60;
    return false;
  }
  // The next event ends the loop, whether it came before the deadline or after it.
  *itemhit = 0;
  return true;
}

void checkdialogs() {
  std::vector<RegistryId> ids;
  rds().dialogs.each([&](RegistryId id, const ScriptDialog&) { ids.push_back(id); });
  for (RegistryId id : ids) closedialog(id);
}

namespace {

// Loads a DLOG by number or name: its reference in *result, or 151 when the DLOG or its DITL
// is missing or damaged.
i16 preload(fred* what, Handle variables, i32* result) {
  Handle dlog = nilhandle;
  i32 number = 0;
  Str255 name{};
  fredtotext(what, name);
  const std::string t(pstringview(name));
  const bool numeric = !t.empty() && std::all_of(t.begin(), t.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
  if (numeric && fredtolong(what, &number) == 0) dlog = GetResource(fourcc("DLOG"), i16(number));
  else dlog = GetNamedResource(fourcc("DLOG"), name);
  if (dlog == nilhandle || GetHandleSize(dlog) < 21) return err::nopictureordialog;
  const u8* p = deref(dlog);
  const i16 ditlid = i16((p[18] << 8) | p[19]);
  Handle ditl = GetResource(fourcc("DITL"), ditlid);
  if (ditl == nilhandle || GetHandleSize(ditl) < 2) return err::nopictureordialog;
  // The items must lie within the item list's data.
  const Size size = GetHandleSize(ditl);
  const u8* items = deref(ditl);
  const i32 count = ((items[0] << 8) | items[1]) + 1;
  Size at = 2;
  for (i32 k = 0; k < count; ++k) {
    if (at + 14 > size) return err::nopictureordialog;
    const Size length = items[at + 13];
    at += 14 + length + (length & 1);
    if (at > size) return err::nopictureordialog;
  }
  std::vector<u8> dlogbytes(deref(dlog), deref(dlog) + GetHandleSize(dlog));
  std::vector<u8> itembytes(items, items + size);
  const Rect bounds{i16((dlogbytes[0] << 8) | dlogbytes[1]), i16((dlogbytes[2] << 8) | dlogbytes[3]),
                    i16((dlogbytes[4] << 8) | dlogbytes[5]), i16((dlogbytes[6] << 8) | dlogbytes[7])};
  Str255 title{};
  pstrassign(title, sizeof title, reinterpret_cast<const char*>(&dlogbytes[21]),
             std::min<std::size_t>(dlogbytes[20], dlogbytes.size() - 21));
  auto s = std::make_unique<ScriptDialog>();
  GetPort(&s->port);
  s->dialog = NewDialogFromItems(&bounds, title, dlogbytes[10] != 0, i16((dlogbytes[8] << 8) | dlogbytes[9]),
                                 kFirstWindowOfClass, dlogbytes[12] != 0, 0, itembytes.data(), itembytes.size());
  if (s->dialog == nilid) return err::nopictureordialog;
  s->dlogid = i16(number);
  s->count = i16(count + 1);
  s->variables = variables;
  s->variablesserial = HandleSerial(variables);
  DialogRef d = s->dialog;
  const RegistryId id = rds().dialogs.add(std::move(s));
  if (id == nilid) {
    DisposeDialog(d);
    return 37;
  }
  SetWRefCon(d, i32(id));
  const u32 kind = kScriptDialogKind;
  SetWindowProperty(d, kKindCreator, kKindTag, sizeof kind, &kind);
  *result = i32(id);
  if (i16 st = storeitems(*dialogof(i32(id)))) return st;
  FlushEvents(everyEvent, 0);
  return 0;
}

i16 showdialog(ScriptDialog& s, bool view, i32* result) {
  DialogRef d = s.dialog;
  SelectWindow(d);
  const i16 pending = applyitems(s);
  Rect all{};
  GetWindowPortBounds(d, &all);
  InvalWindowRect(d, &all);
  ShowWindow(d);
  DrawDialog(d);
  if (pending != 0) return pending;
  i16 hit = 0;
  if (view) {
    rds().viewdeadline = 0;
    ModalDialog(PdialogRTviewproc, &hit);
    rds().viewdeadline = 0;
    *result = hit;
    return 0;
  }
  SetThemeCursor(kThemeArrowCursor);
  answerdialog(d, "dialog " + std::to_string(s.dlogid), "dialog", false);
  ModalDialog(PdialogRTmystdialog, &hit);
  noteitemhit(d, "dialog", hit);
  if (hit >= 1 && hit < s.count) {
    const i16 kind = kindof(d, hit);
    const ControlRef c = controlof(d, hit);
    if (kind == kCheckBoxItem && c != nilid) SetControlValue(c, GetControlValue(c) != 0 ? 0 : 1);
    if (kind == kRadioButtonItem && c != nilid) {
      SetControlValue(c, 1);
      clearradiorun(s, hit);
    }
  }
  if (i16 st = storeitems(s)) return st;
  *result = hit;
  return 0;
}

i16 hilitedlines(ScriptDialog& s, i32 item, std::string* out) {
  if (item < 1 || item >= s.count) return err::nosuchmenuitem;
  if (kindof(s.dialog, i16(item)) != ctrlItem + resCtrl) return err::notlistitem;
  const ControlRef c = controlof(s.dialog, i16(item));
  // The control keeps its list as the list's registry id, read only when the data is that size.
  RegistryId ref = nilid;
  i32 size = 0;
  if (c == nilid || u32(GetControlReference(c)) != kListReference ||
      GetControlData(c, 0, kListTag, sizeof ref, &ref, &size) != noErr || size != i32(sizeof ref))
    return err::notlistitem;
  ListHandle list = LFromRef(ref);
  if (list == nullptr) return err::notlistitem;
  Cell cell{0, 0};
  while (LGetSelect(true, &cell, list)) {
    if (!out->empty()) *out += ',';
    *out += std::to_string(cell.v + 1);
    ++cell.v;
  }
  return 0;
}

}  // namespace

scriptstatus fundialog(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  i32 i = at + 1;
  if (tokenat(atoms, i) != tok::leftparen) return err::noparens;
  ++i;
  const u16 op = tokenat(atoms, i);
  if (op != tok::preload && op != tok::display && op != tok::view && op != tok::dispose && op != tok::hilitedlines)
    return err::cantunderstand;
  ++i;
  if (tokenat(atoms, i) == tok::comma) ++i;
  fred what{};
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &what)) return st;
  i += used;
  i32 itemnumber = 0;
  if (op == tok::hilitedlines) {
    if (tokenat(atoms, i) == tok::comma) ++i;
    fred n{};
    i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &n);
    if (st == 0) st = fredtolong(&n, &itemnumber);
    disposfred(&n);
    if (st != 0) {
      disposfred(&what);
      return st;
    }
    i += used;
  }
  if (tokenat(atoms, i) != tok::rightparen) {
    disposfred(&what);
    return err::noparen;
  }
  *count = i + 1 - at;
  i32 result = 0;
  std::string lines;
  i16 st = 0;
  if (op == tok::preload) {
    st = preload(&what, variables, &result);
  } else {
    i32 reference = 0;
    ScriptDialog* s = fredtolong(&what, &reference) == 0 ? dialogof(reference) : nullptr;
    if (s == nullptr || !isdialog(s->dialog)) {
      st = err::notopendialog;
    } else if (op == tok::dispose) {
      closedialog(RegistryId(u32(reference)));
    } else if (op == tok::hilitedlines) {
      st = hilitedlines(*s, itemnumber, &lines);
    } else {
      st = showdialog(*s, op == tok::view, &result);
    }
  }
  disposfred(&what);
  if (st != 0) return st;
  if (op == tok::hilitedlines) {
    Str255 t{};
    pstrassign(t, sizeof t, lines.data(), std::min<std::size_t>(lines.size(), 255));
    return stringtonewfred(t, value);
  }
  longtonewfred(result, value);
  return 0;
}

namespace {

// A keyword of setDialogItem: a word taken as it is, or an expression whose text names one.
void keyword(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, u16* word) {
  const u16 t = tokenat(atoms, *i);
  static constexpr u16 words[] = {tok::enabled,  tok::disabled, tok::vis,      tok::invisible,   tok::set,
                                  tok::clear,    tok::cmdkey,   tok::contents, tok::box,         tok::doubleline,
                                  tok::grayline, tok::modalbox, tok::graybox,  tok::graylinebox, tok::pict,
                                  tok::text,     tok::erase,    tok::reset,    tok::menu};
  if (std::find(std::begin(words), std::end(words), t) != std::end(words) || (t >= firstcommand && t <= lastcommand) ||
      (t >= firstproperty && t <= lastproperty) || (t >= firstconstant && t <= lastconstant) || t >= firstotherword) {
    *word = t;
    ++*i;
    return;
  }
  fred v{};
  i32 used = 0;
  if (expression(path, text, atoms, *i, variables, nilhandle, &used, &v) != 0) {
    *word = tok::emptyrow;
    *i += std::max<i32>(used, 1);
    return;
  }
  *i += used;
  Str255 s{};
  fredtostring(&v, s);
  disposfred(&v);
  *word = stringtotoken(s + 1, s[0]);
}

scriptstatus expressiontext(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, std::string* out) {
  fred v{};
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v)) return st;
  *i += used;
  Str255 s{};
  fredtostring(&v, s);
  disposfred(&v);
  *out = std::string(pstringview(s));
  return 0;
}

// The MENU resource of that number must exist; the menu of that id, when one is live, keeps the
// line alone.
i16 setmenu(i32 number, const std::string& line) {
  Handle resource = GetResource(fourcc("MENU"), i16(number));
  if (resource == nilhandle) return err::nosuchmenu;
  MenuRef menu = GetMenuHandle(MenuID(number));
  if (menu == nilid) return 0;
  while (CountMenuItems(menu) > 0) DeleteMenuItem(menu, 1);
  Str255 t{};
  pstrassign(t, sizeof t, line.data(), std::min<std::size_t>(line.size(), 255));
  AppendMenu(menu, t);
  return 0;
}

}  // namespace

scriptstatus comsetdialogitem(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  fred n{};
  i32 used = 0;
  i32 item = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &n)) return st;
  i16 st = fredtolong(&n, &item);
  disposfred(&n);
  if (st != 0) return st;
  i += used;
  if (tokenat(atoms, i) == tok::comma) ++i;
  std::string state;
  varentry entry{};
  const bool menufirst = tokenat(atoms, i) == tok::menu;
  if (!menufirst) {
    if (getitemvars(variables, i16(item), &entry, false, nullptr) != 0) return err::nosuchmenuitem;
    state = textofvalue(entry.value);
    if (state.size() < 5) state = "----\\";
  }
  while (!statementends(atoms, i)) {
    u16 word = 0;
    keyword(path, text, atoms, &i, variables, &word);
    std::string value;
    switch (word) {
      case tok::enabled: state[2] = 'e'; break;
      case tok::disabled: state[2] = 'd'; break;
      case tok::vis: state[1] = 'v'; break;
      case tok::invisible: state[1] = 'i'; break;
      case tok::set: state[3] = 's'; break;
      case tok::clear: state[3] = 'c'; break;
      case tok::cmdkey:
        if ((st = expressiontext(path, text, atoms, &i, variables, &value))) return st;
        state[3] = value.empty() ? '-' : value[0];
        break;
      case tok::contents:
        if ((st = expressiontext(path, text, atoms, &i, variables, &value))) return st;
        state = state.substr(0, 5) + value;
        break;
      case tok::menu:
        if ((st = expressiontext(path, text, atoms, &i, variables, &value))) return st;
        return setmenu(item, value);
      case tok::box:
      case tok::doubleline:
      case tok::grayline:
      case tok::modalbox:
      case tok::graybox:
      case tok::graylinebox:
      case tok::pict:
      case tok::text:
      case tok::erase:
      case tok::reset: {
        if ((state[0] | 0x20) != 'u') return err::notuseritem;
        static constexpr u16 drawers[] = {tok::box,      tok::doubleline, tok::grayline,
                                          tok::modalbox, tok::graybox,    tok::graylinebox};
        const u16* d = std::find(std::begin(drawers), std::end(drawers), word);
        if (d != std::end(drawers)) {
          state = state.substr(0, 3) + "a\\" + char('0' + (d - std::begin(drawers)));
        } else if (word == tok::pict || word == tok::text) {
          if ((st = expressiontext(path, text, atoms, &i, variables, &value))) return st;
          state = state.substr(0, 3) + (word == tok::pict ? "p\\" : "t\\") + value;
        } else {
          state[3] = word == tok::erase ? 'e' : 'z';
        }
        break;
      }
      default: return err::cantunderstand;
    }
    if (tokenat(atoms, i) == tok::comma) ++i;
  }
  if (state.size() > 255) state.resize(255);
  Str255 t{};
  pstrassign(t, sizeof t, state.data(), state.size());
  return writeitem(variables, i16(item), t);
}

}  // namespace kv
