#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/atom.h"
#include "engine/fred.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "store/fieldtail.h"
#include "core/memoryguard.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

using TextUtilTest = RuntimeTest;

TEST_F(TextUtilTest, ShortStringsClipAt255) {
  Str255 dst, src;
  setpstring(dst, std::string(250, 'a'));
  setpstring(src, "0123456789");
  appendstring(src, dst);
  EXPECT_EQ(dst[0], 255);
  EXPECT_EQ(str(dst), std::string(250, 'a') + "01234");
  appendchar('z', dst);
  EXPECT_EQ(dst[0], 255);
  EXPECT_EQ(dst[255], '4');
  // pstrcat gives the same result, and a full destination stays as it is.
  setpstring(dst, std::string(250, 'a'));
  EXPECT_EQ(pstrcat(dst, src), dst);
  EXPECT_EQ(str(dst), std::string(250, 'a') + "01234");
  pstrcat(dst, src);
  EXPECT_EQ(dst[0], 255);
  // A string appended to itself.
  setpstring(dst, "abc");
  appendstring(dst, dst);
  EXPECT_EQ(str(dst), "abcabc");
  appendchar('!', dst);
  EXPECT_EQ(str(dst), "abcabc!");
}

TEST_F(TextUtilTest, ShortStringHelpersClipAtTheirCapacity) {
  Str31 small;
  EXPECT_EQ(setpstring(small, std::string(40, 'x')), 31u);
  EXPECT_EQ(small[0], 31);
  EXPECT_EQ(appendpstring(small, "more"), 0u);
  Str255 big;
  EXPECT_EQ(setpstring(big, std::string(300, 'y')), 255u);
  Str255 num;
  NumToString(-2147483647 - 1, num);
  EXPECT_EQ(str(num), "-2147483648");
  NumToString(0, num);
  EXPECT_EQ(str(num), "0");
}

TEST_F(TextUtilTest, HandToStringTakes255BytesAndDropsTrailingZeros) {
  Str255 s;
  Handle h = newhand(std::string(300, 'q'));
  handtostring(h, s);
  EXPECT_EQ(str(s), std::string(255, 'q'));
  DisposeHandle(h);
  h = newhand(std::string("abc\0\0", 5));
  handtostring(h, s);
  EXPECT_EQ(str(s), "abc");
  DisposeHandle(h);
  h = newhand("");
  handtostring(h, s);
  EXPECT_EQ(s[0], 0);
  DisposeHandle(h);
  handtostring(nilhandle, s);
  EXPECT_EQ(s[0], 0);
}

TEST_F(TextUtilTest, StringsIntoHandles) {
  Str255 s;
  setpstring(s, "hi");
  Handle h = nilhandle;
  ASSERT_EQ(stringtonewstoph(s, &h), 0);
  EXPECT_EQ(hand(h), std::string("hi\r\0", 4));
  DisposeHandle(h);
  ASSERT_EQ(stringtonewstringh(s, &h), 0);
  EXPECT_EQ(hand(h), std::string("\x02hi", 3));
  OwnedHandle t(NewHandle(0));
  EXPECT_EQ(stringhandtohand(h, t), 0);
  EXPECT_EQ(hand(t), "hi");
  EXPECT_EQ(stringHandAndHand(h, t), 0);
  EXPECT_EQ(hand(t), "hihi");
  // A handle holding a short string appended to itself.
  EXPECT_EQ(stringHandAndHand(h, h), 0);
  EXPECT_EQ(hand(h), std::string("\x02hihi", 5));
  DisposeHandle(h);
  EXPECT_EQ(stringtohand(s, t), 0);
  EXPECT_EQ(hand(t), "hi");
  EXPECT_EQ(stringandhand(s, t), 0);
  EXPECT_EQ(hand(t), "hihi");
  EXPECT_EQ(stringtohand(s, nilhandle), err::wentwrong);
  EXPECT_EQ(stringandhand(s, nilhandle), err::wentwrong);
}

TEST_F(TextUtilTest, HandlesIntoHandles) {
  Handle src = newhand("some text");
  Handle copy = nilhandle;
  ASSERT_EQ(handtonewh(src, &copy), 0);
  EXPECT_EQ(hand(copy), "some text");
  Handle dst = newhand("x");
  EXPECT_EQ(handtohand(src, dst), 0);
  EXPECT_EQ(hand(dst), "some text");
  EXPECT_EQ(handtohand(nilhandle, dst), 0);
  EXPECT_EQ(GetHandleSize(dst), 0);
  Handle sh = nilhandle;
  ASSERT_EQ(handtonewstringh(src, &sh), 0);
  EXPECT_EQ(hand(sh), "\x09some text");
  Handle rest = nilhandle;
  ASSERT_EQ(stringhandtonewh(sh, &rest), 0);
  EXPECT_EQ(hand(rest), "some text");
  Handle empty = nilhandle;
  ASSERT_EQ(stringhandtonewh(nilhandle, &empty), 0);
  EXPECT_EQ(GetHandleSize(empty), 0);
  EXPECT_EQ(appendcharhand(rest, '!'), 0);
  EXPECT_EQ(hand(rest), "some text!");
  for (Handle h : {src, copy, dst, sh, rest, empty}) DisposeHandle(h);
}

