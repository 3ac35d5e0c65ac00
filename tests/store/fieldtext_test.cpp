// The stored form of field text, its plain characters as a value, and the texts of background
// fields kept per card.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "store/backtext.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/support/builders.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace kv::storetest;
using FieldTextTest = RuntimeTest;

Handle storedtext(const std::string& text, const std::vector<stylerun>& runs, const fieldtail& tail) {
  Handle h = NewHandle(0);
  EXPECT_EQ(setfieldtext(h, runs.data(), u16(runs.size()), text.data(), i32(text.size()), tail), noErr);
  return h;
}

// A backtext of (id, bytes) entries.
Handle backtextof(const std::vector<std::pair<u32, std::vector<u8>>>& entries) {
  Handle h = NewHandle(0);
  for (auto& [id, bytes] : entries) {
    u32 head[2] = {id, u32(bytes.size())};
    PtrAndHand(head, h, 8);
    PtrAndHand(bytes.data(), h, Size(bytes.size()));
  }
  return h;
}

std::string plaintext(Handle data) {
  fred v;
  EXPECT_EQ(datatotext(data, &v), 0);
  std::string s(reinterpret_cast<const char*>(fredaddr(&v)), size_t(getfredsize(&v)));
  disposfred(&v);
  return s;
}

void expectdefaulttail(Handle data) {
  ASSERT_EQ(GetHandleSize(data), 16);
  EXPECT_EQ(loadat<u16>(deref(data)), 0u);
  fieldtail t = loadat<fieldtail>(deref(data) + 2);
  EXPECT_EQ(i32(t.just), -2);
  EXPECT_EQ(i32(t.lineheight), -1);
  EXPECT_EQ(u32(t.font), u32(u16(mainglobals().textFont)));
  EXPECT_EQ(u32(t.size), u32(u16(mainglobals().textSize)));
  EXPECT_EQ(u32(t.face), u32(u16(mainglobals().textStyle)));
  EXPECT_EQ(u32(t.color), 0u);
}

void settextdefaults(i16 font, i16 size, i16 style) {
  mainglobals().textFont = font;
  mainglobals().textSize = size;
  mainglobals().textStyle = style;
}

// --- The stored form ---------------------------------------------------------------------

TEST_F(FieldTextTest, EmptyTextIsACountAndATail) {
  settextdefaults(22, 14, 3);
  OwnedHandle h(NewHandle(40));
  ASSERT_EQ(setemptyfieldtext(h, defaultfieldtail()), noErr);
  expectdefaulttail(h);
  fieldtextlayout l = measurefieldtext(h);
  EXPECT_TRUE(l.whole);
  EXPECT_EQ(l.textlength, 0);
  EXPECT_EQ(plaintext(h), "");
}

TEST_F(FieldTextTest, RunsTextAndTailLieWhereTheCountSays) {
  fieldtail tail{1, 16, 3, 12, 0, 0};
  OwnedHandle h(storedtext("Hello there", {styledrun(0, 3, 1, 12), styledrun(5, 22, 0, 18)}, tail));
  EXPECT_EQ(GetHandleSize(h), 2 + 40 + 11 + 14);
  fieldtextlayout l = measurefieldtext(h);
  EXPECT_TRUE(l.whole);
  EXPECT_EQ(u32(l.runs), 2u);
  EXPECT_EQ(l.textoffset, 42);
  EXPECT_EQ(l.textlength, 11);
  EXPECT_EQ(plaintext(h), "Hello there");
  EXPECT_EQ(i32(fieldtextrun(deref(h), 1).font), 22);
  fieldtail back = fieldtextail(deref(h), GetHandleSize(h));
  EXPECT_EQ(std::memcmp(&back, &tail, sizeof tail), 0);
}

