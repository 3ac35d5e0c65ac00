#include "platform/qd/imagewriters.h"

// clang-format off
#include <cstdio>
#include <csetjmp>
#include <png.h>
#include <tiffio.h>
#include <gif_lib.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/pixels.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"

namespace kv {

namespace {

// The current port and device, given back at the end of a scope.
class KeepGWorld {
 public:
  KeepGWorld() { GetGWorld(&port_, &device_); }
  ~KeepGWorld() { SetGWorld(port_, device_); }
  KeepGWorld(const KeepGWorld&) = delete;
  KeepGWorld& operator=(const KeepGWorld&) = delete;

 private:
  CGrafPtr port_ = nilid;
  GDHandle device_ = nilhandle;
};

// A world disposed of with its holder.
struct HeldWorld {
  GWorldPtr world = nilid;
  HeldWorld() = default;
  HeldWorld(const HeldWorld&) = delete;
  HeldWorld& operator=(const HeldWorld&) = delete;
  ~HeldWorld() {
    if (world != nilid) DisposeGWorld(world);
  }
};

// Reads the pixels of a 32-bit world whose bounds start at (0, 0).
void readworld(GWorldPtr world, i32 width, i32 height, DecodedImage* out) {
  PixMapHandle pm = GetGWorldPixMap(world);
  LockPixels(pm);
  const u8* base = reinterpret_cast<const u8*>(GetPixBaseAddr(pm));
  const i32 rowbytes = GetPixRowBytes(pm);
  out->width = width;
  out->height = height;
  out->palette.clear();
  out->pixels.resize(std::size_t(width) * std::size_t(height));
  for (i32 y = 0; y < height; ++y) {
    const u32* row = reinterpret_cast<const u32*>(base + i64(y) * rowbytes);
    for (i32 x = 0; x < width; ++x)
      out->pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = row[x] & 0xFFFFFF;
  }
  UnlockPixels(pm);
}

u8 red(u32 c) { return u8(c >> 16); }
u8 green(u32 c) { return u8(c >> 8); }
u8 blue(u32 c) { return u8(c); }

void le16(std::vector<u8>* o, u32 v) {
  o->push_back(u8(v));
  o->push_back(u8(v >> 8));
}
void le32(std::vector<u8>* o, u32 v) {
  le16(o, v & 0xFFFF);
  le16(o, v >> 16);
}
void be16(std::vector<u8>* o, u32 v) {
  o->push_back(u8(v >> 8));
  o->push_back(u8(v));
}
void be32(std::vector<u8>* o, u32 v) {
  be16(o, v >> 16);
  be16(o, v & 0xFFFF);
}
void zeros(std::vector<u8>* o, std::size_t n) { o->insert(o->end(), n, 0); }
const u32& at(const DecodedImage& image, i32 x, i32 y) {
  return image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)];
}

// --- PNG -------------------------------------------------------------------------------------

