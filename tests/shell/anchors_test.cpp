// Anchoring an object's edges to its window: the forms of "anchorData" and the rectangle each
// letter gives when a 300 x 200 window changes size.
#include "shell/anchors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace kv {
namespace {

const Rect kReference{0, 0, 200, 300};
const Rect kButton{10, 250, 30, 290};

bool parse(const char* text, anchoring* a) {
  return parseanchors(reinterpret_cast<const u8*>(text), i32(std::strlen(text)), a);
}

// The button's rectangle with the anchors `text` in a window of `width` x `height`.
Rect resized(const char* text, i16 width, i16 height = 200, Rect old = kButton,
             const anchorpartner& partner = nullptr) {
  anchoring a;
  EXPECT_TRUE(parse(text, &a)) << text;
  return anchoredrect(a, old, kReference, Rect{0, 0, height, width}, partner);
}

void expectrect(const Rect& r, i16 left, i16 top, i16 right, i16 bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(AnchorsTest, Letters) {
  expectrect(resized("RTRB", 400), 350, 10, 390, 30);
  expectrect(resized("rtrb", 400), 350, 10, 390, 30);
  expectrect(resized("LTRB", 400), 250, 10, 390, 30);
  expectrect(resized("SSSS", 400, 300), 250, 10, 290, 30);
  expectrect(resized("LTLT", 400, 300), 250, 10, 290, 30);
  expectrect(resized("C,T,C,B", 400), 300, 10, 340, 30);
  expectrect(resized("L T R B", 400, 260), 250, 10, 390, 90);
  expectrect(resized("LTRT", 400), 250, 10, 390, 30);
}

TEST(AnchorsTest, ProportionalKeepsTheSize) {
  const Rect r = resized("P,T,P,B", 400);
  EXPECT_EQ(r.right - r.left, 40);
  EXPECT_NEAR((r.left + r.right) / 2, 360, 1);
  // Limits of -: the centre is raised to at least the first number.
  const Rect low = resized("-400,T,P,B", 400);
  EXPECT_EQ((low.left + low.right) / 2, 400);
  const Rect high = resized("-0:100,T,P,B", 400);
  EXPECT_EQ((high.left + high.right) / 2, 100) << "lowered to at most the second";
  // On the right edge: re-centred only when nearer than the first number to the right edge.
  const Rect near = resized("S,T,-60,B", 400);
  EXPECT_EQ((near.left + near.right) / 2, 340);
  EXPECT_EQ(near.right - near.left, 40);
  expectrect(resized("S,T,-20,B", 400), 250, 10, 290, 30);
  // A later edge overrides what the first edge's proportional rule set.
  expectrect(resized("-400,T,S,B", 400), 380, 10, 290, 30);
}

TEST(AnchorsTest, PartnersMoveWithTheirObject) {
  const std::map<i32, std::pair<Rect, Rect>> moved{{7, {kButton, Rect{10, 350, 30, 390}}}};
  const anchorpartner partner = [&](i32 id, Rect* saved, Rect* now) {
    const auto it = moved.find(id);
    if (it == moved.end()) return false;
    *saved = it->second.first;
    *now = it->second.second;
    return true;
  };
  const Rect field{40, 100, 60, 200};
  expectrect(resized("~7,T,~7,B", 400, 200, field, partner), 200, 40, 300, 60);
  expectrect(resized("~8,T,~8,B", 400, 200, field, partner), 100, 40, 200, 60);  // no such partner
  expectrect(resized("~7,T,~7,B", 400, 200, field), 100, 40, 200, 60);           // no saved table
}

TEST(AnchorsTest, InvalidDataIsRefused) {
  anchoring a;
  for (const char* bad : {"L,T,R", "TLRB", "LTRBX", "L,T,R,B,S", "X,T,R,B", "~7x,T,R,B", "~99999999999,T,R,B",
                          "-40000,T,R,B", "-1:x,T,R,B", "", ",,,"}) {
    EXPECT_FALSE(parse(bad, &a)) << bad;
  }
  EXPECT_TRUE(parse("  Left,\tTop\r, Right , Bottom", &a));
  EXPECT_TRUE(parse("~,T,-,B", &a));
}

TEST(AnchorsTest, EdgesClampToSixteenBits) {
  const Rect r = resized("R,B,R,B", 32767, 32767, Rect{30000, 30000, 30100, 30100});
  EXPECT_EQ(r.right, 32767);
  EXPECT_EQ(r.bottom, 32767);
  const Rect far = resized("P,P,P,P", 30000, 30000, Rect{-30000, -30000, -29000, -29000});
  EXPECT_EQ(far.left, -32768) << "proportional images beyond 16 bits";
}

}  // namespace
}  // namespace kv
