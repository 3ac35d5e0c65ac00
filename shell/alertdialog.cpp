// The alert command and the standard alert it shows, as a modal dialog or as a sheet whose
// answer comes back later as the message sheetButton; and what the script dialogs share while
// they read their statements.
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "shell/dialogs.h"
#include "shell/dialogutils.h"
#include "shell/drawcase.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/scriptdialogparse.h"
#include "shell/windowmanage.h"
#include "shell/windowstyle.h"
#include "shell/windtable.h"
#include "store/records.h"
#include "system/appleevents.h"

namespace kv {

ScriptDialogState& scriptdialogs() { return state<ScriptDialogState>(); }

// --- Reading the statements ---------------------------------------------------------------------

u16 dialogparse::tok() const { return tokenat(atoms, i); }
u16 dialogparse::tok(i32 ahead) const { return tokenat(atoms, i + ahead); }
bool dialogparse::ends() const { return statementends(atoms, i); }

i16 dialogparse::expression(StringPtr out) {
  fred v{};
  i32 used = 0;
  if (i16 st = kv::expression(path, text, atoms, i, variables, nilhandle, &used, &v)) return st;
  fredtostring(&v, out);
  disposfred(&v);
  i += used;
  return 0;
}

i16 dialogparse::factor(StringPtr out) {
  fred v{};
  i32 used = 0;
  if (i16 st = anyfact(path, text, atoms, i, variables, nilhandle, &used, &v)) return st;
  fredtostring(&v, out);
  disposfred(&v);
  i += used;
  return 0;
}

i16 dialogparse::placeandcancel(i16* h, i16* v) {
  *h = -1;
  *v = -1;
  if (tok() == tok::at) {
    ++i;
    if (i16 st = point(h, v)) return st;
  }
  if (tok() == tok::without && tok(1) == tok::cancel) {
    scriptdialogs().nocancel = 1;
    i += 2;
  }
  return 0;
}

i16 dialogparse::point(i16* h, i16* v) {
  Str255 first{};
  if (i16 st = expression(first)) return st;
  std::string t(pstringview(first));
  if (tok() == tok::comma) {
    ++i;
    Str255 second{};
    if (i16 st = expression(second)) return st;
    t += ',';
    t += pstringview(second);
  }
  Point p{};
  if (!textopoint(t.data(), &p)) return 2;
  *h = p.h;
  *v = p.v;
  return 0;
}

bool refusedduringdrag() {
  const MainGlobals& g = mainglobals();
  if (g.notfront == 0 || g.dragref == 0) return false;
  setresulttext(kResultRefused);
  return true;
}

void emptyresult() {
  Handle r = mainglobals().result;
  if (r != nilhandle) SetHandleSize(r, 0);
}

namespace {

u16 windowstyleof(const desk& d) {
  if (d.wind == nilhandle || !IsValidHandle(d.wind)) return kStyleStandard;
  return loadat<windrec>(deref(d.wind)).word2;
}

}  // namespace

WindowRef dialogparent() {
  const desk& d = mainglobals().current;
  if (d.window != nilid && IsValidWindowPtr(d.window) && IsWindowVisible(d.window)) {
    const u16 style = windowstyleof(d);
    if (style != kStylePalette && style != kStyleCustomPalette) return d.window;
  }
  WindowRef top = nilid;
  topwindow(&top);
  return top;
}

void unhilitecurrent() {
  const WindowRef w = mainglobals().current.window;
  if (w != nilid && IsValidWindowPtr(w)) hiliteone(w, 0);
}

void rehilitecurrent() {
  const WindowRef w = mainglobals().current.window;
  if (w != nilid && IsValidWindowPtr(w)) hiliteone(w, 1);
}

void redrawifpenhidden() {
  GrafPtr port = nilid;
  GetPort(&port);
  if (port != nilid && GetPortPenVisibility(port) < 0) {
    const WindowRef w = mainglobals().current.window;
    if (w != nilid && IsValidWindowPtr(w)) drawframe(w);
  }
}

// --- Alert --------------------------------------------------------------------------------------

namespace {

// The sheet mark of a window's context (and of the current one when it is that window).
void marksheet(WindowRef window, bool on) {
  desk d{};
  if (getwind(window, &d) != 0) {
    d.sheetflags = u16(on ? (d.sheetflags | 1u) : (d.sheetflags & ~1u));
    putwind(window, d);
  }
  desk& cur = mainglobals().current;
  if (cur.window == window) cur.sheetflags = u16(on ? (cur.sheetflags | 1u) : (cur.sheetflags & ~1u));
}

bool sheetallowed(WindowRef parent) {
  if (parent == nilid || !IsWindowVisible(parent)) return false;
  u32 modality = 0;
  WindowRef owner = nilid;
  GetWindowModality(parent, &modality, &owner);
  if (modality != kWindowModalityNone) return false;
  Rect bounds{}, main = screenbounds(0), both{};
  GetWindowBounds(parent, kWindowStructureRgn, &bounds);
  return SectRect(&bounds, &main, &both);
}

// A text as a script literal: its quotes and returns joined in with `quote` and `return`, so
// that it arrives as exactly that text and nothing of it is run.
std::string literal(std::string_view text) {
  std::string out;
  std::string piece;
  bool any = false;
  auto flush = [&](const char* joiner) {
    if (any) out += " & ";
    out += "\"" + piece + "\"";
    piece.clear();
    any = true;
    if (joiner) out += std::string(" & ") + joiner;
  };
  for (char c : text) {
    if (c == '"') flush("quote");
    else if (c == '\r') flush("return");
    else if (c == '\n') flush("lineFeed");
    else piece += c;
  }
  flush(nullptr);
  return out;
}

}  // namespace

OSStatus mySheetHandler(u32 call, u32 event, u32 userdata) {
  ControlRef control = nilid;
  if (GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof control, nullptr, &control) !=
      noErr)
    return eventNotHandledErr;
  Str255 title{};
  GetControlTitle(control, title);
  if (title[0] == 0) return noErr;
  enterCarbonEvent(call, event, userdata);
  FlushEvents(everyEvent, 0);
  const WindowRef sheet = GetControlOwner(control);
  WindowRef parent = nilid;
  GetSheetWindowParent(sheet, &parent);
  if (parent != nilid && IsValidWindowPtr(parent)) {
    RemoveWindowProperty(parent, kSheetCreator, kSheetTag);
    marksheet(parent, false);
  }
  HideSheetWindow(sheet);
  DisposeDialog(sheet);
  desk d{};
  if (parent != nilid && getwind(parent, &d) != 0)
    cardsend("sheetButton " + literal(pstringview(title)), sendnormal, parent);
  exitCarbonEvent();
  return noErr;
}

