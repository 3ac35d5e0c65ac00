#include "platform/loader/loader.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/runtime/root.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

#if defined(__x86_64__)
constexpr u16 kMachine = EM_X86_64;
constexpr u32 kCpuType = 0x01000007;
#elif defined(__aarch64__)
constexpr u16 kMachine = EM_AARCH64;
constexpr u32 kCpuType = 0x0100000C;
#elif defined(__i386__)
constexpr u16 kMachine = EM_386;
constexpr u32 kCpuType = 7;
#elif defined(__arm__)
constexpr u16 kMachine = EM_ARM;
constexpr u32 kCpuType = 12;
#else
constexpr u16 kMachine = EM_NONE;
constexpr u32 kCpuType = 0;
#endif

constexpr u8 kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr u8 kByteOrder = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;

struct Image {
  int fd = -1;       // the anonymous file holding the bytes (-1 for a file named by path)
  int spare = -1;    // a second descriptor of it, when the first one's name was taken
  std::string path;  // what the loader opens
  void* module = nullptr;
};

struct LoaderState {
  Registry<Image, RegType::external> images;
  LoaderState() = default;
  LoaderState(const LoaderState&) = delete;
  LoaderState& operator=(const LoaderState&) = delete;
  ~LoaderState() {
    images.each([](RegistryId, Image& im) {
      if (im.module != nullptr) ::dlclose(im.module);
      if (im.fd >= 0) ::close(im.fd);
      if (im.spare >= 0) ::close(im.spare);
    });
  }
};

LoaderState& ls() { return state<LoaderState>(); }

// a + b <= limit without wrapping.
bool within(u64 a, u64 b, u64 limit) { return a <= limit && b <= limit - a; }

bool refuse(std::string* reason, const char* why) {
  *reason = why;
  return false;
}

bool writeall(int fd, const u8* bytes, u64 size) {
  u64 put = 0;
  while (put < size) {
    ssize_t n = ::write(fd, bytes + put, std::size_t(std::min<u64>(size - put, 1u << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    put += u64(n);
  }
  return true;
}

std::string fdpath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The loader knows objects by the name they were opened under: a name that still stands for
// an object loaded earlier would answer that object. Such a name is not used.
bool nametaken(const std::string& path) {
  void* old = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (old == nullptr) return false;
  ::dlclose(old);
  return true;
}

}  // namespace

bool checksharedobject(const u8* bytes, u64 size, std::string* reason) {
  using Ehdr = ElfW(Ehdr);
  using Phdr = ElfW(Phdr);
  if (bytes == nullptr || size < sizeof(Ehdr)) return refuse(reason, "too short for an object file");
  Ehdr eh;
  std::memcpy(&eh, bytes, sizeof eh);
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) return refuse(reason, "not an ELF object");
  if (eh.e_ident[EI_CLASS] != kClass || eh.e_ident[EI_DATA] != kByteOrder || eh.e_ident[EI_VERSION] != EV_CURRENT)
    return refuse(reason, "an ELF object of another class or byte order");
  if (eh.e_machine != kMachine) return refuse(reason, "code for another processor");
  if (eh.e_type != ET_DYN) return refuse(reason, "not a shared object");
  if (eh.e_phentsize != sizeof(Phdr) || eh.e_phnum == 0 || eh.e_phnum == PN_XNUM)
    return refuse(reason, "damaged program headers");
  u64 phbytes = u64(eh.e_phnum) * sizeof(Phdr);
  if (!within(eh.e_phoff, phbytes, size)) return refuse(reason, "program headers beyond the end of the data");
  std::vector<Phdr> ph(eh.e_phnum);
  std::memcpy(ph.data(), bytes + eh.e_phoff, std::size_t(phbytes));
  bool loadable = false;
  for (const Phdr& p : ph) {
    if (p.p_type != PT_LOAD) continue;
    loadable = true;
    if (!within(p.p_offset, p.p_filesz, size)) return refuse(reason, "a segment lies beyond the end of the data");
    if (p.p_filesz > p.p_memsz || !within(p.p_vaddr, p.p_memsz, ~u64(0))) return refuse(reason, "a damaged segment");
  }
  if (!loadable) return refuse(reason, "no loadable segment");
  // The loader reads these through the loaded segments: they must lie inside one.
  for (const Phdr& p : ph) {
    if (p.p_type != PT_DYNAMIC && p.p_type != PT_NOTE && p.p_type != PT_TLS && p.p_type != PT_GNU_RELRO &&
        p.p_type != PT_GNU_EH_FRAME && p.p_type != PT_GNU_PROPERTY)
      continue;
    bool inside = false;
    for (const Phdr& l : ph)
      if (l.p_type == PT_LOAD && p.p_vaddr >= l.p_vaddr && within(p.p_vaddr - l.p_vaddr, p.p_memsz, l.p_memsz))
        inside = true;
    if (!inside || !within(p.p_offset, p.p_filesz, size)) return refuse(reason, "a damaged segment");
  }
  return true;
}

i32 createimage(const u8* bytes, u64 size, std::string_view path, RegistryId* image, std::string* reason) {
  *image = nilid;
  if (!checksharedobject(bytes, size, reason)) return 0;
  auto im = std::make_unique<Image>();
  if (!path.empty()) {
    im->path = macromantofilename(path);
  } else {
    im->fd = ::memfd_create("kestrove-external", MFD_CLOEXEC);
    if (im->fd < 0 || !writeall(im->fd, bytes, size)) {
      if (im->fd >= 0) ::close(im->fd);
      *reason = "no room for the code";
      return 0;
    }
    im->path = fdpath(im->fd);
    if (nametaken(im->path)) {
      im->spare = ::fcntl(im->fd, F_DUPFD_CLOEXEC, 64);
      if (im->spare >= 0) im->path = fdpath(im->spare);
    }
  }
  *image = ls().images.add(std::move(im));
  if (*image == nilid) {
    *reason = "too many externals loaded";
    return 0;
  }
  return 1;
}

bool linkimage(RegistryId image, std::string* reason) {
  Image* im = ls().images.get(image);
  if (im == nullptr) return refuse(reason, "no such image");
  if (im->module != nullptr) return true;
  ::dlerror();
  im->module = ::dlopen(im->path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (im->module == nullptr) {
    const char* e = ::dlerror();
    *reason = e != nullptr ? e : "the loader refused it";
    return false;
  }
  return true;
}

void* imagesymbol(RegistryId image, const char* name, bool* found) {
  *found = false;
  Image* im = ls().images.get(image);
  if (im == nullptr || im->module == nullptr) return nullptr;
  ::dlerror();
  void* at = ::dlsym(im->module, name);
  *found = at != nullptr || ::dlerror() == nullptr;
  return at;
}

void unlinkimage(RegistryId image) {
  Image* im = ls().images.get(image);
  if (im == nullptr || im->module == nullptr) return;
  ::dlclose(im->module);
  im->module = nullptr;
}

bool destroyimage(RegistryId image) {
  std::unique_ptr<Image> im = ls().images.remove(image);
  if (!im) return false;
  if (im->module != nullptr) ::dlclose(im->module);
  if (im->fd >= 0) ::close(im->fd);
  if (im->spare >= 0) ::close(im->spare);
  return true;
}

std::size_t imagecount() { return ls().images.count(); }

u32 localcputype() { return kCpuType; }

u64 pagesize() {
  long n = ::sysconf(_SC_PAGESIZE);
  return n > 0 ? u64(n) : 4096;
}

}  // namespace kv
