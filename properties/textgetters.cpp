// How text is styled: the ten text-style words of a field, a text graphic, a button or a menu
// item, over the whole text or a chunk of it (`proptext`); and the scroll of fields and windows
// (`propscroll`, `propmaxscroll`). Reading never changes a field: a borrowed text record gets
// its selection back and a temporary one is disposed, on every path.
#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "platform/controls/controls.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/textrecords.h"
#include "properties/userprops.h"
#include "properties/valuewords.h"
#include "render/fielddrawing.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/objects.h"

namespace kv {

namespace {

bool needsenginetwo(u16 token) {
  return token == tok::textbackgroundcolor || token == tok::textink || token == tok::verticalshift ||
         token == tok::strikethrough;
}

// The text range of a chunk (its range in the stored text less the style-run header), kept
// within the text; the whole text without a chunk.
void chunkrange(const objread& obj, const spot& s, i32* start, i32* end) {
  if (!obj.chunk.chunkgiven) {
    *start = 0;
    *end = std::numeric_limits<i32>::max();
    return;
  }
  const fieldtextlayout l = measurefieldtext(s.data);
  auto clamp = [&](u32 at) { return i32(std::clamp<i64>(i64(at) - l.textoffset, 0, l.textlength)); };
  *start = clamp(obj.chunk.start);
  *end = std::max(*start, clamp(obj.chunk.end));
}

// The text style of a field or text graphic.
i16 textofrecord(const objread& obj, const spot& s, u16 token, fred* value) {
  if (needsenginetwo(token) && !usesenginetwo(&s)) return err::nosuchproperty;
  i32 start = 0, end = 0;
  chunkrange(obj, s, &start, &end);
  const Handle clut = obj.ownerrecid == obj.d.cardrecid ? obj.d.cardclut : obj.d.backclut;
  Str255 text{};
  if (borrowedrecord(obj, false) != nilid) {
    textholder held(obj);
    held.select(start, end);
    werectostring(token, held.record(), text, clut);
  } else if (i16 st = fieldtext(s, token, text, clut, start, end)) {
    return st;
  }
  return stringtonewfred(text, value);
}

// The font name of a button: its font number's, unless a "__textFont" user property names the
// font (a family not installed here gives the name itself).
i16 buttonfont(const spot& s, i16 font, fred* value) {
  Str255 name{};
  if (font > 1 && s.uprops != nilhandle) {
    static constexpr u8 kTextFont[] = "\x0a__textFont";
    Handle h = nilhandle;
    if (prophandutil(s.uprops, kTextFont, &h) == 0 && h != nilhandle && GetHandleSize(h) > 0) {
      Str255 wanted{};
      pstrassign(wanted, sizeof wanted, reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
      const i16 found = FMGetFontFamilyFromName(wanted);
      if (found == kInvalidFontFamily) return stringtonewfred(wanted, value);
      GetFontName(found, name);
      return stringtonewfred(name, value);
    }
  }
  GetFontName(font, name);
  return stringtonewfred(name, value);
}

i16 buttontext(const spot& s, u16 token, fred* value) {
  const buttontail t = getbuttontail(s);
  const i16 font = i16(t.words.v[0]), size = i16(t.words.v[1]), face = i16(t.words.v[2]), align = i16(t.words.v[3]);
  switch (token) {
    case tok::textalign: {
      const char* w = alignword(align);
      return textonewfred(w != nullptr ? w : "", value);
    }
    case tok::textcolor:
    case tok::textheight: longtonewfred(0, value); return 0;
    case tok::textfont: return buttonfont(s, font, value);
    case tok::textsize: longtonewfred(size, value); return 0;
    case tok::textstyle: {
      Str255 text{};
      stylelist(u16(u8(face)), text);
      return stringtonewfred(text, value);
    }
    default: return newfred(value, fredtemp, fredstring, 0);
  }
}

i16 textof(const objread& obj, u16 token, fred* value) {
  if (obj.kind == objitem) {
    if (token != tok::textstyle) return err::cantunderstand;
    const u32 flags = HandleAs<menuitem>(obj.menu.items)[obj.itemindex].flags;
    Str255 text{};
    stylelist(u16((flags >> 3) & 0x1F), text);
    return stringtonewfred(text, value);
  }
  if (obj.kind != objpart) return err::cantunderstand;
  const spot s = spotat(obj.objects, obj.objindex);
  switch (s.kind) {
    case spotfield: return textofrecord(obj, s, token, value);
    case spotgraphic:
      if (s.style != styletext) return err::graphicnotext;
      return textofrecord(obj, s, token, value);
    case spotbutton: return buttontext(s, token, value);
    default: return err::cantunderstand;
  }
}

// The maximum scroll of a scrolling field, computed over its text record.
i16 maxscroll(const objread& obj, fred* value) {
  const spot s = spotat(obj.objects, obj.objindex);
  if (!isfield(s) || s.style != stylefieldscroll) return err::notscrolling;
  const i32 maximum = fieldmaxscroll(obj);
  if (maximum < 0) return err::wentwrong;
  longtonewfred(maximum, value);
  return 0;
}

}  // namespace

KV_GETTER(proptext) {
  propctx c{path, text, atoms, variables, locals};
  return objectorglobalgetter(c, at, count, value,
                              [value](const objread& obj, u16 token) { return textof(obj, token, value); });
}

KV_GETTER(propscroll) {
  propctx c{path, text, atoms, variables, locals};
  return objectgetter(c, at, count, [&](const objread& obj) -> i16 {
    if (obj.kind == objwindow) {
      if (mainglobals().plugin != 0) return err::pluginproperty;
      desk open{};
      if (!haswind(obj.d.store, obj.d.windnum, &open) || open.window == nilid) return err::nosuchwindow;
      return loctonewfred(open.hscroll != nilid ? GetControlValue(open.hscroll) : i16(0),
                          open.vscroll != nilid ? GetControlValue(open.vscroll) : i16(0), value);
    }
    if (obj.kind != objpart) return err::cantunderstand;
    const spot s = spotat(obj.objects, obj.objindex);
    if (!isfield(s) || (s.style != stylefieldscroll && s.style != stylefieldscrolllist)) return err::notscrolling;
    longtonewfred(getfieldscroll(s), value);
    return 0;
  });
}

KV_GETTER(propmaxscroll) {
  propctx c{path, text, atoms, variables, locals};
  return objectgetter(c, at, count, [&](const objread& obj) -> i16 {
    if (obj.kind != objpart) return err::cantunderstand;
    return maxscroll(obj, value);
  });
}

}  // namespace kv
