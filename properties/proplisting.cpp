// `the properties of <object>`: the built-in properties of a menu item, menu, button, field,
// graphic, card, background, window or project with their values, one "word,value" line each.
#include "properties/proplisting.h"

#include <string>

#include "engine/fred.h"
#include "engine/lookups.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/propfront.h"
#include "properties/valuewords.h"
#include "render/controloptions.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/reftexts.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr u32 kVersion4Bit = 1u << 21;

bool bit(u32 flags, int n) { return (flags >> n) & 1u; }

std::string handletext(Handle h, Size limit = 255) {
  if (h == nilhandle) return {};
  const Size n = std::min(GetHandleSize(h), limit);
  return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(std::max<Size>(n, 0)));
}

std::string pstr(ConstStringPtr s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

}  // namespace

void listing::line(std::string_view word, std::string_view value) {
  text.append(word);
  text.push_back(',');
  text.append(value);
  text.push_back('\r');
}

void listing::boolean(std::string_view word, bool value) { line(word, value ? "true" : "false"); }
void listing::number(std::string_view word, i64 value) { line(word, std::to_string(value)); }
void listing::point(std::string_view word, i32 h, i32 v) { line(word, std::to_string(h) + "," + std::to_string(v)); }
void listing::rect(std::string_view word, const Rect& r) {
  line(word, std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                 std::to_string(r.bottom));
}
void listing::empty(std::string_view word) {
  text.append(word);
  text.append(",\r");
}
void listing::endnoreturn() {
  if (!text.empty() && text.back() == '\r') text.pop_back();
}
i16 listing::result(fred* value) const { return charstonewfred(text.data(), Size(text.size()), value); }

namespace {

// The rectangle words a listing shares, each in its alphabetical place: the caller writes the
// words it needs by name.
struct rectwords {
  Rect r;
  i32 width() const { return r.right - r.left; }
  i32 height() const { return r.bottom - r.top; }
  i32 loch() const { return (r.left + r.right) >> 1; }
  i32 locv() const { return (r.top + r.bottom) >> 1; }
};

}  // namespace

i16 patternindex(const u8 (&pattern)[8]) {
  Handle list = nilhandle;
  if (Handle head = mainglobals().current.head; head != nilhandle) list = loadat<headrec>(deref(head)).patterns;
  if (list == nilhandle || GetHandleSize(list) < 2) return 0;
  u16 count = 0;
  std::memcpy(&count, deref(list), 2);
  const i32 n = std::min<i32>(std::min<i32>(count, 63), i32((GetHandleSize(list) - 2) / 8));
  Pattern mine{};
  std::memcpy(mine.pat, pattern, 8);
  for (i32 i = 0; i < n; ++i) {
    Pattern p{};
    Pattern stored{};
    std::memcpy(stored.pat, deref(list) + 2 + i * 8, 8);
    copypat(&stored, &p);
    if (compat(&p, &mine)) return i16(i + 1);
  }
  return 0;
}

i16 objectnumber(Handle list, i32 index, i32* number) {
  const spot me = spotat(list, index);
  i32 n = 0;
  for (i32 i = 0, count = spotcount(list); i < count; ++i) {
    const spot s = spotat(list, i);
    if (s.kind != me.kind) continue;
    ++n;
    if (s.id == me.id) {
      *number = n;
      return 0;
    }
  }
  return err::notext;
}

