// Fields as containers: put into fields of the shown card, of other cards and of projects that
// are not open, chunks of field text, the style runs that follow a change, and what is no
// field.
#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "engine/container.h"
#include "store/objectref.h"
#include "store/objects.h"
#include "store/objread.h"
#include "fields/fieldview.h"
#include "tests/store/reftestsupport.h"
#include "textengine/fieldstorage.h"
#include "textengine/werecord.h"

namespace kv {
namespace {

class FieldContainerTest : public ReferenceTest {
 protected:
  // Runs statements in a handler and answers its status.
  i16 put(std::string_view statements) { return run(statements); }
};

TEST_F(FieldContainerTest, PutIntoFieldsOfTheShownCard) {
  openmain();
  ASSERT_EQ(put("put \"new title\" into field 1"), 0);
  EXPECT_EQ(cardvalue("field 1"), "new title");
  EXPECT_EQ(backfieldtext(0), "new title");
  ASSERT_EQ(put("put \" more\" after card field \"Notes\""), 0);
  EXPECT_EQ(cardvalue("card field 1"), "one notes more");
  ASSERT_EQ(put("put \"the \" before card field 1"), 0);
  EXPECT_EQ(cardvalue("card field 1"), "the one notes more");
  ASSERT_EQ(put("put \"two\" into word 2 of card field 1"), 0);
  EXPECT_EQ(cardvalue("card field 1"), "the two notes more");
  ASSERT_EQ(put("put \"x\" into item 3 of field 1"), 0);
  EXPECT_EQ(cardvalue("field 1"), "new title,,x") << "items added before the chunk";
  ASSERT_EQ(put("put empty into field 1"), 0);
  EXPECT_EQ(cardvalue("field 1"), "");
}

TEST_F(FieldContainerTest, WhatIsNoField) {
  openmain();
  EXPECT_EQ(put("put 1 into card field 99"), 11);
  EXPECT_EQ(put("put 1 into field 1 of card 99"), 51);
}

TEST_F(FieldContainerTest, MeAsAContainer) {
  testproject::Project p = mainproject();
  p.windows[0].cards[0].script = "on intome\n  put 1 into me\nend intome";
  buildmain(p);
  openmain();
  queueanswer(Answer{"alert", "Cancel", {}});  // the failed line's error alert
  EXPECT_EQ(doline("intome"), 11) << "a card is no field";
}

TEST_F(FieldContainerTest, ButtonsAndGraphicsHoldNoText) {
  openmain();
  Handle text = nilhandle;
  Handle atoms = tokens("card button 1", &text);
  chunkpart dest{};
  i32 used = 0;
  EXPECT_EQ(fieldcontainer({}, text, atoms, 0, mainglobals().globalvars, &used, &dest), 10);
}

TEST_F(FieldContainerTest, PutIntoFieldsOfOtherCardsIsKept) {
  openmain();
  ASSERT_EQ(put("put \"changed\" into card field 1 of card 5"), 0);
  ASSERT_EQ(put("put \"second, changed\" into field \"Title\" of card \"Two\""), 0);
  ASSERT_EQ(put("put \"line\" into line 3 of field 1 of card 2 of window \"Four\""), 0);
  EXPECT_EQ(cardvalue("field 1"), "first title") << "the shown card keeps its text";
  EXPECT_EQ(backfieldtext(0), "first title");
  EXPECT_EQ(holds(), baseline());
  closeall();
  openmain();
  EXPECT_EQ(cardvalue("card field 1 of card 5"), "changed");
  EXPECT_EQ(cardvalue("field 1 of card 2"), "second, changed");
  EXPECT_EQ(cardvalue("field 1 of card 2 of window 2"), "four 2\r\rline");
}

TEST_F(FieldContainerTest, PutIntoAProjectThatIsNotOpen) {
  openmain();
  buildother();
  std::string other = "project \"" + path("other.kv45") + "\"";
  ASSERT_EQ(put("put \" and more\" after field 1 of card 2 of " + other), 0);
  EXPECT_EQ(openprojects(), 1u) << "closed again";
  EXPECT_EQ(cardvalue("field 1 of card 2 of " + other), "beta text and more");
  EXPECT_EQ(cardvalue("field 1 of card 1 of " + other), "alpha text");
}

TEST_F(FieldContainerTest, StyleRunsFollowTheText) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("card field 1", &obj), 0);
  spot s = spotat(obj.objects, obj.objindex);
  Handle data = s.data;
  stylerun runs[3]{};
  runs[1].start = 4;
  runs[1].font = 3;
  runs[2].start = 8;
  runs[2].font = 4;
  ASSERT_EQ(setfieldtext(data, runs, 3, "one notes", 9, defaultfieldtail()), noErr);
  // The shown field's record is made afresh from the new stored text.
  releaselivefield(s);
  putspot(obj.objects, obj.objindex, s);
  writeobj(&obj);
  // The runs of the field's text as a text record loaded from it reads them (a field of the text
  // engine's styles keeps its first run in the stored text, the others in its streams).
  auto starts = [&] {
    std::string out;
    const spot f = spotat(current().cardspots, obj.objindex);
    LongRect dest{}, view{};
    ldestview(f, &dest, &view);
    const WEReference we = createwerec(f, dest, view);
    for (i32 i = 0; i < WECountRuns(we); ++i) {
      i32 start = 0, end = 0;
      WEGetRunRange(i, &start, &end, we);
      out += std::to_string(start) + " ";
    }
    WEDispose(we);
    return out;
  };
  ASSERT_EQ(put("put \"ONE\" into char 1 to 3 of card field 1"), 0);
  EXPECT_EQ(cardvalue("card field 1"), "ONE notes");
  EXPECT_EQ(starts(), "0 4 8 ");
  ASSERT_EQ(put("put \"XX\" before card field 1"), 0);
  EXPECT_EQ(starts(), "0 6 10 ");
  ASSERT_EQ(put("put empty into char 5 to 8 of card field 1"), 0);
  EXPECT_EQ(cardvalue("card field 1"), "XXONtes");
  EXPECT_EQ(starts(), "0 4 6 ");
  ASSERT_EQ(put("put \"Q\" into char 4 to 6 of card field 1"), 0);
  EXPECT_EQ(cardvalue("card field 1"), "XXOQs");
  EXPECT_EQ(starts(), "0 4 ") << "a run with nothing left goes";
  ASSERT_EQ(put("put \"plain\" into card field 1"), 0);
  EXPECT_EQ(starts(), "0 ");
  EXPECT_EQ(cardvalue("card field 1"), "plain");
}

