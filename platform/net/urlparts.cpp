#include "platform/net/urlparts.h"

namespace kv {

namespace {

int hexvalue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool spliturl(std::string_view url, UrlParts* u) {
  *u = UrlParts{};
  const std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  const std::string_view scheme = url.substr(0, colon);
  for (char c : scheme)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
          c == '.'))
      return false;
  u->scheme = std::string(scheme);
  std::string_view rest = url.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return false;
  rest.remove_prefix(2);
  const std::size_t end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, end);
  if (end != std::string_view::npos && rest[end] == '/') {
    std::string_view path = rest.substr(end);
    u->path = std::string(path.substr(0, path.find_first_of("?#")));
  }
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  const std::size_t portcolon = authority.rfind(':');
  if (portcolon != std::string_view::npos && authority.find(']', portcolon) == std::string_view::npos) {
    const std::string_view digits = authority.substr(portcolon + 1);
    authority = authority.substr(0, portcolon);
    if (!digits.empty()) {
      u32 port = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') return false;
        port = port * 10 + u32(c - '0');
        if (port > 65535) return false;
      }
      u->port = u16(port);
      u->hasport = true;
    }
  }
  if (authority.size() >= 2 && authority.front() == '[' && authority.back() == ']')
    authority = authority.substr(1, authority.size() - 2);
  u->host = std::string(authority);
  return !u->host.empty();
}

std::string percentescape(std::string_view bytes, std::string_view kept) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~' || kept.find(char(c)) != std::string_view::npos;
    if (plain) {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string percentdecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexvalue(text[i + 1]) >= 0 && hexvalue(text[i + 2]) >= 0) {
      out += char(hexvalue(text[i + 1]) * 16 + hexvalue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace kv
