// The dialogs of the program: the shared item utilities and filters, the largest window
// rectangle, and the alert, ask and answer dialogs driven as a user's script drives them, with
// injected keys and clicks and the answers queue of headless runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/backend/headless.h"
#include "platform/dialogs/choosers.h"
#include "platform/dialogs/dialogs.h"
#include "platform/files/files.h"
#include "platform/events/eventrecord.h"
#include "platform/events/keycodes.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/temphome.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "platform/memory/memory.h"
#include "platform/net/tcp.h"
#include "system/cobs.h"
#include "system/proctable.h"
#include "system/remoteprocs.h"
#include <cstring>
#include "render/offscreen.h"
#include "store/fieldtext.h"
#include "core/dialogs.h"
#include "shell/dialogutils.h"
#include "core/mainglobals.h"
#include "shell/textentry.h"
#include "tests/support/veltrix.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

int count(std::string_view what) {
  int n = 0;
  for (const std::string& l : transcriptlines()) n += l.find(what) != std::string::npos ? 1 : 0;
  return n;
}

std::string transcript() { return transcripttext(); }

class DialogUtilsTest : public VeltrixTest {};

TEST_F(DialogUtilsTest, MaxRectIsTheScreenHoldingMostOfTheWindowLessTheFrame) {
  ScreenInfo second;
  second.bounds = Rect{0, 1024, 600, 1824};
  headlessbackend()->setscreens({ScreenInfo{}, second});
  SetOffScreenBounds(Rect{0, 0, 2000, 3000});
  const Rect content{100, 1100, 300, 1500};
  WindowRef w = 0;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &content, &w), noErr);
  Rect widths{};
  GetWindowStructureWidths(w, &widths);
  ASSERT_GT(widths.top, 0);
  Rect r{};
  GetMaxRect(w, &r);
  EXPECT_EQ(r, (Rect{i16(widths.top), i16(1024 + widths.left), i16(600 - widths.bottom), i16(1824 - widths.right)}));

  // The offscreen world limits the width and height, from the screen's top-left.
  SetOffScreenBounds(Rect{0, 0, 300, 400});
  GetMaxRect(w, &r);
  EXPECT_EQ(r, (Rect{i16(widths.top), i16(1024 + widths.left), i16(300 - widths.bottom), i16(1424 - widths.right)}));

  // On the main screen the menu bar band is left out.
  MoveWindow(w, 50, 100, false);
  SetOffScreenBounds(Rect{0, 0, 2000, 3000});
  GetMaxRect(w, &r);
  EXPECT_EQ(r.top, GetMBarHeight() + widths.top);
  EXPECT_EQ(r.right, 1024 - widths.right);
  DisposeWindow(w);
}

TEST_F(DialogUtilsTest, ItemTextsRadioGroupsAndLineCollection) {
  DialogRef d = GetNewDialog(130, kFirstWindowOfClass);
  ASSERT_NE(d, nilid);
  const std::string long300(300, 'x');
  setdialogitemtext(d, 4, long300);
  Str255 t{};
  getext(d, 4, t, 256);
  EXPECT_EQ(t[0], 255) << "cut to size - 1";
  getext(d, 4, t, 10);
  EXPECT_EQ(t[0], 9);
  DisposeDialog(d);

  // A dialog of check boxes 4-6 built in memory.
  std::vector<u8> ditl{0, 5};
  auto put = [&](Rect box, i16 type, std::string_view text) {
    for (int i = 0; i < 4; ++i) ditl.push_back(0);
    for (i16 v : {box.top, box.left, box.bottom, box.right}) {
      ditl.push_back(u8(u16(v) >> 8));
      ditl.push_back(u8(v));
    }
    ditl.push_back(u8(type));
    ditl.push_back(u8(text.size()));
    ditl.insert(ditl.end(), text.begin(), text.end());
    if (text.size() & 1) ditl.push_back(0);
  };
  put({10, 10, 30, 80}, kPushButtonItem, "OK");
  put({10, 90, 30, 160}, kPushButtonItem, "Cancel");
  put({40, 10, 56, 200}, statText, "Pick");
  put({60, 10, 76, 200}, kRadioButtonItem, "One");
  put({80, 10, 96, 200}, kRadioButtonItem, "Two");
  put({100, 10, 116, 200}, kRadioButtonItem, "Three");
  Rect bounds{100, 100, 240, 320};
  d = NewDialogFromItems(&bounds, nullptr, false, movableDBoxProc, kFirstWindowOfClass, false, 0, ditl.data(),
                         ditl.size());
  ASSERT_NE(d, nilid);
  EXPECT_EQ(CountDITL(d), 6);
  ControlRef c4 = gethand(d, 4), c5 = gethand(d, 5), c6 = gethand(d, 6);
  SetControlValue(c4, 1);
  SetControlValue(c6, 1);
  doradio(d, 4, 6, 5);
  EXPECT_EQ(GetControlValue(c4), 0);
  EXPECT_EQ(GetControlValue(c5), 1);
  EXPECT_EQ(GetControlValue(c6), 0);
  // Hidden items move past 16,000 and come back.
  HideDialogItem(d, 5);
  Rect box{};
  GetDialogItem(d, 5, nullptr, nullptr, &box);
  EXPECT_GE(box.left, kHiddenItemLeft);
  EXPECT_FALSE(isdialogitemvisible(d, 5));
  ShowDialogItem(d, 5);
  GetDialogItem(d, 5, nullptr, nullptr, &box);
  EXPECT_EQ(box.left, 10);
  DisposeDialog(d);

  const std::string text = "first\rsecond\r" + std::string(300, 'y');
  const u8* cursor = reinterpret_cast<const u8*>(text.data());
  const u8* end = cursor + text.size();
  Str255 line{};
  bool overflow = false;
  EXPECT_TRUE(collectoreturn(&cursor, end, line, &overflow));
  EXPECT_EQ(pstringview(line), "first");
  EXPECT_EQ(*cursor, '\r');
  ++cursor;
  EXPECT_TRUE(collectoreturn(&cursor, end, line, &overflow));
  ++cursor;
  EXPECT_FALSE(collectoreturn(&cursor, end, line, &overflow)) << "the end stopped it";
  EXPECT_EQ(line[0], 255);
  EXPECT_TRUE(overflow);
  EXPECT_TRUE(keyabort(13) && keyabort(3) && !keyabort(27));
}

