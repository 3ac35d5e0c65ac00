// The per-card state of a background's objects: field texts (`backtext`), the alt lists of
// styled fields (kind 200) and unshared button hilites (kind 201).
#include "store/backtext.h"

#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/memory/memory.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"

namespace kv {
namespace {

constexpr u16 kHiliteWord = 64;
constexpr i32 kHiliteEntryLength = 8;

// One entry of a per-card list: the object's id and where its bytes lie in the handle.
struct cardentry {
  u32 id;
  i32 offset;
  i32 length;
};

// Calls fn(bytes of the handle, entry) for every entry that fits, in order, until fn answers
// false or an entry runs past the end of the handle.
template <class Fn>
void walkcardentries(Handle h, Fn&& fn) {
  Size size = h ? GetHandleSize(h) : 0;
  i64 off = 0;
  while (off + 8 <= size) {
    const u8* p = deref(h);
    u32 id = loadat<u32>(p + off);
    u32 length = loadat<u32>(p + off + 4);
    if (i64(length) > size - off - 8) return;
    if (!fn(p, cardentry{id, i32(off + 8), i32(length)})) return;
    off += 8 + i64(length);
  }
}

bool findcardentry(Handle h, u32 id, cardentry& out) {
  bool found = false;
  walkcardentries(h, [&](const u8*, const cardentry& e) {
    if (e.id != id) return true;
    out = e;
    found = true;
    return false;
  });
  return found;
}

// Appends an entry whose bytes come from `src` (fetched after the growth) or `bytes`.
OSErr appendcardentry(Handle out, u32 id, Handle src, const void* bytes, i32 length) {
  Size at = GetHandleSize(out);
  if (i64(at) + 8 + length > 0x7FFFFFFF) return memFullErr;
  SetHandleSize(out, Size(at + 8 + length));
  if (OSErr e = MemError()) return e;
  u8* p = deref(out) + at;
  storeat<u32>(p, id);
  storeat<u32>(p + 4, u32(length));
  if (length > 0) std::memcpy(p + 8, src ? static_cast<const void*>(deref(src)) : bytes, size_t(length));
  return noErr;
}

bool styledfield(const spot& s) { return isfield(s) && (s.style == stylefieldrect || s.style == stylefieldscroll); }
bool listfield(const spot& s) { return isfield(s) && (s.style == stylefieldlist || s.style == stylefieldscrolllist); }
bool unsharedbutton(const spot& s) { return s.kind == spotbutton && (s.flags & spotunsharedhilite); }

// Gives a field its text for the card. A copy that fails leaves the empty text rather than the
// text of the card shown before.
OSErr givefieldtext(spot& s, Handle backtext) {
  if (s.data == nilhandle) {
    Handle h = NewHandle(0);
    if (h == nilhandle) return MemError();
    s.data = h;
  }
  cardentry e{};
  if (findcardentry(backtext, s.id, e) && measurefieldtext(deref(backtext) + e.offset, e.length).whole) {
    SetHandleSize(s.data, e.length);
    if (OSErr err = MemError()) {
      setemptyfieldtext(s.data, defaultfieldtail());
      return err;
    }
    std::memcpy(deref(s.data), deref(backtext) + e.offset, size_t(e.length));
    return noErr;
  }
  return setemptyfieldtext(s.data, defaultfieldtail());
}

// A packed copy of a field's alt list, appended as its kind-200 entry.
OSErr appendfieldextras(Handle out, const spot& s) {
  Handle copy = s.alt;
  if (OSErr e = dupealt(&copy)) return e;
  if (OSErr e = packalt(copy)) {
    dumpalt(copy);
    return e;
  }
  OSErr e = appendcardentry(out, s.id, copy, nullptr, GetHandleSize(copy));
  DisposeHandle(copy);  // packed: only bytes
  return e;
}

OSErr appendhilite(Handle out, const spot& s) {
  u8 entry[kHiliteEntryLength] = {};
  storeat<u16>(entry, (s.flags & spothilite) ? kHiliteWord : 0);
  storeat<u16>(entry + 2, isplatformcontrol(s) ? u16(getcontrolpart(s).currentvalue) : 0);
  return appendcardentry(out, s.id, nilhandle, entry, kHiliteEntryLength);
}

// Gives a styled field a new alt list: the card's entry for it unpacked, else empty.
void givefieldextras(spot& s, Handle extras) {
  dumpalt(s.alt);
  s.alt = NewHandle(0);
  if (s.alt == nilhandle) return;
  cardentry e{};
  if (!findcardentry(extras, s.id, e)) return;
  SetHandleSize(s.alt, e.length);
  if (MemError() != noErr) return;
  std::memcpy(deref(s.alt), deref(extras) + e.offset, size_t(e.length));
  unpackalt(s.alt);  // a list that does not hold together keeps what could be read
}

// Gives a button whose hilite is not shared its hilite and value for the card; without an entry
// it is not hilited and its value is 0.
void givebuttonhilite(spot& s, Handle hilites) {
  u16 word = 0, value = 0;
  cardentry e{};
  if (findcardentry(hilites, s.id, e) && e.length >= 4) {
    word = loadat<u16>(deref(hilites) + e.offset);
    value = loadat<u16>(deref(hilites) + e.offset + 2);
  }
  bool hilited = (word & kHiliteWord) != 0;
  s.flags = hilited ? (s.flags | spothilite) : (s.flags & ~spothilite);
  if (!isplatformcontrol(s)) return;
  controlpart c = getcontrolpart(s);
  c.currentvalue = i16(value);
  setcontrolpart(s, c);
  if (c.control == 0) return;
  i16 part = !hilited ? 0 : (s.flags & spotmixedvalue) ? 2 : 1;
  setlivecontrolstate(s, i16(value), part);
}

}  // namespace

OSErr getbacktext(Handle objects, Handle backtext) {
  if (backtext == nilhandle) return nilHandleErr;
  i32 n = spotcount(objects);
  i64 total = 0;
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(objects, i);
    if (isfield(s)) total += 8 + (s.data ? GetHandleSize(s.data) : 0);
  }
  if (total > 0x7FFFFFFF) return memFullErr;
  SetHandleSize(backtext, Size(total));
  if (OSErr e = MemError()) return e;
  i64 off = 0;
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(objects, i);
    if (!isfield(s)) continue;
    Size length = s.data ? GetHandleSize(s.data) : 0;
    u8* p = deref(backtext) + off;
    storeat<u32>(p, s.id);
    storeat<u32>(p + 4, u32(length));
    if (length > 0) std::memcpy(p + 8, deref(s.data), size_t(length));
    off += 8 + length;
  }
  return noErr;
}

