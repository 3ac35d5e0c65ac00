#include "tests/support/sounds.h"

#include <gtest/gtest.h>

#include "store/byteorder.h"

namespace kv::testsound {

std::vector<u8> stored(std::vector<u8> host) {
  if (endianswapsnd2(host.data(), i64(host.size()), tofile) != noErr) ADD_FAILURE() << "not a sound";
  return host;
}

}  // namespace kv::testsound
