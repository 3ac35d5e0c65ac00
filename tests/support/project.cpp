#include "tests/support/project.h"

#include <cstring>
#include <utility>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "store/byteorder.h"
#include "store/fieldtail.h"
#include "store/namekey.h"
#include "store/objects.h"
#include "store/packing.h"
#include "store/records.h"
#include "store/starfile.h"

namespace kv::testproject {

namespace {

constexpr u32 kPageLimit = 100, kRackLimit = 400;

Handle bytehandle(const void* bytes, size_t n) {
  Handle h = NewHandle(Size(n));
  if (n) std::memcpy(deref(h), bytes, n);
  return h;
}
Handle texthandle(const std::string& text) { return bytehandle(text.data(), text.size()); }
// An absent part for an empty text.
Handle optionaltext(const std::string& text) { return text.empty() ? nilhandle : texthandle(text); }

Handle scripthandle(const std::string& text) {
  std::string s = scripttext(text);
  Handle h = texthandle(s);
  scripttail tail{};
  const u16 words[12] = {13, 0, 0, 0, 0, 0, 0, 0, 60, 20, 322, 492};
  for (int i = 0; i < 12; ++i) tail.words.v[i] = words[i];
  PtrAndHand(&tail, h, sizeof tail);
  return h;
}

// A stored field text of one style: no runs, the text, the tail.
Handle fieldtexthandle(const std::string& text) {
  u16 runs = 0;
  Handle h = bytehandle(&runs, 2);
  std::string s = scripttext(text);
  PtrAndHand(s.data(), h, Size(s.size()));
  fieldtail tail{-2, -1, 0, 12, 0, 0};
  PtrAndHand(&tail, h, sizeof tail);
  return h;
}

u32 namekey(const std::string& name) {
  Str255 s{};
  s[0] = u8(std::min<size_t>(name.size(), 255));
  std::memcpy(s + 1, name.data(), s[0]);
  u32 key = 0;
  getkey(s, &key);
  return key;
}

spot makespot(const Object& o, u32 id) {
  spot s{};
  defaultspot(s);
  s.kind = o.kind;
  s.id = id;
  s.rect = o.rect;
  switch (o.kind) {
    case Object::button: {
      s.style = o.style ? o.style : 201;
      buttontail t{};
      t.words.v[1] = 12;
      t.words.v[3] = 1;
      setbuttontail(s, t);
      break;
    }
    case Object::field:
      s.style = o.style ? o.style : u16(stylefieldrect);
      s.flags = s.flags | (1u << 20);
      s.data = fieldtexthandle(o.text);
      break;
    case Object::graphic: s.style = o.style ? o.style : u16(stylerectangle); break;
  }
  s.flags = (s.flags | o.setflags) & ~o.clearflags;
  auto take = [](auto& field, const auto& given) {
    if (given) field = *given;
  };
  take(s.showfill, o.showfill);
  take(s.showpen, o.showpen);
  take(s.themefill, o.themefill);
  take(s.themepen, o.themepen);
  take(s.fillfore, o.fillfore);
  take(s.fillback, o.fillback);
  take(s.penfore, o.penfore);
  take(s.penback, o.penback);
  take(s.penwidth, o.penwidth);
  take(s.penheight, o.penheight);
  take(s.ink, o.ink);
  take(s.shadow, o.shadow);
  if (o.fillpat) std::memcpy(s.fillpat.b, o.fillpat->data(), 8);
  if (o.penpat) std::memcpy(s.penpat.b, o.penpat->data(), 8);
  if (o.tail) std::memcpy(reinterpret_cast<u8*>(&s) + 70, o.tail->data(), 12);
  if (!o.data.empty()) s.data = bytehandle(o.data.data(), o.data.size());
  s.name = optionaltext(o.name);
  if (!o.script.empty()) s.script = scripthandle(o.script);
  return s;
}

Handle objectlist(const std::vector<Object>& objects, u32* nextid, std::vector<u32>* ids = nullptr) {
  Handle list = NewHandle(0);
  for (const Object& o : objects) {
    spot s = makespot(o, (*nextid)++);
    if (!o.nested.empty()) s.data = objectlist(o.nested, nextid);
    if (ids) ids->push_back(u32(s.id));
    PtrAndHand(&s, list, sizeof s);
  }
  return list;
}

// Packs a record (in memory, host order) into a new handle in file order, adds it and frees
// the record. *size gets the packed size.
i16 addrecord(RegistryId store, Handle rec, i32* id, u32* size = nullptr) {
  Handle packed = NewHandle(0);
  OSErr e = fast(rec, packed);
  dump(rec);
  if (e == noErr) e = endianswapackedstarLtoB(packed);
  if (size) *size = u32(GetHandleSize(packed));
  if (e == noErr) e = addstar(store, id, packed);
  DisposeHandle(packed);
  return e;
}

// A library record listing `books` in racks, or an empty one. *racks receives the rack ids.
Handle librecord(u32 entries, u32 idcounter, const std::vector<std::pair<i16, u32>>& racks) {
  librec l{};
  l.kind = kindlib;
  l.entrycount = entries;
  l.idcounter = idcounter;
  l.pagecount = u16(racks.size());
  Handle h = bytehandle(&l, sizeof l);
  for (auto [count, id] : racks) {
    pageref r{count, id};
    PtrAndHand(&r, h, sizeof r);
  }
  return h;
}

// Adds list records (pages or racks) of `entries` entries of `size` bytes, `limit` to a
// record; the references to them.
template <class Entry>
i16 addlists(RegistryId store, u16 kind, const std::vector<Entry>& entries, u32 limit,
             std::vector<std::pair<i16, u32>>* refs) {
  for (size_t at = 0; at < entries.size(); at += limit) {
    size_t n = std::min<size_t>(limit, entries.size() - at);
    Handle h = bytehandle(&kind, 2);
    PtrAndHand(entries.data() + at, h, Size(n * sizeof(Entry)));
    i32 id = 0;
    if (i16 e = addrecord(store, h, &id)) return e;
    refs->push_back({i16(n), u32(id)});
  }
  return 0;
}

i16 buildwindow(RegistryId store, const Window& w, u32* windrecid) {
  u32 nextid = kFirstCardId, objectid = 1;
  struct Back {
    i32 recid;
    u32 id;
    u32 size;
    std::vector<std::pair<std::string, std::pair<u32, std::string>>> fields;  // name -> (id, text)
  };
  std::vector<Back> backs;
  for (const Background& b : w.backgrounds) {
    Back made{0, nextid++, 0, {}};
    std::vector<u32> ids;
    backrec r{};
    r.kind = kindback;
    r.height = b.height ? b.height : u16(w.rect.bottom - w.rect.top);
    r.width = b.width ? b.width : u16(w.rect.right - w.rect.left);
    r.name = texthandle(b.name);
    r.script = scripthandle(b.script);
    r.objects = objectlist(b.objects, &objectid, &ids);
    for (size_t i = 0; i < b.objects.size(); ++i)
      if (b.objects[i].kind == Object::field) made.fields.push_back({b.objects[i].name, {ids[i], b.objects[i].text}});
    if (i16 e = addrecord(store, bytehandle(&r, sizeof r), &made.recid, &made.size)) return e;
    backs.push_back(made);
  }
  std::vector<wordentry> words;
  for (const Card& c : w.cards) {
    const Back& b = backs.at(c.background);
    cardrec r{};
    r.kind = kindcard;
    r.rect = Rect{44, 4, 337, 500};
    r.name = texthandle(c.name);
    r.script = scripthandle(c.script);
    r.objects = objectlist(c.objects, &objectid);
    Handle backtext = NewHandle(0);
    for (const auto& [name, field] : b.fields) {
      auto given = c.fieldtexts.find(name);
      Handle t = fieldtexthandle(given != c.fieldtexts.end() ? given->second : field.second);
      u32 id = field.first, len = u32(GetHandleSize(t));
      PtrAndHand(&id, backtext, 4);
      PtrAndHand(&len, backtext, 4);
      HandAndHand(t, backtext);
      DisposeHandle(t);
    }
    r.backtext = backtext;
    wordentry e{};
    e.cardid = nextid++;
    e.backrecord = u32(b.recid);
    e.backid = b.id;
    e.namekey = namekey(c.name);
    i32 id = 0;
    u32 size = 0;
    if (i16 err = addrecord(store, bytehandle(&r, sizeof r), &id, &size)) return err;
    e.cardrecord = u32(id);
    e.packedsize = size + b.size;
    words.push_back(e);
  }
  std::vector<std::pair<i16, u32>> pages;
  if (i16 e = addlists(store, kindpage, words, kPageLimit, &pages)) return e;
  windrec r{};
  r.kind = kindwind;
  r.word2 = w.style;
  r.flags = w.flags;
  r.themeback = w.themeback;
  r.translucency = w.translucency;
  r.cardcount = u32(w.cards.size());
  r.backcount = u32(w.backgrounds.size());
  r.nextid = nextid;
  r.rect1 = w.rect;
  r.rect2 = Rect{120, 100, 300, 350};
  r.name = texthandle(w.name);
  r.script = scripthandle(w.script);
  r.pagecount = u16(pages.size());
  Handle h = bytehandle(&r, sizeof r);
  for (auto [count, id] : pages) {
    pageref p{count, id};
    PtrAndHand(&p, h, sizeof p);
  }
  i32 id = 0;
  if (i16 e = addrecord(store, h, &id)) return e;
  *windrecid = u32(id);
  return 0;
}

// A menu record with its items.
i16 buildmenu(RegistryId store, const Menu& m, u32* menurecid) {
  Handle items = NewHandle(0);
  u32 itemid = 1;
  for (const MenuItem& it : m.items) {
    menuitem i{};
    i.word0 = it.key;
    i.word2 = itemid++;
    i.flags = it.flags;
    i.name = texthandle(it.name);
    i.script = scripthandle(it.script);
    PtrAndHand(&i, items, sizeof i);
  }
  menurec r{};
  r.kind = kindmenu;
  r.flags = m.flags;
  r.rect = Rect{60, 40, 256, 290};
  r.name = texthandle(m.name);
  r.script = scripthandle(m.script);
  r.items = items;
  i32 id = 0;
  if (i16 e = addrecord(store, bytehandle(&r, sizeof r), &id)) return e;
  *menurecid = u32(id);
  return 0;
}

// Rewrites library record `libid` to list `books`.
i16 savelibrary(RegistryId store, i32 libid, const std::vector<bookentry>& books, u32 firstid) {
  std::vector<std::pair<i16, u32>> racks;
  if (i16 e = addlists(store, kindrack, books, kRackLimit, &racks)) return e;
  Handle lib = librecord(u32(books.size()), firstid + u32(books.size()), racks);
  Handle packed = NewHandle(0);
  OSErr e = fast(lib, packed);
  dump(lib);
  if (e == noErr) e = savestar(store, libid, packed);
  DisposeHandle(packed);
  return e;
}

i16 fill(RegistryId store, const Project& p) {
  headrec head{};
  head.kind = kindhead;
  head.rect = Rect{60, 40, 256, 290};
  head.script = scripthandle(p.script);
  u16 nopatterns = 0;
  head.patterns = bytehandle(&nopatterns, 2);
  head.brushes = NewHandleClear(32);
  i32 id = 0;
  if (i16 e = addrecord(store, bytehandle(&head, sizeof head), &id)) return e;
  for (int lib = 1; lib <= 4; ++lib)
    if (i16 e = addrecord(store, librecord(0, 100, {}), &id)) return e;
  std::vector<bookentry> books;
  for (size_t i = 0; i < p.windows.size(); ++i) {
    u32 recid = 0;
    if (i16 e = buildwindow(store, p.windows[i], &recid)) return e;
    books.push_back(bookentry{recid, kFirstWindowId + u32(i), namekey(p.windows[i].name), 0});
  }
  if (i16 e = savelibrary(store, 1, books, kFirstWindowId)) return e;
  std::vector<bookentry> menus;
  for (size_t i = 0; i < p.menus.size(); ++i) {
    u32 recid = 0;
    if (i16 e = buildmenu(store, p.menus[i], &recid)) return e;
    menus.push_back(bookentry{recid, kFirstMenuId + u32(i), namekey(p.menus[i].name), 0});
  }
  if (i16 e = savelibrary(store, 2, menus, kFirstMenuId)) return e;
  std::vector<bookentry> resources;
  for (size_t i = 0; i < p.resources.size(); ++i) {
    const Resource& r = p.resources[i];
    xresrec x{};
    x.kind = kindxres;
    x.name = texthandle(r.name);
    x.data = bytehandle(r.data.data(), r.data.size());
    i32 recid = 0;
    if (i16 e = addrecord(store, bytehandle(&x, sizeof x), &recid)) return e;
    resources.push_back(bookentry{u32(recid), r.id != 0 ? r.id : kFirstResourceId + u32(i), namekey(r.name), r.type});
  }
  if (i16 e = savelibrary(store, 3, resources, kFirstResourceId)) return e;
  findprojectstore(store)->header.flags = p.headerflags;
  return 0;
}

}  // namespace

std::string scripttext(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c == '\n') c = '\r';
  return s;
}

