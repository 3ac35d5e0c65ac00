// Unicode conversion: the text encoding of a font family, ranges of a record as Unicode (for
// the 'utxt' and 'UTF8' flavours and saved text), Unicode back into 8-bit text with styles or
// spread over the enabled scripts, with the character and paragraph run arrays kept aligned
// with the converted bytes.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "system/proctable.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr UniChar kParagraphSeparator = 0x2029;
constexpr UniChar kObjectReplacement = 0xFFFC;
constexpr UniChar kByteOrderMark = 0xFEFF;
constexpr u8 kReturn = 13;
constexpr u8 kObjectPlaceholder = 1;
constexpr u8 kUTF8ByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

// Flags of the conversions.
constexpr u32 kTextToUnicodeFlags = kUnicodeUseFallbacksMask | kUnicodeKeepInfoMask;
constexpr u32 kStyledUnicodeFlags = kUnicodeUseFallbacksMask | kUnicodeKeepInfoMask | kUnicodeLooseMappingsMask;
constexpr u32 kMultiScriptFlags = kStyledUnicodeFlags | kUnicodeTextRunMask;
// The fallbacks of styled conversion: the engine's own routine first, then the converter's.
constexpr u32 __weUnicodeToTextFallbackFlags = kUnicodeFallbackCustomFirst;
constexpr ItemCount kFirstRunRoom = 32;

struct UnicodeState {
  i32 estimate = 0;  // tests: the first output estimate (0: the standard one)
};

TextEncoding utf16() { return CreateTextEncoding(kTextEncodingUnicodeDefault, 0, kUnicode16BitFormat); }

// The offsets of a run array ({i32 offset, i32 index} entries): weMalformedScrapErr when the
// block is not whole entries or an offset descends or lies outside [0, limit].
OSErr checkrunarray(Handle runs, i32 limit) {
  if (runs == nilhandle) return noErr;
  if (!IsValidHandle(runs)) return nilHandleErr;
  if (GetHandleSize(runs) % Size(sizeof(WERunEntry)) != 0) return weMalformedScrapErr;
  i32 previous = 0;
  for (i32 i = 0; i < HandleCount<WERunEntry>(runs); ++i) {
    const i32 offset = weelement<WERunEntry>(runs, i).runStart;
    if (offset < previous || offset > limit) return weMalformedScrapErr;
    previous = offset;
  }
  return noErr;
}

std::vector<i32> handleoffsets(Handle offsets) {
  const i32* p = HandleAs<i32>(offsets);
  return p ? std::vector<i32>(p, p + HandleCount<i32>(offsets)) : std::vector<i32>();
}

// The merged offsets of the two arrays, checked against the converted length.
OSErr mergedoffsets(Handle a, Handle b, i32 limit, std::vector<i32>* out) {
  for (Handle h : {a, b})
    if (OSErr err = checkrunarray(h, limit)) return err;
  Handle merged = nilhandle;
  if (OSErr err = _WESpliceRunArrays(a, b, &merged)) return err;
  *out = handleoffsets(merged);
  DisposeHandle(merged);
  return noErr;
}

// Writes converted offsets (in merged order) back into both arrays.
OSErr remapoffsets(Handle a, Handle b, const std::vector<i32>& converted) {
  Handle h = nilhandle;
  if (OSErr err = PtrToHand(converted.data(), &h, Size(converted.size() * sizeof(i32)))) return err;
  _WERemapRunArrays(a, b, h);
  DisposeHandle(h);
  return noErr;
}

// The offsets of [from, to) among the merged ones (from index k on), made relative to `from`.
std::vector<i32> offsetsin(const std::vector<i32>& merged, std::size_t k, i32 from, i32 to) {
  std::vector<i32> rel;
  for (; k < merged.size() && merged[k] < to; ++k) rel.push_back(merged[k] - from);
  return rel;
}

