#include <gtest/gtest.h>

#include <cstring>

#include "platform/memory/memory.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/support/builders.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"
#include <set>
#include <string>
#include "platform/memory/stored.h"
#include "render/pictinfo.h"
#include "store/namekey.h"
#include <string_view>

namespace kv {
namespace {

using namespace kv::storetest;
using PackingTest = RuntimeTest;

TEST_F(PackingTest, BlocksArePaddedToEvenOffsets) {
  Handle target = NewHandle(0);
  i32 offset = 0, capacity = 0;
  Handle odd = texthandle("abcde");
  Handle empty = NewHandle(0);
  ASSERT_EQ(fastobj(target, offset, capacity, odd), noErr);
  EXPECT_EQ(offset, 4 + 5 + 1);
  EXPECT_EQ(capacity, 10 + 10000) << "grown to offset + padded length + 10004";
  ASSERT_EQ(packobj(target, offset, capacity, empty), noErr);  // frees the part
  EXPECT_EQ(offset, 14);
  SetHandleSize(target, offset);

  i32 at = 0;
  Handle a = nilhandle, b = nilhandle, c = nilhandle;
  ASSERT_EQ(unpackobj(target, at, &a), noErr);
  EXPECT_EQ(at, 10);
  EXPECT_EQ(textof(a), "abcde");
  ASSERT_EQ(unpackobj(target, at, &b), noErr);
  ASSERT_NE(b, nilhandle) << "an empty part comes back as an empty handle, not as none";
  EXPECT_EQ(GetHandleSize(b), 0);
  ASSERT_EQ(unpackobj(target, at, &c), noErr);
  EXPECT_EQ(c, nilhandle) << "past the end the part is absent";
  EXPECT_EQ(at, 14);
  // A block whose length runs past the handle is absent and the offset stays.
  storeat<u32>(deref(target) + 10, 0xFFFFFFF0u);
  at = 10;
  ASSERT_EQ(unpackobj(target, at, &c), noErr);
  EXPECT_EQ(c, nilhandle);
  EXPECT_EQ(at, 10);
  for (Handle h : {a, b, odd, target}) DisposeHandle(h);
}

TEST_F(PackingTest, WindowBlocksStartAfterItsPageReferences) {
  Handle w = fullwind(3);
  ASSERT_EQ(pack(w), noErr);
  EXPECT_EQ(loadat<u32>(deref(w) + 84), 24u) << "the script block (an empty script: its tail) starts at 84";
  EXPECT_EQ(u32(loadat<pageref>(deref(w) + 66 + 12).recordid), 2002u);
  ASSERT_EQ(unpack(w), noErr);
  EXPECT_EQ(GetHandleSize(w), 66 + 18);
  windrec r = recordof<windrec>(w);
  EXPECT_EQ(textof(r.name), "Main window");
  EXPECT_EQ(textof(r.slota), "slot A");
  EXPECT_EQ(r.contents, 0u);
  EXPECT_EQ(dump(w), noErr);
}

TEST_F(PackingTest, NewCardPacksToNinetyEightBytes) {
  Handle c = newcard();
  ASSERT_EQ(pack(c), noErr);
  // 56 fixed + script (4 + 24) + object list (4 + count 2) + background text (4) + name (4).
  EXPECT_EQ(GetHandleSize(c), 98);
  EXPECT_EQ(loadat<u16>(deref(c) + 88), 0u) << "an empty object list keeps its count";
  ASSERT_EQ(unpack(c), noErr);
  EXPECT_EQ(GetHandleSize(recordof<cardrec>(c).objects), 0);
  EXPECT_EQ(dump(c), noErr);
}

TEST_F(PackingTest, MenuWithoutItemsKeepsACountOfZero) {
  Handle m = fullmenu(0);
  ASSERT_EQ(pack(m), noErr);
  i32 at = 46;
  u32 script = loadat<u32>(deref(m) + at);
  at += 4 + i32(script + (script & 1));
  EXPECT_EQ(loadat<u32>(deref(m) + at), 2u);
  EXPECT_EQ(loadat<u16>(deref(m) + at + 4), 0u);
  ASSERT_EQ(unpack(m), noErr);
  EXPECT_EQ(GetHandleSize(recordof<menurec>(m).items), 0);
  EXPECT_EQ(dump(m), noErr);
}

TEST_F(PackingTest, KindNineIsRefusedEverywhere) {
  OwnedHandle rec(NewHandleClear(60));
  storeat<u16>(deref(rec), 9);
  std::vector<u8> before = bytesof(rec);
  OwnedHandle dest(NewHandle(0));
  EXPECT_EQ(pack(rec), kBadRecordKind);
  EXPECT_EQ(fast(rec, dest), kBadRecordKind);
  EXPECT_EQ(unpack(rec), kBadRecordKind);
  EXPECT_EQ(dump(rec), kBadRecordKind);
  EXPECT_EQ(getsize(rec), 0);
  EXPECT_EQ(bytesof(rec), before);
  EXPECT_EQ(dump(nilhandle), noErr);
  EXPECT_EQ(dump(0xFFFFFFFFu), noErr);
}

TEST_F(PackingTest, EveryKindRoundTripsAndPackEqualsFast) {
  for (int kind = 0; kind < kRecordKinds; ++kind) {
    SCOPED_TRACE(kind);
    Handle rec = fullrecord(kind);
    std::vector<u8> packed = fastbytes(rec);
    ASSERT_FALSE(packed.empty());
    EXPECT_EQ(fastbytes(rec), packed) << "the same bytes on every run";
    ASSERT_EQ(pack(rec), noErr);
    if (kind != kindback) {
      EXPECT_EQ(bytesof(rec), packed) << "pack writes what fast writes";
    }
    Handle copy = handleof(packed);
    ASSERT_EQ(unpack(copy), noErr);
    EXPECT_EQ(fastbytes(copy), packed) << "unpacking gives back the same record";
    if (kind == kindlib || kind == kindpage || kind == kindrack) {
      EXPECT_EQ(bytesof(copy), packed);
    }
    EXPECT_GE(getsize(copy), GetHandleSize(copy));
    EXPECT_EQ(dump(copy), noErr);
    ASSERT_EQ(unpack(rec), noErr);
    EXPECT_EQ(dump(rec), noErr);
  }
}

TEST_F(PackingTest, PackedRecordsMarkPresentPartsAndClearRuntimeSlots) {
  Handle card = fullcard();
  std::vector<u8> packed = fastbytes(card);
  EXPECT_EQ(u32(loadat<cardrec>(packed.data()).objects), 1u);
  // The object list block follows the script block.
  size_t at = 56 + 4 + loadat<u32>(packed.data() + 56);
  at += at & 1;
  const u8* list = packed.data() + at + 4;
  spot button = loadat<spot>(list);
  spot field = loadat<spot>(list + 98);
  EXPECT_EQ(u32(getcontrolpart(button).control), 0u);
  EXPECT_EQ(i32(getcontrolpart(button).currentvalue), 3);
  EXPECT_EQ(u32(getfieldkindtail(field).live), 0u);
  EXPECT_EQ(u32(getfieldkindtail(field).word2), 0x00050006u);

  // Unpacking clears them as well: the live objects belong to the shown card, not the copy.
  Handle copy = handleof(packed);
  ASSERT_EQ(unpack(copy), noErr);
  Handle objects = recordof<cardrec>(copy).objects;
  EXPECT_EQ(u32(getcontrolpart(spotof(objects, 0)).control), 0u);
  EXPECT_EQ(u32(getfieldkindtail(spotof(objects, 1)).live), 0u);
  EXPECT_EQ(textof(spotof(objects, 1).contents), "contents!");
  EXPECT_EQ(dump(copy), noErr);
  EXPECT_EQ(dump(card), noErr);
}

TEST_F(PackingTest, PackingABackgroundEmptiesItsFieldTexts) {
  Handle viafast = fullback();
  Handle viapack = fullback();
  Handle fastcopy = handleof(fastbytes(viafast));
  ASSERT_EQ(pack(viapack), noErr);
  ASSERT_EQ(unpack(viapack), noErr);
  ASSERT_EQ(unpack(fastcopy), noErr);
  Handle packedobjects = recordof<backrec>(viapack).objects;
  Handle fastobjects = recordof<backrec>(fastcopy).objects;
  spot pf = spotof(packedobjects, 1), ff = spotof(fastobjects, 1);
  ASSERT_EQ(pf.kind, spotfield);
  ASSERT_NE(pf.data, 0u);
  EXPECT_EQ(GetHandleSize(pf.data), 0) << "pack leaves every field text empty";
  EXPECT_EQ(pf.alt, 0u) << "and drops the fields' alt lists";
  EXPECT_EQ(textof(ff.data).substr(2, 12), "Hello, field") << "fast keeps the texts";
  EXPECT_NE(ff.alt, 0u);
  EXPECT_EQ(textof(spotof(packedobjects, 0).name), "OK") << "other objects keep their parts";
  EXPECT_EQ(dump(viapack), noErr);
  EXPECT_EQ(dump(fastcopy), noErr);
  EXPECT_EQ(dump(viafast), noErr);
}

TEST_F(PackingTest, UnpackingLibrariesPagesAndRacksChangesNothing) {
  for (int kind : {kindlib, kindpage, kindrack}) {
    Handle rec = fullrecord(kind);
    std::vector<u8> before = bytesof(rec);
    EXPECT_EQ(unpack(rec), noErr);
    EXPECT_EQ(pack(rec), noErr);
    EXPECT_EQ(bytesof(rec), before);
    EXPECT_EQ(getsize(rec), Size(before.size()));
    EXPECT_EQ(dump(rec), noErr);
  }
}

TEST_F(PackingTest, FailedPackLeavesTheRecordWhole) {
  Handle card = fullcard();
  std::vector<u8> want = fastbytes(card);
  OSErr e = memFullErr;
  for (std::size_t n = 1; e != noErr && n < 400; ++n) {
    failallocationafter(n);
    e = pack(card);
    failallocationafter(0);
    if (e != noErr) {
      EXPECT_EQ(e, memFullErr);
      ASSERT_EQ(fastbytes(card), want) << "after a failure at allocation " << n;
    }
  }
  ASSERT_EQ(e, noErr);
  EXPECT_EQ(bytesof(card), want);
  ASSERT_EQ(unpack(card), noErr);
  EXPECT_EQ(dump(card), noErr);
}

TEST_F(PackingTest, FailedUnpackLeavesARecordThatCanBeFreed) {
  Handle card = fullcard();
  std::vector<u8> packed = fastbytes(card);
  EXPECT_EQ(dump(card), noErr);
  OSErr e = memFullErr;
  for (std::size_t n = 1; e != noErr && n < 400; ++n) {
    Handle copy = handleof(packed);
    failallocationafter(n);
    e = unpack(copy);
    failallocationafter(0);
    EXPECT_TRUE(e == noErr || e == memFullErr) << e;
    EXPECT_EQ(GetHandleSize(copy), 56);
    EXPECT_EQ(dump(copy), noErr);  // the fixture fails the test on a leak or a bad handle
  }
  EXPECT_EQ(e, noErr);
}

TEST_F(PackingTest, TruncatedRecordsLoseOnlyWhatDoesNotFit) {
  for (int kind : {kindhead, kindwind, kindmenu, kindxres, kindcard, kindback}) {
    Handle rec = fullrecord(kind);
    std::vector<u8> packed = fastbytes(rec);
    EXPECT_EQ(dump(rec), noErr);
    for (size_t len = 0; len <= packed.size(); ++len) {
      Handle copy = handleof(std::vector<u8>(packed.begin(), packed.begin() + long(len)));
      OSErr e = unpack(copy);
      EXPECT_TRUE(e == noErr || e == kBadRecordKind) << kind << " cut at " << len << ": " << e;
      if (e == noErr) {
        EXPECT_FALSE(fastbytes(copy).empty());
      }
      if (dump(copy) != noErr) DisposeHandle(copy);
    }
  }
}

TEST_F(PackingTest, CountsThatDoNotFitTheirBlockAreRefused) {
  // An object list claiming more objects than its block holds.
  Handle list = NewHandleClear(98 + 2);
  storeat<u16>(deref(list) + 98, 2);
  EXPECT_EQ(unpackspot(list), kBadRecordKind);
  EXPECT_EQ(GetHandleSize(list), 0);
  DisposeHandle(list);
  Handle props = NewHandleClear(12 + 2);
  storeat<u16>(deref(props) + 12, 5);
  EXPECT_EQ(unpackprop(props), kBadRecordKind);
  DisposeHandle(props);
  Handle alts = NewHandleClear(8 + 4 + 2);
  storeat<u16>(deref(alts) + 12, 3);
  EXPECT_EQ(unpackalt(alts), kBadRecordKind);
  DisposeHandle(alts);
  Handle items = NewHandleClear(42 + 2);
  storeat<u16>(deref(items) + 42, 2);
  EXPECT_EQ(unpackitems(items), kBadRecordKind);
  DisposeHandle(items);
  // A window whose page count runs past its record.
  Handle w = fullwind(2);
  ASSERT_EQ(pack(w), noErr);
  storeat<u16>(deref(w) + 64, 60000);
  EXPECT_EQ(unpack(w), kBadRecordKind);
  storeat<u16>(deref(w) + 64, 2);
  ASSERT_EQ(unpack(w), noErr);
  EXPECT_EQ(dump(w), noErr);
}

TEST_F(PackingTest, GroupsNestedTooDeeplyAreRefused) {
  auto nest = [](int depth) {
    Handle inner = NewHandle(0);
    appendspot(inner, newspot(spotgraphic, 102, 1));
    for (int d = 0; d < depth; ++d) {
      Handle outer = NewHandle(0);
      spot g = newspot(spotgraphic, stylegroup, u32(d + 2));
      g.data = inner;
      appendspot(outer, g);
      inner = outer;
    }
    return inner;
  };
  Handle ok = nest(kMaxGroupDepth);
  OwnedHandle dest(NewHandle(0));
  i32 offset = 0, capacity = 0;
  ASSERT_EQ(fastspot(dest, offset, capacity, ok), noErr);
  SetHandleSize(dest, offset);
  i32 at = 0;
  Handle back = nilhandle;
  ASSERT_EQ(unpackobj(dest, at, &back), noErr);
  EXPECT_EQ(unpackspot(back), noErr);
  EXPECT_EQ(sizespot(back, 2), sizespot(ok, 2));
  dumpspot(back);
  dumpspot(ok);

  Handle deep = nest(kMaxGroupDepth + 1);
  offset = 0;
  EXPECT_EQ(fastspot(dest, offset, capacity, deep), kBadRecordKind);
  dumpspot(deep);
}

TEST_F(PackingTest, TailsComeOffAndGoBackOn) {
  Handle script = scripthandle("on x\rend x");
  scripttail t{};
  getail(script, &t, sizeof t);
  EXPECT_EQ(textof(script), "on x\rend x");
  EXPECT_EQ(u32(t.words.v[3]), 0x0103u);
  ASSERT_EQ(putail(script, &t, sizeof t), noErr);
  EXPECT_EQ(GetHandleSize(script), 10 + 24);
  getail(nilhandle, &t, sizeof t);  // nothing happens
  DisposeHandle(script);
  u8 hint[32];
  std::memset(hint, 0xAB, sizeof hint);
  Handle objects = NewHandle(0);
  spot f = newspot(spotfield, stylefieldrect, 5);
  f.data = fieldtext("findable");
  appendspot(objects, f);
  buildhash(hint, objects);
  for (u8 c : hint) EXPECT_EQ(c, 0);
  dumpspot(objects);
}

using namespace kv::storetest;
using RecordsTest = RuntimeTest;

template <class R>
std::set<std::size_t> handlefields() {
  std::set<std::size_t> s;
  storedhandlefields<R>([&s](std::size_t off) { s.insert(off); });
  return s;
}

std::set<std::size_t> tablefields(const PartTable& t) {
  std::set<std::size_t> s;
  for (int i = 0; i < t.count; ++i) s.insert(t.rules[i].offset);
  return s;
}

TEST(RecordLayout, EveryHandleFieldHasItsPlaceInThePartOrder) {
  EXPECT_EQ(tablefields(*parttable(kindhead)), handlefields<headrec>());
  EXPECT_EQ(tablefields(*parttable(kindwind)), handlefields<windrec>());
  EXPECT_EQ(tablefields(*parttable(kindmenu)), handlefields<menurec>());
  EXPECT_EQ(tablefields(itemparts()), handlefields<menuitem>());
  EXPECT_EQ(tablefields(*parttable(kindxres)), handlefields<xresrec>());
  EXPECT_EQ(tablefields(*parttable(kindcard)), handlefields<cardrec>());
  EXPECT_EQ(tablefields(*parttable(kindback)), handlefields<backrec>());
  EXPECT_EQ(tablefields(iotaparts()), handlefields<iota>());
  for (u16 kind : {kindlib, kindpage, kindrack}) EXPECT_EQ(parttable(kind), nullptr);
  EXPECT_EQ(parttable(9), nullptr);
  EXPECT_EQ(handlefields<spot>(), (std::set<std::size_t>{58, 62, 66, 82, 86, 90, 94}));
  EXPECT_EQ(handlefields<uprop>(), (std::set<std::size_t>{4, 8}));
  EXPECT_EQ(handlefields<alt>(), (std::set<std::size_t>{4}));
}

TEST_F(RecordsTest, SizesCountEveryPart) {
  Handle x = fullxres();
  EXPECT_EQ(getsize(x), 14 + 4 + 15);
  EXPECT_EQ(dumpxres(x), noErr);
  Handle card = newcard();
  cardrec r = recordof<cardrec>(card);
  Handle objects = r.objects;
  spot s = newspot(spotgraphic, 102, 1);
  s.name = texthandle("abc");
  s.alt = altlist({{1, texthandle("12345")}});
  appendspot(objects, s);
  r.uprops = proplist({{"a", "bc"}});
  putrecord(card, r);
  // record, script, name, object list (98 + name 3 + alt list 8 + 5), background text, properties
  EXPECT_EQ(getsize(card), 56 + 24 + 0 + (98 + 3 + 8 + 5) + 0 + (12 + 1 + 2));
  EXPECT_EQ(getsize(nilhandle), 0);
  EXPECT_EQ(dump(card), noErr);
}

u32 key(std::string_view name) {
  Str255 s;
  s[0] = u8(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) s[i + 1] = u8(name[i]);
  u32 k = 0xDEADBEEF;
  getkey(s, &k);
  return k;
}

TEST(NameKey, FoldsCaseAccentsAndPunctuation) {
  EXPECT_EQ(key("Total"), key("TOTAL"));
  EXPECT_EQ(key("Total"), key("total"));
  EXPECT_EQ(key("\x86"
                "ber"),
            key("uber"));  // capital U with diaeresis
  EXPECT_EQ(key("\x86"
                "ber"),
            key("Uber"));
  EXPECT_EQ(key("a-b"), key("a.b"));
  EXPECT_EQ(key("a5"), key("aq"));
  EXPECT_EQ(key(""), 0u);
}

TEST(NameKey, TellsDifferentNamesApart) {
  EXPECT_NE(key("total"), key("totals"));
  EXPECT_NE(key("ab"), key("ba"));
  EXPECT_NE(key("a"), key("b"));
  // The length takes part: a name and the same name with a blank added differ.
  EXPECT_NE(key("a"), key("a "));
}

TEST(NameKey, HashClearsTheSearchHint) {
  u8 hint[34];
  for (u8& b : hint) b = 0xAB;
  hash(hint + 1);
  EXPECT_EQ(hint[0], 0xAB);
  for (int i = 1; i <= 32; ++i) EXPECT_EQ(hint[i], 0) << i;
  EXPECT_EQ(hint[33], 0xAB);
}

}  // namespace
}  // namespace kv
