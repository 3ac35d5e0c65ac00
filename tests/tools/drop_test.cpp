// Drops as another program or the user makes them, through the test driver: files and text
// dropped with the pointer tools and the browse tool (new fields, new picture graphics, a
// graphic's picture replaced, a picture in a field's text), the failures that refuse a drop,
// and the service requests that copy and paste through a service's scrap.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/dialogs/dialogs.h"
#include "platform/drag/drag.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/files/files.h"
#include "platform/memory/addressspace.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/scrap/scrap.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/testimages.h"
#include "platform/windows/windows.h"
#include "engine/scripterror.h"
#include "fields/rtfreader.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "tests/support/project.h"
#include "tests/support/windows.h"
#include "textengine/werecord.h"
#include "tools/dragreceive.h"
#include "tools/dragstate.h"
#include "tools/dragtrack.h"
#include "tools/objectclipboard.h"
#include "tools/services.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kDrop = 1u << 17, kLockText = 1u << 3;
constexpr Rect kField{20, 20, 120, 220}, kGraphic{180, 300, 260, 400}, kLog{300, 20, 340, 520};
constexpr u32 kRed = 0xFF0000, kBlue = 0x0000FF;

// A picture of a w x h rectangle painted black, its bytes.
std::vector<u8> picturebytes(i16 w, i16 h) {
  const Rect frame{0, 0, h, w};
  GWorldPtr world = nilid;
  EXPECT_EQ(NewGWorld(&world, 32, &frame, 0, 0, 0), noErr);
  PicHandle pic = nilhandle;
  {
    SavePort keep;
    SetGWorld(world, 0);
    pic = OpenPicture(&frame);
    PaintRect(&frame);
    ClosePicture();
  }
  DisposeGWorld(world);
  const u8* p = static_cast<const u8*>(deref(pic));
  std::vector<u8> out(p, p + GetHandleSize(pic));
  KillPicture(pic);
  return out;
}

DecodedImage solid(i32 w, i32 h, u32 colour) {
  DecodedImage image;
  image.width = w;
  image.height = h;
  image.pixels.assign(std::size_t(w * h), colour);
  return image;
}

class DropTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.name = "Main";
    w.rect = Rect{100, 100, 460, 640};
    w.backgrounds = {testproject::Background{"Plain", "", {}}};
    testproject::Card c;
    c.script =
        "on newField\n  put \"newField,\" after card field \"Log\"\nend newField\n"
        "on newGraphic\n  put \"newGraphic,\" after card field \"Log\"\nend newGraphic\n";
    Object f;
    f.kind = Object::field;
    f.name = "F";
    f.rect = kField;
    f.style = 301;
    f.setflags = kDrop | spotallowobjects;
    f.text = "hello world";
    f.script = "on mouseDrop n\n  put \"mouseDrop \" & n & \",\" after card field \"Log\"\nend mouseDrop\n";
    Object g;
    g.kind = Object::graphic;
    g.name = "P";
    g.rect = kGraphic;
    g.style = 100;
    g.setflags = kDrop;
    Object log;
    log.kind = Object::field;
    log.name = "Log";
    log.rect = kLog;
    c.objects = {f, g, log};
    w.cards = {c};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("set the allowDragAndDrop to true"), 0);
  }
  void TearDown() override {
    killall();  // the object clipboard the copies filled
    clearanswers();
    setaddressspacemodel({});
    FlushEvents(everyEvent, 0);
    WindowTest::TearDown();
  }
  // Lets the inputs given fall due and be taken.
  static void settle() {
    u32 end = 0;
    Delay(5, &end);
  }
  std::string file(const std::string& name, const std::vector<u8>& bytes) {
    const std::string path = home->path() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return path;
  }
  std::string file(const std::string& name, const std::string& text) {
    return file(name, std::vector<u8>(text.begin(), text.end()));
  }
  std::string png(const std::string& name, u32 colour) {
    return file(name, testimagefile(TestImageFormat::png, solid(30, 20, colour)));
  }
  std::vector<spot> layer() {
    std::vector<spot> out;
    for (i32 i = 0; i < spotcount(current().cardspots); ++i) out.push_back(spotat(current().cardspots, i));
    return out;
  }
  std::string log() { return cardvalue("card field \"Log\""); }
  // The size of the picture an object shows (0 x 0 for none).
  static Point picturesize(const spot& s) {
    const Handle data = GetPictDataHandle(s.alt);
    if (data == nilhandle || GetHandleSize(data) == 0) return Point{0, 0};
    const Rect r = GetImageRect(s.alt);
    return Point{i16(r.bottom - r.top), i16(r.right - r.left)};
  }
  std::string field(const spot& s) { return cardvalue("card field id " + std::to_string(u32{s.id})); }
  u32 pixel(Point local) {
    const Frame f = drawcard();
    return drive::pixelat(f, local.h, local.v) & 0xFFFFFF;
  }
  // The offsets of the open field's text at a card point, and the point of an offset.
  Point charpoint(i32 at) {
    LongPoint p{};
    i16 height = 0;
    WEGetPoint(at, 0, &p, &height, mainglobals().openfieldrec);
    return Point{i16(p.v + 3), i16(p.h + 1)};
  }
};

