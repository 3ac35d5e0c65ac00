// Card deletion: the delete messages, the move to the next card, then the records and the
// card's entry leave the store.
#include "tools/carddeletion.h"

#include "engine/objectsend.h"
#include "platform/memory/memory.h"
#include "shell/fatalerror.h"
#include "shell/mainglobals.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr i16 statusonlycard = 105, statuscantdelete = 106, statuscantdeleteback = 109;

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
  if (d.wind == nilhandle || d.card == nilhandle || d.back == nilhandle) return statusonlycard;
  const windrec w = loadat<windrec>(deref(d.wind));
  if (w.cardcount < 2) return statusonlycard;
  if (loadat<cardrec>(deref(d.card)).flags & 1u) return statuscantdelete;
  if (islocked(d.store)) return 0;
  // A damaged card list is refused before anything changes.
  if (!wordsaddup(d.wind)) return statusonlycard;
  ++g.changecounter;
  const u32 cardnum = d.cardnum, cardrecid = d.cardrecid, backrecid = d.backrecid;
  i32 onback = 0;
  eachword(d.store, d.wind, 1, i32(w.cardcount), [&](i32, const wordentry& e) {
    if (e.backrecord == backrecid) ++onback;
    return onback >= 2;
  });
  const bool lastofback = onback < 2;
  if (lastofback && (loadat<backrec>(deref(d.back)).word2 & 1u)) return statuscantdeleteback;
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
  checkerr(deletevir(d.store, i32(cardrecid)));
  if (lastofback) {
    checkerr(deletevir(d.store, i32(backrecid)));
    windrec v = loadat<windrec>(deref(wind));
    if (v.backcount > 0) v.backcount -= 1;
    storeat<windrec>(deref(wind), v);
    checkerr(changevir(d.store, i32(d.windrecid)));
  }
  checkerr(deleteword(d.store, wind, i32(d.windrecid), i32(cardnum) - 1));
  if (cardnum < now.cardnum) {
    now.cardnum -= 1;
    putwind(now.window, now);
  }
  checkerr(savevir(d.store, i32(d.windrecid)));
  checkerr(flushstar(d.store));
  return 0;
}

}  // namespace kv
