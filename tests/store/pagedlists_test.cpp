// The paged card and library lists: reading and writing entries by position, insertion, and
// pages and racks kept within their limits by splitting.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/memory/memory.h"
#include "store/pagedlists.h"
#include "tests/store/virsupport.h"

namespace kv::virtest {
namespace {

wordentry word(u32 tag) {
  wordentry w{};
  w.cardrecord = tag + 1000000;
  w.cardid = tag;
  w.backid = tag + 100000;
  w.packedsize = 64;
  return w;
}

bookentry book(u32 tag) { return bookentry{tag + 5000, tag, 0, 0}; }

class PagedListTest : public VirTest {
 protected:
  void SetUp() override {
    VirTest::SetUp();
    st = openproject();
    windowid = add(st, storetest::fullwind(0));
    ASSERT_EQ(getvir(st, windowid, &window), 0);
    libraryid = add(st, storetest::fulllib(0));
    ASSERT_EQ(getvir(st, libraryid, &library), 0);
  }
  void TearDown() override {
    if (st != nilid && findprojectstore(st) != nullptr) {
      putvir(st, windowid);
      putvir(st, libraryid);
    }
    VirTest::TearDown();
  }

  // Entry counts of the directory's references, checked against the records they name.
  template <class Owner>
  std::vector<int> counts(Handle owner) {
    std::vector<int> out;
    Owner o = storetest::recordof<Owner>(owner);
    u16 n = o.pagecount;
    EXPECT_EQ(GetHandleSize(owner), Size(sizeof(Owner) + sizeof(pageref) * n));
    Size esize = sizeof(Owner) == sizeof(windrec) ? 64 : 16;
    for (u16 i = 0; i < n; ++i) {
      pageref r = loadat<pageref>(deref(owner) + sizeof(Owner) + sizeof(pageref) * i);
      out.push_back(r.entries);
      Handle list;
      EXPECT_EQ(getvir(st, i32(r.recordid), &list), 0);
      EXPECT_EQ(GetHandleSize(list), 2 + esize * r.entries) << "reference " << i;
      EXPECT_EQ(putvir(st, i32(r.recordid)), 0);
    }
    return out;
  }
  std::vector<int> pages() { return counts<windrec>(window); }
  std::vector<int> racks() { return counts<librec>(library); }

  // The card ids (book ids) in list order.
  std::vector<u32> cards() {
    std::vector<u32> out;
    wordentry w;
    for (i32 p = 1; getword(st, window, p, &w) == 0; ++p) out.push_back(w.cardid);
    return out;
  }
  std::vector<u32> books() {
    std::vector<u32> out;
    bookentry b;
    for (i32 p = 1; getbook(st, library, p, &b) == 0; ++p) out.push_back(b.word4);
    return out;
  }

  void insertword(i32 before, u32 tag) {
    ASSERT_EQ(sumutil(st, window, windowid, before, word(tag)), 0);
    bumpage(st, window, windowid);
  }
  void insertbook(i32 before, u32 tag) {
    ASSERT_EQ(addutil(st, library, before, book(tag)), 0);
    bumprack(st, library);
  }
  // Appends tags first..last.
  void appendwords(u32 first, u32 last) {
    for (u32 t = first, n = u32(cards().size()); t <= last; ++t, ++n) insertword(i32(n), t);
  }
  void appendbooks(u32 first, u32 last) {
    for (u32 t = first, n = u32(books().size()); t <= last; ++t, ++n) insertbook(i32(n), t);
  }
  static std::vector<u32> range(u32 first, u32 last) {
    std::vector<u32> v;
    for (u32 t = first; t <= last; ++t) v.push_back(t);
    return v;
  }