TEST_F(DropTest, FilesDroppedWithThePointerToolMakeObjects) {
  ASSERT_EQ(doline("choose pointer tool"), 0);
  const Point drop{200, 150};
  std::size_t count = layer().size();

  std::vector<std::string> texts;
  for (const char* t : {"one", "two", "three"}) texts.push_back(file(std::string(t) + ".txt", t));
  drive::dropFiles(toglobal(drop), texts);
  settle();
  std::vector<spot> now = layer();
  ASSERT_EQ(now.size(), count + 3);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(now[count + k].style, 301);
    Rect expect = now[count].rect;
    OffsetRect(&expect, i16(10 * k), i16(10 * k));
    EXPECT_EQ(now[count + k].rect, expect);
  }
  EXPECT_EQ(field(now[count + 2]), "three");
  EXPECT_EQ(log(), "newField,newField,newField,");

  // An RTF file: a field with the file's styles.
  ASSERT_EQ(doline("put empty into card field \"Log\""), 0);
  count = now.size();
  drive::dropFiles(toglobal(drop),
                   {file("styled.rtf", "{\\rtf1\\ansi{\\fonttbl\\f0 Times;}\\f0 plain {\\b bold} end}")});
  settle();
  now = layer();
  ASSERT_EQ(now.size(), count + 1);
  EXPECT_EQ(field(now[count]), "plain bold end");
  const std::string id = std::to_string(u32{now[count].id});
  EXPECT_EQ(cardvalue("the textStyle of char 7 to 10 of card field id " + id), "bold");
  EXPECT_EQ(cardvalue("the textStyle of char 1 to 5 of card field id " + id), "plain");

  // An RTF package: a folder whose text is its member "TXT.rtf".
  count = layer().size();
  std::filesystem::create_directory(home->path() + "/notes.rtfd");
  file("notes.rtfd/TXT.rtf", "{\\rtf1\\ansi packaged}");
  drive::dropFiles(toglobal(drop), {home->path() + "/notes.rtfd"});
  settle();
  now = layer();
  ASSERT_EQ(now.size(), count + 1);
  EXPECT_EQ(field(now[count]), "packaged");

  // Three images: graphics of their size cascading from the drop point, each sent newGraphic.
  ASSERT_EQ(doline("put empty into card field \"Log\""), 0);
  count = now.size();
  drive::dropFiles(toglobal(drop), {png("a.png", kRed), png("b.png", kBlue), png("c.png", kRed)});
  settle();
  now = layer();
  ASSERT_EQ(now.size(), count + 3);
  const MainGlobals& g = mainglobals();
  // Placed widened by the pen around the centred image; the picture then gives the size.
  const Point corner{i16(drop.v - 10 - g.penHeight), i16(drop.h - 15 - g.penWidth)};
  for (std::size_t k = 0; k < 3; ++k) {
    const spot& o = now[count + k];
    EXPECT_EQ(o.kind, 0);
    EXPECT_EQ(o.rect.top, corner.v + 10 * i16(k));
    EXPECT_EQ(o.rect.left, corner.h + 10 * i16(k));
    EXPECT_EQ(picturesize(o), (Point{20, 30}));
  }
  EXPECT_EQ(log(), "newGraphic,newGraphic,newGraphic,");

  // A picture file of its header alone: error 190, nothing made.
  count = now.size();
  const u32 shown = scripterrorsshown();
  queueanswer(Answer{"alert", "Cancel", {}});
  drive::dropFiles(toglobal(drop), {file("empty.pict", std::vector<u8>(512, 0))});
  settle();
  EXPECT_EQ(scripterrorsshown(), shown + 1);
  EXPECT_EQ(layer().size(), count);

  // A picture file: a graphic of the picture's size.
  std::vector<u8> pict(512, 0);
  const std::vector<u8> bytes = picturebytes(40, 24);
  pict.insert(pict.end(), bytes.begin(), bytes.end());
  drive::dropFiles(toglobal(drop), {file("box.pict", pict)});
  settle();
  ASSERT_EQ(layer().size(), count + 1);
  EXPECT_EQ(picturesize(layer().back()), (Point{24, 40}));
}

