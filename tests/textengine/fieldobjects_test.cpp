// Pictures and TIFF images put into a field that allows objects become field objects that tell
// the field's script; double clicks on them too. Their ids, their baselines from picture
// comments, and what streams make of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/qd/pictures.h"
#include "platform/scrap/scrap.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/testimages.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/windows.h"
#include "fields/rtfwriter.h"
#include "textengine/objecthandlers.h"
#include "textengine/weinternal.h"

namespace kv {
namespace {

using testproject::Object;

class FieldObjectsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 300, 400};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card c;
    Object o;
    o.kind = Object::field;
    o.style = 300;
    o.text = "text";
    o.rect = Rect{20, 20, 150, 280};
    o.setflags = 1u << 26;  // allows objects
    o.script = testproject::scripttext(
        "on newFieldObject a, b, c, d\rglobal gNew\rput a & \",\" & b & \",\" & c & \",\" & d into gNew\rend newFieldObject\r"
        "on doubleClickFieldObject a, b, c\rglobal gDouble\rput a & \",\" & b & \",\" & c into gDouble\r"
        "end doubleClickFieldObject");
    c.objects.push_back(o);
    w.cards.push_back(c);
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    backspot(0);
    we = livefield(spotat(current().cardspots, 0));
    ASSERT_TRUE(isvalidwerec(we));
    MainGlobals& g = mainglobals();
    g.pastespots = current().cardspots;
    g.pasteindex = 0;
    g.pastewindow = current().window;
    g.openfieldspots = current().cardspots;
    g.openfield = 0;
    g.openfieldrec = we;
    g.openfieldwindow = current().window;
  }
  void TearDown() override {
    MainGlobals& g = mainglobals();
    g.pastewindow = nilid;
    g.pastespots = nilhandle;
    g.openfield = -1;
    g.openfieldrec = nilid;
    g.openfieldspots = nilhandle;
    WindowTest::TearDown();
  }
  // A picture of the size, with a comment when given, as bytes.
  static std::vector<u8> picture(i16 height, i16 width, const std::vector<u8>& comment = {}) {
    SavePort saved;
    const Rect frame{0, 0, height, width};
    PicHandle pic = OpenPicture(&frame);
    PaintRect(&frame);
    if (!comment.empty()) {
      Handle data = nilhandle;
      PtrToHand(comment.data(), &data, Size(comment.size()));
      PicComment(100, i16(comment.size()), data);
      DisposeHandle(data);
    }
    ClosePicture();
    std::vector<u8> bytes(deref(pic), deref(pic) + GetHandleSize(pic));
    KillPicture(pic);
    return bytes;
  }
  // A soup of one object of the kind at offset 0, of the size.
  static Handle soup(OSType kind, const std::vector<u8>& data, i16 height, i16 width) {
    Handle h = NewHandle(0);
    const WESoupHeader header{0, kind, 0, i32(data.size()), height, width, 0, 0};
    PtrAndHand(&header, h, sizeof header);
    PtrAndHand(data.data(), h, Size(data.size()));
    return h;
  }
  // Puts one object of the kind at the offset, in a soup that gives it the size.
  OSErr putobject(i32 offset, OSType kind, const std::vector<u8>& data, i16 height = 32, i16 width = 32) {
    Handle s = soup(kind, data, height, width);
    const OSType type = fourcc("SOUP");
    const u8 placeholder = 1;
    const OSErr err = WEPut(offset, offset, &placeholder, 1, kTextEncodingWEText, 0, 1, &type, &s, we);
    DisposeHandle(s);
    return err;
  }
  WEObjectDescHandle objectat(i32 position) {
    WEObjectDescHandle o = nilhandle;
    WEGetObjectByIndex(we, position, &o);
    return o;
  }
  static iota iotaof(WEObjectDescHandle o) { return loadat<iota>(deref(WEGetObjectDataHandle(o))); }

  WEReference we = nilid;
};

