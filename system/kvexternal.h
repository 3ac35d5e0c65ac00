/* The interface between Kestrove and its externals, version 1.
 *
 * An external is a shared object of the machine it runs on (ELF, the machine's class, byte
 * order and processor). It exports two symbols:
 *
 *   const uint32_t kv_interface_version = KV_INTERFACE_VERSION;   (KV_EXPORT_VERSION does it)
 *   void kv_main(void* block, const kv_services* services);
 *
 * An external command ('XCmd') or function ('XFcn') gets the parameter block (kv_paramblock);
 * a native routine ('XRtn') gets the native call block (kv_native). `services` lives as long
 * as the process. An external binds to no symbol of the program: memory goes through the
 * services, everything else through the callback in the parameter block (KV_CALLBACK) or the
 * routines of the native call block (kv_nativeprocs).
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
  int16_t paramcount;    /* 0: parameters passed (0-16) */
  kv_handle params[16];  /* 2: each a text ending with a zero byte; unused slots 0 */
  kv_handle returnvalue; /* 66: set by the external: its result text (zero-terminated), or 0 */
  uint8_t passflag;      /* 70: non-zero: the message goes on to the built-in of its name */
  uint8_t pad;           /* 71 */
  uint64_t entrypoint;   /* 72: the callback, a void (*)(void) (KV_CALLBACK) */
  uint16_t request;      /* 80: the request code, set before calling the callback */
  uint16_t result;       /* 82: 0 done, 1 refused, 2 unknown request, 3 unsupported selector */
  uint8_t zero[4];       /* 84 */
  uint64_t in[8];        /* 88: input words */
  uint64_t out[4];       /* 152: output words */
} kv_paramblock;

/* What request 5000-5002 answers about a bitmap object (22 bytes). */
typedef struct kv_bitmapinfo {
  kv_handle picture;    /* 0: the bitmap's picture data */
  kv_handle colortable; /* 4: the colour table of its card or background */
  int16_t rect[4];      /* 8: top, left, bottom, right */
  uint16_t colour;      /* 16: 0 black and white */
  uint16_t rowbytes;    /* 18: at depth 1 (black and white) or 8 */
  uint16_t ink;         /* 20: the transfer mode */
} kv_bitmapinfo;

/* What request 5011 answers about a resource (272 bytes). */
typedef struct kv_resinfo {
  uint32_t type;
  uint32_t size;
  uint32_t id;
  uint32_t index;
  uint8_t name[256]; /* length-prefixed */
} kv_resinfo;

/* The event record (16 bytes) whose address the events of the event loop carry. */
typedef struct kv_eventrecord {
  uint16_t what;      /* 0: 1 mouse-down, 3 key-down, 5 auto-key, 6 update, 8 activate ... */
  uint32_t message;   /* 2 */
  uint32_t when;      /* 6: ticks */
  int16_t where[2];   /* 10: vertical, horizontal (global) */
  uint16_t modifiers; /* 14 */
} kv_eventrecord;

typedef struct kv_rect {
  int16_t top, left, bottom, right;
} kv_rect;

typedef struct kv_point {
  int16_t v, h;
} kv_point;

/* What PGetFrontMostWindInfo fills (274 bytes). */
typedef struct kv_windowinfo {
  uint16_t layer;         /* 0: 0 the layer of ordinary windows, 1 the floating layer */
  int16_t position;       /* 2: within its layer, 0 at the front */
  kv_rect content;        /* 4: in global coordinates */
  uint32_t window;        /* 12 */
  uint8_t found;          /* 16: 0 when there was no such window (nothing else is filled) */
  uint8_t visible;        /* 17 */
  uint8_t reference[256]; /* 18: length-prefixed: the window's long name in its id form */
} kv_windowinfo;

