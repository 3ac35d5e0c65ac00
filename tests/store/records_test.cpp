#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/memory/stored.h"
#include "render/pictinfo.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/store/builders.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

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

TEST(RecordLayout, NamesComeLastWhereTheStoreReadsThemFromTheEnd) {
  for (u16 kind : {kindwind, kindmenu, kindxres, kindcard, kindback}) {
    const PartTable& t = *parttable(kind);
    const PartRule& last = t.rules[t.count - 1];
    EXPECT_TRUE(last.always) << kind;
    EXPECT_EQ(last.form, PartForm::plain) << kind;
  }
  EXPECT_EQ(parttable(kindcard)->rules[parttable(kindcard)->count - 1].offset, offsetof(cardrec, name));
}

TEST(RecordLayout, ObjectRecordOffsets) {
  std::string names;
  storedfields<spot>([&](const char* name, std::size_t off, std::size_t) {
    if (off == 6 || off == 14 || off == 34 || off == 50 || off == 70 || off == 94) names += std::string(name) + " ";
  });
  EXPECT_EQ(names, "id rect fillpat penwidth tail alt ");
  EXPECT_EQ(offsetof(PictInfo, zoom), 48u);
  EXPECT_EQ(offsetof(PictInfo, magnification), 54u);
  EXPECT_EQ(offsetof(PictInfo, quad), 86u);
  EXPECT_EQ(sizeof(controlpart), 16u);
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

}  // namespace
}  // namespace kv
