// The machine's own network interfaces and addresses.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv {

// One IPv4 interface: its name, its address in dotted form, and whether it is up and whether
// it is a loopback interface.
struct NetInterface {
  std::string name;
  std::string address;
  bool up = true;
  bool loopback = false;
};

// The machine's IPv4 interfaces in the system's order (the injected list when tests gave one).
std::vector<NetInterface> networkinterfaces();
// Tests give the interface list the machine seems to have; none restores the real one.
void injectnetworkinterfaces(std::optional<std::vector<NetInterface>> list);

// The first IPv4 address of the machine's interfaces that is up and not a loopback address,
// in dotted form; "127.0.0.1" when the machine has no other.
std::string firstipv4address();

}  // namespace kv
