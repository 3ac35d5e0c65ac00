#include "platform/launch/desktopfiles.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/files/files.h"

extern char** environ;

namespace kv {

namespace {

constexpr const char* kMimePackage = "kestrove.xml";
constexpr const char* kIcon = "kestrove.svg";

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

// An XDG home folder: the variable when it names an absolute folder, else its default below
// $HOME.
std::string xdghome(const char* var, const char* fallback) {
  std::string v = env(var);
  if (!v.empty() && v[0] == '/') return v;
  return env("HOME") + fallback;
}

std::string datahome() { return xdghome("XDG_DATA_HOME", "/.local/share"); }
std::string confighome() { return xdghome("XDG_CONFIG_HOME", "/.config"); }

// Makes a folder and the folders above it.
bool makefolders(const std::string& path, std::string* error) {
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
      if (error) *error = "cannot make " + part + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

// Writes a file whole: a temporary file beside it, renamed over it.
bool writefile(const std::string& path, const std::string& text, std::string* error) {
  if (const int e = replacefilewhole(path, text.data(), text.size(), 0644)) {
    if (error) *error = "cannot write " + path + ": " + std::strerror(e);
    return false;
  }
  return true;
}

bool removefile(const std::string& path, std::string* error) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  if (error) *error = "cannot remove " + path + ": " + std::strerror(errno);
  return false;
}

// Runs a desktop tool on a folder when it is installed, its output discarded; a missing tool
// is no error (the desktop reads the files on its own, later).
void runtool(const char* tool, const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string name = tool;
  std::string arg = folder;
  char* argv[] = {name.data(), arg.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

std::string readfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

std::string trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// The key of a "key=value" line of a mimeapps.list, trimmed; empty for other lines.
std::string keyof(const std::string& line) {
  std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : trim(line.substr(0, eq));
}

std::string joined(const std::vector<std::string>& ls) {
  std::string out;
  for (const std::string& l : ls) out += l + "\n";
  return out;
}

// Sets Kestrove as the project type's default in a mimeapps.list, unless one is set there.
bool setdefault(const std::string& path, std::string* error) {
  std::vector<std::string> ls = lines(readfile(path));
  const std::string entry = std::string(kProjectMimeType) + "=" + kDesktopEntryName;
  std::size_t section = ls.size();
  for (std::size_t i = 0; i < ls.size(); ++i) {
    if (trim(ls[i]) == "[Default Applications]") section = i;
    else if (section != ls.size() && !trim(ls[i]).empty() && trim(ls[i])[0] == '[') break;
    else if (section != ls.size() && keyof(ls[i]) == kProjectMimeType) return true;  // the user's choice stays
  }
  if (section == ls.size()) {
    if (!ls.empty() && !trim(ls.back()).empty()) ls.push_back("");
    ls.push_back("[Default Applications]");
    ls.push_back(entry);
  } else {
    ls.insert(ls.begin() + std::ptrdiff_t(section) + 1, entry);
  }
  return makefolders(path.substr(0, path.rfind('/')), error) && writefile(path, joined(ls), error);
}

// Takes the default that setdefault wrote away again (another program's default stays).
bool cleardefault(const std::string& path, std::string* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return true;
  std::vector<std::string> kept;
  bool changed = false;
  for (const std::string& l : lines(readfile(path))) {
    std::string value = keyof(l) == kProjectMimeType ? trim(l.substr(l.find('=') + 1)) : std::string();
    if (!value.empty() && value.back() == ';') value.pop_back();
    if (value == kDesktopEntryName) {
      changed = true;
      continue;
    }
    kept.push_back(l);
  }
  return !changed || writefile(path, joined(kept), error);
}

struct Places {
  std::string applications, mimepackages, icons;
};

Places places() {
  const std::string data = datahome();
  return Places{data + "/applications", data + "/mime/packages", data + "/icons/hicolor/scalable/apps"};
}

}  // namespace

std::string programpath() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0 || std::size_t(n) >= sizeof buf - 1) return {};
  return std::string(buf, std::size_t(n));
}

std::string desktopentryfor(const std::string& program) {
  // A path of plain characters stands as it is; any other is quoted, with the characters that
  // quoting leaves special escaped (the entry's own escaping doubles each backslash).
  bool plain = !program.empty();
  for (char c : program)
    if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("/._+-", c)) plain = false;
  std::string exec;
  if (plain) {
    exec = program;
  } else {
    exec = "\"";
    for (char c : program) {
      if (c == '"' || c == '`' || c == '$') exec += "\\\\";
      if (c == '\\') exec += "\\\\\\";
      exec += c;
    }
    exec += "\"";
  }
  std::string text = desktopentrytemplate();
  const std::string mark = "${KV_EXEC}";
  if (std::size_t at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), exec);
  return text;
}

bool registerdesktop(const std::string& program, std::string* error) {
  const Places p = places();
  for (const std::string* folder : {&p.applications, &p.mimepackages, &p.icons})
    if (!makefolders(*folder, error)) return false;
  if (!writefile(p.applications + "/" + kDesktopEntryName, desktopentryfor(program), error) ||
      !writefile(p.mimepackages + "/" + kMimePackage, desktopmimepackage(), error) ||
      !writefile(p.icons + "/" + kIcon, desktopicon(), error) || !setdefault(confighome() + "/mimeapps.list", error))
    return false;
  runtool("update-mime-database", datahome() + "/mime");
  runtool("update-desktop-database", p.applications);
  return true;
}

bool unregisterdesktop(std::string* error) {
  const Places p = places();
  bool ok = removefile(p.applications + "/" + kDesktopEntryName, error);
  ok = removefile(p.mimepackages + "/" + kMimePackage, ok ? error : nullptr) && ok;
  ok = removefile(p.icons + "/" + kIcon, ok ? error : nullptr) && ok;
  ok = cleardefault(confighome() + "/mimeapps.list", ok ? error : nullptr) && ok;
  struct stat st {};
  if (::stat((datahome() + "/mime").c_str(), &st) == 0) runtool("update-mime-database", datahome() + "/mime");
  if (::stat(p.applications.c_str(), &st) == 0) runtool("update-desktop-database", p.applications);
  return ok;
}

}  // namespace kv
