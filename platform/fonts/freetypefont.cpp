// Font files through FreeType: opening faces, line metrics, advances and glyph images.
//
// The library is made with FreeType's default modules but without its default properties, so
// no environment setting (FREETYPE_PROPERTIES) changes how fonts are read or drawn. One point
// is one pixel. Advances are the unhinted advances, each rounded to whole pixels; there is no
// kerning. Coverage images are drawn from the unhinted outlines, 1-bit images from the
// outlines hinted for monochrome, which keeps small text legible in the Boolean modes.
//
// Mac Roman bytes reach a font through their Unicode code points, except in the families with
// an encoding of their own (Symbol, Zapf Dingbats), where the byte indexes the font's own
// encoding, and in font numbers of the Arabic and Hebrew scripts, whose bytes are of those
// scripts' Mac sets. Control characters (0x00-0x1F and 0x7F) take no room and have no ink in
// any font. Arabic runs are shaped by HarfBuzz for their joined forms.
#include <hb-ft.h>
#include <hb.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_MODULE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdlib>

#include "platform/fonts/fontsinternal.h"
#include "platform/text/macroman.h"
#include "platform/text/macsets.h"
#include "platform/text/textencodings.h"

namespace kv::fontdetail {

enum class CharMap { unicode, own, mssymbol };

struct OpenFace {
  FontFile file;
  FT_Face face = nullptr;  // nullptr: the file could not be opened (not tried again)
  CharMap map = CharMap::unicode;
  u32 macset = 0;  // the Mac set the bytes are in (0: Mac Roman)
  i32 size = 0;    // the size last set
};

struct FreeTypeLib {
  FT_MemoryRec_ memory{};
  FT_Library library = nullptr;
  std::vector<OpenFace> faces;

