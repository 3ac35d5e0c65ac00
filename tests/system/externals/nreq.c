/* A native routine that calls the runtime's native routines as a script asks:
 *   nreq(operation, arguments...)
 * and answers what they gave (see the operations below). Its event handlers note each call as
 * "tag:code:data;" (data as a number below 1000, else "ev") in a log that nreq("log") answers
 * and empties. The refcon of a registration holds the handler's answer (low 16 bits), its
 * behaviour (bits 16-23: 1 registers another handler for the same event, tag + 1, answering
 * 0; 2 raises the same event once more; 4 posts three events, data 100-102, on the event of
 * data 0; 8 asks to be unloaded; 16 also puts tag x 10000 + code into the global variable
 * `heard`, which outlives the routine; 32 sends "heard" with that number to the current card)
 * and a tag (bits 24-31). */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "support.h"

KV_EXPORT_VERSION;

enum { kAnother = 1, kRaise = 2, kPost = 4, kUnload = 8, kGlobal = 16, kMessage = 32 };
enum { kSendEventSlot = 189, kAcosSlot = 65 }; /* in the service table carbonprocs */

static char logtext[4000];
static int calls, raising;

static void note(const char* format, ...) {
  size_t n = strlen(logtext);
  va_list args;
  va_start(args, format);
  vsnprintf(logtext + n, sizeof logtext - n, format, args);
  va_end(args);
}

static const uint64_t* serviceTable(kv_native* b) {
  uint64_t version = 0, table = 0, none = 0;
  b->procs->PGetGAddr(2, &version, &table, &none, b);
  return (const uint64_t*)(uintptr_t)table;
}

static int16_t handler(uint32_t code, uint64_t data, uint32_t window, uint64_t refcon, kv_native* b) {
  int16_t answer = (int16_t)(refcon & 0xFFFF);
  unsigned flags = (unsigned)(refcon >> 16) & 0xFF, tag = (unsigned)(refcon >> 24) & 0xFF;
  if (data < 1000) note("%u:%u:%u;", tag, code, (unsigned)data);
  else note("%u:%u:ev;", tag, code);
  if (flags & kAnother) b->procs->PRegisterEvent(code, window, (uint64_t)(tag + 1) << 24, handler, b);
  if ((flags & kRaise) && !raising) {
    int16_t (*send)(uint32_t, int32_t, const void*) = (int16_t(*)(uint32_t, int32_t, const void*))(
        uintptr_t)serviceTable(b)[kSendEventSlot];
    raising = 1;
    note("[%d]", send(window, (int32_t)code, 0));
    raising = 0;
  }
  if ((flags & kPost) && data == 0)
    for (uint64_t i = 100; i < 103; ++i) b->procs->PPostXRTNEvent(code, window, i);
  if (flags & kUnload) b->resultflags |= 2;
  if (flags & kGlobal) b->procs->PSetGlobalLong((const uint8_t*)"\x05heard", (int32_t)(tag * 10000 + code));
  if (flags & kMessage) {
    unsigned char message[32];
    int n = snprintf((char*)message + 1, sizeof message - 1, "heard %u", tag * 10000 + code);
    message[0] = (unsigned char)n;
    b->procs->PSendMessage(message, 0, b);
  }
  return answer;
}

/* Parameter i as a length-prefixed text, or null when there is no such parameter. */
static const unsigned char* text(kv_native* b, int i, unsigned char out[256]) {
  if (i >= b->paramcount) return 0;
  b->procs->PGetParamString((int16_t)i, out, b);
  return out;
}

/* Parameter i as a zero-terminated text of any length (the caller frees it). */
static char* whole(kv_native* b, const kv_services* s, int i) {
  kv_handle h = b->procs->PGetParamHandle((int16_t)i, b);
  int32_t n = s->GetHandleSize(h);
  char* t = malloc((size_t)n + 1);
  memcpy(t, s->HLock(h), (size_t)n);
  t[n] = 0;
  s->DisposeHandle(h);
  return t;
}

static long num(kv_native* b, int i) { return b->procs->PGetParamLong((int16_t)i, b); }

static void pascal(const unsigned char* p, char* out) {
  memcpy(out, p + 1, p[0]);
  out[p[0]] = 0;
}

/* Whether parameter i is a whole number (passed to a format as an int). */
static int isnumber(kv_native* b, int i) {
  unsigned char t[256];
  char c[256], *end = 0;
  pascal(text(b, i, t), c);
  strtol(c, &end, 10);
  return c[0] != 0 && *end == 0;
}


