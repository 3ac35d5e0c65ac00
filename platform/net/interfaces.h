// The machine's own network addresses.
#pragma once

#include <string>

namespace kv {

// The first IPv4 address of the machine's interfaces that is not a loopback address, in
// dotted form; "127.0.0.1" when the machine has no other.
std::string firstipv4address();

}  // namespace kv
