// The find command: the stored texts of the fields of the current window searched card by
// card from the match shown last, the card of the next match shown with the match framed, and
// the five found texts set (foundText, foundField, foundLine, foundChunk, foundWindow).
//
// The state below survives between finds so that repeating one find steps from match to
// match. A match is continued only while it is shown: any change of field text (counted in
// the global state) or a `clearfind` makes the next find start at the top of the card.
#include "commands/find.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/sendmes.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/text/sjis.h"
#include "platform/windows/windows.h"
#include "render/objectbounds.h"
#include "render/fielddrawing.h"
#include "render/spotstyles.h"
#include "core/debugmsg.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "shell/windnav.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/pagedlists.h"
#include "store/reftexts.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr i16 resultnotfound = 9;
constexpr i16 kNotFound = -994;  // no match on the other cards
constexpr u32 kDontWrap = 1u << 11, kDontSearch = 1u << 14;

// Word characters: digits, letters and the accented letters and ligatures of Mac Roman.
constexpr std::array<u8, 256> makewordchar() {
  std::array<u8, 256> t{};
  for (int c = '0'; c <= '9'; ++c) t[std::size_t(c)] = 1;
  for (int c = 'A'; c <= 'Z'; ++c) t[std::size_t(c)] = 1;
  for (int c = 'a'; c <= 'z'; ++c) t[std::size_t(c)] = 1;
  for (int c = 0x80; c <= 0x9F; ++c) t[std::size_t(c)] = 1;
  for (int c : {0xAE, 0xAF, 0xBB, 0xBC, 0xBE, 0xBF, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF}) t[std::size_t(c)] = 1;
  return t;
}
constexpr std::array<u8, 256> wordchar = makewordchar();

struct FindState {
  i16 findincard = 0;           // 0 no match shown, 1 in a card field, 2 in a background field
  Handle findhand = nilhandle;  // the object list of the matched field (not owned)
  i16 findoff = 0;              // the field's index in it
  i32 findbeg = 0, findend = 0;
  u16 findlook = 0;                // the layer of the field named by `in` (0: none)
  i16 findgive = 0;                // its number among the fields of its list
  u64 findbail = ~u64(0);          // the text-change counter at the last find
  RegistryId framewindow = nilid;  // the window whose port shows the frame
};

FindState& fs() { return state<FindState>(); }

bool twobyte() { return mainglobals().twobyte != 0; }

i32 charstep(const u8* text, i32 at, i32 length) {
  return twobyte() ? i32(std::max<Size>(sjischarlength(text + at, length - at), 1)) : 1;
}

// The search: the whole text (string and whole) or its words at spaces (the other forms).
struct search {
  u16 form = findnormal;
  std::vector<u8> text;
  std::vector<std::pair<i32, i32>> words;  // offset and length in `text`
};

search makesearch(u16 form, const u8* bytes, i32 length) {
  search s;
  s.form = form;
  s.text.assign(bytes, bytes + length);
  if (form == findstring || form == findwhole) {
    if (length > 0) s.words.emplace_back(0, length);
    return s;
  }
  for (i32 i = 0; i < length;) {
    while (i < length && bytes[i] == ' ') ++i;
    const i32 from = i;
    while (i < length && bytes[i] != ' ') ++i;
    if (i > from) s.words.emplace_back(from, i - from);
  }
  return s;
}

// The field's text under the search: every word must occur; the range is the first word's.
bool searchtext(const u8* text, i32 length, const search& s, i32* beg, i32* end) {
  if (s.words.empty()) return false;
  bool first = true;
  for (const auto& [at, n] : s.words) {
    i32 b = 0, e = 0;
    if (!stringinstring(text, length, s.text.data() + at, n, s.form, &b, &e)) return false;
    if (first) {
      *beg = b;
      *end = e;
      first = false;
    }
  }
  return true;
}

// The stored characters of a field.
struct fieldchars {
  const u8* bytes = nullptr;
  i32 length = 0;
};

fieldchars charsof(const spot& s) {
  if (s.data == nilhandle) return {};
  const fieldtextlayout l = measurefieldtext(s.data);
  if (!l.whole) return {};
  return {deref(s.data) + l.textoffset, l.textlength};
}

