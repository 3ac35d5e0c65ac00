#include "fields/rtfstreams.h"

#include <algorithm>
#include <cstring>

#include "platform/memory/memory.h"

namespace kv {

// --- Input ---------------------------------------------------------------------------------

void RTFBufferedInputStream::Init(uint32_t totalSize, uint32_t bufferSize) {
  total_ = totalSize;
  capacity_ = std::min(totalSize, bufferSize);
  buffer_ = std::make_unique<uint8_t[]>(std::max<uint32_t>(capacity_, 1));
  RefillBuffer();
}

void RTFBufferedInputStream::RefillBuffer() {
  const uint32_t count = std::min(capacity_, total_ - offset_);
  if (count > 0) GetMoreBytes(offset_, count, buffer_.get());
  offset_ += count;
  length_ = count;
  position_ = 0;
}

bool RTFBufferedInputStream::AtEOF() const { return position_ == length_ && offset_ == total_; }

int32_t RTFBufferedInputStream::GetChar() {
  if (position_ == length_ && offset_ < total_) RefillBuffer();
  if (position_ == length_) {
    lastwasend_ = true;
    return 0;
  }
  lastwasend_ = false;
  return int32_t(int8_t(buffer_[position_++]));
}

void RTFBufferedInputStream::UnGetChar() {
  if (lastwasend_) {
    lastwasend_ = false;
    return;
  }
  if (position_ == 0) throw RTFException(kRTFErrPushBack);
  --position_;
}

RTFFileInputStream::RTFFileInputStream(FileRef ref, uint32_t bufferSize) : ref_(ref) {
  i64 size = 0;
  RTFException::ThrowIfError(GetEOF(ref, &size));
  if (size < 0 || size > 0x7FFFFFFF) throw RTFException(kRTFErrFileTooLarge);
  Init(uint32_t(size), bufferSize);
}

void RTFFileInputStream::GetMoreBytes(uint32_t offset, uint32_t count, void* destination) {
  RTFException::ThrowIfError(readat(ref_, i64(offset), destination, i64(count)));
}

MyHandleStream::MyHandleStream(Handle h) : handle_(h), size_(uint32_t(std::max<Size>(GetHandleSize(h), 0))) {
  Init(size_, 1024);
}

void MyHandleStream::GetMoreBytes(uint32_t offset, uint32_t count, void* destination) {
  if (offset >= size_) return;
  std::memcpy(destination, deref(handle_) + offset, std::min(count, size_ - offset));
}

// --- Output --------------------------------------------------------------------------------

void RTFOutputStream::PutCString(const char* s) { Put(s, uint32_t(std::strlen(s))); }

void RTFOutputStream::PutInt(int32_t n) {
  char digits[12];
  int32_t k = int32_t(sizeof digits);
  int64_t v = n < 0 ? -int64_t(n) : int64_t(n);
  do {
    digits[--k] = char('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (n < 0) digits[--k] = '-';
  Put(digits + k, uint32_t(int32_t(sizeof digits) - k));
}

void RTFOutputStream::PutHexChar(int32_t b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const char pair[2] = {kDigits[(b >> 4) & 15], kDigits[b & 15]};
  Put(pair, 2);
}

void RTFOutputStream::PutKeyword(const char* keyword) {
  Put("\\", 1);
  PutCString(keyword);
}

void RTFOutputStream::PutHandleAsHexScalar(Handle h) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const uint32_t n = uint32_t(std::max<Size>(GetHandleSize(h), 0));
  if (n == 0) return;
  struct Block {
    Ptr p;
    ~Block() {
      if (p != nullptr) DisposePtr(p);
    }
  } block{NewPtr(Size(std::min<uint64_t>(uint64_t(n) * 2, 0x7FFFFFFF)))};
  if (block.p == nullptr) throw RTFException(MemError() != 0 ? int32_t(MemError()) : int32_t(-108));
  const uint8_t* src = reinterpret_cast<const uint8_t*>(deref(h));
  for (uint32_t i = 0; i < n; ++i) {
    block.p[2 * i] = kDigits[src[i] >> 4];
    block.p[2 * i + 1] = kDigits[src[i] & 15];
  }
  Put(block.p, n * 2);
}

RTFBufferedOutputStream::RTFBufferedOutputStream(uint32_t size)
    : buffer_(std::make_unique<uint8_t[]>(std::max<uint32_t>(size, 1))), capacity_(std::max<uint32_t>(size, 1)) {}

void RTFBufferedOutputStream::Put(const void* data, uint32_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    const uint32_t n = std::min(count, capacity_ - fill_);
    std::memcpy(buffer_.get() + fill_, p, n);
    fill_ += n;
    p += n;
    count -= n;
    if (fill_ == capacity_) {
      fill_ = 0;
      WriteOut(buffer_.get(), capacity_);
    }
  }
}

void RTFBufferedOutputStream::Flush() {
  const uint32_t n = fill_;
  fill_ = 0;
  WriteOut(buffer_.get(), n);
}

RTFHandleOutputStream::RTFHandleOutputStream(Handle h) : handle_(h) { SetHandleSize(h, 0); }

void RTFHandleOutputStream::Put(const void* data, uint32_t count) {
  if (count == 0) return;
  RTFException::ThrowIfError(PtrAndHand(data, handle_, Size(count)));
}

RTFFileOutputStream::RTFFileOutputStream(FileRef ref, uint32_t size) : RTFBufferedOutputStream(size), ref_(ref) {}

// A failure here is thrown only when no other exception is leaving: the first failure counts.
RTFFileOutputStream::~RTFFileOutputStream() noexcept(false) {
  OSErr err = 0;
  if (fill_ > 0) {
    i64 count = fill_;
    fill_ = 0;
    err = FSWrite(ref_, &count, buffer_.get());
  }
  i64 mark = 0;
  if (err == 0) err = GetFPos(ref_, &mark);
  if (err == 0) err = SetEOF(ref_, mark);
  if (err != 0 && std::uncaught_exceptions() == 0) throw RTFException(err);
}

void RTFFileOutputStream::WriteOut(const void* data, uint32_t count) {
  if (count == 0) return;
  i64 n = count;
  RTFException::ThrowIfError(FSWrite(ref_, &n, data));
}

}  // namespace kv
