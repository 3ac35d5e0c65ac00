#include "platform/net/interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "platform/runtime/root.h"

namespace kv {

namespace {

struct InterfaceState {
  std::optional<std::vector<NetInterface>> injected;
};
InterfaceState& ifs() { return state<InterfaceState>(); }

}  // namespace

std::vector<NetInterface> networkinterfaces() {
  if (ifs().injected) return *ifs().injected;
  std::vector<NetInterface> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) continue;
    NetInterface n;
    n.name = a->ifa_name != nullptr ? a->ifa_name : "";
    n.address = text;
    n.up = (a->ifa_flags & IFF_UP) != 0;
    n.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0 || (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    out.push_back(std::move(n));
  }
  freeifaddrs(list);
  return out;
}

void injectnetworkinterfaces(std::optional<std::vector<NetInterface>> list) { ifs().injected = std::move(list); }

std::string firstipv4address() {
  for (const NetInterface& n : networkinterfaces())
    if (n.up && !n.loopback) return n.address;
  return "127.0.0.1";
}

}  // namespace kv
