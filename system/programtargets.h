// Program targets: the address other programs reach this one by.
#pragma once

#include "platform/types.h"

namespace kv {

// The program's own address, "eppc://", the first interface's IPv4 address that is up and
// not a loopback, "/" and the program's name ("Kestrove", or a standalone's own name from
// its Info file). Without such an interface the text is left as it was.
void getaddress(StringPtr text);

}  // namespace kv
