// Checks that the file at the path given is a project store that follows the file layout
// strictly (exit status 0), for the tests that run the kestrove program itself: it verifies,
// and it is exactly as long as its base offset and end of data (a file that a kill left
// longer opens, but the program's next open and close cuts it back; a strict reader refuses
// it with 101). The file is only read.
#include <cstdio>
#include <string>

#include "platform/files/files.h"
#include "platform/runtime/bigstack.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "store/starfile.h"

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
    kv::starhead h{};
    kv::i64 length = 0;
    if (v == 1000 && (kv::HOpen(kv::kBootVolume, 0, name, kv::fsRdPerm, &ref) != kv::noErr ||
                      kv::readat(ref, 0, &h, kv::kStarHeadSize) != kv::noErr || kv::GetEOF(ref, &length) != kv::noErr)) {
      v = 1010;
    }
    if (ref != kv::nilid) kv::FSClose(ref);
    kv::endianswapstarhead(&h);
    if (v == 1000 && kv::u64(length) != kv::u64(h.baseoffset) + h.endofdata) v = 101;
    if (v != 1000) std::fprintf(stderr, "verifyproject: %s answers %d\n", argv[1], v);
    return v == 1000 ? 0 : 1;
  });
}
