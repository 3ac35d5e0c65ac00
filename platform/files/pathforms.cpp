// Path forms and lock support of file systems (see pathforms.h).
#include "platform/files/pathforms.h"

#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/text/macroman.h"

namespace kv {

namespace {

// File system magic numbers of statfs whose locks are not exclusive across machines.
constexpr long kNfs = 0x6969, kSmb = 0x517B, kCifs = 0xFF534D42, kSmb2 = 0xFE534D42, kFuse = 0x65735546;

// The current folder's path (Mac Roman).
std::string currentfolder() {
  char here[4096];
  return ::getcwd(here, sizeof here) != nullptr ? filenametomacroman(here) : std::string("/");
}

}  // namespace

// The home folder's path for a leading "~".
std::string expandhome(std::string path) {
  if (path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/')) return path;
  const char* home = std::getenv("HOME");
  return (home != nullptr ? filenametomacroman(home) : std::string()) + path.substr(1);
}

// A colon path as an absolute POSIX path: its first name is a volume under /Volumes when one
// of that name is mounted, else a folder of the root (so every absolute path has a colon
// form); a leading colon starts from the current folder.
std::string colonpathtoposix(const std::string& colon) {
  std::string out;
  size_t i = 0;
  if (!colon.empty() && colon[0] == ':') {
    out = currentfolder();
    i = 1;
    while (i < colon.size() && colon[i] == ':') {
      size_t slash = out.rfind('/');
      out.erase(slash == 0 || slash == std::string::npos ? 1 : slash);
      ++i;
    }
    if (out.empty() || out.back() != '/') out += '/';
  } else {
    size_t end = colon.find(':');
    std::string volume = colon.substr(0, end);
    struct stat st {};
    out = ::stat(macromantofilename("/Volumes/" + volume).c_str(), &st) == 0 ? "/Volumes/" : "/";
  }
  for (; i < colon.size(); ++i) out += colon[i] == ':' ? '/' : colon[i];
  return out;
}

// An absolute POSIX path (made absolute from the current folder) in the colon form.
std::string posixtocolonpath(std::string posix) {
  if (posix.empty() || posix[0] != '/') {
    std::string base = currentfolder();
    posix = base + (base.back() == '/' ? "" : "/") + posix;
  }
  std::string rest = posix.substr(1);
  if (rest.compare(0, 8, "Volumes/") == 0 && rest.size() > 8) rest = rest.substr(8);
  for (char& c : rest) c = c == '/' ? ':' : c;
  return rest;
}

bool takesexclusivelocks(std::string_view path, bool* exists) {
  struct statfs fs {};
  *exists = ::statfs(macromantofilename(path).c_str(), &fs) == 0;
  if (!*exists) return false;
  const long type = long(fs.f_type);
  return type != kNfs && type != kSmb && type != kCifs && type != kSmb2 && type != kFuse;
}

}  // namespace kv
