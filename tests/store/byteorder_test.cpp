#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/memory/memory.h"
#include "render/pictinfo.h"
#include "store/byteorder.h"
#include "store/fieldtail.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/support/builders.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace kv::storetest;
using ByteOrderTest = RuntimeTest;

u16 be16(const u8* p) { return u16((p[0] << 8) | p[1]); }
u32 be32(const u8* p) { return (u32(p[0]) << 24) | (u32(p[1]) << 16) | (u32(p[2]) << 8) | p[3]; }

// An independent reader of records in file order: every length, count, kind and presence mark
// read big-endian. It answers whether every block and list chains exactly to its end, which
// holds only when the swapper turned every length word and count the packer wrote.
struct FileWalker {
  bool ok = true;

  bool block(const u8* p, size_t avail, size_t& full, const u8** data = nullptr, u32* len = nullptr) {
    if (avail < 4) return ok = false;
    u32 l = be32(p);
    if (4 + size_t(l) > avail) return ok = false;
    full = std::min<size_t>(4 + l + (l & 1), avail);
    if (data) *data = p + 4;
    if (len) *len = l;
    return true;
  }

  // A list block: entries of `size` bytes, the parts walked by `parts`, then the count.
  template <class Parts>
  bool list(const u8* p, size_t avail, size_t& full, size_t size, Parts&& parts) {
    const u8* d;
    u32 l;
    if (!block(p, avail, full, &d, &l)) return false;
    if (l < 2) return ok = false;
    u16 n = be16(d + l - 2);
    size_t off = size_t(n) * size;
    if (off > l - 2) return ok = false;
    for (u16 i = 0; i < n && ok; ++i) parts(d + i * size, d, off, size_t(l - 2));
    if (off != l - 2) ok = false;
    return ok;
  }

  void step(const u8* base, size_t& off, size_t end) {
    size_t full = 0;
    if (block(base + off, end - off, full)) off += full;
  }

  void form(PartForm f, const u8* base, size_t& off, size_t end) {
    size_t full = 0;
    switch (f) {
      case PartForm::props:
        list(base + off, end - off, full, 12, [&](const u8*, const u8* d, size_t& o, size_t e) {
          step(d, o, e);
          step(d, o, e);
        });
        break;
      case PartForm::alts:
        list(base + off, end - off, full, 8, [&](const u8* entry, const u8* d, size_t& o, size_t e) {
          if (be32(entry) != 0 && be32(entry + 4) != 0) step(d, o, e);
        });
        break;
      case PartForm::spots: spots(base + off, end - off, full); break;
      case PartForm::items:
        list(base + off, end - off, full, 42,
             [&](const u8* entry, const u8* d, size_t& o, size_t e) { parts(itemparts(), entry, d, o, e); });
        break;
      default: block(base + off, end - off, full); break;
    }
    off += full;
  }

  void spots(const u8* p, size_t avail, size_t& full) {
    list(p, avail, full, 98, [&](const u8* s, const u8* d, size_t& o, size_t e) {
      if (be32(s + 62)) {
        if (be16(s) == stylegroup) {
          size_t f = 0;
          spots(d + o, e - o, f);
          o += f;
        } else {
          step(d, o, e);
        }
      }
      const std::pair<size_t, PartForm> rest[] = {{58, PartForm::plain}, {66, PartForm::script}, {82, PartForm::plain},
                                                  {90, PartForm::plain}, {94, PartForm::alts},   {86, PartForm::props}};
      for (auto& [at, f] : rest)
        if (be32(s + at)) form(f, d, o, e);
    });
  }

  void parts(const PartTable& t, const u8* fixed, const u8* base, size_t& off, size_t end) {
    for (int i = 0; i < t.count && ok; ++i)
      if (t.rules[i].always || be32(fixed + t.rules[i].offset)) form(t.rules[i].form, base, off, end);
  }

  bool record(const std::vector<u8>& r) {
    u16 kind = be16(r.data());
    const PartTable* t = parttable(kind);
    if (t == nullptr) return true;
    size_t off = t->fixedsize;
    if (kind == kindwind) off += 6 * be16(r.data() + 64);
    parts(*t, r.data(), r.data(), off, r.size());
    return ok && off == r.size();
  }
};

