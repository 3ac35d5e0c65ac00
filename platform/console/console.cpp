#include "platform/console/console.h"

#include <cerrno>
#include <ctime>

#include <unistd.h>

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct ConsoleState {
  std::function<void(std::string_view)> capture;
};
}  // namespace

void writeconsole(std::string_view utf8) {
  if (hasstate<ConsoleState>() && state<ConsoleState>().capture) {
    state<ConsoleState>().capture(utf8);
    return;
  }
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

std::string consoletimestamp() {
  static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t now = std::time(nullptr);
  std::tm t{};
  if (localtime_r(&now, &t) == nullptr) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %2d %02d:%02d:%02d ", kMonths[t.tm_mon % 12], t.tm_mday, t.tm_hour, t.tm_min,
                t.tm_sec);
  return buf;
}

void setconsolecapture(std::function<void(std::string_view)> capture) {
  state<ConsoleState>().capture = std::move(capture);
}

}  // namespace kv
