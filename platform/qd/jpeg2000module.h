// The boundary of the JPEG 2000 module (kvmod_jpeg2000.so: openjp2). Entries as in
// platform/modules/modules.h; when the module is missing a JPEG 2000 image does not decode
// (as a damaged one does).
#pragma once

#include "platform/modules/modules.h"
#include "platform/qd/iconimpl.h"
#include "platform/testing/testimages.h"

// clang-format off
#define KV_JPEG2000_ENTRIES(X)                                                                                 \
  X(bool, decodejpeg2000, (const u8* data, std::size_t size, IconImage* out), (data, size, out), false,        \
    loadmodule)                                                                                                \
  X(std::vector<u8>, testjpeg2000, (i32 w, i32 h, const std::vector<u32>& argb), (w, h, argb), std::vector<u8>(), \
    loadmodule)
// clang-format on

namespace kv {
struct Jpeg2000Module {
  KV_JPEG2000_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
