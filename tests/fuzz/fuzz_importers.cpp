// Hands arbitrary bytes (and damaged copies of small PNG, JPEG, TIFF, GIF, BMP, TGA, PSD and
// MacPaint files) to the graphics importers, the first byte choosing the importer: every
// import ends with a status the importers may give, leaves no importer open, and a picture it
// makes has the size of the image's description.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fields/imageimport.h"
#include "platform/memory/memory.h"
#include "platform/qd/importers.h"
#include "platform/qd/pictures.h"
#include "platform/testing/testimages.h"
#include "core/mainglobals.h"
#include "tests/fuzz/fuzzcheck.h"

// replay-runs: 1500

namespace {

using namespace kv;

constexpr OSType kSubtypes[] = {fourcc("PNGf"), fourcc("JPEG"), fourcc("TIFF"), fourcc("GIFf"),
                                fourcc("BMPf"), fourcc("tga "), fourcc("8BPS"), fourcc("PNTG")};
constexpr TestImageFormat kFormats[] = {TestImageFormat::png, TestImageFormat::jpeg,    TestImageFormat::tiff,
                                        TestImageFormat::gif, TestImageFormat::bmp,     TestImageFormat::tga,
                                        TestImageFormat::psd, TestImageFormat::macpaint};

Handle handleof(const std::uint8_t* data, std::size_t size) {
  Handle h = NewHandle(Size(size));
  if (h != nilhandle && size > 0) std::memcpy(deref(h), data, size);
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1 << 20)) return 0;
  mainglobals().quicktimepresent = 1;
  OSType subtype = kSubtypes[data[0] % 8];
  Handle h = handleof(data + 1, size - 1);
  if (h == nilhandle) return 0;
  // Images larger than a million pixels are passed over: the decoders' own limits are far
  // larger, and decoding them would only slow the replay.
  ComponentInstance ci = nilid;
  check(OpenADefaultComponent(GraphicsImporterComponentType, subtype, &ci) == noErr);
  GraphicsImportSetDataHandle(ci, h);
  ImageDescription desc{};
  bool described = GraphicsImportGetImageDescription(ci, &desc) == noErr;
  CloseComponent(ci);
  if (described && i64(desc.width) * desc.height > 1000000) {
    DisposeHandle(h);
    return 0;
  }
  PicHandle pic = nilhandle;
  std::size_t live = memoryfigures().livehandles;
  i16 st = importimagedata(h, subtype, &pic);
  check(st == 0 || st == 37 || st == 182 || st == 190);
  check(opencomponentcount() == 0);
  if (st == 0) {
    check(described);
    Rect frame{};
    QDGetPictureBounds(pic, &frame);
    check(frame.right - frame.left == desc.width && frame.bottom - frame.top == desc.height);
    KillPicture(pic);
  } else {
    check(pic == nilhandle);
    // The data stays the caller's unless the picture was asked for.
    check(memoryfigures().livehandles == live || memoryfigures().livehandles == live - 1);
    if (memoryfigures().livehandles == live) DisposeHandle(h);
  }
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  DecodedImage img;
  img.width = 5;
  img.height = 3;
  for (int i = 0; i < 15; ++i) img.pixels.push_back(kv::u32(i * 0x10305) & 0xFFFFFF);
  for (std::size_t i = 0; i < 8; ++i) {
    std::vector<std::uint8_t> file = testimagefile(kFormats[i], img);
    file.insert(file.begin(), std::uint8_t(i));
    out->push_back(file);
  }
  return out->size();
}
