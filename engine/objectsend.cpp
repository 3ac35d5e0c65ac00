// The object dispatchers: the message path of each kind of target, the window context and
// `the target` around a send, and the senders built on them.
#include "engine/objectsend.h"

#include <array>
#include <cstring>
#include <string>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/backend/backend.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"
#include "store/reftexts.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNoObject = 2, kStray = 19;
constexpr size_t kFrontSlots = 10;  // editor front and front: hierslots() 0-9
constexpr size_t kBackSlots = 10;   // editor back and back: hierslots() 10-19

// --- Texts of the levels ------------------------------------------------------------------------

// Removes everything up to and including the n-th blank (one fewer when the text begins with
// a blank): a card's text becomes its window's, a window's its project's. A text with fewer
// blanks becomes empty.
void dropblanks(StringPtr text, int n) {
  if (text[0] > 0 && text[1] == ' ') --n;
  int i = 1;
  for (; i <= text[0] && n > 0; ++i)
    if (text[i] == ' ') --n;
  if (n > 0) {
    text[0] = 0;
    return;
  }
  int rest = text[0] - (i - 1);
  std::memmove(text + 1, text + i, size_t(rest));
  text[0] = u8(rest);
}

// The reference text of a descriptor, as the system keeps it to find the object again.
void readback(const objread& obj, StringPtr out) {
  out[0] = 0;
  buildreadback(obj, out);
}

// A descriptor of the current desk's card, background or window.
objread deskref(const desk& d, u16 kind) {
  objread r{};
  r.kind = kind;
  r.d = d;
  return r;
}

template <class R>
Handle recordscript(Handle record) {
  return record == nilhandle ? nilhandle : Handle(loadat<R>(deref(record)).script);
}

// The script of an object of a list; none for an index outside it.
Handle spotscript(Handle spots, i32 index) {
  if (spots == nilhandle || index < 0 || index >= spotcount(spots)) return nilhandle;
  return Handle(spotat(spots, index).script);
}

Handle itemscript(const menuline& menu, i16 item) {
  Handle items = menu.items;
  if (items == nilhandle || item < 0 || Size(item + 1) * Size(sizeof(menuitem)) > GetHandleSize(items))
    return nilhandle;
  return Handle(loadat<menuitem>(deref(items) + Size(item) * Size(sizeof(menuitem))).script);
}

// The script of a desk's level (card, background, window or project).
Handle lvlscript(const desk& d, u16 lvl) {
  switch (lvl) {
    case hiercard: return recordscript<cardrec>(d.card);
    case hierbackground: return recordscript<backrec>(d.back);
    case hierwindow: return recordscript<windrec>(d.wind);
    default: return recordscript<headrec>(d.head);
  }
}

// --- Building a path ----------------------------------------------------------------------------

// A message path being built: the slot copies, the levels from the cache, the shared project.
// Its uses of the cache are given back when it goes.
class pathbuild {
 public:
  pathbuild() = default;
  pathbuild(const pathbuild&) = delete;
  pathbuild& operator=(const pathbuild&) = delete;
  ~pathbuild() { dumphier(entries_); }

  void frontslots() { copyslots(0, kFrontSlots); }
  void backslots() { copyslots(kFrontSlots, kBackSlots); }
  // A level whose script is a plain text.
  void textlevel(Handle script, u16 lvl, ConstStringPtr text) {
    if (n_ >= entries_.size()) return;
    if (i16 st = makehier(script, lvl, text, &entries_[n_]); st != 0) status_ = st;
    ++n_;
  }
  // A level whose script is a stored record's script (none: the empty script).
  void level(Handle script, u16 lvl, ConstStringPtr text) {
    if (n_ >= entries_.size()) return;
    if (i16 st = makerecordhier(script, lvl, text, &entries_[n_]); st != 0) status_ = st;
    ++n_;
  }
  // The levels of a desk from `first` (card, background, window or project) outwards.
  void desklevels(const desk& d, u16 first = hiercard) {
    for (u16 lvl = first; lvl <= hierproject; ++lvl) {
      Str255 text;
      levelof(d, lvl, text);
      level(lvlscript(d, lvl), lvl, text);
    }
  }
  // The level of the object a descriptor names (an item, a menu, a button, field or graphic).
  void objectlevel(const objread& obj) {
    Handle script = nilhandle;
    u16 lvl = 0;
    Str255 text;
    if (::kv::objectlevel(obj, &script, &lvl, text)) level(script, lvl, text);
  }
  // The shared project's entry: its script when it is open and is not the project `current`
  // (whose own level holds that script already), else the empty script. The empty entry is
  // kept under the empty text, so that the shared project's own text always stands for its
  // script.
  void shared(RegistryId current, bool always = false) {
    const MainGlobals& g = mainglobals();
    Str255 text{};
    bool own = g.sharedstore != nilid && (always || g.sharedstore != current);
    if (own) buildfilename(g.sharedstore, tok::long_, text);
    level(own ? recordscript<headrec>(g.sharedhead) : nilhandle, hiershared, text);
  }

