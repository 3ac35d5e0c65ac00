// Classic button drawing: the rectangle style 200 and the polygon style 202, drawn by the
// program itself with their shadow, fill, frame and face.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Rectangle button 200 and polygon button 202, each with its outline mode.
void drawrectbutton(spot& object, i16 outline);
void LowDrawPolygonBtn(spot& object, i16 outline);

}  // namespace kv