/* The request of the list dialog (xrunlist, in the service table). */
typedef struct kv_listrequest {
  uint64_t text;          /* 0: the lines, each ending with a return, then a zero byte */
  int32_t h;              /* 8: the point the dialog is centred on */
  int32_t v;              /* 12 */
  uint16_t buttons;       /* 16: 1 or 2 */
  uint16_t form;          /* 18: the answer: 1 the lines' texts, 0 their numbers */
  kv_handle selected;     /* 20: 16-bit line numbers selected at first, or 0 */
  uint8_t button1[256];   /* 24: length-prefixed */
  uint8_t button2[256];   /* 280 */
  uint8_t prompt[256];    /* 536 */
  uint8_t selectionflags; /* 792: 128 one line only */
  uint8_t pad;            /* 793 */
} kv_listrequest;

#pragma pack(pop)

/* A script value (56 bytes): what a native routine's parameters are and what it answers. */
typedef struct kv_value {
  int16_t cls;           /* 0: 7 a temporary the runtime owns, 6 a variable's working copy */
  int16_t type;          /* 2: 0 integer, 1 real, 2 boolean, 3 up/down, 4 text in a handle,
                             5 short text */
  int32_t integer;       /* 4: type 0; type 2 1 true, 0 false; type 3 0 up, 1 down */
  double real;           /* 8: type 1 */
  kv_handle text;        /* 16: type 4: the text (its size is the length) */
  kv_handle link;        /* 20 */
  uint8_t shorttext[32]; /* 24: type 5: length byte and at most 31 characters */
} kv_value;

struct kv_nativeprocs;

/* The native call block (56 bytes). A native routine gets it with its parameters; its event
 * handlers get one of their own. Routines of kv_nativeprocs that take a block want the block
 * of the call in progress. */
typedef struct kv_native {
  uint16_t resultflags;               /* 0: 0 on entry; set bit value 2 to be unloaded after the call */
  uint16_t kind;                      /* 2: the external's kind (5) */
  int32_t paramcount;                 /* 4 */
  kv_handle params;                   /* 8: paramcount kv_values, in order */
  kv_handle variables;                /* 12: the running handler's variables */
  kv_value* result;                   /* 16: the result value: the empty text on entry */
  uint64_t path;                      /* 24: the running handler's message path */
  uint64_t code;                      /* 32: the external's loaded code */
  uint32_t project;                   /* 40: the project that holds the external (a registry id) */
  uint32_t zero;                      /* 44 */
  const struct kv_nativeprocs* procs; /* 48: the routines the runtime offers */
} kv_native;

/* A handler of runtime events: non-zero when it handled the event. `data` is the address of
 * the current kv_eventrecord or 0 (a posted event's own word); `window` the registration's. */
typedef int16_t (*kv_eventhandler)(uint32_t code, uint64_t data, uint32_t window, uint64_t refcon, kv_native* block);

/* An event registration (56 bytes); its address stays the same until it ends. */
typedef struct kv_eventreg {
  uint32_t code;           /* 0: 2000-2037 */
  uint16_t kind;           /* 4: the registering external's kind */
  uint16_t called;         /* 6: non-zero while an event being offered has called it */
  uint32_t window;         /* 8: 0 for every window */
  uint32_t zero1;          /* 12 */
  kv_eventhandler handler; /* 16 */
  uint64_t codeaddress;    /* 24: the registering external's code */
  uint32_t project;        /* 32: and its project */
  uint32_t zero2;          /* 36 */
  uint64_t refcon;         /* 40: handed back to the handler */
  uint8_t zero[8];         /* 48 */
} kv_eventreg;

/* The routines of the native call block, slot by slot (an interface: the order never changes).
 * Texts are length-prefixed (an output text is a buffer of 256 bytes) unless named otherwise;
 * a handle a routine answers belongs to the external. Statuses are 0 done, a script error
 * number, or 1 for a name that is not there. Parameter indexes are 0-based. */
