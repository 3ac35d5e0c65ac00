// Checks that the file at the path given is a project store that opens (exit status 0), for
// the tests that run the kestrove program itself.
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
    if (v != 1000) std::fprintf(stderr, "verifyproject: %s answers %d\n", argv[1], v);
    return v == 1000 ? 0 : 1;
  });
}
