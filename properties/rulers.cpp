// Paragraph formats of rectangle and scrolling fields: `set [the] rulerInfo of <field or chunk>
// to <entries>` and the single-setting words (`borderStyle`, `firstLineIndent`, `leftIndent`,
// `lineSpacing`, `rightIndent`, `spaceAfter`, `spaceBefore`, `textDirection`), applied to the
// paragraphs of the chunk or of the whole field.
#include <algorithm>
#include <cmath>

#include "engine/expression.h"
#include "engine/tokens.h"
#include "fields/fieldrecords.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "fields/rulerinfo.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "properties/propfront.h"
#include "properties/rulers.h"
#include "properties/setters.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "textengine/fieldpacking.h"
#include "textengine/fieldstorage.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

struct entry {
  u16 word;
  u16 bit;
};
constexpr entry kEntries[] = {
    {tok::textalign, 0x1},    {tok::textdirection, 0x2}, {tok::borderstyle, 0x8},
    {tok::leftindent, 0x10},  {tok::rightindent, 0x20},  {tok::firstlineindent, 0x40},
    {tok::linespacing, 0x80}, {tok::spacebefore, 0x100}, {tok::spaceafter, 0x200},
};

const entry* findentry(u16 word) {
  for (const entry& e : kEntries)
    if (e.word == word) return &e;
  return nullptr;
}

// The code of a word value of a word entry; false for a word the entry does not take.
bool wordcode(u16 entryword, u16 t, i8* code) {
  struct pair {
    u16 token;
    i8 code;
  };
  static constexpr pair align[] = {
      {tok::left, -2}, {tok::right, -1}, {tok::default_, 0}, {tok::center, 1}, {tok::full, 2}};
  static constexpr pair direction[] = {{tok::righttoleft, -1}, {tok::lefttoright, 0}, {tok::default_, 1}};
  static constexpr pair border[] = {{tok::none, 0}, {tok::thin, 1}, {tok::dotted, 2}, {tok::thick, 3}};
  auto find = [&](const auto& table) {
    for (const pair& p : table)
      if (p.token == t) {
        *code = p.code;
        return true;
      }
    return false;
  };
  switch (entryword) {
    case tok::textalign: return find(align);
    case tok::textdirection: return find(direction);
    case tok::borderstyle: return find(border);
    default: return false;
  }
}

bool iswordentry(u16 word) { return word == tok::textalign || word == tok::textdirection || word == tok::borderstyle; }

// A measure: truncated toward zero, limited to 16 bits, in the integer half.
Fixed measure(double v) {
  const double t = std::trunc(std::isfinite(v) ? v : 0.0);
  return Fixed(u32(i32(std::clamp(t, -32768.0, 32767.0))) << 16);
}

// Line spacing: the value less one (at least 0) as a fraction.
Fixed spacing(double v) {
  const double extra = std::clamp(std::isfinite(v) ? v - 1.0 : 0.0, 0.0, 32767.0);
  return Fixed(std::lround(extra * 65536.0));
}

// Stores a number entry's value in the change record.
void setmeasure(rulerchange* rc, const entry& e, double v) {
  const Fixed f = e.word == tok::linespacing ? spacing(v) : measure(v);
  switch (e.word) {
    case tok::leftindent: rc->ruler.leftIndent = f; break;
    case tok::rightindent: rc->ruler.rightIndent = f; break;
    case tok::firstlineindent: rc->ruler.firstLineIndent = f; break;
    case tok::linespacing: rc->ruler.lineSpacing = f; break;
    case tok::spacebefore: rc->ruler.spaceBefore = f; break;
    case tok::spaceafter: rc->ruler.spaceAfter = f; break;
    default: break;
  }
  if (f != 0) rc->nonzeromask = u16(rc->nonzeromask | e.bit);
}

void setword(rulerchange* rc, const entry& e, i8 code) {
  switch (e.word) {
    case tok::textalign: rc->ruler.alignment = code; break;
    case tok::textdirection: rc->ruler.direction = code; break;
    default: rc->ruler.borderStyle = u8(code); break;
  }
}

// The object checks of both setters: a rectangle or scrolling field.
i16 checkfield(const objread& obj) {
  if (obj.kind != objpart) return err::notext;
  const spot s = spotat(obj.objects, obj.objindex);
  if (s.kind != spotfield || (s.style != stylefieldrect && s.style != stylefieldscroll)) return err::notstyledfield162;
  return 0;
}

