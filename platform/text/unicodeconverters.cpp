#include "platform/text/unicodeconverters.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/fonts/scriptmanager.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/macsets.h"
#include "platform/text/sjis.h"
#include "platform/text/symbolsets.h"

namespace kv {

namespace {

constexpr char32_t kNone = 0xFFFFFFFF;  // no character
constexpr char32_t kReplacement = 0xFFFD;
constexpr u8 kFallbackByte = '?';

// --- The 8-bit sets ------------------------------------------------------------------------------

// The encodings the C library converts for us, by base.
struct LibrarySet {
  u32 base;
  const char* name;
  bool twobyte;
};
constexpr LibrarySet kLibrarySets[] = {
    {kTextEncodingMacJapanese, "SHIFT_JIS", true},
};

const LibrarySet* libraryset(u32 base) {
  for (const LibrarySet& l : kLibrarySets)
    if (l.base == base) return &l;
  return nullptr;
}

// A one-byte set: the code point of every byte (kNone where undefined) and the way back.
struct ByteTable {
  std::array<char32_t, 256> forward{};
  std::unordered_map<char32_t, u8> back;
};

struct ConverterState {
  std::map<u32, std::unique_ptr<ByteTable>> tables;
};

// An iconv descriptor, closed when it goes.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts the whole input; the bytes written, or -1 when it does not convert entirely.
  i32 run(const u8* in, std::size_t n, u8* out, std::size_t room) {
    if (!ok()) return -1;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(reinterpret_cast<const char*>(in));
    char* op = reinterpret_cast<char*>(out);
    std::size_t inleft = n, outleft = room;
    if (iconv(cd_, &ip, &inleft, &op, &outleft) == std::size_t(-1) || inleft != 0) return -1;
    if (iconv(cd_, nullptr, nullptr, &op, &outleft) == std::size_t(-1)) return -1;
    return i32(room - outleft);
  }

 private:
  iconv_t cd_;
};

char32_t readle32(const u8* p) { return char32_t(p[0] | (p[1] << 8) | (p[2] << 16) | (u32(p[3]) << 24)); }

// One character of a library set through iconv: its code point, or kNone.
char32_t librarydecode(Iconv& cd, const u8* p, std::size_t n) {
  u8 out[16];
  return cd.run(p, n, out, sizeof out) == 4 ? readle32(out) : kNone;
}

std::unique_ptr<ByteTable> maketable(u32 base) {
  auto t = std::make_unique<ByteTable>();
  std::unique_ptr<Iconv> cd;
  if (const LibrarySet* l = libraryset(base)) cd = std::make_unique<Iconv>("UTF-32LE", l->name);
  for (int b = 0; b < 256; ++b) {
    const u8 c = u8(b);
    char32_t cp = kNone;
    switch (base) {
      case kTextEncodingMacRoman: cp = macromantounicode(c); break;
      case kTextEncodingMacSymbol:
        cp = symboltounicode(c);
        if (cp == 0 && c != 0) cp = kNone;
        break;
      case kTextEncodingMacDingbats:
        cp = dingbatstounicode(c);
        if (cp == 0 && c != 0) cp = kNone;
        break;
      default:
        if (hasmacset(base)) {
          const char16_t u = macsettounicode(base, c);
          cp = u == 0xFFFF ? kNone : u;
        } else {
          cp = cd && cd->ok() ? librarydecode(*cd, &c, 1) : kNone;
        }
        break;
    }
    t->forward[std::size_t(b)] = cp;
    if (cp != kNone) t->back.emplace(cp, c);  // a character two bytes give comes back as the lower
  }
  return t;
}

bool ownset(u32 base) {
  return base == kTextEncodingMacRoman || base == kTextEncodingMacSymbol || base == kTextEncodingMacDingbats ||
         hasmacset(base);
}

// The byte table of a one-byte set, made on first use.
const ByteTable& bytetable(u32 base) {
  std::unique_ptr<ByteTable>& t = state<ConverterState>().tables[base];
  if (!t) t = maketable(base);
  return *t;
}

// Reading and writing the characters of one 8-bit set.
class Codec {
 public:
  explicit Codec(TextEncoding encoding) : base_(GetTextEncodingBase(encoding)) {
    const LibrarySet* l = libraryset(base_);
    if (l && l->twobyte) {
      toucs_ = std::make_unique<Iconv>("UTF-32LE", l->name);
      fromucs_ = std::make_unique<Iconv>(l->name, "UTF-32LE");
    } else {
      table_ = &bytetable(base_);
    }
  }
  TextEncoding encoding() const { return base_; }
  // The character at p (avail >= 1 bytes): its length and code point (kNone: no character).
  std::pair<u32, char32_t> decode(const u8* p, u32 avail) {
    if (table_) return {1, table_->forward[*p]};
    const u32 n = u32(sjischarlength(p, Size(avail)));
    return {n, librarydecode(*toucs_, p, n)};
  }
  // The bytes of a code point into out (at least 4 bytes): their count, 0 when the set has none.
  u32 encode(char32_t cp, u8* out) {
    if (cp == kNone) return 0;
    if (table_) {
      auto it = table_->back.find(cp);
      if (it == table_->back.end()) return 0;
      out[0] = it->second;
      return 1;
    }
    const u8 in[4] = {u8(cp), u8(cp >> 8), u8(cp >> 16), u8(cp >> 24)};
    const i32 n = fromucs_->run(in, 4, out, 4);
    return n > 0 ? u32(n) : 0;
  }

