// A stand-in for classic button drawing until it is built: the buttons draw nothing.
#include "render/classicbuttons.h"

namespace kv {

void drawrectbutton(spot&, i16) {}
void LowDrawPolygonBtn(spot&, i16) {}

}  // namespace kv
