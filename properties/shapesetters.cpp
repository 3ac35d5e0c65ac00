// Four setters that fit no family: the shape of a line or polygon (`points`), the modifier keys
// of a menu item's command key (`commandModifiers`), a field's whole text given as RTF
// (`rtfText`) or as UTF-16 (reached from the field text setter), and the plain form of a
// field's stored text that a field leaving its styles takes.
#include "properties/shapesetters.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/shapes.h"
#include "platform/text/unicodeconverters.h"
#include "platform/windows/cursor.h"
#include "properties/fieldrtf.h"
#include "properties/menurefresh.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/valueparsers.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "core/menusets.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objectref.h"
#include "store/objects.h"

namespace kv {

// The numbers of a point list: separated by commas or line ends, whole numbers within 16 bits.
i16 pointlist(Handle joined, std::vector<Point>* out) {
  constexpr i16 kBadList = 2, kOutOfRange = 209;
  std::vector<i32> numbers;
  const Size n = GetHandleSize(joined);
  auto at = [&](Size k) { return deref(joined)[k]; };
  auto separator = [&](Size k) { return at(k) == ',' || at(k) == 13 || at(k) == 10; };
  for (Size k = 0; k < n;) {
    Size end = k;
    while (end < n && !separator(end)) ++end;
    Size a = k, b = end;
    while (a < b && at(a) == ' ') ++a;
    while (b > a && at(b - 1) == ' ') --b;
    if (b > a) {
      if (b - a > 255) return kBadList;
      Str255 s{};
      s[0] = u8(b - a);
      std::memcpy(s + 1, deref(joined) + a, size_t(b - a));
      i32 v = 0;
      if (stringisnumber(s) != integerform || stringtolong(s, &v) != 0) return kBadList;
      if (v < -32768 || v > 32767) return kOutOfRange;
      numbers.push_back(v);
    } else if (end < n && at(end) == ',') {
      return kBadList;  // a number missing before a comma; blank lines add nothing
    }
    k = end + 1;
  }
  if (numbers.empty() || numbers.size() % 2 != 0) return kBadList;
  for (std::size_t i = 0; i < numbers.size(); i += 2) out->push_back(Point{i16(numbers[i + 1]), i16(numbers[i])});
  return 0;
}

namespace {

constexpr u16 styleline = 103;
// A polygon's 16-bit size holds its 10-byte header and at most this many 4-byte points.
constexpr std::size_t kMostPolygonPoints = (65535 - 10) / 4;
constexpr u32 kModifierBits = 0x700;
constexpr u32 spotallowobjectsbit = 1u << 26;

// --- points --------------------------------------------------------------------------------------

// The shape of a line from its two end points.
void setline(spot& s, const Rect& r) {
  graphictail t = getgraphictail(s);
  t.point1 = Point{r.top, r.left};
  t.point2 = Point{r.bottom, r.right};
  setgraphictail(s, t);
  s.rect = Rect{std::min(r.top, r.bottom), std::min(r.left, r.right), std::max(r.top, r.bottom),
                std::max(r.left, r.right)};
}

// --- commandModifiers ----------------------------------------------------------------------------

u32 modifierbit(u16 word) {
  switch (word) {
    case tok::shiftkey: return 0x100;
    case tok::optionkey: return 0x200;
    case tok::controlkey: return 0x400;
    default: return 0;
  }
}

// --- Unicode text --------------------------------------------------------------------------------

// UTF-16 bytes as Mac Roman text with returns for line ends.
i16 utf16tomacroman(const u8* bytes, Size n, std::vector<u8>* out) {
  n &= ~Size(1);  // an odd last byte is half a code unit: dropped
  bool bigendian = std::endian::native == std::endian::big;
  Size start = 0;
  if (n >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    bigendian = true;
    start = 2;
  } else if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bigendian = false;
    start = 2;
  }
  std::vector<UniChar> units;
  units.reserve(size_t((n - start) / 2));
  for (Size k = start; k + 1 < n; k += 2)
    units.push_back(bigendian ? UniChar(bytes[k] << 8 | bytes[k + 1]) : UniChar(bytes[k + 1] << 8 | bytes[k]));
  std::vector<u8> text(units.size() + 1);
  if (!units.empty()) {
    UnicodeMapping mapping{kTextEncodingUnicodeDefault, kTextEncodingMacRoman};
    UnicodeToTextInfo info{};
    if (CreateUnicodeToTextInfo(&mapping, &info) != noErr) return err::nomemory;
    ByteCount read = 0, written = 0;
    ItemCount offsets = 0;
    OSStatus st = ConvertFromUnicodeToText(info, ByteCount(units.size() * 2), units.data(), kUnicodeUseFallbacksMask, 0,
                                           nullptr, &offsets, nullptr, ByteCount(text.size()), &read, &written,
                                           text.data());
    if (st != noErr && st != kTECUsedFallbacksStatus && st != kTECOutputBufferFullStatus) written = 0;
    text.resize(written);
  } else {
    text.clear();
  }
  // Return-line-feed pairs, then lone line feeds, become returns.
  out->clear();
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == 10) {
      if (out->empty() || out->back() != 13 || (k > 0 && text[k - 1] != 13)) out->push_back(13);
      continue;
    }
    out->push_back(text[k]);
  }
  return 0;
}

}  // namespace