TEST_F(DropTest, PicturesDroppedWithTheBrowseTool) {
  const Point centre{i16((kGraphic.top + kGraphic.bottom) / 2), i16((kGraphic.left + kGraphic.right) / 2)};
  auto shown = [&] { return picturesize(layer()[1]); };
  // Two items are not taken, even onto the graphic.
  drive::dropFiles(toglobal(centre), {png("a.png", kRed), png("b.png", kRed)});
  settle();
  EXPECT_EQ(shown(), (Point{0, 0}));
  // A handler that ignores the drop keeps the picture as it is.
  ASSERT_EQ(
      doline(
          "set the script of card graphic \"P\" to \"on mouseDrop\" & return & \"ignore drop\" & return & \"end mouseDrop\""),
      0);
  drive::dropFiles(toglobal(centre), {png("a.png", kRed)});
  settle();
  EXPECT_EQ(shown(), (Point{0, 0}));
  ASSERT_EQ(doline("set the script of card graphic \"P\" to empty"), 0);
  drive::dropFiles(toglobal(centre), {png("a.png", kRed)});
  settle();
  EXPECT_EQ(shown(), (Point{20, 30})) << "the image is the graphic's picture";
  // Over the picture, which now shows at the graphic's corner.
  const Point corner{i16(kGraphic.top + 5), i16(kGraphic.left + 5)};
  drive::dropFiles(toglobal(corner), {file("b.png", testimagefile(TestImageFormat::png, solid(8, 6, kBlue)))});
  settle();
  EXPECT_EQ(shown(), (Point{6, 8})) << "and is replaced by the next";

  // A picture into the open field at the caret offset, at its own size, the scroll kept.
  ASSERT_EQ(doline("put empty into card field \"Log\"\nselect after char 3 of card field \"F\""), 0);
  const RegistryId we = mainglobals().openfieldrec;
  ASSERT_NE(we, nilid);
  LongRect dest{};
  WEGetDestRect(&dest, we);
  std::vector<u8> pict(512, 0);
  const std::vector<u8> bytes = picturebytes(16, 12);
  pict.insert(pict.end(), bytes.begin(), bytes.end());
  drive::dropFiles(toglobal(charpoint(6)), {file("box.pict", pict)});
  settle();
  ASSERT_EQ(mainglobals().openfieldrec, we);
  EXPECT_EQ(log(), "mouseDrop 6,");
  EXPECT_EQ(WEGetTextLength(we), 12);
  WEObjectDescHandle object = 0;
  ASSERT_EQ(WEGetObjectAtOffset(6, &object, we), noErr);
  EXPECT_EQ(WEGetObjectSize(object), (16u << 16) | 12u);
  LongRect after{};
  WEGetDestRect(&after, we);
  EXPECT_EQ(after.top, dest.top) << "the scroll is kept";
}

