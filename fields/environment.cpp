#include "fields/environment.h"

#include <string_view>

#include "platform/text/pstring.h"
#include "core/settings.h"

namespace kv {

void getenvironment(StringPtr out) {
  // The runtime runs under its own signature; a standalone runs as an application of its own.
  std::string_view name = currentsettings().standalone == kStandaloneWord ? "Standalone Application" : "Kestrove";
  pstrassign(out, 256, name.data(), name.size());
}

}  // namespace kv
