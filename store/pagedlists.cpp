// The paged card and library lists (see pagedlists.h). Both kinds of list work alike; a
// ListShape says where the owner keeps its directory and how big the entries are.
#include "store/pagedlists.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "core/fatalerror.h"
#include "store/deskrecords.h"
#include "store/recordcache.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "store/forms.h"

namespace kv {

namespace {

struct ListShape {
  u16 ownerkind;
  Size fixed;    // the owner's fixed part; the references follow it
  Size countat;  // the owner's u16 reference count
  u16 kind;      // kind of the list records
  Size esize;    // bytes of an entry
  i32 limit;     // entries a list record holds after an insertion is complete
};

constexpr ListShape kCardList{kindwind, sizeof(windrec),   offsetof(windrec, pagecount),
                              kindpage, sizeof(wordentry), kWordsPerPage};
constexpr ListShape kLibraryList{kindlib,  sizeof(librec),    offsetof(librec, pagecount),
                                 kindrack, sizeof(bookentry), kBooksPerRack};
constexpr Size kListHead = 2;  // the record kind word before the entries
constexpr Size kRefSize = sizeof(pageref);

// --- The owner's directory ---------------------------------------------------------------------

// References in the directory, or -1 when the owner is not of its kind or its handle does not
// hold them all.
i32 refcount(const ListShape& s, Handle owner) {
  Size n = GetHandleSize(owner);
  if (n < s.fixed || loadat<u16>(deref(owner)) != s.ownerkind) return -1;
  i32 k = loadat<u16>(deref(owner) + s.countat);
  return s.fixed + kRefSize * k <= n ? k : -1;
}

pageref refat(const ListShape& s, Handle owner, i32 i) {
  return loadat<pageref>(deref(owner) + s.fixed + kRefSize * i);
}

void setref(const ListShape& s, Handle owner, i32 i, const pageref& r) {
  storeat<pageref>(deref(owner) + s.fixed + kRefSize * i, r);
}

// Entries a reference counts (a negative count in a damaged record counts none).
i32 entriesof(const pageref& r) { return r.entries > 0 ? r.entries : 0; }

void markowner(RegistryId store, i32 ownerid) {
  if (ownerid >= 0) checkerr(changevir(store, ownerid));
}

// --- List records through the cache ------------------------------------------------------------

Handle hold(RegistryId store, u32 id) {
  Handle h = nilhandle;
  checkerr(getvir(store, i32(id), &h));
  return h;
}

void release(RegistryId store, u32 id) { checkerr(putvir(store, i32(id))); }

void changed(RegistryId store, u32 id) { checkerr(changevir(store, i32(id))); }

// Whether a held list record is of the list's kind and holds entries 0..count-1.
bool holds(const ListShape& s, Handle list, i32 count) {
  Size n = GetHandleSize(list);
  return n >= kListHead && loadat<u16>(deref(list)) == s.kind && kListHead + s.esize * i64(count) <= n;
}

u8* entryat(const ListShape& s, Handle list, i32 index) { return deref(list) + kListHead + s.esize * index; }

// Finds 1-based `position`: the reference and the entry's index in its list record.
bool locate(const ListShape& s, Handle owner, i32 position, i32* ref, i32* index) {
  i32 n = refcount(s, owner);
  if (position < 1 || n < 0) return false;
  i32 i = position - 1;
  for (i32 k = 0; k < n; ++k) {
    i32 count = entriesof(refat(s, owner, k));
    if (i < count) {
      *ref = k;
      *index = i;
      return true;
    }
    i -= count;
  }
  return false;
}

// Reads (out) or overwrites (in) the entry at a position. 1 when there is none.
i16 entryio(const ListShape& s, RegistryId store, Handle owner, i32 position, void* out, const void* in) {
  i32 k, index;
  if (!locate(s, owner, position, &k, &index)) return 1;
  u32 id = refat(s, owner, k).recordid;
  Handle list = hold(store, id);
  bool there = holds(s, list, index + 1);
  if (there && in != nullptr) {
    std::memcpy(entryat(s, list, index), in, std::size_t(s.esize));
    changed(store, id);
  } else if (there) {
    std::memcpy(out, entryat(s, list, index), std::size_t(s.esize));
  }
  release(store, id);
  return there ? 0 : 1;
}

// The entries of positions first..last, a list record at a time: the entries a record holds
// are copied out and the record released before `visit` sees them, so visiting may read other
// records. Stops where entryio would answer 1.
template <class Entry, class Visit>
void walk(const ListShape& s, RegistryId store, Handle owner, i32 first, i32 last, const Visit& visit) {
  i32 n = refcount(s, owner);
  if (n < 0 || first < 1) return;
  std::vector<Entry> entries;
  i32 position = 1;  // the position of the first entry of reference k
  for (i32 k = 0; k < n && position <= last; ++k) {
    pageref r = refat(s, owner, k);
    i32 count = entriesof(r);
    if (i64(position) + count <= first) {
      position += count;
      continue;
    }
    i32 from = first > position ? first - position : 0;
    i32 to = i64(last) - position + 1 < count ? last - position + 1 : count;
    Handle list = hold(store, r.recordid);
    Size size = GetHandleSize(list);
    i64 fits = size >= kListHead && loadat<u16>(deref(list)) == s.kind ? (size - kListHead) / s.esize : 0;
    i32 readable = fits < from ? from : fits < to ? i32(fits) : to;
    entries.resize(size_t(readable - from));
    if (readable > from) std::memcpy(entries.data(), entryat(s, list, from), std::size_t(s.esize * (readable - from)));
    release(store, r.recordid);
    for (i32 i = from; i < readable; ++i)
      if (visit(position + i, entries[size_t(i - from)])) return;
    if (readable < to) return;
    position += count;
  }
}

// Inserts an entry into list record `id` at `index`; 1 when the record does not reach it.
i16 insertentry(const ListShape& s, RegistryId store, u32 id, i32 index, const void* entry) {
  Handle list = hold(store, id);
  i16 e = 0;
  if (!holds(s, list, index)) {
    e = 1;
  } else {
    Size size = GetHandleSize(list);
    SetHandleSize(list, size + s.esize);
    e = MemError();
    if (e == 0) {
      u8* at = entryat(s, list, index);
      std::memmove(at + s.esize, at, std::size_t(size - (kListHead + s.esize * index)));
      std::memcpy(at, entry, std::size_t(s.esize));
      changed(store, id);
    }
  }
  release(store, id);
  return e;
}

// Adds a list record holding the given entries (count of them) and answers its id.
i16 addlist(const ListShape& s, RegistryId store, const void* entries, i32 count, i32* id) {
  Handle fresh = NewHandle(kListHead + s.esize * count);
  if (fresh == nilhandle) return MemError();
  storeat<u16>(deref(fresh), s.kind);
  if (count > 0) std::memcpy(deref(fresh) + kListHead, entries, std::size_t(s.esize * count));
  i16 e = addvir(store, id, fresh);
  if (e != 0) DisposeHandle(fresh);
  return e;
}

// Puts a reference at index i of the directory, after growing the owner by one reference.
OSErr insertref(const ListShape& s, Handle owner, i32 i, const pageref& r) {
  i32 n = refcount(s, owner);
  SetHandleSize(owner, s.fixed + kRefSize * (n + 1));
  if (OSErr e = MemError()) return e;
  u8* refs = deref(owner) + s.fixed;
  std::memmove(refs + kRefSize * (i + 1), refs + kRefSize * i, std::size_t(kRefSize * (n - i)));
  setref(s, owner, i, r);
  storeat<u16>(deref(owner) + s.countat, u16(n + 1));
  return noErr;
}

i16 insert(const ListShape& s, RegistryId store, Handle owner, i32 ownerid, i32 before, const void* entry) {
  i32 n = refcount(s, owner);
  if (n < 0 || before < 0) return 1;
  i64 total = 0;
  for (i32 k = 0; k < n; ++k) total += entriesof(refat(s, owner, k));
  if (before > total) return 1;
  if (n == 0) {
    // The first list record, holding nothing yet.
    i32 id = 0;
    checkerr(addlist(s, store, nullptr, 0, &id));
    if (OSErr e = insertref(s, owner, 0, pageref{0, u32(id)})) {
      checkerr(deletevir(store, id));
      return e;
    }
    markowner(store, ownerid);
    n = 1;
  }
  // Walk with what is left: a count equal to a record's inserts at its end; the last record
  // takes the rest.
  i32 k = 0, c = before;
  while (k < n - 1 && c > entriesof(refat(s, owner, k))) {
    c -= entriesof(refat(s, owner, k));
    ++k;
  }
  pageref r = refat(s, owner, k);
  if (i16 e = insertentry(s, store, r.recordid, c, entry)) return e;
  r.entries = i16(r.entries + 1);
  setref(s, owner, k, r);
  markowner(store, ownerid);
  return 0;
}

// Takes the last entry out of list record `id` (read into `last` beforehand).
void droplast(const ListShape& s, RegistryId store, u32 id) {
  Handle list = hold(store, id);
  SetHandleSize(list, GetHandleSize(list) - s.esize);
  changed(store, id);
  release(store, id);
}

void bump(const ListShape& s, RegistryId store, Handle owner, i32 ownerid) {
  i32 n = refcount(s, owner);
  i32 k = 0;
  while (k < n) {
    pageref r = refat(s, owner, k);
    if (r.entries <= s.limit) {
      ++k;
      continue;
    }
    // The entry that moves on, read first: it leaves its record only once its new place holds it.
    u8 last[sizeof(wordentry)];
    Handle list = hold(store, r.recordid);
    bool whole = holds(s, list, 1);
    if (whole) std::memcpy(last, deref(list) + GetHandleSize(list) - s.esize, std::size_t(s.esize));
    release(store, r.recordid);
    if (!whole) {
      ++k;
      continue;
    }
    if (k + 1 < n && refat(s, owner, k + 1).entries < s.limit) {
      pageref next = refat(s, owner, k + 1);
      if (insertentry(s, store, next.recordid, 0, last) != 0) return;
      droplast(s, store, r.recordid);
      next.entries = i16(next.entries + 1);
      r.entries = i16(r.entries - 1);
      setref(s, owner, k + 1, next);
      setref(s, owner, k, r);
      markowner(store, ownerid);
      return;
    }
    // The last record, or the next one is full: a new record of one entry goes between.
    i32 id = 0;
    checkerr(addlist(s, store, last, 1, &id));
    if (insertref(s, owner, k + 1, pageref{1, u32(id)}) != noErr) {
      // Without room in the owner the new record is taken back and the entry stays put.
      checkerr(deletevir(store, id));
      return;
    }
    droplast(s, store, r.recordid);
    r.entries = i16(r.entries - 1);
    setref(s, owner, k, r);
    markowner(store, ownerid);
    ++n;
    k += 2;
  }
}

// The card id (or the background id) of the entry at a position.
i16 wordnumber(RegistryId store, Handle window, i32 position, bool card, u32* id) {
  wordentry w;
  if (i16 e = getword(store, window, position, &w)) return e;
  *id = card ? w.cardid : w.backid;
  return 0;
}

}  // namespace

// --- Card lists ----------------------------------------------------------------------------------

i16 getword(RegistryId store, Handle window, i32 position, wordentry* out) {
  struct place {
    Handle window;
    i32 position;
  } at{window, position};
  FatalDoing doing(
      [](const void* p) {
        const place& a = *static_cast<const place*>(p);
        return cardofwindow(a.window, u32(a.position)) + " could not be read";
      },
      &at);
  return entryio(kCardList, store, window, position, out, nullptr);
}

void eachword(RegistryId store, Handle window, i32 first, i32 last,
              const std::function<bool(i32, const wordentry&)>& visit) {
  walk<wordentry>(kCardList, store, window, first, last, visit);
}

i16 putword(RegistryId store, Handle window, i32 position, const wordentry& in) {
  return entryio(kCardList, store, window, position, nullptr, &in);
}

i16 getcardwordusernum(RegistryId store, Handle window, i32 position, u32* id) {
  return wordnumber(store, window, position, true, id);
}

i16 getbackwordusernum(RegistryId store, Handle window, i32 position, u32* id) {
  return wordnumber(store, window, position, false, id);
}

i16 sumutil(RegistryId store, Handle window, i32 windowid, i32 before, const wordentry& entry) {
  return insert(kCardList, store, window, windowid, before, &entry);
}

void bumpage(RegistryId store, Handle window, i32 windowid) { bump(kCardList, store, window, windowid); }

// --- Library lists -------------------------------------------------------------------------------

i16 getbook(RegistryId store, Handle library, i32 position, bookentry* out) {
  return entryio(kLibraryList, store, library, position, out, nullptr);
}

void eachbook(RegistryId store, Handle library, i32 first, i32 last,
              const std::function<bool(i32, const bookentry&)>& visit) {
  walk<bookentry>(kLibraryList, store, library, first, last, visit);
}

i16 putbook(RegistryId store, Handle library, i32 position, const bookentry& in) {
  return entryio(kLibraryList, store, library, position, nullptr, &in);
}

i16 addutil(RegistryId store, Handle library, i32 before, const bookentry& entry) {
  return insert(kLibraryList, store, library, -1, before, &entry);
}

void bumprack(RegistryId store, Handle library) { bump(kLibraryList, store, library, -1); }

namespace {

// Entries the owner says its list holds (the window's card count or the library's entry count).
u32 totalof(const ListShape& s, Handle owner) {
  return s.ownerkind == kindwind ? loadat<windrec>(deref(owner)).cardcount : loadat<librec>(deref(owner)).entrycount;
}

void settotal(const ListShape& s, Handle owner, u32 total) {
  if (s.ownerkind == kindwind) {
    windrec w = loadat<windrec>(deref(owner));
    w.cardcount = total;
    storeat<windrec>(deref(owner), w);
  } else {
    librec l = loadat<librec>(deref(owner));
    l.entrycount = total;
    storeat<librec>(deref(owner), l);
  }
}

// Removes the entry at 0-based `index`: its list record shrinks, and a record left empty goes
// with its reference. 1 when there is no such entry.
i16 removeentry(const ListShape& s, RegistryId store, Handle owner, i32 ownerid, i32 index) {
  i32 k, at;
  if (!locate(s, owner, index + 1, &k, &at)) return 1;
  pageref r = refat(s, owner, k);
  Handle list = hold(store, r.recordid);
  bool there = holds(s, list, at + 1);
  if (there) {
    Size size = GetHandleSize(list);
    u8* p = entryat(s, list, at);
    std::memmove(p, p + s.esize, std::size_t(size - (kListHead + s.esize * (at + 1))));
    SetHandleSize(list, size - s.esize);
    changed(store, r.recordid);
  }
  release(store, r.recordid);
  if (!there) return 1;
  const u32 total = totalof(s, owner);
  if (total > 0) settotal(s, owner, total - 1);
  r.entries = i16(r.entries - 1);
  setref(s, owner, k, r);
  if (r.entries < 1) {
    // The emptied list record goes, and its reference with it.
    checkerr(deletevir(store, i32(r.recordid)));
    i32 n = refcount(s, owner);
    u8* refs = deref(owner) + s.fixed;
    std::memmove(refs + kRefSize * k, refs + kRefSize * (k + 1), std::size_t(kRefSize * (n - k - 1)));
    storeat<u16>(deref(owner) + s.countat, u16(n - 1));
    SetHandleSize(owner, s.fixed + kRefSize * (n - 1));
  }
  markowner(store, ownerid);
  return 0;
}

}  // namespace

namespace {

// Whether the references' counts add up to the owner's entry count.
bool addsup(const ListShape& s, Handle owner) {
  const i32 n = refcount(s, owner);
  if (n < 0) return false;
  i64 sum = 0;
  for (i32 k = 0; k < n; ++k) sum += entriesof(refat(s, owner, k));
  return sum == i64(totalof(s, owner));
}

}  // namespace

bool booksaddup(Handle library) { return addsup(kLibraryList, library); }

i16 deleteobj(RegistryId store, Handle library, i32 index) {
  if (!booksaddup(library) || index < 0 || u32(index) >= totalof(kLibraryList, library)) return kBadRecordKind;
  return removeentry(kLibraryList, store, library, -1, index) != 0 ? kBadRecordKind : i16(0);
}

bool wordsaddup(Handle window) { return addsup(kCardList, window); }

i16 deleteword(RegistryId store, Handle window, i32 windowid, i32 index) {
  if (!wordsaddup(window) || index < 0 || u32(index) >= totalof(kCardList, window)) return kBadRecordKind;
  return removeentry(kCardList, store, window, windowid, index) != 0 ? kBadRecordKind : i16(0);
}

i16 bumpcard() {
  form f{};
  f.card = selpart{selnext, i32(mainglobals().current.cardnum), {}, 0};
  return gotowindow(f);
}

}  // namespace kv
