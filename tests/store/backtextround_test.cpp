// The texts, styled-field alt lists and unshared hilites of a background's objects, kept per
// card, go into card records, through packing, the project file and the record cache, and come
// back to the background's objects card by card.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "store/backtext.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "tests/store/virsupport.h"

namespace kv::virtest {
namespace {

using namespace kv::storetest;
using BackTextRoundTest = VirTest;

constexpr i32 kCards = 1000;
enum : u32 { styledid = 10, scrollid = 11, listid = 12, buttonid = 13 };

// The stored text of a field on card i (changed when `revision` is not 0).
std::vector<u8> textfor(i32 i, u32 field, int revision = 0) {
  std::string text = "card " + std::to_string(i) + " field " + std::to_string(field);
  if (revision) text += " revised " + std::to_string(revision);
  if (field == listid) text += "\rsecond row\rthird row";
  std::vector<stylerun> runs;
  if (field == styledid) runs = {styledrun(0, i16(3 + i % 40), u8(i % 8), 12), styledrun(5, 22, 1, i16(9 + i % 30))};
  fieldtail tail{i16(i % 3 - 2), -1, u16(i % 50), 12, 0, u32(i) * 0x401u};
  Handle h = NewHandle(0);
  setfieldtext(h, runs.data(), u16(runs.size()), text.data(), i32(text.size()), tail);
  std::vector<u8> bytes = bytesof(h);
  DisposeHandle(h);
  return bytes;
}

std::string runsfor(i32 i) { return "character runs of card " + std::to_string(i); }
bool hilitedon(i32 i) { return i % 3 == 0; }

class Background {
 public:
  Background() {
    appendspot(list, newspot(spotfield, stylefieldrect, styledid));
    appendspot(list, newspot(spotgraphic, stylerectangle, 20));
    appendspot(list, newspot(spotfield, stylefieldscroll, scrollid));
    appendspot(list, newspot(spotfield, stylefieldlist, listid));
    spot b = newspot(spotbutton, 200, buttonid);
    b.flags = b.flags | spotunsharedhilite;
    appendspot(list, b);
  }
  ~Background() { dumpspot(list); }
  i32 indexof(u32 id) const {
    for (i32 i = 0; i < spotcount(list); ++i)
      if (spotat(list, i).id == id) return i;
    return -1;
  }
  spot at(u32 id) const { return spotat(list, indexof(id)); }
  void put(const spot& s) { putspot(list, indexof(s.id), s); }

  // Shows card i's state in the objects, as editing it would leave them (a revision changes
  // the scrolling field's text).
  void fill(i32 i, int revision = 0) {
    for (u32 id : {u32(styledid), u32(scrollid), u32(listid)}) {
      spot s = at(id);
      std::vector<u8> text = textfor(i, id, id == scrollid ? revision : 0);
      if (!s.data) s.data = NewHandle(0);
      PtrToXHand(text.data(), s.data, Size(text.size()));
      put(s);
    }
    spot f = at(styledid);
    dumpalt(f.alt);
    f.alt = altlist({{altwecf, texthandle(runsfor(i))}, {altwest, texthandle("st")}});
    put(f);
    spot b = at(buttonid);
    b.flags = hilitedon(i) ? (b.flags | spothilite) : (b.flags & ~spothilite);
    put(b);
  }

  // Stores the objects' state into a card record.
  void storeinto(Handle card) const {
    cardrec c = recordof<cardrec>(card);
    ASSERT_EQ(getbacktext(list, c.backtext), noErr);
    Handle alts = c.alt;
    ASSERT_EQ(getbacktextextras(list, &alts), 0);
    c.alt = alts;
    putrecord(card, c);
  }

  // Gives the objects a card record's state.
  void showfrom(Handle card) {
    cardrec c = recordof<cardrec>(card);
    ASSERT_EQ(putbacktext(list, c.backtext), noErr);
    EXPECT_EQ(putbacktextextras(list, c.alt), 0);
  }

  // Whether the objects show card i's state.
  void expectcard(i32 i, int revision = 0) const {
    for (u32 id : {u32(styledid), u32(scrollid), u32(listid)})
      ASSERT_EQ(bytesof(at(id).data), textfor(i, id, id == scrollid ? revision : 0)) << "card " << i << " field " << id;
    Handle alts = at(styledid).alt;
    ASSERT_EQ(numberalthandles(alts), 2) << "card " << i;
    EXPECT_EQ(textof(getaltdata(alts, altwecf)), runsfor(i));
    EXPECT_EQ(GetHandleSize(at(scrollid).alt), 0)
        << "card " << i << ": a styled field without a list gets an empty one";
    EXPECT_EQ((at(buttonid).flags & spothilite) != 0, hilitedon(i)) << "card " << i;
  }

