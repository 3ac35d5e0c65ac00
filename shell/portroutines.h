// Small port, pixel-map, pattern, device and colour-table routines that the drawing code
// shares, and the colour tables of cards and backgrounds.
#pragma once

#include "platform/qd/bottleneck.h"
#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// --- Ports and pixel maps ------------------------------------------------------------------
CGrafPtr currport();
// A new port, made current.
void openport(CGrafPtr* out);
void closeport(CGrafPtr port);
// The standard procedures of a colour port.
void setstdprocs(QDProcs* procs);
// Removes custom drawing procedures from a port: it draws with the standard ones.
void setstandarderaseprocs(CGrafPtr port);
// Makes the current port draw into the given pixels: with colour (and colorWorld) the port's
// pixel map takes the map's base address, row bytes and bounds; otherwise the bit map is
// attached as a 1-bit pixel map, so drawing and reading through the port see its bits. The
// port's bounds and visible region become the map's bounds.
void setportbits(const BitMap* bits, u16 colour);
// The current port's pixels: base address, row bytes (without flags) and bounds.
void getportbits(BitMap* out);
// With colour (and colorWorld): the current port's pixel map becomes 8-bit indexed with the
// current colour table, keeping its pixels, row bytes and bounds.
void fixpixmap(u16 colour);
// Row bytes of a rectangle's width at a depth (8 bits: a multiple of 4; 16 and 32 bits: 2 and
// 4 bytes a pixel; otherwise whole 16-bit words of 1-bit pixels) and the size of its pixels.
void calcsizewidth(const Rect* r, u32* size, u16* rowbytes, i16 depth);
// The pixel depth of the current device.
i16 getdepth();
// Black foreground, white background in the current port.
void restcolor();

// --- Patterns ------------------------------------------------------------------------------
void copypat(const Pattern* src, Pattern* dst);
// A pattern from two 32-bit words, the first giving its top four rows.
void initpat(Pattern* out, u32 top, u32 bottom);
// 1 when the patterns are equal, else 0.
i16 compat(const Pattern* a, const Pattern* b);

// --- Devices ---------------------------------------------------------------------------------
// The n-th screen device (from 1): 1 found, 0 not (*out is 0 past the last; n < 1 leaves *out).
i16 indextodevice(i16 n, GDHandle* out);
// The id of the default colour table for the main screen's depth: 1002 at 2 bits, 1001 at 4,
// else 1000.
i16 defclutid();

// --- A window's port around drawing into the offscreen world --------------------------------
// The window's port at origin (0, 0), clipped to the offscreen world (unless backColor).
void modedown(WindowRef window);
// The window's port back at its scroll position, clipped to the port less the scroll bars'
// width while the horizontal bar shows (unless backColor; nothing for a window not in the
// table).
void modeup(WindowRef window);

// --- Colour tables ---------------------------------------------------------------------------
// A copy (host order) of colour table `id` of a project: from its resources, else the shared
// project's, else the system table of the screen's depth; with a fresh seed while colorWorld
// is on. A stored table whose count overruns its record counts as missing. 0, or 37 when
// memory runs out (*out is then 0).
i16 getclut(RegistryId store, u32 id, Handle* out);
// The project's own table `id` (host order, fresh seed while colorWorld is on) into *out: true
// when it has one that holds together.
bool lowclut(RegistryId store, u32 id, Handle* out);

}  // namespace kv
