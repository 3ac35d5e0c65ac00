// The RTF writer: the document's header, tables and properties, its paragraphs and runs, the
// text escaped, and the two writing entry points.
#include "fields/rtfwriter.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fields/rtfparser.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/imagewriters.h"
#include "platform/qd/pictures.h"
#include "platform/text/pstring.h"
#include "store/records.h"
#include "textengine/wehooks.h"

namespace kv {

namespace {

constexpr const char* cEOL = "\n";
constexpr int32_t kOtherFailure = 118;

// Fixed points as half-points (rounded down).
int32_t HalfPoints(int32_t fixed) { return fixed >> 15; }

void PutKeywordNumber(RTFOutputStream& out, const char* keyword, int32_t n) {
  out.PutKeyword(keyword);
  out.PutInt(n);
}

const char* const kRTFFontFamilyKeyword[7] = {"fnil", "froman", "fswiss", "fmodern", "fscript", "fdecor", "ftech"};

const std::map<std::string, int32_t>& fontMap() {
  static const std::map<std::string, int32_t> map = {
      {"New York", 1},    {"Palatino", 1},      {"Times", 1},          {"Times New Roman", 1}, {"Arial", 2},
      {"Arial Black", 2}, {"Geneva", 2},        {"Helvetica", 2},      {"Impact", 2},          {"Courier", 3},
      {"Courier New", 3}, {"Monaco", 3},        {"Apple Chancery", 4}, {"Zapf Chancery", 4},   {"Symbol", 6},
      {"Wingdings", 6},   {"Zapf Dingbats", 6},
  };
  return map;
}

// The run range holding `offset`, cut to `end`.
void RunAt(int32_t offset, int32_t end, int32_t* runStart, int32_t* runEnd, WEReference we) {
  WEGetRunRange(WEOffsetToRun(offset, we), runStart, runEnd, we);
  if (*runEnd > end) *runEnd = end;
}

}  // namespace

uint32_t RGB48To24(const RGBColor& color) {
  return uint32_t(color.red >> 8) | (uint32_t(color.green >> 8) << 8) | (uint32_t(color.blue >> 8) << 16);
}

void RGB24To48(uint32_t color, RGBColor& out) {
  out.red = uint16_t((color & 0xFF) * 0x101);
  out.green = uint16_t(((color >> 8) & 0xFF) * 0x101);
  out.blue = uint16_t(((color >> 16) & 0xFF) * 0x101);
}

RTFWriter::RTFWriter(int32_t start, int32_t end, WEReference we) : we_(we) {
  i32 selStart = 0, selEnd = 0;
  WEGetSelection(&selStart, &selEnd, we);
  if (start == -1) start = selStart;
  if (end == -1) end = selEnd;
  const int32_t length = WEGetTextLength(we);
  if (end < 0 || end > length) end = length;
  if (start < 0) start = 0;
  if (start > end) start = end;
  start_ = start;
  end_ = end;
  scratch_ = NewHandle(0);
  if (scratch_ == nilhandle) throw RTFException(memFullErr);
}

RTFWriter::~RTFWriter() { DisposeHandle(scratch_); }

void RTFWriter::Write(RTFOutputStream& out, int16_t flags) {
  out.PutChar('{');
  out.PutKeyword("rtf1");
  out.PutKeyword("mac");
  out.PutCString(cEOL);
  WriteFontTable(out);
  WriteColorTable(out);
  WriteDocumentInfo(out);
  WriteDocumentFormat(out);
  WriteFooter(out);
  WriteBody(out, flags);
  out.PutChar('}');
}

void RTFWriter::WriteFooter(RTFOutputStream& out) {
  if (footer_ != nullptr) out.PutCString(footer_);
}

int32_t RTFWriter::FontIndex(int16_t font) { return fontMap_.emplace(font, 0).first->second; }

int32_t RTFWriter::ColorIndex(uint32_t color) { return colorMap_.emplace(color, 0).first->second; }

void RTFWriter::WriteFontTable(RTFOutputStream& out) {
  WEFontFamilyToNameProcPtr hook = nullptr;
  RTFException::ThrowIfError(WEGetInfo(fourcc("ff2n"), &hook, we_));
  std::vector<int16_t> order;
  int32_t runStart = 0, runEnd = 0;
  int32_t offset = start_;
  int16_t previous = 0;
  bool first = true;
  do {
    RunAt(offset, end_, &runStart, &runEnd, we_);
    int16_t font = 0;
    RTFException::ThrowIfError(WEGetOneAttribute(first ? start_ : runStart, fourcc("font"), &font, 2, we_));
    if ((first || font != previous) && fontMap_.find(font) == fontMap_.end()) {
      fontMap_.emplace(font, int32_t(order.size()));
      order.push_back(font);
    }
    previous = font;
    first = false;
    offset = runEnd;
  } while (runEnd < end_);

  out.PutChar('{');
  out.PutKeyword("fonttbl");
  for (std::size_t i = 0; i < order.size(); ++i) {
    Str255 name{};
    GetFontName(order[i], name);
    if (hook != nullptr) RTFException::ThrowIfError(hook(order[i], name));
    const std::string text(reinterpret_cast<const char*>(name + 1), name[0]);
    out.PutCString(cEOL);
    out.PutChar('{');
    PutKeywordNumber(out, "f", int32_t(i));
    out.PutKeyword(kRTFFontFamilyKeyword[ClassifyFont(text.c_str())]);
    out.PutChar(' ');
    WriteText(out, name + 1, name[0]);
    out.PutCString(";}");
  }
  out.PutChar('}');
  out.PutCString(cEOL);
}

void RTFWriter::WriteColorTable(RTFOutputStream& out) {
  std::vector<uint32_t> order;
  auto gather = [&](uint32_t color) {
    if (colorMap_.emplace(color, int32_t(order.size())).second) order.push_back(color);
  };
  int32_t runStart = 0, runEnd = 0;
  int32_t offset = start_;
  bool first = true;
  do {
    RunAt(offset, end_, &runStart, &runEnd, we_);
    RGBColor color{}, background{};
    int16_t mode = 0;
    const OSType tags[3] = {fourcc("colr"), fourcc("pbcl"), fourcc("pptm")};
    void* const values[3] = {&color, &background, &mode};
    const i32 sizes[3] = {6, 6, 2};
    RTFException::ThrowIfError(WEGetAttributes(first ? start_ : runStart, 3, tags, values, sizes, we_));
    gather(RGB48To24(color));
    if (mode == 0) gather(RGB48To24(background));
    first = false;
    offset = runEnd;
  } while (runEnd < end_);

  out.PutChar('{');
  out.PutKeyword("colortbl");
  for (const uint32_t color : order) {
    out.PutCString(cEOL);
    PutKeywordNumber(out, "red", int32_t(color & 0xFF));
    PutKeywordNumber(out, "green", int32_t((color >> 8) & 0xFF));
    PutKeywordNumber(out, "blue", int32_t((color >> 16) & 0xFF));
    out.PutChar(';');
  }
  out.PutChar('}');
  out.PutCString(cEOL);
}

void RTFWriter::WriteDocumentInfo(RTFOutputStream& out) {
  static const struct {
    const char tag[5];
    const char* keyword;
    bool starred;
  } kInfo[] = {
      {"Titl", "title", false},    {"Subj", "subject", false},  {"Auth", "author", false},   {"Mngr", "manager", true},
      {"Cmpy", "company", true},   {"Ctgy", "category", true},  {"Keyw", "keywords", false}, {"Cmnt", "doccomm", false},
      {"Oper", "operator", false}, {"Hlnk", "hlinkbase", true},
  };
  out.PutChar('{');
  out.PutKeyword("info");
  for (const auto& row : kInfo) WriteDocumentProperty(out, fourcc(row.tag), row.keyword, row.starred);
  out.PutChar('}');
  out.PutCString(cEOL);
}

void RTFWriter::WriteDocumentProperty(RTFOutputStream& out, uint32_t tag, const char* keyword, bool starred) {
  i32 size = 0;
  if (WEGetProperty(fourcc("Info"), tag, 0, &size, nullptr, we_) != noErr) return;
  std::string value(std::size_t(size), '\0');
  if (WEGetProperty(fourcc("Info"), tag, size, &size, value.data(), we_) != noErr) return;
  out.PutChar('{');
  if (starred) out.PutKeyword("*");
  out.PutKeyword(keyword);
  out.PutChar(' ');
  WriteText(out, reinterpret_cast<const unsigned char*>(value.data()), uint32_t(value.size()));
  out.PutChar('}');
  out.PutCString(cEOL);
}

void RTFWriter::WriteDocumentFormat(RTFOutputStream& out) {
  int32_t page[8] = {};
  i32 size = 0;
  if (WEGetProperty(fourcc("Info"), fourcc("Page"), sizeof page, &size, page, we_) == noErr && size >= 32) {
    static const char* const kPage[6] = {"paperw", "paperh", "margl", "margt", "margr", "margb"};
    // Stored as paper width, height, left, top, right, bottom; written left, right, top, bottom.
    static const int kOrder[6] = {0, 1, 2, 4, 3, 5};
    for (const int k : kOrder) PutKeywordNumber(out, kPage[k], FixedToTwips(page[k]));
    if (page[6] != 0) PutKeywordNumber(out, "gutter", FixedToTwips(page[6]));
    if (page[7] != 1) PutKeywordNumber(out, "pgnstart", page[7]);
  }
  if (WEGetProperty(fourcc("Info"), fourcc("PRec"), 0, &size, nullptr, we_) == noErr) {
    Handle record = NewHandleClear(size);
    if (record == nilhandle) throw RTFException(memFullErr);
    HLock(record);
    const OSErr err = WEGetProperty(fourcc("Info"), fourcc("PRec"), size, &size, deref(record), we_);
    HUnlock(record);
    if (err != noErr) {
      DisposeHandle(record);
      throw RTFException(err);
    }
    out.PutChar('{');
    out.PutKeyword("*");
    out.PutKeyword("macprintrecord");
    out.PutChar(' ');
    out.PutHandleAsHexScalar(record);
    out.PutChar('}');
    out.PutCString(cEOL);
    DisposeHandle(record);
  }
  PutKeywordNumber(out, "deftab", WEGetTabSize(we_) * 20);
  if (WEFeatureFlag(28, -1, we_) == 1) out.PutKeyword("notabind");
  out.PutCString(cEOL);
}

void RTFWriter::WriteBody(RTFOutputStream& out, int16_t flags) {
  int32_t position = start_;
  int32_t paraStart = 0, paraEnd = 0;
  do {
    WEGetParaRunRange(WEOffsetToParaRun(position, we_), &paraStart, &paraEnd, we_);
    const int32_t pieceEnd = paraEnd < end_ ? paraEnd : end_;
    out.PutChar('{');
    out.PutKeyword("pard");
    out.PutKeyword("plain");

    const OSType tags[21] = {fourcc("lang"), fourcc("font"), fourcc("ptsz"), fourcc("colr"), fourcc("pjst"),
                             fourcc("LDIR"), fourcc("spbe"), fourcc("spaf"), fourcc("lein"), fourcc("riin"),
                             fourcc("fidt"), fourcc("ledg"), fourcc("keep"), fourcc("kepn"), fourcc("pbrb"),
                             fourcc("wido"), fourcc("wdov"), fourcc("!ln#"), fourcc("!hyp"), fourcc("tabs"),
                             fourcc("BBRD")};
    ParagraphAttributes& p = para_;
    p = ParagraphAttributes{};
    void* const values[21] = {p.lang,         &p.font,          &p.size,          &p.color,         &p.alignment,
                              &p.direction,   &p.spaceBefore,   &p.spaceAfter,    &p.leftIndent,    &p.rightIndent,
                              &p.firstIndent, &p.leading,       &p.keep,          &p.keepNext,      &p.pageBreakBefore,
                              &p.widow,       &p.widowOverride, &p.noLineNumbers, &p.noHyphenation, p.tabs,
                              &p.border};
    const i32 sizes[21] = {32, 2, 4, 6, 4, 4, 4, 4, 4, 4, 4, 4, 1, 1, 1, 1, 1, 1, 1, 164, 4};
    RTFException::ThrowIfError(WEGetAttributes(position, 21, tags, values, sizes, we_));
    p.lang[31] = 0;

    if (p.lang[0] != 0) {
      if (const uint16_t id = MapMacLocaleStringToWindowsLangID(p.lang)) PutKeywordNumber(out, "lang", id);
    }
    PutKeywordNumber(out, "f", FontIndex(p.font));
    PutKeywordNumber(out, "fs", HalfPoints(p.size));
    PutKeywordNumber(out, "cf", ColorIndex(RGB48To24(p.color)));

    WriteAlignment(out, p.alignment);
    WriteDirection(out, p.direction);
    const struct {
      const char* keyword;
      int32_t value;
    } indents[5] = {{"sb", p.spaceBefore},
                    {"sa", p.spaceAfter},
                    {"li", p.leftIndent},
                    {"ri", p.rightIndent},
                    {"fi", p.firstIndent}};
    for (const auto& i : indents) {
      if (i.value != 0) PutKeywordNumber(out, i.keyword, FixedToTwips(i.value));
    }
    if (p.leading > 0) {
      // (1 + leading) lines of 12 points.
      const int64_t spacing = (int64_t(p.leading) + 0x10000) * 0xC0000 >> 16;
      PutKeywordNumber(out, "sl", FixedToTwips(int32_t(spacing)));
      PutKeywordNumber(out, "slmult", 1);
    }
    if (p.keep) out.PutKeyword("keep");
    if (p.keepNext) out.PutKeyword("keepn");
    if (p.pageBreakBefore) out.PutKeyword("pagebb");
    if (p.widowOverride) out.PutKeyword(p.widow ? "widctlpar" : "nowidctlpar");
    if (p.noLineNumbers) out.PutKeyword("noline");
    if (p.noHyphenation) out.PutKeyword("hyphpar0");
    WriteBottomBorderStyle(out, p.border);
    WriteTabs(out);

    out.PutChar(' ');
    WriteParagraphRun(out, position, pieceEnd);
    if (flags != 0 && pieceEnd == end_ && (end_ == 0 || WEGetChar(end_ - 1, we_) != 13)) out.PutKeyword("par");
    out.PutChar('}');
    position = pieceEnd;
  } while (position < end_);
}

void RTFWriter::WriteParagraphRun(RTFOutputStream& out, int32_t start, int32_t end) {
  int32_t offset = start;
  int32_t runStart = 0, runEnd = 0;
  do {
    RunAt(offset, end, &runStart, &runEnd, we_);
    if (runStart < offset) runStart = offset;
    struct {
      int16_t font;
      int32_t size;
      RGBColor color, background;
      int16_t mode;
      uint8_t bold, italic, underline;
      uint32_t underlineStyle;
      uint8_t strike, outline, shadow, doubleStrike, smallCaps, allCaps, hidden, embossed, engraved;
      int32_t shift;
      uint8_t condensed, extended;
      char lang[32];
    } r{};
    const OSType tags[22] = {fourcc("font"), fourcc("ptsz"), fourcc("colr"), fourcc("pbcl"), fourcc("pptm"),
                             fourcc("bold"), fourcc("ital"), fourcc("undl"), fourcc("unds"), fourcc("strk"),
                             fourcc("outl"), fourcc("shad"), fourcc("dstr"), fourcc("smcp"), fourcc("alcp"),
                             fourcc("hidn"), fourcc("embo"), fourcc("engr"), fourcc("xshf"), fourcc("cond"),
                             fourcc("pexp"), fourcc("lang")};
    void* const values[22] = {&r.font,         &r.size,      &r.color,          &r.background, &r.mode,     &r.bold,
                              &r.italic,       &r.underline, &r.underlineStyle, &r.strike,     &r.outline,  &r.shadow,
                              &r.doubleStrike, &r.smallCaps, &r.allCaps,        &r.hidden,     &r.embossed, &r.engraved,
                              &r.shift,        &r.condensed, &r.extended,       r.lang};
    const i32 sizes[22] = {2, 4, 6, 6, 2, 1, 1, 1, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 1, 1, 32};
    RTFException::ThrowIfError(WEGetAttributes(runStart, 22, tags, values, sizes, we_));
    r.lang[31] = 0;

    bool opened = false;
    auto keyword = [&](const char* k) {
      if (!opened) out.PutChar('{');
      opened = true;
      out.PutKeyword(k);
    };
    auto keywordNumber = [&](const char* k, int32_t n) {
      keyword(k);
      out.PutInt(n);
    };
    if (r.lang[0] != 0 && std::strcmp(r.lang, para_.lang) != 0) {
      if (const uint16_t id = MapMacLocaleStringToWindowsLangID(r.lang)) keywordNumber("lang", id);
    }
    if (r.font != para_.font) keywordNumber("f", FontIndex(r.font));
    if (r.size != para_.size) keywordNumber("fs", HalfPoints(r.size));
    const uint32_t color = RGB48To24(r.color);
    if (color != RGB48To24(para_.color)) keywordNumber("cf", ColorIndex(color));
    if (r.mode == 0) keywordNumber("highlight", ColorIndex(RGB48To24(r.background)));
    if (r.bold) keyword("b");
    if (r.italic) keyword("i");
    if (r.underline) {
      switch (r.underlineStyle) {
        case fourcc("-   "): keyword("uldash"); break;
        case fourcc(".   "): keyword("uld"); break;
        case fourcc(".-  "): keyword("uldashd"); break;
        case fourcc("..- "): keyword("uldashdd"); break;
        case fourcc("thck"): keyword("ulth"); break;
        case fourcc("dubl"): keyword("uldb"); break;
        case fourcc("wave"): keyword("ulwave"); break;
        case fourcc("word"): keyword("ulw"); break;
        default: keyword("ul"); break;
      }
    }
    const struct {
      uint8_t set;
      const char* keyword;
    } flagsOn[9] = {{r.strike, "strike"},   {r.outline, "outl"}, {r.shadow, "shad"}, {r.doubleStrike, "striked1"},
                    {r.smallCaps, "scaps"}, {r.allCaps, "caps"}, {r.hidden, "v"},    {r.embossed, "embo"},
                    {r.engraved, "impr"}};
    for (const auto& f : flagsOn) {
      if (f.set) keyword(f.keyword);
    }
    if (r.shift > 0) keywordNumber("up", HalfPoints(r.shift));
    if (r.shift < 0) keywordNumber("dn", HalfPoints(-r.shift));
    if (r.condensed) {
      keywordNumber("expnd", -r.size / 0x30000);
    } else if (r.extended) {
      keywordNumber("expnd", r.size / 0x30000);
    }
    if (opened) out.PutChar(' ');

    WEObjectDescHandle object = nilhandle;
    if (runEnd - runStart == 1 && WEGetObjectAtOffset(runStart, &object, we_) == noErr && object != nilhandle) {
      WriteEmbeddedObject(out, object);
    } else {
      RTFException::ThrowIfError(WEStreamRange(runStart, runEnd, fourcc("TEXT"), 0, scratch_, we_));
      const i8 state = HGetState(scratch_);
      HLock(scratch_);
      WriteText(out, reinterpret_cast<const unsigned char*>(deref(scratch_)), uint32_t(GetHandleSize(scratch_)));
      HSetState(scratch_, state);
    }
    if (opened) out.PutChar('}');
    offset = runEnd;
  } while (runEnd < end);
}

void RTFWriter::WriteText(RTFOutputStream& out, const unsigned char* text, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    const unsigned char c = text[i];
    switch (c) {
      case 9: out.PutKeyword("tab "); break;
      case 13:
        out.PutKeyword("par");
        out.PutCString(cEOL);
        break;
      case '{':
      case '}':
      case '\\':
        out.PutChar('\\');
        out.PutChar(char(c));
        break;
      default:
        if (c >= 128) {
          out.PutChar('\\');
          out.PutChar('\'');
          out.PutHexChar(c);
        } else {
          out.PutChar(char(c));
        }
    }
  }
}