OSErr putbacktext(Handle objects, Handle backtext) {
  OSErr first = noErr;
  i32 n = spotcount(objects);
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(objects, i);
    if (!isfield(s)) continue;
    OSErr e = givefieldtext(s, backtext);
    if (e && !first) first = e;
    if (listfield(s)) reloadlivelist(s);
    putspot(objects, i, s);
  }
  return first;
}

OSErr cleanbacktext(Handle source, Handle dest) {
  if (dest == nilhandle) return nilHandleErr;
  std::vector<u8> out;
  walkcardentries(source, [&](const u8* p, const cardentry& e) {
    const u8* text = p + e.offset;
    fieldtail t = fieldtextail(text, e.length);
    fieldtextlayout l = measurefieldtext(text, e.length);
    if (l.whole && l.runs > 0) {
      stylerun r = fieldtextrun(text, 0);
      t.font = u16(r.font);
      t.face = r.face;
      t.size = u16(r.size);
    }
    u8 entry[8 + kEmptyFieldTextSize] = {};
    storeat<u32>(entry, e.id);
    storeat<u32>(entry + 4, u32(kEmptyFieldTextSize));
    storeat<fieldtail>(entry + 10, t);
    out.insert(out.end(), entry, entry + sizeof entry);
    return true;
  });
  return PtrToXHand(out.data(), dest, Size(out.size()));
}

i16 getbacktextextras(Handle backobjects, Handle* cardalt) {
  bool failed = false;
  if (*cardalt) {
    for (u32 kind : {u32(altbackextras), u32(altunsharedhilites)})
      while (countalttype(*cardalt, kind) > 0)
        if (deletealt(*cardalt, kind) != noErr) {
          failed = true;
          break;
        }
  }
  Handle fields = NewHandle(0), buttons = NewHandle(0);
  failed = failed || fields == nilhandle || buttons == nilhandle;
  i32 n = spotcount(backobjects);
  for (i32 i = 0; i < n && !failed; ++i) {
    spot s = spotat(backobjects, i);
    if (styledfield(s) && s.alt) failed = appendfieldextras(fields, s) != noErr;
    else if (unsharedbutton(s)) failed = appendhilite(buttons, s) != noErr;
  }
  bool stored = false;
  for (auto [h, kind] : {std::pair{fields, u32(altbackextras)}, std::pair{buttons, u32(altunsharedhilites)}}) {
    if (h == nilhandle) continue;
    if (GetHandleSize(h) == 0) {
      DisposeHandle(h);
      continue;
    }
    if (*cardalt == nilhandle) *cardalt = NewHandle(0);
    if (*cardalt != nilhandle && setaltdata(*cardalt, h, kind) == noErr) {
      stored = true;
    } else {
      DisposeHandle(h);
      failed = true;
    }
  }
  if (!stored && *cardalt && GetHandleSize(*cardalt) == 0) {
    DisposeHandle(*cardalt);
    *cardalt = nilhandle;
  }
  return failed ? 1 : 0;
}

i16 putbacktextextras(Handle backobjects, Handle cardalt) {
  Handle extras = getaltdata(cardalt, altbackextras);
  Handle hilites = getaltdata(cardalt, altunsharedhilites);
  i32 n = spotcount(backobjects);
  for (i32 i = 0; i < n; ++i) {
    spot s = spotat(backobjects, i);
    if (styledfield(s)) givefieldextras(s, extras);
    else if (unsharedbutton(s)) givebuttonhilite(s, hilites);
    else continue;
    putspot(backobjects, i, s);
  }
  return 0;
}

}  // namespace kv
