// New picture data for an object: what the picture data setter installs and what external
// code reaches through the procedure table.
#pragma once

#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// Installs picture data (mode 1, the data embedded) or the path of a linked picture file
// (mode 0) as the picture of the object a descriptor names (a picture graphic: rectangle,
// roundRect, oval, polygon, text or arc; or an image well): its picture information is made
// afresh and takes the data; no data with mode 1 removes the picture. The handle is the
// routine's in every case. The object is written back, marked changed and redrawn. 112 for an
// object that shows no picture, 37 for no memory.
i16 lowsetpicturedata(objread& obj, Handle data, i16 mode);
// Gives a picture graphic the alternate-data list another graphic held (its picture
// information and data), in place of its own; the list is the routine's in every case. 112
// for an object that is not a picture graphic.
i16 lowmovepicturedata(objread& obj, Handle alt);

}  // namespace kv
