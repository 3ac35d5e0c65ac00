// The remaining built-in commands as scripts use them: beep, history, notify, setWindow,
// autoSize, unmount, play, and the picture commands (filters, import of colour tables).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "render/pictbuffers.h"
#include "engine/textutil.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/qd/colors.h"
#include "platform/qd/imagefiles.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/testing/testimages.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "render/filterlist.h"
#include "render/pictinfo.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "shell/redraws.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "system/xresources.h"
#include "tests/support/windows.h"
#include "commands/commands.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

// Two windows, "Main" and "Other", each of one card with a rectangle graphic "pic" and a button.
Project twowindows() {
  Project p;
  for (const char* name : {"Main", "Other"}) {
    testproject::Window w;
    w.name = name;
    w.backgrounds = {testproject::Background{"Plain", "", {}}};
    testproject::Card c;
    c.name = std::string(name) + " card";
    Object pic;
    pic.kind = Object::graphic;
    pic.name = "pic";
    pic.rect = Rect{10, 10, 60, 90};
    Object line = pic;
    line.name = "line";
    line.style = 103;
    Object b;
    b.name = "b";
    c.objects = {pic, b, line};
    w.cards = {c};
    p.windows.push_back(w);
  }
  return p;
}

// A filter item: length, kind, reserved, enabled, name, data length and four data bytes.
std::string filteritem(const char* name, u8 enabled) {
  std::string bytes(15 + std::strlen(name) + 4, '\0');
  const u32 length = u32(bytes.size()), datalength = 4;
  std::memcpy(&bytes[0], &length, 4);
  bytes[9] = char(enabled);
  bytes[10] = char(std::strlen(name));
  std::memcpy(&bytes[11], name, std::strlen(name));
  std::memcpy(&bytes[11 + std::strlen(name)], &datalength, 4);
  return bytes;
}

class OtherCommandsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(twowindows());
    ASSERT_EQ(open(), 0);
  }
  static std::string resulttext(i16 n) { return std::string(pstringview(resultstr(n))); }
  Handle objects() { return mainglobals().current.cardspots; }
  // Gives the graphic "pic" two filters, "Blur" (enabled) and "Edge" (disabled).
  void givefilters() {
    std::string list(2, '\0');
    list[0] = 2;
    list += filteritem("Blur", 1) + filteritem("Edge", 0);
    Handle filters = nilhandle;
    ASSERT_EQ(PtrToHand(list.data(), &filters, Size(list.size())), noErr);
    // A picture graphic: picture information, the picture's data, and the filter list.
    spot s = spotat(objects(), 0);
    s.flags = s.flags | spotpictinfo;
    ASSERT_EQ(New_PictInfoHandle(s), 1);
    ASSERT_EQ(setaltdata(s.alt, NewHandle(16), altpictdata), noErr);
    SetStorageMode(s.alt, pictembedded);
    ASSERT_EQ(setaltdata(s.alt, filters, altfilters), noErr);
    putspot(objects(), 0, s);
  }
  // The enabled byte of filter i (0-based) of "pic"; -1 when it has none.
  int enabled(i32 i) {
    Handle list = GetPictFilterHandle(spotat(objects(), 0).alt);
    i16 on = 0;
    if (list == nilhandle || !getfilterenablebyidx(list, i, &on)) return -1;
    return on;
  }
  u16 cardchanged() {
    u16 changed = 0;
    EXPECT_EQ(testvir(current().store, i32(current().cardrecid), &changed), 0);
    return changed;
  }
  std::string path(std::string_view name) { return home->path() + "/" + std::string(name); }
};

TEST_F(OtherCommandsTest, BeepCountsAndHistoryFlags) {
  transcriptclear();
  ASSERT_EQ(failingline("beep 3"), 0);
  EXPECT_EQ(std::count(transcriptlines().begin(), transcriptlines().end(), "beep"), 3);
  EXPECT_EQ(failingline("beep -1"), 38);
  ASSERT_EQ(failingline("history"), 0);
  EXPECT_EQ(historystate().history, 1);
  ASSERT_EQ(failingline("history"), 0);
  EXPECT_EQ(historystate().history, 0) << "alone it toggles";
  ASSERT_EQ(failingline("history on"), 0);
  EXPECT_EQ(historystate().history, 1);
  ASSERT_EQ(failingline("history \"off\""), 0);
  EXPECT_EQ(historystate().history, 0) << "any other word clears it";
  ASSERT_EQ(failingline("history disable\nhistory\nhistory on"), 0);
  EXPECT_EQ(historystate().history, 0) << "disabled history stays off";
  ASSERT_EQ(failingline("history enable\nhistory"), 0);
  EXPECT_EQ(historystate().history, 1);
  EXPECT_EQ(failingline("history on now"), 19);
}

