#include "fields/rtfparser.h"

#include <algorithm>
#include <cstring>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"

namespace kv {

namespace {

constexpr OSType kInfoCreator = fourcc("Info");
constexpr int32_t kFixedOne = 0x10000;
constexpr int32_t kFixedMax = 0x7FFFFFFF;

int32_t clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, -kFixedMax, kFixedMax)); }

// Names compared as the font menu compares them: case-blind for ASCII letters.
bool samename(const uint8_t* a, std::size_t n, const unsigned char* pascal) {
  if (pascal[0] != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    auto low = [](uint8_t c) { return c >= 'A' && c <= 'Z' ? uint8_t(c + 32) : c; };
    if (low(a[i]) != low(pascal[i + 1])) return false;
  }
  return true;
}

struct Replacement {
  const char* name;
  int16_t family;
};
constexpr Replacement kStandardReplacements[] = {{"Times New Roman", 20}, {"Arial", 21}, {"Courier New", 22}};

}  // namespace

int32_t TwipsToFixed(int32_t twips) { return clamp32(int64_t(twips) * 16384 / 5); }

int32_t FixedToTwips(int32_t fixed) { return int32_t((int64_t(fixed) * 5 + 8192) >> 14); }

void RTFParser::CharacterProperties::Reset(int16_t family, uint16_t languageId) {
  *this = CharacterProperties{};
  font = family;
  size = 12 * kFixedOne;
  underlineStyle = fourcc("deft");
  background = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  transferMode = 1;
  MapWindowsLangIDToMacLocaleString(languageId, language);
}

void RTFParser::ParagraphProperties::Reset() {
  *this = ParagraphProperties{};
  alignment = fourcc("left");
  direction = fourcc("deft");
  borderStyle = fourcc("NONE");
}

RTFParser::RTFParser(WEReference we) : we_(we) {
  character_.Reset(1, 0);
  paragraph_.Reset();
  const int32_t pageStart[8] = {
      612 * kFixedOne, 792 * kFixedOne, 54 * kFixedOne, 54 * kFixedOne, 54 * kFixedOne, 54 * kFixedOne, 0, 1};
  std::memcpy(page_, pageStart, sizeof page_);
  LookupKeyword("");  // builds the dictionary on first use
}

RTFParser::~RTFParser() noexcept(false) {
  while (top_ != nullptr) top_ = std::move(top_->previous);  // no recursion through deep groups
  if (data_ != 0) DisposeHandle(data_);
  if (textLength_ > 0 && destination_ == kText) {
    const uint32_t n = textLength_;
    textLength_ = 0;
    const OSErr err = PutAtSelection(text_, int32_t(n));
    if (err != 0 && std::uncaught_exceptions() == 0) throw RTFException(err);
  }
}

// --- The parse loop ----------------------------------------------------------------------------

void RTFParser::Parse(RTFInputStream& in) {
  for (;;) {
    if (in.AtEOF()) {
      if (depth_ != 0) throw RTFException(kRTFErrGroup);
      RTFException::ThrowIfError(WESetProperty(kInfoCreator, fourcc("Page"), sizeof page_, page_, we_));
      return;
    }
    const int32_t c = in.GetChar() & 0xFF;
    if (depth_ < 0) throw RTFException(kRTFErrGroup);
    if (parseMode_ == 1) {
      ParseChar(c);
      continue;
    }
    switch (c) {
      case '\\': ParseKeyword(in); break;
      case '{': PushState(); break;
      case '}': PopState(); break;
      case 10:
      case 13: break;
      default:
        if (parseMode_ == 0) {
          ParseChar(c);
          break;
        }
        // One hexadecimal byte, or hexadecimal data: pairs of digits, nothing between them.
        const int32_t d = in.GetChar() & 0xFF;
        if (!(cCharMap[c] & kHexDigit) || !(cCharMap[d] & kHexDigit)) throw RTFException(kRTFErrHex);
        auto value = [](int32_t x) { return x <= '9' ? x - '0' : (x | 0x20) - 'a' + 10; };
        const int32_t byte = value(c) * 16 + value(d);
        if (parseMode_ == 2) parseMode_ = 0;
        ParseChar(byte);
        break;
    }
  }
}

