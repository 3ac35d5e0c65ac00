// Pixel maps, ports and offscreen worlds: the current port and device, origin, clip and
// visible regions, colours, pen and text settings.
//
// Pixel rows follow the platform's layout: row bytes as pixmaprowbytes() computes them,
// 1-bit pixels most significant bit first (pixel (0,0) is bit 7 of byte 0), 16-bit pixels
// x1r5g5b5 and 32-bit pixels xrgb host words.
#pragma once

#include "platform/qd/bottleneck.h"
#include "platform/qd/qdtypes.h"

namespace kv {

// --- Pixel maps ------------------------------------------------------------------------------
// Row bytes of a pixel buffer: 8 bits: the width rounded up to a multiple of 4; 16 bits:
// width x 2; 32 bits: width x 4; other depths (1-bit masks): whole 16-bit words.
u16 pixmaprowbytes(i32 width, i16 depth);

PixMapHandle NewPixMap();
void DisposePixMap(PixMapHandle pm);
void CopyPixMap(PixMapHandle src, PixMapHandle dst);
bool LockPixels(PixMapHandle pm);
void UnlockPixels(PixMapHandle pm);
Ptr GetPixBaseAddr(PixMapHandle pm);
i32 GetPixRowBytes(PixMapHandle pm);
i16 GetPixDepth(PixMapHandle pm);
Rect* GetPixBounds(PixMapHandle pm, Rect* bounds);
GWorldFlags GetPixelsState(PixMapHandle pm);
void SetPixelsState(PixMapHandle pm, GWorldFlags state);
void AllowPurgePixels(PixMapHandle pm);
void NoPurgePixels(PixMapHandle pm);
// A copy of the pixel map record (zeroes for a bad handle).
PixMap pixmaprecord(PixMapHandle pm);

// --- Offscreen worlds ------------------------------------------------------------------------
// Depth 0 takes the main device's depth. A world gets a device of its own unless one is
// given with noNewDevice, and the standard table of its depth unless a table is given.
OSErr NewGWorld(GWorldPtr* world, i16 depth, const Rect* bounds, CTabHandle table, GDHandle device, GWorldFlags flags);
// Remakes a world at a new depth or size (clipPix keeps the pixels that still fit,
// stretchPix scales them). Answers gwFlagErr on failure, leaving the world as it was.
GWorldFlags UpdateGWorld(GWorldPtr* world, i16 depth, const Rect* bounds, CTabHandle table, GDHandle device,
                         GWorldFlags flags);
void DisposeGWorld(GWorldPtr world);
// Tests: while a depth is refused, NewGWorld and UpdateGWorld answer cNoMemErr for it (window
// ports are not concerned).
void refuseworlddepth(i16 depth, bool refuse);
void GetGWorld(CGrafPtr* port, GDHandle* device);
// Makes the port current; a world's own device becomes current with it, another port takes
// the given device (the current one stays when none is given).
void SetGWorld(CGrafPtr port, GDHandle device);
GDHandle GetGWorldDevice(GWorldPtr world);
PixMapHandle GetGWorldPixMap(GWorldPtr world);

// --- Ports -----------------------------------------------------------------------------------
// A port without pixels of its own (draws nowhere until given a pixel map).
CGrafPtr CreateNewPort();
void DisposePort(CGrafPtr port);
bool IsValidPort(CGrafPtr port);
void GetPort(GrafPtr* port);
void SetPort(GrafPtr port);
CGrafPtr currentportid();
// The current port draws into this pixel map (not owned by the port) or a copy of the bit map.
void SetPortPix(PixMapHandle pm);
void SetPortBits(const BitMap* bits);
PixMapHandle GetPortPixMap(CGrafPtr port);
// The port's pixel map as a BitMap pointer for CopyBits; valid until the next allocation.
const BitMap* GetPortBitMapForCopyBits(CGrafPtr port);
i16 portdepth(CGrafPtr port);

Rect* GetPortBounds(CGrafPtr port, Rect* r);
void SetPortBounds(CGrafPtr port, const Rect* r);
RgnHandle GetPortVisibleRegion(CGrafPtr port, RgnHandle rgn);
void SetPortVisibleRegion(CGrafPtr port, RgnHandle rgn);
RgnHandle GetPortClipRegion(CGrafPtr port, RgnHandle rgn);
void SetPortClipRegion(CGrafPtr port, RgnHandle rgn);
// The global position of the port's pixel (0, 0) (the window module sets it for window
// ports); LocalToGlobal and GlobalToLocal go through it.
void setportglobalorigin(CGrafPtr port, Point pixelzero);

// --- Window ports ----------------------------------------------------------------------------
// A port that owns white pixels at a depth (an indexed depth with a copy of the table) over
// (0, 0, height, width), and no device: the window layer makes one for each window. An empty
// size gives a port without pixels. newRowBytesTooBigErr when a row would be too long.
OSErr newwindowport(i16 width, i16 height, i16 depth, CTabHandle table, CGrafPtr* port);
// Gives such a port a new size: its origin stays, the pixels that still fit stay, the rest is
// white, and the visible region becomes the new bounds. An error leaves the port as it was.
OSErr sizewindowport(CGrafPtr port, i16 width, i16 height);

// Counts the drawing into any pixels (shapes, text, copies, single pixels): the compositor
// composes the screen again when it moved.
u64 drawingcount();

// Where drawing went: the pixel buffer (its first byte) and the rectangle of its pixels
// (0-based, rows and columns of the buffer).
struct DrawnArea {
  const void* base;
  Rect pixels;
};
// Notes an area drawn (the drawing layer does, with each bump of the count).
void notedrawn(const void* base, const Rect& pixels);
// The areas drawn since the last call, and forgets them; *all is set when more were drawn than
// could be kept (the caller takes every buffer as drawn).
std::vector<DrawnArea> takedrawnareas(bool* all);

// Keeps the current port and device while it lives and puts both back when it ends (no port
// when none was current): for drawing done on the side, like the compositor's.
class SavePort {
 public:
  SavePort();
  ~SavePort();
  SavePort(const SavePort&) = delete;
  SavePort& operator=(const SavePort&) = delete;