TEST_F(OtherCommandsTest, NotifyAsksForTheUsersAttention) {
  setprocessfront(false);
  requestuserattention(false);
  ASSERT_EQ(failingline("notify wait 2 seconds"), 0);
  EXPECT_TRUE(attentionrequested());
  EXPECT_EQ(mainglobals().notfront, 0);
  failrows({{"notify", "", ""}, {"notify 10 ticks", "", ""}, {"notify 3 seconds later", "", "error 19"}});
}

TEST_F(OtherCommandsTest, SetWindowMakesAnOpenWindowCurrent) {
  const desk first = current();
  ASSERT_EQ(open("p.kv45", 2), 0);
  mainglobals().current = first;
  const u64 changes = mainglobals().layerchanges;
  ASSERT_EQ(run("global w\nsetWindow window \"Other\"\nput the short name of this card into w"), 0);
  EXPECT_EQ(global("w"), "Other card");
  EXPECT_GT(mainglobals().layerchanges, changes);
  closeallwindows();
  ASSERT_EQ(open(), 0);
  failrows({{"setWindow window \"Other\"", "", "error 61"},
            {"setWindow card 1", "", "error 2"},
            {"setWindow window \"Main\" now", "", "error 19"}});
}

TEST_F(OtherCommandsTest, AutoSizeRedrawsAnOpenWindow) {
  (void)takeredraws();
  ASSERT_EQ(failingline("autoSize this window"), 0);
  const std::vector<redrawrequest> redraws = takeredraws();
  ASSERT_FALSE(redraws.empty());
  EXPECT_TRUE(redraws.back().whole);
  // The window's pen is shown again: painting reaches its pixels.
  SetPortWindowPort(current().window);
  const Rect spot{200, 200, 210, 210};
  PaintRect(&spot);
  EXPECT_EQ(drive::pixelat(drive::windowpixels(current().window), 205, 205) & 0xFFFFFF, 0u);
  failrows({{"autoSize this card", "", ""},
            {"autoSize this background", "", ""},
            {"autoSize button 1", "", "error 2"},
            {"autoSize window \"Other\"", "", "error 61"}});
}

TEST_F(OtherCommandsTest, UnmountLeavesItsOutcomeInTheResult) {
  failrows({{"unmount \"Data\"", "the result", resulttext(79)},
            {"unmount volume \"/\"", "the result", resulttext(80)},
            {"unmount \":\"", "the result", resulttext(80)},
            {"unmount \"Data\" now", "", "error 19"}});
  // A mounted volume the system refuses to let go: the file-system error, not silence.
  notevolume(7, "Data", true);
  ASSERT_EQ(failingline("unmount \"data:some:folder\""), 0);
  EXPECT_EQ(cardvalue("the result"), "File system error -47.");
  notevolume(7, "Data", false);
  EXPECT_EQ(failingline("unmount \"Data\""), 0);
  EXPECT_EQ(cardvalue("the result"), resulttext(79)) << "unmounted meanwhile";
}

TEST_F(OtherCommandsTest, PlayFormsThatNeedNoMedia) {
  EXPECT_EQ(failingline("play audio \"x\""), 124);
  EXPECT_EQ(failingline("play step"), 0);
  mainglobals().plugin = 1;
  EXPECT_EQ(failingline("play step"), 175);
  EXPECT_EQ(failingline("play pics x"), 175);
  mainglobals().plugin = 0;
}

