// The stored records of the project store: the fixed parts of the nine record kinds, menu
// items, page references, word and book entries, and the object records with their parts
// (`spot`, `uprop`, `alt`, `iota`).
//
// In memory a record is one handle holding its fixed part; its handle fields name further
// handles. In a packed record the same fields hold 1 for a part whose block follows and 0 for an
// absent part (store/packing.h).
#pragma once

#include <cstring>

#include "platform/memory/stored.h"

namespace kv {

// --- Record kinds --------------------------------------------------------------------------
enum RecordKind : u16 {
  kindhead = 0,
  kindlib = 1,
  kindpage = 2,
  kindrack = 3,
  kindwind = 4,
  kindmenu = 5,
  kindxres = 6,
  kindcard = 7,
  kindback = 8,
};
constexpr u16 kRecordKinds = 9;

// Status codes of the store.
constexpr OSErr kBadRecordKind = 105;  // bad record kind, or stored data that does not hold together
constexpr OSErr kCodecFailed = -108;   // the paint bitmap codec could not convert an image

// Nested groups of objects are followed this deep at most.
constexpr int kMaxGroupDepth = 64;

// Array types of the field lists.
using u16x2 = arr<u16, 2>;
using u16x3 = arr<u16, 3>;
using u16x4 = arr<u16, 4>;
using u16x12 = arr<u16, 12>;
using u32x8 = arr<u32, 8>;
using Pointx4 = arr<Point, 4>;

// --- Directory references and list entries -------------------------------------------------
// A reference from a window to a page of its card list, or from the library to a rack.
#define KV_PAGEREF_FIELDS(F) \
  F(i16, entries, 0)         \
  F(u32, recordid, 2)
KV_STORED_RECORD(pageref, 6, KV_PAGEREF_FIELDS)

// One card of a window's card list.
#define KV_WORDENTRY_FIELDS(F) \
  F(u32, cardrecord, 0)        \
  F(u32, backrecord, 4)        \
  F(u32, cardid, 8)            \
  F(u32, backid, 12)           \
  F(u32, word16, 16)           \
  F(u32, namekey, 20)          \
  F(u32, word24, 24)           \
  F(u32, packedsize, 28)       \
  F(u32x8, hint, 32)
KV_STORED_RECORD(wordentry, 64, KV_WORDENTRY_FIELDS)

// One window, menu or resource of a library list.
#define KV_BOOKENTRY_FIELDS(F) \
  F(u32, recordid, 0)          \
  F(u32, word4, 4)             \
  F(u32, word8, 8)             \
  F(u32, word12, 12)
KV_STORED_RECORD(bookentry, 16, KV_BOOKENTRY_FIELDS)

// --- Fixed parts of the record kinds ---------------------------------------------------------
#define KV_HEADREC_FIELDS(F) \
  F(u16, kind, 0)            \
  F(Rect, rect, 2)           \
  F(u32, word10, 10)         \
  F(hfield, script, 14)      \
  F(hfield, patterns, 18)    \
  F(hfield, brushes, 22)     \
  F(hfield, contents, 26)    \
  F(hfield, uprops, 30)      \
  F(hfield, slota, 34)       \
  F(hfield, slotb, 38)
KV_STORED_RECORD(headrec, 42, KV_HEADREC_FIELDS)

// Followed by `pagecount` page references to the racks.
#define KV_LIBREC_FIELDS(F) \
  F(u16, kind, 0)           \
  F(u32, entrycount, 2)     \
  F(u32, idcounter, 6)      \
  F(u32, word10, 10)        \
  F(u16, pagecount, 14)
KV_STORED_RECORD(librec, 16, KV_LIBREC_FIELDS)

// Followed by `pagecount` page references to the card-list pages. `word2` is the window's
// style code; `themeback` its theme background (high byte an explicit theme brush, low byte a
// background kind 1-8); `translucency` 100 less its opacity.
#define KV_WINDREC_FIELDS(F) \
  F(u16, kind, 0)            \
  F(u16, word2, 2)           \
  F(u32, flags, 4)           \
  F(u32, cardcount, 8)       \
  F(u32, backcount, 12)      \
  F(u32, nextid, 16)         \
  F(u16, themeback, 20)      \
  F(u16, translucency, 22)   \
  F(Rect, rect1, 24)         \
  F(Rect, rect2, 32)         \
  F(hfield, name, 40)        \
  F(hfield, script, 44)      \
  F(hfield, contents, 48)    \
  F(hfield, uprops, 52)      \
  F(hfield, slota, 56)       \
  F(hfield, slotb, 60)       \
  F(u16, pagecount, 64)
KV_STORED_RECORD(windrec, 66, KV_WINDREC_FIELDS)

// Menu flags: bit 0 disabled, bit 1 cantRemove.
#define KV_MENUREC_FIELDS(F) \
  F(u16, kind, 0)            \
  F(u32, flags, 2)           \
  F(Rect, rect, 6)           \
  F(u32, word14, 14)         \
  F(hfield, name, 18)        \
  F(hfield, script, 22)      \
  F(hfield, items, 26)       \
  F(hfield, contents, 30)    \
  F(hfield, uprops, 34)      \
  F(hfield, slota, 38)       \
  F(hfield, slotb, 42)
KV_STORED_RECORD(menurec, 46, KV_MENUREC_FIELDS)

// One entry of a menu's item list. Flags: bit 0 disabled, bit 1 divideLine, bit 2 checkmark.
#define KV_MENUITEM_FIELDS(F) \
  F(u16, word0, 0)            \
  F(u32, word2, 2)            \
  F(u32, word6, 6)            \
  F(u32, flags, 10)           \
  F(u32, word14, 14)          \
  F(hfield, name, 18)         \
  F(hfield, script, 22)       \
  F(hfield, contents, 26)     \
  F(hfield, uprops, 30)       \
  F(hfield, slota, 34)        \
  F(hfield, slotb, 38)
KV_STORED_RECORD(menuitem, 42, KV_MENUITEM_FIELDS)

#define KV_XRESREC_FIELDS(F) \
  F(u16, kind, 0)            \
  F(u32, word2, 2)           \
  F(hfield, name, 6)         \
  F(hfield, data, 10)
KV_STORED_RECORD(xresrec, 14, KV_XRESREC_FIELDS)

// Card flags: bit 0 cantDelete.
#define KV_CARDREC_FIELDS(F) \
  F(u16, kind, 0)            \
  F(u32, flags, 2)           \
  F(Rect, rect, 6)           \
  F(u16, word14, 14)         \
  F(u32, word16, 16)         \
  F(u32, word20, 20)         \
  F(hfield, name, 24)        \
  F(hfield, script, 28)      \
  F(hfield, objects, 32)     \
  F(hfield, backtext, 36)    \
  F(hfield, contents, 40)    \
  F(hfield, uprops, 44)      \
  F(hfield, alt, 48)         \
  F(hfield, slota, 52)
KV_STORED_RECORD(cardrec, 56, KV_CARDREC_FIELDS)

#define KV_BACKREC_FIELDS(F) \
  F(u16, kind, 0)            \
  F(u32, word2, 2)           \
  F(u16, height, 6)          \
  F(u16, width, 8)           \
  F(u16, word10, 10)         \
  F(u16, word12, 12)         \
  F(u16, word14, 14)         \
  F(u32, word16, 16)         \
  F(u32, word20, 20)         \
  F(hfield, name, 24)        \
  F(hfield, script, 28)      \
  F(hfield, objects, 32)     \
  F(hfield, contents, 36)    \
  F(hfield, uprops, 40)      \
  F(hfield, slota, 44)       \
  F(hfield, slotb, 48)
KV_STORED_RECORD(backrec, 52, KV_BACKREC_FIELDS)

// The 24-byte tail at the end of every script text.
#define KV_SCRIPTTAIL_FIELDS(F) F(u16x12, words, 0)
KV_STORED_RECORD(scripttail, 24, KV_SCRIPTTAIL_FIELDS)

// One style run of a stored field text (the style-scrap element).
#define KV_STYLERUN_FIELDS(F) \
  F(i32, start, 0)            \
  F(i16, height, 4)           \
  F(i16, ascent, 6)           \
  F(i16, font, 8)             \
  F(u8, face, 10)             \
  F(u8, filler, 11)           \
  F(i16, size, 12)            \
  F(RGBColor, color, 14)
KV_STORED_RECORD(stylerun, 20, KV_STYLERUN_FIELDS)

// --- Objects ---------------------------------------------------------------------------------
enum SpotKind : u16 { spotgraphic = 0, spotbutton = 1, spotfield = 2 };

// Style codes that the store treats specially.
enum : u16 {
  stylerectangle = 100,
  stylepolygon = 104,
  stylebitmap = 105,
  styletext = 106,
  stylegroup = 108,
  stylepolybutton = 202,
  stylefieldrect = 300,
  stylefieldscroll = 301,
  stylefieldlist = 302,
  stylefieldscrolllist = 303,
};

// Flag bits of an object.
enum : u32 {
  spothilite = 1u << 6,            // buttons: hilited
  spotmixedvalue = 1u << 18,       // buttons of styles 203-204: shown with the mixed mark
  spotplatformcontrol = 1u << 21,  // a button drawn by a platform control
  spotunsharedhilite = 1u << 23,   // background buttons: the hilite is kept per card
  spotallowobjects = 1u << 26,     // fields of styles 300-301: the kind tail keeps two u16
  spotpictinfo = 1u << 31,         // rectangle graphics: picture information present
};

// An object (button, field or graphic) of a card or background: 98 bytes. The two patterns
// (34-49) of a platform-control button hold `controlpart` instead; the kind tail (70-81) is
// `graphictail`, `buttontail` or `fieldkindtail` by the object's kind.
#define KV_SPOT_FIELDS(F)  \
  F(u16, style, 0)         \
  F(u16, kind, 2)          \
  F(u16, selected, 4)      \
  F(u32, id, 6)            \
  F(u32, flags, 10)        \
  F(Rect, rect, 14)        \
  F(u8, themefill, 22)     \
  F(u8, showfill, 23)      \
  F(u8, themepen, 24)      \
  F(u8, showpen, 25)       \
  F(u8, textflags, 26)     \
  F(u8, fillfore, 27)      \
  F(u8, tabsize, 28)       \
  F(u8, penfore, 29)       \
  F(u8, rulerunits, 30)    \
  F(u8, fillback, 31)      \
  F(u8, unnamed, 32)       \
  F(u8, penback, 33)       \
  F(bytes<8>, fillpat, 34) \
  F(bytes<8>, penpat, 42)  \
  F(u16, penwidth, 50)     \
  F(u16, penheight, 52)    \
  F(u16, ink, 54)          \
  F(u16, shadow, 56)       \
  F(hfield, name, 58)      \
  F(hfield, data, 62)      \
  F(hfield, script, 66)    \
  F(bytes<12>, tail, 70)   \
  F(hfield, contents, 82)  \
  F(hfield, uprops, 86)    \
  F(hfield, slot, 90)      \
  F(hfield, alt, 94)
KV_STORED_RECORD(spot, 98, KV_SPOT_FIELDS)

// Bytes 34-49 of a button with flag bit 21 (a platform control). The control reference is a
// runtime slot: a registry id while the card is shown, 0 in every stored or copied record.
#define KV_CONTROLPART_FIELDS(F) \
  F(i16, currentvalue, 0)        \
  F(i16, minimumvalue, 2)        \
  F(i16, maximumvalue, 4)        \
  F(i16, viewsize, 6)            \
  F(u8, byte8, 8)                \
  F(u8, tickmarks, 9)            \
  F(u16, option, 10)             \
  F(u32, control, 12)
KV_STORED_RECORD(controlpart, 16, KV_CONTROLPART_FIELDS)

// Kind tail of a graphic. A bitmap keeps its colour flag (non-zero = colour) in `startangle`.
#define KV_GRAPHICTAIL_FIELDS(F) \
  F(u16, startangle, 0)          \
  F(u16, arcangle, 2)            \
  F(Point, point1, 4)            \
  F(Point, point2, 8)
KV_STORED_RECORD(graphictail, 12, KV_GRAPHICTAIL_FIELDS)

#define KV_BUTTONTAIL_FIELDS(F) \
  F(u16x4, words, 0)            \
  F(u32, icon, 8)
KV_STORED_RECORD(buttontail, 12, KV_BUTTONTAIL_FIELDS)

// Kind tail of a field: the word at 2-5 is one u32, or two u16 when flag bit 26 is set. The
// live record is a runtime slot (the live text-engine record or list while the card is shown).
#define KV_FIELDKINDTAIL_FIELDS(F) \
  F(u16, word0, 0)                 \
  F(u32, word2, 2)                 \
  F(u16, liststyle, 6)             \
  F(u32, live, 8)
KV_STORED_RECORD(fieldkindtail, 12, KV_FIELDKINDTAIL_FIELDS)

#define KV_FIELDKINDTAIL2_FIELDS(F) \
  F(u16, word0, 0)                  \
  F(u16x2, words2, 2)               \
  F(u16, liststyle, 6)              \
  F(u32, live, 8)
KV_STORED_RECORD(fieldkindtail2, 12, KV_FIELDKINDTAIL2_FIELDS)

// The typed views of the spot's overlaid bytes, read and written by value.
template <class T, std::size_t At>
T spotview(const spot& s) {
  static_assert(At + sizeof(T) <= sizeof(spot));
  T t;
  std::memcpy(&t, reinterpret_cast<const u8*>(&s) + At, sizeof(T));
  return t;
}
template <class T, std::size_t At>
void setspotview(spot& s, const T& t) {
  static_assert(At + sizeof(T) <= sizeof(spot));
  std::memcpy(reinterpret_cast<u8*>(&s) + At, &t, sizeof(T));
}
inline controlpart getcontrolpart(const spot& s) { return spotview<controlpart, 34>(s); }
inline void setcontrolpart(spot& s, const controlpart& c) { setspotview<controlpart, 34>(s, c); }
inline graphictail getgraphictail(const spot& s) { return spotview<graphictail, 70>(s); }
inline void setgraphictail(spot& s, const graphictail& t) { setspotview<graphictail, 70>(s, t); }
inline buttontail getbuttontail(const spot& s) { return spotview<buttontail, 70>(s); }
inline void setbuttontail(spot& s, const buttontail& t) { setspotview<buttontail, 70>(s, t); }
inline fieldkindtail getfieldkindtail(const spot& s) { return spotview<fieldkindtail, 70>(s); }
inline void setfieldkindtail(spot& s, const fieldkindtail& t) { setspotview<fieldkindtail, 70>(s, t); }

inline bool isplatformcontrol(const spot& s) { return s.kind == spotbutton && (s.flags & spotplatformcontrol); }
inline bool isfield(const spot& s) { return s.kind == spotfield; }

// A user property: name key, name text and value text (12 bytes).
#define KV_UPROP_FIELDS(F) \
  F(u32, key, 0)           \
  F(hfield, name, 4)       \
  F(hfield, value, 8)
KV_STORED_RECORD(uprop, 12, KV_UPROP_FIELDS)

// An entry of an alternate-data list: kind and data (8 bytes).
#define KV_ALT_FIELDS(F) \
  F(u32, kind, 0)        \
  F(hfield, data, 4)
KV_STORED_RECORD(alt, 8, KV_ALT_FIELDS)

// Kinds of alternate data.
enum : u32 {
  altpictinfo = 1,
  altpictdata = 2,
  altfilters = 3,
  altmatrix = 4,
  altfonttable = 100,
  altsoup = 101,
  altwepf = 102,
  altweru = 103,
  altwecf = 104,
  altwest = 105,
  altprint = 107,
  altbackextras = 200,
  altunsharedhilites = 201,
};
// The kinds an alt list keeps when it is read from a record.
constexpr bool knownaltkind(u32 k) { return (k >= 1 && k <= 4) || (k >= 100 && k <= 109) || k == 200 || k == 201; }

// An object embedded in field text (32 bytes).
#define KV_IOTA_FIELDS(F) \
  F(u32, type, 0)         \
  F(u32, id, 4)           \
  F(u32, wrappedtype, 8)  \
  F(hfield, data, 12)     \
  F(hfield, name, 16)     \
  F(hfield, script, 20)   \
  F(hfield, alt, 24)      \
  F(hfield, uprops, 28)
KV_STORED_RECORD(iota, 32, KV_IOTA_FIELDS)

// --- Reading and writing stored values in unaligned bytes ----------------------------------
template <class T>
T loadat(const u8* at) {
  T t;
  std::memcpy(&t, at, sizeof(T));
  return t;
}
template <class T>
void storeat(u8* at, T t) {
  std::memcpy(at, &t, sizeof(T));
}

// Handle fields of a stored record taken as a whole.
template <class R>
void markpresence(R& r) {  // each handle field becomes 1 (present) or 0 (absent)
  u8* p = reinterpret_cast<u8*>(&r);
  storedhandlefields<R>([p](std::size_t off) { storeat<u32>(p + off, loadat<u32>(p + off) ? 1u : 0u); });
}
template <class R>
void zerohandles(R& r) {
  u8* p = reinterpret_cast<u8*>(&r);
  storedhandlefields<R>([p](std::size_t off) { storeat<u32>(p + off, 0u); });
}

}  // namespace kv
