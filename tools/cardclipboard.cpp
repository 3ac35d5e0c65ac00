// The card clipboard lives in a scratch file that only this process knows: a 16-byte header
// {magic, card size, background size, checksum} (big-endian) and the packed card and background
// records after it. Where the card came from is kept in memory: the window and background
// record ids, and the project file by its device and inode (with its canonical path), so that a
// paste into another project, or another file of a similar name, never shares a background
// record it does not have.
#include "tools/cardclipboard.h"

#include <algorithm>
#include <array>
#include <utility>
#include <string_view>

#include "engine/scripterrors.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "render/fielddrawing.h"
#include "render/updateword.h"
#include "core/fatalerror.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "core/memoryguard.h"
#include "store/packing.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/starfile.h"
#include "tools/objectclipboard.h"

namespace kv {

namespace {

constexpr i64 kCopyRoom = 10000, kPasteRoom = 60000;
constexpr u32 kPasteIds = 20;
constexpr u32 kMagic = fourcc("KVcd");
constexpr i64 kHeaderSize = 16;
constexpr i16 kMessagesList = 1000, kScratchName = 10;

struct CardClipboardState {
  bool filemade = false;
  u32 folder = 0;  // the scratch file: its folder and name
  Str63 name{};
  u32 cardsize = 0, backsize = 0;
  i64 cardtotal = 0;  // both records' sizes in memory
  u32 cardwin = 0;    // record ids of the window and background the card came from
  u32 cardback = 0;
  u32 cardsave = 0;           // the background's id
  u64 device = 0, inode = 0;  // the project file it came from
  Str255 path{};              // and its canonical path
  wordentry cardword{};       // its entry of the card list

