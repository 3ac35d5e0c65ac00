// The record cache: holding and releasing records, write-back on the last release, eviction
// under objectCache, reverting, the use-state errors, failed writes, sizes and names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/packing.h"
#include "tests/store/virsupport.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"

namespace kv::virtest {
namespace {

using RecordCacheTest = VirTest;

u16 usecount(RegistryId st, i32 id) {
  virentry e{};
  EXPECT_TRUE(findvir(st, id, &e)) << "record " << id << " is not cached";
  return e.usecount;
}

bool cached(RegistryId st, i32 id) {
  virentry e{};
  return findvir(st, id, &e);
}

TEST_F(RecordCacheTest, TheLastReleaseWritesAChangedRecordAndAnEarlierOneDoesNot) {
  RegistryId st = openproject();
  i32 id = add(st, namedcard("Alpha card"));
  ASSERT_NE(find("project.kv45", "Alpha card"), std::string::npos) << "the added record is on disk";

  Handle a, b;
  ASSERT_EQ(getvir(st, id, &a), 0);
  ASSERT_EQ(getvir(st, id, &b), 0);
  EXPECT_EQ(usecount(st, id), 2);
  setcardname(a, "Bravo card");  // same length: the write goes over the old bytes
  ASSERT_EQ(changevir(st, id), 0);

  ASSERT_EQ(putvir(st, id), 0);
  EXPECT_EQ(usecount(st, id), 1);
  u16 flag = 0;
  ASSERT_EQ(testvir(st, id, &flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_NE(find("project.kv45", "Alpha card"), std::string::npos) << "still held: nothing written";
  EXPECT_EQ(find("project.kv45", "Bravo card"), std::string::npos);

  findprojectstore(st)->dirty = 0;
  ASSERT_EQ(putvir(st, id), 0);
  EXPECT_EQ(usecount(st, id), 0);
  ASSERT_EQ(testvir(st, id, &flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(find("project.kv45", "Alpha card"), std::string::npos);
  EXPECT_NE(find("project.kv45", "Bravo card"), std::string::npos) << "the last release wrote it";
  EXPECT_EQ(findprojectstore(st)->dirty, 1) << "a write through the cache marks the store";

  // Released unchanged: nothing is written again.
  ASSERT_EQ(getvir(st, id, &a), 0);
  findprojectstore(st)->dirty = 0;
  ASSERT_EQ(putvir(st, id), 0);
  EXPECT_EQ(findprojectstore(st)->dirty, 0);
}

TEST_F(RecordCacheTest, LoadingPastObjectCacheEvictsTheLeastRecentlyUsedUnheldRecord) {
  RegistryId st = openproject();
  std::vector<i32> ids;
  for (int i = 0; i < 44; ++i) ids.push_back(add(st, namedcard("card " + std::to_string(i))));
  Handle h;
  for (int i = 0; i < 41; ++i) {
    ASSERT_EQ(getvir(st, ids[i], &h), 0);
    ASSERT_EQ(putvir(st, ids[i]), 0);
  }
  EXPECT_EQ(vircount(st), 40);
  EXPECT_FALSE(cached(st, ids[0])) << "the 41st load evicted the first";

  // One more: the least recently used (the second loaded) goes.
  ASSERT_EQ(getvir(st, ids[41], &h), 0);
  ASSERT_EQ(putvir(st, ids[41]), 0);
  EXPECT_EQ(vircount(st), 40);
  EXPECT_FALSE(cached(st, ids[1]));
  for (int i = 2; i <= 41; ++i) EXPECT_TRUE(cached(st, ids[i])) << i;

  // Use, not load order, decides: the third loaded was used again and the fourth goes.
  ASSERT_EQ(getvir(st, ids[2], &h), 0);
  ASSERT_EQ(putvir(st, ids[2]), 0);
  ASSERT_EQ(getvir(st, ids[42], &h), 0);
  ASSERT_EQ(putvir(st, ids[42]), 0);
  EXPECT_TRUE(cached(st, ids[2]));
  EXPECT_FALSE(cached(st, ids[3]));
}

TEST_F(RecordCacheTest, AHeldRecordIsNeverEvicted) {
  RegistryId st = openproject();
  std::vector<i32> ids;
  for (int i = 0; i < 50; ++i) ids.push_back(add(st, namedcard("c" + std::to_string(i))));
  Handle held;
  ASSERT_EQ(getvir(st, ids[0], &held), 0);  // the oldest stamp of all
  Handle h;
  for (int i = 1; i < 50; ++i) {
    ASSERT_EQ(getvir(st, ids[i], &h), 0);
    ASSERT_EQ(putvir(st, ids[i]), 0);
  }
  EXPECT_EQ(cardname(held), "c0") << "the held record is still cached and alive";
  EXPECT_EQ(vircount(st), 40);
  ASSERT_EQ(putvir(st, ids[0]), 0);

  // A cache whose records are all held grows past the limit.
  mainglobals().objectCache = 3;
  clearvir(st);
  for (int i = 0; i < 6; ++i) ASSERT_EQ(getvir(st, ids[i], &h), 0);
  EXPECT_GE(vircount(st), 6);
  for (int i = 0; i < 6; ++i) ASSERT_EQ(putvir(st, ids[i]), 0);
  EXPECT_EQ(cleanold(st), 1);
  while (cleanold(st) == 1) {
  }
  EXPECT_EQ(vircount(st), 0);
}

TEST_F(RecordCacheTest, UseStateErrors) {
  RegistryId st = openproject();
  i32 id = add(st, namedcard("one"));
  i32 other = add(st, namedcard("two"));
  EXPECT_EQ(putvir(st, id), 102) << "never got";
  EXPECT_EQ(changevir(st, id), 102) << "not cached";
  Handle h;
  ASSERT_EQ(getvir(st, id, &h), 0);
  ASSERT_EQ(putvir(st, id), 0);
  EXPECT_EQ(putvir(st, id), 105) << "released at use count 0";
  EXPECT_EQ(changevir(st, id), 105) << "change of an unheld record";
  EXPECT_EQ(putvir(st, other), 102) << "the cache holds another record only";
  u16 flag;
  EXPECT_EQ(testvir(st, other, &flag), 102);

  // A record that does not exist is not cached.
  Handle none = 0x12345;
  EXPECT_EQ(getvir(st, 999, &none), 100);
  EXPECT_EQ(none, nilhandle);

  // A stored record that does not unpack is not cached, and nothing of it stays behind.
  i32 damaged = -1;
  ASSERT_EQ(startest::addbytes(st, Bytes{0, 7, 0, 0, 0, 1, 0, 0, 0, 0}, &damaged), 0);
  none = 0x12345;
  EXPECT_EQ(getvir(st, damaged, &none), 105);
  EXPECT_EQ(none, nilhandle);
  EXPECT_EQ(vircount(st), 1);

  // A project that is not open.
  u32 size;
  for (i16 st104 : {putvir(nilid, id), changevir(nilid, id), savevir(nilid, id), revertvir(nilid, id, &h),
                    testvir(nilid, id, &flag), deletevir(nilid, id), sizevir(nilid, id, &size)})
    EXPECT_EQ(st104, 104);
  i32 newid;
  Handle rec = namedcard("x");
  EXPECT_EQ(addvir(nilid, &newid, rec), 104);
  dump(rec);
}

TEST_F(RecordCacheTest, RevertGivesTheStoredVersionOnlyForAChangedRecordHeldOnce) {
  RegistryId st = openproject();
  i32 id = add(st, namedcard("stored"));
  Handle h;
  ASSERT_EQ(getvir(st, id, &h), 0);
  Handle out = 0x4242;
  EXPECT_EQ(revertvir(st, id, &out), 0) << "unchanged";
  EXPECT_EQ(out, Handle(0x4242)) << "the out handle is not touched";

  setcardname(h, "edited");
  ASSERT_EQ(changevir(st, id), 0);
  Handle again;
  ASSERT_EQ(getvir(st, id, &again), 0);
  EXPECT_EQ(revertvir(st, id, &out), 105) << "held twice";
  ASSERT_EQ(putvir(st, id), 0);

  u64 before = mainglobals().usecounter;
  ASSERT_EQ(revertvir(st, id, &out), 0);
  EXPECT_EQ(cardname(out), "stored");
  virentry e{};
  ASSERT_TRUE(findvir(st, id, &e));
  EXPECT_EQ(e.record, out);
  EXPECT_EQ(e.changed, 0);
  EXPECT_EQ(e.stamp, before + 1);
  ASSERT_EQ(putvir(st, id), 0);
  EXPECT_EQ(revertvir(st, 12345, &out), 102);
}

TEST_F(RecordCacheTest, AFailedWriteBackKeepsTheRecordHeldAndChangedAndUnevicted) {
  RegistryId st = openproject();
  i32 id = add(st, namedcard("before"));
  std::vector<i32> more;
  for (int i = 0; i < 45; ++i) more.push_back(add(st, namedcard("filler " + std::to_string(i))));
  Handle h;
  ASSERT_EQ(getvir(st, id, &h), 0);
  setcardname(h, "after!");
  ASSERT_EQ(changevir(st, id), 0);

  failfilewriteafter(1);  // the disk is full
  EXPECT_EQ(putvir(st, id), dskFulErr);
  failfilewriteafter(0);
  virentry e{};
  ASSERT_TRUE(findvir(st, id, &e));
  EXPECT_EQ(e.usecount, 1) << "still held";
  EXPECT_EQ(e.changed, 1) << "still changed";

  // Loading many other records never evicts it.
  for (i32 other : more) {
    Handle x;
    ASSERT_EQ(getvir(st, other, &x), 0);
    ASSERT_EQ(putvir(st, other), 0);
  }
  ASSERT_TRUE(findvir(st, id, &e));
  EXPECT_EQ(cardname(e.record), "after!");

  // Once the disk has room the release writes it.
  EXPECT_EQ(find("project.kv45", "after!"), std::string::npos);
  ASSERT_EQ(putvir(st, id), 0);
  EXPECT_NE(find("project.kv45", "after!"), std::string::npos);
}

TEST_F(RecordCacheTest, SaveWritesAChangedRecordAndKeepsItHeld) {
  RegistryId st = openproject();
  i32 id = add(st, namedcard("first"));
  EXPECT_EQ(savevir(st, id), 0) << "not cached: nothing to do";
  Handle h;
  ASSERT_EQ(getvir(st, id, &h), 0);
  setcardname(h, "saved");
  ASSERT_EQ(changevir(st, id), 0);
  failfilewriteafter(1);
  EXPECT_EQ(savevir(st, id), dskFulErr);
  failfilewriteafter(0);
  u16 flag = 0;
  ASSERT_EQ(testvir(st, id, &flag), 0);
  EXPECT_EQ(flag, 1) << "a refused save keeps the change";
  ASSERT_EQ(savevir(st, id), 0);
  ASSERT_EQ(testvir(st, id, &flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(usecount(st, id), 1);
  EXPECT_NE(find("project.kv45", "saved"), std::string::npos);
  ASSERT_EQ(putvir(st, id), 0);
}

TEST_F(RecordCacheTest, SizeOfACachedRecordIsItsPackedSize) {
  RegistryId st = openproject();
  i32 id = add(st, storetest::fullcard());
  u32 stored = 0, size = 0;
  ASSERT_EQ(sizevir(st, id, &stored), 0);
  ASSERT_EQ(sizestar(st, id, &size), 0);
  EXPECT_EQ(stored, size) << "uncached: the stored data size";

  Handle h;
  ASSERT_EQ(getvir(st, id, &h), 0);
  ASSERT_EQ(sizevir(st, id, &size), 0);
  EXPECT_EQ(size, stored) << "unchanged, the packed form is what is stored";

  setcardname(h, std::string(300, 'n'));
  ASSERT_EQ(changevir(st, id), 0);
  ASSERT_EQ(sizevir(st, id, &size), 0);
  EXPECT_EQ(size, stored + 300 - 10);
  ASSERT_EQ(putvir(st, id), 0);
  u32 written = 0;
  ASSERT_EQ(sizestar(st, id, &written), 0);
  EXPECT_EQ(written, size) << "what was budgeted is what was written";
}

TEST_F(RecordCacheTest, NamesOfCachedAndStoredRecords) {
  RegistryId st = openproject();
  i32 card = add(st, namedcard("Intro"));
  i32 wind = add(st, storetest::fullwind(0));
  i32 menu = add(st, storetest::fullmenu(2));
  i32 page = add(st, storetest::fullpage(3));
  i32 unnamed = add(st, namedcard(""));
  i32 longname = add(st, namedcard(std::string(300, 'L')));
  Str255 name;
  ASSERT_EQ(namevir(st, card, name), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Intro");
  ASSERT_EQ(namevir(st, wind, name), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Main window");
  ASSERT_EQ(namevir(st, menu, name), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "File");
  ASSERT_EQ(namevir(st, unnamed, name), 0);
  EXPECT_EQ(name[0], 0);

  Handle h;
  for (i32 id : {card, wind, menu, page, longname}) ASSERT_EQ(getvir(st, id, &h), 0);
  ASSERT_EQ(namevir(st, card, name), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Intro");
  ASSERT_EQ(namevir(st, wind, name), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Main window");
  EXPECT_EQ(namevir(st, page, name), 105) << "a page has no name";
  ASSERT_EQ(namevir(st, longname, name), 0);
  EXPECT_EQ(name[0], 255) << "clipped to a short string";
  for (i32 id : {card, wind, menu, page, longname}) ASSERT_EQ(putvir(st, id), 0);
}

TEST_F(RecordCacheTest, StoredNamesStayInsideTheTail) {
  RegistryId st = openproject();
  // No zero word anywhere in the tail: an empty name.
  i32 solid = -1;
  ASSERT_EQ(startest::addbytes(st, Bytes(400, 0x41), &solid), 0);
  // A length word at 100 of the tail whose name would run 99 bytes past its end.
  Bytes b(400, 0x42);
  std::size_t tail = b.size() - 260;
  b[tail + 100] = 0, b[tail + 101] = 0, b[tail + 102] = 0, b[tail + 103] = 255;
  i32 runaway = -1;
  ASSERT_EQ(startest::addbytes(st, b, &runaway), 0);
  // The length word two bytes from the end: a name of 200 bytes gets only the two there are.
  Bytes c(400, 0x43);
  c[c.size() - 6] = 0, c[c.size() - 5] = 0, c[c.size() - 4] = 0, c[c.size() - 3] = 200;
  i32 nearend = -1;
  ASSERT_EQ(startest::addbytes(st, c, &nearend), 0);
  // A short record: the front of the tail is zeros, the name block what the record holds.
  Bytes d = {0, 7, 0, 0, 0, 3, 'a', 'b', 'c', 0};
  i32 shortrec = -1;
  ASSERT_EQ(startest::addbytes(st, d, &shortrec), 0);

  Str255 name;
  std::memset(name, 0xEE, sizeof name);
  ASSERT_EQ(namevir(st, solid, name), 0);
  EXPECT_EQ(name[0], 0);
  ASSERT_EQ(namevir(st, runaway, name), 0);
  EXPECT_EQ(name[0], 156) << "the name ends with the tail";
  EXPECT_EQ(name[156], 0x42);
  ASSERT_EQ(namevir(st, nearend, name), 0);
  EXPECT_EQ(name[0], 2);
  EXPECT_EQ(name[1], 0x43);
  ASSERT_EQ(namevir(st, shortrec, name), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "abc");
  EXPECT_EQ(namevir(st, 999, name), 100);
}

TEST_F(RecordCacheTest, AddDeleteAndClear) {
  RegistryId st = openproject();
  i32 a = add(st, namedcard("kept"));
  i32 b = add(st, namedcard("gone"));
  EXPECT_EQ(vircount(st), 0) << "an added record is not cached";

  // Deleting an uncached record deletes it from the store.
  findprojectstore(st)->dirty = 0;
  ASSERT_EQ(deletevir(st, b), 0);
  EXPECT_EQ(findprojectstore(st)->dirty, 1);
  Handle h;
  EXPECT_EQ(getvir(st, b, &h), 100);

  ASSERT_EQ(getvir(st, a, &h), 0);
  EXPECT_EQ(deletevir(st, a), 105) << "held";
  setcardname(h, "edit");
  ASSERT_EQ(changevir(st, a), 0);
  clearvir(st);
  EXPECT_EQ(findprojectstore(st)->dirty, 0);
  ASSERT_EQ(putvir(st, a), 0);
  EXPECT_NE(find("project.kv45", "kept"), std::string::npos) << "a cleared change is not written";
  ASSERT_EQ(deletevir(st, a), 0);
  EXPECT_EQ(vircount(st), 0);
  EXPECT_EQ(getvir(st, a, &h), 100);
  EXPECT_EQ(deletevir(st, a), 100) << "the store's answer passes through";
}

TEST_F(RecordCacheTest, AFailedAddLeavesTheCallerItsRecord) {
  RegistryId st = openproject();
  Handle card = storetest::fullcard();
  std::vector<u8> packed = storetest::fastbytes(card);
  failfilewriteafter(1);
  i32 id = -1;
  EXPECT_EQ(addvir(st, &id, card), dskFulErr);
  failfilewriteafter(0);
  ASSERT_TRUE(IsValidHandle(card));
  EXPECT_EQ(storetest::fastbytes(card), packed) << "unpacked, in host order, as it was";
  ASSERT_EQ(addvir(st, &id, card), 0);
  Handle h;
  ASSERT_EQ(getvir(st, id, &h), 0);
  EXPECT_EQ(storetest::fastbytes(h), packed);
  ASSERT_EQ(putvir(st, id), 0);
}

TEST_F(RecordCacheTest, ProjectsLinkNewestFirstAndCloseWithTheirCache) {
  RegistryId one = openproject("one.kv45");
  RegistryId two = openproject("two.kv45");
  EXPECT_EQ(mainglobals().openprojects, two);
  EXPECT_EQ(nextvir(two), one);
  EXPECT_EQ(nextvir(one), nilid);

  i32 id = add(one, namedcard("x"));
  Handle h;
  ASSERT_EQ(getvir(one, id, &h), 0);
  ASSERT_EQ(closevir(one), 0) << "cached records, held or not, are discarded";
  EXPECT_EQ(findprojectstore(one), nullptr);
  EXPECT_EQ(mainglobals().openprojects, two);
  EXPECT_EQ(nextvir(two), nilid);
  EXPECT_EQ(closevir(one), 104);

  // A file that is not there does not open, and is not linked.
  RegistryId three = newprojectstore();
  EXPECT_EQ(openvir(kBootVolume, dir, PName("missing.kv45"), three), fnfErr);
  EXPECT_EQ(mainglobals().openprojects, two);
  disposeprojectstore(three);
}

TEST_F(RecordCacheTest, AFailedFlushKeepsTheProjectOpen) {
  RegistryId st = openproject();
  add(st, namedcard("x"));
  failfilewriteafter(1);
  EXPECT_EQ(closevir(st), dskFulErr);
  failfilewriteafter(0);
  EXPECT_NE(findprojectstore(st), nullptr);
  EXPECT_EQ(mainglobals().openprojects, st);
  ASSERT_EQ(closevir(st), 0);
  EXPECT_EQ(verifystar(kBootVolume, dir, PName("project.kv45")), 1000);
}

// The checks before a project is written: the disk-full message once per shortage, and a
// project whose file refuses writes.
using WriteChecksTest = VirTest;

int diskfullmessages() {
  int n = 0;
  for (const std::string& line : transcriptlines()) {
    if (line == "dialog: message The disk holding \"project.kv45\" is full. Make room on it before saving again.") ++n;
  }
  return n;
}

TEST_F(WriteChecksTest, TheDiskFullMessageShowsOncePerShortage) {
  RegistryId st = openproject();
  setunattendedpolicy(UnattendedPolicy::usedefault);
  setfreespacemodel(10000);
  EXPECT_EQ(nodiskspace(st, 500), 0);
  EXPECT_EQ(diskfullmessages(), 0);

  std::string err;
  ASSERT_TRUE(loadanswers("alert: OK\n", &err)) << err;
  EXPECT_EQ(nodiskspace(st, 10000), 1) << "the bytes must be below the free space";
  EXPECT_EQ(diskfullmessages(), 1);
  EXPECT_EQ(answerspending(), 0u) << "the message took the queued answer";
  EXPECT_EQ(nodiskspace(st, 20000), 1);
  EXPECT_EQ(nodiskspace(st, 10001), 1);
  EXPECT_EQ(diskfullmessages(), 1) << "silent for the rest of the shortage";

  EXPECT_EQ(nodiskspace(st, 9999), 0) << "room again";
  EXPECT_EQ(nodiskspace(st, 10000), 1);
  EXPECT_EQ(diskfullmessages(), 2) << "a new shortage shows it again";
  EXPECT_EQ(nodiskspace(nilid, 1), 1);
}

TEST_F(WriteChecksTest, AProjectIsLockedWhenItsFileRefusesAWrite) {
  RegistryId st = openproject();
  EXPECT_EQ(islocked(st), 0);
  Bytes before = startest::readwhole(dir, "project.kv45");
  EXPECT_EQ(startest::readwhole(dir, "project.kv45"), before) << "the write test changes nothing";

  failfilewriteafter(1);
  EXPECT_EQ(islocked(st), 1);
  failfilewriteafter(0);
  EXPECT_EQ(islocked(st), 1) << "once refused, the project stays locked";
  EXPECT_EQ(islocked(nilid), 1);
}

}  // namespace
}  // namespace kv::virtest
