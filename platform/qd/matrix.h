// Transformation matrices, as the picture transforms use them: a point (x, y) becomes
// ((a x + c y + tx) / W, (b x + d y + ty) / W) with W = u x + v y + w, where a = m[0][0],
// b = m[0][1], c = m[1][0], d = m[1][1], tx = m[2][0], ty = m[2][1] are 16.16 fixed-point
// numbers and the projective column u = m[0][2], v = m[1][2], w = m[2][2] holds 2.30
// fractions (an affine matrix has 0, 0, 1). Each operation puts its transform after the ones
// the matrix holds. The record is 36 bytes, stored as it is (nine 32-bit words).
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

struct MatrixRecord {
  Fixed matrix[3][3];
};
static_assert(sizeof(MatrixRecord) == 36);

void SetIdentityMatrix(MatrixRecord* m);
void TranslateMatrix(MatrixRecord* m, Fixed dx, Fixed dy);
// Turns by `degrees` about (aboutx, abouty); with the vertical axis pointing down a positive
// angle turns clockwise on the screen.
void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutx, Fixed abouty);
// Scales by (sx, sy) about (aboutx, abouty).
void ScaleMatrix(MatrixRecord* m, Fixed sx, Fixed sy, Fixed aboutx, Fixed abouty);
// Slants about (aboutx, abouty): x moves by skewx times the distance in y, y by skewy times the
// distance in x.
void SkewMatrix(MatrixRecord* m, Fixed skewx, Fixed skewy, Fixed aboutx, Fixed abouty);
// Scales and moves `from` onto `to`; false (the matrix unchanged) when `from` has no area.
bool MapMatrix(MatrixRecord* m, const Rect* from, const Rect* to);
// Transforms the points in place, each rounded to the nearest whole coordinate (kept within
// 16 bits).
void TransformPoints(const MatrixRecord* m, Point* points, i32 count);
// The projective matrix that takes the four corners of `source` onto those of `dest` (each in
// corner order, top-left, top-right, bottom-right, bottom-left); false (the matrix unchanged)
// when either quadrilateral is degenerate.
bool QuadToQuadMatrix(const Point source[4], const Point dest[4], MatrixRecord* map);
// The inverse of a matrix; false (the result unchanged) when it has none.
bool InverseMatrix(const MatrixRecord* m, MatrixRecord* inverse);

// The matrix in doubles, row by row (the projective column as plain numbers), and back.
struct RealMatrix {
  double m[3][3];
};
RealMatrix realmatrix(const MatrixRecord& f);
MatrixRecord fixedmatrix(const RealMatrix& r);

constexpr Fixed fixed1 = 0x10000;
constexpr double fixedtodouble(Fixed f) { return double(f) / 65536.0; }
Fixed doubletofixed(double d);

}  // namespace kv