namespace {

u8 (&patof(bytes<8>& b))[8] { return b.b; }

// The colour and pattern lines of fill or pen.
void colours(listing& l, const spot& s, bool fill) {
  bytes<8> pat = fill ? s.fillpat : s.penpat;
  if (fill) {
    l.number("fillBack", i32(s.fillback) + 1);
    l.number("fillFore", i32(s.fillfore) + 1);
    l.number("fillPat", patternindex(patof(pat)));
  } else {
    l.number("penBack", i32(s.penback) + 1);
    l.number("penFore", i32(s.penfore) + 1);
  }
}

void penlines(listing& l, const spot& s) {
  colours(l, s, false);
  l.number("penHeight", s.penheight);
  bytes<8> pat = s.penpat;
  l.number("penPat", patternindex(patof(pat)));
  l.number("penWidth", s.penwidth);
}

const char* sizeword(const spot& s, i16 v) {
  if (s.style == 214 || s.style == 215) return v == 0 || v == 1 ? "small" : v == 2 ? "large" : "unknown";
  return v == 0 ? "large" : v == 1 ? "small" : v == 2 ? "large" : "unknown";
}

const char* orientationword(u16 style, i16 v) {
  static constexpr const char* slider[] = {"downRight", "upLeft", "neutral"};
  static constexpr const char* tabs[] = {"north", "south", "east", "west"};
  static constexpr const char* arrows[] = {"east", "west", "north", "south"};
  if (style == 209) return v >= 0 && v < 3 ? slider[v] : "unknown";
  if (style == 210) return v >= 0 && v < 4 ? tabs[v] : "unknown";
  return v >= 0 && v < 4 ? arrows[v] : "unknown";
}

const char* contentword(i16 v) {
  static constexpr const char* words[] = {"typeNone", "typeIconSuite", "typeCICN",
                                          "typePICT", "typeICON",      "typeIconFamily"};
  return v >= 0 && v < 6 ? words[v] : "unknown";
}

const char* behaviourword(i16 v) {
  switch (v) {
    case 0: return "pushButton";
    case 256: return "toggleButton";
    case 512: return "stickyButton";
    case 1024: return "popupButton";
    default: return "unknown";
  }
}

const char* bevelword(i16 v) {
  static constexpr const char* words[] = {"small", "medium", "large", "rounded"};
  return v >= 0 && v < 4 ? words[v] : "unknown";
}

// The point text of a polygon as `buildpts` writes it.
i16 polygontext(Handle data, std::string* out) {
  fred v;
  if (i16 st = buildpts(data, &v)) return st;
  const Size n = getfredsize(&v);
  out->assign(reinterpret_cast<const char*>(fredaddr(&v)), std::size_t(std::max<Size>(n, 0)));
  disposfred(&v);
  return 0;
}

std::string styleword(u16 style, i16* st) {
  Str255 s{};
  *st = spotstylestring(style, s);
  return pstr(s);
}

i16 buttonlisting(const objread& obj, listing& l) {
  const spot s = spotat(obj.objects, obj.objindex);
  const u32 f = s.flags;
  const bool control = (f & kVersion4Bit) != 0;
  const controlpart cp = getcontrolpart(s);
  const rectwords r{s.rect};
  i16 st = 0;
  const std::string style = styleword(s.style, &st);
  if (st != 0) return err::nosuchproperty;
  i32 number = 0;
  if ((st = objectnumber(obj.objects, obj.objindex, &number))) return st;
  l.boolean("allowDrag", bit(f, 16));
  l.boolean("allowDrop", bit(f, 17));
  if (control && s.style == 222) {
    const i16 v = getTabOrArrowOrBtnSize(s);
    l.line("arrowSize", v == 0 ? "large" : v == 1 ? "small" : "unknown");
  }
  if (control) l.boolean("autoBackground", bit(f, 24));
  l.boolean("autoDim", bit(f, 27));
  l.boolean("autoHilite", bit(f, 2));
  l.boolean("autoWidth", bit(f, 10));
  if (control && s.style == 205) {
    l.line("behavior", behaviourword(getBevelBtnBehavior(s)));
    l.line("bevelStyle", bevelword(getBevelStyle(s)));
  }
  l.point("botRight", s.rect.right, s.rect.bottom);
  l.number("bottom", s.rect.bottom);
  if (control && hasize(s)) l.line("buttonSize", sizeword(s, getTabOrArrowOrBtnSize(s)));
  if (hascontentype(s)) l.line("contentType", contentword(getContentType(s)));
  if (control) l.number("currentValue", cp.currentvalue);
  l.boolean("default", bit(f, 9));
  l.boolean("disabled", bit(f, 7));
  if (!control) colours(l, s, true);
  l.boolean("focusHilite", bit(f, 28));
  l.number("height", r.height());
  l.boolean("hilite", bit(f, 6));
  if (s.style != 203 && s.style != 204) l.number("icon", i32(getbuttontail(s).icon));
  l.number("id", s.id);
  l.line("kind", "button");
  l.number("left", s.rect.left);
  l.point("location", r.loch(), r.locv());
  l.boolean("locked", bit(f, 12));
  if (control) {
    l.number("maximumValue", cp.maximumvalue);
    l.number("minimumValue", cp.minimumvalue);
  }
  if (s.style == 203 || s.style == 204) l.boolean("mixedValue", bit(f, 18));
  l.line("name", handletext(s.name));
  l.number("number", number);
  if (control && s.style == 205) l.boolean("offsetContents", getBevelButtonOffsetContent(s) != 0);
  l.number("part", obj.objindex + 1);
  if (control && (s.style == 209 || s.style == 210 || s.style == 222))
    l.line("orientation", orientationword(s.style, getOrientation(s)));
  if (!control) penlines(l, s);
  if (s.style == stylepolybutton) {
    std::string pts;
    if ((st = polygontext(s.data, &pts))) return st;
    l.line("points", pts);
  }
  l.boolean("popArrow", bit(f, 15));
  l.rect("rect", s.rect);
  l.number("right", s.rect.right);
  l.number("shadow", s.shadow);
  if (obj.objects == obj.d.backspots) l.boolean("sharedHilite", !bit(f, 23));
  l.number("showfill", s.showfill);
  l.boolean("showName", bit(f, 1));
  l.line("style", style);
  l.number("showpen", s.showpen);
  if (control && s.style == 210) {
    const i16 v = getTabOrArrowOrBtnSize(s);
    l.line("tabSize", v == 0 ? "large" : v == 1 ? "small" : "unknown");
  }
  if (control && s.style == 209) l.number("tickMarks", cp.tickmarks);
  l.number("top", s.rect.top);
  l.point("topLeft", s.rect.left, s.rect.top);
  if (control && s.style == 213) l.number("viewSize", cp.viewsize);
  l.boolean("visible", bit(f, 0));
  l.number("width", r.width());
  return 0;
}

}  // namespace

