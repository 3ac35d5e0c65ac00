#include "platform/qd/imagefiles.h"

// clang-format off
#include <cstdio>
#include <csetjmp>
#include <png.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <gif_lib.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictformat.h"
#include "platform/qd/pictures.h"
#include "platform/qd/png.h"
#include "platform/qd/ports.h"

namespace kv {

namespace {

constexpr i64 kMaxSide = 16384;
constexpr i64 kMaxPixels = 16777216;

bool sizeok(i64 w, i64 h, std::string* error) {
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) {
    *error = "the image's size is out of range";
    return false;
  }
  return true;
}

u32 xrgb(u32 r, u32 g, u32 b) { return (r & 255) << 16 | (g & 255) << 8 | (b & 255); }

// --- PNG -------------------------------------------------------------------------------------

struct MemoryReader {
  const u8* data;
  std::size_t size;
  std::size_t at;
};

void pngread(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (n > r->size - r->at) png_error(png, "the data ends early");
  std::memcpy(out, r->data + r->at, n);
  r->at += n;
}

void pngquiet(png_structp, png_const_charp) {}
// Errors end the decoding quietly (the default handler would print them first).
[[noreturn]] void pngfail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool decodepng(const u8* data, std::size_t size, DecodedImage* out, std::string* error, bool keepalpha = false) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngfail, pngquiet);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{data, size, 0};
  std::vector<png_bytep> rows;
  std::vector<u8> rgba;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    *error = "the PNG data is damaged";
    return false;
  }
  png_set_read_fn(png, &reader, pngread);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!sizeok(w, h, error)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  out->palette.clear();
  png_colorp plte = nullptr;
  int entries = 0;
  if (!keepalpha && png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
      !png_get_valid(png, info, PNG_INFO_tRNS) && png_get_PLTE(png, info, &plte, &entries) != 0 && entries > 0 &&
      entries <= 256) {
    for (int i = 0; i < entries; ++i) out->palette.push_back(xrgb(plte[i].red, plte[i].green, plte[i].blue));
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  rgba.resize(std::size_t(w) * h * 4);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = rgba.data() + std::size_t(y) * w * 4;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  out->width = i32(w);
  out->height = i32(h);
  out->pixels.resize(std::size_t(w) * h);
  out->alpha.clear();
  for (std::size_t i = 0; i < out->pixels.size(); ++i) {
    const u8* p = &rgba[i * 4];
    u32 a = p[3];
    if (!keepalpha && a < 255 && out->alpha.empty()) out->alpha.assign(out->pixels.size(), 255);
    if (!out->alpha.empty()) out->alpha[i] = u8(a);
    if (keepalpha) {
      out->pixels[i] = a << 24 | xrgb(p[0], p[1], p[2]);
      continue;
    }
    // Over white.
    out->pixels[i] = xrgb((p[0] * a + 255 * (255 - a)) / 255, (p[1] * a + 255 * (255 - a)) / 255,
                          (p[2] * a + 255 * (255 - a)) / 255);
  }
  return true;
}

// --- JPEG ------------------------------------------------------------------------------------

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void jpegfail(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); }
void jpegquiet(j_common_ptr, int) {}

// The error manager of one coding: errors jump back to err->jump, messages are dropped.
jpeg_error_mgr* quietjpegerrors(JpegError* err) {
  jpeg_error_mgr* mgr = jpeg_std_error(&err->mgr);
  mgr->error_exit = jpegfail;
  mgr->emit_message = jpegquiet;
  return mgr;
}

