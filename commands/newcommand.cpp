// The `new` command: a button, field or graphic on the current card or background, a card, a
// background, a window, a menu, a project file or a folder, with the messages that announce
// them.
#include "commands/newcommand.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>

#include "commands/dispatch.h"
#include "commands/objectids.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/newscript.h"
#include "shell/redraws.h"
#include "shell/volumes.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/backtext.h"
#include "store/creating.h"
#include "store/fieldtext.h"
#include "store/forms.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr Size kRoomNeeded = 30000;  // memory, and disk beyond what the store may need
constexpr u64 kProjectRoom = 29999;  // a new project needs more free bytes than this
constexpr u32 kReclaimIds = 20;      // ids the store is asked to make room for
constexpr i16 kMessages = 1000, kSavePrompt = 9, kUntitled = 4;
constexpr i16 kCancelResult = 1;
constexpr u32 kVisibleFlag = 1u << 0, kFieldTextFlag = 1u << 20, kAutoDimFlag = 1u << 27;

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

// The name an expression at atom *i gives (at most 255 bytes); *i moves past it.
scriptstatus nameoperand(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, Str255 name) {
  fred v;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v)) return st;
  fredtostring(&v, name);
  disposfred(&v);
  *i += used;
  return 0;
}

// Sends messages in order to the current card: each only when the one before succeeded and
// the card is still the one the sequence started on. A changed card ends it with 0; nothing is
// sent while messages are locked.
i16 announce(std::initializer_list<const char*> messages) {
  MainGlobals& g = mainglobals();
  if (g.lockMessages) return 0;
  u64 stamp = g.current.changestamp;
  for (const char* m : messages) {
    if (i16 st = cardsend(m, sendnormal, g.current.window)) return st;
    if (g.current.changestamp != stamp) return 0;
  }
  return 0;
}

// The current project must take the new records: 44 when it cannot be written, 37 when its
// disk lacks the room the store may need for them.
i16 roomforrecords(RegistryId store) {
  if (islocked(store)) return kCannotWrite;
  u32 bytes = 0;
  if (totalstar(store, kReclaimIds, &bytes) != 0) return kCannotWrite;
  if (nodiskspace(store, u64(bytes) + kRoomNeeded)) return err::nomemory;
  return 0;
}

// Writes back and releases the live text records of the fields of a list.
void putdownfields(Handle list) {
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (livefield(s) == 0) continue;
    packlivefield(s);
    releaselivefield(s);
    putspot(list, i, s);
  }
}

// Writes the current window record back and flushes the store.
void savewindow(const desk& d) {
  checkerr(savevir(d.store, i32(d.windrecid)));
  checkerr(flushstar(d.store));
}

// The window moves to the card after the current one (the card just inserted). 0 also when a
// handler moved elsewhere meanwhile.
i16 gotonewcard() {
  const i16 st = bumpcard();
  return st == kCardChanged ? i16(0) : st;
}

// --- Buttons, fields and graphics ----------------------------------------------------------

// The object list of the layer being edited, made when the record has none.
i16 editedlist(desk& d, Handle* list) {
  bool back = d.backlayer != 0;
  *list = back ? d.backspots : d.cardspots;
  if (*list != nilhandle) return 0;
  *list = NewHandle(0);
  if (*list == nilhandle) return err::nomemory;
  if (back) {
    backrec r = loadat<backrec>(deref(d.back));
    r.objects = *list;
    storeat<backrec>(deref(d.back), r);
    d.backspots = *list;
  } else {
    cardrec r = loadat<cardrec>(deref(d.card));
    r.objects = *list;
    storeat<cardrec>(deref(d.card), r);
    d.cardspots = *list;
  }
  putwind(d.window, d);
  return 0;
}

