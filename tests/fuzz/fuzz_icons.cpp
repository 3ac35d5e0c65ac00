// Hands arbitrary bytes to the icon decoders: as 'cicn' data swapped from file order and built
// into a colour icon, and as 'icns' data made into an icon reference; each is plotted into a
// small world and asked for points. Damaged data is refused or drawn within the icon, and
// swapping colour-icon data there and back gives the bytes back. A family's seeds include a PNG
// member and a JPEG 2000 member.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/qd/icons.h"
#include "platform/qd/png.h"
#include "platform/testing/testimages.h"
#include "render/buttonicons.h"
#include "store/byteorder.h"
#include "tests/support/icondata.h"

namespace {

using namespace kv;

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  GWorldPtr gw = 0;
  const Rect frame{0, 0, 48, 48}, place{4, 4, 44, 44};
  if (NewGWorld(&gw, 32, &frame, 0, 0, 0) != noErr) return 0;
  SetGWorld(gw, 0);

  std::vector<u8> bytes(data, data + size);
  if (endianswapcicon(bytes.data(), i64(bytes.size()), fromfile)) {
    Handle h = NewHandle(Size(bytes.size()));
    if (h != nilhandle) {
      if (!bytes.empty()) std::memcpy(deref(h), bytes.data(), bytes.size());
      CIconHandle icon = nilhandle;
      if (handtocicon(h, &icon)) {
        PlotCIconHandle(&place, kAlignAbsoluteCenter, kTransformSelected, icon);
        PlotCIcon(&place, icon);
        DisposeCIcon(icon);
      }
      DisposeHandle(h);
    }
    check(endianswapcicon(bytes.data(), i64(bytes.size()), tofile));
  }
  check(size == 0 || std::memcmp(bytes.data(), data, size) == 0);

  IconRef ref = nilid;
  if (GetIconRefFromIconFamilyPtr(data, Size(size), &ref) == noErr) {
    check(IsValidIconRef(ref));
    PlotIconRef(&place, kAlignAbsoluteCenter, kTransformDisabled, ref);
    for (i16 v = 0; v < 48; v += 5) {
      const Point pt{v, v};
      PtInIconRef(&pt, &place, kAlignNone, ref);
    }
    check(ReleaseIconRef(ref) == noErr);
  }
  DisposeGWorld(gw);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  std::vector<u8> cicn = testicons::colouricon();
  endianswapcicon(cicn.data(), i64(cicn.size()), tofile);
  out->push_back(cicn);
  out->push_back(testicons::family({testicons::blackicon(testicons::disc)}));
  std::vector<u8> rle;
  for (int c = 0; c < 3; ++c)
    for (int left = 256; left > 0; left -= 130) rle.insert(rle.end(), {u8(std::min(left, 130) + 125), u8(c * 90)});
  out->push_back(testicons::family({{fourcc("is32"), rle},
                                    {fourcc("s8mk"), std::vector<u8>(256, 0x90)},
                                    {fourcc("ics8"), std::vector<u8>(256, 5)},
                                    {fourcc("ics#"), std::vector<u8>(64, 0x5A)}}));
  // A family whose member is a PNG image (an 'icp4' of 16 x 16 pixels).
  std::vector<u32> pixels(16 * 16);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i % 16 < 8 ? 0xFF000000u : 0x80000000u) | u32(i * 997);
  std::vector<u8> png;
  if (encodexrgbpng(16, 16, pixels.data(), &png)) out->push_back(testicons::family({{fourcc("icp4"), png}}));
  // And one whose member is a JPEG 2000 file of the same pixels.
  const std::vector<u8> jp2 = testjpeg2000(16, 16, pixels);
  if (!jp2.empty()) out->push_back(testicons::family({{fourcc("icp4"), jp2}}));
  return out->size();
}
