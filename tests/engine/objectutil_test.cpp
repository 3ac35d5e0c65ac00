// Object tests, texts and handle arrays, the paint settings, tool names, resource files,
// scripts and flattened effect settings.
#include "engine/objectutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/spots.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using testtexts::hand;
using testtexts::newhand;
using testtexts::str;

using ObjectUtilTest = RuntimeTest;

spot object(u16 kind, u16 style, u32 flags = 0) {
  spot s = testspots::newspot(kind, style);
  s.flags = s.flags | flags;
  return s;
}

// --- Texts and handle arrays -----------------------------------------------------------------

// Acceptance: qadd at 50000 on 3 elements appends; doinsert(2, 5, 1 byte) on 7 bytes gives 5.
TEST_F(ObjectUtilTest, QaddAppendsPastTheEndAndDoinsertReplacesARange) {
  OwnedHandle array(newhand(std::string("aaaabbbbcccc")));
  i32 index = 50000;
  EXPECT_EQ(qadd(array, &index, 4), 0);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(GetHandleSize(array), 16);
  EXPECT_EQ(hand(array).substr(0, 12), "aaaabbbbcccc");

  OwnedHandle text(newhand("0123456"));
  const u8 x = 'X';
  EXPECT_EQ(doinsert(text, 2, 5, &x, 1), 0);
  EXPECT_EQ(hand(text), "01X56");
}

TEST_F(ObjectUtilTest, QaddOpensAGapAndQdeleteClosesIt) {
  OwnedHandle array(newhand(std::string("aabbcc")));
  i32 index = 1;
  EXPECT_EQ(qadd(array, &index, 2), 0);
  std::memcpy(deref(array) + 2, "XX", 2);
  EXPECT_EQ(hand(array), "aaXXbbcc");
  i32 negative = -1;
  EXPECT_EQ(qadd(array, &negative, 2), 0);
  EXPECT_EQ(GetHandleSize(array), 8) << "a negative index does nothing";
  qdelete(array, 0, 2);
  EXPECT_EQ(hand(array), "XXbbcc");
  qdelete(array, 3, 2);
  qdelete(array, -1, 2);
  EXPECT_EQ(hand(array), "XXbbcc") << "indexes outside the array delete nothing";
  qdelete(array, 2, 2);
  EXPECT_EQ(hand(array), "XXbb");
}

TEST_F(ObjectUtilTest, QaddAndDoinsertAnswerOutOfMemoryAndLeaveTheirHandlesWhole) {
  OwnedHandle array(newhand(std::string("aabb")));
  setmemoryguardrefusal(true);
  i32 index = 1;
  EXPECT_EQ(qadd(array, &index, 2), 37);
  const u8 run[3] = {'x', 'y', 'z'};
  OwnedHandle text(newhand("0123456"));
  EXPECT_EQ(doinsert(text, 1, 3, run, 3), 37);
  EXPECT_EQ(hand(text), "0123456");
  setmemoryguardrefusal(false);
  EXPECT_EQ(hand(array), "aabb");

  // A failing allocation after the guard said yes: nothing is lost either.
  failallocationafter(1);
  EXPECT_EQ(doinsert(text, 1, 3, run, 3), 37);
  EXPECT_EQ(hand(text), "0123456");
  failallocationafter(0);
  EXPECT_EQ(doinsert(text, 1, 3, run, 3), 0);
  EXPECT_EQ(hand(text), "0xyz3456");
}

TEST_F(ObjectUtilTest, DoinsertKeepsItsRangeWithinTheText) {
  OwnedHandle text(newhand("abcdef"));
  const u8 run[2] = {'1', '2'};
  EXPECT_EQ(doinsert(text, 4, 1000, run, 2), 0);
  EXPECT_EQ(hand(text), "abcd12");
  EXPECT_EQ(doinsert(text, -7, 2, run, -4), 0);
  EXPECT_EQ(hand(text), "cd12") << "a negative length inserts nothing";
  EXPECT_EQ(doinsert(text, 9, 9, run, 1), 0);
  EXPECT_EQ(hand(text), "cd121");
  EXPECT_EQ(doinsert(nilhandle, 0, 0, run, 1), 1);
}