TEST_F(TextUtilTest, AStringHandleLongerThanItsLengthByteCanHoldIsCut) {
  Handle big = newhand(std::string(300, 'k'));
  Handle sh = nilhandle;
  ASSERT_EQ(handtonewstringh(big, &sh), 0);
  EXPECT_EQ(GetHandleSize(sh), 256);
  EXPECT_EQ(deref(sh)[0], 255);
  // A length byte that claims more than the handle holds is bounded by the handle.
  Handle liar = newhand(
      "\xF0"
      "abc");
  Handle dst = NewHandle(0);
  EXPECT_EQ(stringhandtohand(liar, dst), 0);
  EXPECT_EQ(hand(dst), "abc");
  for (Handle h : {big, sh, liar, dst}) DisposeHandle(h);
}

TEST_F(TextUtilTest, GuardRefusalLeavesOutParameterNone) {
  Str255 s;
  setpstring(s, "abc");
  setmemoryguardrefusal(true);
  Handle h = 1234;
  EXPECT_EQ(stringtonewh(s, &h), err::nomemory);
  EXPECT_EQ(h, nilhandle);
  OwnedHandle t(NewHandle(0));
  EXPECT_EQ(appendcharhand(t, 'x'), err::nomemory);
  EXPECT_EQ(GetHandleSize(t), 0);
  // While memory is plentiful the guard is not asked.
  mainglobals().memplentiful = 1;
  EXPECT_EQ(appendcharhand(t, 'x'), 0);
  setmemoryguardrefusal(false);
  failallocationafter(1);
  EXPECT_EQ(stringtonewh(s, &h), err::nomemory);
  EXPECT_EQ(h, nilhandle);
}

TEST_F(TextUtilTest, TextToRectAndPoint) {
  Rect r{9, 9, 9, 9};
  char a[] = "10,20,110,220";
  EXPECT_EQ(textorect(a, &r), 1);
  EXPECT_EQ(r, (Rect{20, 10, 220, 110}));
  char b[] = "1,,2,3,4";
  EXPECT_EQ(textorect(b, &r), 1);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
  char c[] = "100,200,300";
  r = Rect{9, 9, 9, 9};
  EXPECT_EQ(textorect(c, &r), 0);
  EXPECT_EQ(r, (Rect{0, 0, 0, 0}));
  char d[] = "1,2,3";
  EXPECT_EQ(textorect(d, &r), 0);
  char e[] = " -5, +6,7x,8,99";
  EXPECT_EQ(textorect(e, &r), 1);
  EXPECT_EQ(r, (Rect{6, -5, 8, 7}));
  char huge[] = "99999999999999999999,0,0,0";
  EXPECT_EQ(textorect(huge, &r), 1);  // held at the 32-bit limit, then cut to 16 bits
  Point p{5, 5};
  char f[] = "12,-7";
  EXPECT_EQ(textopoint(f, &p), 1);
  EXPECT_EQ(p, (Point{-7, 12}));
  char g[] = "12,";
  EXPECT_EQ(textopoint(g, &p), 0);
  EXPECT_EQ(p, (Point{0, 0}));
  char h[] = "1";
  EXPECT_EQ(textopoint(h, &p), 0);
}

TEST_F(TextUtilTest, LocToRectCentresKeepingTheSize) {
  Rect r{0, 0, 51, 101};
  loctorect(200, 100, &r);
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 75);
  EXPECT_EQ(r.right, 251);
  EXPECT_EQ(r.bottom, 126);
  OwnedHandle h;
  ASSERT_EQ(loctonewh(-3, 40, &h), 0);
  EXPECT_EQ(hand(h), "-3,40");
}

TEST_F(TextUtilTest, ComparisonFoldsOnlyAToZ) {
  Str255 a, b;
  setpstring(a, "MouseUp");
  setpstring(b, "mOUSEuP");
  EXPECT_TRUE(myequalstring(a, b));
  setpstring(b, "mouseup ");
  EXPECT_FALSE(myequalstring(a, b));
  setpstring(a, "\x80");  // A with diaeresis
  setpstring(b, "\x8A");  // a with diaeresis
  EXPECT_FALSE(myequalstring(a, b));
  setpstring(a, "");
  setpstring(b, "");
  EXPECT_TRUE(myequalstring(a, b));
  EXPECT_TRUE(equalchars(reinterpret_cast<const u8*>("ABCx"), reinterpret_cast<const u8*>("abcy"), 3));
  EXPECT_FALSE(equalchars(reinterpret_cast<const u8*>("ABCx"), reinterpret_cast<const u8*>("abcy"), 4));
  EXPECT_TRUE(equalchars(reinterpret_cast<const u8*>("a"), reinterpret_cast<const u8*>("b"), 0));
  // '@' and '[' sit next to the capitals and do not fold.
  EXPECT_FALSE(equalchars(reinterpret_cast<const u8*>("@["), reinterpret_cast<const u8*>("`{"), 2));
}

