// Keyed streams and the engine's scraps, for the engine's own files and tests only (the rest
// of the system uses werecord.h).
//
// A keyed stream is a block holding a list of records, each record a run of tagged items; all
// words are in host order:
//
//   list:   8 zero bytes | u32 24 | 'list' | u32 record count | u32 0 | the records
//   record: u32 type ('reco') | u32 size (8 + its items) | u32 item count | u32 0 | the items
//   item:   u32 key | u32 type | u32 data size | the data, then a zero byte when the size is odd
//
// The writer appends to a block it grows in steps of 256 bytes and trims when it closes; the
// reader walks a block through small descriptors without copying it. The reader checks every
// count and size word against the block: a stream that does not hold together gives
// weMalformedScrapErr.
#pragma once

#include "textengine/weinternal.h"

namespace kv {

constexpr OSErr weNotContainerErr = -1703;   // the descriptor is not a list or record
constexpr OSErr weNoSuchItemErr = -1705;     // index past the count, or no item of the key
constexpr OSErr weBadReservedErr = -1760;    // a header's reserved word is not 0
constexpr OSErr weUnknownFlavorErr = -1852;  // a flavour the engine does not stream
constexpr OSErr weEmptySelectionErr = -10013;

constexpr i32 kWEStreamDepth = 4;

// The writer: the block, its allocated size, the bytes written, the depth (-1 when nothing is
// open) and the header offset of the list or record open at each depth.
struct WEStream {
  Handle block;
  i32 allocated;
  i32 length;
  i32 depth;
  i32 header[kWEStreamDepth];
};

// A reader's view of an item: its type ('list' or 'reco' for containers), the block, and the
// offset of the item's type field (0 for the whole block).
struct WEDataDesc {
  OSType type;
  Handle block;
  i32 offset;
};
inline WEDataDesc _WEWholeStream(Handle block) { return WEDataDesc{fourcc("list"), block, 0}; }

OSErr _WEStream_Open(Handle block, WEStream* writer);
OSErr _WEStream_OpenList(WEStream* writer);
OSErr _WEStream_OpenRecord(WEStream* writer, OSType type);
OSErr _WEStream_WriteKeyDesc(WEStream* writer, OSType key, OSType type, const void* data, i32 size);
OSErr _WEStream_CloseRecord(WEStream* writer);
OSErr _WEStream_CloseList(WEStream* writer);
OSErr _WEStream_Close(WEStream* writer);

OSErr _WEDataDesc_CountItems(const WEDataDesc& desc, i32* count);
OSErr _WEDataDesc_GetNthItem(const WEDataDesc& desc, i32 index, OSType* key, WEDataDesc* item);
OSErr _WEDataDesc_GetKeyItem(const WEDataDesc& desc, OSType key, WEDataDesc* item);
// The item's data inside the block and its size (the whole block for a whole-block descriptor;
// none and 0 without a block). Valid until the block moves or changes size.
const u8* _WEDataDesc_GetData(const WEDataDesc& desc, i32* size);
// The size as above; min(size, capacity) bytes copied to the destination when one is given.
void _WEDataDesc_CopyData(const WEDataDesc& desc, i32* size, void* destination, i32 capacity);

// --- Scrap writers and readers -------------------------------------------------------------------
// The distinct rulers of the paragraphs from the one holding start to the one holding the
// range's last character, in ruler-table order.
#define KV_WEUNIQUERULER_FIELDS(F) F(i32, index, 0) F(WERuler, ruler, 4)
KV_STORED_RECORD(WEUniqueRuler, 164, KV_WEUNIQUERULER_FIELDS)
OSErr _WEGetUniqueRulers(i32 start, i32 end, Handle out, WEReference we);

OSErr _WEBuildCharFormatScrap(i32 start, i32 end, Handle scrap, WEReference we);
OSErr _WEBuildStyleScrap(i32 start, i32 end, Handle scrap, u16 flags, WEReference we);
OSErr _WEBuildParaFormatScrap(i32 start, i32 end, Handle scrap, WEReference we);
OSErr _WEBuildRulerScrap(i32 start, i32 end, Handle scrap, WEReference we);
OSErr _WEBuildSTXT(i32 start, i32 end, Handle scrap, WEReference we);
OSErr _WEBuildSoup(i32 start, i32 end, Handle soup, i16 flags, WEReference we);
OSErr _WEAddStyleToStream(const WEStyle& style, u16 flags, WEStream* writer, WEReference we);
OSErr _WEAddRulerToStream(const WERuler& ruler, WEStream* writer);
OSErr _WEAddObjectToStream(WEObjectDescHandle object, u16 flags, WEStream* writer);
// The 'styl' scrap in two steps: its size, then its elements into a block of that size.
i32 _WECalcTextEditStyleScrapSize(i32 start, i32 end, WEReference we);
OSErr _WEFillTextEditStyleScrap(i32 start, i32 end, Handle scrap, WEReference we);
// Puts a block on the current scrap under a flavour.
OSErr _WEPutScrapHandle(OSType flavor, Handle block);

// The readers of 'WEru' (WERuler entries) and 'WEst' (WETextStyle entries, each carrying a
// free-standing object descriptor when its record had an object). On error nothing is left.
OSErr _WEParseRulerScrap(Handle scrap, Handle* rulers);
OSErr _WEParseStyleScrap(Handle scrap, Handle* styles, i16 allocFlags, WEFontNameToFamilyProcPtr hook);
// Disposes of a parsed style array with its objects.
void _WEForgetStyleArray(Handle* styles);

// The underline styles kept in a style's setting, by code.
OSType _WEUnderlineStyleTag(u16 code);
bool _WEUnderlineStyleCode(OSType tag, u16* code);

}  // namespace kv
