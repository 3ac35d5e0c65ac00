#include "properties/longnames.h"

#include <string_view>

#include "platform/files/files.h"
#include "platform/text/pstring.h"

namespace kv {

bool splitname(const std::string& name, u32* dirid, StringPtr leaf) {
  *dirid = 0;
  std::string_view last = name;
  if (name.size() > 255) {
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos || name.size() - slash - 1 > 255) return false;
    if (folderidofpath(name.substr(0, slash == 0 ? 1 : slash), dirid) != noErr) return false;
    last = std::string_view(name).substr(slash + 1);
  }
  pstrassign(leaf, 256, last.data(), last.size());
  return true;
}

}  // namespace kv
