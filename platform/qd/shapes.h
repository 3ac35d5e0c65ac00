// Shapes and lines in the current port: rectangles, round rectangles, ovals, arcs, polygons
// and regions framed, painted, erased, inverted or filled; lines; polygons and region
// capture; and the rectangle and point arithmetic they share.
//
// Every call goes through the port's bottleneck table (bottleneck.h). The pen hangs below
// and right of the path: a frame lies inside its shape, a line covers the pen's rectangle at
// every point from its start to its end.
#pragma once

#include <vector>

#include "platform/qd/qdtypes.h"

namespace kv {

// --- Rectangles and points -------------------------------------------------------------------
void SetRect(Rect* r, i16 left, i16 top, i16 right, i16 bottom);
void OffsetRect(Rect* r, i16 dh, i16 dv);
void InsetRect(Rect* r, i16 dh, i16 dv);
bool SectRect(const Rect* a, const Rect* b, Rect* dst);  // false (and an empty dst) when disjoint
void UnionRect(const Rect* a, const Rect* b, Rect* dst);
bool PtInRect(Point pt, const Rect* r);
bool EqualRect(const Rect* a, const Rect* b);
bool EmptyRect(const Rect* r);
void Pt2Rect(Point a, Point b, Rect* dst);
void SetPt(Point* pt, i16 h, i16 v);
void AddPt(Point src, Point* dst);
void SubPt(Point src, Point* dst);
bool EqualPt(Point a, Point b);
// The angle of a point seen from the centre of a rectangle: whole degrees clockwise from 12
// o'clock, measured on the rectangle (its top-right corner lies at 45).
void PtToAngle(const Rect* r, Point pt, i16* angle);
// Maps from the source rectangle's space onto the destination rectangle's.
void MapPt(Point* pt, const Rect* src, const Rect* dst);
void MapRect(Rect* r, const Rect* src, const Rect* dst);
void MapRgn(RgnHandle rgn, const Rect* src, const Rect* dst);
void MapPoly(PolyHandle poly, const Rect* src, const Rect* dst);
void ScalePt(Point* pt, const Rect* src, const Rect* dst);

// --- Lines -----------------------------------------------------------------------------------
void LineTo(i16 h, i16 v);
void Line(i16 dh, i16 dv);

// --- Shapes ----------------------------------------------------------------------------------
void FrameRect(const Rect* r);
void PaintRect(const Rect* r);
void EraseRect(const Rect* r);
void InvertRect(const Rect* r);
void FillRect(const Rect* r, const Pattern* pat);

void FrameRoundRect(const Rect* r, i16 ovalWidth, i16 ovalHeight);
void PaintRoundRect(const Rect* r, i16 ovalWidth, i16 ovalHeight);
void EraseRoundRect(const Rect* r, i16 ovalWidth, i16 ovalHeight);
void InvertRoundRect(const Rect* r, i16 ovalWidth, i16 ovalHeight);
void FillRoundRect(const Rect* r, i16 ovalWidth, i16 ovalHeight, const Pattern* pat);

void FrameOval(const Rect* r);
void PaintOval(const Rect* r);
void EraseOval(const Rect* r);
void InvertOval(const Rect* r);
void FillOval(const Rect* r, const Pattern* pat);

void FrameArc(const Rect* r, i16 startAngle, i16 arcAngle);
void PaintArc(const Rect* r, i16 startAngle, i16 arcAngle);
void EraseArc(const Rect* r, i16 startAngle, i16 arcAngle);
void InvertArc(const Rect* r, i16 startAngle, i16 arcAngle);
void FillArc(const Rect* r, i16 startAngle, i16 arcAngle, const Pattern* pat);

void FramePoly(PolyHandle poly);
void PaintPoly(PolyHandle poly);
void ErasePoly(PolyHandle poly);
void InvertPoly(PolyHandle poly);
void FillPoly(PolyHandle poly, const Pattern* pat);

void FrameRgn(RgnHandle rgn);
void PaintRgn(RgnHandle rgn);
void EraseRgn(RgnHandle rgn);
void InvertRgn(RgnHandle rgn);
void FillRgn(RgnHandle rgn, const Pattern* pat);

// --- Polygons --------------------------------------------------------------------------------
// Between OpenPoly and ClosePoly the lines drawn in the current port become the polygon's
// points (the pen is hidden meanwhile). ClosePoly sets the bounding rectangle.
PolyHandle OpenPoly();
void ClosePoly();
void KillPoly(PolyHandle poly);
void OffsetPoly(PolyHandle poly, i16 dh, i16 dv);
// The points of a polygon (none for a bad or short handle).
std::vector<Point> polypoints(PolyHandle poly);
// A new polygon from points (bounding rectangle computed); 0 when memory runs out.
PolyHandle newpolygon(const std::vector<Point>& pts);

// --- Region capture and shape regions --------------------------------------------------------
// Between OpenRgn and CloseRgn the outlines framed in the current port (lines, and the
// frames of rectangles, round rectangles, ovals, polygons and regions) are collected; the pen
// is hidden meanwhile. CloseRgn puts the collected region into rgn: the interiors of the
// closed outlines, combined by exclusive-or.
void OpenRgn();
void CloseRgn(RgnHandle rgn);
// Sets a region to the pixels of a shape.
void OvalRgn(RgnHandle rgn, const Rect* r);
void RoundRectRgn(RgnHandle rgn, const Rect* r, i16 ovalWidth, i16 ovalHeight);
void ArcRgn(RgnHandle rgn, const Rect* r, i16 startAngle, i16 arcAngle);
void PolyRgn(RgnHandle rgn, PolyHandle poly);

}  // namespace kv
