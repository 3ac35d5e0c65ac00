// Icon families: members of every depth decoded from 'icns' data, the member that fits a
// rectangle, the transforms, the point-in-icon test, and data that does not hold together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/qd/icons.h"
#include "platform/qd/imagefiles.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/qd/qd.h"
#include "platform/testing/testimages.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/icondata.h"

namespace kv {
namespace {

using namespace qdtest;
using IconFamilyTest = RuntimeTest;

// One channel of a 32 x 32 run-length member: every pixel `value`, in runs of at most 130.
void channel(std::vector<u8>& out, u8 value) {
  for (int left = 1024; left > 0; left -= 130) {
    out.push_back(u8(std::min(left, 130) + 125));
    out.push_back(value);
  }
}

IconRef familyof(const std::vector<u8>& data, OSErr* err = nullptr) {
  IconRef ref = nilid;
  const OSErr e = GetIconRefFromIconFamilyPtr(data.data(), Size(data.size()), &ref);
  if (err) *err = e;
  return ref;
}

TEST_F(IconFamilyTest, TheDeepestMemberThatFitsIsPlottedWithItsMaskAndTransform) {
  // 32 x 32: a black 1-bit disc and a green 32-bit member half transparent on its left half;
  // 64 x 64: an opaque blue PNG.
  std::vector<u8> green;
  channel(green, 0);
  channel(green, 0xFF);
  channel(green, 0);
  std::vector<u8> mask(1024);
  for (int i = 0; i < 1024; ++i) mask[std::size_t(i)] = i % 32 < 16 ? 0x80 : 0xFF;
  DecodedImage blue;
  blue.width = blue.height = 64;
  blue.pixels.assign(64 * 64, 0x0000FF);
  std::vector<u8> png;
  ASSERT_TRUE(encodeimagepng(blue, &png));
  const IconRef ref = familyof(testicons::family(
      {testicons::blackicon(testicons::disc), {fourcc("il32"), green}, {fourcc("l8mk"), mask}, {fourcc("ic12"), png}}));
  ASSERT_TRUE(IsValidIconRef(ref));
  GWorldPtr gw = world(32, 100, 100);
  const Rect small{0, 0, 32, 32}, large{0, 30, 60, 100};
  EXPECT_EQ(PlotIconRef(&small, kAlignNone, kTransformNone, ref), noErr);
  EXPECT_EQ(pixel(gw, 20, 10), 0x00FF00u) << "the 32-bit member wins over the 1-bit one";
  EXPECT_EQ(pixel(gw, 5, 10), 0x7FFF7Fu) << "half transparent over white";
  EXPECT_EQ(PlotIconRef(&large, kAlignAbsoluteCenter, kTransformSelected, ref), noErr);
  EXPECT_EQ(pixel(gw, 60, 30), 0x00007Fu) << "the PNG member, darkened by the selected transform";
  EXPECT_EQ(pixel(gw, 34, 30), 0xFFFFFFu) << "a 60-pixel square centred in a 70-pixel width";
  EXPECT_EQ(pixel(gw, 35, 30), 0x00007Fu);
  const Rect again{40, 0, 72, 32};
  PlotIconRef(&again, kAlignNone, kTransformDisabled, ref);
  EXPECT_EQ(pixel(gw, 20, 50), 0x80FF80u) << "the disabled transform halves the alpha";
  EXPECT_EQ(ReleaseIconRef(ref), noErr);
  EXPECT_FALSE(IsValidIconRef(ref));
  EXPECT_EQ(PlotIconRef(&small, kAlignNone, kTransformNone, ref), invalidIconRefErr);
  DisposeGWorld(gw);
}

TEST_F(IconFamilyTest, AJpeg2000MemberIsPlottedWithItsOwnAlpha) {
  // 16 x 16: opaque red on the left half, a half-transparent blue top right, nothing below it.
  std::vector<u32> argb(16 * 16);
  for (std::size_t i = 0; i < argb.size(); ++i)
    argb[i] = i % 16 < 8 ? 0xFFFF0000u : i / 16 < 8 ? 0x800000FFu : 0x00000000u;
  const std::vector<u8> jp2 = testjpeg2000(16, 16, argb);
  ASSERT_FALSE(jp2.empty());
  const IconRef ref = familyof(testicons::family({{fourcc("icp4"), jp2}}));
  ASSERT_TRUE(IsValidIconRef(ref));
  GWorldPtr gw = world(32, 16, 16);
  const Rect r{0, 0, 16, 16};
  EXPECT_EQ(PlotIconRef(&r, kAlignNone, kTransformNone, ref), noErr);
  EXPECT_EQ(pixel(gw, 3, 12), 0xFF0000u);
  EXPECT_EQ(pixel(gw, 12, 3), 0x7F7FFFu) << "half transparent over white";
  EXPECT_EQ(pixel(gw, 12, 12), 0xFFFFFFu) << "transparent";
  Point in{3, 12}, out{12, 12};
  EXPECT_TRUE(PtInIconRef(&in, &r, kAlignNone, ref));
  EXPECT_FALSE(PtInIconRef(&out, &r, kAlignNone, ref)) << "the point test reads the member's alpha";
  ReleaseIconRef(ref);
  DisposeGWorld(gw);
  OSErr err = noErr;
  EXPECT_EQ(familyof(testicons::family({{fourcc("icp4"), std::vector<u8>(jp2.begin(), jp2.begin() + 60)}}), &err),
            nilid)
      << "a file cut short";
  EXPECT_EQ(err, noSuchIconErr);
}

TEST_F(IconFamilyTest, ThePointTestReadsTheMaskScaledToTheRectangle) {
  const IconRef ref = familyof(testicons::family({testicons::blackicon(testicons::disc)}));
  const Rect r{10, 10, 74, 74};  // twice the icon's size
  for (auto [pt, in] : {std::pair<Point, bool>{Point{42, 42}, true},
                        {Point{11, 11}, false},
                        {Point{73, 73}, false},
                        {Point{42, 14}, true},
                        {Point{5, 42}, false}})
    EXPECT_EQ(PtInIconRef(&pt, &r, kAlignNone, ref), in) << pt.h << "," << pt.v;
  ReleaseIconRef(ref);
}

TEST_F(IconFamilyTest, DataThatDoesNotHoldTogetherMakesNoReference) {
  OSErr err = noErr;
  std::vector<u8> data = testicons::family({testicons::blackicon(testicons::disc)});
  EXPECT_EQ(familyof(std::vector<u8>(data.begin(), data.end() - 1), &err), nilid);
  EXPECT_EQ(err, paramErr) << "the family's length runs past the data";
  data[0] = 'x';
  EXPECT_EQ(familyof(data, &err), nilid);
  EXPECT_EQ(err, paramErr);
  // Members that do not decode: a short 1-bit member, an unknown type, a broken PNG, a
  // run-length member that runs out.
  EXPECT_EQ(familyof(testicons::family({{fourcc("ICN#"), std::vector<u8>(255, 0xFF)},
                                        {fourcc("zzzz"), {1, 2, 3}},
                                        {fourcc("ic08"), {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0}},
                                        {fourcc("il32"), {0xFF, 0x00, 0x05}}}),
                     &err),
            nilid);
  EXPECT_EQ(err, noSuchIconErr);
  IconRef none = 1;
  EXPECT_EQ(GetIconRef(0, fourcc("macs"), fourcc("TEXT"), &none), noSuchIconErr) << "no system icons of file types";
  EXPECT_EQ(none, nilid);
}

using IconSuiteTest = RuntimeTest;
TEST_F(IconSuiteTest, ASuiteHoldsCopiesOfTheMembersFound) {
  std::vector<ResourceItem> items{ResourceItem{fourcc("ICN#"), 300, 0, "", std::vector<u8>(256, 0xAA)},
                                  ResourceItem{fourcc("ics#"), 300, 0, "", std::vector<u8>(64, 0x55)},
                                  ResourceItem{fourcc("icl8"), 301, 0, "", std::vector<u8>(1024, 1)}};
  std::vector<u8> file;
  std::string error;
  ASSERT_TRUE(buildresourcefile(items, &file, &error)) << error;
  const i16 ref = openresourcebytes(file, "icons");
  IconSuiteRef suite = nilhandle;
  ASSERT_EQ(GetIconSuite(&suite, 300, kSelectorAllAvailableData), noErr);
  Handle large = iconsuitemember(suite, fourcc("ICN#"));
  ASSERT_NE(large, nilhandle);
  EXPECT_EQ(GetHandleSize(large), 256);
  EXPECT_NE(large, GetResource(fourcc("ICN#"), 300)) << "a copy, not the resource";
  EXPECT_EQ(iconsuitemember(suite, fourcc("icl8")), nilhandle) << "another id";

  // An action sees the members the selector takes and may replace them.
  static std::vector<ResType> seen;
  seen.clear();
  ASSERT_EQ(ForEachIconDo(
                suite, kSelectorSmall1Bit | kSelectorLarge8Bit,
                [](ResType type, Handle*, void*) -> OSErr {
                  seen.push_back(type);
                  return noErr;
                },
                nullptr),
            noErr);
  EXPECT_EQ(seen, std::vector<ResType>{fourcc("ics#")});
  EXPECT_EQ(ForEachIconDo(
                suite, kSelectorAllAvailableData, [](ResType, Handle*, void*) -> OSErr { return -1; }, nullptr),
            -1);

  IconSuiteRef none = nilhandle;
  EXPECT_EQ(GetIconSuite(&none, 302, kSelectorAllAvailableData), noSuchIconErr);
  EXPECT_EQ(none, nilhandle);
  ASSERT_EQ(DisposeIconSuite(suite, true), noErr);
  CloseResFile(ref);
}

}  // namespace
}  // namespace kv
