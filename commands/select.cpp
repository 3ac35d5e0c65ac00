#include "commands/select.h"

#include <algorithm>

#include "engine/chunks.h"
#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/objectutil.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "render/selectionknobs.h"
#include "render/spotstyles.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "store/objread.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr u16 kFieldTool = 602, kButtonTool = 603, kGraphicTool = 604;
constexpr u32 kWindowShowsInvisibles = 1u << 7, kWideMargins = 1u << 5;

// Where the selection goes within the range named: all of it, or a caret at either end.
enum class place { range, before, after };

// The context of the window showing an object's list (its card's or its background's); false
// when no open window shows it.
bool shownin(const objread& obj, desk* shown) {
  if (obj.d.window == nilid || getwind(obj.d.window, shown) == 0 || !IsValidWindowPtr(shown->window)) return false;
  return obj.objects != nilhandle && (obj.objects == shown->cardspots || obj.objects == shown->backspots);
}

bool showsinvisible(const desk& d) {
  return d.wind != nilhandle && (loadat<windrec>(deref(d.wind)).flags & kWindowShowsInvisibles) != 0;
}

// A new tool for a window, in its table entry and, for the current window, the global state.
void settool(desk& d, u16 tool) {
  d.tool = tool;
  putwind(d.window, d);
  if (mainglobals().current.window == d.window) mainglobals().current.tool = tool;
}

bool isopen(const desk& d, Handle list, i16 index) {
  const MainGlobals& g = mainglobals();
  return g.openfield == index && g.openfieldspots == list && g.openfieldwindow == d.window;
}

// The selection of a text graphic: all of its text while it is being typed into.
void selectgraphictext(const objread& obj) {
  const MainGlobals& g = mainglobals();
  if (g.graphspots != obj.objects || g.graphindex != obj.objindex || !isvalidwerec(g.graphrec)) return;
  WESetSelection(0, WEGetTextLength(g.graphrec), g.graphrec);
  desk shown{};
  if (shownin(obj, &shown)) {
    const Rect r = spotat(obj.objects, obj.objindex).rect;
    drawedit(shown, &r);
  }
}

// Brings the selection's start into the middle of a field's view when it lies outside it.
void scrollto(const desk& d, Handle list, i16 index, i32 start, WEReference we) {
  LongRect view{};
  WEGetViewRect(&view, we);
  LongPoint at{};
  i16 lineheight = 0;
  WEGetPoint(start, 0, &at, &lineheight, we);
  if (at.v >= view.top && at.v + lineheight <= view.bottom) return;
  spot s = spotat(list, index);
  const i32 height = view.bottom - view.top;
  const i32 old = getfieldscroll(s);
  i32 most = WEGetHeight(0, WECountLines(we), we) - height + ((s.flags & kWideMargins) ? 4 : 0);
  const i32 scroll = std::clamp<i32>(at.v - (view.top + height / 2) + old, 0, std::max<i32>(most, 0));
  if (scroll == old) return;
  {
    SavePort saved;
    SetPortWindowPort(d.window);
    WEScroll(0, old - scroll, we);
  }
  setfieldscroll(s, scroll);
  putspot(list, index, s);
  // The field's scroll bar and ruler follow the text when it is drawn again.
  drawedit(d, &s.rect);
}

// Opens a field for typing and selects [start, end) of its text (the whole text when `whole`),
// or a caret at one end.
i16 selectinfield(const objread& obj, bool whole, i32 start, i32 end, place where) {
  MainGlobals& g = mainglobals();
  const Handle list = obj.objects;
  const i16 index = obj.objindex;
  desk d{};
  if (!shownin(obj, &d)) return err::nosuchwindow;
  if (d.tool != toolbrowse && d.tool != tooltext) {
    {
      BorrowDesk borrowed(d);
      SetPortWindowPort(d.window);
      unhiliteall();
    }
    settool(d, toolbrowse);
    drawedit(d, nullptr);
    putdownmodes();
  }
  if (!isopen(d, list, index)) {
    const u64 stamp = d.changestamp;
    auto moved = [&] {
      desk now{};
      return getwind(d.window, &now) == 0 || now.changestamp != stamp || index >= spotcount(list);
    };
    if (i16 st = putdownfield()) return st;
    if (moved()) return 0;
    if (i16 st = putupfield(d.window, list, index)) return st;
    if (moved() || !isopen(d, list, index)) return 0;
  }
  const WEReference we = g.openfieldrec;
  if (!isvalidwerec(we)) return 0;
  const i32 length = WEGetTextLength(we);
  if (whole) {
    start = 0;
    end = length;
  }
  start = std::clamp<i32>(start, 0, length);
  end = std::clamp<i32>(end, start, length);
  if (where == place::before) end = start;
  if (where == place::after) start = end;
  {
    SavePort saved;
    SetPortWindowPort(d.window);
    WESetSelection(start, end, we);
  }
  if (!whole) scrollto(d, list, index, start, we);
  return 0;
}

