// Icon families: 'icns' data decoded member by member into images with alpha.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/qd/colors.h"
#include "platform/qd/iconimpl.h"
#include "platform/qd/imagefiles.h"

namespace kv {

namespace {

constexpr std::size_t kHeader = 8;  // a four-character code and a big-endian length

u32 be32(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | u32(p[3]); }

enum class Form { bits1, bits8, rle32, mask8, image };
struct MemberKind {
  OSType type;
  Form form;
  i32 width, height;
};
constexpr MemberKind kKinds[] = {
    {fourcc("icm#"), Form::bits1, 16, 12}, {fourcc("ics#"), Form::bits1, 16, 16},
    {fourcc("ICN#"), Form::bits1, 32, 32}, {fourcc("ich#"), Form::bits1, 48, 48},
    {fourcc("icm8"), Form::bits8, 16, 12}, {fourcc("ics8"), Form::bits8, 16, 16},
    {fourcc("icl8"), Form::bits8, 32, 32}, {fourcc("ich8"), Form::bits8, 48, 48},
    {fourcc("is32"), Form::rle32, 16, 16}, {fourcc("il32"), Form::rle32, 32, 32},
    {fourcc("ih32"), Form::rle32, 48, 48}, {fourcc("it32"), Form::rle32, 128, 128},
    {fourcc("s8mk"), Form::mask8, 16, 16}, {fourcc("l8mk"), Form::mask8, 32, 32},
    {fourcc("h8mk"), Form::mask8, 48, 48}, {fourcc("t8mk"), Form::mask8, 128, 128},
    {fourcc("icp4"), Form::image, 0, 0},   {fourcc("icp5"), Form::image, 0, 0},
    {fourcc("icp6"), Form::image, 0, 0},   {fourcc("ic07"), Form::image, 0, 0},
    {fourcc("ic08"), Form::image, 0, 0},   {fourcc("ic09"), Form::image, 0, 0},
    {fourcc("ic10"), Form::image, 0, 0},   {fourcc("ic11"), Form::image, 0, 0},
    {fourcc("ic12"), Form::image, 0, 0},   {fourcc("ic13"), Form::image, 0, 0},
    {fourcc("ic14"), Form::image, 0, 0},
};

const MemberKind* kindof(OSType type) {
  for (const MemberKind& k : kKinds)
    if (k.type == type) return &k;
  return nullptr;
}

struct Member {
  const MemberKind* kind;
  const u8* data;
  std::size_t size;
};

// The alpha of pixel i of a 1-bit mask of the given width (rows of width / 8 bytes).
u8 bit(const u8* bits, i32 width, i32 x, i32 y) {
  const u8 byte = bits[std::size_t(y) * std::size_t(width / 8) + std::size_t(x / 8)];
  return (byte >> (7 - (x & 7))) & 1 ? 255 : 0;
}

// The 1-bit mask of a size (the second half of its 1-bit member), or null.
const u8* onebitmask(const std::vector<Member>& members, i32 w, i32 h) {
  for (const Member& m : members) {
    const std::size_t half = std::size_t(w / 8) * std::size_t(h);
    if (m.kind->form == Form::bits1 && m.kind->width == w && m.kind->height == h && m.size >= 2 * half)
      return m.data + half;
  }
  return nullptr;
}

// The 8-bit mask of a size, or null.
const u8* eightbitmask(const std::vector<Member>& members, i32 w, i32 h) {
  for (const Member& m : members)
    if (m.kind->form == Form::mask8 && m.kind->width == w && m.kind->height == h &&
        m.size >= std::size_t(w) * std::size_t(h))
      return m.data;
  return nullptr;
}

// Fills the alpha of an image from an 8-bit mask, else a 1-bit mask of its size; opaque
// without either.
void setalpha(IconImage* img, const std::vector<Member>& members, bool eightbit) {
  const u8* m8 = eightbit ? eightbitmask(members, img->width, img->height) : nullptr;
  const u8* m1 = m8 ? nullptr : onebitmask(members, img->width, img->height);
  for (i32 y = 0; y < img->height; ++y)
    for (i32 x = 0; x < img->width; ++x) {
      const std::size_t i = std::size_t(y) * std::size_t(img->width) + std::size_t(x);
      const u32 a = m8 ? m8[i] : m1 ? bit(m1, img->width, x, y) : 255;
      img->argb[i] = (img->argb[i] & 0xFFFFFF) | a << 24;
    }
}

bool decodebits1(const Member& m, IconImage* img) {
  const std::size_t half = std::size_t(img->width / 8) * std::size_t(img->height);
  if (m.size < 2 * half) return false;
  for (i32 y = 0; y < img->height; ++y)
    for (i32 x = 0; x < img->width; ++x)
      img->argb[std::size_t(y) * std::size_t(img->width) + std::size_t(x)] =
          u32(bit(m.data + half, img->width, x, y)) << 24 | (bit(m.data, img->width, x, y) ? 0x000000u : 0xFFFFFFu);
  return true;
}

bool decodebits8(const Member& m, IconImage* img) {
  const std::size_t n = std::size_t(img->width) * std::size_t(img->height);
  if (m.size < n) return false;
  CTabHandle table = GetCTable(8);
  u32 colours[256];
  for (i32 i = 0; i < 256; ++i) {
    RGBColor c{0, 0, 0};
    ctableentry(table, i, &c);
    colours[i] = u32(c.red >> 8) << 16 | u32(c.green >> 8) << 8 | u32(c.blue >> 8);
  }
  DisposeCTable(table);
  for (std::size_t i = 0; i < n; ++i) img->argb[i] = colours[m.data[i]];
  return true;
}

// Three channels, each run-length coded on its own: a byte below 0x80 copies that many plus
// one bytes, one of 0x80 or above repeats the next byte (that value less 125) times.
bool decoderle32(const Member& m, IconImage* img) {
  const u8* p = m.data;
  std::size_t size = m.size;
  if (m.kind->type == fourcc("it32")) {
    if (size < 4) return false;
    p += 4;
    size -= 4;
  }
  const std::size_t n = std::size_t(img->width) * std::size_t(img->height);
  std::size_t at = 0;
  for (int channel = 0; channel < 3; ++channel) {
    const int shift = 16 - 8 * channel;
    std::size_t done = 0;
    while (done < n) {
      if (at >= size) return false;
      const u8 b = p[at++];
      if (b & 0x80) {
        if (at >= size) return false;
        const u8 v = p[at++];
        for (std::size_t k = std::min<std::size_t>(b - 125u, n - done); k > 0; --k)
          img->argb[done++] |= u32(v) << shift;
      } else {
        const std::size_t count = std::min<std::size_t>(b + 1u, n - done);
        if (size - at < count) return false;
        for (std::size_t k = 0; k < count; ++k) img->argb[done++] |= u32(p[at++]) << shift;
      }
    }
  }
  return true;
}

bool decodeimagemember(const Member& m, IconImage* img) {
  if (imagekindof(m.data, m.size) == ImageKind::png) {
    i32 w = 0, h = 0;
    if (!imageheadersize(m.data, m.size, &w, &h) || w > kMaxIconSide || h > kMaxIconSide) return false;
    DecodedImage d;
    std::string error;
    if (!decodepngalpha(m.data, m.size, &d, &error)) return false;
    img->width = d.width;
    img->height = d.height;
    img->argb = std::move(d.pixels);
    return true;
  }
  return decodejpeg2000(m.data, m.size, img);
}

bool decodemember(const Member& m, const std::vector<Member>& members, IconImage* img) {
  img->width = m.kind->width;
  img->height = m.kind->height;
  img->argb.assign(std::size_t(img->width) * std::size_t(img->height), 0);
  switch (m.kind->form) {
    case Form::bits1: img->depth = 1; return decodebits1(m, img);
    case Form::bits8:
      img->depth = 8;
      if (!decodebits8(m, img)) return false;
      setalpha(img, members, false);
      return true;
    case Form::rle32:
      img->depth = 32;
      if (!decoderle32(m, img)) return false;
      setalpha(img, members, true);
      return true;
    case Form::image: img->depth = 32; return decodeimagemember(m, img) && img->width > 0 && img->height > 0;
    case Form::mask8: return false;
  }
  return false;
}

}  // namespace

bool decodeiconfamily(const u8* data, std::size_t size, IconFamily* out) {
  *out = IconFamily{};
  if (data == nullptr || size < kHeader || be32(data) != fourcc("icns")) return false;
  const u32 total = be32(data + 4);
  if (total < kHeader || total > size) return false;
  std::vector<Member> members;
  for (std::size_t at = kHeader; total - at >= kHeader;) {
    const u32 length = be32(data + at + 4);
    if (length < kHeader || length > total - at) break;
    if (const MemberKind* k = kindof(be32(data + at)))
      members.push_back(Member{k, data + at + kHeader, length - kHeader});
    at += length;
  }
  for (const Member& m : members) {
    IconImage img;
    if (!decodemember(m, members, &img)) continue;
    // One image a size: the deeper member wins.
    auto same = std::find_if(out->members.begin(), out->members.end(),
                             [&](const IconImage& o) { return o.width == img.width && o.height == img.height; });
    if (same == out->members.end()) out->members.push_back(std::move(img));
    else if (img.depth > same->depth) *same = std::move(img);
  }
  return true;
}

const IconImage* bestmember(const IconFamily& family, i32 side) {
  const IconImage* best = nullptr;
  auto larger = [](const IconImage& a) { return std::max(a.width, a.height); };
  for (const IconImage& m : family.members) {
    if (best == nullptr) {
      best = &m;
      continue;
    }
    const i32 a = larger(m), b = larger(*best);
    const bool fits = a >= side, bestfits = b >= side;
    if (fits != bestfits) {
      if (fits) best = &m;
    } else if (a != b) {
      if (fits ? a < b : a > b) best = &m;
    } else if (m.depth > best->depth) {
      best = &m;
    }
  }
  return best;
}

}  // namespace kv
