// Object lists: the `spot` records of a card or background with their parts, packed inside a
// record, unpacked, measured, copied and freed.
#include "store/objects.h"

#include <cstring>
#include <initializer_list>

#include "render/pictbuffers.h"
#include "render/pictinfo.h"
#include "store/liveparts.h"
#include "store/paintcodec.h"

namespace kv {
namespace {

constexpr i32 kSpotSize = i32(sizeof(spot));

bool colourbitmap(const spot& s) { return getgraphictail(s).startangle != 0; }

// Writes an object list without its block header: the entries with presence marks, each
// object's parts in the order data, name, script, contents, slot, alt list, user properties,
// then the count.
OSErr writespotsbody(Handle target, i32& offset, i32& capacity, Handle list, const PackOptions& how) {
  if (how.depth > kMaxGroupDepth) return kBadRecordKind;
  i32 n = spotcount(list);
  if (n > 0xFFFF) return kBadRecordKind;
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(list, i);
    if (how.packing && isfield(s) && s.data) {
      leavelistmode(s);
      putspot(list, i, s);
    }
    bool blank = how.blankfields && isfield(s);
    if (blank) s.alt = 0;
    markpresence(s);
    clearruntimeslots(s);
    if (OSErr e = fastbytes(target, offset, capacity, &s, kSpotSize)) return e;
  }
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(list, i);
    bool blank = how.blankfields && isfield(s);
    OSErr e = noErr;
    if (s.data) {
      if (s.style == stylegroup) {
        PackOptions inner = how;
        inner.blankfields = false;
        inner.depth = how.depth + 1;
        e = fastspot(target, offset, capacity, s.data, inner);
      } else if (s.style == stylebitmap) {
        Handle packed = nilhandle;
        e = packbits(s.data, s.rect, colourbitmap(s) ? 1 : 0, &packed);
        if (!e) {
          e = fastobj(target, offset, capacity, packed);
          DisposeHandle(packed);
        }
      } else if (blank) {
        e = fastblock(target, offset, capacity, nullptr, 0);
      } else {
        e = fastobj(target, offset, capacity, s.data);
      }
    }
    if (!e) e = fastobj(target, offset, capacity, s.name);
    if (!e) e = fastobj(target, offset, capacity, s.script);
    if (!e) e = fastobj(target, offset, capacity, s.contents);
    if (!e) e = fastobj(target, offset, capacity, s.slot);
    if (!e && s.alt && !blank) e = fastalt(target, offset, capacity, s.alt);
    if (!e && s.uprops) e = fastprop(target, offset, capacity, s.uprops);
    if (e) return e;
  }
  u16 count = u16(n);
  return fastbytes(target, offset, capacity, &count, 2);
}

// Reads the parts of one object whose packed entry is `s`. On failure the parts not read are 0.
OSErr unpackonespot(spot& s, Handle list, i32& offset, int depth) {
  spot marks = s;
  zerohandles(s);
  clearruntimeslots(s);
  Handle h;
  if (marks.data) {
    if (OSErr e = unpackobj(list, offset, &h)) return e;
    if (h && s.style == stylegroup) {
      s.data = h;
      if (OSErr e = unpackspot(h, depth + 1)) return e;
    } else if (h && s.style == stylebitmap) {
      Handle image = nilhandle;
      OSErr e = unpackbits(h, s.rect, colourbitmap(s) ? 1 : 0, &image);
      DisposeHandle(h);
      if (e) return e;
      s.data = image;
    } else {
      s.data = h;
    }
  }
  if (marks.name) {
    if (OSErr e = unpackobj(list, offset, &h)) return e;
    s.name = h;
  }
  if (marks.script) {
    if (OSErr e = unpackobj(list, offset, &h)) return e;
    if (h && GetHandleSize(h) < 25) {  // only the tail: no script
      DisposeHandle(h);
      h = nilhandle;
    }
    s.script = h;
  }
  if (marks.contents) {
    if (OSErr e = unpackobj(list, offset, &h)) return e;
    s.contents = h;
  }
  if (marks.slot) {
    if (OSErr e = unpackobj(list, offset, &h)) return e;
    s.slot = h;
  }
  if (marks.alt) {
    if (OSErr e = unpackobj(list, offset, &h)) return e;
    s.alt = h;
    if (h)
      if (OSErr e = unpackalt(h)) return e;
  }
  if (marks.uprops) {
    if (OSErr e = unpackobj(list, offset, &h)) return e;
    s.uprops = h;
    if (h)
      if (OSErr e = unpackprop(h)) return e;
  }
  // A rectangle graphic that still keeps its picture as data gets picture information.
  if (s.style == stylerectangle && s.kind == spotgraphic && s.data && !(s.flags & spotpictinfo)) {
    if (!New_PictInfoHandle(s)) return memFullErr;
    if (OSErr e = SetPictInfoHandle(s, s.data, 1)) return e;
    s.data = 0;
    s.flags = s.flags | spotpictinfo;
  }
  return noErr;
}

