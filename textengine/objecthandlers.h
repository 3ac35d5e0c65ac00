// The handlers of the program's object kinds (pictures, TIFF images and field objects), which
// the procedure table offers in its slots. Installing them and the index routines are in
// werecord.h.
#pragma once

#include "textengine/werecord.h"

namespace kv {

OSErr HandleNewPicture(WEObjectPlacement* placement, WEObjectDescHandle object);
OSErr HandleDisposePicture(WEObjectDescHandle object);
OSErr HandleDrawPicture(const Rect* destRect, WEObjectDescHandle object);
// Does nothing (not installed).
OSErr HandleStreamPicture(i16 flags, OSType* kind, Handle* data, WEObjectDescHandle object);
bool HandleClickPicture(Point hitPt, u16 modifiers, u32 clickTime, WEObjectDescHandle object);

OSErr HandleNewTIFF(WEObjectPlacement* placement, WEObjectDescHandle object);
OSErr HandleDisposeTIFF(WEObjectDescHandle object);
OSErr HandleDrawTIFF(const Rect* destRect, WEObjectDescHandle object);

OSErr HandleNewIota(WEObjectPlacement* placement, WEObjectDescHandle object);
OSErr HandleDisposeIota(WEObjectDescHandle object);
OSErr HandleDrawIota(const Rect* destRect, WEObjectDescHandle object);
OSErr HandleStreamIota(i16 flags, OSType* kind, Handle* data, WEObjectDescHandle object);
bool HandleClickIota(Point hitPt, u16 modifiers, u32 clickTime, WEObjectDescHandle object);

}  // namespace kv
