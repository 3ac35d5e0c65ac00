// How an object looks: pens and fills, colours and patterns, shapes and points, the settings
// of platform-control buttons, picture settings, paragraph-ruler words, the selected lines of
// list fields, the embedded objects of a field and the text of a text graphic (`propspot`).
// Without an object the words give the global default of the same name.
#include <cstring>

#include "commands/describe.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/listfields.h"
#include "fields/rulerinfo.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/textrecords.h"
#include "properties/valuewords.h"
#include "render/controloptions.h"
#include "render/fielddrawing.h"
#include "render/pictinfo.h"
#include "render/spotparent.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr u32 kWindowNoShadow = 1u << 15;
constexpr i32 kPatterns = 63, kCellLimit = 256;

i16 word(const char* w, fred* value) { return textonewfred(w, value); }

// The word of a code in a short table, `other` for a code outside it.
template <std::size_t N>
i16 tableword(i16 code, const char* const (&words)[N], const char* other, fred* value) {
  return word(code >= 0 && std::size_t(code) < N ? words[code] : other, value);
}

// The one-based number of the first of the project's patterns equal to `pattern`, else
// "Unknown".
i16 patternnumber(const objread& obj, const bytes<8>& pattern, fred* value) {
  Handle list = obj.d.head != nilhandle ? loadat<headrec>(deref(obj.d.head)).patterns : nilhandle;
  const Size size = list != nilhandle ? GetHandleSize(list) : 0;
  for (i32 i = 0; i < kPatterns && 2 + (i + 1) * 8 <= size; ++i) {
    if (std::memcmp(deref(list) + 2 + i * 8, pattern.b, 8) == 0) {
      longtonewfred(i + 1, value);
      return 0;
    }
  }
  return word("Unknown", value);
}

// The text a handle holds as a new value, the handle taken over.
i16 handlevalue(Handle h, fred* value) {
  i16 st = newfred(value, fredtemp, fredstring, 0);
  if (st != 0) {
    DisposeHandle(h);
    return st;
  }
  givehandtofred(h, value);
  return 0;
}

// Whether the descriptor's window is open.
bool windowopen(const objread& obj, desk* open) {
  return haswind(obj.d.store, obj.d.windnum, open) && open->window != nilid;
}

// A value made from the selected rows of a list field: `append(out, i, row)` adds the i-th
// selected row (zero-based row number) to the text and answers 0 or a status, which stops the
// loop. 43 for a field that is not a list or keeps no selection; 37 for no memory.
template <typename Append>
i16 selectedrowsvalue(const spot& s, fred* value, Append append) {
  if (!isfield(s) || !islist(s)) return err::nosuchproperty;
  Handle rows = NewHandle(0);
  if (rows == nilhandle) return err::nomemory;
  if (!listselectedrows(s, rows)) {
    DisposeHandle(rows);
    return err::nosuchproperty;
  }
  Handle out = NewHandle(0);
  i16 st = out == nilhandle ? err::nomemory : 0;
  const i32 count = i32(GetHandleSize(rows) / Size(sizeof(i32)));
  for (i32 i = 0; i < count && st == 0; ++i) st = append(out, i, loadat<i32>(deref(rows) + i * 4));
  DisposeHandle(rows);
  if (st != 0) {
    DisposeHandle(out);
    return st;
  }
  return handlevalue(out, value);
}

// `hilitedLines`: the selected rows of a list field, one-based and joined by ",".
i16 lowcells(const spot& s, fred* value) {
  return selectedrowsvalue(s, value, [](Handle out, i32 i, i32 row) -> i16 {
    char digits[16];
    std::snprintf(digits, sizeof digits, i > 0 ? ",%d" : "%d", row + 1);
    return PtrAndHand(digits, out, Size(std::strlen(digits))) != noErr ? err::nomemory : i16(0);
  });
}

// The window's context made current for a call, with the port, put back on every path.
class windowcontext {
 public:
  explicit windowcontext(const desk& d) : saved_(mainglobals().current) {
    GetPort(&port_);
    mainglobals().current = d;
    if (d.window != nilid) SetPortWindowPort(d.window);
  }
  ~windowcontext() {
    mainglobals().current = saved_;
    SetPort(port_);
  }
  windowcontext(const windowcontext&) = delete;
  windowcontext& operator=(const windowcontext&) = delete;

 private:
  desk saved_;
  GrafPtr port_ = nilid;
};