// One conversion with a growing output: the output is grown to what was written plus an
// estimate and the converter called; an output-full round keeps what it converted and goes
// on with a larger estimate, a too-small room is retried with twice the room. A round that
// neither reads nor writes ends the conversion with its status.
template <class Convert>
OSErr growconvert(i32 length, i64 estimate, Handle out, i32* written, i32 count, const i32* sourceOffsets,
                  i32* outOffsets, bool partialcharok, Convert convert) {
  if (!IsValidHandle(out)) return nilHandleErr;
  i64 w = *written;
  i32 done = 0, reached = 0;
  std::vector<ByteOffset> rel(std::size_t(std::max(count, 0))), got(rel.size());
  OSStatus status = noErr;
  for (;;) {
    if (estimate < 1) estimate = 1;
    if (w + estimate > std::numeric_limits<i32>::max()) {
      status = memFullErr;
      break;
    }
    SetHandleSize(out, Size(w + estimate));
    if (OSErr err = MemError()) {
      status = err;
      break;
    }
    for (i32 j = reached; j < count; ++j)
      rel[std::size_t(j - reached)] = ByteOffset(std::max(0, sourceOffsets[j] - done));
    ItemCount actual = 0;
    ByteCount read = 0, wrote = 0;
    status = convert(done, ByteCount(length - done), ItemCount(count - reached), rel.data(), &actual, got.data(),
                     ByteCount(estimate), &read, &wrote, deref(out) + w);
    for (ItemCount j = 0; j < actual && reached < count; ++j) outOffsets[reached++] = i32(w + got[j]);
    if (status == kTECOutputBufferFullStatus) {
      if (read == 0 && wrote == 0) break;
      done += i32(read);
      w += wrote;
      estimate = 2 * estimate - wrote + 32;
      continue;
    }
    if (status == kTECBufferBelowMinimumSizeErr) {
      estimate = 2 * estimate + 32;
      continue;
    }
    w += wrote;
    done += i32(read);
    if (status == noErr || status == kTECUsedFallbacksStatus || (partialcharok && status == kTECPartialCharErr))
      status = noErr;
    break;
  }
  SetHandleSize(out, Size(w));
  *written = i32(w);
  return OSErr(status);
}

i64 firstestimate(i64 standard) {
  const i32 forced = state<UnicodeState>().estimate;
  return forced > 0 ? forced : standard;
}

// The encoding that step 4 of the family-to-encoding mapping gives by script and region.
TextEncoding encodingbyregion(i16 script, i16 region) {
  struct Row {
    i16 script;
    i16 region;
    TextEncoding encoding;
  };
  static constexpr Row kRows[] = {
      {4, 48, 140}, {7, 62, 152}, {28, 78, 236}, {0, 20, 6},  {0, 21, 37}, {0, 47, 37},
      {0, 24, 35},  {0, 25, 36},  {0, 66, 36},   {0, 68, 36}, {0, 39, 38}, {0, 50, 39},
      {0, 75, 39},  {0, 76, 39},  {0, 77, 39},   {0, 79, 39}, {0, 81, 40},
  };
  for (const Row& row : kRows)
    if (row.script == script && row.region == region) return row.encoding;
  return 0;
}

bool samepname(ConstStringPtr name, const char* s) {
  const std::size_t n = std::strlen(s);
  return name[0] == n && equalnocase(name + 1, reinterpret_cast<const u8*>(s), n);
}

}  // namespace

void _WESetConversionEstimate(i32 bytes) { state<UnicodeState>().estimate = bytes; }

i16 _WEFontFamilyToScript(i16 family) {
  const i16 f = _WEResolveFontDesignator(family);
  return f < 16384 ? i16(0) : i16((f - 15872) >> 9);
}

