#include "properties/valuewords.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/text/pstring.h"

namespace kv {

namespace {

constexpr std::array<wordcode, 21> kModes{{
    {"ditherCopy", 64}, {"mask", -1},        {"srcCopy", 0},      {"srcOr", 1},     {"srcXor", 2},       {"srcBic", 3},
    {"notSrcCopy", 4},  {"notSrcOr", 5},     {"notSrcXor", 6},    {"notSrcBic", 7}, {"blend", 32},       {"addPin", 33},
    {"addOver", 34},    {"subPin", 35},      {"addMax", 37},      {"subOver", 38},  {"transparent", 36}, {"addMin", 39},
    {"alpha", 256},     {"alphaWhite", 257}, {"alphaBlack", 258},
}};

constexpr std::array<wordcode, 8> kStyles{{
    {"bold", 1},
    {"italic", 2},
    {"underline", 4},
    {"outline", 8},
    {"shadow", 16},
    {"condense", 32},
    {"extend", 64},
    {"group", 128},
}};

constexpr std::array<wordcode, 7> kListStyles{{
    {"selOne", 128},
    {"selExtend", 64},
    {"selContig", 32},
    {"selClick", 16},
    {"selFlip", 4},
    {"selFilled", 2},
    {"selRedraw", 256},
}};

constexpr std::array<wordcode, 5> kAligns{{
    {"left", -2},
    {"right", -1},
    {"default", 0},
    {"center", 1},
    {"full", 2},
}};

constexpr std::array<wordcode, 36> kSpotStyles{{
    {"rectangle", 100},    {"roundRect", 101},      {"oval", 102},          {"line", 103},
    {"polygon", 104},      {"bitmap", 105},         {"text", 106},          {"arc", 107},
    {"group", 108},        {"rectangle", 200},      {"roundRect", 201},     {"polygon", 202},
    {"radioButton", 203},  {"checkBox", 204},       {"bevel", 205},         {"popupMenu", 206},
    {"round", 207},        {"slider", 209},         {"tabs", 210},          {"imageWell", 211},
    {"disclosure", 212},   {"scrollBar", 213},      {"progressBar", 214},   {"indeterminateBar", 215},
    {"relevanceBar", 216}, {"littleArrows", 217},   {"chasingArrows", 218}, {"disclosureTriangle", 219},
    {"primaryGroup", 220}, {"secondaryGroup", 221}, {"popupArrow", 222},    {"placard", 223},
    {"windowHeader", 225}, {"listHeader", 226},     {"separator", 228},     {"dataBrowser", 229},
}};

constexpr std::array<const char*, 12> kWindowStyles{
    "standard", "scrolling", "roundRect",    "dialog",        "plain",        "shadow",
    "palette",  "movable",   "customWindow", "customPalette", "customDialog", "metal",
};

// The words of the set bits joined by commas, or `none` when no bit has a word.
void bitwords(u16 bits, std::span<const wordcode> table, const char* none, StringPtr text) {
  if (bits == 0) {
    pstrappend(text, 256, none, std::strlen(none));
    return;
  }
  for (const wordcode& w : table) {
    if ((bits & u16(w.code)) == 0) continue;
    pstrappend(text, 256, w.word, std::strlen(w.word));
    pstrappend(text, 256, ",", 1);
  }
  if (text[0] > 0 && text[text[0]] == ',') --text[0];
}

void appendword(const char* word, StringPtr text) { pstrappend(text, 256, word, std::strlen(word)); }

}  // namespace

std::span<const wordcode> modewords() { return kModes; }
std::span<const wordcode> stylewords() { return kStyles; }
std::span<const wordcode> liststylewords() { return kListStyles; }
std::span<const wordcode> alignwords() { return kAligns; }

void stylelist(u16 style, StringPtr text) { bitwords(style, kStyles, "plain", text); }

void liststylenames(u16 flags, StringPtr text) { bitwords(flags, kListStyles, "selReset", text); }

i16 modetofred(i16 mode, bool shadeform, fred* result) {
  if (shadeform) {
    char word[12];
    if (mode >= 0 && mode <= 9) {
      std::snprintf(word, sizeof word, "shad%d", mode + 1);
    } else if (mode >= 10 && mode <= 14) {
      std::snprintf(word, sizeof word, "gray%d", mode - 9);
    } else {
      return err::cantunderstand;
    }
    return textonewfred(word, result);
  }
  for (const wordcode& w : kModes) {
    if (w.code == mode) return textonewfred(w.word, result);
  }
  return textonewfred("unknown", result);
}

i16 spotkindstring(u16 kind, StringPtr text) {
  static constexpr std::array<const char*, 3> kinds{"graphic", "button", "field"};
  if (kind >= kinds.size()) return err::nosuchproperty;
  appendword(kinds[kind], text);
  return 0;
}

i16 spotstylestring(u16 style, StringPtr text) {
  if (style >= 300 && style <= 303) {
    static constexpr std::array<const char*, 4> fields{"rectangle", "scrolling", "list", "scrollingList"};
    appendword(fields[style - 300], text);
    return 0;
  }
  for (const wordcode& w : kSpotStyles) {
    if (u16(w.code) == style) {
      appendword(w.word, text);
      return 0;
    }
  }
  return err::nosuchproperty;
}

const char* windowstyleword(u16 style) { return style < kWindowStyles.size() ? kWindowStyles[style] : "unknown"; }

const char* alignword(i16 code) {
  for (const wordcode& w : kAligns) {
    if (w.code == code) return w.word;
  }
  return nullptr;
}

i16 rectoresult(u16 token, const Rect& r, fred* result) {
  const i32 top = r.top, left = r.left, bottom = r.bottom, right = r.right;
  switch (token) {
    case tok::loc: return loctonewfred(i16((left + right) >> 1), i16((top + bottom) >> 1), result);
    case tok::bottomleft: return loctonewfred(r.left, r.bottom, result);
    case tok::botright: return loctonewfred(r.right, r.bottom, result);
    case tok::topleft: return loctonewfred(r.left, r.top, result);
    case tok::topright: return loctonewfred(r.right, r.top, result);
    case tok::rect: return rectonewfred(r, result);
    case tok::bottom: longtonewfred(bottom, result); return 0;
    case tok::height: longtonewfred(bottom - top, result); return 0;
    case tok::left: longtonewfred(left, result); return 0;
    case tok::right: longtonewfred(right, result); return 0;
    case tok::top: longtonewfred(top, result); return 0;
    case tok::width: longtonewfred(right - left, result); return 0;
    default: return err::nosuchproperty;
  }
}

}  // namespace kv
