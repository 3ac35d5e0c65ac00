#include "tests/store/starsupport.h"

#include <algorithm>
#include <set>

#include "platform/memory/memory.h"
#include "store/starinternal.h"

namespace kv::startest {

Bytes readwhole(u32 dir, std::string_view name) {
  FileRef ref;
  EXPECT_EQ(HOpen(kBootVolume, dir, PName(name), fsRdPerm, &ref), noErr);
  i64 length = 0;
  EXPECT_EQ(GetEOF(ref, &length), noErr);
  Bytes b(static_cast<std::size_t>(length));
  if (length > 0) {
    EXPECT_EQ(readat(ref, 0, b.data(), length), noErr);
  }
  FSClose(ref);
  return b;
}

void writewhole(u32 dir, std::string_view name, const Bytes& bytes) {
  OSErr e = HCreate(kBootVolume, dir, PName(name), fourcc("VIZu"), fourcc("MDOx"));
  ASSERT_TRUE(e == noErr || e == dupFNErr) << e;
  FileRef ref;
  ASSERT_EQ(HOpen(kBootVolume, dir, PName(name), fsRdWrPerm, &ref), noErr);
  ASSERT_EQ(SetEOF(ref, 0), noErr);
  if (!bytes.empty()) {
    ASSERT_EQ(writeat(ref, 0, bytes.data(), i64(bytes.size())), noErr);
  }
  ASSERT_EQ(FSClose(ref), noErr);
}

u32 be32(const Bytes& b, std::size_t at) {
  return u32(b.at(at)) << 24 | u32(b.at(at + 1)) << 16 | u32(b.at(at + 2)) << 8 | b.at(at + 3);
}

void putbe32(Bytes& b, std::size_t at, u32 v) {
  for (int i = 0; i < 4; ++i) b.at(at + std::size_t(i)) = u8(v >> (24 - 8 * i));
}

Bytes recordbytes(u32 id, u32 version, u32 size) {
  Bytes b(std::max<u32>(size, 10));
  b[0] = 0;
  b[1] = 2;
  putbe32(b, 2, id);
  putbe32(b, 6, version);
  u64 x = (u64(id) << 32 | version) * 0x9E3779B97F4A7C15ull + 1;
  for (std::size_t i = 10; i < b.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b[i] = u8(x);
  }
  return b;
}

bool decoderecord(const Bytes& b, u32* id, u32* version) {
  if (b.size() < 10 || b[0] != 0 || b[1] != 2) return false;
  *id = be32(b, 2);
  *version = be32(b, 6);
  return recordbytes(*id, *version, u32(b.size())) == b;
}

i16 readback(RegistryId store, i32 id, Bytes* fileorder) {
  Handle h = NewHandle(0);
  i16 e = getstar(store, id, h);
  if (e == 0) e = endianswapackedstar(h, 1);
  if (e == 0) fileorder->assign(deref(h), deref(h) + GetHandleSize(h));
  DisposeHandle(h);
  return e;
}

i16 addbytes(RegistryId store, const Bytes& fileorder, i32* id) {
  Handle h = NewHandle(Size(fileorder.size()));
  BlockMoveData(fileorder.data(), deref(h), Size(fileorder.size()));
  i16 e = addstar(store, id, h);
  DisposeHandle(h);
  return e;
}

i16 savebytes(RegistryId store, i32 id, const Bytes& fileorder) {
  Handle h = NewHandle(Size(fileorder.size()));
  BlockMoveData(fileorder.data(), deref(h), Size(fileorder.size()));
  i16 e = endianswapackedstar(h, 0);
  if (e == 0) e = savestar(store, id, h);
  DisposeHandle(h);
  return e;
}

void applywrite(Bytes& b, const LoggedWrite& w, std::size_t keep) {
  if (w.barrier) return;
  if (w.length) {
    b.resize(std::size_t(w.position));
    return;
  }
  std::size_t n = std::min(keep, w.data.size());
  std::size_t end = std::size_t(w.position) + n;
  if (b.size() < end) b.resize(end);
  std::copy(w.data.begin(), w.data.begin() + long(n), b.begin() + w.position);
}

LoggedWrite logged(const FileWriteEvent& ev) {
  LoggedWrite w{ev.position, {}, ev.data == nullptr && !ev.barrier, ev.barrier};
  if (ev.data) {
    w.data.assign(ev.data, ev.data + ev.count);
  } else if (!ev.barrier) {
    w.position = ev.count;
  }
  return w;
}

StoreWalk walkstore(RegistryId store) {
  StoreWalk w;
  projectstore& p = *findprojectstore(store);
  const starhead h = p.header;
  auto fail = [&](std::string what) {
    if (w.fault.empty()) w.fault = std::move(what);
  };
  std::set<u32> chain;
  u32 id = h.firstrecycled;
  for (u32 i = 0; i < h.recycledcount; ++i) {
    if (id >= h.idsissued || !chain.insert(id).second) {
      fail("recycled chain leaves the ids or loops at " + std::to_string(id));
      break;
    }
    w.recycled.push_back(id);
    u32 next = 0;
    if (idtoffset(store, i32(id), &next) != 0) fail("chain entry unreadable");
    id = next;
  }
  struct Region {
    u64 off, len;
    std::string what;
  };
  std::vector<Region> regions;
  for (u32 i = 0; i < h.idsissued; ++i) {
    if (chain.count(i)) continue;
    u32 at;
    stardir head;
    i16 e = stardetail::readrecord(p, i32(i), &at, &head);
    if (e == 100) {
      w.broken.push_back(i);
      continue;
    }
    if (e != 0) {
      fail("record " + std::to_string(i) + " read error " + std::to_string(e));
      continue;
    }
    regions.push_back({at, head.slot, "record " + std::to_string(i)});
    Bytes b;
    if (readback(store, i32(i), &b) != 0) fail("record " + std::to_string(i) + " does not read back");
    w.records[i] = b;
  }
  u64 sum = 0;
  if (h.freecount > kStarFreeEntries) fail("free count above 64");
  for (u32 i = 0; i < h.freecount && i < kStarFreeEntries; ++i) {
    freeentry f = h.freelist.v[i];
    sum += f.length;
    if (f.length == 0) fail("empty free entry");
    if (i > 0 && f.offset <= h.freelist.v[i - 1].offset) fail("free list out of order");
    regions.push_back({f.offset, f.length, "free entry " + std::to_string(i)});
  }
  if (sum != h.freebytes)
    fail("free bytes " + std::to_string(h.freebytes) + " but entries hold " + std::to_string(sum));
  std::sort(regions.begin(), regions.end(), [](const Region& a, const Region& b) { return a.off < b.off; });
  u64 at = stardetail::dirend(h);
  std::string before = "directory";
  for (const Region& r : regions) {
    if (r.off < at) fail(r.what + " overlaps " + before);
    at = std::max(at, r.off + r.len);
    before = r.what;
  }
  if (at > h.endofdata) fail(before + " passes the end of data");
  return w;
}

void StarTest::SetUp() {
  RuntimeTest::SetUp();
  home = std::make_unique<TemporaryHome>();
  ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
}

void StarTest::TearDown() {
  setfilewritehook(nullptr);
  RuntimeTest::TearDown();
  home.reset();
}

RegistryId StarTest::makestore(std::string_view name) {
  EXPECT_EQ(createstar(kBootVolume, dir, PName(name)), 0);
  return openstore(name);
}

RegistryId StarTest::openstore(std::string_view name, i16* err) {
  RegistryId st = newprojectstore();
  i16 e = openstar(kBootVolume, dir, PName(name), st);
  if (err) {
    *err = e;
  } else {
    EXPECT_EQ(e, 0);
  }
  if (e != 0) {
    disposeprojectstore(st);
    return nilid;
  }
  return st;
}

void StarTest::closestore(RegistryId st) {
  EXPECT_EQ(flushstar(st), 0);
  EXPECT_EQ(closestar(st), 0);
  disposeprojectstore(st);
}

}  // namespace kv::startest