TEST_F(FieldObjectsTest, PicturesBecomeFieldObjectsThatTellTheScript) {
  ASSERT_EQ(putobject(0, fourcc("PICT"), picture(20, 30), 20, 30), noErr);
  EXPECT_EQ(global("gNew"), "1,100,PICT,<Untitled>");
  ASSERT_EQ(putobject(WEGetTextLength(we), fourcc("PICT"), picture(10, 10)), noErr);
  EXPECT_EQ(global("gNew"), "2,101,PICT,<Untitled>");
  const WEObjectDescHandle first = objectat(1), second = objectat(2);
  ASSERT_NE(first, nilhandle);
  EXPECT_EQ(WEGetObjectType(first), fourcc("iota"));
  EXPECT_EQ(WEGetObjectSize(first), (30u << 16) | 20u);
  const u32 id = iotaof(second).id, wrapped = iotaof(second).wrappedtype;
  EXPECT_EQ(id, 101u);
  EXPECT_EQ(wrapped, fourcc("PICT"));
  EXPECT_EQ(objectat(3), nilhandle) << "positions end at the last object";
  EXPECT_EQ(WEGetObjectIndex(WEGetObjectDataHandle(second), we), 2);

  // Clicks: a single one sends nothing, a double one names the object.
  MainGlobals& g = mainglobals();
  const u32 before = g.fieldobjectclicks;
  EXPECT_FALSE(_WEClickObject(Point{0, 0}, 0, 0, second));
  EXPECT_EQ(global("gDouble"), "(no global gDouble)");
  EXPECT_TRUE(_WEClickObject(Point{0, 0}, 1, 0, second));
  EXPECT_EQ(global("gDouble"), "2,101,PICT");
  EXPECT_EQ(g.fieldobjectclicks, before + 1);

  // A new object takes one more than the largest id present.
  ASSERT_EQ(WEPut(0, 1, "", 0, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  ASSERT_EQ(putobject(0, fourcc("PICT"), picture(5, 5)), noErr);
  const u32 newid = iotaof(objectat(1)).id;
  EXPECT_EQ(newid, 102u);
  EXPECT_EQ(global("gNew"), "1,102,PICT,<Untitled>");

  // A field object that comes back from the engine's own streams keeps its id and tells no one.
  Handle packed = NewHandle(0);
  OSType kind = 0;
  ASSERT_EQ(HandleStreamIota(2, &kind, &packed, objectat(2)), noErr);
  const std::vector<u8> bytes(deref(packed), deref(packed) + GetHandleSize(packed));
  DisposeHandle(packed);
  ASSERT_EQ(putobject(0, fourcc("iota"), bytes), noErr);
  const u32 keptid = iotaof(objectat(1)).id;
  EXPECT_EQ(keptid, 101u);
  EXPECT_EQ(global("gNew"), "1,102,PICT,<Untitled>");
}

TEST_F(FieldObjectsTest, APictureCommentGivesTheBaseline) {
  std::vector<u8> comment(12, 0);
  storeat<u32>(comment.data(), 0xB7787072u);
  storeat<i16>(comment.data() + 8, 5);
  Handle pic = nilhandle;
  const std::vector<u8> bytes = picture(20, 20, comment);
  PtrToHand(bytes.data(), &pic, Size(bytes.size()));
  ASSERT_EQ(_WEInsertObjectAtOffset(0, fourcc("PICT"), pic, Point{0, 0}, we), noErr);
  EXPECT_EQ(WEGetObjectBaseline(objectat(1)), -5);
  EXPECT_EQ(WEGetObjectSize(objectat(1)), (20u << 16) | 20u);
}

TEST_F(FieldObjectsTest, TIFFImagesArePicturesWhenTheyAreValid) {
  ASSERT_EQ(putobject(0, fourcc("TIFF"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), noErr);
  EXPECT_EQ(WEGetObjectType(objectat(1)), fourcc("TIFF"));
  DecodedImage image;
  image.width = image.height = 4;
  image.pixels.assign(16, 0xFF336699);
  const std::vector<u8> tiff = testimagefile(TestImageFormat::tiff, image);
  ASSERT_FALSE(tiff.empty());
  Handle data = nilhandle;
  PtrToHand(tiff.data(), &data, Size(tiff.size()));
  ASSERT_EQ(_WEInsertObjectAtOffset(0, fourcc("TIFF"), data, Point{0, 0}, we), noErr);
  const WEObjectDescHandle o = objectat(1);
  ASSERT_EQ(WEGetObjectType(o), fourcc("iota"));
  const u32 wrapped = iotaof(o).wrappedtype;
  EXPECT_EQ(wrapped, fourcc("PICT"));
  EXPECT_EQ(WEGetObjectSize(o), (4u << 16) | 4u);
}

// Streamed for other programs a field object is its picture; for the engine's own copies, and
// when it wraps no picture, it is the whole packed object (never a freed block).
TEST_F(FieldObjectsTest, StreamsOfFieldObjects) {
  ASSERT_EQ(putobject(0, fourcc("PICT"), picture(8, 8)), noErr);
  const WEObjectDescHandle o = objectat(1);
  Handle data = NewHandle(0);
  OSType kind = 0;
  ASSERT_EQ(HandleStreamIota(0, &kind, &data, o), noErr);
  EXPECT_EQ(kind, fourcc("PICT"));
  EXPECT_TRUE(picturevalid(data));
  DisposeHandle(data);
  data = NewHandle(0);
  ASSERT_EQ(HandleStreamIota(2, &kind, &data, o), noErr);
  EXPECT_EQ(kind, fourcc("iota"));
  EXPECT_EQ(loadat<u32>(deref(data)), fourcc("iota"));
  EXPECT_GT(GetHandleSize(data), 32);
  DisposeHandle(data);
  // Copied alone, the object goes to the clipboard as its picture and nothing else.
  WESetSelection(0, 1, we);
  ASSERT_EQ(WECopy(we), noErr);
  ScrapRef scrap = 0;
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  ScrapFlavorInfo info[4];
  u32 count = 4;
  ASSERT_EQ(GetScrapFlavorInfoList(scrap, &count, info), noErr);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(info[0].flavorType, fourcc("PICT"));
  // Under 32 bytes an iota is left alone.
  WEObjectPlacement placement{};
  const Handle tiny = NewHandle(20);
  storeat<u32>(deref(tiny), fourcc("iota"));
  WEObjectDesc d{};
  d.kind = fourcc("iota");
  d.data = tiny;
  Handle object = nilhandle;
  PtrToHand(&d, &object, sizeof d);
  EXPECT_EQ(HandleNewIota(&placement, object), noErr);
  EXPECT_EQ(GetHandleSize(tiny), 20);
  DisposeHandle(tiny);
  DisposeHandle(object);
}

TEST_F(FieldObjectsTest, AFieldObjectIsWrittenAsTheRTFOfItsPicture) {
  const std::vector<u8> pic = picture(20, 30);
  ASSERT_EQ(putobject(1, fourcc("PICT"), pic, 10, 15), noErr);
  ASSERT_EQ(WEGetObjectType(objectat(1)), fourcc("iota"));
  std::string hex;
  for (const u8 b : pic) {
    static const char digits[] = "0123456789ABCDEF";
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  Handle h = NewHandle(0);
  ASSERT_EQ(RTFWriteHandleCrutch(0, WEGetTextLength(we), we, h, nullptr, 0), 0);
  const std::string rtf(deref(h), deref(h) + GetHandleSize(h));
  DisposeHandle(h);
  EXPECT_NE(rtf.find("t{\\pict\\macpict\\picw30\\pich20\\picscalex50\\picscaley50 " + hex + "}ext"), std::string::npos)
      << rtf;
  // The field's rtfText is the same document.
  EXPECT_EQ(cardvalue("the rtfText of card field 1"), rtf);
}

}  // namespace
}  // namespace kv