TEST_F(ObjectUtilTest, DiffdataAndZero) {
  const char a[] = "abcdef", b[] = "abcdeX";
  EXPECT_EQ(diffdata(a, b, 5), 0);
  EXPECT_EQ(diffdata(a, b, 6), 1);
  EXPECT_EQ(diffdata(a, b, 0), 0);
  EXPECT_EQ(diffdata(a, b, -3), 0);
  u8 buf[4] = {1, 2, 3, 4};
  zero(buf, 3);
  EXPECT_EQ(buf[0] + buf[1] + buf[2], 0);
  EXPECT_EQ(buf[3], 4);
}

// --- Object tests ----------------------------------------------------------------------------

TEST_F(ObjectUtilTest, ObjectTestsByStyleAndFlags) {
  const spot control = object(spotbutton, 203, spotplatformcontrol);
  const spot plain = object(spotbutton, 203);
  EXPECT_TRUE(isversion4spot(&control));
  EXPECT_FALSE(isversion4spot(&plain));
  EXPECT_FALSE(isversion4spot(nullptr));
  EXPECT_TRUE(hascontentype(object(spotbutton, 211)));
  EXPECT_FALSE(hascontentype(object(spotbutton, 206)));
  EXPECT_TRUE(hasize(object(spotbutton, 222)));
  EXPECT_FALSE(hasize(object(spotbutton, 216)));
  EXPECT_TRUE(hasorientation(object(spotbutton, 209)));
  EXPECT_FALSE(hasorientation(object(spotbutton, 213)));

  const spot text = object(spotfield, 301);
  const spot objects = object(spotfield, 300, spotallowobjects);
  const spot list = object(spotfield, 302, spotallowobjects);
  EXPECT_TRUE(usesenginetwo(&text));
  EXPECT_FALSE(usesenginetwo(&list));
  EXPECT_FALSE(usesenginetwo(nullptr));
  EXPECT_TRUE(allowsobjects(&objects));
  EXPECT_FALSE(allowsobjects(&text));
  EXPECT_FALSE(allowsobjects(&list));
  EXPECT_FALSE(allowsobjects(nullptr));

  spot ruled = object(spotfield, 300);
  EXPECT_FALSE(fieldhasruler(ruled));
  ruled.textflags = 0x02;
  EXPECT_TRUE(fieldhasruler(ruled));
  spot ruledlist = object(spotfield, 303);
  ruledlist.textflags = 0x02;
  EXPECT_FALSE(fieldhasruler(ruledlist));
}

// A scrolling list is a list that cannot scroll as text under the browse tool, and the other
// way round under the text tool.
TEST_F(ObjectUtilTest, ListsAndScrollingFollowTheCurrentTool) {
  const spot scrollinglist = object(spotfield, 303);
  const spot list = object(spotfield, 302);
  mainglobals().current.tool = toolbrowse;
  EXPECT_FALSE(fieldcanscroll(scrollinglist));
  EXPECT_TRUE(islist(scrollinglist));
  EXPECT_TRUE(islist(list));
  mainglobals().current.tool = tooltext;
  EXPECT_TRUE(fieldcanscroll(scrollinglist));
  EXPECT_FALSE(islist(scrollinglist));
  EXPECT_FALSE(fieldcanscroll(list));
  EXPECT_TRUE(fieldcanscroll(object(spotfield, 301)));
  EXPECT_FALSE(fieldcanscroll(object(spotfield, 300)));
}

// --- Paint settings and tools ----------------------------------------------------------------

