// Pictures loaded from files, and files opened by name after their links are followed.
//
// A picture file is a PICT file (type 'PICT', or a name ending in ".pict" or ".pct" when the
// file has no type): its picture data follows a 512-byte header. Image files (PNG, JPEG, TIFF
// and GIF, by their type or, without one, by their first bytes) are read as pictures too. A
// file's resource fork is the resource file "<name>.rsrc" beside it, or the file itself when it
// is a resource file.
#pragma once

#include "platform/files/files.h"
#include "platform/types.h"

namespace kv {

// Loads a picture by file name, searching the folder last used for files, the given folder,
// the program's folder and the documents folder. From the data fork (fromresource 0) or as a
// 'PICT' resource of the file's resource fork (by name when one is given, else by id). 0 with
// the picture, 123 (no such picture file), 130 (no such file or resource in resource mode) or
// 37 (memory).
i16 getpicture(ConstStringPtr name, i16 volume, u32 dirid, u16 fromresource, ConstStringPtr resname, i16 resid,
               Handle* picture);

// Opens a file's data fork (any permission) after following links: HOpen's result.
OSErr fsopenit(ConstStringPtr name, i16 volume, u32 dirid, FileRef* ref);
// Opens a file's resource fork for reading and makes it current: noErr with its reference
// number, or the resource error.
OSErr fsopenres(ConstStringPtr name, i16 volume, u32 dirid, i16* refnum);

}  // namespace kv
