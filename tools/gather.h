// Gathering pictures into objects: what a picture draws taken apart into graphics, and the
// colour table a picture carries.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// Draws the picture offscreen and answers a copy (host order) of the colour table of the first
// 8-bit pixel map it draws; none when it draws no 8-bit pixel map or memory runs out.
CTabHandle extractclut(PicHandle picture);

}  // namespace kv
