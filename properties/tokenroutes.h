// The routing tables of the getter and setter dispatchers: one entry per property token
// (4001-4305) naming the family of routines that serves it, built and counted at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>

#include "engine/keywords.h"
#include "platform/types.h"
#include "properties/propwords.h"

namespace kv {

constexpr std::size_t kPropertyTokens = lastproperty - firstproperty + 1;

template <class Family>
using tokenroutes = std::array<Family, kPropertyTokens>;

// Routes each of the tokens to a family.
template <class Family>
consteval void route(tokenroutes<Family>& t, Family f, std::span<const u16> tokens) {
  for (u16 token : tokens) t[token - firstproperty] = f;
}
template <class Family>
consteval void route(tokenroutes<Family>& t, Family f, std::initializer_list<u16> tokens) {
  route(t, f, std::span<const u16>(tokens.begin(), tokens.size()));
}

// The flag words (read by the flag getters, set by the flags setter) and the rectangle words.
constexpr std::array<u16, 46> kFlagWords{
    pwAllowDrag,    pwAllowDrop,      pwAutoCenter,    pwAutoBackground, pwAutoDim,       pwAutoHilite,
    pwAutoResize,   pwAutoTab,        pwAutoWidth,     pwCantDelete,     pwCantModify,    pwCantRemove,
    pwCheckmark,    pwCloseBox,       pwCollapsed,     pwCollapsible,    pwDefault,       pwDisabled,
    pwDivideLine,   pwDoLimitWindow,  pwDontSearch,    pwDontWrap,       pwDraggable,     pwFocusHilite,
    pwHighlight,    pwInWindowMenu,   pwLiveResize,    pwLocalOpacity,   pwLocked,        pwLockText,
    pwMixedValue,   pwModified,       pwPopArrow,      pwAllowObjects,   pwResizable,     pwSharedHilite,
    pwShowFrame,    pwShowInvisibles, pwShowLines,     pwShowName,       pwShowRuler,     pwAllowTabs,
    pwVisible,      pwUseTextEngine,  pwWideMargins,   pwZoomBox,
};
constexpr std::array<u16, 12> kRectangleWords{
    pwBottomLeft, pwBotRight, pwBottom, pwHeight, pwLeft, pwLoc, pwRect, pwRight, pwTop, pwTopLeft, pwTopRight, pwWidth,
};

// The number of tokens routed to a family.
template <class Family>
consteval std::size_t routedto(const tokenroutes<Family>& t, Family f) {
  std::size_t n = 0;
  for (Family x : t) n += x == f ? 1 : 0;
  return n;
}

}  // namespace kv