bool searchable(const spot& s) { return isfield(s) && !islist(s) && (s.flags & kDontSearch) == 0; }

// The index of the n-th field (1-based) of a list, or -1.
i32 fieldindex(Handle list, i16 n) {
  i16 seen = 0;
  for (i32 i = 0; i < spotcount(list); ++i)
    if (isfield(spotat(list, i)) && ++seen == n) return i;
  return -1;
}

// The field's number among the fields of its list.
i16 fieldnumber(Handle list, i32 index) {
  i16 n = 0;
  for (i32 i = 0; i <= index && i < spotcount(list); ++i)
    if (isfield(spotat(list, i))) ++n;
  return n;
}

bool matchfield(const spot& s, const search& q, i32 from, i32* beg, i32* end) {
  const fieldchars c = charsof(s);
  if (from > c.length) return false;
  if (!searchtext(c.bytes + from, c.length - from, q, beg, end)) return false;
  *beg += from;
  *end += from;
  return true;
}

// The first matching field of a list from index `first` on: the find state takes it.
i16 findque(Handle list, i32 first, u16 layer, const search& q) {
  FindState& f = fs();
  i32 beg = 0, end = 0;
  if (f.findlook != 0) {
    if (f.findlook != layer) return 0;
    const i32 i = fieldindex(list, f.findgive);
    if (i < 0 || i < first || !searchable(spotat(list, i))) return 0;
    if (!matchfield(spotat(list, i), q, 0, &beg, &end)) return 0;
    f.findoff = i16(i);
  } else {
    i32 i = first;
    for (; i < spotcount(list); ++i) {
      const spot s = spotat(list, i);
      if (searchable(s) && matchfield(s, q, 0, &beg, &end)) break;
    }
    if (i >= spotcount(list)) return 0;
    f.findoff = i16(i);
  }
  f.findhand = list;
  f.findbeg = beg;
  f.findend = end;
  f.findincard = layer == layercard ? 1 : 2;
  return 1;
}

// The rest of the matched field after the match's first character.
i16 findrest(Handle list, u16 layer, const search& q) {
  FindState& f = fs();
  if (f.findoff < 0 || f.findoff >= spotcount(list)) return 0;
  const spot s = spotat(list, f.findoff);
  const fieldchars c = charsof(s);
  if (!searchable(s) || f.findbeg >= c.length) return 0;
  i32 beg = 0, end = 0;
  if (!matchfield(s, q, f.findbeg + charstep(c.bytes, f.findbeg, c.length), &beg, &end)) return 0;
  f.findbeg = beg;
  f.findend = end;
  f.findincard = layer == layercard ? 1 : 2;
  return 1;
}

// Removes the frame of the match shown.
void removeframe() {
  MainGlobals& g = mainglobals();
  FindState& f = fs();
  if (f.findincard == 0) return;
  if (!EmptyRect(&g.findbox) && f.framewindow != nilid && f.framewindow == g.current.window) {
    const Rect box = g.findbox;
    drawedit(g.current, &box);
  }
  g.findbox = Rect{32767, 32767, -32768, -32768};
  f.findincard = 0;
  f.framewindow = nilid;
}

// The current card: after the match shown when there is one, else from its top.
void findcurrent(const search& q) {
  MainGlobals& g = mainglobals();
  FindState& f = fs();
  const bool shown = f.findincard != 0;
  removeframe();
  const Handle cards = g.current.cardspots, backs = g.current.backspots;
  if (shown && f.findhand == cards && cards != nilhandle) {
    if (findrest(cards, layercard, q) || findque(cards, f.findoff + 1, layercard, q) ||
        findque(backs, 0, layerbackground, q))
      return;
  } else if (shown && f.findhand == backs && backs != nilhandle) {
    if (findrest(backs, layerbackground, q) || findque(backs, f.findoff + 1, layerbackground, q)) return;
  } else if (findque(cards, 0, layercard, q) || findque(backs, 0, layerbackground, q)) {
    return;
  }
  f.findincard = 0;
}

