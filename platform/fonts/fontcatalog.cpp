// The font catalogue: the fixed table of classic font numbers and names with the font files
// that stand for them, the other families installed on the machine (listed through fontconfig,
// numbered by a hash of their name), the families a resource file carries while it is open,
// and the name and number look-ups over all of them.
//
// The fixed families draw from files at fixed paths of Debian font packages (scripts/
// packages.txt installs them). The classic screen fonts take the DejaVu families, the classic
// PostScript families their URW clones, and the names of common Windows families Liberation's
// metric-compatible ones. When a family's first choice is missing the next one is used, then
// the application font's files, then the built-in metrics font, each time with a note.
//
// Installed families are listed from the system's font folders alone: fontconfig runs on a
// configuration of our own (the system font folders and cache), never on the user's
// configuration, the FONTCONFIG_FILE or FONTCONFIG_SYSROOT settings or the user's font folders.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "platform/fonts/fontsinternal.h"
#include "platform/resources/resources.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/text/macroman.h"

namespace kv {
namespace fontdetail {
namespace {

constexpr i16 firsthashed = 1024;
constexpr i16 lasthashed = 15871;

}  // namespace
}  // namespace fontdetail

i16 hashedfontnumber(std::string_view macromanname) {
  u32 h = 2166136261u;  // FNV-1a
  for (char c : fontdetail::foldname(macromanname)) {
    h ^= u8(c);
    h *= 16777619u;
  }
  return i16(fontdetail::firsthashed + h % u32(fontdetail::lasthashed - fontdetail::firsthashed + 1));
}

namespace fontdetail {
namespace {

struct FixedFiles {
  const char* regular;
  const char* bold;  // nullptr: made from the regular shapes
  const char* italic;
  const char* bolditalic;
};

constexpr i16 hashed = -1;  // a fixed family numbered by the hash of its name

struct FixedFamily {
  i16 number;
  const char* name;
  bool ownencoding;
  FixedFiles files[3];  // first choice, then fallbacks (regular nullptr: none)
};

#define DEJAVU "/usr/share/fonts/truetype/dejavu/"
#define LIBERATION "/usr/share/fonts/truetype/liberation2/"
#define FREEFONT "/usr/share/fonts/truetype/freefont/"
#define URW "/usr/share/fonts/opentype/urw-base35/"
#define URWT1 "/usr/share/fonts/type1/urw-base35/"  // Type 1: their own encodings built in

constexpr FixedFamily kFixed[] = {
    {0,
     "Chicago",
     false,  // the system font: a heavy sans serif like the classic one
     {{DEJAVU "DejaVuSans-Bold.ttf", nullptr, DEJAVU "DejaVuSans-BoldOblique.ttf", nullptr},
      {LIBERATION "LiberationSans-Bold.ttf", nullptr, LIBERATION "LiberationSans-BoldItalic.ttf", nullptr},
      {FREEFONT "FreeSansBold.ttf", nullptr, FREEFONT "FreeSansBoldOblique.ttf", nullptr}}},
    {2,
     "New York",
     false,
     {{DEJAVU "DejaVuSerif.ttf", DEJAVU "DejaVuSerif-Bold.ttf", DEJAVU "DejaVuSerif-Italic.ttf",
       DEJAVU "DejaVuSerif-BoldItalic.ttf"},
      {LIBERATION "LiberationSerif-Regular.ttf", LIBERATION "LiberationSerif-Bold.ttf",
       LIBERATION "LiberationSerif-Italic.ttf", LIBERATION "LiberationSerif-BoldItalic.ttf"},
      {FREEFONT "FreeSerif.ttf", FREEFONT "FreeSerifBold.ttf", FREEFONT "FreeSerifItalic.ttf",
       FREEFONT "FreeSerifBoldItalic.ttf"}}},
    {3,
     "Geneva",
     false,
     {{DEJAVU "DejaVuSans.ttf", DEJAVU "DejaVuSans-Bold.ttf", DEJAVU "DejaVuSans-Oblique.ttf",
       DEJAVU "DejaVuSans-BoldOblique.ttf"},
      {LIBERATION "LiberationSans-Regular.ttf", LIBERATION "LiberationSans-Bold.ttf",
       LIBERATION "LiberationSans-Italic.ttf", LIBERATION "LiberationSans-BoldItalic.ttf"},
      {FREEFONT "FreeSans.ttf", FREEFONT "FreeSansBold.ttf", FREEFONT "FreeSansOblique.ttf",
       FREEFONT "FreeSansBoldOblique.ttf"}}},
    {4,
     "Monaco",
     false,
     {{DEJAVU "DejaVuSansMono.ttf", DEJAVU "DejaVuSansMono-Bold.ttf", DEJAVU "DejaVuSansMono-Oblique.ttf",
       DEJAVU "DejaVuSansMono-BoldOblique.ttf"},
      {LIBERATION "LiberationMono-Regular.ttf", LIBERATION "LiberationMono-Bold.ttf",
       LIBERATION "LiberationMono-Italic.ttf", LIBERATION "LiberationMono-BoldItalic.ttf"},
      {FREEFONT "FreeMono.ttf", FREEFONT "FreeMonoBold.ttf", FREEFONT "FreeMonoOblique.ttf",
       FREEFONT "FreeMonoBoldOblique.ttf"}}},
    {13, "Zapf Dingbats", true, {{URWT1 "D050000L.t1", nullptr, nullptr, nullptr}}},
    {16,
     "Palatino",
     false,
     {{URW "P052-Roman.otf", URW "P052-Bold.otf", URW "P052-Italic.otf", URW "P052-BoldItalic.otf"},
      {DEJAVU "DejaVuSerif.ttf", DEJAVU "DejaVuSerif-Bold.ttf", DEJAVU "DejaVuSerif-Italic.ttf",
       DEJAVU "DejaVuSerif-BoldItalic.ttf"}}},
    {18,
     "Zapf Chancery",
     false,  // an italic face by nature: its regular file is the italic one
     {{URW "Z003-MediumItalic.otf", nullptr, nullptr, nullptr},
      {FREEFONT "FreeSerifItalic.ttf", FREEFONT "FreeSerifBoldItalic.ttf", nullptr, nullptr}}},
    {20,
     "Times",
     false,
     {{URW "NimbusRoman-Regular.otf", URW "NimbusRoman-Bold.otf", URW "NimbusRoman-Italic.otf",
       URW "NimbusRoman-BoldItalic.otf"},
      {FREEFONT "FreeSerif.ttf", FREEFONT "FreeSerifBold.ttf", FREEFONT "FreeSerifItalic.ttf",
       FREEFONT "FreeSerifBoldItalic.ttf"},
      {LIBERATION "LiberationSerif-Regular.ttf", LIBERATION "LiberationSerif-Bold.ttf",
       LIBERATION "LiberationSerif-Italic.ttf", LIBERATION "LiberationSerif-BoldItalic.ttf"}}},
    {21,
     "Helvetica",
     false,
     {{URW "NimbusSans-Regular.otf", URW "NimbusSans-Bold.otf", URW "NimbusSans-Italic.otf",
       URW "NimbusSans-BoldItalic.otf"},
      {FREEFONT "FreeSans.ttf", FREEFONT "FreeSansBold.ttf", FREEFONT "FreeSansOblique.ttf",
       FREEFONT "FreeSansBoldOblique.ttf"},
      {LIBERATION "LiberationSans-Regular.ttf", LIBERATION "LiberationSans-Bold.ttf",
       LIBERATION "LiberationSans-Italic.ttf", LIBERATION "LiberationSans-BoldItalic.ttf"}}},
    {22,
     "Courier",
     false,
     {{URW "NimbusMonoPS-Regular.otf", URW "NimbusMonoPS-Bold.otf", URW "NimbusMonoPS-Italic.otf",
       URW "NimbusMonoPS-BoldItalic.otf"},
      {FREEFONT "FreeMono.ttf", FREEFONT "FreeMonoBold.ttf", FREEFONT "FreeMonoOblique.ttf",
       FREEFONT "FreeMonoBoldOblique.ttf"},
      {LIBERATION "LiberationMono-Regular.ttf", LIBERATION "LiberationMono-Bold.ttf",
       LIBERATION "LiberationMono-Italic.ttf", LIBERATION "LiberationMono-BoldItalic.ttf"}}},
    {23, "Symbol", true, {{URWT1 "StandardSymbolsPS.t1", nullptr, nullptr, nullptr}}},
    {hashed,
     "Arial",
     false,
     {{LIBERATION "LiberationSans-Regular.ttf", LIBERATION "LiberationSans-Bold.ttf",
       LIBERATION "LiberationSans-Italic.ttf", LIBERATION "LiberationSans-BoldItalic.ttf"}}},
    {hashed,
     "Times New Roman",
     false,
     {{LIBERATION "LiberationSerif-Regular.ttf", LIBERATION "LiberationSerif-Bold.ttf",
       LIBERATION "LiberationSerif-Italic.ttf", LIBERATION "LiberationSerif-BoldItalic.ttf"}}},
    {hashed,
     "Courier New",
     false,
     {{LIBERATION "LiberationMono-Regular.ttf", LIBERATION "LiberationMono-Bold.ttf",
       LIBERATION "LiberationMono-Italic.ttf", LIBERATION "LiberationMono-BoldItalic.ttf"}}},
};

#undef DEJAVU
#undef LIBERATION
#undef FREEFONT
#undef URW
#undef URWT1

constexpr i16 genevanumber = 3;
constexpr i16 symbolnumber = 23;

std::string fixedpath(const FontState& s, const char* path) {
  if (path == nullptr) return {};
  return s.fileroot.empty() ? std::string(path) : s.fileroot + path;
}

// Takes the lowest free number from `wanted` upward, wrapping within the hashed range.
i16 takenumber(std::set<i16>& taken, i16 wanted) {
  i16 n = wanted;
  for (int tries = 0; tries <= lasthashed - firsthashed; ++tries) {
    if (taken.insert(n).second) return n;
    n = n == lasthashed ? firsthashed : i16(n + 1);
  }
  return 0;  // every number taken: the family is not listed
}

std::set<i16> takennumbers(const FontState& s) {
  std::set<i16> taken;
  for (const Family& f : s.families) taken.insert(f.number);
  return taken;
}

// --- fontconfig listing

struct Listed {
  std::string name;        // Mac Roman
  std::string postscript;  // the face's PostScript name, when it has one
  FontFile file;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  int width = FC_WIDTH_NORMAL;
};

// Ranks a file for a style slot; lower is better, -1 when it cannot serve the slot.
long rankfor(const Listed& l, int slot) {
  bool wantbold = slot == slotbold || slot == slotbolditalic;
  bool wantitalic = slot == slotitalic || slot == slotbolditalic;
  bool isbold = l.weight >= FC_WEIGHT_DEMIBOLD;
  bool isitalic = l.slant != FC_SLANT_ROMAN;
  if (slot != slotregular && (isbold != wantbold || isitalic != wantitalic)) return -1;
  long rank = 0;
  if (slot == slotregular) rank += (isitalic ? 1000000 : 0);
  rank += std::abs(l.width - FC_WIDTH_NORMAL) * 1000;
  rank += std::abs(l.weight - (wantbold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR));
  return rank;
}

bool betterfile(const Listed& a, long ra, const Listed& b, long rb) {
  if (ra != rb) return ra < rb;
  if (a.file.path != b.file.path) return a.file.path < b.file.path;
  return a.file.index < b.file.index;
}

// Our own fontconfig configuration: the system font folders and cache (none when it cannot
// be made). The caller destroys it.
FcConfig* ourconfig() {
  FcConfig* config = FcConfigCreate();
  if (config == nullptr) return nullptr;
  FcConfigSetSysRoot(config, nullptr);  // FONTCONFIG_SYSROOT does not move the font folders
  static constexpr char kConfig[] =
      "<?xml version=\"1.0\"?><fontconfig>"
      "<dir>/usr/share/fonts</dir><dir>/usr/local/share/fonts</dir>"
      "<cachedir>/var/cache/fontconfig</cachedir>"
      "</fontconfig>";
  if (FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kConfig), FcFalse) &&
      FcConfigBuildFonts(config))
    return config;
  FcConfigDestroy(config);
  return nullptr;
}

std::vector<Listed> fontconfigfiles() {
  std::vector<Listed> out;
  FcConfig* config = ourconfig();
  if (config != nullptr) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_VARIABLE,
                                            FC_POSTSCRIPT_NAME, static_cast<char*>(nullptr));
    FcFontSet* set = FcFontList(config, pattern, objects);
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
      FcPattern* p = set->fonts[i];
      FcChar8* family = nullptr;
      FcChar8* file = nullptr;
      FcBool variable = FcFalse;
      if (FcPatternGetString(p, FC_FAMILY, 0, &family) != FcResultMatch ||
          FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch)
        continue;
      if (FcPatternGetBool(p, FC_VARIABLE, 0, &variable) == FcResultMatch && variable) continue;
      Listed l;
      bool lossy = false;
      l.name = utf8tomacroman(reinterpret_cast<const char*>(family), '?', &lossy);
      if (lossy || l.name.empty() || l.name.size() > 255 || l.name[0] == '.') continue;
      l.file.path = reinterpret_cast<const char*>(file);
      FcChar8* postscript = nullptr;
      if (FcPatternGetString(p, FC_POSTSCRIPT_NAME, 0, &postscript) == FcResultMatch)
        l.postscript = reinterpret_cast<const char*>(postscript);
      int index = 0;
      if (FcPatternGetInteger(p, FC_INDEX, 0, &index) == FcResultMatch) l.file.index = index;
      FcPatternGetInteger(p, FC_WEIGHT, 0, &l.weight);
      FcPatternGetInteger(p, FC_SLANT, 0, &l.slant);
      FcPatternGetInteger(p, FC_WIDTH, 0, &l.width);
      out.push_back(std::move(l));
    }
    if (set != nullptr) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
  }
  return out;
}

}  // namespace

