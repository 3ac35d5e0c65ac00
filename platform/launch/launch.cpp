#include "platform/launch/launch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "platform/net/urlparts.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

std::string home() { return env("HOME"); }

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// The folders of one XDG kind, the user's first: the home variable (else its default below
// $HOME), then each absolute folder of the list variable (else its default list).
std::vector<std::string> xdgfolders(const char* homevar, const char* homedefault, const char* listvar,
                                    const char* listdefault) {
  std::vector<std::string> out;
  std::string first = env(homevar);
  if (first.empty() || first[0] != '/') first = home() + homedefault;
  out.push_back(first);
  std::string list = env(listvar);
  if (list.empty()) list = listdefault;
  for (const std::string& d : split(list, ':'))
    if (d[0] == '/') out.push_back(d);
  return out;
}

std::vector<std::string> datafolders() {
  return xdgfolders("XDG_DATA_HOME", "/.local/share", "XDG_DATA_DIRS", "/usr/local/share:/usr/share");
}

std::vector<std::string> configfolders() {
  return xdgfolders("XDG_CONFIG_HOME", "/.config", "XDG_CONFIG_DIRS", "/etc/xdg");
}

bool isdir(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool endswith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Desktop entries below a folder, with their desktop ids (sub-folders joined by '-').
void collect(const std::string& folder, const std::string& prefix, int depth,
             std::vector<std::pair<std::string, std::string>>* out) {
  if (depth > 8) return;
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) names.push_back(e->d_name);
  ::closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    if (n == "." || n == "..") continue;
    std::string path = folder + "/" + n;
    if (isdir(path)) collect(path, prefix + n + "-", depth + 1, out);
    else if (endswith(n, ".desktop")) out->push_back({prefix + n, path});
  }
}

std::string trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// A value with its escapes (\s \n \t \r \\) undone.
std::string unescape(const std::string& v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 == v.size()) {
      out += v[i];
      continue;
    }
    char c = v[++i];
    out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
  }
  return out;
}

// The words of a command line: blanks separate, double quotes group with \" \` \$ \\ escapes.
std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  bool inword = false, quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size()) {
        cur += line[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        cur += c;
      }
    } else if (c == '"') {
      quoted = inword = true;
    } else if (c == ' ' || c == '\t') {
      if (inword) out.push_back(cur);
      cur.clear();
      inword = false;
    } else {
      cur += c;
      inword = true;
    }
  }
  if (inword) out.push_back(cur);
  return out;
}

std::string fileurl(const std::string& path) { return "file://" + percentescape(path, "/"); }

struct LaunchRecorderState {
  LaunchRecorder recorder;
};

// Starts a program detached (its child exits at once, the grandchild runs it): noErr, or
// kLSLaunchFailedErr when it could not be run.
OSErr spawn(const std::vector<std::string>& argv) {
  if (argv.empty()) return kLSLaunchFailedErr;
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) return kLSLaunchFailedErr;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t child = ::fork();
  if (child < 0) {
    ::close(pipefd[0]);
    ::close(pipefd[1]);
    return kLSLaunchFailedErr;
  }
  if (child == 0) {
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
      }
      ::execvp(args[0], args.data());
      int e = errno;
      ssize_t ignored = ::write(pipefd[1], &e, sizeof e);
      (void)ignored;
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(pipefd[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int e = 0;
  ssize_t n;
  while ((n = ::read(pipefd[0], &e, sizeof e)) < 0 && errno == EINTR) {
  }
  ::close(pipefd[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || n > 0) return kLSLaunchFailedErr;
  return noErr;
}

}  // namespace

// The MIME type of a file name, from the shared MIME database's patterns (the highest weight,
// then the longest pattern).
std::string mimetypeof(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  std::string lower = name;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  std::string best;
  int bestweight = -1;
  std::size_t bestlength = 0;
  for (const std::string& folder : datafolders()) {
    std::ifstream in(folder + "/mime/globs2");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::vector<std::string> f;
      std::stringstream ss(line);
      std::string part;
      while (std::getline(ss, part, ':')) f.push_back(part);
      if (f.size() < 3) continue;
      const std::string& pattern = f[2];
      // Only the common "*.ext" patterns are used.
      if (pattern.size() < 2 || pattern[0] != '*' || pattern.find_first_of("*?[", 1) != std::string::npos) continue;
      std::string ext = pattern.substr(1);
      for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
      if (!endswith(lower, ext)) continue;
      int weight = std::atoi(f[0].c_str());
      if (weight > bestweight || (weight == bestweight && ext.size() > bestlength)) {
        best = f[1];
        bestweight = weight;
        bestlength = ext.size();
      }
    }
  }
  return best;
}

namespace {

// The desktop entry of a desktop id, searched through the data folders.
std::string entryofid(const std::string& id) {
  std::vector<std::pair<std::string, std::string>> all;
  for (const std::string& folder : datafolders()) collect(folder + "/applications", "", 0, &all);
  for (const auto& [eid, path] : all)
    if (eid == id) return path;
  return {};
}

}  // namespace

