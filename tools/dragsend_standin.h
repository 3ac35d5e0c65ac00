// What the stand-in of drag sending was asked to drag, oldest first (goes with the stand-in).
#pragma once

#include <vector>

#include "platform/types.h"

namespace kv {

struct standindrag {
  Handle list;                // the object list
  std::vector<i16> indexes;   // the objects of it that would have been dragged
};
std::vector<standindrag>& standindrags();
// Whether the stand-in's drag handlers are marked installed.
bool draghandlersinstalled();

}  // namespace kv
