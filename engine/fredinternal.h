// Helpers shared by the value routines (fred.cpp, fredtext.cpp, numbertext.cpp); not for
// other callers.
#pragma once

#include "engine/fred.h"

namespace kv::fredinternal {

// The variable's stored record of a working copy, or null when its link names none.
fred* storedrecord(const fred* v);
// Releases the value's text handle (an object text owns none and releases nothing). For a
// working copy the variable's record forgets the handle too, so that it is released once.
void releasetext(fred* v);
// Makes `h` the value's text handle, releasing the old one. An object text keeps its own
// handle: the bytes are copied into it and `h` is released. 37 when that copy fails.
i16 replacetext(fred* v, Handle h);
// Sets the value to the n bytes: inline when at most 31 and `inlineok`, else in its handle
// (the one it has, resized, or a new one). 37 when the memory cannot be had (value unchanged).
i16 settext(fred* v, const void* bytes, Size n, bool inlineok);
// Makes v a new owned temporary holding the empty short text.
void newempty(fred* v);

}  // namespace kv::fredinternal
