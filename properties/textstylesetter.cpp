// `set [the] <text word> of <target> to <value>` for the text-appearance words (`listStyle`,
// `strikeThrough`, `textAlign`, `textBackgroundColor`, `textColor`, `textFont`, `textHeight`,
// `textInk`, `textSize`, `textStyle`, `verticalShift`) of buttons, fields and chunks of fields,
// text graphics and menu items. Styled text is changed through a text record: the one the
// object has while it is shown or edited, else a temporary one over its stored text.
#include <algorithm>
#include <cstring>

#include "engine/tokens.h"
#include "fields/fieldrecords.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/variables.h"
#include "fields/listfields.h"
#include "platform/fonts/fonts.h"
#include "platform/lists/lists.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/textrecords.h"
#include "properties/valueparsers.h"
#include "render/buttoncontrols.h"
#include "render/controlfonts.h"
#include "render/controlvisibility.h"
#include "render/drawservices.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/namekey.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "textengine/fieldpacking.h"
#include "textengine/fieldstorage.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr u32 kSpotVisible = 1u << 0, kAutoWidthBit = 1u << 10, kVersion4Bit = 1u << 21;
constexpr u32 kWindowShowsInvisibles = 1u << 7;
constexpr u16 stylepopup = 206;
constexpr u8 kCondense = 32, kExtend = 64;
constexpr i32 kWholeText = 2147483647;

bool isonlytextfieldword(u16 token) {
  return token == tok::strikethrough || token == tok::textbackgroundcolor || token == tok::textink ||
         token == tok::verticalshift;
}

// The colour of a one-based colour number in a layer's colour table: entry (n - 1) modulo 256
// (the standard 8-bit table for an entry the layer's table lacks).
RGBColor colournumber(i32 n, Handle clut) {
  const i32 index = (n - 1) & 255;
  RGBColor c{};
  if (clut != nilhandle && ctableentry(clut, index, &c)) return c;
  CTabHandle standard = GetCTable(8);
  if (!ctableentry(standard, index, &c)) c = index == 0 ? RGBColor{0xFFFF, 0xFFFF, 0xFFFF} : RGBColor{0, 0, 0};
  DisposeCTable(standard);
  return c;
}

// The alignment tag of an alignment code.
OSType aligntag(i16 code) {
  switch (code) {
    case 1: return fourcc("cent");
    case 2: return fourcc("full");
    case -2: return fourcc("left");
    case -1: return fourcc("rght");
    default: return fourcc("deft");
  }
}

// Applies one text word to the selection of a record. `value` is the value's text.
i16 westyletorec(u16 token, WEReference we, fred* value, Handle clut) {
  Str255 s{};
  fredtostring(value, s);
  WETextStyle ts{};
  i32 n = 0;
  switch (token) {
    case tok::strikethrough: {
      u16 on = 0;
      if (i16 st = fredtobool(value, &on)) return st;
      const u8 b = on ? 1 : 0;
      return WESetOneAttribute(-1, -1, fourcc("strk"), &b, 1, we) == noErr ? i16(0) : err::nomemory;
    }
    case tok::textalign: {
      i16 code = 0;
      if (i16 st = getalign(value, &code)) return st;
      const OSType tag = aligntag(code);
      return WESetOneAttribute(-1, -1, fourcc("pjst"), &tag, 4, we) == noErr ? i16(0) : err::nomemory;
    }
    case tok::textbackgroundcolor: {
      if (i16 st = fredtolong(value, &n)) return st;
      const RGBColor c = colournumber(n, clut);
      if (WESetOneAttribute(-1, -1, fourcc("pbcl"), &c, i32(sizeof c), we) != noErr) return err::nomemory;
      const u16 mode = c.red == 0xFFFF && c.green == 0xFFFF && c.blue == 0xFFFF ? 1 : 0;
      return WESetOneAttribute(-1, -1, fourcc("pptm"), &mode, 2, we) == noErr ? i16(0) : err::nomemory;
    }
    case tok::textcolor:
      if (!mainglobals().colorWorld) return 0;
      if (i16 st = fredtolong(value, &n)) return st;
      ts.color = colournumber(n, clut);
      return WESetStyle(weDoColor, &ts, we) == noErr ? i16(0) : err::nomemory;
    case tok::textfont: ts.font = GetFNum(s); return WESetStyle(weDoFont, &ts, we) == noErr ? i16(0) : err::nomemory;
    case tok::textheight: return err::readonly;
    case tok::textink: {
      i16 mode = 0;
      if (i16 st = fredtomode(value, false, 0, &mode)) return st;
      if (mode < 0 || mode > 7) return err::cantunderstand;
      const u16 m = u16(mode);
      return WESetOneAttribute(-1, -1, fourcc("pptm"), &m, 2, we) == noErr ? i16(0) : err::nomemory;
    }
    case tok::textsize:
      if (i16 st = fredtolong(value, &n)) return st;
      ts.size = i16(std::clamp(n, -1, 32767));
      return WESetStyle(weDoSize, &ts, we) == noErr ? i16(0) : err::nomemory;
    case tok::textstyle: {
      u16 bits = 0;
      if (i16 st = getstylewords(s, &bits)) return st;
      ts.face = u8(bits);
      return WESetStyle(weDoFace | weDoReplaceFace, &ts, we) == noErr ? i16(0) : err::nomemory;
    }
    case tok::verticalshift: {
      if (i16 st = fredtolong(value, &n)) return st;
      const i32 fixed = i32(u32(std::clamp(n, -32768, 32767)) << 16);
      return WESetOneAttribute(-1, -1, fourcc("xshf"), &fixed, 4, we) == noErr ? i16(0) : err::nomemory;
    }
    default: return 0;
  }
}

