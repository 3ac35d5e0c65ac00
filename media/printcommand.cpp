// The `print` command: its target (the current card, a referenced card, a run of cards or a
// field's text) and options into the print flags word, then a whole job, or pages added to the
// job held open.
#include <algorithm>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "media/print.h"
#include "render/fielddrawing.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "store/records.h"
#include "tools/paint.h"
#include "tools/texttool.h"

namespace kv {

namespace {

constexpr i16 kCardMoved = -991;

struct parser {
  hierpath path;
  Handle text, atoms, variables;
  i32 i;
  u16 tok(i32 k = 0) const { return tokenat(atoms, i + k); }
  bool ends() const { return statementends(atoms, i); }
  i16 value(fred* v) {
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, v)) return st;
    i += used;
    return 0;
  }
  i16 text255(std::string* out) {
    fred v{};
    if (i16 st = value(&v)) return st;
    Str255 s{};
    fredtostring(&v, s);
    disposfred(&v);
    out->assign(reinterpret_cast<const char*>(s + 1), s[0]);
    return 0;
  }
  i16 number(i32* n) {
    fred v{};
    if (i16 st = value(&v)) return st;
    i16 st = fredtolong(&v, n);
    disposfred(&v);
    return st;
  }
  i16 point(Point* p) {
    i32 h = 0, v = 0;
    if (i16 st = number(&h)) return st;
    if (tok() != tok::comma) return err::cantunderstand;
    ++i;
    if (i16 st = number(&v)) return st;
    *p = Point{i16(v), i16(h)};
    return 0;
  }
};

// A field's text printed as a job of its own, or into the held job.
i16 printfield(spot& s) {
  const PrintState& p = printstate();
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  WEReference we = westupidtext(dest, view, s, false, s.style == stylefieldscroll);
  if (we == nilid) return err::printingfailed;
  struct Dispose {
    WEReference we;
    ~Dispose() { WEDispose(we); }
  } dispose{we};
  const bool held = printjobheld();
  if (!held)
    if (i16 st = beginprintjob(mainglobals().current)) return st;
  // The job's session, settings and format: begun above, or the held job's.
  const WEPrintJob job{we, 0, p.session, p.format, p.settings};
  const OSErr err = DoPrint(&job);
  const i16 st = mapprintstatus(err);
  return held ? st : endprintjob(st);
}

}  // namespace