  // 0, or 37 when the cache refused memory for a level (the message is then not sent).
  i16 status() const { return status_; }
  hierpath path() { return entries_; }

 private:
  void copyslots(size_t first, size_t count) {
    std::span<hier> slots = hierslots();
    for (size_t i = first; i < first + count && i < slots.size() && n_ < entries_.size(); ++i)
      entries_[n_++] = slots[i];
  }

  std::array<hier, pathentries> entries_{};
  size_t n_ = 0;
  i16 status_ = 0;
};

// The first line of a message's text, from its name on (for the transcript).
std::string messageline(const tokmessage& m) {
  if (m.text == nilhandle || m.atoms == nilhandle) return {};
  i32 offset = HandleAs<atom>(m.atoms)[m.at].offset;
  Size n = GetHandleSize(m.text);
  if (offset < 0 || offset >= n) return {};
  const u8* p = deref(m.text);
  Size end = offset;
  while (end < n && p[end] != 13 && p[end] != 0) ++end;
  return macromantoutf8(std::string_view(reinterpret_cast<const char*>(p + offset), size_t(end - offset)));
}

// A headless run's transcript notes each message sent (its first line, UTF-8) and to whom.
void logmessage(std::string line, ConstStringPtr target) {
  if (!backend().headless()) return;
  if (target != nullptr && target[0] != 0) line += " to " + macromantoutf8(pstringview(target));
  transcriptadd(TranscriptKind::message, line);
}

// Sends along a built path, unless building it ran out of memory.
i16 sendalong(pathbuild& p, const tokmessage& m, ConstStringPtr target) {
  if (p.status() != 0) return kNoMemory;
  logmessage(messageline(m), target);
  return sendmes(p.path(), m.text, m.atoms, m.at, m.variables, m.result, m.mode);
}

// Makes the window that was current before a send current again; when it has gone, the
// front window becomes current, or none (no desk is left naming released records).
void restorewindow(u64 serial) {
  MainGlobals& g = mainglobals();
  if (getflip(serial, &g.current)) return;
  WindowRef top = nilid;
  if (topwindow(&top) == 0 || !getwind(top, &g.current)) g.current = desk{};
}

// --- The frame of a dispatch --------------------------------------------------------------------

// Makes the target's window current, raises the send depth and keeps `the target`; when it
// closes, puts them back and, at the outermost send, reports the status.
class sendframe {
 public:
  sendframe() : serial_(mainglobals().current.serial) {}
  sendframe(const sendframe&) = delete;
  sendframe& operator=(const sendframe&) = delete;

  // 118 when the window is not open (nothing else happens then).
  i16 enter(WindowRef window) {
    MainGlobals& g = mainglobals();
    desk d;
    if (window == nilid || !getwind(window, &d)) return kWindowNotOpen;
    g.current = d;
    begin();
    return 0;
  }
  // A send that keeps the current window.
  void begin() {
    MainGlobals& g = mainglobals();
    ++g.senddepth;
    kept_ = g.target;
    g.target = nilhandle;
    entered_ = true;
  }
  void settarget(ConstStringPtr text) {
    Handle h = nilhandle;
    if (PtrToHand(text + 1, &h, text[0]) == noErr) mainglobals().target = h;
  }
  i16 leave(i16 status, bool report = true) {
    if (!entered_) return status;
    entered_ = false;
    MainGlobals& g = mainglobals();
    if (g.target != nilhandle) DisposeHandle(g.target);
    g.target = kept_;
    restorewindow(serial_);
    if (g.senddepth > 0) --g.senddepth;
    if (g.senddepth == 0 && report) doerror(status);
    return status;
  }

 private:
  u64 serial_;
  Handle kept_ = nilhandle;
  bool entered_ = false;
};

