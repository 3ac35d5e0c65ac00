// The shape, menu-key and styled-text setters: the points of lines and polygons, the modifier
// keys of a menu item, a field's text given as RTF or as UTF-16, and a field's text brought
// back to plain text.
#include <gtest/gtest.h>

#include <vector>

#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "platform/qd/shapes.h"
#include "properties/propfront.h"
#include "properties/shapesetters.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class ShapeSetterTest : public PropertyTest {
 protected:
  // The characters of a card field's stored text.
  std::string fieldtext(std::string_view name) {
    spot s = cardspot(name);
    fieldtextlayout l = measurefieldtext(s.data);
    return std::string(reinterpret_cast<const char*>(deref(s.data)) + l.textoffset, size_t(l.textlength));
  }
  // The flags of item n of the menu "File".
  u32 itemflags(i32 n) {
    objread obj{};
    EXPECT_EQ(readreference("menu \"File\"", &obj), 0);
    u32 flags = loadat<menuitem>(deref(obj.menu.items) + Size(n - 1) * Size(sizeof(menuitem))).flags;
    writeobj(&obj);
    return flags;
  }
  // A descriptor as the setters resolve one (chunks of fields included).
  i16 reference(std::string_view words, objread* obj) {
    Handle text = nilhandle;
    Handle atoms = tokens(words, &text);
    Handle vars = NewHandle(0);
    i32 used = 0;
    i16 st = resolvereference(propctx{hierpath(), text, atoms, vars, nilhandle}, 0, &used, obj, true);
    DisposeHandle(vars);
    return st;
  }
  // setunicodetext with these bytes.
  i16 unicode(std::string_view words, const std::vector<u8>& bytes) {
    objread obj{};
    EXPECT_EQ(reference(words, &obj), 0);
    fred value{};
    EXPECT_EQ(charstonewfred(bytes.data(), Size(bytes.size()), &value), 0);
    return setunicodetext(&obj, &value);
  }
};

TEST_F(ShapeSetterTest, LinesAndPolygons) {
  ASSERT_EQ(setline("set the points of graphic \"Line\" to 10,10,50,80"), 0);
  EXPECT_EQ(cardvalue("the rect of graphic \"Line\""), "10,10,50,80");
  const graphictail t = getgraphictail(cardspot("Line"));
  EXPECT_EQ(t.point1, (Point{10, 10}));
  EXPECT_EQ(t.point2, (Point{80, 50}));
  ASSERT_EQ(setline("set the points of graphic \"Line\" to 50,80,10,10"), 0);
  EXPECT_EQ(cardvalue("the rect of graphic \"Line\""), "10,10,50,80") << "the smallest rectangle holding both ends";
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));

  spot s = cardspot("Box");
  s.style = stylepolygon;
  putcardspot("Box", s);
  ASSERT_EQ(setline("set the points of graphic \"Box\" to \"10,20\" & return & \"30,40\" & return & \"5,60\" & return"),
            0);
  s = cardspot("Box");
  EXPECT_EQ(polypoints(s.data), (std::vector<Point>{{20, 10}, {40, 30}, {60, 5}})) << "exactly the three points";
  EXPECT_EQ(cardvalue("the rect of graphic \"Box\""), "5,20,30,60") << "their bounding box";
  ASSERT_EQ(setline("set the points of graphic \"Box\" to 1,2,3,4,5,6,7,8"), 0);
  EXPECT_EQ(polypoints(cardspot("Box").data).size(), 4u);

  EXPECT_EQ(setline("set the points of graphic \"Box\" to 1,2,3"), 2) << "an odd count";
  EXPECT_EQ(setline("set the points of graphic \"Box\" to \"1,,2,3\""), 2);
  EXPECT_EQ(setline("set the points of graphic \"Box\" to 1,2,3,70000"), 209);
  EXPECT_EQ(polypoints(cardspot("Box").data).size(), 4u) << "no failure changed it";
  // More points than a polygon's size can count.
  ASSERT_EQ(run("put \"1,1\" into p\nrepeat 16381 times\nput \",2,2\" after p\nend repeat\n"
                "set the points of card graphic \"Box\" to p"),
            209);
  EXPECT_EQ(polypoints(cardspot("Box").data).size(), 4u);
  ASSERT_EQ(run("put \"1,1\" into p\nrepeat 16380 times\nput \",2,2\" after p\nend repeat\n"
                "set the points of card graphic \"Box\" to p"),
            0);
  EXPECT_EQ(polypoints(cardspot("Box").data).size(), 16381u) << "the most a polygon holds";

  spot oval = cardspot("Box");
  oval.style = 102;
  putcardspot("Box", oval);
  EXPECT_EQ(setline("set the points of graphic \"Box\" to 1,2,3,4"), 80);
  EXPECT_EQ(setline("set the points of card 1 to 1,2,3,4"), 11);
}