// A new object of a kind with its defaults; its parts are made here. False when memory ran out
// (nothing is left allocated).
bool makeobject(u16 kind, u32 id, spot* out) {
  spot s{};
  defaultspot(s);
  s.id = id;
  switch (kind) {
    case tok::btn: {
      s.style = 201;
      s.kind = spotbutton;
      s.rect = Rect{0, 0, 20, 80};
      Handle script = newscript(scriptbutton);
      if (script == nilhandle) return false;
      s.script = script;
      buttontail t{};
      t.words.v[1] = 12;
      t.words.v[3] = 1;
      setbuttontail(s, t);
      break;
    }
    case tok::field: {
      s.style = stylefieldrect;
      s.kind = spotfield;
      s.rect = Rect{0, 0, 100, 150};
      s.flags = s.flags | kFieldTextFlag;
      const MainGlobals& g = mainglobals();
      fieldtail tail = defaultfieldtail();
      tail.just = g.textAlign;
      tail.lineheight = g.textHeight;
      Handle data = NewHandle(0);
      if (data == nilhandle) return false;
      if (setemptyfieldtext(data, tail) != noErr) {
        DisposeHandle(data);
        return false;
      }
      s.data = data;
      setfieldkindtail(s, fieldkindtail{});
      break;
    }
    default: {
      s.style = stylerectangle;
      s.kind = spotgraphic;
      s.rect = Rect{0, 0, 100, 150};
      s.ink = 0;
      graphictail t{};
      t.startangle = 15;
      t.arcangle = 15;
      setgraphictail(s, t);
      break;
    }
  }
  s.flags = s.flags | kAutoDimFlag;
  *out = s;
  return true;
}

const char* objectmessage(u16 kind) {
  return kind == tok::btn ? "newButton" : kind == tok::field ? "newField" : "newGraphic";
}

i16 newobject(u16 kind, bool invisible) {
  MainGlobals& g = mainglobals();
  desk& d = g.current;
  Handle list = nilhandle;
  if (i16 st = editedlist(d, &list)) return st;
  spot s{};
  if (!makeobject(kind, uniqueid(list, 0), &s)) return err::nomemory;
  if (invisible) s.flags = s.flags & ~kVisibleFlag;
  if (PtrAndHand(&s, list, Size(sizeof s)) != noErr) {
    Handle parts = NewHandle(0);
    if (parts != nilhandle && PtrAndHand(&s, parts, Size(sizeof s)) == noErr) dumpspot(parts);
    else if (parts != nilhandle) DisposeHandle(parts);
    return err::nomemory;
  }
  checkerr(changevir(d.store, i32(d.backlayer ? d.backrecid : d.cardrecid)));
  if (!invisible) drawedit(d, nullptr);
  // The message goes to the new object itself, the top of its list.
  return spotsend(sendnormal, list, spotcount(list) - 1, objectmessage(kind), d.window);
}

// --- Cards, backgrounds, windows and menus -------------------------------------------------

i16 newcardcommand() {
  desk& d = mainglobals().current;
  putdownfields(d.cardspots);
  putdownfields(d.backspots);
  Handle texts = NewHandle(0);
  if (texts == nilhandle) return err::nomemory;
  if (getbacktext(d.backspots, texts) != noErr || cleanbacktext(texts, texts) != noErr) {
    DisposeHandle(texts);
    return err::nomemory;
  }
  if (i16 st = newcard(d.store, d.wind, i32(d.windrecid), i32(d.cardnum), d.backrecid, d.backid, texts, nilhandle))
    return st;
  savewindow(d);
  if (i16 st = gotonewcard()) return st;
  return announce({"newCard"});
}

i16 newbackcommand() {
  desk& d = mainglobals().current;
  putdownfields(d.cardspots);
  putdownfields(d.backspots);
  if (i16 st = newback(d.store, d.wind, i32(d.windrecid), i32(d.cardnum))) return st;
  savewindow(d);
  if (i16 st = gotonewcard()) return st;
  return announce({"newBackground", "newCard"});
}

