/* A native routine that answers what it was called with: "count:value|value|...", each value
 * as its text, and "!" after the count when the parameter handle does not hold exactly the
 * values. */
#include <stdio.h>
#include <string.h>

#include "support.h"

KV_EXPORT_VERSION;

__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* services) {
  kv_native* b = (kv_native*)block;
  char out[256];
  int n = snprintf(out, sizeof out, "%d%s:", b->paramcount,
                   services->GetHandleSize(b->params) == b->paramcount * (int32_t)sizeof(kv_value) ? "" : "!");
  const kv_value* values = (const kv_value*)services->HLock(b->params);
  for (int32_t i = 0; i < b->paramcount && n < (int)sizeof out - 1; ++i) {
    const kv_value* v = &values[i];
    size_t room = sizeof out - (size_t)n;
    if (i > 0) n += snprintf(out + n, room--, "|");
    if (v->type == 0) n += snprintf(out + n, room, "%d", v->integer);
    else if (v->type == 1) n += snprintf(out + n, room, "%g", v->real);
    else if (v->type == 5) n += snprintf(out + n, room, "%.*s", v->shorttext[0], (const char*)v->shorttext + 1);
    else if (v->type == 4) {
      char text[200];
      readtext(services, v->text, text, sizeof text);
      n += snprintf(out + n, room, "%s", text);
    }
  }
  services->HUnlock(b->params);
  unsigned char answer[256];
  pstring(answer, out);
  b->procs->PSetReturnValString(answer, b);
}
