// The RTF byte streams: the end of the input, push-back across a refill, the writers' digits,
// and the buffered file stream's blocks and final cut.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "fields/rtfstreams.h"
#include "platform/memory/memory.h"
#include "tests/support/homefolder.h"

namespace kv {
namespace {

using RTFStreamTest = HomeFolderTest;

Handle handleof(const std::string& s) {
  Handle h = nilhandle;
  EXPECT_EQ(PtrToHand(s.data(), &h, Size(s.size())), noErr);
  return h;
}

std::string contents(Handle h) {
  return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
}

int32_t codeof(const std::function<void()>& f) {
  try {
    f();
  } catch (const RTFException& e) {
    return e.code();
  }
  return 0;
}

TEST_F(RTFStreamTest, InputEndsAndPushBack) {
  Handle empty = handleof("");
  MyHandleStream none(empty);
  EXPECT_TRUE(none.AtEOF());
  EXPECT_EQ(none.GetChar(), 0);
  none.UnGetChar();  // the end pushed back: nothing happens
  EXPECT_TRUE(none.AtEOF());
  DisposeHandle(empty);

  // 1,025 bytes: one full buffer, then a refill of one byte.
  Handle h = handleof(std::string(1024, 'a') + "\xE9");
  MyHandleStream in(h);
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(in.GetChar(), 'a');
  EXPECT_FALSE(in.AtEOF());
  EXPECT_EQ(in.GetChar(), -23) << "bytes above 0x7F come back negative";
  EXPECT_TRUE(in.AtEOF());
  EXPECT_EQ(in.GetChar(), 0);
  in.UnGetChar();  // the end
  in.UnGetChar();  // the last real byte
  EXPECT_EQ(in.GetChar(), -23) << "read again once, not twice";
  in.UnGetChar();
  EXPECT_EQ(codeof([&] { in.UnGetChar(); }), -93708) << "a byte of the previous buffer";
  DisposeHandle(h);
}

TEST_F(RTFStreamTest, Writers) {
  Handle out = handleof("old content");
  {
    RTFHandleOutputStream s(out);
    EXPECT_EQ(GetHandleSize(out), 0) << "the handle starts empty";
    s.PutInt(0);
    s.PutChar(' ');
    s.PutInt(-5);
    s.PutChar(' ');
    s.PutInt(-2147483647 - 1);
    s.PutChar(' ');
    s.PutHexChar(0x1AB);
    s.PutKeyword("par");
    const unsigned char p[] = {2, 'x', 'y', 'z'};
    s.PutPString(p);
    Handle bytes = handleof(std::string("\x00\x7F\xFF", 3));
    s.PutHandleAsHex(bytes);
    DisposeHandle(bytes);
  }
  EXPECT_EQ(contents(out), "0 -5 -2147483648 ab\\parxy007FFF");
  DisposeHandle(out);
}

TEST_F(RTFStreamTest, FileStreamBlocksAndCut) {
  writefile(dir, "out.rtf", std::vector<u8>(20, 'z'), fourcc("RTF "));
  FileRef ref = nilid;
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("out.rtf"), fsRdWrPerm, &ref), noErr);
  {
    RTFFileOutputStream s(ref, 4);
    s.Put("0123456789", 10);
    i64 mark = 0;
    ASSERT_EQ(GetFPos(ref, &mark), noErr);
    EXPECT_EQ(mark, 8) << "two whole blocks written, two bytes held";
  }
  i64 length = 0;
  ASSERT_EQ(GetEOF(ref, &length), noErr);
  EXPECT_EQ(length, 10) << "the old tail is cut off";
  char back[10];
  ASSERT_EQ(readat(ref, 0, back, 10), noErr);
  EXPECT_EQ(std::string(back, 10), "0123456789");
  ASSERT_EQ(SetFPos(ref, fsFromStart, 0), noErr);
  {
    RTFFileInputStream in(ref, 4);
    std::string all;
    while (!in.AtEOF()) all += char(in.GetChar());
    EXPECT_EQ(all, "0123456789") << "read in blocks of four";
  }
  FSClose(ref);
}

}  // namespace
}  // namespace kv
