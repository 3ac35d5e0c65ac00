// Icons: black-and-white icons ('ICON'), colour icons ('cicn') and icon families ('icns'), plotted into a rectangle of the
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
// An icon suite (IconSuiteRef) is a memory handle listing the members of an icon family kept
// as separate resources ('ICN#', 'icl4', 'icl8', 'ics#', 'ics4', 'ics8', 'icm#', 'icm4',
// 'icm8'): per member its type and a handle of its own data.
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

// --- Black-and-white icons ('ICON') ----------------------------------------------------------
// Copies a black-and-white icon (32 rows of 32 pixels, 4 bytes a row, the leftmost pixel in
// the high bit) into the rectangle of the current port, stretched to it: set bits in the
// port's foreground colour, clear ones in its background. paramErr for data shorter than 128
// bytes (nothing is drawn).
OSErr PlotIcon(const Rect* r, Handle icon);

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

// --- Icon suites ------------------------------------------------------------------------------
using IconSuiteRef = Handle;
using IconSelectorValue = u32;
// Which members a call takes: large, small and mini, each in 1, 4 and 8 bits.
enum : u32 {
  kSelectorLarge1Bit = 0x00000001,
  kSelectorLarge4Bit = 0x00000002,
  kSelectorLarge8Bit = 0x00000004,
  kSelectorSmall1Bit = 0x00000100,
  kSelectorSmall4Bit = 0x00000200,
  kSelectorSmall8Bit = 0x00000400,
  kSelectorMini1Bit = 0x00010000,
  kSelectorMini4Bit = 0x00020000,
  kSelectorMini8Bit = 0x00040000,
  kSelectorAllAvailableData = 0xFFFFFFFF,
};
// Called for each member: it may replace the member's handle; a non-zero answer stops the walk.
using IconActionProcPtr = OSErr (*)(ResType type, Handle* icon, void* data);

// A suite of copies of the members with that id found in the resource chain: noErr, or
// noSuchIconErr (and no suite) when none is found.
OSErr GetIconSuite(IconSuiteRef* out, i16 id, IconSelectorValue selector);
// A new empty suite.
OSErr NewIconSuite(IconSuiteRef* out);
// The member of a type, or none.
Handle iconsuitemember(IconSuiteRef suite, ResType type);
// Disposes a suite, and its members' handles with disposeData.
OSErr DisposeIconSuite(IconSuiteRef suite, bool disposeData);
// Calls the action for each member that the selector takes, in suite order.
OSErr ForEachIconDo(IconSuiteRef suite, IconSelectorValue selector, IconActionProcPtr action, void* data);

}  // namespace kv
