// Card, window and menu deletion: the delete messages, the move away, then the records and
// their list entries leave the store. A list whose counts do not hold together is refused
// before anything changes.
#include "tools/carddeletion.h"

#include <algorithm>
#include <vector>

#include "engine/lookups.h"
#include "engine/objectsend.h"
#include "engine/scripterrors.h"
#include "platform/memory/memory.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "shell/menusets.h"
#include "shell/projectclose.h"
#include "shell/windnav.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/creating.h"
#include "store/objread.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/starfile.h"

namespace kv {

namespace {

// One delete message to the current card: 0 to go on, else *answer holds what the command
// answers (a handler's status, or 0 when it moved elsewhere).
bool sendgoes(const char* message, i16* answer) {
  MainGlobals& g = mainglobals();
  const u64 stamp = g.current.changestamp;
  const RegistryId window = g.current.window;
  *answer = cardsend(message, sendnormal, window);
  if (*answer != 0) return false;
  return g.current.window == window && g.current.changestamp == stamp;
}

}  // namespace

i16 cardclear() {
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  if (d.wind == nilhandle || d.card == nilhandle || d.back == nilhandle) return err::damagedrecord;
  const windrec w = loadat<windrec>(deref(d.wind));
  if (w.cardcount < 2) return err::damagedrecord;
  if (loadat<cardrec>(deref(d.card)).flags & 1u) return err::cantdelete;
  if (islocked(d.store)) return 0;
  // A damaged card list is refused before anything changes.
  if (!wordsaddup(d.wind)) return err::damagedrecord;
  ++g.changecounter;
  const u32 cardnum = d.cardnum, cardrecid = d.cardrecid, backrecid = d.backrecid;
  i32 onback = 0;
  eachword(d.store, d.wind, 1, i32(w.cardcount), [&](i32, const wordentry& e) {
    if (e.backrecord == backrecid) ++onback;
    return onback >= 2;
  });
  const bool lastofback = onback < 2;
  if (lastofback && (loadat<backrec>(deref(d.back)).word2 & 1u)) return err::cantdeleteback;
  if (!g.lockMessages) {
    i16 answer = 0;
    if (!sendgoes("deleteCard", &answer)) return answer;
    if (lastofback && !sendgoes("deleteBackground", &answer)) return answer;
  }
  // The move to the next card (the first after the last) is silent unless the project wants
  // the messages.
  const i16 locked = g.lockMessages;
  if (!g.allowDeleteCardMessages) g.lockMessages = 1;
  const i16 st = bumpcard();
  g.lockMessages = locked;
  if (st == kCardChanged) return 0;
  if (st != 0) return st;
  desk& now = g.current;
  Handle wind = now.wind;
  // The entry goes (committed) before the records: a failure in between leaves unlisted
  // records, never an entry without its card.
  checkerr(deleteword(d.store, wind, i32(d.windrecid), i32(cardnum) - 1));
  if (lastofback) {
    windrec v = loadat<windrec>(deref(wind));
    if (v.backcount > 0) v.backcount -= 1;
    storeat<windrec>(deref(wind), v);
    checkerr(changevir(d.store, i32(d.windrecid)));
  }
  if (cardnum < now.cardnum) {
    now.cardnum -= 1;
    putwind(now.window, now);
  }
  checkerr(savevir(d.store, i32(d.windrecid)));
  checkerr(flushstar(d.store));
  checkerr(deletevir(d.store, i32(cardrecid)));
  if (lastofback) checkerr(deletevir(d.store, i32(backrecid)));
  checkerr(flushstar(d.store));
  return 0;
}

namespace {

// Goes to a card of the current window without messages: 0, -991 or a status.
i16 silentlyto(const selpart& card) {
  MainGlobals& g = mainglobals();
  const i16 locked = g.lockMessages;
  g.lockMessages = 1;
  form f{};
  f.card = card;
  const i16 st = gotowindow(f);
  g.lockMessages = locked;
  return st;
}

// The 0-based index of the library entry whose record id is `recid`, or -1.
i32 bookindex(RegistryId store, Handle library, u32 recid) {
  i32 found = -1;
  eachbook(store, library, 1, i32(loadat<librec>(deref(library)).entrycount), [&](i32 position, const bookentry& e) {
    if (e.recordid == recid) found = position - 1;
    return found >= 0;
  });
  return found;
}

// Removes a window's records and its entry from the window library of an open project: the
// entry's 0-based index, -1 when the library has no such window, or -2 when the library or the
// window's card list does not hold together (nothing changed).
i32 removewindow(RegistryId store, u32 windrecid) {
  Handle library = nilhandle, window = nilhandle;
  checkerr(getvir(store, kWindowLibrary, &library));
  i32 index = booksaddup(library) ? bookindex(store, library, windrecid) : -2;
  if (index >= 0) {
    checkerr(getvir(store, i32(windrecid), &window));
    const bool whole = wordsaddup(window);
    checkerr(putvir(store, i32(windrecid)));
    if (!whole) index = -2;
  }
  // The entry goes first and is committed: a failure while the records go then leaves only
  // unlisted records behind, never an entry whose records are gone.
  if (index >= 0) {
    checkerr(deleteobj(store, library, index));
    checkerr(changevir(store, kWindowLibrary));
  }
  checkerr(savevir(store, kWindowLibrary));
  checkerr(putvir(store, kWindowLibrary));
  checkerr(flushstar(store));
  if (index >= 0) {
    trashobjects(store, windrecid);
    checkerr(flushstar(store));
  }
  return index;
}

}  // namespace

i16 cardrefclear(objread* card) {
  MainGlobals& g = mainglobals();
  const desk now = g.current;
  const bool here = card->d.store == now.store && card->d.windrecid == now.windrecid;
  const u32 cardrecid = card->d.cardrecid, cardnum = card->d.cardnum;
  // The descriptor holds the card's records; they are released before the card can go.
  writeobj(card);
  if (!here) return err::cantunderstand;
  if (cardrecid == now.cardrecid) return cardclear();
  if (i16 st = silentlyto(selpart{selnumber, i32(cardnum), {}, 0})) return st == kCardChanged ? i16(0) : st;
  const i16 st = cardclear();
  // Back to the card that was shown, when the window is still the current one.
  if (g.current.window == now.window) silentlyto(selpart{selid, i32(now.cardid), {}, 0});
  return st;
}

void trashobjects(RegistryId store, u32 windrecid) {
  Handle window = nilhandle;
  checkerr(getvir(store, i32(windrecid), &window));
  std::vector<u32> pages, cards, backs;
  const i32 n = std::max<i32>(0, loadat<windrec>(deref(window)).pagecount);
  for (i32 k = 0; k < n && Size(sizeof(windrec) + sizeof(pageref) * (k + 1)) <= GetHandleSize(window); ++k) {
    const u32 page = loadat<pageref>(deref(window) + sizeof(windrec) + sizeof(pageref) * k).recordid;
    pages.push_back(page);
  }
  eachword(store, window, 1, i32(loadat<windrec>(deref(window)).cardcount), [&](i32, const wordentry& e) {
    const u32 card = e.cardrecord, back = e.backrecord;
    cards.push_back(card);
    if (std::find(backs.begin(), backs.end(), back) == backs.end()) backs.push_back(back);
    return false;
  });
  checkerr(putvir(store, i32(windrecid)));
  for (u32 id : cards) checkerr(deletevir(store, i32(id)));
  for (u32 id : backs) checkerr(deletevir(store, i32(id)));
  for (u32 id : pages) checkerr(deletevir(store, i32(id)));
  checkerr(deletevir(store, i32(windrecid)));
}

i16 windowclear() {
  MainGlobals& g = mainglobals();
  if (g.plugin) return err::plugincommand;
  const desk d = g.current;
  if (d.wind == nilhandle || islocked(d.store)) return 0;
  if (!wordsaddup(d.wind)) return err::damagedrecord;
  ++g.changecounter;
  const projectstore* ps = findprojectstore(d.store);
  if (ps == nullptr) return 0;
  const i16 volume = ps->volume;
  const u32 dirid = ps->dirid;
  Str255 name{};
  std::copy_n(ps->filename, sizeof name, name);
  if (!g.lockMessages) {
    i16 answer = 0;
    for (const char* message : {"deleteCard", "deleteBackground", "deleteWindow"})
      if (!sendgoes(message, &answer)) return answer;
  }
  const i16 locked = g.lockMessages;
  g.lockMessages = 1;
  const i16 st = closewindow();
  g.lockMessages = locked;
  if (st == kCardChanged) return 0;
  if (st != 0) return st;
  WindowRef top = nilid;
  if (topwindow(&top) && top != nilid) getwind(top, &g.current);
  hilitewindows();
  if (findprojectstore(d.store) != nullptr) {
    const i32 index = removewindow(d.store, d.windrecid);
    if (index == -2) return err::damagedrecord;
    if (index >= 0) renumberwindows(d.store, u32(index + 1));
    return 0;
  }
  // The project closed with its window: it is opened again for the deletion.
  const i16 code = verifystar(volume, dirid, name);
  if (code != 1000) return verifystr(code);
  const RegistryId store = newprojectstore();
  if (store == nilid) return err::nomemory;
  if (i16 e = openvir(volume, dirid, name, store)) {
    disposeprojectstore(store);
    return e;
  }
  const i32 index = removewindow(store, d.windrecid);
  checkerr(closevir(store));
  return index == -2 ? err::damagedrecord : i16(0);
}

i16 menuclear(objread* menu) {
  MainGlobals& g = mainglobals();
  const RegistryId store = menu->menu.store;
  const u32 menurecid = menu->menu.menurecid;
  Handle windows = nilhandle;
  // The window library keeps the project open while the menu's lines let go of it.
  checkerr(getvir(store, kWindowLibrary, &windows));
  writeobj(menu);
  Handle library = nilhandle;
  checkerr(getvir(store, kMenuLibrary, &library));
  const bool whole = booksaddup(library);
  const i32 index = whole ? bookindex(store, library, menurecid) : -1;
  if (index < 0) {
    checkerr(putvir(store, kMenuLibrary));
    checkerr(putvir(store, kWindowLibrary));
    return whole ? i16(0) : err::damagedrecord;
  }
  const u32 number = u32(index + 1);
  const i16 set = g.menuSet;
  for (i16 k = 0; k < kMenuSets; ++k) {
    g.menuSet = k;
    menuline line{};
    i32 at = 0;
    if (!hasmenu(store, number, &line, &at)) continue;
    deleteline(at);
    for (i32 i = 0, n = currentnumlines(); i < n; ++i) {
      menuline l = lineat(i);
      if (l.store == store && l.menunum > number) l.menunum -= 1;
      if (l.parentstore == store && l.parentnum > number) l.parentnum -= 1;
      storeat<menuline>(deref(currentline()) + Size(sizeof(menuline)) * i, l);
    }
  }
  g.menuSet = set;
  buildmenubar();
  drawmenubar();
  // The entry goes (committed) before the record, as for a window.
  checkerr(deleteobj(store, library, index));
  checkerr(changevir(store, kMenuLibrary));
  checkerr(savevir(store, kMenuLibrary));
  checkerr(putvir(store, kMenuLibrary));
  checkerr(flushstar(store));
  checkerr(deletevir(store, i32(menurecid)));
  checkerr(flushstar(store));
  checkerr(putvir(store, kWindowLibrary));
  return 0;
}

}  // namespace kv
