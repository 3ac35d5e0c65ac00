#include "platform/qd/importers.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"

namespace kv {

namespace {

constexpr i64 kMaxSide = 16384;
constexpr i64 kMaxPixels = 16777216;
// Image files larger than this are not read into memory.
constexpr i64 kMaxFileBytes = i64(1) << 28;

enum class Decoder : u8 { files, stb, macpaint };

struct Format {
  OSType subtype;
  OSType codec;
  Decoder decoder;
  ImageKind kind;          // the decoder's kind of the image files decoders
  bool validates;          // false: the validation call is missing
  const char* extensions;  // lower case, each followed by a blank
};

constexpr Format kFormats[] = {
    {fourcc("PNGf"), fourcc("png "), Decoder::files, ImageKind::png, true, "png "},
    {fourcc("JPEG"), fourcc("jpeg"), Decoder::files, ImageKind::jpeg, true, "jpg jpeg jpe "},
    {fourcc("TIFF"), fourcc("tiff"), Decoder::files, ImageKind::tiff, true, "tif tiff "},
    {fourcc("GIFf"), fourcc("gif "), Decoder::files, ImageKind::gif, true, "gif "},
    {fourcc("BMPf"), fourcc("WRLE"), Decoder::stb, ImageKind::none, true, "bmp "},
    {fourcc("tga "), fourcc("tga "), Decoder::stb, ImageKind::none, false, "tga targa "},
    {fourcc("8BPS"), fourcc("8BPS"), Decoder::stb, ImageKind::none, true, "psd "},
    {fourcc("PNTG"), fourcc("PNTG"), Decoder::macpaint, ImageKind::none, false, "pntg pnt mac "},
};

const Format* formatof(OSType subtype) {
  for (const Format& f : kFormats)
    if (f.subtype == subtype) return &f;
  return nullptr;
}

struct Importer {
  const Format* format = nullptr;
  Handle data = nilhandle;  // the caller's data handle
  std::vector<u8> file;     // or the bytes read from a file
  bool fromfile = false;
  CGrafPtr world = nilid;  // where GraphicsImportDraw draws
};

struct ImporterState {
  Registry<Importer, RegType::component> open;
};
ImporterState& importers() { return state<ImporterState>(); }

struct Bytes {
  const u8* data = nullptr;
  std::size_t size = 0;
};

Bytes bytesof(const Importer& im) {
  if (im.fromfile) return {im.file.data(), im.file.size()};
  if (im.data == nilhandle || !IsValidHandle(im.data)) return {};
  return {deref(im.data), std::size_t(GetHandleSize(im.data))};
}

bool startswith(Bytes b, const char* magic) {
  std::size_t n = std::strlen(magic);
  return b.size >= n && std::memcmp(b.data, magic, n) == 0;
}

// The subtype whose data the bytes begin, or 0 (Targa and MacPaint data have no mark).
OSType subtypebycontent(Bytes b) {
  switch (imagekindof(b.data, b.size)) {
    case ImageKind::png: return fourcc("PNGf");
    case ImageKind::jpeg: return fourcc("JPEG");
    case ImageKind::tiff: return fourcc("TIFF");
    case ImageKind::gif: return fourcc("GIFf");
    default: break;
  }
  if (startswith(b, "BM")) return fourcc("BMPf");
  if (startswith(b, "8BPS")) return fourcc("8BPS");
  return 0;
}

OSType subtypebyextension(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 >= name.size()) return 0;
  std::string ext;
  for (char c : name.substr(dot + 1)) ext += (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
  ext += ' ';
  for (const Format& f : kFormats)
    for (std::string_view list = f.extensions; !list.empty();) {
      std::size_t blank = list.find(' ');
      if (list.substr(0, blank + 1) == ext) return f.subtype;
      list.remove_prefix(blank + 1);
    }
  return 0;
}

// Whether the bytes are data of the importer's own format, as far as their first bytes tell.
bool ownformat(const Format& f, Bytes b) {
  if (b.data == nullptr || b.size == 0 || b.size > std::size_t(INT_MAX)) return false;
  OSType marked = subtypebycontent(b);
  if (f.subtype == fourcc("tga ") || f.subtype == fourcc("PNTG")) return marked == 0;
  return marked == f.subtype;
}

constexpr i32 kMacPaintWidth = 576, kMacPaintHeight = 720, kMacPaintHeader = 512;
constexpr std::size_t kMacPaintRowBytes = kMacPaintWidth / 8;

// The image's size from its header: false when the header cannot be read.
bool headersize(const Format& f, Bytes b, i32* w, i32* h) {
  if (!ownformat(f, b)) return false;
  switch (f.decoder) {
    case Decoder::files: return imageheadersize(b.data, b.size, w, h);
    case Decoder::stb: {
      int iw = 0, ih = 0, n = 0;
      if (stbi_info_from_memory(b.data, int(b.size), &iw, &ih, &n) == 0) return false;
      *w = iw;
      *h = ih;
      return true;
    }
    case Decoder::macpaint:
      if (b.size <= std::size_t(kMacPaintHeader)) return false;
      *w = kMacPaintWidth;
      *h = kMacPaintHeight;
      return true;
  }
  return false;
}

bool withinlimits(i64 w, i64 h) { return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels; }

u32 overwhite(u32 r, u32 g, u32 b, u32 a) {
  auto mix = [a](u32 c) { return (c * a + 255 * (255 - a)) / 255; };
  return mix(r) << 16 | mix(g) << 8 | mix(b);
}

bool decodestb(Bytes b, DecodedImage* out) {
  int w = 0, h = 0, n = 0;
  if (stbi_info_from_memory(b.data, int(b.size), &w, &h, &n) == 0 || !withinlimits(w, h)) return false;
  stbi_uc* rgba = stbi_load_from_memory(b.data, int(b.size), &w, &h, &n, 4);
  if (rgba == nullptr) return false;
  bool ok = withinlimits(w, h);
  if (ok) {
    out->width = w;
    out->height = h;
    out->pixels.resize(std::size_t(w) * std::size_t(h));
    for (std::size_t i = 0; i < out->pixels.size(); ++i) {
      const stbi_uc* p = rgba + i * 4;
      out->pixels[i] = overwhite(p[0], p[1], p[2], p[3]);
    }
  }
  stbi_image_free(rgba);
  return ok;
}

// MacPaint: the packed rows after the header, unpacked as one run of bytes (some writers let a
// run cross the end of a row). Data that ends before the last row is damaged.
bool decodemacpaint(Bytes b, DecodedImage* out) {
  std::vector<u8> bits(kMacPaintRowBytes * kMacPaintHeight);
  std::size_t at = kMacPaintHeader, filled = 0;
  while (filled < bits.size()) {
    if (at >= b.size) return false;
    i8 flag = i8(b.data[at++]);
    if (flag == -128) continue;
    if (flag >= 0) {
      std::size_t n = std::size_t(flag) + 1;
      if (n > b.size - at) return false;
      std::size_t take = std::min(n, bits.size() - filled);
      std::memcpy(&bits[filled], b.data + at, take);
      at += n;
      filled += take;
    } else {
      if (at >= b.size) return false;
      std::size_t n = std::size_t(1 - flag);
      std::size_t take = std::min(n, bits.size() - filled);
      std::memset(&bits[filled], b.data[at++], take);
      filled += take;
    }
  }
  out->width = kMacPaintWidth;
  out->height = kMacPaintHeight;
  out->pixels.resize(std::size_t(kMacPaintWidth) * kMacPaintHeight);
  for (std::size_t i = 0; i < out->pixels.size(); ++i)
    out->pixels[i] = (bits[i >> 3] >> (7 - (i & 7))) & 1 ? 0x000000 : 0xFFFFFF;
  return true;
}

bool decode(const Format& f, Bytes b, DecodedImage* out) {
  if (!ownformat(f, b)) return false;
  switch (f.decoder) {
    case Decoder::files: {
      std::string error;
      return decodeimage(b.data, b.size, out, &error);
    }
    case Decoder::stb: return decodestb(b, out);
    case Decoder::macpaint: return decodemacpaint(b, out);
  }
  return false;
}

Importer* importerof(ComponentInstance ci) { return importers().open.get(ci); }

ComponentInstance openimporter(std::unique_ptr<Importer> im) { return importers().open.add(std::move(im)); }

}  // namespace

OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType, ComponentInstance* ci) {
  *ci = nilid;
  const Format* f = componentType == GraphicsImporterComponentType ? formatof(componentSubType) : nullptr;
  if (f == nullptr) return invalidComponentID;
  auto im = std::make_unique<Importer>();
  im->format = f;
  *ci = openimporter(std::move(im));
  return *ci == nilid ? OSErr(memFullErr) : OSErr(noErr);
}

