// What a card keeps for its background's objects besides their texts: the alt lists of styled
// fields (kind 200) and the hilite of buttons whose hilite is not shared (kind 201).
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "store/backtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/builders.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using namespace kv::storetest;
using ExtrasTest = RuntimeTest;

struct Back {
  Handle objects = NewHandle(0);
  ~Back() { dumpspot(objects); }
  void add(const spot& s) { appendspot(objects, s); }
  spot at(i32 i) const { return spotof(objects, i); }
  void set(i32 i, const spot& s) { storeat<spot>(deref(objects) + i * i32(sizeof(spot)), s); }
};

spot styled(u32 id, u16 style, Handle alts) {
  spot s = newspot(spotfield, style, id);
  s.data = fieldtext("text");
  s.alt = alts;
  return s;
}

spot unshared(u32 id, bool hilited, bool control = false, i16 value = 0) {
  spot s = newspot(spotbutton, control ? 203 : 200, id);
  s.flags = s.flags | spotunsharedhilite | (hilited ? spothilite : 0u) | (control ? spotplatformcontrol : 0u);
  if (control) {
    controlpart c = getcontrolpart(s);
    c.currentvalue = value;
    c.maximumvalue = 10;
    setcontrolpart(s, c);
  }
  return s;
}

bool hilited(const spot& s) { return (s.flags & spothilite) != 0; }

// The (kind, data text) pairs of an alt list.
std::vector<std::pair<u32, std::string>> altsof(Handle list) {
  std::vector<std::pair<u32, std::string>> v;
  for (i32 i = 0; i < numberalthandles(list); ++i) {
    alt a = loadat<alt>(deref(list) + i * i32(sizeof(alt)));
    v.emplace_back(u32(a.kind), textof(a.data));
  }
  return v;
}

TEST_F(ExtrasTest, UnsharedHiliteIsStoredAsWord64AndRestored) {
  Back back;
  back.add(unshared(30, true));
  back.add(unshared(31, false));
  back.add(newspot(spotbutton, 200, 32));  // shared: not kept per card
  Handle cardalt = nilhandle;
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  ASSERT_NE(cardalt, nilhandle);
  Handle entries = getaltdata(cardalt, altunsharedhilites);
  ASSERT_EQ(GetHandleSize(entries), 32);
  const u8* p = deref(entries);
  EXPECT_EQ(loadat<u32>(p), 30u);
  EXPECT_EQ(loadat<u32>(p + 4), 8u);
  EXPECT_EQ(loadat<u16>(p + 8), 64u);
  EXPECT_EQ(loadat<u16>(p + 10), 0u);
  EXPECT_EQ(loadat<u32>(p + 16), 31u);
  EXPECT_EQ(loadat<u16>(p + 24), 0u);
  EXPECT_EQ(getaltdata(cardalt, altbackextras), nilhandle) << "no styled field: no kind 200";

  // Another card hilites the second and not the first; coming back restores bit 6.
  spot a = back.at(0), b = back.at(1);
  a.flags = a.flags & ~spothilite;
  b.flags = b.flags | spothilite;
  back.set(0, a);
  back.set(1, b);
  EXPECT_EQ(putbacktextextras(back.objects, cardalt), 0);
  EXPECT_TRUE(hilited(back.at(0)));
  EXPECT_FALSE(hilited(back.at(1)));
  dumpalt(cardalt);
}

TEST_F(ExtrasTest, NoEntryClearsTheHilite) {
  Back back;
  back.add(unshared(30, true));
  back.add(unshared(40, true));
  Handle cardalt = nilhandle;
  {
    Back first;
    first.add(unshared(30, true));  // the card knew only button 30
    ASSERT_EQ(getbacktextextras(first.objects, &cardalt), 0);
  }
  putbacktextextras(back.objects, cardalt);
  EXPECT_TRUE(hilited(back.at(0)));
  EXPECT_FALSE(hilited(back.at(1)));

  // A card that keeps no hilites at all (its buttons were shared when it was stored) shows
  // them not hilited rather than as the card shown before.
  spot b = back.at(1);
  b.flags = b.flags | spothilite;
  back.set(1, b);
  putbacktextextras(back.objects, nilhandle);
  EXPECT_FALSE(hilited(back.at(0)));
  EXPECT_FALSE(hilited(back.at(1)));
  dumpalt(cardalt);
}

