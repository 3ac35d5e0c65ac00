// describe(object [, what [, form [, list field]]]): the parts of an object as lines of text,
// one writer per kind of line.
#include "commands/describe.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i32 kWindowLibraryRecord = 1, kMenuLibraryRecord = 2, kResourceLibraryRecord = 3;
constexpr u8 kEllipsis = 201;

// What is asked for: the first word of the second parameter.
enum class what : u8 {
  none,
  all,
  buttons,
  fields,
  graphics,
  cards,
  backgrounds,
  menus,
  windows,
  resources,
  objects,
  get,
  other
};

what whatword(const std::string& text) {
  size_t from = 0;
  while (from < text.size() && std::isspace(u8(text[from]))) ++from;
  size_t to = from;
  while (to < text.size() && !std::isspace(u8(text[to]))) ++to;
  std::string w = text.substr(from, to - from);
  for (char& c : w) c = char(std::tolower(u8(c)));
  static const struct {
    const char* word;
    what value;
  } words[] = {{"all", what::all},           {"buttons", what::buttons}, {"fields", what::fields},
               {"graphics", what::graphics}, {"cards", what::cards},     {"backgrounds", what::backgrounds},
               {"menus", what::menus},       {"windows", what::windows}, {"resources", what::resources},
               {"objects", what::objects},   {"get", what::get}};
  for (const auto& e : words)
    if (w == e.word) return e.value;
  return what::other;
}

// One line of text as the pattern makes it (names are at most 255 characters).
__attribute__((format(printf, 1, 2))) std::string format(const char* pattern, ...) {
  char buf[640];
  va_list args;
  va_start(args, pattern);
  int n = std::vsnprintf(buf, sizeof buf, pattern, args);
  va_end(args);
  return n < 0 ? std::string() : std::string(buf, size_t(std::min(n, int(sizeof buf) - 1)));
}

std::string recordname(RegistryId store, u32 recid) {
  Str255 name{};
  if (namevir(store, i32(recid), name) != 0) return {};
  return std::string(pstringview(name));
}

std::string handlename(Handle h) {
  Str255 s{};
  handtostring(h, s);
  return std::string(pstringview(s));
}

// Buttons, fields and graphics of a card's or a background's list.
void addspots(Handle list, bool cardlayer, what which, u16 form, std::string* out) {
  i32 counts[3] = {0, 0, 0};
  for (i32 i = 0, n = spotcount(list); i < n; ++i) {
    const spot s = spotat(list, i);
    if (s.kind > spotfield) continue;
    const i32 number = ++counts[s.kind];
    if (which == what::buttons && s.kind != spotbutton) continue;
    if (which == what::fields && s.kind != spotfield) continue;
    if (which == what::graphics && s.kind != spotgraphic) continue;
    const char* label = s.kind == spotbutton ? "Button" : s.kind == spotfield ? "Field" : "Graphic";
    if (form == tok::list) {
      std::string marked = label;
      if (cardlayer && s.kind == spotfield) marked = "cd Field";
      if (!cardlayer && s.kind != spotfield) marked = std::string("bg ") + label;
      *out += format("%s id %ld\r", marked.c_str(), long(s.id));
    } else {
      *out += format("%s\t%d\t%s\t%ld\r", label, int(number), handlename(Handle(s.name)).c_str(), long(s.id));
    }
  }
}

// One line of an item, menu, card of a background, window or background.
void addesciption(const char* label, long index, const std::string& name, long id, u16 form, std::string* out) {
  if (form == tok::list) *out += format("%s id %ld\r", std::strcmp(label, "Back") == 0 ? "Bkgnd" : label, id);
  else *out += format("%s\t%ld\t%s\t%ld\r", label, index, name.c_str(), id);
}

// One line of a card of a window.
void addcardesciption(long index, const std::string& name, long cardid, long backid, u16 form, std::string* out) {
  if (form == tok::list) {
    *out += format("Card id %ld\r", cardid);
  } else if (form == tok::browse || form == tok::editor) {
    std::string shown = name.empty() ? std::string("<Untitled>") : name;
    if (shown.size() > 23) shown = shown.substr(0, 23) + char(kEllipsis);
    *out += format("%-5ld %5ld %5ld  %-24s\r", index, cardid, backid, shown.c_str());
  } else {
    *out += format("Card\t%ld\t%s\t%ld\t%ld\r", index, name.c_str(), cardid, backid);
  }
}

u32 windowcards(Handle wind) { return wind == nilhandle ? 0 : loadat<windrec>(deref(wind)).cardcount; }

void windowcardlines(const objread& obj, u16 form, std::string* out) {
  const u32 total = windowcards(obj.d.wind);
  eachword(obj.d.store, obj.d.wind, 1, i32(std::min<u32>(total, INT32_MAX)), [&](i32 at, const wordentry& w) {
    addcardesciption(at, recordname(obj.d.store, w.cardrecord), long(w.cardid), long(w.backid), form, out);
    return false;
  });
}