// --- points --------------------------------------------------------------------------------------

KV_SETTER(setpoints) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  const i32 start = at + used;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  if (obj.kind != objpart) {
    writeobj(&obj);
    return err::notext;
  }
  spot s = spotat(obj.objects, obj.objindex);
  const Rect before = s.rect;
  i16 st = 0;
  if (s.kind == spotgraphic && s.style == styleline) {
    Rect r{};
    i32 n = 0;
    st = getrect(c, start, &n, &r);
    if (st == 0 && !lineends(c, start + n)) st = err::stray;
    if (st == 0) setline(s, r);
  } else if ((s.kind == spotgraphic && s.style == stylepolygon) ||
             (s.kind == spotbutton && s.style == stylepolybutton)) {
    Handle joined = nilhandle;
    i32 n = 0;
    st = listonewh(text, atoms, start, path, variables, nilhandle, &n, &joined);
    if (st == 0 && !lineends(c, start + n)) st = err::stray;
    std::vector<Point> pts;
    if (st == 0) st = pointlist(joined, &pts);
    if (joined != nilhandle) DisposeHandle(joined);
    // More points than the polygon's size word can count would wrap it.
    if (st == 0 && pts.size() > kMostPolygonPoints) st = err::numberrange;
    PolyHandle poly = st == 0 ? newpolygon(pts) : nilhandle;
    if (st == 0 && poly == nilhandle) st = err::nomemory;
    if (st == 0) {
      if (s.data != nilhandle) DisposeHandle(s.data);
      s.data = poly;
      s.rect = loadat<PolygonHeader>(deref(poly)).polyBBox;
    }
  } else {
    st = err::unknownstyle;
  }
  if (st == 0) {
    putspot(obj.objects, obj.objindex, s);
    markowner(obj);
    redrawspot(obj, before);
  }
  writeobj(&obj);
  return st;
}

// --- commandModifiers ----------------------------------------------------------------------------

KV_SETTER(setcmdmodifiers) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  if (obj.kind != objitem) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  // Up to three words, the first after `to`, the others each after a comma.
  i32 i = at + used;
  u32 bits = 0;
  i16 st = 0;
  for (i32 k = 0; k < 3; ++k) {
    if (k > 0) {
      if (c.tok(i) != tok::comma) break;
      ++i;
    }
    const u16 word = c.tok(i);
    if (k == 0 && (word == tok::empty || word == tok::none)) {
      ++i;
      break;
    }
    const u32 bit = modifierbit(word);
    if (bit == 0) {
      st = err::cantunderstand;
      if (k == 2 || iseoltoken(word)) break;
    }
    bits |= bit;
    ++i;
  }
  if (st == 0 && !lineends(c, i)) st = err::stray;
  if (st == 0) {
    const Size place = Size(obj.itemindex) * Size(sizeof(menuitem));
    menuitem item = loadat<menuitem>(deref(obj.menu.items) + place);
    item.flags = (item.flags & ~kModifierBits) | bits;
    storeat<menuitem>(deref(obj.menu.items) + place, item);
    markowner(obj);
    menuchanged(obj);
  }
  writeobj(&obj);
  return st;
}

// --- rtfText -------------------------------------------------------------------------------------

