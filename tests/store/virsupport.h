// Support for the record cache and paged list tests: a project opened through the cache in
// a temporary folder, records made and added through it, and a teardown that closes every
// project a test left open.
#pragma once

#include <string>

#include "store/recordcache.h"
#include "tests/support/builders.h"
#include "tests/store/starsupport.h"

namespace kv::virtest {

using startest::Bytes;
using startest::PName;

class VirTest : public startest::StarTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates a store file and opens it as a project.
  RegistryId openproject(std::string_view name = "project.kv45");
  // Adds a record through the cache (the handle is consumed) and answers its id.
  i32 add(RegistryId st, Handle rec);
  // A new card record named `name`.
  static Handle namedcard(const std::string& name);
  // The name text of a cached card record.
  static std::string cardname(Handle card);
  static void setcardname(Handle card, const std::string& name);
  // Where a byte string occurs in the project file (npos when nowhere).
  std::size_t find(std::string_view file, std::string_view text);
};

}  // namespace kv::virtest