TEST_F(DropTest, TextAndFilesFromAnotherProgram) {
  ASSERT_EQ(doline("put empty into card field \"Log\"\nselect after char 3 of card field \"F\""), 0);
  const Point at = charpoint(6);
  drive::dropText(toglobal(at), "caf\xC3\xA9");
  settle();
  EXPECT_EQ(log(), "mouseDrop 6,");
  // At the offset, the field's intelligent paste putting a space after the word.
  EXPECT_EQ(cardvalue("card field \"F\""), "hello caf\x8E world");

  // A project dropped opens as a document; other files go to the drag.
  testproject::Project other;
  testproject::Window w;
  w.name = "Other";
  w.backgrounds = {testproject::Background{"Plain", "", {}}};
  w.cards = {testproject::Card{}};
  other.windows.push_back(w);
  build(other, "other.kv45");
  ASSERT_EQ(testproject::typeasproject(dir, "other.kv45"), noErr);
  const std::string project = home->path() + "/other.kv45";
  drive::dropFiles(toglobal(at), {project});
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 5));
  HighLevelRequest request;
  ASSERT_TRUE(takehighlevelrequest(&request));
  EXPECT_EQ(request.eventid, fourcc("odoc"));
  EXPECT_EQ(request.paths, std::vector<std::string>{project});

  // Without the drag handlers every dropped file opens as a document, as before.
  ASSERT_EQ(doline("set the allowDragAndDrop to false\nchoose pointer tool"), 0);
  const std::size_t count = layer().size();
  const std::string text = file("notes.txt", "notes");
  drive::dropFiles(toglobal(Point{200, 300}), {text});
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 5));
  EXPECT_EQ(layer().size(), count);
  ASSERT_TRUE(takehighlevelrequest(&request));
  EXPECT_EQ(request.paths, std::vector<std::string>{text});
}

TEST_F(DropTest, FailuresRefuseTheDrop) {
  // The RTF reader's own code comes back, for an item and for a file; no file stays open.
  const std::string damaged = "{\\rtf1 {\\b unclosed";
  LongRect empty{};
  WEReference probe = nilid, we = nilid;
  ASSERT_EQ(WENew(&empty, &empty, 4096, &probe), noErr);
  Handle bytes = nilhandle;
  ASSERT_EQ(PtrToHand(damaged.data(), &bytes, Size(damaged.size())), noErr);
  const i32 code = RTFReadHandleCrutch(0, 0, probe, bytes);
  DisposeHandle(bytes);
  WEDispose(probe);
  ASSERT_NE(code, 0) << "the reader refuses it";
  ASSERT_EQ(WENew(&empty, &empty, 4096, &we), noErr);
  DragRef drag = nilid;
  ASSERT_EQ(NewDrag(&drag), noErr);
  AddDragItemFlavor(drag, 1, fourcc("RTF "), damaged.data(), i32(damaged.size()), 0);
  // The file as 'hfs ' gives it: {type, creator, flags, path length, path}.
  const std::string path = file("bad.rtf", damaged);
  std::vector<u8> hfs(12 + path.size(), 0);
  const u16 n = u16(path.size());
  std::memcpy(hfs.data() + 10, &n, 2);
  std::memcpy(hfs.data() + 12, path.data(), path.size());
  AddDragItemFlavor(drag, 2, fourcc("hfs "), hfs.data(), i32(hfs.size()), 0);
  auto openfiles = [] {
    std::size_t k = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++k;
    return k;
  };
  const std::size_t files = openfiles();
  EXPECT_EQ(CollectOneRTFItemIntoWERec(drag, 1, we), code);
  EXPECT_EQ(CollectOneRTFItemIntoWERec(drag, 2, we), code);
  EXPECT_EQ(openfiles(), files);
  DisposeDrag(drag);
  WEDispose(we);

  // With the pointer tool the damaged RTF file makes no field.
  ASSERT_EQ(doline("choose pointer tool"), 0);
  const std::size_t count = layer().size();
  drive::dropFiles(toglobal(Point{200, 300}), {path});
  settle();
  EXPECT_EQ(layer().size(), count);

  // An unreadable file item is skipped and the rest is made.
  ASSERT_EQ(NewDrag(&drag), noErr);
  AddDragItemFlavor(drag, 1, fourcc("hfs "), "bad", 3, 0);
  AddDragItemFlavor(drag, 2, fourcc("TEXT"), "text", 4, 0);
  DragToolState& s = dragtoolstate();
  s.gCanAcceptItems = 1;
  EXPECT_EQ(MyDefaultReceiveHandler(current().window, 0, drag), noErr);
  EXPECT_EQ(layer().size(), count + 1);

  DisposeDrag(drag);

  // A memory refusal before an object drop (an object reference far too large for what is
  // free): error 37, the item refused.
  ASSERT_EQ(NewDrag(&drag), noErr);
  const std::vector<u8> huge(5000000, 0);
  AddDragItemFlavor(drag, 1, kFlavorMDOX, huge.data(), i32(huge.size()), 0);
  s.gCanAcceptItems = 1;
  ASSERT_EQ(doline("set lockMessages to true"), 0);
  mainglobals().memplentiful = 0;
  setaddressspacemodel([] { return AddressSpace{6000000, 6000000}; });
  const u32 shown = scripterrorsshown();
  queueanswer(Answer{"alert", "Cancel", {}});
  const OSErr refused = MyDefaultReceiveHandler(current().window, 0, drag);
  setaddressspacemodel({});
  ASSERT_EQ(doline("set lockMessages to false"), 0);
  EXPECT_EQ(refused, dragNotAcceptedErr);
  EXPECT_EQ(scripterrorsshown(), shown + 1);
  DisposeDrag(drag);
}

