// Record packing: blocks, the part tables of the record kinds, and packing, unpacking,
// measuring and freeing of whole records and menu item lists.
#include "store/packing.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "store/namekey.h"
#include "store/objects.h"
#include "store/paintcodec.h"

namespace kv {
namespace {

// clang-format off
#define KV_PART(rec, field, always, form) PartRule{u16(offsetof(rec, field)), always, PartForm::form}

constexpr PartRule kHeadParts[] = {
    KV_PART(headrec, script, true, script),     KV_PART(headrec, patterns, true, patterns),
    KV_PART(headrec, brushes, true, brushes),   KV_PART(headrec, contents, false, plain),
    KV_PART(headrec, slota, false, plain),      KV_PART(headrec, slotb, false, plain),
    KV_PART(headrec, uprops, false, props),
};
constexpr PartRule kWindParts[] = {
    KV_PART(windrec, script, true, script), KV_PART(windrec, contents, false, plain),
    KV_PART(windrec, slota, false, plain),  KV_PART(windrec, slotb, false, plain),
    KV_PART(windrec, uprops, false, props), KV_PART(windrec, name, true, plain),
};
constexpr PartRule kMenuParts[] = {
    KV_PART(menurec, script, true, script),  KV_PART(menurec, items, true, items),
    KV_PART(menurec, contents, false, plain), KV_PART(menurec, slota, false, plain),
    KV_PART(menurec, slotb, false, plain),   KV_PART(menurec, uprops, false, props),
    KV_PART(menurec, name, true, plain),
};
constexpr PartRule kItemParts[] = {
    KV_PART(menuitem, name, true, plain),     KV_PART(menuitem, script, true, script),
    KV_PART(menuitem, contents, false, plain), KV_PART(menuitem, slota, false, plain),
    KV_PART(menuitem, slotb, false, plain),   KV_PART(menuitem, uprops, false, props),
};
constexpr PartRule kXresParts[] = {
    KV_PART(xresrec, data, true, plain),
    KV_PART(xresrec, name, true, plain),
};
constexpr PartRule kCardParts[] = {
    KV_PART(cardrec, script, true, script),   KV_PART(cardrec, objects, true, spots),
    KV_PART(cardrec, backtext, true, backtext), KV_PART(cardrec, contents, false, plain),
    KV_PART(cardrec, alt, false, alts),       KV_PART(cardrec, slota, false, plain),
    KV_PART(cardrec, uprops, false, props),   KV_PART(cardrec, name, true, plain),
};
constexpr PartRule kBackParts[] = {
    KV_PART(backrec, script, true, script),  KV_PART(backrec, objects, true, spots),
    KV_PART(backrec, contents, false, plain), KV_PART(backrec, slota, false, plain),
    KV_PART(backrec, slotb, false, plain),   KV_PART(backrec, uprops, false, props),
    KV_PART(backrec, name, true, plain),
};
constexpr PartRule kIotaParts[] = {
    KV_PART(iota, data, true, plain), KV_PART(iota, name, true, plain), KV_PART(iota, script, false, script),
    KV_PART(iota, alt, false, alts),  KV_PART(iota, uprops, false, props),
};
#undef KV_PART
// clang-format on

template <std::size_t N>
constexpr PartTable table(const PartRule (&rules)[N], u16 fixedsize) {
  return PartTable{rules, int(N), fixedsize};
}
constexpr PartTable kHeadTable = table(kHeadParts, sizeof(headrec));
constexpr PartTable kWindTable = table(kWindParts, sizeof(windrec));
constexpr PartTable kMenuTable = table(kMenuParts, sizeof(menurec));
constexpr PartTable kItemTable = table(kItemParts, sizeof(menuitem));
constexpr PartTable kXresTable = table(kXresParts, sizeof(xresrec));
constexpr PartTable kCardTable = table(kCardParts, sizeof(cardrec));
constexpr PartTable kBackTable = table(kBackParts, sizeof(backrec));
constexpr PartTable kIotaTable = table(kIotaParts, sizeof(iota));

inline Handle handleat(const u8* fixed, u16 offset) { return loadat<u32>(fixed + offset); }

// Grows the target when fewer than `need` bytes are left, to offset + need + slack.
OSErr makeroom(Handle target, i32 offset, i32& capacity, i64 need, i64 slack) {
  if (i64(capacity) - offset >= need) return noErr;
  i64 size = i64(offset) + need + slack;
  if (size > 0x7FFFFFFF) return memFullErr;
  SetHandleSize(target, Size(size));
  if (OSErr e = MemError()) return e;
  capacity = i32(size);
  return noErr;
}

// Appends a block of `count` bytes taken from `src` (fetched after any growth) or `bytes`.
OSErr appendblock(Handle target, i32& offset, i32& capacity, Handle src, const void* bytes, i32 count) {
  i64 padded = count + (count & 1);
  if (OSErr e = makeroom(target, offset, capacity, padded + 4, 10000)) return e;
  u8* at = deref(target) + offset;
  storeat<u32>(at, u32(count));
  const void* from = src ? static_cast<const void*>(deref(src)) : bytes;
  if (count > 0) std::memcpy(at + 4, from, size_t(count));
  if (count & 1) at[4 + count] = 0;
  offset += i32(padded + 4);
  return noErr;
}

bool validrecord(Handle rec) { return rec != nilhandle && rec != 0xFFFFFFFFu && IsValidHandle(rec); }

// The kind of a record handle, or -1 when it is too small to hold one.
int recordkind(Handle rec) {
  if (GetHandleSize(rec) < 2) return -1;
  return loadat<u16>(deref(rec));
}

std::vector<u8> copybytes(Handle h, i32 count) {
  std::vector<u8> v(size_t(count) + 1);
  if (count > 0) std::memcpy(v.data(), deref(h), size_t(count));
  return v;
}

}  // namespace

const PartTable* parttable(u16 kind) {
  switch (kind) {
    case kindhead: return &kHeadTable;
    case kindwind: return &kWindTable;
    case kindmenu: return &kMenuTable;
    case kindxres: return &kXresTable;
    case kindcard: return &kCardTable;
    case kindback: return &kBackTable;
    default: return nullptr;
  }
}
const PartTable& itemparts() { return kItemTable; }
const PartTable& iotaparts() { return kIotaTable; }

i32 recordfixedsize(Handle rec) {
  Size n = GetHandleSize(rec);
  if (n < 2) return -1;
  const u8* p = deref(rec);
  u16 kind = loadat<u16>(p);
  i64 fixed;
  switch (kind) {
    case kindlib:
      if (n < i32(sizeof(librec))) return -1;
      fixed = i64(sizeof(librec)) + 6 * i64(loadat<u16>(p + offsetof(librec, pagecount)));
      break;
    case kindwind:
      if (n < i32(sizeof(windrec))) return -1;
      fixed = i64(sizeof(windrec)) + 6 * i64(loadat<u16>(p + offsetof(windrec, pagecount)));
      break;
    case kindpage:
    case kindrack: fixed = n; break;
    default: {
      const PartTable* t = parttable(kind);
      if (t == nullptr) return -1;
      fixed = t->fixedsize;
    }
  }
  return fixed <= n ? i32(fixed) : -1;
}

// --- Blocks ------------------------------------------------------------------------------------
OSErr fastobj(Handle target, i32& offset, i32& capacity, Handle part) {
  if (target == nilhandle || part == nilhandle) return noErr;
  Size n = GetHandleSize(part);
  if (OSErr e = MemError()) return e;
  return appendblock(target, offset, capacity, part, nullptr, n);
}

OSErr packobj(Handle target, i32& offset, i32& capacity, Handle part) {
  if (target == nilhandle || part == nilhandle) return noErr;
  if (OSErr e = fastobj(target, offset, capacity, part)) return e;
  DisposeHandle(part);
  return noErr;
}

OSErr fastblock(Handle target, i32& offset, i32& capacity, const void* bytes, i32 count) {
  return appendblock(target, offset, capacity, nilhandle, bytes, count);
}

OSErr fastbytes(Handle target, i32& offset, i32& capacity, const void* bytes, i32 count) {
  if (count <= 0) return noErr;
  if (OSErr e = makeroom(target, offset, capacity, count, 10000)) return e;
  std::memcpy(deref(target) + offset, bytes, size_t(count));
  offset += count;
  return noErr;
}

OSErr fastone(Handle target, i32& offset, i32& capacity, Handle part) {
  if (target == nilhandle || part == nilhandle) return noErr;
  Size n = GetHandleSize(part);
  if (OSErr e = MemError()) return e;
  if (n <= 0) return noErr;
  if (OSErr e = makeroom(target, offset, capacity, n, 10000)) return e;
  std::memcpy(deref(target) + offset, deref(part), size_t(n));
  offset += n;
  return noErr;
}

OSErr unpackobj(Handle packed, i32& offset, Handle* part) {
  *part = nilhandle;
  i64 size = GetHandleSize(packed);
  if (offset < 0 || i64(offset) + 4 > size) return noErr;
  u32 len = loadat<u32>(deref(packed) + offset);
  if (i64(offset) + 4 + i64(len) > size) return noErr;
  Handle h = NewHandle(Size(len));
  if (h == nilhandle) return MemError();
  if (len > 0) std::memcpy(deref(h), deref(packed) + offset + 4, len);
  i64 next = i64(offset) + 4 + len + (len & 1);
  offset = next > 0x7FFFFFFF ? 0x7FFFFFFF : i32(next);
  *part = h;
  return noErr;
}

// --- Generic parts -------------------------------------------------------------------------
OSErr fastfixed(const PartTable& t, const u8* fixed, i32 size, Handle target, i32& offset, i32& capacity) {
  i32 start = offset;
  if (OSErr e = fastbytes(target, offset, capacity, fixed, size)) return e;
  u8* at = deref(target) + start;
  for (int i = 0; i < t.count; ++i) {
    const PartRule& r = t.rules[i];
    storeat<u32>(at + r.offset, (r.always || handleat(fixed, r.offset)) ? 1u : 0u);
  }
  return noErr;
}

OSErr writeparts(const PartTable& t, const u8* fixed, Handle target, i32& offset, i32& capacity,
                 const PackOptions& how) {
  for (int i = 0; i < t.count; ++i) {
    const PartRule& r = t.rules[i];
    Handle h = handleat(fixed, r.offset);
    if (!r.always && h == nilhandle) continue;
    OSErr e = noErr;
    switch (r.form) {
      case PartForm::props: e = fastprop(target, offset, capacity, h); break;
      case PartForm::alts: e = fastalt(target, offset, capacity, h); break;
      case PartForm::spots: e = fastspot(target, offset, capacity, h, how); break;
      case PartForm::items: e = fastitems(target, offset, capacity, h, how); break;
      default: e = h ? fastobj(target, offset, capacity, h) : fastblock(target, offset, capacity, nullptr, 0); break;
    }
    if (e) return e;
  }
  return noErr;
}

OSErr readparts(const PartTable& t, u8* work, Handle src, i32& offset, int depth) {
  OSErr err = noErr;
  for (int i = 0; i < t.count; ++i) {
    const PartRule& r = t.rules[i];
    u32 mark = loadat<u32>(work + r.offset);
    storeat<u32>(work + r.offset, 0u);
    if (err || (!r.always && mark == 0)) continue;
    Handle h;
    if ((err = unpackobj(src, offset, &h)) != noErr || h == nilhandle) continue;
    switch (r.form) {
      case PartForm::props: err = unpackprop(h); break;
      case PartForm::alts: err = unpackalt(h); break;
      case PartForm::spots: err = unpackspot(h, depth); break;
      case PartForm::items: err = unpackitems(h); break;
      default: break;
    }
    storeat<u32>(work + r.offset, h);
  }
  return err;
}

i64 sizeparts(const PartTable& t, const u8* fixed) {
  i64 total = 0;
  for (int i = 0; i < t.count; ++i) {
    const PartRule& r = t.rules[i];
    Handle h = handleat(fixed, r.offset);
    if (h == nilhandle) continue;
    switch (r.form) {
      case PartForm::props: total += sizeprop(h); break;
      case PartForm::alts: total += sizealt(h); break;
      case PartForm::spots: total += sizespot(h, 2); break;
      case PartForm::items: total += sizeitems(h); break;
      default: total += GetHandleSize(h); break;
    }
  }
  return total;
}

void dumpparts(const PartTable& t, const u8* fixed) {
  for (int i = 0; i < t.count; ++i) {
    const PartRule& r = t.rules[i];
    Handle h = handleat(fixed, r.offset);
    if (h == nilhandle) continue;
    switch (r.form) {
      case PartForm::props: dumprop(h); break;
      case PartForm::alts: dumpalt(h); break;
      case PartForm::spots: dumpspot(h); break;
      case PartForm::items: dumpitems(h); break;
      default: DisposeHandle(h); break;
    }
  }
}

void clearparts(const PartTable& t, u8* fixed) {
  for (int i = 0; i < t.count; ++i) storeat<u32>(fixed + t.rules[i].offset, 0u);
}

OSErr copyparts(const PartTable& t, const u8* src, u8* dst) {
  clearparts(t, dst);
  for (int i = 0; i < t.count; ++i) {
    const PartRule& r = t.rules[i];
    Handle h = handleat(src, r.offset);
    if (h == nilhandle) continue;
    Handle c = h;
    OSErr e = noErr;
    switch (r.form) {
      case PartForm::props:
        c = NewHandle(0);
        if (c == nilhandle) {
          e = MemError();
        } else if ((e = copyprop(h, c)) != noErr) {
          dumprop(c);
          c = nilhandle;
        }
        break;
      case PartForm::alts: e = dupealt(&c); break;
      case PartForm::spots: e = dupespot(&c); break;
      case PartForm::items: e = kBadRecordKind; break;  // item lists are not copied here
      default: e = HandToHand(&c); break;
    }
    if (e) {
      dumpparts(t, dst);
      clearparts(t, dst);
      return e;
    }
    storeat<u32>(dst + r.offset, c);
  }
  return noErr;
}

// --- Menu items ----------------------------------------------------------------------------
OSErr fastitems(Handle target, i32& offset, i32& capacity, Handle items, const PackOptions& how) {
  return fastlistblock(target, offset, capacity, [&]() -> OSErr {
    i32 k = items ? GetHandleSize(items) / i32(sizeof(menuitem)) : 0;
    if (k > 0xFFFF) return kBadRecordKind;
    for (i32 i = 0; i < k; ++i) {
      menuitem m = loadat<menuitem>(deref(items) + i * sizeof(menuitem));
      if (OSErr e = fastfixed(kItemTable, reinterpret_cast<const u8*>(&m), sizeof m, target, offset, capacity))
        return e;
    }
    for (i32 i = 0; i < k; ++i) {
      menuitem m = loadat<menuitem>(deref(items) + i * sizeof(menuitem));
      if (OSErr e = writeparts(kItemTable, reinterpret_cast<const u8*>(&m), target, offset, capacity, how)) return e;
    }
    u16 count = u16(k);
    return fastbytes(target, offset, capacity, &count, 2);
  });
}

OSErr unpackitems(Handle items) {
  Size n = GetHandleSize(items);
  if (n < 2) {
    SetHandleSize(items, 0);
    return noErr;
  }
  u16 k = loadat<u16>(deref(items) + n - 2);
  n -= 2;
  SetHandleSize(items, n);
  if (i64(k) * i64(sizeof(menuitem)) > n) {
    SetHandleSize(items, 0);
    return kBadRecordKind;
  }
  i32 offset = k * i32(sizeof(menuitem));
  OSErr err = noErr;
  for (i32 i = 0; i < k; ++i) {
    menuitem m = loadat<menuitem>(deref(items) + i * sizeof(menuitem));
    u8* w = reinterpret_cast<u8*>(&m);
    if (err) clearparts(kItemTable, w);
    else err = readparts(kItemTable, w, items, offset, 0);
    storeat<menuitem>(deref(items) + i * sizeof(menuitem), m);
  }
  SetHandleSize(items, k * i32(sizeof(menuitem)));
  return err;
}

i64 sizeitems(Handle items) {
  if (items == nilhandle) return 0;
  i32 k = GetHandleSize(items) / i32(sizeof(menuitem));
  i64 total = GetHandleSize(items);
  for (i32 i = 0; i < k; ++i) {
    menuitem m = loadat<menuitem>(deref(items) + i * sizeof(menuitem));
    total += sizeparts(kItemTable, reinterpret_cast<const u8*>(&m));
  }
  return total;
}

void dumpitems(Handle items) {
  if (items == nilhandle) return;
  i32 k = GetHandleSize(items) / i32(sizeof(menuitem));
  for (i32 i = 0; i < k; ++i) {
    menuitem m = loadat<menuitem>(deref(items) + i * sizeof(menuitem));
    dumpparts(kItemTable, reinterpret_cast<const u8*>(&m));
  }
  DisposeHandle(items);
}

// --- Records -------------------------------------------------------------------------------------
OSErr pack(Handle rec) {
  if (!validrecord(rec)) return kBadRecordKind;
  int kind = recordkind(rec);
  if (kind < 0 || kind >= kRecordKinds) return kBadRecordKind;
  if (kind == kindlib || kind == kindpage || kind == kindrack) return noErr;
  i32 fixed = recordfixedsize(rec);
  if (fixed < 0) return kBadRecordKind;
  const PartTable& t = *parttable(u16(kind));
  std::vector<u8> fx = copybytes(rec, fixed);
  PackOptions how;
  how.packing = true;
  how.blankfields = kind == kindback;
  return packinplace(
      rec,
      [&](Handle out, i32& offset, i32& capacity) {
        OSErr e = fastfixed(t, fx.data(), fixed, out, offset, capacity);
        return e ? e : writeparts(t, fx.data(), out, offset, capacity, how);
      },
      [&](Size) { dumpparts(t, fx.data()); });
}

OSErr fast(Handle rec, Handle dest) {
  if (!validrecord(rec)) return kBadRecordKind;
  int kind = recordkind(rec);
  if (kind < 0 || kind >= kRecordKinds) return kBadRecordKind;
  if (!IsValidHandle(dest)) return nilHandleErr;
  if (kind == kindlib || kind == kindpage || kind == kindrack) {
    std::vector<u8> all = copybytes(rec, GetHandleSize(rec));
    return PtrToXHand(all.data(), dest, GetHandleSize(rec));
  }
  i32 fixed = recordfixedsize(rec);
  if (fixed < 0) return kBadRecordKind;
  const PartTable& t = *parttable(u16(kind));
  std::vector<u8> fx = copybytes(rec, fixed);
  i32 offset = 0, capacity = GetHandleSize(dest);
  OSErr e = fastfixed(t, fx.data(), fixed, dest, offset, capacity);
  if (!e) e = writeparts(t, fx.data(), dest, offset, capacity, PackOptions{});
  if (e) return e;
  SetHandleSize(dest, offset);
  return MemError();
}

OSErr unpack(Handle rec) {
  if (!validrecord(rec)) return kBadRecordKind;
  int kind = recordkind(rec);
  if (kind < 0 || kind >= kRecordKinds) return kBadRecordKind;
  if (kind == kindlib || kind == kindpage || kind == kindrack) return noErr;
  const PartTable& t = *parttable(u16(kind));
  i32 fixed = recordfixedsize(rec);
  if (fixed < 0) {
    // The record cannot be read; its presence marks are cleared so that it can still be freed.
    if (GetHandleSize(rec) >= t.fixedsize) clearparts(t, deref(rec));
    return kBadRecordKind;
  }
  std::vector<u8> work = copybytes(rec, fixed);
  i32 offset = fixed;
  OSErr e = readparts(t, work.data(), rec, offset, 0);
  SetHandleSize(rec, fixed);
  std::memcpy(deref(rec), work.data(), size_t(fixed));
  return e;
}

i64 getsize(Handle rec) {
  if (!validrecord(rec)) return 0;
  int kind = recordkind(rec);
  if (kind < 0 || kind >= kRecordKinds) return 0;
  Size size = GetHandleSize(rec);
  const PartTable* t = parttable(u16(kind));
  if (t == nullptr) return size;
  if (size < t->fixedsize) return 0;
  std::vector<u8> fx = copybytes(rec, t->fixedsize);
  return size + sizeparts(*t, fx.data());
}

OSErr dump(Handle rec) {
  if (!validrecord(rec)) return noErr;
  int kind = recordkind(rec);
  if (kind < 0 || kind >= kRecordKinds) return kBadRecordKind;
  const PartTable* t = parttable(u16(kind));
  if (t != nullptr) {
    if (GetHandleSize(rec) < t->fixedsize) return kBadRecordKind;
    std::vector<u8> fx = copybytes(rec, t->fixedsize);
    dumpparts(*t, fx.data());
  }
  DisposeHandle(rec);
  return noErr;
}

OSErr dumpxres(Handle rec) {
  if (!validrecord(rec)) return noErr;
  if (GetHandleSize(rec) < i32(sizeof(xresrec))) return kBadRecordKind;
  xresrec x = loadat<xresrec>(deref(rec));
  if (x.name) DisposeHandle(x.name);
  if (x.data) DisposeHandle(x.data);
  DisposeHandle(rec);
  return noErr;
}

// --- Tails, hints, bitmaps -------------------------------------------------------------------
OSErr putail(Handle h, const void* src, i32 count) {
  if (h == nilhandle) return noErr;
  return PtrAndHand(src, h, count);
}

void getail(Handle h, void* dst, i32 count) {
  if (h == nilhandle || count <= 0) return;
  Size n = GetHandleSize(h);
  if (n >= count) {
    std::memcpy(dst, deref(h) + n - count, size_t(count));
    SetHandleSize(h, n - count);
    return;
  }
  // A handle shorter than its tail gives what it holds as the end of the tail.
  std::memset(dst, 0, size_t(count));
  if (n > 0) std::memcpy(static_cast<u8*>(dst) + (count - n), deref(h), size_t(n));
  SetHandleSize(h, 0);
}

void buildhash(u8* hint, Handle objects) {
  if (objects == nilhandle) return;
  i32 n = GetHandleSize(objects) / i32(sizeof(spot));
  for (i32 i = 0; i < n; ++i) {
    spot s = loadat<spot>(deref(objects) + i * sizeof(spot));
    if (isfield(s)) hash(hint);
  }
}

OSErr packbits(Handle bitmap, const Rect& r, i16 colour, Handle* out) {
  *out = colour ? packcolor(r, bitmap) : packimage(r, bitmap);
  return *out ? OSErr(noErr) : kCodecFailed;
}

OSErr unpackbits(Handle packed, const Rect& r, i16 colour, Handle* out) {
  *out = colour ? unpackcolor(r, packed) : unpackimage(r, packed);
  return *out ? OSErr(noErr) : kCodecFailed;
}

void unpackreserve(u32 w, u16* red, u16* green, u16* blue) {
  *red = u16((w & 0x3FF) * 64);
  *green = u16(((w >> 10) & 0x3FF) * 64);
  *blue = u16(((w >> 20) & 0x3FF) * 64);
}

}  // namespace kv
