/* An external whose answer its first parameter chooses: "none" returns nothing, "whole" a
 * text without a zero byte, "pass" passes the message on after noting "passed" in card field
 * 1 (request 24). */
#include "support.h"

KV_EXPORT_VERSION;

__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* services) {
  kv_paramblock* b = (kv_paramblock*)block;
  char mode[16] = "pass";
  if (b->paramcount > 0) readtext(services, b->params[0], mode, sizeof mode);
  if (strcmp(mode, "whole") == 0) {
    b->returnvalue = newtext(services, "whole", 0);
  } else if (strcmp(mode, "pass") == 0) {
    kv_handle text = newtext(services, "passed", 1);
    b->request = 24;
    b->in[0] = 1;
    b->in[1] = 1;
    b->in[2] = text;
    KV_CALLBACK(b);
    services->DisposeHandle(text);
    b->passflag = 1;
  }
}
