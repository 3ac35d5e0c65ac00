// The byte streams of the RTF reader and writer, and the one exception every failure inside the
// RTF classes throws.
//
// Input: an abstract stream with one byte of push-back, buffered in chunks from an open file
// (65,536 bytes) or a handle (1,024 bytes). The end of the input is a marker of its own:
// `GetChar` then answers 0 without advancing, and pushing that end back does nothing, so no
// real byte is read twice.
//
// Output: an abstract stream with one primitive `Put` and the writers built on it; bytes go
// appended to a handle, or buffered into an open file (the file stream writes what it holds and
// cuts the file there when it is destroyed).
#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include "platform/files/files.h"
#include "platform/types.h"

namespace kv {

// The reader's own codes (any other code is a platform result passed on).
constexpr int32_t kRTFErrGroup = -93700;        // unbalanced braces, an end inside a group
constexpr int32_t kRTFErrHex = -93701;          // a non-hexadecimal byte in hexadecimal data
constexpr int32_t kRTFErrKeywordKind = -93702;  // a keyword class or control id not known
constexpr int32_t kRTFErrEndAfterEscape = -93703;
constexpr int32_t kRTFErrKeywordLength = -93704;
constexpr int32_t kRTFErrNoImporter = -93707;
constexpr int32_t kRTFErrPushBack = -93708;
constexpr int32_t kRTFErrFileTooLarge = -1310;

class RTFException : private std::exception {
 public:
  explicit RTFException(int32_t code) : code_(code) {}
  int32_t code() const { return code_; }
  // Throws an RTFException carrying the code when it is not 0.
  static void ThrowIfError(int32_t code) {
    if (code != 0) throw RTFException(code);
  }

 private:
  int32_t code_;
};

// --- Input ---------------------------------------------------------------------------------

class RTFInputStream {
 public:
  virtual ~RTFInputStream() = default;
  virtual bool AtEOF() const = 0;
  // The next byte as a signed char value (0x80-0xFF negative); 0 at the end of the input.
  virtual int32_t GetChar() = 0;
  // Steps back over the byte last read; nothing after the end was read.
  virtual void UnGetChar() = 0;
};

class RTFBufferedInputStream : public RTFInputStream {
 public:
  bool AtEOF() const override;
  int32_t GetChar() override;
  void UnGetChar() override;

 protected:
  // Records the source's size, makes a buffer of the smaller of the two sizes and fills it.
  void Init(uint32_t totalSize, uint32_t bufferSize);
  void RefillBuffer();
  virtual void GetMoreBytes(uint32_t offset, uint32_t count, void* destination) = 0;

 private:
  std::unique_ptr<uint8_t[]> buffer_;
  uint32_t capacity_ = 0;
  uint32_t length_ = 0;    // valid bytes in the buffer
  uint32_t position_ = 0;  // the next byte
  uint32_t total_ = 0;     // the source's size
  uint32_t offset_ = 0;    // the source offset of the byte after the buffer
  bool lastwasend_ = false;
};

// An open file from its start; its size must fit 31 bits (else -1310).
class RTFFileInputStream : public RTFBufferedInputStream {
 public:
  RTFFileInputStream(FileRef ref, uint32_t bufferSize);

 private:
  void GetMoreBytes(uint32_t offset, uint32_t count, void* destination) override;
  FileRef ref_;
};

// A handle's bytes; the handle stays the caller's and must not change while it is read.
class MyHandleStream : public RTFBufferedInputStream {
 public:
  explicit MyHandleStream(Handle h);

 private:
  void GetMoreBytes(uint32_t offset, uint32_t count, void* destination) override;
  Handle handle_;
  uint32_t size_;
};

// --- Output --------------------------------------------------------------------------------

class RTFOutputStream {
 public:
  // The file stream's destructor may throw (its last write), so every destructor may.
  virtual ~RTFOutputStream() noexcept(false) = default;
  virtual void Put(const void* data, uint32_t count) = 0;

  void PutChar(char c) { Put(&c, 1); }
  void PutCString(const char* s);
  void PutPString(const unsigned char* p) { Put(p + 1, p[0]); }
  // Decimal, "-" before a negative number, no leading zeros.
  void PutInt(int32_t n);
  // The low byte as two lower-case hexadecimal digits.
  void PutHexChar(int32_t b);
  // A backslash, then the keyword.
  void PutKeyword(const char* keyword);
  // The handle's bytes as upper-case hexadecimal digit pairs in one Put.
  void PutHandleAsHexScalar(Handle h);
  void PutHandleAsHex(Handle h) { PutHandleAsHexScalar(h); }
};

class RTFBufferedOutputStream : public RTFOutputStream {
 public:
  explicit RTFBufferedOutputStream(uint32_t size);
  // Copies into the buffer, writing it out each time it becomes full.
  void Put(const void* data, uint32_t count) override;
  void Flush();

 protected:
  virtual void WriteOut(const void* data, uint32_t count) = 0;
  std::unique_ptr<uint8_t[]> buffer_;
  uint32_t capacity_;
  uint32_t fill_ = 0;
};

// Appends to a handle, which it empties first; the handle stays the caller's.
class RTFHandleOutputStream : public RTFOutputStream {
 public:
  explicit RTFHandleOutputStream(Handle h);
  void Put(const void* data, uint32_t count) override;

 private:
  Handle handle_;
};

// Writes at the mark of a file open for writing; destroying it writes what the buffer holds and
// cuts the file off there (a longer old file loses its tail). The file stays the caller's.
class RTFFileOutputStream : public RTFBufferedOutputStream {
 public:
  RTFFileOutputStream(FileRef ref, uint32_t size);
  ~RTFFileOutputStream() noexcept(false) override;

 private:
  void WriteOut(const void* data, uint32_t count) override;
  FileRef ref_;
};

}  // namespace kv
