// Containers that reach objects through the dispatch: fields, `me`, `target`, the message
// box and its "putMessage", function calls sent `via` an object, and the positions of two-byte
// selections and clicks.
#include <string>

#include "engine/containerutil.h"
#include "engine/objectsend.h"
#include "fields/fieldview.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/dispatch.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

class ContainerDispatchTest : public DispatchTest {
 protected:
  // The log project with a scrolling background field "Notes" (style 301), a list field
  // "List" (style 303) and these lines added to the first card's script.
  void openwith(const std::string& cardscript) {
    Project p = logproject();
    Object notes;
    notes.kind = Object::field;
    notes.name = "Notes";
    notes.style = stylefieldscroll;
    notes.text = "one\ntwo\nthree";
    Object list = notes;
    list.name = "List";
    list.style = stylefieldscrolllist;
    p.windows[0].backgrounds[0].objects = {notes, list};
    p.windows[0].cards[0].script += "\n" + cardscript;
    build(p);
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
  i16 failing(std::string_view line) {
    queueanswer(Answer{"alert", "Cancel", {}});
    i16 st = doline(line);
    clearanswers();
    return st;
  }
  spot field(std::string_view name) { return spotat(current().backspots, spotindex(current().backspots, name)); }
  void setscroll(std::string_view name, i32 value) {
    i32 i = spotindex(current().backspots, name);
    spot s = spotat(current().backspots, i);
    setfieldscroll(s, value);
    putspot(current().backspots, i, s);
  }
  // The stored text of a field: the whole block (run header, characters, tail).
  std::string stored(std::string_view name) {
    Handle data = field(name).data;
    return std::string(reinterpret_cast<const char*>(deref(data)), size_t(GetHandleSize(data)));
  }
};

// Acceptance: `put "x" into field 1` replaces its text and keeps the stored header and tail;
// `into` without a chunk brings the field back to its top.
TEST_F(ContainerDispatchTest, PutIntoAFieldKeepsItsHeaderAndTailAndResetsItsScroll) {
  openwith("");
  std::string before = stored("Notes");
  setscroll("Notes", 40);
  ASSERT_EQ(doline("put \"x\" into field 1"), 0);
  std::string after = stored("Notes");
  // The shown field's live record takes the put and is written back in the stream form: the
  // stored text keeps the style run of its first character.
  ASSERT_EQ(after.size(), 2 + 20 + 1 + 14u);
  EXPECT_EQ(loadat<u16>(reinterpret_cast<const u8*>(after.data())), 1) << "the run header";
  EXPECT_EQ(after.substr(22, 1), "x");
  EXPECT_EQ(after.substr(23), before.substr(before.size() - 14)) << "the tail";
  EXPECT_EQ(getfieldscroll(field("Notes")), 0);
  EXPECT_EQ(cardvalue("field 1"), "x");

  setscroll("Notes", 40);
  ASSERT_EQ(doline("put \"y\" after field 1"), 0);
  EXPECT_EQ(getfieldscroll(field("Notes")), 40) << "only a put into the whole field scrolls it";
  ASSERT_EQ(doline("put \"z\" into char 1 of field 1"), 0);
  EXPECT_EQ(getfieldscroll(field("Notes")), 40);
  EXPECT_EQ(cardvalue("field 1"), "zy");

  // A list of 65 rows stays scrolled (a list of fewer rows than it scrolls by shows its last
  // page instead).
  ASSERT_EQ(doline("put \"a\" & return & \"b\" & return & \"c\" & return & \"d\" into field \"List\""), 0);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(doline("put field \"List\" & return & field \"List\" into field \"List\""), 0);
  ASSERT_EQ(doline("put field \"List\" & return & field \"List\" & return & \"e\" into field \"List\""), 0);
  setscroll("List", 30);
  ASSERT_EQ(doline("put field \"List\" into field \"List\""), 0);
  EXPECT_EQ(getfieldscroll(field("List")), 30) << "a scrolling list field keeps its scroll";
}

// Acceptance: `put "x" into me` in a button's script gives 10; `put "x" into target` with a
// card as the target gives 11; `the selection` with no open field gives 52.
TEST_F(ContainerDispatchTest, ObjectsThatAreNoFieldsHoldNoText) {
  openwith(
      "on intotarget\n  put \"x\" into target\nend intotarget\n"
      "on intothetarget\n  put \"y\" into the target\nend intothetarget");
  const desk& d = current();
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("send \"intotarget\" to card button \"T\""), 10) << "a button is no field";
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(cardsend("intotarget", sendnormal, d.window), 11) << "a card is no object part";
  // A field as the target takes the text.
  ASSERT_EQ(doline("send \"intotarget\" to field \"Notes\""), 0);
  EXPECT_EQ(cardvalue("field \"Notes\""), "x");
  ASSERT_EQ(doline("send \"intothetarget\" to field \"Notes\""), 0);
  EXPECT_EQ(cardvalue("field \"Notes\""), "y");
  EXPECT_EQ(failing("put \"x\" into the selection"), 52);
  EXPECT_EQ(failing("put \"x\" into selection"), 52);
}

