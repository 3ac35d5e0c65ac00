#include "system/programtargets.h"

#include <string>

#include "platform/net/interfaces.h"
#include "platform/prefs/bundle.h"
#include "platform/text/pstring.h"

namespace kv {

namespace {

// The name other programs know this one by.
std::string programname() {
  if (std::optional<PrefValue> v = bundlevalue("CFBundleName"); v && !v->text.empty()) return v->text;
  return "Kestrove";
}

}  // namespace

void getaddress(StringPtr text) {
  for (const NetInterface& n : networkinterfaces()) {
    if (!n.up || n.loopback) continue;
    const std::string address = "eppc://" + n.address + "/" + programname();
    pstrassign(text, 256, reinterpret_cast<const u8*>(address.data()), address.size());
    return;
  }
}

}  // namespace kv