// The text length is size - (2 + 20n) - 14: a count or size that makes it negative gives no text
// and the default tail, never bytes from outside the block.
TEST_F(FieldTextTest, ATextWhoseLengthsRunPastItsEndReadsAsEmpty) {
  settextdefaults(5, 9, 1);
  std::vector<std::vector<u8>> damaged = {
      {},                      // nothing at all
      {0, 0, 1, 2, 3},         // shorter than a tail
      std::vector<u8>(15, 0),  // one byte short of the empty text
  };
  std::vector<u8> runsoverrun(2 + 14 + 19, 'a');  // one run announced, 19 bytes of it
  storeat<u16>(runsoverrun.data(), 1);
  damaged.push_back(runsoverrun);
  std::vector<u8> hugecount(60, 'b');
  storeat<u16>(hugecount.data(), 0xFFFF);
  damaged.push_back(hugecount);
  for (auto& bytes : damaged) {
    Handle h = handleof(bytes);
    EXPECT_FALSE(measurefieldtext(h).whole) << bytes.size();
    EXPECT_EQ(plaintext(h), "");
    fieldtail t = fieldtextail(deref(h), GetHandleSize(h));
    EXPECT_EQ(u32(t.font), 5u);
    EXPECT_EQ(u32(t.size), 9u);
    DisposeHandle(h);
  }
  EXPECT_EQ(plaintext(nilhandle), "");
}

TEST_F(FieldTextTest, PlainTextOfALongStyledText) {
  std::string text(5000, 'q');
  text[0] = 'A';
  text.back() = 'Z';
  OwnedHandle h(
      storedtext(text, {styledrun(0, 3, 0, 12), styledrun(10, 4, 1, 9), styledrun(20, 5, 2, 24)}, defaultfieldtail()));
  EXPECT_EQ(plaintext(h), text);
}

TEST_F(FieldTextTest, PlainTextOutOfMemoryIsAnEmptyValue) {
  OwnedHandle h(storedtext(std::string(300, 'm'), {}, defaultfieldtail()));
  failallocationafter(1);
  OwnedFred v;
  EXPECT_EQ(datatotext(h, &v), 37);
  failallocationafter(0);
  EXPECT_EQ(getfredsize(&v), 0);
}

// --- Background texts ----------------------------------------------------------------------

struct Card {
  Handle objects = NewHandle(0);
  ~Card() { dumpspot(objects); }
  void add(const spot& s) { appendspot(objects, s); }
  spot at(i32 i) const { return spotof(objects, i); }
};

spot field(u32 id, u16 style, const std::string& text = {}) {
  spot s = newspot(spotfield, style, id);
  if (!text.empty()) s.data = fieldtext(text);
  return s;
}

TEST_F(FieldTextTest, BackgroundTextsGoAndComeBackByFieldId) {
  Card back;
  back.add(field(7, stylefieldrect, "first card, field 7"));
  back.add(newspot(spotbutton, 200, 8));
  back.add(field(9, stylefieldscroll, "first card, field 9"));
  back.add(field(11, stylefieldrect));  // no data at all
  OwnedHandle backtext(NewHandle(3));
  ASSERT_EQ(getbacktext(back.objects, backtext), noErr);
  Handle seven = back.at(0).data, nine = back.at(2).data;
  EXPECT_EQ(GetHandleSize(backtext), 8 + GetHandleSize(seven) + 8 + GetHandleSize(nine) + 8);
  EXPECT_EQ(loadat<u32>(deref(backtext)), 7u);
  EXPECT_EQ(loadat<u32>(deref(backtext) + 4), u32(GetHandleSize(seven)));

  // Another card's texts replace them; then the first card's come back.
  OwnedHandle other(NewHandle(0));
  {
    Card second;
    second.add(field(9, stylefieldrect, "second card"));
    ASSERT_EQ(getbacktext(second.objects, other), noErr);
  }
  ASSERT_EQ(putbacktext(back.objects, other), noErr);
  EXPECT_EQ(plaintext(back.at(2).data), "second card");
  expectdefaulttail(back.at(0).data);
  EXPECT_EQ(back.at(0).data, seven) << "the data handle is kept";
  ASSERT_EQ(putbacktext(back.objects, backtext), noErr);
  EXPECT_EQ(plaintext(back.at(0).data), "first card, field 7");
  EXPECT_EQ(plaintext(back.at(2).data), "first card, field 9");
  expectdefaulttail(back.at(3).data);  // its entry was empty: the empty text
  EXPECT_EQ(Handle(back.at(1).data), nilhandle) << "buttons are left alone";
}