bool decodejpeg(const u8* data, std::size_t size, DecodedImage* out, std::string* error) {
  jpeg_decompress_struct c{};
  JpegError err{};
  c.err = quietjpegerrors(&err);
  std::vector<u8> row;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&c);
    *error = "the JPEG data is damaged";
    return false;
  }
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, data, static_cast<unsigned long>(size));
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  jpeg_start_decompress(&c);
  if (!sizeok(c.output_width, c.output_height, error) || c.output_components != 3) {
    if (error->empty()) *error = "the JPEG colours are not supported";
    jpeg_destroy_decompress(&c);
    return false;
  }
  out->width = i32(c.output_width);
  out->height = i32(c.output_height);
  out->pixels.resize(std::size_t(out->width) * std::size_t(out->height));
  row.resize(std::size_t(c.output_width) * 3);
  while (c.output_scanline < c.output_height) {
    JSAMPROW r = row.data();
    std::size_t y = c.output_scanline;
    if (jpeg_read_scanlines(&c, &r, 1) != 1) break;
    for (std::size_t x = 0; x < c.output_width; ++x)
      out->pixels[y * c.output_width + x] = xrgb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return true;
}

// --- TIFF ------------------------------------------------------------------------------------

tsize_t tiffread(thandle_t h, tdata_t buf, tsize_t n) {
  auto* r = static_cast<MemoryReader*>(h);
  std::size_t take = std::min<std::size_t>(std::size_t(n), r->size - r->at);
  std::memcpy(buf, r->data + r->at, take);
  r->at += take;
  return tsize_t(take);
}
tsize_t tiffwrite(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t tiffseek(thandle_t h, toff_t off, int whence) {
  auto* r = static_cast<MemoryReader*>(h);
  u64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? r->at : r->size;
  u64 to = base + off;
  if (to > r->size) return toff_t(-1);
  r->at = std::size_t(to);
  return to;
}
int tiffclose(thandle_t) { return 0; }
toff_t tiffsize(thandle_t h) { return static_cast<MemoryReader*>(h)->size; }
int tiffmap(thandle_t, tdata_t*, toff_t*) { return 0; }
void tiffunmap(thandle_t, tdata_t, toff_t) {}

bool decodetiff(const u8* data, std::size_t size, DecodedImage* out, std::string* error) {
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  MemoryReader reader{data, size, 0};
  TIFF* t = TIFFClientOpen("image", "rm", &reader, tiffread, tiffwrite, tiffseek, tiffclose, tiffsize, tiffmap,
                           tiffunmap);
  if (t == nullptr) {
    *error = "the TIFF data is damaged";
    return false;
  }
  uint32_t w = 0, h = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  if (!sizeok(w, h, error)) {
    TIFFClose(t);
    return false;
  }
  std::vector<uint32_t> raster(std::size_t(w) * h);
  if (!TIFFReadRGBAImageOriented(t, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
    TIFFClose(t);
    *error = "the TIFF data is damaged";
    return false;
  }
  TIFFClose(t);
  out->width = i32(w);
  out->height = i32(h);
  out->pixels.resize(raster.size());
  for (std::size_t i = 0; i < raster.size(); ++i) {
    u32 p = raster[i], a = TIFFGetA(p);
    out->pixels[i] = xrgb((TIFFGetR(p) * a + 255 * (255 - a)) / 255, (TIFFGetG(p) * a + 255 * (255 - a)) / 255,
                          (TIFFGetB(p) * a + 255 * (255 - a)) / 255);
  }
  return true;
}

// --- GIF -------------------------------------------------------------------------------------

int gifread(GifFileType* g, GifByteType* buf, int n) {
  auto* r = static_cast<MemoryReader*>(g->UserData);
  std::size_t take = std::min<std::size_t>(std::size_t(std::max(n, 0)), r->size - r->at);
  std::memcpy(buf, r->data + r->at, take);
  r->at += take;
  return int(take);
}

bool decodegif(const u8* data, std::size_t size, DecodedImage* out, std::string* error) {
  MemoryReader reader{data, size, 0};
  int code = 0;
  GifFileType* g = DGifOpen(&reader, gifread, &code);
  if (g == nullptr) {
    *error = "the GIF data is damaged";
    return false;
  }
  bool ok = DGifSlurp(g) == GIF_OK && g->ImageCount > 0 && sizeok(g->SWidth, g->SHeight, error);
  if (ok) {
    const SavedImage& im = g->SavedImages[0];
    const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : g->SColorMap;
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(g, 0, &gcb);
    out->width = g->SWidth;
    out->height = g->SHeight;
    out->pixels.assign(std::size_t(out->width) * std::size_t(out->height), 0x00FFFFFF);
    const GifImageDesc& d = im.ImageDesc;
    for (i64 y = 0; y < d.Height && map != nullptr; ++y) {
      for (i64 x = 0; x < d.Width; ++x) {
        i64 px = d.Left + x, py = d.Top + y;
        if (px < 0 || py < 0 || px >= out->width || py >= out->height) continue;
        int index = im.RasterBits[y * d.Width + x];
        if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        out->pixels[std::size_t(py) * std::size_t(out->width) + std::size_t(px)] = xrgb(c.Red, c.Green, c.Blue);
      }
    }
  } else if (error->empty()) {
    *error = "the GIF data is damaged";
  }
  DGifCloseFile(g, &code);
  return ok;
}

// --- Sizes from the headers -------------------------------------------------------------------

u32 be32(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3]; }

bool jpegdimensions(const u8* data, std::size_t size, i32* w, i32* h) {
  jpeg_decompress_struct c{};
  JpegError err{};
  c.err = quietjpegerrors(&err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&c);
    return false;
  }
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, data, static_cast<unsigned long>(size));
  jpeg_read_header(&c, TRUE);
  *w = i32(c.image_width);
  *h = i32(c.image_height);
  jpeg_destroy_decompress(&c);
  return true;
}

