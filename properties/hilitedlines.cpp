// `set [the] hilitedLines of <list field> to <rows>`: the rows of a shown list field's live list
// that are selected, replaced by the rows the value names (1-based, separated by commas).
#include <algorithm>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/listfields.h"
#include "fields/listselect.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "render/objectbounds.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "store/objects.h"

namespace kv {

namespace {

// Selects the rows the text names; every row is deselected first. Rows are limited to the
// list; a list without rows selects nothing.
i16 selectrows(const spot& field, const propctx& c, Handle text) {
  const i32 rows = listrowcount(field);
  for (i32 r = 0; r < rows; ++r) listselectrow(field, r, false);
  if (text == nilhandle || GetHandleSize(text) == 0) return 0;
  fred whole;
  if (i16 st = handtonewfred(text, &whole)) return st;
  Handle atoms = nilhandle;
  i16 st = tokenizefred(&whole, &atoms);
  for (i32 i = 0; st == 0;) {
    fred v;
    i32 n = 0;
    if ((st = expression(c.path, whole.text, atoms, i, c.variables, nilhandle, &n, &v))) break;
    i32 row = 0;
    st = fredtolong(&v, &row);
    disposfred(&v);
    if (st != 0) break;
    i += n;
    const u16 t = tokenat(atoms, i);
    if (t != tok::comma && t != tok::endofline && t != tok::endofscript) {
      st = err::cantunderstand;
      break;
    }
    if (rows > 0) listselectrow(field, std::clamp(row, 1, rows) - 1, true);
    if (t != tok::comma) break;
    ++i;
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  disposfred(&whole);
  return st;
}

}  // namespace

KV_SETTER(sethilited) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  if (obj.kind != objpart) {
    writeobj(&obj);
    return err::notext;
  }
  desk shown{};
  if (obj.d.window == nilid || getwind(obj.d.window, &shown) == 0 || shown.cardnum != obj.d.cardnum) {
    writeobj(&obj);
    return err::cardnotshown;
  }
  spot s = spotat(obj.objects, obj.objindex);
  if (s.kind != spotfield || !islist(s)) {
    writeobj(&obj);
    return err::nosuchproperty;
  }
  MainGlobals& g = mainglobals();
  const bool other = g.current.window != obj.d.window;
  const desk saved = g.current;
  const CGrafPtr savedport = currentportid();
  if (other) {
    g.current = obj.d;
    SetPortWindowPort(obj.d.window);
  }
  const objread held = obj;
  writeobj(&obj);
  bool loaded = false;
  if (livefield(s) == 0) {
    forcelistload(s, 0);
    loaded = livefield(s) != 0;
  }
  i16 st = 0;
  Handle rowstext = nilhandle;
  if (livefield(s) == 0 || listrowcount(s) < 0) {
    st = err::wentwrong;
  } else {
    i32 n = 0;
    st = listonewh(text, atoms, at + used, path, variables, nilhandle, &n, &rowstext);
    if (st == 0) {
      st = selectrows(s, c, rowstext);
      if (st == 0 && !lineends(c, at + used + n)) st = err::stray;
    }
  }
  if (rowstext != nilhandle) DisposeHandle(rowstext);
  objread again{};
  if (dofront(c, at, &used, &again, true) == 0) {
    if (st == 0 && loaded && again.kind == objpart) {
      spot now = spotat(again.objects, again.objindex);
      setlivefield(now, livefield(s));
      putspot(again.objects, again.objindex, now);
    }
    writeobj(&again);
  }
  if (other) {
    g.current = saved;
    SetPort(savedport);
  }
  Rect area{};
  calcspot(held.objects, held.objindex, &area);
  if (getwind(held.d.window, &shown) != 0) drawedit(shown, &area);
  return st;
}

}  // namespace kv
