// The values of the global properties (`lowglobal`), formatted from the fields of the global
// state; and the three getters the dispatcher reaches directly: the colour table of a card or
// background, the colour mode of a monitor and the launch arguments.
#include <cstdio>
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "media/phrases.h"
#include "engine/tokens.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/text/pstring.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/globaltables.h"
#include "properties/propfront.h"
#include "properties/valuewords.h"
#include "render/offscreen.h"
#include "store/objects.h"
#include "store/reftexts.h"
#include "tools/dragdata.h"
#include "system/sysinfo.h"
#include "system/programtargets.h"

namespace kv {

namespace {

// The words refused in plug-in mode.
bool refusedinplugin(u16 token) {
  switch (token) {
    case tok::allowrecog:
    case tok::audiovolume:
    case tok::backdrop:
    case tok::hasspeechrecogmgr:
    case tok::hastexttospeechmgr:
    case tok::helpballoons:
    case tok::recogphrases:
    case tok::serialcontrol:
    case tok::transitionloc:
    case tok::windowlimit: return true;
    default: return false;
  }
}

// A delimiter as text: one character, or two (high byte first) in two-byte mode.
i16 delimitervalue(u16 delimiter, fred* value) {
  u8 bytes[2] = {u8(delimiter >> 8), u8(delimiter)};
  if (mainglobals().twobyte != 0 && bytes[0] != 0) return charstonewfred(bytes, 2, value);
  return charstonewfred(&bytes[1], 1, value);
}

// The six serial words of the configuration word.
void serialtext(u32 config, StringPtr out) {
  out[0] = 0;
  auto words = serialwords();
  bool first = true;
  for (const serialfield& f : sercontrol()) {
    if (!first) pstrappend(out, 256, ",", 1);
    first = false;
    i32 code = i32((config & f.mask) >> f.shift);
    for (u16 i = f.first; i <= f.last; ++i) {
      if (words[i].code == code) {
        pstrappend(out, 256, words[i].word, std::strlen(words[i].word));
        break;
      }
    }
  }
}

// A copy of a text handle; empty for none.
i16 handvalue(Handle h, fred* value) {
  if (h == nilhandle) return newfred(value, fredtemp, fredstring, 0);
  return handtonewfred(h, value);
}

i16 textvalue(const char* text, fred* value) { return textonewfred(text, value); }

// The value of the global properties that are not a plain field.
i16 otherglobal(u16 token, fred* value) {
  MainGlobals& g = mainglobals();
  Str255 s{};
  switch (token) {
    case tok::address: getaddress(s); return stringtonewfred(s, value);
    case tok::appleeventtimeout: {
      if (g.appleEventTimeout == -1) return textvalue("default", value);
      if (g.appleEventTimeout == -2) return textvalue("forever", value);
      longtonewfred(g.appleEventTimeout, value);
      return 0;
    }
    case tok::audiovolume: return err::notbuilt;
    case tok::backcolor: return err::badcolour;
    case tok::backdrop: {
      u16 word = g.backdrop != nilid ? u16(GetWRefCon(g.backdrop)) : u16(tok::none);
      ConstStringPtr w = tokentostring(word);
      return stringtonewfred(w, value);
    }
    case tok::buffermode: modetostring(g.bufferMode, s); return stringtonewfred(s, value);
    case tok::cursor:
    case tok::defaultcursor: return err::nocursor;
    case tok::defaultfolder:
      return g.defaultFolder == nilhandle ? textvalue("none", value) : handvalue(g.defaultFolder, value);
    case tok::dockmenu: {
      if (g.dockmenu.store == nilid) return newfred(value, fredtemp, fredstring, 0);
      setpstring(s, "menu ID ");
      Str255 n{};
      NumToString(i32(g.dockmenu.menubook), n);
      appendstring(n, s);
      appendpstring(s, " of ");
      buildfilename(g.dockmenu.store, tok::long_, s);
      return stringtonewfred(s, value);
    }
    case tok::dragflavors: {
      Handle list = ListDragFlavors(currentdragref());
      if (list == nilhandle) return err::nomemory;
      const i16 st = handtonewfred(list, value);
      DisposeHandle(list);
      return st;
    }
    case tok::dragobject: {
      const std::string& name = dragobjecttext();
      return charstonewfred(name.data(), Size(name.size()), value);
    }
    case tok::editorname: {
      // A standalone (settings word 0 set) has no companion editor.
      bool standalone = g.settings != nilhandle && GetHandleSize(g.settings) >= 2 &&
                        loadat<u16>(deref(g.settings)) != 0;
      if (standalone) return newfred(value, fredtemp, fredstring, 0);
      geteditorname(s);
      return stringtonewfred(s, value);
    }
    case tok::filetype: return handvalue(g.fileType, value);
    case tok::foreground: booltonewfred(g.notfront == 0 ? 1 : 0, value); return 0;
    case tok::helpballoons: booltonewfred(u16(visiballoon()), value); return 0;
    case tok::itemdel: return delimitervalue(g.itemDelimiter, value);
    case tok::linedel: return delimitervalue(g.lineDelimiter, value);
    case tok::worddel: return delimitervalue(g.wordDelimiter, value);
    case tok::language: return textvalue("English", value);
    case tok::linesize: longtonewfred((i32(g.penWidth) + i32(g.penHeight)) / 2, value); return 0;
    case tok::menuset: {
      char text[8];
      if (g.menuSet >= 10) std::snprintf(text, sizeof text, "x%d", int(g.menuSet) - 9);
      else std::snprintf(text, sizeof text, "%d", int(g.menuSet) + 1);
      return textvalue(text, value);
    }
    case tok::numberformat: return handvalue(g.numberformat, value);
    case tok::paletteopacity: longtonewfred(100 - g.paletteOpacity, value); return 0;
    case tok::printlabel: return handvalue(g.printLabel, value);
    case tok::quartztext: booltonewfred(0, value); return 0;  // no system text-rendering switch
    case tok::recogphrases: return phrasestonewfred(value);
    case tok::serialcontrol: serialtext(g.serialControl, s); return stringtonewfred(s, value);
    case tok::soundvolume: {
      i32 left = i32(g.soundVolume & 0xFFFF), right = i32(g.soundVolume >> 16);
      if (left == right) {
        longtonewfred(left, value);
        return 0;
      }
      char text[16];
      std::snprintf(text, sizeof text, "%d,%d", int(left), int(right));
      return textvalue(text, value);
    }
    case tok::textalign: {
      const char* w = alignword(g.textAlign);
      return textvalue(w ? w : "", value);
    }
    case tok::textfont: GetFontName(g.textFont, s); return stringtonewfred(s, value);
    case tok::textheight:
      if (g.textHeight == -1) return textvalue("auto", value);
      longtonewfred(g.textHeight, value);
      return 0;
    case tok::textstyle: stylelist(u16(g.textStyle), s); return stringtonewfred(s, value);
    case tok::translucentdragopacity: {
      static constexpr const char* words[4] = {"low", "normal", "high", "maximum"};
      i16 n = g.translucentDragOpacity;
      return textvalue(n >= 0 && n <= 3 ? words[n] : "unknown", value);
    }
    case tok::transitionloc: return loctonewfred(g.transitionLoc.h, g.transitionLoc.v, value);
    case tok::windowlimit: {
      // The offscreen world's bottom-right corner; before the world's size is known, the
      // limit as it was set.
      Rect b = GetOffScreenBounds();
      if (b.right <= b.left || b.bottom <= b.top) return loctonewfred(g.windowLimit.h, g.windowLimit.v, value);
      return loctonewfred(b.right, b.bottom, value);
    }
    default: return err::nosuchproperty;
  }
}

}  // namespace

i16 lowglobal(u16 token, fred* value) {
  if (token < firstproperty || token > lastproperty) return err::nosuchproperty;
  if (refusedinplugin(token) && mainglobals().plugin != 0) return err::pluginproperty;
  if (token == tok::helpballoons) return otherglobal(token, value);
  if (i16* sw = globalswitch(token)) {
    booltonewfred(*sw != 0 ? 1 : 0, value);
    return 0;
  }
  bool on = false;
  if (globalcapability(token, &on)) {
    booltonewfred(on ? 1 : 0, value);
    return 0;
  }
  if (globalnumber n = globalinteger(token)) {
    longtonewfred(n.get(), value);
    return 0;
  }
  if (i16* index = globalindex(token)) {
    longtonewfred(i32(*index) + 1, value);
    return 0;
  }
  return otherglobal(token, value);
}

KV_GETTER(propclut) {
  // The colour-table number a card or background record keeps (its word at 16).
  return objectgetter(propctx{path, text, atoms, variables, locals}, at, count, [&](const objread& obj) {
    if (obj.kind == objcard) doubletonewfred(double(loadat<cardrec>(deref(obj.d.card)).word16), value);
    else if (obj.kind == objbackground) doubletonewfred(double(loadat<backrec>(deref(obj.d.back)).word16), value);
    else return err::cantunderstand;
    return i16(0);
  });
}

KV_GETTER(propmonitor) {
  propctx c{path, text, atoms, variables, locals};
  *count = 0;
  i32 i = at;
  if (isthe(c, i)) ++i;
  ++i;
  if (c.tok(i) == tok::in) ++i;
  if (c.tok(i) == tok::monitor) ++i;
  fred n;
  i32 used = 0;
  i16 st = factor(path, text, atoms, i, variables, locals, &used, &n);
  if (st != 0) st = expression(path, text, atoms, i, variables, locals, &used, &n);
  if (st != 0) return st;
  i32 index = 0;
  st = fredtolong(&n, &index);
  disposfred(&n);
  if (st != 0) return st;
  // Monitors are numbered from 1 in the order of the screens.
  if (index < 1 || index > screencount()) return err::cantunderstand;
  Str255 s{};
  modetostring(screendepth(i16(index - 1)), s);
  *count = i + used - at;
  return stringtonewfred(s, value);
}

KV_GETTER(proplaunchargs) {
  (void)path, (void)text, (void)variables, (void)locals;
  *count = tokenat(atoms, at) == tok::the ? 2 : 1;
  return handvalue(mainglobals().launchArguments, value);
}

}  // namespace kv
