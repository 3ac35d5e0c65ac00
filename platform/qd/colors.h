// Colour tables, colour matching and graphics devices.
//
// The screen is one device of depth 1, 8, 16 or 32 with a device colour table; offscreen
// worlds normally carry a device of their own. Colour matching (Color2Index and every copy
// into an indexed pixel map) asks the search procedures installed on the current device
// first, newest first, and otherwise takes the nearest entry of the colour table.
#pragma once

#include "platform/qd/qdtypes.h"

namespace kv {

// --- Colour tables ---------------------------------------------------------------------------
// A copy of a system colour table: 1, 2, 4, 8 (the standard tables of those depths) and
// 33, 34, 36, 40 (grey ramps of 1, 2, 4 and 8 bits). 0 for any other id.
CTabHandle GetCTable(i16 ctid);
void DisposeCTable(CTabHandle table);
// A new table of `count` entries (values 0..count-1, all black) with a fresh seed.
CTabHandle NewCTable(i32 count);
// Number of entries, and one entry (false when the index is out of range).
i32 ctablecount(CTabHandle table);
bool ctableentry(CTabHandle table, i32 index, RGBColor* rgb);
bool setctableentry(CTabHandle table, i32 index, const RGBColor& rgb);
// A fresh seed; CTabChanged gives a table a new seed after its entries were changed.
i32 GetCTSeed();
void CTabChanged(CTabHandle table);

// --- Matching --------------------------------------------------------------------------------
// The pixel value of the colour on the current device: an index of its table (search
// procedures first) or, on a direct device, the direct pixel value.
i32 Color2Index(const RGBColor* rgb);
void Index2Color(i32 index, RGBColor* rgb);
// The colour the current device shows for the colour.
void RealColor(const RGBColor* rgb, RGBColor* out);
void InvertColor(RGBColor* rgb);
void AddSearch(ColorSearchProcPtr proc);
void DelSearch(ColorSearchProcPtr proc);
void AddComp(ColorComplementProcPtr proc);
void DelComp(ColorComplementProcPtr proc);

// --- Devices ---------------------------------------------------------------------------------
// The screen devices follow the backend's screens (bounds, depth, colour table): the main
// device is the main screen's, and the device list holds one device per screen.
GDHandle GetMainDevice();
GDHandle GetDeviceList();
GDHandle GetNextDevice(GDHandle device);
// The deepest screen device that a global rectangle touches (the main device when none).
GDHandle GetMaxDevice(const Rect* globalRect);
// The current device; SetGDevice makes another one current.
GDHandle GetGDevice();
void SetGDevice(GDHandle device);
// A device over a pixel map of the given depth and bounds with its own copy of the table
// (the standard table of the depth when none is given); no pixels.
GDHandle NewGDevicefor(i16 depth, const Rect& bounds, CTabHandle table);
void DisposeGDevice(GDHandle device);
// The device's depth and colour table (the table stays the device's).
i16 devicedepth(GDHandle device);
CTabHandle devicetable(GDHandle device);
// Whether the device has a grey between the background and foreground colours it is given;
// *fg becomes that grey (their average, matched on an indexed device).
bool GetGray(GDHandle device, const RGBColor* bk, RGBColor* fg);
// Whether the device shows colour (depth above 1).
bool TestDeviceAttribute(GDHandle device, i16 attribute);
constexpr i16 gdDevType = 0;  // attribute: colour device

}  // namespace kv