void RTFWriter::WriteAlignment(RTFOutputStream& out, uint32_t alignment) {
  switch (alignment) {
    case fourcc("left"): out.PutKeyword("ql"); break;
    case fourcc("cent"): out.PutKeyword("qc"); break;
    case fourcc("rght"): out.PutKeyword("qr"); break;
    case fourcc("full"): out.PutKeyword("qj"); break;
    case fourcc("deft"):
      out.PutKeyword("ql");
      out.PutKeyword("qnatural");
      break;
    default: break;
  }
}

void RTFWriter::WriteDirection(RTFOutputStream& out, uint32_t direction) {
  if (direction == fourcc("L->R")) out.PutKeyword("ltrpar");
  if (direction == fourcc("R->L")) out.PutKeyword("rtlpar");
}

void RTFWriter::WriteBottomBorderStyle(RTFOutputStream& out, uint32_t border) {
  const char* style = nullptr;
  switch (border) {
    case fourcc("SLDL"): style = "brdrs"; break;
    case fourcc("THKL"): style = "brdrth"; break;
    case fourcc("DTDL"): style = "brdrdot"; break;
    default: return;
  }
  out.PutKeyword("brdrb");
  out.PutKeyword(style);
}

// Twenty stops a tab width apart; the paragraph's own tab list is not written.
void RTFWriter::WriteTabs(RTFOutputStream& out) {
  const int32_t width = WEGetTabSize(we_) * 20;
  for (int32_t k = 1; k <= 20; ++k) PutKeywordNumber(out, "tx", k * width);
}

