// Shell commands and the machine's facts (see shellcommand.h).
#include "platform/process/shellcommand.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/runtime/root.h"

namespace kv {

namespace {

constexpr size_t kPiece = 16384;

// Waits for the child, retrying when a signal interrupts the wait.
void reap(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

// The first line of a file, without its line end; empty when it cannot be read.
std::string firstline(const char* path) {
  std::ifstream in(path);
  std::string line;
  if (in) std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.pop_back();
  return line;
}

// The value after the colon of the first line of a /proc file that starts with `key`.
std::string procvalue(const char* path, std::string_view key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t from = line.find_first_not_of(" \t", colon + 1);
    return from == std::string::npos ? std::string() : line.substr(from);
  }
  return {};
}

machinefacts readmachine() {
  machinefacts m;
  m.product = firstline("/sys/class/dmi/id/product_name");
  m.serial = firstline("/sys/class/dmi/id/product_serial");
  m.cpumodel = procvalue("/proc/cpuinfo", "model name");
  if (m.cpumodel.empty()) m.cpumodel = procvalue("/proc/cpuinfo", "Model");
  long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  m.cpucount = online > 0 ? u32(online) : 0;
  std::string mhz = procvalue("/proc/cpuinfo", "cpu MHz");
  if (!mhz.empty()) m.cpumhz = u32(std::strtod(mhz.c_str(), nullptr) + 0.5);
  std::string mem = procvalue("/proc/meminfo", "MemTotal");
  if (!mem.empty()) m.memorybytes = u64(std::strtoull(mem.c_str(), nullptr, 10)) * 1024;
  return m;
}

struct MachineState {
  std::optional<machinefacts> facts;
};

}  // namespace

shellstatus runshellcommand(std::string_view command, const std::function<bool(const char*, size_t)>& take) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return shellstatus::notstarted;
  std::string line(command);
  pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return shellstatus::notstarted;
  }
  if (child == 0) {
    ::setpgid(0, 0);
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, 0);
    ::dup2(fds[1], 1);
    ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::setpgid(child, child);  // also from here, so that the group exists before it is ended
  ::close(fds[1]);
  shellstatus result = shellstatus::done;
  char piece[kPiece];
  for (;;) {
    ssize_t n = ::read(fds[0], piece, sizeof piece);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (!take(piece, size_t(n))) {
      ::kill(-child, SIGKILL);
      result = shellstatus::refused;
      break;
    }
  }
  ::close(fds[0]);
  reap(child);
  return result;
}

const machinefacts& currentmachine() {
  MachineState& s = state<MachineState>();
  if (!s.facts) s.facts = readmachine();
  return *s.facts;
}

void setmachinemodel(std::optional<machinefacts> model) { state<MachineState>().facts = std::move(model); }

}  // namespace kv
