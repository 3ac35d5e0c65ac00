/* A function external: twice(n) is 2 x n. Built three ways: as it is, for another interface
 * version (KV_TEST_VERSION), and without its entry (KV_TEST_NOENTRY). */
#include <stdio.h>
#include <stdlib.h>

#include "support.h"

#ifdef KV_TEST_VERSION
__attribute__((visibility("default"))) const uint32_t kv_interface_version = KV_TEST_VERSION;
#else
KV_EXPORT_VERSION;
#endif

#ifdef KV_TEST_NOENTRY
__attribute__((visibility("default"))) void kv_start(void* block, const kv_services* services);
void kv_start(void* block, const kv_services* services) {
#else
__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* services) {
#endif
  kv_paramblock* b = (kv_paramblock*)block;
  char arg[64] = "0", out[32];
  if (b->paramcount > 0) readtext(services, b->params[0], arg, sizeof arg);
  snprintf(out, sizeof out, "%ld", 2 * strtol(arg, 0, 10));
  b->returnvalue = newtext(services, out, 1);
}