// A picture, or a field object's inner data taken as a picture whatever it holds; an object of
// any other kind is dropped from the RTF.
void RTFWriter::WriteEmbeddedObject(RTFOutputStream& out, WEObjectDescHandle object) {
  const OSType type = WEGetObjectType(object);
  Handle picture = WEGetObjectDataHandle(object);
  if (type == fourcc("iota")) {
    if (!IsValidHandle(picture) || GetHandleSize(picture) < Size(sizeof(iota)) ||
        loadat<u32>(deref(picture)) != fourcc("iota"))
      return;
    picture = loadat<iota>(deref(picture)).data;
  } else if (type != fourcc("PICT")) {
    return;
  }
  if (nextGraphics_ && hasBase_) {
    WriteNeXTGraphics(out, object, picture);
  } else {
    WriteEmbeddedPicture(out, picture, WEGetObjectSize(object));
  }
}

void RTFWriter::SetBaseDirectory(const FSSpec& base) {
  base_ = base;
  hasBase_ = true;
}

void RTFWriter::WriteNeXTGraphics(RTFOutputStream& out, WEObjectDescHandle object, Handle picture) {
  if (!IsValidHandle(picture)) return;
  Rect frame{};
  QDGetPictureBounds(PicHandle(picture), &frame);
  const int32_t width = frame.right - frame.left, height = frame.bottom - frame.top;
  char stored[256] = {};
  i32 size = 0;
  std::string name;
  if (WEGetObjectProperty(object, fourcc("VIZU"), fourcc("pnam"), 255, &size, stored) == noErr && size >= 6 &&
      size <= 255 && std::string_view(stored, std::size_t(size)).ends_with(".tiff")) {
    name.assign(stored, std::size_t(size));
  } else {
    name = maketiffname(++pictureCount_);
  }
  // The file goes into the folder that holds the base item, beside the RTF.
  if (name.size() > 63 || name.find('/') != std::string::npos) return;
  FSSpec spec{base_.vRefNum, base_.parID, {}};
  setpstring(spec.name, name);
  CatInfo info{};
  const OSErr err = HGetCatInfo(spec.vRefNum, spec.parID, spec.name, &info);
  if (err == fnfErr) {
    if (HCreate(spec.vRefNum, spec.parID, spec.name, 0, fourcc("TIFF")) != noErr) return;
  } else if (err != noErr || info.folder) {
    return;
  }
  ConvertPICTToGraphics(picture, spec, fourcc("TIFF"));
  out.PutChar('{');
  out.PutChar('{');
  out.PutKeyword("*");
  out.PutKeyword("NeXTGraphic");
  out.PutChar(' ');
  out.PutCString(name.c_str());
  out.PutChar(' ');
  PutKeywordNumber(out, "width", width * 20);
  PutKeywordNumber(out, "height", height * 20);
  out.PutChar('}');
  out.PutChar(char(0xAC));
  out.PutChar('}');
}