  FreeTypeLib() {
    memory.alloc = [](FT_Memory, long size) -> void* { return std::malloc(std::size_t(size)); };
    memory.free = [](FT_Memory, void* block) { std::free(block); };
    memory.realloc = [](FT_Memory, long, long size, void* block) -> void* {
      return std::realloc(block, std::size_t(size));
    };
    if (FT_New_Library(&memory, &library) != 0) {
      library = nullptr;
      return;
    }
    FT_Add_Default_Modules(library);
  }
  ~FreeTypeLib() {
    for (OpenFace& f : faces)
      if (f.face != nullptr) FT_Done_Face(f.face);
    if (library != nullptr) FT_Done_Library(library);
  }
  FreeTypeLib(const FreeTypeLib&) = delete;
  FreeTypeLib& operator=(const FreeTypeLib&) = delete;
};

FontState::FontState() = default;
FontState::~FontState() = default;

namespace {

bool controlchar(u8 c) { return c < 0x20 || c == 0x7F; }

OpenFace& faceof(FontState& s, int faceid) { return s.ft->faces[std::size_t(faceid)]; }

bool setsize(OpenFace& f, i16 size) {
  if (f.size == size) return true;
  if (FT_Set_Char_Size(f.face, 0, FT_F26Dot6(size) * 64, 72, 72) != 0) return false;
  f.size = size;
  return true;
}

FT_UInt charindex(const OpenFace& f, u8 c) {
  switch (f.map) {
    case CharMap::own: return FT_Get_Char_Index(f.face, c);
    case CharMap::mssymbol: {
      FT_UInt gi = FT_Get_Char_Index(f.face, 0xF000u + c);
      return gi != 0 ? gi : FT_Get_Char_Index(f.face, c);
    }
    case CharMap::unicode: break;
  }
  if (f.macset != 0) {
    const char16_t u = macsettounicode(f.macset, c);
    return u == 0xFFFF ? 0 : FT_Get_Char_Index(f.face, u);
  }
  return FT_Get_Char_Index(f.face, macromantounicode(c));
}

i16 scaledunits(long units, i16 size, long upem) {
  long long v = (static_cast<long long>(units) * size * 2 + upem) / (2LL * upem);  // half up
  return i16(std::clamp<long long>(v, -32767, 32767));
}

}  // namespace

int openfontfile(FontState& s, const FontFile& file, bool ownencoding, u32 macset) {
  if (!s.ft) s.ft = std::make_unique<FreeTypeLib>();
  FreeTypeLib& ft = *s.ft;
  for (std::size_t i = 0; i < ft.faces.size(); ++i) {
    const OpenFace& f = ft.faces[i];
    if (f.file.path == file.path && f.file.index == file.index && f.macset == macset)
      return f.face != nullptr ? int(i) : -1;
  }
  OpenFace f;
  f.file = file;
  f.macset = ownencoding ? 0 : macset;
  const bool opened = ft.library != nullptr &&
                      (file.bytes ? FT_New_Memory_Face(ft.library, file.bytes->data(), FT_Long(file.bytes->size()),
                                                       file.index, &f.face)
                                  : FT_New_Face(ft.library, file.path.c_str(), file.index, &f.face)) == 0;
  if (opened) {
    bool usable = FT_IS_SCALABLE(f.face) && f.face->units_per_EM > 0;
    if (usable && ownencoding) {
      if (FT_Select_Charmap(f.face, FT_ENCODING_ADOBE_CUSTOM) == 0) f.map = CharMap::own;
      else if (FT_Select_Charmap(f.face, FT_ENCODING_MS_SYMBOL) == 0) f.map = CharMap::mssymbol;
      else usable = FT_Select_Charmap(f.face, FT_ENCODING_UNICODE) == 0;
    } else if (usable) {
      if (FT_Select_Charmap(f.face, FT_ENCODING_UNICODE) == 0) f.map = CharMap::unicode;
      else if (FT_Select_Charmap(f.face, FT_ENCODING_MS_SYMBOL) == 0) f.map = CharMap::mssymbol;
      else usable = false;
    }
    if (!usable) {
      FT_Done_Face(f.face);
      f.face = nullptr;
    }
  } else {
    f.face = nullptr;
  }
  ft.faces.push_back(std::move(f));
  return ft.faces.back().face != nullptr ? int(ft.faces.size() - 1) : -1;
}

void closememoryfaces(FontState& s, const std::vector<u8>* bytes) {
  if (!s.ft || bytes == nullptr) return;
  for (OpenFace& f : s.ft->faces) {
    if (f.file.bytes.get() != bytes) continue;
    if (f.face != nullptr) FT_Done_Face(f.face);
    f.face = nullptr;
    f.file.bytes.reset();
  }
}

FontMetrics ftmetrics(FontState& s, int faceid, i16 size) {
  const FT_Face face = faceof(s, faceid).face;
  long upem = face->units_per_EM;
  FontMetrics m{};
  long gap = face->height - face->ascender + face->descender;
  m.ascent = std::max<i16>(1, scaledunits(face->ascender, size, upem));
  m.descent = std::max<i16>(0, scaledunits(-face->descender, size, upem));
  m.leading = std::max<i16>(0, scaledunits(gap, size, upem));
  return m;
}

void ftadvances(FontState& s, int faceid, i16 size, std::array<i16, 256>& out) {
  OpenFace& f = faceof(s, faceid);
  bool sized = setsize(f, size);
  for (int c = 0; c < 256; ++c) {
    out[std::size_t(c)] = 0;
    if (controlchar(u8(c))) continue;
    FT_Fixed advance = 0;  // 16.16 pixels
    if (sized && FT_Get_Advance(f.face, charindex(f, u8(c)), FT_LOAD_NO_HINTING, &advance) == 0)
      out[std::size_t(c)] = i16(std::clamp<FT_Fixed>((advance + 0x8000) >> 16, 0, 32767));
    else out[std::size_t(c)] = scaledunits(f.face->max_advance_width, size, f.face->units_per_EM);
  }
}

Glyph ftglyph(FontState& s, int faceid, i16 size, bool slant, u8 c, bool mono) {
  if (controlchar(c)) {
    Glyph g{};
    g.mono = mono;
    return g;
  }
  return ftglyphindex(s, faceid, size, slant, charindex(faceof(s, faceid), c), mono);
}

std::vector<u32> ftshapearabic(FontState& s, int faceid, i16 size, const u8* text, i32 length) {
  std::vector<u32> out(std::size_t(std::max(length, 0)), kNominalGlyph);
  OpenFace& f = faceof(s, faceid);
  if (length <= 0 || f.map != CharMap::unicode || !setsize(f, size)) return out;
  hb_font_t* font = hb_ft_font_create_referenced(f.face);
  hb_buffer_t* buffer = hb_buffer_create();
  for (i32 i = 0; i < length; ++i) {
    const char16_t u = macsettounicode(kTextEncodingMacArabic, text[i]);
    hb_buffer_add(buffer, u == 0xFFFF ? 0xFFFDu : hb_codepoint_t(u), unsigned(i));
  }
  hb_buffer_set_content_type(buffer, HB_BUFFER_CONTENT_TYPE_UNICODE);
  hb_buffer_set_cluster_level(buffer, HB_BUFFER_CLUSTER_LEVEL_CHARACTERS);
  hb_buffer_set_direction(buffer, HB_DIRECTION_RTL);
  hb_buffer_set_script(buffer, HB_SCRIPT_ARABIC);
  hb_buffer_set_language(buffer, hb_language_from_string("ar", -1));
  hb_shape(font, buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  // A byte that no glyph starts was joined into another's glyph; the first glyph of a byte is
  // its own.
  std::vector<bool> given(out.size(), false);
  for (unsigned g = 0; g < count; ++g) {
    const std::size_t at = info[g].cluster;
    if (at < out.size() && !given[at]) {
      out[at] = info[g].codepoint;
      given[at] = true;
    }
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (controlchar(text[i])) out[i] = kNominalGlyph;
    else if (!given[i]) out[i] = kNoGlyph;
  }
  hb_buffer_destroy(buffer);
  hb_font_destroy(font);
  return out;
}

Glyph ftglyphindex(FontState& s, int faceid, i16 size, bool slant, u32 index, bool mono) {
  Glyph g{};
  g.mono = mono;
  OpenFace& f = faceof(s, faceid);
  if (!setsize(f, size)) return g;
  FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_NO_HINTING);
  if (FT_Load_Glyph(f.face, index, flags) != 0) return g;
  FT_GlyphSlot slot = f.face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return g;
  if (slant) {
    FT_Matrix shear{0x10000, 0x4000, 0, 0x10000};  // one pixel right per four up
    FT_Outline_Transform(&slot->outline, &shear);
  }
  FT_BBox box;
  FT_Outline_Get_CBox(&slot->outline, &box);
  i64 w = ((i64(box.xMax) - box.xMin) >> 6) + 2, h = ((i64(box.yMax) - box.yMin) >> 6) + 2;
  if (w * h > maxglyphpixels) return g;
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.width == 0 || bm.rows == 0 || bm.buffer == nullptr) return g;
  g.left = i16(slot->bitmap_left);
  g.top = i16(slot->bitmap_top);
  g.width = i16(bm.width);
  g.height = i16(bm.rows);
  g.bits.assign(std::size_t(bm.width) * bm.rows, 0);
  for (unsigned y = 0; y < bm.rows; ++y) {
    const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
    u8* out = g.bits.data() + std::size_t(y) * bm.width;
    for (unsigned x = 0; x < bm.width; ++x) {
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      else if (bm.num_grays == 256 || bm.num_grays == 0) out[x] = row[x];
      else out[x] = u8(unsigned(row[x]) * 255 / unsigned(bm.num_grays - 1));
    }
  }
  return g;
}

}  // namespace kv::fontdetail
