// The Scrap Manager: the program's clipboard as an ordered list of flavours (each a type and
// its bytes in host order, in the order they were put) with a change count. Every change
// crosses to the backend's clipboard in outside (big-endian) order: flavours with a flipper
// installed for their type go through it, 'styl' is flipped here; when another program changed
// that clipboard, its flavours become the scrap at the next GetCurrentScrap, flipped back. A
// flavour whose flipper refuses it (a count or size that does not fit its block) is dropped.
#pragma once

#include <vector>

#include "platform/types.h"

namespace kv {

using ScrapRef = u32;
using ScrapFlavorType = OSType;

constexpr OSStatus noScrapErr = -100;
constexpr OSStatus noTypeErr = -102;  // the scrap holds no flavour of the type
constexpr OSStatus duplicateScrapFlavorErr = -4989;
constexpr OSStatus badScrapRefErr = -4990;  // a scrap that has since been cleared

struct ScrapFlavorInfo {
  ScrapFlavorType flavorType;
  u32 flavorFlags;
};

// The current scrap (taking another program's clipboard first when it changed).
OSStatus GetCurrentScrap(ScrapRef* scrap);
// Empties the scrap and the backend's clipboard; scraps got before become stale.
OSStatus ClearCurrentScrap();
// Adds a flavour (a type already there: duplicateScrapFlavorErr). 'TEXT' crosses at once.
OSStatus PutScrapFlavor(ScrapRef scrap, ScrapFlavorType type, u32 flags, Size size, const void* data);
OSStatus GetScrapFlavorFlags(ScrapRef scrap, ScrapFlavorType type, u32* flags);
OSStatus GetScrapFlavorSize(ScrapRef scrap, ScrapFlavorType type, Size* size);
// Copies at most *size bytes; *size becomes the bytes copied.
OSStatus GetScrapFlavorData(ScrapRef scrap, ScrapFlavorType type, Size* size, void* destination);
OSStatus GetScrapFlavorCount(ScrapRef scrap, u32* count);
// At most *count entries, in the order the flavours were put; *count becomes the number given.
OSStatus GetScrapFlavorInfoList(ScrapRef scrap, u32* count, ScrapFlavorInfo* info);
// Service scraps: scraps of their own that a service request carries between this program and
// a service, apart from the clipboard (nothing crosses to the backend). Every call above takes
// their references too.
OSStatus CreateServiceScrap(ScrapRef* scrap);
OSStatus DisposeServiceScrap(ScrapRef scrap);
// Empties a scrap: a service scrap in place; the current scrap as ClearCurrentScrap does, *scrap
// becoming the new current one.
OSStatus ClearScrap(ScrapRef* scrap);
// Raised by every change of the scrap.
u32 scrapchangecount();

// A flipper converts a flavour's data between host order (`currentlyNative` true: the data is
// read before it is swapped) and outside order in place; non-zero refuses the data, which is
// then left as it was.
using CoreEndianFlipProc = OSStatus (*)(OSType dataDomain, OSType dataType, i16 id, void* data, i64 length,
                                        bool currentlyNative, void* refcon);
// The flipper of a flavour type (a later one replaces it; none removes it).
OSStatus CoreEndianInstallFlipper(OSType dataDomain, OSType dataType, CoreEndianFlipProc proc, void* refcon);
constexpr OSType kCoreEndianResourceManagerDomain = fourcc("rsrc");
// Flips a 'styl' flavour (u16 count, then 20-byte elements: u32 start, u16 height, u16 ascent,
// u16 font, face and filler untouched, u16 size, three u16 of colour); -1 when the count runs
// past the data.
OSStatus flipstylscrap(u8* data, i64 length, bool currentlyNative);

}  // namespace kv
