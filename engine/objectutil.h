// Small services over object records and handles that the engine, the store and the shell
// share: tests on objects, inserting into texts and handle arrays, the paint settings and
// their reset, the names of tools, a project's resource file, running a scripting-component
// text, and unflattening visual-effect settings.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// --- Tools ---------------------------------------------------------------------------------
enum : u16 {
  toolbrowse = 100,
  tooltext = 605,
};
// The current window's tool.
u16 currenttool();
// The name of a tool ("browse tool", "field tool", ...); empty for a number without one.
void lowtooltotext(i16 tool, StringPtr out);

// --- Object tests ----------------------------------------------------------------------------
// The routines taking a pointer answer false for none.
bool isversion4spot(const spot* s);  // a button drawn by a platform control
bool hascontentype(const spot& s);   // styles 205, 207, 211
bool hasize(const spot& s);          // styles 203, 204, 207, 209, 210, 212-215, 222
bool hasorientation(const spot& s);  // styles 209, 210, 222
bool usesenginetwo(const spot* s);   // field styles 300, 301 (kept in text-engine records)
bool allowsobjects(const spot* s);   // 300, 301 with allowObjects
bool fieldhasruler(const spot& s);   // 300, 301 with showRuler
bool islist(const spot& s);          // 302, 303 unless the text tool is chosen
bool fieldcanscroll(const spot& s);  // 301, or 303 while the text tool is chosen

// --- Texts and handle arrays ---------------------------------------------------------------
// Replaces bytes [start, end) of a text handle by `length` bytes of `run` (a negative length
// counts as 0); start and end are kept within the text. 0, 1 for no handle, 37 out of memory.
i16 doinsert(Handle h, i32 start, i32 end, const void* run, i32 length);
// Opens a gap of one element at *index of an array of elements of `size` bytes: a negative
// index does nothing, one past the end becomes the count (append). 0, or 37 out of memory.
i16 qadd(Handle h, i32* index, i32 size);
// Removes element index when 0 <= index < count.
void qdelete(Handle h, i32 index, i32 size);
// 1 when two runs of n bytes differ anywhere; 0 when they are equal or n < 1.
i16 diffdata(const void* a, const void* b, i32 n);
void zero(void* p, i32 n);

// --- Paint settings --------------------------------------------------------------------------
// The reset values of the paint settings (the `reset paint` command and start-up).
void lowreset();

// --- Resources, scripts, effects -------------------------------------------------------------
// Opens (open = true) or closes the resource file of a project ("<file name>.rsrc" beside
// it; none for an application). Opening makes a file already open current, or opens it,
// brings the font menu up to date and draws the project's open windows again; a missing or
// unreadable file opens nothing. Closing closes the file. 0.
i16 doresources(RegistryId store, bool open);
// True when the number of open resource files differs from `count`.
bool canclosefile(i16 count);
// Compiles and runs a zero-terminated text in the scripting component named "AppleScript"
// (opened when it is not open yet): 1 when there is no such component or no descriptor, else
// 0 (also when the text does not compile).
i16 doscript(const char* text);
// Reads flattened visual-effect settings (big-endian: effect type, 16-bit value, parameter
// length n, n bytes) into the type, the value, the length and a new handle of the parameter
// data (none for length 0). nilHandleErr for no handle and paramErr for settings whose
// length runs past their block (outputs untouched); memFullErr when the copy cannot be made.
OSErr unFlattenEffectInfo(Handle flat, OSType* type, i16* value, i32* length, Handle* params);

}  // namespace kv
