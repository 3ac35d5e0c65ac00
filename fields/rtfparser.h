// The RTF reader: reads RTF from an input stream straight into a text record at its selection.
//
// Plain text gathers in a 256-byte buffer and goes in with `WEPut` whenever the formatting
// changes or the buffer fills; the formatting in force is set at the insertion point with
// `WESetAttributes` just before the next text. A fixed vocabulary of 172 keywords (the
// dictionary is built from `cBootstrapTable` once per run and kept in the runtime root) is
// understood; every other keyword is ignored, or skips its group after "\*". The Windows and
// NeXTSTEP character sets are mapped to Mac Roman; the font table becomes a font map, the
// colour table a colour list, document information, page layout and the print record become
// properties of the record, and pictures are inserted as 'PICT' objects.
//
// Every failure throws an RTFException (fields/rtfstreams.h); what was put before it stays.
// Numbers read from the input saturate at ±2,147,483,647 and are scaled in 64 bits; beyond
// 10,000 open groups the read fails with -93700.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fields/rtfstreams.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// Twips as Fixed points (twips / 20), clamped to the Fixed range; Fixed points as twips.
int32_t TwipsToFixed(int32_t twips);
int32_t FixedToTwips(int32_t fixed);

class RTFParser {
 public:
  struct KeywordDescription {
    const char* keyword;
    int32_t kind;  // the class, 0-8
    int32_t id;
    int32_t value;  // the default
    uint8_t useDefault;
  };
  static const KeywordDescription cBootstrapTable[];
  static const uint8_t cCharMap[256];
  static const uint8_t cWindows1252ToMacRoman[128];
  static const uint8_t cNextStepLatinToMacRoman[128];
  static constexpr int32_t kMaxGroupDepth = 10000;

  // The character classes of cCharMap.
  enum : uint8_t { kDigit = 1, kHexDigit = 2, kLower = 4, kUpper = 8 };

  struct CharacterProperties {
    int16_t font;
    int32_t size;  // Fixed points
    uint8_t bold, italic, strike, outline, shadow, doubleStrike, smallCaps, allCaps, hidden, embossed, engraved;
    uint8_t underline;
    uint32_t underlineStyle;
    RGBColor color, background;
    int16_t transferMode;
    int32_t shift;  // Fixed
    int32_t superscript;
    uint8_t expanded, condensed;
    char language[32];
    void Reset(int16_t family, uint16_t languageId);
  };
  struct ParagraphProperties {
    uint32_t alignment, direction;
    int32_t spaceBefore, spaceAfter, lineSpacing, leftIndent, rightIndent, firstIndent;
    uint8_t keep, keepNext, pageBreakBefore, widowControl, widowSet, noLineNumbers, noHyphenation;
    uint8_t tabs[164];
    uint32_t borderStyle;
    void Reset();
  };

  explicit RTFParser(WEReference we);
  // Puts the text still buffered; a failure throws unless another exception is already leaving.
  ~RTFParser() noexcept(false);
  RTFParser(const RTFParser&) = delete;
  RTFParser& operator=(const RTFParser&) = delete;

  // The folder in which NeXTGraphic attachments are looked up.
  void SetBaseDirectory(const std::string& folder) { baseDirectory_ = folder; }
  void Parse(RTFInputStream& in);

  // Steps of the reader, public for the tests that drive one rule.
  static void MapWindowsLangIDToMacLocaleString(uint16_t languageId, char* out);
  static const KeywordDescription* LookupKeyword(const char* keyword);
  // The picture made from image data or an image file by the importer of `type`.
  static Handle ConvertGraphicsToPICT(Handle data, uint32_t type);
  static Handle ConvertGraphicsToPICT(const std::string& path, uint32_t type);

 private:
  enum Destination : int32_t {
    kText = 0,
    kSkip,
    kPicture,
    kFontTable,
    kColorTable,
    kInfo,
    kInfoField,
    kPrintRecord,
    kNeXTGraphicName
  };
  struct State {
    std::unique_ptr<State> previous;
    CharacterProperties character;
    ParagraphProperties paragraph;
    int32_t destination;
    int32_t parseMode;
  };

  void ParseKeyword(RTFInputStream& in);
  void HandleKeyword(const char* keyword, int32_t parameter, bool hasParameter);
  void ParseChar(int32_t c);
  void ChangeDestination(int32_t id, int32_t value);
  void EndGroupAction(int32_t destination);
  void ApplyTextProperty(int32_t id, int32_t value);
  void ApplyDocumentProperty(int32_t id, int32_t value);
  void ApplyPictureProperty(int32_t id, int32_t value);
  void ApplyRGBComponent(int32_t id, int32_t value);
  void ChangeTextEncoding(uint32_t encoding) { encoding_ = encoding; }
  void ParseSpecialKeyword(int32_t id, int32_t value);
  void ResetProperties();
  void RegisterFont();
  void PushState();
  void PopState();
  void PutChar(int32_t c);
  void FlushTextBuffer();
  // Puts text at the selection, leaving the caret after it: the first put replaces a selected
  // range (a put over exactly the selection would keep the selection on the new text).
  OSErr PutAtSelection(const uint8_t* text, int32_t n);
  void PutDocumentProperty();
  void PutMacPrintRecord();
  int16_t MappedFont(int32_t number);

  // Pictures and the data buffer.
  void PrepareDataBuffer();
  void InitPictureBuffer();
  void AddToPictureBuffer(int32_t byte);
  void FreePictureBuffer();
  void PutPicture();
  void PutNeXTGraphics();
  void SetDataProperty(uint32_t tag);

  WEReference we_;
  int32_t depth_ = 0;
  int32_t destination_ = kText;
  int32_t parseMode_ = 0;  // 0 normal, 1 binary, 2 one hexadecimal byte, 3 hexadecimal data
  std::unique_ptr<State> top_;
  int32_t binaryLeft_ = 0;
  bool skipUnknown_ = false;
  bool propertiesChanged_ = false;
  uint32_t encoding_ = 1280;
  CharacterProperties character_{};
  ParagraphProperties paragraph_{};
  std::map<int32_t, int16_t> fontMap_;
  int32_t fontBeingDefined_ = -1;
  int32_t defaultFont_ = 0;
  uint16_t defaultLanguage_ = 0;
  int16_t familyHint_ = 1;
  std::vector<RGBColor> colors_;
  RGBColor colorBeingDefined_{0, 0, 0};
  uint8_t text_[256] = {};
  uint32_t textLength_ = 0;
  Handle data_ = 0;
  uint32_t dataLength_ = 0;
  uint32_t dataFree_ = 0;
  int32_t pictureKind_ = 0;
  int16_t pictureHeight_ = 0, pictureWidth_ = 0;
  int16_t scaleV_ = 100, scaleH_ = 100;
  uint32_t infoTag_ = 0;
  int32_t page_[8] = {};
  std::optional<std::string> baseDirectory_;
};

}  // namespace kv