struct ControlCalls {
  std::vector<std::array<i32, 3>> calls;  // id, value, highlight
};
void recordcontrol(const spot& s, i16 value, i16 highlight) {
  state<ControlCalls>().calls.push_back({i32(s.id), value, highlight});
}

TEST_F(ExtrasTest, ControlButtonsKeepTheirValuePerCard) {
  installliveparts(LiveParts{nullptr, nullptr, nullptr, nullptr, nullptr, recordcontrol});
  Back back;
  back.add(unshared(50, true, true, 7));
  back.add(unshared(51, false, true, 3));
  spot mixed = unshared(52, true, true, 1);
  mixed.flags = mixed.flags | spotmixedvalue;
  back.add(mixed);
  Handle cardalt = nilhandle;
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  EXPECT_EQ(loadat<u16>(deref(getaltdata(cardalt, altunsharedhilites)) + 10), 7u);

  // Shown on another card with live controls, then back.
  for (i32 i = 0; i < 3; ++i) {
    spot s = back.at(i);
    controlpart c = getcontrolpart(s);
    c.currentvalue = 0;
    c.control = 0x12345;  // a live control
    setcontrolpart(s, c);
    s.flags = s.flags & ~spothilite;
    back.set(i, s);
  }
  putbacktextextras(back.objects, cardalt);
  EXPECT_EQ(i32(getcontrolpart(back.at(0)).currentvalue), 7);
  EXPECT_EQ(i32(getcontrolpart(back.at(1)).currentvalue), 3);
  using call = std::array<i32, 3>;
  EXPECT_EQ(state<ControlCalls>().calls, (std::vector<call>{{50, 7, 1}, {51, 3, 0}, {52, 1, 2}}));

  // Without an entry: value 0, control value 0, highlight 0.
  state<ControlCalls>().calls.clear();
  Handle none = NewHandle(0);
  Handle other = altlist({{altunsharedhilites, none}});
  putbacktextextras(back.objects, other);
  EXPECT_EQ(i32(getcontrolpart(back.at(0)).currentvalue), 0);
  EXPECT_FALSE(hilited(back.at(0)));
  EXPECT_EQ(state<ControlCalls>().calls, (std::vector<call>{{50, 0, 0}, {51, 0, 0}, {52, 0, 0}}));
  for (i32 i = 0; i < 3; ++i) {  // the controls are not ours to dispose of
    spot s = back.at(i);
    controlpart c = getcontrolpart(s);
    c.control = 0;
    setcontrolpart(s, c);
    back.set(i, s);
  }
  dumpalt(cardalt);
  dumpalt(other);
}

TEST_F(ExtrasTest, StyledFieldsKeepTheirAltListsPerCard) {
  Back back;
  back.add(styled(60, stylefieldrect, altlist({{altwecf, texthandle("runs of 60")}, {altwest, texthandle("st")}})));
  back.add(styled(61, stylefieldlist, altlist({{altwecf, texthandle("list fields keep none")}})));
  back.add(styled(62, stylefieldscroll, altlist({{altweru, texthandle("ruler 62")}})));
  back.add(styled(63, stylefieldscroll, nilhandle));
  Handle cardalt = altlist({{altprint, texthandle("other kinds stay")}});
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  Handle extras = getaltdata(cardalt, altbackextras);
  ASSERT_NE(extras, nilhandle);
  EXPECT_EQ(loadat<u32>(deref(extras)), 60u);
  EXPECT_EQ(altsof(cardalt).front(), (std::pair<u32, std::string>{altprint, "other kinds stay"}));

  // Another card's lists; then this card's come back whole. Field 63 had none: an empty list.
  for (i32 i : {0, 2, 3}) {
    spot s = back.at(i);
    dumpalt(s.alt);
    s.alt = altlist({{altwecf, texthandle("another card")}});
    back.set(i, s);
  }
  EXPECT_EQ(putbacktextextras(back.objects, cardalt), 0);
  using alts = std::vector<std::pair<u32, std::string>>;
  EXPECT_EQ(altsof(back.at(0).alt), (alts{{altwecf, "runs of 60"}, {altwest, "st"}}));
  EXPECT_EQ(altsof(back.at(1).alt), (alts{{altwecf, "list fields keep none"}}));
  EXPECT_EQ(altsof(back.at(2).alt), (alts{{altweru, "ruler 62"}}));
  ASSERT_NE(Handle(back.at(3).alt), nilhandle);
  EXPECT_EQ(GetHandleSize(back.at(3).alt), 0);

  // Storing again replaces the card's entries rather than adding to them.
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  EXPECT_EQ(countalttype(cardalt, altbackextras), 1);
  EXPECT_EQ(numberalthandles(cardalt), 2);
  dumpalt(cardalt);
}