// The backgrounds the window's cards use, once each, in the order of first use.
void addbgs(const objread& obj, u16 form, std::string* out) {
  const u32 total = windowcards(obj.d.wind);
  std::vector<u32> listed;
  u32 previous = 0;
  eachword(obj.d.store, obj.d.wind, 1, i32(std::min<u32>(total, INT32_MAX)), [&](i32, const wordentry& w) {
    if (w.backrecord == previous || std::find(listed.begin(), listed.end(), w.backrecord) != listed.end()) return false;
    previous = w.backrecord;
    listed.push_back(w.backrecord);
    addesciption("Back", long(listed.size()), recordname(obj.d.store, w.backrecord), long(w.backid), form, out);
    return false;
  });
}

void backgroundcards(const objread& obj, u16 form, std::string* out) {
  const u32 total = windowcards(obj.d.wind);
  eachword(obj.d.store, obj.d.wind, 1, i32(std::min<u32>(total, INT32_MAX)), [&](i32 at, const wordentry& w) {
    if (w.backrecord == obj.d.backrecid)
      addesciption("Card", at, recordname(obj.d.store, w.cardrecord), long(w.cardid), form, out);
    return false;
  });
}

// The entries of one of a project's libraries, each by `line`.
template <class Line>
void eachlibrary(RegistryId store, i32 record, Line&& line) {
  Handle lib = nilhandle;
  if (getvir(store, record, &lib) != 0 || lib == nilhandle) return;
  const u32 n = loadat<librec>(deref(lib)).entrycount;
  eachbook(store, lib, 1, i32(std::min<u32>(n, INT32_MAX)), [&](i32 at, const bookentry& b) {
    line(at, b);
    return false;
  });
  putvir(store, record);
}

void addmenus(RegistryId store, u16 form, std::string* out) {
  eachlibrary(store, kMenuLibraryRecord, [&](i32 at, const bookentry& b) {
    addesciption("Menu", at, recordname(store, b.recordid), long(b.word4), form, out);
  });
}

void addwindows(RegistryId store, u16 form, std::string* out) {
  eachlibrary(store, kWindowLibraryRecord, [&](i32 at, const bookentry& b) {
    addesciption("Wind", at, recordname(store, b.recordid), long(b.word4), form, out);
  });
}

void addresources(RegistryId store, std::string* out) {
  eachlibrary(store, kResourceLibraryRecord, [&](i32 at, const bookentry& b) {
    char type[5] = {char(b.word12 >> 24), char(b.word12 >> 16), char(b.word12 >> 8), char(b.word12), 0};
    *out += format("Res\t%d\t%s\t%ld\t%.4s\r", int(at), recordname(store, b.recordid).c_str(), long(b.word4), type);
  });
}

void addmenuitems(const objread& obj, u16 form, std::string* out) {
  if (obj.menu.items == nilhandle) return;
  const Size n = HandleCount<menuitem>(obj.menu.items);
  for (Size i = 0; i < n; ++i) {
    const menuitem item = HandleAs<menuitem>(obj.menu.items)[i];
    if (form == tok::list) *out += format("Item id %ld of menu id %ld\r", long(item.word2), long(obj.menu.menubook));
    else addesciption("Item", long(i + 1), handlename(Handle(item.name)), long(item.word2), form, out);
  }
}

// The lines of the object and word asked: 0, or 2 for a pair that does not go together.
i16 describeobject(const objread& obj, what which, u16 form, std::string* out) {
  switch (obj.kind) {
    case objmenu: addmenuitems(obj, form, out); return 0;
    case objcard:
    case objbackground: {
      const bool card = obj.kind == objcard;
      if (which == what::all || which == what::buttons || which == what::fields || which == what::graphics) {
        addspots(card ? obj.d.cardspots : obj.d.backspots, card, which, form, out);
        return 0;
      }
      if (!card && which == what::cards) {
        backgroundcards(obj, form, out);
        return 0;
      }
      return err::cantunderstand;
    }
    case objwindow:
      if (which == what::cards || which == what::all) windowcardlines(obj, form, out);
      if (which == what::backgrounds || which == what::all) addbgs(obj, form, out);
      return which == what::cards || which == what::backgrounds || which == what::all ? i16(0) : err::cantunderstand;
    case objproject:
      if (which == what::windows || which == what::all) addwindows(obj.d.store, form, out);
      if (which == what::menus || which == what::all) addmenus(obj.d.store, form, out);
      if (which == what::resources || which == what::all) addresources(obj.d.store, out);
      return which == what::windows || which == what::menus || which == what::resources || which == what::all
                 ? i16(0)
                 : err::cantunderstand;
    case objpart: {
      const spot s = spotat(obj.objects, obj.objindex);
      if (s.kind != spotfield) return 0;
      if (which == what::get) {
        // A list field keeps no text of its own beside its list here.
        return s.style == 302 || s.style == 303 ? i16(0) : err::notlistfield;
      }
      if ((s.style == 300 || s.style == 301) && (s.flags & spotallowobjects) != 0) {
        if (which != what::objects && which != what::all) return err::cantunderstand;
        Handle h = NewHandle(0);
        if (h == nilhandle) return err::nomemory;
        i16 st = addiotas(obj, h, form);
        if (st == 0) out->append(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h)));
        DisposeHandle(h);
        return st;
      }
      return 0;
    }
    default: return err::cantunderstand;
  }
}

}  // namespace