// A message text tokenised into handles of its own, with an empty variable list.
class textmessage {
 public:
  explicit textmessage(std::string_view s) {
    vars_ = NewHandle(0);
    if (vars_ == nilhandle || PtrToHand(s.data(), &text_, Size(s.size())) != noErr) {
      status_ = kNoMemory;
      return;
    }
    status_ = tokenize(text_, &atoms_);
  }
  textmessage(const textmessage&) = delete;
  textmessage& operator=(const textmessage&) = delete;
  ~textmessage() {
    if (vars_ != nilhandle) dumpvars(vars_);
    if (atoms_ != nilhandle) DisposeHandle(atoms_);
    if (text_ != nilhandle) DisposeHandle(text_);
  }
  i16 status() const { return status_; }
  tokmessage get(Handle variables = nilhandle, u8 mode = sendmescommand) const {
    return tokmessage{text_, atoms_, 0, variables != nilhandle ? variables : vars_, nullptr, mode};
  }

 private:
  Handle text_ = nilhandle, atoms_ = nilhandle, vars_ = nilhandle;
  i16 status_ = 0;
};

template <class F>
i16 sendtext(std::string_view s, F&& dispatch) {
  textmessage t(s);
  if (t.status() != 0) return t.status();
  return dispatch(t.get());
}

bool locked(u16 force) { return mainglobals().lockMessages != 0 && force != sendforced; }

// Builds and sends the path of a menu or an item (the levels after the slots: the item, the
// menu, then the current card's). `the target` is the text of the menu or item.
i16 lowmenueval(const objread& ref, const tokmessage& m) {
  const desk& d = mainglobals().current;
  Str255 target;
  readback(ref, target);
  pathbuild p;
  p.frontslots();
  if (ref.kind == objitem) p.objectlevel(ref);
  objread menu = ref;
  menu.kind = objmenu;
  p.objectlevel(menu);
  p.desklevels(d);
  p.backslots();
  p.shared(d.store);
  return sendalong(p, m, target);
}

i16 menuframe(const objread& ref, const tokmessage& m, WindowRef window) {
  sendframe f;
  if (i16 st = f.enter(window); st != 0) return st;
  Str255 target;
  readback(ref, target);
  f.settarget(target);
  return f.leave(lowmenueval(ref, m));
}

objread menuref(const menuline& menu, u16 kind, i16 item) {
  objread r{};
  r.kind = kind;
  r.menu = menu;
  r.itemindex = item;
  r.held = 1;
  return r;
}

// The path of the current card of the current desk, or of no window at all (the slots and
// the shared project) when none is open.
void currentcardpath(pathbuild& p, StringPtr target) {
  const desk& d = mainglobals().current;
  target[0] = 0;
  p.frontslots();
  if (findprojectstore(d.store) != nullptr && d.card != nilhandle) {
    readback(deskref(d, objcard), target);
    p.desklevels(d);
  }
  p.backslots();
  p.shared(d.store);
}

// A send on the current card's path that keeps the current window: the frame begun, the path
// built and `the target` the card's text.
void begincurrent(sendframe& f, pathbuild& p, StringPtr target) {
  f.begin();
  currentcardpath(p, target);
  if (target[0] != 0) f.settarget(target);
}

// Sends to an object of the current desk (a button, field or graphic, or the card, background,
// window or project itself): `the target` is the object's text, the path its own level (for an
// object) and the desk's levels from `first` outwards.
i16 deskdispatch(sendframe& f, const objread& ref, const tokmessage& m, u16 first) {
  const desk& d = mainglobals().current;
  Str255 target;
  Handle script = nilhandle;
  u16 lvl = 0;
  objectlevel(ref, &script, &lvl, target);
  setranloctoread(&ref);
  f.settarget(target);
  pathbuild p;
  p.frontslots();
  if (ref.kind == objpart) p.level(script, hierobject, target);
  p.desklevels(d, first);
  p.backslots();
  p.shared(d.store);
  return sendalong(p, m, target);
}

// Sends to the card, background, window or project of a window: the desk's levels from that
// one outwards.
i16 deskeval(u16 kind, u16 first, const tokmessage& m, WindowRef window) {
  sendframe f;
  if (i16 st = f.enter(window); st != 0) return st;
  return f.leave(deskdispatch(f, deskref(mainglobals().current, kind), m, first));
}

struct HandleSendState {
  u16 depth = 0;  // runs of handlesend under way
};

}  // namespace

// --- Levels of a message path -------------------------------------------------------------------

