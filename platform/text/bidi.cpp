#include "platform/text/bidi.h"

#include <fribidi.h>

namespace kv {

BidiLine bidiorder(const std::vector<char32_t>& text, bool righttoleft) {
  BidiLine out;
  const FriBidiStrIndex n = FriBidiStrIndex(text.size());
  out.levels.assign(text.size(), righttoleft ? 1 : 0);
  out.visual.resize(text.size());
  for (FriBidiStrIndex i = 0; i < n; ++i) out.visual[std::size_t(i)] = i;
  if (n == 0) return out;
  std::vector<FriBidiChar> chars(text.begin(), text.end());
  std::vector<FriBidiCharType> types(text.size());
  std::vector<FriBidiBracketType> brackets(text.size());
  std::vector<FriBidiLevel> levels(text.size());
  fribidi_get_bidi_types(chars.data(), n, types.data());
  fribidi_get_bracket_types(chars.data(), n, types.data(), brackets.data());
  FriBidiParType base = righttoleft ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &base, levels.data()) == 0) return out;
  std::vector<FriBidiStrIndex> map(text.size());
  for (FriBidiStrIndex i = 0; i < n; ++i) map[std::size_t(i)] = i;
  // The levels are made by the reordering too (trailing blanks take the paragraph's level).
  if (fribidi_reorder_line(FRIBIDI_FLAGS_DEFAULT, types.data(), n, 0, base, levels.data(), nullptr, map.data()) == 0)
    return out;
  for (FriBidiStrIndex i = 0; i < n; ++i) {
    out.levels[std::size_t(i)] = u8(levels[std::size_t(i)]);
    out.visual[std::size_t(i)] = map[std::size_t(i)];
  }
  return out;
}

}  // namespace kv
