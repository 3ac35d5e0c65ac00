// The parts of a network URL ("scheme://[user@]host[:port][/path]") and percent escapes.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"

namespace kv {

struct UrlParts {
  std::string scheme;  // as written
  std::string host;    // without the brackets of an IPv6 address
  std::string path;    // from the first '/' after the host, query and fragment cut off
  u16 port = 0;
  bool hasport = false;
};

// False when the URL has no scheme, no "//", no host, or a port that is no number below 65536.
bool spliturl(std::string_view url, UrlParts* out);

// Bytes with every byte but letters, digits, "-_.~" and those of `kept` written as %XX
// (capitals).
std::string percentescape(std::string_view bytes, std::string_view kept = {});
// %XX escapes decoded; one that is not two hexadecimal digits stays as written.
std::string percentdecode(std::string_view text);

}  // namespace kv