i16 GetGraphicProps(const objread& obj, listing& l) {
  const spot s = spotat(obj.objects, obj.objindex);
  const u32 f = s.flags;
  const graphictail t = getgraphictail(s);
  const rectwords r{s.rect};
  i16 st = 0;
  const std::string style = styleword(s.style, &st);
  if (st != 0) return err::nosuchproperty;
  i32 number = 0;
  if ((st = objectnumber(obj.objects, obj.objindex, &number))) return st;
  const bool pictures = s.style == 100 || s.style == 101 || s.style == 102 || s.style == 104 || s.style == 106 ||
                        s.style == 107;
  l.boolean("allowDrag", bit(f, 16));
  l.boolean("allowDrop", bit(f, 17));
  if (s.style == 107) l.number("arcAngle", i16(t.arcangle));
  l.boolean("autoDim", bit(f, 27));
  l.point("botRight", s.rect.right, s.rect.bottom);
  l.number("bottom", s.rect.bottom);
  const bool hasalt = s.alt != nilhandle;
  l.boolean("clickThrough", hasalt && GetClickThrough(s.alt));
  l.number("clickThroughLevel", hasalt ? GetClickThroughThreshold(s.alt) : 0);
  colours(l, s, true);
  l.boolean("focusHilite", bit(f, 28));
  l.number("height", r.height());
  l.number("id", s.id);
  fred ink;
  if (modetofred(i16(s.ink), false, &ink) == 0) {
    const Size n = getfredsize(&ink);
    l.line("ink", std::string_view(reinterpret_cast<const char*>(fredaddr(&ink)), std::size_t(std::max<Size>(n, 0))));
    disposfred(&ink);
  } else {
    l.line("ink", "unknown");
  }
  l.line("kind", "graphic");
  l.number("left", s.rect.left);
  l.point("location", r.loch(), r.locv());
  l.boolean("locked", bit(f, 12));
  l.line("name", handletext(s.name));
  l.number("number", number);
  l.number("part", obj.objindex + 1);
  penlines(l, s);
  if (pictures) l.boolean("pictureData", hasalt);
  if (s.style == 103) {
    l.line("points", std::to_string(t.point1.h) + "," + std::to_string(t.point1.v) + "," + std::to_string(t.point2.h) +
                         "," + std::to_string(t.point2.v));
  } else if (s.style == stylepolygon) {
    std::string pts;
    if ((st = polygontext(s.data, &pts))) return st;
    l.line("points", pts);
  }
  l.rect("rect", s.rect);
  l.number("right", s.rect.right);
  l.number("showfill", s.showfill);
  l.number("showpen", s.showpen);
  if (s.style == 107) l.number("startAngle", i16(t.startangle));
  l.line("style", style);
  l.number("themeFill", s.themefill);
  l.number("themePen", s.themepen);
  l.number("top", s.rect.top);
  l.point("topLeft", s.rect.left, s.rect.top);
  l.boolean("visible", bit(f, 0));
  l.number("width", r.width());
  l.endnoreturn();
  return 0;
}

