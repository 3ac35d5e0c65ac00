#include "platform/testing/testimages.h"

#include <png.h>

#include <algorithm>
#include <map>

namespace kv {

namespace {

struct Writer {
  std::vector<u8> out;
  void byte(u32 v) { out.push_back(u8(v)); }
  void le16(u32 v) { byte(v), byte(v >> 8); }
  void le32(u32 v) { le16(v), le16(v >> 16); }
  void be16(u32 v) { byte(v >> 8), byte(v); }
  void be32(u32 v) { be16(v >> 16), be16(v); }
  void text(const char* s) {
    while (*s) byte(u8(*s++));
  }
  void zeros(std::size_t n) { out.insert(out.end(), n, 0); }
  // Blue, green, red of each pixel of a row, the rows from the bottom, each padded to `align`.
  void bgrrowsupward(const DecodedImage& im, std::size_t align) {
    for (i32 y = im.height - 1; y >= 0; --y) {
      std::size_t start = out.size();
      for (i32 x = 0; x < im.width; ++x) {
        u32 p = im.pixels[std::size_t(y) * std::size_t(im.width) + std::size_t(x)];
        byte(p), byte(p >> 8), byte(p >> 16);
      }
      while ((out.size() - start) % align != 0) byte(0);
    }
  }
};

std::vector<u8> tiff(const DecodedImage& im) {
  Writer w;
  const u32 entries = 9, bitsat = 8 + 2 + entries * 12 + 4, pixelsat = bitsat + 6;
  w.text("II*");
  w.byte(0);
  w.le32(8);
  w.le16(entries);
  auto entry = [&w](u32 tag, u32 type, u32 count, u32 value) {
    w.le16(tag), w.le16(type), w.le32(count), w.le32(value);
  };
  entry(256, 4, 1, u32(im.width));
  entry(257, 4, 1, u32(im.height));
  entry(258, 3, 3, bitsat);
  entry(259, 3, 1, 1);  // no compression
  entry(262, 3, 1, 2);  // RGB
  entry(273, 4, 1, pixelsat);
  entry(277, 3, 1, 3);               // samples per pixel
  entry(278, 4, 1, u32(im.height));  // one strip
  entry(279, 4, 1, u32(im.pixels.size() * 3));
  w.le32(0);
  w.le16(8), w.le16(8), w.le16(8);
  for (u32 p : im.pixels) w.byte(p >> 16), w.byte(p >> 8), w.byte(p);
  return w.out;
}

// A GIF with an 8-bit palette whose codes are all 9-bit literals: a clear code every 100 pixels
// keeps the decoder's table from growing past 9 bits.
std::vector<u8> gif(const DecodedImage& im) {
  std::map<u32, u32> index;
  std::vector<u32> palette;
  for (u32 p : im.pixels)
    if (index.emplace(p, u32(palette.size())).second) palette.push_back(p);
  if (palette.size() > 256) return {};
  palette.resize(256, 0);
  Writer w;
  w.text("GIF89a");
  w.le16(u32(im.width)), w.le16(u32(im.height));
  w.byte(0xF7), w.byte(0), w.byte(0);  // a global table of 256 colours
  for (u32 p : palette) w.byte(p >> 16), w.byte(p >> 8), w.byte(p);
  w.byte(0x2C);
  w.le16(0), w.le16(0), w.le16(u32(im.width)), w.le16(u32(im.height));
  w.byte(0);
  w.byte(8);  // the smallest code size
  std::vector<u8> codes;
  u32 acc = 0, bits = 0;
  auto code = [&](u32 c) {
    acc |= c << bits;
    for (bits += 9; bits >= 8; bits -= 8, acc >>= 8) codes.push_back(u8(acc));
  };
  for (std::size_t i = 0; i < im.pixels.size(); ++i) {
    if (i % 100 == 0) code(256);
    code(index[im.pixels[i]]);
  }
  code(257);
  if (bits > 0) codes.push_back(u8(acc));
  for (std::size_t at = 0; at < codes.size(); at += 255) {
    std::size_t n = std::min<std::size_t>(255, codes.size() - at);
    w.byte(u32(n));
    w.out.insert(w.out.end(), codes.begin() + long(at), codes.begin() + long(at + n));
  }
  w.byte(0);
  w.byte(0x3B);
  return w.out;
}

std::vector<u8> bmp(const DecodedImage& im) {
  std::size_t row = (std::size_t(im.width) * 3 + 3) & ~std::size_t(3);
  u32 datasize = u32(row * std::size_t(im.height));
  Writer w;
  w.text("BM");
  w.le32(54 + datasize), w.le32(0), w.le32(54);
  w.le32(40), w.le32(u32(im.width)), w.le32(u32(im.height));
  w.le16(1), w.le16(24);
  w.le32(0), w.le32(datasize), w.le32(2835), w.le32(2835), w.le32(0), w.le32(0);
  w.bgrrowsupward(im, 4);
  return w.out;
}

std::vector<u8> tga(const DecodedImage& im) {
  Writer w;
  w.byte(0), w.byte(0), w.byte(2);  // no id, no colour map, true colour
  w.zeros(5);
  w.le16(0), w.le16(0), w.le16(u32(im.width)), w.le16(u32(im.height));
  w.byte(24), w.byte(0);  // rows from the bottom
  w.bgrrowsupward(im, 1);
  return w.out;
}

std::vector<u8> psd(const DecodedImage& im) {
  Writer w;
  w.text("8BPS");
  w.be16(1);
  w.zeros(6);
  w.be16(3), w.be32(u32(im.height)), w.be32(u32(im.width)), w.be16(8), w.be16(3);
  w.be32(0), w.be32(0), w.be32(0);  // no colour data, resources or layers
  w.be16(0);                        // raw channels, one plane after the other
  for (int shift = 16; shift >= 0; shift -= 8)
    for (u32 p : im.pixels) w.byte(p >> shift);
  return w.out;
}

// PackBits of one row: runs of three or more equal bytes repeated, the rest literal.
void packbits(const u8* row, std::size_t n, Writer& w) {
  std::size_t at = 0;
  while (at < n) {
    std::size_t run = 1;
    while (at + run < n && run < 128 && row[at + run] == row[at]) ++run;
    if (run >= 3) {
      w.byte(u32(257 - run));
      w.byte(row[at]);
      at += run;
      continue;
    }
    std::size_t lit = 0;
    while (at + lit < n && lit < 128 &&
           !(at + lit + 2 < n && row[at + lit] == row[at + lit + 1] && row[at + lit] == row[at + lit + 2]))
      ++lit;
    w.byte(u32(lit - 1));
    w.out.insert(w.out.end(), row + at, row + at + lit);
    at += lit;
  }
}

std::vector<u8> macpaint(const DecodedImage& im) {
  Writer w;
  w.zeros(512);
  u8 row[72];
  for (i32 y = 0; y < 720; ++y) {
    std::fill(std::begin(row), std::end(row), 0);
    for (i32 x = 0; x < 576 && y < im.height && x < im.width; ++x)
      if (im.pixels[std::size_t(y) * std::size_t(im.width) + std::size_t(x)] != 0xFFFFFF)
        row[x >> 3] |= u8(0x80 >> (x & 7));
    packbits(row, sizeof row, w);
  }
  return w.out;
}

// An 8-bit indexed PNG of the image's colours, in order of first appearance; empty for more
// than 256 colours.
std::vector<u8> indexedpng(const DecodedImage& im) {
  std::vector<u32> colours;
  std::map<u32, u8> index;
  std::vector<u8> indexes;
  for (u32 p : im.pixels) {
    auto it = index.find(p & 0xFFFFFF);
    if (it == index.end()) {
      if (colours.size() == 256) return {};
      it = index.emplace(p & 0xFFFFFF, u8(colours.size())).first;
      colours.push_back(p & 0xFFFFFF);
    }
    indexes.push_back(it->second);
  }
  std::vector<u8> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<u8>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, png_uint_32(im.width), png_uint_32(im.height), 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> plte;
  for (u32 c : colours) plte.push_back(png_color{png_byte(c >> 16), png_byte(c >> 8), png_byte(c)});
  png_set_PLTE(png, info, plte.data(), int(plte.size()));
  png_write_info(png, info);
  for (i32 y = 0; y < im.height; ++y) png_write_row(png, &indexes[std::size_t(y) * std::size_t(im.width)]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

std::vector<u8> testimagefile(TestImageFormat format, const DecodedImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height))
    return {};
  std::vector<u8> out;
  switch (format) {
    case TestImageFormat::png:
      if (!encodeimagepng(image, &out)) out.clear();
      return out;
    case TestImageFormat::pngpalette: return indexedpng(image);
    case TestImageFormat::jpeg:
      if (!encodeimagejpeg(image, &out)) out.clear();
      return out;
    case TestImageFormat::tiff: return tiff(image);
    case TestImageFormat::gif: return gif(image);
    case TestImageFormat::bmp: return bmp(image);
    case TestImageFormat::tga: return tga(image);
    case TestImageFormat::psd: return psd(image);
    case TestImageFormat::macpaint: return macpaint(image);
  }
  return out;
}

DecodedImage rampimage(i32 w, i32 h, u32 step) {
  DecodedImage im;
  im.width = w;
  im.height = h;
  for (i32 i = 0; i < w * h; ++i) im.pixels.push_back(u32(i) * step);
  return im;
}

}  // namespace kv