__attribute__((visibility("default"))) void kv_main(void* block, const kv_services* services);
void kv_main(void* block, const kv_services* s) {
  kv_native* b = (kv_native*)block;
  const kv_nativeprocs* p = b->procs;
  unsigned char a1[256], a2[256], a3[256], a4[256], answer[256];
  char op[256], out[4096] = "", t[256];
  ++calls;
  pascal(text(b, 0, a1), op);
  if (strcmp(op, "decode") == 0) {
    snprintf(out, sizeof out, "%d", p->PDecodeString(text(b, 1, a1), text(b, 2, a2)));
  } else if (strcmp(op, "length") == 0) {
    snprintf(out, sizeof out, "%d", p->PGetParamLength((int16_t)num(b, 1), b));
  } else if (strcmp(op, "setglobal") == 0) {
    snprintf(out, sizeof out, "%d", p->PSetGlobalLong(text(b, 1, a1), (int32_t)num(b, 2)));
  } else if (strcmp(op, "getglobal") == 0) {
    int32_t v = -1;
    int16_t st = p->PGetGlobalLong(text(b, 1, a1), &v);
    snprintf(out, sizeof out, "%d,%d", st, v);
  } else if (strcmp(op, "evallong") == 0) {
    int32_t v = -1;
    int16_t st = p->PEvalExpLong(text(b, 1, a1), &v, b);
    snprintf(out, sizeof out, "%d,%d", st, v);
  } else if (strcmp(op, "setfield") == 0) {
    snprintf(out, sizeof out, "%d", p->PSetFieldString(text(b, 1, a1), text(b, 2, a2), b));
  } else if (strcmp(op, "format") == 0) {
    char* format = whole(b, s, 1);
    char* arg = b->paramcount > 2 && !isnumber(b, 2) ? whole(b, s, 2) : 0;
    char* second = b->paramcount > 3 ? whole(b, s, 3) : 0;
    if (b->paramcount <= 2) p->PFormatString(answer, format);
    else if (arg != 0) p->PFormatString(answer, format, arg);
    else if (second != 0) p->PFormatString(answer, format, (int)num(b, 2), second);
    else p->PFormatString(answer, format, (int)num(b, 2));
    free(format);
    free(arg);
    free(second);
    pascal(answer, out);
  } else if (strcmp(op, "answer") == 0) {
    snprintf(out, sizeof out, "%d", p->PAnswerKV(text(b, 1, a1), text(b, 2, a2), text(b, 3, a3), text(b, 4, a4)));
  } else if (strcmp(op, "ask") == 0) {
    /* The default lives in a block of exactly its own size. */
    text(b, 2, a2);
    unsigned char* reply = malloc((size_t)a2[0] + 1);
    memcpy(reply, a2, (size_t)a2[0] + 1);
    int16_t st = p->PAskKV(text(b, 1, a1), reply, answer);
    free(reply);
    pascal(answer, t);
    snprintf(out, sizeof out, "%d,%s", st, t);
  } else if (strcmp(op, "curte") == 0) {
    uint32_t record = 99;
    int16_t st = p->PGetCurTEHandle(&record);
    snprintf(out, sizeof out, "%d,%u", st, record);
  } else if (strcmp(op, "gaddr") == 0) {
    uint64_t x = 99, table = 0, z = 99;
    p->PGetGAddr((int32_t)num(b, 1), &x, &table, &z, b);
    double (*acosine)(double) = table != 0
                                    ? (double (*)(double))(uintptr_t)((const uint64_t*)(uintptr_t)table)[kAcosSlot]
                                    : 0;
    snprintf(out, sizeof out, "%llu,%.4f,%llu", (unsigned long long)x, acosine != 0 ? acosine(0) : -1.0,
             (unsigned long long)z);
  } else if (strcmp(op, "register") == 0) {
    uint64_t refcon = (uint64_t)(num(b, 3) & 0xFFFF) | (uint64_t)(num(b, 4) & 0xFF) << 16 |
                      (uint64_t)(num(b, 5) & 0xFF) << 24;
    kv_eventreg* r = p->PRegisterEvent((uint32_t)num(b, 1), (uint32_t)num(b, 2), refcon, handler, b);
    snprintf(out, sizeof out, "%s", r != 0 && r->code == (uint32_t)num(b, 1) ? "ok" : "none");
  } else if (strcmp(op, "unregister") == 0) {
    snprintf(out, sizeof out, "%d", p->PUnRegisterEvent((uint32_t)num(b, 1), (uint32_t)num(b, 2)));
  } else if (strcmp(op, "post") == 0) {
    for (long i = 0; i < num(b, 3); ++i) p->PPostXRTNEvent((uint32_t)num(b, 1), (uint32_t)num(b, 2), (uint64_t)i);
  } else if (strcmp(op, "log") == 0) {
    snprintf(out, sizeof out, "%s", logtext);
    logtext[0] = 0;
  } else if (strcmp(op, "newwin") == 0) {
    kv_rect bounds = {60, 700, 160, 900};
    snprintf(out, sizeof out, "%u", p->PNewWin(&bounds, text(b, 1, a1), 1, 0, 1, (int16_t)num(b, 2)));
  } else if (strcmp(op, "getwin") == 0) {
    snprintf(out, sizeof out, "%u", p->PGetWindowPtr(text(b, 1, a1)));
  } else if (strcmp(op, "palettes") == 0) {
    p->PShowHidePalettes((int16_t)num(b, 1));
  } else if (strcmp(op, "closewin") == 0) {
    p->PCloseWin((uint32_t)num(b, 1));
  } else if (strcmp(op, "frontinfo") == 0) {
    kv_windowinfo info;
    memset(&info, 0xEE, sizeof info);
    p->PGetFrontMostWindInfo(&info, 0);
    pascal(info.reference, t);
    snprintf(out, sizeof out, "%u,%d,%d,%d,%d,%d,%u,%u,%u,%s", info.layer, info.position, info.content.top,
             info.content.left, info.content.bottom, info.content.right, info.window, info.found, info.visible, t);
  } else if (strcmp(op, "unload") == 0) {
    b->resultflags |= 2;
    snprintf(out, sizeof out, "bye");
  } else if (strcmp(op, "calls") == 0) {
    snprintf(out, sizeof out, "%d", calls);
  } else {
    snprintf(out, sizeof out, "unknown %s", op);
  }
  pstring(answer, out);
  p->PSetReturnValString(answer, b);
}
