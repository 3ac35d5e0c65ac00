// The Scrap Manager: the program's clipboard as an ordered list of flavours (each a type and
// its bytes, in the order they were put) with a change count. 'TEXT' crosses to the backend's
// clipboard as it is put; when another program changed that clipboard, its flavours become
// the scrap at the next GetCurrentScrap.
#pragma once

#include <vector>

#include "platform/types.h"

namespace kv {

using ScrapRef = u32;
using ScrapFlavorType = OSType;

constexpr OSStatus noScrapErr = -100;
constexpr OSStatus noTypeErr = -102;             // the scrap holds no flavour of the type
constexpr OSStatus duplicateScrapFlavorErr = -4989;
constexpr OSStatus badScrapRefErr = -4990;       // a scrap that has since been cleared

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
// Raised by every change of the scrap.
u32 scrapchangecount();

}  // namespace kv