// The application that opens documents of a MIME type.
std::string applicationfor(const std::string& mimetype) {
  if (mimetype.empty()) return {};
  std::vector<std::string> lists;
  for (const std::string& f : configfolders()) lists.push_back(f + "/mimeapps.list");
  for (const std::string& f : datafolders()) lists.push_back(f + "/applications/mimeapps.list");
  for (const std::string& list : lists) {
    std::ifstream in(list);
    std::string line;
    bool defaults = false;
    while (std::getline(in, line)) {
      line = trim(line);
      if (!line.empty() && line[0] == '[') {
        defaults = line == "[Default Applications]";
        continue;
      }
      std::size_t eq = line.find('=');
      if (!defaults || eq == std::string::npos || trim(line.substr(0, eq)) != mimetype) continue;
      for (const std::string& id : split(line.substr(eq + 1), ';')) {
        std::string path = entryofid(trim(id));
        if (!path.empty()) return path;
      }
    }
  }
  for (const std::string& path : installedapplications()) {
    DesktopEntry e;
    if (readdesktopentry(path, &e) && std::find(e.mimetypes.begin(), e.mimetypes.end(), mimetype) != e.mimetypes.end())
      return path;
  }
  return {};
}

std::vector<std::string> installedapplications() {
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (const std::string& folder : datafolders()) {
    std::vector<std::pair<std::string, std::string>> found;
    collect(folder + "/applications", "", 0, &found);
    for (const auto& [id, path] : found) {
      if (!seen.insert(id).second) continue;
      DesktopEntry e;
      if (readdesktopentry(path, &e) && e.type == "Application" && !e.hidden) out.push_back(path);
    }
  }
  return out;
}

bool readdesktopentry(const std::string& path, DesktopEntry* out) {
  *out = DesktopEntry{};
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  bool main = false, any = false;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      main = line == "[Desktop Entry]";
      any = any || main;
      continue;
    }
    std::size_t eq = line.find('=');
    if (!main || eq == std::string::npos) continue;
    std::string key = trim(line.substr(0, eq)), value = unescape(trim(line.substr(eq + 1)));
    if (key == "Type") out->type = value;
    else if (key == "Name") out->name = value;
    else if (key == "Exec") out->exec = value;
    else if (key == "X-AppVersion") out->version = value;
    else if (key == "MimeType") out->mimetypes = split(value, ';');
    else if (key == "Hidden") out->hidden = value == "true";
  }
  return any;
}

std::string itemkind(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  if (S_ISDIR(st.st_mode)) return "Folder";
  if (endswith(path, ".desktop")) {
    DesktopEntry e;
    if (readdesktopentry(path, &e) && e.type == "Application") return "Application";
  }
  if (S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0) return "Application";
  return "Document";
}

std::vector<std::string> expandexec(const DesktopEntry& entry, const std::string& entrypath,
                                    const std::vector<std::string>& documents) {
  std::vector<std::string> out;
  bool placed = false;
  for (const std::string& w : words(entry.exec)) {
    if (w == "%f" || w == "%u") {
      // One document per run; the first is given.
      if (!documents.empty()) out.push_back(w == "%u" ? fileurl(documents[0]) : documents[0]);
      placed = true;
    } else if (w == "%F" || w == "%U") {
      for (const std::string& d : documents) out.push_back(w == "%U" ? fileurl(d) : d);
      placed = true;
    } else if (w == "%i") {
    } else {
      std::string x;
      for (std::size_t i = 0; i < w.size(); ++i) {
        if (w[i] != '%' || i + 1 == w.size()) {
          x += w[i];
          continue;
        }
        char c = w[++i];
        if (c == '%') x += '%';
        else if (c == 'c') x += entry.name;
        else if (c == 'k') x += entrypath;
      }
      if (!x.empty()) out.push_back(x);
    }
  }
  if (!placed)
    for (const std::string& d : documents) out.push_back(d);
  return out;
}

void setlaunchrecorder(LaunchRecorder recorder) { state<LaunchRecorderState>().recorder = std::move(recorder); }

OSErr launchapplication(const std::string& application, const std::vector<std::string>& documents) {
  if (const LaunchRecorder& r = state<LaunchRecorderState>().recorder) return r(application, documents);
  if (endswith(application, ".desktop")) {
    DesktopEntry e;
    if (!readdesktopentry(application, &e) || e.type != "Application" || e.exec.empty()) return kLSLaunchFailedErr;
    return spawn(expandexec(e, application, documents));
  }
  std::vector<std::string> argv{application};
  argv.insert(argv.end(), documents.begin(), documents.end());
  return spawn(argv);
}

OSErr opendocuments(const std::vector<std::string>& documents) {
  for (const std::string& d : documents) {
    std::string app = applicationfor(isdir(d) ? std::string("inode/directory") : mimetypeof(d));
    if (app.empty()) return kLSApplicationNotFoundErr;
    if (OSErr e = launchapplication(app, {d})) return e;
  }
  return noErr;
}

}  // namespace kv