OSErr _WEFontFamilyToTextEncoding(i16 family, TextEncoding* encoding) {
  const i16 f = _WEResolveFontDesignator(family);
  const i16 script = _WEFontFamilyToScript(f);
  Str255 name;
  _WEFontFamilyToQDFontName(f, name, nullptr);
  TextEncoding e = 0;
  if (script == 0 && samepname(name, "Symbol")) {
    e = kTextEncodingMacSymbol;
  } else if (script == 0 && samepname(name, "Zapf Dingbats")) {
    e = kTextEncodingMacDingbats;
  } else if (script == smUninterp && samepname(name, "VT100")) {
    e = kTextEncodingMacVT100;
  } else if (FMGetFontFamilyTextEncoding(f, &e) != noErr &&
             UpgradeScriptInfoToTextEncoding(script, kTextLanguageDontCare, kTextRegionDontCare, name, &e) != noErr) {
    const bool system = script == GetScriptManagerVariable(smSysScript);
    e = encodingbyregion(script, system ? i16(GetScriptManagerVariable(smRegionCode)) : kTextRegionDontCare);
  }
  *encoding = e;
  return noErr;
}

OSErr _WETextEncodingToFontFamily(TextEncoding encoding, i16* family) {
  i16 script = 0;
  Str255 name;
  if (OSErr err = OSErr(RevertTextEncodingToScriptInfo(encoding, &script, nullptr, name))) return err;
  if (name[0] != 0) return _WEQDFontNameToFontFamily(name, kInvalidFontFamily, encoding, nullptr, family);
  *family = i16(GetScriptVariable(script, smScriptAppFond));
  return noErr;
}

OSErr _WESpliceRunArrays(Handle a, Handle b, Handle* offsets) {
  std::vector<i32> all;
  for (Handle h : {a, b})
    if (IsValidHandle(h))
      for (i32 i = 0; i < HandleCount<WERunEntry>(h); ++i) all.push_back(weelement<WERunEntry>(h, i).runStart);
  std::sort(all.begin(), all.end());
  all.erase(std::unique(all.begin(), all.end()), all.end());
  *offsets = nilhandle;
  if (OSErr err = _WEAllocate(Size(all.size() * sizeof(i32)), weAllocTempMem, offsets)) return err;
  if (!all.empty()) std::memcpy(deref(*offsets), all.data(), all.size() * sizeof(i32));
  return noErr;
}

void _WERemapRunArrays(Handle a, Handle b, Handle offsets) {
  // The arrays still hold the offsets the merged list was made from: each entry takes the
  // converted value at its original offset's place in that list.
  Handle merged = nilhandle;
  if (_WESpliceRunArrays(a, b, &merged) != noErr) return;
  const std::vector<i32> from = handleoffsets(merged), to = handleoffsets(offsets);
  DisposeHandle(merged);
  for (Handle h : {a, b}) {
    if (!IsValidHandle(h)) continue;
    for (i32 i = 0; i < HandleCount<WERunEntry>(h); ++i) {
      WERunEntry e = weelement<WERunEntry>(h, i);
      const auto at = std::lower_bound(from.begin(), from.end(), e.runStart);
      const std::size_t k = std::size_t(at - from.begin());
      if (k < to.size()) e.runStart = to[k];
      setweelement(h, i, e);
    }
  }
}

void _WEBumpRunArray(Handle runs, i32 delta) {
  if (!IsValidHandle(runs)) return;
  for (i32 i = 0; i < HandleCount<WERunEntry>(runs); ++i) {
    WERunEntry e = weelement<WERunEntry>(runs, i);
    e.runStart += delta;
    setweelement(runs, i, e);
  }
}

void _WEEndianSwap(const UniChar* source, UniChar* dest, i32 count) {
  for (i32 i = 0; i < count; ++i) dest[i] = UniChar((source[i] >> 8) | (source[i] << 8));
}

void _WEMapCCsMacToUnicode(UniChar* units, i32 count) {
  for (i32 i = 0; i < count; ++i) {
    if (units[i] == kReturn) units[i] = kParagraphSeparator;
    else if (units[i] == kObjectPlaceholder) units[i] = kObjectReplacement;
  }
}