OSErr closeimporter(ComponentInstance ci) { return importers().open.remove(ci) ? OSErr(noErr) : invalidComponentID; }

OSErr GetGraphicsImporterForFile(i16 vRefNum, u32 dirID, ConstStringPtr name, ComponentInstance* ci) {
  *ci = nilid;
  FileRef ref = nilid;
  if (OSErr e = HOpen(vRefNum, dirID, name, fsRdPerm, &ref)) return e;
  auto im = std::make_unique<Importer>();
  im->fromfile = true;
  i64 length = 0;
  OSErr e = GetEOF(ref, &length);
  if (e == noErr && (length <= 0 || length > kMaxFileBytes)) e = noSuggestedImporter;
  if (e == noErr) {
    im->file.resize(std::size_t(length));
    e = readat(ref, 0, im->file.data(), length);
  }
  FSClose(ref);
  if (e != noErr) return e;
  OSType subtype = subtypebycontent({im->file.data(), im->file.size()});
  if (subtype == 0) subtype = subtypebyextension(pstringview(name));
  im->format = formatof(subtype);
  if (im->format == nullptr) return noSuggestedImporter;
  *ci = openimporter(std::move(im));
  return *ci == nilid ? OSErr(memFullErr) : OSErr(noErr);
}

ComponentResult GraphicsImportSetDataHandle(ComponentInstance ci, Handle data) {
  Importer* im = importerof(ci);
  if (im == nullptr) return invalidComponentID;
  im->fromfile = false;
  im->file.clear();
  im->data = data;
  return noErr;
}

