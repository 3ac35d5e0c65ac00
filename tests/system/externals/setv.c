/* A command external: writes "new" (and a zero byte) into its first parameter's handle and
 * answers the number of parameters it got. */
#include <stdio.h>

#include "support.h"

KV_EXPORT_VERSION;

__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* services) {
  kv_paramblock* b = (kv_paramblock*)block;
  char count[16];
  if (b->paramcount > 0) {
    services->SetHandleSize(b->params[0], 4);
    memcpy(services->HLock(b->params[0]), "new", 4);
    services->HUnlock(b->params[0]);
  }
  snprintf(count, sizeof count, "%d", b->paramcount);
  b->returnvalue = newtext(services, count, 1);
}
