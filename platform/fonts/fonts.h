// Fonts of the drawing layer: the font catalogue (numbers, names, families), metrics, advances
// and glyph images.
//
// The classic font numbers and names map to font files at fixed paths of Debian font packages;
// other families installed on the machine are listed through fontconfig (never through the
// user's fontconfig configuration) and numbered by a hash of their name into 1024-15871.
// Advances are FreeType's unhinted advances rounded per glyph, with no kerning or shaping.
// Text is Mac Roman bytes throughout. With the built-in metrics font switched on, every font
// measures and draws with one fixed table of integer widths and simple box glyphs, so layout is
// the same on every machine (tests switch it on).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/text/textencodings.h"
#include "platform/types.h"

namespace kv {

// Font numbers with a meaning of their own.
constexpr i16 systemFont = 0;  // "Chicago"
constexpr i16 applFont = 1;    // the application font: Geneva

// The real family numbers behind the two designators: the system font (0) and the
// application font (Geneva, 3).
i16 GetSysFont();
i16 GetAppFont();

// Face bits (the style byte of a text style).
enum FaceBit : u8 {
  facebold = 1,
  faceitalic = 2,
  faceunderline = 4,  // drawn by the caller; changes neither glyphs nor advances
  faceoutline = 8,
  faceshadow = 16,
  facecondense = 32,
  faceextend = 64,
};

// A font as text is drawn in it. Size 0 (or less) means 12; font 0 is the system font, font 1
// the application font, and a number naming no family is drawn in the application font.
struct FontKey {
  i16 font;
  i16 size;
  u8 face;
};

// Line metrics in pixels (one point is one pixel). widmax is the widest advance, style
// extras included.
struct FontMetrics {
  i16 ascent, descent, leading, widmax;
};

FontMetrics fontmetrics(const FontKey& key);

// The integer advance of one Mac Roman character, style extras included (never negative).
i16 charadvance(const FontKey& key, u8 macromanchar);

// The sum of the advances of a run of Mac Roman text (no kerning).
i32 textadvance(const FontKey& key, const u8* text, i32 length);

// A glyph image: width x height bytes, row by row, each the pixel's coverage 0-255 (0 or 255
// only when mono). The image's top-left pixel lies `left` pixels right of the pen and `top`
// pixels above the baseline. Space and characters without ink have an empty image.
struct Glyph {
  i16 left, top, width, height;
  bool mono;
  std::vector<u8> bits;
};

// The glyph of a Mac Roman character in a font, from the cache. `mono` asks for the 1-bit form
// used by the Boolean transfer modes. The reference stays valid until the next call of
// glyph(), usebuiltinmetricsfont() or resetruntime(): draw it before asking for the next one.
const Glyph& glyph(const FontKey& key, u8 macromanchar, bool mono);

// Arabic is drawn in its joined forms: for a run of text in a font of the Arabic script, the
// glyph HarfBuzz shapes for each byte (the run shaped right to left) as a glyph number of the
// font's face; kNoGlyph for a byte joined into the glyph of another (the alef of lam-alef),
// kNominalGlyph where the byte's own glyph stands. Empty (every byte its own glyph) with the
// built-in metrics font and outside the Arabic script. Advances stay the bytes' own.
constexpr u32 kNominalGlyph = 0, kNoGlyph = 0xFFFFFFFF;
std::vector<u32> shapedglyphs(const FontKey& key, const u8* text, i32 length);
// The image of a glyph of the font's face by its number (as shapedglyphs gives it); valid as
// glyph()'s is.
const Glyph& glyphbyindex(const FontKey& key, u32 index, bool mono);

// Switches every font to the built-in metrics font (on) or back to the real fonts (off).
void usebuiltinmetricsfont(bool on);
bool builtinmetricsfontinuse();

// The family number of a font name (case-insensitive); 0 when no family has that name.
i16 GetFNum(ConstStringPtr name);
// The name of a family; empty when the number names no family. Font 1 gives the application
// font's name.
void GetFontName(i16 num, Str255 name);
// True when the family exists; every family here is scalable, so any size from 1 up is real.
bool RealFont(i16 num, i16 size);

// The family of a name, or -1 (kInvalidFontFamily) when no family has it; unlike GetFNum this
// tells an unknown name from the system font's.
constexpr i16 kInvalidFontFamily = -1;
i16 FMGetFontFamilyFromName(ConstStringPtr name);
// The family of an installed face by the face's PostScript name (exact, as the font gives it),
// or kInvalidFontFamily; none with the built-in metrics font.
i16 FMGetFontFamilyFromPostScriptName(ConstStringPtr name);
// The name of a family: 0, or kFMInvalidFontFamilyErr with an empty name.
constexpr OSStatus kFMInvalidFontFamilyErr = -985;
OSStatus FMGetFontFamilyName(i16 family, Str255 name);
// The character set a family's bytes index: Symbol and Zapf Dingbats their own, every other
// family Mac Roman. kFMInvalidFontFamilyErr for a number that names no family.
OSStatus FMGetFontFamilyTextEncoding(i16 family, TextEncoding* encoding);

// One family of the font menu: its number and its name in Mac Roman.
struct FontFamily {
  i16 number;
  std::string name;
};
// Every family, sorted by name (case-insensitive): the fixed classic families (the application
// font alias 1 is not listed separately) and, unless the built-in metrics font is in use, the
// other families installed on the machine.
std::vector<FontFamily> fontfamilies();

// The number a family that is not in the fixed table gets from its name before collisions are
// resolved: 1024 + (hash of the case-folded name) mod 14848. A collision takes the next free
// number upward (wrapping within 1024-15871), in the order of the sorted names.
i16 hashedfontnumber(std::string_view macromanname);

// Notes about font files that were missing or unreadable and what was used instead. Each is
// also written to standard error once when it is made.
std::vector<std::string> fontnotes();

// The font families a resource file carries ('FOND' records with 'sfnt' outlines, read from
// memory) join the catalogue under their record names, numbered by their record ids unless
// that number is taken (then as `hashedfontnumber` numbers). Bitmap-only families and outlines
// that cannot be read are left out. Activating a file again replaces its families.
// Deactivating takes them out and drops every cached strike and glyph image. Both answer noErr.
OSStatus FMActivateFonts(i16 resfile);
OSStatus FMDeactivateFonts(i16 resfile);

// For tests: where a fixed family's font files are looked for is moved under `root` (empty:
// the real paths), so a machine without the packages can be imitated.
void setfontfileroot(std::string_view root);

}  // namespace kv