void RTFParser::ParseKeyword(RTFInputStream& in) {
  if (in.AtEOF()) throw RTFException(kRTFErrEndAfterEscape);
  int32_t c = in.GetChar() & 0xFF;
  char keyword[32] = {};
  if (!(cCharMap[c] & (kLower | kUpper))) {
    keyword[0] = char(c);
    HandleKeyword(keyword, 0, false);
    return;
  }
  int32_t n = 0;
  while (cCharMap[c] & (kLower | kUpper)) {
    if (n == 29) throw RTFException(kRTFErrKeywordLength);
    keyword[n++] = char(c);
    c = in.GetChar() & 0xFF;
  }
  bool negative = false, hasParameter = false;
  int64_t parameter = 0;
  if (c == '-') {
    if (in.AtEOF()) throw RTFException(kRTFErrEndAfterEscape);
    negative = true;
    c = in.GetChar() & 0xFF;
  }
  if (cCharMap[c] & kDigit) {
    hasParameter = true;
    while (cCharMap[c] & kDigit) {
      parameter = std::min<int64_t>(parameter * 10 + (c - '0'), kFixedMax);  // saturates
      c = in.GetChar() & 0xFF;
    }
    if (negative) parameter = -parameter;
  }
  if (c != ' ') in.UnGetChar();
  HandleKeyword(keyword, int32_t(parameter), hasParameter);
}

void RTFParser::HandleKeyword(const char* keyword, int32_t parameter, bool hasParameter) {
  const KeywordDescription* d = LookupKeyword(keyword);
  if (d == nullptr) {
    if (skipUnknown_) destination_ = kSkip;
    skipUnknown_ = false;
    return;
  }
  skipUnknown_ = false;
  const int32_t value = d->useDefault || !hasParameter ? d->value : parameter;
  switch (d->kind) {
    case 0: ParseSpecialKeyword(d->id, value); break;
    case 1: ChangeDestination(d->id, value); break;
    case 2:
      ApplyTextProperty(d->id, value);
      propertiesChanged_ = true;
      break;
    case 3: ApplyDocumentProperty(d->id, value); break;
    case 4:
      if (destination_ == kPicture) ApplyPictureProperty(d->id, value);
      break;
    case 5: ChangeTextEncoding(uint32_t(d->id)); break;
    case 6:
      if (destination_ == kFontTable) familyHint_ = int16_t(d->id);
      break;
    case 7:
      if (destination_ == kColorTable && hasParameter) ApplyRGBComponent(d->id, value);
      break;
    case 8:
      if (destination_ == kSkip && d->id != 0) break;
      switch (d->id) {
        case 0:
          parseMode_ = 1;
          binaryLeft_ = value;
          break;
        case 1: parseMode_ = 2; break;
        case 2: skipUnknown_ = true; break;
        default: throw RTFException(kRTFErrKeywordKind);
      }
      break;
    default: throw RTFException(kRTFErrKeywordKind);
  }
}

// A special character, never mapped from the document's character set.
void RTFParser::ParseSpecialKeyword(int32_t id, int32_t) {
  struct Restore {
    uint32_t& encoding;
    uint32_t saved;
    ~Restore() { encoding = saved; }
  } restore{encoding_, encoding_};
  encoding_ = 0;
  ParseChar(id);
}

