// Reading RTF into a text record: the two routines through which the rest of the system reaches
// the RTF reader. Each replaces [start, end) of the record (equal offsets insert) with the RTF
// and turns any failure into its result: 0, the failure's code, or -1 for anything else. Text
// put before a failure stays. Unless the caller had set feature 9 (no layout) itself, the
// record is laid out again afterwards, success or not, so its lines always match its text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files/files.h"
#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// An open file from its start; NeXTGraphic attachments are looked up in `baseFolder` (a folder
// path) when one is given.
int32_t RTFReadFileCrutch(int32_t start, int32_t end, WEReference we, FileRef ref, const std::string* baseFolder);
// The bytes of a handle (the handle stays the caller's).
int32_t RTFReadHandleCrutch(int32_t start, int32_t end, WEReference we, Handle rtf);

}  // namespace kv
