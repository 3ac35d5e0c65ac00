// Small helpers for tests that look at texts in handles and short strings.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/memory/memory.h"
#include "platform/text/pstring.h"

namespace kv::testtexts {

// The bytes of a handle as a string.
inline std::string hand(Handle h) {
  return std::string(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h)));
}
// A new handle holding the bytes.
inline Handle newhand(std::string_view bytes) {
  Handle h = nilhandle;
  EXPECT_EQ(PtrToHand(bytes.data(), &h, Size(bytes.size())), noErr);
  return h;
}
// The characters of a length-prefixed string.
inline std::string str(ConstStringPtr s) { return std::string(pstringview(s)); }

}  // namespace kv::testtexts
