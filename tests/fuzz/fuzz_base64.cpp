// Decodes arbitrary bytes as Base64 text into an output of every capacity up to the text's
// length, with both buffers exactly as long as they are said to be, and checks that the
// decoded bytes encode back to the text's alphabet run; URL-decodes the same bytes in place
// and checks that every encoded text decodes back to its bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/encoding.h"
#include "platform/memory/memory.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

bool inalphabet(std::uint8_t c) { return c != 0 && std::strchr(kv::six2pr, c) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size > 1 << 16) return 0;
  std::vector<u8> text(data, data + size);
  text.push_back(0);
  const i32 length = i32(size);

  // The full decode, at a capacity of the text's length.
  std::vector<u8> full(size);
  const i32 n = HTUU_decode(text.data(), full.data(), length);
  check(n >= 0 && n <= length);

  // The alphabet run it read: after leading blanks and tabs, up to the first other byte.
  size_t start = 0;
  while (start < size && (text[start] == ' ' || text[start] == '\t')) ++start;
  size_t chars = 0;
  while (start + chars < size && inalphabet(text[start + chars])) ++chars;
  check(size_t(n) == chars / 4 * 3 + (chars % 4 == 3 ? 2 : chars % 4 == 2 ? 1 : 0));

  // Re-encoding gives back the run (a short last group only when its unused bits were 0).
  std::vector<u8> again(size_t(n + 2) / 3 * 4 + 1);
  const i32 m = HTUU_encode(full.data(), n, again.data());
  check(m == (n + 2) / 3 * 4 && again[size_t(m)] == 0);
  if (chars % 4 == 0) check(std::memcmp(again.data(), text.data() + start, chars) == 0);

  // Smaller capacities give a prefix of the full output and write nothing past them.
  for (i32 capacity = 0; capacity < n && capacity < 16; ++capacity) {
    std::vector<u8> part(static_cast<size_t>(capacity));
    check(HTUU_decode(text.data(), part.data(), capacity) == capacity);
    check(capacity == 0 || std::memcmp(part.data(), full.data(), size_t(capacity)) == 0);
  }

  // URL: the bytes encode into at most three bytes each and decode back.
  std::vector<u8> bytes(data, data + size);
  while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
  bytes.erase(std::remove(bytes.begin(), bytes.end(), u8(0)), bytes.end());
  Handle in = nilhandle, out = NewHandle(0);
  if (PtrToHand(bytes.data(), &in, Size(bytes.size())) == noErr && out != nilhandle) {
    const i32 k = URLEncode(in, out);
    check(k >= 0 && size_t(k) <= bytes.size() * 3);
    std::vector<u8> coded(deref(out), deref(out) + k);
    coded.push_back(0);
    u8* end = URLDecode(coded.data());
    check(size_t(end - coded.data()) == bytes.size());
    check(bytes.empty() || std::memcmp(coded.data(), bytes.data(), bytes.size()) == 0);
  }
  DisposeHandle(in);
  DisposeHandle(out);

  // Decoding arbitrary text in place never lengthens it.
  std::vector<u8> raw(text);
  u8* end = URLDecode(raw.data());
  check(end >= raw.data() && end <= raw.data() + size && *end == 0);
  return 0;
}

// Valid texts of every remainder, with line breaks, padding and blanks, for the replay.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {"YWJj",     "YWI=",    "YQ==",     "YWJjY",  " \tTWFueSBoYW5kcw==\r\nxx",
                         "+/+/AAAA", "a+b%26c", "100%zz%4", "%e9%E9%"};
  for (const char* s : seeds) out->emplace_back(s, s + std::strlen(s));
  return out->size();
}
