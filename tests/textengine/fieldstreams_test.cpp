// Fields of the text engine's styles on a project's cards: their formatting and objects kept as
// keyed streams in their alt lists, puts into fields shown and not shown, and what reaches the
// file.
#include <gtest/gtest.h>

#include <string>

#include "fields/fieldview.h"
#include "platform/fonts/fonts.h"
#include "platform/qd/pictures.h"
#include "platform/qd/shapes.h"
#include "render/carddrawing.h"
#include "render/fielddrawing.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/byteorder.h"
#include "store/objects.h"
#include "platform/qd/pictures.h"
#include "tests/support/windows.h"
#include "properties/userprops.h"
#include "textengine/fieldstorage.h"
#include "textengine/weinternal.h"

namespace kv {
namespace {

using testproject::Object;
constexpr u32 kAllowObjects = 1u << 26;

class FieldStreamsTest : public WindowTest {
 protected:
  // A project of three cards, each with one card field of the text.
  void make(const std::string& text, u16 style = 300, u32 flags = 0) {
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 300, 400};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    for (int i = 0; i < 3; ++i) {
      testproject::Card c;
      Object o;
      o.kind = Object::field;
      o.style = style;
      o.text = text;
      o.rect = Rect{20, 20, 120, 250};
      o.setflags = flags;
      c.objects.push_back(o);
      w.cards.push_back(c);
    }
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  spot cardfield() { return spotat(current().cardspots, 0); }
  // The live record of the shown card's field, drawn first when it has none.
  WEReference live() {
    if (!isvalidwerec(livefield(cardfield()))) {
      SavePort saved;
      SetPort(GetWindowPort(current().window));
      backspot(0);
    }
    return livefield(cardfield());
  }
  static std::string textof(WEReference we) {
    const Handle h = WEGetText(we);
    return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
  }
  static WETextStyle styleat(i32 offset, WEReference we) {
    WEExtRunInfo info;
    _WEGetExtRunInfo(offset, &info, we);
    return info.style.ts;
  }
  // A record loaded from a field as it is stored.
  WEReference loaded(const spot& s) {
    LongRect dest{}, view{};
    ldestview(s, &dest, &view);
    return createwerec(s, dest, view);
  }
};

TEST_F(FieldStreamsTest, APutIntoAShownFieldGoesThroughItsLiveRecord) {
  make("abc");
  const WEReference we = live();
  ASSERT_TRUE(isvalidwerec(we));
  const WETextStyle bold{0, facebold};
  ASSERT_EQ(_WESetStyleRange(1, 2, weDoFace, &bold, we), noErr);
  ASSERT_EQ(doline("put \"X\" after char 1 of card field 1"), 0);
  EXPECT_EQ(livefield(cardfield()), we) << "the same record";
  EXPECT_EQ(textof(we), "aXbc");
  EXPECT_EQ(styleat(2, we).face, facebold);
  EXPECT_EQ(styleat(1, we).face, 0);
  EXPECT_EQ(cardvalue("card field 1"), "aXbc");
  // Its streams are in the field: a record made from them reads the same.
  const spot s = cardfield();
  for (u32 kind : {altwecf, altwest, altwepf, altweru}) EXPECT_NE(getaltdata(s.alt, kind), nilhandle) << kind;
  const WEReference again = loaded(s);
  ASSERT_TRUE(isvalidwerec(again));
  EXPECT_EQ(textof(again), "aXbc");
  EXPECT_EQ(styleat(2, again).face, facebold);
  WEDispose(again);
}

TEST_F(FieldStreamsTest, APutIntoAFieldNotShownKeepsRunsAndStreamsInStep) {
  make("abc");
  // Card 3's field gets a bold "b" through its live record, written back when the card is left.
  ASSERT_EQ(doline("go card 3"), 0);
  WEReference we = live();
  const WETextStyle bold{0, facebold};
  ASSERT_EQ(_WESetStyleRange(1, 2, weDoFace, &bold, we), noErr);
  SetWERecDirtyFlag(we, true);
  ASSERT_EQ(doline("go card 1"), 0);
  const std::size_t records = liverecordcount();
  ASSERT_EQ(doline("put \"XY\" before char 1 of card field 1 of card 3"), 0);
  EXPECT_EQ(liverecordcount(), records) << "no record was left behind";
  EXPECT_EQ(cardvalue("card field 1 of card 3"), "XYabc");
  ASSERT_EQ(doline("go card 3"), 0);
  const spot s = cardfield();
  // The stored text keeps only its first run; the streams carry the rest.
  const fieldtextlayout l = measurefieldtext(s.data);
  EXPECT_EQ(l.runs, 1);
  EXPECT_EQ(l.textlength, 5);
  we = live();
  EXPECT_EQ(textof(we), "XYabc");
  EXPECT_EQ(styleat(3, we).face, facebold);
  EXPECT_EQ(styleat(2, we).face, 0);
  EXPECT_EQ(styleat(4, we).face, 0);
}

TEST_F(FieldStreamsTest, AChangedRecordLeftByGoNextReachesTheFile) {
  make("one");
  const WEReference we = live();
  ASSERT_EQ(WEPut(3, 3, " two", 4, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  SetWERecDirtyFlag(we, true);
  ASSERT_EQ(doline("go next"), 0);
  closeallwindows();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("card field 1 of card 1"), "one two");
}

// Stored and reopened: the text, its runs and rulers come back from the streams.
TEST_F(FieldStreamsTest, FormattingSurvivesTheFile) {
  make("Hello\rworld", 300, kAllowObjects);
  WEReference we = live();
  WETextStyle times{};
  times.font = 20;
  times.size = 14;
  times.face = facebold;
  ASSERT_EQ(_WESetStyleRange(6, 11, weDoFont | weDoSize | weDoFace, &times, we), noErr);
  WERuler centred{};
  centred.alignment = 1;
  ASSERT_EQ(_WESetRulerRange(6, 11, weDoAlignment, &centred, we), noErr);
  SetWERecDirtyFlag(we, true);
  ASSERT_EQ(doline("go next"), 0);
  const spot packed = spotat(current().cardspots, 0);
  (void)packed;
  closeallwindows();
  ASSERT_EQ(open(), 0);
  we = live();
  ASSERT_TRUE(isvalidwerec(we));
  EXPECT_EQ(textof(we), "Hello\rworld");
  EXPECT_EQ(styleat(8, we).font, 20);
  EXPECT_EQ(styleat(8, we).size, 14);
  EXPECT_EQ(styleat(8, we).face, facebold);
  EXPECT_EQ(styleat(2, we).face, 0);
  WEParaInfo para;
  WEGetParaInfo(8, &para, we);
  EXPECT_EQ(para.ruler.alignment, 1);
  WEGetParaInfo(2, &para, we);
  EXPECT_NE(para.ruler.alignment, 1);
  EXPECT_EQ(WEGetModCount(we), 0);
  EXPECT_FALSE(GetWERecDirtyFlag(we));
}

// A field of style 300 allowing objects: text, a picture between its words, a bold Times
// centred paragraph. Written back, it keeps its first run in the stored text and the rest in
// four streams; closed and reopened it comes back whole, its field object made again without a
// message.
TEST_F(FieldStreamsTest, TheStreamFormWithAnObjectSurvivesTheFile) {
  make("Hello\rworld", 300, kAllowObjects);
  WEReference we = live();
  Handle pic = nilhandle;
  {
    SavePort saved;
    const Rect frame{0, 0, 12, 16};
    pic = OpenPicture(&frame);
    PaintRect(&frame);
    ClosePicture();
  }
  const std::vector<u8> picbytes(deref(pic), deref(pic) + GetHandleSize(pic));
  ASSERT_EQ(_WEInsertObjectAtOffset(5, fourcc("PICT"), pic, Point{0, 0}, we), noErr);
  WETextStyle times{};
  times.font = 20;
  times.size = 14;
  times.face = facebold;
  ASSERT_EQ(_WESetStyleRange(7, 12, weDoFont | weDoSize | weDoFace, &times, we), noErr);
  WERuler centred{};
  centred.alignment = 1;
  ASSERT_EQ(_WESetRulerRange(7, 12, weDoAlignment, &centred, we), noErr);
  SetWERecDirtyFlag(we, true);

  spot s = cardfield();
  ASSERT_EQ(packlivefield(s), noErr);
  EXPECT_FALSE(GetWERecDirtyFlag(we));
  const fieldtextlayout l = measurefieldtext(s.data);
  EXPECT_EQ(l.runs, 1);
  EXPECT_EQ(l.textlength, 12);
  const u32 colour = fieldtextail(deref(s.data), GetHandleSize(s.data)).color;
  EXPECT_EQ(colour, 0u);
  for (u32 kind : {altwecf, altwest, altwepf, altweru}) EXPECT_NE(getaltdata(s.alt, kind), nilhandle) << kind;
  EXPECT_EQ(getaltdata(s.alt, altsoup), nilhandle) << "the objects travel in the style list";
  // In the file the style list is big-endian: 8 zero bytes, 24, 'list'.
  Handle west = getaltdata(s.alt, altwest);
  std::vector<u8> disk(deref(west), deref(west) + GetHandleSize(west));
  ASSERT_EQ(endianswapaltdata(altwest, disk.data(), i64(disk.size()), tofile), noErr);
  EXPECT_EQ(std::vector<u8>(disk.begin(), disk.begin() + 16),
            (std::vector<u8>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 24, 'l', 'i', 's', 't'}));
  putspot(current().cardspots, 0, s);
  SetWERecDirtyFlag(we, true);  // written back, and its card marked changed, as the card is left
  ASSERT_EQ(doline("go next"), 0);
  closeallwindows();

  ASSERT_EQ(open(), 0);
  we = live();
  ASSERT_TRUE(isvalidwerec(we));
  EXPECT_EQ(textof(we), "Hello\1\rworld");
  EXPECT_EQ(styleat(9, we).font, 20);
  EXPECT_EQ(styleat(9, we).face, facebold);
  EXPECT_EQ(styleat(2, we).face, 0);
  WEParaInfo para;
  WEGetParaInfo(9, &para, we);
  EXPECT_EQ(para.ruler.alignment, 1);
  WEObjectDescHandle object = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(5, &object, we), noErr);
  ASSERT_EQ(WEGetObjectType(object), fourcc("iota"));
  const iota io = loadat<iota>(deref(WEGetObjectDataHandle(object)));
  const u32 id = io.id, wrapped = io.wrappedtype;
  const Handle wrappeddata = io.data;
  EXPECT_EQ(id, 100u);
  EXPECT_EQ(wrapped, fourcc("PICT"));
  EXPECT_EQ(std::vector<u8>(deref(wrappeddata), deref(wrappeddata) + GetHandleSize(wrappeddata)), picbytes);
  EXPECT_EQ(WEGetObjectSize(object), (16u << 16) | 12u);
  EXPECT_EQ(WEGetModCount(we), 0);
  EXPECT_EQ(cardvalue("the id of object 1 of card field 1"), "object id 100 of card field ID 1");
  ASSERT_EQ(doline("go card 3"), 0);
  EXPECT_EQ(cardvalue("the id of object 1 of card field 1 of card 1"), "object id 100 of card field ID 1");
}

// With character runs and styles kept, the font table and the stored runs are passed over.
TEST_F(FieldStreamsTest, StreamsWinOverStoredRunsAndTheFontTable) {
  make("abcd");
  WEReference we = live();
  const WETextStyle bold{0, facebold};
  ASSERT_EQ(_WESetStyleRange(2, 4, weDoFace, &bold, we), noErr);
  SetWERecDirtyFlag(we, true);
  spot s = cardfield();
  ASSERT_EQ(packlivefield(s), noErr);
  // Stored runs that say otherwise, and a font table that would renumber font 0.
  WEReference other = loaded(s);
  const WETextStyle italic{0, faceitalic};
  ASSERT_EQ(_WESetStyleRange(0, 4, weDoFace | weDoReplaceFace, &italic, other), noErr);
  Handle runs = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, 4, fourcc("styl"), 0, runs, other), noErr);
  Handle table = NewHandle(0);
  ASSERT_EQ(WEBuildFontTable(table, nullptr, other), noErr);
  WEDispose(other);
  Munger(s.data, 0, nullptr, 2 + 20, deref(runs), GetHandleSize(runs));
  DisposeHandle(runs);
  ASSERT_EQ(setaltdata(s.alt, table, altfonttable), noErr);
  other = loaded(s);
  EXPECT_EQ(styleat(0, other).face, 0);
  EXPECT_EQ(styleat(3, other).face, facebold);
  WEDispose(other);
  // Without the streams the stored runs are read.
  deletealt(s.alt, altwecf);
  other = loaded(s);
  EXPECT_EQ(styleat(0, other).face, faceitalic);
  WEDispose(other);
  putspot(current().cardspots, 0, s);
}

