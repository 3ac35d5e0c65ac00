// The atom: one token of a tokenised script. A script's atoms are an array in one handle
// (count = handle size / sizeof(atom)); statements are read straight from them.
#pragma once

#include <type_traits>

#include "platform/types.h"

namespace kv {

// Whether an atom's value words hold the parsed number of its literal text.
enum : u8 {
  numnotcached = 0,    // as the tokenizer writes every atom
  numcached = 1,       // set by the evaluator once it parsed a number literal
  numnotnumber = 2,    // the evaluator found the literal's text to be no number
  numhandlerend = 3,   // on a handler-name atom that is no number literal: value[0] holds the
                       // atom index of the handler's `end`, found once by the sender
  numvariable = 4,     // on a variable atom: value[0] holds the variable list it was last found
                       // in, value[1] that list's handle serial, reserved[] the entry's index
  numlineafter = 5,    // on the command atom that starts a statement: value[0] holds the first
                       // atom of the line after it
  numparameter = 6,    // on a parameter name of a handler's first line: value[0] holds the
                       // name's key (the name was found good on the first call)
  numhandlercall = 7,  // on the name atom of a function call: value[0] holds the atom of the
                       // first handler of that name in the call's own script
  numargument = 8,     // on a variable atom naming a parameter of its handler: reserved[] holds
                       // the index of the argument's entry in the handler's variable list
};

struct atom {
  u16 token;   // token number (keywords.h)
  u16 length;  // characters of the text the atom covers
  // -1 when written. On a handler-name atom: the next handler name of the same kind (-1 ends
  // the chain). On try, catch, switch, case: the partner. On if, then, else: the atom counts
  // the interpreter measured.
  i32 link;
  u32 offset;      // byte offset of the atom's first character in the script text
  Handle literal;  // length-prefixed literal text made by the evaluator; none when written
  u32 value[2];    // the evaluator's value cache (a number literal's double); 0 when written
  u8 numstate;     // numnotcached .. numhandlerend
  u8 reserved[3];  // 0 when written (a variable atom's entry index: numvariable, numargument)
};
static_assert(sizeof(atom) == 28);
static_assert(std::is_trivially_copyable_v<atom>);

}  // namespace kv
