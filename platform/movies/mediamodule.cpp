// The media module's table (built into kvmod_media.so only).
#include "platform/movies/mediamodule.h"

KV_MODULE_DEFINE_TABLE(MediaModule, kvmod_media, KV_MEDIA_ENTRIES)
