/* A command external that makes one callback request as a script asks:
 *   xreq code, word0, word1, word2
 * Each word is "" (0), "#n" (a number), "t:ABCD" (a four-character type), "h:text" (a new
 * handle with the text and a zero byte), "&h", "&i", "&s" (the address of a handle slot, a
 * 32-bit number or a 256-byte length-prefixed text for the answer), "&d" (a cleared 242-byte
 * descriptor kept between calls), "*d" (that descriptor as it stands), or any other text
 * (the address of it as a length-prefixed text). Output word 0 starts as 99.
 * The result is "result,out0" (out0 the text of the handle it names for requests 20-22, 5004
 * and 5005), then ",answer" for an address word. */
#include <stdio.h>
#include <stdlib.h>

#include "support.h"

KV_EXPORT_VERSION;

static unsigned char descriptor[KV_DESCRIPTOR_SIZE];

__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* services) {
  kv_paramblock* b = (kv_paramblock*)block;
  char word[3][256], out[600];
  unsigned char texts[3][256], answer[256] = {0};
  kv_handle made[3] = {0, 0, 0}, slot = 0;
  int32_t number = 0;
  char kind = 0;
  if (b->paramcount < 1) return;
  readtext(services, b->params[0], out, sizeof out);
  uint16_t code = (uint16_t)strtol(out, 0, 10);
  uint64_t in[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    word[i][0] = 0;
    if (b->paramcount > i + 1) readtext(services, b->params[i + 1], word[i], sizeof word[i]);
    const char* w = word[i];
    if (w[0] == 0) continue;
    if (w[0] == '#') {
      in[i] = (uint64_t)strtoll(w + 1, 0, 10);
    } else if (strncmp(w, "t:", 2) == 0 && strlen(w) == 6) {
      in[i] = (uint32_t)w[2] << 24 | (uint32_t)w[3] << 16 | (uint32_t)w[4] << 8 | (uint32_t)w[5];
    } else if (strncmp(w, "h:", 2) == 0) {
      in[i] = made[i] = newtext(services, w + 2, 1);
    } else if (w[0] == '&' || w[0] == '*') {
      kind = w[1];
      if (kind == 'h') in[i] = (uintptr_t)&slot;
      if (kind == 'i') in[i] = (uintptr_t)&number;
      if (kind == 's') in[i] = (uintptr_t)answer;
      if (kind == 'd') {
        if (w[0] == '&') memset(descriptor, 0, sizeof descriptor);
        in[i] = (uintptr_t)descriptor;
      }
    } else {
      pstring(texts[i], w);
      in[i] = (uintptr_t)texts[i];
    }
  }
  b->request = code;
  memcpy(b->in, in, sizeof in);
  b->out[0] = 99;
  KV_CALLBACK(b);
  int handleanswer = code == 20 || code == 21 || code == 22 || code == 5004 || code == 5005;
  if (handleanswer && b->result == 0 && b->out[0] != 0) {
    char text[256];
    readtext(services, (kv_handle)b->out[0], text, sizeof text);
    services->DisposeHandle((kv_handle)b->out[0]);
    snprintf(out, sizeof out, "%d,%s", b->result, text);
  } else {
    snprintf(out, sizeof out, "%d,%lld", b->result, (long long)b->out[0]);
  }
  size_t n = strlen(out);
  if (kind == 'h') {
    char text[256] = "";
    if (slot != 0) {
      readtext(services, slot, text, sizeof text);
      services->DisposeHandle(slot);
    }
    snprintf(out + n, sizeof out - n, ",%s", text);
  } else if (kind == 'i') {
    snprintf(out + n, sizeof out - n, ",%d", number);
  } else if (kind == 's') {
    snprintf(out + n, sizeof out - n, ",%.*s", answer[0], (const char*)answer + 1);
  } else if (kind == 'd') {
    uint32_t id;
    memcpy(&id, descriptor, 4);
    snprintf(out + n, sizeof out - n, ",%u", id);
  }
  for (int i = 0; i < 3; ++i)
    if (made[i] != 0) services->DisposeHandle(made[i]);
  b->returnvalue = newtext(services, out, 1);
}
