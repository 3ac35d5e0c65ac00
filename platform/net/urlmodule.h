// The boundary of the URL module (kvmod_url.so: libcurl). Entries as in
// platform/modules/modules.h; when the module is missing no URL can be fetched (failed).
#pragma once

#include "platform/modules/modules.h"
#include "platform/net/urlfetch.h"

// clang-format off
#define KV_URL_ENTRIES(X)                                                                         \
  X(FetchStatus, fetchurl, (std::string_view url, std::size_t limit, FetchedContent * out), (url, limit, out), \
    (*out = FetchedContent{}, FetchStatus::failed), loadmodule)
// clang-format on

namespace kv {
struct UrlModule {
  KV_URL_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
