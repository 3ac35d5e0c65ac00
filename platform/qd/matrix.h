// Transformation matrices of 16.16 fixed-point numbers, as the picture transforms use them: a
// point (x, y) becomes (a x + c y + tx, b x + d y + ty), with a = m[0][0], b = m[0][1],
// c = m[1][0], d = m[1][1], tx = m[2][0], ty = m[2][1]. Each operation puts its transform
// after the ones the matrix holds.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

struct MatrixRecord {
  Fixed matrix[3][3];
};

void SetIdentityMatrix(MatrixRecord* m);
void TranslateMatrix(MatrixRecord* m, Fixed dx, Fixed dy);
// Turns by `degrees` about (aboutx, abouty); with the vertical axis pointing down a positive
// angle turns clockwise on the screen.
void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutx, Fixed abouty);
// Slants about (aboutx, abouty): x moves by skewx times the distance in y, y by skewy times the
// distance in x.
void SkewMatrix(MatrixRecord* m, Fixed skewx, Fixed skewy, Fixed aboutx, Fixed abouty);
// Scales and moves `from` onto `to`; false (the matrix unchanged) when `from` has no area.
bool MapMatrix(MatrixRecord* m, const Rect* from, const Rect* to);
// Transforms the points in place, each rounded to the nearest whole coordinate (kept within
// 16 bits).
void TransformPoints(const MatrixRecord* m, Point* points, i32 count);

constexpr Fixed fixed1 = 0x10000;
constexpr double fixedtodouble(Fixed f) { return double(f) / 65536.0; }
Fixed doubletofixed(double d);

}  // namespace kv
