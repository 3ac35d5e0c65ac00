// Object, window and region functions.
#include "commands/objectfunctions.h"

#include <string>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "commands/pointlists.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "render/hittest.h"
#include "properties/valuewords.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "system/windowkind.h"
#include "tools/dragdata.h"

namespace kv {

namespace {

enum class selform : u8 { shortform, longform, kind, style };

// The words of an object kind in the short and long forms.
const char* shortkind(u16 kind) {
  return kind == spotbutton ? "btn" : kind == spotfield ? "fld" : kind == spotgraphic ? "grc" : "";
}
const char* longkind(u16 kind) {
  return kind == spotbutton ? "button" : kind == spotfield ? "field" : kind == spotgraphic ? "graphic" : "";
}

// The selected objects of a list in a form.
std::string selectedlist(const objread& obj, selform form) {
  const bool card = obj.kind == objcard;
  Handle list = card ? obj.d.cardspots : obj.d.backspots;
  Str255 owner;
  owner[0] = 0;
  if (form == selform::longform) {
    if (card) buildcardid(obj, tok::long_, owner);
    else buildbackid(obj, tok::long_, owner);
  }
  std::string out;
  const i32 n = list == nilhandle ? 0 : i32(HandleCount<spot>(list));
  bool first = true;
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(list, i);
    if (s.selected == 0) continue;
    Str255 word;
    word[0] = 0;
    switch (form) {
      case selform::style:
        spotstylestring(s.style, word);
        if (!first) out += '\r';
        out.append(reinterpret_cast<const char*>(word + 1), word[0]);
        break;
      case selform::kind:
        spotkindstring(s.kind, word);
        if (!first) out += '\r';
        out.append(reinterpret_cast<const char*>(word + 1), word[0]);
        break;
      case selform::shortform:
        if (!first) out += ',';
        out += std::string(card ? "cd" : "bg") + " " + shortkind(s.kind) + " ID " + std::to_string(u32(s.id));
        break;
      case selform::longform:
        if (!first) out += '\r';
        out += std::string(card ? "card" : "bkgnd") + " " + longkind(s.kind) + " ID " + std::to_string(u32(s.id)) +
               " of " + std::string(pstringview(owner));
        break;
    }
    first = false;
  }
  return out;
}

// The text of a value (at most 255 characters).
void valuetext(fred* v, StringPtr out) {
  fred look = *v;
  fredtotext(&look, out);
}

}  // namespace

i16 buildwindnames(fred* value, bool idform, u16 kind) {
  std::string list;
  bool first = true;
  for (WindowRef w : windowlist()) {
    if (windowkind(w, kind) == 0 || windowkind(w, kindquerymessagebox) != 0 || windowkind(w, kindquerytool) != 0)
      continue;
    if (!first) list += '\r';
    first = false;
    Str255 entry;
    entry[0] = 0;
    if (kind == kindqueryruntime) {
      objread obj{};
      if (getwind(w, &obj.d) != 0) {
        obj.kind = objwindow;
        if (idform) buildwindid(&obj, tok::long_, entry);
        else buildwindname(obj, tok::long_, entry);
      }
    } else {
      Rect bar{};
      if (GetWindowBounds(w, kWindowTitleBarRgn, &bar) == noErr && bar.right > bar.left) GetWTitle(w, entry);
    }
    list.append(reinterpret_cast<const char*>(entry + 1), entry[0]);
  }
  return charstonewfred(list.data(), Size(list.size()), value);
}

scriptstatus getselected(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, h.word + 2, variables, &used, &obj); st != 0) return st;
  i32 i = h.word + 2 + used;
  i16 st = obj.kind == objcard || obj.kind == objbackground ? i16(0) : i16(err::cantunderstand);
  selform form = selform::shortform;
  if (st == 0 && tokenat(atoms, i) == tok::comma) {
    switch (tokenat(atoms, i + 1)) {
      case tok::long_: form = selform::longform; break;
      case tok::short_:
      case tok::abbr: form = selform::shortform; break;
      case tok::kind: form = selform::kind; break;
      case tok::style: form = selform::style; break;
      default: st = err::cantunderstand; break;
    }
    i += 2;
  } else if (st == 0 && tokenat(atoms, i) != tok::rightparen) {
    st = err::nocomma;
  }
  if (st == 0 && tokenat(atoms, i) != tok::rightparen) st = err::noparen;
  std::string list;
  if (st == 0 && currenttool() != toolbrowse) list = selectedlist(obj, form);
  writeobj(&obj);
  if (st == 0) st = charstonewfred(list.data(), Size(list.size()), value);
  if (st == 0) *count = i + 1 - at;
  return st;
}