// Service requests as a service would send them.
class ServicesTest : public DropTest {
 protected:
  void SetUp() override {
    DropTest::SetUp();
    installservicehandlers();
  }
  // The copy and paste types offered now, as "TEXT,PICT/TEXT".
  std::string types() {
    ScopedEvent e(kEventClassService, kEventServiceGetTypes);
    EXPECT_EQ(SendEventToTarget(e, nilid), noErr);
    std::string out;
    for (u32 name : {kEventParamServiceCopyTypes, kEventParamServicePasteTypes}) {
      std::vector<OSType> t(8);
      u32 size = 0;
      if (GetEventParameter(e, name, typeCFMutableArrayRef, nullptr, 32, &size, t.data()) != noErr) size = 0;
      for (u32 i = 0; i < size / 4; ++i) {
        if (i) out += ',';
        for (int b = 3; b >= 0; --b) out += char(t[i] >> (8 * b));
      }
      if (name == kEventParamServiceCopyTypes) out += '/';
    }
    return out;
  }
  // A service scrap holding one flavour, pasted.
  OSStatus paste(OSType type, const std::vector<u8>& bytes) {
    ScrapRef scrap = 0;
    EXPECT_EQ(CreateServiceScrap(&scrap), noErr);
    PutScrapFlavor(scrap, type, 0, Size(bytes.size()), bytes.data());
    ScopedEvent e(kEventClassService, kEventServicePaste);
    SetEventParameter(e, kEventParamScrapRef, typeScrapRef, sizeof scrap, &scrap);
    const OSStatus st = SendEventToTarget(e, nilid);
    DisposeServiceScrap(scrap);
    return st;
  }
};

TEST_F(ServicesTest, TheTypesFollowWhatIsSelected) {
  ASSERT_EQ(doline("select char 1 to 5 of card field \"F\""), 0);
  EXPECT_EQ(types(), "TEXT,PICT/TEXT,PICT,TIFF");
  ASSERT_EQ(doline("select empty\nchoose browse tool"), 0);
  EXPECT_EQ(types(), "PICT/") << "the browse tool, nothing edited";
  ASSERT_EQ(doline("choose pointer tool"), 0);
  EXPECT_EQ(types(), "PICT/TEXT,PICT,TIFF");
  const Rect r{200, 200, 300, 400};
  const u8 noitems[2] = {0xFF, 0xFF};
  const u8 title[1] = {0};
  DialogRef dialog = NewDialogFromItems(&r, title, true, 1, kFirstWindowOfClass, false, 0, noitems, sizeof noitems);
  ASSERT_NE(dialog, nilid);
  EXPECT_EQ(types(), "/") << "nothing while a dialog shows";
  DisposeDialog(dialog);
}

