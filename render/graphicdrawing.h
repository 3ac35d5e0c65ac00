// Graphic objects drawing: the graphic styles 100-108 that the card drawing hands over, the
// painted bitmap and the edited text graphic drawn on top of a card, and the tools every
// object drawing shares: the pen mode of an ink, the shadow patterns, the colours of objects
// that dim in inactive windows and the grey-out of rectangles.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "store/records.h"
#include "textengine/werecord.h"

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
// Bitmap 105 (ink -1: white is transparent) and group 108 (its objects drawn as a list, with
// the group-drawing flag raised and, into a picture or off the window, between the drawing
// and group comments).
void LowDrawPaintGrc(spot& object);
void LowDrawGroupGrc(spot& object);

// The bitmap being painted and the text graphic being edited, from the global state.
void drawbmap();
void drawgraph();

// The pen mode of an ink: 7 or less (negative ones too) the pattern mode ink + 8; 8 or more
// while colorWorld is off pattern copy; 32, 33 and 35 with their operation colours (grey
// 32767, white, black); above 255 transparent; any other the ink itself.
void penmode(i16 ink);
// The pen of a shadow: numbers 0-9 one of ten patterns in pattern-or; 10-14 while colorWorld
// is on a grey blended over what lies below; any other solid black in pattern-or.
void shadowpat(u8 n);

// The port's colours of an object that dims (autoDim): fill, pen and text, each from two
// colour indexes (foreground, background). While the current window is inactive both colours
// are dimmed; while colorWorld is off nothing is set.
void setfillforeback(u8 fore, u8 back);
void setpenforeback(u8 fore, u8 back);
void setextforeback(u8 fore, u8 back);
// Dims one colour in place: all three channels become a light grey of the colour's mean
// (floors 30000 for fills, 20000 for pens, 6000 for text).
void grayFillRGB(RGBColor* c);
void grayPenRGB(RGBColor* c);
void grayTextRGB(RGBColor* c);
// Greys out a rectangle of the current port: black turns into the grey of the screen device
// under it, white stays (or, without such a grey, the grey pattern clears every other pixel).
void GrayOutBox(const Rect* r);

// Draws a picture into a rectangle of the current port: anti-aliased (cairo) while
// `quartzPicts` is on and `bufferMode` is 16 or 32 bits, answering the error that keeps it from
// drawing; otherwise as QuickDraw draws it, answering 0.
OSErr quartzdrawpict(PicHandle picture, const Rect* r);
// Gives a 1-bit bit map cleared pixels for a rectangle (rows of whole 16-bit words) and sets
// its bounds: 0; 1 when the memory guard refuses the size, 37 when the memory cannot be had.
// The caller disposes of the pixels (DisposePtr).
i16 NewBitMap(BitMap* bits, const Rect* r);

// A stored 8-byte pattern (fill or pen) as the drawing layer takes it.
Pattern patternof(const bytes<8>& stored);
// Frames a rectangle grown by 1 in the outline pattern with a 1-pixel pen: the edit outline of
// a text graphic or a bitmap without a pen.
void frameoutline(const Rect& r);
// While a picture is recorded or off-window drawing runs: the drawing-begin comment and the
// text-begin comment of a text record (its first paragraph's justification; left without a
// record). The text's end is marked by the comments 151 and 131.
void weopentextcom(WEReference we);

// The erase hook a text record gets while it draws a text graphic (procedure-table slot 289):
// it erases nothing, so the graphic's fill stays under the text.
void _WEDontErase(const Rect* r, WEReference we);

}  // namespace kv