TEST_F(TextUtilTest, LetterClass) {
  for (int c : {int('A'), int('z'), int('_'), 0x80, 0x9F, 0xA7, 0xAE, 0xAF, 0xBE, 0xBF, 0xCB, 0xCF, 0xD8})
    EXPECT_TRUE(isalphachar(u8(c))) << c;
  for (int c : {int('0'), int(' '), int('.'), int('-'), 0xA0, 0xA8, 0xC0, 0xD0, 0xD9, 0xFF})
    EXPECT_FALSE(isalphachar(u8(c))) << c;
}

TEST_F(TextUtilTest, FindHints) {
  u32 want[8] = {0x5, 0, 0, 0, 0, 0, 0, 0x80000000u};
  u32 card[8] = {0x7, 1, 0, 0, 0, 0, 0, 0x80000001u};
  EXPECT_TRUE(goodhint(want, card));
  card[7] = 1;
  EXPECT_FALSE(goodhint(want, card));
}

TEST_F(TextUtilTest, AtomsToHandles) {
  OwnedHandle text(newhand("put \"abc\" into x\r\"open"));
  atom quoted{};
  quoted.token = 2;
  quoted.offset = 4;
  quoted.length = 5;
  Handle h = nilhandle;
  ASSERT_EQ(quotetonewh(quoted, text, &h), 0);
  EXPECT_EQ(hand(h), "abc");
  DisposeHandle(h);
  ASSERT_EQ(atomtonewh(quoted, text, &h), 0);
  EXPECT_EQ(hand(h), "\"abc\"");
  DisposeHandle(h);
  atom open{};
  open.token = 2;
  open.offset = 17;
  open.length = 5;
  EXPECT_EQ(quotetonewh(open, text, &h), err::noclosingquote);
  EXPECT_EQ(h, nilhandle);
  // A literal made by the evaluator wins over the source text.
  atom withliteral = quoted;
  withliteral.literal = newhand("\x03xyz");
  ASSERT_EQ(atomtonewh(withliteral, text, &h), 0);
  EXPECT_EQ(hand(h), "xyz");
  DisposeHandle(h);
  DisposeHandle(withliteral.literal);
  // An atom that claims more text than the script has is cut at the script's end.
  atom past{};
  past.offset = 17;
  past.length = 400;
  ASSERT_EQ(atomtonewh(past, text, &h), 0);
  EXPECT_EQ(hand(h), "\"open");
  DisposeHandle(h);
  past.offset = 4000;
  ASSERT_EQ(atomtonewh(past, text, &h), 0);
  EXPECT_EQ(GetHandleSize(h), 0);
  DisposeHandle(h);
}

TEST_F(TextUtilTest, StringListFetchersKeepTheirOwnBuffers) {
  StringPtr r = resultstr(1);
  EXPECT_EQ(str(r), "Cancel");
  StringPtr u = upstrsrc(1);
  EXPECT_EQ(str(u), "OK");
  EXPECT_NE(static_cast<void*>(r), static_cast<void*>(u));
  EXPECT_EQ(str(r), "Cancel");
  EXPECT_EQ(str(resultstr(9999)), "");
  EXPECT_EQ(str(resultstr(6)), "");  // a number no text was given for
}

class FixTextTest : public RuntimeTest {};

TEST_F(FixTextTest, EmptyFieldTextSetsThePortsTextFromItsTail) {
  OwnedWorld world;
  Rect r{0, 0, 10, 10};
  ASSERT_EQ(NewGWorld(&world, 32, &r, 0, 0, 0), noErr);
  CGrafPtr oldport;
  GDHandle olddev;
  GetGWorld(&oldport, &olddev);
  SetGWorld(world, 0);
  u8 empty[16] = {0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0, 22, 0, 9, 0, 1, 0, 0, 0, 0};
  fieldtail t;
  std::memcpy(&t, empty + 2, 14);
  endianswap(t);  // the bytes above are in file order; the handle holds host order
  std::memcpy(empty + 2, &t, 14);
  Handle h = nilhandle;
  ASSERT_EQ(PtrToHand(empty, &h, 16), noErr);
  fixtext(h);
  EXPECT_EQ(GetPortTextFont(world), 22);
  EXPECT_EQ(GetPortTextSize(world), 9);
  EXPECT_EQ(int(GetPortTextFace(world)), 1);
  // A text with characters is not empty: the port keeps its settings.
  TextFont(4);
  PtrAndHand("abc", h, 3);
  fixtext(h);
  EXPECT_EQ(GetPortTextFont(world), 4);
  DisposeHandle(h);
  SetGWorld(oldport, olddev);
}

}  // namespace
}  // namespace kv