 private:
  u32 base_;
  const ByteTable* table_ = nullptr;
  std::unique_ptr<Iconv> toucs_, fromucs_;
};

// --- Unicode forms -------------------------------------------------------------------------------

bool unicodeform(TextEncoding e) {
  const u32 f = GetTextEncodingFormat(e);
  return GetTextEncodingBase(e) == kTextEncodingUnicodeDefault && (f == kUnicode16BitFormat || f == kUnicodeUTF8Format);
}

bool utf8(TextEncoding e) { return GetTextEncodingFormat(e) == kUnicodeUTF8Format; }

// The character at p (avail >= 1 bytes): its length in bytes and its code point (kNone for a
// lone surrogate, a malformed sequence or a trailing half unit).
std::pair<u32, char32_t> decodeunicode(const u8* p, u32 avail, bool isutf8) {
  if (isutf8) {
    const u8 c = p[0];
    u32 n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || n > avail) return {1, kNone};
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (u32 i = 1; i < n; ++i) {
      if ((p[i] & 0xC0) != 0x80) return {1, kNone};
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    static constexpr char32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {n, kNone};
    return {n, cp};
  }
  if (avail < 2) return {avail, kNone};
  UniChar u;
  std::memcpy(&u, p, 2);
  if (u < 0xD800 || u > 0xDFFF) return {2, u};
  if (u <= 0xDBFF && avail >= 4) {
    UniChar v;
    std::memcpy(&v, p + 2, 2);
    if (v >= 0xDC00 && v <= 0xDFFF) return {4, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (v - 0xDC00)};
  }
  return {2, kNone};
}

// The bytes of a code point in the Unicode form into out (at least 4 bytes): their count.
u32 encodeunicode(char32_t cp, bool isutf8, u8* out) {
  if (isutf8) {
    if (cp < 0x80) {
      out[0] = u8(cp);
      return 1;
    }
    if (cp < 0x800) {
      out[0] = u8(0xC0 | (cp >> 6));
      out[1] = u8(0x80 | (cp & 0x3F));
      return 2;
    }
    if (cp < 0x10000) {
      out[0] = u8(0xE0 | (cp >> 12));
      out[1] = u8(0x80 | ((cp >> 6) & 0x3F));
      out[2] = u8(0x80 | (cp & 0x3F));
      return 3;
    }
    out[0] = u8(0xF0 | (cp >> 18));
    out[1] = u8(0x80 | ((cp >> 12) & 0x3F));
    out[2] = u8(0x80 | ((cp >> 6) & 0x3F));
    out[3] = u8(0x80 | (cp & 0x3F));
    return 4;
  }
  if (cp < 0x10000) {
    const UniChar u = UniChar(cp);
    std::memcpy(out, &u, 2);
    return 2;
  }
  const UniChar pair[2] = {UniChar(0xD800 + ((cp - 0x10000) >> 10)), UniChar(0xDC00 + ((cp - 0x10000) & 0x3FF))};
  std::memcpy(out, pair, 4);
  return 4;
}

// --- The conversion loop -----------------------------------------------------------------------

// What every conversion shares: the source walk, the offsets and the output.
struct Walk {
  const u8* src;
  ByteCount srclen;
  ItemCount offsetCount;
  const ByteOffset* offsets;
  ByteOffset* outOffsets;
  u8* out;
  ByteCount room;
  ByteCount srcpos = 0;
  ByteCount outpos = 0;
  ItemCount reached = 0;
  bool fallbacks = false;

