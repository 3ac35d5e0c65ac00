// The test externals built beside the system tests (tests/system/externals/), as files and as
// the data of project records.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/project.h"

namespace kv {

inline std::string builtpath(std::string_view name) { return std::string(KV_TEST_EXTERNALS) + "/" + std::string(name); }

inline std::vector<u8> built(std::string_view name) {
  std::ifstream f(builtpath(name), std::ios::binary);
  return std::vector<u8>(std::istreambuf_iterator<char>(f), {});
}

inline testproject::Resource record(OSType type, std::string name, std::vector<u8> data) {
  return testproject::Resource{type, std::move(name), std::move(data)};
}

}  // namespace kv
