// The Palette Manager: palettes of colours with a usage and a tolerance, attached to windows;
// activating the front window's palette gives an indexed screen the palette's colours
// (through the screen device's colour table, which the compositor presents through).
//
// Palettes are registry ids (RegType::palette).
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

using PaletteHandle = RegistryId;

// Usages: courteous entries only match the screen's colours; tolerant entries take a screen
// entry when no screen colour lies within the tolerance; explicit entries take their own
// index.
enum : i16 { pmCourteous = 0, pmTolerant = 2, pmAnimated = 4, pmExplicit = 8 };

// A palette of `entries` colours, from a colour table when given (else black), all of one
// usage and tolerance; 0 when memory runs out.
PaletteHandle NewPalette(i16 entries, CTabHandle srcColors, i16 srcUsage, i16 srcTolerance);
void DisposePalette(PaletteHandle palette);
bool IsValidPalette(PaletteHandle palette);
// Makes the palette the table's colours (as many entries as the table), of one usage and
// tolerance.
void CTab2Palette(CTabHandle srcCTab, PaletteHandle dstPalette, i16 srcUsage, i16 srcTolerance);
i16 GetPaletteSize(PaletteHandle palette);
void GetEntryColor(PaletteHandle palette, i16 index, RGBColor* rgb);
void GetEntryUsage(PaletteHandle palette, i16 index, i16* usage, i16* tolerance);

// The palette of a window (0 for none); the window keeps it until it is given another.
void SetPalette(WindowRef window, PaletteHandle palette, bool cUpdates);
PaletteHandle GetPalette(WindowRef window);
// Gives the screen the colours of the window's palette when the window is in front: on an
// indexed screen each tolerant or explicit entry sets the screen colour of its index.
void ActivatePalette(WindowRef window);
// Sets entries start .. start + count of the current device's colour table (count is the
// number of entries less one); the screen shows them.
void SetEntries(i16 start, i16 count, const ColorSpec* aTable);

}  // namespace kv
