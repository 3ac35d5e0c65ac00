// Decodes arbitrary bytes as a packed 1-bit or colour bitmap over a rectangle taken from the
// input. A stream that decodes must pack again to a stream that decodes to the same image, and
// packing must be stable: pack(unpack(pack(image))) == pack(image).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "store/paintcodec.h"
#include "tests/fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size < 5 || size > 1 << 20) return 0;
  setmemorybudget(64u << 20);
  bool colour = data[0] & 1;
  i16 height = i16((data[1] | (data[2] << 8)) % 400);
  i16 width = i16((data[3] | (data[4] << 8)) % 900);
  if (data[0] & 2) height = i16(-height);  // bogus rectangles are refused
  Rect r{3, -7, i16(3 + height), i16(-7 + width)};
  Handle stream = nilhandle;
  if (PtrToHand(data + 5, &stream, Size(size - 5)) != noErr) return 0;
  Handle image = colour ? unpackcolor(r, stream) : unpackimage(r, stream);
  if (image != nilhandle) {
    PaintGeometry g = paintgeometry(r, colour);
    check(g.valid && GetHandleSize(image) == g.bytes);
    Handle packed = colour ? packcolor(r, image) : packimage(r, image);
    check(packed != nilhandle);
    Handle again = colour ? unpackcolor(r, packed) : unpackimage(r, packed);
    check(again != nilhandle);
    Handle repacked = colour ? packcolor(r, again) : packimage(r, again);
    check(repacked != nilhandle && contentof(repacked) == contentof(packed));
    DisposeHandle(repacked);
    DisposeHandle(again);
    DisposeHandle(packed);
    DisposeHandle(image);
  }
  DisposeHandle(stream);
  return 0;
}

// Images packed by the codec, each behind its 5-byte header.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  using namespace kv;
  for (int colour = 0; colour < 2; ++colour) {
    for (int shape = 0; shape < 3; ++shape) {
      i16 height = i16(4 + 9 * shape), width = i16(5 + 37 * shape);
      Rect r{3, -7, i16(3 + height), i16(-7 + width)};
      PaintGeometry g = paintgeometry(r, colour);
      Handle image = NewHandleClear(Size(g.bytes));
      for (i64 i = 0; i < g.bytes; ++i) deref(image)[i] = std::uint8_t((i / g.rowbytes) % 3 == 0 ? i * 3 : i / 5);
      Handle packed = colour ? packcolor(r, image) : packimage(r, image);
      std::vector<std::uint8_t> seed{std::uint8_t(colour), std::uint8_t(height), 0, std::uint8_t(width), 0};
      std::vector<std::uint8_t> body = contentof(packed);
      seed.insert(seed.end(), body.begin(), body.end());
      out->push_back(seed);
      DisposeHandle(packed);
      DisposeHandle(image);
    }
  }
  return out->size();
}