bool tiffdimensions(const u8* data, std::size_t size, i32* w, i32* h) {
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  MemoryReader reader{data, size, 0};
  TIFF* t = TIFFClientOpen("image", "rm", &reader, tiffread, tiffwrite, tiffseek, tiffclose, tiffsize, tiffmap,
                           tiffunmap);
  if (t == nullptr) return false;
  uint32_t tw = 0, th = 0;
  bool ok = TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &tw) == 1 && TIFFGetField(t, TIFFTAG_IMAGELENGTH, &th) == 1;
  TIFFClose(t);
  *w = i32(std::min<uint32_t>(tw, 0x7FFFFFFF));
  *h = i32(std::min<uint32_t>(th, 0x7FFFFFFF));
  return ok;
}

// --- JPEG output -----------------------------------------------------------------------------

bool writejpeg(const DecodedImage& image, int quality, std::vector<u8>* out) {
  jpeg_compress_struct c{};
  JpegError err{};
  c.err = quietjpegerrors(&err);
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  std::vector<u8> row(std::size_t(image.width) * 3);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &buffer, &length);
  c.image_width = JDIMENSION(image.width);
  c.image_height = JDIMENSION(image.height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    const u32* src = &image.pixels[std::size_t(c.next_scanline) * std::size_t(image.width)];
    for (std::size_t x = 0; x < std::size_t(image.width); ++x) {
      row[x * 3] = u8(src[x] >> 16);
      row[x * 3 + 1] = u8(src[x] >> 8);
      row[x * 3 + 2] = u8(src[x]);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  out->assign(buffer, buffer + length);
  std::free(buffer);
  return true;
}

}  // namespace

ImageKind imagekindof(const u8* data, std::size_t size) {
  if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageKind::png;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImageKind::jpeg;
  if (size >= 4 && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0)) return ImageKind::tiff;
  if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)) return ImageKind::gif;
  return ImageKind::none;
}

bool decodeimage(const u8* data, std::size_t size, DecodedImage* out, std::string* error) {
  error->clear();
  *out = DecodedImage{};
  switch (imagekindof(data, size)) {
    case ImageKind::png: return decodepng(data, size, out, error);
    case ImageKind::jpeg: return decodejpeg(data, size, out, error);
    case ImageKind::tiff: return decodetiff(data, size, out, error);
    case ImageKind::gif: return decodegif(data, size, out, error);
    case ImageKind::none: break;
  }
  *error = "not an image file of a known kind";
  return false;
}

