// Reference texts by id and by name. The pieces are put together in a text of any length and
// cut to 255 characters once, when the text is handed out.
#include "store/reftexts.h"

#include <string>
#include <string_view>

#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr std::size_t kTextLimit = 255;

// How the project part of a long text is written.
enum class projectas {
  path,      // the full path, unless it would not fit
  filename,  // the file name
  readback,  // the full path, unless it holds a double quote or would not fit
};

// A text being built, and the form asked for.
struct builder {
  std::string s;
  u16 form;
  projectas project;

  bool isshort() const { return form == tok::short_; }
  bool isabbr() const { return form == tok::abbr; }
  // Every form but short and abbreviated names the owners.
  bool islong() const { return !isshort() && !isabbr(); }
  void add(std::string_view piece) { s += piece; }
  void addnumber(u32 n) { s += std::to_string(n); }
  void addquoted(std::string_view name) {
    s += '"';
    s += name;
    s += '"';
  }
};

projectas projectform(u16 form) {
  return form == tok::short_ || form == tok::long_ || form == tok::abbr ? projectas::path : projectas::filename;
}

builder start(ConstStringPtr out, u16 form) { return builder{std::string(pstringview(out)), form, projectform(form)}; }

void finish(const builder& b, StringPtr out) {
  std::string_view all(b.s);
  pstrassign(out, 256, all.data(), std::min(all.size(), kTextLimit));
}

// The name kept in a name handle: at most 255 bytes without trailing zero bytes; empty for none.
std::string nameof(Handle h) {
  Str255 s{};
  handtostring(h, s);
  return std::string(pstringview(s));
}

template <class R>
std::string recordname(Handle record) {
  if (record == nilhandle || GetHandleSize(record) < Size(sizeof(R))) return {};
  return nameof(Handle(loadat<R>(deref(record)).name));
}

bool validspot(const objread& obj) {
  return obj.objects != nilhandle && obj.objindex >= 0 && obj.objindex < spotcount(obj.objects);
}
bool validitem(const objread& obj) {
  return obj.menu.items != nilhandle && obj.itemindex >= 0 &&
         obj.itemindex < i32(GetHandleSize(obj.menu.items) / Size(sizeof(menuitem)));
}
menuitem itemof(const objread& obj) { return HandleAs<menuitem>(obj.menu.items)[obj.itemindex]; }
bool cardobject(const objread& obj) { return obj.objects == obj.d.cardspots; }

// --- Projects -------------------------------------------------------------------------------------
std::string leafof(ConstStringPtr name) {
  std::string_view n = pstringview(name);
  std::size_t slash = n.rfind('/');
  return std::string(slash == std::string_view::npos ? n : n.substr(slash + 1));
}

void filename(builder& b, RegistryId store) {
  const projectstore* st = findprojectstore(store);
  if (st == nullptr) return;
  std::string leaf = leafof(st->filename);
  if (b.isshort()) {
    b.add(leaf);
    return;
  }
  std::string name = leaf;
  if (b.islong() && b.project != projectas::filename) {
    std::string path(pstringview(st->fullpath));
    bool fits = b.s.size() + path.size() + 10 <= kTextLimit;
    bool quoted = b.project == projectas::readback && path.find('"') != std::string::npos;
    if (fits && !quoted) name = path;
  }
  b.add("project ");
  b.addquoted(name);
}

// --- Id family ------------------------------------------------------------------------------------
// Each object's words of the abbreviated form ("card ID 1022"), then the text of each form: the
// id alone (short), the words (abbreviated), the words and " of " and the owner (long).
void windwords(builder& b, const objread& obj) {
  b.add("window ID ");
  b.addnumber(obj.d.windbook);
}
void backwords(builder& b, const objread& obj) {
  b.add("bkgnd ID ");
  b.addnumber(obj.d.backid);
}
void cardwords(builder& b, const objread& obj) {
  b.add("card ID ");
  b.addnumber(obj.d.cardid);
}
void menuwords(builder& b, const objread& obj) {
  b.add("menu ID ");
  b.addnumber(obj.menu.menubook);
}

const char* kindword(u16 kind) {
  switch (kind) {
    case spotbutton: return "button ";
    case spotfield: return "field ";
    default: return "graphic ";
  }
}

