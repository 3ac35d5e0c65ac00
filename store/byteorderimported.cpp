// Byte order of imported resources kept in a project: sounds ('snd '), cursors ('CURS') and
// colour icons ('cicn').
// Their data stays in the store's big-endian order inside the resource records and is brought
// to host order on a copy when taken out (and back when put in).
#include "platform/memory/memory.h"
#include "platform/qd/iconrecords.h"
#include "platform/sound/soundformat.h"
#include "store/byteorder.h"

namespace kv {

namespace {

void endianswapsndcommand(u8* at) { endianswapbytes<sndcommandrec>(at); }

void endianswapsoundheader(u8* at) { endianswapbytes<soundheader>(at); }
void endianswapextsoundheader(u8* at) { endianswapbytes<extsoundheader>(at); }
void endianswapcmpsoundheader(u8* at) { endianswapbytes<cmpsoundheader>(at); }

}  // namespace

OSErr endianswapsnd2(u8* data, i64 size, i16 direction) {
  i64 header = 0;
  if (!sndheaderoffset(data, size, direction == tofile, &header)) return kBadRecordKind;
  // A resource that ends after its commands has no header; one that has a header holds all of it.
  i64 headersize = header < size ? (size - header >= 22 ? sndheadersize(data + header) : -1) : 0;
  if (headersize < 0 || header + headersize > size) return kBadRecordKind;
  u16 format = swap16(data, direction);
  i64 at = 2;
  if (format == 1) {
    u16 modifiers = swap16(data + at, direction);
    at += 2;
    for (u16 i = 0; i < modifiers; ++i, at += i64(sizeof(sndmodifier))) endianswapbytes<sndmodifier>(data + at);
  } else {
    swap16(data + at, direction);  // reference count
    at += 2;
  }
  u16 commands = swap16(data + at, direction);
  at += 2;
  for (u16 i = 0; i < commands; ++i, at += i64(sizeof(sndcommandrec))) endianswapsndcommand(data + at);
  if (headersize == 22) endianswapsoundheader(data + header);
  else if (headersize == 64 && data[header + 20] == extSH) endianswapextsoundheader(data + header);
  else if (headersize == 64) endianswapcmpsoundheader(data + header);
  return noErr;
}

OSErr endianswapsnd2(Handle sound, i16 direction) {
  if (sound == nilhandle) return kBadRecordKind;
  return endianswapsnd2(deref(sound), GetHandleSize(sound), direction);
}

OSErr endianswapcurs(Handle cursor) {
  if (cursor == nilhandle || GetHandleSize(cursor) < 68) return kBadRecordKind;
  endianswapfield<Point>(deref(cursor) + 64);
  return noErr;
}

void endianswapixmap(u8* at) { endianswapbytes<storedpixmap>(at); }
void endianswapbitmap(u8* at) { endianswapbytes<storedbitmap>(at); }

bool endianswapcicon(u8* at, i64 length, i16 direction) {
  if (at == nullptr || length < i64(sizeof(ciconrec))) return false;
  // The parts are found from the headers in host order, and all of them are checked before a
  // byte changes.
  ciconrec head = loadat<ciconrec>(at);
  if (direction == fromfile) endianswap(head);
  CIconLayout layout;
  if (!ciconlayout(head, at, length, direction == fromfile, &layout)) return false;
  endianswapbytes<ciconrec>(at);
  u8* table = at + layout.ctab;
  endianswapbytes<storedctab>(table);
  for (i64 entry = sizeof(storedctab); entry < layout.ctabbytes; entry += sizeof(storedcolorspec))
    endianswapbytes<storedcolorspec>(table + entry);
  return true;
}

OSErr endianswapclut(u8* at, i64 length, i16 direction) {
  constexpr i64 kHeader = 8, kEntry = 8;
  if (length < kHeader) return kBadRecordKind;
  const i64 entries = i64(peek16(at + 6, direction)) + 1;
  if (kHeader + entries * kEntry > length) return kBadRecordKind;
  endianswapbytes<storedctab>(at);
  for (i64 i = 0; i < entries; ++i) endianswapbytes<storedcolorspec>(at + kHeader + i * kEntry);
  return 0;
}

OSErr endianswapimportedxres(ResType type, u8* at, i64 length, i16 direction) {
  if (at == nullptr || length < 0) return kBadRecordKind;
  if (type == fourcc("CURS")) {
    // The hot spot after the 64 bytes of image and mask.
    if (length < 68) return kBadRecordKind;
    endianswapfield<Point>(at + 64);
    return noErr;
  }
  if (type == fourcc("cicn")) return endianswapcicon(at, length, direction) ? OSErr(noErr) : OSErr(kBadRecordKind);
  if (type == fourcc("clut")) return endianswapclut(at, length, direction);
  if (type == fourcc("snd ")) return endianswapsnd2(at, length, direction);
  return noErr;
}

}  // namespace kv
