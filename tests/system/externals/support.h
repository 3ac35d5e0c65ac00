/* What the test externals share: texts in and out of handles through the services. */
#ifndef KV_TEST_EXTERNAL_SUPPORT_H
#define KV_TEST_EXTERNAL_SUPPORT_H

#include <string.h>

#include "system/kvexternal.h"

/* A new handle holding the bytes (and a zero byte when `zero` is set). */
static inline kv_handle newtext(const kv_services* s, const char* text, int zero) {
  int32_t n = (int32_t)strlen(text);
  kv_handle h = s->NewHandle(n + (zero ? 1 : 0));
  if (h == 0) return 0;
  memcpy(s->HLock(h), text, (size_t)n + (zero ? 1 : 0));
  s->HUnlock(h);
  return h;
}

/* The text of a handle, up to its first zero byte, into a buffer of `room` bytes. */
static inline void readtext(const kv_services* s, kv_handle h, char* out, size_t room) {
  int32_t n = s->GetHandleSize(h);
  const char* p = (const char*)s->HLock(h);
  size_t i = 0;
  for (; p != 0 && i < (size_t)n && i + 1 < room && p[i] != 0; ++i) out[i] = p[i];
  out[i] = 0;
  s->HUnlock(h);
}

/* A length-prefixed copy of a text. */
static inline void pstring(unsigned char out[256], const char* text) {
  size_t n = strlen(text);
  if (n > 255) n = 255;
  out[0] = (unsigned char)n;
  memcpy(out + 1, text, n);
}

#endif
