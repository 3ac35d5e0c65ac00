// `set [the] style of <target> to <style word>`: an object changes its style within its kind
// (a graphic gets or loses its polygon, a button becomes a platform control or a classic button
// and gets or loses its control data property, a field becomes a text field, a scrolling field
// or a list), and a window takes another window style and is made again.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "commands/define.h"
#include "fields/fieldrecords.h"
#include "engine/fred.h"
#include "engine/lookups.h"
#include "engine/status.h"
#include "engine/numbertext.h"
#include "platform/memory/memory.h"
#include "platform/qd/shapes.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/shapesetters.h"
#include "properties/userprops.h"
#include "properties/valueparsers.h"
#include "properties/windowsetters.h"
#include "render/controlflush.h"
#include "render/controloptions.h"
#include "render/controlvisibility.h"
#include "render/fielddrawing.h"
#include "render/objectbounds.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr u16 styleroundrectgraphic = 101, styleline = 103, styleradio = 203, stylecheckbox = 204, stylebevel = 205,
              stylepopup = 206, styletabs = 210, stylepopuparrow = 222;

bool version4style(u16 style) {
  return style == 201 || (style >= 203 && style <= 207) || (style >= 209 && style <= 223) || style == 228 ||
         style == 229;
}

// A closed polygon through the rectangle's corners.
Handle rectpolygon(const Rect& r) {
  return newpolygon({Point{r.top, r.left}, Point{r.top, r.right}, Point{r.bottom, r.right}, Point{r.bottom, r.left},
                     Point{r.top, r.left}});
}

void releasedata(spot& s) {
  if (s.data != nilhandle) DisposeHandle(s.data);
  s.data = nilhandle;
}

void whitefill(spot& s) {
  bytes<8> white{};
  std::memset(&white, 0, sizeof white);
  s.fillpat = white;
}

// "opaque" shows the fill, white, without the frame; "transparent" shows neither. False for
// any other word (the object unchanged).
bool filledword(spot& s, const std::string& w) {
  if (w == "opaque") {
    s.showfill = 1;
    s.showpen = 0;
    whitefill(s);
    return true;
  }
  if (w == "transparent") {
    s.showfill = 0;
    s.showpen = 0;
    return true;
  }
  return false;
}

void killemptyprop(spot& s, const char* name) {
  if (s.uprops == nilhandle) return;
  Str255 n{};
  n[0] = u8(std::strlen(name));
  std::memcpy(n + 1, name, n[0]);
  propkillifempty(s.uprops, n);
}

void defineprop(spot& s, const char* name) {
  Str255 n{};
  n[0] = u8(std::strlen(name));
  std::memcpy(n + 1, name, n[0]);
  Handle list = s.uprops;
  lowdefineprop(&list, n);
  s.uprops = list;
}

i16 graphicstyle(spot& s, const std::string& w) {
  if (s.style == styleline || (s.style >= 105 && s.style <= 108)) return err::badgraphicstyle;
  if (s.style < 100 || s.style > 108) return err::unknownstyleword;
  const i32 code = codeofword(
      w, {{"rect", 100}, {"rectangle", 100}, {"roundRect", 101}, {"oval", 102}, {"poly", 104}, {"polygon", 104}});
  if (code < 0) return 0;
  if (code == stylepolygon) {
    if (s.style != stylepolygon) {
      Handle poly = rectpolygon(s.rect);
      if (poly == nilhandle) return err::nomemory;
      releasedata(s);
      s.data = poly;
    }
  } else {
    if (s.style == stylepolygon) releasedata(s);
    if (code == styleroundrectgraphic) {
      graphictail t = getgraphictail(s);
      t.startangle = 15;
      t.arcangle = 15;
      setgraphictail(s, t);
    }
  }
  s.style = u16(code);
  if (s.selected > 1) s.selected = 1;
  return 0;
}

i16 buttonstyle(spot& s, const std::string& w) {
  if (s.style == 208 || s.style == 224 || s.style == 227) return err::unknownstyleword;
  const i32 code = codeofword(w, {{"rect", 200},
                                  {"rectangle", 200},
                                  {"opaque", 200},
                                  {"transparent", 200},
                                  {"roundRect", 201},
                                  {"poly", 202},
                                  {"polygon", 202},
                                  {"radioButton", 203},
                                  {"checkBox", 204},
                                  {"bevel", 205},
                                  {"popupMenu", 206},
                                  {"round", 207},
                                  {"slider", 209},
                                  {"tabs", 210},
                                  {"imageWell", 211},
                                  {"disclosure", 212},
                                  {"scrollBar", 213},
                                  {"progressBar", 214},
                                  {"indeterminateBar", 215},
                                  {"relevanceBar", 216},
                                  {"littleArrows", 217},
                                  {"chasingArrows", 218},
                                  {"indeterminateRound", 218},
                                  {"disclosureTriangle", 219},
                                  {"primaryGroup", 220},
                                  {"secondaryGroup", 221},
                                  {"popupArrow", 222},
                                  {"placard", 223},
                                  {"separator", 228},
                                  {"dataBrowser", 229}});
  if (code < 0) return err::unknownstyleword;
  // The old style's control data property goes when it is empty.
  if (s.style == stylepopup || s.style == stylepopuparrow || s.style == stylebevel) killemptyprop(s, "popupData");
  if (s.style == styletabs) killemptyprop(s, "tabData");
  if (s.style == styleradio) killemptyprop(s, "radioData");
  const bool wasv4 = isplatformcontrol(s);
  if (wasv4) dumpspotcontrol(s);
  const bool classic = code == 200 || code == stylepolybutton;
  if (classic && wasv4) make3spot(s);
  filledword(s, w);
  if (code == stylepolybutton && s.style != stylepolybutton) {
    Handle poly = rectpolygon(s.rect);
    if (poly == nilhandle) return err::nomemory;
    releasedata(s);
    s.data = poly;
  } else if (s.style == stylepolybutton && code != stylepolybutton) {
    releasedata(s);
  }
  if (code == stylepopup) defineprop(s, "popupData");
  if (code == styletabs) defineprop(s, "tabData");
  s.style = u16(code);
  if (version4style(u16(code)) && !isplatformcontrol(s)) make4spot(s);
  // The style's defaults first, then the values these styles start from.
  if (code == stylebevel || code == stylecheckbox || code == styleradio) {
    controlpart c = getcontrolpart(s);
    c.currentvalue = 0;
    c.minimumvalue = 0;
    c.maximumvalue = 2;
    setcontrolpart(s, c);
    if (code == stylebevel) setBevelBtnBehavior(s, 0);
  }
  return 0;
}

