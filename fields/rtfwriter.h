// Writing styled text as RTF: a range of a text record into a handle or an open file.
//
// `RTFWriter` writes one fixed grammar: the header with the Macintosh character set, a font
// table and a colour table gathered from the range, the document information and page format
// kept as record properties, an optional footer of the caller's RTF, then one group per
// paragraph with its paragraph properties and one nested group for each character run whose
// character properties differ from its paragraph's. Text is Mac Roman; bytes above 127 go out
// as hexadecimal escapes. Every failure inside throws an RTFException; the two entry points
// are the only place it is caught.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "fields/rtfstreams.h"
#include "platform/files/files.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

class RTFWriter {
 public:
  // Start -1 and end -1 (0xFFFFFFFF) stand for the selection's ends; the end is cut to the
  // text length, the start to the end.
  RTFWriter(int32_t start, int32_t end, WEReference we);
  ~RTFWriter();
  RTFWriter(const RTFWriter&) = delete;
  RTFWriter& operator=(const RTFWriter&) = delete;

  // The footer is the caller's RTF, written before the body; it is kept, not copied.
  void SetFooter(const char* footer) { footer_ = footer; }
  // The item whose folder takes the pictures of a package (a copy is kept), and whether
  // pictures go there as TIFF attachments instead of inline data.
  void SetBaseDirectory(const FSSpec& base);
  void SetNeXTGraphics(bool on) { nextGraphics_ = on; }
  // The whole document. Non-zero flags ask for a closing paragraph mark.
  void Write(RTFOutputStream& out, int16_t flags);
  void WriteFooter(RTFOutputStream& out);

  void WriteFontTable(RTFOutputStream& out);
  void WriteColorTable(RTFOutputStream& out);
  void WriteDocumentInfo(RTFOutputStream& out);
  void WriteDocumentProperty(RTFOutputStream& out, uint32_t tag, const char* keyword, bool starred);
  void WriteDocumentFormat(RTFOutputStream& out);
  void WriteBody(RTFOutputStream& out, int16_t flags);
  void WriteParagraphRun(RTFOutputStream& out, int32_t start, int32_t end);
  static void WriteText(RTFOutputStream& out, const unsigned char* text, uint32_t length);
  static void WriteAlignment(RTFOutputStream& out, uint32_t alignment);
  static void WriteDirection(RTFOutputStream& out, uint32_t direction);
  static void WriteBottomBorderStyle(RTFOutputStream& out, uint32_t border);
  void WriteTabs(RTFOutputStream& out);
  void WriteEmbeddedObject(RTFOutputStream& out, WEObjectDescHandle object);
  void WriteEmbeddedPicture(RTFOutputStream& out, Handle picture, uint32_t displaySize);
  // A picture as a TIFF file beside the RTF, named as it was read ("VIZU"/"pnam") or
  // picture<n>.tiff, referenced by a NeXTGraphic group.
  void WriteNeXTGraphics(RTFOutputStream& out, WEObjectDescHandle object, Handle picture);
  // Writes a picture into the file `spec` (which exists) as an image of `type`; only 'TIFF' has
  // an exporter (-93706 otherwise). Throws on failure.
  static void ConvertPICTToGraphics(Handle picture, const FSSpec& spec, uint32_t type);

  // The family number (0 nil, 1 roman, 2 swiss, 3 modern, 4 script, 5 decor, 6 tech) of a
  // font name, 0 for a name not known.
  static int32_t ClassifyFont(const char* name);
  // A locale string ("en_US") as a Windows language id: 0 for fewer than two characters.
  static uint16_t MapMacLocaleStringToWindowsLangID(const char* locale);

 private:
  // The paragraph's attributes, read at the start of each paragraph piece.
  struct ParagraphAttributes {
    char lang[32];
    int16_t font;
    int32_t size;
    RGBColor color;
    uint32_t alignment, direction;
    int32_t spaceBefore, spaceAfter, leftIndent, rightIndent, firstIndent, leading;
    uint8_t keep, keepNext, pageBreakBefore, widow, widowOverride, noLineNumbers, noHyphenation;
    uint8_t tabs[164];
    uint32_t border;
  };

  int32_t FontIndex(int16_t font);
  int32_t ColorIndex(uint32_t color);

  int32_t start_ = 0;
  int32_t end_ = 0;
  WEReference we_;
  std::map<int16_t, int32_t> fontMap_;
  std::map<uint32_t, int32_t> colorMap_;
  Handle scratch_ = nilhandle;
  ParagraphAttributes para_{};
  const char* footer_ = nullptr;
  bool hasBase_ = false;
  FSSpec base_{};
  bool nextGraphics_ = false;
  uint32_t pictureCount_ = 0;
};

// 48-bit colours in the writer's 24-bit form (red in bits 0-7, green 8-15, blue 16-23): the
// high byte of each component; back, each byte b becomes b × 257.
uint32_t RGB48To24(const RGBColor& color);
void RGB24To48(uint32_t color, RGBColor& out);

// Writes [start, end) of the record as RTF into `out`, replacing what it held; `footer` (may
// be null) is RTF written before the body. 0, an error code, or 118 for any other failure.
int32_t RTFWriteHandleCrutch(i32 start, i32 end, WEReference we, Handle out, const char* footer, i16 flags);
// Writes at the mark of an open file, with a closing paragraph mark; the file ends where the
// RTF does. For type 'RTFD' the pictures go as TIFF files into the folder that holds `base`;
// other types ignore it.
int32_t RTFWriteFileCrutch(i32 start, i32 end, WEReference we, OSType fileType, FileRef ref, const FSSpec* base,
                           const char* footer);

}  // namespace kv
