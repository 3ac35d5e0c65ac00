// Graphic objects drawing: the graphic styles 100-108 that the card drawing hands over, the
// painted bitmap and the edited text graphic drawn on top of a card, and the colours of
// objects that dim in inactive windows.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Rectangle 100, round rectangle 101 and line 103, each with its outline mode.
void drawrectgraphic(spot& object, i16 outline);
void drawroundrectgraphic(spot& object, i16 outline);
void drawlinegraphic(spot& object, i16 outline);
// Oval 102, polygon 104, text 106 and arc 107, with the outline mode and the port's depth.
void LowDrawOvalGrc(spot& object, i16 outline, i16 depth);
void LowDrawPolygonGrc(spot& object, i16 outline, i16 depth);
void LowDrawTextGrc(spot& object, i16 outline, i16 depth);
void LowDrawArcGrc(spot& object, i16 outline, i16 depth);
// Bitmap 105 and group 108.
void LowDrawPaintGrc(spot& object);
void LowDrawGroupGrc(spot& object);

// The bitmap being painted and the text graphic being edited, from the global state.
void drawbmap();
void drawgraph();

// The port's colours of an object that dims while its window is inactive: fill, pen and text,
// each from two colour indexes (foreground, background).
void setfillforeback(u8 fore, u8 back);
void setpenforeback(u8 fore, u8 back);
void setextforeback(u8 fore, u8 back);

}  // namespace kv
