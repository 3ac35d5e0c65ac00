// The two-source transitions: those FFmpeg's xfade filter draws as the effect names them, and
// our own for the rest.
#include <algorithm>

#include "platform/effects/effectsimpl.h"

namespace kv {

namespace {

constexpr OSType kCrossFade = fourcc("dslv"), kWipe = fourcc("wipe"), kPush = fourcc("push"), kSlide = fourcc("slid"),
                 kIris = fourcc("iris"), kBarn = fourcc("barn"), kZoom = fourcc("zoom"), kBlinds = fourcc("vnbl"),
                 kChecker = fourcc("chkr"), kShrink = fourcc("shrk"), kStretch = fourcc("strc"), kCut = fourcc("cut ");

u32* row(const PixelsView& v, i32 y) { return v.pixels + std::ptrdiff_t(y) * v.rowwords; }

u32 direction(const AtomList& params, u32 fallback) {
  u32 d = fallback;
  return atomvalue(findatom(params, fourcc("dirn")), &d) && d <= dirclose ? d : fallback;
}

i32 setting(const AtomList& params, OSType type, i32 fallback) {
  u32 v = 0;
  return atomvalue(findatom(params, type), &v) ? i32(std::clamp<u32>(v, 2, 64)) : fallback;
}

// The xfade transition of a kind and direction; null for the kinds drawn here.
const char* xfadename(OSType kind, u32 dir) {
  static constexpr const char* wipes[] = {"wipeleft", "wiperight", "wipeup", "wipedown"};
  static constexpr const char* pushes[] = {"slideleft", "slideright", "slideup", "slidedown"};
  if (kind == kCrossFade) return "fade";
  if (kind == kWipe) return wipes[dir <= dirdown ? dir : dirleft];
  if (kind == kPush) return pushes[dir <= dirdown ? dir : dirleft];
  if (kind == kBarn) return dir == dirclose ? "vertclose" : "vertopen";
  return nullptr;
}

// The new image's edge stands `shift` pixels in from where it starts (moving in `dir`); the old
// image stays.
void slide(const PixelsView& a, const PixelsView& b, const PixelsView& out, u32 dir, i32 shift) {
  const i32 w = out.width, h = out.height;
  for (i32 y = 0; y < h; ++y) {
    u32* ro = row(out, y);
    for (i32 x = 0; x < w; ++x) {
      i32 bx = x, by = y;
      switch (dir) {
        case dirright: bx = x + w - shift; break;
        case dirup: by = y - (h - shift); break;
        case dirdown: by = y + h - shift; break;
        default: bx = x - (w - shift); break;
      }
      const bool inb = dir == dirright ? bx < w : dir == dirup ? by >= 0 : dir == dirdown ? by < h : bx >= 0;
      ro[x] = inb ? row(b, std::clamp(by, 0, h - 1))[std::clamp(bx, 0, w - 1)] : row(a, y)[x];
    }
  }
}

// `inner` scaled into the rectangle (left, top, width, height), `outer` around it.
void scaledinto(const PixelsView& inner, const PixelsView& outer, const PixelsView& out, i32 left, i32 top, i32 width,
                i32 height) {
  for (i32 y = 0; y < out.height; ++y) {
    u32* ro = row(out, y);
    const bool rows = width > 0 && height > 0 && y >= top && y < top + height;
    const i32 sy = rows ? i32(i64(y - top) * inner.height / height) : 0;
    for (i32 x = 0; x < out.width; ++x)
      ro[x] = rows && x >= left && x < left + width ? row(inner, sy)[i64(x - left) * inner.width / width]
                                                    : row(outer, y)[x];
  }
}

// A centred circle of b that grows from nothing to the corners (a circle of a shrinking to
// nothing when `closing`).
void iris(const PixelsView& a, const PixelsView& b, const PixelsView& out, bool closing, i32 frame, i32 count) {
  const i64 w = out.width, h = out.height;
  // In doubled coordinates about the centre, so that even sizes stay exact.
  const i64 corner = w * w + h * h, part = closing ? count - frame : frame;
  for (i32 y = 0; y < out.height; ++y) {
    u32* ro = row(out, y);
    const i64 dy = 2 * y + 1 - h;
    for (i32 x = 0; x < out.width; ++x) {
      const i64 dx = 2 * x + 1 - w;
      const bool inside = (dx * dx + dy * dy) * count * count < corner * part * part;
      ro[x] = inside != closing ? row(b, y)[x] : row(a, y)[x];
    }
  }
}

// Venetian blinds and the checkerboard: each pixel of b where its cell has been filled that far.
void cells(const PixelsView& a, const PixelsView& b, const PixelsView& out, bool board, i32 n, i32 frame, i32 count) {
  const i32 w = out.width, h = out.height;
  const i32 size = board ? std::max((w + n - 1) / n, 1) : std::max((h + n - 1) / n, 1);
  for (i32 y = 0; y < h; ++y) {
    u32* ro = row(out, y);
    const i32 depth = y % size;
    for (i32 x = 0; x < w; ++x) {
      bool filled = false;
      if (!board) {
        filled = i64(depth) * count < i64(size) * frame;
      } else {
        // The first half fills the squares of one colour, the second half the others.
        const bool first = ((x / size) + (y / size)) % 2 == 0;
        const i64 reach = first ? i64(frame) * 2 : i64(frame) * 2 - count;
        filled = i64(depth) * count < i64(size) * reach;
      }
      ro[x] = filled ? row(b, y)[x] : row(a, y)[x];
    }
  }
}

// The vertical place of a band `band` high: at the top, the bottom or the centre.
i32 bandtop(u32 dir, i32 height, i32 band) {
  if (dir == dirdown) return height - band;
  if (dir == dircenter) return (height - band) / 2;
  return 0;
}

}  // namespace

bool knowntransition(OSType kind) {
  for (OSType k : {kCrossFade, kWipe, kPush, kSlide, kIris, kBarn, kZoom, kBlinds, kChecker, kShrink, kStretch, kCut})
    if (kind == k) return true;
  return false;
}

bool cuttransition(OSType kind) { return kind == kCut; }

bool transitionframe(OSType kind, const AtomList& params, const PixelsView& a, const PixelsView& b,
                     const PixelsView& out, i32 frame, i32 count) {
  if (!knowntransition(kind)) return false;
  if (!a.pixels || !b.pixels || !out.pixels || out.width <= 0 || out.height <= 0) return true;
  count = std::max(count, 1);
  frame = std::clamp(frame, 0, count);
  const i32 w = out.width, h = out.height;
  if (frame == 0 || frame == count) {
    // The ends are the images themselves (xfade's wipes leave an edge column of the old one).
    const PixelsView& end = frame == 0 ? a : b;
    for (i32 y = 0; y < h; ++y) std::copy_n(row(end, y), w, row(out, y));
    if (frame == count) xfadedone();
    return true;
  }
  const u32 dir = direction(params, kind == kShrink || kind == kStretch               ? dirup
                                    : kind == kIris || kind == kZoom || kind == kBarn ? diropen
                                                                                      : dirleft);
  if (const char* name = xfadename(kind, dir)) return xfadeframe(name, a, b, out, frame, count);
  const i32 cw = i32(i64(w) * frame / count), ch = i32(i64(h) * frame / count);
  switch (kind) {
    case kSlide: slide(a, b, out, dir, dir == dirup || dir == dirdown ? ch : cw); break;
    case kIris: iris(a, b, out, dir == dirclose, frame, count); break;
    case kZoom:
      if (dir == dirclose) {
        scaledinto(a, b, out, cw / 2, ch / 2, w - cw, h - ch);
      } else {
        scaledinto(b, a, out, (w - cw) / 2, (h - ch) / 2, cw, ch);
      }
      break;
    case kBlinds: cells(a, b, out, false, setting(params, fourcc("bnds"), 8), frame, count); break;
    case kChecker: cells(a, b, out, true, setting(params, fourcc("sqrs"), 8), frame, count); break;
    case kShrink: scaledinto(a, b, out, 0, bandtop(dir, h, h - ch), w, h - ch); break;
    case kStretch: scaledinto(b, a, out, 0, bandtop(dir, h, ch), w, ch); break;
    default: scaledinto(b, a, out, 0, 0, w, h); break;  // a cut: the new image
  }
  return true;
}

void transitiondone() { xfadedone(); }

}  // namespace kv
