#include "platform/ipc/sockets.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kv::ipc {

bool addressof(const std::string& path, sockaddr_un* a) {
  std::memset(a, 0, sizeof *a);
  a->sun_family = AF_UNIX;
  if (path.size() >= sizeof a->sun_path) return false;
  std::memcpy(a->sun_path, path.data(), path.size());
  return true;
}

bool writeall(int fd, const u8* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= std::size_t(w);
  }
  return true;
}

bool writefile(int fd, const std::string& text) {
  std::size_t at = 0;
  while (at < text.size()) {
    ssize_t w = ::write(fd, text.data() + at, text.size() - at);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    at += std::size_t(w);
  }
  return true;
}

bool readall(int fd, u8* p, std::size_t n, int ms) {
  while (n > 0) {
    pollfd pf{fd, POLLIN, 0};
    int r = ::poll(&pf, 1, ms);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    ssize_t got = ::recv(fd, p, n, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= std::size_t(got);
  }
  return true;
}

void putbe32(std::vector<u8>& out, u32 v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(u8(v >> shift));
}

u32 be32(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | u32(p[3]); }

bool peeruid(int fd, u32* uid) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return false;
  *uid = u32(cred.uid);
  return true;
}

bool ownfolder(const std::string& folder, std::string* error) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    if (error) *error = "cannot make " + folder + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    if (error) *error = folder + " is not a folder of this user";
    return false;
  }
  if ((st.st_mode & 0077) != 0) {
    if (error) *error = folder + " is open to other users";
    return false;
  }
  return true;
}

}  // namespace kv::ipc
