// The display module's table (built into kvmod_display.so only).
#include "platform/backend/displaymodule.h"

KV_MODULE_DEFINE_TABLE(DisplayModule, kvmod_display, KV_DISPLAY_ENTRIES)