void RTFWriter::ConvertPICTToGraphics(Handle picture, const FSSpec& spec, uint32_t type) {
  constexpr int32_t kNoExporter = -93706;
  if (!hasimageexporter(type)) throw RTFException(kNoExporter);
  DecodedImage image;
  std::vector<u8> bytes;
  if (!picturepixels(PicHandle(picture), &image) || !encodeexportimage(image, type, 0, &bytes))
    throw RTFException(kNoExporter);
  FileRef ref = nilid;
  RTFException::ThrowIfError(HOpen(spec.vRefNum, spec.parID, spec.name, fsRdWrPerm, &ref));
  OSErr err = writeat(ref, 0, bytes.data(), i64(bytes.size()));
  if (err == noErr) err = SetEOF(ref, i64(bytes.size()));
  FSClose(ref);
  RTFException::ThrowIfError(err);
}

void RTFWriter::WriteEmbeddedPicture(RTFOutputStream& out, Handle picture, uint32_t displaySize) {
  if (!IsValidHandle(picture)) return;
  Rect frame{};
  QDGetPictureBounds(PicHandle(picture), &frame);
  const int32_t width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int32_t shownWidth = int32_t(displaySize >> 16), shownHeight = int32_t(displaySize & 0xFFFF);
  // An empty frame has no scale: it is shown as it is.
  auto scale = [](int32_t shown, int32_t whole) {
    return whole <= 0 ? 100 : int32_t(std::trunc(double(shown) * 100.0 / double(whole) + 0.5));
  };
  out.PutChar('{');
  out.PutKeyword("pict");
  out.PutKeyword("macpict");
  PutKeywordNumber(out, "picw", width);
  PutKeywordNumber(out, "pich", height);
  PutKeywordNumber(out, "picscalex", scale(shownWidth, width));
  PutKeywordNumber(out, "picscaley", scale(shownHeight, height));
  out.PutChar(' ');
  out.PutHandleAsHexScalar(picture);
  out.PutChar('}');
}