TEST_F(ServicesTest, CopyAndPaste) {
  // Copy: the field's selected text onto the service's scrap.
  ASSERT_EQ(doline("select char 1 to 5 of card field \"F\""), 0);
  ScrapRef scrap = 0;
  ASSERT_EQ(CreateServiceScrap(&scrap), noErr);
  {
    ScopedEvent e(kEventClassService, kEventServiceCopy);
    SetEventParameter(e, kEventParamScrapRef, typeScrapRef, sizeof scrap, &scrap);
    EXPECT_EQ(SendEventToTarget(e, nilid), noErr);
  }
  char text[16] = {};
  Size size = sizeof text;
  ASSERT_EQ(GetScrapFlavorData(scrap, fourcc("TEXT"), &size, text), noErr);
  EXPECT_EQ(std::string(text, std::size_t(size)), "hello");
  DisposeServiceScrap(scrap);

  // Text pasted while a lockText field is edited changes nothing and beeps.
  ASSERT_EQ(doline("set the lockText of card field \"F\" to true"), 0);
  {
    spot f = spotat(current().cardspots, 0);
    f.flags &= ~kLockText;
    putspot(current().cardspots, 0, f);
    ASSERT_EQ(doline("select after char 5 of card field \"F\""), 0);
    f.flags |= kLockText;
    putspot(current().cardspots, 0, f);
  }
  const u32 beeps = headlessbackend()->beeps();
  EXPECT_EQ(paste(fourcc("TEXT"), {'X', 'Y'}), noErr);
  EXPECT_EQ(cardvalue("card field \"F\""), "hello world");
  EXPECT_GT(headlessbackend()->beeps(), beeps);

  // A TIFF pasted into a field that allows objects becomes a picture that draws.
  ASSERT_EQ(
      doline(
          "set the lockText of card field \"F\" to false\nput empty into card field \"F\"\nselect after char 0 of card field \"F\""),
      0);
  EXPECT_EQ(paste(fourcc("TIFF"), testimagefile(TestImageFormat::tiff, solid(20, 20, kRed))), noErr);
  const RegistryId we = mainglobals().openfieldrec;
  ASSERT_NE(we, nilid);
  WEObjectDescHandle object = 0;
  ASSERT_EQ(WEGetObjectAtOffset(0, &object, we), noErr);
  EXPECT_EQ(WEGetObjectSize(object), (20u << 16) | 20u);
  ASSERT_EQ(doline("select empty"), 0);
  bool red = false;
  const Frame f = drawcard();
  for (i16 v = kField.top; v < kField.top + 30; ++v)
    for (i16 h = kField.left; h < kField.left + 30; ++h) red = red || (drive::pixelat(f, h, v) & 0xFFFFFF) == kRed;
  EXPECT_TRUE(red) << "the picture draws in the field";

  // A picture pasted with the pointer tool: a graphic centred in the visible card.
  ASSERT_EQ(doline("choose pointer tool\nput empty into card field \"Log\""), 0);
  const std::size_t count = layer().size();
  EXPECT_EQ(paste(fourcc("PICT"), picturebytes(40, 20)), noErr);
  ASSERT_EQ(layer().size(), count + 1);
  // Placed widened by the pen around the centred picture, which then gives the size.
  const Rect r = layer().back().rect;
  Rect port{0, 0, 0, 0};
  GetWindowPortBounds(current().window, &port);
  EXPECT_EQ(r.left, (port.right - port.left) / 2 - 20 - mainglobals().penWidth);
  EXPECT_EQ(r.top, (port.bottom - port.top) / 2 - 10 - mainglobals().penHeight);
  EXPECT_EQ(picturesize(layer().back()), (Point{20, 40}));
  EXPECT_EQ(log(), "newGraphic,");
}

TEST_F(ServicesTest, ObjectsCopiedTwiceAreOnTheClipboardOnce) {
  ASSERT_EQ(doline("choose pointer tool\nselect card graphic \"P\""), 0);
  for (int round = 0; round < 2; ++round) {
    ScrapRef scrap = 0;
    ASSERT_EQ(CreateServiceScrap(&scrap), noErr);
    {
      ScopedEvent e(kEventClassService, kEventServiceCopy);
      SetEventParameter(e, kEventParamScrapRef, typeScrapRef, sizeof scrap, &scrap);
      EXPECT_EQ(SendEventToTarget(e, nilid), noErr);
    }
    Size size = 0;
    EXPECT_EQ(GetScrapFlavorSize(scrap, fourcc("PICT"), &size), noErr) << "the objects' picture";
    EXPECT_GT(size, 0);
    DisposeServiceScrap(scrap);
    EXPECT_EQ(spotcount(objectclipboard()), 1) << "round " << round;
  }
}

}  // namespace
}  // namespace kv