bool fontcoverslanguage(const char* lang) {
  FcConfig* config = ourconfig();
  if (config == nullptr) return false;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcLangSet* langs = FcLangSetCreate();
  FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>(lang));
  FcPatternAddLangSet(pattern, FC_LANG, langs);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
  FcFontSet* set = FcFontList(config, pattern, objects);
  const bool found = set != nullptr && set->nfont > 0;
  if (set != nullptr) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcLangSetDestroy(langs);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  return found;
}

void makefixedfamilies(FontState& s) {
  if (s.fixedmade) return;
  s.fixedmade = true;
  s.families.clear();
  s.listed = false;
  s.postscriptnames.clear();
  std::set<i16> taken;
  for (const FixedFamily& ff : kFixed)
    if (ff.number != hashed) taken.insert(ff.number);
  for (const FixedFamily& ff : kFixed) {
    Family f;
    f.name = ff.name;
    f.number = ff.number == hashed ? takenumber(taken, hashedfontnumber(ff.name)) : ff.number;
    f.fixed = true;
    f.ownencoding = ff.ownencoding;
    for (const FixedFiles& files : ff.files) {
      if (files.regular == nullptr) continue;
      StyleFiles sf;
      sf.files[slotregular].path = fixedpath(s, files.regular);
      sf.files[slotbold].path = fixedpath(s, files.bold);
      sf.files[slotitalic].path = fixedpath(s, files.italic);
      sf.files[slotbolditalic].path = fixedpath(s, files.bolditalic);
      f.candidates.push_back(std::move(sf));
    }
    s.families.push_back(std::move(f));
  }
}

