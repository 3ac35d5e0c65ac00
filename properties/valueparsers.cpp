#include "properties/valueparsers.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/casefold.h"
#include "platform/text/pstring.h"
#include "properties/valuewords.h"
#include "core/mainglobals.h"
#include "store/refwords.h"

namespace kv {

namespace {

// An integer from the expression at atom i; *used its atoms.
i16 integerat(const propctx& c, i32 i, i32* used, i32* n) {
  fred v;
  if (i16 st = expression(c.path, c.text, c.atoms, i, c.variables, c.locals, used, &v)) return st;
  i16 st = fredtolong(&v, n);
  disposfred(&v);
  return st;
}

// `count` integers separated by commas from atom i.
i16 integers(const propctx& c, i32 i, i32 count, i32* used, i32* out) {
  i32 at = i;
  for (i32 k = 0; k < count; ++k) {
    if (k > 0) {
      if (c.tok(at) != tok::comma) return err::nocomma;
      ++at;
    }
    i32 n = 0;
    if (i16 st = integerat(c, at, &n, &out[k])) return st;
    at += n;
  }
  *used = at - i;
  return 0;
}

// Reads `count` integers either from the text of one operand (when no comma or operator
// follows it) or from the statement's own atoms.
i16 coordinates(const propctx& c, i32 i, i32 count, i32* used, i32* out) {
  fred operand;
  i32 n = 0;
  if (i16 st = factor(c.path, c.text, c.atoms, i, c.variables, c.locals, &n, &operand)) return st;
  u16 after = c.tok(i + n);
  bool inside = after != tok::comma && !(after >= firstoperator && after <= lastoperator);
  if (!inside) {
    disposfred(&operand);
    return integers(c, i, count, used, out);
  }
  Handle valueatoms = nilhandle;
  i16 st = tokenizefred(&operand, &valueatoms);
  if (st == 0) {
    propctx inner{c.path, operand.text, valueatoms, c.variables, c.locals};
    i32 m = 0;
    st = integers(inner, 0, count, &m, out);
  }
  if (valueatoms != nilhandle) DisposeHandle(valueatoms);
  disposfred(&operand);
  if (st == 0) *used = n;
  return st;
}

Rect torect(const i32 (&n)[4]) { return Rect{i16(n[1]), i16(n[0]), i16(n[3]), i16(n[2])}; }

}  // namespace

std::string firstword(fred* value) {
  Str255 s{};
  fredtostring(value, s);
  std::string w;
  i32 k = 1;
  while (k <= s[0] && (s[k] == ' ' || s[k] == '"')) ++k;
  for (; k <= s[0] && s[k] != ' ' && s[k] != ',' && s[k] != '"'; ++k) w.push_back(char(lowerchar(s[k])));
  return w;
}

i32 codeofword(const std::string& w, std::initializer_list<std::pair<const char*, i32>> table) {
  for (const auto& [word, code] : table) {
    std::string lower(word);
    for (char& ch : lower) ch = char(lowerchar(u8(ch)));
    if (lower == w) return code;
  }
  return -1;
}

i16 lowloc(const propctx& c, i32 i, i32* used, i16* h, i16* v) {
  i32 n[2] = {};
  if (i16 st = integers(c, i, 2, used, n)) return st;
  *h = i16(n[0]);
  *v = i16(n[1]);
  return 0;
}

i16 getloc(const propctx& c, i32 i, i32* used, i16* h, i16* v) {
  i32 n[2] = {};
  if (i16 st = coordinates(c, i, 2, used, n)) return st;
  *h = i16(n[0]);
  *v = i16(n[1]);
  return 0;
}

i16 getloc32(const propctx& c, i32 i, i32* used, i32* h, i32* v) {
  i32 n[2] = {};
  if (i16 st = coordinates(c, i, 2, used, n)) return st;
  *h = n[0];
  *v = n[1];
  return 0;
}

i16 lowrect(const propctx& c, i32 i, i32* used, Rect* r) {
  i32 n[4] = {};
  if (i16 st = integers(c, i, 4, used, n)) return st;
  *r = torect(n);
  return 0;
}

i16 getrect(const propctx& c, i32 i, i32* used, Rect* r) {
  i32 n[4] = {};
  if (i16 st = coordinates(c, i, 4, used, n)) return st;
  *r = torect(n);
  return 0;
}

void makearect(u16 token, i16 h, i16 v, i16 n, Rect* r) {
  // Worked out in 32 bits, so that sums and sizes of far-apart coordinates do not wrap; the
  // results are 16-bit coordinates again.
  i32 top = r->top, left = r->left, bottom = r->bottom, right = r->right;
  const i32 width = right - left, height = bottom - top;
  switch (token) {
    case tok::topleft: top = v, left = h, bottom = v + height, right = h + width; break;
    case tok::topright: top = v, right = h, bottom = v + height, left = h - width; break;
    case tok::bottomleft: bottom = v, left = h, top = v - height, right = h + width; break;
    case tok::botright: bottom = v, right = h, top = v - height, left = h - width; break;
    case tok::top: top = n, bottom = n + height; break;
    case tok::bottom: bottom = n, top = n - height; break;
    case tok::left: left = n, right = n + width; break;
    case tok::right: right = n, left = n - width; break;
    case tok::height:
      top = ((top + bottom) >> 1) - (n >> 1);
      bottom = top + n;
      break;
    case tok::width:
      left = ((left + right) >> 1) - (n >> 1);
      right = left + n;
      break;
    case tok::loc:
      top = v - (height >> 1);
      left = h - (width >> 1);
      bottom = top + height;
      right = left + width;
      break;
    default: break;
  }
  *r = Rect{i16(top), i16(left), i16(bottom), i16(right)};
}

i16 getalign(fred* value, i16* code) {
  Str255 s{};
  fredtostring(value, s);
  for (const wordcode& w : alignwords()) {
    Str255 word{};
    setpstring(word, w.word);
    if (myequalstring(s, word)) {
      *code = w.code;
      return 0;
    }
  }
  return err::cantunderstand;
}

i16 getliststyles(fred* value, u16* mask) {
  struct liststyle {
    u16 token, bits;
  };
  static constexpr std::array<liststyle, 8> words{{
      {tok::noextend, 0x10},
      {tok::onlyone, 0x80},
      {tok::nonilhilite, 0x02},
      {tok::selflip, 0x04},
      {tok::extenddrag, 0x40},
      {tok::nodisjoint, 0x20},
      {tok::draw, 0x100},
      {tok::plain, 0},
  }};
  *mask = 0;
  Handle atoms = nilhandle;
  if (i16 st = tokenizefred(value, &atoms)) return st;
  i16 st = 0;
  for (i32 i = 0; st == 0; ++i) {
    u16 t = tokenat(atoms, i);
    if (t == tok::endofline || t == tok::endofscript) break;
    if (t == tok::comma) continue;
    auto it = std::find_if(words.begin(), words.end(), [t](const liststyle& w) { return w.token == t; });
    if (it == words.end()) st = err::unknownstyleword;
    else *mask = u16(*mask | it->bits);
  }
  DisposeHandle(atoms);
  return st;
}

i16 getstylewords(ConstStringPtr text, u16* bits) {
  u16 b = 0;
  i32 i = 1;
  const i32 end = text[0] + 1;
  while (i < end) {
    while (i < end && (text[i] == ',' || text[i] == ' ' || text[i] == 9)) ++i;
    i32 start = i;
    while (i < end && text[i] != ',' && text[i] != ' ' && text[i] != 9) ++i;
    if (i == start) break;
    Str255 word{};
    pstrassign(word, sizeof word, text + start, size_t(i - start));
    static constexpr u8 plain[] = "\x05plain";
    if (myequalstring(word, plain)) continue;
    bool found = false;
    for (const wordcode& w : stylewords()) {
      Str255 ww{};
      setpstring(ww, w.word);
      if (myequalstring(word, ww)) {
        b = u16(b | w.code);
        found = true;
        break;
      }
    }
    if (!found) return err::unknownstyleword;
  }
  *bits = b;
  return 0;
}

i16 fredtomode(fred* value, bool shadeform, u16 style, i16* mode) {
  Str255 s{};
  fredtostring(value, s);
  if (!shadeform) {
    for (const wordcode& w : modewords()) {
      Str255 word{};
      setpstring(word, w.word);
      if (!myequalstring(s, word)) continue;
      if (w.code == -1 && style != stylebitmap) return err::cantunderstand;
      *mode = w.code;
      return 0;
    }
    return err::cantunderstand;
  }
  // A four-letter prefix and a number; the number is read first.
  if (s[0] < 5) return err::cantunderstand;
  Str255 digits{};
  pstrassign(digits, sizeof digits, s + 5, s[0] - 4);
  i32 n = 0;
  if (i16 st = stringtolong(digits, &n)) return st;
  static constexpr u8 shad[] = "\x04shad", gray[] = "\x04gray";
  Str255 prefix{};
  pstrassign(prefix, sizeof prefix, s + 1, 4);
  if (myequalstring(prefix, shad) && n >= 1 && n <= 10) {
    *mode = i16(n - 1);
    return 0;
  }
  if (myequalstring(prefix, gray) && n >= 1 && n <= 5) {
    *mode = i16(n + 9);
    return 0;
  }
  return err::cantunderstand;
}

i16 textotool(const propctx& c, i32 i, i32* used, i16* tool) {
  // The tool of each word by class: none, paint, draw, button, field (0: no such tool).
  struct toolrow {
    u16 word;
    i16 tools[5];
  };
  static constexpr std::array<toolrow, 44> rows{{
      {tok::browse, {100, 0, 0, 0, 0}},
      {tok::pointer, {601, 0, 0, 0, 0}},
      {tok::grc, {604, 0, 0, 0, 0}},
      {tok::universal, {600, 0, 0, 0, 0}},
      {tok::text, {0, 314, 200, 0, 0}},
      {tok::straight, {0, 0, 201, 0, 0}},
      {tok::line, {304, 304, 202, 0, 0}},
      {tok::rect, {309, 309, 203, 400, 500}},
      {tok::roundrect, {311, 311, 204, 402, 0}},
      {tok::oval, {306, 306, 205, 0, 0}},
      {tok::poly, {308, 308, 206, 401, 0}},
      {tok::arc, {0, 0, 207, 0, 0}},
      {tok::curve, {305, 305, 208, 0, 0}},
      {tok::brush, {300, 300, 0, 0, 0}},
      {tok::bucket, {301, 301, 0, 0, 0}},
      {tok::eraser, {302, 302, 0, 0, 0}},
      {tok::lasso, {303, 303, 0, 0, 0}},
      {tok::pencil, {307, 307, 0, 0, 0}},
      {tok::reg, {310, 310, 0, 0, 0}},
      {tok::select, {312, 312, 0, 0, 0}},
      {tok::spray, {313, 313, 0, 0, 0}},
      {tok::radiobutton, {0, 0, 0, 403, 0}},
      {tok::checkbox, {0, 0, 0, 404, 0}},
      {tok::bevel, {0, 0, 0, 405, 0}},
      {tok::popupmenu, {0, 0, 0, 406, 0}},
      {tok::popuparrow, {0, 0, 0, 407, 0}},
      {tok::round, {0, 0, 0, 408, 0}},
      {tok::slider, {0, 0, 0, 410, 0}},
      {tok::tabs, {0, 0, 0, 411, 0}},
      {tok::imagewell, {0, 0, 0, 412, 0}},
      {tok::disclosure, {0, 0, 0, 413, 0}},
      {tok::scrollbar, {0, 0, 0, 414, 0}},
      {tok::progressbar, {0, 0, 0, 415, 0}},
      {tok::indeterminatebar, {0, 0, 0, 416, 0}},
      {tok::relevancebar, {0, 0, 0, 417, 0}},
      {tok::littlearrows, {0, 0, 0, 418, 0}},
      {tok::chasingarrows, {0, 0, 0, 419, 0}},
      {tok::disclosuretriangle, {0, 0, 0, 420, 0}},
      {tok::primarygroup, {0, 0, 0, 421, 0}},
      {tok::secondarygroup, {0, 0, 0, 422, 0}},
      {tok::placard, {0, 0, 0, 423, 0}},
      {tok::separator, {0, 0, 0, 428, 0}},
      {tok::databrowser, {0, 0, 0, 429, 0}},
      {tok::scroll, {0, 0, 0, 0, 501}},
  }};
  static constexpr std::array<toolrow, 2> lists{{
      {tok::list, {0, 0, 0, 0, 502}},
      {tok::scrollinglist, {0, 0, 0, 0, 503}},
  }};
  enum : u8 { classnone, classpaint, classdraw, classbutton, classfield, classtext };
  u8 cls = classnone;
  i32 at = i;
  switch (c.tok(at)) {
    case tok::paint: cls = classpaint; break;
    case tok::draw: cls = classdraw; break;
    case tok::btn: cls = classbutton; break;
    case tok::field: cls = classfield; break;
    case tok::text: cls = classtext; break;
    default: break;
  }
  if (cls != classnone) ++at;
  const u16 word = c.tok(at);
  const toolrow* row = nullptr;
  for (const toolrow& r : rows)
    if (r.word == word) row = &r;
  for (const toolrow& r : lists)
    if (r.word == word) row = &r;
  if (row == nullptr) {
    // The class's own tool; the word after it is not taken.
    static constexpr i16 own[6] = {0, 606, 0, 603, 602, 605};
    if (own[cls] == 0) return err::cantunderstand;
    *tool = own[cls];
    *used = at - i;
    return 0;
  }
  if (cls == classtext) return err::cantunderstand;
  i16 t = row->tools[cls];
  if (t == 0) return err::cantunderstand;
  ++at;
  if (word == tok::straight && c.tok(at) == tok::line) ++at;
  if (word == tok::spray && c.tok(at) == tok::can) ++at;
  if (word == tok::reg) {
    if (c.tok(at) != tok::poly) return err::cantunderstand;
    ++at;
  }
  *tool = t;
  *used = at - i;
  return 0;
}

i16 getchardel(fred* value, u16* ch) {
  if (value->type == fredlong || value->type == freddouble) {
    i32 n = 0;
    if (i16 st = fredtolong(value, &n)) return st;
    *ch = u16(n);
    return 0;
  }
  if (value->type != fredstring && value->type != fredhand) return err::cantunderstand;
  Size n = getfredsize(value);
  const u8* p = reinterpret_cast<const u8*>(fredaddr(value));
  if (mainglobals().twobyte != 0) {
    if (n == 1) *ch = p[0];
    else if (n == 2) *ch = u16((p[0] << 8) | p[1]);
    else return err::cantunderstand;
    return 0;
  }
  if (n < 1) return err::cantunderstand;
  *ch = p[0];
  return 0;
}

bool isgrcont(const propctx& c, i32 i) {
  u16 t = c.tok(i);
  if (t == tok::grc) return true;
  return (t == tok::card || t == tok::background) && c.tok(i + 1) == tok::grc;
}

bool hasMinMaxValues(const spot* s) {
  if (!isversion4spot(s)) return false;
  u16 style = s->style;
  return style == 203 || style == 205 || style == 206 || (style >= 209 && style <= 219) || style == 222 ||
         style == 223 || style == 225 || style == 226 || style == 228 || style == 229;
}

}  // namespace kv
