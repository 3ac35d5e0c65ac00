// Feeds arbitrary bytes to the stuffed-frame decoder (whole, and one byte at a time with a
// small output room, as the remote process list reads it) and to the reply parser: nothing is
// written outside the room, the byte-wise decoding agrees with the whole one, and every input
// that is stuffed and decoded again comes back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "system/cobs.h"
#include "system/remoteprocs.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace kv;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Decoding untrusted bytes into a bounded room.
  std::vector<u8> room(size % 300 + 1);
  const u8* in = data;
  u8* out = room.data();
  u16 st = 0;
  bool ended = COBSDecode(&in, size, &out, room.size(), &st);
  check(out >= room.data() && out <= room.data() + room.size());
  if (in != nullptr) check(in >= data && in <= data + size);
  (void)ended;

  // Byte at a time, as the reader does, with the room the whole call had.
  std::vector<u8> room2(room.size());
  u8* out2 = room2.data();
  u16 st2 = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const u8* p = data + i;
    bool done = COBSDecode(&p, 1, &out2, room2.size() - std::size_t(out2 - room2.data()), &st2);
    check(out2 <= room2.data() + room2.size());
    if (p == nullptr || done || p == data + i) break;
  }
  std::vector<std::string> names = processnames(room2.data(), std::size_t(out2 - room2.data()));
  for (const std::string& n : names) check(n.size() < kProcessRecordSize);

  // Round trip of the input as a block.
  std::vector<u8> stuffed(cobsencodedmax(size) + 1);
  u8* e = stuffed.data();
  COBSEncode(data, size, &e);
  check(std::size_t(e - stuffed.data()) <= cobsencodedmax(size));
  for (u8* q = stuffed.data(); q < e; ++q) check(*q != 0);
  *e++ = 0;
  std::vector<u8> back(size + 16);
  const u8* s = stuffed.data();
  u8* b = back.data();
  check(COBSDecode(&s, std::size_t(e - stuffed.data()), &b, back.size(), nullptr));
  check(std::size_t(b - back.data()) == size && s == e);
  check(size == 0 || std::memcmp(back.data(), data, size) == 0);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  out->push_back({0xE2, 'a', 'b', 0x01, 0x00});
  out->push_back({0xDF, 0xDF, 0x01, 0x00, 0x05, 1, 2, 3, 4, 0x00});
  std::vector<u8> frame(cobsencodedmax(200));
  std::vector<u8> recs(2 * kProcessRecordSize, 0);
  std::memcpy(&recs[4],
              "\x06"
              "Finder",
              7);
  std::memcpy(&recs[kProcessRecordSize + 4],
              "\x03"
              "abc",
              4);
  u8* e = frame.data();
  COBSEncode(recs.data(), recs.size(), &e);
  frame.resize(std::size_t(e - frame.data()));
  frame.push_back(0);
  out->push_back(frame);
  return out->size();
}