typedef struct kv_nativeprocs {
  uint32_t (*PNewWin)(const kv_rect* bounds, const uint8_t* title, int16_t visible, int32_t definition,
                      int16_t closebox, int16_t floating);                          /* 0 */
  void (*PShowWin)(uint32_t window);                                                /* 1 */
  void (*PHideWin)(uint32_t window);                                                /* 2 */
  void (*PMoveWin)(uint32_t window, kv_point where, int16_t centre);                /* 3 */
  void (*PSizeWin)(uint32_t window, int16_t width, int16_t height, int16_t centre); /* 4 */
  void (*PCloseWin)(uint32_t window);                                               /* 5 */
  void (*PSetWinPosition)(uint32_t window, int16_t steps);                          /* 6 */
  void (*PGetWinPosition)(uint32_t window, int16_t* position, uint16_t* floating);  /* 7 */
  void (*PShowHidePalettes)(int16_t show);                                          /* 8 */
  uint32_t (*PGetWindowPtr)(const uint8_t* title);                                  /* 9 */
  void (*PSetReturnValString)(const uint8_t* text, kv_native* block);               /* 10 */
  void (*PSetReturnValHandle)(kv_handle text, kv_native* block);                    /* 11 */
  int16_t (*PAskKV)(const uint8_t* prompt, const uint8_t* reply, uint8_t* answer);  /* 12 */
  int16_t (*PAnswerKV)(const uint8_t* prompt, const uint8_t* button1, const uint8_t* button2,
                       const uint8_t* button3);                         /* 13 */
  void (*PGetFrontMostWindInfo)(kv_windowinfo* info, int16_t palettes); /* 14 */
  kv_eventreg* (*PRegisterEvent)(uint32_t code, uint32_t window, uint64_t refcon, kv_eventhandler handler,
                                 kv_native* block);                                         /* 15 */
  int16_t (*PUnRegisterEvent)(uint32_t code, uint32_t window);                              /* 16 */
  void (*PPostXRTNEvent)(uint32_t code, uint32_t window, uint64_t data);                    /* 17 */
  int16_t (*PSendMessage)(const uint8_t* message, const uint8_t* target, kv_native* block); /* 18 */
  int16_t (*PHasMemory)(int32_t bytes);                                                     /* 19 */
  /* At most six arguments, of the types the format names; the text is cut to 255 characters
   * and left length-prefixed in `out` (256 bytes). */
  void (*PFormatString)(uint8_t* out, const char* format, ...);                                 /* 20 */
  int16_t (*PDecodeString)(const uint8_t* item, const uint8_t* list);                           /* 21 */
  int16_t (*PDecodeParam)(int16_t index, const uint8_t* list, kv_native* block);                /* 22 */
  int16_t (*PEvalExpHandle)(const uint8_t* expression, kv_handle* value, kv_native* block);     /* 23 */
  int16_t (*PEvalExpString)(const uint8_t* expression, uint8_t* value, kv_native* block);       /* 24 */
  int16_t (*PEvalExpDouble)(const uint8_t* expression, double* value, kv_native* block);        /* 25 */
  int16_t (*PEvalExpLong)(const uint8_t* expression, int32_t* value, kv_native* block);         /* 26 */
  int16_t (*PGetGlobalHandle)(const uint8_t* name, kv_handle* value);                           /* 27 */
  int16_t (*PGetGlobalString)(const uint8_t* name, uint8_t* value);                             /* 28 */
  int16_t (*PGetGlobalDouble)(const uint8_t* name, double* value);                              /* 29 */
  int16_t (*PGetGlobalLong)(const uint8_t* name, int32_t* value);                               /* 30 */
  int16_t (*PSetGlobalHandle)(const uint8_t* name, kv_handle value);                            /* 31 */
  int16_t (*PSetGlobalString)(const uint8_t* name, const uint8_t* value);                       /* 32 */
  int16_t (*PSetGlobalDouble)(const uint8_t* name, double value);                               /* 33 */
  int16_t (*PSetGlobalLong)(const uint8_t* name, int32_t value);                                /* 34 */
  kv_handle (*PGetParamHandle)(int16_t index, kv_native* block);                                /* 35 */
  void (*PGetParamString)(int16_t index, uint8_t* value, kv_native* block);                     /* 36 */
  double (*PGetParamDouble)(int16_t index, kv_native* block);                                   /* 37 */
  int32_t (*PGetParamLong)(int16_t index, kv_native* block);                                    /* 38 */
  int32_t (*PGetParamLength)(int16_t index, kv_native* block);                                  /* 39 */
  int16_t (*PGetFieldHandle)(const uint8_t* field, kv_handle* text, kv_native* block);          /* 40 */
  int16_t (*PGetFieldString)(const uint8_t* field, uint8_t* text, kv_native* block);            /* 41 */
  int16_t (*PSetFieldHandle)(const uint8_t* field, kv_handle text, kv_native* block);           /* 42 */
  int16_t (*PSetFieldString)(const uint8_t* field, const uint8_t* text, kv_native* block);      /* 43 */
  void (*PShowHideKVPalettes)(int16_t show);                                                    /* 44 */
  uint32_t (*PGetKVWindowPtr)(const uint8_t* title);                                            /* 45 */
  void* unused46;                                                                               /* 46 */
  void* unused47;                                                                               /* 47 */
  int16_t (*PGetCurTEHandle)(uint32_t* record);                                                 /* 48 */
  int16_t (*PTouchCurTEHandle)(void);                                                           /* 49 */
  int16_t (*PGetRead)(const uint8_t* reference, uint8_t* descriptor, kv_native* block);         /* 50 */
  int16_t (*PPutRead)(uint8_t* descriptor);                                                     /* 51 */
  void (*PGetGAddr)(int32_t selector, uint64_t* a, uint64_t* b, uint64_t* c, kv_native* block); /* 52 */
} kv_nativeprocs;

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
KV_STATIC_ASSERT(sizeof(kv_value) == 56, "a script value is 56 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_value, real) == 8, "script value layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_value, text) == 16, "script value layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_value, shorttext) == 24, "script value layout");
KV_STATIC_ASSERT(sizeof(kv_native) == 56, "the native call block is 56 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, paramcount) == 4, "native call block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, params) == 8, "native call block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, variables) == 12, "native call block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, result) == 16, "native call block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, path) == 24, "native call block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, code) == 32, "native call block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, project) == 40, "native call block layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_native, procs) == 48, "native call block layout");
KV_STATIC_ASSERT(sizeof(kv_eventrecord) == 16, "the event record is 16 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventrecord, message) == 2, "event record layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventrecord, when) == 6, "event record layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventrecord, where) == 10, "event record layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventrecord, modifiers) == 14, "event record layout");
KV_STATIC_ASSERT(sizeof(kv_eventreg) == 56, "a registration is 56 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventreg, window) == 8, "registration layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventreg, handler) == 16, "registration layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventreg, codeaddress) == 24, "registration layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventreg, project) == 32, "registration layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_eventreg, refcon) == 40, "registration layout");
KV_STATIC_ASSERT(sizeof(kv_windowinfo) == 274, "the window position record is 274 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_windowinfo, content) == 4, "window position record layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_windowinfo, window) == 12, "window position record layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_windowinfo, found) == 16, "window position record layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_windowinfo, reference) == 18, "window position record layout");
KV_STATIC_ASSERT(sizeof(kv_listrequest) == 794, "the list request is 794 bytes");
KV_STATIC_ASSERT(__builtin_offsetof(kv_listrequest, selected) == 20, "list request layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_listrequest, button1) == 24, "list request layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_listrequest, prompt) == 536, "list request layout");
KV_STATIC_ASSERT(__builtin_offsetof(kv_listrequest, selectionflags) == 792, "list request layout");
KV_STATIC_ASSERT(sizeof(kv_nativeprocs) == 53 * 8, "the native routines are 53 slots");
KV_STATIC_ASSERT(__builtin_offsetof(kv_nativeprocs, PSetReturnValString) == 10 * 8, "native routines");
KV_STATIC_ASSERT(__builtin_offsetof(kv_nativeprocs, PFormatString) == 20 * 8, "native routines");
KV_STATIC_ASSERT(__builtin_offsetof(kv_nativeprocs, PGetParamLength) == 39 * 8, "native routines");
KV_STATIC_ASSERT(__builtin_offsetof(kv_nativeprocs, PGetCurTEHandle) == 48 * 8, "native routines");
KV_STATIC_ASSERT(__builtin_offsetof(kv_nativeprocs, PGetGAddr) == 52 * 8, "native routines");

/* An object descriptor that request 4500 and PGetRead fill and request 4501 and PPutRead
 * release. */
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