void dumponespot(spot& s, int depth) {
  if (isfield(s) && getfieldkindtail(s).live) releaselivefield(s);
  if (s.data) {
    if (s.style == stylegroup && depth < kMaxGroupDepth) dumpspot(s.data, depth + 1);
    else DisposeHandle(s.data);
  }
  for (Handle h : {Handle(s.name), Handle(s.script), Handle(s.contents), Handle(s.slot)})
    if (h) DisposeHandle(h);
  // A rendered picture in the cache goes with its object: the cache's key names the
  // picture's data handle, which another picture may get next.
  if ((s.flags & spotpictinfo) && s.alt) killpictbuffer(s);
  if (s.alt) dumpalt(s.alt);
  if (s.uprops) dumprop(s.uprops);
  if (isplatformcontrol(s) && getcontrolpart(s).control) releaselivecontrol(s);
  zerohandles(s);
}

OSErr dupespotat(Handle* list, int depth);

// A deep copy of one object. On failure nothing is left allocated and `c` holds no handles.
OSErr copyonespot(const spot& s, spot& c, int depth) {
  c = s;
  zerohandles(c);
  clearruntimeslots(c);
  OSErr e = noErr;
  auto copy = [&e](Handle from) -> Handle {
    if (e || from == nilhandle) return nilhandle;
    Handle h = from;
    e = HandToHand(&h);
    return e ? nilhandle : h;
  };
  if (s.alt) {
    Handle a = s.alt;
    if (!(e = dupealt(&a))) c.alt = a;
  }
  if (!e && s.uprops) {
    Handle p = NewHandle(0);
    if (p == nilhandle) {
      e = MemError();
    } else if ((e = copyprop(s.uprops, p)) != noErr) {
      dumprop(p);
    } else {
      c.uprops = p;
    }
  }
  if (!e && s.data) {
    if (s.style == stylegroup) {
      Handle d = s.data;
      if (!(e = dupespotat(&d, depth + 1))) c.data = d;
    } else {
      c.data = copy(s.data);
    }
  }
  if (!e && isfield(s) && (s.style == stylefieldrect || s.style == stylefieldscroll) && getfieldkindtail(s).live)
    e = packlivetext(s, c);
  c.name = copy(s.name);
  c.script = copy(s.script);
  c.contents = copy(s.contents);
  c.slot = copy(s.slot);
  if (e) dumponespot(c, depth);
  return e;
}

// Replaces *list by a deep copy; on failure *list is left as it was.
OSErr dupespotat(Handle* list, int depth) {
  if (*list == nilhandle) return noErr;
  if (depth > kMaxGroupDepth) return kBadRecordKind;
  Handle src = *list;
  Handle copy = src;
  if (OSErr e = HandToHand(&copy)) return e;
  i32 n = spotcount(src);
  for (i32 i = 0; i < n; ++i) {
    spot c;
    if (OSErr e = copyonespot(spotat(src, i), c, depth)) {
      for (i32 j = 0; j < i; ++j) {
        spot done = spotat(copy, j);
        dumponespot(done, depth);
      }
      DisposeHandle(copy);
      return e;
    }
    putspot(copy, i, c);
  }
  *list = copy;
  return noErr;
}

// Bytes in memory of one object's parts.
i64 spotparts(const spot& s, int depth) {
  i64 total = 0;
  if (s.data) {
    if (s.style == stylegroup && depth < kMaxGroupDepth) total += sizespot(s.data, 2, depth + 1);
    else total += GetHandleSize(s.data);
  }
  for (Handle h : {Handle(s.name), Handle(s.script), Handle(s.contents), Handle(s.slot)})
    if (h) total += GetHandleSize(h);
  return total + sizealt(s.alt) + sizeprop(s.uprops);
}

}  // namespace

