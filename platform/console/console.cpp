#include "platform/console/console.h"

#include <cerrno>

#include <unistd.h>

namespace kv {

void writeconsole(std::string_view utf8) {
  const char* p = utf8.data();
  std::size_t left = utf8.size();
  while (left > 0) {
    ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    p += n;
    left -= std::size_t(n);
  }
}

}  // namespace kv
