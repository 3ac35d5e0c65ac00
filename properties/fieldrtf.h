// RTF read into a field's stored text: the field text setters' and the rtfText setter's way in.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Reads RTF into a new text record made for the field and, on success, packs it into the
// field's stored text in place of the old (the field's live record goes). The RTF is `bytes`,
// or, when `package` names an RTFD package folder, its "TXT.rtf", whose attachments come from
// the package. With `lines`, every line feed of the text becomes a return. 0; -108 or -117
// (memory) or another read failure, with the field unchanged.
int32_t readrtfintofield(spot& field, const u8* bytes, i32 length, const std::string* package, bool lines);

}  // namespace kv
