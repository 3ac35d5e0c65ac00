// The object descriptor's readers and writers.
#include "store/objread.h"

#include <algorithm>
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/geometry.h"
#include "engine/lookups.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "render/updateword.h"
#include "shell/cardhistory.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/backtext.h"
#include "store/deskrecords.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/refparse.h"
#include "store/refwords.h"

namespace kv {

using namespace refwords;

namespace {

constexpr i16 kNoWord = 2, kNoOf = 5, kNoMemory = 37, kNoCard = 51, kMessage = 59, kNoWindow = 61, kNoItem = 64,
              kNoEmbedded = 225;
constexpr u64 kWriteSpace = 40000;

// Runs `fn` with a desk made the current one for the moment.
template <class Fn>
void ascurrent(const desk& d, Fn&& fn) {
  MainGlobals& g = mainglobals();
  desk saved = g.current;
  g.current = d;
  fn();
  g.current = saved;
}

// The texts and per-card state a card keeps for its background's objects go into the objects.
void putcardtexts(const desk& d) {
  ascurrent(d, [&] {
    cardrec c = loadat<cardrec>(deref(d.card));
    putbacktext(d.backspots, c.backtext);
    putbacktextextras(d.backspots, c.alt);
  });
  settextowner(d.store, d.backrecid, d.cardrecid);
}

// Loads the card a word entry names, its background and their colour tables into a desk, and
// gives the background's objects the card's texts. The desk is a descriptor's: no window.
void loadcard(desk& d, u32 cardnum, const wordentry& e) {
  d.cardclut = d.backclut = nilhandle;
  loaddeskcard(d, cardnum, e);
  loaddeskback(d, e);
  putcardtexts(d);
  d.window = nilid;
  d.hscroll = d.vscroll = nilid;
  d.tool = kBrowseTool;
  d.backlayer = 0;
}

// Releases the card and background a descriptor loaded, after storing the card's state into
// its record and card-list entry.
void unloadcard(desk& d) {
  updateword(d);
  if (d.card != nilhandle) releasevir(d.store, d.cardrecid);
  if (d.back != nilhandle) releasevir(d.store, d.backrecid);
  d.card = d.back = nilhandle;
  disposedeskclut(d.cardclut);
  disposedeskclut(d.backclut);
}

// The card of an open window that it does not show, loaded into a copy of its desk. The card
// it shows keeps its own texts: they are stored into it first.
i16 loadother(const desk& w, u32 cardnum, desk* out) {
  wordentry e{};
  if (getword(w.store, w.wind, i32(cardnum), &e) != 0) return kNoCard;
  if (memoryrefused(cardroom(e))) return kNoMemory;
  if (i16 st = checkentry(w.store, e)) return st;
  updateword(w);
  desk d = w;
  loadcard(d, cardnum, e);
  *out = d;
  return 0;
}

// A window that is not open: its records and the card's, loaded into a new desk.
i16 loadclosed(RegistryId store, u32 windnum, u32 cardnum, desk* out) {
  desk d{};
  d.store = store;
  d.windnum = windnum;
  bookentry b{};
  wordentry e{};
  i16 failure = holdrecord(store, 0, kindhead, &d.head);
  if (failure == 0) failure = holdrecord(store, 1, kindlib, &d.windlib);
  if (failure == 0 && getbook(store, d.windlib, i32(windnum), &b) != 0) failure = kNoWindow;
  if (failure == 0) {
    d.windrecid = b.recordid;
    d.windbook = b.word4;
    failure = holdrecord(store, d.windrecid, kindwind, &d.wind);
  }
  if (failure == 0 && getword(store, d.wind, i32(cardnum), &e) != 0) failure = kNoCard;
  if (failure == 0 && memoryrefused(cardroom(e))) failure = kNoMemory;
  if (failure == 0) failure = checkentry(store, e);
  if (failure != 0) {
    unloaddesk(d);
    return failure;
  }
  loadcard(d, cardnum, e);
  *out = d;
  return 0;
}

i32 itemcount(const objread& obj) {
  return obj.menu.items == nilhandle ? 0 : i32(GetHandleSize(obj.menu.items) / Size(sizeof(menuitem)));
}

// The 0-based index of the item a selector part names; -1 when none.
i32 finditem(const objread& obj, const selpart& p) {
  i32 count = itemcount(obj);
  if (count == 0) return -1;
  auto item = [&](i32 i) { return HandleAs<menuitem>(obj.menu.items)[i]; };
  switch (p.selector) {
    case sellast: return count - 1;
    case selmiddle: return count / 2;
    case selany: return randomrange(count) - 1;
    case selnumber: return p.value >= 1 && p.value <= count ? p.value - 1 : -1;
    case selid:
      for (i32 i = 0; i < count; ++i)
        if (u32(item(i).word2) == u32(p.value)) return i;
      return -1;
    case selname:
      for (i32 i = 0; i < count; ++i) {
        Str255 name{};
        handtostring(Handle(item(i).name), name);
        if (myequalstring(name, p.name)) return i;
      }
      return -1;
    default: return -1;
  }
}

// Reads a reference text (the recent card, `me`, a value) with readobj.
scriptstatus readtext(hierpath context, Handle reftext, Handle variables, objread* obj) {
  Handle atoms = nilhandle;
  i16 st = tokenize(reftext, &atoms);
  i32 used = 0;
  if (st == 0) st = readobj(context, reftext, atoms, 0, variables, &used, obj);
  if (atoms != nilhandle) DisposeHandle(atoms);
  return st;
}

scriptstatus readstring(hierpath context, ConstStringPtr s, Handle variables, objread* obj) {
  Handle h = nilhandle;
  if (PtrToHand(s + 1, &h, s[0]) != noErr) return kNoMemory;
  i16 st = readtext(context, h, variables, obj);
  DisposeHandle(h);
  return st;
}

// Kind 3: an object part, and its card when `of` follows (else the current card).
scriptstatus readpart(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj) {
  u16 layer = 0, type = 0;
  selpart p{};
  i32 n = 0;
  if (i16 st = viewspot(context, text, atoms, at, variables, &n, &layer, &type, &p)) return st;
  i32 i = at + n;
  *used = i - at;
  if (tokenat(atoms, i) == tok::in) {
    i32 m = 0;
    i16 st = lowcard(context, text, atoms, i, variables, &m, obj, 0);
    *used = i - at + m;
    if (st != 0) return st;
  } else {
    obj->d = mainglobals().current;
  }
  bool card = layer == layercard;
  obj->objects = card ? obj->d.cardspots : obj->d.backspots;
  obj->ownerrecid = card ? obj->d.cardrecid : obj->d.backrecid;
  i32 index = 0;
  if (i16 st = getspotoff(obj->objects, type, p, &index)) {
    writeobj(obj);
    return st;
  }
  obj->objindex = i16(index);
  return 0;
}

// Kind 11: `object` [id] expression `of` and a field of style 300 or 301. The expression is
// evaluated once; its value selects the embedded object.
scriptstatus readembedded(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used,
                          objread* obj) {
  i32 i = at + 1;
  bool byid = tokenat(atoms, i) == tok::id;
  if (byid) ++i;
  fred v{};
  i32 n = 0;
  if (i16 st = expression(context, text, atoms, i, variables, nilhandle, &n, &v)) return st;
  selpart p{};
  i16 st = 0;
  if (byid) {
    i32 id = 0;
    st = fredtolong(&v, &id);
    p.selector = selid;
    p.value = id;
  } else {
    fredtostring(&v, p.name);
    i32 number = 0;
    p.selector = stringtolong(p.name, &number) == 0 ? selnumber : selname;
    if (p.selector == selnumber) p.value = number;
  }
  disposfred(&v);
  i += n;
  *used = i - at;
  if (st != 0) return st;
  if (tokenat(atoms, i) != tok::in) return kNoOf;
  ++i;
  i32 m = 0;
  st = readpart(context, text, atoms, i, variables, &m, obj);
  *used = i - at + m;
  if (st != 0) return st;
  spot field = spotat(obj->objects, obj->objindex);
  i32 position = 0;
  if (field.kind != spotfield || (field.style != stylefieldrect && field.style != stylefieldscroll)) {
    st = kNoEmbedded;
  } else {
    st = getiotaoff(*obj, p, &position);
  }
  if (st != 0) {
    writeobj(obj);
    return st;
  }
  obj->itemindex = i16(position);
  obj->held = 1;
  return 0;
}

// Kind 1: `item` and its selector, then the menu.
scriptstatus readitem(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj) {
  u16 kind = 0;
  selpart p{};
  i32 n = 0;
  if (i16 st = viewmenu(context, text, atoms, at, variables, 1, &n, &kind, &p)) return st;
  if (kind != objitem) return kNoWord;
  i32 m = 0;
  i16 st = lowmenu(context, text, atoms, at + n, variables, &m, obj, 0);
  *used = n + m;
  if (st != 0) return st;
  i32 index = finditem(*obj, p);
  if (index < 0) {
    writeobj(obj);
    return kNoItem;
  }
  obj->itemindex = i16(index);
  return 0;
}

// Kinds 1 and 2: a menu the menu bar holds stays held; otherwise its records are released
// (changes forgotten when the project cannot be written) and the project closed when nothing
// else uses it.
void writemenu(objread* obj) {
  if (obj->held || obj->menu.store == nilid) return;
  releasemenu(&obj->menu);
}

// Kinds 3 to 8 (and 11 as 3). What the descriptor holds depends on how it was read:
// - the desk of an open window showing the card (its window set): the window holds
//   everything, nothing is released;
// - a card its open window did not show (window cleared, the window's serial kept): the card
//   and background records;
// - a window that was not open (window and serial 0): those and the window, head and window
//   library records, and the project stays open only while something else uses it.
// A project that no window shows any more closes when nothing else holds it.
// The texts in the background's objects go to the card they belong to, whoever put them
// there (updateword). When the window of the descriptor's card shows the same background and
// its objects hold another card's texts, they get its own card's texts back.
void writecard(objread* obj) {
  desk& d = obj->d;
  if (d.store == nilid || d.card == nilhandle || d.window != nilid) return;
  bool ownwindow = d.serial == 0;
  Handle wind = nilhandle;
  if (!ownwindow) {
    // The window record is the window's to hold, and a window closed meanwhile may have taken
    // it away: it is held again while the card's entry is written.
    if (holdrecord(d.store, d.windrecid, kindwind, &wind) != 0) wind = nilhandle;
    d.wind = wind;
  }
  unloadcard(d);
  if (wind != nilhandle) releasevir(d.store, d.windrecid);
  desk w{};
  if (haswind(d.store, d.windnum, &w) && w.backrecid == d.backrecid && textowner(d.store, d.backrecid) != w.cardrecid)
    putcardtexts(w);
  if (ownwindow) {
    if (d.wind != nilhandle) releasevir(d.store, d.windrecid);
    if (d.head != nilhandle) releasevir(d.store, 0);
    if (d.windlib != nilhandle) releasevir(d.store, 1);
    d.wind = d.head = d.windlib = nilhandle;
  }
  checkerr(flushstar(d.store));
  // A project whose last window closed while the reference held it closes now.
  if (ownwindow || totwind(d.store) == 0) dumpfile(d.store);
}

// Writes back and releases a descriptor of any kind.
void releaseobj(objread* obj) {
  switch (obj->kind) {
    case objitem:
    case objmenu: writemenu(obj); return;
    case objembedded: obj->kind = objpart; [[fallthrough]];
    case objpart:
    case objcard:
    case objbackground:
    case objwindow:
    case objproject: writecard(obj); return;
    default: return;
  }
}

}  // namespace

u16 whichobj(Handle atoms, i32 at, i16* the) {
  if (the != nullptr) *the = 0;
  u16 t = tokenat(atoms, at);
  i32 head = at;
  if (isordinalword(t) || t == tok::prev || t == tok::next || t == tok::current) {
    head = at + 1;
  } else if (t == tok::the) {
    u16 n = tokenat(atoms, at + 1);
    if (!((isordinalword(n) && n != tok::any) || n == tok::prev || n == tok::next)) return objnone;
    head = at + 2;
    if (the != nullptr) *the = 1;
  }
  u16 word = tokenat(atoms, head);
  bool objectnext = isobjectword(tokenat(atoms, head + 1));
  if (isobjectword(word)) return objpart;
  switch (word) {
    case tok::card: return objectnext ? objpart : objcard;
    case tok::background: return objectnext ? objpart : objbackground;
    case tok::wd: return objwindow;
    case tok::project: return objproject;
    case tok::sharedscript: return objshared;
    case tok::kestrove: return objapp;
    case tok::menu: return objmenu;
    case tok::item: return objitem;
    case tok::object: return objembedded;
    default: return objnone;
  }
}

scriptstatus readobj(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj) {
  *used = 0;
  i16 the = 0;
  u16 kind = whichobj(atoms, at, &the);
  obj->kind = kind;
  if (kind == objnone) return kNoWord;
  i32 start = at + the, n = 0;
  i16 st = 0;
  switch (kind) {
    case objitem: st = readitem(context, text, atoms, start, variables, &n, obj); break;
    case objmenu: st = lowmenu(context, text, atoms, start, variables, &n, obj, 1); break;
    case objcard:
    case objbackground:
    case objwindow:
    case objproject: st = lowcard(context, text, atoms, start, variables, &n, obj, 1); break;
    case objshared:
    case objapp: n = 1; break;
    case objpart: st = readpart(context, text, atoms, start, variables, &n, obj); break;
    case objembedded: st = readembedded(context, text, atoms, start, variables, &n, obj); break;
    default: st = kNoWord; break;
  }
  *used = the + n;
  return st;
}

scriptstatus scanobj(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj) {
  *used = 0;
  u16 t = tokenat(atoms, at);
  if (t == tok::recent && tokenat(atoms, at + 1) == tok::card) {
    *used = 2;
    Str255 recent{};
    getrecent(recent);
    if (recent[0] == 0) return kNoCard;
    return readstring(context, recent, variables, obj);
  }
  if (t == tok::me) {
    *used = 1;
    Handle owner = context.empty() ? nilhandle : context.front().descriptor;
    if (owner == nilhandle) return kNoWord;
    Handle copy = owner;
    if (HandToHand(&copy) != noErr) return kNoMemory;
    i16 st = readtext(context, copy, variables, obj);
    DisposeHandle(copy);
    return st;
  }
  if (t == tok::message || (t == tok::the && tokenat(atoms, at + 1) == tok::message)) return kMessage;
  if (whichobj(atoms, at, nullptr) != objnone) return readobj(context, text, atoms, at, variables, used, obj);
  // An operand whose value is a reference text.
  fred v{};
  i32 n = 0;
  if (i16 st = factor(context, text, atoms, at, variables, nilhandle, &n, &v)) return st;
  *used = n;
  Handle valueatoms = nilhandle;
  i16 st = tokenizefred(&v, &valueatoms);
  if (st == 0) {
    Handle reftext = v.text;
    i32 m = 0;
    st = readobj(context, reftext, valueatoms, 0, variables, &m, obj);
  }
  if (valueatoms != nilhandle) DisposeHandle(valueatoms);
  disposfred(&v);
  return st;
}

scriptstatus lowcard(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj,
                     i16 wordfirst) {
  form f{};
  if (i16 st = buildform(context, text, atoms, at, variables, wordfirst, used, &f)) return st;
  RegistryId store = nilid;
  i32 cardnum = 0, windnum = 0;
  if (i16 st = formtonums(f, &store, &cardnum, &windnum, 0)) return st;
  desk w{};
  if (haswind(store, u32(windnum), &w)) {
    if (cardnum == kThisCard || u32(cardnum) == w.cardnum) {
      obj->d = w;
      return 0;
    }
    return loadother(w, u32(cardnum), &obj->d);
  }
  i16 st = cardnum == kThisCard ? kNoCard : loadclosed(store, u32(windnum), u32(cardnum), &obj->d);
  if (st != 0) dumpfile(store);
  return st;
}

scriptstatus lowmenu(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj,
                     i16 wordfirst) {
  tray t{};
  if (i16 st = buildtray(context, text, atoms, at, variables, wordfirst, used, &t)) return st;
  RegistryId store = nilid;
  i32 menunum = 0;
  if (i16 st = traytonums(t, &store, &menunum)) return st;
  menuline line{};
  i32 index = 0;
  if (hasmenu(store, u32(menunum), &line, &index)) {
    obj->menu = line;
    obj->held = 1;
    return 0;
  }
  obj->held = 0;
  i16 st = holdmenu(store, u32(menunum), &obj->menu);
  if (st != 0) dumpfile(store);
  return st;
}

i16 holdmenu(RegistryId store, u32 menunum, menuline* out) {
  menuline m{};
  m.store = store;
  m.menunum = menunum;
  if (i16 st = holdrecord(store, 2, kindlib, &m.menulib)) return st;
  bookentry b{};
  i16 st = getbook(store, m.menulib, i32(menunum), &b) != 0 ? kDamagedProject : i16(0);
  if (st == 0) st = holdrecord(store, b.recordid, kindmenu, &m.menu);
  if (st != 0) {
    releasevir(store, 2);
    return st;
  }
  m.menurecid = b.recordid;
  m.menubook = b.word4;
  m.items = loadat<menurec>(deref(m.menu)).items;
  *out = m;
  return 0;
}

void releasemenu(menuline* m) {
  if (m->store == nilid) return;
  if (islocked(m->store) || nodiskspace(m->store, kWriteSpace)) clearvir(m->store);
  if (m->menu != nilhandle) releasevir(m->store, m->menurecid);
  if (m->menulib != nilhandle) releasevir(m->store, 2);
  m->menu = m->menulib = m->items = nilhandle;
  checkerr(flushstar(m->store));
  dumpfile(m->store);
}

i16 readcardof(const desk& w, u32 cardnum, objread* obj) {
  *obj = objread{};
  desk d{};
  if (i16 st = loadother(w, cardnum, &d)) return st;
  obj->kind = objcard;
  obj->d = d;
  return 0;
}

void writeobj(objread* obj) { releaseobj(obj); }

void safewriteobj(objread* obj, u64, u64, u32) { releaseobj(obj); }

}  // namespace kv
