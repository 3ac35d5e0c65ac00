// Chunk scanning, counting and text search, in their one-byte and two-byte forms. Both forms
// are one template over the character walk: one byte per character, or Shift-JIS characters
// of one or two bytes.
#include "engine/chunks.h"

#include <algorithm>
#include <cstring>

#include "engine/fred.h"
#include "engine/geometry.h"
#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/sjis.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

// The bodies chosen for this run, each at its first use.
struct ChunkState {
  i32 (*count)(fred*, i32, i32, u16) = nullptr;
  void (*chunk)(fred*, i32, i32, i32*, i32*, u16) = nullptr;
  i16 (*word)(const u8*, i32, i32*, i32*) = nullptr;
  i32 (*search)(const u8*, i32, const u8*, i32) = nullptr;
};

ChunkState& chunkstate() { return state<ChunkState>(); }

bool twobytemode() { return mainglobals().twobyte != 0; }

// The character walk of a mode.
template <bool Two>
struct Walk {
  // The length of the character at p[pos], with the text ending at `end` (pos < end).
  static i32 len(const u8* p, i32 pos, i32 end) {
    if constexpr (Two) {
      return sjischarlength(p + pos, end - pos);
    } else {
      (void)p, (void)pos, (void)end;
      return 1;
    }
  }
  // True when the character at p[pos] of length `n` is the delimiter.
  static bool isdelim(const u8* p, i32 pos, i32 n, u16 delim) {
    if constexpr (Two) {
      if (delim > 255) return n == 2 && u16(p[pos] << 8 | p[pos + 1]) == delim;
      return n == 1 && p[pos] == delim;
    } else {
      (void)n;
      return p[pos] == u8(delim);
    }
  }
  // The position just after the k-th delimiter character (k >= 1) in [pos, end); *found is
  // how many were met, less than k when the text ends first (the answer is then end).
  static i32 afterdelims(const u8* p, i32 pos, i32 end, u16 delim, i64 k, i64* found) {
    *found = 0;
    if constexpr (!Two) {
      // Whole blocks that hold fewer delimiters than are still wanted are passed over; the
      // count over a block of fixed size compiles to vector compares.
      constexpr i32 block = 64;
      const u8 d = u8(delim);
      while (end - pos >= block) {
        i32 c = 0;
        for (i32 i = 0; i < block; ++i) c += p[pos + i] == d;
        if (c >= k - *found) break;
        *found += c;
        pos += block;
      }
    }
    while (*found < k) {
      i32 q = nextdelim(p, pos, end, delim);
      if (q == end) return end;
      ++*found;
      pos = q + len(p, q, end);
    }
    return pos;
  }
  // The position of the first delimiter character in [pos, end), or end.
  static i32 nextdelim(const u8* p, i32 pos, i32 end, u16 delim) {
    if (pos >= end) return end;
    if constexpr (!Two) {
      const void* q = std::memchr(p + pos, u8(delim), size_t(end - pos));
      return q == nullptr ? end : i32(static_cast<const u8*>(q) - p);
    } else {
      while (pos < end) {
        i32 n = len(p, pos, end);
        if (isdelim(p, pos, n, delim)) return pos;
        pos += n;
      }
      return end;
    }
  }
};

// The text of a value: its bytes and size (a number is formatted first).
struct textview {
  const u8* p;
  i32 size;
};
textview textof(fred* v) {
  i32 n = getfredsize(v);
  const u8* p = fredaddr(v);
  return {p, p == nullptr ? 0 : n};
}

// Clamps a range to the text: 0 <= start <= end <= size.
void clamprange(i32 size, i32* start, i32* end) {
  *start = std::clamp(*start, 0, size);
  *end = std::clamp(*end, *start, size);
}

// --- Words ---------------------------------------------------------------------------------

template <bool Two>
i16 wordin(const u8* p, i32 n, i32* end, i32* start) {
  using W = Walk<Two>;
  const MainGlobals& g = mainglobals();
  u16 wd = g.wordDelimiter, ld = g.lineDelimiter;
  i32 i = 0;
  while (i < n) {
    i32 k = W::len(p, i, n);
    if (!W::isdelim(p, i, k, wd) && !W::isdelim(p, i, k, ld)) break;
    i += k;
  }
  if (i >= n) return 0;
  *start = i;
  if (p[i] == '"') {
    // A quoted word runs to its closing quote, which belongs to it.
    ++i;
    while (i < n) {
      i32 k = W::len(p, i, n);
      if (k == 1 && p[i] == '"') {
        ++i;
        break;
      }
      if (W::isdelim(p, i, k, ld)) break;
      i += k;
    }
  } else {
    while (i < n) {
      i32 k = W::len(p, i, n);
      if (W::isdelim(p, i, k, wd) || W::isdelim(p, i, k, ld)) break;
      i += k;
    }
  }
  *end = i;
  return 1;
}

