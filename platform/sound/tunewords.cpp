#include "platform/sound/tunewords.h"

namespace kv {

TuneEvent readtuneevent(const std::vector<u32>& words, std::size_t* pc) {
  TuneEvent e;
  if (*pc >= words.size()) return e;
  u32 w = words[*pc];
  std::size_t left = words.size() - *pc;
  switch (w >> 29) {
    case 0:
      e.kind = TuneEvent::rest;
      e.duration = w & 0xFFFFFF;
      *pc += 1;
      return e;
    case 1:
      e.kind = TuneEvent::note;
      e.key = i32((w >> 18) & 0x3F) + 32;
      e.velocity = i32((w >> 11) & 0x7F);
      e.duration = w & 0x7FF;
      *pc += 1;
      return e;
    case 3:
      if (w == kTuneEnd) {
        *pc = words.size();
        return e;
      }
      *pc += 1;
      e.kind = TuneEvent::other;
      return e;
    case 4:
    case 5:
    case 6:
      if (left < 2) break;
      if ((w >> 28) == 0x9) {
        u32 second = words[*pc + 1];
        e.kind = TuneEvent::note;
        e.key = i32(w & 0xFFFF);
        e.velocity = i32((second >> 22) & 0xFF);
        e.duration = second & 0x3FFFFF;
      } else {
        e.kind = TuneEvent::other;
      }
      *pc += 2;
      return e;
    case 7: {
      std::size_t n = w & 0xFFFF;
      if (n < 2 || n > left) break;
      e.kind = TuneEvent::other;
      *pc += n;
      return e;
    }
    default:
      e.kind = TuneEvent::other;
      *pc += 1;
      return e;
  }
  *pc = words.size();
  return e;
}

}  // namespace kv
