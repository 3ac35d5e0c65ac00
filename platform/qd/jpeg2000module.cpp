// The JPEG 2000 module's table (built into kvmod_jpeg2000.so only).
#include "platform/qd/jpeg2000module.h"

KV_MODULE_DEFINE_TABLE(Jpeg2000Module, kvmod_jpeg2000, KV_JPEG2000_ENTRIES)