// --- Counting ------------------------------------------------------------------------------

template <bool Two>
i32 countin(const u8* p, i32 s, i32 e, u16 type, bool bytechars) {
  using W = Walk<Two>;
  if (s >= e) return 0;
  const MainGlobals& g = mainglobals();
  switch (type) {
    case tok::line: {
      u16 ld = g.lineDelimiter;
      i32 count = 0;
      bool enddelim = false;
      for (i32 i = s; i < e;) {
        i32 k = W::len(p, i, e);
        enddelim = W::isdelim(p, i, k, ld);
        count += enddelim;
        i += k;
      }
      return count + (enddelim ? 0 : 1);
    }
    case tok::item: {
      // Trailing word and line delimiters make no item: one more item unless the last other
      // character is an item delimiter (or there is none).
      u16 id = g.itemDelimiter, wd = g.wordDelimiter, ld = g.lineDelimiter;
      i32 count = 0;
      int lastother = 0;  // 0 none, 1 an item delimiter, 2 another character
      for (i32 i = s; i < e;) {
        i32 k = W::len(p, i, e);
        if (W::isdelim(p, i, k, id)) {
          ++count;
          lastother = 1;
        } else if (!W::isdelim(p, i, k, wd) && !W::isdelim(p, i, k, ld)) {
          lastother = 2;
        }
        i += k;
      }
      return count + (lastother == 2 ? 1 : 0);
    }
    case tok::word: {
      i32 count = 0, ws = 0, we = 0;
      for (i32 pos = s; wordin<Two>(p + pos, e - pos, &we, &ws) != 0; pos += we) ++count;
      return count;
    }
    case tok::char_:
      if constexpr (Two) {
        if (!bytechars) return sjischarcount(p + s, e - s);
      }
      (void)bytechars;
      return e - s;
    default: return 0;
  }
}

template <bool Two>
i32 counttext(fred* value, i32 start, i32 end, u16 type) {
  textview t = textof(value);
  clamprange(t.size, &start, &end);
  return countin<Two>(t.p, start, end, type, value->cls == fredobject);
}

// --- Narrowing -----------------------------------------------------------------------------

template <bool Two>
void linesoritems(const u8* p, i32 first, i32 last, i32* start, i32* end, u16 delim) {
  using W = Walk<Two>;
  MainGlobals& g = mainglobals();
  i32 s = *start, e = *end;
  if (s == e) {
    g.addcount = first - 1;
    return;
  }
  // Chunk k starts right after the (k-1)-th delimiter.
  i32 pos = s;
  if (first > 1) {
    i64 found = 0;
    pos = W::afterdelims(p, s, e, delim, i64(first) - 1, &found);
    if (found < first - 1) {
      // The text holds found + 1 chunks: the rest of the delimiters must be added before
      // chunk `first` exists.
      *start = e;
      g.addcount = i32(first - 1 - found);
      return;
    }
  }
  *start = pos;
  g.delcount = -1;
  i32 q = pos;
  for (i64 k = first; k <= last; ++k) {
    q = W::nextdelim(p, q, e, delim);
    if (q == e) return;  // the chunk ends the text
    if (k < last) q += W::len(p, q, e);
  }
  *end = q;
  g.delcount = 1;
}

template <bool Two>
void wordsof(const u8* p, i32 first, i32 last, i32* start, i32* end) {
  using W = Walk<Two>;
  MainGlobals& g = mainglobals();
  i32 s = *start, e = *end;
  i32 pos = s, ws = 0, we = 0, wordstart = e;
  for (i64 k = 1; k <= first; ++k) {
    if (wordin<Two>(p + pos, e - pos, &we, &ws) == 0) {
      *start = e;
      return;
    }
    wordstart = pos + ws;
    pos += we;
  }
  i32 wordend = pos;
  for (i64 k = first + 1; k <= last; ++k) {
    if (wordin<Two>(p + pos, e - pos, &we, &ws) == 0) {
      wordend = e;
      break;
    }
    pos += we;
    wordend = pos;
  }
  *start = wordstart;
  *end = wordend;
  u16 wd = g.wordDelimiter;
  for (i32 i = wordend; i < e;) {
    i32 k = W::len(p, i, e);
    if (!W::isdelim(p, i, k, wd)) break;
    ++g.delcount;
    i += k;
  }
}

