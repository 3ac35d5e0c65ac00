#include "platform/qd/matrix.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr double kFract1 = double(1 << 30);

using Real = RealMatrix;

Real product(const Real& a, const Real& b) {
  Real out{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double s = 0;
      for (int k = 0; k < 3; ++k) s += a.m[i][k] * b.m[k][j];
      out.m[i][j] = s;
    }
  return out;
}

// m := m followed by t.
void concat(MatrixRecord* m, const Real& t) { *m = fixedmatrix(product(realmatrix(*m), t)); }

// The transform that moves (x, y) to the origin, applies `core`, and moves back.
Real about(const Real& core, double x, double y) {
  Real t = core;
  t.m[2][0] = x - (x * core.m[0][0] + y * core.m[1][0]);
  t.m[2][1] = y - (x * core.m[0][1] + y * core.m[1][1]);
  return t;
}

bool inverse(const Real& a, Real* out) {
  const auto& m = a.m;
  const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1], c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2],
               c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  Real r{};
  r.m[0][0] = c00 / det;
  r.m[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
  r.m[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
  r.m[1][0] = c01 / det;
  r.m[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
  r.m[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
  r.m[2][0] = c02 / det;
  r.m[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
  r.m[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
  *out = r;
  return true;
}

// The matrix that takes the unit square's corners (0,0), (1,0), (1,1), (0,1) onto a quad.
Real squaretoquad(const Point q[4]) {
  const double x0 = q[0].h, y0 = q[0].v, x1 = q[1].h, y1 = q[1].v, x2 = q[2].h, y2 = q[2].v, x3 = q[3].h, y3 = q[3].v;
  const double sx = x0 - x1 + x2 - x3, sy = y0 - y1 + y2 - y3;
  double g = 0, h = 0;
  if (sx != 0 || sy != 0) {
    const double dx1 = x1 - x2, dx2 = x3 - x2, dy1 = y1 - y2, dy2 = y3 - y2;
    const double den = dx1 * dy2 - dx2 * dy1;
    if (den != 0) {
      g = (sx * dy2 - dx2 * sy) / den;
      h = (dx1 * sy - sx * dy1) / den;
    }
  }
  return Real{{{x1 - x0 + g * x1, y1 - y0 + g * y1, g}, {x3 - x0 + h * x3, y3 - y0 + h * y3, h}, {x0, y0, 1}}};
}

}  // namespace

Real realmatrix(const MatrixRecord& f) {
  Real r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j) r.m[i][j] = fixedtodouble(f.matrix[i][j]);
  if (f.matrix[0][2] == 0 && f.matrix[1][2] == 0 && f.matrix[2][2] == 0) {
    r.m[2][2] = 1;  // a record without its projective column is affine
  } else {
    for (int i = 0; i < 3; ++i) r.m[i][2] = double(f.matrix[i][2]) / kFract1;
  }
  return r;
}

MatrixRecord fixedmatrix(const Real& in) {
  Real r = in;
  // The projective column must fit 2.30: scale the whole matrix (the same transform) so that
  // w is 1, or its largest entry is within the range when w is 0.
  double scale = 1;
  if (r.m[2][2] != 0 && std::isfinite(r.m[2][2])) {
    scale = 1 / r.m[2][2];
  } else {
    const double big = std::max({std::fabs(r.m[0][2]), std::fabs(r.m[1][2])});
    if (big > 1) scale = 1 / big;
  }
  MatrixRecord m{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 2; ++j) m.matrix[i][j] = doubletofixed(r.m[i][j] * scale);
    const double f = std::round(r.m[i][2] * scale * kFract1);
    m.matrix[i][2] = Fixed(std::clamp(f, -2147483648.0, 2147483647.0));
  }
  return m;
}

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
  concat(m, Real{{{1, 0, 0}, {0, 1, 0}, {fixedtodouble(dx), fixedtodouble(dy), 1}}});
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

void ScaleMatrix(MatrixRecord* m, Fixed sx, Fixed sy, Fixed aboutx, Fixed abouty) {
  Real r{{{fixedtodouble(sx), 0, 0}, {0, fixedtodouble(sy), 0}, {0, 0, 1}}};
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
  Real r = realmatrix(*m);
  for (i32 i = 0; i < count; ++i) {
    double x = points[i].h, y = points[i].v;
    double w = x * r.m[0][2] + y * r.m[1][2] + r.m[2][2];
    if (w == 0) w = 1e-12;
    double nx = (x * r.m[0][0] + y * r.m[1][0] + r.m[2][0]) / w;
    double ny = (x * r.m[0][1] + y * r.m[1][1] + r.m[2][1]) / w;
    points[i].h = i16(std::clamp(std::round(nx), -32768.0, 32767.0));
    points[i].v = i16(std::clamp(std::round(ny), -32768.0, 32767.0));
  }
}

bool QuadToQuadMatrix(const Point source[4], const Point dest[4], MatrixRecord* map) {
  Real fromsquare{}, tosquare = squaretoquad(source);
  if (!inverse(tosquare, &fromsquare)) return false;
  const Real result = product(fromsquare, squaretoquad(dest));
  Real check{};
  if (!inverse(result, &check)) return false;
  *map = fixedmatrix(result);
  return true;
}

bool InverseMatrix(const MatrixRecord* m, MatrixRecord* out) {
  Real r{};
  if (!inverse(realmatrix(*m), &r)) return false;
  *out = fixedmatrix(r);
  return true;
}

}  // namespace kv
