// Key message texts, lengths in characters, keyword tokens from scripts, borrowed globals.
#include "engine/containerutil.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

class ContainerUtilTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
  }
  static std::string stroke(u8 c) {
    Str255 s;
    keystrokestr(s, c);
    return str(s);
  }
  static std::string infield(u8 c) {
    Str255 s;
    keyinfieldstr(s, c);
    return str(s);
  }
};

TEST_F(ContainerUtilTest, KeyTextsQuoteTheCharacter) {
  EXPECT_EQ(stroke('a'), "keyStroke \"a\"");
  EXPECT_EQ(infield('Z'), "keyInField \"Z\"");
  EXPECT_EQ(stroke(0x82), "keyStroke \"\x82\"");  // one-byte mode: every byte is a character
  EXPECT_EQ(stroke(' '), "keyStroke \" \"");
}

TEST_F(ContainerUtilTest, KeysThatCannotStandInALiteralAreNamed) {
  EXPECT_EQ(stroke('"'), "keyStroke quote");
  EXPECT_EQ(stroke(13), "keyStroke return");
  EXPECT_EQ(stroke(0), "keyStroke null");
  EXPECT_EQ(infield('"'), "keyInField quote");
}

TEST_F(ContainerUtilTest, TwoByteKeysArriveAsOneCharacter) {
  mainglobals().twobyte = 1;
  EXPECT_EQ(stroke(0x82), "");
  EXPECT_EQ(stroke(0xA0), "keyStroke \"\x82\xA0\"");
  // A half-width katakana byte is a character of its own.
  EXPECT_EQ(stroke(0xB1), "keyStroke \"\xB1\"");
  // A lead byte followed by a byte that cannot end a character: that byte stands alone.
  EXPECT_EQ(stroke(0xE0), "");
  EXPECT_EQ(stroke('\r'), "keyStroke return");
  EXPECT_EQ(stroke('x'), "keyStroke \"x\"");
  // The two messages keep their pending bytes apart.
  EXPECT_EQ(stroke(0x88), "");
  EXPECT_EQ(infield(0x89), "");
  EXPECT_EQ(infield(0x9F), "keyInField \"\x89\x9F\"");
  EXPECT_EQ(stroke(0x40), "keyStroke \"\x88@\"");
}

TEST_F(ContainerUtilTest, ReadlengthCountsCharacters) {
  fred v{};
  ASSERT_EQ(charstonewfred("ab\x82\xA0", 4, &v), 0);
  readlength(&v);
  EXPECT_EQ(v.type, fredlong);
  EXPECT_EQ(v.integer, 4);
  disposfred(&v);
  mainglobals().twobyte = 1;
  ASSERT_EQ(charstonewfred("ab\x82\xA0", 4, &v), 0);
  readlength(&v);
  EXPECT_EQ(v.integer, 3);
  disposfred(&v);
  longtonewfred(-123, &v);
  readlength(&v);
  EXPECT_EQ(v.integer, 4);
  disposfred(&v);
}

TEST_F(ContainerUtilTest, LocaltoglobalMarksEveryGlobalBorrowed) {
  Handle list = mainglobals().globalvars;
  Str255 name;
  for (const char* n : {"alpha", "beta"}) {
    varentry e{};
    setpstring(name, n);
    ASSERT_EQ(lowcreate(name, &e), 0);
    ASSERT_EQ(addvars(list, e), 0);
  }
  localtoglobal();
  for (i32 i = 0; i < HandleCount<varentry>(list); ++i) EXPECT_EQ(HandleAs<varentry>(list)[i].state, varborrowed);
  // A handler list over the globals now leaves them alone.
  Handle copy = list;
  ASSERT_EQ(HandToHand(&copy), noErr);
  dumpvars(copy);
  EXPECT_EQ(HandleCount<varentry>(list), 2);
  EXPECT_GT(GetHandleSize(HandleAs<varentry>(list)[0].value), 0);
}

TEST_F(ContainerUtilTest, GetokenTakesWordsOrTheTextOfAnExpression) {
  OwnedHandle text(newhand("history \"enable\" \"no such word\" empty\r"));
  OwnedHandle atoms;
  ASSERT_EQ(tokenize(text, &atoms), 0);
  i32 count = -1;
  EXPECT_EQ(getoken({}, text, atoms, 1, nilhandle, nilhandle, &count),
            stringtotoken(reinterpret_cast<const u8*>("enable"), 6));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(getoken({}, text, atoms, 2, nilhandle, nilhandle, &count), tok::unknown);
  EXPECT_EQ(getoken({}, text, atoms, 3, nilhandle, nilhandle, &count), 5005);  // empty, as it stands
  EXPECT_EQ(count, 1);
  EXPECT_EQ(getoken({}, text, atoms, 4, nilhandle, nilhandle, &count), tok::endofline);
}

}  // namespace
}  // namespace kv