// The single-stream form keeps a one-style text's font in its tail and, when asked, its name.
TEST_F(FieldStreamsTest, PackingTheSingleStreamFormNamesItsFont) {
  make("plain");
  const WEReference we = live();
  Handle data = NewHandle(0);
  Handle uprops = nilhandle;
  WETextStyle app{};
  app.font = 1;
  ASSERT_EQ(_WESetStyleRange(0, 5, weDoFont, &app, we), noErr);
  ASSERT_EQ(wepacktext(data, &uprops, we, true), noErr);
  u16 font = fieldtextail(deref(data), GetHandleSize(data)).font;
  EXPECT_EQ(font, 1);
  EXPECT_EQ(uprops, nilhandle) << "no \"__textFont\"";
  WETextStyle f22{};
  f22.font = 22;
  ASSERT_EQ(_WESetStyleRange(0, 5, weDoFont, &f22, we), noErr);
  ASSERT_EQ(wepacktext(data, &uprops, we, true), noErr);
  font = fieldtextail(deref(data), GetHandleSize(data)).font;
  EXPECT_EQ(font, 22);
  ASSERT_NE(uprops, nilhandle);
  Handle value = nilhandle;
  ASSERT_EQ(prophandutil(uprops, reinterpret_cast<const u8*>("\x0A__textFont"), &value), 0);
  Str255 name{};
  GetFontName(22, name);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(value)), std::size_t(GetHandleSize(value))),
            std::string(reinterpret_cast<const char*>(name + 1), name[0]));
  // Two runs: the runs are kept and the font table replaces the font's name.
  const WETextStyle bold{0, facebold};
  ASSERT_EQ(_WESetStyleRange(0, 2, weDoFace, &bold, we), noErr);
  ASSERT_EQ(wepacktext(data, &uprops, we, true), noErr);
  EXPECT_EQ(measurefieldtext(data).runs, 2);
  EXPECT_NE(prophandutil(uprops, reinterpret_cast<const u8*>("\x0A__textFont"), &value), 0);
  EXPECT_EQ(prophandutil(uprops, reinterpret_cast<const u8*>("\x0B__fontTable"), &value), 0);
  dumprop(uprops);
  DisposeHandle(data);
}