template <bool Two>
void charsof(const u8* p, i32 first, i32 last, i32* start, i32* end, bool bytechars) {
  i32 s = *start, e = *end;
  if (Two && !bytechars) {
    i32 count = sjischarcount(p + s, e - s);
    if (first > count) {
      *start = e;
      return;
    }
    *end = s + sjischaroffset(p + s, e - s, std::min(last, count));
    *start = s + sjischaroffset(p + s, e - s, first - 1);
    return;
  }
  i32 length = e - s;
  if (first > length) {
    *start = e;
    return;
  }
  *end = s + std::min(last, length);
  *start = s + first - 1;
}

template <bool Two>
void narrow(fred* value, i32 first, i32 last, i32* start, i32* end, u16 type) {
  MainGlobals& g = mainglobals();
  g.delcount = 0;
  g.addcount = 0;
  textview t = textof(value);
  clamprange(t.size, start, end);
  last = std::max(last, first);
  if (first <= 0) {
    *end = *start;
    return;
  }
  switch (type) {
    case tok::line: linesoritems<Two>(t.p, first, last, start, end, g.lineDelimiter); break;
    case tok::item: linesoritems<Two>(t.p, first, last, start, end, g.itemDelimiter); break;
    case tok::word: wordsof<Two>(t.p, first, last, start, end); break;
    case tok::char_: charsof<Two>(t.p, first, last, start, end, value->cls == fredobject); break;
    default: return;
  }
  if (*end < *start) *end = *start;
}

// --- Searching -----------------------------------------------------------------------------

// True when the needle matches at the start of the haystack, character by character: a
// one-byte character matches in either case (A-Z), a two-byte character only itself.
bool intlmatchat(const u8* hay, i32 haylength, const u8* needle, i32 needlelength) {
  if (needlelength > haylength) return false;
  for (i32 i = 0; i < needlelength;) {
    i32 kn = i32(sjischarlength(needle + i, needlelength - i));
    i32 kh = i32(sjischarlength(hay + i, haylength - i));
    if (kn != kh) return false;
    if (kn == 1 ? lowerchar(hay[i]) != lowerchar(needle[i]) : hay[i] != needle[i] || hay[i + 1] != needle[i + 1])
      return false;
    i += kn;
  }
  return true;
}

}  // namespace

// --- Mode dispatch ---------------------------------------------------------------------------

i32 domestcountchar(fred* value, i32 start, i32 end, u16 type) { return counttext<false>(value, start, end, type); }
i32 intlcountchar(fred* value, i32 start, i32 end, u16 type) { return counttext<true>(value, start, end, type); }

i32 countchar(fred* value, i32 start, i32 end, u16 type) {
  ChunkState& st = chunkstate();
  if (st.count == nullptr) st.count = twobytemode() ? intlcountchar : domestcountchar;
  return st.count(value, start, end, type);
}

void domestchunkchar(fred* value, i32 first, i32 last, i32* start, i32* end, u16 type) {
  narrow<false>(value, first, last, start, end, type);
}
void intlchunkchar(fred* value, i32 first, i32 last, i32* start, i32* end, u16 type) {
  narrow<true>(value, first, last, start, end, type);
}

void chunkchar(fred* value, i32 first, i32 last, i32* start, i32* end, u16 type) {
  ChunkState& st = chunkstate();
  if (st.chunk == nullptr) st.chunk = twobytemode() ? intlchunkchar : domestchunkchar;
  st.chunk(value, first, last, start, end, type);
}

i16 domestoneword(const u8* text, i32 length, i32* end, i32* start) { return wordin<false>(text, length, end, start); }

i16 oneword(const u8* text, i32 length, i32* end, i32* start) {
  ChunkState& st = chunkstate();
  if (st.word == nullptr) st.word = twobytemode() ? wordin<true> : domestoneword;
  return st.word(text, length, end, start);
}

void chunkset(fred* value, const chunkspec& spec, u16 type, i32* start, i32* end) {
  i32 n = 0;
  switch (spec.mode) {
    case chunkrange: chunkchar(value, spec.first, spec.last, start, end, type); return;
    case chunklast: n = countchar(value, *start, *end, type); break;
    case chunkmiddle: n = countchar(value, *start, *end, type) / 2 + 1; break;
    case chunkany: n = randomrange(countchar(value, *start, *end, type)); break;
    default: return;
  }
  chunkchar(value, n, n, start, end, type);
}

void chunksetall(fred* value, const chunkslots& slots, i32* start, i32* end) {
  for (u16 i = 0; i < 4; ++i) chunkset(value, slots.slot[i], u16(tok::line + i), start, end);
}

