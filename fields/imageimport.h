// Images imported as pictures through the graphics importers (platform/qd/importers.h), and
// offscreen worlds turned into pictures.
//
// Statuses: 0, 37 out of memory, 118 a world whose pixels cannot be locked, 182 a file or data
// no importer reads (a 'PICT' file among them: the caller reads those itself), 183 no file,
// 190 an image that is damaged or not valid, 201 no image importers (the movie services are
// missing or older than version 25).
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// Imports an image file named by a full path, a name in the current folder, in the folder
// written files go to, or in the user's home folder.
i16 importimage(ConstStringPtr name, PicHandle* picture);
// Imports image data of a type code ('PNGf', 'JPEG', ...). The data handle is disposed of once
// the picture has been asked for, whatever came of it; after an earlier failure it stays the
// caller's.
i16 importimagedata(Handle data, OSType subtype, PicHandle* picture);
// A picture of the world's whole contents at the given resolutions (16.16 fixed). The world's
// clip and visible regions become its bounds.
i16 gworldtopict(GWorldPtr world, PicHandle* picture, i32 hres, i32 vres);

}  // namespace kv
