// Tests that work with files in a temporary home folder: the folder's id, and file names as
// length-prefixed strings.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "platform/testing/temphome.h"
#include "tests/support/fixture.h"

namespace kv {

// A name as a length-prefixed string (at most 255 bytes).
struct PName {
  u8 s[256];
  explicit PName(std::string_view v) {
    s[0] = u8(v.size() > 255 ? 255 : v.size());
    std::memcpy(s + 1, v.data(), s[0]);
  }
  operator ConstStringPtr() const { return s; }
};

// A runtime test with a fresh home folder; `dir` is its folder id.
class HomeFolderTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    home = std::make_unique<TemporaryHome>();
    ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
  }
  void TearDown() override {
    RuntimeTest::TearDown();
    home.reset();
  }
  // Writes a file of these bytes, with a type (and the creator 'ttxt'), into a folder.
  void writefile(u32 folder, std::string_view name, const std::vector<u8>& bytes, OSType type) {
    ASSERT_EQ(HCreate(kBootVolume, folder, PName(name), fourcc("ttxt"), type), noErr);
    FileRef ref = nilid;
    ASSERT_EQ(HOpen(kBootVolume, folder, PName(name), fsRdWrPerm, &ref), noErr);
    ASSERT_EQ(writeat(ref, 0, bytes.data(), i64(bytes.size())), noErr);
    FSClose(ref);
  }
  std::unique_ptr<TemporaryHome> home;
  u32 dir = 0;
};

}  // namespace kv