  // The offsets at or before the current source position map to the current output position.
  void mapoffsets(ByteCount upto) {
    while (reached < offsetCount && offsets && offsets[reached] <= upto) {
      if (outOffsets) outOffsets[reached] = outpos;
      ++reached;
    }
  }
  // The status for a character of n bytes that does not fit.
  OSStatus noroom() const { return outpos == 0 ? kTECBufferBelowMinimumSizeErr : kTECOutputBufferFullStatus; }
  bool fits(u32 n) const { return outpos + n <= room; }
  void put(const u8* bytes, u32 n) {
    std::memcpy(out + outpos, bytes, n);
    outpos += n;
  }
  OSStatus finish(OSStatus status, ItemCount* actual, ByteCount* read, ByteCount* written) {
    if (status == noErr) {
      mapoffsets(srclen);
      if (fallbacks) status = kTECUsedFallbacksStatus;
    }
    if (actual) *actual = reached;
    if (read) *read = srcpos;
    if (written) *written = outpos;
    return status;
  }
};

// The text of a character that `codec` cannot hold, placed in the output: through the
// caller's fallback routine and the converter's own '?', in the order the flags give. Answers
// 0, a room status, or kTECUnmappableElementErr when no fallback applies.
OSStatus fallback(Walk& w, const UnicodeToTextInfo* info, Codec& codec, char32_t cp, const u8* unit, u32 unitlength,
                  u32 flags) {
  const u32 order = info ? info->fallbackFlags : kUnicodeFallbackDefaultOnly;
  const bool customfirst = order == kUnicodeFallbackCustomOnly || order == kUnicodeFallbackCustomFirst;
  const bool usecustom = info && info->fallback && order != kUnicodeFallbackDefaultOnly;
  const bool usedefault = (flags & kUnicodeUseFallbacksMask) && order != kUnicodeFallbackCustomOnly;
  for (int pass = 0; pass < 2; ++pass) {
    if ((pass == 0) == customfirst) {
      if (!usecustom) continue;
      // The routine sees the character as UTF-16 units (a malformed UTF-16 unit as it is).
      UniChar units[2] = {0, 0};
      u32 ulen = 0;
      if (cp != kNone) {
        ulen = encodeunicode(cp, false, reinterpret_cast<u8*>(units));
      } else if (!utf8(info->mapping.unicodeEncoding) && unitlength <= sizeof units) {
        std::memcpy(units, unit, unitlength);
        ulen = unitlength;
      }
      if (ulen == 0) continue;
      ByteCount used = 0, dused = 0;
      const ByteCount left = w.room - w.outpos;
      const OSStatus s = info->fallback(units, ulen, &used, w.out + w.outpos, left, &dused);
      if (s == noErr && dused <= left) {
        w.outpos += dused;
        return noErr;
      }
      if (s == kTECBufferBelowMinimumSizeErr || s == noErr) return w.noroom();
    } else if (usedefault) {
      u8 b[4];
      const u32 k = codec.encode(kFallbackByte, b);
      if (k == 0) continue;
      if (!w.fits(k)) return w.noroom();
      w.put(b, k);
      return noErr;
    }
  }
  return kTECUnmappableElementErr;
}

// Unicode to text: each character goes to the first codec that holds it (the run converter
// tries its codecs in order), else through the fallbacks with the current run's codec (the
// first without runs). With runs, a run starts wherever the encoding changes.
OSStatus unicodetotext(Walk& w, std::vector<std::unique_ptr<Codec>>& codecs, const UnicodeToTextInfo* info,
                       TextEncoding unicode, u32 flags, ItemCount runRoom, ItemCount* runCount, TextEncodingRun* runs) {
  const bool isutf8 = utf8(unicode);
  const bool withruns = runCount != nullptr;
  std::size_t current = 0;
  ItemCount nruns = 0;
  OSStatus status = noErr;
  while (w.srcpos < w.srclen) {
    w.mapoffsets(w.srcpos);
    const u8* unit = w.src + w.srcpos;
    const auto [len, cp] = decodeunicode(unit, w.srclen - w.srcpos, isutf8);
    u8 bytes[8];
    u32 n = 0;
    std::size_t chosen = current;
    for (std::size_t i = 0; i < codecs.size() && n == 0; ++i) {
      n = codecs[i]->encode(cp, bytes);
      if (n) chosen = i;
    }
    const bool newrun = withruns && (nruns == 0 || chosen != current);
    if (newrun && nruns == runRoom) {
      status = kTECArrayFullErr;
      break;
    }
    const ByteCount at = w.outpos;
    if (n == 0) {
      status = fallback(w, info, *codecs[chosen], cp, unit, len, flags);
      if (status != noErr) break;
      w.fallbacks = true;
    } else if (w.fits(n)) {
      w.put(bytes, n);
    } else {
      status = w.noroom();
      break;
    }
    if (newrun) {
      if (runs) runs[nruns] = TextEncodingRun{at, codecs[chosen]->encoding()};
      ++nruns;
      current = chosen;
    }
    w.srcpos += len;
  }
  if (withruns) *runCount = nruns;
  return status;
}

}  // namespace