// Checks the value before anything changes, so that a bad word leaves the text as it was.
i16 checkvalue(u16 token, fred* value) {
  Str255 s{};
  fredtostring(value, s);
  u16 bits = 0;
  switch (token) {
    case tok::textstyle: return getstylewords(s, &bits);
    default: return 0;
  }
}

// The word applied to [start, end) of an object that is not shown, through a temporary record
// (the one the text getters read, `makeWE`) filled from its stored text and packed back into it
// on success. The object's live-record slot is left as it was.
i16 fieldtext(spot& object, u16 token, fred* value, Handle clut, i32 start, i32 end) {
  HidePen();
  const bool engine2 = usesenginetwo(&object);
  i16 st = 0;
  if (object.data == nilhandle) {
    Handle h = NewHandle(0);
    if (h == nilhandle || setemptyfieldtext(h, defaultfieldtail()) != noErr) {
      if (h != nilhandle) DisposeHandle(h);
      ShowPen();
      return err::nomemory;
    }
    object.data = h;
  }
  WEReference we = nilid;
  if (makeWE(object, &we) != 0) st = err::nomemory;
  if (st == 0) {
    const i32 length = WEGetTextLength(we);
    WESetSelection(std::clamp(start, 0, length), std::clamp(end, 0, length), we);
    st = westyletorec(token, we, value, clut);
  }
  if (st == 0) {
    OSErr err = noErr;
    if (engine2) {
      err = wenewpacktext(object, we);
    } else {
      Handle uprops = object.uprops;
      err = wepacktext(object.data, &uprops, we, true);
      object.uprops = uprops;
    }
    if (err != noErr) st = err::nomemory;
  }
  if (we != nilid) WEDispose(we);
  ShowPen();
  dumpfield();
  return st;
}

// The word applied to [start, end) of a record an object already has, with its drawing held
// back meanwhile; the selection comes back and the text is laid out again.
i16 liverecordtext(WEReference we, u16 token, fred* value, Handle clut, i32 start, i32 end, bool chunk) {
  i32 savedstart = 0, savedend = 0;
  WEGetSelection(&savedstart, &savedend, we);
  const i16 inhibit = WEFeatureFlag(weFInhibitRedraw, 1, we);
  HidePen();
  const i32 length = WEGetTextLength(we);
  if (chunk) WESetSelection(std::clamp(start, 0, length), std::clamp(end, 0, length), we);
  else WESetSelection(0, length, we);
  i16 st = westyletorec(token, we, value, clut);
  if (st == 0 && token != tok::textcolor) WECalText(we);
  WESetSelection(savedstart, savedend, we);
  ShowPen();
  WEFeatureFlag(weFInhibitRedraw, inhibit, we);
  if (st == 0) SetWERecDirtyFlag(we, true);
  return st;
}

// Whether the descriptor's window is open and shows its card.
bool shownwindow(const objread& obj, desk* shown) {
  return obj.d.window != nilid && getwind(obj.d.window, shown) != 0 && shown->cardrecid == obj.d.cardrecid;
}

// The button's internal font-name property takes the name (added when missing).
i16 setfontnameprop(spot& s, ConstStringPtr fontname) {
  static constexpr u8 kName[] = "\x0A__textFont";
  i16 index = 0;
  if (s.uprops != nilhandle && findprop(s.uprops, &index, kName)) {
    uprop e = HandleAs<uprop>(s.uprops)[index];
    if (e.value == nilhandle) {
      e.value = NewHandle(0);
      if (e.value == nilhandle) return err::nomemory;
      HandleAs<uprop>(s.uprops)[index] = e;
    }
    return PtrToXHand(fontname + 1, e.value, fontname[0]) == noErr ? i16(0) : err::nomemory;
  }
  uprop e{};
  u32 key = 0;
  getkey(kName, &key);
  e.key = key;
  Handle name = nilhandle, fontvalue = nilhandle;
  if (PtrToHand(kName + 1, &name, kName[0]) != noErr) return err::nomemory;
  if (PtrToHand(fontname + 1, &fontvalue, fontname[0]) != noErr) {
    DisposeHandle(name);
    return err::nomemory;
  }
  e.name = name;
  e.value = fontvalue;
  if (s.uprops == nilhandle) {
    s.uprops = NewHandle(0);
    if (s.uprops == nilhandle) {
      DisposeHandle(e.name);
      DisposeHandle(e.value);
      return err::nomemory;
    }
  }
  if (PtrAndHand(&e, s.uprops, Size(sizeof e)) != noErr) {
    DisposeHandle(e.name);
    DisposeHandle(e.value);
    return err::nomemory;
  }
  return 0;
}

