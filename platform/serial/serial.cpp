#include "platform/serial/serial.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/runtime/root.h"
#include "platform/serial/speed.h"

namespace kv {

namespace {

struct Port {
  int fd = -1;
  termios saved{};
  termios working{};
  bool haslines = true;
  ~Port() {
    if (fd >= 0) ::close(fd);
  }
};

struct SerialState {
  Registry<Port, RegType::serialport> ports;
  std::optional<std::vector<SerialDevice>> devices;
};

SerialState& ss() { return state<SerialState>(); }

Port* portof(RegistryId id) { return ss().ports.get(id); }

int apply(Port* p) { return ::tcsetattr(p->fd, TCSANOW, &p->working) == 0 ? 0 : errno; }

// Whether a modem-line request failed only because the device has no modem lines.
bool nolines(int e) { return e == ENOTTY || e == EINVAL; }

std::vector<std::string> devicesnamed(const char* prefix, bool needhardware) {
  std::vector<std::string> out;
  DIR* d = ::opendir("/dev");
  if (d == nullptr) return out;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name.rfind(prefix, 0) != 0) continue;
    if (needhardware) {
      // A serial port the machine has: a device behind it that is not the placeholder driver.
      std::string link = "/sys/class/tty/" + name + "/device/driver";
      char target[256];
      ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
      if (n <= 0) continue;
      target[n] = 0;
      if (std::strstr(target, "serial8250") != nullptr) continue;
    }
    out.push_back("/dev/" + name);
  }
  ::closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

std::vector<std::string> serialdevices(SerialKind kind) {
  std::vector<std::string> out;
  if (const auto& fake = ss().devices) {
    for (const SerialDevice& d : *fake)
      if (kind == SerialKind::any || (kind == SerialKind::modem) == d.modem) out.push_back(d.path);
    return out;
  }
  if (kind != SerialKind::rs232) out = devicesnamed("ttyACM", false);
  if (kind != SerialKind::modem) {
    for (const char* prefix : {"ttyS", "ttyUSB"})
      for (std::string& p : devicesnamed(prefix, std::strcmp(prefix, "ttyS") == 0)) out.push_back(std::move(p));
  }
  return out;
}

void setserialdevices(std::vector<SerialDevice> devices, bool use) {
  if (use) ss().devices = std::move(devices);
  else ss().devices.reset();
}

int serialopen(const std::string& path, RegistryId* port) {
  *port = nilid;
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  auto p = std::make_unique<Port>();
  p->fd = fd;
  *port = ss().ports.add(std::move(p));
  return *port == nilid ? EMFILE : 0;
}

int serialexclusive(RegistryId port) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  return ::ioctl(p->fd, TIOCEXCL) == 0 ? 0 : errno;
}

int serialblocking(RegistryId port) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  int flags = ::fcntl(p->fd, F_GETFL);
  if (flags < 0 || ::fcntl(p->fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return errno;
  return 0;
}

int serialsaveattributes(RegistryId port) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  return ::tcgetattr(p->fd, &p->saved) == 0 ? 0 : errno;
}

int serialrawcopy(RegistryId port, int tenths) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  p->working = p->saved;
  ::cfmakeraw(&p->working);
  p->working.c_cc[VMIN] = 1;
  p->working.c_cc[VTIME] = cc_t(tenths);
  return 0;
}

int serialsetspeed(RegistryId port, int bitspersecond) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  if (int e = apply(p)) return e;
  if (int e = setanyspeed(p->fd, bitspersecond)) return e;
  // Keep the working copy in step with what the device now holds.
  return ::tcgetattr(p->fd, &p->working) == 0 ? 0 : errno;
}

int serialsetflowcontrol(RegistryId port) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  p->working.c_cflag |= CRTSCTS;
  return apply(p);
}

int serialsetdatabits(RegistryId port, int bits) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  tcflag_t size = bits == 5 ? CS5 : bits == 6 ? CS6 : bits == 7 ? CS7 : CS8;
  p->working.c_cflag = (p->working.c_cflag & ~tcflag_t(CSIZE)) | size;
  return apply(p);
}

int serialsetstopbits(RegistryId port, int bits) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  if (bits == 2) p->working.c_cflag |= CSTOPB;
  else p->working.c_cflag &= ~tcflag_t(CSTOPB);
  return apply(p);
}