// The change applied to the held field: unsaved edits of the open field are packed into its
// stored text first (its record then takes the change itself); the owner is marked changed
// and the field redrawn.
i16 changefield(const objread& obj, const rulerchange& rc) {
  if (i16 st = checkfield(obj)) return st;
  spot field = spotat(obj.objects, obj.objindex);
  const WEReference open = mainglobals().openfieldrec;
  if (havefield(field) && isvalidwerec(open) && GetWERecDirtyFlag(open)) {
    if (wenewpacktext(field, open) != noErr) return err::nomemory;
    putspot(obj.objects, obj.objindex, field);
    markowner(obj);
  }
  const Rect before = field.rect;
  const rulerinforec info{rc.ruler, rc.setmask};
  i16 st = ApplyRulerInfoToRead(obj, info);
  if (st == 0) {
    markowner(obj);
    if (obj.d.cardrecid != 0 && obj.d.cardrecid != obj.ownerrecid)
      checkerr(changevir(obj.d.store, i32(obj.d.cardrecid)));
    redrawspot(obj, before);
  }
  return st;
}

}  // namespace

i16 lowsetrulerinfo(const propctx& c, i32 at, rulerchange* rc, bool listmode, i32* used) {
  rc->setmask = 0;
  rc->nonzeromask = 0;
  i32 i = at;
  for (;;) {
    if (listmode) {
      while (c.tok(i) == tok::endofline) ++i;
      if (c.tok(i) == tok::endofscript) break;
    } else if (lineends(c, i)) {
      break;
    }
    const entry* e = findentry(c.tok(i));
    if (e == nullptr) return err::cantunderstand;
    ++i;
    if (c.tok(i) == tok::is) ++i;
    if (iswordentry(e->word)) {
      i8 code = 0;
      if (!wordcode(e->word, c.tok(i), &code)) return err::cantunderstand;
      setword(rc, *e, code);
      ++i;
    } else {
      fred v;
      i32 n = 0;
      if (i16 st = factor(c.path, c.text, c.atoms, i, c.variables, c.locals, &n, &v)) return st;
      double d = 0;
      i16 st = fredtodouble(&v, &d);
      disposfred(&v);
      if (st != 0) return st;
      setmeasure(rc, *e, d);
      i += n;
    }
    rc->setmask = u16(rc->setmask | e->bit);
  }
  if (used) *used = i - at;
  return 0;
}

KV_SETTER(setrulerinfo) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  i16 st = checkfield(obj);
  writeobj(&obj);
  if (st != 0) return st;
  const i32 vat = at + used;
  // A value that is one whole expression holds the entries in its text, a line or more of
  // them; otherwise the entries are written out in the statement.
  fred value;
  i32 n = 0;
  rulerchange rc{};
  const bool posted = mainglobals().erroroffset != -1;
  if (expression(path, text, atoms, vat, variables, nilhandle, &n, &value) == 0) {
    if (lineends(c, vat + n)) {
      Handle valueatoms = nilhandle;
      st = tokenizefred(&value, &valueatoms);
      if (st == 0) {
        propctx inner{path, value.text, valueatoms, variables, nilhandle};
        st = lowsetrulerinfo(inner, 0, &rc, true, nullptr);
      }
      if (valueatoms != nilhandle) DisposeHandle(valueatoms);
      disposfred(&value);
    } else {
      disposfred(&value);
      st = lowsetrulerinfo(c, vat, &rc, false, nullptr);
    }
  } else {
    if (!posted) clearerror();
    st = lowsetrulerinfo(c, vat, &rc, false, nullptr);
  }
  if (st != 0) return st;
  if ((st = dofront(c, at, &used, &obj, true))) return st;
  st = changefield(obj, rc);
  writeobj(&obj);
  return st;
}

KV_SETTER(spotfldproc) {
  propctx c{path, text, atoms, variables, nilhandle};
  const entry* e = findentry(token);
  if (e == nullptr) return err::cantunderstand;
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  rulerchange rc{};
  i16 st = 0;
  if (iswordentry(e->word)) {
    // The value's first word.
    Handle valueatoms = nilhandle;
    st = tokenizefred(&value, &valueatoms);
    i8 code = 0;
    if (st == 0 && !wordcode(e->word, tokenat(valueatoms, 0), &code)) st = err::cantunderstand;
    if (st == 0) setword(&rc, *e, code);
    if (valueatoms != nilhandle) DisposeHandle(valueatoms);
  } else {
    double d = 0;
    st = fredtodouble(&value, &d);
    if (st == 0) setmeasure(&rc, *e, d);
  }
  disposfred(&value);
  if (st != 0) return st;
  rc.setmask = e->bit;
  if ((st = dofront(c, at, &used, &obj, true))) return st;
  st = changefield(obj, rc);
  writeobj(&obj);
  return st;
}

}  // namespace kv