// A field a script may type into: visible, and no list.
bool typable(const spot& s) { return (s.flags & spotvisible) && !islist(s); }

// `text of <object>`, from the atom after `text`.
scriptstatus selecttext(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, place where) {
  if (tokenat(atoms, at) != tok::in) return err::noof;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at + 1, variables, &used, &obj)) return st;
  i16 st = 0;
  if (obj.kind != objpart || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects)) st = err::cantunderstand;
  else if (!statementends(atoms, at + 1 + used)) st = err::stray;
  const spot s = st == 0 ? spotat(obj.objects, obj.objindex) : spot{};
  if (st == 0 && s.kind == spotgraphic && s.style == styletext) {
    selectgraphictext(obj);
  } else if (st == 0 && s.kind != spotfield) {
    st = err::notfield;
  } else if (st == 0 && typable(s)) {
    st = selectinfield(obj, true, 0, 0, where);
  }
  writeobj(&obj);
  return st;
}

// A chunk of a field, from its first word.
scriptstatus selectchunk(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, place where) {
  chunkpart dest{};
  i32 used = 0;
  if (i16 st = destchunk(path, text, atoms, at, variables, nilhandle, &used, &dest, 0, 0)) return st;
  if (!statementends(atoms, at + used)) {
    releasecontainer(&dest);
    return err::stray;
  }
  if (dest.kind != containerfield || dest.field == nilhandle || GetHandleSize(dest.field) != Size(sizeof(objread))) {
    releasecontainer(&dest);
    return err::cantunderstand;
  }
  const objread obj = loadat<objread>(deref(dest.field));
  // The range counts from the stored text's first character, after its style runs.
  const i32 offset = measurefieldtext(dest.value.text).textoffset;
  const i32 start = i32(dest.start) - offset, end = i32(dest.end) - offset;
  desk shown{};
  const bool inwindow = obj.kind == objpart && shownin(obj, &shown);
  const bool field = obj.kind == objpart && obj.objindex >= 0 && obj.objindex < spotcount(obj.objects);
  const bool take = field && typable(spotat(obj.objects, obj.objindex));
  // The lists a window shows outlive the reference that named them.
  releasecontainer(&dest);
  if (obj.kind != objpart) return err::cantunderstand;
  if (!take) return 0;
  if (!inwindow) return err::nosuchwindow;
  return selectinfield(obj, false, start, end, where);
}

// One object selected alone, with the tool of its kind.
scriptstatus selectobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &used, &obj)) return st;
  desk d{};
  i16 st = 0;
  if (obj.kind != objpart || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects)) st = err::cantunderstand;
  else if (!statementends(atoms, at + used)) st = err::stray;
  else if (!shownin(obj, &d)) st = err::nosuchwindow;
  const spot s = st == 0 ? spotat(obj.objects, obj.objindex) : spot{};
  if (st != 0 || (!(s.flags & spotvisible) && !showsinvisible(d))) {
    writeobj(&obj);
    return st;
  }
  {
    BorrowDesk borrowed(d);
    SetPortWindowPort(d.window);
    unhiliteall();
    selone(obj.objects, obj.objindex);
  }
  settool(d, s.kind == spotbutton ? kButtonTool : s.kind == spotfield ? kFieldTool : kGraphicTool);
  drawedit(d, nullptr);
  putdownmodes();
  st = putdownfield();
  writeobj(&obj);
  return st;
}

}  // namespace

scriptstatus lowselect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 t = tokenat(atoms, at);
  if (t == tok::empty) {
    if (!statementends(atoms, at + 1)) return err::stray;
    const desk& d = mainglobals().current;
    if (d.window != nilid && d.tool != toolbrowse) {
      SavePort saved;
      SetPortWindowPort(d.window);
      unhiliteall();
    }
    putdownmodes();
    return putdownfield();
  }
  place where = place::range;
  if (t == tok::before || t == tok::after) {
    where = t == tok::before ? place::before : place::after;
    t = tokenat(atoms, ++at);
  }
  if (t == tok::text) return selecttext(path, text, atoms, at + 1, variables, where);
  if (startschunk(atoms, at)) return selectchunk(path, text, atoms, at, variables, where);
  return selectobject(path, text, atoms, at, variables);
}

scriptstatus comselect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const i16 first = lowselect(path, text, atoms, at + 1, variables);
  if (first <= 0) return first;
  // The words may be one operand whose text names what to select.
  clearerror();
  fred operand;
  i32 used = 0;
  if (factor(path, text, atoms, at + 1, variables, nilhandle, &used, &operand) != 0) return first;
  Handle named = nilhandle;
  i16 st = statementends(atoms, at + 1 + used) ? tokenizefred(&operand, &named) : first;
  if (st == 0) st = lowselect(path, operand.text, named, 0, variables);
  if (named != nilhandle) DisposeHandle(named);
  disposfred(&operand);
  return st;
}

}  // namespace kv
