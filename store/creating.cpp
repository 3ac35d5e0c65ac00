// Creating cards, backgrounds, windows, menus and project files (see creating.h).
#include "store/creating.h"

#include <algorithm>
#include <string>

#include "engine/geometry.h"
#include "engine/lookups.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "platform/windows/screens.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/newscript.h"
#include "store/namekey.h"
#include "store/packing.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37;
constexpr u32 kWindowFlags = 15;  // close box, zoom box, resizable, draggable
constexpr i16 kPatternList = 1000, kBrushes = 1000;
constexpr i32 kLibraries = 4;

// A new record of a kind: its fixed part with every handle field 0.
template <class R>
Handle newrecord(const R& fixed) {
  Handle h = NewHandle(Size(sizeof(R)));
  if (h != nilhandle) storeat<R>(deref(h), fixed);
  return h;
}

// Frees the parts of a fixed part that never became a record.
template <class R>
void dropparts(const R& r) {
  dumpparts(*parttable(u16(r.kind)), reinterpret_cast<const u8*>(&r));
}

// The record of a fixed part with the parts every named record starts with: an empty name, an
// empty script and, for a card or background, an empty object list. None when memory runs out
// (the parts the fixed part already had are freed too).
template <class R>
Handle namedrecord(R& r) {
  constexpr bool objects = requires { r.objects; };
  Handle name = NewHandle(0), script = newscript(scriptempty), list = objects ? NewHandle(0) : nilhandle;
  r.name = name;
  r.script = script;
  if constexpr (objects) r.objects = list;
  Handle rec = name != nilhandle && script != nilhandle && (!objects || list != nilhandle) ? newrecord(r) : nilhandle;
  if (rec == nilhandle) dropparts(r);
  return rec;
}

// Adds an unpacked record; the record is the store's afterwards. A failure is fatal.
u32 addrecord(RegistryId store, Handle rec) {
  i32 id = 0;
  checkerr(addvir(store, &id, rec));
  return u32(id);
}

void raisechangecounter() { ++mainglobals().changecounter; }

u32 keyof(ConstStringPtr name) {
  u32 key = 0;
  getkey(name, &key);
  return key;
}

// The name of the current background (empty when there is none).
void currentbackname(Str255 name) {
  name[0] = 0;
  const desk& d = mainglobals().current;
  if (d.back == nilhandle) return;
  Handle n = loadat<backrec>(deref(d.back)).name;
  if (n == nilhandle) return;
  name[0] = u8(std::min<Size>(GetHandleSize(n), 255));
  BlockMoveData(deref(n), name + 1, name[0]);
}

// Takes the window's next id (which then grows by one) and raises one of its counts.
u32 takewindowid(RegistryId store, Handle window, i32 windowid, bool card) {
  windrec w = loadat<windrec>(deref(window));
  u32 id = w.nextid;
  w.nextid = id + 1;
  if (card) w.cardcount = w.cardcount + 1;
  else w.backcount = w.backcount + 1;
  storeat<windrec>(deref(window), w);
  checkerr(changevir(store, windowid));
  return id;
}

// Takes the library's next id (which then grows by one) and counts one more entry.
u32 takelibraryid(Handle library) {
  librec l = loadat<librec>(deref(library));
  u32 id = l.idcounter;
  l.idcounter = id + 1;
  l.entrycount = l.entrycount + 1;
  storeat<librec>(deref(library), l);
  return id;
}

// A copy of one of the program's resources; none when it is missing or memory runs out.
Handle resourcecopy(ResType type, i16 id) {
  Handle r = GetResource(type, id);
  if (r == nilhandle) return nilhandle;
  Handle copy = r;
  OSErr e = HandToHand(&copy);
  ReleaseResource(r);
  return e == noErr ? copy : nilhandle;
}

// The project's pattern list: its count word turned to host order when the size does not
// match the count as read.
Handle patternlist() {
  Handle h = resourcecopy(fourcc("PAT#"), kPatternList);
  if (h == nilhandle || GetHandleSize(h) < 2) return h;
  u16 count = loadat<u16>(deref(h));
  if (Size(count) * 8 + 2 != GetHandleSize(h)) storeat<u16>(deref(h), u16(count << 8 | count >> 8));
  return h;
}

