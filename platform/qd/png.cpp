// PNG images of pixel maps through libpng.
#include "platform/qd/png.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "platform/qd/pixels.h"
#include "platform/qd/ports.h"

namespace kv {

namespace {

void appendbytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<u8>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void noflush(png_structp) {}

}  // namespace

namespace {

// The PNG bytes of rows of RGB bytes, three to a pixel, or RGBA bytes, four.
bool encodergb(i32 w, i32 h, const std::vector<u8>& rgb, std::vector<u8>* out, int channels = 3) {
  std::vector<png_bytep> rows(static_cast<std::size_t>(h));
  for (i32 y = 0; y < h; ++y)
    rows[std::size_t(y)] = const_cast<u8*>(rgb.data()) + std::size_t(y) * std::size_t(w) * std::size_t(channels);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    out->clear();
    return false;
  }
  png_set_write_fn(png, out, appendbytes, noflush);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8,
               channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool encodepng(const BitMap* bits, std::vector<u8>* out) {
  if (!out) return false;
  out->clear();
  Surface s = surfacefrombits(bits);
  if (!s.valid()) return false;
  const i32 w = s.width(), h = s.height();
  // Rows of RGB bytes, made before libpng starts (its errors unwind by longjmp).
  std::vector<u8> rgb(std::size_t(w) * std::size_t(h) * 3);
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) {
      const RGBColor c = pixeltorgb(s, getpixel(s, x, y));
      u8* d = rgb.data() + (std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3;
      d[0] = u8(c.red >> 8);
      d[1] = u8(c.green >> 8);
      d[2] = u8(c.blue >> 8);
    }
  return encodergb(w, h, rgb, out);
}

namespace {

// Host words as PNG bytes: red, green, blue, and with four channels the top byte as alpha.
bool encodewords(i32 width, i32 height, const u32* pixels, std::vector<u8>* out, int channels) {
  if (!out) return false;
  out->clear();
  if (width <= 0 || height <= 0 || !pixels) return false;
  const std::size_t n = std::size_t(channels);
  std::vector<u8> bytes(std::size_t(width) * std::size_t(height) * n);
  for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) {
    bytes[i * n] = u8(pixels[i] >> 16);
    bytes[i * n + 1] = u8(pixels[i] >> 8);
    bytes[i * n + 2] = u8(pixels[i]);
    if (channels == 4) bytes[i * n + 3] = u8(pixels[i] >> 24);
  }
  return encodergb(width, height, bytes, out, channels);
}

}  // namespace

bool encodexrgbpng(i32 width, i32 height, const u32* pixels, std::vector<u8>* out) {
  return encodewords(width, height, pixels, out, 3);
}

bool encodeargbpng(i32 width, i32 height, const u32* pixels, std::vector<u8>* out) {
  return encodewords(width, height, pixels, out, 4);
}

namespace {
OSErr writefile(const std::vector<u8>& bytes, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return fnfErr;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  return ok && closed ? noErr : ioErr;
}
}  // namespace

OSErr writepixmappng(PixMapHandle pm, const std::string& path) {
  PixMap rec = pixmaprecord(pm);
  rec.rowBytes |= pixmapflag;
  std::vector<u8> bytes;
  if (!encodepng(reinterpret_cast<const BitMap*>(&rec), &bytes)) return paramErr;
  return writefile(bytes, path);
}

OSErr writexrgbpng(i32 width, i32 height, const u32* pixels, const std::string& path) {
  std::vector<u8> bytes;
  if (!encodexrgbpng(width, height, pixels, &bytes)) return paramErr;
  return writefile(bytes, path);
}

OSErr writeportpng(CGrafPtr port, const std::string& path) {
  if (!IsValidPort(port)) return paramErr;
  return writepixmappng(GetPortPixMap(port), path);
}

}  // namespace kv