TEST_F(DialogUtilsTest, AnEditItemPacksAsAStoredFieldText) {
  DialogRef d = GetNewDialog(130, kFirstWindowOfClass);
  ASSERT_NE(d, nilid);
  setdialogitemtext(d, 4, "typed");
  Handle h = NewHandle(0);
  ASSERT_EQ(packtext(h, gethand(d, 4)), noErr);
  const fieldtextlayout l = measurefieldtext(h);
  EXPECT_TRUE(l.whole);
  EXPECT_EQ(l.runs, 0);
  EXPECT_EQ(GetHandleSize(h), 2 + 5 + 14);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(h)) + l.textoffset, std::size_t(l.textlength)), "typed");
  const fieldtail t = fieldtextail(deref(h), GetHandleSize(h));
  EXPECT_EQ(t.size, 12);
  EXPECT_EQ(t.face, 0);
  EXPECT_GT(t.lineheight, 0);
  DisposeHandle(h);
  DisposeDialog(d);
}

TEST_F(DialogUtilsTest, ParamTextsAreReplacedOnceWithoutRescanning) {
  const u8 p0[] = "\x02^1", p1[] =
                                "\x04"
                                "Ruby";
  ParamText(p0, p1, nullptr, nullptr);
  EXPECT_EQ(withparamtexts("a ^0 b ^1 ^3"), "a ^1 b Ruby ") << "a user's ^1 stays as typed";
  ParamText(nullptr, nullptr, nullptr, nullptr);
}

