// Converters between 8-bit text and Unicode (UTF-16 in the host's byte order, or UTF-8), in
// the manner of the platform's text-encoding converter: one encoding each way, and a run
// converter that spreads Unicode over the enabled scripts' encodings and reports the runs.
//
// Conversion goes character by character, so an offset into the source always maps to the
// exact start of the same character in the output. Each conversion fills the output as far as
// its room allows and says why it stopped; callers grow the output and continue (the status
// codes below). The one-byte Mac encodings convert through our own tables (Mac Roman, Symbol,
// Zapf Dingbats and those of macsets.h; a character two bytes of a set give goes back to the
// lower byte), Japanese as Shift-JIS through the C library's iconv, never through the C
// library's locale. Celtic, Gaelic, Inuit and VT100 are not supported.
#pragma once

#include <vector>

#include "platform/text/textencodings.h"

namespace kv {

using ByteCount = u32;
using ByteOffset = u32;
using ItemCount = u32;
using UniChar = u16;

// Statuses.
constexpr OSStatus kTextUnsupportedEncodingErr = -8738;    // no converter for the encoding
constexpr OSStatus kTextMalformedInputErr = -8739;         // a byte has no character (without fallbacks)
constexpr OSStatus kTECBufferBelowMinimumSizeErr = -8750;  // no room for even one character
constexpr OSStatus kTECArrayFullErr = -8751;               // the run array is full
constexpr OSStatus kTECPartialCharErr = -8753;             // the input ends inside a character
constexpr OSStatus kTECUnmappableElementErr = -8754;       // a character the target cannot hold
constexpr OSStatus kTECUsedFallbacksStatus = -8783;        // done, with fallback characters
constexpr OSStatus kTECOutputBufferFullStatus = -8785;     // stopped because the output is full

// Conversion flags.
enum : u32 {
  kUnicodeUseFallbacksMask = 0x1,    // a character without a mapping takes a fallback
  kUnicodeKeepInfoMask = 0x2,        // accepted; the converters keep no state between calls
  kUnicodeLooseMappingsMask = 0x20,  // accepted; the tables have only exact mappings
  kUnicodeTextRunMask = 0x80,        // accepted by the run converter
};

// Which fallbacks a Unicode-to-text converter tries, and in what order: the converter's own
// (the '?' of the target set) and the caller's fallback routine.
enum : u32 {
  kUnicodeFallbackDefaultOnly = 0,
  kUnicodeFallbackCustomOnly = 1,
  kUnicodeFallbackDefaultFirst = 2,
  kUnicodeFallbackCustomFirst = 3,
};

// A caller's fallback: given the UTF-16 units of one character that has no mapping (lengths in
// bytes), writes its text into dest (room bytes) and answers 0 with what it used, or
// kTECBufferBelowMinimumSizeErr when dest is too small, or kTECUnmappableElementErr when it
// has nothing for the character.
using UnicodeToTextFallbackProc = OSStatus (*)(const UniChar* source, ByteCount sourceLength, ByteCount* sourceUsed,
                                               u8* dest, ByteCount destRoom, ByteCount* destUsed);

// Which encodings a converter joins: a Unicode encoding (UTF-16 or UTF-8) and an 8-bit one.
struct UnicodeMapping {
  TextEncoding unicodeEncoding;
  TextEncoding otherEncoding;
};

// Converters are plain values: nothing to dispose of.
struct TextToUnicodeInfo {
  UnicodeMapping mapping{};
};
struct UnicodeToTextInfo {
  UnicodeMapping mapping{};
  UnicodeToTextFallbackProc fallback = nullptr;
  u32 fallbackFlags = kUnicodeFallbackDefaultOnly;
};
struct UnicodeToTextRunInfo {
  TextEncoding unicodeEncoding = 0;
  std::vector<TextEncoding> encodings;  // tried in this order for each character
};

// One stretch of converted text in one encoding.
struct TextEncodingRun {
  ByteOffset offset;
  TextEncoding textEncoding;
};

// True when text in the encoding can be converted (its base, any variant, not Unicode).
bool textencodingsupported(TextEncoding encoding);

// kTextUnsupportedEncodingErr when the 8-bit encoding is not supported or the Unicode one is not
// UTF-16 or UTF-8 of base 0x100.
OSStatus CreateTextToUnicodeInfo(const UnicodeMapping* mapping, TextToUnicodeInfo* info);
OSStatus ChangeTextToUnicodeInfo(TextToUnicodeInfo* info, const UnicodeMapping* mapping);
OSStatus CreateUnicodeToTextInfo(const UnicodeMapping* mapping, UnicodeToTextInfo* info);
OSStatus SetFallbackUnicodeToText(UnicodeToTextInfo* info, UnicodeToTextFallbackProc proc, u32 flags);
// A run converter over the given encodings, or (count 0) over the encodings of the enabled
// scripts, Roman first.
OSStatus CreateUnicodeToTextRunInfo(ItemCount count, const TextEncoding* encodings, TextEncoding unicodeEncoding,
                                    UnicodeToTextRunInfo* info);

// The conversions. `offsets` (offsetCount of them, ascending) are offsets into the source; the
// output offset of each one reached is written to outOffsets and counted in *actualOffsetCount
// (an offset maps to the output offset of the first character that starts at or after it).
// *sourceRead and *outputLength tell what was converted and written. Answers 0 (all converted),
// kTECUsedFallbacksStatus (all converted, some through fallbacks), kTECOutputBufferFullStatus
// (stopped for room after converting something), kTECBufferBelowMinimumSizeErr (no room for
// the first character), kTextMalformedInputErr or kTECUnmappableElementErr (a character that
// has no mapping and no fallback: stopped before it).
OSStatus ConvertFromTextToUnicode(const TextToUnicodeInfo& info, ByteCount sourceLength, const void* source, u32 flags,
                                  ItemCount offsetCount, const ByteOffset* offsets, ItemCount* actualOffsetCount,
                                  ByteOffset* outOffsets, ByteCount outputRoom, ByteCount* sourceRead,
                                  ByteCount* outputLength, void* output);
OSStatus ConvertFromUnicodeToText(const UnicodeToTextInfo& info, ByteCount sourceLength, const void* source, u32 flags,
                                  ItemCount offsetCount, const ByteOffset* offsets, ItemCount* actualOffsetCount,
                                  ByteOffset* outOffsets, ByteCount outputRoom, ByteCount* sourceRead,
                                  ByteCount* outputLength, void* output);
// As ConvertFromUnicodeToText, also writing a run {output offset, encoding} wherever the
// encoding changes (runRoom of them; kTECArrayFullErr when the next run does not fit).
OSStatus ConvertFromUnicodeToTextRun(const UnicodeToTextRunInfo& info, ByteCount sourceLength, const void* source,
                                     u32 flags, ItemCount offsetCount, const ByteOffset* offsets,
                                     ItemCount* actualOffsetCount, ByteOffset* outOffsets, ByteCount outputRoom,
                                     ByteCount* sourceRead, ByteCount* outputLength, void* output, ItemCount runRoom,
                                     ItemCount* runCount, TextEncodingRun* runs);

}  // namespace kv