KV_SETTER(setrtftext) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  const bool field = obj.kind == objpart && spotat(obj.objects, obj.objindex).kind == spotfield &&
                     (spotat(obj.objects, obj.objindex).style == stylefieldrect ||
                      spotat(obj.objects, obj.objindex).style == stylefieldscroll);
  writeobj(&obj);
  if (!field) return err::notstyledfield162;
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  Handle rtf = nilhandle;
  i16 st = fredtonewh(&value, &rtf);
  disposfred(&value);
  if (st != 0) return st;
  if ((st = dofront(c, at, &used, &obj, true))) {
    DisposeHandle(rtf);
    return st;
  }
  if (obj.kind != objpart || spotat(obj.objects, obj.objindex).kind != spotfield) {
    DisposeHandle(rtf);
    writeobj(&obj);
    return err::notstyledfield162;
  }
  const i16 putdown = putdownfield();
  if (!mainglobals().lockCursor) SetThemeCursor(kThemeWatchCursor);
  // The reader reads the RTF into a record of its own, packed into the field's stored text.
  spot s = spotat(obj.objects, obj.objindex);
  const Rect before = s.rect;
  const int32_t read = readrtfintofield(s, deref(rtf), i32(GetHandleSize(rtf)), nullptr, true);
  DisposeHandle(rtf);
  putspot(obj.objects, obj.objindex, s);
  if (read != 0) {
    writeobj(&obj);
    return read == -108 || read == -117 ? i16(err::nomemory) : err::badrtf;
  }
  markowner(obj);
  redrawspot(obj, before);
  writeobj(&obj);
  return putdown;
}

// --- Unicode text --------------------------------------------------------------------------------

i16 setunicodetext(objread* obj, fred* value) {
  auto done = [&](i16 st) {
    disposfred(value);
    writeobj(obj);
    return st;
  };
  if (obj->kind != objpart || spotat(obj->objects, obj->objindex).kind != spotfield) return done(0);
  if (value->type != fredhand && value->type != fredstring) return done(0);
  std::vector<u8> text;
  const Size n = getfredsize(value);
  std::vector<u8> source(static_cast<size_t>(n));
  if (n > 0) std::memcpy(source.data(), fredaddr(value), size_t(n));
  if (i16 st = utf16tomacroman(source.data(), n, &text)) return done(st);
  disposfred(value);
  fred mac{};
  if (i16 st = charstonewfred(text.data(), Size(text.size()), &mac)) {
    writeobj(obj);
    return st;
  }
  const bool chunk = obj->chunk.chunkgiven != 0;
  if (!chunk) {
    if (i16 st = putdownfield()) {
      disposfred(&mac);
      writeobj(obj);
      return st;
    }
  }
  // The field as a container: its stored text (the live record's text packed into it first),
  // the chunk's range or all of its characters.
  spot s = spotat(obj->objects, obj->objindex);
  if (livefield(s) != 0 && packlivefield(s) != noErr) {
    disposfred(&mac);
    writeobj(obj);
    return err::nomemory;
  }
  if (s.data == nilhandle) {
    s.data = NewHandle(0);
    if (s.data == nilhandle || setemptyfieldtext(s.data, defaultfieldtail()) != noErr) {
      putspot(obj->objects, obj->objindex, s);
      disposfred(&mac);
      writeobj(obj);
      return err::nomemory;
    }
  }
  putspot(obj->objects, obj->objindex, s);
  chunkpart dest = chunk ? obj->chunk : chunkpart{};
  dest.kind = containerfield;
  newfred(&dest.value, fredobject, fredhand, 0);
  dest.value.text = s.data;
  if (!chunk) {
    const fieldtextlayout l = measurefieldtext(s.data);
    dest.start = u32(l.textoffset);
    dest.end = u32(l.textoffset + l.textlength);
  }
  objread held = *obj;
  held.chunk = chunkpart{};
  held.chunk.value.cls = freddisposed;
  Handle keep = nilhandle;
  if (PtrToHand(&held, &keep, Size(sizeof held)) != noErr) {
    disposfred(&mac);
    writeobj(obj);
    return err::nomemory;
  }
  dest.field = keep;
  return pututil(&dest, &mac, tok::into);
}

// --- The plain packed form -----------------------------------------------------------------------

i16 converttoengineonescraps(spot& field, bool plain) {
  if (field.kind != spotfield) return 0;
  field.flags &= ~spotallowobjectsbit;
  if (!plain || field.data == nilhandle) return 0;
  const fieldtextlayout l = measurefieldtext(field.data);
  if (!l.whole || l.runs == 0) return 0;
  fieldtail tail = fieldtextail(deref(field.data), GetHandleSize(field.data));
  tail.face = 0;
  std::vector<u8> chars(size_t(l.textlength));
  if (l.textlength > 0) std::memcpy(chars.data(), deref(field.data) + l.textoffset, size_t(l.textlength));
  return setfieldtext(field.data, nullptr, 0, chars.data(), l.textlength, tail) == noErr ? i16(0) : i16(err::nomemory);
}

}  // namespace kv