TEST_F(DialogUtilsTest, MessageDialogShowsItsTextWithTheParamTexts) {
  const u8 name[] =
      "\x05"
      "a.txt";
  ParamText(name, nullptr, nullptr, nullptr);
  drive::key(kVKReturn);
  domessage(1000, 11, notealert);
  ParamText(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(count("dialog: message The disk holding \"a.txt\" is full."), 1) << transcript();
  EXPECT_EQ(count("answer: alert item 1 \"OK\""), 1) << transcript();
}

// Icon items show the program's black-and-white icons pixel for pixel: one handed to the
// message dialog's icon item, and the icon of a stop alert (a plain alert shows none).
TEST_F(DialogUtilsTest, IconItemsShowTheirIcons) {
  auto mismatches = [](DialogRef d, const Rect& box, i16 id) {
    const Handle icon = GetResource(fourcc("ICON"), id);
    EXPECT_NE(icon, nilhandle) << id;
    if (icon == nilhandle) return -1;
    const Frame f = drive::windowpixels(d);
    int wrong = 0;
    for (i16 y = 0; y < 32; ++y) {
      for (i16 x = 0; x < 32; ++x) {
        const bool set = (deref(icon)[y * 4 + x / 8] >> (7 - x % 8)) & 1;
        const bool black = (drive::pixelat(f, i16(box.left + x), i16(box.top + y)) & 0xFFFFFF) == 0;
        wrong += set != black ? 1 : 0;
      }
    }
    return wrong;
  };
  DialogRef d = GetNewDialog(100, kFirstWindowOfClass);
  ASSERT_NE(d, nilid);
  i16 type = 0;
  Rect box{};
  GetDialogItem(d, 3, &type, nullptr, &box);
  ASSERT_EQ(box.bottom - box.top, 32);
  SetDialogItem(d, 3, type, GetResource(fourcc("ICON"), cautionalert), &box);
  u32 handle = 0;
  GetDialogItem(d, 3, nullptr, &handle, nullptr);
  EXPECT_EQ(handle, GetResource(fourcc("ICON"), cautionalert));
  ShowWindow(d);
  DrawDialog(d);
  EXPECT_EQ(mismatches(d, box, cautionalert), 0);
  DisposeDialog(d);

  const u8 message[] =
      "\x05"
      "Stop!";
  DialogRef a = CreateStandardAlert(kAlertStopAlert, message, nullptr, nullptr);
  ShowWindow(a);
  DrawDialog(a);
  GetDialogItem(a, 6, nullptr, nullptr, &box);
  EXPECT_EQ(mismatches(a, box, stopalert), 0);
  DisposeDialog(a);
  DialogRef plain = CreateStandardAlert(kAlertPlainAlert, message, nullptr, nullptr);
  EXPECT_FALSE(isdialogitemvisible(plain, 6));
  DisposeDialog(plain);
}

TEST_F(DialogUtilsTest, GrowthFollowsThePromptAndTheAnswer) {
  auto lines = [](int n) {
    std::string s;
    for (int k = 1; k <= n; ++k) s += (k > 1 ? "\r" : "") + std::to_string(k);
    return s;
  };
  auto height = [](DialogRef d) {
    Rect r{};
    GetWindowPortBounds(d, &r);
    return r.bottom - r.top;
  };
  struct Case {
    int prompt, answer, grows;
  };
  for (Case c : {Case{20, 3, 192}, Case{1, 1, 0}, Case{2, 1, 16}, Case{1, 3, 32}, Case{10, 10, 192}}) {
    DialogRef d = GetNewDialog(130, kFirstWindowOfClass);
    ASSERT_NE(d, nilid);
    setdialogitemtext(d, 3, lines(c.prompt));
    setdialogitemtext(d, 4, lines(c.answer));
    const int before = height(d);
    Rect ok0{}, ok1{};
    GetDialogItem(d, 1, nullptr, nullptr, &ok0);
    adjustask(d);
    GetDialogItem(d, 1, nullptr, nullptr, &ok1);
    EXPECT_EQ(height(d) - before, c.grows) << c.prompt << " and " << c.answer << " lines";
    EXPECT_EQ(ok1.top - ok0.top, c.grows) << "the buttons move down with it";
    DisposeDialog(d);
  }
  for (auto [n, grows] : {std::pair{20, 208}, std::pair{2, 16}, std::pair{1, 0}, std::pair{14, 208}}) {
    DialogRef d = GetNewDialog(650, kFirstWindowOfClass);
    ASSERT_NE(d, nilid);
    setdialogitemtext(d, 4, lines(n));
    const int before = height(d);
    adjustanswer(d);
    EXPECT_EQ(height(d) - before, grows) << n << " lines";
    DisposeDialog(d);
  }
}

// --- Alert --------------------------------------------------------------------------------------

class ScriptDialogsTest : public VeltrixTest {
 protected:
  std::string result() { return eval("the result"); }
};

TEST_F(ScriptDialogsTest, AlertButtonsTakeTheirItemsByOrder) {
  const std::string three = "alert \"Save?\" with \"Don't Save\" or \"Cancel\" or \"Save\"\nreturn it";
  drive::key(kVKReturn);
  EXPECT_EQ(fn(three), "Save");
  EXPECT_EQ(count("answer: alert item 1 \"Save\""), 1) << transcript();
  drive::key(kVKEscape);
  EXPECT_EQ(fn(three), "Cancel");
  EXPECT_EQ(count("answer: alert item 2 \"Cancel\""), 1) << transcript();
  queueanswer(Answer{"alert", "Don't Save", {}});
  EXPECT_EQ(fn(three), "Don't Save");
  EXPECT_EQ(count("answer: alert: Don't Save"), 1) << transcript();
  EXPECT_EQ(count("answer: alert item 3"), 0) << "the answer line says it";
  EXPECT_EQ(count("dialog: alert Save?"), 3);

  // Without cancel, Escape and command-period do nothing; Return still answers.
  drive::key(kVKEscape);
  drive::keychar('.', cmdKey);
  drive::key(kVKReturn);
  EXPECT_EQ(fn("alert \"Go?\" with \"No\" or \"Yes\" without cancel\nreturn it"), "Yes");
  EXPECT_EQ(count("answer: alert item 1 \"Yes\""), 1) << transcript();
  // With cancel the same Escape answers the first button.
  drive::key(kVKEscape);
  EXPECT_EQ(fn("alert \"Go?\" with \"No\" or \"Yes\"\nreturn it"), "No");

  drive::key(kVKReturn);
  EXPECT_EQ(fn("alert caution \"Done\" explain \"All of it\"\nreturn it"), "OK");
  EXPECT_EQ(count("dialog: alert Done All of it"), 1) << transcript();
  EXPECT_EQ(send("alert \"x\" foo"), 19);
  EXPECT_EQ(scriptdialogs().nocancel, 0);
}

TEST_F(ScriptDialogsTest, AClickOutsideAMovableModalDialogBeepsAndChangesNothing) {
  drive::click(Point{5, 1000});
  drive::key(kVKReturn);
  EXPECT_EQ(fn("answer \"Q\" with \"No\" or \"Yes\"\nreturn it"), "Yes");
  EXPECT_GE(count("beep"), 1) << transcript();
}

// A clipboard another program changed while a dialog waits is taken over by its loop, once.
TEST_F(ScriptDialogsTest, AMovableModalDialogTakesOverTheChangedClipboard) {
  mainglobals().notfront = 0;
  SaveScrapSeed();
  ClipFlavor text;
  text.type = fourcc("TEXT");
  text.bytes = {'z'};
  headlessbackend()->setexternalclipboard({text});
  ASSERT_TRUE(ScrapSeedHasChanged());
  drive::key(kVKReturn);
  EXPECT_EQ(fn("answer \"Q\" with \"No\" or \"Yes\"\nreturn it"), "Yes");
  EXPECT_FALSE(ScrapSeedHasChanged());
}

// --- Ask ----------------------------------------------------------------------------------------

TEST_F(ScriptDialogsTest, AskGivesTheTextOrCancel) {
  drive::key(kVKReturn);
  EXPECT_EQ(fn("ask \"Name?\" with \"Bob\"\nreturn it & \"/\" & the result"), "Bob/");
  drive::key(kVKEscape);
  EXPECT_EQ(fn("ask \"Name?\" with \"Bob\"\nreturn it & \"/\" & the result"), "/Cancel");
  // Typing replaces the selected default.
  drive::type("Ann");
  drive::key(kVKReturn);
  EXPECT_EQ(fn("ask \"Name?\" with \"Bob\"\nreturn it"), "Ann");
  queueanswer(Answer{"ask", "Zoe", {}});
  EXPECT_EQ(fn("ask \"Name?\"\nreturn it"), "Zoe");
  Answer cancel;
  cancel.kind = "cancel";
  queueanswer(cancel);
  EXPECT_EQ(fn("ask \"Name?\" with \"Bob\"\nreturn it & \"/\" & the result"), "/Cancel");
  // Without cancel, Escape does nothing.
  drive::key(kVKEscape);
  drive::key(kVKReturn);
  EXPECT_EQ(fn("ask \"Name?\" with \"Bob\" without cancel\nreturn it"), "Bob");
  EXPECT_EQ(send("ask \"Name?\" with \"Bob\" now"), 19);
}

TEST_F(ScriptDialogsTest, PasswordsCompareAsNumbersAndShowOnlyBullets) {
  drive::type("Secret");
  drive::key(kVKReturn);
  const std::string first = fn("ask password \"pw\"\nreturn it");
  drive::type("SECRET");
  drive::key(kVKReturn);
  const std::string second = fn("ask password \"pw\"\nreturn it");
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, second);
  EXPECT_NE(eval("\"" + first + "\" is a number"), "false");
  drive::type("other");
  drive::key(kVKReturn);
  EXPECT_NE(fn("ask password \"pw\"\nreturn it"), first);
  const std::string t = transcript();
  EXPECT_EQ(t.find("Secret"), std::string::npos) << t;
  EXPECT_EQ(t.find("SECRET"), std::string::npos) << t;
  EXPECT_NE(t.find("\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2"), std::string::npos)
      << "the field showed six bullets: " << t;
}

