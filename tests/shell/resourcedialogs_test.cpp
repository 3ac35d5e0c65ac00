// Dialogs a project lays out in DLOG/DITL resources, run by scripts through `dialog(...)` and
// `setDialogItem`, with the items mirrored in item1, item2 ...: loading, editing the state
// texts, showing and clicking, the user items' looks on screen, and the main loop's pass that
// closes what scripts left open.
#include <gtest/gtest.h>

#include "platform/dialogs/dialogs.h"
#include "platform/events/keycodes.h"
#include "platform/lists/lists.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/resources/resourceformat.h"
#include "platform/resources/resources.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "shell/mainloop.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

std::vector<u8> be16s(std::initializer_list<i16> words) {
  std::vector<u8> out;
  for (i16 w : words) {
    out.push_back(u8(u16(w) >> 8));
    out.push_back(u8(w));
  }
  return out;
}

// A DLOG: content bounds, movable-modal definition, invisible, its DITL and no title.
std::vector<u8> dlog(Rect bounds, i16 ditl) {
  std::vector<u8> d = be16s({bounds.top, bounds.left, bounds.bottom, bounds.right, 5, 0, 0, 0, 0, ditl});
  d.push_back(0);
  d.push_back(0);
  return d;
}

struct Item {
  Rect box;
  i16 type;
  std::string text;
};

std::vector<u8> ditl(const std::vector<Item>& items) {
  std::vector<u8> d = be16s({i16(items.size() - 1)});
  for (const Item& it : items) {
    for (int k = 0; k < 4; ++k) d.push_back(0);
    const std::vector<u8> box = be16s({it.box.top, it.box.left, it.box.bottom, it.box.right});
    d.insert(d.end(), box.begin(), box.end());
    d.push_back(u8(it.type));
    d.push_back(u8(it.text.size()));
    d.insert(d.end(), it.text.begin(), it.text.end());
    if (it.text.size() & 1) d.push_back(0);
  }
  return d;
}

// The dialog of the tests lies at 100,100 to 300,400 of the screen.
constexpr i16 kLeft = 100, kTop = 100;
const std::vector<Item> kItems = {
    {{170, 220, 190, 290}, kPushButtonItem, "OK"},                         // 1
    {{170, 130, 190, 200}, kPushButtonItem, "Cancel"},                     // 2
    {{10, 10, 26, 200}, statText, "Hello"},                                // 3
    {{30, 10, 46, 100}, kRadioButtonItem, "A"},                            // 4
    {{50, 10, 66, 100}, kRadioButtonItem, "B"},                            // 5
    {{70, 10, 86, 100}, kRadioButtonItem, "C"},                            // 6
    {{90, 10, 106, 100}, kCheckBoxItem, "X"},                              // 7
    {{110, 10, 126, 100}, kRadioButtonItem, "D"},                          // 8
    {{130, 10, 146, 200}, editText, "edit"},                               // 9
    {{30, 150, 130, 250}, userItem, ""},                                   // 10
    {{170, 10, 190, 80}, kPushButtonItem, "Stop"},                         // 11
    {{10, 250, 26, 290}, ctrlItem + resCtrl, std::string("\x01\x2C", 2)},  // 12: CNTL 300
};