// A list's text without its style runs: the tail takes the first run's font, size and face.
i16 plaintext(spot& s) {
  if (s.data == nilhandle) return 0;
  const fieldtextlayout l = measurefieldtext(s.data);
  if (!l.whole) return 0;
  fieldtail tail = fieldtextail(deref(s.data), GetHandleSize(s.data));
  tail.lineheight = -1;
  if (l.runs > 0) {
    const stylerun first = fieldtextrun(deref(s.data), 0);
    tail.font = u16(first.font);
    tail.size = u16(first.size);
    tail.face = first.face;
  }
  std::vector<u8> chars(size_t(l.textlength));
  if (l.textlength > 0) std::memcpy(chars.data(), deref(s.data) + l.textoffset, size_t(l.textlength));
  return setfieldtext(s.data, nullptr, 0, chars.data(), l.textlength, tail) == noErr ? i16(0) : i16(err::nomemory);
}

i16 fieldstyle(spot& s, const std::string& w) {
  if (s.style < stylefieldrect || s.style > stylefieldscrolllist) return err::unknownstyleword;
  const i32 code = codeofword(w, {{"rect", 300},
                                  {"rectangle", 300},
                                  {"opaque", 300},
                                  {"transparent", 300},
                                  {"shadow", 300},
                                  {"scrolling", 301},
                                  {"list", 302},
                                  {"scrollingList", 303}});
  if (code < 0) return err::unknownstyleword;
  const bool list = s.style == stylefieldlist || s.style == stylefieldscrolllist;
  if (!list && livefield(s) != 0) {
    packlivefield(s);
    releaselivefield(s);
  }
  if (list && (code == stylefieldrect || code == stylefieldscroll)) {
    if (i16 st = plaintext(s)) return st;
    clearalt(s);
  }
  dumpfield();
  if (code == stylefieldlist || code == stylefieldscrolllist) {
    if (!list) {
      if (i16 st = converttoengineonescraps(s, false)) return st;
      clearalt(s);
      s.flags &= ~spotallowobjects;
    }
  } else if (list) {
    leavelistmode(s);
  }
  if (!filledword(s, w) && w == "shadow") {
    s.showfill = 1;
    s.showpen = 1;
    whitefill(s);
    s.penwidth = 1;
    s.penheight = 1;
    bytes<8> black{};
    std::memset(&black, 0xFF, sizeof black);
    s.penpat = black;
    s.shadow = 2;
  }
  s.style = u16(code);
  return 0;
}

}  // namespace

KV_SETTER(setstyle) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  const std::string w = firstword(&value);
  disposfred(&value);
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  if (obj.kind == objwindow) {
    i16 st = 0;
    const i32 code = codeofword(w, {{"standard", 0},
                                    {"scrolling", 1},
                                    {"roundRect", 2},
                                    {"dialog", 3},
                                    {"plain", 4},
                                    {"shadow", 5},
                                    {"palette", 6},
                                    {"movable", 7},
                                    {"customWindow", 8},
                                    {"customPalette", 9},
                                    {"customDialog", 10},
                                    {"metal", 11}});
    if (mainglobals().plugin != 0) st = err::pluginproperty;
    else if (code < 0) st = err::nosuchproperty;
    desk open{};
    bool shown = false;
    if (st == 0) {
      windrec r = loadat<windrec>(deref(obj.d.wind));
      r.word2 = u16(code);
      storeat<windrec>(deref(obj.d.wind), r);
      markowner(obj);
      shown = haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid;
    }
    writeobj(&obj);
    if (st != 0 || !shown) return st;
    return rebuildwindow(open.window);
  }
  if (obj.kind != objpart) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  spot s = spotat(obj.objects, obj.objindex);
  Rect before{};
  calcspot(obj.objects, obj.objindex, &before);
  i16 st = 0;
  switch (s.kind) {
    case spotgraphic: st = graphicstyle(s, w); break;
    case spotbutton: st = buttonstyle(s, w); break;
    case spotfield: st = fieldstyle(s, w); break;
    default: st = err::unknownstyleword; break;
  }
  if (st == 0) {
    putspot(obj.objects, obj.objindex, s);
    markowner(obj);
    desk shown{};
    if (obj.d.window != nilid && getwind(obj.d.window, &shown) && shown.cardrecid == obj.d.cardrecid) {
      Rect after{};
      calcspot(obj.objects, obj.objindex, &after);
      Rect area{std::min(before.top, after.top), std::min(before.left, after.left),
                std::max(before.bottom, after.bottom), std::max(before.right, after.right)};
      drawedit(shown, &area);
      if (s.kind == spotbutton) lowflush(obj, 1);
    }
  }
  const bool field = readisfield(obj);
  writeobj(&obj);
  if (st == 0 && field) return putdownfield();
  return st;
}

}  // namespace kv
