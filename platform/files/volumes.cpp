// The mounted volumes and their watcher (see volumes.h).
#include "platform/files/volumes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "platform/files/files.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

constexpr u32 kPollTicks = 30;
constexpr const char* kLabels = "/dev/disk/by-label";

struct Mount {
  std::string mountpoint, source;
  bool readonly = false;
};

struct VolumesState {
  std::optional<std::string> table;    // the injected mount table
  std::map<std::string, i16> refnums;  // by mount point, for the run
  i16 nextrefnum = -2;
  bool watching = false;
  u32 lastpoll = 0;
  std::map<i16, std::string> seen;  // what the watcher saw last: names by reference number
};

VolumesState& vs() { return state<VolumesState>(); }

// A field of the mount table: "\ooo" octal escapes (a blank, a tab, a line feed, a backslash).
std::string unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
      out += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool removable(const std::string& mountpoint) {
  for (const char* root : {"/media/", "/run/media/", "/mnt/"})
    if (mountpoint.rfind(root, 0) == 0 && mountpoint.size() > std::string_view(root).size()) return true;
  return false;
}

std::string readtable() {
  if (vs().table) return *vs().table;
  std::ifstream in("/proc/self/mountinfo");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The removable file systems of the table, in mount order.
std::vector<Mount> mounts() {
  std::vector<Mount> out;
  std::istringstream lines(readtable());
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    size_t dash = 0;
    while (dash < w.size() && w[dash] != "-") ++dash;
    if (w.size() < 6 || dash + 2 >= w.size()) continue;
    Mount m;
    m.mountpoint = unescape(w[4]);
    m.source = unescape(w[dash + 2]);
    std::istringstream options(w[5]);
    for (std::string o; std::getline(options, o, ',');) m.readonly = m.readonly || o == "ro";
    if (!removable(m.mountpoint)) continue;
    // A file system mounted again on the same point replaces the earlier one.
    std::erase_if(out, [&](const Mount& e) { return e.mountpoint == m.mountpoint; });
    out.push_back(m);
  }
  return out;
}

// A label of /dev/disk/by-label: "\xHH" escapes.
std::string unhex(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      out += char(std::strtol(std::string(name.substr(i + 2, 2)).c_str(), nullptr, 16));
      i += 3;
    } else {
      out += name[i];
    }
  }
  return out;
}

// The label of the device a file system was mounted from, or empty.
std::string labelof(const std::string& source) {
  if (source.rfind("/dev/", 0) != 0) return {};
  char real[PATH_MAX];
  if (::realpath(source.c_str(), real) == nullptr) return {};
  DIR* d = ::opendir(kLabels);
  if (d == nullptr) return {};
  std::string label;
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    char target[PATH_MAX];
    const std::string link = std::string(kLabels) + "/" + e->d_name;
    if (::realpath(link.c_str(), target) != nullptr && std::string_view(target) == real) {
      label = unhex(e->d_name);
      break;
    }
  }
  ::closedir(d);
  return label;
}

i16 refnumof(const std::string& mountpoint) {
  VolumesState& s = vs();
  auto it = s.refnums.find(mountpoint);
  if (it != s.refnums.end()) return it->second;
  const i16 n = s.nextrefnum;
  if (s.nextrefnum > -32767) --s.nextrefnum;
  s.refnums.emplace(mountpoint, n);
  return n;
}

VolumeInfo infoof(const Mount& m) {
  VolumeInfo v;
  v.vRefNum = refnumof(m.mountpoint);
  v.locked = m.readonly;
  v.mountpoint = m.mountpoint;
  std::string name = labelof(m.source);
  if (name.empty()) name = m.mountpoint.substr(m.mountpoint.rfind('/') + 1);
  v.name = filenametomacroman(name);
  return v;
}

VolumeInfo bootvolume() {
  VolumeInfo v;
  v.vRefNum = kBootVolume;
  v.name.assign(1, '/');
  v.mountpoint.assign(1, '/');
  v.locked = ::access("/", W_OK) != 0 && errno == EROFS;
  return v;
}

// Runs a program and waits for it: whether it ended with status 0.
bool runs(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
    }
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool hasudisks() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && ::access((dir + "/udisksctl").c_str(), X_OK) == 0) return true;
  return false;
}

}  // namespace

OSErr GetVolumeByIndex(i16 index, VolumeInfo* out) {
  if (index < 1) return nsvErr;
  if (index == 1) {
    *out = bootvolume();
    return noErr;
  }
  const std::vector<Mount> m = mounts();
  if (size_t(index - 2) >= m.size()) return nsvErr;
  *out = infoof(m[size_t(index - 2)]);
  return noErr;
}

OSErr GetVolumeByRefNum(i16 vRefNum, VolumeInfo* out) {
  if (vRefNum == kBootVolume || vRefNum == 0) {
    *out = bootvolume();
    return noErr;
  }
  for (const Mount& m : mounts()) {
    if (refnumof(m.mountpoint) != vRefNum) continue;
    *out = infoof(m);
    return noErr;
  }
  return nsvErr;
}

std::vector<VolumeChange> pollvolumes(u32 now) {
  VolumesState& s = vs();
  std::vector<VolumeChange> changes;
  if (s.watching && now - s.lastpoll < kPollTicks) return changes;
  std::map<i16, std::string> current;
  for (const Mount& m : mounts()) {
    const VolumeInfo v = infoof(m);
    current.emplace(v.vRefNum, v.name);
  }
  if (s.watching) {
    for (const auto& [ref, name] : s.seen)
      if (!current.contains(ref)) changes.push_back(VolumeChange{ref, false, name});
    for (const auto& [ref, name] : current)
      if (!s.seen.contains(ref)) changes.push_back(VolumeChange{ref, true, name});
  }
  s.watching = true;
  s.lastpoll = now;
  s.seen = std::move(current);
  return changes;
}

OSErr unmountvolume(i16 vRefNum) {
  for (const Mount& m : mounts()) {
    if (refnumof(m.mountpoint) != vRefNum) continue;
    if (hasudisks() && m.source.rfind("/dev/", 0) == 0) {
      if (!runs({"udisksctl", "unmount", "--no-user-interaction", "-b", m.source})) return fBsyErr;
      runs({"udisksctl", "power-off", "--no-user-interaction", "-b", m.source});
      return noErr;
    }
    return ::umount2(m.mountpoint.c_str(), 0) == 0 ? OSErr(noErr) : OSErr(fBsyErr);
  }
  return nsvErr;
}

void setmounttable(std::optional<std::string> mountinfo) { vs().table = std::move(mountinfo); }

}  // namespace kv