TEST_F(ScriptDialogsTest, DialogKeysCopyAndPasteThroughTheSystemClipboard) {
  // Command-C copies the selected default; command-V pastes over it.
  drive::keychar('c', cmdKey);
  drive::key(kVKReturn);
  EXPECT_EQ(fn("ask \"Name?\" with \"hello\"\nreturn it"), "hello");
  std::string copied;
  for (const ClipFlavor& f : backend().clipboard())
    if (f.type == fourcc("TEXT")) copied.assign(f.bytes.begin(), f.bytes.end());
  EXPECT_EQ(copied, "hello");
  ClipFlavor f;
  f.type = fourcc("TEXT");
  f.bytes = {'p', 'a', 's', 't', 'e', 'd'};
  backend().setclipboard({f});
  drive::keychar('v', cmdKey);
  drive::key(kVKReturn);
  EXPECT_EQ(fn("ask \"Name?\" with \"hello\"\nreturn it"), "pasted");
}

TEST_F(ScriptDialogsTest, HiddenCancelAndDisabledDefaultSwallowTheirKeys) {
  // Escape with the cancel button hidden, Return with the default button disabled.
  DialogRef d = GetNewDialog(130, kFirstWindowOfClass);
  ASSERT_NE(d, nilid);
  SetDialogCancelItem(d, 2);
  SetDialogDefaultItem(d, 1);
  HideDialogItem(d, 2);
  ControlRef ok = gethand(d, 1);
  DeactivateControl(ok);
  ShowWindow(d);
  SelectWindow(d);
  drive::key(kVKEscape);
  drive::key(kVKReturn);
  drive::type("a");
  i16 hit = -1;
  // The loop ends only by an item: let the edit item's key end it.
  MovableModalDialog(d, PdialogRTstdialog, &hit);
  EXPECT_EQ(hit, 4) << "the typed a, after Escape and Return did nothing";
  EXPECT_EQ(dialogitemtext(d, 4), "a") << "Return did not reach the edit item";
  DisposeDialog(d);
}