bool textencodingsupported(TextEncoding encoding) {
  const u32 base = GetTextEncodingBase(encoding);
  if (ownset(base)) return true;
  const LibrarySet* l = libraryset(base);
  if (l == nullptr) return false;
  return Iconv("UTF-32LE", l->name).ok();
}

OSStatus CreateTextToUnicodeInfo(const UnicodeMapping* mapping, TextToUnicodeInfo* info) {
  if (mapping == nullptr || info == nullptr) return paramErr;
  if (!unicodeform(mapping->unicodeEncoding) || !textencodingsupported(mapping->otherEncoding))
    return kTextUnsupportedEncodingErr;
  info->mapping = *mapping;
  return noErr;
}

OSStatus ChangeTextToUnicodeInfo(TextToUnicodeInfo* info, const UnicodeMapping* mapping) {
  return CreateTextToUnicodeInfo(mapping, info);
}

OSStatus CreateUnicodeToTextInfo(const UnicodeMapping* mapping, UnicodeToTextInfo* info) {
  if (mapping == nullptr || info == nullptr) return paramErr;
  if (!unicodeform(mapping->unicodeEncoding) || !textencodingsupported(mapping->otherEncoding))
    return kTextUnsupportedEncodingErr;
  *info = UnicodeToTextInfo{};
  info->mapping = *mapping;
  return noErr;
}

OSStatus SetFallbackUnicodeToText(UnicodeToTextInfo* info, UnicodeToTextFallbackProc proc, u32 flags) {
  if (info == nullptr || flags > kUnicodeFallbackCustomFirst) return paramErr;
  info->fallback = proc;
  info->fallbackFlags = flags;
  return noErr;
}

OSStatus CreateUnicodeToTextRunInfo(ItemCount count, const TextEncoding* encodings, TextEncoding unicodeEncoding,
                                    UnicodeToTextRunInfo* info) {
  if (info == nullptr || (count > 0 && encodings == nullptr)) return paramErr;
  if (!unicodeform(unicodeEncoding)) return kTextUnsupportedEncodingErr;
  UnicodeToTextRunInfo made;
  made.unicodeEncoding = unicodeEncoding;
  if (count == 0) {
    for (i16 script = 0; script <= smUninterp; ++script) {
      TextEncoding e;
      if (GetScriptVariable(script, smScriptEnabled) &&
          UpgradeScriptInfoToTextEncoding(script, kTextLanguageDontCare, kTextRegionDontCare, nullptr, &e) == noErr)
        made.encodings.push_back(e);
    }
  } else {
    made.encodings.assign(encodings, encodings + count);
  }
  for (TextEncoding e : made.encodings)
    if (!textencodingsupported(e)) return kTextUnsupportedEncodingErr;
  if (made.encodings.empty()) return kTextUnsupportedEncodingErr;
  *info = std::move(made);
  return noErr;
}

