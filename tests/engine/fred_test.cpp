#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/atom.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "media/phrases.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/memoryguard.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

using FredTest = RuntimeTest;

// The value's text, converting it as text readers do.
std::string text(fred& v) {
  Size n = getfredsize(&v);
  Ptr p = fredaddr(&v);
  return p ? std::string(reinterpret_cast<const char*>(p), size_t(n)) : std::string();
}
void pstr(Str255 s, std::string_view t) { pstrassign(s, 256, t.data(), t.size()); }

// A variable's stored value as the variables keep it: a handle holding one working-copy
// record whose link is that same handle.
Handle newvariable() {
  Handle h = NewHandleClear(Size(sizeof(fred)));
  fred* v = HandleAs<fred>(h);
  v->cls = fredworking;
  v->type = fredstring;
  v->link = h;
  return h;
}
fred workingcopy(Handle var) { return *HandleAs<fred>(var); }
fred stored(Handle var) { return *HandleAs<fred>(var); }

TEST_F(FredTest, ShortAndLongStrings) {
  Str255 s;
  fred v;
  pstr(s, std::string(31, 'a'));
  EXPECT_EQ(stringtonewfred(s, &v), 0);
  EXPECT_EQ(v.cls, fredtemp);
  EXPECT_EQ(v.type, fredstring);
  EXPECT_EQ(v.text, nilhandle);
  EXPECT_EQ(text(v), std::string(31, 'a'));
  disposfred(&v);
  EXPECT_EQ(v.cls, freddisposed);
  pstr(s, std::string(32, 'b'));
  EXPECT_EQ(stringtonewfred(s, &v), 0);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(hand(v.text), std::string(32, 'b'));
  disposfred(&v);
  disposfred(&v);  // a disposed value may be disposed again
  EXPECT_EQ(memoryfigures().livehandles, 0u);
}

TEST_F(FredTest, HandleTextsStayInTheirHandleUntilConvertedInline) {
  Handle h = newhand("abc");
  fred v;
  ASSERT_EQ(handtonewfred(h, &v), 0);
  DisposeHandle(h);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(getfredsize(&v), 3);
  Str255 s;
  fredtostring(&v, s);
  EXPECT_EQ(pstringview(s), "abc");
  EXPECT_EQ(v.type, fredstring);
  EXPECT_NE(v.text, nilhandle) << "the handle stays attached for reuse";
  disposfred(&v);
  EXPECT_EQ(memoryfigures().livehandles, 0u);
}

TEST_F(FredTest, NumbersBecomeTextInPlace) {
  OwnedFred v;
  longtonewfred(-42, &v);
  EXPECT_EQ(text(v), "-42");
  booltonewfred(7, &v);
  EXPECT_EQ(text(v), "true");
  fooltonewfred(0, &v);
  EXPECT_EQ(text(v), "up");
  fooltonewfred(3, &v);
  EXPECT_EQ(text(v), "down");
  doubletonewfred(2.5, &v);
  EXPECT_EQ(text(v), "2.5");
  restypetonewfred(fourcc("TEXT"), &v);
  EXPECT_EQ(text(v), "TEXT");
}

TEST_F(FredTest, CoordinateTexts) {
  OwnedFred v;
  EXPECT_EQ(rectonewfred(Rect{10, 20, 30, 40}, &v), 0);
  EXPECT_EQ(text(v), "20,10,40,30");
  EXPECT_EQ(loctonewfred(-5, 7, &v), 0);
  EXPECT_EQ(text(v), "-5,7");
  Point quad[4] = {{-32768, -32768}, {-32768, -32768}, {-32768, -32768}, {-32768, -32768}};
  EXPECT_EQ(quadtonewfred(quad, &v), 0);
  std::string want = "-32768";
  for (int i = 1; i < 8; ++i) want += ",-32768";
  EXPECT_EQ(text(v), want) << "longer than a short text";
  disposfred(&v);  // a new value is written over the slot, so the long text goes first
  EXPECT_EQ(doubloctonewfred(1.5, -2, &v), 0);
  EXPECT_EQ(text(v), "1.5,-2");
}

