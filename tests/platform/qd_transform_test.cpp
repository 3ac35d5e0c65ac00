// Matrices with a projective column and copies through them: a quad's matrix takes the
// corners where they go and its inverse brings them back; the alpha and keyed modes of a
// transformed copy blend or skip pixels.
#include <gtest/gtest.h>

#include "platform/qd/matrix.h"
#include "platform/qd/transformcopy.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using TransformTest = RuntimeTest;

TEST_F(TransformTest, AQuadsMatrixTakesTheCornersAndItsInverseBringsThemBack) {
  const Point square[4] = {{0, 0}, {0, 100}, {100, 100}, {100, 0}};
  const Point quad[4] = {{10, 20}, {0, 90}, {120, 110}, {80, 5}};
  MatrixRecord m, inverse;
  ASSERT_TRUE(QuadToQuadMatrix(square, quad, &m));
  Point p[4] = {square[0], square[1], square[2], square[3]};
  TransformPoints(&m, p, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(p[i].h, quad[i].h, 1) << i;
    EXPECT_NEAR(p[i].v, quad[i].v, 1) << i;
  }
  ASSERT_TRUE(InverseMatrix(&m, &inverse));
  TransformPoints(&inverse, p, 4);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(p[i].h, square[i].h, 1) << i;
  const Point line[4] = {{0, 0}, {0, 10}, {0, 20}, {0, 30}};
  EXPECT_FALSE(QuadToQuadMatrix(square, line, &m)) << "a quad without area";
}

TEST_F(TransformTest, AlphaModesBlendAndTheKeyedModeSkipsTheOperationColour) {
  // Source: alpha 0, alpha 255 and alpha 128 pixels of pure blue.
  GWorldPtr src = qdtest::world(32, 3, 1);
  u32* row = reinterpret_cast<u32*>(GetPixBaseAddr(GetGWorldPixMap(src)));
  row[0] = 0x000000FF, row[1] = 0xFF0000FF, row[2] = 0x800000FF;
  GWorldPtr dst = qdtest::world(32, 3, 1);
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  const Rect all{0, 0, 1, 3};
  PaintRect(&all);
  MatrixRecord identity;
  SetIdentityMatrix(&identity);
  PixMap pm = pixmaprecord(GetGWorldPixMap(src));
  pm.rowBytes |= pixmapflag;
  TransformCopyBits(reinterpret_cast<const BitMap*>(&pm), &identity, transformalpha, 0);
  EXPECT_EQ(qdtest::pixel(dst, 0, 0) & 0xFFFFFF, 0xFF0000u) << "transparent: the red stays";
  EXPECT_EQ(qdtest::pixel(dst, 1, 0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_NEAR(int((qdtest::pixel(dst, 2, 0) >> 16) & 0xFF), 127, 1) << "half of each";
  EXPECT_NEAR(int(qdtest::pixel(dst, 2, 0) & 0xFF), 128, 1);

  PaintRect(&all);
  const RGBColor blue{0, 0, 0xFFFF};
  OpColor(&blue);
  TransformCopyBits(reinterpret_cast<const BitMap*>(&pm), &identity, transformkeyed, 0);
  EXPECT_EQ(qdtest::pixel(dst, 1, 0) & 0xFFFFFF, 0xFF0000u) << "the operation colour is not copied";
  DisposeGWorld(dst);
  DisposeGWorld(src);
}

}  // namespace
}  // namespace kv
