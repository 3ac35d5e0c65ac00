#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/encoding.h"
#include "platform/memory/memory.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

// Encodes into a buffer of exactly the size the routine asks for (4 per started group of 3,
// plus the zero byte), so that a write past it shows under the address sanitizer.
std::string encode(const std::string& bytes) {
  const i32 count = i32(bytes.size());
  auto in = std::make_unique<u8[]>(bytes.size() + 1);  // never empty, for the pointer's sake
  std::memcpy(in.get(), bytes.data(), bytes.size());
  std::vector<u8> out(size_t((count + 2) / 3 * 4 + 1), 0xEE);
  const i32 n = HTUU_encode(in.get(), count, out.data());
  EXPECT_EQ(out[size_t(n)], 0);
  EXPECT_EQ(size_t(n) + 1, out.size());
  return std::string(reinterpret_cast<const char*>(out.data()), size_t(n));
}

// Decodes a text held in a buffer of exactly its length plus the zero byte, into an output
// of exactly `capacity` bytes.
std::string decode(const std::string& text, i32 capacity) {
  std::vector<u8> in(text.begin(), text.end());
  in.push_back(0);
  std::vector<u8> out(static_cast<size_t>(capacity));
  const i32 n = HTUU_decode(in.data(), out.data(), capacity);
  EXPECT_GE(n, 0);
  EXPECT_LE(n, capacity);
  return std::string(reinterpret_cast<const char*>(out.data()), size_t(n));
}
std::string decode(const std::string& text) { return decode(text, i32(text.size())); }

std::string urldecode(const std::string& text) {
  std::vector<u8> buf(text.begin(), text.end());
  buf.push_back(0);
  u8* end = URLDecode(buf.data());
  EXPECT_EQ(*end, 0);
  return std::string(reinterpret_cast<const char*>(buf.data()), size_t(end - buf.data()));
}

class EncodingTest : public RuntimeTest {
 protected:
  std::string urlencode(const std::string& bytes) {
    Handle in = newhand(bytes);
    Handle out = NewHandle(Size(bytes.size() * 3));
    const i32 n = URLEncode(in, out);
    EXPECT_GE(n, 0);
    EXPECT_LE(Size(n), GetHandleSize(out));
    std::string s = hand(out).substr(0, size_t(n));
    DisposeHandle(in);
    DisposeHandle(out);
    return s;
  }
};

TEST_F(EncodingTest, Base64DecodesUpToTheFirstCharacterOutsideTheAlphabet) {
  EXPECT_EQ(decode("YWI"), "ab");  // padding is not needed
  EXPECT_EQ(decode("YQ"), "a");
  EXPECT_EQ(decode("YWJj\rxx"), "abc");  // only the first line
  EXPECT_EQ(decode("YWJj\nYWJj"), "abc");
  EXPECT_EQ(decode(" \t \tYWJj"), "abc");  // leading blanks and tabs
  EXPECT_EQ(decode("YW Jj"), "a");         // a blank inside ends the text after 2 characters
  EXPECT_EQ(decode(""), "");
  EXPECT_EQ(decode("=YWJj"), "");
  EXPECT_EQ(decode("+/+/"), std::string("\xFB\xFF\xBF", 3));
  // A lone character after the whole groups carries no byte; nothing is read or written out
  // of bounds (the buffers are exactly as long as the text and the capacity), and a capacity
  // below what the text holds cuts the output there.
  EXPECT_EQ(decode("Y"), "");
  EXPECT_EQ(decode("YWJjY="), "abc");
  EXPECT_EQ(decode("YWJjYWJj", 4), "abca");
  EXPECT_EQ(decode("YWI=", 1), "a");
}

TEST_F(EncodingTest, Base64RoundTripsEveryByteAtEveryLength) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += char(i);
  for (size_t n = 0; n <= all.size(); ++n) {
    const std::string bytes = all.substr(all.size() - n) + all.substr(0, n % 7);
    const std::string text = encode(bytes);
    ASSERT_EQ(text.size(), (bytes.size() + 2) / 3 * 4);
    ASSERT_EQ(decode(text), bytes) << n;
  }
}

TEST_F(EncodingTest, UrlEncodingEscapesAllButTheUnreservedBytes) {
  EXPECT_EQ(urlencode("a b&c"), "a+b%26c");
  EXPECT_EQ(urlencode("AZaz09*-._"), "AZaz09*-._");
  EXPECT_EQ(urlencode("\xFF\x80\xE9"), "%FF%80%E9");
  EXPECT_EQ(urlencode(std::string("\0/?=+%~", 7)), "%00%2F%3F%3D%2B%25%7E");
  EXPECT_EQ(urlencode(""), "");

  // An empty or missing input writes nothing; no output gives -1.
  OwnedHandle out(NewHandle(3));
  EXPECT_EQ(URLEncode(nilhandle, out), 0);
  OwnedHandle in(newhand("a b"));
  EXPECT_EQ(URLEncode(in, nilhandle), -1);
  // An output smaller than three bytes a byte is grown first.
  EXPECT_EQ(URLEncode(in, out), 3);
  EXPECT_EQ(hand(out).substr(0, 3), "a+b");
  SetHandleSize(out, 0);
  SetHandleSize(in, 100);
  std::memset(deref(in), '&', 100);
  EXPECT_EQ(URLEncode(in, out), 300);
  EXPECT_GE(GetHandleSize(out), 300);
  // When it cannot grow, nothing is written.
  SetHandleSize(out, 0);
  failallocationafter(1);
  EXPECT_EQ(URLEncode(in, out), -1);
  failallocationafter(0);
}

TEST_F(EncodingTest, UrlDecodingTakesPlusesAndEscapesAndDropsBrokenEscapes) {
  EXPECT_EQ(urldecode("a+b%26c"), "a b&c");
  EXPECT_EQ(urldecode("100%zz"), "100zz");
  EXPECT_EQ(urldecode("%4"), "4");
  EXPECT_EQ(urldecode("x%"), "x");
  EXPECT_EQ(urldecode("%e9%E9%4a"), "\xE9\xE9J");
  EXPECT_EQ(urldecode("%2B+"), "+ ");  // pluses become spaces before escapes are decoded
  EXPECT_EQ(urldecode("%%41"), "A");
  EXPECT_EQ(urldecode(""), "");
  // Encoding then decoding gives the bytes back.
  std::string all;
  for (int i = 1; i < 256; ++i) all += char(i);
  EXPECT_EQ(urldecode(urlencode(all)), all);
}

}  // namespace
}  // namespace kv