void listinstalledfamilies(FontState& s) {
  makefixedfamilies(s);
  if (s.listed || s.builtin) return;
  s.listed = true;
  std::vector<Listed> files = fontconfigfiles();

  // Group by folded name; a family named like a fixed one is the fixed one.
  std::map<std::string, std::vector<const Listed*>> byname;
  for (const Listed& l : files) byname[foldname(l.name)].push_back(&l);
  std::set<i16> taken = takennumbers(s);
  for (auto& [key, members] : byname) {
    const std::string& folded = key;  // a lambda takes a reference, not a structured binding
    const auto fixed = std::find_if(s.families.begin(), s.families.end(),
                                    [&](const Family& f) { return f.fixed && foldname(f.name) == folded; });
    if (fixed != s.families.end()) {
      for (const Listed* l : members)
        if (!l->postscript.empty()) s.postscriptnames.emplace(l->postscript, fixed->number);
      continue;
    }
    Family f;
    f.name = members.front()->name;
    StyleFiles sf;
    for (int slot = 0; slot < 4; ++slot) {
      const Listed* best = nullptr;
      long bestrank = -1;
      for (const Listed* l : members) {
        long r = rankfor(*l, slot);
        if (r < 0) continue;
        if (best == nullptr || betterfile(*l, r, *best, bestrank)) {
          best = l;
          bestrank = r;
        }
      }
      if (best != nullptr) sf.files[std::size_t(slot)] = best->file;
    }
    f.number = takenumber(taken, hashedfontnumber(f.name));
    if (f.number == 0) continue;
    for (const Listed* l : members)
      if (!l->postscript.empty()) s.postscriptnames.emplace(l->postscript, f.number);
    f.candidates.push_back(std::move(sf));
    s.families.push_back(std::move(f));
  }
}