i16 runalert(ConstStringPtr message, ConstStringPtr explanation, i16 kind, i16 allowSheet, i16 count,
             ConstStringPtr button1, ConstStringPtr button2, ConstStringPtr button3) {
  ScriptDialogState& sd = scriptdialogs();
  const bool nocancel = sd.nocancel != 0;
  GrafPtr port = nilid;
  GetPort(&port);
  AlertStdAlertParamRec p;
  p.movable = allowSheet == 0;
  p.filterProc = PdialogRTstdialog;
  if (count <= 1) {
    p.defaultText = button1;
  } else if (count == 2) {
    p.defaultText = button2;
    p.cancelText = button1;
  } else {
    p.defaultText = button3;
    p.cancelText = button2;
    p.otherText = button1;
  }
  p.cancelButton = count >= 2 && !nocancel ? kAlertStdAlertCancelButton : 0;
  if (explanation != nullptr && explanation[0] == 0) explanation = nullptr;

  const WindowRef parent = dialogparent();
  i16 hit = 0;
  if (allowSheet != 0 && sheetallowed(parent)) {
    notify(kInteractTimeout);
    SetThemeCursor(kThemeArrowCursor);
    DialogRef sheet = CreateStandardSheet(kind, message, explanation, &p);
    if (sheet != nilid) {
      const EventTypeSpec hits{kEventClassControl, kEventControlHit};
      InstallEventHandler(sheet, mySheetHandler, 1, &hits, sheet, nullptr);
      ShowSheetWindow(sheet, parent);
      SetWindowProperty(parent, kSheetCreator, kSheetTag, sizeof sheet, &sheet);
      marksheet(parent, true);
      transcriptadd(TranscriptKind::dialog, "sheet " + macromantoutf8(pstringview(message)));
    }
  } else {
    notify(kInteractTimeout);
    SetThemeCursor(kThemeArrowCursor);
    if (parent != nilid) hiliteone(parent, 0);
    StandardAlert(kind, message, explanation, &p, &hit);
    if (parent != nilid && IsValidWindowPtr(parent)) hiliteone(parent, 1);
  }
  sd.nocancel = 0;
  SetPort(port);
  redrawifpenhidden();
  return hit;
}

scriptstatus comalert(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (refusedduringdrag()) return 0;
  ScriptDialogState& sd = scriptdialogs();
  sd.withbuffer[0] = 0;
  Str255 buttons[3]{};
  Str255 message{}, explanation{};
  dialogparse p{path, text, atoms, variables, at + 1};
  bool sheet = false;
  if (p.tok() == tok::sheet) {
    sheet = true;
    ++p.i;
  }
  i16 kind = notealert;
  switch (p.tok()) {
    case tok::stop: kind = stopalert; break;
    case tok::note: kind = notealert; break;
    case tok::caution: kind = cautionalert; break;
    case tok::plain: kind = plainalert; break;
    default: --p.i; break;
  }
  ++p.i;
  if (i16 st = p.expression(message)) return st;
  if (p.tok() == tok::explain) {
    ++p.i;
    if (i16 st = p.expression(explanation)) return st;
  }
  i16 count = 0;
  if (p.tok() == tok::with) {
    do {
      ++p.i;
      if (i16 st = p.factor(buttons[count])) return st;
      ++count;
    } while (count < 3 && (p.tok() == tok::or_ || p.tok() == tok::comma));
  }
  if (p.tok() == tok::without && p.tok(1) == tok::cancel) {
    sd.nocancel = 1;
    p.i += 2;
  }
  if (!p.ends()) {
    sd.nocancel = 0;
    return err::stray;
  }
  if (count == 0) {
    pstrassign(buttons[0], sizeof buttons[0], upstrsrc(kOKText) + 1, upstrsrc(kOKText)[0]);
    count = 1;
  }
  const i16 hit = runalert(message, explanation, kind, sheet ? 1 : 0, count, buttons[0], buttons[1], buttons[2]);
  if (hit >= 1 && hit <= count) {
    const Str255& chosen = buttons[count - hit];
    std::memcpy(sd.withbuffer, chosen, std::size_t(chosen[0]) + 1);
  }
  return stringtoit(sd.withbuffer, variables);
}

}  // namespace kv
