// The program's side of the URL module, and what needs no library: whether a text is a URL.
#include "platform/net/urlmodule.h"

namespace kv {
namespace {

bool schemechar(char c, bool first) {
  bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (first) return letter;
  return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

}  // namespace

bool isurl(std::string_view text) {
  std::size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i)
    if (!schemechar(text[i], i == 0)) return false;
  return true;
}

#define KV_URL_FORWARDER(...) KV_MODULE_FORWARDER(UrlModule, "url", __VA_ARGS__)
KV_URL_ENTRIES(KV_URL_FORWARDER)

}  // namespace kv
