// The window setters as scripts use them: window and background sizes, the window flags, the
// scroll of windows and fields, colour tables and monitor depths, zoom limits and the
// backdrop's clicks, and the properties of a window's record and open context.
#include <gtest/gtest.h>

#include "engine/textutil.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "properties/windowsetters.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

class WindowSetterTest : public PropertyTest {
 protected:
  windrec wind() { return loadat<windrec>(deref(current().wind)); }
  backrec back() { return loadat<backrec>(deref(current().back)); }
  static std::string resulttext() {
    Handle r = mainglobals().result;
    return r == nilhandle ? "" : std::string(reinterpret_cast<const char*>(deref(r)), size_t(GetHandleSize(r)));
  }
  static std::string resultentry(i16 n) {
    StringPtr s = resultstr(n);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  // The window flag word set through windflags on window 1's descriptor.
  i16 flag(u16 word, u16 value) {
    objread obj{};
    EXPECT_EQ(readreference("window 1", &obj), 0);
    i16 st = windflags(&obj, word, value);
    writeobj(&obj);
    return st;
  }
};

TEST_F(WindowSetterTest, WindowSizes) {
  ASSERT_EQ(setline("set the dontLimitWindows to false"), 0);
  EXPECT_EQ(setline("set the windowSize of window 1 to 0,300"), 66);
  EXPECT_EQ(setline("set the windowSize of window 1 to 40000,300"), 209) << "checked before it is narrowed";
  EXPECT_EQ(setline("set the windowSize of window 1 to -5,300"), 66) << "no inverted window";
  EXPECT_EQ(setline("set the windowSize of window 1 to 300,-200"), 66);
  EXPECT_EQ(cardvalue("the rect of window 1"), "100,100,640,460") << "no failure changed anything";
  ASSERT_EQ(setline("set the windowSize of window 1 to 300,200"), 0);
  EXPECT_EQ(cardvalue("the rect of window 1"), "100,100,400,300") << "the top-left stays";
  EXPECT_EQ(windtorect(current().window), (Rect{100, 100, 300, 400})) << "the open window follows";
  ASSERT_EQ(setline("set the windowSize of window 1 to 2000,1000"), 0);
  EXPECT_EQ(cardvalue("the rect of window 1"), "100,100,640,460") << "no larger than its card";
  ASSERT_EQ(setline("set the dontLimitWindows to true"), 0);
  ASSERT_EQ(setline("set the windowLimit to 600,500"), 0);
  ASSERT_EQ(setline("set the windowSize of window 1 to 2000,1000"), 0);
  EXPECT_EQ(cardvalue("the rect of window 1"), "100,100,700,600") << "no larger than the window limit";
  EXPECT_EQ(setline("set the windowSize of card 1 to 300,200"), 61);
  mainglobals().plugin = 1;
  EXPECT_EQ(setline("set the windowSize of window 1 to 300,200"), 177);
  mainglobals().plugin = 0;
}

TEST_F(WindowSetterTest, BackgroundSizes) {
  ASSERT_EQ(setline("set the dontLimitWindows to false"), 0);
  takeredraws();
  ASSERT_EQ(setline("set the backSize of bkgnd 1 to 300,200"), 0);
  EXPECT_EQ(back().width, 300);
  EXPECT_EQ(back().height, 200);
  EXPECT_TRUE(changed(current().backrecid));
  EXPECT_EQ(windtorect(current().window), (Rect{100, 100, 300, 400})) << "the open window is limited to it";
  EXPECT_EQ(wind().rect1, (Rect{100, 100, 460, 640})) << "the stored rectangle stays";
  auto redraws = takeredraws();
  ASSERT_FALSE(redraws.empty());
  EXPECT_TRUE(redraws.back().whole);
  EXPECT_EQ(setline("set the backSize of card 1 to 300,200"), 60);
  EXPECT_EQ(setline("set the backSize of bkgnd 1 to 0,10"), 66);
  EXPECT_EQ(setline("set the backSize of bkgnd 1 to 10,32768"), 209);
  EXPECT_EQ(setline("set the backSize of bkgnd 1 to 10,10 20"), 19);
  EXPECT_EQ(back().width, 300);
}

TEST_F(WindowSetterTest, WindowFlags) {
  const WindowRef w = current().window;
  const u32 before = wind().flags;
  ASSERT_EQ(flag(tok::shadow, 0), 0);
  EXPECT_EQ(wind().flags, before | kWindNoShadow);
  WindowAttributes attributes = 0;
  GetWindowAttributes(w, &attributes);
  EXPECT_TRUE(attributes & kWindowNoShadowAttribute);
  ASSERT_EQ(flag(tok::shadow, 1), 0);
  EXPECT_EQ(wind().flags, before);
  GetWindowAttributes(w, &attributes);
  EXPECT_FALSE(attributes & kWindowNoShadowAttribute);

  ASSERT_EQ(flag(tok::closebox, 0), 0);
  EXPECT_FALSE(wind().flags & kWindCloseBox);
  ASSERT_EQ(flag(tok::autodim, 0), 0);
  EXPECT_TRUE(wind().flags & 0x8000000);
  ASSERT_EQ(flag(tok::inwindowmenu, 1), 0);
  GetWindowAttributes(w, &attributes);
  EXPECT_TRUE(attributes & kWindowInWindowMenuAttribute);
  ASSERT_EQ(flag(tok::inwindowmenu, 0), 0);
  EXPECT_TRUE(wind().flags & 0x100);
  GetWindowAttributes(w, &attributes);
  EXPECT_FALSE(attributes & kWindowInWindowMenuAttribute) << "out of the Window menu";

  ASSERT_EQ(flag(tok::collapsed, 1), 0);
  EXPECT_TRUE(IsWindowCollapsed(w));
  ASSERT_EQ(flag(tok::collapsed, 0), 0);
  EXPECT_FALSE(IsWindowCollapsed(w));

  const u32 kept = wind().flags;
  EXPECT_EQ(cardvalue("the modified of window 1"), "false");
  ASSERT_EQ(flag(tok::modified, 1), 0);
  EXPECT_EQ(cardvalue("the modified of window 1"), "true");
  EXPECT_EQ(wind().flags, kept) << "no record bit";
  ASSERT_EQ(flag(tok::modified, 0), 0);
  EXPECT_EQ(cardvalue("the modified of window 1"), "false");

  EXPECT_EQ(flag(tok::name, 1), 43);
  EXPECT_EQ(flag(tok::vis, 1), 43) << "the flags setter's own word";
}

TEST_F(WindowSetterTest, APaletteKeepsItsClass) {
  const WindowRef w = current().window;
  ASSERT_EQ(SetWindowClass(w, kFloatingWindowClass), noErr);
  ASSERT_EQ(flag(tok::shadow, 0), 0);
  WindowClass cls = 0;
  GetWindowClass(w, &cls);
  EXPECT_EQ(cls, kFloatingWindowClass);
  WindowAttributes attributes = 0;
  GetWindowAttributes(w, &attributes);
  EXPECT_TRUE(attributes & kWindowNoShadowAttribute);
}

TEST_F(WindowSetterTest, NotResizableRepaintsTheGrowCorner) {
  const WindowRef w = current().window;
  SavePort saved;
  SetPortWindowPort(w);
  Rect port{};
  GetPortBounds(GetWindowPort(w), &port);
  // Something else in the corner first.
  const Rect corner{i16(port.bottom - 15), i16(port.right - 15), port.bottom, port.right};
  PaintRect(&corner);
  ASSERT_EQ(flag(tok::resizable, 0), 0);
  EXPECT_FALSE(wind().flags & kWindResizable);
  SetPortWindowPort(w);
  RGBColor theme{}, got{};
  const i16 brush = windowthemebrush(w) != 0 ? windowthemebrush(w) : i16(15);
  ASSERT_TRUE(themebrushcolour(brush, true, &theme));
  GetCPixel(i16(port.right - 8), i16(port.bottom - 8), &got);
  RGBColor shown{};
  RealColor(&theme, &shown);
  EXPECT_EQ(got, shown) << "the corner takes the theme background";
}

TEST_F(WindowSetterTest, ScrollingFields) {
  spot s = cardspot("Notes");
  s.style = stylefieldscroll;
  s.rect = Rect{100, 200, 160, 300};
  putcardspot("Notes", s);
  ASSERT_EQ(setline("put \"1\" & return & \"2\" & return & \"3\" & return & \"4\" & return & \"5\" & return & \"6\" & "
                    "return & \"7\" & return & \"8\" & return & \"9\" into card field \"Notes\""),
            0);
  ASSERT_EQ(setline("set the scroll of card field \"Notes\" to -5"), 0);
  EXPECT_EQ(getfieldscroll(cardspot("Notes")), 0);
  ASSERT_EQ(setline("set the scroll of card field \"Notes\" to 100000"), 0);
  const i32 most = getfieldscroll(cardspot("Notes"));
  EXPECT_GT(most, 0) << "nine lines do not fit";
  EXPECT_LT(most, 200);
  ASSERT_EQ(setline("set the scroll of card field \"Notes\" to " + std::to_string(most + 50)), 0);
  EXPECT_EQ(getfieldscroll(cardspot("Notes")), most) << "the same maximum";
  ASSERT_EQ(setline("set the scroll of card field \"Notes\" to " + std::to_string(most - 1)), 0);
  EXPECT_EQ(getfieldscroll(cardspot("Notes")), most - 1);
  EXPECT_EQ(setline("set the scroll of card field \"Notes\" to 5 with buffering"), 19);
  EXPECT_EQ(setline("set the scroll of card field \"Notes\" to \"x\""), 13);

  EXPECT_EQ(setline("set the scroll of bkgnd field \"Title\" to 5"), 98) << "a field that does not scroll";
  EXPECT_EQ(setline("set the scroll of card button 1 to 5"), 2);

  s = cardspot("Notes");
  releaselivefield(s);
  s.style = stylefieldscrolllist;
  putcardspot("Notes", s);
  // While the screen is locked the value stays as set (a drawn list keeps its rows in view).
  ASSERT_EQ(
      setline("lock screen\nset the scroll of card field \"Notes\" to 40\nput the scroll of card field \"Notes\" into "
              "bkgnd field \"Title\""),
      0);
  EXPECT_EQ(cardvalue("bkgnd field \"Title\""), "40");
  ASSERT_EQ(setline(
                "lock screen\nset the scroll of card field \"Notes\" to 100000\nput the scroll of card field \"Notes\" "
                "into bkgnd field \"Title\""),
            0);
  EXPECT_EQ(cardvalue("bkgnd field \"Title\""), std::to_string(kListScrollLimit)) << "within a list's range";
  ASSERT_EQ(setline("unlock screen"), 0);
}

TEST_F(WindowSetterTest, ScrollingWithoutBufferingKeepsTheLiveRecord) {
  spot s = cardspot("Notes");
  s.style = stylefieldscroll;
  putcardspot("Notes", s);
  ASSERT_EQ(setline("put \"1\" & return & \"2\" & return & \"3\" & return & \"4\" & return & \"5\" into card field "
                    "\"Notes\""),
            0);
  drawedit(current(), nullptr);
  const u32 live = livefield(cardspot("Notes"));
  if (live == 0) GTEST_SKIP() << "drawing made no live record";
  ASSERT_EQ(setline("set the scroll of card field \"Notes\" to 10 without buffering"), 0);
  EXPECT_EQ(livefield(cardspot("Notes")), live) << "scrolled in place";
  EXPECT_EQ(getfieldscroll(cardspot("Notes")), 10);
  ASSERT_EQ(setline("set the scroll of card field \"Notes\" to 0"), 0);
  EXPECT_NE(livefield(cardspot("Notes")), live) << "the record is dropped (and made afresh by the redraw)";
  EXPECT_EQ(getfieldscroll(cardspot("Notes")), 0);
}

TEST_F(WindowSetterTest, ScrollingTheCard) {
  ASSERT_EQ(setline("set the backSize of bkgnd 1 to 2000,2000"), 0);
  takeredraws();
  ASSERT_EQ(setline("set the scroll of window 1 to -3,40"), 0);
  EXPECT_EQ(GetControl32BitValue(current().hscroll), 0);
  EXPECT_EQ(GetControl32BitValue(current().vscroll), 40);
  EXPECT_FALSE(takeredraws().empty()) << "redrawn";
  EXPECT_EQ(setline("set the scroll of window \"Other\" to 1,1"), 61);
  EXPECT_EQ(setline("set the scroll of window 1 to 1"), 39);
  mainglobals().plugin = 1;
  EXPECT_EQ(setline("set the scroll of window 1 to 1,1"), 177);
  mainglobals().plugin = 0;
  ASSERT_EQ(setline("set the offset of bkgnd 1 to 10,20"), 0);
  EXPECT_EQ(GetControl32BitValue(current().hscroll), 10);
  EXPECT_EQ(GetControl32BitValue(current().vscroll), 20);
  EXPECT_EQ(setline("set the offset of card 1 to 10,20"), 2);
}

TEST_F(WindowSetterTest, MonitorDepths) {
  ASSERT_EQ(setline("set the colorMode of monitor 1 to \"thousands\""), 0);
  EXPECT_EQ(screendepth(0), 16);
  EXPECT_EQ(devicedepth(GetMainDevice()), 16) << "the screen device follows";
  EXPECT_EQ(cardvalue("the colorMode of monitor 1"), "thousands");
  ASSERT_EQ(setline("set the colorMode of monitor 1 to \"4\""), 0);
  EXPECT_EQ(resulttext(), resultentry(24)) << "a depth the screen cannot show";
  EXPECT_EQ(screendepth(0), 16);
  EXPECT_EQ(setline("set the colorMode of monitor 9 to \"millions\""), 2);
  EXPECT_EQ(setline("set the colorMode of monitor 1 to \"plaid\""), 2);
  ASSERT_EQ(setline("set colorMode 1 to \"millions\""), 0);
  EXPECT_EQ(screendepth(0), 32);
}

// A stored colour table (big-endian) of these colours.
std::vector<u8> clutdata(std::vector<RGBColor> colours) {
  std::vector<u8> out{0, 0, 0, 7, 0, 0};
  auto put = [&](u16 v) {
    out.push_back(u8(v >> 8));
    out.push_back(u8(v));
  };
  put(u16(colours.size() - 1));
  for (std::size_t i = 0; i < colours.size(); ++i) {
    put(u16(i));
    put(colours[i].red), put(colours[i].green), put(colours[i].blue);
  }
  return out;
}

TEST_F(WindowSetterTest, ColourTables) {
  mainglobals().colorWorld = 0;
  EXPECT_EQ(setline("set the clut of card 1 to 300"), 101);
  mainglobals().colorWorld = 1;
  // A project whose resource 300 is a table of white, red and black.
  testproject::Project p = project();
  p.resources.assign(200, testproject::Resource{fourcc("junk"), "", {1}});
  p.resources.push_back(
      testproject::Resource{fourcc("clut"), "Ocean", clutdata({{0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0, 0}, {0, 0, 0}})});
  p.windows[0].cards[0].objects[2].fillfore = 35;  // red in the standard table
  p.windows[0].cards[0].objects[2].fillback = 0;   // white
  build(p, "c.kv45");
  ASSERT_EQ(open("c.kv45"), 0);
  ASSERT_EQ(setline("set the clut of card 1 to \"system\""), 0);
  EXPECT_EQ(cardvalue("the clut of card 1"), "0");
  ASSERT_EQ(setline("set the clut of card 1 to 300"), 0);
  EXPECT_EQ(cardvalue("the clut of card 1"), "300");
  EXPECT_TRUE(changed(current().cardrecid));
  const spot box = cardspot("Box");
  EXPECT_EQ(box.fillfore, 1) << "red is the new table's second colour";
  EXPECT_EQ(box.fillback, 0);
  ASSERT_NE(current().cardclut, nilhandle);
  EXPECT_EQ(ctablecount(current().cardclut), 3) << "the window shows the card through its table";
  ASSERT_EQ(setline("set the clut of bkgnd 1 to \"Ocean\""), 0);
  EXPECT_EQ(cardvalue("the clut of bkgnd 1"), "300");
  EXPECT_EQ(ctablecount(current().backclut), 3);
  ASSERT_EQ(setline("set the clut of card 1 to \"nosuch\""), 0);
  EXPECT_EQ(resulttext(), resultentry(15));
  EXPECT_EQ(cardvalue("the clut of card 1"), "300") << "nothing changed";
  EXPECT_EQ(setline("set the clut of window 1 to 300"), 2);
  EXPECT_EQ(setline("set the clut of card 1 to 300 400"), 19);
}

TEST_F(WindowSetterTest, ZoomLimits) {
  const WindowRef w = current().window;
  ASSERT_EQ(setline("set the dontLimitWindows to false"), 0);
  Rect r{};
  ASSERT_EQ(GetWindowStandardState(w, &r), noErr);
  EXPECT_LE(r.right - r.left, 540) << "no wider than the card";
  EXPECT_LE(r.bottom - r.top, 360);
  ASSERT_EQ(setline("set the dontLimitWindows to true"), 0);
  ASSERT_EQ(GetWindowStandardState(w, &r), noErr);
  Rect zoomed{};
  CalculateZoomOutRect(w, &zoomed);
  EXPECT_EQ(r, zoomed) << "the screen's bounds less the frame";
  EXPECT_GT(r.right - r.left, 540);
  // The window's own flag limits it again.
  ASSERT_EQ(flag(tok::dolimitwd, 1), 0);
  ASSERT_EQ(GetWindowStandardState(w, &r), noErr);
  EXPECT_LE(r.right - r.left, 540);
}

TEST_F(WindowSetterTest, StoredWindowWords) {
  ASSERT_EQ(setline("set the opacity of window 1 to -5"), 0);
  EXPECT_EQ(wind().translucency, 100);
  ASSERT_EQ(setline("set the opacity of window 1 to 150"), 0);
  EXPECT_EQ(wind().translucency, 0);
  EXPECT_TRUE(changed(current().windrecid));
  ASSERT_EQ(setline("set the opacity of window 1 to 30"), 0);
  float alpha = 0;
  GetWindowAlpha(current().window, &alpha);
  EXPECT_FLOAT_EQ(alpha, 0.3f);
  ASSERT_EQ(setline("set the themeBackground of window 1 to 3"), 0);
  EXPECT_EQ(wind().themeback, 768);
  ASSERT_EQ(setline("set the themeBackground of window 1 to \"alertWindow\""), 0);
  EXPECT_EQ(wind().themeback, 3);
  EXPECT_EQ(setline("set the themeBackground of window 1 to \"bogus\""), 209);
  EXPECT_EQ(wind().themeback, 3);
  EXPECT_EQ(setline("set the themeBackground to 3"), 5);
  EXPECT_EQ(setline("set the opacity of card 1 to 3"), 2);
  ASSERT_EQ(setline("set the opacity of window \"Other\" to 40"), 0) << "a closed window's record";
}

TEST_F(WindowSetterTest, TheBackdropsOpacity) {
  ASSERT_EQ(setline("set the backDrop to black"), 0);
  ASSERT_NE(mainglobals().backdrop, nilid);
  ASSERT_EQ(setline("set the opacity of backDrop to 40"), 0);
  float alpha = 0;
  GetWindowAlpha(mainglobals().backdrop, &alpha);
  EXPECT_FLOAT_EQ(alpha, 0.4f);
  EXPECT_EQ(mainglobals().backdropTransparency, 60);
  EXPECT_EQ(setline("set the opacity of the backDrop 40"), 7);
  ASSERT_EQ(setline("set the backDrop to none"), 0);
}

TEST_F(WindowSetterTest, OpenWindowWords) {
  ASSERT_EQ(setline("set the hiliteColor of window 1 to 300"), 0);
  EXPECT_EQ(current().hilitecolor, 256);
  ASSERT_EQ(setline("set the hiliteColor to 7"), 0) << "the current window";
  EXPECT_EQ(current().hilitecolor, 7);
  EXPECT_EQ(setline("set the hiliteColor of window \"Other\" to 3"), 61);

  const CGrafPtr port = GetWindowPort(current().window);
  ASSERT_EQ(setline("set the lockScreen of window 1 to true"), 0);
  ASSERT_EQ(setline("set the lockScreen of window 1 to true"), 0);
  EXPECT_EQ(GetPortPenVisibility(port), -2);
  takeredraws();
  ASSERT_EQ(setline("set the lockScreen of window 1 to false"), 0);
  EXPECT_EQ(GetPortPenVisibility(port), 0) << "one false shows the pen again";
  EXPECT_FALSE(takeredraws().empty()) << "and redraws the card";
  ASSERT_EQ(setline("set the lockScreen of window 1 to false"), 0);
  EXPECT_TRUE(takeredraws().empty()) << "nothing when the pen shows";

  ASSERT_EQ(setline("set the editBackground of window 1 to true"), 0);
  EXPECT_EQ(current().backlayer, 1);
  desk entry{};
  ASSERT_TRUE(getwind(current().window, &entry));
  EXPECT_EQ(entry.backlayer, 1) << "written back into the table";
  ASSERT_EQ(setline("set the editBackground to false"), 0);
  EXPECT_EQ(current().backlayer, 0);
  EXPECT_EQ(setline("set the editBackground to maybe"), 15);
}

class ToolChangeTest : public PropertyTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = project();
    p.windows[0].cards[0].script =
        "on toolChange a, b\nglobal g\nput a & \"|\" & b after g\nif b is \"field tool\" then exit to kestrove\n"
        "end toolChange";
    build(p);
    ASSERT_EQ(open(), 0);
  }
};