// Card n of the current window (not the card shown). The lists it was found in go with the
// card: the caller goes there and takes the lists of the card shown then.
i16 findcard(i32 n, const search& q) {
  const MainGlobals& g = mainglobals();
  wordentry e{};
  if (getword(g.current.store, g.current.wind, n, &e) != 0) return 0;
  if (memoryrefused64(3 * i64(e.packedsize))) return 0;
  if (q.form != findchars && q.form != findstring) {
    const u32 want[8] = {};  // the search hint: no bit is ever set
    u32 have[8];
    const arr<u32, 8> hint = e.hint;
    for (int i = 0; i < 8; ++i) have[i] = hint.v[i];
    if (!goodhint(want, have)) return 0;
  }
  objread obj{};
  if (readcardof(g.current, u32(n), &obj) != 0) return 0;
  const i16 found = findque(obj.d.cardspots, 0, layercard, q) || findque(obj.d.backspots, 0, layerbackground, q);
  writeobj(&obj);
  return found;
}

// A found text: made on first use, then reused.
void puttext(Handle& h, ConstStringPtr s) {
  if (h != nilhandle) stringtohand(s, h);
  else stringtonewh(s, &h);
}

void appendtext(StringPtr out, const std::string& s) {
  Str255 t;
  t[0] = u8(std::min<std::size_t>(s.size(), 255));
  std::memcpy(t + 1, s.data(), t[0]);
  appendstring(t, out);
}

// The found texts of the match in field `index` of `list`.
void setresults(Handle list, i32 index, bool card) {
  MainGlobals& g = mainglobals();
  const FindState& f = fs();
  const spot s = spotat(list, index);
  const fieldchars c = charsof(s);
  const i32 beg = std::min(f.findbeg, c.length), end = std::min(f.findend, c.length);

  Str255 text{};
  text[0] = u8(std::min(end - beg, 255));
  if (text[0] > 0) std::memcpy(text + 1, c.bytes + beg, text[0]);
  puttext(g.foundtext, text);

  Str255 field{};
  appendtext(field, std::string(card ? "card" : "bkgnd") + " field " + std::to_string(fieldnumber(list, index)));
  puttext(g.foundfield, field);

  const u8 delimiter = u8(g.lineDelimiter == 0 ? 13 : g.lineDelimiter);
  i32 lines = 1;
  for (i32 i = 0; i <= beg && i < c.length; ++i) lines += c.bytes[i] == delimiter;
  Str255 line{};
  appendtext(line, "line " + std::to_string(lines) + " of ");
  appendstring(field, line);
  puttext(g.foundline, line);

  i32 first = beg + 1, last = end;
  if (twobyte()) {
    first = i32(sjischarcount(c.bytes, beg)) + 1;
    last = i32(sjischarcount(c.bytes, end));
  }
  Str255 chunk{};
  appendtext(chunk, "char " + std::to_string(first) + " to " + std::to_string(last) + " of ");
  appendstring(field, chunk);
  puttext(g.foundchunk, chunk);

  Str255 window{};
  objread w{};
  w.kind = objwindow;
  w.d = g.current;
  if (g.current.window != nilid) buildwindname(w, tok::long_, window);
  puttext(g.foundwindow, window);
}

// A scrolling field brings the match's first line to the middle of its view when it lies
// outside it.
void scrolltomatch(spot& s, WEReference teh) {
  const FindState& f = fs();
  LongRect view{};
  WEGetViewRect(&view, teh);
  LongPoint start{};
  i16 lineheight = 0;
  WEGetPoint(f.findbeg, -1, &start, &lineheight, teh);
  if (start.v >= view.top && start.v + lineheight <= view.bottom) return;
  const i32 height = view.bottom - view.top;
  const i32 old = getfieldscroll(s);
  const i32 texth = WEGetHeight(0, WECountLines(teh), teh);
  const i32 wanted = std::clamp(start.v - (view.top + height / 2) + old, 0, std::max(texth - height, 0));
  if (wanted == old) return;
  WEScroll(0, old - wanted, teh);
  setfieldscroll(s, wanted);
}

