// The bottleneck table. Every primitive a port draws (text, line, rectangle, round rectangle,
// oval, arc, polygon, region, bits, comment) is handed to the port's procedure for it with a
// verb (frame, paint, erase, invert, fill). A port without a table of its own uses the
// standard procedures. The standard procedures record into an open picture, collect into an
// open region or polygon, and then draw, unless the pen is hidden: while a port's pen is
// hidden no primitive changes its pixels, but every procedure is still called.
//
// A procedure installed in a table sees every call; to keep the normal drawing it passes the
// call on to the standard procedure (StdRect and so on).
#pragma once

#include <functional>

#include "platform/qd/qdtypes.h"

namespace kv {

struct QDProcs {
  std::function<void(i16 byteCount, const void* text, Point numer, Point denom)> textProc;
  std::function<void(Point newPt)> lineProc;
  std::function<void(GrafVerb verb, const Rect* r)> rectProc;
  std::function<void(GrafVerb verb, const Rect* r, i16 ovalWidth, i16 ovalHeight)> rRectProc;
  std::function<void(GrafVerb verb, const Rect* r)> ovalProc;
  std::function<void(GrafVerb verb, const Rect* r, i16 startAngle, i16 arcAngle)> arcProc;
  std::function<void(GrafVerb verb, PolyHandle poly)> polyProc;
  std::function<void(GrafVerb verb, RgnHandle rgn)> rgnProc;
  std::function<void(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn)>
      bitsProc;
  std::function<void(i16 kind, i16 dataSize, Handle dataHandle)> commentProc;
  std::function<i16(i16 byteCount, const void* text, Point* numer, Point* denom, FontInfo* info)> txMeasProc;
};

// Fills a table with the standard procedures.
void SetStdCProcs(QDProcs* procs);
void SetStdProcs(QDProcs* procs);
// Gives a port a copy of the table (null: back to the standard procedures).
void SetPortGrafProcs(CGrafPtr port, const QDProcs* procs);
// A copy of the port's table (the standard procedures when it has none); false for a bad port.
bool GetPortGrafProcs(CGrafPtr port, QDProcs* procs);

// The standard procedures, acting on the current port.
void StdText(i16 byteCount, const void* text, Point numer, Point denom);
void StdLine(Point newPt);
void StdRect(GrafVerb verb, const Rect* r);
void StdRRect(GrafVerb verb, const Rect* r, i16 ovalWidth, i16 ovalHeight);
void StdOval(GrafVerb verb, const Rect* r);
void StdArc(GrafVerb verb, const Rect* r, i16 startAngle, i16 arcAngle);
void StdPoly(GrafVerb verb, PolyHandle poly);
void StdRgn(GrafVerb verb, RgnHandle rgn);
void StdBits(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn);
void StdComment(i16 kind, i16 dataSize, Handle dataHandle);
i16 StdTxMeas(i16 byteCount, const void* text, Point* numer, Point* denom, FontInfo* info);

}  // namespace kv