Project small() {
  Project p;
  p.script = "on openProject\n  global opened\n  put \"project\" after opened\nend openProject";
  Window w;
  w.name = "Main";
  w.script = "on openWindow\n  global opened\n  put \"window\" after opened\nend openWindow";
  Background plain{"Plain", "on openBackground\n  global opened\n  put \"plain\" after opened\nend openBackground", {}};
  Object title;
  title.kind = Object::field;
  title.name = "Title";
  title.text = "untitled";
  title.script = "on mouseUp\n  beep\nend mouseUp";
  plain.objects.push_back(title);
  Background fancy{"Fancy", "on openBackground\n  global opened\n  put \"fancy\" after opened\nend openBackground", {}};
  Object next;
  next.name = "Next";
  next.script = "on mouseUp\n  go next card\nend mouseUp";
  fancy.objects.push_back(next);
  w.backgrounds = {plain, fancy};
  Object go;
  go.name = "Go";
  go.script = "on mouseUp\n  go next card\nend mouseUp";
  Card one{
      "One", "on openCard\n  global opened\n  put \"one\" after opened\nend openCard", 0, {go}, {{"Title", "First"}}};
  Card two{
      "Two", "on openCard\n  global opened\n  put \"two\" after opened\nend openCard", 0, {go}, {{"Title", "Second"}}};
  Object notes;
  notes.kind = Object::field;
  notes.name = "Notes";
  notes.text = "Some notes";
  Card three{"Three", "on openCard\n  global opened\n  put \"three\" after opened\nend openCard", 1, {notes}, {}};
  w.cards = {one, two, three};
  p.windows.push_back(w);
  return p;
}

