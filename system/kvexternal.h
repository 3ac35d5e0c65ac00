/* The interface between Kestrove and its externals, version 1.
 *
 * An external is a shared object of the machine it runs on (ELF, the machine's class, byte
 * order and processor). It exports two symbols:
 *
 *   const uint32_t kv_interface_version = KV_INTERFACE_VERSION;   (KV_EXPORT_VERSION does it)
 *   void kv_main(void* block, const kv_services* services);
 *
 * An external command ('XCmd') or function ('XFcn') gets the parameter block (kv_paramblock);
 * a native routine ('XRtn') gets the native call block. `services` lives as long as the
 * process. An external binds to no symbol of the program: memory goes through the services,
 * everything else through the callback in the block (KV_CALLBACK).
 *
 * Handles are 32-bit handle ids (0 none); windows are 32-bit registry ids. A word that
 * carries an address or an entry point is 64 bits wide. Everything is in the host's byte
 * order. This header needs nothing but <stdint.h>; the sizes and offsets below are checked
 * wherever it is compiled.
 */
#ifndef KV_EXTERNAL_H
#define KV_EXTERNAL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#define KV_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define KV_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

#define KV_INTERFACE_VERSION 1u

typedef uint32_t kv_handle;

/* The memory services. HLock answers the handle's bytes, which stay where they are until
 * HUnlock (a locked handle cannot change size); MemError tells how the last call went (0, or
 * -108 out of memory, -109 not a live handle, -117 locked). */
typedef struct kv_services {
  uint32_t version; /* KV_INTERFACE_VERSION */
  uint32_t size;    /* sizeof(kv_services) */
  kv_handle (*NewHandle)(int32_t size);
  void (*DisposeHandle)(kv_handle h);
  int32_t (*GetHandleSize)(kv_handle h);
  void (*SetHandleSize)(kv_handle h, int32_t size);
  void* (*HLock)(kv_handle h);
  void (*HUnlock)(kv_handle h);
  int16_t (*MemError)(void);
} kv_services;

#pragma pack(push, 2)

/* The parameter block of external commands and functions (184 bytes). */
typedef struct kv_paramblock {
  int16_t paramcount;     /* 0: parameters passed (0-16) */
  kv_handle params[16];   /* 2: each a text ending with a zero byte; unused slots 0 */
  kv_handle returnvalue;  /* 66: set by the external: its result text (zero-terminated), or 0 */
  uint8_t passflag;       /* 70: non-zero: the message goes on to the built-in of its name */
  uint8_t pad;            /* 71 */
  uint64_t entrypoint;    /* 72: the callback, a void (*)(void) (KV_CALLBACK) */
  uint16_t request;       /* 80: the request code, set before calling the callback */
  uint16_t result;        /* 82: 0 done, 1 refused, 2 unknown request, 3 unsupported selector */
  uint8_t zero[4];        /* 84 */
  uint64_t in[8];         /* 88: input words */
  uint64_t out[4];        /* 152: output words */
} kv_paramblock;

/* What request 5000-5002 answers about a bitmap object (22 bytes). */
typedef struct kv_bitmapinfo {
  kv_handle picture;      /* 0: the bitmap's picture data */
  kv_handle colortable;   /* 4: the colour table of its card or background */
  int16_t rect[4];        /* 8: top, left, bottom, right */
  uint16_t colour;        /* 16: 0 black and white */
  uint16_t rowbytes;      /* 18: at depth 1 (black and white) or 8 */
  uint16_t ink;           /* 20: the transfer mode */
} kv_bitmapinfo;

/* What request 5011 answers about a resource (272 bytes). */
typedef struct kv_resinfo {
  uint32_t type;
  uint32_t size;
  uint32_t id;
  uint32_t index;
  uint8_t name[256];      /* length-prefixed */
} kv_resinfo;

#pragma pack(pop)

KV_STATIC_ASSERT(sizeof(void*) == 8, "externals are 64-bit code");
KV_STATIC_ASSERT(sizeof(kv_services) == 64, "kv_services is 64 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_services, NewHandle) == 8, "kv_services layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_services, MemError) == 56, "kv_services layout");
KV_STATIC_ASSERT(sizeof(kv_paramblock) == 184, "the parameter block is 184 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, params) == 2, "parameter block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, returnvalue) == 66, "parameter block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, passflag) == 70, "parameter block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, entrypoint) == 72, "parameter block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, request) == 80, "parameter block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, result) == 82, "parameter block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, in) == 88, "parameter block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_paramblock, out) == 152, "parameter block layout");
KV_STATIC_ASSERT(sizeof(kv_bitmapinfo) == 22, "the bitmap description is 22 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_bitmapinfo, rect) == 8, "bitmap description layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_bitmapinfo, ink) == 20, "bitmap description layout");
KV_STATIC_ASSERT(sizeof(kv_resinfo) == 272, "the resource description is 272 bytes");

/* An object descriptor that request 4500 fills and request 4501 releases. */
#define KV_DESCRIPTOR_SIZE 242

/* Calls the runtime back with the request and input words already in the block. */
#define KV_CALLBACK(block) ((void (*)(void))(uintptr_t)(block)->entrypoint)()

/* Defines the version symbol every external exports. */
#define KV_EXPORT_VERSION \
  __attribute__((visibility("default"))) const uint32_t kv_interface_version = KV_INTERFACE_VERSION

#ifdef __cplusplus
}
#endif

#endif /* KV_EXTERNAL_H */