void RTFParser::ParseChar(int32_t c) {
  c &= 0xFF;
  if (parseMode_ == 1 && --binaryLeft_ <= 0) parseMode_ = 0;
  switch (destination_) {
    case kText:
      if (c >= 0x80 && character_.font != 23) {
        if (encoding_ == 1280) c = cWindows1252ToMacRoman[c - 0x80];
        else if (encoding_ == 2817) c = cNextStepLatinToMacRoman[c - 0x80];
      }
      PutChar(c);
      break;
    case kPicture:
    case kInfoField:
    case kPrintRecord: AddToPictureBuffer(c); break;
    case kFontTable:
      if (c == ';') {
        RegisterFont();
        textLength_ = 0;
        familyHint_ = 1;
      } else if (textLength_ <= 254) {
        text_[textLength_++] = uint8_t(c);
      }
      break;
    case kColorTable:
      if (c == ';') {
        colors_.push_back(colorBeingDefined_);
        colorBeingDefined_ = RGBColor{0, 0, 0};
      }
      break;
    case kNeXTGraphicName:
      if (textLength_ <= 254) text_[textLength_++] = uint8_t(c);
      break;
    default: break;  // skipped, or document information outside its fields
  }
}

void RTFParser::PutChar(int32_t c) {
  if (propertiesChanged_) {
    FlushTextBuffer();
    ResetProperties();
    propertiesChanged_ = false;
  }
  text_[textLength_++] = uint8_t(c);
  if (textLength_ == sizeof text_) FlushTextBuffer();
}

void RTFParser::FlushTextBuffer() {
  if (textLength_ == 0) return;
  const uint32_t n = textLength_;
  textLength_ = 0;
  RTFException::ThrowIfError(PutAtSelection(text_, int32_t(n)));
}

OSErr RTFParser::PutAtSelection(const uint8_t* text, int32_t n) {
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we_);
  const i32 before = WEGetTextLength(we_);
  const OSErr err = WEPut(-1, -1, text, n, kTextEncodingWEText, 2, 0, nullptr, nullptr, we_);
  if (err == noErr && start < end) {
    const i32 caret = end + WEGetTextLength(we_) - before;
    WESetSelection(caret, caret, we_);
  }
  return err;
}

// --- Groups and destinations ---------------------------------------------------------------

void RTFParser::PushState() {
  if (depth_ >= kMaxGroupDepth) throw RTFException(kRTFErrGroup);
  auto s = std::make_unique<State>();
  s->character = character_;
  s->paragraph = paragraph_;
  s->destination = destination_;
  s->parseMode = parseMode_;
  s->previous = std::move(top_);
  top_ = std::move(s);
  parseMode_ = 0;
  ++depth_;
}

void RTFParser::PopState() {
  if (top_ == nullptr) throw RTFException(kRTFErrGroup);
  if (destination_ != top_->destination) EndGroupAction(destination_);
  character_ = top_->character;
  paragraph_ = top_->paragraph;
  destination_ = top_->destination;
  parseMode_ = top_->parseMode;
  top_ = std::move(top_->previous);
  --depth_;
  propertiesChanged_ = true;
}

void RTFParser::ChangeDestination(int32_t id, int32_t value) {
  if (destination_ == kSkip) return;
  switch (id) {
    case 0:
      FlushTextBuffer();
      InitPictureBuffer();
      destination_ = kPicture;
      parseMode_ = 3;
      pictureKind_ = 0;
      pictureHeight_ = pictureWidth_ = 0;
      scaleV_ = scaleH_ = 100;
      break;
    case 2:
      // The font names gather in the text buffer: the body text before them goes in first.
      FlushTextBuffer();
      destination_ = kFontTable;
      break;
    case 3: destination_ = kColorTable; break;
    case 4: destination_ = kInfo; break;
    case 5:
      if (destination_ == kInfo) {
        destination_ = kInfoField;
        infoTag_ = uint32_t(value);
        InitPictureBuffer();
      } else {
        destination_ = kSkip;
      }
      break;
    case 6:
      destination_ = kPrintRecord;
      parseMode_ = 3;
      InitPictureBuffer();
      break;
    case 7:
      FlushTextBuffer();
      destination_ = kNeXTGraphicName;
      break;
    default: destination_ = kSkip; break;
  }
}

