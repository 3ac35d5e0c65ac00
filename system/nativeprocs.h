// The routines native externals reach through the native call block (kv_nativeprocs, slots
// 0-52 in system/kvexternal.h). Routines that take the caller's block evaluate with its
// message path and variables and read its parameters; texts are length-prefixed (an output
// text is a buffer of 256 bytes); handles answered belong to the external. Parameter indexes
// are 0-based: a negative one or one not below the count is out of range.
//
// The window routines (slots 0-9, 14, 44, 45) are those of system/externalwindows.h, and the
// registration routines (15-17) those of system/externalevents.h.
#pragma once

#include "platform/types.h"
#include "system/kvexternal.h"

namespace kv {

// 10, 11: the block's result value becomes the text (a handle's text before its first zero
// byte; the handle goes).
void PSetReturnValString(const u8* text, kv_native* block);
void PSetReturnValHandle(kv_handle text, kv_native* block);
// 12: the default reply (its length byte and characters) copied into the answer buffer, then
// the ask dialog: its status, the typed text in the buffer.
i16 PAskKV(const u8* prompt, const u8* reply, u8* answer);
// 13: the answer dialog with the buttons given (a missing or empty title ends them): the
// button chosen.
i16 PAnswerKV(const u8* prompt, const u8* button1, const u8* button2, const u8* button3);
// 18: the message sent along the current card's path (no target), or to the object a
// reference names (read in the block's context; negative statuses answer 0, a reference error
// answers its number).
i16 PSendMessage(const u8* message, const u8* target, kv_native* block);
// 19: always 1: memory is asked for where it is used.
i16 PHasMemory(i32 bytes);
// 20: the format filled with at most six arguments of the types it names, cut to 255
// characters, left length-prefixed in `out`. A conversion that writes (%n) or that the format
// rules do not know ends the text there.
void PFormatString(u8* out, const char* format, ...);
// 21, 22: the 0-based number of the line of the list (lines end with a return) that is the
// item (or the parameter's text) in any case, or -1.
i16 PDecodeString(const u8* item, const u8* list);
i16 PDecodeParam(i16 index, const u8* list, kv_native* block);
// 23-26: the expression evaluated in the block's context: its status; on success the value as
// a new handle, a text (at most 255 characters), a real or an integer (a failed conversion
// leaves the out-value as it was).
i16 PEvalExpHandle(const u8* expression, kv_handle* value, kv_native* block);
i16 PEvalExpString(const u8* expression, u8* value, kv_native* block);
i16 PEvalExpDouble(const u8* expression, double* value, kv_native* block);
i16 PEvalExpLong(const u8* expression, i32* value, kv_native* block);
// 27-30: a global variable's value: 1 when there is none; else 0 (27, 28) or the conversion's
// status (29, 30).
i16 PGetGlobalHandle(const u8* name, kv_handle* value);
i16 PGetGlobalString(const u8* name, u8* value);
i16 PGetGlobalDouble(const u8* name, double* value);
i16 PGetGlobalLong(const u8* name, i32* value);
// 31-34: sets a global variable, created when missing (the handle stays the caller's): 0, or
// a refused name's status.
i16 PSetGlobalHandle(const u8* name, kv_handle value);
i16 PSetGlobalString(const u8* name, const u8* value);
i16 PSetGlobalDouble(const u8* name, double value);
i16 PSetGlobalLong(const u8* name, i32 value);
// 35-39: a parameter as a new handle (empty when out of range), a text (at most 255
// characters), a real, an integer (0 when out of range or not a number) or its text's length.
kv_handle PGetParamHandle(i16 index, kv_native* block);
void PGetParamString(i16 index, u8* value, kv_native* block);
double PGetParamDouble(i16 index, kv_native* block);
i32 PGetParamLong(i16 index, kv_native* block);
i32 PGetParamLength(i16 index, kv_native* block);
// 40-43: the text of the field a reference names (read in the block's context; 41 cut to 255
// characters), or sets it: 0, 10 for an object that is no field, 11 for a text that names no
// object, another reference or storing status.
i16 PGetFieldHandle(const u8* field, kv_handle* text, kv_native* block);
i16 PGetFieldString(const u8* field, u8* text, kv_native* block);
i16 PSetFieldHandle(const u8* field, kv_handle text, kv_native* block);
i16 PSetFieldString(const u8* field, const u8* text, kv_native* block);
// 48: the live text record of the open field (0); without an open field 0 and -9987.
i16 PGetCurTEHandle(u32* record);
// 49: marks the open field's text changed.
i16 PTouchCurTEHandle();
// 50, 51: an object descriptor held for the external (its id starts the 242 bytes), read in
// the block's context: the reader's status; released: 0.
i16 PGetRead(const u8* reference, u8* descriptor, kv_native* block);
i16 PPutRead(u8* descriptor);
// 52: selector -1: *a the version 2; 2: *a 0 (the main global record is not given out), *b the
// service table carbonprocs, *c 0; another selector: the unsupported-request alert.
void PGetGAddr(i32 selector, u64* a, u64* b, u64* c, kv_native* block);

}  // namespace kv