// With the built-in metrics font only the fixed families exist, so that the catalogue is the
// same on every machine too.
// A resource file's families are the same on every machine and are listed with it.
bool visible(const FontState& s, const Family& f) { return f.fixed || f.resfile != 0 || !s.builtin; }

const Family* findfamily(FontState& s, i16 number) {
  makefixedfamilies(s);
  if (number == applFont) number = genevanumber;
  for (const Family& f : s.families)
    if (f.number == number && visible(s, f)) return &f;
  if (number >= firsthashed && number <= lasthashed && !s.listed && !s.builtin) {
    listinstalledfamilies(s);
    for (const Family& f : s.families)
      if (f.number == number) return &f;
  }
  return nullptr;
}

u32 scriptset(i16 number) {
  const i16 script = FontToScript(number);
  return script == smArabic ? u32(kTextEncodingMacArabic) : script == smHebrew ? u32(kTextEncodingMacHebrew) : 0u;
}

i16 resolvefontnumber(FontState& s, i16 number) {
  if (number == systemFont) return systemFont;
  // A number of the Arabic or Hebrew script stays itself: its text is in the script's set,
  // drawn with the application font's files when no family of the script has that number.
  if (scriptset(number) != 0 && findfamily(s, number) == nullptr) return number;
  const Family* f = findfamily(s, number);
  return f != nullptr ? f->number : genevanumber;
}