scriptstatus comprint(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  PrintState& p = printstate();
  // Painting and field editing end before the card is drawn for printing.
  if (i16 st = putdownbmap()) return st;
  if (i16 st = putdowntextfield()) return st;
  const bool held = printjobheld();
  if (held) {
    g.printflags &= ~u32(0x202FB);
  } else {
    g.printflags = 0;
    p.jobname.clear();
  }
  if (p.session != 0) PMSessionSetError(p.session, noErr);
  // A held job keeps the progress its opening chose.
  p.withstatus = !held || (p.heldstate & jobnoprogress) == 0;
  parser c{path, text, atoms, variables, at + 1};
  // The target.
  enum { current, referenced, cards, field } target = current;
  i32 count = 1;
  objread obj{};
  bool haveobj = false;
  if (c.tok() == tok::rasterized && c.tok(1) == tok::card) {
    g.printflags |= printrasterized;
    ++c.i;
  }
  {
    // An object written out with its object word, `card` alone (the current card, its
    // options following), `all cards`, or a count of cards.
    i32 used = 0;
    if (c.tok() == tok::all && c.tok(1) == tok::cards) {
      target = cards;
      count = i32(HandleAs<windrec>(g.current.wind)->cardcount);
      c.i += 2;
    } else if (readobj(path, text, atoms, c.i, variables, &used, &obj) == 0 && used > 0) {
      haveobj = true;
      c.i += used;
      if (obj.kind == objpart) {
        target = field;
      } else if (obj.kind == objcard || obj.kind == objbackground || obj.kind == objwindow || obj.kind == objproject) {
        target = referenced;
      } else {
        writeobj(&obj);
        return err::cantunderstand;
      }
    } else if (c.tok() == tok::card) {
      ++c.i;
    } else {
      if (i16 st = c.number(&count)) return st;
      if (c.tok() == tok::card || c.tok() == tok::cards) ++c.i;
      target = count > 1 ? cards : current;
    }
  }
  struct Release {
    objread* obj;
    bool* have;
    ~Release() {
      if (*have) writeobj(obj);
    }
  } release{&obj, &haveobj};
  if (target == field && (g.printflags & printrasterized)) return err::cantunderstand;
  // The options.
  Rect region{};
  bool hasregion = false;
  while (!c.ends()) {
    if (c.tok() == tok::and_) ++c.i;
    const u16 t = c.tok();
    if (target == field && t != tok::jobname && t != tok::to && t != tok::with && t != tok::without) return err::stray;
    ++c.i;
    switch (t) {
      case tok::jobname: {
        if (c.ends()) return err::cantunderstand;
        std::string name;
        if (i16 st = c.text255(&name)) return st;
        if (!held) {
          p.jobname = name;
          g.printflags |= printjobnamed;
        }
        break;
      }
      case tok::to:
        if (c.tok() == tok::preview) {
          if (held) return err::printjobopen;
          ++c.i;
          g.printflags |= printtopreview;
          g.printdialogmode = 1;
        } else if (c.tok() == tok::file) {
          if (held) return err::printjobopen;
          ++c.i;
          if (i16 st = c.text255(&p.jobname)) return st;
          g.printflags |= printtofile;
          g.printdialogmode = 1;
        } else {
          return err::cantunderstand;
        }
        break;
      case tok::center: g.printflags |= printcenter; break;
      case tok::frame: g.printflags |= printframe; break;
      case tok::scale: g.printflags |= printscale; break;
      case tok::label: g.printflags |= printlabel; break;
      case tok::rasterized: g.printflags |= printrasterized; break;
      case tok::from: {
        Point a{}, b{};
        if (i16 st = c.point(&a)) return st;
        if (c.tok() != tok::to) return err::notoorof;
        ++c.i;
        if (i16 st = c.point(&b)) return st;
        const backrec* back = HandleAs<backrec>(g.current.back);
        Rect spanned{std::min(a.v, b.v), std::min(a.h, b.h), std::max(a.v, b.v), std::max(a.h, b.h)};
        const Rect card{0, 0, i16(back->height), i16(back->width)};
        region = Rect{std::max(spanned.top, card.top), std::max(spanned.left, card.left),
                      std::min(spanned.bottom, card.bottom), std::min(spanned.right, card.right)};
        if (region.bottom <= region.top || region.right <= region.left) return err::emptyrect;
        hasregion = true;
        break;
      }
      case tok::with:
        if ((g.printflags & (printtofile | printtopreview)) == 0) g.printdialogmode = c.tok() == tok::dialog ? 2 : 0;
        ++c.i;
        break;
      case tok::without: {
        const u16 w = c.tok();
        ++c.i;
        auto words = [&](u16 word) {
          if (held) return;
          if (word == tok::progress) {
            g.printflags |= printnoprogress;
            p.withstatus = false;
          } else if (word == tok::dialog) {
            g.printdialogmode |= dialognopagesetup;
          } else if (word == tok::dialogs) {
            g.printdialogmode |= dialognone;
          }
        };
        words(w);
        if (c.tok() == tok::or_) {
          ++c.i;
          const u16 w2 = c.tok();
          if ((w == tok::dialog || w == tok::dialogs) && w2 != tok::progress) return err::cantunderstand;
          ++c.i;
          words(w2);
        }
        break;
      }
      default: return err::stray;
    }
  }
  if (g.printflags & printnoprogress) p.withstatus = false;
  p.theprinthier = path.data();
  p.theprintdepth = path.size();
  p.theprintcode = text;
  p.theprintvars = variables;
  p.pageCount = 0;
  p.firstPage = 1;
  p.lastPage = 32000;
  const i16 lockmessages = g.lockMessages;
  // Controls stay still while the cards are drawn.
  const i16 idlecontrols = g.idleControls;
  g.idleControls = 0;
  const Rect* r = hasregion ? &region : nullptr;
  i16 st = 0;
  if (held) {
    g.printflags |= p.destination;
    // The held job's page range.
    u32 first = 1, last = kPMPrintAllPages;
    PMGetFirstPage(p.settings, &first);
    PMGetLastPage(p.settings, &last);
    p.firstPage = i32(std::min<u32>(first, 32000));
    p.lastPage = i32(std::min<u32>(last, 32000));
  }
  switch (target) {
    case current: st = held ? deskprint(g.current, r) : printfile(g.current, -2, r); break;
    case referenced: st = held ? deskprint(obj.d, r) : printfile(obj.d, -1, r); break;
    case field: {
      spot* s = reinterpret_cast<spot*>(HandleAs<u8>(obj.objects) + std::size_t(obj.objindex) * sizeof(spot));
      if (s->kind != 2 || (s->style != stylefieldrect && s->style != stylefieldscroll)) {
        st = err::cantunderstand;
      } else {
        spot copy = *s;
        st = printfield(copy);
      }
      break;
    }
    case cards:
      g.lockMessages = 1;
      st = held ? printcardrun(count, r) : printfile(g.current, count, r);
      g.lockMessages = lockmessages;
      break;
  }
  p.theprinthier = nullptr;
  p.theprintdepth = 0;
  g.idleControls = idlecontrols;
  if (st == err::cancelled) return setresulttext(1);
  if (st == kCardMoved) return 0;
  if (st != 0 && held) closebatchprintsession();
  return st;
}

}  // namespace kv
