// The font layer's entry points: strikes (a font at one size and face) with their metrics and
// advances, and the glyph image cache.
#include <algorithm>

#include "platform/console/console.h"
#include "platform/fonts/fontsinternal.h"
#include "platform/runtime/root.h"
#include "platform/text/textencodings.h"

namespace kv {

namespace fontdetail {

FontState& fontstate() { return state<FontState>(); }

void addnote(FontState& s, std::string note) {
  if (std::find(s.notes.begin(), s.notes.end(), note) != s.notes.end()) return;
  writeconsole("kestrove: " + note + "\n");
  s.notes.push_back(std::move(note));
}

std::string foldname(std::string_view macroman) {
  std::string out(macroman);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

void dropfontcaches(FontState& s) {
  s.strikes.clear();
  s.glyphs.clear();
  s.glyphbytes = 0;
}

namespace {

Strike& getstrike(FontState& s, const FontKey& key) {
  i16 size = key.size > 0 ? key.size : 12;
  u8 face = u8(key.face & ~faceunderline & 0x7F);
  i16 font = resolvefontnumber(s, key.font);
  u64 k = (u64(u16(font)) << 24) | (u64(u16(size)) << 8) | face;
  auto it = s.strikes.find(k);
  if (it != s.strikes.end()) return *it->second;
  if (s.strikes.size() >= strikecachelimit) s.strikes.clear();

  auto st = std::make_unique<Strike>();
  st->size = size;
  st->face = face;
  st->source = s.builtin ? Source{} : resolvesource(s, font, face);
  if (st->source.builtin) {
    st->metrics = builtinmetrics(size);
    for (int c = 0; c < 256; ++c) st->advances[std::size_t(c)] = builtinadvance(size, u8(c));
  } else {
    st->metrics = ftmetrics(s, st->source.faceid, size);
    ftadvances(s, st->source.faceid, size, st->advances);
  }
  int extra = styleextra(face, st->source.synthbold);
  for (i16& a : st->advances)
    if (a > 0) a = i16(std::clamp(a + extra, 0, 32767));
  FontMetrics& m = st->metrics;
  m.widmax = *std::max_element(st->advances.begin(), st->advances.end());
  if (face & (faceoutline | faceshadow)) {
    m.ascent = i16(std::min(m.ascent + 1, 32767));
    m.descent = i16(std::min(m.descent + ((face & faceshadow) ? 2 : 1), 32767));
  }
  Strike& ref = *st;
  s.strikes.emplace(k, std::move(st));
  return ref;
}

u64 glyphkey(const FontKey& key, u8 c, bool mono) {
  i16 size = key.size > 0 ? key.size : 12;
  u8 face = u8(key.face & ~faceunderline & 0x7F);
  return (u64(u16(key.font)) << 33) | (u64(u16(size)) << 17) | (u64(face) << 9) | (u64(mono) << 8) | c;
}

// Glyphs by number: the top bit marks them apart from the glyphs of bytes.
u64 indexkey(const FontKey& key, u32 index, bool mono) {
  i16 size = key.size > 0 ? key.size : 12;
  u8 face = u8(key.face & ~faceunderline & 0x7F);
  return (u64(1) << 63) | (u64(u16(key.font)) << 47) | (u64(u16(size)) << 31) | (u64(face) << 24) | (u64(mono) << 23) |
         (index & 0x7FFFFF);
}

// A glyph image made and cached under a key, with the styles made from the shapes.
const Glyph& cachedglyph(FontState& s, const FontKey& k, u64 gk, bool mono, u8 c, u32 index, bool byindex) {
  auto it = s.glyphs.find(gk);
  if (it != s.glyphs.end()) return *it->second;
  if (s.glyphbytes > glyphcachebudget) {
    s.glyphs.clear();
    s.glyphbytes = 0;
  }
  const Strike& st = getstrike(s, k);
  const Source& src = st.source;
  bool slant = (st.face & faceitalic) && src.synthitalic;
  Glyph g;
  if (src.builtin) {
    g = builtinglyph(st.size, c, mono);
    if (slant) slantglyph(g);
  } else {
    g = byindex ? ftglyphindex(s, src.faceid, st.size, slant, index, mono)
                : ftglyph(s, src.faceid, st.size, slant, c, mono);
  }
  if ((st.face & facebold) && src.synthbold) smearglyph(g);
  if (st.face & (faceoutline | faceshadow)) outlineglyph(g, (st.face & faceshadow) != 0);
  g.mono = mono;
  s.glyphbytes += g.bits.size() + sizeof(Glyph);
  auto made = std::make_unique<Glyph>(std::move(g));
  const Glyph& ref = *made;
  s.glyphs.emplace(gk, std::move(made));
  return ref;
}

}  // namespace
}  // namespace fontdetail

using namespace fontdetail;

FontMetrics fontmetrics(const FontKey& key) { return getstrike(fontstate(), key).metrics; }

i16 charadvance(const FontKey& key, u8 macromanchar) { return getstrike(fontstate(), key).advances[macromanchar]; }

i32 textadvance(const FontKey& key, const u8* text, i32 length) {
  if (text == nullptr || length <= 0) return 0;
  const Strike& st = getstrike(fontstate(), key);
  i32 sum = 0;
  for (i32 i = 0; i < length; ++i) sum += st.advances[text[i]];
  return sum;
}

const Glyph& glyph(const FontKey& key, u8 macromanchar, bool mono) {
  FontState& s = fontstate();
  FontKey k = key;
  k.font = resolvefontnumber(s, key.font);
  return cachedglyph(s, k, glyphkey(k, macromanchar, mono), mono, macromanchar, 0, false);
}

const Glyph& glyphbyindex(const FontKey& key, u32 index, bool mono) {
  FontState& s = fontstate();
  FontKey k = key;
  k.font = resolvefontnumber(s, key.font);
  return cachedglyph(s, k, indexkey(k, index, mono), mono, 0, index, true);
}

std::vector<u32> shapedglyphs(const FontKey& key, const u8* text, i32 length) {
  FontState& s = fontstate();
  if (s.builtin || text == nullptr || length <= 0 || scriptset(key.font) != kTextEncodingMacArabic) return {};
  FontKey k = key;
  k.font = resolvefontnumber(s, key.font);
  const Strike& st = getstrike(s, k);
  if (st.source.builtin) return {};
  return ftshapearabic(s, st.source.faceid, st.size, text, length);
}

void usebuiltinmetricsfont(bool on) {
  FontState& s = fontstate();
  if (s.builtin == on) return;
  s.builtin = on;
  dropfontcaches(s);
}

bool builtinmetricsfontinuse() { return fontstate().builtin; }

std::vector<std::string> fontnotes() { return fontstate().notes; }

void setfontfileroot(std::string_view root) {
  FontState& s = fontstate();
  s.fileroot = std::string(root);
  s.families.clear();
  s.fixedmade = false;
  s.listed = false;
  dropfontcaches(s);
}

}  // namespace kv
