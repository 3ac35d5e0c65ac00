// A stand-in for the drawing of graphic objects until it is built: the graphics draw nothing,
// and the colours of objects that dim take the colour rule without dimming.
#include "render/graphicdrawing.h"

#include "render/objectcolours.h"

namespace kv {

void drawrectgraphic(spot&, i16) {}
void drawroundrectgraphic(spot&, i16) {}
void drawlinegraphic(spot&, i16) {}
void LowDrawOvalGrc(spot&, i16, i16) {}
void LowDrawPolygonGrc(spot&, i16, i16) {}
void LowDrawTextGrc(spot&, i16, i16) {}
void LowDrawArcGrc(spot&, i16, i16) {}
void LowDrawPaintGrc(spot&) {}
void LowDrawGroupGrc(spot&) {}
void drawbmap() {}
void drawgraph() {}
void setfillforeback(u8 fore, u8 back) { setcolourpair(fore, back); }
void setpenforeback(u8 fore, u8 back) { setcolourpair(fore, back); }
void setextforeback(u8 fore, u8 back) { setcolourpair(fore, back); }

}  // namespace kv