TEST_F(ObjectUtilTest, LowresetGivesThePaintSettingsTheirResetValues) {
  ASSERT_EQ(initglobs(), 0);
  MainGlobals& g = mainglobals();
  for (i16* f : {&g.grid,      &g.brush,      &g.penPat,   &g.fillPat,  &g.penFore,   &g.penback,   &g.showPen,
                 &g.filled,    &g.fillFore,   &g.fillBack, &g.multiple, &g.centered,  &g.penWidth,  &g.penHeight,
                 &g.polySides, &g.multiSpace, &g.textSize, &g.textFont, &g.textAlign, &g.textStyle, &g.textHeight})
    *f = 99;
  lowreset();
  EXPECT_EQ(g.polySides, 4);
  // The default font is word 6 of the settings record.
  ASSERT_NE(g.settings, nilhandle);
  storeat<i16>(deref(g.settings) + 12, 22);
  lowreset();
  EXPECT_EQ(g.textFont, 22);
}

TEST_F(ObjectUtilTest, ToolNames) {
  Str255 name;
  const std::pair<i16, const char*> names[] = {{100, "browse tool"}, {429, "button dataBrowser tool"}};
  for (auto [tool, text] : names) {
    lowtooltotext(tool, name);
    EXPECT_EQ(str(name), text);
  }
  for (i16 unnamed : {101, 409, 424, 0, -1}) {
    lowtooltotext(unnamed, name);
    EXPECT_EQ(name[0], 0) << unnamed;
  }
}

// --- Resources, scripts and effects ----------------------------------------------------------

TEST_F(ObjectUtilTest, NoProjectResourceFilesAndNoScriptingComponent) {
  EXPECT_EQ(doresources(0, true), 0);
  EXPECT_EQ(doresources(0, false), 0);
  EXPECT_EQ(doscript("display dialog \"hi\""), 1);
  const i16 open = CountResFiles();
  EXPECT_FALSE(canclosefile(open));
  EXPECT_TRUE(canclosefile(i16(open + 1)));
}

Handle flattened(OSType type, u16 value, u32 length, const std::string& data) {
  std::string bytes;
  for (int s = 24; s >= 0; s -= 8) bytes += char(type >> s);
  bytes += char(value >> 8);
  bytes += char(value);
  for (int s = 24; s >= 0; s -= 8) bytes += char(length >> s);
  bytes += data;
  return newhand(bytes);
}

TEST_F(ObjectUtilTest, FlattenedEffectSettingsUnflatten) {
  Handle flat = flattened(fourcc("blur"), 0xFFFE, 3, "xyz");
  OSType type = 0;
  i16 value = 0;
  i32 length = 0;
  Handle params = nilhandle;
  ASSERT_EQ(unFlattenEffectInfo(flat, &type, &value, &length, &params), noErr);
  EXPECT_EQ(type, fourcc("blur"));
  EXPECT_EQ(value, -2);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(hand(params), "xyz");
  DisposeHandle(params);
  DisposeHandle(flat);

  flat = flattened(fourcc("none"), 7, 0, "");
  ASSERT_EQ(unFlattenEffectInfo(flat, &type, &value, &length, &params), noErr);
  EXPECT_EQ(params, nilhandle);
  EXPECT_EQ(length, 0);
  DisposeHandle(flat);
}

TEST_F(ObjectUtilTest, DamagedEffectSettingsAreRefusedWithoutReadingPastTheirBlock) {
  OSType type = 1;
  i16 value = 1;
  i32 length = 1;
  Handle params = 1;
  for (Handle flat :
       {flattened(fourcc("blur"), 1, 4, "xyz"), flattened(fourcc("blur"), 1, 0xFFFFFFF0u, "abc"), newhand("short")}) {
    EXPECT_EQ(unFlattenEffectInfo(flat, &type, &value, &length, &params), paramErr);
    DisposeHandle(flat);
  }
  EXPECT_EQ(unFlattenEffectInfo(nilhandle, &type, &value, &length, &params), nilHandleErr);
  EXPECT_EQ(type, 1u);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(params, 1u) << "outputs stay untouched";
}

}  // namespace
}  // namespace kv