void levelof(const desk& d, u16 lvl, StringPtr text) {
  text[0] = 0;
  switch (lvl) {
    case hiercard: readback(deskref(d, objcard), text); return;
    case hierbackground: readback(deskref(d, objbackground), text); return;
    case hierwindow: readback(deskref(d, objwindow), text); return;
    case hierproject:
      // A project is named as its window's text names it.
      readback(deskref(d, objwindow), text);
      dropblanks(text, 4);
      return;
    default: return;
  }
}

bool objectlevel(const objread& obj, Handle* script, u16* lvl, StringPtr text) {
  text[0] = 0;
  *script = nilhandle;
  switch (obj.kind) {
    case objitem:
      *lvl = hieritem;
      *script = itemscript(obj.menu, obj.itemindex);
      readback(obj, text);
      return true;
    case objmenu: {
      *lvl = hierobject;
      *script = recordscript<menurec>(obj.menu.menu);
      objread menu = obj;
      menu.kind = objmenu;
      readback(menu, text);
      return true;
    }
    case objpart:
      *lvl = hierobject;
      *script = spotscript(obj.objects, obj.objindex);
      readback(obj, text);
      return true;
    case objcard: *lvl = hiercard; break;
    case objbackground: *lvl = hierbackground; break;
    case objwindow: *lvl = hierwindow; break;
    case objproject: *lvl = hierproject; break;
    default: return false;
  }
  *script = lvlscript(obj.d, *lvl);
  levelof(obj.d, *lvl, text);
  return true;
}

i16 buildback(const desk& d, hier* out) {
  Str255 text;
  levelof(d, hierbackground, text);
  return makerecordhier(lvlscript(d, hierbackground), hierbackground, text, out);
}

void setranloctoread(const objread* obj) {
  MainGlobals& g = mainglobals();
  g.transitionLoc = Point{0, 0};
  if (g.quitting != 0 || obj == nullptr) return;
  const desk& d = obj->d;
  if (d.wind == nilhandle) return;
  Rect w = loadat<windrec>(deref(d.wind)).rect1;
  if (obj->kind == objpart) {
    if (d.cardspots == nilhandle || spotcount(d.cardspots) == 0) return;
    if (obj->objects == nilhandle || obj->objindex < 0 || obj->objindex >= spotcount(obj->objects)) return;
    Rect r = spotat(obj->objects, obj->objindex).rect;
    i32 top = r.top - w.top, left = r.left - w.left, bottom = r.bottom - w.top, right = r.right - w.left;
    Point p{i16(top + ((bottom - top) >> 1)), i16(left + ((right - left) >> 1))};
    LocalToGlobal(&p);
    g.transitionLoc = p;
  } else if (obj->kind == objcard || obj->kind == objbackground || obj->kind == objwindow || obj->kind == objproject) {
    g.transitionLoc = Point{i16(w.top + ((w.bottom - w.top) >> 1)), i16(w.left + ((w.right - w.left) >> 1))};
  }
}

// --- Dispatchers ------------------------------------------------------------------------------

i16 spoteval(Handle spots, i32 index, const tokmessage& m, WindowRef window) {
  sendframe f;
  if (i16 st = f.enter(window); st != 0) return st;
  const desk& d = mainglobals().current;
  objread ref{};
  ref.kind = objpart;
  ref.d = d;
  ref.objindex = i16(index);
  ref.objects = spots;
  ref.ownerrecid = spots == d.cardspots ? d.cardrecid : d.backrecid;
  return f.leave(deskdispatch(f, ref, m, hiercard));
}

i16 cardeval(const tokmessage& m, WindowRef window) { return deskeval(objcard, hiercard, m, window); }

i16 backeval(const tokmessage& m, WindowRef window) { return deskeval(objbackground, hierbackground, m, window); }

i16 windeval(const tokmessage& m, WindowRef window) { return deskeval(objwindow, hierwindow, m, window); }

i16 fileval(const tokmessage& m, WindowRef window) { return deskeval(objproject, hierproject, m, window); }

i16 shareval(const tokmessage& m) {
  MainGlobals& g = mainglobals();
  if (g.sharedstore == nilid) return kTargetNotOpen;
  sendframe f;
  f.begin();
  g.transitionLoc = Point{0, 0};
  Str255 name{};
  buildfilename(g.sharedstore, tok::short_, name);
  f.settarget(name);
  pathbuild p;
  p.shared(g.current.store, true);
  return f.leave(sendalong(p, m, name));
}

