// The visual command: `visual [effect] name [speed] [to image]` queues a transition effect for
// the next change of card.
#include <algorithm>

#include "commands/commands.h"
#include "commands/dispatch.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "render/effectqueue.h"

namespace kv {

namespace {

enum : u16 { speedveryfast = 0, speedfast = 2, speedslow = 4, speedveryslow = 6 };
enum : u16 { targetblack = 0, targetcard = 1, targetgray = 2, targetinverse = 3, targetwhite = 4 };

// The image an effect ends on, by the word after "to"; false for another word.
bool targetword(u16 t, u16* target) {
  switch (t) {
    case tok::black: *target = targetblack; return true;
    case tok::card: *target = targetcard; return true;
    case tok::grey: *target = targetgray; return true;
    case tok::inverse: *target = targetinverse; return true;
    case tok::white: *target = targetwhite; return true;
    default: return false;
  }
}

}  // namespace

scriptstatus scanvisi(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, &used, &value); st != 0) return st;
  effectrec effect{nilhandle, speedveryfast, targetcard};
  i16 st = fredtonewh(&value, &effect.name);
  disposfred(&value);
  if (st != 0) return st;
  i32 i = at + used;
  switch (tokenat(atoms, i)) {
    case tok::fast:
      effect.speed = speedfast;
      ++i;
      break;
    case tok::slow:
      effect.speed = speedslow;
      ++i;
      break;
    case tok::very:
      ++i;
      if (tokenat(atoms, i) == tok::fast) {
        effect.speed = speedveryfast;
        ++i;
      } else if (tokenat(atoms, i) == tok::slow) {
        effect.speed = speedveryslow;
        ++i;
      } else {
        effect.speed = speedfast;
      }
      break;
    case tok::wait:
    case tok::for_: {
      fred ticks;
      if ((st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &ticks)) == 0) {
        i32 n = 0;
        st = fredtolong(&ticks, &n);
        disposfred(&ticks);
        // A duration is 0 to 65,535 ticks (about 18 minutes).
        effect.speed = u16(std::clamp<i32>(n, 0, 0xFFFF));
        i += 1 + used;
        if (tokenat(atoms, i) == tok::ticks) ++i;
      }
      break;
    }
    default: break;
  }
  if (st == 0 && tokenat(atoms, i) == tok::to) {
    ++i;
    if (targetword(tokenat(atoms, i), &effect.target)) ++i;
  }
  if (st == 0 && tokenat(atoms, i) != tok::endofline && tokenat(atoms, i) != tok::endofscript) st = err::cantunderstand;
  if (st != 0) {
    DisposeHandle(effect.name);
    return st;
  }
  pusheffect(effect);
  return 0;
}

scriptstatus comvisi(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::effect) ++i;
  return scanvisi(path, text, atoms, i, variables);
}

}  // namespace kv