namespace {

bool fileexists(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

// Opens the file for a face from one candidate's files: the exact style when the family has
// it, else the nearest one with the missing styles made from its shapes.
bool openstyle(FontState& s, const StyleFiles& sf, bool ownencoding, u8 face, Source* out, u32 macset = 0) {
  bool bold = face & facebold, italic = face & faceitalic;
  struct Try {
    StyleSlot slot;
    bool synthbold, synthitalic;
  };
  std::vector<Try> order;
  if (bold && italic) order.push_back({slotbolditalic, false, false});
  if (bold) order.push_back({slotbold, false, italic});
  if (italic) order.push_back({slotitalic, bold, false});
  order.push_back({slotregular, bold, italic});
  for (const Try& t : order) {
    const FontFile& file = sf.files[t.slot];
    if (file.path.empty()) continue;
    int id = openfontfile(s, file, ownencoding, macset);
    if (id < 0) continue;
    out->builtin = false;
    out->faceid = id;
    out->ownencoding = ownencoding;
    out->synthbold = t.synthbold;
    out->synthitalic = t.synthitalic;
    return true;
  }
  return false;
}

}  // namespace

Source resolvesource(FontState& s, i16 number, u8 face) {
  Source src;
  if (s.builtin) return src;
  const u32 macset = scriptset(number);
  const Family* fam = findfamily(s, number);
  if (fam == nullptr) fam = findfamily(s, genevanumber);
  if (fam == nullptr) return src;
  const std::string name = macromantoutf8(fam->name);
  for (std::size_t i = 0; i < fam->candidates.size(); ++i) {
    const StyleFiles& sf = fam->candidates[i];
    if (!openstyle(s, sf, fam->ownencoding, face, &src, macset)) continue;
    if (i > 0) {
      const std::string& first = fam->candidates[0].files[slotregular].path;
      addnote(s, "font \"" + name + "\": " + first + (fileexists(first) ? " cannot be read" : " is missing") +
                     "; using " + sf.files[slotregular].path + " instead");
    }
    return src;
  }
  const Family* geneva = fam->number != genevanumber ? findfamily(s, genevanumber) : nullptr;
  if (geneva != nullptr) {
    for (const StyleFiles& sf : geneva->candidates) {
      if (!openstyle(s, sf, false, face, &src, macset)) continue;
      addnote(s, "font \"" + name + "\": none of its font files can be read; using " + sf.files[slotregular].path +
                     " instead");
      return src;
    }
  }
  addnote(s, "font \"" + name + "\": none of its font files can be read; using the built-in metrics font");
  return Source{};
}

// --- Families carried by a resource file

namespace {

constexpr ResType kFamilyType = 0x464F4E44;   // 'FOND'
constexpr ResType kOutlineType = 0x73666E74;  // 'sfnt'
constexpr std::size_t kAssocAt = 52;          // the font association table of a 'FOND'

u16 be16(const std::vector<u8>& b, std::size_t at) { return u16((b[at] << 8) | b[at + 1]); }

// The outline fonts of a family record by style slot (-1 for none): the association entries of
// size 0 name 'sfnt' resources, the first for each style counting; bitmap entries (any other
// size) are not used. A table whose count runs past the record's end gives nothing.
std::array<i32, 4> outlineids(const std::vector<u8>& fond) {
  std::array<i32, 4> ids{-1, -1, -1, -1};
  if (fond.size() < kAssocAt + 2 || i16(be16(fond, kAssocAt)) < 0) return ids;
  const std::size_t count = std::size_t(be16(fond, kAssocAt)) + 1;
  if (kAssocAt + 2 + count * 6 > fond.size()) return ids;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kAssocAt + 2 + i * 6;
    const u16 style = be16(fond, at + 2);
    if (be16(fond, at) != 0 || (style & ~u16(facebold | faceitalic)) != 0) continue;
    const std::size_t slot = ((style & facebold) != 0 ? std::size_t(slotbold) : 0) |
                             ((style & faceitalic) != 0 ? std::size_t(slotitalic) : 0);
    if (ids[slot] < 0) ids[slot] = i16(be16(fond, at + 4));
  }
  return ids;
}

}  // namespace

}  // namespace fontdetail