i16 menueval(const menuline& menu, const tokmessage& m, WindowRef window) {
  return menuframe(menuref(menu, objmenu, 0), m, window);
}

i16 itemeval(const menuline& menu, i16 item, const tokmessage& m, WindowRef window) {
  return menuframe(menuref(menu, objitem, item), m, window);
}

i16 dockmenueval(const tokmessage& m, WindowRef window) { return menueval(mainglobals().dockmenu, m, window); }

i16 dockitemeval(i16 item, const tokmessage& m, WindowRef window) {
  return itemeval(mainglobals().dockmenu, item, m, window);
}

// --- Senders of texts ----------------------------------------------------------------------

i16 spotsend(u16 force, Handle spots, i32 index, std::string_view text, WindowRef window) {
  if (locked(force)) return 0;
  return sendtext(text, [&](const tokmessage& m) { return spoteval(spots, index, m, window); });
}

i16 cardsend(std::string_view text, u16 mode, WindowRef window) {
  if (locked(mode)) return 0;
  return sendtext(text, [&](const tokmessage& m) { return cardeval(m, window); });
}

i16 backsend(std::string_view text, WindowRef window) {
  return sendtext(text, [&](const tokmessage& m) { return backeval(m, window); });
}

i16 windsend(std::string_view text, WindowRef window) {
  return sendtext(text, [&](const tokmessage& m) { return windeval(m, window); });
}

i16 filesend(std::string_view text, WindowRef window) {
  return sendtext(text, [&](const tokmessage& m) { return fileval(m, window); });
}

i16 sharesend(std::string_view text) {
  return sendtext(text, [&](const tokmessage& m) { return shareval(m); });
}

i16 menusend(const menuline& menu, std::string_view text, WindowRef window) {
  return sendtext(text, [&](const tokmessage& m) { return menueval(menu, m, window); });
}

i16 dockmenusend(std::string_view text, WindowRef window) {
  return sendtext(text, [&](const tokmessage& m) { return dockmenueval(m, window); });
}

i16 itemsend(const menuline& menu, i16 item, std::string_view text, WindowRef window) {
  return sendtext(text, [&](const tokmessage& m) { return itemeval(menu, item, m, window); });
}

i16 dockmenuitemsend(i16 item, std::string_view text, WindowRef window) {
  return sendtext(text, [&](const tokmessage& m) { return dockitemeval(item, m, window); });
}

// --- Sending to a descriptor -----------------------------------------------------------------

i16 lowsend(std::string_view text, hierpath path, Handle variables, const objread& obj) {
  WindowRef top = nilid;
  switch (obj.kind) {
    case objnone: return kNoObject;
    case objitem:
    case objmenu:
      if (obj.menu.menu == nilhandle) return kTargetNotOpen;
      topwindow(&top);
      if (isdockmenuline(obj.menu))
        return obj.kind == objitem ? dockmenuitemsend(obj.itemindex, text, top) : dockmenusend(text, top);
      return obj.kind == objitem ? itemsend(obj.menu, obj.itemindex, text, top) : menusend(obj.menu, text, top);
    case objpart:
      if (obj.objects == nilhandle) return kTargetNotOpen;
      return spotsend(sendforced, obj.objects, obj.objindex, text, obj.d.window);
    case objcard: return obj.d.card == nilhandle ? kTargetNotOpen : cardsend(text, sendforced, obj.d.window);
    case objbackground: return obj.d.back == nilhandle ? kTargetNotOpen : backsend(text, obj.d.window);
    case objwindow: return obj.d.wind == nilhandle ? kTargetNotOpen : windsend(text, obj.d.window);
    case objproject: return obj.d.head == nilhandle ? kTargetNotOpen : filesend(text, obj.d.window);
    case objshared: return sharesend(text);
    case objapp: {
      Handle h = nilhandle;
      if (PtrToHand(text.data(), &h, Size(text.size())) != noErr) return kNoMemory;
      i16 st = hypesend(path, variables, h);
      DisposeHandle(h);
      return st;
    }
    default: return kTargetNotOpen;
  }
}

