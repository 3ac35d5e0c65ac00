#include "platform/text/md5.h"

#include <md5.h>

namespace kv {

void md5digest(const void* data, std::size_t n, u8 (&out)[kMD5Length]) {
  MD5_CTX context;
  MD5Init(&context);
  // libmd takes the length as size_t: any text fits in one update.
  if (n > 0) MD5Update(&context, static_cast<const u8*>(data), n);
  MD5Final(out, &context);
}

}  // namespace kv