void RTFParser::EndGroupAction(int32_t destination) {
  switch (destination) {
    case kPicture: PutPicture(); break;
    case kFontTable:
      textLength_ = 0;
      if (const auto it = fontMap_.find(defaultFont_); it != fontMap_.end()) {
        defaultFont_ = it->second;
      } else {
        fontMap_[defaultFont_] = 0;
        defaultFont_ = 0;
      }
      break;
    case kInfoField: PutDocumentProperty(); break;
    case kPrintRecord: PutMacPrintRecord(); break;
    case kNeXTGraphicName:
      PutNeXTGraphics();
      textLength_ = 0;
      if (top_ != nullptr) top_->destination = kSkip;  // the attachment's placeholder goes
      break;
    default: break;
  }
}

void RTFParser::SetDataProperty(uint32_t tag) {
  if (data_ != 0) {
    const OSErr err = WESetProperty(kInfoCreator, tag, int32_t(dataLength_), deref(data_), we_);
    FreePictureBuffer();
    RTFException::ThrowIfError(err);
  }
}

void RTFParser::PutDocumentProperty() { SetDataProperty(infoTag_); }

void RTFParser::PutMacPrintRecord() { SetDataProperty(fourcc("PRec")); }

// --- Fonts ---------------------------------------------------------------------------------

int16_t RTFParser::MappedFont(int32_t number) {
  const auto [it, added] = fontMap_.try_emplace(number, int16_t(0));
  return it->second;
}

void RTFParser::RegisterFont() {
  Str255 name{};
  name[0] = uint8_t(std::min<uint32_t>(textLength_, 255));
  std::memcpy(name + 1, text_, name[0]);
  int16_t family = GetFNum(name);
  if (family == 0) {
    Str255 systemName{};
    GetFontName(0, systemName);
    if (samename(text_, name[0], systemName)) {
      family = 0;
    } else {
      // The name may be a face's PostScript name ("Helvetica-Bold"): its family.
      family = FMGetFontFamilyFromPostScriptName(name);
      if (family == kInvalidFontFamily || family == 0) family = -1;
    }
  }
  if (family == -1) {
    family = familyHint_;
    for (const Replacement& r : kStandardReplacements) {
      Str255 candidate{};
      candidate[0] = uint8_t(std::strlen(r.name));
      std::memcpy(candidate + 1, r.name, candidate[0]);
      if (samename(text_, name[0], candidate)) family = r.family;
    }
  }
  if (fontBeingDefined_ != -1) fontMap_[fontBeingDefined_] = family;
  fontBeingDefined_ = -1;
}

// --- Formatting ------------------------------------------------------------------------------

void RTFParser::ApplyRGBComponent(int32_t id, int32_t value) {
  // Components scale to 16 bits as the program's own colours do (255 becomes 65,535).
  const uint16_t v = uint16_t(std::clamp<int32_t>(value, 0, 255) * 257);
  if (id == 0) colorBeingDefined_.red = v;
  else if (id == 1) colorBeingDefined_.green = v;
  else colorBeingDefined_.blue = v;
}

void RTFParser::ApplyPictureProperty(int32_t id, int32_t value) {
  auto size = [](int64_t v) { return int16_t(std::clamp<int64_t>(v, -32768, 32767)); };
  switch (id) {
    case 63:
      if (pictureKind_ == 6) pictureHeight_ = size(value);
      break;
    case 64:
      if (pictureKind_ == 6) pictureWidth_ = size(value);
      break;
    case 65: pictureHeight_ = size(value / 20); break;
    case 66: pictureWidth_ = size(value / 20); break;
    case 67: scaleH_ = size(value); break;
    case 68: scaleV_ = size(value); break;
    case 69: pictureKind_ = value; break;
    default: break;
  }
}