// Shows the match: a temporary text record of the field's stored text stands in for its live
// record while the field is drawn with the match selected and the match is framed.
void showmatch() {
  MainGlobals& g = mainglobals();
  FindState& f = fs();
  const Handle list = f.findhand;
  const i32 index = f.findoff;
  spot s = spotat(list, index);
  // The field's own record is set aside, and goes back on every path.
  WEReference saveteh = nilid;
  if (!islist(s) && isvalidwerec(livefield(s))) {
    saveteh = livefield(s);
    setlivefield(s, 0);
    putspot(list, index, s);
  }
  const WindowRef window = g.current.window;
  const CGrafPtr port = window != nilid ? GetWindowPort(window) : CGrafPtr(0);
  const bool visible = (s.flags & spotvisible) != 0 && port != 0 && GetPortPenVisibility(port) >= 0;
  g.findbox = Rect{32767, 32767, -32768, -32768};
  f.framewindow = nilid;
  SavePort saved;
  if (port != 0) SetPort(port);
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  const WEReference findteh = westupidtext(dest, view, s, (s.flags & kDontWrap) != 0, fieldcanscroll(s));
  if (findteh != nilid) {
    if (s.style == stylefieldscroll) scrolltomatch(s, findteh);
    setlivefield(s, findteh);
    putspot(list, index, s);
    WESetSelection(f.findbeg, f.findend, findteh);
    // The field is drawn with the match selected, as the card draws it.
    if (visible) {
      Rect bounds{};
      calcspot(list, i16(index), &bounds);
      drawedit(g.current, &bounds);
      SetPort(port);
    }
    if (RgnHandle hilite = WEGetHiliteRgn(f.findbeg, f.findend, findteh)) {
      Rect box{};
      GetRegionBounds(hilite, &box);
      LongPoint a{}, b{};
      WEGetPoint(f.findbeg, -1, &a, nullptr, findteh);
      WEGetPoint(f.findend, 0, &b, nullptr, findteh);
      box.left = i16(std::clamp(a.h - 1, -32768, 32767));
      box.right = i16(std::clamp(b.h + 1, -32768, 32767));
      const Rect viewrect{i16(std::clamp(view.top, -32768, 32767)), i16(std::clamp(view.left, -32768, 32767)),
                          i16(std::clamp(view.bottom, -32768, 32767)), i16(std::clamp(view.right, -32768, 32767))};
      if (!SectRect(&box, &viewrect, &g.findbox)) g.findbox = Rect{32767, 32767, -32768, -32768};
      if (visible) {
        PenNormal();
        PenMode(patCopy);
        PenPat(&qdblack);
        ForeColor(blackColor);
        FrameRgn(hilite);
        PenNormal();
        f.framewindow = window;
      }
      DisposeRgn(hilite);
    }
  }
  setresults(list, index, f.findincard == 1);
  // The field gets its own record back.
  s = spotat(list, index);
  if (saveteh != nilid) {
    if (findteh != nilid) {
      i32 a = 0, b = 0;
      WEGetSelection(&a, &b, findteh);
      WESetSelection(a, b, saveteh);
      WEDispose(findteh);
    }
    setlivefield(s, saveteh);
    putspot(list, index, s);
  } else if (findteh != nilid) {
    releaselivefield(s);
    putspot(list, index, s);
  }
}

// The beep of a find that found nothing: not at a level that runs without one of its own.
bool quietlevel() {
  const MainGlobals& g = mainglobals();
  if (g.calllevel < 0 || g.calllevels == nilhandle) return false;
  if (Size(g.calllevel) >= HandleCount<calllevel>(g.calllevels)) return false;
  return HandleAs<calllevel>(g.calllevels)[g.calllevel].kind == sendmeslevel;
}

i16 gotocard(i32 n) {
  form fm{};
  fm.card.selector = selnumber;
  fm.card.value = n;
  return gotowindow(fm);
}

}  // namespace

i16 stringinstring(const u8* text, i32 length, const u8* word, i32 wordlength, u16 form, i32* start, i32* end) {
  if (wordlength <= 0 || wordlength > length) return 0;
  const u8 kind = wordchar[word[0]];
  const bool wordstart = form == findnormal || form == findwords || form == findwhole;
  for (i32 p = 0; p + wordlength <= length; p += charstep(text, p, length)) {
    if (wordstart && p > 0 && wordchar[text[p - 1]] == kind) continue;
    if (!equalchars(text + p, word, wordlength)) continue;
    i32 e = p + wordlength;
    if (form == findwords || form == findwhole) {
      if (e < length && wordchar[text[e]] == kind) continue;
    } else if (form == findnormal) {
      while (e < length && wordchar[text[e]] == kind) ++e;
    }
    *start = p;
    *end = e;
    return 1;
  }
  return 0;
}