int32_t RTFWriter::ClassifyFont(const char* name) {
  const auto it = fontMap().find(name);
  return it == fontMap().end() ? 0 : it->second;
}

// --- Entry points ------------------------------------------------------------------------------

int32_t RTFWriteHandleCrutch(i32 start, i32 end, WEReference we, Handle out, const char* footer, i16 flags) {
  try {
    RTFWriter writer(start, end, we);
    RTFHandleOutputStream stream(out);
    writer.SetFooter(footer);
    writer.Write(stream, flags);
    return noErr;
  } catch (const RTFException& e) {
    return e.code();
  } catch (...) {
    return kOtherFailure;
  }
}

int32_t RTFWriteFileCrutch(i32 start, i32 end, WEReference we, OSType fileType, FileRef ref, const FSSpec* base,
                           const char* footer) {
  try {
    RTFWriter writer(start, end, we);
    if (fileType == fourcc("RTFD") && base != nullptr) {
      writer.SetBaseDirectory(*base);
      writer.SetNeXTGraphics(true);
    }
    {
      RTFFileOutputStream stream(ref, 0x10000);
      writer.SetFooter(footer);
      writer.Write(stream, 1);
    }
    return noErr;
  } catch (const RTFException& e) {
    return e.code();
  } catch (...) {
    return kOtherFailure;
  }
}

}  // namespace kv
