#include "store/deskrecords.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/memory/memory.h"
#include "platform/text/macroman.h"
#include "platform/qd/colors.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "store/forms.h"
#include "store/recordcache.h"

namespace kv {

namespace {
bool colour() { return mainglobals().colorWorld != 0; }

std::string cardnotread(const void* p) {
  const desk& d = *static_cast<const desk*>(p);
  return cardofwindow(d.wind, d.cardnum) + " could not be read";
}
std::string backnotread(const void* p) {
  const desk& d = *static_cast<const desk*>(p);
  return "the background of " + cardofwindow(d.wind, d.cardnum) + " could not be read";
}
}  // namespace

Handle holdvir(RegistryId store, u32 id) {
  Handle h = nilhandle;
  checkerr(getvir(store, i32(id), &h));
  return h;
}

void releasevir(RegistryId store, u32 id) { checkerr(putvir(store, i32(id))); }

i16 checkentry(RegistryId store, const wordentry& e) {
  Handle h = nilhandle;
  if (i16 st = holdrecord(store, e.cardrecord, kindcard, &h)) return st;
  releasevir(store, e.cardrecord);
  if (i16 st = holdrecord(store, e.backrecord, kindback, &h)) return st;
  releasevir(store, e.backrecord);
  return 0;
}

Size cardroom(const wordentry& e) { return Size(std::min<u64>(u64(u32(e.packedsize)) * 3, u64(INT32_MAX))); }

void loaddeskcard(desk& d, u32 cardnum, const wordentry& e) {
  d.cardnum = cardnum;
  d.cardrecid = e.cardrecord;
  d.cardid = e.cardid;
  FatalDoing doing(cardnotread, &d);
  d.card = holdvir(d.store, d.cardrecid);
  d.cardspots = loadat<cardrec>(deref(d.card)).objects;
  if (colour()) getclut(d.store, d.cardrecid, &d.cardclut);
}

void loaddeskback(desk& d, const wordentry& e) {
  d.backrecid = e.backrecord;
  d.backid = e.backid;
  FatalDoing doing(backnotread, &d);
  d.back = holdvir(d.store, d.backrecid);
  d.backspots = loadat<backrec>(deref(d.back)).objects;
  if (colour()) getclut(d.store, d.backrecid, &d.backclut);
}

std::string cardofwindow(Handle window, u32 cardnum) {
  std::string text = "card " + std::to_string(cardnum);
  Handle name = window != nilhandle ? Handle(loadat<windrec>(deref(window)).name) : nilhandle;
  if (name == nilhandle) return text;
  std::string_view n(reinterpret_cast<const char*>(deref(name)), size_t(std::min<Size>(GetHandleSize(name), 255)));
  while (!n.empty() && n.back() == 0) n.remove_suffix(1);
  if (!n.empty()) text += " of window \"" + macromantoutf8(n) + "\"";
  return text;
}

void disposedeskclut(Handle& clut) {
  if (clut != nilhandle) DisposeCTable(clut);
  clut = nilhandle;
}

void unloaddesk(desk& d) {
  if (d.card != nilhandle) releasevir(d.store, d.cardrecid);
  if (d.back != nilhandle) releasevir(d.store, d.backrecid);
  if (d.wind != nilhandle) releasevir(d.store, d.windrecid);
  if (d.windlib != nilhandle) releasevir(d.store, 1);
  if (d.head != nilhandle) releasevir(d.store, 0);
  disposedeskclut(d.cardclut);
  disposedeskclut(d.backclut);
  d.card = d.back = d.wind = d.windlib = d.head = nilhandle;
}

}  // namespace kv