Handle polygon(std::initializer_list<Point> pts, u16 sizeword) {
  Handle h = NewHandleClear(Size(10 + 4 * pts.size()));
  std::memcpy(deref(h), &sizeword, 2);
  Rect bounds{20, 10, 60, 50};
  std::memcpy(deref(h) + 2, &bounds, 8);
  Size at = 10;
  for (Point p : pts) {
    std::memcpy(deref(h) + at, &p, 4);
    at += 4;
  }
  return h;
}

TEST_F(FredTest, PolygonPoints) {
  Handle poly = polygon({{20, 10}, {40, 30}, {60, 50}}, 22);
  fred v;
  ASSERT_EQ(buildpts(poly, &v), 0);
  EXPECT_EQ(hand(v.text), "10,20,30,40,50,60");
  disposfred(&v);
  DisposeHandle(poly);
  // A size word larger than the block is bounded by the block.
  poly = polygon({{1, 2}}, 60000);
  ASSERT_EQ(buildpts(poly, &v), 0);
  EXPECT_EQ(hand(v.text), "2,1");
  disposfred(&v);
  DisposeHandle(poly);
  poly = polygon({}, 10);
  ASSERT_EQ(buildpts(poly, &v), 0);
  EXPECT_EQ(GetHandleSize(v.text), 0);
  disposfred(&v);
  DisposeHandle(poly);
  // The guard refusing ends the text with 37; the value stays valid.
  poly = polygon({{20, 10}, {40, 30}}, 18);
  setmemoryguardrefusal(true);
  EXPECT_EQ(buildpts(poly, &v), err::nomemory);
  setmemoryguardrefusal(false);
  disposfred(&v);
  DisposeHandle(poly);
}

TEST_F(FredTest, QuotedLiterals) {
  OwnedHandle script(newhand("\"\" \" \"hello\""));
  atom a{};
  a.token = 2;
  a.offset = 0;
  a.length = 2;
  fred v;
  ASSERT_EQ(quotetonewfred(a, script, &v), 0);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(getfredsize(&v), 0);
  disposfred(&v);
  a.offset = 3;
  a.length = 1;
  EXPECT_EQ(quotetonewfred(a, script, &v), err::noclosingquote);
  disposfred(&v);
  a.offset = 5;
  a.length = 7;
  ASSERT_EQ(quotetonewfred(a, script, &v), 0);
  EXPECT_EQ(hand(v.text), "hello");
  disposfred(&v);
  // atomtonewfred keeps the quotes: it is the atom's source text.
  ASSERT_EQ(atomtonewfred(a, script, &v), 0);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(hand(v.text), "\"hello\"");
  disposfred(&v);
}

TEST_F(FredTest, WorkingCopyHandsItsLongTextToTheVariable) {
  Handle var = newvariable();
  fred copy = workingcopy(var);
  Str255 s;
  pstr(s, std::string(100, 'L'));
  ASSERT_EQ(stringtofred(s, &copy), 0);
  EXPECT_EQ(copy.type, fredhand);
  EXPECT_EQ(stored(var).text, nilhandle) << "the variable sees the change only at dispose";
  disposfred(&copy);
  EXPECT_EQ(stored(var).type, fredhand);
  EXPECT_EQ(hand(stored(var).text), std::string(100, 'L'));
  EXPECT_EQ(stored(var).cls, fredworking);
  // A second working copy shares the text handle: changes through it show at once.
  copy = workingcopy(var);
  EXPECT_EQ(appendcharhand(copy.text, '!'), 0);
  EXPECT_EQ(getfredsize(&copy), 101);
  EXPECT_EQ(GetHandleSize(stored(var).text), 101);
  disposfred(&copy);
  killfred(var);
}

