// The reader's vocabulary: its 172 keywords and their dictionary, the byte classes, the two
// character-set maps to Mac Roman and the table of Windows language ids.
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "fields/rtfparser.h"
#include "fields/rtfwriter.h"
#include "platform/runtime/root.h"

namespace kv {

// Keyword, class, id, default value, use the default even when a parameter comes.
const RTFParser::KeywordDescription RTFParser::cBootstrapTable[] = {
    {"par", 0, 13, 0, 0},
    {"cell", 0, 13, 0, 0},
    {"\n", 0, 13, 0, 0},
    {"\r", 0, 13, 0, 0},
    {"~", 0, 202, 0, 0},
    {"emspace", 0, 202, 0, 0},
    {"enspace", 0, 202, 0, 0},
    {"sect", 0, 13, 0, 0},
    {"page", 0, 13, 0, 0},
    {"column", 0, 13, 0, 0},
    {"line", 0, 13, 0, 0},
    {"tab", 0, 9, 0, 0},
    {"bullet", 0, 165, 0, 0},
    {"emdash", 0, 209, 0, 0},  // Mac Roman's em dash
    {"endash", 0, 208, 0, 0},  // and en dash
    {"ldblquote", 0, 210, 0, 0},
    {"rdblquote", 0, 211, 0, 0},
    {"lquote", 0, 212, 0, 0},
    {"rquote", 0, 213, 0, 0},
    {"{", 0, 123, 0, 0},
    {"}", 0, 125, 0, 0},
    {"\\", 0, 92, 0, 0},
    {"info", 1, 4, 0, 0},
    {"title", 1, 5, fourcc("Titl"), 0},
    {"subject", 1, 5, fourcc("Subj"), 0},
    {"author", 1, 5, fourcc("Auth"), 0},
    {"manager", 1, 5, fourcc("Mngr"), 0},
    {"company", 1, 5, fourcc("Cmpy"), 0},
    {"category", 1, 5, fourcc("Ctgy"), 0},
    {"keywords", 1, 5, fourcc("Keyw"), 0},
    {"doccomm", 1, 5, fourcc("Cmnt"), 0},
    {"operator", 1, 5, fourcc("Oper"), 0},
    {"hlinkbase", 1, 5, fourcc("Hlnk"), 0},
    {"macprintrecord", 1, 6, 0, 0},
    {"buptim", 1, 1, 0, 0},
    {"colortbl", 1, 3, 0, 0},
    {"comment", 1, 1, 0, 0},
    {"creatim", 1, 1, 0, 0},
    {"fonttbl", 1, 2, 0, 0},
    {"footer", 1, 1, 0, 0},
    {"footerf", 1, 1, 0, 0},
    {"footerl", 1, 1, 0, 0},
    {"footerr", 1, 1, 0, 0},
    {"footnote", 1, 1, 0, 0},
    {"ftncn", 1, 1, 0, 0},
    {"ftnsep", 1, 1, 0, 0},
    {"ftnsepc", 1, 1, 0, 0},
    {"header", 1, 1, 0, 0},
    {"headerf", 1, 1, 0, 0},
    {"headerl", 1, 1, 0, 0},
    {"headerr", 1, 1, 0, 0},
    {"pict", 1, 0, 0, 0},
    {"printim", 1, 1, 0, 0},
    {"nonshppict", 1, 1, 0, 0},
    {"revtim", 1, 1, 0, 0},
    {"rxe", 1, 1, 0, 0},
    {"shppict", 1, 0, 0, 0},
    {"stylesheet", 1, 1, 0, 0},
    {"tc", 1, 1, 0, 0},
    {"txe", 1, 1, 0, 0},
    {"windowcaption", 1, 1, 0, 0},
    {"xe", 1, 1, 0, 0},
    {"NeXTHelpMarker", 1, 1, 0, 0},
    {"NeXTGraphic", 1, 7, 0, 0},
    {"plain", 2, 0, 0, 0},
    {"f", 2, 1, 1, 0},
    {"fs", 2, 2, 24, 0},
    {"b", 2, 3, 1, 0},
    {"i", 2, 4, 1, 0},
    {"ul", 2, 5, 1, 0},
    {"uldb", 2, 6, 1, 0},
    {"ulw", 2, 7, 1, 0},
    {"ulth", 2, 8, 1, 0},
    {"uld", 2, 9, 1, 0},
    {"uldash", 2, 10, 1, 0},
    {"uldashd", 2, 11, 1, 0},
    {"uldashdd", 2, 12, 1, 0},
    {"ulwave", 2, 13, 1, 0},
    {"ulnone", 2, 5, 0, 1},
    {"strike", 2, 14, 1, 0},
    {"striked", 2, 15, 0, 0},
    {"scaps", 2, 16, 1, 0},
    {"caps", 2, 17, 1, 0},
    {"v", 2, 18, 1, 0},
    {"outl", 2, 19, 1, 0},
    {"shad", 2, 20, 1, 0},
    {"embo", 2, 21, 1, 0},
    {"impr", 2, 22, 1, 0},
    {"cf", 2, 23, 0, 0},
    {"highlight", 2, 24, 0, 0},
    {"up", 2, 25, 0, 0},
    {"dn", 2, 26, 0, 0},
    {"super", 2, 27, 1, 1},
    {"sub", 2, 27, 2, 1},
    {"nosupersub", 2, 27, 0, 1},
    {"expnd", 2, 28, 0, 0},
    {"expndtw", 2, 28, 0, 0},
    {"lang", 2, 29, 0, 0},
    {"pard", 2, 30, 0, 0},
    {"qnatural", 2, 31, fourcc("deft"), 1},
    {"qc", 2, 31, fourcc("cent"), 1},
    {"ql", 2, 31, fourcc("left"), 1},
    {"qr", 2, 31, fourcc("rght"), 1},
    {"qj", 2, 31, fourcc("full"), 1},
    {"rtlpar", 2, 32, fourcc("R->L"), 1},
    {"ltrpar", 2, 32, fourcc("L->R"), 1},
    {"sb", 2, 33, 0, 0},
    {"sa", 2, 34, 0, 0},
    {"sl", 2, 35, 0, 0},
    {"slmult", 2, 36, 0, 0},
    {"li", 2, 37, 0, 0},
    {"ri", 2, 38, 0, 0},
    {"fi", 2, 39, 0, 0},
    {"brdrb", 2, 43, 0, 0},
    {"brdrth", 2, 44, fourcc("THKL"), 1},
    {"brdrdot", 2, 44, fourcc("DTDL"), 1},
    {"keep", 2, 45, 1, 1},
    {"keepn", 2, 46, 1, 1},
    {"pagebb", 2, 47, 1, 1},
    {"widctlpar", 2, 48, 1, 1},
    {"nowidctlpar", 2, 48, 0, 1},
    {"noline", 2, 49, 1, 1},
    {"hyphpar", 2, 50, 1, 0},
    {"tx", 2, 40, 0, 0},
    {"tqr", 2, 41, fourcc("rght"), 1},
    {"tqc", 2, 41, fourcc("cent"), 1},
    {"tqdec", 2, 41, fourcc("decm"), 1},
    {"tldot", 2, 42, fourcc("DOTS"), 1},
    {"tlhyph", 2, 42, fourcc("HYPH"), 1},
    {"tlul", 2, 42, fourcc("UNDL"), 1},
    {"tlth", 2, 42, fourcc("THKL"), 1},
    {"tleq", 2, 42, fourcc("=   "), 1},
    {"deff", 3, 51, 0, 0},
    {"deflang", 3, 52, 0, 0},
    {"deftab", 3, 53, 720, 0},
    {"notabind", 3, 54, 1, 0},
    {"paperh", 3, 55, 15840, 0},
    {"paperw", 3, 56, 12240, 0},
    {"margt", 3, 57, 1080, 0},
    {"margl", 3, 58, 1080, 0},
    {"margb", 3, 59, 1080, 0},
    {"margr", 3, 60, 1080, 0},
    {"gutter", 3, 61, 0, 0},
    {"pgnstart", 3, 62, 1, 0},
    {"pich", 4, 63, 0, 0},
    {"picw", 4, 64, 0, 0},
    {"pichgoal", 4, 65, 0, 0},
    {"picwgoal", 4, 66, 0, 0},
    {"picscalex", 4, 67, 0, 0},
    {"picscaley", 4, 68, 0, 0},
    {"macpict", 4, 69, 6, 1},
    {"pngblip", 4, 69, 1, 1},
    {"jpegblip", 4, 69, 2, 1},
    {"wmetafile", 4, 69, 3, 1},
    {"dibitmap", 4, 69, 7, 1},
    {"wbitmap", 4, 69, 0, 1},
    {"pmmetafile", 4, 69, 4, 1},
    {"emfblip", 4, 69, 5, 1},
    {"mac", 5, 0, 0, 0},
    {"next", 5, 2817, 0, 0},
    {"ansi", 5, 1280, 0, 0},
    {"pc", 5, 1024, 0, 0},
    {"pca", 5, 1040, 0, 0},
    {"froman", 6, 20, 0, 0},
    {"fswiss", 6, 21, 0, 0},
    {"fmodern", 6, 22, 0, 0},
    {"red", 7, 0, 0, 0},
    {"green", 7, 1, 0, 0},
    {"blue", 7, 2, 0, 0},
    {"bin", 8, 0, 0, 0},
    {"*", 8, 2, 0, 0},
    {"'", 8, 1, 0, 0},
    {nullptr, 0, 0, 0, 0},
};

namespace {

// Byte-wise comparison of keyword texts.
struct KeywordCompare {
  bool operator()(std::string_view a, std::string_view b) const { return a < b; }
};

// The dictionary, built from the table on first use; it lives in the runtime root, so a reset
// leaves nothing of it behind.
struct KeywordDictionary {
  std::map<std::string_view, const RTFParser::KeywordDescription*, KeywordCompare> entries;
  KeywordDictionary() {
    // A keyword met twice takes the later row.
    for (const RTFParser::KeywordDescription* d = RTFParser::cBootstrapTable; d->keyword != nullptr; ++d)
      entries[d->keyword] = d;
  }
  const RTFParser::KeywordDescription* Lookup(const char* keyword) const {
    const auto it = entries.find(keyword);
    return it == entries.end() ? nullptr : it->second;
  }
};

constexpr uint8_t byteclass(int32_t c) {
  if (c >= '0' && c <= '9') return RTFParser::kDigit | RTFParser::kHexDigit;
  if (c >= 'a' && c <= 'f') return RTFParser::kLower | RTFParser::kHexDigit;
  if (c >= 'A' && c <= 'F') return RTFParser::kUpper | RTFParser::kHexDigit;
  if (c >= 'g' && c <= 'z') return RTFParser::kLower;
  if (c >= 'G' && c <= 'Z') return RTFParser::kUpper;
  return 0;
}

struct LanguageRow {
  const char* code;
  const char* suffixes[21];  // ends at the first null; "" appends nothing
};

// Rows 1-121 of the Windows primary language ids, with their region suffixes by sublanguage.
// clang-format off
constexpr LanguageRow kLanguageTable[] = {
    {"ar", {"_SA", "_IQ", "_EG", "_LY", "_DZ", "_MA", "_TN", "_OM", "_YE", "_SY", "_JO", "_LB", "_KW", "_AE", "_BH", "_QA"}},
    {"bg", {}},
    {"ca", {}},
    {"zh", {"_TW", "_CN", "_HK", "_SG", "_MO"}},
    {"cs", {}},
    {"da", {}},
    {"de", {"_DE", "_CH", "_AT", "_LU", "_LI"}},
    {"el", {}},
    {"en", {"_US", "_UK", "_AU", "_CA", "_NZ", "_IE", "_ZA", "_JM", "", "_BZ", "_TT", "_ZW", "_PH", "_ID", "_HK", "_IN", "_MY", "_SG"}},
    {"es", {"_ES", "_MX", "_ES", "_GT", "_CR", "_PA", "_DO", "_VE", "_CO", "_PE", "_AR", "_EC", "_CL", "_UY", "_PY", "_BO", "_SV", "_HN", "_NI", "_PR"}},
    {"fi", {}},
    {"fr", {"_FR", "_BE", "_CA", "_CH", "_LU", "_MC", "", "_RE", "_CG", "_SN", "_CM", "_CI", "_ML", "_MA", "_HT"}},
    {"he", {}},
    {"hu", {}},
    {"is", {}},
    {"it", {"_IT", "_CH"}},
    {"ja", {}},
    {"ko", {}},
    {"nl", {"_NL", "_BE"}},
    {"no", {"-bok_NO", "-nyn_NO"}},
    {"pl", {}},
    {"pt", {"_BR", "_PT"}},
    {"rm", {}},
    {"ro", {"_RO", "_MD"}},
    {"ru", {}},
    {"sh", {"_HR", ".La_YU", ".Cy_YU"}},
    {"sk", {}},
    {"sq", {}},
    {"sv", {"_SE", "_FI"}},
    {"th", {}},
    {"tr", {}},
    {"ur", {}},
    {"id", {}},
    {"uk", {}},
    {"be", {}},
    {"sl", {}},
    {"et", {}},
    {"lv", {}},
    {"lt", {}},
    {"tg", {}},
    {"fa", {}},
    {"vi", {}},
    {"hy", {}},
    {"az", {".La", ".Cy"}},
    {"eu", {}},
    {"wen", {}},
    {"mk", {}},
    {"st", {}},
    {"ts", {}},
    {"tn", {}},
    {"ven", {}},
    {"xh", {}},
    {"zu", {}},
    {"af", {}},
    {"ka", {}},
    {"fo", {}},
    {"hi", {}},
    {"mt", {}},
    {"se", {}},
    {"gv", {}},
    {"yi", {}},
    {"ms", {"_MY", "_BN"}},
    {"kk", {}},
    {"ky", {}},
    {"sw", {}},
    {"tk", {}},
    {"uz", {".La", ".Cy"}},
    {"tt", {}},
    {"bn", {"_IN", "_BD"}},
    {"pa", {"_IN", ".Ar_PK"}},
    {"gu", {}},
    {"or", {}},
    {"ta", {}},
    {"te", {}},
    {"kn", {}},
    {"ml", {}},
    {"as", {}},
    {"mr", {}},
    {"sa", {}},
    {"mn", {".Cy", ".Mn"}},
    {"bo", {}},
    {"cy", {}},
    {"km", {}},
    {"lo", {}},
    {"my", {}},
    {"gl", {}},
    {"kok", {}},
    {"mni", {}},
    {"sd", {"_IN", "_PK"}},
    {"syr", {}},
    {"si", {}},
    {"chr", {}},
    {"iu", {}},
    {"am", {}},
    {"ber", {".Ar", ".La"}},
    {"ks", {}},
    {"ne", {"_NP", "_IN"}},
    {"fy", {}},
    {"ps", {}},
    {"tl", {}},
    {"div", {}},
    {"", {}},
    {"", {}},
    {"ha", {}},
    {"", {}},
    {"yo", {}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"ibo", {}},
    {"kau", {}},
    {"om", {}},
    {"ti", {"_ET", "_ER"}},
    {"gn", {}},
    {"haw", {}},
    {"la", {}},
    {"so", {}},
    {"", {}},
    {"pap", {}},
};
// clang-format on
constexpr int32_t kLanguageTableSize = int32_t(sizeof kLanguageTable / sizeof kLanguageTable[0]);
static_assert(kLanguageTableSize == 121);

}  // namespace

const RTFParser::KeywordDescription* RTFParser::LookupKeyword(const char* keyword) {
  return state<KeywordDictionary>().Lookup(keyword);
}

const uint8_t RTFParser::cCharMap[256] = {
#define KV_ROW(b)                                                                                                   \
  byteclass(b), byteclass(b + 1), byteclass(b + 2), byteclass(b + 3), byteclass(b + 4), byteclass(b + 5),           \
      byteclass(b + 6), byteclass(b + 7), byteclass(b + 8), byteclass(b + 9), byteclass(b + 10), byteclass(b + 11), \
      byteclass(b + 12), byteclass(b + 13), byteclass(b + 14), byteclass(b + 15)
    KV_ROW(0),   KV_ROW(16),  KV_ROW(32),  KV_ROW(48),  KV_ROW(64),  KV_ROW(80),  KV_ROW(96),  KV_ROW(112),
    KV_ROW(128), KV_ROW(144), KV_ROW(160), KV_ROW(176), KV_ROW(192), KV_ROW(208), KV_ROW(224), KV_ROW(240),
#undef KV_ROW
};

// Windows 1252 bytes 0x80-0xFF as Mac Roman; characters Mac Roman lacks become a look-alike or "?".
const uint8_t RTFParser::cWindows1252ToMacRoman[128] = {
    0xDB, 0x3F, 0xE2, 0xC4, 0xE3, 0xC9, 0xA0, 0xE0, 0xF6, 0xE4, 0x3F, 0xDC, 0xCE, 0x3F, 0x3F, 0x3F, 0x3F, 0xD4, 0xD5,
    0xD2, 0xD3, 0xA5, 0xD0, 0xD1, 0xF7, 0xAA, 0x3F, 0xDD, 0xCF, 0x3F, 0x3F, 0xD9, 0xCA, 0xC1, 0xA2, 0xA3, 0x3F, 0xB4,
    0x7C, 0xA4, 0xAC, 0xA9, 0xBB, 0xC7, 0xC2, 0x2D, 0xA8, 0xF8, 0xA1, 0xB1, 0x32, 0x33, 0xAB, 0xB5, 0xA6, 0xE1, 0xFC,
    0x31, 0xBC, 0xC8, 0x3F, 0x3F, 0x3F, 0xC0, 0xCB, 0xE7, 0xE5, 0xCC, 0x80, 0x81, 0xAE, 0x82, 0xE9, 0x83, 0xE6, 0xE8,
    0xED, 0xEA, 0xEB, 0xEC, 0x3F, 0x84, 0xF1, 0xEE, 0xEF, 0xCD, 0x85, 0x2A, 0xAF, 0xF4, 0xF2, 0xF3, 0x86, 0x3F, 0x3F,
    0xA7, 0x88, 0x87, 0x89, 0x8B, 0x8A, 0x8C, 0xBE, 0x8D, 0x8F, 0x8E, 0x90, 0x91, 0x93, 0x92, 0x94, 0x95, 0x3F, 0x96,
    0x98, 0x97, 0x99, 0x9B, 0x9A, 0xD6, 0xBF, 0x9D, 0x9C, 0x9E, 0x9F, 0x79, 0x3F, 0xD8,
};

// NeXTSTEP Latin bytes 0x80-0xFF as Mac Roman.
const uint8_t RTFParser::cNextStepLatinToMacRoman[128] = {
    0xCA, 0xCB, 0xE7, 0xE5, 0xCC, 0x80, 0x81, 0x82, 0xE9, 0x83, 0xE6, 0xE8, 0xED, 0xEA, 0xEB, 0xEC, 0x3F, 0x84, 0xF1,
    0xEE, 0xEF, 0xCD, 0x85, 0xF4, 0xF2, 0xF3, 0x86, 0x3F, 0x3F, 0xB5, 0x2A, 0xD6, 0xA9, 0xC1, 0xA2, 0xA3, 0xDA, 0xB4,
    0xC4, 0xA4, 0x3F, 0xD5, 0xD2, 0xC7, 0xDC, 0xDD, 0x3F, 0x3F, 0xA8, 0xD0, 0xA0, 0xE0, 0xE1, 0x7C, 0xA6, 0xA5, 0xE2,
    0xE3, 0xD3, 0xC8, 0xC9, 0xE4, 0xC2, 0xC0, 0x31, 0x60, 0xAB, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xAC, 0x32, 0xFB, 0xFC,
    0x33, 0xFD, 0xFE, 0xFF, 0xD1, 0xB1, 0x3F, 0x3F, 0x3F, 0x88, 0x87, 0x89, 0x8B, 0x8A, 0x8C, 0x8D, 0x8F, 0x8E, 0x90,
    0x91, 0x93, 0xAE, 0x92, 0xBB, 0x94, 0x95, 0x3F, 0x96, 0x3F, 0xAF, 0xCE, 0xBC, 0x98, 0x97, 0x99, 0x9B, 0x9A, 0xBE,
    0x9D, 0x9C, 0x9E, 0xF5, 0x9F, 0x3F, 0x3F, 0xBF, 0xCF, 0xA7, 0x3F, 0xD8, 0x3F, 0x3F,
};

// The locale string of a Windows language id (low 10 bits the language, the rest the region),
// at most 30 characters; empty for an id outside the table.
void RTFParser::MapWindowsLangIDToMacLocaleString(uint16_t languageId, char* out) {
  out[0] = 0;
  const int32_t primary = languageId & 0x3FF, sub = languageId >> 10;
  if (primary < 1 || primary > kLanguageTableSize) return;
  const LanguageRow& row = kLanguageTable[primary - 1];
  std::strncat(out, row.code, 30);
  if (sub < 1) return;
  for (int32_t k = 0; k < sub; ++k)
    if (row.suffixes[k] == nullptr) return;
  std::strncat(out, row.suffixes[sub - 1], 30 - std::strlen(out));
}

// A locale string as a Windows language id: the leading run of at most three lower-case
// letters names the language (its row, counting from 1), the rest is the region, found in the
// row's list by position (1 when the row has no list or the region is not in it).
uint16_t RTFWriter::MapMacLocaleStringToWindowsLangID(const char* locale) {
  if (std::strlen(locale) < 2) return 0;
  std::size_t n = 0;
  while (n < 3 && locale[n] >= 'a' && locale[n] <= 'z') ++n;
  const std::string language(locale, n);
  const char* region = locale + n;
  for (int32_t primary = 1; primary <= kLanguageTableSize; ++primary) {
    const LanguageRow& row = kLanguageTable[primary - 1];
    if (language != row.code) continue;
    int32_t sub = 1;
    for (int32_t k = 0; k < 21 && row.suffixes[k] != nullptr; ++k) {
      if (std::strcmp(row.suffixes[k], region) == 0) {
        sub = k + 1;
        break;
      }
    }
    return uint16_t(primary | (sub << 10));
  }
  return 0;
}

}  // namespace kv
