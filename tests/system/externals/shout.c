/* A command external that works through the callbacks: reads card field "In" (request 20),
 * writes it upper-cased into card field "Out" (23), defines the user property "uSeen" of this
 * card (5014), sets it to "yes" (5017) and reads it back (5016) as its answer. */
#include <ctype.h>

#include "support.h"

KV_EXPORT_VERSION;

static void request(kv_paramblock* b, uint16_t code, uint64_t a, uint64_t c, uint64_t d) {
  b->request = code;
  b->in[0] = a;
  b->in[1] = c;
  b->in[2] = d;
  KV_CALLBACK(b);
}

__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* services) {
  kv_paramblock* b = (kv_paramblock*)block;
  unsigned char in[256], out[256], card[256], prop[256];
  char text[256];
  pstring(in, "In");
  pstring(out, "Out");
  pstring(card, "this card");
  pstring(prop, "uSeen");
  request(b, 20, 1, (uintptr_t)in, 0);
  if (b->result != 0) return;
  readtext(services, (kv_handle)b->out[0], text, sizeof text);
  services->DisposeHandle((kv_handle)b->out[0]);
  for (char* p = text; *p; ++p) *p = (char)toupper((unsigned char)*p);
  kv_handle upper = newtext(services, text, 1);
  request(b, 23, 1, (uintptr_t)out, upper);
  services->DisposeHandle(upper);
  request(b, 5014, (uintptr_t)card, (uintptr_t)prop, 0);
  kv_handle yes = newtext(services, "yes", 1);
  request(b, 5017, (uintptr_t)card, (uintptr_t)prop, yes);
  services->DisposeHandle(yes);
  kv_handle seen = 0;
  request(b, 5016, (uintptr_t)card, (uintptr_t)prop, (uintptr_t)&seen);
  if (b->result == 0) b->returnvalue = seen;
}
