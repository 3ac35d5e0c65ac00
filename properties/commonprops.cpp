// `commonProps(<window>)` (`commonProperties`): the built-in properties that the objects selected
// in a window's current layer share, listed with their value when every selected object has
// the same one, with no value when they differ; properties that do not apply to every kind
// among the selected objects are left out.
#include <functional>
#include <string>
#include <vector>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "properties/propfront.h"
#include "properties/proplisting.h"
#include "properties/valuewords.h"
#include "render/controloptions.h"
#include "shell/windtable.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr u16 kindbutton = 1, kindfield = 2, kindgraphic = 4;
constexpr u16 kUniversalTool = 600;

bool bit(u32 flags, int n) { return (flags >> n) & 1u; }

// The work of one call: the selected objects in list order, the kinds among them and the
// listing.
struct work {
  std::vector<spot> sel;
  u16 group = 0;
  bool editsback = false;
  listing text;

  bool all() const { return group != 0; }
  bool only(u16 kinds) const { return group == kinds; }

  // Every selected object is of one of these styles.
  bool allstyles(std::initializer_list<u16> styles) const {
    for (const spot& s : sel)
      if (std::find(styles.begin(), styles.end(), s.style) == styles.end()) return false;
    return true;
  }

  // Whether every selected object gives the first one's value.
  template <class F>
  bool same(F value) const {
    const auto first = value(sel.front());
    for (std::size_t i = 1; i < sel.size(); ++i)
      if (!(value(sel[i]) == first)) return false;
    return true;
  }

  template <class F>
  void addnum(const char* word, F value) {
    if (same(value)) text.number(word, i64(value(sel.front())));
    else text.empty(word);
  }
  template <class F>
  void addbool(const char* word, F value) {
    if (same(value)) text.boolean(word, bool(value(sel.front())));
    else text.empty(word);
  }
  void addflag(const char* word, int n) {
    addbool(word, [n](const spot& s) { return bit(s.flags, n); });
  }
  // A word written for a code: the first object's word when every code is the same.
  void addword(const char* word, u16 (*code)(const spot&), i16 (*words)(u16, StringPtr)) {
    if (!same(code)) {
      text.empty(word);
      return;
    }
    Str255 s{};
    if (words(code(sel.front()), s) == 0) text.line(word, std::string(reinterpret_cast<const char*>(s + 1), s[0]));
    else text.empty(word);
  }
};

u16 kindof(const spot& s) { return s.kind; }
u16 styleof(const spot& s) { return s.style; }

u8 (&patof(bytes<8>& b))[8] { return b.b; }
i16 fillpattern(const spot& s) {
  bytes<8> p = s.fillpat;
  return patternindex(patof(p));
}
i16 penpattern(const spot& s) {
  bytes<8> p = s.penpat;
  return patternindex(patof(p));
}

// The ink line: graphics only, by the mode word of their common ink.
void doink(work& w) {
  if (!w.same([](const spot& s) { return s.ink; })) {
    w.text.empty("ink");
    return;
  }
  fred v;
  std::string word = "unknown";
  if (modetofred(i16(w.sel.front().ink), false, &v) == 0) {
    word.assign(reinterpret_cast<const char*>(fredaddr(&v)), std::size_t(std::max<Size>(getfredsize(&v), 0)));
    disposfred(&v);
  }
  w.text.line("ink", word);
}

// The point text of a line, polygon graphic or polygon button; false when it cannot be made.
bool pointtext(const spot& s, std::string* out) {
  fred v;
  if (s.kind == spotgraphic && s.style == 103) {
    const graphictail t = getgraphictail(s);
    if (rectonewfred(Rect{t.point1.v, t.point1.h, t.point2.v, t.point2.h}, &v) != 0) return false;
  } else if (buildpts(s.data, &v) != 0) {
    return false;
  }
  out->assign(reinterpret_cast<const char*>(fredaddr(&v)), std::size_t(std::max<Size>(getfredsize(&v), 0)));
  disposfred(&v);
  return true;
}

