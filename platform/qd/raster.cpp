// Transfer modes and pattern fills.
#include "platform/qd/raster.h"

#include <algorithm>

namespace kv {

namespace {

template <class F>
RGBColor perchannel(const RGBColor& a, const RGBColor& b, const RGBColor& op, F f) {
  return RGBColor{f(a.red, b.red, op.red), f(a.green, b.green, op.green), f(a.blue, b.blue, op.blue)};
}

RGBColor notcolor(const RGBColor& c) { return RGBColor{u16(~c.red), u16(~c.green), u16(~c.blue)}; }

}  // namespace

bool isbooleanmode(i16 mode) { return mode >= 0 && mode < 16; }

i16 effectivemode(i16 mode, i16 dstdepth) {
  mode = i16(mode & ~ditherCopy);
  if (mode >= patCopy && mode <= notPatBic) mode = i16(mode - patCopy);
  if (mode == grayishTextOr) mode = srcOr;
  if (dstdepth == 1) {
    switch (mode) {
      case blend: return srcCopy;
      case addPin: return srcBic;
      case addOver: return srcXor;
      case subPin: return srcOr;
      case transparent: return srcOr;
      case addMax: return srcBic;
      case subOver: return srcXor;
      case adMin: return srcOr;
      case hilite: return srcXor;
      default: break;
    }
  }
  if ((mode >= 0 && mode <= notSrcBic) || (mode >= blend && mode <= adMin) || mode == hilite) return mode;
  return srcCopy;
}

RGBColor colorize(const RGBColor& src, const DrawColors& c) {
  if (c.fg == RGBColor{0, 0, 0} && iswhite(c.bg)) return src;
  auto mix = [](u16 s, u16 fg, u16 bg) { return u16((u32(fg) * (65535u - s) + u32(bg) * s) / 65535u); };
  return RGBColor{mix(src.red, c.fg.red, c.bg.red), mix(src.green, c.fg.green, c.bg.green),
                  mix(src.blue, c.fg.blue, c.bg.blue)};
}

Compositor::Compositor(const Surface& dst, i16 mode, const DrawColors& colors)
    : dst_(&dst), mode_(effectivemode(mode, dst.depth)), colors_(colors), matcher_(dst), mask_(pixelmask(dst.depth)) {
  const u32 fgpix = matcher_.match(colors.fg);
  bgpix_ = matcher_.match(colors.bg);
  hilitepix_ = matcher_.match(colors.hilite);
  using A = Action;
  // What a black (1) and a white (0) source bit do in each Boolean mode.
  switch (mode_) {
    case srcCopy:
      bitaction_[1] = {A::set, fgpix};
      bitaction_[0] = {A::set, bgpix_};
      break;
    case srcOr:
      bitaction_[1] = {A::set, fgpix};
      bitaction_[0] = {A::leave, 0};
      break;
    case srcXor:
      bitaction_[1] = {A::invert, 0};
      bitaction_[0] = {A::leave, 0};
      break;
    case srcBic:
      bitaction_[1] = {A::set, bgpix_};
      bitaction_[0] = {A::leave, 0};
      break;
    case notSrcCopy:
      bitaction_[0] = {A::set, fgpix};
      bitaction_[1] = {A::set, bgpix_};
      break;
    case notSrcOr:
      bitaction_[0] = {A::set, fgpix};
      bitaction_[1] = {A::leave, 0};
      break;
    case notSrcXor:
      bitaction_[0] = {A::invert, 0};
      bitaction_[1] = {A::leave, 0};
      break;
    case notSrcBic:
      bitaction_[0] = {A::set, bgpix_};
      bitaction_[1] = {A::leave, 0};
      break;
    case transparent:
      // The background colour is what stays transparent.
      bitaction_[0] = {A::leave, 0};
      bitaction_[1] = colors.fg == colors.bg ? A{A::leave, 0} : A{A::set, fgpix};
      break;
    case hilite:
      bitaction_[0] = {A::leave, 0};
      bitaction_[1] = {A::general, 0};
      break;
    default:
      bitaction_[0] = {A::general, 0};
      bitaction_[1] = {A::general, 0};
      break;
  }
}

RGBColor Compositor::arith(const RGBColor& s, const RGBColor& d) const {
  switch (mode_) {
    case blend:
      return perchannel(s, d, colors_.op,
                        [](u16 a, u16 b, u16 w) { return u16((u32(a) * w + u32(b) * (65535u - w)) / 65535u); });
    case addPin:
      return perchannel(s, d, colors_.op, [](u16 a, u16 b, u16 p) { return u16(std::min<i32>(i32(a) + b, p)); });
    case addOver: return perchannel(s, d, colors_.op, [](u16 a, u16 b, u16) { return u16(a + b); });
    case subPin:
      return perchannel(s, d, colors_.op, [](u16 a, u16 b, u16 p) { return u16(std::max<i32>(i32(b) - a, p)); });
    case subOver: return perchannel(s, d, colors_.op, [](u16 a, u16 b, u16) { return u16(b - a); });
    case addMax: return perchannel(s, d, colors_.op, [](u16 a, u16 b, u16) { return std::max(a, b); });
    case adMin: return perchannel(s, d, colors_.op, [](u16 a, u16 b, u16) { return std::min(a, b); });
    default: return s;
  }
}

void Compositor::putcolor(i32 x, i32 y, const RGBColor& src) {
  switch (mode_) {
    case srcCopy: setpixel(*dst_, x, y, matcher_.match(colorize(src, colors_))); return;
    case notSrcCopy: setpixel(*dst_, x, y, matcher_.match(colorize(notcolor(src), colors_))); return;
    case srcOr:
    case notSrcOr: {
      RGBColor s = mode_ == srcOr ? src : notcolor(src);
      if (!iswhite(s)) setpixel(*dst_, x, y, matcher_.match(colorize(s, colors_)));
      return;
    }
    case srcXor:
    case notSrcXor: {
      RGBColor s = mode_ == srcXor ? src : notcolor(src);
      if (!iswhite(s)) setpixel(*dst_, x, y, getpixel(*dst_, x, y) ^ mask_);
      return;
    }
    case srcBic:
    case notSrcBic: {
      RGBColor s = mode_ == srcBic ? src : notcolor(src);
      if (!iswhite(s)) setpixel(*dst_, x, y, bgpix_);
      return;
    }
    case transparent:
      if (!(src == colors_.bg)) setpixel(*dst_, x, y, matcher_.match(src));
      return;
    case hilite: {
      if (iswhite(src)) return;
      u32 d = getpixel(*dst_, x, y);
      if (d == bgpix_) setpixel(*dst_, x, y, hilitepix_);
      else if (d == hilitepix_) setpixel(*dst_, x, y, bgpix_);
      return;
    }
    default: {
      RGBColor d = pixeltorgb(*dst_, getpixel(*dst_, x, y));
      setpixel(*dst_, x, y, matcher_.match(arith(src, d)));
    }
  }
}

void Compositor::putcoverage(i32 x, i32 y, u8 coverage) {
  if (coverage == 0) return;
  if (coverage == 255 || isbooleanmode(mode_) || mode_ == hilite) {
    putbit(x, y, true);
    return;
  }
  RGBColor d = pixeltorgb(*dst_, getpixel(*dst_, x, y));
  RGBColor full = mode_ == transparent ? colors_.fg : arith(colors_.fg, d);
  auto mix = [coverage](u16 a, u16 b) { return u16((u32(a) * coverage + u32(b) * (255u - coverage)) / 255u); };
  setpixel(*dst_, x, y,
           matcher_.match(RGBColor{mix(full.red, d.red), mix(full.green, d.green), mix(full.blue, d.blue)}));
}

void Compositor::putbitrun(i32 x0, i32 x1, i32 y, bool black) {
  const Action& a = bitaction_[black ? 1 : 0];
  if (a.kind == Action::leave) return;
  if (a.kind == Action::set && dst_->depth == 32) {
    u32* row = reinterpret_cast<u32*>(dst_->base + std::ptrdiff_t(y) * dst_->rowbytes);
    std::fill(row + x0, row + x1, a.pixel);
    return;
  }
  if (a.kind == Action::set && dst_->depth == 8) {
    u8* row = dst_->base + std::ptrdiff_t(y) * dst_->rowbytes;
    std::fill(row + x0, row + x1, u8(a.pixel));
    return;
  }
  for (i32 x = x0; x < x1; ++x) putbit(x, y, black);
}

void fillpattern(const Surface& s, const RegionData& pixels, const Pattern& pat, i16 mode, const DrawColors& colors) {
  if (!s.valid() || pixels.empty()) return;
  Compositor comp(s, mode, colors);
  int n = 0;
  const pixman_box32_t* b = pixels.boxes(&n);
  for (int i = 0; i < n; ++i) {
    const i32 x1 = std::max<i32>(b[i].x1, 0), x2 = std::min<i32>(b[i].x2, s.width());
    const i32 y1 = std::max<i32>(b[i].y1, 0), y2 = std::min<i32>(b[i].y2, s.height());
    for (i32 y = y1; y < y2; ++y) {
      const u8 row = pat.pat[y & 7];
      if (row == 0xFF || row == 0x00) {
        comp.putbitrun(x1, x2, y, row == 0xFF);
        continue;
      }
      for (i32 x = x1; x < x2; ++x) comp.putbit(x, y, (row >> (7 - (x & 7))) & 1);
    }
  }
}

void invertpixels(const Surface& s, const RegionData& pixels, bool hiliting, const DrawColors& colors) {
  if (!s.valid() || pixels.empty()) return;
  Compositor comp(s, hiliting ? i16(hilite) : i16(srcXor), colors);
  int n = 0;
  const pixman_box32_t* b = pixels.boxes(&n);
  for (int i = 0; i < n; ++i) {
    const i32 x1 = std::max<i32>(b[i].x1, 0), x2 = std::min<i32>(b[i].x2, s.width());
    const i32 y1 = std::max<i32>(b[i].y1, 0), y2 = std::min<i32>(b[i].y2, s.height());
    for (i32 y = y1; y < y2; ++y)
      for (i32 x = x1; x < x2; ++x) comp.putbit(x, y, true);
  }
}

}  // namespace kv
