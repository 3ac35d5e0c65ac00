// The statement interpreter: runs a block of atoms line by line, doing the control
// structures itself and handing every other statement to sendmes as a command.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct MainGlobals;
struct atom;
struct fred;

// One running loop. The repeat queue holds these in blocks of 256.
struct repeatentry {
  i32 step;  // 0 conditional loop, 1 or -1 counting loop, 1 for each
  i32 lower;
  i32 upper;
  i32 counter;  // for each: the byte position in the text
  Handle var;   // the loop variable's value handle, or none
  i32 next;     // atom where the next pass starts
  Handle text;  // for each: the loop's own copy of the container's text
  u16 chunk;    // for each: 8001 line .. 8004 char; 0 otherwise
  u16 spare;
};
static_assert(sizeof(repeatentry) == 32);

// One running switch: its `end switch` atom, with the top bit set while its cases are
// conditions (a switch without an expression that has not yet met a true case).
struct switchentry {
  u32 word;
  i32 endatom() const { return i32(word & 0x7FFFFFFFu); }
  bool condition() const { return (word & 0x80000000u) != 0; }
};
static_assert(sizeof(switchentry) == 4);

constexpr i32 queueblock = 256;  // entries per block of both queues

// Runs the atoms [first, end) of the script of the path's first entry, whose handler name is
// at `handleratom`. `result` is the function result, or null for a message handler. 0 when the
// block ran to its end, a positive script error (already recorded), or an internal status.
scriptstatus runblock(hierpath entry, i32 handleratom, i32 first, i32 end, Handle variables, fred* result);

// Declares one global, named by the atom, in the handler's variables.
i16 globalutil(atom& name, Handle text, Handle variables);

// Ends the loops above `index` (releasing their texts) and the switches above `switchindex`,
// then trims both queues to the blocks still used.
void restorequeues(i16 repeatindex, i16 switchindex);
void trimrepeatque();
void trimswitchque();
// Releases what running loops hold (the end of the run).
void releaserepeats(MainGlobals& g);

}  // namespace kv