class ResourceDialogTest : public VeltrixTest {
 protected:
  void SetUp() override {
    VeltrixTest::SetUp();
    // PICT 130: a black band twice as wide as it is high.
    const Rect frame{0, 0, 50, 100};
    WindowRef w = nilid;
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &frame, &w), noErr);
    GrafPtr old = nilid;
    GetPort(&old);
    SetPortWindowPort(w);
    PicHandle pic = OpenPicture(&frame);
    PaintRect(&frame);
    ClosePicture();
    SetPort(old);
    DisposeWindow(w);
    ASSERT_NE(pic, nilhandle);
    std::vector<u8> pict(deref(pic), deref(pic) + GetHandleSize(pic));
    KillPicture(pic);
    std::vector<u8> shortdlog = dlog(Rect{0, 0, 10, 10}, 128);
    shortdlog.resize(19);
    std::vector<u8> cut = ditl(kItems);
    cut.resize(cut.size() - 6);
    const std::vector<ResourceItem> items = {
        {fourcc("DLOG"), 128, 0, "Form", dlog(Rect{kTop, kLeft, 300, 400}, 128)},
        {fourcc("DITL"), 128, 0, "", ditl(kItems)},
        {fourcc("DLOG"), 129, 0, "", dlog(Rect{kTop, kLeft, 300, 400}, 129)},
        {fourcc("DITL"), 129, 0, "", cut},
        {fourcc("DLOG"), 131, 0, "", shortdlog},
        {fourcc("DLOG"), 132, 0, "", dlog(Rect{kTop, kLeft, 300, 400}, 133)},
        {fourcc("PICT"), 130, 0, "", pict},
        // CNTL 300: a control from 1 to 10 at 5.
        {fourcc("CNTL"), 300, 0, "",
         [] {
           std::vector<u8> c = be16s({10, 250, 26, 290, 5, 1, 10, 1, 0, 0, 0});
           c.push_back(0);
           return c;
         }()},
    };
    std::vector<u8> file;
    std::string error;
    ASSERT_TRUE(buildresourcefile(items, &file, &error)) << error;
    refnum = openresourcebytes(file, "dialogs");
    ASSERT_GT(refnum, 0);
  }
  void TearDown() override {
    CloseResFile(refnum);
    VeltrixTest::TearDown();
  }
  static Point at(i16 item) {
    const Rect& b = kItems[std::size_t(item - 1)].box;
    return Point{i16(kTop + b.top + 5), i16(kLeft + b.left + 5)};
  }
  static std::string run(const std::string& body) { return "put dialog(preload, 128) into d\n" + body; }
  i16 refnum = 0;
};

TEST_F(ResourceDialogTest, PreloadMirrorsEveryItem) {
  EXPECT_EQ(fn(run("return item1 & \"|\" & item3 & \"|\" & item5 & \"|\" & item9 & \"|\" & item10 & \"|\" & item12")),
            "bve-\\OK|sve-\\Hello|rvec\\B|eve-\\edit|uve-\\|cve-\\1,5,10");
  EXPECT_EQ(fn("get dialog(preload, \"Form\")\nreturn item11"), "bve-\\Stop") << "by name";
  EXPECT_EQ(fn("return dialog(preload, 999)"), "error 151");
  EXPECT_EQ(fn("return dialog(preload, 129)"), "error 151") << "items past the end of the item list";
  EXPECT_EQ(fn("return dialog(preload, 131)"), "error 151") << "a DLOG too short";
  EXPECT_EQ(fn("return dialog(preload, 132)"), "error 151") << "no DITL";
  EXPECT_EQ(fn("get dialog(preload 128)\nreturn item3"), "sve-\\Hello") << "the comma is optional";
  EXPECT_EQ(fn("return dialog(preview, 128)"), "error 2");
  EXPECT_EQ(fn("return dialog(preload, 128 129)"), "error 88");
}

TEST_F(ResourceDialogTest, SetDialogItemEditsTheStateText) {
  EXPECT_EQ(fn(run("setDialogItem 3, disabled, invisible\nreturn item3")), "sid-\\Hello");
  EXPECT_EQ(fn(run("setDialogItem 10, grayBox\nreturn item10")), "uvea\\4");
  EXPECT_EQ(fn(run("setDialogItem 10 text \"hi there\"\nreturn item10")), "uvet\\hi there");
  EXPECT_EQ(fn(run("setDialogItem 7, set\nsetDialogItem 1 commandKey \"k\"\nreturn item7 & item1")), "xves\\Xbvek\\OK");
  EXPECT_EQ(fn(run("setDialogItem 3 contents \"Bye\" enabled\nreturn item3")), "sve-\\Bye");
  EXPECT_EQ(fn(run("setDialogItem 1, grayBox")), "error 152");
  EXPECT_EQ(fn(run("setDialogItem 99, enabled")), "error 64");
  EXPECT_EQ(fn(run("setDialogItem 2, menu \"x\"")), "error 63");
  EXPECT_EQ(fn(run("setDialogItem 3, sideways")), "error 2");
  // A short state text counts as "----\".
  EXPECT_EQ(fn(run("put \"x\" into item3\nsetDialogItem 3, visible\nreturn item3")), "-v--\\");
}