i16 hilitedlines(const objread& obj, fred* value) {
  desk open{};
  if (!windowopen(obj, &open)) return newfred(value, fredtemp, fredstring, 0);
  spot s = spotat(obj.objects, obj.objindex);
  if (isfield(s) && islist(s) && !haslivelist(s)) {
    windowcontext context(open);
    forcelistload(s, 0);
    putspot(obj.objects, obj.objindex, s);
    return lowcells(s, value);
  }
  return lowcells(s, value);
}

i16 hilitedtext(const objread& obj, fred* value) {
  desk open{};
  if (!windowopen(obj, &open)) return err::cardnotshown;
  const spot s = spotat(obj.objects, obj.objindex);
  // Each cell is read whole, up to 256 bytes, into a buffer that holds them all.
  u8 cell[kCellLimit];
  return selectedrowsvalue(s, value, [&s, &cell](Handle out, i32 i, i32 row) -> i16 {
    const i32 n = listcelltext(s, row, cell, kCellLimit);
    if (i > 0 && PtrAndHand("\r", out, 1) != noErr) return err::nomemory;
    if (n > 0 && PtrAndHand(cell, out, n) != noErr) return err::nomemory;
    return 0;
  });
}

// The ruler words: the paragraph settings of the chunk (or of the whole text) of a field that
// keeps its text in the engine's own form.
i16 rulerword(const objread& obj, u16 token, fred* value) {
  const spot s = spotat(obj.objects, obj.objindex);
  if (!isfield(s) || !usesenginetwo(&s)) return err::notstyledfield210;
  Handle text = NewHandle(0);
  if (text == nilhandle) return err::nomemory;
  i16 st = 0;
  {
    textholder held(obj);
    if (held.record() == nilid) {
      st = err::nomemory;
    } else {
      if (obj.chunk.chunkgiven) {
        const i32 header = measurefieldtext(s.data).textoffset;
        held.select(i32(obj.chunk.start) - header, i32(obj.chunk.end) - header);
      }
      st = GetRulerInfoFromWERec(held.record(), text, token);
    }
  }
  if (st != 0) {
    DisposeHandle(text);
    return st;
  }
  return handlevalue(text, value);
}

i16 textdata(const objread& obj, const spot& s, fred* value) {
  if (s.kind != spotgraphic || s.style != styletext) return err::graphicnotext;
  const WEReference we = mainglobals().graphrec;
  if (readisgraph(obj) && isvalidwerec(we)) {
    Handle h = WEGetText(we);
    return h != nilhandle ? handtonewfred(h, value) : newfred(value, fredtemp, fredstring, 0);
  }
  return datatotext(s.data, value);
}

i16 sizeword(const spot& s, u16 token, fred* value) {
  if (token == tok::tabsize && isfield(s) && (s.style == stylefieldrect || s.style == stylefieldscroll)) {
    longtonewfred(s.tabsize, value);
    return 0;
  }
  if (!isversion4spot(&s) || !hasize(s)) return err::notstyledfield210;
  const i16 size = getTabOrArrowOrBtnSize(s);
  if (s.style == 214 || s.style == 215) return word(size == 2 ? "large" : "small", value);
  return word(size != 0 ? "small" : "large", value);
}

