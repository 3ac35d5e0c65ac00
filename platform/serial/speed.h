// Any serial speed, also those without a named constant (7200, 14400, 28800 bits per second),
// through the kernel's second form of the terminal settings. Kept apart because its header
// cannot stand beside <termios.h>.
#pragma once

namespace kv {

// Sets both speeds of a terminal: 0 or errno.
int setanyspeed(int fd, int bitspersecond);
// Reads both speeds: 0 or errno.
int getanyspeed(int fd, int* input, int* output);

}  // namespace kv