using namespace fontdetail;

i16 FMGetFontFamilyFromName(ConstStringPtr name) {
  if (name == nullptr || name[0] == 0) return kInvalidFontFamily;
  std::string folded = foldname(std::string_view(reinterpret_cast<const char*>(name + 1), name[0]));
  FontState& s = fontstate();
  makefixedfamilies(s);
  for (int pass = 0; pass < 2; ++pass) {
    for (const Family& f : s.families)
      if (visible(s, f) && foldname(f.name) == folded) return f.number;
    if (s.listed || s.builtin) break;
    listinstalledfamilies(s);
  }
  return kInvalidFontFamily;
}

i16 FMGetFontFamilyFromPostScriptName(ConstStringPtr name) {
  if (name == nullptr || name[0] == 0) return kInvalidFontFamily;
  FontState& s = fontstate();
  if (s.builtin) return kInvalidFontFamily;
  listinstalledfamilies(s);
  const auto it = s.postscriptnames.find(std::string(reinterpret_cast<const char*>(name + 1), name[0]));
  return it == s.postscriptnames.end() ? kInvalidFontFamily : it->second;
}

i16 GetFNum(ConstStringPtr name) {
  i16 n = FMGetFontFamilyFromName(name);
  return n == kInvalidFontFamily ? 0 : n;
}

OSStatus FMGetFontFamilyName(i16 family, Str255 name) {
  name[0] = 0;
  const Family* f = findfamily(fontstate(), family);
  if (f == nullptr) return kFMInvalidFontFamilyErr;
  std::size_t n = std::min<std::size_t>(f->name.size(), 255);
  name[0] = u8(n);
  std::memcpy(name + 1, f->name.data(), n);
  return noErr;
}

