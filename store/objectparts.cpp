// User-property lists, alternate-data lists and embedded field objects (iotas).
#include <cstring>

#include "store/objects.h"

namespace kv {
namespace {

constexpr i32 kPropSize = i32(sizeof(uprop));
constexpr i32 kAltSize = i32(sizeof(alt));

template <class E>
i32 entrycount(Handle list) {
  return list ? GetHandleSize(list) / i32(sizeof(E)) : 0;
}
template <class E>
E entryat(Handle list, i32 i) {
  return loadat<E>(deref(list) + i64(i) * i64(sizeof(E)));
}
template <class E>
void putentry(Handle list, i32 i, const E& e) {
  storeat<E>(deref(list) + i64(i) * i64(sizeof(E)), e);
}

// Removes the entries that lack a name or a value, freeing the one they have.
void pruneprops(Handle list) {
  i32 n = entrycount<uprop>(list), kept = 0;
  for (i32 i = 0; i < n; ++i) {
    uprop p = entryat<uprop>(list, i);
    if (p.name && p.value) {
      putentry(list, kept++, p);
    } else {
      if (p.name) DisposeHandle(p.name);
      if (p.value) DisposeHandle(p.value);
    }
  }
  if (kept != n) SetHandleSize(list, kept * kPropSize);
}

OSErr writepropsbody(Handle target, i32& offset, i32& capacity, Handle list) {
  if (list) pruneprops(list);
  i32 n = entrycount<uprop>(list);
  if (n > 0xFFFF) return kBadRecordKind;
  for (i32 i = 0; i < n; ++i) {
    uprop p = entryat<uprop>(list, i);
    markpresence(p);
    if (OSErr e = fastbytes(target, offset, capacity, &p, kPropSize)) return e;
  }
  for (i32 i = 0; i < n; ++i) {
    uprop p = entryat<uprop>(list, i);
    if (OSErr e = fastobj(target, offset, capacity, p.name)) return e;
    if (OSErr e = fastobj(target, offset, capacity, p.value)) return e;
  }
  u16 count = u16(n);
  return fastbytes(target, offset, capacity, &count, 2);
}

bool packedalt(const alt& a) { return a.kind != 0 && a.data != 0; }

OSErr writealtsbody(Handle target, i32& offset, i32& capacity, Handle list) {
  i32 n = entrycount<alt>(list), kept = 0;
  for (i32 i = 0; i < n; ++i) {
    alt a = entryat<alt>(list, i);
    if (!packedalt(a)) continue;
    markpresence(a);
    if (OSErr e = fastbytes(target, offset, capacity, &a, kAltSize)) return e;
    ++kept;
  }
  // A count of k x 256 would read back as k (see unpackalt): more than 255 entries are refused.
  if (kept > 255) return kBadRecordKind;
  for (i32 i = 0; i < n; ++i) {
    alt a = entryat<alt>(list, i);
    if (!packedalt(a)) continue;
    if (OSErr e = fastobj(target, offset, capacity, a.data)) return e;
  }
  u16 count = u16(kept);
  return fastbytes(target, offset, capacity, &count, 2);
}

// Packs a list in place through its body writer.
template <class Body>
OSErr packlist(Handle list, i32 entrysize, void (*dumpentries)(Handle, i32), Body&& body) {
  if (list == nilhandle) return noErr;
  return packinplace(list, body, [&](Size size) { dumpentries(list, size / entrysize); });
}

// Takes the u16 entry count off the end of a packed list and checks the entries fit before it.
// Answers the count, or -1 (the list emptied) when they do not.
i32 takecount(Handle list, i32 entrysize, bool swappedsmall) {
  Size n = GetHandleSize(list);
  u16 count = loadat<u16>(deref(list) + n - 2);
  // A count written in the other byte order by older versions reads as k x 256.
  if (swappedsmall && (count & 0xFF) == 0 && (count >> 8) != 0) count = u16(count >> 8);
  n -= 2;
  SetHandleSize(list, n);
  if (i64(count) * entrysize > n) {
    SetHandleSize(list, 0);
    return -1;
  }
  return count;
}

}  // namespace

// --- User properties -------------------------------------------------------------------------
OSErr fastprop(Handle target, i32& offset, i32& capacity, Handle list) {
  return fastlistblock(target, offset, capacity, [&]() { return writepropsbody(target, offset, capacity, list); });
}

OSErr packprop(Handle list) {
  return packlist(list, kPropSize, dumppropentries, [list](Handle out, i32& offset, i32& capacity) {
    return writepropsbody(out, offset, capacity, list);
  });
}

OSErr unpackprop(Handle list) {
  if (list == nilhandle) return noErr;
  if (GetHandleSize(list) < 2) {
    SetHandleSize(list, 0);
    return noErr;
  }
  i32 m = takecount(list, kPropSize, false);
  if (m < 0) return kBadRecordKind;
  i32 offset = m * kPropSize;
  OSErr err = noErr;
  for (i32 i = 0; i < m; ++i) {
    uprop p = entryat<uprop>(list, i);
    p.name = 0;
    p.value = 0;
    Handle h;
    if (!err && !(err = unpackobj(list, offset, &h))) p.name = h;
    if (!err && !(err = unpackobj(list, offset, &h))) p.value = h;
    putentry(list, i, p);
  }
  SetHandleSize(list, m * kPropSize);
  pruneprops(list);  // an entry whose blocks did not fit is dropped
  return err;
}

i64 sizeprop(Handle list) {
  if (list == nilhandle) return 0;
  if (GetHandleSize(list) % kPropSize != 0) return 0;
  pruneprops(list);
  i32 n = entrycount<uprop>(list);
  if (n == 0) return 0;
  i64 total = GetHandleSize(list);
  for (i32 i = 0; i < n; ++i) {
    uprop p = entryat<uprop>(list, i);
    total += GetHandleSize(p.name) + GetHandleSize(p.value);
  }
  return total;
}

OSErr copyprop(Handle src, Handle dst) {
  if (dst == nilhandle) return nilHandleErr;
  i32 n = entrycount<uprop>(src);
  for (i32 i = 0; i < n; ++i) {
    uprop p = entryat<uprop>(src, i);
    if (!p.name || !p.value) continue;
    Handle name = p.name, value = p.value;
    if (OSErr e = HandToHand(&name)) return e;
    if (OSErr e = HandToHand(&value)) {
      DisposeHandle(name);
      return e;
    }
    p.name = name;
    p.value = value;
    if (OSErr e = PtrAndHand(&p, dst, kPropSize)) {
      DisposeHandle(name);
      DisposeHandle(value);
      return e;
    }
  }
  return noErr;
}

void dumppropentries(Handle list, i32 count) {
  for (i32 i = 0; i < count; ++i) {
    uprop p = entryat<uprop>(list, i);
    if (p.name) DisposeHandle(p.name);
    if (p.value) DisposeHandle(p.value);
  }
}

void dumprop(Handle list) {
  if (list == nilhandle) return;
  dumppropentries(list, entrycount<uprop>(list));
  DisposeHandle(list);
}

// --- Alternate data ----------------------------------------------------------------------------
OSErr setaltdata(Handle list, Handle data, u32 kind) {
  if (list == nilhandle) return nilHandleErr;
  i32 n = entrycount<alt>(list);
  for (i32 i = 0; i < n; ++i) {
    alt a = entryat<alt>(list, i);
    if (a.kind != kind) continue;
    if (a.data && a.data != data) DisposeHandle(a.data);
    a.data = data;
    putentry(list, i, a);
    return noErr;
  }
  alt a{kind, hfield{data}};
  return PtrAndHand(&a, list, kAltSize);
}

Handle getaltdata(Handle list, u32 kind) {
  i32 n = entrycount<alt>(list);
  for (i32 i = 0; i < n; ++i) {
    alt a = entryat<alt>(list, i);
    if (a.kind == kind) return a.data;
  }
  return nilhandle;
}

OSErr deletealt(Handle list, u32 kind) {
  i32 n = entrycount<alt>(list);
  for (i32 i = 0; i < n; ++i) {
    alt a = entryat<alt>(list, i);
    if (a.kind != kind) continue;
    if (a.data) DisposeHandle(a.data);
    u8* p = deref(list);
    std::memmove(p + i64(i) * kAltSize, p + i64(i + 1) * kAltSize, size_t(n - i - 1) * kAltSize);
    SetHandleSize(list, (n - 1) * kAltSize);
    return MemError();
  }
  return noErr;
}

i32 countalttype(Handle list, u32 kind) {
  i32 n = entrycount<alt>(list), c = 0;
  for (i32 i = 0; i < n; ++i) c += entryat<alt>(list, i).kind == kind ? 1 : 0;
  return c;
}

i32 numberalthandles(Handle list) { return entrycount<alt>(list); }

i64 sizealt(Handle list) {
  if (list == nilhandle) return 0;
  i64 total = GetHandleSize(list);
  i32 n = entrycount<alt>(list);
  for (i32 i = 0; i < n; ++i) {
    alt a = entryat<alt>(list, i);
    if (a.data) total += GetHandleSize(a.data);
  }
  return total;
}

OSErr fastalt(Handle target, i32& offset, i32& capacity, Handle list) {
  return fastlistblock(target, offset, capacity, [&]() { return writealtsbody(target, offset, capacity, list); });
}

OSErr packalt(Handle list) {
  return packlist(list, kAltSize, dumpaltentries, [list](Handle out, i32& offset, i32& capacity) {
    return writealtsbody(out, offset, capacity, list);
  });
}

OSErr unpackalt(Handle list) {
  if (list == nilhandle) return noErr;
  if (GetHandleSize(list) <= 9) {
    SetHandleSize(list, 0);
    return noErr;
  }
  i32 m = takecount(list, kAltSize, true);
  if (m < 0) return kBadRecordKind;
  i32 offset = m * kAltSize, kept = 0;
  OSErr err = noErr;
  for (i32 i = 0; i < m && !err; ++i) {
    alt a = entryat<alt>(list, i);
    if (a.kind == 0 || a.data == 0) continue;  // no block was written for it
    Handle h;
    if ((err = unpackobj(list, offset, &h)) != noErr || h == nilhandle) continue;
    if (!knownaltkind(a.kind)) {
      DisposeHandle(h);
      continue;
    }
    a.data = h;
    putentry(list, kept++, a);
  }
  SetHandleSize(list, kept * kAltSize);
  return err;
}

OSErr copyalt(Handle src, Handle dst) {
  if (dst == nilhandle) return nilHandleErr;
  i32 n = entrycount<alt>(src);
  for (i32 i = 0; i < n; ++i) {
    alt a = entryat<alt>(src, i);
    Handle data = a.data;
    if (data)
      if (OSErr e = HandToHand(&data)) return e;
    a.data = data;
    if (OSErr e = PtrAndHand(&a, dst, kAltSize)) {
      if (data) DisposeHandle(data);
      return e;
    }
  }
  return noErr;
}

OSErr dupealt(Handle* list) {
  if (*list == nilhandle) return noErr;
  Handle copy = NewHandle(0);
  if (copy == nilhandle) return MemError();
  if (OSErr e = copyalt(*list, copy)) {
    dumpalt(copy);
    return e;
  }
  *list = copy;
  return noErr;
}

void dumpaltentries(Handle list, i32 count) {
  for (i32 i = 0; i < count; ++i) {
    alt a = entryat<alt>(list, i);
    if (a.data) DisposeHandle(a.data);
  }
}

void dumpalt(Handle list) {
  if (list == nilhandle) return;
  dumpaltentries(list, entrycount<alt>(list));
  DisposeHandle(list);
}

void clearalt(spot& s) {
  dumpalt(s.alt);
  s.alt = 0;
}

// --- Embedded objects --------------------------------------------------------------------------
OSErr packiota(Handle h) {
  if (h == nilhandle || GetHandleSize(h) < i32(sizeof(iota))) return kBadRecordKind;
  iota io = loadat<iota>(deref(h));
  const u8* fixed = reinterpret_cast<const u8*>(&io);
  return packinplace(
      h,
      [&](Handle out, i32& offset, i32& capacity) {
        OSErr e = fastfixed(iotaparts(), fixed, sizeof io, out, offset, capacity);
        return e ? e : writeparts(iotaparts(), fixed, out, offset, capacity, PackOptions{});
      },
      [&](Size) { dumpparts(iotaparts(), fixed); });
}

OSErr unpackiota(Handle h) {
  if (h == nilhandle || GetHandleSize(h) < i32(sizeof(iota))) return kBadRecordKind;
  iota io = loadat<iota>(deref(h));
  i32 offset = sizeof(iota);
  OSErr e = readparts(iotaparts(), reinterpret_cast<u8*>(&io), h, offset, 0);
  SetHandleSize(h, sizeof(iota));
  storeat<iota>(deref(h), io);
  return e;
}

OSErr dupeiota(Handle* h) {
  if (*h == nilhandle) return noErr;
  if (GetHandleSize(*h) < i32(sizeof(iota))) return kBadRecordKind;
  iota src = loadat<iota>(deref(*h));
  iota copy = src;
  if (OSErr e = copyparts(iotaparts(), reinterpret_cast<const u8*>(&src), reinterpret_cast<u8*>(&copy))) return e;
  Handle c = nilhandle;
  if (OSErr e = PtrToHand(&copy, &c, sizeof copy)) {
    dumpparts(iotaparts(), reinterpret_cast<const u8*>(&copy));
    return e;
  }
  *h = c;
  return noErr;
}

void dumpiota(Handle h) {
  if (h == nilhandle) return;
  if (GetHandleSize(h) >= i32(sizeof(iota))) {
    iota io = loadat<iota>(deref(h));
    dumpparts(iotaparts(), reinterpret_cast<const u8*>(&io));
  }
  DisposeHandle(h);
}

}  // namespace kv
