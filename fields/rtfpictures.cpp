// Pictures in the RTF reader: picture groups with their data inside the RTF, and NeXTGraphic
// attachments that name an image file beside the RTF in a base folder. Data that is not a
// picture already goes through the graphics importer of its type.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "fields/rtfparser.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/importers.h"
#include "platform/qd/pictures.h"
#include "platform/text/pstring.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

constexpr uint32_t kPictureStep = 1024;

// round(v × scale / 100), rounding halves up, clamped to a 16-bit size.
int16_t scaled(int64_t v, int64_t scale) {
  const int64_t r = (v * scale * 2 + 100) / 200;
  return int16_t(std::clamp<int64_t>(r, 0, 32767));
}

// Closes an importer however its use ends.
struct Importer {
  ComponentInstance ci = 0;
  ~Importer() {
    if (ci != 0) CloseComponent(ci);
  }
};

}  // namespace

void RTFParser::InitPictureBuffer() {
  if (data_ != 0) {
    SetHandleSize(data_, kPictureStep);
  } else {
    if (memoryrefused(kPictureStep)) throw RTFException(memFullErr);
    data_ = NewHandle(kPictureStep);
  }
  if (data_ == 0 || MemError() != 0) throw RTFException(MemError() != 0 ? int32_t(MemError()) : int32_t(memFullErr));
  dataLength_ = 0;
  dataFree_ = kPictureStep;
}

// The buffer grows geometrically, so a large picture is not copied over and over.
void RTFParser::AddToPictureBuffer(int32_t byte) {
  if (data_ == 0) return;
  if (dataFree_ == 0) {
    const uint32_t grow = std::max(kPictureStep, dataLength_);
    if (uint64_t(dataLength_) + grow > 0x7FFFFFFF || memoryrefused(Size(grow))) throw RTFException(memFullErr);
    SetHandleSize(data_, Size(dataLength_ + grow));
    RTFException::ThrowIfError(MemError());
    dataFree_ = grow;
  }
  deref(data_)[dataLength_++] = u8(byte);
  --dataFree_;
}

void RTFParser::FreePictureBuffer() {
  if (data_ != 0) DisposeHandle(data_);
  data_ = 0;
  dataLength_ = dataFree_ = 0;
}

Handle RTFParser::ConvertGraphicsToPICT(Handle data, uint32_t type) {
  Importer imp;
  if (OpenADefaultComponent(GraphicsImporterComponentType, type, &imp.ci) != 0 || imp.ci == 0) {
    imp.ci = 0;
    throw RTFException(kRTFErrNoImporter);
  }
  RTFException::ThrowIfError(int32_t(GraphicsImportSetDataHandle(imp.ci, data)));
  PicHandle picture = 0;
  RTFException::ThrowIfError(int32_t(GraphicsImportGetAsPicture(imp.ci, &picture)));
  return picture;
}

Handle RTFParser::ConvertGraphicsToPICT(const std::string& path, uint32_t type) {
  Str255 name{};
  if (path.size() > 255) throw RTFException(bdNamErr);
  setpstring(name, path);
  FileRef ref = 0;
  RTFException::ThrowIfError(HOpen(kBootVolume, 0, name, fsRdPerm, &ref));
  struct Closer {
    FileRef r;
    ~Closer() { FSClose(r); }
  } closer{ref};
  i64 length = 0;
  RTFException::ThrowIfError(GetEOF(ref, &length));
  if (length > 0x7FFFFFFF || memoryrefused(Size(length))) throw RTFException(memFullErr);
  struct Owned {
    Handle h;
    ~Owned() {
      if (h != 0) DisposeHandle(h);
    }
  } data{NewHandle(Size(length))};
  if (data.h == 0) throw RTFException(memFullErr);
  if (length > 0) RTFException::ThrowIfError(readat(ref, 0, deref(data.h), length));
  if (type == fourcc("PICT")) {
    // A picture file is its 512-byte header and the picture itself: no importer is needed.
    constexpr Size kHeader = 512;
    if (GetHandleSize(data.h) <= kHeader + 10) return 0;
    std::memmove(deref(data.h), deref(data.h) + kHeader, std::size_t(GetHandleSize(data.h) - kHeader));
    SetHandleSize(data.h, GetHandleSize(data.h) - kHeader);
    const Handle picture = data.h;
    data.h = 0;
    return picture;
  }
  return ConvertGraphicsToPICT(data.h, type);
}

void RTFParser::PutPicture() {
  if (data_ == 0) return;
  SetHandleSize(data_, Size(dataLength_));
  Handle picture = 0;
  if (pictureKind_ == 6) {
    picture = data_;  // the data is the picture: it passes to the object
    data_ = 0;
  } else if (pictureKind_ == 2 || pictureKind_ == 1) {
    picture = ConvertGraphicsToPICT(data_, pictureKind_ == 2 ? fourcc("JPEG") : fourcc("PNGf"));
  }
  FreePictureBuffer();
  pictureKind_ = 0;
  if (picture == 0) return;
  const Point size{scaled(pictureHeight_, scaleV_), scaled(pictureWidth_, scaleH_)};
  if (const OSErr err = WEInsertObject(fourcc("PICT"), picture, size, we_)) {
    DisposeHandle(picture);
    throw RTFException(err);
  }
}

void RTFParser::PutNeXTGraphics() {
  if (!baseDirectory_ || textLength_ <= 6) return;
  const std::string_view written(reinterpret_cast<const char*>(text_), textLength_ - 1);  // the space goes
  std::string lowered(written);
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  // The ending as written picks the importer.
  static constexpr struct {
    std::string_view ending;
    uint32_t type;
  } kEndings[] = {{".tiff", fourcc("TIFF")}, {".jpeg", fourcc("JPEG")}, {".jpg", fourcc("JPEG")},
                  {".gif", fourcc("GIFf")},  {".png", fourcc("PNGf")},  {".psd", fourcc("8BPS")},
                  {".pict", fourcc("PICT")}};
  uint32_t type = 0;
  for (const auto& e : kEndings)
    if (written.ends_with(e.ending)) type = e.type;
  if (type == 0) return;
  const std::string path = *baseDirectory_ + "/" + lowered;
  Str255 pname{};
  CatInfo info{};
  if (path.size() > 255 || (setpstring(pname, path), HGetCatInfo(kBootVolume, 0, pname, &info)) != 0) return;
  const Handle picture = ConvertGraphicsToPICT(path, type);
  if (picture == 0) return;
  Rect bounds{};
  QDGetPictureBounds(picture, &bounds);
  const Point size{scaled(int64_t(bounds.bottom) - bounds.top, scaleV_),
                   scaled(int64_t(bounds.right) - bounds.left, scaleH_)};
  if (const OSErr err = WEInsertObject(fourcc("PICT"), picture, size, we_)) {
    DisposeHandle(picture);
    throw RTFException(err);
  }
  // The object just inserted lies before the selection, wherever in the text the read goes.
  int32_t start = 0;
  WEGetSelection(&start, nullptr, we_);
  WEObjectDescHandle object = 0;
  RTFException::ThrowIfError(WEGetObjectAtOffset(start - 1, &object, we_));
  RTFException::ThrowIfError(
      WESetObjectProperty(object, fourcc("VIZU"), fourcc("pnam"), int32_t(lowered.size()), lowered.data()));
}

}  // namespace kv
