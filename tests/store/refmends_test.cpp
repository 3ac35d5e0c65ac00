// Releasing a descriptor after the window moved, and objects embedded in field text named by
// `object` references: found, named in texts, read back, and their expression evaluated once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "store/reftexts.h"
#include "tests/store/reftestsupport.h"

namespace kv {
namespace {

using testproject::kFirstCardId;
using testproject::kFirstWindowId;

// Mended: safewriteobj always writes back and releases; only the window's own texts are not
// put back into its fields when the window moved meanwhile.
TEST_F(ReferenceTest, SafeWriteObjWritesBackAndReleasesWhenTheWindowMoved) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("card field 1 of card 5", &obj), 0);
  desk at = current();
  setspottext(obj, "changed while away");
  ASSERT_EQ(changevir(obj.d.store, i32(obj.ownerrecid)), 0);
  ASSERT_EQ(doline("go card 3"), 0);
  safewriteobj(&obj, at.changestamp, at.serial, at.cardnum);
  EXPECT_EQ(holds(), baseline()) << "the window holds card 3 and its background instead of card 1 and its";
  EXPECT_EQ(cardvalue("card field 1 of card 5"), "changed while away");
  ASSERT_EQ(doline("go card 1"), 0);
}

TEST_F(ReferenceTest, SafeWriteObjLeavesAMovedWindowsTextsAlone) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("field 1 of card 2", &obj), 0);
  desk at = current();
  ASSERT_EQ(doline("go card 9"), 0);
  EXPECT_EQ(backfieldtext(0), "ninth");
  safewriteobj(&obj, at.changestamp, at.serial, at.cardnum);
  EXPECT_EQ(backfieldtext(0), "ninth") << "the window shows card 9: card 1's texts stay out";
  ASSERT_EQ(doline("go card 1"), 0);
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(cardvalue("field 1 of card 9"), "ninth");
}

TEST_F(ReferenceTest, SafeWriteObjOfAStillWindowIsWriteObj) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("field 1 of card 2", &obj), 0);
  EXPECT_EQ(backfieldtext(0), "second title");
  safewriteobj(&obj, current().changestamp, current().serial, current().cardnum);
  EXPECT_EQ(backfieldtext(0), "first title");
  EXPECT_EQ(holds(), baseline());
  ASSERT_EQ(read("item 1 of menu 1", &obj), 0);
  safewriteobj(&obj, 0, 0, 0);
}

// Mended: a reference to another card of the window's background lends that card the window's
// background objects. A window that moved before the reference was released stored them into
// the card the window had shown: that card's texts were overwritten. Each card keeps its own.
TEST_F(ReferenceTest, AWindowThatMovesWhileItsBackgroundIsLentKeepsEveryCardsTexts) {
  openmain();
  objread obj{};
  ASSERT_EQ(read("field 1 of card 2", &obj), 0);
  setspottext(obj, "second, edited");
  desk at = current();
  ASSERT_EQ(doline("go card 5"), 0) << "card Five shares the background";
  EXPECT_EQ(backfieldtext(0), "untitled");
  safewriteobj(&obj, at.changestamp, at.serial, at.cardnum);
  EXPECT_EQ(backfieldtext(0), "untitled") << "the window keeps showing card 5's texts";
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(cardvalue("field 1 of card 1"), "first title");
  EXPECT_EQ(cardvalue("field 1 of card 2"), "second, edited") << "what was put through the reference is kept";
  EXPECT_EQ(cardvalue("field 1 of card 5"), "untitled");
  ASSERT_EQ(doline("go card 1"), 0);
  EXPECT_EQ(cardvalue("field 1"), "first title");
}