// --- Searching -------------------------------------------------------------------------------

i32 domeststringoff(const u8* hay, i32 haylength, const u8* needle, i32 needlelength) {
  if (needlelength <= 0) return 1;
  if (needlelength > haylength) return 0;
  const i32 m = needlelength;
  if (m <= 256 && haylength / 3 >= m) {
    // Boyer-Moore-Horspool over the lower-cased bytes. The shifts are full integers: a
    // needle of 256 bytes shifts by 256, which a byte could not hold.
    i32 shift[256];
    std::fill(std::begin(shift), std::end(shift), m);
    for (i32 i = 0; i < m - 1; ++i) shift[lowerchar(needle[i])] = m - 1 - i;
    const u8 lastchar = lowerchar(needle[m - 1]);
    for (i32 pos = 0; pos <= haylength - m;) {
      u8 c = lowerchar(hay[pos + m - 1]);
      if (c == lastchar && equalnocase(hay + pos, needle, size_t(m - 1))) return pos + 1;
      pos += shift[c];
    }
    return 0;
  }
  const u8 firstchar = lowerchar(needle[0]);
  for (i32 pos = 0; pos <= haylength - m; ++pos)
    if (lowerchar(hay[pos]) == firstchar && equalnocase(hay + pos + 1, needle + 1, size_t(m - 1))) return pos + 1;
  return 0;
}

i32 intlstringoff(const u8* hay, i32 haylength, const u8* needle, i32 needlelength) {
  if (haylength <= 0 || needlelength > haylength) return 0;
  for (i32 pos = 0; pos <= haylength - needlelength; pos += i32(sjischarlength(hay + pos, haylength - pos)))
    if (intlmatchat(hay + pos, haylength - pos, needle, needlelength)) return pos + 1;
  return 0;
}

i32 stringoff(const u8* hay, i32 haylength, const u8* needle, i32 needlelength) {
  ChunkState& st = chunkstate();
  if (st.search == nullptr) st.search = twobytemode() ? intlstringoff : domeststringoff;
  return st.search(hay, haylength, needle, needlelength);
}

i32 textoffset(const u8* hay, i32 haylength, const u8* needle, i32 needlelength, i32 skip) {
  skip = std::max(skip, 0);
  if (!twobytemode()) {
    if (skip > haylength) return 0;
    return domeststringoff(hay + skip, haylength - skip, needle, needlelength);
  }
  // Two-byte text: the skip and the answer count characters.
  i32 pos = 0;
  for (i32 k = 0; k < skip; ++k) {
    if (pos >= haylength) return 0;
    pos += i32(sjischarlength(hay + pos, haylength - pos));
  }
  for (i32 number = 1; pos < haylength; ++number) {
    if (haylength - pos < needlelength) return 0;
    if (intlmatchat(hay + pos, haylength - pos, needle, needlelength)) return number;
    pos += i32(sjischarlength(hay + pos, haylength - pos));
  }
  return 0;
}

template <bool Two>
i32 lineoffsetin(const u8* hay, i32 haylength, const u8* needle, i32 needlelength, i32 skip) {
  using W = Walk<Two>;
  u16 ld = mainglobals().lineDelimiter;
  i32 pos = 0;
  for (i32 k = 0; k < skip; ++k) {
    i32 q = W::nextdelim(hay, pos, haylength, ld);
    if (q == haylength) return 0;
    pos = q + W::len(hay, q, haylength);
  }
  i32 found = Two ? intlstringoff(hay + pos, haylength - pos, needle, needlelength)
                  : domeststringoff(hay + pos, haylength - pos, needle, needlelength);
  if (found == 0) return 0;
  // 1 plus the line delimiters between the skip point and the match.
  i32 matchat = pos + found - 1, line = 1;
  for (i32 q = W::nextdelim(hay, pos, matchat, ld); q < matchat; ++line)
    q = W::nextdelim(hay, q + W::len(hay, q, matchat), matchat, ld);
  return line;
}

i32 textlineoffset(const u8* hay, i32 haylength, const u8* needle, i32 needlelength, i32 skip) {
  skip = std::max(skip, 0);
  return twobytemode() ? lineoffsetin<true>(hay, haylength, needle, needlelength, skip)
                       : lineoffsetin<false>(hay, haylength, needle, needlelength, skip);
}

i32 getglyphcount(Handle text) {
  if (text == nilhandle) return 0;
  return i32(sjischarcount(deref(text), GetHandleSize(text)));
}

}  // namespace kv
