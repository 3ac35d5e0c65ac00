// The printers module's table (built into kvmod_printers.so only).
#include "platform/print/printersmodule.h"

KV_MODULE_DEFINE_TABLE(PrintersModule, kvmod_printers, KV_PRINTERS_ENTRIES)
