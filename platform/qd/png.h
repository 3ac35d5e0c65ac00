// PNG images of ports and pixel maps (8-bit RGB), for tests and the headless dump folder.
#pragma once

#include <string>
#include <vector>

#include "platform/qd/qdtypes.h"

namespace kv {

// The PNG bytes of a bit map or pixel map; false when it cannot be read.
bool encodepng(const BitMap* bits, std::vector<u8>* out);
// The PNG bytes of 32-bit xrgb host words, row after row (a composed screen).
bool encodexrgbpng(i32 width, i32 height, const u32* pixels, std::vector<u8>* out);
// The PNG bytes of 32-bit argb host words (straight alpha in the top byte), with their alpha.
bool encodeargbpng(i32 width, i32 height, const u32* pixels, std::vector<u8>* out);
OSErr writexrgbpng(i32 width, i32 height, const u32* pixels, const std::string& path);
// Writes the port's pixels to a file (a POSIX path in UTF-8); noErr, or an error code.
OSErr writeportpng(CGrafPtr port, const std::string& path);
OSErr writepixmappng(PixMapHandle pm, const std::string& path);

}  // namespace kv