int serialsetparity(RegistryId port, char parity) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  p->working.c_cflag &= ~tcflag_t(PARENB | PARODD);
  if (parity == 'o') p->working.c_cflag |= PARENB | PARODD;
  if (parity == 'e') p->working.c_cflag |= PARENB;
  return apply(p);
}

int serialsetdtr(RegistryId port, bool on) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  int line = TIOCM_DTR;
  if (::ioctl(p->fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return 0;
  if (nolines(errno)) {
    p->haslines = false;
    return 0;
  }
  return errno;
}

int serialsetlines(RegistryId port, int lines) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  int bits = ((lines & kLineDTR) ? TIOCM_DTR : 0) | ((lines & kLineRTS) ? TIOCM_RTS : 0) |
             ((lines & kLineCTS) ? TIOCM_CTS : 0) | ((lines & kLineDSR) ? TIOCM_DSR : 0);
  if (!p->haslines || ::ioctl(p->fd, TIOCMSET, &bits) == 0) return 0;
  if (nolines(errno)) {
    p->haslines = false;
    return 0;
  }
  return errno;
}

int serialgetlines(RegistryId port, int* lines) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  *lines = 0;
  int bits = 0;
  if (!p->haslines) return 0;
  if (::ioctl(p->fd, TIOCMGET, &bits) != 0) return nolines(errno) ? 0 : errno;
  *lines = ((bits & TIOCM_DTR) ? kLineDTR : 0) | ((bits & TIOCM_RTS) ? kLineRTS : 0) |
           ((bits & TIOCM_CTS) ? kLineCTS : 0) | ((bits & TIOCM_DSR) ? kLineDSR : 0);
  return 0;
}

int serialgetspeed(RegistryId port, int* input, int* output) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  return getanyspeed(p->fd, input, output);
}

int serialgetflags(RegistryId port, SerialFlags* flags) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  termios t{};
  if (::tcgetattr(p->fd, &t) != 0) return errno;
  int in = 0, out = 0;
  getanyspeed(p->fd, &in, &out);
  *flags = SerialFlags{long(t.c_iflag), long(t.c_oflag), long(t.c_cflag), long(t.c_lflag), in, out};
  return 0;
}

i64 serialwrite(RegistryId port, const void* data, std::size_t n, int* error) {
  *error = 0;
  Port* p = portof(port);
  if (p == nullptr) {
    *error = EBADF;
    return -1;
  }
  ssize_t done = ::write(p->fd, data, n);
  if (done < 0) *error = errno;
  return i64(done);
}

int serialdrain(RegistryId port) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  return ::tcdrain(p->fd) == 0 ? 0 : errno;
}

int serialrestore(RegistryId port) {
  Port* p = portof(port);
  if (p == nullptr) return EBADF;
  return ::tcsetattr(p->fd, TCSANOW, &p->saved) == 0 ? 0 : errno;
}

int serialclose(RegistryId port) {
  std::unique_ptr<Port> p = ss().ports.remove(port);
  if (!p) return EBADF;
  int fd = p->fd;
  p->fd = -1;
  return ::close(fd) == 0 ? 0 : errno;
}

long serialdescriptor(RegistryId port) {
  Port* p = portof(port);
  return p == nullptr ? -1 : p->fd;
}

std::string serialerrortext(int error) { return std::strerror(error); }

// --- Pseudo-terminal pair ------------------------------------------------------------------

PseudoTerminal::PseudoTerminal() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) return;
  path_ = name;
  keepopen_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal() {
  if (keepopen_ >= 0) ::close(keepopen_);
  if (master_ >= 0) ::close(master_);
}

std::string PseudoTerminal::read(std::size_t n, int waitms) {
  std::string out;
  while (out.size() < n) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, waitms) <= 0) break;
    char buf[256];
    ssize_t got = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
    if (got <= 0) break;
    out.append(buf, std::size_t(got));
  }
  return out;
}

int PseudoTerminal::speed() const {
  int in = 0, out = 0;
  getanyspeed(keepopen_, &in, &out);
  return out;
}

int PseudoTerminal::databits() const {
  termios t{};
  if (::tcgetattr(keepopen_, &t) != 0) return 0;
  switch (t.c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

}  // namespace kv