bool contains(const std::vector<u8>& hay, const std::vector<u8>& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

TEST_F(ByteOrderTest, SwappingToFileOrderAndBackIsTheIdentity) {
  for (int kind = 0; kind < kRecordKinds; ++kind) {
    SCOPED_TRACE(kind);
    Handle rec = fullrecord(kind);
    std::vector<u8> packed = fastbytes(rec);
    Handle h = handleof(packed);
    ASSERT_EQ(endianswapackedstarLtoB(h), noErr);
    std::vector<u8> file = bytesof(h);
    EXPECT_NE(file, packed);
    EXPECT_EQ(be16(file.data()), kind);
    EXPECT_TRUE(FileWalker{}.record(file)) << "every block and count is big-endian";
    ASSERT_EQ(endianswapackedstarBtoL(h), noErr);
    EXPECT_EQ(bytesof(h), packed);
    ASSERT_EQ(unpack(h), noErr);
    EXPECT_EQ(fastbytes(h), packed);
    EXPECT_EQ(dump(h), noErr);
    EXPECT_EQ(dump(rec), noErr);
  }
}

TEST_F(ByteOrderTest, RecordsWithOddAndEmptyBlocks) {
  Handle card = newcard();
  cardrec r = recordof<cardrec>(card);
  r.contents = texthandle("x");  // one byte and a pad
  r.slota = NewHandle(0);        // an empty optional block
  r.uprops = proplist({{"odd", "abc"}, {"", "empty name"}});
  putrecord(card, r);
  std::vector<u8> packed = fastbytes(card);
  Handle h = handleof(packed);
  ASSERT_EQ(endianswapackedstarLtoB(h), noErr);
  EXPECT_TRUE(FileWalker{}.record(bytesof(h)));
  ASSERT_EQ(endianswapackedstarBtoL(h), noErr);
  EXPECT_EQ(bytesof(h), packed);
  ASSERT_EQ(unpack(h), noErr);
  r = recordof<cardrec>(h);
  EXPECT_EQ(textof(r.contents), "x");
  EXPECT_EQ(GetHandleSize(r.slota), 0);
  EXPECT_EQ(sizeprop(r.uprops), 24 + 3 + 3 + 0 + 10) << "an empty name is still a name";
  EXPECT_EQ(dump(h), noErr);
  EXPECT_EQ(dump(card), noErr);
}

TEST_F(ByteOrderTest, MenuItemsWithSlotsSwapInThePackersOrder) {
  Handle menu = fullmenu(3);  // item 1 has a slot, item 2 user properties
  std::vector<u8> packed = fastbytes(menu);
  Handle h = handleof(packed);
  ASSERT_EQ(endianswapackedstarLtoB(h), noErr);
  EXPECT_TRUE(FileWalker{}.record(bytesof(h)));
  ASSERT_EQ(endianswapackedstarBtoL(h), noErr);
  ASSERT_EQ(unpack(h), noErr);
  menurec m = recordof<menurec>(h);
  menuitem item1 = loadat<menuitem>(deref(m.items) + 42);
  menuitem item2 = loadat<menuitem>(deref(m.items) + 84);
  EXPECT_EQ(textof(item1.slota), "slot of item");
  EXPECT_EQ(textof(loadat<uprop>(deref(item2.uprops)).value), "N");
  EXPECT_EQ(dump(h), noErr);
  EXPECT_EQ(dump(menu), noErr);
}

TEST_F(ByteOrderTest, BackgroundFieldTextsAreBigEndianInTheFile) {
  Handle back = fullback();
  Handle objects = recordof<backrec>(back).objects;
  Handle text = spotof(objects, 1).data;
  std::vector<u8> want = bytesof(text);
  endianswapfieldata(want.data(), i64(want.size()), tofile);
  fieldtail t = loadat<fieldtail>(want.data() + want.size() - 14);
  EXPECT_EQ(be16(reinterpret_cast<const u8*>(&t) + 6), 12) << "the tail's size reads big-endian";
  std::vector<u8> packed = fastbytes(back);
  Handle h = handleof(packed);
  ASSERT_EQ(endianswapackedstarLtoB(h), noErr);
  EXPECT_TRUE(contains(bytesof(h), want));
  EXPECT_TRUE(FileWalker{}.record(bytesof(h)));
  ASSERT_EQ(endianswapackedstarBtoL(h), noErr);
  EXPECT_EQ(bytesof(h), packed);
  DisposeHandle(h);
  EXPECT_EQ(dump(back), noErr);
}

TEST_F(ByteOrderTest, FieldKindTailFollowsFlagBit26) {
  spot f = newspot(spotfield, stylefieldrect, 1);
  f.flags = 0;
  fieldkindtail t = getfieldkindtail(f);
  t.word0 = 0x0102;
  t.word2 = 0x03040506;
  t.liststyle = 0x0708;
  setfieldkindtail(f, t);
  u8 bytes[98];
  std::memcpy(bytes, &f, 98);
  endianswapspot(bytes, tofile);
  EXPECT_EQ(be16(bytes + 70), 0x0102);
  EXPECT_EQ(be32(bytes + 72), 0x03040506u) << "bit 26 clear: one u32";
  EXPECT_EQ(be16(bytes + 76), 0x0708);
  endianswapspot(bytes, fromfile);
  EXPECT_EQ(std::memcmp(bytes, &f, 98), 0);

  f.flags = spotallowobjects;
  std::memcpy(bytes, &f, 98);
  endianswapspot(bytes, tofile);
  u16 lo = u16(0x03040506 & 0xFFFF), hi = u16(0x03040506 >> 16);
  if (std::endian::native == std::endian::little) {
    EXPECT_EQ(be16(bytes + 72), lo) << "bit 26 set: two u16";
    EXPECT_EQ(be16(bytes + 74), hi);
  }
  endianswapspot(bytes, fromfile);
  EXPECT_EQ(std::memcmp(bytes, &f, 98), 0);

  // A button without a platform control leaves its patterns alone.
  spot b = newspot(spotbutton, 200, 2);
  std::memcpy(bytes, &b, 98);
  endianswapspot(bytes, tofile);
  EXPECT_EQ(std::memcmp(bytes + 34, reinterpret_cast<const u8*>(&b) + 34, 16), 0);
}

TEST_F(ByteOrderTest, PictureZoomIsStoredBigEndian) {
  PictInfo p;
  newpictinfo(p);
  p.zoom = std::bit_cast<u32>(1.5f);
  u8 bytes[102];
  std::memcpy(bytes, &p, sizeof p);
  endianswapaltdata(altpictinfo, bytes, sizeof bytes, tofile);
  EXPECT_EQ(std::vector<u8>(bytes + 48, bytes + 52), (std::vector<u8>{0x3F, 0xC0, 0x00, 0x00}));
  EXPECT_EQ(be32(bytes + 54), std::bit_cast<u32>(1.0f));
  EXPECT_EQ(be32(bytes + 28), 0x20000u);
  endianswapaltdata(altpictinfo, bytes, sizeof bytes, fromfile);
  EXPECT_EQ(std::bit_cast<float>(loadat<u32>(bytes + 48)), 1.5f);

  // The same inside a whole card: the picture information of its rectangle graphic.
  Handle card = fullcard();
  Handle objects = recordof<cardrec>(card).objects;
  Handle info = getaltdata(spotof(objects, 2).alt, altpictinfo);
  std::vector<u8> want = bytesof(info);
  endianswapbytes<PictInfo>(want.data());
  Handle h = handleof(fastbytes(card));
  ASSERT_EQ(endianswapackedstarLtoB(h), noErr);
  EXPECT_TRUE(contains(bytesof(h), want));
  EXPECT_TRUE(contains(bytesof(h), {0x3F, 0xC0, 0x00, 0x00}));
  DisposeHandle(h);
  EXPECT_EQ(dump(card), noErr);
}

TEST_F(ByteOrderTest, KindsAboveEightAreRefusedUntouched) {
  OwnedHandle h(NewHandleClear(60));
  storeat<u16>(deref(h), 9);
  std::vector<u8> before = bytesof(h);
  EXPECT_EQ(endianswapackedstarLtoB(h), kBadRecordKind);
  EXPECT_EQ(bytesof(h), before);
  storeat<u16>(deref(h), 0x0900);  // 9 in file order
  before = bytesof(h);
  EXPECT_EQ(endianswapackedstarBtoL(h), kBadRecordKind);
  EXPECT_EQ(bytesof(h), before);
}

TEST_F(ByteOrderTest, OldUnswappedAltCountsAreLeftForUnpacking) {
  // An alt list as older versions wrote it: entries and count in the other byte order.
  OwnedHandle list(NewHandle(0));
  alt a{altpictdata, hfield{1}};
  PtrAndHand(&a, list, sizeof a);
  u32 len = 3;
  PtrAndHand(&len, list, 4);
  PtrAndHand("abc\0", list, 4);
  u16 count = 1;
  PtrAndHand(&count, list, 2);
  std::vector<u8> block(4);
  storeat<u32>(block.data(), swapped32(u32(GetHandleSize(list))));
  std::vector<u8> body = bytesof(list);
  block.insert(block.end(), body.begin(), body.end());
  i32 full = 0;
  ASSERT_EQ(endianswapackedalts(block.data(), i64(block.size()), &full, fromfile), noErr);
  EXPECT_EQ(full, i32(block.size()));
  EXPECT_EQ(std::vector<u8>(block.begin() + 4, block.end()), body) << "only the length was turned";
}

TEST_F(ByteOrderTest, TextEngineStreamsAndExtras) {
  // A stream of one record with a short, a point and an unknown item.
  std::vector<u8> s;
  auto put32 = [&s](u32 v) { s.insert(s.end(), {u8(v), u8(v >> 8), u8(v >> 16), u8(v >> 24)}); };
  for (u32 w : {0u, 0u, 0u, fourcc("list"), 1u, 0u}) put32(w);
  for (u32 w : {fourcc("reco"), 0u, 3u, 0u}) put32(w);
  put32(1), put32(fourcc("shor")), put32(2), s.insert(s.end(), {0x34, 0x12});
  put32(2), put32(fourcc("QDpt")), put32(4), s.insert(s.end(), {1, 0, 2, 0});
  put32(3), put32(fourcc("TEXT")), put32(3), s.insert(s.end(), {'a', 'b', 'c', 0});
  std::vector<u8> host = s;
  EXPECT_EQ(endianswapwestreamscrap(s.data(), i64(s.size()), tofile), 0);
  EXPECT_EQ(be32(s.data() + 12), fourcc("list"));
  EXPECT_EQ(be16(s.data() + 24 + 16 + 12), 0x1234);
  EXPECT_EQ(s[82], 'a') << "text is left alone";
  EXPECT_EQ(endianswapwestreamscrap(s.data(), i64(s.size()), fromfile), 0);
  EXPECT_EQ(s, host);
  // A stream whose header is not a list stops after its header.
  std::vector<u8> bad(40, 0);
  EXPECT_EQ(endianswapwestreamscrap(bad.data(), i64(bad.size()), tofile), 1);
  EXPECT_EQ(endianswapwestreamscrap(bad.data(), 23, tofile), 0);
}

TEST_F(ByteOrderTest, TruncatedAndDamagedRecordsNeverReadOutside) {
  for (int kind = 0; kind < kRecordKinds; ++kind) {
    Handle rec = fullrecord(kind);
    std::vector<u8> packed = fastbytes(rec);
    EXPECT_EQ(dump(rec), noErr);
    Handle h = handleof(packed);
    ASSERT_EQ(endianswapackedstarLtoB(h), noErr);
    std::vector<u8> file = bytesof(h);
    DisposeHandle(h);
    for (size_t len = 0; len <= file.size(); len += 3) {
      Handle cut = handleof(std::vector<u8>(file.begin(), file.begin() + long(len)));
      OSErr e = endianswapackedstarBtoL(cut);
      EXPECT_TRUE(e == noErr || e == kBadRecordKind);
      OSErr u = unpack(cut);
      EXPECT_TRUE(u == noErr || u == kBadRecordKind || u == kCodecFailed) << u;
      if (dump(cut) != noErr) DisposeHandle(cut);
    }
  }
}

}  // namespace
}  // namespace kv