void GetFontName(i16 num, Str255 name) { FMGetFontFamilyName(num, name); }

OSStatus FMGetFontFamilyTextEncoding(i16 family, TextEncoding* encoding) {
  const Family* f = findfamily(fontstate(), family);
  if (f == nullptr) return kFMInvalidFontFamilyErr;
  if (encoding) {
    *encoding = scriptset(family) != 0 ? scriptset(family) : kTextEncodingMacRoman;
    if (f->ownencoding) *encoding = f->number == symbolnumber ? kTextEncodingMacSymbol : kTextEncodingMacDingbats;
  }
  return noErr;
}

i16 GetSysFont() { return systemFont; }
i16 GetAppFont() { return genevanumber; }

bool RealFont(i16 num, i16 size) { return size > 0 && findfamily(fontstate(), num) != nullptr; }

std::vector<FontFamily> fontfamilies() {
  FontState& s = fontstate();
  listinstalledfamilies(s);
  std::vector<FontFamily> out;
  for (const Family& f : s.families)
    if (visible(s, f)) out.push_back({f.number, f.name});
  std::sort(out.begin(), out.end(), [](const FontFamily& a, const FontFamily& b) {
    std::string fa = foldname(a.name), fb = foldname(b.name);
    return fa != fb ? fa < fb : a.number < b.number;
  });
  return out;
}

OSStatus FMActivateFonts(i16 resfile) {
  FontState& s = fontstate();
  makefixedfamilies(s);
  FMDeactivateFonts(resfile);
  // Installed families are numbered first, so their numbers do not depend on what was opened.
  if (!s.builtin) listinstalledfamilies(s);
  const std::vector<ResourceItem> outlines = fileresources(resfile, kOutlineType);
  std::set<i16> taken = takennumbers(s);
  for (const ResourceItem& fond : fileresources(resfile, kFamilyType)) {
    const std::array<i32, 4> ids = outlineids(fond.data);
    if (fond.name.empty()) continue;
    Family f;
    f.name = fond.name;
    f.resfile = resfile;
    StyleFiles sf;
    for (std::size_t slot = 0; slot < 4; ++slot) {
      const auto found = std::find_if(outlines.begin(), outlines.end(),
                                      [&](const ResourceItem& r) { return ids[slot] >= 0 && r.id == ids[slot]; });
      if (found == outlines.end()) continue;
      FontFile file;
      file.path = "(font " + std::to_string(++s.memoryfonts) + " of resource file " + std::to_string(resfile) + ")";
      file.bytes = std::make_shared<const std::vector<u8>>(found->data);
      if (openfontfile(s, file, false) < 0) {
        closememoryfaces(s, file.bytes.get());
        continue;
      }
      sf.files[slot] = std::move(file);
    }
    // A family without a plain outline draws its plain face from the first one it has.
    if (sf.files[slotregular].path.empty())
      for (const FontFile& file : sf.files)
        if (!file.path.empty()) {
          sf.files[slotregular] = file;
          break;
        }
    if (sf.files[slotregular].path.empty()) continue;
    f.number = fond.id > applFont && taken.insert(fond.id).second ? fond.id
                                                                  : takenumber(taken, hashedfontnumber(f.name));
    if (f.number == 0) continue;
    f.candidates.push_back(std::move(sf));
    s.families.push_back(std::move(f));
  }
  return noErr;
}

OSStatus FMDeactivateFonts(i16 resfile) {
  FontState& s = fontstate();
  const auto gone = [&](const Family& f) { return resfile != 0 && f.resfile == resfile; };
  if (std::none_of(s.families.begin(), s.families.end(), gone)) return noErr;
  for (const Family& f : s.families)
    if (gone(f))
      for (const StyleFiles& sf : f.candidates)
        for (const FontFile& file : sf.files) closememoryfaces(s, file.bytes.get());
  s.families.erase(std::remove_if(s.families.begin(), s.families.end(), gone), s.families.end());
  dropfontcaches(s);
  return noErr;
}

}  // namespace kv