i16 controlword(const spot& s, u16 token, fred* value) {
  const bool control = isversion4spot(&s);
  const controlpart c = getcontrolpart(s);
  switch (token) {
    case tok::behavior: {
      if (!control) return err::notstyledfield210;
      if (s.style == 224) return newfred(value, fredtemp, fredstring, 0);
      if (s.style != stylebevel) return err::notstyledfield210;
      switch (getBevelBtnBehavior(s)) {
        case 0: return word("pushButton", value);
        case 256: return word("toggleButton", value);
        case 512: return word("stickyButton", value);
        case 1024: return word("popupButton", value);
        default: return word("unknown", value);
      }
    }
    case tok::bevelstyle: {
      if (!control || s.style != stylebevel) return err::notstyledfield210;
      static constexpr const char* kWords[] = {"small", "medium", "large", "rounded"};
      return tableword(getBevelStyle(s), kWords, "unknown", value);
    }
    case tok::contenttype: {
      if (!control || !hascontentype(s)) return err::notstyledfield210;
      static constexpr const char* kWords[] = {"typeNone", "typeIconSuite", "typeCICN",
                                               "typePICT", "typeICON",      "typeIconFamily"};
      return tableword(getContentType(s), kWords, "unknown", value);
    }
    case tok::currentvalue: {
      if (!control) return err::novaluerange;
      i32 v = c.currentvalue;
      constexpr u32 kMenuFlag = 1u << 2;
      if (s.style == stylebevel && (s.flags & kMenuFlag) && getBevelBtnBehavior(s) == 1024) {
        v = 0;
        const ControlRef live = ControlRef(c.control);
        MenuRef menu = nilid;
        i16 item = 0;
        i32 got = 0;
        if (live != nilid &&
            GetControlData(live, 0, kControlBevelButtonMenuHandleTag, sizeof menu, &menu, &got) == noErr &&
            menu != nilid &&
            GetControlData(live, 0, kControlBevelButtonMenuValueTag, sizeof item, &item, &got) == noErr)
          v = item;
      }
      longtonewfred(v, value);
      return 0;
    }
    case tok::minimumvalue:
    case tok::maximumvalue:
      if (!control) return err::novaluerange;
      longtonewfred(token == tok::minimumvalue ? c.minimumvalue : c.maximumvalue, value);
      return 0;
    case tok::viewsize:
      if (!control || s.style != 213) return err::novaluerange;
      longtonewfred(c.viewsize, value);
      return 0;
    case tok::tickmarks:
      if (!control || s.style != styleslider) return err::notstyledfield210;
      longtonewfred(c.tickmarks, value);
      return 0;
    case tok::orientation: {
      if (!control || !hasorientation(s)) return err::notstyledfield210;
      const i16 o = getOrientation(s);
      if (s.style == styleslider) {
        static constexpr const char* kWords[] = {"downRight", "upLeft", "neutral"};
        return tableword(o, kWords, "unknown", value);
      }
      if (s.style == styletabs) {
        static constexpr const char* kWords[] = {"north", "south", "east", "west"};
        return tableword(o, kWords, "unknown", value);
      }
      static constexpr const char* kWords[] = {"east", "west", "north", "south"};
      return tableword(o, kWords, "unknown", value);
    }
    case tok::offsetcontents: booltonewfred(getBevelButtonOffsetContent(s) != 0 ? 1 : 0, value); return 0;
    default: return err::nosuchproperty;
  }
}

i16 pictureword(const spot& s, u16 token, fred* value) {
  Handle text = NewHandle(0);
  if (text == nilhandle) return err::nomemory;
  if (GetPictureInfo(s, text, token) != noErr) {
    DisposeHandle(text);
    return err::nomemory;
  }
  return handlevalue(text, value);
}

