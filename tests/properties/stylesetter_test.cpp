// The style setter: graphics getting and losing their polygons, buttons turning into platform
// controls and back with their data properties, fields becoming lists and text again, and a
// window made again in another style.
#include <gtest/gtest.h>

#include <algorithm>

#include "render/drawroutines.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "properties/userprops.h"
#include "render/controloptions.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class StyleSetterTest : public PropertyTest {
 protected:
  bool hasprop(std::string_view object, const char* name) {
    spot s = cardspot(object);
    Handle value = nilhandle;
    Str255 n{};
    n[0] = u8(std::strlen(name));
    std::memcpy(n + 1, name, n[0]);
    return s.uprops != nilhandle && prophandutil(s.uprops, n, &value) == 0;
  }
};

TEST_F(StyleSetterTest, Graphics) {
  spot box = cardspot("Box");
  box.rect = Rect{10, 10, 40, 50};
  putcardspot("Box", box);
  ASSERT_EQ(setline("set the style of graphic \"Box\" to polygon"), 0);
  box = cardspot("Box");
  EXPECT_EQ(box.style, stylepolygon);
  EXPECT_EQ(polypoints(box.data), (std::vector<Point>{{10, 10}, {10, 50}, {40, 50}, {40, 10}, {10, 10}}))
      << "closed through the corners";
  ASSERT_EQ(setline("set the style of graphic \"Box\" to rect"), 0);
  EXPECT_EQ(Handle(cardspot("Box").data), nilhandle) << "the points are released";
  EXPECT_EQ(cardspot("Box").style, stylerectangle);
  ASSERT_EQ(setline("set the style of graphic \"Box\" to \"roundRect\""), 0);
  EXPECT_EQ(u16(getgraphictail(cardspot("Box")).startangle), 15);
  EXPECT_EQ(u16(getgraphictail(cardspot("Box")).arcangle), 15);
  ASSERT_EQ(setline("set the style of graphic \"Box\" to checkBox"), 0) << "no graphic style: nothing";
  EXPECT_EQ(cardspot("Box").style, 101);
  EXPECT_EQ(setline("set the style of graphic \"Line\" to rect"), 82);
  EXPECT_TRUE(changed(current().cardrecid));
}

TEST_F(StyleSetterTest, Buttons) {
  spot s = cardspot("Two");
  s.style = 200;
  s.flags &= ~spotplatformcontrol;
  putcardspot("Two", s);
  ASSERT_EQ(setline("set the style of card button \"Two\" to checkBox"), 0);
  s = cardspot("Two");
  EXPECT_EQ(s.style, 204);
  EXPECT_TRUE(isplatformcontrol(s));
  const controlpart c = getcontrolpart(s);
  EXPECT_EQ(c.currentvalue, 0);
  EXPECT_EQ(c.minimumvalue, 0);
  EXPECT_EQ(c.maximumvalue, 2) << "set after the style's defaults";
  ASSERT_EQ(setline("set the style of card button \"Two\" to transparent"), 0);
  s = cardspot("Two");
  EXPECT_EQ(s.style, 200);
  EXPECT_FALSE(isplatformcontrol(s));
  EXPECT_EQ(s.showfill, 0);
  EXPECT_EQ(s.showpen, 0);

  ASSERT_EQ(setline("set the style of card button \"Two\" to popupMenu"), 0);
  EXPECT_TRUE(hasprop("Two", "popupData"));
  ASSERT_EQ(setline("set the style of card button \"Two\" to tabs"), 0);
  EXPECT_FALSE(hasprop("Two", "popupData")) << "an empty popupData goes";
  EXPECT_TRUE(hasprop("Two", "tabData"));
  // The setter's range is what the record holds until the button is drawn (drawing gives an
  // auto-hilite bevel its control's own range): the window's pen is hidden around the set.
  const CGrafPtr port = GetWindowPort(mainglobals().current.window);
  SetPortPenVisibility(port, i16(GetPortPenVisibility(port) - 1));
  ASSERT_EQ(setline("set the style of card button \"Two\" to \"bevel\""), 0);
  SetPortPenVisibility(port, i16(GetPortPenVisibility(port) + 1));
  EXPECT_EQ(getBevelBtnBehavior(cardspot("Two")), 0);
  EXPECT_EQ(getcontrolpart(cardspot("Two")).maximumvalue, 2);

  s = cardspot("Two");
  s.style = 208;
  putcardspot("Two", s);
  EXPECT_EQ(setline("set the style of card button \"Two\" to rect"), 83);
  EXPECT_EQ(setline("set the style of card button \"Go\" to \"sideways\""), 83);
}

TEST_F(StyleSetterTest, FieldsBecomeListsAndTextAgain) {
  ASSERT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 plain {\\b bold}}\""), 0);
  ASSERT_GE(measurefieldtext(cardspot("Notes").data).runs, 2);
  ASSERT_EQ(setline("set the style of card field \"Notes\" to scrollingList"), 0);
  EXPECT_EQ(cardspot("Notes").style, stylefieldscrolllist);
  ASSERT_EQ(setline("set the style of card field \"Notes\" to rect"), 0);
  spot s = cardspot("Notes");
  EXPECT_EQ(s.style, stylefieldrect);
  const fieldtextlayout l = measurefieldtext(s.data);
  EXPECT_EQ(l.runs, 0) << "the styles go";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(s.data)) + l.textoffset, size_t(l.textlength)),
            "plain bold");
  ASSERT_EQ(setline("set the style of card field \"Notes\" to shadow"), 0);
  EXPECT_EQ(u16(cardspot("Notes").shadow), 2);
  EXPECT_EQ(setline("set the style of card field \"Notes\" to checkBox"), 83);
}

TEST_F(StyleSetterTest, Windows) {
  transcriptclear();
  ASSERT_EQ(setline("set the style of window 1 to palette"), 0);
  EXPECT_EQ(u16(loadat<windrec>(deref(current().wind)).word2), 6);
  EXPECT_EQ(current().cardnum, 1u) << "at its card";
  for (const std::string& line : transcriptlines()) EXPECT_EQ(line.find("Card"), std::string::npos) << line;
  EXPECT_EQ(setline("set the style of window 1 to \"bogus\""), 43);
  EXPECT_EQ(setline("set the style of card 1 to rect"), 2);
  mainglobals().plugin = 1;
  EXPECT_EQ(setline("set the style of window 1 to standard"), 177);
  mainglobals().plugin = 0;
}

}  // namespace
}  // namespace kv