// "card button ID 7" or "bkgnd field ID 4": the object's layer, kind and id.
void spotwords(builder& b, const objread& obj) {
  spot s = spotat(obj.objects, obj.objindex);
  b.add(cardobject(obj) ? "card " : "bkgnd ");
  b.add(kindword(s.kind));
  b.add("ID ");
  b.addnumber(s.id);
}

// The text of one object in the id family: its id, its words, and its owner.
template <class Words, class Owner>
void byid(builder& b, u32 id, Words&& words, Owner&& owner) {
  if (b.isshort()) return b.addnumber(id);
  words();
  if (!b.islong()) return;
  b.add(" of ");
  owner();
}

void windid(builder& b, const objread* obj) {
  if (obj == nullptr) return;
  byid(
      b, obj->d.windbook, [&] { windwords(b, *obj); }, [&] { filename(b, obj->d.store); });
}
void backid(builder& b, const objread& obj) {
  byid(
      b, obj.d.backid, [&] { backwords(b, obj); }, [&] { windid(b, &obj); });
}
void cardid(builder& b, const objread& obj) {
  byid(
      b, obj.d.cardid, [&] { cardwords(b, obj); }, [&] { windid(b, &obj); });
}
// The card or the background that holds an object.
void spotownerid(builder& b, const objread& obj) { cardobject(obj) ? cardid(b, obj) : backid(b, obj); }
void spotid(builder& b, const objread& obj) {
  if (!validspot(obj)) return;
  byid(
      b, spotat(obj.objects, obj.objindex).id, [&] { spotwords(b, obj); }, [&] { spotownerid(b, obj); });
}
void menuid(builder& b, const objread& obj) {
  byid(
      b, obj.menu.menubook, [&] { menuwords(b, obj); }, [&] { filename(b, obj.menu.store); });
}
void itemid(builder& b, const objread& obj) {
  if (!validitem(obj)) return;
  u32 id = itemof(obj).word2;
  byid(
      b, id,
      [&] {
        b.add("item ID ");
        b.addnumber(id);
      },
      [&] { menuid(b, obj); });
}

// The embedded object at the descriptor's item index; false when there is none.
bool iotaat(const objread& obj, embeddedobject* out) {
  if (!validspot(obj) || obj.itemindex < 0) return false;
  Handle list = NewHandle(0);
  if (list == nilhandle) return false;
  bool found = false;
  if (embeddedobjects(spotat(obj.objects, obj.objindex), list) == noErr &&
      obj.itemindex < i32(HandleCount<embeddedobject>(list))) {
    *out = HandleAs<embeddedobject>(list)[obj.itemindex];
    found = true;
  }
  DisposeHandle(list);
  return found;
}

void iotaid(builder& b, const objread& obj) {
  embeddedobject e{};
  if (!iotaat(obj, &e) || e.id == 0) return;
  if (b.isshort()) return b.addnumber(e.id);
  b.add("object id ");
  b.addnumber(e.id);
  b.add(" of ");
  spotwords(b, obj);
  if (!b.islong()) return;
  b.add(" of ");
  spotownerid(b, obj);
}

// --- Name family ----------------------------------------------------------------------------------
// The text of one object in the name family: `word` and the quoted name, or without a name the
// object's id words (nothing in the short form); then in the long form its owner, by name.
template <class Words, class Owner>
void byname(builder& b, const std::string& name, std::string_view word, Words&& idwords, Owner&& owner) {
  if (b.isshort()) return b.add(name);
  if (name.empty()) {
    idwords();
  } else {
    b.add(word);
    b.addquoted(name);
  }
  if (!b.islong()) return;
  b.add(" of ");
  owner();
}

void windname(builder& b, const objread& obj) {
  byname(
      b, recordname<windrec>(obj.d.wind), "window ", [&] { windwords(b, obj); }, [&] { filename(b, obj.d.store); });
}
void backname(builder& b, const objread& obj) {
  byname(
      b, recordname<backrec>(obj.d.back), "bkgnd ", [&] { backwords(b, obj); }, [&] { windname(b, obj); });
}
void cardname(builder& b, const objread& obj) {
  byname(
      b, recordname<cardrec>(obj.d.card), "card ", [&] { cardwords(b, obj); }, [&] { windname(b, obj); });
}
void spotownername(builder& b, const objread& obj) { cardobject(obj) ? cardname(b, obj) : backname(b, obj); }