void _WEMapCCsUnicodeToMac(UniChar* units, i32 count) {
  for (i32 i = 0; i < count; ++i) {
    if (units[i] == kParagraphSeparator) units[i] = kReturn;
    else if (units[i] == kObjectReplacement) units[i] = kObjectPlaceholder;
  }
}

OSStatus _WEUnicodeToTextFallbackProc(const UniChar* source, ByteCount sourceLength, ByteCount* sourceUsed, u8* dest,
                                      ByteCount destRoom, ByteCount* destUsed) {
  *sourceUsed = *destUsed = 0;
  if (sourceLength != sizeof(UniChar) || source[0] != kObjectReplacement) return kTECUnmappableElementErr;
  if (destRoom < 1) return kTECBufferBelowMinimumSizeErr;
  dest[0] = kObjectPlaceholder;
  *sourceUsed = sizeof(UniChar);
  *destUsed = 1;
  return noErr;
}

OSErr _WEConvertTextToUnicode(const u8* text, i32 length, const TextToUnicodeInfo& converter, u32 flags, Handle out,
                              i32* written, i32 count, const i32* sourceOffsets, i32* outOffsets) {
  return growconvert(length, firstestimate(2 * i64(length)), out, written, count, sourceOffsets, outOffsets, true,
                     [&](i32 done, ByteCount n, ItemCount oc, const ByteOffset* offs, ItemCount* actual,
                         ByteOffset* outoffs, ByteCount room, ByteCount* read, ByteCount* wrote, u8* dest) {
                       return ConvertFromTextToUnicode(converter, n, text + done, flags, oc, offs, actual, outoffs,
                                                       room, read, wrote, dest);
                     });
}

OSErr _WEConvertUnicodeToText(const u8* unicode, i32 length, const UnicodeToTextInfo& converter, u32 flags, Handle out,
                              i32* written, i32 count, const i32* sourceOffsets, i32* outOffsets) {
  return growconvert(length, firstestimate(length), out, written, count, sourceOffsets, outOffsets, false,
                     [&](i32 done, ByteCount n, ItemCount oc, const ByteOffset* offs, ItemCount* actual,
                         ByteOffset* outoffs, ByteCount room, ByteCount* read, ByteCount* wrote, u8* dest) {
                       return ConvertFromUnicodeToText(converter, n, unicode + done, flags, oc, offs, actual, outoffs,
                                                       room, read, wrote, dest);
                     });
}