 private:
  CGrafPtr port_;
  GDHandle device_;
  // The device's handle serial: a device disposed of while saved (the screens were rebuilt) is
  // not mistaken for a later handle that took its id.
  u32 deviceserial_;
};

// Origin and clipping of the current port.
void SetOrigin(i16 h, i16 v);
void ClipRect(const Rect* r);
void SetClip(RgnHandle rgn);
void GetClip(RgnHandle rgn);
void LocalToGlobal(Point* pt);
void GlobalToLocal(Point* pt);

// --- Pen -------------------------------------------------------------------------------------
struct PenState {
  Point pnLoc;
  Point pnSize;  // (v = height, h = width)
  i16 pnMode;
  Pattern pnPat;
};
void GetPen(Point* pt);
void GetPenState(PenState* ps);
void SetPenState(const PenState* ps);
void PenSize(i16 width, i16 height);
void PenMode(i16 mode);
void PenPat(const Pattern* pat);
void BackPat(const Pattern* pat);
void PenNormal();
void HidePen();
void ShowPen();
i16 GetPortPenVisibility(CGrafPtr port);
Point* GetPortPenSize(CGrafPtr port, Point* size);
i16 GetPortPenMode(CGrafPtr port);
Point* GetPortPenLocation(CGrafPtr port, Point* loc);
void SetPortPenSize(CGrafPtr port, Point size);
void SetPortPenMode(CGrafPtr port, i16 mode);
Pattern* GetPortBackPat(CGrafPtr port, Pattern* pat);
Pattern* GetPortPenPat(CGrafPtr port, Pattern* pat);
// The pattern the fill verb draws with (the last one a fill call gave).
Pattern* GetPortFillPat(CGrafPtr port, Pattern* pat);
void MoveTo(i16 h, i16 v);
void Move(i16 dh, i16 dv);

// The standard patterns.
Pattern* GetQDGlobalsBlack(Pattern* p);
Pattern* GetQDGlobalsWhite(Pattern* p);
Pattern* GetQDGlobalsGray(Pattern* p);
Pattern* GetQDGlobalsLightGray(Pattern* p);
Pattern* GetQDGlobalsDarkGray(Pattern* p);
constexpr Pattern qdblack{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
constexpr Pattern qdwhite{{0, 0, 0, 0, 0, 0, 0, 0}};
constexpr Pattern qdgray{{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
constexpr Pattern qdltgray{{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}};
constexpr Pattern qddkgray{{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}};

// --- Colours ---------------------------------------------------------------------------------
void ForeColor(i32 color);
void BackColor(i32 color);
void RGBForeColor(const RGBColor* c);
void RGBBackColor(const RGBColor* c);
void GetForeColor(RGBColor* c);
void GetBackColor(RGBColor* c);
// The operation colour of the blend, add-pin and sub-pin modes.
void OpColor(const RGBColor* c);
void GetPortOpColor(CGrafPtr port, RGBColor* c);
// The port's hilite colour (HiliteColor sets it; the default follows the layer's).
void HiliteColor(const RGBColor* c);
RGBColor* GetPortHiliteColor(CGrafPtr port, RGBColor* c);
void setsystemhilitecolor(const RGBColor& c);
// The hilite-mode bit: when cleared, the next inversion swaps the background and hilite
// colours instead of inverting, and sets the bit again.
bool LMGetHiliteMode();
void LMSetHiliteMode(bool inverting);

// --- Text settings ---------------------------------------------------------------------------
void TextFont(i16 font);
void TextFace(Style face);
void TextMode(i16 mode);
void TextSize(i16 size);
void SpaceExtra(i32 extra);  // 16.16 fixed
void CharExtra(i32 extra);   // 16.16 fixed (whole pixels used)
i16 GetPortTextFont(CGrafPtr port);
Style GetPortTextFace(CGrafPtr port);
i16 GetPortTextMode(CGrafPtr port);
i16 GetPortTextSize(CGrafPtr port);

}  // namespace kv