TEST_F(ToolChangeTest, TheCardHearsOfIt) {
  spot s = cardspot("Go");
  s.selected = 1;
  putcardspot("Go", s);
  ASSERT_EQ(setline("set the tool to \"button\""), 0);
  EXPECT_EQ(global("g"), "browse tool|button tool");
  EXPECT_EQ(current().tool, 603);
  EXPECT_EQ(cardspot("Go").selected, 0) << "leaving the browse tool deselects";
  clearglobals();
  ASSERT_EQ(setline("set the tool to field tool"), 0) << "the handler cancels";
  EXPECT_EQ(global("g"), "button tool|field tool");
  EXPECT_EQ(current().tool, 603) << "the old tool stays";
  ASSERT_EQ(setline("set the tool of window 1 to 101"), 0);
  EXPECT_EQ(current().tool, kBrowseTool);
  EXPECT_EQ(current().plugin, 1) << "plug-in mode";
  ASSERT_EQ(setline("set the tool to 100"), 0);
  EXPECT_EQ(current().plugin, 0);
  EXPECT_EQ(mainglobals().plugin, 0);
  EXPECT_EQ(setline("set the tool to \"nothing\""), 2);
  EXPECT_EQ(setline("set the tool to 12345"), 2);
}

// The backdrop: a click that only it covers does nothing.
class BackdropClickTest : public EventLoopTest {};

TEST_F(BackdropClickTest, AClickOnTheBackdropIsIgnored) {
  ASSERT_EQ(openproject(), 0);
  ASSERT_EQ(doline("set the backDrop to white"), 0);
  settle();
  clearlog();
  const std::vector<WindowRef> before = windowlist();
  drive::click(Point{700, 900});
  EXPECT_EQ(logged(), "");
  EXPECT_EQ(windowlist(), before) << "the order stays";
  EXPECT_EQ(windowclickactivation(mainglobals().backdrop, Point{700, 900}, 0), kDoNotActivateAndIgnoreClick);
  EXPECT_EQ(windowclickactivation(current().window, Point{200, 200}, 0), kActivateAndHandleClick);
  ASSERT_EQ(doline("set the backDrop to none"), 0);
}

}  // namespace
}  // namespace kv