i16 newwindowcommand(bool invisible) {
  desk d = mainglobals().current;
  i32 count = i32(loadat<librec>(deref(d.windlib)).entrycount);
  u32 windrecid = 0, windowid = 0;
  if (i16 st = newind(d.store, d.windlib, count, &windrecid, &windowid)) return st;
  Handle window = nilhandle;
  checkerr(getvir(d.store, i32(windrecid), &window));
  i16 st = newback(d.store, window, i32(windrecid), 0);
  checkerr(putvir(d.store, i32(windrecid)));
  if (st != 0) return st;
  checkerr(savevir(d.store, i32(d.windrecid)));
  checkerr(savevir(d.store, kWindowLibrary));
  checkerr(flushstar(d.store));
  form f{};
  f.wind = selpart{selnumber, count + 1, {}, 0};
  st = openwindow(f, 0, invisible ? 1 : 0);
  if (st != 0) return st == kCardChanged ? i16(0) : st;
  return announce({"newWindow", "newBackground", "newCard"});
}

scriptstatus newmenucommand(hierpath path, Handle text, Handle atoms, i32 i, Handle variables) {
  Str255 name{};
  if (!lineends(atoms, i))
    if (i16 st = nameoperand(path, text, atoms, &i, variables, name)) return st;
  if (!lineends(atoms, i)) return err::stray;
  desk& d = mainglobals().current;
  Handle library = nilhandle;
  checkerr(getvir(d.store, kMenuLibrary, &library));
  u32 menurecid = 0, menuid = 0;
  i16 st = newmenu(d.store, library, name, &menurecid, &menuid);
  if (st == 0) checkerr(savevir(d.store, kMenuLibrary));
  checkerr(putvir(d.store, kMenuLibrary));
  if (st != 0) return st;
  checkerr(flushstar(d.store));
  return announce({"newMenu"});
}

// --- Projects and folders ------------------------------------------------------------------

// The name a save dialog gives, or 62 (`the result` "Cancel") when it is cancelled.
i16 asknewname(i16 extension, Str255 name) {
  Str255 prompt{}, untitled{};
  GetIndString(prompt, kMessages, kSavePrompt);
  GetIndString(untitled, kMessages, kUntitled);
  std::string def = std::string(pstringview(untitled)).substr(0, 250) + ".kv45";
  Str255 defaultname{};
  pstrassign(defaultname, 256, def.data(), def.size());
  if (runputfile(prompt, defaultname, extension, name) != 0) return 0;
  StringPtr cancel = resultstr(kCancelResult);
  Handle& result = mainglobals().result;
  if (result == nilhandle) PtrToHand(cancel + 1, &result, cancel[0]);
  else PtrToXHand(cancel + 1, result, cancel[0]);
  return err::cancelled;
}

// An existing file of the new project's name goes, when it is a project file that is neither
// locked nor in use: 0, or 44.
i16 replacefile(u32 dirid, ConstStringPtr leaf) {
  FInfo info{};
  OSErr e = HGetFInfo(kBootVolume, dirid, leaf, &info);
  if (e == fnfErr) return 0;
  if (e != noErr || info.fdType != kProjectType || info.fdCreator != kProjectCreator) return kCannotWrite;
  bool locked = false;
  if (HGetFLock(kBootVolume, dirid, leaf, &locked) != noErr || locked) return kCannotWrite;
  return HDelete(kBootVolume, dirid, leaf) == noErr ? i16(0) : kCannotWrite;
}

