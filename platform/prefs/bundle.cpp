#include "platform/prefs/bundle.h"

#include <unistd.h>

#include <cstdio>

#include "platform/runtime/root.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {
struct BundleState {
  std::string folder;  // set by tests
};

// An information file is a few lines; anything larger is not read.
constexpr size_t kInfoLimit = 64 * 1024;

// A value of the "Info" file of a folder (a UTF-8 path).
std::optional<PrefValue> infofilevalue(const std::string& folder, std::string_view key) {
  FILE* f = std::fopen((folder + "/Info").c_str(), "rb");
  if (!f) return std::nullopt;
  std::string text;
  char buf[4096];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() <= kInfoLimit) text.append(buf, n);
  std::fclose(f);
  if (text.size() > kInfoLimit) return std::nullopt;
  for (const PrefEntry& e : parsepreferences(text))
    if (e.key == key) return e.value;
  return std::nullopt;
}
}  // namespace

bool applicationfolder(std::string* path) {
  const std::string& set = state<BundleState>().folder;
  if (!set.empty()) {
    *path = set;
    return true;
  }
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0 || size_t(n) >= sizeof buf - 1) return false;
  std::string exe(buf, size_t(n));
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return false;
  *path = slash == 0 ? std::string("/") : exe.substr(0, slash);
  return true;
}

void setapplicationfolder(std::string path) { state<BundleState>().folder = std::move(path); }

std::optional<PrefValue> bundlevalue(std::string_view key) {
  std::string folder;
  if (!applicationfolder(&folder)) return std::nullopt;
  return infofilevalue(folder, key);
}

std::optional<PrefValue> infovalue(std::string_view folder, std::string_view key) {
  return infofilevalue(macromantofilename(folder), key);
}

}  // namespace kv