TEST_F(ReferenceTest, AWindowThatGoesToTheLentCardShowsItsTexts) {
  openmain();
  expectref("field 1 of card 2", [&](auto& o) {
    setspottext(o, "second, edited");
    ASSERT_EQ(doline("go next"), 0);
    EXPECT_EQ(backfieldtext(0), "second, edited");
  });
  EXPECT_EQ(backfieldtext(0), "second, edited");
  ASSERT_EQ(doline("put \"shown\" into field 1"), 0);
  EXPECT_EQ(cardvalue("field 1 of card 1"), "first title");
  ASSERT_EQ(doline("go prev"), 0);
  EXPECT_EQ(cardvalue("field 1"), "first title");
  EXPECT_EQ(cardvalue("field 1 of card 2"), "shown");
}

TEST_F(ReferenceTest, AWindowThatLeavesTheBackgroundAndComesBackWhileItIsLentKeepsEveryCardsTexts) {
  openmain();
  expectref("field 1 of card 9", [&](auto& o) {
    setspottext(o, "ninth, edited");
    ASSERT_EQ(doline("go card 3"), 0) << "another background";
    ASSERT_EQ(doline("go card 10"), 0) << "back on the lent background";
    EXPECT_EQ(backfieldtext(0), "untitled");
  });
  EXPECT_EQ(backfieldtext(0), "untitled");
  EXPECT_EQ(cardvalue("field 1 of card 1"), "first title");
  EXPECT_EQ(cardvalue("field 1 of card 9"), "ninth, edited");
  EXPECT_EQ(cardvalue("field 1 of card 10"), "untitled");
}

TEST_F(ReferenceTest, AWindowClosedWhileItsBackgroundIsLentKeepsItsCardsTexts) {
  openmain();
  expectref("field 1 of card 2", [&](auto& o) {
    setspottext(o, "second, edited");
    closeall();
  });
  EXPECT_EQ(openprojects(), 0u);
  ASSERT_EQ(open("p.kv45"), 0);
  EXPECT_EQ(cardvalue("field 1"), "first title");
  EXPECT_EQ(cardvalue("field 1 of card 2"), "second, edited");
}

// A reference read while another one lends the background: both cards keep what was put
// through their references, and the window its own texts.
TEST_F(ReferenceTest, NestedReferencesToCardsOfTheWindowsBackgroundKeepTheirTexts) {
  openmain();
  objread outer{}, inner{};
  ASSERT_EQ(read("field 1 of card 2", &outer), 0);
  setspottext(outer, "second, edited");
  ASSERT_EQ(read("field 1 of card 9", &inner), 0);
  EXPECT_EQ(backfieldtext(0), "ninth");
  setspottext(inner, "ninth, edited");
  writeobj(&inner);
  EXPECT_EQ(backfieldtext(0), "first title");
  writeobj(&outer);
  EXPECT_EQ(backfieldtext(0), "first title");
  EXPECT_EQ(cardvalue("field 1 of card 2"), "second, edited");
  EXPECT_EQ(cardvalue("field 1 of card 9"), "ninth, edited");
}

// The text engine's list of a field's embedded objects, as a test stands it in: field Notes
// holds an 'iota' with id 7 named "pic", another kind of object, and an 'iota' with id 9 named
// "two"; other fields hold none.
OSErr notesobjects(const spot& field, Handle out) {
  Handle name = field.name;
  if (name == nilhandle || GetHandleSize(name) != 5 || std::memcmp(deref(name), "Notes", 5) != 0) return noErr;
  auto add = [&](OSType kind, u32 id, const char* text) {
    embeddedobject e{kind, id, {}};
    setpstring(e.name, text);
    PtrAndHand(&e, out, sizeof e);
  };
  add(kEmbeddedIota, 7, "pic");
  add(fourcc("PICT"), 8, "");
  add(kEmbeddedIota, 9, "two");
  return noErr;
}

class EmbeddedTest : public ReferenceTest {
 protected:
  void SetUp() override {
    ReferenceTest::SetUp();
    LiveParts parts{};
    parts.embeddedobjects = notesobjects;
    installliveparts(parts);
    openmain();
  }
  i16 position(std::string_view words) {
    objread obj{};
    i16 st = scan(words, &obj);
    if (st != 0) return i16(-st);
    EXPECT_EQ(obj.kind, objembedded);
    EXPECT_EQ(obj.held, 1);
    i16 at = obj.itemindex;
    writeobj(&obj);
    EXPECT_EQ(obj.kind, objpart) << "released as the field";
    return at;
  }
};

