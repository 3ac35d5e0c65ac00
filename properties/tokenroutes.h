// The routing tables of the getter and setter dispatchers: one entry per property token
// (4001-4305) naming the family of routines that serves it, built and counted at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>

#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/types.h"

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
    tok::allowdrag,  tok::allowdrop,      tok::autocenter,  tok::autobackground, tok::autodim,    tok::autohilite,
    tok::autoresize, tok::autotab,        tok::autowidth,   tok::cantdelete,     tok::cantmodify, tok::cantremove,
    tok::checkmark,  tok::closebox,       tok::collapsed,   tok::collapsible,    tok::default_,   tok::disabled,
    tok::divideline, tok::dolimitwd,      tok::dontsearch,  tok::dontwrap,       tok::draggable,  tok::focushilite,
    tok::highlight,  tok::inwindowmenu,   tok::liveresize,  tok::localopacity,   tok::locked,     tok::locktext,
    tok::mixedvalue, tok::modified,       tok::poparrow,    tok::allowobjects,   tok::resizable,  tok::sharedhilite,
    tok::showframe,  tok::showinvisibles, tok::showlines,   tok::showname,       tok::showruler,  tok::allowtabs,
    tok::vis,        tok::usetextengine,  tok::widemargins, tok::zoombox,
};
constexpr std::array<u16, 12> kRectangleWords{
    tok::bottomleft, tok::botright, tok::bottom, tok::height,  tok::left,     tok::loc,
    tok::rect,       tok::right,    tok::top,    tok::topleft, tok::topright, tok::width,
};

// The number of tokens routed to a family.
template <class Family>
consteval std::size_t routedto(const tokenroutes<Family>& t, Family f) {
  std::size_t n = 0;
  for (Family x : t) n += x == f ? 1 : 0;
  return n;
}

}  // namespace kv
