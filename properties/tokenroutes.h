// The routing tables of the getter and setter dispatchers: one entry per property token
// (4001-4305) naming the family of routines that serves it, built and counted at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>

#include "engine/keywords.h"
#include "platform/types.h"

namespace kv {

constexpr std::size_t kPropertyTokens = lastproperty - firstproperty + 1;

template <class Family>
using tokenroutes = std::array<Family, kPropertyTokens>;

// Routes each of the tokens to a family.
template <class Family>
consteval void route(tokenroutes<Family>& t, Family f, std::initializer_list<u16> tokens) {
  for (u16 token : tokens) t[token - firstproperty] = f;
}

// The number of tokens routed to a family.
template <class Family>
consteval std::size_t routedto(const tokenroutes<Family>& t, Family f) {
  std::size_t n = 0;
  for (Family x : t) n += x == f ? 1 : 0;
  return n;
}

}  // namespace kv