bool decodepngalpha(const u8* data, std::size_t size, DecodedImage* out, std::string* error) {
  error->clear();
  *out = DecodedImage{};
  if (imagekindof(data, size) != ImageKind::png) {
    *error = "not a PNG image";
    return false;
  }
  return decodepng(data, size, out, error, true);
}

namespace {

// An indexed image as a picture of one unpacked 8-bit pixel map with the image's palette as
// its colour table (the recorder would turn it into direct pixels). Pixels of a colour the
// palette lacks take entry 0.
PicHandle indexedpicture(const DecodedImage& image) {
  const Rect frame{0, 0, i16(image.height), i16(image.width)};
  const u16 rowbytes = u16((image.width + 1) & ~1);
  if (rowbytes > rowbytesmask) return nilhandle;
  std::vector<u8> d;
  PictWriter w{&d};
  w.i16be(0);
  w.rect(frame);
  w.op(pictVersion);
  w.i16be(0x02FF);
  w.op(pictHeaderOp);
  w.i16be(-2);
  w.i16be(0);
  w.i32be(fixed72dpi);
  w.i32be(fixed72dpi);
  w.rect(frame);
  w.i32be(0);
  w.op(pictBitsRect);
  w.i16be(i16(pixmapflag | rowbytes));
  w.rect(frame);
  w.i16be(0);  // version
  w.i16be(0);  // pack type
  w.i32be(0);  // pack size
  w.i32be(fixed72dpi);
  w.i32be(fixed72dpi);
  w.i16be(0);  // indexed
  w.i16be(8);
  w.i16be(1);
  w.i16be(8);
  w.i32be(0);  // plane bytes
  w.i32be(0);  // table
  w.i32be(0);  // reserved
  w.i32be(0);  // the table's seed
  w.i16be(0);  // flags
  w.i16be(i16(image.palette.size() - 1));
  std::map<u32, u8> index;
  for (std::size_t i = 0; i < image.palette.size(); ++i) {
    const u32 c = image.palette[i];
    index.emplace(c, u8(i));
    w.i16be(i16(i));
    w.color(RGBColor{u16(((c >> 16) & 0xFF) * 0x101), u16(((c >> 8) & 0xFF) * 0x101), u16((c & 0xFF) * 0x101)});
  }
  w.rect(frame);
  w.rect(frame);
  w.i16be(srcCopy);
  std::vector<u8> row(rowbytes);
  for (i32 y = 0; y < image.height; ++y) {
    std::fill(row.begin(), row.end(), u8(0));
    for (i32 x = 0; x < image.width; ++x) {
      auto it = index.find(image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)] & 0xFFFFFF);
      row[std::size_t(x)] = it != index.end() ? it->second : 0;
    }
    w.bytes(row.data(), row.size());
  }
  w.op(pictEndPic);
  d[0] = u8((d.size() >> 8) & 0xFF);
  d[1] = u8(d.size() & 0xFF);
  Handle h = NewHandle(Size(d.size()));
  if (h != nilhandle) std::memcpy(deref(h), d.data(), d.size());
  return h;
}

}  // namespace

