// The memory, block and region routines the engine's parts share, the names of picture
// attachments and the table of language codes.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "shell/platformutil.h"
#include "textengine/weinternal.h"

namespace kv {

OSErr _WEAllocate(Size size, i16 flags, Handle* block) {
  if (block == nullptr) return paramErr;
  // Temporary memory is the application heap here: the hint needs no second try.
  *block = (flags & weAllocClear) ? NewHandleClear(size) : NewHandle(size);
  if (*block != nilhandle) return noErr;
  const OSErr err = MemError();
  return err != noErr ? err : OSErr(memFullErr);
}

OSErr _WESplice(Handle block, const void* data, i32 length, i32 position) {
  if (!IsValidHandle(block)) return nilHandleErr;
  const i64 size = GetHandleSize(block);
  if (position == -1) position = i32(size);
  if (position < 0 || position > size) return paramErr;
  if (length > 0) {
    if (size + length > 0x7FFFFFFF) return memFullErr;
    SetHandleSize(block, Size(size + length));
    if (OSErr err = MemError()) return err;
    u8* p = deref(block);
    std::memmove(p + position + length, p + position, std::size_t(size - position));
    if (data) std::memcpy(p + position, data, std::size_t(length));
  } else if (length < 0) {
    const i64 n = -i64(length);
    if (position + n > size) return paramErr;  // nothing is removed past the block's end
    u8* p = deref(block);
    std::memmove(p + position, p + position + n, std::size_t(size - position - n));
    SetHandleSize(block, Size(size - n));
  }
  return noErr;
}

bool _WEBlockCmp(const void* a, const void* b, i32 n) { return n < 1 || std::memcmp(a, b, std::size_t(n)) == 0; }

void _WEBlockClr(void* p, i32 n) {
  if (p && n > 0) std::memset(p, 0, std::size_t(n));
}

void _WEForgetHandle(Handle* h) {
  if (h == nullptr || *h == nilhandle) return;
  DisposeHandle(*h);
  *h = nilhandle;
}

void _WEForgetRgn(RgnHandle* rgn) {
  if (rgn == nullptr || *rgn == 0) return;
  DisposeRgn(*rgn);
  *rgn = 0;
}

void _WEForgetUPP(WEProcPtr*) {}

OSErr _WECreateNewRgn(RgnHandle* rgn) {
  if (rgn == nullptr) return paramErr;
  *rgn = NewRgn();
  return *rgn != 0 ? OSErr(noErr) : OSErr(memFullErr);
}

bool _WESetHandleLock(Handle h, bool lock) {
  const bool locked = (HGetState(h) & 0x80) != 0;
  if (!RunningOnCarbonX()) {
    if (lock) HLock(h);
    else HUnlock(h);
  }
  return locked;
}

std::string maketiffname(u32 number) { return "picture" + std::to_string(number) + ".tiff"; }

namespace {

// The languages a style can carry; a language's code is its index. Codes are kept in styles
// and streams, so entries are only ever added at the end.
constexpr std::string_view kLanguages[] = {
    "",      "en",    "en_US", "en_GB", "en_AU", "en_CA",   "en_IE",   "en_NZ", "fr",    "fr_FR", "fr_BE",
    "fr_CA", "fr_CH", "de",    "de_DE", "de_AT", "de_CH",   "it",      "it_IT", "it_CH", "es",    "es_ES",
    "es_MX", "es_AR", "pt",    "pt_PT", "pt_BR", "nl",      "nl_NL",   "nl_BE", "da",    "da_DK", "sv",
    "sv_SE", "sv_FI", "nb",    "nb_NO", "nn",    "no",      "fi",      "fi_FI", "is",    "ga",    "cy",
    "eu",    "ca",    "gl",    "el",    "el_GR", "tr",      "tr_TR",   "ru",    "ru_RU", "uk",    "be",
    "pl",    "pl_PL", "cs",    "cs_CZ", "sk",    "hu",      "hu_HU",   "ro",    "hr",    "sr",    "sl",
    "bg",    "et",    "lv",    "lt",    "mk",    "sq",      "mt",      "he",    "ar",    "fa",    "ur",
    "hi",    "bn",    "ta",    "th",    "vi",    "id",      "ms",      "tl",    "ja",    "ja_JP", "ko",
    "ko_KR", "zh",    "zh_CN", "zh_TW", "zh_HK", "zh_Hans", "zh_Hant", "la",    "eo",
};
constexpr i32 kMaxLanguageText = 31;

}  // namespace

OSErr _WESetLanguage(const char* text, i32 length, u32* language) {
  if (language == nullptr || length < 0 || (length > 0 && text == nullptr)) return paramErr;
  if (length > kMaxLanguageText) return weBufferTooSmallErr;
  const std::string_view want(text ? text : "", std::size_t(length));
  const auto it = std::find(std::begin(kLanguages), std::end(kLanguages), want);
  if (it == std::end(kLanguages)) return paramErr;
  *language = u32(it - std::begin(kLanguages));
  return noErr;
}

OSErr _WEGetLanguage(u32 language, char* buffer, i32 capacity) {
  if (buffer == nullptr || language >= std::size(kLanguages)) return paramErr;
  const std::string_view name = kLanguages[language];
  if (capacity < i32(name.size()) + 1) return weBufferTooSmallErr;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  return noErr;
}

}  // namespace kv