// The brush list: its rows (16-bit words, stored big-endian in the resource) in host order,
// as the head record keeps them in memory.
Handle brushlist() {
  Handle h = resourcecopy(fourcc("BRUS"), kBrushes);
  if (h == nilhandle) return h;
  u8* p = deref(h);
  for (Size at = 0; at + 2 <= GetHandleSize(h); at += 2) storeat<u16>(p + at, u16(p[at] << 8 | p[at + 1]));
  return h;
}

// The head record of a new project. None when memory runs out.
Handle newhead() {
  headrec r{};
  r.kind = kindhead;
  r.rect = Rect{60, 40, 256, 290};
  Handle script = newscript(scriptempty), patterns = patternlist(), brushes = brushlist();
  r.script = script;
  r.patterns = patterns;
  r.brushes = brushes;
  Handle h = script != nilhandle && patterns != nilhandle && brushes != nilhandle ? newrecord(r) : nilhandle;
  if (h == nilhandle) dropparts(r);
  return h;
}

// An empty library record.
Handle newlibrary() {
  librec r{};
  r.kind = kindlib;
  r.idcounter = kFirstLibraryId;
  return newrecord(r);
}

// Holds a record through the cache; a failure is fatal.
Handle hold(RegistryId store, u32 id) {
  Handle h = nilhandle;
  checkerr(getvir(store, i32(id), &h));
  return h;
}
void release(RegistryId store, u32 id) { checkerr(putvir(store, i32(id))); }

// Fills an open, empty project: the head record, four libraries, and the first window with
// its background and card. 0, 37, or a store failure.
i16 fillproject(RegistryId store) {
  Handle head = newhead();
  if (head == nilhandle) return kNoMemory;
  i32 id = 0;
  if (i16 e = addvir(store, &id, head)) {
    dump(head);
    return e;
  }
  for (i32 i = 0; i < kLibraries; ++i) {
    Handle lib = newlibrary();
    if (lib == nilhandle) return kNoMemory;
    if (i16 e = addvir(store, &id, lib)) {
      dump(lib);
      return e;
    }
  }
  if (i16 e = flushstar(store)) return e;
  Handle library = hold(store, kWindowLibrary);
  u32 windrecid = 0, windowid = 0;
  i16 e = newind(store, library, 0, &windrecid, &windowid);
  if (e == 0) {
    Handle window = hold(store, windrecid);
    e = newback(store, window, i32(windrecid), 0);
    release(store, windrecid);
  }
  release(store, kWindowLibrary);
  return e;
}

}  // namespace

i16 newcard(RegistryId store, Handle window, i32 windowid, i32 before, u32 backrecid, u32 backid, Handle backtext,
            Handle extras, u32* cardrecid) {
  cardrec r{};
  r.kind = kindcard;
  r.rect = Rect{44, 4, 337, 500};
  r.backtext = backtext;
  r.alt = extras;
  Handle rec = namedrecord(r);
  if (rec == nilhandle) return kNoMemory;
  u32 recid = addrecord(store, rec);
  raisechangecounter();
  wordentry e{};
  e.cardrecord = recid;
  e.backrecord = backrecid;
  e.cardid = takewindowid(store, window, windowid, true);
  e.backid = backid;
  Str255 backname;
  currentbackname(backname);
  e.namekey = keyof(backname);
  checkerr(sumutil(store, window, windowid, before, e));
  bumpage(store, window, windowid);
  if (cardrecid) *cardrecid = recid;
  return 0;
}