Object paint(Rect r, u8 colour) {
  Object o;
  o.kind = Object::graphic;
  o.style = 100;
  o.rect = r;
  o.showfill = 1;
  o.showpen = 0;
  o.fillfore = colour;
  o.fillpat = std::array<u8, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  return o;
}

Object bitmap(Rect r, bool colour, std::vector<u8> image) {
  Object o;
  o.kind = Object::graphic;
  o.style = 105;
  o.rect = r;
  o.tail = std::array<u8, 12>{};
  (*o.tail)[0] = colour ? 1 : 0;  // the colour flag: the tail's first word, in memory order
  o.data = std::move(image);
  return o;
}

Project drawn() {
  Object button;
  button.name = "OK";
  button.style = 200;
  button.rect = kDrawnButton;
  Project p;
  Window w;
  w.name = "Drawn";
  w.style = 4;
  w.rect = Rect{100, 100, 400, 500};
  w.backgrounds = {Background{"Plain", "", {}}};
  Card c;
  c.objects = {paint(kDrawnRed, 35), paint(kDrawnGreen, 185), button};
  w.cards = {c};
  p.windows.push_back(w);
  return p;
}

Project buttons() {
  Card c;
  for (u16 style = 201, i = 0; style <= 229; ++style) {
    if (style == 202) continue;
    Object b;
    b.name = std::to_string(style);
    b.style = style;
    const i16 left = i16(20 + (i % 5) * 124), top = i16(14 + (i / 5) * 70);
    b.rect = Rect{top, left, i16(top + 28), i16(left + 90)};
    c.objects.push_back(b);
    ++i;
  }
  Project p;
  Window w;
  w.name = "Buttons";
  w.rect = Rect{60, 60, 500, 700};
  w.backgrounds = {Background{"Plain", "", {}}};
  w.cards = {c};
  p.windows.push_back(w);
  return p;
}

i16 typeasproject(u32 dirid, std::string_view name) {
  Str255 pname{};
  pstrassign(pname, 256, name.data(), name.size());
  FInfo info{};
  if (OSErr e = HGetFInfo(kBootVolume, dirid, pname, &info)) return e;
  info.fdType = kProjectType;
  info.fdCreator = kProjectCreator;
  return HSetFInfo(kBootVolume, dirid, pname, &info);
}

i16 build(u32 dirid, std::string_view name, const Project& project) {
  Str255 pname{};
  pname[0] = u8(std::min<size_t>(name.size(), 255));
  std::memcpy(pname + 1, name.data(), pname[0]);
  if (i16 e = createstar(kBootVolume, dirid, pname)) return e;
  RegistryId store = newprojectstore();
  i16 e = openstar(kBootVolume, dirid, pname, store);
  if (e == 0) {
    e = fill(store, project);
    i16 f = flushstar(store);
    i16 c = closestar(store);
    if (e == 0) e = f ? f : c;
  }
  disposeprojectstore(store);
  return e;
}

}  // namespace kv::testproject
