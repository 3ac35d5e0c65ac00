// `set [the] <word> of <object> to <value>` for the 36 words of how an object looks or how its
// platform control behaves: colours, patterns, pen, arcs and corners, shadow, selection, icon,
// ink, the value range of controls and the options of bevels, sliders, tabs, popup arrows,
// scroll bars and data browsers. Without `of` the word is the global default of the same name.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/userprops.h"
#include "properties/valueparsers.h"
#include "properties/valuewords.h"
#include "properties/windowsetters.h"
#include "render/carddrawing.h"
#include "render/controlflush.h"
#include "render/controloptions.h"
#include "render/fielddrawing.h"
#include "render/objectbounds.h"
#include "render/spotgeometry.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u16 styleroundrectgraphic = 101, styleline = 103, stylearc = 107, styleradio = 203, stylebevel = 205,
              styleslider = 209, styletabs = 210, stylescrollbar = 213, styleprogress = 214, styleindeterminate = 215,
              stylepopuparrow = 222, styledatabrowser = 229, styleround = 207, styleimagewell = 211;
constexpr u32 kSpotVisible = 1u << 0, kWindowShowsInvisibles = 1u << 7;

bool hasvalue(u16 style) {
  switch (style) {
    case 203:
    case 205:
    case 206:
    case 222:
    case 223:
    case 225:
    case 226:
    case 228:
    case 229: return true;
    default: return style >= 209 && style <= 219;
  }
}

i16 integer(fred* value, i32* n) { return fredtolong(value, n); }

// Pattern n (from 1) of the project's pattern list into `out`; false when it has none.
bool projectpattern(const objread& obj, i32 n, u8* out) {
  if (obj.d.head == nilhandle) return false;
  const Handle list = loadat<headrec>(deref(obj.d.head)).patterns;
  if (list == nilhandle || GetHandleSize(list) < 2) return false;
  const u8* p = deref(list);
  const i32 count = loadat<u16>(p);
  if (n > count || GetHandleSize(list) < 2 + Size(n) * 8) return false;
  std::memcpy(out, p + 2 + (n - 1) * 8, 8);
  return true;
}

struct outcome {
  i16 status = 0;
  bool always = false;   // stored whether or not it changed
  bool rebuild = false;  // the platform controls are flushed before the redraw
};

