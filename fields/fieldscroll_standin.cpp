// A stand-in for field scrolling until it is built: the stored scroll never changes and the
// navigation keys are typed like other keys.
#include "fields/fieldscroll.h"

namespace kv {

i16 recalcfldscroll(Handle, i16, WEReference, bool, bool, i32* scroll, i32* reserved, i32* maximum, i32* page) {
  for (i32* out : {scroll, reserved, maximum, page})
    if (out) *out = 0;
  return 0;
}

i16 handlenavkeys(u8) { return 0; }

}  // namespace kv
