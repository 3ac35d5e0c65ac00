// Playing pictures back through the current port's bottleneck table.
#include <algorithm>
#include <cstring>

#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/colors.h"
#include "platform/qd/pictformat.h"
#include "platform/qd/pictureimpl.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"

namespace kv {

namespace {

// PackBits: runs of literal bytes (n + 1 after a flag 0..127) and repeats (1 - n copies of
// one unit after a flag -1..-127) of `unit` bytes each. Fills out exactly; false when the
// input ends first or overruns.
bool unpackbits(const u8* in, std::size_t inlen, u8* out, std::size_t outlen, std::size_t unit) {
  std::size_t i = 0, o = 0;
  while (o < outlen) {
    if (i >= inlen) return false;
    const i8 flag = i8(in[i++]);
    if (flag == -128) continue;
    if (flag >= 0) {
      const std::size_t n = (std::size_t(flag) + 1) * unit;
      if (i + n > inlen || o + n > outlen) return false;
      std::memcpy(out + o, in + i, n);
      i += n;
      o += n;
    } else {
      const std::size_t count = std::size_t(1 - flag);
      if (i + unit > inlen || o + count * unit > outlen) return false;
      for (std::size_t k = 0; k < count; ++k) std::memcpy(out + o + k * unit, in + i, unit);
      i += unit;
      o += count * unit;
    }
  }
  return true;
}

struct SavedPort {
  PenState pen;
  Pattern bk, fill;
  RGBColor fg, bg, op;
  i16 font, mode, size;
  u8 face;
  i32 spextra;
  i16 chextra;
  RegionData clip;
};

// The largest text size a picture may set.
constexpr i32 kMaxPictureTextSize = 2048;

class Player {
 public:
  Player(const u8* data, std::size_t size, const Rect& dst, bool draw) : rd_{data, size}, dst_(dst), draw_(draw) {}

  bool run();
  // The deepest pixel size of the bit-map opcodes met so far (0 before any).
  i16 deepest() const { return deepest_; }

 private:
  // Coordinate mapping from the picture's frame onto the destination.
  Point mappt(Point p) const {
    p.h = i16(p.h - origin_.h);
    p.v = i16(p.v - origin_.v);
    if (!scaled_) {
      // Kept within the coordinate range: a wide-open clip moved by the offset must not wrap.
      auto moved = [](i32 c, i32 by) { return i16(std::clamp<i32>(c + by, -32768, 32767)); };
      return Point{moved(p.v, dst_.top - frame_.top), moved(p.h, dst_.left - frame_.left)};
    }
    MapPt(&p, &frame_, &dst_);
    return p;
  }
  Rect maprect(const Rect& r) const {
    const Point tl = mappt(Point{r.top, r.left}), br = mappt(Point{r.bottom, r.right});
    return Rect{tl.v, tl.h, br.v, br.h};
  }
  // The larger side of the destination: the most a size the picture sets can show.
  i32 showable() const { return std::max({i32(dst_.right) - dst_.left, i32(dst_.bottom) - dst_.top, 1}); }
  Point scalept(Point p) const {
    if (scaled_) ScalePt(&p, &frame_, &dst_);
    return p;
  }
  void mapregion(RegionData& r) const {
    int n = 0;
    const pixman_box32_t* b = r.boxes(&n);
    std::vector<pixman_box32_t> out;
    for (int i = 0; i < n; ++i) {
      const Rect m = maprect(Rect{i16(b[i].y1), i16(b[i].x1), i16(b[i].y2), i16(b[i].x2)});
      out.push_back(pixman_box32_t{m.left, m.top, m.right, m.bottom});
    }
    r.setboxes(out);
  }

  u16 nextop() {
    if (v2_) {
      rd_.align();
      return u16(rd_.i16be());
    }
    return rd_.u8be();
  }
  bool readregion(RegionData* out) {
    std::size_t used = 0;
    if (rd_.bad || !decoderegion(rd_.data + rd_.at, rd_.size - rd_.at, out, &used)) return rd_.bad = true, false;
    rd_.skip(used);
    return true;
  }
  void skipsized16() {  // a record whose first word is its own size (polygons, regions)
    const std::size_t at = rd_.at;
    const u16 n = u16(rd_.i16be());
    if (n < 2) {
      rd_.bad = true;
      return;
    }
    rd_.at = at;
    rd_.skip(n);
  }