void clearfind() {
  if (!hasstate<FindState>()) {
    mainglobals().findbox = Rect{32767, 32767, -32768, -32768};
    return;
  }
  removeframe();
}

void PfindRTmyhook(const Rect* r) {
  MainGlobals& g = mainglobals();
  if (EmptyRect(&g.findbox)) g.findbox = *r;
  else UnionRect(&g.findbox, r, &g.findbox);
}

scriptstatus comfind(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  FindState& f = fs();
  // Stored texts are searched: the open field and the live records write theirs back first.
  if (i16 st = putdownfield()) return st;
  putdownmodes();
  if (g.textchanges != f.findbail) {
    removeframe();
    f.findbail = g.textchanges;
  }
  if (g.current.cardspots != nilhandle) putdownwerecs(g.current.cardspots, 1);
  if (g.current.backspots != nilhandle) putdownwerecs(g.current.backspots, 1);
  for (Handle h : {g.foundtext, g.foundfield, g.foundline, g.foundchunk, g.foundwindow})
    if (h != nilhandle) SetHandleSize(h, 0);

  i32 i = at + 1;
  u16 form = findnormal;
  switch (tokenat(atoms, i)) {
    case tok::characters: form = findchars; break;
    case tok::word:
    case tok::words: form = findwords; break;
    case tok::whole: form = findwhole; break;
    case tok::string: form = findstring; break;
    default: break;
  }
  if (form != findnormal) ++i;
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &value)) return st;
  i += used;
  const search q = makesearch(form, fredaddr(&value), getfredsize(&value));
  disposfred(&value);

  f.findlook = 0;
  f.findgive = 0;
  if (tokenat(atoms, i) == tok::in) {
    objread obj{};
    i32 n = 0;
    if (i16 st = scanobj(path, text, atoms, i + 1, variables, &n, &obj)) return st;
    bool field = obj.kind == objpart && obj.objindex >= 0 && obj.objindex < spotcount(obj.objects) &&
                 isfield(spotat(obj.objects, obj.objindex));
    if (field) {
      f.findlook = obj.ownerrecid == obj.d.backrecid && obj.objects == obj.d.backspots ? layerbackground : layercard;
      f.findgive = fieldnumber(obj.objects, obj.objindex);
    }
    writeobj(&obj);
    if (!field) return err::cantunderstand;
    i += 1 + n;
    if (f.findhand != nilhandle && fieldindex(f.findhand, f.findgive) != f.findoff) f.findhand = nilhandle;
  }
  if (!statementends(atoms, i)) return err::stray;

  findcurrent(q);
  if (f.findincard == 0) {
    i16 st = kNotFound;
    const u32 count = g.current.wind != nilhandle ? HandleAs<windrec>(g.current.wind)->cardcount : 0;
    const i32 here = i32(g.current.cardnum);
    for (i32 pass = 0; pass < 2 && st == kNotFound; ++pass) {
      const i32 from = pass == 0 ? here + 1 : 1, to = pass == 0 ? i32(count) : here - 1;
      for (i32 n = from; n <= to; ++n) {
        if (findcard(n, q)) {
          st = i16(n);
          break;
        }
        if (i16 abort = isabort(TickCount())) {
          f.findincard = 0;
          return abort;
        }
      }
    }
    if (st == kNotFound) {
      findcurrent(q);
      if (f.findincard == 0) {
        if (!quietlevel()) KVBeep(1);
        return setresulttext(resultnotfound);
      }
    } else {
      const i16 card = f.findincard;
      f.findincard = 0;
      const i16 went = gotocard(st);
      if (went == kCardChanged) return 0;
      if (went != 0) return went;
      f.findincard = card;
      f.findhand = card == 1 ? g.current.cardspots : g.current.backspots;
      if (f.findhand == nilhandle || f.findoff >= spotcount(f.findhand)) {
        f.findincard = 0;
        return 0;
      }
    }
  }
  showmatch();
  return 0;
}

}  // namespace kv