TEST_F(ShapeSetterTest, CommandModifiers) {
  ASSERT_EQ(setline("set the commandModifiers of item 1 of menu \"File\" to shiftKey, optionKey"), 0);
  EXPECT_EQ(itemflags(1) & 0x700, 0x300u);
  ASSERT_EQ(setline("set the commandModifiers of item 1 of menu \"File\" to controlKey"), 0);
  EXPECT_EQ(itemflags(1) & 0x700, 0x400u) << "the others cleared";
  ASSERT_EQ(setline("set the commandModifiers of item 1 of menu \"File\" to none"), 0);
  EXPECT_EQ(itemflags(1) & 0x700, 0u);
  ASSERT_EQ(setline("set the commandModifiers of item 1 of menu \"File\" to shiftKey"), 0);
  EXPECT_EQ(setline("set the commandModifiers of item 1 of menu \"File\" to shiftKey, commandKey"), 2);
  EXPECT_EQ(setline("set the commandModifiers of item 1 of menu \"File\" to shiftKey, optionKey, bogus"), 2);
  EXPECT_EQ(itemflags(1) & 0x700, 0x100u) << "nothing stored";
  EXPECT_EQ(setline("set the commandModifiers of menu \"File\" to shiftKey"), 2);
  EXPECT_EQ(itemflags(2), 0u) << "the other item is untouched";
}

TEST_F(ShapeSetterTest, RichText) {
  ASSERT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 plain {\\b bold}}\""), 0);
  EXPECT_EQ(fieldtext("Notes"), "plain bold");
  spot s = cardspot("Notes");
  fieldtextlayout l = measurefieldtext(s.data);
  ASSERT_GE(l.runs, 2);
  stylerun bold{};
  for (i32 i = 0; i < l.runs; ++i) {
    stylerun r = fieldtextrun(deref(s.data), i);
    if (r.start == 6) bold = r;
  }
  EXPECT_EQ(bold.start, 6);
  EXPECT_EQ(bold.face & 1, 1) << "\"bold\" is bold";
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));

  ASSERT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 a\\'0ab}\""), 0);
  EXPECT_EQ(fieldtext("Notes"), "a\rb") << "line feeds become returns";

  s = cardspot("Notes");
  releaselivefield(s);
  s.style = stylefieldlist;
  putcardspot("Notes", s);
  EXPECT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 x}\""), 162);
  EXPECT_EQ(setline("set the rtfText of card button 1 to \"{\\rtf1 x}\""), 162);
  EXPECT_EQ(setline("set rtfText card field 1 to \"{\\rtf1 x}\""), 5);
}

TEST_F(ShapeSetterTest, RichTextThatRunsOutOfMemory) {
  const std::string before = fieldtext("Notes");
  int failures = 0;
  for (std::size_t n = 1; n < 400; ++n) {
    failallocationafter(n);
    i16 st = setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 plain {\\b bold}}\"");
    const bool pending = allocationfailurepending();
    failallocationafter(0);
    if (pending) {
      ASSERT_EQ(st, 0);
      break;
    }
    if (st == 0) {
      // The failure hit something that recovers (a cache): the field has the new text.
      EXPECT_EQ(fieldtext("Notes"), "plain bold");
      ASSERT_EQ(setline("put \"first line\" & return & \"second line\" into card field \"Notes\""), 0);
      continue;
    }
    ++failures;
    EXPECT_EQ(st, 37) << "allocation " << n;
    EXPECT_EQ(fieldtext("Notes"), before) << "the field as it was, allocation " << n;
  }
  EXPECT_GT(failures, 0);
}

TEST_F(ShapeSetterTest, UnicodeText) {
  // FF FE: little-endian; CR LF line ends and a lone LF become returns; the mark is not kept.
  ASSERT_EQ(unicode("card field \"Notes\"", {0xFF, 0xFE, 'a', 0, 13, 0, 10, 0, 'b', 0, 10, 0, 0xE9, 0}), 0);
  EXPECT_EQ(fieldtext("Notes"), "a\rb\r\x8E") << "e acute in Mac Roman";
  ASSERT_EQ(unicode("card field \"Notes\"", {0xFE, 0xFF, 0, 'x', 0, 'y', 0}), 0) << "big-endian, an odd last byte";
  EXPECT_EQ(fieldtext("Notes"), "xy");
  ASSERT_EQ(setline("put \"one\" & return & \"two\" & return & \"three\" into card field \"Notes\""), 0);
  ASSERT_EQ(unicode("line 2 of card field \"Notes\"", {0xFF, 0xFE, 'Z', 0}), 0);
  EXPECT_EQ(fieldtext("Notes"), "one\rZ\rthree") << "the chunk is replaced";
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));
  ASSERT_EQ(unicode("card button 1", {0xFF, 0xFE, 'Z', 0}), 0) << "not a field: nothing";
}

TEST_F(ShapeSetterTest, PlainForm) {
  ASSERT_EQ(setline("set the rtfText of card field \"Notes\" to \"{\\rtf1 plain {\\b bold}}\""), 0);
  spot s = cardspot("Notes");
  s.flags |= 1u << 26;
  ASSERT_EQ(converttoengineonescraps(s, false), 0);
  EXPECT_FALSE(s.flags & (1u << 26));
  EXPECT_GE(measurefieldtext(s.data).runs, 2) << "the styles stay";
  ASSERT_EQ(converttoengineonescraps(s, true), 0);
  EXPECT_EQ(measurefieldtext(s.data).runs, 0) << "every character plain";
  EXPECT_EQ(fieldtextail(deref(s.data), GetHandleSize(s.data)).face, 0);
  putcardspot("Notes", s);
  EXPECT_EQ(fieldtext("Notes"), "plain bold") << "the characters stay";
}

}  // namespace
}  // namespace kv