// The points line: every selected object a line, a polygon graphic or a polygon button.
void dopoints(work& w) {
  std::vector<std::string> texts;
  for (const spot& s : w.sel) {
    const bool shape = (s.kind == spotgraphic && (s.style == 103 || s.style == stylepolygon)) ||
                       (s.kind == spotbutton && s.style == stylepolybutton);
    std::string t;
    if (!shape || !pointtext(s, &t)) return;
    texts.push_back(std::move(t));
  }
  bool same = true;
  for (std::size_t i = 1; i < texts.size(); ++i) same = same && texts[i] == texts[0];
  w.text.line("points", same ? texts[0] : std::string());
}

// The listStyle line: the list-style words the selected fields share.
void doliststyle(work& w) {
  const auto word = [](const spot& s) { return getfieldkindtail(s).liststyle; };
  if (!w.same(word)) {
    w.text.empty("listStyle");
    return;
  }
  Str255 s{};
  liststylenames(word(w.sel.front()), s);
  w.text.line("listStyle", std::string(reinterpret_cast<const char*>(s + 1), s[0]));
}

void listcommon(work& w) {
  const bool buttons = w.only(kindbutton), fields = w.only(kindfield), graphics = w.only(kindgraphic);
  const auto rect = [](i16 Rect::*side) { return [side](const spot& s) { return s.rect.*side; }; };
  w.addflag("allowDrag", 16);
  w.addflag("allowDrop", 17);
  if (fields) {
    w.addflag("allowObjects", 26);
    w.addflag("allowTabs", 22);
  }
  if (graphics && w.allstyles({107}))
    w.addnum("arcAngle", [](const spot& s) { return i16(getgraphictail(s).arcangle); });
  if (buttons) w.addflag("autoBackground", 24);
  w.addflag("autoDim", 27);
  if (buttons) w.addflag("autoHilite", 2);
  if (fields) w.addflag("autoTab", 8);
  if (buttons) w.addflag("autoWidth", 10);
  w.addnum("bottom", rect(&Rect::bottom));
  if (buttons) {
    w.addflag("default", 9);
    w.addflag("disabled", 7);
  }
  if (fields) {
    w.addflag("dontSearch", 14);
    w.addflag("dontWrap", 11);
  }
  w.addnum("fillBack", [](const spot& s) { return i32(s.fillback) + 1; });
  w.addnum("fillFore", [](const spot& s) { return i32(s.fillfore) + 1; });
  w.addnum("fillPat", fillpattern);
  w.addflag("focusHilite", 28);
  w.addnum("height", [](const spot& s) { return s.rect.bottom - s.rect.top; });
  if (buttons) {
    w.addflag("hilite", 6);
    w.addnum("icon", [](const spot& s) { return i64(getbuttontail(s).icon); });
  }
  if (graphics) doink(w);
  w.addword("kind", kindof, spotkindstring);
  w.addnum("left", rect(&Rect::left));
  if (fields) doliststyle(w);
  w.addflag("locked", 12);
  if (fields) w.addflag("lockText", 3);
  if (buttons) {
    w.addbool("mixedValue", [](const spot& s) { return (s.style == 203 || s.style == 204) && bit(s.flags, 18); });
    w.addbool("offsetContents", [](const spot& s) { return s.style == 205 && getBevelButtonOffsetContent(s) != 0; });
  }
  w.addnum("penBack", [](const spot& s) { return i32(s.penback) + 1; });
  w.addnum("penFore", [](const spot& s) { return i32(s.penfore) + 1; });
  w.addnum("penHeight", [](const spot& s) { return s.penheight; });
  w.addnum("penPat", penpattern);
  w.addnum("penWidth", [](const spot& s) { return s.penwidth; });
  if (graphics) {
    w.addbool("pictureData", [](const spot& s) {
      const bool pictures = s.style == 100 || s.style == 101 || s.style == 102 || s.style == 104 || s.style == 106 ||
                            s.style == 107;
      return pictures && s.alt != nilhandle;
    });
  }
  if (!(w.group & kindfield)) dopoints(w);
  if (buttons) w.addflag("popArrow", 15);
  w.addnum("right", rect(&Rect::right));
  if (graphics && w.allstyles({101})) {
    w.addnum("roundHeight", [](const spot& s) { return i16(getgraphictail(s).arcangle); });
    w.addnum("roundWidth", [](const spot& s) { return i16(getgraphictail(s).startangle); });
  }
  if (fields && w.allstyles({stylefieldscroll, stylefieldscrolllist})) {
    w.addnum("scroll", [](const spot& s) {
      const i32 v = getfieldscroll(s);
      return s.style == stylefieldscrolllist ? i32(i16(v)) : v;
    });
  }
  if (!(w.group & kindgraphic)) w.addnum("shadow", [](const spot& s) { return s.shadow; });
  if (buttons && w.editsback) w.addbool("sharedHilite", [](const spot& s) { return !bit(s.flags, 23); });
  w.addbool("showFill", [](const spot& s) { return s.showfill != 0; });
  if (fields) {
    w.addflag("showFrame", 25);
    w.addflag("showLines", 4);
  }
  if (buttons) w.addflag("showName", 1);
  w.addbool("showPen", [](const spot& s) { return s.showpen != 0; });
  if (fields) w.addbool("showRuler", [](const spot& s) { return (s.textflags >> 1) & 1; });
  if (graphics && w.allstyles({107}))
    w.addnum("startAngle", [](const spot& s) { return i16(getgraphictail(s).startangle); });
  w.addword("style", styleof, spotstylestring);
  if (graphics) {
    w.addnum("themeFill", [](const spot& s) { return i8(s.themefill); });
    w.addnum("themePen", [](const spot& s) { return i8(s.themepen); });
  }
  w.addnum("top", rect(&Rect::top));
  w.addnum("width", [](const spot& s) { return s.rect.right - s.rect.left; });
  if (fields) w.addflag("wideMargins", 5);
  w.addflag("visible", 0);
}

