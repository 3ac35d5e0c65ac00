// Shared between the files of platform/fonts: the module state, the catalogue records and the
// routines each file offers the others. Not for use outside this folder.
#pragma once

#include <array>
#include <map>
#include <unordered_map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts/fonts.h"

namespace kv::fontdetail {

// Larger glyph images are not made (an empty image is drawn instead): one glyph of a 32767-point
// font would otherwise need a gigabyte.
constexpr i64 maxglyphpixels = i64(4) << 20;
// When the cached glyph images pass this many bytes, all of them are dropped.
constexpr std::size_t glyphcachebudget = std::size_t(48) << 20;
// When this many strikes (font, size, face) are cached, all of them are dropped.
constexpr std::size_t strikecachelimit = 2048;

struct FontFile {
  std::string path;                              // for a font held in memory, a name no file has
  long index = 0;                                // face index within the file (collections, named instances)
  std::shared_ptr<const std::vector<u8>> bytes;  // the font's bytes when held in memory
};

// Style slots of a family's files.
enum StyleSlot { slotregular = 0, slotbold = 1, slotitalic = 2, slotbolditalic = 3 };

// The files of one family; an empty path means that style is made from another file.
struct StyleFiles {
  std::array<FontFile, 4> files;
};

struct Family {
  i16 number = 0;
  std::string name;  // Mac Roman
  bool fixed = false;
  bool ownencoding = false;            // bytes index the font's own encoding (Symbol, Zapf Dingbats)
  i16 resfile = 0;                     // the resource file that brought the family in; 0 for none
  std::vector<StyleFiles> candidates;  // tried in order; the first whose file opens is used
};

// How one (family, face) is drawn: an opened face of the FreeType cache or the built-in font,
// and which styles are made from the drawn shapes instead of coming from a file of their own.
struct Source {
  bool builtin = true;
  int faceid = -1;
  bool ownencoding = false;
  bool synthbold = true;
  bool synthitalic = true;
};

// One font at one size and face: how it is drawn, its metrics and advances (style extras
// included). Glyph images are cached apart from strikes, so that dropping strikes never
// invalidates an image handed out.
struct Strike {
  Source source;
  i16 size = 12;
  u8 face = 0;
  FontMetrics metrics{};
  std::array<i16, 256> advances{};
};

struct FreeTypeLib;  // freetypefont.cpp

struct FontState {
  FontState();
  ~FontState();
  FontState(const FontState&) = delete;
  FontState& operator=(const FontState&) = delete;

  bool builtin = false;
  std::string fileroot;  // test override of where fixed font files are looked for

  // Catalogue: the fixed families first, then (once listed) the installed ones.
  std::vector<Family> families;
  bool fixedmade = false;
  bool listed = false;
  u32 memoryfonts = 0;  // fonts ever read from memory: each gets a name of its own
  // The family of each installed face by the face's PostScript name (once listed).
  std::map<std::string, i16> postscriptnames;

  std::vector<std::string> notes;

  // Cached strikes by (font, size, face); glyph images by (strike, mono, character).
  std::unordered_map<u64, std::unique_ptr<Strike>> strikes;
  std::unordered_map<u64, std::unique_ptr<Glyph>> glyphs;
  std::size_t glyphbytes = 0;

  std::unique_ptr<FreeTypeLib> ft;
};

FontState& fontstate();
void addnote(FontState& s, std::string note);

// ASCII case folding, as family names are compared.
std::string foldname(std::string_view macroman);

// The Mac set of the text in a font number of the Arabic or Hebrew script (their encodings);
// 0 (Mac Roman) for every other number.
u32 scriptset(i16 number);

// --- fontcatalog.cpp
// Whether an installed scalable font covers a language (an RFC 3066 tag: "he", "ar").
bool fontcoverslanguage(const char* lang);
void makefixedfamilies(FontState& s);
void listinstalledfamilies(FontState& s);  // fontconfig
const Family* findfamily(FontState& s, i16 number);
Source resolvesource(FontState& s, i16 number, u8 face);
// The number a font number stands for: 0 stays the system font, 1 and unknown numbers become
// the application font's family.
i16 resolvefontnumber(FontState& s, i16 number);

// --- freetypefont.cpp
// macset: the Mac set whose bytes the face's characters are (0 Mac Roman; see scriptset).
int openfontfile(FontState& s, const FontFile& file, bool ownencoding, u32 macset = 0);
// Closes the faces opened from fonts held in these bytes; their slots are never used again.
void closememoryfaces(FontState& s, const std::vector<u8>* bytes);
// Drops every cached strike and glyph image (a family went away).
void dropfontcaches(FontState& s);
FontMetrics ftmetrics(FontState& s, int faceid, i16 size);
void ftadvances(FontState& s, int faceid, i16 size, std::array<i16, 256>& out);
Glyph ftglyph(FontState& s, int faceid, i16 size, bool slant, u8 c, bool mono);
Glyph ftglyphindex(FontState& s, int faceid, i16 size, bool slant, u32 index, bool mono);
// The glyphs HarfBuzz shapes for Arabic text in the face (see shapedglyphs).
std::vector<u32> ftshapearabic(FontState& s, int faceid, i16 size, const u8* text, i32 length);

// --- builtinfont.cpp
FontMetrics builtinmetrics(i16 size);
i16 builtinadvance(i16 size, u8 c);
Glyph builtinglyph(i16 size, u8 c, bool mono);

// --- glyphstyle.cpp
// Shears the image right by one pixel per four rows above the baseline (left below it).
void slantglyph(Glyph& g);
// Smears the image one pixel to the right: the image grows by one column.
void smearglyph(Glyph& g);
// Replaces the image by a one-pixel border around its ink; with shadow the border is two pixels
// thick below and right of it.
void outlineglyph(Glyph& g, bool shadow);
// The advance change the synthesized styles of `face` bring.
int styleextra(u8 face, bool synthbold);

}  // namespace kv::fontdetail