TEST_F(FieldTextTest, NoEntryGivesTheEmptyTextWithTheDefaultTail) {
  settextdefaults(21, 10, 2);
  Card back;
  back.add(field(3, stylefieldrect, "old"));
  back.add(field(4, stylefieldrect));
  for (Handle backtext : {NewHandle(0), NewHandle(1), backtextof({{99, bytesof(back.at(0).data)}})}) {
    ASSERT_EQ(putbacktext(back.objects, backtext), noErr);
    expectdefaulttail(back.at(0).data);
    expectdefaulttail(back.at(1).data);
    DisposeHandle(backtext);
  }
  ASSERT_EQ(putbacktext(back.objects, nilhandle), noErr);
  expectdefaulttail(back.at(0).data);
}

TEST_F(FieldTextTest, TheFirstEntryOfAFieldWins) {
  Card back;
  back.add(field(5, stylefieldrect));
  Handle a = fieldtext("one"), b = fieldtext("two");
  Handle backtext = backtextof({{5, bytesof(a)}, {5, bytesof(b)}});
  ASSERT_EQ(putbacktext(back.objects, backtext), noErr);
  EXPECT_EQ(plaintext(back.at(0).data), "one");
  for (Handle h : {a, b, backtext}) DisposeHandle(h);
}

// Lengths read from a card are checked against the handle: an entry that runs past the end, or
// whose stored text does not hold together, gives the empty text; entries before it still count.
TEST_F(FieldTextTest, DamagedBackgroundTextGivesEmptyTexts) {
  Card back;
  back.add(field(1, stylefieldrect, "keep me"));
  back.add(field(2, stylefieldrect, "x"));
  back.add(field(3, stylefieldrect, "y"));
  Handle good = fieldtext("from the card");
  std::vector<u8> badruns = bytesof(good);
  storeat<u16>(badruns.data(), 40);  // 40 runs announced in a 27-byte text
  Handle backtext = backtextof({{1, bytesof(good)}, {2, badruns}});
  // Field 3's entry claims more bytes than are left.
  u32 head[2] = {3, 0xFFFFFFF0u};
  PtrAndHand(head, backtext, 8);
  PtrAndHand("short", backtext, 5);
  ASSERT_EQ(putbacktext(back.objects, backtext), noErr);
  EXPECT_EQ(plaintext(back.at(0).data), "from the card");
  expectdefaulttail(back.at(1).data);
  expectdefaulttail(back.at(2).data);

  // An entry head cut short (fewer than 8 bytes) is no entry.
  Handle cut = backtextof({{1, bytesof(good)}});
  SetHandleSize(cut, 6);
  ASSERT_EQ(putbacktext(back.objects, cut), noErr);
  expectdefaulttail(back.at(0).data);
  for (Handle h : {good, backtext, cut}) DisposeHandle(h);
}

