#include "platform/text/textservices.h"

#include <array>

namespace kv {

namespace {

// The classes of the bytes 0x80-0xFF by the Unicode category of their characters: L a
// letter, P punctuation, S a symbol, Z a blank.
constexpr char kHighClasses[] =
    "LLLLLLLLLLLLLLLL"   // 80 accented capitals and small letters
    "LLLLLLLLLLLLLLLL"   // 90
    "PSSSPPPLSSSSSSLL"   // A0 dagger, degree, cent, pound, section, bullet, pilcrow, sharp s, ...
    "SSSSSLSSSLSLLLLL"   // B0 infinity ... omega, ae, o slash
    "PPSSLSSPPPZLLLLL"   // C0 inverted marks, not, root, florin, ..., guillemets, ellipsis, nbsp
    "PPPPPPSSLLSSPPLL"   // D0 dashes, quotes, divide, lozenge, y diaeresis, fraction, euro, ...
    "PPPPPLLLLLLLLLLL"   // E0 double dagger, middle dot, low quotes, per mille, capitals
    "SLLLLLLSSSSSSSSL";  // F0 apple, capitals, dotless i, circumflex, the spacing accents, caron

constexpr i16 typefor(char c, bool ascii) {
  switch (c) {
    case 'L': return ascii ? smCharAscii : smCharEuro;
    case 'S': return smCharPunct | smPunctSymbol;
    case 'Z': return smCharPunct | smPunctBlank;
    default: return smCharPunct | smPunctNormal;
  }
}

constexpr std::array<i16, 256> maketypes() {
  std::array<i16, 256> t{};
  for (int c = 0; c < 256; ++c) {
    char k = 'P';
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) k = 'L';
    else if (c == ' ' || c == '\t') k = 'Z';
    else if (c == '$' || c == '+' || c == '<' || c == '=' || c == '>' || c == '^' || c == '`' || c == '|' || c == '~')
      k = 'S';
    else if (c >= 0x80) k = kHighClasses[c - 0x80];
    i16 type = typefor(k, c < 0x80);
    if (c >= '0' && c <= '9') type = smCharPunct | smPunctNumber;
    if (c >= 'A' && c <= 'Z') type = i16(type | smcUpperMask);
    t[std::size_t(c)] = type;
  }
  return t;
}

constexpr std::array<i16, 256> kTypes = maketypes();

bool wordchar(i16 type) {
  const i16 t = type & smcTypeMask;
  return t == smCharAscii || t == smCharEuro || type == (smCharPunct | smPunctNumber);
}

// The start of the character holding byte `at` (two-byte text walks from the start).
i32 charstart(const u8* text, i32 length, i32 at, i16 script) {
  if (script != smJapanese) return at;
  i32 i = 0;
  while (i < length) {
    const i32 n = i32(sjischarlength(text + i, length - i));
    if (i + n > at) return i;
    i += n;
  }
  return at;
}

i32 charlength(const u8* text, i32 length, i32 at, i16 script) {
  return script == smJapanese ? i32(sjischarlength(text + at, length - at)) : 1;
}

}  // namespace

i16 CharacterType(const u8* text, i32 length, i32 offset, i16 script) {
  if (text == nullptr || offset < 0 || offset >= length) return 0;
  if (script == smJapanese && CharacterByteType(text, length, offset, script) != smSingleByte) return smCharTwoByte;
  return kTypes[text[offset]];
}

void FindWordBreaks(const u8* text, i32 length, i32 offset, bool leadingEdge, OffsetTable offsets, i16 script) {
  offsets[1] = offsets[2] = OffPair{0, 0};
  const i32 at = leadingEdge ? offset : offset - 1;
  if (text == nullptr || at < 0 || at >= length) {
    const i16 edge = i16(at < 0 ? 0 : length);
    offsets[0] = OffPair{edge, edge};
    return;
  }
  i32 first = charstart(text, length, at, script);
  i32 last = first + charlength(text, length, first, script);
  if (wordchar(CharacterType(text, length, first, script))) {
    while (first > 0) {
      const i32 p = charstart(text, length, first - 1, script);
      if (!wordchar(CharacterType(text, length, p, script))) break;
      first = p;
    }
    while (last < length && wordchar(CharacterType(text, length, last, script)))
      last += charlength(text, length, last, script);
  }
  offsets[0] = OffPair{i16(first), i16(last)};
}

}  // namespace kv
