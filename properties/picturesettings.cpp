// The settings of picture graphics: `set [the] pictureInfo of <object> to <entries>`, the
// single-setting words (`aspect`, `clickThrough`, `clickThroughLevel`, `destRect`,
// `dontCacheBits`, `magnify`, `opColor`, `quad`, `rotation`, `sourceRect`), and the move of a
// picture from one graphic to another.
#include <algorithm>
#include <bit>
#include <vector>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/tokens.h"
#include "render/pictbuffers.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "platform/memory/memory.h"
#include "properties/picturedata.h"
#include "properties/picturesettings.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/shapesetters.h"
#include "properties/valueparsers.h"
#include "render/pictinfo.h"
#include "render/picturecache.h"
#include "core/mainglobals.h"
#include "store/objects.h"

namespace kv {

namespace {

bool picturegraphic(const spot& s) {
  if (s.kind != spotgraphic) return false;
  switch (s.style) {
    case 100:
    case 101:
    case 102:
    case 104:
    case 106:
    case 107: return true;
    default: return false;
  }
}

// One operand at atom i, its atoms counted into *i.
i16 operand(const propctx& c, i32* i, fred* v) {
  i32 n = 0;
  if (i16 st = factor(c.path, c.text, c.atoms, *i, c.variables, c.locals, &n, v)) return st;
  *i += n;
  return 0;
}

template <class Convert>
i16 operandas(const propctx& c, i32* i, Convert&& convert) {
  fred v;
  if (i16 st = operand(c, i, &v)) return st;
  i16 st = convert(&v);
  disposfred(&v);
  return st;
}

i16 aspectword(u16 t, PictInfo* rq) {
  switch (t) {
    case tok::clip: rq->aspect = aspectclip; break;
    case tok::fit: rq->aspect = aspectfit; break;
    case tok::fill: rq->aspect = aspectfill; break;
    case tok::center: rq->aspect = aspectcenter; break;
    case tok::reset:
      rq->aspect = aspectfill;
      rq->offset = Point{0, 0};
      rq->changemask = rq->changemask | maskaspectreset;
      break;
    default: return err::cantunderstand;
  }
  rq->changemask = rq->changemask | maskaspect;
  return 0;
}

// The red, green and blue of `opColor`: a comma must follow red; without a third number the
// colour is read and not applied.
i16 opcolour(const propctx& c, i32* i, PictInfo* rq) {
  i32 rgb[3] = {0, 0, 0};
  i32 given = 0;
  for (; given < 3; ++given) {
    if (given > 0) {
      if (c.tok(*i) != tok::comma) break;
      ++*i;
    }
    if (i16 st = operandas(c, i, [&](fred* v) { return fredtolong(v, &rgb[given]); })) return st;
    if (given == 0 && c.tok(*i) != tok::comma) return err::cantunderstand;
  }
  if (given < 3) return 0;
  rq->opcolor = RGBColor{u16(rgb[0]), u16(rgb[1]), u16(rgb[2])};
  rq->changemask = rq->changemask | maskopcolor;
  return 0;
}

i16 quadvalue(const propctx& c, i32* i, PictInfo* rq) {
  fred v;
  if (i16 st = operand(c, i, &v)) return st;
  Handle text = nilhandle;
  i16 st = fredtonewh(&v, &text);
  disposfred(&v);
  if (st != 0) return st;
  std::vector<Point> points;
  st = pointlist(text, &points);
  DisposeHandle(text);
  if (st != 0 || points.size() != 4) return err::cantunderstand;
  for (size_t k = 0; k < 4; ++k) rq->quad.v[k] = points[k];
  rq->changemask = rq->changemask | maskquad;
  return 0;
}

// The value of one entry word from atom *i into the change record.
i16 entryvalue(const propctx& c, u16 word, i32* i, PictInfo* rq) {
  switch (word) {
    case tok::aspect: {
      const u16 t = c.tok(*i);
      ++*i;
      return aspectword(t, rq);
    }
    case tok::clickthrough:
    case tok::dontcachebits:
      return operandas(c, i, [&](fred* v) {
        u16 on = 0;
        if (i16 st = fredtobool(v, &on)) return st;
        const u32 flag = word == tok::clickthrough ? u32(pictclickthrough) : u32(pictdontcache);
        rq->flags = on ? (rq->flags | flag) : (rq->flags & ~flag);
        rq->changemask = rq->changemask | (word == tok::clickthrough ? u32(maskclickthrough) : u32(maskdontcache));
        return i16(0);
      });
    case tok::clickthroughlevel:
      return operandas(c, i, [&](fred* v) {
        i32 n = 0;
        if (i16 st = fredtolong(v, &n)) return st;
        rq->clickthroughlevel = u16(std::clamp(n, 0, 255));
        rq->changemask = rq->changemask | maskclickthroughlevel;
        return i16(0);
      });
    case tok::rotation:
      return operandas(c, i, [&](fred* v) {
        i32 n = 0;
        if (i16 st = fredtolong(v, &n)) return st;
        rq->rotation = i16(n % 360);
        rq->changemask = rq->changemask | maskrotation;
        return i16(0);
      });
    case tok::magnify:
      return operandas(c, i, [&](fred* v) {
        double d = 0;
        if (i16 st = fredtodouble(v, &d)) return st;
        rq->magnification = std::bit_cast<u32>(float(d));
        rq->changemask = rq->changemask | maskmagnify;
        return i16(0);
      });
    case tok::opcolor: return opcolour(c, i, rq);
    case tok::quad: return quadvalue(c, i, rq);
    case tok::sourcerect:
    case tok::imagerect:
    case tok::destrect: {
      Rect r{};
      i32 used = 0;
      if (i16 st = getrect(c, *i, &used, &r)) return st;
      *i += used;
      if (word == tok::sourcerect) {
        rq->sourcerect = r;
        rq->changemask = rq->changemask | masksourcerect;
      }
      return 0;
    }
    case tok::pictdata:
    case tok::pictpath:
    case tok::filters: return operandas(c, i, [](fred*) { return i16(0); });
    default: return err::cantunderstand;
  }
}

// A change record: not valid, no setting given yet.
PictInfo freshrequest() {
  PictInfo rq{};
  newpictinfo(rq);
  SetPictInfo_NotValid(rq);
  rq.changemask = 0;
  return rq;
}

// Applies a change record to the held object: the record written back when something
// changed, the rectangle following the picture after an aspect reset, the owner marked
// changed and the object redrawn.
void applyrequest(const objread& obj, const PictInfo& rq) {
  spot s = spotat(obj.objects, obj.objindex);
  const Rect before = s.rect;
  if (!SetAltToPicInfo(s, rq)) return;
  if (rq.changemask & maskaspectreset) SetOffset(s.alt, 0, 0);
  putspot(obj.objects, obj.objindex, s);
  if (rq.changemask & maskaspectreset) ChangeSpotRect(obj.objects, obj.objindex);
  markowner(obj);
  redrawspot(obj, before);
}

i16 checkpictureobject(const objread& obj) {
  if (obj.kind != objpart) return err::notext;
  const spot s = spotat(obj.objects, obj.objindex);
  return s.kind == spotbutton || s.kind == spotfield || s.kind == spotgraphic ? i16(0) : err::notext;
}

// Parses entries from a value's own text, tokenised, in list mode.
i16 entriesoftext(const propctx& c, fred* value, PictInfo* rq) {
  Handle valueatoms = nilhandle;
  i16 st = tokenizefred(value, &valueatoms);
  if (st == 0) st = lowsetpictureinfo(propctx{c.path, value->text, valueatoms, c.variables, nilhandle}, 0, rq, true);
  if (valueatoms != nilhandle) DisposeHandle(valueatoms);
  return st;
}

// Holds the object again and applies the change record.
i16 holdandapply(const propctx& c, i32 at, const PictInfo& rq) {
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  i16 st = checkpictureobject(obj);
  if (st == 0) applyrequest(obj, rq);
  writeobj(&obj);
  return st;
}

}  // namespace

i16 lowsetpictureinfo(const propctx& c, i32 at, PictInfo* rq, bool listmode) {
  i16 st = 0;
  i32 i = at;
  for (;;) {
    if (listmode) {
      while (c.tok(i) == tok::endofline) ++i;
      if (c.tok(i) == tok::endofscript) break;
    } else if (lineends(c, i)) {
      break;
    }
    const u16 word = c.tok(i++);
    if (c.tok(i) == tok::is) ++i;
    if ((st = entryvalue(c, word, &i, rq))) return st;
  }
  return st;
}

KV_SETTER(setpictureinfo) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  i16 st = checkpictureobject(obj);
  writeobj(&obj);
  if (st != 0) return st;
  const i32 vat = at + used;
  PictInfo rq = freshrequest();
  // A value that is one whole operand holds the entries in its text, a line or more of them;
  // otherwise the entries are written out in the statement.
  fred value;
  i32 n = 0;
  const bool posted = mainglobals().erroroffset != -1;
  if (factor(path, text, atoms, vat, variables, nilhandle, &n, &value) == 0) {
    const bool whole = lineends(c, vat + n);
    if (whole) st = entriesoftext(c, &value, &rq);
    disposfred(&value);
    if (!whole) st = lowsetpictureinfo(c, vat, &rq, false);
  } else {
    if (!posted) clearerror();
    st = lowsetpictureinfo(c, vat, &rq, false);
  }
  if (st != 0) return st;
  return holdandapply(c, at, rq);
}