ComponentResult GraphicsImportGetImageDescription(ComponentInstance ci, ImageDescription* desc) {
  *desc = ImageDescription{};
  Importer* im = importerof(ci);
  if (im == nullptr) return invalidComponentID;
  Bytes b = bytesof(*im);
  i32 w = 0, h = 0;
  if (!headersize(*im->format, b, &w, &h)) return codecBadDataErr;
  desc->cType = im->format->codec;
  desc->width = i16(std::clamp<i32>(w, 0, 32767));
  desc->height = i16(std::clamp<i32>(h, 0, 32767));
  desc->hRes = desc->vRes = fixed72dpi;
  desc->dataSize = im->format->validates ? i32(std::min<std::size_t>(b.size, INT_MAX)) : 0;
  desc->depth = im->format->decoder == Decoder::macpaint ? 1 : 32;
  return noErr;
}

ComponentResult GraphicsImportValidate(ComponentInstance ci, Boolean* valid) {
  *valid = 0;
  Importer* im = importerof(ci);
  if (im == nullptr) return invalidComponentID;
  if (!im->format->validates) return badComponentSelector;
  i32 w = 0, h = 0;
  *valid = headersize(*im->format, bytesof(*im), &w, &h) && withinlimits(w, h) ? 1 : 0;
  return noErr;
}

ComponentResult GraphicsImportGetAsPicture(ComponentInstance ci, PicHandle* picture) {
  *picture = nilhandle;
  Importer* im = importerof(ci);
  if (im == nullptr) return invalidComponentID;
  DecodedImage image;
  if (!decode(*im->format, bytesof(*im), &image)) return codecBadDataErr;
  *picture = imagepicture(image);
  return *picture == nilhandle ? ComponentResult(memFullErr) : ComponentResult(noErr);
}

OSErr NewImageGWorld(GWorldPtr* world, const ImageDescription* desc, GWorldFlags flags) {
  *world = nilid;
  if (desc == nullptr || desc->width <= 0 || desc->height <= 0) return paramErr;
  const Rect bounds{0, 0, desc->height, desc->width};
  return NewGWorld(world, desc->depth <= 1 ? 1 : 32, &bounds, nilhandle, nilhandle, flags);
}

ComponentResult GraphicsImportSetGWorld(ComponentInstance ci, CGrafPtr port, GDHandle) {
  Importer* im = importerof(ci);
  if (im == nullptr) return invalidComponentID;
  im->world = port;
  return noErr;
}

ComponentResult GraphicsImportDraw(ComponentInstance ci) {
  Importer* im = importerof(ci);
  if (im == nullptr) return invalidComponentID;
  if (im->world == nilid || !IsValidPort(im->world)) return paramErr;
  DecodedImage image;
  if (!decode(*im->format, bytesof(*im), &image)) return codecBadDataErr;
  PicHandle picture = imagepicture(image);
  if (picture == nilhandle) return memFullErr;
  CGrafPtr port = nilid;
  GDHandle device = nilhandle;
  GetGWorld(&port, &device);
  SetGWorld(im->world, nilhandle);
  const Rect r{0, 0, i16(std::min<i32>(image.height, 32767)), i16(std::min<i32>(image.width, 32767))};
  DrawPicture(picture, &r);
  SetGWorld(port, device);
  KillPicture(picture);
  return noErr;
}

std::size_t opencomponentcount() { return hasstate<ImporterState>() ? importers().open.count() : 0; }

}  // namespace kv