TEST_F(ExtrasTest, ACardWithNothingToKeepEndsWithoutAnAltList) {
  Back back;
  back.add(styled(70, stylefieldrect, nilhandle));
  back.add(newspot(spotbutton, 200, 71));
  back.add(styled(72, stylefieldlist, altlist({{altwecf, texthandle("x")}})));
  Handle cardalt = NewHandle(0);
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  EXPECT_EQ(cardalt, nilhandle);

  // A list that held only old extras empties and goes too; one with other entries stays.
  cardalt = altlist({{altbackextras, texthandle("old")}, {altunsharedhilites, texthandle("old")}});
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  EXPECT_EQ(cardalt, nilhandle);
  cardalt = altlist({{altbackextras, texthandle("old")}, {altmatrix, texthandle("keep")}});
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  using alts = std::vector<std::pair<u32, std::string>>;
  EXPECT_EQ(altsof(cardalt), (alts{{altmatrix, "keep"}}));
  dumpalt(cardalt);
}

// Lengths in the card's extras are checked against their handles: an entry that runs past the
// end is no entry.
TEST_F(ExtrasTest, DamagedExtrasGiveEmptyListsAndNoHilite) {
  Back back;
  back.add(styled(80, stylefieldrect, altlist({{altwecf, texthandle("mine")}})));
  back.add(unshared(81, true));
  back.add(unshared(82, true));
  Handle cardalt = nilhandle;
  ASSERT_EQ(getbacktextextras(back.objects, &cardalt), 0);
  Handle extras = getaltdata(cardalt, altbackextras);
  storeat<u32>(deref(extras) + 4, u32(GetHandleSize(extras)));  // one byte too many
  Handle hilites = getaltdata(cardalt, altunsharedhilites);
  storeat<u32>(deref(hilites) + 4, 4);             // button 81: a short entry...
  storeat<u32>(deref(hilites) + 16, 0xFFFFFFFFu);  // ...then garbage where 82's entry was read
  putbacktextextras(back.objects, cardalt);
  EXPECT_EQ(GetHandleSize(back.at(0).alt), 0);
  EXPECT_TRUE(hilited(back.at(1))) << "a 4-byte entry still holds the hilite word";
  EXPECT_FALSE(hilited(back.at(2)));

  // A packed list inside a whole entry that does not hold together keeps what can be read.
  SetHandleSize(extras, 8 + 12);
  storeat<u32>(deref(extras) + 4, 12);
  storeat<u16>(deref(extras) + 18, 40);  // 40 entries in 10 bytes
  putbacktextextras(back.objects, cardalt);
  EXPECT_EQ(GetHandleSize(back.at(0).alt), 0);
  dumpalt(cardalt);
}

TEST_F(ExtrasTest, OutOfMemoryAnswers1AndKeepsWhatWasBuilt) {
  Back back;
  for (u32 id = 90; id < 94; ++id) back.add(styled(id, stylefieldrect, altlist({{altwecf, texthandle("abc")}})));
  back.add(unshared(95, true));
  bool sawfailure = false;
  for (std::size_t n = 1; n < 60; ++n) {
    Handle cardalt = altlist({{altbackextras, texthandle("old")}});
    failallocationafter(n);
    i16 st = getbacktextextras(back.objects, &cardalt);
    failallocationafter(0);
    sawfailure = sawfailure || st == 1;
    if (st == 0) {
      EXPECT_EQ(countalttype(cardalt, altunsharedhilites), 1);
      EXPECT_EQ(countalttype(cardalt, altbackextras), 1);
    }
    // Whatever was stored is whole: it gives the fields their lists back.
    putbacktextextras(back.objects, cardalt);
    dumpalt(cardalt);
  }
  EXPECT_TRUE(sawfailure);
  for (i32 i = 0; i < 4; ++i) EXPECT_LE(numberalthandles(back.at(i).alt), 1);
}

}  // namespace
}  // namespace kv
