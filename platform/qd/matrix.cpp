#include "platform/qd/matrix.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// A matrix in doubles, with the same layout.
struct Real {
  double m[3][3];
};

Real toreal(const MatrixRecord& f) {
  Real r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = fixedtodouble(f.matrix[i][j]);
  r.m[0][2] = r.m[1][2] = 0;
  r.m[2][2] = 1;
  return r;
}

// m := m followed by t.
void concat(MatrixRecord* m, const Real& t) {
  Real a = toreal(*m), out{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double s = 0;
      for (int k = 0; k < 3; ++k) s += a.m[i][k] * t.m[k][j];
      out.m[i][j] = s;
    }
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j) m->matrix[i][j] = doubletofixed(out.m[i][j]);
}

// The transform that moves (x, y) to the origin, applies `core`, and moves back.
Real about(const Real& core, double x, double y) {
  Real t = core;
  t.m[2][0] = x - (x * core.m[0][0] + y * core.m[1][0]);
  t.m[2][1] = y - (x * core.m[0][1] + y * core.m[1][1]);
  return t;
}

}  // namespace

Fixed doubletofixed(double d) {
  double f = std::round(d * 65536.0);
  return Fixed(std::clamp(f, -2147483648.0, 2147483647.0));
}

void SetIdentityMatrix(MatrixRecord* m) {
  *m = MatrixRecord{};
  m->matrix[0][0] = m->matrix[1][1] = fixed1;
  m->matrix[2][2] = 1 << 30;  // 1 in the 2.30 form of the last column
}

void TranslateMatrix(MatrixRecord* m, Fixed dx, Fixed dy) {
  m->matrix[2][0] = Fixed(i64(m->matrix[2][0]) + dx);
  m->matrix[2][1] = Fixed(i64(m->matrix[2][1]) + dy);
}

void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutx, Fixed abouty) {
  constexpr double pi = 3.14159265358979323846;
  double a = fixedtodouble(degrees) * pi / 180.0;
  double c = std::cos(a), s = std::sin(a);
  // Whole quarter turns are exact.
  if (std::fabs(c) < 1e-12) c = 0;
  if (std::fabs(s) < 1e-12) s = 0;
  Real r{{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
  concat(m, about(r, fixedtodouble(aboutx), fixedtodouble(abouty)));
}

void SkewMatrix(MatrixRecord* m, Fixed skewx, Fixed skewy, Fixed aboutx, Fixed abouty) {
  Real r{{{1, fixedtodouble(skewy), 0}, {fixedtodouble(skewx), 1, 0}, {0, 0, 1}}};
  concat(m, about(r, fixedtodouble(aboutx), fixedtodouble(abouty)));
}

bool MapMatrix(MatrixRecord* m, const Rect* from, const Rect* to) {
  double fw = double(from->right) - from->left, fh = double(from->bottom) - from->top;
  if (fw == 0 || fh == 0) return false;
  double sx = (double(to->right) - to->left) / fw, sy = (double(to->bottom) - to->top) / fh;
  Real r{{{sx, 0, 0}, {0, sy, 0}, {to->left - from->left * sx, to->top - from->top * sy, 1}}};
  concat(m, r);
  return true;
}

void TransformPoints(const MatrixRecord* m, Point* points, i32 count) {
  Real r = toreal(*m);
  for (i32 i = 0; i < count; ++i) {
    double x = points[i].h, y = points[i].v;
    double nx = x * r.m[0][0] + y * r.m[1][0] + r.m[2][0];
    double ny = x * r.m[0][1] + y * r.m[1][1] + r.m[2][1];
    points[i].h = i16(std::clamp(std::round(nx), -32768.0, 32767.0));
    points[i].v = i16(std::clamp(std::round(ny), -32768.0, 32767.0));
  }
}

}  // namespace kv
