// The paint bitmap codec. Every row is coded by the first rule that applies: a fill, a
// repeated pair, a copy of one of the 15 rows above, or a coded line of the row's horizontal
// differences or of its difference from the row one or two above; rows that do not compress
// well enough stay literal. Runs of rows with the same code share one repeat byte.
//
// All row arithmetic is 32-bit (wide colour rows overflow 16 bits), every read of the packed
// stream is checked against its end, and the decoders never write outside the image.
#include "store/paintcodec.h"

#include <cstring>
#include <vector>

#include "platform/memory/memory.h"

namespace kv {
namespace {

// Row codes. Colour: 0 literal, 1-15 copy, 16 fill, 17 pair, 18 horizontal, 19 above,
// 20 two above. 1-bit: 0 literal, 1-15 copy, 16-23 fixed fills, 24 fill, 25 pair,
// 26 horizontal, 27 XOR above, 28 XOR two above.
struct CodeSet {
  bool colour;
  int fill, pair, horizontal, above, twoabove, literalbelow;
};
constexpr CodeSet kColourCodes{true, 16, 17, 18, 19, 20, 11};
constexpr CodeSet kMonoCodes{false, 24, 25, 26, 27, 28, 5};
// The fixed fills of the 1-bit form, codes 16-23.
constexpr u8 kMonoFills[8] = {0x00, 0xFF, 0xAA, 0x55, 0xDD, 0x77, 0x22, 0x88};

inline u16 wordat(const u8* p, i32 i) {
  u16 w;
  std::memcpy(&w, p + 2 * i, 2);
  return w;
}

// Horizontal differences, from the last byte down to the second.
void subcolx(u8* row, i32 n) {
  for (i32 i = n - 1; i >= 1; --i) row[i] = u8(row[i] - row[i - 1]);
}
// Their inverse, from the second byte up.
void addcolx(u8* row, i32 n) {
  for (i32 i = 1; i < n; ++i) row[i] = u8(row[i] + row[i - 1]);
}
void addrowx(u8* row, const u8* other, i32 n) {
  for (i32 i = 0; i < n; ++i) row[i] = u8(row[i] + other[i]);
}
void subrowx(u8* dst, const u8* row, const u8* other, i32 n) {
  for (i32 i = 0; i < n; ++i) dst[i] = u8(row[i] - other[i]);
}
void doeorx(u8* dst, const u8* row, const u8* other, i32 n) {
  for (i32 i = 0; i < n; ++i) dst[i] = u8(row[i] ^ other[i]);
}

// The smallest k (1-15) whose row k rows above lies in the image and equals this row.
int bestprevx(const u8* row, i32 rowindex, i32 rowbytes) {
  for (int k = 1; k <= 15 && k <= rowindex; ++k)
    if (std::memcmp(row, row - i64(k) * rowbytes, size_t(rowbytes)) == 0) return k;
  return 0;
}

// A matching comparison scores 2 when the comparison before it matched too.
i32 corrhorx(const u8* row, i32 rowbytes) {
  if (rowbytes < 4) return 0;
  i32 m = rowbytes / 2, score = 0;
  bool prev = false;
  for (i32 i = 1; i < m; ++i) {
    bool match = wordat(row, i) == wordat(row, i - 1);
    if (match && prev) score += 2;
    prev = match;
  }
  return score;
}
i32 corrverx(const u8* row, const u8* other, i32 rowbytes) {
  if (rowbytes < 2) return 0;
  i32 m = rowbytes / 2, score = 0;
  bool prev = false;
  for (i32 i = 0; i < m; ++i) {
    bool match = wordat(row, i) == wordat(other, i);
    if (match && prev) score += 2;
    prev = match;
  }
  return score;
}

// Codes one row (`nextquick` for colour, `nextimage` for 1-bit) into out: the code byte and its
// data. Answers the bytes written; `code` receives the row's code.
i32 nextrow(const CodeSet& cs, u8* scratch, int prevcode, const u8* row, i32 rowindex, i32 rowbytes, u8* out,
            int& code) {
  // Fill.
  bool fill = true;
  for (i32 i = 1; i < rowbytes && fill; ++i) fill = row[i] == row[0];
  if (rowbytes < 2 || fill) {
    u8 b = rowbytes > 0 ? row[0] : 0;
    if (!cs.colour) {
      for (int f = 0; f < 8; ++f)
        if (kMonoFills[f] == b) {
          code = 16 + f;
          out[0] = u8(code);
          return 1;
        }
    }
    code = cs.fill;
    out[0] = u8(code);
    out[1] = b;
    return 2;
  }
  // Pair.
  bool pair = true;
  for (i32 i = 1; i < rowbytes / 2 && pair; ++i) pair = wordat(row, i) == wordat(row, 0);
  if (rowbytes < 3 || pair) {
    code = cs.pair;
    out[0] = u8(code);
    out[1] = row[0];
    out[2] = row[1];
    return 3;
  }
  // Earlier row.
  if (int k = bestprevx(row, rowindex, rowbytes)) {
    code = k;
    out[0] = u8(k);
    return 1;
  }
  // Scores.
  i32 best = corrhorx(row, rowbytes);
  code = cs.horizontal;
  if (rowindex >= 1) {
    i32 v = corrverx(row, row - rowbytes, rowbytes);
    if (v > best || (v == best && prevcode == cs.above)) {
      best = v;
      code = cs.above;
    }
  }
  if (rowindex >= 2) {
    i32 v = corrverx(row, row - 2 * i64(rowbytes), rowbytes);
    if (v > best || (v == best && prevcode == cs.twoabove)) {
      best = v;
      code = cs.twoabove;
    }
  }
  if (best < cs.literalbelow) {
    code = 0;
    out[0] = 0;
    std::memcpy(out + 1, row, size_t(rowbytes));
    return 1 + rowbytes;
  }
  if (code == cs.horizontal) {
    std::memcpy(scratch, row, size_t(rowbytes));
    subcolx(scratch, rowbytes);
  } else {
    const u8* other = row - (code == cs.above ? 1 : 2) * i64(rowbytes);
    if (cs.colour) subrowx(scratch, row, other, rowbytes);
    else doeorx(scratch, row, other, rowbytes);
  }
  out[0] = u8(code);
  return 1 + codelinex(scratch, rowbytes, out + 1);
}

// Codes every row of a prepared image, sharing repeat bytes between rows of the same code.
Handle encode(const CodeSet& cs, const u8* image, const PaintGeometry& g) {
  i64 worst = paintworstcase(g);
  if (worst > 0x7FFFFFFF) return nilhandle;
  std::vector<u8> out(size_t(worst) + 1);
  std::vector<u8> scratch(size_t(g.rowbytes) + 1);
  i64 rowworst = g.rowbytes + g.rowbytes / 4 + 8;
  i64 pos = 0;
  int prevcode = -1, runcount = 0;
  i64 runpos = 0;
  for (i32 r = 0; r < g.height; ++r) {
    if (pos + rowworst > worst) return nilhandle;  // cannot happen: the worst case holds every row
    const u8* row = image + i64(r) * g.rowbytes;
    int code = 0;
    i64 start = pos;
    i32 n = nextrow(cs, scratch.data(), prevcode, row, r, g.rowbytes, out.data() + start, code);
    if (code == prevcode) {
      ++runcount;
      if (runcount == 1) {
        out[size_t(start)] = 0x81;
        runpos = start;
        pos += n;
      } else if (runcount <= 127) {
        out[size_t(runpos)] = u8(0x80 + runcount);
        std::memmove(out.data() + start, out.data() + start + 1, size_t(n - 1));
        pos += n - 1;
      } else {
        runcount = 0;
        pos += n;
      }
    } else {
      runcount = 0;
      prevcode = code;
      pos += n;
    }
  }
  Handle h = NewHandle(Size(pos));
  if (h == nilhandle) return nilhandle;
  if (pos > 0) std::memcpy(deref(h), out.data(), size_t(pos));
  return h;
}

enum class RowResult { ok, unknown, bad };

// Produces one row from its code, reading the code's data from the stream.
RowResult decoderow(const CodeSet& cs, int code, const u8* in, i64 avail, i64& used, u8* row, i32 outrow,
                    i32 rowbytes) {
  used = 0;
  if (code == 0) {
    if (avail < rowbytes) return RowResult::bad;
    std::memcpy(row, in, size_t(rowbytes));
    used = rowbytes;
    return RowResult::ok;
  }
  if (code >= 1 && code <= 15) {
    if (code > outrow) return RowResult::bad;
    std::memcpy(row, row - i64(code) * rowbytes, size_t(rowbytes));
    return RowResult::ok;
  }
  if (!cs.colour && code >= 16 && code <= 23) {
    std::memset(row, kMonoFills[code - 16], size_t(rowbytes));
    return RowResult::ok;
  }
  if (code == cs.fill) {
    if (avail < 1) return RowResult::bad;
    std::memset(row, in[0], size_t(rowbytes));
    used = 1;
    return RowResult::ok;
  }
  if (code == cs.pair) {
    if (avail < 2) return RowResult::bad;
    for (i32 i = 0; i < rowbytes; ++i) row[i] = in[i & 1];
    used = 2;
    return RowResult::ok;
  }
  if (code == cs.horizontal || code == cs.above || code == cs.twoabove) {
    int back = code == cs.above ? 1 : code == cs.twoabove ? 2 : 0;
    if (back > outrow) return RowResult::bad;
    i32 n = uncodelinex(in, avail > 0x7FFFFFFF ? 0x7FFFFFFF : i32(avail), row, rowbytes);
    if (n < 0) return RowResult::bad;
    used = n;
    if (back == 0) {
      addcolx(row, rowbytes);
    } else {
      const u8* other = row - i64(back) * rowbytes;
      if (cs.colour) addrowx(row, other, rowbytes);
      else doeorx(row, row, other, rowbytes);
    }
    return RowResult::ok;
  }
  return RowResult::unknown;
}

// Decodes a stream into a zeroed image. A row with an unknown code gives no output: the rows
// after it land one row higher and the last rows stay zero. Malformed streams (data past the
// end, copies from above the first row, a repeat before any code) are refused.
Handle decode(const CodeSet& cs, Handle packed, const PaintGeometry& g) {
  if (!g.valid || packed == nilhandle || !IsValidHandle(packed)) return nilhandle;
  Handle h = NewHandleClear(Size(g.bytes));
  if (h == nilhandle) return nilhandle;
  if (g.height == 0) return h;
  i64 avail = GetHandleSize(packed);
  std::vector<u8> in(static_cast<size_t>(avail));
  if (avail > 0) std::memcpy(in.data(), deref(packed), size_t(avail));
  u8* image = deref(h);
  i64 pos = 0;
  int prevcode = -1, repeat = 0;
  i32 outrow = 0;
  bool ok = true;
  for (i32 r = 0; r < g.height && ok; ++r) {
    int code;
    if (repeat > 0) {
      code = prevcode;
      --repeat;
    } else {
      if (pos >= avail) {
        ok = false;
        break;
      }
      u8 b = in[size_t(pos++)];
      if (b >= 0x80) {
        if (b == 0x80 || prevcode < 0) {
          ok = false;
          break;
        }
        code = prevcode;
        repeat = b - 0x80 - 1;
      } else {
        code = b;
        prevcode = code;
      }
    }
    i64 used = 0;
    RowResult res = decoderow(cs, code, in.data() + pos, avail - pos, used, image + i64(outrow) * g.rowbytes, outrow,
                              g.rowbytes);
    if (res == RowResult::bad) ok = false;
    else if (res == RowResult::ok) ++outrow;
    pos += used;
  }
  if (!ok) {
    DisposeHandle(h);
    return nilhandle;
  }
  return h;
}

bool imagefits(Handle image, const PaintGeometry& g) {
  return g.valid && image != nilhandle && IsValidHandle(image) && GetHandleSize(image) >= g.bytes;
}

}  // namespace

PaintGeometry paintgeometry(const Rect& r, bool colour) {
  PaintGeometry g;
  i32 height = i32(r.bottom) - i32(r.top);
  i32 width = i32(r.right) - i32(r.left);
  if (height < 0 || width < 0) return g;
  g.height = height;
  g.width = width;
  g.rowbytes = colour ? ((width + 3) & ~3) : ((width + 15) >> 4) * 2;
  g.bytes = i64(height) * g.rowbytes;
  g.valid = g.bytes <= 0x7FFFFFFF;
  return g;
}

i64 paintworstcase(const PaintGeometry& g) { return i64(g.height) * (g.rowbytes + g.rowbytes / 4 + 8); }

void clearimage(u8* image, i32 height, i32 width, i32 rowbytes) {
  if (width % 16 == 0) return;
  for (i32 r = 0; r < height; ++r) {
    u8* row = image + i64(r) * rowbytes;
    for (i32 b = width / 8; b < rowbytes; ++b) {
      i32 keep = width - b * 8;  // pixels of this byte that belong to the image
      row[b] = keep <= 0 ? 0 : u8(row[b] & u8(0xFF << (8 - keep)));
    }
  }
}

i32 codelinex(const u8* row, i32 rowbytes, u8* out) {
  i32 pos = 0, n = 0;
  while (true) {
    i32 z = 0;
    while (pos + z < rowbytes && row[pos + z] == 0) ++z;
    if (pos + z >= rowbytes) {
      out[n++] = 0x00;
      return n;
    }
    i32 nz = 0;
    while (pos + z + nz < rowbytes && row[pos + z + nz] != 0) ++nz;
    const u8* data = row + pos + z;
    if (nz <= 7 && z <= 15) {
      out[n++] = u8(nz * 16 + z);
      std::memcpy(out + n, data, size_t(nz));
      n += nz;
    } else {
      i32 zr = z;
      while (zr >= 64) {
        out[n++] = 0xFF;
        zr -= 63;
      }
      if (zr > 0) out[n++] = u8(0xC0 + zr);
      i32 left = nz;
      const u8* d = data;
      while (left >= 64) {
        out[n++] = 0xBF;
        std::memcpy(out + n, d, 63);
        n += 63;
        d += 63;
        left -= 63;
      }
      if (left > 0) {
        out[n++] = u8(0x80 + left);
        std::memcpy(out + n, d, size_t(left));
        n += left;
      }
    }
    pos += z + nz;
    if (pos >= rowbytes) return n;
  }
}

i32 uncodelinex(const u8* in, i32 avail, u8* row, i32 rowbytes) {
  i32 pos = 0, at = 0;
  while (at < rowbytes) {
    if (pos >= avail) return -1;
    u8 item = in[pos++];
    if (item == 0x00) {
      std::memset(row + at, 0, size_t(rowbytes - at));
      return pos;
    }
    i32 zeros = 0, literal = 0;
    if (item < 0x80) {
      zeros = item & 0x0F;
      literal = (item >> 4) & 0x07;
    } else if (item < 0xC0) {
      literal = item & 0x3F;
    } else {
      zeros = item & 0x3F;
    }
    if (at + zeros + literal > rowbytes || pos + literal > avail) return -1;
    std::memset(row + at, 0, size_t(zeros));
    at += zeros;
    std::memcpy(row + at, in + pos, size_t(literal));
    at += literal;
    pos += literal;
  }
  return pos;
}

Handle packimage(const Rect& r, Handle image) {
  PaintGeometry g = paintgeometry(r, false);
  if (!imagefits(image, g)) return nilhandle;
  if (g.height == 0) return NewHandle(0);
  clearimage(deref(image), g.height, g.width, g.rowbytes);
  std::vector<u8> copy(size_t(g.bytes) + 1);
  std::memcpy(copy.data(), deref(image), size_t(g.bytes));
  return encode(kMonoCodes, copy.data(), g);
}

Handle unpackimage(const Rect& r, Handle packed) { return decode(kMonoCodes, packed, paintgeometry(r, false)); }

Handle packcolor(const Rect& r, Handle image) {
  PaintGeometry g = paintgeometry(r, true);
  if (!imagefits(image, g)) return nilhandle;
  if (g.height == 0) return NewHandle(0);
  std::vector<u8> copy(size_t(g.bytes) + 1);
  std::memcpy(copy.data(), deref(image), size_t(g.bytes));
  for (i32 row = 0; row < g.height; ++row)
    std::memset(copy.data() + i64(row) * g.rowbytes + g.width, 0, size_t(g.rowbytes - g.width));
  return encode(kColourCodes, copy.data(), g);
}

Handle unpackcolor(const Rect& r, Handle packed) { return decode(kColourCodes, packed, paintgeometry(r, true)); }

}  // namespace kv