// A button's text words: font, size, style and alignment are the four words of its kind tail.
i16 buttontext(spot& s, u16 token, fred* value) {
  Str255 text{};
  fredtostring(value, text);
  buttontail t = getbuttontail(s);
  u16x4 words = t.words;
  i32 n = 0;
  switch (token) {
    case tok::textcolor: return err::notextcolour;
    case tok::textfont: {
      i16 number = GetFNum(text);
      if (number == GetSysFont()) {
        number = systemFont;
      } else if (number == GetAppFont()) {
        number = applFont;
      } else {
        Str255 name{};
        GetFontName(number, name);
        if (i16 st = setfontnameprop(s, name)) return st;
      }
      words.v[0] = u16(number);
      break;
    }
    case tok::textalign: {
      i16 code = 0;
      if (i16 st = getalign(value, &code)) return st;
      words.v[3] = u16(code);
      break;
    }
    case tok::textsize:
      if (i16 st = fredtolong(value, &n)) return st;
      words.v[1] = u16(i16(std::clamp(n, -1, 32767)));
      break;
    case tok::textstyle: {
      u16 bits = 0;
      if (i16 st = getstylewords(text, &bits)) return st;
      words.v[2] = bits;
      break;
    }
    default: return 0;
  }
  t.words = words;
  setbuttontail(s, t);
  return 0;
}

// A menu item's text style: bits 3 to 7 of its flags.
i16 itemtext(const objread& obj, u16 token, fred* value) {
  if (token != tok::textstyle) return err::nosuchproperty;
  Str255 text{};
  fredtostring(value, text);
  u16 bits = 0;
  if (i16 st = getstylewords(text, &bits)) return st;
  if (bits & (kCondense | kExtend)) return err::nosuchproperty;
  menuitem m = HandleAs<menuitem>(obj.menu.items)[obj.itemindex];
  m.flags = (m.flags & ~u32(0xF8)) | (u32(bits & 0x1F) << 3);
  HandleAs<menuitem>(obj.menu.items)[obj.itemindex] = m;
  markowner(obj);
  if (obj.held) buildmenubar();
  if (isdockmenuline(obj.menu)) setdockmenuline(obj.menu);
  return 0;
}

// The range of a chunk of a field in its text (the stored text's header taken off); the whole
// text without one.
void chunkrange(const objread& obj, const spot& s, i32* start, i32* end) {
  *start = 0;
  *end = kWholeText;
  if (!obj.chunk.chunkgiven) return;
  const fieldtextlayout l = measurefieldtext(s.data);
  *start = std::max(0, i32(obj.chunk.start) - l.textoffset);
  *end = std::max(*start, i32(obj.chunk.end) - l.textoffset);
}

// A field's text words.
i16 fieldtextword(const objread& obj, spot& s, u16 token, fred* value, Handle clut) {
  const bool engine2 = s.style == stylefieldrect || s.style == stylefieldscroll;
  if (token == tok::liststyle) {
    // Only a list whose rows are loaded (its card shown) takes list styles.
    if (engine2 || livefield(s) == 0) return err::nosuchproperty;
    u16 bits = 0;
    if (i16 st = getliststyles(value, &bits)) return st;
    fieldkindtail t = getfieldkindtail(s);
    t.liststyle = bits;
    setfieldkindtail(s, t);
    // The live list selects by the low byte from now on.
    if (ListHandle list = fieldlisthandle(s)) LSetSelFlags(u8(bits & 0xFF), list);
    return 0;
  }
  if (isonlytextfieldword(token) && !engine2) return err::nosuchproperty;
  i32 start = 0, end = 0;
  chunkrange(obj, s, &start, &end);
  const bool chunk = obj.chunk.chunkgiven != 0;
  const WEReference live = livefield(s);
  desk shown{};
  if (engine2 && havefield(s) && isvalidwerec(live)) {
    i16 st = liverecordtext(live, token, value, clut, start, end, chunk);
    if (st == 0 && token != tok::textcolor && !(chunk && start == end)) WESelView(live);
    if (st == 0) mainglobals().openfieldchange = 1;
    return st;
  }
  if (engine2 && isvalidwerec(live) && shownwindow(obj, &shown)) {
    i16 st = liverecordtext(live, token, value, clut, start, end, chunk);
    // The stored text follows the record at once, so that every reader sees the change.
    if (st == 0 && wenewpacktext(s, live) != noErr) st = err::nomemory;
    return st;
  }
  return fieldtext(s, token, value, clut, start, end);
}

