// Icons: colour icons ('cicn') and icon families ('icns'), plotted into a rectangle of the
// current port with a transform, and the point-in-icon test.
//
// A colour icon (CIconHandle) is a memory handle holding its fixed part (iconrecords.h) in
// host order followed by the mask rows and the bit-map rows; its pixel map's `pmtable` names
// the colour table (a colour-table handle, colors.h) and `icondata` the pixel rows.
//
// An icon reference (IconRef) is a typed registry id of an icon family decoded from 'icns'
// data (big-endian): 1-bit icons with their masks ('ICN#', 'ics#', 'icm#', 'ich#'), 8-bit
// icons of the standard colour table ('icl8', 'ics8', 'icm8', 'ich8'), 32-bit run-length
// icons ('is32', 'il32', 'ih32', 'it32') with their 8-bit masks ('s8mk', 'l8mk', 'h8mk',
// 't8mk'), and PNG or JPEG 2000 members ('icp4'-'icp6', 'ic07'-'ic14'). Other members are
// passed over. Every length is checked against the data; a member that does not decode is
// left out, and a family without any member that decodes makes no reference.
//
// Plotting goes through the port's bottleneck table: the icon, blended over what the port
// holds under it, is one bits call masked to the icon's pixels.
#pragma once

#include "platform/qd/qdtypes.h"

namespace kv {

using CIconHandle = Handle;
using IconRef = RegistryId;  // RegType::icon

// Alignments: none stretches the icon over the rectangle; any other puts the icon's square,
// as large as the rectangle allows, in the rectangle's centre.
enum : i16 { kAlignNone = 0, kAlignAbsoluteCenter = 5 };
// Transforms: selected darkens the icon to half its brightness, disabled makes it half
// transparent.
enum : i16 { kTransformNone = 0, kTransformDisabled = 1, kTransformSelected = 0x4000 };

enum : OSErr { noMaskFoundErr = -1000, invalidIconRefErr = -2580, noSuchIconErr = -2582 };

// --- Colour icons ----------------------------------------------------------------------------
// Plots the icon into the rectangle of the current port through its mask; paramErr when the
// icon's record does not hold together (nothing is drawn).
OSErr PlotCIconHandle(const Rect* r, i16 align, i16 transform, CIconHandle icon);
void PlotCIcon(const Rect* r, CIconHandle icon);
// Disposes the icon with its colour table and pixel rows.
void DisposeCIcon(CIconHandle icon);

// --- Icon families ---------------------------------------------------------------------------
// A reference to the family decoded from 'icns' data (its whole bytes, big-endian).
// noSuchIconErr when no member decodes, paramErr for data that is not an icon family.
OSErr GetIconRefFromIconFamilyPtr(const void* data, Size size, IconRef* out);
// The system's icon of a file type: there are none here, so always noSuchIconErr.
OSErr GetIconRef(i16 volume, OSType creator, OSType type, IconRef* out);
OSErr ReleaseIconRef(IconRef icon);
bool IsValidIconRef(IconRef icon);
// Plots the member that best fits the rectangle (the smallest at least as large, else the
// largest, deeper before shallower) into it.
OSErr PlotIconRef(const Rect* r, i16 align, i16 transform, IconRef icon);
// Whether the point lies on an opaque pixel (mask value 128 or more) of the icon as plotted
// into the rectangle.
bool PtInIconRef(const Point* pt, const Rect* r, i16 align, IconRef icon);

}  // namespace kv