outcome apply(const objread& obj, spot& s, u16 word, fred* value) {
  outcome o;
  i32 n = 0;
  const bool v4 = isplatformcontrol(s);
  auto number = [&]() { return (o.status = integer(value, &n)) == 0; };
  auto boolean = [&](u16* b) {
    o.status = fredtobool(value, b);
    return o.status == 0;
  };
  switch (word) {
    case tok::arcangle:
    case tok::startangle: {
      if (s.kind != spotgraphic || s.style != stylearc) return outcome{err::notarc};
      if (!number()) return o;
      graphictail t = getgraphictail(s);
      if (word == tok::arcangle) t.arcangle = u16(std::clamp(n, 1, 359));
      else t.startangle = u16(std::clamp(n, 0, 359));
      setgraphictail(s, t);
      arcbounds(arcoval(s), i16(t.startangle), i16(t.arcangle), &s.rect);
      return o;
    }
    case tok::roundwidth:
    case tok::roundheight: {
      if (s.kind != spotgraphic || s.style != styleroundrectgraphic) return outcome{err::notroundrect};
      if (!number()) return o;
      graphictail t = getgraphictail(s);
      if (word == tok::roundwidth) t.startangle = u16(std::clamp(n, 1, 1000));
      else t.arcangle = u16(std::clamp(n, 0, 1000));
      setgraphictail(s, t);
      return o;
    }
    case tok::linesize:
    case tok::penwidth:
    case tok::penheight:
      if (!number()) return o;
      n = std::clamp(n, 1, 1000);
      if (word != tok::penheight) s.penwidth = u16(n);
      if (word != tok::penwidth) s.penheight = u16(n);
      return o;
    case tok::fillfore:
    case tok::fillback:
    case tok::penfore:
    case tok::penback: {
      if (!number()) return o;
      const u8 code = u8(n - 1);
      if (word == tok::fillfore) s.fillfore = code;
      else if (word == tok::fillback) s.fillback = code;
      else if (word == tok::penfore) s.penfore = code;
      else s.penback = code;
      return o;
    }
    case tok::themefill:
    case tok::themepen:
      if (!number()) return o;
      (word == tok::themefill ? s.themefill : s.themepen) = u8(n);
      return o;
    case tok::filled:
    case tok::showpen: {
      u16 b = 0;
      if (!boolean(&b)) return o;
      (word == tok::filled ? s.showfill : s.showpen) = u8(b ? 1 : 0);
      return o;
    }
    case tok::fillpat:
    case tok::penpat: {
      if (v4) return outcome{err::nosuchproperty};
      if (!number()) return o;
      u8 pattern[8];
      if (projectpattern(obj, std::clamp(n, 1, 63), pattern)) {
        bytes<8> p{};
        std::memcpy(&p, pattern, 8);
        (word == tok::fillpat ? s.fillpat : s.penpat) = p;
      }
      return o;
    }
    case tok::ink: {
      const bool shadeform = s.kind == spotfield;
      i16 mode = 0;
      if (value->type == fredlong || value->type == freddouble) {
        // A number must be a code of the object's table.
        if (!number()) return o;
        fred word_{};
        Str255 check{};
        if (modetofred(i16(n), shadeform, &word_) != 0) return outcome{err::cantunderstand};
        fredtostring(&word_, check);
        disposfred(&word_);
        if (check[0] == 0 || myequalstring(check, reinterpret_cast<const u8*>("\x07unknown")))
          return outcome{err::cantunderstand};
        mode = i16(n);
      } else if ((o.status = fredtomode(value, shadeform, s.style, &mode)) != 0) {
        return o;
      }
      s.ink = u16(mode);
      return o;
    }
    case tok::selected: {
      u16 b = 0;
      if (!boolean(&b)) return o;
      s.selected = b ? (s.kind == spotgraphic && s.style == styleline ? 3 : 1) : 0;
      return o;
    }
    case tok::shadow: {
      if (s.kind == spotgraphic) return outcome{err::noshadow};
      if (firstword(value) == "none") {
        s.shadow = 0;
        return o;
      }
      if (!number()) return o;
      s.shadow = u16(std::clamp(n, 0, 1000));
      return o;
    }
    case tok::icon: {
      Str255 text{};
      fredtostring(value, text);
      i32 id = 0;
      if (stringisnumber(text) == integerform && stringtolong(text, &id) == 0) {
      } else if (text[0] == 4) {
        id = i32(u32(text[1]) << 24 | u32(text[2]) << 16 | u32(text[3]) << 8 | u32(text[4]));
      } else {
        return outcome{err::badicon};
      }
      buttontail t = getbuttontail(s);
      t.icon = u32(id);
      setbuttontail(s, t);
      if (v4) o.always = o.rebuild = true;
      return o;
    }
    case tok::currentvalue:
    case tok::minimumvalue:
    case tok::maximumvalue: {
      if (!v4 || !hasvalue(s.style)) return outcome{err::novaluerange};
      if (!number()) return o;
      o.always = true;
      controlpart c = getcontrolpart(s);
      const i16 clamped = i16(std::clamp(n, -32768, 32767));
      if (word == tok::currentvalue) c.currentvalue = clamped;
      else if (word == tok::minimumvalue) c.minimumvalue = clamped;
      else c.maximumvalue = clamped;
      setcontrolpart(s, c);
      if (word == tok::currentvalue && (s.style == stylebevel || s.style == styleradio)) o.rebuild = true;
      if (word == tok::currentvalue && s.style == styleradio) {
        Str255 item{};
        getmagicupropitem(&s, reinterpret_cast<const u8*>("\x09radioData"), clamped, item);
        Handle name = s.name;
        if (name == nilhandle) {
          if (PtrToHand(item + 1, &name, Size(item[0])) != noErr) return outcome{err::nomemory};
        } else {
          SetHandleSize(name, Size(item[0]));
          if (MemError() != noErr) return outcome{err::nomemory};
          std::memcpy(deref(name), item + 1, item[0]);
        }
        s.name = name;
      }
      return o;
    }
    case tok::viewsize: {
      if (!v4 || s.style != stylescrollbar) return outcome{err::notstyledfield210};
      if (!number()) return o;
      controlpart c = getcontrolpart(s);
      c.viewsize = i16(std::clamp(n, -32768, 32767));
      setcontrolpart(s, c);
      o.rebuild = true;
      return o;
    }
    case tok::tickmarks: {
      if (!v4 || s.style != styleslider) return outcome{err::notstyledfield210};
      if (!number()) return o;
      controlpart c = getcontrolpart(s);
      c.tickmarks = u8(n);
      setcontrolpart(s, c);
      o.always = o.rebuild = true;
      return o;
    }
    case tok::behavior: {
      if (!v4 || (s.style != stylebevel && s.style != styledatabrowser)) return outcome{err::notstyledfield210};
      const std::string w = firstword(value);
      o.rebuild = true;
      if (s.style == stylebevel) {
        const i32 b =
            codeofword(w, {{"pushButton", 0}, {"toggleButton", 256}, {"stickyButton", 512}, {"popupButton", 1024}});
        if (b < 0) return outcome{err::numberrange};
        setBevelBtnBehavior(s, i16(b));
        controlpart c = getcontrolpart(s);
        c.currentvalue = 0;
        setcontrolpart(s, c);
      } else {
        const i32 b = codeofword(w, {{"listView", 0}, {"columnView", 1}});
        if (b < 0) return outcome{err::numberrange};
        setDataBrowserBehavior(s, b == 1 ? fourcc("clmv") : fourcc("lstv"));
      }
      return o;
    }
    case tok::bevelstyle: {
      if (!v4 || s.style != stylebevel) return outcome{err::notstyledfield210};
      const i32 b = codeofword(firstword(value), {{"small", 0}, {"medium", 1}, {"large", 2}, {"rounded", 3}});
      if (b < 0) return outcome{err::numberrange};
      setBevelStyle(s, i16(b));
      o.rebuild = true;
      return o;
    }
    case tok::contenttype: {
      if (!v4 || (s.style != stylebevel && s.style != styleround && s.style != styleimagewell))
        return outcome{err::notstyledfield210};
      const i32 b = codeofword(firstword(value), {{"typeNone", 0},
                                                  {"typeIconSuite", 1},
                                                  {"typeCICN", 2},
                                                  {"typePICT", 3},
                                                  {"typeICON", 4},
                                                  {"typeIcns", 5},
                                                  {"typeIconFamily", 5},
                                                  {"typeIconRef", 5}});
      if (b < 0) return outcome{err::numberrange};
      setContentType(s, i16(b));
      o.rebuild = true;
      return o;
    }
    case tok::offsetcontents: {
      if (!v4 || s.style != stylebevel) return outcome{err::notstyledfield210};
      u16 b = 0;
      if (!boolean(&b)) return o;
      setBevelButtonOffsetContent(s, b != 0);
      o.rebuild = true;
      return o;
    }
    case tok::orientation: {
      if (!v4 || (s.style != styleslider && s.style != styletabs && s.style != stylepopuparrow))
        return outcome{err::notstyledfield210};
      const std::string w = firstword(value);
      i32 b = -1;
      if (s.style == styleslider) b = codeofword(w, {{"downRight", 0}, {"upLeft", 1}, {"neutral", 2}});
      else if (s.style == styletabs) b = codeofword(w, {{"north", 0}, {"south", 1}, {"east", 2}, {"west", 3}});
      else b = codeofword(w, {{"east", 0}, {"west", 1}, {"north", 2}, {"south", 3}});
      if (b < 0) return outcome{err::numberrange};
      setOrientation(s, i16(b));
      o.rebuild = true;
      return o;
    }
    case tok::tabsize:
      if (s.kind == spotfield && (s.style == stylefieldrect || s.style == stylefieldscroll)) {
        if (!number()) return o;
        const i32 size = std::clamp(n, 0, 255);
        const WEReference we = livefield(s);
        if (we == nilid || !isvalidwerec(we)) return o;
        WEFeatureFlag(weFInhibitRedraw, 1, we);
        WESetTabSize(size, we);
        s.tabsize = u8(size);
        WECalText(we);
        WEFeatureFlag(weFInhibitRedraw, 0, we);
        return o;
      }
      [[fallthrough]];
    case tok::buttonsize:
    case tok::arrowsize: {
      if (!v4 || !hasize(s.style)) return outcome{err::notstyledfield210};
      const bool bars = s.style == styleprogress || s.style == styleindeterminate;
      const i32 b = bars ? codeofword(firstword(value), {{"small", 0}, {"large", 2}})
                         : codeofword(firstword(value), {{"large", 0}, {"small", 1}});
      if (b < 0) return outcome{err::numberrange};
      setTabOrArrowOrBtnSize(s, i16(b));
      o.rebuild = true;
      return o;
    }
    case tok::rulerunits: {
      if (s.kind != spotfield || !((s.textflags >> 1) & 1)) return outcome{err::notstyledfield210};
      const i32 b = codeofword(firstword(value),
                               {{"default", 0}, {"inches", 1}, {"metric", 2}, {"points", 3}, {"picas", 4}});
      if (b < 0) return outcome{err::numberrange};
      s.rulerunits = u8(b);
      o.always = true;
      return o;
    }
    case tok::cursor: return o;
    default: return outcome{err::nosuchproperty};
  }
}

}  // namespace