OSStatus ConvertFromTextToUnicode(const TextToUnicodeInfo& info, ByteCount sourceLength, const void* source, u32 flags,
                                  ItemCount offsetCount, const ByteOffset* offsets, ItemCount* actualOffsetCount,
                                  ByteOffset* outOffsets, ByteCount outputRoom, ByteCount* sourceRead,
                                  ByteCount* outputLength, void* output) {
  Walk w{static_cast<const u8*>(source), sourceLength, offsetCount, offsets, outOffsets,
         static_cast<u8*>(output),       outputRoom};
  if (!unicodeform(info.mapping.unicodeEncoding) || !textencodingsupported(info.mapping.otherEncoding))
    return w.finish(kTextUnsupportedEncodingErr, actualOffsetCount, sourceRead, outputLength);
  Codec codec(info.mapping.otherEncoding);
  const bool isutf8 = utf8(info.mapping.unicodeEncoding);
  OSStatus status = noErr;
  while (w.srcpos < w.srclen) {
    w.mapoffsets(w.srcpos);
    auto [len, cp] = codec.decode(w.src + w.srcpos, w.srclen - w.srcpos);
    if (cp == kNone) {
      if (!(flags & kUnicodeUseFallbacksMask)) {
        status = kTextMalformedInputErr;
        break;
      }
      cp = kReplacement;
      w.fallbacks = true;
    }
    u8 bytes[4];
    const u32 n = encodeunicode(cp, isutf8, bytes);
    if (!w.fits(n)) {
      status = w.noroom();
      break;
    }
    w.put(bytes, n);
    w.srcpos += len;
  }
  return w.finish(status, actualOffsetCount, sourceRead, outputLength);
}

OSStatus ConvertFromUnicodeToText(const UnicodeToTextInfo& info, ByteCount sourceLength, const void* source, u32 flags,
                                  ItemCount offsetCount, const ByteOffset* offsets, ItemCount* actualOffsetCount,
                                  ByteOffset* outOffsets, ByteCount outputRoom, ByteCount* sourceRead,
                                  ByteCount* outputLength, void* output) {
  Walk w{static_cast<const u8*>(source), sourceLength, offsetCount, offsets, outOffsets,
         static_cast<u8*>(output),       outputRoom};
  if (!unicodeform(info.mapping.unicodeEncoding) || !textencodingsupported(info.mapping.otherEncoding))
    return w.finish(kTextUnsupportedEncodingErr, actualOffsetCount, sourceRead, outputLength);
  std::vector<std::unique_ptr<Codec>> codecs;
  codecs.push_back(std::make_unique<Codec>(info.mapping.otherEncoding));
  const OSStatus s = unicodetotext(w, codecs, &info, info.mapping.unicodeEncoding, flags, 0, nullptr, nullptr);
  return w.finish(s, actualOffsetCount, sourceRead, outputLength);
}

OSStatus ConvertFromUnicodeToTextRun(const UnicodeToTextRunInfo& info, ByteCount sourceLength, const void* source,
                                     u32 flags, ItemCount offsetCount, const ByteOffset* offsets,
                                     ItemCount* actualOffsetCount, ByteOffset* outOffsets, ByteCount outputRoom,
                                     ByteCount* sourceRead, ByteCount* outputLength, void* output, ItemCount runRoom,
                                     ItemCount* runCount, TextEncodingRun* runs) {
  Walk w{static_cast<const u8*>(source), sourceLength, offsetCount, offsets, outOffsets,
         static_cast<u8*>(output),       outputRoom};
  ItemCount nruns = 0;
  if (runCount) *runCount = 0;
  if (!unicodeform(info.unicodeEncoding) || info.encodings.empty())
    return w.finish(kTextUnsupportedEncodingErr, actualOffsetCount, sourceRead, outputLength);
  std::vector<std::unique_ptr<Codec>> codecs;
  for (TextEncoding e : info.encodings) codecs.push_back(std::make_unique<Codec>(e));
  const OSStatus s = unicodetotext(w, codecs, nullptr, info.unicodeEncoding, flags, runRoom, &nruns, runs);
  if (runCount) *runCount = nruns;
  return w.finish(s, actualOffsetCount, sourceRead, outputLength);
}

}  // namespace kv