scriptstatus fundragdata(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
  i32 i = h.word + 2, used = 0;
  fred v;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &v); st != 0) return st;
  i32 item = 0;
  i16 st = fredtolong(&v, &item);
  disposfred(&v);
  if (st != 0) return st;
  i += used;
  if (tokenat(atoms, i) != tok::comma) return err::nocomma;
  if ((st = anyfact(path, text, atoms, i + 1, variables, nilhandle, &used, &v)) != 0) return st;
  Str255 flavor;
  valuetext(&v, flavor);
  disposfred(&v);
  if (flavor[0] != 4) return err::flavourlength;
  i += 1 + used;
  i16 typeform = 0;
  if (tokenat(atoms, i) == tok::comma) {
    u16 t = tokenat(atoms, i + 1);
    if (t == tok::type || t == tok::path) {
      typeform = t == tok::type ? 1 : 0;
      used = 1;
    } else {
      if ((st = anyfact(path, text, atoms, i + 1, variables, nilhandle, &used, &v)) != 0) return st;
      Str255 word;
      valuetext(&v, word);
      disposfred(&v);
      if (myequalstring(word, reinterpret_cast<ConstStringPtr>("\x04type"))) typeform = 1;
      else if (!myequalstring(word, reinterpret_cast<ConstStringPtr>("\x04path"))) return err::cantunderstand;
    }
    i += 1 + used;
  }
  if (tokenat(atoms, i) != tok::rightparen) return err::noparen;
  OSType code = OSType(flavor[1]) << 24 | OSType(flavor[2]) << 16 | OSType(flavor[3]) << 8 | OSType(flavor[4]);
  Handle data = GetDragData(item, code, typeform);
  st = data != nilhandle ? handtonewfred(data, value) : newfred(value, fredtemp, fredstring, 0);
  if (data != nilhandle) DisposeHandle(data);
  if (st == 0) *count = i + 1 - at;
  return st;
}

scriptstatus fungraph(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
  const bool within = h.token == tok::within;
  objread first{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, h.word + 2, variables, &used, &first); st != 0) return st;
  i32 i = h.word + 2 + used;
  i16 st = first.kind == objpart ? i16(0) : i16(err::notext);
  if (st == 0 && tokenat(atoms, i) != tok::comma) st = err::nocomma;
  bool answer = false;
  if (st == 0 && within) {
    // The point, as "h,v" in one value or as two numbers.
    Handle points = nilhandle;
    st = getloclist(path, text, atoms, i + 1, variables, &used, &points);
    if (st == 0 && GetHandleSize(points) != Size(sizeof(Point))) st = err::cantunderstand;
    if (st == 0) {
      i += 1 + used;
      const Point pt = HandleAs<Point>(points)[0];
      answer = ptinspot(first.objects, first.objindex, pt) != 0;
    }
    if (points != nilhandle) DisposeHandle(points);
  } else if (st == 0) {
    objread second{};
    st = scanobj(path, text, atoms, i + 1, variables, &used, &second);
    if (st == 0) {
      i += 1 + used;
      if (second.kind != objpart) st = err::notext;
      RgnHandle a = nilid, b = nilid;
      if (st == 0) st = spotorgn(first, &a);
      if (st == 0) st = spotorgn(second, &b);
      if (st == 0 && a != nilid && b != nilid) {
        RgnHandle both = NewRgn();
        if (both != nilid) {
          SectRgn(a, b, both);
          answer = !EmptyRgn(both);
          DisposeRgn(both);
        } else {
          st = err::nomemory;
        }
      }
      if (a != nilid) DisposeRgn(a);
      if (b != nilid) DisposeRgn(b);
      writeobj(&second);
    }
  }
  writeobj(&first);
  if (st == 0 && tokenat(atoms, i) != tok::rightparen) st = err::noparen;
  if (st == 0) booltonewfred(answer ? 1 : 0, value);
  if (st == 0) *count = i + 1 - at;
  return st;
}

i16 spotorgn(const objread& obj, RgnHandle* out) {
  *out = nilid;
  if (obj.kind != objpart || obj.objects == nilhandle || obj.objindex < 0 ||
      obj.objindex >= HandleCount<spot>(obj.objects))
    return err::notext;
  return getrgnfromspot(spotat(obj.objects, obj.objindex), out);
}

i16 getrgnfromspot(const spot& object, RgnHandle* out) {
  *out = nilid;
  const u16 style = object.style;
  const Rect r = object.rect;
  const bool frame = style == 100 || style == 103 || style == 105 || style == 106 || style == 108 || style == 200 ||
                     (style >= 203 && style <= 206) || (style >= 209 && style <= 226) || style == 228 || style == 229 ||
                     (style >= 300 && style <= 303);
  const bool shaped = frame || style == 101 || style == 102 || style == 104 || style == 107 || style == 201 ||
                      style == 202 || style == 207;
  if (!shaped) return 0;
  RgnHandle rgn = NewRgn();
  if (rgn == nilid) return 0;
  const graphictail tail = getgraphictail(object);
  switch (style) {
    case 101: RoundRectRgn(rgn, &r, i16(tail.startangle), i16(tail.arcangle)); break;
    case 201: {
      const i16 corner = mainglobals().modernLook ? i16(4) : i16((r.bottom - r.top) / 2);
      RoundRectRgn(rgn, &r, corner, corner);
      break;
    }
    case 102:
    case 207: OvalRgn(rgn, &r); break;
    case 104:
    case 202:
      if (object.data != nilhandle) PolyRgn(rgn, object.data);
      break;
    case 107: {
      const Rect oval{tail.point1.v, tail.point1.h, tail.point2.v, tail.point2.h};
      ArcRgn(rgn, &oval, i16(tail.startangle), i16(tail.arcangle));
      break;
    }
    default: RectRgn(rgn, r); break;
  }
  *out = rgn;
  return 0;
}

}  // namespace kv
