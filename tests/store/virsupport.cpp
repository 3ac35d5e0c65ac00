#include "tests/store/virsupport.h"

#include <algorithm>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"

namespace kv::virtest {

void VirTest::SetUp() {
  StarTest::SetUp();
  mainglobals().objectCache = 40;
}

void VirTest::TearDown() {
  failfilewriteafter(0);
  setfreespacemodel(std::nullopt);
  while (mainglobals().openprojects != nilid) {
    RegistryId st = mainglobals().openprojects;
    clearvir(st);
    EXPECT_EQ(closevir(st), 0);
    if (mainglobals().openprojects == st) break;
  }
  StarTest::TearDown();
}

RegistryId VirTest::openproject(std::string_view name) {
  EXPECT_EQ(createstar(kBootVolume, dir, PName(name)), 0);
  RegistryId st = newprojectstore();
  i16 e = openvir(kBootVolume, dir, PName(name), st);
  EXPECT_EQ(e, 0);
  if (e != 0) {
    disposeprojectstore(st);
    return nilid;
  }
  return st;
}

i32 VirTest::add(RegistryId st, Handle rec) {
  i32 id = -1;
  EXPECT_EQ(addvir(st, &id, rec), 0);
  return id;
}

Handle VirTest::namedcard(const std::string& name) {
  Handle card = storetest::newcard();
  setcardname(card, name);
  return card;
}

std::string VirTest::cardname(Handle card) { return storetest::textof(storetest::recordof<cardrec>(card).name); }

void VirTest::setcardname(Handle card, const std::string& name) {
  cardrec r = storetest::recordof<cardrec>(card);
  Handle text = r.name;
  SetHandleSize(text, Size(name.size()));
  if (!name.empty()) BlockMoveData(name.data(), deref(text), Size(name.size()));
}

std::size_t VirTest::find(std::string_view file, std::string_view text) {
  Bytes b = startest::readwhole(dir, file);
  auto at = std::search(b.begin(), b.end(), text.begin(), text.end(), [](u8 a, char c) { return a == u8(c); });
  return at == b.end() ? std::string_view::npos : std::size_t(at - b.begin());
}

}  // namespace kv::virtest
