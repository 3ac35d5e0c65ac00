// replay-runs: 100 (each input opens a whole project; this keeps the replay short)
// Hands the running program an open-documents request, as dropping files on it or a later
// kestrove naming them does, over the event-logging test project: up to three files made from
// the input (a name and its bytes: a project, a text or anything) and paths that name them,
// name nothing, or are arbitrary bytes. The main loop takes the request: each file opens as a
// project or is refused; after every pass there is one current window that the table holds,
// and once the run ends no handle is left. The input: a count of files,
// then each file's name (a length byte and its bytes) and data (a 16-bit big-endian length and
// its bytes), then the paths as lines. The seeds hold a project our own store wrote.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/startup.h"
#include "tests/fuzz/projectlines.h"
#include "tests/support/eventloop.h"

namespace {

using namespace kv;

// One current window that the table holds (a project that opened holds records of its own).
void checkpass() {
  const MainGlobals& g = mainglobals();
  if (g.numwinds > 0) {
    bool found = false;
    for (i16 i = 0; i < g.numwinds; ++i) found = found || HandleAs<desk>(g.winds)[i].window == g.current.window;
    if (!found || !IsValidWindowPtr(g.current.window)) std::abort();
  }
}

void appendfile(std::vector<std::uint8_t>& out, const std::string& name, const std::vector<std::uint8_t>& data) {
  out.push_back(std::uint8_t(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(std::uint8_t(data.size() >> 8));
  out.push_back(std::uint8_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 17) return 0;
  std::size_t at = 0;
  auto byte = [&]() -> u8 { return at < size ? data[at++] : 0; };
  // A run that ends the process (a quit, a fatal error) leaves what it held to the process's end.
  std::string ended;
  fuzzlines::withproject(EventLoopTest::project(), [&] {
    setexithook([&ended](int, const std::string& why) { ended = why.empty() ? "exit" : why; });
    installcarbonhandlers();
    // A file that is no project is reported in an alert, which nobody answers here: it takes
    // its default, as in a smoke run.
    setunattendedpolicy(UnattendedPolicy::usedefault);
    const std::string folder = std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp");
    std::vector<std::string> paths;
    for (int n = byte() % 4; n > 0 && at < size; --n) {
      std::string name;
      for (int len = byte(); len > 0 && at < size; --len) {
        const char c = char(byte());
        if (c != '/' && c != 0) name.push_back(c);
      }
      std::size_t len = std::size_t(byte()) << 8;
      len |= byte();
      len = std::min(len, size - at);
      if (name.empty() || name == "." || name == ".." || name == "f.kv45") name = "d" + std::to_string(n);
      std::ofstream out(folder + "/" + name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(data + at), std::streamsize(len));
      at += len;
      paths.push_back(folder + "/" + name);
    }
    // Further paths, one a line: "./name" names a file of the folder, any other line is a path.
    std::string rest(reinterpret_cast<const char*>(data + at), size - at);
    for (std::size_t start = 0; start < rest.size() && paths.size() < 8;) {
      std::size_t end = rest.find('\n', start);
      if (end == std::string::npos) end = rest.size();
      const std::string line = rest.substr(start, end - start);
      paths.push_back(line.rfind("./", 0) == 0 ? folder + line.substr(1) : line);
      start = end + 1;
    }
    postlaunchrequest(paths);
    for (int pass = 0; pass < 8; ++pass) {
      mainloop(LoopLimits{1, 0});
      checkpass();
    }
  });
  const std::size_t leaked = resetruntime().leakedhandles;
  if (leaked != 0 && ended.empty()) {
    std::fprintf(stderr, "an open-documents request left %zu handles\n", leaked);
    std::abort();
  }
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  std::vector<std::uint8_t> project;
  {
    TemporaryHome home;
    u32 dir = 0;
    if (folderidofpath(home.path(), &dir) == noErr && testproject::build(dir, "p.kv45", testproject::small()) == 0) {
      std::ifstream in(home.path() + "/p.kv45", std::ios::binary);
      project.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  resetruntime();
  const std::string text = "Some text, not a project";
  std::vector<std::uint8_t> s{2};
  appendfile(s, "p.kv45", project);
  appendfile(s, "notes.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
  const std::string lines = "./p.kv45\n/no/such/file.kv45\n\xFF\xFE not UTF-8";
  s.insert(s.end(), lines.begin(), lines.end());
  out->push_back(s);
  std::vector<std::uint8_t> t{1};
  appendfile(t, "Caf\xC3\xA9 project.kv45", project);
  out->push_back(t);
  return out->size();
}