void RTFParser::ApplyTextProperty(int32_t id, int32_t value) {
  CharacterProperties& ch = character_;
  ParagraphProperties& pa = paragraph_;
  auto colour = [&](RGBColor* into) {
    if (value < 0 || uint32_t(value) >= colors_.size()) return false;
    *into = colors_[std::size_t(value)];
    return true;
  };
  static constexpr uint32_t kUnderline[] = {fourcc("deft"), fourcc("dubl"), fourcc("word"),
                                            fourcc("thck"), fourcc(".   "), fourcc("-   "),
                                            fourcc(".-  "), fourcc("..- "), fourcc("wave")};
  switch (id) {
    case 0: ch.Reset(int16_t(defaultFont_), defaultLanguage_); break;
    case 1:
      if (destination_ == kFontTable) fontBeingDefined_ = value;
      else ch.font = MappedFont(value);
      break;
    case 2: ch.size = clamp32(int64_t(value) * 32768); break;
    case 3: ch.bold = uint8_t(value); break;
    case 4: ch.italic = uint8_t(value); break;
    case 14: ch.strike = uint8_t(value); break;
    case 15: ch.doubleStrike = uint8_t(value); break;
    case 16: ch.smallCaps = uint8_t(value); break;
    case 17: ch.allCaps = uint8_t(value); break;
    case 18: ch.hidden = uint8_t(value); break;
    case 19: ch.outline = uint8_t(value); break;
    case 20: ch.shadow = uint8_t(value); break;
    case 21: ch.embossed = uint8_t(value); break;
    case 22: ch.engraved = uint8_t(value); break;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
      ch.underline = uint8_t(value);
      ch.underlineStyle = kUnderline[id - 5];
      break;
    case 23: colour(&ch.color); break;
    case 24:
      if (colour(&ch.background)) ch.transferMode = 0;
      if (value == 0 && ch.background.red == 0 && ch.background.green == 0 && ch.background.blue == 0)
        ch.transferMode = 1;
      break;
    case 25: ch.shift = clamp32(int64_t(value) * 32768); break;
    case 26: ch.shift = clamp32(-(int64_t(value) * 32768)); break;
    case 27: ch.superscript = value; break;
    case 28:
      ch.expanded = value >= 1;
      ch.condensed = value < 1;
      break;
    case 29: MapWindowsLangIDToMacLocaleString(uint16_t(value), ch.language); break;
    case 30: pa.Reset(); break;
    case 31: pa.alignment = uint32_t(value); break;
    case 32: pa.direction = uint32_t(value); break;
    case 33: pa.spaceBefore = TwipsToFixed(value); break;
    case 34: pa.spaceAfter = TwipsToFixed(value); break;
    case 35:
      if (value != 0) {
        const int64_t points = TwipsToFixed(clamp32(value < 0 ? -int64_t(value) : int64_t(value)));
        pa.lineSpacing = clamp32((points << 16) / (12 * kFixedOne) - kFixedOne);
      }
      break;
    case 36:
      if (value != 1) pa.lineSpacing = 0;
      break;
    case 37: pa.leftIndent = std::max(TwipsToFixed(value), 0); break;
    case 38: pa.rightIndent = TwipsToFixed(value); break;
    case 39: pa.firstIndent = TwipsToFixed(value); break;
    case 43: pa.borderStyle = fourcc("SLDL"); break;
    case 44:
      if (pa.borderStyle == fourcc("SLDL")) pa.borderStyle = uint32_t(value);
      break;
    case 45: pa.keep = uint8_t(value); break;
    case 46: pa.keepNext = uint8_t(value); break;
    case 47: pa.pageBreakBefore = uint8_t(value); break;
    case 48:
      pa.widowControl = uint8_t(value);
      pa.widowSet = 1;
      break;
    case 49: pa.noLineNumbers = uint8_t(value); break;
    case 50: pa.noHyphenation = value == 0; break;
    default: break;  // tab stops (40-42) are read and ignored
  }
}

void RTFParser::ApplyDocumentProperty(int32_t id, int32_t value) {
  switch (id) {
    case 51: defaultFont_ = value; break;
    case 52: defaultLanguage_ = uint16_t(value); break;
    case 53: WESetTabSize(TwipsToFixed(value) >> 16, we_); break;
    case 54: WEFeatureFlag(28, value != 0 ? 1 : 0, we_); break;
    case 55: page_[1] = TwipsToFixed(value); break;
    case 56: page_[0] = TwipsToFixed(value); break;
    case 57: page_[3] = TwipsToFixed(value); break;
    case 58: page_[2] = TwipsToFixed(value); break;
    case 59: page_[5] = TwipsToFixed(value); break;
    case 60: page_[4] = TwipsToFixed(value); break;
    case 61: page_[6] = TwipsToFixed(value); break;
    case 62: page_[7] = value; break;
    default: break;
  }
}

