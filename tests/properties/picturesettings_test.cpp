// The settings of a picture graphic set from scripts, one word at a time or as entries, and
// the picture moved from one graphic to another.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/pictbuffers.h"
#include "fields/imageimport.h"
#include "platform/memory/memory.h"
#include "platform/testing/testimages.h"
#include "properties/picturedata.h"
#include "properties/picturesettings.h"
#include "render/pictinfo.h"
#include "render/picturecache.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

using testproject::Object;

DecodedImage image(i32 w, i32 h) { return rampimage(w, h, 0x102030u); }

class PictureSettingsTest : public PropertyTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    mainglobals().quicktimepresent = 1;
    testproject::Project p = project();
    Object mine;
    mine.kind = Object::graphic;
    mine.name = "my pic";
    mine.rect = Rect{150, 30, 190, 90};
    p.windows[0].cards[0].objects.push_back(mine);
    p.resources = {
        testproject::Resource{fourcc("PICT"), "Logo", importedpng(testimagefile(TestImageFormat::png, image(6, 4)))}};
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to data \"Logo\""), 0);
    ASSERT_EQ(setline("set the pictureData of card graphic \"my pic\" to data \"Logo\""), 0);
  }
  std::string value(std::string_view word, std::string_view object = "card graphic \"Box\"") {
    return cardvalue("the " + std::string(word) + " of " + std::string(object));
  }
};

TEST_F(PictureSettingsTest, SingleWords) {
  setrows(
      {{"set the rotation of card graphic \"Box\" to 450", "the rotation of card graphic \"Box\"", "90"},
       {"set the rotation of card graphic \"Box\" to -30", "the rotation of card graphic \"Box\"", "-30"},
       {"set the clickThroughLevel of card graphic \"Box\" to 300", "the clickThroughLevel of card graphic \"Box\"",
        "255"},
       {"set the opColor of card graphic \"Box\" to \"10,20,30\"", "the opColor of card graphic \"Box\"", "10,20,30"},
       // Two numbers are read and nothing is applied.
       {"set the opColor of card graphic \"Box\" to \"1,2\"", "the opColor of card graphic \"Box\"", "10,20,30"},
       {"set the clickThrough of card graphic \"Box\" to true", "the clickThrough of card graphic \"Box\"", "true"},
       {"set the aspect of card graphic \"my pic\" to fit", "the aspect of card graphic \"my pic\"", "fit"},
       {"set aspect of card graphic \"my pic\" to clip", "the aspect of card graphic \"my pic\"", "clip"},
       {"set the aspect of card graphic \"Box\" to sideways", "", "error 2"},
       {"set the rotation of card graphic \"Box\" to \"x\"", "", "error 16"},
       {"", "the rotation of card graphic \"Box\"", "-30"},
       {"set the rotation of card graphic \"Box\" 5", "", "error 7"}});
}

TEST_F(PictureSettingsTest, AspectResetFollowsThePicture) {
  ASSERT_EQ(setline("set the rect of card graphic \"Box\" to 10,10,200,120"), 0);
  ASSERT_EQ(setline("set the aspect of card graphic \"Box\" to fit"), 0);
  SetOffset(cardspot("Box").alt, 4, 5);
  ASSERT_EQ(setline("set the aspect of graphic 1 to reset"), 0);
  EXPECT_EQ(value("aspect"), "fill");
  const spot s = cardspot("Box");
  EXPECT_EQ(GetOffset(s.alt).h, 0);
  EXPECT_EQ(GetOffset(s.alt).v, 0);
  EXPECT_EQ(s.rect.right - s.rect.left, 6) << "the rectangle follows the picture";
  EXPECT_EQ(s.rect.bottom - s.rect.top, 4);
}

TEST_F(PictureSettingsTest, EntriesAtOnce) {
  ASSERT_EQ(setline("global x\nput \"rotation = 90\" & return & \"aspect = fit\" into x\n"
                    "set the pictureInfo of card graphic \"Box\" to x"),
            0);
  EXPECT_EQ(value("rotation"), "90");
  EXPECT_EQ(value("aspect"), "fit");
  // Entries written in the statement, up to the end of the line.
  ASSERT_EQ(setline("set the pictureInfo of card graphic \"Box\" to rotation 45 clickThroughLevel is 7"), 0);
  EXPECT_EQ(value("rotation"), "45");
  EXPECT_EQ(value("clickThroughLevel"), "7");
  // A bad entry changes nothing, even after good ones.
  EXPECT_EQ(setline("global x\nput \"rotation = 10\" & return & \"colour = 3\" into x\n"
                    "set the pictureInfo of card graphic \"Box\" to x"),
            2);
  EXPECT_EQ(value("rotation"), "45");
  EXPECT_EQ(setline("set the pictureInfo of card graphic \"Box\" to quad \"1,2,3,4,5,6\""), 2);
  ASSERT_EQ(setline("set the pictureInfo of card graphic \"Box\" to quad \"1,2,3,4,5,6,7,8\""), 0);
  Point q[4];
  GetQuad(cardspot("Box").alt, q);
  EXPECT_EQ(q[3].h, 7);
  EXPECT_EQ(q[3].v, 8);
  EXPECT_EQ(setline("set the pictureInfo of card 1 to \"rotation = 5\""), 11);
}

TEST_F(PictureSettingsTest, PictureDataRefusedByALine) {
  objread obj{};
  ASSERT_EQ(readreference("card graphic \"Line\"", &obj), 0);
  Handle data = NewHandle(16);
  EXPECT_EQ(lowsetpicturedata(obj, data, 1), 112);
  EXPECT_FALSE(IsValidHandle(data)) << "the handle is freed";
  writeobj(&obj);
}

TEST_F(PictureSettingsTest, ShuffleMovesThePicture) {
  ASSERT_EQ(setline("set the sourceRect of card graphic \"my pic\" to 1,1,5,3"), 0);
  const i32 from = cardindex("my pic"), to = cardindex("Box");
  ASSERT_EQ(setline("set the pictureData of card graphic \"Box\" to none"), 0);
  const spot before = cardspot("my pic");
  const Rect image = GetImageRect(before.alt), source = GetSourceRect(before.alt);
  pictbuffer b;
  ASSERT_TRUE(getcachepicture(before, &b)) << "the picture decoded into a buffer";
  objread obj{};
  ASSERT_EQ(readreference("card graphic \"my pic\"", &obj), 0);
  ASSERT_EQ(shufflepicture(obj, from, to, true), 0);
  writeobj(&obj);
  const spot source1 = cardspot("my pic"), dest = cardspot("Box");
  EXPECT_EQ(source1.rect, before.rect) << "the source keeps its rectangle";
  EXPECT_EQ(source1.alt, nilhandle) << "and loses its picture";
  ASSERT_NE(dest.alt, nilhandle);
  EXPECT_EQ(GetImageRect(dest.alt), image);
  EXPECT_EQ(GetSourceRect(dest.alt), source);
  const i32 count = pictbuffercount();
  EXPECT_GE(findpictbuffer(dest, nullptr), 0) << "the buffer is found under the destination's key";
  EXPECT_EQ(pictbuffercount(), count) << "and was not decoded again";
  ASSERT_EQ(readreference("card graphic \"Box\"", &obj), 0);
  EXPECT_EQ(shufflepicture(obj, to, cardindex("Go"), true), 185);
  EXPECT_EQ(shufflepicture(obj, to, cardindex("Line"), true), 112);
  writeobj(&obj);
}

}  // namespace
}  // namespace kv
