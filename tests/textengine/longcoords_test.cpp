// The engine's 32-bit coordinates and their narrowing to 16 bits.
#include <gtest/gtest.h>

#include "textengine/werecord.h"

namespace kv {
namespace {

TEST(WELongCoordinates, NarrowingPinsAtPlusAndMinus32767) {
  struct Row {
    i32 in;
    i16 out;
  };
  for (Row row : {Row{40000, 32767}, Row{-40000, -32767}, Row{-32768, -32767}, Row{32767, 32767}, Row{-32767, -32767},
                  Row{12, 12}}) {
    const LongPoint lp{row.in, row.in};
    Point p{};
    WELongPointToPoint(&lp, &p);
    EXPECT_EQ(p.v, row.out) << row.in;
    EXPECT_EQ(p.h, row.out) << row.in;
  }
  const LongRect below{40000, -5, 50000, 70000};
  Rect r{};
  WELongRectToRect(&below, &r);
  EXPECT_TRUE(r == (Rect{32767, -5, 32767, 32767})) << "an empty rectangle at 32,767";
}

TEST(WELongCoordinates, PointsOnTheBottomAndRightEdgesAreOutside) {
  LongRect r{};
  WESetLongRect(&r, 10, 20, 30, 40);  // left, top, right, bottom
  EXPECT_TRUE(r == (LongRect{20, 10, 40, 30}));
  struct Row {
    LongPoint p;
    bool inside;
  };
  for (Row row :
       {Row{{20, 10}, true}, Row{{39, 29}, true}, Row{{40, 15}, false}, Row{{25, 30}, false}, Row{{19, 15}, false}})
    EXPECT_EQ(WELongPointInLongRect(&row.p, &r), row.inside) << row.p.v << "," << row.p.h;
}

TEST(WELongCoordinates, WideningOffsetAndInset) {
  LongRect r{};
  const Rect small{-32768, 1, 2, 32767};
  WERectToLongRect(&small, &r);
  EXPECT_TRUE(r == (LongRect{-32768, 1, 2, 32767}));
  WEOffsetLongRect(&r, 100000, -3);
  EXPECT_TRUE(r == (LongRect{-32771, 100001, -1, 132767}));
  WEInsetLongRect(&r, 1, 2);
  EXPECT_TRUE(r == (LongRect{-32769, 100002, -3, 132766}));
  LongPoint lp{};
  WEPointToLongPoint(Point{-7, 9}, &lp);
  EXPECT_TRUE(lp == (LongPoint{-7, 9}));
  EXPECT_EQ(_WEPinInRange(5, 6, 9), 6);
  EXPECT_EQ(_WEPinInRange(10, 6, 9), 9);
}

}  // namespace
}  // namespace kv
