// Types of the drawing layer: bit maps and pixel maps, colour tables, patterns, devices,
// polygons, transfer modes and the classic colour constants.
//
// Ports and offscreen worlds (CGrafPtr, GWorldPtr) and regions (RgnHandle) are typed registry
// ids. Pixel maps, colour tables, devices, polygons and pictures are memory handles holding
// the records below, as the system keeps and passes them.
#pragma once

#include "platform/qd/regions.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// --- Fixed-point numbers ---------------------------------------------------------------------
// 16.16 signed fixed point.
using Fixed = i32;
constexpr Fixed Long2Fix(i32 x) { return Fixed(u32(x) << 16); }

// --- Ports -----------------------------------------------------------------------------------
using CGrafPtr = RegistryId;  // RegType::port
using GrafPtr = CGrafPtr;
using GWorldPtr = CGrafPtr;  // an offscreen world is a port that owns its pixels

// --- Colour tables ---------------------------------------------------------------------------
// A colour table handle holds the header {u32 ctSeed, u16 ctFlags, u16 ctSize (entries - 1)}
// followed by ctSize + 1 ColorSpec entries, in host byte order.
using CTabHandle = Handle;
struct ColorSpec {
  i16 value;
  RGBColor rgb;
};
static_assert(sizeof(ColorSpec) == 8);
struct ColorTableHeader {
  u32 ctSeed;
  u16 ctFlags;
  u16 ctSize;
};
static_assert(sizeof(ColorTableHeader) == 8);

// --- Bit maps and pixel maps -----------------------------------------------------------------
// rowBytes carries flags in its top two bits: 0x8000 marks a pixel map, so a BitMap pointer
// may name either record (the first three fields are shared).
constexpr u16 pixmapflag = 0x8000;
constexpr u16 rowbytesmask = 0x3FFF;

struct BitMap {
  Ptr baseAddr;
  u16 rowBytes;
  Rect bounds;
};

struct PixMap {
  Ptr baseAddr;
  u16 rowBytes;  // with pixmapflag set
  Rect bounds;
  i16 pmVersion;
  i16 packType;
  i32 packSize;
  i32 hRes;  // 16.16 fixed, 72 dpi
  i32 vRes;
  i16 pixelType;  // 0 indexed, 16 direct (RGBDirect)
  i16 pixelSize;  // 1, 2, 4, 8, 16, 32
  i16 cmpCount;
  i16 cmpSize;
  u32 pixelFormat;
  CTabHandle pmTable;
  u32 pmExt;
};
using PixMapHandle = Handle;  // a memory handle holding one PixMap

constexpr i16 rgbDirect = 16;
constexpr i32 fixed72dpi = 72 << 16;

// --- Devices ---------------------------------------------------------------------------------
using GDHandle = Handle;  // a memory handle holding one GDevice
struct GDevice {
  i16 gdRefNum;
  i16 gdID;
  i16 gdType;  // 0 colour table, 2 direct
  i16 gdFlags;
  PixMapHandle gdPMap;
  i32 gdRefCon;
  GDHandle gdNextGD;
  Rect gdRect;
  u32 gdMode;
};
constexpr i16 clutType = 0;
constexpr i16 directType = 2;

// A colour search procedure: answers true and an index in *position when it decides the
// colour's match; false passes the colour on.
using ColorSearchProcPtr = bool (*)(RGBColor* rgb, i32* position);
// A colour complement procedure (kept for AddComp/DelComp).
using ColorComplementProcPtr = void (*)(RGBColor* rgb);

// --- Patterns --------------------------------------------------------------------------------
struct Pattern {
  u8 pat[8];
};
inline bool operator==(const Pattern& a, const Pattern& b) {
  for (int i = 0; i < 8; ++i)
    if (a.pat[i] != b.pat[i]) return false;
  return true;
}

// --- Polygons and pictures -------------------------------------------------------------------
// A polygon handle holds {u16 polySize, Rect polyBBox, Point polyPoints[]} in host order;
// polySize counts the bytes of the whole record (10 + 4 per point).
using PolyHandle = Handle;
struct PolygonHeader {
  u16 polySize;
  Rect polyBBox;
};
static_assert(sizeof(PolygonHeader) == 10);

// A picture handle holds the picture's data: u16 size, Rect frame (big-endian), opcodes.
using PicHandle = Handle;

// --- Drawing verbs and modes -----------------------------------------------------------------
enum GrafVerb : i16 {
  kQDGrafVerbFrame = 0,
  kQDGrafVerbPaint = 1,
  kQDGrafVerbErase = 2,
  kQDGrafVerbInvert = 3,
  kQDGrafVerbFill = 4
};

enum TransferMode : i16 {
  srcCopy = 0,
  srcOr = 1,
  srcXor = 2,
  srcBic = 3,
  notSrcCopy = 4,
  notSrcOr = 5,
  notSrcXor = 6,
  notSrcBic = 7,
  patCopy = 8,
  patOr = 9,
  patXor = 10,
  patBic = 11,
  notPatCopy = 12,
  notPatOr = 13,
  notPatXor = 14,
  notPatBic = 15,
  blend = 32,
  addPin = 33,
  addOver = 34,
  subPin = 35,
  transparent = 36,
  addMax = 37,
  subOver = 38,
  adMin = 39,
  grayishTextOr = 49,
  hilite = 50,
  ditherCopy = 64,
};

// Old-style colours of ForeColor / BackColor.
enum : i32 {
  whiteColor = 30,
  blackColor = 33,
  yellowColor = 69,
  magentaColor = 137,
  redColor = 205,
  cyanColor = 273,
  greenColor = 341,
  blueColor = 409,
};

// Text faces: the style byte of the font layer (facebold, faceitalic, ...).
using Style = u8;

struct FontInfo {
  i16 ascent, descent, widMax, leading;
};

// Result codes of the drawing layer.
enum : OSErr {
  pixmapTooDeepErr = -148,
  cMatchErr = -150,
  cTempMemErr = -151,
  cNoMemErr = -152,
  cRangeErr = -153,
  cProtectErr = -154,
  cDevErr = -155,
  cResErr = -156,
  rgnTooBigErr = -500,
  newRowBytesTooBigErr = -4000,  // row bytes past the 0x3FFF the pixel map can carry
};

// Offscreen world flags (NewGWorld, UpdateGWorld).
enum : u32 {
  pixPurge = 1u << 0,
  noNewDevice = 1u << 1,
  useTempMem = 1u << 2,
  keepLocal = 1u << 3,
  pixelsPurgeable = 1u << 6,
  pixelsLocked = 1u << 7,
  clipPix = 1u << 0,
  stretchPix = 1u << 1,
  ditherPix = 1u << 2,
  gwFlagErr = 1u << 7,
};
using GWorldFlags = u32;

}  // namespace kv
