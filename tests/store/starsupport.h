// Support for the project store tests: a temporary folder, whole-file reads and writes,
// records whose bytes prove their id and version, and a checker that walks a store and
// tells whether its header, directory, free list and records agree.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/testing/temphome.h"
#include "store/starfile.h"
#include "tests/support/fixture.h"

namespace kv::startest {

using Bytes = std::vector<u8>;

// A length-prefixed name.
struct PName {
  u8 s[256];
  explicit PName(std::string_view v) {
    s[0] = u8(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) s[i + 1] = u8(v[i]);
  }
  operator ConstStringPtr() const { return s; }
};

Bytes readwhole(u32 dir, std::string_view name);
void writewhole(u32 dir, std::string_view name, const Bytes& bytes);
u32 be32(const Bytes& b, std::size_t at);
void putbe32(Bytes& b, std::size_t at, u32 v);

// A record of `size` bytes (at least 10) in file order: type 2 (a page record), the id,
// the version and bytes that follow from both.
Bytes recordbytes(u32 id, u32 version, u32 size);
// Reads record id back in file order (getstar, then swapped back).
i16 readback(RegistryId store, i32 id, Bytes* fileorder);
// Adds file-order bytes; saves file-order bytes (handed over in host order).
i16 addbytes(RegistryId store, const Bytes& fileorder, i32* id);
i16 savebytes(RegistryId store, i32 id, const Bytes& fileorder);
// Decodes a record made by recordbytes: false when its bytes are not exactly such a record.
bool decoderecord(const Bytes& b, u32* id, u32* version);

// One entry of a file's write log (setfilewritehook): bytes written at a position, a length
// change, or a barrier.
struct LoggedWrite {
  i64 position;
  Bytes data;
  bool length;   // a length change to `position`
  bool barrier;  // what came before is on the disk
};
constexpr std::size_t kSector = 512;
// The logged write applied to a file's bytes: only its first `keep` bytes (a write cut short).
void applywrite(Bytes& b, const LoggedWrite& w, std::size_t keep = SIZE_MAX);
// The write log's entry of an event.
LoggedWrite logged(const FileWriteEvent& ev);

// xorshift: the same choices on every run.
struct Rng {
  u64 x;
  u32 next() {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return u32(x >> 11);
  }
  u32 below(u32 n) { return next() % n; }
};

// What a walk of an open store found.
struct StoreWalk {
  std::vector<u32> recycled;     // the recycled chain, in order
  std::map<u32, Bytes> records;  // live ids that read back (file order)
  std::vector<u32> broken;       // live ids whose entry leads to no record (100)
  std::string fault;             // empty when everything agrees
};
// Walks the chain and every live id, and checks that records and free entries lie inside
// the data, apart from each other and the directory, and that free bytes add up.
StoreWalk walkstore(RegistryId store);

class StarTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates and opens a store named `name` in the temporary folder.
  RegistryId makestore(std::string_view name = "test.kv45");
  RegistryId openstore(std::string_view name = "test.kv45", i16* err = nullptr);
  void closestore(RegistryId st);
  projectstore& ps(RegistryId st) { return *findprojectstore(st); }

  std::unique_ptr<TemporaryHome> home;
  u32 dir = 0;
};

}  // namespace kv::startest