TEST_F(ContainerDispatchTest, MeInAButtonsScriptIsNoField) {
  Project p = logproject();
  p.windows[0].cards[0].objects[0].script += "on intome\n  put \"x\" into me\nend intome";
  build(p);
  ASSERT_EQ(open(), 0);
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("send \"intome\" to card button \"T\""), 10);
}

// Acceptance: a put into the message box sends "putMessage" to the current card.
TEST_F(ContainerDispatchTest, APutIntoTheMessageBoxTellsTheCurrentCard) {
  openwith("on putMessage\n  global told\n  put \"told:\" & msg after told\nend putMessage");
  ASSERT_EQ(doline("put \"hello\" into the message box"), 0);
  EXPECT_EQ(global("told"), "told:hello");
  // The whole text goes into the message box whatever the preposition says.
  ASSERT_EQ(doline("put \"there\" after msg"), 0);
  EXPECT_EQ(global("told"), "told:hellotold:there");
  ASSERT_EQ(doline("put 3"), 0);
  EXPECT_EQ(global("told"), "told:hellotold:theretold:3");
  // A put without a preposition tells the card even while messages are locked.
  mainglobals().lockMessages = 1;
  ASSERT_EQ(doline("put 4"), 0);
  EXPECT_EQ(global("told"), "told:hellotold:theretold:3told:4");
  mainglobals().lockMessages = 0;
}

TEST_F(ContainerDispatchTest, TargetIsTheContentsOfTheTargetOrItsText) {
  openwith("on readtarget\n  global got\n  put target into got\nend readtarget");
  ASSERT_EQ(doline("send \"readtarget\" to field \"Notes\""), 0);
  EXPECT_EQ(global("got"), "one\rtwo\rthree");
  ASSERT_EQ(cardsend("readtarget", sendnormal, current().window), 0);
  EXPECT_EQ(global("got"), "") << "a card's contents: none";
  EXPECT_EQ(failing("send \"readtarget\" to sharedScript"), 79) << "no shared project is open";
}

TEST_F(ContainerDispatchTest, AFunctionCallSentViaAnObject) {
  Project p = logproject();
  p.windows[0].cards[0].objects[0].script += "function where\n  return \"T\"\nend where";
  p.windows[0].cards[1].script += "\nfunction where\n  return \"card 2\"\nend where";
  build(p);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("where() via card button \"T\""), "T");
  EXPECT_EQ(cardvalue("twice(21) via card button \"T\""), "42") << "passed on up to the project";
  EXPECT_EQ(cardvalue("twice(2) via this window"), "4");
  EXPECT_EQ(cardvalue("where() via card 2"), "error 79") << "a card its window does not show";
  EXPECT_EQ(cardvalue("where() via card button \"Nobody\""), "error 11");
}

// Mend: the chunk of a selection is as long as it needs to be, with a reference text of 255
// characters.
TEST_F(ContainerDispatchTest, SelectionsAndClicksInOneAndTwoByteText) {
  std::string bytes =
      "a\x82\xa0"
      "b\x82\xa2"
      "c";  // a, one two-byte character, b, another, c
  OwnedHandle text;
  ASSERT_EQ(PtrToHand(bytes.data(), &text, Size(bytes.size())), noErr);
  Str255 field;
  setpstring(field, "bkgnd field ID 1");
  i32 from = 0, to = 0;
  selectext(1, 3, 0, text, &from, &to);
  EXPECT_EQ(from, 1);
  EXPECT_EQ(to, 3) << "one-byte mode: positions are bytes";
  EXPECT_EQ(selectedchunkstr(1, 4, text, field), "char 2 to 4 of bkgnd field ID 1");

  mainglobals().twobyte = 1;
  selectext(1, 3, 0, text, &from, &to);
  EXPECT_EQ(from, 1);
  EXPECT_EQ(to, 4) << "the two-byte character counts two bytes";
  selectext(1, 3, 10003, text, &from, &to);
  EXPECT_EQ(from, 1);
  EXPECT_EQ(to, 1) << "before: the caret at the start";
  selectext(1, 3, 10001, text, &from, &to);
  EXPECT_EQ(from, 4);
  EXPECT_EQ(to, 4) << "after: the caret at the end";
  EXPECT_EQ(selectedchunkstr(3, 7, text, field), "char 3 to 5 of bkgnd field ID 1");
  i32 s = 4, e = 7;
  adjustclickchunk(&s, &e, text);
  EXPECT_EQ(s, 3);
  EXPECT_EQ(e, 5);
  mainglobals().twobyte = 0;

  Str255 longref;
  setpstring(longref, std::string(255, 'r'));
  std::string chunk = selectedchunkstr(0, 1, text, longref);
  EXPECT_EQ(chunk.size(), std::string("char 1 to 1 of ").size() + 255);
}

}  // namespace
}  // namespace kv