  void shape(u16 op);
  void text(u16 op);
  void bits(u16 op);
  bool readpixpat(Pattern* pat);
  bool skipunknown(u16 op);

  PictReader rd_;
  Rect frame_{0, 0, 0, 0};
  Rect dst_;
  bool draw_;
  i16 deepest_ = 0;
  bool v2_ = false;
  bool scaled_ = false;
  Point origin_{0, 0};
  Point ovsize_{0, 0};
  Point textpen_{0, 0};
  Rect lastrect_{0, 0, 0, 0};
  RegionData lastrgn_;
  std::vector<Point> lastpoly_;
  RegionData portclip_;
};

bool Player::run() {
  rd_.skip(2);
  frame_ = rd_.rect();
  if (rd_.bad) return false;
  scaled_ = (frame_.right - frame_.left) != (dst_.right - dst_.left) ||
            (frame_.bottom - frame_.top) != (dst_.bottom - dst_.top);
  // Version 1 starts with 11 01; version 2 with 0011 02FF.
  if (rd_.has(2) && rd_.data[rd_.at] == 0x11 && rd_.data[rd_.at + 1] == 0x01) {
    rd_.skip(2);
  } else if (rd_.has(4) && rd_.data[rd_.at] == 0x00 && rd_.data[rd_.at + 1] == 0x11 && rd_.data[rd_.at + 2] == 0x02 &&
             rd_.data[rd_.at + 3] == 0xFF) {
    rd_.skip(4);
    v2_ = true;
  } else {
    return false;
  }
  if (Port* p = currentport()) portclip_ = p->clipRgn;
  while (!rd_.bad) {
    const u16 op = nextop();
    if (rd_.bad) break;
    if (op == pictEndPic) return true;
    if (draw_ && !currentport()) return false;
    switch (op) {
      case pictNOP:
      case 0x0017:
      case 0x0018:
      case 0x0019:
      case pictDefHilite: break;
      case pictClip: {
        RegionData r;
        if (!readregion(&r)) break;
        if (draw_) {
          mapregion(r);
          r.intersect(portclip_);
          currentport()->clipRgn = r;
        }
        break;
      }
      case pictBkPat:
      case pictPnPat:
      case pictFillPat: {
        const u8* d = rd_.take(8);
        if (!d || !draw_) break;
        Pattern pat;
        std::memcpy(pat.pat, d, 8);
        if (op == pictBkPat) BackPat(&pat);
        if (op == pictPnPat) PenPat(&pat);
        if (op == pictFillPat) currentport()->fillPat = pat;
        break;
      }
      case pictTxFont: {
        i16 v = rd_.i16be();
        if (draw_) TextFont(v);
        break;
      }
      case pictTxFace: {
        u8 v = rd_.u8be();
        if (draw_) TextFace(v);
        break;
      }
      case pictTxMode: {
        i16 v = rd_.i16be();
        if (draw_) TextMode(v);
        break;
      }
      case pictSpExtra: {
        i32 v = rd_.i32be();
        if (draw_) SpaceExtra(v);
        break;
      }
      case pictPnSize: {
        Point s = scalept(rd_.point());
        // A picture's pen is no larger than what the destination can show.
        s.h = i16(std::clamp<i32>(s.h, 0, showable()));
        s.v = i16(std::clamp<i32>(s.v, 0, showable()));
        if (draw_) PenSize(s.h, s.v);
        break;
      }
      case pictPnMode: {
        i16 v = rd_.i16be();
        if (draw_) PenMode(v);
        break;
      }
      case pictOvSize: ovsize_ = scalept(rd_.point()); break;
      case pictOrigin: {
        const i16 dh = rd_.i16be(), dv = rd_.i16be();
        origin_ = Point{i16(origin_.v + dv), i16(origin_.h + dh)};
        break;
      }
      case pictTxSize: {
        i16 v = rd_.i16be();
        if (draw_ && scaled_ && frame_.bottom > frame_.top)
          v = i16(i32(v) * (dst_.bottom - dst_.top) / (frame_.bottom - frame_.top));
        // Glyphs larger than the destination (or than any screen) cannot be shown whole.
        v = i16(std::clamp<i32>(v, 0, std::min<i32>(showable(), kMaxPictureTextSize)));
        if (draw_) TextSize(v);
        break;
      }
      case pictFgColor: {
        i32 v = rd_.i32be();
        if (draw_) ForeColor(v);
        break;
      }
      case pictBkColor: {
        i32 v = rd_.i32be();
        if (draw_) BackColor(v);
        break;
      }
      case pictTxRatio: rd_.skip(8); break;
      case pictVersion: rd_.skip(v2_ ? 2 : 1); break;
      case pictBkPixPat:
      case pictPnPixPat:
      case pictFillPixPat: {
        Pattern pat;
        if (!readpixpat(&pat) || !draw_) break;
        if (op == pictBkPixPat) BackPat(&pat);
        if (op == pictPnPixPat) PenPat(&pat);
        if (op == pictFillPixPat) currentport()->fillPat = pat;
        break;
      }
      case pictPnLocHFrac: rd_.skip(2); break;
      case pictChExtra: {
        i16 v = rd_.i16be();
        if (draw_) CharExtra(i32(v) << 16);
        break;
      }
      case pictRGBFgCol:
      case pictRGBBkCol:
      case pictHiliteColor:
      case pictOpColor: {
        const RGBColor c = rd_.color();
        if (!draw_) break;
        if (op == pictRGBFgCol) RGBForeColor(&c);
        if (op == pictRGBBkCol) RGBBackColor(&c);
        if (op == pictHiliteColor) HiliteColor(&c);
        if (op == pictOpColor) OpColor(&c);
        break;
      }
      case pictHiliteMode:
        if (draw_) LMSetHiliteMode(false);
        break;
      case pictLine:
      case pictLineFrom:
      case pictShortLine:
      case pictShortLineFrom: {
        Port* cp = currentport();
        Point from = cp ? cp->pnLoc : Point{0, 0}, to;
        if (op == pictLine || op == pictShortLine) from = mappt(rd_.point());
        if (op == pictLine || op == pictLineFrom) {
          to = mappt(rd_.point());
        } else {
          const i8 dh = i8(rd_.u8be()), dv = i8(rd_.u8be());
          const Point d = scalept(Point{dv, dh});
          to = Point{i16(from.v + d.v), i16(from.h + d.h)};
        }
        if (rd_.bad || !draw_) break;
        MoveTo(from.h, from.v);
        LineTo(to.h, to.v);
        break;
      }
      case pictLongText:
      case pictDHText:
      case pictDVText:
      case pictDHDVText: text(op); break;
      case pictFontName:
      case pictLineJustify:
      case pictGlyphState:
      case 0x0024:
      case 0x0025:
      case 0x0026:
      case 0x0027:
      case 0x002F: {
        const u16 n = u16(rd_.i16be());
        rd_.skip(n);
        break;
      }
      case pictHeaderOp: rd_.skip(24); break;
      case pictBitsRect:
      case pictBitsRgn:
      case pictPackBitsRect:
      case pictPackBitsRgn:
      case pictDirectBitsRect:
      case pictDirectBitsRgn: bits(op); break;
      case pictShortComment: {
        const i16 kind = rd_.i16be();
        if (draw_ && !rd_.bad) PicComment(kind, 0, 0);
        break;
      }
      case pictLongComment: {
        const i16 kind = rd_.i16be();
        const u16 n = u16(rd_.i16be());
        const u8* d = rd_.take(n);
        if (!d || !draw_) break;
        Handle h = 0;
        if (PtrToHand(d, &h, n) == noErr) {
          PicComment(kind, i16(n), h);
          DisposeHandle(h);
        }
        break;
      }
      default:
        if (op >= 0x0030 && op <= 0x008C && (op & 0x7) <= 4) {
          shape(op);
        } else if (!skipunknown(op)) {
          return false;
        }
    }
  }
  return false;
}

void Player::shape(u16 op) {
  const u16 kind = op & 0xF8;  // the shape and whether it reuses the last one
  const GrafVerb verb = GrafVerb(op & 0x7);
  const bool same = (kind & 0x08) != 0;
  const u16 base = u16(kind & ~0x08);
  Port* p = currentport();
  switch (base) {
    case pictFrameRect:
    case pictFrameRRect:
    case pictFrameOval:
    case pictFrameArc: {
      if (!same) lastrect_ = rd_.rect();
      i16 start = 0, arc = 0;
      if (base == pictFrameArc) {
        start = rd_.i16be();
        arc = rd_.i16be();
      }
      if (rd_.bad || !draw_) return;
      const Rect r = maprect(lastrect_);
      QDProcs std;
      SetStdCProcs(&std);
      const QDProcs& procs = p->procs ? *p->procs : std;
      if (base == pictFrameRect) (procs.rectProc ? procs.rectProc : std.rectProc)(verb, &r);
      if (base == pictFrameRRect) (procs.rRectProc ? procs.rRectProc : std.rRectProc)(verb, &r, ovsize_.h, ovsize_.v);
      if (base == pictFrameOval) (procs.ovalProc ? procs.ovalProc : std.ovalProc)(verb, &r);
      if (base == pictFrameArc) (procs.arcProc ? procs.arcProc : std.arcProc)(verb, &r, start, arc);
      return;
    }
    case pictFramePoly: {
      if (!same) {
        const std::size_t at = rd_.at;
        const u16 n = u16(rd_.i16be());
        if (n < 10 || (n - 10) % 4 != 0) {
          rd_.bad = true;
          return;
        }
        rd_.skip(8);
        lastpoly_.clear();
        for (u16 k = 10; k < n && !rd_.bad; k += 4) lastpoly_.push_back(rd_.point());
        rd_.at = std::max(rd_.at, at);
      }
      if (rd_.bad || !draw_ || lastpoly_.empty()) return;
      std::vector<Point> pts;
      for (const Point& pt : lastpoly_) pts.push_back(mappt(pt));
      PolyHandle poly = newpolygon(pts);
      if (!poly) return;
      if (p->procs && p->procs->polyProc) {
        auto f = p->procs->polyProc;
        f(verb, poly);
      } else {
        StdPoly(verb, poly);
      }
      DisposeHandle(poly);
      return;
    }
    case pictFrameRgn: {
      if (!same && !readregion(&lastrgn_)) return;
      if (!draw_) return;
      RegionData r(lastrgn_);
      mapregion(r);
      RgnHandle rgn = newregionfrom(r);
      if (!rgn) return;
      if (p->procs && p->procs->rgnProc) {
        auto f = p->procs->rgnProc;
        f(verb, rgn);
      } else {
        StdRgn(verb, rgn);
      }
      DisposeRgn(rgn);
      return;
    }
    default: return;
  }
}

void Player::text(u16 op) {
  Point at = textpen_;
  if (op == pictLongText) {
    at = rd_.point();
  } else {
    i16 dh = 0, dv = 0;
    if (op == pictDHText || op == pictDHDVText) dh = rd_.u8be();
    if (op == pictDVText || op == pictDHDVText) dv = rd_.u8be();
    at = Point{i16(at.v + dv), i16(at.h + dh)};
  }
  const u8 n = rd_.u8be();
  const u8* t = rd_.take(n);
  textpen_ = at;
  if (!t || !draw_) return;
  const Point m = mappt(at);
  MoveTo(m.h, m.v);
  DrawText(t, 0, n);
}

bool Player::readpixpat(Pattern* pat) {
  const i16 type = rd_.i16be();
  const u8* d = rd_.take(8);
  if (!d) return false;
  std::memcpy(pat->pat, d, 8);
  if (type == 2) {
    rd_.skip(6);  // the colour a dithered pattern stands for
  } else if (type == 1) {
    const u16 rowbytes = u16(rd_.i16be()) & rowbytesmask;
    const Rect b = rd_.rect();
    rd_.skip(36);  // the rest of the pixel map record
    rd_.skip(4 + 2);
    const u16 ctsize = u16(rd_.i16be());
    rd_.skip((std::size_t(ctsize) + 1) * 8);
    const i32 rows = b.bottom - b.top;
    for (i32 y = 0; y < rows && !rd_.bad; ++y) {
      if (rowbytes < 8) {
        rd_.skip(rowbytes);
      } else {
        const std::size_t n = rowbytes > 250 ? u16(rd_.i16be()) : rd_.u8be();
        rd_.skip(n);
      }
    }
  }
  return !rd_.bad;
}

bool Player::skipunknown(u16 op) {
  if ((op >= 0x0035 && op <= 0x0037) || (op >= 0x0045 && op <= 0x0047) || (op >= 0x0055 && op <= 0x0057))
    return rd_.skip(8), true;
  if (op >= 0x0065 && op <= 0x0067) return rd_.skip(12), true;
  if (op >= 0x006D && op <= 0x006F) return rd_.skip(4), true;
  if ((op >= 0x0075 && op <= 0x0077) || (op >= 0x0085 && op <= 0x0087)) return skipsized16(), true;
  if ((op >= 0x003D && op <= 0x003F) || (op >= 0x004D && op <= 0x004F) || (op >= 0x005D && op <= 0x005F) ||
      (op >= 0x007D && op <= 0x007F) || (op >= 0x008D && op <= 0x008F) || (op >= 0x00B0 && op <= 0x00CF) ||
      (op >= 0x8000 && op <= 0x80FF))
    return true;
  if ((op >= 0x0092 && op <= 0x0097) || (op >= 0x009C && op <= 0x009F) || (op >= 0x00A2 && op <= 0x00AF)) {
    rd_.skip(u16(rd_.i16be()));
    return true;
  }
  if ((op >= 0x00D0 && op <= 0x00FE) || op >= 0x8100) {
    const u32 n = u32(rd_.i32be());
    rd_.skip(n);
    return true;
  }
  if (op >= 0x0100 && op <= 0x7FFF) {
    rd_.skip(std::size_t(op >> 8) * 2);
    return true;
  }
  return false;
}

void Player::bits(u16 op) {
  const bool direct = op == pictDirectBitsRect || op == pictDirectBitsRgn;
  const bool withrgn = op == pictBitsRgn || op == pictPackBitsRgn || op == pictDirectBitsRgn;
  const bool packed = op != pictBitsRect && op != pictBitsRgn;
  if (direct) rd_.skip(4);
  const u16 rbword = u16(rd_.i16be());
  const bool ispixmap = (rbword & pixmapflag) != 0;
  const u16 rowbytes = rbword & rowbytesmask;
  PixMap pm{};
  pm.bounds = rd_.rect();
  pm.pixelSize = 1;
  CTabHandle table = 0;
  i16 packtype = 0, cmpcount = 1;
  if (ispixmap) {
    rd_.i16be();  // version
    packtype = rd_.i16be();
    rd_.skip(4 + 8);
    pm.pixelType = rd_.i16be();
    pm.pixelSize = rd_.i16be();
    cmpcount = rd_.i16be();
    pm.cmpCount = cmpcount;
    pm.cmpSize = rd_.i16be();
    rd_.skip(12);
    if (!direct) {
      rd_.skip(6);
      const u16 ctsize = u16(rd_.i16be());
      if (ctsize > 255) {
        rd_.bad = true;
        return;
      }
      std::vector<RGBColor> colors(std::size_t(ctsize) + 1);
      std::vector<i16> values(colors.size());
      for (std::size_t k = 0; k < colors.size(); ++k) {
        values[k] = rd_.i16be();
        colors[k] = rd_.color();
      }
      if (rd_.bad) return;
      if (draw_) {
        table = NewCTable(i32(colors.size()));
        // Entries go where their values say, unless the table is a plain list.
        for (std::size_t k = 0; k < colors.size(); ++k) {
          const i32 at = (values[k] >= 0 && values[k] < i32(colors.size())) ? values[k] : i32(k);
          setctableentry(table, at, colors[k]);
        }
      }
    }
  }
  if (pm.pixelSize > deepest_) deepest_ = pm.pixelSize;
  const Rect srcRect = rd_.rect();
  const Rect dstRect = rd_.rect();
  const i16 mode = rd_.i16be();
  RegionData mask;
  if (withrgn && !readregion(&mask)) {
    DisposeCTable(table);
    return;
  }
  const i16 depth = pm.pixelSize;
  const i32 width = pm.bounds.right - pm.bounds.left, height = pm.bounds.bottom - pm.bounds.top;
  const bool validdepth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 32;
  if (rd_.bad || !validdepth || width <= 0 || height <= 0 || rowbytes == 0 ||
      i64(rowbytes) * 8 < i64(width) * (depth == 32 && packtype == 2 ? 24 : depth)) {
    rd_.bad = true;
    DisposeCTable(table);
    return;
  }
  // The rows as the picture holds them, then turned into a map this layer reads.
  const u16 outrb = pixmaprowbytes(width, depth);
  const std::size_t remaining = rd_.size - rd_.at;
  if (u64(outrb) * u64(height) > u64(remaining) * 64 + 65536) {
    rd_.bad = true;
    DisposeCTable(table);
    return;
  }
  std::vector<u8> pixels(std::size_t(outrb) * std::size_t(height), 0);
  std::vector<u8> row(rowbytes);
  const bool rowspacked = packed && rowbytes >= 8 && !(direct && (packtype == 1 || packtype == 2));
  // Direct pixels of four components carry their alpha: it becomes the top byte of each
  // pixel, and the map says so (four components) to the bits procedure.
  bool alpha = direct && depth == 32 && cmpcount >= 4 && packtype != 2;
  u8 seen = 0;  // every alpha byte or'ed
  auto argb = [&](u8 a, u8 r, u8 g, u8 b) {
    seen |= a;
    return (alpha ? u32(a) << 24 : 0u) | (u32(r) << 16) | (u32(g) << 8) | b;
  };
  for (i32 y = 0; y < height && !rd_.bad; ++y) {
    std::size_t inlen = rowbytes;
    if (direct && packtype == 2) inlen = std::size_t(width) * 3;
    if (rowspacked) inlen = rowbytes > 250 ? u16(rd_.i16be()) : rd_.u8be();
    const u8* in = rd_.take(inlen);
    if (!in) break;
    u8* out = pixels.data() + std::size_t(y) * outrb;
    if (direct && depth == 32 && (packtype == 2 || (rowspacked && packtype == 4))) {
      // Component rows or packed RGB triples become xrgb words.
      std::vector<u8> planes(std::size_t(width) * std::size_t(std::max<i16>(cmpcount, 3)));
      if (packtype == 2) {
        for (i32 x = 0; x < width; ++x) {
          const u32 v = (u32(in[x * 3]) << 16) | (u32(in[x * 3 + 1]) << 8) | in[x * 3 + 2];
          std::memcpy(out + std::size_t(x) * 4, &v, 4);
        }
        continue;
      }
      if (!unpackbits(in, inlen, planes.data(), planes.size(), 1)) {
        rd_.bad = true;
        break;
      }
      const std::size_t skip = cmpcount >= 4 ? std::size_t(width) : 0;
      for (i32 x = 0; x < width; ++x) {
        const std::size_t w = std::size_t(width), at = skip + std::size_t(x);
        const u32 v = argb(planes[std::size_t(x)], planes[at], planes[at + w], planes[at + 2 * w]);
        std::memcpy(out + std::size_t(x) * 4, &v, 4);
      }
      continue;
    }
    const u8* src = in;
    if (rowspacked) {
      if (!unpackbits(in, inlen, row.data(), row.size(), depth == 16 ? 2 : 1)) {
        rd_.bad = true;
        break;
      }
      src = row.data();
    }
    if (depth == 32) {
      for (i32 x = 0; x < width; ++x) {
        const u32 v = argb(src[x * 4], src[x * 4 + 1], src[x * 4 + 2], src[x * 4 + 3]);
        std::memcpy(out + std::size_t(x) * 4, &v, 4);
      }
    } else if (depth == 16) {
      for (i32 x = 0; x < width; ++x) {
        const u16 v = u16((src[x * 2] << 8) | src[x * 2 + 1]);
        std::memcpy(out + std::size_t(x) * 2, &v, 2);
      }
    } else {
      std::memcpy(out, src, std::min<std::size_t>(outrb, rowbytes));
    }
  }
  rd_.align();
  if (rd_.bad || !draw_) {
    DisposeCTable(table);
    return;
  }
  pm.baseAddr = pixels.data();
  pm.rowBytes = u16(outrb | pixmapflag);
  pm.pixelType = depth >= 16 ? rgbDirect : 0;
  // A fourth component that is zero everywhere was never filled: such pixels are opaque.
  if (alpha && seen == 0) alpha = false;
  pm.cmpCount = alpha ? 4 : depth >= 16 ? 3 : 1;
  pm.pmTable = table;
  if (!ispixmap) table = 0;
  const Rect d = maprect(dstRect);
  RgnHandle maskrgn = 0;
  if (withrgn) {
    mapregion(mask);
    maskrgn = newregionfrom(mask);
  }
  Port* p = currentport();
  const BitMap* bm = reinterpret_cast<const BitMap*>(&pm);
  if (p->procs && p->procs->bitsProc) {
    auto f = p->procs->bitsProc;
    f(bm, &srcRect, &d, mode, maskrgn);
  } else {
    StdBits(bm, &srcRect, &d, mode, maskrgn);
  }
  if (maskrgn) DisposeRgn(maskrgn);
  DisposeCTable(table);
}

SavedPort saveport(const Port& p) {
  PenState pen{p.pnLoc, p.pnSize, p.pnMode, p.pnPat};
  return SavedPort{pen,      p.bkPat,  p.fillPat, p.rgbFgColor, p.rgbBkColor, p.rgbOpColor, p.txFont,
                   p.txMode, p.txSize, p.txFace,  p.spExtra,    p.chExtra,    p.clipRgn};
}

void restoreport(Port& p, const SavedPort& s) {
  p.pnLoc = s.pen.pnLoc;
  p.pnSize = s.pen.pnSize;
  p.pnMode = s.pen.pnMode;
  p.pnPat = s.pen.pnPat;
  p.bkPat = s.bk;
  p.fillPat = s.fill;
  p.rgbFgColor = s.fg;
  p.rgbBkColor = s.bg;
  p.rgbOpColor = s.op;
  p.txFont = s.font;
  p.txMode = s.mode;
  p.txSize = s.size;
  p.txFace = s.face;
  p.spExtra = s.spextra;
  p.chExtra = s.chextra;
  p.clipRgn = s.clip;
}

}  // namespace

void DrawPicture(PicHandle pic, const Rect* dstRect) {
  Port* p = currentport();
  if (!p || !dstRect || !IsValidHandle(pic) || GetHandleSize(pic) < 12) return;
  // Play from a copy: the procedures may move or change the picture's block.
  std::vector<u8> data(deref(pic), deref(pic) + GetHandleSize(pic));
  const CGrafPtr port = qd().current;
  const SavedPort saved = saveport(*p);
  PenNormal();
  p->pnLoc = Point{0, 0};
  p->bkPat = qdwhite;
  p->fillPat = qdblack;
  p->rgbFgColor = RGBColor{0, 0, 0};
  p->rgbBkColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  p->txFont = 0;
  p->txFace = 0;
  p->txMode = srcOr;
  p->txSize = 0;
  p->spExtra = 0;
  p->chExtra = 0;
  Player player(data.data(), data.size(), *dstRect, true);
  player.run();
  if (Port* after = portof(port)) restoreport(*after, saved);
}

bool picturevalid(PicHandle pic) {
  if (!IsValidHandle(pic) || GetHandleSize(pic) < 12) return false;
  std::vector<u8> data(deref(pic), deref(pic) + GetHandleSize(pic));
  Rect frame{};
  QDGetPictureBounds(pic, &frame);
  Player player(data.data(), data.size(), frame, false);
  return player.run();
}

i16 picturedepth(PicHandle pic) {
  if (!IsValidHandle(pic) || GetHandleSize(pic) < 12) return 0;
  std::vector<u8> data(deref(pic), deref(pic) + GetHandleSize(pic));
  Rect frame{};
  QDGetPictureBounds(pic, &frame);
  Player player(data.data(), data.size(), frame, false);
  player.run();
  return player.deepest();
}

void picturesresolution(PicHandle pic, i32* hRes, i32* vRes) {
  if (hRes) *hRes = fixed72dpi;
  if (vRes) *vRes = fixed72dpi;
  if (!IsValidHandle(pic) || GetHandleSize(pic) < 40) return;
  const u8* d = deref(pic);
  if (!(d[10] == 0x00 && d[11] == 0x11 && d[12] == 0x02 && d[13] == 0xFF && d[14] == 0x0C && d[15] == 0x00)) return;
  auto rd32 = [d](int at) {
    return i32((u32(d[at]) << 24) | (u32(d[at + 1]) << 16) | (u32(d[at + 2]) << 8) | d[at + 3]);
  };
  const i16 version = i16(u16((d[16] << 8) | d[17]));
  if (version == -2) {
    if (hRes) *hRes = rd32(20);
    if (vRes) *vRes = rd32(24);
  }
}

}  // namespace kv