KV_SETTER(setspot) {
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) {
    // Without `of <object>`: the global default of the same word.
    const i32 word = isthe(c, at) ? at + 1 : at;
    if (st == err::noof && c.tok(word + 1) != tok::in) return setglobal(path, text, atoms, at, variables, token);
    return st;
  }
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  if (i16 st = dofront(c, at, &used, &obj, true)) {
    disposfred(&value);
    return st;
  }
  if (obj.kind == objwindow && token == tok::shadow) {
    u16 on = 0;
    i16 st = fredtobool(&value, &on);
    disposfred(&value);
    if (st == 0) st = windflags(&obj, token, on);
    if (st == 0) markowner(obj);
    writeobj(&obj);
    return st;
  }
  if (obj.kind != objpart) {
    disposfred(&value);
    writeobj(&obj);
    return err::notext;
  }
  const spot before = spotat(obj.objects, obj.objindex);
  spot work = before;
  Rect oldbounds{};
  calcspot(obj.objects, obj.objindex, &oldbounds);
  const outcome o = apply(obj, work, token, &value);
  disposfred(&value);
  if (o.status != 0) {
    // A name made for a radio group's value goes with the failure.
    if (work.name != before.name && work.name != nilhandle) DisposeHandle(work.name);
    writeobj(&obj);
    return o.status;
  }
  if (o.always || std::memcmp(&before, &work, sizeof(spot)) != 0) {
    putspot(obj.objects, obj.objindex, work);
    markowner(obj);
    desk shown{};
    const bool visible = obj.d.window != nilid && getwind(obj.d.window, &shown) && shown.cardrecid == obj.d.cardrecid &&
                         ((work.flags & kSpotVisible) ||
                          (shown.wind != nilhandle &&
                           (loadat<windrec>(deref(shown.wind)).flags & kWindowShowsInvisibles)));
    if (visible) {
      if (o.rebuild) lowflush(obj, 1);
      Rect newbounds{};
      calcspot(obj.objects, obj.objindex, &newbounds);
      auto clip = [](i32 v) { return i16(std::clamp<i32>(v, -32768, 32767)); };
      Rect area{clip(std::min(oldbounds.top, newbounds.top) - 3), clip(std::min(oldbounds.left, newbounds.left) - 3),
                clip(std::max(oldbounds.bottom, newbounds.bottom) + 3),
                clip(std::max(oldbounds.right, newbounds.right) + 3)};
      drawedit(shown, &area);
    }
  }
  const bool bitmap = readisbmap(obj), graphic = readisgraph(obj), field = readisfield(obj);
  writeobj(&obj);
  if (bitmap) return putdownbmap();
  if (graphic) putdownmodes();
  if (field) return putdownfield();
  return 0;
}

}  // namespace kv
