// The one-source filters.
#include <pixman.h>

#include <algorithm>
#include <vector>

#include "platform/effects/effects.h"

namespace kv {

namespace {

// Convolves the pixels with a kernel through pixman (edges repeat the border pixels); the
// bias is added to every channel (the grey of an emboss).
void convolve(const PixelsView& v, i32 size, const std::vector<double>& kernel, i32 bias) {
  std::vector<u32> copy(std::size_t(v.rowwords) * std::size_t(v.height));
  for (i32 y = 0; y < v.height; ++y)
    std::copy_n(v.pixels + std::ptrdiff_t(y) * v.rowwords, v.width, copy.data() + std::ptrdiff_t(y) * v.rowwords);
  std::vector<pixman_fixed_t> params{pixman_int_to_fixed(size), pixman_int_to_fixed(size)};
  for (double k : kernel) params.push_back(pixman_double_to_fixed(k));
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, v.width, v.height, copy.data(), v.rowwords * 4);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, v.width, v.height, v.pixels, v.rowwords * 4);
  if (src && dst) {
    pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
    pixman_image_set_filter(src, PIXMAN_FILTER_CONVOLUTION, params.data(), int(params.size()));
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, v.width, v.height);
  }
  if (src) pixman_image_unref(src);
  if (dst) pixman_image_unref(dst);
  // The top byte is kept as it was; the bias lifts the channels.
  for (i32 y = 0; y < v.height; ++y)
    for (i32 x = 0; x < v.width; ++x) {
      const std::size_t at = std::size_t(y) * std::size_t(v.rowwords) + std::size_t(x);
      u32 p = (v.pixels[at] & 0xFFFFFF) | (copy[at] & 0xFF000000);
      if (bias != 0) {
        u32 out = p & 0xFF000000;
        for (int s = 0; s < 24; s += 8) out |= u32(std::clamp<i32>(i32((p >> s) & 0xFF) + bias, 0, 255)) << s;
        p = out;
      }
      v.pixels[at] = p;
    }
}

template <class F>
void eachpixel(const PixelsView& v, F f) {
  for (i32 y = 0; y < v.height; ++y)
    for (i32 x = 0; x < v.width; ++x) {
      u32& p = v.pixels[std::ptrdiff_t(y) * v.rowwords + x];
      i32 c[3] = {i32((p >> 16) & 0xFF), i32((p >> 8) & 0xFF), i32(p & 0xFF)};
      f(c);
      p = (p & 0xFF000000) | (u32(std::clamp(c[0], 0, 255)) << 16) | (u32(std::clamp(c[1], 0, 255)) << 8) |
          u32(std::clamp(c[2], 0, 255));
    }
}

i32 signedparam(const AtomList& params, OSType type, i32 low, i32 high) {
  u32 v = 0;
  return atomvalue(findatom(params, type), &v) ? std::clamp(i32(v), low, high) : 0;
}

void blur(const AtomList& params, const PixelsView& v) {
  u32 radius = 1;
  atomvalue(findatom(params, fourcc("radi")), &radius);
  const i32 size = 2 * i32(std::clamp<u32>(radius, 1, 8)) + 1;
  convolve(v, size, std::vector<double>(std::size_t(size * size), 1.0 / double(size * size)), 0);
}

void tint(const AtomList& params, const PixelsView& v) {
  i32 colour[3] = {0x70, 0x42, 0x14};
  if (const Atom* a = findatom(params, fourcc("tint")); a && a->children == 0 && a->bytes.size() >= 6)
    for (int i = 0; i < 3; ++i) colour[i] = a->bytes[std::size_t(2 * i)];
  // The pixel's brightness carries the tint: black stays black, white stays white.
  eachpixel(v, [&](i32* c) {
    const i32 y = (c[0] * 30 + c[1] * 59 + c[2] * 11) / 100;
    for (int i = 0; i < 3; ++i) c[i] = y < 128 ? colour[i] * y / 128 : colour[i] + (255 - colour[i]) * (y - 128) / 127;
  });
}

void brightnesscontrast(const AtomList& params, const PixelsView& v) {
  const i32 brightness = signedparam(params, fourcc("brit"), -100, 100);
  const i32 contrast = signedparam(params, fourcc("cont"), -100, 100);
  eachpixel(v, [&](i32* c) {
    for (int i = 0; i < 3; ++i) c[i] = (c[i] - 128) * (100 + contrast) / 100 + 128 + brightness * 255 / 100;
  });
}

}  // namespace

bool knownfilter(OSType kind) {
  for (OSType k : {fourcc("blur"), fourcc("shrp"), fourcc("embs"), fourcc("edge"), fourcc("tint"), fourcc("brco")})
    if (kind == k) return true;
  return false;
}

bool applyfilter(OSType kind, const AtomList& params, const PixelsView& v) {
  if (!v.pixels || v.width <= 0 || v.height <= 0) return knownfilter(kind);
  switch (kind) {
    case fourcc("blur"): blur(params, v); return true;
    case fourcc("shrp"): convolve(v, 3, {0, -1, 0, -1, 5, -1, 0, -1, 0}, 0); return true;
    case fourcc("embs"): convolve(v, 3, {-1, -1, 0, -1, 0, 1, 0, 1, 1}, 128); return true;
    case fourcc("edge"): convolve(v, 3, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 0); return true;
    case fourcc("tint"): tint(params, v); return true;
    case fourcc("brco"): brightnesscontrast(params, v); return true;
    default: return false;
  }
}

}  // namespace kv