  CardClipboardState() = default;
  CardClipboardState(const CardClipboardState&) = delete;
  CardClipboardState& operator=(const CardClipboardState&) = delete;
  ~CardClipboardState() {
    if (filemade) HDelete(kBootVolume, folder, name);
  }
};

CardClipboardState& cards() { return state<CardClipboardState>(); }

void putbig(u8* p, u32 v) {
  p[0] = u8(v >> 24);
  p[1] = u8(v >> 16);
  p[2] = u8(v >> 8);
  p[3] = u8(v);
}
u32 getbig(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3]; }

// FNV-1a over the bytes, continuing from `sum`.
u32 checksum(const u8* p, Size n, u32 sum) {
  for (Size i = 0; i < n; ++i) sum = (sum ^ p[i]) * 16777619u;
  return sum;
}
constexpr u32 kChecksumStart = 2166136261u;

// The device and inode of an open project's file; false when they cannot be had.
bool projectfile(RegistryId store, u64* device, u64* inode) {
  const projectstore* ps = findprojectstore(store);
  return ps != nullptr && FileIdentity(ps->fileref, device, inode) == noErr;
}

i16 askmemory(i64 bytes) {
  if (mainglobals().memplentiful) return 0;
  return nomemory(Size(std::min<i64>(bytes, 0x7FFFFFFF))) ? err::nomemory : i16(0);
}

// Packs a record into a new handle: none when memory runs out.
Handle packed(Handle rec) {
  Handle out = NewHandle(0);
  if (out == nilhandle) return nilhandle;
  if (fast(rec, out) != noErr) {
    DisposeHandle(out);
    return nilhandle;
  }
  return out;
}

// Writes the scratch file anew: the header, then both records. 0 or a file error.
OSErr writescratch(Handle card, Handle back) {
  CardClipboardState& c = cards();
  emptycardclipboard();
  Str255 prefix{};
  GetIndString(prefix, kMessagesList, kScratchName);
  std::string_view leaf(reinterpret_cast<const char*>(prefix + 1), prefix[0]);
  if (leaf.empty()) leaf = "kestrove-cards";
  const u32 folder = mainglobals().tempfolder;
  Str63 name{};
  if (OSErr e = TempFileCreate(kBootVolume, folder, leaf, fourcc("????"), fourcc("????"), name)) return e;
  c.filemade = true;
  c.folder = folder;
  std::copy_n(name, sizeof name, c.name);
  const Size cardsize = GetHandleSize(card), backsize = GetHandleSize(back);
  std::array<u8, kHeaderSize> head{};
  putbig(head.data(), kMagic);
  putbig(head.data() + 4, u32(cardsize));
  putbig(head.data() + 8, u32(backsize));
  putbig(head.data() + 12, checksum(deref(back), backsize, checksum(deref(card), cardsize, kChecksumStart)));
  FileRef ref = nilid;
  OSErr e = HOpen(kBootVolume, folder, name, fsRdWrPerm, &ref);
  if (e == noErr) {
    e = writeat(ref, 0, head.data(), kHeaderSize);
    if (e == noErr) e = writeat(ref, kHeaderSize, deref(card), cardsize);
    if (e == noErr) e = writeat(ref, kHeaderSize + cardsize, deref(back), backsize);
    const OSErr closed = FSClose(ref);
    if (e == noErr) e = closed;
  }
  if (e != noErr) {
    emptycardclipboard();
    return e;
  }
  c.cardsize = u32(cardsize);
  c.backsize = u32(backsize);
  return noErr;
}

// Reads the scratch file back: 0 and the two records unpacked; -1 (nothing read) when the
// file's header or bytes do not agree with what was written or a record does not unpack as
// its kind; 37 when memory runs out.
i16 readscratch(Handle* card, Handle* back) {
  const CardClipboardState& c = cards();
  *card = *back = nilhandle;
  if (!c.filemade) return -1;
  FileRef ref = nilid;
  if (HOpen(kBootVolume, c.folder, c.name, fsRdPerm, &ref) != noErr) return -1;
  std::array<u8, kHeaderSize> head{};
  i64 length = 0;
  i16 st = GetEOF(ref, &length) == noErr && length == kHeaderSize + i64(c.cardsize) + c.backsize &&
                   readat(ref, 0, head.data(), kHeaderSize) == noErr && getbig(head.data()) == kMagic &&
                   getbig(head.data() + 4) == c.cardsize && getbig(head.data() + 8) == c.backsize
               ? 0
               : -1;
  if (st == 0) {
    *card = NewHandle(Size(c.cardsize));
    *back = *card != nilhandle ? NewHandle(Size(c.backsize)) : nilhandle;
    if (*back == nilhandle) st = err::nomemory;
  }
  if (st == 0 && (readat(ref, kHeaderSize, deref(*card), c.cardsize) != noErr ||
                  readat(ref, kHeaderSize + c.cardsize, deref(*back), c.backsize) != noErr ||
                  checksum(deref(*back), c.backsize, checksum(deref(*card), c.cardsize, kChecksumStart)) !=
                      getbig(head.data() + 12)))
    st = -1;
  FSClose(ref);
  if (st == 0) {
    // A record that does not unpack whole is freed with what it holds; one not unpacked yet is
    // still plain bytes.
    const std::pair<Handle, u16> records[] = {{*card, u16(kindcard)}, {*back, u16(kindback)}};
    int done = 0;
    for (; done < 2 && st == 0; ++done) {
      const auto [rec, kind] = records[done];
      if (GetHandleSize(rec) < 2 || loadat<u16>(deref(rec)) != kind) {
        st = -1;
        break;
      }
      if (OSErr e = unpack(rec)) st = e == kBadRecordKind ? i16(-1) : err::nomemory;
    }
    if (st != 0) {
      for (int i = 0; i < 2; ++i) {
        if (i < done) dump(records[i].first);
        else DisposeHandle(records[i].first);
      }
      *card = *back = nilhandle;
    }
  }
  if (st != 0 && *card != nilhandle) DisposeHandle(*card);
  if (st != 0 && *back != nilhandle) DisposeHandle(*back);
  if (st != 0) *card = *back = nilhandle;
  return st;
}

// The record id of a background of the current window that a card of it still uses.
bool windowhasback(const desk& d, u32 backrecid) {
  bool found = false;
  const windrec w = loadat<windrec>(deref(d.wind));
  eachword(d.store, d.wind, 1, i32(w.cardcount), [&](i32, const wordentry& e) {
    found = e.backrecord == backrecid;
    return found;
  });
  return found;
}

// Takes the window's next id and raises its card or background count.
u32 takeid(const desk& d, bool card) {
  windrec w = loadat<windrec>(deref(d.wind));
  const u32 id = w.nextid;
  w.nextid = id + 1;
  if (card) w.cardcount += 1;
  else w.backcount += 1;
  storeat<windrec>(deref(d.wind), w);
  checkerr(changevir(d.store, i32(d.windrecid)));
  return id;
}

}  // namespace