TEST_F(ScriptDialogsTest, InstrumentsArePickedFromTheirList) {
  queueanswer(Answer{"ask instrument", "Violin", {}});
  EXPECT_EQ(fn("ask instrument \"Which?\"\nreturn it"), "41");
  // The list opens on the given instrument; the arrow keys move from it.
  drive::key(kVKDownArrow);
  drive::key(kVKDownArrow);
  drive::key(kVKReturn);
  EXPECT_EQ(fn("ask instrument \"Which?\" with 5\nreturn it"), "7");
  drive::key(kVKEscape);
  EXPECT_EQ(fn("ask instrument \"Which?\"\nreturn it & \"/\" & the result"), "/Cancel");
  EXPECT_EQ(send("ask instrument \"Which?\" with 1 more"), 19);
}

// --- Answer -------------------------------------------------------------------------------------

TEST_F(ScriptDialogsTest, AnswerButtonsAndClauses) {
  drive::key(kVKReturn);
  EXPECT_EQ(fn("answer \"Q\" with \"No\" or \"Yes\"\nreturn it"), "Yes");
  drive::key(kVKEscape);
  EXPECT_EQ(fn("answer \"Q\" with \"No\" or \"Yes\"\nreturn it"), "No");
  queueanswer(Answer{"answer", "Maybe", {}});
  EXPECT_EQ(fn("answer \"Q\" with \"Maybe\", \"No\", \"Yes\"\nreturn it"), "Maybe");
  drive::key(kVKReturn);
  EXPECT_EQ(fn("answer \"Q\"\nreturn it"), "OK");
  EXPECT_EQ(send("answer \"x\" of type \"TEXT\""), 120);
  EXPECT_EQ(send("answer file \"x\" of foo \"TEXT\""), 121);
  EXPECT_EQ(send("answer \"x\" with \"a\" junk"), 19);
  EXPECT_EQ(count("dialog: answer Q buttons: [No] [Yes]"), 2) << transcript();
}

class ChooserTest : public ScriptDialogsTest {
 protected:
  void SetUp() override {
    ScriptDialogsTest::SetUp();
    home = std::make_unique<TemporaryHome>();
    folder = home->path() + "/docs";
    std::filesystem::create_directories(folder + "/notes");
    std::filesystem::create_directories(folder + "/sub");
    for (const char* f : {"/notes/a.txt", "/a.TXT", "/b.rtf"}) std::ofstream(folder + f) << "x";
    scriptdialogs().defaultlocation = utf8tomacroman(folder);
  }
  void TearDown() override {
    scriptdialogs().defaultlocation.clear();
    ScriptDialogsTest::TearDown();
    home.reset();
  }
  std::unique_ptr<TemporaryHome> home;
  std::string folder;
};

TEST_F(ChooserTest, AnsweredFilesAndFolders) {
  queueanswer(Answer{"answer file", "notes/a.txt", {}});
  EXPECT_EQ(fn("answer file \"x\"\nreturn it & \"/\" & the result"), folder + "/notes/a.txt/");
  Answer cancel;
  cancel.kind = "cancel";
  queueanswer(cancel);
  EXPECT_EQ(fn("answer folder \"x\"\nreturn it & \"/\" & the result"), "/Cancel");
  queueanswer(Answer{"answer folder", "sub", {}});
  EXPECT_EQ(fn("answer folder \"x\"\nreturn it"), folder + "/sub");
  // Typed into the chooser as a person would.
  drive::type("b.rtf");
  drive::key(kVKReturn);
  EXPECT_EQ(fn("answer file \"x\"\nreturn it"), folder + "/b.rtf");
  queueanswer(Answer{"ask file", "new.txt", {}});
  EXPECT_EQ(fn("ask file \"Save as\" with \"untitled\"\nreturn it"), folder + "/new.txt");
  // Nobody to answer: the save chooser takes its proposed name.
  setunattendedpolicy(UnattendedPolicy::usedefault);
  EXPECT_EQ(fn("ask file \"Save as\" with \"untitled\"\nreturn it"), folder + "/untitled");
  EXPECT_EQ(fn("answer file \"x\"\nreturn it & \"/\" & the result"), "/Cancel");
}