void pngappend(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<u8>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void pngflush(png_structp) {}
void pngquiet(png_structp, png_const_charp) {}
[[noreturn]] void pngfail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool writepng(const DecodedImage& image, bool interlaced, std::vector<u8>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngfail, pngquiet);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<u8> pixels(std::size_t(image.width) * std::size_t(image.height) * 3);
  std::vector<png_bytep> rows(std::size_t(image.height));
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  for (i32 y = 0; y < image.height; ++y) {
    u8* row = &pixels[std::size_t(y) * std::size_t(image.width) * 3];
    rows[std::size_t(y)] = row;
    for (i32 x = 0; x < image.width; ++x) {
      const u32 c = at(image, x, y);
      row[x * 3] = red(c);
      row[x * 3 + 1] = green(c);
      row[x * 3 + 2] = blue(c);
    }
  }
  png_set_write_fn(png, out, pngappend, pngflush);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// --- TIFF ------------------------------------------------------------------------------------

struct MemoryFile {
  std::vector<u8>* bytes;
  std::size_t at;
};

tsize_t tiffnoread(thandle_t, tdata_t, tsize_t) { return 0; }
tsize_t tiffwrite(thandle_t h, tdata_t buf, tsize_t n) {
  auto* f = static_cast<MemoryFile*>(h);
  const std::size_t end = f->at + std::size_t(n);
  if (end > f->bytes->size()) f->bytes->resize(end);
  std::memcpy(f->bytes->data() + f->at, buf, std::size_t(n));
  f->at = end;
  return n;
}
toff_t tiffseek(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  const u64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->at : f->bytes->size();
  f->at = std::size_t(base + off);
  return f->at;
}
int tiffclose(thandle_t) { return 0; }
toff_t tiffsize(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes->size(); }
int tiffnomap(thandle_t, tdata_t*, toff_t*) { return 0; }
void tiffnounmap(thandle_t, tdata_t, toff_t) {}

bool writetiff(const DecodedImage& image, bool packbits, std::vector<u8>* out) {
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  out->clear();
  MemoryFile file{out, 0};
  TIFF* t = TIFFClientOpen("image", "w", &file, tiffnoread, tiffwrite, tiffseek, tiffclose, tiffsize, tiffnomap,
                           tiffnounmap);
  if (t == nullptr) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(image.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(image.height));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(t, TIFFTAG_COMPRESSION, packbits ? COMPRESSION_PACKBITS : COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  TIFFSetField(t, TIFFTAG_XRESOLUTION, 72.0);
  TIFFSetField(t, TIFFTAG_YRESOLUTION, 72.0);
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  std::vector<u8> row(std::size_t(image.width) * 3);
  bool ok = true;
  for (i32 y = 0; ok && y < image.height; ++y) {
    for (i32 x = 0; x < image.width; ++x) {
      const u32 c = at(image, x, y);
      row[std::size_t(x) * 3] = red(c);
      row[std::size_t(x) * 3 + 1] = green(c);
      row[std::size_t(x) * 3 + 2] = blue(c);
    }
    ok = TIFFWriteScanline(t, row.data(), uint32_t(y), 0) == 1;
  }
  TIFFClose(t);
  return ok;
}

// --- Our own formats ---------------------------------------------------------------------------

// 24-bit BMP, rows from the bottom, each padded to four bytes.
void writebmp(const DecodedImage& image, std::vector<u8>* out) {
  const u32 rowbytes = (u32(image.width) * 3 + 3) & ~3u;
  const u32 imagesize = rowbytes * u32(image.height);
  out->clear();
  out->push_back('B');
  out->push_back('M');
  le32(out, 54 + imagesize);
  le32(out, 0);
  le32(out, 54);
  le32(out, 40);
  le32(out, u32(image.width));
  le32(out, u32(image.height));
  le16(out, 1);
  le16(out, 24);
  le32(out, 0);  // no compression
  le32(out, imagesize);
  le32(out, 2835);  // 72 dots per inch
  le32(out, 2835);
  le32(out, 0);
  le32(out, 0);
  for (i32 y = image.height - 1; y >= 0; --y) {
    for (i32 x = 0; x < image.width; ++x) {
      const u32 c = at(image, x, y);
      out->push_back(blue(c));
      out->push_back(green(c));
      out->push_back(red(c));
    }
    zeros(out, rowbytes - u32(image.width) * 3);
  }
}

// Uncompressed 24-bit Targa, rows from the bottom, with the version-2 footer.
void writetarga(const DecodedImage& image, std::vector<u8>* out) {
  out->clear();
  out->push_back(0);  // no identification field
  out->push_back(0);  // no colour map
  out->push_back(2);  // uncompressed true colour
  zeros(out, 5);      // colour map specification
  le16(out, 0);
  le16(out, 0);
  le16(out, u32(image.width));
  le16(out, u32(image.height));
  out->push_back(24);
  out->push_back(0);  // origin at the bottom left
  for (i32 y = image.height - 1; y >= 0; --y) {
    for (i32 x = 0; x < image.width; ++x) {
      const u32 c = at(image, x, y);
      out->push_back(blue(c));
      out->push_back(green(c));
      out->push_back(red(c));
    }
  }
  le32(out, 0);  // no extension area
  le32(out, 0);  // no developer directory
  static const char kSignature[] = "TRUEVISION-XFILE.";
  out->insert(out->end(), kSignature, kSignature + sizeof kSignature);  // with its zero byte
}

// The layered-image editor's format: version 1, three 8-bit channels, raw planes.
void writephotoshop(const DecodedImage& image, std::vector<u8>* out) {
  out->clear();
  out->reserve(26 + 14 + std::size_t(image.width) * std::size_t(image.height) * 3);
  be32(out, fourcc("8BPS"));
  be16(out, 1);
  zeros(out, 6);
  be16(out, 3);
  be32(out, u32(image.height));
  be32(out, u32(image.width));
  be16(out, 8);
  be16(out, 3);  // RGB
  be32(out, 0);  // colour mode data
  be32(out, 0);  // image resources
  be32(out, 0);  // layers and masks
  be16(out, 0);  // raw
  for (int shift : {16, 8, 0})
    for (i32 y = 0; y < image.height; ++y)
      for (i32 x = 0; x < image.width; ++x) out->push_back(u8(at(image, x, y) >> shift));
}

// A QuickTime image: an 'idsc' atom describing 24-bit 'raw ' pixels, then the 'idat' atom.
void writeqtif(const DecodedImage& image, std::vector<u8>* out) {
  out->clear();
  const u32 datasize = u32(image.width) * u32(image.height) * 3;
  be32(out, 8 + 86);
  be32(out, fourcc("idsc"));
  be32(out, 86);
  be32(out, fourcc("raw "));
  be32(out, 0);
  be16(out, 0);
  be16(out, 0);      // data reference index
  be16(out, 0);      // version
  be16(out, 0);      // revision level
  be32(out, 0);      // vendor
  be32(out, 0);      // temporal quality
  be32(out, 0x200);  // spatial quality: normal
  be16(out, u32(image.width));
  be16(out, u32(image.height));
  be32(out, 72u << 16);
  be32(out, 72u << 16);
  be32(out, datasize);
  be16(out, 1);    // frame count
  zeros(out, 32);  // compressor name
  be16(out, 24);
  be16(out, 0xFFFF);  // no colour table
  be32(out, 8 + datasize);
  be32(out, fourcc("idat"));
  for (const u32 c : image.pixels) {
    out->push_back(red(c));
    out->push_back(green(c));
    out->push_back(blue(c));
  }
}

// --- GIF ---------------------------------------------------------------------------------------

int gifappend(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<std::vector<u8>*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

bool writegif(i32 width, i32 height, const std::vector<u8>& indexes, const std::vector<RGBColor>& palette,
              std::vector<u8>* out) {
  out->clear();
  int error = 0;
  GifFileType* gif = EGifOpen(out, gifappend, &error);
  if (gif == nullptr) return false;
  GifColorType colours[256]{};
  for (std::size_t i = 0; i < std::min<std::size_t>(palette.size(), 256); ++i)
    colours[i] = GifColorType{u8(palette[i].red >> 8), u8(palette[i].green >> 8), u8(palette[i].blue >> 8)};
  ColorMapObject* map = GifMakeMapObject(256, colours);
  EGifSetGifVersion(gif, true);
  bool ok = map != nullptr && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  for (i32 y = 0; ok && y < height; ++y) {
    ok = EGifPutLine(gif, const_cast<GifPixelType*>(&indexes[std::size_t(y) * std::size_t(width)]), width) == GIF_OK;
  }
  if (map != nullptr) GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok;
}

// The pixels of a 32-bit world of width x height made current for `draw` (handed the world
// and its frame at 0,0); false for an empty size or a world that cannot be made.
template <class Draw>
bool drawnpixels(i32 width, i32 height, DecodedImage* out, Draw draw) {
  if (width <= 0 || height <= 0) return false;
  KeepGWorld keep;
  HeldWorld held;
  const Rect frame{0, 0, i16(height), i16(width)};
  if (NewGWorld(&held.world, 32, &frame, nilhandle, nilhandle, 0) != noErr) return false;
  SetGWorld(held.world, nilhandle);
  draw(held.world, frame);
  readworld(held.world, width, height, out);
  return true;
}

}  // namespace

bool hasimageexporter(OSType type) {
  switch (type) {
    case fourcc("PNGf"):
    case fourcc("JPEG"):
    case fourcc("TIFF"):
    case fourcc("BMPf"):
    case fourcc("TPIC"):
    case fourcc("8BPS"):
    case fourcc("qtif"): return true;
    default: return false;
  }
}

bool worldpixels(GWorldPtr world, const Rect& rect, DecodedImage* out) {
  return drawnpixels(rect.right - rect.left, rect.bottom - rect.top, out, [&](GWorldPtr copy, const Rect& frame) {
    ForeColor(blackColor);
    BackColor(whiteColor);
    PixMapHandle source = GetGWorldPixMap(world);
    LockPixels(source);
    CopyBits(GetPortBitMapForCopyBits(world), GetPortBitMapForCopyBits(copy), &rect, &frame, srcCopy, nilhandle);
    UnlockPixels(source);
  });
}

bool picturepixels(PicHandle picture, DecodedImage* out) {
  Rect bounds{};
  QDGetPictureBounds(picture, &bounds);
  return drawnpixels(bounds.right - bounds.left, bounds.bottom - bounds.top, out, [&](GWorldPtr, const Rect& frame) {
    EraseRect(&frame);
    DrawPicture(picture, &frame);
  });
}

bool encodeexportimage(const DecodedImage& image, OSType type, i32 setting, std::vector<u8>* out) {
  if (image.width <= 0 || image.height <= 0 || image.width > 32767 || image.height > 32767 ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height))
    return false;
  switch (type) {
    case fourcc("PNGf"): return writepng(image, setting != 0, out);
    case fourcc("JPEG"): {
      // The setting's 0..1024 as a quality of 0..100, rounded, at least 1.
      const int quality = std::max(1, int((i64(setting) * 100 + 512) / 1024));
      return encodeimagejpeg(image, out, quality);
    }
    case fourcc("TIFF"): return writetiff(image, setting != 0, out);
    case fourcc("BMPf"): writebmp(image, out); return true;
    case fourcc("TPIC"): writetarga(image, out); return true;
    case fourcc("8BPS"): writephotoshop(image, out); return true;
    case fourcc("qtif"): writeqtif(image, out); return true;
    default: return false;
  }
}

bool encodeworldgif(GWorldPtr world, const Rect& rect, std::vector<u8>* out) {
  const i32 width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  PixMapHandle pm = GetGWorldPixMap(world);
  const PixMap record = pixmaprecord(pm);
  std::vector<u8> indexes(std::size_t(width) * std::size_t(height));
  std::vector<RGBColor> palette;
  if (record.pixelSize == 8) {
    // An 8-bit world keeps its own colours and pixel values.
    palette = paletteof(record.pmTable, 8);
    LockPixels(pm);
    const u8* base = reinterpret_cast<const u8*>(GetPixBaseAddr(pm));
    const i32 rowbytes = GetPixRowBytes(pm);
    for (i32 y = 0; y < height; ++y) {
      const i32 sy = std::clamp(rect.top + y - record.bounds.top, 0, record.bounds.bottom - record.bounds.top - 1);
      for (i32 x = 0; x < width; ++x) {
        const i32 sx = std::clamp(rect.left + x - record.bounds.left, 0, record.bounds.right - record.bounds.left - 1);
        indexes[std::size_t(y) * std::size_t(width) + std::size_t(x)] = base[i64(sy) * rowbytes + sx];
      }
    }
    UnlockPixels(pm);
  } else {
    DecodedImage image;
    if (!worldpixels(world, rect, &image)) return false;
    // Deeper worlds are matched to the standard 8-bit table.
    CTabHandle table = GetCTable(8);
    if (table == nilhandle) return false;
    palette = paletteof(table, 8);
    GDHandle device = NewGDevicefor(8, Rect{0, 0, 1, 1}, table);
    DisposeCTable(table);
    if (device == nilhandle) return false;
    const GDHandle saved = GetGDevice();
    SetGDevice(device);
    std::unordered_map<u32, u8> matched;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
      const u32 c = image.pixels[i];
      auto it = matched.find(c);
      if (it == matched.end()) {
        const RGBColor rgb{u16(red(c) * 0x101), u16(green(c) * 0x101), u16(blue(c) * 0x101)};
        it = matched.emplace(c, u8(Color2Index(&rgb))).first;
      }
      indexes[i] = it->second;
    }
    SetGDevice(saved);
    DisposeGDevice(device);
  }
  return writegif(width, height, indexes, palette, out);
}

}  // namespace kv