i16 lowdispatch(const objread& obj, const tokmessage& m) {
  WindowRef top = nilid;
  desk open;
  switch (obj.kind) {
    case objitem:
    case objmenu:
      if (obj.menu.menu == nilhandle) return kTargetNotOpen;
      topwindow(&top);
      if (isdockmenuline(obj.menu))
        return obj.kind == objitem ? dockitemeval(obj.itemindex, m, top) : dockmenueval(m, top);
      return obj.kind == objitem ? itemeval(obj.menu, obj.itemindex, m, top) : menueval(obj.menu, m, top);
    case objpart:
    case objembedded:
    case objcard:
    case objbackground:
    case objwindow:
    case objproject:
      if (obj.d.window == nilid || !getwind(obj.d.window, &open)) return kTargetNotOpen;
      if (obj.kind == objpart || obj.kind == objembedded) return spoteval(obj.objects, obj.objindex, m, obj.d.window);
      if (obj.kind == objcard) return cardeval(m, obj.d.window);
      if (obj.kind == objbackground) return backeval(m, obj.d.window);
      if (obj.kind == objwindow) return windeval(m, obj.d.window);
      return fileval(m, obj.d.window);
    case objshared: return shareval(m);
    default: return kNoObject;
  }
}

// --- Senders on the current window --------------------------------------------------------------

i16 xcomsend(std::string_view text, Handle variables, u8 mode) {
  textmessage t(text);
  if (t.status() != 0) return t.status();
  Str255 target;
  pathbuild p;
  currentcardpath(p, target);
  return sendalong(p, t.get(variables, mode), target);
}

i16 xcomdo(std::string_view text, Handle variables) {
  Handle lines = nilhandle;
  if (PtrToHand(text.data(), &lines, Size(text.size())) != noErr) return kNoMemory;
  sendframe f;
  Str255 target;
  pathbuild p;
  begincurrent(f, p, target);
  i16 st = kNoMemory;
  if (p.status() == 0) {
    logmessage(macromantoutf8(text.substr(0, text.find('\r'))), target);
    st = meesend(lines, variables, p.path(), mainglobals().target);
  }
  DisposeHandle(lines);
  return f.leave(st, false);
}

i16 evalsend(std::string_view text, fred* result) {
  newfred(result, fredtemp, fredstring, 0);
  textmessage t(text);
  if (t.status() != 0) return t.status();
  tokmessage m = t.get();
  u16 first = tokenat(m.atoms, 0);
  if (first == tok::endofline || first == tok::endofscript) return 0;
  MainGlobals& g = mainglobals();
  sendframe f;
  Str255 target;
  pathbuild p;
  begincurrent(f, p, target);
  i16 st = p.status() != 0 ? kNoMemory : i16(0);
  if (st == 0) {
    i32 literals = g.unquotedliterals;
    i32 used = 0;
    fred v;
    st = expression(p.path(), m.text, m.atoms, 0, g.globalvars, nilhandle, &used, &v);
    if (st == 0) {
      u16 after = tokenat(m.atoms, used);
      if (after != tok::endofline && after != tok::endofscript) st = kStray;
      else if (used == 1 && g.unquotedliterals != literals) st = kNoObject;
      if (st == 0) {
        disposfred(result);
        *result = v;
      } else {
        disposfred(&v);
      }
    }
  }
  return f.leave(st, false);
}

i16 handlesend(std::string_view statements) {
  std::string script = "on XcomRunHandler\r";
  script += statements;
  script += "\rend XcomRunHandler";
  Handle text = nilhandle;
  if (PtrToHand(script.data(), &text, Size(script.size())) != noErr) return kNoMemory;
  // Each nested run gets a key of its own, so that an inner run never finds the outer one's
  // script in the cache.
  u16& depth = state<HandleSendState>().depth;
  std::string key = "XCMD/XFCN Run Handler Script";
  if (depth > 0) key.append(" ").append(std::to_string(depth));
  Str255 keytext;
  setpstring(keytext, key);
  const desk& d = mainglobals().current;
  Str255 card{};
  pathbuild p;
  p.frontslots();
  // The run handler stands where an item's level would stand; marked at once, its entry goes
  // when this run releases it.
  p.textlevel(text, hieritem, keytext);
  DisposeHandle(text);
  markhier(hieritem, keytext);
  if (findprojectstore(d.store) != nullptr && d.card != nilhandle) {
    readback(deskref(d, objcard), card);
    p.desklevels(d);
  }
  p.backslots();
  p.shared(d.store);
  if (p.status() != 0) return kNoMemory;
  textmessage t("XcomRunHandler");
  if (t.status() != 0) return t.status();
  ++depth;
  i16 st = sendalong(p, t.get(nilhandle, 3), card);
  --depth;
  return st;
}

}  // namespace kv
