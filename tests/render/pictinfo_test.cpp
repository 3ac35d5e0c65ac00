// Picture information and image filters: the text forms scripts read, change requests with
// their clamps, the aspect layout, and the filter list's walks over stored (possibly damaged)
// lists.
#include "engine/tokens.h"
#include "render/pictinfo.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "platform/memory/memory.h"
#include "render/filterlist.h"
#include "render/spotstyles.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"
#include "tests/support/spots.h"

namespace kv {
namespace {

std::array<u8, 256> pstr(const char* s) {
  std::array<u8, 256> p{};
  p[0] = u8(std::strlen(s));
  std::memcpy(p.data() + 1, s, p[0]);
  return p;
}

class PictInfoTest : public RuntimeTest {
 protected:
  void TearDown() override {
    clearalt(s_);
    RuntimeTest::TearDown();
  }
  spot& picture(Rect r = Rect{0, 0, 100, 100}) {
    s_ = testspots::newspot(spotgraphic, stylerectangle, 1, r);
    EXPECT_EQ(New_PictInfoHandle(s_), 1);
    return s_;
  }
  std::string info(const spot& s, u16 token = tok::pictinfo) {
    OwnedHandle text(NewHandle(0));
    EXPECT_EQ(GetPictureInfo(s, text, token), noErr);
    return std::string(reinterpret_cast<const char*>(deref(text)), size_t(GetHandleSize(text)));
  }
  PictInfo record() { return loadat<PictInfo>(deref(getaltdata(s_.alt, altpictinfo))); }
  // Applies a request that changes only the settings of `mask`.
  i16 request(u32 mask, void (*fill)(PictInfo&)) {
    PictInfo r;
    SetPictInfo_NotValid(r);
    r.changemask = mask;
    fill(r);
    return SetAltToPicInfo(s_, r);
  }
  static Handle item(const char* name, u32 datalength = 4) {
    OwnedHandle data(NewHandle(Size(datalength)));
    const auto n = pstr(name);
    return flattenFilterInfo(fourcc("blur"), true, n.data(), datalength ? Handle(data) : nilhandle);
  }
  Handle addnamed(Handle* list, const char* name) {
    OwnedHandle it(item(name));
    EXPECT_EQ(addfilter(list, it), 0);
    return *list;
  }
  spot s_{};
};

TEST_F(PictInfoTest, PictureInfoListsTheSettingsInOrder) {
  picture();
  EXPECT_EQ(info(s_),
            "dontCacheBits=false\rdestRect=0,0,0,0\rimageRect=0,0,0,0\rmagnify=1.000000\r"
            "opColor=65535,65535,65535\rpictureData=true\rpicturePath=embedded\rsourceRect=0,0,0,0\r"
            "rotation=0\rquad=0,0,0,0,0,0,0,0\rclickThrough=false\rclickThroughLevel=0\raspect=fill");

  Handle list = nilhandle;
  for (const char* n : {"Blur", "Tint", "Edge"}) addnamed(&list, n);
  ASSERT_EQ(SetPictFilterHandle(s_.alt, list), noErr);
  EXPECT_NE(info(s_).find("\rquad=0,0,0,0,0,0,0,0\rfilters=Blur,Tint,Edge\rclickThrough=false\r"), std::string::npos);
  EXPECT_EQ(info(s_, tok::filters), "Blur,Tint,Edge");

  spot field = testspots::newspot(spotfield, stylefieldrect, 2);
  const std::string f = info(field);
  EXPECT_NE(f.find("\rpictureData=false\rpicturePath=\rsourceRect="), std::string::npos) << f;
  EXPECT_EQ(f.find("filters"), std::string::npos);
}

TEST_F(PictInfoTest, ChangeRequestsClampWhatTheyStore) {
  picture();
  struct Row {
    i16 rotation, stored;
  };
  for (Row r : {Row{720, 0}, Row{-370, -10}, Row{450, 90}, Row{-90, -90}}) {
    PictInfo q;
    SetPictInfo_NotValid(q);
    q.changemask = maskrotation;
    q.rotation = r.rotation;
    EXPECT_EQ(SetAltToPicInfo(s_, q), 1);
    EXPECT_EQ(record().rotation, r.stored) << r.rotation;
  }
  request(maskmagnify, [](PictInfo& q) { q.magnification = std::bit_cast<u32>(0.5f); });
  EXPECT_EQ(std::bit_cast<float>(u32(record().magnification)), 1.0f);
  EXPECT_FALSE(record().flags & pictmagnify);
  request(maskmagnify, [](PictInfo& q) { q.magnification = std::bit_cast<u32>(1.0f); });
  EXPECT_TRUE(record().flags & pictmagnify);

  request(maskclickthroughlevel, [](PictInfo& q) { q.clickthroughlevel = 300; });
  EXPECT_EQ(record().clickthroughlevel, 255);
  request(maskclickthroughlevel, [](PictInfo& q) { q.clickthroughlevel = u16(-5); });
  EXPECT_EQ(record().clickthroughlevel, 0);

  PictInfo p = record();
  p.imagerect = p.sourcerect = Rect{0, 0, 5, 5};
  storepictinfo(s_.alt, p);
  request(masksourcerect, [](PictInfo& q) { q.sourcerect = Rect{0, 0, 10, 10}; });
  EXPECT_EQ(record().sourcerect.bottom, 5) << "a source outside the image is not taken";
  EXPECT_EQ(record().requestedsource.bottom, 10) << "but kept as the one asked for";

  EXPECT_EQ(request(maskaspectreset, [](PictInfo&) {}), 0);
  EXPECT_EQ(request(0, [](PictInfo&) {}), 0);
}

TEST_F(PictInfoTest, AspectLayoutFitsAndCentresTheSource) {
  picture(Rect{0, 0, 100, 100});
  PictInfo p = record();
  p.imagerect = p.sourcerect = Rect{0, 0, 100, 200};
  storepictinfo(s_.alt, p);
  request(maskaspect, [](PictInfo& q) { q.aspect = aspectfit; });
  EXPECT_EQ(record().destrect, (Rect{0, 0, 50, 100}));
  request(maskaspect, [](PictInfo& q) { q.aspect = aspectcenter; });
  EXPECT_EQ(record().destrect, (Rect{25, 0, 75, 100}));
  // Nothing to scale by: the object's rectangle, with no division by zero.
  EXPECT_EQ(aspectlayout(aspectfit, Rect{0, 0, 0, 0}, Rect{0, 0, 100, 100}), (Rect{0, 0, 100, 100}));
  EXPECT_EQ(aspectlayout(aspectcenter, Rect{0, 0, 10, 10}, Rect{5, 5, 5, 5}), (Rect{5, 5, 5, 5}));
}

TEST_F(PictInfoTest, FilterListsGrowShrinkAndAreLookedUpByName) {
  Handle list = nilhandle;
  addnamed(&list, "Blur");
  EXPECT_EQ(countfilters(list), 1);
  u16 at = 0;
  EXPECT_EQ(filternametoidx(list, pstr("blur").data(), &at), 1);
  EXPECT_EQ(at, 0);
  for (int i = 1; i < kMaxFilters; ++i) addnamed(&list, "Tint");
  OwnedHandle extra(item("Edge"));
  EXPECT_EQ(addfilter(&list, extra), 220);
  EXPECT_EQ(setfilterbyidx(&list, extra, 5), 0);
  Str255 name;
  EXPECT_EQ(filteridxtoname(list, 5, name), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Edge");
  const Size before = GetHandleSize(list);
  const i32 last = getfilteroffsetbyidx(list, kMaxFilters - 1);
  EXPECT_EQ(killfilterbyidx(list, kMaxFilters - 1), 0);
  EXPECT_EQ(GetHandleSize(list), last);
  EXPECT_EQ(before - GetHandleSize(list), Size(loadat<u32>(deref(extra)) + 0)) << "the item's whole length";
  EXPECT_EQ(countfilters(list), kMaxFilters - 1);
  DisposeHandle(list);
}

TEST_F(PictInfoTest, DamagedItemsStopTheWalks) {
  Handle list = nilhandle;
  for (const char* n : {"Blur", "Tint", "Edge"}) addnamed(&list, n);
  OwnedHandle owned(list);
  storeat<u32>(deref(list) + getfilteroffsetbyidx(list, 1), 14);
  u16 at = 0;
  EXPECT_EQ(filternametoidx(list, pstr("Blur").data(), &at), 1);
  EXPECT_EQ(filternametoidx(list, pstr("Edge").data(), &at), 0) << "the lookup stops at the damaged item";
  EXPECT_EQ(at, 0xFFFF);
  EXPECT_EQ(getfilterbyname(list, pstr("Edge").data()), nilhandle);
  setfiltercount(list, 60000);
  EXPECT_EQ(getfilteroffsetbyidx(list, 50000), 0) << "a count past the items finds nothing";

  // Items that do not unflatten: empty data, a length that is not the handle's, a name past
  // the end.
  OwnedHandle nodata(item("Blur", 0)), good(item("Blur"));
  OSType kind;
  u8 reserved, enabled;
  Str255 name;
  u32 length;
  Handle data = nilhandle;
  EXPECT_EQ(unFlattenFilterInfo(nodata, &kind, &reserved, &enabled, name, &length, &data), 0);
  deref(good)[10] = 200;
  EXPECT_EQ(unFlattenFilterInfo(good, &kind, &reserved, &enabled, name, &length, &data), 0);
  deref(good)[10] = 4;
  ASSERT_EQ(unFlattenFilterInfo(good, &kind, &reserved, &enabled, name, &length, &data), 1);
  EXPECT_EQ(kind, OSType(fourcc("blur")));
  EXPECT_EQ(length, 4u);
  DisposeHandle(data);
}

}  // namespace
}  // namespace kv