// The single-setting words build their change record from the word and the evaluated value;
// the object is read from the statement itself, so its reference is never rewritten.
KV_SETTER(spotgrcproc) {
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  fred value;
  if (i16 st = readlistvalue(c, at + used, &value)) return st;
  PictInfo rq = freshrequest();
  Handle valueatoms = nilhandle;
  i16 st = tokenizefred(&value, &valueatoms);
  if (st == 0) {
    const propctx inner{path, value.text, valueatoms, variables, nilhandle};
    i32 i = 0;
    st = entryvalue(inner, token, &i, &rq);
    if (st == 0 && !lineends(inner, i)) st = err::cantunderstand;
  }
  if (valueatoms != nilhandle) DisposeHandle(valueatoms);
  disposfred(&value);
  if (st != 0) return st;
  return holdandapply(c, at, rq);
}

i16 shufflepicture(const objread& obj, i32 source, i32 destination, bool redraw) {
  const i32 n = spotcount(obj.objects);
  if (source < 0 || source >= n || destination < 0 || destination >= n) return err::notgraphic;
  spot from = spotat(obj.objects, source);
  const spot to = spotat(obj.objects, destination);
  if (from.kind != spotgraphic || to.kind != spotgraphic) return err::notgraphic;
  if (!picturegraphic(from) || !picturegraphic(to)) return err::nopicture;
  // The decoded picture goes with it, keyed for the destination.
  swapictbuffer(from, obj.d.window != nilid, i32(from.id), i32(to.id), true);
  Handle alt = from.alt;
  from.alt = nilhandle;
  putspot(obj.objects, source, from);
  objread src = obj;
  src.objindex = i16(source);
  markowner(src);
  if (redraw) redrawspot(src, from.rect);
  objread dst = obj;
  dst.objindex = i16(destination);
  return lowmovepicturedata(dst, alt);
}

}  // namespace kv