// "card field " or "bkgnd button " and the quoted name.
void spotnamewords(builder& b, const objread& obj, const std::string& name) {
  b.add(cardobject(obj) ? "card " : "bkgnd ");
  b.add(kindword(spotat(obj.objects, obj.objindex).kind));
  b.addquoted(name);
}

void spotname(builder& b, const objread& obj) {
  if (!validspot(obj)) return;
  spot s = spotat(obj.objects, obj.objindex);
  std::string word = std::string(cardobject(obj) ? "card " : "bkgnd ") + kindword(s.kind);
  byname(
      b, nameof(Handle(s.name)), word, [&] { spotwords(b, obj); }, [&] { spotownername(b, obj); });
}

void iotaname(builder& b, const objread& obj) {
  embeddedobject e{};
  if (!iotaat(obj, &e)) return;
  std::string name(pstringview(e.name));
  if (name.empty()) {
    if (!b.isshort()) iotaid(b, obj);
    return;
  }
  if (b.isshort()) return b.add(name);
  std::string fieldname = nameof(Handle(spotat(obj.objects, obj.objindex).name));
  if (fieldname.empty()) return spotid(b, obj);
  b.add("object ");
  b.addquoted(name);
  b.add(" of ");
  spotnamewords(b, obj, fieldname);
  if (!b.islong()) return;
  b.add(" of ");
  spotownername(b, obj);
}

void menuname(builder& b, const objread& obj) {
  byname(
      b, recordname<menurec>(obj.menu.menu), "menu ", [&] { menuwords(b, obj); }, [&] { filename(b, obj.menu.store); });
}

void itemname(builder& b, const objread& obj) {
  if (!validitem(obj)) return;
  menuitem item = itemof(obj);
  byname(
      b, nameof(Handle(item.name)), "item ",
      [&] {
        b.add("item ID ");
        b.addnumber(item.word2);
      },
      [&] { menuname(b, obj); });
}

// Runs one builder on `out`.
template <class Fn>
void build(StringPtr out, u16 form, Fn&& fn) {
  builder b = start(out, form);
  fn(b);
  finish(b, out);
}

void idtextof(builder& b, const objread& obj) {
  switch (obj.kind) {
    case objitem: return itemid(b, obj);
    case objmenu: return menuid(b, obj);
    case objpart: return spotid(b, obj);
    case objcard: return cardid(b, obj);
    case objbackground: return backid(b, obj);
    case objwindow: return windid(b, &obj);
    case objembedded: return iotaid(b, obj);
    default: return;
  }
}

}  // namespace

void buildfilename(RegistryId store, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { filename(b, store); });
}
void buildwindid(const objread* obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { windid(b, obj); });
}
void buildbackid(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { backid(b, obj); });
}
void buildcardid(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { cardid(b, obj); });
}
void buildspotid(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { spotid(b, obj); });
}
void buildiotaid(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { iotaid(b, obj); });
}
void buildmenuid(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { menuid(b, obj); });
}
void builditemid(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { itemid(b, obj); });
}
void buildwindname(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { windname(b, obj); });
}
void buildbackname(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { backname(b, obj); });
}
void buildcardname(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { cardname(b, obj); });
}
void buildspotname(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { spotname(b, obj); });
}
void buildiotaname(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { iotaname(b, obj); });
}
void buildmenuname(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { menuname(b, obj); });
}
void builditemname(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { itemname(b, obj); });
}

void buildidtext(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) { idtextof(b, obj); });
}

void buildnametext(const objread& obj, u16 form, StringPtr out) {
  build(out, form, [&](builder& b) {
    switch (obj.kind) {
      case objitem: return itemname(b, obj);
      case objmenu: return menuname(b, obj);
      case objpart: return spotname(b, obj);
      case objcard: return cardname(b, obj);
      case objbackground: return backname(b, obj);
      case objwindow: return windname(b, obj);
      case objembedded: return iotaname(b, obj);
      default: return;
    }
  });
}

void buildreadback(const objread& obj, StringPtr out) {
  out[0] = 0;
  builder b{std::string(), tok::long_, projectas::readback};
  if (obj.kind == objproject) filename(b, obj.d.store);
  else idtextof(b, obj);
  finish(b, out);
}

}  // namespace kv
