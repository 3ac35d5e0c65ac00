// Byte order of the store's own structures: the header, directory pages and record heads.
#include "store/starfile.h"

namespace kv {

void endianswapstarhead(void* head) { endianswapbytes<starhead>(static_cast<u8*>(head)); }

void endianswaplongs(void* words, i32 n) {
  u8* p = static_cast<u8*>(words);
  for (i32 i = 0; i < n; ++i) endianswapfield<u32>(p + 4 * i);
}

void endianswapstardir(void* dir) { endianswapbytes<stardir>(static_cast<u8*>(dir)); }

}  // namespace kv
