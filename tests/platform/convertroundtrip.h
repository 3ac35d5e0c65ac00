// Bytes of a one-byte set converted to UTF-16 and back, each way through a converter of its own
// (the text converter tests of several sets share it).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/text/unicodeconverters.h"

namespace kv {

// The UTF-16 units of `bytes` and the bytes they convert back to; a converter that cannot be
// made or a conversion that fails is a fatal test failure (check HasFatalFailure after).
inline void convertroundtrip(TextEncoding set, const std::vector<u8>& bytes, std::vector<UniChar>* units,
                             std::vector<u8>* back) {
  const TextEncoding utf16 = CreateTextEncoding(kTextEncodingUnicodeDefault, 0, kUnicode16BitFormat);
  const UnicodeMapping m{utf16, set};
  TextToUnicodeInfo in;
  UnicodeToTextInfo out;
  ASSERT_EQ(CreateTextToUnicodeInfo(&m, &in), noErr);
  ASSERT_EQ(CreateUnicodeToTextInfo(&m, &out), noErr);
  units->assign(bytes.size(), 0);
  back->assign(bytes.size(), 0);
  ByteCount read = 0, written = 0;
  ASSERT_EQ(ConvertFromTextToUnicode(in, ByteCount(bytes.size()), bytes.data(), 0, 0, nullptr, nullptr, nullptr,
                                     ByteCount(units->size() * 2), &read, &written, units->data()),
            noErr);
  ASSERT_EQ(written, bytes.size() * 2);
  ASSERT_EQ(ConvertFromUnicodeToText(out, written, units->data(), 0, 0, nullptr, nullptr, nullptr,
                                     ByteCount(back->size()), &read, &written, back->data()),
            noErr);
}

}  // namespace kv