  RegistryId st = nilid;
  i32 windowid = -1, libraryid = -1;
  Handle window = nilhandle, library = nilhandle;
};

// Every page holds 1 to `limit` entries and the pages hold the whole list.
void expectpages(const std::vector<int>& pages, int limit, size_t total) {
  size_t sum = 0;
  for (int n : pages) {
    EXPECT_GE(n, 1);
    EXPECT_LE(n, limit);
    sum += size_t(n);
  }
  EXPECT_EQ(sum, total);
}

// Insertions (a third of them at the front, where full pages split) and rewrites at random
// positions against a vector: the list reads as the vector, and pages and racks stay within
// their limits, each page record as long as its count says.
TEST_F(PagedListTest, InsertionsAndRewritesFollowAVectorWithinThePageLimits) {
  std::mt19937 rng(83);
  std::vector<u32> words, booklist;
  auto where = [&](size_t size) { return rng() % 3 == 0 ? 0 : i32(rng() % (size + 1)); };
  for (u32 tag = 1; tag <= 900; ++tag) {
    if (tag <= 420) {
      i32 at = where(words.size());
      insertword(at, tag);
      words.insert(words.begin() + at, tag);
    }
    i32 at = where(booklist.size());
    insertbook(at, tag);
    booklist.insert(booklist.begin() + at, tag);
    if (tag % 9 == 0) {
      i32 p = i32(rng() % booklist.size()) + 1;
      ASSERT_EQ(putbook(st, library, p, book(tag + 5000)), 0);
      booklist[size_t(p - 1)] = tag + 5000;
      p = i32(rng() % words.size()) + 1;
      ASSERT_EQ(putword(st, window, p, word(tag + 5000)), 0);
      words[size_t(p - 1)] = tag + 5000;
    }
    if (tag % 60 == 0 || tag == 420) {
      SCOPED_TRACE(tag);
      ASSERT_EQ(cards(), words);
      ASSERT_EQ(books(), booklist);
      expectpages(pages(), 100, words.size());
      expectpages(racks(), 400, booklist.size());
    }
  }
  u32 id = 0;
  ASSERT_EQ(getbackwordusernum(st, window, 7, &id), 0);
  EXPECT_EQ(id, words[6] + 100000);
}

TEST_F(PagedListTest, PositionsOutsideTheListLeaveTheOutputAlone) {
  appendwords(1, 3);
  const wordentry marker = word(999);
  for (i32 p : {0, 4, -1, 1000}) {
    wordentry out = marker;
    EXPECT_EQ(getword(st, window, p, &out), 1) << p;
    EXPECT_EQ(std::memcmp(&out, &marker, sizeof out), 0) << p;
    EXPECT_EQ(putword(st, window, p, word(1)), 1) << p;
  }
  u32 id = 4242;
  EXPECT_EQ(getcardwordusernum(st, window, 4, &id), 1);
  EXPECT_EQ(getbackwordusernum(st, window, 0, &id), 1);
  EXPECT_EQ(id, 4242u);
  EXPECT_EQ(sumutil(st, window, windowid, 4, word(9)), 1) << "beyond the list";
  EXPECT_EQ(sumutil(st, window, windowid, -1, word(9)), 1);
  EXPECT_EQ(cards(), range(1, 3));
}

TEST_F(PagedListTest, AFullPageBeforeAFullPageGetsANewPageBetween) {
  appendwords(1, 200);
  EXPECT_EQ(pages(), (std::vector<int>{100, 100}));
  insertword(0, 500);
  EXPECT_EQ(pages(), (std::vector<int>{100, 1, 100}));
  std::vector<u32> want = range(1, 200);
  want.insert(want.begin(), 500);
  EXPECT_EQ(cards(), want);

  // Every page went back to the store: a reopened project reads the same list.
  ASSERT_EQ(putvir(st, windowid), 0);
  ASSERT_EQ(putvir(st, libraryid), 0);
  ASSERT_EQ(closevir(st), 0);
  st = newprojectstore();
  ASSERT_EQ(openvir(kBootVolume, dir, PName("project.kv45"), st), 0);
  ASSERT_EQ(getvir(st, windowid, &window), 0);
  ASSERT_EQ(getvir(st, libraryid, &library), 0);
  EXPECT_EQ(pages(), (std::vector<int>{100, 1, 100}));
  EXPECT_EQ(cards(), want);
}

TEST_F(PagedListTest, ADamagedListAnswersBeyondInsteadOfReadingPastItsRecords) {
  appendwords(1, 3);
  // The directory claims 50 entries for a page that holds 3.
  pageref r = loadat<pageref>(deref(window) + sizeof(windrec));
  r.entries = 50;
  storeat<pageref>(deref(window) + sizeof(windrec), r);
  wordentry w = word(1);
  ASSERT_EQ(getword(st, window, 3, &w), 0);
  EXPECT_EQ(getword(st, window, 4, &w), 1);
  EXPECT_EQ(getword(st, window, 50, &w), 1);
  EXPECT_EQ(putword(st, window, 40, word(2)), 1);
  EXPECT_EQ(sumutil(st, window, windowid, 40, word(2)), 1) << "the page does not reach there";

  // A directory longer than its record.
  windrec o = storetest::recordof<windrec>(window);
  o.pagecount = 500;
  storetest::putrecord(window, o);
  EXPECT_EQ(getword(st, window, 1, &w), 1);
  EXPECT_EQ(sumutil(st, window, windowid, 0, word(2)), 1);
  bumpage(st, window, windowid);
  o.pagecount = 1;
  r.entries = 3;
  storetest::putrecord(window, o);
  storeat<pageref>(deref(window) + sizeof(windrec), r);
  EXPECT_EQ(cards(), range(1, 3));
}

}  // namespace
}  // namespace kv::virtest