i16 GetFieldProps(const objread& obj, listing& l) {
  const spot s = spotat(obj.objects, obj.objindex);
  const u32 f = s.flags;
  const rectwords r{s.rect};
  i16 st = 0;
  const std::string style = styleword(s.style, &st);
  if (st != 0) return err::nosuchproperty;
  i32 number = 0;
  if ((st = objectnumber(obj.objects, obj.objindex, &number))) return st;
  const bool list = islist(s);
  l.boolean("allowDrag", bit(f, 16));
  l.boolean("allowDrop", bit(f, 17));
  if (!list) {
    l.boolean("allowObjects", bit(f, 26));
    l.boolean("allowTabs", bit(f, 22));
  }
  l.boolean("autoDim", bit(f, 27));
  if (!list) l.boolean("autoTab", bit(f, 8));
  l.point("botRight", s.rect.right, s.rect.bottom);
  l.number("bottom", s.rect.bottom);
  if (list) {
    colours(l, s, true);
  } else {
    l.boolean("dontSearch", bit(f, 14));
    l.boolean("dontWrap", bit(f, 11));
  }
  l.boolean("focusHilite", bit(f, 28));
  l.number("height", r.height());
  l.number("id", s.id);
  l.line("kind", "field");
  l.number("left", s.rect.left);
  if (list) {
    Str255 words{};
    liststylenames(getfieldkindtail(s).liststyle, words);
    l.line("listStyle", pstr(words));
  }
  l.point("location", r.loch(), r.locv());
  l.boolean("locked", bit(f, 12));
  if (!list) l.boolean("lockText", bit(f, 3));
  l.line("name", handletext(s.name));
  l.number("number", number);
  l.number("part", obj.objindex + 1);
  if (list) penlines(l, s);
  l.rect("rect", s.rect);
  l.number("right", s.rect.right);
  l.number("shadow", s.shadow);
  l.number("showFill", s.showfill);
  l.boolean("showFrame", bit(f, 25));
  if (!list) l.boolean("showLines", bit(f, 4));
  l.number("showPen", s.showpen);
  if (!list) l.boolean("showRuler", (s.textflags >> 1) & 1);
  l.line("style", style);
  if (!list) l.number("tabSize", s.tabsize);
  l.number("top", s.rect.top);
  l.point("topLeft", s.rect.left, s.rect.top);
  l.boolean("visible", bit(f, 0));
  if (!list) l.boolean("wideMargins", bit(f, 5));
  l.number("width", r.width());
  return 0;
}