OSErr WEGetTextRangeAsUnicode(i32 start, i32 end, Handle unicode, Handle charFormat, Handle paraFormat, u32 variant,
                              u32 format, u32 options, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(unicode)) return nilHandleErr;
  if (start == -1) start = r->selStart;
  if (end == -1) end = r->selEnd;
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, 0, r->textLength);
  if (end < start) return paramErr;
  SetHandleSize(unicode, 0);
  std::vector<i32> merged;
  if (OSErr err = mergedoffsets(charFormat, paraFormat, end - start, &merged)) return err;
  std::vector<i32> converted(merged.size(), 0);
  const TextEncoding target = CreateTextEncoding(kTextEncodingUnicodeDefault, variant, format);

  // Maximal groups of runs in one encoding, each converted with its own converter.
  i32 written = 0;
  std::size_t k = 0;
  TextToUnicodeInfo converter;
  bool made = false;
  for (i32 run = WEOffsetToRun(start, we), at = start; at < end;) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    const TextEncoding encoding = info.style.ts.encoding;
    i32 groupend = info.runEnd;
    while (groupend < end && run + 1 < r->nRuns) {
      WEExtRunInfo next;
      _WEGetIndStyle(run + 1, &next, we);
      if (next.style.ts.encoding != encoding) break;
      ++run;
      groupend = next.runEnd;
    }
    ++run;
    groupend = std::min(groupend, end);
    const UnicodeMapping mapping{target, encoding};
    OSStatus s = made ? ChangeTextToUnicodeInfo(&converter, &mapping) : CreateTextToUnicodeInfo(&mapping, &converter);
    if (s == kTextUnsupportedEncodingErr && made) s = CreateTextToUnicodeInfo(&mapping, &converter);
    if (s != noErr) return OSErr(s);
    made = true;
    const std::vector<u8> text(deref(r->hText) + at, deref(r->hText) + groupend);
    const std::vector<i32> rel = offsetsin(merged, k, at - start, groupend - start);
    if (OSErr err = _WEConvertTextToUnicode(text.data(), i32(text.size()), converter, kTextToUnicodeFlags, unicode,
                                            &written, i32(rel.size()), rel.data(), converted.data() + k))
      return err;
    k += rel.size();
    at = groupend;
  }
  for (; k < merged.size(); ++k) converted[k] = written;  // offsets at the range's end
  if (OSErr err = remapoffsets(charFormat, paraFormat, converted)) return err;

  if (format == kUnicode16BitFormat) {
    const i32 units = written / i32(sizeof(UniChar));
    _WEMapCCsMacToUnicode(HandleAs<UniChar>(unicode), units);
    if (options & weGetAddUnicodeBOM) {
      if (OSErr err = _WESplice(unicode, &kByteOrderMark, sizeof kByteOrderMark, 0)) return err;
      for (Handle h : {charFormat, paraFormat}) _WEBumpRunArray(h, sizeof kByteOrderMark);
    }
    if (options & weGetLittleEndian) {
      UniChar* p = HandleAs<UniChar>(unicode);
      _WEEndianSwap(p, p, HandleCount<UniChar>(unicode));
    }
  } else if (format == kUnicodeUTF8Format && (options & weGetAddUnicodeBOM)) {
    if (OSErr err = _WESplice(unicode, kUTF8ByteOrderMark, sizeof kUTF8ByteOrderMark, 0)) return err;
    for (Handle h : {charFormat, paraFormat}) _WEBumpRunArray(h, sizeof kUTF8ByteOrderMark);
  }
  return noErr;
}

OSErr _WEConvertUnicodeToMultiScriptText(const UniChar* text, i32 units, Handle textOut, Handle encodingsOut) {
  if (!IsValidHandle(textOut)) return nilHandleErr;
  UnicodeToTextRunInfo info;
  if (OSErr err = OSErr(CreateUnicodeToTextRunInfo(0, nullptr, utf16(), &info))) return err;
  const u8* source = reinterpret_cast<const u8*>(text);
  const i32 length = std::max(units, 0) * i32(sizeof(UniChar));
  std::vector<TextEncodingRun> runs;
  ItemCount runroom = kFirstRunRoom;
  i64 estimate = firstestimate(length);
  i64 written = 0;
  i32 done = 0;
  OSStatus status = noErr;
  for (;;) {
    if (written + std::max<i64>(estimate, 1) > std::numeric_limits<i32>::max()) {
      status = memFullErr;
      break;
    }
    SetHandleSize(textOut, Size(written + std::max<i64>(estimate, 1)));
    if ((status = MemError()) != noErr) break;
    std::vector<TextEncodingRun> round(runroom);
    ItemCount nruns = 0;
    ByteCount read = 0, wrote = 0;
    status = ConvertFromUnicodeToTextRun(info, ByteCount(length - done), source + done, kMultiScriptFlags, 0, nullptr,
                                         nullptr, nullptr, ByteCount(std::max<i64>(estimate, 1)), &read, &wrote,
                                         deref(textOut) + written, runroom, &nruns, round.data());
    for (ItemCount i = 0; i < nruns; ++i) {
      TextEncodingRun run{ByteOffset(round[i].offset + written), round[i].textEncoding};
      if (runs.empty() || runs.back().textEncoding != run.textEncoding) runs.push_back(run);
    }
    done += i32(read);
    written += wrote;
    if (status == kTECArrayFullErr) {
      runroom *= 2;
    } else if (status == kTECOutputBufferFullStatus) {
      if (read == 0 && wrote == 0) break;
      estimate = 2 * estimate - wrote + 32;
    } else if (status == kTECBufferBelowMinimumSizeErr) {
      estimate = 2 * estimate + 32;
    } else {
      if (status == kTECUsedFallbacksStatus) status = noErr;
      break;
    }
  }
  SetHandleSize(textOut, Size(written));
  if (status == noErr && IsValidHandle(encodingsOut)) {
    SetHandleSize(encodingsOut, Size(runs.size() * sizeof(TextEncodingRun)));
    if ((status = MemError()) == noErr && !runs.empty())
      std::memcpy(deref(encodingsOut), runs.data(), runs.size() * sizeof(TextEncodingRun));
  }
  return OSErr(status);
}