  Handle list = NewHandle(0);
};

TEST_F(BackTextRoundTest, ThousandCardsThroughPackStoreCacheAndUnpack) {
  RegistryId st = openproject();
  Background back;
  std::vector<i32> ids(kCards);
  for (i32 i = 0; i < kCards; ++i) {
    back.fill(i);
    Handle card = newcard();
    back.storeinto(card);
    ids[size_t(i)] = add(st, card);  // packed, swapped and written by the store
  }
  ASSERT_EQ(closevir(st), 0);
  // On disk an entry is big-endian: field id, length, run count, then the characters.
  Bytes file = startest::readwhole(dir, "project.kv45");
  std::size_t at = find("project.kv45", "card 5 field 11");
  ASSERT_NE(at, std::string::npos);
  ASSERT_GE(at, 10u);
  EXPECT_EQ(startest::be32(file, at - 10), u32(scrollid));
  EXPECT_EQ(startest::be32(file, at - 6), u32(textfor(5, scrollid).size()));
  st = newprojectstore();
  ASSERT_EQ(openvir(kBootVolume, dir, PName("project.kv45"), st), 0);

  // Every card in a scrambled order, so that the cache loads, evicts and loads again; every
  // tenth card is edited and written back through the cache.
  for (i32 k = 0; k < kCards; ++k) {
    i32 i = i32((i64(k) * 7919) % kCards);
    Handle card = nilhandle;
    ASSERT_EQ(getvir(st, ids[size_t(i)], &card), 0);
    back.showfrom(card);
    back.expectcard(i);
    if (i % 10 == 0) {
      back.fill(i, 1);
      back.storeinto(card);
      ASSERT_EQ(changevir(st, ids[size_t(i)]), 0);
    }
    ASSERT_EQ(putvir(st, ids[size_t(i)]), 0);
  }
  EXPECT_LE(vircount(st), 41) << "the cache keeps to objectCache";

  ASSERT_EQ(closevir(st), 0);
  st = newprojectstore();
  ASSERT_EQ(openvir(kBootVolume, dir, PName("project.kv45"), st), 0);
  for (i32 i = 0; i < kCards; i += 7) {
    Handle card = nilhandle;
    ASSERT_EQ(getvir(st, ids[size_t(i)], &card), 0);
    back.showfrom(card);
    back.expectcard(i, i % 10 == 0 ? 1 : 0);
    ASSERT_EQ(putvir(st, ids[size_t(i)]), 0);
  }
}

// A new card made from a shown one starts with empty texts in each field's style, and keeps
// them through the store.
TEST_F(BackTextRoundTest, ANewCardsCleanTextsKeepTheirStyleThroughTheStore) {
  RegistryId st = openproject();
  Background back;
  back.fill(37);
  Handle shown = newcard();
  back.storeinto(shown);
  Handle card = newcard();
  cardrec c = recordof<cardrec>(card);
  ASSERT_EQ(cleanbacktext(recordof<cardrec>(shown).backtext, c.backtext), noErr);
  i32 id = add(st, card);
  Handle cached = nilhandle;
  ASSERT_EQ(getvir(st, id, &cached), 0);
  back.showfrom(cached);
  spot f = back.at(styledid);
  ASSERT_EQ(GetHandleSize(f.data), 16);
  fieldtail t = loadat<fieldtail>(deref(f.data) + 2);
  stylerun first = styledrun(0, i16(3 + 37 % 40), u8(37 % 8), 12);
  EXPECT_EQ(u32(t.font), u32(first.font));
  EXPECT_EQ(u32(t.face), u32(first.face));
  EXPECT_EQ(u32(t.size), 12u);
  EXPECT_EQ(GetHandleSize(back.at(scrollid).data), 16);
  EXPECT_FALSE(back.at(buttonid).flags & spothilite) << "a new card keeps no hilite";
  ASSERT_EQ(putvir(st, id), 0);
  dump(shown);
}

}  // namespace
}  // namespace kv::virtest
