// Reads arbitrary bytes as a preference file and as a folder's "Info" file, as a damaged or
// hand-edited file may hold them: the entries parsed write out to a text that parses back to the
// same entries (strings with every escape, numbers, data, Mac Roman keys), the preference and
// Info readers answer each key with its first entry, and a domain read from the file and
// changed writes back a file that reads as the domain. The seeds are files this layer wrote.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/prefs/bundle.h"
#include "platform/prefs/prefs.h"
#include "platform/testing/temphome.h"
#include "tests/fuzz/fuzzcheck.h"

// replay-runs: 200

namespace {

using namespace kv;

void writefile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

std::string readfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const PrefValue* first(const std::vector<PrefEntry>& entries, const std::string& key) {
  for (const PrefEntry& e : entries)
    if (e.key == key) return &e.value;
  return nullptr;
}

bool sameentries(const std::vector<PrefEntry>& a, const std::vector<PrefEntry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].key != b[i].key || !(a[i].value == b[i].value)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<PrefEntry> entries = parsepreferences(text);
  const std::string written = formatpreferences(entries);
  check(sameentries(parsepreferences(written), entries));
  check(formatpreferences(parsepreferences(written)) == written);

  TemporaryHome home;
  setfilesyncs(false);
  const std::string folder = preferencesfolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  writefile(folder + "/fuzzed", data, size);
  writefile(home.path() + "/Info", data, size);
  for (const PrefEntry& e : entries) {
    const std::optional<PrefValue> v = getpreference("fuzzed", e.key);
    const std::optional<PrefValue> info = infovalue(home.path(), e.key);
    const PrefValue* want = first(entries, e.key);
    // A key that is no usable key reads as missing.
    check(!v || *v == *want);
    check(info && *info == *want);
  }
  // A change writes the domain back whole, in a file that reads as the domain.
  setpreference("fuzzed", "Added by the fuzz target", PrefValue::ofdata({0, 0xFF, 0x0A}));
  check(synchronizepreferences("fuzzed"));
  const std::vector<PrefEntry> back = parsepreferences(readfile(folder + "/fuzzed"));
  for (const PrefEntry& e : back) check(getpreference("fuzzed", e.key) == e.value);
  check(first(back, "Added by the fuzz target") != nullptr);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const std::vector<PrefEntry> entries = {
      {"IsKestroveStandalone", PrefValue::ofstring("Yes")},
      {"Allow Remote Requests", PrefValue::ofnumber(1)},
      {"Name with \x8A and blanks", PrefValue::ofstring("quote \" backslash \\ return \r tab \t \xA5")},
      {"Window", PrefValue::ofdata({0, 40, 0, 20, 1, 0xE0, 2, 0x80})},
      {"Negative", PrefValue::ofnumber(-9223372036854775807LL - 1)},
  };
  const std::string text = "# a comment\n" + formatpreferences(entries) + "not an entry\nkey = bare words  \n";
  out->emplace_back(text.begin(), text.end());
  return out->size();
}