TEST_F(ResourceDialogTest, ReferencesAreCheckedAndDialogsCloseAtTheNextPass) {
  EXPECT_EQ(fn("return dialog(display, 12345)"), "error 149");
  EXPECT_EQ(fn("return dialog(view, \"nonsense\")"), "error 149");
  EXPECT_EQ(fn(run("put dialog(dispose, d) into a\nreturn a & \",\" & dialog(dispose, d)")), "error 149");
  EXPECT_EQ(fn(run("return dialog(dispose, d)")), "0");
  const std::string d = fn("return dialog(preload, 128)");
  std::size_t before = drive::windows().size();
  mainpass();
  EXPECT_EQ(drive::windows().size(), before - 1) << "the dialog left loaded is gone";
  EXPECT_EQ(fn("return dialog(view, " + d + ")"), "error 149");
  EXPECT_EQ(fn(run("return dialog(hilitedLines, d, 3)")), "error 150");
  EXPECT_EQ(fn(run("return dialog(hilitedLines, d, 12)")), "error 150") << "a control that is not a list";
  EXPECT_EQ(fn(run("return dialog(hilitedLines, d, 0)")), "error 64");

  // A resource control that keeps a list answers its selected rows.
  const std::string loaded = fn("return dialog(preload, 128)");
  DialogRef dialog = nilid;
  for (const drive::WindowInfo& w : drive::windows())
    if (isdialog(w.window) && std::to_string(GetWRefCon(w.window)) == loaded) dialog = w.window;
  ASSERT_NE(dialog, nilid);
  ControlRef c = nilid;
  ASSERT_EQ(GetDialogItemAsControl(dialog, 12, &c), noErr);
  const Rect view{0, 0, 48, 100};
  ListHandle list = LNew(&view, 4, 16, dialog, false, false, nullptr);
  LSetSelect(true, Cell{0, 0}, list);
  LSetSelect(true, Cell{0, 2}, list);
  const RegistryId ref = LGetRef(list);
  SetControlReference(c, i32(fourcc("LIST")));
  SetControlData(c, 0, fourcc("lhan"), 2, &ref);
  EXPECT_EQ(fn("return dialog(hilitedLines, " + loaded + ", 12)"), "error 150") << "data too short for a list";
  SetControlData(c, 0, fourcc("lhan"), sizeof ref, &ref);
  EXPECT_EQ(fn("return dialog(hilitedLines, " + loaded + ", 12)"), "1,3");
  LDispose(list);
  EXPECT_EQ(fn("return dialog(hilitedLines, " + loaded + ", 12)"), "error 150") << "the list is gone";
}

TEST_F(ResourceDialogTest, DisplayAppliesTheVariablesAndReadsTheClicksBack) {
  // Input a little later than now: loading a dialog flushes the events already waiting.
  drive::advance(5);
  // Only the edit text changed: it shows the new text, the rest stay as they were.
  drive::click(at(1));
  EXPECT_EQ(
      fn(run("put \"eve-\\new text\" into item9\nget dialog(display, d)\nreturn it & \"|\" & item9 & \"|\" & item3")),
      "1|eve-\\new text|sve-\\Hello");
  // Radio 5 of the run 4..6 clears 4 and 6; radio 8 after the check box keeps its value.
  drive::advance(5);
  drive::click(at(5));
  EXPECT_EQ(fn(run("setDialogItem 4, set\nsetDialogItem 6, set\nsetDialogItem 8, set\n"
                   "get dialog(display, d)\nreturn it & \"|\" & item4 & item5 & item6 & item8")),
            "5|rvec\\Arves\\Brvec\\Crves\\D");
  // A check box toggles.
  drive::advance(5);
  drive::click(at(7));
  EXPECT_EQ(fn(run("get dialog(display, d)\nreturn it & \"|\" & item7")), "7|xves\\X");
  // Escape is command-period: the push button whose key is "." is hit.
  drive::advance(5);
  drive::key(kVKEscape);
  EXPECT_EQ(fn(run("setDialogItem 11 commandKey \".\"\nget dialog(display, d)\nreturn it")), "11");
  // Return hits an active push button 1; a disabled one swallows it.
  drive::advance(5);
  drive::key(kVKReturn);
  drive::click(at(2));
  EXPECT_EQ(fn(run("setDialogItem 1, disabled\nget dialog(display, d)\nreturn it & \"|\" & item1")), "2|bvd-\\OK");
  // A hidden item stays hidden.
  drive::advance(5);
  drive::click(at(1));
  EXPECT_EQ(fn(run("setDialogItem 3, invisible\nget dialog(display, d)\nreturn item3")), "sie-\\Hello");
  // View ends by itself.
  EXPECT_EQ(fn(run("return dialog(view, d)")), "0");
  EXPECT_EQ(fn(run("put \"x\" into item2\nreturn dialog(view, d)")), "0") << "a short text leaves the item alone";
  // The handler that loaded a dialog is gone: its item variables with it.
  const std::string d = fn("return dialog(preload, 128)");
  EXPECT_EQ(fn("return dialog(view, " + d + ")"), "error 16");
}

