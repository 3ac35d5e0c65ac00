// Byte order of imported sounds and cursors: each field at its width to the file's order and
// back, and data whose counts run past its end refused untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "platform/memory/memory.h"
#include "store/byteorder.h"
#include "tests/support/fixture.h"
#include "tests/support/sounds.h"

namespace kv {
namespace {

using namespace testsound;

class ImportedOrderTest : public RuntimeTest {};

std::vector<u8> format1ext() {
  std::vector<u8> out;
  append(out, u16(1));
  append(out, u16(1));
  append(out, sndmodifier{5, 0x80});
  append(out, u16(1));
  append(out, sndcommandrec{u16(dataOffsetFlag | bufferCmd), 0, 20});
  extsoundheader h{};
  h.numChannels = 1;
  h.sampleRate = 44100u << 16;
  h.encode = extSH;
  h.baseFrequency = 60;
  h.numFrames = 2;
  h.AIFFSampleRate = u16x5{{0x400E, 0xAC44, 0, 0, 0}};
  h.sampleSize = 16;
  append(out, h);
  out.insert(out.end(), {0x12, 0x34, 0x56, 0x78});
  return out;
}

std::string hex(const std::vector<u8>& v, std::size_t from, std::size_t n) {
  std::string s;
  char b[4];
  for (std::size_t i = from; i < from + n && i < v.size(); ++i) {
    std::snprintf(b, sizeof b, "%02X", v[i]);
    s += b;
  }
  return s;
}

TEST_F(ImportedOrderTest, SoundsGoToTheFileAndBack) {
  cmpsoundheader c{};
  c.numChannels = 1;
  c.sampleRate = 22050u << 16;
  c.encode = cmpSH;
  c.numFrames = 1;
  c.format = fourcc("ima4");
  c.compressionID = variableCompression;
  c.sampleSize = 16;
  std::vector<u8> compressed;
  append(compressed, c);
  compressed.resize(compressed.size() + 34, 0x11);
  struct Case {
    const char* what;
    std::vector<u8> host;
    std::size_t at;
    std::string file;  // bytes from `at` in the file's order
  };
  const Case cases[] = {
      {"format 2, standard", resource(standard(square(4, 2), 22050)), 0,
       "000200000001"
       "805000000000000E"
       "00000000"
       "00000004"
       "56220000"
       "00000000"
       "00000000"
       "003C"
       "C040C040"},
      {"format 1, extended", format1ext(), 0,
       "0001"
       "0001"
       "000500000080"
       "0001"
       "8051000000000014"
       "00000000"
       "00000001"
       "AC440000"
       "00000000"
       "00000000"
       "FF3C"
       "00000002"
       "400EAC44000000000000"
       "00000000"
       "00000000"
       "00000000"
       "0010"
       "0000"
       "00000000"
       "00000000"
       "00000000"
       "12345678"},
      {"compressed", resource(compressed), 14 + 40,
       "696D6134"
       "00000000"
       "00000000"
       "00000000"
       "FFFE0000"
       "00000010"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Handle h = nilhandle;
    ASSERT_EQ(PtrToHand(k.host.data(), &h, Size(k.host.size())), noErr);
    ASSERT_EQ(endianswapsnd2(h, tofile), noErr);
    std::vector<u8> file(deref(h), deref(h) + GetHandleSize(h));
    EXPECT_EQ(hex(file, k.at, k.file.size() / 2), k.file);
    ASSERT_EQ(endianswapsnd2(h, fromfile), noErr);
    EXPECT_EQ(std::vector<u8>(deref(h), deref(h) + GetHandleSize(h)), k.host);
    DisposeHandle(h);
  }
}

TEST_F(ImportedOrderTest, CountsPastTheEndAreRefusedUntouched) {
  std::vector<u8> good = resource(standard(square(4, 2), 22050));
  const std::vector<u8> bad[] = {
      {2, 0, 0, 0},                                      // no room for the head
      std::vector<u8>(good.begin(), good.begin() + 13),  // the command cut short
      std::vector<u8>(good.begin(), good.begin() + 30),  // the header cut short
      {3, 0, 0, 0, 0, 0},                                // no such format
  };
  for (const std::vector<u8>& b : bad) {
    Handle h = nilhandle;
    ASSERT_EQ(PtrToHand(b.data(), &h, Size(b.size())), noErr);
    EXPECT_EQ(endianswapsnd2(h, tofile), kBadRecordKind);
    EXPECT_EQ(std::vector<u8>(deref(h), deref(h) + GetHandleSize(h)), b);
    DisposeHandle(h);
  }
}

TEST_F(ImportedOrderTest, ImportedResourcesByType) {
  // A cursor: only the hot spot moves, each half at its width.
  std::vector<u8> cursor(68, 0xA5);
  cursor[64] = 0x00, cursor[65] = 0x05, cursor[66] = 0x00, cursor[67] = 0x03;
  std::vector<u8> host = cursor;
  ASSERT_EQ(endianswapimportedxres(fourcc("CURS"), host.data(), i64(host.size()), fromfile), noErr);
  const Point hot = loadat<Point>(host.data() + 64);
  EXPECT_EQ(hot.v, 5);
  EXPECT_EQ(hot.h, 3);
  EXPECT_TRUE(std::equal(host.begin(), host.begin() + 64, cursor.begin())) << "image and mask are bytes";
  ASSERT_EQ(endianswapimportedxres(fourcc("CURS"), host.data(), i64(host.size()), tofile), noErr);
  EXPECT_EQ(host, cursor);
  // A colour table goes through and back; a short cursor, a table whose count runs past its
  // bytes and a sound cut short are refused untouched; other types are left as they are.
  std::vector<u8> clut{0, 0, 0, 9, 0x80, 0, 0, 1, 0, 0, 0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0, 1, 1, 2, 3, 4, 5, 6};
  std::vector<u8> copy = clut;
  ASSERT_EQ(endianswapimportedxres(fourcc("clut"), copy.data(), i64(copy.size()), fromfile), noErr);
  EXPECT_EQ(loadat<u16>(copy.data() + 10), 0xFFFE);
  ASSERT_EQ(endianswapimportedxres(fourcc("clut"), copy.data(), i64(copy.size()), tofile), noErr);
  EXPECT_EQ(copy, clut);
  const std::vector<u8> sound = resource(standard(square(4, 2), 22050));
  struct row {
    ResType type;
    std::vector<u8> bytes;
    OSErr status;
  };
  for (const row& r : {row{fourcc("CURS"), std::vector<u8>(40, 1), kBadRecordKind},
                       row{fourcc("clut"), std::vector<u8>(clut.begin(), clut.begin() + 20), kBadRecordKind},
                       row{fourcc("snd "), std::vector<u8>(sound.begin(), sound.begin() + 13), kBadRecordKind},
                       row{fourcc("cicn"), std::vector<u8>(30, 2), kBadRecordKind},
                       row{fourcc("PICT"), std::vector<u8>(12, 3), noErr}}) {
    std::vector<u8> b = r.bytes;
    EXPECT_EQ(endianswapimportedxres(r.type, b.data(), i64(b.size()), fromfile), r.status);
    EXPECT_EQ(b, r.bytes);
  }
}

}  // namespace
}  // namespace kv
