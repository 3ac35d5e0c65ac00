// Byte order of alternate data, by kind: picture information, filter lists, matrices, the
// text engine's run lists, object soups, pairs and streams, print records, and a card's extras
// for its background's fields and buttons.
#include <algorithm>

#include "render/pictinfo.h"
#include "store/byteorder.h"

namespace kv {

// The print record kept with a project: the platform's TPrint layout.
#define KV_STOREDPRINFO_FIELDS(F) \
  F(i16, idev, 0)                 \
  F(i16, ivres, 2)                \
  F(i16, ihres, 4)                \
  F(Rect, rpage, 6)
KV_STORED_RECORD(storedprinfo, 14, KV_STOREDPRINFO_FIELDS)

#define KV_STOREDPRSTYLE_FIELDS(F) \
  F(i16, wdev, 0)                  \
  F(i16, ipagev, 2)                \
  F(i16, ipageh, 4)                \
  F(i8, bport, 6)                  \
  F(i8, feed, 7)
KV_STORED_RECORD(storedprstyle, 8, KV_STOREDPRSTYLE_FIELDS)

#define KV_STOREDPRXINFO_FIELDS(F) \
  F(i16, irowbytes, 0)             \
  F(i16, ibandv, 2)                \
  F(i16, ibandh, 4)                \
  F(i16, idevbytes, 6)             \
  F(i16, ibands, 8)                \
  F(i8, bpatscale, 10)             \
  F(i8, bulthick, 11)              \
  F(i8, buloffset, 12)             \
  F(i8, bulshadow, 13)             \
  F(i8, scan, 14)                  \
  F(i8, bxinfox, 15)
KV_STORED_RECORD(storedprxinfo, 16, KV_STOREDPRXINFO_FIELDS)

#define KV_STOREDPRJOB_FIELDS(F) \
  F(i16, ifstpage, 0)            \
  F(i16, ilstpage, 2)            \
  F(i16, icopies, 4)             \
  F(i8, bjdocloop, 6)            \
  F(u8, ffromusr, 7)             \
  F(u32, pidleproc, 8)           \
  F(u32, pfilename, 12)          \
  F(i16, ifilevol, 16)           \
  F(i8, bfilevers, 18)           \
  F(i8, bjobx, 19)
KV_STORED_RECORD(storedprjob, 20, KV_STOREDPRJOB_FIELDS)

using i16x19 = arr<i16, 19>;
#define KV_STOREDPRINT_FIELDS(F) \
  F(i16, iprversion, 0)          \
  F(storedprinfo, prinfo, 2)     \
  F(Rect, rpaper, 16)            \
  F(storedprstyle, prstl, 24)    \
  F(storedprinfo, prinfopt, 32)  \
  F(storedprxinfo, prxinfo, 46)  \
  F(storedprjob, prjob, 62)      \
  F(i16x19, printx, 82)
KV_STORED_RECORD(storedprint, 120, KV_STOREDPRINT_FIELDS)

// Text-engine structures of the alternate data.
#define KV_WERUN_FIELDS(F) \
  F(u16, word0, 0)         \
  F(u16, word2, 2)         \
  F(u32, word4, 4)         \
  F(u32, word8, 8)         \
  F(u32, word12, 12)
KV_STORED_RECORD(werun, 16, KV_WERUN_FIELDS)

using u32x4 = arr<u32, 4>;
#define KV_WESOUPHEAD_FIELDS(F) \
  F(u32x4, words, 0)            \
  F(u16x4, shorts, 16)
KV_STORED_RECORD(wesouphead, 24, KV_WESOUPHEAD_FIELDS)

namespace {

// A header of four u32 whose third is the run count, then 16-byte runs.
void swaprunlist(u8* at, i64 length, i16 dir) {
  if (length < 16) return;
  endianswapfield<u32>(at);
  endianswapfield<u32>(at + 4);
  u32 runs = swap32(at + 8, dir);
  endianswapfield<u32>(at + 12);
  i64 fit = (length - 16) / 16;
  for (i64 i = 0; i < std::min<i64>(runs, fit); ++i) endianswapbytes<werun>(at + 16 + 16 * i);
}

// Soup elements: a 24-byte head whose fourth word is the size of the data that follows.
void swapsoup(u8* at, i64 length, i16 dir) {
  i64 off = 0;
  while (off + 24 <= length) {
    u32 size = peek32(at + off + 12, dir);
    endianswapbytes<wesouphead>(at + off);
    off += 24 + i64(size);
  }
}

// The image-filter list: u16 count, then items {u32 item length, u32 effect kind, u8, u8, name
// (length byte and characters), u32 data length, data}.
void swapfilters(u8* at, i64 length, i16 dir) {
  if (length < 2) return;
  u16 count = swap16(at, dir);
  i64 off = 2;
  for (u16 i = 0; i < count; ++i) {
    if (off + 11 > length) return;
    u32 itemlength = swap32(at + off, dir);
    endianswapfield<u32>(at + off + 4);
    u8 namelength = at[off + 10];
    if (off + 15 + namelength > length) return;
    endianswapfield<u32>(at + off + 11 + namelength);
    if (itemlength < 15u + namelength) return;
    off += itemlength;
  }
}

// A card's extras for its background's fields: {u32 field id, packed alt list block}.
OSErr swapbackextras(u8* at, i64 length, i16 dir) {
  i64 off = 0;
  while (off + 4 <= length) {
    endianswapfield<u32>(at + off);
    i32 full = 0;
    if (OSErr e = endianswapackedalts(at + off + 4, length - off - 4, &full, dir)) return e;
    if (full == 0) break;
    off += 4 + full;
  }
  return noErr;
}

// Unshared button states: {u32 button id, u32 size, size bytes whose first 8 are 4 u16}.
void swapunsharedhilites(u8* at, i64 length, i16 dir) {
  i64 off = 0;
  while (off + 8 <= length) {
    endianswapfield<u32>(at + off);
    u32 size = swap32(at + off + 4, dir);
    if (off + 8 + i64(size) > length) return;
    if (size >= 8)
      for (int k = 0; k < 4; ++k) endianswapfield<u16>(at + off + 8 + 2 * k);
    off += 8 + i64(size);
  }
}

}  // namespace

OSErr endianswapaltdata(u32 kind, u8* at, i64 length, i16 direction) {
  switch (kind) {
    case altpictinfo:
      if (length >= i64(sizeof(PictInfo))) endianswapbytes<PictInfo>(at);
      break;
    case altfilters: swapfilters(at, length, direction); break;
    case altmatrix:
      for (i64 i = 0; i < 9 && 4 * i + 4 <= length; ++i) endianswapfield<u32>(at + 4 * i);
      break;
    case altfonttable:
    case altwecf: swaprunlist(at, length, direction); break;
    case altsoup: swapsoup(at, length, direction); break;
    case altwepf:
      for (i64 i = 0; i + 4 <= length - length % 8; i += 4) endianswapfield<u32>(at + i);
      break;
    case altweru:
    case altwest: endianswapwestreamscrap(at, length, direction); break;
    case altprint:
      if (length >= i64(sizeof(storedprint))) endianswapbytes<storedprint>(at);
      break;
    case altbackextras: return swapbackextras(at, length, direction);
    case altunsharedhilites: swapunsharedhilites(at, length, direction); break;
    default: break;  // picture data and other kinds are bytes
  }
  return noErr;
}

i16 endianswapwestreamscrap(u8* at, i64 length, i16 direction) {
  if (length < 24) return 0;
  u32 head[6];
  for (int i = 0; i < 6; ++i) head[i] = swap32(at + 4 * i, direction);
  if (head[0] != 0 || head[1] != 0 || head[3] != fourcc("list")) return 1;
  i64 off = 24;
  for (u32 r = 0; r < head[4]; ++r) {
    if (off + 16 > length) return 1;
    u32 rec[4];
    for (int i = 0; i < 4; ++i) rec[i] = swap32(at + off + 4 * i, direction);
    if (rec[0] != fourcc("reco")) return 1;
    off += 16;
    for (u32 k = 0; k < rec[2]; ++k) {
      if (off + 12 > length) return 1;
      endianswapfield<u32>(at + off);  // key
      u32 type = swap32(at + off + 4, direction);
      u32 len = swap32(at + off + 8, direction);
      u8* data = at + off + 12;
      if (off + 12 + i64(len) > length) return 1;
      if (type == fourcc("bool") || type == fourcc("shor") || type == fourcc("long") || type == fourcc("fixd") ||
          type == fourcc("enum")) {
        if (len == 2) endianswapfield<u16>(data);
        else if (len == 4) endianswapfield<u32>(data);
      } else if (type == fourcc("QDpt") && len >= 4) {
        endianswapfield<Point>(data);
      } else if (type == fourcc("cRGB") && len >= 6) {
        endianswapfield<RGBColor>(data);
      } else if (type == fourcc("crec") && len >= 8) {
        endianswapfield<Rect>(data);
      } else if (type == fourcc("iota")) {
        endianswapackediota(data, len, direction);
      }
      off += 12 + i64(len) + (len & 1);
    }
  }
  return 0;
}

}  // namespace kv
