// Writes the projects the speed comparison runs the kestrove program on:
//
//   benchproject PATH script FILE   the usual test project, its first card's script read from FILE
//   benchproject PATH cards N       one window of N cards named "c1" ... "cN" on one background
//
// Card ids start at 101 in the second form (the background takes 100), so card "cK" has id
// 100 + K.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/files/files.h"
#include "platform/runtime/bigstack.h"
#include "platform/text/macroman.h"
#include "tests/support/project.h"

namespace {

int usage() {
  std::fputs("usage: benchproject PATH script FILE | benchproject PATH cards N\n", stderr);
  return 2;
}

kv::testproject::Project manycards(long n) {
  kv::testproject::Project p;
  kv::testproject::Window w;
  w.name = "Many";
  w.backgrounds.push_back({"Plain", "", {}});
  w.cards.reserve(size_t(n));
  for (long i = 1; i <= n; ++i) {
    std::string name = "c";
    name += std::to_string(i);
    w.cards.push_back({name, "", 0, {}, {}});
  }
  p.windows.push_back(std::move(w));
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return usage();
  std::string path = argv[1], kind = argv[2], arg = argv[3];
  kv::testproject::Project project;
  if (kind == "script") {
    std::ifstream in(arg, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "benchproject: cannot read %s\n", arg.c_str());
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    project = kv::testproject::small();
    project.windows[0].cards[0].script = text.str();
  } else if (kind == "cards") {
    long n = std::strtol(arg.c_str(), nullptr, 10);
    if (n < 1 || n > 1000000) return usage();
    project = manycards(n);
  } else {
    return usage();
  }
  return kv::runonbigstack([&]() {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string name = kv::utf8tomacroman(slash == std::string::npos ? path : path.substr(slash + 1));
    kv::u32 dir = 0;
    if (kv::folderidofpath(kv::utf8tomacroman(folder), &dir) != kv::noErr) return 1;
    kv::u8 p[256] = {kv::u8(name.size())};
    for (std::size_t i = 0; i < name.size() && i < 255; ++i) p[i + 1] = kv::u8(name[i]);
    kv::HDelete(kv::kBootVolume, dir, p);
    return kv::testproject::build(dir, name, project) == 0 ? 0 : 1;
  });
}