i16 newback(RegistryId store, Handle window, i32 windowid, i32 before) {
  windrec w = loadat<windrec>(deref(window));
  backrec r{};
  r.kind = kindback;
  r.height = u16(w.rect1.bottom - w.rect1.top);
  r.width = u16(w.rect1.right - w.rect1.left);
  Handle backtext = NewHandle(0);
  if (backtext == nilhandle) return kNoMemory;
  Handle rec = namedrecord(r);
  if (rec == nilhandle) {
    DisposeHandle(backtext);
    return kNoMemory;
  }
  u32 recid = addrecord(store, rec);
  raisechangecounter();
  u32 backid = takewindowid(store, window, windowid, false);
  return newcard(store, window, windowid, before, recid, backid, backtext, nilhandle);
}

Rect newwindowrect() {
  Rect screen = screenbounds(0);
  bool wide = screen.right - screen.left > 1023;
  Rect r{0, 0, i16(wide ? 360 : 300), i16(wide ? 540 : 400)};
  MyCenterRectInRect(&r, screen);
  return r;
}

i16 newind(RegistryId store, Handle library, i32 before, u32* windrecid, u32* windowid) {
  windrec r{};
  r.kind = kindwind;
  r.flags = kWindowFlags;
  r.nextid = kFirstWindowItemId;
  r.rect1 = newwindowrect();
  r.rect2 = Rect{120, 100, 300, 350};
  Handle rec = namedrecord(r);
  if (rec == nilhandle) return kNoMemory;
  u32 recid = addrecord(store, rec);
  raisechangecounter();
  u32 id = takelibraryid(library);
  checkerr(addutil(store, library, before, bookentry{recid, id, 0, 0}));
  bumprack(store, library);
  checkerr(changevir(store, kWindowLibrary));
  *windrecid = recid;
  *windowid = id;
  return 0;
}

i16 newmenu(RegistryId store, Handle library, ConstStringPtr name, u32* menurecid, u32* menuid) {
  menurec r{};
  r.kind = kindmenu;
  r.rect = Rect{60, 40, 256, 290};
  Handle rec = nilhandle, text = nilhandle;
  if (PtrToHand(name + 1, &text, name[0]) == noErr) {
    r.name = text;
    Handle items = NewHandle(0), script = items != nilhandle ? newscript(scriptempty) : nilhandle;
    r.items = items;
    r.script = script;
    if (script != nilhandle) rec = newrecord(r);
  }
  if (rec == nilhandle) {
    dropparts(r);
    return kNoMemory;
  }
  u32 recid = addrecord(store, rec);
  u32 id = takelibraryid(library);
  i32 count = i32(loadat<librec>(deref(library)).entrycount);
  checkerr(addutil(store, library, count - 1, bookentry{recid, id, keyof(name), 0}));
  bumprack(store, library);
  checkerr(changevir(store, kMenuLibrary));
  *menurecid = recid;
  *menuid = id;
  return 0;
}

bool projectplace(ConstStringPtr name, u32* dirid, Str255 leaf) {
  std::string_view n = pstringview(name);
  std::size_t slash = n.rfind('/');
  std::string folder = slash == std::string_view::npos ? "." : std::string(n.substr(0, slash == 0 ? 1 : slash));
  std::string_view file = slash == std::string_view::npos ? n : n.substr(slash + 1);
  if (file.empty() || folderidofpath(folder, dirid) != noErr) return false;
  pstrassign(leaf, 256, file.data(), file.size());
  return true;
}

i16 newprojectfile(i16 volume, u32 dirid, ConstStringPtr name) {
  if (createstar(volume, dirid, name) != 0) return kCannotWrite;
  FInfo info{kProjectType, kProjectCreator, 0, {0, 0}, 0};
  RegistryId store = newprojectstore();
  i16 e = store == nilid ? kNoMemory : HSetFInfo(volume, dirid, name, &info);
  if (e == 0) {
    e = openvir(volume, dirid, name, store);
    if (e == 0) {
      e = fillproject(store);
      if (e == 0) e = closevir(store);
      if (e != 0) {
        // What could not be written is forgotten, and the file goes.
        clearvir(store);
        closevir(store);
      }
      store = nilid;
    }
  }
  if (store != nilid) disposeprojectstore(store);
  if (e != 0) {
    HDelete(volume, dirid, name);
    return kCannotWrite;
  }
  return 0;
}

}  // namespace kv