TEST_F(ChooserTest, TypeListsAndExtensionFilters) {
  queueanswer(Answer{"cancel", "", {}});
  send("answer file \"x\" of type \"TEXT\" or \"PICT\"");
  const ChooserRequest& r = lastchooserrequest();
  ASSERT_EQ(r.types.size(), 2u);
  EXPECT_EQ(r.types[0], fourcc("TEXT"));
  EXPECT_EQ(r.types[1], fourcc("PICT"));
  EXPECT_NE(r.filter, nullptr) << "types go through the filter of listed types and extensions";

  queueanswer(Answer{"cancel", "", {}});
  send("answer file \"x\" of extension \".txt\"");
  const ChooserRequest& e = lastchooserrequest();
  EXPECT_TRUE(e.types.empty());
  ASSERT_NE(e.filter, nullptr);
  std::vector<std::string> names;
  for (const ChooserEntry& entry : chooserentries(e, utf8tomacroman(folder))) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{"notes", "sub", "a.TXT"}));
  // A file the filter hides cannot be chosen either.
  queueanswer(Answer{"answer file", "b.rtf", {}});
  EXPECT_EQ(fn("answer file \"x\" of extension \"txt\"\nreturn it & \"/\" & the result"), "/Cancel");
}

// What the open chooser lists for types, extensions and links.
TEST_F(ChooserTest, TheFilterFollowsTypesExtensionsAndLinks) {
  namespace fs = std::filesystem;
  std::ofstream(folder + "/a.b.rtf") << "x";
  std::ofstream(folder + "/plain") << "x";
  fs::create_symlink(folder + "/gone.txt", folder + "/broken.txt");
  fs::create_symlink(folder + "/notes/a.txt", folder + "/hop");
  fs::create_symlink(folder + "/hop", folder + "/chain.txt");
  fs::create_symlink(folder + "/sub", folder + "/place");
  u32 dirid = 0;
  ASSERT_EQ(folderidofpath(utf8tomacroman(folder), &dirid), noErr);
  FInfo info{};
  info.fdType = fourcc("TEXT");
  ASSERT_EQ(HSetFInfo(kBootVolume, dirid, reinterpret_cast<ConstStringPtr>("\x05plain"), &info), noErr);
  auto listed = [&](const std::string& statement) {
    queueanswer(Answer{"cancel", "", {}});
    EXPECT_EQ(send(statement), 0) << statement;
    std::vector<std::string> names;
    for (const ChooserEntry& e : chooserentries(lastchooserrequest(), utf8tomacroman(folder))) names.push_back(e.name);
    return names;
  };
  // The extension is the name's part from its last dot, in any case; a link to a missing file
  // is hidden, a chain of links is followed, and a link to a folder is a folder.
  EXPECT_EQ(listed("answer file \"x\" of extension \".txt\""),
            (std::vector<std::string>{"notes", "place", "sub", "a.TXT", "chain.txt"}));
  EXPECT_EQ(listed("answer file \"x\" of extension \".b.rtf\""), (std::vector<std::string>{"notes", "place", "sub"}));
  EXPECT_EQ(listed("answer file \"x\" of extension \".RTF\""),
            (std::vector<std::string>{"notes", "place", "sub", "a.b.rtf", "b.rtf"}));
  // A file of a listed type shows whatever its name.
  EXPECT_EQ(listed("answer file \"x\" of type \"text\""), (std::vector<std::string>{"notes", "place", "sub", "plain"}));

  // With both lists empty only folders pass; the lists beside the browser show everything.
  scriptdialogs().typcount = 0;
  scriptdialogs().extensioncount = 0;
  const std::string where = utf8tomacroman(folder);
  EXPECT_TRUE(NavLaunchServicesFilterProc(ChooserEntry{"sub", true, 0, where}, 0));
  EXPECT_FALSE(NavLaunchServicesFilterProc(ChooserEntry{"plain", false, fourcc("TEXT"), where}, 0));
  EXPECT_FALSE(NavLaunchServicesFilterProc(ChooserEntry{"a.TXT", false, 0, where}, 0));
  EXPECT_TRUE(NavLaunchServicesFilterProc(ChooserEntry{"broken.txt", false, 0, where}, 1));
  EXPECT_FALSE(NavLaunchServicesFilterProc(ChooserEntry{"missing", false, 0, where}, 0));
}

TEST_F(ChooserTest, NoCancelNeverLeaksIntoTheNextDialog) {
  queueanswer(Answer{"ask file", "kept.txt", {}});
  send("ask file \"x\" without cancel");
  EXPECT_EQ(scriptdialogs().nocancel, 0);
  drive::key(kVKEscape);
  EXPECT_EQ(fn("answer \"Q\" with \"No\" or \"Yes\"\nreturn it"), "No") << "the cancel button answered";
}

