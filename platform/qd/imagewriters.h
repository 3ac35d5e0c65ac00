// Image files written from the pixels of an offscreen world (any depth), to memory: PNG
// (libpng), JPEG (libjpeg-turbo), TIFF (libtiff), GIF (giflib) and our own writers of BMP,
// Targa, the layered-image editor's format ('8BPS') and QuickTime image ('qtif'). A pixel image
// becomes a picture through `imagepicture` (imagefiles.h).
#pragma once

#include <vector>

#include "platform/qd/imagefiles.h"
#include "platform/qd/qdtypes.h"

namespace kv {

// The file types the graphics exporter writes: 'PNGf', 'JPEG', 'TIFF', 'BMPf', 'TPIC', '8BPS',
// 'qtif'; every other type has no exporter.
bool hasimageexporter(OSType type);

// The pixels of a world over a rectangle (in the world's coordinates) as xrgb words, through a
// copy into a 32-bit world; false when memory runs out or the rectangle is empty.
bool worldpixels(GWorldPtr world, const Rect& rect, DecodedImage* out);

// The file bytes of an image of one of the exporter's types. The setting: for 'JPEG' the
// quality (setting × 100 / 1024, rounded, at least 1); for 'PNGf' Adam7 interlacing when not 0;
// for 'TIFF' PackBits compression when not 0, else none; other types ignore it. false for a type
// without an exporter or when the library fails.
bool encodeexportimage(const DecodedImage& image, OSType type, i32 setting, std::vector<u8>* out);

// A GIF89a of the world's pixels over the rectangle: an 8-bit world keeps its own colour table
// and pixel values; other depths go through the standard 8-bit table. false on failure.
bool encodeworldgif(GWorldPtr world, const Rect& rect, std::vector<u8>* out);

// Plays a picture at its own frame into a 32-bit world and gives its pixels; false when the
// frame is empty or memory runs out.
bool picturepixels(PicHandle picture, DecodedImage* out);

}  // namespace kv