void takeselected(Handle list, work& w) {
  for (i32 i = 0, n = spotcount(list); i < n; ++i) {
    const spot s = spotat(list, i);
    if (s.selected == 0) continue;
    w.sel.push_back(s);
    w.group = u16(w.group | (s.kind == spotbutton ? kindbutton : s.kind == spotfield ? kindfield : kindgraphic));
  }
}

}  // namespace

scriptstatus funcommon(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  propctx c{path, text, atoms, variables, nilhandle};
  *count = 0;
  i32 ref = 0;
  bool paren = false;
  if (!isthe(c, at)) {
    if (c.tok(at + 1) != tok::in && c.tok(at + 1) != tok::leftparen) return err::noparens;
    paren = c.tok(at + 1) == tok::leftparen;
    ref = at + 2;
  } else {
    if (c.tok(at + 2) != tok::in) return err::noof;
    ref = at + 3;
  }
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, ref, variables, &used, &obj)) return st;
  i32 end = ref + used;
  if (paren) {
    if (c.tok(end) != tok::rightparen) {
      writeobj(&obj);
      return err::noparen;
    }
    ++end;
  }
  if (obj.kind != objwindow) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  work w;
  desk shown{};
  const bool open = obj.d.window != nilid && getwind(obj.d.window, &shown) != 0;
  const desk& d = open ? shown : obj.d;
  w.editsback = d.backlayer != 0;
  if (open && d.tool == kUniversalTool) {
    takeselected(d.backspots, w);
    takeselected(d.cardspots, w);
  } else {
    takeselected(w.editsback ? d.backspots : d.cardspots, w);
  }
  writeobj(&obj);
  if (w.group != 0) listcommon(w);
  if (w.text.result(value) != 0) return err::nomemory;
  *count = end - at;
  return 0;
}

}  // namespace kv