// A background field named on a card that is not shown: its slot holds the shown card's
// record, which neither gives nor takes that card's text.
TEST_F(FieldStreamsTest, ABackgroundFieldOfAnotherCardLeavesTheShownRecordAlone) {
  testproject::Project p;
  testproject::Window w;
  w.rect = Rect{100, 100, 300, 400};
  Object o;
  o.kind = Object::field;
  o.name = "F";
  o.rect = Rect{20, 20, 120, 250};
  w.backgrounds.push_back(testproject::Background{"B", "", {o}});
  for (const char* text : {"First", "Second"}) {
    testproject::Card c;
    c.fieldtexts["F"] = text;
    w.cards.push_back(c);
  }
  p.windows.push_back(w);
  build(p);
  ASSERT_EQ(open(), 0);
  {
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    backspot(0);
  }
  const WEReference we = livefield(spotat(current().backspots, 0));
  ASSERT_TRUE(isvalidwerec(we));
  SetWERecDirtyFlag(we, true);
  EXPECT_EQ(cardvalue("field 1 of card 2"), "Second");
  ASSERT_EQ(doline("put \"swept\" into field 1 of card 2"), 0);
  EXPECT_EQ(textof(we), "First");
  EXPECT_EQ(cardvalue("field 1 of card 2"), "swept");
  EXPECT_EQ(cardvalue("field 1"), "First");
}

}  // namespace
}  // namespace kv