// The dialogs externals reach through the procedure table (and so through their service
// table): buttons by the number the caller gave them, a file's path, a folder's and a saved
// file's place, and the cancel text.
TEST_F(ChooserTest, TheDialogsOfExternals) {
  auto p = [](std::string_view s) {
    Str255 out{};
    pstrassign(out, 256, s.data(), s.size());
    return std::vector<u8>(out, out + 256);
  };
  const std::vector<u8> prompt = p("Pick"), no = p("No"), yes = p("Yes");
  queueanswer(Answer{"answer", "No", {}});
  EXPECT_EQ(getproc<226>()(prompt.data(), 2, no.data(), yes.data(), nullptr), 1);
  queueanswer(Answer{"answer", "OK", {}});
  EXPECT_EQ(getproc<226>()(nullptr, 0, nullptr, nullptr, nullptr), 1) << "no buttons: one OK";
  EXPECT_EQ(fillcarbonprocs()[156], getproc(226)) << "externals find it in their service table";

  Str255 path{};
  queueanswer(Answer{"answer file", "notes/a.txt", {}});
  EXPECT_EQ(getproc<229>()(prompt.data(), nullptr, nullptr, nullptr, path), 1);
  EXPECT_EQ(pstringview(path), utf8tomacroman(folder) + "/notes/a.txt");
  queueanswer(Answer{"cancel", "", {}});
  EXPECT_EQ(getproc<229>()(prompt.data(), nullptr, nullptr, nullptr, path), 0);
  EXPECT_EQ(pstringview(path), "Cancel");

  u32 docs = 0, notes = 0, directory = 0;
  ASSERT_EQ(folderidofpath(utf8tomacroman(folder), &docs), noErr);
  ASSERT_EQ(folderidofpath(utf8tomacroman(folder + "/notes"), &notes), noErr);
  Str255 name{};
  i16 volume = 0;
  queueanswer(Answer{"answer folder", "notes", {}});
  EXPECT_EQ(getproc<230>()(prompt.data(), name, &volume, &directory), 1);
  EXPECT_EQ(pstringview(name), "notes");
  EXPECT_EQ(volume, kBootVolume);
  EXPECT_EQ(directory, docs) << "the folder that holds it";

  Str255 answer{};
  queueanswer(Answer{"ask file", "notes/new.txt", {}});
  EXPECT_EQ(getproc<227>()(askmodefile, prompt.data(), answer, -1, -1, path, false, &volume, &directory), 1);
  EXPECT_EQ(pstringview(path), utf8tomacroman(folder) + "/notes/new.txt");
  EXPECT_EQ(directory, notes);
  queueanswer(Answer{"cancel", "", {}});
  getproc<227>()(askmodefile, prompt.data(), answer, -1, -1, path, false, &volume, &directory);
  EXPECT_EQ(pstringview(path), "Cancel");
  EXPECT_EQ(directory, 0u);
}

// --- Program chooser ----------------------------------------------------------------------------

TEST_F(ScriptDialogsTest, MachineAddressesAreFourNumbersUpTo255) {
  u8 a[4];
  EXPECT_TRUE(parsemachineaddress("10.0.0.255", a));
  EXPECT_EQ(a[3], 255);
  for (const char* bad : {"10.0.0.256", "1.2.3.4x", "1.2.3", "1.2.3.4.5", "", "1..2.3", "01234.1.1.1", " 1.2.3.4"})
    EXPECT_FALSE(parsemachineaddress(bad, a)) << bad;
  std::vector<std::string> rows{"stale"};
  std::string machine = "10.0.0.256";
  EXPECT_EQ(populateprocesslist(&rows, &machine, "192.168.0.2"), 2);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(count("beep"), 1);
  machine = "";
  EXPECT_EQ(populateprocesslist(&rows, &machine, "192.168.0.2"), 0);
  EXPECT_EQ(rows, std::vector<std::string>{"Kestrove"});
}

TEST_F(ScriptDialogsTest, ProgramChooserForms) {
  EXPECT_EQ(send("answer program \"p\" with"), 2);
  queueanswer(Answer{"answer program", "Kestrove", {}});
  const std::string got = fn("answer program \"p\"\nreturn it");
  EXPECT_EQ(got.rfind("eppc://", 0), 0u) << got;
  EXPECT_NE(got.find("/Kestrove"), std::string::npos) << got;
  // A bad address leaves the list empty and OK inactive: only Cancel ends it.
  drive::key(kVKReturn);
  drive::key(kVKEscape);
  EXPECT_EQ(fn("answer program \"p\" with \"10.0.0.256\"\nreturn it & \"/\" & the result"), "/Cancel");
  mainglobals().plugin = 1;
  EXPECT_EQ(send("answer program \"p\""), 175);
  mainglobals().plugin = 0;
}