TEST_F(FredTest, DisposingTheStoredRecordItselfChangesNothing) {
  Handle var = newvariable();
  fred w = workingcopy(var);
  Str255 s;
  pstr(s, std::string(34, 's'));
  ASSERT_EQ(stringtofred(s, &w), 0);
  disposfred(&w);
  disposfred(HandleAs<fred>(var));
  EXPECT_EQ(stored(var).cls, fredworking);
  EXPECT_EQ(hand(stored(var).text), std::string(34, 's'));
  killfred(var);
}

TEST_F(FredTest, CopyOfAWorkingCopyIsIndependent) {
  Handle var = newvariable();
  fred w = workingcopy(var);
  Str255 s;
  pstr(s, std::string(40, 'v'));
  ASSERT_EQ(stringtofred(s, &w), 0);
  disposfred(&w);
  fred c = workingcopy(var);
  ASSERT_EQ(copyfred(&c), 0);
  EXPECT_NE(c.text, stored(var).text);
  ASSERT_EQ(appendcharhand(c.text, 'x'), 0);
  pstr(s, "short");
  ASSERT_EQ(stringtofred(s, &c), 0);
  disposfred(&c);
  EXPECT_EQ(stored(var).type, fredhand);
  EXPECT_EQ(hand(stored(var).text), std::string(40, 'v'));
  killfred(var);
}

TEST_F(FredTest, AssigningANumberToALongWorkingCopyReleasesTheTextAtOnce) {
  Handle var = newvariable();
  fred w = workingcopy(var);
  Str255 s;
  pstr(s, std::string(50, 't'));
  ASSERT_EQ(stringtofred(s, &w), 0);
  disposfred(&w);
  std::size_t before = memoryfigures().livehandles;
  w = workingcopy(var);
  fred num;
  longtonewfred(12, &num);
  ASSERT_EQ(fredtofred(&num, &w), 0);
  EXPECT_EQ(memoryfigures().livehandles, before - 1);
  EXPECT_EQ(w.text, nilhandle);
  EXPECT_EQ(stored(var).text, nilhandle);
  disposfred(&w);
  EXPECT_EQ(stored(var).integer, 12);
  killfred(var);
}

TEST_F(FredTest, FredToFredCopiesTextIntoTheDestinationsOwnHandle) {
  fred a, b;
  Str255 s;
  pstr(s, std::string(45, 'a'));
  ASSERT_EQ(stringtonewfred(s, &a), 0);
  longtonewfred(1, &b);
  ASSERT_EQ(fredtofred(&a, &b), 0);
  EXPECT_NE(b.text, a.text);
  EXPECT_EQ(hand(b.text), std::string(45, 'a'));
  Handle kept = b.text;
  pstr(s, "tiny");
  ASSERT_EQ(stringtofred(s, &a), 0);
  ASSERT_EQ(fredtofred(&a, &b), 0);
  EXPECT_EQ(b.text, kept) << "the handle stays for reuse";
  EXPECT_EQ(fredtofred(&b, &b), 0);
  disposfred(&a);
  disposfred(&b);
}

TEST_F(FredTest, GivingAHandle) {
  fred v;
  longtonewfred(0, &v);
  givehandtofred(newhand("short"), &v);
  EXPECT_EQ(text(v), "short");
  givehandtofred(newhand(std::string(40, 'g')), &v);
  givehandtofred(newhand(std::string(50, 'h')), &v);
  EXPECT_EQ(hand(v.text), std::string(50, 'h'));
  disposfred(&v);
  // A working copy's old text is released once: the variable forgets it.
  Handle var = newvariable();
  fred w = workingcopy(var);
  Str255 s;
  pstr(s, std::string(33, 'o'));
  ASSERT_EQ(stringtofred(s, &w), 0);
  disposfred(&w);
  w = workingcopy(var);
  givehandtofred(newhand(std::string(60, 'n')), &w);
  disposfred(&w);
  EXPECT_EQ(hand(stored(var).text), std::string(60, 'n'));
  killfred(var);
}

