// Byte order of packed records: the record kinds, their blocks, object lists, user properties,
// alt lists and menu items.
#include "store/byteorder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "store/fieldtail.h"
#include "store/packing.h"

namespace kv {
namespace {

// The length word of a block: swapped, and checked against the bytes available.
struct Block {
  u8* data = nullptr;
  u32 length = 0;
  i32 full = 0;  // 0 when the block does not fit
};

Block blockhead(u8* at, i64 avail, i16 dir) {
  Block b;
  if (avail < 4) return b;
  b.length = swap32(at, dir);
  if (4 + i64(b.length) > avail) return b;
  b.data = at + 4;
  b.full = i32(std::min<i64>(4 + i64(b.length) + (b.length & 1), avail));
  return b;
}

// Swaps a stored record (or the host copy `host` receives) in the direction given: going to
// the file the host copy is taken first, coming from it after the swap.
template <class R>
R swaprecord(u8* at, i16 dir) {
  R host;
  if (dir == tofile) std::memcpy(&host, at, sizeof(R));
  endianswapbytes<R>(at);
  if (dir == fromfile) std::memcpy(&host, at, sizeof(R));
  return host;
}

OSErr swapform(PartForm form, u8* at, i64 avail, i32* outlen, i16 dir, int depth);

// Walks the blocks of the parts of a fixed part (given in host order) from `off` up to `end`.
// Stops at the first block that does not fit.
OSErr swapparts(const PartTable& t, const u8* host, u8* base, i64& off, i64 end, i16 dir, int depth, bool& stop) {
  for (int i = 0; i < t.count && !stop; ++i) {
    const PartRule& r = t.rules[i];
    if (!r.always && loadat<u32>(host + r.offset) == 0) continue;
    i32 full = 0;
    if (OSErr e = swapform(r.form, base + off, end - off, &full, dir, depth)) return e;
    if (full == 0) stop = true;
    off += full;
  }
  return noErr;
}

// A list block: entries of E, then each entry's parts (walked by `parts`), then the u16 count.
// The count must leave room for the entries; the entries are swapped after their parts going to
// the file and before them coming from it.
template <class E, class Parts, class SwapEntry>
OSErr swaplist(u8* at, i64 avail, i32* outlen, i16 dir, bool oldcounts, Parts&& parts, SwapEntry&& swapentry) {
  Block b = blockhead(at, avail, dir);
  *outlen = b.full;
  if (b.full == 0 || b.length < 2) return noErr;
  u8* countat = b.data + b.length - 2;
  u16 count = peek16(countat, dir);
  // A count that reads as k x 256 in a file was written unswapped by older versions: the list
  // is left as it is, and unpacking reads the count the other way round. No list with such a
  // count is ever written (alt lists keep at most 255 entries), so one going to the file is
  // damaged.
  if (oldcounts && (count & 0xFF) == 0 && (count >> 8) != 0) return dir == fromfile ? OSErr(noErr) : kBadRecordKind;
  i64 end = i64(b.length) - 2;
  if (i64(count) * i64(sizeof(E)) > end) return kBadRecordKind;
  swap16(countat, dir);
  std::vector<E> host(count);
  for (u16 i = 0; i < count; ++i) {
    u8* e = b.data + i64(i) * i64(sizeof(E));
    if (dir == fromfile) swapentry(e);
    std::memcpy(&host[i], e, sizeof(E));
  }
  i64 off = i64(count) * i64(sizeof(E));
  bool stop = false;
  for (u16 i = 0; i < count && !stop; ++i)
    if (OSErr err = parts(host[i], b.data, off, end, stop)) return err;
  if (dir == tofile)
    for (u16 i = 0; i < count; ++i) swapentry(b.data + i64(i) * i64(sizeof(E)));
  return noErr;
}

// One object's parts: data (by the object's style and kind), name, script, contents, slot,
// alt list, user properties, each when present.
OSErr swapspotparts(const spot& s, u8* base, i64& off, i64 end, i16 dir, int depth, bool& stop) {
  auto step = [&](auto&& swapper) -> OSErr {
    i32 full = 0;
    if (OSErr e = swapper(base + off, end - off, &full)) return e;
    if (full == 0) stop = true;
    off += full;
    return noErr;
  };
  if (s.data) {
    OSErr e;
    auto datablock = [&](void (*content)(u8*, i64, i16)) {
      return step([&](u8* at, i64 avail, i32* full) {
        Block b = blockhead(at, avail, dir);
        *full = b.full;
        if (b.full) content(b.data, b.length, dir);
        return OSErr(noErr);
      });
    };
    if (s.style == stylegroup) {
      e = step([&](u8* at, i64 avail, i32* full) { return endianswapackedspots(at, avail, full, dir, depth + 1); });
    } else if (s.style == stylebitmap) {
      e = step([&](u8* at, i64 avail, i32* full) { return endianswapackedobj(at, avail, full, dir); });
    } else if (s.style == styletext || s.kind == spotfield) {
      e = datablock(endianswapfieldata);
    } else if (s.style == stylepolygon || s.style == stylepolybutton) {
      e = datablock(endianswapolygon);
    } else {
      e = step([&](u8* at, i64 avail, i32* full) { return endianswapackedobj(at, avail, full, dir); });
    }
    if (e || stop) return e;
  }
  struct Part {
    u32 present;
    PartForm form;
  };
  const Part rest[] = {{s.name, PartForm::plain}, {s.script, PartForm::script}, {s.contents, PartForm::plain},
                       {s.slot, PartForm::plain}, {s.alt, PartForm::alts},      {s.uprops, PartForm::props}};
  for (const Part& p : rest) {
    if (!p.present) continue;
    if (OSErr e = step([&](u8* at, i64 avail, i32* full) { return swapform(p.form, at, avail, full, dir, depth); }))
      return e;
    if (stop) break;
  }
  return noErr;
}

OSErr swapform(PartForm form, u8* at, i64 avail, i32* outlen, i16 dir, int depth) {
  switch (form) {
    case PartForm::props: return endianswapackeduprops(at, avail, outlen, dir);
    case PartForm::alts: return endianswapackedalts(at, avail, outlen, dir);
    case PartForm::spots: return endianswapackedspots(at, avail, outlen, dir, depth);
    case PartForm::items: return endianswapackeditems(at, avail, outlen, dir);
    case PartForm::script: return endianswapackedscript(at, avail, outlen, dir);
    default: break;
  }
  Block b = blockhead(at, avail, dir);
  *outlen = b.full;
  if (b.full == 0) return noErr;
  switch (form) {
    case PartForm::patterns:
      if (b.length >= 2) swap16(b.data, dir);  // the pattern count; the patterns are bytes
      break;
    case PartForm::brushes:
      for (u32 i = 0; i < 16 && 2 * i + 2 <= b.length; ++i) swap16(b.data + 2 * i, dir);
      break;
    case PartForm::backtext: endianswapwebacktext(b.data, b.length, dir); break;
    default: break;
  }
  return noErr;
}

// The fixed part of a record kind with parts: swapped, and its host copy returned.
std::vector<u8> swapfixed(u16 kind, u8* p, i32 fixed, i16 dir) {
  std::vector<u8> host(size_t(fixed) + 1);
  if (dir == tofile) std::memcpy(host.data(), p, size_t(fixed));
  switch (kind) {
    case kindhead: endianswapbytes<headrec>(p); break;
    case kindwind:
      endianswapbytes<windrec>(p);
      for (i32 at = i32(sizeof(windrec)); at + 6 <= fixed; at += 6) endianswapbytes<pageref>(p + at);
      break;
    case kindmenu: endianswapbytes<menurec>(p); break;
    case kindxres: endianswapbytes<xresrec>(p); break;
    case kindcard: endianswapbytes<cardrec>(p); break;
    case kindback: endianswapbytes<backrec>(p); break;
    default: break;
  }
  if (dir == fromfile) std::memcpy(host.data(), p, size_t(fixed));
  return host;
}

}  // namespace

OSErr endianswapackedstar(Handle h, i16 direction) {
  Size n = GetHandleSize(h);
  if (n < 2) return kBadRecordKind;
  u8* p = deref(h);  // nothing below allocates, so the block stays where it is
  u16 kind = peek16(p, direction);
  if (kind >= kRecordKinds) return kBadRecordKind;
  switch (kind) {
    case kindlib: {
      if (n < i32(sizeof(librec))) return kBadRecordKind;
      u16 racks = peek16(p + offsetof(librec, pagecount), direction);
      if (i64(sizeof(librec)) + 6 * i64(racks) > n) return kBadRecordKind;
      endianswapbytes<librec>(p);
      for (i32 i = 0; i < racks; ++i) endianswapbytes<pageref>(p + sizeof(librec) + 6 * i);
      return noErr;
    }
    case kindpage:
      endianswapfield<u16>(p);
      for (i64 at = 2; at + i64(sizeof(wordentry)) <= n; at += sizeof(wordentry)) endianswapbytes<wordentry>(p + at);
      return noErr;
    case kindrack:
      endianswapfield<u16>(p);
      for (i64 at = 2; at + i64(sizeof(bookentry)) <= n; at += sizeof(bookentry)) endianswapbytes<bookentry>(p + at);
      return noErr;
    default: break;
  }
  const PartTable& t = *parttable(kind);
  if (n < t.fixedsize) return kBadRecordKind;
  i64 fixed = t.fixedsize;
  if (kind == kindwind) {
    fixed += 6 * i64(peek16(p + offsetof(windrec, pagecount), direction));
    if (fixed > n) return kBadRecordKind;
  }
  std::vector<u8> host;
  if (direction == fromfile) host = swapfixed(kind, p, i32(fixed), direction);
  else host.assign(p, p + fixed);
  i64 off = fixed;
  bool stop = false;
  OSErr e = swapparts(t, host.data(), p, off, n, direction, 0, stop);
  if (direction == tofile) swapfixed(kind, p, i32(fixed), direction);
  return e;
}

OSErr endianswapackedstarLtoB(Handle h) { return endianswapackedstar(h, tofile); }
OSErr endianswapackedstarBtoL(Handle h) { return endianswapackedstar(h, fromfile); }

OSErr endianswapackedobj(u8* at, i64 avail, i32* outlen, i16 direction) {
  *outlen = blockhead(at, avail, direction).full;
  return noErr;
}

OSErr endianswapackedscript(u8* at, i64 avail, i32* outlen, i16 direction) {
  Block b = blockhead(at, avail, direction);
  *outlen = b.full;
  if (b.full && b.length >= sizeof(scripttail)) endianswapscriptail(b.data + b.length - sizeof(scripttail));
  return noErr;
}

void endianswapscriptail(u8* at) { endianswapbytes<scripttail>(at); }

void endianswapscript(Handle script) {
  Size n = GetHandleSize(script);
  if (n >= Size(sizeof(scripttail))) endianswapscriptail(deref(script) + n - sizeof(scripttail));
}

OSErr endianswapackeduprops(u8* at, i64 avail, i32* outlen, i16 direction) {
  return swaplist<uprop>(
      at, avail, outlen, direction, false,
      [&](const uprop&, u8* base, i64& off, i64 end, bool& stop) -> OSErr {
        for (int k = 0; k < 2 && !stop; ++k) {  // the name block, then the value block
          i32 full = blockhead(base + off, end - off, direction).full;
          if (full == 0) stop = true;
          off += full;
        }
        return noErr;
      },
      [](u8* e) { endianswapbytes<uprop>(e); });
}

OSErr endianswapackedalts(u8* at, i64 avail, i32* outlen, i16 direction) {
  return swaplist<alt>(
      at, avail, outlen, direction, true,
      [&](const alt& a, u8* base, i64& off, i64 end, bool& stop) -> OSErr {
        if (a.kind == 0 || a.data == 0) return noErr;  // no block was written for it
        Block b = blockhead(base + off, end - off, direction);
        if (b.full == 0) {
          stop = true;
          return noErr;
        }
        off += b.full;
        return endianswapaltdata(a.kind, b.data, b.length, direction);
      },
      [](u8* e) { endianswapbytes<alt>(e); });
}

OSErr endianswapackedspots(u8* at, i64 avail, i32* outlen, i16 direction, int depth) {
  if (depth > kMaxGroupDepth) {
    *outlen = 0;
    return kBadRecordKind;
  }
  return swaplist<spot>(
      at, avail, outlen, direction, false,
      [&](const spot& s, u8* base, i64& off, i64 end, bool& stop) {
        return swapspotparts(s, base, off, end, direction, depth, stop);
      },
      [direction](u8* e) { endianswapspot(e, direction); });
}

OSErr endianswapackeditems(u8* at, i64 avail, i32* outlen, i16 direction) {
  return swaplist<menuitem>(
      at, avail, outlen, direction, false,
      [&](const menuitem& m, u8* base, i64& off, i64 end, bool& stop) {
        return swapparts(itemparts(), reinterpret_cast<const u8*>(&m), base, off, end, direction, 0, stop);
      },
      [](u8* e) { endianswapbytes<menuitem>(e); });
}

void endianswapspot(u8* at, i16 direction) {
  spot host = swaprecord<spot>(at, direction);
  if (isplatformcontrol(host)) endianswapbytes<controlpart>(at + 34);
  endianswapbranch(at + 70, host.kind, host.flags);
}

void endianswapbranch(u8* tail, u16 kind, u32 flags) {
  switch (kind) {
    case spotgraphic: endianswapbytes<graphictail>(tail); break;
    case spotbutton: endianswapbytes<buttontail>(tail); break;
    case spotfield:
      if (flags & spotallowobjects) endianswapbytes<fieldkindtail2>(tail);
      else endianswapbytes<fieldkindtail>(tail);
      break;
    default: break;
  }
}

void endianswapfieldata(u8* at, i64 length, i16 direction) {
  if (length < 2) return;
  u16 runs = swap16(at, direction);
  if (length < 2 + i64(sizeof(fieldtail))) return;
  endianswapbytes<fieldtail>(at + length - sizeof(fieldtail));
  i64 fit = (length - 2 - i64(sizeof(fieldtail))) / i64(sizeof(stylerun));
  for (i64 i = 0; i < std::min<i64>(runs, fit); ++i) endianswapbytes<stylerun>(at + 2 + i * i64(sizeof(stylerun)));
}

void endianswapwebacktext(u8* at, i64 length, i16 direction) {
  i64 off = 0;
  while (off + 8 <= length) {
    endianswapfield<u32>(at + off);  // the field's id
    u32 len = swap32(at + off + 4, direction);
    if (off + 8 + i64(len) > length) return;
    endianswapfieldata(at + off + 8, len, direction);
    off += 8 + i64(len);
  }
}

void endianswapolygon(u8* at, i64 length, i16 direction) {
  if (length < 10) return;
  u16 size = swap16(at, direction);
  endianswapfield<Rect>(at + 2);
  i64 points = (std::min<i64>(size, length) - 10) / 4;
  for (i64 i = 0; i < points; ++i) endianswapfield<Point>(at + 10 + 4 * i);
}

OSErr endianswapackediota(u8* at, i64 length, i16 direction) {
  if (length < i64(sizeof(iota))) return noErr;
  iota host = swaprecord<iota>(at, direction);
  i64 off = sizeof(iota);
  bool stop = false;
  return swapparts(iotaparts(), reinterpret_cast<const u8*>(&host), at, off, length, direction, 0, stop);
}

}  // namespace kv