OSErr _WEConvertStyledUnicode(const void* unicode, i32 byteLength, TextEncoding unicodeEncoding, Handle charFormat,
                              Handle paraFormat, Handle styles, Handle textOut) {
  if (!IsValidHandle(textOut)) return nilHandleErr;
  std::vector<i32> merged;
  if (OSErr err = mergedoffsets(charFormat, paraFormat, byteLength, &merged)) return err;
  std::vector<i32> converted(merged.size(), 0);
  const i32 nstyles = IsValidHandle(styles) ? HandleCount<WETextStyle>(styles) : 0;
  std::vector<WERunEntry> runs;
  if (IsValidHandle(charFormat))
    for (i32 i = 0; i < HandleCount<WERunEntry>(charFormat); ++i) runs.push_back(weelement<WERunEntry>(charFormat, i));
  if (runs.empty()) runs.push_back(WERunEntry{0, -1});
  auto encodingof = [&](std::size_t i) {
    const i32 index = runs[i].styleIndex;
    return index >= 0 && index < nstyles ? weelement<WETextStyle>(styles, index).encoding : kTextEncodingMacRoman;
  };
  UnicodeToTextFallbackProc fallback = getproc<322>();
  if (fallback == nullptr) fallback = _WEUnicodeToTextFallbackProc;

  const u8* source = static_cast<const u8*>(unicode);
  i32 written = 0;
  std::size_t k = 0;
  for (std::size_t i = 0; i < runs.size();) {
    const TextEncoding encoding = encodingof(i);
    std::size_t j = i + 1;
    while (j < runs.size() && encodingof(j) == encoding) ++j;
    const i32 from = i == 0 ? 0 : runs[i].runStart;
    const i32 to = j < runs.size() ? runs[j].runStart : byteLength;
    i = j;
    if (to <= from) continue;
    UnicodeMapping mapping{unicodeEncoding, encoding};
    UnicodeToTextInfo converter;
    OSStatus s = CreateUnicodeToTextInfo(&mapping, &converter);
    if (s == kTextUnsupportedEncodingErr) {
      mapping.otherEncoding = CreateTextEncoding(GetTextEncodingBase(encoding), 0, 0);
      s = CreateUnicodeToTextInfo(&mapping, &converter);
    }
    if (s == noErr) s = SetFallbackUnicodeToText(&converter, fallback, __weUnicodeToTextFallbackFlags);
    if (s != noErr) return OSErr(s);
    const std::vector<i32> rel = offsetsin(merged, k, from, to);
    if (OSErr err = _WEConvertUnicodeToText(source + from, to - from, converter, kStyledUnicodeFlags, textOut, &written,
                                            i32(rel.size()), rel.data(), converted.data() + k))
      return err;
    k += rel.size();
  }
  for (; k < merged.size(); ++k) converted[k] = written;
  return remapoffsets(charFormat, paraFormat, converted);
}

}  // namespace kv