TEST_F(FredTest, ObjectTextsOwnNothing) {
  OwnedHandle fieldtext(newhand("field text"));
  fred v;
  newfred(&v, fredobject, fredhand, 0);
  v.text = fieldtext;
  Str255 s;
  pstr(s, std::string(40, 'p'));
  ASSERT_EQ(stringtofred(s, &v), 0);
  EXPECT_EQ(v.text, fieldtext);
  givehandtofred(newhand(std::string(35, 'q')), &v);
  EXPECT_EQ(v.text, fieldtext) << "the object's own handle stays; the bytes are copied in";
  EXPECT_EQ(hand(fieldtext), std::string(35, 'q'));
  disposfred(&v);
  EXPECT_TRUE(IsValidHandle(fieldtext));
}

TEST_F(FredTest, TextOperations) {
  OwnedFred v;
  longtonewfred(123, &v);
  ASSERT_EQ(setfredsize(&v, 2), 0);
  EXPECT_EQ(text(v), "12");
  ASSERT_EQ(setfredsize(&v, 40), 0);
  EXPECT_EQ(getfredsize(&v), 40);
  std::memset(fredaddr(&v), 'z', 40);
  Handle h = NewHandle(0);
  ASSERT_EQ(fredandhand(&v, h), 0);
  ASSERT_EQ(fredandhand(&v, h), 0);
  EXPECT_EQ(GetHandleSize(h), 80);
  appendcharfred(&v, '.');
  EXPECT_EQ(getfredsize(&v), 41);
  Handle copy = nilhandle;
  ASSERT_EQ(fredtonewh(&v, &copy), 0);
  EXPECT_EQ(hand(copy), std::string(40, 'z') + ".");
  ASSERT_EQ(fredtohand(&v, h), 0);
  EXPECT_EQ(hand(h), hand(copy));
  OwnedFred other;
  Str255 s;
  pstr(s, "ab");
  ASSERT_EQ(stringtonewfred(s, &other), 0);
  ASSERT_EQ(fredandfred(&other, &v), 0);
  EXPECT_EQ(text(v), std::string(40, 'z') + ".ab");
  ASSERT_EQ(fredandfred(&v, &v), 0);
  EXPECT_EQ(getfredsize(&v), 86);
  for (Handle x : {h, copy}) DisposeHandle(x);
}

TEST_F(FredTest, PosixPathsFromColonPaths) {
  for (auto [from, to] : {std::pair{"Disk:Folder:File", "/Volumes/Disk/Folder/File"}, {"file.txt", "file.txt"}}) {
    OwnedFred v(from);
    ASSERT_EQ(hfs2posixfred(&v), 0);
    EXPECT_EQ(text(v), to);
  }
}

TEST_F(FredTest, PlatformTexts) {
  OwnedFred v;
  ASSERT_EQ(CFStringtonewfred("caf\xC3\xA9", &v), 0);
  EXPECT_EQ(text(v), "caf\x8E");
  EXPECT_EQ(CFStringtonewfred("\xE2\x98\x83 snowman", &v), err::wentwrong);
  EXPECT_EQ(getfredsize(&v), 0);
  ASSERT_EQ(CFStringtonewfred(std::string(40, 'u'), &v), 0);
  EXPECT_EQ(text(v), std::string(40, 'u'));
  disposfred(&v);
  ASSERT_EQ(phrasestonewfred(&v), 0);
  EXPECT_EQ(getfredsize(&v), 0);
}