namespace {

void itemlisting(const objread& obj, listing& l) {
  const menuitem m = HandleAs<menuitem>(obj.menu.items)[obj.itemindex];
  const u32 f = m.flags;
  l.boolean("checkMark", bit(f, 2));
  l.line("commandChar", std::string(1, char(m.word0 & 0xFF)));
  std::string mods;
  for (auto [n, word] : {std::pair{8, "shiftKey"}, std::pair{9, "optionKey"}, std::pair{10, "contrllKey"}}) {
    if (!bit(f, n)) continue;
    if (!mods.empty()) mods.push_back(',');
    mods += word;
  }
  l.line("commandModifiers", mods);
  l.boolean("disabled", bit(f, 0));
  l.boolean("divideLine", bit(f, 1));
  l.number("id", m.word2);
  l.line("name", handletext(m.name));
  l.number("number", obj.itemindex + 1);
  Str255 style{};
  stylelist(u16((f >> 3) & 0x1F), style);
  l.line("textStyle", pstr(style));
}

void menulisting(const objread& obj, listing& l) {
  const menurec m = loadat<menurec>(deref(obj.menu.menu));
  l.boolean("disabled", bit(m.flags, 0));
  l.number("id", obj.menu.menubook);
  l.line("name", handletext(m.name));
  l.number("number", obj.menu.menunum);
  l.boolean("visible", obj.held != 0 && obj.menu.placement >= 5);
  l.endnoreturn();
}

void cardlisting(const objread& obj, listing& l) {
  const cardrec c = loadat<cardrec>(deref(obj.d.card));
  l.boolean("cantDelete", bit(c.flags, 0));
  l.number("clut", c.word16);
  l.number("id", obj.d.cardid);
  l.line("name", handletext(c.name));
  l.number("number", obj.d.cardnum);
  Str255 owner{};
  buildbackid(obj, tok::long_, owner);
  l.line("owner", pstr(owner));
  l.endnoreturn();
}

i16 backlisting(const objread& obj, listing& l) {
  const backrec b = loadat<backrec>(deref(obj.d.back));
  u32 number = 0;
  if (i16 st = backidtobacknum(obj.d.store, obj.d.wind, obj.d.backrecid, &number)) return st;
  l.boolean("autoResize", bit(b.word2, 1));
  l.point("backSize", b.width, b.height);
  l.boolean("cantDelete", bit(b.word2, 0));
  l.number("clut", b.word16);
  l.number("height", b.height);
  l.number("id", obj.d.backid);
  l.line("name", handletext(b.name));
  l.number("number", number);
  l.number("width", b.width);
  return 0;
}

std::string themeword(i16 v) {
  static constexpr const char* words[] = {"default",        "documentWindow", "dialogWindow",
                                          "alertWindow",    "utilityWindow",  "finderWindow",
                                          "listBackground", "listSortColumn", "modelessDialogWindow"};
  if (v >= 0 && v <= 8) return words[v];
  if (v > 255) return std::to_string(i8(u16(v) >> 8));
  return "unknown";
}

const char* titlebarword(u32 flags) {
  const bool b5 = bit(flags, 5), b4 = bit(flags, 4);
  return b5 ? (b4 ? "invisible" : "none") : (b4 ? "left" : "top");
}

i16 windowlisting(const objread& obj, listing& l) {
  if (mainglobals().plugin != 0) return err::pluginproperty;
  const windrec w = loadat<windrec>(deref(obj.d.wind));
  const u32 f = w.flags;
  const rectwords r{w.rect1};
  const WindowRef window = obj.d.window;
  const bool open = window != nilid;
  desk shown{};
  const bool edits = open && getwind(window, &shown) != 0 && shown.backlayer != 0;
  l.boolean("autoCenter", bit(f, 6));
  l.point("botRight", w.rect1.right, w.rect1.bottom);
  l.number("bottom", w.rect1.bottom);
  l.boolean("closeBox", bit(f, 0));
  l.boolean("collapseBox", !bit(f, 9));
  l.boolean("collapsed", open && IsWindowCollapsed(window));
  l.boolean("doLimitWindow", bit(f, 14));
  l.boolean("draggable", bit(f, 3));
  l.boolean("editBackground", edits);
  l.number("height", r.height());
  l.number("hiliteColor", open ? shown.hilitecolor : obj.d.hilitecolor);
  l.number("id", obj.d.windbook);
  l.boolean("inWindowMenu", !bit(f, 8));
  l.number("left", w.rect1.left);
  l.boolean("liveResize", bit(f, 13));
  l.boolean("localOpacity", !bit(f, 16));
  l.point("location", r.loch(), r.locv());
  l.boolean("lockScreen", open && GetPortPenVisibility(GetWindowPort(window)) != 0);
  // The platform window keeps no modified mark this listing could read.
  l.boolean("modified", false);
  l.line("name", handletext(w.name));
  l.number("number", obj.d.windnum);
  l.number("opacity", u16(100 - w.translucency));
  l.rect("rect", w.rect1);
  l.boolean("resizable", bit(f, 2));
  l.number("right", w.rect1.right);
  i16 h = 0, v = 0;
  if (open) {
    if (shown.hscroll != nilid) h = GetControlValue(shown.hscroll);
    if (shown.vscroll != nilid) v = GetControlValue(shown.vscroll);
  }
  l.point("scroll", h, v);
  l.boolean("shadow", !bit(f, 15));
  l.boolean("showInvisibles", bit(f, 7));
  l.line("style", windowstyleword(w.word2));
  l.line("themeBackground", themeword(i16(w.themeback)));
  l.line("titleBar", titlebarword(f));
  Str255 tool{};
  lowtooltotext(i16(open ? shown.tool : obj.d.tool), tool);
  l.line("tool", pstr(tool));
  l.number("top", w.rect1.top);
  l.point("topLeft", w.rect1.left, w.rect1.top);
  l.boolean("visible", open && IsWindowVisible(window));
  l.number("width", r.width());
  l.point("windowSize", r.width(), r.height());
  l.boolean("zoomBox", bit(f, 1));
  l.endnoreturn();
  return 0;
}

void projectlisting(const objread& obj, listing& l) {
  const projectstore* store = findprojectstore(obj.d.store);
  l.boolean("cantModify", islocked(obj.d.store) != 0);
  l.number("freeSize", store ? store->header.freebytes : 0);
  Str255 name{};
  buildfilename(obj.d.store, tok::short_, name);
  l.line("name", pstr(name));
  l.number("size", store ? store->header.endofdata : 0);
  l.endnoreturn();
}

}  // namespace

KV_GETTER(proprops) {
  propctx c{path, text, atoms, variables, locals};
  objread obj{};
  if (i16 st = getterfront(c, at, count, &obj)) return st;
  listing l;
  i16 st = 0;
  switch (obj.kind) {
    case objitem: itemlisting(obj, l); break;
    case objmenu: menulisting(obj, l); break;
    case objcard: cardlisting(obj, l); break;
    case objbackground: st = backlisting(obj, l); break;
    case objwindow: st = windowlisting(obj, l); break;
    case objproject: projectlisting(obj, l); break;
    case objpart: {
      const spot s = spotat(obj.objects, obj.objindex);
      switch (s.kind) {
        case spotbutton: st = buttonlisting(obj, l); break;
        case spotfield: st = GetFieldProps(obj, l); break;
        case spotgraphic: st = GetGraphicProps(obj, l); break;
        default: break;  // an object of another kind lists nothing: the empty text
      }
      break;
    }
    default: st = err::nosuchproperty; break;
  }
  writeobj(&obj);
  if (st != 0) return st;
  return l.result(value) == 0 ? i16(0) : err::nomemory;
}

}  // namespace kv