void RTFParser::ResetProperties() {
  const CharacterProperties& ch = character_;
  const ParagraphProperties& pa = paragraph_;
  int32_t size = ch.size, shift = ch.shift;
  auto wholepoints = [](int64_t fixed) { return clamp32((fixed + 0x8000) & ~int64_t(0xFFFF)); };
  if (ch.superscript == 1) {
    shift = wholepoints(int64_t(ch.size) * 2 / 5);
    size = wholepoints(int64_t(ch.size) * 3 / 5);
  } else if (ch.superscript == 2) {
    shift = -wholepoints(int64_t(ch.size) / 5);
    size = wholepoints(int64_t(ch.size) * 3 / 5);
  }
  static constexpr OSType kAttributeSelectors[] = {
      fourcc("font"), fourcc("ptsz"), fourcc("bold"), fourcc("ital"), fourcc("undl"), fourcc("unds"), fourcc("strk"),
      fourcc("outl"), fourcc("shad"), fourcc("dstr"), fourcc("smcp"), fourcc("alcp"), fourcc("hidn"), fourcc("embo"),
      fourcc("engr"), fourcc("colr"), fourcc("pbcl"), fourcc("pptm"), fourcc("xshf"), fourcc("pexp"), fourcc("cond"),
      fourcc("lang"), fourcc("pjst"), fourcc("LDIR"), fourcc("spbe"), fourcc("spaf"), fourcc("ledg"), fourcc("lein"),
      fourcc("riin"), fourcc("fidt"), fourcc("keep"), fourcc("kepn"), fourcc("pbrb"), fourcc("wido"), fourcc("wdov"),
      fourcc("!ln#"), fourcc("!hyp"), fourcc("tabs"), fourcc("BBRD")};
  static constexpr int32_t kAttributeValueSizes[] = {2, 4,  1, 1, 1, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 6, 6, 2,   4, 1,
                                                     1, 31, 4, 4, 4, 4, 4, 4, 4, 4, 1, 1, 1, 1, 1, 1, 1, 164, 4};
  const void* const values[] = {&ch.font,
                                &size,
                                &ch.bold,
                                &ch.italic,
                                &ch.underline,
                                &ch.underlineStyle,
                                &ch.strike,
                                &ch.outline,
                                &ch.shadow,
                                &ch.doubleStrike,
                                &ch.smallCaps,
                                &ch.allCaps,
                                &ch.hidden,
                                &ch.embossed,
                                &ch.engraved,
                                &ch.color,
                                &ch.background,
                                &ch.transferMode,
                                &shift,
                                &ch.expanded,
                                &ch.condensed,
                                ch.language,
                                &pa.alignment,
                                &pa.direction,
                                &pa.spaceBefore,
                                &pa.spaceAfter,
                                &pa.lineSpacing,
                                &pa.leftIndent,
                                &pa.rightIndent,
                                &pa.firstIndent,
                                &pa.keep,
                                &pa.keepNext,
                                &pa.pageBreakBefore,
                                &pa.widowControl,
                                &pa.widowSet,
                                &pa.noLineNumbers,
                                &pa.noHyphenation,
                                pa.tabs,
                                &pa.borderStyle};
  static_assert(std::size(kAttributeSelectors) == 39 && std::size(kAttributeValueSizes) == 39);
  static_assert(std::size(values) == 39);
  const i16 undo = WEFeatureFlag(6, 0, we_);
  const OSErr err = WESetAttributes(-1, -1, 39, kAttributeSelectors, values, kAttributeValueSizes, we_);
  WEFeatureFlag(6, undo, we_);
  RTFException::ThrowIfError(err);
}

}  // namespace kv