i16 objectword(const objread& obj, u16 token, fred* value) {
  const spot s = spotat(obj.objects, obj.objindex);
  switch (token) {
    case tok::arcangle:
    case tok::startangle: {
      if (s.kind != spotgraphic || s.style != stylearc) return err::notarc;
      const graphictail t = getgraphictail(s);
      longtonewfred(i16(token == tok::arcangle ? t.arcangle : t.startangle), value);
      return 0;
    }
    case tok::roundwidth:
    case tok::roundheight: {
      if (s.kind != spotgraphic || s.style != styleroundrect) return err::notroundrect;
      const graphictail t = getgraphictail(s);
      longtonewfred(i16(token == tok::roundwidth ? t.startangle : t.arcangle), value);
      return 0;
    }
    case tok::arrowsize:
    case tok::buttonsize:
    case tok::tabsize: return sizeword(s, token, value);
    case tok::aspect:
    case tok::clickthrough:
    case tok::clickthroughlevel:
    case tok::destrect:
    case tok::dontcachebits:
    case tok::filters:
    case tok::imagerect:
    case tok::magnify:
    case tok::opcolor:
    case tok::pictdata:
    case tok::pictinfo:
    case tok::pictpath:
    case tok::quad:
    case tok::rotation:
    case tok::sourcerect: return pictureword(s, token, value);
    case tok::behavior:
    case tok::bevelstyle:
    case tok::contenttype:
    case tok::currentvalue:
    case tok::minimumvalue:
    case tok::maximumvalue:
    case tok::viewsize:
    case tok::tickmarks:
    case tok::orientation:
    case tok::offsetcontents: return controlword(s, token, value);
    case tok::fillback: longtonewfred(i32(s.fillback) + 1, value); return 0;
    case tok::fillfore: longtonewfred(i32(s.fillfore) + 1, value); return 0;
    case tok::penback: longtonewfred(i32(s.penback) + 1, value); return 0;
    case tok::penfore: longtonewfred(i32(s.penfore) + 1, value); return 0;
    case tok::fillpat:
    case tok::penpat:
      if (isversion4spot(&s)) return err::nosuchproperty;
      return patternnumber(obj, token == tok::fillpat ? s.fillpat : s.penpat, value);
    case tok::hasparentobject: {
      // Searched among the lists of the object's own window.
      Handle list = obj.objects;
      i16 index = obj.objindex;
      i16 found = 0;
      {
        windowcontext context(obj.d);
        found = spotparent(&list, &index);
      }
      booltonewfred(found != 0 ? 1 : 0, value);
      return 0;
    }
    case tok::hilitedlines: return hilitedlines(obj, value);
    case tok::hilitedtext: return hilitedtext(obj, value);
    case tok::icon: {
      const u32 id = getbuttontail(s).icon;
      const i32 signedid = i32(id);
      if (hascontentype(s) && getContentType(s) == 5 && (signedid < -32768 || signedid > 32767)) {
        restypetonewfred(OSType(id), value);
        return 0;
      }
      longtonewfred(signedid, value);
      return 0;
    }
    case tok::ink: return modetofred(i16(s.ink), s.kind != spotgraphic, value);
    case tok::linesize: longtonewfred((i32(s.penwidth) + i32(s.penheight)) / 2, value); return 0;
    case tok::liststyle: {
      if (!isfield(s) || !islist(s)) return err::nosuchproperty;
      Str255 text{};
      liststylenames(getfieldkindtail(s).liststyle, text);
      return stringtonewfred(text, value);
    }
    case tok::objects: {
      Handle h = NewHandle(0);
      if (h == nilhandle) return err::nomemory;
      if (i16 st = addiotas(obj, h, token)) {
        DisposeHandle(h);
        return st;
      }
      return handlevalue(h, value);
    }
    case tok::part: longtonewfred(obj.objindex + 1, value); return 0;
    case tok::penwidth: longtonewfred(s.penwidth, value); return 0;
    case tok::penheight: longtonewfred(s.penheight, value); return 0;
    case tok::points: {
      if (s.kind == spotgraphic && s.style == styleline) {
        const graphictail t = getgraphictail(s);
        return rectonewfred(Rect{t.point1.v, t.point1.h, t.point2.v, t.point2.h}, value);
      }
      const bool polygon = (s.kind == spotgraphic && s.style == stylepolygon) ||
                           (s.kind == spotbutton && s.style == stylepolybutton);
      if (!polygon) return err::unknownstyle;
      return buildpts(s.data, value);
    }
    case tok::rulerunits: {
      if (!isfield(s) || !fieldhasruler(s)) return err::notstyledfield210;
      static constexpr const char* kWords[] = {"default", "inches", "metric", "points", "picas"};
      return tableword(s.rulerunits, kWords, "unknown", value);
    }
    case tok::selected: booltonewfred(s.selected != 0 ? 1 : 0, value); return 0;
    case tok::shadow:
      if (s.kind == spotgraphic) return err::noshadow;
      longtonewfred(s.shadow, value);
      return 0;
    case tok::filled: booltonewfred(s.showfill != 0 ? 1 : 0, value); return 0;
    case tok::showpen: booltonewfred(s.showpen != 0 ? 1 : 0, value); return 0;
    case tok::themefill: longtonewfred(s.themefill, value); return 0;
    case tok::themepen: longtonewfred(s.themepen, value); return 0;
    case tok::textdata: return textdata(obj, s, value);
    case tok::borderstyle:
    case tok::firstlineindent:
    case tok::leftindent:
    case tok::linespacing:
    case tok::rightindent:
    case tok::rulerinfo:
    case tok::spaceafter:
    case tok::spacebefore:
    case tok::textdirection: return rulerword(obj, token, value);
    default: return newfred(value, fredtemp, fredstring, 0);
  }
}

}  // namespace

KV_GETTER(propspot) {
  propctx c{path, text, atoms, variables, locals};
  // No object: the global default of the same word.
  return objectorglobalgetter(c, at, count, value, [value](const objread& obj, u16 token) -> i16 {
    if (obj.kind == objwindow && token == tok::shadow) {
      booltonewfred((loadat<windrec>(deref(obj.d.wind)).flags & kWindowNoShadow) ? 0 : 1, value);
      return 0;
    }
    if (obj.kind != objpart) return err::cantunderstand;
    return objectword(obj, token, value);
  });
}

}  // namespace kv
