// Checks that the file at the path given is a project that follows the file layout strictly
// (exit status 0), for the tests that run the kestrove program itself: the store verifies,
// the file is exactly as long as its base offset and end of data (a file that a kill left
// longer opens, but the program's next open and close cuts it back; a strict reader refuses
// it), and the records agree with each other (tests/support/projectcheck.h). The file is only
// read.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/runtime/bigstack.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "store/starfile.h"
#include "tests/support/projectcheck.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: verifyproject PATH\n", stderr);
    return 2;
  }
  std::string path = kv::utf8tomacroman(argv[1]);
  return kv::runonbigstack([&]() {
    kv::Str255 name{};
    kv::pstrassign(name, 256, path.data(), path.size());
    kv::i16 v = kv::verifystar(kv::kBootVolume, 0, name);
    kv::FileRef ref = kv::nilid;
    kv::i64 length = 0;
    std::vector<kv::u8> bytes;
    if (v == 1000 && (kv::HOpen(kv::kBootVolume, 0, name, kv::fsRdPerm, &ref) != kv::noErr ||
                      kv::GetEOF(ref, &length) != kv::noErr)) {
      v = 1010;
    }
    if (v == 1000) {
      bytes.resize(std::size_t(length));
      if (length > 0 && kv::readat(ref, 0, bytes.data(), length) != kv::noErr) v = 1010;
    }
    if (ref != kv::nilid) kv::FSClose(ref);
    kv::starhead h{};
    if (v == 1000 && bytes.size() >= kv::kStarHeadSize) {
      std::memcpy(&h, bytes.data(), kv::kStarHeadSize);
      kv::endianswapstarhead(&h);
      if (bytes.size() != kv::u64(h.baseoffset) + h.endofdata) v = 101;
    }
    if (v != 1000) {
      std::fprintf(stderr, "verifyproject: %s answers %d\n", argv[1], v);
      return 1;
    }
    std::string fault = kv::checkproject(bytes);
    if (!fault.empty()) {
      std::fprintf(stderr, "verifyproject: %s: %s\n", argv[1], fault.c_str());
      return 1;
    }
    return 0;
  });
}