TEST_F(FredTest, RefusedMemoryGivesStatus37AndAValidEmptyValue) {
  Str255 s;
  pstr(s, std::string(80, 'm'));
  setmemoryguardrefusal(true);
  fred v;
  EXPECT_EQ(stringtonewfred(s, &v), err::nomemory);
  EXPECT_EQ(v.text, nilhandle);
  EXPECT_EQ(getfredsize(&v), 0);
  disposfred(&v);
  Handle h = nilhandle;
  setmemoryguardrefusal(false);
  h = newhand("abc");
  setmemoryguardrefusal(true);
  EXPECT_EQ(handtonewfred(h, &v), err::nomemory);
  disposfred(&v);
  // A setter that fails keeps the value's previous contents.
  setmemoryguardrefusal(false);
  longtonewfred(5, &v);
  setmemoryguardrefusal(true);
  EXPECT_EQ(stringtofred(s, &v), err::nomemory);
  EXPECT_EQ(v.type, fredlong);
  EXPECT_EQ(v.integer, 5);
  EXPECT_EQ(setfredsize(&v, 64), err::nomemory);
  setmemoryguardrefusal(false);
  failallocationafter(1);
  EXPECT_EQ(stringtonewfred(s, &v), err::nomemory);
  disposfred(&v);
  DisposeHandle(h);
}

TEST_F(FredTest, TokenizeAValue) {
  OwnedFred v;
  Str255 s;
  pstr(s, "put 1 into x");
  ASSERT_EQ(stringtonewfred(s, &v), 0);
  Handle atoms = nilhandle;
  ASSERT_EQ(tokenizefred(&v, &atoms), 0);
  ASSERT_GT(HandleCount<atom>(atoms), 1);
  EXPECT_EQ(HandleAs<atom>(atoms)[HandleCount<atom>(atoms) - 1].token, 1) << "ends with the end of script";
  EXPECT_EQ(getfredsize(&v), 12) << "the value's own text gets no stop marker";
  DisposeHandle(atoms);
  // When the stop marker cannot be appended the text is not scanned.
  setmemoryguardrefusal(true);
  EXPECT_EQ(tokenizefred(&v, &atoms), err::nomemory);
  EXPECT_EQ(atoms, nilhandle);
  setmemoryguardrefusal(false);
}

TEST_F(FredTest, CommaLists) {
  OwnedHandle script(newhand("1, \"two\",tres four"));
  fred v;
  Str255 s;
  pstr(s, "1, \"two\",tres four");
  ASSERT_EQ(stringtonewfred(s, &v), 0);
  OwnedHandle atoms;
  ASSERT_EQ(tokenizefred(&v, &atoms), 0);
  disposfred(&v);
  Handle out = nilhandle;
  i32 count = 0;
  ASSERT_EQ(listonewh(script, atoms, 0, {}, nilhandle, nilhandle, &count, &out), 0);
  EXPECT_EQ(hand(out), "1,two,tres");
  EXPECT_EQ(count, 5);
  DisposeHandle(out);
  ASSERT_EQ(listonewfred(script, atoms, 0, {}, nilhandle, nilhandle, &count, &v), 0);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(text(v), "1,two,tres");
  disposfred(&v);
  // An expression that fails ends the list with its status and no handle.
  i32 last = HandleCount<atom>(atoms) - 1;
  EXPECT_EQ(listonewh(script, atoms, last, {}, nilhandle, nilhandle, &count, &out), 3);
  EXPECT_EQ(out, nilhandle);
}

TEST_F(FredTest, NewFredAllocatesOnlyForTemporaries) {
  fred v;
  ASSERT_EQ(newfred(&v, fredtemp, fredstring, 10), 0);
  EXPECT_EQ(v.type, fredstring);
  EXPECT_EQ(v.shorttext[0], 10);
  ASSERT_EQ(newfred(&v, fredtemp, fredstring, 40), 0);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(GetHandleSize(v.text), 40);
  disposfred(&v);
  ASSERT_EQ(newfred(&v, fredobject, fredhand, 40), 0);
  EXPECT_EQ(v.text, nilhandle);
  disposfred(&v);
}

}  // namespace
}  // namespace kv