TEST_F(OtherCommandsTest, DisablingAFilterDropsThePictureAndRedraws) {
  givefilters();
  pictbuffer b;
  b.kind = pictbufferhandle;
  b.image = NewHandle(4);
  ASSERT_GE(addpictbuffer(spotat(objects(), 0), &b), 0);
  (void)takeredraws();
  ASSERT_EQ(failingline("disable filter 1 of graphic \"pic\""), 0);
  EXPECT_EQ(enabled(0), 0);
  // The cached picture is dropped (the redraw may cache a new one).
  for (i32 i = 0; i < pictbuffercount(); ++i) {
    pictbuffer now;
    ASSERT_TRUE(pictbufferat(i, &now));
    EXPECT_NE(now.image, b.image);
  }
  EXPECT_EQ(cardchanged(), 1);
  EXPECT_FALSE(takeredraws().empty());
  ASSERT_EQ(failingline("enable filter \"edge\" in graphic \"pic\""), 0);
  EXPECT_EQ(enabled(1), 1) << "found by name, case ignored";
  ASSERT_EQ(failingline("disable the filters of graphic \"pic\""), 0);
  EXPECT_EQ(enabled(0) + enabled(1), 0);
  ASSERT_EQ(failingline("enable filter \"sharpen\" of graphic \"pic\"\nenable filter 3 of graphic \"pic\""), 0);
  EXPECT_EQ(enabled(0) + enabled(1), 0) << "names and numbers that match nothing change nothing";
  ASSERT_EQ(failingline("remove filter \"Blur\" of graphic \"pic\""), 0);
  EXPECT_EQ(countfilters(GetPictFilterHandle(spotat(objects(), 0).alt)), 1);
  ASSERT_EQ(failingline("remove filters of graphic \"pic\""), 0);
  EXPECT_EQ(GetPictFilterHandle(spotat(objects(), 0).alt), nilhandle) << "no filter list left";
  failrows({{"disable the filters of button 1", "", "error 2"},
            {"disable filters of graphic \"line\"", "", "error 2"},
            {"enable filter 1 graphic \"pic\"", "", "error 5"},
            {"enable filter 1 of graphic \"pic\" now", "", "error 19"}});
}

TEST_F(OtherCommandsTest, ImportClutFromAnIndexedPicture) {
  DecodedImage image;
  image.width = 3;
  image.height = 2;
  image.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0xFF0000, 0x00FF00};
  const std::vector<u8> png = testimagefile(TestImageFormat::pngpalette, image);
  ASSERT_FALSE(png.empty());
  std::ofstream(path("p.png"), std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  std::ofstream(path("notes.txt")) << "no picture here";
  ASSERT_EQ(run("global gid\nimport clut from file \"" + path("p.png") + "\" as \"warm\"\nput it into gid"), 0);
  const std::string it = global("gid");
  ASSERT_NE(it, "") << result();
  Handle table = nilhandle;
  ASSERT_TRUE(lowclut(current().store, u32(std::stoul(it)), &table));
  EXPECT_EQ(ctablecount(table), 3);
  RGBColor c{};
  ASSERT_TRUE(ctableentry(table, 1, &c));
  EXPECT_EQ(c.green, 0xFFFF);
  EXPECT_EQ(c.red, 0);
  DisposeHandle(table);
  Handle library = nilhandle;
  ASSERT_EQ(getvir(current().store, kResourceLibrary, &library), 0);
  Str255 warm{};
  pstrassign(warm, 256, "warm", 4);
  EXPECT_EQ(nametoindex(current().store, library, fourcc("clut"), warm),
            idtoindex(current().store, library, fourcc("clut"), u32(std::stoul(it))));
  ASSERT_EQ(putvir(current().store, kResourceLibrary), 0);
  ASSERT_EQ(run("global gid\nput 1 into it\nimport clut from file \"" + path("notes.txt") + "\"\nput it into gid"), 0);
  EXPECT_EQ(result(), resulttext(13));
  EXPECT_EQ(global("gid"), "") << "it is emptied first";
  failrows({{"import clut to x", "", "error 46"},
            {"import foo", "", "error 2"},
            {"import clut from resource \"nosuch\"", "the result", resulttext(46)},
            {"import clut from clipBoard", "", "error 124"}});
}

TEST_F(OtherCommandsTest, ImportClutFromAnObjectDrawsItsPicture) {
  // Our pictures keep images as direct pixels: an object's picture has no 8-bit table to take.
  ASSERT_EQ(run("global gid\nput 1 into it\nimport clut from graphic \"pic\"\nput it into gid"), 0);
  EXPECT_EQ(global("gid"), "") << "it is emptied first";
  EXPECT_EQ(result(), resulttext(9));
  failrows({{"import clut from card 1", "", "error 11"},
            {"import clut from graphic \"pic\" as \"x\" extra", "", "error 19"}});
}

}  // namespace
}  // namespace kv