scriptstatus newprojectcommand(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, bool invisible) {
  Str255 name{};
  bool named = false;
  u16 t = tokenat(atoms, i);
  if (!lineends(atoms, i) && t != tok::hide && t != tok::show) {
    if (i16 st = nameoperand(path, text, atoms, &i, variables, name)) return st;
    named = true;
  }
  i16 extension = 0;
  t = tokenat(atoms, i);
  if ((t == tok::hide || t == tok::show) && tokenat(atoms, i + 1) == tok::extension) {
    extension = t == tok::show ? 1 : 2;
    i += 2;
  }
  if (!lineends(atoms, i)) return err::stray;
  if (!named)
    if (i16 st = asknewname(extension, name)) return st;
  u32 dirid = 0;
  Str255 leaf{};
  if (!projectplace(name, &dirid, leaf)) return kCannotWrite;
  if (i16 st = replacefile(dirid, leaf)) return st;
  u64 free = 0;
  if (volumefreebytes(kBootVolume, dirid, &free) == noErr && free <= kProjectRoom) return kCannotWrite;
  if (i16 st = newprojectfile(kBootVolume, dirid, leaf)) return st;
  // `hide extension` and `show extension` (or the save dialog's choice of them) mark the file.
  if (extension != 0) hideFileExtension(kBootVolume, dirid, leaf, extension == 2 ? 1 : 0);
  FInfo info{};
  if (HGetFInfo(kBootVolume, dirid, leaf, &info) != noErr) return kCannotWrite;
  addir(kBootVolume, dirid);
  // The first window of the new file, named by its full path.
  std::string folder;
  pathoffolder(dirid, &folder);
  if (folder.empty() || folder.back() != '/') folder += '/';
  std::string full = folder + std::string(pstringview(leaf));
  form f{};
  f.wind = selpart{selnumber, 1, {}, 0};
  if (full.size() <= 255) pstrassign(f.proj.name, 256, full.data(), full.size());
  else std::memcpy(f.proj.name, name, size_t(name[0]) + 1);
  i16 st = openwindow(f, 0, invisible ? 1 : 0);
  if (st != 0) return st == kCardChanged ? i16(0) : st;
  return announce({"newProject", "newWindow", "newBackground", "newCard"});
}

scriptstatus newfoldercommand(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, bool invisible) {
  if (invisible || lineends(atoms, i)) return err::cantunderstand;
  Str255 name{};
  if (i16 st = nameoperand(path, text, atoms, &i, variables, name)) return st;
  if (!lineends(atoms, i)) return err::stray;
  u32 made = 0;
  if (OSErr e = DirCreate(kBootVolume, 0, name, &made)) {
    std::string message = "err = " + std::to_string(e);
    Handle& result = mainglobals().result;
    if (result == nilhandle) PtrToHand(message.data(), &result, Size(message.size()));
    else PtrToXHand(message.data(), result, Size(message.size()));
  }
  return 0;
}

// The kind of a word after `new`: its token when `new` makes that kind, else 0.
u16 kindof(u16 t) {
  switch (t) {
    case tok::btn:
    case tok::field:
    case tok::grc:
    case tok::menu:
    case tok::card:
    case tok::background:
    case tok::wd:
    case tok::project:
    case tok::folder: return t;
    default: return 0;
  }
}

}  // namespace

scriptstatus comnew(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  if (memoryrefused(kRoomNeeded)) return err::nomemory;
  i32 i = at + 1;
  bool invisible = false;
  if (tokenat(atoms, i) == tok::invisible) {
    // Only while the plug-in mode is off and the colour modes' word is clear.
    invisible = g.plugin == 0 && g.backColor == 0;
    ++i;
  }
  u16 kind = kindof(tokenat(atoms, i));
  if (kind == 0) return err::cantunderstand;
  ++i;
  if (kind == tok::project) return newprojectcommand(path, text, atoms, i, variables, invisible);
  // `invisible` before a kind that cannot be hidden is an error even where it would be ignored.
  bool explicitinvisible = tokenat(atoms, at + 1) == tok::invisible;
  if (kind == tok::folder) return newfoldercommand(path, text, atoms, i, variables, explicitinvisible);
  if (explicitinvisible && (kind == tok::menu || kind == tok::card || kind == tok::background))
    return err::cantunderstand;
  if (kind != tok::menu && !lineends(atoms, i)) return err::stray;
  if (findprojectstore(g.current.store) == nullptr || g.current.window == nilid) return err::noproject;
  if (i16 st = roomforrecords(g.current.store)) return st;
  switch (kind) {
    case tok::menu: return newmenucommand(path, text, atoms, i, variables);
    case tok::card: return newcardcommand();
    case tok::background: return newbackcommand();
    case tok::wd: return newwindowcommand(invisible);
    default: return newobject(kind, invisible);
  }
}

}  // namespace kv