// A machine of the loopback address that answers the program list with "App 1" and "App 2".
void serveprograms(int s, void*) {
  u8 hello[12];
  if (!TcpTestPeer::readall(s, hello, 12)) return;
  TcpTestPeer::writeall(s, hello, 12);
  for (int b; (b = TcpTestPeer::readbyte(s)) > 0;) {
  }
  std::vector<u8> recs(2 * kProcessRecordSize, 0);
  for (int i = 0; i < 2; ++i) {
    const std::string name = "App " + std::to_string(i + 1);
    recs[std::size_t(i) * kProcessRecordSize + 4] = u8(name.size());
    std::memcpy(&recs[std::size_t(i) * kProcessRecordSize + 5], name.data(), name.size());
  }
  std::vector<u8> out(cobsencodedmax(recs.size()) + 1);
  u8* e = out.data();
  COBSEncode(recs.data(), recs.size(), &e);
  out.resize(std::size_t(e - out.data()));
  out.push_back(0);
  TcpTestPeer::writeall(s, out.data(), out.size());
}

TEST_F(ScriptDialogsTest, ProgramChooserListsAMachinesPrograms) {
  remoterequeststate().remoterequests = 1;
  TcpTestPeer peer(serveprograms, nullptr);
  ASSERT_NE(peer.port(), 0);
  const std::string machine = "127.0.0.1:" + std::to_string(peer.port());
  queueanswer(Answer{"answer program", "App 2", {}});
  EXPECT_EQ(fn("answer program \"p\" with \"eppc://" + machine + "\"\nreturn it"), "eppc://" + machine + "/App 2")
      << transcript();
  peer.join();
}

// --- Sheets -------------------------------------------------------------------------------------

class SheetTest : public EventLoopTest {};

TEST_F(SheetTest, ASheetAnswersLaterWithSheetButton) {
  testproject::Project p = project();
  p.windows[0].cards[0].script = "on sheetButton which\n  global log\n  put which after log\nend sheetButton";
  ASSERT_EQ(openproject(p), 0);
  ASSERT_EQ(doline("put \"Say \" & quote & \"hi\" & quote into t\nalert sheet \"x\" with t\n"
                   "put \"[\" & it & \"]\" into log"),
            0);
  EXPECT_EQ(log(), "[]") << "the script went on at once";
  EXPECT_EQ(count("dialog: sheet x"), 1) << transcript();
  EXPECT_EQ(current().sheetflags & 1, 1);
  // The sheet's button, clicked in the main loop.
  WindowRef sheet = nilid;
  for (const drive::WindowInfo& w : drive::windows())
    if (w.windowclass == kSheetAlertWindowClass) sheet = w.window;
  ASSERT_NE(sheet, nilid);
  Rect box{}, content{};
  GetDialogItem(sheet, 1, nullptr, nullptr, &box);
  GetWindowBounds(sheet, kWindowContentRgn, &content);
  drive::click(Point{i16(content.top + box.top + 5), i16(content.left + box.left + 5)});
  passes(6);
  EXPECT_EQ(log(), "[]Say \"hi\"") << transcript();
  EXPECT_EQ(current().sheetflags & 1, 0);
  EXPECT_EQ(count("error"), 0) << transcript();

  // With the window hidden there is nothing to attach a sheet to: the modal alert shows.
  HideWindow(current().window);
  drive::key(kVKReturn);
  ASSERT_EQ(doline("alert sheet \"y\" with \"OK\"\nput \"(\" & it & \")\" after log"), 0);
  EXPECT_EQ(log(), "[]Say \"hi\"(OK)");
  EXPECT_EQ(count("dialog: alert y"), 1) << transcript();
  EXPECT_EQ(count("dialog: sheet y"), 0);
}

TEST_F(SheetTest, APaletteLendsItsSheetToTheFrontProjectWindow) {
  testproject::Project p = project();
  testproject::Window palette = p.windows[0];
  palette.name = "Tools";
  palette.style = 6;
  palette.rect = Rect{100, 700, 300, 900};
  p.windows.push_back(palette);
  ASSERT_EQ(openproject(p), 0);
  const WindowRef document = current().window;
  ASSERT_EQ(open("p.kv45", 2), 0);
  ASSERT_NE(current().window, document);
  ASSERT_EQ(doline("alert sheet \"z\" with \"OK\""), 0);
  WindowRef sheet = nilid;
  for (const drive::WindowInfo& w : drive::windows())
    if (w.windowclass == kSheetAlertWindowClass) sheet = w.window;
  ASSERT_NE(sheet, nilid);
  WindowRef parent = nilid;
  EXPECT_EQ(GetSheetWindowParent(sheet, &parent), noErr);
  EXPECT_EQ(parent, document);
  DisposeDialog(sheet);
}

}  // namespace
}  // namespace kv