// A graphic's text words: only a text graphic has them.
i16 graphictextword(const objread& obj, spot& s, u16 token, fred* value, Handle clut) {
  if (s.style != styletext) return token == tok::textcolor ? err::notextcolour : err::graphicnotext;
  const MainGlobals& g = mainglobals();
  if (g.graphindex == obj.objindex && g.graphspots == obj.objects && isvalidwerec(g.graphrec)) {
    const WEReference we = g.graphrec;
    i16 st = westyletorec(token, we, value, clut);
    if (st == 0) {
      WECalText(we);
      SetWERecDirtyFlag(we, true);
    }
    return st;
  }
  return fieldtext(s, token, value, clut, 0, kWholeText);
}

// After a change of a shown version-4 button: a popup is built again in its new font and takes
// its best size; another control is built again only for its alignment.
void rebuildcontrol(const objread& obj, spot& s, u16 token) {
  if (!(s.flags & kVersion4Bit) || s.kind != spotbutton) return;
  const i16 background = obj.objects == obj.d.backspots ? 1 : 0;
  if (s.style == stylepopup) {
    const Rect before = s.rect;
    docontroldown(s);
    ControlRef control = docontrolup(&s, background);
    if (control == nilid) return;
    setcontrolfont(s);
    const buttontail t = getbuttontail(s);
    Rect best{};
    CalculateOurOwnControlRect(control, &best, i16(t.words.v[0]), i16(t.words.v[1]));
    const i16 width = (s.flags & kAutoWidthBit) ? i16(std::max(24, best.right - best.left))
                                                : i16(before.right - before.left);
    s.rect.right = i16(s.rect.left + width);
    s.rect.bottom = i16(s.rect.top + (best.bottom - best.top));
    docontroldown(s);
    docontrolup(&s, background);
    putspot(obj.objects, obj.objindex, s);
    desk shown{};
    if (shownwindow(obj, &shown)) {
      Rect area{std::min(before.top, s.rect.top), std::min(before.left, s.rect.left),
                std::max(before.bottom, s.rect.bottom), std::max(before.right, s.rect.right)};
      drawedit(shown, &area);
    }
  } else if (token == tok::textalign) {
    docontroldown(s);
    docontrolup(&s, background);
    putspot(obj.objects, obj.objindex, s);
  }
}

// The text word of an object a descriptor names.
i16 objecttext(const objread& obj, u16 token, fred* value) {
  spot s = spotat(obj.objects, obj.objindex);
  const Handle clut = obj.objects == obj.d.backspots ? obj.d.backclut : obj.d.cardclut;
  i16 st = 0;
  switch (s.kind) {
    case spotbutton: st = buttontext(s, token, value); break;
    case spotfield: st = fieldtextword(obj, s, token, value, clut); break;
    default: st = graphictextword(obj, s, token, value, clut); break;
  }
  if (st != 0) return st;
  putspot(obj.objects, obj.objindex, s);
  checkerr(changevir(obj.d.store, i32(obj.d.cardrecid)));
  checkerr(changevir(obj.d.store, i32(obj.d.backrecid)));
  desk shown{};
  if (!shownwindow(obj, &shown)) return 0;
  lockscreen();
  rebuildcontrol(obj, s, token);
  s = spotat(obj.objects, obj.objindex);
  const u32 windflags = shown.wind != nilhandle ? loadat<windrec>(deref(shown.wind)).flags : 0;
  if ((s.flags & kSpotVisible) || (windflags & kWindowShowsInvisibles)) drawread(obj);
  unlockscreen();
  return 0;
}

}  // namespace

KV_SETTER(setextinfo) {
  propctx c{path, text, atoms, variables, nilhandle};
  const i32 i = isthe(c, at) ? at + 1 : at;
  if (c.tok(i + 1) != tok::in) return setglobaltext(path, text, atoms, at, variables, token);
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  fred value;
  i16 st = readlistvalue(c, at + used, &value);
  if (st != 0) return st;
  st = checkvalue(token, &value);
  if (st == 0) st = dofront(c, at, &used, &obj, true);
  if (st == 0) {
    switch (obj.kind) {
      case objitem: st = itemtext(obj, token, &value); break;
      case objpart: st = objecttext(obj, token, &value); break;
      default: st = err::cantunderstand; break;
    }
    writeobj(&obj);
  }
  disposfred(&value);
  return st;
}

}  // namespace kv