// Mended: an `object` reference is read like every other kind, also by scanobj.
TEST_F(EmbeddedTest, ObjectsAreFoundBySelector) {
  EXPECT_EQ(position("object 1 of card field 1"), 0);
  EXPECT_EQ(position("object 2 of card field 1"), 2) << "positions count every kind of embedded object";
  EXPECT_EQ(position("object id 7 of card field \"Notes\""), 0);
  EXPECT_EQ(position("object \"two\" of card field 1 of card 1"), 2);
  EXPECT_EQ(position("object 3 of card field 1"), -225);
  EXPECT_EQ(position("object id 8 of card field 1"), -225) << "only 'iota' objects are named";
  EXPECT_EQ(position("object 1 of field 1"), -225) << "a field without embedded objects";
  EXPECT_EQ(position("object 1 of card button 1"), -225) << "a button holds no text";
  EXPECT_EQ(position("object 1 card field 1"), -5);
  EXPECT_EQ(position("object 1 of card field 9"), -11);
  EXPECT_EQ(holds(), baseline());
  EXPECT_EQ(cardvalue("there is an object \"two\" of card field 1"), "true");
  EXPECT_EQ(cardvalue("there is an object \"three\" of card field 1"), "false");
}

// Mended: the expression of an `object` reference is evaluated once.
TEST_F(EmbeddedTest, TheExpressionIsEvaluatedOnce) {
  script("function which\n  global calls\n  put calls + 1 into calls\n  return 2\nend which");
  EXPECT_EQ(fn("global calls\nput 0 into calls\nif there is an object which() of card field 1 then return calls"), "1");
  EXPECT_EQ(
      fn("global calls\nput 0 into calls\nif there is an object id which() + 5 of card field 1 then return calls"),
      "1");
}

TEST_F(EmbeddedTest, TextsOfEmbeddedObjectsReadBack) {
  objread obj{};
  ASSERT_EQ(scan("object 2 of card field 1", &obj), 0);
  std::string field = "card field ID " + std::to_string(spotat(obj.objects, obj.objindex).id);
  std::string card = "card ID " + std::to_string(kFirstCardId + 3);
  std::string p = "project \"" + path("p.kv45") + "\"";
  Str255 s{};
  buildidtext(obj, tok::long_, s);
  std::string longid(pstringview(s));
  EXPECT_EQ(longid,
            "object id 9 of " + field + " of " + card + " of window ID " + std::to_string(kFirstWindowId) + " of " + p);
  s[0] = 0;
  buildidtext(obj, tok::abbr, s);
  EXPECT_EQ(std::string(pstringview(s)), "object id 9 of " + field);
  s[0] = 0;
  buildidtext(obj, tok::short_, s);
  EXPECT_EQ(std::string(pstringview(s)), "9");
  s[0] = 0;
  buildnametext(obj, tok::long_, s);
  EXPECT_EQ(std::string(pstringview(s)),
            "object \"two\" of card field \"Notes\" of card \"One\" of window \"Main\" of " + p);
  s[0] = 0;
  buildnametext(obj, tok::short_, s);
  EXPECT_EQ(std::string(pstringview(s)), "two");
  buildreadback(obj, s);
  std::string own(pstringview(s));
  writeobj(&obj);
  for (const std::string& t : {longid, own}) {
    ASSERT_EQ(scan(t, &obj), 0) << t;
    EXPECT_EQ(obj.itemindex, 2) << t;
    safewriteobj(&obj, 0, 0, 0);
    EXPECT_EQ(holds(), baseline()) << "released through safewriteobj as well";
  }
}

}  // namespace
}  // namespace kv
