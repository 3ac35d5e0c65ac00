// A stand-in for the RTF writer until it is built: every write fails and writes nothing.
#include "fields/rtfwriter.h"

namespace kv {

namespace {
constexpr OSErr kNotWritten = -50;
}

OSErr RTFWriteHandleCrutch(i32, i32, WEReference, Handle, const char*, i16) { return kNotWritten; }

}  // namespace kv
