/* A command external that makes one callback request as a script asks:
 *   xreq code, word0, word1, word2
 * Each word is "" (0), "#n" (a number), "t:ABCD" (a four-character type), "h:text" (a new
 * handle with the text and a zero byte), "p:text" (the text length-prefixed, also when empty
 * or a number), "z:text" (the text zero-terminated), "c:text" (the address of a pointer to
 * the zero-terminated text), "&h", "&i", "&s" (the address of a handle slot, a 32-bit number
 * or a 256-byte length-prefixed text for the answer), "&d" (a cleared 242-byte descriptor kept
 * between calls), "*d" (that descriptor as it stands), or any other text (the address of it
 * as a length-prefixed text). Output word 0 starts as 99.
 * The result is "result,out0": out0 the text of the handle it names for the requests that
 * answer one (with "?size" when a text handle does not end with its one zero byte), "@n" for
 * an address n bytes into a "z:" or "c:" text. Then ",answer" for an address word, ",n" for
 * the bytes a "c:" pointer moved, ",acos=..." for a service table in out[1] (its acos of 0),
 * and ",changed" when the request changed the block beyond its result and output words. A
 * resource description (5011) is answered as "0,id/index/name". */
#include <stdio.h>
#include <stdlib.h>

#include "support.h"

KV_EXPORT_VERSION;

enum { kAcosSlot = 65 };

static unsigned char descriptor[KV_DESCRIPTOR_SIZE];

static int texthandle(uint16_t code) { return code == 2 || code == 7 || code == 18 || (code >= 20 && code <= 22); }

__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* services) {
  kv_paramblock* b = (kv_paramblock*)block;
  char word[3][1024], out[1200];
  unsigned char texts[3][256], answer[256] = {0};
  char* cursor = 0;
  const char* zero[3] = {0, 0, 0};
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
    } else if (strncmp(w, "z:", 2) == 0 || strncmp(w, "c:", 2) == 0) {
      zero[i] = w + 2;
      in[i] = (uintptr_t)zero[i];
      if (w[0] == 'c') {
        cursor = (char*)zero[i];
        in[i] = (uintptr_t)&cursor;
      }
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
      pstring(texts[i], strncmp(w, "p:", 2) == 0 ? w + 2 : w);
      in[i] = (uintptr_t)texts[i];
    }
  }
  b->request = code;
  memcpy(b->in, in, sizeof in);
  b->out[0] = 99;
  kv_paramblock before = *b;
  KV_CALLBACK(b);
  before.result = b->result;
  memcpy(before.out, b->out, sizeof before.out);
  int changed = memcmp(&before, b, sizeof before) != 0;
  int handleanswer = texthandle(code) || code == 5004 || code == 5005;
  uint64_t out0 = b->out[0];
  int n = 0;
  if (handleanswer && b->result == 0 && out0 != 0) {
    char text[1024];
    readtext(services, (kv_handle)out0, text, sizeof text);
    int32_t size = services->GetHandleSize((kv_handle)out0);
    services->DisposeHandle((kv_handle)out0);
    n = snprintf(out, sizeof out, "%d,%s", b->result, text);
    if (texthandle(code) && size != (int32_t)strlen(text) + 1)
      n += snprintf(out + n, sizeof out - (size_t)n, "?%d", size);
  } else if (code == 5011 && b->result == 0) {
    const kv_resinfo* info = (const kv_resinfo*)(uintptr_t)out0;
    n = snprintf(out, sizeof out, "0,%u/%u/%.*s", info->id, info->index, info->name[0], (const char*)info->name + 1);
  } else {
    const char* inside = 0;
    for (int i = 0; i < 3; ++i)
      if (zero[i] != 0 && out0 >= (uintptr_t)zero[i] && out0 <= (uintptr_t)zero[i] + strlen(zero[i])) inside = zero[i];
    if (inside != 0) n = snprintf(out, sizeof out, "%d,@%d", b->result, (int)(out0 - (uintptr_t)inside));
    else n = snprintf(out, sizeof out, "%d,%lld", b->result, (long long)out0);
  }
  size_t room = sizeof out - (size_t)n;
  if (kind == 'h') {
    char text[256] = "";
    if (slot != 0) {
      readtext(services, slot, text, sizeof text);
      services->DisposeHandle(slot);
    }
    snprintf(out + n, room, ",%s", text);
  } else if (kind == 'i') {
    snprintf(out + n, room, ",%d", number);
  } else if (kind == 's') {
    snprintf(out + n, room, ",%.*s", answer[0], (const char*)answer + 1);
  } else if (kind == 'd') {
    uint32_t id;
    memcpy(&id, descriptor, 4);
    snprintf(out + n, room, ",%u", id);
  } else if (cursor != 0) {
    for (int i = 0; i < 3; ++i)
      if (word[i][0] == 'c') snprintf(out + n, room, ",%d", (int)(cursor - (word[i] + 2)));
  } else if (code == 4502 && b->result == 0 && b->out[1] != 0) {
    double (*acosine)(double) = (double (*)(double))(uintptr_t)((const uint64_t*)(uintptr_t)b->out[1])[kAcosSlot];
    snprintf(out + n, room, ",acos=%.4f", acosine(0));
  }
  if (changed) strncat(out, ",changed", sizeof out - strlen(out) - 1);
  for (int i = 0; i < 3; ++i)
    if (made[i] != 0) services->DisposeHandle(made[i]);
  b->returnvalue = newtext(services, out, 1);
}