PicHandle imagepicture(const DecodedImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.width > 32767 || image.height > 32767) return nilhandle;
  if (!image.palette.empty() && image.palette.size() <= 256) return indexedpicture(image);
  Rect frame{0, 0, i16(image.height), i16(image.width)};
  const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
  if (image.pixels.size() != count || (!image.alpha.empty() && image.alpha.size() != count)) return nilhandle;
  GWorldPtr world = nilid;
  if (NewGWorld(&world, 32, &frame, nilhandle, nilhandle, 0) != noErr) return nilhandle;
  PixMapHandle pm = GetGWorldPixMap(world);
  LockPixels(pm);
  u8* base = reinterpret_cast<u8*>(GetPixBaseAddr(pm));
  i32 rowbytes = GetPixRowBytes(pm);
  for (i32 y = 0; y < image.height; ++y)
    std::memcpy(base + i64(y) * rowbytes, &image.pixels[std::size_t(y) * std::size_t(image.width)],
                std::size_t(image.width) * 4);
  CGrafPtr oldport;
  GDHandle olddevice;
  GetGWorld(&oldport, &olddevice);
  SetGWorld(world, nilhandle);
  // An image with alpha is recorded from a map of four components: each pixel's top byte.
  std::vector<u32> argb;
  PixMap withalpha = pixmaprecord(pm);
  if (!image.alpha.empty() && image.width * 4 <= rowbytesmask) {
    argb.resize(count);
    for (std::size_t i = 0; i < count; ++i) argb[i] = (image.pixels[i] & 0xFFFFFF) | u32(image.alpha[i]) << 24;
    withalpha.baseAddr = reinterpret_cast<Ptr>(argb.data());
    withalpha.rowBytes = u16(pixmapflag | (image.width * 4));
    withalpha.cmpCount = 4;
  }
  PicHandle pic = OpenPicture(&frame);
  if (pic != nilhandle) {
    const BitMap* bits = GetPortBitMapForCopyBits(world);
    const BitMap* from = argb.empty() ? bits : reinterpret_cast<const BitMap*>(&withalpha);
    CopyBits(from, bits, &frame, &frame, srcCopy, nilhandle);
    ClosePicture();
  }
  SetGWorld(oldport, olddevice);
  UnlockPixels(pm);
  DisposeGWorld(world);
  return pic;
}

bool imageheadersize(const u8* data, std::size_t size, i32* width, i32* height) {
  *width = *height = 0;
  switch (imagekindof(data, size)) {
    case ImageKind::png:
      // The first chunk is the header: its width and height are its first two words.
      if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
      *width = i32(std::min<u32>(be32(data + 16), 0x7FFFFFFF));
      *height = i32(std::min<u32>(be32(data + 20), 0x7FFFFFFF));
      return true;
    case ImageKind::jpeg: return jpegdimensions(data, size, width, height);
    case ImageKind::tiff: return tiffdimensions(data, size, width, height);
    case ImageKind::gif:
      if (size < 10) return false;
      *width = data[6] | data[7] << 8;
      *height = data[8] | data[9] << 8;
      return true;
    default: return false;
  }
}

bool encodeimagejpeg(const DecodedImage& image, std::vector<u8>* out, int quality) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height))
    return false;
  return writejpeg(image, std::clamp(quality, 1, 100), out);
}

bool encodeimagepng(const DecodedImage& image, std::vector<u8>* out) {
  if (image.width <= 0 || image.height <= 0 || image.width * 4 > 0x3FFF) return false;
  const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
  if (image.pixels.size() != count) return false;
  if (!image.alpha.empty()) {
    if (image.alpha.size() != count) return false;
    // The file holds each colour as it is before it is laid over white (what decoding does).
    std::vector<u32> argb(count);
    for (std::size_t i = 0; i < count; ++i) {
      const u32 a = image.alpha[i], p = image.pixels[i];
      auto straight = [a](u32 over) {
        return a == 0 ? 0xFFu : std::min<u32>(255, 255 * (over - std::min(over, 255 - a)) / a);
      };
      argb[i] = a << 24 | xrgb(straight((p >> 16) & 0xFF), straight((p >> 8) & 0xFF), straight(p & 0xFF));
    }
    return encodeargbpng(image.width, image.height, argb.data(), out);
  }
  PixMap pm{};
  std::vector<u32> copy = image.pixels;
  pm.baseAddr = reinterpret_cast<Ptr>(copy.data());
  pm.rowBytes = u16(0x8000 | (image.width * 4));
  pm.bounds = Rect{0, 0, i16(image.height), i16(image.width)};
  pm.pixelType = rgbDirect;
  pm.pixelSize = 32;
  pm.cmpCount = 3;
  pm.cmpSize = 8;
  pm.hRes = pm.vRes = fixed72dpi;
  return encodepng(reinterpret_cast<const BitMap*>(&pm), out);
}

}  // namespace kv