i16 addiotas(const objread& obj, Handle out, u16 token) {
  if (obj.objects == nilhandle || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects)) return 0;
  Handle list = NewHandle(0);
  if (list == nilhandle) return err::nomemory;
  std::string lines;
  if (embeddedobjects(spotat(obj.objects, obj.objindex), list) == noErr) {
    const Size n = HandleCount<embeddedobject>(list);
    int number = 0;
    for (Size i = 0; i < n; ++i) {
      const embeddedobject e = HandleAs<embeddedobject>(list)[i];
      if (e.kind != kEmbeddedIota) continue;
      ++number;
      std::string name(pstringview(e.name));
      while (!name.empty() && (name.back() == '\r' || name.back() == '\0')) name.pop_back();
      const char type[5] = {char(e.kind >> 24), char(e.kind >> 16), char(e.kind >> 8), char(e.kind), 0};
      if (token == tok::list) lines += format("%s id %lu\r", type, static_cast<unsigned long>(e.id));
      else if (token == tok::objects)
        lines += format("%s\t%d\t%lu\t%.*s\r", type, number, static_cast<unsigned long>(e.id), int(name.size()),
                        name.data());
      else
        lines += format("%s\t%d\t%.*s\t%lu\r", type, number, int(name.size()), name.data(),
                        static_cast<unsigned long>(e.id));
    }
  }
  DisposeHandle(list);
  if (lines.empty()) return 0;
  return PtrAndHand(lines.data(), out, Size(lines.size())) == noErr ? i16(0) : i16(err::nomemory);
}

scriptstatus fundescribe(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
  objread obj{};
  i32 used = 0;
  i32 i = h.word + 2;
  i16 st = scanobj(path, text, atoms, i, variables, &used, &obj);
  if (st == err::nosuchmenuitem) {
    // An item that is not there lists nothing; the call still ends at its ")".
    i32 depth = 0;
    for (;; ++i) {
      const u16 t = tokenat(atoms, i);
      if (t == tok::endofline || t == tok::endofscript) return err::noparen;
      if (t == tok::leftparen) ++depth;
      if (t == tok::rightparen && depth-- == 0) break;
    }
    if ((st = newfred(value, fredtemp, fredstring, 0)) == 0) *count = i + 1 - at;
    return st;
  }
  if (st != 0) return st;
  i += used;
  what which = what::none;
  u16 form = 0;
  if (tokenat(atoms, i) == tok::comma) {
    fred v;
    st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &v);
    if (st == 0) {
      Handle word = nilhandle;
      st = fredtonewh(&v, &word);
      disposfred(&v);
      if (st == 0) {
        which = whatword(std::string(reinterpret_cast<const char*>(deref(word)), size_t(GetHandleSize(word))));
        DisposeHandle(word);
      }
      i += 1 + used;
    }
    if (st == 0 && tokenat(atoms, i) == tok::comma) {
      form = tokenat(atoms, i + 1);
      i += 2;
    }
  }
  if (st == 0 && form == tok::browse) {
    if (tokenat(atoms, i) != tok::comma) {
      st = err::nocomma;
    } else {
      objread listfield{};
      st = scanobj(path, text, atoms, i + 1, variables, &used, &listfield);
      if (st == 0) {
        i += 1 + used;
        const bool islist = listfield.kind == objpart &&
                            spotat(listfield.objects, listfield.objindex).kind == spotfield &&
                            (spotat(listfield.objects, listfield.objindex).style == 302 ||
                             spotat(listfield.objects, listfield.objindex).style == 303);
        writeobj(&listfield);
        if (!islist) st = err::notlistfield;
        else if (which != what::cards) st = err::cantunderstand;
      }
    }
  }
  if (st == 0 && tokenat(atoms, i) != tok::rightparen) st = err::noparen;
  std::string out;
  if (st == 0) st = describeobject(obj, which, form, &out);
  writeobj(&obj);
  if (st == 0) st = charstonewfred(out.data(), Size(out.size()), value);
  if (st == 0) *count = i + 1 - at;
  return st;
}

}  // namespace kv
