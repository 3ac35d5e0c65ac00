#include "render/updateword.h"

#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "core/fatalerror.h"
#include "store/backtext.h"
#include "store/deskrecords.h"
#include "store/forms.h"
#include "store/objects.h"
#include "store/packing.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr u64 kWriteRoom = 20000;

std::vector<u8> bytesof(Handle h) {
  std::vector<u8> v;
  if (h == nilhandle) return v;
  v.resize(size_t(GetHandleSize(h)));
  if (!v.empty()) std::memcpy(v.data(), deref(h), v.size());
  return v;
}

// What the card keeps for its background's objects: the texts and the two extras.
struct cardstate {
  std::vector<u8> texts, extras, hilites;
  bool operator==(const cardstate&) const = default;
};

cardstate stateof(Handle card) {
  cardrec c = loadat<cardrec>(deref(card));
  return {bytesof(c.backtext), bytesof(getaltdata(c.alt, altbackextras)),
          bytesof(getaltdata(c.alt, altunsharedhilites))};
}

// Stores the background objects' texts and extras into a card record, marked changed when
// they differ from what it kept.
void storetexts(RegistryId store, Handle card, u32 cardrecid, Handle backspots) {
  cardstate before = stateof(card);
  cardrec c = loadat<cardrec>(deref(card));
  Handle texts = c.backtext;
  if (texts == nilhandle) texts = NewHandle(0);
  if (texts != nilhandle) getbacktext(backspots, texts);
  Handle alt = c.alt;
  getbacktextextras(backspots, &alt);
  c = loadat<cardrec>(deref(card));
  c.backtext = texts;
  c.alt = alt;
  storeat<cardrec>(deref(card), c);
  if (!(stateof(card) == before)) checkerr(changevir(store, i32(cardrecid)));
}

}  // namespace

void updateword(const desk& d) {
  if (d.card == nilhandle || d.wind == nilhandle) return;
  // A project that cannot be written, or whose disk lacks room for the two records and some
  // to spare, forgets its pending changes: nothing is written for it. The background's texts
  // still go into the card in memory, so that the card shows them again when another card of
  // its background was read meanwhile.
  u32 cardsize = 0, backsize = 0;
  sizevir(d.store, i32(d.cardrecid), &cardsize);
  sizevir(d.store, i32(d.backrecid), &backsize);
  const bool unwritable = islocked(d.store) || nodiskspace(d.store, u64(cardsize) + backsize + kWriteRoom);
  u32 owner = textowner(d.store, d.backrecid);
  if (owner != 0 && owner != d.cardrecid) {
    // A reference read another card of this background since this card's texts were put in:
    // the objects hold that card's texts, and they go there. This card's own were stored
    // before they were replaced; its entry stays as it is.
    Handle other = nilhandle;
    if (holdrecord(d.store, owner, kindcard, &other) == 0) {
      storetexts(d.store, other, owner, d.backspots);
      releasevir(d.store, owner);
    }
    if (unwritable) clearvir(d.store);
    return;
  }
  storetexts(d.store, d.card, d.cardrecid, d.backspots);
  if (unwritable) {
    clearvir(d.store);
    return;
  }
  // Neither record changed (the texts just stored would have marked the card): the entry's
  // size and hint still hold.
  u16 cardchanged = 0, backchanged = 0;
  testvir(d.store, i32(d.cardrecid), &cardchanged);
  testvir(d.store, i32(d.backrecid), &backchanged);
  if (!cardchanged && !backchanged) return;

  wordentry e{};
  if (getword(d.store, d.wind, i32(d.cardnum), &e) != 0) return;
  wordentry old = e;
  sizevir(d.store, i32(d.cardrecid), &cardsize);
  sizevir(d.store, i32(d.backrecid), &backsize);
  e.packedsize = cardsize + backsize;
  u8 hint[32] = {};
  buildhash(hint, d.cardspots);
  buildhash(hint, d.backspots);
  std::memcpy(&e.hint, hint, sizeof hint);
  if (std::memcmp(&e, &old, sizeof e) != 0) putword(d.store, d.wind, i32(d.cardnum), e);
}

}  // namespace kv