TEST_F(FieldTextTest, CleanTextsKeepTheFirstRunsStyle) {
  fieldtail tail{1, 20, 3, 12, 0, 0x155};
  std::string text(500, 'w');
  Handle styled = storedtext(text, {styledrun(0, 22, 5, 18), styledrun(250, 4, 1, 9)}, tail);
  Handle plain = storedtext("plain", {}, fieldtail{2, -1, 7, 24, 4, 0x3FF});
  Handle backtext = backtextof({{41, bytesof(styled)}, {42, bytesof(plain)}});
  Handle clean = NewHandle(5);
  ASSERT_EQ(cleanbacktext(backtext, clean), noErr);
  ASSERT_EQ(GetHandleSize(clean), 48);
  const u8* p = deref(clean);
  EXPECT_EQ(loadat<u32>(p), 41u);
  EXPECT_EQ(loadat<u32>(p + 4), 16u);
  EXPECT_EQ(loadat<u16>(p + 8), 0u);
  fieldtail t = loadat<fieldtail>(p + 10);
  EXPECT_EQ(i32(t.just), 1);
  EXPECT_EQ(i32(t.lineheight), 20);
  EXPECT_EQ(u32(t.font), 22u);
  EXPECT_EQ(u32(t.face), 5u);
  EXPECT_EQ(u32(t.size), 18u);
  EXPECT_EQ(u32(t.color), 0x155u);
  EXPECT_EQ(loadat<u32>(p + 24), 42u);
  fieldtail u = loadat<fieldtail>(p + 34);
  fieldtail plaintail = fieldtail{2, -1, 7, 24, 4, 0x3FF};
  EXPECT_EQ(std::memcmp(&u, &plaintail, sizeof u), 0) << "a text without runs keeps its tail";

  // In place, and from a damaged source: the entries that fit, a bad text with the default tail.
  settextdefaults(8, 11, 0);
  std::vector<u8> bad(10, 0);
  Handle mixed = backtextof({{41, bytesof(styled)}, {43, bad}});
  u32 head[2] = {44, 1000};
  PtrAndHand(head, mixed, 8);
  ASSERT_EQ(cleanbacktext(mixed, mixed), noErr);
  ASSERT_EQ(GetHandleSize(mixed), 48);
  fieldtail d = loadat<fieldtail>(deref(mixed) + 34);
  EXPECT_EQ(u32(d.font), 8u);
  EXPECT_EQ(u32(d.size), 11u);
  for (Handle h : {styled, plain, backtext, clean, mixed}) DisposeHandle(h);
}

// --- The live-object table -------------------------------------------------------------------

struct PortCalls {
  std::vector<u32> reloaded;
  std::vector<std::array<i32, 3>> controls;  // id, value, highlight
};
void recordreload(spot& s) { state<PortCalls>().reloaded.push_back(u32(s.id)); }
void recordcontrol(const spot& s, i16 value, i16 highlight) {
  state<PortCalls>().controls.push_back({i32(s.id), value, highlight});
}

TEST_F(FieldTextTest, ListFieldsReloadTheirRowsThroughTheLivePartsTable) {
  installliveparts(LiveParts{nullptr, nullptr, nullptr, nullptr, recordreload, nullptr});
  Card back;
  back.add(field(1, stylefieldlist, "a"));
  back.add(field(2, stylefieldrect, "b"));
  back.add(field(3, stylefieldscrolllist, "c"));
  OwnedHandle empty(NewHandle(0));
  ASSERT_EQ(putbacktext(back.objects, empty), noErr);
  EXPECT_EQ(state<PortCalls>().reloaded, (std::vector<u32>{1, 3}));
}

TEST_F(FieldTextTest, StandInsHoldAgainAfterAReset) {
  installliveparts(LiveParts{nullptr, nullptr, nullptr, nullptr, recordreload, recordcontrol});
  resetruntime();
  Card back;
  back.add(field(1, stylefieldlist, "a"));
  ASSERT_EQ(putbacktext(back.objects, nilhandle), noErr);
  EXPECT_FALSE(hasstate<PortCalls>());
}

TEST_F(FieldTextTest, OutOfMemoryLeavesTheBackgroundTextWhole) {
  Card back;
  back.add(field(1, stylefieldrect, std::string(2000, 'z')));
  Handle small = fieldtext("short");
  Handle backtext = backtextof({{77, bytesof(small)}});
  std::vector<u8> before = bytesof(backtext);
  failallocationafter(1);
  EXPECT_NE(getbacktext(back.objects, backtext), noErr);
  failallocationafter(0);
  EXPECT_EQ(bytesof(backtext), before);

  // A field that cannot take its text does not keep the other card's text either.
  Handle large = backtextof({{77, bytesof(back.at(0).data)}});
  Card other;
  other.add(field(77, stylefieldrect, "tiny"));
  failallocationafter(1);
  EXPECT_NE(putbacktext(other.objects, large), noErr);
  failallocationafter(0);
  EXPECT_EQ(plaintext(other.at(0).data), "");
  for (Handle h : {small, backtext, large}) DisposeHandle(h);
}

}  // namespace
}  // namespace kv
