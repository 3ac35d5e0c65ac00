// The program's side of the JPEG 2000 module: loads kvmod_jpeg2000.so when an image of that
// kind is first decoded.
#include "platform/qd/jpeg2000module.h"

namespace kv {

#define KV_JPEG2000_FORWARDER(...) KV_MODULE_FORWARDER(Jpeg2000Module, "jpeg2000", __VA_ARGS__)
KV_JPEG2000_ENTRIES(KV_JPEG2000_FORWARDER)

}  // namespace kv
