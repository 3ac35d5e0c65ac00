#include "platform/serial/speed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace kv {

int setanyspeed(int fd, int bitspersecond) {
  if (bitspersecond <= 0) return EINVAL;
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = speed_t(bitspersecond);
  t.c_ospeed = speed_t(bitspersecond);
  if (ioctl(fd, TCSETS2, &t) != 0) return errno;
  return 0;
}

int getanyspeed(int fd, int* input, int* output) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  *input = int(t.c_ispeed);
  *output = int(t.c_ospeed);
  return 0;
}

}  // namespace kv