// The user items as drawn by `view`, which leaves the dialog on screen until the next pass.
class UserItemTest : public ResourceDialogTest {
 protected:
  // Whether the pixel at (h, v) of user item 10 is white.
  static bool white(const Frame& f, i16 h, i16 v) {
    const Rect& b = kItems[9].box;
    return (drive::pixelat(f, i16(b.left + h), i16(b.top + v)) & 0xFFFFFF) == 0xFFFFFF;
  }
  static Frame shown() {
    for (const drive::WindowInfo& w : drive::windows())
      if (w.visible && isdialog(w.window)) return drive::windowpixels(w.window);
    return Frame{};
  }
};

TEST_F(UserItemTest, LooksDrawPicturesTextsAndErase) {
  // A picture of 100 by 50 fitted into 100 by 100: full width, centred down the item.
  EXPECT_EQ(fn(run("setDialogItem 10 picture 130\nreturn dialog(view, d)")), "0");
  mainpass();
  EXPECT_EQ(fn(run("setDialogItem 10 picture \"130,p\"\nreturn dialog(view, d)")), "0");
  Frame f = shown();
  EXPECT_TRUE(white(f, 50, 10));
  EXPECT_FALSE(white(f, 50, 30));
  EXPECT_FALSE(white(f, 50, 70));
  EXPECT_TRUE(white(f, 50, 80));
  EXPECT_FALSE(white(f, 2, 50));
  mainpass();
  // Without the p the picture fills the item; erasing it leaves the item blank.
  EXPECT_EQ(fn(run("setDialogItem 10 picture 130\nreturn dialog(view, d)")), "0");
  f = shown();
  EXPECT_FALSE(white(f, 50, 10));
  EXPECT_FALSE(white(f, 50, 90));
  mainpass();
  EXPECT_EQ(fn(run(
                "setDialogItem 10 picture 130\nget dialog(view, d)\nsetDialogItem 10 erase\nreturn dialog(view, d)")),
            "0");
  f = shown();
  EXPECT_TRUE(white(f, 50, 10));
  EXPECT_TRUE(white(f, 50, 90));
  EXPECT_TRUE(white(f, 0, 0));
  mainpass();
  // A text wraps within the item.
  EXPECT_EQ(fn(run("setDialogItem 10 text \"many words to wrap over several lines of the item\"\n"
                   "return dialog(view, d)")),
            "0");
  f = shown();
  int inked = 0, lowinked = 0;
  for (i16 v = 0; v < 100; ++v)
    for (i16 h = 0; h < 100; ++h)
      if (!white(f, h, v)) {
        ++inked;
        if (v > 20) ++lowinked;
      }
  EXPECT_GT(inked, 0);
  EXPECT_GT(lowinked, 0) << "the text went on to later lines";
  mainpass();
  // A box frames the item.
  EXPECT_EQ(fn(run("setDialogItem 10 modalBox\nreturn dialog(view, d)")), "0");
  f = shown();
  EXPECT_FALSE(white(f, 50, 1));
  EXPECT_TRUE(white(f, 50, 50));
}

TEST_F(UserItemTest, TheSixBoxLooks) {
  struct Case {
    const char* look;
    bool top, third, inside, bottom;  // inked: the top row, the row 2 below it, the middle, the bottom row
  };
  for (const Case& c : {Case{"box", true, false, false, true}, Case{"doubleLine", true, true, false, false},
                        Case{"grayLine", true, false, false, false}, Case{"modalBox", true, false, false, true},
                        Case{"grayBox", true, true, true, true}, Case{"grayLineBox", true, false, false, true}}) {
    EXPECT_EQ(fn(run(std::string("setDialogItem 10 ") + c.look + "\nreturn dialog(view, d)")), "0") << c.look;
    const Frame f = shown();
    auto inked = [&](i16 v) { return !white(f, 50, v) || !white(f, 51, v); };
    EXPECT_EQ(inked(0), c.top) << c.look;
    EXPECT_EQ(inked(2), c.third) << c.look;
    EXPECT_EQ(inked(50), c.inside) << c.look;
    EXPECT_EQ(inked(99), c.bottom) << c.look;
    mainpass();
  }
}

}  // namespace
}  // namespace kv