TEST_F(FieldContainerTest, WithoutTheEngineTheTextKeepsItsFirstRun) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("card field 1", &obj), 0);
  spot s = spotat(obj.objects, obj.objindex);
  stylerun runs[3]{};
  runs[0].font = 2;
  runs[1].start = 4;
  runs[1].font = 3;
  runs[2].start = 8;
  runs[2].font = 4;
  ASSERT_EQ(setfieldtext(s.data, runs, 3, "one notes", 9, defaultfieldtail()), noErr);
  releaselivefield(s);
  putspot(obj.objects, obj.objindex, s);
  writeobj(&obj);
  LiveParts none{};
  none.puttext = [](spot&, i32, i32, const u8*, i32) -> OSErr { return paramErr; };
  installliveparts(none);
  ASSERT_EQ(put("put \"XY\" into char 2 to 8 of card field 1"), 0);
  installweliveparts();
  EXPECT_EQ(cardvalue("card field 1"), "oXYs");
  const Handle data = spotat(current().cardspots, obj.objindex).data;
  const fieldtextlayout l = measurefieldtext(data);
  ASSERT_TRUE(l.whole);
  EXPECT_EQ(l.runs, 1);
  EXPECT_EQ(l.textlength, 4);
  EXPECT_EQ(fieldtextrun(deref(data), 0).font, 2);
}

}  // namespace
}  // namespace kv