void clearruntimeslots(spot& s) {
  if (isfield(s)) {
    fieldkindtail t = getfieldkindtail(s);
    t.live = 0;
    setfieldkindtail(s, t);
  }
  if (isplatformcontrol(s)) {
    controlpart c = getcontrolpart(s);
    c.control = 0;
    setcontrolpart(s, c);
  }
}

void defaultspot(spot& s) {
  s.selected = 1;
  s.flags = 0x08000007;
  s.themefill = 0;
  s.showfill = 1;
  s.themepen = 0;
  s.showpen = 1;
  s.textflags = 0;
  s.fillfore = 255;
  s.tabsize = 0;
  s.penfore = 255;
  s.rulerunits = 0;
  s.fillback = 0;
  s.unnamed = 0;
  s.penback = 0;
  bytes<8> white{}, black{};
  std::memset(black.b, 0xFF, 8);
  s.fillpat = white;
  s.penpat = black;
  s.penwidth = 1;
  s.penheight = 1;
  s.ink = 0;
  s.shadow = 0;
  zerohandles(s);
  storeat<u32>(reinterpret_cast<u8*>(&s) + 78, 0u);
}

OSErr fastspot(Handle target, i32& offset, i32& capacity, Handle list, const PackOptions& how) {
  return fastlistblock(target, offset, capacity, [&]() { return writespotsbody(target, offset, capacity, list, how); });
}

OSErr packspot(Handle list) {
  if (list == nilhandle) return noErr;
  PackOptions how;
  how.packing = true;
  return packinplace(
      list, [&](Handle out, i32& offset, i32& capacity) { return writespotsbody(out, offset, capacity, list, how); },
      [list](Size size) { dumpspotentries(list, size / kSpotSize); });
}

OSErr unpackspot(Handle list, int depth) {
  if (list == nilhandle) return noErr;
  Size n = GetHandleSize(list);
  if (n < 2 || depth > kMaxGroupDepth) {
    SetHandleSize(list, 0);
    return n < 2 ? OSErr(noErr) : kBadRecordKind;
  }
  u16 count = loadat<u16>(deref(list) + n - 2);
  n -= 2;
  SetHandleSize(list, n);
  if (i64(count) * kSpotSize > n) {
    SetHandleSize(list, 0);
    return kBadRecordKind;
  }
  i32 offset = count * kSpotSize;
  OSErr err = noErr;
  for (i32 i = 0; i < count; ++i) {
    spot s = spotat(list, i);
    if (err) {
      zerohandles(s);
      clearruntimeslots(s);
    } else {
      err = unpackonespot(s, list, offset, depth);
    }
    putspot(list, i, s);
  }
  SetHandleSize(list, count * kSpotSize);
  return err;
}

i64 sizespot(Handle list, i16 selector, int depth) {
  if (list == nilhandle) return 0;
  i64 total = GetHandleSize(list);
  i32 n = spotcount(list);
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(list, i);
    if (selector == 2 || (selector == 1) == (s.selected != 0)) total += spotparts(s, depth);
  }
  return total;
}

i64 size1spot(Handle list, i32 index) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return 0;
  return GetHandleSize(list) + spotparts(spotat(list, index), 0);
}

OSErr dupespot(Handle* list) { return dupespotat(list, 0); }

OSErr clonespot(Handle list, i32 index, Handle dest) {
  if (list == nilhandle || dest == nilhandle || index < 0 || index >= spotcount(list)) return paramErr;
  spot c;
  if (OSErr e = copyonespot(spotat(list, index), c, 0)) return e;
  if (OSErr e = PtrAndHand(&c, dest, kSpotSize)) {
    dumponespot(c, 0);
    return e;
  }
  return noErr;
}

void dumpspotentries(Handle list, i32 count) {
  for (i32 i = 0; i < count; ++i) {
    spot s = spotat(list, i);
    dumponespot(s, 0);
  }
}

void dumpspot(Handle list, int depth) {
  if (list == nilhandle) return;
  i32 n = spotcount(list);
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(list, i);
    dumponespot(s, depth);
  }
  DisposeHandle(list);
}

}  // namespace kv