void emptycardclipboard() {
  CardClipboardState& c = cards();
  if (c.filemade) HDelete(kBootVolume, c.folder, c.name);
  c.filemade = false;
  setcardsonclipboard(false);
}

i16 cardcopy(const desk& d) {
  MainGlobals& g = mainglobals();
  if (d.card == nilhandle || d.back == nilhandle || d.wind == nilhandle) return 0;
  const bool shown = d.store == g.current.store && d.cardrecid == g.current.cardrecid;
  if (shown) {
    if (putdownmodes() == 0) putdownfield();
    putdownwerecs(d.backspots, 0);
    putdownwerecs(d.cardspots, 0);
    updateword(d);
  }
  checkerr(savevir(d.store, i32(d.cardrecid)));
  checkerr(savevir(d.store, i32(d.backrecid)));
  checkerr(savevir(d.store, i32(d.windrecid)));
  const i64 size = getsize(d.card) + getsize(d.back);
  u64 free = 0;
  if (volumefreebytes(kBootVolume, g.tempfolder, &free) == noErr && u64(size + kCopyRoom) > free) return err::diskfull;
  bool writable = false;
  if (FolderWritable(kBootVolume, g.tempfolder, &writable) != noErr || !writable) return err::locked;
  Handle card = packed(d.card);
  Handle back = card != nilhandle ? packed(d.back) : nilhandle;
  if (back == nilhandle) {
    if (card != nilhandle) DisposeHandle(card);
    return err::nomemory;
  }
  const OSErr e = writescratch(card, back);
  DisposeHandle(card);
  DisposeHandle(back);
  if (e == dskFulErr) return err::diskfull;
  if (e != noErr) return err::locked;
  CardClipboardState& c = cards();
  c.cardtotal = size;
  c.cardwin = d.windrecid;
  c.cardback = d.backrecid;
  c.cardsave = d.backid;
  if (!projectfile(d.store, &c.device, &c.inode)) c.device = c.inode = 0;
  if (const projectstore* ps = findprojectstore(d.store)) std::copy_n(ps->fullpath, sizeof c.path, c.path);
  c.cardword = wordentry{};
  getword(d.store, d.wind, i32(d.cardnum), &c.cardword);
  setcardsonclipboard(true);
  return 0;
}

i16 cardpaste() {
  MainGlobals& g = mainglobals();
  const CardClipboardState& c = cards();
  const desk d = g.current;
  if (!cardsonclipboard() || !c.filemade || d.wind == nilhandle || islocked(d.store)) return 0;
  u32 ids = 0;
  if (totalstar(d.store, kPasteIds, &ids) != 0) return 0;
  if (nodiskspace(d.store, u64(ids) + c.cardsize + c.backsize + kPasteRoom)) return 0;
  if (i16 st = askmemory(2 * c.cardtotal + kPasteRoom)) return st;
  // A damaged card list takes no card.
  if (!wordsaddup(d.wind)) return 0;
  ++g.changecounter;
  Handle card = nilhandle, back = nilhandle;
  if (i16 st = readscratch(&card, &back)) return st < 0 ? i16(0) : st;
  u64 device = 0, inode = 0;
  const bool sameproject = c.device != 0 && projectfile(d.store, &device, &inode) && device == c.device &&
                           inode == c.inode;
  u32 backrecid = 0, backid = 0;
  if (sameproject && d.windrecid == c.cardwin && windowhasback(d, c.cardback)) {
    dump(back);
    backrecid = c.cardback;
    backid = c.cardsave;
  } else {
    i32 id = 0;
    checkerr(addvir(d.store, &id, back));
    backrecid = u32(id);
    backid = takeid(d, false);
  }
  i32 cardrecid = 0;
  checkerr(addvir(d.store, &cardrecid, card));
  wordentry e = c.cardword;
  e.cardrecord = u32(cardrecid);
  e.backrecord = backrecid;
  e.cardid = takeid(d, true);
  e.backid = backid;
  checkerr(sumutil(d.store, d.wind, i32(d.windrecid), i32(d.cardnum), e));
  bumpage(d.store, d.wind, i32(d.windrecid));
  checkerr(savevir(d.store, i32(d.windrecid)));
  checkerr(flushstar(d.store));
  const i16 st = bumpcard();
  return st == kCardChanged ? i16(0) : st;
}

}  // namespace kv
