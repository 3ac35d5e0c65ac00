// The URL module's table (built into kvmod_url.so only).
#include "platform/net/urlmodule.h"

KV_MODULE_DEFINE_TABLE(UrlModule, kvmod_url, KV_URL_ENTRIES)
